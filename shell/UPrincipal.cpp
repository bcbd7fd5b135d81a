#include "shell/UPrincipal.h"

#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Alcance.h"
#include "comun/Controles.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/UNuevaLinea.h"
#include "controls/visual/AppEvent.h"
#include "controls/visual/HelpRouter.h"
#include "documents/UFusion.h"
#include "platform/db/Espera.h"
#include "platform/forms/Keyboard.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"
#include "shell/Acceso.h"
#include "shell/UFin.h"

#include <QApplication>
#include <memory>

QString CarpetaDatosBarra;

namespace {

constexpr int AltoBarra = 31;

const platform::db::TTableDesc& Descripcion(const QString& tabla) {
    static const auto tablas = comun::TablasDelDespacho();
    for (const auto& d : tablas)
        if (d.Name.compare(tabla, Qt::CaseInsensitive) == 0) return d;
    throw EDatabaseError(QStringLiteral("Tabla desconocida: ") + tabla);
}

struct TColumna {
    const char* Campo;
    const char* Titulo;
    int Ancho;
    bool Visible;
};

// The persistent fields of a browser, named dataset + field ("TExpedAUTOS"): the grid's columns
// first in their order, then every other column of the table, never shown.
void CreaCampos(TComponent* owner, TTable* tabla, const QString& nombreTabla, std::initializer_list<TColumna> columnas,
                const std::function<void(TField*)>& lookup) {
    const auto& d = Descripcion(nombreTabla);
    QStringList hechos;
    auto crea = [&](const QString& nombre, platform::db::TColumnType tipo, int tam) {
        TField* f = platform::db::NewField(owner, tipo);
        f->SetFieldName(nombre);
        f->SetName(tabla->Name() + nombre);
        if (tipo == platform::db::TColumnType::Text) f->SetSize(tam);
        return f;
    };
    for (const TColumna& c : columnas) {
        const QString nombre = QString::fromLatin1(c.Campo);
        const int col = d.ColumnIndex(nombre);
        TField* f;
        if (col >= 0) {
            f = crea(nombre, d.Columns[size_t(col)].Type, d.Columns[size_t(col)].Size);
        } else {
            f = new TStringField(owner);
            f->SetFieldName(nombre);
            f->SetName(tabla->Name() + nombre);
            f->SetSize(52);
            f->SetFieldKind(fkLookup);
            lookup(f);
        }
        f->SetDisplayLabel(QString::fromUtf8(c.Titulo));
        f->SetDisplayWidth(c.Ancho);
        f->SetVisible(c.Visible);
        f->SetDataSet(tabla);
        hechos << nombre.toUpper();
    }
    for (const auto& c : d.Columns) {
        if (hechos.contains(c.Name.toUpper())) continue;
        TField* f = crea(c.Name, c.Type, c.Size);
        f->SetVisible(false);
        f->SetDataSet(tabla);
    }
}

void LookupDe(TField* f, TDataSet* origen, const char* clave, const char* resultado, const char* campoClave) {
    f->SetLookupDataSet(origen);
    f->SetLookupKeyFields(QString::fromLatin1(clave));
    f->SetLookupResultField(QString::fromLatin1(resultado));
    f->SetKeyFields(QString::fromLatin1(campoClave));
}

// The three state icons: open (green), invoiced (blue), closed (grey) folders, 16 x 14.
TBitmap* IconoEstado(TImage* img, TColor color) {
    TBitmap* b = img->Picture()->Bitmap();
    b->SetSize(16, 14);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(Rect(0, 0, 16, 14));
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(color);
    c->Rectangle(1, 3, 15, 13);
    c->Rectangle(1, 1, 7, 4);
    return b;
}

// The glyph of the bar item `nombre`.
void PintaItem(TCanvas* c, const QString& nombre) {
    c->Pen()->SetColor(clBlack);
    if (nombre == u"btImprimir") {
        comun::PintaImpresora(c);
    } else if (nombre == u"btAbrir") {
        c->Brush()->SetColor(clYellow);
        c->Rectangle(1, 4, 15, 14);
        c->Rectangle(1, 2, 7, 5);
    } else if (nombre == u"btNuevo") {
        c->Brush()->SetColor(clWhite);
        c->Rectangle(3, 1, 13, 15);
        c->Pen()->SetColor(clGreen);
        c->Brush()->SetColor(clGreen);
        c->FillRect(Rect(7, 4, 9, 12));
        c->FillRect(Rect(4, 7, 12, 9));
    } else if (nombre == u"btBorrar") {
        c->Pen()->SetColor(clMaroon);
        c->Pen()->SetWidth(2);
        c->MoveTo(3, 3);
        c->LineTo(13, 13);
        c->MoveTo(13, 3);
        c->LineTo(3, 13);
    } else if (nombre == u"btRefrescar") {
        c->Pen()->SetColor(clGreen);
        c->Pen()->SetWidth(2);
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(3, 3, 13, 13);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clGreen);
        c->Polygon({{10, 1}, {14, 5}, {9, 6}});
    } else if (nombre == u"btEscritos") {
        c->Brush()->SetColor(clWhite);
        c->Rectangle(3, 1, 13, 15);
        for (int y = 4; y < 13; y += 3) {
            c->MoveTo(5, y);
            c->LineTo(11, y);
        }
    } else if (nombre == u"btAgenda") {
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 2, 15, 15);
        c->Brush()->SetColor(clRed);
        c->FillRect(Rect(2, 3, 14, 6));
    } else if (nombre == u"btFiltros") {
        c->Brush()->SetColor(clNavy);
        c->Polygon({{1, 2}, {15, 2}, {9, 8}, {9, 14}, {7, 14}, {7, 8}});
    } else if (nombre == u"ZbCfg") {
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 2, 15, 14);
        c->MoveTo(6, 2);
        c->LineTo(6, 14);
        c->MoveTo(10, 2);
        c->LineTo(10, 14);
    } else if (nombre == u"SpeedItem1") {
        c->Brush()->SetColor(clTeal);
        c->Rectangle(2, 1, 14, 15);
        c->Brush()->SetColor(clWhite);
        c->Ellipse(5, 3, 11, 9);
    } else if (nombre == u"btHelp") {
        c->Font()->SetColor(clBlue);
        c->Font()->SetStyle({fsBold});
        c->Font()->SetHeight(-14);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(4, 0, QStringLiteral("?"));
    }
}

// The SQL line that gives a person's name.
const QString LineaNombre = QStringLiteral("APELLIDOS || ',' || NOMBRE as NOMBRE ");

}  // namespace

TPrincipio::TPrincipio(TComponent* owner) : TForm(owner) {
    BeginLoading();
    SetName(QStringLiteral("Principio"));
    SetKeyPreview(true);
    SetPosition(poScreenCenter);
    SetCaption(QStringLiteral("Zembra"));
    SetClientWidth(780);
    SetClientHeight(500);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    CreaDatos();
    CreaMenus();
    CreaBarra();
    CreaPaginas();

    LineaEstado = new TStatusBar(this);
    LineaEstado->SetName(QStringLiteral("LineaEstado"));
    LineaEstado->SetParent(this);
    LineaEstado->SetAlign(alBottom);
    LineaEstado->SetHeight(20);
    for (int ancho : {250, 160, 35, 35, 60, 50}) LineaEstado->Panels()->Add()->SetWidth(ancho);
    LineaEstado->Panels()->Items(1)->SetAlignment(taCenter);
    for (int i : {2, 3}) LineaEstado->Panels()->Items(i)->SetText(QStringLiteral("   "));

    Timer2 = new TTimer(this);
    Timer2->SetName(QStringLiteral("Timer2"));
    Timer2->SetInterval(1000);
    Timer2->SetEnabled(false);
    Timer2->SetRunsDuringServerWait(true);  // the clock, which shows the desk is alive
    Timer2->OnTimer = TNotifyEvent(this, &TPrincipio::Timer2Timer);

    // Every help request of the program (F1, the help buttons, "Ayuda ..") goes through it to the
    // help window; without it they all do nothing.
    HTMLhelpRouter1 = new THTMLhelpRouter(this);
    HTMLhelpRouter1->SetName(QStringLiteral("HTMLhelpRouter1"));
    AppEvents1 = new TAppEvents(this);
    AppEvents1->SetName(QStringLiteral("AppEvents1"));
    AppEvents1->OnIdle = TIdleEvent(this, &TPrincipio::AppIdle);

    FormStorage1 = new TFormStorage(this);
    FormStorage1->SetName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("Zembra.ini"));
    FormStorage1->MinMaxInfo()->SetMinTrackWidth(680);
    FormStorage1->MinMaxInfo()->SetMinTrackHeight(77);
    for (const char* f : {"AUTOS", "FECHAAPERTURA", "NOMABOCON", "NOMCLI", "NOMCON", "NOMPERITO", "NOMPROCLI",
                          "NOMPROCON", "NUMERO", "PROCEDIMIENTO", "TRIBUNAL"})
        for (const char* p : {"DisplayWidth", "Visible"})
            FormStorage1->StoredProps()->Add(QStringLiteral("TExped%1.%2").arg(QLatin1String(f), QLatin1String(p)));
    for (const char* f : {"ABOCLI", "ABOENT", "ANO", "CLIENTE", "FACTURA", "FECHACOBRO", "FECHAENTRADA", "FECHAFACTURA",
                          "HORAS", "IMPIRPF", "IMPIVA", "IMPORTE", "IPRF", "IVA", "NomAboCli", "NomAboEnt", "NOMCLIENTE",
                          "NUMERO", "TIPO", "TOTAL"})
        for (const char* p : {"DisplayWidth", "Visible"})
            FormStorage1->StoredProps()->Add(QStringLiteral("TConsul%1.%2").arg(QLatin1String(f), QLatin1String(p)));

    OnShow = TNotifyEvent(this, &TPrincipio::FormShow);
    OnPaint = TNotifyEvent(this, &TPrincipio::FormPaint);
    OnResize = TNotifyEvent(this, &TPrincipio::FormResize);
    OnKeyDown = TKeyEvent(this, &TPrincipio::FormKeyDown);
    OnCloseQuery = TCloseQueryEvent(this, &TPrincipio::FormCloseQuery);
    OnClose = TCloseEvent(this, &TPrincipio::FormClose);
    OnCreate = TNotifyEvent(this, &TPrincipio::FormCreate);
    EndLoading();
    DoCreate();
}

TPrincipio::~TPrincipio() {
    comun::LineaEstado = nullptr;
    if (Application->OnHint.Data() == this) Application->OnHint = nullptr;
    if (Principio == this) Principio = nullptr;
}

void TPrincipio::CreaDatos() {
    auto tabla = [this](TTable*& t, const char* nombre, const char* fichero) {
        t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(QStringLiteral("ZEMBRA"));
        t->SetTableName(QString::fromLatin1(fichero));
        t->SetReadOnly(true);
    };
    tabla(TExped, "TExped", "Exped.DB");
    CreaCampos(this, TExped, QStringLiteral("EXPED"),
               {{"SITUACION", "Sit.", 2, true},
                {"NUMERO", "Número", 7, true},
                {"FECHAAPERTURA", "Apertura", 8, true},
                {"NOMCLI", "Cliente", 25, true},
                {"NOMCON", "Contrario", 25, true},
                {"NOMABOCON", "Abogado Contrario", 25, false},
                {"NOMPROCLI", "Procurador Cliente", 25, false},
                {"NOMPROCON", "Procurador Contrario", 25, false},
                {"NOMPERITO", "Perito", 25, false},
                {"PROCEDIMIENTO", "Procedimiento", 25, true},
                {"TRIBUNAL", "Tribunal", 25, true},
                {"AUTOS", "Nº Autos", 8, true}},
               [](TField* f) {
                   const QString n = f->FieldName();
                   if (n == u"NOMCLI") LookupDe(f, Dat->TClientes, "CLIENTE", "NOMCLI", "CLIENTE");
                   else if (n == u"NOMCON") LookupDe(f, Dat->TContrarios, "CONTRARIO", "NOMCON", "CONTRARIO");
                   else if (n == u"NOMABOCON") LookupDe(f, Dat->TAbogados, "ABOGADO", "NOMABO", "ABOCON");
                   else if (n == u"NOMPROCLI") LookupDe(f, Dat->TProcu, "PROCU", "NOMPROCU", "PROCLI");
                   else if (n == u"NOMPROCON") LookupDe(f, Dat->TProcu, "PROCU", "NOMPROCU", "PROCON");
                   else if (n == u"NOMPERITO") LookupDe(f, Dat->TPeritos, "PERITO", "NOMPERITO", "PERITO");
               });
    TExped->FieldByName(QStringLiteral("FECHAAPERTURA"))->SetDisplayFormat(QStringLiteral("dd.mm.yy"));
    TExped->SetFiltered(true);

    tabla(TConsul, "TConsul", "Consultas.DB");
    CreaCampos(this, TConsul, QStringLiteral("CONSULTAS"),
               {{"SITUACION", "Sit.", 2, true},
                {"NUMERO", "Número", 7, true},
                {"NOMCLIENTE", "Cliente", 25, true},
                {"NomAboEnt", "Abogado Entrada", 25, true},
                {"TIPO", "Tipo", 30, true},
                {"FECHAENTRADA", "F. Entrada", 9, true},
                {"FECHACOBRO", "F. de Cobro", 9, true},
                {"FECHAFACTURA", "F. de Factura", 9, false},
                {"IMPORTE", "Importe", 8, true},
                {"NomAboCli", "NomAboCli", 25, false}},
               [](TField* f) {
                   if (f->FieldName() == u"NomAboEnt") LookupDe(f, Dat->TAboCli, "ABOCLI", "NOMABOCLI", "ABOENT");
                   else LookupDe(f, Dat->TAboCli, "ABOCLI", "NOMABOCLI", "ABOCLI");
               });
    for (const char* f : {"FECHAENTRADA", "FECHACOBRO", "FECHAFACTURA"})
        TConsul->FieldByName(QString::fromLatin1(f))->SetDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    TConsul->SetFiltered(true);

    tabla(TExpCli, "TExpCli", "Expcli.DB");
    tabla(TExpCon, "TExpCon", "Expcon.db");

    QAbo = new TQuery(this);
    QAbo->SetName(QStringLiteral("QAbo"));
    QAbo->SetDatabaseName(QStringLiteral("ZEMBRA"));
    QAbo->SQL()->Add(QStringLiteral("SELECT ABOCLI, APELLIDOS || ', ' || NOMBRE AS NOMABO FROM ABOCLI ORDER BY NOMABO"));
    {
        TField* f = new TIntegerField(this);
        f->SetFieldName(QStringLiteral("ABOCLI"));
        f->SetName(QStringLiteral("QAboABOCLI"));
        f->SetDataSet(QAbo);
        f = new TStringField(this);
        f->SetFieldName(QStringLiteral("NOMABO"));
        f->SetName(QStringLiteral("QAboNOMABO"));
        f->SetSize(52);
        f->SetDataSet(QAbo);
    }

    auto fuente = [this](TDataSource*& ds, const char* nombre, TDataSet* datos) {
        ds = new TDataSource(this);
        ds->SetName(QString::fromLatin1(nombre));
        ds->SetDataSet(datos);
    };
    fuente(DSPrin, "DSPrin", TExped);
    fuente(DSQConsultas, "DSQConsultas", TConsul);
    fuente(DSAbo, "DSAbo", QAbo);
    DSPrin->OnDataChange = TDataChangeEvent(this, &TPrincipio::DSPrinDataChange);
    DSAbo->OnDataChange = TDataChangeEvent(this, &TPrincipio::DSAboDataChange);
}

TMenuItem* TPrincipio::Item(TComponent* menu, const QString& nombre, const QString& caption,
                            void (TPrincipio::*click)(TObject*)) {
    auto* i = new TMenuItem(this);
    if (!nombre.isEmpty()) i->SetName(nombre);
    i->SetCaption(caption);
    if (click) i->OnClick = TNotifyEvent([this, click](TObject* s) { Ordena(click, s); });
    if (auto* m = dynamic_cast<TMenu*>(menu)) m->Items()->Add(i);
    else if (auto* p = dynamic_cast<TMenuItem*>(menu)) p->Add(i);
    return i;
}

void TPrincipio::CreaMenus() {
    using T = TPrincipio;
    const QString n;
    CreaMenuPrincipal();

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    Item(PopupMenu1, n, QStringLiteral("&Nuevo"), &T::Nuevo1Click);
    Item(PopupMenu1, n, QStringLiteral("&Abrir"), &T::Abrir2Click);
    Item(PopupMenu1, n, QStringLiteral("&Borrar"), &T::Borrar1Click);
    TMenuItem* consultar = Item(PopupMenu1, n, QStringLiteral("&Consultar .."), nullptr);
    Item(consultar, QStringLiteral("Cliente1"), QStringLiteral("Cliente"), &T::Cliente1Click);
    Item(consultar, QStringLiteral("AbogadoCliente1"), QStringLiteral("Abogado Cliente"), &T::AbogadoCliente1Click);
    Item(consultar, QStringLiteral("ProcuradorCliente1"), QStringLiteral("Procurador Cliente"), &T::ProcuradorCliente1Click);
    Item(consultar, QStringLiteral("Contrario1"), QStringLiteral("Contrario"), &T::Contrario1Click);
    Item(consultar, QStringLiteral("AbogadoContrario1"), QStringLiteral("Abogado Contrario"), &T::AbogadoContrario1Click);
    Item(consultar, QStringLiteral("ProcuradorContrario1"), QStringLiteral("Procurador Contrario"),
         &T::ProcuradorContrario1Click);
    Item(consultar, QStringLiteral("Perito1"), QStringLiteral("Perito"), &T::Perito1Click);
    Item(consultar, n, QStringLiteral("-"), nullptr);
    Item(consultar, QStringLiteral("Asunto1"), QStringLiteral("Asunto"), &T::Asunto1Click);
    Agenda1 = Item(consultar, QStringLiteral("Agenda1"), QStringLiteral("Agenda"), &T::Agenda1Click);
    Economico1 = Item(consultar, QStringLiteral("Economico1"), QStringLiteral("Economico"), &T::Economico1Click);
    TMenuItem* buscar = Item(PopupMenu1, n, QStringLiteral("B&uscar por .."), nullptr);
    Item(buscar, QStringLiteral("Cliente2"), QStringLiteral("Cliente"), &T::Cliente2Click);
    Item(buscar, QStringLiteral("AbogadoCliente2"), QStringLiteral("Procurador Cliente"), &T::AbogadoCliente2Click);
    Item(buscar, QStringLiteral("Contrario2"), QStringLiteral("Contrario"), &T::Contrario2Click);
    Item(buscar, QStringLiteral("AbogadoContrario2"), QStringLiteral("Abogado Contrario"), &T::AbogadoContrario2Click);
    Item(buscar, QStringLiteral("ProcuradorContrario2"), QStringLiteral("Procurador Contrario"), &T::ProcuradorContrario2Click);
    Item(buscar, QStringLiteral("Perito2"), QStringLiteral("Perito"), &T::Perito2Click);
    TMenuItem* situacion = Item(buscar, n, QStringLiteral("Situación"), nullptr);
    Item(situacion, QStringLiteral("Abiertos1"), QStringLiteral("Abiertos"), &T::Abiertos1Click);
    Item(situacion, QStringLiteral("Facturados1"), QStringLiteral("Facturados"), &T::Facturados1Click);
    Item(situacion, QStringLiteral("Cerrados1"), QStringLiteral("Cerrados"), &T::Cerrados1Click);
    Item(buscar, QStringLiteral("Procedimiento1"), QStringLiteral("Procedimiento"), &T::Procedimiento1Click);
    Item(buscar, QStringLiteral("Tribunal1"), QStringLiteral("Tribunal"), &T::Tribunal1Click);
    Item(buscar, QStringLiteral("NdeAutos1"), QStringLiteral("Nº de Autos"), &T::NdeAutos1Click);

    PopupBuscar = new TPopupMenu(this);
    PopupBuscar->SetName(QStringLiteral("PopupBuscar"));
    Item(PopupBuscar, n, QStringLiteral("&Nuevo"), &T::Nuevo2Click);
    Item(PopupBuscar, n, QStringLiteral("&Abrir"), &T::Abrir3Click);
    Item(PopupBuscar, n, QStringLiteral("&Borrar"), &T::Borrar2Click);
    TMenuItem* buscarC = Item(PopupBuscar, n, QStringLiteral("B&uscar por .."), nullptr);
    Item(buscarC, QStringLiteral("PorCliente2"), QStringLiteral("Por Cliente"), &T::PorCliente2Click);
    Item(buscarC, QStringLiteral("PorProcurador1"), QStringLiteral("Por Abogado Entrada"), &T::PorProcurador1Click);
    Item(buscarC, QStringLiteral("PorTipoDespacho1"), QStringLiteral("Por Tipo Consulta"), &T::PorTipoDespacho1Click);
    TMenuItem* situacionC = Item(buscarC, n, QStringLiteral("Por Situacion"), nullptr);
    Item(situacionC, QStringLiteral("Presentado1"), QStringLiteral("Abierta"), &T::Presentado1Click);
    Item(situacionC, QStringLiteral("Devuelto1"), QStringLiteral("Facturada"), &T::Devuelto1Click);
    Item(situacionC, QStringLiteral("Cobrado1"), QStringLiteral("Cobrada"), &T::Cobrado1Click);

    PopupFiltros = new TPopupMenu(this);
    PopupFiltros->SetName(QStringLiteral("PopupFiltros"));
    Item(PopupFiltros, QStringLiteral("QuitarExp"), QStringLiteral("Quitar éste"), &T::QuitarExpClick);
    Item(PopupFiltros, QStringLiteral("QuitarFiltros1"), QStringLiteral("Quitar todos"), &T::QuitarFiltros1Click);
    PopupFiltrosDes = new TPopupMenu(this);
    PopupFiltrosDes->SetName(QStringLiteral("PopupFiltrosDes"));
    Item(PopupFiltrosDes, QStringLiteral("QuitarDes"), QStringLiteral("Quitar éste"), &T::QuitarDesClick);
    Item(PopupFiltrosDes, QStringLiteral("QuitarFiltros2"), QStringLiteral("Quitar todos"), &T::QuitarFiltros1Click);

    ZbCfgExp = new TPopupMenu(this);
    ZbCfgExp->SetName(QStringLiteral("ZbCfgExp"));
    ZbCfgExp->OnPopup = TNotifyEvent(this, &T::ZbCfgExpPopup);
    auto columna = [this](TPopupMenu* menu, const char* nombre, const char* caption, TDataSet* ds, const char* campo) {
        TMenuItem* i = Item(menu, QString::fromLatin1(nombre), QString::fromUtf8(caption), nullptr);
        i->OnClick = TNotifyEvent([this, ds, campo, i](TObject*) { CambiaColumna(ds, campo, i); });
        return i;
    };
    mNumero = columna(ZbCfgExp, "mNumero", "Número", TExped, "NUMERO");
    mFechadeApertura = columna(ZbCfgExp, "mFechadeApertura", "Fecha de Apertura", TExped, "FECHAAPERTURA");
    mCliente = columna(ZbCfgExp, "mCliente", "Cliente", TExped, "NOMCLI");
    mContrario = columna(ZbCfgExp, "mContrario", "Contrario", TExped, "NOMCON");
    mProcedimiento = columna(ZbCfgExp, "mProcedimiento", "Procedimiento", TExped, "PROCEDIMIENTO");
    mAutos = columna(ZbCfgExp, "mAutos", "Nº de Autos", TExped, "AUTOS");
    mTribunal = columna(ZbCfgExp, "mTribunal", "Tribunal", TExped, "TRIBUNAL");
    mAboCon = columna(ZbCfgExp, "mAboCon", "Abogado Contrario", TExped, "NOMABOCON");
    mProCli = columna(ZbCfgExp, "mProCli", "Procurador Cliente", TExped, "NOMPROCLI");
    mProCon = columna(ZbCfgExp, "mProCon", "Procurador Contrario", TExped, "NOMPROCON");
    mPerito = columna(ZbCfgExp, "mPerito", "Perito", TExped, "NOMPERITO");
    Item(ZbCfgExp, n, QStringLiteral("-"), nullptr);
    ValoresporDefecto1 = Item(ZbCfgExp, QStringLiteral("ValoresporDefecto1"), QStringLiteral("Valores por Defecto"),
                              &T::ValoresporDefecto1Click);

    ZbCfgCon = new TPopupMenu(this);
    ZbCfgCon->SetName(QStringLiteral("ZbCfgCon"));
    ZbCfgCon->OnPopup = TNotifyEvent(this, &T::ZbCfgConPopup);
    mNumeroC = columna(ZbCfgCon, "mNumeroC", "Número", TConsul, "NUMERO");
    mClienteC = columna(ZbCfgCon, "mClienteC", "Cliente", TConsul, "NOMCLIENTE");
    mAboEntC = columna(ZbCfgCon, "mAboEntC", "Abogado Entrada", TConsul, "NomAboEnt");
    mTipoC = columna(ZbCfgCon, "mTipoC", "Tipo", TConsul, "TIPO");
    mFEntradaC = columna(ZbCfgCon, "mFEntradaC", "Fecha de Entrada", TConsul, "FECHAENTRADA");
    mFCobroC = columna(ZbCfgCon, "mFCobroC", "Fecha de Cobro", TConsul, "FECHACOBRO");
    mFFacturaC = columna(ZbCfgCon, "mFFacturaC", "Fecha de Factura", TConsul, "FECHAFACTURA");
    mImporteC = columna(ZbCfgCon, "mImporteC", "Importe", TConsul, "IMPORTE");
    Item(ZbCfgCon, n, QStringLiteral("-"), nullptr);
    MenuItem15 = Item(ZbCfgCon, QStringLiteral("MenuItem15"), QStringLiteral("Valores por Defecto"), &T::MenuItem15Click);
}

void TPrincipio::CreaBarra() {
    SpeedBar1 = comun::BarraDeBotones(this, AltoBarra);
    int x = 4;
    const int w = SpeedBar1->BtnWidth();
    auto item = [&](TSpeedItem*& it, const char* nombre, const char* hint, void (TPrincipio::*click)(TObject*), int hueco = 0) {
        const QString n = QString::fromLatin1(nombre);
        x += hueco;
        it = comun::ItemDeBarra(SpeedBar1, n, QString::fromUtf8(hint), x, comun::Glifo([&](TCanvas* c) { PintaItem(c, n); }).get());
        x += w;
        if (click) it->OnClick() = TNotifyEvent([this, click](TObject* s) { Ordena(click, s); });
        it->SetVisible(true);
    };
    using T = TPrincipio;
    item(btImprimir, "btImprimir", "Imprime|Imprime la selección actual", &T::btImprimirClick);
    item(btAbrir, "btAbrir", "Abrir", &T::btAbrirClick, 8);
    item(btNuevo, "btNuevo", "Nuevo", &T::btNuevoClick);
    item(btBorrar, "btBorrar", "Borrar|", &T::btBorrarClick);
    item(btRefrescar, "btRefrescar", "Refrescar", &T::btRefrescarClick);
    item(btEscritos, "btEscritos", "Modelos de Escritos", &T::btEscritosClick, 8);
    item(btAgenda, "btAgenda", "Agenda Diaria", &T::btAgendaClick);
    item(btFiltros, "btFiltros", "Quita Filtros", &T::QuitarFiltros1Click, 8);
    item(ZbCfg, "ZbCfg", "Configurar", nullptr);
    ZbCfg->SetDropDownMenu(ZbCfgExp);
    item(SpeedItem1, "SpeedItem1", "Buscador", &T::SpeedItem1Click, 8);
    item(btHelp, "btHelp", "Ayuda", &T::btHelpClick);

    Image1 = new TImage(this);
    Image2 = new TImage(this);
    Image3 = new TImage(this);
    int k = 1;
    for (TImage* img : {Image1, Image2, Image3}) {
        img->SetName(QStringLiteral("Image%1").arg(k++));
        img->SetParent(SpeedBar1);
        img->SetBounds(0, 0, 16, 14);
        img->SetVisible(false);
    }
    IconoEstado(Image1, clLime);
    IconoEstado(Image2, clAqua);
    IconoEstado(Image3, clGray);

    cbAnio = new TCheckBox(this);
    cbAnio->SetName(QStringLiteral("cbAnio"));
    cbAnio->SetParent(SpeedBar1);
    cbAnio->SetCaption(QString());
    cbAnio->SetChecked(true);
    cbAnio->SetBounds(0, 7, 16, 17);
    cbAnio->OnClick = TNotifyEvent(this, &T::cbAnioClick);
    Label2 = new TLabel(this);
    Label2->SetName(QStringLiteral("Label2"));
    Label2->SetParent(SpeedBar1);
    Label2->SetCaption(QStringLiteral("Año :"));
    Label2->SetBounds(0, 9, 30, 14);
    Label2->OnClick = TNotifyEvent(this, &T::cbAnioClick);
    AnoActual = new TComboBox(this);
    AnoActual->SetName(QStringLiteral("AnoActual"));
    AnoActual->SetParent(SpeedBar1);
    AnoActual->SetStyle(csDropDownList);
    AnoActual->SetHint(QStringLiteral("Año Expedientes"));
    AnoActual->SetBounds(0, 4, 64, 22);
    AnoActual->OnChange = TNotifyEvent(this, &T::AnoActualChange);
    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(SpeedBar1);
    Label1->SetCaption(QStringLiteral("Abogado :"));
    Label1->SetBounds(0, 9, 56, 14);
    ZbAbogados = new TZbDBLookupCombo(this);
    ZbAbogados->SetName(QStringLiteral("ZbAbogados"));
    ZbAbogados->SetParent(SpeedBar1);
    ZbAbogados->SetLookupSource(DSAbo);
    ZbAbogados->SetLookupField(QStringLiteral("ABOCLI"));
    ZbAbogados->SetLookupDisplay(QStringLiteral("NOMABO"));
    ZbAbogados->SetDisplayEmpty(QStringLiteral("TODOS"));
    ZbAbogados->SetBounds(0, 4, 200, 22);
    ZbAbogados->OnChange = TNotifyEvent(this, &T::ZbAbogadosChange);
    ZbUnAbo = new TZbLookupEdit(this);
    ZbUnAbo->SetName(QStringLiteral("ZbUnAbo"));
    ZbUnAbo->SetParent(SpeedBar1);
    ZbUnAbo->SetLookupSource(DSAbo);
    ZbUnAbo->SetLookupField(QStringLiteral("ABOCLI"));
    ZbUnAbo->SetLookupDisplay(QStringLiteral("NOMABO"));
    ZbUnAbo->SetReadOnly(true);
    ZbUnAbo->SetDirectInput(false);
    ZbUnAbo->SetBounds(0, 4, 200, 22);
    ZbUnAbo->SetVisible(false);
}

TTabSheet* TPrincipio::NuevaPagina(const QString& nombre, const QString& titulo) {
    auto* p = new TTabSheet(this);
    p->SetName(nombre);
    p->SetPageControl(Paginas);
    p->SetCaption(titulo);
    return p;
}

void TPrincipio::CreaPaginas() {
    Paginas = new TPageControl(this);
    Paginas->SetName(QStringLiteral("Paginas"));
    Paginas->SetParent(this);
    Paginas->SetAlign(alClient);
    pgExped = NuevaPagina(QStringLiteral("pgExped"), QStringLiteral("Expedientes"));
    pgConsultas = NuevaPagina(QStringLiteral("pgConsultas"), QStringLiteral("Consultas"));
    Paginas->OnChange = TNotifyEvent(this, &TPrincipio::PaginasChange);

    auto filtros = [this](TTabSheet* pagina, TPanel*& panel, TLabel*& etiqueta, TStringGrid*& rejilla, const char* nPanel,
                          const char* nRejilla, int ancho1, TPopupMenu* popup) {
        panel = new TPanel(this);
        panel->SetName(QString::fromLatin1(nPanel));
        panel->SetParent(pagina);
        panel->SetAlign(alTop);
        panel->SetCaption(QString());
        panel->SetHeight(27);
        panel->SetVisible(false);
        etiqueta = new TLabel(this);
        etiqueta->SetParent(panel);
        etiqueta->SetCaption(QStringLiteral("Activado filtro por :"));
        etiqueta->SetBounds(6, 5, 130, 14);
        etiqueta->Font()->SetStyle({fsBold});
        rejilla = new TStringGrid(this);
        rejilla->SetName(QString::fromLatin1(nRejilla));
        rejilla->SetParent(panel);
        rejilla->SetColCount(2);
        rejilla->SetRowCount(TFilasFiltro::Filas);
        rejilla->SetFixedCols(0);
        rejilla->SetFixedRows(0);
        rejilla->SetDefaultRowHeight(15);
        rejilla->SetColWidths(0, 172);
        rejilla->SetColWidths(1, ancho1);
        rejilla->SetScrollBars(ssNone);
        rejilla->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRowSelect);
        rejilla->SetBounds(140, 3, 172 + ancho1 + 3, 19);
        rejilla->SetPopupMenu(popup);
    };
    filtros(pgExped, pFilExp, LFilExp, FiltrosExp, "pFilExp", "FiltrosExp", 464, PopupFiltros);
    filtros(pgConsultas, pFilCon, LFilCon, FiltrosDes, "pFilCon", "FiltrosDes", 465, PopupFiltrosDes);

    auto rejilla = [this](TTabSheet* pagina, TDBGrid*& g, const char* nombre, TDataSource* ds, TPopupMenu* popup) {
        g = new TDBGrid(this);
        g->SetName(QString::fromLatin1(nombre));
        g->SetParent(pagina);
        g->SetAlign(alClient);
        g->SetDataSource(ds);
        g->SetReadOnly(true);
        g->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgAlwaysShowSelection);
        g->SetPopupMenu(popup);
    };
    rejilla(pgExped, DBPrincipal, "DBPrincipal", DSPrin, PopupMenu1);
    rejilla(pgConsultas, DBConsultas, "DBConsultas", DSQConsultas, PopupBuscar);
    DBPrincipal->OnDrawColumnCell = TDrawColumnCellEvent(this, &TPrincipio::DBGrid1DrawColumnCell);
    DBConsultas->OnDrawColumnCell = TDrawColumnCellEvent(this, &TPrincipio::DBConsultasDrawColumnCell);
    DBPrincipal->OnKeyDown = TKeyEvent(this, &TPrincipio::DBGrid1KeyDown);
    DBConsultas->OnKeyDown = TKeyEvent(this, &TPrincipio::DBConsultasKeyDown);
    DBPrincipal->OnDblClick = TNotifyEvent(this, &TPrincipio::btAbrirClick);
    DBConsultas->OnDblClick = TNotifyEvent(this, &TPrincipio::DBConsultasDblClick);
}

// ---------------------------------------------------------------------------------------------- life

void TPrincipio::FormCreate(TObject*) {
    Application->OnHint = TNotifyEvent(this, &TPrincipio::MuestraAyuda);
    comun::LineaEstado = TEvent<const QString&>([this](const QString& texto) {
        LineaEstado->Panels()->Items(0)->SetText(texto);
        LineaEstado->Repaint();
    });
    shell::AltaSupervisor();
    LlenaAnos();
    CarpetaDatosBarra = CarpetaDatos + QLatin1Char('/');
    CompruebaWord();
    Paginas->SetActivePage(pgExped);
}

void TPrincipio::FormShow(TObject*) {
    TipoEditor = Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->AsString();
    FiltroExp.Reinicia();
    FiltroCon.Reinicia();
    MuestraFilas(FiltrosExp, nullptr, FiltroExp.Filas);
    MuestraFilas(FiltrosDes, nullptr, FiltroCon.Filas);
    btFiltros->SetEnabled(false);
    comun::TomaAnoDelCalendario();
    MuestraAno();
    Dat->TSistem->Refresh();
    SetCaption(QStringLiteral("Zembra - [ ") + Dat->TSistem->FieldByName(QStringLiteral("EMPRESA"))->AsString() +
               QStringLiteral(" ]"));
    AplicaPermisos();
    // The case files' page unless the user may not see it: never a page whose tab is hidden.
    Paginas->SetActivePage(pgExped->TabVisible() || !pgConsultas->TabVisible() ? pgExped : pgConsultas);
    QAbo->Close();
    QAbo->Open();
    EligeSelectorAbogado();
    // The page's commands and filter are set while the browsers are still closed, so opening
    // them is the one read of their first rows.
    PaginasChange(this);
    AplicaFiltro(TConsul, FiltroCon.Sql(Seleccion()));
    for (TTable* t : {TExped, TConsul, TExpCli, TExpCon}) t->Open();
    Timer2->SetEnabled(true);
    FormResize(this);
}

void TPrincipio::LlenaAnos() {
    AnoActual->Items()->Clear();
    for (Dat->TTabcon->First(); !Dat->TTabcon->Eof(); Dat->TTabcon->Next())
        AnoActual->Items()->Add(Dat->TTabcon->FieldByName(QStringLiteral("ANO"))->AsString());
}

void TPrincipio::MuestraAno() {
    FAnoMostrado = comun::AnoDelCalendario;
    AnoActual->SetItemIndex(AnoActual->Items()->IndexOf(AnoSeleccionado));
    Dat->TTabcon->Locate(QStringLiteral("ANO"), AnoSeleccionado, 0);
    LineaEstado->Panels()->Items(5)->SetText(DateToStr(Date()));
}

void TPrincipio::SigueAlCalendario(bool reintentaFila) {
    // Under a modal window a record form works on the data module's cursors, which the lists
    // move: the window follows when it is the one in use again.
    if (QApplication::activeModalWidget()) return;
    comun::SigueAlCalendario(reintentaFila);
    if (FAnoMostrado.isEmpty() || AnoSeleccionado != comun::AnoDelCalendario) return;
    if (FAnoMostrado != comun::AnoDelCalendario) {
        LlenaAnos();
        MuestraAno();
        const TBrowser b = BrowserActivo();
        (this->*b.Refresca)();
    } else if (reintentaFila && AnoActual->ItemIndex() < 0) {
        // The year's row written late (the server away at midnight) joins the year box.
        LlenaAnos();
        AnoActual->SetItemIndex(AnoActual->Items()->IndexOf(AnoSeleccionado));
        Dat->TTabcon->Locate(QStringLiteral("ANO"), AnoSeleccionado, 0);
    }
}

void TPrincipio::EligeSelectorAbogado() {
    const bool uno = QAbo->RecordCount() == 1;
    ZbUnAbo->SetVisible(uno);
    ZbAbogados->SetVisible(!uno);
    if (uno) {
        QAbo->First();
        ZbUnAbo->SetText(QAbo->FieldByName(QStringLiteral("NOMABO"))->AsString());
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), QAbo->FieldByName(QStringLiteral("ABOCLI"))->Value(), 0);
    }
}

void TPrincipio::AplicaPermisos() {
    TDataSet* p = Dat->TPriv;
    auto derecho = [p](const char* d) { return p->FieldByName(QString::fromLatin1(d))->AsBoolean(); };
    Legislacion->SetEnabled(!Dat->TSistem->FieldByName(QStringLiteral("CDROM"))->AsString().isEmpty());
    for (TMenuItem* i : {Despacho1, AbogadosDespacho1, Clientes1, Contrarios1, Abogados1, Procuradores1, Peritos1,
                         ConceptosContables1, AnotacionesAgenda1})
        i->SetEnabled(derecho("General"));
    Accesos1->SetEnabled(derecho("Privacidad"));
    // Emptying the office's data is for those who may manage its users.
    Limpiardatos1->SetEnabled(derecho("Privacidad"));
    btEscritos->SetEnabled(Permite(&TPrincipio::btEscritosClick));
    Escritos->SetEnabled(btEscritos->Enabled());
    Informes1->SetEnabled(derecho("Listados"));
    btImprimir->SetEnabled(derecho("Listados"));
    Expedientes1->SetEnabled(derecho("Expedientes"));
    pgExped->SetTabVisible(derecho("Expedientes"));
    for (TSpeedItem* i : {btAbrir, btNuevo, btBorrar}) i->SetVisible(pgExped->TabVisible());
    Consultas1->SetEnabled(false);
    pgConsultas->SetTabVisible(derecho("Consulta"));
    AgendaDiaria->SetEnabled(derecho("Agenda"));
    btAgenda->SetEnabled(derecho("Agenda"));
    Paginas->SetVisible(pgExped->TabVisible() || pgConsultas->TabVisible());
    LineaEstado->Panels()->Items(1)->SetText(QStringLiteral("Usuario : ") + p->FieldByName(QStringLiteral("Usuario"))->AsString());
    CreaListasFusion();
}

void TPrincipio::FormPaint(TObject*) {
    if (FPrimeraVez) {
        // Cleared first: the notice's own box repaints the window. The box waits until this
        // paint is over: a modal loop inside it leaves the window unpainted behind the box.
        FPrimeraVez = false;
        platform::forms::Later(Widget(), [this] { platform::forms::Guarded(this, [this] { MiraAgenda(); }); });
    }
}

void TPrincipio::MiraAgenda() {
    if (Dat->TAgen->Locate(QStringLiteral("FECHA"), Variant(Date()), 0))
        Application->MessageBox(QStringLiteral("Hay Tareas en la Agenda "), QStringLiteral("¡¡ ATENCION !!"),
                                MB_OK | MB_ICONINFORMATION);
}

void TPrincipio::FormResize(TObject*) {
    const int ancho = SpeedBar1->Width();
    int x = ancho - ZbAbogados->Width() - 5;
    ZbAbogados->SetLeft(x);
    ZbUnAbo->SetLeft(x);
    for (TControl* c : std::initializer_list<TControl*>{Label1, AnoActual, Label2, cbAnio}) {
        x -= c->Width() + 3;
        c->SetLeft(x);
    }
    LineaEstado->Panels()->Items(0)->SetWidth(std::max(0, Width() - 370));
}

void TPrincipio::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (shift != TShiftState{ssCtrl}) return;
    // The key is spent here: the grid, which opens on Enter whatever the shift keys, must not
    // open the same case file a second time.
    if (key == VK_RETURN) btAbrirClick(this);
    else if (key == VK_INSERT) btNuevoClick(this);
    else if (key == VK_DELETE) btBorrarClick(this);
    else return;
    key = 0;
}

void TPrincipio::FormCloseQuery(TObject*, bool& canClose) {
    auto fin = std::make_unique<TFFin>(this);
    canClose = fin->ShowModal() == mrOk;
    if (!canClose) return;
    AplicaPermisos();
    FormStorage1->SetActive(fin->Guardar->Checked());
}

void TPrincipio::FormClose(TObject*, TCloseAction&) {
    TExped->Close();
    TConsul->Close();
    Application->OnHint = nullptr;
    Timer2->SetEnabled(false);
    if (Application->MainForm() == this) Application->Terminate();
}

void TPrincipio::MuestraAyuda(TObject*) { LineaEstado->Panels()->Items(0)->SetText(Application->Hint()); }

void TPrincipio::AppIdle(TObject*, bool&) {
    const platform::forms::TLockKeys teclas = platform::forms::LockKeysState();
    const QString mayus = teclas.CapsLock ? QStringLiteral("MAY") : QStringLiteral("   ");
    const QString num = teclas.NumLock ? QStringLiteral("NUM") : QStringLiteral("   ");
    if (LineaEstado->Panels()->Items(2)->Text() != mayus) LineaEstado->Panels()->Items(2)->SetText(mayus);
    if (LineaEstado->Panels()->Items(3)->Text() != num) LineaEstado->Panels()->Items(3)->SetText(num);
}

void TPrincipio::Timer2Timer(TObject*) {
    LineaEstado->Panels()->Items(4)->SetText(TimeToStr(Time()));
    // The clock ticks during a wait on the server too; the year's counters row is written later.
    if (!platform::db::ServerWaitRunning()) SigueAlCalendario(false);
}

// ---------------------------------------------------------------------------------------------- browsers

TSeleccionPrincipal TPrincipio::Seleccion() const {
    TSeleccionPrincipal s;
    const bool uno = ZbUnAbo->Visible();
    s.PorAbogado = uno || (ZbAbogados->Visible() && ZbAbogados->GetDisplayText() != u"TODOS");
    s.AbogadoElegido = Dat->TAboCli->Active() ? Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger() : 0;
    s.AbogadoUsuario = Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger();
    s.PorAno = cbAnio->Checked();
    s.Ano = AnoSeleccionado;
    return s;
}

// The criteria run in the engine as the table's filter text, so a page of the grid reads only
// the rows it shows; TExpedFilterRecord gives the same answer for one row.
void TPrincipio::AplicaFiltro(TTable* tabla, const QString& sql) {
    if (tabla->Filter() != sql) tabla->SetFilter(sql);
    else if (tabla->Active()) tabla->Refresh();
}

void TPrincipio::TExpedFilterRecord(TDataSet* ds, bool& accept) {
    accept = FiltroExp.Acepta(ds, Seleccion(), TExpCli, TExpCon);
}

void TPrincipio::TConsulFilterRecord(TDataSet* ds, bool& accept) { accept = FiltroCon.Acepta(ds, Seleccion()); }

TPrincipio::TBrowser TPrincipio::Browser(bool consultas) {
    if (consultas)
        return {TConsul, DBConsultas, FiltrosDes, pFilCon, &FiltroCon.Filas, Consultas1, PopupBuscar, ZbCfgCon, "Consulta",
                [this] { return FiltroCon.Sql(Seleccion()); }, [](const QString& e) { FiltroCon.QuitaCriterio(e); },
                [] { FiltroCon.Reinicia(); }, &TPrincipio::RefrescaConsultas};
    return {TExped, DBPrincipal, FiltrosExp, pFilExp, &FiltroExp.Filas, Expedientes1, PopupMenu1, ZbCfgExp, "Expedientes",
            [this] { return FiltroExp.Sql(Seleccion()); }, [](const QString& e) { FiltroExp.QuitaCriterio(e); },
            [] { FiltroExp.Reinicia(); }, &TPrincipio::RefrescaExpedientes};
}

TPrincipio::TBrowser TPrincipio::BrowserActivo() { return Browser(Paginas->ActivePage() == pgConsultas); }

// The filter of a browser run again, and the commands its user's rights allow.
void TPrincipio::Refresca(const TBrowser& b) {
    AplicaFiltro(b.Tabla, b.Sql());
    const bool derecho = Dat->TPriv->FieldByName(QString::fromLatin1(b.Derecho))->AsBoolean();
    for (TSpeedItem* i : {btAbrir, btNuevo, btBorrar}) i->SetEnabled(derecho);
    btAgenda->SetEnabled(AlcanzaAbogado("Agenda"));
    b.Menu->SetEnabled(derecho);
    AgendaDiaria->SetEnabled(btAgenda->Enabled());
    b.Rejilla->SetPopupMenu(b.Menu->Enabled() ? b.Popup : nullptr);
}

void TPrincipio::RefrescaExpedientes() {
    Refresca(Browser(false));
    Agenda1->SetEnabled(btAgenda->Enabled());
    Economico1->SetEnabled(AlcanzaAbogado("Economico"));
}

void TPrincipio::RefrescaConsultas() { Refresca(Browser(true)); }

void TPrincipio::PaginasChange(TObject*) {
    const bool consultas = Paginas->ActivePage() == pgConsultas;
    Expedientes1->SetEnabled(!consultas);
    Consultas1->SetEnabled(consultas);
    const TBrowser b = Browser(consultas);
    b.Panel->SetVisible(b.Filas->Activo());
    btFiltros->SetEnabled(b.Filas->Activo());
    ZbCfg->SetDropDownMenu(b.Columnas);
    if (consultas) {
        const bool euros = Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->AsString() == u"E";
        TConsul->FieldByName(QStringLiteral("IMPORTE"))->SetDisplayFormat(euros ? QStringLiteral("#,##0.00")
                                                                                 : QStringLiteral("#,##0"));
    }
    (this->*b.Refresca)();
}

void TPrincipio::AnoActualChange(TObject*) {
    AnoSeleccionado = AnoActual->Text().left(4);
    RefrescaPagina();
    Dat->TTabcon->Locate(QStringLiteral("ANO"), AnoSeleccionado, 0);
}

// The browser of the page shown is refreshed and its grid takes the focus.
void TPrincipio::RefrescaPagina() {
    const TBrowser b = BrowserActivo();
    (this->*b.Refresca)();
    if (b.Rejilla->CanFocus()) b.Rejilla->SetFocus();
}

void TPrincipio::cbAnioClick(TObject*) {
    AnoActual->SetEnabled(cbAnio->Checked());
    AnoActualChange(this);
}

void TPrincipio::ZbAbogadosChange(TObject*) {
    if (ZbAbogados->GetDisplayText() != u"TODOS")
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), QAbo->FieldByName(QStringLiteral("ABOCLI"))->Value(), 0);
    RefrescaPagina();
}

void TPrincipio::DSAboDataChange(TObject*, TField* field) {
    if (field || !QAbo->Active() || QAbo->IsEmpty()) return;
    Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), QAbo->FieldByName(QStringLiteral("ABOCLI"))->Value(), 0);
}

void TPrincipio::DSPrinDataChange(TObject*, TField* field) {
    if (field || !TExped->Active() || TExped->IsEmpty()) return;
    Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"),
                        VarArrayOf({TExped->FieldByName(QStringLiteral("ANO"))->Value(),
                                    TExped->FieldByName(QStringLiteral("NUMERO"))->Value()}),
                        0);
}

// The firm's lawyers may have changed: the selector is reloaded on the lawyer it showed; true
// when that lawyer is gone and the selector shows them all.
bool TPrincipio::RecargaAbogados() {
    const Variant abogado = QAbo->Active() && !QAbo->IsEmpty() ? QAbo->FieldByName(QStringLiteral("ABOCLI"))->Value() : Variant();
    const bool todos = ZbAbogados->GetDisplayText() == u"TODOS";
    QAbo->Close();
    QAbo->Open();
    EligeSelectorAbogado();
    if (ZbAbogados->Visible() && !todos && !abogado.IsNull()) {
        // A lawyer deleted meanwhile leaves "TODOS": a blank name would filter and create new
        // files for whichever lawyer the list stands on.
        const bool sigue = QAbo->Locate(QStringLiteral("ABOCLI"), abogado, 0);
        ZbAbogados->SetValue(sigue ? abogado.AsString() : QString());
        return !sigue;
    }
    return false;
}

void TPrincipio::btRefrescarClick(TObject*) {
    Dat->RefrescaTablas();
    RecargaAbogados();
    RefrescaEnSuFila();
}

void TPrincipio::RefrescaEnSuFila() {
    const TBrowser b = BrowserActivo();
    TTable* t = b.Tabla;
    const bool vacia = t->IsEmpty();
    const Variant clave = vacia ? Variant() : VarArrayOf({t->FieldByName(QStringLiteral("ANO"))->Value(),
                                                          t->FieldByName(QStringLiteral("NUMERO"))->Value()});
    (this->*b.Refresca)();
    if (!vacia) t->Locate(QStringLiteral("ANO;NUMERO"), clave, 0);
}

void TPrincipio::DibujaEstado(TDBGrid* grid, const TRect& rect, TColumn* column) {
    if (!column->Field() || column->Field()->FieldName() != u"SITUACION") return;
    TImage* img = nullptr;
    switch (column->Field()->AsInteger()) {
    case 1: img = Image1; break;
    case 2: img = Image2; break;
    case 3: img = Image3; break;
    default: return;
    }
    grid->Canvas()->StretchDraw(rect, img->Picture()->Bitmap());
}

void TPrincipio::DBGrid1DrawColumnCell(TObject*, const TRect& rect, int, TColumn* column, TGridDrawState) {
    DibujaEstado(DBPrincipal, rect, column);
}

void TPrincipio::DBConsultasDrawColumnCell(TObject*, const TRect& rect, int, TColumn* column, TGridDrawState) {
    DibujaEstado(DBConsultas, rect, column);
}

void TPrincipio::DBGrid1KeyDown(TObject*, quint16& key, TShiftState) {
    if (key == VK_RETURN) btAbrirClick(this);
}

void TPrincipio::DBConsultasKeyDown(TObject* sender, quint16& key, TShiftState shift) { DBGrid1KeyDown(sender, key, shift); }

void TPrincipio::DBConsultasDblClick(TObject*) { btAbrirClick(this); }

// The toolbar's record commands act on the page shown; keys reach them only when allowed.
void TPrincipio::btAbrirClick(TObject*) {
    if (!btAbrir->Enabled()) return;
    Ordena(Paginas->ActivePage() == pgConsultas ? &TPrincipio::Abrir3Click : &TPrincipio::Abrir2Click, this);
}
void TPrincipio::btNuevoClick(TObject*) {
    if (!btNuevo->Enabled()) return;
    Ordena(Paginas->ActivePage() == pgConsultas ? &TPrincipio::Nuevo2Click : &TPrincipio::Nuevo1Click, this);
}
void TPrincipio::btBorrarClick(TObject*) {
    if (!btBorrar->Enabled()) return;
    Ordena(Paginas->ActivePage() == pgConsultas ? &TPrincipio::Borrar2Click : &TPrincipio::Borrar1Click, this);
}

// ---------------------------------------------------------------------------------------------- filters

void TPrincipio::MuestraFilas(TStringGrid* rejilla, TPanel* panel, const TFilasFiltro& filas) {
    for (int i = 0; i < TFilasFiltro::Filas; ++i) {
        rejilla->SetCells(0, i, filas.Etiqueta(i));
        rejilla->SetCells(1, i, filas.Valor(i));
    }
    if (panel) {
        panel->SetHeight(filas.AltoPanel());
        rejilla->SetHeight(filas.AltoRejilla());
    }
    rejilla->SetRow(0);
}

void TPrincipio::AgregaFiltro(const TBrowser& b, const QString& etiqueta, const QString& valor) {
    btFiltros->SetEnabled(true);
    b.Panel->SetVisible(true);
    if (!b.Filas->Agrega(etiqueta, valor)) MensajeError(QStringLiteral("Demasiados filtros"));
    MuestraFilas(b.Filtros, b.Panel, *b.Filas);
}

void TPrincipio::AgregaFiltroExp(const QString& etiqueta, const QString& valor) { AgregaFiltro(Browser(false), etiqueta, valor); }
void TPrincipio::AgregaFiltroCon(const QString& etiqueta, const QString& valor) { AgregaFiltro(Browser(true), etiqueta, valor); }

bool TPrincipio::Elige(bool arbol, const QString& caption, const QString& titulo, const QStringList& sql, int& codigo,
                       QString& nombre) {
    auto leer = [&](TQuery* q) {
        if (TField* f = q->FindField(QStringLiteral("CODIGO"))) codigo = f->AsInteger();
        if (TField* f = q->FindField(QStringLiteral("NOMBRE"))) nombre = f->AsString();
    };
    if (arbol) {
        auto d = std::make_unique<TBuscar2>(this);
        d->QBusca->Close();
        d->QBusca->SQL()->Clear();
        for (const QString& l : sql) d->QBusca->SQL()->Add(l);
        d->QBusca->Open();
        d->SetCaption(caption);
        d->Inicia(titulo, false, false);
        if (d->ShowModal() != mrOk) return false;
        leer(d->QBusca);
        return true;
    }
    auto d = std::make_unique<TBuscar>(this);
    d->QBusca->Close();
    d->QBusca->SQL()->Clear();
    for (const QString& l : sql) d->QBusca->SQL()->Add(l);
    d->QBusca->Open();
    d->SetCaption(caption);
    d->Inicia(titulo, false, 0);
    if (d->ShowModal() != mrOk) return false;
    leer(d->QBusca);
    return true;
}

void TPrincipio::Criterio(const TBrowser& b, const QString& etiqueta, const QString& valor) {
    AgregaFiltro(b, etiqueta, valor);
    (this->*b.Refresca)();
}

void TPrincipio::CriterioExp(const QString& etiqueta, const QString& valor) { Criterio(Browser(false), etiqueta, valor); }
void TPrincipio::CriterioCon(const QString& etiqueta, const QString& valor) { Criterio(Browser(true), etiqueta, valor); }

void TPrincipio::Cliente2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Cliente"), QStringLiteral("Clientes"),
               {QStringLiteral("SELECT CLIENTE as CODIGO,"), LineaNombre, QStringLiteral("FROM CLIENTES ORDER BY NOMBRE")}, c, n))
        return;
    FiltroExp.FiltroCliente = c;
    CriterioExp(QStringLiteral("CLIENTE"), n);
}

static const QStringList SqlProcuradores = {QStringLiteral("SELECT PARTIDO as CONCEPTO, PROCU as CODIGO, "), LineaNombre,
                                            QStringLiteral("FROM PROCU "), QStringLiteral("ORDER BY CONCEPTO, NOMBRE")};

void TPrincipio::AbogadoCliente2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(true, QStringLiteral("Busca Procurador"), QStringLiteral("Procuradores"), SqlProcuradores, c, n)) return;
    FiltroExp.FiltroProCli = c;
    CriterioExp(QStringLiteral("PRO. CLIENTE"), n);
}

void TPrincipio::Contrario2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Contrario"), QStringLiteral("Contrarios"),
               {QStringLiteral("SELECT CONTRARIO as CODIGO,"), LineaNombre, QStringLiteral("FROM CONTRARIOS ORDER BY NOMBRE")},
               c, n))
        return;
    FiltroExp.FiltroContrario = c;
    CriterioExp(QStringLiteral("CONTRARIO"), n);
}

void TPrincipio::AbogadoContrario2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Abogado"), QStringLiteral("Abogados"),
               {QStringLiteral("SELECT ABOGADO as CODIGO,"), LineaNombre, QStringLiteral("FROM ABOGADOS ORDER BY NOMBRE")}, c, n))
        return;
    FiltroExp.FiltroAboCon = c;
    CriterioExp(QStringLiteral("ABO. CONTRARIO"), n);
}

void TPrincipio::ProcuradorContrario2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(true, QStringLiteral("Busca Procurador"), QStringLiteral("Procuradores"), SqlProcuradores, c, n)) return;
    FiltroExp.FiltroProCon = c;
    CriterioExp(QStringLiteral("PRO. CONTRARIO"), n);
}

void TPrincipio::Perito2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(true, QStringLiteral("Busca Perito"), QStringLiteral("Peritos"),
               {QStringLiteral("SELECT A.PROFESION as CONCEPTO, B.PERITO as CODIGO, "),
                QStringLiteral("B.APELLIDOS || ',' || B.NOMBRE as NOMBRE "), QStringLiteral("FROM PROFESIONES A, PERITOS B "),
                QStringLiteral("WHERE A.PROFESION = B.PROFESION "), QStringLiteral("ORDER BY CONCEPTO, NOMBRE")},
               c, n))
        return;
    FiltroExp.FiltroPerito = c;
    CriterioExp(QStringLiteral("PERITO"), n);
}

void TPrincipio::Procedimiento1Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Procedimiento"), QStringLiteral("Procedimientos"),
               {QStringLiteral("SELECT PROCEDIMIENTO as NOMBRE"), QStringLiteral("FROM PROCEDIMIENTOS ORDER BY NOMBRE")}, c, n))
        return;
    FiltroExp.FiltroProcedimiento = n;
    CriterioExp(QStringLiteral("PROCEDIMIENTO"), n);
}

void TPrincipio::Tribunal1Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Tribunal"), QStringLiteral("Tribunales"),
               {QStringLiteral("SELECT TRIBUNAL as NOMBRE"), QStringLiteral("FROM TRIBUNALES")}, c, n))
        return;
    FiltroExp.FiltroTribunal = n;
    CriterioExp(QStringLiteral("TRIBUNAL"), n);
}

void TPrincipio::NdeAutos1Click(TObject*) {
    auto d = std::make_unique<TNuevaLinea>(this);
    d->Pregunta->SetCaption(QStringLiteral("Introduzca el Nº DE AUTOS"));
    d->Respuesta->SetMaxLength(10);
    if (d->ShowModal() == mrOk) {
        // Compared as the table keeps texts, without trailing blanks (spaces only: a control
        // character at the end is kept there too): a lone blank asks for the case files with no
        // number instead of switching the criterion off behind its row.
        QString autos = d->Respuesta->Text();
        while (autos.endsWith(QLatin1Char(' '))) autos.chop(1);
        FiltroExp.FiltroAutos = autos;
        AgregaFiltroExp(QStringLiteral("Nº AUTOS"), FiltroExp.FiltroAutos);
    }
    RefrescaExpedientes();
}

void TPrincipio::Abiertos1Click(TObject*) {
    FiltroExp.FiltroSituacion = 1;
    CriterioExp(QStringLiteral("SITUACIÓN"), QStringLiteral("Abiertos"));
}
void TPrincipio::Facturados1Click(TObject*) {
    FiltroExp.FiltroSituacion = 2;
    CriterioExp(QStringLiteral("SITUACIÓN"), QStringLiteral("Facturados"));
}
void TPrincipio::Cerrados1Click(TObject*) {
    FiltroExp.FiltroSituacion = 3;
    CriterioExp(QStringLiteral("SITUACIÓN"), QStringLiteral("Cerrados"));
}

void TPrincipio::PorCliente2Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Cliente Consultas"), QStringLiteral("Clientes"),
               {QStringLiteral("SELECT DISTINCT NOMCLIENTE as NOMBRE, CLIENTE as CODIGO"),
                QStringLiteral("FROM CONSULTAS WHERE NOMCLIENTE IS NOT NULL") + comun::YAlcance(),
                QStringLiteral("ORDER BY NOMBRE")},
               c, n))
        return;
    FiltroCon.FiltroNomCliente = n;
    CriterioCon(QStringLiteral("CLIENTE"), n);
}

void TPrincipio::PorProcurador1Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Abogado de Entrada"), QStringLiteral("Abogados Entrada"),
               {QStringLiteral("SELECT ABOCLI as CODIGO,"), LineaNombre, QStringLiteral("FROM ABOCLI ORDER BY NOMBRE")}, c, n))
        return;
    FiltroCon.FiltroAboEnt = c;
    CriterioCon(QStringLiteral("ABO. ENTRADA"), n);
}

void TPrincipio::PorTipoDespacho1Click(TObject*) {
    int c = 0;
    QString n;
    if (!Elige(false, QStringLiteral("Buscar Tipo de Consulta"), QStringLiteral("Tipos de Consulta"),
               {QStringLiteral("SELECT TIPO as NOMBRE "), QStringLiteral("FROM TIPOCONSULTA ORDER BY NOMBRE")}, c, n))
        return;
    FiltroCon.FiltroTipoCon = n;
    CriterioCon(QStringLiteral("TIPO CONS."), n);
}

void TPrincipio::Presentado1Click(TObject*) {
    FiltroCon.FiltroSituacionCon = 1;
    CriterioCon(QStringLiteral("SITUACIÓN"), QStringLiteral("ABIERTAS"));
}
void TPrincipio::Devuelto1Click(TObject*) {
    FiltroCon.FiltroSituacionCon = 2;
    CriterioCon(QStringLiteral("SITUACIÓN"), QStringLiteral("FACTURADAS"));
}
void TPrincipio::Cobrado1Click(TObject*) {
    FiltroCon.FiltroSituacionCon = 3;
    CriterioCon(QStringLiteral("SITUACIÓN"), QStringLiteral("COBRADAS"));
}

void TPrincipio::QuitaFila(const TBrowser& b) {
    const QString etiqueta = b.Filas->Quita(b.Filtros->Row());
    if (etiqueta.isEmpty()) return;
    b.QuitaCriterio(etiqueta);
    MuestraFilas(b.Filtros, b.Panel, *b.Filas);
    if (b.Filas->Etiqueta(0).isEmpty()) QuitarFiltros1Click(this);
    else (this->*b.Refresca)();
}

void TPrincipio::QuitarExpClick(TObject*) { QuitaFila(Browser(false)); }
void TPrincipio::QuitarDesClick(TObject*) { QuitaFila(Browser(true)); }

void TPrincipio::QuitarFiltros1Click(TObject*) {
    const TBrowser b = BrowserActivo();
    b.Reinicia();
    MuestraFilas(b.Filtros, nullptr, *b.Filas);
    b.Panel->SetVisible(false);
    (this->*b.Refresca)();
    btFiltros->SetEnabled(false);
}

// ---------------------------------------------------------------------------------------------- column choosers

void TPrincipio::CambiaColumna(TDataSet* ds, const char* campo, TMenuItem* item) {
    TField* f = ds->FieldByName(QString::fromLatin1(campo));
    f->SetVisible(!f->Visible());
    item->SetChecked(f->Visible());
}

namespace {

using TItemsColumnas = std::initializer_list<std::pair<TMenuItem*, const char*>>;
using TAnchos = std::initializer_list<std::pair<const char*, int>>;

// Each item checked exactly when its field is shown.
void MarcaColumnas(TDataSet* ds, TItemsColumnas items) {
    for (const auto& [i, campo] : items) i->SetChecked(ds->FieldByName(QString::fromLatin1(campo))->Visible());
}

// The default layout: `ocultos` hidden, then `visibles` shown and `anchosOcultos` left hidden,
// each at its width.
void ColumnasPorDefecto(TDataSet* ds, std::initializer_list<const char*> ocultos, TAnchos visibles, TAnchos anchosOcultos) {
    for (const char* c : ocultos) ds->FieldByName(QString::fromLatin1(c))->SetVisible(false);
    for (const auto& [c, w] : visibles) {
        TField* f = ds->FieldByName(QString::fromLatin1(c));
        f->SetDisplayWidth(w);
        f->SetVisible(true);
    }
    for (const auto& [c, w] : anchosOcultos) ds->FieldByName(QString::fromLatin1(c))->SetDisplayWidth(w);
}

}  // namespace

void TPrincipio::ZbCfgExpPopup(TObject*) {
    MarcaColumnas(TExped, {{mNumero, "NUMERO"}, {mFechadeApertura, "FECHAAPERTURA"}, {mCliente, "NOMCLI"},
                           {mContrario, "NOMCON"}, {mProcedimiento, "PROCEDIMIENTO"}, {mAutos, "AUTOS"},
                           {mTribunal, "TRIBUNAL"}, {mAboCon, "NOMABOCON"}, {mProCli, "NOMPROCLI"},
                           {mProCon, "NOMPROCON"}, {mPerito, "NOMPERITO"}});
}

void TPrincipio::ZbCfgConPopup(TObject*) {
    MarcaColumnas(TConsul, {{mNumeroC, "NUMERO"}, {mClienteC, "NOMCLIENTE"}, {mAboEntC, "NomAboEnt"}, {mTipoC, "TIPO"},
                            {mFEntradaC, "FECHAENTRADA"}, {mFCobroC, "FECHACOBRO"}, {mFFacturaC, "FECHAFACTURA"},
                            {mImporteC, "IMPORTE"}});
}

void TPrincipio::ValoresporDefecto1Click(TObject*) {
    ColumnasPorDefecto(TExped,
                       {"NUMERO", "FECHAAPERTURA", "NOMCLI", "NOMCON", "PROCEDIMIENTO", "AUTOS", "TRIBUNAL", "NOMABOCON",
                        "NOMPROCLI", "NOMPROCON", "NOMPERITO", "SITUACION"},
                       {{"SITUACION", 2}, {"NUMERO", 7}, {"FECHAAPERTURA", 8}, {"NOMCLI", 25}, {"NOMCON", 25},
                        {"PROCEDIMIENTO", 25}, {"AUTOS", 8}, {"TRIBUNAL", 25}},
                       {{"NOMABOCON", 25}, {"NOMPROCLI", 25}, {"NOMPROCON", 25}, {"NOMPERITO", 25}});
}

void TPrincipio::MenuItem15Click(TObject*) {
    ColumnasPorDefecto(TConsul, {"NUMERO", "NOMCLIENTE", "NomAboEnt", "TIPO", "FECHAENTRADA", "FECHACOBRO", "FECHAFACTURA", "IMPORTE"},
                       {{"NUMERO", 7}, {"NOMCLIENTE", 25}, {"NomAboEnt", 25}, {"TIPO", 30}, {"FECHAENTRADA", 9}, {"FECHACOBRO", 9}},
                       {{"FECHAFACTURA", 9}, {"IMPORTE", 8}});
}
