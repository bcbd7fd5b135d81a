#include "reports/rptLisProvSin.h"

#include "platform/rtl/SysUtils.h"

TFLisProvSin* FLisProvSin = nullptr;

TFLisProvSin::TFLisProvSin(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("FLisProvSin"));
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT B.FECHAAPERTURA AS FECHA, B.ANO||'/'||B.NUMERO AS REF, B.SITUACION, "
                                          "B.ABOCLI, B.AUTOS, B.PROCEDIMIENTO, B.CLIENTE, B.ANO, B.NUMERO, B.MONEDA FROM "
                                          "EXPED B WHERE B.FECHAAPERTURA BETWEEN :FDESDE AND :FHASTA AND SITUACION < 3 "
                                          "ORDER BY MONEDA, REF, FECHA"));
    QSaldo = NuevaConsulta(this, "QSaldo",
                           QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    QProvi = NuevaConsulta(this, "QProvi",
                           QStringLiteral("SELECT SUM(IMPORTE*-1) AS PROVISION FROM CUENTAS WHERE ANO = :ANO AND "
                                          "NUMERO = :NUMERO AND TIPO = 3"));
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT  NOMBRE || ' ' || APELLIDOS as NOMBRE FROM CLIENTES WHERE CLIENTE = :CLIENTE "));
    QAboCli = NuevaConsulta(this, "QAboCli",
                            QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");
    FClientes = TNombres(QClientes, "CLIENTE", "NOMBRE");

    const QString titulo = QStringLiteral("LISTADO DE EXPEDIENTES SIN PROVISIONES DE FONDOS");
    QRListado = NuevoInforme(this, "QRListado", QExped, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Expediente", 9}, {"Cliente", 19}, {"Situación", 8}, {"Nº Autos", 8}, {"Procedimiento", 14},
                              {"Abogado Cliente", 17}, {"Factura", 8}, {"Saldo Actual", 12, taRightJustify}});
    QRCabGru = NuevoGrupo(this, QRListado, "QRCabGru", QStringLiteral("MONEDA"), 24);
    NuevaEtiqueta(this, QRCabGru, "QRLabel2", 0, 5, 70, QStringLiteral("Moneda : "), taLeftJustify, true);
    QRMoneda = NuevaEtiqueta(this, QRCabGru, "QRMoneda", 72, 5, 200, QString(), taLeftJustify, true);
    QRDetalle = NuevaBanda(this, QRListado, "QRDetalle", rbDetail, 18);
    NuevoCampo(this, QRDetalle, "QRRef", QExped, "REF", s[0].Left, 1, s[0].Width);
    QRCliente = NuevaEtiqueta(this, QRDetalle, "QRCliente", s[1].Left, 1, s[1].Width);
    QSitua = NuevaEtiqueta(this, QRDetalle, "QSitua", s[2].Left, 1, s[2].Width);
    NuevoCampo(this, QRDetalle, "QRAutos", QExped, "AUTOS", s[3].Left, 1, s[3].Width);
    NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", s[4].Left, 1, s[4].Width);
    QRAbogado = NuevaEtiqueta(this, QRDetalle, "QRAbogado", s[5].Left, 1, s[5].Width);
    QRSaldo = NuevaEtiqueta(this, QRDetalle, "QRSaldo", s[7].Left, 1, s[7].Width, QString(), taRightJustify);
    QRBand1 = NuevaBanda(this, QRListado, "QRBand1", rbGroupFooter, 26);
    QRBand1->Frame()->SetDrawTop(true);
    QRCabGru->SetFooterBand(QRBand1);
    NuevaEtiqueta(this, QRBand1, "QRLabel3", s[6].Left, 5, s[6].Width, QStringLiteral("Total ..."), taLeftJustify, true);
    QRImp = NuevaEtiqueta(this, QRBand1, "QRImp", s[7].Left, 5, s[7].Width, QString(), taRightJustify, true);
    QRBand2 = NuevaBanda(this, QRListado, "QRBand2", rbSummary, 30);
    NuevaEtiqueta(this, QRBand2, "QRLabel4", s[4].Left, 8, s[4].Width + s[5].Width, QStringLiteral("Total General en"),
                  taRightJustify, true);
    QRTot = NuevaEtiqueta(this, QRBand2, "QRTot", s[6].Left, 8, s[6].Width, QString(), taLeftJustify, true);
    QREuro = NuevaEtiqueta(this, QRBand2, "QREuro", s[7].Left, 8, s[7].Width, QString(), taRightJustify, true);

    QRCabGru->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProvSin::QRCabGruBeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProvSin::QRDetalleBeforePrint);
    QRBand1->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProvSin::QRBand1BeforePrint);
    QRBand1->AfterPrint = TQRBandAfterPrintEvent(this, &TFLisProvSin::QRBand1AfterPrint);
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProvSin::QRBand2BeforePrint);
    QREuro->OnPrint = TEvent<TObject*, QString&>(this, &TFLisProvSin::QREuroPrint);
    QRListado->BeforePrint = TEvent<TQuickRep*, bool&>([this](TQuickRep*, bool&) { FormCreate(this); });
    OnClose = TCloseEvent(this, &TFLisProvSin::FormClose);
    FormCreate(this);
}

TFLisProvSin::~TFLisProvSin() {
    if (FLisProvSin == this) FLisProvSin = nullptr;
}

void TFLisProvSin::FormCreate(TObject*) {
    FSaldo = 0;
    FTotal = 0;
    FConvertible = true;
}

void TFLisProvSin::QRCabGruBeforePrint(TQRCustomBand*, bool&) {
    const bool euros = QExped->FieldByName(QStringLiteral("MONEDA"))->AsString() == u"E";
    QRMoneda->SetCaption(euros ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
    FFormato = reports::FormatoMoneda(euros ? QStringLiteral("E") : QStringLiteral("P"));
}

void TFLisProvSin::QRDetalleBeforePrint(TQRCustomBand*, bool& print) {
    TDataSet* e = QExped;
    QSitua->SetCaption(reports::SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    auto abre = [&](TQuery* q) {
        q->Close();
        if (!q->Prepared()) q->Prepare();
        q->ParamByName(QStringLiteral("ANO"))->SetAsString(e->FieldByName(QStringLiteral("ANO"))->AsString());
        q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(e->FieldByName(QStringLiteral("NUMERO"))->AsString());
        q->Open();
    };
    abre(QProvi);
    if (QProvi->FieldByName(QStringLiteral("PROVISION"))->AsFloat() > 0) {
        print = false;
        return;
    }
    abre(QSaldo);
    const double saldo = QSaldo->FieldByName(QStringLiteral("SALDO"))->AsFloat();
    FSaldo += saldo;
    QRSaldo->SetCaption(FormatFloat(FFormato, saldo));
    QRCliente->SetCaption(FClientes.Nombre(e->FieldByName(QStringLiteral("CLIENTE"))->AsInteger()));
    QRAbogado->SetCaption(FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
}

void TFLisProvSin::QRBand1BeforePrint(TQRCustomBand*, bool&) {
    QRImp->SetCaption(reports::ImporteTexto(double(FSaldo), 2));
}

void TFLisProvSin::QRBand1AfterPrint(TQRCustomBand*, bool) {
    // The group's total joins the whole in the office currency before it starts again.
    double convertido = 0;
    if (reports::EnMonedaDespacho(double(FSaldo), QExped->FieldByName(QStringLiteral("MONEDA"))->AsString(),
                                  reports::MonedaDespacho(), reports::CambioEuro(), convertido))
        FTotal += convertido;
    else
        FConvertible = false;
    FSaldo = 0;
}

void TFLisProvSin::QRBand2BeforePrint(TQRCustomBand*, bool&) {
    QRTot->SetCaption(reports::MonedaDespacho() == u"E" ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
}

void TFLisProvSin::QREuroPrint(TObject*, QString& value) {
    value = FConvertible ? reports::ImporteTexto(FTotal, reports::MonedaDespacho() == u"E" ? 2 : 0) : QString();
}

void TFLisProvSin::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void PreparaProvSin(TFLisProvSin* f, TDateTime desde, TDateTime hasta, const QString& filtro) {
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    f->QExped->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    f->QExped->Open();
    f->QRFiltro->SetCaption(filtro);
}

void rptLisProvSin(TDateTime desde, TDateTime hasta, const QString& filtro) {
    Presenta(FLisProvSin, &TFLisProvSin::QRListado, [&](TFLisProvSin* f) { PreparaProvSin(f, desde, hasta, filtro); });
}

}  // namespace reports
