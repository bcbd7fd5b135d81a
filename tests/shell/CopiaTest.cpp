// The copy of an office's data folder to the database server: every row, and every order the
// browsers use the same on the server as in the folder; a database that is not empty is refused.
#include "comun/UData.h"
#include "platform/db/Copy.h"
#include "tests/support/GeneraDespacho.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// All rows of a table in one index's order (the identity order without one), as text.
QStringList Rows(platform::db::TConnection& conn, const platform::db::TTableDesc& d, const platform::db::TIndexDesc* ix) {
    platform::db::TCursorSpec s;
    s.Table = d.Name;
    for (const auto& c : d.Columns) s.Columns << c.Name;
    if (ix) {
        for (const QString& f : ix->Fields) s.OrderCols.push_back(d.ColumnIndex(f));
        s.CaseInsensitive = ix->CaseInsensitive;
    }
    QStringList out;
    std::vector<platform::db::TRow> rows;
    platform::db::TRow last;
    for (bool first = true;; first = false) {
        conn.Fetch(s, first ? nullptr : &last, true, 2000, rows);
        if (rows.empty()) break;
        for (const auto& r : rows) {
            QStringList v;
            for (const QVariant& x : r.Values) v << x.toString();
            out << v.join(QLatin1Char('|'));
        }
        last = rows.back();
    }
    return out;
}

}  // namespace

TEST(CopiaTest, AnOfficeFolderCopiesWholeToAnEmptyServerDatabase) {
    QTemporaryDir origen, destino;
    const QString servidor = platform::db::DataServer(destino.path());
    if (servidor.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    {
        auto conn = platform::db::OpenSqlite(origen.path());
        for (const auto& t : comun::TablasDelDespacho()) conn->CreateTable(t);
        conn->Insert(QStringLiteral("SISTEM"), {QStringLiteral("NUMERO")}, {QVariant(qlonglong(1))});
    }
    zbtest::TTamDespacho tam;
    tam.Expedientes = 600;
    tam.Consultas = 200;
    {
        zbtest::TGenerador g(platform::db::OpenSqlite(origen.path()));
        zbtest::GeneraDespacho(g, tam);
    }

    // Another office in the same database, in a schema of its own: the copy leaves it alone.
    QTemporaryDir otro;
    auto vecino = platform::db::OpenPostgres(otro.path(), platform::db::DataServer(otro.path()));
    vecino->CreateTable(comun::TablasDelDespacho().front());

    auto desde = platform::db::OpenSqlite(origen.path());
    auto hacia = platform::db::OpenPostgres(destino.path(), servidor);
    const auto copiadas = platform::db::CopyData(*desde, *hacia);
    ASSERT_EQ(copiadas.size(), size_t(desde->TableNames().size()));
    {
        auto st = vecino->Prepare(QStringLiteral("SELECT count(*) FROM pg_stat_user_tables WHERE schemaname = current_schema() "
                                                 "AND last_vacuum IS NOT NULL"));
        ASSERT_TRUE(st->Step());
        EXPECT_EQ(st->Column(0).toInt(), 0) << "another office's tables were vacuumed";
    }
    qint64 filas = 0;
    for (const auto& t : copiadas) {
        filas += t.Rows;
        const auto d = desde->DescribeTable(t.Name);
        const auto e = hacia->DescribeTable(t.Name);
        ASSERT_EQ(d.Columns.size(), e.Columns.size()) << qPrintable(t.Name);
        for (size_t i = 0; i < d.Columns.size(); ++i) {
            EXPECT_EQ(d.Columns[i].Name, e.Columns[i].Name);
            EXPECT_EQ(d.Columns[i].Type, e.Columns[i].Type) << qPrintable(d.Columns[i].Name);
            EXPECT_EQ(d.Columns[i].Size, e.Columns[i].Size) << qPrintable(d.Columns[i].Name);
        }
        ASSERT_EQ(d.Indexes.size(), e.Indexes.size()) << qPrintable(t.Name);
        EXPECT_EQ(Rows(*desde, d, nullptr), Rows(*hacia, e, nullptr)) << qPrintable(t.Name);
        for (const auto& ix : d.Indexes) EXPECT_EQ(Rows(*desde, d, &ix), Rows(*hacia, e, &ix)) << qPrintable(t.Name + QLatin1Char('$') + ix.Name);
    }
    EXPECT_GT(filas, 800);
    // The server knows the copied data at once: the tables vacuumed and their keys' spread
    // measured, as its background work would leave them later. (Whether the pages could be
    // marked all visible depends on the transactions of the tests running beside it.)
    {
        // This test's own table: the tests running beside it have theirs in other schemas.
        auto st = hacia->Prepare(QStringLiteral("SELECT (SELECT last_vacuum IS NOT NULL FROM pg_stat_user_tables WHERE relid = to_regclass('exped'))::int, "
                                                "(SELECT count(*) FROM pg_stats WHERE schemaname = current_schema() AND tablename = 'exped') > 0"));
        ASSERT_TRUE(st->Step());
        EXPECT_EQ(st->Column(0).toInt(), 1);
        EXPECT_EQ(st->Column(1).toInt(), 1);
    }

    // Once more into the same database: refused, nothing changed.
    try {
        platform::db::CopyData(*desde, *hacia);
        ADD_FAILURE() << "a database with tables was written to";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("no está vacía"))) << qPrintable(e.Message());
    }
    EXPECT_EQ(hacia->TableNames(), desde->TableNames());
}

// The copy program takes the folder and the server from the settings, says what it copied, and
// refuses a second copy into the same database or settings without a server.
TEST(CopiaTest, TheCopyProgramReadsTheSettingsAndSaysWhatItDid) {
    QTemporaryDir origen, destino, config;
    const QString servidor = platform::db::DataServer(destino.path());
    if (servidor.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    {
        auto conn = platform::db::OpenSqlite(origen.path());
        for (const auto& t : comun::TablasDelDespacho()) conn->CreateTable(t);
        conn->Insert(QStringLiteral("SISTEM"), {QStringLiteral("NUMERO")}, {QVariant(qlonglong(1))});
    }
    {
        zbtest::TGenerador g(platform::db::OpenSqlite(origen.path()));
        zbtest::GeneraDespacho(g, zbtest::TTamDespacho{});
    }
    auto copia = [&](const QString& ajustes, QString* salida) {
        QFile ini(config.path() + QStringLiteral("/registry.ini"));
        ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
        ini.write(ajustes.toUtf8());
        ini.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZEMBRA_REGISTRY_FILE"), ini.fileName());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEMBRA_COPIA), QStringList());
        EXPECT_TRUE(p.waitForFinished(120000));
        *salida = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    };
    const QString ajustes = QStringLiteral("[Software\\Velmor\\zembra\\Install]\nDatos=%1\nServidor=%2\n").arg(origen.path(), servidor);
    QString salida;
    EXPECT_EQ(copia(ajustes, &salida), 0) << qPrintable(salida);
    EXPECT_TRUE(salida.contains(QStringLiteral("las cuentas de filas coinciden"))) << qPrintable(salida);
    EXPECT_EQ(platform::db::OpenPostgres(destino.path(), servidor)->TableNames(), platform::db::OpenSqlite(origen.path())->TableNames());
    EXPECT_EQ(copia(ajustes, &salida), 1);
    EXPECT_TRUE(salida.contains(QStringLiteral("no está vacía"))) << qPrintable(salida);
    EXPECT_TRUE(salida.contains(QStringLiteral("No se ha copiado nada")));
    EXPECT_EQ(copia(QStringLiteral("[Software\\Velmor\\zembra\\Install]\nDatos=%1\n").arg(origen.path()), &salida), 1);
    EXPECT_TRUE(salida.contains(QStringLiteral("no nombra el servidor"))) << qPrintable(salida);
}

// A refusal says only its reason: settings refused before any connection is tried never say that
// the server cannot be reached, which would send the office to look at a server nobody asked.
TEST(CopiaTest, ARefusalBeforeConnectingSaysOnlyItsReason) {
    QTemporaryDir origen, config;
    {
        auto conn = platform::db::OpenSqlite(origen.path());
        for (const auto& t : comun::TablasDelDespacho()) conn->CreateTable(t);
    }
    auto copia = [&](const QString& servidor) {
        QFile ini(config.path() + QStringLiteral("/registry.ini"));
        ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
        ini.write(QStringLiteral("[Software\\Velmor\\zembra\\Install]\nDatos=%1\nServidor=%2\n").arg(origen.path(), servidor).toUtf8());
        ini.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZEMBRA_REGISTRY_FILE"), ini.fileName());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEMBRA_COPIA), QStringList());
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 1);
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    };
    const struct {
        const char* servidor;
        const char* motivo;
    } casos[] = {
        {"host=127.0.0.1 port=1 dbname=zembra password=secreta", "lleva la contraseña"},
        {"host='127.0.0.1", "no se entiende"},
        // Tried and refused: said once, with the reason the server gave.
        {"host=127.0.0.1 port=1 dbname=zembra connect_timeout=5", "No se puede conectar con el servidor de datos"},
    };
    for (const auto& c : casos) {
        const QString salida = copia(QString::fromUtf8(c.servidor));
        EXPECT_TRUE(salida.contains(QString::fromUtf8(c.motivo))) << qPrintable(salida);
        EXPECT_FALSE(salida.contains(QStringLiteral("No hay conexión"))) << qPrintable(salida);
        EXPECT_FALSE(salida.contains(QStringLiteral("secreta"))) << qPrintable(salida);
        EXPECT_TRUE(salida.contains(QStringLiteral("No se ha copiado nada"))) << qPrintable(salida);
    }
}
