#pragma once
// Combo boxes bound to one field. TZbDBComboBox can show readable items while the field keeps a
// code: with EnableValues on, item i is shown and Values[i] is stored.
#include "platform/forms/DBCtrls.h"
#include "platform/forms/StdCtrls.h"

class TCustomDBComboBox : public TCustomComboBox {
public:
    explicit TCustomDBComboBox(TComponent* owner);
    ~TCustomDBComboBox() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const QString& name) { FDataLink->SetFieldName(name); }
    TField* Field() const { return FDataLink->Field(); }
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
    TFieldDataLink* DataLink() const { return FDataLink.get(); }

private:
    void EditingChange();
    void UpdateData();
    std::unique_ptr<platform::forms::TControlDataLink> FDataLink;
    bool FInChange = false;
};

class TZbDBComboBox : public TCustomDBComboBox {
public:
    explicit TZbDBComboBox(TComponent* owner);
    ~TZbDBComboBox() override;
    TStrings* Values() const { return FValues.get(); }
    void SetValues(TStrings* value) { FValues->Assign(value); }
    bool EnableValues() const { return FEnableValues; }
    void SetEnableValues(bool value);
    void SetStyle(TComboBoxStyle value) override;

    QString GetComboText() const override;
    void SetComboText(const QString& value) override;
    QString GetPaintText() const override;

private:
    std::unique_ptr<platform::forms::TControlStrings> FValues;
    bool FEnableValues = false;
};
