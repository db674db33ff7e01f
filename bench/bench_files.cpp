// Picture files: our JPEG encoder beside libjpeg-turbo's encoder (4:2:0, quality 50,
// whose tables equal ours) on the same picture in the same run, saving to a file,
// loading BMP and JPEG files, and loading a BMP file beside copying its bytes.
#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/picture_loader.h"
#include "platform/read_whole_file.h"
#include "tests/files/synthetic_picture.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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

// A BMP file of the natural picture, range(0) x range(1) at range(2) bits per pixel (8:
// its green channel as grey levels with the grey colour table).
std::string WriteBmpOfBits(const benchmark::State& state)
{
    const int nWidth = static_cast<int>(state.range(0));
    const int nHeight = static_cast<int>(state.range(1));
    CDibImage image;
    DrawNaturalPicture(image, nWidth, nHeight);
    if (state.range(2) == 8) {
        CDibImage grey;
        grey.Create(nWidth, nHeight, 8);
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                grey.Bits()[y * grey.Stride() + x] = image.Bits()[y * image.Stride() + 3 * x + 1];
        image = std::move(grey);
    }
    const std::string strPath = TempPath(".bmp");
    WriteBmp(image, strPath.c_str());
    return strPath;
}

// LoadPicture of a 24-bit and an 8-bit BMP file, each into a new picture as the
// thumbnail list does, beside BM_CopyBmpFileBytes of the same file. Compare them run
// alone (--benchmark_filter) too: what fresh memory costs depends on the heap that the
// benchmarks before have left (see LoadBmpRowsDirectly in picture_loader.cpp).
void BM_LoadBmpOfBits(benchmark::State& state)
{
    LoadFile(state, WriteBmpOfBits(state));
}
BENCHMARK(BM_LoadBmpOfBits)->Args({640, 480, 24})->Args({640, 480, 8})->Unit(benchmark::kMillisecond);

// The least any loader of the same file has to do: read the whole file into memory and
// copy its bytes into a buffer of the loaded picture's size (allocated once).
void BM_CopyBmpFileBytes(benchmark::State& state)
{
    const std::string strPath = WriteBmpOfBits(state);
    const std::size_t nPictureBytes = static_cast<std::size_t>((3 * state.range(0) + 3) & ~3) * state.range(1);
    const std::unique_ptr<BYTE[]> pPicture = std::make_unique<BYTE[]>(nPictureBytes);
    for (auto _ : state) {
        const CReadWholeFile file(strPath.c_str());
        std::memcpy(pPicture.get(), file.Start(), std::min(file.Size(), nPictureBytes));
        benchmark::DoNotOptimize(pPicture.get());
    }
    std::remove(strPath.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_CopyBmpFileBytes)->Args({640, 480, 24})->Args({640, 480, 8})->Unit(benchmark::kMillisecond);

} // namespace
