#pragma once
// The printable card of the record current in Dat->TPeritos.
#include "records/FichaInforme.h"

class TInfFicPer : public records::TFichaInforme {
public:
    explicit TInfFicPer(TComponent* owner);
};
