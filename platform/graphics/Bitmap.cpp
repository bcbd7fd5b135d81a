// TBitmap: the pixel store, format conversions, masks and the BMP file format.
#include "platform/classes/Streams.h"
#include "platform/graphics/LittleEndian.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Resources.h"

#include <QHash>
#include <QtEndian>
#include <cstring>

using platform::graphics::PixelStore;

namespace {

const QString kInvalidBitmap = QStringLiteral("Bitmap image is not valid");

int Dist2(QRgb a, QRgb b) {
    int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

PixelStore MakeStore(int width, int height, int bpp, const TPaletteEntries& palette) {
    if (width < 0 || height < 0 || width > platform::graphics::MaxBitmapSide ||
        height > platform::graphics::MaxBitmapSide || qint64(width) * height > platform::graphics::MaxBitmapPixels)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    PixelStore s;
    s.Width = width;
    s.Height = height;
    s.BitsPerPixel = bpp;
    s.Stride = PixelStore::StrideFor(width, bpp);
    if (bpp <= 8) {
        s.Palette = palette.isEmpty() ? platform::graphics::DefaultPalette(bpp) : palette;
        s.Palette.resize(1 << bpp, qRgb(0, 0, 0));
    }
    s.Bits = QByteArray(qsizetype(s.Stride) * height, '\0');
    return s;
}

void FillStore(PixelStore& s, QRgb rgb) {
    if (s.BitsPerPixel <= 8) {
        int idx = s.NearestIndex(rgb);
        for (int y = 0; y < s.Height; ++y)
            for (int x = 0; x < s.Width; ++x) s.SetPixelIndex(x, y, idx);
    } else {
        for (int y = 0; y < s.Height; ++y)
            for (int x = 0; x < s.Width; ++x) s.SetPixelRgb(x, y, rgb);
    }
}

using platform::graphics::le::U16;
using platform::graphics::le::U32;
using platform::graphics::le::I32;

using platform::graphics::le::Put16;
using platform::graphics::le::Put32;

// Value of a bit-field mask scaled to 0..255.
int MaskedChannel(quint32 v, quint32 mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    quint32 m = mask >> shift;
    quint32 c = (v & mask) >> shift;
    return int((c * 255 + m / 2) / m);
}

// Decodes RLE8/RLE4 into top-down index rows; every write is bounds-checked.
void DecodeRle(const uchar* data, qsizetype size, PixelStore& s, bool rle4, bool topDown) {
    int x = 0, y = 0;  // y counts stored rows (bottom-up unless topDown)
    qsizetype i = 0;
    auto put = [&](int idx) {
        if (x < s.Width && y < s.Height) s.SetPixelIndex(x, topDown ? y : s.Height - 1 - y, idx);
        ++x;
    };
    while (i + 1 < size) {
        int n = data[i], v = data[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) put(rle4 ? ((k & 1) ? (v & 0xF) : (v >> 4)) : v);
        } else if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (i + 1 >= size) throw EInvalidGraphic(kInvalidBitmap);
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {
            qsizetype bytes = rle4 ? (v + 1) / 2 : v;
            if (i + bytes > size) throw EInvalidGraphic(kInvalidBitmap);
            for (int k = 0; k < v; ++k) {
                int b = data[i + (rle4 ? k / 2 : k)];
                put(rle4 ? ((k & 1) ? (b & 0xF) : (b >> 4)) : b);
            }
            i += bytes;
            if (bytes & 1) ++i;  // runs are padded to 16 bits
        }
        if (y > s.Height) return;
    }
}

}  // namespace

// ---------------------------------------------------------------- pixel store

namespace platform::graphics {

QRgb PixelStore::PixelRgb(int x, int y) const {
    const uchar* r = Row(y);
    switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8:
        return Palette.value(PixelIndex(x, y)) | 0xFF000000u;
    case 24:
        return qRgb(r[x * 3 + 2], r[x * 3 + 1], r[x * 3]);
    default:
        return qRgb(r[x * 4 + 2], r[x * 4 + 1], r[x * 4]);
    }
}

int PixelStore::PixelIndex(int x, int y) const {
    const uchar* r = Row(y);
    switch (BitsPerPixel) {
    case 1:
        return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
    case 8:
        return r[x];
    default:
        return 0;
    }
}

void PixelStore::SetPixelIndex(int x, int y, int index) {
    uchar* r = Row(y);
    switch (BitsPerPixel) {
    case 1: {
        uchar bit = uchar(0x80 >> (x & 7));
        if (index & 1)
            r[x >> 3] |= bit;
        else
            r[x >> 3] &= uchar(~bit);
        break;
    }
    case 4:
        if (x & 1)
            r[x >> 1] = uchar((r[x >> 1] & 0xF0) | (index & 0x0F));
        else
            r[x >> 1] = uchar((r[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        break;
    case 8:
        r[x] = uchar(index);
        break;
    default:
        break;
    }
}

void PixelStore::SetPixelRgb(int x, int y, QRgb rgb) {
    uchar* r = Row(y);
    switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8:
        SetPixelIndex(x, y, NearestIndex(rgb));
        break;
    case 24:
        r[x * 3] = uchar(qBlue(rgb));
        r[x * 3 + 1] = uchar(qGreen(rgb));
        r[x * 3 + 2] = uchar(qRed(rgb));
        break;
    default:
        r[x * 4] = uchar(qBlue(rgb));
        r[x * 4 + 1] = uchar(qGreen(rgb));
        r[x * 4 + 2] = uchar(qRed(rgb));
        r[x * 4 + 3] = 0;
        break;
    }
}

int PixelStore::NearestIndex(QRgb rgb) const {
    int best = 0, bestD = INT_MAX;
    for (int i = 0; i < Palette.size(); ++i) {
        int d = Dist2(Palette[i], rgb);
        if (d < bestD) {
            bestD = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

TPaletteEntries DefaultPalette(int bitsPerPixel) {
    static const QRgb kVga[16] = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    TPaletteEntries p;
    if (bitsPerPixel == 1) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    for (QRgb c : kVga) p << c;
    if (bitsPerPixel == 4) return p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p << qRgb(r * 51, g * 51, b * 51);
    for (int i = 0; p.size() < 256; ++i) p << qRgb(8 + i * 10, 8 + i * 10, 8 + i * 10);
    return p;
}

}  // namespace platform::graphics

// ---------------------------------------------------------------- TBitmap

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->BindBitmap(this);
        FCanvas->OnChange = TNotifyEvent([this](TObject*) { Changed(this); });
    }
    return FCanvas.get();
}

const PixelStore& TBitmap::Store() const {
    Sync();
    return FStore;
}

QImage& TBitmap::BeginWork() {
    if (FWork.isNull() && !Empty()) {
        FWork = ToImage();
        if (FStore.BitsPerPixel <= 8) FWorkBase = FWork;
    }
    return FWork;
}

void TBitmap::EndWork() { FWorkDirty = true; }

void TBitmap::Sync() const {
    if (!FWorkDirty) return;
    FWorkDirty = false;
    if (FStore.BitsPerPixel > 8) {
        for (int y = 0; y < FStore.Height; ++y) {
            auto* src = reinterpret_cast<const QRgb*>(FWork.constScanLine(y));
            for (int x = 0; x < FStore.Width; ++x) FStore.SetPixelRgb(x, y, src[x]);
        }
        return;
    }
    // Indexed: only pixels the painting changed take a new index, so duplicated palette
    // entries keep the indexes they had.
    QHash<QRgb, int> nearest;
    for (int y = 0; y < FStore.Height; ++y) {
        auto* now = reinterpret_cast<const QRgb*>(FWork.constScanLine(y));
        auto* was = reinterpret_cast<const QRgb*>(FWorkBase.constScanLine(y));
        for (int x = 0; x < FStore.Width; ++x) {
            if (now[x] == was[x]) continue;
            auto it = nearest.constFind(now[x]);
            int idx = it != nearest.constEnd() ? *it : nearest.insert(now[x], FStore.NearestIndex(now[x])).value();
            FStore.SetPixelIndex(x, y, idx);
        }
    }
    // The work image shows what the store now holds.
    FWork = QImage();
    FWorkBase = QImage();
}

void TBitmap::DropWork() const {
    Sync();
    FWork = QImage();
    FWorkBase = QImage();
}

void TBitmap::StoreChanged() { Changed(this); }

uchar* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= FStore.Height) throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    DropWork();
    return FStore.Row(y);
}

const uchar* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= FStore.Height) throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    Sync();
    return FStore.Row(y);
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == FStore.Width && height == FStore.Height) return;
    DropWork();
    PixelStore s = MakeStore(width, height, FStore.BitsPerPixel, FStore.Palette);
    FillStore(s, qRgb(255, 255, 255));
    int w = std::min(width, FStore.Width), h = std::min(height, FStore.Height);
    for (int y = 0; y < h; ++y) {
        if (s.BitsPerPixel >= 8) {
            std::memcpy(s.Row(y), FStore.Row(y), size_t(w) * size_t(s.BitsPerPixel / 8));
        } else {
            for (int x = 0; x < w; ++x) s.SetPixelIndex(x, y, FStore.PixelIndex(x, y));
        }
    }
    FStore = std::move(s);
    StoreChanged();
}

TPixelFormat TBitmap::PixelFormat() const {
    switch (FStore.BitsPerPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    default: return FDeviceFormat ? pfDevice : pf32bit;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    int bpp = 32;
    switch (format) {
    case pf1bit: bpp = 1; break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf24bit: bpp = 24; break;
    default: bpp = 32; break;
    }
    if (bpp == FStore.BitsPerPixel) {
        FDeviceFormat = format == pfDevice;
        return;
    }
    DropWork();
    TPaletteEntries pal;
    bool keepIndexes = FStore.BitsPerPixel <= 8 && bpp <= 8 && bpp > FStore.BitsPerPixel;
    if (keepIndexes) pal = FStore.Palette;
    PixelStore s = MakeStore(FStore.Width, FStore.Height, bpp, pal);
    QHash<QRgb, int> nearest;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) {
            if (keepIndexes) {
                s.SetPixelIndex(x, y, FStore.PixelIndex(x, y));
            } else if (bpp <= 8) {
                QRgb c = FStore.PixelRgb(x, y);
                auto it = nearest.constFind(c);
                s.SetPixelIndex(x, y, it != nearest.constEnd() ? *it : nearest.insert(c, s.NearestIndex(c)).value());
            } else {
                s.SetPixelRgb(x, y, FStore.PixelRgb(x, y));
            }
        }
    FStore = std::move(s);
    FDeviceFormat = format == pfDevice;
    StoreChanged();
}

void TBitmap::SetMonochrome(bool value) {
    if (value == Monochrome()) return;
    if (!value) {
        SetPixelFormat(pfDevice);
        return;
    }
    DropWork();
    QRgb key = platform::graphics::ToQRgb(Canvas()->Brush()->Color()) & 0xFFFFFF;
    PixelStore s = MakeStore(FStore.Width, FStore.Height, 1, {});
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) s.SetPixelIndex(x, y, (FStore.PixelRgb(x, y) & 0xFFFFFF) == key ? 1 : 0);
    FStore = std::move(s);
    StoreChanged();
}

void TBitmap::SetPalette(const TPaletteEntries& palette) {
    if (FStore.BitsPerPixel > 8 || palette.isEmpty()) return;
    DropWork();
    FStore.Palette = palette;
    FStore.Palette.resize(1 << FStore.BitsPerPixel, qRgb(0, 0, 0));
    StoreChanged();
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return ColorToRGB(FTransparentColor) | 0x02000000;
    if (Empty()) return clDefault;
    Sync();
    TColor c = Monochrome() ? clWhite : platform::graphics::FromQRgb(FStore.PixelRgb(0, FStore.Height - 1));
    return c | 0x02000000;
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == FTransparentColor) return;
    FTransparentColor = color;
    FTransparentMode = color == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == FTransparentMode) return;
    if (mode == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor() & 0xFFFFFF);
}

std::unique_ptr<TBitmap> TBitmap::CreateMask(TColor transparentColor) const {
    Sync();
    if (transparentColor == clNone) {
        // No transparent colour: every pixel is opaque.
        auto mask = std::make_unique<TBitmap>();
        mask->FStore = MakeStore(FStore.Width, FStore.Height, 1, {});
        return mask;
    }
    QRgb key = platform::graphics::ToQRgb(transparentColor & 0xFFFFFF) & 0xFFFFFF;
    if (transparentColor < 0) key = platform::graphics::ToQRgb(transparentColor) & 0xFFFFFF;
    auto mask = std::make_unique<TBitmap>();
    mask->FStore = MakeStore(FStore.Width, FStore.Height, 1, {});
    for (int y = 0; y < FStore.Height; ++y)
        for (int x = 0; x < FStore.Width; ++x)
            mask->FStore.SetPixelIndex(x, y, (FStore.PixelRgb(x, y) & 0xFFFFFF) == key ? 1 : 0);
    return mask;
}

void TBitmap::Mask(TColor transparentColor) {
    auto m = CreateMask(transparentColor);
    DropWork();
    FStore = std::move(m->FStore);
    StoreChanged();
}

QImage TBitmap::ToImage() const {
    Sync();
    if (Empty()) return QImage();
    QImage img(FStore.Width, FStore.Height, QImage::Format_RGB32);
    for (int y = 0; y < FStore.Height; ++y) {
        auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
        const uchar* r = FStore.Row(y);
        switch (FStore.BitsPerPixel) {
        case 24:
            for (int x = 0; x < FStore.Width; ++x) d[x] = qRgb(r[x * 3 + 2], r[x * 3 + 1], r[x * 3]);
            break;
        case 32:
            for (int x = 0; x < FStore.Width; ++x) d[x] = qRgb(r[x * 4 + 2], r[x * 4 + 1], r[x * 4]);
            break;
        default:
            for (int x = 0; x < FStore.Width; ++x) d[x] = FStore.Palette.value(FStore.PixelIndex(x, y)) | 0xFF000000u;
            break;
        }
    }
    return img;
}

void TBitmap::FromImage(const QImage& image) {
    DropWork();
    if (image.isNull()) {
        FStore = MakeStore(0, 0, 32, {});
    } else {
        QImage img = image.convertToFormat(QImage::Format_RGB32);
        PixelStore s = MakeStore(img.width(), img.height(), 32, {});
        for (int y = 0; y < s.Height; ++y) {
            auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < s.Width; ++x) s.SetPixelRgb(x, y, src[x]);
        }
        FStore = std::move(s);
    }
    FDeviceFormat = true;
    StoreChanged();
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        DropWork();
        FStore = MakeStore(0, 0, 32, {});
        FDeviceFormat = true;
        StoreChanged();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        if (b == this) return;
        b->Sync();
        DropWork();
        FStore = b->FStore;
        FDeviceFormat = b->FDeviceFormat;
        FTransparentColor = b->FTransparentColor;
        FTransparentMode = b->FTransparentMode;
        SetTransparent(b->Transparent());
        StoreChanged();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(source)) {
        // Any other graphic is drawn onto a white bitmap of its size.
        if (auto* icon = dynamic_cast<TIcon*>(g)) {
            QImage img = icon->ToImage();
            SetPixelFormat(pfDevice);
            SetSize(0, 0);
            SetSize(img.width(), img.height());
            if (!img.isNull()) Canvas()->Draw(0, 0, icon);
            return;
        }
        if (g->Empty()) {
            Assign(nullptr);
            return;
        }
    }
    TGraphic::Assign(source);
}

void TBitmap::AssignTo(TPersistent* dest) { TGraphic::AssignTo(dest); }

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
    if (Empty()) return;
    TRect src = Rect(0, 0, Width(), Height());
    if (Transparent()) {
        canvas->DrawBitmapKeyed(r, this, src, TransparentColor() & 0xFFFFFF);
    } else {
        canvas->StretchBlt(r, Canvas(), src, canvas->CopyMode());
    }
}

// ---------------------------------------------------------------- BMP format

void TBitmap::LoadFromBytes(const QByteArray& bytes) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 14 + 12 || d[0] != 'B' || d[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
    quint32 offBits = U32(d + 10);
    quint32 infoSize = U32(d + 14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
        throw EInvalidGraphic(kInvalidBitmap);
    if (14 + qsizetype(infoSize) > n) throw EInvalidGraphic(kInvalidBitmap);
    const uchar* h = d + 14;
    qint64 width, height;
    int planes, bpp;
    quint32 compression = 0, clrUsed = 0;
    int palEntrySize = 4;
    if (infoSize == 12) {
        width = U16(h + 4);
        height = qint16(U16(h + 6));
        planes = U16(h + 8);
        bpp = U16(h + 10);
        palEntrySize = 3;
    } else {
        width = I32(h + 4);
        height = I32(h + 8);
        planes = U16(h + 12);
        bpp = U16(h + 14);
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (planes != 1 || width <= 0 || height <= 0 || width > platform::graphics::MaxBitmapSide ||
        height > platform::graphics::MaxBitmapSide || width * height > platform::graphics::MaxBitmapPixels)
        throw EInvalidGraphic(kInvalidBitmap);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) throw EInvalidGraphic(kInvalidBitmap);
    bool rle8 = compression == 1, rle4 = compression == 2, fields = compression == 3;
    if (compression > 3 || (rle8 && bpp != 8) || (rle4 && bpp != 4) || (fields && bpp != 16 && bpp != 32) ||
        ((rle8 || rle4) && topDown))
        throw EInvalidGraphic(kInvalidBitmap);

    qsizetype pos = 14 + infoSize;
    quint32 rMask = 0, gMask = 0, bMask = 0;
    if (bpp == 16 || bpp == 32) {
        if (fields) {
            const uchar* m = h + 40;
            if (infoSize == 40) {
                if (pos + 12 > n) throw EInvalidGraphic(kInvalidBitmap);
                m = d + pos;
                pos += 12;
            }
            rMask = U32(m);
            gMask = U32(m + 4);
            bMask = U32(m + 8);
        } else if (bpp == 16) {
            rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
        } else {
            rMask = 0xFF0000, gMask = 0x00FF00, bMask = 0x0000FF;
        }
    }
    TPaletteEntries pal;
    if (bpp <= 8) {
        quint32 count = clrUsed ? clrUsed : (1u << bpp);
        if (count > (1u << bpp)) throw EInvalidGraphic(kInvalidBitmap);
        if (pos + qsizetype(count) * palEntrySize > n) throw EInvalidGraphic(kInvalidBitmap);
        for (quint32 i = 0; i < count; ++i) {
            const uchar* e = d + pos + qsizetype(i) * palEntrySize;
            pal << qRgb(e[2], e[1], e[0]);
        }
        pos += qsizetype(count) * palEntrySize;
    }
    if (offBits == 0) offBits = quint32(pos);
    if (offBits < 14 + infoSize || qsizetype(offBits) > n) throw EInvalidGraphic(kInvalidBitmap);

    int storeBpp = bpp == 16 ? 24 : bpp;
    const uchar* bits = d + offBits;
    qsizetype avail = n - offBits;
    const int stride = PixelStore::StrideFor(int(width), bpp);
    // The last row needs only its pixels, not its padding. Checked before allocating, so a
    // damaged header cannot make us reserve memory for pixels that are not there.
    const qsizetype lastRow = (qint64(width) * bpp + 7) / 8;
    if (!(rle8 || rle4) && qsizetype(stride) * (height - 1) + lastRow > avail) throw EInvalidGraphic(kInvalidBitmap);
    PixelStore s = MakeStore(int(width), int(height), storeBpp, pal);
    if (rle8 || rle4) {
        DecodeRle(bits, avail, s, rle4, false);
    } else {
        for (int y = 0; y < height; ++y) {
            const uchar* src = bits + qsizetype(stride) * (topDown ? y : height - 1 - y);
            uchar* dst = s.Row(y);
            if (bpp == 16) {
                for (int x = 0; x < width; ++x) {
                    quint32 v = U16(src + x * 2);
                    s.SetPixelRgb(x, y, qRgb(MaskedChannel(v, rMask), MaskedChannel(v, gMask), MaskedChannel(v, bMask)));
                }
            } else if (bpp == 32 && (rMask != 0xFF0000 || gMask != 0xFF00 || bMask != 0xFF)) {
                for (int x = 0; x < width; ++x) {
                    quint32 v = U32(src + x * 4);
                    s.SetPixelRgb(x, y, qRgb(MaskedChannel(v, rMask), MaskedChannel(v, gMask), MaskedChannel(v, bMask)));
                }
            } else {
                std::memcpy(dst, src, size_t(lastRow));
            }
        }
    }
    DropWork();
    FStore = std::move(s);
    FDeviceFormat = false;
    StoreChanged();
}

QByteArray TBitmap::SaveToBytes() {
    Sync();
    QByteArray out;
    if (Empty()) return out;
    int bpp = FStore.BitsPerPixel;
    quint32 palBytes = bpp <= 8 ? (4u << bpp) : 0;
    quint32 imageSize = quint32(FStore.Stride) * quint32(FStore.Height);
    quint32 offBits = 14 + 40 + palBytes;
    out.reserve(qsizetype(offBits) + imageSize);
    out.append("BM", 2);
    Put32(out, offBits + imageSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, offBits);
    Put32(out, 40);
    Put32(out, quint32(FStore.Width));
    Put32(out, quint32(FStore.Height));
    Put16(out, 1);
    Put16(out, quint16(bpp));
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    if (bpp <= 8) {
        for (int i = 0; i < (1 << bpp); ++i) {
            QRgb c = FStore.Palette.value(i);
            char e[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
            out.append(e, 4);
        }
    }
    for (int y = FStore.Height - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(FStore.Row(y)), FStore.Stride);
    return out;
}

void TBitmap::LoadFromStream(TStream* stream) {
    uchar head[14];
    qint64 start = stream->Position();
    qint64 remaining = stream->Size() - start;
    if (remaining < 14) throw EInvalidGraphic(kInvalidBitmap);
    stream->ReadBuffer(head, 14);
    if (head[0] != 'B' || head[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
    qint64 size = U32(head + 2);
    // A file size that does not fit is not trusted: the rest of the stream is the image.
    if (size < 14 + 12 || size > remaining) size = remaining;
    QByteArray bytes(qsizetype(size), '\0');
    std::memcpy(bytes.data(), head, 14);
    stream->ReadBuffer(bytes.data() + 14, size - 14);
    LoadFromBytes(bytes);
}

void TBitmap::SaveToStream(TStream* stream) {
    QByteArray bytes = SaveToBytes();
    if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TBitmap::ReadData(TStream* stream) {
    qint32 size = 0;
    stream->ReadBuffer(&size, 4);
    size = qFromLittleEndian(size);
    if (size <= 0) {
        Assign(nullptr);
        return;
    }
    if (size > stream->Size() - stream->Position()) throw EReadError(QStringLiteral("Stream read error"));
    QByteArray bytes(size, '\0');
    stream->ReadBuffer(bytes.data(), size);
    LoadFromBytes(bytes);
}

void TBitmap::WriteData(TStream* stream) {
    QByteArray bytes = SaveToBytes();
    qint32 size = qToLittleEndian(qint32(bytes.size()));
    stream->WriteBuffer(&size, 4);
    if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TBitmap::LoadFromResourceName(const QString& name) {
    QByteArray data = platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, name);
    if (data.isNull()) throw EResNotFound(QStringLiteral("Resource %1 not found").arg(name));
    if (data.size() >= 4 && !data.startsWith("BM")) {
        // A bare DIB as resource files hold it: put a file header in front.
        const auto* d = reinterpret_cast<const uchar*>(data.constData());
        quint32 infoSize = U32(d);
        QByteArray file("BM", 2);
        Put32(file, quint32(14 + data.size()));
        Put32(file, 0);
        quint32 off = 14 + infoSize;
        if (infoSize >= 40 && data.size() >= 40) {
            int bpp = U16(d + 14);
            quint32 used = U32(d + 32);
            if (bpp <= 8) off += 4 * (used ? used : (1u << bpp));
            if (U32(d + 16) == 3 && infoSize == 40) off += 12;
        } else if (infoSize == 12 && data.size() >= 12) {
            int bpp = U16(d + 10);
            if (bpp <= 8) off += 3 * (1u << bpp);
        }
        Put32(file, off);
        data = file + data;
    }
    LoadFromBytes(data);
}

void TBitmap::LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette) {
    if (format != CF_BITMAP && format != CF_DIB) throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    LoadFromBytes(data);
    if (!palette.isEmpty()) SetPalette(palette);
}

void TBitmap::SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette) {
    format = CF_BITMAP;
    data = SaveToBytes();
    palette = Palette();
}
