// The combo-edit popup protocol: placement on the screen, accept and cancel, the button, keys,
// focus, read-only and the minimum height.
#include "controls/edit/ToolEdit.h"
#include "platform/forms/FormHarness.h"
#include "tests/support/DosPantallas.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

// A popup of a given size that hands back a fixed text.
class TTestPopup : public TPopupWindow {
public:
    explicit TTestPopup(TWinControl* owner) : TPopupWindow(owner) { SetBounds(0, 0, 200, 150); }
    Variant GetValue() override { return Variant(Value); }
    void SetValue(const Variant& v) override { Received = v.IsNullOrEmpty() ? QStringLiteral("<null>") : v.AsString(); }
    QString Value = QStringLiteral("elegido");
    QString Received;
};

class TTestCombo : public TCustomComboEdit {
public:
    explicit TTestCombo(TComponent* owner) : TCustomComboEdit(owner) {
        auto* p = new TTestPopup(this);
        p->OnCloseUp = [this](TObject* s, bool a) { CloseUpPopup(s, a); };
        SetPopup(p);
    }
    TTestPopup* TestPopup() const { return static_cast<TTestPopup*>(Popup()); }
};

class ComboEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(0, 0, 400, 300);
        edit = new TTestCombo(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 120, 21);
        ok = new TButton(form);
        ok->SetParent(form);
        ok->SetBounds(200, 200, 75, 25);
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        ok->OnClick = [this](TObject*) { ++okClicks; };
        form->Show();
        TFormHarness::Focus(edit);
    }
    void TearDown() override { delete form; }
    void PlaceForm(int x, int y) {
        form->SetBounds(x, y, form->Width(), form->Height());
        TFormHarness::ProcessEvents();
    }
    TFormHarness harness;
    TForm* form = nullptr;
    TTestCombo* edit = nullptr;
    TEdit* other = nullptr;
    TButton* ok = nullptr;
    int okClicks = 0;
};

TEST_F(ComboEditTest, OpensBelowRightAligned) {
    PlaceForm(300, 100);
    edit->DropDown(false);
    ASSERT_TRUE(edit->PopupVisible());
    const TPoint p = edit->ClientToScreen(Point(0, 0));
    TTestPopup* pop = edit->TestPopup();
    EXPECT_EQ(pop->Top(), p.Y + edit->Height());
    EXPECT_EQ(pop->Left(), p.X - (pop->Width() - edit->Width()));
    EXPECT_EQ(pop->Received, "<null>");  // an empty text hands over Null
}

TEST_F(ComboEditTest, FallsBackToLeftAlignmentAndAboveAndStaysOnScreen) {
    PlaceForm(0, Screen->Height() - 120);
    edit->SetText(QStringLiteral("abc"));
    edit->DropDown(false);
    const TPoint p = edit->ClientToScreen(Point(0, 0));
    TTestPopup* pop = edit->TestPopup();
    EXPECT_EQ(pop->Top(), p.Y - pop->Height());  // no room below
    EXPECT_EQ(pop->Left(), std::max(0, p.X));     // right alignment would start left of the screen
    EXPECT_EQ(pop->Received, "abc");
    edit->CloseUpPopup(pop, false);
    edit->SetPopupAlign(epaLeft);
    PlaceForm(Screen->Width() - 150, 100);
    edit->DropDown(false);
    EXPECT_LE(pop->Left() + pop->Width(), Screen->Width());
    EXPECT_GE(pop->Left(), 0);
}

TEST_F(ComboEditTest, OnASecondMonitorThePopupKeepsToItsEdges) {
    using namespace zbtest;
    // The two monitors are the offscreen platform's; a real display run has its own.
    if (QGuiApplication::screens().size() < 2) GTEST_SKIP() << "one monitor on this display";
    // Near its right edge: the popup turns left onto that monitor, not onto the main one.
    edit->SetPopupAlign(epaLeft);
    PlaceForm(SegundaIzquierda + SegundaAncho - 150, 100);
    edit->DropDown(false);
    TTestPopup* pop = edit->TestPopup();
    const TPoint p = edit->ClientToScreen(Point(0, 0));
    EXPECT_EQ(pop->Left(), p.X - (pop->Width() - edit->Width()));
    EXPECT_GE(pop->Left(), SegundaIzquierda);
    EXPECT_LE(pop->Left() + pop->Width(), SegundaIzquierda + SegundaAncho);
    edit->CloseUpPopup(pop, false);
    // Near its bottom, which is above the main one's: it opens upwards.
    PlaceForm(SegundaIzquierda + 20, SegundaArriba + SegundaAlto - 120);
    edit->DropDown(false);
    const TPoint q = edit->ClientToScreen(Point(0, 0));
    EXPECT_EQ(pop->Top(), q.Y - pop->Height());
    EXPECT_GE(pop->Left(), SegundaIzquierda);
}

TEST_F(ComboEditTest, EnterAcceptsEscCancels) {
    edit->DropDown(true);
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(okClicks, 0);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->DropDown(true);
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "elegido");
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(okClicks, 0);  // the popup took the Enter
}

TEST_F(ComboEditTest, EnterWithoutPopupPressesTheDefaultButton) {
    edit->SetText(QStringLiteral("hola"));
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(edit->Text(), "hola");
}

TEST_F(ComboEditTest, ButtonOpensAndAcceptsWithoutReopening) {
    int clicks = 0;
    edit->OnButtonClick = [&](TObject*) { ++clicks; };
    TFormHarness::Click(edit->Button());
    EXPECT_TRUE(edit->PopupVisible());
    EXPECT_EQ(clicks, 1);
    TFormHarness::Click(edit->Button());  // pressing it while open accepts
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "elegido");
    EXPECT_EQ(clicks, 1);  // the click that follows the closing press is skipped
}

TEST_F(ComboEditTest, ClickKeyOpensAndFocusLossCancels) {
    edit->SetText(QStringLiteral("antes"));
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    EXPECT_TRUE(edit->PopupVisible());
    TFormHarness::Focus(other);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "antes");
}

TEST_F(ComboEditTest, ClickElsewhereOrReleaseOutsideCancels) {
    edit->DropDown(false);
    TFormHarness::ClickAt(ok, 2, 2);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "");
    edit->DropDown(false);
    TFormHarness::ClickAt(edit->TestPopup(), 10, 10);  // released inside: accepted
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "elegido");
}

TEST_F(ComboEditTest, ReadOnlyRefusesButtonKeyAndDropDown) {
    edit->SetReadOnly(true);
    TFormHarness::Click(edit->Button());
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    edit->DropDown(true);
    EXPECT_FALSE(edit->PopupVisible());
    TFormHarness::Type(edit, QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), "");
    edit->SetAlwaysEnableButton(true);
    int clicks = 0;
    edit->OnButtonClick = [&](TObject*) { ++clicks; };
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(edit->PopupVisible());  // DropDown still refuses
}

TEST_F(ComboEditTest, LockedTextWhileOpenAndDirectInput) {
    edit->DropDown(true);
    EXPECT_TRUE(edit->LineEdit()->isReadOnly());
    edit->CloseUpPopup(edit->Popup(), false);
    EXPECT_FALSE(edit->LineEdit()->isReadOnly());
    edit->SetDirectInput(false);
    TFormHarness::Type(edit, QStringLiteral("abc"));
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(ComboEditTest, ZeroButtonWidthHidesButtonAndDisablesClickKey) {
    edit->SetButtonWidth(0);
    EXPECT_FALSE(edit->ButtonContainer()->Visible());
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    EXPECT_FALSE(edit->PopupVisible());
}

TEST_F(ComboEditTest, HeightBelowMinimumIsRaised) {
    edit->SetHeight(5);
    EXPECT_EQ(edit->Height(), edit->MinEditHeight());
    EXPECT_GT(edit->MinEditHeight(), 10);
    EXPECT_EQ(edit->ButtonContainer()->Height(), edit->Height() - 4);
}

}  // namespace
