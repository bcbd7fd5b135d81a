#include "controls/visual/SpeedBar.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/CursorConsts.h"
#include "controls/visual/IniHelpers.h"
#include "controls/visual/Placemnt.h"
#include "controls/visual/StrHelpers.h"
#include "platform/forms/Forms.h"

#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {
const char* const NoAutoAlign = "Cannot set this property value while Position is bpAuto";
const char* const DuplicateSection = "String list does not allow duplicates";

bool IsSide(TAlign a) { return a == alTop || a == alBottom || a == alLeft || a == alRight; }
bool IsHorizontalSide(TAlign a) { return a == alTop || a == alBottom; }
}  // namespace

namespace controls::visual {

int SpeedBarGridStep(int length) {
    if (length <= 1) return 1;
    int step = std::max(1, std::min(8, length / 3));
    while (length % step != 0) ++step;
    if (step == length) {
        step = length - 1;
        while (step >= 2 && length % step != 0) --step;
        if (step < 2) step = 1;
    }
    return step;
}

TAlign SpeedBarDockSide(TPoint p, int width, int height) {
    if (width <= 0 || height <= 0) return alTop;
    const double x = p.X, y = p.Y, w = width, h = height;
    const double anti = (1.0 - x / w) * h;
    if (y > h / w * x) return y < anti ? alLeft : alBottom;
    return y < anti ? alTop : alRight;
}

int SnapToGrid(int position, int offset, int step, bool nearest) {
    if (step <= 0) return position;
    const double q = double(position - offset) / step;
    const double n = nearest ? std::nearbyint(q) : std::trunc(q);
    return int(n) * step + offset;
}

}  // namespace controls::visual

// ================================================================== button

TSpeedbarButton::TSpeedbarButton(TComponent* owner) : TZbSpeedButton(owner) {
    SetVisible(false);
    SetStyle(bsNew);
    SetParentShowHint(true);
    SetParentFont(true);
}

void TSpeedbarButton::SetBounds(int left, int top, int width, int height) {
    if (FItem && FItem->SpeedBar()) {
        TSpeedBar* bar = FItem->SpeedBar();
        if (bar->Orientation() == boHorizontal)
            top = std::max(top, bar->BtnOffsetVert());
        else
            left = std::max(left, bar->BtnOffsetHorz());
    }
    TZbSpeedButton::SetBounds(left, top, width, height);
}

void TSpeedbarButton::CMVisibleChanged() {
    if (Visible())
        SetControlStyle(ControlStyle() | csOpaque);
    else
        SetControlStyle(ControlStyle() & ~csOpaque);
    TZbSpeedButton::CMVisibleChanged();
}

void TSpeedbarButton::Paint() {
    if (Visible()) TZbSpeedButton::Paint();
}

void TSpeedbarButton::PaintFace(TCanvas* canvas, const TRect& client, TZbButtonState state, bool dropDownMark) {
    if (FItem && FItem->SpeedBar()) {
        const TAlignment a = Alignment();
        const unsigned flags = a == taLeftJustify ? DT_LEFT : a == taRightJustify ? DT_RIGHT : DT_CENTER;
        ButtonGlyph()->Draw(canvas, client, Caption(), flags, state, FItem->SpeedBar()->Images(), FItem->ImageIndex(),
                            dropDownMark, Spacing(), Margin(), Layout());
    } else {
        TZbSpeedButton::PaintFace(canvas, client, state, dropDownMark);
    }
}

// ================================================================== section

TSpeedbarSection::TSpeedbarSection(TComponent* owner) : TComponent(owner) {}

TSpeedbarSection::~TSpeedbarSection() {
    Destroying();
    while (!FList.empty()) {
        TSpeedItem* item = FList.back();
        if (FParent)
            FParent->RemoveItem(item);
        else
            FList.pop_back();
        delete item;  // the items of a section go with it
    }
    if (FParent) {
        auto& list = FParent->FSections;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        FParent->RenumberSections();
        FParent = nullptr;
    }
}

void TSpeedbarSection::SetCaption(const QString& value) {
    if (FParent && !HasState(csLoading)) FParent->CheckSectionCaption(this, value);
    FCaption = value;
}

int TSpeedbarSection::Index() const {
    if (!FParent) return -1;
    const auto& list = FParent->FSections;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TSpeedbarSection::SetIndex(int value) {
    if (!FParent) return;
    auto& list = FParent->FSections;
    value = std::clamp(value, 0, int(list.size()) - 1);
    const int current = Index();
    if (current < 0 || current == value) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
    FParent->RenumberSections();
}

void TSpeedbarSection::SetSpeedBar(TSpeedBar* bar) {
    if (bar == FParent) return;
    if (FParent) {
        TSpeedBar* old = FParent;
        // The items leave the bar, and with it the section.
        const std::vector<TSpeedItem*> items = FList;
        for (TSpeedItem* item : items) old->RemoveItem(item);
        old->FSections.erase(std::remove(old->FSections.begin(), old->FSections.end(), this), old->FSections.end());
        old->RenumberSections();
        FParent = nullptr;
    }
    if (bar) bar->AppendSection(this);
}

// ================================================================== item

TSpeedItem::TSpeedItem(TComponent* owner) : TComponent(owner) {
    FButton = new TSpeedbarButton(this);
    FButton->FItem = this;
    FButton->SetVisible(false);
    FButton->SetBounds(0, 0, 24, 23);
    FButton->SetShowHint(true);
    FButton->SetParentShowHint(true);
}

TSpeedItem::~TSpeedItem() {
    Destroying();
    FVisible = false;
    if (FButton) FButton->SetVisible(false);
    if (FParent) FParent->RemoveItem(this);
}

void TSpeedItem::ApplyHint(const QString& oldCaption, const QString& newCaption) {
    TComponent* owner = Owner();
    const bool ownerIsControl = dynamic_cast<TControl*>(owner) != nullptr;
    const QString oldHint = FButton->Hint();
    if (ownerIsControl && (owner->HasState(csLoading) || GetShortHint(oldHint) != oldCaption)) return;
    QString hint;
    if (newCaption.contains(u'|')) {
        hint = GetLongHint(newCaption).isEmpty() ? GetShortHint(newCaption) + u'|' + GetLongHint(oldHint) : newCaption;
    } else {
        hint = oldHint.contains(u'|') ? newCaption + u'|' + GetLongHint(oldHint) : newCaption + u'|';
    }
    FButton->SetHint(hint);
}

void TSpeedItem::SetCaption(const QString& value) {
    const QString old = FCaption;
    FCaption = value;
    ApplyHint(old, value);
}

void TSpeedItem::SetName(const QString& name) {
    TComponent* owner = Owner();
    const bool loading = dynamic_cast<TControl*>(owner) && owner->HasState(csLoading);
    const bool follow = FCaption == Name() && !loading;
    TComponent::SetName(name);
    if (follow) SetCaption(name);
}

void TSpeedItem::UpdateButton() {
    FButton->SetEnabled(FEnabled && (!FParent || FParent->Enabled()));
}

void TSpeedItem::SetEnabled(bool value) {
    FEnabled = value;
    if (FEditing) return;
    UpdateButton();
}

void TSpeedItem::SetVisible(bool value) {
    if (FVisible == value && !(value && !FButton->Parent())) return;
    FVisible = value;
    if (value && FParent) FButton->SetParent(FParent);
    FButton->SetVisible(value && (!FParent || FParent->Visible()));
}

void TSpeedItem::SetParentComponent(TComponent* value) {
    auto* section = dynamic_cast<TSpeedbarSection*>(value);
    TSpeedBar* bar = section ? section->SpeedBar() : dynamic_cast<TSpeedBar*>(value);
    if (!bar) return;
    int index = std::max(FSectionIndex, 0);
    if (!FSectionName.isEmpty()) index = std::max(bar->SearchSection(FSectionName), 0);
    bar->AddItem(index, this);
}

void TSpeedItem::SetImageIndex(int value) {
    FImageIndex = value;
    FButton->ButtonGlyph()->Invalidate();
    FButton->Invalidate();
}

void TSpeedItem::SetEditing(bool value) {
    FEditing = value;
    if (value) {
        FButton->SetEnabled(true);
        FButton->SetFlat(false);
    } else {
        SetEnabled(FEnabled);
        FButton->SetFlat(FParent && (FParent->Options() & sbFlatBtns));
    }
}

// ================================================================== bar

TSpeedBar::TSpeedBar(TComponent* owner)
    : TCustomPanel(owner),
      FWallpaper(std::make_unique<TPicture>()),
      FImageChangeLink(std::make_unique<TChangeLink>()),
      FIniLink(std::make_unique<TIniLink>()) {
    FWallpaper->OnChange = TNotifyEvent(this, &TSpeedBar::WallpaperChanged);
    FIniLink->OnSave = TNotifyEvent(this, &TSpeedBar::IniSave);
    FIniLink->OnLoad = TNotifyEvent(this, &TSpeedBar::IniLoad);
    FImageChangeLink->OnChange = TNotifyEvent(this, &TSpeedBar::ImageListChange);
    const int offset = MinButtonsOffset();
    FOffset = {offset, offset};
    SetHeight(2 * offset + FButtonSize.cy);
    SetControlStyle(ControlStyle() & ~csSetCaption);
    SetParentShowHint(false);
    SetShowHint(true);
    ApplyDefaultFont();
    TCustomPanel::SetAlign(alTop);
    UpdateGridSize();
    CursorsInit();
}

TSpeedBar::~TSpeedBar() {
    OnApplyAlign = nullptr;
    OnPosChanged = nullptr;
    OnVisibleChanged = nullptr;
    OnCustomize = nullptr;
    if (FFrameShown) DrawInvertFrame(this, FFrameRect, 3);
    FFrameShown = false;
    FIniLink.reset();
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    while (!FSections.empty()) delete FSections.back();
}

int TSpeedBar::MinButtonsOffset() const {
    int m = BorderWidth();
    if (!(FOptions & sbFlatBtns)) m += 2;
    if (BevelOuter() != bvNone) m += BevelWidth();
    if (BevelInner() != bvNone) m += BevelWidth();
    return m;
}

void TSpeedBar::ApplyDefaultFont() {
    SetParentFont(false);
    platform::graphics::AssignSystemFont(Font(), platform::graphics::SystemFont::Menu);
    if (Font()->Name().isEmpty()) {
        Font()->SetName(QStringLiteral("MS Sans Serif"));
        Font()->SetSize(8);
        Font()->SetStyle({});
        Font()->SetColor(clBtnText);
    }
}

// ------------------------------------------------------------------ sections and items

void TSpeedBar::RenumberSections() {
    for (size_t s = 0; s < FSections.size(); ++s)
        for (TSpeedItem* item : FSections[s]->FList) item->FSection = int(s);
}

void TSpeedBar::CheckSectionCaption(TSpeedbarSection* section, const QString& caption) const {
    for (TSpeedbarSection* s : FSections)
        if (s != section && s->FCaption == caption) throw ESpeedbarError(QString::fromLatin1(DuplicateSection));
}

int TSpeedBar::AppendSection(TSpeedbarSection* section) {
    const QString base = section->FCaption;
    QString caption = base;
    for (int i = 1; SearchSection(caption) >= 0; ++i) caption = base + QStringLiteral(" (%1)").arg(i);
    section->FCaption = caption;
    FSections.push_back(section);
    section->FParent = this;
    const int index = int(FSections.size()) - 1;
    for (TSpeedItem* item : section->FList) {
        item->FSection = index;
        ApplyButtonParams(item);
    }
    return index;
}

int TSpeedBar::AddSection(const QString& caption) {
    auto* section = new TSpeedbarSection(Owner() ? Owner() : this);
    section->FCaption = caption;
    return AppendSection(section);
}

void TSpeedBar::RemoveSection(int index) {
    if (index < 0 || index >= SectionCount()) return;
    TSpeedbarSection* section = FSections[size_t(index)];
    section->SetSpeedBar(nullptr);
}

void TSpeedBar::DeleteSection(int index) {
    if (index < 0 || index >= SectionCount()) return;
    delete FSections[size_t(index)];
}

int TSpeedBar::SearchSection(const QString& caption) const {
    for (size_t i = 0; i < FSections.size(); ++i)
        if (FSections[i]->FCaption == caption) return int(i);
    return -1;
}

TSpeedItem* TSpeedBar::SearchItem(const QString& itemName) const {
    for (TSpeedbarSection* s : FSections)
        for (TSpeedItem* item : s->FList)
            if (item->Name().compare(itemName, Qt::CaseInsensitive) == 0) return item;
    return nullptr;
}

int TSpeedBar::ItemsCount(int section) const {
    return section >= 0 && section < SectionCount() ? FSections[size_t(section)]->Count() : 0;
}

TSpeedItem* TSpeedBar::Items(int section, int index) const { return FSections.at(size_t(section))->Items(index); }

void TSpeedBar::ApplyButtonParams(TSpeedItem* item) {
    item->FParent = this;
    TSpeedbarButton* b = item->FButton;
    if (!HasState(csLoading)) b->SetBounds(0, 0, FButtonSize.cx, FButtonSize.cy);
    b->SetStyle(FButtonStyle);
    b->SetFlat(FOptions & sbFlatBtns);
    b->SetTransparent(FOptions & sbTransparentBtns);
    b->SetGrayedInactive(FOptions & sbGrayedBtns);
    item->SetEditing(false);
}

void TSpeedBar::AddItem(int section, TSpeedItem* item) {
    if (!item) return;
    if (item->FParent == this && item->FSection >= 0) {
        const int target = std::clamp(section, 0, SectionCount() - 1);
        if (target == item->FSection) return;
        auto& from = FSections[size_t(item->FSection)]->FList;
        from.erase(std::remove(from.begin(), from.end(), item), from.end());
        FSections[size_t(target)]->FList.push_back(item);
        item->FSection = target;
        return;
    }
    if (item->FParent) item->FParent->RemoveItem(item);
    int target;
    if (FSections.empty())
        target = AddSection(QString());
    else
        target = std::clamp(section, 0, SectionCount() - 1);
    FSections[size_t(target)]->FList.push_back(item);
    item->FSection = target;
    ApplyButtonParams(item);
    item->FButton->SetVisible(false);
    item->FButton->SetParent(this);
    // An item made visible before it was placed shows now.
    if (item->FVisible) item->FButton->SetVisible(Visible());
    item->UpdateButton();
}

void TSpeedBar::RemoveItem(TSpeedItem* item) {
    if (!item) return;
    for (TSpeedbarSection* s : FSections) s->FList.erase(std::remove(s->FList.begin(), s->FList.end(), item), s->FList.end());
    if (item->FButton) item->FButton->SetParent(nullptr);
    item->FParent = nullptr;
    item->FSection = -1;
}

void TSpeedBar::ForAllItems(int value, const std::function<void(int, TSpeedItem*, int)>& proc, int data) {
    for (size_t s = 0; s < FSections.size(); ++s) {
        const std::vector<TSpeedItem*> items = FSections[s]->FList;
        for (TSpeedItem* item : items) proc(data, item, value);
    }
}

// ------------------------------------------------------------------ geometry

void TSpeedBar::ControlsMoved() {
    // As long as its shown buttons reach, so that a window made narrower than the bar scrolls to
    // its last buttons instead of cutting them off. A button set far apart (one its form keeps at
    // the bar's far end) counts as if it followed the others: what the bar needs must not follow
    // its own width.
    const bool horizontal = Orientation() == boHorizontal;
    std::vector<std::pair<int, int>> tramos;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (!c->Visible() || !dynamic_cast<const TSpeedbarButton*>(c)) continue;
        if (horizontal)
            tramos.emplace_back(c->Left(), c->Left() + c->Width());
        else
            tramos.emplace_back(c->Top(), c->Top() + c->Height());
    }
    std::sort(tramos.begin(), tramos.end());
    const int hueco = std::max(horizontal ? BtnWidth() : BtnHeight(), 24);
    int fin = 0, recorte = 0, reach = 0;
    for (const auto& [desde, hasta] : tramos) {
        if (desde - fin > hueco) recorte += desde - fin - hueco;
        fin = std::max(fin, hasta);
        reach = std::max(reach, hasta - recorte);
    }
    if (reach > 0) reach += horizontal ? FOffset.X : FOffset.Y;
    if (horizontal && (reach != Constraints()->MinWidth() || Constraints()->MinHeight() != 0)) {
        Constraints()->SetMinHeight(0);
        Constraints()->SetMinWidth(reach);
    } else if (!horizontal && (reach != Constraints()->MinHeight() || Constraints()->MinWidth() != 0)) {
        Constraints()->SetMinWidth(0);
        Constraints()->SetMinHeight(reach);
    }
}

TBarOrientation TSpeedBar::Orientation() const {
    if (FPosition == bpCustom) return FOrientation;
    const TAlign a = Align();
    if (IsHorizontalSide(a)) return boHorizontal;
    if (a == alLeft || a == alRight) return boVertical;
    return FOrientation;
}

void TSpeedBar::SetOrientation(TBarOrientation value) {
    if (FPosition == bpCustom) {
        ChangeOrientation(value);
        UpdateGridSize();
    }
}

void TSpeedBar::SetPosition(TBarPosition value) {
    if (FPosition == value) return;
    FPosition = value;
    if (value == bpAuto) {
        if (IsHorizontalSide(Align()))
            ChangeOrientation(boHorizontal);
        else if (Align() == alLeft || Align() == alRight)
            ChangeOrientation(boVertical);
    }
    UpdateGridSize();
}

void TSpeedBar::UpdateGridSize() {
    const bool horizontal = Orientation() == boHorizontal;
    const int along = controls::visual::SpeedBarGridStep(horizontal ? FButtonSize.cx : FButtonSize.cy);
    FGridSize = horizontal ? TPoint{along, FButtonSize.cy} : TPoint{FButtonSize.cx, along};
}

void TSpeedBar::ResizeButtons() {
    ForAllItems(0, [this](int, TSpeedItem* item, int) {
        TSpeedbarButton* b = item->Button();
        b->SetBounds(b->Left(), b->Top(), FButtonSize.cx, FButtonSize.cy);
    });
}

void TSpeedBar::MoveButtons(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    ForAllItems(0, [dx, dy](int, TSpeedItem* item, int) {
        TSpeedbarButton* b = item->Button();
        b->SetBounds(b->Left() + dx, b->Top() + dy, b->Width(), b->Height());
    });
}

void TSpeedBar::ChangeOrientation(TBarOrientation value) {
    if (value == FOrientation) return;
    FUpdateLock = true;
    FOrientation = value;
    std::swap(FButtonSize.cx, FButtonSize.cy);
    std::swap(FGridSize.X, FGridSize.Y);
    std::swap(FOffset.X, FOffset.Y);
    ResizeButtons();
    FUpdateLock = false;
    Invalidate();
}

void TSpeedBar::SetAlign(TAlign value) {
    if (HasState(csLoading) && value == alNone && FPosition == bpAuto) {
        FAlignNoneRead = true;
        return;
    }
    if (value == Align()) return;
    if (FPosition == bpAuto && (value == alNone || value == alClient))
        throw ESpeedbarError(QString::fromLatin1(NoAutoAlign));
    const TAlign old = Align();
    TWinControl* parent = Parent();
    if (parent) parent->DisableAlign();
    try {
        // Moving between a horizontal and a vertical side turns the bar: width and height swap.
        if (!HasState(csLoading) && IsSide(old) && IsSide(value) && IsHorizontalSide(old) != IsHorizontalSide(value))
            SetBounds(Left(), Top(), Height(), Width());
        TCustomPanel::SetAlign(value);
        if (FPosition == bpAuto && !HasState(csReading)) {
            if (IsHorizontalSide(value))
                ChangeOrientation(boHorizontal);
            else if (value == alLeft || value == alRight)
                ChangeOrientation(boVertical);
        }
    } catch (...) {
        if (parent) parent->EnableAlign();
        throw;
    }
    if (parent) parent->EnableAlign();
}

// A new button size: the grid follows, and the bar grows across its length to hold one row.
void TSpeedBar::ButtonSizeChanged() {
    UpdateGridSize();
    if (!HasState(csReading)) {
        if (Orientation() == boHorizontal) {
            if (ClientHeight() < 2 * FOffset.Y + FButtonSize.cy) SetClientHeight(2 * FOffset.Y + FButtonSize.cy);
        } else if (ClientWidth() < 2 * FOffset.X + FButtonSize.cx) {
            SetClientWidth(2 * FOffset.X + FButtonSize.cx);
        }
    }
    ResizeButtons();
}

void TSpeedBar::SetBtnWidth(int value) {
    if (value == FButtonSize.cx) return;
    FButtonSize.cx = value;
    ButtonSizeChanged();
}

void TSpeedBar::SetBtnHeight(int value) {
    if (value == FButtonSize.cy) return;
    FButtonSize.cy = value;
    ButtonSizeChanged();
}

void TSpeedBar::SetBtnOffsetHorz(int value) {
    value = std::max(value, MinButtonsOffset());
    if (value == FOffset.X) return;
    const int dx = value - FOffset.X;
    FOffset.X = value;
    MoveButtons(dx, 0);
}

void TSpeedBar::SetBtnOffsetVert(int value) {
    value = std::max(value, MinButtonsOffset());
    if (value == FOffset.Y) return;
    const int dy = value - FOffset.Y;
    FOffset.Y = value;
    MoveButtons(0, dy);
}

void TSpeedBar::SetOptions(TSpeedbarOptions value) {
    if (value == FOptions) return;
    const bool flatChanged = (value ^ FOptions) & sbFlatBtns;
    FOptions = value;
    ForAllItems(0, [value](int, TSpeedItem* item, int) {
        TSpeedbarButton* b = item->Button();
        b->SetFlat(value & sbFlatBtns);
        b->SetTransparent(value & sbTransparentBtns);
        b->SetGrayedInactive(value & sbGrayedBtns);
    });
    UpdateGridSize();
    if (flatChanged) Realign();
    Invalidate();
}

void TSpeedBar::SetBoundLines(TBoundLines value) {
    if (value == FBoundLines) return;
    FBoundLines = value;
    Realign();
    Invalidate();
}

void TSpeedBar::SetImages(TImageList* value) {
    if (FImages == value) return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
        RemoveFreeNotification(FImages);
    }
    FImages = value;
    if (value) {
        value->RegisterChanges(FImageChangeLink.get());
        FreeNotification(value);
    }
    ImageListChange(nullptr);
}

void TSpeedBar::ImageListChange(TObject*) {
    ForAllItems(0, [](int, TSpeedItem* item, int) {
        item->Button()->ButtonGlyph()->Invalidate();
        if (item->ImageIndex() >= 0) item->Button()->Invalidate();
    });
}

void TSpeedBar::WallpaperChanged(TObject*) { Invalidate(); }

void TSpeedBar::AlignItemToGrid(TSpeedItem* item) {
    if (!item || !item->Visible()) return;
    using controls::visual::SnapToGrid;
    TSpeedbarButton* b = item->Button();
    int left = b->Left(), top = b->Top();
    if (Orientation() == boHorizontal) {
        left = SnapToGrid(left, FOffset.X, FGridSize.X, true);
        top = SnapToGrid(top, FOffset.Y, FGridSize.Y, false);
    } else {
        top = SnapToGrid(top, FOffset.Y, FGridSize.Y, true);
        left = SnapToGrid(left, FOffset.X, FGridSize.X, false);
    }
    b->SetBounds(left, top, b->Width(), b->Height());
}

void TSpeedBar::DropItem(TSpeedItem* item, int x, int y) {
    if (!item) return;
    using controls::visual::SnapToGrid;
    int left, top;
    if (Orientation() == boHorizontal) {
        left = SnapToGrid(x, FOffset.X, FGridSize.X, true);
        top = SnapToGrid(y, FOffset.Y, FGridSize.Y, false);
    } else {
        top = SnapToGrid(y, FOffset.Y, FGridSize.Y, true);
        left = SnapToGrid(x, FOffset.X, FGridSize.X, false);
    }
    TSpeedbarButton* b = item->Button();
    b->SetBounds(left, top, b->Width(), b->Height());
    const bool inside = PtInRect(ClientRect(), TPoint{x, y});
    if (inside)
        b->BringToFront();
    else
        b->SendToBack();
    item->SetVisible(inside);
}

void TSpeedBar::AlignControls(TRect& rect) {
    if (FBoundLines & blTop) rect.Top += 2;
    if (FBoundLines & blBottom) rect.Bottom -= 2;
    if (FBoundLines & blLeft) rect.Left += 2;
    if (FBoundLines & blRight) rect.Right -= 2;
    TCustomPanel::AlignControls(rect);
    const int m = MinButtonsOffset();
    const int dx = std::max(0, m - FOffset.X);
    const int dy = std::max(0, m - FOffset.Y);
    if (dx == 0 && dy == 0) return;
    FOffset.X += dx;
    FOffset.Y += dy;
    if (!HasState(csLoading)) MoveButtons(dx, dy);
}

void TSpeedBar::Loaded() {
    TCustomPanel::Loaded();
    if (FAlignNoneRead && FPosition == bpAuto) {
        FAlignNoneRead = false;
        SetAlign(alTop);
    }
    UpdateGridSize();
    ForAllItems(0, [this](int, TSpeedItem* item, int) {
        TSpeedbarButton* b = item->Button();
        b->SetBounds(b->Left(), b->Top(), FButtonSize.cx, FButtonSize.cy);
        const bool visible = item->Visible();
        item->FVisible = !visible;
        item->SetVisible(visible);
    });
}

void TSpeedBar::Notification(TComponent* component, TOperation operation) {
    TCustomPanel::Notification(component, operation);
    if (operation == opRemove && component == FImages) {
        FImages = nullptr;
        ImageListChange(nullptr);
    }
}

void TSpeedBar::CMVisibleChanged() {
    TCustomPanel::CMVisibleChanged();
    ForAllItems(0, [this](int, TSpeedItem* item, int) {
        if (item->Button()->Parent() == this) item->Button()->SetVisible(item->Visible() && Visible());
    });
    OnVisibleChanged(this);
}

void TSpeedBar::CMEnabledChanged() {
    TCustomPanel::CMEnabledChanged();
    if (HasState(csLoading) || HasState(csDesigning)) return;
    ForAllItems(0, [](int, TSpeedItem* item, int) { item->UpdateButton(); });
}

void TSpeedBar::CMSysColorChange() {
    ForAllItems(0, [](int, TSpeedItem* item, int) { item->Button()->CMSysColorChange(); });
    Invalidate();
}

// ------------------------------------------------------------------ painting

void TSpeedBar::Paint() {
    if (FUpdateLock) return;
    TRect inner = ClientRect();
    int border = BorderWidth();
    if (BevelOuter() != bvNone) border += BevelWidth();
    if (BevelInner() != bvNone) border += BevelWidth();
    InflateRect(inner, -border, -border);
    TCustomPanel::Paint();
    TCanvas* c = Canvas();
    TGraphic* paper = FWallpaper->Graphic();
    if (paper && paper->Width() >= 1 && paper->Height() >= 1) {
        const int level = c->SaveDC();
        c->IntersectClipRect(inner);
        if (FOptions & sbStretchBitmap) {
            c->StretchDraw(inner, paper);
        } else {
            const int cols = (ClientWidth() - 2 * border) / paper->Width();
            const int rows = (ClientHeight() - 2 * border) / paper->Height();
            for (int j = 0; j <= rows; ++j)
                for (int i = 0; i <= cols; ++i)
                    c->Draw(inner.Left + i * paper->Width(), inner.Top + j * paper->Height(), paper);
        }
        c->RestoreDC(level);
    }
    if (FBoundLines) {
        const int w = Width(), h = Height();
        auto line = [c](TColor color, int x1, int y1, int x2, int y2) {
            c->Pen()->SetColor(color);
            c->Pen()->SetStyle(psSolid);
            c->Pen()->SetWidth(1);
            c->MoveTo(x1, y1);
            c->LineTo(x2, y2);
        };
        if (FBoundLines & blTop) {
            line(clBtnShadow, 0, 0, w, 0);
            line(clBtnHighlight, 0, 1, w, 1);
        }
        if (FBoundLines & blLeft) {
            const int y0 = (FBoundLines & blTop) ? 1 : 0;
            line(clBtnShadow, 0, y0, 0, h);
            line(clBtnHighlight, 1, y0 + 1, 1, h);
        }
        if (FBoundLines & blBottom) {
            line(clBtnShadow, 0, h - 2, w, h - 2);
            line(clBtnHighlight, 0, h - 1, w, h - 1);
        }
        if (FBoundLines & blRight) {
            const int y1 = (FBoundLines & blBottom) ? h - 1 : h;
            line(clBtnShadow, w - 2, 0, w - 2, y1);
            line(clBtnHighlight, w - 1, 0, w - 1, h);
        }
    }
}

// ------------------------------------------------------------------ moving the bar

TAlign TSpeedBar::TargetSide(int x, int y) const {
    TWinControl* p = Parent();
    TRect client = p->ClientRect();
    return controls::visual::SpeedBarDockSide({Left() + x, Top() + y}, client.Width(), client.Height());
}

TRect TSpeedBar::FrameFor(TAlign side) const {
    TWinControl* p = Parent();
    TRect r = p->ClientRect();
    p->AdjustClientRect(r);
    auto take = [&r](TControl* c) {
        switch (c->Align()) {
        case alTop: r.Top += c->Height(); break;
        case alBottom: r.Bottom -= c->Height(); break;
        case alLeft: r.Left += c->Width(); break;
        case alRight: r.Right -= c->Width(); break;
        default: break;
        }
    };
    const TAlign order[] = {alTop, alBottom, alLeft, alRight};
    for (TAlign a : order) {
        if (a == side) break;
        for (int i = 0; i < p->ControlCount(); ++i) {
            TControl* c = p->Controls(i);
            if (c != this && c->Visible() && c->Align() == a) take(c);
        }
    }
    for (int i = 0; i < p->ControlCount(); ++i) {
        TControl* c = p->Controls(i);
        if (c == this) break;
        if (c->Visible() && c->Align() == side) take(c);
    }
    const int thickness = Orientation() == boHorizontal ? Height() : Width();
    switch (side) {
    case alTop: r.Bottom = r.Top + thickness; break;
    case alBottom: r.Top = r.Bottom - thickness; break;
    case alLeft: r.Right = r.Left + thickness; break;
    case alRight: r.Left = r.Right - thickness; break;
    default: break;
    }
    return r;
}

namespace {
// A rectangle of the bar's parent in the coordinates of the form that shows the frame.
TRect ToFrameHost(const TSpeedBar* bar, const TRect& r) {
    QWidget* from = bar->Widget() ? bar->Widget()->parentWidget() : nullptr;
    TControl* form = GetParentForm(bar);
    QWidget* host = form ? form->Widget() : nullptr;
    if (!from || !host || from == host) return r;
    const QPoint p = from->mapTo(host, QPoint(r.Left, r.Top));
    return Bounds(p.x(), p.y(), r.Width(), r.Height());
}
}  // namespace

void TSpeedBar::SetDragFrame(const TRect& r) {
    if (FFrameShown) DrawInvertFrame(Parent(), ToFrameHost(this, FFrameRect), 3);
    FFrameRect = r;
    DrawInvertFrame(Parent(), ToFrameHost(this, FFrameRect), 3);
    FFrameShown = true;
}

void TSpeedBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomPanel::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Parent()) return;
    FPressed = true;
    SetMouseCapture(true);
    FStartDrag = {x, y};
}

void TSpeedBar::MouseMove(TShiftState shift, int x, int y) {
    TCustomPanel::MouseMove(shift, x, y);
    if (!FPressed || !Parent()) return;
    if (!FDrag) {
        if (!(FOptions & sbAllowDrag) || !IsSide(Align())) return;
        if (std::abs(x - FStartDrag.X) <= 4 && std::abs(y - FStartDrag.Y) <= 4) return;
        FDrag = true;
        FRectAlign = Align();
        SetDragFrame(BoundsRect());
        Screen->SetCursor(crDragHand);
        return;
    }
    const TAlign side = TargetSide(x, y);
    bool apply = true;
    OnApplyAlign(this, side, apply);
    if (!apply) return;
    const TRect r = FrameFor(side);
    FRectAlign = side;
    if (!(r == FFrameRect)) SetDragFrame(r);
}

void TSpeedBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomPanel::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    const bool wasDragging = FDrag;
    if (FDrag) {
        if (FFrameShown) DrawInvertFrame(Parent(), ToFrameHost(this, FFrameRect), 3);
        FFrameShown = false;
        Screen->SetCursor(crDefault);
        FDrag = false;
    }
    FPressed = false;
    SetMouseCapture(false);
    if (!wasDragging || !Parent() || !IsSide(Align())) return;
    const TAlign side = TargetSide(x, y);
    bool apply = true;
    OnApplyAlign(this, side, apply);
    TWinControl* p = Parent();
    p->DisableAlign();
    try {
        SetAlign(apply ? side : FRectAlign);
    } catch (...) {
        p->EnableAlign();
        throw;
    }
    p->EnableAlign();
    OnPosChanged(this);
}

// ------------------------------------------------------------------ layout persistence

TFormPlacement* TSpeedBar::IniStorage() const { return FIniLink->Storage(); }

void TSpeedBar::SetIniStorage(TFormPlacement* value) { FIniLink->SetStorage(value); }

void TSpeedBar::IniSave(TObject*) { SaveLayout(FIniLink->IniObject(), FIniLink->RootSection()); }

void TSpeedBar::IniLoad(TObject*) { RestoreLayout(FIniLink->IniObject(), FIniLink->RootSection()); }

QString TSpeedBar::LayoutSection(const QString& rootSection) const {
    return rootSection + GetDefaultSection(const_cast<TSpeedBar*>(this));
}

void TSpeedBar::SaveLayout(TObject* iniObject, const QString& rootSection) {
    if (Name().isEmpty() || !iniObject) return;
    const QString section = LayoutSection(rootSection);
    IniEraseSection(iniObject, section);
    const TAlign a = Align();
    IniWriteInteger(iniObject, section, QStringLiteral("Position"), int(a));
    if (IsSide(a)) IniWriteInteger(iniObject, section, QStringLiteral("Width"), IsHorizontalSide(a) ? Height() : Width());
    IniWriteInteger(iniObject, section, QStringLiteral("Version"), FVersion);
    IniWriteInteger(iniObject, section, QStringLiteral("PixelsPerInch"), Screen->PixelsPerInch());
    IniWriteInteger(iniObject, section, QStringLiteral("BtnWidth"), FButtonSize.cx);
    IniWriteInteger(iniObject, section, QStringLiteral("BtnHeight"), FButtonSize.cy);
    int n = 0;
    for (TSpeedbarSection* s : FSections)
        for (TSpeedItem* item : s->FList) {
            if (!item->Visible() || !item->Stored()) continue;
            ++n;
            IniWriteString(iniObject, section, QStringLiteral("Button%1").arg(n),
                           QStringLiteral("%1,%2,%3").arg(item->Name()).arg(item->Left()).arg(item->Top()));
        }
    IniWriteInteger(iniObject, section, QStringLiteral("Count"), n);
}

void TSpeedBar::RestoreLayout(TObject* iniObject, const QString& rootSection) {
    if (Name().isEmpty() || !iniObject) return;
    const QString section = LayoutSection(rootSection);
    const TAlign old = Align();
    if (IniReadInteger(iniObject, section, QStringLiteral("Version"), FVersion) < FVersion) return;
    if (FOptions & sbAllowDrag) {
        const int stored = IniReadInteger(iniObject, section, QStringLiteral("Position"), int(old));
        try {
            if (stored < int(alNone) || stored > int(alClient))
                throw ESpeedbarError(QString::fromLatin1(NoAutoAlign));
            SetAlign(TAlign(stored));
        } catch (const Exception&) {
            SetAlign(alTop);
        }
    }
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    const int ppi = IniReadInteger(iniObject, section, QStringLiteral("PixelsPerInch"), form ? form->PixelsPerInch() : 0);
    if (ppi != Screen->PixelsPerInch()) {
        // Sizes saved at another density would not fit: only the side is kept.
        if (Align() != old) OnPosChanged(this);
        return;
    }
    if (FOptions & sbAllowResize) {
        if (IsHorizontalSide(Align()))
            SetHeight(IniReadInteger(iniObject, section, QStringLiteral("Width"), Height()));
        else if (Align() == alLeft || Align() == alRight)
            SetWidth(IniReadInteger(iniObject, section, QStringLiteral("Width"), Width()));
    }
    if (Align() != old) OnPosChanged(this);
    // A damaged count must not keep the form reading keys for ever.
    constexpr int MaxStoredButtons = 4096;
    const int count = std::min(IniReadInteger(iniObject, section, QStringLiteral("Count"), 0), MaxStoredButtons);
    if (count > 0) {
        ForAllItems(0, [](int, TSpeedItem* item, int) { item->SetVisible(false); });
        const TCharSet delims(" ,");
        for (int i = 1; i <= count; ++i) {
            const QString text = IniReadString(iniObject, section, QStringLiteral("Button%1").arg(i), QString());
            if (text.isEmpty()) continue;
            TSpeedItem* item = SearchItem(ExtractWord(1, text, delims));
            if (!item) continue;
            bool ok = false;
            int left = ExtractWord(2, text, delims).toInt(&ok);
            if (!ok) left = item->Left();
            int top = ExtractWord(3, text, delims).toInt(&ok);
            if (!ok) top = item->Top();
            item->SetLeft(std::max(left, FOffset.X));
            item->SetTop(std::max(top, FOffset.Y));
            item->SetVisible(true);
        }
    }
    Invalidate();
}
