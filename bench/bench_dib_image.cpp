// Costs of the picture operations every live frame goes through: the temporary
// picture, the copy and the upside-down stretch copy.
#include "app/imaging/dib_image.h"

#include <benchmark/benchmark.h>

namespace {

void FillPattern(CDibImage& image)
{
    BYTE* pBits = image.Bits();
    for (int i = 0; i < image.Stride() * image.Height(); ++i)
        pBits[i] = static_cast<BYTE>(i * 7);
}

void BM_CreateLike(benchmark::State& state)
{
    CDibImage frame;
    frame.Create(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    for (auto _ : state) {
        CDibImage temp;
        temp.CreateLike(&frame);
        benchmark::DoNotOptimize(temp.Bits());
    }
}

void BM_BlitFrom(benchmark::State& state)
{
    CDibImage source, target;
    source.Create(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    target.CreateLike(&source);
    FillPattern(source);
    for (auto _ : state) {
        target.BlitFrom(source, nullptr, 0, 0);
        benchmark::DoNotOptimize(target.Bits());
    }
    state.SetBytesProcessed(state.iterations() * source.Stride() * source.Height());
}

void BM_FlipCopy(benchmark::State& state)
{
    CDibImage source, target;
    const int nWidth = static_cast<int>(state.range(0));
    const int nHeight = static_cast<int>(state.range(1));
    source.Create(nWidth, nHeight, static_cast<int>(state.range(2)));
    target.CreateLike(&source);
    FillPattern(source);
    const RECT rcSource{0, nHeight - 1, nWidth, -1};
    const RECT rcTarget{0, 0, nWidth, nHeight};
    for (auto _ : state) {
        target.StretchFrom(source, rcSource, rcTarget);
        benchmark::DoNotOptimize(target.Bits());
    }
    state.SetBytesProcessed(state.iterations() * source.Stride() * source.Height());
}

void FrameSizes(benchmark::internal::Benchmark* pBenchmark)
{
    for (int nBits : {8, 24}) {
        pBenchmark->Args({640, 480, nBits});
        pBenchmark->Args({1280, 1024, nBits});
    }
    pBenchmark->ArgNames({"w", "h", "bits"});
}

} // namespace

BENCHMARK(BM_CreateLike)->Apply(FrameSizes);
BENCHMARK(BM_BlitFrom)->Apply(FrameSizes);
BENCHMARK(BM_FlipCopy)->Apply(FrameSizes);
