#pragma once
// The about box: the program, its version and its maker.
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

class TAcerca : public TForm {
public:
    explicit TAcerca(TComponent* owner);

    TImage* Image1;
    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TButton* Button1;

    void Button1Click(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
};
