#include "reports/rptLisExpNum.h"

#include "comun/Alcance.h"

TInfExpNum* InfExpNum = nullptr;

TInfExpNum::TInfExpNum(TComponent* owner)
    : reports::TListaExpedientes(owner, "InfExpNum", QStringLiteral("LISTADO DE EXPEDIENTES"),
                                 QStringLiteral("SELECT ANO, NUMERO, SITUACION, ABOCLI, CONTRARIO,AUTOS, PROCEDIMIENTO FROM EXPED WHERE ANO = :ANO AND NUMERO BETWEEN :NUMEROD AND :NUMEROH") +
                                     comun::YAlcance(),
                                 uAbogado, false) {
}

TInfExpNum::~TInfExpNum() {
    if (InfExpNum == this) InfExpNum = nullptr;
}

namespace reports {

void PreparaExpNum(TInfExpNum* f, const QString& ano, const QString& desde, const QString& hasta, const QString& filtro) {
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    f->QExped->ParamByName(QStringLiteral("NUMEROD"))->SetAsString(desde);
    f->QExped->ParamByName(QStringLiteral("NUMEROH"))->SetAsString(hasta);
    f->QRFiltro->SetCaption(filtro);
    f->QExped->Open();
}

void rptLisExpNum(const QString& ano, const QString& desde, const QString& hasta, const QString& filtro) {
    Presenta(InfExpNum, &TInfExpNum::QRListado, [&](TInfExpNum* f) { PreparaExpNum(f, ano, desde, hasta, filtro); });
}

}  // namespace reports
