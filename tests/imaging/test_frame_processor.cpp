// CFrameProcessor against the capture loop's plain sequence: fresh temporaries, Apply of
// each routine, upside-down stretch copies.
#include "app/imaging/adjust_hls.h"
#include "app/imaging/binarize.h"
#include "app/imaging/demosaic.h"
#include "app/imaging/frame_processor.h"
#include "app/imaging/sharpen.h"
#include "app/imaging/tone_curves.h"
#include "tests/imaging/pixel_reference.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

Bytes AllBytes(const CDibImage& image)
{
    return Bytes(image.Bits(), image.Bits() + image.Stride() * image.Height());
}

void FlipInto(const CDibImage& temp, CDibImage& target)
{
    const RECT rcSource{0, temp.Height() - 1, temp.Width(), -1};
    const RECT rcTarget{0, 0, target.Width(), target.Height()};
    target.StretchFrom(temp, rcSource, rcTarget);
}

// The steps as the capture loop lists them, one routine and one temporary at a time.
void PlainSequence(CDibImage& raw, CDibImage& color, const CFrameSettings& s)
{
    if (s.m_BayerFlg) {
        CDibImage temp;
        temp.CreateLike(&color);
        CDemosaicParam demosaic{s.m_BayerMode, static_cast<int>(s.m_BayerR * 100), static_cast<int>(s.m_BayerG * 100),
                               static_cast<int>(s.m_BayerB * 100)};
        temp.Apply(Demosaic, raw, nullptr, 0, 0, &demosaic);
        if (s.m_HLS.H || s.m_HLS.L || s.m_HLS.S) {
            CHlsParam hls{s.m_HLS.H, s.m_HLS.L, s.m_HLS.S};
            temp.Apply(AdjustHls, temp, nullptr, 0, 0, &hls);
        }
        FlipInto(temp, color);
    } else {
        CDibImage temp;
        temp.CreateLike(&raw);
        temp.BlitFrom(raw, nullptr, 0, 0);
        FlipInto(temp, raw);
    }
    CDibImage& picture = s.m_BayerFlg ? color : raw;
    const bool b24 = s.m_BayerFlg != 0;
    int nGamma = s.Gamma, nContrast = s.m_HLS.C, nStrength = s.m_HLS.SP, nThreshold = s.m_Binary;
    if (nGamma != 100)
        picture.Apply(b24 ? Gamma24 : Gamma8, picture, nullptr, 0, 0, &nGamma);
    if (nContrast != 0)
        picture.Apply(b24 ? Contrast24 : Contrast8, picture, nullptr, 0, 0, &nContrast);
    if (nStrength != 0) {
        CDibImage copy;
        copy.CreateLike(&picture);
        copy.BlitFrom(picture, nullptr, 0, 0);
        picture.Apply(b24 ? Sharpen24 : Sharpen8, copy, nullptr, 0, 0, &nStrength);
    }
    if (s.m_BinaryFlg)
        picture.Apply(b24 ? Binarize24 : Binarize8, picture, nullptr, 0, 0, &nThreshold);
}

CFrameSettings ColourSettings()
{
    CFrameSettings s;
    s.m_BayerFlg = 1;
    s.m_BayerMode = 2;
    s.m_BayerR = 1.37;
    s.m_BayerB = 0.81;
    s.m_HLS = {25, 40, -30, 20, 12};
    s.Gamma = 140;
    return s;
}

struct CFrames {
    CDibImage raw, color;
    CFrames(int nWidth, int nHeight, int nColorWidth, unsigned nSeed)
    {
        raw.Create(nWidth, nHeight, 8);
        color.Create(nColorWidth, nHeight, 24);
        FillRandom(raw, nSeed);
        FillRandom(color, nSeed + 1); // the last frame's picture, to be overwritten
    }
};

} // namespace

TEST(FrameProcessor, ColourChainMatchesThePlainSequenceFrameAfterFrame)
{
    CFrameProcessor processor;
    for (int nColorWidth : {64, 21}) { // same size as the raw frame, and narrower (m_RGBFlg)
        for (unsigned nFrame = 0; nFrame < 3; ++nFrame) {
            CFrameSettings s = ColourSettings();
            s.m_BinaryFlg = nFrame == 2;
            s.m_Binary = 100;
            CFrames mine(64, 48, nColorWidth, 10 * nFrame + 1), plain(64, 48, nColorWidth, 10 * nFrame + 1);
            processor.ProcessFrame(mine.raw, mine.color, s);
            PlainSequence(plain.raw, plain.color, s);
            EXPECT_EQ(AllBytes(plain.color), AllBytes(mine.color)) << nColorWidth << " frame " << nFrame;
            EXPECT_EQ(AllBytes(plain.raw), AllBytes(mine.raw)) << "raw is left as it was";
        }
    }
}

// The row-by-row colour chain against the plain sequence for every combination of the
// selectable steps, on sizes with row padding, a frame too small to reconstruct or
// sharpen, and strengths in each range of the sharpening arithmetic.
TEST(FrameProcessor, ColourChainMatchesThePlainSequenceForEverySelection)
{
    struct CSize {
        int nWidth, nHeight;
    };
    CFrameProcessor processor;
    unsigned nSeed = 100;
    for (CSize size : {CSize{37, 11}, CSize{5, 5}, CSize{4, 9}, CSize{9, 4}, CSize{64, 6}})
        for (int nSelection = 0; nSelection < 8; ++nSelection)
            for (int nStrength : {0, 12, -300, 20000000}) {
                CFrameSettings s = ColourSettings();
                s.m_BayerMode = nSelection % 4;
                if ((nSelection & 1) != 0)
                    s.m_HLS.H = s.m_HLS.L = s.m_HLS.S = 0;
                if ((nSelection & 2) != 0)
                    s.Gamma = 100;
                if ((nSelection & 2) != 0 && (nSelection & 4) != 0)
                    s.m_HLS.C = 0;
                s.m_HLS.SP = nStrength;
                s.m_BinaryFlg = (nSelection & 4) != 0;
                s.m_Binary = 90;
                ++nSeed;
                CFrames mine(size.nWidth, size.nHeight, size.nWidth, nSeed);
                CFrames plain(size.nWidth, size.nHeight, size.nWidth, nSeed);
                processor.ProcessFrame(mine.raw, mine.color, s);
                PlainSequence(plain.raw, plain.color, s);
                ASSERT_EQ(AllBytes(plain.color), AllBytes(mine.color))
                    << size.nWidth << "x" << size.nHeight << " selection " << nSelection << " strength " << nStrength;
            }
}

TEST(FrameProcessor, GrayChainFlipsTheRawFrameAndUsesEightBitRoutines)
{
    CFrameProcessor processor;
    CFrameSettings s;
    s.Gamma = 60;
    s.m_HLS.C = -20;
    s.m_HLS.SP = 25;
    s.m_HLS.L = 100; // hue/lightness/saturation only act with colour reconstruction
    for (int nHeight : {33, 34}) {
        CFrames mine(40, nHeight, 40, 5), plain(40, nHeight, 40, 5);
        processor.ProcessFrame(mine.raw, mine.color, s);
        PlainSequence(plain.raw, plain.color, s);
        EXPECT_EQ(AllBytes(plain.raw), AllBytes(mine.raw)) << nHeight;
        EXPECT_EQ(AllBytes(plain.color), AllBytes(mine.color)) << "color is left alone";
    }
}

TEST(FrameProcessor, NothingSelectedChangesNothing)
{
    CFrameProcessor processor;
    CFrames frames(16, 12, 16, 3);
    const Bytes before = AllBytes(frames.color);
    CFrameSettings s;
    s.m_BayerFlg = 1; // defaults otherwise: nothing selected
    processor.PostProcess(frames.raw, frames.color, s);
    EXPECT_EQ(before, AllBytes(frames.color));

    CDibImage empty;
    EXPECT_FALSE(processor.ReconstructColor(frames.raw, empty, s));
}
