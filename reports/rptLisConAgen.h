#pragma once
// The list "LISTADO DE CONCEPTOS DE AGENDA".
#include "reports/Listado.h"

class TInfConAgen : public reports::TListaSimple {
public:
    explicit TInfConAgen(TComponent* owner);
    ~TInfConAgen() override;

    TQuery* QConAgen = nullptr;
};

extern TInfConAgen* InfConAgen;

namespace reports {
// Previews the list through the preview window.
void rptLisConAgen();
}  // namespace reports
