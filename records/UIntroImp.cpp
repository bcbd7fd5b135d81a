// The ledger entry dialog.
#include "records/UIntroImp.h"

#include "comun/Controles.h"
#include "comun/Abusca2.h"
#include "comun/Calendario.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Keyboard.h"
#include "platform/rtl/SysUtils.h"
#include "records/Facturable.h"

#include <memory>

TFIntroImp* FIntroImp = nullptr;
Currency ImporteApunte;

namespace {

using comun::F;

QString MonedaDe(TDataSet* t) { return t->Active() && !t->IsEmpty() ? F(t, "MONEDA")->AsString() : QString(); }

TZbSpeedButton* Boton(TFIntroImp* f, const char* nombre, const QString& hint, int left, int top) {
    auto* b = new TZbSpeedButton(f);
    b->SetName(QString::fromLatin1(nombre));
    b->SetParent(f);
    b->SetBounds(left, top, 22, 21);
    b->SetCaption(QStringLiteral("..."));
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
}
}  // namespace

Currency ImporteConcepto(Currency importe, const QString& monedaDespacho, const QString& monedaExpediente) {
    if (monedaExpediente == QLatin1String("E") && monedaDespacho == QLatin1String("P")) return ConvierteMoneda(QLatin1Char('E'), importe);
    if (monedaExpediente == QLatin1String("P") && monedaDespacho == QLatin1String("E")) return ConvierteMoneda(QLatin1Char('P'), importe);
    return importe;
}

TFIntroImp::TFIntroImp(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FIntroImp"));
    SetCaption(QStringLiteral("Anotación Económica"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetHelpContext(210);
    SetClientWidth(420);
    SetClientHeight(246);

    comun::Etiqueta(this, this, QStringLiteral("Fecha :"), 8, 13, 82, 17);
    Fecha = new TMaskEdit(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    Fecha->SetBounds(96, 10, 80, 21);
    btFecha = Boton(this, "btFecha", QStringLiteral("Calendario (F4)"), 178, 10);

    comun::Etiqueta(this, this, QStringLiteral("Concepto :"), 8, 41, 82, 17);
    Texto = new TMemo(this);
    Texto->SetName(QStringLiteral("Texto"));
    Texto->SetParent(this);
    Texto->SetMaxLength(80);
    Texto->SetBounds(96, 38, 314, 50);

    comun::Etiqueta(this, this, QStringLiteral("Cuenta :"), 8, 99, 82, 17);
    Cuenta = new TEdit(this);
    Cuenta->SetName(QStringLiteral("Cuenta"));
    Cuenta->SetParent(this);
    Cuenta->SetMaxLength(5);
    Cuenta->SetCharCase(ecUpperCase);
    Cuenta->SetBounds(96, 96, 60, 21);
    btBuscar = Boton(this, "btBuscar", QStringLiteral("Conceptos (F4)"), 158, 96);

    comun::Etiqueta(this, this, QStringLiteral("Tipo :"), 8, 127, 82, 17);
    Tipo = new TComboBox(this);
    Tipo->SetName(QStringLiteral("Tipo"));
    Tipo->SetParent(this);
    Tipo->SetStyle(csDropDownList);
    Tipo->SetBounds(96, 124, 120, 21);
    for (const char* t : {"Suplido", "Derecho", "Provisión", "Gasto"}) Tipo->Items()->Add(QString::fromUtf8(t));

    comun::Etiqueta(this, this, QStringLiteral("Importe :"), 8, 155, 82, 17);
    Importe = new TCurrencyEdit(this);
    Importe->SetName(QStringLiteral("Importe"));
    Importe->SetParent(this);
    Importe->SetBounds(96, 152, 120, 21);
    Importe->SetFormatOnEditing(true);

    // OK closes only once the entry is valid.
    const comun::TOkNo par = comun::ParOkNo(this, this, "btSi", "btNo", 120, 200, 88, 27, 96);
    btSi = par.Ok;
    btNo = par.No;

    using T = TFIntroImp;
    btFecha->OnClick = TNotifyEvent(this, &T::btFechaClick);
    Fecha->OnExit = TNotifyEvent(this, &T::FechaExit);
    btBuscar->OnClick = TNotifyEvent(this, &T::btBuscarClick);
    Cuenta->OnExit = TNotifyEvent(this, &T::CuentaExit);
    btSi->OnClick = TNotifyEvent(this, &T::btSiClick);
    btNo->OnClick = TNotifyEvent(this, &T::btNoClick);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    FormCreate(this);
}

TFIntroImp::~TFIntroImp() {
    if (FIntroImp == this) FIntroImp = nullptr;
}

void TFIntroImp::FormCreate(TObject*) {
    if (MonedaDe(Dat->TExped) == QLatin1String("E")) {
        Importe->SetDisplayFormat(QStringLiteral(",0.00 ;-,0.00 "));
        Importe->SetDecimalPlaces(2);
    } else {
        Importe->SetDisplayFormat(QStringLiteral(",0. Pta;-,0. Pta"));
        Importe->SetDecimalPlaces(0);
    }
}

void TFIntroImp::FormKeyPress(TObject*, QChar& key) {
    // The concept text is one line: Enter moves on from it as from every other field.
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}

void TFIntroImp::FormKeyDown(TObject*, quint16& key, TShiftState) {
    if (key != VK_F4) return;
    if (ActiveControl() == Fecha) {
        key = 0;
        btFechaClick(this);
    } else if (ActiveControl() == Cuenta) {
        key = 0;
        btBuscarClick(this);
    }
}

void TFIntroImp::btFechaClick(TObject*) {
    FechaDelCalendario(Fecha);
    if (Fecha->CanFocus()) Fecha->SetFocus();
}

void TFIntroImp::FechaExit(TObject*) {
    if (SinTeclear(Fecha->Text())) {
        Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
        return;
    }
    if (ActiveControl() == btNo) return;
    TDateTime dia;
    FechaDelEdit(Fecha, dia);
}

TDateTime TFIntroImp::FechaTecleada() const {
    TDateTime dia;
    if (!TryStrToDate(Fecha->Text(), dia)) return Date();
    return dia;
}

void TFIntroImp::CopiaConcepto() {
    TTable* c = Dat->TConConta;
    Texto->SetText(F(c, "CONCEPTO")->AsString());
    Cuenta->SetText(F(c, "CUENTA")->AsString());
    const int tipo = F(c, "TIPO")->AsInteger();
    Tipo->SetItemIndex(tipo >= 1 && tipo <= 4 ? tipo - 1 : -1);
    const Currency importe =
        ImporteConcepto(Currency(F(c, "IMPORTE")->AsFloat()), MonedaDe(Dat->TSistem), MonedaDe(Dat->TExped));
    Importe->SetValue(importe.ToDouble());
}

void TFIntroImp::btBuscarClick(TObject*) {
    Buscar2 = new TBuscar2(Application);
    std::unique_ptr<TBuscar2> libera(Buscar2);
    Buscar2->SetCaption(QStringLiteral("Busca Concepto Contable"));
    TQuery* q = Buscar2->QBusca;
    q->Close();
    q->SQL()->Clear();
    q->SQL()->Add(QStringLiteral("SELECT CUENTA AS CODIGO, CONCEPTO AS NOMBRE, TIPO AS CONCEPTO"));
    q->SQL()->Add(QStringLiteral("FROM CONCONTAS "));
    q->SQL()->Add(QStringLiteral("ORDER BY CONCEPTO, NOMBRE"));
    q->Open();
    Buscar2->Inicia(QStringLiteral("Conceptos Contables"), false, false);
    if (Buscar2->ShowModal() == mrOk) {
        const QString codigo = F(q, "CODIGO")->AsString();
        TTable* c = Dat->TConConta;
        if (!c->Active()) c->Open();
        if (!codigo.isEmpty() && c->Locate(QStringLiteral("CUENTA"), Variant(codigo), 0)) {
            CopiaConcepto();
        } else {
            Texto->SetText(QString());
            Cuenta->SetText(QString());
            Tipo->SetItemIndex(0);
            Importe->SetValue(0);
        }
    }
    libera.reset();
    Buscar2 = nullptr;
    if (Texto->CanFocus()) Texto->SetFocus();
}

void TFIntroImp::CuentaExit(TObject*) {
    const QString codigo = Cuenta->Text().trimmed();
    if (codigo.isEmpty() || ActiveControl() == btNo) return;
    TTable* c = Dat->TConConta;
    if (!c->Active()) c->Open();
    if (c->Locate(QStringLiteral("CUENTA"), Variant(codigo), 0)) {
        CopiaConcepto();
        return;
    }
    MensajeError(QStringLiteral("CONCEPTO no existe"));
    if (Cuenta->CanFocus()) Cuenta->SetFocus();
}

void TFIntroImp::btSiClick(TObject*) {
    // A date typed but never left is checked like one left.
    FechaExit(Fecha);
    if (Texto->Text().trimmed().isEmpty()) {
        MensajeError(QStringLiteral("TEXTO no puede quedar vacío"));
        Abort();
    }
    if (Tipo->ItemIndex() < 0) {
        MensajeError(QStringLiteral("TIPO DE CONCEPTO no puede quedar vacío"));
        Abort();
    }
    if (records::ImporteExcesivo(Importe->Value())) {
        if (Importe->CanFocus()) Importe->SetFocus();
        Abort();
    }
    const Currency importe(Importe->Value());
    if (importe == Currency(0)) {
        MensajeError(QStringLiteral("IMPORTE no puede ser cero"));
        Abort();
    }
    ImporteApunte = importe;
    SetModalResult(mrOk);
}

void TFIntroImp::btNoClick(TObject*) { SetModalResult(mrNo); }
