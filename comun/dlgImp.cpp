#include "comun/dlgImp.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "platform/forms/Printers.h"
#include "platform/rtl/SysUtils.h"

TdlgImprime* dlgImprime = nullptr;

namespace {

// The name shown for the program's printer (or its PDF file); none when the system has no printer.
QString NombreImpresora() {
    // A printer removed since it was chosen: the one shown instead is where the job will go.
    Printer()->ForgetMissingPrinter();
    const QString name = Printer()->DestinationName();
    return name.isEmpty() ? QStringLiteral("(ninguna impresora)") : name;
}

}  // namespace

TdlgImprime::TdlgImprime(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("dlgImprime"));
    SetCaption(QStringLiteral("Imprimir .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(322);
    SetClientHeight(196);

    LImpresora = comun::Hijo<TLabel>(this, this, "LImpresora", 12, 16, 212, 16);
    LImpresora->SetAutoSize(false);
    LImpresora->Font()->SetStyle(TFontStyles{fsBold});
    BImpresora = comun::Hijo<TButton>(this, this, "BImpresora", 232, 10, 80, 25);
    BImpresora->SetCaption(QStringLiteral("&Impresora"));
    PrinterDialogo = new TPrinterSetupDialog(this);
    PrinterDialogo->SetName(QStringLiteral("PrinterDialogo"));

    Bevel1 = comun::Hijo<TBevel>(this, this, "Bevel1", 8, 44, 306, 70);
    rbTodo = comun::Hijo<TRadioButton>(this, this, "rbTodo", 20, 54, 90, 20);
    rbTodo->SetCaption(QStringLiteral("Todo"));
    rbTodo->SetChecked(true);
    rbPaginas = comun::Hijo<TRadioButton>(this, this, "rbPaginas", 20, 84, 90, 20);
    rbPaginas->SetCaption(QStringLiteral("Páginas"));
    Label1 = comun::Hijo<TLabel>(this, this, "Label1", 118, 87, 44, 16);
    Label1->SetCaption(QStringLiteral("desde :"));
    EDesde = comun::Hijo<TEdit>(this, this, "EDesde", 164, 84, 44, 22);
    EDesde->SetMaxLength(4);
    Label2 = comun::Hijo<TLabel>(this, this, "Label2", 216, 87, 44, 16);
    Label2->SetCaption(QStringLiteral("hasta :"));
    EHasta = comun::Hijo<TEdit>(this, this, "EHasta", 262, 84, 44, 22);
    EHasta->SetMaxLength(4);
    Label1->SetFocusControl(EDesde);
    Label2->SetFocusControl(EHasta);

    Label3 = comun::Hijo<TLabel>(this, this, "Label3", 20, 129, 130, 16);
    Label3->SetCaption(QStringLiteral("Número de Copias :"));
    ECopias = comun::Hijo<TEdit>(this, this, "ECopias", 164, 126, 40, 22);
    ECopias->SetMaxLength(3);
    ECopias->SetText(QStringLiteral("1"));
    Label3->SetFocusControl(ECopias);
    UpDown1 = comun::Hijo<TUpDown>(this, this, "UpDown1", 204, 126, 16, 22);
    UpDown1->SetMin(1);
    UpDown1->SetMax(999);
    UpDown1->SetPosition(1);
    UpDown1->SetThousands(false);
    UpDown1->SetAssociate(ECopias);

    btOk = comun::Hijo<TBitBtn>(this, this, "btOk", 74, 160, 84, 28);
    btOk->SetKind(bkOK);
    BitBtn2 = comun::Hijo<TBitBtn>(this, this, "BitBtn2", 166, 160, 84, 28);
    BitBtn2->SetKind(bkNo);

    LImpresora->SetCaption(NombreImpresora());

    OnShow = TNotifyEvent(this, &TdlgImprime::FormShow);
    OnClose = TCloseEvent(this, &TdlgImprime::FormClose);
    BImpresora->OnClick = TNotifyEvent(this, &TdlgImprime::BImpresoraClick);
    rbTodo->OnClick = TNotifyEvent(this, &TdlgImprime::rbTodoClick);
    rbPaginas->OnClick = TNotifyEvent(this, &TdlgImprime::rbPaginasClick);
    EDesde->OnKeyPress = TKeyPressEvent(this, &TdlgImprime::SoloDigitos);
    EHasta->OnKeyPress = TKeyPressEvent(this, &TdlgImprime::SoloDigitos);
    ECopias->OnKeyPress = TKeyPressEvent(this, &TdlgImprime::SoloDigitos);
    btOk->OnClick = TNotifyEvent(this, &TdlgImprime::btOkClick);
    DoCreate();
}

TdlgImprime::~TdlgImprime() {
    if (dlgImprime == this) dlgImprime = nullptr;
}

void TdlgImprime::FormShow(TObject*) {
    // Only the checks of btOkClick close the dialog with OK.
    btOk->SetModalResult(mrNone);
}

void TdlgImprime::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TdlgImprime::BImpresoraClick(TObject*) {
    PrinterDialogo->Execute();
    LImpresora->SetCaption(NombreImpresora());
}

void TdlgImprime::rbTodoClick(TObject*) {
    EDesde->SetText(QString());
    EHasta->SetText(QString());
}

void TdlgImprime::rbPaginasClick(TObject*) {
    EDesde->SetText(QStringLiteral("1"));
    EHasta->SetText(IntToStr(FPaginas));
}

void TdlgImprime::SoloDigitos(TObject*, QChar& key) {
    key = TeclaNumerica(key);
}

void TdlgImprime::btOkClick(TObject*) {
    int desde = 0, hasta = 0, copias = 0;
    if (rbPaginas->Checked()) {
        if (!TryStrToInt(EDesde->Text(), desde)) {
            EDesde->SetFocus();
            throw Exception(QStringLiteral("Página DESDE Erronea"));
        }
        if (!TryStrToInt(EHasta->Text(), hasta)) {
            EHasta->SetFocus();
            throw Exception(QStringLiteral("Página HASTA Erronea"));
        }
        if (desde > hasta) {
            EDesde->SetFocus();
            throw Exception(QStringLiteral("Rango de Páginas Erroneo"));
        }
    }
    if (!TryStrToInt(ECopias->Text(), copias)) {
        ECopias->SetFocus();
        throw Exception(QStringLiteral("Número de Copias Erroneo"));
    }
    SetModalResult(mrOk);
}
