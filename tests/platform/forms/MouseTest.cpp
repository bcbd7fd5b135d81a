// Clicks of the hand on controls that cannot take them: a disabled control, or one inside a
// disabled container, acts on nothing, yet the press still closes the drop-down that is open.
// The wheel turns only what the user is in: a combo box or tabs it passes over keep their value.
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/StdCtrls.h"

#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

// A control standing for an edit whose list is open: it counts what closes the list (a press
// elsewhere, or the focus leaving) and the presses it takes itself.
class TDesplegable : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int cierres = 0;
    int pulsaciones = 0;
    void CMCancelMode(TControl* sender) override {
        if (sender != this) ++cierres;
        TCustomControl::CMCancelMode(sender);
    }

protected:
    void DoExit() override {
        ++cierres;
        TCustomControl::DoExit();
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        ++pulsaciones;
        TCustomControl::MouseDown(button, shift, x, y);
    }
};

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(50, 50, 400, 300);
        lista = Place<TDesplegable>(10, 10, 120, 21, form.get());
    }
    template <class T>
    T* Place(int left, int top, int width, int height, TWinControl* parent) {
        auto* c = new T(form.get());
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // A press and release of the hand at a point of the form's window, as the window system
    // sends it: to whatever widget is under the point.
    void ClickOnWindow(TControl* control, int x, int y) {
        const QPoint p = control->Widget()->mapTo(form->Widget()->window(), QPoint(x, y));
        QWindow* window = form->Widget()->window()->windowHandle();
        ASSERT_NE(window, nullptr);
        QTest::mouseClick(window, Qt::LeftButton, {}, p);
        TFormHarness::ProcessEvents();
    }
    // A notch of the wheel (up when positive) at a point of the form's window, to the widget under it.
    void WheelOnWindow(TControl* control, int x, int y, int delta) {
        QWidget* window = form->Widget()->window();
        const QPoint p = control->Widget()->mapTo(window, QPoint(x, y));
        QWidget* target = window->childAt(p);
        if (!target) target = window;
        const QPointF local = target->mapFrom(window, p);
        QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &wheel);
        TFormHarness::ProcessEvents();
    }
    void ShowWithListFocused() {
        form->Show();
        lista->SetFocus();
        TFormHarness::ProcessEvents();
        ASSERT_EQ(form->ActiveControl(), lista);
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TDesplegable* lista = nullptr;
};

TEST_F(MouseTest, APressOnADisabledControlClosesTheOpenListAndClicksNothing) {
    auto* boton = Place<TButton>(10, 60, 80, 25, form.get());
    auto* rapido = Place<TImage>(100, 60, 25, 25, form.get());
    int clics = 0;
    boton->OnClick = [&](TObject*) { ++clics; };
    rapido->OnClick = [&](TObject*) { ++clics; };
    boton->SetEnabled(false);
    rapido->SetEnabled(false);
    ShowWithListFocused();
    ClickOnWindow(boton, 40, 12);
    EXPECT_EQ(lista->cierres, 1);
    ClickOnWindow(rapido, 12, 12);
    EXPECT_EQ(lista->cierres, 2);
    EXPECT_EQ(clics, 0);
    EXPECT_EQ(form->ActiveControl(), lista);
    // An enabled control closes it as before, and takes the click.
    boton->SetEnabled(true);
    ClickOnWindow(boton, 40, 12);
    EXPECT_GE(lista->cierres, 3);
    EXPECT_EQ(clics, 1);
}

TEST_F(MouseTest, ControlsInsideADisabledContainerTakeNoPressButCloseTheList) {
    auto* panel = Place<TPanel>(10, 100, 300, 150, form.get());
    auto* rapido = Place<TImage>(10, 10, 25, 25, panel);
    auto* dentro = Place<TDesplegable>(50, 10, 120, 21, panel);
    int clics = 0;
    rapido->OnClick = [&](TObject*) { ++clics; };
    panel->SetEnabled(false);
    ShowWithListFocused();
    ClickOnWindow(rapido, 12, 12);
    ClickOnWindow(dentro, 20, 10);
    ClickOnWindow(panel, 250, 100);
    EXPECT_EQ(clics, 0);
    EXPECT_EQ(dentro->pulsaciones, 0);
    EXPECT_EQ(lista->cierres, 3);
    EXPECT_EQ(form->ActiveControl(), lista);
    panel->SetEnabled(true);
    ClickOnWindow(rapido, 12, 12);
    ClickOnWindow(dentro, 20, 10);
    EXPECT_EQ(clics, 1);
    EXPECT_EQ(dentro->pulsaciones, 1);
}

TEST_F(MouseTest, TheWheelTurnsOnlyTheComboTheUserIsIn) {
    auto* moneda = Place<TComboBox>(10, 60, 120, 21, form.get());
    moneda->SetStyle(csDropDownList);
    auto* editor = Place<TComboBox>(10, 90, 120, 21, form.get());  // one that takes typing too
    int changes = 0;
    for (TComboBox* c : {moneda, editor}) {
        c->Items()->Add(QStringLiteral("PESETA"));
        c->Items()->Add(QStringLiteral("EURO"));
        c->SetItemIndex(1);
        c->OnChange = [&](TObject*) { ++changes; };
    }
    ShowWithListFocused();
    for (TComboBox* c : {moneda, editor}) {
        WheelOnWindow(c, 40, 10, 120);
        WheelOnWindow(c, 40, 10, -120);
        WheelOnWindow(c, 40, 10, 120);
        EXPECT_EQ(c->Text(), QStringLiteral("EURO"));
    }
    EXPECT_EQ(changes, 0);
    // In the combo the user is in, the wheel steps through the items.
    moneda->SetFocus();
    WheelOnWindow(moneda, 40, 10, 120);
    EXPECT_EQ(moneda->Text(), QStringLiteral("PESETA"));
    EXPECT_EQ(changes, 1);
}

TEST_F(MouseTest, TheWheelOverTheTabsLeavesThePage) {
    auto* paginas = Place<TPageControl>(10, 60, 300, 200, form.get());
    auto* expedientes = new TTabSheet(form.get());
    expedientes->SetPageControl(paginas);
    expedientes->SetCaption(QStringLiteral("Expedientes"));
    auto* consultas = new TTabSheet(form.get());
    consultas->SetPageControl(paginas);
    consultas->SetCaption(QStringLiteral("Consultas"));
    int changes = 0;
    paginas->OnChange = [&](TObject*) { ++changes; };
    ShowWithListFocused();
    WheelOnWindow(paginas, 30, 8, -120);
    WheelOnWindow(paginas, 30, 8, -120);
    EXPECT_EQ(paginas->ActivePage(), expedientes);
    paginas->SetFocus();
    WheelOnWindow(paginas, 30, 8, -120);
    EXPECT_EQ(paginas->ActivePage(), expedientes);
    EXPECT_EQ(changes, 0);
}

}  // namespace
