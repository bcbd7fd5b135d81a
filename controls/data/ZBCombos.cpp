#include "controls/data/ZBCombos.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QScopedValueRollback>
#include <algorithm>

namespace {
constexpr TColor StandardColors[16] = {clBlack, clMaroon, clGreen, clOlive,  clNavy, clPurple, clTeal,    clGray,
                                       clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};

bool HasEditPart(TComboBoxStyle style) { return style == csDropDown || style == csSimple; }
}  // namespace

// ---------------------------------------------------------------------------------------------- owner-drawn

TOwnerDrawComboBox::TOwnerDrawComboBox(TComponent* owner) : TCustomComboBox(owner) {
    TCustomComboBox::SetStyle(csOwnerDrawFixed);
    ApplyItemHeight();
}

void TOwnerDrawComboBox::SetStyle(TComboBoxStyle value) {
    if (value != csDropDown && value != csSimple) value = csDropDownList;
    if (value == FODStyle) return;
    FODStyle = value;
    CreateWnd();
}

// The platform's owner-drawn combo has no edit part: the styles with one keep an editable combo.
void TOwnerDrawComboBox::CreateWnd() {
    TCustomComboBox::SetStyle(HasEditPart(FODStyle) ? csDropDown : csOwnerDrawFixed);
    SetOwnerDrawnItems(true);
    ApplyItemHeight();
}

int TOwnerDrawComboBox::GetItemHt() const {
    QFontMetrics fm(Font()->ToQFont());
    return std::max(9, fm.height() + 1);
}

void TOwnerDrawComboBox::ApplyItemHeight() { SetItemHeight(GetItemHt()); }

void TOwnerDrawComboBox::CMFontChanged() {
    TCustomComboBox::CMFontChanged();
    ApplyItemHeight();
    Invalidate();
}

// ---------------------------------------------------------------------------------------------- colours

TColorComboBox::TColorComboBox(TComponent* owner)
    : TOwnerDrawComboBox(owner),
      FColorNames(std::make_unique<platform::forms::TControlStrings>([this](const platform::forms::TItemsEdit&) { ColorNamesChanged(); })) {
    CreateWnd();
}

TColorComboBox::~TColorComboBox() = default;

void TColorComboBox::CreateWnd() {
    TOwnerDrawComboBox::CreateWnd();
    PopulateList();
    TColor keep = FColorValue;
    // Selecting again after the list was rebuilt.
    FColorValue = keep == clBlack ? clWhite : clBlack;
    SetColorValue(keep);
}

void TColorComboBox::PopulateList() {
    Items()->BeginUpdate();
    Items()->Clear();
    for (int i = 0; i < 16; ++i) {
        QString name;
        if (i < FColorNames->Count()) name = FColorNames->Strings(i);
        if (name.isEmpty()) name = ColorToString(StandardColors[i]).mid(2);
        Items()->AddObject(name, reinterpret_cast<TObject*>(quintptr(StandardColors[i])));
    }
    Items()->EndUpdate();
}

TColor TColorComboBox::ItemColor(int index) const {
    return TColor(reinterpret_cast<quintptr>(Items()->Objects(index)));
}

void TColorComboBox::ColorNamesChanged() {
    TColor keep = ColorValue();
    PopulateList();
    FColorValue = keep == clBlack ? clWhite : clBlack;
    SetColorValue(keep);
}

void TColorComboBox::SetColorValue(TColor value) {
    if (value == FColorValue && ItemIndex() != -1) return;
    FColorValue = value;
    for (int i = 0; i < Items()->Count(); ++i) {
        if (ItemColor(i) == value) {
            if (ItemIndex() != i) SetItemIndex(i);
            DoChange();
            return;
        }
    }
    if (HasEditPart(Style())) {
        QString text = ColorToString(value);
        if (text.startsWith(QLatin1String("cl"))) text = text.mid(2);
        SetItemIndex(-1);
        SetText(text);
    } else {
        SetItemIndex(-1);
    }
    DoChange();
}

TColor TColorComboBox::ColorValue() {
    if (HasEditPart(Style()) && ItemIndex() < 0) {
        const QString text = Text().trimmed();
        int i = Items()->IndexOf(text);
        if (i >= 0) return ItemColor(i);
        TColor c;
        if (IdentToColor(QStringLiteral("cl") + text, c) || IdentToColor(text, c)) return c;
        bool ok = false;
        int n = text.toInt(&ok);
        if (ok) return TColor(n);
        return FColorValue;
    }
    return FColorValue;
}

void TColorComboBox::DrawItem(int index, TRect rect, TOwnerDrawState) {
    TCanvas* c = Canvas();
    c->FillRect(rect);
    if (index < 0 || index >= Items()->Count()) return;
    TRect swatch = Rect(rect.Left + 2, rect.Top + 2, FDisplayNames ? rect.Left + 22 : rect.Right - 3, rect.Bottom - 2);
    TColor saved = c->Brush()->Color();
    c->Brush()->SetColor(clWindowText);
    c->FrameRect(swatch);
    InflateRect(swatch, -1, -1);
    c->Brush()->SetColor(ItemColor(index));
    c->FillRect(swatch);
    c->Brush()->SetColor(saved);
    if (FDisplayNames) {
        TRect text = rect;
        text.Left += 28;
        c->DrawText(Items()->Strings(index), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

void TColorComboBox::Click() {
    if (ItemIndex() >= 0) SetColorValue(ItemColor(ItemIndex()));
    TOwnerDrawComboBox::Click();
}

void TColorComboBox::Change() {
    // The platform combo reports a chosen item as a change: it is the click of the item too.
    if (FChanging) return;
    const QScopedValueRollback<bool> changing(FChanging, true);
    if (ItemIndex() >= 0 && ItemColor(ItemIndex()) != FColorValue) {
        Click();
        return;
    }
    TColor c = ColorValue();
    if (c != FColorValue) {
        FColorValue = c;
        DoChange();
    }
}

void TColorComboBox::DoChange() {
    if (ComponentState() & csReading) return;
    OnChange(this);
}
