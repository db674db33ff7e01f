// Cost of the polygon tool's area count (CountPolygonPixels) for a large and a small
// polygon; the count of each is reported as the counter "pixels".
#include "app/measure/polygon_fill.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

void CountPixels(benchmark::State& state, int nWidth, int nHeight, const std::vector<DPOINT>& points)
{
    long long nPixels = 0;
    for (auto _ : state) {
        CountPolygonPixels(nWidth, nHeight, points.data(), static_cast<int>(points.size()), nPixels);
        benchmark::DoNotOptimize(nPixels);
    }
    state.counters["pixels"] = static_cast<double>(nPixels);
}

// A regular 12-gon of radius 467 around the centre of a 1280 x 1024 picture, first vertex
// at 10 degrees: area 3 * 467^2 = 654267, about half of the picture's 1310720 pixels.
void BM_HalfPictureDodecagon(benchmark::State& state)
{
    std::vector<DPOINT> points;
    for (int i = 0; i < 12; ++i) {
        const double dAngle = (10.0 + 30.0 * i) * std::numbers::pi / 180.0;
        points.push_back({640.0 + 467.0 * std::cos(dAngle), 512.0 + 467.0 * std::sin(dAngle)});
    }
    CountPixels(state, 1280, 1024, points);
}

// A small 7-vertex convex polygon (about 25 x 28 pixels) on 640 x 480, as a quick
// measurement around one particle draws it.
void BM_SmallPolygon(benchmark::State& state)
{
    CountPixels(state, 640, 480, {{222, 26}, {227, 19}, {237, 23}, {240, 27}, {245, 43}, {240, 46}, {223, 40}});
}

} // namespace

BENCHMARK(BM_HalfPictureDodecagon);
BENCHMARK(BM_SmallPolygon);
