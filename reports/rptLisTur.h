#pragma once
// The list "LISTADO DE TIPOS DE APUNTES DE AGENDA".
#include "reports/Listado.h"

class TInfTur : public reports::TListaSimple {
public:
    explicit TInfTur(TComponent* owner);
    ~TInfTur() override;

    TQuery* QTur = nullptr;
};

extern TInfTur* InfTur;

namespace reports {
// Previews the list through the preview window.
void rptLisTur();
}  // namespace reports
