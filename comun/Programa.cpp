#include "comun/Programa.h"

#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

QString NombreEjecutable;
QString CarpetaEjecutable;
QString CarpetaPrograma;
QString CarpetaDatos;
QString CarpetaPrivada;

TDat* Dat = nullptr;

namespace shell {

QString NombreBase(const QString& ficheroEjecutable) {
    return QFileInfo(ficheroEjecutable).fileName().section(QLatin1Char('.'), 0, 0);
}

QString ClavePrograma(const QString& nombreEjecutable) { return QStringLiteral("Software\\Velmor\\") + nombreEjecutable; }

namespace {
// `carpeta`, made if need be and kept to this user alone; the reason in `error` when it cannot be.
bool CarpetaDeEsteUsuario(const QString& carpeta, QString& error) {
    const QByteArray ruta = QFile::encodeName(carpeta);
    QDir().mkpath(QFileInfo(carpeta).absolutePath());
    if (::mkdir(ruta.constData(), 0700) != 0 && errno != EEXIST) {
        error = QStringLiteral("No se puede crear la carpeta privada %1").arg(carpeta);
        return false;
    }
    struct stat st {};
    if (::lstat(ruta.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        error = QStringLiteral("La carpeta privada %1 no es una carpeta de este usuario").arg(carpeta);
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(ruta.constData(), 0700) != 0) {
        error = QStringLiteral("No se puede proteger la carpeta privada %1").arg(carpeta);
        return false;
    }
    // A folder the user may not write in (a read-only home) is no use either.
    if (::access(ruta.constData(), W_OK | X_OK) != 0) {
        error = QStringLiteral("No se puede escribir en la carpeta privada %1").arg(carpeta);
        return false;
    }
    return true;
}
}  // namespace

QString CarpetaPrivadaUsuario() {
    QStringList candidatas;
    // The runtime folder only when the session has one: Qt's stand-in for it lies in /tmp.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) candidatas << QDir(runtime).filePath(QStringLiteral("zembra"));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty()) candidatas << QDir(cache).filePath(QStringLiteral("zembra"));
    candidatas << QDir::homePath() + QStringLiteral("/.cache/zembra");
    // A home the user may not write in (read-only, full, missing) still lets the office work: a
    // folder of this user's own in the temporary folder, under a name no other user shares.
    const QString temporal = QDir::tempPath();
    if (!temporal.isEmpty() && QFileInfo(temporal).isDir())
        candidatas << QDir(temporal).filePath(QStringLiteral("zembra-%1").arg(::getuid()));
    candidatas.removeDuplicates();
    QString primerError;
    for (const QString& carpeta : candidatas) {
        QString error;
        if (CarpetaDeEsteUsuario(carpeta, error)) return carpeta;
        if (primerError.isEmpty()) primerError = error;
    }
    throw Exception(primerError);
}

}  // namespace shell
