#pragma once
// Controls on Qt widgets. Every control is a component owned by its form, placed on a parent
// control by SetParent, positioned in pixels, and backed by one QWidget that forwards its events
// here. A graphic control is a child widget that never takes the focus and is painted through a
// TCanvas; it sits on its parent's surface like a windowless control. Layout is ours (Align),
// never Qt's layouts.
#include "platform/classes/Component.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Events.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QKeyEvent;
class QInputMethodEvent;
class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state: a set of these bits. Key events carry only shift, alt and ctrl.
enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

// Control style flags.
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csClickEvents = 1u << 2,
    csFramed = 1u << 3,
    csSetCaption = 1u << 4,
    csOpaque = 1u << 5,
    csDoubleClicks = 1u << 6,
    csFixedWidth = 1u << 7,
    csFixedHeight = 1u << 8,
    csNoDesignVisible = 1u << 9,
    csReplicatable = 1u << 10,
    csNoStdEvents = 1u << 11,
};
using TControlStyle = unsigned;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                  crSizeAll = -22;

// Virtual key codes.
constexpr quint16 VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04,
                  VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                  VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
                  VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
                  VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                  VK_SELECT = 0x29, VK_PRINT = 0x2A, VK_EXECUTE = 0x2B, VK_SNAPSHOT = 0x2C,
                  VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_HELP = 0x2F, VK_NUMPAD0 = 0x60,
                  VK_NUMPAD9 = 0x69, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C,
                  VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71,
                  VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77,
                  VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B, VK_NUMLOCK = 0x90,
                  VK_SCROLL = 0x91;

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TKeyEvent = TEvent<TObject*, quint16&, TShiftState>;
using TKeyPressEvent = TEvent<TObject*, QChar&>;

// Dragging one control onto another: dmAutomatic starts a drag at each left press.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TDragOverEvent = TEvent<TObject*, TObject*, int, int, TDragState, bool&>;  // source, x, y, state, accept
using TDragDropEvent = TEvent<TObject*, TObject*, int, int>;                     // source, x, y
using TEndDragEvent = TEvent<TObject*, TObject*, int, int>;                      // target (none), x, y
using TStartDragEvent = TEvent<TObject*, TObject*&>;                             // what is dragged

// The part of a hint before "|" (the tooltip) and after it (the status-bar text).
QString GetShortHint(const QString& hint);
QString GetLongHint(const QString& hint);

namespace platform::forms {
// Maps a Qt key to a virtual key code (0 when there is none) and Qt modifiers to a shift state.
// `keypad`: the key is on the numeric keypad (Qt gives its signs the main keyboard's keys).
quint16 VirtualKeyFromQt(int qtKey, bool keypad);
int QtKeyFromVirtualKey(quint16 vk);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);

// Runs fn; an exception it raises goes to the application's exception handler instead of
// crossing the Qt event loop. Returns false when fn raised.
bool Guarded(TObject* sender, const std::function<void()>& fn);

// Runs fn once the current event is handled, unless `context` went first. While the program
// waits on the data server (which keeps the windows painted meanwhile) it comes back after the
// wait: fn may use the data, whose connection is busy then.
void Later(QObject* context, std::function<void()> fn);

// A message hook on a control's widget: `before` may mark the event handled (the control then
// never sees it); `after` runs once the control has handled it.
using THookBefore = std::function<bool(QEvent*)>;
using THookAfter = std::function<void(QEvent*)>;
bool DispatchHostEvent(TControl* control, QEvent* event, const std::function<bool(QEvent*)>& base);
}  // namespace platform::forms

class TSizeConstraints {
public:
    int MinWidth() const { return FMinWidth; }
    int MinHeight() const { return FMinHeight; }
    int MaxWidth() const { return FMaxWidth; }
    int MaxHeight() const { return FMaxHeight; }
    void SetMinWidth(int v) { FMinWidth = v; Changed(); }
    void SetMinHeight(int v) { FMinHeight = v; Changed(); }
    void SetMaxWidth(int v) { FMaxWidth = v; Changed(); }
    void SetMaxHeight(int v) { FMaxHeight = v; Changed(); }
    std::function<void()> OnChange;

private:
    void Changed() { if (OnChange) OnChange(); }
    int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // The Qt widget behind the control.
    QWidget* Widget() const { return FWidget; }
    QWidget* Handle() const { return FWidget; }
    bool HandleAllocated() const { return FWidget != nullptr; }

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int v) { SetWidth(FWidth - ClientWidth() + v); }
    void SetClientHeight(int v) { SetHeight(FHeight - ClientHeight() + v); }
    TPoint ClientToScreen(const TPoint& p) const;
    TPoint ScreenToClient(const TPoint& p) const;
    TSizeConstraints* Constraints() { return &FConstraints; }
    const TSizeConstraints* Constraints() const { return &FConstraints; }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and on every parent up to the window.
    bool IsShowing() const;

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);

    // Caption and Text are one value, as in the class library.
    QString Caption() const { return GetText(); }
    void SetCaption(const QString& v) { SetText(v); }
    QString Text() const { return GetText(); }
    void SetText(const QString& v);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value) { FParentCtl3D = value; }

    QString Hint() const { return FHint; }
    void SetHint(const QString& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    // ShowHint after ParentShowHint is resolved.
    bool EffectiveShowHint() const;

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle s) { FControlStyle = s; }

    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    virtual void Invalidate();
    void Repaint();
    void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // Sends a click as the user's would (buttons, menus).
    virtual void Click();

    // Events.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode value) { FDragMode = value; }
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor value) { FDragCursor = value; }
    // Starts dragging this control: at once, or once the pointer has moved `threshold` pixels
    // (below 0: the desktop's distance) with the button held. The release drops it on the control
    // under the pointer when that one accepts; Escape or a refusal cancels.
    void BeginDrag(bool immediate, int threshold = -1);
    // The same, measured from a press at this screen point.
    void BeginDragAt(const TPoint& screenStart, int threshold = -1);
    void EndDrag(bool drop);
    bool Dragging() const;
    // Asked while this control is under a drag; OnDragOver decides, none refuses.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    // Run by the drag: its start, its end (target none when nothing took it), and a drag that
    // ended without a drop.
    virtual void DoStartDrag(TObject*& dragObject);
    virtual void DoEndDrag(TObject* target, int x, int y);
    virtual void DragCanceled() {}
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    // Message hooks on the widget (window hooks): returns an id for RemoveMessageHook.
    int AddMessageHook(platform::forms::THookBefore before, platform::forms::THookAfter after);
    void RemoveMessageHook(int id);

    // Notifications the controls react to; descendants call the inherited one.
    virtual void CMEnabledChanged();
    virtual void CMVisibleChanged();
    virtual void CMFontChanged();
    virtual void CMTextChanged();
    virtual void CMColorChanged();
    virtual void CMMouseEnter();
    virtual void CMMouseLeave();
    // Sent to the controls of a form when something else starts a modal action or a click.
    virtual void CMCancelMode(TControl* sender);
    virtual void CMParentFontChanged();
    virtual void CMParentColorChanged();
    virtual void CMParentShowHintChanged();
    // Enter, Esc, Tab and arrows offered to the form's controls; true when taken.
    virtual bool CMDialogKey(quint16 key, TShiftState shift);
    // Alt+letter offered to the form's controls; true when taken.
    virtual bool CMDialogChar(QChar ch);

    // Entry of every event of the widget; true when it is consumed here.
    virtual bool WidgetEvent(QEvent* event);

protected:
    // Installs the widget (the control takes ownership). Called once from the constructors.
    void SetWidget(QWidget* widget);
    // The part of the widget the control draws itself (empty: all of it). Child widgets outside
    // it, as a grid's scroll bars, are drawn again only when they change.
    virtual QRegion OwnPaintArea() const { return {}; }
    virtual QString GetText() const { return FText; }
    virtual void SetTextValue(const QString& v) { FText = v; }

    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Resize();
    // Called after the bounds changed (geometry already applied).
    virtual void BoundsChanged(bool sizeChanged);
    virtual void ApplyFontToWidget();
    virtual void ApplyColorToWidget();
    // Qt cursor for the current Cursor value.
    void ApplyCursor();
    void ApplyToolTip();
    void RequestParentAlign();
    void ContextPopup(const QPoint& globalPos, bool& handled);

    QWidget* FWidget = nullptr;
    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    bool FMouseInControl = false;
    bool FClicked = false;
    // A key event rewritten by a key-press handler, handed to the widget instead of the original.
    std::unique_ptr<QEvent> FReplacedEvent;

private:
    friend class TWinControl;
    friend class TCustomForm;
    friend bool platform::forms::DispatchHostEvent(TControl*, QEvent*, const std::function<bool(QEvent*)>&);
    bool DispatchMouse(QEvent* event);
    void FontChanged();

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    int FNotifiedWidth = -1, FNotifiedHeight = -1;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    QString FText;
    TColor FColor;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    bool FCtl3D = true, FParentCtl3D = true;
    QString FHint;
    bool FShowHint = false, FParentShowHint = true;
    TCursor FCursor = crDefault;
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    TPopupMenu* FPopupMenu = nullptr;
    int FHelpContext = 0;
    bool FCapture = false;
    TSizeConstraints FConstraints;
    struct THook {
        int Id;
        platform::forms::THookBefore Before;
        platform::forms::THookAfter After;
    };
    std::vector<THook> FHooks;
    int FNextHookId = 1;
};

// A control with a window of its own: it can hold other controls and take the focus.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return int(FControls.size()); }
    // The topmost child control at a point of this control's client area.
    TControl* ControlAtPos(const TPoint& pos, bool allowDisabled) const;
    TControl* Controls(int index) const { return FControls.at(size_t(index)); }
    bool ContainsControl(const TControl* control) const;

    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    // Tab-ordered windowed descendants, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;

    virtual bool CanFocus() const;
    // A container Tab stops at although it holds focusable controls (a page control's tabs).
    virtual bool TabStopsAtContainer() const { return false; }
    bool Focused() const;
    virtual void SetFocus();
    // Next (or previous) focusable control after `current` among this control's descendants.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                 bool checkParent) const;
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

    // Lays out the aligned children: top, bottom, left, right, client, each in creation order.
    void Realign();
    virtual void AdjustClientRect(TRect& rect) const;
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Called by the form as the focus arrives and leaves; fire OnEnter / OnExit.
    virtual void DoEnter();
    virtual void DoExit();
    // The form's focus moved; every control of the form is told.
    virtual void CMFocusChanged(TWinControl* focused);

    // Keyboard: the handlers descendants override. They fire the events; setting the key to 0
    // (or the character to 0) stops it.
    virtual void KeyDown(quint16& key, TShiftState shift);
    virtual void KeyUp(quint16& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    // Whether the control takes this key itself rather than letting the form use it
    // (Tab, Enter, Esc, arrows).
    virtual bool WantsKey(quint16 key, TShiftState shift) const;
    // The character the numeric keypad's decimal key types here (it sends "." whatever the
    // locale); a control that takes numbers gives the locale's decimal separator.
    virtual QChar KeypadDecimal(QChar typed) const { return typed; }

    bool WidgetEvent(QEvent* event) override;
    bool CMDialogKey(quint16 key, TShiftState shift) override;
    bool CMDialogChar(QChar ch) override;
    void CMParentFontChanged() override;
    void CMParentColorChanged() override;
    void CMParentShowHintChanged() override;
    void CMEnabledChanged() override;
    void CMFontChanged() override;
    void CMColorChanged() override;

    // The widget the children's widgets are placed in.
    virtual QWidget* ClientWidget() const { return FWidget; }

    // Makes this control a floating popup window that never takes the activation (drop-downs).
    void MakePopupWindow();
    bool IsPopupWindow() const { return FPopupWindow; }
    void HangPopupOnForm();

    // The key pipeline for a key that reached this control's widget.
    bool HandleKeyEvent(QKeyEvent* event);
    // Text the input method composed (a dead key and a letter) goes through KeyPress as typed
    // keys do.
    bool HandleInputMethodEvent(QInputMethodEvent* event);
    // Whether letters made with a dead key reach this control, which is no text editor but
    // searches as the user types (lists, trees, lookups).
    bool TakesComposedText() const { return FTakesComposedText; }

protected:
    void BoundsChanged(bool sizeChanged) override;
    virtual void AlignControls(TRect& rect);
    // A child was placed, sized, shown, hidden, aligned, added or taken away.
    virtual void ControlsMoved() {}
    // Any child widget that must not take part in the focus chain.
    bool FPopupWindow = false;
    bool FTakesComposedText = false;

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    bool FTabStop = false;
    int FAlignLevel = 0;
    bool FAligning = false;
};

// A control without a window: painted through its Canvas on the parent's surface.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    bool WidgetEvent(QEvent* event) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A windowed control that paints itself through its Canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    bool WidgetEvent(QEvent* event) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// The form that holds a control (none for a control not placed on a form).
TCustomForm* GetParentForm(const TControl* control);
// The control at a screen point, and the one under the mouse pointer.
TControl* FindDragTarget(const TPoint& pos, bool allowDisabled);
namespace platform::forms {
// A control is going: a drag it takes part in forgets it (the drag ends if it was the source).
void ForgetDragControl(TControl* control);
}
