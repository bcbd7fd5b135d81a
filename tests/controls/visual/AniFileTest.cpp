#include "controls/visual/AniFile.h"
#include "controls/visual/IcoList.h"
#include "controls/visual/ZbGIF.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include "CursorFixtures.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QtEndian>

namespace {

class AniFileTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_CURSOR_FIXTURES(); }

    void Load(const QString& name) { ani.LoadFromFile(cursor_fixtures::Path(name)); }
    static QRgb Centre(TIcon* icon) { return icon->ToImage().pixel(icon->Width() / 2, icon->Height() / 2); }

    TAnimatedCursorImage ani;
};

TEST_F(AniFileTest, ReadsStepsWithRatesSequenceHotSpotsTitleAndAuthor) {
    Load("steps.ani");
    EXPECT_EQ(ani.Title(), "Reloj de arena");
    EXPECT_EQ(ani.Author(), "Despacho Núñez");
    ASSERT_EQ(ani.Count(), 4);
    EXPECT_EQ(ani.Header().cSteps, 4u);
    EXPECT_EQ(ani.Header().jifRate, 10u);
    EXPECT_EQ(ani.ColorCount(), 256);
    const int seq[] = {0, 1, 2, 1};
    const quint32 rate[] = {6, 12, 18, 24};
    const QRgb colour[] = {qRgb(255, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 4; ++i) {
        TIconFrame* f = ani.Frames(i);
        EXPECT_EQ(f->Seq(), seq[i]) << i;
        EXPECT_EQ(f->JiffRate(), rate[i]) << i;
        EXPECT_FALSE(f->IsIcon());
        // Cursors keep the hot spot icotool stored: (1, 2), (3, 4), (5, 6).
        EXPECT_EQ(f->HotSpot(), Point(2 * seq[i] + 1, 2 * seq[i] + 2)) << i;
        EXPECT_EQ(QByteArray(f->Tag().ckID, 4), "icon");
        ASSERT_NE(f->Icon(), nullptr);
        EXPECT_EQ(f->Icon()->Width(), 32);
        EXPECT_EQ(Centre(f->Icon()) & 0xFFFFFF, colour[seq[i]] & 0xFFFFFF) << i;
        EXPECT_EQ(qAlpha(f->Icon()->ToImage().pixel(0, 0)), 0);  // the transparent corner
    }
    // Steps that show the same icon show the same picture.
    EXPECT_EQ(ani.Icons(1)->ToImage(), ani.Icons(3)->ToImage());
}

TEST_F(AniFileTest, IconFramesLongHeadersAndLongTitles) {
    Load("icons.ani");
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.Header().cFrames, 2u);  // the header's extra 4 bytes are skipped
    EXPECT_EQ(ani.Header().fl, 1u);
    EXPECT_EQ(ani.Title(), QString(255, 'T'));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(ani.Frames(i)->IsIcon());
        EXPECT_EQ(ani.Frames(i)->HotSpot(), Point(8, 8));  // an icon's hot spot is its centre
        EXPECT_EQ(ani.Frames(i)->JiffRate(), 6u);
    }
}

TEST_F(AniFileTest, RatesInSeparateChunksGoToTheNextFrames) {
    Load("ratechunks.ani");
    ASSERT_EQ(ani.Count(), 3);
    EXPECT_EQ(ani.Frames(0)->JiffRate(), 7u);
    EXPECT_EQ(ani.Frames(1)->JiffRate(), 8u);
    EXPECT_EQ(ani.Frames(2)->JiffRate(), 9u);
}

TEST_F(AniFileTest, AnIconNoStepShowsGetsAFrameOfItsOwn) {
    Load("extra.ani");
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.Frames(0)->Seq(), 0);
    EXPECT_EQ(ani.Frames(1)->Seq(), -1);
    EXPECT_EQ(ani.Frames(1)->JiffRate(), 4u);
    EXPECT_EQ(Centre(ani.Icons(1)) & 0xFFFFFF, qRgb(0, 160, 0) & 0xFFFFFF);
}

TEST_F(AniFileTest, FormatErrorsAreReadErrorsAndLeaveTheImageEmpty) {
    Load("steps.ani");
    for (const char* name : {"noicons.ani", "noflag.ani", "nosteps.ani", "notriff.ani"}) {
        try {
            Load(name);
            ADD_FAILURE() << name << " loaded";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Stream read error") << name;
        }
        EXPECT_EQ(ani.Count(), 0) << name;
    }
    EXPECT_THROW(Load("missing.ani"), EFOpenError);
}

TEST_F(AniFileTest, TruncatedAndCorruptedFilesNeverCrash) {
    const QByteArray file = cursor_fixtures::Bytes("steps.ani");
    int loaded = 0;
    for (qsizetype cut = 0; cut <= file.size(); cut += 7) {
        TMemoryStream s;
        s.WriteBuffer(file.constData(), cut);
        s.SetPosition(0);
        try {
            ani.LoadFromStream(&s);
            ++loaded;
            EXPECT_GT(ani.Count(), 0);
        } catch (const EReadError&) {
        }
    }
    EXPECT_GT(loaded, 0);  // files cut inside the last frame still give the frames before it

    // Every size field set to a huge value, one at a time.
    for (const char* id : {"RIFF", "anih", "LIST", "rate", "seq ", "icon", "INAM"}) {
        QByteArray bad = file;
        const qsizetype at = bad.indexOf(id);
        ASSERT_GE(at, 0) << id;
        qToLittleEndian<quint32>(0xFFFFFFF0u, bad.data() + at + 4);
        TMemoryStream s;
        s.WriteBuffer(bad.constData(), bad.size());
        s.SetPosition(0);
        try {
            ani.LoadFromStream(&s);
        } catch (const EReadError&) {
        }
    }
    // An icon-directory entry whose image starts at each of the last bytes of its chunk, or past it.
    {
        const qsizetype at = file.indexOf("icon");
        ASSERT_GE(at, 0);
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + at + 4);
        for (quint32 back = 0; back <= 20; ++back) {
            QByteArray bad = file;
            qToLittleEndian<quint32>(size - back, bad.data() + at + 8 + 6 + 12);
            TMemoryStream s;
            s.WriteBuffer(bad.constData(), bad.size());
            s.SetPosition(0);
            try {
                ani.LoadFromStream(&s);
            } catch (const EReadError&) {
            }
        }
    }
    // A header that asks for four thousand million frames.
    QByteArray many = file;
    qToLittleEndian<quint32>(0xFFFFFFFFu, many.data() + many.indexOf("anih") + 12);
    TMemoryStream s;
    s.WriteBuffer(many.constData(), many.size());
    s.SetPosition(0);
    ani.LoadFromStream(&s);
    EXPECT_EQ(ani.Count(), 4);  // the steps named by the sequence; frames without icons are dropped
}

TEST_F(AniFileTest, ConvertsToIconIconListAndFrameStrip) {
    Load("steps.ani");
    TIcon icon;
    icon.Assign(&ani);
    EXPECT_EQ(icon.ToImage(), ani.Icons(0)->ToImage());

    TIconList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.Assign(&ani);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list[2]->ToImage(), ani.Icons(2)->ToImage());

    TBitmap strip;
    strip.Canvas()->Brush()->SetColor(clWhite);
    strip.Assign(&ani);
    EXPECT_EQ(strip.Width(), 4 * 32);
    EXPECT_EQ(strip.Height(), 32);
    EXPECT_LE(strip.BitsPerPixel(), 8);  // reduced to the cursor's 256 colours
    const QImage image = strip.ToImage();
    EXPECT_EQ(image.pixel(16, 16) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(32 + 16, 16) & 0xFFFFFF, qRgb(0, 160, 0) & 0xFFFFFFu);
    EXPECT_EQ(image.pixel(96 + 16, 16) & 0xFFFFFF, qRgb(0, 160, 0) & 0xFFFFFFu);
    EXPECT_EQ(image.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);  // the background through the corner

    TBitmap vertical;
    ani.AssignToBitmap(&vertical, clBlack, false, true);
    EXPECT_EQ(vertical.Width(), 32);
    EXPECT_EQ(vertical.Height(), 4 * 32);
    EXPECT_EQ(vertical.ToImage().pixel(16, 64 + 16) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(vertical.ToImage().pixel(1, 1) & 0xFFFFFF, 0u);

    TAnimatedCursorImage empty;
    strip.Assign(&empty);
    EXPECT_TRUE(strip.Empty());
}

TEST_F(AniFileTest, TrueColourFramesGiveASixteenColourStrip) {
    Load("truecolour.ani");
    ASSERT_EQ(ani.Count(), 2);
    EXPECT_EQ(ani.ColorCount(), 0);
    TBitmap strip;
    strip.Assign(&ani);
    EXPECT_EQ(strip.Width(), 64);
    const QImage image = strip.ToImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    EXPECT_GT(colours.size(), 4);
}

TEST_F(AniFileTest, CopiesAreIndependent) {
    Load("steps.ani");
    TAnimatedCursorImage copy;
    copy.Assign(&ani);
    ani.Clear();
    ASSERT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.Title(), "Reloj de arena");
    EXPECT_EQ(copy.Frames(3)->JiffRate(), 24u);
    EXPECT_EQ(copy.Frames(3)->HotSpot(), Point(3, 4));
    EXPECT_EQ(copy.ColorCount(), 256);
}

TEST_F(AniFileTest, SavingIsRefusedWithAMessage) {
    platform::forms::TFormHarness harness;
    Load("steps.ani");
    TMemoryStream s;
    EXPECT_THROW(ani.SaveToStream(&s), EAbort);
    EXPECT_EQ(s.Size(), 0);
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_EQ(harness.Messages()[0].Text, QString::fromUtf8("Функция не реализована"));
}

}  // namespace

namespace {

TEST_F(AniFileTest, GifImageTakesOneFramePerStepWithTheStepsRate) {
    Load("steps.ani");
    TGIFImage gif;
    gif.Assign(&ani);
    ASSERT_EQ(gif.Count(), 4);
    EXPECT_EQ(gif.BackgroundColor(), clWindow);
    const int delay[] = {100, 200, 300, 400};  // 6, 12, 18 and 24 jiffies of 1/60 s
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(gif.Frames(i)->AnimateInterval(), delay[i]) << i;
        EXPECT_EQ(gif.Frames(i)->Width(), 32) << i;
    }
}

}  // namespace
