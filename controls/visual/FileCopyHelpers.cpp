#include "controls/visual/FileCopyHelpers.h"
#include "controls/visual/BitmapHelpers.h"
#include "platform/rtl/SysUtils.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/db/Driver.h"
#include "platform/forms/ListView.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <QUuid>
#include <QDir>
#include <QMimeDatabase>
#include <QStandardPaths>
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

    // A copy of the engine's file would be read behind its back and drop its locks.
    if (platform::db::IsEngineFile(src))
        throw EFOpenError(QStringLiteral("%1 es un fichero de la base de datos del programa: no se copia").arg(source));
    QFile in(src);
    if (src.isEmpty() || QFileInfo(src).isDir() || !in.open(QIODevice::ReadOnly))
        throw EFOpenError(Format(ResStr(61442), source));
    // Truncating the target would empty the source before a single byte was read.
    if (SameFile(src, target))
        throw EFCreateError(QStringLiteral("Cannot create file %1: it is the file being copied").arg(target));

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw EFCreateError(Format(ResStr(61441), target));

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
    // What is still buffered goes out here; on a full disk commit alone would report success.
    if (!out.flush() || !out.commit())
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

namespace {
// What ShellExec answers (see its declaration).
constexpr int kStarted = 33, kOutOfResources = 0, kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5,
              kNoAssociation = 31;

// The desktop's default application for a MIME type, asked of xdg-mime; empty when it names
// none. `conocido` is false when the question could not be asked at all.
QString AplicacionPorDefecto(const QString& mime, bool& conocido) {
    conocido = false;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return {};
    QProcess p;
    p.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    conocido = p.exitStatus() == QProcess::NormalExit;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// Hands `destino` to xdg-open, detached from the program. When it cannot open it (no program it
// can start for the kind, or the program failed) it says so within a moment; on a desktop of its
// own it runs the program in the foreground, so no answer within the wait means it is open.
int PorXdgOpen(const QString& xdgOpen, const QString& destino, const QString& dir) {
    constexpr int kEsperaMs = 1500;
    const QString estado = QDir(QDir::tempPath())
                               .filePath(QStringLiteral("zembra-abre-") + QUuid::createUuid().toString(QUuid::Id128));
    // Its answer stays a few seconds for us to read, then goes; the wait holds none of the
    // program's output channels open.
    const QString guion = QStringLiteral(
        "\"$0\" \"$1\"; echo $? > \"$2\"; exec </dev/null >/dev/null 2>&1; sleep 10; rm -f \"$2\"");
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), guion, xdgOpen, destino, estado}, dir))
        return kOutOfResources;
    QElapsedTimer reloj;
    reloj.start();
    while (reloj.elapsed() < kEsperaMs) {
        QFile f(estado);
        const QByteArray codigo = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
        if (!codigo.isEmpty()) {
            f.remove();
            switch (codigo.toInt()) {
            case 0: return kStarted;
            case 2: return kFileNotFound;
            case 3:  // no program it can start for the kind
            case 4: return kNoAssociation;
            default: return kOutOfResources;
            }
        }
        QThread::msleep(20);
    }
    return kStarted;
}

bool EsPrograma(const QFileInfo& fi) {
    if (!fi.isFile() || !fi.isExecutable()) return false;
    const QMimeType m = platform::forms::FileType(fi.absoluteFilePath());
    for (const char* t : {"application/x-executable", "application/x-pie-executable", "application/x-sharedlib",
                          "application/x-shellscript", "text/x-python", "application/x-perl"})
        if (m.inherits(QString::fromLatin1(t))) return true;
    return false;
}
}  // namespace

int ShellExec(const QString& fileName, const QString& params, const QString& defaultDir, int /*showCmd*/) {
    const QString file = platform::rtl::NormalizePath(fileName);
    const QString dir = defaultDir.isEmpty() ? QString() : platform::rtl::NormalizePath(defaultDir);
    const QUrl url(file);
    if (url.isValid() && url.scheme().size() > 1 && !QFileInfo(file).isAbsolute()) {
        const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (xdgOpen.isEmpty()) return kNoAssociation;
        return PorXdgOpen(xdgOpen, file, dir);
    }
    // A relative name is the working folder's file, as the desktop would find it from there; when
    // that folder is gone, so is the file.
    const bool relativo = QFileInfo(file).isRelative() && !dir.isEmpty();
    if (relativo && !QFileInfo(dir).isDir()) return kFileNotFound;
    if (!dir.isEmpty() && !QFileInfo(dir).isDir()) return kPathNotFound;
    const QFileInfo fi(relativo ? QDir(dir).filePath(file) : file);
    if (!fi.exists()) return fi.absoluteDir().exists() ? kFileNotFound : kPathNotFound;
    if (!fi.isReadable()) return kAccessDenied;
    const QString ruta = fi.absoluteFilePath();
    if (EsPrograma(fi))
        return QProcess::startDetached(ruta, QProcess::splitCommand(params), dir.isEmpty() ? fi.absolutePath() : dir)
                   ? kStarted
                   : kOutOfResources;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) return kNoAssociation;
    if (!fi.isDir()) {
        bool conocido = false;
        // The desktop falls back on the parents of a type (text/plain for a script): any will do.
        const QMimeType tipo = platform::forms::FileType(fi.absoluteFilePath());
        QStringList tipos{tipo.name()};
        tipos << tipo.allAncestors();
        bool alguna = false, preguntado = false;
        for (const QString& t : tipos) {
            const QString app = AplicacionPorDefecto(t, conocido);
            preguntado = preguntado || conocido;
            if (!app.isEmpty()) {
                alguna = true;
                break;
            }
        }
        if (preguntado && !alguna) return kNoAssociation;
    }
    return PorXdgOpen(xdgOpen, ruta, dir.isEmpty() ? fi.absolutePath() : dir);
}
