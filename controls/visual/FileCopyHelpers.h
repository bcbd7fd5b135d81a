#pragma once
// Block-wise file copy and the shell's "open" for a file.
#include <QString>

// Copies the contents of `source` into `dest` (whose date becomes the time of writing).
// The copy goes to a temporary file beside the target that replaces it only when every block
// was read and written, so a failed copy leaves an existing target as it was.
// Raises EFOpenError ("Cannot open file %s") when the source cannot be opened, EFCreateError
// ("Cannot create file %s", full path) when the target cannot be created or is the source
// itself, EReadError / EWriteError when a block cannot be read or written.
void CopyFile(const QString& source, const QString& dest);
// The same, then the copy takes the source's modification date.
void CopyFileKeepDate(const QString& source, const QString& dest);

// Opens the file with the desktop's default program (xdg-open), or starts it when it is a
// program. A relative name is taken from the working folder `defaultDir`, which the program also
// starts in. Returns above 32 on success; else 2 when the file does not exist (nor the working
// folder of a relative name), 3 when the folder of the file or the working folder does not, 5
// when it cannot be read, 31 when the desktop has no program for its kind or the one it names
// could not open it, 0 when the program could not be started. The show command is accepted for the callers' sake; windows show as the
// desktop decides.
int ShellExec(const QString& fileName, const QString& params, const QString& defaultDir, int showCmd);
inline int ShellExecuteFile(const QString& fileName, const QString& params, const QString& defaultDir, int showCmd) {
    return ShellExec(fileName, params, defaultDir, showCmd);
}
