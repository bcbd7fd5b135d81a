// TCanvas: drawing through Qt on outside painters and on bitmap work images, and exact
// raster operations on bitmap pixel stores.
#include "platform/graphics/Graphics.h"

#include <algorithm>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

using platform::graphics::FromQRgb;
using platform::graphics::PixelStore;
using platform::graphics::ToQRect;
using platform::graphics::ToQRgb;

class TCanvasState {
public:
    TFont Font;
    TPen Pen;
    TBrush Brush;
    TCopyMode CopyMode = cmSrcCopy;
    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    int BkMode = OPAQUE;
    TPoint PenPos;
    TPoint Origin;
    bool HasClip = false;
    std::vector<TRect> Clip;
};

namespace {

constexpr int MaxClip = 1 << 24;

quint32 Rop3(unsigned code, quint32 p, quint32 s, quint32 d) {
    quint32 r = 0;
    for (int i = 0; i < 8; ++i)
        if (code & (1u << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r & 0xFFFFFF;
}

bool RopNeedsSource(unsigned code) { return ((code >> 2) ^ code) & 0x33; }
bool RopNeedsPattern(unsigned code) { return ((code >> 4) ^ code) & 0x0F; }

bool IsBlackWhite(const TPaletteEntries& pal) {
    return pal.size() == 2 && (pal[0] & 0xFFFFFF) == 0 && (pal[1] & 0xFFFFFF) == 0xFFFFFF;
}

QPainter::CompositionMode PenComposition(TPenMode mode) {
    switch (mode) {
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// Pixels of a line from a to b without b, as the class library draws one-pixel lines.
void LinePoints(QVector<QPoint>& pts, QPoint a, QPoint b) {
    int x0 = a.x(), y0 = a.y(), x1 = b.x(), y1 = b.y();
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (!(x0 == x1 && y0 == y1)) {
        pts << QPoint(x0, y0);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// Positions of text split by tabs: every segment's start offset.
struct TabLayout {
    QStringList Segments;
    std::vector<int> Starts;
    int Width = 0;
};

TabLayout LayoutTabs(const QFontMetrics& fm, const QString& text, const std::vector<int>& stops, int defaultTab,
                     int originOffset) {
    TabLayout t;
    t.Segments = text.split(QChar('\t'));
    int x = 0;
    for (int i = 0; i < t.Segments.size(); ++i) {
        t.Starts.push_back(x);
        x += fm.horizontalAdvance(t.Segments[i]);
        if (i + 1 < t.Segments.size()) {
            int abs = x + originOffset;
            int next = -1;
            if (stops.size() > 1) {
                for (int s : stops)
                    if (s > abs) {
                        next = s;
                        break;
                    }
                if (next < 0) next = abs + fm.horizontalAdvance(QChar(' '));
            } else {
                int step = stops.size() == 1 && stops[0] > 0 ? stops[0] : defaultTab;
                if (step <= 0) step = 1;
                next = (abs / step + 1) * step;
            }
            x = next - originOffset;
        }
    }
    t.Width = x;
    return t;
}

}  // namespace

// Prepares a QPainter for one drawing operation on the canvas's target.
class TCanvasPaint {
public:
    explicit TCanvasPaint(TCanvas* canvas, bool notify = true) : FCanvas(canvas), FNotify(notify) {
        canvas->RequireTarget();
        if (FNotify) canvas->Changing();
        if (canvas->FPainter) {
            FPainter = canvas->FPainter;
            FPainter->save();
        } else {
            TBitmap* b = canvas->FBitmap;
            if (b->Empty()) return;
            QImage& img = b->BeginWork();
            FOwn = std::make_unique<QPainter>(&img);
            FPainter = FOwn.get();
            FIndexed = b->BitsPerPixel() <= 8;
        }
        if (canvas->FHasClip) {
            QRegion rg;
            for (const TRect& r : canvas->FClip) rg += ToQRect(r);
            FPainter->setClipRegion(rg, FOwn ? Qt::ReplaceClip : Qt::IntersectClip);
        }
        FPainter->translate(canvas->FOrigin.X, canvas->FOrigin.Y);
        FPainter->setRenderHint(QPainter::Antialiasing, false);
        FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        FPainter->setRenderHint(QPainter::TextAntialiasing, !FIndexed);
    }
    ~TCanvasPaint() {
        if (FPainter) {
            if (FOwn) {
                FOwn->end();
                FCanvas->FBitmap->EndWork();
            } else {
                FPainter->restore();
            }
        }
        if (FNotify) FCanvas->Changed();
    }
    QPainter* operator->() const { return FPainter; }
    QPainter* Painter() const { return FPainter; }
    explicit operator bool() const { return FPainter != nullptr; }
    bool Indexed() const { return FIndexed; }

    QFont Font() const {
        QFont f = FCanvas->FFont->ToQFont();
        if (FIndexed) f.setStyleStrategy(QFont::NoAntialias);
        return f;
    }
    void UsePen() {
        TPen* pen = FCanvas->FPen.get();
        if (pen->Style() == psClear || pen->Mode() == pmNop) {
            FPainter->setPen(Qt::NoPen);
            return;
        }
        QPen qp{QColor(ToQRgb(pen->Color()))};
        qp.setWidth(pen->Width() <= 1 ? 0 : pen->Width());
        switch (pen->Style()) {
        case psDash: qp.setStyle(Qt::DashLine); break;
        case psDot: qp.setStyle(Qt::DotLine); break;
        case psDashDot: qp.setStyle(Qt::DashDotLine); break;
        case psDashDotDot: qp.setStyle(Qt::DashDotDotLine); break;
        default: qp.setStyle(Qt::SolidLine); break;
        }
        qp.setCapStyle(Qt::FlatCap);
        qp.setJoinStyle(Qt::MiterJoin);
        FPainter->setPen(qp);
        FPainter->setCompositionMode(PenComposition(pen->Mode()));
    }
    QBrush MakeBrush() const {
        TBrush* b = FCanvas->FBrush.get();
        if (b->Bitmap() && !b->Bitmap()->Empty()) {
            QImage img = b->Bitmap()->ToImage().copy(0, 0, 8, 8);
            if (b->Bitmap()->Monochrome()) {
                QRgb fg = ToQRgb(FCanvas->FTextColor), bg = ToQRgb(FCanvas->FBkColor);
                for (int y = 0; y < img.height(); ++y) {
                    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
                    for (int x = 0; x < img.width(); ++x) row[x] = (row[x] & 0xFFFFFF) ? bg : fg;
                }
            }
            return QBrush(img);
        }
        QColor c(ToQRgb(b->Color()));
        switch (b->Style()) {
        case bsClear: return QBrush(Qt::NoBrush);
        case bsHorizontal: return QBrush(c, Qt::HorPattern);
        case bsVertical: return QBrush(c, Qt::VerPattern);
        case bsFDiagonal: return QBrush(c, Qt::BDiagPattern);
        case bsBDiagonal: return QBrush(c, Qt::FDiagPattern);
        case bsCross: return QBrush(c, Qt::CrossPattern);
        case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
        default: return QBrush(c);
        }
    }
    void UseBrush() {
        QBrush br = MakeBrush();
        FPainter->setBrush(br);
        if (br.style() > Qt::SolidPattern && br.style() < Qt::LinearGradientPattern &&
            FCanvas->FBkMode == OPAQUE) {
            FPainter->setBackgroundMode(Qt::OpaqueMode);
            FPainter->setBackground(QColor(ToQRgb(FCanvas->FBkColor)));
        }
    }

private:
    TCanvas* FCanvas;
    bool FNotify;
    QPainter* FPainter = nullptr;
    std::unique_ptr<QPainter> FOwn;
    bool FIndexed = false;
};

// ---------------------------------------------------------------- setup

TCanvas::TCanvas() : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    FTextColor = FFont->Color();
    FBkColor = FBrush->Color();
    FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
    FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() = default;

void TCanvas::FontChanged(TObject*) { FTextColor = FFont->Color(); }

void TCanvas::BrushChanged(TObject*) {
    FBkColor = FBrush->Color();
    FBkMode = FBrush->Style() == bsClear ? TRANSPARENT : OPAQUE;
}

void TCanvas::Attach(QPainter* painter, int pixelsPerInch) {
    FPainter = painter;
    FPixelsPerInch = pixelsPerInch > 0 ? pixelsPerInch : 96;
    FFont->SetPixelsPerInch(FPixelsPerInch);
}

void TCanvas::Detach() { FPainter = nullptr; }

void TCanvas::RequireTarget() {
    if (!FPainter && !FBitmap) CreateHandle();
    if (!FPainter && !FBitmap) throw EInvalidOperation(QStringLiteral("Canvas does not allow drawing"));
}

void TCanvas::Changing() { OnChanging(this); }
void TCanvas::Changed() { OnChange(this); }

// ---------------------------------------------------------------- lines and shapes

void TCanvas::MoveTo(int x, int y) { FPenPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
    Polyline({FPenPos, {x, y}});
    FPenPos = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    TCanvasPaint p(this);
    if (!p) return;
    p.UsePen();
    if (FPen->Style() == psClear || FPen->Mode() == pmNop) return;
    if (FPen->Width() <= 1 && (FPen->Style() == psSolid || FPen->Style() == psInsideFrame)) {
        // Exact pixels, the end point left out and every pixel touched once (XOR stays reversible).
        // Straight copies along a row or a column (grid lines, frames) are those pixels as a
        // one-pixel rectangle, which the painter fills far faster than it plots points.
        const bool straight = FPen->Mode() == pmCopy && !p->testRenderHint(QPainter::Antialiasing) &&
                              p->transform().type() <= QTransform::TxTranslate &&
                              std::all_of(points.begin() + 1, points.end(), [&](const TPoint& b) {
                                  const TPoint& a = *(&b - 1);
                                  return a.X == b.X || a.Y == b.Y;
                              });
        if (straight) {
            const QColor color = p->pen().color();
            for (size_t i = 0; i + 1 < points.size(); ++i) {
                const TPoint a = points[i], b = points[i + 1];
                if (a.X == b.X && a.Y == b.Y) continue;
                QRect r;
                if (a.Y == b.Y) r = a.X < b.X ? QRect(a.X, a.Y, b.X - a.X, 1) : QRect(b.X + 1, a.Y, a.X - b.X, 1);
                else r = a.Y < b.Y ? QRect(a.X, a.Y, 1, b.Y - a.Y) : QRect(a.X, b.Y + 1, 1, a.Y - b.Y);
                p->fillRect(r, color);
            }
            FPenPos = points.back();
            return;
        }
        QVector<QPoint> pts;
        for (size_t i = 0; i + 1 < points.size(); ++i)
            LinePoints(pts, platform::graphics::ToQPoint(points[i]), platform::graphics::ToQPoint(points[i + 1]));
        p->drawPoints(pts.constData(), int(pts.size()));
    } else {
        QPolygon poly;
        for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
        p->drawPolyline(poly);
    }
    FPenPos = points.back();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    TCanvasPaint p(this);
    if (!p) return;
    p.UsePen();
    p.UseBrush();
    QPolygon poly;
    for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
    p->drawPolygon(poly);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    TCanvasPaint p(this);
    if (!p) return;
    if (FPen->Style() == psClear || FPen->Mode() == pmNop) {
        // Without a pen the filled area loses its right column and bottom row.
        p.UseBrush();
        p->setPen(Qt::NoPen);
        if (right - left > 1 && bottom - top > 1) p->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
        return;
    }
    p.UseBrush();
    p.UsePen();
    if (FPen->Width() <= 1) {
        if (right - left > 2 && bottom - top > 2 && FBrush->Style() != bsClear) {
            p->save();
            p->setPen(Qt::NoPen);
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->drawRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2));
            p->restore();
        }
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    } else {
        int w = FPen->Width();
        int inset = FPen->Style() == psInsideFrame ? w / 2 : 0;
        p->drawRect(QRectF(left + inset, top + inset, right - left - 1 - 2 * inset, bottom - top - 1 - 2 * inset));
    }
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerW, int cornerH) {
    if (right - left < 1 || bottom - top < 1) return;
    TCanvasPaint p(this);
    if (!p) return;
    p.UseBrush();
    p.UsePen();
    p->drawRoundedRect(QRectF(left, top, right - left - 1, bottom - top - 1), cornerW / 2.0, cornerH / 2.0);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (right - left < 1 || bottom - top < 1) return;
    TCanvasPaint p(this);
    if (!p) return;
    p.UseBrush();
    p.UsePen();
    p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::FillRect(const TRect& r) {
    if (IsRectEmpty(r) || FBrush->Style() == bsClear) return;
    TCanvasPaint p(this);
    if (!p) return;
    p.UseBrush();
    p->setPen(Qt::NoPen);
    p->fillRect(ToQRect(r), p->brush());
}

void TCanvas::FrameRect(const TRect& r) {
    if (IsRectEmpty(r)) return;
    TCanvasPaint p(this);
    if (!p) return;
    QBrush br = p.MakeBrush();
    if (br.style() == Qt::NoBrush) return;
    int w = r.Width(), h = r.Height();
    p->fillRect(QRect(r.Left, r.Top, w, 1), br);
    if (h > 1) p->fillRect(QRect(r.Left, r.Bottom - 1, w, 1), br);
    if (h > 2) {
        p->fillRect(QRect(r.Left, r.Top + 1, 1, h - 2), br);
        if (w > 1) p->fillRect(QRect(r.Right - 1, r.Top + 1, 1, h - 2), br);
    }
}

void TCanvas::DrawFocusRect(const TRect& r) {
    if (IsRectEmpty(r)) return;
    TCanvasPaint p(this);
    if (!p) return;
    // Every other pixel of the border, counted from the corner, inverted.
    QVector<QPoint> pts;
    int i = 0;
    auto add = [&](int x, int y) {
        if ((i++ & 1) == 0) pts << QPoint(x, y);
    };
    for (int x = r.Left; x < r.Right; ++x) add(x, r.Top);
    for (int y = r.Top + 1; y < r.Bottom; ++y) add(r.Right - 1, y);
    if (r.Height() > 1)
        for (int x = r.Right - 2; x >= r.Left; --x) add(x, r.Bottom - 1);
    if (r.Width() > 1)
        for (int y = r.Bottom - 2; y > r.Top; --y) add(r.Left, y);
    p->setPen(QPen(QColor(255, 255, 255), 0));
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->drawPoints(pts.constData(), int(pts.size()));
}

TColor TCanvas::Pixels(int x, int y) const {
    int dx = x + FOrigin.X, dy = y + FOrigin.Y;
    if (FBitmap) {
        if (dx < 0 || dy < 0 || dx >= FBitmap->Width() || dy >= FBitmap->Height()) return clNone;
        return FromQRgb(FBitmap->Store().PixelRgb(dx, dy));
    }
    if (FPainter && FPainter->device() && FPainter->device()->devType() == QInternal::Image) {
        auto* img = static_cast<QImage*>(FPainter->device());
        QPoint pt = FPainter->transform().map(QPoint(dx, dy));
        if (img->rect().contains(pt)) return FromQRgb(img->pixel(pt));
    }
    return clNone;
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    RequireTarget();
    int dx = x + FOrigin.X, dy = y + FOrigin.Y;
    if (FHasClip && std::none_of(FClip.begin(), FClip.end(), [&](const TRect& r) { return PtInRect(r, {dx, dy}); }))
        return;
    if (FBitmap) {
        if (dx < 0 || dy < 0 || dx >= FBitmap->Width() || dy >= FBitmap->Height()) return;
        Changing();
        FBitmap->DropWork();
        FBitmap->FStore.SetPixelRgb(dx, dy, ToQRgb(color));
        Changed();
        return;
    }
    TCanvasPaint p(this);
    p->setPen(QPen(QColor(ToQRgb(color)), 0));
    p->drawPoint(x, y);
}

TColor TCanvas::NearestColor(TColor color) const {
    TColor rgb = ColorToRGB(color) & 0xFFFFFF;
    if (FBitmap && FBitmap->BitsPerPixel() <= 8) {
        const PixelStore& s = FBitmap->Store();
        return FromQRgb(s.Palette.value(s.NearestIndex(ToQRgb(rgb))));
    }
    return rgb;
}

// ---------------------------------------------------------------- text

TSize TCanvas::TextExtent(const QString& text) const {
    QFontMetrics fm(FFont->ToQFont());
    return {fm.horizontalAdvance(text), fm.height()};
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    TCanvasPaint p(this);
    if (p) {
        QFont f = p.Font();
        QFontMetrics fm(f);
        int w = fm.horizontalAdvance(text);
        if (FBkMode == OPAQUE) p->fillRect(QRect(x, y, w, fm.height()), QColor(ToQRgb(FBkColor)));
        p->setFont(f);
        p->setPen(QColor(ToQRgb(FTextColor)));
        p->drawText(QPoint(x, y + fm.ascent()), text);
    }
    FPenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    TCanvasPaint p(this);
    if (!p) return;
    p->setClipRect(ToQRect(r), Qt::IntersectClip);
    if (FBrush->Style() != bsClear) p->fillRect(ToQRect(r), QColor(ToQRgb(FBkColor)));
    QFont f = p.Font();
    QFontMetrics fm(f);
    p->setFont(f);
    p->setPen(QColor(ToQRgb(FTextColor)));
    p->drawText(QPoint(x, y + fm.ascent()), text);
}

TSize TCanvas::TabbedTextOut(int x, int y, const QString& text, const std::vector<int>& tabStops, int tabOrigin) {
    TCanvasPaint p(this);
    QFontMetrics fm(FFont->ToQFont());
    TabLayout t = LayoutTabs(fm, text, tabStops, 8 * fm.averageCharWidth(), x - tabOrigin);
    if (p) {
        QFont f = p.Font();
        if (FBkMode == OPAQUE) p->fillRect(QRect(x, y, t.Width, fm.height()), QColor(ToQRgb(FBkColor)));
        p->setFont(f);
        p->setPen(QColor(ToQRgb(FTextColor)));
        for (int i = 0; i < t.Segments.size(); ++i)
            p->drawText(QPoint(x + t.Starts[size_t(i)], y + fm.ascent()), t.Segments[i]);
    }
    return {t.Width, fm.height()};
}

namespace {

struct TextLine {
    QString Text;
    int Underline = -1;  // index of the character to underline
};

}  // namespace

int TCanvas::DrawText(const QString& text, TRect& r, unsigned format) {
    QFont qf = FFont->ToQFont();
    QFontMetrics fm(qf);
    const int lineH = fm.height();
    if (text.isEmpty()) {
        if (format & DT_CALCRECT) {
            r.Right = r.Left;
            r.Bottom = r.Top;
        }
        return 0;
    }
    // "&x" underlines x, "&&" is one "&".
    QString s;
    int ul = -1;
    if (format & DT_NOPREFIX) {
        s = text;
    } else {
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == u'&') {
                if (i + 1 < text.size() && text[i + 1] == u'&') {
                    s += u'&';
                    ++i;
                } else if (i + 1 < text.size()) {
                    ul = int(s.size());
                }
                continue;
            }
            s += text[i];
        }
    }
    const int tabW = 8 * fm.averageCharWidth();
    auto widthOf = [&](const QString& line) {
        if (!(format & DT_EXPANDTABS)) return fm.horizontalAdvance(line);
        return LayoutTabs(fm, line, {}, tabW, 0).Width;
    };

    // Paragraphs with their start offsets in s.
    std::vector<std::pair<QString, int>> paras;
    if (format & DT_SINGLELINE) {
        QString one = s;
        for (QChar& c : one)
            if (c == u'\r' || c == u'\n') c = u' ';
        paras.push_back({one, 0});
    } else {
        int start = 0;
        for (int i = 0; i <= s.size(); ++i) {
            if (i == s.size() || s[i] == u'\r' || s[i] == u'\n') {
                paras.push_back({s.mid(start, i - start), start});
                if (i < s.size() && s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
                start = i + 1;
            }
        }
    }

    const int maxW = r.Width();
    std::vector<TextLine> lines;
    for (const auto& [para, offset] : paras) {
        if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
            lines.push_back({para, ul >= offset && ul < offset + para.size() ? ul - offset : -1});
            continue;
        }
        int pos = 0;
        const int n = int(para.size());
        if (n == 0) lines.push_back({QString(), -1});
        while (pos < n) {
            // Longest run of whole words from pos that fits; at least one word.
            int end = pos;
            int candidate = pos;
            while (candidate < n) {
                int next = candidate;
                while (next < n && para[next] == u' ') ++next;
                while (next < n && para[next] != u' ') ++next;
                if (end > pos && widthOf(para.mid(pos, next - pos)) > maxW) break;
                end = next;
                candidate = next;
                if (widthOf(para.mid(pos, end - pos)) > maxW) break;
            }
            int len = end - pos;
            QString line = para.mid(pos, len);
            while (line.endsWith(u' ')) line.chop(1);
            int lineUl = ul >= offset + pos && ul < offset + pos + line.size() ? ul - offset - pos : -1;
            lines.push_back({line, lineUl});
            pos = end;
            while (pos < n && para[pos] == u' ') ++pos;
        }
    }

    if (format & DT_END_ELLIPSIS) {
        for (TextLine& l : lines) {
            if (widthOf(l.Text) <= maxW) continue;
            QString cut = QStringLiteral("...");
            for (int k = int(l.Text.size()) - 1; k >= 0; --k) {
                QString c = l.Text.left(k) + QStringLiteral("...");
                if (widthOf(c) <= maxW) {
                    cut = c;
                    break;
                }
            }
            if (l.Underline >= l.Text.size() - 3) l.Underline = -1;
            l.Text = cut;
        }
    }

    const int total = int(lines.size()) * lineH;
    if (format & DT_CALCRECT) {
        int w = 0;
        for (const TextLine& l : lines) w = std::max(w, widthOf(l.Text));
        r.Right = r.Left + w;
        r.Bottom = r.Top + total;
        return total;
    }

    int y = r.Top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = r.Top + (r.Height() - lineH) / 2;
        else if (format & DT_BOTTOM)
            y = r.Bottom - lineH;
    }
    const int result = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? y + lineH - r.Top : total;

    TCanvasPaint p(this);
    if (!p) return result;
    if (!(format & DT_NOCLIP)) p->setClipRect(ToQRect(r), Qt::IntersectClip);
    QFont f = p.Font();
    p->setFont(f);
    QColor textColor(ToQRgb(FTextColor));
    for (const TextLine& l : lines) {
        int w = widthOf(l.Text);
        int x = r.Left;
        if (format & DT_CENTER)
            x = r.Left + (r.Width() - w) / 2;
        else if (format & DT_RIGHT)
            x = r.Right - w;
        if (FBkMode == OPAQUE && w > 0) p->fillRect(QRect(x, y, w, lineH), QColor(ToQRgb(FBkColor)));
        p->setPen(textColor);
        if (format & DT_EXPANDTABS) {
            TabLayout t = LayoutTabs(fm, l.Text, {}, tabW, 0);
            for (int i = 0; i < t.Segments.size(); ++i)
                p->drawText(QPoint(x + t.Starts[size_t(i)], y + fm.ascent()), t.Segments[i]);
        } else {
            p->drawText(QPoint(x, y + fm.ascent()), l.Text);
        }
        if (l.Underline >= 0 && l.Underline < l.Text.size()) {
            int ux = x + widthOf(l.Text.left(l.Underline));
            int uw = fm.horizontalAdvance(l.Text[l.Underline]);
            int uy = y + fm.ascent() + std::max(1, fm.underlinePos());
            p->fillRect(QRect(ux, uy, std::max(1, uw), std::max(1, fm.lineWidth())), textColor);
        }
        y += lineH;
    }
    return result;
}

int DrawText(TCanvas* canvas, const QString& text, TRect& rect, unsigned format) {
    return canvas->DrawText(text, rect, format);
}

// ---------------------------------------------------------------- pictures and raster operations

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
    StretchBlt(dest, source, sourceRect, FCopyMode);
}

void TCanvas::BitBlt(int x, int y, int width, int height, TCanvas* source, int sx, int sy, TCopyMode rop) {
    StretchBlt(Bounds(x, y, width, height), source, Bounds(sx, sy, width, height), rop);
}

void TCanvas::PatBlt(const TRect& r, TCopyMode rop) { StretchBlt(r, nullptr, r, rop); }

namespace {

// Source pixels of a canvas part as 32-bit RGB, monochrome sources coloured with the
// destination's text (0) and background (1) colours.
QImage SourceImage(TCanvas* source, const TRect& deviceRect, TColor textColor, TColor bkColor) {
    if (TBitmap* b = source->OwnerBitmap()) {
        const PixelStore& s = b->Store();
        QImage img(deviceRect.Width(), deviceRect.Height(), QImage::Format_RGB32);
        img.fill(Qt::black);
        bool mono = s.BitsPerPixel == 1 && IsBlackWhite(s.Palette);
        QRgb fg = ToQRgb(textColor), bg = ToQRgb(bkColor);
        for (int y = 0; y < img.height(); ++y) {
            int sy = deviceRect.Top + y;
            if (sy < 0 || sy >= s.Height) continue;
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                int sx = deviceRect.Left + x;
                if (sx < 0 || sx >= s.Width) continue;
                row[x] = mono ? (s.PixelIndex(sx, sy) ? bg : fg) : s.PixelRgb(sx, sy);
            }
        }
        return img;
    }
    QPainter* p = source->Painter();
    if (p && p->device() && p->device()->devType() == QInternal::Image)
        return static_cast<QImage*>(p->device())->copy(ToQRect(deviceRect)).convertToFormat(QImage::Format_RGB32);
    return QImage();
}

}  // namespace

void TCanvas::StretchBlt(const TRect& destLogical, TCanvas* source, const TRect& sourceLogical, TCopyMode rop) {
    const unsigned code = (rop >> 16) & 0xFF;
    const bool needS = RopNeedsSource(code);
    if (needS && !source) return;
    if (destLogical.Width() <= 0 || destLogical.Height() <= 0) return;
    if (needS && (sourceLogical.Width() <= 0 || sourceLogical.Height() <= 0)) return;
    RequireTarget();
    if (needS) source->RequireTarget();

    TRect d = destLogical;
    OffsetRect(d, FOrigin.X, FOrigin.Y);
    TRect s = sourceLogical;
    if (source) OffsetRect(s, source->FOrigin.X, source->FOrigin.Y);

    if (FBitmap && (!needS || source->FBitmap)) {
        // Exact operation on the pixel stores.
        if (FBitmap->Empty()) return;
        Changing();
        PixelStore srcCopy;
        const PixelStore* S = nullptr;
        if (needS) {
            S = &source->FBitmap->Store();
            if (source->FBitmap == FBitmap) {
                srcCopy = *S;
                S = &srcCopy;
            }
        }
        FBitmap->DropWork();
        PixelStore& D = FBitmap->FStore;
        const bool srcMono = S && S->BitsPerPixel == 1 && IsBlackWhite(S->Palette);
        const bool dstMono = D.BitsPerPixel == 1 && IsBlackWhite(D.Palette);
        const QRgb fg = ToQRgb(FTextColor) & 0xFFFFFF, bg = ToQRgb(FBkColor) & 0xFFFFFF;
        const QRgb srcBk = source ? ToQRgb(source->FBkColor) & 0xFFFFFF : 0;
        // Pattern: the brush colour or its 8 x 8 bitmap.
        const bool needP = RopNeedsPattern(code);
        QImage pattern;
        QRgb patColor = 0;
        if (needP) {
            if (FBrush->Bitmap() && !FBrush->Bitmap()->Empty())
                pattern = FBrush->Bitmap()->ToImage();
            else if (FBrush->Style() != bsClear)
                patColor = ToQRgb(FBrush->Color()) & 0xFFFFFF;
        }
        const bool plainCopy = code == 0xCC && S && S->BitsPerPixel == D.BitsPerPixel && S->Palette == D.Palette &&
                               s.Width() == d.Width() && s.Height() == d.Height();
        std::vector<TRect> areas;
        TRect bounds = Rect(0, 0, D.Width, D.Height), clipped;
        if (!IntersectRect(clipped, d, bounds)) {
            Changed();
            return;
        }
        if (FHasClip) {
            for (const TRect& c : FClip) {
                TRect a;
                if (IntersectRect(a, clipped, c)) areas.push_back(a);
            }
        } else {
            areas.push_back(clipped);
        }
        QHash<QRgb, int> nearest;
        for (const TRect& a : areas) {
            for (int y = a.Top; y < a.Bottom; ++y) {
                int sy = S ? s.Top + int(qint64(y - d.Top) * s.Height() / d.Height()) : 0;
                if (S && (sy < 0 || sy >= S->Height)) continue;
                for (int x = a.Left; x < a.Right; ++x) {
                    int sx = S ? s.Left + int(qint64(x - d.Left) * s.Width() / d.Width()) : 0;
                    if (S && (sx < 0 || sx >= S->Width)) continue;
                    if (plainCopy) {
                        if (D.BitsPerPixel <= 8)
                            D.SetPixelIndex(x, y, S->PixelIndex(sx, sy));
                        else
                            D.SetPixelRgb(x, y, S->PixelRgb(sx, sy));
                        continue;
                    }
                    quint32 sv = 0;
                    if (S) {
                        if (srcMono && !dstMono)
                            sv = S->PixelIndex(sx, sy) ? bg : fg;
                        else if (!srcMono && dstMono)
                            sv = (S->PixelRgb(sx, sy) & 0xFFFFFF) == srcBk ? 0xFFFFFF : 0;
                        else
                            sv = S->PixelRgb(sx, sy) & 0xFFFFFF;
                    }
                    quint32 pv = patColor;
                    if (!pattern.isNull())
                        pv = pattern.pixel(x % std::min(8, pattern.width()), y % std::min(8, pattern.height())) &
                             0xFFFFFF;
                    quint32 dv = D.PixelRgb(x, y) & 0xFFFFFF;
                    QRgb out = Rop3(code, pv, sv, dv) | 0xFF000000u;
                    if (D.BitsPerPixel <= 8) {
                        auto it = nearest.constFind(out);
                        int idx = it != nearest.constEnd() ? *it : nearest.insert(out, D.NearestIndex(out)).value();
                        D.SetPixelIndex(x, y, idx);
                    } else {
                        D.SetPixelRgb(x, y, out);
                    }
                }
            }
        }
        Changed();
        return;
    }

    // A painter target (or a painter source): raster operations through Qt.
    QImage src;
    if (needS) {
        src = SourceImage(source, s, FTextColor, FBkColor);
        if (src.isNull()) return;
    }
    TCanvasPaint p(this);
    if (!p) return;
    // d is in device coordinates: undo the origin the paint scope applied.
    p->translate(-FOrigin.X, -FOrigin.Y);
    const QRect qd = ToQRect(d);
    switch (code) {
    case 0xCC:
        p->drawImage(qd, src);
        break;
    case 0xE2: {
        // The brush where the source is white, the destination elsewhere.
        QImage over(src.size(), QImage::Format_ARGB32);
        QRgb b = ToQRgb(FBrush->Color());
        for (int y = 0; y < src.height(); ++y) {
            auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(over.scanLine(y));
            for (int x = 0; x < src.width(); ++x) out[x] = (in[x] & 0xFFFFFF) == 0xFFFFFF ? b : 0;
        }
        p->drawImage(qd, over);
        break;
    }
    case 0x88: p->setCompositionMode(QPainter::RasterOp_SourceAndDestination); p->drawImage(qd, src); break;
    case 0xEE: p->setCompositionMode(QPainter::RasterOp_SourceOrDestination); p->drawImage(qd, src); break;
    case 0x66: p->setCompositionMode(QPainter::RasterOp_SourceXorDestination); p->drawImage(qd, src); break;
    case 0x33: p->setCompositionMode(QPainter::RasterOp_NotSource); p->drawImage(qd, src); break;
    case 0x44: p->setCompositionMode(QPainter::RasterOp_SourceAndNotDestination); p->drawImage(qd, src); break;
    case 0x11: p->setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination); p->drawImage(qd, src); break;
    case 0xBB: p->setCompositionMode(QPainter::RasterOp_NotSourceOrDestination); p->drawImage(qd, src); break;
    case 0xF0: p->fillRect(qd, p.MakeBrush()); break;
    case 0x5A: p->setCompositionMode(QPainter::RasterOp_SourceXorDestination); p->fillRect(qd, p.MakeBrush()); break;
    case 0x55: p->setCompositionMode(QPainter::RasterOp_NotDestination); p->fillRect(qd, Qt::black); break;
    case 0x00: p->fillRect(qd, Qt::black); break;
    case 0xFF: p->fillRect(qd, Qt::white); break;
    case 0xC0: {
        QImage m = src;
        QRgb b = ToQRgb(FBrush->Color()) & 0xFFFFFF;
        for (int y = 0; y < m.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(m.scanLine(y));
            for (int x = 0; x < m.width(); ++x) row[x] = (row[x] & b) | 0xFF000000u;
        }
        p->drawImage(qd, m);
        break;
    }
    default:
        if (needS) p->drawImage(qd, src);
        break;
    }
}

void TCanvas::DrawBitmapKeyed(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor keyColor) {
    // Pixels are compared as QRgb, so the colour value (blue in the high byte) is turned round once here.
    const qint64 key = keyColor == clNone ? -1 : qint64(ToQRgb(ColorToRGB(keyColor & 0xFFFFFF)) & 0xFFFFFF);
    if (!bitmap || bitmap->Empty() || dest.Width() <= 0 || dest.Height() <= 0 || source.Width() <= 0 ||
        source.Height() <= 0)
        return;
    RequireTarget();
    const PixelStore& s = bitmap->Store();
    if (FBitmap && FBitmap != bitmap) {
        if (FBitmap->Empty()) return;
        Changing();
        FBitmap->DropWork();
        PixelStore& D = FBitmap->FStore;
        TRect d = dest;
        OffsetRect(d, FOrigin.X, FOrigin.Y);
        TRect clipped;
        if (IntersectRect(clipped, d, Rect(0, 0, D.Width, D.Height))) {
            std::vector<TRect> areas;
            if (FHasClip) {
                for (const TRect& c : FClip) {
                    TRect a;
                    if (IntersectRect(a, clipped, c)) areas.push_back(a);
                }
            } else {
                areas.push_back(clipped);
            }
            const bool sameTable = s.BitsPerPixel <= 8 && s.BitsPerPixel == D.BitsPerPixel && s.Palette == D.Palette;
            for (const TRect& a : areas)
                for (int y = a.Top; y < a.Bottom; ++y) {
                    int sy = source.Top + int(qint64(y - d.Top) * source.Height() / d.Height());
                    if (sy < 0 || sy >= s.Height) continue;
                    for (int x = a.Left; x < a.Right; ++x) {
                        int sx = source.Left + int(qint64(x - d.Left) * source.Width() / d.Width());
                        if (sx < 0 || sx >= s.Width) continue;
                        QRgb c = s.PixelRgb(sx, sy);
                        if (key >= 0 && qint64(c & 0xFFFFFF) == key) continue;
                        if (sameTable)
                            D.SetPixelIndex(x, y, s.PixelIndex(sx, sy));
                        else
                            D.SetPixelRgb(x, y, c);
                    }
                }
        }
        Changed();
        return;
    }
    QImage img = bitmap->ToImage().copy(ToQRect(source)).convertToFormat(QImage::Format_ARGB32);
    if (key >= 0) {
        for (int y = 0; y < img.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if (qint64(row[x] & 0xFFFFFF) == key) row[x] = 0;
        }
    }
    DrawImage(dest, img);
}

void TCanvas::DrawImage(const TRect& dest, const QImage& argb) {
    if (argb.isNull()) return;
    TCanvasPaint p(this);
    if (!p) return;
    p->drawImage(ToQRect(dest), argb);
}

// ---------------------------------------------------------------- clipping, origin, state

TRect TCanvas::ClipRect() const {
    TRect bounds;
    if (FBitmap) {
        bounds = Rect(0, 0, FBitmap->Width(), FBitmap->Height());
    } else if (FPainter && FPainter->device()) {
        bounds = Rect(0, 0, FPainter->device()->width(), FPainter->device()->height());
        if (FPainter->hasClipping()) bounds = platform::graphics::FromQRect(FPainter->clipBoundingRect().toAlignedRect());
    } else {
        bounds = Rect(0, 0, 0, 0);
    }
    if (FHasClip) {
        TRect u;
        for (const TRect& c : FClip) UnionRect(u, u, c);
        IntersectRect(bounds, bounds, u);
    }
    OffsetRect(bounds, -FOrigin.X, -FOrigin.Y);
    return bounds;
}

void TCanvas::IntersectClipRect(const TRect& r) {
    TRect d = r;
    OffsetRect(d, FOrigin.X, FOrigin.Y);
    if (!FHasClip) {
        FHasClip = true;
        FClip = {d};
        if (IsRectEmpty(d)) FClip.clear();
        return;
    }
    std::vector<TRect> out;
    for (const TRect& c : FClip) {
        TRect a;
        if (IntersectRect(a, c, d)) out.push_back(a);
    }
    FClip = std::move(out);
}

void TCanvas::ExcludeClipRect(const TRect& r) {
    TRect d = r;
    OffsetRect(d, FOrigin.X, FOrigin.Y);
    if (!FHasClip) {
        FHasClip = true;
        FClip = {Rect(-MaxClip, -MaxClip, MaxClip, MaxClip)};
    }
    std::vector<TRect> out;
    for (const TRect& c : FClip) {
        TRect a;
        if (!IntersectRect(a, c, d)) {
            out.push_back(c);
            continue;
        }
        // The parts of c around a: above, below, left and right.
        if (a.Top > c.Top) out.push_back(Rect(c.Left, c.Top, c.Right, a.Top));
        if (a.Bottom < c.Bottom) out.push_back(Rect(c.Left, a.Bottom, c.Right, c.Bottom));
        if (a.Left > c.Left) out.push_back(Rect(c.Left, a.Top, a.Left, a.Bottom));
        if (a.Right < c.Right) out.push_back(Rect(a.Right, a.Top, c.Right, a.Bottom));
    }
    FClip = std::move(out);
}

void TCanvas::ResetClip() {
    FHasClip = false;
    FClip.clear();
}

void TCanvas::SetOrigin(TPoint p) { FOrigin = p; }

int TCanvas::SaveDC() {
    auto s = std::make_unique<TCanvasState>();
    s->Font.Assign(FFont.get());
    s->Pen.Assign(FPen.get());
    s->Brush.Assign(FBrush.get());
    s->CopyMode = FCopyMode;
    s->TextColor = FTextColor;
    s->BkColor = FBkColor;
    s->BkMode = FBkMode;
    s->PenPos = FPenPos;
    s->Origin = FOrigin;
    s->HasClip = FHasClip;
    s->Clip = FClip;
    FSaved.push_back(std::move(s));
    return int(FSaved.size());
}

void TCanvas::RestoreDC(int level) {
    if (FSaved.empty()) return;
    if (level < 0) level = int(FSaved.size()) + 1 + level;
    if (level < 1 || level > int(FSaved.size())) return;
    while (int(FSaved.size()) > level) FSaved.pop_back();
    std::unique_ptr<TCanvasState> s = std::move(FSaved.back());
    FSaved.pop_back();
    FFont->Assign(&s->Font);
    FPen->Assign(&s->Pen);
    FBrush->Assign(&s->Brush);
    FCopyMode = s->CopyMode;
    FTextColor = s->TextColor;
    FBkColor = s->BkColor;
    FBkMode = s->BkMode;
    FPenPos = s->PenPos;
    FOrigin = s->Origin;
    FHasClip = s->HasClip;
    FClip = s->Clip;
}
