#pragma once
// Session, databases, tables and queries over the data folder's engine.
#include "platform/classes/Strings.h"
#include "platform/db/DB.h"
#include "platform/db/Driver.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <memory>

class TDatabase;
class TTable;

enum TConfigMode { cmPersistent = 0, cmSession = 1, cmAll = 1 };
enum TTransIsolation { tiDirtyRead, tiReadCommitted, tiRepeatableRead };
enum TTableType { ttDefault, ttParadox, ttDBase, ttASCII };

using TPasswordEvent = TEvent<TObject*, bool&>;

// One per process ("Default"): aliases, folders, passwords and the open databases.
class TSession : public TComponent {
public:
    explicit TSession(TComponent* owner);
    ~TSession() override;

    QString SessionName() const { return FSessionName; }
    void SetSessionName(const QString& name) { FSessionName = name; }
    int ConfigMode() const { return FConfigMode; }
    void SetConfigMode(int mode) { FConfigMode = mode; }
    QString NetFileDir() const { return FNetFileDir; }
    void SetNetFileDir(const QString& dir) { FNetFileDir = dir; }
    QString PrivateDir() const { return FPrivateDir; }
    void SetPrivateDir(const QString& dir) { FPrivateDir = dir; }

    // Aliases: a name for a data folder of a driver ("PARADOX" or "STANDARD" for the local engine).
    void AddStandardAlias(const QString& name, const QString& path, const QString& defaultDriver);
    void DeleteAlias(const QString& name);
    bool IsAlias(const QString& name) const;
    QString AliasPath(const QString& name) const;
    void GetAliasNames(TStrings* list) const;
    void GetTableNames(const QString& databaseName, const QString& pattern, bool extensions, bool systemTables, TStrings* list);

    // Table passwords: the engine's tables carry none, so every password is accepted.
    void AddPassword(const QString& password);
    TPasswordEvent OnPassword;

    TDatabase* FindDatabase(const QString& name) const;
    int DatabaseCount() const { return int(FDatabases.size()); }
    TDatabase* Databases(int index) const { return FDatabases.at(index); }

    // The engine connection for a dataset's DatabaseName: a database component of that name,
    // an alias, or a folder path.
    std::shared_ptr<platform::db::TConnection> ConnectionFor(const QString& databaseName);
    std::shared_ptr<platform::db::TConnection> FolderConnection(const QString& folder);
    // Folder of the data for a DatabaseName (empty when unknown).
    QString FolderFor(const QString& databaseName) const;

private:
    friend class TDatabase;
    QString FSessionName = QStringLiteral("Default");
    int FConfigMode = cmPersistent;
    QString FNetFileDir, FPrivateDir;
    std::map<QString, QString> FAliases;  // upper-case name -> folder
    QStringList FPasswords;
    std::vector<TDatabase*> FDatabases;
    // Connections made for aliases and folders stay open for the session (as the engine kept its
    // databases connected), so reopening a table does not reopen the file.
    QHash<QString, std::shared_ptr<platform::db::TConnection>> FFolderConnections;
};

// The process's session.
extern TSession* Session;

namespace platform::db {
// The stored layout of `table` against the fields and indexes its FieldDefs/IndexDefs describe:
// one line per difference ("Table 'EXPED': field 'ASUNTO' is missing"); empty when they agree.
QStringList CheckTable(TTable* table);
// Creates the table when the data folder lacks it, else checks it; returns the differences.
QStringList EnsureTable(TTable* table);
// A field component for a column of `type` (NewField of the matching field type).
TField* NewField(TComponent* owner, TColumnType type);
}  // namespace platform::db

class TDBDataSet;

class TDatabase : public TComponent {
public:
    explicit TDatabase(TComponent* owner);
    ~TDatabase() override;

    QString DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString& name);
    QString AliasName() const { return FAliasName; }
    void SetAliasName(const QString& name);
    QString DriverName() const { return FDriverName; }
    TStrings* Params() const { return FParams.get(); }
    QString SessionName() const { return FSessionName; }
    void SetSessionName(const QString& name) { FSessionName = name; }
    bool Connected() const { return bool(FConnection); }
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool value) { FLoginPrompt = value; }
    bool KeepConnection() const { return FKeepConnection; }
    void SetKeepConnection(bool value) { FKeepConnection = value; }
    TTransIsolation TransIsolation() const { return FTransIsolation; }
    void SetTransIsolation(TTransIsolation value) { FTransIsolation = value; }
    bool IsSQLBased() const { return false; }
    QString Directory() const;

    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const;

    int DataSetCount() const { return int(FDataSets.size()); }
    TDBDataSet* DataSets(int index) const { return FDataSets.at(index); }
    void CloseDataSets();

    std::shared_ptr<platform::db::TConnection> Connection();

    TNotifyEvent AfterConnect, AfterDisconnect, BeforeConnect, BeforeDisconnect;

private:
    friend class TDBDataSet;
    QString FDatabaseName, FAliasName, FDriverName, FSessionName = QStringLiteral("Default");
    std::unique_ptr<TStringList> FParams;
    bool FLoginPrompt = true, FKeepConnection = true;
    TTransIsolation FTransIsolation = tiReadCommitted;
    std::shared_ptr<platform::db::TConnection> FConnection;
    std::vector<TDBDataSet*> FDataSets;
};

// A dataset that reaches its data through a database of the session.
class TDBDataSet : public TDataSet {
public:
    explicit TDBDataSet(TComponent* owner);
    ~TDBDataSet() override;
    QString DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString& name);
    QString SessionName() const { return FSessionName; }
    void SetSessionName(const QString& name) { FSessionName = name; }
    TDatabase* Database() const;
    platform::db::TConnection* Connection();
    // Called by the database when it closes its datasets.
    virtual void Disconnect() { Close(); }

protected:
    std::shared_ptr<platform::db::TConnection> FConn;
    void OpenConnection();
    void InternalClose() override;
    bool TransactionActive() override { return FConn && FConn->InTransaction(); }
    qint64 WriteTicket() override { return FConn ? FConn->WriteTicket() : 0; }
    platform::db::TWriteOutcome WriteOutcome(qint64 ticket, qint64* row) override {
        return Connection()->WriteOutcome(ticket, WrittenTable(), row);
    }
    // The table the dataset's posts write.
    virtual QString WrittenTable() const { return QString(); }
    void AbandonTransaction() override {
        if (FConn) FConn->Rollback();
    }

private:
    friend class TDatabase;
    QString FDatabaseName, FSessionName = QStringLiteral("Default");
    TDatabase* FRegistered = nullptr;
};

class TMasterLink;

class TTable : public TDBDataSet {
public:
    explicit TTable(TComponent* owner);
    ~TTable() override;

    QString TableName() const { return FTableName; }
    void SetTableName(const QString& name);
    TTableType TableType() const { return FTableType; }
    void SetTableType(TTableType t) { FTableType = t; }
    bool Exclusive() const { return FExclusive; }
    void SetExclusive(bool v) { FExclusive = v; }
    bool Exists();

    // Order.
    QString IndexName() const { return FIndexName; }
    void SetIndexName(const QString& name);
    QString IndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& names);
    TIndexDefs* IndexDefs() const { return FIndexDefs.get(); }
    int IndexFieldCount() const { return int(FSpec.OrderCols.size()); }
    TField* IndexFields(int index) const;

    // Keys and ranges on the current order.
    void SetKey();
    void EditKey();
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const std::vector<Variant>& values);
    void FindNearest(const std::vector<Variant>& values);
    int KeyFieldCount() const { return FKeyFieldCount; }
    void SetKeyFieldCount(int n) { FKeyFieldCount = n; }
    bool KeyExclusive() const { return false; }
    void SetRangeStart();
    void SetRangeEnd();
    void ApplyRange();
    void CancelRange();
    void SetRange(const std::vector<Variant>& startValues, const std::vector<Variant>& endValues);
    // Whether a range restricts the table now.
    bool RangeActive() const { return FRangeActive; }

    // Master-detail.
    void SetMasterSource(TDataSource* source);
    QString MasterFields() const { return FMasterFields; }
    void SetMasterFields(const QString& fields);

    // Table maintenance.
    void CreateTable();
    void DeleteTable();
    void EmptyTable();
    void FlushBuffers();

    bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) override;
    std::vector<Variant> LookupMany(const QString& keyField, const std::vector<Variant>& keys, const QString& resultFields) override;

    // Cursor operations of the engine, for the record-locate and clone helpers.
    // A clone is a second cursor on the source's table with its own order, range and filter;
    // `reset` leaves it without index, range and filter on its first record, otherwise it takes
    // the source's index and filter and stands on the source's record.
    void CloneCursor(TTable* source, bool reset, bool readOnly);
    // Moves to the record another cursor of the same table stands on; false when it is not
    // visible here (outside the range or filter).
    bool SetToCursor(TDataSet* source);

protected:
    QString WrittenTable() const override { return FTableName; }
    void InternalOpen() override;
    std::vector<TRecordBuffer> FetchRows(const TRecordBuffer* from, bool forward, int count) override;
    bool FetchById(qint64 id, TRecordBuffer& rec) override;
    bool FetchOne(const TRecordBuffer* from, bool forward, TRecordBuffer& row) override;
    int CursorCount() override;
    int CursorRecNo(const TRecordBuffer& rec) override;
    void InternalPost(TRecordBuffer& rec, const TRecordBuffer* original, bool inserting) override;
    bool PostedRow(qint64 id, TRecordBuffer& rec) override;
    void InternalDelete(const TRecordBuffer& rec) override;
    bool LockRecord(const TRecordBuffer& rec) override;
    void UnlockRecord(const TRecordBuffer& rec) override;
    bool CursorCanModify() const override { return true; }
    void InternalInitRecord(TRecordBuffer& rec) override;
    void EndSetKey() override { EndKeyEdit(); }
    bool IsIndexSlot(int slot) const override {
        return std::find(FSpec.OrderCols.begin(), FSpec.OrderCols.end(), slot) != FSpec.OrderCols.end();
    }
    void InvalidateCache() override {
        FAheadPos = FAhead.size();
        FAheadAtEnd = false;
        FAheadAfter = -1;
    }

private:
    friend class TMasterLink;
    // Rows read ahead of the last row handed out, so scrolling costs one query per page; those
    // before FAheadPos were handed out and keep only their storage.
    std::vector<platform::db::TRow> FAhead;
    size_t FAheadPos = 0;
    qint64 FAheadAfter = -1;
    bool FAheadAtEnd = false;
    bool FAheadForward = true;
    QString FAheadWhere;
    std::vector<QVariant> FAheadArgs;
    int FAheadWant = 0;                      // rows the next read on asks for
    std::vector<platform::db::TRow> FFetched;  // the engine's rows, storage kept between reads
    platform::db::TRow FFrom;                  // the row a read goes on from
    platform::db::TRow FPosted;                // the row as the last post stored it, when told
    bool FPostedKnown = false;
    void TakeAhead(TRecordBuffer& rec);
    QString FFilterFor, FFilterSql;          // the filter text and its translation
    std::vector<QVariant> FFilterArgs;       // the values of the translation's placeholders
    bool FilterChangedSinceAhead();
    bool FetchMatch(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options,
                    TRecordBuffer& rec);
    void BuildOrder();
    void OrderChanged();
    void ReadLayout();
    void ApplyLayout(const platform::db::TTableDesc& d);
    void UpdateRestriction();
    void MasterChanged();
    void BeginKeyEdit(std::unique_ptr<TRecordBuffer>& buffer, bool clear);
    void BlankKey(TRecordBuffer& key);
    void EndKeyEdit();
    std::unique_ptr<TRecordBuffer>* FKeyTarget = nullptr;
    std::vector<QVariant> KeyValues(const TRecordBuffer& buffer) const;
    void KeyValues(const TRecordBuffer& buffer, std::vector<QVariant>& vals) const;
    std::vector<QVariant> FKeyValues;  // the last search's key, its storage kept
    TRecordBuffer ToBuffer(platform::db::TRow&& row);
    void Reposition(TRecordBuffer& rec);
    void EnsureSpec();

    QString FTableName;
    TTableType FTableType = ttDefault;
    bool FExclusive = false;
    QString FIndexName, FIndexFieldNames, FMasterFields;
    std::unique_ptr<TIndexDefs> FIndexDefs;
    // The layout the cursor was opened on, shared with the connection.
    std::shared_ptr<const platform::db::TTableDesc> FDesc;
    const platform::db::TTableDesc& Desc() const {
        static const platform::db::TTableDesc none;
        return FDesc ? *FDesc : none;
    }
    platform::db::TCursorSpec FSpec;
    std::unique_ptr<TRecordBuffer> FRangeLow, FRangeHigh, FKey;
    bool FRangeActive = false;
    std::vector<QVariant> FUserLow, FUserHigh;
    int FKeyFieldCount = 0;
    std::unique_ptr<TMasterLink> FMasterLink;
};

class TQueryLink;

class TQuery : public TDBDataSet {
public:
    explicit TQuery(TComponent* owner);
    ~TQuery() override;

    TStrings* SQL() const { return FSQL.get(); }
    QString Text() const { return FSQL->Text(); }
    TParams* Params() const { return FParams.get(); }
    int ParamCount() const { return FParams->Count(); }
    TParam* ParamByName(const QString& name) const { return FParams->ParamByName(name); }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool v) { FParamCheck = v; }
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    bool RequestLive() const { return FRequestLive; }
    void SetRequestLive(bool v) { FRequestLive = v; }
    bool CanModify() const { return FLive && TDataSet::CanModify(); }
    bool UniDirectional() const { return false; }

    void Prepare();
    void UnPrepare();
    bool Prepared() const { return FPrepared; }
    void SetPrepared(bool v) { v ? Prepare() : UnPrepare(); }
    void ExecSQL();
    int RowsAffected() const { return FRowsAffected; }
    void Disconnect() override;
    // Whether the folder's data may have changed since the rows were read (or the query is
    // closed): a list kept open needs reading again only then. Only a query set to keep track
    // before it opens can tell; others always say it may have.
    bool DataChanged();
    void SetTrackChanges(bool value) { FTrackChanges = value; }

protected:
    QString WrittenTable() const override { return FLiveTable; }
    void InternalOpen() override;
    void ReadResult();
    void InternalClose() override;
    std::vector<TRecordBuffer> FetchRows(const TRecordBuffer* from, bool forward, int count) override;
    bool FetchById(qint64 id, TRecordBuffer& rec) override;
    int CursorCount() override { return int(FRows.size()); }
    int CursorRecNo(const TRecordBuffer& rec) override { return PosOf(rec.Id) + 1; }
    bool CursorRecNoCheap() const override { return true; }
    void InternalPost(TRecordBuffer& rec, const TRecordBuffer* original, bool inserting) override;
    void InternalDelete(const TRecordBuffer& rec) override;
    bool LockRecord(const TRecordBuffer& rec) override;
    void UnlockRecord(const TRecordBuffer& rec) override;
    bool CursorCanModify() const override { return FLive; }
    void InternalRefresh() override;
    void Freshen() override;

private:
    friend class TQueryLink;
    void QueryChanged(TObject* sender);
    void ParseParams();
    void SetParamsFromDataSource();
    void RefreshParams();
    platform::db::TStatement* Statement();
    void BindParams(platform::db::TStatement* st);
    int PosOf(qint64 id) const;
    void Reindex();

    std::unique_ptr<TStringList> FSQL;
    std::unique_ptr<TParams> FParams;
    std::unique_ptr<TQueryLink> FLink;
    std::unique_ptr<platform::db::TStatement> FStmt;
    bool FPrepared = false, FRequestLive = false, FParamCheck = true, FLive = false;
    // Types of the computed columns as the text gives them, kept for the text they were read from.
    QString FWrittenFor;
    std::vector<std::pair<int, int>> FWrittenTypes;  // (type, size) per column
    int FRowsAffected = 0;
    std::vector<TRecordBuffer> FRows;
    QHash<qint64, int> FPos;
    QString FLiveTable;          // base table of a live result
    QStringList FLiveColumns;    // base columns, by field slot
    qint64 FNextId = 0;
    bool FTrackChanges = false;  // the data version is taken at each read (two small reads more)
    qint64 FReadVersion = -1;    // the connection's data version when the rows were read
    TRecordBuffer FDeleted;      // the row just deleted, so the cursor can step past it
    int FDeletedPos = -1;
};
