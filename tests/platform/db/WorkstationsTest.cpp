// Two workstations on one data folder: record locks, changes by others, duplicate keys,
// immediate visibility, and a workstation killed in the middle of its posts.
#include "Support.h"

#include "platform/db/Driver.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace dbtest;

namespace {

class WorkstationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
        CreateSchema(folder);
        exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
        exped->Open();
        AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
        AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"), 20);
        exped->First();
    }
    // Runs the other workstation to the end and returns its first output line.
    QString Other(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(ZEMBRA_DB_CHILD), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    QStringList Values(TDataSet* ds, const QString& field) {
        QStringList out;
        for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName(field)->AsString();
        return out;
    }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
    TTable* exped = nullptr;
};

}  // namespace

TEST_F(WorkstationsTest, ARecordEditedElsewhereIsLockedUntilThatProcessEnds) {
    QProcess other;
    other.start(QStringLiteral(ZEMBRA_DB_CHILD), {QStringLiteral("lock"), folder, QStringLiteral("2024"), QStringLiteral("1")});
    ASSERT_TRUE(other.waitForReadyRead(30000));
    ASSERT_EQ(QString::fromLocal8Bit(other.readLine()).trimmed(), QStringLiteral("LOCKED"));

    ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    EXPECT_EQ(EngineCode([&] { exped->Edit(); }), 10241);
    EXPECT_EQ(exped->State(), dsBrowse);
    EXPECT_EQ(EngineCode([&] { exped->Delete(); }), 10241);
    EXPECT_EQ(exped->RecordCount(), 2);
    // The other record is free.
    exped->Next();
    exped->Edit();
    exped->Cancel();

    // The lock dies with its process, even a killed one.
    other.kill();
    other.waitForFinished(10000);
    exped->First();
    exped->Edit();
    EXPECT_EQ(exped->State(), dsEdit);
    exped->Cancel();
}

TEST_F(WorkstationsTest, TwoCursorsOfOneProcessConflictLikeTwoWorkstations) {
    TTable* second = NewTable(&owner, folder, QStringLiteral("EXPED"));
    second->Open();
    exped->Edit();
    EXPECT_EQ(EngineCode([&] { second->Edit(); }), 10241);
    // The error event sees the engine's code; abort makes the failure silent, retry tries again.
    int seen = 0, attempts = 0;
    second->OnEditError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
        if (auto* engine = dynamic_cast<EDBEngineError*>(&e)) seen = engine->Errors(0).ErrorCode;
        if (++attempts == 1) {
            action = daRetry;
        } else {
            action = daAbort;
        }
    };
    EXPECT_THROW(second->Edit(), EAbort);
    EXPECT_EQ(seen, 10241);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(second->State(), dsBrowse);
    second->OnEditError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        exped->Cancel();  // the other cursor lets go
        action = daRetry;
    };
    second->Edit();
    EXPECT_EQ(second->State(), dsEdit);
    second->Cancel();
}

// A record's lock is the cursor's that took it: another cursor of this program asking to let it
// go frees nothing, so neither that cursor nor another workstation edits the record meanwhile.
TEST_F(WorkstationsTest, OnlyTheCursorThatLockedARecordLetsItGo) {
    TQuery* id = NewQuery(&owner, folder, QStringLiteral("SELECT rowid AS ID FROM EXPED WHERE ANO = '2024' AND NUMERO = '1'"));
    id->Open();
    ASSERT_FALSE(id->IsEmpty());
    const qint64 fila = id->FieldByName(QStringLiteral("ID"))->AsInteger();
    TTable* second = NewTable(&owner, folder, QStringLiteral("EXPED"));
    second->Open();
    exped->Edit();
    auto conn = Session->FolderConnection(folder);
    conn->UnlockRecord(QStringLiteral("EXPED"), fila, second);
    EXPECT_EQ(EngineCode([&] { second->Edit(); }), 10241);
    EXPECT_EQ(second->State(), dsBrowse);
    EXPECT_EQ(Other({QStringLiteral("set"), folder, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("55")}),
              QStringLiteral("ERR 10241"));
    // The holder's own post is untouched, and its release frees the record for the others.
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(15);
    exped->Post();
    EXPECT_EQ(Other({QStringLiteral("set"), folder, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("55")}),
              QStringLiteral("OK"));
    exped->Refresh();
    EXPECT_DOUBLE_EQ(exped->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 55);
}

TEST_F(WorkstationsTest, ChangesByAnotherWorkstationAreSeenAtOnceAndNeverOverwritten) {
    // We read record 1; the other workstation changes it.
    EXPECT_DOUBLE_EQ(exped->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 10);
    EXPECT_EQ(Other({QStringLiteral("set"), folder, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("55")}),
              QStringLiteral("OK"));
    // Editing the stale record is refused and shows the new value.
    EXPECT_EQ(EngineCode([&] { exped->Edit(); }), 10259);
    EXPECT_EQ(exped->State(), dsBrowse);
    EXPECT_DOUBLE_EQ(exped->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 55);
    // Now it can be edited; a change made behind the lock (plain SQL) is caught at post.
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(60);
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("UPDATE EXPED SET IMPORTE = 70 WHERE ANO = '2024' AND NUMERO = '1'"));
    q->ExecSQL();
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), 10259);
    EXPECT_EQ(exped->State(), dsEdit);
    exped->Cancel();
    // A record added elsewhere is visible to a refresh at once.
    EXPECT_EQ(Other({QStringLiteral("add"), folder, QStringLiteral("2024"), QStringLiteral("3")}), QStringLiteral("OK"));
    exped->Refresh();
    EXPECT_EQ(exped->RecordCount(), 3);
    // And a duplicate key is a key violation there as here.
    EXPECT_EQ(Other({QStringLiteral("add"), folder, QStringLiteral("2024"), QStringLiteral("3")}), QStringLiteral("ERR 9729"));
    exped->Append();
    exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("3"));
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), 9729);
    exped->Cancel();
}

// Posts of one form repeat the same kind of write: each still writes its own row, checks the
// values that row was read with, and blanks read or written stay told apart.
TEST_F(WorkstationsTest, RepeatedPostsWriteTheirOwnRowAndCatchChangesBehindTheLock) {
    TField* importe = exped->FieldByName(QStringLiteral("IMPORTE"));
    TField* asunto = exped->FieldByName(QStringLiteral("ASUNTO"));
    auto post = [&](const QString& numero, const std::function<void()>& change) {
        EXPECT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(numero)}));
        exped->Edit();
        change();
        exped->Post();
    };
    post(QStringLiteral("1"), [&] { importe->SetAsFloat(11); });
    post(QStringLiteral("2"), [&] { importe->SetAsFloat(21); });
    post(QStringLiteral("1"), [&] { asunto->SetAsString(QStringLiteral("Desahucio")); });
    post(QStringLiteral("2"), [&] { asunto->SetAsString(QStringLiteral("Herencia")); });
    post(QStringLiteral("1"), [&] { asunto->SetAsString(QString()); });
    post(QStringLiteral("1"), [&] { importe->SetAsFloat(12); });
    exped->Close();
    exped->Open();
    // Reopening makes the table's fields anew.
    importe = exped->FieldByName(QStringLiteral("IMPORTE"));
    EXPECT_EQ(Values(exped, QStringLiteral("IMPORTE")), QStringList({QStringLiteral("12"), QStringLiteral("21")}));
    EXPECT_EQ(Values(exped, QStringLiteral("ASUNTO")), QStringList({QString(), QStringLiteral("Herencia")}));
    // The same kind of post again, on a row changed behind its lock (the fields are new since
    // the table was opened again).
    ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("2"))}));
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(22);
    NewQuery(&owner, folder, QStringLiteral("UPDATE EXPED SET ASUNTO = 'Otra' WHERE ANO = '2024' AND NUMERO = '2'"))->ExecSQL();
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), 10259);
    exped->Cancel();
    exped->Refresh();
    EXPECT_EQ(Values(exped, QStringLiteral("IMPORTE")), QStringList({QStringLiteral("12"), QStringLiteral("21")}));
}

TEST_F(WorkstationsTest, AKilledWorkstationLeavesAConsistentFile) {
    QProcess other;
    other.start(QStringLiteral(ZEMBRA_DB_CHILD), {QStringLiteral("posts"), folder, QStringLiteral("100000")});
    // The other workstation reports each post once it is stored; it goes on posting while we
    // read, so the last post it reported is known only once it is dead and its output drained.
    int last = 0;
    auto readReports = [&] {
        while (other.canReadLine()) last = QString::fromLocal8Bit(other.readLine()).trimmed().toInt();
    };
    while (last < 200 && other.waitForReadyRead(60000)) readReports();
    ASSERT_GE(last, 200);
    ASSERT_EQ(::kill(pid_t(other.processId()), SIGKILL), 0);
    ASSERT_TRUE(other.waitForFinished(60000));
    ASSERT_EQ(other.exitStatus(), QProcess::CrashExit);  // killed in the middle of its posts
    readReports();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db), SQLITE_OK);
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    sqlite3_close(db);

    // Every reported post is there, whole; nothing half-written follows.
    TTable* t = NewTable(&owner, folder, QStringLiteral("EXPED"));
    t->Open();
    t->SetRange({Variant(QStringLiteral("2030"))}, {Variant(QStringLiteral("2030"))});
    int n = t->RecordCount();
    EXPECT_GE(n, last);
    EXPECT_LE(n, last + 1);
    for (t->First(); !t->Eof(); t->Next()) {
        int i = t->FieldByName(QStringLiteral("IMPORTE"))->AsInteger();
        ASSERT_EQ(t->FieldByName(QStringLiteral("ASUNTO"))->AsString(), QStringLiteral("Asunto número %1 con eñes").arg(i));
    }
    AddCase(t, QStringLiteral("2031"), QStringLiteral("1"));  // and the file takes new posts
}

// Plain SQL and other programs may leave an empty text where our own writes leave a null: the
// record still counts as unchanged, so it can be edited and deleted.
TEST_F(WorkstationsTest, AnEmptyTextLeftByPlainSqlIsNotAChangeByAnotherUser) {
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("UPDATE EXPED SET ASUNTO = '', OBSERVACIONES = '' WHERE NUMERO = '1'"));
    q->ExecSQL();
    exped->Refresh();
    ASSERT_TRUE(exped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}), 0));
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(12);
    EXPECT_EQ(EngineCode([&] { exped->Post(); }), 0);
    EXPECT_EQ(exped->State(), dsBrowse);
    EXPECT_EQ(EngineCode([&] { exped->Delete(); }), 0);
    exped->Refresh();
    EXPECT_FALSE(exped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}), 0));
}

// A folder on a network share: its locks and the journal's shared memory reach no other
// machine, so the data are open for writing on one machine at a time, and a machine that finds
// another's mark is told who holds them and leaves the file untouched.
TEST(NetworkFolderTest, OnlyOneMachineWritesAFolderWhoseLocksStayLocal) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    const QString mark = dir.filePath(QStringLiteral("zembra.puesto"));
    platform::db::SetLocksStayOnThisMachine(folder, true);
    {
        QFile f(mark);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ab12cd/despacho-2\ndespacho-2\nmaria\n07/12/2026 09:15\n");
    }
    QString message;
    try {
        platform::db::OpenSqlite(folder);
    } catch (EDBEngineError& e) {
        EXPECT_EQ(e.Errors(0).ErrorCode, platform::db::ecOtherMachine);
        message = e.Message();
    }
    for (const char* part : {"carpeta de red", "despacho-2", "maria", "07/12/2026 09:15", "zembra.puesto"})
        EXPECT_TRUE(message.contains(QString::fromUtf8(part))) << part << " / " << message.toStdString();
    EXPECT_TRUE(message.contains(folder)) << message.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("zembra.db"))));

    // Once that mark is gone this machine writes its own; a second connection of this machine
    // shares it, and the last one to close takes it away.
    ASSERT_TRUE(QFile::remove(mark));
    auto first = platform::db::OpenSqlite(folder);
    QFile f(mark);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')).value(1), QSysInfo::machineHostName());
    auto second = platform::db::OpenSqlite(folder);
    first.reset();
    EXPECT_TRUE(QFile::exists(mark));
    second.reset();
    EXPECT_FALSE(QFile::exists(mark));

    // A folder of this machine's own disk needs no mark.
    platform::db::SetLocksStayOnThisMachine(folder, false);
    auto local = platform::db::OpenSqlite(folder);
    EXPECT_FALSE(QFile::exists(mark));
}

// A list kept open learns whether anything it may show changed: writes by another workstation
// and by this one through other datasets do, reading does not. A server's lists cannot tell and
// are always read again.
TEST_F(WorkstationsTest, AListKeptOpenIsToldOfChangesMadeHereAndElsewhere) {
    const bool tells = platform::db::DataServer(folder).isEmpty();
    TQuery* lista = NewQuery(&owner, folder, QStringLiteral("SELECT NUMERO, IMPORTE FROM EXPED ORDER BY 2"));
    // A query not set to keep track cannot tell: it pays nothing for it at each read.
    lista->Open();
    EXPECT_TRUE(lista->DataChanged());
    lista->Close();
    lista->SetTrackChanges(true);
    lista->Open();
    EXPECT_EQ(lista->DataChanged(), !tells);
    NewQuery(&owner, folder, QStringLiteral("SELECT COUNT(*) FROM EXPED"))->Open();
    exped->Last();
    exped->Refresh();
    EXPECT_EQ(lista->DataChanged(), !tells);

    EXPECT_EQ(Other({QStringLiteral("set"), folder, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("55")}),
              QStringLiteral("OK"));
    EXPECT_TRUE(lista->DataChanged());
    EXPECT_TRUE(lista->DataChanged()) << "asking again does not make it older news";
    lista->Close();
    lista->Open();
    EXPECT_EQ(Values(lista, QStringLiteral("IMPORTE")), (QStringList{QStringLiteral("20"), QStringLiteral("55")}));
    EXPECT_EQ(lista->DataChanged(), !tells);

    exped->Refresh();
    ASSERT_TRUE(exped->Locate(QStringLiteral("NUMERO"), Variant(QStringLiteral("2")), 0));
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(99);
    exped->Post();
    EXPECT_TRUE(lista->DataChanged());
    lista->Refresh();
    EXPECT_EQ(Values(lista, QStringLiteral("IMPORTE")), (QStringList{QStringLiteral("55"), QStringLiteral("99")}));
    EXPECT_EQ(lista->DataChanged(), !tells);

    // A closed list has nothing to keep.
    lista->Close();
    EXPECT_TRUE(lista->DataChanged());
}
