// Linked into the suites that run on both engines: with ZEMBRA_TEST_SERVIDOR naming the file
// the test cluster wrote its connection string to, every data folder the tests make gets its
// own schema on that server instead of a file (the same schema in every process).
#include "platform/db/Driver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>

namespace {

QString ServerFor(const QString& base, const QString& folder) {
    const QByteArray hash = QCryptographicHash::hash(QDir(folder).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    const QString schema = QStringLiteral("f_") + QString::fromLatin1(hash);
    PGconn* admin = PQconnectdb(base.toUtf8().constData());
    if (PQstatus(admin) == CONNECTION_OK) {
        PQsetNoticeProcessor(admin, [](void*, const char*) {}, nullptr);
        // Two processes may ask at once: the schema's name is the folder's, made once.
        PQclear(PQexec(admin, ("CREATE SCHEMA IF NOT EXISTS " + schema.toLatin1()).constData()));
    } else {
        std::fprintf(stderr, "test server: %s\n", PQerrorMessage(admin));
    }
    PQfinish(admin);
    return base + QStringLiteral(" options='-c search_path=%1'").arg(schema);
}

const bool installed = [] {
    const QByteArray file = qgetenv("ZEMBRA_TEST_SERVIDOR");
    if (file.isEmpty()) return false;
    // CTest hands these suites one variable of their environment only.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QFile f(QString::fromLocal8Bit(file));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "test server: cannot read %s\n", file.constData());
        std::exit(2);
    }
    const QString base = QString::fromUtf8(f.readAll()).trimmed();
    platform::db::SetDefaultDataServer([base](const QString& folder) { return ServerFor(base, folder); });
    return true;
}();

}  // namespace
