// The SQLite engine: one file "zembra.db" per data folder (WAL journal, so readers never wait for
// a writer and a killed process leaves the last committed state), record locks in the side file
// "zembra.locks", on a network folder the mark "zembra.puesto" of the one machine writing there,
// Spanish collations and the translation of the application's local SQL.
#include "platform/db/Collation.h"
#include "platform/db/Driver.h"
#include "platform/db/EngineSql.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QUrl>
#include <cstring>
#include <cmath>
#include <ctime>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace platform::db {

QStringList TTableDesc::PrimaryFields() const {
    for (const TIndexDesc& ix : Indexes)
        if (ix.Primary) return ix.Fields;
    return {};
}

int TTableDesc::ColumnIndex(const QString& name) const {
    // Callers mostly give the layout's own spelling: the exact look first is the cheap one.
    for (size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i].Name == name) return int(i);
    for (size_t i = 0; i < Columns.size(); ++i)
        if (Columns[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

QString EngineMessage(int code) {
    switch (code) {
    case ecKeyViolation: return QStringLiteral("Clave duplicada.");
    case ecRecordLocked: return QStringLiteral("Otro usuario tiene el registro bloqueado.");
    case ecRecordChanged: return QString::fromUtf8("No se ha podido modificar: otro usuario ha cambiado el registro.");
    case ecNoSuchTable: return QStringLiteral("La tabla no existe.");
    case ecFileCorrupt: return QString::fromUtf8("El fichero de la base de datos está dañado.");
    case ecLockTimeout: return QString::fromUtf8("No se puede bloquear la tabla: otro puesto la está usando.");
    case ecInvalidRequest: return QString::fromUtf8("Petición no válida.");
    case ecInvalidPath: return QStringLiteral("La carpeta no existe.");
    case ecReadOnlyFolder: return QString::fromUtf8("La carpeta de datos es de sólo lectura y no tiene base de datos: no se puede crear.");
    case ecNoAccess: return QString::fromUtf8("No tiene permiso para leer la base de datos.");
    case ecFileMissing: return QString::fromUtf8("Falta el fichero de la base de datos.");
    case ecNoLocks: return QString::fromUtf8("No se pueden tomar bloqueos de registro: los datos no se abren para escribir.");
    case ecFileMoved: return QString::fromUtf8("El fichero de la base de datos ha sido borrado o movido mientras estaba abierto: no se ha guardado nada.");
    case ecReadOnlyData: return QString::fromUtf8("Los datos están abiertos sólo para lectura.");
    case ecServerLost: return QString::fromUtf8("No hay conexión con el servidor de datos.");
    case ecLayoutChanged: return QString::fromUtf8("Otro puesto ha cambiado la estructura de la tabla: vuelva a abrir la ventana.");
    case ecOtherMachine:
        return QString::fromUtf8("Los datos están en una carpeta de red y otro puesto los tiene abiertos: dos puestos a la vez "
                                 "estropearían la base de datos en una carpeta así.");
    case ecFolderLost:
        return QString::fromUtf8("No se llega a la carpeta de datos: la conexión de red se ha perdido, el disco se ha retirado o la "
                                 "carpeta se ha movido. No se ha guardado nada.");
    case ecOutcomeUnknown: return QString::fromUtf8("No se sabe si se ha guardado la última operación.");
    case ecNewerOrder:
        return QString::fromUtf8("Los datos los ha preparado una versión más reciente del programa: actualice este puesto antes de "
                                 "abrirlos.");
    default: return QStringLiteral("Error general de SQL.");
    }
}

void EngineError(int code, const QString& detail) {
    QString msg = EngineMessage(code);
    if (!detail.isEmpty()) msg += QLatin1Char('\n') + detail;
    throw EDBEngineError(code, msg);
}

QString StorageName(const QString& tableName) {
    QString n = tableName.trimmed();
    if (n.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) n.chop(3);
    int slash = n.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) n = n.mid(slash + 1);
    return n.toLower();
}

bool IsEngineFile(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    for (const char* f : {"zembra.db", "zembra.db-wal", "zembra.db-shm", "zembra.db-journal", "zembra.locks", "zembra.puesto"})
        if (name == QLatin1String(f)) return true;
    return false;
}

namespace {
QMutex& LocalLockFoldersMutex() {
    static QMutex m;
    return m;
}
QSet<QString>& LocalLockFolders() {
    static QSet<QString> s;
    return s;
}
}  // namespace

void SetLocksStayOnThisMachine(const QString& folder, bool yes) {
    QMutexLocker guard(&LocalLockFoldersMutex());
    const QString key = QDir(folder).absolutePath();
    if (yes) LocalLockFolders().insert(key);
    else LocalLockFolders().remove(key);
}

bool LocksStayOnThisMachine(const QString& folder) {
    {
        QMutexLocker guard(&LocalLockFoldersMutex());
        if (LocalLockFolders().contains(QDir(folder).absolutePath())) return true;
    }
    struct statfs fs {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x65735546UL:  // user-space file systems (a share over ssh, a bound folder)
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x01021997UL:  // 9P
    case 0x00C36400UL:  // Ceph
    case 0x5346414FUL:  // AFS
    case 0x73757245UL:  // Coda
        return true;
    default: return false;
    }
}

using namespace engine;

namespace {

// Every user who may write the database may open the engine's side files: `fd`'s file gets the
// database's write permissions and group (when this user owns it and may set them).
void ShareLikeDatabase(int fd, const QString& database) {
    if (fd < 0) return;
    struct stat db {}, lk {};
    if (::stat(database.toLocal8Bit().constData(), &db) != 0 || ::fstat(fd, &lk) != 0) return;
    if (lk.st_gid != db.st_gid && ::fchown(fd, uid_t(-1), db.st_gid) != 0) {
        // not this user's to change; the mode below still opens it to everyone who writes the database
    }
    mode_t wanted = lk.st_mode & 0666;
    if (db.st_mode & S_IWGRP) wanted |= S_IRGRP | S_IWGRP;
    if (db.st_mode & S_IWOTH) wanted |= S_IROTH | S_IWOTH;
    if (wanted != (lk.st_mode & 0666)) (void)::fchmod(fd, wanted);
}

// ---------------------------------------------------------------- one machine on a network folder

// The mark "zembra.puesto" names the machine that has the folder's data open for writing: made
// only where there was none (creating a file that exists fails on the server too), it keeps out
// every other machine until the last process of this one lets go. Processes of this machine
// share it, and take local locks on it to tell the last one.
class TMachineMark {
public:
    explicit TMachineMark(const QString& folder) : FPath(QDir(folder).filePath(QStringLiteral("zembra.puesto"))) {
        const QByteArray path = QFile::encodeName(FPath);
        for (int tries = 0; tries < 5; ++tries) {
            FFd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (FFd >= 0) {
                const QByteArray text = (Machine() + QLatin1Char('\n') + QSysInfo::machineHostName() + QLatin1Char('\n') +
                                         UserName() + QLatin1Char('\n') +
                                         QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")) + QLatin1Char('\n'))
                                            .toUtf8();
                if (::write(FFd, text.constData(), size_t(text.size())) != ssize_t(text.size()) || ::fsync(FFd) != 0) {
                    const int why = errno;
                    ::close(FFd);
                    FFd = -1;
                    ::unlink(path.constData());
                    Refuse(why);
                }
            } else if (errno == EEXIST) {
                FFd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
                if (FFd < 0 && errno == EACCES) FFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);  // shared, never the last
                if (FFd < 0 && errno == ENOENT) continue;  // let go meanwhile
                if (FFd < 0) Refuse(errno);
                const QStringList who = QString::fromUtf8(ReadAll(FFd)).split(QLatin1Char('\n'));
                if (who.value(0) != Machine()) {
                    ::close(FFd);
                    FFd = -1;
                    EngineError(ecOtherMachine,
                                QString::fromUtf8("Carpeta: %1\nPuesto: %2 (usuario %3, desde el %4).\nCierre el programa en ese puesto y "
                                                  "vuelva a intentarlo; si ese puesto ya no lo tiene abierto, borre el fichero %5. "
                                                  "Para trabajar desde varios puestos a la vez, lleve los datos a un servidor de datos.")
                                    .arg(folder, who.value(1, QStringLiteral("?")), who.value(2, QStringLiteral("?")),
                                         who.value(3, QStringLiteral("?")), FPath));
                }
            } else {
                Refuse(errno);
            }
            // Held shared while open; the last process of this machine may take it whole.
            if (SetLock(F_RDLCK, true) && StillThere()) return;
            ::close(FFd);
            FFd = -1;
        }
        Refuse(EAGAIN);
    }
    ~TMachineMark() {
        if (FFd < 0) return;
        if (SetLock(F_WRLCK, false) && StillThere()) ::unlink(QFile::encodeName(FPath).constData());
        ::close(FFd);
    }
    TMachineMark(const TMachineMark&) = delete;
    TMachineMark& operator=(const TMachineMark&) = delete;

private:
    // The machine, and its name (one system image may run as several machines).
    static QString Machine() {
        return QString::fromLatin1(QSysInfo::machineUniqueId()) + QLatin1Char('/') + QSysInfo::machineHostName();
    }
    static QString UserName() {
        if (const passwd* pw = ::getpwuid(::getuid())) return QString::fromLocal8Bit(pw->pw_name);
        return QString::number(::getuid());
    }
    static QByteArray ReadAll(int fd) {
        QByteArray all;
        char buf[512];
        ssize_t n;
        while ((n = ::pread(fd, buf, sizeof buf, off_t(all.size()))) > 0 && all.size() < 4096) all.append(buf, int(n));
        return all;
    }
    bool SetLock(short type, bool wait) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
        return ::fcntl(FFd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0;
#else
        return ::fcntl(FFd, wait ? F_SETLKW : F_SETLK, &fl) == 0;
#endif
    }
    // The mark held is still the folder's (the last process may have removed it meanwhile).
    bool StillThere() const {
        struct stat held {}, now {};
        return ::fstat(FFd, &held) == 0 && ::stat(QFile::encodeName(FPath).constData(), &now) == 0 && held.st_ino == now.st_ino &&
               held.st_dev == now.st_dev;
    }
public:
    void Share(const QString& database) { ShareLikeDatabase(FFd, database); }

private:
    [[noreturn]] void Refuse(int why) {
        if (FFd >= 0) ::close(FFd);
        FFd = -1;
        EngineError(ecNoLocks, QStringLiteral("%1: %2").arg(FPath, QString::fromLocal8Bit(std::strerror(why))));
    }
    QString FPath;
    int FFd = -1;
};

// ---------------------------------------------------------------- record locks

// One open lock file per folder and process; in-process owners kept beside it so that two
// cursors of one process conflict as two workstations do.
class TLockFile {
public:
    // Every user who may write the database may take locks: the file gets the database's
    // permissions and group (when this user owns it and may set them).
    TLockFile(const QString& folder, const QString& database) {
        FPath = QDir(folder).filePath(QStringLiteral("zembra.locks"));
        FFd = ::open(FPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (FFd < 0) {
            FError = errno;
            return;
        }
        Share(database);
    }
    // Called on every opening, so a database whose permissions were widened since is followed.
    void Share(const QString& database) { ShareLikeDatabase(FFd, database); }
    bool Usable() const { return FFd >= 0; }
    QString Path() const { return FPath; }
    // The file held is not the one its path names any more: the folder's share was lost and
    // mounted again, and the old file takes no lock another workstation sees.
    bool Stale() const {
        struct stat held {}, now {};
        return FFd >= 0 && (::fstat(FFd, &held) != 0 || ::stat(FPath.toLocal8Bit().constData(), &now) != 0 ||
                            held.st_dev != now.st_dev || held.st_ino != now.st_ino);
    }
    // This process's locks are taken again on the file there now. One another workstation took
    // meanwhile is given up: the edit that held it takes it again at its post, and is refused.
    void Reopen(const QString& database) {
        QMutexLocker guard(&FMutex);
        const int fd = ::open(FPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        const int old = FFd;
        FFd = fd;
        if (fd < 0) {
            FError = errno;
            FOwners.clear();
        } else {
            for (auto it = FOwners.begin(); it != FOwners.end();) it = SetLock(it->first, F_WRLCK) ? std::next(it) : FOwners.erase(it);
            ShareLikeDatabase(FFd, database);
        }
        ::close(old);
    }
    int Error() const { return FError; }
    ~TLockFile() {
        if (FFd >= 0) ::close(FFd);
    }
    bool Lock(quint64 offset, const void* owner) {
        QMutexLocker guard(&FMutex);
        auto it = FOwners.find(offset);
        if (it != FOwners.end()) return it->second == owner;
        if (FFd >= 0 && !SetLock(offset, F_WRLCK)) return false;
        FOwners[offset] = owner;
        return true;
    }
    void Unlock(quint64 offset, const void* owner) {
        QMutexLocker guard(&FMutex);
        auto it = FOwners.find(offset);
        if (it == FOwners.end() || it->second != owner) return;
        FOwners.erase(it);
        if (FFd >= 0) SetLock(offset, F_UNLCK);
    }

private:
    bool SetLock(quint64 offset, short type) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(offset);
        fl.l_len = 1;
#ifdef F_OFD_SETLK
        return ::fcntl(FFd, F_OFD_SETLK, &fl) == 0;
#else
        return ::fcntl(FFd, F_SETLK, &fl) == 0;
#endif
    }
    int FFd = -1;
    int FError = 0;
    QString FPath;
    QMutex FMutex;
    std::map<quint64, const void*> FOwners;
};

std::shared_ptr<TLockFile> LockFileFor(const QString& folder, const QString& database) {
    static QMutex mutex;
    static QHash<QString, std::weak_ptr<TLockFile>> files;
    QMutexLocker guard(&mutex);
    QString key = QDir(folder).canonicalPath();
    auto sp = files.value(key).lock();
    if (sp && sp->Usable() && sp->Stale()) sp->Reopen(database);
    if (!sp || !sp->Usable()) {
        sp = std::make_shared<TLockFile>(folder, database);
        files.insert(key, sp);
    } else {
        sp->Share(database);
    }
    return sp;
}

// ---------------------------------------------------------------- SQL functions

int CollateEs(void*, int la, const void* a, int lb, const void* b) {
    return SpanishCompare(static_cast<const QChar*>(a), la / 2, static_cast<const QChar*>(b), lb / 2);
}
int CollateEsCI(void*, int la, const void* a, int lb, const void* b) {
    return SpanishCompareCI(static_cast<const QChar*>(a), la / 2, static_cast<const QChar*>(b), lb / 2);
}
// The database stores UTF-8: comparing it as stored spares the engine a conversion of both keys.
int CollateEs8(void*, int la, const void* a, int lb, const void* b) {
    return SpanishCompareUtf8(static_cast<const char*>(a), la, static_cast<const char*>(b), lb, false);
}
int CollateEsCI8(void*, int la, const void* a, int lb, const void* b) {
    return SpanishCompareUtf8(static_cast<const char*>(a), la, static_cast<const char*>(b), lb, true);
}

// Whether a stored text is still the one read from it: texts are equal when they read the same,
// so bytes another program left that are not UTF-8 (read with replacement characters) match the
// text read from them, and any other difference, of case or accent alone too, tells them apart.
int CollateAsRead(void*, int la, const void* a, int lb, const void* b) {
    if (la == lb && (la == 0 || std::memcmp(a, b, size_t(la)) == 0)) return 0;
    const int r = QString::fromUtf8(static_cast<const char*>(a), la).compare(QString::fromUtf8(static_cast<const char*>(b), lb));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

QString ArgText(sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    int n = sqlite3_value_bytes16(v);
    return p ? QString(static_cast<const QChar*>(p), n / 2) : QString();
}
void ResultText(sqlite3_context* ctx, const QString& s) {
    sqlite3_result_text16(ctx, s.constData(), int(s.size() * 2), SQLITE_TRANSIENT);
}

void FnUpper(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toUpper());
}
void FnLower(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toLower());
}

// Civil date of a TDateTime day number.
void DecodeDays(double value, int& y, int& m, int& d) {
    qint64 jdn = qint64(std::floor(value)) + 2415019;  // 30/12/1899 is julian day 2415019
    qint64 a = jdn + 32044, b = (4 * a + 3) / 146097, c = a - 146097 * b / 4;
    qint64 dd = (4 * c + 3) / 1461, e = c - 1461 * dd / 4, mm = (5 * e + 2) / 153;
    d = int(e - (153 * mm + 2) / 5 + 1);
    m = int(mm + 3 - 12 * (mm / 10));
    y = int(100 * b + dd - 4800 + mm / 10);
}

// zb_extract('YEAR'|'MONTH'|'DAY'|'HOUR'|'MINUTE'|'SECOND', value)
void FnExtract(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    QString part = ArgText(argv[0]).toUpper();
    double v = sqlite3_value_double(argv[1]);
    int y, m, d;
    DecodeDays(v, y, m, d);
    qint64 ms = qint64(std::llround((v - std::floor(v)) * 86400000.0));
    if (part == QLatin1String("YEAR")) return sqlite3_result_int(ctx, y);
    if (part == QLatin1String("MONTH")) return sqlite3_result_int(ctx, m);
    if (part == QLatin1String("DAY")) return sqlite3_result_int(ctx, d);
    if (part == QLatin1String("HOUR")) return sqlite3_result_int(ctx, int(ms / 3600000));
    if (part == QLatin1String("MINUTE")) return sqlite3_result_int(ctx, int(ms / 60000 % 60));
    if (part == QLatin1String("SECOND")) return sqlite3_result_int(ctx, int(ms / 1000 % 60));
    sqlite3_result_error(ctx, "bad EXTRACT part", -1);
}

// ---------------------------------------------------------------- values

// `s` as the UTF-8 the file stores, written at `o` (room for three bytes a character); a lone
// surrogate becomes the replacement character, as ValidText makes it. Returns the end.
char* Utf8Into(const QString& s, char* o) {
    const qsizetype n = s.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            *o++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(p[++i]) - 0xDC00);
            *o++ = char(0xF0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3F));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        *o++ = char(0xE0 | (c >> 12));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    }
    return o;
}

// `s` as UTF-8, ended by a NUL, in a buffer of this thread's kept from call to call: valid until
// the next, for texts the engine copies or reads at once.
std::string_view Utf8Of(const QString& s) {
    thread_local std::string buf;
    buf.resize(size_t(s.size()) * 3 + 1);
    char* end = Utf8Into(s, buf.data());
    *end = '\0';
    return std::string_view(buf.data(), size_t(end - buf.data()));
}

// A text bound as UTF-8, copied by the engine.
void BindText(sqlite3_stmt* st, int pos, const QString& s) {
    const std::string_view text = Utf8Of(s);
    sqlite3_bind_text(st, pos, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

// The texts of one run of a statement, encoded into storage that lives as long as the run:
// the engine reads them where they are rather than copying each. The run unbinds them before
// this goes.
class TRunTexts {
public:
    TRunTexts() = default;
    TRunTexts(const TRunTexts&) = delete;
    TRunTexts& operator=(const TRunTexts&) = delete;
    void Bind(sqlite3_stmt* st, int pos, const QString& s) {
        const size_t room = size_t(s.size()) * 3;
        if (room > size_t(FEnd - FNext)) {
            // The texts bound already keep their place: more storage, not a larger one.
            FMore.push_back(std::make_unique<char[]>(room));
            FNext = FMore.back().get();
            FEnd = FNext + room;
        }
        char* start = FNext;
        FNext = Utf8Into(s, start);
        sqlite3_bind_text(st, pos, start, int(FNext - start), SQLITE_STATIC);
    }

private:
    char FLocal[256];
    char* FNext = FLocal;
    char* FEnd = FLocal + sizeof(FLocal);
    std::vector<std::unique_ptr<char[]>> FMore;
};

void BindValue(sqlite3_stmt* st, int pos, const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(st, pos);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
        sqlite3_bind_int64(st, pos, v.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(st, pos, v.toDouble());
        break;
    case QMetaType::QByteArray: {
        QByteArray b = v.toByteArray();
        sqlite3_bind_blob(st, pos, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QString: BindText(st, pos, *static_cast<const QString*>(v.constData())); break;
    default: BindText(st, pos, v.toString());
    }
}

QVariant ColumnValue(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(st, i));
    case SQLITE_TEXT: {
        // Blank texts read as nulls, as the fields expect them.
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        int n = sqlite3_column_bytes(st, i);
        if (n == 0) return QVariant();
        return QVariant(QString::fromUtf8(p, n));
    }
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(st, i);
        int n = sqlite3_column_bytes(st, i);
        return QVariant(QByteArray(static_cast<const char*>(p), n));
    }
    default: return QVariant();
    }
}

// The engine's words for a failure. Where they only name the kind of failure, the user reads it in
// Spanish, or not at all when the code's own message already says it; a specific text (the name of a
// column, a constraint) stays as the engine wrote it.
QString SqliteDetail(sqlite3* db, int rc) {
    const char* m = db ? sqlite3_errmsg(db) : "";
    if (std::strcmp(m, sqlite3_errstr(rc)) != 0) return QString::fromUtf8(m);
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY: return QString();
    case SQLITE_NOTADB: return QString::fromUtf8("El fichero no es una base de datos.");
    case SQLITE_FULL: return QString::fromUtf8("El disco está lleno.");
    case SQLITE_IOERR: return QString::fromUtf8("Error de lectura o escritura en el disco.");
    case SQLITE_CANTOPEN: return QString::fromUtf8("No se puede abrir el fichero.");
    case SQLITE_PERM: return QString::fromUtf8("Acceso denegado.");
    case SQLITE_NOMEM: return QString::fromUtf8("No queda memoria.");
    default: return QString::fromUtf8(m);
    }
}

// Why this user may not write the data when it is a matter of rights, and whom to ask; empty otherwise
// (a read-only medium, a file being checked).
QString SinPermisoDeEscritura(sqlite3* db) {
    const char* f = db ? sqlite3_db_filename(db, "main") : nullptr;
    if (!f || !*f) return QString();
    const QString fichero = QString::fromUtf8(f);
    QString falta;
    if (::access(f, W_OK) != 0 && errno == EACCES)
        falta = fichero;
    else if (const QString carpeta = QFileInfo(fichero).absolutePath();
             ::access(QFile::encodeName(carpeta).constData(), W_OK | X_OK) != 0 && errno == EACCES)
        falta = carpeta;
    if (falta.isEmpty()) return QString();
    return QString::fromUtf8("Este usuario no tiene permiso para escribir en \"%1\". Pida a quien administre el equipo "
                             "que le dé permiso de escritura en la carpeta de datos y en sus ficheros.")
        .arg(falta);
}

// A disk error or a full disk is said naming the data folder, which the user is to look at; a
// folder no longer reachable (a share lost, a disk taken away) or gone read-only is said as such.
[[noreturn]] void RaiseStorage(sqlite3* db, int rc, const QString& msg) {
    const char* name = sqlite3_db_filename(db, "main");
    if (!name || !*name) EngineError(ecSqlError, msg);  // a private copy in memory
    const QString folder = QFileInfo(QString::fromUtf8(name)).absolutePath();
    int moved = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
    if (moved) EngineError(ecFolderLost, folder);
    struct statvfs fs {};
    if ((rc & 0xFF) == SQLITE_IOERR && ::statvfs(QFile::encodeName(folder).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        EngineError(ecReadOnlyData,
                    QString::fromUtf8("El disco de la carpeta de datos %1 ha pasado a ser de sólo lectura: no se ha guardado nada.").arg(folder));
    EngineError(ecSqlError, QString::fromUtf8("%1\nCarpeta de datos: %2. No se ha guardado nada.").arg(msg, folder));
}

[[noreturn]] void RaiseSqlite(sqlite3* db, int rc) {
    int ext = sqlite3_extended_errcode(db);
    QString msg = SqliteDetail(db, rc);
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY) EngineError(ecKeyViolation);
    if (ext == SQLITE_CONSTRAINT_COMMITHOOK) EngineError(ecFileMoved, QString::fromUtf8(sqlite3_db_filename(db, "main")));
    switch (rc & 0xFF) {
    case SQLITE_READONLY: {
        const QString permiso = SinPermisoDeEscritura(db);
        EngineError(ecReadOnlyData, permiso.isEmpty() ? msg : permiso);
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED: EngineError(ecLockTimeout, msg);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: EngineError(ecFileCorrupt, msg);
    case SQLITE_IOERR:
    case SQLITE_FULL: RaiseStorage(db, rc, msg);
    default: break;
    }
    if (msg.startsWith(QLatin1String("no such table"))) EngineError(ecNoSuchTable, msg);
    EngineError(ecSqlError, msg);
}

}  // namespace

class TSqliteConnection;

namespace {

class TSqliteStatement : public TStatement {
public:
    // `schema` is the layout version the statement was compiled against.
    TSqliteStatement(TSqliteConnection* connection, sqlite3_stmt* st, qint64 schema);
    ~TSqliteStatement() override { sqlite3_finalize(FSt); }
    int ParamCount() const override { return sqlite3_bind_parameter_count(Current()); }
    QString ParamName(int index) const override {
        const char* n = sqlite3_bind_parameter_name(Current(), index + 1);
        return n ? QString::fromUtf8(n + 1) : QString();
    }
    void Bind(int index, const QVariant& value) override {
        sqlite3_stmt* st = Current();
        if (size_t(index) >= FBound.size()) FBound.resize(size_t(index) + 1);
        FBound[size_t(index)] = value;
        BindValue(st, index + 1, value);
    }
    bool Step() override;
    bool StepOnce();
    void Reset() override {
        sqlite3_reset(FSt);
        sqlite3_clear_bindings(FSt);
        FBound.clear();
        FRunning = false;
        // Run again later: by then another connection may have changed a table's layout.
        FCheck = true;
    }
    int ColumnCount() const override { return sqlite3_column_count(Current()); }
    QString ColumnName(int i) const override { return QString::fromUtf8(sqlite3_column_name(Current(), i)); }
    QString ColumnTable(int i) const override { return QString::fromUtf8(sqlite3_column_table_name(Current(), i)); }
    QString ColumnOrigin(int i) const override { return QString::fromUtf8(sqlite3_column_origin_name(Current(), i)); }
    QVariant Column(int i) const override { return ColumnValue(FSt, i); }
    qint64 RowsAffected() const override { return FChanges; }

private:
    // The statement compiled on the connection's file as it is now: opened again since (the folder
    // lost and back), or with a layout another connection changed, which the engine itself only
    // notices at the first step, after the columns have been read as they were.
    sqlite3_stmt* Current() const;
    void Renew() const;

    TSqliteConnection* FConn;
    mutable sqlite3_stmt* FSt;
    mutable qint64 FSchema;
    mutable int FGeneration;
    mutable bool FCheck = false;
    mutable bool FRunning = false;  // stepped into its rows and not reset
    std::vector<QVariant> FBound;   // bound again on a statement compiled anew
    qint64 FChanges = 0;
};

// ---------------------------------------------------------------- layouts from the schema's text

// A piece of a schema statement: a word, a quoted name, a string, a number, or a sign (its own
// character as the kind). Views into the statement's text: reading the schema allocates little.
struct TSchemaToken {
    char Kind;
    QStringView Text;  // without the quotes
    bool Doubled = false;  // a quote written twice inside
    QString Name() const {
        if (!Doubled) return Text.toString();
        const QChar q = Kind == 's' ? QLatin1Char('\'') : QLatin1Char('"');
        return Text.toString().replace(QString(2, q), QString(q));
    }
};

// False where the text holds what this reading does not follow (comments, bracketed names):
// such a layout is read the long way.
bool SchemaTokens(QStringView sql, std::vector<TSchemaToken>& out) {
    out.clear();
    const qsizetype n = sql.size();
    auto wordChar = [](QChar c) {
        const char16_t x = c.unicode();
        return x >= 0x80 || (x >= u'a' && x <= u'z') || (x >= u'A' && x <= u'Z') || (x >= u'0' && x <= u'9') || x == u'_' || x == u'$';
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            TSchemaToken t{c == QLatin1Char('"') ? 'q' : 's', {}};
            qsizetype j = i + 1;
            for (;; ++j) {
                if (j >= n) return false;
                if (sql[j] != c) continue;
                if (j + 1 < n && sql[j + 1] == c) {
                    t.Doubled = true;
                    ++j;
                    continue;
                }
                break;
            }
            t.Text = sql.mid(i + 1, j - i - 1);
            out.push_back(t);
            i = j + 1;
        } else if (wordChar(c)) {
            qsizetype j = i + 1;
            while (j < n && wordChar(sql[j])) ++j;
            out.push_back({c.isDigit() ? 'n' : 'w', sql.mid(i, j - i)});
            i = j;
        } else {
            if (c == QLatin1Char('[') || c == QLatin1Char('`') || c == QLatin1Char('-') || c == QLatin1Char('/')) return false;
            if (c.unicode() > 0x7f) return false;
            out.push_back({char(c.unicode()), sql.mid(i, 1)});
            ++i;
        }
    }
    return true;
}

bool IsWord(const TSchemaToken& t, const char* w) { return t.Kind == 'w' && IsKeyword(t.Text, w); }
bool IsName(const TSchemaToken& t) { return t.Kind == 'w' || t.Kind == 'q' || t.Kind == 's'; }
bool IsSign(const TSchemaToken& t, char c) { return t.Kind == c; }

// Walks a CREATE statement's head: `words` in order (an empty one matches any name), then an
// optional IF NOT EXISTS and the object's name, qualified or not. `i` ends after the name.
bool SchemaHead(const std::vector<TSchemaToken>& t, size_t& i, std::initializer_list<const char*> words) {
    for (const char* w : words) {
        if (i >= t.size() || !IsWord(t[i], w)) return false;
        ++i;
    }
    if (i + 2 < t.size() && IsWord(t[i], "IF") && IsWord(t[i + 1], "NOT") && IsWord(t[i + 2], "EXISTS")) i += 3;
    if (i >= t.size() || !IsName(t[i])) return false;
    ++i;
    if (i + 1 < t.size() && IsSign(t[i], '.') && IsName(t[i + 1])) i += 2;
    return true;
}

// A column as its definition reads: its name, and its declared type and order where they are
// written in the words this program writes (else the engine is asked for them).
struct TSchemaColumn {
    QString Name;
    QStringView Type;       // as written, empty when none is
    QStringView Collation;  // the order the column names, empty when none
    bool Plain = true;
};

// What may follow a column's type: the start of one of its constraints.
bool ConstraintStart(const TSchemaToken& t) {
    for (const char* w : {"COLLATE", "DEFAULT", "CONSTRAINT", "NULL", "NOT", "PRIMARY", "UNIQUE", "CHECK", "REFERENCES",
                          "DEFERRABLE", "GENERATED", "AS"})
        if (IsWord(t, w)) return true;
    return false;
}

// The definition in tokens [from, to): the name, the type (words, then a size in parentheses)
// and the constraints, of which only the order is kept.
void SchemaColumn(const std::vector<TSchemaToken>& t, size_t from, size_t to, TSchemaColumn& c) {
    c.Name = t[from].Name();
    size_t i = from + 1;
    const size_t type = i;
    // Type words this program declares; a column typed otherwise is left to the engine.
    while (i < to && t[i].Kind == 'w' && IsDeclarationWord(t[i].Text)) ++i;
    if (i > type && i < to && IsSign(t[i], '(')) {
        size_t j = i + 1;
        bool sized = j < to && t[j].Kind == 'n';
        ++j;
        if (sized && j < to && IsSign(t[j], ',')) {
            sized = j + 1 < to && t[j + 1].Kind == 'n';
            j += 2;
        }
        if (!sized || j >= to || !IsSign(t[j], ')')) {
            c.Plain = false;
            return;
        }
        i = j + 1;
    }
    if (i > type) c.Type = QStringView(t[type].Text.data(), t[i - 1].Text.data() + t[i - 1].Text.size());
    if (i < to && !ConstraintStart(t[i])) {
        c.Plain = false;
        return;
    }
    int depth = 0;
    for (; i < to; ++i) {
        if (IsSign(t[i], '(')) ++depth;
        else if (IsSign(t[i], ')')) --depth;
        else if (depth == 0 && IsWord(t[i], "COLLATE") && i + 1 < to && IsName(t[i + 1])) {
            if (t[i + 1].Doubled || t[i + 1].Kind == 's') c.Plain = false;
            c.Collation = t[i + 1].Text;
        }
    }
}

// The columns a CREATE TABLE statement defines, in order. Tables with generated columns or
// options after the list, and virtual tables, are not followed.
bool SchemaColumns(QStringView sql, std::vector<TSchemaToken>& t, std::vector<TSchemaColumn>& columns) {
    columns.clear();
    if (!SchemaTokens(sql, t)) return false;
    size_t i = 0;
    if (!SchemaHead(t, i, {"CREATE", "TABLE"}) || i >= t.size() || !IsSign(t[i], '(')) return false;
    int depth = 0;
    bool start = true, constraints = false;
    size_t column = 0;  // where the definition being read starts (0: none)
    auto ends = [&] {
        if (!column) return;
        columns.emplace_back();
        SchemaColumn(t, column, i, columns.back());
        column = 0;
    };
    for (++i; i < t.size(); ++i) {
        if (IsSign(t[i], '(')) {
            ++depth;
        } else if (IsSign(t[i], ')')) {
            if (depth-- == 0) break;
        } else if (depth > 0) {
            continue;
        } else if (IsSign(t[i], ',')) {
            ends();
            start = true;
        } else if (start) {
            start = false;
            // Once the table's own constraints start, no column follows.
            for (const char* w : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
                if (IsWord(t[i], w)) constraints = true;
            if (constraints) continue;
            if (!IsName(t[i])) return false;
            column = i;
        } else if (!constraints && (IsWord(t[i], "AS") || IsWord(t[i], "GENERATED"))) {
            return false;
        }
    }
    ends();
    return i + 1 == t.size() && !columns.empty();
}

// The key columns of a CREATE INDEX statement and the order each names (empty where the column's
// own applies). Indexes on expressions or on part of the rows are not followed.
bool SchemaIndex(QStringView sql, std::vector<TSchemaToken>& t, bool& unique, QStringList& columns, QStringList& collations) {
    if (!SchemaTokens(sql, t)) return false;
    size_t i = 0;
    unique = t.size() > 1 && IsWord(t[1], "UNIQUE");
    if (!SchemaHead(t, i, unique ? std::initializer_list<const char*>{"CREATE", "UNIQUE", "INDEX"}
                                 : std::initializer_list<const char*>{"CREATE", "INDEX"}))
        return false;
    if (i + 2 >= t.size() || !IsWord(t[i], "ON") || !IsName(t[i + 1]) || !IsSign(t[i + 2], '(')) return false;
    for (i += 3; i < t.size(); ++i) {
        if (!IsName(t[i])) return false;
        columns << t[i].Name();
        collations << QString();
        ++i;
        if (i + 1 < t.size() && IsWord(t[i], "COLLATE") && IsName(t[i + 1])) {
            collations.back() = t[i + 1].Name();
            i += 2;
        }
        if (i < t.size() && (IsWord(t[i], "ASC") || IsWord(t[i], "DESC"))) ++i;
        if (i >= t.size()) return false;
        if (IsSign(t[i], ')')) return i + 1 == t.size();
        if (!IsSign(t[i], ',')) return false;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- the connection

class TSqliteConnection : public TConnection {
public:
    // `mayCreate` false: a folder without its database is not the one that was open.
    explicit TSqliteConnection(const QString& folder, bool mayCreate = true) : FFolder(folder) {
        if (!QFileInfo(folder).isDir()) EngineError(mayCreate ? ecInvalidPath : ecFolderLost, folder);
        FFolderFd.Fd = ::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        // A folder this user may not enter hides its database: it is there, out of reach.
        const auto pideLectura = [](const QString& what) {
            return QString::fromUtf8("%1\nPida a quien administre el equipo permiso de lectura sobre él.").arg(what);
        };
        if (::access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0 && errno == EACCES)
            EngineError(ecNoAccess, pideLectura(folder));
        const QString file = QDir(folder).filePath(QStringLiteral("zembra.db"));
        const QByteArray path = file.toLocal8Bit();
        const QFileInfo info(file);
        if (info.isSymLink() && !info.exists()) EngineError(ecFileMissing, file);
        if (info.exists() && !info.isFile()) EngineError(ecFileMissing, file);
        if (info.exists() && ::access(path.constData(), R_OK) != 0) EngineError(ecNoAccess, pideLectura(file));
        if (!mayCreate && !info.exists()) EngineError(ecFolderLost, folder);
        const bool folderWritable = ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
        if (!info.exists() && !folderWritable) EngineError(ecReadOnlyFolder, folder);
        // Without write access to the file or its folder (a read-only medium, a shared folder
        // this user may only read) the data opens for reading.
        FReadOnly = !folderWritable || (info.exists() && ::access(path.constData(), W_OK) != 0);
        if (FReadOnly) {
            OpenReadOnly(file);
        } else {
            // Before the file is touched: opening the journal alone writes to it.
            if (LocksStayOnThisMachine(folder)) FMark = std::make_unique<TMachineMark>(folder);
            Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
            if (sqlite3_db_readonly(FDb, "main") == 1) FReadOnly = true;  // a read-only mount
            // A new office in a folder others share is theirs too; the journal's files and the
            // lock file take the database's rights from here.
            else if (!info.exists()) ShareLikeFolder(file);
        }
        try {
            if (!FReadOnly) {
                Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
                Exec(QStringLiteral("PRAGMA synchronous=FULL"));
            }
            Exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
            // Reading the schema here turns a damaged or foreign file into a clear error at once
            // (setting the journal has read it already).
            if (FReadOnly) Exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            // Searched or written here, indexes in an order this build does not know would miss
            // rows or be damaged without a word.
            const qint64 order = OrderVersion();
            if (order > kIcuOrder) EngineError(ecNewerOrder, FFolder);
            if (order < kIcuOrder) {
                if (FReadOnly)
                    ReadSortedCopy();
                else
                    Reorder();
            }
        } catch (...) {
            ClearCache();  // a statement left open would keep the connection from closing
            sqlite3_close(FDb);
            FDb = nullptr;
            throw;
        }
        // Every commit first checks that the file is still where it was opened: writes to a
        // deleted or moved file would report success and be lost at exit.
        sqlite3_commit_hook(FDb, [](void* db) -> int {
            int moved = 0;
            sqlite3_file_control(static_cast<sqlite3*>(db), "main", SQLITE_FCNTL_HAS_MOVED, &moved);
            return moved ? 1 : 0;
        }, FDb);
        if (FReadOnly) return;
        if (FMark) FMark->Share(file);
        FLocks = LockFileFor(folder, file);
        if (!FLocks->Usable()) {
            const QString why = QString::fromLocal8Bit(std::strerror(FLocks->Error()));
            sqlite3_close(FDb);
            FDb = nullptr;
            EngineError(ecNoLocks, QString::fromUtf8("%1: %2. Quien administre el equipo debe dar permiso de escritura sobre ese "
                                                     "fichero a todos los que escriben en los datos.")
                                       .arg(FLocks->Path(), why));
        }
    }
    // Files written before the Spanish order came from ICU keep their indexes in the old order:
    // they are rebuilt once, and the file marked.
    qint64 OrderVersion() {
        qint64 v = 0;
        Run(QStringLiteral("PRAGMA user_version"), {}, [&](sqlite3_stmt* st) { v = sqlite3_column_int64(st, 0); return false; });
        return v;
    }
    void Reorder() {
        Exec(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            const qint64 order = OrderVersion();
            if (order > kIcuOrder) EngineError(ecNewerOrder, FFolder);  // another workstation's later build got here first
            if (order < kIcuOrder) {
                Exec(QStringLiteral("REINDEX ZBES"));
                Exec(QStringLiteral("REINDEX ZBES_CI"));
                Exec(QStringLiteral("PRAGMA user_version = %1").arg(kIcuOrder));
            }
            Exec(QStringLiteral("COMMIT"));
        } catch (...) {
            sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        ClearCache();
    }
    static constexpr qint64 kIcuOrder = 2;
    // Such a file that may only be read is read from a private copy sorted again; the copy takes
    // no writes, which would be lost with it.
    void ReadSortedCopy() {
        ClearCache();
        sqlite3* copy = nullptr;
        int rc = sqlite3_open_v2("", &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            RegisterSqliteFunctions(copy);
            sqlite3_backup* b = sqlite3_backup_init(copy, "main", FDb, "main");
            rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(copy);
            if (b && sqlite3_backup_finish(b) != SQLITE_OK && rc == SQLITE_DONE) rc = sqlite3_errcode(copy);
            if (rc == SQLITE_DONE) rc = SQLITE_OK;
        }
        if (rc != SQLITE_OK) {
            try {
                RaiseSqlite(copy, rc);  // a full temporary folder is said as such, not as damage
            } catch (...) {
                sqlite3_close(copy);
                throw;
            }
        }
        sqlite3_close(FDb);
        FDb = copy;
        sqlite3_busy_timeout(FDb, 10000);
        sqlite3_extended_result_codes(FDb, 1);
        Exec(QStringLiteral("REINDEX ZBES"));
        Exec(QStringLiteral("REINDEX ZBES_CI"));
        Exec(QStringLiteral("PRAGMA query_only = 1"));
    }

    void Open(const QByteArray& path, int flags) {
        int rc = sqlite3_open_v2(path.constData(), &FDb, flags, nullptr);
        if (rc != SQLITE_OK) {
            QString msg = FDb ? SqliteDetail(FDb, rc) : QString();
            sqlite3_close(FDb);
            FDb = nullptr;
            if ((rc & 0xFF) == SQLITE_CANTOPEN) EngineError(ecNoAccess, QString::fromLocal8Bit(path) + QLatin1Char('\n') + msg);
            EngineError(ecFileCorrupt, msg);
        }
        sqlite3_busy_timeout(FDb, 10000);
        sqlite3_extended_result_codes(FDb, 1);
        RegisterSqliteFunctions(FDb);
    }
    // The journal needs its shared-memory file; where it cannot be made, the file is read as it
    // stands (nobody can be writing to a medium this user cannot write either).
    void OpenReadOnly(const QString& file) {
        const QByteArray uri = QByteArray("file:") + QUrl::fromLocalFile(file).path(QUrl::FullyEncoded).toUtf8();
        Open(uri + "?mode=ro", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
        if (sqlite3_exec(FDb, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK) return;
        sqlite3_close(FDb);
        FDb = nullptr;
        Open(uri + "?mode=ro&immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
    }
    ~TSqliteConnection() override {
        for (auto* st : FCache) sqlite3_finalize(st);
        if (!FDb) return;
        // Files held on a mount that went: the last connection's close would remove the journal
        // by its name, and that name now gives the journal of the folder mounted again, which
        // holds what others, and this one's new handle, committed since.
        if (Reach() != TReach::Same) {
            int keep = 1;
            sqlite3_file_control(FDb, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        }
        sqlite3_close_v2(FDb);  // statements handed out and still alive close it when they go
    }

    // ---- the folder lost and back

    enum class TReach { Same, Back, Lost };
    // Whether the folder can be reached, and whether it is still the one the files held were
    // opened in: a share lost and mounted again leaves them on the old mount, where nothing can
    // be read or written any more.
    TReach Reach() const {
        const QByteArray path = QFile::encodeName(FFolder);
        struct stat held {}, now {};
        struct statvfs fs {};
        if (::stat(path.constData(), &now) != 0 || ::statvfs(path.constData(), &fs) != 0) return TReach::Lost;
        if (FFolderFd.Fd >= 0 &&
            (::fstat(FFolderFd.Fd, &held) != 0 || held.st_dev != now.st_dev || held.st_ino != now.st_ino))
            return TReach::Back;
        return TReach::Same;
    }
    // Before each action after the folder was found lost: while it still is, the action says so;
    // once back, the file and its side files are opened again, as at start.
    void Live() {
        if (!FStale) return;
        const TReach reach = Reach();
        if (reach == TReach::Same) {
            FStale = false;  // the files held still serve (a folder moved away and back)
            return;
        }
        // A transaction open on the old files is lost with them: it is rolled back first.
        if (reach == TReach::Lost || FInTrans) EngineError(ecFolderLost, FFolder);
        TSqliteConnection fresh(FFolder, false);
        ClearCache();
        std::swap(FDb, fresh.FDb);
        std::swap(FCache, fresh.FCache);
        std::swap(FMark, fresh.FMark);
        std::swap(FLocks, fresh.FLocks);
        std::swap(FFolderFd.Fd, fresh.FFolderFd.Fd);
        FReadOnly = fresh.FReadOnly;
        FCompiledSchema = -1;
        FStale = false;
        ++FGeneration;
    }
    // Every action of the connection goes through here. A folder lost and mounted again while
    // nothing asked leaves the files held on the old mount, where writes fail but pages kept in
    // memory still read without an error, as they were: the folder is looked at now and then,
    // and found back it is opened again before the action (not in the middle of one).
    template <class F>
    auto Act(F&& action) -> decltype(action()) {
        if (FActing) {
            Live();
            return action();
        }
        if (!FStale && LookDue() && Reach() == TReach::Back) FStale = true;
        Live();
        FActing = true;
        struct TActing {
            bool& On;
            ~TActing() { On = false; }
        } acting{FActing};
        return action();
    }
    // A look at the folder costs more than a read from memory: one every so often is enough for
    // a share that takes seconds to come back.
    static constexpr qint64 kLookEveryMs = 200;
    bool LookDue() {
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        const qint64 ms = qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        if (FLookedAt >= 0 && ms - FLookedAt < kLookEveryMs) return false;
        FLookedAt = ms;
        return true;
    }
    bool Stale() const { return FStale; }
    int Generation() const { return FGeneration; }
    sqlite3* Db() const { return FDb; }
    // A failure of the file: where the folder cannot be reached, or is back but not where the
    // files held are, the action is said to have lost the folder and the next one opens it again.
    [[noreturn]] void Raise(sqlite3* db, int rc) {
        const int ext = sqlite3_extended_errcode(db);
        switch (rc & 0xFF) {
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_READONLY:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FULL:
        case SQLITE_CONSTRAINT:
            if (db != FDb || ((rc & 0xFF) == SQLITE_CONSTRAINT && ext != SQLITE_CONSTRAINT_COMMITHOOK) || Reach() == TReach::Same)
                break;
            FStale = true;
            EngineError(ecFolderLost, FFolder);
        default: break;
        }
        RaiseSqlite(db, rc);
    }

    QString Folder() const override { return FFolder; }
    bool ReadOnly() const override { return FReadOnly; }

    // ---- statements
    // `sql` prepared from the UTF-8 the engine parses (given UTF-16 it converts the text itself,
    // more slowly). A text holding more than one statement is refused.
    sqlite3_stmt* PrepareText(const QString& sql, unsigned flags) {
        const std::string_view text = Utf8Of(sql);
        const char* const end = text.data() + text.size();
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v3(FDb, text.data(), int(text.size()) + 1, flags, &st, &tail);
        if (rc != SQLITE_OK) Raise(FDb, rc);
        if (tail && tail < end) {
            const QString rest = QString::fromUtf8(tail, end - tail);
            const QString extra = ExtraStatement(rest.constData(), rest.constData() + rest.size());
            if (!extra.isEmpty()) {
                sqlite3_finalize(st);
                RefuseExtraStatement(extra);
            }
        }
        return st;
    }
    sqlite3_stmt* Cached(const QString& sql) {
        auto it = FCache.find(sql);
        if (it != FCache.end()) return *it;
        if (FCache.size() >= 512) ClearCache();  // texts vary by table and order only; keep it bounded
        sqlite3_stmt* st = PrepareText(sql, SQLITE_PREPARE_PERSISTENT);
        FCache.insert(sql, st);
        return st;
    }
    // Runs a cached statement; `onRow` sees each row; the statement is reset afterwards so no
    // read transaction stays open (other processes' commits are seen by the next statement).
    template <class F>
    void Run(const QString& sql, const std::vector<QVariant>& args, F&& onRow) {
        RunStatement(Cached(sql), args, std::forward<F>(onRow));
    }
    template <class F>
    void RunStatement(sqlite3_stmt* st, const std::vector<QVariant>& args, F&& onRow) {
        TRunTexts texts;
        bool lent = false;  // texts bound from `texts`: unbound before it goes
        for (size_t i = 0; i < args.size(); ++i) {
            const QVariant& v = args[i];
            if (v.typeId() == QMetaType::QString) {
                texts.Bind(st, int(i) + 1, *static_cast<const QString*>(v.constData()));
                lent = true;
            } else {
                BindValue(st, int(i) + 1, v);
            }
        }
        for (;;) {
            int rc = sqlite3_step(st);
            if (rc == SQLITE_ROW) {
                bool more;
                try {
                    more = onRow(st);
                } catch (...) {
                    sqlite3_reset(st);
                    sqlite3_clear_bindings(st);
                    throw;
                }
                if (!more) break;
                continue;
            }
            if (rc == SQLITE_DONE) break;
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            Raise(FDb, rc);
        }
        sqlite3_reset(st);
        // The next run binds every parameter again: only lent texts and parameters this run
        // left unbound are cleared.
        if (lent || sqlite3_bind_parameter_count(st) != int(args.size())) sqlite3_clear_bindings(st);
    }
    void Exec(const QString& sql) {
        char* err = nullptr;
        int rc = sqlite3_exec(FDb, sql.toUtf8().constData(), nullptr, nullptr, &err);
        if (err) sqlite3_free(err);
        if (rc != SQLITE_OK) Raise(FDb, rc);
    }

    // The layout version of the file; when another connection changed it, the engine is made to
    // read the new layout now, as it would only at a statement's first step (too late for a
    // statement whose columns are read before its rows).
    qint64 SchemaNow() {
        const qint64 version = FileSchemaVersion();
        if (version != FCompiledSchema) {
            Exec(QStringLiteral("SELECT 1 FROM sqlite_master LIMIT 0"));
            FCompiledSchema = version;
        }
        return version;
    }

    std::unique_ptr<TStatement> Prepare(const QString& engineSql) override {
        return Act([&] {
            const qint64 schema = SchemaNow();
            sqlite3_stmt* st = PrepareText(engineSql, 0);
            if (!st) EngineError(ecInvalidRequest, QStringLiteral("Empty SQL statement."));
            return std::make_unique<TSqliteStatement>(this, st, schema);
        });
    }

    QString TranslateSql(const QString& sql) override {
        TDialect d;
        d.TableExists = [this](const QString& t) { return TableExists(t); };
        d.ColumnIsText = [this](const QString& table, const QString& column) {
            if (!TableExists(table)) return -1;
            const TTableDesc& desc = Desc(table);
            const int c = desc.ColumnIndex(column);
            return c < 0 ? -1 : IsTextType(desc.Columns[size_t(c)].Type) ? 1 : 0;
        };
        d.PrimaryKey = [this](const QString& table) {
            QStringList key;
            if (TableExists(table))
                for (const QString& f : Desc(table).PrimaryFields()) key << Quote(f);
            return key;
        };
        return TranslateLocalSql(sql, d);
    }

    // ---- transactions
    void StartTransaction() override {
        return Act([&] {
            if (FInTrans) EngineError(ecInvalidRequest, QStringLiteral("A transaction is already active."));
            Exec(QStringLiteral("BEGIN IMMEDIATE"));
            // What is written now is written over the file as it is: a layout another connection
            // changed during a hold (a second program making a new office's tables) is read again.
            if (FHolds > 0) FHeldSchema = -1;
            FInTrans = true;
        });
    }
    // A commit that fails (a full disk) leaves nothing half done: the engine's transaction is
    // rolled back and the connection is out of it, so the next write starts afresh.
    void Commit() override {
        if (!FInTrans) return;
        // Never written whole on the files the folder lost.
        if (FStale) {
            Rollback();
            EngineError(ecFolderLost, FFolder);
        }
        try {
            Exec(QStringLiteral("COMMIT"));
        } catch (...) {
            FInTrans = false;
            if (!sqlite3_get_autocommit(FDb)) sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        FInTrans = false;
    }
    void Rollback() override {
        if (!FInTrans) return;
        FInTrans = false;
        if (sqlite3_get_autocommit(FDb)) return;  // the engine already rolled it back (I/O error)
        if (FStale) return;  // on files the folder lost: what was not committed goes with them
        try {
            Exec(QStringLiteral("ROLLBACK"));
        } catch (...) {
            if (!FStale) throw;
        }
    }
    bool InTransaction() const override { return FInTrans; }

    // ---- schema
    bool TableExists(const QString& table) override {
        return Act([&] {
            // The first question a connection is asked reads every layout (the version just checked):
            // the others follow.
            if (FSchemaVersion < 0) {
                DescribeAll();
                if (FAllRead) return FLayouts.Find(StorageName(table)) != nullptr;
            }
            if (FAllRead && SchemaCurrent()) return FLayouts.Find(StorageName(table)) != nullptr;
            bool found = false;
            Run(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE"),
                {QVariant(StorageName(table))}, [&](sqlite3_stmt*) { found = true; return false; });
            return found;
        });
    }

    QStringList TableNames() override {
        return Act([&] {
            QStringList names;
            Run(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"), {}, [&](sqlite3_stmt* st) {
                names << ColumnValue(st, 0).toString();
                return true;
            });
            return names;
        });
    }

    // Cursor reads ask for the same table again and again: the last answer is kept with the
    // name it was asked by, until the layouts change.
    const TTableDesc& Desc(const QString& table) {
        return FLayouts.Get(table, [this](const QString& key) { return Read(key); });
    }
    void ForgetDesc(const QString& name) {
        FLayouts.Forget(name);
        FAllRead = false;
        FHeldSchema = -1;  // a change of this connection's own: read the version again
    }

    // The layout of one table (after a change of this connection's own)...
    TTableDesc Read(const QString& key) {
        if (!TableExists(key)) EngineError(ecNoSuchTable, key);
        std::vector<TTableDesc> read;
        if (FromSchema(key, read) && read.size() == 1) return std::move(read.front());
        TTableDesc d;
        d.Name = key;
        TIndexDesc* ix = nullptr;
        Run(QString::fromLatin1(kLayoutSql).arg(QStringLiteral("SELECT ?1 AS name")), {QVariant(key)},
            [&](sqlite3_stmt* st) { return LayoutRow(st, d, ix); });
        FinishIndexes(d);
        return d;
    }
    // ...and of every table at once, as the data module opens them all.
    void ReadAll() {
        FLayouts.Clear();
        std::vector<TTableDesc> read;
        if (FromSchema(QString(), read)) {
            for (TTableDesc& d : read) {
                const QString key = d.Name;
                FLayouts.Put(key, std::move(d));
            }
            FAllRead = true;
            return;
        }
        TTableDesc d;
        TIndexDesc* ix = nullptr;
        auto keep = [&] {
            if (d.Name.isEmpty()) return;
            FinishIndexes(d);
            const QString key = d.Name;
            FLayouts.Put(key, std::move(d));
            d = TTableDesc();
        };
        Run(QString::fromLatin1(kLayoutSql).arg(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")), {},
            [&](sqlite3_stmt* st) {
                const QString key = ColumnValue(st, 0).toString().toLower();
                if (key != d.Name) {
                    keep();
                    d.Name = key;
                    ix = nullptr;
                }
                return LayoutRow(st, d, ix);
            });
        keep();
        FAllRead = true;
    }
    // The layouts of every table (or of `only`) from the schema's own text in one statement,
    // the columns' declared types and orders as the engine keeps them: the table-valued functions
    // below prepare one more statement per table and per index. False where a text is not
    // followed, and the caller reads the long way.
    bool FromSchema(const QString& only, std::vector<TTableDesc>& out) {
        struct TEntry {
            bool Index;
            QString Name, Table, Sql;
        };
        std::vector<TEntry> entries;
        const QString sql = only.isEmpty()
            ? QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table','index') ORDER BY rowid")
            : QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table','index') AND "
                             "tbl_name = ?1 COLLATE NOCASE ORDER BY rowid");
        Run(sql, only.isEmpty() ? std::vector<QVariant>{} : std::vector<QVariant>{QVariant(only)}, [&](sqlite3_stmt* st) {
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            entries.push_back({type && std::strcmp(type, "index") == 0, ColumnValue(st, 1).toString(), ColumnValue(st, 2).toString(),
                               ColumnValue(st, 3).toString()});
            return true;
        });
        std::vector<TSchemaToken> tokens;
        // Whether each column orders without case, beside each table's layout, for the indexes
        // that name no order of their own.
        std::vector<std::vector<bool>> withoutCase;
        QHash<QString, size_t> byName;
        // Declared types repeat from column to column: each is read once.
        std::vector<std::pair<QString, TColumnDesc>> types;
        std::string table, column;
        // `name` as the engine's C text, in `into`, whose storage serves again.
        auto text = [](std::string& into, const QString& name) {
            into.resize(size_t(name.size()) * 3 + 1);
            *Utf8Into(name, into.data()) = '\0';
            return into.c_str();
        };
        std::vector<TSchemaColumn> columns;
        for (const TEntry& e : entries) {
            if (e.Index) continue;
            if (!SchemaColumns(e.Sql, tokens, columns)) return false;
            TTableDesc d;
            d.Name = e.Name.toLower();
            d.Columns.reserve(columns.size());
            std::vector<bool> ci;
            ci.reserve(columns.size());
            bool asked = false;
            for (TSchemaColumn& col : columns) {
                QString engineType;
                QStringView type;
                bool withoutCase;
                if (col.Plain) {
                    type = col.Type;
                    withoutCase = IsKeyword(col.Collation, "ZBES_CI");
                } else {
                    // Written in other words: as the engine reads them.
                    if (!asked) text(table, e.Name);
                    asked = true;
                    const char* declared = nullptr;
                    const char* collation = nullptr;
                    if (sqlite3_table_column_metadata(FDb, "main", table.c_str(), text(column, col.Name), &declared, &collation,
                                                      nullptr, nullptr, nullptr) != SQLITE_OK)
                        return false;
                    engineType = QString::fromUtf8(declared);
                    type = engineType;
                    withoutCase = collation && sqlite3_stricmp(collation, "ZBES_CI") == 0;
                }
                auto known = std::find_if(types.begin(), types.end(), [&](const auto& t) { return t.first == type; });
                if (known == types.end()) {
                    TColumnDesc parsed;
                    const QString declared = type.toString();
                    if (!ParseType(declared, parsed)) parsed = TColumnDesc();
                    known = types.insert(types.end(), {declared, parsed});
                }
                TColumnDesc& c = d.Columns.emplace_back(known->second);
                c.Name = std::move(col.Name);
                ci.push_back(withoutCase);
            }
            byName.insert(d.Name, out.size());
            out.push_back(std::move(d));
            withoutCase.push_back(std::move(ci));
        }
        // Indexes in the order they were made, as the long way lists them.
        for (const TEntry& e : entries) {
            if (!e.Index) continue;
            const auto it = byName.find(e.Table.toLower());
            if (it == byName.end()) continue;
            TTableDesc& d = out[*it];
            const QString prefix = d.Name + QLatin1Char('$');
            if (!e.Name.startsWith(prefix, Qt::CaseInsensitive)) continue;
            TIndexDesc ix;
            QStringList columns, collations;
            if (!SchemaIndex(e.Sql, tokens, ix.Unique, columns, collations)) return false;
            ix.Name = e.Name.mid(prefix.size());
            ix.Primary = ix.Name.compare(QLatin1String("pk"), Qt::CaseInsensitive) == 0;
            if (ix.Primary) ix.Name.clear();
            for (qsizetype k = 0; k < columns.size(); ++k) {
                const int c = d.ColumnIndex(columns[k]);
                if (c < 0) return false;
                ix.Fields << d.Columns[size_t(c)].Name;
                if (collations[k].isEmpty() ? bool(withoutCase[*it][size_t(c)])
                                            : collations[k].compare(QLatin1String("ZBES_CI"), Qt::CaseInsensitive) == 0)
                    ix.CaseInsensitive = true;
            }
            d.Indexes.push_back(std::move(ix));
        }
        for (TTableDesc& d : out) FinishIndexes(d);
        return true;
    }
    // Rows of a table's layout, ordered: its columns, then each index's key columns. Indexes are
    // listed as they were made (the engine numbers the newest first).
    static constexpr const char* kLayoutSql =
        "WITH t AS (%1) "
        "SELECT t.name, 0, p.cid, 0, p.name, p.type, NULL, NULL FROM t, pragma_table_info(t.name) p "
        "UNION ALL "
        "SELECT t.name, 1, -i.seq, x.seqno, i.name, i.\"unique\", x.name, x.coll FROM t, pragma_index_list(t.name) i, "
        "pragma_index_xinfo(i.name) x WHERE x.key=1 "
        "ORDER BY 1, 2, 3, 4";
    // One row of kLayoutSql into `d`; `ix` is the index being read (null before the first).
    static bool LayoutRow(sqlite3_stmt* st, TTableDesc& d, TIndexDesc*& ix) {
        if (sqlite3_column_int(st, 1) == 0) {
            TColumnDesc c;
            c.Name = ColumnValue(st, 4).toString();
            if (!ParseType(ColumnValue(st, 5).toString(), c)) c.Type = TColumnType::Text;
            d.Columns.push_back(c);
            return true;
        }
        const QString name = ColumnValue(st, 4).toString();
        const QString prefix = d.Name + QLatin1Char('$');
        if (!name.startsWith(prefix, Qt::CaseInsensitive)) return true;
        const QString own = name.mid(prefix.size());
        if (!ix || sqlite3_column_int(st, 3) == 0) {
            d.Indexes.emplace_back();
            ix = &d.Indexes.back();
            ix->Name = own;
            ix->Primary = own.compare(QLatin1String("pk"), Qt::CaseInsensitive) == 0;
            if (ix->Primary) ix->Name.clear();
            ix->Unique = sqlite3_column_int64(st, 5) != 0;
        }
        ix->Fields << ColumnValue(st, 6).toString();
        if (ColumnValue(st, 7).toString().compare(QLatin1String("ZBES_CI"), Qt::CaseInsensitive) == 0) ix->CaseInsensitive = true;
        return true;
    }
    // The primary index goes first.
    static void FinishIndexes(TTableDesc& d) {
        std::stable_partition(d.Indexes.begin(), d.Indexes.end(), [](const TIndexDesc& ix) { return ix.Primary; });
    }

    // Layouts are cached; another connection (another workstation, a repair tool) may have changed
    // the schema since, so a table being opened reads it again when it did.
    TTableDesc DescribeTable(const QString& table) override {
        return Act([&] {
            DescribeAll();
            return Desc(table);
        });
    }
    std::shared_ptr<const TTableDesc> Layout(const QString& table) override {
        return Act([&] {
            DescribeAll();
            return FLayouts.Shared(table, [this](const QString& key) { return Read(key); });
        });
    }
    void DescribeAll() {
        if (!SchemaCurrent() || !FAllRead) ReadAll();
    }
    // The layout version the file has now (while held, as it was first read).
    qint64 FileSchemaVersion() {
        if (FHolds > 0 && FHeldSchema >= 0) return FHeldSchema;
        qint64 version = 0;
        Run(QStringLiteral("PRAGMA schema_version"), {}, [&](sqlite3_stmt* st) { version = sqlite3_column_int64(st, 0); return false; });
        if (FHolds > 0) FHeldSchema = version;
        return version;
    }
    void HoldLayouts(bool hold) override {
        if (hold) {
            ++FHolds;
        } else if (FHolds > 0 && --FHolds == 0) {
            FHeldSchema = -1;
        }
    }
    bool SchemaCurrent() {
        const qint64 version = FileSchemaVersion();
        if (version == FSchemaVersion) return true;
        FLayouts.Clear();
        FAllRead = false;
        FSchemaVersion = version;
        return false;
    }

    void CreateTable(const TTableDesc& desc) override {
        return Act([&] {
            QString name = StorageName(desc.Name);
            QStringList cols;
            for (auto& c : desc.Columns) {
                QString decl = Quote(c.Name) + QLatin1Char(' ') + Declaration(c);
                if (IsTextType(c.Type)) decl += QLatin1String(" COLLATE ZBES");
                if (Indexed(desc, c.Name)) {
                    QVariant b = BlankOf(c.Type);
                    decl += b.typeId() == QMetaType::QString ? QStringLiteral(" DEFAULT ''") : QStringLiteral(" DEFAULT 0");
                }
                cols << decl;
            }
            bool own = !FInTrans;
            if (own) Exec(QStringLiteral("BEGIN IMMEDIATE"));
            try {
                Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(name), cols.join(QStringLiteral(", "))));
                ForgetDesc(name);
                for (auto& ix : desc.Indexes) CreateIndex(name, ix);
                BlankTriggers(name);
                if (own) Exec(QStringLiteral("COMMIT"));
            } catch (...) {
                if (own) Exec(QStringLiteral("ROLLBACK"));
                ForgetDesc(name);
                throw;
            }
            ForgetDesc(name);
        });
    }

    void CreateIndex(const QString& name, const TIndexDesc& ix) {
        QStringList parts;
        const TTableDesc& d = Desc(name);
        for (auto& f : ix.Fields) {
            int ci = d.ColumnIndex(f);
            if (ci < 0) EngineError(ecInvalidRequest, QStringLiteral("Field '%1' not found.").arg(f));
            QString p = Quote(d.Columns[ci].Name);
            if (IsTextType(d.Columns[ci].Type)) p += ix.CaseInsensitive ? QLatin1String(" COLLATE ZBES_CI") : QLatin1String(" COLLATE ZBES");
            parts << p;
        }
        QString ixName = name + QLatin1Char('$') + (ix.Primary ? QStringLiteral("pk") : ix.Name.toLower());
        Exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg((ix.Primary || ix.Unique) ? QStringLiteral("UNIQUE ") : QString(), Quote(ixName), Quote(name),
                      parts.join(QStringLiteral(", "))));
        ForgetDesc(name);
    }

    void AddIndex(const QString& table, const TIndexDesc& index) override {
        return Act([&] {
            CreateIndex(StorageName(table), index);
            BlankTriggers(StorageName(table));
        });
    }
    void DropIndex(const QString& table, const TIndexDesc& index) override {
        return Act([&] {
            const QString name = StorageName(table);
            Exec(QStringLiteral("DROP INDEX IF EXISTS %1")
                     .arg(Quote(name + QLatin1Char('$') + (index.Primary ? QStringLiteral("pk") : index.Name.toLower()))));
            ForgetDesc(name);
            ClearCache();
            FShapes.Clear();
            BlankTriggers(name);
        });
    }

    // Indexed columns never hold nulls (the cursors compare keys as rows of values): whatever
    // writes a null there, plain SQL included, leaves the type's blank instead.
    void BlankTriggers(const QString& name) {
        const TTableDesc& d = Desc(name);
        QStringList sets, when;
        for (auto& c : d.Columns) {
            if (!Indexed(d, c.Name)) continue;
            QString q = Quote(c.Name);
            QString blank = IsTextType(c.Type) ? QStringLiteral("''") : QStringLiteral("0");
            sets << QStringLiteral("%1 = IFNULL(%1, %2)").arg(q, blank);
            when << QStringLiteral("NEW.%1 IS NULL").arg(q);
        }
        for (const char* ev : {"INSERT", "UPDATE"}) {
            QString trig = Quote(name + QStringLiteral("$blank_") + QString::fromLatin1(ev).toLower());
            Exec(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(trig));
            if (sets.isEmpty()) continue;
            Exec(QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON %3 WHEN %4 BEGIN UPDATE %3 SET %5 WHERE rowid = NEW.rowid; END")
                     .arg(trig, QLatin1String(ev), Quote(name), when.join(QStringLiteral(" OR ")), sets.join(QStringLiteral(", "))));
        }
    }

    void DropTable(const QString& table) override {
        return Act([&] {
            QString name = StorageName(table);
            Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(Quote(name)));
            ForgetDesc(name);
            ClearCache();
            FShapes.Clear();
        });
    }
    void EmptyTable(const QString& table) override {
        return Act([&] {
            Desc(table);
            Exec(QStringLiteral("DELETE FROM %1").arg(Quote(StorageName(table))));
        });
    }
    void ClearCache() {
        for (auto* st : FCache) sqlite3_finalize(st);
        FCache.clear();
        FWrites.clear();
        FShapes.Each([](TKnownShape& k) { k.St = nullptr; });
    }

    // ---- cursors
    struct TCursorSql {
        QString select, where, keysAsc, keysDesc, keyTuple;
        int keyCount = 0;
    };

    // Cursor conditions in this engine's words.
    // Without case: the Spanish order's first level (neither case nor accents count); otherwise
    // the column's order, equal only when identical.
    static const TCursorWords& Words() {
        static const TCursorWords w{
            [](const QString& c) { return Quote(c); }, QStringLiteral("rowid"), QStringLiteral(" COLLATE ZBES_CI"), false,
            [](const QString& col, int n) { return QStringLiteral("substr(%1,1,%2)").arg(col).arg(n); },
            [](const QString& lhs, const QString& p, bool noCase) {
                return noCase ? QStringLiteral("%1 = %2 COLLATE ZBES_CI").arg(lhs, p) : QStringLiteral("%1 = %2").arg(lhs, p);
            }};
        return w;
    }
    QString KeyExpr(const TTableDesc& d, const QString& col, bool ci) const { return Words().Key(d, col, ci); }
    void Restriction(const TCursorSpec& s, const TTableDesc& d, QString* where, std::vector<QVariant>& args) {
        CursorRestriction(s, d, Words(), where, args);
    }

    // A shape's SQL text and, once run, its prepared statement (no hashing of the text per read).
    struct TKnownShape {
        QString Sql;
        sqlite3_stmt* St = nullptr;  // owned by the statement cache
    };
    TKnownShape* KnownShape(const TShape& h) { return FShapes.Find(h); }
    TKnownShape& RememberShape(TShape&& h, QString sql) { return FShapes.Add(std::move(h), {std::move(sql), nullptr}); }
    template <class F>
    void Run(TKnownShape& k, const std::vector<QVariant>& args, F&& onRow) {
        if (!k.St) k.St = Cached(k.Sql);
        RunStatement(k.St, args, std::forward<F>(onRow));
    }

    QString SelectList(const TCursorSpec& s) const {
        QString list = QStringLiteral("rowid");
        list.reserve(16 * (s.Columns.size() + 1));
        for (auto& c : s.Columns) {
            list += QLatin1Char(',');
            AppendQuoted(list, c);
        }
        return list;
    }

    void ReadRow(sqlite3_stmt* st, TRow& row, int ncols) {
        row.Id = sqlite3_column_int64(st, 0);
        row.Values.resize(size_t(ncols));
        for (int i = 0; i < ncols; ++i) row.Values[size_t(i)] = ColumnValue(st, i + 1);
    }

    using TConnection::Fetch;
    void Fetch(const TCursorSpec& s, const TRow* from, bool forward, int count, std::vector<TRow>& rows) override {
        return Act([&] {
            const TTableDesc& d = Desc(s.Table);
            // The rows already in the list are read into again: their lists of values are reused.
            size_t used = 0;
            const int n = int(s.Columns.size());
            auto keep = [&](sqlite3_stmt* st) {
                if (used == rows.size()) rows.emplace_back();
                ReadRow(st, rows[used++], n);
                return int(used) < count;
            };
            if (from) {
                FetchOn(s, d, *from, forward, count, used, keep);
                rows.resize(used);
                return;
            }
            std::vector<QVariant>& args = FArgs;
            args.clear();
            TShape& shape = FProbe;
            ShapeOf(shape, 0, s, d, false, forward, count);
            TKnownShape* known = KnownShape(shape);
            QString where;
            Restriction(s, d, known ? nullptr : &where, args);
            if (!known) {
                QString sql = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT %5")
                                  .arg(SelectList(s), Quote(StorageName(s.Table)), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where,
                                       OrderBy(s, d, forward))
                                  .arg(count);
                known = &RememberShape(std::move(shape), std::move(sql));
            }
            Run(*known, args, keep);
            rows.resize(used);
        });
    }

    QString OrderBy(const TCursorSpec& s, const TTableDesc& d, bool forward) const {
        QStringList order;
        const QString dir = forward ? QString() : QStringLiteral(" DESC");
        for (int oc : s.OrderCols) order << KeyExpr(d, s.Columns[oc], s.CaseInsensitive) + dir;
        order << QStringLiteral("rowid") + dir;
        return order.join(QLatin1Char(','));
    }

    // Reads made as one, outside any transaction of the program's, see the same snapshot.
    class TReadTransaction {
    public:
        TReadTransaction(TSqliteConnection* c, bool wanted) {
            if (!wanted || !sqlite3_get_autocommit(c->FDb)) return;
            FEnd = c->Cached(QStringLiteral("COMMIT"));
            c->RunStatement(c->Cached(QStringLiteral("BEGIN")), {}, [](sqlite3_stmt*) { return false; });
            FDb = c->FDb;
        }
        ~TReadTransaction() {
            if (!FDb || sqlite3_get_autocommit(FDb)) return;
            sqlite3_step(FEnd);
            sqlite3_reset(FEnd);
        }
        TReadTransaction(const TReadTransaction&) = delete;
        TReadTransaction& operator=(const TReadTransaction&) = delete;

    private:
        sqlite3* FDb = nullptr;
        sqlite3_stmt* FEnd = nullptr;
    };

    // Reading on from a row goes through the order's steps: the rows tied with it on every key
    // (after it by identity), then those tied on all keys but the last (after it on that one),
    // and so on up to the first key. Each step's condition is one the index seeks to and stops
    // at by itself, where a comparison of the whole key at once is tested again on every row.
    template <class F>
    void FetchOn(const TCursorSpec& s, const TTableDesc& d, const TRow& from, bool forward, int count, const size_t& used, F&& keep) {
        std::vector<QVariant>& args = FArgs;
        const int keys = int(s.OrderCols.size());
        // A unique order has no rows tied on every key; otherwise the steps share one snapshot,
        // so the file is not locked and unlocked once per step.
        const bool unique = OrderIsUnique(s, d);
        TReadTransaction snapshot(this, !unique && keys > 0);
        for (int held = unique ? keys - 1 : keys; held >= 0 && int(used) < count; --held) {
            TShape& shape = FProbe;
            ShapeOf(shape, 3 + held, s, d, true, forward, 0);
            TKnownShape* known = KnownShape(shape);
            QString where;
            args.clear();
            Restriction(s, d, known ? nullptr : &where, args);
            for (int i = 0; i < held; ++i) args.push_back(KeyValue(d, s.Columns[s.OrderCols[i]], from.Values[s.OrderCols[i]]));
            if (held == keys) args.push_back(QVariant(from.Id));
            else args.push_back(KeyValue(d, s.Columns[s.OrderCols[held]], from.Values[s.OrderCols[held]]));
            args.push_back(QVariant(qlonglong(count - int(used))));
            if (!known) {
                QStringList conds;
                if (!where.isEmpty()) conds << where;
                for (int i = 0; i < held; ++i) conds << KeyExpr(d, s.Columns[s.OrderCols[i]], s.CaseInsensitive) + QStringLiteral(" = ?");
                const QString op = forward ? QStringLiteral(" > ?") : QStringLiteral(" < ?");
                conds << (held == keys ? QStringLiteral("rowid") : KeyExpr(d, s.Columns[s.OrderCols[held]], s.CaseInsensitive)) + op;
                QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT ?")
                                  .arg(SelectList(s), Quote(StorageName(s.Table)), conds.join(QStringLiteral(" AND ")), OrderBy(s, d, forward));
                known = &RememberShape(std::move(shape), std::move(sql));
            }
            Run(*known, args, keep);
        }
    }

    bool FetchById(const TCursorSpec& s, qint64 id, TRow& row) override {
        return Act([&] {
            const TTableDesc& d = Desc(s.Table);
            TShape& shape = FProbe;
            ShapeOf(shape, 2, s, d, false, true, 1);
            TKnownShape* known = KnownShape(shape);
            if (!known)
                known = &RememberShape(std::move(shape), QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(SelectList(s), Quote(StorageName(s.Table))));
            bool found = false;
            int n = int(s.Columns.size());
            std::vector<QVariant>& args = FArgs;
            args.assign(1, QVariant(id));
            Run(*known, args, [&](sqlite3_stmt* st) {
                ReadRow(st, row, n);
                found = true;
                return false;
            });
            return found;
        });
    }

    bool Seek(const TCursorSpec& s, const std::vector<QVariant>& key, bool exact, TRow& row) override {
        return Act([&] {
            const TTableDesc& d = Desc(s.Table);
            size_t n = std::min(key.size(), s.OrderCols.size());
            TShape& shape = FProbe;
            ShapeOf(shape, 1, s, d, exact, true, int(n));
            TKnownShape* known = KnownShape(shape);
            std::vector<QVariant>& args = FArgs;
            args.clear();
            QString where;
            Restriction(s, d, known ? nullptr : &where, args);
            for (size_t i = 0; i < n; ++i) args.push_back(KeyValue(d, s.Columns[s.OrderCols[i]], key[i]));
            if (!known) {
                QStringList keys, order, q;
                for (int oc : s.OrderCols) order << KeyExpr(d, s.Columns[oc], s.CaseInsensitive);
                order << QStringLiteral("rowid");
                for (size_t i = 0; i < n; ++i) {
                    keys << KeyExpr(d, s.Columns[s.OrderCols[i]], s.CaseInsensitive);
                    q << QStringLiteral("?");
                }
                if (n > 0) {
                    QString c = QStringLiteral("(%1) %2 (%3)").arg(keys.join(QLatin1Char(',')), exact ? QStringLiteral("=") : QStringLiteral(">="),
                                                                    q.join(QLatin1Char(',')));
                    where = where.isEmpty() ? c : where + QStringLiteral(" AND ") + c;
                }
                QString sql = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT 1")
                                  .arg(SelectList(s), Quote(StorageName(s.Table)), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where,
                                       order.join(QLatin1Char(',')));
                known = &RememberShape(std::move(shape), std::move(sql));
            }
            bool found = false;
            int nc = int(s.Columns.size());
            Run(*known, args, [&](sqlite3_stmt* st) {
                ReadRow(st, row, nc);
                found = true;
                return false;
            });
            return found;
        });
    }

    qint64 Count(const TCursorSpec& s) override {
        return Act([&] {
            const TTableDesc& d = Desc(s.Table);
            std::vector<QVariant> args;
            QString where;
            Restriction(s, d, &where, args);
            qint64 n = 0;
            Run(QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(Quote(StorageName(s.Table)), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                args, [&](sqlite3_stmt* st) { n = sqlite3_column_int64(st, 0); return false; });
            return n;
        });
    }

    qint64 CountBefore(const TCursorSpec& s, const TRow& row) override {
        return Act([&] {
            const TTableDesc& d = Desc(s.Table);
            std::vector<QVariant> args;
            QString where;
            Restriction(s, d, &where, args);
            QStringList keys, q;
            for (int oc : s.OrderCols) {
                keys << KeyExpr(d, s.Columns[oc], s.CaseInsensitive);
                q << QStringLiteral("?");
                args.push_back(KeyValue(d, s.Columns[oc], row.Values[oc]));
            }
            keys << QStringLiteral("rowid");
            q << QStringLiteral("?");
            args.push_back(QVariant(row.Id));
            QString c = QStringLiteral("(%1) < (%2)").arg(keys.join(QLatin1Char(',')), q.join(QLatin1Char(',')));
            where = where.isEmpty() ? c : where + QStringLiteral(" AND ") + c;
            qint64 n = 0;
            Run(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(Quote(StorageName(s.Table)), where), args,
                [&](sqlite3_stmt* st) { n = sqlite3_column_int64(st, 0); return false; });
            return n;
        });
    }

    // ---- writes

    qint64 Insert(const QString& table, const QStringList& cols, const std::vector<QVariant>& values) override {
        return Act([&] {
            const TTableDesc& d = Desc(table);
            QStringList names, q;
            for (auto& c : cols) {
                names << Quote(c);
                q << QStringLiteral("?");
            }
            QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Quote(StorageName(table)))
                                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                .arg(Quote(StorageName(table)), names.join(QLatin1Char(',')), q.join(QLatin1Char(',')));
            Run(sql, Coerced(d, cols, values), [](sqlite3_stmt*) { return false; });
            return sqlite3_last_insert_rowid(FDb);
        });
    }

    // The condition that finds a record as it was read: its identity and every old value. A
    // blank field reads the same from NULL and from an empty text that plain SQL or another
    // program left: either still matches, or such rows could never be changed. Texts compare
    // as they read, not by the column's order, which may ignore case or accents.
    static QString Matching(const QStringList& cols, const std::vector<QVariant>& old) {
        QStringList conds{QStringLiteral("rowid=?")};
        for (int i = 0; i < cols.size(); ++i)
            conds << (old[size_t(i)].isNull() ? QStringLiteral("IFNULL(%1, '') = ''").arg(Quote(cols[i]))
                                              : Quote(cols[i]) + QStringLiteral(" COLLATE ZBREAD IS ?"));
        return conds.join(QStringLiteral(" AND "));
    }
    static void MatchingArgs(const std::vector<QVariant>& old, std::vector<QVariant>& args) {
        for (const QVariant& v : old)
            if (!v.isNull()) args.push_back(v);
    }

    // A post writes the same table with the same columns again and again: its statement is kept
    // by what its text depends on (table, columns, which are written, which old values are
    // blank), so the text is not built again for every post.
    struct TWriteText {
        QString Table;
        QStringList Cols;
        QByteArray Flags;
        sqlite3_stmt* St = nullptr;  // owned by the statement cache
    };
    template <class Build>
    sqlite3_stmt* WriteStatement(const QString& table, const QStringList& cols, const QByteArray& flags, Build&& build) {
        for (size_t i = 0; i < FWrites.size(); ++i)
            if (FWrites[i].Flags == flags && FWrites[i].Cols == cols && FWrites[i].Table == table) {
                if (i > 0) std::swap(FWrites[i], FWrites[i - 1]);  // the busy ones drift to the front
                return FWrites[i > 0 ? i - 1 : 0].St;
            }
        sqlite3_stmt* st = Cached(build());
        if (FWrites.size() >= 64) FWrites.pop_back();
        FWrites.push_back({table, cols, flags, st});
        return st;
    }

    void Update(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                const std::vector<QVariant>& newValues) override {
        UpdateRow(table, id, cols, oldValues, newValues, nullptr);
    }
    bool UpdateAndRead(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                       const std::vector<QVariant>& newValues, TRow& stored) override {
        return UpdateRow(table, id, cols, oldValues, newValues, &stored);
    }
    // Whether a value written to a column of type `t` reads back just as it was given: texts as
    // typed (an empty one reads blank), whole numbers, and fractions where the column keeps them
    // (dates and money store a whole value as a whole number).
    static bool ReadsAsWritten(const QVariant& v, TColumnType t) {
        if (v.isNull()) return true;
        switch (t) {
        case TColumnType::Text:
        case TColumnType::Memo:
            return v.typeId() == QMetaType::QString && ValidText(*static_cast<const QString*>(v.constData())).isSharedWith(
                                                           *static_cast<const QString*>(v.constData()));
        case TColumnType::Integer:
        case TColumnType::Short:
        case TColumnType::Logical:
        case TColumnType::AutoInc: return v.typeId() == QMetaType::LongLong;
        case TColumnType::Float: return v.typeId() == QMetaType::Double && std::isfinite(v.toDouble());
        case TColumnType::Currency:
        case TColumnType::Date:
        case TColumnType::Time:
        case TColumnType::DateTime: {
            const double x = v.toDouble();
            return v.typeId() == QMetaType::Double && std::isfinite(x) && x != std::trunc(x);
        }
        case TColumnType::Blob: return false;
        }
        return false;
    }
    // With `stored`, the row as a read would now give it: the values read before with the ones
    // written in their place, when each reads back as written (false: the caller reads it).
    bool UpdateRow(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                   const std::vector<QVariant>& newValues, TRow* stored) {
        return Act([&] {
            const TTableDesc& d = Desc(table);
            if (cols.isEmpty()) return false;
            // Only the columns that change are written: an unchanged key leaves its indexes alone.
            // The old values still all take part in the condition, so another user's change is seen.
            const std::vector<QVariant> fresh = Coerced(d, cols, newValues);
            const std::vector<QVariant> before = Coerced(d, cols, oldValues);
            QByteArray flags(cols.size() + 1, 'u');
            std::vector<QVariant> args;
            for (int i = 0; i < cols.size(); ++i) {
                const bool set = !SameValue(fresh[size_t(i)], before[size_t(i)]);
                flags[i] = char((set ? 1 : 0) | (before[size_t(i)].isNull() ? 2 : 0));
                if (set) args.push_back(fresh[size_t(i)]);
            }
            // Nothing changed: the row is still written as it was read, to tell whether it is there.
            if (args.empty()) {
                flags[0] = char(flags[0] | 4);
                args.push_back(fresh[0]);
            }
            args.push_back(QVariant(id));
            MatchingArgs(before, args);
            sqlite3_stmt* st = WriteStatement(table, cols, flags, [&] {
                QStringList sets;
                for (int i = 0; i < cols.size(); ++i)
                    if (flags[i] & 5) sets << Quote(cols[i]) + QStringLiteral("=?");
                return QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(Quote(StorageName(table)), sets.join(QLatin1Char(',')), Matching(cols, before));
            });
            RunStatement(st, args, [](sqlite3_stmt*) { return false; });
            if (sqlite3_changes(FDb) == 0) EngineError(ecRecordChanged);
            if (!stored) return false;
            stored->Id = id;
            stored->Values.resize(size_t(cols.size()));
            for (int i = 0; i < cols.size(); ++i) {
                const int c = d.ColumnIndex(cols[i], i);
                const TColumnType type = d.Columns[size_t(c)].Type;
                QVariant& v = stored->Values[size_t(i)];
                if (!(flags[i] & 1)) {
                    // A blank number some other program left in an indexed column is made 0 on write.
                    if (oldValues[size_t(i)].isNull() && !IsTextType(type) && Indexed(d, cols[i])) return false;
                    v = oldValues[size_t(i)];
                    continue;
                }
                const QVariant& w = fresh[size_t(i)];
                if (!ReadsAsWritten(w, type)) return false;
                v = w.typeId() == QMetaType::QString && static_cast<const QString*>(w.constData())->isEmpty() ? QVariant() : w;
            }
            return true;
        });
    }

    void Delete(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues) override {
        return Act([&] {
            const TTableDesc& d = Desc(table);
            const std::vector<QVariant> before = Coerced(d, cols, oldValues);
            QByteArray flags(cols.size() + 1, 'd');
            for (int i = 0; i < cols.size(); ++i) flags[i] = char(before[size_t(i)].isNull() ? 2 : 0);
            std::vector<QVariant> args{QVariant(id)};
            MatchingArgs(before, args);
            sqlite3_stmt* st = WriteStatement(table, cols, flags, [&] {
                return QStringLiteral("DELETE FROM %1 WHERE %2").arg(Quote(StorageName(table)), Matching(cols, before));
            });
            RunStatement(st, args, [](sqlite3_stmt*) { return false; });
            if (sqlite3_changes(FDb) == 0) EngineError(ecRecordChanged);
        });
    }

    bool LockRecord(const QString& table, qint64 id, const void* owner) override {
        return Act([&] {
            if (!FLocks || FLocks->Lock(LockKey(table, id), owner)) return true;  // data opened for reading: nothing to guard
            // Not another workstation's lock: the folder is gone.
            if (Reach() != TReach::Same) {
                FStale = true;
                EngineError(ecFolderLost, FFolder);
            }
            return false;
        });
    }
    void UnlockRecord(const QString& table, qint64 id, const void* owner) override {
        if (FLocks) FLocks->Unlock(LockKey(table, id), owner);
    }
    // Locks are taken and let go on the same table again and again: its part of the key is kept.
    quint64 LockKey(const QString& table, qint64 id) {
        if (FLockTable.isNull() || table != FLockTable) {
            FLockSeed = LockSeed(table);
            FLockTable = table;
        }
        return LockOffset(FLockSeed, id);
    }

    // Every post commits with a full sync of the journal, so a committed record is already on
    // disk; flushing only folds the journal back into the main file when nobody is reading.
    void Flush() override {}

    // Others' commits move the engine's data version; this connection's own writes (committed
    // or not), its layout changes and a reopened file move the count of its own.
    qint64 DataVersion() override {
        return Act([&] {
            std::array<qint64, 4> seen{0, sqlite3_total_changes64(FDb), 0, FGeneration};
            Run(QStringLiteral("PRAGMA data_version"), {}, [&](sqlite3_stmt* st) { seen[0] = sqlite3_column_int64(st, 0); return false; });
            Run(QStringLiteral("PRAGMA schema_version"), {}, [&](sqlite3_stmt* st) { seen[2] = sqlite3_column_int64(st, 0); return false; });
            if (seen != FSeenData) {
                FSeenData = seen;
                ++FDataVersion;
            }
            return FDataVersion;
        });
    }

private:
    QString FFolder;
    bool FReadOnly = false;
    sqlite3* FDb = nullptr;
    bool FInTrans = false;
    QHash<QString, sqlite3_stmt*> FCache;
    std::vector<TWriteText> FWrites;
    TLayouts FLayouts;
    bool FAllRead = false;  // FLayouts holds every table of the schema version read
    TShapes<TKnownShape> FShapes;
    TShape FProbe;
    std::vector<QVariant> FArgs;  // a read's values, storage kept between reads
    qint64 FSchemaVersion = -1;
    qint64 FCompiledSchema = -1;
    int FHolds = 0;
    qint64 FHeldSchema = -1;  // the version read while held, -1 before
    struct TFolderFd {
        int Fd = -1;
        TFolderFd() = default;
        TFolderFd(const TFolderFd&) = delete;
        TFolderFd& operator=(const TFolderFd&) = delete;
        ~TFolderFd() {
            if (Fd >= 0) ::close(Fd);
        }
    } FFolderFd;  // the folder as opened, to tell it from one mounted again in its place
    bool FStale = false;  // a failure found the folder lost: looked at again before the next action
    bool FActing = false;  // within an action: the inner ones do not look at the folder
    qint64 FLookedAt = -1;  // when the folder was last looked at, in ms of the monotonic clock
    int FGeneration = 0;  // counts the openings of the file, for the statements handed out
    std::array<qint64, 4> FSeenData{-1, -1, -1, -1};  // what DataVersion last found
    qint64 FDataVersion = 0;
    std::unique_ptr<TMachineMark> FMark;  // let go after the file is closed
    std::shared_ptr<TLockFile> FLocks;
    QString FLockTable;
    quint64 FLockSeed = 0;
};

TSqliteStatement::TSqliteStatement(TSqliteConnection* connection, sqlite3_stmt* st, qint64 schema)
    : FConn(connection), FSt(st), FSchema(schema), FGeneration(connection->Generation()) {}

// Rows being read are not followed onto a file opened anew: only a first step looks at the folder.
bool TSqliteStatement::Step() {
    if (FRunning) return StepOnce();
    return FConn->Act([this] { return StepOnce(); });
}

bool TSqliteStatement::StepOnce() {
    sqlite3_stmt* st = Current();
    FRunning = true;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) return true;
    FRunning = false;
    if (rc == SQLITE_DONE) {
        FChanges = sqlite3_changes64(sqlite3_db_handle(st));
        sqlite3_reset(st);
        return false;
    }
    sqlite3_reset(st);
    FConn->Raise(sqlite3_db_handle(st), rc);
}

sqlite3_stmt* TSqliteStatement::Current() const {
    if (FConn->Stale() || FGeneration != FConn->Generation()) Renew();
    if (!FCheck) return FSt;
    FCheck = false;
    const qint64 schema = FConn->SchemaNow();
    if (schema == FSchema) return FSt;
    sqlite3_stmt* nuevo = nullptr;
    const int rc = sqlite3_prepare_v2(FConn->Db(), sqlite3_sql(FSt), -1, &nuevo, nullptr);
    if (rc != SQLITE_OK) FConn->Raise(FConn->Db(), rc);
    sqlite3_finalize(FSt);
    FSt = nuevo;
    FSchema = schema;
    return FSt;
}

void TSqliteStatement::Renew() const {
    FConn->Live();
    if (FGeneration == FConn->Generation()) return;
    // Rows being read from the old file cannot be followed on the new one: the query runs again.
    if (FRunning) {
        FRunning = false;
        sqlite3_reset(FSt);
        EngineError(ecFolderLost, FConn->Folder());
    }
    const qint64 schema = FConn->SchemaNow();
    sqlite3_stmt* nuevo = nullptr;
    const int rc = sqlite3_prepare_v2(FConn->Db(), sqlite3_sql(FSt), -1, &nuevo, nullptr);
    if (rc != SQLITE_OK) FConn->Raise(FConn->Db(), rc);
    sqlite3_finalize(FSt);
    FSt = nuevo;
    FGeneration = FConn->Generation();
    FSchema = schema;
    FCheck = false;
    for (size_t i = 0; i < FBound.size(); ++i) BindValue(FSt, int(i) + 1, FBound[i]);
}

void RegisterSqliteFunctions(void* handle) {
    auto* db = static_cast<sqlite3*>(handle);
    sqlite3_create_collation(db, "ZBES", SQLITE_UTF16_ALIGNED, nullptr, CollateEs);
    sqlite3_create_collation(db, "ZBES_CI", SQLITE_UTF16_ALIGNED, nullptr, CollateEsCI);
    sqlite3_create_collation(db, "ZBES", SQLITE_UTF8, nullptr, CollateEs8);
    sqlite3_create_collation(db, "ZBES_CI", SQLITE_UTF8, nullptr, CollateEsCI8);
    sqlite3_create_collation(db, "ZBREAD", SQLITE_UTF8, nullptr, CollateAsRead);
    sqlite3_create_function(db, "upper", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, FnUpper, nullptr, nullptr);
    sqlite3_create_function(db, "lower", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, FnLower, nullptr, nullptr);
    sqlite3_create_function(db, "zb_extract", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, FnExtract, nullptr, nullptr);
}

std::shared_ptr<TConnection> OpenSqlite(const QString& folder) { return std::make_shared<TSqliteConnection>(folder); }

}  // namespace platform::db
