// The case-file form: the layout of its controls.
#include "comun/Controles.h"
#include "comun/UData.h"
#include "records/Facturable.h"
#include "records/Pinturas.h"
#include "records/UExpediente.h"

#include <tuple>
#include <utility>

namespace {

QString Q(const char* texto) { return QString::fromUtf8(texto); }

void Persona(TCanvas* c, TColor color) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(color);
    c->Ellipse(5, 1, 11, 7);
    c->Rectangle(3, 8, 13, 15);
}

}  // namespace

void TExpediente::CreaControles() {
    using T = TExpediente;

    // The case file is reached through the chain and the search, never by record navigation.
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btAsigna}) {
        i->SetVisible(false);
        i->SetEnabled(false);
    }
    btEdit->SetVisible(true);
    btRefresh->SetVisible(true);
    btAnterior = NuevoBoton("btAnterior", Q("Anterior|Expediente anterior de la cadena"), [](TCanvas* c) {
        c->Pen()->SetColor(clMaroon);
        c->Brush()->SetColor(clMaroon);
        c->Polygon({{11, 2}, {11, 13}, {4, 7}});
    });
    btSiguiente = NuevoBoton("btSiguiente", Q("Siguiente|Expediente siguiente de la cadena"), [](TCanvas* c) {
        c->Pen()->SetColor(clMaroon);
        c->Brush()->SetColor(clMaroon);
        c->Polygon({{4, 2}, {4, 13}, {11, 7}});
    });
    btVincular = NuevoBoton("btVincular", Q("Vincular|Crea un expediente vinculado"), [](TCanvas* c) {
        c->Pen()->SetColor(clNavy);
        c->Pen()->SetWidth(2);
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(1, 4, 9, 12);
        c->Ellipse(7, 4, 15, 12);
    });
    btCerrar = NuevoBoton("btCerrar", Q("Cerrar|Cierra o reabre el expediente"), records::GlifoCerrar);
    btFacturar = NuevoBoton("btFacturar", Q("Facturar|Factura el expediente"), [](TCanvas* c) { records::Moneda(c, QStringLiteral("€"), clGreen); });
    btEscritos = NuevoBoton("btEscritos", Q("Escritos|Escritos del expediente"), records::GlifoEscritos);
    const int w = SpeedBar1->BtnWidth();
    int x = 4;
    for (TSpeedItem* i : {btEdit, btRefresh}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btBuscar, btAnterior, btSiguiente, btVincular}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btCerrar, btFacturar, btEscritos, btImprimir}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btAyuda, BtSalir}) i->SetLeft(std::exchange(x, x + w));
    btRefresh->OnClick() = TNotifyEvent(this, &T::btRefreshClick);
    btBuscar->OnClick() = TNotifyEvent(this, &T::btBuscarClick);
    btAnterior->OnClick() = TNotifyEvent(this, &T::BtAnteriorClick);
    btSiguiente->OnClick() = TNotifyEvent(this, &T::BtSiguienteClick);
    btVincular->OnClick() = TNotifyEvent(this, &T::btVincularClick);
    btCerrar->OnClick() = TNotifyEvent(this, &T::btCerrarClick);
    btFacturar->OnClick() = TNotifyEvent(this, &T::btFacturarClick);
    btEscritos->OnClick() = TNotifyEvent(this, &T::btEscritosClick);
    btBuscar->SetHint(Q("Buscar|Busca un expediente"));
    btImprimir->SetHint(Q("Imprimir|Imprime la ficha del expediente"));

    // Pictures.
    auto imagen = [&](TImage*& i, const char* nombre, int ancho, const std::function<void(TCanvas*)>& pinta) {
        i = new TImage(this);
        i->SetName(QString::fromLatin1(nombre));
        i->SetVisible(false);
        records::Dibujo(i, ancho, pinta);
    };
    imagen(Image1, "Image1", 16, [](TCanvas* c) { Persona(c, clSilver); });
    imagen(Image3, "Image3", 16, [](TCanvas* c) { Persona(c, clYellow); });
    imagen(Image2, "Image2", 16, comun::PintaReloj);
    imagen(Ok, "Ok", 16, comun::PintaOk);

    // Header.
    const int y0 = AreaTop();
    Rotulo(QStringLiteral("Expediente :"), 2, y0, 88);
    Expediente = new TEdit(this);
    Expediente->SetName(QStringLiteral("Expediente"));
    Expediente->SetParent(this);
    Expediente->SetReadOnly(true);
    Expediente->SetTabStop(false);
    Expediente->SetBounds(92, y0, 86, 21);
    Expediente->Font()->SetStyle({fsBold});
    Rotulo(QStringLiteral("Situación :"), 180, y0, 74);
    Situacion = new TEdit(this);
    Situacion->SetName(QStringLiteral("Situacion"));
    Situacion->SetParent(this);
    Situacion->SetReadOnly(true);
    Situacion->SetTabStop(false);
    Situacion->SetBounds(258, y0, 140, 21);
    LCliente = new TLabel(this);
    LCliente->SetName(QStringLiteral("LCliente"));
    LCliente->SetParent(this);
    LCliente->SetAutoSize(false);
    LCliente->SetBounds(406, y0 + 3, 120, 17);
    LCliente->Font()->SetStyle({fsBold});
    LCliente->Font()->SetColor(clNavy);
    records::IconosMoneda(this, 530, y0 + 2, QStringLiteral("Doble clic"), Image4, Image5);
    ExpAnterior = new TLabel(this);
    ExpAnterior->SetName(QStringLiteral("ExpAnterior"));
    ExpAnterior->SetParent(this);
    ExpAnterior->SetAutoSize(false);
    ExpAnterior->SetBounds(566, y0 + 3, 120, 17);
    ExpAnterior->Font()->SetColor(clMaroon);
    ExpSiguiente = new TLabel(this);
    ExpSiguiente->SetName(QStringLiteral("ExpSiguiente"));
    ExpSiguiente->SetParent(this);
    ExpSiguiente->SetAutoSize(false);
    ExpSiguiente->SetBounds(690, y0 + 3, 122, 17);
    ExpSiguiente->Font()->SetColor(clMaroon);

    // Court and amounts.
    const int y1 = y0 + 28, y2 = y1 + 26, y3 = y2 + 26, y4 = y3 + 26;
    Rotulo(QStringLiteral("Apertura :"), 2, y1, 88);
    DBFAper = Texto(QStringLiteral("FECHAAPERTURA"), 92, y1, 86);
    Rotulo(QStringLiteral("Jurisdicción :"), 180, y1, 74);
    DBJuris = comun::Edita(this, this, "DBJurisdiccion", Dat->DSExped, QStringLiteral("JURISDICCION"), 258, y1, 140);
    btAsunto = Boton(QStringLiteral("btAsunto"), QStringLiteral("&Asunto"), 712, y1, 100, TNotifyEvent(this, &T::btAsuntoClick));
    Rotulo(QStringLiteral("Tribunal :"), 2, y2, 88);
    DBTrib = comun::Edita(this, this, "DBTrib", Dat->DSExped, QStringLiteral("TRIBUNAL"), 92, y2, 306);
    Rotulo(QStringLiteral("Población :"), 406, y2, 80);
    DBPob = comun::Edita(this, this, "DBPob", Dat->DSExped, QStringLiteral("POBLACION"), 490, y2, 200);
    Rotulo(QStringLiteral("Procedimiento :"), 2, y3, 88);
    DBProc = comun::Edita(this, this, "DBProcedimiento", Dat->DSExped, QStringLiteral("PROCEDIMIENTO"), 92, y3, 306);
    Rotulo(QStringLiteral("Autos :"), 406, y3, 80);
    DBAutos = comun::Edita(this, this, "DBAutos", Dat->DSExped, QStringLiteral("AUTOS"), 490, y3, 100);
    Rotulo(QStringLiteral("Principal :"), 2, y4, 88);
    DBPrincipal = Texto(QStringLiteral("PRINCIPAL"), 92, y4, 100);
    Rotulo(QStringLiteral("Costas :"), 200, y4, 54);
    DBCostas = Texto(QStringLiteral("IMPORTE"), 258, y4, 100);
    Rotulo(QStringLiteral("Intereses :"), 366, y4, 66);
    DBIntereses = Texto(QStringLiteral("INTERESES"), 436, y4, 100);
    Rotulo(QStringLiteral("Total :"), 544, y4, 50);
    DBTotal = Texto(QStringLiteral("EXPTOTAL"), 598, y4, 110);
    DBTotal->Font()->SetStyle({fsBold});

    // Professionals: the client's side on the left, the opponent's on the right.
    const int p0 = y4 + 32, dy = 26;
    const int xd = 416;
    Rotulo(QStringLiteral("Abogado :"), 2, p0, 88);
    ZbAboCli = Combo(QStringLiteral("ABOCLI"), FAboCli, QStringLiteral("ABOCLI"), QStringLiteral("NOMABOCLI"), 92, p0, 270);
    ZbAboCli->SetName(QStringLiteral("ZbAboCli"));
    btOpenAboCli = Boton(QStringLiteral("btOpenAboCli"), QStringLiteral("..."), 366, p0, 26, TNotifyEvent(this, &T::btOpenAboCliClick));
    Rotulo(QStringLiteral("Ab. Entrada :"), 2, p0 + dy, 88);
    ZbAboEnt = Combo(QStringLiteral("ABOENT"), FAboCli, QStringLiteral("ABOCLI"), QStringLiteral("NOMABOCLI"), 92, p0 + dy, 270);
    ZbAboEnt->SetName(QStringLiteral("ZbAboEnt"));
    btAboEnt = Boton(QStringLiteral("btAboEnt"), QStringLiteral("..."), 366, p0 + dy, 26, TNotifyEvent(this, &T::btAboEntClick));
    Rotulo(QStringLiteral("Procurador :"), 2, p0 + 2 * dy, 88);
    ZbProCli = Combo(QStringLiteral("PROCLI"), FProcu, QStringLiteral("PROCU"), QStringLiteral("NOMPROCU"), 92, p0 + 2 * dy, 270);
    ZbProCli->SetName(QStringLiteral("ZbProCli"));
    btOpenProCli = Boton(QStringLiteral("btOpenProCli"), QStringLiteral("..."), 366, p0 + 2 * dy, 26,
                         TNotifyEvent(this, &T::btOpenProCliClick));
    Rotulo(QStringLiteral("Ref. Proc. :"), 2, p0 + 3 * dy, 88);
    DBRefProCli = comun::Edita(this, this, "DBRefprocli", Dat->DSExped, QStringLiteral("REFPROCLI"), 92, p0 + 3 * dy, 120);
    Rotulo(QStringLiteral("Ref. Cliente :"), 212, p0 + 3 * dy, 76);
    DBRefCli = comun::Edita(this, this, "DBRefcli", Dat->DSExped, QStringLiteral("REFCLI"), 292, p0 + 3 * dy, 100);

    Rotulo(QStringLiteral("Ab. Contrario :"), xd - 10, p0, 100);
    ZbAboCon = Combo(QStringLiteral("ABOCON"), FAbogados, QStringLiteral("ABOGADO"), QStringLiteral("NOMABO"), xd + 94, p0, 272);
    ZbAboCon->SetName(QStringLiteral("ZbAboCon"));
    btAboCon = Boton(QStringLiteral("btAboCon"), QStringLiteral("..."), xd + 370, p0, 26, TNotifyEvent(this, &T::btAboConClick));
    Rotulo(QStringLiteral("Proc. Contrario :"), xd - 10, p0 + dy, 100);
    ZbProCon = Combo(QStringLiteral("PROCON"), FProcu, QStringLiteral("PROCU"), QStringLiteral("NOMPROCU"), xd + 94, p0 + dy, 272);
    ZbProCon->SetName(QStringLiteral("ZbProCon"));
    btProCon = Boton(QStringLiteral("btProCon"), QStringLiteral("..."), xd + 370, p0 + dy, 26, TNotifyEvent(this, &T::btProConClick));
    Rotulo(QStringLiteral("Perito :"), xd - 10, p0 + 2 * dy, 100);
    ZbPerito = Combo(QStringLiteral("PERITO"), FPeritos, QStringLiteral("PERITO"), QStringLiteral("NOMPERITO"), xd + 94, p0 + 2 * dy, 272);
    ZbPerito->SetName(QStringLiteral("ZbPerito"));
    btPerito = Boton(QStringLiteral("btPerito"), QStringLiteral("..."), xd + 370, p0 + 2 * dy, 26, TNotifyEvent(this, &T::btPeritoClick));
    Rotulo(QStringLiteral("Ref. Abogado :"), xd - 10, p0 + 3 * dy, 100);
    DBRefAboCon = comun::Edita(this, this, "DBRefabocon", Dat->DSExped, QStringLiteral("REFABOCON"), xd + 94, p0 + 3 * dy, 110);
    Rotulo(QStringLiteral("Ref. Proc. :"), xd + 206, p0 + 3 * dy, 70);
    DBRefProCon = comun::Edita(this, this, "DBRefprocon", Dat->DSExped, QStringLiteral("REFPROCON"), xd + 280, p0 + 3 * dy, 116);

    // Clients and opposing parties.
    const int g0 = p0 + 4 * dy + 10;
    Rotulo(QStringLiteral("Clientes :"), 8, g0, 60)->SetAlignment(taLeftJustify);
    DBCliente = Rejilla(QStringLiteral("DBCliente"), DSCli, 8, g0 + 18, 396, 96);
    Rotulo(QStringLiteral("Contrarios :"), xd, g0, 70)->SetAlignment(taLeftJustify);
    DBContra = Rejilla(QStringLiteral("DBContra"), DSCon, xd, g0 + 18, 396, 96);
    for (auto [grid, campo, titulo] : {std::tuple{DBCliente, "NOMCLI", "Cliente"}, std::tuple{DBContra, "NOMCON", "Contrario"}}) {
        TColumn* c = grid->Columns()->Add();
        c->SetFieldName(grid == DBCliente ? QStringLiteral("CLIENTE") : QStringLiteral("CONTRARIO"));
        c->Title()->SetCaption(QString());
        c->SetWidth(22);
        c = grid->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromLatin1(titulo));
        c->SetWidth(250);
        c = grid->Columns()->Add();
        c->SetFieldName(QStringLiteral("REFERENCIA"));
        c->Title()->SetCaption(QStringLiteral("Referencia"));
        c->SetWidth(100);
    }
    DBCliente->SetDefaultDrawing(false);
    DBContra->SetDefaultDrawing(false);
    DBCliente->OnDrawColumnCell = TDrawColumnCellEvent(this, &T::DBClienteDrawColumnCell);
    DBContra->OnDrawColumnCell = TDrawColumnCellEvent(this, &T::DBContraDrawColumnCell);
    DBCliente->OnDblClick = TNotifyEvent(this, &T::btOpenCliClick);
    DBContra->OnDblClick = TNotifyEvent(this, &T::btOpenConClick);
    const int b0 = g0 + 118;
    btNewCli = Boton(QStringLiteral("btNewCli"), QStringLiteral("Añadir"), 8, b0, 96, TNotifyEvent(this, &T::btNewCliClick));
    btDelCli = Boton(QStringLiteral("btDelCli"), QStringLiteral("Quitar"), 108, b0, 96, TNotifyEvent(this, &T::btDelCliClick));
    btDefCli = Boton(QStringLiteral("btDefCli"), QStringLiteral("Principal"), 208, b0, 96, TNotifyEvent(this, &T::btDefCliClick));
    btOpenCli = Boton(QStringLiteral("btOpenCli"), QStringLiteral("Ver ficha"), 308, b0, 96, TNotifyEvent(this, &T::btOpenCliClick));
    btNewCon = Boton(QStringLiteral("btNewCon"), QStringLiteral("Añadir"), xd, b0, 96, TNotifyEvent(this, &T::btNewConClick));
    btDelCon = Boton(QStringLiteral("btDelCon"), QStringLiteral("Quitar"), xd + 100, b0, 96, TNotifyEvent(this, &T::btDelConClick));
    btDefCon = Boton(QStringLiteral("btDefCon"), QStringLiteral("Principal"), xd + 200, b0, 96, TNotifyEvent(this, &T::btDefConClick));
    btOpenCon = Boton(QStringLiteral("btOpenCon"), QStringLiteral("Ver ficha"), xd + 300, b0, 96, TNotifyEvent(this, &T::btOpenConClick));
    // Tab goes down each list and through its own buttons before the list beside it.
    DBContra->SetTabOrder(btOpenCli->TabOrder());

    // Ledger and agenda.
    const int e0 = b0 + 34;
    Rotulo(QStringLiteral("Situación Económica :"), 8, e0, 130)->SetAlignment(taLeftJustify);
    DBEcon = Rejilla(QStringLiteral("DBEcon"), Dat->DSCuentas, 8, e0 + 18, 396, 120);
    for (auto [campo, titulo, ancho] : {std::tuple{"FECHA", "Fecha", 72}, std::tuple{"TIPOSTRING", "T", 20},
                                        std::tuple{"CONCEPTO", "Concepto", 190}, std::tuple{"IMPORTE", "Importe", 80}}) {
        TColumn* c = DBEcon->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromLatin1(titulo));
        c->SetWidth(ancho);
    }
    const int s0 = e0 + 142;
    LSaldo = Rotulo(QStringLiteral("Saldo :"), 130, s0, 60);
    DBSaldo = records::TextoSaldo(this, 194, s0, 100);
    btOpenEco = Boton(QStringLiteral("btOpenEco"), QStringLiteral("&Económico"), 308, s0, 96, TNotifyEvent(this, &T::btOpenEcoClick));

    Rotulo(QStringLiteral("Agenda :"), xd, e0, 60)->SetAlignment(taLeftJustify);
    DBAgenda = Rejilla(QStringLiteral("DBAgenda"), DSAgen2, xd, e0 + 18, 396, 120);
    // The entry's text takes what the grid has left beside its date and hour.
    for (auto [campo, titulo, ancho] : {std::tuple{"CODIGO", "", 22}, std::tuple{"FECHA", "Fecha", 66}, std::tuple{"HORA", "Hora", 36},
                                        std::tuple{"SITUACION", "Situación", 396 - 4 - 18 - 22 - 66 - 36 - 4}}) {
        TColumn* c = DBAgenda->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromUtf8(titulo));
        c->SetWidth(ancho);
    }
    DBAgenda->SetDefaultDrawing(false);
    DBAgenda->OnDrawColumnCell = TDrawColumnCellEvent(this, &T::DBAgendaDrawColumnCell);
    Rotulo(QStringLiteral("Solo situaciones procesales :"), xd, s0, 180);
    cbSitProc = new TCheckBox(this);
    cbSitProc->SetName(QStringLiteral("cbSitProc"));
    cbSitProc->SetParent(this);
    cbSitProc->SetCaption(QStringLiteral("No"));
    cbSitProc->SetBounds(xd + 186, s0 + 2, 50, 19);
    cbSitProc->OnClick = TNotifyEvent(this, &T::cbSitProcClick);
    btOpenAgen = Boton(QStringLiteral("btOpenAgen"), QStringLiteral("A&genda"), xd + 300, s0, 96, TNotifyEvent(this, &T::btOpenAgenClick));

    Image4->OnDblClick = TNotifyEvent(this, &T::Image4DblClick);
    Image5->OnDblClick = TNotifyEvent(this, &T::Image5DblClick);
    FijaTamano(820, s0 + 30 + 36);
}

TDBText* TExpediente::Texto(const QString& campo, int left, int top, int width) {
    TDBText* t = comun::TextoDeCampo(this, this, QString(), Dat->DSExped, campo, left, top + 3, width);
    t->SetAlignment(taRightJustify);
    return t;
}

TZbDBLookupCombo* TExpediente::Combo(const QString& campo, TDataSource* lista, const QString& clave, const QString& nombre,
                                     int left, int top, int width) {
    auto* c = new TZbDBLookupCombo(this);
    c->SetParent(this);
    c->SetDataSource(Dat->DSExped);
    c->SetDataField(campo);
    c->SetLookupSource(lista);
    c->SetLookupField(clave);
    c->SetLookupDisplay(nombre);
    c->SetBounds(left, top, width, 21);
    return c;
}

TButton* TExpediente::Boton(const QString& nombre, const QString& caption, int left, int top, int width, TNotifyEvent click) {
    auto* b = new TButton(this);
    b->SetName(nombre);
    b->SetParent(this);
    b->SetCaption(caption);
    b->SetBounds(left, top, width, 23);
    b->OnClick = click;
    return b;
}

TZbDBGrid* TExpediente::Rejilla(const QString& nombre, TDataSource* fuente, int left, int top, int width, int height) {
    auto* g = new TZbDBGrid(this);
    g->SetName(nombre);
    g->SetParent(this);
    g->SetDataSource(fuente);
    g->SetBounds(left, top, width, height);
    g->SetReadOnly(true);
    g->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    return g;
}
