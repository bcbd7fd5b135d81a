#pragma once
// The printable card of the record current in Dat->TContrarios.
#include "records/FichaInforme.h"

class TInfFicCon : public records::TFichaInforme {
public:
    explicit TInfFicCon(TComponent* owner);
};
