// LZW codec and GIF block reader/writer at byte level.
#include "controls/visual/ZbGIF_format.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <QFile>

#include <map>
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

// Plain greedy LZW over the pixels in order, with an ordered map for its strings: the codes
// the encoder must emit, the table starting over once it holds 4094 codes.
QByteArray ReferenceLzw(const Pixels& p, int bits)
{
    const int init = bits == 1 ? 3 : bits + 1, clear = 1 << (init - 1), end = clear + 1;
    CodeStream s{init - 1, {{clear, init}}};
    std::map<std::pair<int, int>, int> table;
    int size = init, next = end, cur = -1;
    for (quint8 c : p.Index) {
        if (cur < 0) {
            cur = c;
            continue;
        }
        const auto it = table.find({cur, c});
        if (it != table.end()) {
            cur = it->second;
            continue;
        }
        s.Codes.push_back({cur, size});
        table[{cur, c}] = ++next;
        cur = c;
        if (next >= (1 << size)) {
            ++size;
        } else if (next >= 4094) {
            s.Codes.push_back({cur, size});
            s.Codes.push_back({clear, size});
            table.clear();
            cur = -1;
            next = end;
            size = init;
        }
    }
    if (cur >= 0) s.Codes.push_back({cur, size});
    s.Codes.push_back({end, size});
    return s.Build();
}

TEST(GifLzw, EncoderEmitsTheLongestKnownStringEveryTime)
{
    Pixels flat{700, 500, std::vector<quint8>(700 * 500, 200)};
    Pixels runs{640, 480, std::vector<quint8>(640 * 480)};
    for (int i = 0; i < 640 * 480; ++i) runs.Index[size_t(i)] = quint8((i / 997 + i % 3) % 256);
    const std::pair<Pixels, int> cases[] = {{flat, 8}, {runs, 8}, {Noise(301, 211, 256, 7), 8},
                                            {Noise(333, 97, 16, 3), 4}, {Noise(517, 61, 2, 5), 1}};
    for (const auto& [p, bits] : cases) {
        const QByteArray data = Encode(p, bits, false);
        EXPECT_EQ(data, ReferenceLzw(p, bits)) << p.Width << "x" << p.Height << " at " << bits << " bits";
        EXPECT_EQ(Decode(data, p.Width, p.Height, bits, false).Index, p.Index);
    }
    // A flat image is a run of ever longer strings: about sqrt(2n) codes.
    EXPECT_LT(Encode(flat, 8, false).size(), 1400);
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

namespace {

// Reads from a copy of exactly the file's size: a QByteArray has a terminator and often spare room
// past its end, where a read one byte too far would go unseen by the address checker.
Document ReadExact(const QByteArray& bytes, bool tolerant)
{
    std::vector<char> exact(bytes.begin(), bytes.end());
    return ReadDocument(exact.data(), qint64(exact.size()), tolerant);
}

// Builds GIF files byte by byte for the reader tests.
struct GifBytes {
    QByteArray B;
    GifBytes& Raw(const QByteArray& b) { B.append(b); return *this; }
    GifBytes& Byte(int v) { B.append(char(v)); return *this; }
    GifBytes& Word(int v) { return Byte(v & 0xFF).Byte(v >> 8); }
    GifBytes& Header(const char* sig = "GIF89a", int w = 4, int h = 2, int bits = 1)
    {
        Raw(sig).Word(w).Word(h).Byte(0x80 | ((bits - 1) << 4) | (bits - 1)).Byte(1).Byte(0);
        for (int i = 0; i < (1 << bits); ++i) Byte(i * 40).Byte(i * 20).Byte(255 - i);
        return *this;
    }
    GifBytes& Control(int delay, int transparent = -1, int disposal = 0)
    {
        return Raw("\x21\xF9\x04").Byte((disposal << 2) | (transparent >= 0 ? 1 : 0)).Word(delay)
            .Byte(transparent >= 0 ? transparent : 0).Byte(0);
    }
    GifBytes& Comment(const QByteArray& text)
    {
        Raw("\x21\xFE").Byte(int(text.size())).Raw(text).Byte(0);
        return *this;
    }
    GifBytes& Image(int w = 4, int h = 2, int left = 0, int top = 0)
    {
        Byte(',').Word(left).Word(top).Word(w).Word(h).Byte(0);
        Pixels p{std::max(w, 1), std::max(h, 1), std::vector<quint8>(size_t(std::max(w, 1) * std::max(h, 1)), 1)};
        return Raw(Encode(p, 1, false));
    }
    Document Read(bool tolerant = true) const { return ReadExact(B, tolerant); }
};

}  // namespace

TEST(GifReader, SignatureAndVersion)
{
    EXPECT_EQ(GifBytes().Header("gif87A").Image().Byte(';').Read().Version, 1);
    EXPECT_EQ(GifBytes().Header("GIF89a").Image().Byte(';').Read().Version, 2);
    for (const char* bad : {"GIF88a", "PNG89a", "GI"}) {
        try {
            GifBytes g;
            g.Raw(bad);
            if (g.B.size() > 3) g.Word(1).Word(1).Byte(0).Byte(0).Byte(0);
            g.Read();
            FAIL() << bad;
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_EQ(e.Message(), ErrorText(61092));
        }
    }
}

TEST(GifReader, ScreenTablesAndFrames)
{
    Document d = GifBytes().Header("GIF89a", 7, 5, 2).Image(0, 0).Image(2, 1, 3, 4).Byte(';').Read();
    EXPECT_EQ(d.ScreenWidth, 7);
    EXPECT_EQ(d.Global.Count, 4);
    EXPECT_EQ(d.BackgroundColor, qint64(d.Global.ColorOf(1)));
    ASSERT_EQ(d.Frames.size(), 2u);
    // A frame of size 0 takes the screen's size.
    EXPECT_EQ(d.Frames[0].Width, 7);
    EXPECT_EQ(d.Frames[0].Height, 5);
    EXPECT_EQ(d.Frames[1].Left, 3);
    EXPECT_EQ(d.Frames[1].Top, 4);
    EXPECT_EQ(d.Frames[1].Bits, 2);
    EXPECT_FALSE(d.Frames[1].LocalTable);
    EXPECT_EQ(d.Frames[1].Table.ColorOf(3), d.Global.ColorOf(3));
}

TEST(GifReader, GraphicControlExtensions)
{
    // Largest delay wins; the transparent index gives the table colour.
    Document d = GifBytes().Header().Control(5).Control(20, 1, 2).Control(3).Image().Byte(';').Read();
    ASSERT_EQ(d.Frames.size(), 1u);
    const FrameRecord& f = d.Frames[0];
    EXPECT_EQ(f.Delay, 200);
    EXPECT_EQ(f.TransparentColor, -1);  // the last extension says no transparency
    EXPECT_EQ(f.Disposal, 0);
    d = GifBytes().Header().Control(7, 1, 3).Image().Byte(';').Read();
    EXPECT_EQ(d.Frames[0].TransparentColor, qint64(d.Global.ColorOf(1)));
    EXPECT_EQ(d.Frames[0].Disposal, 3);
    // 65535 hundredths do not fit 16-bit milliseconds: clamped, not wrapped.
    EXPECT_EQ(GifBytes().Header().Control(65535).Image().Byte(';').Read().Frames[0].Delay, 65535);
    // A plain-text extension drops the pending graphic control.
    GifBytes g;
    g.Header().Control(50, 1).Raw("\x21\x01\x0C").Raw(QByteArray(12, 'x')).Byte(2).Raw("hi").Byte(0).Image().Byte(';');
    d = g.Read();
    EXPECT_TRUE(d.Frames[0].Extensions.empty());
    EXPECT_EQ(d.Frames[0].Delay, 0);
}

TEST(GifReader, LoopExtension)
{
    auto loop = [](const char* id, int count) {
        GifBytes g;
        g.Header().Raw("\x21\xFF\x0B").Raw(id).Byte(3).Byte(1).Word(count).Byte(0).Image().Byte(';');
        return g.Read();
    };
    Document d = loop("NETSCAPE2.0", 40000);
    EXPECT_TRUE(d.Looping);
    EXPECT_EQ(d.RepeatCount, 30000);
    EXPECT_EQ(loop("ANIMEXTS1.0", 7).RepeatCount, 7);
    EXPECT_FALSE(loop("XMPDataXMP!", 7).Looping);
    EXPECT_TRUE(d.Frames[0].Extensions.empty());
}

TEST(GifReader, CommentsBeforeTheTrailerBecomeTheGlobalComment)
{
    Document d = GifBytes().Header().Comment("frame").Image().Comment("uno").Comment("dos").Byte(';').Read();
    ASSERT_EQ(d.Frames[0].Extensions.size(), 1u);
    EXPECT_EQ(d.Frames[0].Extensions[0].Data[0], "frame");
    ASSERT_EQ(d.Comments.size(), 3u);
    EXPECT_EQ(d.Comments[0], "uno");
    EXPECT_EQ(d.Comments[1], "\r\n\r\n");
    EXPECT_EQ(d.Comments[2], "dos");
}

TEST(GifReader, BytesBetweenAndAfterBlocks)
{
    // Zero bytes after an image are skipped; another unknown byte ends reading.
    Document d = GifBytes().Header().Image().Byte(0).Byte(0).Image().Byte(0x99).Image().Read();
    EXPECT_EQ(d.Frames.size(), 2u);
    // No trailer at all is a complete file too.
    EXPECT_EQ(GifBytes().Header().Image().Read().Frames.size(), 1u);
    // Before any image an unknown byte is a read error.
    EXPECT_THROW(GifBytes().Header().Byte(0x99).Read(), EReadError);
    try {
        GifBytes().Header().Raw("\x21\xF0").Read();
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "Неопределенное расширение GIF: f0");
    }
}

TEST(GifReader, HostileLengthsAndTruncationNeverReadPastTheData)
{
    GifBytes whole;
    whole.Header("GIF89a", 40, 40, 8).Control(10, 3).Comment("hola");
    Pixels p = Noise(40, 40, 256, 5);
    whole.Byte(',').Word(0).Word(0).Word(40).Word(40).Byte(0x87);
    for (int i = 0; i < 256; ++i) whole.Byte(i).Byte(i).Byte(i);
    whole.Raw(Encode(p, 8, false)).Byte(';');
    const Document full = whole.Read(false);
    ASSERT_EQ(full.Frames.size(), 1u);
    // Every prefix of the file: a clear error or a frame marked corrupted.
    for (qint64 n = 0; n < whole.B.size(); ++n) {
        QByteArray cut = whole.B.left(n);
        try {
            Document d = ReadExact(cut, true);
            for (const FrameRecord& f : d.Frames) {
                std::vector<quint8> dib(size_t(DIBStride(f.Width, 8)) * f.Height);
                DecodeFrame(f.Data, f.Width, f.Height, 8, f.Interlaced, true, nullptr, dib.data(), DIBStride(f.Width, 8));
            }
        } catch (const EInvalidGraphicOperation&) {
        } catch (const EReadError&) {
        }
    }
    // A frame cut inside its data: corrupted when tolerant, a read error when not.
    QByteArray cut = whole.B.left(whole.B.size() - 200);
    Document d = ReadExact(cut, true);
    ASSERT_EQ(d.Frames.size(), 1u);
    EXPECT_TRUE(d.Frames[0].Corrupted);
    EXPECT_THROW(ReadExact(cut, false), EReadError);
    // A colour table or sub-block that claims more than there is.
    GifBytes table;
    table.Raw("GIF89a").Word(1).Word(1).Byte(0x87).Byte(0).Byte(0).Raw("short");
    EXPECT_THROW(table.Read(), EReadError);
    GifBytes comment;
    comment.Header().Raw("\x21\xFE\xFF").Raw("only a few bytes");
    EXPECT_THROW(comment.Read(), EReadError);
    GifBytes local;
    local.Header().Byte(',').Word(0).Word(0).Word(1).Word(1).Byte(0x87).Raw("abc");
    EXPECT_THROW(local.Read(), EReadError);
}

TEST(GifWriter, RoundTripOfExtensionsCommentsAndTables)
{
    Document d = GifBytes().Header("GIF87a", 6, 6, 2).Control(30, 2, 2).Image(3, 3, 1, 2).Image(6, 6).Byte(';').Read();
    d.Looping = true;
    d.RepeatCount = 5;
    d.Comments = {QByteArray(300, 'a') + "b", "ñ"};
    d.Frames[1].LocalTable = true;
    d.Frames[1].Table.Count = 3;  // written as a table of 4
    QByteArray bytes = WriteDocument(d);
    EXPECT_TRUE(bytes.startsWith("GIF89a"));
    EXPECT_TRUE(bytes.contains("NETSCAPE2.0"));
    Document back = ReadDocument(bytes.constData(), bytes.size(), false);
    EXPECT_TRUE(back.Looping);
    EXPECT_EQ(back.RepeatCount, 5);
    ASSERT_EQ(back.Frames.size(), 2u);
    EXPECT_EQ(back.Frames[0].Delay, 300);
    EXPECT_EQ(back.Frames[0].Disposal, 2);
    EXPECT_EQ(back.Frames[0].TransparentColor, qint64(d.Global.ColorOf(2)));
    EXPECT_EQ(back.Frames[0].Left, 1);
    EXPECT_EQ(back.Frames[1].Table.Count, 4);
    EXPECT_TRUE(back.Frames[1].LocalTable);
    // A line over 255 bytes is split across sub-blocks, nothing is cut.
    ASSERT_EQ(back.Comments.size(), 3u);
    EXPECT_EQ(back.Comments[0] + back.Comments[1], QByteArray(300, 'a') + "b");
    EXPECT_EQ(back.Comments[2], "ñ");
    EXPECT_EQ(back.Frames[1].Data, d.Frames[1].Data);
    EXPECT_THROW(WriteDocument(Document()), EInvalidGraphicOperation);
}

TEST(GifWriter, CutImageDataIsClosedOnWrite)
{
    GifBytes g;
    g.Header().Image(30, 30);
    QByteArray cut = g.B.left(g.B.size() - 2);
    Document d = ReadDocument(cut.constData(), cut.size(), true);
    ASSERT_TRUE(d.Frames[0].Corrupted);
    QByteArray bytes = WriteDocument(d);
    Document back = ReadDocument(bytes.constData(), bytes.size(), false);
    EXPECT_EQ(back.Frames.size(), 1u);
    EXPECT_TRUE(bytes.endsWith(";"));
}

TEST(GifReader, HugeClaimedSizesAllocateNothing)
{
    // A 65535 x 65535 screen from a few dozen bytes is refused at once, like a screen longer than
    // any bitmap.
    for (auto [w, h] : {std::pair{65535, 65535}, std::pair{40000, 1}, std::pair{1, 40000}, std::pair{9000, 9000}}) {
        GifBytes screen;
        screen.Header("GIF89a", w, h, 1).Image(1, 1).Byte(';');
        try {
            screen.Read();
            FAIL() << "a " << w << " x " << h << " screen was read";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_EQ(e.Message(), ErrorText(61094));
        }
    }
    EXPECT_EQ(GifBytes().Header("GIF89a", 8000, 8000, 1).Image(1, 1).Byte(';').Read().ScreenWidth, 8000);
    // A 65535 x 65535 frame on a small screen is refused when it is decoded.
    GifBytes g;
    g.Header("GIF89a", 16, 16, 1).Byte(',').Word(0).Word(0).Word(65535).Word(65535).Byte(0)
        .Raw(CodeStream{2, {{4, 3}, {1, 3}, {5, 3}}}.Build()).Byte(';');
    Document d = g.Read();
    ASSERT_EQ(d.Frames.size(), 1u);
    EXPECT_EQ(d.Frames[0].Width, 65535);
    try {
        DecodeFrameBits(d.Frames[0], 8, true, nullptr, nullptr);
        FAIL() << "a 4-gigapixel frame was decoded";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), ErrorText(61094));
    }
    // A frame of size 0 on a screen of size 0 decodes to nothing.
    Document z = GifBytes().Header("GIF89a", 0, 0, 1).Image(0, 0).Byte(';').Read();
    bool corrupted = false;
    EXPECT_TRUE(DecodeFrameBits(z.Frames[0], 8, true, nullptr, &corrupted).empty());
}

// ---------------------------------------------------------------- image and frames

#include "controls/visual/ZbGIF.h"
#include "platform/graphics/Clipbrd.h"

namespace {

// An indexed bitmap of the given depth with a distinct palette and noise pixels.
std::unique_ptr<TBitmap> IndexedBitmap(int w, int h, int bits, unsigned seed)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(bits == 1 ? pf1bit : bits == 4 ? pf4bit : pf8bit);
    b->SetSize(w, h);
    TPaletteEntries pal;
    for (int i = 0; i < (1 << bits); ++i) pal.append(qRgb(i, (i * 53) & 255, 255 - i));
    b->SetPalette(pal);
    std::mt19937 rng(seed);
    platform::graphics::PixelStore store = b->Store();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = int(rng() % unsigned(1 << bits));
            uchar* row = b->ScanLine(y);
            if (bits == 8) row[x] = uchar(v);
            else if (bits == 4) row[x / 2] = uchar((x & 1) ? (row[x / 2] & 0xF0) | v : (row[x / 2] & 0x0F) | (v << 4));
            else row[x / 8] = uchar(v ? row[x / 8] | (0x80 >> (x & 7)) : row[x / 8] & ~(0x80 >> (x & 7)));
        }
    return b;
}

std::vector<QRgb> Colours(TBitmap* b)
{
    std::vector<QRgb> c;
    const platform::graphics::PixelStore& s = b->Store();
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) c.push_back(s.PixelRgb(x, y) | 0xFF000000u);
    return c;
}

QByteArray Save(TGIFImage& g)
{
    TMemoryStream s;
    g.SaveToStream(&s);
    return s.Bytes();
}

void Load(TGIFImage& g, const QByteArray& bytes)
{
    TMemoryStream s;
    s.WriteBuffer(bytes.constData(), bytes.size());
    s.SetPosition(0);
    g.LoadFromStream(&s);
}

}  // namespace

TEST(GifImage, BitmapsOfEveryDepthRoundTrip)
{
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        auto bitmap = IndexedBitmap(37, 11, bits, unsigned(bits));
        TGIFImage gif;
        gif.Assign(bitmap.get());
        EXPECT_EQ(gif.Version(), 1);
        EXPECT_EQ(gif.Width(), 37);
        TGIFImage back;
        Load(back, Save(gif));
        ASSERT_EQ(back.Count(), 1);
        EXPECT_EQ(back.Version(), 1);
        EXPECT_EQ(back.ScreenWidth(), 37);
        EXPECT_EQ(back.ScreenHeight(), 11);
        EXPECT_EQ(Colours(back.Frames(0)->Bitmap()), Colours(bitmap.get()));
        EXPECT_EQ(back.Frames(0)->Bitmap()->BitsPerPixel(), bits);
    }
}

TEST(GifImage, TrueColourBitmapIsReducedAndKeepsItsTransparentColour)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uchar* p = b.ScanLine(y) + x * 3;
            p[0] = uchar(x * 4), p[1] = uchar(y * 4), p[2] = uchar((x * y) & 255);
        }
    // A few pixels of the transparent colour, next to a colour close to it.
    const TColor magenta = TColor(0xFF00FF);
    for (int x = 10; x < 14; ++x) {
        uchar* p = b.ScanLine(5) + x * 3;
        p[0] = 255, p[1] = 0, p[2] = 255;
        p = b.ScanLine(6) + x * 3;
        p[0] = 254, p[1] = 1, p[2] = 255;
    }
    TGIFImage gif;
    gif.AddFrame(&b);
    gif.Frames(0)->SetTransparentColor(magenta);
    TGIFImage back;
    Load(back, Save(gif));
    ASSERT_EQ(back.Count(), 1);
    TGIFFrame* f = back.Frames(0);
    EXPECT_EQ(f->TransparentColor(), magenta);
    EXPECT_TRUE(back.Transparent());
    const platform::graphics::PixelStore& s = f->Bitmap()->Store();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool isKey = y == 5 && x >= 10 && x < 14;
            EXPECT_EQ((s.PixelRgb(x, y) & 0xFFFFFF) == 0xFF00FF, isKey) << x << "," << y;
        }
}

TEST(GifImage, AddFrameVersionsAndSharedAssign)
{
    auto a = IndexedBitmap(8, 8, 8, 1), b = IndexedBitmap(5, 3, 4, 2);
    TGIFImage gif;
    int changes = 0;
    gif.OnChange = [&](TObject*) { ++changes; };
    gif.AddFrame(a.get());
    EXPECT_EQ(gif.Version(), 1);
    gif.AddFrame(b.get());
    EXPECT_EQ(gif.Version(), 2);
    EXPECT_EQ(gif.FrameIndex(), 1);
    EXPECT_GE(changes, 2);
    TGIFImage copy;
    copy.Assign(&gif);
    EXPECT_TRUE(copy.Equals(&gif));
    EXPECT_TRUE(gif.Equals(&copy));
    EXPECT_EQ(copy.Count(), 2);
    TGIFImage other;
    other.Assign(a.get());
    EXPECT_FALSE(other.Equals(&gif));
    // A bitmap takes the current frame.
    TBitmap out;
    out.Assign(&gif);
    EXPECT_EQ(out.Width(), 5);
}

TEST(GifImage, GraphicControlFromFrameFields)
{
    auto bitmap = IndexedBitmap(4, 4, 8, 3);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    gif.AddFrame(bitmap.get());
    gif.Frames(0)->SetAnimateInterval(5);  // below a hundredth: written as 0
    gif.Frames(1)->SetAnimateInterval(100000);  // clamped, not wrapped
    gif.Frames(1)->SetDisposalMethod(2);
    gif.SetLooping(true);
    QByteArray bytes = Save(gif);
    Document d = ReadDocument(bytes.constData(), bytes.size(), false);
    ASSERT_EQ(d.Frames.size(), 2u);
    ASSERT_EQ(d.Frames[0].Extensions.size(), 1u);
    EXPECT_EQ(d.Frames[0].Extensions[0].Block[2], 0);
    EXPECT_EQ(d.Frames[1].Delay, 65530);
    EXPECT_EQ(d.Frames[1].Disposal, 2);
    EXPECT_TRUE(d.Looping);
    // Nothing to say: no extension at all.
    TGIFImage plain;
    plain.AddFrame(bitmap.get());
    bytes = Save(plain);
    d = ReadDocument(bytes.constData(), bytes.size(), false);
    EXPECT_TRUE(d.Frames[0].Extensions.empty());
    EXPECT_TRUE(bytes.startsWith("GIF87a"));
}

TEST(GifImage, CommentsKeepSpanishLettersAndLongLines)
{
    auto bitmap = IndexedBitmap(4, 4, 4, 3);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    gif.Comment()->Add(QStringLiteral("Expediente nº 12/2024 — señora Núñez"));
    gif.Frames(0)->Comment()->Add(QStringLiteral("Acción"));
    TGIFImage back;
    Load(back, Save(gif));
    EXPECT_EQ(back.Version(), 2);
    ASSERT_EQ(back.Comment()->Count(), 1);
    EXPECT_EQ(back.Comment()->Strings(0), QStringLiteral("Expediente nº 12/2024 — señora Núñez"));
    EXPECT_EQ(back.Frames(0)->Comment()->Strings(0), QStringLiteral("Acción"));
}

TEST(GifImage, FiveBitFrameDecodesToEightBitsWithGrayBeyondItsColours)
{
    GifBytes g;
    g.Raw("GIF89a").Word(2).Word(1).Byte(0xF4).Byte(0).Byte(0);
    for (int i = 0; i < 32; ++i) g.Byte(i * 8).Byte(0).Byte(0);
    g.Byte(',').Word(0).Word(0).Word(2).Word(1).Byte(0).Raw(CodeStream{5, {{32, 6}, {31, 6}, {7, 6}, {33, 6}}}.Build()).Byte(';');
    TGIFImage gif;
    Load(gif, g.B);
    TBitmap* b = gif.Frames(0)->Bitmap();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->BitsPerPixel(), 8);
    const TPaletteEntries pal = b->Palette();
    ASSERT_EQ(pal.size(), 256);
    EXPECT_EQ(pal[31] & 0xFFFFFF, qRgb(248, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(pal[32] & 0xFFFFFF, qRgb(128, 128, 128) & 0xFFFFFF);
    EXPECT_EQ(b->Store().PixelIndex(0, 0), 31);
    EXPECT_EQ(b->Store().PixelIndex(1, 0), 7);
}

TEST(GifImage, ErrorsLeaveTheImageAsItWas)
{
    auto bitmap = IndexedBitmap(6, 4, 8, 9);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    try {
        gif.SetWidth(10);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), ErrorText(61099));
    }
    EXPECT_THROW(gif.SetHeight(10), EInvalidGraphicOperation);
    EXPECT_EQ(gif.Width(), 6);
    EXPECT_THROW(Load(gif, QByteArray("GIF89a\x01")), EReadError);
    EXPECT_THROW(Load(gif, QByteArray("PNG")), EInvalidGraphicOperation);
    EXPECT_EQ(gif.Count(), 1);
    EXPECT_EQ(gif.Width(), 6);
    int changes = 0;
    gif.OnChange = [&](TObject*) { ++changes; };
    // A screen of 65535 x 65535 in a file of a few dozen bytes: one clear error.
    GifBytes huge;
    huge.Header("GIF89a", 65535, 65535, 1).Image(2, 2).Byte(';');
    try {
        Load(gif, huge.B);
        FAIL() << "a 65535 x 65535 screen was loaded";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), ErrorText(61094));
    }
    // A first frame that cannot be decoded: the file reads, the frame does not.
    GifBytes frame;
    frame.Header("GIF89a", 4, 4, 1).Byte(',').Word(0).Word(0).Word(65535).Word(65535).Byte(0)
        .Raw(CodeStream{2, {{4, 3}, {1, 3}, {5, 3}}}.Build()).Byte(';');
    EXPECT_THROW(Load(gif, frame.B), EInvalidGraphicOperation);
    EXPECT_EQ(gif.Count(), 1);
    EXPECT_EQ(gif.Width(), 6);
    EXPECT_EQ(gif.ScreenWidth(), 6);
    EXPECT_EQ(Colours(gif.Frames(0)->Bitmap()), Colours(bitmap.get()));
    EXPECT_EQ(changes, 0);
    gif.OnChange = nullptr;
    TGIFImage empty;
    EXPECT_TRUE(empty.Empty());
    TMemoryStream s;
    EXPECT_THROW(empty.SaveToStream(&s), EInvalidGraphicOperation);
}

TEST(GifImage, FormResourceDataCarriesItsLength)
{
    auto bitmap = IndexedBitmap(6, 4, 8, 9);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    TMemoryStream s;
    gif.WriteData(&s);
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    TGIFImage back;
    back.ReadData(&s);
    EXPECT_EQ(s.Position(), s.Size() - 4);
    EXPECT_EQ(Colours(back.Frames(0)->Bitmap()), Colours(bitmap.get()));
    // A length that points past the data.
    TMemoryStream bad;
    const qint32 huge = 1 << 30;
    bad.WriteBuffer(&huge, 4);
    bad.WriteBuffer("GIF89a", 6);
    bad.SetPosition(0);
    EXPECT_THROW(back.ReadData(&bad), EReadError);
    EXPECT_EQ(back.Count(), 1);
}

TEST(GifImage, PicturesOpenGifFilesByExtension)
{
    auto bitmap = IndexedBitmap(9, 7, 8, 4);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    const QString path = QString::fromLatin1(ZEMBRA_TEST_BINARY_DIR) + "/picture-test.gif";
    gif.SaveToFile(path);
    TPicture picture;
    picture.LoadFromFile(path);
    auto* loaded = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(picture.Width(), 9);
    QFile::remove(path);
    // The clipboard format carries the whole image.
    unsigned format = 0;
    QByteArray data;
    TPaletteEntries pal;
    gif.SaveToClipboardFormat(format, data, pal);
    EXPECT_EQ(format, CF_GIF());
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(format, data, pal);
    EXPECT_EQ(Colours(pasted.Frames(0)->Bitmap()), Colours(bitmap.get()));
}

TEST(GifImage, ClipboardGetsTheGifAndABitmapOfTheCurrentFrame)
{
    auto first = IndexedBitmap(5, 4, 8, 1);
    auto second = IndexedBitmap(5, 4, 8, 2);
    TGIFImage gif;
    gif.AddFrame(first.get());
    gif.AddFrame(second.get());
    gif.SetFrameIndex(1);
    Save(gif);  // every frame gets its data
    Clipboard()->Assign(&gif);
    ASSERT_TRUE(Clipboard()->HasFormat(CF_GIF()));
    ASSERT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    TBitmap onClipboard;
    onClipboard.Assign(Clipboard());
    EXPECT_EQ(Colours(&onClipboard), Colours(second.get()));
    // Pasting takes the GIF whole; the bitmap beside it (the second frame) is not read into the first.
    TPicture picture;
    picture.Assign(Clipboard());
    auto* pasted = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    ASSERT_EQ(pasted->Count(), 2);
    EXPECT_EQ(pasted->FrameIndex(), 0);
    EXPECT_EQ(Colours(pasted->Frames(0)->Bitmap()), Colours(first.get()));
    EXPECT_EQ(Colours(pasted->Frames(1)->Bitmap()), Colours(second.get()));
    Clipboard()->Clear();
}

TEST(GifImage, DecodingReportsProgressFromStartToEnd)
{
    auto bitmap = IndexedBitmap(64, 64, 8, 5);
    TGIFImage gif;
    gif.AddFrame(bitmap.get());
    const QByteArray bytes = Save(gif);
    TGIFImage back;
    std::vector<int> stages;
    int last = -1;
    back.OnProgress = [&](TObject*, TProgressStage stage, quint8 percent, bool, const TRect&, const QString&) {
        stages.push_back(int(stage));
        last = percent;
    };
    Load(back, bytes);
    ASSERT_GE(stages.size(), 3u);
    EXPECT_EQ(stages.front(), int(psStarting));
    EXPECT_EQ(stages.back(), int(psEnding));
    EXPECT_EQ(last, 100);
}
