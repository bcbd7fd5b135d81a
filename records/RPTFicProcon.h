#pragma once
// The printable card of the record current in Dat->TProcu.
#include "records/FichaInforme.h"

class TInfFicProCon : public records::TFichaInforme {
public:
    explicit TInfFicProCon(TComponent* owner);
};
