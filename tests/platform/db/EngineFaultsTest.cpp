// The engine under bad conditions: other users of the machine, read-only and damaged folders,
// a database moved while open, hostile text.
#include "Support.h"

#include "platform/db/Driver.h"
#include "platform/db/EngineSql.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sqlite3.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

using namespace dbtest;
using platform::db::OpenSqlite;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

class EngineFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
    }
    QString File(const char* name) const { return QDir(folder).filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
};

// ---------------------------------------------------------------- another user of the machine

constexpr uid_t Nobody = 65534;

class OtherUserTest : public EngineFaultsTest {
protected:
    void SetUp() override {
        EngineFaultsTest::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a second user's process";
        ::chmod(folder.toLocal8Bit().constData(), 0777);
        CreateSchema(folder);
        TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
        exped->Open();
        AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
        exped->Close();
    }
    // The other user may not reach the build folder (a private checkout): it runs a copy of the
    // workstation program from a folder everyone can read.
    QString ChildProgram() {
        if (childCopy.isEmpty()) {
            EXPECT_TRUE(binDir.isValid());
            ::chmod(binDir.path().toLocal8Bit().constData(), 0755);
            childCopy = QDir(binDir.path()).filePath(QStringLiteral("db_child"));
            EXPECT_TRUE(QFile::copy(QStringLiteral(ZEMBRA_DB_CHILD), childCopy));
            ::chmod(childCopy.toLocal8Bit().constData(), 0755);
        }
        return childCopy;
    }
    // The database is shared with every user of the machine, as an administrator would set it.
    void ShareDatabase() {
        for (const char* f : {"zembra.db", "zembra.db-wal", "zembra.db-shm"})
            if (QFile::exists(File(f))) ::chmod(File(f).toLocal8Bit().constData(), 0666);
    }
    // The other workstation, run as another user; its first output line.
    QProcess* Other(const QStringList& args) {
        auto* p = new QProcess();
        processes.emplace_back(p);
        p->setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0) ::_exit(3);
        });
        p->start(ChildProgram(), args);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    QString FirstLine(QProcess* p) {
        if (!p->canReadLine()) p->waitForReadyRead(30000);
        return QString::fromLocal8Bit(p->readLine()).trimmed();
    }
    void TearDown() override {
        for (auto& p : processes) {
            p->closeWriteChannel();
            p->waitForFinished(30000);
        }
    }
    std::vector<std::unique_ptr<QProcess>> processes;
    QTemporaryDir binDir{QDir::tempPath() + QStringLiteral("/zembra-child-XXXXXX")};
    QString childCopy;
};
}  // namespace

TEST_F(OtherUserTest, EveryUserWhoMayWriteTheDataTakesRecordLocks) {
    ShareDatabase();
    // The owner opens the shared data again: the lock file follows the database's permissions.
    auto reopened = OpenSqlite(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    struct stat st {};
    ASSERT_EQ(::stat(File("zembra.locks").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0666, 0666u);
    QProcess* other = Other({QStringLiteral("lock"), folder, QStringLiteral("2024"), QStringLiteral("1")});
    const QString line = FirstLine(other);
    if (line.isEmpty() && other->state() == QProcess::NotRunning && other->exitCode() == 3) GTEST_SKIP() << "cannot change user here";
    ASSERT_EQ(line, QStringLiteral("LOCKED")) << other->readAllStandardError().toStdString();
    ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    EXPECT_EQ(EngineCode([&] { exped->Edit(); }), 10241);
}

TEST_F(OtherUserTest, AUserWhoCannotWriteTheLockFileIsRefusedWritingWithAClearMessage) {
    ShareDatabase();  // the database, but not the lock file the owner made before
    struct stat st {};
    ASSERT_EQ(::stat(File("zembra.locks").toLocal8Bit().constData(), &st), 0);
    ASSERT_EQ(st.st_mode & 0002, 0u);
    QProcess* other = Other({QStringLiteral("lock"), folder, QStringLiteral("2024"), QStringLiteral("1")});
    const QString line = FirstLine(other);
    if (line.isEmpty() && other->state() == QProcess::NotRunning && other->exitCode() == 3) GTEST_SKIP() << "cannot change user here";
    EXPECT_EQ(line, QStringLiteral("ERR %1").arg(platform::db::ecNoLocks));
    EXPECT_TRUE(platform::db::EngineMessage(platform::db::ecNoLocks).contains(S("bloqueos")));
}

TEST_F(OtherUserTest, DataOutOfThisUsersReachAreNotCalledMissingAndSayWhatToAsk) {
    struct Caso {
        const char* que;
        const char* fichero;
        mode_t modo;
    };
    // The folder closed to others, then the folder open and the database closed.
    for (const Caso& c : {Caso{"", "", 0700}, Caso{"zembra.db", "zembra.db", 0600}}) {
        const QString ruta = *c.fichero ? File(c.fichero) : folder;
        ASSERT_EQ(::chmod(QFile::encodeName(ruta).constData(), c.modo), 0);
        QProcess* other = Other({QStringLiteral("lock"), folder, QStringLiteral("2024"), QStringLiteral("1")});
        const QString line = FirstLine(other);
        if (line.isEmpty() && other->state() == QProcess::NotRunning && other->exitCode() == 3) GTEST_SKIP() << "cannot change user here";
        EXPECT_EQ(line, QStringLiteral("ERR %1").arg(platform::db::ecNoAccess)) << c.que;
        ASSERT_TRUE(other->waitForFinished(30000));
        const QString why = QString::fromLocal8Bit(other->readAllStandardError());
        EXPECT_TRUE(why.contains(ruta + QLatin1Char('\n')) && why.contains(S("administre"))) << why.toStdString();
        ::chmod(QFile::encodeName(ruta).constData(), *c.fichero ? 0644 : 0777);
    }
}

TEST_F(OtherUserTest, AUserWhoMayOnlyReadTheDataIsToldWhatToAsk) {
    // The database is the owner's; the other user may read it and write in the folder.
    QProcess* other = Other({QStringLiteral("set"), folder, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("25")});
    const QString line = FirstLine(other);
    if (line.isEmpty() && other->state() == QProcess::NotRunning && other->exitCode() == 3) GTEST_SKIP() << "cannot change user here";
    EXPECT_EQ(line, QStringLiteral("ERR %1").arg(platform::db::ecReadOnlyData));
    ASSERT_TRUE(other->waitForFinished(30000));
    const QString why = QString::fromLocal8Bit(other->readAllStandardError());
    EXPECT_TRUE(why.contains(File("zembra.db")) && why.contains(S("administre"))) << why.toStdString();
}

TEST_F(OtherUserTest, ANewOfficeInAGroupFolderServesTheGroupWhateverTheFirstUsersUmask) {
    // The administrator gives the office's folder to a group the other user is in; the first user
    // to open it keeps a private umask.
    const QString oficina = QDir(folder).filePath(QStringLiteral("oficina"));
    const QByteArray ruta = QFile::encodeName(oficina);
    ASSERT_EQ(::mkdir(ruta.constData(), 0770), 0);
    ASSERT_EQ(::chown(ruta.constData(), uid_t(-1), gid_t(Nobody)), 0);
    ASSERT_EQ(::chmod(ruta.constData(), 02770), 0);
    const mode_t previa = ::umask(077);
    CreateSchema(oficina);
    {
        TTable* exped = NewTable(&owner, oficina, QStringLiteral("EXPED"));
        exped->Open();
        AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
        exped->Close();
    }
    ::umask(previa);
    for (const char* f : {"zembra.db", "zembra.db-wal", "zembra.db-shm", "zembra.locks"}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(QDir(oficina).filePath(QString::fromLatin1(f))).constData(), &st), 0) << f;
        EXPECT_EQ(st.st_mode & 0060, 0060u) << f;
        EXPECT_EQ(st.st_gid, gid_t(Nobody)) << f;
    }
    // The other user of the group writes to it.
    QProcess* other = Other({QStringLiteral("set"), oficina, QStringLiteral("2024"), QStringLiteral("1"), QStringLiteral("25")});
    const QString line = FirstLine(other);
    if (line.isEmpty() && other->state() == QProcess::NotRunning && other->exitCode() == 3) GTEST_SKIP() << "cannot change user here";
    EXPECT_EQ(line, QStringLiteral("OK")) << other->readAllStandardError().toStdString();
}

// ---------------------------------------------------------------- opening

TEST_F(EngineFaultsTest, EveryOpenFailureSaysWhatIsWrong) {
    // A database path that names no file.
    ASSERT_EQ(::symlink("/nonexistent/zembra.db", File("zembra.db").toLocal8Bit().constData()), 0);
    EXPECT_EQ(EngineCode([&] { OpenSqlite(folder); }), platform::db::ecFileMissing);
    QFile::remove(File("zembra.db"));
    // A damaged file.
    {
        QFile f(File("zembra.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    }
    QString message;
    EXPECT_EQ(EngineCode([&] { OpenSqlite(folder); }, &message), platform::db::ecFileCorrupt);
    QFile::remove(File("zembra.db"));
    // A folder that does not exist.
    EXPECT_EQ(EngineCode([&] { OpenSqlite(folder + QStringLiteral("/nada")); }), platform::db::ecInvalidPath);
    // The messages differ.
    QSet<QString> texts;
    for (int code : {platform::db::ecFileMissing, platform::db::ecFileCorrupt, platform::db::ecInvalidPath,
                     platform::db::ecReadOnlyFolder, platform::db::ecNoAccess})
        texts.insert(platform::db::EngineMessage(code));
    EXPECT_EQ(texts.size(), 5);
}

// A file damaged after its header is told in the program's language, not the engine's.
TEST_F(EngineFaultsTest, ADamagedFileIsToldInSpanish) {
    {
        auto c = OpenSqlite(folder);
        c->Prepare(QStringLiteral("CREATE TABLE notas (texto TEXT)"))->Step();
        auto add = c->Prepare(QStringLiteral("INSERT INTO notas VALUES (:t)"));
        for (int i = 0; i < 300; ++i) {
            add->Bind(0, QString(200, QChar(u'ñ')));
            add->Step();
            add->Reset();
        }
    }  // the last connection closed: every row is in the file itself
    {
        // The last pages hold the rows just written.
        QFile f(File("zembra.db"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 32768);
        f.seek(f.size() - 16384);
        f.write(QByteArray(16384, '\xa5'));
    }
    QString message;
    EXPECT_EQ(EngineCode([&] {
        auto c = OpenSqlite(folder);
        auto all = c->Prepare(QStringLiteral("SELECT texto FROM notas"));
        while (all->Step()) {}
    }, &message), platform::db::ecFileCorrupt);
    EXPECT_EQ(message, S("El fichero de la base de datos está dañado.")) << message.toStdString();
}

namespace {
class ReadOnlyMediumTest : public EngineFaultsTest {
protected:
    void SetUp() override {
        EngineFaultsTest::SetUp();
        disk = dir.filePath(QStringLiteral("medio"));
        QDir().mkpath(disk);
        if (::mount("tmpfs", disk.toLocal8Bit().constData(), "tmpfs", 0, "size=4m") != 0)
            GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno) << "): needs root";
        mounted = true;
    }
    void MakeReadOnly() {
        ASSERT_EQ(::mount(nullptr, disk.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.toLocal8Bit().constData(), MNT_DETACH);
    }
    QString disk;
    bool mounted = false;
};
}  // namespace

TEST_F(ReadOnlyMediumTest, ADatabaseOnAReadOnlyMediumOpensForReading) {
    {
        auto conn = OpenSqlite(disk);
        platform::db::TTableDesc d;
        d.Name = QStringLiteral("EXPED");
        d.Columns = {{QStringLiteral("ANO"), platform::db::TColumnType::Text, 4, true},
                     {QStringLiteral("NUMERO"), platform::db::TColumnType::Text, 7, false}};
        conn->CreateTable(d);
        conn->Insert(d.Name, {QStringLiteral("ANO"), QStringLiteral("NUMERO")}, {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("7"))});
    }
    MakeReadOnly();
    auto conn = OpenSqlite(disk);
    EXPECT_TRUE(conn->ReadOnly());
    auto st = conn->Prepare(QStringLiteral("SELECT NUMERO FROM exped"));
    ASSERT_TRUE(st->Step());
    EXPECT_EQ(st->Column(0).toString(), QStringLiteral("7"));
    QString message;
    EXPECT_EQ(EngineCode([&] { conn->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                                            {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("8"))}); },
                         &message),
              platform::db::ecReadOnlyData);
    EXPECT_TRUE(message.contains(S("sólo para lectura"))) << message.toStdString();
}

TEST_F(ReadOnlyMediumTest, AReadOnlyFolderWithoutADatabaseSaysSo) {
    MakeReadOnly();
    QString message;
    EXPECT_EQ(EngineCode([&] { OpenSqlite(disk); }, &message), platform::db::ecReadOnlyFolder);
    EXPECT_TRUE(message.contains(disk)) << message.toStdString();
}

// ---------------------------------------------------------------- files of other builds

namespace {
// A file of cases whose Spanish indexes another build sorted its own way (here: backwards) and
// marked with `order`.
void WriteFileSortedElsewhere(const QString& folder, int order) {
    {
        auto conn = OpenSqlite(folder);
        platform::db::TTableDesc d;
        d.Name = QStringLiteral("EXPED");
        d.Columns = {{QStringLiteral("ANO"), platform::db::TColumnType::Text, 4, true},
                     {QStringLiteral("NUMERO"), platform::db::TColumnType::Text, 7, true}};
        d.Indexes = {{QString(), {QStringLiteral("ANO"), QStringLiteral("NUMERO")}, true, true}};
        conn->CreateTable(d);
        for (int i = 1; i <= 40; ++i)
            conn->Insert(d.Name, {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                         {QVariant(QStringLiteral("2024")), QVariant(QString::number(i))});
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QDir(folder).filePath(QStringLiteral("zembra.db")).toUtf8().constData(), &db), SQLITE_OK);
    auto backwards = [](void*, int la, const void* a, int lb, const void* b) {
        const int r = std::memcmp(b, a, size_t(std::min(la, lb)));
        return r ? r : lb - la;
    };
    for (const char* name : {"ZBES", "ZBES_CI"}) sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr, backwards);
    const QByteArray sql = "REINDEX ZBES; REINDEX ZBES_CI; PRAGMA user_version = " + QByteArray::number(order);
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

int OrderMark(const QString& folder) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QDir(folder).filePath(QStringLiteral("zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    int v = -1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return v;
}

QStringList FoundByKey(platform::db::TConnection& conn) {
    QStringList found;
    for (const char* n : {"1", "17", "40"}) {
        auto st = conn.Prepare(QStringLiteral("SELECT NUMERO FROM exped WHERE ANO = '2024' AND NUMERO = '%1'").arg(QLatin1String(n)));
        if (st->Step()) found << st->Column(0).toString();
    }
    return found;
}
}  // namespace

// An office kept on a read-only medium since before this build's order: its indexes cannot be
// sorted again in place, yet every row is found by its key, and nothing is taken to be saved.
TEST_F(ReadOnlyMediumTest, AnOlderOrderOnAReadOnlyMediumIsSearchedInTodaysOrder) {
    WriteFileSortedElsewhere(disk, 0);
    MakeReadOnly();
    auto conn = OpenSqlite(disk);
    EXPECT_TRUE(conn->ReadOnly());
    EXPECT_EQ(FoundByKey(*conn), (QStringList{QStringLiteral("1"), QStringLiteral("17"), QStringLiteral("40")}));
    QString message;
    EXPECT_EQ(EngineCode([&] { conn->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO")},
                                            {QVariant(QStringLiteral("2024")), QVariant(QStringLiteral("41"))}); },
                         &message),
              platform::db::ecReadOnlyData);
    EXPECT_TRUE(message.contains(S("sólo para lectura"))) << message.toStdString();
}

// A workstation not yet updated next to one that is: an order it does not know is neither
// searched (rows missed) nor written (indexes damaged); it says to update, and leaves the file be.
TEST_F(EngineFaultsTest, AnOrderSetByALaterBuildIsRefusedWithoutTouchingTheFile) {
    WriteFileSortedElsewhere(folder, 3);
    QString message;
    EXPECT_EQ(EngineCode([&] { OpenSqlite(folder); }, &message), platform::db::ecNewerOrder);
    EXPECT_TRUE(message.contains(S("versión más reciente"))) << message.toStdString();
    EXPECT_EQ(OrderMark(folder), 3);
    // An older mark is sorted again once, in place, and the rows found by key.
    const QString older = dir.filePath(QStringLiteral("antigua"));
    ASSERT_TRUE(QDir().mkpath(older));
    WriteFileSortedElsewhere(older, 0);
    auto conn = OpenSqlite(older);
    EXPECT_EQ(OrderMark(older), 2);
    EXPECT_EQ(FoundByKey(*conn).size(), 3);
}

// ---------------------------------------------------------------- while open

TEST_F(EngineFaultsTest, ADatabaseMovedOrDeletedWhileOpenRefusesEveryWrite) {
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"));
    ASSERT_TRUE(QFile::rename(File("zembra.db"), File("apartado.db")));
    QString message;
    EXPECT_EQ(EngineCode([&] { AddCase(exped, QStringLiteral("2024"), QStringLiteral("2")); }, &message), platform::db::ecFileMoved);
    EXPECT_TRUE(message.contains(S("movido"))) << message.toStdString();
    EXPECT_EQ(exped->State(), dsInsert);
    exped->Cancel();
    EXPECT_FALSE(exped->Connection()->InTransaction());
    // Deleted outright: the same.
    ASSERT_TRUE(QFile::remove(File("apartado.db")));
    exped->First();
    EXPECT_EQ(EngineCode([&] {
                  exped->Edit();
                  exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(5);
                  exped->Post();
              }),
              platform::db::ecFileMoved);
    exped->Cancel();
}

// ---------------------------------------------------------------- the disk fails

// The system's file layer with a switch: while on, every read, write and sync of an open file
// fails as on a share that stopped answering or a disk giving errors. Made once and kept: the
// session keeps its connections, and their files, to the end.
class FailingDisk {
public:
    static FailingDisk& Get() {
        static FailingDisk* disk = new FailingDisk;
        return *disk;
    }
    void Fail(bool yes) { FFailing = yes; }

private:
    FailingDisk() {
        FReal = sqlite3_vfs_find(nullptr);
        FVfs = *FReal;
        FVfs.zName = "zembra-disco-que-falla";
        FVfs.szOsFile = int(sizeof(TFile)) + FReal->szOsFile;
        FVfs.xOpen = &Open;
        sqlite3_vfs_register(&FVfs, 1);
    }
    struct TFile {
        sqlite3_file Base;
        const sqlite3_io_methods* Methods;
        sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    };
    static TFile* F(sqlite3_file* f) { return reinterpret_cast<TFile*>(f); }
    static const sqlite3_io_methods* M(sqlite3_file* f) { return F(f)->Methods; }
    static sqlite3_file* R(sqlite3_file* f) { return F(f)->Real(); }
    static bool Failing() { return Get().FFailing; }
    static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
        sqlite3_vfs* real = Get().FReal;
        const int rc = real->xOpen(real, name, R(file), flags, outFlags);
        F(file)->Methods = R(file)->pMethods;
        file->pMethods = R(file)->pMethods ? &Get().Wrapped(R(file)->pMethods) : nullptr;
        return rc;
    }
    const sqlite3_io_methods& Wrapped(const sqlite3_io_methods* real) {
        if (FMethods.iVersion) return FMethods;
        FMethods = *real;
        FMethods.xClose = [](sqlite3_file* f) { return M(f)->xClose(R(f)); };
        FMethods.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
            return Failing() ? SQLITE_IOERR_READ : M(f)->xRead(R(f), p, n, at);
        };
        FMethods.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
            return Failing() ? SQLITE_IOERR_WRITE : M(f)->xWrite(R(f), p, n, at);
        };
        FMethods.xSync = [](sqlite3_file* f, int flags) { return Failing() ? SQLITE_IOERR_FSYNC : M(f)->xSync(R(f), flags); };
        FMethods.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) { return M(f)->xTruncate(R(f), n); };
        FMethods.xFileSize = [](sqlite3_file* f, sqlite3_int64* n) { return M(f)->xFileSize(R(f), n); };
        FMethods.xLock = [](sqlite3_file* f, int l) { return M(f)->xLock(R(f), l); };
        FMethods.xUnlock = [](sqlite3_file* f, int l) { return M(f)->xUnlock(R(f), l); };
        FMethods.xCheckReservedLock = [](sqlite3_file* f, int* r) { return M(f)->xCheckReservedLock(R(f), r); };
        FMethods.xFileControl = [](sqlite3_file* f, int op, void* a) { return M(f)->xFileControl(R(f), op, a); };
        FMethods.xSectorSize = [](sqlite3_file* f) { return M(f)->xSectorSize(R(f)); };
        FMethods.xDeviceCharacteristics = [](sqlite3_file* f) { return M(f)->xDeviceCharacteristics(R(f)); };
        FMethods.xShmMap = [](sqlite3_file* f, int i, int sz, int ext, void volatile** p) { return M(f)->xShmMap(R(f), i, sz, ext, p); };
        FMethods.xShmLock = [](sqlite3_file* f, int o, int n, int fl) { return M(f)->xShmLock(R(f), o, n, fl); };
        FMethods.xShmBarrier = [](sqlite3_file* f) { M(f)->xShmBarrier(R(f)); };
        FMethods.xShmUnmap = [](sqlite3_file* f, int d) { return M(f)->xShmUnmap(R(f), d); };
        // No page is handed out mapped: each one is read through the switch.
        FMethods.xFetch = [](sqlite3_file*, sqlite3_int64, int, void** p) {
            *p = nullptr;
            return SQLITE_OK;
        };
        FMethods.xUnfetch = [](sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; };
        return FMethods;
    }
    sqlite3_vfs* FReal = nullptr;
    sqlite3_vfs FVfs{};
    sqlite3_io_methods FMethods{};
    bool FFailing = false;
};

// The disk under the data folder fails: the error names the folder and says nothing was saved;
// a folder no longer there (a share lost, a disk taken away) is said as such.
TEST_F(EngineFaultsTest, ADiskFailingUnderTheDataNamesTheFolderAndWhetherItIsStillThere) {
    FailingDisk& disk = FailingDisk::Get();
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"));
    disk.Fail(true);
    QString message;
    EXPECT_EQ(EngineCode([&] { AddCase(exped, QStringLiteral("2024"), QStringLiteral("2")); }, &message), platform::db::ecSqlError);
    disk.Fail(false);
    exped->Cancel();
    for (const QString& part : {S("Error de lectura o escritura en el disco"), folder, S("No se ha guardado nada")})
        EXPECT_TRUE(message.contains(part)) << message.toStdString();

    // Lost: the folder is not where it was opened any more, and a table not read yet cannot be.
    QTemporaryDir other;
    CreateSchema(other.path());
    auto conn = OpenSqlite(other.path());
    const QString gone = other.path() + QStringLiteral("-perdida");
    ASSERT_TRUE(QDir().rename(other.path(), gone));
    disk.Fail(true);
    EXPECT_EQ(EngineCode([&] { conn->Prepare(QStringLiteral("SELECT count(*) FROM exped"))->Step(); }, &message),
              platform::db::ecFolderLost);
    disk.Fail(false);
    EXPECT_TRUE(message.contains(S("No se llega a la carpeta de datos"))) << message.toStdString();
    EXPECT_TRUE(message.contains(other.path())) << message.toStdString();
    conn.reset();
    QDir().rename(gone, other.path());
}

// ---------------------------------------------------------------- the folder lost and back

// The data folder on a share that is lost and mounted again (bindfs killed and started anew):
// the files held stay on the old mount, where nothing can be read or written any more.
class FolderBackTest : public EngineFaultsTest {
protected:
    void SetUp() override {
        EngineFaultsTest::SetUp();
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("fusermount")).isEmpty() || ::access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "needs root and bindfs to mount a share";
        source = QDir(folder).filePath(QStringLiteral("servidor"));
        share = QDir(folder).filePath(QStringLiteral("datos"));
        ASSERT_TRUE(QDir().mkpath(source) && QDir().mkpath(share));
        Mount();
    }
    void TearDown() override {
        if (bindfs) Unmount();
    }
    void Mount() {
        bindfs = std::make_unique<QProcess>();
        bindfs->start(QStringLiteral("bindfs"), {QStringLiteral("-f"), source, share});
        ASSERT_TRUE(bindfs->waitForStarted(10000));
        for (int i = 0; i < 3000 && !Mounted(); ++i) ::usleep(10000);
        ASSERT_TRUE(Mounted()) << bindfs->readAllStandardError().toStdString();
    }
    // The share goes: what is open on it fails from now on.
    void Lose() {
        bindfs->kill();
        bindfs->waitForFinished(30000);
    }
    void Unmount() {
        Lose();
        QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), QStringLiteral("-z"), share});
        bindfs.reset();
    }
    bool Mounted() const {
        struct statfs fs {};
        return ::statfs(QFile::encodeName(share).constData(), &fs) == 0 && static_cast<unsigned long>(fs.f_type) == 0x65735546UL;
    }
    QString source, share;
    std::unique_ptr<QProcess> bindfs;
};

// Another workstation, on the share as it is now.
struct OtherWorkstation {
    explicit OtherWorkstation(const QString& folder) {
        EXPECT_EQ(sqlite3_open(QFile::encodeName(QDir(folder).filePath(QStringLiteral("zembra.db"))).constData(), &db), SQLITE_OK);
        platform::db::RegisterSqliteFunctions(db);
        locks = ::open(QFile::encodeName(QDir(folder).filePath(QStringLiteral("zembra.locks"))).constData(), O_RDWR);
    }
    ~OtherWorkstation() {
        sqlite3_close(db);
        if (locks >= 0) ::close(locks);
    }
    void Exec(const char* sql) { EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db); }
    double Importe(const char* numero) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT IMPORTE FROM exped WHERE NUMERO = ?", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, numero, -1, SQLITE_STATIC);
        const double v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_double(st, 0) : -1;
        sqlite3_finalize(st);
        return v;
    }
    bool Lock(qint64 id) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(platform::db::engine::LockOffset(QStringLiteral("exped"), id));
        fl.l_len = 1;
        return ::fcntl(locks, F_OFD_SETLK, &fl) == 0;
    }
    sqlite3* db = nullptr;
    int locks = -1;
};

// While the folder is gone every action says so, naming it; once it is back the next action
// opens the file again and works. An edit under way when it went is not saved over a record
// another workstation changed or took meanwhile.
TEST_F(FolderBackTest, TheNextActionAfterTheFolderComesBackOpensItAgain) {
    CreateSchema(share);
    TTable* exped = NewTable(&owner, share, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"), 20);
    TTable* other = NewTable(&owner, share, QStringLiteral("EXPED"));
    other->Open();
    ASSERT_TRUE(exped->Locate(QStringLiteral("NUMERO"), Variant(QStringLiteral("1")), 0));
    exped->Edit();
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(11);
    ASSERT_TRUE(other->Locate(QStringLiteral("NUMERO"), Variant(QStringLiteral("2")), 0));
    other->Edit();
    other->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(21);

    TTable* writer = NewTable(&owner, share, QStringLiteral("EXPED"));
    writer->Open();
    // Everything committed is in the file itself: the journal is empty when the share goes.
    OtherWorkstation(share).Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    Lose();
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString message;
        EXPECT_EQ(EngineCode([&] { AddCase(writer, QStringLiteral("2024"), QStringLiteral("9")); }, &message), platform::db::ecFolderLost);
        EXPECT_TRUE(message.contains(S("No se llega a la carpeta de datos")) && message.contains(share)) << message.toStdString();
        EngineCode([&] { writer->Cancel(); });
        EXPECT_EQ(writer->State(), dsBrowse);
    }
    // Reads too, once the folder was found gone: nothing is shown as if it were there.
    EXPECT_EQ(EngineCode([&] { writer->Refresh(); }), platform::db::ecFolderLost);

    QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), QStringLiteral("-z"), share});
    Mount();
    {
        // Meanwhile another workstation changed the first record and is editing the second.
        OtherWorkstation ws(share);
        ws.Exec("UPDATE exped SET IMPORTE = 15 WHERE NUMERO = '1'");
        ASSERT_TRUE(ws.Lock(2));
        EXPECT_EQ(EngineCode([&] { exped->Post(); }), platform::db::ecRecordChanged);
        EXPECT_EQ(EngineCode([&] { other->Post(); }), platform::db::ecRecordLocked);
        EXPECT_EQ(ws.Importe("1"), 15);
        EXPECT_EQ(ws.Importe("2"), 20);
        exped->Cancel();
        other->Cancel();

        EXPECT_EQ(EngineCode([&] { AddCase(writer, QStringLiteral("2024"), QStringLiteral("3"), 30); }), 0);
        EXPECT_EQ(ws.Importe("3"), 30);
    }
    // What was written since is in the folder for whoever opens it now.
    EXPECT_EQ(OtherWorkstation(share).Importe("3"), 30);
    // The lock let go by the other workstation is this one's to take again.
    ASSERT_TRUE(other->Locate(QStringLiteral("NUMERO"), Variant(QStringLiteral("2")), 0));
    other->Edit();
    other->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(22);
    EXPECT_EQ(EngineCode([&] { other->Post(); }), 0);
    EXPECT_EQ(OtherWorkstation(share).Importe("2"), 22);
}

// The share lost and back while nobody was using the program (over lunch, overnight): the first
// action finds the files held gone and opens the folder again itself, whatever the action is.
TEST_F(FolderBackTest, TheFirstActionAfterTheFolderCameBackUnseenWorks) {
    CreateSchema(share);
    TTable* exped = NewTable(&owner, share, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    auto conn = OpenSqlite(share);
    std::unique_ptr<platform::db::TStatement> count = conn->Prepare(QStringLiteral("SELECT count(*) FROM exped"));
    // Pages kept in memory read without an error from the old mount; the folder is looked at
    // again a fifth of a second after the last look at the most.
    auto lostAndBack = [&] {
        OtherWorkstation(share).Exec("PRAGMA wal_checkpoint(TRUNCATE)");
        Unmount();
        Mount();
        ::usleep(300000);
    };
    lostAndBack();
    QString message;
    EXPECT_EQ(EngineCode([&] { AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"), 20); }, &message), 0) << message.toStdString();
    EXPECT_EQ(OtherWorkstation(share).Importe("2"), 20);

    lostAndBack();
    OtherWorkstation(share).Exec("INSERT INTO exped (ANO, NUMERO, IMPORTE) VALUES ('2024', '3', 30)");
    EXPECT_EQ(EngineCode([&] { exped->Refresh(); }, &message), 0) << message.toStdString();
    EXPECT_EQ(exped->RecordCount(), 3);

    // A statement prepared before, at its first step.
    lostAndBack();
    EXPECT_EQ(EngineCode([&] { ASSERT_TRUE(count->Step()); }, &message), 0) << message.toStdString();
    EXPECT_EQ(count->Column(0).toInt(), 3);
}

// ---------------------------------------------------------------- hostile text

TEST_F(EngineFaultsTest, ALoneSurrogateIsReplacedAndTheNextCharacterKept) {
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    const QString high = QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("bc");
    const QString low = QChar(0xDE00) + QStringLiteral("xy") + QChar(0xD83D);
    const QString pair = QStringLiteral("ok ") + QString::fromUcs4(U"\U0001F600") + QStringLiteral(" ñ");
    int n = 0;
    for (const QString& text : {high, low, pair}) {
        exped->Append();
        exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::number(++n));
        exped->FieldByName(QStringLiteral("ASUNTO"))->SetAsString(text);
        exped->Post();
    }
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT ASUNTO FROM EXPED ORDER BY NUMERO"));
    q->Open();
    QStringList stored;
    for (; !q->Eof(); q->Next()) stored << q->FieldByName(QStringLiteral("ASUNTO"))->AsString();
    const QChar bad = QChar::ReplacementCharacter;
    EXPECT_EQ(stored, (QStringList{QStringLiteral("a") + bad + QStringLiteral("bc"), bad + QStringLiteral("xy") + bad, pair}));
}

TEST_F(EngineFaultsTest, SearchesFindTextsOfEveryKindAsTheyWereStored) {
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    const QString lone = QStringLiteral("x") + QChar(0xD83D);
    const QStringList numbers = {QStringLiteral("Ñu-7"), QStringLiteral("ü") + QString::fromUcs4(U"\U0001F600"), lone, QStringLiteral("€")};
    for (const QString& n : numbers) AddCase(exped, QStringLiteral("2024"), n);
    for (const QString& n : numbers) {
        EXPECT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(n)})) << n.toStdString();
        EXPECT_TRUE(exped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2024")), Variant(n)}), 0));
    }
    // The lone half of a pair was stored as the replacement character, and is found as it.
    ASSERT_TRUE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(lone)}));
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("x") + QChar(QChar::ReplacementCharacter));
    EXPECT_FALSE(exped->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("Ñu-8"))}));
}

TEST_F(EngineFaultsTest, APostedRecordShowsWhatAReadFindsAndOthersChangesAreStillSeen) {
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"), 10);
    TField* importe = exped->FieldByName(QStringLiteral("IMPORTE"));
    TField* asunto = exped->FieldByName(QStringLiteral("ASUNTO"));
    TField* fecha = exped->FieldByName(QStringLiteral("FECHAAPERTURA"));
    exped->Edit();
    importe->SetAsFloat(12.5);
    asunto->SetAsString(QStringLiteral("ab") + QChar(0xD83D));
    exped->Post();
    EXPECT_EQ(asunto->AsString(), QStringLiteral("ab") + QChar(QChar::ReplacementCharacter));
    EXPECT_DOUBLE_EQ(importe->AsFloat(), 12.5);
    exped->Edit();
    fecha->SetAsDateTime(EncodeDate(2024, 5, 6));
    exped->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(7);
    exped->Post();
    EXPECT_EQ(fecha->AsDateTime(), EncodeDate(2024, 5, 6));
    EXPECT_EQ(exped->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 7);
    // Edited again at once: nobody changed it in between, and nobody is said to have.
    exped->Edit();
    importe->SetAsFloat(13.5);
    asunto->SetAsString(QString());
    exped->Post();
    EXPECT_TRUE(asunto->IsNull());
    EXPECT_EQ(EngineCode([&] { exped->Edit(); }), 0);
    exped->Cancel();
    // A change made through another cursor after the post is seen on the next edit.
    TTable* other = NewTable(&owner, folder, QStringLiteral("EXPED"));
    other->Open();
    ASSERT_TRUE(other->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    other->Edit();
    other->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(99);
    other->Post();
    EXPECT_EQ(EngineCode([&] { exped->Edit(); }), platform::db::ecRecordChanged);
    EXPECT_DOUBLE_EQ(importe->AsFloat(), 99);
}

// Another program wrote bytes that are not UTF-8: the row reads with replacement characters and
// saves as shown, changed or not, without being taken for another user's change; deleting it
// works too. A real change made meanwhile, of case or accent alone, is still seen.
TEST_F(EngineFaultsTest, ForeignBytesReadAsReplacedAndSaveWithoutAFalseChange) {
    CreateSchema(folder);
    TTable* c = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
    c->Open();
    for (int n : {1, 2}) {
        c->Append();
        c->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(n);
        c->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Ruiz"));
        c->Post();
    }
    {
        OtherWorkstation ws(folder);
        // "Peña" in Latin-1 and a lone continuation byte: neither is UTF-8.
        ws.Exec("UPDATE clientes SET APELLIDOS = CAST(X'50E96E61' AS TEXT) WHERE CLIENTE = 1");
        ws.Exec("UPDATE clientes SET NOMBRE = CAST(X'4C7580' AS TEXT) WHERE CLIENTE = 2");
    }
    c->Refresh();
    const QChar bad = QChar::ReplacementCharacter;
    TField* nombre = c->FieldByName(QStringLiteral("NOMBRE"));
    TField* apellidos = c->FieldByName(QStringLiteral("APELLIDOS"));
    ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(1), 0));
    EXPECT_EQ(apellidos->AsString(), QStringLiteral("P") + bad + QStringLiteral("na"));
    c->Edit();
    c->FieldByName(QStringLiteral("ALTA"))->SetAsBoolean(true);
    EXPECT_EQ(EngineCode([&] { c->Post(); }), 0);
    c->Edit();
    nombre->SetAsString(QStringLiteral("Ana"));
    EXPECT_EQ(EngineCode([&] { c->Post(); }), 0);
    c->Edit();  // saved as shown
    apellidos->SetAsString(apellidos->AsString() + QStringLiteral(" Gil"));
    EXPECT_EQ(EngineCode([&] { c->Post(); }), 0);
    c->Refresh();
    ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(1), 0));
    EXPECT_EQ(apellidos->AsString(), QStringLiteral("P") + bad + QStringLiteral("na Gil"));
    EXPECT_EQ(nombre->AsString(), QStringLiteral("Ana"));

    ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(2), 0));
    EXPECT_EQ(nombre->AsString(), QStringLiteral("Lu") + bad);
    c->Edit();
    c->FieldByName(QStringLiteral("ALTA"))->SetAsBoolean(true);
    OtherWorkstation(folder).Exec("UPDATE clientes SET APELLIDOS = 'RUIZ' WHERE CLIENTE = 2");
    EXPECT_EQ(EngineCode([&] { c->Post(); }), platform::db::ecRecordChanged);
    c->Cancel();
    c->Refresh();
    ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(2), 0));
    c->Edit();
    c->FieldByName(QStringLiteral("ALTA"))->SetAsBoolean(false);
    OtherWorkstation(folder).Exec("UPDATE clientes SET APELLIDOS = 'RUÍZ' WHERE CLIENTE = 2");
    EXPECT_EQ(EngineCode([&] { c->Post(); }), platform::db::ecRecordChanged);
    c->Cancel();
    c->Refresh();
    ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(2), 0));
    EXPECT_EQ(EngineCode([&] { c->Delete(); }), 0);
    c->Refresh();
    EXPECT_EQ(c->RecordCount(), 1);
}

TEST_F(EngineFaultsTest, ASecondStatementAfterASemicolonIsRefused) {
    CreateSchema(folder);
    TTable* exped = NewTable(&owner, folder, QStringLiteral("EXPED"));
    exped->Open();
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("1"));
    AddCase(exped, QStringLiteral("2024"), QStringLiteral("2"));
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT * FROM EXPED; DELETE FROM EXPED"));
    QString message;
    EXPECT_EQ(EngineCode([&] { q->Open(); }, &message), platform::db::ecSqlError);
    EXPECT_TRUE(message.contains(QStringLiteral("DELETE FROM EXPED"))) << message.toStdString();
    q->Close();
    q->SQL()->SetText(QStringLiteral("DELETE FROM EXPED WHERE NUMERO = '1'; DELETE FROM EXPED"));
    EXPECT_EQ(EngineCode([&] { q->ExecSQL(); }), platform::db::ecSqlError);
    // A filter that would close its condition and start another statement.
    exped->SetFilter(QStringLiteral("ANO = '2024'); DELETE FROM exped; SELECT (1"));
    EXPECT_EQ(EngineCode([&] { exped->SetFiltered(true); exped->First(); }), platform::db::ecSqlError);
    exped->SetFiltered(false);
    exped->SetFilter(QString());
    exped->Refresh();
    EXPECT_EQ(exped->RecordCount(), 2);
    // A closing semicolon, blanks and comments are no second statement.
    q->SQL()->SetText(QStringLiteral("SELECT * FROM EXPED ; -- todos\n/* fin */"));
    q->Open();
    EXPECT_EQ(q->RecordCount(), 2);
}
