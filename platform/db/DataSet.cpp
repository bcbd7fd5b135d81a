// The dataset: states, a window of record buffers over a cursor, navigation, editing with the
// before/after events and the error events, bookmarks, searching and filtering.
#include "platform/db/Collation.h"
#include "platform/db/DB.h"
#include "platform/db/Driver.h"

#include <algorithm>

using platform::db::TRecordBuffer;

namespace {

// Runs `op`; an EDatabaseError goes to the dataset's error event, whose action decides:
// fail re-raises, abort raises the silent EAbort, retry runs the operation again.
template <class F>
void CheckOperation(TDataSet* ds, const TDataSetErrorEvent& handler, F&& op) {
    for (;;) {
        try {
            op();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (handler) handler(ds, e, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

// Key comparison for Locate/Lookup on fields of any kind.
bool Matches(TField* f, const Variant& value, TLocateOptions options) {
    if (value.IsNullOrEmpty()) return f->IsNull();
    if (f->IsNull()) return false;
    if (f->DataType() == ftString || f->DataType() == ftMemo) {
        return platform::db::TextMatches(f->AsString(), value.AsString(), options & loPartialKey, options & loCaseInsensitive);
    }
    if (f->DataType() == ftBoolean) return f->AsBoolean() == value.AsBoolean();
    switch (value.VarType()) {
    case TVarType::varString: return f->AsString() == value.AsString();
    default: return f->AsFloat() == value.AsFloat();
    }
}
}  // namespace

// Shows `rec` to the fields in `state` for the life of the scope (calculating, filtering, searching).
class TDataSet::TRecordScope {
public:
    TRecordScope(TDataSet* ds, TRecordBuffer* rec, TDataSetState state)
        : FDs(ds), FSavedRec(ds->FTempRecord), FSavedState(ds->FState) {
        ds->FTempRecord = rec;
        ds->FState = state;
    }
    ~TRecordScope() {
        FDs->FTempRecord = FSavedRec;
        FDs->FState = FSavedState;
    }
    TRecordScope(const TRecordScope&) = delete;
    TRecordScope& operator=(const TRecordScope&) = delete;

private:
    TDataSet* FDs;
    TRecordBuffer* FSavedRec;
    TDataSetState FSavedState;
};

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), FFields(std::make_unique<TFields>(this)), FFieldDefs(std::make_unique<TFieldDefs>()) {}

TDataSet::~TDataSet() {
    try {
        if (Active()) {
            SetComponentState(ComponentState() | csDestroying);
            FreeLock();
            FState = dsInactive;
            CloseCursor();
        }
    } catch (...) {
    }
    for (TDataSource* ds : std::vector<TDataSource*>(FDataSources)) ds->FDataSet = nullptr;
    // Persistent fields belong to their owner; detach them so they do not point at us.
    while (FFields->Count() > 0) {
        TField* f = FFields->Fields(FFields->Count() - 1);
        FFields->Remove(f);
        f->FDataSet = nullptr;
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (FStreamedActive) SetActive(true);
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

void TDataSet::CheckActive() const {
    if (FState == dsInactive) DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), const_cast<TDataSet*>(this));
    EnsureFresh();
}
void TDataSet::CheckInactive() const {
    if (FState != dsInactive) DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), const_cast<TDataSet*>(this));
}

void TDataSet::RunEvent(const TDataSetNotifyEvent& event) {
    if (event) event(this);
}

void TDataSet::SetState(TDataSetState value) {
    if (FState == value) return;
    FState = value;
    FModified = false;
    DataEvent(deUpdateState);
}

// ---------------------------------------------------------------------------------------------- open/close

void TDataSet::SetActive(bool value) {
    if (HasState(csLoading)) {
        FStreamedActive = value;
        return;
    }
    if (value == Active()) return;
    FStale = false;
    if (value) {
        RunEvent(BeforeOpen);
        try {
            OpenCursor();
        } catch (...) {
            CloseCursor();
            FState = dsInactive;
            throw;
        }
        ReadFromStart();  // links told of the open find the first rows there
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        RunEvent(AfterOpen);
        if (!IsEmpty()) DoAfterScroll();
    } else {
        if (!HasState(csDestroying)) RunEvent(BeforeClose);
        FreeLock();
        SetState(dsInactive);
        CloseCursor();
        if (!HasState(csDestroying)) RunEvent(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    FFieldDefs->Clear();
    InternalOpen();
    if (FDefaultFields) CreateFields();
    BindFields();
    FCountCache = -1;
}

void TDataSet::CloseCursor() {
    ClearBuffers();
    InternalClose();
    if (FDefaultFields) {
        std::vector<TField*> dyn;
        for (int i = 0; i < FFields->Count(); ++i)
            if (FFields->Fields(i)->FDynamic) dyn.push_back(FFields->Fields(i));
        for (TField* f : dyn) delete f;
    }
}

void TDataSet::CreateFields() {
    for (int i = 0; i < FFieldDefs->Count(); ++i) {
        TField* f = FFieldDefs->Items(i)->CreateField(this);
        f->FDynamic = true;
        f->SetDataSet(this);
    }
}

void TDataSet::BindFields() {
    int calc = 0, next = 0;
    for (int i = 0; i < FFields->Count(); ++i) {
        TField* f = FFields->Fields(i);
        if (f->FFieldKind == fkData) {
            const int slot = FFieldDefs->IndexOf(f->FFieldName, next);
            if (slot < 0) DatabaseError(QStringLiteral("Field '%1' not found").arg(f->DisplayName()), this);
            f->FFieldNo = slot;
            next = slot + 1;
            if (f->FDynamic) continue;
            TFieldDef* def = FFieldDefs->Items(slot);
            if (f->DataType() == ftString && def->DataType == ftString && def->Size > 0) f->SetSize(def->Size);
        } else {
            f->FFieldNo = calc++;
        }
    }
}

// ---------------------------------------------------------------------------------------------- buffers

void TDataSet::ClearBuffers() {
    FBuffers.clear();
    FSpareData.clear();
    FActiveRecord = 0;
    FBof = FEof = true;
    FWindowAtStart = FWindowAtEnd = true;
    ForgetPeeks();
    FRecNoId = 0;
}

TRecordBuffer* TDataSet::CurrentRecord() const {
    EnsureFresh();
    auto* self = const_cast<TDataSet*>(this);
    if (FState == dsSetKey && FKeyBuffer) return FKeyBuffer.get();
    if (FTempRecord) return FTempRecord;
    if (FBuffers.empty()) return nullptr;
    int i = std::clamp(FActiveRecord, 0, int(FBuffers.size()) - 1);
    return &self->FBuffers[i];
}

QVariant TDataSet::GetFieldData(const TField* field) const {
    TRecordBuffer* rec = CurrentRecord();
    if (!rec || field->FFieldNo < 0) return QVariant();
    if (field->FFieldKind == fkLookup && size_t(field->FFieldNo) < rec->Unlooked.size() && rec->Unlooked[field->FFieldNo] &&
        size_t(field->FFieldNo) < rec->Calc.size())
        const_cast<TDataSet*>(this)->LookUp(*rec, const_cast<TField*>(field));
    const auto& vec = field->FFieldKind == fkData ? rec->Data : rec->Calc;
    if (field->FFieldNo >= int(vec.size())) return QVariant();
    return vec[field->FFieldNo];
}

void TDataSet::SetFieldData(TField* field, QVariant value) {
    if (!(FState == dsEdit || FState == dsInsert || FState == dsSetKey || FState == dsCalcFields || FState == dsFilter))
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
    if (field->FFieldKind == fkLookup && FState != dsCalcFields) {
        // Setting a lookup field picks the lookup record with that result and copies its keys.
        TDataSet* lds = field->LookupDataSet();
        if (!lds) return;
        Variant keys = lds->Lookup(field->LookupResultField(), platform::db::BlankValue(value) ? Null() : Variant(value.toString()),
                                   field->LookupKeyFields());
        auto targets = GetFieldList(field->KeyFields());
        if (targets.size() == 1) targets[0]->SetValue(keys);
        else if (keys.IsArray())
            for (size_t i = 0; i < targets.size() && i < keys.AsArray().size(); ++i) targets[i]->SetValue(keys.AsArray()[i]);
        return;
    }
    if (FState != dsCalcFields && FState != dsSetKey && field->ReadOnly())
        DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()), this);
    TRecordBuffer* rec = CurrentRecord();
    if (!rec || field->FFieldNo < 0) return;
    auto& vec = field->FFieldKind == fkData ? rec->Data : rec->Calc;
    if (field->FFieldNo >= int(vec.size())) vec.resize(field->FFieldNo + 1);
    // Values set while calculating, filtering or keying are not validated: nothing to restore.
    if (FState == dsCalcFields || FState == dsFilter || FState == dsSetKey) {
        vec[field->FFieldNo] = std::move(value);
        if (FState == dsSetKey && field->FFieldKind == fkData) {
            if (int(rec->Assigned.size()) <= field->FFieldNo) rec->Assigned.resize(rec->Data.size() > size_t(field->FFieldNo) ? rec->Data.size() : field->FFieldNo + 1, 0);
            rec->Assigned[field->FFieldNo] = 1;
        }
        return;
    }
    QVariant old = vec[field->FFieldNo];
    vec[field->FFieldNo] = value;
    try {
        field->Validate(value);
    } catch (...) {
        vec[field->FFieldNo] = old;
        throw;
    }
    FModified = true;
    field->OnChange(field);
    if (field->FFieldKind == fkData && FAutoCalcFields) {
        TRecordBuffer* r = CurrentRecord();
        if (r) CalculateFields(*r);
    }
    DataEvent(deFieldChange, qint64(reinterpret_cast<quintptr>(field)));
}

void TDataSet::NewRecordBuffer(TRecordBuffer& rec) {
    rec.Id = 0;
    rec.Data.clear();
    rec.Data.resize(FFieldDefs->Count());
    int calc = 0;
    for (const TField* f : FFields->List())
        if (f->FFieldKind != fkData) ++calc;
    rec.Calc.clear();
    rec.Calc.resize(calc);
    rec.Unlooked.clear();
}

void TDataSet::CalculateFields(TRecordBuffer& rec) {
    int calc = 0;
    bool lookups = false;
    for (const TField* f : FFields->List()) {
        if (f->FFieldKind != fkData) ++calc;
        if (f->FFieldKind == fkLookup) lookups = true;
    }
    rec.Unlooked.clear();
    if (calc == 0) return;
    rec.Calc.assign(calc, QVariant());
    // Lookups wait until read: a grid shows few of a row's lookup fields, and a hidden one
    // costs a query per row on a server.
    if (lookups) {
        rec.Unlooked.assign(calc, 0);
        for (const TField* f : FFields->List())
            if (f->FFieldKind == fkLookup && f->FFieldNo >= 0 && f->FFieldNo < calc) rec.Unlooked[f->FFieldNo] = 1;
    }
    if (!FAutoCalcFields || !OnCalcFields) return;
    TRecordScope scope(this, &rec, dsCalcFields);
    OnCalcFields(this);
}

void TDataSet::LookUp(TRecordBuffer& rec, TField* f) {
    rec.Unlooked[f->FFieldNo] = 0;
    if (!f->LookupDataSet() || !f->LookupDataSet()->Active()) return;
    auto keys = GetFieldList(f->KeyFields());
    auto keyOf = [&](TRecordBuffer& r) {
        TRecordScope scope(this, &r, dsCalcFields);
        if (keys.size() == 1) return keys[0]->Value();
        std::vector<Variant> arr;
        for (TField* k : keys) arr.push_back(k->Value());
        return VarArrayOf(arr);
    };
    auto store = [&](TRecordBuffer& r, const Variant& value) {
        if (value.IsNullOrEmpty()) return;
        TRecordScope scope(this, &r, dsCalcFields);
        f->SetValue(value);
    };
    // A row of the window: the rows shown with it are drawn next, so their values for this
    // field are asked for in the same query.
    std::vector<TRecordBuffer*> rows{&rec};
    if (keys.size() == 1 && !FBuffers.empty() && &rec >= FBuffers.data() && &rec < FBuffers.data() + FBuffers.size())
        for (TRecordBuffer& r : FBuffers)
            if (&r != &rec && size_t(f->FFieldNo) < r.Unlooked.size() && r.Unlooked[f->FFieldNo]) rows.push_back(&r);
    if (rows.size() == 1) return store(rec, f->LookupDataSet()->Lookup(f->LookupKeyFields(), keyOf(rec), f->LookupResultField()));
    std::vector<Variant> wanted;
    for (TRecordBuffer* r : rows) wanted.push_back(keyOf(*r));
    const std::vector<Variant> found = f->LookupDataSet()->LookupMany(f->LookupKeyFields(), wanted, f->LookupResultField());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i]->Unlooked[f->FFieldNo] = 0;
        store(*rows[i], found[i]);
    }
}

bool TDataSet::RecordMatches(TRecordBuffer& rec, TField* field, const Variant& value) {
    TRecordScope scope(this, &rec, dsCalcFields);
    return Matches(field, value, 0);
}

Variant TDataSet::RecordValues(TRecordBuffer& rec, const QString& fieldNames) {
    TRecordScope scope(this, &rec, dsCalcFields);
    return FieldValues(fieldNames);
}

bool TDataSet::AcceptRecord(TRecordBuffer& rec) {
    if (!FFiltered || !OnFilterRecord) return true;
    TRecordScope scope(this, &rec, dsFilter);
    bool accept = true;
    OnFilterRecord(this, accept);
    return accept;
}

std::vector<TRecordBuffer> TDataSet::FetchFiltered(const TRecordBuffer* from, bool forward, int count) {
    bool filtering = FFiltered && OnFilterRecord;
    if (!filtering) {
        if (count <= 0) return {};
        std::vector<TRecordBuffer> rows = FetchRows(from, forward, count);
        for (auto& r : rows) CalculateFields(r);
        return rows;
    }
    std::vector<TRecordBuffer> out;
    TRecordBuffer last;
    const TRecordBuffer* cur = from;
    while (int(out.size()) < count) {
        int want = filtering ? std::max(16, count - int(out.size())) : count - int(out.size());
        std::vector<TRecordBuffer> rows = FetchRows(cur, forward, want);
        if (int(rows.size()) == want && !rows.empty()) last = rows.back();
        for (auto& r : rows) {
            CalculateFields(r);
            if (AcceptRecord(r)) {
                out.push_back(std::move(r));
                if (int(out.size()) == count) break;
            }
        }
        if (int(rows.size()) < want || int(out.size()) == count) break;
        cur = &last;
    }
    return out;
}

void TDataSet::FillBuffers(TRecordBuffer center) {
    FRecNoId = 0;  // a jump, or rows posted or deleted: the number is read again when asked
    // The window stays full whenever the cursor holds enough rows: what is missing after the
    // current record is taken from before it. One row more than needed on each side tells
    // whether the window reaches the cursor's start or end.
    const int want = FBufferCount;
    if (want == 1) {
        // A one-row window (a table no grid shows): its neighbours are read by the step that
        // needs them, so a search or a post costs one read.
        if (FBuffers.size() == 1) {
            swap(FBuffers.front(), center);
            FSpareData.swap(center.Data);
        } else {
            FBuffers.clear();
            FBuffers.push_back(std::move(center));
        }
        FActiveRecord = 0;
        FBof = FEof = false;
        FWindowAtStart = FWindowAtEnd = false;
        ForgetPeeks();
        return;
    }
    std::vector<TRecordBuffer> prior, next;
    bool atStart = false, atEnd = false;
    TRecordBuffer outPrior, outNext;
    auto more = [&](std::vector<TRecordBuffer>& side, bool forward, bool& reached, int count) {
        if (reached || count < 0) return;
        auto rows = FetchFiltered(side.empty() ? &center : &side.back(), forward, count + 1);
        reached = int(rows.size()) <= count;
        if (!reached) {
            (forward ? outNext : outPrior) = std::move(rows.back());
            rows.pop_back();
        }
        for (auto& r : rows) side.push_back(std::move(r));
    };
    more(prior, false, atStart, std::min(FActiveRecord, want - 1));
    more(next, true, atEnd, want - 1 - int(prior.size()));
    if (int(prior.size() + next.size()) + 1 < want) more(prior, false, atStart, want - 1 - int(prior.size() + next.size()));
    FBuffers.clear();
    for (auto it = prior.rbegin(); it != prior.rend(); ++it) FBuffers.push_back(std::move(*it));
    FActiveRecord = int(FBuffers.size());
    FBuffers.push_back(std::move(center));
    for (auto& r : next) FBuffers.push_back(std::move(r));
    FBof = FEof = false;
    FWindowAtStart = atStart;
    FWindowAtEnd = atEnd;
    FPeekPrior = {true, FBuffers.front().Id, !atStart, std::move(outPrior)};
    FPeekNext = {true, FBuffers.back().Id, !atEnd, std::move(outNext)};
}

bool TDataSet::StepOutside(bool forward, TRecordBuffer& row) {
    // The row beyond the window's end: the one read before when it still neighbours that end.
    TPeek& peek = forward ? FPeekNext : FPeekPrior;
    const TRecordBuffer& edge = forward ? FBuffers.back() : FBuffers.front();
    if (peek.Known && peek.Anchor == edge.Id) {
        if (!peek.Exists) return false;
        row = std::move(peek.Row);
    } else if (!FetchNextRow(&edge, forward, row)) {
        peek = {true, edge.Id, false, {}};
        return false;
    }
    // One row further tells whether the cursor ends there; reading on from the row just read
    // is what the engine's read-ahead serves.
    peek.Known = true;
    peek.Anchor = row.Id;
    peek.Row = TRecordBuffer();
    peek.Exists = FetchNextRow(&row, forward, peek.Row);
    (forward ? FWindowAtEnd : FWindowAtStart) = !peek.Exists;
    return true;
}

// A one-row window steps by turning its three rows round: the row left becomes the one
// behind, the one ahead is shown, and the storage of the one dropped takes the next row read.
bool TDataSet::StepSingle(bool forward) {
    TRecordBuffer& cur = FBuffers.front();
    TPeek& ahead = forward ? FPeekNext : FPeekPrior;
    TPeek& behind = forward ? FPeekPrior : FPeekNext;
    if (!ahead.Known || ahead.Anchor != cur.Id) {
        ahead.Known = false;
        ahead.Exists = FetchNextRow(&cur, forward, ahead.Row);
        ahead.Known = true;
        ahead.Anchor = cur.Id;
    }
    if (!ahead.Exists) return false;
    swap(behind.Row, cur);
    swap(cur, ahead.Row);
    behind.Known = behind.Exists = true;
    behind.Anchor = cur.Id;
    ahead.Known = false;
    ahead.Exists = FetchNextRow(&cur, forward, ahead.Row);
    ahead.Known = true;
    ahead.Anchor = cur.Id;
    (forward ? FWindowAtEnd : FWindowAtStart) = !ahead.Exists;
    (forward ? FWindowAtStart : FWindowAtEnd) = false;
    return true;
}

bool TDataSet::FetchNextRow(const TRecordBuffer* from, bool forward, TRecordBuffer& row) {
    if (FFiltered && OnFilterRecord) {
        auto rows = FetchFiltered(from, forward, 1);
        if (rows.empty()) return false;
        row = std::move(rows[0]);
        return true;
    }
    if (!FetchOne(from, forward, row)) return false;
    CalculateFields(row);
    return true;
}

bool TDataSet::FetchOne(const TRecordBuffer* from, bool forward, TRecordBuffer& row) {
    auto rows = FetchRows(from, forward, 1);
    if (rows.empty()) return false;
    row = std::move(rows[0]);
    return true;
}

void TDataSet::FillBuffersCentered(TRecordBuffer center) {
    FActiveRecord = (FBufferCount - 1) / 2;
    FillBuffers(std::move(center));
}

void TDataSet::SetBufferCount(int count) {
    count = std::max(1, count);
    if (count == FBufferCount) return;
    const bool smaller = count < FBufferCount;
    FBufferCount = count;
    if (Active() && FState == dsBrowse && !FBuffers.empty()) {
        if (smaller) {
            ShrinkWindow();
        } else {
            TRecordBuffer cur = FBuffers[FActiveRecord];
            FillBuffers(cur);
        }
    }
    UpdateLinkRanges();
}

// A smaller window keeps the rows it holds around the current record, as a new read would
// place them: the rows after it go first. Each row that leaves stays known as the neighbour of
// the new end, so a grid that loses a line reads nothing.
void TDataSet::ShrinkWindow() {
    while (int(FBuffers.size()) > FBufferCount) {
        if (FActiveRecord < int(FBuffers.size()) - 1) {
            FPeekNext = {true, FBuffers[FBuffers.size() - 2].Id, true, std::move(FBuffers.back())};
            FBuffers.pop_back();
            FWindowAtEnd = false;
        } else {
            FPeekPrior = {true, FBuffers[1].Id, true, std::move(FBuffers.front())};
            FBuffers.erase(FBuffers.begin());
            FWindowAtStart = false;
            --FActiveRecord;
        }
    }
}

void TDataSet::UpdateLinkRanges() {
    for (TDataSource* s : FDataSources)
        for (TDataLink* l : s->FLinks)
            if (l->FActive) l->UpdateRange(0);
}

void TDataSet::SetActiveRecordIndex(int index) {
    if (index >= 0 && index < int(FBuffers.size())) FActiveRecord = index;
}

// ---------------------------------------------------------------------------------------------- navigation

bool TDataSet::IsEmpty() const {
    EnsureFresh();
    return FBuffers.empty();
}

bool TDataSet::Watched() const {
    for (const TDataSource* s : FDataSources)
        if (!s->FLinks.empty() || s->OnDataChange || s->OnStateChange || s->OnUpdateData) return true;
    return false;
}

void TDataSet::DoBeforeScroll() { RunEvent(BeforeScroll); }
void TDataSet::DoAfterScroll() { RunEvent(AfterScroll); }

void TDataSet::Scrolled(int distance) { DataEvent(deDataSetScroll, distance); }

void TDataSet::ReadFromStart() {
    FBuffers = FetchFiltered(nullptr, true, FBufferCount + 1);
    FRecNoCache = 1;
    FRecNoId = FBuffers.empty() ? 0 : FBuffers.front().Id;
    FWindowAtStart = true;
    FWindowAtEnd = int(FBuffers.size()) <= FBufferCount;
    ForgetPeeks();
    if (!FBuffers.empty()) FPeekPrior = {true, FBuffers.front().Id, false, {}};
    if (!FWindowAtEnd) {
        FPeekNext = {true, FBuffers[FBuffers.size() - 2].Id, true, std::move(FBuffers.back())};
        FBuffers.pop_back();
    }
    FActiveRecord = 0;
    FBof = true;
    FEof = FBuffers.empty();
}

void TDataSet::First() {
    EnsureFresh();
    CheckBrowseMode();
    DoBeforeScroll();
    ReadFromStart();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last() {
    EnsureFresh();
    CheckBrowseMode();
    DoBeforeScroll();
    std::vector<TRecordBuffer> rows = FetchFiltered(nullptr, false, FBufferCount + 1);
    FWindowAtEnd = true;
    FWindowAtStart = int(rows.size()) <= FBufferCount;
    ForgetPeeks();
    if (!rows.empty()) FPeekNext = {true, rows.front().Id, false, {}};
    if (!FWindowAtStart) {
        FPeekPrior = {true, rows[rows.size() - 2].Id, true, std::move(rows.back())};
        rows.pop_back();
    }
    std::reverse(rows.begin(), rows.end());
    FBuffers = std::move(rows);
    FActiveRecord = std::max(0, int(FBuffers.size()) - 1);
    FEof = true;
    FBof = FBuffers.empty();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && FEof) || (distance < 0 && FBof)) return 0;
    DoBeforeScroll();
    const bool numbered = FRecNoId != 0 && !FBuffers.empty() && FBuffers[FActiveRecord].Id == FRecNoId;
    int moved = 0;
    int scrolled = 0;
    FBof = FEof = false;
    while (moved != distance) {
        if (distance > 0) {
            if (FActiveRecord < int(FBuffers.size()) - 1) {
                ++FActiveRecord;
            } else {
                if (FBuffers.empty()) { FEof = true; break; }
                if (FBufferCount == 1 && FBuffers.size() == 1) {
                    if (!StepSingle(true)) {
                        FEof = FWindowAtEnd = true;
                        break;
                    }
                    ++scrolled;
                    ++moved;
                    continue;
                }
                TRecordBuffer row;
                if (!StepOutside(true, row)) {
                    FEof = FWindowAtEnd = true;
                    break;
                }
                FBuffers.push_back(std::move(row));
                if (int(FBuffers.size()) > FBufferCount) {
                    // The row leaving the window stays known as its neighbour: a step back
                    // reads nothing for it.
                    FPeekPrior = {true, FBuffers[1].Id, true, std::move(FBuffers.front())};
                    FBuffers.erase(FBuffers.begin());
                    FWindowAtStart = false;
                    ++scrolled;
                }
                FActiveRecord = int(FBuffers.size()) - 1;
            }
            ++moved;
        } else {
            if (FActiveRecord > 0) {
                --FActiveRecord;
            } else {
                if (FBuffers.empty()) { FBof = true; break; }
                if (FBufferCount == 1 && FBuffers.size() == 1) {
                    if (!StepSingle(false)) {
                        FBof = FWindowAtStart = true;
                        break;
                    }
                    --scrolled;
                    --moved;
                    continue;
                }
                TRecordBuffer row;
                if (!StepOutside(false, row)) {
                    FBof = FWindowAtStart = true;
                    break;
                }
                FBuffers.insert(FBuffers.begin(), std::move(row));
                if (int(FBuffers.size()) > FBufferCount) {
                    FPeekNext = {true, FBuffers[FBuffers.size() - 2].Id, true, std::move(FBuffers.back())};
                    FBuffers.pop_back();
                    FWindowAtEnd = false;
                    --scrolled;
                }
                FActiveRecord = 0;
            }
            --moved;
        }
    }
    if (numbered && !FBuffers.empty()) {
        FRecNoCache += moved;
        FRecNoId = FBuffers[FActiveRecord].Id;
    } else {
        FRecNoId = 0;
    }
    if (moved != 0 || scrolled != 0) Scrolled(scrolled);
    DoAfterScroll();
    return moved;
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::RecNo() const {
    CheckActive();
    if (FState == dsInsert || FBuffers.empty()) return FState == dsInsert ? -1 : 0;
    auto* self = const_cast<TDataSet*>(this);
    const TRecordBuffer& cur = FBuffers[FActiveRecord];
    if (FFiltered && OnFilterRecord) {
        int n = 1;
        const TRecordBuffer* from = nullptr;
        TRecordBuffer last;
        for (;;) {
            auto rows = self->FetchFiltered(from, true, 64);
            for (auto& r : rows) {
                if (r.Id == cur.Id) return n;
                ++n;
            }
            if (rows.size() < 64) return n;
            last = rows.back();
            from = &last;
        }
    }
    if (cur.Id == 0 || cur.Id != FRecNoId) {
        // A window that holds the cursor's first or last row numbers its rows without counting.
        if (CursorRecNoCheap()) FRecNoCache = self->CursorRecNo(cur);
        else if (FWindowAtStart) FRecNoCache = FActiveRecord + 1;
        else if (FWindowAtEnd) FRecNoCache = RecordCount() - (int(FBuffers.size()) - 1 - FActiveRecord);
        else FRecNoCache = self->CursorRecNo(cur);
        FRecNoId = cur.Id;
    }
    return FRecNoCache;
}

bool TDataSet::RecNoKnown() const {
    if (!Active() || FState == dsInsert || FBuffers.empty()) return true;
    if (FFiltered && OnFilterRecord) return false;
    const TRecordBuffer& cur = FBuffers[FActiveRecord];
    return (cur.Id != 0 && cur.Id == FRecNoId) || FWindowAtStart || FWindowAtEnd || CursorRecNoCheap();
}

void TDataSet::SetRecNo(int value) {
    First();
    if (value > 1) MoveBy(value - 1);
}

int TDataSet::RecordCount() const {
    CheckActive();
    auto* self = const_cast<TDataSet*>(this);
    if (FFiltered && OnFilterRecord) {
        int n = 0;
        const TRecordBuffer* from = nullptr;
        TRecordBuffer last;
        for (;;) {
            auto rows = self->FetchFiltered(from, true, 256);
            n += int(rows.size());
            if (rows.size() < 256) return n;
            last = rows.back();
            from = &last;
        }
    }
    if (FCountCache < 0) FCountCache = RecordCountKnown() ? int(FBuffers.size()) : self->CursorCount();
    return FCountCache;
}

bool TDataSet::RecordCountKnown() const {
    if (!Active()) return true;
    if (!IsSequenced()) return false;
    if (FCountCache >= 0) return true;
    // A window that reaches both ends of the cursor holds all of its rows.
    return FState == dsBrowse && FWindowAtStart && FWindowAtEnd && !FBuffers.empty() && FBufferCount > 1;
}

void TDataSet::Resync() {
    CheckActive();
    FCountCache = -1;
    FRecNoId = 0;
    InvalidateCache();
    ForgetPeeks();
    if (FBuffers.empty()) {
        ReadFromStart();
        DataEvent(deDataSetChange);
        return;
    }
    TRecordBuffer old = FBuffers[FActiveRecord];
    TRecordBuffer fresh;
    if (old.Id != 0 && FetchById(old.Id, fresh)) {
        CalculateFields(fresh);
        FillBuffers(std::move(fresh));
    } else {
        auto rows = FetchFiltered(&old, true, 1);
        if (rows.empty()) rows = FetchFiltered(&old, false, 1);
        if (rows.empty()) ClearBuffers();
        else FillBuffers(std::move(rows[0]));
    }
    DataEvent(deDataSetChange);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    InternalRefresh();
}

void TDataSet::InternalRefresh() { Resync(); }

void TDataSet::DisableControls() { ++FDisableCount; }

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0 && FPendingChange) {
        FPendingChange = false;
        DataEvent(deUpdateState);
        DataEvent(deDataSetChange);
    }
}

// ---------------------------------------------------------------------------------------------- editing

bool TDataSet::CanModify() const { return !FReadOnly && CursorCanModify(); }

void TDataSet::SetReadOnly(bool value) {
    CheckInactive();
    FReadOnly = value;
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified) Post();
        else Cancel();
        break;
    case dsSetKey: EndSetKey(); break;
    default: break;
    }
}

void TDataSet::UpdateRecord() {
    if (!(FState == dsEdit || FState == dsInsert || FState == dsSetKey))
        DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
    DataEvent(deUpdateRecord);
}

void TDataSet::FreeLock() {
    if (FLocked && !FBuffers.empty()) UnlockRecord(FOriginal);
    FLocked = false;
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    CheckActive();
    if (FBuffers.empty()) return Insert();
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    HoldWriteTicket(0, 0);  // another record: a post that failed before is not this one's
    RunEvent(BeforeEdit);
    CheckOperation(this, OnEditError, [this] { DoEdit(); });
    SetState(dsEdit);
    DataEvent(deRecordChange);
    RunEvent(AfterEdit);
}

void TDataSet::DoEdit() {
    TRecordBuffer& cur = FBuffers[FActiveRecord];
    if (!LockRecord(cur)) platform::db::EngineError(platform::db::ecRecordLocked);
    FLocked = true;
    FOriginal = cur;
    TRecordBuffer fresh;
    bool found = false;
    try {
        found = cur.Id == 0 ? true : FetchById(cur.Id, fresh);
    } catch (...) {
        FreeLock();
        throw;
    }
    if (!found) {
        FreeLock();
        platform::db::EngineError(platform::db::ecRecordChanged);
    }
    if (cur.Id != 0) {
        CalculateFields(fresh);
        bool stale = fresh.Data != cur.Data;
        cur = fresh;
        FOriginal = std::move(fresh);
        if (stale) {
            // Someone changed the record since we read it: show the new values, edit nothing.
            FreeLock();
            DataEvent(deRecordChange);
            platform::db::EngineError(platform::db::ecRecordChanged);
        }
    }
}

void TDataSet::Insert() { DoInsert(false); }
void TDataSet::Append() { DoInsert(true); }

void TDataSet::DoInsert(bool append) {
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    HoldWriteTicket(0, 0);
    RunEvent(BeforeInsert);
    DoBeforeScroll();
    TRecordBuffer rec;
    NewRecordBuffer(rec);
    InternalInitRecord(rec);
    ForgetPeeks();
    FRecNoId = 0;
    if (append) {
        // Appending happens at the end: the window shows the last records before the new one.
        std::vector<TRecordBuffer> tail = FetchFiltered(nullptr, false, FBufferCount - 1);
        std::reverse(tail.begin(), tail.end());
        FBuffers = std::move(tail);
    }
    int pos = append ? int(FBuffers.size()) : (FBuffers.empty() ? 0 : FActiveRecord);
    FBuffers.insert(FBuffers.begin() + pos, rec);
    if (int(FBuffers.size()) > FBufferCount) {
        if (append) {
            FBuffers.erase(FBuffers.begin());
            --pos;
        } else {
            FBuffers.pop_back();
        }
    }
    FActiveRecord = pos;
    FInsertPos = pos;
    FBof = FEof = false;
    SetState(dsInsert);
    try {
        CalculateFields(FBuffers[FActiveRecord]);
        OnNewRecord(this);
    } catch (...) {
        FBuffers.erase(FBuffers.begin() + FActiveRecord);
        SetState(dsBrowse);
        Resync();
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange);
    RunEvent(AfterInsert);
    DoAfterScroll();
}

void TDataSet::CheckRequiredFields() {
    for (int i = 0; i < FFields->Count(); ++i) {
        TField* f = FFields->Fields(i);
        if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
            f->FocusControl();
            DatabaseError(QStringLiteral("Field '%1' must have a value").arg(f->DisplayName()));
        }
    }
}

namespace platform::db {
std::function<void(const QString&)> OnTransactionLeak = [](const QString& what) { qCritical("%s", qPrintable(what)); };
}

// Ends, on every way out of a post or a delete, what the operation left pending: work bound to
// the post, and any transaction opened during the operation that nobody closed.
class TDataSet::TOperationGuard {
public:
    TOperationGuard(TDataSet* ds, const char* operation) : FDataSet(ds), FOperation(operation) {
        FWasInTransaction = ds->TransactionActive();
    }
    ~TOperationGuard() {
        try {
            FDataSet->EndPostWork(false);
            if (!FWasInTransaction && FDataSet->TransactionActive()) {
                if (platform::db::OnTransactionLeak)
                    platform::db::OnTransactionLeak(QStringLiteral("%1.%2 left a transaction open")
                                                        .arg(FDataSet->Name(), QLatin1String(FOperation)));
                FDataSet->AbandonTransaction();
            }
        } catch (...) {
            // Nothing may escape while the operation unwinds; the engine has already said why.
        }
    }

private:
    TDataSet* FDataSet;
    const char* FOperation;
    bool FWasInTransaction = false;
};

void TDataSet::EndPostWork(bool written) {
    if (!FPostEnd) return;
    auto end = std::move(FPostEnd);
    FPostEnd = nullptr;
    end(written);
}

void TDataSet::Post() {
    if (FState == dsSetKey) return EndSetKey();
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert) return;
    FPostEnd = nullptr;
    TOperationGuard guard(this, "Post");
    DataEvent(deCheckBrowseMode);
    // The last post's commit lost its answer: settled first, so that a record the server
    // stored is shown stored and never written twice.
    if (FWriteTicket) {
        bool stored = false;
        CheckOperation(this, OnPostError, [&] { stored = SettlePost(); });
        if (stored) {
            AfterPostRow();
            RunEvent(AfterPost);
            return;
        }
    }
    RunEvent(BeforePost);
    CheckOperation(this, OnPostError, [this] { DoPost(); });
    AfterPostRow();
    RunEvent(AfterPost);
}

void TDataSet::DoPost() {
    CheckRequiredFields();
    TRecordBuffer& cur = FBuffers[FActiveRecord];
    bool inserting = FState == dsInsert;
    // Work bound to the post may write the record again: it is read back after that work.
    const bool bound = bool(FPostEnd);
    // The lock taken by the edit went if the connection to the server was lost meanwhile: it is
    // taken again, or the record is another workstation's now.
    if (!inserting && FLocked && !LockRecord(FOriginal))
        platform::db::EngineError(platform::db::ecRecordLocked);
    const qint64 ticket = WriteTicket();
    try {
        InternalPost(cur, inserting ? nullptr : &FOriginal, inserting);
    } catch (...) {
        // Only a write of its own may have stored the record: a statement that failed inside a
        // transaction wrote nothing.
        const qint64 now = WriteTicket();
        HoldWriteTicket(now != ticket ? now : 0, 0);
        throw;
    }
    try {
        EndPostWork(true);
    } catch (...) {
        // The work bound to the post committed the write the record went in (a numbered post).
        HoldWriteTicket(WriteTicket(), inserting ? cur.Id : 0);
        if (inserting) cur.Id = 0;  // the row went with the failed transaction
        throw;
    }
    HoldWriteTicket(0, 0);
    FreeLock();
    FCountCache = -1;
    const qint64 postedId = cur.Id;
    FState = dsBrowse;  // quietly: the state change is announced once the buffers are right
    TRecordBuffer fresh;
    if (postedId != 0 && ((!bound && PostedRow(postedId, fresh)) || FetchById(postedId, fresh))) {
        CalculateFields(fresh);
        FillBuffers(std::move(fresh));
    } else {
        Resync();
    }
    FModified = false;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
}

// The write whose answer a failed post may have lost, kept only while the dataset still holds
// the record that post was for; `row`: the record that write stored for it (0: not known).
void TDataSet::HoldWriteTicket(qint64 ticket, qint64 row) {
    FWriteTicket = ticket;
    FWriteRow = ticket ? row : 0;
}

// What became of the last post when its commit's answer was lost: true when the server stored
// it, which is then shown as stored; false when it is to be written (not stored, or told as it
// ended). Not knowable yet: refused, so nothing is written twice.
bool TDataSet::SettlePost() {
    const bool inserting = FState == dsInsert;
    qint64 row = inserting ? FWriteRow : FBuffers[FActiveRecord].Id;
    const platform::db::TWriteOutcome outcome = WriteOutcome(FWriteTicket, &row);
    if (outcome == platform::db::TWriteOutcome::Unknown)
        platform::db::EngineError(platform::db::ecOutcomeUnknown,
                                  QString::fromUtf8("El servidor de datos sigue sin responder y aún no se sabe si este registro se "
                                                    "guardó la última vez: no se vuelve a guardar hasta saberlo. Inténtelo cuando "
                                                    "el servidor responda."));
    HoldWriteTicket(0, 0);
    // Stored, but not this record (another entry since): this one is written as any other.
    if (outcome != platform::db::TWriteOutcome::Saved || row == 0) return false;
    const qint64 id = row;
    if (!inserting) FreeLock();
    FState = dsBrowse;
    FCountCache = -1;
    TRecordBuffer fresh;
    if (FetchById(id, fresh)) {
        CalculateFields(fresh);
        FillBuffers(std::move(fresh));
    } else {
        if (inserting && FActiveRecord < int(FBuffers.size())) FBuffers.erase(FBuffers.begin() + FActiveRecord);
        Resync();
    }
    FModified = false;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    return true;
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) {
        if (FState == dsSetKey) SetState(dsBrowse);
        return;
    }
    DataEvent(deCheckBrowseMode);
    RunEvent(BeforeCancel);
    HoldWriteTicket(0, 0);  // the entry is given up: what became of its last post is told by the engine
    bool inserting = FState == dsInsert;
    if (inserting) {
        if (FActiveRecord < int(FBuffers.size())) FBuffers.erase(FBuffers.begin() + FActiveRecord);
        FActiveRecord = std::max(0, std::min(FActiveRecord, int(FBuffers.size()) - 1));
    } else {
        FBuffers[FActiveRecord] = FOriginal;
        FreeLock();
    }
    FState = dsBrowse;
    FModified = false;
    if (inserting) Resync();
    // A listener of the state that fails (one that reads a data folder lost meanwhile) must not
    // leave the dropped change on screen, where it would pass for saved.
    try {
        DataEvent(deUpdateState);
    } catch (...) {
        DataEvent(deDataSetChange);
        throw;
    }
    DataEvent(deDataSetChange);
    RunEvent(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert) return Cancel();
    if (FBuffers.empty()) DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"), this);
    if (!CanModify()) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
    TOperationGuard guard(this, "Delete");
    DataEvent(deCheckBrowseMode);
    RunEvent(BeforeDelete);
    DoBeforeScroll();
    CheckOperation(this, OnDeleteError, [this] { DoDelete(); });
    RunEvent(AfterDelete);
    DoAfterScroll();
}

void TDataSet::DoDelete() {
    bool editing = FState == dsEdit;
    TRecordBuffer target = editing ? FOriginal : FBuffers[FActiveRecord];
    if (!editing) {
        if (!LockRecord(target)) platform::db::EngineError(platform::db::ecRecordLocked);
    }
    try {
        InternalDelete(target);
    } catch (...) {
        if (!editing) UnlockRecord(target);
        throw;
    }
    if (editing) FreeLock();
    else UnlockRecord(target);
    FCountCache = -1;
    FState = dsBrowse;
    auto rows = FetchFiltered(&target, true, 1);
    if (rows.empty()) rows = FetchFiltered(&target, false, 1);
    if (rows.empty()) {
        ClearBuffers();
    } else {
        FillBuffers(std::move(rows[0]));
    }
    FModified = false;
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
}

void TDataSet::EndSetKey() { SetState(dsBrowse); }

void TDataSet::SetFields(const std::vector<Variant>& values) {
    if (FState != dsEdit && FState != dsInsert) DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
    for (size_t i = 0; i < values.size() && int(i) < FFields->Count(); ++i)
        if (!values[i].IsEmpty()) FFields->Fields(int(i))->SetValue(values[i]);
}
void TDataSet::AppendRecord(const std::vector<Variant>& values) {
    Append();
    SetFields(values);
    Post();
}

// ---------------------------------------------------------------------------------------------- bookmarks

TBookmark TDataSet::GetBookmark() const {
    EnsureFresh();
    if (!Active() || FBuffers.empty() || FState == dsInsert) return TBookmark{};
    return TBookmark{FBuffers[FActiveRecord].Id, true};
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!bookmark.Valid || !Active()) return false;
    TRecordBuffer r;
    return const_cast<TDataSet*>(this)->FetchById(bookmark.Id, r);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (!bookmark.Valid) return;
    CheckBrowseMode();
    TRecordBuffer r;
    if (!FetchById(bookmark.Id, r)) DatabaseError(QStringLiteral("Record not found"), this);
    DoBeforeScroll();
    CalculateFields(r);
    FillBuffersCentered(std::move(r));
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

bool TDataSet::SetToBookmark(const TBookmark& bookmark) {
    if (!Active() || !bookmark.Valid || (FBof && FEof && FBuffers.empty())) return false;
    CheckBrowseMode();
    TRecordBuffer r;
    if (!FetchById(bookmark.Id, r)) return false;
    CalculateFields(r);
    if (!AcceptRecord(r)) return false;
    DoBeforeScroll();
    FillBuffersCentered(std::move(r));
    DataEvent(deDataSetChange);
    DoAfterScroll();
    return true;
}

// ---------------------------------------------------------------------------------------------- fields

std::vector<TField*> TDataSet::GetFieldList(const QString& fieldNames) const {
    // A plain scan for the separators: searches name their fields on every call.
    std::vector<TField*> out;
    const QChar* p = fieldNames.constData();
    const qsizetype n = fieldNames.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && p[i] != QLatin1Char(';')) continue;
        if (i > start) {
            const QStringView name = QStringView(p + start, i - start).trimmed();
            TField* found = FFields->FindField(name);
            out.push_back(found ? found : FieldByName(name.toString()));
        }
        start = i + 1;
    }
    return out;
}

Variant TDataSet::FieldValues(const QString& fieldNames) const {
    auto list = GetFieldList(fieldNames);
    if (list.size() == 1) return list[0]->Value();
    std::vector<Variant> arr;
    for (TField* f : list) arr.push_back(f->Value());
    return VarArrayOf(arr);
}

// ---------------------------------------------------------------------------------------------- searching

bool TDataSet::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    auto fields = GetFieldList(keyFields);
    auto valueAt = [&](size_t i) { return fields.size() == 1 && !keyValues.IsArray() ? keyValues : keyValues.AsArray().at(i); };
    const TRecordBuffer* from = nullptr;
    TRecordBuffer last;
    for (;;) {
        auto rows = FetchFiltered(from, true, 64);
        for (auto& r : rows) {
            bool ok = true;
            {
                TRecordScope scope(this, &r, FState);
                for (size_t i = 0; i < fields.size() && ok; ++i) ok = Matches(fields[i], valueAt(i), options);
            }
            if (ok) {
                DoBeforeScroll();
                FillBuffersCentered(std::move(r));
                DataEvent(deDataSetChange);
                DoAfterScroll();
                return true;
            }
        }
        if (rows.size() < 64) return false;
        last = rows.back();
        from = &last;
    }
}

Variant TDataSet::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) {
    CheckActive();
    auto fields = GetFieldList(keyFields);
    auto results = GetFieldList(resultFields);
    auto valueAt = [&](size_t i) { return fields.size() == 1 && !keyValues.IsArray() ? keyValues : keyValues.AsArray().at(i); };
    const TRecordBuffer* from = nullptr;
    TRecordBuffer last;
    for (;;) {
        auto rows = FetchFiltered(from, true, 64);
        for (auto& r : rows) {
            TRecordScope scope(this, &r, dsCalcFields);
            bool ok = true;
            for (size_t i = 0; i < fields.size() && ok; ++i) ok = Matches(fields[i], valueAt(i), 0);
            if (!ok) continue;
            if (results.size() == 1) return results[0]->Value();
            std::vector<Variant> arr;
            for (TField* f : results) arr.push_back(f->Value());
            return VarArrayOf(arr);
        }
        if (rows.size() < 64) return Null();
        last = rows.back();
        from = &last;
    }
}

std::vector<Variant> TDataSet::LookupMany(const QString& keyField, const std::vector<Variant>& keys, const QString& resultFields) {
    std::vector<Variant> out;
    out.reserve(keys.size());
    for (const Variant& k : keys) out.push_back(Lookup(keyField, k, resultFields));
    return out;
}

// ---------------------------------------------------------------------------------------------- filtering

void TDataSet::SetFilter(const QString& value) {
    FFilterText = value;
    // Another selection: the rows counted and read ahead were those of the old one.
    FCountCache = -1;
    InvalidateCache();
    if (Active() && FFiltered) {
        CheckBrowseMode();
        First();
    }
}

void TDataSet::SetFiltered(bool value) {
    if (FFiltered == value) return;
    FFiltered = value;
    FCountCache = -1;
    if (Active()) {
        CheckBrowseMode();
        First();
    }
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& handler) {
    OnFilterRecord = handler;
    if (Active() && FFiltered) {
        CheckBrowseMode();
        First();
    }
}

// ---------------------------------------------------------------------------------------------- events to data sources

void TDataSet::TellSources(TDataEvent event, qint64 info) {
    if (FDisableCount > 0) {
        if (event != deCheckBrowseMode && event != deUpdateRecord) {
            FPendingChange = true;
            return;
        }
    }
    for (TDataSource* ds : std::vector<TDataSource*>(FDataSources)) ds->DataEvent(event, info);
}

// ---------------------------------------------------------------------------------------------- TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    for (TDataLink* l : std::vector<TDataLink*>(FLinks)) {
        l->FDataSource = nullptr;
        l->UpdateState();
    }
    SetDataSet(nullptr);
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FDataSet) SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) {
        auto& v = FDataSet->FDataSources;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        FDataSet->RemoveFreeNotification(this);
    }
    FDataSet = dataSet;
    if (FDataSet) {
        FDataSet->EnsureFresh();
        FDataSet->FDataSources.push_back(this);
        FDataSet->FreeNotification(this);
        int count = 1;
        for (TDataSource* s : FDataSet->FDataSources)
            for (TDataLink* l : s->FLinks) count = std::max(count, l->FBufferCount);
        FDataSet->SetBufferCount(count);
    }
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    FEnabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (FAutoEdit && FDataSet && FState == dsBrowse) FDataSet->Edit();
}

void TDataSource::UpdateState() {
    TDataSetState st = (FDataSet && FEnabled) ? FDataSet->State() : dsInactive;
    if (st == dsCalcFields || st == dsFilter) return;
    if (st == FState) return;
    bool activeChange = (st == dsInactive) != (FState == dsInactive);
    FState = st;
    for (TDataLink* l : std::vector<TDataLink*>(FLinks)) l->UpdateState();
    (void)activeChange;
    OnStateChange(this);
}

void TDataSource::NotifyLinks(TDataEvent event, qint64 info) {
    for (TDataLink* l : std::vector<TDataLink*>(FLinks)) l->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, qint64 info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive) return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange: OnDataChange(this, reinterpret_cast<TField*>(quintptr(info))); break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: OnDataChange(this, nullptr); break;
    case deUpdateRecord: OnUpdateData(this); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------------- TDataLink

TDataLink::~TDataLink() {
    FDataSourceFixed = false;
    SetDataSource(nullptr);
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == FDataSource) return;
    if (FDataSourceFixed) DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"));
    if (FDataSource) {
        auto& v = FDataSource->FLinks;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FDataSource = source;
    if (FDataSource) {
        if (TDataSet* ds = FDataSource->DataSet()) ds->EnsureFresh();
        FDataSource->FLinks.push_back(this);
        if (TDataSet* ds = FDataSource->DataSet()) ds->SetBufferCount(std::max(ds->FBufferCount, FBufferCount));
    }
    UpdateState();
}

void TDataLink::SetReadOnly(bool value) {
    if (FReadOnly == value) return;
    FReadOnly = value;
    UpdateState();
}

void TDataLink::UpdateState() {
    bool active = FDataSource && FDataSource->State() != dsInactive;
    if (active != FActive) {
        FActive = active;
        FFirstRecord = 0;
        if (FActive) UpdateRange(0);
        ActiveChanged();
    }
    TDataSetState st = FDataSource ? FDataSource->State() : dsInactive;
    bool editing = active && (st == dsEdit || st == dsInsert || st == dsSetKey) && !FReadOnly;
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, qint64 info) {
    if (event == deUpdateState) return UpdateState();
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(quintptr(info)));
        break;
    case deDataSetChange:
        UpdateRange(0);
        DataSetChanged();
        break;
    case deDataSetScroll: DataSetScrolled(UpdateRange(int(info))); break;
    case deLayoutChange:
        UpdateRange(0);
        LayoutChanged();
        break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: {
        TField* f = reinterpret_cast<TField*>(quintptr(info));
        FocusControl(&f);
        break;
    }
    default: break;
    }
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

int TDataLink::UpdateRange(int shift) {
    // `shift` rows left the window's front: the link's rows move with the records they show.
    TDataSet* ds = DataSet();
    if (!ds || FDataSource->State() == dsSetKey) return 0;
    const int old = FFirstRecord;
    const int active = ds->FActiveRecord;
    const int rows = int(ds->FBuffers.size());
    const int low = std::max(0, active - FBufferCount + 1);
    const int high = std::max(low, std::min(active, rows - FBufferCount));
    FFirstRecord = std::clamp(old - shift, low, high);
    return FFirstRecord - (old - shift);
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    return (ds && FActive) ? std::max(0, ds->FActiveRecord - FFirstRecord) : 0;
}

void TDataLink::SetActiveRecord(int value) {
    if (TDataSet* ds = DataSet(); ds && FActive) ds->SetActiveRecordIndex(value + FFirstRecord);
}

void TDataLink::SetBufferCount(int value) {
    FBufferCount = std::max(1, value);
    if (TDataSet* ds = DataSet()) {
        int count = 1;
        for (TDataSource* s : ds->FDataSources)
            for (TDataLink* l : s->FLinks) count = std::max(count, l->FBufferCount);
        ds->SetBufferCount(count);
        if (FActive) UpdateRange(0);
    }
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !FActive) return 0;
    if (FDataSource->State() == dsSetKey) return 1;
    return std::clamp(int(ds->FBuffers.size()) - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::ShowsFirstRecord() const {
    TDataSet* ds = DataSet();
    return ds && FActive && FFirstRecord == 0 && ds->FWindowAtStart;
}

bool TDataLink::ShowsLastRecord() const {
    TDataSet* ds = DataSet();
    return ds && FActive && FFirstRecord + RecordCount() >= int(ds->FBuffers.size()) && ds->FWindowAtEnd;
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource) FDataSource->Edit();
    return FEditing;
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }
int TDataLink::MoveBy(int distance) { return DataSet() ? DataSet()->MoveBy(distance) : 0; }

// ---------------------------------------------------------------------------------------------- TFieldDataLink

void TFieldDataLink::SetFieldName(const QString& name) {
    if (FFieldName == name) return;
    FFieldName = name;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    FField = nullptr;
    if (Active() && !FFieldName.isEmpty()) FField = DataSet()->FieldByName(FFieldName);
    EditingChanged();
    RecordChanged(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && (!FField || FField->CanModify()); }

bool TFieldDataLink::Edit() {
    if (CanModify()) TDataLink::Edit();
    return FEditing;
}

void TFieldDataLink::SetEditing(bool value) {
    if (FEditing == value) return;
    FEditing = value;
    FModified = false;
    OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    OnActiveChange(this);
}
void TFieldDataLink::EditingChanged() { SetEditing(TDataLink::Editing() && CanModify()); }
void TFieldDataLink::FocusControl(TField** field) {
    if (*field && *field == FField && FControl) *field = nullptr;
}
void TFieldDataLink::LayoutChanged() { UpdateField(); }
void TFieldDataLink::RecordChanged(TField* field) {
    if (!field || field == FField) {
        OnDataChange(this);
        FModified = false;
    }
}
void TFieldDataLink::UpdateData() {
    if (FModified) {
        if (FField) OnUpdateData(this);
        FModified = false;
    }
}
void TFieldDataLink::Reset() { RecordChanged(nullptr); }
