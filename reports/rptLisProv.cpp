#include "reports/rptLisProv.h"

#include "platform/rtl/SysUtils.h"

TFLisProv* FLisProv = nullptr;

TFLisProv::TFLisProv(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("FLisProv"));
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT A.FECHA, A.IMPORTE*(-1) AS PROVISION, B.ANO||'/'||B.NUMERO AS REF, "
                                          "B.SITUACION, B.ABOCLI, B.AUTOS, B.PROCEDIMIENTO, B.FACTURA, FECHAFACTURA, "
                                          "B.CLIENTE, B.MONEDA FROM CUENTAS A, EXPED B WHERE A.FECHA BETWEEN :FDESDE AND "
                                          ":FHASTA AND TIPO = 3 AND A.ANO = B.ANO AND A.NUMERO = B.NUMERO ORDER BY "
                                          "B.MONEDA, REF, FECHA"));
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT  NOMBRE || ' ' || APELLIDOS as NOMBRE FROM CLIENTES WHERE CLIENTE = :CLIENTE "));
    QAboCli = NuevaConsulta(this, "QAboCli",
                            QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");
    FClientes = TNombres(QClientes, "CLIENTE", "NOMBRE");

    const QString titulo = QStringLiteral("LISTADO DE PROVISIONES DE FONDOS");
    QRListado = NuevoInforme(this, "QRListado", QExped, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Expediente", 9}, {"Cliente", 18}, {"Situación", 8}, {"Nº Autos", 7}, {"Procedimiento", 13},
                              {"Abogado Cliente", 16}, {"Factura", 8}, {"Importe", 11, taRightJustify}, {"Fecha", 9}});
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
    QRFactura = NuevaEtiqueta(this, QRDetalle, "QRFactura", s[6].Left, 1, s[6].Width);
    QRProvision = NuevoCampo(this, QRDetalle, "QRProvision", QExped, "PROVISION", s[7].Left, 1, s[7].Width, taRightJustify);
    NuevoCampo(this, QRDetalle, "QRFecha", QExped, "FECHA", s[8].Left + 8, 1, s[8].Width - 8);
    QRBand1 = NuevaBanda(this, QRListado, "QRBand1", rbGroupFooter, 26);
    QRBand1->Frame()->SetDrawTop(true);
    QRCabGru->SetFooterBand(QRBand1);
    NuevaEtiqueta(this, QRBand1, "QRLabel3", s[6].Left, 5, s[6].Width, QStringLiteral("Total ..."), taLeftJustify, true);
    QRTotal = NuevaSuma(this, QRBand1, "QRTotal", QStringLiteral("SUM(PROVISION)"), s[7].Left, 5, s[7].Width);
    QRTotal->Font()->SetStyle(TFontStyles{fsBold});
    QRBand2 = NuevaBanda(this, QRListado, "QRBand2", rbSummary, 30);
    NuevaEtiqueta(this, QRBand2, "QRLabel4", s[4].Left, 8, s[4].Width + s[5].Width, QStringLiteral("Total General en"),
                  taRightJustify, true);
    QRTot = NuevaEtiqueta(this, QRBand2, "QRTot", s[6].Left, 8, s[6].Width, QString(), taLeftJustify, true);
    QREuro = NuevaEtiqueta(this, QRBand2, "QREuro", s[7].Left, 8, s[7].Width, QString(), taRightJustify, true);

    QRCabGru->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProv::QRCabGruBeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProv::QRDetalleBeforePrint);
    QRBand1->AfterPrint = TQRBandAfterPrintEvent(this, &TFLisProv::QRBand1AfterPrint);
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProv::QRBand2BeforePrint);
    QREuro->OnPrint = TEvent<TObject*, QString&>(this, &TFLisProv::QREuroPrint);
    QRListado->BeforePrint = TEvent<TQuickRep*, bool&>([this](TQuickRep*, bool&) { FormCreate(this); });
    OnClose = TCloseEvent(this, &TFLisProv::FormClose);
    FormCreate(this);
}

TFLisProv::~TFLisProv() {
    if (FLisProv == this) FLisProv = nullptr;
}

void TFLisProv::FormCreate(TObject*) {
    FGrupo = FTotal = 0;
    FConvertible = true;
}

void TFLisProv::QRCabGruBeforePrint(TQRCustomBand*, bool&) {
    const bool euros = QExped->FieldByName(QStringLiteral("MONEDA"))->AsString() == u"E";
    QRMoneda->SetCaption(euros ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
    const QString formato = reports::FormatoMoneda(euros ? QStringLiteral("E") : QStringLiteral("P"));
    QRProvision->SetMask(formato);
    QRTotal->SetMask(formato);
}

void TFLisProv::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    TDataSet* e = QExped;
    QSitua->SetCaption(reports::SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    QRCliente->SetCaption(FClientes.Nombre(e->FieldByName(QStringLiteral("CLIENTE"))->AsInteger()));
    QRAbogado->SetCaption(FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
    QRFactura->SetCaption(reports::ReferenciaFactura(e->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime(),
                                                     e->FieldByName(QStringLiteral("FACTURA"))->AsInteger()));
    FGrupo += e->FieldByName(QStringLiteral("PROVISION"))->AsFloat();
}

void TFLisProv::QRBand1AfterPrint(TQRCustomBand*, bool) {
    // Amounts of two currencies are never added as one number: each group's total joins the
    // whole in the office currency.
    double convertido = 0;
    if (reports::EnMonedaDespacho(FGrupo, QExped->FieldByName(QStringLiteral("MONEDA"))->AsString(),
                                  reports::MonedaDespacho(), reports::CambioEuro(), convertido))
        FTotal += convertido;
    else
        FConvertible = false;
    FGrupo = 0;
}

void TFLisProv::QRBand2BeforePrint(TQRCustomBand*, bool&) {
    QRTot->SetCaption(reports::MonedaDespacho() == u"E" ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
}

void TFLisProv::QREuroPrint(TObject*, QString& value) {
    value = FConvertible ? reports::ImporteTexto(FTotal, reports::MonedaDespacho() == u"E" ? 2 : 0) : QString();
}

void TFLisProv::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void PreparaProv(TFLisProv* f, TDateTime desde, TDateTime hasta, const QString& filtro) {
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    f->QExped->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    f->QExped->Open();
    f->QRFiltro->SetCaption(filtro);
}

void rptLisProv(TDateTime desde, TDateTime hasta, const QString& filtro) {
    Presenta(FLisProv, &TFLisProv::QRListado, [&](TFLisProv* f) { PreparaProv(f, desde, hasta, filtro); });
}

}  // namespace reports
