#include "controls/data/ZbDBComb.h"

TZbDBComboBox::TZbDBComboBox(TComponent* owner)
    : TCustomDBComboBox(owner), FValues(std::make_unique<platform::forms::TControlStrings>([this](const platform::forms::TItemsEdit&) {
          if (FEnableValues) DataChange();
      })) {}

TZbDBComboBox::~TZbDBComboBox() = default;

void TZbDBComboBox::SetEnableValues(bool value) {
    if (value == FEnableValues) return;
    if (value && (Style() == csDropDown || Style() == csSimple)) TCustomDBComboBox::SetStyle(csDropDownList);
    FEnableValues = value;
    DataChange();
}

void TZbDBComboBox::SetStyle(TComboBoxStyle value) {
    if (FEnableValues && (value == csDropDown || value == csSimple)) value = csDropDownList;
    TCustomDBComboBox::SetStyle(value);
}

QString TZbDBComboBox::GetComboText() const {
    if ((Style() == csDropDown || Style() == csSimple) && !FEnableValues) return Text();
    int i = ItemIndex();
    if (i < 0) return QString();
    if (FEnableValues) return i < FValues->Count() ? FValues->Strings(i) : QString();
    return i < Items()->Count() ? Items()->Strings(i) : QString();
}

void TZbDBComboBox::SetComboText(const QString& value) {
    if (!FEnableValues) {
        TCustomDBComboBox::SetComboText(value);
        return;
    }
    if (value == GetComboText()) return;
    if (Style() != csDropDown) {
        int i = value.isEmpty() ? -1 : FValues->IndexOf(value);
        SetItemIndex(i < Items()->Count() ? i : -1);
        Invalidate();
        if (i >= 0) return;
    }
    if (Style() == csDropDown || Style() == csSimple) SetText(value);
}

QString TZbDBComboBox::GetPaintText() const {
    if (!FEnableValues) return TCustomDBComboBox::GetPaintText();
    TField* f = Field();
    if (!f) return QString();
    int i = FValues->IndexOf(f->Text());
    return i >= 0 && i < Items()->Count() ? Items()->Strings(i) : QString();
}
