#include "reports/rptLisTrib.h"

TInfTrib* InfTrib = nullptr;

TInfTrib::TInfTrib(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfTrib", "QTrib", QStringLiteral("LISTADO DE TRIBUNALES"),
          QStringLiteral("SELECT TRIBUNAL FROM TRIBUNALES"),
          nullptr,
          {
                     {"Tribunal", "TRIBUNAL", 1}},
          poPortrait) {
    QTrib = Consulta;
}

TInfTrib::~TInfTrib() {
    if (InfTrib == this) InfTrib = nullptr;
}

namespace reports {
void rptLisTrib() {
    Presenta(InfTrib, &TInfTrib::QuickRep1, [](TInfTrib*) {});
}
}  // namespace reports
