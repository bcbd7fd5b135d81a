#include "controls/visual/FileNameHelpers.h"

#include "platform/rtl/FileUtils.h"

namespace {

QString FirstMatchingName(const QString& path) {
    if (path.isEmpty())
        return QString();
    TSearchRec sr;
    const int rc = FindFirst(path, faAnyFile, sr);
    const QString name = rc == 0 ? sr.Name : QString();
    FindClose(sr);
    return name;
}

}  // namespace

bool DirExists(const QString& path) { return !path.isEmpty() && DirectoryExists(path); }

bool HasAnyChar(const QString& text, const QString& chars) {
    for (QChar c : chars)
        if (text.contains(c))
            return true;
    return false;
}

bool ValidFileName(const QString& name) {
    return !name.isEmpty() && !HasAnyChar(name, QStringLiteral("<>\"[]|"));
}

QString ShortToLongFileName(const QString& path) { return FirstMatchingName(path); }

QString LongToShortFileName(const QString& path) { return FirstMatchingName(path); }
