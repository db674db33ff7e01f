// Cost of the whole request path to the camera: a 640 x 480 frame read on pipe 2 through the
// device namespace, the driver and the simulated camera, and a register read as the camera
// library makes it. The simulated camera renders every frame, so its rendering is measured
// alone as well; the path's own cost is the difference.
#include "driver/camera_protocol.h"
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "platform/devio.h"
#include "simcam/sim_camera_bus.h"
#include "simcam/sim_frame_renderer.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr DWORD kFullFrame = 327680;
constexpr const char* kPath = "\\\\.\\Lorvidex07-0";

// One started simulated camera behind the driver.
struct CAMERA_RIG {
    explicit CAMERA_RIG(bool bPaced)
    {
        SIM_CAMERA_OPTIONS options;
        options.bPaced = bPaced;
        Plug = Bus.PlugSimulatedCamera(options);
    }
    CDeviceNamespace Devices;
    CPnpManager Pnp{Devices, &DriverEntry};
    CSimCameraBus Bus{Pnp};
    CSimCameraPlug Plug;
};

NTSTATUS ReadFrame(const CDeviceHandle& device, std::vector<BYTE>& frame, DWORD* pnReturned)
{
    const DWORD nPipe = CAM_PIPE_IMAGE;
    return device.IoControl(IOCTL_CAM_PIPE_WRITE, &nPipe, sizeof nPipe, frame.data(), kFullFrame, pnReturned);
}

// Frames as fast as the camera hands them out (no frame clock): path plus rendering.
void BM_FrameReadUnpaced(benchmark::State& state)
{
    CAMERA_RIG rig(false);
    CDeviceHandle device(rig.Devices, kPath);
    std::vector<BYTE> frame(kFullFrame);
    for (auto _ : state) {
        DWORD nReturned = 0;
        if (ReadFrame(device, frame, &nReturned) != STATUS_SUCCESS || nReturned != kFullFrame)
            state.SkipWithError("frame read failed");
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFullFrame);
}
BENCHMARK(BM_FrameReadUnpaced)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The simulated sensor's rendering of one full 8-bit frame, alone.
void BM_FrameRenderOnly(benchmark::State& state)
{
    CSimFrameRenderer renderer(1);
    renderer.SetScene(*SimRenderScene(CSimMicrometerScene()));
    const SIM_FRAME_SETTINGS settings = CSimCameraFirmware().GetFrameSettings();
    std::vector<BYTE> frame(kFullFrame);
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.Render(settings, frame.data(), kFullFrame));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameRenderOnly)->Unit(benchmark::kMicrosecond);

// Frames at the camera's own rate (34.3 per second): wall time is the frame period; the CPU
// column is the whole process's CPU time per frame (caller, driver and camera threads).
void BM_FrameReadPaced(benchmark::State& state)
{
    CAMERA_RIG rig(true);
    CDeviceHandle device(rig.Devices, kPath);
    std::vector<BYTE> frame(kFullFrame);
    DWORD nReturned = 0;
    ReadFrame(device, frame, &nReturned); // lets the sensor's clock settle
    for (auto _ : state) {
        if (ReadFrame(device, frame, &nReturned) != STATUS_SUCCESS || nReturned != kFullFrame)
            state.SkipWithError("frame read failed");
    }
}
BENCHMARK(BM_FrameReadPaced)->Unit(benchmark::kMicrosecond)->Iterations(68)->MeasureProcessCPUTime()->UseRealTime();

// A register read as the camera library makes it: open, command, two reply reads, close.
void BM_RegisterRead(benchmark::State& state)
{
    CAMERA_RIG rig(false);
    for (auto _ : state) {
        CDeviceHandle device(rig.Devices, kPath);
        const DWORD nCommandPipe = CAM_PIPE_COMMAND;
        const DWORD nReplyPipe = CAM_PIPE_REPLY;
        CAM_MESSAGE command = CamBuildReadRegister(CAM_REG_EXPOSURE);
        CAM_MESSAGE reply{};
        device.IoControl(IOCTL_CAM_PIPE_WRITE, &nCommandPipe, 4, command.data(), 64);
        device.IoControl(IOCTL_CAM_PIPE_READ, &nReplyPipe, 4, reply.data(), 64);
        device.IoControl(IOCTL_CAM_PIPE_READ, &nReplyPipe, 4, reply.data(), 64);
        benchmark::DoNotOptimize(CamReplyRegisterValue(reply.data()));
    }
}
BENCHMARK(BM_RegisterRead)->Unit(benchmark::kMicrosecond);

// One 64-byte command on an open handle.
void BM_Command(benchmark::State& state)
{
    CAMERA_RIG rig(false);
    CDeviceHandle device(rig.Devices, kPath);
    const DWORD nPipe = CAM_PIPE_COMMAND;
    CAM_MESSAGE command = CamBuildWriteRegister(CAM_REG_GLOBAL_GAIN, 32);
    for (auto _ : state)
        device.IoControl(IOCTL_CAM_PIPE_WRITE, &nPipe, 4, command.data(), 64);
}
BENCHMARK(BM_Command)->Unit(benchmark::kMicrosecond);

} // namespace
