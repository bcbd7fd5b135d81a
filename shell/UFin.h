#pragma once
// The exit dialog: "OK" ends the program, "No" (Enter and Esc) stays; "Guardar" says whether the
// window layout is saved on the way out. The caller reads both.
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

class TFFin : public TForm {
public:
    explicit TFFin(TComponent* owner);

    TImage* Image1;
    TLabel* Label1;
    TCheckBox* Guardar;
    TButton* BtOk;
    TButton* BtNo;
};
