#pragma once
// The list "LISTADO DE PERITOS POR PROFESIÓN".
#include "reports/Listado.h"

class TInfPerPro : public reports::TListaSimple {
public:
    explicit TInfPerPro(TComponent* owner);
    ~TInfPerPro() override;

    TQuery* QPerito = nullptr;
};

extern TInfPerPro* InfPerPro;

namespace reports {
// Previews the list through the preview window.
void rptLisPerPro();
}  // namespace reports
