#include "app/imaging/bmp_rle.h"

#include <algorithm>
#include <cstring>

namespace {

// The position the stream writes at, and the clipped writing of indices there.
// Positions are kept wide: a hostile stream may move far beyond the picture.
class CRleTarget {
public:
    CRleTarget(BYTE* pRows, std::size_t nRowBytes, int nBitCount, int nWidth, int nHeight)
        : m_pRows(pRows), m_nRowBytes(nRowBytes), m_nBitCount(nBitCount), m_nWidth(nWidth), m_nHeight(nHeight)
    {
    }

    // Past the top line: nothing more can be written.
    bool IsPastTop() const { return m_nY >= m_nHeight; }
    // No pixel is left that the stream could still write.
    bool IsComplete() const { return IsPastTop() || (m_nY == m_nHeight - 1 && m_nX >= m_nWidth); }

    void EndOfLine()
    {
        m_nX = 0;
        ++m_nY;
    }
    void Move(int nRight, int nUp)
    {
        m_nX = std::min(m_nX + nRight, static_cast<long long>(m_nWidth));
        m_nY += nUp;
    }

    // n pixels of the run value: all of it (8 bits), or its nibbles taking turns.
    void Run(int n, BYTE nValue)
    {
        const int nKept = Kept(n);
        BYTE* pRow = Row();
        if (m_nBitCount == 8) {
            std::memset(pRow + m_nX, nValue, static_cast<std::size_t>(nKept));
        } else {
            for (int i = 0; i < nKept; ++i)
                PutNibble(pRow, m_nX + i, (i & 1) ? (nValue & 0x0F) : (nValue >> 4));
        }
        Advance(n);
    }

    // n indices stored as in an uncompressed row (bytes or nibbles, high first).
    void Absolute(const BYTE* pIndices, int n)
    {
        const int nKept = Kept(n);
        BYTE* pRow = Row();
        if (m_nBitCount == 8) {
            std::memcpy(pRow + m_nX, pIndices, static_cast<std::size_t>(nKept));
        } else {
            for (int i = 0; i < nKept; ++i)
                PutNibble(pRow, m_nX + i, (i & 1) ? (pIndices[i / 2] & 0x0F) : (pIndices[i / 2] >> 4));
        }
        Advance(n);
    }

private:
    // How many of n pixels from the position lie inside the row.
    int Kept(int n) const { return static_cast<int>(std::clamp<long long>(m_nWidth - m_nX, 0, n)); }
    BYTE* Row() const { return m_pRows + static_cast<std::size_t>(m_nY) * m_nRowBytes; }
    void Advance(int n) { m_nX = std::min(m_nX + n, static_cast<long long>(m_nWidth)); }
    static void PutNibble(BYTE* pRow, long long nX, int nIndex)
    {
        BYTE& byte = pRow[nX / 2];
        byte = (nX & 1) ? static_cast<BYTE>((byte & 0xF0) | nIndex) : static_cast<BYTE>((byte & 0x0F) | (nIndex << 4));
    }

    BYTE* m_pRows;
    std::size_t m_nRowBytes;
    int m_nBitCount;
    int m_nWidth;
    int m_nHeight;
    long long m_nX = 0;
    long long m_nY = 0; // lines up from the bottom line
};

} // namespace

bool ExpandBmpRle(const BYTE* pStream, std::size_t nStreamBytes, int nBitCount, int nWidth, int nHeight,
                  BYTE* pRows, std::size_t nRowBytes)
{
    if ((nBitCount != 8 && nBitCount != 4) || nWidth <= 0 || nHeight <= 0 || pRows == nullptr ||
        (pStream == nullptr && nStreamBytes > 0) ||
        nRowBytes < (static_cast<std::size_t>(nWidth) * nBitCount + 7) / 8)
        return false;
    std::memset(pRows, 0, nRowBytes * static_cast<std::size_t>(nHeight));

    CRleTarget target(pRows, nRowBytes, nBitCount, nWidth, nHeight);
    std::size_t i = 0;
    // Each return inside the loop is the stream running out before its end of bitmap.
    while (!target.IsPastTop()) {
        if (nStreamBytes - i < 2)
            return target.IsComplete();
        const BYTE nCount = pStream[i];
        const BYTE nValue = pStream[i + 1];
        i += 2;
        if (nCount > 0) {
            target.Run(nCount, nValue);
            continue;
        }
        switch (nValue) {
        case 0:
            target.EndOfLine();
            break;
        case 1:
            return true;
        case 2:
            if (nStreamBytes - i < 2)
                return target.IsComplete();
            target.Move(pStream[i], pStream[i + 1]);
            i += 2;
            break;
        default: {
            const std::size_t nBytes = nBitCount == 8 ? nValue : (nValue + 1u) / 2;
            if (nStreamBytes - i < nBytes)
                return target.IsComplete();
            target.Absolute(pStream + i, nValue);
            // The pad byte to an even count may be missing at the very end.
            i = std::min(i + nBytes + (nBytes & 1), nStreamBytes);
            break;
        }
        }
    }
    return true;
}
