#include "controls/visual/ZbHook.h"

#include "platform/forms/Forms.h"

#include <QObject>
#include <QWidget>
#include <algorithm>

namespace controls::visual {

THookList::THookList() : FWindow(std::make_unique<QObject>()) {}

THookList::~THookList() {
    // Queued re-hooks and frees die with the window; then every record goes.
    FWindow.reset();
    while (!FItems.empty())
        delete FItems.back();
}

bool THookList::Contains(const TControlHook* hook) const {
    return std::find(FItems.begin(), FItems.end(), hook) != FItems.end();
}

TControlHook* THookList::GetControlHook(TWinControl* control) {
    for (TControlHook* hook : FItems)
        if (hook->Control() == control)
            return hook;
    auto* hook = new TControlHook();
    Add(hook);
    hook->SetControl(control);
    return hook;
}

void THookList::Remove(TControlHook* hook) { FItems.erase(std::remove(FItems.begin(), FItems.end(), hook), FItems.end()); }

void THookList::PostRehook(TControlHook* hook) {
    QMetaObject::invokeMethod(FWindow.get(), [this, hook] { Rehook(hook); }, Qt::QueuedConnection);
}

void THookList::PostFreeIdle(TControlHook* hook) {
    QMetaObject::invokeMethod(FWindow.get(), [this, hook] { FreeIdle(hook); }, Qt::QueuedConnection);
}

void THookList::Rehook(TControlHook* hook) {
    if (Contains(hook))
        hook->HookControl();
}

void THookList::FreeIdle(TControlHook* hook) {
    if (Contains(hook) && hook->HookCount() == 0)
        delete hook;
}

namespace {
std::unique_ptr<THookList>& GlobalHookList() {
    static std::unique_ptr<THookList> list;
    return list;
}
}  // namespace

THookList* HookList(bool create) {
    auto& list = GlobalHookList();
    if (!list && create)
        list = std::make_unique<THookList>();
    return list.get();
}

}  // namespace controls::visual

using controls::visual::HookList;

// ---------------------------------------------------------------------------------------------
// TControlHook

TControlHook::TControlHook() = default;

TControlHook::~TControlHook() {
    FDestroying = true;
    if (auto* list = HookList(false))
        list->Remove(this);
    while (!FList.empty())
        RemoveHook(FList.back());
    SetControl(nullptr);
}

void TControlHook::SetControl(TWinControl* value) {
    if (value == FControl)
        return;
    UnhookControl();
    FControl = value;
    if (!FList.empty())
        HookControl();
}

void TControlHook::AddHook(TZbWindowHook* hook) {
    if (std::find(FList.begin(), FList.end(), hook) == FList.end()) {
        FList.push_back(hook);
        hook->FControlHook = this;
        SetControl(hook->FControl);
    }
    HookControl();
}

void TControlHook::RemoveHook(TZbWindowHook* hook) {
    hook->FControlHook = nullptr;
    FList.erase(std::remove(FList.begin(), FList.end(), hook), FList.end());
    if (FList.empty())
        UnhookControl();
}

bool TControlHook::ControlDestroying() const { return FControl && FControl->HasState(csDestroying); }

void TControlHook::HookControl() {
    if (!FControl || FControl->HasState(csDesigning) || ControlDestroying() || FDestroying || FInstalled)
        return;
    FHookId = FControl->AddMessageHook([this](QEvent* e) { return HookBefore(e); }, [this](QEvent* e) { HookAfter(e); });
    FInstalled = true;
}

void TControlHook::UnhookControl(bool controlGoing) {
    if (FInstalled && FControl && !controlGoing)
        FControl->RemoveMessageHook(FHookId);
    FInstalled = false;
}

void TControlHook::NotifyBefore(TMessage& msg, bool& handled) {
    handled = false;
    if (FList.empty() || ControlDestroying() || FDestroying)
        return;
    // A handler may detach hooks while it runs: walk a copy, skipping those that left.
    const auto hooks = FList;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
        if (std::find(FList.begin(), FList.end(), *it) != FList.end())
            (*it)->DoBeforeMessage(msg, handled);
}

void TControlHook::NotifyAfter(TMessage& msg, bool& handled) {
    handled = false;
    if (FList.empty() || ControlDestroying() || FDestroying)
        return;
    const auto hooks = FList;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
        if (std::find(FList.begin(), FList.end(), *it) != FList.end())
            (*it)->DoAfterMessage(msg, handled);
}

int TControlHook::MessageOf(QEvent* event) const {
    // A widget that loses its native window ends its window as a replaced widget does.
    if (event->type() == QEvent::WinIdChange && FControl && FControl->Widget() && !FControl->Widget()->internalWinId())
        return WM_DESTROY_MESSAGE;
    return int(event->type());
}

bool TControlHook::HookBefore(QEvent* event) {
    if (!FControl)
        return false;
    TMessage msg{MessageOf(event), event, 0};
    bool handled = false;
    if (msg.Msg != WM_QUIT_MESSAGE)
        NotifyBefore(msg, handled);
    return handled && msg.Msg != WM_DESTROY_MESSAGE;
}

void TControlHook::HookAfter(QEvent* event) {
    if (!FControl)
        return;
    TMessage msg{MessageOf(event), event, event->isAccepted() ? 1 : 0};
    bool handled = false;
    NotifyAfter(msg, handled);
    if (msg.Msg == WM_DESTROY_MESSAGE) {
        UnhookControl();
        // The control lives on with a new window: hook it again once this message is over.
        if (auto* list = HookList(false); list && !FDestroying && !ControlDestroying())
            list->PostRehook(this);
    }
}

// ---------------------------------------------------------------------------------------------
// TZbWindowHook

TZbWindowHook::TZbWindowHook(TComponent* owner) : TComponent(owner) {}

TZbWindowHook::~TZbWindowHook() {
    SetActive(false);
    SetWinControl(nullptr);
}

void TZbWindowHook::SetActive(bool value) {
    if (value == FActive)
        return;
    if (value)
        HookControl();
    else
        UnhookControl();
}

void TZbWindowHook::HookControl() {
    if (FControl && !HasState(csDestroying))
        HookList()->GetControlHook(FControl)->AddHook(this);
    FActive = true;
}

void TZbWindowHook::UnhookControl() {
    if (FControlHook)
        FControlHook->RemoveHook(this);
    FActive = false;
}

TWinControl* TZbWindowHook::WinControl() const { return FControlHook ? FControlHook->Control() : FControl; }

void TZbWindowHook::SetWinControl(TWinControl* value) {
    if (value == WinControl())
        return;
    const bool wasActive = FActive;
    TControlHook* previous = FControlHook;
    UnhookControl();
    FControl = value;
    if (value)
        value->FreeNotification(this);
    // Freed after the message being handled, never inside its own window procedure.
    if (previous && previous->HookCount() == 0)
        if (auto* list = HookList(false))
            list->PostFreeIdle(previous);
    if (wasActive)
        HookControl();
}

bool TZbWindowHook::IsForm() const {
    return Owner() && WinControl() == Owner() && dynamic_cast<TCustomForm*>(Owner()) != nullptr;
}

void TZbWindowHook::SetIsForm(bool value) {
    if (value)
        if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
            SetWinControl(form);
}

void TZbWindowHook::DefineProperties(TFiler* filer) {
    filer->DefineProperty(QStringLiteral("IsForm"), TReaderProc(this, &TZbWindowHook::ReadIsForm),
                          TWriterProc(this, &TZbWindowHook::WriteIsForm), true);
}

void TZbWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
    if (AfterMessage)
        AfterMessage(this, msg, handled);
}

void TZbWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
    if (BeforeMessage)
        BeforeMessage(this, msg, handled);
}

void TZbWindowHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == WinControl() || component == FControl || component == Owner() || !Owner()) {
        // The control is going: its widget may already be gone, so the record must not touch it.
        if (FControlHook && component == FControlHook->Control())
            FControlHook->UnhookControl(/*controlGoing=*/true);
        SetWinControl(nullptr);
    }
}
