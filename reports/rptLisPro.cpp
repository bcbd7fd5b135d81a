#include "reports/rptLisPro.h"

TInfPro* InfPro = nullptr;

TInfPro::TInfPro(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPro", "QProcon", QStringLiteral("LISTADO DE ALFABÉTICO DE PROCURADORES"),
          reports::SqlProfesionales("PROCU", "PARTIDO", "NOM"),
          nullptr,
          reports::ColumnasProfesionales("Partido", "PARTIDO"),
          poLandscape) {
    QProcon = Consulta;
}

TInfPro::~TInfPro() {
    if (InfPro == this) InfPro = nullptr;
}

namespace reports {
void rptLisPro() {
    Presenta(InfPro, &TInfPro::QuickRep1, [](TInfPro*) {});
}
}  // namespace reports
