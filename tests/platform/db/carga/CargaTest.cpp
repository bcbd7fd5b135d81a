// Workstations as processes on the server: many interleaved edits and numbered appends lose
// nothing and never give one number twice, also while the server restarts under them.
#include "../Support.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace dbtest;

namespace {

struct TOutcome {
    int Edits = 0, Lost = 0;
    QList<int> Numbers;
    QStringList Errors;
};

class CargaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::db::DataServer(dir.path()).isEmpty()) GTEST_SKIP() << "runs on the test server";
        folder = dir.path();
        CreateSchema(folder);
        TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
        exped->Open();
        AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 0);
        AddCase(exped, QStringLiteral("0000"), QStringLiteral("0"), 0);  // the counter
    }
    std::vector<std::unique_ptr<QProcess>> Start(int processes, int count) {
        std::vector<std::unique_ptr<QProcess>> out;
        for (int i = 0; i < processes; ++i) {
            out.push_back(std::make_unique<QProcess>());
            out.back()->start(QStringLiteral(ZEMBRA_DB_CHILD), {QStringLiteral("work"), folder, QString::number(count)});
        }
        return out;
    }
    TOutcome Finish(std::vector<std::unique_ptr<QProcess>>& workers) {
        TOutcome o;
        for (auto& p : workers) {
            EXPECT_TRUE(p->waitForFinished(600000));
            for (const QByteArray& line : p->readAllStandardOutput().split('\n')) {
                if (line == "E") ++o.Edits;
                else if (line == "X") ++o.Lost;
                else if (line.startsWith("N ")) o.Numbers << line.mid(2).toInt();
                else if (line.startsWith("ERR")) o.Errors << QString::fromUtf8(line);
            }
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        }
        return o;
    }
    // What the server holds: the edited amount, the counter, and the numbered cases.
    void Check(const TOutcome& o, int maxUnreported) {
        EXPECT_TRUE(o.Errors.isEmpty()) << qPrintable(o.Errors.join(QLatin1Char('\n')));
        const QSet<int> distinct(o.Numbers.begin(), o.Numbers.end());
        EXPECT_EQ(distinct.size(), o.Numbers.size()) << "a number was given twice";
        TTable* t = NewTable(&owner, folder, QStringLiteral("EXPED"));
        t->Open();
        ASSERT_TRUE(t->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
        const int edited = t->FieldByName(QStringLiteral("IMPORTE"))->AsInteger();
        EXPECT_GE(edited, o.Edits);
        EXPECT_LE(edited, o.Edits + maxUnreported);
        ASSERT_TRUE(t->FindKey({Variant(QStringLiteral("0000")), Variant(QStringLiteral("0"))}));
        const int counter = t->FieldByName(QStringLiteral("IMPORTE"))->AsInteger();
        t->SetRange({Variant(QStringLiteral("2040"))}, {Variant(QStringLiteral("2040"))});
        // The counter and the cases it numbered were written together or not at all.
        EXPECT_EQ(t->RecordCount(), counter);
        EXPECT_GE(counter, int(o.Numbers.size()));
        EXPECT_LE(counter, int(o.Numbers.size()) + maxUnreported);
        QSet<int> stored;
        for (t->First(); !t->Eof(); t->Next()) {
            const int n = t->FieldByName(QStringLiteral("NUMERO"))->AsString().toInt();
            stored << n;
            ASSERT_EQ(t->FieldByName(QStringLiteral("ASUNTO"))->AsString(), QStringLiteral("Asunto número %1 con eñes").arg(n));
        }
        for (int n : o.Numbers) EXPECT_TRUE(stored.contains(n)) << "number " << n << " reported but not stored";
        for (int n = 1; n <= counter; ++n) EXPECT_TRUE(stored.contains(n)) << "number " << n << " skipped";
    }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
};

}  // namespace

TEST_F(CargaTest, TwoWorkstationsTenThousandEditsAndAppendsEach) {
    auto workers = Start(2, 10000);
    const TOutcome o = Finish(workers);
    EXPECT_EQ(o.Edits, 2 * 5000);
    EXPECT_EQ(o.Numbers.size(), 2 * 5000);
    Check(o, 0);
}

TEST_F(CargaTest, FourWorkstationsTenThousandEditsAndAppendsEach) {
    auto workers = Start(4, 10000);
    const TOutcome o = Finish(workers);
    EXPECT_EQ(o.Edits, 4 * 5000);
    EXPECT_EQ(o.Numbers.size(), 4 * 5000);
    Check(o, 0);
}

// The server restarts while two workstations work: each is told, reconnects and goes on; an
// action whose answer was lost with the connection may have been written, nothing else.
TEST_F(CargaTest, TheServerRestartsWhileTwoWorkstationsWork) {
    auto workers = Start(2, 4000);
    // Let both get going, then restart the server under them.
    while (workers[0]->peek(1 << 20).count('\n') < 400 && workers[0]->waitForReadyRead(60000)) {
    }
    ASSERT_GE(workers[0]->peek(1 << 20).count('\n'), 400);
    QProcess restart;
    restart.start(QStringLiteral("bash"), {QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh"), QStringLiteral("restart"),
                                           QFileInfo(qEnvironmentVariable("ZEMBRA_TEST_SERVIDOR")).absolutePath()});
    ASSERT_TRUE(restart.waitForFinished(120000));
    ASSERT_EQ(restart.exitCode(), 0) << restart.readAllStandardError().constData();
    const TOutcome o = Finish(workers);
    EXPECT_GT(o.Lost, 0) << "no workstation saw the restart";
    // This process's own connection went with the restart: its next action says so once.
    try {
        Session->FolderConnection(folder)->TableExists(QStringLiteral("EXPED"));
    } catch (EDBEngineError& e) {
        EXPECT_EQ(e.Errors(0).ErrorCode, platform::db::ecServerLost);
    }
    // Every action was retried until it was reported.
    EXPECT_EQ(o.Edits, 2 * 2000);
    EXPECT_EQ(o.Numbers.size(), 2 * 2000);
    Check(o, o.Lost);
}
