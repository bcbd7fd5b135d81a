#pragma once
// Application-wide events for any number of components: the first TAppEvents takes over the
// application's and the screen's handler slots, and each event is handed to every live
// component, newest first, until one that does not chain; the last one gone gives the slots back.
#include "platform/classes/Component.h"
#include "platform/forms/Forms.h"

#include <memory>

class TAppEvents;

class TAppEvents : public TComponent {
public:
    explicit TAppEvents(TComponent* owner);
    ~TAppEvents() override;

    bool Chained() const { return FChained; }
    void SetChained(bool value) { FChained = value; }
    // The hint and flag properties read the application at run time and the stored value while
    // designing; setting them stores the value and applies it at run time.
    TColor HintColor() const;
    void SetHintColor(TColor value);
    int HintPause() const;
    void SetHintPause(int value);
    bool ShowHint() const;
    void SetShowHint(bool value);
    bool UpdateFormatSettings() const;
    void SetUpdateFormatSettings(bool value);
    int HintShortPause() const;
    void SetHintShortPause(int value);
    int HintHidePause() const;
    void SetHintHidePause(int value);
    bool ShowMainForm() const;
    void SetShowMainForm(bool value);

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TNotifyEvent OnHint;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnSettingsChanged;
    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;
    // Draws the picture the minimised application shows (its window icon) on Canvas().
    TNotifyEvent OnPaintIcon;

    // The canvas of the icon being painted; none outside OnPaintIcon.
    TCanvas* Canvas() const { return FCanvas; }
    // Paints the icon through OnPaintIcon and gives it to the main window.
    virtual void PaintIcon();

    // A message of the application: true when handled here (settings changes).
    virtual bool MessageHook(QObject* receiver, QEvent* event);

protected:
    void Loaded() override;

private:
    void ApplyToApplication();
    bool FChained = true;
    TColor FHintColor;
    int FHintPause = 500;
    bool FShowHint = true;
    bool FUpdateFormatSettings = true;
    int FHintShortPause = 50;
    int FHintHidePause = 2500;
    bool FShowMainForm = true;
    std::unique_ptr<QObject> FHook;
    TCanvas* FCanvas = nullptr;
};

namespace controls::visual {
// The components in creation order and the handlers the application had before them.
class TAppEventList {
public:
    TAppEventList() = default;
    ~TAppEventList();
    void AddEvents(TAppEvents* app);
    void RemoveEvents(TAppEvents* app);
    int Count() const { return int(FList.size()); }
    bool Hooked() const { return FHooked; }
    TAppEvents* First() const { return FList.empty() ? nullptr : FList.front(); }
    // The oldest component with OnPaintIcon assigned.
    TAppEvents* FirstPainter() const;

    void DoActivate(TObject* sender);
    void DoDeactivate(TObject* sender);
    void DoException(TObject* sender, const Exception& e);
    void DoIdle(TObject* sender, bool& done);
    void DoHelp(quint16 command, qint64 data, bool& callHelp, bool& result);
    void DoHint(TObject* sender);
    void DoMessage(QObject* receiver, QEvent* event, bool& handled);
    void DoMinimize(TObject* sender);
    void DoRestore(TObject* sender);
    void DoShowHint(QString& hintStr, bool& canShow, TControl* control);
    void DoActiveControlChange(TObject* sender);
    void DoActiveFormChange(TObject* sender);
    void DoSettingsChanged();

private:
    void SaveEvents();
    void ClearEvents();
    std::vector<TAppEvents*> FList;
    bool FHooked = false;
    TNotifyEvent FOnActivate, FOnDeactivate, FOnHint, FOnMinimize, FOnRestore;
    TExceptionEvent FOnException;
    TIdleEvent FOnIdle;
    THelpEvent FOnHelp;
    TMessageEvent FOnMessage;
    TShowHintEvent FOnShowHint;
    TNotifyEvent FOnActiveControlChange, FOnActiveFormChange;
};
// The list, null when no component was ever made.
TAppEventList* AppEventList();
}  // namespace controls::visual
