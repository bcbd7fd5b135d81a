#include "TestTools.h"
#include "platform/classes/Streams.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

using namespace gtest_graphics;

namespace {

std::unique_ptr<TBitmap> Sample(TPixelFormat format) {
    // 5 x 3: odd width so that rows need padding in every format.
    if (format == pf1bit)
        return MakeBitmap(format, 5, 3, {clBlack, clWhite, clBlack, clWhite, clWhite,  //
                                         clWhite, clBlack, clBlack, clWhite, clBlack,  //
                                         clBlack, clBlack, clWhite, clWhite, clBlack});
    if (format == pf4bit || format == pf8bit)
        return MakeBitmap(format, 5, 3, {clRed, clLime, clBlue, clWhite, clBlack,  //
                                         clYellow, clAqua, clFuchsia, clGray, clSilver,  //
                                         clMaroon, clNavy, clGreen, clTeal, clPurple});
    return MakeBitmap(format, 5, 3, {0x010203, 0x102030, 0xABCDEF, 0xFEDCBA, 0x000000,  //
                                     0xFFFFFF, 0x123456, 0x654321, 0x7F7F7F, 0x808080,  //
                                     0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF});
}

// The pixels Pillow reads from a file, "r,g,b" per pixel row by row, after "width height".
QString PilPixels(const QString& file) {
    QByteArray out = Python(QStringLiteral(
                                "import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1])\n"
                                "print(im.size[0], im.size[1], ' '.join('%d,%d,%d' % p for p in im.convert('RGB').getdata()))"),
                            {file});
    return QString::fromLatin1(out).trimmed();
}

QString OurPixels(TBitmap& b) {
    QStringList parts;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            TColor c = Px(b, x, y);
            parts << QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
        }
    return QStringLiteral("%1 %2 ").arg(b.Width()).arg(b.Height()) + parts.join(' ');
}

int BitsInFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    QByteArray d = f.readAll();
    return d.size() > 30 ? quint8(d[28]) | (quint8(d[29]) << 8) : -1;
}

}  // namespace

TEST(BitmapFormats, PixelStoreLayout) {
    auto b24 = MakeBitmap(pf24bit, 2, 1, {0x112233, 0x445566});
    EXPECT_EQ(b24->BytesPerScanLine(), 8);
    const uchar* row = b24->ScanLine(0);
    EXPECT_EQ(row[0], 0x11);  // blue first
    EXPECT_EQ(row[2], 0x33);
    auto b1 = MakeBitmap(pf1bit, 9, 1, {clWhite, clBlack, clBlack, clBlack, clBlack, clBlack, clBlack, clBlack, clWhite});
    EXPECT_EQ(b1->ScanLine(0)[0], 0x80);  // most significant bit is the leftmost pixel
    EXPECT_EQ(b1->ScanLine(0)[1], 0x80);
    auto b4 = MakeBitmap(pf4bit, 2, 1, {clRed, clWhite});
    EXPECT_EQ(b4->ScanLine(0)[0], 0x9F);  // high nibble first
}

TEST(BitmapFormats, ConversionsKeepOrApproachColours) {
    auto b = Sample(pf24bit);
    b->SetPixelFormat(pf4bit);
    EXPECT_EQ(b->PixelFormat(), pf4bit);
    EXPECT_EQ(Px(*b, 0, 2), clRed);
    EXPECT_EQ(Px(*b, 1, 2), clLime);
    EXPECT_EQ(Px(*b, 2, 2), clBlue);
    EXPECT_EQ(Px(*b, 0, 0), clBlack);  // nearest palette entry
    auto m = Sample(pf1bit);
    m->SetPixelFormat(pf8bit);
    EXPECT_EQ(m->ScanLine(0)[1], 1);  // indexes kept when the palette grows
    EXPECT_EQ(Px(*m, 1, 0), clWhite);
    m->SetPixelFormat(pf24bit);
    EXPECT_EQ(OurPixels(*m), OurPixels(*Sample(pf1bit)));
}

TEST(BitmapFormats, ResizingKeepsPixelsAndWhitensNewOnes) {
    auto b = Sample(pf4bit);
    b->SetSize(7, 2);
    EXPECT_EQ(Px(*b, 0, 0), clRed);
    EXPECT_EQ(Px(*b, 4, 1), clSilver);
    EXPECT_EQ(Px(*b, 6, 0), clWhite);
    EXPECT_EQ(b->PixelFormat(), pf4bit);
}

TEST(BitmapMasks, MaskFromATransparentColour) {
    auto b = MakeBitmap(pf24bit, 3, 1, {clFuchsia, clRed, clFuchsia});
    auto mask = b->CreateMask(clFuchsia);
    ASSERT_TRUE(mask->Monochrome());
    EXPECT_EQ(Px(*mask, 0, 0), clWhite);
    EXPECT_EQ(Px(*mask, 1, 0), clBlack);
    b->Mask(clRed);
    EXPECT_EQ(b->PixelFormat(), pf1bit);
    EXPECT_EQ(Px(*b, 1, 0), clWhite);
    EXPECT_EQ(Px(*b, 0, 0), clBlack);
}

TEST(BitmapMasks, TransparentColourDefaultsToBottomLeft) {
    auto b = MakeBitmap(pf24bit, 2, 2, {clRed, clRed, clLime, clRed});
    EXPECT_EQ(b->TransparentColor(), clLime | 0x02000000);
    EXPECT_EQ(b->TransparentMode(), tmAuto);
    b->SetTransparentColor(clRed);
    EXPECT_EQ(b->TransparentMode(), tmFixed);
    EXPECT_EQ(b->TransparentColor(), clRed | 0x02000000);
    b->SetTransparentMode(tmAuto);
    EXPECT_EQ(b->TransparentColor(), clLime | 0x02000000);
    auto mono = MakeBitmap(pf1bit, 1, 1, {clBlack});
    EXPECT_EQ(mono->TransparentColor(), clWhite | 0x02000000);
}

TEST(BitmapMasks, TransparentDrawLeavesOutTheColour) {
    auto src = MakeBitmap(pf8bit, 2, 2, {clRed, clFuchsia, clFuchsia, clFuchsia});
    src->SetTransparent(true);
    TBitmap d;
    d.SetPixelFormat(pf24bit);
    d.SetSize(2, 2);
    d.Canvas()->Brush()->SetColor(clBlue);
    d.Canvas()->FillRect(Rect(0, 0, 2, 2));
    d.Canvas()->Draw(0, 0, src.get());
    EXPECT_EQ(Px(d, 0, 0), clRed);
    EXPECT_EQ(Px(d, 1, 0), clBlue);
    src->SetTransparent(false);
    d.Canvas()->Draw(0, 0, src.get());
    EXPECT_EQ(Px(d, 1, 0), clFuchsia);
}

// A key whose red and blue differ: only the key's own pixels are left out, on bitmaps and painters.
TEST(BitmapMasks, TransparentKeyWithRedAndBlueDifferentHidesOnlyItsOwnPixels) {
    for (TPixelFormat f : {pf8bit, pf24bit}) {
        auto src = MakeBitmap(f, 3, 1, {clRed, clBlue, clLime});
        src->SetTransparentColor(clRed);
        src->SetTransparent(true);
        TBitmap d;
        d.SetPixelFormat(pf24bit);
        d.SetSize(3, 1);
        d.Canvas()->Brush()->SetColor(clWhite);
        d.Canvas()->FillRect(Rect(0, 0, 3, 1));
        d.Canvas()->Draw(0, 0, src.get());
        EXPECT_EQ(Px(d, 0, 0), clWhite) << f;
        EXPECT_EQ(Px(d, 1, 0), clBlue) << f;
        EXPECT_EQ(Px(d, 2, 0), clLime) << f;
        QImage target(3, 1, QImage::Format_RGB32);
        target.fill(Qt::white);
        {
            QPainter painter(&target);
            TCanvas c;
            c.Attach(&painter);
            c.Draw(0, 0, src.get());
            c.Detach();
        }
        EXPECT_EQ(target.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << f;
        EXPECT_EQ(target.pixel(1, 0) & 0xFFFFFF, 0x0000FFu) << f;
    }
}

TEST(BmpFiles, RoundTripKeepsFormatAndPixels) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(int(f));
        auto b = Sample(f);
        QByteArray bytes = b->SaveToBytes();
        int palette = b->BitsPerPixel() <= 8 ? 4 << b->BitsPerPixel() : 0;
        EXPECT_EQ(bytes.size(), 54 + palette + b->BytesPerScanLine() * b->Height());
        TBitmap back;
        back.LoadFromBytes(bytes);
        EXPECT_EQ(back.PixelFormat(), f);
        EXPECT_EQ(OurPixels(back), OurPixels(*b));
        EXPECT_EQ(back.Palette(), b->Palette());
    }
}

TEST(BmpFiles, StreamsReadOnlyTheirImage) {
    auto b = Sample(pf8bit);
    TMemoryStream s;
    b->SaveToStream(&s);
    qint64 size = s.Size();
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(&s);
    EXPECT_EQ(s.Position(), size);
    EXPECT_EQ(OurPixels(back), OurPixels(*b));
}

TEST(BmpFiles, PillowReadsWhatWeWrite) {
    if (!HavePil()) GTEST_SKIP() << "python3-pil missing";
    QTemporaryDir dir;
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(int(f));
        auto b = Sample(f);
        QString file = dir.filePath(QStringLiteral("b%1.bmp").arg(int(f)));
        b->SaveToFile(file);
        EXPECT_EQ(BitsInFile(file), b->BitsPerPixel());
        EXPECT_EQ(PilPixels(file), OurPixels(*b));
    }
}

TEST(BmpFiles, WeReadWhatImageMagickAndPillowWrite) {
    if (!HavePil() || !HaveTool(kConvert)) GTEST_SKIP() << "imagemagick or python3-pil missing";
    QTemporaryDir dir;
    struct Made {
        QString Name;
        QStringList Args;
        int Bits;
    };
    const QString px = QStringLiteral("-size 1x1 xc:#FF0000 xc:#00FF00 xc:#0000FF +append ( xc:#FFFFFF xc:#000000 "
                                      "xc:#FFFF00 +append ) -append");
    const QString two = QStringLiteral("-size 1x1 xc:#FFFFFF xc:#000000 xc:#000000 +append ( xc:#000000 xc:#FFFFFF "
                                       "xc:#FFFFFF +append ) -append");
    std::vector<Made> made{
        {"m1.bmp", two.split(' ') + QStringList{"-type", "Palette", "BMP3:" + dir.filePath("m1.bmp")}, 1},
        {"m4.bmp", px.split(' ') + QStringList{"-type", "Palette", "BMP3:" + dir.filePath("m4.bmp")}, 4},
        {"m8rle.bmp", px.split(' ') + QStringList{"-type", "Palette", "-colors", "200", "-compress", "RLE",
                                                  "BMP3:" + dir.filePath("m8rle.bmp")}, 8},
        {"m24.bmp", px.split(' ') + QStringList{"-type", "TrueColor", "BMP3:" + dir.filePath("m24.bmp")}, 24},
    };
    for (const Made& m : made) {
        SCOPED_TRACE(m.Name.toStdString());
        ASSERT_FALSE(RunTool(kConvert, m.Args).isNull());
        QString file = dir.filePath(m.Name);
        TBitmap b;
        b.LoadFromFile(file);
        EXPECT_EQ(OurPixels(b), PilPixels(file));
    }
    // 32 bits with alpha, written by Pillow.
    QString file32 = dir.filePath("p32.bmp");
    Python(QStringLiteral("import sys\nfrom PIL import Image\nim=Image.new('RGBA',(3,2),(10,20,30,255))\n"
                          "im.putpixel((1,1),(200,100,50,255))\nim.save(sys.argv[1])"),
           {file32});
    TBitmap b32;
    b32.LoadFromFile(file32);
    EXPECT_EQ(Px(b32, 1, 1), RGB(200, 100, 50));
    EXPECT_EQ(Px(b32, 0, 0), RGB(10, 20, 30));
}

TEST(BmpFiles, DamagedFilesAreRefused) {
    QByteArray good = Sample(pf8bit)->SaveToBytes();
    auto refuses = [](const QByteArray& bytes) {
        TBitmap b;
        try {
            b.LoadFromBytes(bytes);
        } catch (const EInvalidGraphic&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refuses(QByteArray()));
    EXPECT_TRUE(refuses(good.left(good.size() - 20)));
    EXPECT_TRUE(refuses(good.left(50)));
    QByteArray huge = good;
    huge[18] = char(0xFF);  // width 0x..FF and height: both far beyond any real bitmap
    huge[19] = char(0xFF);
    huge[20] = char(0xFF);
    huge[21] = char(0x7F);
    EXPECT_TRUE(refuses(huge));
    QByteArray large = good;  // 30000 x 2000 pixels announced, a few bytes present
    large[18] = char(30000 & 0xFF);
    large[19] = char(30000 >> 8);
    large[22] = char(2000 & 0xFF);
    large[23] = char(2000 >> 8);
    EXPECT_TRUE(refuses(large));
    QByteArray bpp = good;
    bpp[28] = 7;
    EXPECT_TRUE(refuses(bpp));
    QByteArray offset = good;
    offset[10] = char(0xFF);
    offset[11] = char(0xFF);
    offset[12] = char(0xFF);
    EXPECT_TRUE(refuses(offset));
    QByteArray colours = good;
    colours[46] = char(0x01);  // 257 palette entries for 8 bits
    colours[47] = char(0x01);
    EXPECT_TRUE(refuses(colours));
}

TEST(BmpFiles, RandomDamageNeverCrashes) {
    QByteArray good = Sample(pf4bit)->SaveToBytes();
    QRandomGenerator rng(1234);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bad = good;
        int changes = 1 + int(rng.bounded(4));
        for (int k = 0; k < changes; ++k) bad[int(rng.bounded(int(std::min<qsizetype>(bad.size(), 80))))] = char(rng.bounded(256));
        if (rng.bounded(3) == 0) bad.truncate(int(rng.bounded(int(bad.size()))));
        TBitmap b;
        try {
            b.LoadFromBytes(bad);
            EXPECT_GT(b.Width(), 0);
        } catch (const EInvalidGraphic&) {
        }
    }
}
