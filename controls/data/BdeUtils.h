#pragma once
// The engine's side of record locating: a locate object that searches through a table's index
// when one fits and through a filtered second cursor otherwise, the datasets whose cursor is a
// clone of another's, and the cursor routines they use.
#include "controls/data/DBLocateHelpers.h"
#include "platform/db/DBTables.h"

class TDBLocate : public TLocateObject {
protected:
    void CheckFieldType(TField* field) override;
    bool LocateFilter() override;
    bool LocateKey() override;
    bool UseKey() override;
    bool FilterApplicable() override;

private:
    bool LocateCallback(TTable* table);
    QString FKeyIndex;
};

// A table whose cursor is a second cursor on the source table: its own order, range and filter.
class TCloneTable : public TTable {
public:
    explicit TCloneTable(TComponent* owner) : TTable(owner) {}
    // Setting the source closes the clone and reopens it on the source (none leaves it closed).
    TTable* SourceHandle() const { return FSource; }
    void SetSourceHandle(TTable* source);
    bool ReadOnly() const { return FReadOnly; }
    // Only while closed.
    void SetReadOnly(bool value);
    // Takes the source's table and, unless `reset`, its index, filter and record; in reset mode
    // the clone has no filter, range or index and stands on its first record.
    void InitFromTable(TTable* source, bool reset);

private:
    TTable* FSource = nullptr;
    bool FReadOnly = false;
    bool FReset = false;
};

// The same for a dataset of the engine; only tables have cursors the engine can clone.
class TCloneDbDataset : public TCloneTable {
public:
    explicit TCloneDbDataset(TComponent* owner) : TCloneTable(owner) {}
    // Raises EDatabaseError "Cannot clone the cursor of '%s'" for a dataset that is not a table.
    void InitFromDataset(TDBDataSet* source, bool reset);
};

// Engine routines.
// Moves to the bookmark and resyncs; false when the dataset is empty, inactive or the bookmark
// is gone.
bool SetToBookmark(TDataSet* dataSet, const TBookmark& bookmark);
// Moves `dest` to the record `source` stands on (both on one table); false when not reachable.
bool DataSetSetToCursor(TTable* dest, TDataSet* source);

// Installs TDBLocate as the locate object the controls create (done once at start-up too).
void InitBdeUtils();
