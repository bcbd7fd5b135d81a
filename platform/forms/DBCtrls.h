#pragma once
// Data-aware controls: each shows one field of the current record of a data source and writes
// the user's change back when the record is posted (or when the control is left). Typing into
// a control puts the dataset into edit only when the data source allows it (AutoEdit).
#include "platform/db/DB.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Mask.h"

#include <functional>
#include <memory>

class QComboBox;

namespace platform::forms {
// A field link that names its control (for data-aware controls that keep their own link).
class TControlDataLink : public TFieldDataLink {
public:
    explicit TControlDataLink(TComponent* control) { SetControl(control); }
};

// The field a data-aware control shows: its data link, bound to the control's handlers for a
// new value to show and for its value to be written, and the properties that name the field.
class TFieldBinding {
public:
    TFieldBinding(TComponent* control, std::function<void()> dataChange, std::function<void()> updateData);
    virtual ~TFieldBinding();
    TFieldBinding(const TFieldBinding&) = delete;
    TFieldBinding& operator=(const TFieldBinding&) = delete;
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* source) { FDataLink->SetDataSource(source); }
    QString DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const QString& name) { FDataLink->SetFieldName(name); }
    TField* Field() const { return FDataLink->Field(); }
    TFieldDataLink* DataLink() const { return FDataLink.get(); }

protected:
    std::unique_ptr<TFieldDataLink> FDataLink;
};
}  // namespace platform::forms

class TDBEdit : public TCustomMaskEdit, public platform::forms::TFieldBinding {
public:
    explicit TDBEdit(TComponent* owner);
    ~TDBEdit() override;
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool v) override;

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoEnter() override;
    void DoExit() override;

protected:
    void Change() override;
    bool EditCanModify() override { return FDataLink->Edit(); }
    QChar KeypadDecimal(QChar typed) const override;

private:
    void DataChange();
    void UpdateData();
    bool FFocused = false;
    bool FSyncing = false;
};

class TDBText : public TCustomLabel, public platform::forms::TFieldBinding {
public:
    explicit TDBText(TComponent* owner);
    ~TDBText() override;

protected:

private:
    void DataChange();
};

class TDBMemo : public TCustomMemo, public platform::forms::TFieldBinding {
public:
    explicit TDBMemo(TComponent* owner);
    ~TDBMemo() override;
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool v) { FDataLink->SetReadOnly(v); }

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    // Cutting, pasting and deleting change the field: they start editing first, or do nothing
    // when the record cannot be edited.
    bool EditCanModify() override { return FDataLink->Edit(); }

protected:
    void Change() override;

private:
    void DataChange();
    void UpdateData();
    bool FSyncing = false;
};

class TDBCheckBox : public TCustomCheckBox, public platform::forms::TFieldBinding {
public:
    explicit TDBCheckBox(TComponent* owner);
    ~TDBCheckBox() override;
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool v) { FDataLink->SetReadOnly(v); }
    // Texts that mean checked / unchecked in a text field; ";" separates alternatives.
    QString ValueChecked() const { return FValueChecked; }
    void SetValueChecked(const QString& v) { FValueChecked = v; DataChange(); }
    QString ValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const QString& v) { FValueUnchecked = v; DataChange(); }
    void DoExit() override;

protected:
    void Toggled() override;

private:
    void DataChange();
    void UpdateData();
    TCheckBoxState FieldState() const;
    QString FValueChecked = QStringLiteral("True"), FValueUnchecked = QStringLiteral("False");
    bool FSyncing = false;
};

// The base of the combo boxes bound to one field. Derived combos choose what is shown for a field
// value and what is written back (GetComboText / SetComboText).
class TCustomDBComboBox : public TCustomComboBox, public platform::forms::TFieldBinding {
public:
    explicit TCustomDBComboBox(TComponent* owner);
    ~TCustomDBComboBox() override;

    void SetDataSource(TDataSource* source);
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool value) { FDataLink->SetReadOnly(value); }
    // Setting the items shows the field again.
    void SetItems(TStrings* value);
    virtual void SetStyle(TComboBoxStyle value);

    // The value the control would write into the field, and showing a field value.
    virtual QString GetComboText() const;
    virtual void SetComboText(const QString& value);
    // The text shown for the current field value when a copy of the control is painted.
    virtual QString GetPaintText() const;

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    void Click() override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Change() override;
    void DataChange();
    void UpdateEditReadOnly();

private:
    void EditingChange();
    void UpdateData();
    bool FInChange = false;
};

class TDBComboBox : public TCustomDBComboBox {
public:
    explicit TDBComboBox(TComponent* owner) : TCustomDBComboBox(owner) {}
};

class TDBRadioGroup : public TCustomRadioGroup, public platform::forms::TFieldBinding {
public:
    explicit TDBRadioGroup(TComponent* owner);
    ~TDBRadioGroup() override;
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool v) { FDataLink->SetReadOnly(v); }
    // The field value of each item; when empty the item captions are the values.
    TStrings* Values() const { return FValues.get(); }
    QString Value() const { return FValue; }
    void SetValue(const QString& v);
    TNotifyEvent OnChange;
    void DoExit() override;

protected:
    void ButtonClicked(int index) override;

private:
    QString ItemValue(int index) const;
    void DataChange();
    void UpdateData();
    std::unique_ptr<TStringList> FValues;
    QString FValue;
    bool FSyncing = false;
};

// A list of another dataset's rows (ListSource, ListField shown, KeyField kept) that sets a
// key field of the edited record.
class TDBLookupComboBox : public TWinControl, public platform::forms::TFieldBinding {
public:
    explicit TDBLookupComboBox(TComponent* owner);
    ~TDBLookupComboBox() override;
    void SetListSource(TDataSource* source);
    QString KeyField() const { return FKeyField; }
    void SetKeyField(const QString& v) { FKeyField = v; ListChanged(); }
    QString ListField() const { return FListField; }
    void SetListField(const QString& v) { FListField = v; ListChanged(); }
    Variant KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& v);
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool v) { FDataLink->SetReadOnly(v); }
    int DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int v) { FDropDownRows = v; }
    // Rebuilds the list from the list dataset (after its rows changed).
    void ListChanged();
    QComboBox* ComboBox() const;

    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;
    void DoExit() override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    QString GetText() const override;

private:
    class TListLink;
    void DataChange();
    void UpdateData();
    void Select(int index);
    void LocateKey();
    std::unique_ptr<TListLink> FListLink;
    QString FKeyField, FListField;
    Variant FKeyValue;
    std::vector<Variant> FKeys;
    int FDropDownRows = 7;
    bool FSyncing = false;
};
