#include "app/shell/core/live_frame_chain.h"

CLiveSettings MakeLiveSettings(const CViewerSettings& s)
{
    CLiveSettings live;
    live.frame.Gamma = s.Gamma;
    live.frame.m_HLS = s.m_HLS;
    live.frame.m_BinaryFlg = s.m_BinaryFlg;
    live.frame.m_Binary = s.m_Binary;
    live.frame.m_BayerFlg = s.m_BayerFlg;
    live.frame.m_BayerMode = s.m_BayerMode;
    live.frame.m_BayerR = s.m_BayerR;
    live.frame.m_BayerG = s.m_BayerG;
    live.frame.m_BayerB = s.m_BayerB;
    live.bAutoIris = s.m_AutoIrisFlg != 0;
    live.nAutoIrisMode = s.m_AutoIrisMode;
    live.bWhiteBalance = s.m_WB_Flg != 0;
    live.bShowColor = IsColorPictureShown(s);
    return live;
}

bool CLiveFrameChain::Process(CDibImage& raw, CDibImage& color, CLiveSettings& live, CExposureCamera* pCamera,
                              DWORD dwNow, CColorGains* pGains)
{
    if (live.bAutoIris && pCamera != nullptr)
        m_ExposureControl.ExposureStep(raw, live.nAutoIrisMode, *pCamera, dwNow);
    bool bBalanced = false;
    if (live.frame.m_BayerFlg && live.bWhiteBalance) {
        const CColorGains gains = CExposureControl::WhiteBalanceStep(raw, live.frame.m_BayerMode);
        live.frame.m_BayerR = gains.m_BayerR;
        live.frame.m_BayerG = gains.m_BayerG;
        live.frame.m_BayerB = gains.m_BayerB;
        live.bWhiteBalance = false;
        if (pGains != nullptr)
            *pGains = gains;
        bBalanced = true;
    }
    m_Processor.ProcessFrame(raw, color, live.frame);
    return bBalanced;
}
