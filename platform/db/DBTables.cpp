#include "platform/db/DBTables.h"
#include "platform/db/EngineSql.h"
#include "platform/db/SelectTypes.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

using platform::db::TColumnType;
using platform::db::TConnection;
using platform::db::TRecordBuffer;
using platform::db::TRow;

namespace {

TFieldType FieldTypeOf(TColumnType t) {
    switch (t) {
    case TColumnType::Text: return ftString;
    case TColumnType::Integer: return ftInteger;
    case TColumnType::Short: return ftSmallint;
    case TColumnType::Float: return ftFloat;
    case TColumnType::Currency: return ftCurrency;
    case TColumnType::Date: return ftDate;
    case TColumnType::Time: return ftTime;
    case TColumnType::DateTime: return ftDateTime;
    case TColumnType::Logical: return ftBoolean;
    case TColumnType::Memo: return ftMemo;
    case TColumnType::Blob: return ftBlob;
    case TColumnType::AutoInc: return ftAutoInc;
    }
    return ftString;
}

TColumnType ColumnTypeOf(TFieldType t) {
    switch (t) {
    case ftString: return TColumnType::Text;
    case ftSmallint:
    case ftWord: return TColumnType::Short;
    case ftInteger: return TColumnType::Integer;
    case ftAutoInc: return TColumnType::AutoInc;
    case ftBoolean: return TColumnType::Logical;
    case ftCurrency: return TColumnType::Currency;
    case ftDate: return TColumnType::Date;
    case ftTime: return TColumnType::Time;
    case ftDateTime: return TColumnType::DateTime;
    case ftMemo:
    case ftFmtMemo: return TColumnType::Memo;
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes: return TColumnType::Blob;
    default: return TColumnType::Float;
    }
}

QVariant EngineValueOf(TField* f, const Variant& v) {
    TParam p;
    p.AssignFieldValue(f, v);
    return p.EngineValue();
}

TSession DefaultSession(nullptr);

}  // namespace

TSession* Session = &DefaultSession;

// ---------------------------------------------------------------------------------------------- TSession

TSession::TSession(TComponent* owner) : TComponent(owner) {}
TSession::~TSession() = default;

void TSession::AddStandardAlias(const QString& name, const QString& path, const QString&) {
    FAliases[name.toUpper()] = QDir::fromNativeSeparators(path);
}
void TSession::DeleteAlias(const QString& name) { FAliases.erase(name.toUpper()); }
bool TSession::IsAlias(const QString& name) const { return FAliases.count(name.toUpper()) > 0; }
QString TSession::AliasPath(const QString& name) const {
    auto it = FAliases.find(name.toUpper());
    return it == FAliases.end() ? QString() : it->second;
}
void TSession::GetAliasNames(TStrings* list) const {
    list->Clear();
    for (auto& [n, p] : FAliases) list->Add(n);
}
void TSession::GetTableNames(const QString& databaseName, const QString&, bool extensions, bool, TStrings* list) {
    list->Clear();
    auto conn = ConnectionFor(databaseName);
    for (const QString& name : conn->TableNames()) list->Add(name.toUpper() + (extensions ? QStringLiteral(".DB") : QString()));
}

void TSession::AddPassword(const QString& password) {
    if (!FPasswords.contains(password)) FPasswords << password;
}

TDatabase* TSession::FindDatabase(const QString& name) const {
    for (TDatabase* db : FDatabases)
        if (db->DatabaseName().compare(name, Qt::CaseInsensitive) == 0) return db;
    return nullptr;
}

QString TSession::FolderFor(const QString& databaseName) const {
    if (TDatabase* db = FindDatabase(databaseName)) return db->Directory();
    if (IsAlias(databaseName)) return AliasPath(databaseName);
    if (!databaseName.isEmpty() && QFileInfo(databaseName).isDir()) return databaseName;
    return QString();
}

std::shared_ptr<TConnection> TSession::ConnectionFor(const QString& databaseName) {
    if (TDatabase* db = FindDatabase(databaseName)) return db->Connection();
    QString folder = FolderFor(databaseName);
    if (folder.isEmpty()) DatabaseError(QStringLiteral("Unknown database: %1").arg(databaseName));
    return FolderConnection(folder);
}

// One connection per data folder and process: a transaction of the database covers every
// dataset of that folder, and no two connections of one process wait for each other.
std::shared_ptr<TConnection> TSession::FolderConnection(const QString& folder) {
    QString key = QDir(folder).absolutePath();
    auto conn = FFolderConnections.value(key);
    if (!conn) {
        conn = platform::db::OpenData(folder);
        FFolderConnections.insert(key, conn);
    }
    return conn;
}

// ---------------------------------------------------------------------------------------------- TDatabase

TDatabase::TDatabase(TComponent* owner) : TComponent(owner), FParams(std::make_unique<TStringList>()) {
    Session->FDatabases.push_back(this);
}

TDatabase::~TDatabase() {
    try {
        CloseDataSets();
    } catch (...) {
    }
    for (TDBDataSet* ds : FDataSets) ds->FRegistered = nullptr;
    FConnection.reset();
    auto& v = Session->FDatabases;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void TDatabase::SetDatabaseName(const QString& name) {
    if (Connected()) DatabaseError(QStringLiteral("Cannot perform this operation on an open database"), this);
    FDatabaseName = name;
}
void TDatabase::SetAliasName(const QString& name) {
    if (Connected()) DatabaseError(QStringLiteral("Cannot perform this operation on an open database"), this);
    FAliasName = name;
    if (!name.isEmpty()) FDriverName.clear();
}

QString TDatabase::Directory() const {
    if (!FAliasName.isEmpty()) return Session->AliasPath(FAliasName);
    return QDir::fromNativeSeparators(FParams->Values(QStringLiteral("PATH")));
}

void TDatabase::SetConnected(bool value) {
    if (value == Connected()) return;
    if (value) {
        BeforeConnect(this);
        QString dir = Directory();
        if (dir.isEmpty()) {
            if (!FAliasName.isEmpty() && !Session->IsAlias(FAliasName))
                DatabaseError(QStringLiteral("Unknown database: %1").arg(FAliasName), this);
            DatabaseError(QStringLiteral("No data folder for database %1").arg(FDatabaseName), this);
        }
        FConnection = Session->FolderConnection(dir);
        AfterConnect(this);
    } else {
        BeforeDisconnect(this);
        CloseDataSets();
        if (FConnection && FConnection->InTransaction()) FConnection->Rollback();
        FConnection.reset();
        AfterDisconnect(this);
    }
}

std::shared_ptr<TConnection> TDatabase::Connection() {
    if (!FConnection) Open();
    return FConnection;
}

void TDatabase::CloseDataSets() {
    for (TDBDataSet* ds : std::vector<TDBDataSet*>(FDataSets)) ds->Disconnect();
}

void TDatabase::StartTransaction() { Connection()->StartTransaction(); }
void TDatabase::Commit() {
    if (!FConnection || !FConnection->InTransaction()) DatabaseError(QStringLiteral("No active transaction"), this);
    FConnection->Commit();
}
void TDatabase::Rollback() {
    if (!FConnection || !FConnection->InTransaction()) DatabaseError(QStringLiteral("No active transaction"), this);
    FConnection->Rollback();
    for (TDBDataSet* ds : FDataSets)
        if (ds->Active() && ds->State() == dsBrowse) ds->Resync();
}
bool TDatabase::InTransaction() const { return FConnection && FConnection->InTransaction(); }

// ---------------------------------------------------------------------------------------------- TDBDataSet

TDBDataSet::TDBDataSet(TComponent* owner) : TDataSet(owner) {}

TDBDataSet::~TDBDataSet() {
    if (FRegistered) {
        auto& v = FRegistered->FDataSets;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
}

void TDBDataSet::SetDatabaseName(const QString& name) {
    CheckInactive();
    FDatabaseName = name;
}

TDatabase* TDBDataSet::Database() const { return Session->FindDatabase(FDatabaseName); }

void TDBDataSet::OpenConnection() {
    TDatabase* db = Database();
    FConn = Session->ConnectionFor(FDatabaseName);
    if (db != FRegistered) {
        if (FRegistered) {
            auto& v = FRegistered->FDataSets;
            v.erase(std::remove(v.begin(), v.end(), this), v.end());
        }
        FRegistered = db;
        if (db) db->FDataSets.push_back(this);
    }
}

TConnection* TDBDataSet::Connection() {
    if (!FConn) OpenConnection();
    return FConn.get();
}

void TDBDataSet::InternalClose() { FConn.reset(); }

// ---------------------------------------------------------------------------------------------- TTable

// Follows the master data source: a new master record re-restricts the detail.
class TMasterLink : public TDataLink {
public:
    explicit TMasterLink(TTable* table) : FTable(table) {}

protected:
    void ActiveChanged() override { Changed(); }
    void RecordChanged(TField* field) override {
        if (field == nullptr) Changed();
        else {
            for (const QString& n : FTable->FMasterFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (field->FieldName().compare(n.trimmed(), Qt::CaseInsensitive) == 0) return Changed();
        }
    }
    void DataSetChanged() override { Changed(); }
    void DataSetScrolled(int) override { Changed(); }
    void CheckBrowseMode() override {
        if (FTable->Active()) FTable->CheckBrowseMode();
    }

private:
    void Changed() {
        if (FTable->Active()) FTable->MasterChanged();
    }
    TTable* FTable;
};

namespace {
// Rows read ahead when scrolling on from a row: about a page of a grid; a walk reading on and
// on doubles it up to the most.
constexpr int kReadAhead = 40;
constexpr int kReadAheadMost = 640;
}

TTable::TTable(TComponent* owner)
    : TDBDataSet(owner), FIndexDefs(std::make_unique<TIndexDefs>()), FMasterLink(std::make_unique<TMasterLink>(this)) {
    FIndexDefs->Updater = [this] { ReadLayout(); };
    FieldDefs()->Updater = [this] { ReadLayout(); };
}

void TTable::ReadLayout() { ApplyLayout(Connection()->DescribeTable(FTableName)); }

void TTable::ApplyLayout(const platform::db::TTableDesc& d) {
    if (!Active()) {
        FieldDefs()->Clear();
        FieldDefs()->Reserve(int(d.Columns.size()));
        for (auto& c : d.Columns) FieldDefs()->Add(c.Name, FieldTypeOf(c.Type), c.Type == TColumnType::Text ? c.Size : 0, c.Required);
    }
    FIndexDefs->Clear();
    for (auto& ix : d.Indexes) {
        TIndexOptions o = 0;
        if (ix.Primary) o |= ixPrimary | ixUnique;
        if (ix.Unique) o |= ixUnique;
        if (ix.CaseInsensitive) o |= ixCaseInsensitive;
        FIndexDefs->Add(ix.Name, ix.Fields.join(QLatin1Char(';')), o);
    }
}

TTable::~TTable() {
    try {
        SetComponentState(ComponentState() | csDestroying);
        if (Active()) Close();
    } catch (...) {
    }
    FMasterLink->SetDataSource(nullptr);
}

void TTable::SetTableName(const QString& name) {
    CheckInactive();
    FTableName = name;
}

bool TTable::Exists() { return Connection()->TableExists(FTableName); }

void TTable::InternalOpen() {
    if (FTableName.isEmpty()) DatabaseError(QStringLiteral("Missing TableName property"), this);
    OpenConnection();
    // One read of the layout serves the cursor and the definitions (on a server, a round trip).
    FDesc = FConn->Layout(FTableName);
    ApplyLayout(*FDesc);
    FFilterFor.clear();
    FSpec = platform::db::TCursorSpec();
    FSpec.Table = FTableName;
    for (auto& c : FDesc->Columns) FSpec.Columns << c.Name;
    BuildOrder();
    UpdateRestriction();
}

void TTable::BuildOrder() {
    FSpec.OrderCols.clear();
    FSpec.CaseInsensitive = false;
    QStringList fields;
    if (!FIndexFieldNames.isEmpty()) {
        fields = FIndexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    } else if (!FIndexName.isEmpty()) {
        const platform::db::TIndexDesc* found = nullptr;
        for (auto& ix : Desc().Indexes)
            if (!ix.Primary && ix.Name.compare(FIndexName, Qt::CaseInsensitive) == 0) found = &ix;
        if (!found) DatabaseError(QStringLiteral("Index '%1' not found").arg(FIndexName), this);
        fields = found->Fields;
        FSpec.CaseInsensitive = found->CaseInsensitive;
    } else {
        fields = Desc().PrimaryFields();
    }
    for (const QString& f : fields) {
        int c = Desc().ColumnIndex(f.trimmed());
        if (c < 0) DatabaseError(QStringLiteral("Field '%1' not found").arg(f.trimmed()), this);
        FSpec.OrderCols.push_back(c);
    }
}

TField* TTable::IndexFields(int index) const {
    int slot = FSpec.OrderCols.at(index);
    for (TField* f : Fields()->List())
        if (f->FieldKind() == fkData && f->FieldNo() == slot) return f;
    return nullptr;
}

void TTable::SetIndexName(const QString& name) {
    FIndexName = name;
    FIndexFieldNames.clear();
    OrderChanged();
}

void TTable::SetIndexFieldNames(const QString& names) {
    FIndexFieldNames = names;
    FIndexName.clear();
    OrderChanged();
}

// A new order drops the range (it was on the old key) and keeps the current record.
void TTable::OrderChanged() {
    if (!Active()) return;
    CheckBrowseMode();
    BuildOrder();
    FRangeActive = false;
    UpdateRestriction();
    Resync();
}

void TTable::EnsureSpec() {
    // Filter text of the table restricts the cursor in the engine; it is translated once per text.
    const bool filtered = Filtered() && !FilterText().trimmed().isEmpty();
    if (filtered && FilterText() != FFilterFor) {
        FFilterArgs.clear();
        FFilterSql = platform::db::engine::FilterWithParameters(FConn->TranslateSql(FilterText()), FFilterArgs);
        FFilterFor = FilterText();
    }
    FSpec.Where = filtered ? FFilterSql : QString();
    if (filtered) FSpec.WhereArgs = FFilterArgs;
    else FSpec.WhereArgs.clear();
}

// Whether the filter changed since the rows were read ahead, and if so notes it.
bool TTable::FilterChangedSinceAhead() {
    if (FSpec.Where == FAheadWhere && FSpec.WhereArgs == FAheadArgs) return false;
    FAheadWhere = FSpec.Where;
    FAheadArgs = FSpec.WhereArgs;
    return true;
}

void TTable::UpdateRestriction() {
    FSpec.HasLow = FSpec.HasHigh = false;
    FSpec.Low.clear();
    FSpec.High.clear();
    TDataSet* master = FMasterLink->DataSet();
    if (!FMasterFields.isEmpty() && master && master->Active()) {
        std::vector<QVariant> vals;
        for (TField* f : master->GetFieldList(FMasterFields)) vals.push_back(EngineValueOf(f, f->Value()));
        FSpec.Low = FSpec.High = vals;
        FSpec.HasLow = FSpec.HasHigh = true;
    } else if (FRangeActive) {
        FSpec.Low = FUserLow;
        FSpec.High = FUserHigh;
        FSpec.HasLow = !FUserLow.empty();
        FSpec.HasHigh = !FUserHigh.empty();
    }
    EnsureSpec();
    CountChanged();
    InvalidateCache();
}

TRecordBuffer TTable::ToBuffer(TRow&& row) {
    TRecordBuffer r;
    r.Id = row.Id;
    r.Data = std::move(row.Values);
    return r;
}

// The next row read ahead, handed out: the buffer and the engine's row trade their lists, so a
// walk allocates no list of values per row, and the values the buffer held are let go as the
// next read fills their place, each just as the one replacing it is made.
void TTable::TakeAhead(TRecordBuffer& rec) {
    TRow& row = FAhead[FAheadPos++];
    rec.Id = row.Id;
    rec.Data.swap(row.Values);
    rec.Calc.clear();
    rec.Assigned.clear();
    rec.Unlooked.clear();
    FAheadAfter = rec.Id;
}

std::vector<TRecordBuffer> TTable::FetchRows(const TRecordBuffer* from, bool forward, int count) {
    EnsureSpec();
    if (FilterChangedSinceAhead()) InvalidateCache();
    std::vector<TRecordBuffer> out;
    if (count <= 0) return out;
    // Served from the rows read ahead when this continues the last read.
    const bool continuing = from && FAheadForward == forward && from->Id == FAheadAfter;
    if (continuing && (FAheadPos < FAhead.size() || FAheadAtEnd)) {
        // Rows are handed out once: they move out of the read-ahead.
        while (int(out.size()) < count && FAheadPos < FAhead.size()) TakeAhead(out.emplace_back());
        if (int(out.size()) == count || (FAheadPos >= FAhead.size() && FAheadAtEnd)) return out;
    }
    const TRecordBuffer* start = out.empty() ? from : &out.back();
    TRow& key = FFrom;
    const TRow* pk = nullptr;
    if (start) {
        key.Id = start->Id;
        key.Values = start->Data;
        pk = &key;
    }
    // Positioning reads (first, last) take just what they need; scrolling on reads a page, and
    // a walk that keeps reading on reads further each time (fewer reads, each a new seek).
    FAheadWant = continuing ? std::min(std::max(FAheadWant, kReadAhead) * 2, kReadAheadMost) : kReadAhead;
    int want = start ? std::max(count - int(out.size()), FAheadWant) : count;
    InvalidateCache();
    FConn->Fetch(FSpec, pk, forward, want, FAhead);
    FAheadPos = 0;
    FAheadAtEnd = int(FAhead.size()) < want;
    while (int(out.size()) < count && FAheadPos < FAhead.size()) TakeAhead(out.emplace_back());
    FAheadForward = forward;
    FAheadAfter = out.empty() ? -1 : out.back().Id;
    return out;
}

bool TTable::FetchOne(const TRecordBuffer* from, bool forward, TRecordBuffer& row) {
    EnsureSpec();
    if (FilterChangedSinceAhead()) InvalidateCache();
    if (from && FAheadForward == forward && from->Id == FAheadAfter && FAheadPos < FAhead.size()) {
        TakeAhead(row);
        return true;
    }
    return TDBDataSet::FetchOne(from, forward, row);
}

bool TTable::FetchById(qint64 id, TRecordBuffer& rec) {
    TRow row;
    if (!FConn->FetchById(FSpec, id, row)) return false;
    rec = ToBuffer(std::move(row));
    return true;
}

int TTable::CursorCount() {
    EnsureSpec();
    return int(FConn->Count(FSpec));
}

int TTable::CursorRecNo(const TRecordBuffer& rec) {
    EnsureSpec();
    TRow row;
    row.Id = rec.Id;
    row.Values = rec.Data;
    return int(FConn->CountBefore(FSpec, row)) + 1;
}

void TTable::InternalPost(TRecordBuffer& rec, const TRecordBuffer* original, bool inserting) {
    InvalidateCache();
    FPostedKnown = false;
    if (inserting) {
        rec.Id = FConn->Insert(FTableName, FSpec.Columns, rec.Data);
    } else {
        FPostedKnown = FConn->UpdateAndRead(FTableName, rec.Id, FSpec.Columns, original->Data, rec.Data, FPosted);
    }
}

bool TTable::PostedRow(qint64 id, TRecordBuffer& rec) {
    if (!FPostedKnown || FPosted.Id != id) return false;
    FPostedKnown = false;
    rec.Id = id;
    rec.Data = FPosted.Values;
    return true;
}

void TTable::InternalDelete(const TRecordBuffer& rec) {
    InvalidateCache();
    FConn->Delete(FTableName, rec.Id, FSpec.Columns, rec.Data); }

bool TTable::LockRecord(const TRecordBuffer& rec) { return FConn->LockRecord(FTableName, rec.Id, this); }
void TTable::UnlockRecord(const TRecordBuffer& rec) { FConn->UnlockRecord(FTableName, rec.Id, this); }

void TTable::InternalInitRecord(TRecordBuffer& rec) {
    TDataSet* master = FMasterLink->DataSet();
    if (FMasterFields.isEmpty() || !master || !master->Active()) return;
    auto mf = master->GetFieldList(FMasterFields);
    for (size_t i = 0; i < mf.size() && i < FSpec.OrderCols.size(); ++i)
        rec.Data[FSpec.OrderCols[i]] = EngineValueOf(mf[i], mf[i]->Value());
}

// ---- keys and ranges

void TTable::BeginKeyEdit(std::unique_ptr<TRecordBuffer>& buffer, bool clear) {
    EndKeyEdit();
    CheckBrowseMode();
    // The buffers stay from one search to the next; only their values are renewed.
    if (!buffer) {
        buffer = std::make_unique<TRecordBuffer>();
        clear = true;
    }
    if (!FKeyBuffer) FKeyBuffer = std::make_unique<TRecordBuffer>();
    if (clear) {
        BlankKey(*buffer);
        BlankKey(*FKeyBuffer);
    } else {
        *FKeyBuffer = *buffer;
    }
    FKeyBuffer->Calc.clear();
    FKeyTarget = &buffer;
    SetState(dsSetKey);
}

// A key holds values only in the fields it was given one (Assigned marks them): only those are
// let go. Calculated values set while keying are not kept either.
void TTable::BlankKey(TRecordBuffer& key) {
    const size_t n = size_t(DataFieldCount());
    if (key.Data.size() != n || key.Assigned.size() > n) {
        NewRecordBuffer(key);
    } else {
        key.Id = 0;
        for (size_t i = 0; i < key.Assigned.size(); ++i)
            if (key.Assigned[i]) key.Data[i] = QVariant();
        key.Unlooked.clear();
    }
    key.Calc.clear();
    key.Assigned.clear();
}

std::vector<QVariant> TTable::KeyValues(const TRecordBuffer& buffer) const {
    std::vector<QVariant> vals;
    KeyValues(buffer, vals);
    return vals;
}

void TTable::KeyValues(const TRecordBuffer& buffer, std::vector<QVariant>& vals) const {
    // The leading index fields that were given a value.
    vals.clear();
    size_t n = FSpec.OrderCols.size();
    vals.reserve(n);
    if (FKeyFieldCount > 0) n = std::min(n, size_t(FKeyFieldCount));
    size_t assigned = 0;
    for (size_t i = 0; i < FSpec.OrderCols.size(); ++i)
        if (size_t(FSpec.OrderCols[i]) < buffer.Assigned.size() && buffer.Assigned[FSpec.OrderCols[i]]) assigned = i + 1;
    n = std::min(n, assigned);
    for (size_t i = 0; i < n; ++i) vals.push_back(buffer.Data[FSpec.OrderCols[i]]);
}

void TTable::SetKey() { BeginKeyEdit(FKey, true); }
void TTable::EditKey() { BeginKeyEdit(FKey, false); }
void TTable::SetRangeStart() { BeginKeyEdit(FRangeLow, true); }
void TTable::SetRangeEnd() { BeginKeyEdit(FRangeHigh, true); }

void TTable::EndKeyEdit() {
    if (State() == dsSetKey) {
        // The edited copy becomes the key; the copy is renewed before its next use.
        if (FKeyTarget && *FKeyTarget && FKeyBuffer) swap(**FKeyTarget, *FKeyBuffer);
        FKeyTarget = nullptr;
        SetState(dsBrowse);
    }
}

void TTable::Reposition(TRecordBuffer& rec) {
    DoBeforeScroll();
    CalculateFields(rec);
    FillBuffersCentered(std::move(rec));
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

bool TTable::GotoKey() {
    CheckActive();
    EndKeyEdit();
    if (!FKey) return false;
    TRow row;
    SwapSpareData(row.Values);
    KeyValues(*FKey, FKeyValues);
    if (!FConn->Seek(FSpec, FKeyValues, true, row)) {
        SwapSpareData(row.Values);
        return false;
    }
    TRecordBuffer rec = ToBuffer(std::move(row));
    if (!AcceptRecord(rec)) return false;
    Reposition(rec);
    return true;
}

void TTable::GotoNearest() {
    CheckActive();
    EndKeyEdit();
    if (!FKey) return;
    TRow row;
    SwapSpareData(row.Values);
    KeyValues(*FKey, FKeyValues);
    if (!FConn->Seek(FSpec, FKeyValues, false, row)) return Last();
    TRecordBuffer rec = ToBuffer(std::move(row));
    Reposition(rec);
}

bool TTable::FindKey(const std::vector<Variant>& values) {
    SetKey();
    try {
        for (size_t i = 0; i < values.size() && i < FSpec.OrderCols.size(); ++i) IndexFields(int(i))->SetValue(values[i]);
    } catch (...) {
        Cancel();
        throw;
    }
    return GotoKey();
}

void TTable::FindNearest(const std::vector<Variant>& values) {
    SetKey();
    try {
        for (size_t i = 0; i < values.size() && i < FSpec.OrderCols.size(); ++i) IndexFields(int(i))->SetValue(values[i]);
    } catch (...) {
        Cancel();
        throw;
    }
    GotoNearest();
}

void TTable::ApplyRange() {
    CheckActive();
    EndKeyEdit();
    FUserLow = FRangeLow ? KeyValues(*FRangeLow) : std::vector<QVariant>();
    FUserHigh = FRangeHigh ? KeyValues(*FRangeHigh) : std::vector<QVariant>();
    FRangeActive = true;
    UpdateRestriction();
    First();
}

void TTable::CancelRange() {
    CheckBrowseMode();
    FRangeActive = false;
    FRangeLow.reset();
    FRangeHigh.reset();
    if (Active()) {
        UpdateRestriction();
        Resync();
    }
}

void TTable::SetRange(const std::vector<Variant>& startValues, const std::vector<Variant>& endValues) {
    SetRangeStart();
    for (size_t i = 0; i < startValues.size() && i < FSpec.OrderCols.size(); ++i) IndexFields(int(i))->SetValue(startValues[i]);
    SetRangeEnd();
    for (size_t i = 0; i < endValues.size() && i < FSpec.OrderCols.size(); ++i) IndexFields(int(i))->SetValue(endValues[i]);
    ApplyRange();
}

// ---- master-detail

void TTable::SetMasterSource(TDataSource* source) {
    FMasterLink->SetDataSource(source);
    if (Active()) MasterChanged();
}
void TTable::SetMasterFields(const QString& fields) {
    FMasterFields = fields;
    if (Active()) MasterChanged();
}

void TTable::MasterChanged() {
    CheckBrowseMode();
    std::vector<QVariant> oldLow = FSpec.Low;
    bool had = FSpec.HasLow;
    UpdateRestriction();
    if (had == FSpec.HasLow && oldLow == FSpec.Low && !IsEmpty()) return;
    First();
}

// ---- maintenance

void TTable::CreateTable() {
    CheckInactive();
    platform::db::TTableDesc d;
    d.Name = FTableName;
    for (int i = 0; i < FieldDefs()->Count(); ++i) {
        TFieldDef* fd = FieldDefs()->Items(i);
        platform::db::TColumnDesc c;
        c.Name = fd->Name;
        c.Type = ColumnTypeOf(fd->DataType);
        c.Size = fd->DataType == ftString ? (fd->Size > 0 ? fd->Size : 20) : 0;
        c.Required = fd->Required;
        d.Columns.push_back(c);
    }
    for (int i = 0; i < FIndexDefs->Count(); ++i) {
        TIndexDef* id = FIndexDefs->Items(i);
        platform::db::TIndexDesc x;
        x.Name = id->Name;
        x.Fields = id->Fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (auto& f : x.Fields) f = f.trimmed();
        x.Primary = (id->Options & ixPrimary) != 0;
        x.Unique = (id->Options & ixUnique) != 0;
        x.CaseInsensitive = (id->Options & ixCaseInsensitive) != 0;
        if (!x.Primary && x.Name.isEmpty()) DatabaseError(QStringLiteral("Index name missing"), this);
        d.Indexes.push_back(x);
    }
    Connection()->CreateTable(d);
}

void TTable::DeleteTable() {
    CheckInactive();
    Connection()->DropTable(FTableName);
}

void TTable::EmptyTable() {
    if (Active()) {
        CheckBrowseMode();
        FConn->EmptyTable(FTableName);
        Resync();
    } else {
        Connection()->EmptyTable(FTableName);
    }
}

void TTable::FlushBuffers() {
    CheckActive();
    CheckBrowseMode();
    FConn->Flush();
}

// ---- searching through the engine

namespace {
bool SimpleSearch(TDataSet* ds, const std::vector<TField*>& fields) {
    if (ds->Filtered() && ds->OnFilterRecord) return false;
    for (TField* f : fields)
        if (f->FieldKind() != fkData) return false;
    return true;
}

// The search as conditions of the cursor: each field equals its value.
void AddMatches(platform::db::TCursorSpec& cursor, const std::vector<TField*>& fields, const Variant& keyValues,
                TLocateOptions options) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const Variant& v = fields.size() == 1 && !keyValues.IsArray() ? keyValues : keyValues.AsArray().at(i);
        platform::db::TCursorSpec::TMatch m;
        m.Col = fields[i]->FieldNo();
        bool text = fields[i]->DataType() == ftString || fields[i]->DataType() == ftMemo;
        m.CaseInsensitive = (options & loCaseInsensitive) != 0;
        m.Partial = (options & loPartialKey) != 0;
        // A beginning typed with an accent apart is as long as the stored letters it matches.
        const QString t = text && m.Partial ? v.AsString().normalized(QString::NormalizationForm_C) : QString();
        m.Value = text ? (v.IsNullOrEmpty() ? QVariant() : QVariant(m.Partial ? t : v.AsString())) : EngineValueOf(fields[i], v);
        cursor.Matches.push_back(std::move(m));
    }
}
}  // namespace

bool TTable::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    auto fields = GetFieldList(keyFields);
    if (!SimpleSearch(this, fields)) return TDataSet::Locate(keyFields, keyValues, options);
    TRecordBuffer rec;
    if (!FetchMatch(fields, keyValues, options, rec)) return false;
    Reposition(rec);
    return true;
}

// The search becomes a condition of the cursor, in the current order; the cursor stays where it is.
bool TTable::FetchMatch(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options,
                        TRecordBuffer& rec) {
    EnsureSpec();
    // The cursor itself, with the search's conditions added for this read only.
    platform::db::TCursorSpec& cursor = FSpec;
    struct TDropMatches {
        std::vector<platform::db::TCursorSpec::TMatch>& Matches;
        ~TDropMatches() { Matches.clear(); }
    } drop{cursor.Matches};
    AddMatches(cursor, fields, keyValues, options);
    std::vector<TRow>& rows = FFetched;
    // The row is read into the list of values the last jump left over.
    rows.resize(1);
    SwapSpareData(rows[0].Values);
    FConn->Fetch(cursor, nullptr, true, 1, rows);
    if (rows.empty()) return false;
    rec = ToBuffer(std::move(rows[0]));
    rows.clear();
    return true;
}

Variant TTable::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) {
    CheckActive();
    auto fields = GetFieldList(keyFields);
    if (!SimpleSearch(this, fields) || State() != dsBrowse) return TDataSet::Lookup(keyFields, keyValues, resultFields);
    // One row read by the key, calculated on its own: the cursor and its window stay as they are.
    TRecordBuffer rec;
    if (!FetchMatch(fields, keyValues, 0, rec)) return Null();
    CalculateFields(rec);
    return RecordValues(rec, resultFields);
}

std::vector<Variant> TTable::LookupMany(const QString& keyField, const std::vector<Variant>& keys, const QString& resultFields) {
    CheckActive();
    auto fields = GetFieldList(keyField);
    if (fields.size() != 1 || keys.size() < 2 || !SimpleSearch(this, fields) || State() != dsBrowse)
        return TDataSet::LookupMany(keyField, keys, resultFields);
    TField* key = fields[0];
    const bool text = key->DataType() == ftString || key->DataType() == ftMemo;
    // Blank keys are looked up one by one (a blank matches nulls and stored blanks alike).
    std::vector<Variant> out(keys.size());
    std::vector<size_t> listed;
    EnsureSpec();
    platform::db::TCursorSpec cursor = FSpec;  // the lookups of one key below use the search's
    cursor.InCol = key->FieldNo();
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].IsNullOrEmpty()) {
            out[i] = Lookup(keyField, keys[i], resultFields);
            continue;
        }
        listed.push_back(i);
        const QVariant v = text ? QVariant(keys[i].AsString()) : EngineValueOf(key, keys[i]);
        if (std::find(cursor.In.begin(), cursor.In.end(), v) == cursor.In.end()) cursor.In.push_back(v);
    }
    if (cursor.In.empty()) return out;
    // Lists of a few lengths only, so the engine keeps few statements.
    size_t length = 4;
    while (length < cursor.In.size()) length *= 2;
    const QVariant last = cursor.In.back();
    cursor.In.resize(length, last);
    // The first row of each key in the current order is its result, as a lookup of one finds.
    const int most = int(4 * length);
    std::vector<TRow>& rows = FFetched;
    FConn->Fetch(cursor, nullptr, true, most, rows);
    const bool whole = int(rows.size()) < most;
    std::vector<TRecordBuffer> recs;
    for (auto& r : rows) recs.push_back(ToBuffer(std::move(r)));
    rows.clear();
    for (size_t i : listed) {
        auto hit = std::find_if(recs.begin(), recs.end(), [&](TRecordBuffer& r) { return RecordMatches(r, key, keys[i]); });
        // Not among the rows read: a number missing from the whole list has no row; a text
        // may equal one here in the engine's order only, and a list cut short may lack it.
        if (hit == recs.end()) {
            if (!whole || text) out[i] = Lookup(keyField, keys[i], resultFields);
            continue;
        }
        TRecordBuffer rec = *hit;
        CalculateFields(rec);
        out[i] = RecordValues(rec, resultFields);
    }
    return out;
}

// ---- cursor operations

void TTable::CloneCursor(TTable* source, bool reset, bool readOnly) {
    if (Active()) Close();
    SetDatabaseName(source->DatabaseName());
    SetSessionName(source->SessionName());
    FTableName = source->TableName();
    FTableType = source->TableType();
    if (!reset) {
        FIndexName = source->IndexName();
        FIndexFieldNames = source->IndexFieldNames();
    } else {
        FIndexName.clear();
        FIndexFieldNames.clear();
    }
    SetReadOnly(readOnly);
    SetFilter(source->Filter());
    OnFilterRecord = source->OnFilterRecord;
    FFiltered = reset ? false : source->Filtered();
    Open();
    if (!reset && source->Active() && !source->IsEmpty()) SetToCursor(source);
}

bool TTable::SetToCursor(TDataSet* source) {
    if (!source || !source->Active() || source->IsEmpty()) return false;
    auto* t = dynamic_cast<TTable*>(source);
    if (t && platform::db::StorageName(t->TableName()) != platform::db::StorageName(FTableName))
        DatabaseError(QStringLiteral("Cursors are not on the same table"), this);
    TBookmark bm = source->GetBookmark();
    TRecordBuffer r;
    if (!bm.Valid || !FetchById(bm.Id, r)) return false;
    // Only a record inside this cursor's range counts.
    if (FSpec.HasLow || FSpec.HasHigh || !FSpec.Where.isEmpty()) {
        platform::db::TCursorSpec cursor = FSpec;
        cursor.OnlyId = bm.Id;
        if (FConn->Count(cursor) == 0) return false;
    }
    return SetToBookmark(bm);
}

// ---- layout checks

namespace platform::db {

QStringList CheckTable(TTable* table) {
    QStringList out;
    QString name = table->TableName();
    TConnection* conn = table->Connection();
    if (!conn->TableExists(name)) return {QStringLiteral("Table '%1' does not exist").arg(name)};
    TTableDesc d = conn->DescribeTable(name);
    for (int i = 0; i < table->FieldDefs()->Count(); ++i) {
        TFieldDef* fd = table->FieldDefs()->Items(i);
        int c = d.ColumnIndex(fd->Name);
        if (c < 0) {
            out << QStringLiteral("Table '%1': field '%2' is missing").arg(name, fd->Name);
            continue;
        }
        if (FieldTypeOf(d.Columns[c].Type) != fd->DataType && !(fd->DataType == ftWord && d.Columns[c].Type == TColumnType::Short))
            out << QStringLiteral("Table '%1': field '%2' has another type").arg(name, fd->Name);
        else if (fd->DataType == ftString && fd->Size > 0 && d.Columns[c].Size != fd->Size)
            out << QStringLiteral("Table '%1': field '%2' has size %3 instead of %4").arg(name, fd->Name).arg(d.Columns[c].Size).arg(fd->Size);
    }
    for (int i = 0; i < table->IndexDefs()->Count(); ++i) {
        TIndexDef* ix = table->IndexDefs()->Items(i);
        bool primary = ix->Options & ixPrimary;
        bool found = false;
        for (auto& x : d.Indexes) {
            if (x.Primary != primary || (!primary && x.Name.compare(ix->Name, Qt::CaseInsensitive) != 0)) continue;
            found = x.Fields.join(QLatin1Char(';')).compare(QString(ix->Fields).remove(QLatin1Char(' ')), Qt::CaseInsensitive) == 0;
        }
        if (!found)
            out << (primary ? QStringLiteral("Table '%1': primary index on '%2' is missing").arg(name, ix->Fields)
                            : QStringLiteral("Table '%1': index '%2' on '%3' is missing").arg(name, ix->Name, ix->Fields));
    }
    return out;
}

QStringList EnsureTable(TTable* table) {
    if (!table->Connection()->TableExists(table->TableName())) {
        table->CreateTable();
        return {};
    }
    return CheckTable(table);
}

TField* NewField(TComponent* owner, TColumnType type) { return ::NewField(owner, FieldTypeOf(type)); }

}  // namespace platform::db

// ---------------------------------------------------------------------------------------------- TQuery

// Re-runs the query when the record of its data source changes.
class TQueryLink : public TDataLink {
public:
    explicit TQueryLink(TQuery* q) : FQuery(q) {}

protected:
    void ActiveChanged() override {
        if (Active()) Changed();
    }
    void RecordChanged(TField* field) override {
        if (!field) Changed();
    }
    void DataSetScrolled(int) override { Changed(); }
    void DataSetChanged() override { Changed(); }

private:
    // The query follows the master's record. While nothing shows it or follows it in turn, it
    // runs again only when it is next read, so moving the master costs nothing more.
    void Changed() {
        if (!FQuery->Active() || !DataSource() || DataSource()->State() == dsInsert) return;
        if (FQuery->Watched()) FQuery->RefreshParams();
        else FQuery->MarkStale();
    }
    TQuery* FQuery;
};

TQuery::TQuery(TComponent* owner)
    : TDBDataSet(owner), FSQL(std::make_unique<TStringList>()), FParams(std::make_unique<TParams>()),
      FLink(std::make_unique<TQueryLink>(this)) {
    FSQL->OnChange = TNotifyEvent(this, &TQuery::QueryChanged);
}

TQuery::~TQuery() {
    try {
        SetComponentState(ComponentState() | csDestroying);
        if (Active()) Close();
    } catch (...) {
    }
    FLink->SetDataSource(nullptr);
    FStmt.reset();
}

void TQuery::Disconnect() {
    Close();
    UnPrepare();
}

void TQuery::QueryChanged(TObject*) {
    if (Active()) Close();
    UnPrepare();
    if (FParamCheck) ParseParams();
}

void TQuery::ParseParams() {
    TParams old;
    old.Clear();
    auto fresh = std::make_unique<TParams>();
    QString s = FSQL->Text();
    int n = int(s.size());
    QChar quote;
    for (int i = 0; i < n; ++i) {
        QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n && (s[i + 1].isLetter() || s[i + 1] == QLatin1Char('_')) &&
            (i == 0 || s[i - 1] != QLatin1Char(':'))) {
            int j = i + 1;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_'))) ++j;
            QString name = s.mid(i + 1, j - i - 1);
            if (!fresh->FindParam(name)) fresh->CreateParam(ftUnknown, name, ptInput);
            i = j - 1;
        }
    }
    fresh->AssignValues(*FParams);
    FParams = std::move(fresh);
}

TDataSource* TQuery::DataSource() const { return FLink->DataSource(); }
void TQuery::SetDataSource(TDataSource* source) {
    if (source && source->DataSet() == this) DatabaseError(QStringLiteral("Circular datalinks are not allowed"), this);
    FLink->SetDataSource(source);
}

void TQuery::SetParamsFromDataSource() {
    TDataSource* src = FLink->DataSource();
    if (!src || !src->DataSet() || !src->DataSet()->Active()) return;
    for (int i = 0; i < FParams->Count(); ++i) {
        TParam* p = FParams->Items(i);
        if (p->Bound()) continue;
        if (TField* f = src->DataSet()->FindField(p->Name())) {
            p->AssignField(f);
            p->SetBound(false);
        }
    }
}

void TQuery::Freshen() {
    if (Active()) RefreshParams();
}

void TQuery::RefreshParams() {
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

namespace {
// Where a live query's text takes the row identity: after the "SELECT " of a statement over one
// table (with at most an alias), neither grouped nor combined; -1 when its rows cannot be edited.
qsizetype LiveIdentityPoint(const QString& sql) {
    using platform::db::engine::IsWord;
    using platform::db::engine::TToken;
    const std::vector<TToken> t = platform::db::engine::Tokenize(sql);
    const size_t n = t.size();
    auto space = [&](size_t i) { return i < n && t[i].kind == TToken::Space; };
    auto word = [&](size_t i, const char* w) { return i < n && IsWord(t[i], w); };
    size_t i = space(0) ? 1 : 0;
    if (!word(i, "SELECT") || !space(i + 1)) return -1;
    qsizetype at = 0;
    for (size_t k = 0; k <= i + 1; ++k) at += t[k].text.size();
    bool single = false;
    for (size_t k = 0; k < n; ++k) {
        if (word(k, "UNION") || word(k, "DISTINCT") || (word(k, "GROUP") && space(k + 1) && word(k + 2, "BY"))) return -1;
        if (single || !word(k, "FROM") || !space(k + 1) || k + 2 >= n) continue;
        if (t[k + 2].kind != TToken::Word && t[k + 2].kind != TToken::Quoted) continue;
        // The table, perhaps an alias, and then the condition, the order or the end.
        auto ends = [&](size_t at) { return at >= n || word(at, "WHERE") || word(at, "ORDER"); };
        size_t j = space(k + 3) ? k + 4 : k + 3;
        if (ends(j)) single = true;
        else if (j > k + 3 && t[j].kind == TToken::Word) single = ends(space(j + 1) ? j + 2 : j + 1);
    }
    return single ? at : -1;
}
}  // namespace

platform::db::TStatement* TQuery::Statement() {
    OpenConnection();
    if (!FStmt) {
        QString text = FSQL->Text().trimmed();
        if (text.isEmpty()) DatabaseError(QStringLiteral("No SQL statement available"), this);
        QString sql = FConn->TranslateSql(text);
        if (FRequestLive) {
            // A single-table result stays editable: the engine's row identity rides along.
            const qsizetype at = LiveIdentityPoint(sql);
            if (at >= 0) sql = sql.left(at) + QStringLiteral("rowid AS \"zb$rowid\", ") + sql.mid(at);
        }
        FStmt = FConn->Prepare(sql);
    }
    return FStmt.get();
}

void TQuery::BindParams(platform::db::TStatement* st) {
    for (int i = 0; i < st->ParamCount(); ++i) {
        QString name = st->ParamName(i);
        TParam* p = FParams->FindParam(name);
        st->Bind(i, p ? p->EngineValue() : QVariant());
    }
}

void TQuery::Prepare() {
    Statement();
    FPrepared = true;
}

void TQuery::UnPrepare() {
    FStmt.reset();
    FPrepared = false;
}

void TQuery::ExecSQL() {
    CheckInactive();
    SetParamsFromDataSource();
    platform::db::TStatement* st = Statement();
    st->Reset();
    BindParams(st);
    try {
        while (st->Step()) {
        }
    } catch (...) {
        st->Reset();
        if (!FPrepared) FStmt.reset();
        throw;
    }
    FRowsAffected = int(st->RowsAffected());
    st->Reset();
    if (!FPrepared) FStmt.reset();
}

void TQuery::InternalOpen() {
    try {
        ReadResult();
        return;
    } catch (const EDBEngineError& e) {
        if (e.ErrorCount() == 0 || e.Errors(0).ErrorCode != platform::db::ecLayoutChanged) throw;
    }
    // Another workstation rebuilt a table since the statement was described: describe it again.
    FStmt.reset();
    ReadResult();
}

bool TQuery::DataChanged() {
    if (!Active() || !FConn || !FTrackChanges || FReadVersion < 0) return true;
    return FConn->DataVersion() != FReadVersion;
}

void TQuery::ReadResult() {
    SetParamsFromDataSource();
    platform::db::TStatement* st = Statement();
    st->Reset();
    BindParams(st);
    FRows.clear();
    FLive = false;
    FLiveTable.clear();
    FLiveColumns.clear();
    // Taken before the rows: a change made while they are read moves it past this.
    FReadVersion = FTrackChanges ? FConn->DataVersion() : -1;
    int ncol = st->ColumnCount();
    int first = 0;
    bool hasRowid = ncol > 0 && st->ColumnName(0) == QLatin1String("zb$rowid");
    if (hasRowid) first = 1;
    // Column layout: types from the base columns where known, else from the values.
    std::vector<TFieldType> types(ncol, ftUnknown);
    std::vector<int> sizes(ncol, 0);
    QStringList tables;
    // Each table's layout is read once per open (on a server, every read is a round trip), and
    // stays where it is while the list's types are worked out. Columns come table by table.
    QHash<QString, std::shared_ptr<const platform::db::TTableDesc>> layouts;
    const platform::db::TTableDesc* last = nullptr;
    QString lastTable;
    auto layout = [&](const QString& table) -> const platform::db::TTableDesc& {
        if (last && table == lastTable) return *last;
        const QString key = platform::db::StorageName(table);
        auto it = layouts.find(key);
        if (it == layouts.end()) it = layouts.insert(key, FConn->Layout(table));
        lastTable = table;
        last = it->get();
        return *last;
    };
    for (int c = first; c < ncol; ++c) {
        QString table = st->ColumnTable(c), origin = st->ColumnOrigin(c);
        if (!table.isEmpty() && !origin.isEmpty()) {
            const platform::db::TTableDesc& d = layout(table);
            int ci = d.ColumnIndex(origin, c - first);
            if (ci >= 0) {
                types[c] = FieldTypeOf(d.Columns[ci].Type);
                sizes[c] = d.Columns[ci].Size;
            }
            if (!tables.contains(table, Qt::CaseInsensitive)) tables << table;
        } else {
            tables << QString();
        }
        FLiveColumns << origin;
    }
    qint64 id = 0;
    try {
        while (st->Step()) {
            TRecordBuffer r;
            r.Id = hasRowid ? st->Column(0).toLongLong() : ++id;
            r.Data.reserve(ncol - first);
            for (int c = first; c < ncol; ++c) {
                QVariant v = st->Column(c);
                if (v.typeId() == QMetaType::QString && v.toString().isEmpty()) v = QVariant();
                if (types[c] == ftUnknown || sizes[c] == 0) {
                    if (v.typeId() == QMetaType::QString) sizes[c] = std::max(sizes[c], int(v.toString().size()));
                }
                r.Data.push_back(v);
            }
            FRows.push_back(std::move(r));
        }
    } catch (...) {
        st->Reset();
        throw;
    }
    st->Reset();
    FNextId = id;
    // Computed columns take the type their expression gives, whatever rows came back.
    if (std::find(types.begin() + first, types.end(), ftUnknown) != types.end()) {
        const QString text = FSQL->Text();
        if (text != FWrittenFor) {
            FWrittenTypes.clear();
            for (const auto& w : platform::db::SelectListTypes(text, ncol - first, [&](const QString& t) { return &layout(t); }))
                FWrittenTypes.emplace_back(int(w.Type), w.Size);
            FWrittenFor = text;
        }
        std::vector<platform::db::TSelectColumnType> written;
        if (int(FWrittenTypes.size()) == ncol - first)
            for (const auto& [tipo, tam] : FWrittenTypes) written.push_back({TFieldType(tipo), tam});
        for (int c = first; c < ncol && !written.empty(); ++c) {
            const platform::db::TSelectColumnType& w = written[size_t(c - first)];
            if (types[c] != ftUnknown || w.Type == ftUnknown) continue;
            TFieldType t = w.Type;
            if (t == ftInteger || t == ftSmallint)
                for (auto& r : FRows)
                    if (r.Data[c - first].typeId() == QMetaType::Double) t = ftFloat;
            types[c] = t;
            if (t == ftString) sizes[c] = std::max({sizes[c], w.Size, 1});
        }
    }
    for (int c = first; c < ncol; ++c) {
        if (types[c] != ftUnknown) continue;
        TFieldType t = ftFloat;
        for (auto& r : FRows) {
            const QVariant& v = r.Data[c - first];
            if (!v.isValid() || v.isNull()) continue;
            if (v.typeId() == QMetaType::QString) t = ftString;
            else if (v.typeId() == QMetaType::LongLong) t = (t == ftFloat && &r == &FRows.front()) ? ftInteger : t;
            else if (v.typeId() == QMetaType::QByteArray) t = ftBlob;
            break;
        }
        if (t == ftFloat) {
            // Whole numbers in every row read as an integer column (COUNT, codes).
            bool allInt = !FRows.empty();
            bool any = false;
            for (auto& r : FRows) {
                const QVariant& v = r.Data[c - first];
                if (!v.isValid() || v.isNull()) continue;
                any = true;
                if (v.typeId() != QMetaType::LongLong) allInt = false;
            }
            if (any && allInt) t = ftInteger;
        }
        types[c] = t;
        if (t == ftString && sizes[c] == 0) sizes[c] = 1;
    }
    FieldDefs()->Clear();
    for (int c = first; c < ncol; ++c) {
        QString name = st->ColumnName(c);
        QString unique = name;
        for (int k = 1; FieldDefs()->IndexOf(unique) >= 0; ++k) unique = name + QLatin1Char('_') + QString::number(k);
        FieldDefs()->Add(unique, types[c], types[c] == ftString ? sizes[c] : 0, false);
    }
    if (hasRowid && FRequestLive) {
        QStringList distinct;
        bool exprs = false;
        for (int c = first; c < ncol; ++c) {
            if (FLiveColumns[c - first].isEmpty()) exprs = true;
            QString t = st->ColumnTable(c);
            if (!t.isEmpty() && !distinct.contains(t, Qt::CaseInsensitive)) distinct << t;
        }
        if (!exprs && distinct.size() == 1) {
            FLive = true;
            FLiveTable = distinct.first();
        }
    }
    if (!FPrepared) FStmt.reset();
    Reindex();
}

// A query refreshes by running again; it stays on the same row (same record for a live result,
// same position otherwise).
void TQuery::InternalRefresh() {
    qint64 id = IsEmpty() ? 0 : FBuffers[FActiveRecord].Id;
    int pos = IsEmpty() ? 0 : PosOf(id);
    InternalOpen();
    CountChanged();
    if (FRows.empty()) {
        ClearBuffers();
    } else {
        int p = FLive ? PosOf(id) : -1;
        if (p < 0) p = std::clamp(pos, 0, int(FRows.size()) - 1);
        TRecordBuffer r = FRows[p];
        CalculateFields(r);
        FillBuffers(std::move(r));
    }
    DataEvent(deDataSetChange);
}

void TQuery::InternalClose() {
    FRows.clear();
    FPos.clear();
    TDBDataSet::InternalClose();
}

void TQuery::Reindex() {
    FPos.clear();
    for (int i = 0; i < int(FRows.size()); ++i) FPos.insert(FRows[i].Id, i);
}

int TQuery::PosOf(qint64 id) const { return FPos.value(id, -1); }

std::vector<TRecordBuffer> TQuery::FetchRows(const TRecordBuffer* from, bool forward, int count) {
    std::vector<TRecordBuffer> out;
    int n = int(FRows.size());
    int pos;
    if (!from) pos = forward ? 0 : n - 1;
    else {
        int p = PosOf(from->Id);
        if (p >= 0) pos = forward ? p + 1 : p - 1;
        else if (FDeletedPos >= 0 && from->Id == FDeleted.Id) pos = forward ? FDeletedPos : FDeletedPos - 1;
        else return out;
    }
    while (int(out.size()) < count && pos >= 0 && pos < n) {
        out.push_back(FRows[pos]);
        pos += forward ? 1 : -1;
    }
    return out;
}

bool TQuery::FetchById(qint64 id, TRecordBuffer& rec) {
    int p = PosOf(id);
    if (p < 0) return false;
    if (FLive) {
        // A live row is read again from its table, so edits start from what is stored.
        platform::db::TCursorSpec cursor;
        cursor.Table = FLiveTable;
        cursor.Columns = FLiveColumns;
        TRow row;
        if (!FConn->FetchById(cursor, id, row)) return false;
        FRows[p].Data = std::move(row.Values);
    }
    rec = FRows[p];
    return true;
}

void TQuery::InternalPost(TRecordBuffer& rec, const TRecordBuffer* original, bool inserting) {
    if (!FLive) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    if (inserting) {
        rec.Id = FConn->Insert(FLiveTable, FLiveColumns, rec.Data);
    } else {
        FConn->Update(FLiveTable, rec.Id, FLiveColumns, original->Data, rec.Data);
    }
    // Keep the result in step with the table.
    platform::db::TCursorSpec cursor;
    cursor.Table = FLiveTable;
    cursor.Columns = FLiveColumns;
    TRow row;
    TRecordBuffer stored = rec;
    if (FConn->FetchById(cursor, rec.Id, row)) {
        stored.Data = std::move(row.Values);
        for (auto& v : stored.Data)
            if (v.typeId() == QMetaType::QString && v.toString().isEmpty()) v = QVariant();
    }
    int p = PosOf(rec.Id);
    if (p >= 0) FRows[p] = stored;
    else {
        int at = int(FRows.size());
        if (original == nullptr && !IsEmpty()) {
            // Inserted rows stand where they were inserted.
            int cur = ActiveRecord();
            int before = cur + 1 < BufferedRecordCount() ? PosOf(FBuffers[cur + 1].Id) : -1;
            if (before >= 0) at = before;
        }
        FRows.insert(FRows.begin() + at, stored);
        Reindex();
    }
}

void TQuery::InternalDelete(const TRecordBuffer& rec) {
    if (!FLive) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    FConn->Delete(FLiveTable, rec.Id, FLiveColumns, rec.Data);
    int p = PosOf(rec.Id);
    if (p >= 0) {
        // Neighbours stay findable for repositioning: keep a tombstone-free list and re-index.
        TRecordBuffer gone = FRows[p];
        FRows.erase(FRows.begin() + p);
        Reindex();
        FDeleted = gone;
        FDeletedPos = p;
    }
}

bool TQuery::LockRecord(const TRecordBuffer& rec) { return !FLive || FConn->LockRecord(FLiveTable, rec.Id, this); }
void TQuery::UnlockRecord(const TRecordBuffer& rec) {
    if (FLive) FConn->UnlockRecord(FLiveTable, rec.Id, this);
}
