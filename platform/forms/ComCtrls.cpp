#include "platform/forms/ComCtrls.h"

#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"
#include "platform/rtl/SysUtils.h"

#include <QHeaderView>
#include <algorithm>
#include <QIcon>
#include <QPixmap>
#include <QLocale>
#include <QProgressBar>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTabBar>
#include <QTreeWidget>
#include <QWheelEvent>

using namespace platform::forms;

// ---------------------------------------------------------------------------------------------
// Tab sheets and the page control

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    auto* w = new THost<QWidget>(this);
    SetWidget(w);
    w->setAutoFillBackground(true);
    FControlStyle |= csAcceptsControls;
    TControl::SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
    FPageControl = nullptr;
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    FPageControl = pageControl;
    SetParent(pageControl);
    if (pageControl) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    auto& p = FPageControl->FPages;
    return int(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetTabVisible(bool value) {
    FTabVisible = value;
    if (FPageControl) {
        if (!value && FPageControl->ActivePage() == this)
            FPageControl->SetActivePage(FPageControl->FindNextPage(this, true, true));
        FPageControl->UpdateTabs();
        // The first tab shown again when none was shows its page: its tab reads selected, and a
        // click on it changes nothing.
        if (value && !FPageControl->ActivePage()) FPageControl->SetActivePage(this);
    }
}

int TTabSheet::TabIndex() const {
    if (!FPageControl || !FTabVisible) return -1;
    int i = 0;
    for (TTabSheet* p : FPageControl->FPages) {
        if (p == this) return i;
        if (p->FTabVisible) ++i;
    }
    return -1;
}

void TTabSheet::CMTextChanged() {
    TWinControl::CMTextChanged();
    if (FPageControl) FPageControl->UpdateTabs();
}

namespace {
// The tabs show the page control's focus round the current tab, as the keys act on them.
class TTabsBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    void paintEvent(QPaintEvent* event) override {
        QTabBar::paintEvent(event);
        if (!parentWidget() || !parentWidget()->hasFocus() || currentIndex() < 0) return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = tabRect(currentIndex()).adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
    // The page changes with a click on a tab or the keyboard; the wheel passing over leaves it.
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};
}  // namespace

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    auto* w = new THost<QWidget>(this);
    SetWidget(w);
    w->setFocusPolicy(Qt::StrongFocus);
    FBar = new TTabsBar(w);
    FBar->setFocusPolicy(Qt::NoFocus);
    FBar->setDrawBase(true);
    FBar->show();
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
    QObject::connect(FBar, &QTabBar::currentChanged, FBar, [this](int tab) {
        if (FUpdatingTabs) return;
        TTabSheet* target = nullptr;
        for (TTabSheet* p : FPages)
            if (p->TabIndex() == tab) target = p;
        if (!target || target == FActivePage) return;
        bool allowed = false;
        Guarded(this, [&] { allowed = CanChange(); });
        if (!allowed) {
            UpdateTabs();
            return;
        }
        FActivePage = target;
        ShowActive();
        Guarded(this, [this] { Change(); });
    });
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    FPages.push_back(page);
    UpdateTabs();
    if (!FActivePage) SetActivePage(page);
    Realign();
}

void TPageControl::RemovePage(TTabSheet* page) {
    const bool wasActive = page == FActivePage;
    TTabSheet* next = wasActive ? FindNextPage(page, true, true) : nullptr;
    FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
    if (wasActive) {
        FActivePage = nullptr;
        if (next != page) SetActivePage(next);
    }
    UpdateTabs();
}

void TPageControl::UpdateTabs() {
    FUpdatingTabs = true;
    while (FBar->count() > 0) FBar->removeTab(0);
    for (TTabSheet* p : FPages)
        if (p->FTabVisible) FBar->addTab(p->Caption());
    FBar->setCurrentIndex(FActivePage ? FActivePage->TabIndex() : -1);
    FBar->setGeometry(0, 0, Width(), FBar->sizeHint().height());
    FUpdatingTabs = false;
}

void TPageControl::ShowActive() {
    for (TTabSheet* p : FPages) {
        const bool show = p == FActivePage;
        if (p->Visible() != show) {
            p->TControl::SetVisible(show);
            Guarded(p, [p, show] {
                if (show) p->OnShow(p);
                else p->OnHide(p);
            });
        }
    }
    FUpdatingTabs = true;
    FBar->setCurrentIndex(FActivePage ? FActivePage->TabIndex() : -1);
    FUpdatingTabs = false;
    Realign();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->FPageControl != this) return;
    if (page == FActivePage) return;
    // A page that holds the focused control gives the focus back to the page control.
    if (TCustomForm* form = GetParentForm(this); form && FActivePage && form->ActiveControl() &&
                                                 FActivePage->ContainsControl(form->ActiveControl()) && CanFocus())
        form->FocusControl(this);
    FActivePage = page;
    ShowActive();
}


TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    if (FPages.empty()) return nullptr;
    const int n = int(FPages.size());
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (FPages[size_t(i)] == current) start = i;
    if (start < 0) start = goForward ? n - 1 : 0;
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = goForward ? (i + 1) % n : (i - 1 + n) % n;
        TTabSheet* p = FPages[size_t(i)];
        if (!checkTabVisible || p->FTabVisible) return p;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward) {
    TTabSheet* next = FindNextPage(FActivePage, goForward, true);
    if (!next || next == FActivePage) return;
    if (!CanChange()) return;
    SetActivePage(next);
    Change();
}

bool TPageControl::CMDialogKey(quint16 key, TShiftState shift) {
    // Ctrl+Tab turns the page wherever the focus is on it; the focus goes to the new page.
    TCustomForm* form = GetParentForm(this);
    const bool inside = form && form->ActiveControl() && ContainsControl(form->ActiveControl());
    if (key == VK_TAB && (shift & ssCtrl) && !(shift & ssAlt) && inside && IsShowing()) {
        const bool wasOnPage = form->ActiveControl() != this;
        SelectNextPage(!(shift & ssShift));
        if (wasOnPage && FActivePage && form->ActiveControl() == this)
            if (TWinControl* first = FActivePage->FindNextControl(nullptr, true, true, false)) first->SetFocus();
        return true;
    }
    return TWinControl::CMDialogKey(key, shift);
}

void TPageControl::KeyDown(quint16& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (shift != 0) return;
    if (key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN) {
        // The arrows stop at the first and the last tab, as the tabs are drawn.
        const bool forward = key == VK_RIGHT || key == VK_DOWN;
        TTabSheet* next = FindNextPage(FActivePage, forward, true);
        if (next && FActivePage && (next->PageIndex() > FActivePage->PageIndex()) == forward) SelectNextPage(forward);
        key = 0;
    }
}

void TPageControl::CMFocusChanged(TWinControl*) { FBar->update(); }

bool TPageControl::CanChange() {
    bool allow = true;
    OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() { OnChange(this); }

void TPageControl::AdjustClientRect(TRect& rect) const {
    rect.Top += FBar ? FBar->sizeHint().height() : 0;
    InflateRect(rect, -2, -2);
}

void TPageControl::AlignControls(TRect& rect) {
    if (FBar) FBar->setGeometry(0, 0, Width(), FBar->sizeHint().height());
    for (TTabSheet* p : FPages) p->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    TWinControl::AlignControls(rect);
}

// ---------------------------------------------------------------------------------------------
// Status bar

void TStatusPanel::SetText(const QString& v) {
    if (v == FText) return;
    FText = v;
    FBar->Invalidate();
}

void TStatusPanel::SetWidth(int v) {
    FWidth = v;
    FBar->Invalidate();
}

void TStatusPanel::SetAlignment(TAlignment v) {
    FAlignment = v;
    FBar->Invalidate();
}

void TStatusPanel::SetStyle(TStatusPanelStyle v) {
    FStyle = v;
    FBar->Invalidate();
}

int TStatusPanel::Index() const {
    for (int i = 0; i < FBar->Panels()->Count(); ++i)
        if (FBar->Panels()->Items(i) == this) return i;
    return -1;
}

TStatusPanel* TStatusPanels::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[size_t(index)].get();
}

TStatusPanel* TStatusPanels::Add() {
    FItems.push_back(std::make_unique<TStatusPanel>(FBar));
    Changed();
    return FItems.back().get();
}

void TStatusPanels::Delete(int index) {
    Items(index);
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStatusPanels::Clear() {
    FItems.clear();
    Changed();
}

void TStatusPanels::EndUpdate() {
    if (FUpdate > 0 && --FUpdate == 0) Changed();
}

void TStatusPanels::Changed() {
    if (FUpdate == 0) FBar->Invalidate();
}

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner), FPanels(std::make_unique<TStatusPanels>(this)) {
    FWidget->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TRect TStatusBar::PanelRect(int index) const {
    int left = 0;
    for (int i = 0; i < index; ++i) left += FPanels->Items(i)->Width();
    const bool last = index == FPanels->Count() - 1;
    const int right = last ? Width() : left + FPanels->Items(index)->Width();
    return Rect(left, 2, std::max(left, right), Height());
}

void TStatusBar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    if (FSimplePanel || FPanels->Count() == 0) {
        TRect r = Rect(0, 2, Width(), Height());
        if (FSimplePanel) DrawPanel(nullptr, r);
        return;
    }
    for (int i = 0; i < FPanels->Count(); ++i) DrawPanel(FPanels->Items(i), PanelRect(i));
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) {
    TCanvas* c = Canvas();
    TRect r = rect;
    if (panel && panel->Bevel() != pbNone) {
        TRect frame = r;
        frame.Right -= 2;
        const bool raised = panel->Bevel() == pbRaised;
        Frame3D(c, frame, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, 1);
        r = frame;
    }
    if (panel && panel->Style() == psOwnerDraw) {
        OnDrawPanel(this, panel, r);
        return;
    }
    const QString text = panel ? panel->Text() : FSimpleText;
    QPainter* p = c->Painter();
    if (!p || text.isEmpty()) return;
    p->save();
    p->setFont(QtFont(Font()));
    p->setPen(QtColor(Font()->Color()));
    Qt::Alignment a = Qt::AlignVCenter;
    const TAlignment al = panel ? panel->Alignment() : taLeftJustify;
    a |= al == taCenter ? Qt::AlignHCenter : al == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    QRect qr = platform::graphics::ToQRect(r).adjusted(2, 0, -2, 0);
    p->setClipRect(qr);
    p->drawText(qr, int(a), text);
    p->restore();
}

// ---------------------------------------------------------------------------------------------
// Progress bar and gauge

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    auto* bar = new THost<QProgressBar>(this);
    SetWidget(bar);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    SetBounds(0, 0, 150, 16);
}

QProgressBar* TProgressBar::Bar() const { return static_cast<QProgressBar*>(FWidget); }

void TProgressBar::SetMin(int v) {
    FMin = v;
    Bar()->setMinimum(v);
    SetPosition(FPosition);
}

void TProgressBar::SetMax(int v) {
    FMax = v;
    Bar()->setMaximum(v);
    SetPosition(FPosition);
}

void TProgressBar::SetPosition(int v) {
    FPosition = std::clamp(v, FMin, std::max(FMin, FMax));
    Bar()->setValue(FPosition);
}

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle |= csOpaque;
    SetBounds(0, 0, 100, 100);
}

void TGauge::SetMinValue(int v) {
    FMinValue = v;
    SetProgress(FProgress);
    Invalidate();
}

void TGauge::SetMaxValue(int v) {
    FMaxValue = v;
    SetProgress(FProgress);
    Invalidate();
}

void TGauge::SetProgress(int v) {
    v = std::clamp(v, FMinValue, std::max(FMinValue, FMaxValue));
    if (v == FProgress) return;
    FProgress = v;
    Invalidate();
}

int TGauge::PercentDone() const {
    const int range = FMaxValue - FMinValue;
    if (range <= 0) return 0;
    return int((qint64(FProgress - FMinValue) * 100) / range);
}

void TGauge::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (FBorderStyle == bsSingle) {
        c->Brush()->SetColor(clBlack);
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    c->Brush()->SetColor(FBackColor);
    c->FillRect(r);
    const int pct = PercentDone();
    TRect done = r;
    if (FKind == gkVerticalBar)
        done.Top = r.Bottom - r.Height() * pct / 100;
    else if (FKind != gkText)
        done.Right = r.Left + r.Width() * pct / 100;
    if (FKind != gkText && !IsRectEmpty(done)) {
        c->Brush()->SetColor(FForeColor);
        c->FillRect(done);
    }
    if (!FShowText) return;
    QPainter* p = c->Painter();
    if (!p) return;
    const QString text = QStringLiteral("%1%").arg(pct);
    const QRect qr = platform::graphics::ToQRect(r);
    p->save();
    p->setFont(QtFont(Font()));
    // The text reads in the back colour over the done part and in the fore colour elsewhere.
    p->setClipRect(qr);
    p->setPen(QtColor(FForeColor));
    p->drawText(qr, Qt::AlignCenter, text);
    if (FKind != gkText) {
        p->setClipRect(platform::graphics::ToQRect(done));
        p->setPen(QtColor(FBackColor));
        p->drawText(qr, Qt::AlignCenter, text);
    }
    p->restore();
}

// ---------------------------------------------------------------------------------------------
// Up-down

TUpDown::TUpDown(TComponent* owner) : TCustomControl(owner) {
    FWidget->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 15, 21);
    FControlStyle &= ~csClickEvents;
}

void TUpDown::SetPosition(int v) {
    if (v < FMin) v = FMin;
    if (v > FMax) v = FMax;
    FPosition = v;
    UpdateAssociate();
}

void TUpDown::SetAssociate(TWinControl* edit) {
    FAssociate = edit;
    if (!edit) return;
    edit->FreeNotification(this);
    SetParent(edit->Parent());
    SetBounds(edit->Left() + edit->Width(), edit->Top(), Width(), edit->Height());
    UpdateAssociate();
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == FAssociate) FAssociate = nullptr;
}

void TUpDown::UpdateAssociate() {
    if (!FAssociate) return;
    QString text = QString::number(FPosition);
    if (FThousands && std::abs(FPosition) >= 1000) {
        QLocale es(QLocale::Spanish, QLocale::Spain);
        text = es.toString(FPosition);
    }
    FAssociate->SetText(text);
}

void TUpDown::ClickButton(TUDBtnType button) {
    bool allow = true;
    OnChanging(this, allow);
    if (!allow) return;
    int v = FPosition + (button == btNext ? FIncrement : -FIncrement);
    if (v > FMax) v = FWrap ? FMin : FMax;
    if (v < FMin) v = FWrap ? FMax : FMin;
    FPosition = v;
    UpdateAssociate();
    OnClick(this, button);
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    const bool next = FOrientation == udVertical ? y < Height() / 2 : x >= Width() / 2;
    ClickButton(next ? btNext : btPrev);
}

void TUpDown::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    const bool vertical = FOrientation == udVertical;
    TRect a = vertical ? Rect(0, 0, Width(), Height() / 2) : Rect(Width() / 2, 0, Width(), Height());
    TRect b = vertical ? Rect(0, Height() / 2, Width(), Height()) : Rect(0, 0, Width() / 2, Height());
    Frame3D(c, a, clBtnHighlight, clBtnShadow, 1);
    Frame3D(c, b, clBtnHighlight, clBtnShadow, 1);
    c->Brush()->SetColor(Enabled() ? clBtnText : clGrayText);
    c->Pen()->SetColor(Enabled() ? clBtnText : clGrayText);
    auto arrow = [c](const TRect& r, int dir) {  // 0 up, 1 down, 2 left, 3 right
        const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
        std::vector<TPoint> pts;
        switch (dir) {
        case 0: pts = {{cx - 3, cy + 1}, {cx + 3, cy + 1}, {cx, cy - 2}}; break;
        case 1: pts = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}}; break;
        case 2: pts = {{cx + 1, cy - 3}, {cx + 1, cy + 3}, {cx - 2, cy}}; break;
        default: pts = {{cx - 1, cy - 3}, {cx - 1, cy + 3}, {cx + 2, cy}}; break;
        }
        c->Polygon(pts);
    };
    arrow(a, vertical ? 0 : 3);
    arrow(b, vertical ? 1 : 2);
}

// ---------------------------------------------------------------------------------------------
// Tree view

QString TTreeNode::Text() const { return FItem ? FItem->text(0) : QString(); }

void TTreeNode::SetData(void* v) {
    if (FOwnedData && v != FOwnedData.get()) FOwnedData.reset();
    FData = v;
}

void TTreeNode::SetOwnedData(std::unique_ptr<TObject> data) {
    FOwnedData = std::move(data);
    FData = FOwnedData.get();
}

void TTreeNode::SetImageIndex(int v) {
    if (FImageIndex == v) return;
    FImageIndex = v;
    if (TreeView()) TreeView()->UpdateNodeImage(this);
}

void TTreeNode::SetSelectedIndex(int v) {
    if (FSelectedIndex == v) return;
    FSelectedIndex = v;
    if (TreeView()) TreeView()->UpdateNodeImage(this);
}
void TTreeNode::SetText(const QString& v) {
    if (FItem) FItem->setText(0, v);
}

int TTreeNode::Index() const {
    const auto& list = FParent ? FParent->FChildren : FOwner->FRoots;
    if (FIndexHint >= 0 && FIndexHint < int(list.size()) && list[size_t(FIndexHint)] == this) return FIndexHint;
    FIndexHint = int(std::find(list.begin(), list.end(), this) - list.begin());
    return FIndexHint;
}

int TTreeNode::Level() const {
    int l = 0;
    for (TTreeNode* p = FParent; p; p = p->FParent) ++l;
    return l;
}

int TTreeNode::AbsoluteIndex() const {
    int i = 0;
    for (TTreeNode* n = FOwner->GetFirstNode(); n; n = n->GetNext(), ++i)
        if (n == this) return i;
    return -1;
}

bool TTreeNode::Expanded() const { return FItem && FItem->isExpanded(); }
void TTreeNode::SetExpanded(bool v) {
    // A node without children has nothing to open: it neither expands nor tells that it did.
    if (v && FChildren.empty()) return;
    if (FItem) FItem->setExpanded(v);
}

void TTreeNode::Expand(bool recurse) {
    SetExpanded(true);
    if (recurse)
        for (TTreeNode* c : FChildren) c->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    SetExpanded(false);
    if (recurse)
        for (TTreeNode* c : FChildren) c->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView() && TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool v) {
    if (!TreeView()) return;
    if (v) TreeView()->SetSelected(this);
    else if (Selected()) TreeView()->SetSelected(nullptr);
}

void TTreeNode::MakeVisible() {
    for (TTreeNode* p = FParent; p; p = p->FParent) p->SetExpanded(true);
    if (FItem && TreeView()) TreeView()->Tree()->scrollToItem(FItem);
}

TTreeNode* TTreeNode::GetNextSibling() const {
    const auto& list = FParent ? FParent->FChildren : FOwner->FRoots;
    const int i = Index();
    return i + 1 < int(list.size()) ? list[size_t(i + 1)] : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    const auto& list = FParent ? FParent->FChildren : FOwner->FRoots;
    const int i = Index();
    return i > 0 ? list[size_t(i - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!FChildren.empty()) return FChildren.front();
    for (const TTreeNode* n = this; n; n = n->FParent)
        if (TTreeNode* s = n->GetNextSibling()) return s;
    return nullptr;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
    while (!FChildren.empty()) FOwner->Delete(FChildren.back());
}

TTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

void TTreeNode::AlphaSort() {
    if (FChildren.size() < 2) return;
    std::stable_sort(FChildren.begin(), FChildren.end(),
                     [](TTreeNode* a, TTreeNode* b) { return AnsiCompareText(a->Text(), b->Text()) < 0; });
    std::vector<bool> expanded;
    for (TTreeNode* c : FChildren) expanded.push_back(c->Expanded());
    TTreeView* view = TreeView();
    if (view) view->FSyncing = true;
    const QList<QTreeWidgetItem*> taken = FItem->takeChildren();
    (void)taken;
    for (size_t i = 0; i < FChildren.size(); ++i) {
        FItem->addChild(FChildren[i]->FItem);
        FChildren[i]->FItem->setExpanded(expanded[i]);
    }
    if (view) view->FSyncing = false;
}

TTreeNodes::~TTreeNodes() {
    for (TTreeNode* n : FRoots) Free(n);
    FRoots.clear();
}

void TTreeNodes::Free(TTreeNode* node) {
    for (TTreeNode* c : node->FChildren) Free(c);
    node->FChildren.clear();
    delete node;
}

int TTreeNodes::Count() const {
    int n = 0;
    for (TTreeNode* x = GetFirstNode(); x; x = x->GetNext()) ++n;
    return n;
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const {
    int i = 0;
    for (TTreeNode* x = GetFirstNode(); x; x = x->GetNext(), ++i)
        if (i == absoluteIndex) return x;
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(absoluteIndex));
}

TTreeNode* TTreeNodes::Make(TTreeNode* parent, int index, const QString& text, void* data) {
    auto* node = new TTreeNode(this);
    node->FParent = parent;
    node->FIndexHint = index;
    node->FData = data;
    node->FItem = new QTreeWidgetItem(QStringList{text});
    node->FItem->setData(0, Qt::UserRole, QVariant::fromValue<void*>(node));
    FOwner->FSyncing = true;
    if (parent) {
        parent->FChildren.insert(parent->FChildren.begin() + index, node);
        parent->FItem->insertChild(index, node->FItem);
    } else {
        FRoots.insert(FRoots.begin() + index, node);
        FOwner->Tree()->insertTopLevelItem(index, node->FItem);
    }
    FOwner->FSyncing = false;
    FOwner->UpdateNodeImage(node);
    return node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* node, const QString& text, void* data) {
    TTreeNode* parent = node ? node->FParent : nullptr;
    const int count = parent ? parent->Count() : int(FRoots.size());
    return Make(parent, count, text, data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const QString& text, void* data) {
    return Make(parent, parent ? parent->Count() : int(FRoots.size()), text, data);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* before, const QString& text) {
    if (!before) return Add(nullptr, text);
    return Make(before->FParent, before->Index(), text, nullptr);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    if (!node->FChildren.empty()) {
        // The branch leaves the view in one step: taken a row at a time, the view laid out every
        // row left for each, and closing a search of 20,000 people took seconds.
        FOwner->FSyncing = true;
        const QList<QTreeWidgetItem*> taken = node->FItem->takeChildren();
        FOwner->FSyncing = false;
        (void)taken;  // each is freed with its node
    }
    node->DeleteChildren();
    Guarded(FOwner, [&] { FOwner->OnDeletion(FOwner, node); });
    auto& list = node->FParent ? node->FParent->FChildren : FRoots;
    const int index = node->Index();
    if (index < int(list.size())) list.erase(list.begin() + index);
    FOwner->FSyncing = true;
    delete node->FItem;
    FOwner->FSyncing = false;
    delete node;
}

void TTreeNodes::Clear() {
    while (!FRoots.empty()) Delete(FRoots.back());
}

void TTreeNodes::BeginUpdate() { FOwner->Tree()->setUpdatesEnabled(false); }
void TTreeNodes::EndUpdate() { FOwner->Tree()->setUpdatesEnabled(true); }

TTreeNode* TTreeNodes::NodeOf(QTreeWidgetItem* item) const {
    return item ? static_cast<TTreeNode*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

TTreeView::TTreeView(TComponent* owner)
    : TWinControl(owner), FNodes(std::make_unique<TTreeNodes>(this)), FImageChangeLink(std::make_unique<TChangeLink>()) {
    FImageChangeLink->OnChange = TNotifyEvent(this, &TTreeView::ImageListChange);
    auto* tree = new THost<QTreeWidget>(this);
    SetWidget(tree);
    FTakesComposedText = true;
    tree->setFocusPolicy(Qt::StrongFocus);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                     [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                         if (FSyncing) return;
                         TTreeNode* node = FNodes->NodeOf(current);
                         bool allow = true;
                         Guarded(this, [&] { OnChanging(this, node, allow); });
                         if (!allow) {
                             FSyncing = true;
                             Tree()->setCurrentItem(previous);
                             FSyncing = false;
                             return;
                         }
                         Guarded(this, [&] { OnChange(this, node); });
                     });
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree, [this](QTreeWidgetItem* item) {
        if (FSyncing) return;
        TTreeNode* node = FNodes->NodeOf(item);
        bool allow = true;
        Guarded(this, [&] { OnExpanding(this, node, allow); });
        if (!allow) {
            FSyncing = true;
            item->setExpanded(false);
            FSyncing = false;
            return;
        }
        Guarded(this, [&] { OnExpanded(this, node); });
    });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree, [this](QTreeWidgetItem* item) {
        if (FSyncing) return;
        TTreeNode* node = FNodes->NodeOf(item);
        bool allow = true;
        Guarded(this, [&] { OnCollapsing(this, node, allow); });
        if (!allow) {
            FSyncing = true;
            item->setExpanded(true);
            FSyncing = false;
            return;
        }
        Guarded(this, [&] { OnCollapsed(this, node); });
    });
    QObject::connect(tree, &QTreeWidget::itemClicked, tree, [this](QTreeWidgetItem*, int) { Guarded(this, [this] { Click(); }); });
    QObject::connect(tree, &QTreeWidget::itemDoubleClicked, tree,
                     [this](QTreeWidgetItem*, int) { Guarded(this, [this] { DblClick(); }); });
    FControlStyle &= ~(csClickEvents | csDoubleClicks);
}

TTreeView::~TTreeView() {
    FSyncing = true;
    FNodes.reset();
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
}

void TTreeView::SetImages(TImageList* value) {
    if (platform::graphics::LinkImageList(this, FImages, value, FImageChangeLink.get())) ImageListChange(nullptr);
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FImages) {
        FImages = nullptr;
        ImageListChange(nullptr);
    }
}

void TTreeView::ImageListChange(TObject*) {
    if (FImages) Tree()->setIconSize(QSize(FImages->Width(), FImages->Height()));
    for (TTreeNode* n = FNodes->GetFirstNode(); n; n = n->GetNext()) UpdateNodeImage(n);
}

namespace {
QPixmap ListPixmap(TImageList* list, int index) { return QPixmap::fromImage(list->TransparentImageOf(index)); }
}  // namespace

void TTreeView::UpdateNodeImage(TTreeNode* node) {
    if (!node->FItem) return;
    const bool normal = FImages && node->FImageIndex >= 0 && node->FImageIndex < FImages->Count();
    const bool selected = FImages && node->FSelectedIndex >= 0 && node->FSelectedIndex < FImages->Count();
    QIcon icon;
    if (normal) icon.addPixmap(ListPixmap(FImages, node->FImageIndex), QIcon::Normal);
    if (selected) icon.addPixmap(ListPixmap(FImages, node->FSelectedIndex), QIcon::Selected);
    else if (normal) icon.addPixmap(ListPixmap(FImages, node->FImageIndex), QIcon::Selected);
    FSyncing = true;
    node->FItem->setIcon(0, icon);
    FSyncing = false;
}

QTreeWidget* TTreeView::Tree() const { return static_cast<QTreeWidget*>(FWidget); }

TTreeNode* TTreeView::Selected() const { return FNodes->NodeOf(Tree()->currentItem()); }

void TTreeView::SetSelected(TTreeNode* node) {
    Tree()->setCurrentItem(node ? node->FItem : nullptr);
    if (!node) Tree()->clearSelection();
}

void TTreeView::FullExpand() {
    for (TTreeNode* n : FNodes->Roots()) n->Expand(true);
}


bool TTreeView::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT) return true;
    return TWinControl::WantsKey(key, shift);
}
