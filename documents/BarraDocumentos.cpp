#include "documents/BarraDocumentos.h"

#include "comun/Controles.h"

namespace documents {

TSpeedBar* NuevaBarra(TForm* form, int btnWidth) {
    TSpeedBar* bar = comun::BarraDeBotones(form, 31);
    bar->SetAlign(alTop);
    bar->SetBtnWidth(btnWidth);
    return bar;
}

TSpeedItem* NuevoBoton(TSpeedBar* bar, const QString& name, const QString& caption, const QString& hint,
                       const TNotifyEvent& click) {
    const int puesto = bar->ItemsCount(0);
    auto* i = new TSpeedItem(bar->Owner());
    i->SetName(name);
    i->SetCaption(caption);
    i->SetBtnCaption(caption);
    i->SetHint(hint);
    bar->AddItem(0, i);
    i->SetLeft(bar->BtnOffsetHorz() + puesto * (bar->BtnWidth() + 2));
    i->SetTop(bar->BtnOffsetVert());
    i->SetVisible(true);
    i->OnClick() = click;
    return i;
}

}  // namespace documents
