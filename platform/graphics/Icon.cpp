// TIcon: the Windows icon file format.
#include "platform/classes/Streams.h"
#include "platform/graphics/LittleEndian.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Resources.h"

#include <QtEndian>

namespace {

const QString kInvalidIcon = QStringLiteral("Icon image is not valid");

using platform::graphics::le::U16;
using platform::graphics::le::U32;
using platform::graphics::le::I32;

using platform::graphics::le::Put16;
using platform::graphics::le::Put32;

constexpr int kMaxIconSide = 1024;
constexpr qint64 kMaxIconPixels = qint64(16) * 1024 * 1024;

// One image of the file: a PNG or an information header, colour rows and the AND mask.
TIcon::Entry DecodeEntry(const uchar* d, qsizetype n) {
    TIcon::Entry e;
    static const uchar kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && std::equal(kPng, kPng + 8, d)) {
        QImage img;
        if (!img.loadFromData(d, int(n), "PNG") || img.width() > kMaxIconSide || img.height() > kMaxIconSide)
            throw EInvalidGraphic(kInvalidIcon);
        e.Image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        e.Width = img.width();
        e.Height = img.height();
        e.BitsPerPixel = 32;
        return e;
    }
    if (n < 40) throw EInvalidGraphic(kInvalidIcon);
    quint32 hsize = U32(d);
    if (hsize < 40 || hsize > quint32(n)) throw EInvalidGraphic(kInvalidIcon);
    qint32 w = I32(d + 4), h2 = I32(d + 8);
    int planes = U16(d + 12), bpp = U16(d + 14);
    quint32 compression = U32(d + 16), clrUsed = U32(d + 32);
    if (w <= 0 || h2 <= 0 || w > kMaxIconSide || h2 > 2 * kMaxIconSide || planes > 1 || compression != 0)
        throw EInvalidGraphic(kInvalidIcon);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) throw EInvalidGraphic(kInvalidIcon);
    int h = h2 / 2;
    if (h <= 0) throw EInvalidGraphic(kInvalidIcon);
    qsizetype pos = hsize;
    QVector<QRgb> pal;
    if (bpp <= 8) {
        quint32 count = clrUsed ? clrUsed : (1u << bpp);
        if (count > (1u << bpp) || pos + qsizetype(count) * 4 > n) throw EInvalidGraphic(kInvalidIcon);
        for (quint32 i = 0; i < count; ++i) pal << qRgb(d[pos + i * 4 + 2], d[pos + i * 4 + 1], d[pos + i * 4]);
        pos += qsizetype(count) * 4;
        pal.resize(1 << bpp, qRgb(0, 0, 0));
    }
    int xorStride = ((w * bpp + 31) / 32) * 4;
    int andStride = ((w + 31) / 32) * 4;
    qsizetype xorSize = qsizetype(xorStride) * h, andSize = qsizetype(andStride) * h;
    if (pos + xorSize > n) throw EInvalidGraphic(kInvalidIcon);
    // Some writers leave the AND mask out of 32-bit images: the alpha is the mask then.
    bool haveAnd = pos + xorSize + andSize <= n;
    if (!haveAnd && bpp != 32) throw EInvalidGraphic(kInvalidIcon);
    const uchar* xorBits = d + pos;
    const uchar* andBits = d + pos + xorSize;
    QImage img(w, h, QImage::Format_ARGB32);
    bool anyAlpha = false;
    if (bpp == 32)
        for (int y = 0; y < h && !anyAlpha; ++y)
            for (int x = 0; x < w; ++x)
                if (xorBits[qsizetype(y) * xorStride + x * 4 + 3]) {
                    anyAlpha = true;
                    break;
                }
    for (int y = 0; y < h; ++y) {
        const uchar* row = xorBits + qsizetype(h - 1 - y) * xorStride;
        const uchar* mrow = andBits + qsizetype(h - 1 - y) * andStride;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb c;
            int alpha = 255;
            switch (bpp) {
            case 1: c = pal[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: c = pal[(x & 1) ? (row[x >> 1] & 0xF) : (row[x >> 1] >> 4)]; break;
            case 8: c = pal[row[x]]; break;
            case 24: c = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
            default:
                c = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
                if (anyAlpha) alpha = row[x * 4 + 3];
                break;
            }
            if (!anyAlpha && haveAnd && ((mrow[x >> 3] >> (7 - (x & 7))) & 1)) alpha = 0;
            out[x] = (c & 0xFFFFFF) | (quint32(alpha) << 24);
        }
    }
    e.Image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    e.Width = w;
    e.Height = h;
    e.BitsPerPixel = bpp;
    return e;
}

// A one-image 32-bit icon file of an image.
QByteArray EncodeIcon(const QImage& source) {
    QImage img = source.convertToFormat(QImage::Format_ARGB32);
    int w = img.width(), h = img.height();
    int andStride = ((w + 31) / 32) * 4;
    QByteArray body;
    Put32(body, 40);
    Put32(body, quint32(w));
    Put32(body, quint32(h * 2));
    Put16(body, 1);
    Put16(body, 32);
    for (int i = 0; i < 6; ++i) Put32(body, 0);
    for (int y = h - 1; y >= 0; --y) {
        auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            char px[4] = {char(qBlue(row[x])), char(qGreen(row[x])), char(qRed(row[x])), char(qAlpha(row[x]))};
            body.append(px, 4);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray mrow(andStride, '\0');
        auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) == 0) mrow[x >> 3] = char(mrow[x >> 3] | (0x80 >> (x & 7)));
        body += mrow;
    }
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    out.append(char(w >= 256 ? 0 : w));
    out.append(char(h >= 256 ? 0 : h));
    out.append(char(0));
    out.append(char(0));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, quint32(body.size()));
    Put32(out, 22);
    return out + body;
}

// Length of the icon file at the start of bytes (header, directory and every image).
qsizetype ParseIcon(const QByteArray& bytes, std::vector<TIcon::Entry>& entries) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    qsizetype n = bytes.size();
    if (n < 6 || U16(d) != 0 || (U16(d + 2) != 1 && U16(d + 2) != 2)) throw EInvalidGraphic(kInvalidIcon);
    int count = U16(d + 4);
    if (count < 1 || 6 + qsizetype(count) * 16 > n) throw EInvalidGraphic(kInvalidIcon);
    qsizetype end = 6 + qsizetype(count) * 16;
    // Many directory entries may point at one large image: bound what decoding may hold.
    qint64 pixels = 0;
    for (int i = 0; i < count; ++i) {
        const uchar* de = d + 6 + i * 16;
        pixels += qint64(de[0] ? de[0] : 256) * (de[1] ? de[1] : 256);
    }
    if (pixels > kMaxIconPixels) throw EInvalidGraphic(kInvalidIcon);
    qint64 decoded = 0;
    for (int i = 0; i < count; ++i) {
        const uchar* de = d + 6 + i * 16;
        quint32 size = U32(de + 8), offset = U32(de + 12);
        if (offset < quint32(6 + count * 16) || size == 0 || qsizetype(offset) + qsizetype(size) > n)
            throw EInvalidGraphic(kInvalidIcon);
        entries.push_back(DecodeEntry(d + offset, size));
        decoded += qint64(entries.back().Width) * entries.back().Height;
        if (decoded > kMaxIconPixels) throw EInvalidGraphic(kInvalidIcon);
        end = std::max(end, qsizetype(offset) + qsizetype(size));
    }
    return end;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Assign(TPersistent* source) {
    if (!source) {
        FEntries.clear();
        FCurrent = -1;
        FData.clear();
        Changed(this);
        return;
    }
    if (auto* i = dynamic_cast<TIcon*>(source)) {
        if (i == this) return;
        FEntries = i->FEntries;
        FCurrent = i->FCurrent;
        FData = i->FData;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

bool TIcon::Empty() const { return FCurrent < 0; }
int TIcon::Width() const { return FCurrent < 0 ? 0 : FEntries[size_t(FCurrent)].Width; }
int TIcon::Height() const { return FCurrent < 0 ? 0 : FEntries[size_t(FCurrent)].Height; }

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }

void TIcon::LoadFromBytes(const QByteArray& bytes) {
    std::vector<Entry> entries;
    qsizetype used = ParseIcon(bytes, entries);
    int current = 0;
    for (int i = 1; i < int(entries.size()); ++i)
        if (entries[size_t(i)].Width == entries[0].Width && entries[size_t(i)].Height == entries[0].Height &&
            entries[size_t(i)].BitsPerPixel > entries[size_t(current)].BitsPerPixel)
            current = i;
    FEntries = std::move(entries);
    FCurrent = current;
    FData = bytes.left(used);
    Changed(this);
}

QByteArray TIcon::SaveToBytes() { return FData; }

void TIcon::LoadFromStream(TStream* stream) {
    qint64 start = stream->Position();
    qint64 remaining = stream->Size() - start;
    if (remaining <= 0) throw EInvalidGraphic(kInvalidIcon);
    QByteArray bytes(qsizetype(remaining), '\0');
    stream->ReadBuffer(bytes.data(), remaining);
    LoadFromBytes(bytes);
    // Whatever follows the icon in the stream is left for the caller.
    stream->SetPosition(start + FData.size());
}

void TIcon::SaveToStream(TStream* stream) {
    if (!FData.isEmpty()) stream->WriteBuffer(FData.constData(), FData.size());
}

void TIcon::LoadFromResourceName(const QString& name) {
    QByteArray data = platform::graphics::FindResource(platform::graphics::ResourceKind::Icon, name);
    if (data.isNull()) throw EResNotFound(QStringLiteral("Resource %1 not found").arg(name));
    LoadFromBytes(data);
}

void TIcon::SetImage(const QImage& argb) {
    if (argb.isNull()) {
        Assign(nullptr);
        return;
    }
    LoadFromBytes(EncodeIcon(argb));
}

QImage TIcon::ToImage() const { return FCurrent < 0 ? QImage() : FEntries[size_t(FCurrent)].Image; }

void TIcon::Draw(TCanvas* canvas, const TRect& r) {
    if (FCurrent < 0) return;
    canvas->DrawImage(r, FEntries[size_t(FCurrent)].Image);
}
