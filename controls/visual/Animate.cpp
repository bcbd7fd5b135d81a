#include "controls/visual/Animate.h"
#include "controls/visual/BitmapHelpers.h"

TZbImageControl::TZbImageControl(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(Left(), Top(), 105, 105);
    SetParentColor(true);
}

TZbImageControl::~TZbImageControl() = default;

void TZbImageControl::Paint() {
    if (FPaintInMemory || Width() <= 0 || Height() <= 0) {
        PaintControl();
        return;
    }
    TBitmap memory;
    memory.SetSize(Width(), Height());
    FPaintCanvas = memory.Canvas();
    FPaintInMemory = true;
    try {
        PaintControl();
    } catch (...) {
        FPaintInMemory = false;
        FPaintCanvas = nullptr;
        throw;
    }
    FPaintInMemory = false;
    FPaintCanvas = nullptr;
    Canvas()->Draw(0, 0, &memory);
}

void TZbImageControl::DoPaintControl() {
    TCanvas* canvas = PaintCanvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
    FDrawing = true;
    try {
        PaintImage();
    } catch (...) {
        FDrawing = false;
        throw;
    }
    FDrawing = false;
}

void TZbImageControl::PictureChanged() {
    if (HasState(csDestroying)) return;
    AdjustSize();
    if (FGraphic && DoPaletteChange() && FDrawing) Update();
    if (!FDrawing) Invalidate();
}

bool TZbImageControl::DoPaletteChange() { return false; }

// The parent and the graphic controls placed under this one, as every transparent control sees them.
void TZbImageControl::CopyParentImage(TCanvas* canvas) { ::CopyParentImage(this, canvas); }

namespace controls::visual {
void DrawBitmapRectTransparent(TCanvas* canvas, const TRect& dest, TBitmap* bitmap, TColor transparentColor) {
    const bool wasTransparent = bitmap->Transparent();
    const TTransparentMode mode = bitmap->TransparentMode();
    const TColor colour = bitmap->TransparentColor();
    bitmap->SetTransparentColor(transparentColor);
    bitmap->SetTransparentMode(tmFixed);
    bitmap->SetTransparent(true);
    canvas->StretchDraw(dest, bitmap);
    bitmap->SetTransparent(wasTransparent);
    if (mode == tmFixed)
        bitmap->SetTransparentColor(colour);
    else
        bitmap->SetTransparentMode(tmAuto);
}
}  // namespace controls::visual
