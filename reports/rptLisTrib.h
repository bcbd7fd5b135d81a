#pragma once
// The list "LISTADO DE TRIBUNALES".
#include "reports/Listado.h"

class TInfTrib : public reports::TListaSimple {
public:
    explicit TInfTrib(TComponent* owner);
    ~TInfTrib() override;

    TQuery* QTrib = nullptr;
};

extern TInfTrib* InfTrib;

namespace reports {
// Previews the list through the preview window.
void rptLisTrib();
}  // namespace reports
