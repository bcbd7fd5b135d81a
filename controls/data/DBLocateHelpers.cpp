#include "controls/data/DBLocateHelpers.h"

#include "controls/visual/IniHelpers.h"
#include "platform/db/Collation.h"
#include "platform/forms/Forms.h"

#include <QStringList>
#include <algorithm>

namespace {
TLocateObject* CreateBaseLocate() { return new TLocateObject(); }
controls::data::TCreateLocateFunc LocateFactory = &CreateBaseLocate;

// Restores the screen cursor however the search ends.
class THourGlass {
public:
    THourGlass() {
        if (Screen) {
            FSaved = Screen->Cursor();
            Screen->SetCursor(crHourGlass);
        }
    }
    ~THourGlass() {
        if (Screen) Screen->SetCursor(FSaved);
    }

private:
    TCursor FSaved = crDefault;
};
}  // namespace

void controls::data::SetLocateFactory(TCreateLocateFunc func) { LocateFactory = func ? func : &CreateBaseLocate; }

std::unique_ptr<TLocateObject> CreateLocate(TDataSet* dataSet) {
    std::unique_ptr<TLocateObject> result(LocateFactory());
    result->SetDataSet(dataSet);
    return result;
}

void TLocateObject::SetDataSet(TDataSet* value) {
    ActiveChanged();
    FDataSet = value;
}

bool TLocateObject::MatchesText(const QString& fieldText) const {
    // Without case, as the engine's searches and indexes compare: the Spanish order's letters.
    return platform::db::TextMatches(fieldText, FLookupValue, !FLookupExact, !FCaseSensitive);
}

bool TLocateObject::MatchesLookup(TField* field) const { return MatchesText(field->AsString()); }

bool TLocateObject::LocateFull() {
    FDataSet->First();
    while (!FDataSet->Eof()) {
        if (MatchesLookup(FLookupField)) return true;
        FDataSet->Next();
    }
    return false;
}

bool TLocateObject::LocateFilter() {
    THourGlass wait;
    TLocateOptions options = 0;
    if (!FCaseSensitive) options |= loCaseInsensitive;
    if (!FLookupExact) options |= loPartialKey;
    Variant value = FLookupValue.isEmpty() ? Variant() : Variant(FLookupValue);
    return FDataSet->Locate(FLookupField->FieldName(), value, options);
}

bool TLocateObject::FilterApplicable() {
    // Our engine always takes a record filter, so only calculated values need a scan.
    return FLookupField->FieldKind() == fkData;
}

bool TLocateObject::Locate(const QString& keyField, const QString& keyValue, bool exact, bool caseSensitive) {
    if (!FDataSet) return false;
    FDataSet->CheckBrowseMode();
    FLookupField = FDataSet->FieldByName(keyField);
    FDataSet->CursorPosChanged();
    FLookupValue = keyValue;
    FLookupExact = exact;
    FCaseSensitive = caseSensitive;
    struct TClear {
        TLocateObject* Self;
        ~TClear() {
            Self->FLookupValue.clear();
            Self->FLookupField = nullptr;
            Self->FBookmark = TBookmark();
        }
    } clear{this};
    if (FLookupField->DataType() != ftString) {
        FCaseSensitive = true;
        CheckFieldType(FLookupField);
    }
    if (!FDataSet->Active() || FDataSet->IsEmpty()) return false;
    FBookmark = FDataSet->GetBookmark();
    FDataSet->DisableControls();
    bool result = false;
    try {
        result = MatchesLookup(FLookupField);
        if (!result) {
            if (UseKey()) result = LocateKey();
            else if (FilterApplicable()) result = LocateFilter();
            else result = LocateFull();
            if (!result && FBookmark) FDataSet->SetToBookmark(FBookmark);
        }
    } catch (...) {
        if (FBookmark) {
            try {
                FDataSet->SetToBookmark(FBookmark);
            } catch (...) {
            }
        }
        FDataSet->EnableControls();
        throw;
    }
    FDataSet->EnableControls();
    return result;
}

// ---------------------------------------------------------------------------------------------- layout

QString DataSetSectionName(TDataSet* dataSet) {
    if (auto* form = dynamic_cast<TCustomForm*>(dataSet->Owner())) return GetDefaultSection(form);
    return dataSet->Name();
}

namespace {
QString SectionFor(TDataSet* dataSet, const QString& section) {
    return section.isEmpty() ? DataSetSectionName(dataSet) : section;
}

// Word `n` (0-based) of a comma-separated entry as a number; `fallback` when missing or no number.
int WordAsInt(const QString& entry, int n, int fallback, bool* valid = nullptr) {
    QStringList words = entry.split(QLatin1Char(','));
    bool ok = false;
    int v = n < words.size() ? words[n].trimmed().toInt(&ok) : 0;
    if (valid) *valid = ok;
    return ok ? v : fallback;
}
}  // namespace

void SaveFields(TDataSet* dataSet, TObject* iniObject, const QString& section) {
    QString sect = SectionFor(dataSet, section);
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField* f = dataSet->Fields()->Fields(i);
        IniWriteString(iniObject, sect, dataSet->Name() + f->FieldName(),
                       QStringLiteral("%1,%2,%3").arg(f->Index()).arg(f->DisplayWidth()).arg(f->Visible() ? 1 : 0));
    }
}

void RestoreFields(TDataSet* dataSet, TObject* iniObject, const QString& section, bool restoreVisible) {
    QString sect = SectionFor(dataSet, section);
    struct TWant {
        TField* Field;
        int Index;
    };
    std::vector<TWant> wants;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField* f = dataSet->Fields()->Fields(i);
        QString entry = IniReadString(iniObject, sect, dataSet->Name() + f->FieldName(), QString());
        int index = f->Index();
        if (!entry.isEmpty()) {
            index = WordAsInt(entry, 0, f->Index());
            f->SetDisplayWidth(WordAsInt(entry, 1, f->DisplayWidth()));
            if (restoreVisible) {
                bool ok = false;
                int v = WordAsInt(entry, 2, 1, &ok);
                // A third word that is no number keeps the field as it is.
                if (ok) f->SetVisible(v != 0);
            }
        }
        wants.push_back({f, index});
    }
    int count = dataSet->FieldCount();
    for (int pos = 0; pos < count; ++pos) {
        auto it = std::find_if(wants.begin(), wants.end(), [pos](const TWant& w) { return w.Index == pos; });
        if (it != wants.end()) {
            it->Field->SetIndex(pos);
            wants.erase(it);
        }
    }
}

bool DataSetIsEmpty(TDataSet* dataSet) { return !dataSet->Active() || (dataSet->Bof() && dataSet->Eof()); }

void _DBError(const QString& message) { DatabaseError(message); }
