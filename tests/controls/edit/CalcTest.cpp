// Calculator: key sequences, percent, errors and their recovery, entry limits, memory, paste.
#include "controls/edit/ZbCalc.h"
#include "platform/forms/Beep.h"
#include "platform/forms/FormHarness.h"
#include "platform/graphics/Clipbrd.h"

#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class CalculatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        panel = new TCalculatorPanel(form, clDialog);
        panel->SetParent(form);
    }
    void TearDown() override { delete form; }
    void Keys(const QString& keys) {
        for (QChar k : keys) panel->CalcKey(k);
    }
    TFormHarness harness;
    TForm* form = nullptr;
    TCalculatorPanel* panel = nullptr;
};

TEST_F(CalculatorTest, AdditionAndRepeatedEquals) {
    Keys("1+2=");
    EXPECT_EQ(panel->Text(), "3");
    Keys("=");
    EXPECT_EQ(panel->Text(), "3");
    Keys("*4\r");
    EXPECT_EQ(panel->Text(), "12");
}

TEST_F(CalculatorTest, PercentOfTheOperand) {
    Keys("200+10%");
    EXPECT_EQ(panel->Text(), "220");
    panel->Clear();
    Keys("50*10%");
    EXPECT_EQ(panel->Text(), "5");
}

TEST_F(CalculatorTest, DecimalsUseTheSpanishSeparator) {
    Keys("1.5+1,25=");
    EXPECT_EQ(panel->Text(), "2,75");
    Keys("C7/2=");
    EXPECT_EQ(panel->Text(), "3,5");
}

TEST_F(CalculatorTest, DivisionByZeroIsAnErrorUntilClear) {
    int errors = 0;
    panel->OnError = [&](TObject*) { ++errors; };
    const int beeps = platform::forms::BeepCount();
    Keys("5/0=");
    EXPECT_EQ(panel->Text(), "Error");
    EXPECT_EQ(panel->Status(), csError);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
    Keys("12+Q_");
    EXPECT_EQ(panel->Text(), "Error");
    EXPECT_EQ(panel->GetDisplay(), 0);
    Keys("c");
    EXPECT_EQ(panel->Text(), "0");
    EXPECT_EQ(panel->Status(), csFirst);
    Keys("9Q");
    EXPECT_EQ(panel->Text(), "3");
    Keys("C0R");
    EXPECT_EQ(panel->Text(), "Error");
    Keys("C4_Q");
    EXPECT_EQ(panel->Text(), "Error");
    Keys(QString(QChar(27)));  // Esc reaches the state machine only as the "C" button
    EXPECT_EQ(panel->Text(), "Error");
    QChar esc(27);
    panel->CalcKeyPress(panel, esc);
    Keys("4R");
    EXPECT_EQ(panel->Text(), "0,25");
}

TEST_F(CalculatorTest, EntryLimitAndBackspace) {
    const int beeps = platform::forms::BeepCount();
    Keys("1234567890123456");
    EXPECT_EQ(panel->Text(), "123456789012345");
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
    panel->Clear();
    Keys("5_");
    EXPECT_EQ(panel->Text(), "-5");
    Keys(QString(QChar(8)));
    EXPECT_EQ(panel->Text(), "0");
    panel->SetPrecision(1);
    EXPECT_EQ(panel->Precision(), 2);
}

TEST_F(CalculatorTest, MemoryKeysAndIndicator) {
    Keys("7");
    panel->ButtonOfKind(24)->Click();  // MS
    EXPECT_EQ(panel->Memory(), 7);
    EXPECT_EQ(panel->MemoryLabel()->Caption(), "M");
    Keys("3");
    panel->ButtonOfKind(23)->Click();  // MP
    EXPECT_EQ(panel->Memory(), 10);
    Keys("C");
    panel->ButtonOfKind(25)->Click();  // MR
    EXPECT_EQ(panel->Text(), "10");
    panel->ButtonOfKind(26)->Click();  // MC
    EXPECT_EQ(panel->Memory(), 0);
    EXPECT_EQ(panel->MemoryLabel()->Caption(), "");
}

TEST_F(CalculatorTest, KeysPressTheirButtons) {
    EXPECT_EQ(panel->FindButton('5')->Kind(), 6);
    EXPECT_EQ(panel->FindButton('.')->Kind(), 12);
    EXPECT_EQ(panel->FindButton(QChar(13))->Kind(), 20);
    EXPECT_EQ(panel->FindButton('q')->Kind(), 17);
    EXPECT_EQ(panel->FindButton(QChar(8)), nullptr);
    QChar k('2');
    panel->CalcKeyPress(panel, k);
    k = '+';
    panel->CalcKeyPress(panel, k);
    k = '3';
    panel->CalcKeyPress(panel, k);
    k = QChar(13);
    panel->CalcKeyPress(panel, k);
    EXPECT_EQ(panel->Text(), "5");
}

TEST_F(CalculatorTest, PasteDropsTheCurrencyAndRejectsText) {
    Clipboard()->SetAsText(QStringLiteral("1234,5 €"));
    panel->Paste();
    EXPECT_EQ(panel->Text(), "1234,5");
    Clipboard()->SetAsText(QStringLiteral("abc"));
    panel->Paste();
    EXPECT_EQ(panel->Text(), "0");
}

TEST_F(CalculatorTest, PopupLayoutHasNineteenButtons) {
    TLocCalculator loc(form);
    EXPECT_EQ(loc.CalcButtons().size(), 19u);
    EXPECT_EQ(panel->CalcButtons().size(), 28u);
    EXPECT_EQ(loc.ButtonOfKind(20)->Width(), 44);
    EXPECT_EQ(panel->ButtonOfKind(22)->Width(), 44);
    EXPECT_EQ(loc.ButtonOfKind(17), nullptr);
}

}  // namespace
