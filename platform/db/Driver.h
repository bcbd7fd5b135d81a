#pragma once
// The boundary between the datasets and the storage engine. Everything that depends on the
// engine's dialect, its locking and its change detection lives behind TConnection, so another
// engine can be added without touching the datasets.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace platform::db {

// Engine error codes raised as EDBEngineError (numbers of the engine's published error list).
enum TEngineError : int {
    ecKeyViolation = 0x2601,     //  9729 "Key violation."
    ecRecordLocked = 0x2801,     // 10241 "Record locked by another user."
    ecRecordChanged = 0x2813,    // 10259 "Couldn't perform the edit because another user changed the record."
    ecNoSuchTable = 0x2729,      // 10025 "Table does not exist."
    ecFileCorrupt = 0x2102,      //  8450 "Corrupt file - other than header."
    ecLockTimeout = 0x2802,      // 10242 "Unable to lock table." (engine busy beyond the timeout)
    ecInvalidRequest = 0x3000,   // 12288 "Invalid request."
    ecInvalidPath = 0x2C05,      // 11269 "Directory does not exist." (the data folder)
    ecSqlError = 0x3303,         // 13059 "General SQL error."
    // Our own, for faults of the data folder the engine's list has no number for.
    ecReadOnlyFolder = 0x7F01,   // a folder without the database where it cannot be created
    ecNoAccess = 0x7F02,         // the database exists but this user may not read it
    ecFileMissing = 0x7F03,      // the database path names no file (a broken link, a folder)
    ecNoLocks = 0x7F04,          // record locks cannot be taken: no writing allowed
    ecFileMoved = 0x7F05,        // the database was deleted or moved while open
    ecReadOnlyData = 0x7F06,     // a write on data opened for reading only
    ecServerLost = 0x7F07,       // the database server cannot be reached (the text names it)
    ecLayoutChanged = 0x7F08,    // a table was rebuilt since the statement was described: describe it again
    ecNewerOrder = 0x7F09,       // the file's indexes are in an order a later build of the program set
    ecOtherMachine = 0x7F0A,     // a folder whose locks stay on each machine is open on another one
    ecFolderLost = 0x7F0B,       // the data folder cannot be reached any more (a lost share, a disk taken away)
    ecOutcomeUnknown = 0x7F0C,   // a commit whose answer was lost and the server cannot be asked yet: stored or not is unknown
};
// A required field left empty on post raises EDatabaseError "Field '%s' must have a value".

// Column types as the data model names them. Values travel as QVariant:
// texts QString (blank = null), integers qlonglong, floats/currency/dates/times double
// (dates as TDateTime day numbers, so they compare and sort as numbers), logical qlonglong 0/1,
// memo QString, blob QByteArray.
enum class TColumnType { Text, Integer, Short, Float, Currency, Date, Time, DateTime, Logical, Memo, Blob, AutoInc };

struct TColumnDesc {
    QString Name;
    TColumnType Type = TColumnType::Text;
    int Size = 0;  // texts: characters
    bool Required = false;
    bool operator==(const TColumnDesc&) const = default;
};

struct TIndexDesc {
    QString Name;  // empty for the primary index
    QStringList Fields;
    bool Primary = false;
    bool Unique = false;
    bool CaseInsensitive = false;
    bool operator==(const TIndexDesc&) const = default;
};

struct TTableDesc {
    QString Name;
    std::vector<TColumnDesc> Columns;
    std::vector<TIndexDesc> Indexes;
    int ColumnIndex(const QString& name) const;  // -1 when absent (case-insensitive)
    QStringList PrimaryFields() const;            // the primary index's fields; none without one
    // The same, looking first at `at`, where a cursor that reads every column has it.
    int ColumnIndex(const QString& name, int at) const {
        return at >= 0 && size_t(at) < Columns.size() && Columns[size_t(at)].Name == name ? at : ColumnIndex(name);
    }
    bool operator==(const TTableDesc&) const = default;
};

// One fetched row: the engine's record identity and the column values of the cursor.
struct TRow {
    qint64 Id = 0;
    std::vector<QVariant> Values;
};

// What a table cursor shows: its columns, its order and its restriction.
struct TCursorSpec {
    QString Table;                 // as the application writes it
    QStringList Columns;           // selected columns, in field order
    std::vector<int> OrderCols;    // positions in Columns of the order key (record identity breaks ties)
    bool CaseInsensitive = false;  // order compares texts without case
    // Restriction on the first key columns (ranges and master-detail), bounds inclusive.
    std::vector<QVariant> Low, High;
    bool HasLow = false, HasHigh = false;
    QString Where;  // extra condition in the engine's dialect (filter text)
    std::vector<QVariant> WhereArgs;  // the values of Where's "?", in order
    // Search conditions (Locate): column equals value, optionally without case or as a prefix.
    struct TMatch {
        int Col = 0;  // position in Columns
        QVariant Value;
        bool CaseInsensitive = false;
        bool Partial = false;
    };
    std::vector<TMatch> Matches;
    // The column at InCol equals one of these values (a lookup of many keys); none when empty.
    int InCol = -1;
    std::vector<QVariant> In;
    qint64 OnlyId = 0;  // non-zero: just that record, if it lies inside the restriction
};

// What became of a write (a transaction, or a post outside one) whose commit's answer was lost.
enum class TWriteOutcome {
    Told,      // its end was told as it ended: nothing is pending
    Saved,     // the server committed it; settled after the fact
    NotSaved,  // the server did not commit it; settled after the fact
    Unknown,   // the server cannot be asked yet
};

class TStatement {
public:
    virtual ~TStatement() = default;
    virtual int ParamCount() const = 0;
    virtual QString ParamName(int index) const = 0;  // 0-based, without the colon
    virtual void Bind(int index, const QVariant& value) = 0;
    virtual bool Step() = 0;  // true while a row is available
    virtual void Reset() = 0;
    virtual int ColumnCount() const = 0;
    virtual QString ColumnName(int index) const = 0;
    virtual QString ColumnTable(int index) const = 0;   // base table, empty for expressions
    virtual QString ColumnOrigin(int index) const = 0;  // base column, empty for expressions
    virtual QVariant Column(int index) const = 0;
    virtual qint64 RowsAffected() const = 0;
};

class TConnection {
public:
    virtual ~TConnection() = default;
    virtual QString Folder() const = 0;
    // Data on a read-only medium or folder is opened for reading; every write is refused.
    virtual bool ReadOnly() const = 0;

    // Application SQL (the local SQL dialect the forms write) in the engine's dialect.
    virtual QString TranslateSql(const QString& sql) = 0;
    virtual std::unique_ptr<TStatement> Prepare(const QString& engineSql) = 0;

    virtual void StartTransaction() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;

    // Schema.
    virtual bool TableExists(const QString& table) = 0;
    virtual QStringList TableNames() = 0;  // storage names, in order
    virtual TTableDesc DescribeTable(const QString& table) = 0;  // ecNoSuchTable when absent
    // The same, shared with the connection where it keeps its layouts: no copy, and the holder's
    // stays as it was read whatever the connection reads later.
    virtual std::shared_ptr<const TTableDesc> Layout(const QString& table) {
        return std::make_shared<const TTableDesc>(DescribeTable(table));
    }
    virtual void CreateTable(const TTableDesc& desc) = 0;
    virtual void DropTable(const QString& table) = 0;
    virtual void EmptyTable(const QString& table) = 0;
    virtual void AddIndex(const QString& table, const TIndexDesc& index) = 0;
    virtual void DropIndex(const QString& table, const TIndexDesc& index) = 0;  // by name, or the primary

    // Table cursors.
    // `rows` is refilled; the list's storage is kept, so a cursor reading page after page reuses it.
    virtual void Fetch(const TCursorSpec& cursor, const TRow* from, bool forward, int count, std::vector<TRow>& rows) = 0;
    std::vector<TRow> Fetch(const TCursorSpec& cursor, const TRow* from, bool forward, int count) {
        std::vector<TRow> rows;
        Fetch(cursor, from, forward, count, rows);
        return rows;
    }
    virtual bool FetchById(const TCursorSpec& cursor, qint64 id, TRow& row) = 0;
    // First row whose first key columns are >= `key` (nearest) or == `key` (exact).
    virtual bool Seek(const TCursorSpec& cursor, const std::vector<QVariant>& key, bool exact, TRow& row) = 0;
    virtual qint64 Count(const TCursorSpec& cursor) = 0;
    virtual qint64 CountBefore(const TCursorSpec& cursor, const TRow& row) = 0;

    // Writes. Update and Delete compare the original values: a record changed or deleted by
    // someone else since it was read raises ecRecordChanged; a duplicate unique key ecKeyViolation.
    virtual qint64 Insert(const QString& table, const QStringList& cols, const std::vector<QVariant>& values) = 0;
    // Many rows into one table (a copy). A failure is for the caller to roll back: which of the
    // rows stay until then differs between engines.
    virtual void InsertRows(const QString& table, const QStringList& cols, const std::vector<TRow>& rows) {
        for (const TRow& r : rows) Insert(table, cols, r.Values);
    }
    virtual void Update(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                        const std::vector<QVariant>& newValues) = 0;
    virtual void Delete(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues) = 0;
    // Update that also gives the record as a read would now find it (its identity and `cols`),
    // when the engine can tell without reading it (true); otherwise the caller reads it again.
    virtual bool UpdateAndRead(const QString& table, qint64 id, const QStringList& cols, const std::vector<QVariant>& oldValues,
                               const std::vector<QVariant>& newValues, TRow& stored) {
        Update(table, id, cols, oldValues, newValues);
        (void)stored;
        return false;
    }

    // Record locks between processes and cursors; they die with the process. Editing takes the
    // lock; a second cursor of the same process conflicts as another workstation would, so a
    // record is edited through one cursor at a time.
    virtual bool LockRecord(const QString& table, qint64 id, const void* owner) = 0;
    virtual void UnlockRecord(const QString& table, qint64 id, const void* owner) = 0;

    // The write running now (a transaction, or a post outside one), or the last one: a number
    // that names it for WriteOutcome.
    virtual qint64 WriteTicket() const { return 0; }
    // What became of write `ticket` when its commit's answer was lost (ecOutcomeUnknown): asked
    // of the server now when not known yet. `row`, when given, names a record of `table` (0: a
    // new one) and gets the record of `table` the write stored for it: that one when the write
    // updated it, else the last one the write inserted (0 when none).
    virtual TWriteOutcome WriteOutcome(qint64 ticket, const QString& table = QString(), qint64* row = nullptr) {
        (void)ticket;
        (void)table;
        if (row) *row = 0;
        return TWriteOutcome::Told;
    }

    // Makes every committed change durable on disk.
    virtual void Flush() = 0;

    // After a bulk load: what the engine knows of the data to plan its reads is brought up to
    // date, so the first reads run as later ones will.
    virtual void RefreshStatistics() {}

    // While held, the layout version read first stands for every question that follows (the
    // data module opening all its tables at once asks it for each): a change another connection
    // makes meanwhile is seen from the first question after the hold; this connection's own are
    // seen at once. Holds nest. A connection that reads each layout afresh has nothing to hold.
    virtual void HoldLayouts(bool hold) { (void)hold; }

    // A number that stays the same while no data of the folder changed, by this connection or
    // by another, and moves when some did: rows read under it may be kept while it stands. A
    // connection that cannot tell gives a new number at each call.
    virtual qint64 DataVersion() { return ++FUnknownVersion; }

    // While set (the way out of a failure that lost the server), a connection lost earlier is
    // not made again: what would need it fails at once with the lost-server error, instead of
    // waiting once more for a new connection within the same action.
    void SetNoReconnect(bool value) { FNoReconnect = value; }
    bool NoReconnect() const { return FNoReconnect; }

private:
    qint64 FUnknownVersion = 0;
    bool FNoReconnect = false;
};

// Holds the connection's layouts for the life of this object.
class TLayoutsHeld {
public:
    explicit TLayoutsHeld(std::shared_ptr<TConnection> connection) : FConnection(std::move(connection)) {
        FConnection->HoldLayouts(true);
    }
    ~TLayoutsHeld() { FConnection->HoldLayouts(false); }
    TLayoutsHeld(const TLayoutsHeld&) = delete;
    TLayoutsHeld& operator=(const TLayoutsHeld&) = delete;

private:
    std::shared_ptr<TConnection> FConnection;
};

// Registers the Spanish collations and the SQL functions of the engine on a raw SQLite
// connection (a sqlite3*), so other tools can read, check and compare with the same order.
void RegisterSqliteFunctions(void* sqliteHandle);

// Opens (creating when needed) the data folder's store with the SQLite engine.
std::shared_ptr<TConnection> OpenSqlite(const QString& folder);
// Opens the office's database on a PostgreSQL server: `server` is a libpq connection string or
// a service name (the password comes from libpq's password file). A database without the
// engine's collations and functions gets them; `folder` still holds the shared documents.
std::shared_ptr<TConnection> OpenPostgres(const QString& folder, const QString& server);

// The data of a folder: on the server set for it with SetDataServer, else in the folder's file.
std::shared_ptr<TConnection> OpenData(const QString& folder);
// Names the server that holds the data of `folder` (empty: the folder's own file).
void SetDataServer(const QString& folder, const QString& server);
QString DataServer(const QString& folder);
// Asked for folders that were given no server (the test suites run every engine with it).
void SetDefaultDataServer(std::function<QString(const QString& folder)> chooser);

// Whether the locks taken on files of `folder`, and the journal's shared memory, are seen by
// this machine only (a network or user-space file system): another machine writing there at
// the same time would damage the database, so one machine at a time may open it for writing.
bool LocksStayOnThisMachine(const QString& folder);
// Tests take a local folder for such a one.
void SetLocksStayOnThisMachine(const QString& folder, bool yes);

// Whether `path` names one of the files the engine keeps in a data folder. Only the engine may
// open them: its locks belong to the process and the system drops them all when any
// descriptor of the file is closed, so a dialog or a type lookup that reads one would leave
// the other workstations free to remove the journal under this one.
bool IsEngineFile(const QString& path);

// Told when a write whose outcome was unknown (ecOutcomeUnknown) is settled at a later
// connection: a Spanish sentence that names the operation (its time and tables) and says whether
// it was saved. Called from inside the action that reconnected: a handler shows it later (a
// queued call), never touches the data from here. Unset, nobody is told but the dataset that
// posted it, at its next post.
extern std::function<void(const QString& message)> OnWriteSettled;

// Raises EDBEngineError with the engine's text for `code` (and extra detail when given).
[[noreturn]] void EngineError(int code, const QString& detail = QString());
QString EngineMessage(int code);

// "Privacidad.db", "EXPED.DB", "exped" -> "privacidad", "exped".
QString StorageName(const QString& tableName);

}  // namespace platform::db
