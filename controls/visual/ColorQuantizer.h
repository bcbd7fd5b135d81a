#pragma once
// Colour reduction of bitmaps to device-independent bitmaps of 1, 4 or 8 bits per
// pixel, written as BMP file images into memory streams.
#include "controls/visual/ColorQuantizer_core.h"
#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"

#include <memory>

// Pixel format codes: 0 device-dependent, 1 = 1 bit, 2 = 4 bits, 3 = 8 bits, 4 = 24 bits.
using TPixelFormatCode = int;
// Reduction methods: see controls::visual::quant::MappingMethod.
using TMappingMethod = quint8;

// Method used by ReduceColors and the GIF encoder; 0 (most frequent colours) at start.
extern TMappingMethod DefaultMappingMethod;

// Format code of an existing bitmap: 1, 4, 8 and 24 bits give 1..4, anything else 0.
TPixelFormatCode GetBitmapPixelFormat(TBitmap* bitmap);
// Colour count of a format code: 2, 16, 256 (0 for the others).
int PixelFormatColors(TPixelFormatCode format);

// The bitmap as a BMP file image of the format, in a new stream positioned at 0.
// keepColor (0x00BBGGRR, or clNone) is a colour that must keep an exact palette entry of
// its own through the reduction, such as a GIF frame's transparent colour.
std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap* bitmap, TPixelFormatCode format, TMappingMethod method,
                                                 TColor keepColor = clNone);
// BitmapToDIBStream with the format that holds the colour count and the default method.
std::unique_ptr<TMemoryStream> ReduceColors(TBitmap* bitmap, int colors);
