// The live view's timing figures: the frames-per-second window and the title line
// that shows it with the capture, processing and display times.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Frames per second counted in windows of just over a second: a frame that arrives
// more than 1000 ms after the window opened closes it with count x 1000 / elapsed.
// The first frame ever opens the first window; the count and the window carry on
// across freezes.
class CFrameRate {
public:
    // Counts a frame shown at dwNow (timeGetTime milliseconds).
    void CountFrame(DWORD dwNow);
    // The camera stopped delivering: the rate drops to 0 and a new window opens at dwNow.
    void Stop(DWORD dwNow);
    // The last computed rate; 0 until the first window has closed.
    double Fps() const { return m_dFps; }
    // Whether a frame was ever counted.
    bool HasStarted() const { return m_bStarted; }

private:
    DWORD m_dwWindowStart = 0;
    int m_nFrames = 0;
    double m_dFps = 0.0;
    bool m_bStarted = false;
};

constexpr std::size_t TITLE_LINE_SIZE = 256;

// The title before the first frame: every figure 0.
void FormatInitialTitleLine(char (&szTitle)[TITLE_LINE_SIZE]);

// "Vexilo Version <version>  Capture Time %3d GetImage Time %3d  ShowImage Time %3d
// Frame per Second %.1f" (two spaces before the last field): the milliseconds from
// taking a frame to the end of showing it, of taking and processing it, and of showing
// it, and the frame rate (with a decimal point whatever the locale).
void FormatTitleLine(char (&szTitle)[TITLE_LINE_SIZE], int nCaptureMs, int nGetImageMs, int nShowImageMs,
                     double dFps);
