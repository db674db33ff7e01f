// CFrameProcessor. Three shortcuts give the same pixels as the plain sequence of
// temporaries and copies:
// - When raw and color have one size, Demosaic writes its rows straight into color in
//   reverse order (a negative stride) instead of into a temporary that is then copied
//   upside down. Only the two-pixel border, which Demosaic leaves alone, is zeroed
//   first, as it would be in a fresh temporary; AdjustHls then runs in place on color.
// - Gamma followed by contrast is one table, the contrast table applied to the gamma
//   table, in one pass over the picture.
// - With colour reconstruction into a picture of the raw frame's size, the whole chain
//   runs row by row (StreamColourFrame): each row is reconstructed, adjusted and mapped
//   through the tone table while it is in cache, and the sharpening of row y follows as
//   soon as row y + 2 is ready. Only the four rows that the sharpening window reads are
//   kept as they were before sharpening, in place of a copy of the whole picture.
#include "app/imaging/frame_processor.h"

#include "app/imaging/adjust_hls.h"
#include "app/imaging/binarize.h"
#include "app/imaging/demosaic.h"
#include "app/imaging/sharpen.h"
#include "app/imaging/tone_curves.h"
#include "app/imaging/trunc_int.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

CDemosaicParam DemosaicParamOf(const CFrameSettings& settings)
{
    return CDemosaicParam{settings.m_BayerMode, TruncToInt(settings.m_BayerR * 100),
                         TruncToInt(settings.m_BayerG * 100), TruncToInt(settings.m_BayerB * 100)};
}

bool HlsSelected(const CFrameSettings& settings)
{
    return settings.m_HLS.H != 0 || settings.m_HLS.L != 0 || settings.m_HLS.S != 0;
}

// Zeroes the two-pixel frame of a picture that Demosaic does not write.
void ZeroBorder(CDibImage& picture)
{
    const int nWidth = picture.Width();
    const int nHeight = picture.Height();
    const int nBpp = picture.BytesPerPixel();
    const std::size_t nRowBytes = static_cast<std::size_t>(nWidth) * nBpp;
    BYTE* pBits = picture.Bits();
    auto row = [&](int y) { return pBits + static_cast<std::size_t>(y) * picture.Stride(); };
    if (nWidth < 5 || nHeight < 5) {
        for (int y = 0; y < nHeight; ++y)
            std::memset(row(y), 0, nRowBytes);
        return;
    }
    for (int y : {0, 1, nHeight - 2, nHeight - 1})
        std::memset(row(y), 0, nRowBytes);
    const std::size_t nEdge = 2 * static_cast<std::size_t>(nBpp);
    for (int y = 2; y < nHeight - 2; ++y) {
        std::memset(row(y), 0, nEdge);
        std::memset(row(y) + nRowBytes - nEdge, 0, nEdge);
    }
}

// Copies src (same size and format as dst) into dst turned upside down.
void CopyUpsideDown(const CDibImage& src, CDibImage& dst)
{
    const std::size_t nRowBytes = static_cast<std::size_t>(src.Width()) * src.BytesPerPixel();
    const int nHeight = src.Height();
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(dst.Bits() + static_cast<std::size_t>(nHeight - 1 - y) * dst.Stride(),
                    src.Bits() + static_cast<std::size_t>(y) * src.Stride(), nRowBytes);
}

// Gamma and contrast as one table; false when neither is selected.
bool BuildToneTable(const CFrameSettings& settings, BYTE aTable[256])
{
    const bool bGamma = settings.Gamma != 100;
    const bool bContrast = settings.m_HLS.C != 0;
    if (bGamma)
        BuildGammaTable(settings.Gamma, aTable);
    if (bContrast) {
        BYTE aContrast[256];
        BuildContrastTable(settings.m_HLS.C, aContrast);
        for (int i = 0; i < 256; ++i)
            aTable[i] = aContrast[bGamma ? aTable[i] : i];
    }
    return bGamma || bContrast;
}

} // namespace

bool CFrameProcessor::KeepLike(CDibImage& picture, const CDibImage& model)
{
    if (picture.IsCreated() && picture.Width() == model.Width() && picture.Height() == model.Height() &&
        picture.BitCount() == model.BitCount())
        return true;
    return picture.CreateLike(&model);
}

bool CFrameProcessor::ReconstructColor(const CDibImage& raw, CDibImage& color, const CFrameSettings& settings)
{
    if (!raw.IsCreated() || !color.IsCreated())
        return false;
    CDemosaicParam demosaic = DemosaicParamOf(settings);
    CHlsParam hls{settings.m_HLS.H, settings.m_HLS.L, settings.m_HLS.S};

    if (raw.Width() == color.Width() && raw.Height() == color.Height() && color.BitCount() == 24) {
        ZeroBorder(color);
        const int nHeight = color.Height();
        BYTE* pLastRow = color.Bits() + static_cast<std::ptrdiff_t>(nHeight - 1) * color.Stride();
        DemosaicRows(pLastRow, -std::ptrdiff_t{color.Stride()}, color.BytesPerPixel(), raw.Bits(), raw.Stride(),
                     raw.BytesPerPixel(), raw.Width(), raw.Height(), demosaic);
        if (HlsSelected(settings))
            color.Apply(AdjustHls, color, nullptr, 0, 0, &hls);
        return true;
    }

    // Other sizes: a zeroed temporary like color, clipped as Apply clips.
    if (!KeepLike(m_ColorTemp, color))
        return false;
    std::memset(m_ColorTemp.Bits(), 0, static_cast<std::size_t>(m_ColorTemp.Stride()) * m_ColorTemp.Height());
    m_ColorTemp.Apply(Demosaic, raw, nullptr, 0, 0, &demosaic);
    if (HlsSelected(settings))
        m_ColorTemp.Apply(AdjustHls, m_ColorTemp, nullptr, 0, 0, &hls);
    CopyUpsideDown(m_ColorTemp, color);
    return true;
}

void CFrameProcessor::FlipRaw(CDibImage& raw)
{
    const std::size_t nRowBytes = static_cast<std::size_t>(raw.Width()) * raw.BytesPerPixel();
    const int nHeight = raw.Height();
    for (int y = 0; y < nHeight / 2; ++y) {
        BYTE* pTop = raw.Bits() + static_cast<std::size_t>(y) * raw.Stride();
        BYTE* pBottom = raw.Bits() + static_cast<std::size_t>(nHeight - 1 - y) * raw.Stride();
        std::swap_ranges(pTop, pTop + nRowBytes, pBottom);
    }
}

void CFrameProcessor::PostProcess(CDibImage& raw, CDibImage& color, const CFrameSettings& settings)
{
    const bool bColor = settings.m_BayerFlg != 0;
    CDibImage& picture = bColor ? color : raw;
    if (!picture.IsCreated())
        return;
    const int nChannels = bColor ? 3 : 1;
    const std::ptrdiff_t nStride = picture.Stride();
    const int nBpp = picture.BytesPerPixel();

    BYTE aTable[256];
    if (BuildToneTable(settings, aTable))
        ApplyToneTable(aTable, picture.Bits(), nStride, nBpp, picture.Bits(), nStride, nBpp, picture.Width(),
                       picture.Height(), nChannels);
    if (settings.m_HLS.SP != 0 && KeepLike(m_SharpenCopy, picture)) {
        m_SharpenCopy.BlitFrom(picture, nullptr, 0, 0);
        SharpenRows(picture.Bits(), nStride, nBpp, m_SharpenCopy.Bits(), m_SharpenCopy.Stride(), nBpp,
                    picture.Width(), picture.Height(), nChannels, settings.m_HLS.SP);
    }
    if (settings.m_BinaryFlg != 0)
        BinarizeRows(picture.Bits(), nStride, nBpp, picture.Bits(), nStride, nBpp, picture.Width(), picture.Height(),
                     nChannels, settings.m_Binary);
}

bool CFrameProcessor::StreamColourFrame(const CDibImage& raw, CDibImage& color, const CFrameSettings& settings)
{
    if (!raw.IsCreated() || !color.IsCreated() || raw.BitCount() != 8 || color.BitCount() != 24 ||
        raw.Width() != color.Width() || raw.Height() != color.Height())
        return false;
    const int nWidth = color.Width();
    const int nHeight = color.Height();
    const bool bSharpen = settings.m_HLS.SP != 0 && nWidth >= 5 && nHeight >= 5;
    if (bSharpen && !(m_RowRing.IsCreated() && m_RowRing.Width() == nWidth && m_RowRing.BitCount() == 24) &&
        !m_RowRing.Create(nWidth, 4, 24))
        return false;

    const CDemosaicParam demosaic = DemosaicParamOf(settings);
    const CHlsParam hls{settings.m_HLS.H, settings.m_HLS.L, settings.m_HLS.S};
    const bool bHls = HlsSelected(settings);
    BYTE aTable[256];
    const bool bTone = BuildToneTable(settings, aTable);
    const bool bBinarize = settings.m_BinaryFlg != 0;
    const std::size_t nRowBytes = static_cast<std::size_t>(nWidth) * 3;
    const std::size_t nEdge = 2 * 3;

    // Row y counts from the raw frame's first memory row; color holds it upside down.
    auto outputRow = [&](int y) { return color.Bits() + static_cast<std::ptrdiff_t>(nHeight - 1 - y) * color.Stride(); };
    auto ringRow = [&](int y) { return m_RowRing.Bits() + static_cast<std::ptrdiff_t>(y % 4) * m_RowRing.Stride(); };
    // Row y as it is before sharpening: reconstructed (its two-pixel frame black),
    // adjusted, mapped through the tone table.
    auto makeRow = [&](int y, BYTE* pRow) {
        if (y < 2 || y > nHeight - 3 || nWidth < 5) {
            std::memset(pRow, 0, nRowBytes);
        } else {
            std::memset(pRow, 0, nEdge);
            std::memset(pRow + nRowBytes - nEdge, 0, nEdge);
            DemosaicRow(pRow, raw.Bits(), raw.Stride(), nWidth, nHeight, y, demosaic);
        }
        if (bHls)
            AdjustHlsRows(pRow, 0, 3, pRow, 0, 3, nWidth, 1, hls);
        if (bTone)
            ApplyToneTable(aTable, pRow, 0, 3, pRow, 0, 3, nWidth, 1, 3);
    };
    auto binarize = [&](BYTE* pRow) {
        if (bBinarize)
            BinarizeRows(pRow, 0, 3, pRow, 0, 3, nWidth, 1, 3, settings.m_Binary);
    };

    if (!bSharpen) {
        for (int y = 0; y < nHeight; ++y) {
            makeRow(y, outputRow(y));
            binarize(outputRow(y));
        }
        return true;
    }
    // Rows the sharpening leaves as they are: the first and last two.
    auto finishEdgeRow = [&](int y) {
        std::memcpy(outputRow(y), ringRow(y), nRowBytes);
        binarize(outputRow(y));
    };
    for (int y = 0; y < nHeight; ++y) {
        makeRow(y, ringRow(y));
        if (y < 2) {
            finishEdgeRow(y);
        } else if (y >= 4) {
            // The window of row y - 2 is complete. Sharpening works on color's memory rows,
            // which run the other way: its window, memory rows m - 2 .. m + 1, is rows
            // y - 3 .. y here, the first of them y.
            const int nRow = y - 2;
            BYTE* pOut = outputRow(nRow);
            const BYTE* pOriginal = ringRow(nRow);
            std::memcpy(pOut, pOriginal, nEdge);
            std::memcpy(pOut + nRowBytes - nEdge, pOriginal + nRowBytes - nEdge, nEdge);
            SharpenRow(pOut, ringRow(y), ringRow(y - 1), pOriginal, ringRow(y - 3), nWidth, 3, settings.m_HLS.SP);
            binarize(pOut);
        }
    }
    finishEdgeRow(nHeight - 2);
    finishEdgeRow(nHeight - 1);
    return true;
}

void CFrameProcessor::ProcessFrame(CDibImage& raw, CDibImage& color, const CFrameSettings& settings)
{
    if (settings.m_BayerFlg != 0 && StreamColourFrame(raw, color, settings))
        return;
    if (settings.m_BayerFlg != 0)
        ReconstructColor(raw, color, settings);
    else
        FlipRaw(raw);
    PostProcess(raw, color, settings);
}
