// Reading and writing zip archives for the documents (see ZipModule.h).
#include "platform/documents/ZipModule.h"

#include <QFile>
#include <memory>
#include <zip.h>

namespace platform::documents {

namespace {

void ReadArchive(zip_t* za, const TZipLimits& limits, TZipRead& r) {
    std::unique_ptr<zip_t, void (*)(zip_t*)> guard(za, [](zip_t* z) { zip_discard(z); });
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || count > limits.Entries) {
        r.Fault = TZipRead::TooManyEntries;
        return;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(za, zip_uint64_t(i), 0);
        if (!name) {
            r.Fault = TZipRead::Damaged;
            return;
        }
        TZipEntry e;
        e.Name = name;
        if (!e.Name.empty() && e.Name.back() != '/') {
            zip_file_t* zf = zip_fopen_index(za, zip_uint64_t(i), 0);
            if (!zf) {
                r.Fault = TZipRead::DamagedOrEncrypted;
                return;
            }
            char buf[65536];
            zip_int64_t got;
            while ((got = zip_fread(zf, buf, sizeof buf)) > 0) {
                total += got;
                if (e.Data.size() + got > limits.EntryBytes || total > limits.TotalBytes) {
                    zip_fclose(zf);
                    r.Fault = TZipRead::TooLarge;
                    return;
                }
                e.Data.append(buf, qsizetype(got));
            }
            zip_fclose(zf);
            if (got < 0) {
                r.Fault = TZipRead::Damaged;
                return;
            }
        }
        r.Entries.push_back(std::move(e));
    }
}

void Read(const QString* file, const QByteArray* bytes, const TZipLimits& limits, TZipRead& r) {
    r = TZipRead();
    zip_t* za = nullptr;
    int err = 0;
    if (file) {
        za = zip_open(QFile::encodeName(*file).constData(), ZIP_RDONLY, &err);
    } else {
        zip_error_t ze;
        zip_error_init(&ze);
        zip_source_t* src = zip_source_buffer_create(bytes->constData(), zip_uint64_t(bytes->size()), 0, &ze);
        za = src ? zip_open_from_source(src, ZIP_RDONLY, &ze) : nullptr;
        err = zip_error_code_zip(&ze);
        zip_error_fini(&ze);
        if (!za && src) zip_source_free(src);
    }
    if (!za) {
        r.Fault = err == ZIP_ER_NOENT || err == ZIP_ER_OPEN ? TZipRead::Unreadable : TZipRead::NotArchive;
        return;
    }
    ReadArchive(za, limits, r);
    if (r.Fault != TZipRead::None) r.Entries.clear();
}

bool Write(const QString& file, const std::vector<TZipEntry>& entries, QString& why, bool& created) {
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(file).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    created = za != nullptr;
    if (!za) return false;
    auto fail = [&] {
        why = QString::fromUtf8(zip_strerror(za));
        zip_discard(za);
        return false;
    };
    for (const TZipEntry& e : entries) {
        if (!e.Name.empty() && e.Name.back() == '/') {
            if (zip_dir_add(za, e.Name.c_str(), ZIP_FL_ENC_UTF_8) < 0) return fail();
            continue;
        }
        zip_source_t* src = zip_source_buffer(za, e.Data.constData(), zip_uint64_t(e.Data.size()), 0);
        const zip_int64_t idx = src ? zip_file_add(za, e.Name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (idx < 0) {
            if (src) zip_source_free(src);
            return fail();
        }
        zip_set_file_compression(za, zip_uint64_t(idx), e.Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    // The library writes a temporary file and renames it over the target only when complete.
    if (zip_close(za) < 0) return fail();
    return true;
}

}  // namespace

}  // namespace platform::documents

extern "C" __attribute__((visibility("default"))) const platform::documents::TZipModule* zembra_zip_module() {
    static const platform::documents::TZipModule module{platform::documents::kZipModuleVersion, &platform::documents::Read,
                                                        &platform::documents::Write};
    return &module;
}
