// A desk whose link to the server goes silent (a relay that stops passing bytes stands for a
// frozen network): its action ends in the lost-server message within the wait, a start says
// so within the connection's wait, and a desk frozen inside a transaction stops the others'
// writes for no longer than the idle wait. The waits are made short here.
#include "EnlaceFixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <libpq-fe.h>

using namespace dbtest;

namespace {

constexpr int kConnect = 2, kAnswer = 2, kIdle = 3;

class FrozenLinkTest : public TEnlaceTest {
protected:
    FrozenLinkTest() : TEnlaceTest(kConnect, kAnswer, kIdle) {}
};

}  // namespace

// An action on a frozen link ends, within the answer's wait and the connection's, in the
// lost-server message; once the link passes again the next action works.
TEST_F(FrozenLinkTest, AnActionOnAFrozenLinkEndsInTheLostServerMessageWithinTheWait) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    Add(*desk, QStringLiteral("1"));
    relay->Freeze();
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { Count(*desk); }, &message), platform::db::ecServerLost);
    EXPECT_LT(t.elapsed(), (kAnswer + kConnect + 3) * 1000);
    EXPECT_GE(t.elapsed(), kAnswer * 1000 - 100);
    EXPECT_TRUE(message.contains(QString::fromUtf8("Se ha perdido la conexión"))) << qPrintable(message);
    // The way out of that failure reads nothing on the dead link: no new connection is waited for.
    desk->SetNoReconnect(true);
    t.restart();
    EXPECT_EQ(EngineCode([&] { Count(*desk); }), platform::db::ecServerLost);
    EXPECT_LT(t.elapsed(), 1000);
    desk->SetNoReconnect(false);
    relay->Pass();
    EXPECT_EQ(Count(*desk), 1);
    // Also while sending a text larger than what the link's buffers take in, when the office
    // turned off the system's bound on unsent data.
    auto sender = platform::db::OpenPostgres(dir.path(), viaRelay + QStringLiteral(" tcp_user_timeout=0"));
    sender->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("OBSERVACIONES")},
                   {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("2")), QVariant(QStringLiteral("-"))});
    relay->Freeze();
    t.restart();
    EXPECT_EQ(EngineCode([&] {
                  sender->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("OBSERVACIONES")},
                               {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("3")), QVariant(QString(16 << 20, QLatin1Char('x')))});
              }),
              platform::db::ecServerLost);
    EXPECT_LT(t.elapsed(), (kAnswer + kConnect + 3) * 1000);
    relay->Pass();
    EXPECT_EQ(Count(*desk), 2);
}

// A statement that runs longer than the answer's wait on a link that works is not cut: the
// server, asked on a connection of its own, says it still works on it.
TEST_F(FrozenLinkTest, AStatementLongerThanTheWaitOnAWorkingLinkIsNotCut) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    auto st = desk->Prepare(QStringLiteral("SELECT pg_sleep(%1)").arg(kAnswer * 2 + 1));
    EXPECT_EQ(EngineCode([&] { st->Step(); }), 0);
}

// A start during a freeze says it cannot reach the server within the connection's wait; a
// wait the office's setting names stands over the program's.
TEST_F(FrozenLinkTest, AStartDuringAFreezeIsToldWithinTheConnectionWait) {
    relay->Freeze();
    QElapsedTimer t;
    t.start();
    QString message;
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), viaRelay); }, &message), platform::db::ecServerLost);
    EXPECT_LT(t.elapsed(), (kConnect + 2) * 1000);
    EXPECT_TRUE(message.contains(QStringLiteral("No se puede conectar con el servidor de datos"))) << qPrintable(message);
    t.restart();
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), viaRelay + QStringLiteral(" connect_timeout=5")); }),
              platform::db::ecServerLost);
    EXPECT_GE(t.elapsed(), 4500);
}

// A desk frozen inside a transaction holds the writer lock only until the server ends its idle
// session: another desk then writes its case file; the frozen one, on waking, is told its last
// operation was not saved, and nothing of it is stored.
TEST_F(FrozenLinkTest, ADeskFrozenInsideATransactionLosesTheWriterLockWithinTheIdleWait) {
    auto frozen = platform::db::OpenPostgres(dir.path(), viaRelay);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    frozen->StartTransaction();
    Add(*frozen, QStringLiteral("1"));
    relay->Freeze();
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(EngineCode([&] {
                  other->StartTransaction();
                  Add(*other, QStringLiteral("2"));
                  other->Commit();
              }),
              0);
    EXPECT_LT(t.elapsed(), (kIdle + 3) * 1000);
    relay->Pass();
    QString message;
    EXPECT_EQ(EngineCode([&] { frozen->Commit(); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_EQ(Count(*other), 1);
    EXPECT_EQ(Count(*frozen), 1);
}

// A record kept in edit far longer than the idle wait stays locked to its desk: editing holds
// no transaction, so the server has no idle session to end.
TEST_F(FrozenLinkTest, ARecordKeptInEditLongerThanTheIdleWaitStaysLocked) {
    TComponent owner(nullptr);
    TTable* exped = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(20);
    QThread::msleep((kIdle * 2) * 1000);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    platform::db::TCursorSpec all;
    all.Table = QStringLiteral("EXPED");
    all.Columns = QStringList{QStringLiteral("NUMERO")};
    const auto rows = other->Fetch(all, nullptr, true, 5);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(other->LockRecord(QStringLiteral("EXPED"), rows[0].Id, this));
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), 0);
    EXPECT_TRUE(other->LockRecord(QStringLiteral("EXPED"), rows[0].Id, this));
}

// A desk idle while the server restarts does its first action afterwards without a word.
TEST_F(FrozenLinkTest, AnIdleDeskWorksAtItsFirstActionAfterARestart) {
    auto desk = platform::db::OpenPostgres(dir.path(), direct);
    Add(*desk, QStringLiteral("1"));
    QProcess restart;
    restart.start(QStringLiteral("bash"), {QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh"), QStringLiteral("restart"),
                                           QFileInfo(qEnvironmentVariable("ZEMBRA_TEST_SERVIDOR")).absolutePath()});
    ASSERT_TRUE(restart.waitForFinished(120000));
    ASSERT_EQ(restart.exitCode(), 0) << restart.readAllStandardError().constData();
    QString message;
    EXPECT_EQ(EngineCode([&] { EXPECT_EQ(Count(*desk), 1); }, &message), 0) << qPrintable(message);
}

// The answer to a commit is lost on the way although the server finished it: asked on a new
// connection, the server says so, and the commit is reported saved, stored once. A statement
// whose answer is lost before the commit leaves the transaction unsaved, and is told so.
TEST_F(FrozenLinkTest, ACommitWhoseAnswerIsLostIsReportedSavedOnlyWhenTheServerFinishedIt) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    auto other = platform::db::OpenPostgres(dir.path(), direct);
    desk->StartTransaction();
    Add(*desk, QStringLiteral("1"));
    relay->LoseAnswers();
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }), 0);
    EXPECT_FALSE(desk->InTransaction());
    EXPECT_EQ(Count(*other), 1);

    EXPECT_EQ(Count(*desk), 1);  // on a new connection
    desk->StartTransaction();
    Add(*desk, QStringLiteral("2"));
    relay->LoseAnswers();
    QString message;
    EXPECT_EQ(EngineCode([&] { Add(*desk, QStringLiteral("3")); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_FALSE(desk->InTransaction());
    EXPECT_EQ(Count(*desk), 1);
}

// A connection given up under a statement nobody waits on (freeing a record lock) inside a
// transaction: the next action says the work was lost instead of going on, outside the
// transaction, on a new connection.
TEST_F(FrozenLinkTest, AConnectionGivenUpWhileFreeingALockInsideATransactionIsToldAtTheNextAction) {
    auto desk = platform::db::OpenPostgres(dir.path(), viaRelay);
    const qint64 id = Add(*desk, QStringLiteral("1"));
    desk->StartTransaction();
    Add(*desk, QStringLiteral("2"));
    ASSERT_TRUE(desk->LockRecord(QStringLiteral("EXPED"), id, this));
    relay->Freeze();
    desk->UnlockRecord(QStringLiteral("EXPED"), id, this);
    relay->Pass();
    QString message;
    EXPECT_EQ(EngineCode([&] { Add(*desk, QStringLiteral("3")); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_FALSE(desk->InTransaction());
    EXPECT_EQ(Count(*desk), 1);
}
