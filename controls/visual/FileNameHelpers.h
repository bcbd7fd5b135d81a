#pragma once
// Directory test, file-name validity, long and short names.
#include <QString>

bool DirExists(const QString& path);
bool HasAnyChar(const QString& text, const QString& chars);
// Not empty and free of < > " [ ] |
bool ValidFileName(const QString& name);
// This system has no separate 8.3 names: both give the name (without folder) of the first file
// matching the path, wildcards allowed, or an empty text when nothing matches.
QString ShortToLongFileName(const QString& path);
QString LongToShortFileName(const QString& path);
