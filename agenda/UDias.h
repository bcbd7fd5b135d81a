#pragma once
// The description of one special day of the office's yearly calendar.
#include "agenda/DialogoCampo.h"

class TFFechas : public TDialogoCampo {
public:
    explicit TFFechas(TComponent* owner);
    ~TFFechas() override;

    TLabel* Label1 = nullptr;
    TDBText* Fecha = nullptr;
    TDBEdit* Descripcion = nullptr;
};

extern TFFechas* FFechas;
