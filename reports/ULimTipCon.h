#pragma once
// The kinds of accounting concept the concept list prints.
#include "platform/forms/Buttons.h"
#include "platform/forms/StdCtrls.h"

class TFConCon : public TForm {
public:
    explicit TFConCon(TComponent* owner);

    TGroupBox* GroupBox1;
    TCheckBox* cbSuplidos;
    TCheckBox* cbDerechos;
    TCheckBox* cbProvisiones;
    TCheckBox* cbGastos;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
};
