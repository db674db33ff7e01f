#include "app/shell/core/live_timing.h"

#include "app/res/version.h"
#include "platform/c_numbers.h"

#include <cstdio>

namespace {

// A window closes with the first frame that comes more than this long after it opened.
constexpr DWORD kFpsWindowMs = 1000;

} // namespace

void CFrameRate::CountFrame(DWORD dwNow)
{
    if (!m_bStarted) {
        m_bStarted = true;
        m_dwWindowStart = dwNow;
    }
    ++m_nFrames;
    const DWORD dwElapsed = dwNow - m_dwWindowStart;
    if (dwElapsed > kFpsWindowMs) {
        m_dFps = m_nFrames * 1000.0 / dwElapsed;
        m_nFrames = 0;
        m_dwWindowStart = dwNow;
    }
}

void CFrameRate::Stop(DWORD dwNow)
{
    m_dFps = 0.0;
    m_nFrames = 0;
    m_dwWindowStart = dwNow;
}

void FormatInitialTitleLine(char (&szTitle)[TITLE_LINE_SIZE])
{
    std::snprintf(szTitle, sizeof szTitle,
                  "%s  Capture Time 0 GetImage Time 0  ShowImage Time 0  Frame per Second 0.0", PROGRAM_TITLE);
}

void FormatTitleLine(char (&szTitle)[TITLE_LINE_SIZE], int nCaptureMs, int nGetImageMs, int nShowImageMs,
                     double dFps)
{
    std::snprintf(szTitle, sizeof szTitle,
                  "%s  Capture Time %3d GetImage Time %3d  ShowImage Time %3d  Frame per Second %s", PROGRAM_TITLE,
                  nCaptureMs, nGetImageMs, nShowImageMs, FormatFixed(dFps, 1).c_str());
}
