// Decoding and encoding of a large GIF, ours against giflib, rounds interleaved: a photo-like
// image and a flat one (a single colour). Both sides read from the same bytes in memory, decode
// into a bitmap allocated once, and encode into an empty growing buffer each round. The "ratio"
// counter is our median over giflib's (goal: at most 1.5), with the quartiles of the per-round
// ratios as its spread.
#include "controls/visual/ZbGIF_format.h"
#include "Interleave.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

using namespace controls::visual::gif;

namespace {

constexpr int W = 2000, H = 1500;

enum Kind { Photo, Flat };

// An 8-bit image, bottom-up with a 256-grey table: smooth gradients with some noise, or flat.
struct Source {
    std::vector<quint8> Dib;
    ColorTable Table;
    QByteArray File;  // our encoding of it
    explicit Source(Kind kind)
    {
        Dib.resize(size_t(DIBStride(W, 8)) * H);
        std::mt19937 rng(1);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const int v = kind == Flat ? 200 : ((x / 7 + y / 5) + int(rng() % 3)) & 255;
                Dib[size_t(y) * DIBStride(W, 8) + size_t(x)] = quint8(v);
            }
        Table.Count = 256;
        for (int i = 0; i < 256; ++i) Table.Colors[i][0] = Table.Colors[i][1] = Table.Colors[i][2] = quint8(i);
        File = Encode();
    }
    QByteArray Encode() const
    {
        Document d;
        d.Version = 1;
        d.Global = Table;
        d.Bits = 8;
        FrameRecord f;
        f.Width = W;
        f.Height = H;
        f.Table = Table;
        EncodeFrame(f.Data, Dib.data(), DIBStride(W, 8), W, H, 8, false, nullptr);
        d.Frames.push_back(std::move(f));
        return WriteDocument(d);
    }
};

const Source& Image(Kind kind)
{
    static const Source photo(Photo), flat(Flat);
    return kind == Flat ? flat : photo;
}

struct MemoryIn {
    const QByteArray* Data;
    qint64 Pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* buf, int n)
{
    auto* in = static_cast<MemoryIn*>(gif->UserData);
    const int k = int(std::min<qint64>(n, in->Data->size() - in->Pos));
    std::memcpy(buf, in->Data->constData() + in->Pos, size_t(k));
    in->Pos += k;
    return k;
}

int WriteMemory(GifFileType* gif, const GifByteType* buf, int n)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(buf), size_t(n));
    return n;
}

// giflib reading the file's first image line by line into a bitmap allocated once.
bool GiflibDecode(const QByteArray& file, std::vector<GifPixelType>& pixels)
{
    MemoryIn in{&file};
    int err = 0;
    GifFileType* gif = DGifOpen(&in, ReadMemory, &err);
    if (!gif) return false;
    bool ok = false;
    GifRecordType type;
    while (!ok && DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
            while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK) {}
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK) break;
        const int w = gif->Image.Width, h = gif->Image.Height;
        ok = size_t(w) * size_t(h) <= pixels.size();
        for (int y = 0; ok && y < h; ++y) ok = DGifGetLine(gif, pixels.data() + size_t(y) * size_t(w), w) == GIF_OK;
    }
    DGifCloseFile(gif, &err);
    return ok;
}

void Decode(benchmark::State& state, Kind kind)
{
    const QByteArray& file = Image(kind).File;
    std::vector<quint8> dib(size_t(DIBStride(W, 8)) * H);
    std::vector<GifPixelType> pixels(size_t(W) * H);
    bool failed = false;
    zbbench::Interleave(
        state, 1,
        [&] {
            Document d = ReadDocument(file.constData(), file.size(), false);
            const FrameRecord& f = d.Frames[0];
            DecodeFrame(f.Data, f.Width, f.Height, 8, f.Interlaced, false, nullptr, dib.data(), DIBStride(W, 8));
            benchmark::DoNotOptimize(dib.data());
        },
        [&] {
            failed = !GiflibDecode(file, pixels) || failed;
            benchmark::DoNotOptimize(pixels.data());
        });
    if (failed) state.SkipWithError("giflib could not read the file");
    if (std::memcmp(dib.data() + size_t(H - 1) * DIBStride(W, 8), pixels.data(), W) != 0)
        state.SkipWithError("the two decoders disagree on the first row");
}

void Encode(benchmark::State& state, Kind kind)
{
    const Source& s = Image(kind);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = GifColorType{quint8(i), quint8(i), quint8(i)};
    std::vector<GifPixelType> row(W);
    qint64 ours = 0, theirs = 0;
    zbbench::Interleave(
        state, 1,
        [&] {
            QByteArray out = s.Encode();
            ours = out.size();
            benchmark::DoNotOptimize(out.data());
        },
        [&] {
            std::string out;
            int err = 0;
            GifFileType* gif = EGifOpen(&out, WriteMemory, &err);
            ColorMapObject* map = GifMakeMapObject(256, colors);
            EGifPutScreenDesc(gif, W, H, 8, 0, map);
            EGifPutImageDesc(gif, 0, 0, W, H, false, nullptr);
            for (int y = 0; y < H; ++y) {
                std::memcpy(row.data(), s.Dib.data() + size_t(H - 1 - y) * DIBStride(W, 8), W);
                EGifPutLine(gif, row.data(), W);
            }
            EGifCloseFile(gif, &err);
            GifFreeMapObject(map);
            theirs = qint64(out.size());
            benchmark::DoNotOptimize(out.data());
        });
    state.counters["ours_bytes"] = double(ours);
    state.counters["giflib_bytes"] = double(theirs);
}

BENCHMARK_CAPTURE(Decode, photo, Photo)->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK_CAPTURE(Encode, photo, Photo)->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK_CAPTURE(Decode, flat, Flat)->Unit(benchmark::kMillisecond)->Iterations(41);
BENCHMARK_CAPTURE(Encode, flat, Flat)->Unit(benchmark::kMillisecond)->Iterations(41);

}  // namespace

BENCHMARK_MAIN();
