#pragma once
// The list "LISTADO DE PROCURADORES POR PARTIDO JUDICIAL".
#include "reports/Listado.h"

class TInfLisProParJu : public reports::TListaSimple {
public:
    explicit TInfLisProParJu(TComponent* owner);
    ~TInfLisProParJu() override;

    TQuery* QProcu = nullptr;
};

extern TInfLisProParJu* InfLisProParJu;

namespace reports {
// Previews the list through the preview window.
void RPTLisProParJu();
}  // namespace reports
