#include "platform/report/QRPrev.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr int Gap = 10;  // grey border around the page
}

TQRPreview::TQRPreview(TComponent* owner) : TCustomControl(owner) {
    SetColor(clAppWorkSpace);
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
    Invalidate();
}

void TQRPreview::ZoomToWidth() {
    QSize s = PageSize();
    FScrollX = 0;
    SetZoom(std::max(1, int(double(ClientWidth() - 2 * Gap) / s.width() * 100)));
    Invalidate();
}

void TQRPreview::ClampScroll() {
    QSize s = PageSize();
    int w = s.width() * FZoom / 100 + 2 * Gap, h = s.height() * FZoom / 100 + 2 * Gap;
    FScrollX = std::clamp(FScrollX, 0, std::max(0, w - ClientWidth()));
    FScrollY = std::clamp(FScrollY, 0, std::max(0, h - ClientHeight()));
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
        if (w + 2 * Gap < Width()) x = (Width() - w) / 2;  // centred when narrower
        p->fillRect(QRect(x + 3, y + 3, w, h), Qt::black);
        p->fillRect(QRect(x, y, w, h), Qt::white);
        p->translate(x, y);
        p->scale(scale, scale);
        platform::report::ReplayPage(page, p);
    }
    p->restore();
}
