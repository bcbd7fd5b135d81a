// zembra-copia: copies the office's data from the data folder's file to the database server the
// settings name ("Datos" and "Servidor" of section "Install" of the program's key), once, when
// the office moves to a server. The server's database must be empty; all or nothing.
#include "platform/classes/Registry.h"
#include "platform/db/Copy.h"
#include "platform/db/Driver.h"
#include "platform/rtl/Exceptions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {
// The engine heads every refusal about the server with its generic line, whether a connection was
// tried or the settings were refused before it: the line under it says what really happened.
QString Motivo(const Exception& e) {
    const QString generico = platform::db::EngineMessage(platform::db::ecServerLost) + QLatin1Char('\n');
    const auto* motor = dynamic_cast<const EDBEngineError*>(&e);
    if (motor && motor->ErrorCount() > 0 && motor->Errors(0).ErrorCode == platform::db::ecServerLost &&
        e.Message().startsWith(generico) && e.Message().size() > generico.size())
        return e.Message().mid(generico.size());
    return e.Message();
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    try {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        const QString carpeta = reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString());
        const QString servidor = reg.ReadString(QStringLiteral("Install"), QStringLiteral("Servidor"), QString());
        if (carpeta.isEmpty() || !QFileInfo(carpeta + QStringLiteral("/zembra.db")).isFile()) {
            err << QString::fromUtf8("No hay datos que copiar: la carpeta de datos de la configuración (Install, Datos) no tiene el "
                                     "fichero zembra.db.\n");
            return 1;
        }
        if (servidor.trimmed().isEmpty()) {
            err << QString::fromUtf8("La configuración no nombra el servidor de datos (Install, Servidor).\n");
            return 1;
        }
        auto origen = platform::db::OpenSqlite(carpeta);
        auto destino = platform::db::OpenPostgres(carpeta, servidor);
        out << QString::fromUtf8("Copiando %1 al servidor...\n").arg(carpeta);
        out.flush();
        const auto copiadas = platform::db::CopyData(*origen, *destino, [&](const QString& tabla) {
            out << "  " << tabla << "\n";
            out.flush();
        });
        qint64 filas = 0;
        for (const auto& t : copiadas) filas += t.Rows;
        out << QString::fromUtf8("Copiadas %1 tablas y %2 filas; las cuentas de filas coinciden.\n").arg(copiadas.size()).arg(filas);
        return 0;
    } catch (const Exception& e) {
        err << Motivo(e) << "\n" << QString::fromUtf8("No se ha copiado nada.\n");
        return 1;
    }
}
