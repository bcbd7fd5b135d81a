#pragma once
// The GIF animator: shows a GIF image frame by frame, driven by a timer whose interval follows
// each frame's delay. Each frame is composed over the ones before it as their disposal methods
// say; the composed bitmap is kept so that frames shown in order are built one draw at a time.
#include "controls/visual/Animate.h"
#include "controls/visual/ZbGIF.h"
#include "controls/visual/ZbTimer.h"

#include <memory>

class TZbGIFAnimator : public TZbImageControl {
public:
    explicit TZbGIFAnimator(TComponent* owner);
    ~TZbGIFAnimator() override;

    bool Animate() const { return FAnimate; }
    void SetAnimate(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    int FrameIndex() const { return FFrameIndex; }
    // Ignored unless it names another existing frame.
    void SetFrameIndex(int value);
    TGIFImage* Image() const { return FImage.get(); }
    // The control's image takes a copy of value.
    void SetImage(TGIFImage* value);
    // Stored only: read at each wrap to the first frame.
    bool Loop() const { return FLoop; }
    void SetLoop(bool value) { FLoop = value; }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);

    TNotifyEvent OnStart;
    TNotifyEvent OnStop;
    TNotifyEvent OnChange;
    TNotifyEvent OnFrameChanged;

protected:
    void PaintControl() override;
    void AdjustSize() override;
    void PaintImage() override;
    TPaletteEntries GetPalette() const override;
    void BoundsChanged(bool sizeChanged) override;
    virtual void Change();
    virtual void FrameChanged();
    virtual void Start();
    virtual void Stop();

    // The frame's delay in milliseconds for the timer: 50..10000, 0 outside the frames or for
    // an image of fewer than two frames.
    quint32 FrameDelay(int index) const;
    // The composed picture of frame index, and its transparent colour (clNone for none).
    TBitmap* FrameBitmap(int index, TColor& transparentColor);
    // The timer's event: the next frame.
    void TimerExpired(TObject* sender);
    TZbTimer* Timer() const { return FTimer; }
    int CacheIndex() const { return FCacheIndex; }

private:
    void ImageChanged(TObject* sender);
    void ClearCache();
    TColor FrameBrushColor();

    bool FAnimate = false;
    std::unique_ptr<TGIFImage> FImage;
    TZbTimer* FTimer;  // owned as a component
    int FFrameIndex = 0;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = true;
    bool FChanging = false;
    std::unique_ptr<TBitmap> FCache;
    int FCacheIndex = -1;
    TColor FCacheColor = clNone;
    bool FAutoSize = true;
    bool FLoop = true;
};
