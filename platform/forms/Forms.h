#pragma once
// Application, screen and forms. Forms are built in code in their constructors; the first form
// created through Application->CreateForm becomes the main form.
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"

#include <QCursor>
#include <QPointer>
#include <QSize>
#include <map>
#include <type_traits>
#include <utility>
#include <vector>

class QEventLoop;
class QScrollBar;
class TMainMenu;
class TMenu;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

// Message-box flags and answers of Application->MessageBox.
constexpr int MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
              MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10, MB_ICONERROR = 0x10,
              MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30,
              MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100,
              MB_DEFBUTTON3 = 0x200, MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;

class TCustomForm;

// One of a form's two scroll bars. It shows only while the form's controls reach beyond the
// client area along its axis: a form larger than the screen it came up on, or one the user made
// smaller than its controls.
class TControlScrollBar {
public:
    // How far the controls reach along the axis (0 with AutoScroll off).
    int Range() const { return FRange; }
    int Position() const;
    void SetPosition(int value);
    bool IsScrollBarVisible() const;

private:
    friend class TCustomForm;
    QScrollBar* FBar = nullptr;
    int FRange = 0;
};

using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    // OnDestroy runs here, before the derived form's destructor; a form deleted directly gets it
    // from the base destructor instead, when its own members are already gone.
    void BeforeDestruction() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    // Where the window is when neither maximised nor minimised: the bounds that a restore gives
    // back and that a saved placement keeps.
    TRect NormalBounds() const;
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    bool Scaled() const { return FScaled; }
    void SetScaled(bool value) { FScaled = value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
    QString HelpFile() const { return FHelpFile; }
    void SetHelpFile(const QString& v) { FHelpFile = v; }
    // The minimum size the user can drag the window to.
    void SetMinTrackSize(int width, int height);
    // Whether the client area scrolls when the controls do not fit in it (on by default).
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    TControlScrollBar* HorzScrollBar() { return &FHorzScrollBar; }
    TControlScrollBar* VertScrollBar() { return &FVertScrollBar; }
    // Scrolls the client area so that the control (on this form, at any depth) is in view.
    void ScrollInView(TControl* control);

    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // Moves the focus, with OnExit of the old control (which may refuse by raising) and OnEnter.
    void FocusControl(TWinControl* control);
    // A press gives the focus twice: the toolkit first (noted here), then the control's own press
    // handler, which asks only when the toolkit has not: a move the old control's OnExit refused
    // would otherwise be tried, and its message shown, a second time.
    void NoteMouseFocus(TWinControl* control) { FMouseFocus = control; }
    bool TakeMouseFocus(const TWinControl* control) { return std::exchange(FMouseFocus, nullptr) == control && control; }

    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);
    // A menu shortcut of this form's menus; runs the item and returns true when it matched.
    bool IsShortCut(quint16 key, TShiftState shift);

    TCanvas* Canvas() const { return FCanvas.get(); }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value);
    bool Modal() const { return FModal; }
    bool Active() const { return FActive; }

    void SetVisible(bool value) override;
    void Show();
    void Close();
    // Frees the form once the current event has been handled.
    void Release();
    virtual bool CloseQuery();
    virtual TModalResult ShowModal();
    void BringToFront();

    // Fires OnCreate once; ShowModal and Show call it when the constructor did not.
    void DoCreate();

    TRect ClientRect() const override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    bool CMDialogKey(quint16 key, TShiftState shift) override;
    bool WidgetEvent(QEvent* event) override;

    // Hooks for the controls.
    void ControlRemoved(TControl* control);
    void ActiveControlDisabled(TWinControl* container);
    void CancelModeFrom(TControl* sender);
    void DoActivate();
    void DoDeactivate();
    void PaintClientArea(QWidget* client);
    QWidget* ClientWidget() const override { return FClient; }

protected:
    // A caption changed while the window is up is its title at once.
    void CMTextChanged() override;
    virtual void Paint();
    virtual void DoClose(TCloseAction& action);
    virtual void DoShow();
    virtual void DoHide();
    void BoundsChanged(bool sizeChanged) override;
    void Notification(TComponent* component, TOperation operation) override;
    void AdjustClientRect(TRect& rect) const override;
    void ControlsMoved() override;

private:
    friend class TControl;
    void ApplyWindowFlags();
    void PlaceOnScreen();
    void LayoutClient();
    // The client area left to the controls below the menu bar, the scroll bars it needs, and
    // the size the controls are laid out on (never smaller than what is in view).
    struct TScrollLayout {
        int Top = 0, ViewWidth = 0, ViewHeight = 0, Width = 0, Height = 0;
        bool Horz = false, Vert = false;
    };
    TScrollLayout ScrollLayout() const;
    void UpdateScrollRange();
    void PlaceClient();
    void CloseModal();
    void FocusFirst();
    void BroadcastFocusChanged(TWinControl* parent, TWinControl* focused);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    // The latest bounds the window had while normal, newest last (a few: see NoteNormalBounds).
    std::vector<TRect> FNormalBounds;
    bool NormalState() const;
    void NoteNormalBounds();
    void DropMaximisingBounds();
    bool FKeyPreview = false;
    bool FScaled = true;
    int FPixelsPerInch = 96;
    QString FHelpFile;
    TWinControl* FActiveControl = nullptr;
    TMainMenu* FMenu = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FActive = false;
    bool FCreated = false;
    bool FShownOnce = false;
    bool FChangingFocus = false;
    TWinControl* FMouseFocus = nullptr;
    bool FCloseCheckPending = false;
    QEventLoop* FModalLoop = nullptr;
    bool FDestroyNotified = false;
    // Released while modal: freed once ShowModal has returned, never under its feet.
    bool FReleaseAfterModal = false;
    QWidget* FClient = nullptr;
    // What the client area shows of FClient; the scroll bars move FClient under it.
    QWidget* FView = nullptr;
    TControlScrollBar FHorzScrollBar, FVertScrollBar;
    // The client area's size before the form was made smaller to fit its screen.
    QSize FDesignedClient;
    bool FAutoScroll = true;
    bool FLayingOut = false;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

using THelpEvent = TEvent<quint16, qint64, bool&, bool&>;  // command, data, call help, result
using TIdleEvent = TEvent<TObject*, bool&>;
using TExceptionEvent = TEvent<TObject*, const Exception&>;
using TShowHintEvent = TEvent<QString&, bool&, TControl*>;  // hint text, can show, control
using TMessageEvent = TEvent<QObject*, QEvent*, bool&>;      // receiver, event, handled

constexpr quint16 HELP_CONTEXT = 0x0001, HELP_QUIT = 0x0002, HELP_INDEX = 0x0003, HELP_CONTENTS = 0x0003,
                  HELP_HELPONHELP = 0x0004, HELP_SETINDEX = 0x0005, HELP_KEY = 0x0101, HELP_FINDER = 0x000B;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    QString Title() const { return FTitle; }
    void SetTitle(const QString& v);
    QString HelpFile() const { return FHelpFile; }
    void SetHelpFile(const QString& v) { FHelpFile = v; }
    // Full path of the running executable.
    QString ExeName() const;
    TCustomForm* MainForm() const { return FMainForm; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool v) { FShowMainForm = v; }
    bool UpdateFormatSettings() const { return FUpdateFormatSettings; }
    void SetUpdateFormatSettings(bool v) { FUpdateFormatSettings = v; }

    template <class T>
    void CreateForm(T*& reference) {
        reference = new T(this);
        if constexpr (std::is_base_of_v<TCustomForm, T>) FormCreated(reference);
    }

    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ProcessMessages();
    // Runs the idle handlers as the message loop does when it runs out of messages.
    void Idle();
    void Minimize();
    void Restore();
    void BringToFront();

    // Box with the given text and caption; flags MB_*; returns IDOK, IDYES...
    int MessageBox(const QString& text, const QString& caption = QString(), int flags = MB_OK);

    // Called inside a catch block: gives the exception to OnException or shows it.
    void HandleException(TObject* sender);
    void ShowException(const Exception& e);

    QString Hint() const { return FHint; }
    void SetHint(const QString& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor value);
    int HintPause() const { return FHintPause; }
    void SetHintPause(int v) { FHintPause = v; }
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int v) { FHintShortPause = v; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int v) { FHintHidePause = v; }
    void CancelHint();

    bool HelpCommand(quint16 command, qint64 data);
    bool HelpContext(qint64 context);

    TNotifyEvent OnHint;
    TIdleEvent OnIdle;
    TExceptionEvent OnException;
    THelpEvent OnHelp;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;
    TMessageEvent OnMessage;

    // Internal: the form became the main form (first form created through CreateForm).
    void FormCreated(TCustomForm* form);
    void MainFormGone(TCustomForm* form);
    bool FilterMessage(QObject* receiver, QEvent* event);

private:
    QString FTitle;
    QString FHelpFile;
    TCustomForm* FMainForm = nullptr;
    bool FShowMainForm = true;
    bool FUpdateFormatSettings = true;
    bool FTerminated = false;
    bool FRunning = false;
    bool FInIdle = false;
    bool FActive = false;
    QString FHint;
    bool FShowHint = true;
    TColor FHintColor;
    int FHintPause = 500, FHintShortPause = 50, FHintHidePause = 2500;
    std::unique_ptr<QObject> FFilter;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    int Width() const;
    int Height() const;
    TRect WorkAreaRect() const;
    // The monitor that holds a point of the desktop, whole or less its panels; the main one when
    // no monitor does.
    TRect MonitorRect(const TPoint& p) const;
    TRect MonitorWorkArea(const TPoint& p) const;
    int WorkAreaLeft() const { return WorkAreaRect().Left; }
    int WorkAreaTop() const { return WorkAreaRect().Top; }
    int WorkAreaWidth() const { return WorkAreaRect().Width(); }
    int WorkAreaHeight() const { return WorkAreaRect().Height(); }
    int DesktopWidth() const { return Width(); }
    int DesktopHeight() const { return Height(); }
    int PixelsPerInch() const;

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    QCursor Cursors(TCursor index) const;
    void SetCursors(TCursor index, const QCursor& cursor);

    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    int FormCount() const { return int(FForms.size()); }
    TCustomForm* Forms(int index) const { return FForms.at(size_t(index)); }
    int CustomFormCount() const { return FormCount(); }
    TCustomForm* CustomForms(int index) const { return Forms(index); }
    QStringList Fonts() const;

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

    // Internal bookkeeping of the forms.
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    bool HasForm(const TCustomForm* form) const;
    void SetActiveForm(TCustomForm* form);
    void SetActiveControl(TWinControl* control);

private:
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    bool FOverride = false;
    std::map<int, QCursor> FCursors;
};

namespace platform::forms {
// Which scroll bars a content of that size needs to be seen in that area, each bar shown taking
// its thickness from the other axis.
struct TBarsNeeded {
    bool Horz = false, Vert = false;
};
TBarsNeeded ScrollBarsNeeded(QSize content, QSize area, int vertWidth, int horzHeight);
TApplication* ApplicationInstance();
TScreen* ScreenInstance();
// A control is going: nothing may keep pointing at it.
void ForgetControl(TControl* control);
// Installs Qt's Spanish translation (menus, buttons and dialogs Qt draws itself) from folder;
// false, and nothing said, when it is not there. Runs by itself as each application object is
// made, from Qt's translations folder, whatever the machine's locale.
bool InstallQtTranslation(const QString& folder);

struct TApplicationRef {
    TApplication* operator->() const { return ApplicationInstance(); }
    TApplication& operator*() const { return *ApplicationInstance(); }
    operator TApplication*() const { return ApplicationInstance(); }
};
struct TScreenRef {
    TScreen* operator->() const { return ScreenInstance(); }
    TScreen& operator*() const { return *ScreenInstance(); }
    operator TScreen*() const { return ScreenInstance(); }
};
}  // namespace platform::forms

// The one application and screen objects, created on first use (with the QApplication when the
// program has not made one).
inline constexpr platform::forms::TApplicationRef Application{};
inline constexpr platform::forms::TScreenRef Screen{};
