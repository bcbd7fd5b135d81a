#include "TestTools.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/graphics/Resources.h"

#include <gtest/gtest.h>

using namespace gtest_graphics;

namespace {

class TTestGraphic : public TBitmap {};

}  // namespace

TEST(Pictures, FileFormatsAreFoundByExtension) {
    QTemporaryDir dir;
    auto b = MakeBitmap(pf8bit, 2, 1, {clRed, clBlue});
    QString file = dir.filePath("pic.BMP");
    b->SaveToFile(file);
    TPicture p;
    int changes = 0;
    p.OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    p.LoadFromFile(file);
    ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Width(), 2);
    EXPECT_GE(changes, 1);
    try {
        p.LoadFromFile(dir.filePath("x.xyz"));
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.xyz)"));
    }
    EXPECT_NE(p.Graphic(), nullptr);  // the old picture is kept

    TPicture::RegisterFileFormat(QStringLiteral("tst"), QStringLiteral("Test images"), TGraphicClass::Of<TTestGraphic>());
    EXPECT_TRUE(TPicture::FindFileFormat(QStringLiteral(".TST")) == TGraphicClass::Of<TTestGraphic>());
    EXPECT_TRUE(GraphicFilter().contains(QStringLiteral("Test images (*.tst)|*.tst")));
    EXPECT_TRUE(GraphicFilter().startsWith(QStringLiteral("All (*.bmp;*.ico;")));
    EXPECT_EQ(GraphicExtension(TGraphicClass::Of<TTestGraphic>()), QStringLiteral("tst"));
    TPicture::UnregisterGraphicClass(TGraphicClass::Of<TTestGraphic>());
    EXPECT_FALSE(TPicture::FindFileFormat(QStringLiteral("tst")));
}

TEST(Pictures, SetGraphicTakesACopy) {
    auto b = MakeBitmap(pf24bit, 1, 1, {clRed});
    TPicture p;
    p.SetGraphic(b.get());
    ASSERT_NE(p.Graphic(), b.get());
    b->Canvas()->SetPixel(0, 0, clBlue);
    EXPECT_EQ(p.Bitmap()->Canvas()->Pixels(0, 0), clRed);
    p.Icon();
    EXPECT_TRUE(p.Graphic()->Empty());
}

TEST(Resources, BitmapsAreFoundByName) {
    auto b = MakeBitmap(pf4bit, 3, 2, {clRed, clLime, clBlue, clWhite, clBlack, clYellow});
    QByteArray file = b->SaveToBytes();
    platform::graphics::RegisterResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND"), file);
    platform::graphics::RegisterResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BARE"), file.mid(14));
    TBitmap a, bare;
    a.LoadFromResourceName(QStringLiteral("background"));
    bare.LoadFromResourceName(QStringLiteral("BARE"));
    EXPECT_EQ(a.ToImage(), b->ToImage());
    EXPECT_EQ(bare.ToImage(), b->ToImage());
    EXPECT_THROW(a.LoadFromResourceName(QStringLiteral("NOPE")), EResNotFound);
}

TEST(Clipboard, PicturesAndTextTravel) {
    auto b = MakeBitmap(pf8bit, 2, 2, {clRed, clBlue, clLime, clWhite});
    Clipboard()->Assign(b.get());
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    TPicture p;
    p.Assign(Clipboard());
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_EQ(p.Bitmap()->ToImage(), b->ToImage());
    EXPECT_EQ(p.Bitmap()->PixelFormat(), pf8bit);

    unsigned gif = RegisterClipboardFormat(QStringLiteral("GIF Image"));
    EXPECT_GE(gif, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat(QStringLiteral("GIF Image")), gif);
    Clipboard()->Open();
    Clipboard()->SetAsHandle(gif, QByteArray("GIF89a"));
    Clipboard()->SetAsHandle(CF_BITMAP, b->SaveToBytes());
    Clipboard()->Close();
    EXPECT_EQ(Clipboard()->GetAsHandle(gif), QByteArray("GIF89a"));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));

    Clipboard()->SetAsText(QStringLiteral("Señoría, año"));
    EXPECT_EQ(Clipboard()->AsText(), QStringLiteral("Señoría, año"));
    EXPECT_FALSE(Clipboard()->HasFormat(gif));
}
