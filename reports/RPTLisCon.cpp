#include "reports/RPTLisCon.h"

TInfLisCon* InfLisCon = nullptr;

TInfLisCon::TInfLisCon(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisCon", "QContrario", QStringLiteral("LISTADO DE CONTRARIOS"),
          reports::SqlPartes("CONTRARIOS"),
          nullptr,
          reports::ColumnasPartes(),
          poLandscape) {
    QContrario = Consulta;
}

TInfLisCon::~TInfLisCon() {
    if (InfLisCon == this) InfLisCon = nullptr;
}

namespace reports {
void RPTLisCon() {
    Presenta(InfLisCon, &TInfLisCon::QuickRep1, [](TInfLisCon*) {});
}
}  // namespace reports
