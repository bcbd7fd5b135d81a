#include "platform/forms/Forms.h"
#include "platform/rtl/Threads.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"
#include "platform/forms/Menus.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>

#include <algorithm>

using namespace platform::forms;

namespace {
TApplication* gApplication = nullptr;
TScreen* gScreen = nullptr;
int gArgc = 1;
char gArg0[] = "zembra";
char* gArgv[] = {gArg0, nullptr};

void EnsureQApplication() {
    if (!QCoreApplication::instance()) {
        auto* app = new QApplication(gArgc, gArgv);
        app->setQuitOnLastWindowClosed(false);
    }
}

// A dialog waiting for an answer that went down with the program comes back with its main window.
void BringBackMinimisedDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !(modal->windowState() & Qt::WindowMinimized)) return;
    QPointer<QWidget> alive = modal;
    QTimer::singleShot(0, modal, [alive] {
        if (!alive) return;
        alive->showNormal();
        alive->raise();
        alive->activateWindow();
    });
}

// Qt makes a double click of two quick presses wherever each of them lands: when the first
// closes its window (a dialog's OK), the second reaches the window that was under it as a double
// click, and opens what a double click there opens. Such a double click is a plain press.
class TStrayDoubleClick {
public:
    // True when the event was a stray double click, delivered as a press instead.
    bool Filter(QObject* watched, QEvent* event) {
        if (!event->spontaneous()) return false;  // made by the program, not by the mouse
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        QWidget* window = widget->window();
        if (type == QEvent::MouseButtonPress) {
            // Seen again as it goes up to the parents: one press.
            if (me->timestamp() == FTime && window == FLast) return false;
            FBefore = FLast;
            FLast = window;
            FTime = me->timestamp();
            return false;
        }
        // The double click's own second press may have come just before it; the first one is
        // the press before that.
        const QPointer<QWidget>& first = me->timestamp() == FTime && window == FLast ? FBefore : FLast;
        if (first == window) return false;
        QMouseEvent press(QEvent::MouseButtonPress, me->position(), me->scenePosition(), me->globalPosition(),
                          me->button(), me->buttons(), me->modifiers(), me->pointingDevice());
        press.setTimestamp(me->timestamp());
        FBefore = FLast = window;
        FTime = me->timestamp();
        QCoreApplication::sendEvent(watched, &press);
        return true;
    }

private:
    QPointer<QWidget> FLast, FBefore;
    quint64 FTime = 0;
};

// Watches every event of the program for the application's OnMessage.
class TMessageFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (FDoubleClick.Filter(watched, event)) return true;
        if (!gApplication) return false;
        return gApplication->FilterMessage(watched, event);
    }

private:
    TStrayDoubleClick FDoubleClick;
};
// The client area of a form: below the menu bar, holds the controls, painted by OnPaint.
class TFormClient : public THost<QWidget> {
public:
    TFormClient(TCustomForm* form, QWidget* parent) : THost<QWidget>(form, parent), FForm(form) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Paint && FControl) {
            QWidget::event(e);
            FForm->PaintClientArea(this);
            return true;
        }
        return THost<QWidget>::event(e);
    }

private:
    TCustomForm* FForm;
};

// What the client area shows of a form's controls. The wheel over a part of the form that does
// not scroll itself scrolls the form, when the form has something to scroll.
class TFormView : public QWidget {
public:
    TFormView(QWidget* parent, QScrollBar* horz, QScrollBar* vert) : QWidget(parent), FHorz(horz), FVert(vert) {}

protected:
    void wheelEvent(QWheelEvent* e) override {
        QScrollBar* bar = !FVert->isHidden() ? FVert : !FHorz->isHidden() ? FHorz : nullptr;
        if (!bar) {
            e->ignore();
            return;
        }
        QCoreApplication::sendEvent(bar, e);
    }

private:
    QScrollBar* FHorz;
    QScrollBar* FVert;
};

// The window manager's frame around a form: that of a form already up, else room for the usual
// borders and title bar.
QMargins FrameMargins(const TCustomForm* form) {
    if (form->BorderStyle() == bsNone) return {};
    for (int i = 0; i < Screen->FormCount(); ++i) {
        const QWidget* w = Screen->Forms(i)->Widget();
        if (!w || !w->isWindow() || !w->isVisible() || Screen->Forms(i)->BorderStyle() == bsNone) continue;
        const QRect marco = w->frameGeometry(), dentro = w->geometry();
        if (marco != dentro)
            return QMargins(dentro.left() - marco.left(), dentro.top() - marco.top(), marco.right() - dentro.right(),
                            marco.bottom() - dentro.bottom());
    }
    return QMargins(4, 28, 4, 4);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// TControlScrollBar

int TControlScrollBar::Position() const { return FBar ? FBar->value() : 0; }

void TControlScrollBar::SetPosition(int value) {
    if (FBar) FBar->setValue(value);
}

bool TControlScrollBar::IsScrollBarVisible() const { return FBar && !FBar->isHidden(); }

namespace platform::forms {
TBarsNeeded ScrollBarsNeeded(QSize content, QSize area, int vertWidth, int horzHeight) {
    TBarsNeeded b;
    b.Horz = content.width() > area.width();
    b.Vert = content.height() > area.height();
    if (b.Horz && !b.Vert) b.Vert = content.height() > area.height() - horzHeight;
    if (b.Vert && !b.Horz) b.Horz = content.width() > area.width() - vertWidth;
    return b;
}

bool InstallQtTranslation(const QString& folder) {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_es"), folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
}  // namespace platform::forms

namespace {
// Before the first window, in every program built on the forms layer.
void InstallQtTranslationAtStart() {
    platform::forms::InstallQtTranslation(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(InstallQtTranslationAtStart)

namespace platform::forms {
TApplication* ApplicationInstance() {
    if (!gApplication) {
        EnsureQApplication();
        gApplication = new TApplication(nullptr);
    }
    return gApplication;
}

TScreen* ScreenInstance() {
    if (!gScreen) {
        EnsureQApplication();
        gScreen = new TScreen(nullptr);
    }
    return gScreen;
}

void ForgetControl(TControl* control) {
    if (gScreen && gScreen->ActiveControl() == control) gScreen->SetActiveControl(nullptr);
}

}  // namespace platform::forms

// ---------------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TCanvas>()) {
    auto* window = new THost<QWidget>(this);
    window->setWindowFlags(Qt::Window);
    SetWidget(window);
    window->setFocusPolicy(Qt::NoFocus);
    auto* horz = new QScrollBar(Qt::Horizontal, window);
    auto* vert = new QScrollBar(Qt::Vertical, window);
    for (QScrollBar* bar : {horz, vert}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    FHorzScrollBar.FBar = horz;
    FVertScrollBar.FBar = vert;
    FView = new TFormView(window, horz, vert);
    FView->setFocusPolicy(Qt::NoFocus);
    FView->show();
    FClient = new TFormClient(this, FView);
    FClient->setAutoFillBackground(true);
    FClient->setFocusPolicy(Qt::NoFocus);
    FClient->show();
    const auto scrolled = [this] {
        if (FClient) FClient->move(-FHorzScrollBar.Position(), -FVertScrollBar.Position());
    };
    QObject::connect(horz, &QScrollBar::valueChanged, FView, scrolled);
    QObject::connect(vert, &QScrollBar::valueChanged, FView, scrolled);
    window->setAutoFillBackground(true);
    TControl::SetVisible(false);
    FWidget->hide();
    ApplyColorToWidget();
    SetBounds(0, 0, 320, 240);
    ApplyWindowFlags();
    Screen->AddForm(this);
}

void TCustomForm::BeforeDestruction() {
    if (FDestroyNotified) return;
    FDestroyNotified = true;
    Guarded(this, [this] { OnDestroy(this); });
}

TCustomForm::~TCustomForm() {
    if (!FDestroyNotified) {
        FDestroyNotified = true;
        Guarded(this, [this] { OnDestroy(this); });
    }
    if (FModalLoop) FModalLoop->quit();
    Destroying();
    DestroyComponents();
    if (gScreen) gScreen->RemoveForm(this);
    if (gApplication) gApplication->MainFormGone(this);
    FActiveControl = nullptr;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    FBorderStyle = value;
    ApplyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    FBorderIcons = value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    FFormStyle = value;
    ApplyWindowFlags();
}

void TCustomForm::ApplyWindowFlags() {
    Qt::WindowFlags f = Qt::Window;
    switch (FBorderStyle) {
    case bsNone: f = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint; break;
    default: f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint; break;
    }
    if (FBorderStyle != bsNone) {
        if (FBorderIcons & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
            if (FBorderIcons & biMinimize) f |= Qt::WindowMinimizeButtonHint;
            if (FBorderIcons & biMaximize) f |= Qt::WindowMaximizeButtonHint;
        }
        if (FBorderIcons & biHelp) f |= Qt::WindowContextHelpButtonHint;
    }
    if (FFormStyle == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    const bool shown = FWidget->isVisible();
    FWidget->setWindowFlags(f);
    const bool fixed = FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow;
    if (fixed)
        FWidget->setFixedSize(Width(), Height());
    else {
        FWidget->setMinimumSize(Constraints()->MinWidth(), Constraints()->MinHeight());
        FWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (shown) FWidget->show();
}

void TCustomForm::SetMinTrackSize(int width, int height) {
    Constraints()->SetMinWidth(width);
    Constraints()->SetMinHeight(height);
}

void TCustomForm::SetWindowState(TWindowState value) {
    if (value == FWindowState) return;
    NoteNormalBounds();
    const TWindowState old = FWindowState;
    FWindowState = value;
    if (!FWidget->isVisible()) return;
    switch (value) {
    case wsNormal: FWidget->showNormal(); break;
    case wsMinimized: FWidget->showMinimized(); break;
    case wsMaximized: FWidget->showMaximized(); break;
    }
    if (old == wsMinimized && this == Application->MainForm()) {
        Application->OnRestore(Application);
        BringBackMinimisedDialog();
    }
}

TCustomForm::TScrollLayout TCustomForm::ScrollLayout() const {
    TScrollLayout l;
    if (FMenu)
        if (auto* bar = FWidget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) l.Top = bar->sizeHint().height();
    const int width = Width(), height = std::max(0, Height() - l.Top);
    // Not before the form is first shown: while its constructor lays it out at the size it
    // starts with, its controls reaching further are no reason for bars (nor for a client size
    // set then to be taken less them).
    const int rangeW = FShownOnce ? FHorzScrollBar.FRange : 0, rangeH = FShownOnce ? FVertScrollBar.FRange : 0;
    const int extent = FWidget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FWidget);
    const platform::forms::TBarsNeeded bars = platform::forms::ScrollBarsNeeded({rangeW, rangeH}, {width, height}, extent, extent);
    l.Horz = bars.Horz;
    l.Vert = bars.Vert;
    l.ViewWidth = std::max(0, width - (l.Vert ? extent : 0));
    l.ViewHeight = std::max(0, height - (l.Horz ? extent : 0));
    l.Width = std::max(l.ViewWidth, rangeW);
    l.Height = std::max(l.ViewHeight, rangeH);
    return l;
}

TRect TCustomForm::ClientRect() const {
    if (!FClient) return TWinControl::ClientRect();
    const TScrollLayout l = ScrollLayout();
    return Rect(0, 0, l.ViewWidth, l.ViewHeight);
}

void TCustomForm::AdjustClientRect(TRect& rect) const {
    if (!FClient) return;
    // The controls are laid out on the whole scrolled area, what is out of view included.
    const TScrollLayout l = ScrollLayout();
    rect = Rect(0, 0, l.Width, l.Height);
}

void TCustomForm::LayoutClient() {
    if (!FClient) return;
    const TScrollLayout l = ScrollLayout();
    if (auto* bar = FWidget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly); bar && FMenu)
        bar->setGeometry(0, 0, Width(), l.Top);
    const int extent = FWidget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FWidget);
    FView->setGeometry(0, l.Top, l.ViewWidth, l.ViewHeight);
    QScrollBar* horz = FHorzScrollBar.FBar;
    QScrollBar* vert = FVertScrollBar.FBar;
    horz->setGeometry(0, l.Top + l.ViewHeight, l.ViewWidth, extent);
    horz->setRange(0, l.Width - l.ViewWidth);
    horz->setPageStep(std::max(1, l.ViewWidth));
    horz->setSingleStep(16);
    horz->setVisible(l.Horz);
    vert->setGeometry(l.ViewWidth, l.Top, extent, l.ViewHeight);
    vert->setRange(0, l.Height - l.ViewHeight);
    vert->setPageStep(std::max(1, l.ViewHeight));
    vert->setSingleStep(16);
    vert->setVisible(l.Vert);
    FClient->setGeometry(-horz->value(), -vert->value(), l.Width, l.Height);
}

void TCustomForm::SetAutoScroll(bool value) {
    if (value == FAutoScroll) return;
    FAutoScroll = value;
    UpdateScrollRange();
}

void TCustomForm::ControlsMoved() { UpdateScrollRange(); }

void TCustomForm::UpdateScrollRange() {
    if (!FClient || FLayingOut || HasState(csDestroying)) return;
    // How far the controls reach: those placed by hand by their right and bottom edges, those
    // aligned to the top or left by theirs, those aligned to the bottom or right by their size;
    // a bar along an edge no shorter than its least size (its buttons). A form made smaller to
    // fit its screen keeps the room it was designed with.
    int width = 0, height = 0;
    if (FAutoScroll) {
        int right = 0, bottom = 0;
        for (int i = 0; i < ControlCount(); ++i) {
            const TControl* c = Controls(i);
            if (!c->Visible()) continue;
            switch (c->Align()) {
            case alNone:
                width = std::max(width, c->Left() + c->Width());
                height = std::max(height, c->Top() + c->Height());
                break;
            case alTop:
                height = std::max(height, c->Top() + c->Height());
                width = std::max(width, c->Constraints()->MinWidth());
                break;
            case alLeft:
                width = std::max(width, c->Left() + c->Width());
                height = std::max(height, c->Top() + c->Constraints()->MinHeight());
                break;
            case alBottom:
                bottom += c->Height();
                width = std::max(width, c->Constraints()->MinWidth());
                break;
            case alRight:
                right += c->Width();
                height = std::max(height, c->Top() + c->Constraints()->MinHeight());
                break;
            default: break;
            }
        }
        width = std::max(width + right, FDesignedClient.width());
        height = std::max(height + bottom, FDesignedClient.height());
    }
    if (width == FHorzScrollBar.FRange && height == FVertScrollBar.FRange) return;
    const TScrollLayout before = ScrollLayout();
    FHorzScrollBar.FRange = width;
    FVertScrollBar.FRange = height;
    const TScrollLayout after = ScrollLayout();
    if (after.Width == before.Width && after.Height == before.Height && after.Horz == before.Horz &&
        after.Vert == before.Vert)
        return;
    FLayingOut = true;
    try {
        LayoutClient();
        Realign();
    } catch (...) {
        FLayingOut = false;
        throw;
    }
    FLayingOut = false;
}

void TCustomForm::ScrollInView(TControl* control) {
    if (!control || !FClient || !control->Widget()) return;
    QWidget* w = control->Widget();
    if (!FClient->isAncestorOf(w)) return;
    const QPoint at = w->mapTo(FClient, QPoint(0, 0));
    const TScrollLayout l = ScrollLayout();
    // The least move that shows it; one larger than the view shows its top left corner.
    const auto show = [](TControlScrollBar& bar, int start, int size, int view) {
        int position = bar.Position();
        if (start < position)
            position = start;
        else if (start + size > position + view)
            position = std::min(start, start + size - view);
        bar.SetPosition(position);
    };
    show(FHorzScrollBar, at.x(), w->width(), l.ViewWidth);
    show(FVertScrollBar, at.y(), w->height(), l.ViewHeight);
}

void TCustomForm::BoundsChanged(bool sizeChanged) {
    LayoutClient();
    if (FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow)
        FWidget->setFixedSize(Width(), Height());
    TWinControl::BoundsChanged(sizeChanged);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (FMenu == menu) return;
    if (FMenu) FMenu->DetachFromForm(this);
    FMenu = menu;
    if (menu) {
        menu->FreeNotification(this);
        menu->AttachToForm(this);
    }
    LayoutClient();
    Realign();
}

bool TCustomForm::IsShortCut(quint16 key, TShiftState shift) {
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
    const TShortCut sc = ShortCut(key, shift);
    if (FMenu && FMenu->IsShortCut(sc)) return true;
    // Popup menus owned by the form answer their shortcuts too.
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* pm = dynamic_cast<TPopupMenu*>(Components(i)); pm && pm->IsShortCut(sc)) return true;
    return false;
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove) {
        if (component == FMenu) FMenu = nullptr;
        if (component == FActiveControl) FActiveControl = nullptr;
    }
}

void TCustomForm::ControlRemoved(TControl* control) {
    if (!FActiveControl) return;
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->ContainsControl(FActiveControl)) {
        FActiveControl = nullptr;
        if (gScreen && gScreen->ActiveControl() && w->ContainsControl(gScreen->ActiveControl()))
            gScreen->SetActiveControl(nullptr);
    }
}

void TCustomForm::ActiveControlDisabled(TWinControl*) {
    // The focus leaves a control that can no longer have it.
    if (FActiveControl && !FActiveControl->CanFocus()) {
        TWinControl* next = FindNextControl(FActiveControl, true, true, false);
        FActiveControl = nullptr;
        if (next && FWidget->isVisible()) FocusControl(next);
    }
}

void TCustomForm::CancelModeFrom(TControl* sender) {
    if (FActiveControl && FActiveControl != sender) FActiveControl->CMCancelMode(sender);
}

void TCustomForm::BroadcastFocusChanged(TWinControl* parent, TWinControl* focused) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        if (auto* w = dynamic_cast<TWinControl*>(parent->Controls(i))) {
            w->CMFocusChanged(focused);
            BroadcastFocusChanged(w, focused);
        }
    }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == FActiveControl) return;
    if (control && (!ContainsControl(control) || !control->CanFocus()))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    if (FWidget->isVisible() && control)
        FocusControl(control);
    else
        FActiveControl = control;
}

void TCustomForm::FocusControl(TWinControl* control) {
    if (!control || control == this) return;
    if (control == FActiveControl) {
        if (control->Widget() && !control->Widget()->hasFocus()) control->Widget()->setFocus(Qt::OtherFocusReason);
        ScrollInView(control);
        return;
    }
    if (FChangingFocus) return;
    FChangingFocus = true;
    TWinControl* old = FActiveControl;
    // While the old control's OnExit runs, ActiveControl already names where the focus goes.
    FActiveControl = control;
    try {
        // OnExit may refuse the move by raising: the focus stays where it was.
        if (old) old->DoExit();
    } catch (...) {
        FActiveControl = old;
        FChangingFocus = false;
        if (old && old->Widget()) {
            // At once too: a message box shown by OnExit hands the window back to what the
            // toolkit last focused, which would then ask to leave the old control again.
            QPointer<QWidget> w = old->Widget();
            w->setFocus(Qt::OtherFocusReason);
            Later(QCoreApplication::instance(), [w] {
                if (w) w->setFocus(Qt::OtherFocusReason);
            });
        }
        throw;
    }
    FActiveControl = control;
    FChangingFocus = false;
    if (Screen->ActiveForm() == this || !Screen->ActiveForm()) Screen->SetActiveControl(control);
    BroadcastFocusChanged(this, control);
    if (control->Widget()) control->Widget()->setFocus(Qt::OtherFocusReason);
    // Where the user can see what the keyboard now types into.
    ScrollInView(control);
    control->DoEnter();
}

void TCustomForm::FocusFirst() {
    if (FActiveControl && FActiveControl->CanFocus()) {
        TWinControl* c = FActiveControl;
        FActiveControl = nullptr;
        FocusControl(c);
        return;
    }
    FActiveControl = nullptr;
    if (TWinControl* first = FindNextControl(nullptr, true, true, false)) FocusControl(first);
}

void TCustomForm::SetModalResult(TModalResult value) {
    FModalResult = value;
    if (!FModal || value == mrNone || FCloseCheckPending) return;
    // As in the modal loop of the class library: once the current event is handled, the form
    // asks whether it may close; a refusal clears the result and the dialog stays up.
    FCloseCheckPending = true;
    QPointer<QWidget> alive = FWidget;
    Later(QCoreApplication::instance(), [this, alive] {
        if (!alive || !FCloseCheckPending) return;  // a finished script has made the check already
        FCloseCheckPending = false;
        if (!FModal || FModalResult == mrNone) return;
        CloseModal();
        if (FModalResult != mrNone && FModalLoop) FModalLoop->quit();
    });
}

void TCustomForm::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    Guarded(this, [this] { OnCreate(this); });
}

void TCustomForm::DoShow() { OnShow(this); }
void TCustomForm::DoHide() { OnHide(this); }

void TCustomForm::DoActivate() {
    if (FActive) return;
    FActive = true;
    Guarded(this, [this] { OnActivate(this); });
}

void TCustomForm::DoDeactivate() {
    if (!FActive) return;
    FActive = false;
    Guarded(this, [this] { OnDeactivate(this); });
}

void TCustomForm::PlaceOnScreen() {
    // Centred on the monitor the user works on: the one of the active window, else of the main one.
    const auto monitor = [this](TCustomForm* ref) {
        if (!ref || ref == this || !ref->Visible()) return TRect{};
        return Screen->MonitorWorkArea(Point(ref->Left() + ref->Width() / 2, ref->Top() + ref->Height() / 2));
    };
    TRect pantalla = monitor(Screen->ActiveForm());
    if (pantalla.Width() <= 0) pantalla = monitor(Application->MainForm());
    if (pantalla.Width() <= 0) pantalla = Screen->WorkAreaRect();
    QRect area;
    bool centrado = true;
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        area = QRect(pantalla.Left, pantalla.Top, pantalla.Width(), pantalla.Height());
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* ref = FPosition == poMainFormCenter ? Application->MainForm() : dynamic_cast<TCustomForm*>(Owner());
        if (ref && ref != this) {
            area = QRect(ref->Left(), ref->Top(), ref->Width(), ref->Height());
            pantalla = Screen->MonitorWorkArea(Point(area.center().x(), area.center().y()));
        } else {
            area = QRect(pantalla.Left, pantalla.Top, pantalla.Width(), pantalla.Height());
        }
        break;
    }
    default:
        centrado = false;
        pantalla = Screen->MonitorWorkArea(Point(Left() + Width() / 2, Top() + Height() / 2));
        break;
    }
    // A form larger than that monitor (a netbook's, a small screen) is made to fit it, frame and
    // all; its client area scrolls what no longer fits. One that does not scroll would lose
    // controls: it keeps its size.
    const QMargins marco = FrameMargins(this);
    const int marcoAncho = marco.left() + marco.right(), marcoAlto = marco.top() + marco.bottom();
    bool encogido = false;
    if (FWindowState == wsNormal && FAutoScroll) {
        const int anchoMax = pantalla.Width() - marcoAncho, altoMax = pantalla.Height() - marcoAlto;
        int ancho = std::min(Width(), anchoMax);
        int alto = std::min(Height(), altoMax);
        if (ancho < Width() || alto < Height()) {
            // Room for the one bar it needs where the screen has it, so as not to need both.
            const int barra = FWidget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FWidget);
            if (ancho == Width() && alto < Height()) ancho = std::min(ancho + barra, anchoMax);
            if (alto == Height() && ancho < Width()) alto = std::min(alto + barra, altoMax);
            // The room it was designed with is kept, scrolled; a form that names the least size
            // it works at (its minimum track size) is let shrink down to that instead.
            const TRect cliente = ClientRect();
            const auto guardado = [](int disenado, int minimo, int marcoCliente) {
                return minimo > 0 ? std::min(disenado, std::max(0, minimo - marcoCliente)) : disenado;
            };
            FDesignedClient = QSize(guardado(cliente.Width(), Constraints()->MinWidth(), Width() - cliente.Width()),
                                    guardado(cliente.Height(), Constraints()->MinHeight(), Height() - cliente.Height()));
            UpdateScrollRange();
            SetBounds(Left(), Top(), ancho, alto);
            encogido = true;
        }
    }
    if (!centrado && !encogido) return;
    int left = Left(), top = Top();
    if (centrado) left = area.x() + (area.width() - Width()) / 2, top = area.y() + (area.height() - Height()) / 2;
    // Whole on that monitor, frame included, where it fits; one larger than it (a minimum size
    // that does not allow less) keeps its title bar and left edge on it.
    left = std::max(std::min(left, pantalla.Right - Width() - marcoAncho), pantalla.Left);
    top = std::max(std::min(top, pantalla.Bottom - Height() - marcoAlto), pantalla.Top);
    SetBounds(left, top, Width(), Height());
}

void TCustomForm::SetVisible(bool value) {
    if (value == Visible() && value == FWidget->isVisible()) return;
    if (value) {
        DoCreate();
        if (!FShownOnce) {
            FShownOnce = true;
            PlaceOnScreen();
        }
        LayoutClient();
        Realign();
        Guarded(this, [this] { DoShow(); });
        TControl::SetVisible(true);
        FWidget->setWindowTitle(Caption());
        switch (FWindowState) {
        case wsMaximized: FWidget->showMaximized(); break;
        case wsMinimized: FWidget->showMinimized(); break;
        default: FWidget->show(); break;
        }
        FWidget->raise();
        FWidget->activateWindow();
        Screen->SetActiveForm(this);
        Guarded(this, [this] { FocusFirst(); });
    } else {
        Guarded(this, [this] { DoHide(); });
        TControl::SetVisible(false);
        FWidget->hide();
        if (Screen->ActiveForm() == this) {
            // The activation goes back to another visible form, newest first.
            TCustomForm* next = nullptr;
            for (int i = Screen->FormCount() - 1; i >= 0; --i) {
                TCustomForm* f = Screen->Forms(i);
                if (f != this && f->Visible()) {
                    next = f;
                    break;
                }
            }
            Screen->SetActiveForm(next);
        }
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::BringToFront() {
    if (FWidget->isVisible()) {
        FWidget->raise();
        FWidget->activateWindow();
    }
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TCustomForm::Close() {
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (this == Application->MainForm()) {
        Hide();
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Hide();
        Release();
    }
}

void TCustomForm::Release() {
    if (FModal) {
        FReleaseAfterModal = true;
        return;
    }
    QPointer<QWidget> w = FWidget;
    Later(QCoreApplication::instance(), [w] {
        if (!w) return;
        if (auto* form = dynamic_cast<TCustomForm*>(ControlOfWidget(w))) form->Free();
    });
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    try {
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
    } catch (...) {
        FModalResult = mrNone;
        Application->HandleException(this);
        return;
    }
    if (action == caNone) FModalResult = mrNone;
    else if (action == caFree) Release();
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || FModal) throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    if (QWidget::mouseGrabber()) QWidget::mouseGrabber()->releaseMouse();
    TCustomForm* previous = Screen->ActiveForm();
    if (previous) previous->CancelModeFrom(this);
    DoCreate();
    FModal = true;
    FModalResult = mrNone;
    FWidget->setWindowModality(Qt::ApplicationModal);
    TFormHarness* harness = TFormHarness::Current();
    std::function<void(TCustomForm&)> script;
    bool scripted = false;
    if (harness) {
        TFormHarness::TModalAnswer answer = harness->TakeModalAnswer(this);
        if (answer.Script) {
            script = answer.Script;
            scripted = true;
        } else {
            FModalResult = answer.Result;
        }
    }
    try {
        Show();
        if (scripted) {
            QPointer<QWidget> alive = FWidget;
            Later(QCoreApplication::instance(), [this, alive, script] {
                if (!alive) return;
                Guarded(this, [&] { script(*this); });
                if (!alive || !FModal) return;
                // The script is over: so is the dialog, with what it left (cancel when nothing).
                // A result the script set is still to be checked, as the real loop checks it,
                // with CloseQuery and OnClose.
                if (FModalResult != mrNone && FCloseCheckPending) {
                    FCloseCheckPending = false;
                    CloseModal();
                } else if (FModalResult == mrNone) {
                    FModalResult = mrCancel;
                    CloseModal();
                }
                // A refused close would keep the dialog up for a person; a script has nothing
                // more to do, so it ends cancelled.
                if (FModalResult == mrNone) FModalResult = mrCancel;
                if (FModalLoop) FModalLoop->quit();
            });
        } else if (FModalResult != mrNone) {
            CloseModal();
        }
        if ((!harness || scripted) && FModalResult == mrNone && !Application->Terminated()) {
            QEventLoop loop;
            FModalLoop = &loop;
            loop.exec();
            FModalLoop = nullptr;
        }
        if (Application->Terminated() && FModalResult == mrNone) FModalResult = mrCancel;
    } catch (...) {
        FModal = false;
        FWidget->setWindowModality(Qt::NonModal);
        Hide();
        if (FReleaseAfterModal) {
            FReleaseAfterModal = false;
            Release();
        }
        throw;
    }
    const TModalResult result = FModalResult;
    FModal = false;
    Hide();
    FWidget->setWindowModality(Qt::NonModal);
    if (previous && previous != this && Screen->HasForm(previous) && previous->Visible()) Screen->SetActiveForm(previous);
    if (harness) harness->ModalFinished(this, result);
    if (FReleaseAfterModal) {
        FReleaseAfterModal = false;
        Release();
    }
    return result;
}

void TCustomForm::Paint() { OnPaint(this); }

void TCustomForm::PaintClientArea(QWidget* client) {
    QPainter painter(client);
    BindCanvas(FCanvas.get(), &painter, Font(), Color());
    Guarded(this, [this] { Paint(); });
    UnbindCanvas(FCanvas.get());
}

bool TCustomForm::CMDialogKey(quint16 key, TShiftState shift) {
    // The keyboard moves the focus from here on: the controls show where it is (the style
    // draws no focus frame on buttons, check boxes and combos until the keyboard has moved it).
    if (key == VK_TAB || (!(shift & ssAlt) && (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN)))
        FWidget->setAttribute(Qt::WA_KeyboardFocusChange);
    if (!(shift & ssAlt)) {
        if (key == VK_TAB && !(shift & ssCtrl)) {
            SelectNext(FActiveControl, !(shift & ssShift), true);
            return true;
        }
        if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && FActiveControl) {
            if (FActiveControl->Parent())
                FActiveControl->Parent()->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN, false);
            return true;
        }
    }
    return TWinControl::CMDialogKey(key, shift);
}

void TCustomForm::CMTextChanged() {
    TWinControl::CMTextChanged();
    if (FWidget->isWindow() && FWidget->isVisible()) FWidget->setWindowTitle(Caption());
}

bool TCustomForm::NormalState() const {
    return FWindowState == wsNormal &&
           !(FWidget->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

void TCustomForm::NoteNormalBounds() {
    if (!NormalState()) return;
    const TRect now = BoundsRect();
    if (!FNormalBounds.empty() && FNormalBounds.back() == now) return;
    if (FNormalBounds.size() == 4) FNormalBounds.erase(FNormalBounds.begin());
    FNormalBounds.push_back(now);
}

// A window manager may move and size the window to the whole screen before it says the window is
// maximised: bounds that fill the screen were the maximising itself, not the window's own.
void TCustomForm::DropMaximisingBounds() {
    const QScreen* pantalla = FWidget->screen();
    if (!pantalla) return;
    const QSize area = pantalla->availableGeometry().size();
    // Room for a frame's borders and title bar.
    const auto llena = [&](const TRect& r) { return r.Width() >= area.width() - 16 && r.Height() >= area.height() - 48; };
    bool quitada = false;
    TPoint esquina;
    while (FNormalBounds.size() > 1 && llena(FNormalBounds.back())) {
        esquina = FNormalBounds.back().TopLeft();
        FNormalBounds.pop_back();
        quitada = true;
    }
    // Moved to the corner first, with the size it had, then sized.
    const size_t n = FNormalBounds.size();
    if (quitada && n > 1 && FNormalBounds[n - 1].TopLeft() == esquina &&
        FNormalBounds[n - 1].Width() == FNormalBounds[n - 2].Width() &&
        FNormalBounds[n - 1].Height() == FNormalBounds[n - 2].Height())
        FNormalBounds.pop_back();
}

TRect TCustomForm::NormalBounds() const {
    if (NormalState() || FNormalBounds.empty()) return BoundsRect();
    return FNormalBounds.back();
}

bool TCustomForm::WidgetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize: {
        const bool handled = TWinControl::WidgetEvent(event);
        NoteNormalBounds();
        return handled;
    }
    case QEvent::Close:
        static_cast<QCloseEvent*>(event)->ignore();
        Close();
        return true;
    case QEvent::WindowActivate:
        Screen->SetActiveForm(this);
        if (FActiveControl && FActiveControl->Widget()) FActiveControl->Widget()->setFocus(Qt::ActiveWindowFocusReason);
        return false;
    case QEvent::WindowDeactivate:
        // Another window took the focus: an open drop-down or a tracking button lets go.
        CancelModeFrom(this);
        return false;
    case QEvent::WindowStateChange: {
        const Qt::WindowStates s = FWidget->windowState();
        const TWindowState old = FWindowState;
        FWindowState = (s & Qt::WindowMinimized) ? wsMinimized : (s & Qt::WindowMaximized) ? wsMaximized : wsNormal;
        if (FWindowState == wsMaximized && old == wsNormal) DropMaximisingBounds();
        NoteNormalBounds();
        if (this == Application->MainForm()) {
            if (FWindowState == wsMinimized && old != wsMinimized) Application->OnMinimize(Application);
            if (FWindowState != wsMinimized && old == wsMinimized) {
                Application->OnRestore(Application);
                BringBackMinimisedDialog();
            }
        } else if (FModal && FWindowState == wsMinimized && old != wsMinimized) {
            // The window manager minimised a dialog waiting for an answer: it has no place of its own
            // on a task bar and every other window waits for it, so the program goes down as one and
            // comes back as one.
            TCustomForm* main = Application->MainForm();
            if (main && main->Visible()) {
                if (main->WindowState() != wsMinimized) {
                    QPointer<QWidget> alive = FWidget;
                    QTimer::singleShot(0, FWidget, [alive] {
                        if (alive && Application->MainForm()) Application->Minimize();
                    });
                }
            } else {
                // No main window to bring it back with (the login at start): it stays up.
                BringBackMinimisedDialog();
            }
        }
        return false;
    }
    default: break;
    }
    return TWinControl::WidgetEvent(event);
}


// ---------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner), FHintColor(clInfoBk) {
    EnsureQApplication();
    FTitle = QFileInfo(ExeName()).completeBaseName();
    FFilter = std::make_unique<TMessageFilter>();
    QCoreApplication::instance()->installEventFilter(FFilter.get());
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, FFilter.get(), [this] { Idle(); });
    }
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, FFilter.get(), [this](Qt::ApplicationState s) {
        const bool active = s == Qt::ApplicationActive;
        if (active == FActive) return;
        FActive = active;
        Guarded(this, [&] {
            if (active) OnActivate(this);
            else OnDeactivate(this);
        });
    });
}

TApplication::~TApplication() {
    if (QCoreApplication::instance() && FFilter) QCoreApplication::instance()->removeEventFilter(FFilter.get());
    DestroyComponents();
}

void TApplication::SetTitle(const QString& v) {
    // The toolkit would append a display name to every window's title: the title is the
    // program's name where the desktop shows one (the main window's icon name), nowhere else.
    FTitle = v;
    if (FMainForm && FMainForm->Widget()) FMainForm->Widget()->setWindowIconText(v);
}

QString TApplication::ExeName() const {
    const QString path = QCoreApplication::applicationFilePath();
    return path;
}

void TApplication::FormCreated(TCustomForm* form) {
    if (!FMainForm) FMainForm = form;
    form->DoCreate();
}

void TApplication::MainFormGone(TCustomForm* form) {
    if (FMainForm == form) FMainForm = nullptr;
}

void TApplication::Run() {
    FRunning = true;
    if (FMainForm && FMainForm->Widget()) FMainForm->Widget()->setWindowIconText(FTitle);
    if (FMainForm && FShowMainForm && !FTerminated) FMainForm->Show();
    while (!FTerminated) {
        QApplication::exec();
        if (!FMainForm) break;
    }
    FRunning = false;
}

void TApplication::Terminate() {
    FTerminated = true;
    QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Idle() {
    if (FInIdle) return;
    // Calls that threads handed to the main thread run before the idle handlers.
    CheckSynchronize();
    FInIdle = true;
    bool done = true;
    Guarded(this, [&] { OnIdle(this, done); });
    FInIdle = false;
    // Not done: the loop runs the idle handler again without waiting for a message.
    if (!done) QTimer::singleShot(0, FFilter.get(), [] {});
}

void TApplication::Minimize() {
    if (FMainForm) FMainForm->SetWindowState(wsMinimized);
    OnMinimize(this);
}

void TApplication::Restore() {
    if (FMainForm) FMainForm->SetWindowState(wsNormal);
    OnRestore(this);
}

void TApplication::BringToFront() {
    if (Screen->ActiveForm()) Screen->ActiveForm()->BringToFront();
}

int TApplication::MessageBox(const QString& text, const QString& caption, int flags) {
    TMsgDlgType type = mtCustom;
    switch (flags & 0xF0) {
    case MB_ICONSTOP: type = mtError; break;
    case MB_ICONQUESTION: type = mtConfirmation; break;
    case MB_ICONWARNING: type = mtWarning; break;
    case MB_ICONINFORMATION: type = mtInformation; break;
    default: break;
    }
    std::vector<TMsgDlgBtn> buttons;
    switch (flags & 0x0F) {
    case MB_OKCANCEL: buttons = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: buttons = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: buttons = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: buttons = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: buttons = {mbRetry, mbCancel}; break;
    default: buttons = {mbOK}; break;
    }
    int defIndex = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
    defIndex = std::min(defIndex, int(buttons.size()) - 1);
    return ShowMessageBox(caption.isEmpty() ? FTitle : caption, text, type, buttons, buttons[size_t(defIndex)]);
}

void TApplication::HandleException(TObject* sender) {
    const std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
        if (auto* h = TFormHarness::Current()) h->RecordException(QStringLiteral("EAbort"), QString());
    } catch (const Exception& e) {
        if (auto* h = TFormHarness::Current()) h->RecordException(e.ClassName(), e.Message());
        if (OnException) {
            try {
                OnException(sender, e);
            } catch (const Exception& inner) {
                ShowException(inner);
            }
        } else {
            ShowException(e);
        }
    } catch (const std::exception& e) {
        const Exception wrapped(QString::fromUtf8(e.what()));
        if (auto* h = TFormHarness::Current()) h->RecordException(QStringLiteral("Exception"), wrapped.Message());
        if (OnException)
            OnException(sender, wrapped);
        else
            ShowException(wrapped);
    } catch (...) {
        const Exception wrapped(QStringLiteral("Unknown error"));
        if (auto* h = TFormHarness::Current()) h->RecordException(QStringLiteral("Exception"), wrapped.Message());
        ShowException(wrapped);
    }
}

void TApplication::ShowException(const Exception& e) {
    QString msg = e.Message();
    if (!msg.isEmpty() && msg.back() > QLatin1Char('.')) msg += QLatin1Char('.');
    MessageBox(msg, FTitle, MB_OK | MB_ICONSTOP);
}

void TApplication::SetHint(const QString& value) {
    if (value == FHint) return;
    FHint = value;
    Guarded(this, [this] { OnHint(this); });
}

void TApplication::SetShowHint(bool value) {
    FShowHint = value;
    if (!value) QToolTip::hideText();
}

void TApplication::SetHintColor(TColor value) {
    FHintColor = value;
    // The text goes with the background: a dark desktop's light hint text on the program's
    // pale hint colour could not be read.
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, QtColor(value));
    pal.setColor(QPalette::ToolTipText, QtColor(clInfoText));
    QToolTip::setPalette(pal);
}

void TApplication::CancelHint() { QToolTip::hideText(); }

bool TApplication::HelpCommand(quint16 command, qint64 data) {
    bool callHelp = true;
    bool result = false;
    if (OnHelp) OnHelp(command, data, callHelp, result);
    // There is no system help viewer to fall back on: unanswered requests do nothing.
    return result;
}

bool TApplication::HelpContext(qint64 context) { return HelpCommand(HELP_CONTEXT, context); }

bool TApplication::FilterMessage(QObject* receiver, QEvent* event) {
    if (!OnMessage) return false;
    bool handled = false;
    Guarded(this, [&] { OnMessage(receiver, event, handled); });
    return handled;
}

// ---------------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    const std::pair<int, Qt::CursorShape> shapes[] = {
        {crArrow, Qt::ArrowCursor},     {crCross, Qt::CrossCursor},         {crIBeam, Qt::IBeamCursor},
        {crSizeNESW, Qt::SizeBDiagCursor}, {crSizeNS, Qt::SizeVerCursor},   {crSizeNWSE, Qt::SizeFDiagCursor},
        {crSizeWE, Qt::SizeHorCursor},  {crUpArrow, Qt::UpArrowCursor},     {crHourGlass, Qt::WaitCursor},
        {crDrag, Qt::DragCopyCursor},   {crNoDrop, Qt::ForbiddenCursor},    {crHSplit, Qt::SplitHCursor},
        {crVSplit, Qt::SplitVCursor},   {crMultiDrag, Qt::DragCopyCursor},  {crSQLWait, Qt::BusyCursor},
        {crNo, Qt::ForbiddenCursor},    {crAppStart, Qt::BusyCursor},       {crHelp, Qt::WhatsThisCursor},
        {crHandPoint, Qt::PointingHandCursor}, {crSizeAll, Qt::SizeAllCursor}, {crNone, Qt::BlankCursor},
        {crDefault, Qt::ArrowCursor}};
    for (const auto& [id, shape] : shapes) FCursors[id] = QCursor(shape);
}

TScreen::~TScreen() {
    if (FOverride) QGuiApplication::restoreOverrideCursor();
}

int TScreen::Width() const {
    auto* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 800;
}

int TScreen::Height() const {
    auto* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 600;
}

TRect TScreen::WorkAreaRect() const {
    auto* s = QGuiApplication::primaryScreen();
    return s ? platform::graphics::FromQRect(s->availableGeometry()) : Rect(0, 0, 800, 600);
}

namespace {
QScreen* ScreenAt(const TPoint& p) {
    if (QScreen* s = QGuiApplication::screenAt(QPoint(p.X, p.Y))) return s;
    return QGuiApplication::primaryScreen();
}
}  // namespace

TRect TScreen::MonitorRect(const TPoint& p) const {
    QScreen* s = ScreenAt(p);
    return s ? platform::graphics::FromQRect(s->geometry()) : Rect(0, 0, 800, 600);
}

TRect TScreen::MonitorWorkArea(const TPoint& p) const {
    QScreen* s = ScreenAt(p);
    return s ? platform::graphics::FromQRect(s->availableGeometry()) : Rect(0, 0, 800, 600);
}

int TScreen::PixelsPerInch() const {
    auto* s = QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

void TScreen::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    if (FOverride) {
        QGuiApplication::restoreOverrideCursor();
        FOverride = false;
    }
    if (value != crDefault) {
        QGuiApplication::setOverrideCursor(Cursors(value));
        FOverride = true;
    }
}

QCursor TScreen::Cursors(TCursor index) const {
    auto it = FCursors.find(index);
    return it == FCursors.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

void TScreen::SetCursors(TCursor index, const QCursor& cursor) { FCursors[index] = cursor; }

QStringList TScreen::Fonts() const { return QFontDatabase::families(); }

void TScreen::AddForm(TCustomForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    if (FActiveForm == form) {
        FActiveForm = nullptr;
        Guarded(this, [this] { OnActiveFormChange(this); });
    }
    if (FActiveControl && form->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

bool TScreen::HasForm(const TCustomForm* form) const {
    return std::find(FForms.begin(), FForms.end(), form) != FForms.end();
}

void TScreen::SetActiveForm(TCustomForm* form) {
    if (form == FActiveForm) return;
    TCustomForm* old = FActiveForm;
    FActiveForm = form;
    if (old && HasForm(old)) old->DoDeactivate();
    if (form) {
        form->DoActivate();
        SetActiveControl(form->ActiveControl());
    }
    Guarded(this, [this] { OnActiveFormChange(this); });
}

void TScreen::SetActiveControl(TWinControl* control) {
    if (control == FActiveControl) return;
    FActiveControl = control;
    Guarded(this, [this] { OnActiveControlChange(this); });
}
