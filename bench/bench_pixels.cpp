// Costs of the pixel routines and of the whole per-frame chain (Demosaic, AdjustHls,
// Gamma24, Contrast24, Sharpen24, Binarize24) at 640 x 480 and 1280 x 1024. Built with
// OpenCV, the same run times OpenCV's nearest equivalents on the same frames, once on one
// thread and once with OpenCV's default threads, and ends with a table of the ratios
// ours / OpenCV per stage and for the chain.
#include "app/imaging/adjust_hls.h"
#include "app/imaging/binarize.h"
#include "app/imaging/demosaic.h"
#include "app/imaging/dib_image.h"
#include "app/imaging/frame_processor.h"
#include "app/imaging/measure_routines.h"
#include "app/imaging/scale_nearest.h"
#include "app/imaging/sharpen.h"
#include "app/imaging/tone_curves.h"

#include <benchmark/benchmark.h>

#if defined(VEXILO_BENCH_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// Settings of the chain: every step on, with typical values of the image setting dialog.
constexpr int HUE = 10, LIGHTNESS = 20, SATURATION = 30, GAMMA = 140, CONTRAST = 20, SHARPNESS = 10, THRESHOLD = 128;

struct CFrameSize {
    int nWidth;
    int nHeight;
};
const CFrameSize SIZES[] = {{640, 480}, {1280, 1024}};

std::string SizeName(CFrameSize size)
{
    return std::to_string(size.nWidth) + "x" + std::to_string(size.nHeight);
}

void FillNoise(BYTE* p, std::size_t n, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<BYTE>(random() >> 24);
}

// A raw mosaic of noise and its reconstruction, the inputs every stage starts from.
struct CFrames {
    CDibImage raw, color, copy, scaled;
    explicit CFrames(CFrameSize size)
    {
        raw.Create(size.nWidth, size.nHeight, 8);
        color.Create(size.nWidth, size.nHeight, 24);
        copy.Create(size.nWidth, size.nHeight, 24);
        scaled.Create(size.nWidth * 3 / 4, size.nHeight * 3 / 4, 24);
        FillNoise(raw.Bits(), static_cast<std::size_t>(raw.Stride()) * raw.Height(), 1);
        CDemosaicParam param{0, 100, 100, 100};
        color.Apply(Demosaic, raw, nullptr, 0, 0, &param);
        copy.BlitFrom(color, nullptr, 0, 0);
    }
};

void SetPixels(benchmark::State& state, const CDibImage& picture)
{
    state.SetItemsProcessed(state.iterations() * picture.Width() * picture.Height());
}

// --- Ours -----------------------------------------------------------------------------

void OursDemosaic(benchmark::State& state, CFrameSize size)
{
    CFrames f(size);
    CDemosaicParam param{0, 137, 100, 81};
    for (auto _ : state)
        benchmark::DoNotOptimize(f.color.Apply(Demosaic, f.raw, nullptr, 0, 0, &param));
    SetPixels(state, f.color);
}

void OursAdjustHls(benchmark::State& state, CFrameSize size)
{
    CFrames f(size);
    CHlsParam param{HUE, LIGHTNESS, SATURATION};
    for (auto _ : state)
        benchmark::DoNotOptimize(f.color.Apply(AdjustHls, f.copy, nullptr, 0, 0, &param));
    SetPixels(state, f.color);
}

template <PixelRoutine ROUTINE, int VALUE>
void OursInPlace(benchmark::State& state, CFrameSize size, int nBits)
{
    CFrames f(size);
    CDibImage& picture = nBits == 8 ? f.raw : f.color;
    int nValue = VALUE;
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.Apply(ROUTINE, picture, nullptr, 0, 0, &nValue));
    SetPixels(state, picture);
}

template <PixelRoutine ROUTINE>
void OursSharpen(benchmark::State& state, CFrameSize size, int nBits)
{
    CFrames f(size);
    CDibImage& picture = nBits == 8 ? f.raw : f.color;
    CDibImage copy;
    copy.CreateLike(&picture);
    int nValue = SHARPNESS;
    for (auto _ : state) {
        copy.BlitFrom(picture, nullptr, 0, 0); // PostProcess sharpens against a copy
        benchmark::DoNotOptimize(picture.Apply(ROUTINE, copy, nullptr, 0, 0, &nValue));
    }
    SetPixels(state, picture);
}

void OursScaleNearest(benchmark::State& state, CFrameSize size, int nBits)
{
    CFrames f(size);
    CDibImage target;
    target.Create(size.nWidth * 3 / 4, size.nHeight * 3 / 4, nBits);
    const CDibImage& source = nBits == 8 ? f.raw : f.color;
    for (auto _ : state)
        benchmark::DoNotOptimize(target.ApplyScaled(nBits == 8 ? ScaleNearest8 : ScaleNearest24, source));
    SetPixels(state, target);
}

void OursMeasure(benchmark::State& state, CFrameSize size, PixelRoutine routine)
{
    CFrames f(size);
    CWhiteBalanceParam param;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.raw.Apply(routine, f.raw, nullptr, 0, 0, &param));
    SetPixels(state, f.raw);
}

// The six routines one after the other on a fresh frame, as the capture loop runs them.
void OursChain(benchmark::State& state, CFrameSize size)
{
    CFrames f(size);
    CDibImage copy;
    copy.CreateLike(&f.color);
    CDemosaicParam demosaic{0, 137, 100, 81};
    CHlsParam hls{HUE, LIGHTNESS, SATURATION};
    int nGamma = GAMMA, nContrast = CONTRAST, nSharpness = SHARPNESS, nThreshold = THRESHOLD;
    for (auto _ : state) {
        f.color.Apply(Demosaic, f.raw, nullptr, 0, 0, &demosaic);
        f.color.Apply(AdjustHls, f.color, nullptr, 0, 0, &hls);
        f.color.Apply(Gamma24, f.color, nullptr, 0, 0, &nGamma);
        f.color.Apply(Contrast24, f.color, nullptr, 0, 0, &nContrast);
        copy.BlitFrom(f.color, nullptr, 0, 0);
        f.color.Apply(Sharpen24, copy, nullptr, 0, 0, &nSharpness);
        benchmark::DoNotOptimize(f.color.Apply(Binarize24, f.color, nullptr, 0, 0, &nThreshold));
    }
    SetPixels(state, f.color);
}

// The same settings through CFrameProcessor (also turns the frame upside down).
void OursFrameProcessor(benchmark::State& state, CFrameSize size)
{
    CFrames f(size);
    CFrameProcessor processor;
    CFrameSettings s;
    s.m_BayerFlg = 1;
    s.m_BayerR = 1.37;
    s.m_BayerB = 0.81;
    s.m_HLS = {HUE, LIGHTNESS, SATURATION, CONTRAST, SHARPNESS};
    s.Gamma = GAMMA;
    s.m_BinaryFlg = 1;
    s.m_Binary = THRESHOLD;
    for (auto _ : state) {
        processor.ProcessFrame(f.raw, f.color, s);
        benchmark::DoNotOptimize(f.color.Bits());
    }
    SetPixels(state, f.color);
}

#if defined(VEXILO_BENCH_OPENCV)
// --- OpenCV's nearest equivalents -------------------------------------------------------

struct CCvFrames {
    cv::Mat raw, bgr, work, blurred, grey, scaled, lut;
    explicit CCvFrames(CFrameSize size) : lut(1, 256, CV_8U)
    {
        CFrames f(size);
        raw = cv::Mat(size.nHeight, size.nWidth, CV_8UC1);
        for (int y = 0; y < size.nHeight; ++y)
            std::copy(f.raw.Bits() + y * f.raw.Stride(), f.raw.Bits() + y * f.raw.Stride() + size.nWidth,
                      raw.ptr<BYTE>(y));
        cv::cvtColor(raw, bgr, cv::COLOR_BayerBG2BGR);
        work = bgr.clone();
        BYTE table[256];
        BuildGammaTable(GAMMA, table);
        std::copy(table, table + 256, lut.ptr<BYTE>());
    }
};

// Runs a stage with nThreads OpenCV threads (0: OpenCV's default).
template <typename Stage>
void RunCv(benchmark::State& state, int nThreads, CFrameSize size, Stage stage)
{
    const int nDefault = cv::getNumThreads();
    cv::setNumThreads(nThreads == 0 ? -1 : nThreads);
    CCvFrames f(size);
    for (auto _ : state) {
        stage(f);
        benchmark::DoNotOptimize(f.work.data);
    }
    state.SetItemsProcessed(state.iterations() * size.nWidth * size.nHeight);
    cv::setNumThreads(nDefault);
}

void CvDemosaic(CCvFrames& f)
{
    cv::cvtColor(f.raw, f.work, cv::COLOR_BayerBG2BGR); // bilinear
}

void CvLut(CCvFrames& f)
{
    cv::LUT(f.bgr, f.lut, f.work);
}

void CvHls(CCvFrames& f)
{
    cv::cvtColor(f.bgr, f.work, cv::COLOR_BGR2HLS);
    cv::add(f.work, cv::Scalar(HUE / 2, LIGHTNESS, SATURATION), f.work);
    cv::cvtColor(f.work, f.work, cv::COLOR_HLS2BGR);
}

void CvSharpen(CCvFrames& f)
{
    cv::blur(f.bgr, f.blurred, cv::Size(4, 4));
    cv::addWeighted(f.bgr, 1.0 + SHARPNESS / 10.0, f.blurred, -SHARPNESS / 10.0, 0, f.work);
}

// Binarize24 decides on the luminance and writes it to all three channels.
void CvBinarize(CCvFrames& f)
{
    cv::cvtColor(f.bgr, f.grey, cv::COLOR_BGR2GRAY);
    cv::threshold(f.grey, f.grey, THRESHOLD, 255, cv::THRESH_BINARY);
    cv::cvtColor(f.grey, f.work, cv::COLOR_GRAY2BGR);
}

void CvResize(CCvFrames& f)
{
    cv::resize(f.bgr, f.scaled, cv::Size(f.bgr.cols * 3 / 4, f.bgr.rows * 3 / 4), 0, 0, cv::INTER_NEAREST);
    f.work = f.scaled;
}

void CvChain(CCvFrames& f)
{
    cv::cvtColor(f.raw, f.work, cv::COLOR_BayerBG2BGR);
    cv::cvtColor(f.work, f.work, cv::COLOR_BGR2HLS);
    cv::add(f.work, cv::Scalar(HUE / 2, LIGHTNESS, SATURATION), f.work);
    cv::cvtColor(f.work, f.work, cv::COLOR_HLS2BGR);
    cv::LUT(f.work, f.lut, f.work);
    cv::LUT(f.work, f.lut, f.work);
    cv::blur(f.work, f.blurred, cv::Size(4, 4));
    cv::addWeighted(f.work, 1.0 + SHARPNESS / 10.0, f.blurred, -SHARPNESS / 10.0, 0, f.work);
    cv::cvtColor(f.work, f.grey, cv::COLOR_BGR2GRAY);
    cv::threshold(f.grey, f.grey, THRESHOLD, 255, cv::THRESH_BINARY);
    cv::cvtColor(f.grey, f.work, cv::COLOR_GRAY2BGR);
}
#endif

// Benchmark names are "<side>/<stage>/<size>[/<threads>]".
struct CPairing {
    const char* szOurs;
    const char* szOpenCv;
};
const CPairing PAIRINGS[] = {
    {"Demosaic", "Demosaic"},   {"AdjustHls", "HlsRoundTrip"}, {"Gamma24", "Lut"},
    {"Contrast24", "Lut"},      {"Sharpen24", "BlurCombine"},  {"Binarize24", "GreyThreshold"},
    {"ScaleNearest24", "ResizeNearest"}, {"Chain", "Chain"},   {"FrameProcessor", "Chain"},
};

void RegisterAll()
{
    for (CFrameSize size : SIZES) {
        const std::string s = "/" + SizeName(size);
        auto add = [](const std::string& name, auto fn) {
            benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMicrosecond);
        };
        add("Ours/Demosaic" + s, [size](benchmark::State& st) { OursDemosaic(st, size); });
        add("Ours/AdjustHls" + s, [size](benchmark::State& st) { OursAdjustHls(st, size); });
        add("Ours/Gamma8" + s, [size](benchmark::State& st) { OursInPlace<Gamma8, GAMMA>(st, size, 8); });
        add("Ours/Gamma24" + s, [size](benchmark::State& st) { OursInPlace<Gamma24, GAMMA>(st, size, 24); });
        add("Ours/Contrast8" + s, [size](benchmark::State& st) { OursInPlace<Contrast8, CONTRAST>(st, size, 8); });
        add("Ours/Contrast24" + s,
            [size](benchmark::State& st) { OursInPlace<Contrast24, CONTRAST>(st, size, 24); });
        add("Ours/Sharpen8" + s, [size](benchmark::State& st) { OursSharpen<Sharpen8>(st, size, 8); });
        add("Ours/Sharpen24" + s, [size](benchmark::State& st) { OursSharpen<Sharpen24>(st, size, 24); });
        add("Ours/Binarize8" + s, [size](benchmark::State& st) { OursInPlace<Binarize8, THRESHOLD>(st, size, 8); });
        add("Ours/Binarize24" + s,
            [size](benchmark::State& st) { OursInPlace<Binarize24, THRESHOLD>(st, size, 24); });
        add("Ours/ScaleNearest8" + s, [size](benchmark::State& st) { OursScaleNearest(st, size, 8); });
        add("Ours/ScaleNearest24" + s, [size](benchmark::State& st) { OursScaleNearest(st, size, 24); });
        add("Ours/MeasureWhiteBalance" + s,
            [size](benchmark::State& st) { OursMeasure(st, size, MeasureWhiteBalance); });
        add("Ours/ZoneMean" + s, [size](benchmark::State& st) { OursMeasure(st, size, ZoneMean); });
        add("Ours/CountZero" + s, [size](benchmark::State& st) { OursMeasure(st, size, CountZero); });
        add("Ours/Chain" + s, [size](benchmark::State& st) { OursChain(st, size); });
        add("Ours/FrameProcessor" + s, [size](benchmark::State& st) { OursFrameProcessor(st, size); });
#if defined(VEXILO_BENCH_OPENCV)
        struct CCvStage {
            const char* szName;
            void (*pStage)(CCvFrames&);
        };
        const CCvStage stages[] = {{"Demosaic", CvDemosaic},       {"HlsRoundTrip", CvHls},
                                  {"Lut", CvLut},                 {"BlurCombine", CvSharpen},
                                  {"GreyThreshold", CvBinarize},  {"ResizeNearest", CvResize},
                                  {"Chain", CvChain}};
        for (const CCvStage& stage : stages)
            for (int nThreads : {1, 0}) {
                const std::string name = std::string("OpenCV/") + stage.szName + s +
                                         (nThreads == 1 ? "/threads:1" : "/threads:default");
                auto pStage = stage.pStage;
                add(name, [size, nThreads, pStage](benchmark::State& st) { RunCv(st, nThreads, size, pStage); });
            }
#endif
    }
}

// Console output as usual, and for the ratio table the time per iteration of every
// benchmark: the fastest repetition, or the median when only aggregates are reported.
// On a shared machine, run with --benchmark_repetitions=5 (and
// --benchmark_display_aggregates_only=true for medians): single runs are disturbed.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double dTime = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Iteration) {
                auto [it, bNew] = m_Fastest.emplace(run.run_name.function_name, dTime);
                if (!bNew && dTime < it->second)
                    it->second = dTime;
            } else if (run.aggregate_name == "median") {
                m_Median[run.run_name.function_name] = dTime;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        bool bHeader = false;
        for (CFrameSize size : SIZES) {
            const std::string s = "/" + SizeName(size);
            for (const CPairing& pairing : PAIRINGS) {
                const double dOurs = Time("Ours/" + std::string(pairing.szOurs) + s);
                const double dOne = Time("OpenCV/" + std::string(pairing.szOpenCv) + s + "/threads:1");
                const double dAll = Time("OpenCV/" + std::string(pairing.szOpenCv) + s + "/threads:default");
                if (dOurs <= 0 || dOne <= 0 || dAll <= 0)
                    continue;
                if (!bHeader) {
                    std::printf("\nours / OpenCV (time ratio; below 1 is faster than OpenCV)\n");
                    std::printf("%-10s %-15s %-14s %10s %10s %9s %10s %9s\n", "size", "stage", "OpenCV", "ours us",
                                "1 thr us", "ratio", "dflt us", "ratio");
                    bHeader = true;
                }
                std::printf("%-10s %-15s %-14s %10.1f %10.1f %9.2f %10.1f %9.2f\n", SizeName(size).c_str(),
                            pairing.szOurs, pairing.szOpenCv, dOurs, dOne, dOurs / dOne, dAll, dOurs / dAll);
            }
        }
    }

private:
    double Time(const std::string& name) const
    {
        if (const auto it = m_Fastest.find(name); it != m_Fastest.end())
            return it->second;
        const auto it = m_Median.find(name);
        return it == m_Median.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> m_Fastest; // by registered name
    std::map<std::string, double> m_Median;  // by registered name
};

} // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
