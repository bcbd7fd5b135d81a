#include "controls/visual/BitmapHelpers.h"

#include "platform/forms/Beep.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using platform::graphics::ToQRect;

// ------------------------------------------------------------------ cells and copies

TBitmap* AssignBitmapCell(TGraphic* source, TBitmap* dest, int cols, int rows, int index) {
    if (!source || !dest) return dest;
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    index = std::max(index, 0);
    const int cw = source->Width() / cols;
    const int ch = source->Height() / rows;
    dest->SetSize(cw, ch);
    const int col = index % cols;
    const int row = index / cols;
    if (auto* bmp = dynamic_cast<TBitmap*>(source)) {
        // A cell beyond the source copies nothing, the destination stays blank.
        const TRect cell = Bounds(col * cw, row * ch, cw, ch);
        TBitmap blank;
        blank.SetSize(cw, ch);
        dest->Canvas()->CopyRect(Rect(0, 0, cw, ch), blank.Canvas(), Rect(0, 0, cw, ch));
        if (cw > 0 && ch > 0 && cell.Right <= bmp->Width() && cell.Bottom <= bmp->Height())
            dest->Canvas()->CopyRect(Rect(0, 0, cw, ch), bmp->Canvas(), cell);
    } else {
        dest->Canvas()->Brush()->SetColor(clSilver);
        dest->Canvas()->Brush()->SetStyle(bsSolid);
        dest->Canvas()->FillRect(Rect(0, 0, cw, ch));
        dest->Canvas()->Draw(-col * cw, -row * ch, source);
    }
    return dest;
}

void CopyParentImage(TControl* control, TCanvas* dest) {
    if (!control || !control->Parent() || !dest) return;
    QWidget* self = control->Widget();
    QWidget* parent = self ? self->parentWidget() : nullptr;
    if (!parent || control->Width() <= 0 || control->Height() <= 0) return;
    QImage image(control->Width(), control->Height(), QImage::Format_RGB32);
    image.fill(platform::graphics::ToQRgb(control->Parent()->Color()));
    {
        QPainter painter(&image);
        // The parent alone (its own painting and background), then the graphic controls placed
        // before this one; those after it lie above and are not part of the background.
        parent->render(&painter, QPoint(0, 0), QRegion(self->geometry()), QWidget::DrawWindowBackground);
        const TRect mine = control->BoundsRect();
        TWinControl* p = control->Parent();
        for (int i = 0; i < p->ControlCount(); ++i) {
            TControl* c = p->Controls(i);
            if (c == control) break;
            if (!dynamic_cast<TGraphicControl*>(c) || !c->Visible() || !c->Widget()) continue;
            TRect common;
            if (!IntersectRect(common, mine, c->BoundsRect())) continue;
            c->Widget()->render(&painter, QPoint(c->Left() - mine.Left, c->Top() - mine.Top), QRegion(),
                                QWidget::DrawWindowBackground);
        }
    }
    dest->DrawImage(Rect(0, 0, control->Width(), control->Height()), image);
}

void StretchBltTransparent(TCanvas* dest, int dstX, int dstY, int dstW, int dstH, TCanvas* source, int srcX,
                           int srcY, int srcW, int srcH, TColor transparentColor) {
    if (!dest || !source || dstW <= 0 || dstH <= 0 || srcW <= 0 || srcH <= 0) return;
    constexpr TCopyMode DSna = 0x00220326;  // destination AND NOT source
    TBitmap copy;
    copy.SetSize(srcW, srcH);
    copy.Canvas()->CopyRect(Rect(0, 0, srcW, srcH), source, Bounds(srcX, srcY, srcW, srcH));
    // Mask: transparent pixels white, all others black.
    std::unique_ptr<TBitmap> mask = copy.CreateMask(ColorToRGB(transparentColor & ~0x02000000));
    TBitmap work;
    work.SetSize(dstW, dstH);
    work.Canvas()->CopyRect(Rect(0, 0, dstW, dstH), dest, Bounds(dstX, dstY, dstW, dstH));
    work.Canvas()->SetTextColor(clBlack);
    work.Canvas()->SetBkColor(clWhite);
    work.Canvas()->StretchBlt(Rect(0, 0, dstW, dstH), mask->Canvas(), Rect(0, 0, srcW, srcH), cmSrcAnd);
    copy.Canvas()->SetTextColor(clBlack);
    copy.Canvas()->SetBkColor(clWhite);
    copy.Canvas()->BitBlt(0, 0, srcW, srcH, mask->Canvas(), 0, 0, DSna);
    work.Canvas()->StretchBlt(Rect(0, 0, dstW, dstH), copy.Canvas(), Rect(0, 0, srcW, srcH), cmSrcPaint);
    dest->CopyRect(Bounds(dstX, dstY, dstW, dstH), work.Canvas(), Rect(0, 0, dstW, dstH));
}

void StretchBitmapTransparent(TCanvas* dest, TBitmap* bitmap, TColor transparentColor, int dstX, int dstY,
                              int dstW, int dstH, int srcX, int srcY, int srcW, int srcH) {
    if (!dest || !bitmap || bitmap->Empty()) return;
    if (dstW < 1) dstW = bitmap->Width();
    if (dstH < 1) dstH = bitmap->Height();
    if (srcW < 1 || srcH < 1) {
        srcX = srcY = 0;
        srcW = bitmap->Width();
        srcH = bitmap->Height();
    }
    if (transparentColor != clNone) {
        const TColor key = bitmap->Monochrome() ? clWhite : ColorToRGB(transparentColor & ~0x02000000);
        StretchBltTransparent(dest, dstX, dstY, dstW, dstH, bitmap->Canvas(), srcX, srcY, srcW, srcH, key);
    } else {
        dest->StretchBlt(Bounds(dstX, dstY, dstW, dstH), bitmap->Canvas(), Bounds(srcX, srcY, srcW, srcH),
                         dest->CopyMode());
    }
}

void DrawBitmapRectTransparent(TCanvas* dest, int dstX, int dstY, const TRect& source, TBitmap* bitmap,
                               TColor transparentColor, int dstW, int dstH) {
    StretchBitmapTransparent(dest, bitmap, transparentColor, dstX, dstY, dstW < 1 ? source.Width() : dstW,
                             dstH < 1 ? source.Height() : dstH, source.Left, source.Top, source.Width(),
                             source.Height());
}

void DrawBitmapTransparent(TCanvas* dest, int dstX, int dstY, TBitmap* bitmap, TColor transparentColor) {
    StretchBitmapTransparent(dest, bitmap, transparentColor, dstX, dstY, 0, 0, 0, 0, 0, 0);
}

// ------------------------------------------------------------------ disabled looks

TBitmap* CreateDisabledBitmapEx(TBitmap* bitmap, TColor maskColor, TColor backColor, bool highlight,
                                TColor shadowColor, TColor highlightColor) {
    auto result = std::make_unique<TBitmap>();
    if (!bitmap) return result.release();
    const int w = bitmap->Width(), h = bitmap->Height();
    result->SetSize(w, h);
    TBitmap mask;
    mask.Assign(bitmap);
    mask.Canvas()->Brush()->SetColor(maskColor);
    if (mask.Monochrome()) {
        mask.Canvas()->Font()->SetColor(clWhite);
        mask.SetMonochrome(false);
        mask.Canvas()->Brush()->SetColor(clWhite);
    }
    mask.SetMonochrome(true);
    TCanvas* c = result->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(backColor);
    c->FillRect(Rect(0, 0, w, h));
    if (highlight) {
        c->Brush()->SetColor(highlightColor);
        c->SetTextColor(clBlack);
        c->SetBkColor(clWhite);
        c->BitBlt(1, 1, w, h, mask.Canvas(), 0, 0, ROP_BrushThroughMask);
    }
    c->Brush()->SetColor(shadowColor);
    c->SetTextColor(clBlack);
    c->SetBkColor(clWhite);
    c->BitBlt(0, 0, w, h, mask.Canvas(), 0, 0, ROP_BrushThroughMask);
    return result.release();
}

TBitmap* CreateDisabledBitmap(TBitmap* bitmap, TColor maskColor) {
    return CreateDisabledBitmapEx(bitmap, maskColor, clBtnFace, true, clBtnShadow, clBtnHighlight);
}

void ImageListDrawDisabled(TImageList* images, TCanvas* canvas, int x, int y, int index, TColor highlightColor,
                           TColor grayColor, bool drawHighlight) {
    if (!images || !canvas || index < 0 || index >= images->Count()) return;
    const TColor oldBrush = canvas->Brush()->Color();
    const TColor oldText = canvas->TextColor(), oldBk = canvas->BkColor();
    TBitmap mono;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(images->Width(), images->Height());
    mono.Canvas()->Brush()->SetColor(clWhite);
    mono.Canvas()->FillRect(Rect(0, 0, images->Width(), images->Height()));
    images->DrawWithFlags(mono.Canvas(), 0, 0, index, ILD_MASK);
    canvas->SetTextColor(clWhite);
    canvas->SetBkColor(clBlack);
    if (drawHighlight) {
        canvas->Brush()->SetColor(highlightColor);
        canvas->SetTextColor(clWhite);
        canvas->SetBkColor(clBlack);
        canvas->BitBlt(x + 1, y + 1, images->Width(), images->Height(), mono.Canvas(), 0, 0, ROP_BrushThroughMask);
    }
    canvas->Brush()->SetColor(grayColor);
    canvas->SetTextColor(clWhite);
    canvas->SetBkColor(clBlack);
    canvas->BitBlt(x, y, images->Width(), images->Height(), mono.Canvas(), 0, 0, ROP_BrushThroughMask);
    canvas->Brush()->SetColor(oldBrush);
    canvas->SetTextColor(oldText);
    canvas->SetBkColor(oldBk);
}

TBitmap* CreateTwoColorsBrushPattern(TColor c1, TColor c2) {
    auto result = std::make_unique<TBitmap>();
    result->SetSize(8, 8);
    TCanvas* c = result->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(c1);
    c->FillRect(Rect(0, 0, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (x % 2 == y % 2) c->SetPixel(x, y, c2);
    return result.release();
}

// ------------------------------------------------------------------ small services

void MessageBeepDefault() { platform::forms::MessageBeep(); }

void NotImplemented() {
    Screen->SetCursor(crDefault);
    MessageDlg(ResStr(61257), mtInformation, {mbOK}, 0);
    Abort();
}

QString ResStr(int id) {
    switch (id) {
    case 61092: return QStringLiteral("Неизвестная версия изображения GIF");
    case 61093: return QStringLiteral("Ошибка кодировки данных в формат GIF");
    case 61094: return QStringLiteral("Неверные данные в формате GIF");
    case 61095: return QStringLiteral("Размер кода GIF не принадлежит диапазону от 2 до 9");
    case 61096: return QStringLiteral("Неверное число цветов; должно быть степенью числа 2");
    case 61097: return QStringLiteral("Неопределенное расширение GIF: %.2x");
    case 61098: return QStringLiteral("Нет данных для записи в формате GIF");
    case 61099: return QStringLiteral("Невозможно изменить размер изображения GIF");
    case 61100: return QStringLiteral("CompuServe GIF Image");
    case 61163: return QStringLiteral("&Приемник");
    case 61164: return QStringLiteral("&Источник");
    case 61257: return QStringLiteral("Функция не реализована");
    case 61258: return QStringLiteral("Предыдущий месяц|");
    case 61259: return QStringLiteral("Предыдущий год|");
    case 61260: return QStringLiteral("Следующий месяц|");
    case 61261: return QStringLiteral("Следующий год|");
    case 61262: return QStringLiteral("Выбор даты");
    case 61263: return QStringLiteral("Все файлы (*.*)|*.*");
    case 61264: return QStringLiteral("Список");
    case 61441: return QStringLiteral("Cannot create file %s");
    case 61442: return QStringLiteral("Cannot open file %s");
    case 61443: return QStringLiteral("Stream read error");
    case 61496: return QStringLiteral("Not enough timers available");
    case 61508: return QStringLiteral("OK");
    case 61509: return QStringLiteral("Cancel");
    case 61512: return QStringLiteral("&Help");
    case 61595: return QStringLiteral("Value must be between %d and %d");
    case 61599: return QStringLiteral("''%s'' is not a valid date");
    case 61602: return QStringLiteral("Invalid file name - %s");
    default: return QString();
    }
}

void RemovePendingMessage(QObject* receiver, int msg) {
    if (!receiver || msg == QEvent::Quit) return;
    QCoreApplication::removePostedEvents(receiver, msg);
}

namespace {

// Frames drawn over a form: painted with XOR, so a frame drawn twice disappears.
class TInvertOverlay : public QWidget {
public:
    explicit TInvertOverlay(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("zbInvertFrameOverlay"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(parent->rect());
    }
    struct Frame {
        TRect R;
        int Width;
        bool operator==(const Frame&) const = default;
    };
    std::vector<Frame> Frames;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(Qt::white);
        for (const Frame& f : Frames) {
            TRect r = f.R;
            for (int i = 0; i < f.Width && !IsRectEmpty(r); ++i) {
                // Dotted as a focus rectangle: every other pixel of the ring.
                for (int x = r.Left; x < r.Right; ++x) {
                    if ((x + r.Top) % 2 == 0) p.drawPoint(x, r.Top);
                    if (r.Bottom - 1 > r.Top && (x + r.Bottom - 1) % 2 == 0) p.drawPoint(x, r.Bottom - 1);
                }
                for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
                    if ((r.Left + y) % 2 == 0) p.drawPoint(r.Left, y);
                    if (r.Right - 1 > r.Left && (r.Right - 1 + y) % 2 == 0) p.drawPoint(r.Right - 1, y);
                }
                InflateRect(r, -1, -1);
            }
        }
    }
};

TInvertOverlay* OverlayOf(TWinControl* owner, bool create) {
    TControl* top = owner ? static_cast<TControl*>(GetParentForm(owner)) : nullptr;
    if (!top) top = owner;
    if (!top || !top->Widget()) return nullptr;
    QWidget* host = top->Widget();
    auto* overlay = host->findChild<TInvertOverlay*>(QStringLiteral("zbInvertFrameOverlay"),
                                                     Qt::FindDirectChildrenOnly);
    if (!overlay && create) overlay = new TInvertOverlay(host);
    return overlay;
}

}  // namespace

void DrawInvertFrame(TWinControl* owner, const TRect& r, int width) {
    TInvertOverlay* overlay = OverlayOf(owner, true);
    if (!overlay) return;
    const TInvertOverlay::Frame f{r, width};
    auto it = std::find(overlay->Frames.begin(), overlay->Frames.end(), f);
    if (it != overlay->Frames.end())
        overlay->Frames.erase(it);
    else
        overlay->Frames.push_back(f);
    overlay->setGeometry(overlay->parentWidget()->rect());
    if (overlay->parentWidget()->children().last() != overlay) overlay->raise();
    overlay->setVisible(!overlay->Frames.empty());
    overlay->update();
}

namespace controls::visual {
int InvertFrameCount(TWinControl* owner) {
    TInvertOverlay* overlay = OverlayOf(owner, false);
    return overlay ? int(overlay->Frames.size()) : 0;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    const qint64 n = qint64(a) * b;
    const qint64 half = std::llabs(qint64(c)) / 2;
    const bool negative = (n < 0) != (c < 0);
    const qint64 q = (std::llabs(n) + half) / std::llabs(qint64(c));
    return int(negative ? -q : q);
}

TColor GrayOf(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const int g = (77 * GetRValue(rgb) + 150 * GetGValue(rgb) + 29 * GetBValue(rgb)) >> 8;
    return RGB(g, g, g);
}

QStringList CommandLineItems(const QString& commandLine) {
    QStringList items;
    const int n = int(commandLine.size());
    int i = 0;
    for (;;) {
        // Skip control characters, blanks and empty pairs of quotes before the item.
        for (;;) {
            while (i < n && commandLine[i].unicode() >= 1 && commandLine[i].unicode() <= 32) ++i;
            if (i + 1 < n && commandLine[i] == u'"' && commandLine[i + 1] == u'"')
                i += 2;
            else
                break;
        }
        QString item;
        while (i < n && commandLine[i].unicode() > 32) {
            if (commandLine[i] == u'"') {
                ++i;
                while (i < n && commandLine[i] != u'"') item += commandLine[i++];
                if (i < n) ++i;
            } else {
                item += commandLine[i++];
            }
        }
        if (item.isEmpty()) break;
        items << item;
    }
    return items;
}
}  // namespace controls::visual

void GradientFillRect(TCanvas* canvas, const TRect& r, TColor startColor, quint8 colors, int direction,
                      TColor endColor) {
    using controls::visual::MulDiv;
    if (!canvas || IsRectEmpty(r)) return;
    canvas->Brush()->SetStyle(bsSolid);
    if (colors < 2) {
        canvas->Brush()->SetColor(startColor);
        canvas->FillRect(r);
        return;
    }
    const TColor start = ColorToRGB(startColor), end = ColorToRGB(endColor);
    const bool forward = direction == 0 || direction == 2;
    const TColor base = forward ? start : end;
    const int dr = forward ? GetRValue(end) - GetRValue(start) : GetRValue(start) - GetRValue(end);
    const int dg = forward ? GetGValue(end) - GetGValue(start) : GetGValue(start) - GetGValue(end);
    const int db = forward ? GetBValue(end) - GetBValue(start) : GetBValue(start) - GetBValue(end);
    const bool vertical = direction == 0 || direction == 1;
    const int extent = vertical ? r.Height() : r.Width();
    const int bands = std::max(2, std::min(int(colors), extent));
    const int size = extent / bands;
    for (int i = 0; i < bands; ++i) {
        TRect band = r;
        if (vertical) {
            band.Top = r.Top + i * size;
            band.Bottom = band.Top + size;
        } else {
            band.Left = r.Left + i * size;
            band.Right = band.Left + size;
        }
        const int red = (GetRValue(base) + MulDiv(i, dr, bands - 1)) & 0xFF;
        const int green = (GetGValue(base) + MulDiv(i, dg, bands - 1)) & 0xFF;
        const int blue = (GetBValue(base) + MulDiv(i, db, bands - 1)) & 0xFF;
        canvas->Brush()->SetColor(RGB(red, green, blue));
        canvas->FillRect(band);
    }
    if (extent % bands != 0) {
        TRect rest = r;
        if (vertical)
            rest.Top = r.Bottom - extent % bands;
        else
            rest.Left = r.Right - extent % bands;
        canvas->Brush()->SetColor(forward ? endColor : startColor);
        canvas->FillRect(rest);
    }
}

QString MinimizeText(const QString& text, TCanvas* canvas, int maxWidth) {
    QString result = text;
    int i = 1;
    while (i <= text.size()) {
        if (canvas->TextWidth(result) <= maxWidth) break;
        ++i;
        result = text.left(std::max<qsizetype>(0, text.size() - i)) + QStringLiteral("...");
    }
    return result;
}

void* AllocMemo(std::size_t size) { return size < 1 ? nullptr : std::calloc(size, 1); }

void DrawCellText(TCanvas* canvas, const TRect& r, int vertAlign, TAlignment alignment, const QString& text) {
    const int h = r.Bottom - r.Top, th = canvas->TextHeight(QStringLiteral("W"));
    const int dy = vertAlign == 1 ? std::max(1, (h - th) / 2) : vertAlign == 2 ? std::max(2, h - th) : 2;
    WriteCellText(canvas, r, 2, alignment == taCenter, alignment, text, dy);
}

void DrawCellText(TCustomControl* grid, int, int, int vertAlign, TAlignment alignment, const TRect& r,
                  const QString& text) {
    if (grid) DrawCellText(grid->Canvas(), r, vertAlign, alignment, text);
}

void FreeMemo(void*& p) {
    std::free(p);
    p = nullptr;
}

bool SameMemory(const void* p1, const void* p2, std::size_t size) { return std::memcmp(p1, p2, size) == 0; }

void CopyBytes(const void* source, void* dest, std::size_t count) { std::memmove(dest, source, count); }

void SplitCommandLine(const QString& commandLine, QString& fileName, QString& params) {
    const QStringList items = controls::visual::CommandLineItems(commandLine);
    fileName = items.value(0);
    QStringList rest;
    for (int i = 1; i < items.size(); ++i)
        rest << (items[i].contains(u' ') ? u'"' + items[i] + u'"' : items[i]);
    params = rest.join(u' ');
}

void WriteCellText(TCanvas* canvas, const TRect& r, int dx, bool wordWrap, TAlignment alignment,
                   const QString& text, int dy) {
    static const unsigned alignFlags[] = {0x840, 0x842, 0x841};  // left, right, centre
    const TColor brush = canvas->Brush()->Color();
    if (!wordWrap && canvas->NearestColor(brush) == ColorToRGB(brush) && !text.contains(u'\r')) {
        int x = r.Left + dx;
        if (alignment == taRightJustify)
            x = r.Right - canvas->TextWidth(text) - 3;
        else if (alignment == taCenter)
            x = r.Left + (r.Right - r.Left) / 2 - canvas->TextWidth(text) / 2;
        canvas->SetBkMode(OPAQUE);
        canvas->TextRect(r, x, r.Top + dy, text);
        return;
    }
    static std::unique_ptr<TBitmap> work;  // shared, only grows
    if (!work) work = std::make_unique<TBitmap>();
    work->SetSize(std::max(work->Width(), r.Width()), std::max(work->Height(), r.Height()));
    TCanvas* w = work->Canvas();
    w->SetFont(canvas->Font());
    w->Font()->SetColor(canvas->Font()->Color());
    w->SetBrush(canvas->Brush());
    w->Brush()->SetStyle(bsSolid);
    const TRect all = Rect(0, 0, r.Width(), r.Height());
    w->FillRect(Rect(0, 0, work->Width(), work->Height()));
    w->SetBkMode(TRANSPARENT);
    TRect tr = Rect(dx, dy, all.Right - 1, all.Bottom - 1);
    w->DrawText(text, tr, alignFlags[alignment] | (wordWrap ? DT_WORDBREAK : 0u));
    canvas->CopyRect(r, w, all);
}

bool IsForegroundTask() {
    return QApplication::activeWindow() != nullptr || QGuiApplication::applicationState() == Qt::ApplicationActive;
}
