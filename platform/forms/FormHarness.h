#pragma once
// Drives forms without a person: clicks, keys and focus moves as the user's, answers for modal
// forms, message boxes and common dialogs taken from a script, and a record of every message box
// and every exception that reached the application. While a harness object lives, nothing blocks.
#include "platform/forms/Dialogs.h"

#include <QImage>
#include <deque>
#include <functional>
#include <vector>

namespace platform::forms {

struct TMessageRecord {
    QString Caption;
    QString Text;
    TMsgDlgType Icon = mtCustom;
    std::vector<TMsgDlgBtn> Buttons;
    TMsgDlgBtn Default = mbOK;
    int Result = mrNone;
};

struct TExceptionRecord {
    QString ClassName;
    QString Message;
};

struct TModalRecord {
    QString FormClass;
    QString Caption;
    TModalResult Result = mrNone;
};

class TFormHarness {
public:
    TFormHarness();
    ~TFormHarness();
    TFormHarness(const TFormHarness&) = delete;
    TFormHarness& operator=(const TFormHarness&) = delete;
    // The harness in force, or none.
    static TFormHarness* Current();

    // --- Script of answers, consumed in order.
    // The next ShowModal returns this result at once (after OnShow, with the usual close checks).
    void AnswerModal(TModalResult result);
    // The next ShowModal runs this while the form is up; what the script leaves in ModalResult
    // is the answer (mrCancel when it sets none).
    void AnswerModal(std::function<void(TCustomForm&)> script);
    // The next message box is answered with this modal result (mrYes, mrOk...).
    void AnswerMessage(int result);
    // The next open or save dialog returns this file name; an empty name cancels.
    void AnswerFile(const QString& fileName);
    // The next colour dialog returns this colour.
    void AnswerColor(TColor color);
    // The next printer set-up or print dialog is accepted or cancelled.
    void AnswerDialog(bool accept);
    // The next printer set-up dialog is accepted with this printer chosen.
    void AnswerPrinterSetup(const QString& printerName);
    // The next printer set-up dialog is accepted with printing to this PDF file chosen.
    void AnswerPrinterSetupFile(const QString& pdfFile);
    int PendingAnswers() const;
    // Runs `look` while each message box is up, before it is answered: what the program holds
    // while a person would be reading it.
    void WhileMessage(std::function<void(const TMessageRecord&)> look) { FWhileMessage = std::move(look); }

    // --- What happened.
    const std::vector<TMessageRecord>& Messages() const { return FMessages; }
    const TMessageRecord& LastMessage() const;
    const std::vector<TExceptionRecord>& Exceptions() const { return FExceptions; }
    const std::vector<TModalRecord>& ModalForms() const { return FModals; }
    void ClearRecords();

    // --- Driving.
    static void ProcessEvents();
    static void Click(TControl* control);
    static void ClickAt(TControl* control, int x, int y, TMouseButton button = mbLeft, TShiftState shift = 0);
    static void DoubleClick(TControl* control);
    // Presses the button at (x0, y0) of the control, moves the pointer in a few steps to (x1, y1)
    // (both as they stood when the press came) and lets go there, as a hand drags.
    static void Drag(TControl* control, int x0, int y0, int x1, int y1, TMouseButton button = mbLeft);
    static void MouseEnter(TControl* control);
    static void MouseLeave(TControl* control);
    // A key press and release to the focused control of the active form (or the given control).
    static void PressKey(quint16 key, TShiftState shift = 0);
    static void PressKey(TWinControl* target, quint16 key, TShiftState shift = 0);
    // Types text, one character at a time, into the focused control (or the given one).
    static void Type(const QString& text);
    static void Type(TWinControl* target, const QString& text);
    static void Focus(TWinControl* control);
    static TWinControl* Focused();

    // --- Looking.
    static QImage Grab(TControl* control);
    static bool SaveToPng(TControl* control, const QString& path);

    // --- Internal, for the forms and dialogs.
    struct TModalAnswer {
        TModalResult Result = mrCancel;
        std::function<void(TCustomForm&)> Script;
    };
    TModalAnswer TakeModalAnswer(TCustomForm* form);
    void ModalFinished(TCustomForm* form, TModalResult result);
    int TakeMessageAnswer(TMessageRecord record);
    bool TakeFileAnswer(QString& fileName);
    bool TakeColorAnswer(TColor& color);
    // `text`, when given, receives the printer an accepted set-up chose (empty: none).
    bool TakeDialogAnswer(QString* text = nullptr, bool* toFile = nullptr);
    void RecordException(const QString& className, const QString& message);

private:
    enum class Kind { Modal, Message, File, Color, Dialog };
    struct TAnswer {
        Kind What;
        int Result = 0;
        QString Text;
        std::function<void(TCustomForm&)> Script;
    };
    bool TakeAnswer(Kind kind, TAnswer& out);

    TFormHarness* FPrevious = nullptr;
    std::deque<TAnswer> FAnswers;
    std::vector<TMessageRecord> FMessages;
    std::function<void(const TMessageRecord&)> FWhileMessage;
    std::vector<TExceptionRecord> FExceptions;
    std::vector<TModalRecord> FModals;
};

}  // namespace platform::forms
