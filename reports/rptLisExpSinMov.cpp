#include "reports/rptLisExpSinMov.h"

#include "comun/Alcance.h"

namespace {
QString Donde(const QString& condicion) {
    return condicion.isEmpty() ? QString() : QStringLiteral("WHERE ") + condicion + QLatin1Char(' ');
}
}  // namespace

TInfExpSinMov* InfExpSinMov = nullptr;

TInfExpSinMov::TInfExpSinMov(TComponent* owner)
    : reports::TListaExpedientes(owner, "InfExpSinMov", QStringLiteral("LISTADO DE EXPEDIENTES SIN MOVIMIENTO"),
                                 QStringLiteral("SELECT B.ANO, B.NUMERO, B.SITUACION, B.ABOCLI, B.CONTRARIO, B.AUTOS, B.PROCEDIMIENTO, MAX(A.FECHA) "
                                                "FROM EXPED B LEFT JOIN AGENDA A ON A.ANO = B.ANO AND A.NUMERO = B.NUMERO ") +
                                     Donde(comun::CondicionAlcance(QStringLiteral("B.ABOCLI"))) +
                                     QStringLiteral("GROUP BY B.ANO, B.NUMERO, B.SITUACION, B.ABOCLI, B.CONTRARIO, B.AUTOS, B.PROCEDIMIENTO "
                                                "HAVING MAX(A.FECHA) IS NULL OR MAX(A.FECHA) < :FECHA"),
                                 uAbogado, true) {
}

TInfExpSinMov::~TInfExpSinMov() {
    if (InfExpSinMov == this) InfExpSinMov = nullptr;
}

namespace reports {

void PreparaExpSinMov(TInfExpSinMov* f, TDateTime fecha, const QString& filtro) {
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("FECHA"))->SetAsDate(fecha);
    f->QRFiltro->SetCaption(filtro);
    f->QExped->Open();
}

void rptLisExpSinMov(TDateTime fecha, const QString& filtro) {
    Presenta(InfExpSinMov, &TInfExpSinMov::QRListado, [&](TInfExpSinMov* f) { PreparaExpSinMov(f, fecha, filtro); });
}

}  // namespace reports
