// Zembra start-up, as far as the program stands today: finds the data folder, opens the office's
// data through the data module (a new folder gets its tables created empty) and reports what it found.
#include "controls/visual/CursorConsts.h"
#include "controls/visual/DateHelpers.h"
#include "controls/visual/IconHelpers.h"
#include "platform/classes/Registry.h"
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "shell/UData.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {
// "Datos" of section "Install" under the current user's key "Software\Velmor\" + the executable's
// name up to its first dot; empty or unreadable means the program's own folder.
QString DataFolder(const QString& programDir) {
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().section(QLatin1Char('.'), 0, 0);
    QString dataDir;
    try {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\") + baseName);
        dataDir = reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString());
    } catch (const Exception&) {
        dataDir.clear();
    }
    return dataDir.isEmpty() ? programDir : dataDir;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    platform::visual::InitDateHelpers();
    IconHelpersInit();
    CursorsInit();
    Application->SetTitle(QStringLiteral("Zembra 4.0"));

    QTextStream out(stdout);
    const QString programDir = QCoreApplication::applicationDirPath();
    CarpetaDatos = DataFolder(programDir);
    out << "Zembra 4.0\n";
    out << "Carpeta del programa: " << QDir::toNativeSeparators(programDir) << "\n";
    out << "Carpeta de datos: " << QDir::toNativeSeparators(CarpetaDatos) << "\n";
    if (!QFileInfo(CarpetaDatos).isDir()) {
        out << "La carpeta de datos no existe.\n";
        return 1;
    }
    const bool nueva = !QFileInfo::exists(QDir(CarpetaDatos).filePath(QStringLiteral("zembra.db")));
    int rc = 0;
    try {
        Dat = new TDat(nullptr);
        out << (nueva ? "Datos nuevos, tablas creadas vacías:\n" : "Tablas encontradas:\n");
        for (int i = 0; i < Dat->ComponentCount(); ++i) {
            auto* table = dynamic_cast<TTable*>(Dat->Components(i));
            if (!table) continue;
            out << "  " << table->Name().leftJustified(16) << table->TableName().leftJustified(16) << ' ';
            if (table->Active())
                out << table->RecordCount() << " registros\n";
            else
                out << "no se pudo abrir\n";
        }
    } catch (const Exception& e) {
        out << "Error al abrir los datos: " << e.Message() << "\n";
        rc = 1;
    }
    delete Dat;
    Dat = nullptr;
    return rc;
}
