#pragma once
// The one-line question for the name of a new document model.
#include "platform/forms/Buttons.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TNuevoEscrito : public TForm {
public:
    explicit TNuevoEscrito(TComponent* owner);

    TLabel* Pregunta;
    TEdit* Respuesta;
    TBitBtn* btOk;
    TBitBtn* btNo;

    void RespuestaChange(TObject* sender);
};
