#include "reports/RPTLisCli.h"

TInfLisCLI* InfLisCLI = nullptr;

TInfLisCLI::TInfLisCLI(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisCLI", "QCliente", QStringLiteral("LISTADO DE CLIENTES"),
          reports::SqlPartes("CLIENTES"),
          nullptr,
          reports::ColumnasPartes(),
          poLandscape) {
    QCliente = Consulta;
}

TInfLisCLI::~TInfLisCLI() {
    if (InfLisCLI == this) InfLisCLI = nullptr;
}

namespace reports {
void RPTLisCli() {
    Presenta(InfLisCLI, &TInfLisCLI::QuickRep1, [](TInfLisCLI*) {});
}
}  // namespace reports
