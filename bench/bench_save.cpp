// Saving a picture with SAVE: composing the 24-bit copy with and without the
// measurement overlay (nine measurements, the scale bar), and the whole save to a BMP
// or JPEG file (the file is flushed to disk, as every save is).
#include "app/cli/measure_input.h"
#include "app/files/picture_save.h"
#include "tests/files/synthetic_picture.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

const char* const kMeasurements[] = {
    "line 100 100 300 100",
    "area 400 50 440 50 440 90",
    "circle 80 300 100 280 120 300",
    "circle2 200 300 210 290 220 300 300 300 320 280 340 300",
    "sui 500 200 600 200 520 240 560 180",
    "angle 150 400 100 400 100 350",
};

// A 640 x 480 picture with the measurements above, the scale bar shown.
struct CSaveScene {
    CDibImage picture;
    CMeasureList list;
    CScaleData scale;
    CSaveOverlay overlay;

    CSaveScene()
    {
        DrawNaturalPicture(picture, 640, 480);
        CCalibEntry calib;
        calib.m_dMppX = calib.m_dMppY = 0.05;
        for (const char* szLine : kMeasurements) {
            CMeasureLine line;
            std::string szProblem;
            if (ParseMeasureLine(szLine, line, szProblem))
                AppendMeasureItems(line, calib, 640, 480, list);
        }
        scale.Visible = 1;
        SetScaleCalibration(scale, calib);
        overlay.pList = &list;
        overlay.pScale = &scale;
    }
};

void BM_Compose(benchmark::State& state)
{
    CSaveScene scene;
    CDibImage composed;
    const bool bOverlay = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComposePicture(scene.picture, bOverlay ? &scene.overlay : nullptr, composed));
}
BENCHMARK(BM_Compose)->Arg(0)->Arg(1)->ArgNames({"overlay"})->Unit(benchmark::kMicrosecond);

void BM_SaveWithOverlay(benchmark::State& state)
{
    CSaveScene scene;
    const int nFormat = static_cast<int>(state.range(0));
    const char* szFolder = std::getenv("TMPDIR");
    const std::string strPath = std::string(szFolder != nullptr ? szFolder : "/tmp") + "/vexilo-bench-" +
                                std::to_string(::getpid()) + (nFormat == SAVE_FORMAT_BMP ? ".bmp" : ".jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(ComposePicture(strPath.c_str(), scene.picture, nFormat, &scene.overlay));
    std::remove(strPath.c_str());
}
BENCHMARK(BM_SaveWithOverlay)->Arg(SAVE_FORMAT_BMP)->Arg(SAVE_FORMAT_JPEG)->ArgNames({"format"})
    ->Unit(benchmark::kMillisecond);

} // namespace
