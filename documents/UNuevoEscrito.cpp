#include "documents/UNuevoEscrito.h"

TNuevoEscrito::TNuevoEscrito(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("NuevoEscrito"));
    SetCaption(QStringLiteral("Introduzca .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(106);

    Pregunta = new TLabel(this);
    Pregunta->SetName(QStringLiteral("Pregunta"));
    Pregunta->SetParent(this);
    Pregunta->SetBounds(12, 12, 396, 16);
    Respuesta = new TEdit(this);
    Respuesta->SetName(QStringLiteral("Respuesta"));
    Respuesta->SetParent(this);
    Respuesta->SetBounds(12, 34, 396, 22);
    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetKind(bkOK);
    btOk->SetCaption(QStringLiteral("OK"));
    btOk->SetBounds(118, 68, 88, 28);
    btOk->SetEnabled(false);
    btNo = new TBitBtn(this);
    btNo->SetName(QStringLiteral("btNo"));
    btNo->SetParent(this);
    btNo->SetKind(bkNo);
    btNo->SetBounds(214, 68, 88, 28);

    Respuesta->OnChange = TNotifyEvent(this, &TNuevoEscrito::RespuestaChange);
}

void TNuevoEscrito::RespuestaChange(TObject*) { btOk->SetEnabled(!Respuesta->Text().isEmpty()); }
