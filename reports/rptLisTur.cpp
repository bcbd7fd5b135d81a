#include "reports/rptLisTur.h"

TInfTur* InfTur = nullptr;

TInfTur::TInfTur(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfTur", "QTur", QStringLiteral("LISTADO DE TIPOS DE APUNTES DE AGENDA"),
          QStringLiteral("SELECT TIPO FROM TIPOAGENDAS"),
          nullptr,
          {
                     {"Tipo", "TIPO", 1}},
          poPortrait) {
    QTur = Consulta;
}

TInfTur::~TInfTur() {
    if (InfTur == this) InfTur = nullptr;
}

namespace reports {
void rptLisTur() {
    Presenta(InfTur, &TInfTur::QuickRep1, [](TInfTur*) {});
}
}  // namespace reports
