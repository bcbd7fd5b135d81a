#pragma once
// Colour reduction of 24-bit pixels to 8-bit palette indices, over plain buffers.
// Pixels are device-independent bitmap rows: bottom-up, blue-green-red, each line
// padded to 4 bytes. Palettes are 256 entries of blue, green, red, 0.
#include <QByteArray>
#include <QtGlobal>

namespace controls::visual::quant {

enum MappingMethod : quint8 {
    mmHistogram = 0,
    mmMedianCut = 1,
    mmTrunc784 = 2,       // fixed 7 x 8 x 4 levels
    mmTrunc666 = 3,       // fixed 6 x 6 x 6 levels
    mmTripel = 4,         // interleaved channel ramps
    mmGrayscale = 5,
};

using PaletteBlock = quint8[256][4];

// Nearest-level tables: for every value 0..255 the index of the closest level,
// the lower level on a tie. Levels: 4, 6, 7 or 8.
const quint8* NearestLevel(int levels);
int LevelValue(int levels, int index);

// Reduces width x height pixels into 8-bit indices by the method; returns the
// colours-used field of the header (median cut: colours made; 224; 216; else 0).
// colours is the palette size the histogram aims at (2, 16 or 256).
int ReducePixels(const quint8* bgr, int srcStride, int width, int height, int method, int colours,
                 quint8* dst, int dstStride, PaletteBlock& palette);

// Gives the colour 0x00BBGGRR an entry of its own in a reduced image: the pixels of
// exactly that colour in the source take that entry and no other pixel does, and it
// is the first entry of that colour. Used for transparent colours. No-op when no
// source pixel has the colour.
void KeepExactColor(const quint8* bgr, int srcStride, int width, int height, quint8* dst, int dstStride,
                    PaletteBlock& palette, quint32 color);

// A complete BMP file image: file header, 40-byte information header, palette
// (bits up to 8) and the pixel rows as given.
QByteArray MakeBMP(int width, int height, int bits, const PaletteBlock* palette, int colorsUsed,
                   const quint8* rows, int stride);

}  // namespace controls::visual::quant
