// Bitmap level of the colour reduction.
#include "controls/visual/ColorQuantizer.h"
#include "controls/visual/BitmapHelpers.h"

#include "platform/rtl/Exceptions.h"

#include <cstring>
#include <vector>

using namespace controls::visual::quant;

TMappingMethod DefaultMappingMethod = mmHistogram;

TPixelFormatCode GetBitmapPixelFormat(TBitmap* bitmap)
{
    if (!bitmap || bitmap->Empty()) return 0;
    switch (bitmap->PixelFormat()) {
    case pf1bit: return 1;
    case pf4bit: return 2;
    case pf8bit: return 3;
    case pf24bit: return 4;
    default: return 0;
    }
}

int PixelFormatColors(TPixelFormatCode format)
{
    switch (format) {
    case 1: return 2;
    case 2: return 16;
    case 3: return 256;
    default: return 0;
    }
}

namespace {

// The bitmap's pixels as 24-bit rows, bottom-up, each padded to 4 bytes.
std::vector<quint8> Bits24(TBitmap* bitmap, int& stride)
{
    const platform::graphics::PixelStore& store = bitmap->Store();
    const int w = store.Width, h = store.Height;
    stride = ((w * 3) + 3) & ~3;
    std::vector<quint8> bits(size_t(stride) * size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        quint8* d = bits.data() + size_t(h - 1 - y) * size_t(stride);
        if (store.BitsPerPixel == 24) {
            std::memcpy(d, store.Row(y), size_t(w) * 3);
            continue;
        }
        for (int x = 0; x < w; ++x, d += 3) {
            const QRgb c = store.PixelRgb(x, y);
            d[0] = quint8(qBlue(c)), d[1] = quint8(qGreen(c)), d[2] = quint8(qRed(c));
        }
    }
    return bits;
}

std::unique_ptr<TMemoryStream> StreamOf(const QByteArray& bytes)
{
    auto stream = std::make_unique<TMemoryStream>();
    stream->WriteBuffer(bytes.constData(), bytes.size());
    stream->SetPosition(0);
    return stream;
}

}  // namespace

std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap* bitmap, TPixelFormatCode format, TMappingMethod method,
                                                 TColor keepColor)
{
    if (!bitmap || !bitmap->HandleAllocated()) throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    if (GetBitmapPixelFormat(bitmap) == format && method != mmGrayscale) {
        auto stream = std::make_unique<TMemoryStream>();
        bitmap->SaveToStream(stream.get());
        stream->SetPosition(0);
        return stream;
    }
    // The device-dependent format cannot be asked for.
    if (format < 1 || format > 4) NotImplemented();
    const int w = bitmap->Width(), h = bitmap->Height();
    int srcStride = 0;
    const std::vector<quint8> src = Bits24(bitmap, srcStride);
    if (format == 4) {
        // A 24-bit request holds the true colours as they are.
        return StreamOf(MakeBMP(w, h, 24, nullptr, 0, src.data(), srcStride));
    }
    if (format == 3) {
        const int stride = (w + 3) & ~3;
        std::vector<quint8> dst(size_t(stride) * size_t(h), 0);
        PaletteBlock palette;
        std::memset(palette, 0, sizeof palette);
        const int used = ReducePixels(src.data(), srcStride, w, h, method, 256, dst.data(), stride, palette);
        if (keepColor != clNone) KeepExactColor(src.data(), srcStride, w, h, dst.data(), stride, palette, quint32(ColorToRGB(keepColor)) & 0xFFFFFF);
        return StreamOf(MakeBMP(w, h, 8, &palette, used, dst.data(), stride));
    }
    // 1 and 4 bits: nearest entry of the default palette of that depth.
    const int bits = format == 1 ? 1 : 4;
    const TPaletteEntries system = platform::graphics::DefaultPalette(bits);
    platform::graphics::PixelStore store;
    store.Width = w;
    store.Height = 1;
    store.BitsPerPixel = bits;
    store.Palette = system;
    const int stride = platform::graphics::PixelStore::StrideFor(w, bits);
    std::vector<quint8> dst(size_t(stride) * size_t(h), 0);
    PaletteBlock palette;
    std::memset(palette, 0, sizeof palette);
    for (int i = 0; i < int(system.size()) && i < 256; ++i) {
        palette[i][0] = quint8(qBlue(system[i]));
        palette[i][1] = quint8(qGreen(system[i]));
        palette[i][2] = quint8(qRed(system[i]));
    }
    for (int y = 0; y < h; ++y) {
        const quint8* s = src.data() + size_t(y) * size_t(srcStride);
        quint8* d = dst.data() + size_t(y) * size_t(stride);
        for (int x = 0; x < w; ++x, s += 3) {
            const int index = store.NearestIndex(qRgb(s[2], s[1], s[0]));
            if (bits == 4) d[x / 2] |= quint8((x & 1) ? index : index << 4);
            else if (index) d[x / 8] |= quint8(0x80 >> (x & 7));
        }
    }
    return StreamOf(MakeBMP(w, h, bits, &palette, 0, dst.data(), stride));
}

std::unique_ptr<TMemoryStream> ReduceColors(TBitmap* bitmap, int colors)
{
    TPixelFormatCode format = 4;
    if (colors <= 2) format = 1;
    else if (colors <= 16) format = 2;
    else if (colors <= 256) format = 3;
    return BitmapToDIBStream(bitmap, format, DefaultMappingMethod);
}
