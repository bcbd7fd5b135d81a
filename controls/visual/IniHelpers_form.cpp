// The placement routines that work on forms.
#include "controls/visual/IniHelpers.h"

#include "platform/forms/Forms.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <limits>

using controls::visual::TPlacementState;
using controls::visual::TWindowPlacement;

namespace controls::visual {

TScreenInfo CurrentScreen() { return TScreenInfo{Screen->Width(), Screen->Height(), Screen->PixelsPerInch()}; }

TWindowPlacement GetFormPlacement(TCustomForm* form) {
    TWindowPlacement wp;
    wp.MinX = wp.MinY = wp.MaxX = wp.MaxY = -1;  // no minimised or maximised position of its own
    // A maximised window keeps the bounds it is restored to, not the whole screen's.
    const TRect normal = form->NormalBounds();
    wp.NormLeft = normal.Left;
    wp.NormTop = normal.Top;
    wp.NormRight = normal.Right;
    wp.NormBottom = normal.Bottom;
    switch (form->WindowState()) {
    case wsNormal: wp.ShowCmd = SW_SHOWNORMAL; break;
    case wsMinimized: wp.ShowCmd = SW_SHOWMINIMIZED; break;
    case wsMaximized: wp.ShowCmd = SW_SHOWMAXIMIZED; break;
    }
    return wp;
}

}  // namespace controls::visual

QString GetDefaultSection(TComponent* component) {
    if (!component)
        return QString();
    if (auto* form = dynamic_cast<TCustomForm*>(component))
        return form->ClassName();
    const QString name = component->Name();
    if (auto* control = dynamic_cast<TControl*>(component)) {
        if (TCustomForm* form = GetParentForm(control))
            return form->ClassName() + name;
        if (control->Parent())
            return control->Parent()->Name() + name;
        return name;
    }
    if (auto* owner = dynamic_cast<TCustomForm*>(component->Owner()))
        return owner->ClassName() + QLatin1Char('.') + name;
    return name;
}

QString ReadPosStr(TObject* iniObject, const QString& section, const QString& ident) {
    return controls::visual::ReadPosStr(iniObject, section, ident, controls::visual::CurrentScreen());
}

void WritePosStr(TObject* iniObject, const QString& section, const QString& ident, const QString& value) {
    controls::visual::WritePosStr(iniObject, section, ident, value, controls::visual::CurrentScreen());
}

void WriteFormPlacement(TCustomForm* form, TObject* iniObject, const QString& section) {
    if (!form)
        return;
    TWindowPlacement wp = controls::visual::GetFormPlacement(form);
    if (form == Application->MainForm() && form->Widget() && form->Widget()->isMinimized())
        wp.ShowCmd = controls::visual::SW_SHOWMINIMIZED;
    if (form->FormStyle() == fsMDIChild && form->WindowState() == wsMinimized)
        wp.Flags |= controls::visual::WPF_SETMINPOSITION;
    controls::visual::WritePlacement(iniObject, section, wp, controls::visual::CurrentScreen());
}

void ReadFormPlacement(TCustomForm* form, TObject* iniObject, const QString& section, bool restoreState,
                       bool restorePosition) {
    if (!form || (!restoreState && !restorePosition))
        return;
    const bool isMainForm = form == Application->MainForm();
    if (restorePosition) {
        TWindowPlacement wp = controls::visual::GetFormPlacement(form);
        const bool found = controls::visual::ReadPlacementPosition(iniObject, section, wp, controls::visual::CurrentScreen());
        if (found) {
            // A window the user cannot size keeps the size it was designed with.
            if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin) {
                wp.NormLeft = std::min(wp.NormLeft, std::numeric_limits<int>::max() - form->Width());
                wp.NormTop = std::min(wp.NormTop, std::numeric_limits<int>::max() - form->Height());
                wp.NormRight = wp.NormLeft + form->Width();
                wp.NormBottom = wp.NormTop + form->Height();
            }
            // Left and top place the window manager's frame, width and height size what is inside
            // it: room is kept for a frame's borders and title bar.
            constexpr int FrameWidth = 8, FrameHeight = 32;
            const TRect main = Screen->WorkAreaRect();
            QList<QRect> areas{QRect(main.Left, main.Top, main.Width(), main.Height())};
            for (QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
            const QRect area = controls::visual::AreaForPlacement(wp, areas);
            controls::visual::FitPlacement(wp, area.x(), area.y(), area.width() - FrameWidth,
                                           area.height() - FrameHeight,
                                           form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin,
                                           form->Constraints()->MinWidth(), form->Constraints()->MinHeight());
            if (wp.NormRight > wp.NormLeft) {
                // A centred form would be centred again on showing, losing the stored position.
                if (form->Position() == poScreenCenter && !form->HasState(csDesigning))
                    form->SetPosition(poDesigned);
                form->SetBounds(wp.NormLeft, wp.NormTop, wp.NormRight - wp.NormLeft, wp.NormBottom - wp.NormTop);
            }
        }
    }
    if (restoreState) {
        TPlacementState defaultState = TPlacementState::Normal;
        if ((isMainForm && form->FormStyle() == fsMDIForm) ||
            (form->FormStyle() == fsNormal && form->Position() == poDefault))
            defaultState = TPlacementState::Maximized;
        const TPlacementState state = controls::visual::ReadPlacementState(iniObject, section, defaultState);
        if (state == TPlacementState::Minimized && isMainForm) {
            // The application, not the form, goes to the task bar, once the form is up.
            form->SetWindowState(wsNormal);
            QTimer::singleShot(0, [] {
                if (Application->MainForm())
                    Application->Minimize();
            });
            return;
        }
        switch (state) {
        case TPlacementState::Normal: form->SetWindowState(wsNormal); break;
        case TPlacementState::Minimized: form->SetWindowState(wsMinimized); break;
        case TPlacementState::Maximized: form->SetWindowState(wsMaximized); break;
        }
    }
    if (form->Widget())
        form->Update();
}
