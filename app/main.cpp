// Zembra start-up: finds the data folder and reports what it holds.
#include "platform/classes/Registry.h"
#include "platform/rtl/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString programDir = QCoreApplication::applicationDirPath();
    // The data folder is "Datos" of section "Install" under the current user's key
    // "Software\Velmor\" + the executable's name up to its first dot.
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().section(QLatin1Char('.'), 0, 0);
    QString dataDir;
    try {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\") + baseName);
        dataDir = reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString());
    } catch (const Exception&) {
        dataDir.clear();  // an unreadable value counts as missing
    }
    if (dataDir.isEmpty()) dataDir = programDir;
    out << "Zembra 4.0\n";
    out << "Carpeta del programa: " << QDir::toNativeSeparators(programDir) << "\n";
    out << "Carpeta de datos: " << QDir::toNativeSeparators(dataDir) << "\n";
    QFileInfo db(QDir(dataDir).filePath(QStringLiteral("zembra.db")));
    if (db.exists())
        out << "Base de datos encontrada: " << db.fileName() << " (" << db.size() << " bytes)\n";
    else
        out << "La carpeta de datos no contiene todavía una base de datos.\n";
    return 0;
}
