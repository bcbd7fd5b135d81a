#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/CursorConsts.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Resources.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <map>

using platform::forms::TFormHarness;

namespace {

std::unique_ptr<TBitmap> Solid(int w, int h, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

TEST(BitmapCells, CellIsCutByColumnAndRowAndBeyondTheGridIsBlank) {
    // Three columns, two rows of 4 x 5 cells, each its own colour.
    const TColor colours[] = {clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    TBitmap source;
    source.SetSize(12, 10);
    for (int i = 0; i < 6; ++i) {
        source.Canvas()->Brush()->SetColor(colours[i]);
        source.Canvas()->FillRect(Bounds((i % 3) * 4, (i / 3) * 5, 4, 5));
    }
    TBitmap cell;
    AssignBitmapCell(&source, &cell, 3, 2, 4);
    EXPECT_EQ(cell.Width(), 4);
    EXPECT_EQ(cell.Height(), 5);
    EXPECT_EQ(cell.Canvas()->Pixels(0, 0), clAqua);
    EXPECT_EQ(cell.Canvas()->Pixels(3, 4), clAqua);
    AssignBitmapCell(&source, &cell, 0, 0, -3);  // one cell, index 0
    EXPECT_EQ(cell.Width(), 12);
    EXPECT_EQ(cell.Canvas()->Pixels(11, 9), clFuchsia);
    AssignBitmapCell(&source, &cell, 3, 2, 9);
    EXPECT_EQ(cell.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(AssignBitmapCell(nullptr, &cell, 3, 2, 0), &cell);
}

TEST(Gradient, BandsStepEvenlyAndTheRestTakesTheEndColour) {
    TBitmap b;
    b.SetSize(3, 11);
    GradientFillRect(b.Canvas(), Rect(0, 0, 3, 11), clBlack, 5, 0, clWhite);
    // Five bands of two rows: 0, 64, 128, 191, 255; the eleventh row is the end colour.
    const int expected[] = {0, 64, 128, 191, 255};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(b.Canvas()->Pixels(1, i * 2), RGB(expected[i], expected[i], expected[i])) << i;
        EXPECT_EQ(b.Canvas()->Pixels(1, i * 2 + 1), RGB(expected[i], expected[i], expected[i])) << i;
    }
    EXPECT_EQ(b.Canvas()->Pixels(1, 10), clWhite);
    // Bottom to top: the first band has the end colour; the rest strip the start colour.
    GradientFillRect(b.Canvas(), Rect(0, 0, 3, 11), clBlack, 5, 1, clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(0, 8), clBlack);
    EXPECT_EQ(b.Canvas()->Pixels(0, 10), clBlack);
    // Fewer than two colours: one fill.
    GradientFillRect(b.Canvas(), Rect(0, 0, 3, 11), clRed, 1, 0, clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(2, 10), clRed);
}

TEST(Gradient, LeftToRightUsesTheWidth) {
    TBitmap b;
    b.SetSize(4, 2);
    GradientFillRect(b.Canvas(), Rect(0, 0, 4, 2), RGB(0, 0, 0), 255, 2, RGB(30, 60, 90));
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(b.Canvas()->Pixels(3, 0), RGB(30, 60, 90));
}

TEST(Text, MinimizeTextDropsTwoCharactersFirstAndEndsWithDots) {
    platform::forms::ApplicationInstance();  // text is measured with the application's fonts
    TBitmap b;
    b.SetSize(10, 10);
    TCanvas* c = b.Canvas();
    const QString text = QStringLiteral("Expedientes del año");
    EXPECT_EQ(MinimizeText(text, c, 1000), text);
    const int w = c->TextWidth(text);
    const QString shorter = MinimizeText(text, c, w - 1);
    EXPECT_EQ(shorter, text.left(text.size() - 2) + QStringLiteral("..."));
    EXPECT_EQ(MinimizeText(text, c, 0), QStringLiteral("..."));
    const QString fitted = MinimizeText(text, c, w / 2);
    EXPECT_LE(c->TextWidth(fitted), w / 2);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("...")));
}

TEST(CommandLine, QuotesGroupBlanksAndAreDropped) {
    QString file, params;
    SplitCommandLine(QStringLiteral("  \"C:/Archivos de programa/Leyes.exe\" -cd \"Código civil\" x\"y z\""), file,
                     params);
    EXPECT_EQ(file, QStringLiteral("C:/Archivos de programa/Leyes.exe"));
    EXPECT_EQ(params, QStringLiteral("-cd \"Código civil\" \"xy z\""));
    SplitCommandLine(QStringLiteral("prog"), file, params);
    EXPECT_EQ(file, QStringLiteral("prog"));
    EXPECT_TRUE(params.isEmpty());
    EXPECT_EQ(controls::visual::CommandLineItems(QStringLiteral("\"\" a")), QStringList{QStringLiteral("a")});
    EXPECT_TRUE(controls::visual::CommandLineItems(QString()).isEmpty());
}

TEST(Patterns, TwoColourPatternFollowsParity) {
    std::unique_ptr<TBitmap> p(CreateTwoColorsBrushPattern(clRed, clBlue));
    ASSERT_EQ(p->Width(), 8);
    ASSERT_EQ(p->Height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(p->Canvas()->Pixels(x, y), (x % 2 == y % 2) ? clBlue : clRed);
}

TEST(DisabledLook, MaskColourPixelsAreEmbossed) {
    auto b = Solid(6, 6, clWhite);
    b->Canvas()->SetPixel(2, 2, clBlack);
    std::unique_ptr<TBitmap> d(CreateDisabledBitmap(b.get(), clBlack));
    EXPECT_EQ(d->Canvas()->Pixels(2, 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(d->Canvas()->Pixels(3, 3), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(d->Canvas()->Pixels(0, 0), ColorToRGB(clBtnFace));
    std::unique_ptr<TBitmap> plain(CreateDisabledBitmapEx(b.get(), clBlack, clRed, false, clBlue, clLime));
    EXPECT_EQ(plain->Canvas()->Pixels(2, 2), clBlue);
    EXPECT_EQ(plain->Canvas()->Pixels(3, 3), clRed);
}

TEST(Transparency, TransparentColourLeavesTheDestination) {
    auto dest = Solid(8, 8, clGreen);
    auto glyph = Solid(4, 4, clFuchsia);
    glyph->Canvas()->SetPixel(1, 1, clRed);
    DrawBitmapTransparent(dest->Canvas(), 2, 2, glyph.get(), clFuchsia);
    EXPECT_EQ(dest->Canvas()->Pixels(3, 3), clRed);
    EXPECT_EQ(dest->Canvas()->Pixels(2, 2), clGreen);
    EXPECT_EQ(dest->Canvas()->Pixels(5, 5), clGreen);
    // Stretched to twice the size: the red pixel covers four.
    StretchBitmapTransparent(dest->Canvas(), glyph.get(), clFuchsia, 0, 0, 8, 8, 0, 0, 0, 0);
    EXPECT_EQ(dest->Canvas()->Pixels(2, 2), clRed);
    EXPECT_EQ(dest->Canvas()->Pixels(3, 3), clRed);
    EXPECT_EQ(dest->Canvas()->Pixels(4, 4), clGreen);
    // clNone: a plain copy.
    StretchBitmapTransparent(dest->Canvas(), glyph.get(), clNone, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(dest->Canvas()->Pixels(0, 0), clFuchsia);
}

TEST(Helpers, RectanglesPointsAndMemory) {
    EXPECT_EQ(RectWidth(Rect(3, 4, 10, 20)), 7);
    EXPECT_EQ(RectHeight(Rect(3, 4, 10, 20)), 16);
    EXPECT_TRUE(PointInRect({10, 20}, Rect(3, 4, 10, 20)));
    EXPECT_FALSE(PointInRect({11, 20}, Rect(3, 4, 10, 20)));
    EXPECT_EQ(PaletteColor(clBtnFace), ColorToRGB(clBtnFace) | 0x02000000);
    void* p = AllocMemo(16);
    ASSERT_NE(p, nullptr);
    const char zeros[16] = {};
    EXPECT_TRUE(SameMemory(p, zeros, 16));
    CopyBytes("abc", OffsetPointer(p, 4), 3);
    EXPECT_EQ(static_cast<char*>(p)[5], 'b');
    FreeMemo(p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(AllocMemo(0), nullptr);
    EXPECT_EQ(controls::visual::MulDiv(5, 3, 2), 8);
    EXPECT_EQ(controls::visual::MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(controls::visual::MulDiv(5, 3, 0), 0);
}

TEST(CellText, AlignedTextLandsInTheRectangle) {
    platform::forms::ApplicationInstance();
    auto b = Solid(100, 20, clWhite);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clWhite);
    c->Font()->SetColor(clBlack);
    WriteCellText(c, Rect(0, 0, 100, 20), 2, false, taRightJustify, QStringLiteral("X"), 2);
    // Right alignment leaves three pixels: the left half stays blank.
    for (int x = 0; x < 50; ++x)
        for (int y = 0; y < 20; ++y) ASSERT_EQ(c->Pixels(x, y), clWhite);
    bool ink = false;
    for (int x = 80; x < 100 && !ink; ++x)
        for (int y = 0; y < 20; ++y) ink = ink || c->Pixels(x, y) != clWhite;
    EXPECT_TRUE(ink);
    // Word-wrapped text goes through the work bitmap and is clipped to the rectangle.
    auto other = Solid(100, 40, clRed);
    other->Canvas()->Brush()->SetColor(clWhite);
    WriteCellText(other->Canvas(), Rect(10, 10, 60, 30), 2, true, taLeftJustify, QStringLiteral("uno dos tres"), 0);
    EXPECT_EQ(other->Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(other->Canvas()->Pixels(65, 35), clRed);
    EXPECT_EQ(other->Canvas()->Pixels(58, 28), clWhite);
}

TEST(CellText, VerticalAlignmentOfAGridCell) {
    platform::forms::ApplicationInstance();
    // The first and last rows with ink, for text drawn at the top, centre and bottom of a tall cell.
    const auto inkRows = [](int vertAlign) {
        auto b = Solid(60, 60, clWhite);
        TCanvas* c = b->Canvas();
        c->Brush()->SetColor(clWhite);
        c->Font()->SetColor(clBlack);
        DrawCellText(c, Rect(0, 0, 60, 60), vertAlign, taLeftJustify, QStringLiteral("W"));
        int first = -1, last = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                if (c->Pixels(x, y) != clWhite) {
                    if (first < 0) first = y;
                    last = y;
                }
        return std::pair<int, int>(first, last);
    };
    const auto top = inkRows(0), centre = inkRows(1), bottom = inkRows(2);
    ASSERT_GE(top.first, 2);
    EXPECT_LT(top.second, 30);
    EXPECT_GT(centre.first, top.first + 10);
    EXPECT_LT(centre.second, bottom.first + 20);
    EXPECT_GT(bottom.second, 45);
    EXPECT_GT(bottom.first, centre.first + 10);
}

TEST(DragFrame, SameFrameTwiceErasesIt) {
    TFormHarness harness;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    EXPECT_EQ(controls::visual::InvertFrameCount(&form), 0);
    DrawInvertFrame(&form, Rect(10, 10, 100, 40), 3);
    EXPECT_EQ(controls::visual::InvertFrameCount(&form), 1);
    DrawInvertFrame(&form, Rect(10, 50, 100, 80), 3);
    EXPECT_EQ(controls::visual::InvertFrameCount(&form), 2);
    DrawInvertFrame(&form, Rect(10, 10, 100, 40), 3);
    EXPECT_EQ(controls::visual::InvertFrameCount(&form), 1);
    // The frame inverts what lies under it.
    form.SetColor(clBlack);
    form.Show();
    const QImage image = TFormHarness::Grab(&form);
    EXPECT_EQ(image.pixel(10, 50) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(11, 50) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(50, 65) & 0xFFFFFF, 0u);
}

TEST(Cursors, OwnCursorsAreRegisteredAndLoaded) {
    CursorsInit();
    using namespace platform::graphics;
    const QByteArray hand = FindResource(ResourceKind::Cursor, QStringLiteral("zb_handcur"));
    ASSERT_FALSE(hand.isEmpty());
    int hx = -1, hy = -1;
    const QImage image = controls::visual::DecodeMonoCursor(hand, &hx, &hy);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(hx, 5);
    EXPECT_EQ(hy, 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);             // transparent
    EXPECT_EQ(image.pixel(5, 0), 0xFF000000u);           // outline
    EXPECT_EQ(image.pixel(5, 1), 0xFFFFFFFFu);           // inside
    EXPECT_EQ(Screen->Cursors(crHand).hotSpot(), QPoint(5, 0));
    EXPECT_EQ(Screen->Cursors(crDragHand).hotSpot(), QPoint(0, 0));
    EXPECT_FALSE(Screen->Cursors(crDragHand).pixmap().isNull());
    // Damaged data gives no image.
    EXPECT_TRUE(controls::visual::DecodeMonoCursor(hand.left(30)).isNull());
    EXPECT_TRUE(controls::visual::DecodeMonoCursor(QByteArray("garbage")).isNull());
}

}  // namespace

namespace {
// Counts the events of each type it receives.
class TEventCounter : public QObject {
public:
    std::map<int, int> Counts;

protected:
    bool event(QEvent* e) override {
        ++Counts[int(e->type())];
        return true;
    }
};
}  // namespace

TEST(Messages, RemovePendingMessageDropsOnlyThatKindForThatObject) {
    ASSERT_NE(static_cast<TApplication*>(Application), nullptr);
    TEventCounter target, other;
    const auto kind = QEvent::Type(QEvent::User + 7);
    QCoreApplication::postEvent(&target, new QEvent(kind));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&other, new QEvent(kind));
    // A quit request stays queued: dropping it would keep the program running.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::Quit));
    RemovePendingMessage(&target, kind);
    RemovePendingMessage(&target, QEvent::Quit);
    RemovePendingMessage(nullptr, kind);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target.Counts[kind], 0);
    EXPECT_EQ(target.Counts[QEvent::User], 1);
    EXPECT_EQ(target.Counts[QEvent::Quit], 1);
    EXPECT_EQ(other.Counts[kind], 1);
}

TEST(Messages, StringTableHoldsTheLibrariesTexts) {
    EXPECT_EQ(ResStr(61257), QStringLiteral("Функция не реализована"));
    EXPECT_EQ(ResStr(61263), QStringLiteral("Все файлы (*.*)|*.*"));
    EXPECT_EQ(ResStr(61595), QStringLiteral("Value must be between %d and %d"));
    EXPECT_TRUE(ResStr(61091).isEmpty());
    EXPECT_TRUE(ResStr(0).isEmpty());
    // The controls raise and show the table's texts, not copies of their own.
    TFormHarness harness;
    EXPECT_THROW(NotImplemented(), EAbort);
    ASSERT_FALSE(harness.Messages().empty());
    EXPECT_EQ(harness.Messages().back().Text, ResStr(61257));
}
