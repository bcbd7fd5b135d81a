#pragma once
// A component that sees every message of another windowed control before and after the control
// handles it, without the control's cooperation. The hooks of one control share one record
// (TControlHook) that sits in the control's message handling, after the event filters already on
// its widget; every record lives in one process-wide list.
#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/Events.h"

#include <QEvent>
#include <memory>
#include <vector>

class QObject;
class QWidget;
class TWinControl;
class TControlHook;

// One message of a control: the Qt event with its type, and the result the handling left.
struct TMessage {
    int Msg = 0;
    QEvent* Event = nullptr;
    qint64 Result = 0;
};

// The two messages the hook treats apart: the end of the message loop, which no hook sees, and
// the end of the control's window, which no hook can keep from the control. The window ends when
// the control replaces its widget, and when the widget loses its native window.
inline constexpr int WM_QUIT_MESSAGE = QEvent::Quit;
inline constexpr int WM_DESTROY_MESSAGE = QEvent::Destroy;

using THookMessageEvent = TEvent<TObject*, TMessage&, bool&>;

class TZbWindowHook : public TComponent {
public:
    explicit TZbWindowHook(TComponent* owner);
    ~TZbWindowHook() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    TWinControl* WinControl() const;
    void SetWinControl(TWinControl* value);

    void HookControl();
    void UnhookControl();

    // The stored "IsForm" flag: true when the hook watches the form that owns it. Reading true
    // sets the watched control to the owner when the owner is a form.
    bool IsForm() const;
    void SetIsForm(bool value);
    // "IsForm" in the form description (there is no ancestor form, so it is always written).
    void DefineProperties(TFiler* filer);

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    virtual void DoAfterMessage(TMessage& msg, bool& handled);
    virtual void DoBeforeMessage(TMessage& msg, bool& handled);
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TControlHook;
    void ReadIsForm(TReader* reader) { SetIsForm(reader->ReadBoolean()); }
    void WriteIsForm(TWriter* writer) { writer->WriteBoolean(IsForm()); }
    bool FActive = true;
    TWinControl* FControl = nullptr;
    TControlHook* FControlHook = nullptr;
};

class TControlHook : public TObject {
public:
    TControlHook();
    ~TControlHook() override;

    TWinControl* Control() const { return FControl; }
    void SetControl(TWinControl* value);
    void AddHook(TZbWindowHook* hook);
    void RemoveHook(TZbWindowHook* hook);
    int HookCount() const { return int(FList.size()); }
    // Whether the record sits in the control's message handling now.
    bool Installed() const { return FInstalled; }

    // Puts the record into the control's message handling (the new window procedure).
    void HookControl();
    // Takes it out again; forgotten in any case. A control that is going is left alone.
    void UnhookControl(bool controlGoing = false);

private:
    // The window procedure, around the control's own handling: true when the event must not
    // reach the control.
    bool HookBefore(QEvent* event);
    void HookAfter(QEvent* event);
    int MessageOf(QEvent* event) const;
    void NotifyBefore(TMessage& msg, bool& handled);
    void NotifyAfter(TMessage& msg, bool& handled);
    bool ControlDestroying() const;

    TWinControl* FControl = nullptr;
    int FHookId = 0;
    bool FInstalled = false;
    std::vector<TZbWindowHook*> FList;
    bool FDestroying = false;
};

namespace controls::visual {
// The process-wide list of control hooks, made on first use.
class THookList {
public:
    THookList();
    ~THookList();
    int Count() const { return int(FItems.size()); }
    bool Contains(const TControlHook* hook) const;
    // The record of this control; made and listed when there is none.
    TControlHook* GetControlHook(TWinControl* control);
    void Add(TControlHook* hook) { FItems.push_back(hook); }
    void Remove(TControlHook* hook);
    // Queued after the current message: install the record's filter again / free an idle record.
    void PostRehook(TControlHook* hook);
    void PostFreeIdle(TControlHook* hook);

private:
    void Rehook(TControlHook* hook);
    void FreeIdle(TControlHook* hook);
    std::vector<TControlHook*> FItems;
    std::unique_ptr<QObject> FWindow;
};
// The list, made when `create` is set and there is none; null otherwise.
THookList* HookList(bool create = true);
}  // namespace controls::visual
