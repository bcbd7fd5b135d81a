#include "reports/RPTLisProParJu.h"

TInfLisProParJu* InfLisProParJu = nullptr;

TInfLisProParJu::TInfLisProParJu(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisProParJu", "QProcu", QStringLiteral("LISTADO DE PROCURADORES POR PARTIDO JUDICIAL"),
          reports::SqlProfesionales("PROCU", "PARTIDO", "PARTIDO"),
          "PARTIDO",
          reports::ColumnasProfesionales("Partido", "PARTIDO"),
          poLandscape) {
    QProcu = Consulta;
}

TInfLisProParJu::~TInfLisProParJu() {
    if (InfLisProParJu == this) InfLisProParJu = nullptr;
}

namespace reports {
void RPTLisProParJu() {
    Presenta(InfLisProParJu, &TInfLisProParJu::QuickRep1, [](TInfLisProParJu*) {});
}
}  // namespace reports
