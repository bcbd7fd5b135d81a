#pragma once
// The one-line input: a question and an edit box; OK only while the answer is not empty.
#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TNuevaLinea : public TForm {
public:
    explicit TNuevaLinea(TComponent* owner);
    ~TNuevaLinea() override;

    TLabel* Pregunta = nullptr;
    TPanel* Contenedor = nullptr;
    TEdit* Respuesta = nullptr;
    TBitBtn* btOk = nullptr;
    TBitBtn* BitBtn2 = nullptr;

    void FormShow(TObject* sender);
    void RespuestaChange(TObject* sender);
};

extern TNuevaLinea* NuevaLinea;
