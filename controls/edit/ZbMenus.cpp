#include "controls/edit/ZbMenus.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/HelpRouter.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Forms.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
std::vector<TZbPopupMenu*>& PopupList() {
    static std::vector<TZbPopupMenu*> list;
    return list;
}

QString TwoTabs() { return QStringLiteral("\t\t"); }

// The widest caption-plus-tabs and shortcut texts among the items of a parent.
void ColumnWidths(TCanvas* c, TMenuItem* item, int& a, int& b) {
    auto widthA = [c](TMenuItem* i) { return c->TextWidth(StripHotkey(i->Caption()) + TwoTabs()); };
    auto widthB = [c](TMenuItem* i) { return c->TextWidth(ShortCutToText(i->ShortCut()) + QLatin1Char(' ')); };
    a = widthA(item);
    b = widthB(item);
    if (item->Parent() && item->ShortCut() != 0) {
        for (int i = 0; i < item->Parent()->Count(); ++i) {
            a = std::max(a, widthA(item->Parent()->Items(i)));
            b = std::max(b, widthB(item->Parent()->Items(i)));
        }
    }
}
}  // namespace

namespace controls::edit {
}  // namespace controls::edit

TZbPopupMenu::TZbPopupMenu(TComponent* owner)
    : TPopupMenu(owner), FCanvas(std::make_unique<TCanvas>()), FImageChangeLink(std::make_unique<TChangeLink>()) {
    PopupList().push_back(this);
    FImageChangeLink->OnChange = TNotifyEvent(this, &TZbPopupMenu::ImageListChange);
}

TZbPopupMenu::~TZbPopupMenu() {
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    SetStyle(msStandard);
    auto& list = PopupList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

int TZbPopupMenu::CheckOffset() { return int(std::lround(0.3 * CheckMarkWidth())); }

bool TZbPopupMenu::IsOwnerDraw() const { return FStyle != msStandard || (FImages && FImages->Count() > 0); }

void TZbPopupMenu::SetStyle(TZbMenuStyle v) {
    if (v == FStyle) return;
    FStyle = v;
    RefreshMenu(IsOwnerDraw());
}

void TZbPopupMenu::SetImages(TImageList* v) {
    const bool was = IsOwnerDraw();
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = v;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    if (IsOwnerDraw() != was) RefreshMenu(IsOwnerDraw());
}

void TZbPopupMenu::ImageListChange(TObject* sender) {
    if (sender == FImages || FImageChangeLink->Sender() == FImages) RefreshMenu(IsOwnerDraw());
}

void TZbPopupMenu::Loaded() {
    TPopupMenu::Loaded();
    if (IsOwnerDraw()) RefreshMenu(true);
}

void TZbPopupMenu::Notification(TComponent* component, TOperation operation) {
    TPopupMenu::Notification(component, operation);
    if (operation == opRemove && component == FImages) SetImages(nullptr);
}

void TZbPopupMenu::Popup(int x, int y) {
    OnPopup(this);
    if (IsOwnerDraw()) RefreshMenu(true);
    // The base fires OnPopup itself; keep it from firing twice.
    TNotifyEvent saved = OnPopup;
    OnPopup = TNotifyEvent();
    try {
        TPopupMenu::Popup(x, y);
    } catch (...) {
        OnPopup = saved;
        throw;
    }
    OnPopup = saved;
}

void TZbPopupMenu::RefreshMenu(bool ownerDraw) {
    if (HasState(csDesigning)) return;
    for (int i = 0; i < Items()->Count(); ++i) SetItemOwnerDraw(Items()->Items(i), ownerDraw);
}

void TZbPopupMenu::SetItemOwnerDraw(TMenuItem* item, bool ownerDraw) {
    TItemState& s = FItemStates[item];
    s.Text = item->Caption();
    if (item->ShortCut() != 0) s.Text += TwoTabs() + ShortCutToText(item->ShortCut());
    unsigned flags = 0;
    if (item->IsLine()) flags |= MF_SEPARATOR;
    if (item->Break() == mbBreak) flags |= MF_MENUBREAK;
    if (item->Break() == mbBarBreak) flags |= MF_MENUBARBREAK;
    if (item->Checked()) flags |= MF_CHECKED;
    if (!item->Enabled()) flags |= MF_DISABLED | MF_GRAYED;
    if (item->RadioItem()) flags |= MFT_RADIOCHECK;
    if (item->Count() > 0) flags |= MF_POPUP;
    if (ownerDraw) flags |= MF_OWNERDRAW;
    s.Flags = flags;
    s.OwnerDraw = ownerDraw;
    for (int i = 0; i < item->Count(); ++i) SetItemOwnerDraw(item->Items(i), ownerDraw);
}

bool TZbPopupMenu::ItemOwnerDrawn(const TMenuItem* item) const {
    auto it = FItemStates.find(item);
    return it != FItemStates.end() && it->second.OwnerDraw;
}

QString TZbPopupMenu::ItemText(const TMenuItem* item) const {
    auto it = FItemStates.find(item);
    return it != FItemStates.end() ? it->second.Text : QString();
}

unsigned TZbPopupMenu::ItemFlags(const TMenuItem* item) const {
    auto it = FItemStates.find(item);
    return it != FItemStates.end() ? it->second.Flags : 0;
}

void TZbPopupMenu::GetImageIndex(TMenuItem* item, TMenuOwnerDrawState state, int& imageIndex) {
    if (FImages && item && !item->IsLine() && OnGetImageIndex) OnGetImageIndex(this, item, state, imageIndex);
}

void TZbPopupMenu::GetItemParams(TMenuItem* item, TMenuOwnerDrawState state, TFont* font, TColor& color,
                                 TGraphic*& graphic, int& numGlyphs) {
    OnGetItemParams(this, item, state, font, color, graphic, numGlyphs);
    if (item && item->IsLine()) graphic = nullptr;
}

void TZbPopupMenu::MeasureItem(TMenuItem* item, int& width, int& height) {
    OnMeasureItem(this, item, width, height);
}

void TZbPopupMenu::SetMenuFont(TFont* font) const {
    platform::graphics::AssignSystemFont(font, platform::graphics::SystemFont::Menu);
    font->SetColor(clMenuText);
    font->SetStyle({});
}

void TZbPopupMenu::MenuSelect(TMenuItem* item) {
    TPopupMenu::MenuSelect(item);
    if (FCursor != crDefault) Screen->SetCursor(item ? FCursor : crDefault);
}

void TZbPopupMenu::ItemHelp(TMenuItem* item) {
    TCustomForm* form = Screen->ActiveForm();
    if (!item || !form) return;
    if (form->BorderIcons() & biHelp)
        Application->HelpCommand(HELP_CONTEXTPOPUP, item->HelpContext());
    else
        Application->HelpContext(item->HelpContext());
}

bool TZbPopupMenu::MenuKey(TMenuItem* parent, QMenu* menu, QKeyEvent* key) {
    if (!parent || !menu) return false;
    if (key->key() == Qt::Key_F1) {
        ItemHelp(ItemOfAction(menu->activeAction()));
        return true;
    }
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() || text[0].isSpace() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // The positions the rule counts are those of the items; the open menu shows their actions.
    auto actionAt = [&](int position) -> QAction* {
        if (position < 0 || position >= parent->Count()) return nullptr;
        const int command = parent->Items(position)->Command();
        for (QAction* a : menu->actions())
            if (a->data().isValid() && a->data().toInt() == command) return a;
        return nullptr;
    };
    TMenuItem* lit = ItemOfAction(menu->activeAction());
    const TMenuCharResult r = MenuChar(parent, text[0], lit && lit->Parent() == parent ? parent->IndexOf(lit) : -1);
    switch (r.Code) {
    case 1: menu->close(); break;
    case 2:
        if (QAction* a = actionAt(r.Position)) {
            menu->setActiveAction(a);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &enter);
        }
        break;
    case 3:
        if (QAction* a = actionAt(r.Position)) menu->setActiveAction(a);
        break;
    default: MessageBeepDefault(); break;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

void TZbPopupMenu::WMMeasureItem(TMenuItem* item, int& width, int& height) {
    if (!item || FindItem(item->Command()) != item) return;
    TBitmap screen;
    screen.SetWidth(1);
    screen.SetHeight(1);
    TCanvas* c = screen.Canvas();
    SetMenuFont(c->Font());
    if (item->Default()) c->Font()->SetStyle({fsBold});
    TColor color = clMenu;
    TGraphic* graphic = nullptr;
    int numGlyphs = 1;
    GetItemParams(item, 0, c->Font(), color, graphic, numGlyphs);
    int imageIndex = -1;
    GetImageIndex(item, 0, imageIndex);
    const bool popupItem = true;  // a popup menu has no menu-bar items
    const int checkOffset = CheckOffset();
    height = MenuBarHeight() - 2;
    int minW = 0;
    if (popupItem) {
        width = 2 * checkOffset;
        if (FImages) minW = std::max(FMinTextOffset, FImages->Width() + 2);
    } else {
        width = 0;
    }
    int a, b;
    ColumnWidths(c, item, a, b);
    width += popupItem ? a + b : c->TextWidth(StripHotkey(item->Caption()));
    if (item->Count() > 0) width += c->TextWidth(TwoTabs());
    if (popupItem && FShowCheckMarks) width += CheckMarkWidth();
    if (item->IsLine()) {
        height = std::max(c->TextHeight(QStringLiteral("-")) / 2, 9);
    } else {
        height = std::max(height, c->TextHeight(item->Caption()));
        const bool validIndex = FImages && imageIndex >= 0 && imageIndex < FImages->Count();
        if (FImages && (popupItem || validIndex)) {
            width += std::max(FImages->Width() + 2, minW) + (popupItem ? 0 : checkOffset);
            if (validIndex) height = std::max(height, FImages->Height() + 4);
        } else if (graphic && !graphic->Empty()) {
            int gw = graphic->Width();
            if (dynamic_cast<TBitmap*>(graphic) && numGlyphs >= 2 && numGlyphs <= 5) gw /= numGlyphs;
            width += std::max(gw + 2, minW) + (popupItem ? 0 : checkOffset);
            height = std::max(height, graphic->Height() + 4);
        } else if (minW > 0) {
            width += minW + (popupItem ? 0 : checkOffset);
        }
    }
    MeasureItem(item, width, height);
    if (item->Parent() == Items()) width += FLeftMargin + 1;
}

TMenuCharResult TZbPopupMenu::MenuChar(TMenuItem* parent, QChar key, int highlighted) {
    TMenuCharResult result;
    if (!parent) return result;
    enum { None, Execute, Select } outcome = None;
    int first = -1, next = -1;
    bool anyEnabled = false, disabledOnly = false, hilite = false;
    auto consider = [&](int pos, TMenuItem* item) {
        if (!item->Enabled()) {
            if (!anyEnabled) disabledOnly = true;
            return;
        }
        anyEnabled = true;
        if (first < 0) {
            first = pos;
            outcome = Execute;
        } else {
            outcome = Select;
        }
        if (pos == highlighted) hilite = true;
        else if (hilite) next = pos;
    };
    for (int i = 0; i < parent->Count(); ++i)
        if (IsAccel(key, parent->Items(i)->Caption())) consider(i, parent->Items(i));
    if (!anyEnabled && disabledOnly) return {1, 0};
    if (!anyEnabled) {
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            const QString cap = item->Caption();
            if (cap.isEmpty() || cap[0].toUpper() != key.toUpper()) continue;
            if (!item->Enabled()) return {1, 0};
            consider(i, item);
        }
    }
    if (outcome == Execute) return {2, first};
    if (outcome == Select) return {3, next >= 0 ? next : first};
    return result;
}

// ---------------------------------------------------------------------------------------------

void TZbPopupMenu::WMDrawItem(TCanvas* target, TMenuItem* item, TRect rect, TMenuOwnerDrawState state,
                              bool drawEntire) {
    if (!item || FindItem(item->Command()) != item) return;
    const int saved = target->SaveDC();
    FDraw = target;
    try {
        const bool topLevel = item->Parent() == Items();
        if (topLevel && FLeftMargin > 0 && drawEntire) {
            TRect m = rect;
            m.Left = 0;
            m.Right = FLeftMargin;
            DrawMargin(m);
        }
        SetMenuFont(FDraw->Font());
        FDraw->Font()->SetColor(clMenuText);
        FDraw->Brush()->SetColor(clMenu);
        if (state & mdDefault) FDraw->Font()->SetStyle({fsBold});
        if ((state & mdSelected) && FStyle != msBtnLowered && FStyle != msBtnRaised) {
            FDraw->Brush()->SetColor(clHighlight);
            FDraw->Font()->SetColor(clHighlightText);
        }
        if (topLevel) rect.Left += FLeftMargin + 1;
        FDraw->IntersectClipRect(rect);
        DrawItem(item, rect, state);
    } catch (...) {
        FDraw = nullptr;
        target->RestoreDC(saved);
        throw;
    }
    FDraw = nullptr;
    target->RestoreDC(saved);
}

void TZbPopupMenu::DrawMargin(TRect rect) {
    if (OnDrawMargin) {
        OnDrawMargin(this, rect);
        return;
    }
    TRect g = rect;
    g.Right -= 3;
    const TColor blue = ColorToRGB(clBlue);
    GradientFillRect(FDraw, g, clBlue, 32, 0,
                     RGB(GetRValue(blue) / 4, GetGValue(blue) / 4, GetBValue(blue) / 4));
    FDraw->Pen()->SetColor(clBtnShadow);
    FDraw->MoveTo(rect.Right - 2, rect.Top);
    FDraw->LineTo(rect.Right - 2, rect.Bottom);
    FDraw->Pen()->SetColor(clBtnHighlight);
    FDraw->MoveTo(rect.Right - 1, rect.Top);
    FDraw->LineTo(rect.Right - 1, rect.Bottom);
}

void TZbPopupMenu::DrawItem(TMenuItem* item, TRect rect, TMenuOwnerDrawState state) {
    if (!FDraw) return;
    TGraphic* graphic = nullptr;
    TColor color = FDraw->Brush()->Color();
    int numGlyphs = 1;
    GetItemParams(item, state, FDraw->Font(), color, graphic, numGlyphs);
    if (color != clNone) {
        FDraw->Brush()->SetColor(color);
        FDraw->FillRect(rect);
    }
    if (OnDrawItem) {
        OnDrawItem(this, item, rect, state);
        return;
    }
    int imageIndex = -1;
    GetImageIndex(item, state, imageIndex);
    DrawMenuItem(item, rect, state, graphic, numGlyphs, imageIndex);
}

void TZbPopupMenu::DrawCheckBack(TRect box, bool selected, TColor disabledColor) {
    box.Top += 1;
    box.Bottom -= 1;
    const TColor saved = FDraw->Brush()->Color();
    std::unique_ptr<TBitmap> pattern;
    if (!selected) {
        pattern.reset(CreateTwoColorsBrushPattern(clMenu, clBtnHighlight));
        FDraw->Brush()->SetBitmap(pattern.get());
    } else {
        FDraw->Brush()->SetColor(clMenu);
    }
    FDraw->FillRect(box);
    FDraw->Brush()->SetBitmap(nullptr);
    FDraw->Brush()->SetColor(saved);
    Frame3D(FDraw, box, disabledColor, clBtnHighlight, 1);
}

void TZbPopupMenu::DrawGlyph(TBitmap* bmp, int x, int y, TMenuOwnerDrawState state, bool checkBack, bool emboss,
                             TColor disabledColor) {
    if (state & mdDisabled) {
        const TColor shadow = (state & mdSelected) ? clGrayText : clBtnShadow;
        std::unique_ptr<TBitmap> dis(
            CreateDisabledBitmapEx(bmp, clBlack, clMenu, emboss && !(state & mdSelected), shadow, clBtnHighlight));
        if (dis) DrawBitmapTransparent(FDraw, x, y, dis.get(), clMenu);
        (void)disabledColor;
        return;
    }
    if (bmp->Monochrome() && !checkBack) {
        FDraw->Draw(x, y, bmp);
        return;
    }
    DrawBitmapTransparent(FDraw, x, y, bmp, bmp->TransparentColor() & ~0x02000000);
}

void TZbPopupMenu::DrawMenuItem(TMenuItem* item, TRect r, TMenuOwnerDrawState state, TGraphic* graphic,
                                int numGlyphs, int imageIndex) {
    const bool popupItem = true;
    const bool button = FStyle == msBtnLowered || FStyle == msBtnRaised;
    const bool selected = state & mdSelected, disabled = state & mdDisabled;
    const int checkOffset = CheckOffset();
    const bool checkBack = item && item->Checked() && popupItem && !FShowCheckMarks && !button;
    const bool emboss = controls::visual::NewStyleControls &&
                        !(selected && !button && FDraw->NearestColor(clGrayText) != FDraw->NearestColor(clHighlight));
    const TColor disabledColor = selected && !button ? clGrayText : clBtnShadow;
    TSize check{FShowCheckMarks ? CheckMarkWidth() : 2, FShowCheckMarks ? CheckMarkHeight() : 0};
    int textOffset = 2 * checkOffset + check.cx;
    if (selected && button) {
        const bool lowered = FStyle == msBtnLowered;
        Frame3D(FDraw, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, 1);
    }
    if (!item) return;
    if (item->Checked() && FShowCheckMarks && popupItem) {
        TRect cr = Bounds(r.Left + (textOffset - check.cx) / 2, (r.Top + r.Bottom - check.cy) / 2, check.cx, check.cy);
        DrawFrameControl(FDraw, cr, DFC_MENU, item->RadioItem() ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    int minW = FMinTextOffset;
    if (popupItem && FImages) minW = std::max(minW, FImages->Width() + 2);
    if (!FShowCheckMarks && (graphic || minW > 0)) textOffset = checkOffset;
    if (FImages && imageIndex >= 0 && imageIndex < FImages->Count()) {
        const int w = std::max(FImages->Width() + 2, minW);
        if (checkBack) DrawCheckBack(Bounds(r.Left + textOffset - 1, r.Top, w + 2, r.Bottom - r.Top), selected, disabledColor);
        const int x = r.Left + textOffset + (w - FImages->Width()) / 2;
        const int y = (r.Top + r.Bottom - FImages->Height()) / 2;
        if (disabled) ImageListDrawDisabled(FImages, FDraw, x, y, imageIndex, clBtnHighlight, disabledColor, emboss);
        else FImages->Draw(FDraw, x, y, imageIndex);
        textOffset += checkOffset + w;
    } else if (graphic && !graphic->Empty() && !item->IsLine()) {
        auto* bmp = dynamic_cast<TBitmap*>(graphic);
        int gw = graphic->Width();
        if (bmp && numGlyphs >= 2 && numGlyphs <= 5) gw /= numGlyphs;
        const int w = std::max(gw + 2, minW);
        if (checkBack) DrawCheckBack(Bounds(r.Left + textOffset - 1, r.Top, w + 2, r.Bottom - r.Top), selected, disabledColor);
        const int x = r.Left + textOffset + (w - gw) / 2;
        const int y = (r.Top + r.Bottom - graphic->Height()) / 2;
        if (bmp && numGlyphs >= 2 && numGlyphs <= 5) {
            int index = disabled ? 1 : item->Checked() ? 3 : selected ? 2 : 0;
            if (index > numGlyphs - 1) index = 0;
            TBitmap cell;
            AssignBitmapCell(bmp, &cell, numGlyphs, 1, index);
            DrawGlyph(&cell, x, y, state & ~mdDisabled, checkBack, emboss, disabledColor);
        } else if (bmp) {
            DrawGlyph(bmp, x, y, state, checkBack, emboss, disabledColor);
        } else {
            FDraw->Draw(x, y, graphic);
        }
        textOffset += checkOffset + w;
    } else if (minW > 0) {
        TRect box = Bounds(r.Left + textOffset - 1, r.Top, minW + 2, r.Bottom - r.Top);
        if (checkBack) {
            DrawCheckBack(box, selected, disabledColor);
            TRect cr = Bounds(box.Left + 2 + (minW - CheckMarkWidth()) / 2,
                              (r.Top + r.Bottom - CheckMarkHeight()) / 2 + 1, CheckMarkWidth(), CheckMarkHeight());
            DrawFrameControl(FDraw, cr, DFC_MENU, item->RadioItem() ? DFCS_MENUBULLET : DFCS_MENUCHECK);
        }
        textOffset += checkOffset + minW;
    }
    if (item->IsLine()) {
        const int y = (r.Top + r.Bottom) / 2 - 1;
        FDraw->Pen()->SetWidth(1);
        FDraw->Pen()->SetColor(clBtnShadow);
        FDraw->MoveTo(r.Left, y);
        FDraw->LineTo(r.Right, y);
        FDraw->Pen()->SetColor(clBtnHighlight);
        FDraw->MoveTo(r.Left, y + 1);
        FDraw->LineTo(r.Right, y + 1);
        return;
    }
    int colW = FDraw->TextWidth(StripHotkey(item->Caption()) + TwoTabs());
    if (item->Parent() && item->ShortCut() != 0) {
        int a, b;
        ColumnWidths(FDraw, item, a, b);
        colW = a;
    }
    FDraw->Brush()->SetStyle(bsClear);
    const int y = (r.Top + r.Bottom - FDraw->TextHeight(QStringLiteral("Ay"))) / 2;
    auto text = [&](int x, const QString& s) {
        if (s.isEmpty()) return;
        auto draw = [&](int dx, int dy, TColor color) {
            FDraw->Font()->SetColor(color);
            TRect tr = Rect(x + dx, y + dy, r.Right, r.Bottom);
            DrawText(FDraw, s, tr, DT_SINGLELINE | DT_EXPANDTABS);
        };
        if (disabled) {
            if (emboss) draw(1, 1, clBtnHighlight);
            draw(0, 0, disabledColor);
        } else {
            draw(0, 0, FDraw->Font()->Color());
        }
    };
    text(r.Left + textOffset, item->Caption());
    if (item->ShortCut() != 0 && item->Count() == 0 && popupItem)
        text(r.Left + textOffset + colW, ShortCutToText(item->ShortCut()));
    FDraw->Brush()->SetStyle(bsSolid);
}
