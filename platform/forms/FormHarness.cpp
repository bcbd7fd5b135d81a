#include "platform/forms/FormHarness.h"

#include "platform/forms/Host.h"

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QKeyEvent>
#include <QMouseEvent>

namespace platform::forms {

namespace {
TFormHarness* gHarness = nullptr;

QWidget* KeyTarget(TWinControl* target) {
    if (target) return target->Widget();
    TCustomForm* form = Screen->ActiveForm();
    if (!form) return nullptr;
    if (form->ActiveControl()) return form->ActiveControl()->Widget();
    return form->Widget();
}

// The widget that should get a mouse event at (x, y) of the control: the control's own widget,
// or the child Qt widget under the point (a check box's indicator, a combo's edit).
QWidget* MouseTarget(TControl* control, QPoint& pos) {
    QWidget* w = control->Widget();
    if (!w) return nullptr;
    // A check box's or group's own child widget under the point takes the press.
    if (QWidget* child = w->childAt(pos); child && !dynamic_cast<THostLink*>(child)) {
        pos = child->mapFrom(w, pos);
        // A press on a control's inner part (a list's viewport) focuses the control, as a
        // click of the hand does.
        auto* wc = dynamic_cast<TWinControl*>(control);
        if (wc && (w->focusPolicy() & Qt::ClickFocus) && wc->CanFocus() && !w->hasFocus()) wc->SetFocus();
        return child;
    }
    return w;
}
}  // namespace

TFormHarness::TFormHarness() : FPrevious(gHarness) {
    gHarness = this;
    Application->SetShowHint(true);
}

TFormHarness::~TFormHarness() { gHarness = FPrevious; }

TFormHarness* TFormHarness::Current() { return gHarness; }

void TFormHarness::AnswerModal(TModalResult result) { FAnswers.push_back({Kind::Modal, result, {}, {}}); }

void TFormHarness::AnswerModal(std::function<void(TCustomForm&)> script) {
    FAnswers.push_back({Kind::Modal, mrNone, {}, std::move(script)});
}

void TFormHarness::AnswerMessage(int result) { FAnswers.push_back({Kind::Message, result, {}, {}}); }
void TFormHarness::AnswerFile(const QString& fileName) { FAnswers.push_back({Kind::File, 0, fileName, {}}); }
void TFormHarness::AnswerColor(TColor color) { FAnswers.push_back({Kind::Color, color, {}, {}}); }
void TFormHarness::AnswerDialog(bool accept) { FAnswers.push_back({Kind::Dialog, accept ? 1 : 0, {}, {}}); }
void TFormHarness::AnswerPrinterSetup(const QString& printerName) {
    FAnswers.push_back({Kind::Dialog, 1, printerName, {}});
}
void TFormHarness::AnswerPrinterSetupFile(const QString& pdfFile) {
    FAnswers.push_back({Kind::Dialog, 2, pdfFile, {}});
}
int TFormHarness::PendingAnswers() const { return int(FAnswers.size()); }

const TMessageRecord& TFormHarness::LastMessage() const {
    static const TMessageRecord none;
    return FMessages.empty() ? none : FMessages.back();
}

void TFormHarness::ClearRecords() {
    FMessages.clear();
    FExceptions.clear();
    FModals.clear();
}

bool TFormHarness::TakeAnswer(Kind kind, TAnswer& out) {
    // Answers are taken in order; one of another kind at the head is a script mistake that
    // the test sees as an unanswered box, so it is left where it is.
    if (FAnswers.empty() || FAnswers.front().What != kind) return false;
    out = FAnswers.front();
    FAnswers.pop_front();
    return true;
}

TFormHarness::TModalAnswer TFormHarness::TakeModalAnswer(TCustomForm*) {
    TAnswer a;
    TModalAnswer result;
    if (TakeAnswer(Kind::Modal, a)) {
        result.Result = a.Script ? mrNone : a.Result;
        result.Script = a.Script;
    }
    return result;
}

void TFormHarness::ModalFinished(TCustomForm* form, TModalResult result) {
    FModals.push_back({form->ClassName(), form->Caption(), result});
}

int TFormHarness::TakeMessageAnswer(TMessageRecord record) {
    if (FWhileMessage) FWhileMessage(record);
    TAnswer a;
    record.Result = TakeAnswer(Kind::Message, a) ? a.Result : ModalResultOf(record.Default);
    FMessages.push_back(record);
    return record.Result;
}

bool TFormHarness::TakeFileAnswer(QString& fileName) {
    TAnswer a;
    if (!TakeAnswer(Kind::File, a) || a.Text.isEmpty()) return false;
    fileName = a.Text;
    return true;
}

bool TFormHarness::TakeColorAnswer(TColor& color) {
    TAnswer a;
    if (!TakeAnswer(Kind::Color, a)) return false;
    color = a.Result;
    return true;
}

bool TFormHarness::TakeDialogAnswer(QString* text, bool* toFile) {
    TAnswer a;
    if (!TakeAnswer(Kind::Dialog, a) || a.Result == 0) return false;
    if (text) *text = a.Text;
    if (toFile) *toFile = a.Result == 2;
    return true;
}

void TFormHarness::RecordException(const QString& className, const QString& message) {
    FExceptions.push_back({className, message});
}

void TFormHarness::ProcessEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void TFormHarness::ClickAt(TControl* control, int x, int y, TMouseButton button, TShiftState shift) {
    QPoint pos(x, y);
    QWidget* w = MouseTarget(control, pos);
    if (!w) return;
    const Qt::MouseButton b = button == mbRight ? Qt::RightButton : button == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
    Qt::KeyboardModifiers mods;
    if (shift & ssShift) mods |= Qt::ShiftModifier;
    if (shift & ssCtrl) mods |= Qt::ControlModifier;
    if (shift & ssAlt) mods |= Qt::AltModifier;
    const QPointF local(pos);
    const QPointF global(w->mapToGlobal(pos));
    QPointer<QWidget> guard = w;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, b, b, mods);
    QCoreApplication::sendEvent(w, &press);
    if (!guard) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, b, Qt::NoButton, mods);
    QCoreApplication::sendEvent(w, &release);
    if (button == mbRight && guard) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, w->mapToGlobal(pos), mods);
        QCoreApplication::sendEvent(w, &menu);
    }
    ProcessEvents();
}

void TFormHarness::Drag(TControl* control, int x0, int y0, int x1, int y1, TMouseButton button) {
    QPoint pos(x0, y0);
    QWidget* w = MouseTarget(control, pos);
    if (!w) return;
    const Qt::MouseButton b = button == mbRight ? Qt::RightButton : button == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
    const QPoint from = w->mapToGlobal(pos), to = w->mapToGlobal(pos + QPoint(x1 - x0, y1 - y0));
    QPointer<QWidget> guard = w;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), QPointF(from), b, b, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    // The control may move under the pointer while it is dragged: each point is taken where
    // the pointer is on the screen.
    constexpr int steps = 4;
    for (int i = 1; i <= steps && guard; ++i) {
        const QPoint global = from + (to - from) * i / steps;
        QMouseEvent move(QEvent::MouseMove, QPointF(w->mapFromGlobal(global)), QPointF(global), Qt::NoButton, b,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    }
    if (guard) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(w->mapFromGlobal(to)), QPointF(to), b, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(w, &release);
    }
    ProcessEvents();
}

void TFormHarness::Click(TControl* control) {
    // Check boxes and radio buttons take clicks on their indicator and caption only.
    const bool indicator = qobject_cast<QCheckBox*>(control->Widget()) || qobject_cast<QRadioButton*>(control->Widget());
    ClickAt(control, indicator ? std::min(7, control->Width() / 2) : std::max(0, control->Width() / 2),
            std::max(0, control->Height() / 2));
}

void TFormHarness::DoubleClick(TControl* control) {
    QWidget* w = control->Widget();
    const QPointF local(control->Width() / 2, control->Height() / 2);
    const QPointF global(w->mapToGlobal(local.toPoint()));
    QPointer<QWidget> guard = w;
    Click(control);
    if (!guard) return;
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &dbl);
    if (!guard) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
    ProcessEvents();
}

void TFormHarness::MouseEnter(TControl* control) {
    QWidget* w = control->Widget();
    const QPointF local(control->Width() / 2, control->Height() / 2);
    QEnterEvent e(local, local, w->mapToGlobal(local));
    QCoreApplication::sendEvent(w, &e);
}

void TFormHarness::MouseLeave(TControl* control) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(control->Widget(), &e);
}

void TFormHarness::PressKey(quint16 key, TShiftState shift) { PressKey(nullptr, key, shift); }

void TFormHarness::PressKey(TWinControl* target, quint16 key, TShiftState shift) {
    QWidget* w = KeyTarget(target);
    if (!w) return;
    Qt::KeyboardModifiers mods;
    if (shift & ssShift) mods |= Qt::ShiftModifier;
    if (shift & ssCtrl) mods |= Qt::ControlModifier;
    if (shift & ssAlt) mods |= Qt::AltModifier;
    if (key == VK_MULTIPLY || key == VK_ADD || key == VK_SUBTRACT || key == VK_DIVIDE) mods |= Qt::KeypadModifier;
    QString text;
    if (!(shift & (ssCtrl | ssAlt))) {
        if (key == VK_RETURN) text = QStringLiteral("\r");
        else if (key == VK_ESCAPE) text = QString(QChar(27));
        else if (key == VK_BACK) text = QString(QChar(8));
        else if (key == VK_TAB) text = QStringLiteral("\t");
        else if (key == VK_SPACE) text = QStringLiteral(" ");
        else if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
            text = (shift & ssShift) ? QString(QChar(key)) : QString(QChar(key)).toLower();
    } else if ((shift & (ssCtrl | ssAlt)) == ssCtrl && key >= 'A' && key <= 'Z') {
        // Ctrl with a letter types its control character, as the window system sends it.
        text = QString(QChar(key - 'A' + 1));
    }
    int qtKey = QtKeyFromVirtualKey(key);
    if (key == VK_TAB && (shift & ssShift)) qtKey = Qt::Key_Backtab;
    QPointer<QWidget> guard = w;
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QCoreApplication::sendEvent(w, &press);
    if (guard) {
        QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
        QCoreApplication::sendEvent(w, &release);
    }
    ProcessEvents();
}

void TFormHarness::Type(const QString& text) { Type(nullptr, text); }

void TFormHarness::Type(TWinControl* target, const QString& text) {
    for (QChar ch : text) {
        QWidget* w = KeyTarget(target);
        if (!w) return;
        int qtKey = Qt::Key_unknown;
        const QChar up = ch.toUpper();
        if (up >= QLatin1Char('A') && up <= QLatin1Char('Z')) qtKey = Qt::Key_A + (up.unicode() - 'A');
        else if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) qtKey = Qt::Key_0 + (ch.unicode() - '0');
        else if (ch == QLatin1Char(' ')) qtKey = Qt::Key_Space;
        else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) qtKey = Qt::Key_Return;
        const Qt::KeyboardModifiers mods = (ch.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
        QString t(ch == QLatin1Char('\n') ? QLatin1Char('\r') : ch);
        QPointer<QWidget> guard = w;
        QKeyEvent press(QEvent::KeyPress, qtKey, mods, t);
        QCoreApplication::sendEvent(w, &press);
        if (guard) {
            QKeyEvent release(QEvent::KeyRelease, qtKey, mods, t);
            QCoreApplication::sendEvent(w, &release);
        }
    }
    ProcessEvents();
}

void TFormHarness::Focus(TWinControl* control) {
    Guarded(control, [control] { control->SetFocus(); });
    ProcessEvents();
}

TWinControl* TFormHarness::Focused() {
    TCustomForm* form = Screen->ActiveForm();
    return form ? form->ActiveControl() : nullptr;
}

QImage TFormHarness::Grab(TControl* control) {
    QWidget* w = control->Widget();
    if (!w) return {};
    if (w->isWindow() && !w->isVisible()) {
        // A form that is not shown is laid out and drawn all the same.
        w->setAttribute(Qt::WA_DontShowOnScreen, true);
        w->show();
        ProcessEvents();
        QImage image = w->grab().toImage();
        w->hide();
        w->setAttribute(Qt::WA_DontShowOnScreen, false);
        return image;
    }
    ProcessEvents();
    return w->grab().toImage();
}

bool TFormHarness::SaveToPng(TControl* control, const QString& path) {
    const QImage image = Grab(control);
    return !image.isNull() && image.save(path, "PNG");
}

}  // namespace platform::forms
