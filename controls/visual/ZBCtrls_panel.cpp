#include "controls/visual/ZBCtrls_panel.h"

#include "controls/visual/ZbTimer.h"
#include "platform/forms/GraphicsGlue.h"

#include <QFontMetrics>
#include <algorithm>

namespace {
// The panel's timer component as its tick source.
class TTimerTicks : public controls::visual::TTickSource {
public:
    explicit TTimerTicks(TComponent* owner) : FTimer(new TZbTimer(owner)) {
        FTimer->SetEnabled(false);
        FTimer->SetInterval(30);
        FTimer->SetOnTimer(TNotifyEvent([this](TObject*) {
            if (OnTick)
                OnTick();
        }));
    }
    ~TTimerTicks() override { delete FTimer; }
    void SetInterval(quint32 ms) override { FTimer->SetInterval(ms); }
    quint32 Interval() const override { return FTimer->Interval(); }
    void SetEnabled(bool value) override { FTimer->SetEnabled(value); }
    bool Enabled() const override { return FTimer->Enabled(); }

private:
    TZbTimer* FTimer;
};
}  // namespace

TSecretPanel::TSecretPanel(TComponent* owner)
    : TCustomPanel(owner), FLines(std::make_unique<TStringList>()), FGlyph(std::make_unique<TBitmap>()) {
    FTimer = std::make_unique<TTimerTicks>(nullptr);
    FTimer->OnTick = [this] { TimerExpired(); };
    FLines->OnChange = [this](TObject*) { LinesChanged(); };
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
    SetBevelInner(bvNone);
    SetBevelOuter(bvLowered);
    SetBevelWidth(1);
    SetColor(clBtnFace);
    SetCaption(QString());
}

TSecretPanel::~TSecretPanel() {
    SetActive(false);
    FTimer.reset();
}

void TSecretPanel::SetTickSource(std::unique_ptr<controls::visual::TTickSource> source) {
    const quint32 interval = FTimer ? FTimer->Interval() : 30;
    const bool enabled = FTimer && FTimer->Enabled();
    if (FTimer)
        FTimer->SetEnabled(false);
    FTimer = std::move(source);
    FTimer->SetInterval(interval);
    FTimer->OnTick = [this] { TimerExpired(); };
    FTimer->SetEnabled(enabled);
}

quint32 TSecretPanel::Interval() const { return FTimer->Interval(); }

void TSecretPanel::SetInterval(quint32 value) { FTimer->SetInterval(value); }

int TSecretPanel::BorderSize() const {
    int border = BorderWidth();
    if (BevelOuter() != bvNone)
        border += BevelWidth();
    if (BevelInner() != bvNone)
        border += BevelWidth();
    return border;
}

void TSecretPanel::RecalcDrawRect() {
    const int border = BorderSize();
    FFirstLine = 0;
    while (FFirstLine < FLines->Count() && FLines->Strings(FFirstLine).trimmed().isEmpty())
        ++FFirstLine;
    const QFontMetrics fm(platform::forms::QtFont(Font()));
    FTxtDivider = fm.height() + std::max(0, fm.leading()) + (FTextStyle != bvNone ? 1 : 0);
    const TRect client = ClientRect();
    FPaintRect = Rect(client.Left + border, client.Top + border, client.Right - border, client.Bottom - border);
    const int inset = border + 3;
    FTxtRect = Rect(client.Left + inset, client.Top + inset, client.Right - inset, client.Bottom - inset);
    const int gw = FGlyph->Empty() ? 0 : FGlyph->Width();
    const int gh = FGlyph->Empty() ? 0 : FGlyph->Height();
    switch (FGlyphLayout) {
    case glGlyphLeft:
        FGlyphOrigin.X = FTxtRect.Left;
        FGlyphOrigin.Y = std::max(FTxtRect.Top, (FTxtRect.Top + FTxtRect.Bottom - gh) / 2);
        if (gw > 0) {
            FGlyphOrigin.X += 3;
            FTxtRect.Left = border + 3 + gw + FGlyphOrigin.X;
        }
        break;
    case glGlyphRight:
        FGlyphOrigin.Y = std::max(FTxtRect.Top, (FTxtRect.Top + FTxtRect.Bottom - gh) / 2);
        FGlyphOrigin.X = FTxtRect.Right - gw;
        if (gw > 0) {
            FGlyphOrigin.X = std::max(FTxtRect.Left, FGlyphOrigin.X - 3);
            FTxtRect.Right = FGlyphOrigin.X - (border + 3);
        }
        break;
    case glGlyphTop:
        FGlyphOrigin.Y = FTxtRect.Top;
        FGlyphOrigin.X = std::max(FTxtRect.Left, (FTxtRect.Left + FTxtRect.Right - gw) / 2);
        if (gh > 0) {
            FGlyphOrigin.Y += 3;
            FTxtRect.Top = gh + FGlyphOrigin.Y + border + 6;
        }
        break;
    case glGlyphBottom:
        FGlyphOrigin.X = std::max(FTxtRect.Left, (FTxtRect.Left + FTxtRect.Right - gw) / 2);
        FGlyphOrigin.Y = FTxtRect.Bottom - gh;
        if (gh > 0) {
            FGlyphOrigin.Y = std::max(FTxtRect.Top, FGlyphOrigin.Y - 3);
            FTxtRect.Bottom = FGlyphOrigin.Y - (border + 6);
        }
        break;
    }
    if (FDirection == sdHorizontal) {
        int last = FLines->Count() - 1;
        while (last >= FFirstLine && FLines->Strings(last).trimmed().isEmpty())
            --last;
        const int spare = FTxtRect.Height() - (last + 1 - FFirstLine) * FTxtDivider;
        if (spare > 0) {
            FTxtRect.Top += spare / 2;
            FTxtRect.Bottom -= spare / 2;
        }
    }
    if (FTxtRect.Width() <= 0 || FTxtRect.Height() <= 0)
        FTxtRect = Rect(0, 0, 0, 0);
    if (FDirection == sdVertical) {
        FMaxScroll = FTxtRect.Height() + FTxtDivider * (FLines->Count() - FFirstLine);
    } else {
        int widest = 0;
        for (int i = FFirstLine; i < FLines->Count(); ++i)
            widest = std::max(widest, fm.horizontalAdvance(FLines->Strings(i)));
        FMaxScroll = widest + FTxtRect.Width();
    }
    if (!FMemoryImage)
        FMemoryImage = std::make_unique<TBitmap>();
    FMemoryImage->SetSize(std::max(0, FTxtRect.Width()), std::max(0, FTxtRect.Height()));
    FMemoryImage->Canvas()->Font()->Assign(Font());
    FMemoryImage->Canvas()->Brush()->SetColor(Color());
    FMemoryImage->Canvas()->SetBkMode(TRANSPARENT);
}

void TSecretPanel::PaintText() {
    if (FLines->Count() == 0 || FTxtRect.Width() <= 0 || FTxtRect.Height() <= 0 || !FMemoryImage)
        return;
    TCanvas* canvas = FMemoryImage->Canvas();
    const int width = FTxtRect.Width(), height = FTxtRect.Height();
    // The background as the panel paints it, shifted so the image matches the text rectangle.
    PaintClient(canvas, Rect(-FTxtRect.Left, -FTxtRect.Top, ClientWidth() - FTxtRect.Left,
                             ClientHeight() - FTxtRect.Top));
    TRect r = Rect(0, 0, width, height);
    if (FDirection == sdVertical) {
        r.Top = height - FScrollCnt;
    } else {
        r.Left = width - FScrollCnt;
        r.Right = FMaxScroll - width + r.Left;
    }
    r.Bottom = r.Top + FTxtDivider;
    unsigned format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS;
    format |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    canvas->SetBkMode(TRANSPARENT);
    const TColor fontColor = Font()->Color();
    for (int i = FFirstLine; i < FLines->Count() && r.Top < height; ++i) {
        if (r.Bottom > 0) {
            const QString line = FLines->Strings(i);
            if (FTextStyle != bvNone) {
                const int d = FTextStyle == bvLowered ? 1 : -1;
                TRect shadow = Rect(r.Left + d, r.Top + d, r.Right + d, r.Bottom + d);
                canvas->Font()->SetColor(clBtnHighlight);
                canvas->DrawText(line, shadow, format);
            }
            canvas->Font()->SetColor(fontColor);
            TRect place = r;
            canvas->DrawText(line, place, format);
        }
        r.Top += FTxtDivider;
        r.Bottom += FTxtDivider;
    }
    Invalidate();
}

void TSecretPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect rect = ClientRect();
    if (BevelOuter() != bvNone)
        Frame3D(canvas, rect, BevelOuter() == bvRaised ? clBtnHighlight : clBtnShadow,
                BevelOuter() == bvRaised ? clBtnShadow : clBtnHighlight, BevelWidth());
    Frame3D(canvas, rect, Color(), Color(), BorderWidth());
    if (BevelInner() != bvNone)
        Frame3D(canvas, rect, BevelInner() == bvRaised ? clBtnHighlight : clBtnShadow,
                BevelInner() == bvRaised ? clBtnShadow : clBtnHighlight, BevelWidth());
    canvas->Brush()->SetColor(Color());
    if (QPainter* painter = canvas->Painter()) {
        painter->save();
        painter->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
        PaintClient(canvas, rect);
        painter->restore();
    } else {
        PaintClient(canvas, rect);
    }
    if (!FActive)
        return;
    if (!FGlyph->Empty()) {
        // Bottom-left pixel as the transparent colour.
        TBitmap glyph;
        glyph.Assign(FGlyph.get());
        glyph.SetTransparentColor(glyph.Canvas()->Pixels(0, glyph.Height() - 1));
        glyph.SetTransparent(true);
        canvas->Draw(FGlyphOrigin.X, FGlyphOrigin.Y, &glyph);
    }
    if (FMemoryImage && !FMemoryImage->Empty() && FScrollCnt > 0)
        canvas->Draw(FTxtRect.Left, FTxtRect.Top, FMemoryImage.get());
}

void TSecretPanel::PaintClient(TCanvas* canvas, const TRect& rect) {
    if (OnPaintClient)
        OnPaintClient(this, canvas, rect);
    else
        canvas->FillRect(rect);
}

void TSecretPanel::TimerExpired() {
    if (FScrollCnt < FMaxScroll) {
        ++FScrollCnt;
        PaintText();
    } else if (FCycled) {
        FScrollCnt = 0;
        PaintText();
    } else {
        SetActive(false);
    }
}

void TSecretPanel::Start() {
    FScrollCnt = 0;
    RecalcDrawRect();
    FTimer->SetEnabled(true);
    if (OnStartPlay)
        OnStartPlay(this);
}

void TSecretPanel::Stop() {
    FTimer->SetEnabled(false);
    FScrollCnt = 0;
    FMemoryImage.reset();
    if (OnStopPlay)
        OnStopPlay(this);
}

void TSecretPanel::SetActive(bool value) {
    if (value == FActive)
        return;
    FActive = value;
    if (value)
        Start();
    else
        Stop();
    if (!HasState(csDestroying)) {
        if (value) {
            for (int i = 0; i < ControlCount(); ++i) {
                TControl* child = Controls(i);
                if (child->Visible()) {
                    FHiddenList.push_back(child);
                    if (!HasState(csDesigning))
                        child->SetVisible(false);
                }
            }
        } else {
            for (TControl* child : FHiddenList) {
                child->SetVisible(true);
                child->Invalidate();
            }
            FHiddenList.clear();
        }
    }
    Invalidate();
}

void TSecretPanel::SetAlignment(TAlignment value) {
    FAlignment = value;
    if (FActive)
        Invalidate();
}

void TSecretPanel::SetScrollDirection(TScrollDirection value) {
    if (value == FDirection)
        return;
    FDirection = value;
    if (FActive) {
        FScrollCnt = 0;
        RecalcDrawRect();
        Invalidate();
    }
}

void TSecretPanel::LinesChanged() {
    if (!FActive)
        return;
    FScrollCnt = 0;
    RecalcDrawRect();
    Invalidate();
}

void TSecretPanel::GlyphChanged() {
    if (!FActive)
        return;
    RecalcDrawRect();
    Invalidate();
}

void TSecretPanel::Resize() {
    TCustomPanel::Resize();
    if (FActive) {
        RecalcDrawRect();
        Invalidate();
    }
}

void TSecretPanel::CMFontChanged() {
    TCustomPanel::CMFontChanged();
    if (FActive)
        RecalcDrawRect();
}

void TSecretPanel::CMColorChanged() {
    TCustomPanel::CMColorChanged();
    if (FActive)
        RecalcDrawRect();
}
