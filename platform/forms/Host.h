#pragma once
// The bridge from a Qt widget to its control: every widget of a control is a THost<QtClass>
// that hands each event to the control first.
#include "platform/forms/Controls.h"

#include <QEvent>
#include <QWidget>
#include <utility>

namespace platform::forms {

class THostLink {
public:
    virtual ~THostLink() = default;
    TControl* LinkedControl() const { return FControl; }
    // The control is going: the widget stops calling it.
    void Detach() { FControl = nullptr; }

protected:
    explicit THostLink(TControl* control) : FControl(control) {}
    TControl* FControl;
};

template <class Base>
class THost : public Base, public THostLink {
public:
    template <class... A>
    explicit THost(TControl* control, A&&... args) : Base(std::forward<A>(args)...), THostLink(control) {}

    // The widget's own handling, for controls that must call it in the middle of theirs.
    bool BaseEvent(QEvent* e) { return Base::event(e); }

protected:
    bool event(QEvent* e) override {
        if (!FControl) return Base::event(e);
        return DispatchHostEvent(FControl, e, [this](QEvent* ev) { return Base::event(ev); });
    }
};

// The control a widget belongs to (the widget itself or its nearest host ancestor).
TControl* ControlOfWidget(const QWidget* widget);

}  // namespace platform::forms
