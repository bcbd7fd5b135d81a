// The economic ledger of a case file.
#include "records/UEconomico.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"
#include "records/Facturable.h"
#include "records/FichaInforme.h"
#include "records/Pinturas.h"
#include "records/RptInfEcEx.h"
#include "records/UIntroImp.h"

#include <memory>

TEconomico* Economico = nullptr;
TDateTime FechaApunte;

namespace {

using comun::F;

TMenuItem* Item(TPopupMenu* menu, const char* nombre, const QString& caption, TNotifyEvent click) {
    auto* i = new TMenuItem(menu);
    i->SetName(QString::fromLatin1(nombre));
    i->SetCaption(caption);
    i->OnClick = click;
    menu->Items()->Add(i);
    return i;
}

}  // namespace

TEconomico::TEconomico(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("Economico"));
    SetCaption(QStringLiteral("Situación Económica"));
    SetHelpContext(110);
    using T = TEconomico;

    // Entries are written through the entry dialog, never searched for or assigned.
    for (TSpeedItem* i : {btBuscar, btAsigna}) i->SetVisible(false);
    const int w = SpeedBar1->BtnWidth();
    int x = 4;
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btAdd, btEdit, btDel, btRefresh}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    btImprimir->SetLeft(std::exchange(x, x + w));
    btImprimir->SetHint(QStringLiteral("Imprimir|Imprime el informe económico"));
    btAdd->SetHint(QStringLiteral("Nuevo|Añade un apunte"));
    btEdit->SetHint(QStringLiteral("Modificar|Modifica el apunte"));
    btDel->SetHint(QStringLiteral("Borrar|Borra el apunte"));
    x += 8;
    for (TSpeedItem* i : {btAyuda, BtSalir}) i->SetLeft(std::exchange(x, x + w));
    btAdd->OnClick() = TNotifyEvent(this, &T::btAddClick);
    btEdit->OnClick() = TNotifyEvent(this, &T::btEditClick);
    btDel->OnClick() = TNotifyEvent(this, &T::btDelClick);
    btRefresh->OnClick() = TNotifyEvent(this, &T::btRefreshClick);
    BtSalir->OnClick() = TNotifyEvent(this, &T::btSalirClick);

    const int y0 = AreaTop();
    DBCuentas = new TZbDBGrid(this);
    DBCuentas->SetName(QStringLiteral("DBCuentas"));
    DBCuentas->SetParent(this);
    DBCuentas->SetDataSource(Dat->DSCuentas);
    DBCuentas->SetBounds(8, y0, 560, 260);
    DBCuentas->SetReadOnly(true);
    DBCuentas->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    for (auto [campo, titulo, ancho] : {std::tuple{"FECHA", "Fecha", 76}, std::tuple{"CONCEPTO", "Concepto", 340},
                                        std::tuple{"TIPOSTRING", "T", 22}, std::tuple{"IMPORTE", "Importe", 96}}) {
        TColumn* c = DBCuentas->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromLatin1(titulo));
        c->SetWidth(ancho);
    }
    DBCuentas->OnDblClick = TNotifyEvent(this, &T::DBCuentasDblClick);
    DBCuentas->OnKeyDown = TKeyEvent(this, &T::DBCuentasKeyDown);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    Nuevo1 = Item(PopupMenu1, "Nuevo1", QStringLiteral("&Nuevo"), TNotifyEvent(this, &T::btAddClick));
    Editar1 = Item(PopupMenu1, "Editar1", QStringLiteral("&Editar"), TNotifyEvent(this, &T::btEditClick));
    Borrar1 = Item(PopupMenu1, "Borrar1", QStringLiteral("&Borrar"), TNotifyEvent(this, &T::btDelClick));
    N1 = Item(PopupMenu1, "N1", QStringLiteral("-"), nullptr);
    Imprimir1 = Item(PopupMenu1, "Imprimir1", QStringLiteral("&Imprimir"), TNotifyEvent(static_cast<TFormRegistro*>(this), &TFormRegistro::btImprimirClick));
    DBCuentas->SetPopupMenu(PopupMenu1);

    const int s0 = y0 + 268;
    records::IconosMoneda(this, 8, s0 + 2, QStringLiteral("Doble clic"), Image4, Image5);
    Image4->OnDblClick = TNotifyEvent(this, &T::Image4DblClick);
    Image5->OnDblClick = TNotifyEvent(this, &T::Image5DblClick);
    LFactura = Rotulo(QStringLiteral("Factura Nº :"), 120, s0, 80);
    DBNumFac = comun::TextoDeCampo(this, this, QStringLiteral("DBNumFac"), Dat->DSExped, QStringLiteral("FACTURA"), 204, s0 + 3, 80);
    DBNumFac->Font()->SetStyle({fsBold});
    LSaldo = Rotulo(QStringLiteral("Saldo :"), 360, s0, 60);
    DBSaldo = records::TextoSaldo(this, 424, s0, 120);

    OnShow = TNotifyEvent(this, &T::FormShow);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    FijaTamano(576, s0 + 30 + 36);
    // FormCreate: the ledger of the data module.
    ActiveSource->SetDataSet(Dat->TCuentas);
}

TEconomico::~TEconomico() {
    if (::Economico == this) ::Economico = nullptr;
}

TDataSet* TEconomico::Tabla() const { return Dat->TCuentas; }

void TEconomico::ActivaNavegacion(bool edita) {
    FEdita = edita;
    TTable* c = Dat->TCuentas;
    // The case-file form keeps the ledger on its case; opened from elsewhere the form does it.
    if (!c->RangeActive() && !FRangoPropio && c->Active() && !Dat->TExped->IsEmpty()) {
        const Variant ano(F(Dat->TExped, "ANO")->AsString()), numero(F(Dat->TExped, "NUMERO")->AsString());
        if (c->State() != dsBrowse) c->Cancel();
        c->SetRange({ano, numero}, {ano, numero});
        FRangoPropio = true;
    }
    activaEdicion(true);
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast}) i->SetVisible(true);
    for (TSpeedItem* i : {btBuscar, btAsigna}) i->SetVisible(false);
    RegistroCambiado();
}

void TEconomico::AlCerrar() {
    if (FRangoPropio && Dat->TCuentas->Active()) Dat->TCuentas->CancelRange();
    FRangoPropio = false;
}

bool TEconomico::HayApuntes() const { return Dat->TCuentas->Active() && !Dat->TCuentas->IsEmpty(); }

void TEconomico::Saldo() {
    Dat->QSaldo->Close();
    Dat->QSaldo->Open();
    records::ColoreaSaldo(DBSaldo);
}

void TEconomico::FormShow(TObject*) {
    const QString formato = records::FormatoImporte(F(Dat->TExped, "MONEDA")->AsString());
    Dat->TCuentasIMPORTE->SetDisplayFormat(formato);
    Dat->QSaldoSALDO->SetDisplayFormat(formato);
    Dat->refresca(Dat->TCuentas);
    Saldo();
    const bool factura = F(Dat->TExped, "FACTURA")->AsInteger() != 0;
    LFactura->SetVisible(factura);
    DBNumFac->SetVisible(factura);
    RegistroCambiado();
}

void TEconomico::EstadoCambiado(TDataSetState) { RegistroCambiado(); }

void TEconomico::RegistroCambiado() {
    TTable* e = Dat->TExped;
    if (e->IsEmpty()) return;
    records::LineaMoneda(e, Image4, Image5, false);
    // The currency switch rewrites the case file and its ledger: never from the read-only view.
    if (!FEdita) {
        Image4->SetEnabled(false);
        Image5->SetEnabled(false);
    }

    TDataSet* t = ActiveSource->DataSet();
    const bool consulta = t && t->State() == dsBrowse;
    btAdd->SetEnabled(FEdita && consulta);
    btEdit->SetEnabled(FEdita && consulta && HayApuntes());
    btDel->SetEnabled(FEdita && consulta && HayApuntes());
    Nuevo1->SetEnabled(btAdd->Enabled());
    Editar1->SetEnabled(btEdit->Enabled());
    Borrar1->SetEnabled(btDel->Enabled());
    btFirst->SetEnabled(consulta && !t->Bof());
    btPrev->SetEnabled(consulta && !t->Bof());
    btNext->SetEnabled(consulta && !t->Eof());
    btLast->SetEnabled(consulta && !t->Eof());

    records::ImporteEnOtraMoneda(DBSaldo, F(e, "MONEDA")->AsString(), Currency(records::SaldoExpediente()));
}

void TEconomico::GrabaApunte(TFIntroImp* dlg) {
    TTable* c = Dat->TCuentas;
    const int tipo = dlg->Tipo->ItemIndex() + 1;
    F(c, "FECHA")->SetAsDateTime(dlg->FechaTecleada());
    F(c, "CONCEPTO")->SetAsString(dlg->Texto->Text().trimmed());
    F(c, "CUENTA")->SetAsString(dlg->Cuenta->Text().trimmed());
    F(c, "TIPO")->SetAsInteger(tipo);
    // Advances received are kept negative: the balance is the plain sum.
    F(c, "IMPORTE")->SetAsCurrency(tipo == 3 ? -ImporteApunte : ImporteApunte);
    c->Post();
}

void TEconomico::PideYGraba(TFIntroImp* dlg, bool nuevo) {
    TTable* c = Dat->TCuentas;
    while (dlg->ShowModal() == mrOk) {
        // Another workstation may have deleted the case file since the ledger opened.
        if (nuevo && !ExpedienteSigue()) break;
        try {
            if (nuevo) c->Insert();
            else c->Edit();
            GrabaApunte(dlg);
            break;
        } catch (const Exception& e) {
            // A refused entry is not left half-written in the ledger, and what was typed is not
            // lost with it: the dialog comes back as it was, to try again once the cause is gone
            // (a full disk, a row held by another workstation).
            if (c->State() == dsInsert || c->State() == dsEdit) c->Cancel();
            if (!dynamic_cast<const EAbort*>(&e)) MensajeError(e.Message());
        }
    }
    Saldo();
    RegistroCambiado();
}

void TEconomico::btAddClick(TObject*) {
    if (!btAdd->Enabled()) return;
    FechaApunte = Date();
    std::unique_ptr<TFIntroImp> dlg(new TFIntroImp(nullptr));
    FIntroImp = dlg.get();
    dlg->Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), FechaApunte));
    PideYGraba(dlg.get(), true);
}

void TEconomico::btEditClick(TObject*) {
    if (!btEdit->Enabled() || !HayApuntes()) return;
    TTable* c = Dat->TCuentas;
    FechaApunte = F(c, "FECHA")->IsNull() ? Date() : F(c, "FECHA")->AsDateTime();
    std::unique_ptr<TFIntroImp> dlg(new TFIntroImp(nullptr));
    FIntroImp = dlg.get();
    const int tipo = F(c, "TIPO")->AsInteger();
    dlg->Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), FechaApunte));
    dlg->Texto->SetText(F(c, "CONCEPTO")->AsString());
    dlg->Cuenta->SetText(F(c, "CUENTA")->AsString());
    const double importe = F(c, "IMPORTE")->AsFloat();
    dlg->Importe->SetValue(tipo == 3 ? -importe : importe);
    dlg->Tipo->SetItemIndex(tipo >= 1 && tipo <= 4 ? tipo - 1 : -1);
    PideYGraba(dlg.get(), false);
}

void TEconomico::btDelClick(TObject*) {
    if (!btDel->Enabled() || !HayApuntes()) return;
    Dat->TCuentas->Delete();
    Saldo();
    RegistroCambiado();
}

void TEconomico::btRefreshClick(TObject*) {
    Dat->refresca(Dat->TCuentas);
    Saldo();
    RegistroCambiado();
}

void TEconomico::btSalirClick(TObject*) { Close(); }

void TEconomico::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    TDataSet* t = ActiveSource->DataSet();
    if (!t || t->State() != dsBrowse || !FEdita || !(shift & ssCtrl)) return;
    TSpeedItem* item = key == VK_RETURN ? btEdit : key == VK_INSERT ? btAdd : key == VK_DELETE ? btDel : nullptr;
    if (!item || !item->Visible() || !item->Enabled()) return;
    key = 0;
    item->OnClick()(this);
}

void TEconomico::DBCuentasDblClick(TObject*) {
    if (HayApuntes() && btEdit->Enabled()) btEditClick(this);
}

void TEconomico::DBCuentasKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (key != VK_RETURN || shift != 0) return;
    key = 0;
    DBCuentasDblClick(this);
}

void TEconomico::Image4DblClick(TObject*) {
    records::AlternaMoneda(Image4, QLatin1Char('E'), CambiaMonedaExpediente, {}, [this] { FormShow(this); });
}

void TEconomico::Image5DblClick(TObject*) {
    records::AlternaMoneda(Image5, QLatin1Char('P'), CambiaMonedaExpediente, {}, [this] { FormShow(this); });
}

void TEconomico::ImprimeFicha() {
    records::MuestraYCierra(new TInfInfEcEx(Application), [](TInfInfEcEx* informe) {
        informe->Inicia();
        informe->QRInfEcEx->Preview();
    });
}

void TEconomico::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
