#pragma once
// File and folder routines. Paths use "/"; every routine also accepts "\" (the application joins
// folders and "\Name" in many places) and turns it into "/" first.
#include "platform/rtl/DateTime.h"

#include <QString>
#include <QtGlobal>
#include <memory>

namespace platform::rtl {
// "\" becomes "/"; nothing else changes.
QString NormalizePath(const QString& path);
}

bool FileExists(const QString& fileName);       // a file, not a folder
bool DirectoryExists(const QString& directory);
bool DeleteFile(const QString& fileName);       // false for a folder or a missing file
bool RenameFile(const QString& oldName, const QString& newName);  // false when newName exists
bool CreateDir(const QString& dir);             // the parent must exist
bool ForceDirectories(const QString& dir);      // creates every missing level
bool RemoveDir(const QString& dir);             // only an empty folder

// A file or folder this user has just made inside a folder that others share gets the access the
// folder gives its group (read, write, and search for a folder), whatever this user's umask: what
// one user writes in the office's folder must serve the next one. Other accounts get no more than
// the umask gave. The file is given the folder's group when this user may. Only widens; false
// when the rights cannot be set.
bool ShareLikeFolder(const QString& path);
// ForceDirectories whose new levels are shared like the folder above each one.
bool ForceSharedDirectories(const QString& dir);

QString ExtractFileName(const QString& fileName);  // after the last "/"
QString ExtractFilePath(const QString& fileName);  // up to and with the last "/"
QString ExtractFileDir(const QString& fileName);   // without the last "/", except for the root
QString ExtractFileExt(const QString& fileName);   // from the last dot of the name, dot included
QString ChangeFileExt(const QString& fileName, const QString& extension);
QString ExpandFileName(const QString& fileName);   // absolute, "." and ".." resolved
QString IncludeTrailingPathDelimiter(const QString& path);
QString ExcludeTrailingPathDelimiter(const QString& path);

QString GetCurrentDir();
bool SetCurrentDir(const QString& dir);
// The system temp folder, ending in "/".
QString TempFolder();

// File dates. The int form is the packed date of the class library (seconds / 2, minutes, hours
// in the low word, day, month, year - 1980 in the high word), local time; -1 means no file.
int FileAge(const QString& fileName);
bool FileAge(const QString& fileName, TDateTime& fileDateTime);
int FileGetDate(const QString& fileName);           // same as FileAge(fileName)
int FileSetDate(const QString& fileName, int age);  // 0 on success, else an error code
TDateTime FileGetDateTime(const QString& fileName); // 0 when there is no file
bool FileSetDateTime(const QString& fileName, TDateTime dateTime);
TDateTime FileDateToDateTime(int fileDate);
int DateTimeToFileDate(TDateTime dateTime);

// Attributes of TSearchRec::Attr and of the FindFirst filter.
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,   // names that begin with "."
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

namespace platform::rtl {
struct FindState;
}

struct TSearchRec {
    int Time = 0;       // packed file date
    qint64 Size = 0;
    int Attr = 0;
    QString Name;       // name only, without the folder
    int ExcludeAttr = 0;
    std::shared_ptr<platform::rtl::FindState> FindHandle;
};

// FindFirst("folder/*.db", faAnyFile, sr): 0 and the first match, or an error code (2: no match,
// 3: no such folder). Masks take "*" and "?", ignore case, and "*.*" matches every name.
// Ordinary files always match; hidden files and folders only when their attribute is asked for.
// The "." and ".." entries are never returned.
int FindFirst(const QString& path, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

namespace platform::rtl {
// Case-insensitive match of a whole name against a mask with "*" and "?".
bool MatchesMask(const QString& name, const QString& mask);
}
