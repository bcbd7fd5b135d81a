// The case-file form.
#include "records/UExpediente.h"

#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Alcance.h"
#include "comun/Controles.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"
#include "records/Facturable.h"
#include "records/FichaInforme.h"
#include "records/Pinturas.h"
#include "records/RPTFicEx.h"
#include "records/UAboCli.h"
#include "records/UAbogado.h"
#include "records/UAsunto.h"
#include "records/UCliente.h"
#include "records/UContrario.h"
#include "records/UEconomico.h"
#include "records/UFactura.h"
#include "records/UNuevo.h"
#include "records/UPerito.h"
#include "records/UProcu.h"


TExpediente* Expediente = nullptr;

namespace {

using comun::F;
QString Q(const char* texto) { return QString::fromUtf8(texto); }

// "01/00012-A" for the year 2001 and the number 00012-A.
QString Etiqueta(const QString& ano, const QString& numero) { return ano.mid(2, 2) + QLatin1Char('/') + numero; }


// The ledger and the agenda are ordered by case file first, so one case file is a range of them.
void Rango(TTable* t, const QString& ano, const QString& numero) {
    if (!t->Active()) return;
    if (t->State() != dsBrowse) t->Cancel();
    t->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
}

// The grouped search of a professional over `sql` (CONCEPTO, CODIGO, NOMBRE), the dialog freed
// before it returns: mrOk leaves the chosen code in `elegido`, mrIgnore (a new one) the group
// under the cursor in `grupo`.
int BuscaAgrupado(const QString& caption, const QString& sql, const QString& titulo, int& elegido, QString& grupo) {
    Buscar2 = new TBuscar2(Application);
    std::unique_ptr<TBuscar2> libera(Buscar2);
    Buscar2->SetCaption(caption);
    Buscar2->QBusca->Close();
    Buscar2->QBusca->SQL()->SetText(sql);
    Buscar2->QBusca->Open();
    Buscar2->Inicia(titulo, true, true);
    const int r = Buscar2->ShowModal();
    if (r == mrOk) {
        elegido = F(Buscar2->QBusca, "CODIGO")->AsInteger();
    } else if (r == mrIgnore) {
        TTreeNode* nodo = Buscar2->Lista->Selected();
        if (nodo && nodo->Level() == 1) grupo = nodo->Text();
        else if (nodo && nodo->Level() >= 2) grupo = F(Buscar2->QBusca, "CONCEPTO")->AsString();
    }
    libera.reset();
    Buscar2 = nullptr;
    return r;
}

}  // namespace

TExpediente::TExpediente(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("Expediente"));
    SetCaption(QStringLiteral("Expediente ...."));
    CreaDatos();
    CreaControles();
    FormCreate();
}

// The form's own cursors: the case's clients and opposing parties with their names, the
// invoicing queries and the professionals' lists of the combos.
void TExpediente::CreaDatos() {
    auto enlaces = [&](TTable*& t, const char* nombre, const char* fichero, const char* campo, const char* lookup,
                       TTable* personas, const char* resultado) {
        t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(Dat->Db->DatabaseName());
        t->SetTableName(QString::fromLatin1(fichero));
        auto texto = [&](const char* n, int tam) {
            auto* f = new TStringField(this);
            f->SetFieldName(QString::fromLatin1(n));
            f->SetSize(tam);
            f->SetDataSet(t);
            return f;
        };
        texto("ANO", 4);
        texto("NUMERO", 7);
        auto* codigo = new TIntegerField(this);
        codigo->SetFieldName(QString::fromLatin1(campo));
        codigo->SetDataSet(t);
        texto("REFERENCIA", 15);
        auto* nombreCampo = texto(lookup, 50);
        nombreCampo->SetFieldKind(fkLookup);
        nombreCampo->SetLookupDataSet(personas);
        nombreCampo->SetLookupKeyFields(QString::fromLatin1(campo));
        nombreCampo->SetLookupResultField(QString::fromLatin1(resultado));
        nombreCampo->SetKeyFields(QString::fromLatin1(campo));
    };
    enlaces(QClientes, "QClientes", "EXPCLI", "CLIENTE", "NOMCLI", Dat->TClientes, "NOMCLI");
    enlaces(QContrarios, "QContrarios", "EXPCON", "CONTRARIO", "NOMCON", Dat->TContrarios, "NOMCON");
    DSCli = new TDataSource(this);
    DSCli->SetName(QStringLiteral("DSCli"));
    DSCli->SetDataSet(QClientes);
    DSCon = new TDataSource(this);
    DSCon->SetName(QStringLiteral("DSCon"));
    DSCon->SetDataSet(QContrarios);
    TAgen2 = Dat->VistaAgenda(this, QStringLiteral("TAgen2"), TDat::TVistaAgenda::DeExpediente);
    TAgen2->OnFilterRecord = TFilterRecordEvent(this, &TExpediente::FiltraRecord);
    DSAgen2 = new TDataSource(this);
    DSAgen2->SetName(QStringLiteral("DSAgen2"));
    DSAgen2->SetDataSet(TAgen2);
    auto consulta = [&](TQuery*& q, const char* nombre, const QString& sql, bool maestro) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
        if (maestro) q->SetDataSource(Dat->DSExped);
    };
    consulta(QNumLin, "QNumLin", QStringLiteral("SELECT COUNT(*) AS LINEAS FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"), true);
    consulta(QEco, "QEco",
             QStringLiteral("SELECT TIPO, SUM(IMPORTE) AS IMPORTE FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO  GROUP BY TIPO"), true);
    consulta(QUpdCon, "QUpdCon", records::SqlSubeContador(), false);
    auto lista = [&](const char* sql) {
        auto* q = new TQuery(this);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(QString::fromLatin1(sql));
        q->SetTrackChanges(true);  // read again only when the data changed
        auto* s = new TDataSource(this);
        s->SetDataSet(q);
        return s;
    };
    // Lists of their own, so that showing a name never moves the data module's tables.
    FAboCli = lista("SELECT ABOCLI, APELLIDOS || ',' || NOMBRE AS NOMABOCLI FROM ABOCLI ORDER BY 2");
    FProcu = lista("SELECT PROCU, APELLIDOS || ',' || NOMBRE AS NOMPROCU FROM PROCU ORDER BY 2");
    FAbogados = lista("SELECT ABOGADO, APELLIDOS || ',' || NOMBRE AS NOMABO FROM ABOGADOS ORDER BY 2");
    FPeritos = lista("SELECT PERITO, APELLIDOS || ',' || NOMBRE AS NOMPERITO FROM PERITOS ORDER BY 2");
}

// FormCreate: the sub-lists follow the case file open in the data module.
void TExpediente::FormCreate() {
    using T = TExpediente;
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    DSCli->OnDataChange = TDataChangeEvent(this, &T::DSCliDataChange);
    DSCon->OnDataChange = TDataChangeEvent(this, &T::DSConDataChange);
    ActiveSource->SetDataSet(Dat->TExped);
    QClientes->Open();
    QContrarios->Open();
    for (TDataSource* s : {FAboCli, FProcu, FAbogados, FPeritos}) s->DataSet()->Open();
    TAgen2->Open();
    RangoExpediente();
    LetraRegistro = QStringLiteral("E");
    ActiveSourceStateChange(ActiveSource);
    cbSitProcClick(this);
}

TExpediente::~TExpediente() {
    // Closing lifted the range already; data out of reach by now has been reported there.
    try {
        QuitaRangos();
    } catch (const Exception&) {
    }
    if (::Expediente == this) ::Expediente = nullptr;
}

TDataSet* TExpediente::Tabla() const { return Dat->TExped; }

// ---------------------------------------------------------------------------------------------- ranges

void TExpediente::RangoExpediente() {
    const QString ano = F(Dat->TExped, "ANO")->AsString();
    const QString numero = F(Dat->TExped, "NUMERO")->AsString();
    QClientes->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
    QContrarios->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
    Rango(Dat->TCuentas, ano, numero);
    Rango(TAgen2, ano, numero);
    if (Dat->QSaldo->Active()) Dat->QSaldo->Refresh();
}

void TExpediente::QuitaRangos() {
    if (!Dat) return;
    // The ledger's range is lifted; the agenda is the form's own and goes with it.
    TTable* t = Dat->TCuentas;
    if (!t->Active() || !t->RangeActive()) return;
    if (t->State() != dsBrowse) t->Cancel();
    t->CancelRange();
}

void TExpediente::MueveA(const QString& ano, const QString& numero) {
    TTable* e = Dat->TExped;
    const TBookmark marca = e->GetBookmark();
    // A linked case file of another lawyer is as closed to the user as one searched for.
    if (e->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0) && !Alcanzable(marca))
        return;
    RangoExpediente();
    Refresca();
}

bool TExpediente::Alcanzable(const TBookmark& vuelta) {
    TTable* e = Dat->TExped;
    if (comun::Alcanza(AbogadoUsuario(), F(e, "ABOCLI")->AsInteger())) return true;
    MensajeError(QStringLiteral("No tiene permisos para acceder a éste Expediente"));
    e->GotoBookmark(vuelta);
    return false;
}

// ---------------------------------------------------------------------------------------------- showing

void TExpediente::FormShow(TObject*) {
    if (Dat->TCuentas->Active()) Dat->TCuentas->Last();
    if (TAgen2->Active()) TAgen2->Last();
    Refresca();
}

void TExpediente::FormClose(TObject* sender, TCloseAction& action) {
    // The range is off before the ledger is read again: data no longer readable (a share lost
    // and back) is said, and the window still goes.
    try {
        QuitaRangos();
    } catch (const Exception&) {
        Application->HandleException(this);
    }
    if (comun::CierraProcesador) comun::CierraProcesador();
    TFormRegistro::FormClose(sender, action);
}

int TExpediente::AbogadoUsuario() const {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return 0;
    return F(Dat->TPriv, "Abogado")->AsInteger();
}

bool TExpediente::Derecho(const char* nombre) const {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return false;
    return F(Dat->TPriv, nombre)->AsBoolean();
}

void TExpediente::Refresca() {
    Screen->SetCursor(crHourGlass);
    MensajeEstado(QStringLiteral("Espere .."));
    // The names shown follow the people added meanwhile, from this form's own pick buttons too:
    // a new office's first opposing lawyer was stored on the case but shown blank. Lists whose
    // data nobody changed are kept: read again at every move, thousands of names took seconds.
    for (TDataSource* s : {FAboCli, FProcu, FAbogados, FPeritos}) {
        auto* q = static_cast<TQuery*>(s->DataSet());
        if (!q->DataChanged()) continue;
        q->Close();
        q->Open();
    }
    TTable* e = Dat->TExped;
    LCliente->SetCaption(QStringLiteral("[ %1 ]").arg(F(e, "ACTOR")->AsString()));
    Expediente->SetText(Etiqueta(F(e, "ANO")->AsString(), F(e, "NUMERO")->AsString()));
    Situacion->SetText(records::TextoSituacion(e));
    const bool anterior = !F(e, "ANOANTERIOR")->AsString().trimmed().isEmpty();
    ExpAnterior->SetCaption(QStringLiteral("<< ") + Etiqueta(F(e, "ANOANTERIOR")->AsString(), F(e, "NUMANTERIOR")->AsString()));
    ExpAnterior->SetVisible(anterior);
    btAnterior->SetVisible(anterior);
    const bool siguiente = !F(e, "ANOSIGUIENTE")->AsString().trimmed().isEmpty();
    ExpSiguiente->SetCaption(Etiqueta(F(e, "ANOSIGUIENTE")->AsString(), F(e, "NUMSIGUIENTE")->AsString()) + QStringLiteral(" >>"));
    ExpSiguiente->SetVisible(siguiente);
    btSiguiente->SetVisible(siguiente);

    const QString formato = records::FormatoImporte(F(e, "MONEDA")->AsString());
    Dat->TCuentasIMPORTE->SetDisplayFormat(formato);
    Dat->QSaldoSALDO->SetDisplayFormat(formato);
    for (const char* campo : {"IMPORTE", "PRINCIPAL", "INTERESES", "EXPTOTAL"})
        static_cast<TNumericField*>(F(e, campo))->SetDisplayFormat(formato);
    records::ColoreaSaldo(DBSaldo);

    btEscritos->SetEnabled(HayWord && !CarpetaDatos.isEmpty() && Derecho("Fusion"));
    const int abogado = AbogadoUsuario();
    const bool suyo = abogado == -1 ||
                      (Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty() && abogado == F(Dat->TAboCli, "ABOCLI")->AsInteger());
    const bool economico = suyo && Derecho("Economico");
    FEconomico = economico;
    const bool consulta = e->State() == dsBrowse;
    btOpenAgen->SetEnabled(suyo && Derecho("Agenda") && comun::AbreAgendaExpediente);
    // The ledger opens on the case file as stored: not while it is being edited.
    btOpenEco->SetEnabled(economico && consulta);
    DBEcon->SetVisible(economico);
    DBSaldo->SetVisible(economico);
    LSaldo->SetVisible(economico);
    btFacturar->SetEnabled(consulta && PuedeFacturar());
    RegistroCambiado();
    MensajeEstado(QString());
    Screen->SetCursor(crDefault);
}

void TExpediente::EstadoCambiado(TDataSetState estado) {
    const bool consulta = estado == dsBrowse;
    for (TSpeedItem* i : {btAnterior, btSiguiente, btVincular, btCerrar}) i->SetEnabled(consulta);
    btOpenEco->SetEnabled(consulta && FEconomico);
    btFacturar->SetEnabled(consulta && PuedeFacturar());
    for (TButton* b : {btNewCli, btNewCon, btAsunto, btOpenAboCli, btAboEnt, btOpenProCli, btProCon, btAboCon, btPerito})
        b->SetEnabled(consulta);
    if (consulta) {
        DSCliDataChange(DSCli, nullptr);
        DSConDataChange(DSCon, nullptr);
    } else {
        for (TButton* b : {btDelCli, btDefCli, btOpenCli, btDelCon, btDefCon, btOpenCon}) b->SetEnabled(false);
    }
}

void TExpediente::RegistroCambiado() {
    TTable* e = Dat->TExped;
    if (e->IsEmpty()) return;
    records::LineaMoneda(e, Image4, Image5, true, DBSaldo, Currency(records::SaldoExpediente()));
}

void TExpediente::btRefreshClick(TObject*) {
    Refresca();
    for (TDataSet* t : {static_cast<TDataSet*>(QClientes), static_cast<TDataSet*>(QContrarios), static_cast<TDataSet*>(Dat->TCuentas),
                        static_cast<TDataSet*>(TAgen2)})
        Dat->refresca(t);
}

// ---------------------------------------------------------------------------------------------- chain, search, link

void TExpediente::BtSiguienteClick(TObject*) {
    MueveA(F(Dat->TExped, "ANOSIGUIENTE")->AsString(), F(Dat->TExped, "NUMSIGUIENTE")->AsString());
}

void TExpediente::BtAnteriorClick(TObject*) {
    MueveA(F(Dat->TExped, "ANOANTERIOR")->AsString(), F(Dat->TExped, "NUMANTERIOR")->AsString());
}

void TExpediente::btVincularClick(TObject*) {
    if (!ExpedienteSigue()) return;
    // Freed here, once its year and number are read.
    std::unique_ptr<TNuevoExp> dlg(new TNuevoExp(nullptr));
    NuevoExp = dlg.get();
    dlg->Prepara(TNuevoExp::CaptionVincular);
    if (dlg->ShowModal() != mrOk) return;
    // Only a link that was written closes the dialog with OK.
    const QString ano = dlg->AnoActual->Text();
    const QString numero = dlg->Expediente->Text();
    dlg.reset();  // before any event is handled: its close has asked for its release too
    MueveA(ano, numero);
}

void TExpediente::btBuscarClick(TObject*) {
    // Freed here, once its year and number are read.
    std::unique_ptr<TNuevoExp> dlg(new TNuevoExp(nullptr));
    NuevoExp = dlg.get();
    dlg->Prepara(TNuevoExp::CaptionBuscar);
    if (dlg->ShowModal() != mrOk) return;
    const QString ano = dlg->AnoActual->Text();
    const QString numero = dlg->Expediente->Text();
    dlg.reset();  // before any event is handled: its close has asked for its release too
    TTable* e = Dat->TExped;
    const TBookmark marca = e->GetBookmark();
    if (!e->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0)) {
        MensajeError(QStringLiteral("Expediente NO EXISTE"));
        return;
    }
    if (!Alcanzable(marca)) return;
    RangoExpediente();
    Refresca();
}

// ---------------------------------------------------------------------------------------------- close and reopen

void TExpediente::btCerrarClick(TObject*) {
    TTable* e = Dat->TExped;
    const int situacion = F(e, "SITUACION")->AsInteger();
    if (!records::ConfirmaCierre(e, QStringLiteral("Expediente NO FACTURADO"), QStringLiteral("éste Expediente"),
                                 QStringLiteral("Expediente YA CERRADO")))
        return;
    const QString factura = situacion == 3 ? records::FacturaDelRegistro(e) : QString();
    bool sinBase = false;
    {
        records::TRelojArena reloj;
        try {
            Dat->EnTransaccion([&] {
                e->Edit();
                if (situacion < 3) {
                    F(e, "SITUACION")->SetAsInteger(3);
                    F(e, "FECHACIERRE")->SetAsDateTime(Date());
                } else {
                    // Reopening throws the invoice data away; the invoice counter stays.
                    F(e, "SITUACION")->SetAsInteger(1);
                    F(e, "FACTURA")->SetAsInteger(0);
                    for (const char* campo : {"SUPLIDOS", "DERECHOS", "GASTOS", "PROVISIONES", "IVA", "IRPF", "IMPIVA", "IMPIRPF", "TOTAL"})
                        F(e, campo)->SetAsFloat(0);
                    F(e, "FECHAFACTURA")->Clear();
                    F(e, "FECHACIERRE")->Clear();
                }
                e->Post();
                AnotaEnAgenda(LetraRegistro.isEmpty() ? QStringLiteral("E") : LetraRegistro, QStringLiteral("GENERAL"),
                              situacion < 3 ? QStringLiteral("CIERRE DE EXPEDIENTE")
                                            : records::TextoReapertura(QStringLiteral("REAPERTURA DE EXPEDIENTE"), factura));
            });
        } catch (...) {
            sinBase = comun::FalloDeLaBase();
            Deshace(!sinBase);
            comun::InformaFallo(QStringLiteral("ERROR al cerrar"));
        }
    }
    if (sinBase) return;
    Dat->RefrescaAgendas();
    Refresca();
}

// The agenda row that records a closing, reopening or invoice of the case file shown, dated now.
void TExpediente::AnotaEnAgenda(const QString& tipo, const QString& tipoAgenda, const QString& texto) {
    TTable* e = Dat->TExped;
    TTable* a = Dat->TAgen;
    a->Insert();
    F(a, "TIPO")->SetAsString(tipo);
    F(a, "ABOCLI")->SetAsInteger(F(e, "ABOCLI")->AsInteger());
    F(a, "ANO")->SetAsString(F(e, "ANO")->AsString());
    F(a, "NUMERO")->SetAsString(F(e, "NUMERO")->AsString());
    F(a, "SITUACION")->SetAsString(texto);
    F(a, "ARCHIVADO")->SetAsString(QStringLiteral("N"));
    F(a, "ESCRITO")->SetAsInteger(0);
    F(a, "TIPOAGENDA")->SetAsString(tipoAgenda);
    F(a, "USUARIO")->SetAsString(Dat->Usuario());
    a->Post();
}

// A failed closing or invoice: the case file and its agenda row as they were, read again when
// `releer`; without the server nothing is read (it would wait on the dead link once more), not
// even the lists that follow the case file. Never throws: its caller still has to say why the
// command failed.
void TExpediente::Deshace(bool releer) {
    const comun::TSinReconexion sinReconexion(!releer);
    try {
        for (TDataSet* t : {static_cast<TDataSet*>(Dat->TExped), static_cast<TDataSet*>(Dat->TAgen)})
            if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
        if (Dat->Db->InTransaction()) Dat->Db->Rollback();
        if (releer) Dat->refresca(Dat->TExped);
    } catch (const Exception&) {
        // read again by the next action
    }
}

void TExpediente::btFacturarClick(TObject*) {
    TTable* e = Dat->TExped;
    if (e->IsEmpty() || e->State() != dsBrowse) return;
    if (!records::ConfirmaFacturar(e, Q("éste Expediente"), Q("Expediente Facturado"))) return;
    const int anoContador = StrToIntDef(AnoSeleccionado, 0);
    const QString ano = F(e, "ANO")->AsString(), numero = F(e, "NUMERO")->AsString();
    int lineas = 0;
    std::unique_ptr<TFacturar> dlg;
    // What is read before the dialog fails as the invoicing, in its own box.
    try {
        QNumLin->Close();
        QNumLin->Open();
        lineas = QNumLin->Fields()->Fields(0)->AsInteger();
        QNumLin->Close();
        if (lineas > 0) dlg = records::PideDatosFactura(e, QStringLiteral("EXPED"), anoContador);
    } catch (...) {
        QNumLin->Close();
        records::InformaErrorFactura();
        return;
    }
    if (lineas == 0) {
        MensajeError(Q("No hay conceptos económicos"));
        Abort();
    }
    if (!dlg) return;

    bool facturado = false, sinBase = false;
    {
        records::TRelojArena reloj;
        const int n = dlg->NumeroFactura();
        const int iva = dlg->TasaIva(), irpf = dlg->TasaIrpf();
        try {
            // Sums by type, in ascending type; a type without entries is 0.
            Currency suma[5];
            QEco->Close();
            QEco->Open();
            for (QEco->First(); !QEco->Eof(); QEco->Next()) {
                const int tipo = F(QEco, "TIPO")->AsInteger();
                if (tipo >= 1 && tipo <= 4) suma[tipo] = Currency(F(QEco, "IMPORTE")->AsFloat());
            }
            QEco->Close();
            const bool euros = F(e, "MONEDA")->AsString() != QLatin1String("P");
            // Outlays and advances carry no tax; advances do not lower the total.
            const Currency base = suma[2] + suma[4];
            const Currency impIva = records::Impuesto(base, iva, euros);
            const Currency impIrpf = records::Impuesto(base, irpf, euros);
            const Currency total = suma[2] + suma[1] + suma[4] + impIva - impIrpf;
            Dat->EnTransaccion([&] {
                records::ReservaFactura(QUpdCon, n, anoContador, dlg->FechaFactura(), QStringLiteral("EXPED"), ano,
                                        numero);
                e->Edit();
                F(e, "FACTURA")->SetAsInteger(n);
                F(e, "SUPLIDOS")->SetAsCurrency(suma[1]);
                F(e, "DERECHOS")->SetAsCurrency(suma[2]);
                F(e, "PROVISIONES")->SetAsCurrency(suma[3]);
                F(e, "GASTOS")->SetAsCurrency(suma[4]);
                F(e, "IVA")->SetAsInteger(iva);
                F(e, "IRPF")->SetAsInteger(irpf);
                F(e, "IMPIVA")->SetAsCurrency(impIva);
                F(e, "IMPIRPF")->SetAsCurrency(impIrpf);
                F(e, "TOTAL")->SetAsCurrency(total);
                F(e, "FECHAFACTURA")->SetAsDateTime(dlg->FechaFactura());
                F(e, "SITUACION")->SetAsInteger(2);
                e->Post();
                AnotaEnAgenda(QStringLiteral("E"), QStringLiteral("ECONOMICOS"),
                              n == 0 ? QStringLiteral("EXPEDIENTE FACTURADO PROFORMA")
                                     : Q("EXPEDIENTE FACTURADO Nº DE FACTURA ") + Format(QStringLiteral("%8d"), n));
            });
            facturado = true;
        } catch (...) {
            QEco->Close();
            sinBase = comun::FalloDeLaBase();
            Deshace(!sinBase);
            records::InformaErrorFactura();
        }
    }
    // Without the server the form stays as last read: the next action connects again.
    if (sinBase) return;
    Dat->RefrescaAgendas();
    Refresca();
    // The fee note only of an invoice that was stored.
    if (facturado && dlg->GeneraMinuta()) GeneraMinuta();
}

void TExpediente::GeneraMinuta() {
    if (comun::GeneraFactura) comun::GeneraFactura(false);
}

// ---------------------------------------------------------------------------------------------- clients and opposing parties

TExpediente::TParte TExpediente::Clientes() const {
    return {QClientes, Dat->TExpCli, Dat->TClientes, QStringLiteral("CLIENTE"), QStringLiteral("CLIENTES"), QStringLiteral("EXPCLI"),
            QStringLiteral("Buscar Cliente"), QStringLiteral("Clientes")};
}

TExpediente::TParte TExpediente::Contrarios() const {
    return {QContrarios, Dat->TExpCon, Dat->TContrarios, QStringLiteral("CONTRARIO"), QStringLiteral("CONTRARIOS"),
            QStringLiteral("EXPCON"), QStringLiteral("Buscar Contrario"), QStringLiteral("Contrarios")};
}

void TExpediente::EditaCaso(const std::function<void()>& cambio) {
    TTable* e = Dat->TExped;
    e->DisableControls();
    try {
        e->Edit();
        cambio();
        e->Post();
    } catch (...) {
        if (e->State() == dsEdit) e->Cancel();
        e->EnableControls();
        throw;
    }
    e->EnableControls();
}

void TExpediente::FormParte(const TParte& p, bool nuevo) {
    const bool cliente = p.Campo == QLatin1String("CLIENTE");
    TFormRegistro* f = nullptr;
    if (cliente) {
        Cliente = new TCliente(Application);
        Cliente->activaEdicion(true);
        TCliente::FijaModo(2);
        f = Cliente;
    } else {
        Contrario = new TContrario(Application);
        Contrario->activaEdicion(true);
        TContrario::FijaModo(2);
        f = Contrario;
    }
    auto* ficha = static_cast<records::TFichaPersona*>(f);
    if (nuevo) {
        p.Personas->Insert();
    } else if (!p.Lista->IsEmpty()) {
        ficha->Referencia->SetText(F(p.Lista, "REFERENCIA")->AsString());
    }
    f->ShowModal();
}

void TExpediente::NuevaParte(const TParte& p) {
    TTable* e = Dat->TExped;
    if (!ExpedienteSigue()) return;
    Buscar = new TBuscar(Application);
    std::unique_ptr<TBuscar> libera(Buscar);
    const QString sql = p.Campo == QLatin1String("CLIENTE")
                            ? QStringLiteral("SELECT CLIENTE as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE FROM CLIENTES WHERE CLIENTE "
                                             "NOT IN (SELECT CLIENTE FROM EXPCLI WHERE ANO = :ANO AND NUMERO = :NUMERO) ORDER BY NOMBRE")
                            : QStringLiteral("SELECT CONTRARIO as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE FROM CONTRARIOS WHERE "
                                             "CONTRARIO NOT IN (SELECT CONTRARIO FROM EXPCON WHERE ANO = :ANO AND NUMERO = :NUMERO) "
                                             "ORDER BY NOMBRE");
    Buscar->QBusca->Close();
    Buscar->QBusca->SQL()->SetText(sql);
    Buscar->QBusca->ParamByName(QStringLiteral("ANO"))->SetAsString(F(e, "ANO")->AsString());
    Buscar->QBusca->ParamByName(QStringLiteral("NUMERO"))->SetAsString(F(e, "NUMERO")->AsString());
    Buscar->QBusca->Open();
    const bool vacio = Buscar->QBusca->IsEmpty();
    int resultado = mrIgnore;
    if (!vacio) {
        Buscar->SetCaption(p.Caption);
        Buscar->Inicia(p.Titulo, true, 2);
        resultado = Buscar->ShowModal();
    }
    // The only party of its side is the case's principal one.
    auto principalSiEsLaUnica = [&] {
        p.Lista->Refresh();
        int filas = 0;
        for (p.Lista->First(); !p.Lista->Eof(); p.Lista->Next()) ++filas;
        p.Lista->First();
        if (filas == 1) HazPrincipal(p);
    };
    if (resultado == mrOk) {
        const int codigo = F(Buscar->QBusca, "CODIGO")->AsInteger();
        p.Personas->Locate(p.Campo, Variant(codigo), 0);
        // The link and the principal it makes are written together: a workstation that stops
        // between them leaves no case whose only client (or opposing party) is not its principal.
        try {
            Dat->EnTransaccion([&] {
                p.Enlaces->Insert();
                F(p.Enlaces, "ANO")->SetAsString(F(e, "ANO")->AsString());
                F(p.Enlaces, "NUMERO")->SetAsString(F(e, "NUMERO")->AsString());
                p.Enlaces->FieldByName(p.Campo)->SetAsInteger(codigo);
                p.Enlaces->Post();
                principalSiEsLaUnica();
            });
        } catch (...) {
            if (p.Enlaces->State() != dsBrowse) p.Enlaces->Cancel();
            p.Lista->Refresh();
            Refresca();
            throw;
        }
    } else if (resultado == mrIgnore) {
        libera.reset();
        Buscar = nullptr;
        FormParte(p, true);
    }
    if (libera) {
        libera.reset();
        Buscar = nullptr;
    }
    principalSiEsLaUnica();
    Refresca();
}

void TExpediente::QuitaParte(const TParte& p) {
    if (p.Lista->IsEmpty()) return;
    TTable* e = Dat->TExped;
    const int codigo = p.Lista->FieldByName(p.Campo)->AsInteger();
    const Variant clave = VarArrayOf({Variant(F(e, "ANO")->AsString()), Variant(F(e, "NUMERO")->AsString()), Variant(codigo)});
    if (!p.Enlaces->Locate(QStringLiteral("ANO;NUMERO;") + p.Campo, clave, 0)) return;
    // The link's question is asked first, with nothing held; then the link goes together with the
    // principal it was, so no case is left naming as principal a party it no longer has.
    const TDataSetNotifyEvent pregunta = p.Enlaces->BeforeDelete;
    if (pregunta) pregunta(p.Enlaces);
    p.Enlaces->BeforeDelete = nullptr;
    try {
        Dat->EnTransaccion([&] {
            p.Enlaces->Delete();
            if (e->FieldByName(p.Campo)->AsInteger() == codigo) EditaCaso([&] { e->FieldByName(p.Campo)->SetAsInteger(0); });
        });
    } catch (...) {
        p.Enlaces->BeforeDelete = pregunta;
        Dat->refresca(p.Enlaces);
        p.Lista->Refresh();
        Refresca();
        throw;
    }
    p.Enlaces->BeforeDelete = pregunta;
    p.Lista->Refresh();
    Refresca();
}

void TExpediente::HazPrincipal(const TParte& p) {
    if (p.Lista->IsEmpty()) return;
    TTable* e = Dat->TExped;
    const int codigo = p.Lista->FieldByName(p.Campo)->AsInteger();
    if (e->FieldByName(p.Campo)->AsInteger() == codigo) return;
    EditaCaso([&] { e->FieldByName(p.Campo)->SetAsInteger(codigo); });
    p.Lista->Locate(p.Campo, Variant(codigo), 0);
    (p.Lista == QClientes ? DBCliente : DBContra)->Invalidate();
}

void TExpediente::AbreParte(const TParte& p) {
    if (p.Lista->IsEmpty()) return;
    const int codigo = p.Lista->FieldByName(p.Campo)->AsInteger();
    if (!p.Personas->Locate(p.Campo, Variant(codigo), 0)) return;
    FormParte(p, false);
    Dat->refresca(Dat->TExped);
    p.Lista->Refresh();
    p.Lista->Locate(p.Campo, Variant(codigo), 0);
}

void TExpediente::btNewCliClick(TObject*) { NuevaParte(Clientes()); }
void TExpediente::btDelCliClick(TObject*) { QuitaParte(Clientes()); }
void TExpediente::btDefCliClick(TObject*) { HazPrincipal(Clientes()); }
void TExpediente::btOpenCliClick(TObject*) { AbreParte(Clientes()); }
void TExpediente::btNewConClick(TObject*) { NuevaParte(Contrarios()); }
void TExpediente::btDelConClick(TObject*) { QuitaParte(Contrarios()); }
void TExpediente::btDefConClick(TObject*) { HazPrincipal(Contrarios()); }
void TExpediente::btOpenConClick(TObject*) { AbreParte(Contrarios()); }

void TExpediente::PartesHabilitadas(TTable* lista, TButton* abrir, TButton* quitar, TButton* principal) {
    const bool filas = lista->Active() && !lista->IsEmpty() && Dat->TExped->State() == dsBrowse;
    for (TButton* b : {abrir, quitar, principal}) b->SetEnabled(filas);
}

void TExpediente::DSCliDataChange(TObject*, TField*) { PartesHabilitadas(QClientes, btOpenCli, btDelCli, btDefCli); }
void TExpediente::DSConDataChange(TObject*, TField*) { PartesHabilitadas(QContrarios, btOpenCon, btDelCon, btDefCon); }

void TExpediente::DibujaParte(TZbDBGrid* grid, TTable* lista, const QString& campo, const TRect& rect, int dataCol,
                              TColumn* column, TGridDrawState state) {
    if (dataCol != 0) {
        grid->DefaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    TCanvas* c = grid->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(rect);
    const bool principal = lista->FieldByName(campo)->AsInteger() == Dat->TExped->FieldByName(campo)->AsInteger();
    c->Draw(rect.Left + 2, rect.Top + (rect.Bottom - rect.Top - 16) / 2, (principal ? Image3 : Image1)->Picture()->Graphic());
}

void TExpediente::DBClienteDrawColumnCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    DibujaParte(DBCliente, QClientes, QStringLiteral("CLIENTE"), rect, dataCol, column, state);
}

void TExpediente::DBContraDrawColumnCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    DibujaParte(DBContra, QContrarios, QStringLiteral("CONTRARIO"), rect, dataCol, column, state);
}

// ---------------------------------------------------------------------------------------------- matter and professionals

void TExpediente::btAsuntoClick(TObject*) {
    Asunto = new TAsunto(Application);
    Asunto->activaEdicion(true);
    if (F(Dat->TExped, "TRIBUNAL")->AsString().trimmed().isEmpty()) Dat->TExped->Edit();
    Asunto->ShowModal();
    Refresca();
}

void TExpediente::Procurador(const QString& campo, int parte, const QString& caption) {
    TTable* e = Dat->TExped;
    const int codigo = e->FieldByName(campo)->AsInteger();
    const QString referencia = parte == 1 ? QStringLiteral("REFPROCLI") : QStringLiteral("REFPROCON");
    // A court agent deleted since it was assigned counts as none: another one is picked.
    if (codigo != 0 && Dat->TProcu->Locate(QStringLiteral("PROCU"), Variant(codigo), 0)) {
        Procu = new TProcu(Application);
        Procu->SetCaption(caption);
        Procu->activaEdicion(true);
        TProcu::FijaModo(parte == 1 ? 0 : 1);
        TProcu::FijaParte(parte);
        Procu->Referencia->SetText(e->FieldByName(referencia)->AsString());
        Procu->ShowModal();
        Refresca();
        return;
    }
    int elegido = 0;
    QString grupo;
    const int r = BuscaAgrupado(QStringLiteral("Busca Procurador"),
                                QStringLiteral("SELECT PARTIDO as CONCEPTO, PROCU as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE "
                                               "FROM PROCU ORDER BY CONCEPTO, NOMBRE"),
                                QStringLiteral("Procuradores"), elegido, grupo);
    if (r == mrOk) {
        Dat->TProcu->Locate(QStringLiteral("PROCU"), Variant(elegido), 0);
        EditaCaso([&] { e->FieldByName(campo)->SetAsInteger(elegido); });
    } else if (r == mrIgnore) {
        Procu = new TProcu(Application);
        Procu->SetCaption(caption);
        Procu->activaEdicion(true);
        TProcu::FijaModo(2);
        TProcu::FijaParte(parte);
        Dat->TProcu->Insert();
        F(Dat->TProcu, "PARTIDO")->SetAsString(grupo);
        Procu->ShowModal();
    }
    Refresca();
}

void TExpediente::btProConClick(TObject*) { Procurador(QStringLiteral("PROCON"), 2, QStringLiteral("Procurador Del Contrario")); }
void TExpediente::btOpenProCliClick(TObject*) { Procurador(QStringLiteral("PROCLI"), 1, QStringLiteral("Procurador Del Cliente")); }

void TExpediente::btAboConClick(TObject*) {
    TTable* e = Dat->TExped;
    const int codigo = F(e, "ABOCON")->AsInteger();
    if (codigo != 0 && Dat->TAbogados->Locate(QStringLiteral("ABOGADO"), Variant(codigo), 0)) {
        Abogado = new TAbogado(Application);
        Abogado->SetCaption(QStringLiteral("Abogado del Contrario"));
        Abogado->activaEdicion(true);
        TAbogado::FijaModo(0);
        Abogado->Referencia->SetText(F(e, "REFABOCON")->AsString());
        Abogado->ShowModal();
        Refresca();
        return;
    }
    Buscar = new TBuscar(Application);
    std::unique_ptr<TBuscar> libera(Buscar);
    Buscar->SetCaption(QStringLiteral("Buscar Abogado Contrario"));
    Buscar->QBusca->Close();
    Buscar->QBusca->SQL()->SetText(
        QStringLiteral("SELECT ABOGADO as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE FROM ABOGADOS ORDER BY NOMBRE"));
    Buscar->Inicia(QStringLiteral("Abogados"), true, 2);
    const int r = Buscar->ShowModal();
    if (r == mrOk) {
        const int elegido = F(Buscar->QBusca, "CODIGO")->AsInteger();
        Dat->TAbogados->Locate(QStringLiteral("ABOGADO"), Variant(elegido), 0);
        EditaCaso([&] { F(e, "ABOCON")->SetAsInteger(elegido); });
    } else if (r == mrIgnore) {
        libera.reset();
        Buscar = nullptr;
        Abogado = new TAbogado(Application);
        Abogado->SetCaption(QStringLiteral("Abogado del Contrario"));
        Abogado->activaEdicion(true);
        TAbogado::FijaModo(1);
        Dat->TAbogados->Insert();
        Abogado->ShowModal();
    }
    if (libera) {
        libera.reset();
        Buscar = nullptr;
    }
    Refresca();
}

void TExpediente::btPeritoClick(TObject*) {
    TTable* e = Dat->TExped;
    const int codigo = F(e, "PERITO")->AsInteger();
    if (codigo != 0 && Dat->TPeritos->Locate(QStringLiteral("PERITO"), Variant(codigo), 0)) {
        Perito = new TPerito(Application);
        Perito->activaEdicion(true);
        TPerito::FijaModo(0);
        Perito->Referencia->SetText(F(e, "REFCLI")->AsString());
        Perito->ShowModal();
        Refresca();
        return;
    }
    int elegido = 0;
    QString grupo;
    const int r = BuscaAgrupado(QStringLiteral("Busca Perito"),
                                QStringLiteral("SELECT PROFESION as CONCEPTO, PERITO as CODIGO, APELLIDOS || ',' || NOMBRE as NOMBRE "
                                               "FROM PERITOS ORDER BY CONCEPTO, NOMBRE"),
                                QStringLiteral("Peritos"), elegido, grupo);
    if (r == mrOk) {
        Dat->TPeritos->Locate(QStringLiteral("PERITO"), Variant(elegido), 0);
        EditaCaso([&] { F(e, "PERITO")->SetAsInteger(elegido); });
    } else if (r == mrIgnore) {
        Perito = new TPerito(Application);
        Perito->activaEdicion(true);
        TPerito::FijaModo(1);
        Dat->TPeritos->Insert();
        F(Dat->TPeritos, "PROFESION")->SetAsString(grupo);
        Perito->ShowModal();
    }
    Refresca();
}

void TExpediente::btOpenAboCliClick(TObject*) { AbreAbogadoDespacho("ABOCLI", QStringLiteral("A")); }

void TExpediente::btAboEntClick(TObject*) { AbreAbogadoDespacho("ABOENT", QStringLiteral("E")); }

void TExpediente::AbreAbogadoDespacho(const char* campo, const QString& modo) {
    // The data module's lawyer is the one the main window and the daily agenda below work for
    // (their lists, the lawyer of a new record): the card of another one leaves it as it was.
    TTable* abogados = Dat->TAboCli;
    const Variant elegido = abogados->IsEmpty() ? Variant() : F(abogados, "ABOCLI")->Value();
    const int codigo = F(Dat->TExped, campo)->AsInteger();
    if (codigo != 0) abogados->Locate(QStringLiteral("ABOCLI"), Variant(codigo), 0);
    AboCli = new TAboCli(Application);
    // The office's own lawyers are general data: without that right the card only shows the
    // case's lawyer, as the main window's view does, and adds, renames or deletes none.
    AboCli->activaEdicion(Derecho("General"));
    TAboCli::FijaModo(modo);
    AboCli->ShowModal();
    if (!elegido.IsNullOrEmpty()) abogados->Locate(QStringLiteral("ABOCLI"), elegido, 0);
    Refresca();
}

// ---------------------------------------------------------------------------------------------- ledger, agenda, documents

bool TExpediente::PuedeFacturar() const {
    TTable* e = Dat->TExped;
    return FEconomico && !e->IsEmpty() && F(e, "SITUACION")->AsInteger() != 3;
}

void TExpediente::btOpenEcoClick(TObject*) {
    TTable* e = Dat->TExped;
    if (e->IsEmpty() || e->State() != dsBrowse || !ExpedienteSigue()) return;
    Economico = new TEconomico(Application);
    Economico->ActivaNavegacion(F(e, "SITUACION")->AsInteger() == 1);
    Economico->SetCaption(Q("Situación Económica de ") + Expediente->Text());
    Economico->ShowModal();
    Refresca();
}

void TExpediente::btOpenAgenClick(TObject*) {
    if (!comun::AbreAgendaExpediente || !btOpenAgen->Enabled() || !ExpedienteSigue()) return;
    comun::AbreAgendaExpediente(QStringLiteral("Agenda del Expediente ") + Expediente->Text(), true);
    // The entries written there show here.
    cbSitProcClick(this);
}
void TExpediente::btEscritosClick(TObject*) {
    if (comun::ListaDeEscritos && ExpedienteSigue()) comun::ListaDeEscritos(1);
}

void TExpediente::Image4DblClick(TObject*) {
    records::AlternaMoneda(Image4, QLatin1Char('E'), CambiaMonedaExpediente, [this] { btRefreshClick(this); }, [this] { Refresca(); });
}

void TExpediente::Image5DblClick(TObject*) {
    records::AlternaMoneda(Image5, QLatin1Char('P'), CambiaMonedaExpediente, [this] { btRefreshClick(this); }, [this] { Refresca(); });
}

void TExpediente::cbSitProcClick(TObject*) {
    Dat->refresca(TAgen2);
    cbSitProc->SetCaption(cbSitProc->Checked() ? QStringLiteral("Si") : QStringLiteral("No"));
    Refresca();
}

void TExpediente::FiltraRecord(TDataSet* ds, bool& accept) {
    TTable* e = Dat->TExped;
    const QString tipo = F(ds, "TIPO")->AsString();
    accept = F(ds, "ANO")->AsString() == F(e, "ANO")->AsString() && F(ds, "NUMERO")->AsString() == F(e, "NUMERO")->AsString() &&
             (tipo == QLatin1String("E") || tipo == QLatin1String("X"));
    // The procedural entries are the agenda rows of type PROCEDIMIENTO.
    if (accept && cbSitProc->Checked()) accept = F(ds, "TIPOAGENDA")->AsString() == QLatin1String("PROCEDIMIENTO");
}

void TExpediente::DBAgendaDrawColumnCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    if (column && column->FieldName() == QLatin1String("SITUACION") && column->Field()) {
        // A long entry (the invoicing's) keeps its invoice number in sight.
        TCanvas* c = DBAgenda->Canvas();
        c->FillRect(rect);
        const QFontMetrics fm(c->Font()->ToQFont());
        c->TextRect(rect, rect.Left + 2, rect.Top + 2, records::TextoQueCabe(column->Field()->DisplayText(), fm, rect.Width() - 4));
        return;
    }
    if (!column || column->FieldName() != QLatin1String("CODIGO")) {
        DBAgenda->DefaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    TCanvas* c = DBAgenda->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(rect);
    TImage* i = nullptr;
    switch (F(TAgen2, "CODIGO")->AsInteger()) {
    case 0: i = Image1; break;
    case 1: i = Image2; break;
    case 2: i = Ok; break;
    default: return;
    }
    c->Draw(rect.Left + 2, rect.Top + (rect.Bottom - rect.Top - 16) / 2, i->Picture()->Graphic());
}

void TExpediente::ImprimeFicha() {
    InfFicEx = new TInfFicEx(Application);
    records::MuestraYCierra(InfFicEx, [](TInfFicEx* ficha) { ficha->Preview(); });
}

void TExpediente::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
