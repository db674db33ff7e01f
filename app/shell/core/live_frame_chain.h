// The processing every live frame goes through once it has been taken from the
// camera: automatic exposure, white balance, colour reconstruction and the
// post-processing. The live view and the command-line tool run this same code.
#pragma once

#include "app/imaging/dib_image.h"
#include "app/imaging/exposure_control.h"
#include "app/imaging/frame_processor.h"
#include "app/shell/core/viewer_settings.h"

// What one frame needs of the settings.
struct CLiveSettings {
    CFrameSettings frame;
    bool bAutoIris = false;
    int nAutoIrisMode = 0;
    bool bWhiteBalance = false; // a white balance is requested ("m_WB_Flg")
    bool bShowColor = false;    // the colour picture is the one shown
};

CLiveSettings MakeLiveSettings(const CViewerSettings& settings);

class CLiveFrameChain {
public:
    // raw holds the camera's rows in memory order (top row first). Runs automatic
    // exposure when on and pCamera is given, the white balance when requested with
    // colour reconstruction on (its gains then go into live.frame and *pGains, and
    // the answer is true), then the processing chain into raw or color. Afterwards
    // the picture to show is Shown(raw, color, live).
    bool Process(CDibImage& raw, CDibImage& color, CLiveSettings& live, CExposureCamera* pCamera, DWORD dwNow,
                 CColorGains* pGains);

    static const CDibImage& Shown(const CDibImage& raw, const CDibImage& color, const CLiveSettings& live)
    {
        return live.bShowColor ? color : raw;
    }

    CExposureControl& ExposureControl() { return m_ExposureControl; }

private:
    CFrameProcessor m_Processor;
    // Lives as long as the chain: its last-evaluation time spans freezes.
    CExposureControl m_ExposureControl;
};
