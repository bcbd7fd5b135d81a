#pragma once
// The tool bar of the document forms: flat captioned buttons in one row across the top of the
// form, over the office's wallpaper.
#include "controls/visual/SpeedBar.h"
#include "platform/forms/Forms.h"

namespace documents {

// The bar, aligned to the top of `form`, its buttons `btnWidth` wide.
TSpeedBar* NuevaBarra(TForm* form, int btnWidth);
// A button after the last one of the bar: its caption, its hint and what a click does.
TSpeedItem* NuevoBoton(TSpeedBar* bar, const QString& name, const QString& caption, const QString& hint,
                       const TNotifyEvent& click);

}  // namespace documents
