// Dragging one control onto another within the program.
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::forms::TFormHarness;

namespace {

// A mouse event of the source's widget, the pointer being at `screen`.
void Mouse(TControl* c, QEvent::Type type, QPoint screen, Qt::MouseButtons held = Qt::LeftButton) {
    QWidget* w = c->Widget();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(w->mapFromGlobal(screen)), QPointF(screen), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QPoint ScreenOf(TControl* c, int x, int y) { return c->Widget()->mapToGlobal(QPoint(x, y)); }

std::string StateName(TDragState s) { return s == dsDragEnter ? "enter" : s == dsDragLeave ? "leave" : "move"; }

class DragTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 420, 300);
        source = Panel(10, 10);
        target = Panel(150, 10);
        refusing = Panel(290, 10);
        source->SetDragMode(dmAutomatic);
        source->OnStartDrag = [this](TObject*, TObject*&) { log.push_back("start"); };
        source->OnEndDrag = [this](TObject*, TObject* t, int x, int y) {
            log.push_back("end " + std::string(t == target ? "target" : t ? "other" : "none") + " " +
                          std::to_string(x) + "," + std::to_string(y));
        };
        auto over = [this](TPanel* panel, bool answer, const std::string& name) {
            panel->OnDragOver = [this, answer, name](TObject*, TObject* src, int x, int y, TDragState st, bool& accept) {
                EXPECT_EQ(src, source);
                log.push_back(name + " " + StateName(st) + " " + std::to_string(x) + "," + std::to_string(y));
                accept = answer;
            };
        };
        over(target, true, "target");
        over(refusing, false, "refusing");
        target->OnDragDrop = [this](TObject*, TObject* src, int x, int y) {
            EXPECT_EQ(src, source);
            log.push_back("drop " + std::to_string(x) + "," + std::to_string(y));
        };
        form->Show();
    }
    TPanel* Panel(int left, int top) {
        auto* p = new TPanel(form.get());
        p->SetParent(form.get());
        p->SetBounds(left, top, 100, 100);
        return p;
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TPanel *source = nullptr, *target = nullptr, *refusing = nullptr;
    std::vector<std::string> log;
};

}  // namespace

TEST_F(DragTest, APressStartsOnlyPastTheDistanceAndAnAcceptingControlTakesTheDrop) {
    Mouse(source, QEvent::MouseButtonPress, ScreenOf(source, 5, 5));
    EXPECT_TRUE(source->Dragging());
    Mouse(source, QEvent::MouseMove, ScreenOf(source, 7, 6));
    EXPECT_TRUE(log.empty());  // still a press
    Mouse(source, QEvent::MouseMove, ScreenOf(target, 20, 30));
    Mouse(source, QEvent::MouseMove, ScreenOf(target, 25, 30));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Screen->Cursors(crDrag).shape());
    Mouse(source, QEvent::MouseButtonRelease, ScreenOf(target, 25, 30), Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "target enter 20,30", "target move 25,30", "target move 25,30",
                                             "drop 25,30", "end target 25,30"}));
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DragTest, ARefusingControlOrEscapeCancelsTheDrag) {
    Mouse(source, QEvent::MouseButtonPress, ScreenOf(source, 5, 5));
    Mouse(source, QEvent::MouseMove, ScreenOf(target, 20, 30));
    Mouse(source, QEvent::MouseMove, ScreenOf(refusing, 40, 50));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Screen->Cursors(crNoDrop).shape());
    Mouse(source, QEvent::MouseButtonRelease, ScreenOf(refusing, 40, 50), Qt::NoButton);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "target enter 20,30", "target leave 180,50",
                                             "refusing enter 40,50", "refusing move 40,50", "refusing leave 40,50",
                                             "end none 0,0"}));
    log.clear();
    source->BeginDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{"start"}));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Widget(), &escape);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(log.back(), "end none 0,0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DragTest, ASourceFreedWhileDraggedEndsTheDrag) {
    Mouse(source, QEvent::MouseButtonPress, ScreenOf(source, 5, 5));
    Mouse(source, QEvent::MouseMove, ScreenOf(target, 20, 30));
    delete source;
    source = nullptr;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The pointer goes on moving: nothing is asked any more.
    log.clear();
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(ScreenOf(target, 5, 5)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(target->Widget(), &move);
    EXPECT_TRUE(log.empty());
}
