#include "platform/forms/Dialogs.h"

#include "platform/forms/FormHarness.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Printers.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

using namespace platform::forms;

const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

std::vector<TMsgDlgBtn> TMsgDlgButtons::List() const {
    std::vector<TMsgDlgBtn> list;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (Contains(TMsgDlgBtn(b))) list.push_back(TMsgDlgBtn(b));
    return list;
}

TModalResult ModalResultOf(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    }
    return mrNone;
}

QString ButtonCaption(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return QStringLiteral("&Sí");
    case mbNo: return QStringLiteral("&No");
    case mbOK: return QStringLiteral("Aceptar");
    case mbCancel: return QStringLiteral("Cancelar");
    case mbAbort: return QStringLiteral("&Anular");
    case mbRetry: return QStringLiteral("&Reintentar");
    case mbIgnore: return QStringLiteral("&Ignorar");
    case mbAll: return QStringLiteral("&Todos");
    case mbNoToAll: return QStringLiteral("N&o a todos");
    case mbYesToAll: return QStringLiteral("Sí a t&odos");
    case mbHelp: return QStringLiteral("Ay&uda");
    }
    return {};
}

namespace platform::forms {

int ShowMessageBox(const QString& caption, const QString& text, TMsgDlgType type,
                   const std::vector<TMsgDlgBtn>& buttons, TMsgDlgBtn defaultButton) {
    if (TFormHarness* h = TFormHarness::Current()) {
        TMessageRecord r;
        r.Caption = caption;
        r.Text = text;
        r.Icon = type;
        r.Buttons = buttons;
        r.Default = defaultButton;
        return h->TakeMessageAnswer(r);
    }
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type) {
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case mtCustom: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<std::pair<QAbstractButton*, TMsgDlgBtn>> made;
    for (TMsgDlgBtn b : buttons) {
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        if (b == mbNo || b == mbCancel || b == mbAbort || b == mbNoToAll) role = QMessageBox::RejectRole;
        if (b == mbHelp) role = QMessageBox::HelpRole;
        QPushButton* pb = box.addButton(ButtonCaption(b), role);
        made.emplace_back(pb, b);
        if (b == defaultButton) box.setDefaultButton(pb);
        if (b == mbCancel || (b == mbNo && std::find(buttons.begin(), buttons.end(), mbCancel) == buttons.end()))
            box.setEscapeButton(pb);
    }
    box.exec();
    for (auto& [pb, b] : made)
        if (box.clickedButton() == pb) return ModalResultOf(b);
    return mrCancel;
}

}  // namespace platform::forms

int MessageDlgPos(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int, int, int) {
    QString caption;
    switch (type) {
    case mtWarning: caption = QStringLiteral("Atención"); break;
    case mtError: caption = QStringLiteral("Error"); break;
    case mtInformation: caption = QStringLiteral("Información"); break;
    case mtConfirmation: caption = QStringLiteral("Confirmación"); break;
    case mtCustom: caption = Application->Title(); break;
    }
    if (buttons.Empty()) buttons = mbOK;
    TMsgDlgBtn def = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : buttons.List().front();
    return ShowMessageBox(caption, msg, type, buttons.List(), def);
}

int MessageDlg(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    return MessageDlgPos(msg, type, buttons, helpContext, -1, -1);
}

void ShowMessage(const QString& msg) { ShowMessageBox(Application->Title(), msg, mtCustom, {mbOK}, mbOK); }

// ---------------------------------------------------------------------------------------------

QStringList TOpenDialog::QtFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out;
}

QString TOpenDialog::WithDefaultExt(const QString& name) const {
    if (name.isEmpty() || FDefaultExt.isEmpty() || !QFileInfo(name).suffix().isEmpty()) return name;
    QString ext = FDefaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    return name + QLatin1Char('.') + ext;
}

void TOpenDialog::SetUpQtDialog(QFileDialog& dlg) const {
    dlg.setWindowTitle(FTitle);
    dlg.setAcceptMode(IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(IsSave() ? QFileDialog::AnyFile
                    : (FOptions & ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                    : (FOptions & ofFileMustExist) ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
    const QStringList filters = QtFilters(FFilter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        if (FFilterIndex >= 1 && FFilterIndex <= filters.size()) dlg.selectNameFilter(filters[FFilterIndex - 1]);
    }
    if (!FInitialDir.isEmpty()) dlg.setDirectory(FInitialDir);
    if (!FFileName.isEmpty()) dlg.selectFile(FFileName);
    if (IsSave() && !(FOptions & ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
}

bool TOpenDialog::Execute() {
    Guarded(this, [this] { OnShow(this); });
    QString chosen;
    bool ok = false;
    if (TFormHarness* h = TFormHarness::Current()) {
        ok = h->TakeFileAnswer(chosen);
    } else {
        QFileDialog dlg;
        SetUpQtDialog(dlg);
        const QStringList filters = QtFilters(FFilter);
        ok = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
        if (ok) {
            FFiles = dlg.selectedFiles();
            chosen = FFiles.front();
            FFilterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
        }
    }
    if (ok) {
        FFileName = WithDefaultExt(chosen);
        if (FFiles.isEmpty() || FFiles.front() != chosen) FFiles = QStringList{FFileName};
    }
    Guarded(this, [this] { OnClose(this); });
    return ok;
}

bool TColorDialog::Execute() {
    if (TFormHarness* h = TFormHarness::Current()) {
        TColor c = FColor;
        if (!h->TakeColorAnswer(c)) return false;
        FColor = c;
        return true;
    }
    const QColor c = QColorDialog::getColor(QtColor(FColor));
    if (!c.isValid()) return false;
    FColor = platform::graphics::FromQRgb(c.rgb());
    return true;
}

bool TPrinterSetupDialog::Execute() {
    QString chosen;
    if (TFormHarness* h = TFormHarness::Current()) {
        if (!h->TakeDialogAnswer(&chosen)) return false;
        if (chosen.isEmpty()) return true;  // accepted as it stood
    } else {
        QPrinter printer;
        const QString current = Printer()->PrinterName();
        if (!current.isEmpty()) printer.setPrinterName(current);
        QPrintDialog dlg(&printer);
        if (dlg.exec() != QDialog::Accepted) return false;
        chosen = printer.printerName();
    }
    // The choice is the program's printer from now on.
    Printer()->SetPrinterName(chosen);
    return true;
}

bool TPrintDialog::Execute() {
    if (TFormHarness* h = TFormHarness::Current()) return h->TakeDialogAnswer();
    QPrinter printer;
    printer.setCopyCount(FCopies);
    QPrintDialog dlg(&printer);
    if (dlg.exec() != QDialog::Accepted) return false;
    FCopies = printer.copyCount();
    return true;
}
