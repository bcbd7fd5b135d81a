#pragma once
// The list "LISTADO DE CONTRARIOS".
#include "reports/Listado.h"

class TInfLisCon : public reports::TListaSimple {
public:
    explicit TInfLisCon(TComponent* owner);
    ~TInfLisCon() override;

    TQuery* QContrario = nullptr;
};

extern TInfLisCon* InfLisCon;

namespace reports {
// Previews the list through the preview window.
void RPTLisCon();
}  // namespace reports
