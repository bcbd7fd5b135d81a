#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

using controls::visual::LayoutGlyph;

namespace {

// A glyph strip of n cells of 16 x 16: each cell filled with its colour, the bottom-left pixel of
// the whole strip fuchsia (the transparent colour).
std::unique_ptr<TBitmap> Strip(std::initializer_list<TColor> cells, int side = 16) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(side * int(cells.size()), side);
    int i = 0;
    for (TColor c : cells) {
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(Bounds(i * side, 0, side, side));
        ++i;
    }
    b->Canvas()->SetPixel(0, side - 1, clFuchsia);
    return b;
}

// The colour of a pixel of a prepared state image.
QRgb StatePixel(TZbButtonGlyph& g, TZbButtonState state, int x = 5, int y = 5) {
    const int index = g.CreateButtonGlyph(state);
    EXPECT_GE(index, 0);
    return g.GlyphList()->ImageOf(index).pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb Rgb(TColor c) { return QRgb(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)); }

class ButtonGlyphTest : public ::testing::Test {
protected:
    void SetUp() override { platform::forms::ApplicationInstance(); }
};

TEST_F(ButtonGlyphTest, NumberOfImagesFollowsTheBitmapShape) {
    TZbButtonGlyph g;
    g.SetGlyph(Strip({clRed, clLime, clBlue, clYellow}).get());
    EXPECT_EQ(g.NumGlyphs(), 4);
    g.SetGlyph(Strip({clRed, clLime, clBlue, clYellow, clAqua, clNavy}).get());
    EXPECT_EQ(g.NumGlyphs(), 1);  // six would be more than five
    EXPECT_EQ(g.TransparentColor(), clFuchsia);
    // A bitmap of height 0 says nothing about its cells.
    TBitmap flat;
    flat.SetSize(16, 0);
    g.SetGlyph(&flat);
    EXPECT_EQ(g.NumGlyphs(), 1);
    EXPECT_EQ(g.CreateButtonGlyph(rbsUp), -1);
    g.SetNumGlyphs(0);
    EXPECT_EQ(g.NumGlyphs(), 1);
}

TEST_F(ButtonGlyphTest, StatesTakeTheirCellsOrFallBackToTheFirst) {
    TZbButtonGlyph two;
    two.SetGlyph(Strip({clRed, clLime}).get());
    ASSERT_EQ(two.NumGlyphs(), 2);
    EXPECT_EQ(StatePixel(two, rbsUp), Rgb(clRed));
    EXPECT_EQ(StatePixel(two, rbsDisabled), Rgb(clLime));
    EXPECT_EQ(StatePixel(two, rbsDown), Rgb(clRed));
    EXPECT_EQ(two.CreateButtonGlyph(rbsDown), two.CreateButtonGlyph(rbsUp));  // down is up below 3 images
    EXPECT_EQ(StatePixel(two, rbsExclusive), Rgb(clRed));

    TZbButtonGlyph four;
    four.SetGlyph(Strip({clRed, clLime, clBlue, clYellow}).get());
    EXPECT_EQ(StatePixel(four, rbsDown), Rgb(clBlue));
    EXPECT_EQ(StatePixel(four, rbsExclusive), Rgb(clYellow));

    TZbButtonGlyph five;
    five.SetGlyph(Strip({clRed, clLime, clBlue, clYellow, clAqua}).get());
    EXPECT_EQ(StatePixel(five, rbsInactive), Rgb(clAqua));
}

TEST_F(ButtonGlyphTest, InactiveSingleImageIsGrayButKeepsFaceAndTransparentPixels) {
    auto b = Strip({clRed});
    b->Canvas()->SetPixel(3, 3, clBtnFace);
    TZbButtonGlyph g;
    g.SetGlyph(b.get());
    const int index = g.CreateButtonGlyph(rbsInactive);
    ASSERT_GE(index, 0);
    const QImage image = g.GlyphList()->ImageOf(index);
    const QImage mask = g.GlyphList()->MaskOf(index);
    const int gray = (77 * 255) >> 8;
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, QRgb(gray << 16 | gray << 8 | gray));
    EXPECT_EQ(image.pixel(3, 3) & 0xFFFFFF, Rgb(ColorToRGB(clBtnFace)));
    EXPECT_NE(qGray(mask.pixel(0, 15)), 0);  // the transparent pixel stays out
    EXPECT_EQ(qGray(mask.pixel(5, 5)), 0);
}

TEST_F(ButtonGlyphTest, ImagesOfOneSizeShareAListAndFreedSlotsAreReused) {
    auto b = Strip({clRed});
    auto g1 = std::make_unique<TZbButtonGlyph>();
    auto g2 = std::make_unique<TZbButtonGlyph>();
    g1->SetGlyph(b.get());
    g2->SetGlyph(b.get());
    const int i1 = g1->CreateButtonGlyph(rbsUp);
    const int i2 = g2->CreateButtonGlyph(rbsUp);
    ASSERT_EQ(g1->GlyphList(), g2->GlyphList());
    EXPECT_NE(i1, i2);
    TGlyphCache* cache = controls::visual::GlyphCacheInstance();
    ASSERT_NE(cache, nullptr);
    const int lists = cache->ListCount();
    g1->Invalidate();
    EXPECT_EQ(g1->GlyphList(), nullptr);
    EXPECT_EQ(cache->ListCount(), lists);  // g2 still uses the list
    auto g3 = std::make_unique<TZbButtonGlyph>();
    g3->SetGlyph(b.get());
    EXPECT_EQ(g3->CreateButtonGlyph(rbsUp), i1);  // the freed slot
    auto big = Strip({clRed}, 24);
    g3->SetGlyph(big.get());
    g3->CreateButtonGlyph(rbsUp);
    EXPECT_EQ(cache->ListCount(), lists + 1);
    g3.reset();
    EXPECT_EQ(cache->ListCount(), lists);  // the empty 24 x 24 list went
    g2.reset();
    g1.reset();
    EXPECT_EQ(controls::visual::GlyphCacheInstance(), nullptr);  // the last glyph frees the empty cache
}

TEST(GlyphLayout, MarginAndSpacingSplitTheFreeRoomInThree) {
    // 16-pixel glyph, 30-pixel caption, 76-pixel button, glyph on the left.
    auto l = LayoutGlyph({76, 24}, {16, 16}, {30, 13}, blGlyphLeft, -1, -1, false);
    EXPECT_EQ(l.GlyphPos.X, 10);
    EXPECT_EQ(l.TextPos.X, 10 + 16 + 10);
    EXPECT_EQ(l.GlyphPos.Y, 4);
    EXPECT_EQ(l.TextPos.Y, 12 - 6);
    // Spacing given: the content is centred.
    l = LayoutGlyph({76, 24}, {16, 16}, {30, 13}, blGlyphLeft, -1, 4, false);
    EXPECT_EQ(l.GlyphPos.X, 38 - 25);
    EXPECT_EQ(l.TextPos.X, 13 + 16 + 4);
    // Margin given: the text is centred in what is left.
    l = LayoutGlyph({76, 24}, {16, 16}, {30, 13}, blGlyphLeft, 2, -1, false);
    EXPECT_EQ(l.GlyphPos.X, 2);
    EXPECT_EQ(l.TextPos.X, 2 + 16 + (58 / 2 - 15));
    // Glyph on the right.
    l = LayoutGlyph({76, 24}, {16, 16}, {30, 13}, blGlyphRight, 3, 2, false);
    EXPECT_EQ(l.GlyphPos.X, 76 - 3 - 16);
    EXPECT_EQ(l.TextPos.X, 57 - 2 - 30);
    // Glyph on top of a 24 x 23 toolbar button without caption: centred both ways.
    l = LayoutGlyph({20, 19}, {16, 16}, {0, 0}, blGlyphTop, -1, 1, false);
    EXPECT_EQ(l.GlyphPos.X, 2);
    EXPECT_EQ(l.GlyphPos.Y, 9 - 8);
    // Glyph below the caption.
    l = LayoutGlyph({60, 40}, {16, 16}, {20, 10}, blGlyphBottom, 2, 3, false);
    EXPECT_EQ(l.GlyphPos.Y, 40 - 2 - 16);
    EXPECT_EQ(l.TextPos.Y, 22 - 3 - 10);
}

TEST(GlyphLayout, DropDownMarkMakesRoom) {
    // Glyph on the left: the text grows by 9.
    auto l = LayoutGlyph({76, 24}, {16, 16}, {30, 13}, blGlyphLeft, -1, -1, true);
    EXPECT_EQ(l.TextSize.cx, 39);
    EXPECT_EQ(l.GlyphPos.X, (76 - 55) / 3);
    // Glyph on top: the glyph grows by 6 and moves left by 3.
    l = LayoutGlyph({30, 30}, {16, 16}, {0, 0}, blGlyphTop, -1, -1, true);
    EXPECT_EQ(l.GlyphSize.cx, 22);
    EXPECT_EQ(l.GlyphPos.X, 15 - 11);
    // No glyph: the text grows.
    l = LayoutGlyph({30, 30}, {0, 0}, {0, 0}, blGlyphTop, -1, -1, true);
    EXPECT_EQ(l.TextSize.cx, 9);
    EXPECT_EQ(l.TextPos.X, 15 - 4);
}

TEST(GlyphLayout, AvailableTextAreaNeverGoesNegative) {
    EXPECT_EQ(controls::visual::AvailableTextArea({76, 24}, {16, 16}, blGlyphLeft, 2, 4, true).cx, 76 - 16 - 2 - 4 - 9);
    EXPECT_EQ(controls::visual::AvailableTextArea({76, 24}, {16, 16}, blGlyphLeft, -1, -1, false).cx, 60);
    EXPECT_EQ(controls::visual::AvailableTextArea({10, 24}, {16, 16}, blGlyphTop, 2, 1, false).cy, 5);
    EXPECT_EQ(controls::visual::AvailableTextArea({10, 10}, {16, 16}, blGlyphLeft, 2, 1, false).cx, 0);
    EXPECT_EQ(controls::visual::AvailableTextArea({10, 10}, {16, 16}, blGlyphTop, 2, 1, false).cy, 0);
}

class GlyphDrawTest : public ButtonGlyphTest {
protected:
    void SetUp() override {
        ButtonGlyphTest::SetUp();
        bmp.SetSize(30, 20);
        bmp.Canvas()->Brush()->SetColor(clBtnFace);
        bmp.Canvas()->FillRect(Rect(0, 0, 30, 20));
    }
    TColor At(int x, int y) { return bmp.Canvas()->Pixels(x, y); }
    TBitmap bmp;
};

TEST_F(GlyphDrawTest, EmptyCaptionCentresTheMarkWithoutGlyph) {
    TZbButtonGlyph g;
    g.Draw(bmp.Canvas(), Rect(0, 0, 30, 20), QString(), DT_CENTER, rbsUp, true, 1, -1, blGlyphTop);
    // x = (0 + 30 - 7) div 2 = 11; the mark's widest row is one above y = 10.
    const TColor ink = ColorToRGB(clBtnText);
    for (int x = 11; x <= 17; ++x) EXPECT_EQ(At(x, 9), ink) << x;
    EXPECT_NE(At(10, 9), ink);
    EXPECT_NE(At(18, 9), ink);
    for (int x = 12; x <= 16; ++x) EXPECT_EQ(At(x, 10), ink);
    EXPECT_NE(At(11, 10), ink);
    for (int x = 13; x <= 15; ++x) EXPECT_EQ(At(x, 11), ink);
    EXPECT_EQ(At(14, 12), ink);
    EXPECT_NE(At(13, 12), ink);
}

TEST_F(GlyphDrawTest, DisabledMarkIsEmbossed) {
    TZbButtonGlyph g;
    g.Draw(bmp.Canvas(), Rect(0, 0, 30, 20), QString(), DT_CENTER, rbsDisabled, true, 1, -1, blGlyphTop);
    EXPECT_EQ(At(11, 9), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(18, 10), ColorToRGB(clBtnHighlight));
}

TEST_F(GlyphDrawTest, MarkFollowsTheGlyphUnlessTheGlyphIsLeft) {
    TZbButtonGlyph g;
    g.SetGlyph(Strip({clRed}, 8).get());
    // Top layout in 30 x 20: glyph 8 wide grown to 14: x = 15 - 7 = 8; margin = 20 div 2 - 8 div 2 = 6
    g.Draw(bmp.Canvas(), Rect(0, 0, 30, 20), QString(), DT_CENTER, rbsUp, true, 1, -1, blGlyphTop);
    EXPECT_EQ(At(9, 7), clRed);  // the glyph at (8, 6)
    // Mark at x = 8 + 8 + 1 = 17, y = 6 + 4 = 10: its top row is 9.
    EXPECT_EQ(At(17, 9), ColorToRGB(clBtnText));
    EXPECT_EQ(At(23, 9), ColorToRGB(clBtnText));
    EXPECT_EQ(At(20, 12), ColorToRGB(clBtnText));
}

TEST_F(GlyphDrawTest, FramesFollowStyleAndPressing) {
    TRect inner = DrawButtonFrame(bmp.Canvas(), Rect(0, 0, 30, 20), false, bsNew, false);
    EXPECT_EQ(inner, Rect(3, 3, 27, 17));
    EXPECT_EQ(At(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(29, 19), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(28, 18), ColorToRGB(clBtnShadow));
    inner = DrawButtonFrame(bmp.Canvas(), Rect(0, 0, 30, 20), true, bsNew, false);
    EXPECT_EQ(At(0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(29, 19), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(1, 1), ColorToRGB(clBtnShadow));
    inner = DrawButtonFrame(bmp.Canvas(), Rect(0, 0, 30, 20), false, bsNew, true);
    EXPECT_EQ(inner, Rect(2, 2, 28, 18));  // one ring only
    EXPECT_EQ(At(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(29, 19), ColorToRGB(clBtnShadow));
    inner = DrawButtonFrame(bmp.Canvas(), Rect(0, 0, 30, 20), true, bsWin31, false);
    EXPECT_EQ(At(0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(1, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(5, 1), ColorToRGB(clBtnShadow));
}

TEST_F(GlyphDrawTest, ButtonImageDrawsARaisedButton) {
    TButtonImage image;
    image.SetButtonSize({20, 18});
    image.SetGlyph(Strip({clRed}, 8).get());
    bmp.Canvas()->Brush()->SetColor(clWhite);
    image.Draw(bmp.Canvas(), 2, 1, -1, 1, blGlyphTop, nullptr, nullptr, -1, DT_CENTER);
    EXPECT_EQ(At(2, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(21, 18), ColorToRGB(clWindowFrame));
    EXPECT_EQ(At(3, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(12, 10), clRed);
    EXPECT_EQ(bmp.Canvas()->Brush()->Color(), clWhite);
}

}  // namespace
