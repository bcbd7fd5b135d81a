#include "shell/UEmpresa.h"

#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

TEmpresa* Empresa = nullptr;

namespace {
bool Editando(TDataSet* t) { return t->State() == dsEdit || t->State() == dsInsert; }

// Puts a dataset back in step with the store after a change that was rolled back.
void Relee(TDataSet* ds) {
    if (Editando(ds)) ds->Cancel();
    if (ds->Active()) ds->Refresh();
}

bool CambiadoEnOtroPuesto(const EDBEngineError& e) { return e.ErrorCount() > 0 && e.Errors(0).ErrorCode == 0x2813; }

// Carries what was typed in an edit of `ds` onto the row as stored now, edited again.
void RebasaEdicion(TDataSet* ds) {
    std::vector<std::pair<TField*, Variant>> tecleado;
    for (int i = 0; i < ds->Fields()->Count(); ++i) {
        TField* f = ds->Fields()->Fields(i);
        if (f->FieldKind() == fkData && !(f->Value() == f->OldValue())) tecleado.emplace_back(f, f->Value());
    }
    ds->Cancel();
    try {
        ds->Edit();
    } catch (const EDBEngineError& e) {
        // The edit reads the row as stored and says it changed: the second one edits it.
        if (!CambiadoEnOtroPuesto(e)) throw;
        ds->Edit();
    }
    for (const auto& [f, v] : tecleado) f->SetValue(v);
}
}  // namespace

TEmpresa::TEmpresa(TComponent* owner) : TFormRegistro(owner) {
    using T = TEmpresa;
    SetName(QStringLiteral("Empresa"));
    SetCaption(QStringLiteral("Datos Generales del Despacho"));
    SetHelpContext(300);
    FSoloCtrlEnter = true;
    CreaDatos();
    CreaControles();
    BtOk->OnClick = TNotifyEvent(this, &T::BtOkClick);
    btAyuda->OnClick() = TNotifyEvent(this, &T::btAyudaClick);
    FormCreate();
}

// The models of the fee notes and letters, opened for their combos, and the counters' queries.
void TEmpresa::CreaDatos() {
    QEscritos = new TQuery(this);
    QEscritos->SetName(QStringLiteral("QEscritos"));
    QEscritos->SetDatabaseName(Dat->Db->DatabaseName());
    QEscritos->SQL()->Add(QStringLiteral("SELECT * FROM ESCRITOS"));
    QEscritos->SQL()->Add(QStringLiteral("WHERE TIPO = 'ECONOMICO'"));
    DSEscritos = new TDataSource(this);
    DSEscritos->SetDataSet(QEscritos);
    QCartas = new TQuery(this);
    QCartas->SetName(QStringLiteral("QCartas"));
    QCartas->SetDatabaseName(Dat->Db->DatabaseName());
    QCartas->SQL()->Add(QStringLiteral("SELECT * FROM ESCRITOS"));
    QCartas->SQL()->Add(QStringLiteral("WHERE TIPO = 'CARTAS'"));
    DSCartas = new TDataSource(this);
    DSCartas->SetDataSet(QCartas);
    QEscritos->Open();
    QCartas->Open();
    auto consulta = [&](TQuery*& q, const char* nombre, const char* sql) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(QString::fromLatin1(sql));
    };
    consulta(QEscri, "QEscri", "SELECT MAX(ESCRITO) AS NUM FROM ESCRITOS");
    consulta(QAgenda, "QAgenda", "SELECT MAX(ORDEN) AS NUM FROM AGENDA");
    consulta(QCuentas, "QCuentas", "SELECT MAX(ORDEN) AS NUM FROM CUENTAS");
    consulta(QNum, "QNum", "");
}

TEmpresa::~TEmpresa() {
    if (Empresa == this) Empresa = nullptr;
}

void TEmpresa::Muestra() {
    Empresa = new TEmpresa(Application);
    Empresa->activaEdicion(true);
    Empresa->ShowModal();
}

TDataSet* TEmpresa::Tabla() const { return Dat->TSistem; }

void TEmpresa::FormCreate() {
    Dat->TSistem->Locate(QStringLiteral("NUMERO"), Variant(1), 0);
    Paginas->SetActivePage(pgGeneral);
}

void TEmpresa::activaEdicion(bool activa) {
    TFormRegistro::activaEdicion(activa);
    // The settings are one row: no navigation, no new or deleted rows.
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btAsigna}) i->SetVisible(false);
    const int w = SpeedBar1->BtnWidth();
    btEdit->SetLeft(4);
    btRefresh->SetLeft(4 + w);
    btAyuda->SetLeft(4 + 2 * w + 8);
    BtSalir->SetLeft(4 + 3 * w + 8);
}

// ---------------------------------------------------------------------------------------------- screen

void TEmpresa::EstadoCambiado(TDataSetState estado) {
    const bool editando = estado == dsEdit || estado == dsInsert;
    // The currency the concepts are held in is the one the row had when editing began.
    if (editando && FEstado != dsEdit && FEstado != dsInsert)
        FMonedaRecordada = Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->AsString();
    FEstado = estado;
    for (TControl* c : std::initializer_list<TControl*>{btCdRom, btLogo, DBMinuta, DBMinutaCons, DBCabCar})
        c->SetEnabled(editando);
    EFactura->SetEnabled(editando && FHayFila);
    // Rebuilding posts the row: never over changes the user has not confirmed.
    btConta->SetEnabled(estado == dsBrowse);
}

void TEmpresa::PaginasChange(TObject*) {
    if (Paginas->ActivePage() != pgConfig) return;
    TTable* t = Dat->TTabcon;
    Dat->refresca(t);
    int ano = 0;
    FHayFila = TryStrToInt(AnoSeleccionado, ano) && t->Locate(QStringLiteral("ANO"), Variant(ano), 0);
    FFacturaMostrada = FHayFila ? t->FieldByName(QStringLiteral("NUMFACTU"))->AsString() : QString();
    EFactura->SetText(FFacturaMostrada);
    EFactura->SetEnabled(FHayFila && Editando(Dat->TSistem));
}

void TEmpresa::btAyudaClick(TObject*) { Application->HelpContext(Paginas->ActivePage() == pgConfig ? 95 : 90); }

void TEmpresa::DbDniExit(TObject*) {
    TDataSet* s = Dat->TSistem;
    if (!Editando(s)) return;
    // The letter is added once: a text that already carries it is not a plain number.
    const QString texto = DbDni->Text().trimmed();
    const QChar letra = LetraNif(texto);
    if (letra != QLatin1Char(' ')) s->FieldByName(QStringLiteral("CIF"))->SetAsString(texto + letra);
}

void TEmpresa::DBCodPosKeyPress(TObject*, QChar& key) { key = TeclaNumerica(key); }

void TEmpresa::MonedaDesdeMenu(const QString& moneda) {
    TDataSet* s = Dat->TSistem;
    if (Editando(s)) s->FieldByName(QStringLiteral("MONEDA"))->SetAsString(moneda);
}

void TEmpresa::PesetasClick(TObject*) { MonedaDesdeMenu(QStringLiteral("P")); }
void TEmpresa::Euros1Click(TObject*) { MonedaDesdeMenu(QStringLiteral("E")); }

void TEmpresa::btCdRomClick(TObject*) {
    OpenDialog1->SetTitle(QStringLiteral("Seleccionar ejecutable de Cd-Rom"));
    OpenDialog1->SetFilter(QStringLiteral("Programas|*.exe|Todos los archivos (*.*)|*.*"));
    OpenDialog1->SetFilterIndex(1);
    OpenDialog1->SetFileName(QString());
    if (OpenDialog1->Execute() && Editando(Dat->TSistem))
        Dat->TSistem->FieldByName(QStringLiteral("CDROM"))->SetAsString(OpenDialog1->FileName());
}

void TEmpresa::btLogoClick(TObject*) {
    OpenDialog1->SetTitle(QStringLiteral("Seleccionar archivo para Logotipo"));
    OpenDialog1->SetFilter(
        QStringLiteral("Archivo de mapa de bits|*.bmp|Archivos PCX|*.pcx|Todos los archivos (*.*)|*.*"));
    OpenDialog1->SetFilterIndex(1);
    OpenDialog1->SetFileName(QString());
    if (OpenDialog1->Execute() && Editando(Dat->TSistem))
        Dat->TSistem->FieldByName(QStringLiteral("LOGO"))->SetAsString(OpenDialog1->FileName());
}

// ---------------------------------------------------------------------------------------------- saving

void TEmpresa::Graba() {
    TTable* s = Dat->TSistem;
    TTable* t = Dat->TTabcon;
    const QString tecleado = EFactura->Text().trimmed();
    const bool factura = FHayFila && !tecleado.isEmpty() && tecleado != FFacturaMostrada;
    const int numero = factura ? StrToInt(tecleado) : 0;  // not a number: nothing is written
    auto guarda = [&] {
        Dat->EnTransaccion([&] {
            if (factura) {
                // The row the box showed, even if another form moved the cursor since.
                if (!t->Locate(QStringLiteral("ANO"), Variant(StrToInt(AnoSeleccionado)), 0))
                    throw EDatabaseError(QStringLiteral("TABCON"));
                t->Edit();
                t->FieldByName(QStringLiteral("NUMFACTU"))->SetAsInteger(numero);
                t->Post();
            }
            s->Post();
        });
    };
    try {
        try {
            guarda();
        } catch (const EDBEngineError& e) {
            // The counters share the settings row and move whenever another workstation numbers a
            // record: the settings typed go onto the row as it is now, and are saved once more.
            if (!CambiadoEnOtroPuesto(e) || !Editando(s)) throw;
            Relee(t);
            RebasaEdicion(s);
            guarda();
        }
    } catch (...) {
        Relee(t);
        // A row posted but not committed shows what the store holds; one that failed to post
        // stays in edit with what the user typed.
        if (s->State() == dsBrowse) s->Refresh();
        throw;
    }
    if (factura) FFacturaMostrada = tecleado;
}

void TEmpresa::BtOkClick(TObject*) {
    TTable* s = Dat->TSistem;
    if (!Editando(s)) return;
    try {
        Graba();
    } catch (const Exception&) {
        // Nothing else runs on settings that were not stored.
        MensajeError(QStringLiteral("ERROR al grabar DATOS DESPACHO"));
        return;
    }
    if (comun::FijaEditor) comun::FijaEditor(s->FieldByName(QStringLiteral("EDITOR"))->AsString());

    const QString moneda = s->FieldByName(QStringLiteral("MONEDA"))->AsString();
    const bool cambiada = !moneda.isEmpty() && moneda != FMonedaRecordada;
    // The stored currency is now the one the concepts are compared with: a second OK never asks.
    FMonedaRecordada = moneda;
    if (!cambiada) return;
    const bool pesetas = moneda == QLatin1String("P");
    if (!MensajeConfirmacion(pesetas ? QStringLiteral("¿Desea cambiar los conceptos económicos a Pts?")
                                     : QStringLiteral("¿Desea cambiar los conceptos económicos a Euros?")))
        return;
    ConvierteConceptos(pesetas ? QLatin1Char('P') : QLatin1Char('E'));
}

void TEmpresa::ConvierteConceptos(QChar destino) {
    TTable* c = Dat->TConConta;
    const Currency tasa = comun::TasaEuro();
    c->DisableControls();
    try {
        Dat->EnTransaccion([&] {
            TField* importe = c->FieldByName(QStringLiteral("IMPORTE"));
            for (c->First(); !c->Eof(); c->Next()) {
                if (importe->IsNull()) continue;
                c->Edit();
                importe->SetAsCurrency(comun::ConvierteMoneda(destino, Currency(importe->AsFloat()), tasa));
                c->Post();
            }
        });
    } catch (const Exception&) {
        Relee(c);
        c->EnableControls();
        MensajeError(QStringLiteral("ERROR al cambiar los conceptos económicos: no se ha cambiado ninguno"));
        return;
    }
    c->EnableControls();
}

// ---------------------------------------------------------------------------------------------- counters

void TEmpresa::btContaClick(TObject*) {
    if (!MensajeConfirmacion(QStringLiteral("¿Recalcular contadores?"))) return;
    TTable* s = Dat->TSistem;
    if (s->State() != dsBrowse) return;
    auto maximo = [](TQuery* q) {
        q->Close();
        q->Open();
        return q->Fields()->Fields(0)->AsInteger();
    };
    s->DisableControls();
    try {
        s->Edit();
        s->FieldByName(QStringLiteral("AGENDA"))->SetAsInteger(maximo(QAgenda));
        s->FieldByName(QStringLiteral("CUENTAS"))->SetAsInteger(maximo(QCuentas));
        s->FieldByName(QStringLiteral("ESCRITO"))->SetAsInteger(maximo(QEscri));
        static const char* const personas[][2] = {{"ABOCLI", "ABOCLI"},       {"ABOGADO", "ABOGADOS"},
                                                  {"CLIENTE", "CLIENTES"},     {"CONTRARIO", "CONTRARIOS"},
                                                  {"PROCU", "PROCU"},          {"PERITO", "PERITOS"}};
        for (const auto& p : personas) {
            const QString campo = QString::fromLatin1(p[0]);
            QNum->Close();
            QNum->SQL()->SetText(
                QStringLiteral("SELECT MAX(%1) AS NUMERO FROM %2").arg(campo, QString::fromLatin1(p[1])));
            const int mayor = maximo(QNum);
            TField* contador = s->FieldByName(campo);
            if (mayor > contador->AsInteger()) contador->SetAsInteger(mayor);
        }
        s->Post();
    } catch (const Exception& e) {
        // The screen and the row come back as they were, whatever failed.
        if (Editando(s)) s->Cancel();
        s->EnableControls();
        MensajeError(QStringLiteral("ERROR al recalcular contadores: ") + e.Message());
        return;
    }
    s->EnableControls();
    ShowMessage(QStringLiteral("Actualizado"));
}
