#pragma once
// Combo boxes bound to one field. TZbDBComboBox can show readable items while the field keeps a
// code: with EnableValues on, item i is shown and Values[i] is stored.
#include "platform/forms/DBCtrls.h"
#include "platform/forms/StdCtrls.h"

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
