#include "controls/visual/IcoList.h"
#include "controls/visual/IconHelpers.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Clipbrd.h"

#include "CursorFixtures.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace controls::visual;

namespace {

std::unique_ptr<TIcon> IconOf(const QByteArray& bytes) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromBytes(bytes);
    return icon;
}

std::unique_ptr<TIcon> SolidIcon(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    auto icon = std::make_unique<TIcon>();
    icon->SetImage(img);
    return icon;
}

qint32 I32At(const QByteArray& b, qint64 pos) { return qFromLittleEndian<qint32>(b.constData() + pos); }

QByteArray LE32(qint32 v) {
    char c[4];
    qToLittleEndian(v, c);
    return QByteArray(c, 4);
}

// An icon file whose `count` directory entries all point at one w x h 32-bit image.
QByteArray SharedImageIcon(int count, int w, int h) {
    QByteArray image;
    image += LE32(40) + LE32(w) + LE32(h * 2);
    image += QByteArray("\x01\x00\x20\x00", 4) + QByteArray(24, '\0');
    image += QByteArray(qsizetype(w) * h * 4, '\x40') + QByteArray(qsizetype((w + 31) / 32 * 4) * h, '\0');
    QByteArray file = QByteArray("\0\0\1\0", 4);
    file += char(count & 0xFF);
    file += char(count >> 8);
    const qint32 offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i)
        file += QByteArray(4, '\0') + QByteArray("\x01\x00\x20\x00", 4) + LE32(qint32(image.size())) + LE32(offset);
    return file + image;
}

TEST(IconChoice, PicksByTheDisplayColourCount) {
    EXPECT_EQ(DisplayColorCount(1), 2);
    EXPECT_EQ(DisplayColorCount(4), 16);
    EXPECT_EQ(DisplayColorCount(8), 256);
    EXPECT_EQ(DisplayColorCount(16), 0);
    EXPECT_EQ(DisplayColorCount(24), 0);
    EXPECT_EQ(DisplayColorCount(32), 0);

    // 16 colours and 256 colours (stored as 0).
    EXPECT_EQ(ChooseIconEntry({16, 0}, 256), 0);  // 16 fits; 0 is not above it
    EXPECT_EQ(ChooseIconEntry({16, 0}, 0), 1);    // true colour: exact match
    EXPECT_EQ(ChooseIconEntry({0, 16}, 256), 1);  // 0 fits first, 16 is richer
    EXPECT_EQ(ChooseIconEntry({2, 16}, 16), 1);
    EXPECT_EQ(ChooseIconEntry({16, 16}, 2), 0);  // nothing fits: the first
}

TEST(IconHelpers, ReadsTheImageThatSuitsTheScreen) {
    REQUIRE_CURSOR_FIXTURES();
    for (const char* name : {"pal16_first.ico", "pal256_first.ico"}) {
        const QByteArray file = cursor_fixtures::Bytes(name);
        for (int bits : {8, 32}) {
            TMemoryStream s;
            s.WriteBuffer(file.constData(), file.size());
            s.SetPosition(6);
            auto icon = ReadIcon(&s, 2, 6, bits);
            ASSERT_EQ(icon->ImageCount(), 1);
            EXPECT_EQ(icon->Width(), 32);
            // A 256-colour screen takes the 16-colour image, a true-colour one the 256-colour image.
            EXPECT_EQ(icon->Image(0).BitsPerPixel, bits == 8 ? 4 : 8) << name << " " << bits;
        }
    }
}

TEST(IconHelpers, RealSizeIconKeepsTheStoredSize) {
    REQUIRE_CURSOR_FIXTURES();
    auto big = IconOf(cursor_fixtures::Bytes("big48.ico"));
    auto real = CreateRealSizeIcon(big.get());
    int w = 0, h = 0;
    GetIconSize(real.get(), w, h);
    EXPECT_EQ(w, 48);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(real->ToImage(), big->ToImage());

    // The icon made is a sound icon file for other programs too.
    const QString out = cursor_fixtures::Folder() + "/real48.ico";
    real->SaveToFile(out);
    const QByteArray listing = cursor_fixtures::Run("icotool", {"-l", out});
    EXPECT_TRUE(listing.contains("--width=48 --height=48")) << listing.toStdString();
}

TEST(IconHelpers, EmptyIconsAndCursors) {
    REQUIRE_CURSOR_FIXTURES();
    TIcon empty;
    auto app = CreateRealSizeIcon(&empty);
    ASSERT_FALSE(app->Empty());
    EXPECT_EQ(app->Width(), 32);

    int w = 0, h = 0;
    GetIconSize(nullptr, w, h);
    EXPECT_EQ(w, 32);
    GetIconSize(&empty, w, h);
    EXPECT_EQ(h, 32);

    // A cursor file is copied as it is.
    auto cursor = IconOf(cursor_fixtures::Bytes("f1.cur"));
    auto copy = CreateRealSizeIcon(cursor.get());
    EXPECT_EQ(copy->SaveToBytes(), cursor->SaveToBytes());
}

TEST(IconHelpers, DamagedDirectoriesGiveClearErrors) {
    REQUIRE_CURSOR_FIXTURES();
    const QByteArray good = cursor_fixtures::Bytes("big48.ico");
    auto read = [](QByteArray file, int count) {
        TMemoryStream s;
        s.WriteBuffer(file.constData(), file.size());
        s.SetPosition(6);
        return ReadIcon(&s, count, 6, 32);
    };
    QByteArray past = good;
    qToLittleEndian<quint32>(quint32(good.size()), past.data() + 6 + 12);  // image offset at the end
    EXPECT_THROW(read(past, 1), EReadError);
    QByteArray huge = good;
    qToLittleEndian<quint32>(0xFFFFFFF0u, huge.data() + 6 + 8);  // image size
    EXPECT_THROW(read(huge, 1), EReadError);
    EXPECT_THROW(read(good, 0), EReadError);
    EXPECT_THROW(read(good.left(10), 1), EReadError);  // directory cut short
    QByteArray garbage = good;
    garbage.replace(22, 40, QByteArray(40, '\x7F'));  // information header destroyed
    EXPECT_THROW(read(garbage, 1), EOutOfResources);

    EXPECT_NO_THROW(CheckIconData(good));
    EXPECT_NO_THROW(CheckIconData(SharedImageIcon(16, 1024, 1024)));
    // Many entries pointing at one big image would decode to gigabytes: refused before decoding.
    EXPECT_THROW(CheckIconData(SharedImageIcon(17, 1024, 1024)), EReadError);
    EXPECT_THROW(CheckIconData(SharedImageIcon(300, 16, 16)), EReadError);
}

class IconListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, &list);
            ++changes;
        };
    }
    TIconList list;
    int changes = 0;
};

TEST_F(IconListTest, KeepsPrivateCopiesAndTellsOfChanges) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    auto blue = SolidIcon(24, 24, 0xFF0000FF);
    EXPECT_EQ(list.Add(red.get()), 0);
    EXPECT_EQ(list.Add(blue.get()), 1);
    EXPECT_EQ(changes, 2);
    EXPECT_NE(list[0], red.get());
    EXPECT_EQ(list[0]->ToImage(), red->ToImage());

    // The list's own icons tell the list when they change; the originals do not.
    red->Assign(blue.get());
    EXPECT_EQ(changes, 2);
    list[0]->Assign(blue.get());
    EXPECT_EQ(changes, 3);

    list.BeginUpdate();
    list.Exchange(0, 1);
    list.Delete(0);
    list.Insert(0, red.get());
    EXPECT_EQ(changes, 3);
    list.EndUpdate();
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOf(list[1]), 1);
    EXPECT_EQ(list.IndexOf(red.get()), -1);

    TIcon* second = list[1];
    list.Move(1, 0);
    EXPECT_EQ(list[0], second);
    EXPECT_THROW(list.Get(2), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(5, red.get()), EListError);
}

TEST_F(IconListTest, PutAppendsAtTheEndAndFillsEmptyEntries) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    list.Put(0, red.get());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0]->Width(), 16);
    EXPECT_EQ(changes, 1);

    // An empty entry (as loaded from the stream) gets an icon of its own.
    TMemoryStream s;
    const QByteArray data = LE32(1) + LE32(0);
    s.WriteBuffer(data.constData(), data.size());
    s.SetPosition(0);
    list.LoadFromStream(&s);
    ASSERT_EQ(list.Get(0), nullptr);
    list.Put(0, red.get());
    ASSERT_NE(list.Get(0), nullptr);
    list[0]->Assign(nullptr);  // tied to the list
    EXPECT_EQ(changes, 4);
}

TEST_F(IconListTest, AssigningAnIconLeavesOnlyThatIconAndTellsOnce) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    for (int i = 0; i < 5; ++i) list.Add(red.get());
    changes = 0;
    auto blue = SolidIcon(24, 24, 0xFF0000FF);
    list.Assign(blue.get());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0]->Width(), 24);
    EXPECT_EQ(changes, 1);

    TIconList other;
    other.Assign(&list);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(other[0]->ToImage(), blue->ToImage());
    list.Assign(nullptr);
    EXPECT_EQ(list.Count(), 0);
    TBitmap bitmap;
    EXPECT_THROW(list.Assign(&bitmap), EConvertError);
}

TEST_F(IconListTest, StreamsCountSizesAndIconFiles) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    auto blue = SolidIcon(24, 24, 0xFF0000FF);
    list.Add(red.get());
    list.Add(nullptr);  // an empty icon
    list.Add(blue.get());
    TMemoryStream s;
    list.SaveToStream(&s);
    const QByteArray b = s.Bytes();
    const QByteArray redFile = red->SaveToBytes(), blueFile = blue->SaveToBytes();
    ASSERT_EQ(b.size(), 4 + 4 + redFile.size() + 4 + 4 + blueFile.size());
    EXPECT_EQ(I32At(b, 0), 3);
    EXPECT_EQ(I32At(b, 4), redFile.size());
    EXPECT_EQ(b.mid(8, redFile.size()), redFile);
    EXPECT_EQ(I32At(b, 8 + redFile.size()), 0);
    EXPECT_EQ(I32At(b, 12 + redFile.size()), blueFile.size());

    TIconList back;
    s.SetPosition(0);
    back.LoadFromStream(&s);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back[0]->ToImage(), red->ToImage());
    EXPECT_EQ(back[1], nullptr);
    EXPECT_EQ(back[2]->ToImage(), blue->ToImage());
}

TEST_F(IconListTest, TravelsAsTheIconsPropertyOfAForm) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    TMemoryStream s;
    TWriter(&s).WriteProperties([&](TFiler* f) { list.DefineProperties(f); });
    const qint64 emptySize = s.Size();
    list.Add(red.get());
    TMemoryStream t;
    TWriter(&t).WriteProperties([&](TFiler* f) { list.DefineProperties(f); });
    EXPECT_GT(t.Size(), emptySize);  // written only when the list has icons
    EXPECT_TRUE(t.Bytes().contains("Icons"));

    TIconList back;
    t.SetPosition(0);
    TReader(&t).ReadProperties([&](TFiler* f) { back.DefineProperties(f); });
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0]->ToImage(), red->ToImage());
}

TEST_F(IconListTest, DamagedStreamsRaiseAndLeaveTheListEmpty) {
    auto red = SolidIcon(16, 16, 0xFFFF0000);
    const QByteArray icon = red->SaveToBytes();
    auto load = [&](const QByteArray& data) {
        list.Add(red.get());
        TMemoryStream s;
        s.WriteBuffer(data.constData(), data.size());
        s.SetPosition(0);
        list.LoadFromStream(&s);
    };
    EXPECT_THROW(load(LE32(0x7FFFFFFF)), EReadError);  // a count the data cannot hold
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(load(LE32(-1)), EReadError);
    EXPECT_THROW(load(LE32(1) + LE32(0x7FFFFFFF) + icon), EReadError);  // size past the data
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(load(LE32(2) + LE32(int(icon.size())) + icon + LE32(10) + QByteArray(10, 'x')), EReadError);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(load(LE32(1) + LE32(2)), EReadError);  // cut short
    const QByteArray bomb = SharedImageIcon(40, 1024, 1024);
    EXPECT_THROW(load(LE32(1) + LE32(int(bomb.size())) + bomb), EReadError);
    EXPECT_EQ(list.Count(), 0);
}

TEST(IconClipboard, PicturesExchangeIconsUnderTheRegisteredFormat) {
    REQUIRE_CURSOR_FIXTURES();
    (void)Application.operator->();  // a clipboard needs the application
    IconHelpersInit();
    const quint16 format = IconClipboardFormat();
    EXPECT_GE(format, 0xC000);
    EXPECT_EQ(format, RegisterClipboardFormat("Zembra Icon"));
    ASSERT_TRUE(TPicture::SupportsClipboardFormat(format));

    const QByteArray file = cursor_fixtures::Bytes("big48.ico");
    Clipboard()->SetAsHandle(format, file);
    TPicture picture;
    picture.Assign(Clipboard());
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 48);

    // And back: the picture's icon goes to the clipboard as the same file.
    Clipboard()->Clear();
    Clipboard()->Assign(&picture);
    EXPECT_EQ(Clipboard()->GetAsHandle(format), file);

    // Damaged clipboard data is refused with an error.
    TPicture other;
    EXPECT_THROW(other.LoadFromClipboardFormat(format, file.left(30), {}), Exception);
    EXPECT_THROW(other.LoadFromClipboardFormat(format, SharedImageIcon(64, 1024, 1024), {}), EReadError);
}

}  // namespace
