#pragma once
// The few places where controls meet the painting layer.
#include "platform/graphics/Graphics.h"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace platform::forms {
inline QFont QtFont(const TFont* font) { return font ? font->ToQFont() : QFont(); }
inline QColor QtColor(TColor color) { return QColor::fromRgb(platform::graphics::ToQRgb(color)); }
// The control's canvas draws on the painter of the paint event with the control's font and
// colour, as the class library prepares a control canvas before Paint.
inline void BindCanvas(TCanvas* canvas, QPainter* painter, const TFont* font, TColor color) {
    canvas->Attach(painter);
    if (font) canvas->Font()->Assign(const_cast<TFont*>(font));
    canvas->Brush()->SetColor(color);
}
inline void UnbindCanvas(TCanvas* canvas) { canvas->Detach(); }
}  // namespace platform::forms
