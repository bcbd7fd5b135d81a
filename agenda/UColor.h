#pragma once
// The name of one day type (a colour) of the office's yearly calendar.
#include "agenda/DialogoCampo.h"
#include "platform/forms/ExtCtrls.h"

class TFDias : public TDialogoCampo {
public:
    explicit TFDias(TComponent* owner);
    ~TFDias() override;

    TShape* Color = nullptr;
    TLabel* Label1 = nullptr;
    TDBEdit* Nombre = nullptr;
};

extern TFDias* FDias;
