// The server engine on a link that breaks: a desk idle while its connection ended goes on at
// its first action, one that held something there is told; a text the server cannot hold and a
// password file libpq ignores are told in words a person can act on.
#include "Support.h"
#include "tests/support/Relay.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace dbtest;

namespace {

class ServerLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = platform::db::DataServer(dir.path());
        if (server.isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
        CreateSchema(dir.path());
        int port = 0;
        testsupport::ThroughPort(server, 0, &port);
        relay = std::make_unique<testsupport::TRelay>(port);
        desk = platform::db::OpenPostgres(dir.path(), testsupport::ThroughPort(server, relay->Port()));
        id = desk->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                          {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("1"))});
    }
    qint64 Count(platform::db::TConnection& c) {
        platform::db::TCursorSpec all;
        all.Table = QStringLiteral("EXPED");
        all.Columns = QStringList{QStringLiteral("ANO"), QStringLiteral("NUMERO")};
        return c.Count(all);
    }
    // Cuts the link and lets the ends see it.
    void Cut() {
        relay->Cut();
        QThread::msleep(200);
    }
    QTemporaryDir dir;
    QString server;
    std::unique_ptr<testsupport::TRelay> relay;
    std::shared_ptr<platform::db::TConnection> desk;
    qint64 id = 0;
};

}  // namespace

// A desk idle while its connection ended (a server restart, a cut) does its next action on a
// new connection without a word; one that kept a transaction or a record lock there is told
// it lost them, and goes on at the action after.
TEST_F(ServerLinkTest, AnIdleDeskGoesOnAfterACutAndADeskThatHeldSomethingIsTold) {
    Cut();
    EXPECT_EQ(EngineCode([&] { EXPECT_EQ(Count(*desk), 1); }), 0);
    Cut();
    EXPECT_EQ(EngineCode([&] {
                  desk->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                               {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("2"))});
              }),
              0);
    EXPECT_EQ(Count(*desk), 2);

    desk->StartTransaction();
    desk->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                 {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("3"))});
    Cut();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Commit(); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no se ha guardado"))) << qPrintable(message);
    EXPECT_FALSE(desk->InTransaction());
    EXPECT_EQ(Count(*desk), 2);

    ASSERT_TRUE(desk->LockRecord(QStringLiteral("EXPED"), id, this));
    Cut();
    EXPECT_EQ(EngineCode([&] { Count(*desk); }), platform::db::ecServerLost);
    EXPECT_EQ(Count(*desk), 2);
}

// The server cannot keep a character zero in a text: the post is refused, naming the field,
// and nothing is stored (an update leaves the text as it was).
TEST_F(ServerLinkTest, ATextWithACharacterZeroIsRefusedNamingTheField) {
    const QString zero = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QString message;
    EXPECT_EQ(EngineCode([&] {
                  desk->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("ASUNTO")},
                               {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("9")), QVariant(zero)});
              }, &message),
              platform::db::ecInvalidRequest);
    EXPECT_TRUE(message.contains(QStringLiteral("ASUNTO"))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QString::fromUtf8("carácter nulo"))) << qPrintable(message);
    EXPECT_EQ(Count(*desk), 1);
    EXPECT_EQ(EngineCode([&] {
                  desk->Update(QStringLiteral("EXPED"), id, {QStringLiteral("OBSERVACIONES")}, {QVariant()}, {QVariant(zero)});
              }, &message),
              platform::db::ecInvalidRequest);
    EXPECT_TRUE(message.contains(QStringLiteral("OBSERVACIONES"))) << qPrintable(message);
    platform::db::TCursorSpec memo;
    memo.Table = QStringLiteral("EXPED");
    memo.Columns = QStringList{QStringLiteral("OBSERVACIONES")};
    const auto rows = desk->Fetch(memo, nullptr, true, 5);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].Values[0].isNull());
}

// A statement's parameter with a character zero is refused too, naming the parameter: sent cut,
// an UPDATE would store "ab" and a condition would find other rows. Nothing is written.
TEST_F(ServerLinkTest, AStatementParameterWithACharacterZeroIsRefusedAndNothingIsStored) {
    const QString zero = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    auto st = desk->Prepare(desk->TranslateSql(QStringLiteral("UPDATE EXPED SET ASUNTO = :ASUNTO WHERE NUMERO = :NUMERO")));
    st->Bind(0, QVariant(zero));
    st->Bind(1, QVariant(QStringLiteral("1")));
    QString message;
    EXPECT_EQ(EngineCode([&] { st->Step(); }, &message), platform::db::ecInvalidRequest);
    EXPECT_TRUE(message.contains(QString::fromUtf8("carácter nulo"))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("ASUNTO"))) << qPrintable(message);
    auto read = desk->Prepare(desk->TranslateSql(QStringLiteral("SELECT ASUNTO FROM EXPED WHERE NUMERO = '1'")));
    ASSERT_TRUE(read->Step());
    EXPECT_TRUE(read->Column(0).isNull()) << qPrintable(read->Column(0).toString());
    // The same text without it goes through.
    st->Reset();
    st->Bind(0, QVariant(QStringLiteral("ab")));
    EXPECT_EQ(EngineCode([&] { st->Step(); }), 0);
}

// A password file others may read is ignored by libpq, which says so only on standard error:
// the message names the file and the way to mend it. A server that asks for a password stands in.
TEST(ServerPasswordTest, APasswordFileOthersMayReadIsNamedWithItsRemedy) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::listen(listener, 4);
    socklen_t n = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &n);
    // Two attempts: each reads the start-up message and asks for a clear-text password.
    std::thread asker([listener] {
        for (int i = 0; i < 2; ++i) {
            const int c = ::accept(listener, nullptr, nullptr);
            if (c < 0) return;
            char buf[1024];
            (void)!::read(c, buf, sizeof buf);
            const char ask[] = {'R', 0, 0, 0, 8, 0, 0, 0, 3};
            (void)!::write(c, ask, sizeof ask);
            (void)!::read(c, buf, sizeof buf);
            ::close(c);
        }
    });
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pgpass"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("*:*:*:*:secreta\n");
    f.close();
    qputenv("PGPASSFILE", QFile::encodeName(file));
    const QString server = QStringLiteral("host=127.0.0.1 port=%1 dbname=despacho user=abogado sslmode=disable gssencmode=disable")
                               .arg(ntohs(a.sin_port));
    QString message;
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), server); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QString::fromUtf8("fichero de contraseñas %1 no se usa").arg(file))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("chmod 600 %1").arg(file))) << qPrintable(message);
    // The user's alone: libpq sends the password, and the message is about something else.
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(EngineCode([&] { platform::db::OpenPostgres(dir.path(), server); }, &message), platform::db::ecServerLost);
    EXPECT_FALSE(message.contains(QStringLiteral("chmod"))) << qPrintable(message);
    qunsetenv("PGPASSFILE");
    asker.join();
    ::close(listener);
}
