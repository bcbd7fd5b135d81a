#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWindow>

using platform::forms::TFormHarness;

namespace {

void SendMouse(TControl* c, QEvent::Type type, int x, int y) {
    QWidget* w = c->Widget();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(x, y), QPointF(w->mapToGlobal(QPoint(x, y))), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
void Press(TControl* c, int x, int y) { SendMouse(c, QEvent::MouseButtonPress, x, y); }
void Move(TControl* c, int x, int y) { SendMouse(c, QEvent::MouseMove, x, y); }
void Release(TControl* c, int x, int y) { SendMouse(c, QEvent::MouseButtonRelease, x, y); }

std::unique_ptr<TBitmap> RedGlyph() {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(Rect(0, 0, 16, 16));
    b->Canvas()->Brush()->SetColor(clFuchsia);
    b->Canvas()->FillRect(Rect(0, 12, 4, 16));
    return b;
}

class SpeedButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
    }
    TZbSpeedButton* Place(int left, int top, int width = 25, int height = 25) {
        auto* b = new TZbSpeedButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, top, width, height);
        b->OnClick = [this](TObject*) { ++clicks; };
        return b;
    }
    TColor PixelOf(TControl* c, int x, int y) {
        const QImage image = TFormHarness::Grab(c);
        return platform::graphics::FromQRgb(image.pixel(x, y));
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    int clicks = 0;
};

TEST_F(SpeedButtonTest, PropertyLimits) {
    auto* b = Place(0, 0);
    EXPECT_EQ(b->Width(), 25);
    b->SetNumGlyphs(9);
    EXPECT_EQ(b->NumGlyphs(), 5);
    b->SetMargin(-2);
    EXPECT_EQ(b->Margin(), -1);
    b->SetMargin(3);
    b->SetMargin(-5);
    EXPECT_EQ(b->Margin(), 3);
    EXPECT_EQ(b->Spacing(), 1);
    EXPECT_EQ(b->Layout(), blGlyphTop);
    EXPECT_TRUE(b->ShowHint());
    EXPECT_FALSE(b->ParentShowHint());
}

TEST_F(SpeedButtonTest, DownNeedsAGroupAndAllUpRules) {
    auto* a = Place(0, 0);
    a->SetDown(true);
    EXPECT_FALSE(a->Down());
    auto* b = Place(30, 0);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), rbsExclusive);
    a->SetDown(false);  // no all-up: stays down
    EXPECT_TRUE(a->Down());
    b->SetDown(true);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), rbsUp);
    // All-up is shared with the group.
    a->SetAllowAllUp(true);
    EXPECT_TRUE(b->AllowAllUp());
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    // Another group is not touched.
    auto* c = Place(60, 0);
    c->SetGroupIndex(2);
    c->SetDown(true);
    a->SetDown(true);
    EXPECT_TRUE(c->Down());
}

TEST_F(SpeedButtonTest, ClicksOnlyOnReleaseInside) {
    auto* b = Place(10, 10);
    form->Show();
    TFormHarness::Click(b);
    EXPECT_EQ(clicks, 1);
    Press(b, 5, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(b->State(), rbsDown);
    Move(b, 40, 5);
    EXPECT_EQ(b->State(), rbsUp);
    Release(b, 40, 5);
    EXPECT_EQ(clicks, 1);
    Press(b, 5, 5);
    Move(b, 40, 5);
    Move(b, 6, 6);
    EXPECT_EQ(b->State(), rbsDown);
    Release(b, 6, 6);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(b->State(), rbsUp);
}

TEST_F(SpeedButtonTest, GroupedButtonToggles) {
    auto* a = Place(10, 10);
    auto* b = Place(40, 10);
    a->SetGroupIndex(3);
    b->SetGroupIndex(3);
    a->SetAllowAllUp(true);
    form->Show();
    TFormHarness::Click(a);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), rbsExclusive);
    TFormHarness::Click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    TFormHarness::Click(b);  // all up allowed
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(clicks, 3);
    // Released outside: Down stays as it was.
    Press(a, 3, 3);
    Release(a, 100, 100);
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks, 3);
}

TEST_F(SpeedButtonTest, AutoRepeatWaitsThenRepeatsWhileThePointerStaysOn) {
    auto* b = Place(10, 10);
    b->SetAllowTimer(true);
    form->Show();
    Press(b, 5, 5);
    TTimer* timer = b->RepeatTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 500u);
    EXPECT_EQ(clicks, 0);
    timer->Timer();  // the initial pause is over
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(timer->Interval(), 100u);
    timer->Timer();
    timer->Timer();
    EXPECT_EQ(clicks, 3);
    Move(b, 60, 5);  // off the button: no more clicks
    timer->Timer();
    EXPECT_EQ(clicks, 3);
    Move(b, 5, 5);
    timer->Timer();
    EXPECT_EQ(clicks, 4);
    Release(b, 5, 5);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(clicks, 5);  // the release itself
    // The next press starts with the initial pause again.
    Press(b, 5, 5);
    EXPECT_EQ(b->RepeatTimer()->Interval(), 500u);
    Release(b, 5, 5);
    b->SetAllowTimer(false);
    EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST_F(SpeedButtonTest, AutoRepeatReportsAFailingClickAndGoesOn) {
    auto* b = Place(10, 10);
    b->SetAllowTimer(true);
    b->OnClick = [this](TObject*) {
        ++clicks;
        throw EConvertError(QStringLiteral("mal"));
    };
    form->Show();
    Press(b, 5, 5);
    b->RepeatTimer()->Timer();
    b->RepeatTimer()->Timer();
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(harness.Exceptions().size(), 2u);
    EXPECT_EQ(harness.Exceptions()[0].Message, QStringLiteral("mal"));
    EXPECT_TRUE(b->RepeatTimer()->Enabled());
}

TEST_F(SpeedButtonTest, DropDownMenuPopsUpAndTheButtonComesUpWithoutClick) {
    auto* b = Place(10, 10, 40, 25);
    auto* menu = new TPopupMenu(form.get());
    b->SetDropDownMenu(menu);
    form->Show();
    Press(b, 5, 5);
    EXPECT_EQ(menu->PopupCount(), 1);
    EXPECT_EQ(menu->PopupComponent(), b);
    EXPECT_EQ(b->State(), rbsUp);
    // A menu closed with Esc hands no release back: the button must not keep the mouse, or
    // the next click anywhere in the window would land on it and open the menu again.
    EXPECT_FALSE(b->MouseCapture());
    EXPECT_NE(QWidget::mouseGrabber(), b->Widget());
    Release(b, 5, 5);
    // Nor may it keep its hover look: the pointer may leave while nothing tells the button.
    const QPoint pointer = QCursor::pos();
    QApplication::setActiveWindow(form->Widget());
    QCursor::setPos(b->Widget()->mapToGlobal(QPoint(5, 5)));
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos()), b->Widget());
    Press(b, 5, 5);
    EXPECT_FALSE(b->MouseInControl());
    Release(b, 5, 5);
    QCursor::setPos(pointer);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->State(), rbsUp);
    // The program click does nothing with an automatic menu attached.
    b->ButtonClick();
    EXPECT_EQ(clicks, 0);
    // Without automatic popup the button is a plain button.
    menu->SetAutoPopup(false);
    TFormHarness::Click(b);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(menu->PopupCount(), 2);
    // A freed menu is forgotten.
    delete menu;
    EXPECT_EQ(b->DropDownMenu(), nullptr);
}

TEST_F(SpeedButtonTest, ASecondClickWhileTheMenuIsOpenOnlyClosesIt) {
    auto* b = Place(10, 10, 40, 25);
    auto* menu = new TPopupMenu(form.get());
    b->SetDropDownMenu(menu);
    form->Show();
    // While the menu is open the user clicks the button again: the press waits in the queue,
    // both on the button and as the press the window system hands back to the form's window.
    auto postClick = [b](QObject* receiver, QPoint at) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QCoreApplication::postEvent(receiver, new QMouseEvent(type, QPointF(at), QPointF(b->Widget()->mapToGlobal(QPoint(5, 5))),
                                                                  Qt::LeftButton, held, Qt::NoModifier));
        }
    };
    const QPoint pointer = QCursor::pos();
    menu->OnPopup = [&](TObject*) {
        postClick(b->Widget(), QPoint(5, 5));
        if (QWindow* window = form->Widget()->windowHandle()) {
            QCursor::setPos(b->Widget()->mapToGlobal(QPoint(5, 5)));
            postClick(window, b->Widget()->mapTo(form->Widget(), QPoint(5, 5)));
        }
    };
    Press(b, 5, 5);
    Release(b, 5, 5);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(menu->PopupCount(), 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->State(), rbsUp);
    // A click that comes once the menu is closed opens it again.
    menu->OnPopup = nullptr;
    postClick(b->Widget(), QPoint(5, 5));
    TFormHarness::ProcessEvents();
    EXPECT_EQ(menu->PopupCount(), 2);
    QCursor::setPos(pointer);
}

TEST_F(SpeedButtonTest, ProgramClickAndModalResult) {
    auto* b = Place(10, 10);
    b->SetModalResult(mrOk);
    b->ButtonClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ModalResult(), mrOk);
    EXPECT_EQ(b->State(), rbsUp);
    b->SetGroupIndex(5);
    b->SetAllowAllUp(true);
    b->ButtonClick();
    EXPECT_TRUE(b->Down());
    b->SetEnabled(false);
    b->ButtonClick();
    EXPECT_EQ(clicks, 2);
}

TEST_F(SpeedButtonTest, AcceleratorClicks) {
    auto* b = Place(10, 10);
    b->SetCaption(QStringLiteral("&Buscar"));
    EXPECT_TRUE(b->CMDialogChar(u'b'));
    EXPECT_FALSE(b->CMDialogChar(u'x'));
    EXPECT_EQ(clicks, 1);
}

TEST_F(SpeedButtonTest, PaintedFrameAndGlyph) {
    auto* b = Place(10, 10, 24, 23);
    auto glyph = RedGlyph();
    b->SetGlyph(glyph.get());
    form->Show();
    // Raised frame; glyph centred: (24 - 6 inner) ... glyph at x = 3 + (18 / 2 - 8) = 4.
    EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelOf(b, 23, 22), ColorToRGB(clWindowFrame));
    EXPECT_EQ(PixelOf(b, 12, 11), clRed);
    EXPECT_EQ(PixelOf(b, 5, 18), ColorToRGB(clBtnFace));  // transparent corner of the glyph
    // Disabled: the one-image glyph is embossed, no red left.
    b->SetEnabled(false);
    EXPECT_EQ(b->State(), rbsUp);
    const QImage disabled = TFormHarness::Grab(b);
    EXPECT_EQ(b->State(), rbsDisabled);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_NE(platform::graphics::FromQRgb(disabled.pixel(x, y)), clRed);
}

TEST_F(SpeedButtonTest, FlatIdleButtonIsGrayWithoutFrame) {
    auto* b = Place(10, 10, 24, 23);
    auto glyph = RedGlyph();
    b->SetGlyph(glyph.get());
    b->SetFlat(true);
    form->Show();
    EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelOf(b, 23, 22), ColorToRGB(clBtnFace));
    const int gray = (77 * 255) >> 8;
    EXPECT_EQ(PixelOf(b, 12, 11), RGB(gray, gray, gray));
    b->SetGrayedInactive(false);
    EXPECT_EQ(PixelOf(b, 12, 11), clRed);
}

TEST_F(SpeedButtonTest, ExclusiveStateShowsThePatternAndIsPushedIn) {
    auto* b = Place(10, 10, 24, 23);
    b->SetGroupIndex(1);
    b->SetDown(true);
    form->Show();
    EXPECT_EQ(PixelOf(b, 0, 0), ColorToRGB(clWindowFrame));
    // Inside the frame the checkered face / highlight pattern.
    const TColor p1 = PixelOf(b, 4, 4), p2 = PixelOf(b, 5, 4);
    EXPECT_NE(p1, p2);
    EXPECT_TRUE(p1 == ColorToRGB(clBtnHighlight) || p1 == ColorToRGB(clBtnFace));
    EXPECT_TRUE(p2 == ColorToRGB(clBtnHighlight) || p2 == ColorToRGB(clBtnFace));
}

TEST_F(SpeedButtonTest, MouseEnterAndLeaveAreReportedOnce) {
    auto* b = Place(10, 10);
    b->SetFlat(true);
    int enters = 0, leaves = 0;
    b->OnMouseEnter = [&](TObject*) { ++enters; };
    b->OnMouseLeave = [&](TObject*) { ++leaves; };
    form->Show();
    // Tracking needs one of our windows active; the window system may activate it late.
    QApplication::setActiveWindow(form->Widget());
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(IsForegroundTask());
    b->CMMouseEnter();
    b->CMMouseEnter();
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(b->MouseInControl());
    b->CMMouseLeave();
    b->CMMouseLeave();
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(b->MouseInControl());
}

}  // namespace
