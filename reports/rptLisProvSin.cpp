#include "reports/rptLisProvSin.h"

#include "comun/Alcance.h"
#include "platform/rtl/SysUtils.h"

TFLisProvSin* FLisProvSin = nullptr;

TFLisProvSin::TFLisProvSin(TComponent* owner)
    : TListaProvisiones(owner, "FLisProvSin", QStringLiteral("LISTADO DE EXPEDIENTES SIN PROVISIONES DE FONDOS"),
                        QStringLiteral("SELECT B.FECHAAPERTURA AS FECHA, B.ANO||'/'||B.NUMERO AS REF, B.SITUACION, "
                                       "B.ABOCLI, B.AUTOS, B.PROCEDIMIENTO, B.CLIENTE, B.ANO, B.NUMERO, B.MONEDA FROM "
                                       "EXPED B WHERE B.FECHAAPERTURA BETWEEN :FDESDE AND :FHASTA AND SITUACION < 3") +
                            comun::YAlcance(QStringLiteral("B.ABOCLI")) + QStringLiteral(" ORDER BY MONEDA, REF, FECHA"),
                        {{"Expediente", 9}, {"Cliente", 19}, {"Situación", 8}, {"Nº Autos", 8}, {"Procedimiento", 14},
                         {"Abogado Cliente", 17}, {"Factura", 8}, {"Saldo Actual", 12, taRightJustify}}) {
    using namespace reports;
    QSaldo = NuevaConsulta(this, "QSaldo",
                           QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    QProvi = NuevaConsulta(this, "QProvi",
                           QStringLiteral("SELECT SUM(IMPORTE*-1) AS PROVISION FROM CUENTAS WHERE ANO = :ANO AND "
                                          "NUMERO = :NUMERO AND TIPO = 3"));
    const auto& s = FColumnas;
    QRSaldo = NuevaEtiqueta(this, QRDetalle, "QRSaldo", s[7].Left, 1, s[7].Width, QString(), taRightJustify);
    QRImp = NuevaEtiqueta(this, QRBand1, "QRImp", s[7].Left, 5, s[7].Width, QString(), taRightJustify, true);
    QRBand1->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisProvSin::QRBand1BeforePrint);
}

TFLisProvSin::~TFLisProvSin() {
    if (FLisProvSin == this) FLisProvSin = nullptr;
}

bool TFLisProvSin::Fila() {
    const QString ano = QExped->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = QExped->FieldByName(QStringLiteral("NUMERO"))->AsString();
    reports::AbreDelExpediente(QProvi, ano, numero);
    if (QProvi->FieldByName(QStringLiteral("PROVISION"))->AsFloat() > 0) return false;
    reports::AbreDelExpediente(QSaldo, ano, numero);
    const double saldo = QSaldo->FieldByName(QStringLiteral("SALDO"))->AsFloat();
    SumaAlGrupo(saldo);
    QRSaldo->SetCaption(FormatFloat(FFormato, saldo));
    return true;
}

void TFLisProvSin::QRBand1BeforePrint(TQRCustomBand*, bool&) {
    QRImp->SetCaption(reports::ImporteTexto(double(FGrupo), 2));
}

namespace reports {

void PreparaProvSin(TFLisProvSin* f, TDateTime desde, TDateTime hasta, const QString& filtro) {
    AbreEntreFechas(f->QExped, f->QRFiltro, desde, hasta, filtro);
}

void rptLisProvSin(TDateTime desde, TDateTime hasta, const QString& filtro) {
    Presenta(FLisProvSin, &TFLisProvSin::QRListado, [&](TFLisProvSin* f) { PreparaProvSin(f, desde, hasta, filtro); });
}

}  // namespace reports
