#pragma once
// The date range with the kind of record to include: everything, case files only or
// consultations only.
#include "platform/forms/ExtCtrls.h"
#include "reports/Limite.h"

class TLimites2 : public TLimites {
public:
    explicit TLimites2(TComponent* owner);

    TPanel* Panel1;
    TRadioGroup* RGTipo;
};
