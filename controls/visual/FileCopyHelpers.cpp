#include "controls/visual/FileCopyHelpers.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr qint64 kBlockSize = 8192;

bool SameFile(const QString& a, const QString& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(std::filesystem::path(a.toStdString()),
                                                  std::filesystem::path(b.toStdString()), ec);
    return !ec && same;
}

}  // namespace

void CopyFile(const QString& source, const QString& dest) {
    const QString src = platform::rtl::NormalizePath(source);
    const QString target = ExpandFileName(dest);
    const auto buffer = std::make_unique<char[]>(kBlockSize);

    QFile in(src);
    if (src.isEmpty() || QFileInfo(src).isDir() || !in.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(source));
    // Truncating the target would empty the source before a single byte was read.
    if (SameFile(src, target))
        throw EFCreateError(QStringLiteral("Cannot create file %1: it is the file being copied").arg(target));

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(target));

    // QSaveFile drops its temporary file unless committed, so every exit below leaves the target alone.
    qint64 got = 0;
    do {
        got = in.read(buffer.get(), kBlockSize);
        if (got < 0)
            throw EReadError(QStringLiteral("Cannot read file %1").arg(source));
        if (got > 0 && out.write(buffer.get(), got) != got)
            throw EWriteError(QStringLiteral("Cannot write file %1").arg(target));
    } while (got == kBlockSize);
    in.close();
    if (!out.commit())
        throw EWriteError(QStringLiteral("Cannot write file %1").arg(target));
}

void CopyFileKeepDate(const QString& source, const QString& dest) {
    CopyFile(source, dest);
    const QDateTime modified = QFileInfo(platform::rtl::NormalizePath(source)).lastModified();
    QFile copy(ExpandFileName(dest));
    // The contents are in place; a date that cannot be set is not worth failing the copy for.
    if (modified.isValid() && copy.open(QIODevice::Append))
        copy.setFileTime(modified, QFileDevice::FileModificationTime);
}

int ShellExec(const QString& fileName, const QString& params, const QString& defaultDir, int /*showCmd*/) {
    constexpr int kStarted = 33, kFileNotFound = 2, kNoAssociation = 31;
    const QString file = platform::rtl::NormalizePath(fileName);
    const QUrl url(file);
    const bool isUrl = url.isValid() && url.scheme().size() > 1;
    const QFileInfo fi(file);
    if (!isUrl && !fi.exists())
        return kFileNotFound;
    const QString dir = defaultDir.isEmpty() ? QString() : platform::rtl::NormalizePath(defaultDir);
    bool started = false;
    if (!isUrl && fi.isFile() && fi.isExecutable())
        started = QProcess::startDetached(fi.absoluteFilePath(), QProcess::splitCommand(params), dir);
    else
        started = QProcess::startDetached(QStringLiteral("xdg-open"), {file}, dir);
    return started ? kStarted : kNoAssociation;
}
