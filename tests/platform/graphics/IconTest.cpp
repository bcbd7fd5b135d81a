#include "TestTools.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/ImgList.h"

#include <gtest/gtest.h>

using namespace gtest_graphics;

namespace {

// A 16 x 16 PNG: transparent, with an opaque square (4..11) of `square` and, unless one
// colour only, a blue pixel at (5, 5); then an icon of it made by icotool at `bits`.
QString MakeIco(QTemporaryDir& dir, const QString& name, int bits, const char* square, int side = 16) {
    QString png = dir.filePath(name + ".png"), ico = dir.filePath(name + ".ico");
    Python(QStringLiteral("import sys\nfrom PIL import Image\ns=int(sys.argv[3])\n"
                          "im=Image.new('RGBA',(s,s),(0,0,0,0))\n"
                          "c=tuple(int(sys.argv[2][i:i+2],16) for i in (0,2,4))+(255,)\n"
                          "[im.putpixel((x,y),c) for x in range(s//4,s*3//4) for y in range(s//4,s*3//4)]\n"
                          "sys.argv[4]=='1' or im.putpixel((s//4+1,s//4+1),(0,0,255,255))\n"
                          "sys.argv[5]=='1' and im.putpixel((0,s-1),(255,255,255,128))\nim.save(sys.argv[1])"),
           {png, QString::fromLatin1(square), QString::number(side), bits == 1 ? "1" : "0",
            bits == 32 || bits == 0 ? "1" : "0"});
    QStringList args{"-c", "-o", ico};
    if (bits == 0) {
        args << QStringLiteral("-r") << png;  // a PNG entry
    } else {
        args << QStringLiteral("-b") << QString::number(bits) << png;
    }
    RunTool(kIcotool, args);
    return ico;
}

bool HaveIconTools() { return HavePil() && HaveTool(kIcotool); }

}  // namespace

TEST(Icons, IcotoolIconsDrawAtNaturalSizeWithTransparency) {
    if (!HaveIconTools()) GTEST_SKIP() << "icoutils or python3-pil missing";
    QTemporaryDir dir;
    for (int bits : {1, 4, 8, 24, 32, 0}) {
        SCOPED_TRACE(bits);
        const char* colour = bits == 1 ? "000000" : "FF0000";
        QString file = MakeIco(dir, QStringLiteral("i%1").arg(bits), bits, colour);
        TIcon icon;
        icon.LoadFromFile(file);
        EXPECT_EQ(icon.Width(), 16);
        EXPECT_EQ(icon.Height(), 16);
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(20, 20);
        target.Canvas()->Brush()->SetColor(clLime);
        target.Canvas()->FillRect(Rect(0, 0, 20, 20));
        target.Canvas()->Draw(2, 2, &icon);
        EXPECT_EQ(Px(target, 2, 2), clLime);      // transparent corner
        EXPECT_EQ(Px(target, 17, 17), clLime);
        EXPECT_EQ(Px(target, 18, 18), clLime);    // nothing beyond the natural size
        EXPECT_EQ(Px(target, 2 + 10, 2 + 10), bits == 1 ? clBlack : clRed);
        if (bits == 32 || bits == 0) {
            TColor blend = Px(target, 2, 17);  // half-transparent white over lime
            EXPECT_NEAR(GetRValue(blend), 128, 2);
            EXPECT_EQ(GetGValue(blend), 255);
        }
        if (bits != 1) {
            EXPECT_EQ(Px(target, 2 + 5, 2 + 5), clBlue);
        }
    }
}

TEST(Icons, SeveralImagesChooseTheFirstSize) {
    if (!HaveIconTools()) GTEST_SKIP() << "icoutils or python3-pil missing";
    QTemporaryDir dir;
    QString a = dir.filePath("a.png"), b = dir.filePath("b.png"), ico = dir.filePath("two.ico");
    Python(QStringLiteral("import sys\nfrom PIL import Image\nImage.new('RGBA',(32,32),(255,0,0,255)).save(sys.argv[1])\n"
                          "Image.new('RGBA',(16,16),(0,0,255,255)).save(sys.argv[2])"),
           {a, b});
    RunTool(kIcotool, {"-c", "-o", ico, a, b});
    TIcon icon;
    icon.LoadFromFile(ico);
    EXPECT_EQ(icon.ImageCount(), 2);
    EXPECT_EQ(icon.Width(), 32);
    QFile f(ico);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(icon.SaveToBytes(), f.readAll());
}

TEST(Icons, DamagedFilesAreRefused) {
    TIcon icon;
    QImage img(8, 8, QImage::Format_ARGB32);
    img.fill(qRgba(255, 0, 0, 255));
    icon.SetImage(img);
    QByteArray good = icon.SaveToBytes();
    TIcon back;
    back.LoadFromBytes(good);
    EXPECT_EQ(back.Width(), 8);
    auto refuses = [](const QByteArray& bytes) {
        TIcon i;
        try {
            i.LoadFromBytes(bytes);
        } catch (const EInvalidGraphic&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refuses(good.left(good.size() - 10)));
    EXPECT_TRUE(refuses(good.left(5)));
    QByteArray count = good;
    count[4] = char(0xFF);
    EXPECT_TRUE(refuses(count));
    QByteArray offset = good;
    offset[18] = char(0xFF);
    offset[19] = char(0xFF);
    EXPECT_TRUE(refuses(offset));
    QByteArray depth = good;
    depth[22 + 14] = 3;
    EXPECT_TRUE(refuses(depth));
    EXPECT_THROW(back.SetWidth(4), EInvalidGraphicOperation);

    // Hundreds of large directory entries sharing one image would hold gigabytes: refused.
    const int entries = 300;
    QByteArray image = good.mid(22);
    QByteArray many("\0\0\1\0", 4);
    many.append(char(entries & 0xFF)).append(char(entries >> 8));
    for (int i = 0; i < entries; ++i) {
        QByteArray entry = good.mid(6, 16);
        entry[0] = 0;
        entry[1] = 0;
        quint32 off = 6 + entries * 16;
        for (int k = 0; k < 4; ++k) entry[12 + k] = char((off >> (8 * k)) & 0xFF);
        many += entry;
    }
    many += image;
    EXPECT_TRUE(refuses(many));
}

TEST(Icons, StreamPositionStopsAfterTheIcon) {
    TIcon icon;
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 255, 255));
    icon.SetImage(img);
    TMemoryStream s;
    icon.SaveToStream(&s);
    qint64 size = s.Size();
    s.WriteBuffer("more", 4);
    s.SetPosition(0);
    TIcon back;
    back.LoadFromStream(&s);
    EXPECT_EQ(s.Position(), size);
}

namespace {

// Two 4 x 4 cells side by side: cell 0 red on fuchsia with a white pixel, cell 1 blue.
std::unique_ptr<TBitmap> Strip() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(8, 4);
    b->Canvas()->Brush()->SetColor(clFuchsia);
    b->Canvas()->FillRect(Rect(0, 0, 8, 4));
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(Rect(1, 1, 3, 3));
    b->Canvas()->SetPixel(1, 1, clWhite);
    b->Canvas()->Brush()->SetColor(clBlue);
    b->Canvas()->FillRect(Rect(4, 0, 8, 4));
    return b;
}

std::unique_ptr<TBitmap> Face(int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(clBtnFace);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

}  // namespace

TEST(ImageLists, AddMaskedSplitsCellsAndDrawsTransparently) {
    TImageList list(4, 4);
    auto strip = Strip();
    EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
    EXPECT_EQ(list.Count(), 2);
    auto target = Face(6, 6);
    list.Draw(target->Canvas(), 1, 1, 0);
    EXPECT_EQ(Px(*target, 1, 1), 0xC0C0C0);  // masked corner
    EXPECT_EQ(Px(*target, 3, 3), clRed);
    EXPECT_EQ(Px(*target, 2, 2), clWhite);
    list.Draw(target->Canvas(), 0, 0, 1);
    EXPECT_EQ(Px(*target, 3, 0), clBlue);
}

TEST(ImageLists, DisabledImagesAreEmbossed) {
    TImageList list(4, 4);
    auto strip = Strip();
    list.AddMasked(strip.get(), clFuchsia);
    auto target = Face(6, 6);
    list.Draw(target->Canvas(), 0, 0, 0, false);
    // Shape: the red pixels (white ones are not part of it); shadow in place, highlight below right.
    EXPECT_EQ(Px(*target, 2, 2), 0x808080);
    EXPECT_EQ(Px(*target, 1, 2), 0x808080);
    EXPECT_EQ(Px(*target, 3, 3), 0xFFFFFF);
    EXPECT_EQ(Px(*target, 1, 1), 0xC0C0C0);  // the white pixel is left out
    EXPECT_EQ(Px(*target, 0, 0), 0xC0C0C0);
}

TEST(ImageLists, MaskDrawingAndExplicitMasks) {
    TImageList list(4, 4);
    auto strip = Strip();
    auto mask = strip->CreateMask(clFuchsia);
    EXPECT_EQ(list.Add(strip.get(), mask.get()), 0);
    TBitmap m;
    m.SetPixelFormat(pf1bit);
    m.SetSize(4, 4);
    list.DrawWithFlags(m.Canvas(), 0, 0, 0, ILD_MASK);
    EXPECT_EQ(Px(m, 0, 0), clWhite);
    EXPECT_EQ(Px(m, 2, 2), clBlack);
    EXPECT_EQ(m.PixelFormat(), pf1bit);
}

TEST(ImageLists, ReplaceDeleteAndErrors) {
    TImageList list(4, 4);
    auto strip = Strip();
    list.AddMasked(strip.get(), clFuchsia);
    TBitmap blue;
    blue.SetPixelFormat(pf24bit);
    blue.SetSize(4, 4);
    blue.Canvas()->Brush()->SetColor(clBlue);
    blue.Canvas()->FillRect(Rect(0, 0, 4, 4));
    list.Replace(0, &blue, nullptr);
    TBitmap got;
    list.GetBitmap(0, &got);
    EXPECT_EQ(got.Width(), 4);
    EXPECT_EQ(Px(got, 0, 0), clBlue);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    try {
        list.Replace(5, &blue, nullptr);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to Replace Image"));
    }
    TBitmap small;
    small.SetSize(2, 2);
    EXPECT_THROW(list.Add(&small, nullptr), EInvalidOperation);
    int changes = 0;
    TChangeLink link;
    link.OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    list.RegisterChanges(&link);
    list.SetSize(8, 8);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 1);
}
