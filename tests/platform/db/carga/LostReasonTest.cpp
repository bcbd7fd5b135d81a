// The lost-server message of a connection the engine gave up says why: the wait that ran out, so
// the person and the log tell a silent network from a fault in the data. Short waits.
#include "../Support.h"
#include "tests/support/Relay.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;

TEST(LostReasonTest, AReadOnAFrozenLinkNamesTheWaitThatRanOut) {
    QTemporaryDir dir;
    const QString direct = platform::db::DataServer(dir.path());
    if (direct.isEmpty()) GTEST_SKIP() << "runs on the test server";
    qputenv("ZEMBRA_ESPERA_CONEXION", "2");
    qputenv("ZEMBRA_ESPERA_RESPUESTA", "1");
    CreateSchema(dir.path());
    int port = 0;
    testsupport::ThroughPort(direct, 0, &port);
    testsupport::TRelay relay(port);
    auto desk = platform::db::OpenPostgres(dir.path(), testsupport::ThroughPort(direct, relay.Port(), nullptr, "connect_timeout"));
    platform::db::TCursorSpec all;
    all.Table = QStringLiteral("EXPED");
    all.Columns = QStringList{QStringLiteral("NUMERO")};
    EXPECT_EQ(desk->Count(all), 0);
    relay.Freeze();
    QString message;
    EXPECT_EQ(EngineCode([&] { desk->Count(all); }, &message), platform::db::ecServerLost);
    EXPECT_TRUE(message.contains(QStringLiteral("no ha respondido"))) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral(" 1 s"))) << qPrintable(message);
    relay.Pass();
    EXPECT_EQ(desk->Count(all), 0);
    qunsetenv("ZEMBRA_ESPERA_CONEXION");
    qunsetenv("ZEMBRA_ESPERA_RESPUESTA");
}
