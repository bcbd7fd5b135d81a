#include "platform/forms/ExtCtrls.h"

#include "platform/db/Espera.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"

#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>

using namespace platform::forms;

// ---------------------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    FControlStyle |= csAcceptsControls | csOpaque;
    FWidget->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::AdjustClientRect(TRect& rect) const {
    int w = FBorderWidth;
    if (FBevelOuter != bvNone) w += FBevelWidth;
    if (FBevelInner != bvNone) w += FBevelWidth;
    if (FBorderStyle == bsSingle) w += 1;
    InflateRect(rect, -w, -w);
}

void TCustomPanel::Paint() {
    TRect r = ClientRect();
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
    if (FBorderStyle == bsSingle) Frame3D(Canvas(), r, clWindowFrame, clWindowFrame, 1);
    if (FBevelOuter != bvNone) {
        const bool raised = FBevelOuter == bvRaised;
        Frame3D(Canvas(), r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, FBevelWidth);
    }
    InflateRect(r, -FBorderWidth, -FBorderWidth);
    if (FBevelInner != bvNone) {
        const bool raised = FBevelInner == bvRaised;
        Frame3D(Canvas(), r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, FBevelWidth);
    }
    const QString text = Caption();
    if (text.isEmpty()) return;
    QPainter* p = Canvas()->Painter();
    p->save();
    p->setFont(QtFont(Font()));
    p->setPen(QtColor(Enabled() ? Font()->Color() : clGrayText));
    Qt::Alignment a = Qt::AlignVCenter;
    a |= FAlignment == taLeftJustify ? Qt::AlignLeft : FAlignment == taRightJustify ? Qt::AlignRight : Qt::AlignHCenter;
    p->drawText(platform::graphics::ToQRect(r), int(a), text);
    p->restore();
}

// ---------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::Paint() {
    const TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    auto line = [c](int x1, int y1, int x2, int y2, TColor color) {
        c->Pen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    const int w = Width(), h = Height();
    switch (FShape) {
    case bsBox: Frame3D(c, r, c1, c2, 1); break;
    case bsFrame: {
        TRect r2 = r;
        --r2.Right;
        --r2.Bottom;
        Frame3D(c, r2, c1, c1, 1);
        r2 = r;
        ++r2.Left;
        ++r2.Top;
        Frame3D(c, r2, c2, c2, 1);
        break;
    }
    case bsTopLine:
        line(0, 0, w, 0, c1);
        line(0, 1, w, 1, c2);
        break;
    case bsBottomLine:
        line(0, h - 2, w, h - 2, c1);
        line(0, h - 1, w, h - 1, c2);
        break;
    case bsLeftLine:
        line(0, 0, 0, h, c1);
        line(1, 0, 1, h, c2);
        break;
    case bsRightLine:
        line(w - 2, 0, w - 2, h, c1);
        line(w - 1, 0, w - 1, h, c2);
        break;
    case bsSpacer: break;
    }
}

// ---------------------------------------------------------------------------------------------

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    SetBounds(0, 0, 65, 65);
    FPen->OnChange = [this](TObject*) { Invalidate(); };
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::Paint() {
    TCanvas* c = Canvas();
    c->SetPen(FPen.get());
    c->SetBrush(FBrush.get());
    const int pw = FPen->Width();
    int x = pw / 2, y = pw / 2;
    int w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        const int s = std::min(w, h);
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
    }
}

// ---------------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
    SetBounds(0, 0, 105, 105);
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool v) {
    FAutoSize = v;
    PictureChanged();
}

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::Paint() {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty()) return;
    if (g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
    if (FStretch) {
        Canvas()->StretchDraw(ClientRect(), g);
        return;
    }
    int x = 0, y = 0;
    if (FCenter) {
        x = (Width() - g->Width()) / 2;
        y = (Height() - g->Height()) / 2;
    }
    Canvas()->Draw(x, y, g);
}

// ---------------------------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), FItems(std::make_unique<TControlStrings>([this](const TItemsEdit&) { ItemsChanged(); })) {}

TCustomRadioGroup::~TCustomRadioGroup() {
    // The buttons are children (freed with us) but not components of anyone.
    FButtons.clear();
}

void TCustomRadioGroup::ItemsChanged() {
    if (FUpdating) return;
    while (int(FButtons.size()) > FItems->Count()) {
        delete FButtons.back();
        FButtons.pop_back();
    }
    while (int(FButtons.size()) < FItems->Count()) {
        auto* b = new TRadioButton(nullptr);
        const int index = int(FButtons.size());
        b->SetParent(this);
        b->OnClick = [this, index](TObject*) {
            if (!FUpdating) ButtonClicked(index);
        };
        FButtons.push_back(b);
    }
    for (int i = 0; i < FItems->Count(); ++i) FButtons[size_t(i)]->SetCaption(FItems->Strings(i));
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
    FUpdating = true;
    for (int i = 0; i < int(FButtons.size()); ++i) FButtons[size_t(i)]->SetChecked(i == FItemIndex);
    FUpdating = false;
    ArrangeButtons();
}

void TCustomRadioGroup::ButtonClicked(int index) {
    if (index == FItemIndex) return;
    FItemIndex = index;
    Click();
}

void TCustomRadioGroup::SetItemIndex(int v) {
    if (v < -1 || v >= FItems->Count()) v = -1;
    if (v == FItemIndex) return;
    FItemIndex = v;
    FUpdating = true;
    for (int i = 0; i < int(FButtons.size()); ++i) FButtons[size_t(i)]->SetChecked(i == v);
    FUpdating = false;
    Click();
}

void TCustomRadioGroup::SetColumns(int v) {
    FColumns = std::clamp(v, 1, 16);
    ArrangeButtons();
}

void TCustomRadioGroup::CMEnabledChanged() {
    TCustomGroupBox::CMEnabledChanged();
    for (TRadioButton* b : FButtons) b->SetEnabled(Enabled());
}

void TCustomRadioGroup::BoundsChanged(bool sizeChanged) {
    TCustomGroupBox::BoundsChanged(sizeChanged);
    if (sizeChanged) ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
    if (FButtons.empty()) return;
    TRect r = ClientRect();
    AdjustClientRect(r);
    InflateRect(r, -6, 0);
    const int rows = (int(FButtons.size()) + FColumns - 1) / FColumns;
    const int colWidth = r.Width() / FColumns;
    const int rowHeight = std::max(1, r.Height() / std::max(1, rows));
    for (int i = 0; i < int(FButtons.size()); ++i) {
        const int col = i / rows, row = i % rows;
        FButtons[size_t(i)]->SetBounds(r.Left + col * colWidth, r.Top + row * rowHeight + (rowHeight - 17) / 2,
                                       colWidth, 17);
    }
}

// ---------------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner), FTimer(std::make_unique<QTimer>()) {
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] {
        if (!FDuringServerWait && platform::db::ServerWaitRunning()) return;
        Guarded(this, [this] { Timer(); });
    });
    Update();
}

TTimer::~TTimer() { FTimer->stop(); }

void TTimer::SetEnabled(bool v) {
    FEnabled = v;
    Update();
}

void TTimer::SetInterval(unsigned v) {
    FInterval = v;
    Update();
}

void TTimer::Update() {
    FTimer->stop();
    if (FEnabled && FInterval > 0) {
        FTimer->setInterval(int(FInterval));
        FTimer->start();
    }
}

void TTimer::Timer() { OnTimer(this); }

// ---------------------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    auto* area = new THost<QScrollArea>(this);
    SetWidget(area);
    FContent = new THost<QWidget>(this);
    FContent->setFocusPolicy(Qt::NoFocus);
    area->setWidget(FContent);
    area->setWidgetResizable(false);
    FControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 185, 41);
}

QScrollArea* TScrollBox::Area() const { return static_cast<QScrollArea*>(FWidget); }

TRect TScrollBox::ClientRect() const {
    const QSize s = Area()->viewport()->size();
    return Rect(0, 0, s.width() > 0 ? s.width() : Width(), s.height() > 0 ? s.height() : Height());
}

void TScrollBox::UpdateRange() {
    int w = ClientRect().Width(), h = ClientRect().Height();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible() || c->Align() != alNone) continue;
        w = std::max(w, c->Left() + c->Width());
        h = std::max(h, c->Top() + c->Height());
    }
    FContent->resize(w, h);
}

void TScrollBox::ScrollInView(TControl* control) {
    if (control && control->Widget()) Area()->ensureWidgetVisible(control->Widget());
}

void TScrollBox::BoundsChanged(bool sizeChanged) {
    UpdateRange();
    TWinControl::BoundsChanged(sizeChanged);
}
