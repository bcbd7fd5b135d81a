// 3-D frames, edges and the standard frame controls (check boxes, radio marks, arrows).
#include "platform/graphics/Graphics.h"

namespace {

// Fills with a solid colour and leaves the canvas's brush as it was.
void Fill(TCanvas* c, const TRect& r, TColor color) {
    if (IsRectEmpty(r)) return;
    TBrush saved;
    saved.Assign(c->Brush());
    TColor text = c->TextColor();
    c->Brush()->SetBitmap(nullptr);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(color);
    c->FillRect(r);
    c->Brush()->Assign(&saved);
    c->SetTextColor(text);
}

void Pixel(TCanvas* c, int x, int y, TColor color) { Fill(c, Rect(x, y, x + 1, y + 1), color); }

// One-pixel frame: left and top in tl, right and bottom in br; the top-right and
// bottom-left corners take br. Only the sides in flags are drawn.
void FrameSides(TCanvas* c, const TRect& r, TColor tl, TColor br, unsigned sides) {
    if (IsRectEmpty(r)) return;
    if (sides & BF_LEFT) Fill(c, Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1), tl);
    if (sides & BF_TOP) Fill(c, Rect(r.Left, r.Top, r.Right - 1, r.Top + 1), tl);
    if (sides & BF_RIGHT) Fill(c, Rect(r.Right - 1, r.Top, r.Right, r.Bottom), br);
    if (sides & BF_BOTTOM) Fill(c, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), br);
}

// A filled triangle pointing in a direction, centred in r: rows of 2n-1, 2n-3 ... 1 pixels.
enum class Dir { Up, Down, Left, Right };
void Arrow(TCanvas* c, const TRect& r, Dir dir, TColor color, int dx = 0, int dy = 0) {
    int n = std::max(1, std::min(r.Width(), r.Height()) / 3);
    int cx = r.Left + r.Width() / 2 + dx, cy = r.Top + r.Height() / 2 + dy;
    for (int k = 0; k < n; ++k) {
        int half = n - 1 - k;
        switch (dir) {
        case Dir::Down: Fill(c, Rect(cx - half, cy - n / 2 + k, cx + half + 1, cy - n / 2 + k + 1), color); break;
        case Dir::Up: Fill(c, Rect(cx - half, cy + n / 2 - k, cx + half + 1, cy + n / 2 - k + 1), color); break;
        case Dir::Right: Fill(c, Rect(cx - n / 2 + k, cy - half, cx - n / 2 + k + 1, cy + half + 1), color); break;
        case Dir::Left: Fill(c, Rect(cx + n / 2 - k, cy - half, cx + n / 2 - k + 1, cy + half + 1), color); break;
        }
    }
}

void CheckMark(TCanvas* c, const TRect& r, TColor color) {
    static const char* const kMark[7] = {"......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X...."};
    int x0 = r.Left + (r.Width() - 7) / 2, y0 = r.Top + (r.Height() - 7) / 2;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            if (kMark[y][x] == 'X') Pixel(c, x0 + x, y0 + y, color);
}

void Disc(TCanvas* c, const TRect& r, TColor fill, TColor frame) {
    TPen pen;
    pen.Assign(c->Pen());
    TBrush brush;
    brush.Assign(c->Brush());
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetColor(frame);
    c->Brush()->SetBitmap(nullptr);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(fill);
    c->Ellipse(r);
    c->Pen()->Assign(&pen);
    c->Brush()->Assign(&brush);
}

TRect Square(const TRect& r) {
    int side = std::min(r.Width(), r.Height());
    int x = r.Left + (r.Width() - side) / 2, y = r.Top + (r.Height() - side) / 2;
    return Bounds(x, y, side, side);
}

}  // namespace

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
    // Each ring: top and left in the top colour, right and bottom (with the top-right and
    // bottom-left corners) in the bottom colour; the rectangle shrinks by one per ring.
    while (width-- > 0) {
        FrameSides(canvas, rect, topColor, bottomColor, BF_RECT);
        InflateRect(rect, -1, -1);
    }
}

bool DrawEdge(TCanvas* canvas, TRect& rect, unsigned edge, unsigned flags) {
    TRect r = rect;
    unsigned sides = flags & BF_RECT;
    auto ring = [&](unsigned raised, unsigned sunken, bool outer) {
        if (!(edge & (raised | sunken))) return;
        TColor tl, br;
        if (flags & BF_MONO) {
            tl = br = outer ? clWindowFrame : clWindow;
        } else if (flags & BF_FLAT) {
            tl = br = outer ? clBtnShadow : clBtnFace;
        } else if (edge & raised) {
            tl = outer ? ((flags & BF_SOFT) ? clBtnHighlight : cl3DLight) : ((flags & BF_SOFT) ? cl3DLight : clBtnHighlight);
            br = outer ? cl3DDkShadow : clBtnShadow;
        } else {
            tl = outer ? clBtnShadow : cl3DDkShadow;
            br = outer ? clBtnHighlight : cl3DLight;
        }
        FrameSides(canvas, r, tl, br, sides);
        if (sides & BF_LEFT) ++r.Left;
        if (sides & BF_TOP) ++r.Top;
        if (sides & BF_RIGHT) --r.Right;
        if (sides & BF_BOTTOM) --r.Bottom;
    };
    ring(BDR_RAISEDOUTER, BDR_SUNKENOUTER, true);
    ring(BDR_RAISEDINNER, BDR_SUNKENINNER, false);
    if (flags & BF_MIDDLE) Fill(canvas, r, (flags & BF_MONO) ? clWindow : clBtnFace);
    if (flags & BF_ADJUST) rect = r;
    return true;
}

bool DrawFrameControl(TCanvas* canvas, const TRect& rect, unsigned type, unsigned state) {
    if (!canvas || IsRectEmpty(rect)) return false;
    const bool inactive = state & DFCS_INACTIVE;
    const bool pushed = state & DFCS_PUSHED;
    const bool checked = state & DFCS_CHECKED;
    TRect r = rect;
    switch (type) {
    case DFC_BUTTON: {
        if (state & DFCS_BUTTONPUSH) {
            DrawEdge(canvas, r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
            return true;
        }
        if ((state & 0xFF) == DFCS_BUTTONRADIO) {
            TRect box = Square(r);
            Disc(canvas, box, inactive || pushed ? clBtnFace : clWindow, clBtnShadow);
            if (checked) {
                int d = std::max(2, box.Width() / 3);
                TRect dot = Bounds(box.Left + (box.Width() - d) / 2, box.Top + (box.Height() - d) / 2, d, d);
                TColor c = inactive ? clGrayText : clWindowText;
                Disc(canvas, dot, c, c);
            }
            return true;
        }
        TRect box = Square(r);
        if (state & DFCS_FLAT)
            DrawEdge(canvas, box, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_ADJUST);
        else
            DrawEdge(canvas, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        Fill(canvas, box, inactive || pushed ? clBtnFace : clWindow);
        if (checked) CheckMark(canvas, box, inactive ? clGrayText : clWindowText);
        return true;
    }
    case DFC_SCROLL: {
        if (state & DFCS_FLAT)
            DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
        else
            DrawEdge(canvas, r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
        Dir dir = Dir::Down;
        switch (state & 0xFF) {
        case DFCS_SCROLLUP: dir = Dir::Up; break;
        case DFCS_SCROLLLEFT: dir = Dir::Left; break;
        case DFCS_SCROLLRIGHT: dir = Dir::Right; break;
        default: dir = Dir::Down; break;
        }
        int off = pushed ? 1 : 0;
        if (inactive) {
            Arrow(canvas, r, dir, clBtnHighlight, off + 1, off + 1);
            Arrow(canvas, r, dir, clBtnShadow, off, off);
        } else {
            Arrow(canvas, r, dir, clBtnText, off, off);
        }
        return true;
    }
    case DFC_MENU: {
        // Black marks on white, as masks for the caller to colour.
        Fill(canvas, r, clWhite);
        switch (state & 0xFF) {
        case DFCS_MENUCHECK: CheckMark(canvas, r, clBlack); break;
        case DFCS_MENUBULLET: {
            int d = std::max(2, std::min(r.Width(), r.Height()) / 3);
            Disc(canvas, Bounds(r.Left + (r.Width() - d) / 2, r.Top + (r.Height() - d) / 2, d, d), clBlack, clBlack);
            break;
        }
        default: Arrow(canvas, r, Dir::Right, clBlack); break;
        }
        return true;
    }
    default:
        return false;
    }
}
