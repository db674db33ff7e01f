#include "app/dialogs/core/image_set_rules.h"

#include <algorithm>

namespace {

// The spin ranges of the fields the settings hold.
constexpr CImageSetRange SETTING_RANGES[] = {
    {0, 200},    // Red: 1..200 with the arrows; 0 may be typed, and OK takes it
    {0, 200},    // Green
    {0, 200},    // Blue
    {0, 255},    // Threshold
    {-360, 360}, // Hue
    {-255, 255}, // Brightness
    {-255, 255}, // Saturation
    {-127, 127}, // Contrast
    {0, 30},     // Sharpness
    {1, 200},    // Gamma
};
static_assert(std::size(SETTING_RANGES) == static_cast<std::size_t>(EImageSetField::GlobalGain));

// Hundredths of a colour gain, truncated.
int Hundredths(double dGain) { return static_cast<int>(dGain * 100); }

} // namespace

CImageSetRules::CImageSetRules(CSharedSettings& settings, CCameraDevice& camera)
    : m_Settings(settings), m_Camera(camera), m_CameraAccess(camera), m_Writer(m_CameraAccess)
{
}

CImageSetStart CImageSetRules::Open()
{
    CImageSetStart start;
    m_Settings.Read([&](const CViewerSettings& s) {
        m_Saved = CSaved{s.m_BayerR,       s.m_BayerG,    s.m_BayerB,      s.m_BayerFlg,
                         s.m_BayerMode,    s.m_InterlaceFlg, s.m_Interlace, s.m_BinaryFlg,
                         s.m_Binary,       s.m_AutoIrisFlg, s.m_AutoIrisMode};
        const int values[] = {Hundredths(s.m_BayerR), Hundredths(s.m_BayerG), Hundredths(s.m_BayerB),
                              s.m_Binary,              s.m_HLS.H,              s.m_HLS.L,
                              s.m_HLS.S,               s.m_HLS.C,              s.m_HLS.SP,
                              s.Gamma};
        std::copy(std::begin(values), std::end(values), start.nValues);
        start.nInterlace = s.m_Interlace;
        start.bBayer = s.m_BayerFlg != 0;
        start.bBinarization = s.m_BinaryFlg != 0;
        start.bInterlace = s.m_InterlaceFlg != 0;
        start.bAutoIris = s.m_AutoIrisFlg != 0;
        start.nBayerMode = s.m_BayerMode;
        start.nAutoIrisMode = s.m_AutoIrisMode;
    });
    std::copy(std::begin(SETTING_RANGES), std::end(SETTING_RANGES), start.ranges);

    // The camera's values as they are now (a missing camera reads 0).
    const int nGain = m_Camera.GetGlobalGain();
    WORD wExposure = 0;
    if (!m_Camera.GetExposure(&wExposure))
        wExposure = 0;
    m_GainRange = {std::min(nGain, m_Camera.GetGlobalGainMin()), std::max(nGain, m_Camera.GetGlobalGainMax())};
    m_ExposureRange = {std::min<int>(wExposure, m_Camera.GetExposureMin()),
                       std::max<int>(wExposure, m_Camera.GetExposureMax())};
    start.nValues[static_cast<int>(EImageSetField::GlobalGain)] = nGain;
    start.nValues[static_cast<int>(EImageSetField::Exposure)] = wExposure;
    start.ranges[static_cast<int>(EImageSetField::GlobalGain)] = m_GainRange;
    start.ranges[static_cast<int>(EImageSetField::Exposure)] = m_ExposureRange;
    return start;
}

void CImageSetRules::OnFieldChanged(EImageSetField field, int nValue)
{
    // A zero colour gain, threshold, gamma or exposure is no value to take.
    const bool bZeroIgnored = field != EImageSetField::Hue && field != EImageSetField::Brightness &&
                              field != EImageSetField::Saturation && field != EImageSetField::Contrast &&
                              field != EImageSetField::Sharpness && field != EImageSetField::GlobalGain;
    if (field == EImageSetField::Count || (nValue == 0 && bZeroIgnored))
        return;
    const auto Clamp = [nValue](const CImageSetRange& range) { return std::clamp(nValue, range.nMin, range.nMax); };
    if (field == EImageSetField::GlobalGain) {
        m_Writer.PostGlobalGain(Clamp(m_GainRange));
        return;
    }
    if (field == EImageSetField::Exposure) {
        m_Writer.PostExposure(Clamp(m_ExposureRange));
        return;
    }
    const int n = Clamp(SETTING_RANGES[static_cast<int>(field)]);
    m_Settings.Update([field, n](CViewerSettings& s) {
        switch (field) {
        case EImageSetField::Red:
            s.m_BayerR = n * 0.01;
            break;
        case EImageSetField::Green:
            s.m_BayerG = n * 0.01;
            break;
        case EImageSetField::Blue:
            s.m_BayerB = n * 0.01;
            break;
        case EImageSetField::Threshold:
            s.m_Binary = n;
            break;
        case EImageSetField::Gamma:
            s.Gamma = n;
            break;
        case EImageSetField::Hue:
            s.m_HLS.H = n;
            break;
        case EImageSetField::Brightness:
            s.m_HLS.L = n;
            break;
        case EImageSetField::Saturation:
            s.m_HLS.S = n;
            break;
        case EImageSetField::Contrast:
            s.m_HLS.C = n;
            break;
        case EImageSetField::Sharpness:
            s.m_HLS.SP = n;
            break;
        default:
            break;
        }
    });
}

void CImageSetRules::OnCheckChanged(EImageSetCheck check, bool bTicked)
{
    const int nFlag = bTicked ? 1 : 0;
    m_Settings.Update([check, nFlag](CViewerSettings& s) {
        switch (check) {
        case EImageSetCheck::Bayer:
            s.m_BayerFlg = nFlag;
            break;
        case EImageSetCheck::Binarization:
            s.m_BinaryFlg = nFlag;
            break;
        case EImageSetCheck::Interlace:
            s.m_InterlaceFlg = nFlag;
            break;
        case EImageSetCheck::AutoIris:
            s.m_AutoIrisFlg = nFlag;
            break;
        }
    });
}

void CImageSetRules::OnBayerMode(int nMode)
{
    if (nMode >= 0 && nMode <= 3)
        m_Settings.Update([nMode](CViewerSettings& s) { s.m_BayerMode = nMode; });
}

void CImageSetRules::OnAutoIrisMode(int nMode)
{
    if (nMode == 0 || nMode == 1)
        m_Settings.Update([nMode](CViewerSettings& s) { s.m_AutoIrisMode = nMode; });
}

void CImageSetRules::Accept(int nRed, int nGreen, int nBlue)
{
    const auto Gain = [](int n) { return std::clamp(n, SETTING_RANGES[0].nMin, SETTING_RANGES[0].nMax) * 0.01; };
    m_Settings.Update([&](CViewerSettings& s) {
        s.m_BayerR = Gain(nRed);
        s.m_BayerG = Gain(nGreen);
        s.m_BayerB = Gain(nBlue);
    });
    m_Writer.Flush();
}

void CImageSetRules::Reject()
{
    m_Settings.Update([this](CViewerSettings& s) {
        s.m_BayerR = m_Saved.m_BayerR;
        s.m_BayerG = m_Saved.m_BayerG;
        s.m_BayerB = m_Saved.m_BayerB;
        s.m_BayerFlg = m_Saved.m_BayerFlg;
        s.m_BayerMode = m_Saved.m_BayerMode;
        s.m_InterlaceFlg = m_Saved.m_InterlaceFlg;
        s.m_Interlace = m_Saved.m_Interlace;
        s.m_BinaryFlg = m_Saved.m_BinaryFlg;
        s.m_Binary = m_Saved.m_Binary;
        s.m_AutoIrisFlg = m_Saved.m_AutoIrisFlg;
        s.m_AutoIrisMode = m_Saved.m_AutoIrisMode;
    });
    m_Writer.Flush();
}
