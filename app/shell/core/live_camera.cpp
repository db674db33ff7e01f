#include "app/shell/core/live_camera.h"

#include "driver/camera_protocol.h"
#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// One step of the start-up in the camera log: what was done and whether it worked.
void LogStep(BOOL bDone, const char* szFormat, int nValue)
{
    if (!IsLogEnabled(ELogCategory::Camera))
        return;
    char szStep[128];
    std::snprintf(szStep, sizeof szStep, szFormat, nValue);
    LogLine(ELogCategory::Camera, "start-up: %s%s", szStep, bDone ? "" : ": FAILED");
}

void LogWindow(int nResult, const CCaptureWindow& w, const char* szWhich)
{
    if (nResult == CAM_OK)
        LogLine(ELogCategory::Camera, "start-up: %s capture window %d,%d %dx%d", szWhich, w.x, w.y, w.nWidth, w.nHeight);
    else
        LogLine(ELogCategory::Camera, "start-up: %s capture window %d,%d %dx%d refused with %d", szWhich, w.x, w.y,
                w.nWidth, w.nHeight, nResult);
}

} // namespace

CCaptureWindow StartLiveCapture(CCameraDevice& camera, const CViewerSettings& s,
                               const std::function<void(bool)>& onSlowStep)
{
    CCaptureWindow window{s.EHS, s.EVS, s.EH, s.EV};
    int nResult = camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0);
    LogWindow(nResult, window, "stored");
    if (nResult != CAM_OK) {
        window = CCaptureWindow{0, 0, CAM_SENSOR_WIDTH, CAM_SENSOR_HEIGHT};
        LogWindow(camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0), window, "full");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    // Answers TRUE whether or not the camera took it.
    camera.SetDataWidth(FALSE);

    BOOL bHalf = FALSE;
    const BOOL bClockRead = camera.GetHalfClock(&bHalf);
    LogStep(bClockRead, "half clock read as %d", bHalf);
    if (bClockRead && (bHalf != 0) != (s.Clock != 0)) {
        if (onSlowStep)
            onSlowStep(true);
        // The clock change re-initialises the camera to the full window: set ours again.
        LogStep(camera.SetHalfClock(s.Clock), "half clock set to %d", s.Clock);
        LogWindow(camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0), window, "same");
        if (onSlowStep)
            onSlowStep(false);
    }
    camera.SetTriggerMode(0); // does nothing on this camera; answers CAM_OK
    LogStep(camera.SetGlobalGain(s.GlovalGain), "global gain %d", s.GlovalGain);
    LogStep(camera.SetColorGain(CAM_REG_GAIN_GREEN1, s.ColorGainG1), "green 1 gain %d", s.ColorGainG1);
    LogStep(camera.SetColorGain(CAM_REG_GAIN_RED, s.ColorGainR), "red gain %d", s.ColorGainR);
    LogStep(camera.SetColorGain(CAM_REG_GAIN_BLUE, s.ColorGainB), "blue gain %d", s.ColorGainB);
    LogStep(camera.SetColorGain(CAM_REG_GAIN_GREEN2, s.ColorGainG2), "green 2 gain %d", s.ColorGainG2);
    LogStep(camera.SetExposure(s.Shutter), "exposure %d lines", s.Shutter);
    nResult = camera.StartCapture();
    if (nResult == CAM_OK)
        LogLine(ELogCategory::Camera, "start-up: capture started on %s", camera.DevicePath());
    else
        LogLine(ELogCategory::Camera, "start-up: capture did not start: StartCapture answered %d", nResult);
    return window;
}
