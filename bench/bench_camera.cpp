// The camera library's costs: frames through the whole stack (simulated camera ->
// driver -> transfer thread -> GetFrame) and each way of turning a slot into a picture.
#include "app/camera/camera_device.h"
#include "app/camera/raw_conversion.h"
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "simcam/sim_camera_bus.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <vector>

namespace {

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Frames as fast as the simulated camera renders them (bPaced false) or at the
// sensor's own rate (true); reports frames per second and process CPU per frame.
void BM_FramesThroughTheStack(benchmark::State& state)
{
    CDeviceNamespace devices;
    CPnpManager pnp(devices, &DriverEntry);
    CSimCameraBus bus(pnp);
    SIM_CAMERA_OPTIONS options;
    options.bPaced = state.range(0) != 0;
    CSimCameraPlug plug = bus.PlugSimulatedCamera(options);
    CCameraDevice camera(devices);
    camera.SetCaptureWindow(0, 0, 640, 480, 0);
    camera.StartCapture();
    std::vector<BYTE> frame(640 * 480);
    const double dCpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        while (!camera.WaitFrameReady(1000)) {
        }
        camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size());
    }
    const double dCpu = ProcessCpuSeconds() - dCpuStart;
    camera.StopCapture();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cpu_us_per_frame"] = dCpu * 1e6 / static_cast<double>(state.iterations());
}

// A full-window 8-bit slot with a varied mosaic.
CRawFrame SyntheticFrame(std::vector<BYTE>& slot)
{
    const CRawGeometry geometry = [] {
        CRawGeometry g = CRawGeometry::ForWindow(640, 480);
        g.m_nTransferSize = g.TransferSize();
        return g;
    }();
    slot.resize(geometry.m_nTransferSize);
    for (std::size_t i = 0; i < slot.size(); ++i)
        slot[i] = static_cast<BYTE>((i * 37) ^ (i >> 7));
    return CRawFrame{slot.data(), geometry, false, 0};
}

void BM_RawCopy(benchmark::State& state)
{
    std::vector<BYTE> slot, out(640 * 480);
    const CRawFrame frame = SyntheticFrame(slot);
    for (auto _ : state) {
        CopyRawWindow(frame, out.data(), 640);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_GreyConversion(benchmark::State& state)
{
    std::vector<BYTE> slot, out(640 * 480 * 3);
    const CRawFrame frame = SyntheticFrame(slot);
    for (auto _ : state) {
        ConvertRawToGrey(frame, out.data(), 640 * 3);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Demosaic(benchmark::State& state)
{
    std::vector<BYTE> slot, out(640 * 480 * 3);
    const CRawFrame frame = SyntheticFrame(slot);
    const double dGain[3] = {1.2, 1.0, 0.9};
    for (auto _ : state) {
        DemosaicRaw(frame, static_cast<int>(state.range(0)), dGain, out.data(), 640 * 3);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(state.range(0) == 0 ? "smooth" : "simple");
}

void BM_WhiteBalanceMeasurement(benchmark::State& state)
{
    std::vector<BYTE> slot;
    const CRawFrame frame = SyntheticFrame(slot);
    double dGain[3];
    for (auto _ : state) {
        MeasureRawWhiteBalance(frame, dGain);
        benchmark::DoNotOptimize(dGain);
    }
}

} // namespace

BENCHMARK(BM_FramesThroughTheStack)->Arg(0)->Arg(1)->ArgName("paced")->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RawCopy);
BENCHMARK(BM_GreyConversion);
BENCHMARK(BM_Demosaic)->Arg(0)->Arg(1)->ArgName("simple");
BENCHMARK(BM_WhiteBalanceMeasurement);
