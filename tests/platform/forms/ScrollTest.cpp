// Forms on screens smaller than themselves: sized to the screen, their client area scrolls, and
// the control the keyboard goes to is scrolled into view. On a screen large enough nothing moves.
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/DosPantallas.h"

#include <QRect>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

class ScrollTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TForm>(nullptr); }
    template <class T>
    T* Add(TWinControl* parent, int left, int top, int width, int height) {
        auto* c = new T(form.get());
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // Whether the whole control is inside the part of the client area the user sees.
    bool InView(TControl* c) {
        const QPoint at = c->Widget()->mapTo(form->Widget(), QPoint(0, 0));
        return QRect(0, 0, form->ClientWidth(), form->ClientHeight()).contains(QRect(at, c->Widget()->size()));
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
};

TEST_F(ScrollTest, AFormLargerThanItsScreenFitsItAndScrollsTheControlTheKeyboardReaches) {
    const TRect area = Screen->WorkAreaRect();
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, area.Width() + 220, area.Height() + 150);
    auto* first = Add<TEdit>(form.get(), 8, 8, 120, 21);
    auto* last = Add<TEdit>(form.get(), area.Width() + 60, area.Height() + 100, 120, 21);
    auto* ok = Add<TButton>(form.get(), area.Width() + 130, area.Height() + 120, 75, 25);
    form->Show();
    TFormHarness::ProcessEvents();

    // Frame and all on the screen, where every edge can be taken hold of.
    const QRect marco = form->Widget()->frameGeometry();
    EXPECT_TRUE(QRect(area.Left, area.Top, area.Width(), area.Height()).contains(marco))
        << marco.x() << "," << marco.y() << " " << marco.width() << "x" << marco.height();
    ASSERT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    ASSERT_TRUE(form->VertScrollBar()->IsScrollBarVisible());
    // The room it was designed with.
    EXPECT_EQ(form->HorzScrollBar()->Range(), area.Width() + 220);
    EXPECT_EQ(form->VertScrollBar()->Range(), area.Height() + 150);
    EXPECT_TRUE(InView(first));
    EXPECT_FALSE(InView(ok));

    // Tab from the first box goes round to the last ones, then back: each comes into view.
    form->CMDialogKey(VK_TAB, {});
    EXPECT_EQ(form->ActiveControl(), last);
    EXPECT_TRUE(InView(last));
    form->CMDialogKey(VK_TAB, {});
    EXPECT_EQ(form->ActiveControl(), ok);
    EXPECT_TRUE(InView(ok));
    form->CMDialogKey(VK_TAB, {});
    EXPECT_EQ(form->ActiveControl(), first);
    EXPECT_TRUE(InView(first));
    // Scrolled back just enough to show it whole.
    EXPECT_EQ(form->HorzScrollBar()->Position(), first->Left());
    EXPECT_EQ(form->VertScrollBar()->Position(), first->Top());
    // The controls keep their places on the form; only the view moves.
    EXPECT_EQ(ok->Left(), area.Width() + 130);
}

// A bar along the top with its buttons up to the right edge, and a footer: made to fit a
// narrower screen, the form keeps the layout it was designed with and scrolls to them.
TEST_F(ScrollTest, AFittedFormKeepsItsDesignedLayoutSoItsBarsButtonsStayWithinReach) {
    const TRect area = Screen->WorkAreaRect();
    const int ancho = area.Width() + 180;
    form->SetPosition(poScreenCenter);
    form->SetBounds(0, 0, ancho, 300);
    auto* barra = new TPanel(form.get());
    barra->SetParent(form.get());
    barra->SetHeight(30);
    barra->SetAlign(alTop);
    auto* salir = Add<TButton>(barra, ancho - 80, 3, 75, 25);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetAlign(alClient);
    form->Show();
    TFormHarness::ProcessEvents();
    EXPECT_LT(form->Width(), area.Width());
    EXPECT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(barra->Width(), ancho);
    EXPECT_EQ(memo->Width(), ancho);
    form->FocusControl(memo);
    EXPECT_FALSE(InView(salir));
    form->FocusControl(salir);
    EXPECT_TRUE(InView(salir));
}

// Sized by the user below its controls, a form scrolls to those placed by hand while what is
// aligned shrinks with it; back to its size it is as it was, without bars.
TEST_F(ScrollTest, ASizeableFormMadeSmallScrollsAndGrownBackHasNoBars) {
    form->SetBounds(20, 20, 500, 300);
    auto* pie = new TPanel(form.get());
    pie->SetParent(form.get());
    pie->SetHeight(40);
    pie->SetAlign(alBottom);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetAlign(alClient);
    auto* boton = Add<TButton>(form.get(), 400, 8, 75, 25);
    form->Show();
    TFormHarness::ProcessEvents();
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(form->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->ClientWidth(), 500);
    EXPECT_EQ(pie->Top(), 260);

    form->SetBounds(20, 20, 300, 200);
    EXPECT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(form->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->HorzScrollBar()->Range(), 475);
    EXPECT_EQ(pie->Top() + pie->Height(), form->ClientHeight());
    form->FocusControl(boton);
    EXPECT_TRUE(InView(boton));

    form->SetBounds(20, 20, 500, 300);
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(pie->Top(), 260);
    EXPECT_EQ(memo->Width(), 500);
    EXPECT_TRUE(InView(boton));
}

TEST_F(ScrollTest, WithoutAutoScrollTheClientAreaNeverScrolls) {
    form->SetBounds(0, 0, 200, 100);
    Add<TButton>(form.get(), 300, 200, 75, 25);
    // Laid out before it shows, at whatever size it starts with, it has no bars yet.
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->ClientWidth(), 200);
    form->Show();
    EXPECT_TRUE(form->AutoScroll());
    EXPECT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    form->SetAutoScroll(false);
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(form->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->ClientWidth(), 200);
}

}  // namespace
