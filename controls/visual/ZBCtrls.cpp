#include "controls/visual/ZBCtrls.h"

#include "controls/visual/BitmapHelpers.h"
#include "platform/forms/Forms.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <QWindow>

// ================================================================== glyph lists and cache

TGlyphList::TGlyphList(int width, int height) : TImageList(width, height) {}

int TGlyphList::AllocateIndex() {
    for (size_t i = 0; i < FUsed.size(); ++i)
        if (!FUsed[i]) {
            FUsed[i] = true;
            return int(i);
        }
    // No free slot: a blank image makes one.
    TBitmap blank;
    blank.SetSize(Width(), Height());
    TImageList::Add(&blank, nullptr);
    FUsed.resize(size_t(Count()), false);
    FUsed.back() = true;
    return Count() - 1;
}

int TGlyphList::Add(TBitmap* image, TBitmap* mask) {
    const int index = AllocateIndex();
    try {
        Replace(index, image, mask);
    } catch (const Exception&) {
        FUsed[size_t(index)] = false;
        throw EInvalidOperation(QStringLiteral("Unable to Replace Image"));
    }
    ++FCount;
    return index;
}

int TGlyphList::AddMasked(TBitmap* image, TColor maskColor) {
    const int index = AllocateIndex();
    try {
        ReplaceMasked(index, image, maskColor);
    } catch (const Exception&) {
        FUsed[size_t(index)] = false;
        throw EInvalidOperation(QStringLiteral("Unable to Replace Image"));
    }
    ++FCount;
    return index;
}

void TGlyphList::Delete(int index) {
    if (index < 0 || size_t(index) >= FUsed.size() || !FUsed[size_t(index)]) return;
    FUsed[size_t(index)] = false;
    --FCount;
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (auto it = FLists.rbegin(); it != FLists.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    FLists.push_back(std::make_unique<TGlyphList>(width, height));
    return FLists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->UsedCount() != 0) return;
    for (auto it = FLists.begin(); it != FLists.end(); ++it)
        if (it->get() == list) {
            FLists.erase(it);
            return;
        }
}

namespace {
std::unique_ptr<TGlyphCache> GGlyphCache;
std::unique_ptr<TBitmap> GButtonPattern;
int GButtonCount = 0;

TGlyphCache* Cache() {
    if (!GGlyphCache) GGlyphCache = std::make_unique<TGlyphCache>();
    return GGlyphCache.get();
}

TColor GrayMapped(TColor color, TColor transparent) {
    const TColor rgb = ColorToRGB(color);
    if (rgb == ColorToRGB(transparent) || rgb == ColorToRGB(clBtnFace)) return color;
    return controls::visual::GrayOf(rgb);
}

void GrayBitmap(TBitmap* bmp, TColor transparent) {
    TCanvas* c = bmp->Canvas();
    for (int y = 0; y < bmp->Height(); ++y)
        for (int x = 0; x < bmp->Width(); ++x) c->SetPixel(x, y, GrayMapped(c->Pixels(x, y), transparent));
}

bool ImagesUsable(TImageList* images, int index) {
    return images && images->Width() >= 1 && index >= 0 && index < images->Count();
}

unsigned AlignFlags(TAlignment a) {
    return a == taLeftJustify ? DT_LEFT : a == taRightJustify ? DT_RIGHT : DT_CENTER;
}
}  // namespace

namespace controls::visual {

TGlyphCache* GlyphCacheInstance() { return GGlyphCache.get(); }

TSize AvailableTextArea(TSize client, TSize glyph, TButtonLayout layout, int margin, int spacing, bool popupMark) {
    TSize r;
    if (layout == blGlyphLeft || layout == blGlyphRight) {
        r.cx = client.cx - glyph.cx - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0) -
               (popupMark ? 9 : 0);
        r.cy = client.cy;
    } else {
        r.cx = client.cx;
        r.cy = client.cy - glyph.cy - (margin != -1 ? margin : 0) - (spacing != -1 ? spacing : 0);
    }
    r.cx = std::max(r.cx, 0);
    r.cy = std::max(r.cy, 0);
    return r;
}

TGlyphLayout LayoutGlyph(TSize client, TSize glyph, TSize text, TButtonLayout layout, int margin, int spacing,
                         bool popupMark) {
    TGlyphLayout l;
    if (popupMark) {
        if (glyph.cx == 0 || glyph.cy == 0 || layout == blGlyphLeft)
            text.cx += 9;
        else
            glyph.cx += 6;
    }
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        l.GlyphPos.Y = client.cy / 2 - glyph.cy / 2;
        l.TextPos.Y = client.cy / 2 - text.cy / 2;
    } else {
        l.GlyphPos.X = client.cx / 2 - glyph.cx / 2;
        l.TextPos.X = client.cx / 2 - text.cx / 2;
    }
    if (text.cx == 0 || glyph.cx == 0) spacing = 0;
    const int clientLen = horizontal ? client.cx : client.cy;
    const int glyphLen = horizontal ? glyph.cx : glyph.cy;
    const int textLen = horizontal ? text.cx : text.cy;
    if (margin == -1) {
        if (spacing == -1) {
            const int total = glyphLen + textLen;
            margin = (clientLen - total) / 3;
            spacing = margin;
        } else {
            const int total = glyphLen + spacing + textLen;
            margin = clientLen / 2 - total / 2;
        }
    } else if (spacing == -1) {
        const int rest = clientLen - (margin + glyphLen);
        spacing = rest / 2 - textLen / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        l.GlyphPos.X = margin;
        l.TextPos.X = l.GlyphPos.X + glyph.cx + spacing;
        break;
    case blGlyphRight:
        l.GlyphPos.X = client.cx - margin - glyph.cx;
        l.TextPos.X = l.GlyphPos.X - spacing - text.cx;
        break;
    case blGlyphTop:
        l.GlyphPos.Y = margin;
        l.TextPos.Y = l.GlyphPos.Y + glyph.cy + spacing;
        break;
    case blGlyphBottom:
        l.GlyphPos.Y = client.cy - margin - glyph.cy;
        l.TextPos.Y = l.GlyphPos.Y - spacing - text.cy;
        break;
    }
    l.GlyphSize = glyph;
    l.TextSize = text;
    return l;
}

}  // namespace controls::visual

// ================================================================== glyph object

TZbButtonGlyph::TZbButtonGlyph() : FOriginal(std::make_unique<TBitmap>()) {
    FIndexs.fill(-1);
    FOriginal->OnChange = TNotifyEvent(this, &TZbButtonGlyph::GlyphChanged);
    Cache();
}

TZbButtonGlyph::~TZbButtonGlyph() {
    FOriginal->OnChange = nullptr;
    Invalidate();
    if (GGlyphCache && GGlyphCache->Empty()) GGlyphCache.reset();
}

void TZbButtonGlyph::Invalidate() {
    for (int& index : FIndexs) {
        if (index != -1 && FGlyphList) FGlyphList->Delete(index);
        index = -1;
    }
    if (FGlyphList && GGlyphCache) GGlyphCache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

void TZbButtonGlyph::SetGlyph(TBitmap* value) {
    Invalidate();
    if (value)
        FOriginal->Assign(value);
    else
        FOriginal->SetSize(0, 0);
}

void TZbButtonGlyph::SetNumGlyphs(TZbNumGlyphs value) {
    if (value <= 0 || value == FNumGlyphs) return;
    Invalidate();
    FNumGlyphs = std::min(value, 5);
}

void TZbButtonGlyph::GlyphChanged(TObject*) {
    Invalidate();
    const int h = FOriginal->Height();
    // A bitmap without height tells nothing of its cells.
    if (h > 0) {
        FTransparentColor = FOriginal->TransparentColor() & ~0x02000000;
        const int w = FOriginal->Width();
        if (w % h == 0) {
            int n = w / h;
            if (n > 5) n = 1;
            SetNumGlyphs(n);
        }
    }
    OnChange(this);
}

TGlyphList* TZbButtonGlyph::ListFor(int width, int height) {
    if (!FGlyphList) FGlyphList = Cache()->GetList(width, height);
    return FGlyphList;
}

int TZbButtonGlyph::AddToList(TBitmap* image, TColor maskColor) { return FGlyphList->AddMasked(image, maskColor); }

int TZbButtonGlyph::CreateButtonGlyph(TZbButtonState state) {
    if (state == rbsDown && FNumGlyphs < 3) state = rbsUp;
    if (FIndexs[state] != -1) return FIndexs[state];
    if (FOriginal->Width() == 0 || FOriginal->Height() == 0 || FOriginal->Empty()) return -1;
    const int iw = FOriginal->Width() / FNumGlyphs;
    const int ih = FOriginal->Height();
    if (iw == 0) return -1;
    ListFor(iw, ih);
    TBitmap tmp;
    tmp.SetSize(iw, ih);
    TCanvas* c = tmp.Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, iw, ih));
    const int cell = int(state) < FNumGlyphs ? int(state) : 0;
    const TRect dest = Rect(0, 0, iw, ih);
    const TRect source = Bounds(cell * iw, 0, iw, ih);
    const TColor key = ColorToRGB(FTransparentColor);
    int index = -1;
    switch (state) {
    case rbsUp:
    case rbsDown:
    case rbsExclusive:
        c->CopyRect(dest, FOriginal->Canvas(), source);
        index = AddToList(&tmp, key);
        break;
    case rbsDisabled:
        if (FNumGlyphs > 1) {
            c->CopyRect(dest, FOriginal->Canvas(), source);
            index = AddToList(&tmp, key);
        } else {
            std::unique_ptr<TBitmap> disabled(CreateDisabledBitmap(FOriginal.get(), clBlack));
            index = AddToList(disabled.get(), ColorToRGB(clBtnFace));
        }
        break;
    case rbsInactive:
        if (FNumGlyphs == 5) {
            c->CopyRect(dest, FOriginal->Canvas(), source);
        } else {
            c->CopyRect(dest, FOriginal->Canvas(), Bounds(0, 0, iw, ih));
            GrayBitmap(&tmp, FTransparentColor);
        }
        index = AddToList(&tmp, key);
        break;
    }
    FIndexs[state] = index;
    FOriginal->Dormant();
    return index;
}

int TZbButtonGlyph::CreateImageGlyph(TZbButtonState state, TImageList* images, int imageIndex) {
    if (state == rbsDown) state = rbsUp;
    if (FIndexs[state] != -1) return FIndexs[state];
    if (!images || images->Width() < 1 || images->Height() < 1 || images->Count() == 0) return -1;
    if (imageIndex < 0 || imageIndex >= images->Count()) return -1;
    const int w = images->Width(), h = images->Height();
    ListFor(w, h);
    TBitmap tmp;
    tmp.SetSize(w, h);
    TCanvas* c = tmp.Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, w, h));
    int index = -1;
    if (state == rbsDisabled) {
        ImageListDrawDisabled(images, c, 0, 0, imageIndex, clBtnHighlight, clBtnShadow, true);
        index = AddToList(&tmp, ColorToRGB(clBtnFace));
    } else if (state == rbsInactive) {
        images->Draw(c, 0, 0, imageIndex);
        GrayBitmap(&tmp, FTransparentColor);
        index = AddToList(&tmp, ColorToRGB(clBtnFace));
    } else {
        images->DrawWithFlags(c, 0, 0, imageIndex, ILD_NORMAL);
        TBitmap mask;
        mask.SetPixelFormat(pf1bit);
        mask.SetSize(w, h);
        mask.Canvas()->Brush()->SetColor(clWhite);
        mask.Canvas()->FillRect(Rect(0, 0, w, h));
        images->DrawWithFlags(mask.Canvas(), 0, 0, imageIndex, ILD_MASK);
        index = FGlyphList->Add(&tmp, &mask);
    }
    FIndexs[state] = index;
    return index;
}

void TZbButtonGlyph::CalcButtonLayout(TCanvas* canvas, const TRect& client, QString& caption, TButtonLayout layout,
                                      int margin, int spacing, bool popupMark, TPoint& glyphPos, TRect& textBounds,
                                      unsigned flags, TImageList* images, int imageIndex) {
    const TSize clientSize{client.Width(), client.Height()};
    TSize glyph;
    if (ImagesUsable(images, imageIndex))
        glyph = {images->Width(), images->Height()};
    else if (!FOriginal->Empty())
        glyph = {FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
    const TSize avail = controls::visual::AvailableTextArea(clientSize, glyph, layout, margin, spacing, popupMark);

    caption = caption.left(255);
    if (!FWordWrap) {
        QStringList lines = QString(caption).remove(u'\r').split(u'\n');
        for (QString& line : lines) line = MinimizeText(line, canvas, avail.cx);
        caption = lines.join(u'\n');
        while (!caption.isEmpty() && caption.back() == u' ') caption.chop(1);
    }
    TRect tr;
    if (!caption.isEmpty()) {
        tr = Rect(0, 0, avail.cx, 0);
        canvas->DrawText(caption, tr,
                         DT_CALCRECT | DT_CENTER | DT_VCENTER | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u) | flags);
        tr.Left = 0;
        tr.Top = 0;
        tr.Right = std::min(tr.Right, avail.cx);
        tr.Bottom = std::min(tr.Bottom, avail.cy);
    }
    const TSize textSize{tr.Width(), tr.Height()};
    const controls::visual::TGlyphLayout l =
        controls::visual::LayoutGlyph(clientSize, glyph, textSize, layout, margin, spacing, popupMark);
    glyphPos = {l.GlyphPos.X + client.Left, l.GlyphPos.Y + client.Top};
    textBounds = tr;
    OffsetRect(textBounds, l.TextPos.X + client.Left, l.TextPos.Y + client.Top);
}

void TZbButtonGlyph::DrawButtonGlyph(TCanvas* canvas, TPoint pos, TZbButtonState state, TImageList* images,
                                     int imageIndex) {
    if (ImagesUsable(images, imageIndex)) {
        if (state == rbsDisabled) {
            ImageListDrawDisabled(images, canvas, pos.X, pos.Y, imageIndex, clBtnHighlight, clBtnShadow, true);
        } else if (state == rbsInactive) {
            const int index = CreateImageGlyph(state, images, imageIndex);
            if (index >= 0) FGlyphList->Draw(canvas, pos.X, pos.Y, index);
        } else {
            images->Draw(canvas, pos.X, pos.Y, imageIndex);
        }
        return;
    }
    if (FOriginal->Empty()) return;
    const int index = CreateButtonGlyph(state);
    if (index >= 0) FGlyphList->Draw(canvas, pos.X, pos.Y, index);
}

void TZbButtonGlyph::DrawButtonText(TCanvas* canvas, const QString& caption, TRect bounds, TZbButtonState state,
                                    unsigned flags) {
    if (caption.isEmpty()) return;
    canvas->Brush()->SetStyle(bsClear);
    const unsigned format = flags | DT_VCENTER | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u);
    const TColor fontColor = canvas->Font()->Color();
    if (state == rbsDisabled) {
        OffsetRect(bounds, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(caption, bounds, format);
        OffsetRect(bounds, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
        canvas->DrawText(caption, bounds, format);
        canvas->Font()->SetColor(fontColor);
    } else {
        canvas->DrawText(caption, bounds, format);
    }
}

void TZbButtonGlyph::DrawPopupMark(TCanvas* canvas, int x, int y, TZbButtonState state) {
    auto mark = [canvas](int px, int py, TColor color) {
        for (int i = 0; i < 7; ++i) canvas->SetPixel(px + i, py - 1, color);
        for (int i = 1; i < 6; ++i) canvas->SetPixel(px + i, py, color);
        for (int i = 2; i < 5; ++i) canvas->SetPixel(px + i, py + 1, color);
        canvas->SetPixel(px + 3, py + 2, color);
    };
    if (state == rbsDisabled) {
        mark(x + 1, y + 1, clBtnHighlight);
        mark(x, y, clBtnShadow);
    } else {
        mark(x, y, clBtnText);
    }
}

TRect TZbButtonGlyph::Draw(TCanvas* canvas, const TRect& client, const QString& caption, unsigned textFlags,
                           TZbButtonState state, TImageList* images, int imageIndex, bool popupMark, int spacing,
                           int margin, TButtonLayout layout) {
    QString text = caption;
    TPoint glyphPos;
    TRect textBounds;
    CalcButtonLayout(canvas, client, text, layout, margin, spacing, popupMark, glyphPos, textBounds, textFlags,
                     images, imageIndex);
    DrawButtonGlyph(canvas, glyphPos, state, images, imageIndex);
    DrawButtonText(canvas, text, textBounds, state, textFlags);
    if (popupMark) {
        const bool fromList = ImagesUsable(images, imageIndex);
        const bool glyphDrawn = fromList || FOriginal->Width() > 0;
        int x, y;
        if (layout != blGlyphLeft && glyphDrawn) {
            const int gw = fromList ? images->Width() : FOriginal->Width() / FNumGlyphs;
            const int gh = fromList ? images->Height() : FOriginal->Height();
            x = glyphPos.X + gw + 1;
            y = glyphPos.Y + gh / 2;
        } else {
            x = text.isEmpty() ? (client.Left + client.Right - 7) / 2 : textBounds.Right + 3;
            y = textBounds.Top + textBounds.Height() / 2;
        }
        DrawPopupMark(canvas, x, y, state);
    }
    return textBounds;
}

// ================================================================== button image and frames

TButtonImage::TButtonImage() : FGlyph(std::make_unique<TZbButtonGlyph>()) {}
TButtonImage::~TButtonImage() = default;

void TButtonImage::Draw(TCanvas* canvas, int x, int y, int margin, int spacing, TButtonLayout layout, TFont* font,
                        TImageList* images, int imageIndex, unsigned flags) {
    const TColor brush = canvas->Brush()->Color();
    TRect r = Bounds(x, y, FButtonSize.cx, FButtonSize.cy);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(r);
    Frame3D(canvas, r, clBtnShadow, clWindowFrame, 1);
    Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
    if (font) canvas->SetFont(font);
    FGlyph->Draw(canvas, r, FCaption, flags, rbsUp, images, imageIndex, false, spacing, margin, layout);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(brush);
}

TRect DrawButtonFrame(TCanvas* canvas, const TRect& client, bool pressed, TButtonStyle style, bool flat) {
    TRect r = client;
    const bool newStyle = style == bsNew || (style == bsAutoDetect && controls::visual::NewStyleControls);
    if (!pressed) {
        if (newStyle) {
            if (!flat) Frame3D(canvas, r, clBtnHighlight, clWindowFrame, 1);
            Frame3D(canvas, r, flat ? clBtnHighlight : clBtnFace, clBtnShadow, 1);
        } else if (!flat) {
            Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
            Frame3D(canvas, r, clBtnHighlight, clBtnShadow, 1);
        } else {
            Frame3D(canvas, r, clBtnHighlight, clWindowFrame, 1);
        }
    } else {
        if (newStyle) {
            Frame3D(canvas, r, clWindowFrame, clBtnHighlight, 1);
            if (!flat) Frame3D(canvas, r, clBtnShadow, clBtnFace, 1);
        } else if (!flat) {
            Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
            canvas->Pen()->SetColor(clBtnShadow);
            canvas->Pen()->SetStyle(psSolid);
            canvas->MoveTo(r.Left, r.Bottom - 1);
            canvas->LineTo(r.Left, r.Top);
            canvas->LineTo(r.Right, r.Top);
        } else {
            Frame3D(canvas, r, clWindowFrame, clBtnHighlight, 1);
        }
    }
    InflateRect(r, -1, -1);
    return r;
}

// ================================================================== speed button

TZbSpeedButton::TZbSpeedButton(TComponent* owner)
    : TGraphicControl(owner), FDrawImage(std::make_unique<TBitmap>()), FGlyph(std::make_unique<TZbButtonGlyph>()) {
    SetBounds(0, 0, 25, 25);
    SetControlStyle(csCaptureMouse | csOpaque | csDoubleClicks);
    FGlyph->OnChange = TNotifyEvent(this, &TZbSpeedButton::GlyphChanged);
    SetParentFont(true);
    SetParentShowHint(false);
    SetShowHint(true);
    ++GButtonCount;
}

TZbSpeedButton::~TZbSpeedButton() {
    FGlyph.reset();
    if (--GButtonCount == 0) GButtonPattern.reset();
}

int TZbSpeedButton::ButtonCount() { return GButtonCount; }

void TZbSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TZbSpeedButton::SetGroupIndex(int value) {
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    UpdateExclusive();
}

void TZbSpeedButton::SetAllowAllUp(bool value) {
    if (FAllowAllUp == value) return;
    FAllowAllUp = value;
    UpdateExclusive();
}

void TZbSpeedButton::SetStyle(TButtonStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    Invalidate();
}

void TZbSpeedButton::SetFlat(bool value) {
    if (FFlat == value) return;
    FFlat = value;
    Invalidate();
}

void TZbSpeedButton::SetLayout(TButtonLayout value) {
    if (FLayout == value) return;
    FLayout = value;
    Invalidate();
}

void TZbSpeedButton::SetSpacing(int value) {
    if (FSpacing == value) return;
    FSpacing = value;
    Invalidate();
}

void TZbSpeedButton::SetMargin(int value) {
    if (value < -1 || FMargin == value) return;
    FMargin = value;
    Invalidate();
}

void TZbSpeedButton::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Invalidate();
}

void TZbSpeedButton::SetMarkDropDown(bool value) {
    if (FMarkDropDown == value) return;
    FMarkDropDown = value;
    Invalidate();
}

void TZbSpeedButton::SetGrayedInactive(bool value) {
    if (FGrayedInactive == value) return;
    FGrayedInactive = value;
    Invalidate();
}

void TZbSpeedButton::SetDropDownMenu(TPopupMenu* value) {
    if (FDropDownMenu == value) return;
    if (FDropDownMenu) {
        FDropDownMenu->RemoveFreeNotification(this);
        RemoveFreeNotification(FDropDownMenu);
    }
    FDropDownMenu = value;
    if (value) FreeNotification(value);
    if (FMarkDropDown) Invalidate();
}

void TZbSpeedButton::SetAllowTimer(bool value) {
    FAllowTimer = value;
    if (!value && FRepeatTimer) {
        FRepeatTimer->SetEnabled(false);
        delete FRepeatTimer;  // owned by this button
        FRepeatTimer = nullptr;
    }
}

void TZbSpeedButton::SetGlyph(TBitmap* value) {
    FGlyph->SetGlyph(value);
    Invalidate();
}

void TZbSpeedButton::SetNumGlyphs(TZbNumGlyphs value) {
    value = std::min(value, 5);
    if (value == FGlyph->NumGlyphs()) return;
    FGlyph->SetNumGlyphs(value);
    Invalidate();
}

void TZbSpeedButton::SetAlignment(TAlignment value) {
    if (FGlyph->Alignment() == value) return;
    FGlyph->SetAlignment(value);
    Invalidate();
}

void TZbSpeedButton::SetWordWrap(bool value) {
    if (FGlyph->WordWrap() == value) return;
    FGlyph->SetWordWrap(value);
    Invalidate();
}

void TZbSpeedButton::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = value;
    if (value) {
        if (FState == rbsUp) Invalidate();
        FState = rbsExclusive;
    } else {
        FState = rbsUp;
    }
    Invalidate();
    if (value) UpdateExclusive();
    Invalidate();
}

void TZbSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !Parent()) return;
    TWinControl* p = Parent();
    for (int i = 0; i < p->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TZbSpeedButton*>(p->Controls(i)); b && b != this) b->ButtonPressed(FGroupIndex, this);
}

void TZbSpeedButton::ButtonPressed(int group, TZbSpeedButton* sender) {
    if (group != FGroupIndex || sender == this || !Parent()) return;
    if (sender->FDown && FDown) {
        FDown = false;
        FState = rbsUp;
        Invalidate();
    }
    FAllowAllUp = sender->FAllowAllUp;
}

void TZbSpeedButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TGraphicControl::Click();
}

void TZbSpeedButton::ButtonClick() {
    if (FMenuTracking || !Enabled() || (FDropDownMenu && FDropDownMenu->AutoPopup())) return;
    if (!FDown) {
        FState = rbsDown;
        Repaint();
    }
    // Shows the pressed look for a moment, as a real press would.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 20) {
    }
    try {
        if (FGroupIndex == 0) Click();
    } catch (...) {
        FState = rbsUp;
        if (FGroupIndex == 0) Repaint();
        throw;
    }
    FState = rbsUp;
    if (FGroupIndex == 0) {
        Repaint();
    } else {
        SetDown(!FDown);
        Click();
    }
}

void TZbSpeedButton::UpdateGlyphState() {
    const TZbButtonState state = !Enabled() ? rbsDisabled : FFlat ? rbsInactive : rbsUp;
    FGlyph->CreateButtonGlyph(state);
}

void TZbSpeedButton::Loaded() {
    TGraphicControl::Loaded();
    UpdateGlyphState();
}

void TZbSpeedButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FDropDownMenu) {
        FDropDownMenu = nullptr;
        Invalidate();
    }
}

void TZbSpeedButton::Paint() {
    if (!Enabled()) {
        FState = rbsDisabled;
        FDragging = false;
    } else if (FState == rbsDisabled) {
        FState = FDown && FGroupIndex != 0 ? rbsExclusive : rbsUp;
    }
    TZbButtonState drawState = FState;
    if (FFlat && !FMouseInside && !HasState(csDesigning)) drawState = rbsInactive;
    FDrawImage->SetSize(Width(), Height());
    TCanvas* c = FDrawImage->Canvas();
    c->SetFont(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, Width(), Height()));
    if (FTransparent) CopyParentImage(this, c);
    TRect r = Rect(0, 0, Width(), Height());
    if (drawState == rbsInactive && FState != rbsExclusive)
        InflateRect(r, -2, -2);
    else
        r = DrawButtonFrame(c, r, FState == rbsDown || FState == rbsExclusive, FStyle, FFlat);
    if (FState == rbsExclusive && !FTransparent && (!FFlat || drawState == rbsInactive)) {
        if (!GButtonPattern) GButtonPattern.reset(CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight));
        c->Brush()->SetBitmap(GButtonPattern.get());
        InflateRect(r, 1, 1);
        c->FillRect(r);
        InflateRect(r, -1, -1);
        c->Brush()->SetBitmap(nullptr);
        c->Brush()->SetColor(clBtnFace);
    }
    if (FState == rbsDown || FState == rbsExclusive) OffsetRect(r, 1, 1);
    const TZbButtonState glyphState = (FState == rbsDisabled || !FGrayedInactive) ? FState : drawState;
    PaintFace(c, r, glyphState, FMarkDropDown && FDropDownMenu);
    Canvas()->Draw(0, 0, FDrawImage.get());
}

void TZbSpeedButton::PaintFace(TCanvas* canvas, const TRect& client, TZbButtonState state, bool dropDownMark) {
    FGlyph->Draw(canvas, client, Caption(), AlignFlags(FGlyph->Alignment()), state, dropDownMark, FSpacing, FMargin,
                 FLayout);
}

void TZbSpeedButton::DblClick() {
    if (FDown) TGraphicControl::DblClick();
}

bool TZbSpeedButton::CheckMenuDropDown(int, int) {
    if (HasState(csDesigning) || !FDropDownMenu || !FDropDownMenu->AutoPopup()) return false;
    TPoint p;
    const TPopupAlignment a = FDropDownMenu->Alignment();
    if (a == paCenter)
        p = {Width() / 2, Height()};
    else if (FMenuPosition == dmpBottom)
        p = a == paLeft ? TPoint{-1, Height()} : TPoint{Width() + 1, Height()};
    else
        p = a == paLeft ? TPoint{Width(), -1} : TPoint{-1, -1};
    if (TCustomForm* form = GetParentForm(this)) form->CancelModeFrom(this);
    FDropDownMenu->SetPopupComponent(this);
    const TPoint s = ClientToScreen(p);
    FDropDownMenu->Popup(s.X, s.Y);
    return true;
}

void TZbSpeedButton::DropQueuedPresses() {
    // A second click on the button while its menu was open only closed the menu: the press
    // queued for the button must not open it again.
    QWidget* w = Widget();
    if (!w) return;
    for (int type : {int(QEvent::MouseButtonPress), int(QEvent::MouseButtonDblClick)}) {
        RemovePendingMessage(w, type);
        // The press that closed the menu is handed back to the window under the pointer.
        if (QWindow* window = w->window()->windowHandle(); window && w->rect().contains(w->mapFromGlobal(QCursor::pos())))
            RemovePendingMessage(window, type);
    }
}

void TZbSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (!FMouseInside && Enabled()) {
        FMouseInside = true;
        Invalidate();
    }
    if (button == mbRight) UpdateTracking();
    if (button != mbLeft || !Enabled() || FMenuTracking) return;
    if (!FDown) {
        FState = rbsDown;
        Invalidate();
    }
    FDragging = true;
    FMenuTracking = true;
    SetMouseCapture(true);
    try {
        // The menu runs until it closes; the press is then over, and the button comes up.
        if (CheckMenuDropDown(x, y)) {
            // The menu took the release: a capture kept past it would send the next click
            // anywhere in the window to this button, which opens the menu again.
            SetMouseCapture(false);
            ReleaseAt(x, y);
            DropQueuedPresses();
            // The menu had the pointer, and the window system tells the button nothing of it
            // until it comes back: no hover look, rather than one left raised when it goes.
            if (FMouseInside) {
                FMouseInside = false;
                Invalidate();
                TGraphicControl::CMMouseLeave();
            }
        }
    } catch (...) {
        FMenuTracking = false;
        throw;
    }
    FMenuTracking = false;
    if (FAllowTimer) {
        if (!FRepeatTimer) FRepeatTimer = new TTimer(this);
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(FInitPause);
        FRepeatTimer->OnTimer = TNotifyEvent(this, &TZbSpeedButton::TimerExpired);
        FRepeatTimer->SetEnabled(true);
    }
}

void TZbSpeedButton::TimerExpired(TObject*) {
    FRepeatTimer->SetInterval(FRepeatInterval);
    if (FState == rbsDown && MouseCapture()) {
        try {
            Click();
        } catch (...) {
            Application->HandleException(this);
        }
    }
}

void TZbSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    TZbButtonState state = FDown ? rbsExclusive : rbsUp;
    if (Inside(x, y)) state = FDown ? rbsExclusive : rbsDown;
    if (state != FState) {
        FState = state;
        Invalidate();
    }
}

void TZbSpeedButton::ReleaseAt(int x, int y) {
    FDragging = false;
    const bool inside = Inside(x, y);
    if (FGroupIndex == 0) {
        FState = rbsUp;
        FMouseInside = false;
        Invalidate();
    } else if (inside) {
        SetDown(!FDown);
        if (FDown) Invalidate();
    } else {
        if (FDown) FState = rbsExclusive;
        Invalidate();
    }
    if (inside && !FMenuTracking) Click();
    UpdateTracking();
}

void TZbSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    if (button == mbLeft && FDragging)
        ReleaseAt(x, y);
    else if (button == mbRight)
        UpdateTracking();
}

void TZbSpeedButton::UpdateTracking() {
    QWidget* w = Widget();
    const bool under = w && w->isVisible() && QApplication::widgetAt(QCursor::pos()) == w;
    const bool now = Enabled() && under && IsForegroundTask();
    if (now == FMouseInside) return;
    FMouseInside = now;
    if (FFlat) Invalidate();
    if (now)
        TGraphicControl::CMMouseEnter();
    else
        TGraphicControl::CMMouseLeave();
}

void TZbSpeedButton::CMMouseEnter() {
    if (FMouseInside || !Enabled() || !IsForegroundTask()) return;
    FMouseInside = true;
    if (FFlat) Invalidate();
    TGraphicControl::CMMouseEnter();
}

void TZbSpeedButton::CMMouseLeave() {
    if (!FMouseInside || !Enabled() || FDragging) return;
    FMouseInside = false;
    if (FFlat) Invalidate();
    TGraphicControl::CMMouseLeave();
}

void TZbSpeedButton::CMEnabledChanged() {
    TGraphicControl::CMEnabledChanged();
    UpdateGlyphState();
    Invalidate();
    UpdateTracking();
}

void TZbSpeedButton::CMVisibleChanged() {
    TGraphicControl::CMVisibleChanged();
    UpdateTracking();
}

void TZbSpeedButton::CMFontChanged() {
    TGraphicControl::CMFontChanged();
    Invalidate();
}

void TZbSpeedButton::CMTextChanged() {
    TGraphicControl::CMTextChanged();
    Invalidate();
}

bool TZbSpeedButton::CMDialogChar(QChar ch) {
    if (Enabled() && Visible() && IsAccel(ch, Caption())) {
        Click();
        return true;
    }
    return false;
}

void TZbSpeedButton::CMSysColorChange() {
    FGlyph->Invalidate();
    Invalidate();
}

// ================================================================== shadow label

TRect DrawShadowText(TCanvas* canvas, const QString& text, TRect rect, unsigned flags, int shadowSize,
                     TColor shadowColor, TShadowPosition position) {
    TRect shadow = rect;
    switch (position) {
    case spLeftTop: OffsetRect(shadow, -shadowSize, -shadowSize); break;
    case spLeftBottom: OffsetRect(shadow, -shadowSize, shadowSize); break;
    case spRightBottom: OffsetRect(shadow, shadowSize, shadowSize); break;
    case spRightTop: OffsetRect(shadow, shadowSize, -shadowSize); break;
    }
    const TColor textColor = canvas->Font()->Color();
    canvas->Font()->SetColor(shadowColor);
    canvas->DrawText(text, shadow, flags);
    canvas->Font()->SetColor(textColor);
    canvas->DrawText(text, rect, flags);
    TRect result;
    UnionRect(result, rect, shadow);
    return result;
}

TZbCustomLabel::TZbCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csOpaque | csReplicatable);
    SetBounds(0, 0, 65, 17);
    SetColor(clBtnFace);
    SetParentColor(true);
}

TZbCustomLabel::~TZbCustomLabel() { HookFocusControl(false); }

void TZbCustomLabel::DoDrawText(TCanvas* canvas, TRect& rect, unsigned flags) {
    QString text = DisplayText();
    if ((flags & DT_CALCRECT) && (text.isEmpty() || (FShowAccelChar && text == QLatin1String("&"))))
        text += u' ';
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    canvas->SetFont(Font());
    canvas->Font()->SetColor(CurrentTextColor());
    int size = FShadowSize;
    TColor shadow = FShadowColor;
    TShadowPosition pos = FShadowPos;
    if (!Enabled()) {
        canvas->Font()->SetColor(clGrayText);
        shadow = clBtnHighlight;
        if (size == 0 && controls::visual::NewStyleControls) {
            size = 1;
            pos = spRightBottom;
        }
    }
    const TRect all = DrawShadowText(canvas, text, rect, flags, size, shadow, pos);
    if (flags & DT_CALCRECT) rect = all;
}

void TZbCustomLabel::Paint() {
    if (!Enabled() && !HasState(csDesigning)) FPressed = false;
    TCanvas* c = Canvas();
    if (!Transparent()) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(ClientRect());
    }
    c->Brush()->SetStyle(bsClear);
    TRect r = ClientRect();
    r.Left += FLeftMargin + 1;
    r.Right -= FRightMargin + 1;
    const unsigned flags = DT_EXPANDTABS | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u) | AlignFlags(FAlignment);
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(c, calc, flags | DT_CALCRECT);
        r.Bottom = r.Top + calc.Height();
        const int move = Height() - calc.Bottom;
        OffsetRect(r, 0, FLayout == tlBottom ? move : move / 2);
    }
    DoDrawText(c, r, flags);
    if (FShowFocus && FFocusControl && FFocused && !HasState(csDesigning)) {
        InflateRect(r, 1, 0);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->DrawFocusRect(r);
    }
}

void TZbCustomLabel::AdjustBounds() {
    if (!FAutoSize || HasState(csLoading)) return;
    TCanvas measure;
    TRect r = ClientRect();
    r.Left += FLeftMargin;
    r.Right -= FRightMargin;
    InflateRect(r, -1, 0);
    DoDrawText(&measure, r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u));
    r.Left -= FLeftMargin;
    r.Right += FRightMargin;
    InflateRect(r, 1, 0);
    int x = Left();
    if (FAlignment == taRightJustify) x += Width() - r.Right;
    SetBounds(x, Top(), r.Right, r.Bottom);
}

void TZbCustomLabel::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    AdjustBounds();
}

void TZbCustomLabel::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TZbCustomLabel::SetShadowSize(quint8 value) {
    if (FShadowSize == value) return;
    FShadowSize = value;
    AdjustBounds();
    Invalidate();
}

void TZbCustomLabel::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Invalidate();
}

void TZbCustomLabel::SetLayout(TTextLayout value) {
    if (FLayout == value) return;
    FLayout = value;
    Invalidate();
}

void TZbCustomLabel::SetShadowColor(TColor value) {
    if (FShadowColor == value) return;
    FShadowColor = value;
    Invalidate();
}

void TZbCustomLabel::SetShadowPos(TShadowPosition value) {
    if (FShadowPos == value) return;
    FShadowPos = value;
    Invalidate();
}

void TZbCustomLabel::SetShowAccelChar(bool value) {
    if (FShowAccelChar == value) return;
    FShowAccelChar = value;
    Invalidate();
}

void TZbCustomLabel::SetTransparent(bool value) {
    if (value)
        SetControlStyle(ControlStyle() & ~csOpaque);
    else
        SetControlStyle(ControlStyle() | csOpaque);
    Invalidate();
}

void TZbCustomLabel::HookFocusControl(bool install) {
    if (!FFocusControl) return;
    if (!install) {
        if (FFocusHook) FFocusControl->RemoveMessageHook(FFocusHook);
        FFocusHook = 0;
        return;
    }
    FFocusHook = FFocusControl->AddMessageHook(nullptr, [this](QEvent* e) {
        if (e->type() == QEvent::FocusIn)
            FocusChanged(FFocusControl);
        else if (e->type() == QEvent::FocusOut)
            FocusChanged(nullptr);
    });
}

void TZbCustomLabel::SetFocusControl(TWinControl* value) {
    if (FFocusControl == value) return;
    HookFocusControl(false);
    if (FFocusControl) {
        FFocusControl->RemoveFreeNotification(this);
        RemoveFreeNotification(FFocusControl);
    }
    FFocusControl = value;
    if (value) {
        FreeNotification(value);
        HookFocusControl(true);
        FFocused = value->Focused();
    } else {
        FFocused = false;
    }
    if (FShowFocus) Invalidate();
}

void TZbCustomLabel::FocusChanged(TWinControl* focused) {
    const bool now = FFocusControl && focused == FFocusControl;
    if (now == FFocused) return;
    FFocused = now;
    if (FShowFocus) Invalidate();
}

void TZbCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) {
        FFocusControl = nullptr;
        FFocusHook = 0;
        FFocused = false;
    }
}

void TZbCustomLabel::CMTextChanged() {
    TGraphicControl::CMTextChanged();
    Invalidate();
    AdjustBounds();
}

void TZbCustomLabel::CMFontChanged() {
    TGraphicControl::CMFontChanged();
    AdjustBounds();
}

bool TZbCustomLabel::CMDialogChar(QChar ch) {
    if (Enabled() && FShowAccelChar && FFocusControl && IsAccel(ch, Caption()) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        return true;
    }
    return false;
}

void TZbCustomLabel::UpdateTracking() {
    QWidget* w = Widget();
    const bool under = w && w->isVisible() && QApplication::widgetAt(QCursor::pos()) == w;
    const bool now = Enabled() && under && IsForegroundTask();
    if (now == FMouseInside) return;
    FMouseInside = now;
    if (now)
        TGraphicControl::CMMouseEnter();
    else
        TGraphicControl::CMMouseLeave();
}

void TZbCustomLabel::CMMouseEnter() {
    if (Enabled() && IsForegroundTask()) FMouseInside = true;
    TGraphicControl::CMMouseEnter();
}

void TZbCustomLabel::CMMouseLeave() {
    if (!FPressed) FMouseInside = false;
    TGraphicControl::CMMouseLeave();
}

void TZbCustomLabel::CMEnabledChanged() {
    TGraphicControl::CMEnabledChanged();
    UpdateTracking();
}

void TZbCustomLabel::CMVisibleChanged() {
    TGraphicControl::CMVisibleChanged();
    if (Visible()) UpdateTracking();
}

void TZbCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled())
        FPressed = true;
    else if (button == mbRight)
        UpdateTracking();
}

void TZbCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) {
        FPressed = false;
        UpdateTracking();
    } else if (button == mbRight) {
        UpdateTracking();
    }
}
