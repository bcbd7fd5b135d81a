// Two quick presses are a double click only on the window that took both: a dialog closed by
// the first press of a double click on its OK button does not hand a double click to the window
// under it (which would open the row under the pointer).
#include "platform/forms/Controls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

// Counts the presses and double clicks it takes; when `cierra` is set, the release of a press
// hides its form, as a dialog's OK closes the dialog.
class TContador : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int pulsaciones = 0;
    int dobles = 0;
    TCustomForm* cierra = nullptr;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        if (!(shift & ssDouble)) ++pulsaciones;
        TCustomControl::MouseDown(button, shift, x, y);
    }
    void DblClick() override {
        ++dobles;
        TCustomControl::DblClick();
    }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
        TCustomControl::MouseUp(button, shift, x, y);
        if (cierra) cierra->Hide();
    }
};

class DoubleClickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Application, nullptr);  // its event filter watches the mouse
        abajo = std::make_unique<TForm>(nullptr);
        abajo->SetBounds(40, 40, 400, 300);
        fila = Place(abajo.get(), 0, 0, 400, 300);
        dialogo = std::make_unique<TForm>(nullptr);
        dialogo->SetBounds(140, 140, 200, 100);
        ok = Place(dialogo.get(), 0, 0, 200, 100);
        ok->cierra = dialogo.get();
        abajo->Show();
        dialogo->Show();
        TFormHarness::ProcessEvents();
    }
    TContador* Place(TCustomForm* form, int left, int top, int width, int height) {
        auto* c = new TContador(form);
        c->SetParent(form);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // A press or release of the left button at a point of the screen, on the window of `form`,
    // stamped `ms` as the window system stamps it.
    static void Mano(TCustomForm* form, QEvent::Type type, QPoint global, int ms) {
        QWindow* window = form->Widget()->window()->windowHandle();
        ASSERT_NE(window, nullptr);
        const QPointF local = window->mapFromGlobal(global);
        const Qt::MouseButtons state = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        qt_handleMouseEvent(window, local, QPointF(global), state, Qt::LeftButton, type, Qt::NoModifier, ms);
        TFormHarness::ProcessEvents();
    }
    static void Clic(TCustomForm* form, QPoint global, int ms) {
        Mano(form, QEvent::MouseButtonPress, global, ms);
        Mano(form, QEvent::MouseButtonRelease, global, ms + 20);
    }

    std::unique_ptr<TForm> abajo, dialogo;
    TContador* fila = nullptr;
    TContador* ok = nullptr;
};

TEST_F(DoubleClickTest, TheSecondPressAfterTheDialogClosedIsAPlainPressBelow) {
    const QPoint punto = ok->Widget()->mapToGlobal(QPoint(100, 50));
    Clic(dialogo.get(), punto, 100000);
    EXPECT_EQ(ok->pulsaciones, 1);
    EXPECT_FALSE(dialogo->Visible());
    // Within the double-click time, at the same spot: now on the window that was under the dialog.
    Clic(abajo.get(), punto, 100080);
    EXPECT_EQ(fila->dobles, 0);
    EXPECT_EQ(fila->pulsaciones, 1);
}

TEST_F(DoubleClickTest, ADoubleClickOnOneWindowStaysADoubleClick) {
    dialogo->Hide();
    TFormHarness::ProcessEvents();
    const QPoint punto = fila->Widget()->mapToGlobal(QPoint(50, 50));
    Clic(abajo.get(), punto, 200000);
    Clic(abajo.get(), punto, 200080);
    EXPECT_EQ(fila->dobles, 1);
    EXPECT_EQ(fila->pulsaciones, 1);
    // A third press long after is a press again.
    Clic(abajo.get(), punto, 205000);
    EXPECT_EQ(fila->dobles, 1);
    EXPECT_EQ(fila->pulsaciones, 2);
}

}  // namespace
