#pragma once
// The desktop's default application for a type of file, read in the process from the desktop's
// own files: the XDG mimeapps.list lists, the older defaults.list and mimeinfo.cache, and the
// applications' .desktop entries, in the order the desktop's command-line tool reads them.
#include <QString>

namespace platform::documents {

// The .desktop file name ("writer.desktop") of the default application for `mime`, or empty
// when the desktop names none.
QString DefaultApplication(const QString& mime);

}  // namespace platform::documents
