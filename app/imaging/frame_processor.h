// CFrameProcessor: the per-frame processing chain after capture, shared by the live view
// and the command-line tool.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

// Hue, lightness and saturation deltas, contrast and sharpness ("m_HLS.*").
struct CHlsSettings {
    int H = 0;  // hue delta
    int L = 0;  // lightness delta
    int S = 0;  // saturation delta
    int C = 0;  // contrast
    int SP = 0; // sharpness
};

// The settings the chain reads, named like the main window's settings members.
struct CFrameSettings {
    int Gamma = 100; // 100 = off
    CHlsSettings m_HLS;
    int m_BinaryFlg = 0;
    int m_Binary = 128;
    int m_BayerFlg = 0; // colour reconstruction on
    int m_BayerMode = 0;
    double m_BayerR = 1.0;
    double m_BayerG = 1.0;
    double m_BayerB = 1.0;
};

// Runs the pixel routines over the two frame pictures in the order of the capture loop.
// Temporary pictures are members, kept from frame to frame and re-created only when the
// frame size changes, so that a running capture allocates nothing per frame. Results are
// those of fresh temporaries. One object serves one thread; it is not thread-safe.
class CFrameProcessor {
public:
    // Colour reconstruction: Demosaic of raw (whole picture at (0, 0), the settings' mode
    // and gains x 100 truncated) into a zeroed picture like color, AdjustHls on it when any
    // of m_HLS.H, .L, .S is non-zero, and the result copied into color upside down. raw is
    // not changed. false, with nothing done, when either picture is empty.
    bool ReconstructColor(const CDibImage& raw, CDibImage& color, const CFrameSettings& settings);

    // Without colour reconstruction: raw turned upside down in place.
    void FlipRaw(CDibImage& raw);

    // PostProcess: on color when m_BayerFlg is set (24-bit routines), else on raw (8-bit
    // routines), in this order and each only when selected: gamma (Gamma != 100),
    // contrast (m_HLS.C != 0), sharpening (m_HLS.SP != 0, against a copy of the picture),
    // binarization (m_BinaryFlg).
    void PostProcess(CDibImage& raw, CDibImage& color, const CFrameSettings& settings);

    // The capture loop's steps after automatic exposure and white balance: colour
    // reconstruction when m_BayerFlg is set, else FlipRaw; then PostProcess.
    void ProcessFrame(CDibImage& raw, CDibImage& color, const CFrameSettings& settings);

private:
    // Makes picture like model (size and format) unless it is already.
    static bool KeepLike(CDibImage& picture, const CDibImage& model);

    // ProcessFrame with colour reconstruction when raw (8-bit) and color (24-bit) have one
    // size: every step row by row while the rows are in cache, the picture before
    // sharpening kept only as the four rows the sharpening window needs. false, with
    // nothing done, when the pictures do not fit that form or the row store cannot be made.
    bool StreamColourFrame(const CDibImage& raw, CDibImage& color, const CFrameSettings& settings);

    CDibImage m_ColorTemp;    // reconstruction target when color and raw differ in size
    CDibImage m_SharpenCopy;  // unchanged copy of the picture being sharpened
    CDibImage m_RowRing;      // the last four rows before sharpening, row y in row y % 4
};
