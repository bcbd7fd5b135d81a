#include "reports/rptLisProv.h"

#include "comun/Alcance.h"
#include "platform/rtl/SysUtils.h"

TFLisProv* FLisProv = nullptr;

TFLisProv::TFLisProv(TComponent* owner)
    : TListaProvisiones(owner, "FLisProv", QStringLiteral("LISTADO DE PROVISIONES DE FONDOS"),
                        QStringLiteral("SELECT A.FECHA, A.IMPORTE*(-1) AS PROVISION, B.ANO||'/'||B.NUMERO AS REF, "
                                       "B.SITUACION, B.ABOCLI, B.AUTOS, B.PROCEDIMIENTO, B.FACTURA, FECHAFACTURA, "
                                       "B.CLIENTE, B.MONEDA FROM CUENTAS A, EXPED B WHERE A.FECHA BETWEEN :FDESDE AND "
                                       ":FHASTA AND TIPO = 3 AND A.ANO = B.ANO AND A.NUMERO = B.NUMERO") +
                            comun::YAlcance(QStringLiteral("B.ABOCLI")) + QStringLiteral(" ORDER BY B.MONEDA, REF, FECHA"),
                        {{"Expediente", 9}, {"Cliente", 18}, {"Situación", 8}, {"Nº Autos", 7}, {"Procedimiento", 13},
                         {"Abogado Cliente", 16}, {"Factura", 8}, {"Importe", 11, taRightJustify}, {"Fecha", 9}}) {
    using namespace reports;
    const auto& s = FColumnas;
    QRFactura = NuevaEtiqueta(this, QRDetalle, "QRFactura", s[6].Left, 1, s[6].Width);
    QRProvision = NuevoCampo(this, QRDetalle, "QRProvision", QExped, "PROVISION", s[7].Left, 1, s[7].Width, taRightJustify);
    NuevoCampo(this, QRDetalle, "QRFecha", QExped, "FECHA", s[8].Left + 8, 1, s[8].Width - 8);
    QRTotal = NuevaSuma(this, QRBand1, "QRTotal", QStringLiteral("SUM(PROVISION)"), s[7].Left, 5, s[7].Width);
    QRTotal->Font()->SetStyle(TFontStyles{fsBold});
}

TFLisProv::~TFLisProv() {
    if (FLisProv == this) FLisProv = nullptr;
}

void TFLisProv::GrupoDeMoneda() {
    QRProvision->SetMask(FFormato);
    QRTotal->SetMask(FFormato);
}

bool TFLisProv::Fila() {
    TDataSet* e = QExped;
    QRFactura->SetCaption(reports::ReferenciaFactura(e->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime(),
                                                     e->FieldByName(QStringLiteral("FACTURA"))->AsInteger()));
    SumaAlGrupo(e->FieldByName(QStringLiteral("PROVISION"))->AsFloat());
    return true;
}

namespace reports {

void PreparaProv(TFLisProv* f, TDateTime desde, TDateTime hasta, const QString& filtro) {
    AbreEntreFechas(f->QExped, f->QRFiltro, desde, hasta, filtro);
}

void rptLisProv(TDateTime desde, TDateTime hasta, const QString& filtro) {
    Presenta(FLisProv, &TFLisProv::QRListado, [&](TFLisProv* f) { PreparaProv(f, desde, hasta, filtro); });
}

}  // namespace reports
