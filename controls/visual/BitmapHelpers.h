#pragma once
// Free drawing routines shared by the controls: transparent and stretched copies, bitmap cells,
// the embossed disabled look, brush patterns, gradients, shortened and aligned text, the drag
// frame, command-line splitting and a few small memory helpers.
#include "platform/graphics/Graphics.h"
#include "platform/graphics/ImgList.h"
#include "platform/forms/StdCtrls.h"

#include <QString>
#include <cstddef>

class QObject;
class TControl;
class TWinControl;

// Copies cell `index` of a source cut into cols x rows equal cells; the destination takes the
// cell's size. Nothing happens without a source or destination.
TBitmap* AssignBitmapCell(TGraphic* source, TBitmap* dest, int cols, int rows, int index);

// Paints what lies under the control (its parent and the graphic controls before it in the
// parent's order) into the canvas, so a transparent control can draw over it.
void CopyParentImage(TControl* control, TCanvas* dest);

// Stretches the source area onto the destination area leaving out the pixels of one colour.
void StretchBltTransparent(TCanvas* dest, int dstX, int dstY, int dstW, int dstH, TCanvas* source, int srcX,
                           int srcY, int srcW, int srcH, TColor transparentColor);
// The same for a bitmap; a width or height below 1 means the bitmap's own; clNone copies plainly.
void StretchBitmapTransparent(TCanvas* dest, TBitmap* bitmap, TColor transparentColor, int dstX, int dstY,
                              int dstW, int dstH, int srcX, int srcY, int srcW, int srcH);
void DrawBitmapRectTransparent(TCanvas* dest, int dstX, int dstY, const TRect& source, TBitmap* bitmap,
                               TColor transparentColor, int dstW = 0, int dstH = 0);
void DrawBitmapTransparent(TCanvas* dest, int dstX, int dstY, TBitmap* bitmap, TColor transparentColor);

// Embossed disabled look of a bitmap; the caller owns the result.
TBitmap* CreateDisabledBitmapEx(TBitmap* bitmap, TColor maskColor, TColor backColor, bool highlight,
                                TColor shadowColor, TColor highlightColor);
TBitmap* CreateDisabledBitmap(TBitmap* bitmap, TColor maskColor);
// One image of a list in the embossed disabled look.
void ImageListDrawDisabled(TImageList* images, TCanvas* canvas, int x, int y, int index, TColor highlightColor,
                           TColor grayColor, bool drawHighlight);

// 8 x 8 checkered pattern: c2 where column and row have the same parity, c1 elsewhere.
TBitmap* CreateTwoColorsBrushPattern(TColor c1, TColor c2);

void MessageBeepDefault();
// Tells the user the function is not available and aborts the operation (EAbort).
void NotImplemented();

// Drag feedback: toggles a frame `width` pixels wide on the overlay of the form that holds
// `owner` (rectangle in that form's client coordinates). Drawing the same frame twice erases it.
void DrawInvertFrame(TWinControl* owner, const TRect& r, int width);

inline int RectWidth(const TRect& r) { return r.Right - r.Left; }
inline int RectHeight(const TRect& r) { return r.Bottom - r.Top; }
// Edges included.
inline bool PointInRect(const TPoint& p, const TRect& r) {
    return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}
inline TColor PaletteColor(TColor color) { return ColorToRGB(color) | 0x02000000; }

// Direction: 0 top to bottom, 1 bottom to top, 2 left to right, 3 right to left.
void GradientFillRect(TCanvas* canvas, const TRect& r, TColor startColor, quint8 colors, int direction,
                      TColor endColor);

// The text shortened with "..." until it fits the width ("..." at the shortest).
QString MinimizeText(const QString& text, TCanvas* canvas, int maxWidth);

// Zero-filled block, nil for a size of 0; FreeMemo frees and clears the pointer.
void* AllocMemo(std::size_t size);
void FreeMemo(void*& p);
bool SameMemory(const void* p1, const void* p2, std::size_t size);
inline void* OffsetPointer(void* p, std::ptrdiff_t count) { return static_cast<char*>(p) + count; }
void CopyBytes(const void* source, void* dest, std::size_t count);

// The first item of a command line and the rest, blanks and quotes handled as the shell does.
void SplitCommandLine(const QString& commandLine, QString& fileName, QString& params);

// Aligned text in a rectangle, DX / DY from its left and top.
void WriteCellText(TCanvas* canvas, const TRect& r, int dx, bool wordWrap, TAlignment alignment,
                   const QString& text, int dy);
// A grid cell's text two pixels in from the left, vertically at the top (0), centre (1) or
// bottom (2) of the cell; centred text wraps.
void DrawCellText(TCanvas* canvas, const TRect& r, int vertAlign, TAlignment alignment, const QString& text);
void DrawCellText(TCustomControl* grid, int col, int row, int vertAlign, TAlignment alignment, const TRect& r,
                  const QString& text);

// True while one of the program's windows is the active window.
bool IsForegroundTask();

// Text of the program's string table (the libraries' messages, hints and captions); empty for an
// id the table does not hold.
QString ResStr(int id);

// Drops the events of one type posted to the object and not yet delivered. A quit request is
// never dropped: it must still end the program.
void RemovePendingMessage(QObject* receiver, int msg);

namespace controls::visual {
// The items of a command line (quotes dropped).
QStringList CommandLineItems(const QString& commandLine);
// Integer a * b / c rounded to the nearest, halves away from zero (0 for c = 0).
int MulDiv(int a, int b, int c);
// The gray of the colour's luminance ((77 R + 150 G + 29 B) shr 8).
TColor GrayOf(TColor color);
// Frames toggled on a form's overlay (tests read them).
int InvertFrameCount(TWinControl* owner);
}  // namespace controls::visual
