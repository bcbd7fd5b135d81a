#pragma once
// The list "LISTADO DE ALFABÉTICO DE PROCURADORES".
#include "reports/Listado.h"

class TInfPro : public reports::TListaSimple {
public:
    explicit TInfPro(TComponent* owner);
    ~TInfPro() override;

    TQuery* QProcon = nullptr;
};

extern TInfPro* InfPro;

namespace reports {
// Previews the list through the preview window.
void rptLisPro();
}  // namespace reports
