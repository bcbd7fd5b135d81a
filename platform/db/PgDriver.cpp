// The PostgreSQL engine: the office's database on a server that every workstation reaches.
// Each table gets a hidden record identity "zb_id"; texts sort with the server's ICU
// collations "zb_es" and "zb_es_ci", the same order the SQLite engine registers; record locks
// are session advisory locks, so they die with the workstation's connection; a write
// transaction takes one transaction-level advisory lock first, so writers follow each other as
// they do on one machine.
#include "platform/db/Collation.h"
#include "platform/db/Driver.h"
#include "platform/db/EngineSql.h"
#include "platform/db/Espera.h"
#include "platform/db/PgModule.h"
#include "platform/rtl/Exceptions.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>
#include <charconv>
#include <chrono>
#include <cstring>
#include <functional>
#include <libpq-fe.h>
#include <atomic>
#include <cerrno>
#include <map>
#include <poll.h>
#include <utility>
#include <sys/stat.h>

namespace platform::db {

using namespace engine;

namespace {

std::atomic<qint64> RoundTrips{0};

constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

QVariant ValueOf(const PGresult* r, int row, int col) {
    if (PQgetisnull(r, row, col)) return QVariant();
    const char* p = PQgetvalue(r, row, col);
    const int n = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: {
        qlonglong v = 0;
        std::from_chars(p, p + n, v);
        return QVariant(v);
    }
    case kBool: return QVariant(qlonglong(p[0] == 't' ? 1 : 0));
    case kFloat4:
    case kFloat8:
    case kNumeric: {
        double v = 0;
        std::from_chars(p, p + n, v);
        return QVariant(v);
    }
    case kBytea:
        if (n >= 2 && p[0] == '\\' && p[1] == 'x') return QVariant(QByteArray::fromHex(QByteArray::fromRawData(p + 2, n - 2)));
        return QVariant(QByteArray(p, n));
    default:
        // Blank texts read as nulls, as the fields expect them.
        if (n == 0) return QVariant();
        return QVariant(QString::fromUtf8(p, n));
    }
}

// Parameters travel as text of unknown type, so the server takes each as the type of what it
// is compared with; only binary data go typed and in binary.
struct TParams {
    std::vector<QByteArray> Data;
    std::vector<const char*> Values;
    std::vector<int> Lengths, Formats;
    std::vector<Oid> Types;
    explicit TParams(const std::vector<QVariant>& args) {
        const size_t n = args.size();
        Data.resize(n);
        Values.assign(n, nullptr);
        Lengths.assign(n, 0);
        Formats.assign(n, 0);
        Types.assign(n, 0);
        for (size_t i = 0; i < n; ++i) Set(i, args[i]);
    }
    void Set(size_t i, const QVariant& v) {
        if (!v.isValid() || v.isNull()) {
            Values[i] = nullptr;
            return;
        }
        switch (v.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Short: Data[i] = QByteArray::number(v.toLongLong()); break;
        case QMetaType::Double:
        case QMetaType::Float: Data[i] = QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest); break;
        case QMetaType::QByteArray:
            Data[i] = v.toByteArray();
            Formats[i] = 1;
            Types[i] = kBytea;
            break;
        default:
            // The server refuses the character zero in a text: a post says so before it gets here.
            Data[i] = ValidText(v.toString()).toUtf8();
            if (Data[i].contains('\0')) Data[i].replace('\0', "");
        }
        Values[i] = Data[i].constData();
        Lengths[i] = int(Data[i].size());
    }
};

using TResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

QString Sqlstate(const PGresult* r) {
    const char* s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return s ? QString::fromLatin1(s) : QString();
}

QString PgType(TColumnType t) {
    switch (t) {
    case TColumnType::Text:
    case TColumnType::Memo: return QStringLiteral("text COLLATE zb_es");
    case TColumnType::Integer:
    case TColumnType::AutoInc: return QStringLiteral("integer");
    case TColumnType::Short:
    case TColumnType::Logical: return QStringLiteral("smallint");
    case TColumnType::Blob: return QStringLiteral("bytea");
    default: return QStringLiteral("double precision");
    }
}

// Column and table names are stored in lower case, as unquoted names in the application's SQL
// reach them; the spelling of the data model rides in the column's comment.
QString Col(const QString& name) { return Quote(name.toLower()); }
QString Tab(const QString& table) { return Quote(StorageName(table)); }

// Application SQL: ":name" and "?" parameters become "$n" (one number per name).
QString NumberParams(const QString& sql, QStringList& names) {
    QString out;
    const std::vector<TToken> toks = Tokenize(sql);
    int anonymous = 0;
    for (size_t i = 0; i < toks.size(); ++i) {
        const TToken& t = toks[i];
        if (t.kind == TToken::Word && t.text.startsWith(QLatin1Char(':')) &&
            !(i > 0 && toks[i - 1].text == QLatin1String(":"))) {
            const QString name = t.text.mid(1);
            qsizetype k = names.indexOf(name);
            if (k < 0) {
                names << name;
                k = names.size() - 1;
            }
            out += QStringLiteral("$%1").arg(k + 1);
        } else if (IsWord(t, "rowid")) {
            out += QStringLiteral("zb_id");  // the dataset asks for the record identity by that name
        } else if (t.kind == TToken::Op && t.text == QLatin1String("?")) {
            names << QStringLiteral("%1").arg(++anonymous);
            out += QStringLiteral("$%1").arg(names.size());
        } else {
            out += t.text;
        }
    }
    return out;
}

// The items of the outer select list as written (before the first FROM at depth 0), or none
// when the text is not a plain SELECT.
QStringList SelectItems(const QString& sql) {
    const std::vector<TToken> toks = Tokenize(sql);
    size_t i = 0;
    while (i < toks.size() && toks[i].kind == TToken::Space) ++i;
    if (i >= toks.size() || !IsWord(toks[i], "SELECT")) return {};
    ++i;
    QStringList items;
    QString cur;
    int depth = 0;
    bool start = true;
    for (; i < toks.size(); ++i) {
        const TToken& t = toks[i];
        if (start && (IsWord(t, "DISTINCT") || IsWord(t, "ALL"))) continue;
        if (t.kind != TToken::Space) start = false;
        if (t.text == QLatin1String("(")) ++depth;
        if (t.text == QLatin1String(")")) --depth;
        if (depth == 0 && (IsWord(t, "FROM") || (t.kind == TToken::Op && t.text == QLatin1String(",")))) {
            items << cur.trimmed();
            cur.clear();
            if (IsWord(t, "FROM")) return items;
            continue;
        }
        cur += t.text;
    }
    items << cur.trimmed();
    return items;
}

// The name an item of a select list gives its column ("X AS Nombre", "MIN(F) Primera"), empty
// when it gives none.
QString ItemAlias(const QString& item) {
    std::vector<TToken> toks = Tokenize(item);
    toks.erase(std::remove_if(toks.begin(), toks.end(), [](const TToken& t) { return t.kind == TToken::Space; }), toks.end());
    if (toks.size() < 2) return {};
    const TToken& last = toks.back();
    const TToken& before = toks[toks.size() - 2];
    if (last.kind != TToken::Word && last.kind != TToken::Quoted) return {};
    const bool named = IsWord(before, "AS") || before.text == QLatin1String(")") || before.kind == TToken::Word ||
                       before.kind == TToken::Num || before.kind == TToken::Str || before.kind == TToken::Quoted;
    if (!named || IsWord(last, "END")) return {};
    return last.kind == TToken::Quoted ? last.text.mid(1, last.text.size() - 2) : last.text;
}

// Rows that tie on the ORDER BY of a plain SELECT come in the order they were written, as the
// file gives them: the identity of the first table in FROM closes the order.
void TieBreak(std::vector<TToken>& t) {
    auto next = [&t](size_t i) {
        for (++i; i < t.size(); ++i)
            if (t[i].kind != TToken::Space) return i;
        return t.size();
    };
    int depth = 0;
    size_t from = t.size(), order = t.size(), end = t.size();
    bool select = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const TToken& k = t[i];
        if (k.text == QLatin1String("(")) ++depth;
        else if (k.text == QLatin1String(")")) --depth;
        if (depth != 0 || k.kind != TToken::Word) {
            if (depth == 0 && k.text == QLatin1String(";") && end == t.size()) end = i;
            continue;
        }
        if (IsWord(k, "SELECT") && !select) select = true;
        else if (IsWord(k, "DISTINCT") || IsWord(k, "GROUP") || IsWord(k, "UNION") || IsWord(k, "INTERSECT") || IsWord(k, "EXCEPT"))
            return;
        else if (IsWord(k, "FROM") && from == t.size()) from = i;
        else if (IsWord(k, "ORDER")) order = i;
        else if ((IsWord(k, "LIMIT") || IsWord(k, "OFFSET") || IsWord(k, "FOR")) && order < i && end == t.size()) end = i;
    }
    if (!select || from == t.size() || order == t.size()) return;
    const size_t table = next(from);
    if (table >= t.size() || (t[table].kind != TToken::Word && t[table].kind != TToken::Quoted)) return;
    QString name = t[table].text;
    size_t a = next(table);
    if (a < t.size() && IsWord(t[a], "AS")) a = next(a);
    static const char* const notAlias[] = {"WHERE", "ORDER", "JOIN", "LEFT", "RIGHT", "INNER", "FULL", "CROSS", "ON", "GROUP", "LIMIT"};
    if (a < t.size() && t[a].kind == TToken::Word && std::none_of(std::begin(notAlias), std::end(notAlias), [&](const char* w) { return IsWord(t[a], w); }))
        name = t[a].text;
    // After the last term of the order (before LIMIT, or at the end).
    size_t last = end;
    while (last > 0 && t[last - 1].kind == TToken::Space) --last;
    if (last == 0) return;
    t[last - 1].text += QStringLiteral(", %1.zb_id").arg(name);
}

// How long a workstation waits on the server, in seconds: for a connection to be made, for the
// answer to a statement before asking the server whether it still works on it, and how long
// the server keeps a session idle inside a transaction (its writer lock stops every other
// desk's numbered posts). Read at each connection: ZEMBRA_ESPERA_CONEXION, _RESPUESTA and
// _TRANSACCION change them for the whole workstation.
struct TWaits {
    int Connect = 10, Answer = 20, IdleInTransaction = 30;
};
TWaits ReadWaits() {
    TWaits w;
    auto read = [](const char* name, int& value) {
        bool ok = false;
        const int v = qEnvironmentVariableIntValue(name, &ok);
        if (ok && v > 0) value = v;
    };
    read("ZEMBRA_ESPERA_CONEXION", w.Connect);
    read("ZEMBRA_ESPERA_RESPUESTA", w.Answer);
    read("ZEMBRA_ESPERA_TRANSACCION", w.IdleInTransaction);
    w.Connect = std::max(w.Connect, 2);  // libpq's least
    return w;
}

// The settings a service of libpq's service files gives (the user's file first, as libpq reads them).
QSet<QByteArray> ServiceKeys(const QByteArray& service) {
    const QByteArray own = qgetenv("PGSERVICEFILE"), system = qgetenv("PGSYSCONFDIR");
    const QStringList files{own.isEmpty() ? QDir::homePath() + QStringLiteral("/.pg_service.conf") : QString::fromLocal8Bit(own),
                            (system.isEmpty() ? QStringLiteral("/etc/postgresql-common") : QString::fromLocal8Bit(system)) +
                                QStringLiteral("/pg_service.conf")};
    for (const QString& name : files) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly)) continue;
        QSet<QByteArray> keys;
        bool inside = false, found = false;
        for (QByteArray line : f.readAll().split('\n')) {
            line = line.trimmed();
            if (line.startsWith('[')) {
                inside = line == '[' + service + ']';
                found = found || inside;
            } else if (inside && line.contains('=') && !line.startsWith('#')) {
                keys.insert(line.left(line.indexOf('=')).trimmed());
            }
        }
        if (found) return keys;
    }
    return {};
}

// libpq's parameters for a connection to `server`: the waits this program wants, then the
// office's own text, so that what it sets (there, in the service it names or in libpq's
// environment) stands over ours, as libpq users expect.
struct TConnectParams {
    std::vector<QByteArray> Keys, Values;
    std::vector<const char*> KeyPtrs, ValuePtrs;
    TConnectParams(const QString& server, const TWaits& w) {
        const QByteArray text = server.toUtf8();
        QSet<QByteArray> office;
        QByteArray service = qgetenv("PGSERVICE");
        if (PQconninfoOption* options = PQconninfoParse(text.constData(), nullptr)) {
            for (PQconninfoOption* o = options; o->keyword; ++o) {
                if (!o->val) continue;
                office.insert(o->keyword);
                if (std::strcmp(o->keyword, "service") == 0) service = o->val;
            }
            PQconninfoFree(options);
        }
        if (!service.isEmpty()) office.unite(ServiceKeys(service));
        if (!qEnvironmentVariableIsEmpty("PGCONNECT_TIMEOUT")) office.insert("connect_timeout");
        const std::pair<const char*, QByteArray> ours[] = {
            {"connect_timeout", QByteArray::number(w.Connect)},
            // A link that dies under a connection (a cable, a router) ends it: unanswered probes
            // while waiting, or data the other end never took.
            {"keepalives", "1"},
            {"keepalives_idle", "10"},
            {"keepalives_interval", "5"},
            {"keepalives_count", "3"},
            {"tcp_user_timeout", QByteArray::number(w.Answer * 1000)},
        };
        for (const auto& [key, value] : ours) {
            if (office.contains(key)) continue;
            Keys.push_back(key);
            Values.push_back(value);
        }
        Keys.push_back("dbname");
        Values.push_back(text);
        for (size_t i = 0; i < Keys.size(); ++i) {
            KeyPtrs.push_back(Keys[i].constData());
            ValuePtrs.push_back(Values[i].constData());
        }
        KeyPtrs.push_back(nullptr);
        ValuePtrs.push_back(nullptr);
    }
    // libpq's own wait (its connection timeout, host after host), shown as any wait.
    PGconn* Connect() const {
        PGconn* made = nullptr;
        WaitInThread([&] { made = PQconnectdbParams(KeyPtrs.data(), ValuePtrs.data(), 1); });
        return made;
    }
};

// libpq ignores a password file others may read, and says so only on standard error: the
// reason a desktop user can act on, when the server then asked for a password.
QString IgnoredPasswordFile(PGconn* conn) {
    if (!conn || !PQconnectionNeedsPassword(conn)) return {};  // libpq's own words may come translated
    QByteArray file = qgetenv("PGPASSFILE");
    if (PQconninfoOption* options = PQconninfo(conn)) {
        for (PQconninfoOption* o = options; o->keyword; ++o)
            if (std::strcmp(o->keyword, "passfile") == 0 && o->val && *o->val) file = o->val;
        PQconninfoFree(options);
    }
    if (file.isEmpty()) file = QFile::encodeName(QDir::homePath() + QStringLiteral("/.pgpass"));
    struct stat st {};
    if (::stat(file.constData(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & (S_IRWXG | S_IRWXO)) == 0) return {};
    const QString name = QFile::decodeName(file);
    return QString::fromUtf8("El fichero de contraseñas %1 no se usa porque otros usuarios pueden leerlo, y sin él el servidor no "
                             "acepta la conexión. Déjelo legible sólo por usted (en un terminal: chmod 600 %1) y vuelva a intentarlo.")
        .arg(name);
}

// Waits until `sock` is ready for `events`, at most `seconds`; false when the time ran out. In
// slices, between which the program shows that it waits and keeps its windows painted.
bool WaitFor(int sock, short events, int seconds) {
    pollfd p{sock, events, 0};
    TServerWait shown;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        const int n = ::poll(&p, 1, int(std::clamp<qint64>(left, 0, kServerWaitSliceMs)));
        if (n < 0 && errno == EINTR) continue;
        if (n != 0) return true;  // a failed poll leaves libpq to find the fault
        if (left <= kServerWaitSliceMs) return false;
        shown.Slice();
    }
}

}  // namespace

class TPgConnection;

// A result column of an application statement as the application names it.
struct TResultColumn {
    QString Name, Table, Origin;
    int Result = 0;
};

// A statement of the application's SQL: prepared on the server once, described at once (the
// query reads its columns before the first row), run on the first Step.
class TPgStatement : public TStatement {
public:
    TPgStatement(TPgConnection* conn, const QString& sql, const QStringList& names);
    ~TPgStatement() override;
    int ParamCount() const override { return int(FNames.size()); }
    QString ParamName(int index) const override { return FNames.value(index); }
    void Bind(int index, const QVariant& value) override {
        if (index >= 0 && size_t(index) < FArgs.size()) FArgs[size_t(index)] = value;
    }
    bool Step() override;
    void Reset() override {
        FResult.reset();
        FRow = -1;
    }
    int ColumnCount() const override { return int(FColumns.size()); }
    // Result column of a shown column (the hidden record identity of "SELECT *" is left out).
    QString ColumnName(int index) const override { return FColumns.at(size_t(index)).Name; }
    QString ColumnTable(int index) const override { return FColumns.at(size_t(index)).Table; }
    QString ColumnOrigin(int index) const override { return FColumns.at(size_t(index)).Origin; }
    QVariant Column(int index) const override {
        if (!FResult || FRow < 0 || FRow >= PQntuples(FResult.get())) return QVariant();
        return ValueOf(FResult.get(), FRow, FColumns.at(size_t(index)).Result);
    }
    qint64 RowsAffected() const override { return FAffected; }

private:
    void Describe();
    TPgConnection* FConn;
    QString FSql;
    QStringList FNames;
    std::vector<QVariant> FArgs;
    std::vector<TResultColumn> FColumns;
    QByteArray FName;
    int FGeneration = -1;
    std::unique_ptr<PGresult, decltype(&PQclear)> FResult{nullptr, &PQclear};
    int FRow = -1;
    qint64 FAffected = 0;
};

class TPgConnection : public TConnection {
public:
    TPgConnection(const QString& folder, const QString& server) : FFolder(folder), FServer(server) {
        Connect();
        Setup();
    }
    ~TPgConnection() override {
        if (FConn) PQfinish(FConn);
    }

    QString Folder() const override { return FFolder; }
    bool ReadOnly() const override { return false; }

    // ---- the connection and its faults

    // The server as the messages name it: host, port and database, never a password.
    QString ServerName() const {
        if (!FDisplayName.isEmpty()) return FDisplayName;
        QString s = FServer;
        static const QRegularExpression secret(QStringLiteral("password\\s*=\\s*('[^']*'|\\S*)"), QRegularExpression::CaseInsensitiveOption);
        return s.replace(secret, QString());
    }
    [[noreturn]] void Lost(const QString& why) {
        FInTrans = false;
        FOwners.clear();
        EngineError(ecServerLost, QString::fromUtf8("Se ha perdido la conexión con el servidor de datos %1; no se ha guardado la "
                                                    "última operación. Vuelva a intentarlo cuando el servidor responda.\n%2")
                                      .arg(ServerName(), why.trimmed()));
    }
    void Connect() {
        if (FConn) PQfinish(FConn);
        FWaits = ReadWaits();
        FDropped.clear();
        FConn = TConnectParams(FServer, FWaits).Connect();
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) {
            QString why = IgnoredPasswordFile(FConn);
            if (why.isEmpty()) why = FConn ? QString::fromUtf8(PQerrorMessage(FConn)) : QString();
            if (FConn) PQfinish(FConn);
            FConn = nullptr;
            EngineError(ecServerLost, QString::fromUtf8("No se puede conectar con el servidor de datos %1.\n%2").arg(ServerName(), why.trimmed()));
        }
        PQsetClientEncoding(FConn, "UTF8");
        PQsetNoticeProcessor(FConn, [](void*, const char*) {}, nullptr);
        // Sending never blocks either: a long statement on a frozen link waits as an answer does
        // (the system's own bound on unsent data may be off).
        PQsetnonblocking(FConn, 1);
        FDisplayName = QStringLiteral("%1:%2/%3").arg(QString::fromUtf8(PQhost(FConn)), QString::fromUtf8(PQport(FConn)),
                                                      QString::fromUtf8(PQdb(FConn)));
        ++FGeneration;
        FPrepared.clear();
        FShapes.Clear();
        FQueries.clear();  // gone with the old session
        FUnused.clear();
        FHeld.clear();
        // A lock held by another workstation beyond this is reported, not waited for forever.
        // A session left idle inside a transaction (a desk whose link froze mid-save) loses it,
        // and the writer lock with it, so the rest of the office goes on; record locks are
        // held outside transactions and stay. The server notices a dead desk by its own
        // probes. Each only where the office set nothing (its options, its role, its database).
        TResult r = Exec(QStringLiteral("SET lock_timeout = '10s'; SET extra_float_digits = 1; SET standard_conforming_strings = on; "
                                        "SELECT set_config(s.name, s.value, false) FROM (VALUES "
                                        "('idle_in_transaction_session_timeout', '%1s'), ('tcp_keepalives_idle', '10'), "
                                        "('tcp_keepalives_interval', '5'), ('tcp_keepalives_count', '3'), ('tcp_user_timeout', '%2')) "
                                        "s(name, value) JOIN pg_settings p ON p.name = s.name WHERE p.source = 'default'; "
                                        "SELECT current_schema()")
                             .arg(FWaits.IdleInTransaction)
                             .arg(FWaits.Answer * 1000));
        // Locks are the database's: the schema is part of their keys, so offices that share a
        // database in schemas of their own never lock each other out.
        FSchema = QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
        FWriterLock = qint64(LockOffset(FSchema + QStringLiteral(".$writer"), 0));
        SettleLate();
    }
    // Before each action: a connection lost since the last one is made again (its locks and its
    // transaction are gone with it, which the error of the lost action already said).
    void Ensure() {
        Idle();
        if (FConn && PQstatus(FConn) == CONNECTION_OK) return;
        // Lost under a statement whose failure nothing waited for (freeing a lock, a rollback):
        // what the old connection held is told now, never carried on silently by a new one.
        const QString why = FConn ? QString::fromUtf8(PQerrorMessage(FConn)) : FDropped;
        if (FInTrans || !FOwners.empty() || std::exchange(FUntold, false) || NoReconnect()) Lost(why);
        Connect();
    }
    // A server restarted, or a link cut, while this workstation sat idle has closed the
    // connection: found before anything of the next action is sent, the action goes on a new
    // connection without a word, unless the old one held what a new one cannot give back (a
    // transaction, record locks), which is told.
    void Idle() {
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) return;
        // Only after a pause: statements that follow each other closely save the look.
        if (std::chrono::steady_clock::now() - FLastAnswer < std::chrono::milliseconds(100)) return;
        pollfd p{PQsocket(FConn), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return;
        const bool holds = FInTrans || !FOwners.empty() || PQtransactionStatus(FConn) != PQTRANS_IDLE;
        // The server's farewell and the end of the connection come together, or nearly.
        PQconsumeInput(FConn);
        if (PQstatus(FConn) == CONNECTION_OK && ::poll(&p, 1, 100) > 0) PQconsumeInput(FConn);
        if (PQstatus(FConn) == CONNECTION_OK) return;
        const QString why = QString::fromUtf8(PQerrorMessage(FConn));
        PQfinish(FConn);
        FConn = nullptr;
        if (holds) Lost(why);
    }
    int Generation() const { return FGeneration; }
    PGconn* Raw() { return FConn; }

    // Waits for the whole answer to what was just sent (`sent` as PQsend* gave it). A server
    // silent for longer than the answer's wait is asked, on a connection of its own, whether it
    // still works on this one's statement (a long report, a lock queue); a frozen link, or a
    // session the server no longer has, ends the connection instead of hanging the desk.
    PGresult* Await(int sent) {
        if (!sent || !FConn || !Flushed()) return nullptr;
        PGresult* last = nullptr;
        for (;;) {
            if (!Answered()) {
                PQclear(last);
                return nullptr;
            }
            PGresult* r = PQgetResult(FConn);
            if (!r) break;
            PQclear(last);
            last = r;
        }
        FLastAnswer = std::chrono::steady_clock::now();
        return last;
    }
    // Sends all that was queued; false when the connection was given up on the way.
    bool Flushed() {
        while (PQflush(FConn) > 0) {
            if (!Waiting(POLLIN | POLLOUT)) return false;
            if (!PQconsumeInput(FConn)) break;
        }
        return true;
    }
    // Waits until the next result can be read without blocking; false as Flushed.
    bool Answered() {
        while (PQisBusy(FConn)) {
            if (!Waiting(POLLIN)) return false;
            if (!PQconsumeInput(FConn)) break;
        }
        return true;
    }
    // False when the connection was given up (closed, with the reason kept for the message).
    bool Waiting(short events) {
        while (!WaitFor(PQsocket(FConn), events, FWaits.Answer)) {
            const QString gone = StillWorking();
            if (gone.isEmpty()) continue;
            PQfinish(FConn);
            FConn = nullptr;
            FDropped = gone;
            return false;
        }
        return true;
    }
    // Empty when the server says this connection's statement is still running; the reason to
    // give it up otherwise.
    QString StillWorking() {
        const int pid = PQbackendPID(FConn);
        PGconn* side = TConnectParams(FServer, FWaits).Connect();
        QString gone = QString::fromUtf8("El servidor no ha respondido en %1 s y no se llega a él.").arg(FWaits.Answer);
        if (side && PQstatus(side) == CONNECTION_OK &&
            PQsendQuery(side, QByteArray("SELECT state, query FROM pg_stat_activity WHERE pid = " + QByteArray::number(pid)).constData())) {
            bool answered = true;
            while (answered && PQisBusy(side)) answered = WaitFor(PQsocket(side), POLLIN, FWaits.Connect) && PQconsumeInput(side);
            if (answered) {
                TResult r(PQgetResult(side), &PQclear);
                const bool row = PQresultStatus(r.get()) == PGRES_TUPLES_OK && PQntuples(r.get()) == 1;
                const QByteArray state = row ? PQgetvalue(r.get(), 0, 0) : "";
                if (state == "active") gone.clear();
                else if (PQresultStatus(r.get()) == PGRES_TUPLES_OK)
                    gone = QString::fromUtf8("El servidor no ha recibido la operación o su respuesta no ha llegado en %1 s.").arg(FWaits.Answer);
                while (PGresult* more = PQgetResult(side)) PQclear(more);
            }
        }
        PQfinish(side);
        return gone;
    }
    // Sends a statement whose failure nothing depends on (a rollback on the way out of an error).
    void Quiet(const char* sql) {
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) return;
        PQclear(Await(PQsendQuery(FConn, sql)));
    }

    // Turns a failed result into the engine's error; the connection, when lost, is said so.
    [[noreturn]] void Raise(const PGresult* r) {
        if (!FConn) Lost(FDropped);
        if (PQstatus(FConn) != CONNECTION_OK) Lost(QString::fromUtf8(PQerrorMessage(FConn)));
        const QString state = Sqlstate(r);
        const QString msg = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(FConn)).trimmed();
        if (state == QLatin1String("23505")) EngineError(ecKeyViolation);
        if (state == QLatin1String("42P01")) EngineError(ecNoSuchTable, msg);
        if (state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001"))
            EngineError(ecLockTimeout, msg);
        if (state == QLatin1String("25006")) EngineError(ecReadOnlyData, msg);
        // Another workstation rebuilt a table a kept statement reads: its columns are no longer those
        // described, so every statement is prepared and described afresh. Told by the server function
        // that refuses it, as the message comes in the server's language.
        const char* where = r ? PQresultErrorField(r, PG_DIAG_SOURCE_FUNCTION) : nullptr;
        if (state == QLatin1String("0A000") && where && std::strcmp(where, "RevalidateCachedQuery") == 0) {
            ForgetQueries();
            EngineError(ecLayoutChanged, msg);
        }
        if (state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") || state == QLatin1String("57P02") ||
            state == QLatin1String("57P03"))
            Lost(msg);
        EngineError(ecSqlError, msg);
    }
    TResult Check(PGresult* r) {
        ++RoundTrips;
        TResult res(r, &PQclear);
        const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
            // A statement that failed inside a transaction spoils it: the whole transaction is
            // rolled back by the caller; outside one, nothing was written.
            Raise(r);
        }
        return res;
    }
    TResult Exec(const QString& sql) {
        FWritten.Valid = false;
        if (!FEnsuring) {
            FEnsuring = true;
            try {
                Ensure();
            } catch (...) {
                FEnsuring = false;
                throw;
            }
            FEnsuring = false;
        }
        return Check(Await(PQsendQuery(FConn, sql.toUtf8().constData())));
    }
    // Runs `sql` prepared once per connection.
    TResult Run(const QString& sql, const std::vector<QVariant>& args) {
        FWritten.Valid = false;
        Ensure();
        QByteArray name = Statement(sql, args);
        TParams p(args);
        return Check(Await(PQsendQueryPrepared(FConn, name.constData(), int(args.size()), p.Values.data(), p.Lengths.data(), p.Formats.data(), 0)));
    }
    QByteArray Statement(const QString& sql, const std::vector<QVariant>& args) {
        auto it = FPrepared.find(sql);
        if (it != FPrepared.end()) return *it;
        if (FPrepared.size() >= 256) {
            // The engine's own only: the application's statements stay prepared for their queries.
            QStringList drop;
            for (const QByteArray& n : std::as_const(FPrepared)) drop << QStringLiteral("DEALLOCATE ") + QString::fromLatin1(n);
            Exec(drop.join(QLatin1Char(';')));
            FPrepared.clear();
        }
        QByteArray name = "zb" + QByteArray::number(++FStatementCount);
        TParams p(args);
        Check(Await(PQsendPrepare(FConn, name.constData(), sql.toUtf8().constData(), int(args.size()), p.Types.data())));
        FPrepared.insert(sql, name);
        return name;
    }

    // The collations, the date function and the blank-keeping trigger function every table
    // uses, made once per database (under a lock, so two workstations opening a new database
    // do not make them twice).
    void Setup() {
        TResult r = Exec(QStringLiteral("SELECT (SELECT count(*) FROM pg_collation WHERE collname IN ('zb_es','zb_es_ci') "
                                        "AND collnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema())) = 2 "
                                        "AND to_regprocedure('zb_extract(text,double precision)') IS NOT NULL "
                                        "AND to_regclass('zb_salidas') IS NOT NULL"));
        if (PQntuples(r.get()) == 1 && PQgetvalue(r.get(), 0, 0)[0] == 't') {
            // The marks of writes settled long ago go now and then: a desk that starts. Nothing
            // depends on it: a failure keeps them for the next start.
            Quiet("DELETE FROM zb_salidas WHERE hecho < now() - interval '1 day'");
            return;
        }
        try {
            Exec(QStringLiteral(
                "BEGIN; SELECT pg_advisory_xact_lock(%1);"
                "CREATE COLLATION IF NOT EXISTS zb_es (provider = icu, locale = '%2');"
                "CREATE COLLATION IF NOT EXISTS zb_es_ci (provider = icu, locale = '%3', deterministic = false);"
                "CREATE OR REPLACE FUNCTION zb_extract(part text, v double precision) RETURNS integer LANGUAGE sql IMMUTABLE AS $f$"
                " SELECT CASE upper(part)"
                "  WHEN 'YEAR' THEN extract(year FROM date '1899-12-30' + floor(v)::integer)::integer"
                "  WHEN 'MONTH' THEN extract(month FROM date '1899-12-30' + floor(v)::integer)::integer"
                "  WHEN 'DAY' THEN extract(day FROM date '1899-12-30' + floor(v)::integer)::integer"
                "  WHEN 'HOUR' THEN (round((v - floor(v)) * 86400000)::bigint / 3600000)::integer"
                "  WHEN 'MINUTE' THEN (round((v - floor(v)) * 86400000)::bigint / 60000 % 60)::integer"
                "  WHEN 'SECOND' THEN (round((v - floor(v)) * 86400000)::bigint / 1000 % 60)::integer END $f$;"
                "CREATE TABLE IF NOT EXISTS zb_salidas (token uuid PRIMARY KEY, hecho timestamptz NOT NULL DEFAULT now());"
                "COMMIT")
                     .arg(FWriterLock)
                     .arg(QString::fromLatin1(SpanishOrderTag), QString::fromLatin1(SpanishLettersTag)));
        } catch (...) {
            Quiet("ROLLBACK");
            throw;
        }
    }

    // ---- statements of the application
    // Prepared on the server once per text and connection, with the columns their description
    // gave: a query opened again (a window's lawyers, a form's lookups) costs no prepare and no
    // describe. Those no statement uses are let go past a few dozen, the least recent first.
    struct TQuery {
        QByteArray Name;
        QStringList Params;
        std::vector<TResultColumn> Columns;
        int Users = 0;
        quint64 LastUse = 0;
    };
    static constexpr int kIdleQueries = 32;
    const TQuery* UseQuery(const QString& sql) {
        auto it = FQueries.find(sql);
        if (it == FQueries.end()) return nullptr;
        ++it->second.Users;
        return &it->second;
    }
    void RememberQuery(const QString& sql, const QByteArray& name, const QStringList& params, const std::vector<TResultColumn>& cols) {
        auto it = FQueries.find(sql);
        if (it != FQueries.end()) {
            // Prepared again while other statements hold the old one: it goes when the last lets go.
            Forget(it->second);
            FQueries.erase(it);
        }
        FQueries[sql] = {name, params, cols, 1, ++FQueryClock};
    }
    void ReleaseQuery(const QString& sql, const QByteArray& name, int generation) {
        if (generation != FGeneration) return;  // gone with its session
        auto it = FQueries.find(sql);
        if (it != FQueries.end() && it->second.Name == name) {
            --it->second.Users;
            it->second.LastUse = ++FQueryClock;
        } else if (auto held = FHeld.find(name); held != FHeld.end()) {
            if (--*held == 0) {
                FHeld.erase(held);
                FUnused << name;
            }
        } else {
            FUnused << name;
        }
        int idle = 0;
        for (const auto& [text, q] : FQueries) idle += q.Users == 0 ? 1 : 0;
        while (idle-- > kIdleQueries) {
            auto oldest = FQueries.end();
            for (auto q = FQueries.begin(); q != FQueries.end(); ++q)
                if (q->second.Users == 0 && (oldest == FQueries.end() || q->second.LastUse < oldest->second.LastUse)) oldest = q;
            FUnused << oldest->second.Name;
            FQueries.erase(oldest);
        }
        FreeUnused();
    }
    // Statements let go are deallocated together, outside any transaction (a failed one would
    // refuse the command); never raises, as statements are freed while errors unwind.
    void FreeUnused() {
        if (FUnused.isEmpty()) return;
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) {
            FUnused.clear();
            return;
        }
        if (PQtransactionStatus(FConn) != PQTRANS_IDLE) return;
        QByteArray text;
        for (const QByteArray& n : std::as_const(FUnused)) text += "DEALLOCATE " + n + ';';
        FUnused.clear();
        ++RoundTrips;
        Quiet(text.constData());
    }
    // A layout changed: the descriptions made with it go (the statements in use keep theirs).
    void ForgetQueries() {
        for (const auto& [text, q] : FQueries) Forget(q);
        FQueries.clear();
    }
    // A description no query will be given again: deallocated now when unused, else counted
    // until the last query that runs on it lets go (two windows of one text share it).
    void Forget(const TQuery& q) {
        if (q.Users == 0) FUnused << q.Name;
        else FHeld[q.Name] += q.Users;
    }

    QString TranslateSql(const QString& sql) override {
        TDialect d;
        d.TableExists = [this](const QString& t) { return TableExists(t); };
        d.BlankAsEmptyOpen = QStringLiteral("COALESCE(CAST(");
        d.BlankAsEmptyClose = QStringLiteral(" AS text),'')");
        d.EmptyAsNullOpen = QStringLiteral("NULLIF(CAST(");
        d.EmptyAsNullClose = QStringLiteral(" AS text),'')");
        d.OrderCollation.clear();  // text columns sort in Spanish by their own collation
        d.PrimaryKey = [this](const QString& table) {
            QStringList key;
            const TTableDesc* desc = FLayouts.Find(StorageName(table));
            if (!desc && TableExists(table)) desc = &Desc(table);
            if (desc)
                for (const QString& f : desc->PrimaryFields()) key << Col(f);
            return key;
        };
        d.Finish = [](std::vector<TToken>& t) {
            for (auto& tok : t) {
                if (IsWord(tok, "rowid")) tok.text = QStringLiteral("zb_id");
                else if (IsWord(tok, "IFNULL")) tok.text = QStringLiteral("COALESCE");
                // The local SQL's LIKE ignored the case of letters.
                else if (IsWord(tok, "LIKE")) tok.text = QStringLiteral("ILIKE");
                // Quoted names reach the stored lower-case names (aliases of the row identity too).
                else if (tok.kind == TToken::Quoted) tok.text = tok.text.toLower();
            }
            TieBreak(t);
        };
        return TranslateLocalSql(sql, d);
    }
    std::unique_ptr<TStatement> Prepare(const QString& engineSql) override {
        const QString text = ValidText(engineSql);
        // Only one statement: the rest of the text must be blanks, semicolons or comments.
        const std::vector<TToken> toks = Tokenize(text);
        qsizetype cut = -1, pos = 0;
        for (const TToken& t : toks) {
            if (t.kind == TToken::Op && t.text == QLatin1String(";")) {
                cut = pos;
                break;
            }
            pos += t.text.size();
        }
        QString first = cut >= 0 ? text.left(cut) : text;
        if (cut >= 0) {
            const QString extra = ExtraStatement(text.constData() + cut, text.constData() + text.size());
            if (!extra.isEmpty()) RefuseExtraStatement(extra);
        }
        if (first.trimmed().isEmpty()) EngineError(ecInvalidRequest, QStringLiteral("Empty SQL statement."));
        QStringList names;
        const QString sql = NumberParams(first, names);
        return std::make_unique<TPgStatement>(this, sql, names);
    }

    // ---- transactions
    void StartTransaction() override {
        if (FInTrans) EngineError(ecInvalidRequest, QStringLiteral("A transaction is already active."));
        Ensure();
        try {
            // The transaction's number and its mark come with the first answer: known before the commit.
            const QByteArray token = NewToken();
            TResult r = Exec(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1); INSERT INTO zb_salidas (token) VALUES ('%2') "
                                            "RETURNING pg_current_xact_id()")
                                 .arg(FWriterLock)
                                 .arg(QString::fromLatin1(token)));
            BeginWrite(PQgetvalue(r.get(), 0, 0), token);
        } catch (...) {
            if (FConn && PQtransactionStatus(FConn) != PQTRANS_IDLE) Quiet("ROLLBACK");
            throw;
        }
        FInTrans = true;
    }
    void Commit() override {
        if (!FInTrans) return;
        Ensure();  // a connection found closed before the commit is told, the transaction with it
        FInTrans = false;
        FinishWrite();
    }
    void Rollback() override {
        if (!FInTrans) return;
        FInTrans = false;
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) return;  // gone with the connection
        Quiet("ROLLBACK");
    }
    bool InTransaction() const override { return FInTrans; }

    // ---- the outcome of writes
    // Every write runs in a transaction whose number the server gives before the commit is
    // sent. When the commit's answer is lost (a connection closed under it, a link frozen past
    // the answer's wait, a server restarting) the server is asked about that number: committed,
    // the save stands; not committed, it is told lost; unreachable within the action's bound,
    // it is told unknown and settled at the next connection.
    struct TWrite {
        qint64 Ticket = 0;
        QByteArray Xid;    // the server's transaction number
        QByteArray Token;  // the mark the transaction leaves in zb_salidas when it commits
        int Pid = 0;     // the session that ran it
        QDateTime Started;
        QStringList Tables;
        struct TRowWritten {
            QString Table;
            qint64 Id = 0;
            bool Inserted = false;
        };
        std::vector<TRowWritten> Rows;
        TWriteOutcome Outcome = TWriteOutcome::Told;
    };
    void BeginWrite(const char* xid, const QByteArray& token) {
        FWrite = TWrite();
        FWrite.Ticket = ++FTickets;
        FWrite.Xid = QByteArray(xid);
        FWrite.Token = token;
        FWrite.Pid = PQbackendPID(FConn);
        FWrite.Started = QDateTime::currentDateTime();
    }
    void NoteWrite(const QString& table, qint64 id = 0, bool inserted = false) {
        const QString name = StorageName(table).toUpper();
        if (!FWrite.Tables.contains(name)) FWrite.Tables << name;
        if (id) FWrite.Rows.push_back({name, id, inserted});
    }
    qint64 WriteTicket() const override { return FWrite.Ticket; }
    // A transaction's number alone cannot tell whether it committed: one whose commit never
    // reached the disk before a crash is given again to another after the restart. Each write
    // also leaves a random mark of its own, which exists exactly when the write committed.
    static QByteArray NewToken() { return QUuid::createUuid().toByteArray(QUuid::WithoutBraces); }
    static constexpr const char* kTokenSql = "INSERT INTO zb_salidas (token) VALUES ($1::uuid) RETURNING pg_current_xact_id()";

    // A post outside a transaction runs in one of its own: the BEGIN, the question of its number
    // and the write go in one message, the COMMIT (EndWrite) in a second one, sent only once the
    // first was answered. A first message whose answer is lost sent no commit: nothing was saved.
    // A row count `accept` refuses is another user's change: nothing is written.
    template <class Accept>
    TResult Write(const QString& table, const QString& sql, const std::vector<QVariant>& args, Accept accept) {
        if (FInTrans) {
            TResult r = GuardedRun(sql, args);
            if (!accept(r.get())) EngineError(ecRecordChanged);
            NoteWrite(table);
            return r;
        }
        FWritten.Valid = false;
        Ensure();
        const QByteArray token = NewToken();
        const std::vector<QVariant> marked{QVariant(QString::fromLatin1(token))};
        Statement(QString::fromLatin1(kTokenSql), marked);
        const QByteArray name = Statement(sql, args);
        const QByteArray mark = Statement(QString::fromLatin1(kTokenSql), marked);  // again: the last may have let it go
        TParams p(args), m(marked);
        std::vector<TResult> res;
        const bool answered = Pipelined(
            {[&] { return Plain("BEGIN"); },
             [&] { return PQsendQueryPrepared(FConn, mark.constData(), 1, m.Values.data(), m.Lengths.data(), m.Formats.data(), 0); },
             [&] {
                 return PQsendQueryPrepared(FConn, name.constData(), int(args.size()), p.Values.data(), p.Lengths.data(), p.Formats.data(), 0);
             }},
            res);
        if (!answered) Raise(nullptr);
        for (TResult& r : res) {
            if (Succeeded(r.get())) continue;
            Quiet("ROLLBACK");
            Raise(r.get());
        }
        if (!accept(res[2].get())) {
            Quiet("ROLLBACK");
            EngineError(ecRecordChanged);
        }
        BeginWrite(PQgetvalue(res[1].get(), 0, 0), token);
        NoteWrite(table);
        FSingle = true;
        return std::move(res[2]);
    }
    // Commits the post of its own that Write began.
    void EndWrite() {
        if (std::exchange(FSingle, false)) FinishWrite();
    }
    // Sends what each of `sends` sends in one message and reads their answers, one result
    // each; false when the connection was lost or given up on the way. A statement that fails
    // skips those after it (their results say so).
    bool Pipelined(std::initializer_list<std::function<int()>> sends, std::vector<TResult>& res) {
        return Pipelined(int(sends.size()), [&](int i) { return sends.begin()[i](); }, res);
    }
    // The same for `count` statements, the i-th sent by `send(i)`.
    bool Pipelined(int count, const std::function<int(int)>& send, std::vector<TResult>& res) {
        ++RoundTrips;
        bool ok = PQenterPipelineMode(FConn);
        for (int i = 0; i < count && ok; ++i) ok = send(i);
        ok = ok && PQpipelineSync(FConn) && AwaitPipeline(count, res);
        if (FConn && PQstatus(FConn) == CONNECTION_OK) ok = PQexitPipelineMode(FConn) && ok;
        return ok;
    }
    int Plain(const char* sql) { return PQsendQueryParams(FConn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0); }
    static bool Succeeded(const PGresult* r) {
        const ExecStatusType s = PQresultStatus(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    // The answers to `count` statements sent in a pipeline, up to its sync; false when the
    // connection was lost or given up on the way.
    bool AwaitPipeline(int count, std::vector<TResult>& out) {
        if (!Flushed()) return false;
        PGresult* last = nullptr;
        for (;;) {
            if (!Answered()) {
                PQclear(last);
                return false;
            }
            if (PQstatus(FConn) != CONNECTION_OK) {
                PQclear(last);
                return false;
            }
            PGresult* r = PQgetResult(FConn);
            if (!r) {
                out.emplace_back(last, &PQclear);
                last = nullptr;
                continue;
            }
            if (PQresultStatus(r) == PGRES_PIPELINE_SYNC) {
                PQclear(r);
                break;
            }
            PQclear(last);
            last = r;
        }
        FLastAnswer = std::chrono::steady_clock::now();
        return int(out.size()) == count;
    }
    // Sends the commit of the write begun and settles it when its answer does not come.
    void FinishWrite() {
        const auto started = std::chrono::steady_clock::now();
        ++RoundTrips;
        TResult r(FConn ? Await(PQsendQuery(FConn, "COMMIT")) : nullptr, &PQclear);
        if (FConn && PQstatus(FConn) == CONNECTION_OK) {
            if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) return;
            if (PQtransactionStatus(FConn) != PQTRANS_IDLE) Quiet("ROLLBACK");
            Raise(r.get());
        }
        Settle(started);
    }
    // The commit was sent and its answer lost: the server is asked, on new connections, until
    // the action's bound (the answer's wait and a connection's from the commit).
    void Settle(std::chrono::steady_clock::time_point started) {
        const QString why = (FConn ? QString::fromUtf8(PQerrorMessage(FConn)) : FDropped).trimmed();
        if (FConn) PQfinish(FConn);
        FConn = nullptr;
        FDropped = why;
        FOwners.clear();  // the record locks went with the session: a post takes its own again
        const auto now = std::chrono::steady_clock::now();
        const auto bound = std::max(started + std::chrono::seconds(FWaits.Answer + FWaits.Connect), now + std::chrono::seconds(3));
        FWrite.Outcome = Ask(FWrite, bound);
        if (FWrite.Outcome == TWriteOutcome::Saved) {
            FWrite.Outcome = TWriteOutcome::Told;
            return;
        }
        if (FWrite.Outcome == TWriteOutcome::NotSaved) {
            FWrite.Outcome = TWriteOutcome::Told;
            Lost(why);
        }
        FUnsettled.push_back(FWrite);
        if (FUnsettled.size() > 16) FUnsettled.erase(FUnsettled.begin());
        EngineError(ecOutcomeUnknown, QString::fromUtf8("La operación %1 no ha recibido respuesta y el servidor de datos %2 no responde. "
                                                        "El programa lo comprobará en cuanto el servidor responda y le dirá si se "
                                                        "guardó.\n%3")
                                          .arg(Described(FWrite), ServerName(), why));
    }
    // "de las 10:32:05 en CLIENTES y EXPED"
    static QString Described(const TWrite& w) {
        QStringList tables = w.Tables;
        QString list = tables.isEmpty() ? QString() : tables.takeLast();
        if (!tables.isEmpty()) list = tables.join(QStringLiteral(", ")) + QStringLiteral(" y ") + list;
        const QString at = QStringLiteral("de las %1").arg(w.Started.toString(QStringLiteral("HH:mm:ss")));
        return list.isEmpty() ? at : at + QStringLiteral(" en ") + list;
    }
    // Committed, not committed, or not knowable before `bound`, each try on a new connection.
    TWriteOutcome Ask(const TWrite& w, std::chrono::steady_clock::time_point bound) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::seconds>(bound - std::chrono::steady_clock::now()).count();
            if (left <= 0) return TWriteOutcome::Unknown;
            TWaits waits = FWaits;
            waits.Connect = int(std::clamp<qint64>(left, 2, FWaits.Connect));
            PGconn* side = TConnectParams(FServer, waits).Connect();
            TWriteOutcome o = TWriteOutcome::Unknown;
            if (side && PQstatus(side) == CONNECTION_OK) o = AskOn(side, w, waits.Connect);
            PQfinish(side);
            if (o != TWriteOutcome::Unknown) return o;
            QThread::msleep(300);
        }
    }
    // The server's word on `w`: its mark stored, committed; else not, once no session holds it
    // (a commit that never arrived, on a frozen link: that session is ended, which rolls it
    // back). The number alone is not asked: after a crash it may name another's transaction.
    static TWriteOutcome AskOn(PGconn* c, const TWrite& w, int seconds) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            bool ok = false;
            // Only that session, holding that transaction: a number of a session since gone may
            // have been given to another.
            const QByteArray low = QByteArray::number(w.Xid.toULongLong() & 0xFFFFFFFFull);
            const QByteArray ended = Value(c, "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE pid = " +
                                                  QByteArray::number(w.Pid) + " AND backend_xid::text = '" + low + "'",
                                           seconds, &ok);
            if (!ok) return TWriteOutcome::Unknown;
            if (ended == "f") {  // still there
                QThread::msleep(50);
                continue;
            }
            // Asked after: a commit that ended meanwhile is seen.
            const QByteArray marks = Value(c, "SELECT count(*) FROM zb_salidas WHERE token = '" + w.Token + "'", seconds, &ok);
            if (!ok) return TWriteOutcome::Unknown;
            return marks == "0" ? TWriteOutcome::NotSaved : TWriteOutcome::Saved;
        }
        return TWriteOutcome::Unknown;
    }
    // The first value of `sql` on `c`, within `seconds` of silence.
    static QByteArray Value(PGconn* c, const QByteArray& sql, int seconds, bool* ok) {
        *ok = false;
        if (!c || PQstatus(c) != CONNECTION_OK || !PQsendQuery(c, sql.constData())) return {};
        while (PQflush(c) > 0)
            if (!WaitFor(PQsocket(c), POLLIN | POLLOUT, seconds) || !PQconsumeInput(c)) return {};
        while (PQisBusy(c))
            if (!WaitFor(PQsocket(c), POLLIN, seconds) || !PQconsumeInput(c)) return {};
        QByteArray v;
        bool good = false;
        while (PGresult* r = PQgetResult(c)) {
            if (PQresultStatus(r) == PGRES_TUPLES_OK) {
                good = true;
                if (PQntuples(r) > 0 && !PQgetisnull(r, 0, 0)) v = PQgetvalue(r, 0, 0);
            }
            PQclear(r);
        }
        *ok = good;
        return v;
    }
    // Writes left unknown are settled on a connection just made, and told.
    void SettleLate() {
        for (TWrite& w : FUnsettled) {
            if (w.Outcome != TWriteOutcome::Unknown) continue;
            w.Outcome = AskOn(FConn, w, FWaits.Answer);
            if (w.Outcome == TWriteOutcome::Unknown || !OnWriteSettled) continue;
            const QString what = Described(w);
            OnWriteSettled(w.Outcome == TWriteOutcome::Saved
                               ? QString::fromUtf8("La operación %1, de la que no se sabía si se había guardado, sí se guardó.").arg(what)
                               : QString::fromUtf8("La operación %1, de la que no se sabía si se había guardado, no se guardó: "
                                                   "vuelva a hacerla.")
                                     .arg(what));
        }
    }
    TWriteOutcome WriteOutcome(qint64 ticket, const QString& table, qint64* row) override {
        const qint64 shown = row ? *row : 0;
        if (row) *row = 0;
        auto find = [&] {
            return std::find_if(FUnsettled.begin(), FUnsettled.end(), [&](const TWrite& w) { return w.Ticket == ticket; });
        };
        if (ticket == 0 || find() == FUnsettled.end()) return TWriteOutcome::Told;
        if (find()->Outcome == TWriteOutcome::Unknown && !FInTrans) {
            try {
                Ensure();  // a new connection settles it
                SettleLate();
            } catch (const Exception&) {
                // still out of reach: told unknown
            }
        }
        const TWrite& w = *find();
        const QString name = StorageName(table).toUpper();
        if (row)
            for (const TWrite::TRowWritten& r : w.Rows)
                if (r.Table == name && (shown ? r.Id == shown : r.Inserted)) *row = r.Id;
        return w.Outcome;
    }


    // A failed statement inside our transaction would abort all of it on the server: each one
    // runs under a savepoint, so a failure undoes that statement alone, as on one machine.
    template <class F>
    auto Guarded(F&& f) -> decltype(f()) {
        if (!FInTrans) return f();
        Exec(QStringLiteral("SAVEPOINT zb"));
        try {
            auto r = f();
            Exec(QStringLiteral("RELEASE SAVEPOINT zb"));
            return r;
        } catch (...) {
            UndoStatement();
            throw;
        }
    }
    // The same for one statement that `send` sends: inside a transaction the savepoint, the
    // statement and the release go in one message, one round trip instead of three (a copy or
    // a numbered post writes many rows in one transaction).
    template <class Send>
    TResult GuardedSend(Send send) {
        FWritten.Valid = false;
        if (!FInTrans) return Check(Await(send()));
        std::vector<TResult> res;
        if (!Pipelined({[&] { return Plain("SAVEPOINT zb"); }, [&] { return send(); }, [&] { return Plain("RELEASE SAVEPOINT zb"); }}, res))
            Raise(nullptr);
        for (TResult& r : res) {
            if (Succeeded(r.get())) continue;
            UndoStatement();
            Raise(r.get());
        }
        return std::move(res[1]);
    }
    // A prepared statement of the engine's own, under the savepoint in a transaction.
    TResult GuardedRun(const QString& sql, const std::vector<QVariant>& args) {
        Ensure();
        const QByteArray name = Statement(sql, args);
        TParams p(args);
        return GuardedSend([&] {
            return PQsendQueryPrepared(FConn, name.constData(), int(args.size()), p.Values.data(), p.Lengths.data(), p.Formats.data(), 0);
        });
    }
    void UndoStatement() {
        if (FConn && PQstatus(FConn) == CONNECTION_OK && PQtransactionStatus(FConn) == PQTRANS_INERROR)
            Quiet("ROLLBACK TO SAVEPOINT zb; RELEASE SAVEPOINT zb");
    }

    // Base table and column names of a result column, by the server's table identity.
    struct TRelation {
        QString Name;
        QHash<int, QString> Columns;
    };
    const TRelation& Relation(Oid table) {
        auto it = FRelations.find(table);
        if (it != FRelations.end()) return *it;
        TRelation rel;
        TResult r = Run(QStringLiteral("SELECT c.relname, a.attnum, a.attname FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid "
                                       "WHERE c.oid = $1 AND a.attnum > 0 AND NOT a.attisdropped"),
                        {QVariant(qlonglong(table))});
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            rel.Name = QString::fromUtf8(PQgetvalue(r.get(), i, 0));
            rel.Columns.insert(QByteArray(PQgetvalue(r.get(), i, 1)).toInt(), QString::fromUtf8(PQgetvalue(r.get(), i, 2)));
        }
        return *FRelations.insert(table, rel);
    }

    // ---- schema
    bool TableExists(const QString& table) override {
        TResult r = Run(QStringLiteral("SELECT 1 FROM pg_class WHERE relname = $1 AND relkind IN ('r','p') AND "
                                       "relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema())"),
                        {QVariant(StorageName(table))});
        return PQntuples(r.get()) > 0;
    }
    QStringList TableNames() override {
        TResult r = Run(QStringLiteral("SELECT relname FROM pg_class WHERE relkind IN ('r','p') AND relname <> 'zb_salidas' AND "
                                       "relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema()) ORDER BY relname"),
                        {});
        QStringList names;
        for (int i = 0; i < PQntuples(r.get()); ++i) names << QString::fromUtf8(PQgetvalue(r.get(), i, 0));
        return names;
    }

    const TTableDesc& Desc(const QString& table) {
        return FLayouts.Get(table, [this](const QString& key) { return Read(key); });
    }
    void ForgetDesc(const QString& name) {
        FLayouts.Forget(name);
        FShapes.Clear();
        ForgetQueries();
        // The statements' base columns of other tables stay known (each costs a round trip).
        for (auto it = FRelations.begin(); it != FRelations.end();) {
            if (it->Name == name) it = FRelations.erase(it);
            else ++it;
        }
        FByIdTable.clear();
        FInsertTable.clear();
        FUpdates.clear();
    }
    // The columns and the indexes of a table, in one round trip: each table opened reads them.
    TTableDesc Read(const QString& key) {
        // The table is found once and the notes joined in, not looked up column by column.
        TResult r = Run(QStringLiteral("WITH t AS (SELECT c.oid FROM pg_class c WHERE c.relname = $1 AND c.relkind IN ('r','p') AND "
                                       "c.relnamespace = current_schema()::regnamespace) "
                                       "SELECT 0, a.attnum::bigint, a.attname::text, d.description FROM t JOIN pg_attribute a ON a.attrelid = t.oid "
                                       "LEFT JOIN pg_description d ON d.objoid = t.oid AND d.classoid = 'pg_class'::regclass AND d.objsubid = a.attnum "
                                       "WHERE a.attnum > 0 AND NOT a.attisdropped "
                                       "UNION ALL SELECT 1, x.indexrelid::bigint, i.relname::text, d.description FROM t "
                                       "JOIN pg_index x ON x.indrelid = t.oid JOIN pg_class i ON i.oid = x.indexrelid "
                                       "LEFT JOIN pg_description d ON d.objoid = x.indexrelid AND d.classoid = 'pg_class'::regclass AND d.objsubid = 0 "
                                       "WHERE NOT x.indisprimary ORDER BY 1, 2"),
                        {QVariant(key)});
        const PGresult* res = r.get();
        const int n = PQntuples(res);
        if (n == 0 || PQgetvalue(res, 0, 0)[0] != '0') EngineError(ecNoSuchTable, key);
        TTableDesc d;
        d.Name = key;
        const QString prefix = key + QLatin1Char('$');
        for (int i = 0; i < n; ++i) {
            const QString name = QString::fromUtf8(PQgetvalue(res, i, 2));
            const QString note = QString::fromUtf8(PQgetvalue(res, i, 3));
            if (PQgetvalue(res, i, 0)[0] == '0') {
                if (name == QLatin1String("zb_id")) continue;
                TColumnDesc c;
                c.Name = name;
                // "ANO TEXT REQUIRED(4)": the data model's spelling and declaration.
                const qsizetype sp = note.indexOf(QLatin1Char(' '));
                if (sp > 0 && note.left(sp).compare(name, Qt::CaseInsensitive) == 0) {
                    c.Name = note.left(sp);
                    if (!ParseType(note.mid(sp + 1), c)) c.Type = TColumnType::Text;
                }
                d.Columns.push_back(c);
                continue;
            }
            const qsizetype colon = note.indexOf(QLatin1Char(':'));
            if (!name.startsWith(prefix) || colon < 0) continue;
            // "puc:APELLIDOS;NOMBRE": primary, unique, case-insensitive, then the fields.
            TIndexDesc ix;
            const QString flags = note.left(colon);
            ix.Primary = flags.contains(QLatin1Char('p'));
            ix.Unique = flags.contains(QLatin1Char('u'));
            ix.CaseInsensitive = flags.contains(QLatin1Char('c'));
            ix.Fields = note.mid(colon + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            if (!ix.Primary) ix.Name = name.mid(prefix.size());
            if (ix.Primary) d.Indexes.insert(d.Indexes.begin(), ix);
            else d.Indexes.push_back(ix);
        }
        return d;
    }
    // Another workstation may have changed a layout: a table being opened reads it again.
    // What was made for it (statement texts, prepared statements) stays while it is the same.
    TTableDesc DescribeTable(const QString& table) override {
        const QString name = StorageName(table);
        TTableDesc fresh;
        try {
            fresh = Read(name);
        } catch (...) {
            ForgetDesc(name);
            throw;
        }
        const TTableDesc* known = FLayouts.Find(name);
        if (!known || !(*known == fresh)) {
            ForgetDesc(name);
            FLayouts.Put(name, fresh);
        }
        return fresh;
    }

    void CreateTable(const TTableDesc& desc) override {
        const QString name = StorageName(desc.Name);
        QStringList cols{QStringLiteral("zb_id bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")};
        QStringList notes;
        for (auto& c : desc.Columns) {
            QString decl = Col(c.Name) + QLatin1Char(' ') + PgType(c.Type);
            if (Indexed(desc, c.Name)) decl += IsTextType(c.Type) ? QStringLiteral(" DEFAULT ''") : QStringLiteral(" DEFAULT 0");
            cols << decl;
            notes << QStringLiteral("COMMENT ON COLUMN %1.%2 IS %3").arg(Quote(name), Col(c.Name), Literal(c.Name + QLatin1Char(' ') + Declaration(c)));
        }
        QStringList script{QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(name), cols.join(QStringLiteral(", ")))};
        script << notes;
        for (auto& ix : desc.Indexes) script << IndexSql(name, desc, ix);
        script << BlankTrigger(name, desc, true);
        Script(script);
        ForgetDesc(name);
    }
    // Runs statements as one: inside the open transaction, else in their own.
    void Script(const QStringList& statements) {
        Ensure();
        const QString body = statements.join(QStringLiteral(";\n"));
        if (FInTrans) {
            Guarded([&] { return Exec(body); });
            return;
        }
        try {
            Exec(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1);\n").arg(FWriterLock) + body + QStringLiteral(";\nCOMMIT"));
        } catch (...) {
            if (FConn && PQstatus(FConn) == CONNECTION_OK && PQtransactionStatus(FConn) != PQTRANS_IDLE) Quiet("ROLLBACK");
            throw;
        }
    }
    QString Literal(const QString& s) const { return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); }

    QStringList IndexSql(const QString& name, const TTableDesc& d, const TIndexDesc& ix) {
        QStringList parts;
        for (auto& f : ix.Fields) {
            int ci = d.ColumnIndex(f);
            if (ci < 0) EngineError(ecInvalidRequest, QStringLiteral("Field '%1' not found.").arg(f));
            QString p = Col(d.Columns[ci].Name);
            if (IsTextType(d.Columns[ci].Type) && ix.CaseInsensitive) p += QLatin1String(" COLLATE zb_es_ci");
            parts << p;
        }
        const bool unique = ix.Primary || ix.Unique;
        if (!unique) parts << QStringLiteral("zb_id");  // the cursors' order breaks ties by identity
        const QString ixName = name + QLatin1Char('$') + (ix.Primary ? QStringLiteral("pk") : ix.Name.toLower());
        QString flags;
        if (ix.Primary) flags += QLatin1Char('p');
        if (unique) flags += QLatin1Char('u');
        if (ix.CaseInsensitive) flags += QLatin1Char('c');
        return {QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)").arg(unique ? QStringLiteral("UNIQUE ") : QString(), Quote(ixName), Quote(name), parts.join(QStringLiteral(", "))),
                QStringLiteral("COMMENT ON INDEX %1 IS %2").arg(Quote(ixName), Literal(flags + QLatin1Char(':') + ix.Fields.join(QLatin1Char(';'))))};
    }
    // Indexed columns never hold nulls: whatever writes a null there, plain SQL included,
    // leaves the type's blank instead.
    QStringList BlankTrigger(const QString& name, const TTableDesc& d, bool creating = false) {
        QStringList sets;
        for (auto& c : d.Columns) {
            if (!Indexed(d, c.Name)) continue;
            sets << QStringLiteral("NEW.%1 := COALESCE(NEW.%1, %2);").arg(Col(c.Name), IsTextType(c.Type) ? QStringLiteral("''") : QStringLiteral("0"));
        }
        const QString fn = Quote(name + QStringLiteral("$blank"));
        QStringList out;
        if (!creating) out << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(fn, Quote(name));
        if (sets.isEmpty()) return out;
        out << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $b$ BEGIN %2 RETURN NEW; END $b$")
                   .arg(fn, sets.join(QLatin1Char(' ')))
            << QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT OR UPDATE ON %2 FOR EACH ROW EXECUTE FUNCTION %1()").arg(fn, Quote(name));
        return out;
    }
    void AddIndex(const QString& table, const TIndexDesc& index) override {
        const QString name = StorageName(table);
        TTableDesc d = Desc(name);
        d.Indexes.push_back(index);
        QStringList script = IndexSql(name, d, index);
        script << BlankTrigger(name, d);
        Script(script);
        ForgetDesc(name);
    }
    void DropIndex(const QString& table, const TIndexDesc& index) override {
        const QString name = StorageName(table);
        TTableDesc d = Desc(name);
        const QString ixName = name + QLatin1Char('$') + (index.Primary ? QStringLiteral("pk") : index.Name.toLower());
        d.Indexes.erase(std::remove_if(d.Indexes.begin(), d.Indexes.end(),
                                       [&](const TIndexDesc& x) { return index.Primary ? x.Primary : x.Name.compare(index.Name, Qt::CaseInsensitive) == 0; }),
                        d.Indexes.end());
        QStringList script{QStringLiteral("DROP INDEX IF EXISTS %1").arg(Quote(ixName))};
        script << BlankTrigger(name, d);
        Script(script);
        ForgetDesc(name);
    }
    void DropTable(const QString& table) override {
        const QString name = StorageName(table);
        Script({QStringLiteral("DROP TABLE IF EXISTS %1").arg(Quote(name)), QStringLiteral("DROP FUNCTION IF EXISTS %1()").arg(Quote(name + QStringLiteral("$blank")))});
        ForgetDesc(name);
    }
    void EmptyTable(const QString& table) override {
        Desc(table);
        Guarded([&] { return Exec(QStringLiteral("DELETE FROM %1").arg(Tab(table))); });
    }

    // ---- cursors
    // Cursor conditions in this engine's words.
    static const TCursorWords& Words() {
        static const TCursorWords w{
            [](const QString& c) { return Col(c); }, QStringLiteral("zb_id"), QStringLiteral(" COLLATE zb_es_ci"), true,
            [](const QString& col, int n) { return QStringLiteral("left(%1, %2)").arg(col).arg(n); },
            [](const QString& lhs, const QString& p, bool noCase) {
                return noCase ? QStringLiteral("upper(%1) = upper(%2::text COLLATE zb_es)").arg(lhs, p) : QStringLiteral("%1 = %2::text").arg(lhs, p);
            }};
        return w;
    }
    QString KeyExpr(const TTableDesc& d, const QString& col, bool ci) const { return Words().Key(d, col, ci); }
    // The order's key expressions, the identity last when rows may tie. Without it where no rows
    // tie, the server reads a key's rows straight down the index instead of sorting every row
    // after the key.
    QStringList OrderKeys(const TCursorSpec& s, const TTableDesc& d) const {
        QStringList keys;
        for (int oc : s.OrderCols) keys << KeyExpr(d, s.Columns[oc], s.CaseInsensitive);
        if (!OrderIsUnique(s, d)) keys << QStringLiteral("zb_id");
        return keys;
    }
    // "$n" for the next argument.
    static QString Arg(const std::vector<QVariant>& args) { return QStringLiteral("$%1").arg(args.size()); }
    void Restriction(const TCursorSpec& s, const TTableDesc& d, QString* where, std::vector<QVariant>& args) {
        CursorRestriction(s, d, Words(), where, args);
    }
    QString Restriction(const TCursorSpec& s, const TTableDesc& d, std::vector<QVariant>& args) {
        QString where;
        Restriction(s, d, &where, args);
        return where;
    }
    QString SelectList(const TCursorSpec& s) const {
        QStringList cols{QStringLiteral("zb_id")};
        for (auto& c : s.Columns) cols << Col(c);
        return cols.join(QLatin1Char(','));
    }
    void ReadRow(const PGresult* r, int i, TRow& row, int ncols) {
        row.Id = QByteArray(PQgetvalue(r, i, 0)).toLongLong();
        row.Values.clear();
        row.Values.reserve(ncols);
        for (int c = 0; c < ncols; ++c) row.Values.push_back(ValueOf(r, i, c + 1));
    }
    QString Where(const QString& where) const { return where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where; }

    const QString* KnownShape(const TShape& h) { return FShapes.Find(h); }
    const QString& RememberShape(const TShape& h, QString sql) { return FShapes.Add(h, std::move(sql)); }

    using TConnection::Fetch;
    void Fetch(const TCursorSpec& s, const TRow* from, bool forward, int count, std::vector<TRow>& rows) override {
        const TTableDesc& d = Desc(s.Table);
        ShapeOf(FProbe, 0, s, d, from != nullptr, forward, count);
        const QString* known = KnownShape(FProbe);
        std::vector<QVariant> args;
        QString where;
        Restriction(s, d, known ? nullptr : &where, args);
        QStringList keys, q;
        if (!known) keys = OrderKeys(s, d);
        if (from) {
            for (int oc : s.OrderCols) {
                args.push_back(KeyValue(d, s.Columns[oc], from->Values[oc]));
                if (!known) q << Arg(args);
            }
            if (!OrderIsUnique(s, d)) {
                args.push_back(QVariant(from->Id));
                if (!known) q << Arg(args);
            }
            if (!known) {
                const QString c = QStringLiteral("(%1) %2 (%3)").arg(keys.join(QLatin1Char(',')), forward ? QStringLiteral(">") : QStringLiteral("<"), q.join(QLatin1Char(',')));
                where = where.isEmpty() ? c : where + QStringLiteral(" AND ") + c;
            }
        }
        if (!known) {
            QStringList order;
            for (auto& k : keys) order << k + (forward ? QString() : QStringLiteral(" DESC"));
            known = &RememberShape(FProbe, QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT %5")
                                               .arg(SelectList(s), Tab(s.Table), Where(where), order.join(QLatin1Char(',')))
                                               .arg(count));
        }
        const QString sql = *known;
        TResult r = GuardedRun(sql, args);
        rows.clear();
        const int n = PQntuples(r.get()), nc = int(s.Columns.size());
        rows.resize(size_t(n));
        for (int i = 0; i < n; ++i) ReadRow(r.get(), i, rows[size_t(i)], nc);
    }

    bool FetchById(const TCursorSpec& s, qint64 id, TRow& row) override {
        const TTableDesc& d = Desc(s.Table);
        // The record just written reads back as the server returned it: no second round trip.
        if (FWritten.Valid && FWritten.Id == id && FWritten.Table == d.Name) {
            FWritten.Valid = false;
            row.Id = id;
            row.Values.clear();
            for (const QString& c : s.Columns) {
                const int k = d.ColumnIndex(c);
                row.Values.push_back(k >= 0 ? FWritten.Values[size_t(k)] : QVariant());
            }
            return true;
        }
        if (FByIdTable != s.Table || FByIdColumns != s.Columns) {
            FByIdTable = s.Table;
            FByIdColumns = s.Columns;
            FByIdSql = QStringLiteral("SELECT %1 FROM %2 WHERE zb_id = $1").arg(SelectList(s), Tab(s.Table));
        }
        TResult r = GuardedRun(FByIdSql, {QVariant(id)});
        if (PQntuples(r.get()) == 0) return false;
        ReadRow(r.get(), 0, row, int(s.Columns.size()));
        return true;
    }

    bool Seek(const TCursorSpec& s, const std::vector<QVariant>& key, bool exact, TRow& row) override {
        const TTableDesc& d = Desc(s.Table);
        const size_t n = std::min(key.size(), s.OrderCols.size());
        ShapeOf(FProbe, 1, s, d, exact, true, int(n));
        const QString* known = KnownShape(FProbe);
        std::vector<QVariant> args;
        QString where;
        Restriction(s, d, known ? nullptr : &where, args);
        QStringList keys, q;
        for (size_t i = 0; i < n; ++i) {
            args.push_back(KeyValue(d, s.Columns[s.OrderCols[i]], key[i]));
            if (known) continue;
            keys << KeyExpr(d, s.Columns[s.OrderCols[i]], s.CaseInsensitive);
            q << Arg(args);
        }
        if (!known) {
            const QStringList order = OrderKeys(s, d);
            if (n > 0) {
                const QString c = QStringLiteral("(%1) %2 (%3)").arg(keys.join(QLatin1Char(',')), exact ? QStringLiteral("=") : QStringLiteral(">="), q.join(QLatin1Char(',')));
                where = where.isEmpty() ? c : where + QStringLiteral(" AND ") + c;
            }
            known = &RememberShape(FProbe, QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT 1")
                                               .arg(SelectList(s), Tab(s.Table), Where(where), order.join(QLatin1Char(','))));
        }
        const QString sql = *known;
        TResult r = GuardedRun(sql, args);
        if (PQntuples(r.get()) == 0) return false;
        ReadRow(r.get(), 0, row, int(s.Columns.size()));
        return true;
    }

    qint64 Count(const TCursorSpec& s) override {
        const TTableDesc& d = Desc(s.Table);
        std::vector<QVariant> args;
        const QString where = Restriction(s, d, args);
        TResult r = GuardedRun(QStringLiteral("SELECT count(*) FROM %1%2").arg(Tab(s.Table), Where(where)), args);
        return QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong();
    }

    qint64 CountBefore(const TCursorSpec& s, const TRow& row) override {
        const TTableDesc& d = Desc(s.Table);
        std::vector<QVariant> args;
        QString where = Restriction(s, d, args);
        const QStringList keys = OrderKeys(s, d);
        QStringList q;
        for (int oc : s.OrderCols) {
            args.push_back(KeyValue(d, s.Columns[oc], row.Values[oc]));
            q << Arg(args);
        }
        if (!OrderIsUnique(s, d)) {
            args.push_back(QVariant(row.Id));
            q << Arg(args);
        }
        const QString c = QStringLiteral("(%1) < (%2)").arg(keys.join(QLatin1Char(',')), q.join(QLatin1Char(',')));
        where = where.isEmpty() ? c : where + QStringLiteral(" AND ") + c;
        TResult r = GuardedRun(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(Tab(s.Table), where), args);
        return QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong();
    }

    // ---- writes
    // The identity and every column, in the layout's order: what a write returns.
    QString AllColumns(const TTableDesc& d) const {
        QStringList cols{QStringLiteral("zb_id")};
        for (const auto& c : d.Columns) cols << Col(c.Name);
        return cols.join(QLatin1Char(','));
    }
    void Remember(const TTableDesc& d, const PGresult* r) {
        FWritten.Valid = PQntuples(r) == 1 && PQnfields(r) == int(d.Columns.size()) + 1;
        FWritten.Id = QByteArray(PQgetvalue(r, 0, 0)).toLongLong();
        FWritten.Table = d.Name;
        FWritten.Values.clear();
        for (int i = 1; i < PQnfields(r) && FWritten.Valid; ++i) FWritten.Values.push_back(ValueOf(r, 0, i));
    }

    // The server cannot hold the character zero in a text, which the file keeps: the post is
    // refused, naming the field, before anything is written.
    static void RefuseCharacterZero(const QStringList& cols, const std::vector<QVariant>& values) {
        for (int i = 0; i < cols.size() && size_t(i) < values.size(); ++i) {
            const QVariant& v = values[size_t(i)];
            if (v.typeId() == QMetaType::QString && v.toString().contains(QChar(0)))
                EngineError(ecInvalidRequest, QString::fromUtf8("El campo %1 lleva un carácter nulo (de código 0), que el servidor de datos no "
                                                                "puede guardar: quítelo y vuelva a guardar. No se ha guardado nada.")
                                                  .arg(cols[i]));
        }
    }

    // Inside a transaction the rows go in one message under one savepoint: one round trip for
    // all (a copy of a whole office). A failure undoes all of them and is thrown.
    void InsertRows(const QString& table, const QStringList& cols, const std::vector<TRow>& rows) override {
        if (!FInTrans || rows.size() < 2) return TConnection::InsertRows(table, cols, rows);
        const TTableDesc& d = Desc(table);
        QStringList names, q;
        for (int i = 0; i < cols.size(); ++i) {
            names << Col(cols[i]);
            q << QStringLiteral("$%1").arg(i + 1);
        }
        const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(Tab(table), names.join(QLatin1Char(',')), q.join(QLatin1Char(',')));
        std::vector<std::vector<QVariant>> args;
        args.reserve(rows.size());
        for (const TRow& r : rows) {
            args.push_back(Coerced(d, cols, r.Values));
            RefuseCharacterZero(cols, args.back());
        }
        FWritten.Valid = false;
        Ensure();
        const QByteArray name = Statement(sql, args.front());
        const int last = int(rows.size()) + 1;
        std::vector<TResult> res;
        const bool answered = Pipelined(
            last + 1,
            [&](int i) {
                if (i == 0) return Plain("SAVEPOINT zb");
                if (i == last) return Plain("RELEASE SAVEPOINT zb");
                const TParams p(args[size_t(i - 1)]);
                return PQsendQueryPrepared(FConn, name.constData(), int(cols.size()), p.Values.data(), p.Lengths.data(), p.Formats.data(), 0);
            },
            res);
        if (!answered) Raise(nullptr);
        for (TResult& r : res) {
            if (Succeeded(r.get())) continue;
            UndoStatement();
            Raise(r.get());
        }
        NoteWrite(table);
    }

    qint64 Insert(const QString& table, const QStringList& cols, const std::vector<QVariant>& values) override {
        const TTableDesc& d = Desc(table);
        // A form appends with the same columns again and again: the text is made once.
        if (FInsertTable != table || FInsertColumns != cols) {
            QStringList names, q;
            for (int i = 0; i < cols.size(); ++i) {
                names << Col(cols[i]);
                q << QStringLiteral("$%1").arg(i + 1);
            }
            FInsertSql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(Tab(table), AllColumns(d))
                                         : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                                               .arg(Tab(table), names.join(QLatin1Char(',')), q.join(QLatin1Char(',')), AllColumns(d));
            FInsertTable = table;
            FInsertColumns = cols;
        }
        const QString sql = FInsertSql;
        const std::vector<QVariant> args = Coerced(d, cols, values);
        RefuseCharacterZero(cols, args);
        TResult r = Write(table, sql, args, [](const PGresult*) { return true; });
        Remember(d, r.get());
        NoteWrite(table, FWritten.Id, true);
        EndWrite();
        return FWritten.Id;
    }

    // The condition that finds the row as it was read: `o` holds the read values, coerced.
    QString Matching(const TTableDesc& d, const QStringList& cols, const std::vector<QVariant>& o, std::vector<QVariant>& args) {
        args.push_back(QVariant());  // the identity, filled by the caller
        QStringList conds{QStringLiteral("zb_id = %1").arg(Arg(args))};
        for (int i = 0; i < cols.size(); ++i) {
            const int c = d.ColumnIndex(cols[i]);
            // A blank field reads the same from a null and from an empty text that plain SQL
            // or another program left.
            if (o[size_t(i)].isNull()) {
                conds << (IsTextType(d.Columns[c].Type) ? QStringLiteral("COALESCE(%1, '') = ''") : QStringLiteral("%1 IS NULL")).arg(Col(cols[i]));
                continue;
            }
            // Texts compare by their bytes, not by the column's order, which may ignore case or
            // accents: a change of either alone is another user's change.
            args.push_back(o[size_t(i)]);
            const QString col = IsTextType(d.Columns[c].Type) ? Col(cols[i]) + QStringLiteral(" COLLATE \"C\"") : Col(cols[i]);
            conds << QStringLiteral("%1 IS NOT DISTINCT FROM %2").arg(col, Arg(args));
        }
        return conds.join(QStringLiteral(" AND "));
    }

    // What the text of an update depends on: the table, its columns, which values were read
    // blank and which changed; a form posts the same shape again and again.
    struct TUpdateShape {
        QString Table;
        QStringList Columns;
        std::vector<char> Marks;  // per column: 1 read blank, 2 changed
        QString Sql;
    };

    void Update(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                const std::vector<QVariant>& newValues) override {
        if (cols.isEmpty()) return;
        const TTableDesc& d = Desc(table);
        const std::vector<QVariant> fresh = Coerced(d, cols, newValues);
        RefuseCharacterZero(cols, fresh);
        const std::vector<QVariant> before = Coerced(d, cols, oldValues);
        std::vector<char>& marks = FUpdateProbe;
        marks.assign(size_t(cols.size()), 0);
        std::vector<QVariant> args{QVariant(id)};
        for (size_t i = 0; i < marks.size(); ++i) {
            if (before[i].isNull()) marks[i] |= 1;
            else args.push_back(before[i]);
        }
        for (size_t i = 0; i < marks.size(); ++i) {
            if (SameValue(fresh[i], before[i])) continue;
            marks[i] |= 2;
            args.push_back(fresh[i]);
        }
        const QString* sql = nullptr;
        for (size_t i = 0; i < FUpdates.size() && !sql; ++i) {
            const TUpdateShape& u = FUpdates[i];
            if (u.Marks == marks && u.Table == table && u.Columns == cols) sql = &u.Sql;
        }
        if (!sql) {
            std::vector<QVariant> numbered;
            const QString where = Matching(d, cols, before, numbered);
            QStringList sets;
            for (int i = 0; i < cols.size(); ++i) {
                if (!(marks[size_t(i)] & 2)) continue;
                numbered.push_back(fresh[size_t(i)]);
                sets << QStringLiteral("%1 = %2").arg(Col(cols[i]), Arg(numbered));
            }
            // Nothing changed: the row is still written as it was read, to tell whether it is there.
            if (sets.isEmpty()) sets << QStringLiteral("%1 = %1").arg(Col(cols[0]));
            if (FUpdates.size() >= 16) FUpdates.erase(FUpdates.begin());
            FUpdates.push_back({table, cols, marks,
                                QStringLiteral("UPDATE %1 SET %2 WHERE %3 RETURNING %4").arg(Tab(table), sets.join(QLatin1Char(',')), where, AllColumns(d))});
            sql = &FUpdates.back().Sql;
        }
        const QString text = *sql;
        TResult r = Write(table, text, args, [](const PGresult* res) { return PQntuples(res) > 0; });
        Remember(d, r.get());
        NoteWrite(table, id);
        EndWrite();
    }

    void Delete(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues) override {
        const TTableDesc& d = Desc(table);
        std::vector<QVariant> args;
        const QString where = Matching(d, cols, Coerced(d, cols, oldValues), args);
        args[0] = QVariant(id);
        Write(table, QStringLiteral("DELETE FROM %1 WHERE %2").arg(Tab(table), where), args,
              [](const PGresult* res) { return QByteArray(PQcmdTuples(const_cast<PGresult*>(res))).toLongLong() > 0; });
        EndWrite();
    }

    // Record locks: the server's session advisory locks (gone with this connection, however it
    // ends); two cursors of this process conflict as two workstations do.
    bool LockRecord(const QString& table, qint64 id, const void* owner) override {
        const quint64 key = LockOffset(FSchema + QLatin1Char('.') + StorageName(table), id);
        auto it = FOwners.find(key);
        if (it != FOwners.end()) return it->second == owner;
        // A holder whose workstation just died keeps its lock until the server notices the
        // closed connection, a moment later: a refusal is asked again for a little while.
        for (int attempt = 0;; ++attempt) {
            TResult r = Run(QStringLiteral("SELECT pg_try_advisory_lock($1)"), {QVariant(qlonglong(key))});
            if (PQgetvalue(r.get(), 0, 0)[0] == 't') break;
            if (attempt == 3) return false;
            QThread::msleep(150);
        }
        FOwners[key] = owner;
        return true;
    }
    void UnlockRecord(const QString& table, qint64 id, const void* owner) override {
        const quint64 key = LockOffset(FSchema + QLatin1Char('.') + StorageName(table), id);
        auto it = FOwners.find(key);
        if (it == FOwners.end() || it->second != owner) return;
        FOwners.erase(it);
        if (!FConn || PQstatus(FConn) != CONNECTION_OK) return;
        // Prepared, and without forgetting the row the last write returned: the post that
        // frees its lock reads that row next. A failure leaves nothing to undo: the lock dies
        // with the connection, but a transaction or other locks going with it are told at the
        // next action.
        const bool holds = FInTrans || !FOwners.empty();
        try {
            const std::vector<QVariant> args{QVariant(qlonglong(key))};
            const QByteArray name = Statement(QStringLiteral("SELECT pg_advisory_unlock($1)"), args);
            TParams p(args);
            ++RoundTrips;
            PQclear(Await(PQsendQueryPrepared(FConn, name.constData(), 1, p.Values.data(), p.Lengths.data(), p.Formats.data(), 0)));
        } catch (const Exception&) {
        }
        if (holds && (!FConn || PQstatus(FConn) != CONNECTION_OK)) FUntold = true;
    }

    // The server makes every commit durable itself.
    void Flush() override {}

    // What the server's background work does a while after a bulk load, done at once: VACUUM
    // marks the pages all visible (a count reads the index alone) and ANALYZE tells the planner
    // how the keys spread.
    void RefreshStatistics() override {
        if (FInTrans) return;
        Ensure();
        // This office's tables only: offices that share a database have theirs in other schemas.
        QStringList tables;
        for (const QString& t : TableNames()) tables << Tab(t);
        if (!tables.isEmpty()) Exec(QStringLiteral("VACUUM (ANALYZE) ") + tables.join(QLatin1Char(',')));
    }

private:
    QString FFolder, FServer, FDisplayName, FSchema;
    TWaits FWaits;
    QString FDropped;  // why the connection was given up
    bool FEnsuring = false;
    std::chrono::steady_clock::time_point FLastAnswer;
    bool FUntold = false;     // a connection lost with what it held, not said yet
    TWrite FWrite;                  // the write running now, or the last one
    qint64 FTickets = 0;
    bool FSingle = false;           // a post of its own awaits its commit
    std::vector<TWrite> FUnsettled;  // writes whose commit's answer was lost, the latest ones
    qint64 FWriterLock = 0;
    PGconn* FConn = nullptr;
    int FGeneration = 0;
    bool FInTrans = false;
    qint64 FStatementCount = 0;
    QHash<QString, QByteArray> FPrepared;
    std::map<QString, TQuery> FQueries;
    QList<QByteArray> FUnused;
    QHash<QByteArray, int> FHeld;  // forgotten descriptions still run on, with their users
    quint64 FQueryClock = 0;
    TShapes<QString> FShapes;
    TShape FProbe;
    TLayouts FLayouts;
    std::map<quint64, const void*> FOwners;
    QHash<Oid, TRelation> FRelations;
    // The row the last write returned, until the next statement.
    struct {
        bool Valid = false;
        qint64 Id = 0;
        QString Table;
        std::vector<QVariant> Values;
    } FWritten;
    QString FByIdTable, FByIdSql, FInsertTable, FInsertSql;
    QStringList FByIdColumns, FInsertColumns;
    std::vector<TUpdateShape> FUpdates;
    std::vector<char> FUpdateProbe;

    friend class TPgStatement;
};

// ---------------------------------------------------------------- application statements

TPgStatement::TPgStatement(TPgConnection* conn, const QString& sql, const QStringList& names)
    : FConn(conn), FSql(sql), FNames(names), FArgs(size_t(names.size())) {
    Describe();
}

TPgStatement::~TPgStatement() {
    if (!FName.isEmpty()) FConn->ReleaseQuery(FSql, FName, FGeneration);
}

// Prepares the text and learns its columns: names (in the data model's spelling for base
// columns and the written spelling for aliases), base table and column.
void TPgStatement::Describe() {
    FConn->Ensure();
    FName.clear();
    FGeneration = FConn->Generation();
    if (const TPgConnection::TQuery* q = FConn->UseQuery(FSql)) {
        FName = q->Name;
        FNames = q->Params;
        FColumns = q->Columns;
        FArgs.resize(size_t(FNames.size()));
        return;
    }
    FConn->FreeUnused();
    const QByteArray name = "zq" + QByteArray::number(++FConn->FStatementCount);
    FConn->GuardedSend([&] { return PQsendPrepare(FConn->Raw(), name.constData(), FSql.toUtf8().constData(), 0, nullptr); });
    FName = name;
    TResult d = FConn->Check(FConn->Await(PQsendDescribePrepared(FConn->Raw(), FName.constData())));
    // Parameters the text names but the server could not place still count.
    const int np = PQnparams(d.get());
    while (FNames.size() < np) FNames << QString::number(FNames.size() + 1);
    FArgs.resize(size_t(FNames.size()));
    // Aliases as written ("AS Nombre"), for the lower-case names the server gives back.
    QHash<QString, QString> written;
    static const QRegularExpression alias(QStringLiteral("\\bAS\\s+(\"[^\"]+\"|[A-Za-z_\\x{C0}-\\x{FF}][\\w$]*)"),
                                          QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    for (auto it = alias.globalMatch(FSql); it.hasNext();) {
        QString a = it.next().captured(1);
        if (a.startsWith(QLatin1Char('"'))) a = a.mid(1, a.size() - 2);
        written.insert(a.toLower(), a);
    }
    FColumns.clear();
    const QStringList items = SelectItems(FSql);
    const bool itemsKnown = items.size() == PQnfields(d.get());
    for (int i = 0; i < PQnfields(d.get()); ++i) {
        TResultColumn c;
        c.Result = i;
        c.Name = QString::fromUtf8(PQfname(d.get(), i));
        const Oid table = PQftable(d.get(), i);
        const int attr = PQftablecol(d.get(), i);
        bool base = false;
        if (table != InvalidOid && attr > 0) {
            const TPgConnection::TRelation& rel = FConn->Relation(table);
            const QString stored = rel.Columns.value(attr);
            // The record identity shows only when asked for by name.
            if (stored == QLatin1String("zb_id") && c.Name == stored) continue;
            if (!rel.Name.isEmpty() && !stored.isEmpty() && stored != QLatin1String("zb_id")) {
                base = true;
                c.Table = rel.Name;
                const TTableDesc& desc = FConn->Desc(c.Table);
                const int k = desc.ColumnIndex(stored);
                c.Origin = k >= 0 ? desc.Columns[size_t(k)].Name : stored;
                if (c.Name == stored) c.Name = c.Origin;
            }
        }
        const QString alias = itemsKnown ? ItemAlias(items[i]) : QString();
        if (!alias.isEmpty()) c.Name = alias;
        else if (written.contains(c.Name)) c.Name = written.value(c.Name);
        // An expression without a name is named by its text, as written.
        else if (!base && itemsKnown && !items[i].isEmpty()) c.Name = items[i];
        FColumns.push_back(c);
    }
    FConn->RememberQuery(FSql, FName, FNames, FColumns);
}

bool TPgStatement::Step() {
    if (!FResult) {
        // The server cannot take the character zero in a text: sent cut, a condition or a value
        // would silently be another one.
        for (size_t i = 0; i < FArgs.size(); ++i)
            if (FArgs[i].typeId() == QMetaType::QString && FArgs[i].toString().contains(QChar(0)))
                EngineError(ecInvalidRequest, QString::fromUtf8("El parámetro %1 lleva un carácter nulo (de código 0), que el servidor "
                                                                "de datos no admite en un texto: quítelo y vuelva a intentarlo. No se ha "
                                                                "hecho nada.")
                                                  .arg(FNames.value(int(i))));
        FConn->Ensure();
        if (FConn->Generation() != FGeneration) Describe();
        TParams p(FArgs);
        FResult = FConn->GuardedSend([&] {
            return PQsendQueryPrepared(FConn->Raw(), FName.constData(), int(FArgs.size()), p.Values.data(), p.Lengths.data(), p.Formats.data(), 0);
        });
        FAffected = QByteArray(PQcmdTuples(FResult.get())).toLongLong();
        FRow = -1;
    }
    ++FRow;
    if (FRow < PQntuples(FResult.get())) return true;
    return false;
}

namespace {

qint64 RoundTripsSoFar() { return RoundTrips.load(); }

std::shared_ptr<TConnection> Open(const QString& folder, const QString& server) {
    // The settings are a plain file every program of the user reads: a password goes in
    // libpq's password file, which must be the user's alone.
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(server.toUtf8().constData(), &error);
    bool password = false;
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val) password = true;
    PQconninfoFree(options);
    if (error) {
        const QString why = QString::fromUtf8(error).trimmed();
        PQfreemem(error);
        EngineError(ecServerLost, QString::fromUtf8("El servidor de datos de la configuración no se entiende: %1").arg(why));
    }
    if (password)
        EngineError(ecServerLost, QString::fromUtf8("La configuración del servidor de datos lleva la contraseña: quítela de ahí y "
                                                    "póngala en el fichero ~/.pgpass del usuario (sólo legible por él)."));
    return std::make_shared<TPgConnection>(folder, server);
}

}  // namespace

}  // namespace platform::db

extern "C" __attribute__((visibility("default"))) const platform::db::TPgModule* zembra_pg_module() {
    static const platform::db::TPgModule module{platform::db::kPgModuleVersion, &platform::db::Open,
                                                &platform::db::RoundTripsSoFar};
    return &module;
}
