// Starting the camera for live view from the settings: capture window, clock, data
// width, gains and exposure, then capture.
#pragma once

#include "app/camera/camera_device.h"
#include "app/shell/core/viewer_settings.h"

#include <functional>

struct CCaptureWindow {
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
};

// Sets the camera up as the settings say and starts capture. A stored window the
// sensor refuses is replaced by the full 640 x 480 window, so live view never stays
// without frames; the answer is the window in use. onSlowStep(true) / (false)
// bracket the clock change, which re-initialises the camera and takes a while.
// Each step and its outcome go to the camera log.
CCaptureWindow StartLiveCapture(CCameraDevice& camera, const CViewerSettings& settings,
                               const std::function<void(bool)>& onSlowStep = {});
