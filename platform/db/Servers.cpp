// Which engine holds a folder's data, and the server engine's module, loaded on first use.
#include "platform/db/Driver.h"
#include "platform/db/PgModule.h"
#include "platform/db/ServerStats.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Modules.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <atomic>

namespace platform::db {

namespace {

std::atomic<const TPgModule*> Loaded{nullptr};

const TPgModule& PgModule() {
    if (const TPgModule* m = Loaded.load()) return *m;
    QString error;
    const TPgModule* m =
        ModuleTable<TPgModule>(QStringLiteral(ZEMBRA_PG_MODULE_FILE), ZEMBRA_PG_MODULE_ENTRY, kPgModuleVersion, &error);
    // Still a fault of the whole database, but not one of the connection: the server is never
    // reached, and the message must not send the office to look at it.
    if (!error.isEmpty() || !m)
        throw EDBEngineError(ecServerLost, QString::fromUtf8("No se puede usar el servidor de datos. %1").arg(error));
    Loaded.store(m);
    return *m;
}

}  // namespace

std::shared_ptr<TConnection> OpenPostgres(const QString& folder, const QString& server) { return PgModule().Open(folder, server); }

std::function<void(const QString& message)> OnWriteSettled;

qint64 ServerRoundTrips() {
    const TPgModule* m = Loaded.load();
    return m ? m->RoundTrips() : 0;
}


namespace {
std::function<QString(const QString& folder)>& DefaultServer() {
    static std::function<QString(const QString& folder)> chooser;
    return chooser;
}
QMutex& ServersMutex() {
    static QMutex m;
    return m;
}
QHash<QString, QString>& Servers() {
    static QHash<QString, QString> s;
    return s;
}
QString FolderKey(const QString& folder) { return QDir(folder).absolutePath(); }
}  // namespace

void SetDataServer(const QString& folder, const QString& server) {
    QMutexLocker guard(&ServersMutex());
    if (server.trimmed().isEmpty()) Servers().remove(FolderKey(folder));
    else Servers().insert(FolderKey(folder), server.trimmed());
}

QString DataServer(const QString& folder) {
    {
        QMutexLocker guard(&ServersMutex());
        auto it = Servers().find(FolderKey(folder));
        if (it != Servers().end()) return *it;
    }
    return DefaultServer() ? DefaultServer()(folder) : QString();
}

void SetDefaultDataServer(std::function<QString(const QString& folder)> chooser) { DefaultServer() = std::move(chooser); }

std::shared_ptr<TConnection> OpenData(const QString& folder) {
    const QString server = DataServer(folder);
    if (server.isEmpty()) return OpenSqlite(folder);
    return OpenPostgres(folder, server);
}

}  // namespace platform::db
