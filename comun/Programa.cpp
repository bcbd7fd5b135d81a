#include "comun/Programa.h"

#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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

QString CarpetaPrivadaUsuario() {
    // The runtime folder only when the session has one: Qt's stand-in for it lies in /tmp.
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir()) base.clear();
    if (base.isEmpty()) base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    const QString carpeta = QDir(base).filePath(QStringLiteral("zembra"));
    const QByteArray ruta = QFile::encodeName(carpeta);
    QDir().mkpath(base);
    if (::mkdir(ruta.constData(), 0700) != 0 && errno != EEXIST)
        throw Exception(QStringLiteral("No se puede crear la carpeta privada %1").arg(carpeta));
    struct stat st {};
    if (::lstat(ruta.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        throw Exception(QStringLiteral("La carpeta privada %1 no es una carpeta de este usuario").arg(carpeta));
    if ((st.st_mode & 0777) != 0700 && ::chmod(ruta.constData(), 0700) != 0)
        throw Exception(QStringLiteral("No se puede proteger la carpeta privada %1").arg(carpeta));
    return carpeta;
}

}  // namespace shell
