#include "reports/RPTLisConCon.h"

TInfLisConCon* InfLisConCon = nullptr;

namespace {
// One flag per concept type, shared by every run as the list has always kept them.
bool Suplidos = true, Derechos = true, Provisiones = true, Gastos = true;
}  // namespace

TInfLisConCon::TInfLisConCon(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfLisConCon"));
    QConceptos = NuevaConsulta(this, "QConceptos", QStringLiteral("SELECT * FROM CONCONTAS ORDER BY TIPO, CONCEPTO"));
    QRLisConCon = NuevoInforme(this, "QRLisConCon", QConceptos, QStringLiteral("LISTADO DE CONCEPTOS CONTABLES"));
    QRBand1 = NuevaBanda(this, QRLisConCon, "QRBand1", rbPageHeader, 70);
    QRLabel1 = NuevaCabecera(this, QRBand1, QStringLiteral("LISTADO DE CONCEPTOS CONTABLES")).Titulo;
    const auto sitios = Cabeceras(this, QRBand1, 50, {{"Cuenta", 15}, {"Concepto", 60}, {"Importe", 25, taRightJustify}});
    QRCabGru = NuevoGrupo(this, QRLisConCon, "QRCabGru", QStringLiteral("TIPO"), 26);
    QRCabTipo = NuevaEtiqueta(this, QRCabGru, "QRCabTipo", 0, 6, 300, QString(), taLeftJustify, true);
    QRCabTipo->Font()->SetHeight(-12);
    QRBand2 = NuevaBanda(this, QRLisConCon, "QRBand2", rbDetail, 18);
    QRCuenta = NuevoCampo(this, QRBand2, "QRCuenta", QConceptos, "CUENTA", sitios[0].Left, 1, sitios[0].Width);
    QRConcepto = NuevoCampo(this, QRBand2, "QRConcepto", QConceptos, "CONCEPTO", sitios[1].Left, 1, sitios[1].Width);
    QRImporte = NuevoCampo(this, QRBand2, "QRImporte", QConceptos, "IMPORTE", sitios[2].Left, 1, sitios[2].Width,
                           taRightJustify);
    QRCabGru->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisConCon::QRCabGruBeforePrint);
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisConCon::QRBand2BeforePrint);
    OnClose = TCloseEvent(this, &TInfLisConCon::FormClose);
    FormCreate(this);
}

TInfLisConCon::~TInfLisConCon() {
    if (InfLisConCon == this) InfLisConCon = nullptr;
}

void TInfLisConCon::FormCreate(TObject*) { QRImporte->SetMask(reports::FormatoMoneda(reports::MonedaDespacho())); }

void TInfLisConCon::FijaTipos(bool suplidos, bool derechos, bool provisiones, bool gastos) {
    Suplidos = suplidos;
    Derechos = derechos;
    Provisiones = provisiones;
    Gastos = gastos;
}

bool TInfLisConCon::Tipo(int tipo) const {
    switch (tipo) {
    case 1: return Suplidos;
    case 2: return Derechos;
    case 3: return Provisiones;
    default: return Gastos;
    }
}

void TInfLisConCon::QRBand2BeforePrint(TQRCustomBand*, bool& print) {
    const int tipo = QConceptos->FieldByName(QStringLiteral("TIPO"))->AsInteger();
    // Concepts of a type outside the four always print.
    if (tipo >= 1 && tipo <= 4) print = Tipo(tipo);
}

void TInfLisConCon::QRCabGruBeforePrint(TQRCustomBand*, bool& print) {
    const int tipo = QConceptos->FieldByName(QStringLiteral("TIPO"))->AsInteger();
    print = Tipo(tipo);
    switch (tipo) {
    case 1: QRCabTipo->SetCaption(QStringLiteral("SUPLIDOS")); break;
    case 2: QRCabTipo->SetCaption(QStringLiteral("DERECHOS")); break;
    case 3: QRCabTipo->SetCaption(QStringLiteral("PROVISIONES")); break;
    default: QRCabTipo->SetCaption(QStringLiteral("GASTOS")); break;
    }
}

void TInfLisConCon::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {
void RPTLisConCon(bool suplidos, bool derechos, bool provisiones, bool gastos) {
    Presenta(InfLisConCon, &TInfLisConCon::QRLisConCon,
             [&](TInfLisConCon* f) { f->FijaTipos(suplidos, derechos, provisiones, gastos); });
}
}  // namespace reports
