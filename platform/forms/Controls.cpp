#include "platform/forms/Controls.h"

#include "platform/db/Espera.h"
#include "platform/forms/Forms.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

using namespace platform::forms;

QString GetShortHint(const QString& hint) {
    const qsizetype i = hint.indexOf(QLatin1Char('|'));
    return i < 0 ? hint : hint.left(i);
}

QString GetLongHint(const QString& hint) {
    const qsizetype i = hint.indexOf(QLatin1Char('|'));
    return i < 0 ? hint : hint.mid(i + 1);
}

namespace platform::forms {

bool Guarded(TObject* sender, const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        Application->HandleException(sender);
        return false;
    }
}

namespace {
void LaterAfter(QObject* context, std::function<void()> fn, int ms) {
    QTimer::singleShot(ms, context, [context, fn = std::move(fn)]() mutable {
        if (platform::db::ServerWaitRunning()) return LaterAfter(context, std::move(fn), platform::db::kServerWaitSliceMs);
        fn();
    });
}
}  // namespace

void Later(QObject* context, std::function<void()> fn) { LaterAfter(context, std::move(fn), 0); }

TControl* ControlOfWidget(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* link = dynamic_cast<const THostLink*>(w))
            if (link->LinkedControl()) return link->LinkedControl();
    }
    return nullptr;
}

bool DispatchHostEvent(TControl* control, QEvent* event, const std::function<bool(QEvent*)>& base) {
    // Hooks: the last one added sees the event first and may keep it from the control; the end
    // of the widget reaches the control whatever they say.
    const bool destroy = event->type() == QEvent::Destroy;
    if (!control->FHooks.empty()) {
        auto hooks = control->FHooks;
        for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
            bool handled = false;
            if (it->Before) Guarded(control, [&] { handled = it->Before(event); });
            if (handled && !destroy) return true;
        }
    }
    if (event->type() == QEvent::InputMethodQuery) {
        // Qt's lists and plain widgets tell the input method they take no text, and a dead key
        // then types nothing: one that searches as the user types says it does.
        auto* wc = dynamic_cast<TWinControl*>(control);
        auto* query = static_cast<QInputMethodQueryEvent*>(event);
        if (wc && wc->TakesComposedText() && (query->queries() & Qt::ImEnabled)) {
            base(event);
            query->setValue(Qt::ImEnabled, wc->Widget()->isEnabled());
            query->accept();
            return true;
        }
    }
    bool consumed = false;
    // A handler that raised has had its say: the widget does not act on the event as well.
    if (!Guarded(control, [&] { consumed = control->WidgetEvent(event); })) consumed = true;
    bool result = true;
    if (!consumed) {
        if (control->FReplacedEvent) {
            std::unique_ptr<QEvent> replaced = std::move(control->FReplacedEvent);
            result = base(replaced.get());
        } else {
            result = base(event);
        }
        // Keys and mouse clicks belong to the control they reached: Qt must not hand them on to
        // the parent controls (which would see them a second time).
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            event->accept();
            result = true;
            break;
        default: break;
        }
    }
    if (!control->FHooks.empty()) {
        auto hooks = control->FHooks;
        for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
            if (it->After) Guarded(control, [&] { it->After(event); });
    }
    return result;
}

quint16 VirtualKeyFromQt(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return quint16('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return quint16('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return quint16(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    // Only the keypad's signs have codes of their own: on the main keyboard they are characters
    // (a Spanish one types "+" without Shift, and a date edit must not take it for a day on).
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0;
    case Qt::Key_Clear: return VK_CLEAR;
    default: return 0;
    }
}

int QtKeyFromVirtualKey(quint16 vk) {
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F12) return Qt::Key_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return Qt::Key_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_PAUSE: return Qt::Key_Pause;
    case VK_CAPITAL: return Qt::Key_CapsLock;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_HELP: return Qt::Key_Help;
    case VK_NUMLOCK: return Qt::Key_NumLock;
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DIVIDE: return Qt::Key_Slash;
    case VK_DECIMAL: return Qt::Key_Period;
    default: return Qt::Key_unknown;
    }
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    if (b & Qt::LeftButton) s |= ssLeft;
    if (b & Qt::RightButton) s |= ssRight;
    if (b & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

}  // namespace platform::forms

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner), FColor(clBtnFace), FFont(std::make_unique<TFont>()) {
    ApplicationInstance();  // widgets need the Qt application: the first control brings it up
    FFont->OnChange = TNotifyEvent([this](TObject*) { FontChanged(); });
    FConstraints.OnChange = [this] {
        if (!FWidget) return;
        FWidget->setMinimumSize(FConstraints.MinWidth(), FConstraints.MinHeight());
        FWidget->setMaximumSize(FConstraints.MaxWidth() > 0 ? FConstraints.MaxWidth() : QWIDGETSIZE_MAX,
                                FConstraints.MaxHeight() > 0 ? FConstraints.MaxHeight() : QWIDGETSIZE_MAX);
        if (FWidget->isWindow()) return;
        // Sized within its new limits, and its parent (a scrolling form) told what it now needs.
        SetBounds(FLeft, FTop, FWidth, FHeight);
        if (FParent) FParent->ControlsMoved();
    };
}

TControl::~TControl() {
    Destroying();
    ForgetControl(this);
    ForgetDragControl(this);
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
    if (FWidget) {
        if (auto* link = dynamic_cast<THostLink*>(FWidget)) link->Detach();
        QWidget* w = FWidget;
        FWidget = nullptr;
        delete w;
    }
}

void TControl::SetWidget(QWidget* widget) {
    if (FWidget) {
        // The hooks see the old widget go, as they would see its window destroyed.
        if (!FHooks.empty()) {
            QEvent gone(QEvent::Destroy);
            QCoreApplication::sendEvent(FWidget, &gone);
        }
        // A descendant replaces the plain widget its base made.
        if (auto* link = dynamic_cast<THostLink*>(FWidget)) link->Detach();
        delete FWidget;
    }
    FWidget = widget;
    FWidget->hide();
    FWidget->setAttribute(Qt::WA_DeleteOnClose, false);
    FWidget->setMouseTracking(true);
    FWidget->setFocusPolicy(Qt::NoFocus);
    ApplyFontToWidget();
    ApplyColorToWidget();
    // A widget installed late takes the place, state and look the control already has.
    if (FParent && !FWidget->isWindow()) FWidget->setParent(FParent->ClientWidget());
    FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
    FWidget->setEnabled(FEnabled);
    if (FParent) FWidget->setVisible(FVisible);
    ApplyToolTip();
    if (FCursor != crDefault) ApplyCursor();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    TWinControl* old = FParent;
    if (old) old->RemoveControl(this);
    FParent = nullptr;
    if (parent) parent->InsertControl(this);
    FParent = parent;
    auto* self = dynamic_cast<TWinControl*>(this);
    const bool floating = self && self->IsPopupWindow();
    if (FWidget && !floating) {
        FWidget->setParent(parent ? parent->ClientWidget() : nullptr, FWidget->windowFlags() & ~Qt::WindowType_Mask);
        if (parent) {
            FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
            FWidget->setVisible(FVisible);
        }
    }
    if (parent) {
        if (FParentFont) CMParentFontChanged();
        if (FParentColor) CMParentColorChanged();
        if (FParentShowHint) CMParentShowHintChanged();
        if (FWidget) FWidget->setEnabled(FEnabled);
    }
    if (old && (FAlign != alNone)) old->Realign();
    if (old) old->ControlsMoved();
    RequestParentAlign();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (FConstraints.MinWidth() > 0) width = std::max(width, FConstraints.MinWidth());
    if (FConstraints.MinHeight() > 0) height = std::max(height, FConstraints.MinHeight());
    if (FConstraints.MaxWidth() > 0) width = std::min(width, FConstraints.MaxWidth());
    if (FConstraints.MaxHeight() > 0) height = std::min(height, FConstraints.MaxHeight());
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    const bool sizeChanged = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FWidget) {
        if (FWidget->isWindow()) {
            FWidget->move(left, top);
            FWidget->resize(width, height);
        } else {
            FWidget->setGeometry(left, top, width, height);
        }
    }
    BoundsChanged(sizeChanged);
    RequestParentAlign();
}

void TControl::BoundsChanged(bool sizeChanged) {
    if (sizeChanged && (FWidth != FNotifiedWidth || FHeight != FNotifiedHeight)) {
        FNotifiedWidth = FWidth;
        FNotifiedHeight = FHeight;
        if (!HasState(csLoading) && !HasState(csDestroying)) Resize();
    }
}

void TControl::RequestParentAlign() {
    if (!FParent) return;
    if (FAlign != alNone && !FParent->FAligning) FParent->Realign();
    FParent->ControlsMoved();
}

TPoint TControl::ClientToScreen(const TPoint& p) const {
    if (!FWidget) return p;
    const QPoint q = FWidget->mapToGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(const TPoint& p) const {
    if (!FWidget) return p;
    const QPoint q = FWidget->mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    if (FParent) {
        FParent->Realign();
        FParent->ControlsMoved();
    }
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    if (value && FWidget && FWidget->isWindow())
        if (auto* self = dynamic_cast<TWinControl*>(this); self && self->IsPopupWindow()) self->HangPopupOnForm();
    if (FWidget && (FParent || FWidget->isWindow())) FWidget->setVisible(value);
    Guarded(this, [this] { CMVisibleChanged(); });
    if (FParent && FAlign != alNone) FParent->Realign();
    if (FParent) FParent->ControlsMoved();
}

bool TControl::IsShowing() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    CMEnabledChanged();
}

void TControl::SetText(const QString& v) {
    if (v == GetText()) return;
    SetTextValue(v);
    CMTextChanged();
}

void TControl::SetColor(TColor value) {
    if (value == FColor) {
        FParentColor = false;
        return;
    }
    FColor = value;
    FParentColor = false;
    CMColorChanged();
}

void TControl::SetParentColor(bool value) {
    FParentColor = value;
    if (value && FParent) CMParentColorChanged();
}

void TControl::SetFont(TFont* value) {
    if (value) FFont->Assign(value);
}

void TControl::FontChanged() {
    if (!FApplyingParentFont) FParentFont = false;
    CMFontChanged();
}

void TControl::SetParentFont(bool value) {
    FParentFont = value;
    if (value && FParent) CMParentFontChanged();
}

void TControl::SetCtl3D(bool value) {
    FCtl3D = value;
    FParentCtl3D = false;
    Invalidate();
}

void TControl::SetHint(const QString& value) {
    FHint = value;
    ApplyToolTip();
}

void TControl::SetShowHint(bool value) {
    FShowHint = value;
    FParentShowHint = false;
    ApplyToolTip();
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (int i = 0; i < w->ControlCount(); ++i)
            if (w->Controls(i)->FParentShowHint) w->Controls(i)->CMParentShowHintChanged();
}

void TControl::SetParentShowHint(bool value) {
    FParentShowHint = value;
    if (value) CMParentShowHintChanged();
}

bool TControl::EffectiveShowHint() const {
    const TControl* c = this;
    while (c && c->FParentShowHint && c->FParent) c = c->FParent;
    return c ? c->FShowHint : false;
}

void TControl::ApplyToolTip() {
    if (!FWidget) return;
    const bool show = EffectiveShowHint() && Application->ShowHint();
    FWidget->setToolTip(show ? GetShortHint(FHint) : QString());
}

void TControl::SetCursor(TCursor value) {
    FCursor = value;
    ApplyCursor();
}

void TControl::ApplyCursor() {
    if (!FWidget) return;
    if (FCursor == crDefault)
        FWidget->unsetCursor();
    else
        FWidget->setCursor(Screen->Cursors(FCursor));
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    FPopupMenu = menu;
    if (menu) menu->FreeNotification(this);
}

bool TControl::MouseCapture() const { return FCapture; }

void TControl::SetMouseCapture(bool value) {
    if (value == FCapture) return;
    FCapture = value;
    if (!FWidget) return;
    if (value && FWidget->isVisible())
        FWidget->grabMouse();
    else if (!value && QWidget::mouseGrabber() == FWidget)
        FWidget->releaseMouse();
}

void TControl::Invalidate() {
    if (!FWidget) return;
    const QRegion own = OwnPaintArea();
    if (own.isEmpty()) FWidget->update();
    else FWidget->update(own);
}

void TControl::Repaint() {
    if (!FWidget) return;
    const QRegion own = OwnPaintArea();
    if (own.isEmpty()) FWidget->repaint();
    else FWidget->repaint(own);
}

void TControl::Update() { Repaint(); }

void TControl::BringToFront() {
    if (FWidget) FWidget->raise();
}

void TControl::SendToBack() {
    if (FWidget) FWidget->lower();
}

void TControl::Click() { OnClick(this); }
void TControl::DblClick() { OnDblClick(this); }
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) { OnMouseDown(this, b, s, x, y); }
void TControl::MouseMove(TShiftState s, int x, int y) { OnMouseMove(this, s, x, y); }
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) { OnMouseUp(this, b, s, x, y); }
void TControl::Resize() { OnResize(this); }

int TControl::AddMessageHook(THookBefore before, THookAfter after) {
    const int id = FNextHookId++;
    FHooks.push_back({id, std::move(before), std::move(after)});
    return id;
}

void TControl::RemoveMessageHook(int id) {
    FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(), [id](const THook& h) { return h.Id == id; }),
                 FHooks.end());
}

void TControl::CMEnabledChanged() {
    if (FWidget) FWidget->setEnabled(FEnabled);
    Invalidate();
}

void TControl::CMVisibleChanged() {}

void TControl::CMFontChanged() {
    ApplyFontToWidget();
    Invalidate();
}

void TControl::CMTextChanged() { Invalidate(); }

void TControl::CMColorChanged() {
    ApplyColorToWidget();
    Invalidate();
}

void TControl::CMMouseEnter() {
    OnMouseEnter(this);
    // The application's hint follows the control under the mouse: the first hint up the parents.
    QString hint;
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FHint.isEmpty()) {
            hint = c->FHint;
            break;
        }
    Application->SetHint(GetLongHint(hint));
}

void TControl::CMMouseLeave() { OnMouseLeave(this); }
void TControl::CMCancelMode(TControl*) {}

void TControl::CMParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FApplyingParentFont = true;
    FFont->Assign(FParent->Font());
    FApplyingParentFont = false;
    FParentFont = true;
}

void TControl::CMParentColorChanged() {
    if (!FParentColor || !FParent) return;
    FColor = FParent->Color();
    CMColorChanged();
}

void TControl::CMParentShowHintChanged() {
    ApplyToolTip();
}

bool TControl::CMDialogKey(quint16, TShiftState) { return false; }
bool TControl::CMDialogChar(QChar) { return false; }

void TControl::ApplyFontToWidget() {
    if (FWidget) FWidget->setFont(QtFont(FFont.get()));
}

void TControl::ApplyColorToWidget() {
    if (!FWidget) return;
    QPalette pal = FWidget->palette();
    const QColor c = QtColor(FColor);
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
    // The font's colour is the text of a usable control; a disabled one (and every menu title
    // or item under it) keeps the grey the system draws disabled text with.
    const QColor text = QtColor(FFont->Color());
    const QColor gray = QtColor(clGrayText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(QPalette::Active, role, text);
        pal.setColor(QPalette::Inactive, role, text);
        pal.setColor(QPalette::Disabled, role, gray);
    }
    FWidget->setPalette(pal);
}

void TControl::ContextPopup(const QPoint& globalPos, bool& handled) {
    for (TControl* c = this; c; c = c->FParent) {
        if (c->FPopupMenu && c->FPopupMenu->AutoPopup()) {
            c->FPopupMenu->SetPopupComponent(this);
            c->FPopupMenu->Popup(globalPos.x(), globalPos.y());
            handled = true;
            return;
        }
    }
}

bool TControl::DispatchMouse(QEvent* event) {
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = me->position().toPoint();
    const TShiftState shift = ShiftStateFromQt(me->modifiers(), me->buttons());
    TMouseButton button = mbLeft;
    if (me->button() == Qt::RightButton) button = mbRight;
    if (me->button() == Qt::MiddleButton) button = mbMiddle;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        TCustomForm* form = GetParentForm(this);
        if (form) form->CancelModeFrom(this);
        if (auto* w = dynamic_cast<TWinControl*>(this);
            w && !(form && form->TakeMouseFocus(w)) && w->CanFocus() && w->Widget()->focusPolicy() != Qt::NoFocus)
            w->SetFocus();
        if (button == mbLeft && (FControlStyle & csClickEvents)) FClicked = true;
        MouseDown(button, shift, p.x(), p.y());
        if (button == mbLeft && FDragMode == dmAutomatic && !Dragging()) {
            const QPoint g = me->globalPosition().toPoint();
            BeginDragAt(TPoint{g.x(), g.y()});
        }
        return false;
    }
    case QEvent::MouseButtonDblClick:
        if (button == mbLeft && (FControlStyle & csDoubleClicks)) DblClick();
        MouseDown(button, shift | ssDouble, p.x(), p.y());
        return false;
    case QEvent::MouseMove:
        MouseMove(shift, p.x(), p.y());
        return false;
    case QEvent::MouseButtonRelease: {
        const bool clicked = FClicked && button == mbLeft;
        FClicked = false;
        if (FCapture) SetMouseCapture(false);
        MouseUp(button, shift, p.x(), p.y());
        if (clicked && p.x() >= 0 && p.y() >= 0 && p.x() < FWidth && p.y() < FHeight) Click();
        return false;
    }
    default: return false;
    }
}

bool TControl::WidgetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        // Disabled, or inside a disabled container: the press acts on nothing here, yet it still
        // ends what another control has open (a drop-down list), as a press anywhere else does.
        if (!FEnabled || (FWidget && !FWidget->isEnabled())) {
            if (event->type() == QEvent::MouseButtonPress)
                if (auto* form = GetParentForm(this)) form->CancelModeFrom(this);
            return false;
        }
        return DispatchMouse(event);
    case QEvent::Enter:
        if (!FMouseInControl) {
            FMouseInControl = true;
            CMMouseEnter();
        }
        return false;
    case QEvent::Leave:
        if (FMouseInControl) {
            FMouseInControl = false;
            CMMouseLeave();
        }
        return false;
    case QEvent::ContextMenu: {
        bool handled = false;
        ContextPopup(static_cast<QContextMenuEvent*>(event)->globalPos(), handled);
        return handled;
    }
    case QEvent::Resize:
        if (FWidget && FWidget->isWindow()) {
            const QSize s = FWidget->size();
            if (s.width() != FWidth || s.height() != FHeight) {
                FWidth = s.width();
                FHeight = s.height();
                BoundsChanged(true);
            }
        }
        return false;
    case QEvent::Move:
        if (FWidget && FWidget->isWindow()) {
            FLeft = FWidget->x();
            FTop = FWidget->y();
        }
        return false;
    default: return false;
    }
}

// ---------------------------------------------------------------------------------------------
// TWinControl

// A plain container widget; descendants with a widget of their own replace it.
TWinControl::TWinControl(TComponent* owner) : TControl(owner) { SetWidget(new THost<QWidget>(this)); }

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        if (PtInRect(c->BoundsRect(), pos)) return c;
    }
    return nullptr;
}

TControl* FindDragTarget(const TPoint& pos, bool allowDisabled) {
    QWidget* w = QApplication::widgetAt(pos.X, pos.Y);
    TControl* c = ControlOfWidget(w);
    if (c && !allowDisabled && !c->Enabled()) return nullptr;
    return c;
}

TWinControl::~TWinControl() {
    Destroying();
    // Children go first, while our widget still exists to hold theirs.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        delete c;
    }
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    if (auto* w = dynamic_cast<TWinControl*>(control)) FTabList.push_back(w);
}

void TWinControl::RemoveControl(TControl* control) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
    if (auto* form = GetParentForm(this)) form->ControlRemoved(control);
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    auto& list = Parent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (!Parent()) return;
    auto& list = Parent()->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    value = std::clamp(value, 0, int(list.size()));
    list.insert(list.begin() + value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

bool TWinControl::CanFocus() const {
    if (FPopupWindow) return false;
    for (const TControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
        if (dynamic_cast<const TCustomForm*>(c)) return true;
    }
    return false;
}

bool TWinControl::Focused() const {
    auto* form = GetParentForm(this);
    return form && form->ActiveControl() == this;
}

void TWinControl::SetFocus() {
    TCustomForm* form = GetParentForm(this);
    if (!form) return;
    if (!CanFocus()) throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    form->FocusControl(this);
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int n = int(list.size());
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (list[size_t(i)] == current) start = i;
    if (start < 0) start = goForward ? n - 1 : 0;
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[size_t(i)];
        if (c == current) break;
        if (!c->CanFocus()) continue;
        if (checkTabStop && !c->TabStop()) continue;
        if (checkParent && c->Parent() != this) continue;
        // Containers take the focus only when they have nothing focusable of their own.
        if (!c->FTabList.empty() && !c->TabStopsAtContainer() && c->FindNextControl(nullptr, true, checkTabStop, false))
            continue;
        return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    TWinControl* next = FindNextControl(current, goForward, checkTabStop, false);
    if (next) next->SetFocus();
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || FAligning) return;
    FAligning = true;
    TRect r = ClientRect();
    AdjustClientRect(r);
    try {
        AlignControls(r);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::AlignControls(TRect& r) {
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        for (TControl* c : FControls) {
            if (c->Align() != a || !c->Visible()) continue;
            const int w = c->Width(), h = c->Height();
            switch (a) {
            case alTop:
                c->SetBounds(r.Left, r.Top, r.Width(), h);
                r.Top += c->Height();
                break;
            case alBottom:
                c->SetBounds(r.Left, r.Bottom - h, r.Width(), h);
                r.Bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(r.Left, r.Top, w, r.Height());
                r.Left += c->Width();
                break;
            case alRight:
                c->SetBounds(r.Right - w, r.Top, w, r.Height());
                r.Right -= c->Width();
                break;
            case alClient: c->SetBounds(r.Left, r.Top, r.Width(), r.Height()); break;
            default: break;
            }
        }
    }
}

void TWinControl::BoundsChanged(bool sizeChanged) {
    if (sizeChanged) Realign();
    TControl::BoundsChanged(sizeChanged);
}

void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }
void TWinControl::CMFocusChanged(TWinControl*) {}

void TWinControl::KeyDown(quint16& key, TShiftState shift) { OnKeyDown(this, key, shift); }
void TWinControl::KeyUp(quint16& key, TShiftState shift) { OnKeyUp(this, key, shift); }
void TWinControl::KeyPress(QChar& key) { OnKeyPress(this, key); }

bool TWinControl::WantsKey(quint16 key, TShiftState) const {
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE: return false;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return FWidget && FWidget->focusPolicy() != Qt::NoFocus;
    default: return true;
    }
}

bool TWinControl::CMDialogKey(quint16 key, TShiftState shift) {
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->Visible() && c->Enabled() && c->CMDialogKey(key, shift)) return true;
    return false;
}

bool TWinControl::CMDialogChar(QChar ch) {
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->Visible() && c->Enabled() && c->CMDialogChar(ch)) return true;
    return false;
}

void TWinControl::CMParentFontChanged() {
    TControl::CMParentFontChanged();
}

void TWinControl::CMFontChanged() {
    TControl::CMFontChanged();
    for (TControl* c : FControls)
        if (c->ParentFont()) c->CMParentFontChanged();
}

void TWinControl::CMParentColorChanged() { TControl::CMParentColorChanged(); }

void TWinControl::CMColorChanged() {
    TControl::CMColorChanged();
    for (TControl* c : FControls)
        if (c->ParentColor()) c->CMParentColorChanged();
}

void TWinControl::CMParentShowHintChanged() {
    TControl::CMParentShowHintChanged();
    for (TControl* c : FControls)
        if (c->ParentShowHint()) c->CMParentShowHintChanged();
}

void TWinControl::CMEnabledChanged() {
    TControl::CMEnabledChanged();
    if (!Enabled()) {
        auto* form = GetParentForm(this);
        if (form && form->ActiveControl() && ContainsControl(form->ActiveControl()) && form != this)
            form->ActiveControlDisabled(this);
    }
}

void TWinControl::MakePopupWindow() {
    FPopupWindow = true;
    FWidget->setParent(nullptr);
    // A drop-down lives outside its form yet belongs to it: the window manager must neither
    // place, decorate nor focus it, and the modal form that owns it must not block its clicks
    // (a plain tool window is blocked like any other window outside a modal one).
    FWidget->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    FWidget->setAttribute(Qt::WA_ShowWithoutActivating);
    FWidget->setFocusPolicy(Qt::NoFocus);
    FWidget->setGeometry(Left(), Top(), Width(), Height());
    FWidget->setVisible(Visible());
}

void TWinControl::HangPopupOnForm() {
    // A drop-down belongs to the window of the form its edit is on: a modal form blocks the
    // input of every window that does not hang on it.
    const TControl* owner = FParent ? FParent : dynamic_cast<const TControl*>(Owner());
    TCustomForm* form = owner ? GetParentForm(owner) : nullptr;
    QWidget* window = form ? form->Widget() : nullptr;
    if (!window || window == FWidget->parentWidget()) return;
    const QRect bounds = FWidget->geometry();
    FWidget->setParent(window, FWidget->windowFlags());
    FWidget->setGeometry(bounds);
}

bool TWinControl::HandleKeyEvent(QKeyEvent* ke) {
    TCustomForm* form = GetParentForm(this);
    const quint16 vk0 = VirtualKeyFromQt(ke->key(), ke->modifiers() & Qt::KeypadModifier);
    const TShiftState shift = ShiftStateFromQt(ke->modifiers());
    if (ke->type() == QEvent::KeyRelease) {
        quint16 key = vk0;
        if (form && form->KeyPreview() && form != this) {
            form->KeyUp(key, shift);
            if (key == 0) return true;
        }
        KeyUp(key, shift);
        return key == 0;
    }
    // Menu shortcuts first, then the keys the form uses when the control does not want them.
    if (form && vk0 && form->IsShortCut(vk0, shift)) return true;
    // Alt with a letter or digit: the control whose caption marks it takes it.
    if (form && (shift & ssAlt) && !(shift & ssCtrl) && ((vk0 >= 'A' && vk0 <= 'Z') || (vk0 >= '0' && vk0 <= '9')) &&
        form->CMDialogChar(QChar(vk0))) {
        form->Widget()->setAttribute(Qt::WA_KeyboardFocusChange);
        return true;
    }
    if (form && vk0 && !WantsKey(vk0, shift) && form->CMDialogKey(vk0, shift)) return true;
    quint16 key = vk0;
    if (key) {
        if (form && form->KeyPreview() && form != this) {
            form->KeyDown(key, shift);
            if (key == 0) return true;
        }
        KeyDown(key, shift);
        if (key == 0) return true;
        if (key == VK_F10 && shift == ssShift && FWidget) {
            // Shift+F10 is the menu key of keyboards without one: the control's pop-up menu,
            // over the control.
            const QPoint at = FWidget->rect().center();
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, FWidget->mapToGlobal(at), Qt::NoModifier);
            QCoreApplication::sendEvent(FWidget, &menu);
            return true;
        }
        if (key == VK_F1 && shift == 0) {
            // Help for the nearest control (or the form) that names a topic.
            for (TControl* c = this; c; c = c->Parent())
                if (c->HelpContext() != 0) {
                    Application->HelpContext(c->HelpContext());
                    return true;
                }
        }
    }
    QString text = ke->text();
    if (text.isEmpty()) {
        if (vk0 == VK_RETURN) text = QStringLiteral("\r");
        else if (vk0 == VK_ESCAPE) text = QString(QChar(27));
        else if (vk0 == VK_BACK) text = QString(QChar(8));
    }
    // Ctrl+Enter types a line feed, not Enter's carriage return: the forms run Ctrl+Enter from
    // the key itself, and a carriage return would run their Enter command a second time.
    if (vk0 == VK_RETURN && (shift & ssCtrl)) text = QString(QChar(10));
    bool keypadDecimal = false;
    if ((ke->modifiers() & Qt::KeypadModifier) && text.size() == 1 &&
        (text[0] == QLatin1Char('.') || text[0] == QLatin1Char(','))) {
        const QChar typed = KeypadDecimal(text[0]);
        keypadDecimal = typed != text[0];
        text = QString(typed);
    }
    if (text.size() == 1 && !(shift & ssCtrl && text[0] >= QChar(32))) {
        QChar ch = text[0];
        if (form && form->KeyPreview() && form != this) {
            form->KeyPress(ch);
            if (ch.isNull()) return true;
        }
        KeyPress(ch);
        if (ch.isNull()) return true;
        if (ch != text[0] || keypadDecimal) {
            // The handler changed the character: the widget gets the new one.
            FReplacedEvent = std::make_unique<QKeyEvent>(ke->type(), ke->key(), ke->modifiers(), QString(ch),
                                                         ke->isAutoRepeat());
            return false;
        }
    }
    // Tab that nothing took: move the focus ourselves, never through Qt's focus chain.
    if (vk0 == VK_TAB && !WantsKey(VK_TAB, shift)) return true;
    return false;
}

bool TWinControl::HandleInputMethodEvent(QInputMethodEvent* ime) {
    const QString commit = ime->commitString();
    if (commit.isEmpty()) return false;
    TCustomForm* form = GetParentForm(this);
    QString kept;
    for (qsizetype i = 0; i < commit.size(); ++i) {
        QChar ch = commit[i];
        if (ch.isSurrogate()) {
            kept += ch;
            continue;
        }
        if (form && form->KeyPreview() && form != this) form->KeyPress(ch);
        if (!ch.isNull()) KeyPress(ch);
        if (!ch.isNull()) kept += ch;
    }
    if (kept == commit) return false;
    auto replaced = std::make_unique<QInputMethodEvent>(ime->preeditString(), ime->attributes());
    replaced->setCommitString(kept, ime->replacementStart(), ime->replacementLength());
    FReplacedEvent = std::move(replaced);
    return false;
}

bool TWinControl::WidgetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return HandleKeyEvent(static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
        return HandleInputMethodEvent(static_cast<QInputMethodEvent*>(event));
    case QEvent::ShortcutOverride: {
        // Keep Qt's own shortcuts (select all, undo...) from stealing keys the form wants first.
        return false;
    }
    case QEvent::Wheel:
        // A combo box turns its items under the wheel only when the user is in it: one the
        // pointer merely passes over keeps its value.
        if (qobject_cast<QComboBox*>(FWidget) && !Focused()) {
            event->ignore();
            return true;
        }
        return false;
    case QEvent::FocusIn: {
        auto* form = GetParentForm(this);
        if (!form || form == this) return false;
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) form->NoteMouseFocus(this);
        if (form->ActiveControl() != this) form->FocusControl(this);
        return false;
    }
    default: return TControl::WidgetEvent(event);
    }
}

// ---------------------------------------------------------------------------------------------
// Graphic and custom controls

namespace {
void PaintThroughCanvas(TControl* control, TCanvas* canvas, const std::function<void()>& paint) {
    QPainter painter(control->Widget());
    BindCanvas(canvas, &painter, control->Font(), control->Color());
    Guarded(control, paint);
    UnbindCanvas(canvas);
}
}  // namespace

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), FCanvas(std::make_unique<TCanvas>()) {
    SetWidget(new THost<QWidget>(this));
    FWidget->setAttribute(Qt::WA_NoSystemBackground);
    FWidget->setAutoFillBackground(false);
}

TGraphicControl::~TGraphicControl() = default;

bool TGraphicControl::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        PaintThroughCanvas(this, FCanvas.get(), [this] { Paint(); });
        return true;
    }
    return TControl::WidgetEvent(event);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TCanvas>()) {
    SetWidget(new THost<QWidget>(this));
    FWidget->setAutoFillBackground(true);
    FWidget->setFocusPolicy(Qt::StrongFocus);
}

TCustomControl::~TCustomControl() = default;

bool TCustomControl::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        PaintThroughCanvas(this, FCanvas.get(), [this] { Paint(); });
        return true;
    }
    return TWinControl::WidgetEvent(event);
}

TCustomForm* GetParentForm(const TControl* control) {
    for (const TControl* c = control; c; c = c->Parent())
        if (auto* f = dynamic_cast<const TCustomForm*>(c)) return const_cast<TCustomForm*>(f);
    return nullptr;
}
