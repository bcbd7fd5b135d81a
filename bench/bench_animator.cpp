// The GIF animator's frame composition: shown in order, each step draws one frame on the kept
// composed bitmap; asked out of order, a frame is composed from the last full opaque frame on.
#include "controls/visual/GIFCtrl.h"
#include "platform/forms/Forms.h"

#include <benchmark/benchmark.h>

namespace {

class TBenchAnimator : public TZbGIFAnimator {
public:
    using TZbGIFAnimator::FrameBitmap;
    using TZbGIFAnimator::TZbGIFAnimator;
};

// A full first frame, then small transparent frames that move across it: 320 x 240.
std::unique_ptr<TGIFImage> MakeImage(int frames) {
    auto gif = std::make_unique<TGIFImage>();
    TBitmap first;
    first.SetSize(320, 240);
    first.Canvas()->Brush()->SetColor(0x336699);
    first.Canvas()->FillRect(Rect(0, 0, 320, 240));
    gif->AddFrame(&first);
    for (int i = 1; i < frames; ++i) {
        TBitmap b;
        b.SetSize(32, 32);
        b.Canvas()->Brush()->SetColor(TColor((i * 2654435761u) & 0xFFFFFF));
        b.Canvas()->FillRect(Rect(0, 0, 32, 32));
        b.Canvas()->SetPixel(0, 0, 0xFF00FF);
        const int index = gif->AddFrame(&b);
        gif->Frames(index)->SetOrigin(Point((i * 37) % 288, (i * 23) % 208));
        gif->Frames(index)->SetTransparentColor(0xFF00FF);
    }
    gif->SetFrameIndex(0);
    return gif;
}

void BM_StepInOrder(benchmark::State& state) {
    (void)Application.operator->();
    const int frames = int(state.range(0));
    auto gif = MakeImage(frames);
    TBenchAnimator anim(nullptr);
    anim.SetImage(gif.get());
    int n = 0;
    TColor tc;
    for (auto _ : state) {
        benchmark::DoNotOptimize(anim.FrameBitmap(n, tc));
        n = (n + 1) % frames;
    }
}

void BM_LastFrameFromScratch(benchmark::State& state) {
    (void)Application.operator->();
    const int frames = int(state.range(0));
    auto gif = MakeImage(frames);
    TBenchAnimator anim(nullptr);
    anim.SetImage(gif.get());
    TColor tc;
    for (auto _ : state) {
        anim.FrameBitmap(0, tc);
        benchmark::DoNotOptimize(anim.FrameBitmap(frames - 1, tc));
    }
}

}  // namespace

BENCHMARK(BM_StepInOrder)->Arg(10)->Arg(100);
BENCHMARK(BM_LastFrameFromScratch)->Arg(10)->Arg(100);
BENCHMARK_MAIN();
