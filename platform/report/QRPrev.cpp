#include "platform/report/QRPrev.h"

#include "platform/forms/Forms.h"

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr int Gap = 10;  // grey border around the page
}

TQRPreview::TQRPreview(TComponent* owner) : TCustomControl(owner) {
    SetColor(clAppWorkSpace);
    FHBar = new QScrollBar(Qt::Horizontal, Widget());
    FVBar = new QScrollBar(Qt::Vertical, Widget());
    for (QScrollBar* bar : {FHBar, FVBar}) {
        bar->hide();
        bar->setSingleStep(20);
        QObject::connect(bar, &QScrollBar::valueChanged, Widget(), [this, bar](int value) {
            (bar == FHBar ? FScrollX : FScrollY) = value;
            Invalidate();
        });
    }
}

TQRPreview::~TQRPreview() = default;

TQRPrinter* TQRPreview::QRPrinter() const { return FPrinter ? FPrinter : platform::report::GlobalPrinter(); }

// Only the pages shown are laid out: a long report opens on its first page at once.
int TQRPreview::PageNumber() const {
    int count = QRPrinter()->Reach(std::max(FPageNumber, 1));
    if (count == 0) return 0;
    return std::clamp(FPageNumber, 1, count);
}

void TQRPreview::SetPageNumber(int value) {
    int count = QRPrinter()->Reach(std::max(value, 1));
    value = count == 0 ? 1 : std::clamp(value, 1, count);
    if (value == FPageNumber) return;
    FPageNumber = value;
    FScrollY = 0;
    ClampScroll();
    Invalidate();
}

void TQRPreview::SetZoom(int percent) {
    percent = std::clamp(percent, 5, 800);
    if (percent == FZoom) return;
    FZoom = percent;
    ClampScroll();
    Invalidate();
}

QSize TQRPreview::PageSize() const {
    int n = PageNumber();
    if (n == 0) return {platform::report::MMToUnits(210), platform::report::MMToUnits(297)};
    const auto& p = QRPrinter()->Pages(n);
    return {p.Width, p.Height};
}

void TQRPreview::ZoomToFit() {
    QSize s = PageSize();
    double zx = double(ClientWidth() - 2 * Gap) / s.width(), zy = double(ClientHeight() - 2 * Gap) / s.height();
    FScrollX = FScrollY = 0;
    SetZoom(std::max(1, int(std::min(zx, zy) * 100)));
    ClampScroll();
    Invalidate();
}

void TQRPreview::ZoomToWidth() {
    QSize s = PageSize();
    FScrollX = 0;
    int width = ClientWidth() - 2 * Gap;
    // A page taller than the control at that width leaves room for its vertical scroll bar.
    if (double(s.height()) * width / s.width() + 2 * Gap > ClientHeight()) width -= FVBar->sizeHint().width();
    SetZoom(std::max(1, int(double(width) / s.width() * 100)));
    ClampScroll();
    Invalidate();
}

QSize TQRPreview::ContentSize() const {
    QSize s = PageSize();
    return {s.width() * FZoom / 100 + 2 * Gap, s.height() * FZoom / 100 + 2 * Gap};
}

QSize TQRPreview::ViewSize() const {
    const int w = ClientWidth(), h = ClientHeight();
    const int bw = FVBar->sizeHint().width(), bh = FHBar->sizeHint().height();
    const platform::forms::TBarsNeeded bars = platform::forms::ScrollBarsNeeded(ContentSize(), {w, h}, bw, bh);
    return {std::max(0, w - (bars.Vert ? bw : 0)), std::max(0, h - (bars.Horz ? bh : 0))};
}

void TQRPreview::ClampScroll() {
    const QSize c = ContentSize(), v = ViewSize();
    FScrollX = std::clamp(FScrollX, 0, std::max(0, c.width() - v.width()));
    FScrollY = std::clamp(FScrollY, 0, std::max(0, c.height() - v.height()));
    UpdateBars();
}

void TQRPreview::UpdateBars() {
    const QSize c = ContentSize(), v = ViewSize();
    FBarsFor = QRect(c.width(), c.height(), ClientWidth(), ClientHeight());
    const bool horizontal = v.height() < ClientHeight(), vertical = v.width() < ClientWidth();
    const struct {
        QScrollBar* Bar;
        bool Shown;
        int Max, Page, Value;
        QRect Where;
    } bars[] = {{FHBar, horizontal, c.width() - v.width(), v.width(), FScrollX, QRect(0, v.height(), v.width(), ClientHeight() - v.height())},
                {FVBar, vertical, c.height() - v.height(), v.height(), FScrollY, QRect(v.width(), 0, ClientWidth() - v.width(), v.height())}};
    for (const auto& b : bars) {
        const QSignalBlocker quiet(b.Bar);
        b.Bar->setRange(0, std::max(0, b.Max));
        b.Bar->setPageStep(std::max(1, b.Page));
        b.Bar->setValue(b.Value);
        b.Bar->setGeometry(b.Where);
        b.Bar->setVisible(b.Shown);
    }
}

void TQRPreview::BoundsChanged(bool sizeChanged) {
    TCustomControl::BoundsChanged(sizeChanged);
    if (sizeChanged) ClampScroll();
}

bool TQRPreview::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(event);
        int step = -w->angleDelta().y() / 2;
        if (w->modifiers() & Qt::ShiftModifier) FScrollX += step;
        else FScrollY += step;
        ClampScroll();
        Invalidate();
        return true;
    }
    return TCustomControl::WidgetEvent(event);
}

void TQRPreview::Paint() {
    QPainter* p = Canvas()->Painter();
    if (!p) return;
    p->save();
    p->fillRect(QRect(0, 0, Width(), Height()), QColor::fromRgb(platform::graphics::ToQRgb(Color())));
    int n = PageNumber();
    if (n > 0) {
        const auto& page = QRPrinter()->Pages(n);
        double scale = FZoom / 100.0;
        QSize s = PageSize();
        int w = int(s.width() * scale), h = int(s.height() * scale);
        int x = Gap - FScrollX, y = Gap - FScrollY;
        const int shown = ViewSize().width();
        if (w + 2 * Gap < shown) x = (shown - w) / 2;  // centred when narrower
        p->fillRect(QRect(x + 3, y + 3, w, h), Qt::black);
        p->fillRect(QRect(x, y, w, h), Qt::white);
        p->translate(x, y);
        p->scale(scale, scale);
        platform::report::ReplayPage(page, p);
    }
    p->restore();
    // Pages recorded since the bars were placed (a report still being prepared, another printer):
    // they are placed again once this paint is over.
    const QSize c = ContentSize();
    if (FBarsFor != QRect(c.width(), c.height(), ClientWidth(), ClientHeight()))
        QMetaObject::invokeMethod(Widget(), [this] { ClampScroll(); }, Qt::QueuedConnection);
}
