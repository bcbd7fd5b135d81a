#include "controls/visual/ZBCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include "controls/visual/BitmapHelpers.h"

#include <QApplication>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class ZbLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
        label = new TZbLabel(form.get());
        label->SetParent(form.get());
        label->SetLeft(100);
        label->SetTop(20);
    }
    // The text's own extent as the label measures it.
    TSize Extent(const QString& text) {
        TCanvas c;
        c.SetFont(label->Font());
        TRect r;
        c.DrawText(text, r, DT_CALCRECT | DT_EXPANDTABS);
        return {r.Right, r.Bottom};
    }
    int Count(const QImage& image, TColor color) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (platform::graphics::FromQRgb(image.pixel(x, y)) == color) ++n;
        return n;
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TZbLabel* label = nullptr;
};

TEST_F(ZbLabelTest, Defaults) {
    TZbLabel fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 65);
    EXPECT_EQ(fresh.Height(), 17);
    // Placed on the form it takes the form's font and sizes itself to it.
    EXPECT_EQ(label->Height(), Extent(QStringLiteral(" ")).cy);
    EXPECT_TRUE(label->AutoSize());
    EXPECT_EQ(label->ShadowColor(), clBtnHighlight);
    EXPECT_EQ(label->ShadowSize(), 1);
    EXPECT_EQ(label->ShadowPos(), spLeftTop);
    EXPECT_FALSE(label->Transparent());
    label->SetTransparent(true);
    EXPECT_TRUE(label->Transparent());
}

TEST_F(ZbLabelTest, SizeFollowsTextAndShadow) {
    const QString text = QStringLiteral("Año judicial");
    const TSize e = Extent(text);
    label->SetCaption(text);
    // A shadow up and left lies inside the margin: one pixel each side only.
    EXPECT_EQ(label->Width(), e.cx + 2);
    EXPECT_EQ(label->Height(), e.cy);
    label->SetShadowPos(spRightBottom);
    label->SetShadowSize(3);
    EXPECT_EQ(label->Width(), e.cx + 2 + 3);
    EXPECT_EQ(label->Height(), e.cy + 3);
    EXPECT_EQ(label->Left(), 100);
    EXPECT_EQ(label->Top(), 20);
    // An empty caption is measured as a blank.
    label->SetCaption(QString());
    EXPECT_EQ(label->Width(), Extent(QStringLiteral(" ")).cx + 2 + 3);
    // Without AutoSize the size stays.
    label->SetAutoSize(false);
    label->SetCaption(QStringLiteral("Un texto bastante más largo"));
    EXPECT_EQ(label->Width(), Extent(QStringLiteral(" ")).cx + 5);
}

TEST_F(ZbLabelTest, RightAlignedLabelKeepsItsRightEdge) {
    label->SetAlignment(taRightJustify);
    label->SetCaption(QStringLiteral("Cliente"));
    const int right = label->Left() + label->Width();
    label->SetCaption(QStringLiteral("Cliente principal"));
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_LT(label->Left(), 100);
}

TEST_F(ZbLabelTest, AcceleratorFocusesTheControl) {
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 60, 100, 21);
    label->SetCaption(QStringLiteral("&Nombre"));
    label->SetFocusControl(edit);
    form->Show();
    EXPECT_FALSE(label->CMDialogChar(u'x'));
    EXPECT_TRUE(label->CMDialogChar(u'n'));
    EXPECT_EQ(TFormHarness::Focused(), edit);
    label->SetShowAccelChar(false);
    EXPECT_FALSE(label->CMDialogChar(u'n'));
    // The control going away is forgotten.
    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
    label->SetShowAccelChar(true);
    EXPECT_FALSE(label->CMDialogChar(u'n'));
}

TEST_F(ZbLabelTest, ShadowIsPaintedOffsetAndDisabledLabelIsEmbossed) {
    label->SetParentColor(false);
    label->SetColor(clWhite);
    label->Font()->SetColor(clBlack);
    label->SetShadowColor(clRed);
    label->SetShadowPos(spRightBottom);
    label->SetShadowSize(2);
    label->SetCaption(QStringLiteral("MMM"));
    form->Show();
    QImage image = TFormHarness::Grab(label);
    EXPECT_GT(Count(image, clBlack), 0);
    EXPECT_GT(Count(image, clRed), 0);
    // The shadow of the rightmost column of ink lies two pixels to its right.
    int rightInk = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (platform::graphics::FromQRgb(image.pixel(x, y)) == clBlack) rightInk = std::max(rightInk, x);
    int rightShadow = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (platform::graphics::FromQRgb(image.pixel(x, y)) == clRed) rightShadow = std::max(rightShadow, x);
    EXPECT_EQ(rightShadow, rightInk + 2);
    label->SetEnabled(false);
    image = TFormHarness::Grab(label);
    EXPECT_EQ(Count(image, clBlack), 0);
    EXPECT_EQ(Count(image, clRed), 0);
    EXPECT_GT(Count(image, ColorToRGB(clGrayText)), 0);
}

TEST_F(ZbLabelTest, MouseLeaveWhilePressedKeepsTheFlag) {
    int enters = 0, leaves = 0;
    label->OnMouseEnter = [&](TObject*) { ++enters; };
    label->OnMouseLeave = [&](TObject*) { ++leaves; };
    form->Show();
    // Under load the window system may activate the form late; tracking needs it active.
    QApplication::setActiveWindow(form->Widget());
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(IsForegroundTask());
    label->CMMouseEnter();
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(label->MouseInControl());
    TFormHarness::ClickAt(label, 2, 2);  // press and release: the flag is worked out again
    label->CMMouseEnter();
    EXPECT_TRUE(label->MouseInControl());
    label->CMMouseLeave();
    EXPECT_FALSE(label->MouseInControl());
    EXPECT_GE(leaves, 1);
}

}  // namespace
