#include "controls/visual/GIFCtrl.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace {

// Reaches the control's composing and stepping machinery.
class TTestAnimator : public TZbGIFAnimator {
public:
    using TZbGIFAnimator::TZbGIFAnimator;
    using TZbGIFAnimator::CacheIndex;
    using TZbGIFAnimator::FrameBitmap;
    using TZbGIFAnimator::FrameDelay;
    using TZbGIFAnimator::Timer;
    using TZbGIFAnimator::TimerExpired;
};

struct FrameSpec {
    int X, Y, W, H;
    TColor Colour;
    int Disposal = 0;
    int Delay = 100;
    TColor Transparent = clNone;  // painted into the frame's top-left pixel
};

std::unique_ptr<TGIFImage> MakeGif(const std::vector<FrameSpec>& frames) {
    auto gif = std::make_unique<TGIFImage>();
    for (const FrameSpec& f : frames) {
        TBitmap bitmap;
        bitmap.SetSize(f.W, f.H);
        bitmap.Canvas()->Brush()->SetColor(f.Colour);
        bitmap.Canvas()->FillRect(Rect(0, 0, f.W, f.H));
        if (f.Transparent != clNone) bitmap.Canvas()->SetPixel(0, 0, f.Transparent);
        const int i = gif->AddFrame(&bitmap);
        TGIFFrame* frame = gif->Frames(i);
        frame->SetOrigin(Point(f.X, f.Y));
        frame->SetDisposalMethod(quint8(f.Disposal));
        frame->SetAnimateInterval(f.Delay);
        if (f.Transparent != clNone) frame->SetTransparentColor(f.Transparent);
    }
    gif->SetFrameIndex(0);
    return gif;
}

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00, Magenta = 0xFF00FF;

TColor At(TBitmap* b, int x, int y) { return b->Canvas()->Pixels(x, y) & 0xFFFFFF; }

class GIFCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
        anim = new TTestAnimator(form.get());
        anim->SetParent(form.get());
        anim->OnStart = [this](TObject*) { events.push_back("start"); };
        anim->OnStop = [this](TObject*) { events.push_back("stop"); };
        anim->OnChange = [this](TObject*) { events.push_back("change"); };
        anim->OnFrameChanged = [this](TObject*) { events.push_back("frame " + std::to_string(anim->FrameIndex())); };
    }
    void TearDown() override { form.reset(); }

    void Set(const std::vector<FrameSpec>& frames) {
        auto gif = MakeGif(frames);
        anim->SetImage(gif.get());
        events.clear();
    }

    platform::forms::TFormHarness harness;
    std::unique_ptr<TForm> form;
    TTestAnimator* anim = nullptr;
    std::vector<std::string> events;
};

TEST_F(GIFCtrlTest, StartsStoppedAndSizesItselfToTheImage) {
    EXPECT_EQ(anim->Width(), 105);
    EXPECT_EQ(anim->Height(), 105);
    EXPECT_FALSE(anim->Animate());
    EXPECT_TRUE(anim->Loop());
    EXPECT_TRUE(anim->Transparent());
    EXPECT_TRUE(anim->AutoSize());

    auto gif = MakeGif({{0, 0, 120, 80, Red}});
    anim->SetImage(gif.get());
    EXPECT_EQ(anim->Width(), 120);
    EXPECT_EQ(anim->Height(), 80);
    EXPECT_EQ(events, std::vector<std::string>{"change"});
    // The control keeps the image's size while AutoSize is on.
    anim->SetBounds(5, 6, 50, 50);
    EXPECT_EQ(anim->Width(), 120);
    EXPECT_EQ(anim->Left(), 5);
    anim->SetAutoSize(false);
    anim->SetBounds(5, 6, 50, 50);
    EXPECT_EQ(anim->Width(), 50);
}

TEST_F(GIFCtrlTest, FrameDelaysAreClampedForTheTimer) {
    Set({{0, 0, 4, 4, Red, 0, 0}, {0, 0, 4, 4, Blue, 0, 60000}, {0, 0, 4, 4, Green, 0, 120}});
    EXPECT_EQ(anim->FrameDelay(0), 50u);
    EXPECT_EQ(anim->FrameDelay(1), 10000u);
    EXPECT_EQ(anim->FrameDelay(2), 120u);
    EXPECT_EQ(anim->FrameDelay(3), 0u);
    EXPECT_EQ(anim->FrameDelay(-1), 0u);

    anim->SetFrameIndex(1);
    EXPECT_EQ(anim->Timer()->Interval(), 10000u);
    anim->SetFrameIndex(3);
    anim->SetFrameIndex(-1);
    anim->SetFrameIndex(1);
    EXPECT_EQ(anim->FrameIndex(), 1);
    EXPECT_EQ(events, std::vector<std::string>{"frame 1"});

    Set({{0, 0, 4, 4, Red, 0, 500}});
    EXPECT_EQ(anim->FrameDelay(0), 0u);  // one frame: no stepping
}

TEST_F(GIFCtrlTest, WithoutLoopItStopsOnTheFirstFrameAfterOnePass) {
    Set({{0, 0, 4, 4, Red}, {0, 0, 4, 4, Blue}, {0, 0, 4, 4, Green}});
    anim->SetLoop(false);
    anim->SetAnimate(true);
    EXPECT_TRUE(anim->Animate());
    for (int i = 0; i < 3; ++i) anim->TimerExpired(anim->Timer());
    EXPECT_FALSE(anim->Animate());
    EXPECT_EQ(anim->FrameIndex(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "frame 1", "frame 2", "frame 0", "stop"}));
    EXPECT_FALSE(anim->Timer()->OnTimer());
}

TEST_F(GIFCtrlTest, AOneFrameImageNeverSteps) {
    Set({{0, 0, 4, 4, Red}});
    anim->SetAnimate(true);
    anim->TimerExpired(anim->Timer());
    EXPECT_EQ(anim->FrameIndex(), 0);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    EXPECT_EQ(anim->Timer()->Interval(), 0u);
    EXPECT_TRUE(anim->Timer()->TimerThread()->Paused());  // an interval of 0 keeps the timer idle
}

TEST_F(GIFCtrlTest, TheTimerDrivesTheFramesInOrder) {
    Set({{0, 0, 4, 4, Red, 0, 10}, {0, 0, 4, 4, Blue, 0, 10}, {0, 0, 4, 4, Green, 0, 10}});
    form->Show();
    anim->SetAnimate(true);
    QElapsedTimer guard;
    guard.start();
    while (events.size() < 5 && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 5),
              (std::vector<std::string>{"start", "frame 1", "frame 2", "frame 0", "frame 1"}));
    anim->SetAnimate(false);
    EXPECT_EQ(events.back(), "stop");
}

TEST_F(GIFCtrlTest, FramesAreComposedOverThePreviousOnes) {
    // A full red frame, a blue square drawn over it, a green pixel over that.
    Set({{0, 0, 4, 4, Red}, {1, 1, 2, 2, Blue}, {0, 0, 1, 1, Green}});
    TColor tc = clNone;
    TBitmap* b = anim->FrameBitmap(0, tc);
    EXPECT_EQ(At(b, 2, 2), Red);
    b = anim->FrameBitmap(1, tc);
    EXPECT_EQ(At(b, 2, 2), Blue);
    EXPECT_EQ(At(b, 0, 3), Red);
    b = anim->FrameBitmap(2, tc);  // built on the cached frame 1
    EXPECT_EQ(anim->CacheIndex(), 2);
    EXPECT_EQ(At(b, 0, 0), Green);
    EXPECT_EQ(At(b, 2, 2), Blue);
    EXPECT_EQ(At(b, 3, 3), Red);
    // Out of order: composed from scratch, with the same result.
    b = anim->FrameBitmap(0, tc);
    b = anim->FrameBitmap(2, tc);
    EXPECT_EQ(At(b, 0, 0), Green);
    EXPECT_EQ(At(b, 2, 2), Blue);
}

TEST_F(GIFCtrlTest, DisposalToBackgroundAndToPrevious) {
    // Frame 1 is cleared to the background after it is shown.
    Set({{0, 0, 4, 4, Red}, {1, 1, 2, 2, Blue, 2}, {0, 0, 1, 1, Green}});
    TColor tc = clNone;
    anim->FrameBitmap(1, tc);
    TBitmap* b = anim->FrameBitmap(2, tc);  // incremental
    EXPECT_EQ(At(b, 0, 0), Green);
    EXPECT_EQ(At(b, 3, 3), Red);
    EXPECT_NE(At(b, 2, 2), Blue);
    const TColor background = At(b, 2, 2);
    b = anim->FrameBitmap(0, tc);
    b = anim->FrameBitmap(2, tc);  // from scratch
    EXPECT_EQ(At(b, 2, 2), background);

    // Frame 1 restores what was there before it: frame 2 is composed from scratch without it.
    Set({{0, 0, 4, 4, Red}, {1, 1, 2, 2, Blue, 3}, {0, 0, 1, 1, Green}});
    anim->FrameBitmap(1, tc);
    b = anim->FrameBitmap(2, tc);
    EXPECT_EQ(At(b, 2, 2), Red);
    EXPECT_EQ(At(b, 0, 0), Green);
}

TEST_F(GIFCtrlTest, TransparentPixelsLetEarlierFramesShow) {
    Set({{0, 0, 4, 4, Red}, {0, 0, 4, 4, Blue, 0, 100, Magenta}});
    TColor tc = clNone;
    TBitmap* b = anim->FrameBitmap(1, tc);
    EXPECT_EQ(At(b, 0, 0), Red);  // the second frame's transparent pixel
    EXPECT_EQ(At(b, 1, 1), Blue);
}

TEST_F(GIFCtrlTest, ARedTransparentColourHidesOnlyTheRedPixels) {
    Set({{0, 0, 4, 4, Green}, {0, 0, 4, 4, Blue, 0, 100, Red}});
    TColor tc = clNone;
    TBitmap* b = anim->FrameBitmap(1, tc);
    EXPECT_EQ(At(b, 0, 0), Green);  // the red key pixel lets the first frame show
    EXPECT_EQ(At(b, 1, 1), Blue);
    EXPECT_EQ(At(b, 3, 3), Blue);
}

TEST_F(GIFCtrlTest, PaintsPlacedStretchedOrCentred) {
    Set({{0, 0, 4, 4, Red}});
    form->SetColor(clWhite);
    anim->SetColor(clWhite);
    anim->SetAutoSize(false);
    anim->SetBounds(10, 10, 20, 20);
    form->Show();
    QImage shot = platform::forms::TFormHarness::Grab(anim);
    ASSERT_EQ(shot.width(), 20);
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0xFF0000u);  // Qt's RGB: red
    EXPECT_EQ(shot.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);

    anim->SetCenter(true);
    shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shot.pixel(9, 9) & 0xFFFFFF, 0xFF0000u);

    anim->SetStretch(true);
    shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shot.pixel(19, 19) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(GIFCtrlTest, TheParentShowsThroughTransparentPixels) {
    Set({{0, 0, 4, 4, Blue, 0, 100, Magenta}});
    form->SetColor(clLime);
    anim->SetColor(clWhite);
    anim->SetAutoSize(false);
    anim->SetBounds(10, 10, 8, 8);
    form->Show();
    QImage shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);  // the form under the transparent pixel
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(shot.pixel(6, 6) & 0xFFFFFF, 0x00FF00u);  // outside the picture

    anim->SetTransparent(false);
    shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);  // drawn as it is
}

TEST_F(GIFCtrlTest, GraphicControlsUnderneathShowThroughTransparentPixels) {
    Set({{0, 0, 8, 8, Blue, 0, 100, Red}});
    anim->Image()->Frames(0)->Bitmap()->Canvas()->SetPixel(7, 7, Red);
    form->SetColor(clLime);
    auto* shape = new TShape(form.get());
    shape->SetParent(form.get());
    shape->Brush()->SetColor(clYellow);
    shape->Pen()->SetColor(clYellow);
    shape->SetBounds(10, 10, 4, 4);
    anim->SetParent(nullptr);  // placed again, the picture lies above the shape
    anim->SetParent(form.get());
    anim->SetColor(clWhite);
    anim->SetAutoSize(false);
    anim->SetBounds(10, 10, 8, 8);
    form->Show();
    QImage shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0xFFFF00u);  // the shape under the transparent pixel
    EXPECT_EQ(shot.pixel(7, 7) & 0xFFFFFF, 0x00FF00u);  // the form beside the shape
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(GIFCtrlTest, AFrameThatCannotBeDrawnStopsTheAnimationOnce) {
    Set({{0, 0, 4, 4, Red, 0, 10}, {0, 0, 4, 4, Blue, 0, 10}});
    // The second frame claims a size no bitmap can have.
    QByteArray bytes;
    {
        TMemoryStream s;
        anim->Image()->SaveToStream(&s);
        bytes = s.Bytes();
    }
    const qsizetype second = bytes.indexOf(',', bytes.indexOf(',') + 1);
    ASSERT_GT(second, 0);
    bytes[second + 5] = char(0xFF), bytes[second + 6] = char(0xFF);  // width 65535
    bytes[second + 7] = char(0xFF), bytes[second + 8] = char(0xFF);  // height 65535
    TGIFImage broken;
    TMemoryStream in;
    in.WriteBuffer(bytes.constData(), bytes.size());
    in.SetPosition(0);
    broken.LoadFromStream(&in);
    anim->SetImage(&broken);
    form->Show();
    anim->SetAnimate(true);
    events.clear();
    int errors = 0;
    Application->OnException = [&](TObject*, const Exception&) { ++errors; };
    for (int tick = 0; tick < 5 && anim->Timer()->Enabled(); ++tick) {  // the ticks the timer gives
        try {
            anim->TimerExpired(anim->Timer());
        } catch (const Exception&) {
            ++errors;
        }
    }
    Application->OnException = nullptr;
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(anim->Animate());
    EXPECT_EQ(std::count(events.begin(), events.end(), std::string("stop")), 1);
    EXPECT_EQ(anim->FrameIndex(), 0);  // the last frame that could be drawn stays
    QImage shot = platform::forms::TFormHarness::Grab(anim);
    EXPECT_EQ(shot.pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(GIFCtrlTest, FreeingTheControlWhileItAnimates) {
    Set({{0, 0, 4, 4, Red, 0, 10}, {0, 0, 4, 4, Blue, 0, 10}});
    form->Show();
    anim->SetAnimate(true);
    QElapsedTimer guard;
    guard.start();
    while (events.size() < 3 && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    delete anim;
    anim = nullptr;
    const size_t seen = events.size();
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        CheckSynchronize(1);
    }
    EXPECT_EQ(events.size(), seen);
}

}  // namespace
