#pragma once
// A combo box drawn by its owner whose item height follows its font, and the colour combo that
// offers the sixteen standard colours as swatches with their names.
#include "platform/forms/StdCtrls.h"

// Style takes csDropDown, csSimple or csDropDownList (the default); items are always drawn by
// the owner with one fixed height.
class TOwnerDrawComboBox : public TCustomComboBox {
public:
    explicit TOwnerDrawComboBox(TComponent* owner);
    TComboBoxStyle Style() const { return FODStyle; }
    void SetStyle(TComboBoxStyle value);
    void CMFontChanged() override;
    // The font's text height plus 1, at least 9.
    int GetItemHt() const;

protected:
    virtual void CreateWnd();
    void ApplyItemHeight();

private:
    TComboBoxStyle FODStyle = csDropDownList;
};

class TColorComboBox : public TOwnerDrawComboBox {
public:
    explicit TColorComboBox(TComponent* owner);
    ~TColorComboBox() override;
    TColor ColorValue();
    void SetColorValue(TColor value);
    bool DisplayNames() const { return FDisplayNames; }
    TStrings* ColorNames() const { return FColorNames.get(); }
    void SetColorNames(TStrings* value) { FColorNames->Assign(value); }
    // The colour of an item (its object).
    TColor ItemColor(int index) const;

    // OnChange (of the combo box) runs when ColorValue changes.
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    void Click() override;

protected:
    void CreateWnd() override;
    virtual void PopulateList();
    void Change() override;
    void DoChange();

private:
    void ColorNamesChanged();
    TColor FColorValue = clBlack;
    bool FDisplayNames = true;
    std::unique_ptr<platform::forms::TControlStrings> FColorNames;
    bool FChanging = false;
};
