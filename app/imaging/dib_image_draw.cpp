// Drawing operations of CDibImage: solid fill, one-to-one copy and stretch copy.
#include "app/imaging/dib_image.h"

#include "app/imaging/palette_match.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Writes pixels between the two formats a picture can have.
struct CPixelCopier {
    int nDstBpp;
    int nSrcBpp;
    const RGBQUAD* pSrcTable; // colours of an 8-bit source
    CPaletteMatcher* pMatcher; // nearest entry for an 8-bit destination

    void operator()(BYTE* pDst, const BYTE* pSrc) const
    {
        if (nDstBpp == nSrcBpp) {
            pDst[0] = pSrc[0];
            if (nDstBpp == 3) {
                pDst[1] = pSrc[1];
                pDst[2] = pSrc[2];
            }
        } else if (nDstBpp == 3) {
            const RGBQUAD& entry = pSrcTable[pSrc[0]];
            pDst[0] = entry.rgbBlue;
            pDst[1] = entry.rgbGreen;
            pDst[2] = entry.rgbRed;
        } else {
            pDst[0] = pMatcher->Match(pSrc[0], pSrc[1], pSrc[2]);
        }
    }
};

// The part [nFirst, nEnd) of a run of nCount steps from nOrigin in direction nStep
// (+1 or -1) that stays inside [0, nLimit).
struct CRunClip {
    long long nFirst;
    long long nEnd;
};

CRunClip ClipRun(long long nOrigin, long long nCount, int nStep, long long nLimit)
{
    CRunClip clip{};
    if (nStep > 0) {
        clip.nFirst = std::max(0LL, -nOrigin);
        clip.nEnd = std::min(nCount, nLimit - nOrigin);
    } else {
        clip.nFirst = std::max(0LL, nOrigin - nLimit + 1);
        clip.nEnd = std::min(nCount, nOrigin + 1);
    }
    return clip;
}

} // namespace

BOOL CDibImage::Fill(const RECT* pRect, COLORREF clr)
{
    if (!IsCreated())
        return FALSE;
    const RECT rcWanted = pRect != nullptr ? *pRect : Bounds();
    const int nLeft = std::max<LONG>(rcWanted.left, 0);
    const int nTop = std::max<LONG>(rcWanted.top, 0);
    const int nRight = std::min<LONG>(rcWanted.right, m_nWidth);
    const int nBottom = std::min<LONG>(rcWanted.bottom, m_nHeight);
    if (nLeft >= nRight || nTop >= nBottom)
        return TRUE;

    const std::size_t nCols = static_cast<std::size_t>(nRight - nLeft);
    if (m_nBitCount == 8) {
        CPaletteMatcher matcher(m_ColorTable);
        const BYTE nIndex = matcher.Match(GetBValue(clr), GetGValue(clr), GetRValue(clr));
        for (int y = nTop; y < nBottom; ++y)
            std::memset(MemoryRow(y) + nLeft, nIndex, nCols);
        return TRUE;
    }
    BYTE* pFirst = MemoryRow(nTop) + 3 * nLeft;
    for (std::size_t x = 0; x < nCols; ++x) {
        pFirst[3 * x] = GetBValue(clr);
        pFirst[3 * x + 1] = GetGValue(clr);
        pFirst[3 * x + 2] = GetRValue(clr);
    }
    for (int y = nTop + 1; y < nBottom; ++y)
        std::memcpy(MemoryRow(y) + 3 * nLeft, pFirst, 3 * nCols);
    return TRUE;
}

void CDibImage::BlitFrom(const CDibImage& src, const RECT* pSrcRect, int x, int y)
{
    CApplyFrame frame;
    if (!ClipForApply(src, pSrcRect, x, y, frame))
        return;
    const int nRows = frame.rcSrc.bottom - frame.rcSrc.top;
    const int nCols = frame.rcSrc.right - frame.rcSrc.left;
    auto srcRow = [&](int i) {
        return frame.pSrc + static_cast<std::size_t>(frame.rcSrc.top + i) * frame.nSrcStride +
               static_cast<std::size_t>(frame.rcSrc.left) * frame.nSrcBpp;
    };
    auto dstRow = [&](int i) {
        return frame.pDst + static_cast<std::size_t>(frame.nDstY + i) * frame.nDstStride +
               static_cast<std::size_t>(frame.nDstX) * frame.nDstBpp;
    };

    if (frame.nDstBpp == frame.nSrcBpp) {
        const std::size_t nBytes = static_cast<std::size_t>(nCols) * frame.nDstBpp;
        // Within one picture, rows are taken in the order that reads each before it is
        // overwritten.
        if (&src == this && frame.nDstY > frame.rcSrc.top) {
            for (int i = nRows - 1; i >= 0; --i)
                std::memmove(dstRow(i), srcRow(i), nBytes);
        } else {
            for (int i = 0; i < nRows; ++i)
                std::memmove(dstRow(i), srcRow(i), nBytes);
        }
        return;
    }

    CPaletteMatcher matcher(m_ColorTable);
    const CPixelCopier copy{frame.nDstBpp, frame.nSrcBpp, src.m_ColorTable, &matcher};
    for (int i = 0; i < nRows; ++i) {
        const BYTE* pSrc = srcRow(i);
        BYTE* pDst = dstRow(i);
        for (int c = 0; c < nCols; ++c)
            copy(pDst + c * frame.nDstBpp, pSrc + c * frame.nSrcBpp);
    }
}

BOOL CDibImage::StretchFrom(const CDibImage& src, const RECT& rcSrc, const RECT& rcDst)
{
    if (!IsCreated() || !src.IsCreated() || &src == this)
        return FALSE;
    const long long nSrcW = static_cast<long long>(rcSrc.right) - rcSrc.left;
    const long long nSrcH = static_cast<long long>(rcSrc.bottom) - rcSrc.top;
    const long long nDstW = static_cast<long long>(rcDst.right) - rcDst.left;
    const long long nDstH = static_cast<long long>(rcDst.bottom) - rcDst.top;
    if (nSrcW == 0 || nSrcH == 0 || nDstW == 0 || nDstH == 0)
        return FALSE;
    const int nSrcStepX = nSrcW > 0 ? 1 : -1;
    const int nSrcStepY = nSrcH > 0 ? 1 : -1;
    const int nDstStepX = nDstW > 0 ? 1 : -1;
    const int nDstStepY = nDstH > 0 ? 1 : -1;
    const long long nRunSrcX = std::llabs(nSrcW), nRunSrcY = std::llabs(nSrcH);
    const long long nRunDstX = std::llabs(nDstW), nRunDstY = std::llabs(nDstH);

    // Source column of every destination column of this picture, -1 where none.
    std::unique_ptr<int[]> pColumnOf(new (std::nothrow) int[static_cast<std::size_t>(m_nWidth)]);
    if (pColumnOf == nullptr)
        return FALSE;
    std::fill_n(pColumnOf.get(), m_nWidth, -1);
    const CRunClip cols = ClipRun(rcDst.left, nRunDstX, nDstStepX, m_nWidth);
    for (long long i = cols.nFirst; i < cols.nEnd; ++i) {
        const long long nSrcX = rcSrc.left + nSrcStepX * (i * nRunSrcX / nRunDstX);
        if (nSrcX >= 0 && nSrcX < src.m_nWidth)
            pColumnOf[rcDst.left + nDstStepX * i] = static_cast<int>(nSrcX);
    }

    // With equal runs in the same direction and one format, rows are plain copies.
    // The mapped columns then form one contiguous run [nDirectFirst, nDirectEnd).
    const bool bDirect = nSrcW == nDstW && nSrcW > 0 && m_nBitCount == src.m_nBitCount;
    int nDirectFirst = 0;
    while (nDirectFirst < m_nWidth && pColumnOf[nDirectFirst] < 0)
        ++nDirectFirst;
    int nDirectEnd = nDirectFirst;
    while (nDirectEnd < m_nWidth && pColumnOf[nDirectEnd] >= 0)
        ++nDirectEnd;
    const int nBpp = BytesPerPixel();
    CPaletteMatcher matcher(m_ColorTable);
    const CPixelCopier copy{nBpp, src.BytesPerPixel(), src.m_ColorTable, &matcher};

    const CRunClip rows = ClipRun(rcDst.top, nRunDstY, nDstStepY, m_nHeight);
    for (long long i = rows.nFirst; i < rows.nEnd; ++i) {
        const long long nSrcY = rcSrc.top + nSrcStepY * (i * nRunSrcY / nRunDstY);
        if (nSrcY < 0 || nSrcY >= src.m_nHeight)
            continue;
        const BYTE* pSrcRow = src.MemoryRow(static_cast<int>(nSrcY));
        BYTE* pDstRow = MemoryRow(static_cast<int>(rcDst.top + nDstStepY * i));
        if (bDirect) {
            if (nDirectEnd > nDirectFirst)
                std::memcpy(pDstRow + static_cast<std::size_t>(nDirectFirst) * nBpp,
                            pSrcRow + static_cast<std::size_t>(pColumnOf[nDirectFirst]) * nBpp,
                            static_cast<std::size_t>(nDirectEnd - nDirectFirst) * nBpp);
            continue;
        }
        for (int x = 0; x < m_nWidth; ++x) {
            if (pColumnOf[x] >= 0)
                copy(pDstRow + static_cast<std::size_t>(x) * nBpp,
                     pSrcRow + static_cast<std::size_t>(pColumnOf[x]) * src.BytesPerPixel());
        }
    }
    return TRUE;
}
