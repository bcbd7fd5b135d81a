#include "reports/rptLisTipDes.h"

TInfTipDes* InfTipDes = nullptr;

TInfTipDes::TInfTipDes(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfTipDes", "QTipCon", QStringLiteral("LISTADO DE TIPOS DE CONSULTAS"),
          QStringLiteral("SELECT TIPO FROM TIPOCONSULTA"),
          nullptr,
          {
                     {"Tipo", "TIPO", 1}},
          poPortrait) {
    QTipCon = Consulta;
}

TInfTipDes::~TInfTipDes() {
    if (InfTipDes == this) InfTipDes = nullptr;
}

namespace reports {
void rptLisTipDes() {
    Presenta(InfTipDes, &TInfTipDes::QuickRep1, [](TInfTipDes*) {});
}
}  // namespace reports
