// What both engines must do alike: the Spanish orders on a few thousand names, a failed
// statement inside a transaction, and (on the server) a lost connection.
#include "Support.h"
#include "platform/db/Collation.h"
#include "platform/db/ServerStats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <libpq-fe.h>
#include <random>
#include <sqlite3.h>

using namespace dbtest;
using platform::db::TColumnDesc;
using platform::db::TColumnType;
using platform::db::TCursorSpec;
using platform::db::TIndexDesc;
using platform::db::TTableDesc;

namespace {

// Spanish surnames and names with accents, "ñ", "ü", capitals, blanks and punctuation.
QStringList SpanishNames(int count) {
    const QStringList first = {QStringLiteral("Peña"), QStringLiteral("Pena"), QStringLiteral("PEÑA"), QStringLiteral("Núñez"),
                               QStringLiteral("Nunez"), QStringLiteral("Ávila"), QStringLiteral("avila"), QStringLiteral("Güell"),
                               QStringLiteral("Guell"), QStringLiteral("Muñoz"), QStringLiteral("Ibáñez"), QStringLiteral("Íñiguez"),
                               QStringLiteral("de la Fuente"), QStringLiteral("Delafuente"), QStringLiteral("O'Donnell"),
                               QStringLiteral("Castaño"), QStringLiteral("Castano"), QStringLiteral("Chacón"), QStringLiteral("Llorente"),
                               QStringLiteral("Lopez"), QStringLiteral("López"), QStringLiteral("LÓPEZ"), QStringLiteral("Zúñiga"),
                               QStringLiteral("Echevarría"), QStringLiteral("Álvarez-Ossorio"), QStringLiteral("Ñúñez")};
    const QStringList second = {QStringLiteral("José"), QStringLiteral("Jose"), QStringLiteral("María"), QStringLiteral("MARIA"),
                                QStringLiteral("Begoña"), QStringLiteral("Agüero"), QStringLiteral("Ángel"), QStringLiteral("ángel"),
                                QStringLiteral("Íñigo"), QStringLiteral("Ramón"), QStringLiteral("Ana Belén"), QStringLiteral("Anabelen"),
                                QStringLiteral("Óscar"), QStringLiteral("Úrsula"), QStringLiteral("Noé"), QStringLiteral("Zoë")};
    std::mt19937 rng(42);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        QString n = first[int(rng() % first.size())] + QLatin1Char(' ') + first[int(rng() % first.size())];
        if (rng() % 3 == 0) n += QStringLiteral(", ") + second[int(rng() % second.size())];
        if (rng() % 7 == 0) n = n.toUpper();
        out << n;
    }
    return out;
}

TTableDesc NamesTable() {
    TTableDesc d;
    d.Name = QStringLiteral("NOMBRES");
    d.Columns.push_back(TColumnDesc{QStringLiteral("NUM"), TColumnType::Integer, 0, true});
    d.Columns.push_back(TColumnDesc{QStringLiteral("NOMBRE"), TColumnType::Text, 60, false});
    d.Indexes.push_back(TIndexDesc{QString(), {QStringLiteral("NUM")}, true, true, false});
    d.Indexes.push_back(TIndexDesc{QStringLiteral("nombre"), {QStringLiteral("NOMBRE")}, false, false, false});
    d.Indexes.push_back(TIndexDesc{QStringLiteral("nombreci"), {QStringLiteral("NOMBRE")}, false, false, true});
    return d;
}

QStringList Walk(platform::db::TConnection& conn, bool ci) {
    TCursorSpec s;
    s.Table = QStringLiteral("NOMBRES");
    s.Columns = {QStringLiteral("NOMBRE"), QStringLiteral("NUM")};
    s.OrderCols = {0};
    s.CaseInsensitive = ci;
    QStringList out;
    std::vector<platform::db::TRow> rows;
    platform::db::TRow last;
    bool first = true;
    for (;;) {
        conn.Fetch(s, first ? nullptr : &last, true, 500, rows);
        if (rows.empty()) break;
        for (auto& r : rows) out << r.Values[0].toString() + QLatin1Char('#') + r.Values[1].toString();
        last = rows.back();
        first = false;
    }
    return out;
}

}  // namespace

// The same names come back in the same order from the folder's file and from the server, by
// the full order and by the case-insensitive one, and as the texts sort in memory.
TEST(BothEnginesTest, SpanishNamesSortAlikeOnBothEngines) {
    QTemporaryDir fileDir, serverDir;
    const QString server = platform::db::DataServer(serverDir.path());
    if (server.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    auto file = platform::db::OpenSqlite(fileDir.path());
    auto onServer = platform::db::OpenPostgres(serverDir.path(), server);
    const QStringList names = SpanishNames(3000);
    for (auto* conn : {file.get(), onServer.get()}) {
        conn->CreateTable(NamesTable());
        conn->StartTransaction();
        for (int i = 0; i < names.size(); ++i)
            conn->Insert(QStringLiteral("NOMBRES"), {QStringLiteral("NUM"), QStringLiteral("NOMBRE")}, {QVariant(i + 1), QVariant(names[i])});
        conn->Commit();
    }
    for (bool ci : {false, true}) {
        const QStringList a = Walk(*file, ci), b = Walk(*onServer, ci);
        ASSERT_EQ(a.size(), names.size());
        for (int i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "row " << i << " ci=" << ci;
        // In memory: the names alone (ties broken by number on the engines).
        QStringList sorted = names;
        std::stable_sort(sorted.begin(), sorted.end(), [ci](const QString& x, const QString& y) {
            return (ci ? platform::db::SpanishCompareCI(x, y) : platform::db::SpanishCompare(x, y)) < 0;
        });
        for (int i = 0; i < a.size(); ++i) ASSERT_EQ(a[i].section(QLatin1Char('#'), 0, 0), sorted[i]) << "row " << i;
    }
    // A few the reader expects: "ñ" after "n", capitals first, accents after the plain letter.
    EXPECT_LT(platform::db::SpanishCompare(QStringLiteral("Nuñez"), QStringLiteral("Nuoz")), 0);
    EXPECT_GT(platform::db::SpanishCompare(QStringLiteral("Nuñez"), QStringLiteral("Nunez")), 0);
    EXPECT_LT(platform::db::SpanishCompare(QStringLiteral("PEÑA"), QStringLiteral("peña")), 0);
    EXPECT_LT(platform::db::SpanishCompare(QStringLiteral("Lopez"), QStringLiteral("López")), 0);
    EXPECT_EQ(platform::db::SpanishCompareCI(QStringLiteral("LÓPEZ"), QStringLiteral("lopez")), 0);
    EXPECT_LT(platform::db::SpanishCompare(QStringLiteral("de la Fuente"), QStringLiteral("Delafuente")), 0);
}

// Rows written together (a copy) are stored as written, on the server in one message; one that
// breaks a unique key fails the lot, and the transaction rolls back to nothing.
TEST(BothEnginesTest, RowsInsertedTogetherAreStoredAndABrokenKeyFailsThemAll) {
    QTemporaryDir dir;
    auto conn = Session->FolderConnection(dir.path());
    conn->CreateTable(NamesTable());
    const QStringList cols{QStringLiteral("NUM"), QStringLiteral("NOMBRE")};
    const QStringList names = SpanishNames(2500);
    std::vector<platform::db::TRow> rows(size_t(names.size()));
    for (int i = 0; i < names.size(); ++i) rows[size_t(i)].Values = {QVariant(i + 1), QVariant(names[i])};
    conn->StartTransaction();
    const qint64 trips = platform::db::ServerRoundTrips();
    conn->InsertRows(QStringLiteral("NOMBRES"), cols, rows);
    // On the server a few (the table's description, the statement's preparing), not one a row.
    if (!platform::db::DataServer(dir.path()).isEmpty()) {
        EXPECT_LE(platform::db::ServerRoundTrips() - trips, 5);
    }
    conn->Commit();
    const QStringList stored = Walk(*conn, false);
    ASSERT_EQ(stored.size(), names.size());
    QStringList expected;
    for (int i = 0; i < names.size(); ++i) expected << names[i] + QLatin1Char('#') + QString::number(i + 1);
    std::sort(expected.begin(), expected.end());
    QStringList got = stored;
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);

    std::vector<platform::db::TRow> more(3);
    for (int i = 0; i < 3; ++i) more[size_t(i)].Values = {QVariant(5000 + i), QVariant(QStringLiteral("Nueva %1").arg(i))};
    more[2].Values[0] = QVariant(7);  // already stored
    conn->StartTransaction();
    EXPECT_EQ(EngineCode([&] { conn->InsertRows(QStringLiteral("NOMBRES"), cols, more); }), platform::db::ecKeyViolation);
    conn->Rollback();
    EXPECT_EQ(Walk(*conn, false).size(), names.size());
}

// A statement that fails inside a transaction undoes itself alone: what the transaction wrote
// before stays and is committed with what follows.
TEST(BothEnginesTest, AFailedStatementInsideATransactionUndoesOnlyItself) {
    QTemporaryDir dir;
    CreateSchema(dir.path());
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    exped->Open();
    auto conn = Session->FolderConnection(dir.path());
    conn->StartTransaction();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"));
    EXPECT_EQ(EngineCode([&] {
                  try {
                      AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"));
                  } catch (...) {
                      exped->Cancel();
                      throw;
                  }
              }),
              platform::db::ecKeyViolation);
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"));
    conn->Commit();
    exped->Refresh();
    EXPECT_EQ(exped->RecordCount(), 2);
}

// The server's connection dies under the workstation: the next action says so in Spanish,
// naming the server, nothing half-written remains, and the action after it works again.
TEST(BothEnginesTest, ALostServerConnectionIsNamedAndTheNextActionReconnects) {
    QTemporaryDir dir;
    const QString server = platform::db::DataServer(dir.path());
    if (server.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    CreateSchema(dir.path());
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    TQuery* pid = NewQuery(&owner, dir.path(), QStringLiteral("SELECT pg_backend_pid() AS PID"));
    pid->Open();
    const QByteArray backend = QByteArray::number(pid->Fields()->Fields(0)->AsInteger());
    pid->Close();

    // The edit is under way when the server ends the connection (a restart, a cut cable).
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(99);
    PGconn* admin = PQconnectdb(server.toUtf8().constData());
    ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
    PQclear(PQexec(admin, ("SELECT pg_terminate_backend(" + backend + ")").constData()));
    PQfinish(admin);
    QString message;
    EXPECT_EQ(EngineCode([&] { exped->Post(); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("servidor de datos 127.0.0.1:"))) << qPrintable(message);
    // The lock went with the connection: another cursor (as another workstation) takes the row,
    // and saving the edit again is refused until it lets go.
    TTable* otro = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    otro->Open();
    ASSERT_TRUE(otro->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    otro->Edit();
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), platform::db::ecRecordLocked);
    otro->Cancel();
    exped->Cancel();
    // The next action reconnects; the record is as it was.
    exped->Refresh();
    ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    EXPECT_DOUBLE_EQ(exped->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 10);
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(20);
    exped->Post();
    EXPECT_DOUBLE_EQ(exped->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 20);
}

// The server ends the session between two runs of the same queries: once the engine has
// connected again, the statements of the lost session are forgotten, and each query, the one kept
// prepared by its window and the one asked again by a new window, is prepared anew and runs; so
// do the engine's own statements behind an edit.
TEST(BothEnginesTest, QueriesRunBeforeALostConnectionArePreparedAgainAfterIt) {
    QTemporaryDir dir;
    const QString server = platform::db::DataServer(dir.path());
    if (server.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    CreateSchema(dir.path());
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"), 20);
    auto edita = [&](double importe) {
        ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
        exped->Edit();
        exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        exped->Post();
    };
    edita(11);
    TQuery* kept = NewQuery(&owner, dir.path(), QStringLiteral("SELECT NUMERO, IMPORTE FROM EXPED WHERE ANO = :A ORDER BY NUMERO"));
    kept->ParamByName(QStringLiteral("A"))->SetAsString(QStringLiteral("2024"));
    kept->Prepare();
    auto importes = [&] {
        kept->Close();
        kept->Open();
        QStringList r;
        for (kept->First(); !kept->Eof(); kept->Next()) r << kept->FieldByName(QStringLiteral("IMPORTE"))->AsString();
        return r;
    };
    ASSERT_EQ(importes(), QStringList({QStringLiteral("11"), QStringLiteral("20")}));
    const QString cuenta = QStringLiteral("SELECT COUNT(*) AS N, pg_backend_pid() AS PID FROM EXPED");
    auto nueva = [&] {
        std::unique_ptr<TQuery> q(NewQuery(nullptr, dir.path(), cuenta));
        q->Open();
        return std::pair<int, QByteArray>(q->FieldByName(QStringLiteral("N"))->AsInteger(),
                                          q->FieldByName(QStringLiteral("PID"))->AsString().toLatin1());
    };
    const QByteArray backend = nueva().second;

    PGconn* admin = PQconnectdb(server.toUtf8().constData());
    ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
    PQclear(PQexec(admin, ("SELECT pg_terminate_backend(" + backend + ")").constData()));
    PQfinish(admin);
    // The first action finds the connection gone; the next connects again.
    EXPECT_EQ(EngineCode([&] { nueva(); }), platform::db::ecServerLost);
    const auto otra = nueva();
    EXPECT_EQ(otra.first, 2);
    EXPECT_NE(otra.second, backend);
    // The kept query's statement was the lost session's.
    EXPECT_EQ(importes(), QStringList({QStringLiteral("11"), QStringLiteral("20")}));
    edita(12);
    EXPECT_EQ(importes(), QStringList({QStringLiteral("12"), QStringLiteral("20")}));
}

// A server that cannot be reached is named in a Spanish message when the data open.
TEST(BothEnginesTest, AnUnreachableServerIsNamed) {
    QTemporaryDir dir;
    QString message;
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), QStringLiteral("host=127.0.0.1 port=1 dbname=despacho connect_timeout=5")); },
                         &message),
              platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("No se puede conectar con el servidor de datos"))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("port=1"))) << qPrintable(message);
}

// The settings never carry the server's password, and a setting libpq cannot read says so.
TEST(BothEnginesTest, APasswordInTheSettingsIsRefused) {
    QTemporaryDir dir;
    QString message;
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), QStringLiteral("host=127.0.0.1 port=1 password=secreta")); }, &message),
              platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral(".pgpass"))) << qPrintable(message);
    EXPECT_FALSE(message.contains(QStringLiteral("secreta")));
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), QStringLiteral("host=127.0.0.1 puerto=5")); }, &message),
              platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no se entiende"))) << qPrintable(message);
}

// A unique key orders its rows alone; texts that differ only in case still tie in an order
// without case over an index that minds case, and the record identity tells them apart: a walk
// a row at a time, either way, sees each row once, counts it in its place and finds it again.
TEST(BothEnginesTest, RowsThatTieOnlyWithoutCaseAreWalkedOnceEachInAUniqueKeysOrder) {
    QTemporaryDir dir;
    auto conn = platform::db::OpenData(dir.path());
    TTableDesc d;
    d.Name = QStringLiteral("NOMBRES");
    d.Columns.push_back(TColumnDesc{QStringLiteral("NUM"), TColumnType::Integer, 0, true});
    d.Columns.push_back(TColumnDesc{QStringLiteral("NOMBRE"), TColumnType::Text, 60, false});
    d.Indexes.push_back(TIndexDesc{QString(), {QStringLiteral("NUM")}, true, true, false});
    d.Indexes.push_back(TIndexDesc{QStringLiteral("nombre"), {QStringLiteral("NOMBRE")}, false, true, false});
    conn->CreateTable(d);
    const QStringList names = {QStringLiteral("ana"), QStringLiteral("Bea"), QStringLiteral("ANA"), QStringLiteral("Ana"), QStringLiteral("bea")};
    for (int i = 0; i < names.size(); ++i)
        conn->Insert(QStringLiteral("NOMBRES"), {QStringLiteral("NUM"), QStringLiteral("NOMBRE")}, {QVariant(i + 1), QVariant(names[i])});
    TCursorSpec s;
    s.Table = QStringLiteral("NOMBRES");
    s.Columns = {QStringLiteral("NOMBRE"), QStringLiteral("NUM")};
    s.OrderCols = {0};
    auto walk = [&](bool forward) {
        QStringList out;
        platform::db::TRow last;
        for (bool first = true;; first = false) {
            const std::vector<platform::db::TRow> rows = conn->Fetch(s, first ? nullptr : &last, forward, 1);
            if (rows.empty()) return out;
            last = rows[0];
            out << last.Values[0].toString() + QLatin1Char('#') + last.Values[1].toString();
            // Its place in the order and a search for its key agree with the walk.
            if (forward) {
                EXPECT_EQ(conn->CountBefore(s, last), out.size() - 1) << out.join(QLatin1Char(' ')).toStdString();
            }
            platform::db::TRow found;
            EXPECT_TRUE(conn->Seek(s, {last.Values[0]}, true, found));
            EXPECT_EQ(found.Values[0].toString().compare(last.Values[0].toString(), s.CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive), 0);
        }
    };
    auto reversed = [](QStringList l) {
        std::reverse(l.begin(), l.end());
        return l;
    };
    // By the unique index that minds case: capitals first, each name its own key.
    const QStringList bycase = {QStringLiteral("ANA#3"), QStringLiteral("Ana#4"), QStringLiteral("ana#1"), QStringLiteral("Bea#2"), QStringLiteral("bea#5")};
    EXPECT_EQ(walk(true), bycase);
    EXPECT_EQ(walk(false), reversed(bycase));
    // Without case the three "ana" tie: they come in the order they were written.
    s.CaseInsensitive = true;
    const QStringList nocase = {QStringLiteral("ana#1"), QStringLiteral("ANA#3"), QStringLiteral("Ana#4"), QStringLiteral("Bea#2"), QStringLiteral("bea#5")};
    EXPECT_EQ(walk(true), nocase);
    EXPECT_EQ(walk(false), reversed(nocase));
}

// Columns another program declared to sort without case and accents, or by their bytes: a
// change of case or of an accent alone, made by another user while a record is edited, is seen
// when the edit is saved, on every column; a record nobody touched saves.
TEST(BothEnginesTest, AChangeOfCaseOrAccentAloneIsSeenWhateverTheColumnSortsBy) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString server = platform::db::DataServer(folder);
    if (server.isEmpty()) {
        platform::db::OpenSqlite(folder);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(QDir(folder).filePath(QStringLiteral("zembra.db"))).constData(), &db), SQLITE_OK);
        platform::db::RegisterSqliteFunctions(db);
        EXPECT_EQ(sqlite3_exec(db, "CREATE TABLE nombres (NUM INTEGER, NOMBRE TEXT(30) COLLATE ZBES_CI, "
                                   "APODO TEXT(30) COLLATE NOCASE, CIUDAD TEXT(30) COLLATE ZBES)", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    } else {
        TTableDesc d;
        d.Name = QStringLiteral("NOMBRES");
        d.Columns.push_back(TColumnDesc{QStringLiteral("NUM"), TColumnType::Integer, 0, false});
        for (const char* c : {"NOMBRE", "APODO", "CIUDAD"}) d.Columns.push_back(TColumnDesc{QString::fromLatin1(c), TColumnType::Text, 30, false});
        platform::db::OpenData(folder)->CreateTable(d);
        PGconn* admin = PQconnectdb(server.toUtf8().constData());
        ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
        PGresult* r = PQexec(admin, "ALTER TABLE nombres ALTER COLUMN nombre TYPE text COLLATE zb_es_ci, "
                                    "ALTER COLUMN apodo TYPE text COLLATE \"C\"");
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(admin);
        PQclear(r);
        PQfinish(admin);
    }
    TComponent owner(nullptr);
    TTable* t = NewTable(&owner, folder, QStringLiteral("NOMBRES"));
    t->Open();
    t->Append();
    t->FieldByName(QStringLiteral("NUM"))->SetAsInteger(1);
    t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Peña"));
    t->FieldByName(QStringLiteral("APODO"))->SetAsString(QStringLiteral("Ruiz"));
    t->FieldByName(QStringLiteral("CIUDAD"))->SetAsString(QStringLiteral("Avila"));
    t->Post();
    TQuery* otro = NewQuery(&owner, folder, QString());
    int n = 1;
    for (const char* cambio : {"NOMBRE = 'PEÑA'", "NOMBRE = 'PENA'", "APODO = 'RUIZ'", "APODO = 'RUÍZ'", "CIUDAD = 'Ávila'",
                               "CIUDAD = 'ÁVILA'"}) {
        t->Refresh();
        ASSERT_TRUE(t->Locate(QStringLiteral("NUM"), Variant(n), 0));
        t->Edit();
        t->FieldByName(QStringLiteral("NUM"))->SetAsInteger(++n);
        otro->SQL()->SetText(QStringLiteral("UPDATE NOMBRES SET %1").arg(QString::fromUtf8(cambio)));
        otro->ExecSQL();
        EXPECT_EQ(EngineCode([&] { t->Post(); }), platform::db::ecRecordChanged) << cambio;
        t->Cancel();
        --n;
        // Read again, it saves.
        t->Refresh();
        ASSERT_TRUE(t->Locate(QStringLiteral("NUM"), Variant(n), 0));
        t->Edit();
        t->FieldByName(QStringLiteral("NUM"))->SetAsInteger(++n);
        EXPECT_EQ(EngineCode([&] { t->Post(); }), 0) << cambio;
    }
    t->Refresh();
    ASSERT_TRUE(t->Locate(QStringLiteral("NUM"), Variant(n), 0));
    EXPECT_EQ(t->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("PENA"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("APODO"))->AsString(), QStringLiteral("RUÍZ"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("CIUDAD"))->AsString(), QStringLiteral("ÁVILA"));
}
