#pragma once
// The list "LISTADO DE CLIENTES".
#include "reports/Listado.h"

class TInfLisCLI : public reports::TListaSimple {
public:
    explicit TInfLisCLI(TComponent* owner);
    ~TInfLisCLI() override;

    TQuery* QCliente = nullptr;
};

extern TInfLisCLI* InfLisCLI;

namespace reports {
// Previews the list through the preview window.
void RPTLisCli();
}  // namespace reports
