#pragma once
// The name of one day type (a colour) of the office's yearly calendar.
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TFDias : public TForm {
public:
    explicit TFDias(TComponent* owner);
    ~TFDias() override;

    TShape* Color = nullptr;
    TLabel* Label1 = nullptr;
    TDBEdit* Nombre = nullptr;
    TBitBtn* btOk = nullptr;
    TBitBtn* btNo = nullptr;

    void btOkClick(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TFDias* FDias;
