#include "controls/visual/IniHelpers.h"

#include "platform/classes/IniFiles.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <limits>

#include <gtest/gtest.h>

using namespace controls::visual;
using platform::forms::TFormHarness;

namespace {

class TPlacedForm : public TForm {
public:
    explicit TPlacedForm(TComponent* owner) : TForm(owner) { SetBounds(10, 20, 400, 300); }
};

class FormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // The application object brings up the widget system the forms need.
        ASSERT_NE(static_cast<TApplication*>(Application), nullptr);
        ini = std::make_unique<TIniFile>(dir.filePath("Zembra.ini"));
    }
    QTemporaryDir dir;
    std::unique_ptr<TIniFile> ini;
};

}  // namespace

TEST_F(FormPlacementTest, DefaultSectionsNameTheFormAndTheComponent) {
    TPlacedForm form(nullptr);
    form.SetName(QStringLiteral("Principio"));
    auto* edit = new TEdit(&form);
    edit->SetName(QStringLiteral("EdNombre"));
    edit->SetParent(&form);
    auto* storage = new TComponent(&form);
    storage->SetName(QStringLiteral("FormStorage1"));
    TComponent loose(nullptr);
    loose.SetName(QStringLiteral("Suelto"));
    auto* orphan = new TEdit(nullptr);
    orphan->SetName(QStringLiteral("Huerfano"));

    EXPECT_EQ(GetDefaultSection(nullptr), QString());
    EXPECT_EQ(GetDefaultSection(&form), QStringLiteral("TPlacedForm"));
    EXPECT_EQ(GetDefaultSection(edit), QStringLiteral("TPlacedFormEdNombre"));
    EXPECT_EQ(GetDefaultSection(storage), QStringLiteral("TPlacedForm.FormStorage1"));
    EXPECT_EQ(GetDefaultSection(&loose), QStringLiteral("Suelto"));
    EXPECT_EQ(GetDefaultSection(orphan), QStringLiteral("Huerfano"));
    delete orphan;
}

TEST_F(FormPlacementTest, BoundsAndStateComeBackOnAnotherInstance) {
    {
        TPlacedForm form(nullptr);
        form.SetBounds(120, 80, 640, 480);
        WriteFormPlacement(&form, ini.get(), QStringLiteral("TPlacedForm"));
    }
    const QString suffix = ScreenSuffix(CurrentScreen());
    EXPECT_EQ(ini->ReadString(QStringLiteral("TPlacedForm"), QStringLiteral("NormPos") + suffix, QString()),
              QStringLiteral("120,80,760,560"));
    EXPECT_EQ(ini->ReadString(QStringLiteral("TPlacedForm"), QStringLiteral("ShowCmd"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ReadPosStr(ini.get(), QStringLiteral("TPlacedForm"), QStringLiteral("NormPos")),
              QStringLiteral("120,80,760,560"));

    TPlacedForm again(nullptr);
    ReadFormPlacement(&again, ini.get(), QStringLiteral("TPlacedForm"), true, true);
    EXPECT_EQ(again.Left(), 120);
    EXPECT_EQ(again.Top(), 80);
    EXPECT_EQ(again.Width(), 640);
    EXPECT_EQ(again.Height(), 480);
    EXPECT_EQ(again.WindowState(), wsNormal);

    // Neither flag: nothing is touched.
    TPlacedForm untouched(nullptr);
    ReadFormPlacement(&untouched, ini.get(), QStringLiteral("TPlacedForm"), false, false);
    EXPECT_EQ(untouched.Left(), 10);
}

// A window saved maximised keeps the bounds it had before: restored after the next start it is
// its old size again, not the whole screen. Maximised by the program, or by the window manager,
// which moves and sizes the window before it says it is maximised.
TEST_F(FormPlacementTest, AMaximisedWindowSavesTheBoundsItIsRestoredTo) {
    const QString section = QStringLiteral("TPlacedForm");
    TRect antes;
    const QRect pantalla = QGuiApplication::primaryScreen()->availableGeometry();
    {
        TPlacedForm form(nullptr);
        form.SetBounds(120, 80, 400, 300);
        form.Show();
        TFormHarness::ProcessEvents();
        antes = form.BoundsRect();  // where the platform put it, its frame counted
        form.SetWindowState(wsMaximized);
        TFormHarness::ProcessEvents();
        ASSERT_EQ(form.WindowState(), wsMaximized);
        WriteFormPlacement(&form, ini.get(), section);
        EXPECT_EQ(ReadPosStr(ini.get(), section, QStringLiteral("NormPos")),
                  QStringLiteral("%1,%2,%3,%4").arg(antes.Left).arg(antes.Top).arg(antes.Right).arg(antes.Bottom));
        EXPECT_EQ(ini->ReadString(section, QStringLiteral("ShowCmd"), QString()), QStringLiteral("3"));
    }
    {
        TPlacedForm form(nullptr);
        form.SetBounds(120, 80, 400, 300);
        form.Show();
        TFormHarness::ProcessEvents();
        const TRect suyos = form.BoundsRect();
        QWidget* w = form.Widget();
        w->move(pantalla.topLeft());
        TFormHarness::ProcessEvents();
        w->resize(pantalla.size());
        TFormHarness::ProcessEvents();
        w->setWindowState(Qt::WindowMaximized);
        TFormHarness::ProcessEvents();
        ASSERT_EQ(form.WindowState(), wsMaximized);
        EXPECT_EQ(form.NormalBounds(), suyos);
        // Restored by the user, then moved: the new place is the one kept.
        w->setWindowState(Qt::WindowNoState);
        TFormHarness::ProcessEvents();
        form.SetBounds(150, 90, 400, 300);
        TFormHarness::ProcessEvents();
        EXPECT_EQ(form.NormalBounds(), form.BoundsRect());
        EXPECT_EQ(form.NormalBounds().Width(), 400);
    }
    {
        // Moved twice by the user, then maximised by a manager that says so before it sizes.
        TPlacedForm form(nullptr);
        form.SetBounds(60, 50, 400, 300);
        form.Show();
        TFormHarness::ProcessEvents();
        form.SetBounds(90, 70, 400, 300);
        TFormHarness::ProcessEvents();
        const TRect ultimos = form.BoundsRect();
        form.Widget()->setWindowState(Qt::WindowMaximized);
        TFormHarness::ProcessEvents();
        ASSERT_EQ(form.WindowState(), wsMaximized);
        EXPECT_EQ(form.NormalBounds(), ultimos);
    }
    TPlacedForm again(nullptr);
    ReadFormPlacement(&again, ini.get(), section, true, true);
    EXPECT_EQ(again.BoundsRect(), antes);
    EXPECT_EQ(again.WindowState(), wsMaximized);
}

TEST_F(FormPlacementTest, ADialogKeepsItsDesignedSizeAndACentredFormStaysWherePut) {
    IniWriteString(ini.get(), QStringLiteral("D"), QStringLiteral("NormPos"), QStringLiteral("50,60,950,760"));
    TPlacedForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    dialog.SetPosition(poScreenCenter);
    ReadFormPlacement(&dialog, ini.get(), QStringLiteral("D"), false, true);
    EXPECT_EQ(dialog.Left(), 50);
    EXPECT_EQ(dialog.Top(), 60);
    EXPECT_EQ(dialog.Width(), 400);
    EXPECT_EQ(dialog.Height(), 300);
    EXPECT_EQ(dialog.Position(), poDesigned);
}

TEST_F(FormPlacementTest, AnotherPixelDensityRestoresTheStateOnly) {
    const QString s = QStringLiteral("P");
    IniWriteString(ini.get(), s, QStringLiteral("NormPos"), QStringLiteral("300,300,500,500"));
    IniWriteInteger(ini.get(), s, QStringLiteral("PixelsPerInch"), CurrentScreen().PixelsPerInch + 24);
    IniWriteInteger(ini.get(), s, QStringLiteral("ShowCmd"), SW_SHOWMAXIMIZED);
    TPlacedForm form(nullptr);
    ReadFormPlacement(&form, ini.get(), s, true, true);
    EXPECT_EQ(form.Left(), 10);
    EXPECT_EQ(form.Width(), 400);
    EXPECT_EQ(form.WindowState(), wsMaximized);
}

TEST_F(FormPlacementTest, StateDefaultsWhenNothingIsStored) {
    TPlacedForm plain(nullptr);
    plain.SetWindowState(wsMaximized);
    ReadFormPlacement(&plain, ini.get(), QStringLiteral("None"), true, false);
    EXPECT_EQ(plain.WindowState(), wsNormal);
    TPlacedForm byDefault(nullptr);
    byDefault.SetPosition(poDefault);
    ReadFormPlacement(&byDefault, ini.get(), QStringLiteral("None"), true, false);
    EXPECT_EQ(byDefault.WindowState(), wsMaximized);
}

TEST_F(FormPlacementTest, AMinimisedChildWindowMarksItsMinimisedPosition) {
    TPlacedForm child(nullptr);
    child.SetFormStyle(fsMDIChild);
    child.SetWindowState(wsMinimized);
    WriteFormPlacement(&child, ini.get(), QStringLiteral("C"));
    EXPECT_EQ(IniReadInteger(ini.get(), QStringLiteral("C"), QStringLiteral("Flags"), -1), WPF_SETMINPOSITION);
    EXPECT_EQ(IniReadInteger(ini.get(), QStringLiteral("C"), QStringLiteral("ShowCmd"), -1), SW_SHOWMINIMIZED);
    TPlacedForm normal(nullptr);
    normal.SetWindowState(wsMinimized);
    WriteFormPlacement(&normal, ini.get(), QStringLiteral("N"));
    EXPECT_EQ(IniReadInteger(ini.get(), QStringLiteral("N"), QStringLiteral("Flags"), -1), 0);
}

TEST_F(FormPlacementTest, AWindowSavedOffThisScreenComesBackOnIt) {
    const TRect area = Screen->WorkAreaRect();
    auto inside = [&](const TCustomForm& f) {
        return f.Left() >= area.Left && f.Top() >= area.Top && f.Left() + f.Width() <= area.Left + area.Width() &&
               f.Top() + f.Height() <= area.Top + area.Height();
    };
    // Saved on a larger screen, beyond this one's bottom right corner, bigger than all of it.
    const QString s = QStringLiteral("Grande");
    IniWriteString(ini.get(), s, QStringLiteral("NormPos"), QStringLiteral("1300,900,4100,3400"));
    TPlacedForm big(nullptr);
    ReadFormPlacement(&big, ini.get(), s, true, true);
    EXPECT_TRUE(inside(big)) << big.Left() << "," << big.Top() << " " << big.Width() << "x" << big.Height();
    EXPECT_GT(big.Width(), area.Width() / 2);

    // Dragged past the top left corner: moved back in, its size kept.
    IniWriteString(ini.get(), QStringLiteral("Arriba"), QStringLiteral("NormPos"), QStringLiteral("-500,-300,-200,-100"));
    TPlacedForm up(nullptr);
    ReadFormPlacement(&up, ini.get(), QStringLiteral("Arriba"), false, true);
    EXPECT_TRUE(inside(up));
    EXPECT_EQ(up.Width(), 300);
    EXPECT_EQ(up.Height(), 200);

    // A dialog keeps its designed size and stays on screen.
    IniWriteString(ini.get(), QStringLiteral("D"), QStringLiteral("NormPos"), QStringLiteral("5000,5000,5100,5100"));
    TPlacedForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    ReadFormPlacement(&dialog, ini.get(), QStringLiteral("D"), false, true);
    EXPECT_TRUE(inside(dialog));
    EXPECT_EQ(dialog.Width(), 400);
}

TEST(FitPlacementTest, MovesShrinksOrKeepsTheTopLeftCorner) {
    auto fit = [](int l, int t, int r, int b, bool sizeable) {
        TWindowPlacement wp;
        wp.NormLeft = l, wp.NormTop = t, wp.NormRight = r, wp.NormBottom = b;
        FitPlacement(wp, 10, 30, 1000, 700, sizeable);
        return QStringLiteral("%1,%2,%3,%4").arg(wp.NormLeft).arg(wp.NormTop).arg(wp.NormRight).arg(wp.NormBottom);
    };
    EXPECT_EQ(fit(100, 100, 500, 400, true), QStringLiteral("100,100,500,400"));  // inside: untouched
    EXPECT_EQ(fit(900, 600, 1300, 900, true), QStringLiteral("610,430,1010,730"));
    EXPECT_EQ(fit(-50, 0, 2000, 1000, true), QStringLiteral("10,30,1010,730"));
    // One that cannot shrink shows its top left corner, where its title bar is.
    EXPECT_EQ(fit(500, 500, 1700, 1400, false), QStringLiteral("10,30,1210,930"));
}

TEST(FitPlacementTest, AbsurdStoredNumbersStillGiveAWindowOnTheScreen) {
    auto fit = [](int l, int t, int r, int b, int minW = 0, int minH = 0) {
        TWindowPlacement wp;
        wp.NormLeft = l, wp.NormTop = t, wp.NormRight = r, wp.NormBottom = b;
        FitPlacement(wp, 10, 30, 1000, 700, true, minW, minH);
        return QStringLiteral("%1,%2,%3,%4").arg(wp.NormLeft).arg(wp.NormTop).arg(wp.NormRight).arg(wp.NormBottom);
    };
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    // A size beyond what an int holds: the whole area, not a window left at its minimum.
    EXPECT_EQ(fit(lo, lo, hi, hi), QStringLiteral("10,30,1010,730"));
    EXPECT_EQ(fit(hi - 600, hi - 600, hi, hi), QStringLiteral("410,130,1010,730"));
    // Smaller than the window may be: fitted at the size it will take, so its right edge and
    // the buttons of its title bar stay on the screen.
    EXPECT_EQ(fit(5000, 100, 5600, 700, 680, 77), QStringLiteral("330,100,1010,700"));
    // Upside down: nothing to go by.
    EXPECT_EQ(fit(500, 500, 100, 100), QStringLiteral("500,500,100,100"));
    const QRect main(0, 0, 1024, 740);
    TWindowPlacement far;
    far.NormLeft = far.NormTop = hi - 10, far.NormRight = far.NormBottom = hi;
    EXPECT_EQ(AreaForPlacement(far, {main, QRect(1024, 0, 800, 600)}), main);
}

TEST(FitPlacementTest, AWindowOnASecondMonitorStaysThereWhileItIsPluggedIn) {
    auto at = [](int l, int t, int r, int b) {
        TWindowPlacement wp;
        wp.NormLeft = l, wp.NormTop = t, wp.NormRight = r, wp.NormBottom = b;
        return wp;
    };
    const QRect main(0, 0, 1024, 740), second(1024, 0, 1280, 1024);
    EXPECT_EQ(AreaForPlacement(at(1200, 100, 1900, 600), {main, second}), second);
    EXPECT_EQ(AreaForPlacement(at(100, 100, 700, 600), {main, second}), main);
    // Unplugged, or saved beyond every screen: the main one.
    EXPECT_EQ(AreaForPlacement(at(1200, 100, 1900, 600), {main}), main);
    EXPECT_EQ(AreaForPlacement(at(-3000, -900, -2000, -100), {main, second}), main);
}
