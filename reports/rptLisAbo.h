#pragma once
// The list "LISTADO ALFABÉTICO DE ABOGADOS".
#include "reports/Listado.h"

class TInfAbo : public reports::TListaSimple {
public:
    explicit TInfAbo(TComponent* owner);
    ~TInfAbo() override;

    TQuery* QAbo = nullptr;
};

extern TInfAbo* InfAbo;

namespace reports {
// Previews the list through the preview window.
void rptLisAbo();
}  // namespace reports
