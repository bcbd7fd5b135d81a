// Colour reduction methods and the BMP images they produce.
#include "controls/visual/ColorQuantizer_core.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>

using namespace controls::visual::quant;

namespace {

// A 24-bit bottom-up image with its 8-bit output.
struct Image24 {
    int Width, Height, Stride;
    std::vector<quint8> Bits;
    Image24(int w, int h) : Width(w), Height(h), Stride(((w * 3) + 3) & ~3), Bits(size_t(Stride) * h, 0) {}
    // (x, y) with y counted from the bottom line, as stored.
    void Set(int x, int y, int r, int g, int b)
    {
        quint8* p = Bits.data() + size_t(y) * Stride + size_t(x) * 3;
        p[0] = quint8(b), p[1] = quint8(g), p[2] = quint8(r);
    }
    quint32 Color(int x, int y) const
    {
        const quint8* p = Bits.data() + size_t(y) * Stride + size_t(x) * 3;
        return quint32(p[2]) | quint32(p[1]) << 8 | quint32(p[0]) << 16;
    }
};

struct Output {
    int Stride;
    std::vector<quint8> Index;
    PaletteBlock Palette;
    int Used;
    quint32 ColorAt(int x, int y) const
    {
        const quint8* e = Palette[Index[size_t(y) * Stride + x]];
        return quint32(e[2]) | quint32(e[1]) << 8 | quint32(e[0]) << 16;
    }
    quint8 At(int x, int y) const { return Index[size_t(y) * Stride + x]; }
};

Output Reduce(const Image24& img, int method, int colours = 256)
{
    Output o;
    o.Stride = (img.Width + 3) & ~3;
    o.Index.assign(size_t(o.Stride) * img.Height, 0);
    o.Used = ReducePixels(img.Bits.data(), img.Stride, img.Width, img.Height, method, colours, o.Index.data(), o.Stride,
                          o.Palette);
    return o;
}

quint32 Entry(const PaletteBlock& p, int i) { return quint32(p[i][2]) | quint32(p[i][1]) << 8 | quint32(p[i][0]) << 16; }

// Distinct colours spread over the cube.
Image24 DistinctColours(int count, int width)
{
    Image24 img(width, (count + width - 1) / width);
    for (int i = 0; i < count; ++i) img.Set(i % width, i / width, (i * 7) & 255, (i * 13 + i / 256 * 5) & 255, (i * 29 + i / 37) & 255);
    return img;
}

}  // namespace

TEST(ColorQuantizer, NearestLevelTablesPreferTheLowerLevelOnATie)
{
    EXPECT_EQ(NearestLevel(8)[18], 0);  // 18 is as far from 0 as from 36
    EXPECT_EQ(NearestLevel(8)[19], 1);
    EXPECT_EQ(NearestLevel(4)[42], 0);
    EXPECT_EQ(NearestLevel(4)[43], 1);
    EXPECT_EQ(NearestLevel(7)[255], 6);
    EXPECT_EQ(NearestLevel(6)[127], 2);
    EXPECT_EQ(NearestLevel(6)[128], 3);
    EXPECT_EQ(LevelValue(7, 3), 128);
}

TEST(ColorQuantizer, HistogramKeepsTheMostFrequentColoursExactly)
{
    // 300 distinct colours: the masks never drop, 256 are kept, the others go to
    // their nearest kept colour.
    Image24 img = DistinctColours(300, 20);
    // The first 256 appear twice, so they are the most frequent.
    Image24 twice(40, img.Height);
    for (int y = 0; y < img.Height; ++y)
        for (int x = 0; x < 20; ++x) {
            const quint32 c = img.Color(x, y);
            const int i = y * 20 + x;
            twice.Set(x, y, c & 255, (c >> 8) & 255, c >> 16);
            if (i < 256) {
                twice.Set(20 + x, y, c & 255, (c >> 8) & 255, c >> 16);
            } else {
                twice.Set(20 + x, y, 0, 0, 0);  // black: frequent as well
            }
        }
    Output o = Reduce(twice, mmHistogram);
    std::set<quint32> palette;
    for (int i = 0; i < 256; ++i) palette.insert(Entry(o.Palette, i));
    int exact = 0;
    for (int y = 0; y < twice.Height; ++y)
        for (int x = 0; x < 20; ++x) {
            const quint32 c = twice.Color(x, y);
            if (o.ColorAt(x, y) == c) {
                ++exact;
                continue;
            }
            // Not kept: its entry is the nearest of the palette.
            auto dist = [&](quint32 p) {
                auto d = [](int a, int b) { return (a - b) * (a - b); };
                return d(int(p & 255), int(c & 255)) + d(int((p >> 8) & 255), int((c >> 8) & 255)) + d(int(p >> 16), int(c >> 16));
            };
            for (quint32 p : palette) EXPECT_LE(dist(o.ColorAt(x, y)), dist(p));
        }
    EXPECT_GE(exact, 255);  // black shares the palette with them
    EXPECT_EQ(o.Used, 0);
}

TEST(ColorQuantizer, HistogramDropsTheBlueMaskFirst)
{
    // 3000 colours in pairs that differ only in the lowest blue bit.
    Image24 img(60, 50);
    for (int i = 0; i < 1500; ++i) {
        const int r = i % 256, g = (i / 256) * 3 + 1, b = 2 * (i % 100);
        img.Set((2 * i) % 60, (2 * i) / 60, r, g, b);
        img.Set((2 * i + 1) % 60, (2 * i + 1) / 60, r, g, b + 1);
    }
    Output o = Reduce(img, mmHistogram);
    bool oddBlue = false, oddRed = false, oddGreen = false;
    for (int i = 0; i < 256; ++i) {
        oddBlue = oddBlue || (o.Palette[i][0] & 1);
        oddGreen = oddGreen || (o.Palette[i][1] & 1);
        oddRed = oddRed || (o.Palette[i][2] & 1);
    }
    EXPECT_FALSE(oddBlue);
    EXPECT_TRUE(oddRed);
    EXPECT_TRUE(oddGreen);
    // Few colours: unused entries are gray.
    Image24 two(2, 1);
    two.Set(0, 0, 255, 0, 0);
    Output t = Reduce(two, mmHistogram);
    EXPECT_EQ(Entry(t.Palette, 0), 0x0000FFu);  // equal counts: the first stored wins
    EXPECT_EQ(Entry(t.Palette, 1), 0x000000u);
    EXPECT_EQ(Entry(t.Palette, 2), 0x808080u);
    EXPECT_EQ(t.ColorAt(0, 0), 0x0000FFu);
}

TEST(ColorQuantizer, MedianCutOfOneColourMakesOneBox)
{
    Image24 img(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) img.Set(x, y, 200, 100, 40);
    Output o = Reduce(img, mmMedianCut);
    EXPECT_EQ(o.Used, 1);
    // (16 x 4-bit value + 15) per channel: 12 -> 207, 6 -> 111, 2 -> 47.
    EXPECT_EQ(Entry(o.Palette, 0), quint32(207 | 111 << 8 | 47 << 16));
    for (int i = 1; i < 256; ++i) EXPECT_EQ(Entry(o.Palette, i), 0u);
    // Dark colours all at 16 or below become black.
    img.Set(0, 0, 10, 5, 0);
    Image24 dark(1, 1);
    dark.Set(0, 0, 15, 10, 3);
    EXPECT_EQ(Entry(Reduce(dark, mmMedianCut).Palette, 0), 0u);
}

TEST(ColorQuantizer, MedianCutSplitsByPopulation)
{
    // Two clusters of red: the split separates them and each keeps its colour.
    Image24 img(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) img.Set(x, y, x < 8 ? 16 : 240, 128, 64);
    Output o = Reduce(img, mmMedianCut, 256);
    EXPECT_EQ(o.Used, 2);
    EXPECT_NE(o.At(0, 0), o.At(15, 0));
    EXPECT_EQ(o.ColorAt(0, 0) & 0xFF, 31u);
    EXPECT_EQ(o.ColorAt(15, 0) & 0xFF, 255u);
    // Many colours: never more boxes than allowed, every pixel on a made box.
    Image24 many = DistinctColours(5000, 100);
    Output m = Reduce(many, mmMedianCut, 256);
    EXPECT_LE(m.Used, 256);
    EXPECT_GT(m.Used, 200);
    for (int y = 0; y < many.Height; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_LT(m.At(x, y), m.Used);
}

TEST(ColorQuantizer, FixedPalettesRampsAndGrayscale)
{
    Image24 img(3, 2);
    img.Set(0, 0, 200, 100, 30);
    img.Set(1, 0, 255, 255, 255);
    img.Set(2, 0, 0, 0, 0);
    img.Set(0, 1, 90, 180, 250);
    Output a = Reduce(img, mmTrunc784);
    EXPECT_EQ(a.Used, 224);
    EXPECT_EQ(a.At(0, 0), 5 * 32 + 3 * 4 + 0);
    EXPECT_EQ(a.At(1, 0), 223);
    EXPECT_EQ(Entry(a.Palette, 223), 0xFFFFFFu);
    EXPECT_EQ(Entry(a.Palette, 230), 0x808080u);
    Output b = Reduce(img, mmTrunc666);
    EXPECT_EQ(b.Used, 216);
    EXPECT_EQ(b.At(0, 1), 2 * 36 + 4 * 6 + 5);
    EXPECT_EQ(b.ColorAt(0, 1), quint32(102 | 204 << 8 | 255 << 16));
    Output t = Reduce(img, mmTripel);
    EXPECT_EQ(t.At(0, 0), 200 >> 2);            // (0 + 0) mod 3 = 0: red
    EXPECT_EQ(t.At(1, 0), 64 + (255 >> 2));     // green
    EXPECT_EQ(t.At(2, 0), 128 + 0);             // blue
    EXPECT_EQ(t.At(0, 1), 64 + (180 >> 2));     // rows count from the bottom line
    EXPECT_EQ(Entry(t.Palette, 63), quint32(252));
    EXPECT_EQ(Entry(t.Palette, 64 + 63), quint32(252 << 8));
    EXPECT_EQ(Entry(t.Palette, 200), 0u);
    Output g = Reduce(img, mmGrayscale);
    EXPECT_EQ(g.At(0, 0), (77 * 200 + 150 * 100 + 29 * 30) >> 8);
    EXPECT_EQ(g.At(1, 0), 255);
    EXPECT_EQ(Entry(g.Palette, 77), quint32(77 | 77 << 8 | 77 << 16));
}

TEST(ColorQuantizer, TransparentColourKeepsAnExactEntryOfItsOwn)
{
    const quint32 magenta = 0xFF00FF;
    for (int method : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(method);
        Image24 img = DistinctColours(3000, 60);
        // A close neighbour that must not become transparent, and the colour itself.
        img.Set(5, 5, 255, 1, 254);
        img.Set(7, 7, 255, 0, 255);
        img.Set(8, 7, 255, 0, 255);
        Output o = Reduce(img, method);
        KeepExactColor(img.Bits.data(), img.Stride, img.Width, img.Height, o.Index.data(), o.Stride, o.Palette, magenta);
        const int slot = o.At(7, 7);
        EXPECT_EQ(o.At(8, 7), slot);
        EXPECT_EQ(Entry(o.Palette, slot), magenta);
        for (int i = 0; i < slot; ++i) EXPECT_NE(Entry(o.Palette, i), magenta) << i;
        for (int y = 0; y < img.Height; ++y)
            for (int x = 0; x < img.Width; ++x)
                if (img.Color(x, y) != magenta) {
                    ASSERT_NE(o.At(x, y), slot) << x << "," << y;
                }
    }
}

TEST(ColorQuantizer, BmpImageReadsBackInAnIndependentReader)
{
    Image24 img(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) img.Set(x, y, x * 30, y * 50, 90);
    Output o = Reduce(img, mmHistogram);
    QByteArray bmp = MakeBMP(7, 5, 8, &o.Palette, o.Used, o.Index.data(), o.Stride);
    EXPECT_EQ(bmp.size(), 14 + 40 + 1024 + 8 * 5);
    EXPECT_EQ(quint8(bmp[10]) | quint8(bmp[11]) << 8, 14 + 40 + 1024);
    QImage q = QImage::fromData(bmp, "BMP");
    ASSERT_FALSE(q.isNull());
    ASSERT_EQ(q.width(), 7);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const quint32 c = img.Color(x, y);  // y from the bottom
            const QRgb p = q.pixel(x, 4 - y);
            EXPECT_EQ(quint32(qRed(p) | qGreen(p) << 8 | qBlue(p) << 16), c);
        }
}

// ---------------------------------------------------------------- bitmaps

#include "controls/visual/ColorQuantizer.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/Exceptions.h"

namespace {

std::unique_ptr<TBitmap> LoadBmp(TMemoryStream* s)
{
    auto b = std::make_unique<TBitmap>();
    b->LoadFromStream(s);
    return b;
}

void Fill24(TBitmap& b, int w, int h)
{
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uchar* p = b.ScanLine(y) + x * 3;
            p[0] = uchar(x * 9), p[1] = uchar(y * 17), p[2] = uchar(x ^ y);
        }
}

}  // namespace

TEST(ColorQuantizerBitmap, PixelFormatCodesAndColourCounts)
{
    TBitmap b;
    EXPECT_EQ(GetBitmapPixelFormat(&b), 0);
    b.SetSize(2, 2);
    EXPECT_EQ(GetBitmapPixelFormat(&b), 0);  // device format
    const std::pair<TPixelFormat, int> formats[] = {{pf1bit, 1}, {pf4bit, 2}, {pf8bit, 3}, {pf24bit, 4}, {pf32bit, 0}};
    for (auto [pf, code] : formats) {
        b.SetPixelFormat(pf);
        EXPECT_EQ(GetBitmapPixelFormat(&b), code);
    }
    EXPECT_EQ(PixelFormatColors(2), 16);
}

TEST(ColorQuantizerBitmap, ReducesTrueColourToEightBits)
{
    TBitmap b;
    Fill24(b, 33, 21);
    for (int method : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(method);
        auto s = BitmapToDIBStream(&b, 3, TMappingMethod(method));
        EXPECT_EQ(s->Position(), 0);
        const QByteArray bytes = s->Bytes();
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(quint8(bytes[28]), 8);  // bit count
        auto back = LoadBmp(s.get());
        EXPECT_EQ(back->Width(), 33);
        EXPECT_EQ(back->Height(), 21);
        EXPECT_EQ(back->BitsPerPixel(), 8);
        if (method == 5) {
            const QRgb c = back->Store().PixelRgb(4, 2);
            EXPECT_EQ(qRed(c), (77 * (4 ^ 2) + 150 * 34 + 29 * 36) >> 8);
        }
    }
}

TEST(ColorQuantizerBitmap, SameFormatIsCopiedExceptForGrayscale)
{
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(3, 1);
    TPaletteEntries pal(256, qRgb(1, 2, 3));
    pal[7] = qRgb(200, 10, 10);
    b.SetPalette(pal);
    b.ScanLine(0)[0] = 7;
    auto copy = LoadBmp(BitmapToDIBStream(&b, 3, 0).get());
    EXPECT_EQ(copy->Palette()[7] & 0xFFFFFF, qRgb(200, 10, 10) & 0xFFFFFF);
    EXPECT_EQ(copy->Store().PixelIndex(0, 0), 7);
    auto gray = LoadBmp(BitmapToDIBStream(&b, 3, 5).get());
    EXPECT_EQ(gray->Store().PixelIndex(0, 0), (77 * 200 + 150 * 10 + 29 * 10) >> 8);
}

TEST(ColorQuantizerBitmap, FewerBitsAndRefusals)
{
    TBitmap b;
    Fill24(b, 10, 4);
    auto one = LoadBmp(ReduceColors(&b, 2).get());
    EXPECT_EQ(one->BitsPerPixel(), 1);
    auto four = LoadBmp(ReduceColors(&b, 16).get());
    EXPECT_EQ(four->BitsPerPixel(), 4);
    EXPECT_EQ(LoadBmp(ReduceColors(&b, 200).get())->BitsPerPixel(), 8);
    EXPECT_EQ(LoadBmp(ReduceColors(&b, 5000).get())->BitsPerPixel(), 24);
    // White stays white and black black in the 16 classic colours.
    TBitmap bw;
    bw.SetPixelFormat(pf24bit);
    bw.SetSize(2, 1);
    std::memset(bw.ScanLine(0), 255, 3);
    std::memset(bw.ScanLine(0) + 3, 0, 3);
    auto c = LoadBmp(ReduceColors(&bw, 16).get());
    EXPECT_EQ(c->Store().PixelRgb(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(c->Store().PixelRgb(1, 0) & 0xFFFFFF, 0u);
    {
        // The device format is refused with the "not available" notice, then a silent abort.
        platform::forms::TFormHarness harness;
        harness.AnswerMessage(mrOk);
        EXPECT_THROW(BitmapToDIBStream(&b, 0, 0), EAbort);
        ASSERT_EQ(harness.Messages().size(), 1u);
        EXPECT_EQ(harness.LastMessage().Icon, mtInformation);
    }
    TBitmap empty;
    try {
        BitmapToDIBStream(&empty, 3, 0);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
}
