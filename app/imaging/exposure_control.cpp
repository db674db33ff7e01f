// CExposureControl.
//
// Exposure: the means of five zones (four corner samples and the centre, each a tenth of
// the frame each way) move a correction factor c from 1.0: -0.15 above 200, -0.10 above
// 160, +0.10 below 50, +0.05 below 100. Only c <= 0.6 or c >= 1.2 changes anything. A
// slow frame (more than 200 ms since the last evaluation) forces c = 0.95 to shorten the
// exposure; more than 150 ms limits an increase to 1.05; and between 160 and 210 ms no
// increase is made at all. The gain is kept to 4..63 in the direction of the change, the
// exposure to at least 1 line.
#include "app/imaging/exposure_control.h"

#include "app/imaging/measure_routines.h"
#include "app/imaging/trunc_int.h"
#include "platform/log.h"

#include <utility>

void CExposureControl::SetImageSetDlgHook(DialogHook hook)
{
    std::lock_guard<std::mutex> lock(m_HookMutex);
    m_Hook = std::move(hook);
}

void CExposureControl::ShowInDialog(int nControlId, int nValue)
{
    std::lock_guard<std::mutex> lock(m_HookMutex);
    if (m_Hook)
        m_Hook(nControlId, nValue);
}

CExposureDecision CExposureControl::ExposureStep(CDibImage& raw, int nAutoIrisMode, CExposureCamera& camera,
                                                DWORD dwNow)
{
    const double w = raw.Width();
    const double h = raw.Height();
    const RECT aZones[5] = {
        {TruncToInt(0.1 * w), TruncToInt(0.1 * h), TruncToInt(0.2 * w), TruncToInt(0.2 * h)},
        {TruncToInt(0.1 * w), TruncToInt(0.8 * h), TruncToInt(0.2 * w), TruncToInt(0.9 * h)},
        {TruncToInt(0.45 * w), TruncToInt(0.45 * h), TruncToInt(0.55 * w), TruncToInt(0.55 * h)},
        {TruncToInt(0.8 * w), TruncToInt(0.1 * h), TruncToInt(0.9 * w), TruncToInt(0.2 * h)},
        {TruncToInt(0.8 * w), TruncToInt(0.8 * h), TruncToInt(0.9 * w), TruncToInt(0.9 * h)},
    };
    double c = 1.0;
    for (const RECT& rcZone : aZones) {
        // Apply turns the zone into memory rows, as for every routine.
        const int nMean = raw.Apply(ZoneMean, raw, &rcZone, rcZone.left, rcZone.top);
        if (nMean > 200)
            c -= 0.15;
        else if (nMean > 160)
            c -= 0.10;
        else if (nMean < 50)
            c += 0.10;
        else if (nMean < 100)
            c += 0.05;
    }
    bool bChange = c <= 0.6 || c >= 1.2;

    if (!m_bEvaluated) {
        m_dwLastEvaluation = dwNow;
        m_bEvaluated = true;
    }
    const DWORD d = dwNow - m_dwLastEvaluation;
    if (d > 200) {
        c = 0.95;
        bChange = true;
    } else if (d > 150 && c >= 1.2) {
        c = 1.05;
        bChange = true;
    }
    if (d > 160 && d < 210 && c >= 1.0)
        bChange = false;
    m_dwLastEvaluation = dwNow;

    CExposureDecision decision;
    decision.dFactor = c;
    if (!bChange)
        return decision;
    if (nAutoIrisMode == 0) {
        const int v = camera.GetGlobalGain() & 0xFF;
        int n = TruncToInt(v * c) & 0xFF;
        if (c > 1.0 && n <= 4)
            n = 4;
        else if (n >= 63)
            n = 63;
        if (!camera.SetGlobalGain(n))
            LogLine(ELogCategory::Camera, "automatic exposure: the global gain %d was not written", n);
        ShowInDialog(IDC_GLOBAL_GAIN_EDIT, n);
        decision.bChange = true;
        decision.nNewValue = n;
    } else if (nAutoIrisMode == 1) {
        WORD wExposure = 0;
        if (!camera.GetExposure(&wExposure))
            wExposure = 0;
        int n = TruncToInt(wExposure * c) & 0xFFFF;
        if (n == 0)
            n = 1;
        if (!camera.SetExposure(n))
            LogLine(ELogCategory::Camera, "automatic exposure: the exposure of %d lines was not written", n);
        ShowInDialog(IDC_EXPOSURE_EDIT, n);
        decision.bChange = true;
        decision.nNewValue = n;
    }
    return decision;
}

CColorGains CExposureControl::WhiteBalanceStep(CDibImage& raw, int nBayerMode)
{
    CWhiteBalanceParam param;
    param.nMode = nBayerMode;
    raw.Apply(MeasureWhiteBalance, raw, nullptr, 0, 0, &param);

    auto limit = [](double dGain) { return dGain < 0 ? 0.0 : (dGain > 2.0 ? 2.0 : dGain); };
    CColorGains gains;
    gains.m_BayerR = limit(param.nOut2 * 0.01);
    gains.m_BayerG = limit(param.nOut1 * 0.01);
    gains.m_BayerB = limit(param.nOut0 * 0.01);
    return gains;
}
