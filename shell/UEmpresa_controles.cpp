// The office settings form: the layout of its two pages.
#include "comun/Controles.h"
#include "comun/UData.h"
#include "shell/UEmpresa.h"

#include <memory>

namespace {
constexpr int AltoFila = 27;
constexpr int Margen = 10;

std::unique_ptr<TStringList> Lista(std::initializer_list<const char*> textos) {
    auto l = std::make_unique<TStringList>();
    for (const char* t : textos) l->Add(QString::fromUtf8(t));
    return l;
}
}  // namespace

void TEmpresa::CreaControles() {
    using T = TEmpresa;
    FijaTamano(600, AreaTop() + 12 * AltoFila + 36);
    for (TSpeedItem* i : {btBuscar, btImprimir}) i->SetVisible(false);

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
    DbDni = CampoEn(g, QStringLiteral("C.I.F. :"), QStringLiteral("CIF"), 0, 0, 130, 100, 15);
    DbDni->OnExit = TNotifyEvent(this, &T::DbDniExit);
    DBEmpresa = CampoEn(g, QStringLiteral("Despacho :"), QStringLiteral("EMPRESA"), 0, 1, 420, 100, 50);
    DBDireccion = CampoEn(g, QStringLiteral("Domicilio :"), QStringLiteral("DIRECCION"), 0, 2, 420, 100, 50);
    DBPoblacion = CampoEn(g, QStringLiteral("Población :"), QStringLiteral("POBLACION"), 0, 3, 220, 100, 30);
    DBCodPos = CampoEn(g, QStringLiteral("C. Postal :"), QStringLiteral("CDPOSTAL"), 335, 3, 60, 80, 5);
    DBCodPos->OnKeyPress = TKeyPressEvent(this, &T::DBCodPosKeyPress);
    DBProvincia = CampoEn(g, QStringLiteral("Provincia :"), QStringLiteral("PROVINCIA"), 0, 4, 130, 100, 15);
    DBTelefono = CampoEn(g, QStringLiteral("Teléfono :"), QStringLiteral("TELEFONO"), 0, 5, 220, 100, 30);
    DBFax = CampoEn(g, QStringLiteral("Fax :"), QStringLiteral("FAX"), 335, 5, 130, 50, 15);
    DBBanco = CampoEn(g, QStringLiteral("Banco :"), QStringLiteral("BANCO"), 0, 6, 130, 100, 15);
    DBSucursal = CampoEn(g, QStringLiteral("Sucursal :"), QStringLiteral("SUCURSAL"), 245, 6, 130, 80, 15);
    DBCuenta = CampoEn(g, QStringLiteral("Nº de Cuenta :"), QStringLiteral("CUENTACORRIENTE"), 0, 7, 220, 100, 25);

    // Page "Configuración".
    TWinControl* c = pgConfig;
    const int ancho = 150;  // its labels are long
    DBCdRom = CampoEn(c, QStringLiteral("CD-ROM :"), QStringLiteral("CDROM"), 0, 0, 330, ancho, 50);
    btCdRom = new TButton(this);
    btCdRom->SetName(QStringLiteral("btCdRom"));
    btCdRom->SetParent(c);
    btCdRom->SetCaption(QStringLiteral("..."));
    btCdRom->SetBounds(DBCdRom->Left() + DBCdRom->Width() + 4, DBCdRom->Top(), 26, 21);
    btCdRom->OnClick = TNotifyEvent(this, &T::btCdRomClick);
    DBLogo = CampoEn(c, QStringLiteral("Logotipo :"), QStringLiteral("LOGO"), 0, 1, 330, ancho, 50);
    btLogo = new TButton(this);
    btLogo->SetName(QStringLiteral("btLogo"));
    btLogo->SetParent(c);
    btLogo->SetCaption(QStringLiteral("..."));
    btLogo->SetBounds(DBLogo->Left() + DBLogo->Width() + 4, DBLogo->Top(), 26, 21);
    btLogo->OnClick = TNotifyEvent(this, &T::btLogoClick);
    DBFileExt = CampoEn(c, QStringLiteral("Extensiones :"), QStringLiteral("FILEEXT"), 0, 2, 360, ancho, 255);
    DBIva = CampoEn(c, QStringLiteral("I.V.A. :"), QStringLiteral("IVA"), 0, 3, 50, ancho);
    DBIrpf = CampoEn(c, QStringLiteral("I.R.P.F. :"), QStringLiteral("IRPF"), 230, 3, 50, 80);

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

    EtiquetaEn(c, QStringLiteral("Moneda por defecto :"), 0, 4, ancho);
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
    DBEuro = CampoEn(c, QStringLiteral("Cambio del EURO :"), QStringLiteral("EURO"), 280, 4, 80, 120);
    DBEuro->SetPopupMenu(PopupMoneda);

    EtiquetaEn(c, QStringLiteral("Editor :"), 0, 5, ancho);
    DBEditor = new TDBComboBox(this);
    DBEditor->SetName(QStringLiteral("DBEditor"));
    DBEditor->SetParent(c);
    DBEditor->SetStyle(csDropDown);
    DBEditor->SetItems(Lista({"Word97", "Word2000"}).get());
    DBEditor->SetDataSource(Dat->DSSistem);
    DBEditor->SetDataField(QStringLiteral("EDITOR"));
    DBEditor->SetBounds(Margen + ancho + 5, Margen + 5 * AltoFila, 120, 21);
    EtiquetaEn(c, QStringLiteral("Última Factura :"), 280, 5, 120);
    EFactura = new TEdit(this);
    EFactura->SetName(QStringLiteral("EFactura"));
    EFactura->SetParent(c);
    EFactura->SetMaxLength(6);
    EFactura->SetBounds(Margen + 280 + 125, Margen + 5 * AltoFila, 80, 21);
    EFactura->OnKeyPress = TKeyPressEvent(this, &T::DBCodPosKeyPress);

    DBMinuta = Modelos(QStringLiteral("Minuta de Expedientes :"), QStringLiteral("MINUTA"), DSEscritos, 6);
    DBMinutaCons = Modelos(QStringLiteral("Minuta de Consultas :"), QStringLiteral("MINUTACONS"), DSEscritos, 7);
    DBCabCar = Modelos(QStringLiteral("Cabecera de Carta :"), QStringLiteral("CABCAR"), DSCartas, 8);

    btConta = new TButton(this);
    btConta->SetName(QStringLiteral("btConta"));
    btConta->SetParent(Pie());
    btConta->SetCaption(QStringLiteral("Actualizar &Contadores"));
    btConta->SetBounds(Margen, 5, 150, 26);
    btConta->OnClick = TNotifyEvent(this, &T::btContaClick);

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName(QStringLiteral("OpenDialog1"));
}

TLabel* TEmpresa::EtiquetaEn(TWinControl* pagina, const QString& texto, int x, int fila, int ancho) {
    return comun::Etiqueta(this, pagina, texto, Margen + x, Margen + fila * AltoFila + 3, ancho, 16);
}

TDBEdit* TEmpresa::CampoEn(TWinControl* pagina, const QString& etiqueta, const QString& campo, int x, int fila, int ancho,
                           int anchoEtiqueta, int max) {
    TDBEdit* e = comun::Campo(this, EtiquetaEn(pagina, etiqueta, x, fila, anchoEtiqueta), Dat->DSSistem, campo,
                              Margen + x + anchoEtiqueta + 5, Margen + fila * AltoFila, ancho);
    if (max > 0) e->SetMaxLength(max);
    return e;
}

TZbDBLookupCombo* TEmpresa::Modelos(const QString& etiqueta, const QString& campo, TDataSource* lista, int fila) {
    EtiquetaEn(pgConfig, etiqueta, 0, fila, 150);
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
