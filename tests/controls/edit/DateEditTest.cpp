// Date edit: masks and formats, the null date, keyboard shortcuts, validation, popup and dialog.
#include "controls/edit/PickDate.h"
#include "controls/edit/ToolEdit.h"
#include "controls/visual/DateHelpers.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class DateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(100, 100, 400, 300);
        edit = new TDateEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 21);
        other = new TEdit(form);
        other->SetParent(form);
        form->Show();
        TFormHarness::Focus(edit);
    }
    void TearDown() override {
        delete form;
        FormatSettings = TFormatSettings::Spanish();
        controls::visual::InitDateHelpers();
    }
    TFormHarness harness;
    TForm* form = nullptr;
    TDateEdit* edit = nullptr;
    TEdit* other = nullptr;
};

TEST_F(DateEditTest, MaskAndFormatFollowTheSpanishSettings) {
    EXPECT_EQ(edit->DateFormat(), DefDateFormat(FourDigitYear));
    EXPECT_EQ(edit->EditMask(), DefDateMask(QLatin1Char(' '), FourDigitYear));
    edit->SetDate(EncodeDate(2004, 3, 9));
    EXPECT_EQ(edit->Text(), "09/03/2004");
    EXPECT_EQ(edit->Date(), EncodeDate(2004, 3, 9));
    edit->SetYearDigits(dyTwo);
    EXPECT_EQ(edit->Text(), "09/03/04");
    EXPECT_EQ(edit->Date(), EncodeDate(2004, 3, 9));
    edit->SetYearDigits(dyFour);
    EXPECT_EQ(edit->Text(), "09/03/2004");
}

TEST_F(DateEditTest, NullDateIsAnEmptyText) {
    EXPECT_EQ(edit->Date(), 0.0);
    EXPECT_FALSE(edit->HasDateText());
    EXPECT_NO_THROW(edit->CheckValidDate());
    edit->SetDate(EncodeDate(2004, 3, 9));
    edit->SetDate(NullDate);
    EXPECT_FALSE(edit->HasDateText());
    EXPECT_EQ(edit->Date(), 0.0);
    edit->SetDefaultToday(true);
    EXPECT_EQ(edit->Date(), ::Date());
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->Text(), FormatDateTime(edit->DateFormat(), ::Date()));
    edit->SetDefaultToday(false);
    edit->SetDate(TDateTime(-800000));  // before year 1
    EXPECT_EQ(edit->Date(), 0.0);
}

TEST_F(DateEditTest, TypedTextIsReadAndCheckedOnExit) {
    TFormHarness::Type(edit, QStringLiteral("31122003"));
    EXPECT_EQ(edit->Date(), EncodeDate(2003, 12, 31));
    edit->SetText(QString());
    edit->SetSelStart(0);
    TFormHarness::Type(edit, QStringLiteral("31022003"));
    EXPECT_EQ(edit->Date(), 0.0);  // reading never fails
    EXPECT_THROW(edit->CheckValidDate(), EConvertError);
    edit->SetCheckOnExit(true);
    TFormHarness::Focus(other);
    EXPECT_TRUE(edit->Focused());  // the error kept the focus
    edit->SetText(QString());
    TFormHarness::Focus(other);
    EXPECT_TRUE(other->Focused());
}

TEST_F(DateEditTest, TodayAndDayStepKeys) {
    TFormHarness::Type(edit, QStringLiteral("t"));
    EXPECT_EQ(edit->Date(), ::Date());
    edit->SetDate(NullDate);
    TFormHarness::PressKey(edit, VK_ADD);
    EXPECT_EQ(edit->Date(), ::Date() + 1);
    edit->SetDate(EncodeDate(2004, 3, 1));
    TFormHarness::PressKey(edit, VK_SUBTRACT);
    EXPECT_EQ(edit->Date(), EncodeDate(2004, 2, 29));
    TFormHarness::Type(edit, QStringLiteral("+"));
    EXPECT_EQ(edit->Date(), EncodeDate(2004, 2, 29));  // "+" typed is swallowed
    // The main keyboard's "+" and "-" (a Spanish one has "+" without Shift) step no day: only the
    // keypad's do.
    for (auto [key, sign] : {std::pair{Qt::Key_Plus, "+"}, std::pair{Qt::Key_Minus, "-"}}) {
        for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(t, key, Qt::NoModifier, QString::fromLatin1(sign));
            QCoreApplication::sendEvent(edit->Widget(), &e);
        }
        EXPECT_EQ(edit->Date(), EncodeDate(2004, 2, 29)) << sign;
    }
}

TEST_F(DateEditTest, PopupOpensOnTheDateAndKeysDriveIt) {
    edit->SetDate(EncodeDate(2001, 1, 31));
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->PopupVisible());
    auto* pop = static_cast<TPopupCalendar*>(edit->Popup());
    EXPECT_EQ(pop->GetValue().AsDateTime(), EncodeDate(2001, 1, 31));
    TFormHarness::PressKey(edit, VK_NEXT);  // next month, clamped
    EXPECT_EQ(pop->GetValue().AsDateTime(), EncodeDate(2001, 2, 28));
    TFormHarness::PressKey(edit, VK_PRIOR, ssCtrl);
    EXPECT_EQ(pop->GetValue().AsDateTime(), EncodeDate(2000, 2, 28));
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Date(), EncodeDate(2000, 2, 28));
}

// Forms that move to the next control on Enter preview the key before the edit: an open
// calendar must still take it as "accept this date".
TEST_F(DateEditTest, EnterAcceptsThePopupDateOnAFormThatMovesOnEnter) {
    form->SetKeyPreview(true);
    form->OnKeyPress = [this](TObject*, QChar& key) {
        if (key != QChar(13)) return;
        key = QChar();
        form->SelectNext(form->ActiveControl(), true, true);
    };
    edit->SetDate(EncodeDate(2001, 1, 31));
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->PopupVisible());
    TFormHarness::PressKey(edit, VK_NEXT);
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Date(), EncodeDate(2001, 2, 28));
    EXPECT_EQ(form->ActiveControl(), edit);
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    TFormHarness::PressKey(edit, VK_NEXT);
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Date(), EncodeDate(2001, 2, 28));
}

TEST_F(DateEditTest, OnAcceptDateMayChangeOrRefuse) {
    edit->OnAcceptDate = [](TObject*, TDateTime& d, bool&) { d = d.Val + 1; };
    edit->DropDown(true);
    static_cast<TPopupCalendar*>(edit->Popup())->SetValue(Variant(EncodeDate(2005, 6, 1)));
    edit->CloseUpPopup(edit->Popup(), true);
    EXPECT_EQ(edit->Date(), EncodeDate(2005, 6, 2));
    edit->OnAcceptDate = [](TObject*, TDateTime&, bool& accept) { accept = false; };
    edit->DropDown(true);
    edit->CloseUpPopup(edit->Popup(), true);
    EXPECT_EQ(edit->Date(), EncodeDate(2005, 6, 2));
}

TEST_F(DateEditTest, DialogStyleAndRefusal) {
    edit->SetCalendarStyle(csDialog);
    EXPECT_EQ(edit->Popup(), nullptr);
    edit->SetDate(EncodeDate(2002, 5, 5));
    edit->OnAcceptDate = [](TObject*, TDateTime&, bool& accept) { accept = false; };
    harness.AnswerModal([](TCustomForm& f) {
        static_cast<TSelectDateDlg&>(f).NextMonthBtnClick(nullptr);
        f.SetModalResult(mrOk);
    });
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(harness.PendingAnswers(), 0);
    EXPECT_EQ(edit->Date(), EncodeDate(2002, 5, 5));
    edit->OnAcceptDate = TExecDateDialog();
    harness.AnswerModal([](TCustomForm& f) {
        EXPECT_EQ(f.Caption(), QStringLiteral("Выбор даты"));
        static_cast<TSelectDateDlg&>(f).NextMonthBtnClick(nullptr);
        f.SetModalResult(mrOk);
    });
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->Date(), EncodeDate(2002, 6, 5));
    edit->SetCalendarStyle(csPopup);
    EXPECT_NE(edit->Popup(), nullptr);
}

TEST_F(DateEditTest, CalendarHintsKeepFourLines) {
    TStringList six;
    six.SetText("a\nb\nc\nd\ne\nf");
    edit->SetCalendarHints(&six);
    EXPECT_EQ(edit->CalendarHints()->Count(), 4);
    EXPECT_EQ(static_cast<TPopupCalendar*>(edit->Popup())->Buttons(3)->Hint(), "d");
}

TEST_F(DateEditTest, ChangedFormatSettingsReformatAndKeepTheDate) {
    edit->SetDate(EncodeDate(2004, 3, 9));
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    controls::visual::InitDateHelpers();
    // The application hears of changed settings; the edit listens without being told.
    ASSERT_TRUE(edit->Hooked());
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    EXPECT_EQ(edit->Date(), EncodeDate(2004, 3, 9));
    EXPECT_EQ(edit->Text(), FormatDateTime(edit->DateFormat(), EncodeDate(2004, 3, 9)));
    EXPECT_TRUE(edit->Text().startsWith(QStringLiteral("2004")));
    // With the application's UpdateFormatSettings off, a change leaves the edit alone.
    Application->SetUpdateFormatSettings(false);
    FormatSettings = TFormatSettings::Spanish();
    controls::visual::InitDateHelpers();
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    Application->SetUpdateFormatSettings(true);
    EXPECT_TRUE(edit->Text().startsWith(QStringLiteral("2004")));
}

TEST_F(DateEditTest, BlanksCharBelowSpaceBecomesSpace) {
    edit->SetBlanksChar(QLatin1Char('_'));
    EXPECT_EQ(edit->EditMask(), DefDateMask(QLatin1Char('_'), FourDigitYear));
    edit->SetBlanksChar(QChar(7));
    EXPECT_EQ(edit->BlanksChar(), QLatin1Char(' '));
}

}  // namespace
