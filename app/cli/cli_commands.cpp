#include "app/cli/cli_commands.h"

#include "app/camera/camera_device.h"
#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/picture_loader.h"
#include "app/files/read_whole_file.h"
#include "app/shell/live_camera.h"
#include "app/shell/live_frame_chain.h"
#include "app/shell/settings_file.h"
#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <cctype>

namespace {

constexpr DWORD kFrameWaitMs = 5000;

const char* BackendName(CameraBackendKind kind)
{
    switch (kind) {
    case CameraBackendKind::Simulated: return "sim";
    case CameraBackendKind::Usb: return "usb";
    case CameraBackendKind::Automatic: return "auto";
    case CameraBackendKind::None: break;
    }
    return "none";
}

int Fail(const CliOutput& out, const std::string& szMessage)
{
    std::fprintf(out.pErr, "vexilo-cli: %s\n", szMessage.c_str());
    return CLI_FAILURE;
}

bool EndsWithJpegExtension(const std::string& szPath)
{
    std::string lower(szPath);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.ends_with(".jpg") || lower.ends_with(".jpeg");
}

// The picture with its rows in the opposite order (same size, format and colours).
bool Flipped(const CDibImage& source, CDibImage& flipped)
{
    if (!flipped.CreateLike(&source))
        return false;
    const int w = source.Width();
    const int h = source.Height();
    return flipped.StretchFrom(source, RECT{0, h - 1, w, -1}, RECT{0, 0, w, h}) != FALSE;
}

// Writes a picture as it is held (rows bottom-up, so viewers show memory row 0 at the
// bottom): JPEG with the program's encoder for .jpg / .jpeg, else BMP.
bool WritePicture(const CDibImage& picture, const std::string& szPath)
{
    if (!EndsWithJpegExtension(szPath))
        return WriteBmp(picture, szPath.c_str()) != FALSE;
    if (picture.BitCount() == 24)
        return SaveJpeg(picture, szPath.c_str()) != FALSE;
    CDibImage colour;
    if (!colour.Create(picture.Width(), picture.Height(), 24))
        return false;
    colour.BlitFrom(picture, nullptr, 0, 0);
    return SaveJpeg(colour, szPath.c_str()) != FALSE;
}

CViewerSettings LoadSettingsOf(const std::string& szFolder)
{
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    CSettingsFile(ResolveSettingsFolder(szFolder)).Load(settings, calib, false);
    return settings;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int RunInfo(CameraBackendKind cameras, const CliOutput& out)
{
    CCameraBackend backend(cameras);
    std::fprintf(out.pOut, "Vexilo Version 1.510\ncameras: %s\n", BackendName(backend.Kind()));
    for (int i = 0; i < CAM_MAX_DEVICES; ++i) {
        const std::string szPath = "\\\\.\\Lorvidex07-" + std::to_string(i);
        if (CDeviceHandle(backend.Devices(), szPath.c_str()).IsValid())
            std::fprintf(out.pOut, "%d %s\n", i, szPath.c_str());
    }
    return CLI_OK;
}

int RunGrab(const GrabOptions& options, const CliOutput& out)
{
    const CViewerSettings settings = LoadSettingsOf(options.szSettingsFolder);
    CCameraBackend backend(options.cameras);
    CCameraDevice camera(backend.Devices());
    if (!camera.IsDevicePresent(0))
        return Fail(out, "no camera found");

    const CaptureWindow window = StartLiveCapture(camera, settings);
    CDibImage raw, colour, lastRaw;
    if (!raw.Create(window.nWidth, window.nHeight, 8) || !colour.Create(window.nWidth, window.nHeight, 24)) {
        camera.StopCapture();
        return Fail(out, "out of memory");
    }
    CLiveFrameChain chain;
    CExposureCameraOf<CCameraDevice> exposureCamera(camera);
    LiveSettings live = MakeLiveSettings(settings);
    double dProcessMs = 0.0;
    auto tFirst = std::chrono::steady_clock::now();
    int nFrames = 0;
    for (; nFrames < options.nFrames; ++nFrames) {
        if (!camera.WaitFrameReady(kFrameWaitMs))
            break;
        camera.GetFrame(raw.Bits(), FALSE, FALSE, TRUE, raw.Stride(), static_cast<std::size_t>(raw.Stride()) * raw.Height());
        if (nFrames == 0)
            tFirst = std::chrono::steady_clock::now();
        // The raw mosaic of the last frame, before processing turns it upright.
        if (options.bRaw && nFrames == options.nFrames - 1)
            Flipped(raw, lastRaw);
        const auto tStart = std::chrono::steady_clock::now();
        chain.Process(raw, colour, live, &exposureCamera, timeGetTime(), nullptr);
        dProcessMs += MillisecondsSince(tStart);
    }
    const double dElapsedMs = MillisecondsSince(tFirst);
    const int nError = camera.StopCapture();
    if (nFrames < options.nFrames)
        return Fail(out, "the camera stopped delivering frames after " + std::to_string(nFrames) + " (error " +
                             std::to_string(nError) + ")");

    const CDibImage& result = options.bRaw ? lastRaw : CLiveFrameChain::Shown(raw, colour, live);
    if (!WritePicture(result, options.szOutput))
        return Fail(out, "cannot write " + options.szOutput);
    const double dFps = nFrames > 1 && dElapsedMs > 0.0 ? (nFrames - 1) * 1000.0 / dElapsedMs : 0.0;
    std::fprintf(out.pOut, "frames=%d fps=%.1f process_ms=%.2f\n", nFrames, dFps,
                 nFrames > 0 ? dProcessMs / nFrames : 0.0);
    return CLI_OK;
}

int RunProcess(const std::string& szSettingsFolder, const std::string& szInput, const std::string& szOutput,
               const CliOutput& out)
{
    const CReadWholeFile file(szInput.c_str());
    CDibImage mosaic;
    if (!file.IsRead() || !mosaic.LoadFromBmpMemory(file.Start(), file.Size()))
        return Fail(out, "cannot read " + szInput + " as a BMP file");
    if (mosaic.BitCount() != 8)
        return Fail(out, szInput + " is not an 8-bit raw mosaic");

    // The file's top row is the sensor's first row; the chain expects it as memory row 0.
    CDibImage raw, colour;
    if (!Flipped(mosaic, raw) || !colour.Create(raw.Width(), raw.Height(), 24))
        return Fail(out, "out of memory");
    LiveSettings live = MakeLiveSettings(LoadSettingsOf(szSettingsFolder));
    CLiveFrameChain chain;
    chain.Process(raw, colour, live, nullptr, 0, nullptr);
    const CDibImage& result = live.frame.m_BayerFlg ? colour : raw;
    if (!WritePicture(result, szOutput))
        return Fail(out, "cannot write " + szOutput);
    return CLI_OK;
}

int RunJpeg(const std::string& szInput, const std::string& szOutput, const CliOutput& out)
{
    CDibImage picture;
    if (!LoadPicture(picture, szInput.c_str()))
        return Fail(out, "cannot load " + szInput);
    if (!SaveJpeg(picture, szOutput.c_str()))
        return Fail(out, "cannot write " + szOutput);
    return CLI_OK;
}
