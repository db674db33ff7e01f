// Picture files: our JPEG encoder beside libjpeg-turbo's encoder (4:2:0, quality 50,
// whose tables equal ours) on the same picture in the same run, saving to a file, and
// loading BMP and JPEG files.
#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/picture_loader.h"
#include "tests/files/synthetic_picture.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One encode by libjpeg-turbo into a buffer of the largest size it can need.
class CTurboEncoder {
public:
    explicit CTurboEncoder(const CDibImage& image)
        : m_Image(image), m_Handle(tjInitCompress()),
          m_Buffer(tjBufSize(image.Width(), image.Height(), TJSAMP_420))
    {
    }
    ~CTurboEncoder() { tjDestroy(m_Handle); }
    CTurboEncoder(const CTurboEncoder&) = delete;
    CTurboEncoder& operator=(const CTurboEncoder&) = delete;

    unsigned long Encode()
    {
        unsigned char* pOut = m_Buffer.data();
        unsigned long nSize = m_Buffer.size();
        tjCompress2(m_Handle, m_Image.Bits(), m_Image.Width(), m_Image.Stride(), m_Image.Height(), TJPF_BGR, &pOut,
                    &nSize, TJSAMP_420, 50, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC);
        return nSize;
    }

private:
    const CDibImage& m_Image;
    tjhandle m_Handle;
    std::vector<unsigned char> m_Buffer;
};

double Seconds(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double>(end - start).count();
}

// Both encoders in turns on one picture; the counters give each one's mean time and
// the ratio ours / libjpeg-turbo, measured side by side under the same conditions.
void BM_SaveJpegVersusTurbo(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CTurboEncoder turbo(image);
    double dOurs = 0, dTurbo = 0;
    std::size_t nOurBytes = 0, nTurboBytes = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        CJpegEncoder encoder(image);
        encoder.Encode();
        benchmark::DoNotOptimize(encoder.Data());
        const Clock::time_point middle = Clock::now();
        nTurboBytes = turbo.Encode();
        const Clock::time_point end = Clock::now();
        dOurs += Seconds(start, middle);
        dTurbo += Seconds(middle, end);
        nOurBytes = encoder.Size();
    }
    const double dRuns = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = 1000 * dOurs / dRuns;
    state.counters["turbo_ms"] = 1000 * dTurbo / dRuns;
    state.counters["ratio"] = dOurs / dTurbo;
    state.counters["ours_bytes"] = static_cast<double>(nOurBytes);
    state.counters["turbo_bytes"] = static_cast<double>(nTurboBytes);
}
BENCHMARK(BM_SaveJpegVersusTurbo)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

// The encoder alone, and the whole save with the file write.
void BM_JpegEncode(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        CJpegEncoder encoder(image);
        encoder.Encode();
        benchmark::DoNotOptimize(encoder.Data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_JpegEncode)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

void BM_TurboEncode(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CTurboEncoder turbo(image);
    for (auto _ : state)
        benchmark::DoNotOptimize(turbo.Encode());
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_TurboEncode)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

std::string TempPath(const char* szName)
{
    const char* szFolder = std::getenv("TMPDIR");
    return std::string(szFolder != nullptr ? szFolder : "/tmp") + "/vexilo-bench-" + std::to_string(::getpid()) +
           szName;
}

void BM_SaveJpegFile(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string strPath = TempPath(".jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveJpeg(image, strPath.c_str()));
    std::remove(strPath.c_str());
}
BENCHMARK(BM_SaveJpegFile)->Args({640, 480})->Unit(benchmark::kMillisecond);

void LoadFile(benchmark::State& state, const std::string& strPath)
{
    for (auto _ : state) {
        CDibImage loaded;
        benchmark::DoNotOptimize(LoadPicture(loaded, strPath.c_str()));
    }
    std::remove(strPath.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void BM_LoadPictureBmp(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string strPath = TempPath(".bmp");
    WriteBmp(image, strPath.c_str());
    LoadFile(state, strPath);
}
BENCHMARK(BM_LoadPictureBmp)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

void BM_LoadPictureJpeg(benchmark::State& state)
{
    CDibImage image;
    DrawNaturalPicture(image, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string strPath = TempPath(".jpg");
    SaveJpeg(image, strPath.c_str());
    LoadFile(state, strPath);
}
BENCHMARK(BM_LoadPictureJpeg)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

} // namespace
