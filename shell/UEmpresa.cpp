#include "shell/UEmpresa.h"

#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

TEmpresa* Empresa = nullptr;

namespace {
constexpr int AltoFila = 27;
constexpr int Margen = 10;

bool Editando(TDataSet* t) { return t->State() == dsEdit || t->State() == dsInsert; }

// Puts a dataset back in step with the store after a change that was rolled back.
void Relee(TDataSet* ds) {
    if (Editando(ds)) ds->Cancel();
    if (ds->Active()) ds->Refresh();
}

std::unique_ptr<TStringList> Lista(std::initializer_list<const char*> textos) {
    auto l = std::make_unique<TStringList>();
    for (const char* t : textos) l->Add(QString::fromUtf8(t));
    return l;
}
}  // namespace

TEmpresa::TEmpresa(TComponent* owner) : TFormRegistro(owner) {
    using T = TEmpresa;
    SetName(QStringLiteral("Empresa"));
    SetCaption(QStringLiteral("Datos Generales del Despacho"));
    SetHelpContext(300);
    FSoloCtrlEnter = true;
    FijaTamano(600, AreaTop() + 12 * AltoFila + 36);
    for (TSpeedItem* i : {btBuscar, btImprimir}) i->SetVisible(false);
    BtOk->OnClick = TNotifyEvent(this, &T::BtOkClick);
    btAyuda->OnClick() = TNotifyEvent(this, &T::btAyudaClick);

    Paginas = new TPageControl(this);
    Paginas->SetName(QStringLiteral("Paginas"));
    Paginas->SetParent(this);
    Paginas->SetBounds(Margen, AreaTop() - 2, ClientWidth() - 2 * Margen, AreaBottom() - AreaTop());
    pgGeneral = new TTabSheet(this);
    pgGeneral->SetName(QStringLiteral("pgGeneral"));
    pgGeneral->SetPageControl(Paginas);
    pgGeneral->SetCaption(QStringLiteral("General"));
    pgConfig = new TTabSheet(this);
    pgConfig->SetName(QStringLiteral("pgConfig"));
    pgConfig->SetPageControl(Paginas);
    pgConfig->SetCaption(QStringLiteral("Configuración"));
    Paginas->OnChange = TNotifyEvent(this, &T::PaginasChange);

    // Page "General".
    TWinControl* g = pgGeneral;
    DbDni = Campo(g, QStringLiteral("C.I.F. :"), QStringLiteral("CIF"), 0, 0, 130, 100, 15);
    DbDni->OnExit = TNotifyEvent(this, &T::DbDniExit);
    DBEmpresa = Campo(g, QStringLiteral("Despacho :"), QStringLiteral("EMPRESA"), 0, 1, 420, 100, 50);
    DBDireccion = Campo(g, QStringLiteral("Domicilio :"), QStringLiteral("DIRECCION"), 0, 2, 420, 100, 50);
    DBPoblacion = Campo(g, QStringLiteral("Población :"), QStringLiteral("POBLACION"), 0, 3, 220, 100, 30);
    DBCodPos = Campo(g, QStringLiteral("C. Postal :"), QStringLiteral("CDPOSTAL"), 335, 3, 60, 80, 5);
    DBCodPos->OnKeyPress = TKeyPressEvent(this, &T::DBCodPosKeyPress);
    DBProvincia = Campo(g, QStringLiteral("Provincia :"), QStringLiteral("PROVINCIA"), 0, 4, 130, 100, 15);
    DBTelefono = Campo(g, QStringLiteral("Teléfono :"), QStringLiteral("TELEFONO"), 0, 5, 220, 100, 30);
    DBFax = Campo(g, QStringLiteral("Fax :"), QStringLiteral("FAX"), 335, 5, 130, 50, 15);
    DBBanco = Campo(g, QStringLiteral("Banco :"), QStringLiteral("BANCO"), 0, 6, 130, 100, 15);
    DBSucursal = Campo(g, QStringLiteral("Sucursal :"), QStringLiteral("SUCURSAL"), 245, 6, 130, 80, 15);
    DBCuenta = Campo(g, QStringLiteral("Nº de Cuenta :"), QStringLiteral("CUENTACORRIENTE"), 0, 7, 220, 100, 25);

    // Page "Configuración".
    TWinControl* c = pgConfig;
    const int ancho = 150;  // its labels are long
    DBCdRom = Campo(c, QStringLiteral("CD-ROM :"), QStringLiteral("CDROM"), 0, 0, 330, ancho, 50);
    btCdRom = new TButton(this);
    btCdRom->SetName(QStringLiteral("btCdRom"));
    btCdRom->SetParent(c);
    btCdRom->SetCaption(QStringLiteral("..."));
    btCdRom->SetBounds(DBCdRom->Left() + DBCdRom->Width() + 4, DBCdRom->Top(), 26, 21);
    btCdRom->OnClick = TNotifyEvent(this, &T::btCdRomClick);
    DBLogo = Campo(c, QStringLiteral("Logotipo :"), QStringLiteral("LOGO"), 0, 1, 330, ancho, 50);
    btLogo = new TButton(this);
    btLogo->SetName(QStringLiteral("btLogo"));
    btLogo->SetParent(c);
    btLogo->SetCaption(QStringLiteral("..."));
    btLogo->SetBounds(DBLogo->Left() + DBLogo->Width() + 4, DBLogo->Top(), 26, 21);
    btLogo->OnClick = TNotifyEvent(this, &T::btLogoClick);
    DBFileExt = Campo(c, QStringLiteral("Extensiones :"), QStringLiteral("FILEEXT"), 0, 2, 360, ancho, 255);
    DBIva = Campo(c, QStringLiteral("I.V.A. :"), QStringLiteral("IVA"), 0, 3, 50, ancho);
    DBIrpf = Campo(c, QStringLiteral("I.R.P.F. :"), QStringLiteral("IRPF"), 230, 3, 50, 80);

    PopupMoneda = new TPopupMenu(this);
    PopupMoneda->SetName(QStringLiteral("PopupMoneda"));
    Pesetas = new TMenuItem(PopupMoneda);
    Pesetas->SetName(QStringLiteral("Pesetas"));
    Pesetas->SetCaption(QStringLiteral("Pesetas"));
    Pesetas->OnClick = TNotifyEvent(this, &T::PesetasClick);
    PopupMoneda->Items()->Add(Pesetas);
    Euros1 = new TMenuItem(PopupMoneda);
    Euros1->SetName(QStringLiteral("Euros1"));
    Euros1->SetCaption(QStringLiteral("Euros"));
    Euros1->OnClick = TNotifyEvent(this, &T::Euros1Click);
    PopupMoneda->Items()->Add(Euros1);

    Etiqueta(c, QStringLiteral("Moneda por defecto :"), 0, 4, ancho);
    DBMoneda = new TZbDBComboBox(this);
    DBMoneda->SetName(QStringLiteral("DBMoneda"));
    DBMoneda->SetParent(c);
    DBMoneda->SetStyle(csDropDownList);
    DBMoneda->SetItems(Lista({"PESETA", "EURO"}).get());
    DBMoneda->SetValues(Lista({"P", "E"}).get());
    DBMoneda->SetEnableValues(true);
    DBMoneda->SetDataSource(Dat->DSSistem);
    DBMoneda->SetDataField(QStringLiteral("MONEDA"));
    DBMoneda->SetBounds(Margen + ancho + 5, Margen + 4 * AltoFila, 100, 21);
    DBMoneda->SetPopupMenu(PopupMoneda);
    DBEuro = Campo(c, QStringLiteral("Cambio del EURO :"), QStringLiteral("EURO"), 280, 4, 80, 120);
    DBEuro->SetPopupMenu(PopupMoneda);

    Etiqueta(c, QStringLiteral("Editor :"), 0, 5, ancho);
    DBEditor = new TDBComboBox(this);
    DBEditor->SetName(QStringLiteral("DBEditor"));
    DBEditor->SetParent(c);
    DBEditor->SetStyle(csDropDown);
    DBEditor->SetItems(Lista({"Word97", "Word2000"}).get());
    DBEditor->SetDataSource(Dat->DSSistem);
    DBEditor->SetDataField(QStringLiteral("EDITOR"));
    DBEditor->SetBounds(Margen + ancho + 5, Margen + 5 * AltoFila, 120, 21);
    Etiqueta(c, QStringLiteral("Última Factura :"), 280, 5, 120);
    EFactura = new TEdit(this);
    EFactura->SetName(QStringLiteral("EFactura"));
    EFactura->SetParent(c);
    EFactura->SetMaxLength(6);
    EFactura->SetBounds(Margen + 280 + 125, Margen + 5 * AltoFila, 80, 21);
    EFactura->OnKeyPress = TKeyPressEvent(this, &T::DBCodPosKeyPress);

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
    DBMinuta = Modelos(QStringLiteral("Minuta de Expedientes :"), QStringLiteral("MINUTA"), DSEscritos, 6);
    DBMinutaCons = Modelos(QStringLiteral("Minuta de Consultas :"), QStringLiteral("MINUTACONS"), DSEscritos, 7);
    DBCabCar = Modelos(QStringLiteral("Cabecera de Carta :"), QStringLiteral("CABCAR"), DSCartas, 8);

    btConta = new TButton(this);
    btConta->SetName(QStringLiteral("btConta"));
    btConta->SetParent(Pie());
    btConta->SetCaption(QStringLiteral("Actualizar &Contadores"));
    btConta->SetBounds(Margen, 5, 150, 26);
    btConta->OnClick = TNotifyEvent(this, &T::btContaClick);

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

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName(QStringLiteral("OpenDialog1"));
    FormCreate();
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

TLabel* TEmpresa::Etiqueta(TWinControl* pagina, const QString& texto, int x, int fila, int ancho) {
    auto* l = new TLabel(this);
    l->SetParent(pagina);
    l->SetAutoSize(false);
    l->SetAlignment(taRightJustify);
    l->SetBounds(Margen + x, Margen + fila * AltoFila + 3, ancho, 16);
    l->SetCaption(texto);
    return l;
}

TDBEdit* TEmpresa::Campo(TWinControl* pagina, const QString& etiqueta, const QString& campo, int x, int fila, int ancho,
                         int anchoEtiqueta, int max) {
    TLabel* l = Etiqueta(pagina, etiqueta, x, fila, anchoEtiqueta);
    auto* e = new TDBEdit(this);
    e->SetName(QStringLiteral("DB") + campo);
    e->SetParent(pagina);
    e->SetBounds(Margen + x + anchoEtiqueta + 5, Margen + fila * AltoFila, ancho, 21);
    e->SetDataSource(Dat->DSSistem);
    e->SetDataField(campo);
    if (max > 0) e->SetMaxLength(max);
    e->SetTabStop(true);
    l->SetFocusControl(e);
    return e;
}

TZbDBLookupCombo* TEmpresa::Modelos(const QString& etiqueta, const QString& campo, TDataSource* lista, int fila) {
    Etiqueta(pgConfig, etiqueta, 0, fila, 150);
    auto* c = new TZbDBLookupCombo(this);
    c->SetName(QStringLiteral("DB") + campo);
    c->SetParent(pgConfig);
    c->SetDataSource(Dat->DSSistem);
    c->SetDataField(campo);
    c->SetLookupSource(lista);
    c->SetLookupField(QStringLiteral("ESCRITO"));
    c->SetLookupDisplay(QStringLiteral("CONCEPTO"));
    c->SetBounds(Margen + 155, Margen + fila * AltoFila, 330, 21);
    return c;
}

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
    try {
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
    const Currency tasa = shell::TasaEuro();
    c->DisableControls();
    try {
        Dat->EnTransaccion([&] {
            TField* importe = c->FieldByName(QStringLiteral("IMPORTE"));
            for (c->First(); !c->Eof(); c->Next()) {
                if (importe->IsNull()) continue;
                c->Edit();
                importe->SetAsCurrency(shell::ConvierteMoneda(destino, Currency(importe->AsFloat()), tasa));
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
