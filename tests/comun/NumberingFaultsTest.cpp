// The numbering transaction of the data module under faults: handlers that raise, aborts, a
// commit that fails on a full disk. Nothing the user saw saved may be lost, nothing stays locked.
#include "DatFixture.h"
#include "FaultyDisk.h"

#include "platform/db/Driver.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/mount.h>

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

// What another workstation sees in the folder: a connection of its own.
int CountClients(const QString& folder) {
    auto conn = platform::db::OpenData(folder);
    auto st = conn->Prepare(QStringLiteral("SELECT COUNT(*) FROM clientes"));
    st->Step();
    return st->Column(0).toInt();
}
int ClientCounter(const QString& folder) {
    auto conn = platform::db::OpenData(folder);
    auto st = conn->Prepare(QStringLiteral("SELECT CLIENTE FROM sistem"));
    return st->Step() ? st->Column(0).toInt() : -1;
}
void OtherWorkstationAddsClient(const QString& folder, int code) {
    auto conn = platform::db::OpenData(folder);
    conn->StartTransaction();
    conn->Insert(QStringLiteral("CLIENTES"), {QStringLiteral("CLIENTE"), QStringLiteral("APELLIDOS")},
                 {QVariant(code), QVariant(QStringLiteral("Otro puesto"))});
    conn->Commit();
}

void StartClient(const QString& apellidos) {
    Dat->TClientes->Append();
    Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
}
}  // namespace

TEST_F(DatTest, ANumberedPostWhoseDataChangeHandlerRaisesLosesNothing) {
    TDataSource listener(nullptr);
    listener.SetDataSet(Dat->TClientes);
    bool raise = true;
    listener.OnDataChange = TDataChangeEvent([&](TObject*, TField*) {
        if (raise && Dat->TClientes->State() == dsBrowse) {
            raise = false;
            throw Exception(QStringLiteral("la rejilla no pudo pintar"));
        }
    });
    StartClient(S("Pérez"));
    EXPECT_THROW(Dat->TClientes->Post(), Exception);
    EXPECT_FALSE(Dat->Db->InTransaction());
    // Another workstation can write at once, and the next numbered posts are not joined to anything.
    OtherWorkstationAddsClient(dir.path(), 100);
    EXPECT_EQ(AddClient(S("García")), 2);
    EXPECT_FALSE(Dat->Db->InTransaction());
    listener.SetDataSet(nullptr);
    Close();
    Open();
    EXPECT_EQ(Dat->TClientes->RecordCount(), 3);
    EXPECT_TRUE(Dat->TClientes->Locate(QStringLiteral("APELLIDOS"), Variant(S("Pérez")), {}));
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    EXPECT_EQ(Sistem("CLIENTE"), 2);
}

TEST_F(DatTest, AnAbortAfterNumberingRollsTheCounterBackAndKeepsTheRecord) {
    const TDataSetNotifyEvent numbering = Dat->TClientes->BeforePost;
    bool refuse = true;
    // A form that adds its own check after the data module's.
    Dat->TClientes->BeforePost = TDataSetNotifyEvent([&](TDataSet* ds) {
        numbering(ds);
        if (refuse) Abort();
    });
    StartClient(S("Pérez"));
    ExpectAbort([&] { Dat->TClientes->Post(); });
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(ClientCounter(dir.path()), 0);
    OtherWorkstationAddsClient(dir.path(), 50);
    refuse = false;
    Dat->TClientes->Post();
    Dat->TClientes->BeforePost = numbering;
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    EXPECT_EQ(CountClients(dir.path()), 2);
    EXPECT_EQ(ClientCounter(dir.path()), 1);
}

TEST_F(DatTest, AnEngineErrorOnANumberedPostEndsItsTransaction) {
    AddClient(S("García"));
    // A form that puts a code already used on the record after it was numbered: a key violation.
    const TDataSetNotifyEvent numbering = Dat->TClientes->BeforePost;
    Dat->TClientes->BeforePost = TDataSetNotifyEvent([&](TDataSet* ds) {
        numbering(ds);
        ds->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(1);
    });
    StartClient(S("Pérez"));
    ExpectAbort([&] { Dat->TClientes->Post(); });
    Dat->TClientes->BeforePost = numbering;
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("CLAVE DUPLICADA")});
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(ClientCounter(dir.path()), 1);
    Dat->TClientes->Cancel();
}

// Rows written past a counter (by another program, or a copy of the folder restored over the
// settings) never make the program offer a number already used, on any of its numbered tables.
TEST_F(DatTest, ACounterBehindItsTableNumbersPastTheTable) {
    OtherWorkstationAddsClient(dir.path(), 1);
    OtherWorkstationAddsClient(dir.path(), 7);
    EXPECT_EQ(AddClient(S("Pérez")), 8);
    EXPECT_EQ(ClientCounter(dir.path()), 8);
    EXPECT_EQ(AddClient(S("García")), 9);
    // A number above the counter but not next to it is left for the counter to reach.
    OtherWorkstationAddsClient(dir.path(), 20);
    EXPECT_EQ(AddClient(S("López")), 10);

    // The agenda, numbered by its data module's cursor and by the insertion of a consultation form.
    {
        auto conn = platform::db::OpenData(dir.path());
        for (qlonglong orden : {1, 40})
            conn->Insert(QStringLiteral("AGENDA"), {QStringLiteral("ORDEN"), QStringLiteral("FECHA"), QStringLiteral("HORA")},
                         {QVariant(orden), QVariant(45000.0), QVariant(0.5)});
    }
    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
    Dat->TAgen->Post();
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 41);
    TQuery ins(nullptr);
    ins.SetDatabaseName(Dat->Db->DatabaseName());
    ins.SQL()->SetText(QStringLiteral("INSERT INTO AGENDA (ORDEN, FECHA, HORA, USUARIO) VALUES (:ORDEN, 45001, 0.5, :USUARIO)"));
    {
        auto conn = platform::db::OpenData(dir.path());
        for (qlonglong orden : {42, 50})
            conn->Insert(QStringLiteral("AGENDA"), {QStringLiteral("ORDEN"), QStringLiteral("FECHA"), QStringLiteral("HORA")},
                         {QVariant(orden), QVariant(45000.0), QVariant(0.5)});
    }
    Dat->NumeraApunteAgenda(&ins);
    ins.ExecSQL();
    EXPECT_EQ(ins.ParamByName(QStringLiteral("ORDEN"))->AsInteger(), 51);
    EXPECT_EQ(Sistem("AGENDA"), 51);
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(u'|').toStdString();
}

TEST_F(DatTest, ATransactionLeftOpenByAPostIsReportedAndRolledBack) {
    QStringList leaks;
    platform::db::OnTransactionLeak = [&](const QString& what) { leaks << what; };
    Dat->TPartidos->Append();
    Dat->TPartidos->FieldByName(QStringLiteral("PARTIDO"))->SetAsString(S("Málaga"));
    Dat->TPartidos->BeforePost = TDataSetNotifyEvent([&](TDataSet*) { Dat->Db->StartTransaction(); });
    Dat->TPartidos->Post();
    EXPECT_EQ(leaks, QStringList{QStringLiteral("TPartidos.Post left a transaction open")});
    EXPECT_FALSE(Dat->Db->InTransaction());
    // A transaction the caller opened around the post is the caller's: no complaint.
    Dat->TPartidos->BeforePost = nullptr;
    Dat->EnTransaccion([&] {
        Dat->TPartidos->Append();
        Dat->TPartidos->FieldByName(QStringLiteral("PARTIDO"))->SetAsString(S("Marbella"));
        Dat->TPartidos->Post();
    });
    EXPECT_EQ(leaks.size(), 1);
}

namespace {
// The record that a failed commit must leave: in insert, unnumbered on disk, reported by the
// data module's handler; and posting again once the disk has room stores it once.
void ExpectFailedCommitKeptTheRecord(const std::function<void()>& freeSpace, const QString& folder,
                                     platform::forms::TFormHarness& harness) {
    StartClient(S("Pérez"));
    EXPECT_THROW(Dat->TClientes->Post(), EAbort);
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    EXPECT_FALSE(Dat->Db->InTransaction());
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_TRUE(harness.LastMessage().Text.startsWith(QStringLiteral("Error :13059\r"))) << harness.LastMessage().Text.toStdString();
    EXPECT_TRUE(harness.LastMessage().Text.contains(QString::fromUtf8("El disco está lleno."))) << harness.LastMessage().Text.toStdString();
    freeSpace();
    EXPECT_EQ(CountClients(folder), 0);
    EXPECT_EQ(ClientCounter(folder), 0);
    Dat->TClientes->Post();
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    EXPECT_EQ(CountClients(folder), 1);
    EXPECT_EQ(ClientCounter(folder), 1);
    StartClient(S("García"));
    Dat->TClientes->Post();
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 2);
}
}  // namespace

namespace {
class FaultyDiskTest : public DatTest {
protected:
    void SetUp() override {
        InstallFaultyDisk();  // before the folder's first connection
        DatTest::SetUp();
    }
};
}  // namespace

TEST_F(FaultyDiskTest, ACommitRefusedByTheDiskRollsBackAndKeepsTheRecordInInsert) {
    ArmFaultyDisk(true);
    ExpectFailedCommitKeptTheRecord(
        [] {
            EXPECT_GT(RefusedWrites(), 0);
            ArmFaultyDisk(false);
        },
        dir.path(), *harness);
    ArmFaultyDisk(false);
}

namespace {
class SmallDiskTest : public DatTest {
protected:
    void SetUp() override {
        Guard();
        if (HasFatalFailure()) return;
        disk = dir.filePath(QStringLiteral("disco"));
        QDir().mkpath(disk);
        if (::mount("tmpfs", disk.toLocal8Bit().constData(), "tmpfs", 0, "size=2m") != 0)
            GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno) << "): needs root";
        mounted = true;
        Open(disk);
    }
    void TearDown() override {
        Close();
        if (mounted) ::umount2(disk.toLocal8Bit().constData(), MNT_DETACH);
        Unguard();
    }
    // Fills the file system to the last byte.
    void Fill() {
        QFile filler(disk + QStringLiteral("/relleno"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        QByteArray byte(1, 'x');
        while (filler.write(byte) == 1 && filler.flush()) {
        }
    }
    QString disk;
    bool mounted = false;
};
}  // namespace

TEST_F(SmallDiskTest, ANumberedAppendOnAFullDiskRollsBackAndKeepsTheRecordInInsert) {
    Fill();
    ExpectFailedCommitKeptTheRecord([&] { QFile::remove(disk + QStringLiteral("/relleno")); }, disk, *harness);
}

TEST_F(SmallDiskTest, DataOnAReadOnlyMediumOpensForReadingAndRefusesPosts) {
    AddClient(S("Pérez"));
    Close();
    // A copy of the data on a medium of its own, which is then made read-only.
    const QString medio = dir.filePath(QStringLiteral("medio"));
    QDir().mkpath(medio);
    ASSERT_EQ(::mount("tmpfs", medio.toLocal8Bit().constData(), "tmpfs", 0, "size=2m"), 0) << std::strerror(errno);
    struct Desmonta {
        QByteArray path;
        ~Desmonta() { ::umount2(path.constData(), MNT_DETACH); }
    } desmonta{medio.toLocal8Bit()};
    platform::db::OpenSqlite(disk)->Prepare(QStringLiteral("VACUUM INTO '%1/zembra.db'").arg(medio))->Step();
    ASSERT_EQ(::mount(nullptr, medio.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
    CarpetaDatos = medio;
    Dat = new TDat(nullptr);
    EXPECT_TRUE(harness->Messages().empty()) << harness->LastMessage().Text.toStdString();
    ASSERT_EQ(Dat->TClientes->RecordCount(), 1);
    StartClient(S("García"));
    ExpectAbort([&] { Dat->TClientes->Post(); });
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_TRUE(harness->LastMessage().Text.contains(S("sólo para lectura"))) << harness->LastMessage().Text.toStdString();
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    EXPECT_FALSE(Dat->Db->InTransaction());
    Dat->TClientes->Cancel();
    Close();
}
