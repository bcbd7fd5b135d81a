#pragma once
// The printable card of the record current in Dat->TAboCli.
#include "records/FichaInforme.h"

class TInfFicAboCli : public records::TFichaInforme {
public:
    explicit TInfFicAboCli(TComponent* owner);
};
