#include "controls/visual/GIFCtrl.h"

#include <algorithm>

TZbGIFAnimator::TZbGIFAnimator(TComponent* owner) : TZbImageControl(owner), FTimer(new TZbTimer(this)) {
    FImage = std::make_unique<TGIFImage>();
    FGraphic = FImage.get();
    FImage->OnChange = TNotifyEvent(this, &TZbGIFAnimator::ImageChanged);
}

TZbGIFAnimator::~TZbGIFAnimator() {
    OnStart = nullptr;
    OnStop = nullptr;
    OnChange = nullptr;
    // The timer goes first: no frame step may reach a half-destroyed control.
    DestroyComponents();
    FTimer = nullptr;
    FImage->OnChange = nullptr;
}

quint32 TZbGIFAnimator::FrameDelay(int index) const {
    if (index < 0 || index >= FImage->Count() || FImage->Count() < 2) return 0;
    return std::clamp<quint32>(FImage->Frames(index)->AnimateInterval(), 50, 10000);
}

void TZbGIFAnimator::ClearCache() {
    FCache.reset();
    FCacheIndex = -1;
    FCacheColor = clNone;
}

void TZbGIFAnimator::ImageChanged(TObject*) {
    ClearCache();
    FFrameIndex = FImage->FrameIndex();
    if (FFrameIndex >= 0 && FImage->Count() > 0) FTimer->SetInterval(FrameDelay(FFrameIndex));
    PictureChanged();
    Change();
}

void TZbGIFAnimator::SetImage(TGIFImage* value) { FImage->Assign(value); }

void TZbGIFAnimator::SetFrameIndex(int value) {
    if (value == FFrameIndex || value < 0 || value >= FImage->Count()) return;
    FFrameIndex = value;
    FTimer->SetInterval(FrameDelay(FFrameIndex));
    FrameChanged();
    PictureChanged();
}

void TZbGIFAnimator::SetAnimate(bool value) {
    if (value == FAnimate) return;
    if (value) {
        FTimer->SetOnTimer(TNotifyEvent(this, &TZbGIFAnimator::TimerExpired));
        FTimer->SetEnabled(true);
        FAnimate = FTimer->Enabled();
        Start();
    } else {
        FTimer->SetEnabled(false);
        FTimer->SetOnTimer(nullptr);
        FAnimate = false;
        Stop();
        PictureChanged();
    }
}

void TZbGIFAnimator::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    PictureChanged();
}

void TZbGIFAnimator::SetCenter(bool value) {
    if (value == FCenter) return;
    FCenter = value;
    PictureChanged();
    if (FAnimate) Repaint();
}

void TZbGIFAnimator::SetStretch(bool value) {
    if (value == FStretch) return;
    FStretch = value;
    PictureChanged();
    if (FAnimate) Repaint();
}

void TZbGIFAnimator::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    PictureChanged();
    if (FAnimate) Repaint();
}

void TZbGIFAnimator::Change() {
    if (OnChange) OnChange(this);
}
void TZbGIFAnimator::FrameChanged() {
    if (OnFrameChanged) OnFrameChanged(this);
}
void TZbGIFAnimator::Start() {
    if (OnStart) OnStart(this);
}
void TZbGIFAnimator::Stop() {
    if (OnStop) OnStop(this);
}

TPaletteEntries TZbGIFAnimator::GetPalette() const { return FImage->Palette(); }

void TZbGIFAnimator::BoundsChanged(bool sizeChanged) {
    TZbImageControl::BoundsChanged(sizeChanged);
    if (sizeChanged) AdjustSize();
}

void TZbGIFAnimator::AdjustSize() {
    if (HasState(csReading) || HasState(csLoading) || !FAutoSize || FImage->Empty()) return;
    const int w = FImage->ScreenWidth(), h = FImage->ScreenHeight();
    if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
}

void TZbGIFAnimator::TimerExpired(TObject*) {
    if (!Visible() || FImage->Count() <= 1 || !Parent()) return;
    const int previous = FFrameIndex;
    FFrameIndex = FFrameIndex >= FImage->Count() - 1 ? 0 : FFrameIndex + 1;
    // A frame that cannot be composed (damaged or too large) stops the animation on the last good
    // frame: one error for the user, not one per tick.
    try {
        TColor transparent = clNone;
        FrameBitmap(FFrameIndex, transparent);
    } catch (...) {
        FFrameIndex = previous;
        ClearCache();
        SetAnimate(false);
        throw;
    }
    FChanging = true;
    try {
        FrameChanged();
        Repaint();
    } catch (...) {
        FChanging = false;
        throw;
    }
    FChanging = false;
    FTimer->SetInterval(FrameDelay(FFrameIndex));
    if (!FLoop && FFrameIndex == 0) SetAnimate(false);
}

void TZbGIFAnimator::PaintControl() {
    DoPaintControl();
    if (HasState(csDesigning) && (FImage->Transparent() || FImage->Empty())) {
        TCanvas* canvas = PaintCanvas();
        canvas->Pen()->SetStyle(psDash);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(ClientRect());
    }
}

void TZbGIFAnimator::PaintImage() {
    TCanvas* canvas = PaintCanvas();
    if (FImage->Transparent() || FImage->Empty()) CopyParentImage(canvas);
    if (FImage->Empty() || FImage->ScreenWidth() < 1 || FImage->ScreenHeight() < 1) return;
    TColor transparent = clNone;
    TBitmap* frame = FrameBitmap(FFrameIndex, transparent);
    if (!frame) return;
    TRect dest;
    if (FStretch)
        dest = ClientRect();
    else if (FCenter)
        dest = Bounds((ClientWidth() - frame->Width()) / 2, (ClientHeight() - frame->Height()) / 2, frame->Width(),
                      frame->Height());
    else
        dest = Rect(0, 0, frame->Width(), frame->Height());
    if (transparent != clNone && FTransparent)
        controls::visual::DrawBitmapRectTransparent(canvas, dest, frame, transparent);
    else
        canvas->StretchDraw(dest, frame);
}

// The brush of a new composed bitmap, after the image's current frame and background.
TColor TZbGIFAnimator::FrameBrushColor() {
    const int current = FImage->FrameIndex();
    if (current >= 0 && current < FImage->Count() && FImage->Frames(current)->TransparentColor() != clNone)
        return FImage->Frames(current)->TransparentColor();
    if (FImage->BackgroundColor() == clNone) return clWindow;
    if (FImage->Transparent()) return FImage->BackgroundColor();
    return clWindow;
}

TBitmap* TZbGIFAnimator::FrameBitmap(int index, TColor& transparentColor) {
    const int count = FImage->Count();
    if (count == 0) return nullptr;
    const int n = std::clamp(index, 0, count - 1);
    const int sw = FImage->ScreenWidth(), sh = FImage->ScreenHeight();
    auto frameRect = [](TGIFFrame* f) { return Bounds(f->Origin().X, f->Origin().Y, f->Width(), f->Height()); };

    if (FCache && FCacheIndex == n) {  // composed already (the timer step composes before it paints)
        transparentColor = FCacheColor;
        return FCache.get();
    }
    const bool incremental =
        FCache && FCacheIndex >= 0 && FCacheIndex == n - 1 && FImage->Frames(FCacheIndex)->DisposalMethod() != 3;
    transparentColor = clNone;
    if (incremental) {
        transparentColor = FCacheColor;
    } else {
        ClearCache();
        FCache = std::make_unique<TBitmap>();
        FCache->SetSize(sw, sh);
    }
    TCanvas* canvas = FCache->Canvas();
    if (!incremental) {
        const int current = FImage->FrameIndex();
        const bool frameTransparent =
            current >= 0 && current < count && FImage->Frames(current)->TransparentColor() != clNone;
        TColor brush = FrameBrushColor();
        if (frameTransparent) {
            brush = canvas->NearestColor(brush);
            transparentColor = brush;
        }
        canvas->Brush()->SetColor(brush);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(Rect(0, 0, sw, sh));
        // Back to the last frame that covers the whole screen opaquely, or that clears it.
        int s = n;
        while (s > 0) {
            TGIFFrame* f = FImage->Frames(s);
            const bool full = f->Width() == sw && f->Height() == sh;
            if (full && f->TransparentColor() == clNone) break;
            if (full && f->DisposalMethod() == 2 && s < n) break;
            --s;
        }
        for (int i = s; i < n; ++i) {
            TGIFFrame* f = FImage->Frames(i);
            const int disposal = f->DisposalMethod();
            if (disposal < 2)
                f->Draw(canvas, frameRect(f), true);
            else if (disposal == 2 && i > s)
                canvas->FillRect(frameRect(f));
        }
    } else if (FImage->Frames(FCacheIndex)->DisposalMethod() == 2) {
        canvas->FillRect(frameRect(FImage->Frames(FCacheIndex)));
    }
    TGIFFrame* frame = FImage->Frames(n);
    frame->Draw(canvas, frameRect(frame), true);
    FCacheIndex = n;
    FCacheColor = transparentColor;
    return FCache.get();
}
