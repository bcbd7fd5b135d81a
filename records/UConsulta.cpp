// The consultation form.
#include "records/UConsulta.h"
#include "comun/Controles.h"
#include "records/UExpediente.h"

#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Alcance.h"
#include "comun/Ganchos.h"
#include "comun/Calendario.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"
#include "records/Facturable.h"
#include "records/FichaInforme.h"
#include "records/Pinturas.h"
#include "records/UCliente.h"
#include "records/UFactura.h"
#include "records/rptFicCons.h"

#include <optional>

TConsulta* Consulta = nullptr;

namespace {

using comun::F;

// Holds the consultation's row as an edit holds it while SQL writes it: a workstation editing the
// row meanwhile stops the write with "REGISTRO EN USO", and no edit elsewhere is left unsaveable.
class TFilaRetenida {
public:
    explicit TFilaRetenida(TDataSet* ds) : FDs(ds) {
        FDs->DisableControls();
        try {
            FDs->Edit();
        } catch (...) {
            FDs->EnableControls();
            throw;
        }
    }
    ~TFilaRetenida() {
        if (FDs->State() == dsEdit) FDs->Cancel();
        FDs->EnableControls();
    }
    TFilaRetenida(const TFilaRetenida&) = delete;
    TFilaRetenida& operator=(const TFilaRetenida&) = delete;

private:
    TDataSet* FDs;
};

}  // namespace

TConsulta::TConsulta(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("Consulta"));
    SetCaption(QStringLiteral("Consultas"));
    CreaDatos();
    CreaControles();
    FAbogados->Open();

    using T = TConsulta;
    Image4->OnClick = TNotifyEvent(this, &T::Image4Click);
    Image5->OnClick = TNotifyEvent(this, &T::Image5Click);
    BtOk->OnClick = TNotifyEvent(this, &T::ConsultaOkClick);
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyDown = TKeyEvent(this, &T::ConsultaKeyDown);
    LetraRegistro = QStringLiteral("C");
}

// The invoicing and agenda queries, and the list of the lawyers of entry.
void TConsulta::CreaDatos() {
    auto consulta = [&](TQuery*& q, const char* nombre, const QString& sql) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
    };
    // The agenda row carries its number and user like every other agenda row.
    consulta(QInsAgen, "QInsAgen",
             QStringLiteral("INSERT INTO AGENDA (ABOCLI, FECHA, HORA, TIPO, ANO, NUMERO, CODIGO, SITUACION, ARCHIVADO, ESCRITO,"
                            "TIPOAGENDA, ORDEN, USUARIO) VALUES (:ABOCLI, :FECHA, :HORA, :TIPO, :ANO, :NUMERO, 0, :SITUACION,"
                            ":ARCHIVADO, :NUMESCRITO,:TIPOAGENDA, :ORDEN, :USUARIO)"));
    consulta(QUpdConA, "QUpdConA",
             QStringLiteral("UPDATE CONSULTAS SET FACTURA = 0, IMPORTE = 0, IVA = 0, IPRF = 0, IMPIVA = 0, IMPIRPF = 0, TOTAL = 0, "
                            "FECHAFACTURA = NULL, FECHACOBRO = NULL, SITUACION = 1 WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    consulta(QUpdTabCon, "QUpdTabCon", records::SqlSubeContador());
    consulta(QUpdCon, "QUpdCon",
             QStringLiteral("UPDATE CONSULTAS SET FACTURA = :NFAC, IVA = :NIVA, IPRF = :NIRPF, IMPIVA = :NIMPIVA, IMPIRPF = :NIMPIRPF, "
                            "TOTAL = :NTOTAL, FECHAFACTURA = :FECFAC, SITUACION = 2 WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    FAbogados = new TQuery(this);
    FAbogados->SetDatabaseName(Dat->Db->DatabaseName());
    FAbogados->SQL()->SetText(QStringLiteral("SELECT ABOCLI, NOMBRE || ' ' || APELLIDOS AS NOMABO FROM ABOCLI ORDER BY 2"));
    FListaAbogados = new TDataSource(this);
    FListaAbogados->SetDataSet(FAbogados);
}

TConsulta::~TConsulta() {
    if (::Consulta == this) ::Consulta = nullptr;
}

TDataSet* TConsulta::Tabla() const { return Dat->TConsultas; }

void TConsulta::activaEdicion(bool activa) {
    ActiveSource->SetDataSet(activa ? Dat->TConsultas : nullptr);
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btAsigna}) i->SetVisible(false);
    const bool ligada = ActiveSource->DataSet() != nullptr;
    btEdit->SetVisible(ligada);
    btRefresh->SetVisible(ligada);
    if (ligada) {
        ActiveSourceStateChange(ActiveSource);
        ActiveSourceDataChange(ActiveSource, nullptr);
    }
}

void TConsulta::FormShow(TObject*) { Refresca(); }

void TConsulta::FormClose(TObject* sender, TCloseAction& action) {
    if (comun::CierraProcesador) comun::CierraProcesador();
    TFormRegistro::FormClose(sender, action);
}

void TConsulta::Refresca() {
    // The lawyers first: the consultation's lawyer names are looked up in them when it is re-read
    // (a lawyer added since the last look, the new office's first one, was shown blank).
    Dat->QAbo->Close();
    Dat->QAbo->Open();
    TTable* c = Dat->TConsultas;
    const QString ano = F(c, "ANO")->AsString(), numero = F(c, "NUMERO")->AsString();
    Dat->RefrescaTablas();
    // Deleted by another workstation, the consultation gives its place to a neighbour, maybe one of
    // a lawyer the user may not reach: the form says so and closes instead of showing that one.
    const bool otra = F(c, "ANO")->AsString() != ano || F(c, "NUMERO")->AsString() != numero;
    if (!numero.isEmpty() && (otra || !RegistroGuardado(c))) {
        MensajeError(QStringLiteral("Consulta NO EXISTE"));
        SetModalResult(mrCancel);
        return;
    }
    Consulta->SetCaption(F(c, "ANO")->AsString() + QStringLiteral(" / ") + F(c, "NUMERO")->AsString());
    Situacion->SetText(records::TextoSituacion(c));
    auto* importe = static_cast<TNumericField*>(F(c, "IMPORTE"));
    const bool euros = F(c, "MONEDA")->AsString() == QLatin1String("E");
    importe->SetDisplayFormat(records::FormatoImporte(F(c, "MONEDA")->AsString()));
    importe->SetEditFormat(euros ? QStringLiteral("0.00") : QStringLiteral("#"));
    btEscrito->SetEnabled(!CarpetaDatos.isEmpty() && records::DerechoUsuario("Fusion"));
    btFacturar->SetEnabled(PuedeFacturar());
    RegistroCambiado();
}

void TConsulta::btRefreshClick(TObject*) { Refresca(); }

void TConsulta::EstadoCambiado(TDataSetState estado) {
    const bool consulta = estado == dsBrowse;
    const bool edita = estado == dsEdit || estado == dsInsert;
    btEscrito->SetVisible(consulta);
    btRefresh->SetVisible(consulta && ActiveSource->DataSet());
    for (TButton* b : {BtBuscar1, BtBuscar4, btPres, btDev}) b->SetVisible(edita);
    btCerrar->SetEnabled(consulta);
    btFacturar->SetEnabled(consulta && PuedeFacturar());
}

bool TConsulta::PuedeFacturar() const {
    TTable* c = Dat->TConsultas;
    return !c->IsEmpty() && F(c, "SITUACION")->AsInteger() != 3 && records::DerechoUsuario("Economico");
}

void TConsulta::RegistroCambiado() {
    TTable* c = Dat->TConsultas;
    if (c->IsEmpty()) return;
    // A fee typed past the limit is refused on OK; meanwhile it has no hint in the other currency.
    const double importe = F(c, "IMPORTE")->AsFloat();
    const bool enLimites = records::ImporteEnLimites(importe);
    records::LineaMoneda(c, Image4, Image5, true, enLimites ? DBImporte : nullptr, enLimites ? Currency(importe) : Currency(0));
    btCliente->SetEnabled(F(c, "CLIENTE")->AsInteger() != 0 && c->State() == dsBrowse);
}

void TConsulta::ConsultaOkClick(TObject*) {
    TTable* c = Dat->TConsultas;
    if (c->State() != dsEdit && c->State() != dsInsert) return;
    if (F(c, "NOMCLIENTE")->AsString().trimmed().isEmpty()) {
        MensajeError(QStringLiteral("CLIENTE no puede quedar vacío"));
        Abort();
    }
    if (records::ImporteExcesivo(F(c, "IMPORTE")->AsFloat())) {
        if (DBImporte->CanFocus()) DBImporte->SetFocus();
        Abort();
    }
    c->Post();
    Refresca();
}

void TConsulta::ConsultaKeyDown(TObject* sender, quint16& key, TShiftState shift) {
    if (key == VK_RETURN && shift == 0 && ActiveSource->DataSet() && Dat->TConsultas->State() == dsBrowse) {
        key = 0;
        btEditClick(this);
        return;
    }
    FormKeyDown(sender, key, shift);
}

void TConsulta::BtBuscar1Click(TObject*) {
    Buscar = new TBuscar(Application);
    std::unique_ptr<TBuscar> libera(Buscar);
    Buscar->SetCaption(QStringLiteral("Buscar Clientes"));
    Buscar->QBusca->Close();
    Buscar->QBusca->SQL()->SetText(
        QStringLiteral("SELECT CLIENTE as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE FROM CLIENTES ORDER BY NOMBRE"));
    Buscar->Inicia(QStringLiteral("Clientes"), false, 0);
    if (Buscar->ShowModal() == mrOk) {
        const int codigo = F(Buscar->QBusca, "CODIGO")->AsInteger();
        Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(codigo), 0);
        F(Dat->TConsultas, "NOMCLIENTE")->SetAsString(F(Buscar->QBusca, "NOMBRE")->AsString());
        F(Dat->TConsultas, "CLIENTE")->SetAsInteger(codigo);
    }
    libera.reset();
    Buscar = nullptr;
}

void TConsulta::BtBuscar4Click(TObject*) {
    Buscar = new TBuscar(Application);
    std::unique_ptr<TBuscar> libera(Buscar);
    Buscar->SetCaption(QStringLiteral("Buscar Tipos de Consulta"));
    Buscar->QBusca->Close();
    Buscar->QBusca->SQL()->SetText(QStringLiteral("SELECT TIPO as NOMBRE FROM TIPOCONSULTA ORDER BY NOMBRE"));
    Buscar->Inicia(QStringLiteral("Tipo de Consulta"), true, 1);
    if (Buscar->ShowModal() == mrOk) F(Dat->TConsultas, "TIPO")->SetAsString(F(Buscar->QBusca, "NOMBRE")->AsString());
    libera.reset();
    Buscar = nullptr;
}

void TConsulta::Calendario(const QString& campo, TDBEdit* edit) {
    FechaDeCalendario(Dat->TConsultas->FieldByName(campo), edit);
}

void TConsulta::btPresClick(TObject*) { Calendario(QStringLiteral("FECHAFACTURA"), DBPresen); }
void TConsulta::btDevClick(TObject*) { Calendario(QStringLiteral("FECHACOBRO"), DBDev); }

// A fee in euros has cents: its decimal comma is a key of the amount, not one to drop (the
// digits on either side would run together into a hundredfold fee).
void TConsulta::DBImporteKeyPress(TObject*, QChar& key) {
    const bool euros = F(Dat->TConsultas, "MONEDA")->AsString() == QLatin1String("E");
    key = TeclaImporte(key, DBImporte->Text(), euros ? 2 : 0);
}

void TConsulta::btClienteClick(TObject*) {
    TTable* c = Dat->TConsultas;
    const int codigo = F(c, "CLIENTE")->AsInteger();
    if (codigo == 0 || c->State() != dsBrowse) return;
    if (!Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(codigo), 0)) return;
    Cliente = new TCliente(Application);
    Cliente->activaEdicion(true);
    Cliente->btAsigna->SetVisible(false);
    Cliente->ShowModal();
    // A client renamed on its form is renamed on the consultation too.
    if (Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(codigo), 0)) {
        const QString nombre = F(Dat->TClientes, "APELLIDOS")->AsString() + QLatin1Char(',') + F(Dat->TClientes, "NOMBRE")->AsString();
        if (nombre != F(c, "NOMCLIENTE")->AsString() && c->State() == dsBrowse) {
            c->DisableControls();
            try {
                c->Edit();
                F(c, "NOMCLIENTE")->SetAsString(nombre);
                c->Post();
            } catch (...) {
                if (c->State() == dsEdit) c->Cancel();
                c->EnableControls();
                throw;
            }
            c->EnableControls();
            Dat->refresca(c);
        }
    }
}

void TConsulta::btBuscarClick(TObject*) {
    TTable* abogados = Dat->TAboCli;
    if (!abogados->Active() || abogados->IsEmpty()) return;
    const int abogado = F(abogados, "ABOCLI")->AsInteger();
    Buscar2 = new TBuscar2(Application);
    std::unique_ptr<TBuscar2> libera(Buscar2);
    Buscar2->SetCaption(QStringLiteral("Buscar Consultas"));
    Buscar2->QBusca->Close();
    Buscar2->QBusca->SQL()->SetText(
        QStringLiteral("SELECT DISTINCT NOMCLIENTE as CONCEPTO, CLIENTE as CODIGO, ANO || '-' || NUMERO ||' ' ||TIPO AS NOMBRE, "
                       "ANO,NUMERO FROM CONSULTAS WHERE NOMCLIENTE IS NOT NULL AND ABOCLI = :ABOCLI") +
        comun::YAlcance() + QStringLiteral(" ORDER BY NOMBRE"));
    Buscar2->QBusca->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado);
    Buscar2->QBusca->Open();
    Buscar2->Inicia(QStringLiteral("Consultas de ") + F(abogados, "NOMABOCLI")->AsString(), false, false);
    if (Buscar2->ShowModal() == mrOk)
        Dat->TConsultas->Locate(QStringLiteral("ABOCLI;ANO;NUMERO"),
                                VarArrayOf({Variant(abogado), Variant(F(Buscar2->QBusca, "ANO")->AsString()),
                                            Variant(F(Buscar2->QBusca, "NUMERO")->AsString())}),
                                0);
    libera.reset();
    Buscar2 = nullptr;
    Refresca();
}

void TConsulta::btCerrarClick(TObject*) {
    TTable* c = Dat->TConsultas;
    const int situacion = F(c, "SITUACION")->AsInteger();
    if (!records::ConfirmaCierre(c, QStringLiteral("Consulta NO FACTURADA"), QStringLiteral("ésta Consulta"),
                                 QStringLiteral("Consulta YA CERRADO")))
        return;
    const QString ano = F(c, "ANO")->AsString();
    const QString numero = F(c, "NUMERO")->AsString();
    const int abocli = F(c, "ABOCLI")->AsInteger();
    const QString factura = situacion == 3 ? records::FacturaDelRegistro(c) : QString();
    bool sinBase = false;
    {
        records::TRelojArena reloj;
        try {
            Dat->EnTransaccion([&] {
                if (situacion < 3) {
                    c->Edit();
                    F(c, "SITUACION")->SetAsInteger(3);
                    F(c, "FECHACOBRO")->SetAsDateTime(Date());
                    c->Post();
                } else {
                    TFilaRetenida retenida(c);
                    QUpdConA->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
                    QUpdConA->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
                    QUpdConA->ExecSQL();
                }
                AnotaEnAgenda(abocli, ano, numero, QStringLiteral("GENERAL"),
                              situacion < 3 ? QStringLiteral("CIERRE DE CONSULTA")
                                            : records::TextoReapertura(QStringLiteral("REAPERTURA DE CONSULTA"), factura));
            });
        } catch (...) {
            sinBase = comun::FalloDeLaBase();
            Deshace(!sinBase);
            comun::InformaFallo(QStringLiteral("ERROR al cerrar"));
        }
    }
    // Without the server the form stays as last read: the next action connects again.
    if (sinBase) return;
    Dat->refresca(c);
    Refresca();
}

// A failed closing or invoice: the consultation as it was, nothing of it stored; without the
// server (`releer` false) nothing is read on the dead link, not even the lists that follow it.
// Never throws: its caller still has to say why the command failed.
void TConsulta::Deshace(bool releer) {
    const comun::TSinReconexion sinReconexion(!releer);
    try {
        if (Dat->TConsultas->State() == dsEdit) Dat->TConsultas->Cancel();
        if (Dat->Db->InTransaction()) Dat->Db->Rollback();
    } catch (const Exception&) {
        // read again by the next action
    }
}

// The agenda row that records a closing, reopening or invoice of the consultation, dated now.
void TConsulta::AnotaEnAgenda(int abocli, const QString& ano, const QString& numero, const QString& tipoAgenda,
                              const QString& texto) {
    QInsAgen->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(abocli);
    QInsAgen->ParamByName(QStringLiteral("FECHA"))->SetAsDate(Date());
    QInsAgen->ParamByName(QStringLiteral("HORA"))->SetAsTime(Time());
    QInsAgen->ParamByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("C"));
    QInsAgen->ParamByName(QStringLiteral("TIPOAGENDA"))->SetAsString(tipoAgenda);
    QInsAgen->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    QInsAgen->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    QInsAgen->ParamByName(QStringLiteral("SITUACION"))->SetAsString(texto);
    QInsAgen->ParamByName(QStringLiteral("ARCHIVADO"))->SetAsString(QStringLiteral("N"));
    QInsAgen->ParamByName(QStringLiteral("NUMESCRITO"))->SetAsInteger(0);
    Dat->NumeraApunteAgenda(QInsAgen);
    QInsAgen->ExecSQL();
}

void TConsulta::btFacturarClick(TObject*) {
    TTable* c = Dat->TConsultas;
    if (c->IsEmpty() || c->State() != dsBrowse) return;
    if (!records::ConfirmaFacturar(c, QStringLiteral("ésta Consulta"), QStringLiteral("Consulta Facturada"))) return;
    const Currency importe(F(c, "IMPORTE")->AsFloat());
    if (importe == Currency(0)) {
        MensajeError(QStringLiteral("No hay Importe en la Consulta"));
        Abort();
    }
    const int anoContador = StrToIntDef(AnoSeleccionado, 0);
    const QString ano = F(c, "ANO")->AsString(), numero = F(c, "NUMERO")->AsString();
    std::unique_ptr<TFacturar> dlg;
    // What the dialog reads fails as the invoicing, in its own box.
    try {
        dlg = records::PideDatosFactura(c, QStringLiteral("CONSULTAS"), anoContador);
    } catch (...) {
        records::InformaErrorFactura();
        return;
    }
    if (!dlg) return;

    bool facturado = false, sinBase = false;
    {
        records::TRelojArena reloj;
        const int n = dlg->NumeroFactura();
        const int iva = dlg->TasaIva(), irpf = dlg->TasaIrpf();
        // Euros to the cent, as the case files; pesetas to the whole peseta.
        const bool euros = F(c, "MONEDA")->AsString() != QLatin1String("P");
        const Currency impIva = records::Impuesto(importe, iva, euros);
        const Currency impIrpf = records::Impuesto(importe, irpf, euros);
        const Currency total = importe + impIva - impIrpf;
        try {
            // The row stays held until the commit, as the update leaves it.
            std::optional<TFilaRetenida> retenida;
            Dat->EnTransaccion([&] {
                retenida.emplace(c);
                records::ReservaFactura(QUpdTabCon, n, anoContador, dlg->FechaFactura(), QStringLiteral("CONSULTAS"), ano,
                                        numero);
                QUpdCon->ParamByName(QStringLiteral("NFAC"))->SetAsInteger(n);
                QUpdCon->ParamByName(QStringLiteral("NIVA"))->SetAsFloat(iva);
                QUpdCon->ParamByName(QStringLiteral("NIRPF"))->SetAsFloat(irpf);
                QUpdCon->ParamByName(QStringLiteral("NIMPIVA"))->SetAsFloat(impIva.ToDouble());
                QUpdCon->ParamByName(QStringLiteral("NIMPIRPF"))->SetAsFloat(impIrpf.ToDouble());
                QUpdCon->ParamByName(QStringLiteral("NTOTAL"))->SetAsFloat(total.ToDouble());
                QUpdCon->ParamByName(QStringLiteral("FECFAC"))->SetAsDate(dlg->FechaFactura());
                QUpdCon->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
                QUpdCon->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
                QUpdCon->ExecSQL();
                AnotaEnAgenda(F(c, "ABOCLI")->AsInteger(), ano, numero, QStringLiteral("ECONOMICO"),
                              n == 0 ? QStringLiteral("CONSULTA FACTURADA PROFORMA")
                                     : QStringLiteral("CONSULTA FACTURADA Nº DE FACTURA ") + Format(QStringLiteral("%8d"), n));
            });
            facturado = true;
        } catch (...) {
            sinBase = comun::FalloDeLaBase();
            Deshace(!sinBase);
            records::InformaErrorFactura();
        }
    }
    if (sinBase) return;
    Dat->refresca(c);
    Refresca();
    // The fee note only of an invoice that was stored.
    if (facturado && dlg->GeneraMinuta() && comun::GeneraFactura) comun::GeneraFactura(true);
}
void TConsulta::BtEscritoClick(TObject*) {
    if (comun::ListaDeEscritos) comun::ListaDeEscritos(2);
}

void TConsulta::Image4Click(TObject*) {
    records::AlternaMoneda(Image4, QLatin1Char('E'), CambiaMonedaConsulta, [this] { btRefreshClick(this); }, [this] { Refresca(); });
}

void TConsulta::Image5Click(TObject*) {
    records::AlternaMoneda(Image5, QLatin1Char('P'), CambiaMonedaConsulta, [this] { btRefreshClick(this); }, [this] { Refresca(); });
}

void TConsulta::ImprimeFicha() {
    UFicCon = new TUFicCon(Application);
    records::MuestraYCierra(UFicCon, [](TUFicCon* ficha) { ficha->Preview(); });
}

void TConsulta::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
