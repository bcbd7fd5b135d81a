// Zembra start-up: finds the data folder and reports what it holds.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString dataDir = programDir;  // empty registry value: the program folder
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
