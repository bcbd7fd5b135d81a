#pragma once
// A desk on the test server through a relay that can freeze, cut or lose what passes, with the
// engine's waits made short (seconds, given by each suite).
#include "../Support.h"
#include "tests/support/Relay.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace dbtest {

class TEnlaceTest : public ::testing::Test {
protected:
    TEnlaceTest(int connect, int answer, int idle) : FConnect(connect), FAnswer(answer), FIdle(idle) {}
    void SetUp() override {
        direct = platform::db::DataServer(dir.path());
        if (direct.isEmpty()) GTEST_SKIP() << "runs on the test server";
        qputenv("ZEMBRA_ESPERA_CONEXION", QByteArray::number(FConnect));
        qputenv("ZEMBRA_ESPERA_RESPUESTA", QByteArray::number(FAnswer));
        qputenv("ZEMBRA_ESPERA_TRANSACCION", QByteArray::number(FIdle));
        CreateSchema(dir.path());
        int port = 0;
        testsupport::ThroughPort(direct, 0, &port);
        relay = std::make_unique<testsupport::TRelay>(port);
        // The test cluster's string sets its own connection wait: ours applies without it.
        viaRelay = testsupport::ThroughPort(direct, relay->Port(), nullptr, "connect_timeout");
    }
    void TearDown() override {
        for (const char* n : {"ZEMBRA_ESPERA_CONEXION", "ZEMBRA_ESPERA_RESPUESTA", "ZEMBRA_ESPERA_TRANSACCION"}) qunsetenv(n);
    }
    static qint64 Add(platform::db::TConnection& c, const QString& numero) {
        return c.Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                        {QVariant(QStringLiteral("2024")), QVariant(numero)});
    }
    static qint64 Count(platform::db::TConnection& c, const QString& table = QStringLiteral("EXPED")) {
        platform::db::TCursorSpec all;
        all.Table = table;
        // EXPED's column by name: counting it asks nothing else of a link that may be frozen.
        all.Columns = QStringList{table == QLatin1String("EXPED") ? QStringLiteral("NUMERO") : c.DescribeTable(table).Columns[0].Name};
        return c.Count(all);
    }
    QTemporaryDir dir;
    QString direct, viaRelay;
    std::unique_ptr<testsupport::TRelay> relay;

private:
    int FConnect, FAnswer, FIdle;
};

}  // namespace dbtest
