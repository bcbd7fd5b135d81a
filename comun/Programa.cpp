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

namespace comun {

QString NombreBase(const QString& ficheroEjecutable) {
    return QFileInfo(ficheroEjecutable).fileName().section(QLatin1Char('.'), 0, 0);
}

QString ClavePrograma(const QString& nombreEjecutable) { return QStringLiteral("Software\\Velmor\\") + nombreEjecutable; }

namespace {
// `carpeta`, made if need be and kept to this user alone; the reason in `error` when it cannot be.
bool CarpetaDeEsteUsuario(const QString& carpeta, QString& error) {
    const QByteArray ruta = QFile::encodeName(carpeta);
    int hecha = ::mkdir(ruta.constData(), 0700);
    if (hecha != 0 && errno == ENOENT) {  // the folders above it are missing too
        QDir().mkpath(QFileInfo(carpeta).absolutePath());
        hecha = ::mkdir(ruta.constData(), 0700);
    }
    if (hecha != 0 && errno != EEXIST) {
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

QString ProblemaCarpetaDatos(const QString& carpeta) {
    struct stat st {};
    if (::stat(QFile::encodeName(carpeta).constData(), &st) == 0 && S_ISDIR(st.st_mode)) return QString();
    // A folder above it closed to this user hides it: it may well be there.
    if (errno == EACCES)
        return QStringLiteral("No tiene permiso para llegar a la carpeta de datos %1. Pida a quien administre el equipo "
                              "permiso de lectura sobre ella y sobre las carpetas que la contienen.")
            .arg(carpeta);
    return QStringLiteral("No existe la carpeta de datos %1").arg(carpeta);
}

QString CarpetaPrivadaUsuario() {
    // The first that serves; the later places are looked for only when the earlier ones fail.
    QStringList probadas;
    QString primerError;
    auto sirve = [&](const QString& carpeta) {
        if (carpeta.isEmpty() || probadas.contains(carpeta)) return false;
        probadas << carpeta;
        QString error;
        if (CarpetaDeEsteUsuario(carpeta, error)) return true;
        if (primerError.isEmpty()) primerError = error;
        return false;
    };
    // The runtime folder only when the session has one: Qt's stand-in for it lies in /tmp.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        const QString carpeta = QDir(runtime).filePath(QStringLiteral("zembra"));
        if (sirve(carpeta)) return carpeta;
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty()) {
        const QString carpeta = QDir(cache).filePath(QStringLiteral("zembra"));
        if (sirve(carpeta)) return carpeta;
    }
    const QString enCasa = QDir::homePath() + QStringLiteral("/.cache/zembra");
    if (sirve(enCasa)) return enCasa;
    // A home the user may not write in (read-only, full, missing) still lets the office work: a
    // folder of this user's own in the temporary folder, under a name no other user shares.
    const QString temporal = QDir::tempPath();
    if (!temporal.isEmpty() && QFileInfo(temporal).isDir()) {
        const QString carpeta = QDir(temporal).filePath(QStringLiteral("zembra-%1").arg(::getuid()));
        if (sirve(carpeta)) return carpeta;
    }
    throw Exception(primerError);
}

}  // namespace comun
