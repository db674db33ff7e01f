// The main window's persistent settings, named like their keys in Vexilo.ini,
// with the defaults a first start uses.
#pragma once

#include "app/calib/scale_bar.h"
#include "app/imaging/frame_processor.h"
#include "platform/win_types.h"

#include <string>

struct CViewerSettings {
    int type = 1;   // kept and written back only
    int resize = 3; // kept and written back only
    COLORREF m_clrText = 16776960; // "color.text": cyan
    COLORREF m_clrLine = 65280;    // "color.line": green
    int TH = 640;   // sensor horizontal total
    int TV = 480;   // sensor vertical total
    int EH = 640;   // frame width
    int EV = 480;   // frame height
    int EHS = 0;    // capture window x start
    int EVS = 0;    // capture window y start
    int timer = 0;
    int BufSize = 10;
    int Clock = 0;  // half clock
    int Gamma = 100; // 100 = no gamma correction
    BYTE GlovalGain = 32;
    BYTE ColorGainG1 = 0; // sensor register 44
    BYTE ColorGainR = 0;  // sensor register 46
    BYTE ColorGainB = 0;  // sensor register 43
    BYTE ColorGainG2 = 0; // sensor register 45
    WORD Shutter = 512;   // exposure in sensor lines
    int m_WB_R = 0;
    int m_WB_G = 0;
    int m_WB_B = 0;
    int m_WB_Flg = 0; // one-shot white-balance request
    int m_Bai = 1;    // zoom selection: 0 fit to window, 1..5 x1..x16
    double m_Bai_X = 0.0; // view scroll offset, picture pixels, <= 0
    double m_Bai_Y = 0.0;
    double m_BayerR = 1.0;
    double m_BayerG = 1.0;
    double m_BayerB = 1.0;
    int m_BayerFlg = 0;
    int m_InterlaceFlg = 0;
    int m_Interlace = 600;
    int m_BinaryFlg = 0;
    int m_Binary = 128;
    int m_BayerMode = 0;
    int m_RGBFlg = 0;
    int m_YUVFlg = 0;
    int m_LOGFlg = 0;
    int m_AutoIrisFlg = 0;
    int m_AutoIrisMode = 0; // 0 drives the global gain, 1 the exposure
    BYTE m_IOWdata = 0;
    CHlsSettings m_HLS;
    CScaleData m_ScaleData;
    std::string m_szSaveDir; // "savedir": the picture folder
};

// Whether the view shows the colour picture (m_ColorImage) rather than the raw one:
// while any colour display is on.
inline bool IsColorPictureShown(const CViewerSettings& s)
{
    return s.m_BayerFlg != 0 || s.m_RGBFlg != 0 || s.m_YUVFlg != 0;
}

// Placement of the main window as stored with the settings.
struct CWindowPlacement {
    bool bMaximized = false;
    RECT rcNormal{}; // window rectangle when not maximised
};
