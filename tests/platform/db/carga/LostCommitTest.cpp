// A commit that reaches the server and whose answer is lost (a link cut just after it, a server
// restarted under it) is told as it ended: saved when the server committed it, not saved when it
// did not, unknown while the server cannot be asked, and then settled at the next connection;
// a record stored so is never written twice by pressing OK again. The waits are made short here.
#include "EnlaceFixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>
#include <gtest/gtest.h>
#include <thread>

using namespace dbtest;
using platform::db::TWriteOutcome;

namespace {

constexpr int kConnect = 2, kAnswer = 2, kIdle = 5;
// The action's bound: the answer's wait and a connection's, and a second of slack.
constexpr int kBoundMs = (kAnswer + kConnect + 1) * 1000;

class LostCommitTest : public TEnlaceTest {
protected:
    LostCommitTest() : TEnlaceTest(kConnect, kAnswer, kIdle) {}
    void SetUp() override {
        TEnlaceTest::SetUp();
        platform::db::OnWriteSettled = [this](const QString& m) { told << m; };
    }
    void TearDown() override {
        platform::db::OnWriteSettled = nullptr;
        if (passer.joinable()) passer.join();
        TEnlaceTest::TearDown();
    }
    // A desk's folder whose data the datasets reach through the relay (the schema's folder keeps
    // its direct connection).
    QString DeskFolder() {
        platform::db::SetDataServer(deskDir.path(), viaRelay);
        return deskDir.path();
    }
    // The relay passes again after `ms`, from another thread.
    void PassAfter(int ms) {
        passer = std::thread([this, ms] {
            while (relay->CommitsLetThrough() == 0) QThread::msleep(5);
            QThread::msleep(ms);
            relay->Pass();
        });
    }
    QTemporaryDir deskDir;
    std::thread passer;
    QStringList told;
};

}  // namespace

// The link is cut just after the COMMIT reached the server and comes back within the bound:
// the desk reconnects, asks, and the save is reported saved, stored once.
TEST_F(LostCommitTest, ACommitWhoseAnswerIsLostIsToldSavedWhenTheLinkComesBackWithinTheBound) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    relay->LoseCommitAnswer(true);
    PassAfter(1000);
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), 0) << qPrintable(message);
    EXPECT_LT(t.elapsed(), kBoundMs);
    EXPECT_FALSE(desk->InTransaction());
    EXPECT_EQ(Count(*other), 1);
    EXPECT_EQ(Count(*desk), 1);
    EXPECT_TRUE(told.isEmpty()) << qPrintable(told.join(u'\n'));
}

// The link stays cut: the desk says it does not know (never "no se ha guardado") within the
// bound; at the next connection the engine settles it and tells which operation was saved.
TEST_F(LostCommitTest, ACommitWhoseAnswerIsLostOnALinkCutForGoodIsToldUnknownThenSettledAtTheNextConnection) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    const qint64 ticket = desk->WriteTicket();
    relay->LoseCommitAnswer(true);
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), platform::db::ecOutcomeUnknown);
    EXPECT_LT(t.elapsed(), kBoundMs);
    EXPECT_TRUE(message.contains(QStringLiteral("No se sabe si se ha guardado"))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("EXPED"))) << qPrintable(message);
    EXPECT_FALSE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_EQ(desk->WriteOutcome(ticket), TWriteOutcome::Unknown);
    EXPECT_TRUE(told.isEmpty());

    relay->Pass();
    EXPECT_EQ(Count(*desk), 1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("sí se guardó"))) << qPrintable(told[0]);
    EXPECT_TRUE(told[0].contains(QStringLiteral("EXPED"))) << qPrintable(told[0]);
    qint64 row = 0;
    EXPECT_EQ(desk->WriteOutcome(ticket, QStringLiteral("EXPED"), &row), TWriteOutcome::Saved);
    EXPECT_NE(row, 0);
}

// The link freezes just after the COMMIT reached the server, for every connection: past the
// answer's wait the desk cannot ask, and says it does not know, within the bound (the answer's
// wait, a connection's, and one more try); when the link passes again, it settles and tells.
TEST_F(LostCommitTest, ACommitOnALinkThatFreezesIsToldUnknownWithinTheBoundAndSettledWhenItPasses) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    relay->LoseCommitAnswer(false);
    passer = std::thread([this] {
        while (relay->CommitsLetThrough() == 0) QThread::msleep(5);
        relay->Freeze();
    });
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), platform::db::ecOutcomeUnknown) << qPrintable(message);
    EXPECT_LT(t.elapsed(), kBoundMs + 3000);
    EXPECT_FALSE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    passer.join();
    relay->Pass();
    EXPECT_EQ(Count(*desk), 1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("sí se guardó"))) << qPrintable(told[0]);
}

// A COMMIT that never reaches the server: the session still holding the transaction is ended,
// and the desk is told its operation was not saved; nothing is stored.
TEST_F(LostCommitTest, ACommitThatNeverReachesTheServerIsToldNotSaved) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    relay->LoseRequests();
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), platform::db::ecServerLost);
    EXPECT_LT(t.elapsed(), kBoundMs);
    EXPECT_TRUE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_EQ(Count(*other), 0);
    // Its writer lock went with the session: another desk writes at once, not after the idle wait.
    t.restart();
    other->StartTransaction();
    Add(*other, QStringLiteral("2"));
    other->Commit();
    EXPECT_LT(t.elapsed(), 1000);
}

// A post outside a transaction commits in a message of its own: its answer lost on a link cut
// for good, it is told unknown; the link back, the same post again is not written twice.
TEST_F(LostCommitTest, APostWhoseCommitAnswerIsLostIsNotWrittenTwiceWhenPostedAgain) {
    const QString desk = DeskFolder();
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, desk, QStringLiteral("EXPED"));
    exped->Open();
    exped->Append();
    exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("7"));
    relay->LoseCommitAnswer(true);
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), platform::db::ecOutcomeUnknown);
    EXPECT_EQ(exped->State(), dsInsert);
    relay->Pass();
    exped->Post();
    EXPECT_EQ(exped->State(), dsBrowse);
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("7"));
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    EXPECT_EQ(Count(*other), 1);
}

// A numbered post of three rows in one transaction (a client, its case file and a ledger entry,
// each numbered from the highest stored) whose commit's answer is lost: stored once; OK
// pressed again, when the server answers, stores nothing twice and shows the rows stored.
TEST_F(LostCommitTest, ANumberedPostOfThreeRowsWhoseAnswerIsLostIsStoredOnceAndOkAgainStoresNothingTwice) {
    const QString desk = DeskFolder();
    TComponent owner(nullptr);
    TTable* cli = NewTable(&owner, desk, QStringLiteral("CLIENTES"));
    TQuery* mayor = NewQuery(&owner, desk, QStringLiteral("SELECT MAX(CLIENTE) FROM CLIENTES"));
    cli->Open();
    platform::db::TConnection* conn = cli->Connection();
    // As the forms number a post: the transaction opens before it, the number and the other rows
    // go in it, and it commits at the post's end.
    cli->BeforePost = TDataSetNotifyEvent([&](TDataSet* ds) {
        conn->StartTransaction();
        mayor->Open();
        const int n = mayor->Fields()->Fields(0)->AsInteger() + 1;
        mayor->Close();
        ds->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(n);
        conn->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("CLIENTE")},
                     {QVariant(QStringLiteral("2026")), QVariant(QString::number(n)), QVariant(n)});
        conn->Insert(QStringLiteral("CUENTAS"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("ORDEN")},
                     {QVariant(QStringLiteral("2026")), QVariant(QString::number(n)), QVariant(n)});
        ds->BindToPost([conn](bool written) {
            if (written) conn->Commit();
            else if (conn->InTransaction()) conn->Rollback();
        });
    });
    auto ok = [&] {
        if (cli->State() != dsInsert) {
            cli->Append();
            cli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Pérez"));
        }
        cli->Post();
    };
    relay->LoseCommitAnswer(true);
    EXPECT_EQ(EngineCode(ok), platform::db::ecOutcomeUnknown);
    relay->Pass();
    QString message;
    EXPECT_EQ(EngineCode(ok, &message), 0) << qPrintable(message);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    for (const char* t : {"CLIENTES", "EXPED", "CUENTAS"}) EXPECT_EQ(Count(*other, QString::fromLatin1(t)), 1) << t;
    EXPECT_EQ(cli->State(), dsBrowse);
    EXPECT_EQ(cli->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    // A third OK is a new operation again.
    EXPECT_EQ(EngineCode(ok), 0);
    EXPECT_EQ(Count(*other, QStringLiteral("CLIENTES")), 2);
}

// A dataset whose edit was in a transaction whose answer was lost, and which then takes a new
// entry: the new entry is its own, written as any other, not taken for the edit stored before.
TEST_F(LostCommitTest, ANewEntryAfterAnEditWhoseAnswerWasLostIsWrittenAsItsOwn) {
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    const qint64 first = Add(*other, QStringLiteral("1"));
    const QString desk = DeskFolder();
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, desk, QStringLiteral("EXPED"));
    exped->Open();
    platform::db::TConnection* conn = exped->Connection();
    conn->StartTransaction();
    exped->Edit();
    exped->FieldByName(QStringLiteral("ASUNTO"))->SetAsString(QStringLiteral("Reclamación"));
    exped->Post();
    relay->LoseCommitAnswer(true);
    EXPECT_EQ(EngineCode([&] { conn->Commit(); }), platform::db::ecOutcomeUnknown);
    relay->Pass();
    exped->Append();
    exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("2"));
    QString message;
    EXPECT_EQ(EngineCode([&] { exped->Post(); }, &message), 0) << qPrintable(message);
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("2"));
    EXPECT_EQ(Count(*other), 2);
    platform::db::TCursorSpec asunto;
    asunto.Table = QStringLiteral("EXPED");
    asunto.Columns = QStringList{QStringLiteral("ASUNTO")};
    platform::db::TRow row;
    ASSERT_TRUE(other->FetchById(asunto, first, row));
    EXPECT_EQ(row.Values[0].toString(), QStringLiteral("Reclamación"));
}

// A new entry posted inside a transaction whose commit was told unknown, then settled saved:
// that transaction is the application's to settle; the dataset's next entry is written as its
// own, not taken for the one stored before.
TEST_F(LostCommitTest, ANewEntryAfterATransactionSettledSavedIsWrittenAsItsOwn) {
    const QString desk = DeskFolder();
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, desk, QStringLiteral("EXPED"));
    exped->Open();
    platform::db::TConnection* conn = exped->Connection();
    auto entry = [&](const char* numero) {
        exped->Append();
        exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(numero));
        exped->Post();
    };
    conn->StartTransaction();
    entry("1");
    const qint64 ticket = conn->WriteTicket();
    relay->LoseCommitAnswer(true);
    EXPECT_EQ(EngineCode([&] { conn->Commit(); }), platform::db::ecOutcomeUnknown);
    relay->Pass();
    EXPECT_EQ(conn->WriteOutcome(ticket), TWriteOutcome::Saved);
    QString message;
    EXPECT_EQ(EngineCode([&] { entry("2"); }, &message), 0) << qPrintable(message);
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("2"));
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    EXPECT_EQ(Count(*other), 2);
}

// A server that crashes while a COMMIT it never received waits: the transaction's number may be
// given again after the restart, to another that commits. The desk is told not saved all the same.
TEST_F(LostCommitTest, ACommitLostInACrashIsToldNotSavedThoughItsNumberWasGivenAgain) {
    qputenv("ZEMBRA_ESPERA_CONEXION", "5");  // a restart takes a few seconds
    auto value = [&](const char* sql) {       // on a session of its own, straight to the server
        PGconn* c = PQconnectdb(direct.toUtf8().constData());
        PGresult* r = PQexec(c, sql);
        const QByteArray v = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 ? QByteArray(PQgetvalue(r, 0, 0)) : QByteArray();
        PQclear(r);
        PQfinish(c);
        return v;
    };
    // The log of a transaction not committed stays unwritten a while: the crash loses its number.
    value("ALTER SYSTEM SET wal_writer_delay = '10s'");
    value("SELECT pg_reload_conf()");
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    const QByteArray xid = value("SELECT backend_xid FROM pg_stat_activity WHERE backend_xid IS NOT NULL AND pid <> pg_backend_pid()");
    relay->LoseRequests();
    const QString cluster = QFileInfo(qEnvironmentVariable("ZEMBRA_TEST_SERVIDOR")).absolutePath();
    int restarted = -1;
    QByteArray reused;
    passer = std::thread([&] {
        QThread::msleep(200);
        restarted = std::system(QStringLiteral("bash '" ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh' restart '%1' immediate").arg(cluster).toUtf8().constData());
        // Numbers taken and committed up to the desk's, when the server gives it again.
        value(("DO $$ DECLARE x bigint; BEGIN LOOP x := pg_current_xact_id()::text::bigint & 4294967295; COMMIT; EXIT WHEN x >= " + xid +
               "; END LOOP; END $$")
                  .constData());
        reused = value(("SELECT pg_xact_status('" + xid + "'::xid8)").constData());
        relay->Pass();
    });
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), platform::db::ecServerLost) << qPrintable(message);
    passer.join();
    value("ALTER SYSTEM RESET wal_writer_delay");
    value("SELECT pg_reload_conf()");
    EXPECT_EQ(restarted, 0);
    EXPECT_FALSE(xid.isEmpty());
    if (reused != "committed") std::printf("the crash kept the number %s: not given again this time\n", xid.constData());
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    EXPECT_EQ(Count(*other), 0);
}

// The server restarted as a crash would (immediate), right after a COMMIT reached it: the desk
// waits for it within the bound, asks, and reports the save saved.
TEST_F(LostCommitTest, AServerRestartedImmediatelyAfterACommitIsToldSaved) {
    qputenv("ZEMBRA_ESPERA_CONEXION", "5");  // a restart takes a few seconds
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    relay->LoseCommitAnswer(false);
    const QString cluster = QFileInfo(qEnvironmentVariable("ZEMBRA_TEST_SERVIDOR")).absolutePath();
    int restarted = -1;
    passer = std::thread([&] {
        while (relay->CommitsLetThrough() == 0) QThread::msleep(5);
        QThread::msleep(100);
        restarted = std::system(QStringLiteral("bash '" ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh' restart '%1' immediate").arg(cluster).toUtf8().constData());
    });
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), 0) << qPrintable(message);
    EXPECT_LT(t.elapsed(), (kAnswer + 5 + 1) * 1000);
    passer.join();
    EXPECT_EQ(restarted, 0);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    EXPECT_EQ(Count(*other), 1);
}
