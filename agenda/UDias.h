#pragma once
// The description of one special day of the office's yearly calendar.
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TFFechas : public TForm {
public:
    explicit TFFechas(TComponent* owner);
    ~TFFechas() override;

    TLabel* Label1 = nullptr;
    TDBText* Fecha = nullptr;
    TDBEdit* Descripcion = nullptr;
    TBitBtn* btOk = nullptr;
    TBitBtn* btNo = nullptr;

    void btOkClick(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TFFechas* FFechas;
