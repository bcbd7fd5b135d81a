#include "reports/rptLisConAgen.h"

TInfConAgen* InfConAgen = nullptr;

TInfConAgen::TInfConAgen(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfConAgen", "QConAgen", QStringLiteral("LISTADO DE CONCEPTOS DE AGENDA"),
          QStringLiteral("SELECT * FROM CONAGENDAS ORDER BY TIPOAGENDA,CONCEPTO"),
          "TIPOAGENDA",
          {
                     {"Concepto", "CONCEPTO", 60},
                     {"Código", "CODIGO", 15, taRightJustify},
                     {"Avisar con ..", "DIAS", 15, taRightJustify}},
          poPortrait) {
    QConAgen = Consulta;
}

TInfConAgen::~TInfConAgen() {
    if (InfConAgen == this) InfConAgen = nullptr;
}

namespace reports {
void rptLisConAgen() {
    Presenta(InfConAgen, &TInfConAgen::QuickRep1, [](TInfConAgen*) {});
}
}  // namespace reports
