// Decoding and encoding of a large GIF, ours against giflib in the same run.
// The last lines give our time over giflib's (goal: at most 1.5).
#include "controls/visual/ZbGIF_format.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

using namespace controls::visual::gif;

namespace {

constexpr int W = 2000, H = 1500;

// A photo-like 8-bit image: smooth gradients with some noise.
struct Source {
    std::vector<quint8> Dib;  // bottom-up, 8 bits per pixel
    ColorTable Table;
    QByteArray File;          // our encoding of it
    Source()
    {
        Dib.resize(size_t(DIBStride(W, 8)) * H);
        std::mt19937 rng(1);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const int v = ((x / 7 + y / 5) + int(rng() % 3)) & 255;
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

const Source& Image()
{
    static const Source s;
    return s;
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

void DecodeOurs(benchmark::State& state)
{
    const QByteArray& file = Image().File;
    std::vector<quint8> dib(size_t(DIBStride(W, 8)) * H);
    for (auto _ : state) {
        Document d = ReadDocument(file.constData(), file.size(), false);
        const FrameRecord& f = d.Frames[0];
        DecodeFrame(f.Data, f.Width, f.Height, 8, f.Interlaced, false, nullptr, dib.data(), DIBStride(W, 8));
        benchmark::DoNotOptimize(dib.data());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * W * H);
}

void DecodeGiflib(benchmark::State& state)
{
    const QByteArray& file = Image().File;
    for (auto _ : state) {
        MemoryIn in{&file};
        int err = 0;
        GifFileType* gif = DGifOpen(&in, ReadMemory, &err);
        if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib could not read the file");
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &err);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * W * H);
}

void EncodeOurs(benchmark::State& state)
{
    for (auto _ : state) {
        QByteArray out = Image().Encode();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * W * H);
}

void EncodeGiflib(benchmark::State& state)
{
    const Source& s = Image();
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = GifColorType{quint8(i), quint8(i), quint8(i)};
    std::vector<GifPixelType> row(W);
    for (auto _ : state) {
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
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * W * H);
}

BENCHMARK(DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeGiflib)->Unit(benchmark::kMillisecond);

// Keeps the time per iteration of every run to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) Times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> Times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* what : {"Decode", "Encode"}) {
        const std::string ours = std::string(what) + "Ours", theirs = std::string(what) + "Giflib";
        if (reporter.Times.count(ours) && reporter.Times.count(theirs) && reporter.Times[theirs] > 0)
            std::printf("%s %dx%d: ours / giflib = %.2f\n", what, W, H, reporter.Times[ours] / reporter.Times[theirs]);
    }
    std::printf("file size %lld bytes\n", static_cast<long long>(Image().File.size()));
    return 0;
}
