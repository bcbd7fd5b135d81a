#include "reports/rptLisPerPro.h"

TInfPerPro* InfPerPro = nullptr;

TInfPerPro::TInfPerPro(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPerPro", "QPerito", QStringLiteral("LISTADO DE PERITOS POR PROFESIÓN"),
          reports::SqlProfesionales("PERITOS", "PROFESION", "PROFESION, NOM"),
          "PROFESION",
          reports::ColumnasProfesionales("Profesión", "PROFESION"),
          poLandscape) {
    QPerito = Consulta;
}

TInfPerPro::~TInfPerPro() {
    if (InfPerPro == this) InfPerPro = nullptr;
}

namespace reports {
void rptLisPerPro() {
    Presenta(InfPerPro, &TInfPerPro::QuickRep1, [](TInfPerPro*) {});
}
}  // namespace reports
