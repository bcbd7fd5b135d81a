#include "agenda/UDias.h"

#include "comun/Controles.h"
#include "comun/UData.h"

TFFechas* FFechas = nullptr;

TFFechas::TFFechas(TComponent* owner)
    : TDialogoCampo(owner, "FFechas", QStringLiteral("Introducir Fecha Especial"), Dat->DSDias, "Descripcion") {
    Descripcion = FEdit;
    Label1 = NuevaEtiqueta(QStringLiteral("Esta fecha es :"), 12, 100);
    Fecha = comun::TextoDeCampo(this, this, QStringLiteral("Fecha"), Dat->DSDias, QStringLiteral("Fecha"), 118, 14, 120);
    Fecha->Font()->SetStyle({fsBold});
}

TFFechas::~TFFechas() {
    if (FFechas == this) FFechas = nullptr;
}
