// Edit masks: what the user sees (EditText) against what the program reads (Text).
#include "platform/forms/FormHarness.h"
#include "platform/forms/Mask.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TEditMask;
using platform::forms::TFormHarness;

namespace {

TEST(EditMaskTest, DateMaskKeepsLiteralsAndShowsBlanks) {
    const TEditMask m(QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(m.EmptyEditText(), QStringLiteral("__/__/____"));
    EXPECT_EQ(m.TextFromEditText(QStringLiteral("__/__/____")), QStringLiteral("  /  /    "));
    EXPECT_EQ(m.TextFromEditText(QStringLiteral("12/03/2001")), QStringLiteral("12/03/2001"));
    EXPECT_EQ(m.EditTextFromText(QStringLiteral("  /  /    ")), QStringLiteral("__/__/____"));
    EXPECT_EQ(m.EditTextFromText(QStringLiteral("05/11/1999")), QStringLiteral("05/11/1999"));
    // Optional digits: nothing is required.
    EXPECT_EQ(m.FirstMissing(QStringLiteral("1_/__/____")), -1);
}

TEST(EditMaskTest, PostalMaskWithRequiredDigitsAndOptionalLetter) {
    const TEditMask m(QStringLiteral("00000-l"));
    EXPECT_TRUE(m.SaveLiterals());
    EXPECT_EQ(m.EmptyEditText(), QStringLiteral("_____-_"));
    EXPECT_EQ(m.TextFromEditText(QStringLiteral("28001-_")), QStringLiteral("28001- "));
    EXPECT_EQ(m.TextFromEditText(QStringLiteral("28001-B")), QStringLiteral("28001-B"));
    EXPECT_EQ(m.FirstMissing(QStringLiteral("280__-_")), 3);
    EXPECT_EQ(m.FirstMissing(QStringLiteral("28001-_")), -1);
    QChar c('7');
    EXPECT_TRUE(m.Accepts(0, c));
    c = QChar('x');
    EXPECT_FALSE(m.Accepts(0, c));
    c = QChar(u'ñ');
    EXPECT_TRUE(m.Accepts(6, c));
}

TEST(EditMaskTest, LiteralsDroppedWhenNotSavedAndCaseDirectives) {
    const TEditMask m(QStringLiteral(">LL-000;0;*"));
    EXPECT_EQ(m.EmptyEditText(), QStringLiteral("**-***"));
    EXPECT_EQ(m.TextFromEditText(QStringLiteral("AB-123")), QStringLiteral("AB123"));
    EXPECT_EQ(m.EditTextFromText(QStringLiteral("XY9")), QStringLiteral("XY-9**"));
    QChar c('q');
    EXPECT_TRUE(m.Accepts(0, c));
    EXPECT_EQ(c, QChar('Q'));
    EXPECT_EQ(FormatMaskText(QStringLiteral("00000-l"), QStringLiteral("28001-")), QStringLiteral("28001- "));
}

class MaskEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        edit = new TMaskEdit(form.get());
        edit->SetParent(form.get());
        other = new TEdit(form.get());
        other->SetParent(form.get());
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TMaskEdit* edit = nullptr;
    TEdit* other = nullptr;
};

TEST_F(MaskEditTest, TypingFillsPositionsAndSkipsLiterals) {
    edit->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(edit->EditText(), QStringLiteral("__/__/____"));
    EXPECT_EQ(edit->Text(), QStringLiteral("  /  /    "));
    form->Show();
    TFormHarness::Focus(edit);
    edit->SetSelStart(0);
    edit->SetSelLength(0);
    TFormHarness::Type(QStringLiteral("1a2032001"));  // the letter is refused
    EXPECT_EQ(edit->EditText(), QStringLiteral("12/03/2001"));
    EXPECT_EQ(edit->Text(), QStringLiteral("12/03/2001"));
    EXPECT_TRUE(edit->Modified());
    TFormHarness::PressKey(VK_BACK);
    EXPECT_EQ(edit->EditText(), QStringLiteral("12/03/200_"));
    EXPECT_EQ(edit->Text(), QStringLiteral("12/03/200 "));
    edit->SetText(QStringLiteral("  /  /    "));
    EXPECT_EQ(edit->EditText(), QStringLiteral("__/__/____"));
}

TEST_F(MaskEditTest, RequiredPositionsBlockLeavingTheEdit) {
    edit->SetEditMask(QStringLiteral("00000-l"));
    form->Show();
    TFormHarness::Focus(edit);
    edit->SetSelStart(0);
    edit->SetSelLength(0);
    TFormHarness::Type(QStringLiteral("280"));
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), edit);
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_EQ(harness.Exceptions().back().ClassName, QStringLiteral("EDBEditError"));
    TFormHarness::Type(QStringLiteral("01"));
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), other);
    EXPECT_EQ(edit->Text(), QStringLiteral("28001- "));
}

TEST_F(MaskEditTest, KeyPressHandlerSeesTheCharacterFirst) {
    edit->SetEditMask(QStringLiteral("0000;0;_"));
    edit->OnKeyPress = [](TObject*, QChar& key) {
        if (key == QChar('5')) key = QChar();
    };
    form->Show();
    TFormHarness::Focus(edit);
    edit->SetSelStart(0);
    edit->SetSelLength(0);
    TFormHarness::Type(QStringLiteral("1537"));
    EXPECT_EQ(edit->EditText(), QStringLiteral("137_"));
    EXPECT_EQ(edit->Text(), QStringLiteral("137"));
}

// Copying and selecting all read the text without changing it: the mask leaves those keys to
// the edit, as it leaves pasting and cutting.
TEST_F(MaskEditTest, CopyAndSelectAllKeysWorkInAMaskedEdit) {
    edit->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    form->Show();
    TFormHarness::Focus(edit);
    edit->SetText(QStringLiteral("07/12/2026"));
    edit->SetSelStart(0);
    edit->SetSelLength(0);
    TFormHarness::PressKey('A', ssCtrl);
    EXPECT_EQ(edit->SelLength(), 10);
    QGuiApplication::clipboard()->setText(QStringLiteral("nada"));
    TFormHarness::PressKey('C', ssCtrl);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("07/12/2026"));
    EXPECT_EQ(edit->Text(), QStringLiteral("07/12/2026"));
    // A control key that would change the text behind the mask still does nothing.
    TFormHarness::PressKey('Z', ssCtrl);
    EXPECT_EQ(edit->EditText(), QStringLiteral("07/12/2026"));
}

// A whole value pasted with the mask's separators goes part by part, with the leading zeros a
// day, a month or a case number is written with; what does not fit the mask is typed as before.
TEST_F(MaskEditTest, AValuePastedWithItsSeparatorsFillsEachPart) {
    form->Show();
    TFormHarness::Focus(edit);
    auto paste = [&](const char* mask, const char* clip, bool selectAll = false) {
        edit->SetEditMask(QString::fromLatin1(mask));
        if (!selectAll) edit->SetText(QString());
        edit->SelectAll();
        if (!selectAll) edit->SetSelLength(0);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(clip));
        TFormHarness::PressKey('V', ssCtrl);
        return edit->EditText();
    };
    EXPECT_EQ(paste("!99/99/0000;1;_", "7/12/2026"), QStringLiteral("07/12/2026"));
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(paste("!99/99/9999;1;_", "7/1/26"), QStringLiteral("07/01/26__"));  // a short year stays as typed
    EXPECT_EQ(paste("00000-l;1;_", "12-b"), QStringLiteral("00012-b"));
    EXPECT_EQ(paste("!99/99/0000;1;_", " 5/3/2027\n"), QStringLiteral("05/03/2027"));  // a copied line
    // Over a whole selected value too.
    edit->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    edit->SetText(QStringLiteral("01/01/2000"));
    EXPECT_EQ(paste("!99/99/0000;1;_", "31/1/2027", true), QStringLiteral("31/01/2027"));
    // Not the mask's shape: typed a character at a time, as before.
    EXPECT_EQ(paste("!99/99/0000;1;_", "07122026"), QStringLiteral("07/12/2026"));
    EXPECT_EQ(paste("!99/99/0000;1;_", "7-12-2026"), QStringLiteral("71/22/026_"));
    EXPECT_EQ(paste("00000-l;1;_", "123456-B"), QStringLiteral("12345-B"));
}

// A click into an empty edit, wherever it falls, starts the date at its first position; a click
// into one already holding a date puts the caret where it fell, to mend a digit there.
TEST_F(MaskEditTest, AClickIntoAnEmptyEditStartsAtTheFirstPosition) {
    edit->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    edit->SetBounds(10, 10, 84, 21);
    other->SetBounds(10, 40, 84, 21);
    form->Show();
    TFormHarness::Focus(other);
    TFormHarness::ClickAt(edit, edit->Width() - 6, edit->Height() / 2);
    EXPECT_EQ(form->ActiveControl(), edit);
    EXPECT_EQ(edit->SelStart(), 0);
    TFormHarness::Type(QStringLiteral("15012027"));
    EXPECT_EQ(edit->Text(), QStringLiteral("15/01/2027"));
    // Focused already, and blanks written as spaces by the program: still empty.
    edit->SetText(QStringLiteral("  /  /    "));
    TFormHarness::ClickAt(edit, edit->Width() / 2, edit->Height() / 2);
    EXPECT_EQ(edit->SelStart(), 0);
    edit->SetText(QStringLiteral("15/01/2027"));
    TFormHarness::ClickAt(edit, edit->Width() - 6, edit->Height() / 2);
    EXPECT_GT(edit->SelStart(), 5);
    // A mask starting with a literal: the first position that takes a character.
    edit->SetEditMask(QStringLiteral("(999);1;_"));
    edit->SetText(QString());
    TFormHarness::ClickAt(edit, edit->Width() - 6, edit->Height() / 2);
    EXPECT_EQ(edit->SelStart(), 1);
}

}  // namespace
