// Colour reduction methods over device-independent bitmap rows.
#include "controls/visual/ColorQuantizer_core.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace controls::visual::quant {

namespace {

const quint8 Levels4[4] = {0, 85, 170, 255};
const quint8 Levels6[6] = {0, 51, 102, 153, 204, 255};
const quint8 Levels7[7] = {0, 43, 85, 128, 170, 213, 255};
const quint8 Levels8[8] = {0, 36, 73, 109, 146, 182, 219, 255};

const quint8* LevelTable(int levels)
{
    switch (levels) {
    case 4: return Levels4;
    case 6: return Levels6;
    case 7: return Levels7;
    default: return Levels8;
    }
}

struct NearestTables {
    quint8 Table[4][256];
    NearestTables()
    {
        const int counts[4] = {4, 6, 7, 8};
        for (int t = 0; t < 4; ++t) {
            const quint8* levels = LevelTable(counts[t]);
            for (int v = 0; v < 256; ++v) {
                int best = 0;
                for (int i = 1; i < counts[t]; ++i)
                    if (std::abs(v - levels[i]) < std::abs(v - levels[best])) best = i;
                Table[t][v] = quint8(best);
            }
        }
    }
};

// Built when the unit starts.
const NearestTables Nearest;

inline const quint8* Src(const quint8* bgr, int stride, int row) { return bgr + qint64(row) * stride; }

// Most frequent colours, with masks that widen until the colours fit the table.
int Histogram(const quint8* bgr, int srcStride, int width, int height, int colours, quint8* dst, int dstStride,
              PaletteBlock& pal)
{
    constexpr int MaxColors = 2049, HashSlots = 5191;
    struct Entry {
        quint8 B, G, R;
        qint32 Count;
        quint8 Index;
    };
    std::vector<Entry> table(MaxColors);
    std::vector<quint16> hash(HashSlots);
    quint8 rm = 255, gm = 255, bm = 255;
    int stored = 0;
    auto find = [&](quint8 r, quint8 g, quint8 b, bool add) -> int {
        int slot = ((r + g) * (g + b) * (b + r)) % HashSlots;
        for (;;) {
            const quint16 e = hash[size_t(slot)];
            if (e == 0xFFFF) {
                if (!add) return -1;
                if (stored == MaxColors) return -2;
                table[size_t(stored)] = Entry{b, g, r, 1, 0};
                hash[size_t(slot)] = quint16(stored);
                return stored++;
            }
            const Entry& t = table[e];
            if (t.R == r && t.G == g && t.B == b) {
                if (add) ++table[e].Count;
                return e;
            }
            if (++slot == HashSlots) slot = 0;
        }
    };
    for (;;) {
        std::fill(hash.begin(), hash.end(), quint16(0xFFFF));
        stored = 0;
        bool full = false;
        for (int y = 0; y < height && !full; ++y) {
            const quint8* p = Src(bgr, srcStride, y);
            for (int x = 0; x < width; ++x, p += 3)
                if (find(p[2] & rm, p[1] & gm, p[0] & bm, true) == -2) {
                    full = true;
                    break;
                }
        }
        if (!full) break;
        if (rm < gm) gm = quint8(gm << 1);
        else if (rm <= bm) bm = quint8(bm << 1);
        else rm = quint8(rm << 1);
    }
    // The most frequent colours take the palette in order.
    int picked = 0;
    std::vector<int> pickedEntries;
    while (picked < colours) {
        int best = -1;
        for (int i = 0; i < stored; ++i)
            if (table[size_t(i)].Count > 0 && (best < 0 || table[size_t(i)].Count > table[size_t(best)].Count)) best = i;
        if (best < 0) break;
        Entry& e = table[size_t(best)];
        e.Index = quint8(picked);
        e.Count = 0;
        pal[picked][0] = e.B;
        pal[picked][1] = e.G;
        pal[picked][2] = e.R;
        pal[picked][3] = 0;
        pickedEntries.push_back(best);
        ++picked;
    }
    for (int i = picked; i < 256; ++i) pal[i][0] = pal[i][1] = pal[i][2] = 128, pal[i][3] = 0;
    std::vector<bool> isPicked(size_t(stored), false);
    for (int i : pickedEntries) isPicked[size_t(i)] = true;
    for (int i = 0; i < stored; ++i) {
        if (isPicked[size_t(i)]) continue;
        Entry& e = table[size_t(i)];
        int best = 0;
        qint64 bestDist = -1;
        for (int k = 0; k < picked; ++k) {
            const int db = e.B - pal[k][0], dg = e.G - pal[k][1], dr = e.R - pal[k][2];
            const qint64 d = qint64(db) * db + qint64(dg) * dg + qint64(dr) * dr;
            if (bestDist < 0 || d < bestDist) bestDist = d, best = k;
        }
        e.Index = quint8(best);
    }
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) d[x] = table[size_t(find(p[2] & rm, p[1] & gm, p[0] & bm, false))].Index;
    }
    return 0;
}

// Median cut over 4096 buckets of 4 bits per channel.
int MedianCut(const quint8* bgr, int srcStride, int width, int height, int colours, quint8* dst, int dstStride,
              PaletteBlock& pal)
{
    struct Bucket {
        quint8 V[3];  // red, green, blue: 4-bit values
        qint32 Count = 0;
        quint8 Index = 0;
    };
    struct Box {
        quint8 Lower[3] = {0, 0, 0}, Width[3] = {255, 255, 255};
        int Total = 0;
        std::vector<int> Buckets;
    };
    std::vector<Bucket> buckets(4096);
    for (int i = 0; i < 4096; ++i) {
        buckets[size_t(i)].V[0] = quint8(i >> 8);
        buckets[size_t(i)].V[1] = quint8((i >> 4) & 15);
        buckets[size_t(i)].V[2] = quint8(i & 15);
    }
    // Bucket of every pixel, top row first.
    std::vector<quint16> map(size_t(width) * size_t(height));
    for (int r = 0; r < height; ++r) {
        const quint8* p = Src(bgr, srcStride, height - 1 - r);
        quint16* m = map.data() + size_t(r) * size_t(width);
        for (int x = 0; x < width; ++x, p += 3) {
            const int index = ((p[2] >> 4) << 8) + ((p[1] >> 4) << 4) + (p[0] >> 4);
            ++buckets[size_t(index)].Count;
            m[x] = quint16(index);
        }
    }
    std::vector<Box> boxes(1);
    for (int i = 0; i < 4096; ++i)
        if (buckets[size_t(i)].Count > 0) boxes[0].Buckets.push_back(i);
    boxes[0].Total = width * height;

    auto sortBy = [&](std::vector<int>& list, int channel) {
        auto value = [&](int b) { return buckets[size_t(b)].V[channel]; };
        auto sortRange = [&](auto& self, int from, int n) -> void {
            int* a = list.data() + from;
            if (n >= 8) {
                const int pivot = value(a[n / 2]);
                int i = 0, j = n - 1;
                while (i <= j) {
                    while (value(a[i]) < pivot) ++i;
                    while (value(a[j]) > pivot) --j;
                    if (i <= j) std::swap(a[i++], a[j--]);
                }
                if (i > 0 && i < n) {
                    self(self, from, i);
                    self(self, from + i, n - i);
                    return;
                }
            }
            // Each bucket goes before the earlier buckets of equal value.
            for (int k = 1; k < n; ++k) {
                const int x = a[k];
                int m = k;
                while (m > 0 && value(a[m - 1]) >= value(x)) {
                    a[m] = a[m - 1];
                    --m;
                }
                a[m] = x;
            }
        };
        sortRange(sortRange, 0, int(list.size()));
    };

    while (int(boxes.size()) < colours) {
        int bestBox = -1, bestChannel = 0, bestWidth = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].Buckets.size() < 2) continue;
            for (int c = 0; c < 3; ++c)
                if (boxes[b].Width[c] > bestWidth) bestWidth = boxes[b].Width[c], bestBox = int(b), bestChannel = c;
        }
        if (bestBox < 0) break;
        Box& old = boxes[size_t(bestBox)];
        sortBy(old.Buckets, bestChannel);
        const int half = old.Total / 2;
        size_t lowerCount = 1;
        int sum = buckets[size_t(old.Buckets[0])].Count;
        while (lowerCount + 1 < old.Buckets.size() && sum + buckets[size_t(old.Buckets[lowerCount])].Count <= half)
            sum += buckets[size_t(old.Buckets[lowerCount++])].Count;
        Box upper;
        std::copy(old.Lower, old.Lower + 3, upper.Lower);
        std::copy(old.Width, old.Width + 3, upper.Width);
        upper.Buckets.assign(old.Buckets.begin() + qsizetype(lowerCount), old.Buckets.end());
        old.Buckets.resize(lowerCount);
        const quint8 upperLower = quint8(buckets[size_t(upper.Buckets[0])].V[bestChannel] * 16);
        upper.Lower[bestChannel] = upperLower;
        upper.Width[bestChannel] = quint8(old.Lower[bestChannel] + old.Width[bestChannel] - upperLower);
        old.Width[bestChannel] = quint8(buckets[size_t(old.Buckets.back())].V[bestChannel] * 16 - old.Lower[bestChannel]);
        old.Total = 0;
        for (int b : old.Buckets) old.Total += buckets[size_t(b)].Count;
        for (int b : upper.Buckets) upper.Total += buckets[size_t(b)].Count;
        boxes.push_back(std::move(upper));
    }
    std::memset(pal, 0, sizeof(PaletteBlock));
    for (size_t b = 0; b < boxes.size(); ++b) {
        const Box& box = boxes[b];
        if (box.Buckets.empty()) continue;
        int sums[3] = {0, 0, 0};
        for (int k : box.Buckets) {
            buckets[size_t(k)].Index = quint8(b);
            for (int c = 0; c < 3; ++c) sums[c] += buckets[size_t(k)].V[c];
        }
        const int n = int(box.Buckets.size());
        int rgb[3];
        for (int c = 0; c < 3; ++c) rgb[c] = (16 * sums[c] + 15) / n;
        if (rgb[0] <= 16 && rgb[1] <= 16 && rgb[2] <= 16) rgb[0] = rgb[1] = rgb[2] = 0;
        pal[b][0] = quint8(rgb[2]);
        pal[b][1] = quint8(rgb[1]);
        pal[b][2] = quint8(rgb[0]);
        pal[b][3] = 0;
    }
    for (int r = 0; r < height; ++r) {
        quint8* d = dst + qint64(height - 1 - r) * dstStride;
        const quint16* m = map.data() + size_t(r) * size_t(width);
        for (int x = 0; x < width; ++x) d[x] = buckets[m[x]].Index;
    }
    return int(boxes.size());
}

int FixedPalette(const quint8* bgr, int srcStride, int width, int height, bool is784, quint8* dst, int dstStride,
                 PaletteBlock& pal)
{
    std::memset(pal, 128, sizeof(PaletteBlock));
    const int nr = is784 ? 7 : 6, ng = is784 ? 8 : 6, nb = is784 ? 4 : 6;
    for (int r = 0; r < nr; ++r)
        for (int g = 0; g < ng; ++g)
            for (int b = 0; b < nb; ++b) {
                const int i = r * ng * nb + g * nb + b;
                pal[i][0] = LevelTable(nb)[b];
                pal[i][1] = LevelTable(ng)[g];
                pal[i][2] = LevelTable(nr)[r];
                pal[i][3] = 0;
            }
    const quint8* tr = NearestLevel(nr);
    const quint8* tg = NearestLevel(ng);
    const quint8* tb = NearestLevel(nb);
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) d[x] = quint8(tr[p[2]] * ng * nb + tg[p[1]] * nb + tb[p[0]]);
    }
    return nr * ng * nb;
}

int Tripel(const quint8* bgr, int srcStride, int width, int height, quint8* dst, int dstStride, PaletteBlock& pal)
{
    std::memset(pal, 0, sizeof(PaletteBlock));
    for (int i = 0; i <= 64; ++i) {
        pal[i][2] = quint8(4 * i);
        pal[64 + i][1] = quint8(4 * i);
        pal[128 + i][0] = quint8(4 * i);
    }
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) {
            switch ((x + y) % 3) {
            case 0: d[x] = quint8(p[2] >> 2); break;
            case 1: d[x] = quint8(64 + (p[1] >> 2)); break;
            default: d[x] = quint8(128 + (p[0] >> 2)); break;
            }
        }
    }
    return 0;
}

int Grayscale(const quint8* bgr, int srcStride, int width, int height, quint8* dst, int dstStride, PaletteBlock& pal)
{
    for (int i = 0; i < 256; ++i) pal[i][0] = pal[i][1] = pal[i][2] = quint8(i), pal[i][3] = 0;
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) d[x] = quint8((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
    }
    return 0;
}

void PutLE(QByteArray& b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

}  // namespace

const quint8* NearestLevel(int levels)
{
    switch (levels) {
    case 4: return Nearest.Table[0];
    case 6: return Nearest.Table[1];
    case 7: return Nearest.Table[2];
    default: return Nearest.Table[3];
    }
}

int LevelValue(int levels, int index) { return LevelTable(levels)[index]; }

int ReducePixels(const quint8* bgr, int srcStride, int width, int height, int method, int colours, quint8* dst,
                 int dstStride, PaletteBlock& palette)
{
    colours = std::clamp(colours, 1, 256);
    switch (method) {
    case mmMedianCut: return MedianCut(bgr, srcStride, width, height, colours, dst, dstStride, palette);
    case mmTrunc784: return FixedPalette(bgr, srcStride, width, height, true, dst, dstStride, palette);
    case mmTrunc666: return FixedPalette(bgr, srcStride, width, height, false, dst, dstStride, palette);
    case mmTripel: return Tripel(bgr, srcStride, width, height, dst, dstStride, palette);
    case mmGrayscale: return Grayscale(bgr, srcStride, width, height, dst, dstStride, palette);
    default: return Histogram(bgr, srcStride, width, height, colours, dst, dstStride, palette);
    }
}

void KeepExactColor(const quint8* bgr, int srcStride, int width, int height, quint8* dst, int dstStride,
                    PaletteBlock& pal, quint32 color)
{
    const quint8 r = quint8(color), g = quint8(color >> 8), b = quint8(color >> 16);
    auto isColor = [&](const quint8* p) { return p[0] == b && p[1] == g && p[2] == r; };
    std::array<qint64, 256> use{};
    bool present = false;
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        const quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) {
            ++use[d[x]];
            present = present || isColor(p);
        }
    }
    if (!present) return;
    // The slot: the first entry of that colour, else an unused entry, else the least used.
    int slot = -1;
    for (int i = 0; i < 256 && slot < 0; ++i)
        if (pal[i][0] == b && pal[i][1] == g && pal[i][2] == r) slot = i;
    if (slot < 0)
        for (int i = 0; i < 256 && slot < 0; ++i)
            if (use[size_t(i)] == 0) slot = i;
    if (slot < 0) slot = int(std::min_element(use.begin(), use.end()) - use.begin());
    // Entries in use other than the slot, for pixels that must leave it.
    auto nearestOther = [&](const quint8* p) {
        int best = -1;
        qint64 bestDist = 0;
        for (int i = 0; i < 256; ++i) {
            if (i == slot || use[size_t(i)] == 0) continue;
            const int db = p[0] - pal[i][0], dg = p[1] - pal[i][1], dr = p[2] - pal[i][2];
            const qint64 dist = qint64(db) * db + qint64(dg) * dg + qint64(dr) * dr;
            if (best < 0 || dist < bestDist) best = i, bestDist = dist;
        }
        return best;
    };
    pal[slot][0] = b;
    pal[slot][1] = g;
    pal[slot][2] = r;
    pal[slot][3] = 0;
    use[size_t(slot)] = 0;
    for (int y = 0; y < height; ++y) {
        const quint8* p = Src(bgr, srcStride, y);
        quint8* d = dst + qint64(y) * dstStride;
        for (int x = 0; x < width; ++x, p += 3) {
            if (isColor(p)) {
                d[x] = quint8(slot);
            } else if (d[x] == slot) {
                int other = nearestOther(p);
                if (other < 0) {
                    // Every other pixel was on the slot: the next entry takes them.
                    other = (slot + 1) % 256;
                    pal[other][0] = p[0], pal[other][1] = p[1], pal[other][2] = p[2], pal[other][3] = 0;
                    use[size_t(other)] = 1;
                }
                d[x] = quint8(other);
            }
        }
    }
}

QByteArray MakeBMP(int width, int height, int bits, const PaletteBlock* palette, int colorsUsed,
                   const quint8* rows, int stride)
{
    const quint32 paletteSize = bits <= 8 ? 4u << bits : 0u;
    const quint32 infoSize = 40 + paletteSize;
    const quint32 imageSize = quint32(stride) * quint32(height);
    QByteArray b;
    b.reserve(int(14 + infoSize + imageSize));
    b.append("BM");
    PutLE(b, 14 + infoSize + imageSize, 4);
    PutLE(b, 0, 4);
    PutLE(b, 14 + infoSize, 4);
    PutLE(b, 40, 4);
    PutLE(b, quint32(width), 4);
    PutLE(b, quint32(height), 4);
    PutLE(b, 1, 2);
    PutLE(b, quint32(bits), 2);
    PutLE(b, 0, 4);  // no compression
    PutLE(b, imageSize, 4);
    PutLE(b, 0, 4);
    PutLE(b, 0, 4);
    PutLE(b, quint32(colorsUsed), 4);
    PutLE(b, 0, 4);
    if (paletteSize > 0) {
        QByteArray pal(int(paletteSize), '\0');
        if (palette) std::memcpy(pal.data(), palette, std::min<size_t>(paletteSize, sizeof(PaletteBlock)));
        b.append(pal);
    }
    b.append(reinterpret_cast<const char*>(rows), qsizetype(imageSize));
    return b;
}

}  // namespace controls::visual::quant
