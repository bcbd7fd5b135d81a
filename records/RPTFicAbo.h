#pragma once
// The printable card of the record current in Dat->TAbogados.
#include "records/FichaInforme.h"

class TInfFicAbo : public records::TFichaInforme {
public:
    explicit TInfFicAbo(TComponent* owner);
};
