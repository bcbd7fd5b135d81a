#pragma once
// The list "LISTADO DE PROCEDIMIENTOS".
#include "reports/Listado.h"

class TInfProc : public reports::TListaSimple {
public:
    explicit TInfProc(TComponent* owner);
    ~TInfProc() override;

    TQuery* QProce = nullptr;
};

extern TInfProc* InfProc;

namespace reports {
// Previews the list through the preview window.
void rptLisProc();
}  // namespace reports
