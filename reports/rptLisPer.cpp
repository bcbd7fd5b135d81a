#include "reports/rptLisPer.h"

TInfPer* InfPer = nullptr;

TInfPer::TInfPer(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPer", "QPerito", QStringLiteral("LISTADO DE ALFABÉTICO DE PERITOS"),
          reports::SqlProfesionales("PERITOS", "PROFESION", "NOM"),
          nullptr,
          reports::ColumnasProfesionales("Profesión", "PROFESION"),
          poLandscape) {
    QPerito = Consulta;
}

TInfPer::~TInfPer() {
    if (InfPer == this) InfPer = nullptr;
}

namespace reports {
void rptLisPer() {
    Presenta(InfPer, &TInfPer::QuickRep1, [](TInfPer*) {});
}
}  // namespace reports
