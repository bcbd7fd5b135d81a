#pragma once
// A graphic control that paints through a memory bitmap, so that a changing picture never
// flickers, and refreshes itself when its picture changes. The picture is drawn by the descendant
// (PaintImage); the control fills its area with Color first.
#include "platform/forms/Controls.h"

class TZbImageControl : public TGraphicControl {
public:
    explicit TZbImageControl(TComponent* owner);
    ~TZbImageControl() override;

protected:
    // The paint message: renders PaintControl into a memory bitmap and copies that to the screen.
    void Paint() override;
    // What the control paints; the default is the drawing step DoPaintControl.
    virtual void PaintControl() { DoPaintControl(); }
    // Fills the client area with Color, then paints the image with the drawing flag set.
    void DoPaintControl();
    virtual void AdjustSize() {}
    virtual void PaintImage() {}
    // The palette the picture wants realised; none by default.
    virtual TPaletteEntries GetPalette() const { return {}; }
    // After a change of the picture or of a property: size, palette and a repaint.
    void PictureChanged();
    // Qt draws in true colour: no palette is ever realised, so this only reports that it asked
    // for nothing.
    bool DoPaletteChange();
    // The parent's picture under the control, painted into canvas (for transparent pictures).
    void CopyParentImage(TCanvas* canvas);

    // The canvas being painted: the memory bitmap's while a paint is served.
    TCanvas* PaintCanvas() const { return FPaintCanvas ? FPaintCanvas : Canvas(); }
    bool Drawing() const { return FDrawing; }

    TGraphic* FGraphic = nullptr;

private:
    bool FDrawing = false;
    bool FPaintInMemory = false;
    TCanvas* FPaintCanvas = nullptr;
};

namespace controls::visual {
// Draws bitmap scaled into dest on canvas, leaving out the pixels of transparentColor.
void DrawBitmapRectTransparent(TCanvas* canvas, const TRect& dest, TBitmap* bitmap, TColor transparentColor);
}
