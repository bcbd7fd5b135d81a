#include "reports/rptLisExpNeg.h"

#include "comun/Alcance.h"
#include "platform/rtl/SysUtils.h"
#include "reports/ListaExpedientes.h"

TFLisExpNeg* FLisExpNeg = nullptr;

TFLisExpNeg::TFLisExpNeg(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("FLisExpNeg"));
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT ANO, NUMERO, SITUACION, ABOCLI, CONTRARIO,AUTOS, PROCEDIMIENTO, FACTURA, "
                                          "FECHAFACTURA, CLIENTE FROM EXPED WHERE FECHAAPERTURA BETWEEN :FDESDE AND :FHASTA "
                                          "AND SITUACION < 3") +
                               comun::YAlcance());
    QSaldo = NuevaConsulta(this, "QSaldo",
                           QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    QAboCli = NuevaConsulta(this, "QAboCli", QStringLiteral("SELECT APELLIDOS||','||NOMBRE AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT  NOMBRE || ' ' || APELLIDOS as NOMBRE FROM CLIENTES WHERE CLIENTE = :CLIENTE "));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");

    const QString titulo = QStringLiteral("LISTADO DE EXPEDIENTES CON SALDO POSITIVO");
    QRListado = NuevoInforme(this, "QRListado", QExped, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Expediente", 9}, {"Cliente", 20}, {"Situación", 8}, {"Nº Autos", 8}, {"Procedimiento", 15},
                              {"Abogado Cliente", 18}, {"Factura", 8}, {"Saldo", 12, taRightJustify}});
    QRDetalle = NuevaBanda(this, QRListado, "QRDetalle", rbDetail, 20);
    QRExpediente = NuevaEtiqueta(this, QRDetalle, "QRExpediente", s[0].Left, 1, s[0].Width);
    QRCliente = NuevaEtiqueta(this, QRDetalle, "QRCliente", s[1].Left, 1, s[1].Width);
    QSitua = NuevaEtiqueta(this, QRDetalle, "QSitua", s[2].Left, 1, s[2].Width);
    NuevoCampo(this, QRDetalle, "QRAutos", QExped, "AUTOS", s[3].Left, 1, s[3].Width);
    NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", s[4].Left, 1, s[4].Width);
    QRAbogado = NuevaEtiqueta(this, QRDetalle, "QRAbogado", s[5].Left, 1, s[5].Width);
    QRFactura = NuevaEtiqueta(this, QRDetalle, "QRFactura", s[6].Left, 1, s[6].Width);
    QRSaldo = NuevaEtiqueta(this, QRDetalle, "QRSaldo", s[7].Left, 1, s[7].Width, QString(), taRightJustify);
    QRBand1 = NuevaBanda(this, QRListado, "QRBand1", rbSummary, 28);
    QRBand1->Frame()->SetDrawTop(true);
    NuevaEtiqueta(this, QRBand1, "QRLabel9", s[6].Left, 6, s[6].Width, QStringLiteral("Total ..."), taLeftJustify, true);
    QRTotal = NuevaEtiqueta(this, QRBand1, "QRTotal", s[7].Left, 6, s[7].Width, QString(), taRightJustify, true);

    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisExpNeg::QRDetalleBeforePrint);
    QRBand1->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisExpNeg::QRBand1BeforePrint);
    QRListado->BeforePrint = TEvent<TQuickRep*, bool&>(this, &TFLisExpNeg::QRListadoBeforePrint);
    OnClose = TCloseEvent(this, &TFLisExpNeg::FormClose);
    FormCreate(this);
}

TFLisExpNeg::~TFLisExpNeg() {
    if (FLisExpNeg == this) FLisExpNeg = nullptr;
}

void TFLisExpNeg::FormCreate(TObject*) {
    FTotal = 0;
    FFormato = reports::FormatoMoneda(reports::MonedaDespacho());
}

void TFLisExpNeg::QRListadoBeforePrint(TQuickRep*, bool&) { FTotal = 0; }

void TFLisExpNeg::QRDetalleBeforePrint(TQRCustomBand*, bool& print) {
    TDataSet* e = QExped;
    reports::AbreDelExpediente(QSaldo, e->FieldByName(QStringLiteral("ANO"))->AsString(),
                               e->FieldByName(QStringLiteral("NUMERO"))->AsString());
    const double saldo = QSaldo->FieldByName(QStringLiteral("SALDO"))->AsFloat();
    print = saldo > 0;
    if (!print) return;
    // The total is the sum of the balances listed, not of every case file read.
    FTotal += saldo;
    QRExpediente->SetCaption(reports::Expediente(e));
    QSitua->SetCaption(reports::SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    QClientes->Close();
    QClientes->ParamByName(QStringLiteral("CLIENTE"))->SetAsInteger(e->FieldByName(QStringLiteral("CLIENTE"))->AsInteger());
    QClientes->Open();
    QRCliente->SetCaption(QClientes->IsEmpty() ? QString() : QClientes->FieldByName(QStringLiteral("NOMBRE"))->AsString());
    QRAbogado->SetCaption(FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
    QRFactura->SetCaption(reports::ReferenciaFactura(e->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime(),
                                                     e->FieldByName(QStringLiteral("FACTURA"))->AsInteger()));
    QRSaldo->SetCaption(FormatFloat(FFormato, saldo));
}

void TFLisExpNeg::QRBand1BeforePrint(TQRCustomBand*, bool&) {
    QRTotal->SetCaption(reports::ImporteTexto(FTotal, reports::MonedaDespacho() == u"E" ? 2 : 0));
}

void TFLisExpNeg::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void PreparaExpNeg(TFLisExpNeg* f, TDateTime desde, TDateTime hasta, const QString& filtro) {
    AbreEntreFechas(f->QExped, f->QRFiltro, desde, hasta, filtro);
}

void rptLisExpNeg(TDateTime desde, TDateTime hasta, const QString& filtro) {
    Presenta(FLisExpNeg, &TFLisExpNeg::QRListado, [&](TFLisExpNeg* f) { PreparaExpNeg(f, desde, hasta, filtro); });
}

}  // namespace reports
