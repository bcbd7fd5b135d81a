#include "controls/data/BdeUtils.h"

#include "platform/rtl/SysUtils.h"

namespace {
TLocateObject* CreateDbLocate() { return new TDBLocate(); }
struct TInit {
    TInit() { InitBdeUtils(); }
} Init;
}  // namespace

void InitBdeUtils() { controls::data::SetLocateFactory(&CreateDbLocate); }

bool SetToBookmark(TDataSet* dataSet, const TBookmark& bookmark) {
    if (!dataSet->Active() || !bookmark || DataSetIsEmpty(dataSet)) return false;
    return dataSet->SetToBookmark(bookmark);
}

bool DataSetSetToCursor(TTable* dest, TDataSet* source) { return dest->SetToCursor(source); }

// ---------------------------------------------------------------------------------------------- clones

void TCloneTable::SetSourceHandle(TTable* source) {
    Close();
    FSource = source;
    if (FSource) CloneCursor(FSource, FReset, FReadOnly);
}

void TCloneTable::SetReadOnly(bool value) {
    CheckInactive();
    FReadOnly = value;
}

void TCloneTable::InitFromTable(TTable* source, bool reset) {
    FReset = reset;
    SetSourceHandle(source);
    if (reset) First();
}

void TCloneDbDataset::InitFromDataset(TDBDataSet* source, bool reset) {
    auto* table = dynamic_cast<TTable*>(source);
    if (!table) DatabaseError(QStringLiteral("Cannot clone the cursor of '%1'").arg(source->Name()));
    InitFromTable(table, reset);
}

// ---------------------------------------------------------------------------------------------- locate

void TDBLocate::CheckFieldType(TField* field) {
    QString s = FLookupValue.trimmed();
    if (s.isEmpty()) return;
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        int v;
        if (!TryStrToInt(s, v))
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(FLookupValue, field->DisplayName()));
        break;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        double v;
        if (!TryStrToFloat(s, v))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(FLookupValue, field->DisplayName()));
        break;
    }
    default:
        break;
    }
}

bool TDBLocate::UseKey() {
    FKeyIndex.clear();
    auto* table = dynamic_cast<TTable*>(FDataSet);
    if (!table) return false;
    bool inIndex = false;
    for (int i = 0; i < table->IndexFieldCount(); ++i)
        if (table->IndexFields(i) == FLookupField) inIndex = true;
    // Our engine is a local one ("STANDARD"), never SQL-based.
    bool sqlBased = table->Database() && table->Database()->IsSQLBased();
    if (!(inIndex || (FIndexSwitch && (FCaseSensitive || !sqlBased)))) return false;
    if (!(FLookupExact || FLookupField->DataType() == ftString)) return false;
    table->IndexDefs()->Update();
    for (int i = 0; i < table->IndexDefs()->Count(); ++i) {
        TIndexDef* ix = table->IndexDefs()->Items(i);
        if (ix->Options & ixExpression) continue;
        if (!((ix->Options & ixCaseInsensitive) || FCaseSensitive)) continue;
        if (ix->Fields.compare(FLookupField->FieldName(), Qt::CaseInsensitive) != 0) continue;
        FKeyIndex = ix->Fields;
        return true;
    }
    return false;
}

bool TDBLocate::LocateCallback(TTable* table) {
    TField* field = table->FieldByName(FLookupField->FieldName());
    table->SetKey();
    try {
        field->SetAsString(FLookupValue);
    } catch (...) {
        table->Cancel();
        throw;
    }
    // The engine's key comparison keeps case: a search without case goes to the nearest key
    // and applies the match test.
    if (FLookupExact && (FCaseSensitive || field->DataType() != ftString)) return table->GotoKey();
    table->GotoNearest();
    return !table->Eof() && MatchesLookup(field);
}

bool TDBLocate::LocateKey() {
    auto* table = static_cast<TTable*>(FDataSet);
    if (table->IndexFieldCount() == 1 && table->IndexFields(0) == FLookupField) return LocateCallback(table);
    TCloneTable clone(nullptr);
    clone.SetReadOnly(true);
    clone.InitFromTable(table, true);
    clone.SetIndexFieldNames(FKeyIndex);
    if (!LocateCallback(&clone)) return false;
    // The first match in the field's order that this cursor can show (its range and filter).
    TField* field = clone.FieldByName(FLookupField->FieldName());
    while (!clone.Eof() && MatchesLookup(field)) {
        if (table->SetToCursor(&clone)) return true;
        clone.Next();
    }
    return false;
}

bool TDBLocate::LocateFilter() {
    auto* table = dynamic_cast<TTable*>(FDataSet);
    if (FLookupExact || FLookupField->DataType() == ftString || !table) return TLocateObject::LocateFilter();
    TCloneDbDataset clone(nullptr);
    clone.SetReadOnly(true);
    clone.InitFromDataset(table, false);
    const QString name = FLookupField->FieldName();
    clone.SetOnFilterRecord(TFilterRecordEvent([this, &clone, name](TDataSet*, bool& accept) {
        accept = MatchesLookup(clone.FieldByName(name));
    }));
    clone.SetFiltered(true);
    clone.First();
    // The first match the table's own cursor can show.
    for (; !clone.Eof(); clone.Next())
        if (table->SetToCursor(&clone)) return true;
    return false;
}

bool TDBLocate::FilterApplicable() { return FLookupField->FieldKind() == fkData && FDataSet->Active(); }
