#include "agenda/UDias.h"

#include "comun/UData.h"

TFFechas* FFechas = nullptr;

TFFechas::TFFechas(TComponent* owner)
    : TDialogoCampo(owner, "FFechas", QStringLiteral("Introducir Fecha Especial"), Dat->DSDias, "Descripcion") {
    Descripcion = FEdit;
    Label1 = NuevaEtiqueta(QStringLiteral("Esta fecha es :"), 12, 100);
    Fecha = new TDBText(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetAutoSize(false);
    Fecha->SetBounds(118, 14, 120, 17);
    Fecha->Font()->SetStyle({fsBold});
    Fecha->SetDataSource(Dat->DSDias);
    Fecha->SetDataField(QStringLiteral("Fecha"));
}

TFFechas::~TFFechas() {
    if (FFechas == this) FFechas = nullptr;
}
