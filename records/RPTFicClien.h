#pragma once
// The printable card of the record current in Dat->TClientes.
#include "records/FichaInforme.h"

class TInfFicClien : public records::TFichaInforme {
public:
    explicit TInfFicClien(TComponent* owner);
};
