#include "controls/visual/AppEvent.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <algorithm>

namespace controls::visual {

namespace {
std::unique_ptr<TAppEventList>& GlobalList() {
    static std::unique_ptr<TAppEventList> list;
    return list;
}

// The application's messages as a component sees them.
class TAppHook : public QObject {
public:
    explicit TAppHook(TAppEvents* owner) : FOwner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return FOwner->MessageHook(watched, event); }

private:
    TAppEvents* FOwner;
};
}  // namespace

TAppEventList* AppEventList() { return GlobalList().get(); }

// At the end of the program the application may already be gone: nothing is given back then.
TAppEventList::~TAppEventList() = default;

TAppEvents* TAppEventList::FirstPainter() const {
    for (TAppEvents* a : FList)
        if (a->OnPaintIcon)
            return a;
    return nullptr;
}

void TAppEventList::AddEvents(TAppEvents* app) {
    if (!app || std::find(FList.begin(), FList.end(), app) != FList.end())
        return;
    FList.push_back(app);
    if (FList.size() == 1 && !app->HasState(csDesigning))
        SaveEvents();
}

void TAppEventList::RemoveEvents(TAppEvents* app) {
    FList.erase(std::remove(FList.begin(), FList.end(), app), FList.end());
    if (FList.empty() && FHooked)
        ClearEvents();
}

void TAppEventList::SaveEvents() {
    TApplication* a = Application;
    FOnActivate = a->OnActivate;
    FOnDeactivate = a->OnDeactivate;
    FOnException = a->OnException;
    FOnIdle = a->OnIdle;
    FOnHelp = a->OnHelp;
    FOnHint = a->OnHint;
    FOnMessage = a->OnMessage;
    FOnMinimize = a->OnMinimize;
    FOnRestore = a->OnRestore;
    FOnShowHint = a->OnShowHint;
    a->OnActivate = TNotifyEvent(this, &TAppEventList::DoActivate);
    a->OnDeactivate = TNotifyEvent(this, &TAppEventList::DoDeactivate);
    a->OnException = TExceptionEvent(this, &TAppEventList::DoException);
    a->OnIdle = TIdleEvent(this, &TAppEventList::DoIdle);
    a->OnHelp = THelpEvent(this, &TAppEventList::DoHelp);
    a->OnHint = TNotifyEvent(this, &TAppEventList::DoHint);
    a->OnMessage = TMessageEvent(this, &TAppEventList::DoMessage);
    a->OnMinimize = TNotifyEvent(this, &TAppEventList::DoMinimize);
    a->OnRestore = TNotifyEvent(this, &TAppEventList::DoRestore);
    a->OnShowHint = TShowHintEvent(this, &TAppEventList::DoShowHint);
    TScreen* s = Screen;
    FOnActiveControlChange = s->OnActiveControlChange;
    FOnActiveFormChange = s->OnActiveFormChange;
    s->OnActiveControlChange = TNotifyEvent(this, &TAppEventList::DoActiveControlChange);
    s->OnActiveFormChange = TNotifyEvent(this, &TAppEventList::DoActiveFormChange);
    FHooked = true;
}

void TAppEventList::ClearEvents() {
    TApplication* a = Application;
    a->OnActivate = FOnActivate;
    a->OnDeactivate = FOnDeactivate;
    a->OnException = FOnException;
    a->OnIdle = FOnIdle;
    a->OnHelp = FOnHelp;
    a->OnHint = FOnHint;
    a->OnMessage = FOnMessage;
    a->OnMinimize = FOnMinimize;
    a->OnRestore = FOnRestore;
    a->OnShowHint = FOnShowHint;
    TScreen* s = Screen;
    s->OnActiveControlChange = FOnActiveControlChange;
    s->OnActiveFormChange = FOnActiveFormChange;
    FHooked = false;
}

namespace {
// Newest first; a component that does not chain ends the walk. `call` returns false to stop the
// walk after a handler (a handled message). Returns true when the walk reached its end.
template <class Call>
bool Walk(const std::vector<TAppEvents*>& list, Call call) {
    const auto copy = list;
    for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
        if (std::find(list.begin(), list.end(), *it) == list.end())
            continue;  // freed by an earlier handler
        TAppEvents* app = *it;
        const bool chained = app->Chained();
        if (!call(app) || !chained)
            return false;
    }
    return true;
}
}  // namespace

void TAppEventList::DoActivate(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnActivate(sender); return true; }))
        FOnActivate(sender);
}

void TAppEventList::DoDeactivate(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnDeactivate(sender); return true; }))
        FOnDeactivate(sender);
}

void TAppEventList::DoException(TObject* sender, const Exception& e) {
    bool called = false;
    const bool reachedEnd = Walk(FList, [&](TAppEvents* a) {
        if (a->OnException) {
            a->OnException(sender, e);
            called = true;
        }
        return true;
    });
    if (reachedEnd && FOnException) {
        FOnException(sender, e);
        return;
    }
    if (!called)
        Application->ShowException(e);
}

void TAppEventList::DoIdle(TObject* sender, bool& done) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnIdle(sender, done); return true; }))
        FOnIdle(sender, done);
}

void TAppEventList::DoHelp(quint16 command, qint64 data, bool& callHelp, bool& result) {
    bool last = false;
    const bool reachedEnd = Walk(FList, [&](TAppEvents* a) {
        if (a->OnHelp) {
            bool r = false;
            a->OnHelp(command, data, callHelp, r);
            last = r;
        }
        return true;
    });
    if (reachedEnd && FOnHelp) {
        bool r = false;
        FOnHelp(command, data, callHelp, r);
        last = r;
    }
    result = last;
}

void TAppEventList::DoHint(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnHint(sender); return true; }))
        FOnHint(sender);
}

void TAppEventList::DoMessage(QObject* receiver, QEvent* event, bool& handled) {
    if (Walk(FList, [&](TAppEvents* a) {
            a->OnMessage(receiver, event, handled);
            return !handled;
        }))
        FOnMessage(receiver, event, handled);
}

void TAppEventList::DoMinimize(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnMinimize(sender); return true; }))
        FOnMinimize(sender);
}

void TAppEventList::DoRestore(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnRestore(sender); return true; }))
        FOnRestore(sender);
}

void TAppEventList::DoShowHint(QString& hintStr, bool& canShow, TControl* control) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnShowHint(hintStr, canShow, control); return true; }))
        FOnShowHint(hintStr, canShow, control);
}

void TAppEventList::DoActiveControlChange(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnActiveControlChange(sender); return true; }))
        FOnActiveControlChange(sender);
}

void TAppEventList::DoActiveFormChange(TObject* sender) {
    if (Walk(FList, [&](TAppEvents* a) { a->OnActiveFormChange(sender); return true; }))
        FOnActiveFormChange(sender);
}

void TAppEventList::DoSettingsChanged() {
    TApplication* app = Application;
    Walk(FList, [&](TAppEvents* a) { a->OnSettingsChanged(app); return true; });
}

}  // namespace controls::visual

using controls::visual::AppEventList;

// ---------------------------------------------------------------------------------------------
// TAppEvents

TAppEvents::TAppEvents(TComponent* owner) : TComponent(owner), FHintColor(clInfoBk) {
    auto& list = controls::visual::GlobalList();
    if (!list)
        list = std::make_unique<controls::visual::TAppEventList>();
    if (!HasState(csDesigning) && QCoreApplication::instance()) {
        FHook = std::make_unique<controls::visual::TAppHook>(this);
        QCoreApplication::instance()->installEventFilter(FHook.get());
    }
    list->AddEvents(this);
}

TAppEvents::~TAppEvents() {
    if (FHook && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(FHook.get());
    FHook.reset();
    if (auto* list = AppEventList())
        list->RemoveEvents(this);
}

void TAppEvents::Loaded() {
    TComponent::Loaded();
    if (!HasState(csDesigning))
        ApplyToApplication();
}

void TAppEvents::ApplyToApplication() {
    TApplication* app = Application;
    app->SetHintColor(FHintColor);
    app->SetHintPause(FHintPause);
    app->SetShowHint(FShowHint);
    app->SetUpdateFormatSettings(FUpdateFormatSettings);
    app->SetHintShortPause(FHintShortPause);
    app->SetHintHidePause(FHintHidePause);
    app->SetShowMainForm(FShowMainForm);
}

#define ZB_APP_PROPERTY(Type, Name)                                    \
    Type TAppEvents::Name() const {                                    \
        return HasState(csDesigning) ? F##Name : Application->Name(); \
    }                                                                  \
    void TAppEvents::Set##Name(Type value) {                           \
        F##Name = value;                                               \
        if (!HasState(csDesigning)) Application->Set##Name(value);     \
    }
ZB_APP_PROPERTY(TColor, HintColor)
ZB_APP_PROPERTY(int, HintPause)
ZB_APP_PROPERTY(bool, ShowHint)
ZB_APP_PROPERTY(bool, UpdateFormatSettings)
ZB_APP_PROPERTY(int, HintShortPause)
ZB_APP_PROPERTY(int, HintHidePause)
ZB_APP_PROPERTY(bool, ShowMainForm)
#undef ZB_APP_PROPERTY

void TAppEvents::PaintIcon() {
    TCustomForm* main = Application->MainForm();
    if (!main || !main->Widget() || !OnPaintIcon)
        return;
    TBitmap icon;
    icon.SetSize(32, 32);
    icon.Canvas()->Brush()->SetColor(clBtnFace);
    icon.Canvas()->FillRect(Rect(0, 0, 32, 32));
    FCanvas = icon.Canvas();
    try {
        OnPaintIcon(this);
    } catch (...) {
        FCanvas = nullptr;
        throw;
    }
    FCanvas = nullptr;
    main->Widget()->setWindowIcon(QIcon(QPixmap::fromImage(icon.ToImage())));
}

namespace {
// The main window has just been minimised.
bool MainFormMinimized(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::WindowStateChange)
        return false;
    TCustomForm* main = Application->MainForm();
    return main && main->Widget() == receiver && main->Widget()->isMinimized();
}
}  // namespace

bool TAppEvents::MessageHook(QObject* receiver, QEvent* event) {
    // The minimised application shows its icon: the oldest component that paints one does.
    if (MainFormMinimized(receiver, event)) {
        auto* list = AppEventList();
        if (list && list->FirstPainter() == this) {
            try {
                PaintIcon();
            } catch (...) {
                Application->HandleException(this);
            }
        }
        return false;
    }
    // The system's settings changed: the hint window picks up the new ones.
    if (receiver != QCoreApplication::instance())
        return false;
    switch (event->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::ApplicationFontChange:
    case QEvent::LocaleChange:
        break;
    default:
        return false;
    }
    // Every component hooks the application; the chain runs once, from the oldest one's hook.
    auto* list = AppEventList();
    if (!list || list->First() != this)
        return false;
    TApplication* app = Application;
    if (app->ShowHint()) {
        app->SetShowHint(false);
        app->SetShowHint(true);
    }
    list->DoSettingsChanged();
    return false;
}
