// The one-line input dialog.
#include "comun/UNuevaLinea.h"

TNuevaLinea* NuevaLinea = nullptr;

TNuevaLinea::TNuevaLinea(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("NuevaLinea"));
    SetCaption(QStringLiteral("Introduzca .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(340);
    SetClientHeight(118);

    Pregunta = new TLabel(this);
    Pregunta->SetName(QStringLiteral("Pregunta"));
    Pregunta->SetParent(this);
    Pregunta->SetAutoSize(false);
    Pregunta->SetAlignment(taCenter);
    Pregunta->SetBounds(8, 10, 324, 17);

    Contenedor = new TPanel(this);
    Contenedor->SetName(QStringLiteral("Contenedor"));
    Contenedor->SetParent(this);
    Contenedor->SetCaption(QString());
    Contenedor->SetBevelOuter(bvLowered);
    Contenedor->SetBounds(8, 32, 324, 38);

    Respuesta = new TEdit(this);
    Respuesta->SetName(QStringLiteral("Respuesta"));
    Respuesta->SetParent(Contenedor);
    Respuesta->SetBounds(8, 8, 308, 22);

    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetKind(bkOK);
    btOk->SetBounds(86, 82, 80, 27);
    btOk->SetEnabled(false);

    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetName(QStringLiteral("BitBtn2"));
    BitBtn2->SetParent(this);
    BitBtn2->SetKind(bkNo);
    BitBtn2->SetBounds(174, 82, 80, 27);

    Respuesta->OnChange = TNotifyEvent(this, &TNuevaLinea::RespuestaChange);
    OnShow = TNotifyEvent(this, &TNuevaLinea::FormShow);
}

TNuevaLinea::~TNuevaLinea() {
    if (NuevaLinea == this) NuevaLinea = nullptr;
}

void TNuevaLinea::FormShow(TObject*) {
    if (Respuesta->MaxLength() > 0) {
        // Room for the longest answer, centred in its frame.
        const int ancho = 8 * Respuesta->MaxLength();
        Respuesta->SetBounds((Contenedor->Width() - ancho) / 2, Respuesta->Top(), ancho, Respuesta->Height());
    }
    RespuestaChange(this);
    if (Respuesta->CanFocus()) Respuesta->SetFocus();
}

void TNuevaLinea::RespuestaChange(TObject*) { btOk->SetEnabled(!Respuesta->Text().isEmpty()); }
