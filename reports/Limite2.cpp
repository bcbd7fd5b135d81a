#include "reports/Limite2.h"

TLimites2::TLimites2(TComponent* owner) : TLimites(owner) {
    SetName(QStringLiteral("Limites2"));
    SetClientHeight(228);
    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetBounds(16, 82, 230, 100);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetCaption(QString());
    RGTipo = new TRadioGroup(this);
    RGTipo->SetName(QStringLiteral("RGTipo"));
    RGTipo->SetParent(Panel1);
    RGTipo->SetBounds(8, 4, 214, 90);
    RGTipo->SetCaption(QStringLiteral("Incluir"));
    RGTipo->Items()->Add(QStringLiteral("Todo"));
    RGTipo->Items()->Add(QStringLiteral("Solo Expedientes"));
    RGTipo->Items()->Add(QStringLiteral("Solo Consultas"));
    RGTipo->SetItemIndex(0);
    btOk->SetTop(192);
    btNo->SetTop(192);
}
