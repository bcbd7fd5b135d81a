#include "documents/BarraDocumentos.h"

#include "platform/graphics/Resources.h"

namespace documents {

TSpeedBar* NuevaBarra(TForm* form, int btnWidth) {
    auto* bar = new TSpeedBar(form);
    bar->SetName(QStringLiteral("SpeedBar1"));
    bar->SetParent(form);
    bar->SetAlign(alTop);
    bar->SetBevelInner(bvLowered);
    bar->SetOptions(sbFlatBtns | sbTransparentBtns | sbGrayedBtns);
    bar->SetBtnOffsetHorz(4);
    bar->SetBtnOffsetVert(4);
    bar->SetBtnWidth(btnWidth);
    bar->SetHeight(31);
    bar->AddSection(QStringLiteral("Untitled (0)"));
    if (!platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND")).isNull())
        bar->Wallpaper()->Bitmap()->LoadFromResourceName(QStringLiteral("BACKGROUND"));
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
