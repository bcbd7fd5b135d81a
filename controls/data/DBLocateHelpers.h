#pragma once
// Finding a record by the text of one field, saving and restoring a dataset's field layout in a
// store, and small dataset helpers the data-aware controls share.
#include "platform/db/DB.h"

#include <QString>
#include <memory>

// Finds a record by one field's text on any dataset. The search tries the current record, then
// (by what the dataset offers) a key, a filter or a scan; when nothing matches the dataset goes
// back to where it stood.
class TLocateObject : public TObject {
public:
    TLocateObject() = default;
    ~TLocateObject() override = default;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value);
    bool IndexSwitch() const { return FIndexSwitch; }
    void SetIndexSwitch(bool value) { FIndexSwitch = value; }

    // True when the dataset now stands on a record whose field text equals the value (or begins
    // with it when not exact). Conversion errors of the value reach the caller.
    bool Locate(const QString& keyField, const QString& keyValue, bool exact, bool caseSensitive);

protected:
    virtual void CheckFieldType(TField*) {}
    virtual void ActiveChanged() {}
    virtual bool LocateFilter();
    virtual bool LocateKey() { return false; }
    virtual bool LocateFull();
    virtual bool UseKey() { return false; }
    virtual bool FilterApplicable();
    // The match test on the record the field shows now.
    bool MatchesLookup(TField* field) const;
    bool MatchesText(const QString& fieldText) const;

    TDataSet* FDataSet = nullptr;
    TField* FLookupField = nullptr;
    QString FLookupValue;
    bool FLookupExact = false;
    bool FCaseSensitive = false;
    TBookmark FBookmark;
    bool FIndexSwitch = true;
};

namespace controls::data {
// The factory the controls use; the engine unit installs its own specialisation.
using TCreateLocateFunc = TLocateObject* (*)();
void SetLocateFactory(TCreateLocateFunc func);
}  // namespace controls::data

// A locate object of the installed kind, on `dataSet`.
std::unique_ptr<TLocateObject> CreateLocate(TDataSet* dataSet);

class TCustomIniFile;

// One entry per field: key = dataset name + field name, value "index,width,visible".
// An empty section means the owner form's default section, else the dataset's name.
void SaveFields(TDataSet* dataSet, TObject* iniObject, const QString& section);
void RestoreFields(TDataSet* dataSet, TObject* iniObject, const QString& section, bool restoreVisible);
QString DataSetSectionName(TDataSet* dataSet);

// Not active, or at both start and end.
bool DataSetIsEmpty(TDataSet* dataSet);
// Raises EDatabaseError with the text.
[[noreturn]] void _DBError(const QString& message);
