// Life cycle, colour table, packed-bitmap loading and Apply clipping of CDibImage. The
// drawing operations (Fill, BlitFrom, StretchFrom) are in dib_image_draw.cpp.
#include "app/imaging/dib_image.h"

#include "app/imaging/packed_dib.h"
#include "app/imaging/palette_match.h"
#include "app/imaging/png_decoder.h"
#include "app/res/resources.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Bit count of the picture that holds a bitmap of nBitCount bits, 0 if none can.
int HeldBitCount(int nBitCount)
{
    if (nBitCount >= 1 && nBitCount <= 8)
        return 8;
    if (nBitCount == 16 || nBitCount == 24 || nBitCount == 32)
        return 24;
    return 0;
}

} // namespace

CDibImage::CDibImage()
{
    ResetFields();
}

CDibImage::~CDibImage() = default;

CDibImage::CDibImage(CDibImage&& other) noexcept
{
    *this = std::move(other);
}

CDibImage& CDibImage::operator=(CDibImage&& other) noexcept
{
    if (this == &other)
        return *this;
    m_Header = other.m_Header;
    std::memcpy(m_ColorTable, other.m_ColorTable, sizeof(m_ColorTable));
    m_pBits = std::move(other.m_pBits);
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nStride = other.m_nStride;
    m_nBitCount = other.m_nBitCount;
    other.Destroy();
    return *this;
}

void CDibImage::ResetFields()
{
    m_Header = CHeaderArea{};
    m_Header.bmi.biSize = HEADER_AREA_SIZE;
    std::memset(m_ColorTable, 0, sizeof(m_ColorTable));
    m_nWidth = 0;
    m_nHeight = 0;
    m_nStride = 0;
    m_nBitCount = 0;
}

void CDibImage::Destroy()
{
    m_pBits.reset();
    ResetFields();
}

void CDibImage::SetGreyRamp()
{
    for (int i = 0; i < 256; ++i) {
        const BYTE v = static_cast<BYTE>(i);
        m_ColorTable[i] = RGBQUAD{v, v, v, 0};
    }
}

bool CDibImage::AllocatePixels()
{
    const BITMAPINFOHEADER& bmi = m_Header.bmi;
    const long long nStride = (static_cast<long long>(bmi.biBitCount / 8) * bmi.biWidth + 3) & ~3LL;
    const long long nBytes = nStride * bmi.biHeight;
    if (nBytes <= 0 || nBytes > MAX_PIXEL_BYTES) {
        Destroy();
        return false;
    }
    m_pBits.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(nBytes)]());
    if (m_pBits == nullptr) {
        Destroy();
        return false;
    }
    m_nWidth = bmi.biWidth;
    m_nHeight = bmi.biHeight;
    m_nStride = static_cast<int>(nStride);
    m_nBitCount = bmi.biBitCount;
    if (m_nBitCount == 8)
        SetGreyRamp();
    return true;
}

BOOL CDibImage::Create(int nWidth, int nHeight, int nBitCount)
{
    if (nWidth <= 0 || nHeight <= 0 || (nBitCount != 8 && nBitCount != 24))
        return FALSE;
    Destroy();
    BITMAPINFOHEADER& bmi = m_Header.bmi;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = nWidth;
    bmi.biHeight = nHeight;
    bmi.biPlanes = 1;
    bmi.biBitCount = static_cast<WORD>(nBitCount);
    bmi.biCompression = BI_RGB;
    return AllocatePixels();
}

BOOL CDibImage::CreateFromHeader(const BITMAPINFOHEADER* pHeader, std::size_t nHeaderBytes)
{
    if (pHeader == nullptr || nHeaderBytes < sizeof(BITMAPINFOHEADER))
        return FALSE;
    // Copied byte-wise: the header may sit unaligned inside a file image.
    BITMAPINFOHEADER header;
    std::memcpy(&header, pHeader, sizeof(header));
    if (header.biSize != 0 && header.biSize < sizeof(BITMAPINFOHEADER))
        return FALSE; // an older, differently laid out header
    if (header.biWidth <= 0 || header.biHeight <= 0)
        return FALSE;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)
        return FALSE;
    const int nHeld = HeldBitCount(header.biBitCount);
    if (nHeld == 0)
        return FALSE;

    const std::size_t nCopy = std::min({nHeaderBytes, std::max<std::size_t>(header.biSize, sizeof(header)),
                                        HEADER_AREA_SIZE});
    Destroy();
    std::memcpy(&m_Header, pHeader, nCopy);
    BITMAPINFOHEADER& bmi = m_Header.bmi;
    if (nHeld != bmi.biBitCount || bmi.biCompression != BI_RGB) {
        bmi.biBitCount = static_cast<WORD>(nHeld);
        bmi.biCompression = BI_RGB;
        bmi.biSizeImage = 0;
        bmi.biClrUsed = 0;
        bmi.biClrImportant = 0;
    }
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biPlanes = 1;
    return AllocatePixels();
}

BOOL CDibImage::CreateLike(const CDibImage* pOther)
{
    if (pOther == nullptr || !pOther->IsCreated())
        return FALSE;
    // Taken before Destroy, since pOther may be this picture.
    const CHeaderArea header = pOther->m_Header;
    RGBQUAD table[256];
    std::memcpy(table, pOther->m_ColorTable, sizeof(table));
    Destroy();
    m_Header = header;
    if (!AllocatePixels())
        return FALSE;
    if (m_nBitCount == 8)
        std::memcpy(m_ColorTable, table, sizeof(table));
    return TRUE;
}

BOOL CDibImage::SetPalette(int nKind, const RGBQUAD* pEntries, int nFirst, int nCount)
{
    if (nKind == PALETTE_GREY) {
        SetGreyRamp();
    } else if (nKind == PALETTE_ENTRIES && pEntries != nullptr && nFirst >= 0 && nFirst < 256 && nCount > 0) {
        const int n = std::min(nCount, 256 - nFirst);
        std::memcpy(m_ColorTable + nFirst, pEntries, static_cast<std::size_t>(n) * sizeof(RGBQUAD));
    }
    return TRUE;
}

BOOL CDibImage::SetDibBits(const void* pPacked, std::size_t nSize)
{
    return DrawPacked(static_cast<const BYTE*>(pPacked), nSize, 0);
}

BOOL CDibImage::LoadFromBmpMemory(const BYTE* pData, std::size_t nSize)
{
    if (pData == nullptr || nSize < sizeof(BITMAPFILEHEADER) || pData[0] != 'B' || pData[1] != 'M')
        return FALSE;
    BITMAPFILEHEADER file;
    std::memcpy(&file, pData, sizeof(file));
    // The file's own pixel offset is honoured when it points behind the colour table,
    // for writers that leave a gap there.
    const std::size_t nPixelOffset =
        file.bfOffBits > sizeof(BITMAPFILEHEADER) ? file.bfOffBits - sizeof(BITMAPFILEHEADER) : 0;
    return DrawPacked(pData + sizeof(BITMAPFILEHEADER), nSize - sizeof(BITMAPFILEHEADER), nPixelOffset);
}

bool CDibImage::DrawPacked(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset)
{
    CPackedDib dib;
    if (!dib.Parse(pPacked, nSize, nPixelOffset))
        return false;
    if (!IsCreated()) {
        // A picture is always created bottom-up, so a top-down header cannot make one.
        if (dib.IsTopDown())
            return false;
        if (!CreateFromHeader(dib.HeaderInData(), dib.HeaderSize()))
            return false;
    }
    if (m_nBitCount == 8 && dib.IsIndexed() && dib.ColorCount() > 0)
        SetPalette(PALETTE_ENTRIES, dib.ColorTable(), 0, dib.ColorCount());

    // Whole rows at a time: a row copy where the stored row already is the picture's (24
    // bits into 24, 8 into 8), else a ready colour per column (RowColors). An 8-bit file
    // of 640 x 480 took 1.0 ms into a 24-bit picture when every column went through
    // ColorAt (a switch on the bit count, a table bound check and three stores through
    // references, about 45 instructions a pixel); through RowColors about 0.15 ms.
    const int nRows = std::min(m_nHeight, dib.Height());
    const int nCols = std::min(m_nWidth, dib.Width());
    CPaletteMatcher matcher(m_ColorTable);
    for (int y = 0; y < nRows; ++y) {
        const BYTE* pSrc = dib.Row(y);
        BYTE* pDst = MemoryRow(y);
        if (m_nBitCount == 24) {
            dib.RowColors(pSrc, nCols, pDst);
        } else if (dib.BitCount() == 8) {
            // The bitmap's table was just applied, so its indices keep their colours.
            std::memcpy(pDst, pSrc, static_cast<std::size_t>(nCols));
        } else if (dib.IsIndexed()) {
            for (int x = 0; x < nCols; ++x)
                pDst[x] = dib.IndexAt(pSrc, x);
        } else {
            for (int x = 0; x < nCols; ++x) {
                BYTE b, g, r;
                dib.ColorAt(pSrc, x, b, g, r);
                pDst[x] = matcher.Match(b, g, r);
            }
        }
    }
    return true;
}

BOOL CDibImage::LoadPngResource(int nId, const char* szType)
{
    CResourceBlock block;
    if (!FindResourceBlock(nId, szType, block))
        return FALSE;
    return DecodePngToDib(block.pData, block.nSize, *this);
}

bool CDibImage::ClipForApply(const CDibImage& src, const RECT* pSrcRect, int x, int y, CApplyFrame& frame)
{
    frame = CApplyFrame{};
    if (!IsCreated() || !src.IsCreated())
        return false;
    const RECT rcWanted = pSrcRect != nullptr ? *pSrcRect : src.Bounds();

    // Work in source coordinates: destination = source + offset. Clip to the source
    // picture and to the destination picture moved back by the offset.
    const long long nOffX = static_cast<long long>(x) - rcWanted.left;
    const long long nOffY = static_cast<long long>(y) - rcWanted.top;
    const long long nLeft = std::max({static_cast<long long>(rcWanted.left), 0LL, -nOffX});
    const long long nTop = std::max({static_cast<long long>(rcWanted.top), 0LL, -nOffY});
    const long long nRight = std::min({static_cast<long long>(rcWanted.right), static_cast<long long>(src.m_nWidth),
                                       m_nWidth - nOffX});
    const long long nBottom = std::min({static_cast<long long>(rcWanted.bottom),
                                        static_cast<long long>(src.m_nHeight), m_nHeight - nOffY});
    if (nLeft >= nRight || nTop >= nBottom)
        return false;

    // Memory rows count from the bottom line.
    frame.pDst = m_pBits.get();
    frame.pSrc = src.m_pBits.get();
    frame.rcSrc = RECT{static_cast<LONG>(nLeft), static_cast<LONG>(src.m_nHeight - nBottom),
                       static_cast<LONG>(nRight), static_cast<LONG>(src.m_nHeight - nTop)};
    frame.nDstX = static_cast<int>(nLeft + nOffX);
    frame.nDstY = static_cast<int>(m_nHeight - (nBottom + nOffY));
    frame.nDstBpp = BytesPerPixel();
    frame.nSrcBpp = src.BytesPerPixel();
    frame.nDstStride = m_nStride;
    frame.nSrcStride = src.m_nStride;
    return true;
}
