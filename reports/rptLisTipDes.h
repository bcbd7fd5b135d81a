#pragma once
// The list "LISTADO DE TIPOS DE CONSULTAS".
#include "reports/Listado.h"

class TInfTipDes : public reports::TListaSimple {
public:
    explicit TInfTipDes(TComponent* owner);
    ~TInfTipDes() override;

    TQuery* QTipCon = nullptr;
};

extern TInfTipDes* InfTipDes;

namespace reports {
// Previews the list through the preview window.
void rptLisTipDes();
}  // namespace reports
