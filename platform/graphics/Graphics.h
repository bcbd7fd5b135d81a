#pragma once
// Colours, fonts, pens, brushes, the canvas and the graphic classes (bitmap, icon,
// picture) on which every control draws.
//
// Canvas contract
// ---------------
// A TCanvas draws on one of three targets:
//  * A bitmap: TBitmap::Canvas(). The bitmap's own pixel store (width, height, bits per
//    pixel, palette, rows) is the truth. Drawing keeps the pixel format: on a 1, 4 or 8 bit
//    bitmap every pixel a drawing operation changes takes the nearest palette entry. Copy
//    modes (CopyRect, Draw, BitBlt) are exact pixel operations on the stores.
//  * A paint device owned by someone else (a widget during its paint event, a printer or
//    PDF page): Attach(painter, pixelsPerInch) before drawing, Detach() after. The canvas
//    neither owns nor ends the painter. Copy modes other than SRCCOPY use the painter's
//    raster operations, which only raster devices honour; the brush-through-mask mode
//    (0xE20746) works on every device.
//  * Nothing: a descendant may override CreateHandle() to attach a painter on demand;
//    drawing without any target raises EInvalidOperation "Canvas does not allow drawing".
//    Measuring text (TextWidth, TextExtent, DrawText with DT_CALCRECT) needs no target.
// Coordinates are logical pixels; SetOrigin/OffsetOrigin move logical (0, 0), clipping is
// in logical coordinates at the moment it is set. Rectangles exclude their right and
// bottom edges, lines exclude their end point, as the class library's canvas does.
//
// Colours are TColor values 0x00BBGGRR; a value with the high bit set is a system colour
// (index in the low byte) that ColorToRGB resolves through a fixed classic scheme, so
// drawings do not depend on the desktop theme.
#include "platform/graphics/Types.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <initializer_list>
#include <memory>
#include <typeinfo>
#include <vector>

class QPainter;
class TStream;
class TCanvas;
class TBitmap;
class TIcon;
class TGraphic;

// ---------------------------------------------------------------- colours

using TColor = int;

constexpr TColor RGB(int r, int g, int b) { return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// System colour indexes (the low byte of a system colour).
enum : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24,
    COLOR_ENDCOLORS = COLOR_INFOBK
};

constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor SystemColor(int index) { return TColor(0x80000000u | unsigned(index)); }

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours resolved, everything else unchanged.
TColor ColorToRGB(TColor color);
// "clBtnFace", "clRed" or "$00BBGGRR"; the reverse accepts both forms and decimal numbers.
QString ColorToString(TColor color);
bool IdentToColor(const QString& ident, TColor& color);
TColor StringToColor(const QString& text);  // EConvertError on bad text

namespace platform::graphics {
// RGB of a colour (system colours resolved, flag bits dropped) as a Qt colour value.
QRgb ToQRgb(TColor color);
TColor FromQRgb(QRgb rgb);
}  // namespace platform::graphics

// ---------------------------------------------------------------- graphic objects

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFontStyles {
public:
    TFontStyles() = default;
    TFontStyles(std::initializer_list<TFontStyle> styles) {
        for (auto s : styles) FBits |= 1u << s;
    }
    bool Contains(TFontStyle s) const { return FBits & (1u << s); }
    TFontStyles& operator+=(TFontStyle s) { FBits |= 1u << s; return *this; }
    TFontStyles& operator-=(TFontStyle s) { FBits &= ~(1u << s); return *this; }
    TFontStyles operator+(TFontStyle s) const { TFontStyles r = *this; return r += s; }
    TFontStyles operator-(TFontStyle s) const { TFontStyles r = *this; return r -= s; }
    bool Empty() const { return FBits == 0; }
    bool operator==(const TFontStyles&) const = default;

private:
    unsigned FBits = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Shared part of TFont, TPen and TBrush: a change event the canvas listens to.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(TPersistent* source) override;

    // Face name as stored by forms ("MS Sans Serif"); drawn with the nearest installed family.
    QString Name() const { return FName; }
    void SetName(const QString& name);
    // Points; Height is pixels (negative: character height without internal leading).
    int Size() const;
    void SetSize(int points);
    int Height() const { return FHeight; }
    void SetHeight(int pixels);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch pitch);
    int Charset() const { return FCharset; }
    // Resolution the Size is converted with (the screen's 96, or a printer's).
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int ppi);

    // The Qt font this one draws with (pixel size fixed, so measures do not depend on the
    // device's resolution).
    QFont ToQFont() const;

private:
    QString FName;
    int FHeight;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontPitch FPitch = fpDefault;
    int FCharset = 1;
    int FPixelsPerInch = 96;
};

namespace platform::graphics {
// Default face of new fonts and the installed family each requested face maps to.
constexpr const char* DefaultFontName = "MS Sans Serif";
QString ResolveFontFamily(const QString& faceName, TFontPitch pitch = fpDefault);
// The families tried for a face not installed, best first.
QStringList FontFamilyChoices(const QString& faceName, TFontPitch pitch = fpDefault);
enum class SystemFont { Message, Menu, Caption, Status, Icon };
// Gives the font the system's message, menu, caption, status or icon face and size.
void AssignSystemFont(TFont* font, SystemFont which);
}  // namespace platform::graphics

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    void Assign(TPersistent* source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    int Width() const { return FWidth; }
    void SetWidth(int width);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode mode);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    void Assign(TPersistent* source) override;
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle style);
    // 8 x 8 pattern (top-left 8 x 8 pixels of the bitmap); not owned: the caller keeps it
    // alive while it is set. Setting one makes the style bsSolid; nullptr removes it.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* bitmap);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// ---------------------------------------------------------------- canvas

// Raster operations of CopyRect/Draw/BitBlt: the class library's copy modes (ternary raster
// operation codes). Any code works; the listed ones are the common names.
using TCopyMode = unsigned;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;
constexpr TCopyMode SRCCOPY = cmSrcCopy;
constexpr TCopyMode SRCAND = cmSrcAnd;
constexpr TCopyMode SRCPAINT = cmSrcPaint;
constexpr TCopyMode SRCINVERT = cmSrcInvert;
constexpr TCopyMode SRCERASE = cmSrcErase;
constexpr TCopyMode NOTSRCCOPY = cmNotSrcCopy;
constexpr TCopyMode DSTINVERT = cmDstInvert;
constexpr TCopyMode PATCOPY = cmPatCopy;
constexpr TCopyMode PATINVERT = cmPatInvert;
constexpr TCopyMode BLACKNESS = cmBlackness;
constexpr TCopyMode WHITENESS = cmWhiteness;
// Where the source is white the brush is painted, where black the destination stays; with
// a monochrome mask and text colour white, background black: the brush shows through the
// mask's black pixels (the disabled, embossed look of glyphs).
constexpr TCopyMode ROP_BrushThroughMask = 0x00E20746;

// DrawText formats.
enum : unsigned {
    DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80,
    DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000, DT_PATH_ELLIPSIS = 0x4000
};

// Background mode of text and hatched brushes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Drawing state of a canvas that SaveDC/RestoreDC keep.
class TCanvasState;

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // --- target
    // Draws on an outside painter until Detach. The painter's device resolution for fonts is
    // pixelsPerInch (96 for the screen; the printer's for a printed page).
    void Attach(QPainter* painter, int pixelsPerInch = 96);
    void Detach();
    QPainter* Painter() const { return FPainter; }
    TBitmap* OwnerBitmap() const { return FBitmap; }
    bool HandleAllocated() const { return FPainter != nullptr || FBitmap != nullptr; }

    // --- drawing objects (owned by the canvas; assign to change them)
    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetFont(TFont* font) { FFont->Assign(font); }
    void SetPen(TPen* pen) { FPen->Assign(pen); }
    void SetBrush(TBrush* brush) { FBrush->Assign(brush); }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode mode) { FCopyMode = mode; }
    // Text colour and background colour of the device: follow Font.Color and Brush.Color
    // when those change; a monochrome source drawn by BitBlt maps 0 bits to the text colour
    // and 1 bits to the background colour.
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor color) { FTextColor = color; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color) { FBkColor = color; }
    int BkMode() const { return FBkMode; }
    void SetBkMode(int mode) { FBkMode = mode; }

    // --- lines and shapes
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(TPoint p) { FPenPos = p; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);  // the end point is not drawn
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerW, int cornerH);
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(const TRect& r);   // with the brush, no outline
    void FrameRect(const TRect& r);  // one-pixel border in the brush colour
    void DrawFocusRect(const TRect& r);  // dotted XOR border: drawing it twice restores

    TColor Pixels(int x, int y) const;  // clNone outside the target or on a non-raster device
    void SetPixel(int x, int y, TColor color);
    // Nearest colour the target can show: a palette entry on 1/4/8-bit bitmaps, else the RGB.
    TColor NearestColor(TColor color) const;

    // --- text
    TSize TextExtent(const QString& text) const;
    int TextWidth(const QString& text) const { return TextExtent(text).cx; }
    int TextHeight(const QString& text) const { return TextExtent(text).cy; }
    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to r; with an opaque brush r is filled first.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    // Tabs jump to the next stop (positions counted from tabOrigin); no stops: every 8 average
    // character widths; one stop: every that many pixels. Returns the extent drawn.
    TSize TabbedTextOut(int x, int y, const QString& text, const std::vector<int>& tabStops, int tabOrigin);
    // Formatted text in r; returns the height of the text (with DT_SINGLELINE and DT_VCENTER
    // or DT_BOTTOM: from r's top to the text's bottom); empty text measures 0. With
    // DT_CALCRECT nothing is drawn and r's right and bottom become the extent of the laid-out
    // lines: the width of the widest line, which may be more than r's (a long word) or less.
    int DrawText(const QString& text, TRect& r, unsigned format);

    // --- pictures and copies
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    // Copies with the raster operation rop (pattern = this canvas's brush).
    void BitBlt(int x, int y, int width, int height, TCanvas* source, int sx, int sy, TCopyMode rop);
    void StretchBlt(const TRect& dest, TCanvas* source, const TRect& sourceRect, TCopyMode rop);
    // Fills the area with the brush (PATCOPY and the other pattern-only operations).
    void PatBlt(const TRect& r, TCopyMode rop);
    // A Qt image (alpha blended) scaled into dest.
    void DrawImage(const TRect& dest, const QImage& argb);

    // --- clipping, origin and saved state (logical coordinates)
    TRect ClipRect() const;
    void IntersectClipRect(const TRect& r);
    void ExcludeClipRect(const TRect& r);
    void ResetClip();
    TPoint Origin() const { return FOrigin; }
    void SetOrigin(TPoint p);
    void OffsetOrigin(int dx, int dy) { SetOrigin({FOrigin.X + dx, FOrigin.Y + dy}); }
    int SaveDC();                // returns the level
    void RestoreDC(int level);   // -1: the last saved state

    // --- change notification (the bitmap canvas tells its bitmap)
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Called when drawing is asked for and there is no target; may call Attach.
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();

private:
    friend class TBitmap;
    friend class TCanvasPaint;
    void BindBitmap(TBitmap* bitmap) { FBitmap = bitmap; }
    void RequireTarget();
    // Draws a bitmap part scaled into dest, leaving out the pixels of one colour (clNone: none).
    void DrawBitmapKeyed(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor key);
    void FontChanged(TObject*);
    void BrushChanged(TObject*);

    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    QPainter* FPainter = nullptr;
    TBitmap* FBitmap = nullptr;
    int FPixelsPerInch = 96;
    TCopyMode FCopyMode = cmSrcCopy;
    TColor FTextColor = clWindowText;
    TColor FBkColor = clWhite;
    int FBkMode = OPAQUE;
    TPoint FPenPos;
    TPoint FOrigin;
    bool FHasClip = false;
    std::vector<TRect> FClip;  // device-coordinate rectangles whose union is the clip region
    std::vector<std::unique_ptr<TCanvasState>> FSaved;
};

// Free drawing routines of the class library and of the system.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);
int DrawText(TCanvas* canvas, const QString& text, TRect& rect, unsigned format);

enum : unsigned {
    BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
    BDR_OUTER = 0x3, BDR_INNER = 0xC,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
    BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8,
    BF_TOPLEFT = BF_TOP | BF_LEFT, BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000
};
// 3-D edges; with BF_ADJUST the rectangle shrinks to the inside.
bool DrawEdge(TCanvas* canvas, TRect& rect, unsigned edge, unsigned flags);

enum : unsigned {
    DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4,
    DFCS_BUTTONCHECK = 0x0, DFCS_BUTTONRADIO = 0x4, DFCS_BUTTONPUSH = 0x10,
    DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
    DFCS_SCROLLCOMBOBOX = 0x5,
    DFCS_MENUARROW = 0x0, DFCS_MENUCHECK = 0x1, DFCS_MENUBULLET = 0x2,
    DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_FLAT = 0x4000,
    DFCS_MONO = 0x8000
};
// Check boxes, radio marks, push buttons, scroll and combo arrows, menu marks.
bool DrawFrameControl(TCanvas* canvas, const TRect& rect, unsigned type, unsigned state);

// ---------------------------------------------------------------- graphics

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = TEvent<TObject*, TProgressStage, quint8, bool, const TRect&, const QString&>;

// Palette of a graphic: colour table entries; empty when it has none.
using TPaletteEntries = QVector<QRgb>;

class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    // Reads from the stream's position on; writes at its position.
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    virtual void LoadFromFile(const QString& fileName);
    virtual void SaveToFile(const QString& fileName);
    // Whole-content forms of the above, for callers without a stream.
    virtual void LoadFromBytes(const QByteArray& bytes);
    virtual QByteArray SaveToBytes();
    // Clipboard data of a format (see Clipbrd.h); EInvalidGraphic when the format is not taken.
    virtual void LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette);
    virtual void SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette);
    // Form-resource data (a length-prefixed image for most classes).
    virtual void ReadData(TStream* stream);
    virtual void WriteData(TStream* stream);
    virtual bool Equals(TGraphic* other);
    // A new empty graphic of the same class (the picture's copies use it).
    virtual TGraphic* NewInstance() const;
    virtual TPaletteEntries Palette() const { return {}; }
    virtual void SetPalette(const TPaletteEntries&) {}
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    bool Modified() const { return FModified; }
    void SetModified(bool value);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    friend class TCanvas;
    // Paints the graphic scaled into r.
    virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
    virtual void Changed(TObject* sender);
    void Progress(TObject* sender, TProgressStage stage, quint8 percent, bool redrawNow, const TRect& r,
                  const QString& msg);

private:
    bool FTransparent = false;
    bool FModified = false;
};

// A graphic class for the picture's registries: its type and how to make one.
struct TGraphicClass {
    const std::type_info* Type = nullptr;
    TGraphic* (*Create)() = nullptr;
    template <class T>
    static TGraphicClass Of() {
        return {&typeid(T), []() -> TGraphic* { return new T; }};
    }
    bool operator==(const TGraphicClass& o) const { return Type == o.Type || (Type && o.Type && *Type == *o.Type); }
    explicit operator bool() const { return Create != nullptr; }
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

namespace platform::graphics {
// Pixels of a bitmap in device-independent layout: rows top-down in memory, each padded to
// 4 bytes; 1-bit rows most significant bit first, 4-bit rows high nibble first, 24-bit
// pixels blue-green-red, 32-bit blue-green-red-unused. The device format uses 32 bits.
struct PixelStore {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 32;
    int Stride = 0;
    TPaletteEntries Palette;  // 2, 16 or 256 entries for 1, 4 and 8 bits
    QByteArray Bits;

    uchar* Row(int y) { return reinterpret_cast<uchar*>(Bits.data()) + qsizetype(y) * Stride; }
    const uchar* Row(int y) const { return reinterpret_cast<const uchar*>(Bits.constData()) + qsizetype(y) * Stride; }
    QRgb PixelRgb(int x, int y) const;
    int PixelIndex(int x, int y) const;  // palette index (indexed formats only)
    void SetPixelIndex(int x, int y, int index);
    void SetPixelRgb(int x, int y, QRgb rgb);  // nearest palette entry on indexed formats
    int NearestIndex(QRgb rgb) const;          // first of equally near entries
    static int StrideFor(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }
};
// Palettes new bitmaps get: black/white, the 16 classic colours, and a 256 entry palette
// holding the 16 classic colours and a colour cube.
TPaletteEntries DefaultPalette(int bitsPerPixel);
// Largest width or height a bitmap may have, and largest pixel count (bad files are refused).
constexpr int MaxBitmapSide = 32767;
constexpr qint64 MaxBitmapPixels = qint64(64) * 1024 * 1024;
}  // namespace platform::graphics

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent* source) override;
    TGraphic* NewInstance() const override { return new TBitmap; }

    bool Empty() const override { return FStore.Width == 0 || FStore.Height == 0; }
    int Width() const override { return FStore.Width; }
    int Height() const override { return FStore.Height; }
    void SetWidth(int width) override { SetSize(width, FStore.Height); }
    void SetHeight(int height) override { SetSize(FStore.Width, height); }
    // Keeps the pixels that stay inside; new pixels are white.
    void SetSize(int width, int height);
    // True while the bitmap holds an image (the class library's "has a handle").
    bool HandleAllocated() const { return !Empty(); }

    TPixelFormat PixelFormat() const;
    // Converts the pixels: to fewer bits by nearest palette entry of the default palette.
    void SetPixelFormat(TPixelFormat format);
    int BitsPerPixel() const { return FStore.BitsPerPixel; }
    bool Monochrome() const { return FStore.BitsPerPixel == 1; }
    // To monochrome: pixels equal to the canvas's brush colour become white, all others
    // black (as the device converts colour to monochrome). From monochrome: 24 bits.
    void SetMonochrome(bool value);
    TPaletteEntries Palette() const override { return FStore.Palette; }
    // Replaces the colour table of an indexed bitmap (indexes stay); on others it is ignored.
    void SetPalette(const TPaletteEntries& palette) override;

    // Row y (0 = top) of the pixel store; valid until the size or format changes.
    uchar* ScanLine(int y);
    const uchar* ScanLine(int y) const;
    int BytesPerScanLine() const { return FStore.Stride; }
    const platform::graphics::PixelStore& Store() const;

    TCanvas* Canvas();

    // Auto mode: the bottom-left pixel with the flag 0x02000000; fixed mode: the value set.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode mode);
    // Turns this bitmap into the monochrome mask of a colour: its pixels white, others black.
    void Mask(TColor transparentColor);
    std::unique_ptr<TBitmap> CreateMask(TColor transparentColor) const;

    // Releases screen resources: nothing to release here, kept for callers.
    void Dormant() {}
    void FreeImage() {}

    // BMP file image (file header, information header, palette, bottom-up rows). Reads
    // 1, 4, 8, 16, 24 and 32 bits, uncompressed, RLE8 and RLE4; writes uncompressed.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void LoadFromBytes(const QByteArray& bytes) override;
    QByteArray SaveToBytes() override;
    // A bitmap resource of the program (see Resources.h): a BMP file or a bare DIB.
    void LoadFromResourceName(const QString& name);
    void LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette) override;
    void SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

    // Display image (32-bit RGB) and the reverse (24 bits, or 32 when alpha matters).
    QImage ToImage() const;
    void FromImage(const QImage& image);

protected:
    void Draw(TCanvas* canvas, const TRect& r) override;
    void AssignTo(TPersistent* dest) override;

private:
    friend class TCanvas;
    friend class TCanvasPaint;
    // Painting through Qt uses a 32-bit work image of the store, written back lazily.
    QImage& BeginWork();
    void EndWork();
    void Sync() const;           // writes pending work back into the store
    void DropWork() const;       // after the store changed directly
    void StoreChanged();

    mutable platform::graphics::PixelStore FStore;
    mutable QImage FWork;
    mutable QImage FWorkBase;    // the work image as taken from the store (indexed formats)
    mutable bool FWorkDirty = false;
    bool FDeviceFormat = true;
    std::unique_ptr<TCanvas> FCanvas;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
};

// Windows icon (.ICO): one picture of several images; draws the image of its natural size.
class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    void Assign(TPersistent* source) override;
    TGraphic* NewInstance() const override { return new TIcon; }
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // An icon cannot be resized: EInvalidGraphicOperation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;  // the icon file exactly as loaded
    void LoadFromBytes(const QByteArray& bytes) override;
    QByteArray SaveToBytes() override;
    void LoadFromResourceName(const QString& name);

    struct Entry {
        int Width = 0;
        int Height = 0;
        int BitsPerPixel = 0;
        QImage Image;  // premultiplied ARGB, transparent where the AND mask is set
    };
    int ImageCount() const { return int(FEntries.size()); }
    const Entry& Image(int index) const { return FEntries.at(size_t(index)); }
    // Index of the image drawn: the first entry's size, deepest colours among that size.
    int CurrentIndex() const { return FCurrent; }
    // Makes an icon of one image (e.g. a colour bitmap and its mask); replaces the content.
    void SetImage(const QImage& argb);
    QImage ToImage() const;

protected:
    void Draw(TCanvas* canvas, const TRect& r) override;

private:
    std::vector<Entry> FEntries;
    int FCurrent = -1;
    QByteArray FData;
};

// A picture of any registered graphic class, chosen by file extension or clipboard format.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    void Assign(TPersistent* source) override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Takes a copy of the graphic (a new instance of its class); nullptr empties the picture.
    void SetGraphic(TGraphic* graphic);
    // The graphic as a bitmap or icon; replaces any other kind of graphic with an empty one.
    TBitmap* Bitmap();
    TIcon* Icon();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // By extension; EInvalidGraphic "Unknown picture file extension (.xyz)" when unknown.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    void LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette);
    void SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette);
    static bool SupportsClipboardFormat(unsigned format);

    // Registries shared by all pictures; "bmp" and "ico" are registered from the start.
    static void RegisterFileFormat(const QString& extension, const QString& description, TGraphicClass graphicClass);
    static void RegisterClipboardFormat(unsigned format, TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    static TGraphicClass FindFileFormat(const QString& extension);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    void AssignTo(TPersistent* dest) override;
    virtual void Changed(TObject* sender);

private:
    void SetNewGraphic(TGraphic* graphic);
    std::unique_ptr<TGraphic> FGraphic;
};

// "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|..." for a class (or all classes when
// empty), and the first extension registered for a class.
QString GraphicFilter(TGraphicClass graphicClass = {});
QString GraphicExtension(TGraphicClass graphicClass);
