#include "platform/forms/Dialogs.h"

#include "platform/forms/FormHarness.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Printers.h"
#include "platform/forms/StdCtrls.h"

#include "platform/db/Driver.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QSortFilterProxyModel>
#include <QFileInfo>
#include <QFontDatabase>
#include <QApplication>
#include <QGridLayout>
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
    // A window kept above the others (a progress window) would hide the box asked under it.
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
            break;
        }
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
    // A short question makes a narrow box, and the window manager then cuts its title
    // ("¡¡ ATE…ÓN !!"): the box is kept as wide as its title and the title bar's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(platform::forms::AnchoParaTitulo(caption), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1, grid->columnCount());
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

namespace {

// The dialog's icons and types of the engine's files come from their names: the usual lookup
// reads the file, and closing that descriptor would drop the engine's locks.
class TFileIcons : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (!platform::db::IsEngineFile(info.fileName())) return QFileIconProvider::icon(info);
        return QFileIconProvider::icon(QAbstractFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override {
        if (!platform::db::IsEngineFile(info.fileName())) return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
    }
};

// Nobody picks the engine's files: the dialogs do not list them.
class TSinFicherosDelMotor : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // The size and date columns in Spanish: the toolkit writes them in the workstation's own
    // locale, where "12/7/26" would be the 7th of December to the user. Short, as the column is.
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 1 && index.column() != 3))
            return QSortFilterProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        const QLocale spanish(QLocale::Spanish, QLocale::Spain);
        if (index.column() == 3)
            return info.lastModified().isValid() ? spanish.toString(info.lastModified(), QStringLiteral("dd/MM/yy HH:mm"))
                                                 : QString();
        return info.isFile() ? spanish.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat)
                             : QSortFilterProxyModel::data(index, role);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QString name = sourceModel()->index(row, 0, parent).data(Qt::DisplayRole).toString();
        return !platform::db::IsEngineFile(name);
    }
};

}  // namespace

// A chosen engine file is refused with a word, as no document of the program can be one.
bool platform::forms::RechazaFicheroDelMotor(const QStringList& files) {
    for (const QString& f : files) {
        if (!platform::db::IsEngineFile(f)) continue;
        MessageDlg(QStringLiteral("«%1» es un fichero de la base de datos del programa: no se puede elegir.")
                       .arg(QFileInfo(f).fileName()),
                   mtError, mbOK, 0);
        return true;
    }
    return false;
}

void TOpenDialog::SetUpQtDialog(QFileDialog& dlg) const {
    static auto* const icons = new TFileIcons;  // outlives every dialog and their lookup threads
    // The desktop's own dialog would read the files it shows in this process.
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setIconProvider(icons);
    dlg.setProxyModel(new TSinFicherosDelMotor(&dlg));
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
        ok = h->TakeFileAnswer(chosen) && !platform::forms::RechazaFicheroDelMotor({chosen});
    } else {
        QFileDialog dlg;
        SetUpQtDialog(dlg);
        const QStringList filters = QtFilters(FFilter);
        do {
            ok = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
        } while (ok && platform::forms::RechazaFicheroDelMotor(dlg.selectedFiles()));
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
    bool toFile = false;
    if (TFormHarness* h = TFormHarness::Current()) {
        if (!h->TakeDialogAnswer(&chosen, &toFile)) return false;
        if (chosen.isEmpty()) return true;  // accepted as it stood
    } else {
        QPrinter printer;
        const QString current = Printer()->PrinterName();
        if (!Printer()->OutputFileName().isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(Printer()->OutputFileName());
        } else if (!current.isEmpty()) {
            printer.setPrinterName(current);
        }
        QPrintDialog dlg(&printer);
        if (dlg.exec() != QDialog::Accepted) return false;
        // "Print to file" leaves the printer's name empty and names the PDF file instead.
        toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
        chosen = toFile ? printer.outputFileName() : printer.printerName();
    }
    // A PDF file written over the database would leave the office without its data.
    if (toFile && platform::forms::RechazaFicheroDelMotor({chosen})) return false;
    // The choice is the program's printer (or file) from now on.
    if (toFile) {
        Printer()->SetOutputFileName(chosen);
    } else {
        Printer()->SetPrinterName(chosen);
        Printer()->SetOutputFileName(QString());
    }
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

// ---------------------------------------------------------------------------------------------
// Font dialog

namespace platform::forms {

namespace {
struct TNamedColor {
    const char* Name;
    TColor Color;
};
// "Automático" is the text colour of the window the font is used in.
const TNamedColor kColors[] = {
    {"Automático", clWindowText}, {"Negro", clBlack},   {"Granate", clMaroon},  {"Verde", clGreen},
    {"Aceituna", clOlive},        {"Azul marino", clNavy}, {"Púrpura", clPurple}, {"Verde azulado", clTeal},
    {"Gris", clGray},             {"Plata", clSilver},  {"Rojo", clRed},        {"Lima", clLime},
    {"Amarillo", clYellow},       {"Azul", clBlue},     {"Fucsia", clFuchsia},  {"Aguamarina", clAqua},
    {"Blanco", clWhite}};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The size typed, or 0 when it is not a whole number of points the fonts accept.
int SizeOf(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= 1 && v <= 1638 ? v : 0;
}
}  // namespace

TFontDialogForm::TFontDialogForm(TComponent* owner, TFont* font) : TForm(owner) {
    SetName(QStringLiteral("FontDialogForm"));
    SetCaption(QStringLiteral("Fuente"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(372);
    SetClientHeight(232);
    auto etiqueta = [&](const QString& name, const QString& caption, int left, int top) {
        auto* l = new TLabel(this);
        l->SetName(name);
        l->SetParent(this);
        l->SetCaption(caption);
        l->SetBounds(left, top, 120, 16);
        return l;
    };
    auto combo = [&](const QString& name, TComboBoxStyle style, int left, int top, int width) {
        auto* c = new TComboBox(this);
        c->SetName(name);
        c->SetParent(this);
        c->SetStyle(style);
        c->SetBounds(left, top, width, 24);
        c->OnChange = TNotifyEvent(this, &TFontDialogForm::Changed);
        return c;
    };
    lbNombre = etiqueta(QStringLiteral("lbNombre"), QStringLiteral("&Fuente:"), 8, 8);
    cbNombre = combo(QStringLiteral("cbNombre"), csDropDown, 8, 26, 220);
    lbNombre->SetFocusControl(cbNombre);
    cbNombre->SetSorted(true);
    for (const QString& f : QFontDatabase::families()) cbNombre->Items()->Add(f);
    lbTamano = etiqueta(QStringLiteral("lbTamano"), QStringLiteral("&Tamaño:"), 240, 8);
    cbTamano = combo(QStringLiteral("cbTamano"), csDropDown, 240, 26, 124);
    lbTamano->SetFocusControl(cbTamano);
    for (int v : kSizes) cbTamano->Items()->Add(QString::number(v));
    auto casilla = [&](const QString& name, const QString& caption, int left, int top) {
        auto* c = new TCheckBox(this);
        c->SetName(name);
        c->SetParent(this);
        c->SetCaption(caption);
        c->SetBounds(left, top, 110, 20);
        c->OnClick = TNotifyEvent(this, &TFontDialogForm::Changed);
        return c;
    };
    chkNegrita = casilla(QStringLiteral("chkNegrita"), QStringLiteral("&Negrita"), 8, 60);
    chkCursiva = casilla(QStringLiteral("chkCursiva"), QStringLiteral("C&ursiva"), 120, 60);
    chkSubrayado = casilla(QStringLiteral("chkSubrayado"), QStringLiteral("&Subrayado"), 8, 84);
    chkTachado = casilla(QStringLiteral("chkTachado"), QStringLiteral("T&achado"), 120, 84);
    lbColor = etiqueta(QStringLiteral("lbColor"), QStringLiteral("&Color:"), 240, 60);
    cbColor = combo(QStringLiteral("cbColor"), csDropDownList, 240, 78, 124);
    lbColor->SetFocusControl(cbColor);
    for (const TNamedColor& c : kColors) {
        cbColor->Items()->Add(QString::fromUtf8(c.Name));
        FColors.push_back(c.Color);
    }
    pnlMuestra = new TPanel(this);
    pnlMuestra->SetName(QStringLiteral("pnlMuestra"));
    pnlMuestra->SetParent(this);
    pnlMuestra->SetBevelOuter(bvLowered);
    pnlMuestra->SetColor(clWindow);
    pnlMuestra->SetParentFont(false);
    pnlMuestra->SetCaption(QStringLiteral("AaBbÑñÁé 123"));
    pnlMuestra->SetBounds(8, 114, 356, 72);
    auto boton = [&](const QString& name, const QString& caption, int left, TModalResult result) {
        auto* b = new TButton(this);
        b->SetName(name);
        b->SetParent(this);
        b->SetCaption(caption);
        b->SetModalResult(result);
        b->SetBounds(left, 198, 86, 26);
        return b;
    };
    btOk = boton(QStringLiteral("btOk"), QStringLiteral("Aceptar"), 186, mrOk);
    btOk->SetDefault(true);
    btOk->OnClick = TNotifyEvent(this, &TFontDialogForm::btOkClick);
    btCancel = boton(QStringLiteral("btCancel"), QStringLiteral("Cancelar"), 278, mrCancel);
    btCancel->SetCancel(true);

    // The dialog opens on the font it was given.
    cbNombre->SetText(font->Name());
    cbTamano->SetText(QString::number(font->Size()));
    const TFontStyles s = font->Style();
    chkNegrita->SetChecked(s.Contains(fsBold));
    chkCursiva->SetChecked(s.Contains(fsItalic));
    chkSubrayado->SetChecked(s.Contains(fsUnderline));
    chkTachado->SetChecked(s.Contains(fsStrikeOut));
    auto it = std::find(FColors.begin(), FColors.end(), font->Color());
    if (it == FColors.end()) {
        cbColor->Items()->Add(QStringLiteral("Otro"));
        FColors.push_back(font->Color());
        it = FColors.end() - 1;
    }
    cbColor->SetItemIndex(int(it - FColors.begin()));
    pnlMuestra->Font()->Assign(font);
    Changed(nullptr);
}

bool TFontDialogForm::Chosen(TFont* font) const {
    const int size = SizeOf(cbTamano->Text());
    if (size == 0) return false;
    const QString name = cbNombre->Text().trimmed();
    if (!name.isEmpty()) {
        font->SetName(name);
        font->SetPitch(QFontDatabase::isFixedPitch(name) ? fpFixed : fpDefault);
    }
    font->SetSize(size);
    TFontStyles s;
    if (chkNegrita->Checked()) s += fsBold;
    if (chkCursiva->Checked()) s += fsItalic;
    if (chkSubrayado->Checked()) s += fsUnderline;
    if (chkTachado->Checked()) s += fsStrikeOut;
    font->SetStyle(s);
    const int c = cbColor->ItemIndex();
    if (c >= 0 && c < int(FColors.size())) font->SetColor(FColors[size_t(c)]);
    return true;
}

void TFontDialogForm::Changed(TObject*) {
    if (!pnlMuestra) return;
    TFont muestra;
    muestra.Assign(pnlMuestra->Font());
    if (Chosen(&muestra)) {
        if (muestra.Color() == clWindowText) muestra.SetColor(clBlack);
        pnlMuestra->Font()->Assign(&muestra);
    }
}

void TFontDialogForm::btOkClick(TObject*) {
    TFont prueba;
    if (Chosen(&prueba)) return;
    SetModalResult(mrNone);
    MessageDlg(QStringLiteral("El tamaño ha de ser un número entero entre 1 y 1638."), mtError, mbOK, 0);
    if (cbTamano->CanFocus()) cbTamano->SetFocus();
}

int AnchoParaTitulo(const QString& caption) {
    QFont negrita = QApplication::font();
    negrita.setBold(true);
    return QFontMetrics(negrita).horizontalAdvance(caption) + 120;
}

}  // namespace platform::forms

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
    Guarded(this, [this] { OnShow(this); });
    auto form = std::make_unique<TFontDialogForm>(nullptr, FFont.get());
    const bool ok = form->ShowModal() == mrOk && form->Chosen(FFont.get());
    form.reset();
    Guarded(this, [this] { OnClose(this); });
    return ok;
}
