#include "agenda/UColor.h"

#include "comun/UData.h"

TFDias* FDias = nullptr;

TFDias::TFDias(TComponent* owner) : TDialogoCampo(owner, "FDias", QStringLiteral("Tipos de Días"), Dat->DSColor, "Nombre") {
    Nombre = FEdit;
    Color = new TShape(this);
    Color->SetName(QStringLiteral("Color"));
    Color->SetParent(this);
    Color->SetShape(stRoundRect);
    Color->SetBounds(12, 10, 40, 24);
    Label1 = NuevaEtiqueta(QStringLiteral("Este color corresponde a :"), 62, 200);
}

TFDias::~TFDias() {
    if (FDias == this) FDias = nullptr;
}
