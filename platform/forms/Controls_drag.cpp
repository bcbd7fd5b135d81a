// Dragging one control onto another within the program: the source is dragged from a press (at
// once or past a small distance), the control under the pointer is asked whether it accepts, and
// the release drops on it or cancels.
#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>

namespace platform::forms {
namespace {

struct TDragOperation {
    TControl* Source = nullptr;
    TObject* DragObject = nullptr;  // what the targets are told is dragged
    bool Started = false;
    QPoint Start;
    QPoint Last;
    int Threshold = 0;
    TControl* Target = nullptr;
    bool Accepted = false;
    bool CursorSet = false;
};

std::unique_ptr<TDragOperation> gDrag;

// While a drag runs, the pointer and the Escape key belong to it.
class TDragWatch : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!gDrag) return false;
        switch (event->type()) {
        case QEvent::MouseMove: {
            // Even before it starts, the drag holds the pointer: the press is not a selection
            // being stretched.
            auto* me = static_cast<QMouseEvent*>(event);
            DragMoveTo(me->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton) return false;
            DragMoveTo(me->globalPosition().toPoint());
            if (gDrag) gDrag->Source->EndDrag(true);
            return true;
        }
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
            gDrag->Source->EndDrag(false);
            return true;
        default: return false;
        }
    }

public:
    static void DragMoveTo(const QPoint& global);
};

std::unique_ptr<TDragWatch> gWatch;

TPoint Local(TControl* control, const QPoint& global) { return control->ScreenToClient(TPoint{global.x(), global.y()}); }

void SetDragCursor(TCursor cursor) {
    const QCursor shape = Screen->Cursors(cursor);
    if (gDrag->CursorSet) {
        QApplication::changeOverrideCursor(shape);
    } else {
        QApplication::setOverrideCursor(shape);
        gDrag->CursorSet = true;
    }
}

void TDragWatch::DragMoveTo(const QPoint& global) {
    gDrag->Last = global;
    if (!gDrag->Started) {
        if ((global - gDrag->Start).manhattanLength() < gDrag->Threshold) return;
        gDrag->Started = true;
        TObject* dragObject = nullptr;
        TControl* source = gDrag->Source;
        Guarded(source, [&] { source->DoStartDrag(dragObject); });
        if (!gDrag) return;  // ended by its own handler
        gDrag->DragObject = dragObject ? dragObject : source;
    }
    TControl* target = FindDragTarget(TPoint{global.x(), global.y()}, false);
    TDragState state = dsDragMove;
    if (target != gDrag->Target) {
        if (TControl* old = gDrag->Target) {
            bool accept = false;
            const TPoint p = Local(old, global);
            Guarded(old, [&] { old->DragOver(gDrag->DragObject, p.X, p.Y, dsDragLeave, accept); });
            if (!gDrag) return;
        }
        gDrag->Target = target;
        state = dsDragEnter;
    }
    bool accept = false;
    if (target) {
        const TPoint p = Local(target, global);
        Guarded(target, [&] { target->DragOver(gDrag->DragObject, p.X, p.Y, state, accept); });
        if (!gDrag) return;
    }
    gDrag->Accepted = accept;
    SetDragCursor(accept ? gDrag->Source->DragCursor() : crNoDrop);
}

}  // namespace

void ForgetDragControl(TControl* control) {
    if (!gDrag) return;
    if (gDrag->Target == control) gDrag->Target = nullptr;
    if (gDrag->DragObject == control) gDrag->DragObject = nullptr;
    if (gDrag->Source == control) {
        if (gDrag->CursorSet) QApplication::restoreOverrideCursor();
        gDrag.reset();
        if (QCoreApplication::instance() && gWatch) QCoreApplication::instance()->removeEventFilter(gWatch.get());
    }
}

}  // namespace platform::forms

using namespace platform::forms;

void TControl::BeginDrag(bool immediate, int threshold) {
    if (gDrag || !QCoreApplication::instance()) return;
    gDrag = std::make_unique<TDragOperation>();
    gDrag->Source = this;
    gDrag->Start = gDrag->Last = QCursor::pos();
    gDrag->Threshold = threshold < 0 ? QApplication::startDragDistance() : threshold;
    if (!gWatch) gWatch = std::make_unique<TDragWatch>();
    QCoreApplication::instance()->installEventFilter(gWatch.get());
    if (immediate) {
        gDrag->Threshold = 0;
        TDragWatch::DragMoveTo(gDrag->Start);
    }
}

void TControl::BeginDragAt(const TPoint& globalStart, int threshold) {
    BeginDrag(false, threshold);
    if (gDrag && gDrag->Source == this) gDrag->Start = gDrag->Last = QPoint(globalStart.X, globalStart.Y);
}

bool TControl::Dragging() const { return gDrag && gDrag->Source == this; }

void TControl::EndDrag(bool drop) {
    if (!Dragging()) return;
    std::unique_ptr<TDragOperation> op = std::move(gDrag);
    QCoreApplication::instance()->removeEventFilter(gWatch.get());
    if (op->CursorSet) QApplication::restoreOverrideCursor();
    TControl* target = drop && op->Started && op->Accepted ? op->Target : nullptr;
    TPoint at{0, 0};
    if (target) {
        at = Local(target, op->Last);
        Guarded(target, [&] { target->DragDrop(op->DragObject, at.X, at.Y); });
    } else {
        if (op->Started && op->Target) {
            bool accept = false;
            const TPoint p = Local(op->Target, op->Last);
            Guarded(op->Target, [&] { op->Target->DragOver(op->DragObject, p.X, p.Y, dsDragLeave, accept); });
        }
        Guarded(this, [&] { DragCanceled(); });
    }
    Guarded(this, [&] { DoEndDrag(target, at.X, at.Y); });
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, source, x, y, state, accept);
    }
}

void TControl::DragDrop(TObject* source, int x, int y) { OnDragDrop(this, source, x, y); }

void TControl::DoStartDrag(TObject*& dragObject) { OnStartDrag(this, dragObject); }

void TControl::DoEndDrag(TObject* target, int x, int y) { OnEndDrag(this, target, x, y); }
