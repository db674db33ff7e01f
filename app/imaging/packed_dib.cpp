#include "app/imaging/packed_dib.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t INFO_HEADER_SIZE = sizeof(BITMAPINFOHEADER); // 40
constexpr std::size_t MASKS_SIZE = 3 * sizeof(DWORD);
// Headers from 52 bytes on (V2, V3, V4, V5) carry the colour masks themselves.
constexpr std::size_t HEADER_WITH_MASKS_SIZE = 52;

DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

} // namespace

CPackedDib::CChannel CPackedDib::MakeChannel(DWORD dwMask)
{
    CChannel channel;
    channel.dwMask = dwMask;
    if (dwMask != 0) {
        channel.nShift = std::countr_zero(dwMask);
        channel.nBits = std::bit_width(dwMask >> channel.nShift);
    }
    return channel;
}

// Scales a masked field to 0..255: wide fields keep their top 8 bits, narrow ones are
// stretched so that their largest value becomes 255 (5 bits: 31 -> 255, 16 -> 132).
BYTE CPackedDib::CChannel::Extract(DWORD dwPixel) const
{
    if (nBits == 0)
        return 0;
    const DWORD dwValue = (dwPixel & dwMask) >> nShift;
    if (nBits >= 8)
        return static_cast<BYTE>(dwValue >> (nBits - 8));
    const DWORD dwMax = (DWORD{1} << nBits) - 1;
    return static_cast<BYTE>((dwValue * 255 + dwMax / 2) / dwMax);
}

bool CPackedDib::Parse(const BYTE* pData, std::size_t nSize, std::size_t nPixelOffset)
{
    if (!ParseHead(pData, nSize, nSize, nPixelOffset))
        return false;
    m_pHeaderInData = reinterpret_cast<const BITMAPINFOHEADER*>(pData);
    m_pTable = m_nColorCount > 0 ? reinterpret_cast<const RGBQUAD*>(pData + m_nTableOffset) : nullptr;
    m_pPixels = pData + m_nPixelOffset;
    if (IsIndexed()) {
        for (int i = 0; i < m_nColorCount && i < 256; ++i) {
            const BYTE entry[4] = {m_pTable[i].rgbBlue, m_pTable[i].rgbGreen, m_pTable[i].rgbRed, 0};
            std::memcpy(&m_IndexColors[i], entry, sizeof(entry));
        }
    }
    return true;
}

bool CPackedDib::ParseHead(const BYTE* pHead, std::size_t nHeadBytes, std::size_t nSize, std::size_t nPixelOffset)
{
    *this = CPackedDib{};
    if (pHead == nullptr || nSize < INFO_HEADER_SIZE || nHeadBytes < INFO_HEADER_SIZE || nHeadBytes > nSize)
        return false;

    BITMAPINFOHEADER header;
    std::memcpy(&header, pHead, INFO_HEADER_SIZE);
    if (header.biSize < INFO_HEADER_SIZE || header.biSize > nSize)
        return false;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return false;

    const int nBitCount = header.biBitCount;
    switch (header.biCompression) {
    case BI_RGB:
        if (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 16 && nBitCount != 24 &&
            nBitCount != 32)
            return false;
        break;
    case BI_BITFIELDS:
        if (nBitCount != 16 && nBitCount != 32)
            return false;
        break;
    default:
        return false; // run-length, JPEG and PNG compressed bitmaps are not read
    }

    // Colour masks, then the colour table, follow the header.
    std::uint64_t nTableStart = header.biSize;
    DWORD dwRed = 0, dwGreen = 0, dwBlue = 0;
    if (header.biCompression == BI_BITFIELDS) {
        std::uint64_t nMasksAt = INFO_HEADER_SIZE;
        if (header.biSize < HEADER_WITH_MASKS_SIZE) {
            if (nTableStart + MASKS_SIZE > nSize)
                return false;
            nMasksAt = header.biSize;
            nTableStart += MASKS_SIZE;
        }
        if (nMasksAt + MASKS_SIZE > nHeadBytes)
            return false; // only when the head is not the whole bitmap
        const BYTE* pMasks = pHead + nMasksAt;
        dwRed = ReadDword(pMasks);
        dwGreen = ReadDword(pMasks + 4);
        dwBlue = ReadDword(pMasks + 8);
    } else if (nBitCount == 16) {
        dwRed = 0x7C00, dwGreen = 0x03E0, dwBlue = 0x001F;
    } else if (nBitCount == 32) {
        dwRed = 0x00FF0000, dwGreen = 0x0000FF00, dwBlue = 0x000000FF;
    }

    std::uint64_t nColors = header.biClrUsed;
    if (nColors == 0 && nBitCount <= 8)
        nColors = std::uint64_t{1} << nBitCount;
    const std::uint64_t nTableEnd = nTableStart + nColors * sizeof(RGBQUAD);
    if (nColors > INT_MAX || nTableEnd > nSize)
        return false;

    const std::uint64_t nRowBytes = (static_cast<std::uint64_t>(nBitCount) * header.biWidth + 31) / 32 * 4;
    const std::uint64_t nHeight =
        header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight;
    const std::uint64_t nPixelStart = nPixelOffset >= nTableEnd && nPixelOffset <= nSize ? nPixelOffset : nTableEnd;
    if (nHeight > (nSize - nPixelStart) / nRowBytes)
        return false;

    m_Header = header;
    m_nTableOffset = static_cast<std::size_t>(nTableStart);
    m_nPixelOffset = static_cast<std::size_t>(nPixelStart);
    m_nColorCount = static_cast<int>(nColors);
    m_nWidth = header.biWidth;
    m_nHeight = static_cast<int>(nHeight);
    m_nBitCount = nBitCount;
    m_bTopDown = header.biHeight < 0;
    m_nRowBytes = static_cast<std::size_t>(nRowBytes);
    m_Red = MakeChannel(dwRed);
    m_Green = MakeChannel(dwGreen);
    m_Blue = MakeChannel(dwBlue);
    return true;
}

const BYTE* CPackedDib::Row(int y) const
{
    const int nStored = m_bTopDown ? y : m_nHeight - 1 - y;
    return m_pPixels + static_cast<std::size_t>(nStored) * m_nRowBytes;
}

BYTE CPackedDib::IndexAt(const BYTE* pRow, int x) const
{
    switch (m_nBitCount) {
    case 1:
        return static_cast<BYTE>((pRow[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return static_cast<BYTE>((x & 1) ? (pRow[x >> 1] & 0x0F) : (pRow[x >> 1] >> 4));
    default:
        return pRow[x];
    }
}

void CPackedDib::ColorAt(const BYTE* pRow, int x, BYTE& nBlue, BYTE& nGreen, BYTE& nRed) const
{
    switch (m_nBitCount) {
    case 1:
    case 4:
    case 8: {
        const int nIndex = IndexAt(pRow, x);
        if (nIndex < m_nColorCount) {
            nBlue = m_pTable[nIndex].rgbBlue;
            nGreen = m_pTable[nIndex].rgbGreen;
            nRed = m_pTable[nIndex].rgbRed;
        } else {
            nBlue = nGreen = nRed = 0;
        }
        return;
    }
    case 24:
        nBlue = pRow[3 * x];
        nGreen = pRow[3 * x + 1];
        nRed = pRow[3 * x + 2];
        return;
    case 16: {
        const DWORD dwPixel = static_cast<DWORD>(pRow[2 * x]) | (static_cast<DWORD>(pRow[2 * x + 1]) << 8);
        nBlue = m_Blue.Extract(dwPixel);
        nGreen = m_Green.Extract(dwPixel);
        nRed = m_Red.Extract(dwPixel);
        return;
    }
    default: {
        const DWORD dwPixel = ReadDword(pRow + 4 * static_cast<std::size_t>(x));
        nBlue = m_Blue.Extract(dwPixel);
        nGreen = m_Green.Extract(dwPixel);
        nRed = m_Red.Extract(dwPixel);
        return;
    }
    }
}

void CPackedDib::RowColors(const BYTE* pRow, int nCount, BYTE* pBgr) const
{
    if (nCount <= 0)
        return;
    switch (m_nBitCount) {
    case 24:
        std::memcpy(pBgr, pRow, static_cast<std::size_t>(nCount) * 3);
        return;
    case 8: {
        // Four bytes stored per column, the spare one overwritten by the next column;
        // the last column gets its three alone, so nothing lands beyond the row.
        const int nLast = nCount - 1;
        for (int x = 0; x < nLast; ++x)
            std::memcpy(pBgr + 3 * static_cast<std::size_t>(x), &m_IndexColors[pRow[x]], 4);
        std::memcpy(pBgr + 3 * static_cast<std::size_t>(nLast), &m_IndexColors[pRow[nLast]], 3);
        return;
    }
    case 1:
    case 4:
        for (int x = 0; x < nCount; ++x)
            std::memcpy(pBgr + 3 * static_cast<std::size_t>(x), &m_IndexColors[IndexAt(pRow, x)], 3);
        return;
    default:
        for (int x = 0; x < nCount; ++x) {
            BYTE* pPixel = pBgr + 3 * static_cast<std::size_t>(x);
            ColorAt(pRow, x, pPixel[0], pPixel[1], pPixel[2]);
        }
        return;
    }
}
