// LZW codec and GIF block reader/writer at byte level.
#include "controls/visual/ZbGIF_format.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <random>

using namespace controls::visual::gif;

namespace {

// Packs codes of given widths into a compressed-data stream, as a file holds it.
struct CodeStream {
    int MinSize;
    std::vector<std::pair<int, int>> Codes;  // code, width
    QByteArray Build(bool terminate = true) const
    {
        QByteArray bytes;
        quint64 acc = 0;
        int bits = 0;
        for (auto [code, width] : Codes) {
            acc |= quint64(code) << bits;
            bits += width;
            while (bits >= 8) {
                bytes.append(char(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0) bytes.append(char(acc & 0xFF));
        QByteArray out(1, char(MinSize));
        for (qint64 at = 0; at < bytes.size(); at += 255) {
            qint64 n = std::min<qint64>(255, bytes.size() - at);
            out.append(char(n));
            out.append(bytes.mid(at, n));
        }
        if (terminate) out.append(char(0));
        return out;
    }
};

// An 8-bit image of pixel indices, top row first.
struct Pixels {
    int Width, Height;
    std::vector<quint8> Index;
};

// Packs top-down 8-bit indices into a bottom-up bitmap of the given depth.
std::vector<quint8> ToDIB(const Pixels& p, int bits)
{
    const int stride = DIBStride(p.Width, bits);
    std::vector<quint8> dib(size_t(stride) * p.Height, 0);
    for (int y = 0; y < p.Height; ++y) {
        quint8* line = dib.data() + size_t(p.Height - 1 - y) * stride;
        for (int x = 0; x < p.Width; ++x) {
            const quint8 v = p.Index[size_t(y) * p.Width + x];
            if (bits == 8) line[x] = v;
            else if (bits == 4) line[x / 2] |= quint8((x & 1) ? v : v << 4);
            else line[x / 8] |= quint8(v << (7 - (x & 7)));
        }
    }
    return dib;
}

Pixels FromDIB(const std::vector<quint8>& dib, int width, int height, int bits)
{
    const int stride = DIBStride(width, bits);
    Pixels p{width, height, std::vector<quint8>(size_t(width) * height)};
    for (int y = 0; y < height; ++y) {
        const quint8* line = dib.data() + size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            quint8 v;
            if (bits == 8) v = line[x];
            else if (bits == 4) v = (x & 1) ? (line[x / 2] & 15) : (line[x / 2] >> 4);
            else v = (line[x / 8] >> (7 - (x & 7))) & 1;
            p.Index[size_t(y) * width + x] = v;
        }
    }
    return p;
}

Pixels Noise(int w, int h, int colours, unsigned seed)
{
    std::mt19937 rng(seed);
    Pixels p{w, h, std::vector<quint8>(size_t(w) * h)};
    for (auto& v : p.Index) v = quint8(rng() % unsigned(colours));
    return p;
}

Pixels Decode(const QByteArray& data, int w, int h, int bits, bool interlaced, bool* corrupted = nullptr,
              bool tolerant = true, quint8 fill = 0)
{
    std::vector<quint8> dib(size_t(DIBStride(w, bits)) * h, fill);
    bool c = DecodeFrame(data, w, h, bits, interlaced, tolerant, nullptr, dib.data(), DIBStride(w, bits));
    if (corrupted) *corrupted = c;
    return FromDIB(dib, w, h, bits);
}

QByteArray Encode(const Pixels& p, int bits, bool interlaced)
{
    auto dib = ToDIB(p, bits);
    QByteArray out;
    EncodeFrame(out, dib.data(), DIBStride(p.Width, bits), p.Width, p.Height, bits, interlaced, nullptr);
    return out;
}

// Reads back the code stream and returns the widest code width in use, checking the
// stream with the same rules an independent decoder applies.
int WidestCode(const QByteArray& data)
{
    const int minSize = quint8(data[0]);
    QByteArray raw;
    for (qint64 pos = 1; pos < data.size();) {
        int len = quint8(data[pos++]);
        if (len == 0) break;
        raw.append(data.mid(pos, len));
        pos += len;
    }
    const int clear = 1 << minSize;
    int size = minSize + 1, next = clear + 2, widest = size, bitPos = 0;
    bool first = true;
    while (bitPos + size <= raw.size() * 8) {
        int code = 0;
        for (int i = 0; i < size; ++i, ++bitPos)
            if (quint8(raw[bitPos / 8]) & (1 << (bitPos % 8))) code |= 1 << i;
        widest = std::max(widest, size);
        if (code == clear) {
            size = minSize + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (code == clear + 1) break;
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << size) && size < 12) ++size;
        }
        first = false;
    }
    return widest;
}

}  // namespace

TEST(GifLzw, RoundTripsEveryDepthAndOddWidths)
{
    for (int bits : {1, 4, 8}) {
        for (int w : {1, 3, 7, 9, 17, 33, 101}) {
            for (bool interlaced : {false, true}) {
                Pixels p = Noise(w, 13, 1 << bits, unsigned(w * 31 + bits));
                QByteArray data = Encode(p, bits, interlaced);
                bool corrupted = true;
                Pixels back = Decode(data, w, 13, bits, interlaced, &corrupted, false);
                EXPECT_FALSE(corrupted);
                EXPECT_EQ(back.Index, p.Index) << "bits " << bits << " width " << w << " interlaced " << interlaced;
            }
        }
    }
}

TEST(GifLzw, LongNoiseResetsTheTableAndStaysWithinTwelveBits)
{
    // 256 colours of noise make thousands of strings: the table must start over.
    Pixels p = Noise(301, 211, 256, 7);
    QByteArray data = Encode(p, 8, false);
    EXPECT_LE(WidestCode(data), 12);
    EXPECT_EQ(Decode(data, 301, 211, 8, false).Index, p.Index);
    // Long runs make long strings; a gradient mixes both.
    Pixels runs{640, 480, std::vector<quint8>(640 * 480)};
    for (int i = 0; i < 640 * 480; ++i) runs.Index[size_t(i)] = quint8((i / 997) % 256);
    data = Encode(runs, 8, true);
    EXPECT_LE(WidestCode(data), 12);
    EXPECT_EQ(Decode(data, 640, 480, 8, true).Index, runs.Index);
}

TEST(GifLzw, OneColourOneBitImageUsesMinimumCodeSizeTwo)
{
    Pixels p{5, 4, std::vector<quint8>(20, 0)};
    QByteArray data = Encode(p, 1, false);
    EXPECT_EQ(quint8(data[0]), 2);
    EXPECT_EQ(Decode(data, 5, 4, 1, false, nullptr, false).Index, p.Index);
    Pixels ones{5, 4, std::vector<quint8>(20, 1)};
    EXPECT_EQ(Decode(Encode(ones, 1, false), 5, 4, 1, false).Index, ones.Index);
}

TEST(GifLzw, LiteralsAndTableCodesFollowTheCodeSizeNotTheOutputDepth)
{
    // Eight colours (code size 3) decoded into an 8-bit bitmap: codes 0..7 are
    // literals, 8 clear, 9 end, 10 onwards table entries.
    CodeStream s{3, {{8, 4}, {1, 4}, {6, 4}, {10, 4}, {12, 4}, {9, 4}}};
    // 1, 6, "1 6" (code 10), "1 6 1" (code 12 = string of 10 plus its first char)
    Pixels back = Decode(s.Build(), 8, 1, 8, false);
    std::vector<quint8> expect = {1, 6, 1, 6, 1, 6, 1, 0};
    EXPECT_EQ(back.Index, expect);
    // The same with 128 colours into 8 bits and a 4-bit output of a 32-colour stream.
    CodeStream s7{7, {{128, 8}, {100, 8}, {127, 8}, {130, 8}, {129, 8}}};
    EXPECT_EQ(Decode(s7.Build(), 4, 1, 8, false).Index, (std::vector<quint8>{100, 127, 100, 127}));
    CodeStream s5{5, {{32, 6}, {3, 6}, {14, 6}, {34, 6}, {33, 6}}};
    EXPECT_EQ(Decode(s5.Build(), 4, 1, 8, false).Index, (std::vector<quint8>{3, 14, 3, 14}));
}

TEST(GifLzw, MissingFirstClearCodeStillDecodes)
{
    CodeStream s{2, {{1, 3}, {2, 3}, {6, 3}, {5, 3}}};
    bool corrupted = true;
    Pixels back = Decode(s.Build(), 4, 1, 8, false, &corrupted, false);
    EXPECT_FALSE(corrupted);
    EXPECT_EQ(back.Index, (std::vector<quint8>{1, 2, 1, 2}));
}

TEST(GifLzw, CodeBeyondNextFreeIsCorruptNotACrash)
{
    // After clear, 1 the next free code is 6; 7 points nowhere.
    CodeStream s{2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}};
    bool corrupted = false;
    Pixels back = Decode(s.Build(), 3, 2, 8, false, &corrupted, true, 9);
    EXPECT_TRUE(corrupted);
    EXPECT_EQ(back.Index[0], 1);
    EXPECT_EQ(back.Index[1], 9);  // untouched
    EXPECT_THROW(Decode(s.Build(), 3, 2, 8, false, nullptr, false), EInvalidGraphicOperation);
    // A table code right after a clear code has no string yet.
    CodeStream t{2, {{4, 3}, {6, 3}, {5, 3}}};
    Decode(t.Build(), 3, 2, 8, false, &corrupted);
    EXPECT_TRUE(corrupted);
}

TEST(GifLzw, TruncatedDataKeepsTheRowsItReached)
{
    Pixels p = Noise(40, 40, 256, 3);
    QByteArray data = Encode(p, 8, false);
    QByteArray cut = data.left(data.size() / 2);
    bool corrupted = false;
    Pixels back = Decode(cut, 40, 40, 8, false, &corrupted, true, 0xEE);
    EXPECT_TRUE(corrupted);
    EXPECT_EQ(back.Index[0], p.Index[0]);
    EXPECT_EQ(back.Index.back(), 0xEE);
    EXPECT_THROW(Decode(cut, 40, 40, 8, false, nullptr, false), EInvalidGraphicOperation);
    // No data at all, or just the code size byte.
    Decode(QByteArray(), 4, 4, 8, false, &corrupted);
    EXPECT_TRUE(corrupted);
    Decode(QByteArray("\x08", 1), 4, 4, 8, false, &corrupted);
    EXPECT_TRUE(corrupted);
}

TEST(GifLzw, OutOfRangeCodeSizeIsClampedWhenTolerant)
{
    QByteArray data = CodeStream{12, {{4096, 13}, {1, 13}}}.Build();
    bool corrupted = false;
    Pixels back = Decode(data, 2, 2, 8, false, &corrupted, true, 7);
    EXPECT_TRUE(corrupted);
    EXPECT_EQ(back.Index, (std::vector<quint8>{7, 7, 7, 7}));
    try {
        Decode(data, 2, 2, 8, false, nullptr, false);
        FAIL() << "expected a code size error";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), ErrorText(61095));
    }
    data[0] = 1;
    EXPECT_THROW(Decode(data, 2, 2, 8, false, nullptr, false), EInvalidGraphicOperation);
}

TEST(GifLzw, DeferredClearKeepsTwelveBitCodes)
{
    // A stream whose table fills up without a clear code: codes stay 12 bits.
    std::vector<std::pair<int, int>> codes{{256, 9}};
    int next = 258, size = 9;
    bool first = true;
    for (int i = 0; i < 5000; ++i) {
        codes.push_back({i % 251, size});
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << size) && size < 12) ++size;
        }
        first = false;
    }
    codes.push_back({257, size});
    Pixels back = Decode(CodeStream{8, codes}.Build(), 100, 50, 8, false);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(back.Index[size_t(i)], i % 251) << i;
}

TEST(GifLzw, ProgressRunsFromStartToEnd)
{
    Pixels p = Noise(20, 20, 16, 1);
    auto dib = ToDIB(p, 4);
    std::vector<int> stages, percents;
    Progress track = [&](int stage, int percent, const QString&) {
        stages.push_back(stage);
        percents.push_back(percent);
    };
    QByteArray out;
    EncodeFrame(out, dib.data(), DIBStride(20, 4), 20, 20, 4, false, track);
    ASSERT_GE(stages.size(), 3u);
    EXPECT_EQ(stages.front(), 0);
    EXPECT_EQ(stages.back(), 2);
    EXPECT_EQ(percents[percents.size() - 2], 100);
    stages.clear();
    std::vector<quint8> back(dib.size());
    DecodeFrame(out, 20, 20, 4, false, false, track, back.data(), DIBStride(20, 4));
    EXPECT_EQ(stages.front(), 0);
    EXPECT_EQ(stages.back(), 2);
    EXPECT_EQ(back, dib);
}
