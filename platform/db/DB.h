#pragma once
// Datasets, fields, parameters, data sources and data links: the data-access classes the forms use.
// Engine failures are EDBEngineError with the codes listed in platform/db/Driver.h: 9729 key
// violation, 10241 record locked by another user, 10259 record changed by another user since it
// was read (raised by Edit on a stale record and by Post when the stored record changed).
// A required field left empty raises EDatabaseError "Field 'X' must have a value".
#include "platform/classes/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"
#include "platform/db/Driver.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TDataLink;
class TField;

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
    ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo
};
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue, dsCurValue
};
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord, deUpdateState,
    deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl
};
enum TDataAction { daFail, daAbort, daRetry };
#ifndef ZEMBRA_TALIGNMENT_DEFINED
#define ZEMBRA_TALIGNMENT_DEFINED
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
#endif

enum TLocateOption : unsigned { loCaseInsensitive = 1u, loPartialKey = 2u };
using TLocateOptions = unsigned;

using TDataSetNotifyEvent = TEvent<TDataSet*>;
using TDataSetErrorEvent = TEvent<TDataSet*, EDatabaseError&, TDataAction&>;
using TFilterRecordEvent = TEvent<TDataSet*, bool&>;
using TFieldNotifyEvent = TEvent<TField*>;
using TFieldGetTextEvent = TEvent<TField*, QString&, bool>;
using TFieldSetTextEvent = TEvent<TField*, const QString&>;
using TDataChangeEvent = TEvent<TObject*, TField*>;

// A record position that survives scrolling: the engine's record identity.
struct TBookmark {
    qint64 Id = 0;
    bool Valid = false;
    explicit operator bool() const { return Valid; }
    bool operator==(const TBookmark&) const = default;
};
using TBookmarkStr = TBookmark;

// A row's bookmark, or its key, carried by a list item or a tree node that owns it.
class TBookmarkObject : public TObject {
public:
    explicit TBookmarkObject(const TBookmark& bookmark) : Bookmark(bookmark) {}
    TBookmark Bookmark;
};
class TKeyObject : public TObject {
public:
    explicit TKeyObject(const Variant& key) : Key(key) {}
    Variant Key;
};

// Raises EDatabaseError with the message (and the component's name in front when given).
[[noreturn]] void DatabaseError(const QString& message, TComponent* component = nullptr);

// ---------------------------------------------------------------------------------------------- fields

class TField : public TComponent {
public:
    explicit TField(TComponent* owner);
    ~TField() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString& name) { FFieldName = name; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind kind) { FFieldKind = kind; }
    bool Calculated() const { return FFieldKind == fkCalculated; }
    bool Lookup() const { return FFieldKind == fkLookup; }
    TFieldType DataType() const { return FDataType; }
    int FieldNo() const { return FFieldNo; }
    int Size() const { return FSize; }
    void SetSize(int size) { FSize = size; }
    bool Required() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& value);
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    QString DisplayFormat() const { return FRarely ? FRarely->DisplayFormat : QString(); }
    void SetDisplayFormat(const QString& value);
    QString EditFormat() const { return FRarely ? FRarely->EditFormat : QString(); }
    void SetEditFormat(const QString& value) { Rarely().EditFormat = value; }
    QString EditMask() const { return FRarely ? FRarely->EditMask : QString(); }
    void SetEditMask(const QString& value) { Rarely().EditMask = value; }
    // Characters accepted by the data-aware edits; empty means any.
    QString ValidChars() const { return FRarely ? FRarely->ValidChars : QString(); }
    void SetValidChars(const QString& value) { Rarely().ValidChars = value; }
    bool IsValidChar(QChar c) const;
    int Index() const;
    void SetIndex(int value);
    bool CanModify() const;
    bool IsIndexField() const;

    // Lookup fields.
    TDataSet* LookupDataSet() const { return FRarely ? FRarely->LookupDataSet : nullptr; }
    void SetLookupDataSet(TDataSet* value);
    QString LookupKeyFields() const { return FRarely ? FRarely->LookupKeyFields : QString(); }
    void SetLookupKeyFields(const QString& value) { Rarely().LookupKeyFields = value; }
    QString LookupResultField() const { return FRarely ? FRarely->LookupResultField : QString(); }
    void SetLookupResultField(const QString& value) { Rarely().LookupResultField = value; }
    QString KeyFields() const { return FRarely ? FRarely->KeyFields : QString(); }
    void SetKeyFields(const QString& value) { Rarely().KeyFields = value; }

    // Values.
    bool IsNull() const;
    void Clear() { SetData(QVariant()); }
    Variant Value() const;
    void SetValue(const Variant& value);
    virtual QString AsString() const;
    virtual void SetAsString(const QString& value);
    virtual int AsInteger() const;
    virtual void SetAsInteger(int value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    Currency AsCurrency() const { return Currency(AsFloat()); }
    void SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    QString Text() const { return GetText(false); }
    void SetText(const QString& value);
    QString DisplayText() const { return GetText(true); }
    Variant OldValue() const;
    void FocusControl();

    // Raw value of the current record (null when absent).
    QVariant GetData() const;
    void SetData(QVariant value);
    void Validate(const QVariant& value);

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual QString FormatText(bool displayText) const;
    virtual QVariant Normalize(QVariant value) const { return value; }
    virtual void CheckRange(const QVariant&) const {}
    [[noreturn]] void ConvertError(const char* what) const;
    [[noreturn]] void TextError(const QString& text, const char* kind) const;
    TFieldType FDataType = ftUnknown;
    TAlignment FAlignment = taLeftJustify;

private:
    friend class TDataSet;
    friend class TFields;
    QString GetText(bool displayText) const;
    TDataSet* FDataSet = nullptr;
    QString FFieldName;
    TFieldKind FFieldKind = fkData;
    int FFieldNo = -1;  // slot in the record (data or calculated part)
    int FSize = 0;
    bool FRequired = false, FReadOnly = false, FVisible = true;
    QString FDisplayLabel;
    int FDisplayWidth = -1;
    // What most fields never set, apart: a module holds hundreds of fields.
    struct TRarely {
        QString DisplayFormat, EditFormat, EditMask, ValidChars;
        TDataSet* LookupDataSet = nullptr;
        QString LookupKeyFields, LookupResultField, KeyFields;
    };
    std::unique_ptr<TRarely> FRarely;
    TRarely& Rarely() {
        if (!FRarely) FRarely = std::make_unique<TRarely>();
        return *FRarely;
    }
    bool FDynamic = false;  // created by the dataset from the table's layout
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override { SetAsString(QString::number(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? QStringLiteral("T") : QStringLiteral("F")); }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    QVariant Normalize(QVariant value) const override;
};

class TNumericField : public TField {
public:
    explicit TNumericField(TComponent* owner);

protected:
    QString FormatText(bool displayText) const override;
};

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner);
    int MinValue() const { return FMin; }
    void SetMinValue(int v) { FMin = v; }
    int MaxValue() const { return FMax; }
    void SetMaxValue(int v) { FMax = v; }
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override { SetData(QVariant(qlonglong(value))); }
    double AsFloat() const override { return AsInteger(); }
    void SetAsFloat(double value) override;

protected:
    QVariant Normalize(QVariant value) const override;
    void CheckRange(const QVariant& value) const override;
    int FMin = 0, FMax = 0;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner);
};

class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner);
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner);
    double MinValue() const { return FMin; }
    void SetMinValue(double v) { FMin = v; }
    double MaxValue() const { return FMax; }
    void SetMaxValue(double v) { FMax = v; }
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool v) { FCurrency = v; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int v) { FPrecision = v; }
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override { SetAsFloat(value); }
    double AsFloat() const override;
    void SetAsFloat(double value) override { SetData(QVariant(value)); }

protected:
    QString FormatText(bool displayText) const override;
    QVariant Normalize(QVariant value) const override;
    void CheckRange(const QVariant& value) const override;
    double FMin = 0, FMax = 0;
    bool FCurrency = false;
    int FPrecision = 15;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* owner);
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner);
    QString DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const QString& value) { FDisplayValues = value; }
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetData(QVariant(qlonglong(value ? 1 : 0))); }
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    int AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(int value) override { SetAsBoolean(value != 0); }

protected:
    QVariant Normalize(QVariant value) const override;

private:
    QString FDisplayValues = QStringLiteral("True;False");
};

class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner);
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(TDateTime(value)); }
    QString AsString() const override { return FormatText(false); }
    void SetAsString(const QString& value) override;
    // The format of the text when no display format is set.
    virtual QString DefaultFormat() const;

protected:
    QString FormatText(bool displayText) const override;
    QVariant Normalize(QVariant value) const override;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner);

protected:
    QString DefaultFormat() const override;
    QVariant Normalize(QVariant value) const override;
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner);

protected:
    QString DefaultFormat() const override;
    QVariant Normalize(QVariant value) const override;
};

class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner);
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& value);
    QString AsString() const override;
    void SetAsString(const QString& value) override;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

protected:
    QString FormatText(bool displayText) const override;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner);
    QString AsString() const override;
    void SetAsString(const QString& value) override;

protected:
    QString FormatText(bool displayText) const override;
};

// The fields of a dataset in display order.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    int Count() const { return int(FList.size()); }
    const std::vector<TField*>& List() const { return FList; }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    TField* FindField(QStringView name) const;
    TField* FieldByName(const QString& name) const;
    int IndexOf(TField* field) const;
    void Add(TField* field);
    void Remove(TField* field);
    void Clear() { FList.clear(); }
    void Move(int from, int to);
    TDataSet* DataSet() const { return FDataSet; }

private:
    TDataSet* FDataSet;
    std::vector<TField*> FList;
};

// ---------------------------------------------------------------------------------------------- definitions

class TFieldDef {
public:
    TFieldDef(const QString& name, TFieldType type, int size, bool required)
        : Name(name), DataType(type), Size(size), Required(required) {}
    const QString Name;  // the definitions find it by name
    TFieldType DataType;
    int Size;
    bool Required;
    int FieldNo = 0;
    // A field component of the matching class, owned by `owner`.
    TField* CreateField(TComponent* owner) const;
};

// A field component of the class that holds values of `type`, owned by `owner`, not yet named or
// sized: every maker of fields (definitions, tables' columns, the data module's) goes through it.
TField* NewField(TComponent* owner, TFieldType type);

class TFieldDefs {
public:
    // Reads the layout again from the dataset's source (set by the dataset).
    void Update() {
        if (Updater) Updater();
    }
    std::function<void()> Updater;
    int Count() const { return int(FItems.size()); }
    TFieldDef* Items(int index) const { return FItems.at(index).get(); }
    TFieldDef* operator[](int index) const { return Items(index); }
    TFieldDef* Add(const QString& name, TFieldType type, int size = 0, bool required = false);
    TFieldDef* Find(const QString& name) const;  // raises EDatabaseError "Field '%s' not found"
    int IndexOf(const QString& name) const;
    // The same, trying position `hint` first: fields made in the layout's order find theirs there.
    int IndexOf(const QString& name, int hint) const;
    void Clear() {
        FItems.clear();
        FSlots.clear();
        FPlainNames = true;
    }
    // Room for `count` definitions, so a layout is added without growing the lists.
    void Reserve(int count);
    bool Updated = false;

private:
    void Index(int position);
    std::vector<std::unique_ptr<TFieldDef>> FItems;
    // Positions (plus one; 0 is free) by name without case, open addressing, while every name is
    // plain ASCII: a dataset's fields are looked up by name for each of its fields, and the
    // index keeps no copy of the names.
    std::vector<int> FSlots;
    bool FPlainNames = true;
};

enum TIndexOption : unsigned { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8, ixExpression = 16 };
using TIndexOptions = unsigned;

class TIndexDef {
public:
    TIndexDef(const QString& name, const QString& fields, TIndexOptions options)
        : Name(name), Fields(fields), Options(options) {}
    QString Name;
    QString Fields;  // "ANO;NUMERO"
    TIndexOptions Options;
    QString Expression() const { return QString(); }
};

class TIndexDefs {
public:
    // Reads the indexes again from the table (set by the table).
    void Update() {
        if (Updater) Updater();
    }
    std::function<void()> Updater;
    int Count() const { return int(FItems.size()); }
    TIndexDef* Items(int index) const { return FItems.at(index).get(); }
    TIndexDef* operator[](int index) const { return Items(index); }
    TIndexDef* Add(const QString& name, const QString& fields, TIndexOptions options = 0);
    TIndexDef* GetIndexForFields(const QString& fields, bool caseInsensitive) const;
    int IndexOf(const QString& name) const;
    void Clear() { FItems.clear(); }
    bool Updated = false;

private:
    std::vector<std::unique_ptr<TIndexDef>> FItems;
};

// ---------------------------------------------------------------------------------------------- parameters

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
public:
    explicit TParam(const QString& name = QString()) : FName(name) {}
    QString Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType type) { FDataType = type; }
    TParamType ParamType() const { return FParamType; }
    void SetParamType(TParamType t) { FParamType = t; }
    bool IsNull() const { return FValue.IsNullOrEmpty(); }
    bool Bound() const { return FBound; }
    void SetBound(bool v) { FBound = v; }
    void Clear();
    Variant Value() const { return FValue; }
    void SetValue(const Variant& v);
    QString AsString() const { return FValue.AsString(); }
    void SetAsString(const QString& v) { Set(ftString, Variant(v)); }
    int AsInteger() const { return FValue.AsInteger(); }
    void SetAsInteger(int v) { Set(ftInteger, Variant(v)); }
    void SetAsSmallInt(int v) { Set(ftSmallint, Variant(v)); }
    double AsFloat() const { return FValue.AsFloat(); }
    void SetAsFloat(double v) { Set(ftFloat, Variant(v)); }
    Currency AsCurrency() const { return FValue.AsCurrency(); }
    void SetAsCurrency(Currency v) { Set(ftCurrency, Variant(v.ToDouble())); }
    bool AsBoolean() const { return FValue.AsBoolean(); }
    void SetAsBoolean(bool v) { Set(ftBoolean, Variant(v)); }
    TDateTime AsDateTime() const { return FValue.AsDateTime(); }
    void SetAsDateTime(TDateTime v) { Set(ftDateTime, Variant(v)); }
    TDateTime AsDate() const { return FValue.AsDateTime(); }
    void SetAsDate(TDateTime v);
    TDateTime AsTime() const { return FValue.AsDateTime(); }
    void SetAsTime(TDateTime v);
    QString AsMemo() const { return AsString(); }
    void SetAsMemo(const QString& v) { Set(ftMemo, Variant(v)); }
    // Takes the field's type and value.
    void AssignField(TField* field);
    void AssignFieldValue(TField* field, const Variant& value);
    // The value as the engine binds it.
    QVariant EngineValue() const;

private:
    void Set(TFieldType type, const Variant& v) {
        FDataType = type;
        FValue = v;
        FBound = true;
    }
    QString FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptInput;
    Variant FValue;
    bool FBound = false;
};

class TParams {
public:
    int Count() const { return int(FItems.size()); }
    TParam* Items(int index) const { return FItems.at(index).get(); }
    TParam* operator[](int index) const { return Items(index); }
    TParam* FindParam(const QString& name) const;
    TParam* ParamByName(const QString& name) const;  // raises EDatabaseError "Parameter '%s' not found"
    TParam* CreateParam(TFieldType type, const QString& name, TParamType paramType);
    void Clear() { FItems.clear(); }
    // Keeps the values of same-named parameters of `other`.
    void AssignValues(const TParams& other);

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};

// ---------------------------------------------------------------------------------------------- the dataset

namespace platform::db {
// A field's value that holds nothing: absent, null, or an empty text.
inline bool BlankValue(const QVariant& v) {
    // A text that holds characters is never null.
    if (v.typeId() == QMetaType::QString) return static_cast<const QString*>(v.constData())->isEmpty();
    return !v.isValid() || v.isNull();
}

// One record of a dataset's buffer: stored values, calculated/lookup values and identity.
struct TRecordBuffer {
    qint64 Id = 0;
    std::vector<QVariant> Data;
    std::vector<QVariant> Calc;
    std::vector<char> Assigned;  // key buffers: which fields were given a value
    // Lookup fields (by slot in Calc) not looked up yet: a lookup is a query, made when the
    // field is read, not for every row fetched.
    std::vector<char> Unlooked;
};
// Buffers trade their lists, not their values.
inline void swap(TRecordBuffer& a, TRecordBuffer& b) noexcept {
    std::swap(a.Id, b.Id);
    a.Data.swap(b.Data);
    a.Calc.swap(b.Calc);
    a.Assigned.swap(b.Assigned);
    a.Unlooked.swap(b.Unlooked);
}

// Called when a transaction opened during a post or a delete is still open when the operation
// ends (the text names the dataset and the operation); the transaction is then rolled back, so
// no later write joins it. Tests make it fail; the program logs it.
extern std::function<void(const QString&)> OnTransactionLeak;
}  // namespace platform::db

class TDataSet : public TComponent {
public:
    using TRecordBuffer = platform::db::TRecordBuffer;
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // Opening and closing.
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const {
        EnsureFresh();
        return FBof;
    }
    bool Eof() const {
        EnsureFresh();
        return FEof;
    }
    bool IsEmpty() const;
    virtual int RecNo() const;
    // RecNo answers without counting the rows before the record (it is known from a step, the
    // window touches an end of the cursor, or the cursor numbers its rows itself).
    bool RecNoKnown() const;
    virtual void SetRecNo(int value);
    virtual int RecordCount() const;
    // RecordCount answers without asking the engine to count.
    bool RecordCountKnown() const;
    // RecNo and RecordCount are meaningful (no record filter event hides rows).
    bool IsSequenced() const { return !(FFiltered && OnFilterRecord); }
    void Refresh();
    void Resync();
    void CheckBrowseMode();
    void UpdateCursorPos() {}
    void CursorPosChanged() {}
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // Editing.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void UpdateRecord();
    bool CanModify() const;
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    void AppendRecord(const std::vector<Variant>& values);
    void SetFields(const std::vector<Variant>& values);
    // Ties work pending on the post in progress (a transaction opened by a BeforePost handler) to
    // that post: `end(true)` runs as soon as the row is written, before the dataset leaves edit or
    // insert, so a failure there fails the post and keeps the record; `end(false)` runs on every
    // other way out of the post.
    void BindToPost(std::function<void(bool written)> end) { FPostEnd = std::move(end); }

    // Bookmarks.
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark&) {}
    bool BookmarkValid(const TBookmark& bookmark) const;
    TBookmark Bookmark() const { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    // Moves to the bookmark and resyncs; false (and no move) when it cannot be reached.
    bool SetToBookmark(const TBookmark& bookmark);

    // Searching.
    virtual bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields);
    // Lookup of many values of one key field at once: the result of each, as Lookup gives it.
    virtual std::vector<Variant> LookupMany(const QString& keyField, const std::vector<Variant>& keys, const QString& resultFields);

    // Filtering.
    QString Filter() const { return FFilterText; }
    void SetFilter(const QString& value);
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool value);
    TFilterRecordEvent OnFilterRecord;
    void SetOnFilterRecord(const TFilterRecordEvent& handler);

    // Fields.
    // A field is handed out only after pending rows are brought up: bringing them up later, from
    // inside the field's own read, would free the dynamic field being read.
    TFields* Fields() const {
        EnsureFresh();
        return FFields.get();
    }
    int FieldCount() const { return FFields->Count(); }
    TField* FieldByName(const QString& name) const {
        EnsureFresh();
        return FFields->FieldByName(name);
    }
    TField* FindField(const QString& name) const {
        EnsureFresh();
        return FFields->FindField(name);
    }
    TFieldDefs* FieldDefs() const { return FFieldDefs.get(); }
    Variant FieldValues(const QString& fieldNames) const;
    bool DefaultFields() const { return FDefaultFields; }
    // Fields named in "A;B" (raises for an unknown name).
    std::vector<TField*> GetFieldList(const QString& fieldNames) const;
    bool AutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    // Data sources and links.
    // Nothing to tell when nothing listens and changes are not held back.
    void DataEvent(TDataEvent event, qint64 info = 0) {
        if (FDisableCount > 0 || !FDataSources.empty()) TellSources(event, info);
    }
    int BufferCountForLinks() const { return FBufferCount; }
    int ActiveRecord() const { return FActiveRecord; }
    void SetActiveRecordIndex(int index);  // data links walking the buffer
    int BufferedRecordCount() const { return int(FBuffers.size()); }

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // Record access for fields (the record the fields show now).
    TRecordBuffer* CurrentRecord() const;
    QVariant GetFieldData(const TField* field) const;
    void SetFieldData(TField* field, QVariant value);

protected:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // What a concrete dataset provides.
    virtual void InternalOpen() = 0;   // fills FieldDefs and prepares the cursor
    virtual void InternalClose() {}
    // Rows after/before `from` (or from the start/end when null), in cursor order.
    virtual std::vector<TRecordBuffer> FetchRows(const TRecordBuffer* from, bool forward, int count) = 0;
    virtual bool FetchById(qint64 id, TRecordBuffer& rec) = 0;
    // The one row after/before `from`; datasets that read ahead hand it over without a list.
    virtual bool FetchOne(const TRecordBuffer* from, bool forward, TRecordBuffer& row);
    virtual int CursorCount() = 0;
    virtual int CursorRecNo(const TRecordBuffer& rec) = 0;
    virtual bool CursorRecNoCheap() const { return false; }
    virtual void InternalPost(TRecordBuffer& rec, const TRecordBuffer* original, bool inserting) = 0;
    // The record `id` as stored by the post just made, when the post could tell it unread.
    virtual bool PostedRow(qint64 id, TRecordBuffer& rec) {
        (void)id;
        (void)rec;
        return false;
    }
    virtual void InternalDelete(const TRecordBuffer& rec) = 0;
    virtual bool LockRecord(const TRecordBuffer&) { return true; }
    virtual void UnlockRecord(const TRecordBuffer&) {}
    virtual bool CursorCanModify() const { return true; }
    virtual void InternalInitRecord(TRecordBuffer&) {}
    virtual void AfterPostRow() {}
    virtual bool FilterSupported() const { return true; }
    // Whether the stored column `slot` belongs to the current order.
    virtual bool IsIndexSlot(int) const { return false; }
    // Reads the data again keeping the position (tables re-read their window).
    virtual void InternalRefresh();
    // Leaves the key-editing state keeping the key typed in.
    virtual void EndSetKey();
    // Forget rows read ahead (the data may have changed).
    virtual void InvalidateCache() {}
    // The engine's write a post ran in, and what became of it when its commit's answer was lost
    // (`row`: the record shown, 0 when new; gets the record the write stored for it, or 0).
    virtual qint64 WriteTicket() { return 0; }
    virtual platform::db::TWriteOutcome WriteOutcome(qint64 ticket, qint64* row) {
        (void)ticket;
        *row = 0;
        return platform::db::TWriteOutcome::Told;
    }
    // The engine transaction of the dataset's database, for the guard on posts and deletes.
    virtual bool TransactionActive() { return false; }
    virtual void AbandonTransaction() {}

    // A dataset that follows a master (a query on a data source) may leave its rows behind
    // while nothing shows or reads them: the next look at them brings them up to date.
    void MarkStale() { FStale = true; }
    virtual void Freshen() {}
    void EnsureFresh() const {
        if (!FStale) return;
        auto* self = const_cast<TDataSet*>(this);
        self->FStale = false;
        self->Freshen();
    }
    // A data link, or a data source's event, shows or follows this dataset.
    bool Watched() const;

    // Helpers for descendants.
    void CheckActive() const;
    void CheckInactive() const;
    void SetState(TDataSetState value);
    void CreateFields();
    void BindFields();
    void CalculateFields(TRecordBuffer& rec);
    void LookUp(TRecordBuffer& rec, TField* field);
    // Whether `field` of `rec` equals `value`, as Lookup compares.
    bool RecordMatches(TRecordBuffer& rec, TField* field, const Variant& value);
    bool AcceptRecord(TRecordBuffer& rec);
    // `fieldNames` read from `rec` (calculated fields included), the dataset's window untouched.
    Variant RecordValues(TRecordBuffer& rec, const QString& fieldNames);
    std::vector<TRecordBuffer> FetchFiltered(const TRecordBuffer* from, bool forward, int count);
    void FillBuffers(TRecordBuffer center);  // puts `center` current and fills around it
    void FillBuffersCentered(TRecordBuffer center);  // a jump: `center` mid-window
    void ReadFromStart();  // the window on the cursor's first rows
    void ClearBuffers();
    void SetBufferCount(int count);
    void DoAfterScroll();
    void DoBeforeScroll();
    void RunEvent(const TDataSetNotifyEvent& event);
    void NewRecordBuffer(TRecordBuffer& rec);
    // Trades `values` for the list a jump left over (see FSpareData).
    void SwapSpareData(std::vector<QVariant>& values) { values.swap(FSpareData); }
    void SyncLookupAndCalc();
    int DataFieldCount() const { return FFieldDefs->Count(); }
    QString FilterText() const { return FFilterText; }
    void CountChanged() {
        FCountCache = -1;
        FRecNoId = 0;
    }
    mutable int FCountCache = -1;
    bool FStale = false;
    // The record number of the record with id FRecNoId (0: none known): stepping keeps it, so
    // a step never counts the rows before the record again.
    mutable int FRecNoCache = 0;
    mutable qint64 FRecNoId = 0;
    bool FFiltered = false;

private:
    friend class TDataLink;
    class TRecordScope;
    void OpenCursor();
    void CloseCursor();
    bool HandleError(const TDataSetErrorEvent& handler, EDatabaseError& e);
    class TOperationGuard;
    void DoPost();
    void DoDelete();
    void EndPostWork(bool written);
    void DoInsert(bool append);
    void DoEdit();
    void CheckRequiredFields();
    void FreeLock();
    void Scrolled(int distance);
    void UpdateLinkRanges();

    void TellSources(TDataEvent event, qint64 info);
    TDataSetState FState = dsInactive;
    TDataSetState FSavedState = dsInactive;
    std::unique_ptr<TFields> FFields;
    std::unique_ptr<TFieldDefs> FFieldDefs;
    std::vector<TRecordBuffer> FBuffers;
    int FActiveRecord = 0;
    int FBufferCount = 1;
    bool FBof = true, FEof = true;
    // The window holds the cursor's first / last record (false when not known).
    bool FWindowAtStart = true, FWindowAtEnd = true;
    // The row just outside each end of the window, read with the window: stepping reads on
    // from it, so the window always knows whether it reaches the cursor's ends.
    struct TPeek {
        bool Known = false;
        qint64 Anchor = 0;  // the window's end row it neighbours
        bool Exists = false;
        TRecordBuffer Row;
    };
    TPeek FPeekPrior, FPeekNext;
    void ForgetPeeks() { FPeekPrior.Known = FPeekNext.Known = false; }
    bool StepOutside(bool forward, TRecordBuffer& row);
    bool StepSingle(bool forward);
    void ShrinkWindow();
    bool FetchNextRow(const TRecordBuffer* from, bool forward, TRecordBuffer& row);
    bool FModified = false;
    bool FReadOnly = false;
    bool FDefaultFields = true;
    bool FAutoCalcFields = true;
    bool FStreamedActive = false;
    int FDisableCount = 0;
    bool FPendingChange = false;
    TDataEvent FPendingEvent = deDataSetChange;
    TRecordBuffer FOriginal;      // record as read before Edit
    TRecordBuffer FCalcRecord;    // target while calculating or filtering
    TRecordBuffer* FTempRecord = nullptr;
    bool FLocked = false;
    int FInsertPos = -1;          // buffer slot of the record being inserted
    QString FFilterText;
    std::vector<TDataSource*> FDataSources;
    std::unique_ptr<TRecordBuffer> FKeyBuffer;
    // The values of the row a jump put out of a one-row window: the next search reads into
    // this list rather than a new one.
    std::vector<QVariant> FSpareData;
    std::function<void(bool)> FPostEnd;
    // The write of the last post, while a lost commit's answer may leave it to settle.
    qint64 FWriteTicket = 0;
    qint64 FWriteRow = 0;
    void HoldWriteTicket(qint64 ticket, qint64 row);
    bool SettlePost();
    friend class TDBDataSet;
    friend class TTable;
    friend class TQuery;
};

// ---------------------------------------------------------------------------------------------- data sources and links

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TDataSetState State() const { return FState; }
    void Edit();

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, qint64 info);
    void UpdateState();
    void NotifyLinks(TDataEvent event, qint64 info);
    TDataSet* FDataSet = nullptr;
    bool FAutoEdit = true;
    bool FEnabled = true;
    TDataSetState FState = dsInactive;
    std::vector<TDataLink*> FLinks;
};

class TDataLink : public TObject {
public:
    TDataLink() = default;
    ~TDataLink() override;
    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool DataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool value) { FDataSourceFixed = value; }
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    int RecordCount() const;
    bool Edit();
    void UpdateRecord();
    bool Bof() const;
    bool Eof() const;
    int MoveBy(int distance);
    // The link's own rows show the dataset's first / last record.
    bool ShowsFirstRecord() const;
    bool ShowsLastRecord() const;

protected:
    friend class TDataSource;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int) { DataSetChanged(); }
    virtual void FocusControl(TField**) {}
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void UpdateData() {}

private:
    friend class TDataSet;
    void DataEvent(TDataEvent event, qint64 info);
    void UpdateState();
    // Keeps the link's rows a full page of the dataset's window around its current record.
    int UpdateRange(int shift);
    TDataSource* FDataSource = nullptr;
    bool FActive = false, FEditing = false, FReadOnly = false, FUpdating = false, FDataSourceFixed = false;
    int FBufferCount = 1;
    int FFirstRecord = 0;  // the link's first row in the dataset's window
};

class TFieldDataLink : public TDataLink {
public:
    TFieldDataLink() = default;
    TField* Field() const { return FField; }
    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString& name);
    TComponent* Control() const { return FControl; }
    void SetControl(TComponent* control) { FControl = control; }
    bool CanModify() const;
    bool Editing() const { return FEditing; }
    bool Edit();
    void Modified() { FModified = true; }
    void Reset();
    bool IsModified() const { return FModified; }

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetEditing(bool value);
    TField* FField = nullptr;
    QString FFieldName;
    TComponent* FControl = nullptr;
    bool FEditing = false, FModified = false;
};
