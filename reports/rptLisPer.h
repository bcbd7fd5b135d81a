#pragma once
// The list "LISTADO DE ALFABÉTICO DE PERITOS".
#include "reports/Listado.h"

class TInfPer : public reports::TListaSimple {
public:
    explicit TInfPer(TComponent* owner);
    ~TInfPer() override;

    TQuery* QPerito = nullptr;
};

extern TInfPer* InfPer;

namespace reports {
// Previews the list through the preview window.
void rptLisPer();
}  // namespace reports
