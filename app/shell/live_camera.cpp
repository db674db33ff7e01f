#include "app/shell/live_camera.h"

#include "driver/camera_protocol.h"

#include <chrono>
#include <thread>

CaptureWindow StartLiveCapture(CCameraDevice& camera, const CViewerSettings& s,
                               const std::function<void(bool)>& onSlowStep)
{
    CaptureWindow window{s.EHS, s.EVS, s.EH, s.EV};
    if (camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0) != CAM_OK) {
        window = CaptureWindow{0, 0, CAM_SENSOR_WIDTH, CAM_SENSOR_HEIGHT};
        camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    camera.SetDataWidth(FALSE);

    BOOL bHalf = FALSE;
    if (camera.GetHalfClock(&bHalf) && (bHalf != 0) != (s.Clock != 0)) {
        if (onSlowStep)
            onSlowStep(true);
        // The clock change re-initialises the camera to the full window: set ours again.
        camera.SetHalfClock(s.Clock);
        camera.SetCaptureWindow(window.x, window.y, window.nWidth, window.nHeight, 0);
        if (onSlowStep)
            onSlowStep(false);
    }
    camera.SetTriggerMode(0);
    camera.SetGlobalGain(s.GlovalGain);
    camera.SetColorGain(CAM_REG_GAIN_GREEN1, s.ColorGainG1);
    camera.SetColorGain(CAM_REG_GAIN_RED, s.ColorGainR);
    camera.SetColorGain(CAM_REG_GAIN_BLUE, s.ColorGainB);
    camera.SetColorGain(CAM_REG_GAIN_GREEN2, s.ColorGainG2);
    camera.SetExposure(s.Shutter);
    camera.StartCapture();
    return window;
}
