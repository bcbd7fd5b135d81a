#pragma once
// Document files are zip archives read and written by a module of its own (zembra-zip.so, built
// from ZipArchive.cpp), loaded with the first document opened or saved: the zip library and the
// cryptography it links are mapped only by a program that handles documents.
#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace platform::documents {

struct TZipEntry {
    std::string Name;  // a name ending in "/" is a folder
    QByteArray Data;
    bool Stored = false;  // written without compression
};

struct TZipRead {
    enum TFault { None, Unreadable, NotArchive, TooManyEntries, Damaged, DamagedOrEncrypted, TooLarge };
    TFault Fault = None;
    std::vector<TZipEntry> Entries;
};

// Hostile archives must not exhaust memory: a real model is far below these.
struct TZipLimits {
    qint64 Entries = 4096;
    qint64 EntryBytes = 64ll << 20;
    qint64 TotalBytes = 256ll << 20;
};

struct TZipModule {
    int Version = 0;  // kZipModuleVersion of the build that made it
    // The whole archive, from `file` or, when it is null, from `bytes`.
    void (*Read)(const QString* file, const QByteArray* bytes, const TZipLimits& limits, TZipRead& result) = nullptr;
    // Writes the entries in their order, whole or not at all (the file is replaced only when
    // complete). False with the library's reason in `why`; `created` false when the file could
    // not even be begun.
    bool (*Write)(const QString& file, const std::vector<TZipEntry>& entries, QString& why, bool& created) = nullptr;
};
// Changes whenever these structures change.
constexpr int kZipModuleVersion = 1;

}  // namespace platform::documents

#define ZEMBRA_ZIP_MODULE_FILE "zembra-zip.so"
#define ZEMBRA_ZIP_MODULE_ENTRY "zembra_zip_module"
