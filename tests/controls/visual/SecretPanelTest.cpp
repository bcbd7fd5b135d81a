#include "controls/visual/ZBCtrls_panel.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

// A clock the test turns: each step is one interval later and one tick.
class TFakeClock : public controls::visual::TTickSource {
public:
    void SetInterval(quint32 ms) override { FInterval = ms; }
    quint32 Interval() const override { return FInterval; }
    void SetEnabled(bool value) override { FEnabled = value; }
    bool Enabled() const override { return FEnabled; }
    // Ticks while running, at most `limit` times; returns the ticks given.
    int Run(int limit) {
        int ticks = 0;
        while (FEnabled && ticks < limit) {
            Elapsed += FInterval;
            ++ticks;
            OnTick();
        }
        return ticks;
    }
    quint64 Elapsed = 0;

private:
    quint32 FInterval = 0;
    bool FEnabled = false;
};

class SecretPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        panel = new TSecretPanel(form.get());
        panel->SetParent(form.get());
        // Bevel of one pixel and three more inside: a text area 40 pixels high.
        panel->SetBounds(0, 0, 200, 48);
        auto clock = std::make_unique<TFakeClock>();
        fake = clock.get();
        panel->SetTickSource(std::move(clock));
        panel->OnStopPlay = TNotifyEvent([this](TObject*) { ++stops; });
        panel->OnStartPlay = TNotifyEvent([this](TObject*) { ++starts; });
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TSecretPanel* panel = nullptr;
    TFakeClock* fake = nullptr;
    int stops = 0, starts = 0;
};

}  // namespace

TEST_F(SecretPanelTest, FourLinesScrollTheirLengthAndStopOnTheNextTick) {
    for (const char* line : {"Zembra 4.0", "Gestión de despachos", "de abogados", "© Velmor"})
        panel->Lines()->Add(QString::fromUtf8(line));
    EXPECT_EQ(panel->Interval(), 30u);
    panel->SetActive(true);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(panel->TextRect().Height(), 40);
    const int lineHeight = panel->LineHeight();
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(panel->ScrollLength(), 40 + 4 * lineHeight);  // 104 with lines of 16 pixels

    const int ticks = fake->Run(10000);
    EXPECT_EQ(ticks, 40 + 4 * lineHeight + 1);
    EXPECT_FALSE(panel->Active());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(fake->Elapsed, quint64(ticks) * 30u);  // 3150 ms for 16-pixel lines
    EXPECT_EQ(panel->ScrollPosition(), 0);
}

TEST_F(SecretPanelTest, ACycledPanelStartsAgainInsteadOfStopping) {
    panel->Lines()->Add(QStringLiteral("Una línea"));
    panel->SetCycled(true);
    panel->SetActive(true);
    const int length = panel->ScrollLength();
    EXPECT_EQ(fake->Run(length + 1), length + 1);
    EXPECT_TRUE(panel->Active());
    EXPECT_EQ(panel->ScrollPosition(), 0);
    fake->Run(5);
    EXPECT_EQ(panel->ScrollPosition(), 5);
    EXPECT_EQ(stops, 0);
    panel->SetActive(false);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(fake->Enabled());
}

TEST_F(SecretPanelTest, LeadingBlankLinesAreNotScrolled) {
    for (const char* line : {"", "   ", "Primera", "Segunda"}) panel->Lines()->Add(QString::fromUtf8(line));
    panel->SetActive(true);
    EXPECT_EQ(panel->ScrollLength(), 40 + 2 * panel->LineHeight());
    panel->SetActive(false);

    panel->Lines()->Clear();
    panel->Lines()->Add(QStringLiteral("  "));
    panel->SetActive(true);
    EXPECT_EQ(panel->ScrollLength(), 40);  // only the empty text area goes by
}

TEST_F(SecretPanelTest, PlayingHidesExactlyTheVisibleChildrenAndStoppingShowsThemAgain) {
    auto* shown = new TButton(form.get());
    shown->SetParent(panel);
    auto* hidden = new TButton(form.get());
    hidden->SetParent(panel);
    hidden->SetVisible(false);
    panel->Lines()->Add(QStringLiteral("x"));
    panel->SetActive(true);
    EXPECT_FALSE(shown->Visible());
    EXPECT_FALSE(hidden->Visible());
    fake->Run(100000);
    EXPECT_FALSE(panel->Active());
    EXPECT_TRUE(shown->Visible());
    EXPECT_FALSE(hidden->Visible());
}

TEST_F(SecretPanelTest, AGlyphOnTheLeftPushesTheTextAndHorizontalTextIsCentred) {
    TBitmap glyph;
    glyph.SetSize(16, 16);
    panel->SetGlyph(&glyph);
    panel->Lines()->Add(QStringLiteral("Texto"));
    panel->SetScrollDirection(sdHorizontal);
    panel->SetActive(true);
    // Text area starts at 4; the glyph 3 pixels in; the text after border + 3 + glyph.
    EXPECT_EQ(panel->GlyphOrigin().X, 4 + 3);
    EXPECT_EQ(panel->TextRect().Left, 1 + 3 + 16 + 7);
    const int spare = 40 - panel->LineHeight();
    EXPECT_EQ(panel->TextRect().Top, 4 + spare / 2);
    EXPECT_GT(panel->ScrollLength(), panel->TextRect().Width());
    TFormHarness::Grab(panel);  // painting while playing must not fail
}
