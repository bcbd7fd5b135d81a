// Number, currency and calculator edits: keystroke filter, clamping, display and edit texts,
// paste, range errors on exit and the popup calculator.
#include "controls/edit/CurrEdit.h"
#include "controls/edit/ZbCalc.h"
#include "platform/forms/Beep.h"
#include "platform/forms/FormHarness.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/rtl/SysUtils.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class NumEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(100, 100, 400, 300);
        edit = new TCurrencyEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 120, 21);
        form->Show();
        TFormHarness::Focus(edit);
    }
    void TearDown() override { delete form; }
    TFormHarness harness;
    TForm* form = nullptr;
    TCurrencyEdit* edit = nullptr;
    TEdit* other = nullptr;
};

TEST(NumTextTest, ValueTextFromSpanishNumbers) {
    EXPECT_EQ(TextToValText(QStringLiteral(" 1.234,5 ")), "1234,5");
    EXPECT_EQ(TextToValText(QString()), "0");
    EXPECT_EQ(TextToValText(QStringLiteral("-")), "-0");
    EXPECT_EQ(FormatFloatStr(QStringLiteral("-1234567,89"), true), "-1.234.567,89");
    EXPECT_EQ(FormatFloatStr(QStringLiteral("123"), true), "123");
    EXPECT_EQ(FormatFloatStr(QStringLiteral("1234E5"), false), "1234E5");
    double v = 0;
    EXPECT_TRUE(IsValidFloat(QStringLiteral("-12,5"), v));
    EXPECT_DOUBLE_EQ(v, -12.5);
    EXPECT_FALSE(IsValidFloat(QStringLiteral("12a"), v));
}

TEST_F(NumEditTest, CurrencyEditHasNoButtonAndAEuroFormat) {
    EXPECT_EQ(edit->ButtonWidth(), 0);
    EXPECT_FALSE(edit->ButtonContainer()->Visible());
    EXPECT_EQ(edit->DisplayFormat(), ",0.00 €;-,0.00 €");
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    EXPECT_FALSE(edit->PopupVisible());
    edit->SetValue(1234.5);
    EXPECT_EQ(edit->GetDisplayText(), "1.234,50 €");
    edit->SetValue(-3);
    EXPECT_EQ(edit->GetDisplayText(), "-3,00 €");
}

TEST_F(NumEditTest, DecimalKeyAndDecimalPlaces) {
    TFormHarness::Type(edit, QStringLiteral("12.34"));
    EXPECT_EQ(edit->Text(), "12,34");
    const int beeps = platform::forms::BeepCount();
    TFormHarness::Type(edit, QStringLiteral("5"));
    EXPECT_EQ(edit->Text(), "12,34");
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
    edit->SetText(QString());
    edit->SetDecimalPlaces(0);
    TFormHarness::Type(edit, QStringLiteral("7,"));
    EXPECT_EQ(edit->Text(), "7");
    TFormHarness::Type(edit, QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), "7");
}

TEST_F(NumEditTest, LimitsClampAndRefuseTheSign) {
    edit->SetMinValue(0);
    edit->SetMaxValue(100);
    TFormHarness::Type(edit, QStringLiteral("-"));
    EXPECT_EQ(edit->Text(), "");
    edit->SetValue(150);
    EXPECT_EQ(edit->Value(), 100);
    edit->SetText(QStringLiteral("-5"));
    EXPECT_EQ(edit->Value(), 0);
    edit->SetMaxValue(0);
    edit->SetMinValue(10);  // only the lower limit
    edit->SetValue(5);
    EXPECT_EQ(edit->Value(), 10);
    edit->SetValue(5000);
    EXPECT_EQ(edit->Value(), 5000);
    EXPECT_THROW(edit->SetText(QStringLiteral("abc")), EConvertError);
}

TEST_F(NumEditTest, OnlyAnUpperLimit) {
    // A zero lower limit above a negative upper one leaves only the upper limit.
    edit->SetMaxValue(-10);
    edit->SetValue(-50);
    EXPECT_EQ(edit->Value(), -50);
    edit->SetValue(5);
    EXPECT_EQ(edit->Value(), -10);
    edit->SetText(QString());
    EXPECT_EQ(edit->Text(), "-10");  // an empty text reads as 0, above the limit
    edit->LineEdit()->selectAll();
    TFormHarness::Type(edit, QStringLiteral("-25"));
    EXPECT_EQ(edit->Text(), "-25");  // the sign is allowed below a negative limit
    EXPECT_EQ(edit->Value(), -25);
    edit->SetCheckOnExit(true);
    edit->LineEdit()->selectAll();
    TFormHarness::Type(edit, QStringLiteral("3"));
    TFormHarness::Focus(other);
    EXPECT_TRUE(edit->Focused());
    ASSERT_FALSE(harness.Exceptions().empty());
    EXPECT_EQ(harness.Exceptions().back().Message, "Value must be between 0,00 and -10,00");
    // Both limits set and crossed: none applies.
    edit->SetCheckOnExit(false);
    edit->SetMinValue(5);
    edit->SetValue(50);
    EXPECT_EQ(edit->Value(), 50);
    edit->SetValue(-50);
    EXPECT_EQ(edit->Value(), -50);
}

TEST_F(NumEditTest, ReadingATextThatIsNoNumberRefusesIt) {
    edit->SetValue(7);
    edit->LineEdit()->selectAll();
    // "15", an exponent typed inside it, then the exponent's digit deleted: the filter sees no deletion.
    TFormHarness::Type(edit, QStringLiteral("15"));
    TFormHarness::PressKey(edit, VK_LEFT);
    TFormHarness::Type(edit, QStringLiteral("e"));
    TFormHarness::PressKey(edit, VK_END);
    TFormHarness::PressKey(edit, VK_BACK);
    ASSERT_EQ(edit->Text(), "1e");
    TFormHarness::Focus(other);  // leaving refuses it
    EXPECT_TRUE(edit->Focused());
    ASSERT_FALSE(harness.Exceptions().empty());
    EXPECT_EQ(harness.Exceptions().back().ClassName, "EConvertError");
    // Reading the value refuses it the same way instead of turning it into the lower limit.
    edit->LineEdit()->deselect();
    EXPECT_THROW(edit->Value(), EConvertError);
    EXPECT_EQ(edit->Text(), "1e");
    EXPECT_EQ(edit->LineEdit()->selectedText(), "1e");
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->PaintedText(), "7,00 €");  // painting shows the last good value meanwhile
    TFormHarness::PressKey(edit, VK_BACK);
    TFormHarness::Type(edit, QStringLiteral("42"));
    EXPECT_EQ(edit->Value(), 42);
}

TEST_F(NumEditTest, OutOfRangeOnExitRaisesAndKeepsTheFocus) {
    edit->SetMinValue(0);
    edit->SetMaxValue(100);
    edit->SetCheckOnExit(true);
    TFormHarness::Type(edit, QStringLiteral("150"));
    TFormHarness::Focus(other);
    EXPECT_TRUE(edit->Focused());
    ASSERT_FALSE(harness.Exceptions().empty());
    EXPECT_EQ(harness.Exceptions().back().ClassName, "ERangeError");
    EXPECT_EQ(harness.Exceptions().back().Message, "Value must be between 0,00 and 100,00");
    try {
        edit->CheckValue(150, true);
        FAIL();
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), "Value must be between 0,00 and 100,00");
    }
}

TEST_F(NumEditTest, EditAndDisplayModes) {
    edit->SetValue(1234.5);
    EXPECT_TRUE(edit->InEditMode());
    EXPECT_EQ(edit->Text(), "1234,5");  // plain digits while focused
    TFormHarness::Focus(other);
    EXPECT_FALSE(edit->InEditMode());
    EXPECT_EQ(edit->PaintedText(), "1.234,50 €");
    edit->SetValue(0);
    EXPECT_EQ(edit->Text(), "");  // zero edits as empty
    edit->SetZeroEmpty(false);
    EXPECT_EQ(edit->Text(), "0");
    edit->SetText(QString());
    EXPECT_EQ(edit->Value(), 0);
}

TEST_F(NumEditTest, EscRestoresTheValue) {
    edit->SetValue(42);
    TFormHarness::Type(edit, QStringLiteral("9"));
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_EQ(edit->Text(), "42");
}

TEST_F(NumEditTest, PasteReadsBothSeparatorsAndUndoesGarbage) {
    edit->SetText(QString());
    Clipboard()->SetAsText(QStringLiteral("1.234,56"));
    TFormHarness::PressKey(edit, 'V', ssCtrl);
    EXPECT_DOUBLE_EQ(edit->Value(), 1234.56);
    edit->SetValue(7);
    edit->LineEdit()->selectAll();
    Clipboard()->SetAsText(QStringLiteral("doce"));
    const int beeps = platform::forms::BeepCount();
    TFormHarness::PressKey(edit, 'V', ssCtrl);
    EXPECT_EQ(edit->Text(), "7");
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
}

// Amounts copied from other programs: a point that cannot be a thousands mark is the decimals'.
TEST_F(NumEditTest, APastedAmountWithADecimalPointKeepsItsDecimals) {
    const std::pair<const char*, double> casos[] = {{"1234.56", 1234.56}, {"12.5", 12.5},  {"-0.75", -0.75},
                                                    {"1.234", 1234},      {"1.234.567", 1234567}, {"1.234,56", 1234.56},
                                                    {"1234", 1234}};
    for (const auto& [texto, valor] : casos) {
        edit->SetText(QString());
        Clipboard()->SetAsText(QString::fromLatin1(texto));
        TFormHarness::PressKey(edit, 'V', ssCtrl);
        EXPECT_DOUBLE_EQ(edit->Value(), valor) << texto;
    }
}

TEST_F(NumEditTest, FormatOnEditingInsertsThousands) {
    edit->SetFormatOnEditing(true);
    TFormHarness::Type(edit, QStringLiteral("1234567"));
    EXPECT_EQ(edit->Text(), "1.234.567");
    EXPECT_EQ(edit->Value(), 1234567);
}

class CalcEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(100, 100, 400, 300);
        edit = new TZbCalcEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 21);
        form->Show();
        TFormHarness::Focus(edit);
    }
    void TearDown() override { delete form; }
    TFormHarness harness;
    TForm* form = nullptr;
    TZbCalcEdit* edit = nullptr;
};

TEST_F(CalcEditTest, KeysDriveThePopupAndTheResultIsAccepted) {
    EXPECT_EQ(edit->ButtonWidth(), 20);
    edit->SetValue(12);
    TFormHarness::Click(edit->Button());
    ASSERT_TRUE(edit->PopupVisible());
    auto* pop = static_cast<TPopupCalculator*>(edit->Popup());
    EXPECT_EQ(pop->CalcPanel()->Text(), "12");
    TFormHarness::Type(edit, QStringLiteral("*3"));
    EXPECT_EQ(edit->PaintedText(), "3");  // the edit shows the calculator's display
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Value(), 36);
}

TEST_F(CalcEditTest, ClearKeyAndEscape) {
    edit->SetValue(5);
    TFormHarness::Click(edit->Button());
    TFormHarness::Type(edit, QStringLiteral("9c"));
    auto* pop = static_cast<TPopupCalculator*>(edit->Popup());
    EXPECT_EQ(pop->CalcPanel()->Text(), "0");
    EXPECT_TRUE(edit->PopupVisible());
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Value(), 5);
}

TEST_F(CalcEditTest, AcceptingAnErrorGivesZero) {
    edit->SetValue(5);
    TFormHarness::Click(edit->Button());
    TFormHarness::Type(edit, QStringLiteral("/0="));
    EXPECT_TRUE(edit->PopupVisible());  // "=" in error does not close
    edit->CloseUpPopup(edit->Popup(), true);
    EXPECT_EQ(edit->Value(), 0);
}

}  // namespace
