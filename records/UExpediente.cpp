// The case-file form.
#include "records/UExpediente.h"

#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Alcance.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"
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

TField* F(TDataSet* t, const char* campo) { return t->FieldByName(QString::fromLatin1(campo)); }
QString Q(const char* texto) { return QString::fromUtf8(texto); }

// "01/00012-A" for the year 2001 and the number 00012-A.
QString Etiqueta(const QString& ano, const QString& numero) { return ano.mid(2, 2) + QLatin1Char('/') + numero; }

void Persona(TCanvas* c, TColor color) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(color);
    c->Ellipse(5, 1, 11, 7);
    c->Rectangle(3, 8, 13, 15);
}

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

    // Data of the form.
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

    // Pictures.
    auto imagen = [&](TImage*& i, const char* nombre, int ancho, const std::function<void(TCanvas*)>& pinta) {
        i = new TImage(this);
        i->SetName(QString::fromLatin1(nombre));
        i->SetVisible(false);
        records::Dibujo(i, ancho, pinta);
    };
    imagen(Image1, "Image1", 16, [](TCanvas* c) { Persona(c, clSilver); });
    imagen(Image3, "Image3", 16, [](TCanvas* c) { Persona(c, clYellow); });
    imagen(Image2, "Image2", 16, [](TCanvas* c) {
        c->Pen()->SetColor(clNavy);
        c->Brush()->SetColor(clWhite);
        c->Ellipse(2, 2, 14, 14);
        c->MoveTo(8, 8);
        c->LineTo(8, 4);
        c->MoveTo(8, 8);
        c->LineTo(11, 9);
    });
    imagen(Ok, "Ok", 16, [](TCanvas* c) {
        c->Pen()->SetColor(clGreen);
        c->Pen()->SetWidth(2);
        c->MoveTo(3, 8);
        c->LineTo(7, 12);
        c->LineTo(13, 3);
    });

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
    Image4 = records::ImagenMoneda(this, "Image4", 530, y0 + 2, Q("Doble clic: cambiar a EUROS"), QStringLiteral("Pts"), clMaroon);
    Image5 = records::ImagenMoneda(this, "Image5", 530, y0 + 2, Q("Doble clic: cambiar a PESETAS"), QStringLiteral(" €"), clGreen);
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
    DBJuris = Edita(QStringLiteral("JURISDICCION"), 258, y1, 140);
    btAsunto = Boton(QStringLiteral("btAsunto"), QStringLiteral("&Asunto"), 712, y1, 100, TNotifyEvent(this, &T::btAsuntoClick));
    Rotulo(QStringLiteral("Tribunal :"), 2, y2, 88);
    DBTrib = Edita(QStringLiteral("TRIBUNAL"), 92, y2, 306);
    DBTrib->SetName(QStringLiteral("DBTrib"));
    Rotulo(QStringLiteral("Población :"), 406, y2, 80);
    DBPob = Edita(QStringLiteral("POBLACION"), 490, y2, 200);
    DBPob->SetName(QStringLiteral("DBPob"));
    Rotulo(QStringLiteral("Procedimiento :"), 2, y3, 88);
    DBProc = Edita(QStringLiteral("PROCEDIMIENTO"), 92, y3, 306);
    Rotulo(QStringLiteral("Autos :"), 406, y3, 80);
    DBAutos = Edita(QStringLiteral("AUTOS"), 490, y3, 100);
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
    auto lista = [&](const char* sql) {
        auto* q = new TQuery(this);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(QString::fromLatin1(sql));
        auto* s = new TDataSource(this);
        s->SetDataSet(q);
        return s;
    };
    // Lists of their own, so that showing a name never moves the data module's tables.
    TDataSource* abocli = lista("SELECT ABOCLI, APELLIDOS || ',' || NOMBRE AS NOMABOCLI FROM ABOCLI ORDER BY 2");
    TDataSource* procu = lista("SELECT PROCU, APELLIDOS || ',' || NOMBRE AS NOMPROCU FROM PROCU ORDER BY 2");
    TDataSource* abogados = lista("SELECT ABOGADO, APELLIDOS || ',' || NOMBRE AS NOMABO FROM ABOGADOS ORDER BY 2");
    TDataSource* peritos = lista("SELECT PERITO, APELLIDOS || ',' || NOMBRE AS NOMPERITO FROM PERITOS ORDER BY 2");
    const int p0 = y4 + 32, dy = 26;
    const int xd = 416;
    Rotulo(QStringLiteral("Abogado :"), 2, p0, 88);
    ZbAboCli = Combo(QStringLiteral("ABOCLI"), abocli, QStringLiteral("ABOCLI"), QStringLiteral("NOMABOCLI"), 92, p0, 270);
    ZbAboCli->SetName(QStringLiteral("ZbAboCli"));
    btOpenAboCli = Boton(QStringLiteral("btOpenAboCli"), QStringLiteral("..."), 366, p0, 26, TNotifyEvent(this, &T::btOpenAboCliClick));
    Rotulo(QStringLiteral("Ab. Entrada :"), 2, p0 + dy, 88);
    ZbAboEnt = Combo(QStringLiteral("ABOENT"), abocli, QStringLiteral("ABOCLI"), QStringLiteral("NOMABOCLI"), 92, p0 + dy, 270);
    ZbAboEnt->SetName(QStringLiteral("ZbAboEnt"));
    btAboEnt = Boton(QStringLiteral("btAboEnt"), QStringLiteral("..."), 366, p0 + dy, 26, TNotifyEvent(this, &T::btAboEntClick));
    Rotulo(QStringLiteral("Procurador :"), 2, p0 + 2 * dy, 88);
    ZbProCli = Combo(QStringLiteral("PROCLI"), procu, QStringLiteral("PROCU"), QStringLiteral("NOMPROCU"), 92, p0 + 2 * dy, 270);
    ZbProCli->SetName(QStringLiteral("ZbProCli"));
    btOpenProCli = Boton(QStringLiteral("btOpenProCli"), QStringLiteral("..."), 366, p0 + 2 * dy, 26,
                         TNotifyEvent(this, &T::btOpenProCliClick));
    Rotulo(QStringLiteral("Ref. Proc. :"), 2, p0 + 3 * dy, 88);
    DBRefProCli = Edita(QStringLiteral("REFPROCLI"), 92, p0 + 3 * dy, 120);
    Rotulo(QStringLiteral("Ref. Cliente :"), 212, p0 + 3 * dy, 76);
    DBRefCli = Edita(QStringLiteral("REFCLI"), 292, p0 + 3 * dy, 100);

    Rotulo(QStringLiteral("Ab. Contrario :"), xd - 10, p0, 100);
    ZbAboCon = Combo(QStringLiteral("ABOCON"), abogados, QStringLiteral("ABOGADO"), QStringLiteral("NOMABO"), xd + 94, p0, 272);
    ZbAboCon->SetName(QStringLiteral("ZbAboCon"));
    btAboCon = Boton(QStringLiteral("btAboCon"), QStringLiteral("..."), xd + 370, p0, 26, TNotifyEvent(this, &T::btAboConClick));
    Rotulo(QStringLiteral("Proc. Contrario :"), xd - 10, p0 + dy, 100);
    ZbProCon = Combo(QStringLiteral("PROCON"), procu, QStringLiteral("PROCU"), QStringLiteral("NOMPROCU"), xd + 94, p0 + dy, 272);
    ZbProCon->SetName(QStringLiteral("ZbProCon"));
    btProCon = Boton(QStringLiteral("btProCon"), QStringLiteral("..."), xd + 370, p0 + dy, 26, TNotifyEvent(this, &T::btProConClick));
    Rotulo(QStringLiteral("Perito :"), xd - 10, p0 + 2 * dy, 100);
    ZbPerito = Combo(QStringLiteral("PERITO"), peritos, QStringLiteral("PERITO"), QStringLiteral("NOMPERITO"), xd + 94, p0 + 2 * dy, 272);
    ZbPerito->SetName(QStringLiteral("ZbPerito"));
    btPerito = Boton(QStringLiteral("btPerito"), QStringLiteral("..."), xd + 370, p0 + 2 * dy, 26, TNotifyEvent(this, &T::btPeritoClick));
    Rotulo(QStringLiteral("Ref. Abogado :"), xd - 10, p0 + 3 * dy, 100);
    DBRefAboCon = Edita(QStringLiteral("REFABOCON"), xd + 94, p0 + 3 * dy, 110);
    Rotulo(QStringLiteral("Ref. Proc. :"), xd + 206, p0 + 3 * dy, 70);
    DBRefProCon = Edita(QStringLiteral("REFPROCON"), xd + 280, p0 + 3 * dy, 116);

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
    DSCli->OnDataChange = TDataChangeEvent(this, &T::DSCliDataChange);
    DSCon->OnDataChange = TDataChangeEvent(this, &T::DSConDataChange);

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
    DBSaldo = new TDBText(this);
    DBSaldo->SetName(QStringLiteral("DBSaldo"));
    DBSaldo->SetParent(this);
    DBSaldo->SetDataSource(Dat->DSSaldo);
    DBSaldo->SetDataField(QStringLiteral("SALDO"));
    DBSaldo->SetAutoSize(false);
    DBSaldo->SetAlignment(taRightJustify);
    DBSaldo->SetBounds(194, s0 + 3, 100, 17);
    DBSaldo->Font()->SetStyle({fsBold});
    DBSaldo->SetShowHint(true);
    btOpenEco = Boton(QStringLiteral("btOpenEco"), QStringLiteral("&Económico"), 308, s0, 96, TNotifyEvent(this, &T::btOpenEcoClick));

    Rotulo(QStringLiteral("Agenda :"), xd, e0, 60)->SetAlignment(taLeftJustify);
    DBAgenda = Rejilla(QStringLiteral("DBAgenda"), Dat->DSAgen2, xd, e0 + 18, 396, 120);
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
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    FijaTamano(820, s0 + 30 + 36);

    // FormCreate: the sub-lists follow the case file open in the data module.
    ActiveSource->SetDataSet(Dat->TExped);
    QClientes->Open();
    QContrarios->Open();
    for (TDataSource* s : {abocli, procu, abogados, peritos}) s->DataSet()->Open();
    FFiltroAnterior = Dat->TAgen2->OnFilterRecord;
    Dat->TAgen2->OnFilterRecord = TFilterRecordEvent(this, &T::FiltraRecord);
    FFiltroAgen2 = true;
    RangoExpediente();
    LetraRegistro = QStringLiteral("E");
    ActiveSourceStateChange(ActiveSource);
    cbSitProcClick(this);
}

TExpediente::~TExpediente() {
    QuitaRangos();
    if (::Expediente == this) ::Expediente = nullptr;
}

TDataSet* TExpediente::Tabla() const { return Dat->TExped; }

TDBEdit* TExpediente::Edita(const QString& campo, int left, int top, int width) {
    auto* e = new TDBEdit(this);
    e->SetName(QStringLiteral("DB") + campo.left(1) + campo.mid(1).toLower());
    e->SetParent(this);
    e->SetDataSource(Dat->DSExped);
    e->SetDataField(campo);
    e->SetBounds(left, top, width, 21);
    return e;
}

TDBText* TExpediente::Texto(const QString& campo, int left, int top, int width) {
    auto* t = new TDBText(this);
    t->SetParent(this);
    t->SetDataSource(Dat->DSExped);
    t->SetDataField(campo);
    t->SetAutoSize(false);
    t->SetAlignment(taRightJustify);
    t->SetBounds(left, top + 3, width, 17);
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

// ---------------------------------------------------------------------------------------------- ranges

void TExpediente::RangoExpediente() {
    const QString ano = F(Dat->TExped, "ANO")->AsString();
    const QString numero = F(Dat->TExped, "NUMERO")->AsString();
    QClientes->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
    QContrarios->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
    Rango(Dat->TCuentas, ano, numero);
    Rango(Dat->TAgen2, ano, numero);
    if (Dat->QSaldo->Active()) Dat->QSaldo->Refresh();
}

void TExpediente::QuitaRangos() {
    if (!Dat) return;
    // Every range and filter the form set is lifted, the ledger's as well as the agenda's.
    if (FFiltroAgen2) {
        Dat->TAgen2->OnFilterRecord = FFiltroAnterior;
        FFiltroAgen2 = false;
    }
    for (TTable* t : {Dat->TCuentas, Dat->TAgen2}) {
        if (!t->Active()) continue;
        if (t->State() != dsBrowse) t->Cancel();
        t->CancelRange();
    }
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
    if (shell::Alcanza(AbogadoUsuario(), F(e, "ABOCLI")->AsInteger())) return true;
    MensajeError(QStringLiteral("No tiene permisos para acceder a éste Expediente"));
    e->GotoBookmark(vuelta);
    return false;
}

// ---------------------------------------------------------------------------------------------- showing

void TExpediente::FormShow(TObject*) {
    if (Dat->TCuentas->Active()) Dat->TCuentas->Last();
    if (Dat->TAgen2->Active()) Dat->TAgen2->Last();
    Refresca();
}

void TExpediente::FormClose(TObject* sender, TCloseAction& action) {
    QuitaRangos();
    if (records::CierraProcesador) records::CierraProcesador();
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

    const QString formato = F(e, "MONEDA")->AsString() == QLatin1String("E") ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0");
    Dat->TCuentasIMPORTE->SetDisplayFormat(formato);
    Dat->QSaldoSALDO->SetDisplayFormat(formato);
    for (const char* campo : {"IMPORTE", "PRINCIPAL", "INTERESES", "EXPTOTAL"})
        static_cast<TNumericField*>(F(e, campo))->SetDisplayFormat(formato);
    const double saldo = Dat->QSaldo->Active() && !Dat->QSaldo->IsEmpty() ? Dat->QSaldoSALDO->AsFloat() : 0;
    DBSaldo->Font()->SetColor(saldo < 0 ? clRed : clBlue);

    btEscritos->SetEnabled(HayWord && !CarpetaDatos.isEmpty() && Derecho("Fusion"));
    const int abogado = AbogadoUsuario();
    const bool suyo = abogado == -1 ||
                      (Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty() && abogado == F(Dat->TAboCli, "ABOCLI")->AsInteger());
    const bool economico = suyo && Derecho("Economico");
    btOpenAgen->SetEnabled(suyo && Derecho("Agenda") && records::AbreAgendaExpediente);
    btOpenEco->SetEnabled(economico);
    DBEcon->SetVisible(economico);
    DBSaldo->SetVisible(economico);
    LSaldo->SetVisible(economico);
    btFacturar->SetEnabled(PuedeFacturar());
    RegistroCambiado();
    MensajeEstado(QString());
    Screen->SetCursor(crDefault);
}

void TExpediente::EstadoCambiado(TDataSetState estado) {
    const bool consulta = estado == dsBrowse;
    for (TSpeedItem* i : {btAnterior, btSiguiente, btVincular, btCerrar}) i->SetEnabled(consulta);
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
    const QString moneda = F(e, "MONEDA")->AsString();
    const bool abierto = F(e, "SITUACION")->AsInteger() == 1 && e->State() == dsBrowse;
    records::MuestraMoneda(Image4, Image5, moneda, abierto);
    records::ImporteEnOtraMoneda(
        DBSaldo, moneda, Currency(Dat->QSaldo->Active() && !Dat->QSaldo->IsEmpty() ? Dat->QSaldoSALDO->AsFloat() : 0.0));
}

void TExpediente::btRefreshClick(TObject*) {
    Refresca();
    for (TDataSet* t : {static_cast<TDataSet*>(QClientes), static_cast<TDataSet*>(QContrarios), static_cast<TDataSet*>(Dat->TCuentas),
                        static_cast<TDataSet*>(Dat->TAgen2)})
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
    QString pregunta;
    switch (situacion) {
    case 1: pregunta = QStringLiteral("  Expediente NO FACTURADO\r¿Desea cerrar éste Expediente?"); break;
    case 2: pregunta = QStringLiteral("¿Desea cerrar éste Expediente?"); break;
    case 3: pregunta = QStringLiteral("   Expediente YA CERRADO\r¿Desea abrir éste Expediente?"); break;
    default: return;
    }
    if (!MensajeConfirmacion(pregunta)) return;
    {
        records::TRelojArena reloj;
        Dat->Db->StartTransaction();
        try {
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
                          situacion < 3 ? QStringLiteral("CIERRE DE EXPEDIENTE") : QStringLiteral("REAPERTURA DE EXPEDIENTE"));
            Dat->Db->Commit();
        } catch (...) {
            Deshace();
            MensajeError(QStringLiteral("ERROR al cerrar"));
        }
    }
    Dat->refresca(Dat->TAgen2);
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

// A failed closing or invoice: the case file and its agenda row as they were.
void TExpediente::Deshace() {
    for (TDataSet* t : {static_cast<TDataSet*>(Dat->TExped), static_cast<TDataSet*>(Dat->TAgen)})
        if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    if (Dat->Db->InTransaction()) Dat->Db->Rollback();
    Dat->refresca(Dat->TExped);
}

void TExpediente::btFacturarClick(TObject*) {
    TTable* e = Dat->TExped;
    if (e->IsEmpty() || e->State() != dsBrowse) return;
    const int factura = F(e, "FACTURA")->AsInteger();
    const QString pregunta = F(e, "SITUACION")->AsInteger() < 2
                                 ? Q("¿Desea facturar éste Expediente?")
                                 : Q("Expediente Facturado Nº FACTURA : ") + Format(QStringLiteral("%7.0d"), factura) +
                                       Q("\r¿Desea volver a facturar éste Expediente?");
    if (!MensajeConfirmacion(pregunta)) return;
    QNumLin->Close();
    QNumLin->Open();
    const int lineas = QNumLin->Fields()->Fields(0)->AsInteger();
    QNumLin->Close();
    if (lineas == 0) {
        MensajeError(Q("No hay conceptos económicos"));
        Abort();
    }
    const int anoContador = StrToIntDef(AnoSeleccionado, 0);
    const QString ano = F(e, "ANO")->AsString(), numero = F(e, "NUMERO")->AsString();
    std::unique_ptr<TFacturar> dlg(new TFacturar(nullptr));
    Facturar = dlg.get();
    dlg->ProponeNumero(factura, anoContador, QStringLiteral("EXPED"), ano, numero);
    if (dlg->ShowModal() != mrOk) return;

    bool facturado = false;
    {
        records::TRelojArena reloj;
        const int n = dlg->NumeroFactura();
        const int iva = dlg->TasaIva(), irpf = dlg->TasaIrpf();
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
        Dat->Db->StartTransaction();
        try {
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
            Dat->Db->Commit();
            facturado = true;
        } catch (...) {
            Deshace();
            QString texto = QStringLiteral("ERROR al facturar");
            try {
                throw;
            } catch (records::EFacturaRepetida& repetida) {
                texto = repetida.Message();
            } catch (...) {
            }
            MensajeError(texto);
        }
    }
    Dat->refresca(Dat->TAgen2);
    Refresca();
    // The fee note only of an invoice that was stored.
    if (facturado && dlg->GeneraMinuta()) GeneraMinuta();
}

void TExpediente::GeneraMinuta() {
    if (records::GeneraFactura) records::GeneraFactura(false);
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
    if (resultado == mrOk) {
        const int codigo = F(Buscar->QBusca, "CODIGO")->AsInteger();
        p.Personas->Locate(p.Campo, Variant(codigo), 0);
        p.Enlaces->Insert();
        F(p.Enlaces, "ANO")->SetAsString(F(e, "ANO")->AsString());
        F(p.Enlaces, "NUMERO")->SetAsString(F(e, "NUMERO")->AsString());
        p.Enlaces->FieldByName(p.Campo)->SetAsInteger(codigo);
        p.Enlaces->Post();
    } else if (resultado == mrIgnore) {
        libera.reset();
        Buscar = nullptr;
        FormParte(p, true);
    }
    if (libera) {
        libera.reset();
        Buscar = nullptr;
    }
    p.Lista->Refresh();
    int filas = 0;
    for (p.Lista->First(); !p.Lista->Eof(); p.Lista->Next()) ++filas;
    p.Lista->First();
    if (filas == 1) HazPrincipal(p);
    Refresca();
}

void TExpediente::QuitaParte(const TParte& p) {
    if (p.Lista->IsEmpty()) return;
    TTable* e = Dat->TExped;
    const int codigo = p.Lista->FieldByName(p.Campo)->AsInteger();
    const Variant clave = VarArrayOf({Variant(F(e, "ANO")->AsString()), Variant(F(e, "NUMERO")->AsString()), Variant(codigo)});
    if (!p.Enlaces->Locate(QStringLiteral("ANO;NUMERO;") + p.Campo, clave, 0)) return;
    // The link row goes first (its delete asks); only then does the case lose its principal.
    p.Enlaces->Delete();
    if (e->FieldByName(p.Campo)->AsInteger() == codigo) EditaCaso([&] { e->FieldByName(p.Campo)->SetAsInteger(0); });
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
    if (codigo != 0) {
        Dat->TProcu->Locate(QStringLiteral("PROCU"), Variant(codigo), 0);
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
    if (codigo != 0) {
        Dat->TAbogados->Locate(QStringLiteral("ABOGADO"), Variant(codigo), 0);
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
    if (codigo != 0) {
        Dat->TPeritos->Locate(QStringLiteral("PERITO"), Variant(codigo), 0);
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

void TExpediente::btOpenAboCliClick(TObject*) {
    const int codigo = F(Dat->TExped, "ABOCLI")->AsInteger();
    if (codigo != 0) Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(codigo), 0);
    AboCli = new TAboCli(Application);
    AboCli->activaEdicion(true);
    TAboCli::FijaModo(QStringLiteral("A"));
    AboCli->ShowModal();
    Refresca();
}

void TExpediente::btAboEntClick(TObject*) {
    const int codigo = F(Dat->TExped, "ABOENT")->AsInteger();
    if (codigo != 0) Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(codigo), 0);
    AboCli = new TAboCli(Application);
    AboCli->activaEdicion(true);
    TAboCli::FijaModo(QStringLiteral("E"));
    AboCli->ShowModal();
    Refresca();
}

// ---------------------------------------------------------------------------------------------- ledger, agenda, documents

bool TExpediente::PuedeFacturar() const {
    TTable* e = Dat->TExped;
    return btOpenEco->Enabled() && !e->IsEmpty() && F(e, "SITUACION")->AsInteger() != 3;
}

void TExpediente::btOpenEcoClick(TObject*) {
    TTable* e = Dat->TExped;
    if (e->IsEmpty() || e->State() != dsBrowse) return;
    Economico = new TEconomico(Application);
    Economico->ActivaNavegacion(F(e, "SITUACION")->AsInteger() == 1);
    Economico->SetCaption(Q("Situación Económica de ") + Expediente->Text());
    Economico->ShowModal();
    Refresca();
}

std::function<void(const QString&, bool)> records::AbreAgendaExpediente;
std::function<void()> records::CierraProcesador;

void TExpediente::btOpenAgenClick(TObject*) {
    if (!records::AbreAgendaExpediente || !btOpenAgen->Enabled()) return;
    records::AbreAgendaExpediente(QStringLiteral("Agenda del Expediente ") + Expediente->Text(), true);
    // The agenda form took the list's filter for its own while it was open.
    Dat->TAgen2->OnFilterRecord = TFilterRecordEvent(this, &TExpediente::FiltraRecord);
    RangoExpediente();
    cbSitProcClick(this);
}
void TExpediente::btEscritosClick(TObject*) {
    if (records::ListaDeEscritos) records::ListaDeEscritos(1);
}

void TExpediente::Image4DblClick(TObject*) {
    if (!Image4->Enabled()) return;
    btRefreshClick(this);
    CambiaMonedaExpediente(QLatin1Char('E'));
    Refresca();
}

void TExpediente::Image5DblClick(TObject*) {
    if (!Image5->Enabled()) return;
    btRefreshClick(this);
    CambiaMonedaExpediente(QLatin1Char('P'));
    Refresca();
}

void TExpediente::cbSitProcClick(TObject*) {
    Dat->refresca(Dat->TAgen2);
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
    switch (F(Dat->TAgen2, "CODIGO")->AsInteger()) {
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
