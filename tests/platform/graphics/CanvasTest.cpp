#include "TestTools.h"
#include "platform/graphics/ImgList.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>

#include <functional>

using namespace gtest_graphics;

namespace {

struct RopCase {
    const char* Name;
    TCopyMode Rop;
    std::function<quint32(quint32 s, quint32 d, quint32 p)> Expected;
};

const RopCase kRops[] = {
    {"SRCCOPY", SRCCOPY, [](quint32 s, quint32, quint32) { return s; }},
    {"SRCAND", SRCAND, [](quint32 s, quint32 d, quint32) { return s & d; }},
    {"SRCPAINT", SRCPAINT, [](quint32 s, quint32 d, quint32) { return s | d; }},
    {"SRCINVERT", SRCINVERT, [](quint32 s, quint32 d, quint32) { return s ^ d; }},
    {"NOTSRCCOPY", NOTSRCCOPY, [](quint32 s, quint32, quint32) { return ~s & 0xFFFFFF; }},
    {"DSTINVERT", DSTINVERT, [](quint32, quint32 d, quint32) { return ~d & 0xFFFFFF; }},
    {"SRCERASE", SRCERASE, [](quint32 s, quint32 d, quint32) { return s & ~d & 0xFFFFFF; }},
    {"PATCOPY", PATCOPY, [](quint32, quint32, quint32 p) { return p; }},
    {"PATINVERT", PATINVERT, [](quint32, quint32 d, quint32 p) { return p ^ d; }},
    {"MERGECOPY", cmMergeCopy, [](quint32 s, quint32, quint32 p) { return s & p; }},
    {"BrushThroughMask", ROP_BrushThroughMask, [](quint32 s, quint32 d, quint32 p) { return (s & p) | (~s & d); }},
};

// Colours whose channels are 0 or 255: every operation above keeps them in the 16-colour palette.
const TColor kPure[] = {clBlack, clWhite, clRed, clBlue, clYellow, clAqua, clLime, clFuchsia};
const TColor kSourcePure[] = {clWhite, clRed, clRed, clBlack, clBlue, clWhite, clYellow, clAqua};

void CheckRops(TPixelFormat target, TPixelFormat sourceFormat, const std::vector<TColor>& dst,
               const std::vector<TColor>& src, TColor brush) {
    const int w = int(dst.size());
    for (const RopCase& rc : kRops) {
        SCOPED_TRACE(rc.Name);
        TBitmap d, s;
        d.SetPixelFormat(target);
        d.SetSize(w, 1);
        s.SetPixelFormat(sourceFormat);
        s.SetSize(w, 1);
        for (int x = 0; x < w; ++x) {
            d.Canvas()->SetPixel(x, 0, dst[size_t(x)]);
            s.Canvas()->SetPixel(x, 0, src[size_t(x)]);
        }
        d.Canvas()->Brush()->SetColor(brush);
        d.Canvas()->SetCopyMode(rc.Rop);
        d.Canvas()->CopyRect(Rect(0, 0, w, 1), s.Canvas(), Rect(0, 0, w, 1));
        EXPECT_EQ(d.PixelFormat(), target);
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(quint32(Px(d, x, 0)), rc.Expected(quint32(src[size_t(x)]), quint32(dst[size_t(x)]), quint32(brush)))
                << "pixel " << x;
    }
}

}  // namespace

TEST(CopyModes, ExactOn24BitTargets) {
    CheckRops(pf24bit, pf24bit, {0x123456, 0xFFFFFF, 0x000000, 0xA0B0C0}, {0x0F0F0F, 0x123456, 0xFFFFFF, 0x55AA55},
              0x336699);
}

TEST(CopyModes, ExactOnDeviceTargets) {
    CheckRops(pfDevice, pf24bit, {0x123456, 0xFFFFFF, 0x000000, 0xA0B0C0}, {0x0F0F0F, 0x123456, 0xFFFFFF, 0x55AA55},
              0x336699);
}

TEST(CopyModes, ExactOn8BitTargets) {
    CheckRops(pf8bit, pf24bit, {std::begin(kPure), std::end(kPure)}, {std::begin(kSourcePure), std::end(kSourcePure)},
              clLime);
}

TEST(CopyModes, ExactOn4BitTargets) {
    CheckRops(pf4bit, pf24bit, {std::begin(kPure), std::end(kPure)}, {std::begin(kSourcePure), std::end(kSourcePure)},
              clLime);
    CheckRops(pf4bit, pf4bit, {std::begin(kPure), std::end(kPure)}, {std::begin(kSourcePure), std::end(kSourcePure)},
              clFuchsia);
}

TEST(CopyModes, ExactOn1BitTargets) {
    CheckRops(pf1bit, pf1bit, {clBlack, clWhite, clBlack, clWhite}, {clBlack, clBlack, clWhite, clWhite}, clWhite);
    CheckRops(pf1bit, pf1bit, {clBlack, clWhite, clBlack, clWhite}, {clBlack, clBlack, clWhite, clWhite}, clBlack);
}

TEST(CopyModes, MonochromeSourceTakesTextAndBackgroundColours) {
    auto mono = MakeBitmap(pf1bit, 2, 1, {clBlack, clWhite});
    TBitmap d;
    d.SetPixelFormat(pf24bit);
    d.SetSize(2, 1);
    d.Canvas()->SetTextColor(clRed);
    d.Canvas()->SetBkColor(clBlue);
    d.Canvas()->BitBlt(0, 0, 2, 1, mono->Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(Px(d, 0, 0), clRed);
    EXPECT_EQ(Px(d, 1, 0), clBlue);
}

TEST(CopyModes, ColourSourceOntoMonochromeUsesSourceBackground) {
    auto src = MakeBitmap(pf24bit, 3, 1, {clRed, clLime, clWhite});
    src->Canvas()->Brush()->SetColor(clLime);
    TBitmap d;
    d.SetPixelFormat(pf1bit);
    d.SetSize(3, 1);
    d.Canvas()->BitBlt(0, 0, 3, 1, src->Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(Px(d, 0, 0), clBlack);
    EXPECT_EQ(Px(d, 1, 0), clWhite);
    EXPECT_EQ(Px(d, 2, 0), clBlack);
}

TEST(CopyModes, StretchAndClipOnlyTouchTheTarget) {
    auto src = MakeBitmap(pf24bit, 2, 1, {clRed, clBlue});
    TBitmap d;
    d.SetPixelFormat(pf24bit);
    d.SetSize(6, 2);
    d.Canvas()->IntersectClipRect(Rect(0, 0, 3, 2));
    d.Canvas()->StretchBlt(Rect(0, 0, 4, 2), src->Canvas(), Rect(0, 0, 2, 1), SRCCOPY);
    EXPECT_EQ(Px(d, 0, 0), clRed);
    EXPECT_EQ(Px(d, 1, 1), clRed);
    EXPECT_EQ(Px(d, 2, 0), clBlue);
    EXPECT_EQ(Px(d, 3, 0), clWhite);  // clipped
    EXPECT_EQ(Px(d, 5, 1), clWhite);
}

TEST(CopyModes, OriginMovesLogicalCoordinates) {
    auto src = MakeBitmap(pf24bit, 1, 1, {clRed});
    TBitmap d;
    d.SetPixelFormat(pf24bit);
    d.SetSize(4, 4);
    d.Canvas()->SetOrigin({2, 1});
    d.Canvas()->Draw(0, 0, src.get());
    d.Canvas()->SetOrigin({0, 0});
    EXPECT_EQ(Px(d, 2, 1), clRed);
    EXPECT_EQ(Px(d, 0, 0), clWhite);
}

// The embossed disabled look: mask of the glyph's black pixels, brush through it twice.
TEST(CopyModes, BrushThroughMaskEmbossesAGlyph) {
    auto glyph = MakeBitmap(pf24bit, 3, 3, {clBlack, clFuchsia, clFuchsia,  //
                                            clFuchsia, clBlack, clFuchsia,  //
                                            clFuchsia, clFuchsia, clFuchsia});
    TBitmap mask;
    mask.Assign(glyph.get());
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.SetMonochrome(true);
    ASSERT_EQ(mask.PixelFormat(), pf1bit);
    EXPECT_EQ(Px(mask, 0, 0), clWhite);
    EXPECT_EQ(Px(mask, 1, 0), clBlack);

    TBitmap result;
    result.SetPixelFormat(pf24bit);
    result.SetSize(3, 3);
    result.Canvas()->Brush()->SetColor(clBtnFace);
    result.Canvas()->FillRect(Rect(0, 0, 3, 3));
    result.Canvas()->Brush()->SetColor(clBtnHighlight);
    result.Canvas()->SetTextColor(clBlack);
    result.Canvas()->SetBkColor(clWhite);
    result.Canvas()->BitBlt(1, 1, 3, 3, mask.Canvas(), 0, 0, ROP_BrushThroughMask);
    result.Canvas()->Brush()->SetColor(clBtnShadow);
    result.Canvas()->SetTextColor(clBlack);
    result.Canvas()->SetBkColor(clWhite);
    result.Canvas()->BitBlt(0, 0, 3, 3, mask.Canvas(), 0, 0, ROP_BrushThroughMask);

    EXPECT_EQ(Px(result, 0, 0), 0x808080);
    EXPECT_EQ(Px(result, 1, 1), 0x808080);  // shadow drawn over the highlight
    EXPECT_EQ(Px(result, 2, 2), 0xFFFFFF);  // highlight one pixel down and right
    EXPECT_EQ(Px(result, 1, 0), 0xC0C0C0);
    EXPECT_EQ(Px(result, 0, 2), 0xC0C0C0);
}

TEST(CopyModes, BrushThroughMaskOnAPainterTarget) {
    auto mask = MakeBitmap(pf1bit, 2, 1, {clWhite, clBlack});
    QImage img(2, 1, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    QPainter painter(&img);
    TCanvas canvas;
    canvas.Attach(&painter);
    canvas.Brush()->SetColor(clLime);
    canvas.SetTextColor(clBlack);
    canvas.SetBkColor(clWhite);
    canvas.BitBlt(0, 0, 2, 1, mask->Canvas(), 0, 0, ROP_BrushThroughMask);
    canvas.Detach();
    painter.end();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
}

TEST(Shapes, RectanglesAndLinesLeaveOutTheirEdges) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(6, 5);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    c->Rectangle(0, 0, 4, 3);
    EXPECT_EQ(Px(b, 0, 0), clBlack);
    EXPECT_EQ(Px(b, 3, 2), clBlack);
    EXPECT_EQ(Px(b, 1, 1), clRed);
    EXPECT_EQ(Px(b, 4, 0), clWhite);
    EXPECT_EQ(Px(b, 0, 3), clWhite);

    c->MoveTo(0, 4);
    c->LineTo(3, 4);
    EXPECT_EQ(Px(b, 2, 4), clBlack);
    EXPECT_EQ(Px(b, 3, 4), clWhite);
    EXPECT_EQ(c->PenPos(), Point(3, 4));
}

TEST(Shapes, FrameRectUsesTheBrushAndFocusRectIsReversible) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(5, 5);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clBlue);
    c->FrameRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(Px(b, 0, 0), clBlue);
    EXPECT_EQ(Px(b, 4, 4), clBlue);
    EXPECT_EQ(Px(b, 2, 2), clWhite);

    QImage before = b.ToImage();
    c->DrawFocusRect(Rect(1, 1, 4, 4));
    EXPECT_NE(b.ToImage(), before);
    EXPECT_EQ(Px(b, 1, 1), clBlack);  // white inverted
    c->DrawFocusRect(Rect(1, 1, 4, 4));
    EXPECT_EQ(b.ToImage(), before);
}

TEST(Shapes, Frame3DPaintsRingsAndShrinks) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(6, 6);
    TRect r = Rect(0, 0, 6, 6);
    Frame3D(b.Canvas(), r, clBtnHighlight, clBtnShadow, 2);
    EXPECT_EQ(r, Rect(2, 2, 4, 4));
    EXPECT_EQ(Px(b, 0, 0), 0xFFFFFF);
    EXPECT_EQ(Px(b, 0, 4), 0xFFFFFF);
    EXPECT_EQ(Px(b, 5, 0), 0x808080);  // top-right corner belongs to the bottom colour
    EXPECT_EQ(Px(b, 0, 5), 0x808080);
    EXPECT_EQ(Px(b, 1, 1), 0xFFFFFF);
    EXPECT_EQ(Px(b, 4, 4), 0x808080);
    EXPECT_EQ(Px(b, 2, 2), 0xFFFFFF);  // untouched inside
}

TEST(Shapes, EdgesAdjustTheRectangle) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(8, 8);
    TRect r = Rect(0, 0, 8, 8);
    DrawEdge(b.Canvas(), r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE);
    EXPECT_EQ(r, Rect(2, 2, 6, 6));
    EXPECT_EQ(Px(b, 0, 0), 0x808080);
    EXPECT_EQ(Px(b, 1, 1), 0x000000);
    EXPECT_EQ(Px(b, 7, 7), 0xFFFFFF);
    EXPECT_EQ(Px(b, 3, 3), 0xC0C0C0);
}

TEST(Shapes, FrameControlsDrawMarks) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(13, 13);
    DrawFrameControl(b.Canvas(), Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    int dark = 0;
    for (int y = 2; y < 11; ++y)
        for (int x = 2; x < 11; ++x) dark += Px(b, x, y) == clBlack;
    EXPECT_EQ(dark, 21);  // the seven-by-seven check mark
    TBitmap arrow;
    arrow.SetPixelFormat(pf24bit);
    arrow.SetSize(16, 16);
    DrawFrameControl(arrow.Canvas(), Rect(0, 0, 16, 16), DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    int marks = 0;
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x) marks += Px(arrow, x, y) == clBlack;
    EXPECT_EQ(marks, 7 + 5 + 3 + 1);
}

TEST(Shapes, DrawingOnAnIndexedBitmapKeepsItsFormat) {
    TBitmap b;
    b.SetPixelFormat(pf4bit);
    b.SetSize(10, 10);
    b.Canvas()->Brush()->SetColor(RGB(250, 10, 10));  // not in the palette: nearest is red
    b.Canvas()->FillRect(Rect(0, 0, 5, 5));
    b.Canvas()->Font()->SetColor(clBlue);
    b.Canvas()->TextOut(0, 0, QStringLiteral("Ñ"));
    EXPECT_EQ(b.PixelFormat(), pf4bit);
    EXPECT_EQ(Px(b, 4, 4), clRed);
    const auto& pal = b.Palette();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_TRUE(pal.contains(platform::graphics::ToQRgb(Px(b, x, y)) | 0xFF000000u));
}

TEST(Shapes, UnchangedPixelsKeepDuplicatePaletteIndexes) {
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(4, 1);
    TPaletteEntries pal(256, qRgb(128, 128, 128));
    pal[0] = qRgb(0, 0, 0);
    b.SetPalette(pal);
    b.ScanLine(0)[3] = 200;  // a gray duplicate
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(b.ScanLine(0)[3], 200);
    EXPECT_EQ(b.ScanLine(0)[0], 0);
}

TEST(Canvas, NeedsATargetToDraw) {
    TCanvas c;
    EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
    EXPECT_GT(c.TextWidth(QStringLiteral("Señoría")), 0);
}

TEST(Canvas, SavedStateComesBack) {
    TBitmap b;
    b.SetSize(4, 4);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clRed);
    int level = c->SaveDC();
    c->Brush()->SetColor(clBlue);
    c->SetOrigin({1, 1});
    c->IntersectClipRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(c->ClipRect(), Rect(0, 0, 1, 1));
    c->RestoreDC(level);
    EXPECT_EQ(c->Brush()->Color(), clRed);
    EXPECT_EQ(c->Origin(), Point(0, 0));
    EXPECT_EQ(c->ClipRect(), Rect(0, 0, 4, 4));
}

TEST(Canvas, ExcludedRectangleIsNotPainted) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 1);
    b.Canvas()->ExcludeClipRect(Rect(1, 0, 2, 1));
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 3, 1));
    EXPECT_EQ(Px(b, 0, 0), clRed);
    EXPECT_EQ(Px(b, 1, 0), clWhite);
    EXPECT_EQ(Px(b, 2, 0), clRed);
}

TEST(Canvas, PainterTargetDrawsThroughQt) {
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    TCanvas c;
    c.Attach(&painter);
    c.Brush()->SetColor(clRed);
    c.FillRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(c.Pixels(1, 1), clRed);
    EXPECT_EQ(c.Pixels(3, 3), clWhite);
    c.SetOrigin({1, 0});
    c.IntersectClipRect(Rect(2, 0, 3, 1));  // device column 3 only
    c.Brush()->SetColor(clBlue);
    c.FillRect(Rect(-1, 0, 4, 1));
    EXPECT_EQ(c.Pixels(2, 0), clBlue);
    EXPECT_EQ(c.Pixels(1, 0), clWhite);
    c.ResetClip();
    c.SetOrigin({0, 0});
    c.Detach();
    painter.end();
    EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, 0xFF0000u);
}

TEST(Colors, SystemColoursAndNames) {
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080);
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(quint32(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(ColorToString(clBtnFace), QStringLiteral("clBtnFace"));
    EXPECT_EQ(ColorToString(0x123456), QStringLiteral("$00123456"));
    EXPECT_EQ(StringToColor(QStringLiteral("$00123456")), 0x123456);
    EXPECT_EQ(StringToColor(QStringLiteral("clnone")), clNone);
    EXPECT_THROW(StringToColor(QStringLiteral("verde")), EConvertError);
}

TEST(Canvas, EmptyClipPaintsNothing) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 4);
    b.Canvas()->IntersectClipRect(Rect(0, 0, 2, 2));
    b.Canvas()->IntersectClipRect(Rect(2, 2, 4, 4));
    EXPECT_TRUE(IsRectEmpty(b.Canvas()->ClipRect()));
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(Rect(0, 0, 4, 4));
    b.Canvas()->Rectangle(0, 0, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(b, x, y), clWhite);
}

TEST(Canvas, PatternBrushesRepeatEveryEightPixels) {
    // Checkered pattern: the second colour where column and row parities are equal.
    TBitmap pattern;
    pattern.SetPixelFormat(pf24bit);
    pattern.SetSize(8, 8);
    pattern.Canvas()->Brush()->SetColor(clRed);
    pattern.Canvas()->FillRect(Rect(0, 0, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (x % 2 == y % 2) pattern.Canvas()->SetPixel(x, y, clBlue);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetBitmap(&pattern);
    b.Canvas()->FillRect(Rect(0, 0, 16, 16));
    TBitmap c;
    c.SetPixelFormat(pf8bit);
    c.SetSize(16, 16);
    c.Canvas()->Brush()->SetBitmap(&pattern);
    c.Canvas()->PatBlt(Rect(0, 0, 16, 16), PATCOPY);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            TColor want = x % 2 == y % 2 ? clBlue : clRed;
            EXPECT_EQ(Px(b, x, y), want);
            EXPECT_EQ(Px(c, x, y), want);
        }
}

TEST(Canvas, PrinterPagesScaleFontsByTheirResolution) {
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("page.pdf"));
    pdf.setResolution(300);
    QPainter painter(&pdf);
    TCanvas c;
    c.Font()->SetSize(10);
    c.Attach(&painter, pdf.resolution());
    EXPECT_EQ(c.Font()->Size(), 10);
    EXPECT_EQ(c.Font()->Height(), -42);
    TRect r = Rect(100, 100, 2000, 100);
    int h = c.DrawText(QStringLiteral("Minuta nº 12"), r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(h, 40);
    r = Rect(100, 100, 2000, 300);
    c.DrawText(QStringLiteral("Minuta nº 12"), r, DT_SINGLELINE | DT_VCENTER);
    c.Brush()->SetColor(clSilver);
    c.Rectangle(50, 50, 400, 400);
    c.Detach();
    painter.end();
    QFile f(dir.filePath("page.pdf"));
    EXPECT_GT(f.size(), 500);
}
