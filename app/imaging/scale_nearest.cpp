// ScaleNearest. The ratios and their products are single precision, as the display's
// arithmetic defines them; the source column of every destination column is worked out
// once per call (in chunks) and reused for all rows, and a destination row that takes
// the same source row as the one before is copied from it.
#include "app/imaging/scale_nearest.h"

#include "app/imaging/trunc_int.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Destination columns per pass.
constexpr int SCALE_CHUNK = 1024;

// trunc(fRatio * n) clamped to 0 .. nLimit - 1.
int SourceIndex(float fRatio, int n, int nLimit)
{
    const float fProduct = fRatio * static_cast<float>(n);
    return std::clamp(TruncToInt(fProduct), 0, nLimit - 1);
}

template <int BYTES>
void ScaleRows(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW, int nDstH, int nSrcW,
               int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride)
{
    const int w = rcDst.right - rcDst.left;
    const int h = rcDst.bottom - rcDst.top;
    if (w <= 0 || h <= 0 || nSrcW <= 0 || nSrcH <= 0 || nDstBpp < BYTES || nSrcBpp < BYTES)
        return;
    const float fRatioY = static_cast<float>(rcSrc.bottom - rcSrc.top) / static_cast<float>(h);
    const float fRatioX = static_cast<float>(rcSrc.right - rcSrc.left) / static_cast<float>(w);

    // Destination columns and rows that lie inside the destination picture.
    const int nFirstCol = std::max(0, -rcDst.left);
    const int nEndCol = std::min(w, nDstW - rcDst.left);
    const int nFirstRow = std::max(0, -rcDst.top);
    const int nEndRow = std::min(h, nDstH - rcDst.top);

    std::ptrdiff_t aOffset[SCALE_CHUNK];
    for (int j0 = nFirstCol; j0 < nEndCol; j0 += SCALE_CHUNK) {
        const int n = std::min(SCALE_CHUNK, nEndCol - j0);
        // The leading columns whose source pixel is not the row's last.
        int nFourByteEnd = 0;
        for (int j = 0; j < n; ++j) {
            const int nSourceColumn = SourceIndex(fRatioX, j0 + j, nSrcW);
            aOffset[j] = std::ptrdiff_t{nSourceColumn} * nSrcBpp;
            if (nSourceColumn < nSrcW - 1 && j < n - 1 && nFourByteEnd == j)
                nFourByteEnd = j + 1;
        }
        int nPrevSourceRow = -1;
        BYTE* pPrevOut = nullptr;
        for (int i = nFirstRow; i < nEndRow; ++i) {
            const int nSourceRow = SourceIndex(fRatioY, i, nSrcH);
            BYTE* pOut = pDst + std::ptrdiff_t{rcDst.top + i} * nDstStride + std::ptrdiff_t{rcDst.left + j0} * nDstBpp;
            if (nSourceRow == nPrevSourceRow && nDstBpp == BYTES) {
                std::memcpy(pOut, pPrevOut, static_cast<std::size_t>(n) * BYTES);
            } else {
                const BYTE* pIn = pSrc + std::ptrdiff_t{nSourceRow} * nSrcStride;
                int j = 0;
                if constexpr (BYTES == 3) {
                    // Packed pixels go four bytes at a time: the fourth byte read is the next
                    // source pixel's first, the fourth written the next destination pixel's
                    // first, which the next copy overwrites. So only while both exist.
                    if (nDstBpp == 3 && nSrcBpp == 3)
                        for (; j < nFourByteEnd; ++j) {
                            std::uint32_t nPixel;
                            std::memcpy(&nPixel, pIn + aOffset[j], 4);
                            std::memcpy(pOut + 3 * j, &nPixel, 4);
                        }
                }
                for (; j < n; ++j) {
                    const BYTE* p = pIn + aOffset[j];
                    BYTE* q = pOut + std::ptrdiff_t{j} * nDstBpp;
                    for (int c = 0; c < BYTES; ++c)
                        q[c] = p[c];
                }
            }
            nPrevSourceRow = nSourceRow;
            pPrevOut = pOut;
        }
    }
}

} // namespace

int ScaleNearest8(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW, int nDstH, int nSrcW,
                  int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, void* /*pParam*/,
                  int /*nExtra*/)
{
    ScaleRows<1>(pDst, pSrc, rcDst, rcSrc, nDstW, nDstH, nSrcW, nSrcH, nDstBpp, nSrcBpp, nDstStride, nSrcStride);
    return 1;
}

int ScaleNearest24(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW, int nDstH,
                   int nSrcW, int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, void* /*pParam*/,
                   int /*nExtra*/)
{
    ScaleRows<3>(pDst, pSrc, rcDst, rcSrc, nDstW, nDstH, nSrcW, nSrcH, nDstBpp, nSrcBpp, nDstStride, nSrcStride);
    return 1;
}
