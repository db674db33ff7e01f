// Reader of packed device-independent bitmaps (info header, colour table, pixel rows)
// held in memory, with every size checked against the bytes actually available.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Accepts uncompressed bitmaps of 1, 4, 8, 16, 24 and 32 bits per pixel (BI_RGB), and
// 16 and 32 bits with colour masks (BI_BITFIELDS: three DWORD masks after a 40-byte
// header, or inside a larger header). Heights may be positive (rows stored bottom-up)
// or negative (top-down). The reader only points into the caller's memory.
class CPackedDib {
public:
    // Checks the layout. nPixelOffset, when non-zero, says where the pixel rows start,
    // counted from pData (a file's bfOffBits less the file header); it is used when it
    // lies behind the colour table, else the rows are taken to follow the colour table.
    bool Parse(const BYTE* pData, std::size_t nSize, std::size_t nPixelOffset = 0);
    // The same checks for a bitmap of nSize bytes of which only the first nHeadBytes are
    // at hand in pHead, for a caller that reads the rest itself (see PixelOffset); false
    // also when the header, with its colour masks, does not lie inside the head. Only the
    // layout is known afterwards: HeaderInData, ColorTable and the pixel access (Row,
    // IndexAt, ColorAt, RowColors) must not be used.
    bool ParseHead(const BYTE* pHead, std::size_t nHeadBytes, std::size_t nSize, std::size_t nPixelOffset = 0);

    // The first 40 header bytes as stored; HeaderSize() is the full size the header
    // claims (its biSize), all of which lies inside the parsed memory.
    const BITMAPINFOHEADER& Header() const { return m_Header; }
    const BITMAPINFOHEADER* HeaderInData() const { return m_pHeaderInData; }
    std::size_t HeaderSize() const { return m_Header.biSize; }

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; } // always positive
    bool IsTopDown() const { return m_bTopDown; }
    int BitCount() const { return m_nBitCount; }
    bool IsIndexed() const { return m_nBitCount <= 8; }
    // Where the stored rows start, counted from the start of the parsed memory, and the
    // bytes of each stored row (padded to 4).
    std::size_t PixelOffset() const { return m_nPixelOffset; }
    std::size_t RowBytes() const { return m_nRowBytes; }

    // The colour table as stored (entries may be fewer or more than 256).
    const RGBQUAD* ColorTable() const { return m_pTable; }
    int ColorCount() const { return m_nColorCount; }

    // The stored row that holds picture row y, counted from the top line.
    const BYTE* Row(int y) const;
    // Colour index of column x of a row (indexed bitmaps only).
    BYTE IndexAt(const BYTE* pRow, int x) const;
    // Colour of column x of a row; indices beyond the colour table give black.
    void ColorAt(const BYTE* pRow, int x, BYTE& nBlue, BYTE& nGreen, BYTE& nRed) const;
    // Colours of columns 0 .. nCount - 1 of a row as blue, green, red triples into pBgr
    // (3 * nCount bytes), exactly as ColorAt gives them, a whole row at a time.
    void RowColors(const BYTE* pRow, int nCount, BYTE* pBgr) const;

private:
    struct CChannel {
        DWORD dwMask = 0;
        int nShift = 0;
        int nBits = 0;
        BYTE Extract(DWORD dwPixel) const;
    };
    static CChannel MakeChannel(DWORD dwMask);

    BITMAPINFOHEADER m_Header{};
    const BITMAPINFOHEADER* m_pHeaderInData = nullptr;
    const RGBQUAD* m_pTable = nullptr;
    const BYTE* m_pPixels = nullptr;
    std::size_t m_nTableOffset = 0;
    std::size_t m_nPixelOffset = 0;
    // Colour of each index as blue, green, red and a spare byte (indexed bitmaps,
    // filled by Parse): the table's entry, black beyond the table.
    DWORD m_IndexColors[256]{};
    int m_nColorCount = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitCount = 0;
    bool m_bTopDown = false;
    std::size_t m_nRowBytes = 0;
    CChannel m_Red, m_Green, m_Blue;
};
