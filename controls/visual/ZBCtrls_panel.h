#pragma once
// A panel that, while Active, scrolls a block of text lines through its client area, upward or
// from right to left, one pixel per timer tick, beside an optional glyph. The controls placed on
// it are hidden while it plays.
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <functional>
#include <memory>
#include <vector>

class TZbTimer;

enum TScrollDirection { sdVertical, sdHorizontal };
enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
using TPanelDrawEvent = TEvent<TObject*, TCanvas*, TRect>;

namespace controls::visual {
// What makes the panel tick: its timer component, or a clock a test drives.
class TTickSource {
public:
    virtual ~TTickSource() = default;
    virtual void SetInterval(quint32 ms) = 0;
    virtual quint32 Interval() const = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual bool Enabled() const = 0;
    std::function<void()> OnTick;
};
}  // namespace controls::visual

class TSecretPanel : public TCustomPanel {
public:
    explicit TSecretPanel(TComponent* owner);
    ~TSecretPanel() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TStringList* Lines() const { return FLines.get(); }
    void SetLines(TStrings* value) { FLines->Assign(value); }
    bool Cycled() const { return FCycled; }
    void SetCycled(bool value) { FCycled = value; }
    quint32 Interval() const;
    void SetInterval(quint32 value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }
    TBevelCut TextStyle() const { return FTextStyle; }
    TScrollDirection ScrollDirection() const { return FDirection; }
    void SetScrollDirection(TScrollDirection value);
    TGlyphLayout GlyphLayout() const { return FGlyphLayout; }

    // Layout as it stands while playing.
    int LineHeight() const { return FTxtDivider; }
    int ScrollLength() const { return FMaxScroll; }
    int ScrollPosition() const { return FScrollCnt; }
    TRect TextRect() const { return FTxtRect; }
    TPoint GlyphOrigin() const { return FGlyphOrigin; }

    // Replaces the timer (the panel takes it); tests drive the ticks with a clock of their own.
    void SetTickSource(std::unique_ptr<controls::visual::TTickSource> source);

    // One step: a pixel further, or the end of the pass.
    virtual void TimerExpired();
    virtual void PaintClient(TCanvas* canvas, const TRect& rect);

    TPanelDrawEvent OnPaintClient;
    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

protected:
    void Paint() override;
    void Resize() override;
    void CMFontChanged() override;
    void CMColorChanged() override;

private:
    void RecalcDrawRect();
    void PaintText();
    void Start();
    void Stop();
    void LinesChanged();
    void GlyphChanged();
    int BorderSize() const;

    bool FActive = false;
    TAlignment FAlignment = taCenter;
    std::unique_ptr<TStringList> FLines;
    bool FCycled = false;
    int FScrollCnt = 0;
    int FMaxScroll = 0;
    int FTxtDivider = 1;
    int FFirstLine = 0;
    std::unique_ptr<controls::visual::TTickSource> FTimer;
    TRect FTxtRect;
    TRect FPaintRect;
    TPoint FGlyphOrigin;
    std::unique_ptr<TBitmap> FMemoryImage;
    std::unique_ptr<TBitmap> FGlyph;
    std::vector<TControl*> FHiddenList;
    TBevelCut FTextStyle = bvNone;
    TScrollDirection FDirection = sdVertical;
    TGlyphLayout FGlyphLayout = glGlyphLeft;
};
