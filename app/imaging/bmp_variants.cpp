#include "app/imaging/bmp_variants.h"

#include "app/imaging/bmp_rle.h"
#include "app/imaging/dib_image.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::size_t CORE_HEADER_SIZE = 12;
constexpr std::size_t INFO_HEADER_SIZE = sizeof(BITMAPINFOHEADER);

DWORD ReadDword(const BYTE* p)
{
    DWORD dwValue;
    std::memcpy(&dwValue, p, sizeof(dwValue));
    return dwValue;
}

WORD ReadWord(const BYTE* p)
{
    WORD wValue;
    std::memcpy(&wValue, p, sizeof(wValue));
    return wValue;
}

// What the rewritten bitmap is made of.
struct CLayout {
    BITMAPINFOHEADER header{}; // as it is to be written, but for the colour count
    const BYTE* pTable = nullptr;
    std::size_t nColors = 0;
    std::size_t nEntryBytes = 0; // 3 (RGBTRIPLE) or 4 (RGBQUAD)
    std::size_t nDataStart = 0;  // pixel rows or run-length stream, from the packed start
    std::uint64_t nRowBytes = 0;
};

// Checks the size and places table and data; false when they do not fit.
bool PlaceTableAndData(std::size_t nSize, std::size_t nTableStart, std::size_t nPixelOffset, long long nMaxPixels,
                       CLayout& layout)
{
    const BITMAPINFOHEADER& header = layout.header;
    if (header.biWidth <= 0 || header.biHeight <= 0 ||
        static_cast<long long>(header.biWidth) * header.biHeight > nMaxPixels)
        return false;
    layout.nRowBytes = (static_cast<std::uint64_t>(header.biBitCount) * header.biWidth + 31) / 32 * 4;
    if (static_cast<std::uint64_t>(header.biHeight) > CDibImage::MAX_PIXEL_BYTES / layout.nRowBytes)
        return false;
    const std::uint64_t nTableEnd = nTableStart + static_cast<std::uint64_t>(layout.nColors) * layout.nEntryBytes;
    if (nTableEnd > nSize)
        return false;
    layout.nDataStart = nPixelOffset >= nTableEnd && nPixelOffset <= nSize ? nPixelOffset
                                                                           : static_cast<std::size_t>(nTableEnd);
    return true;
}

bool CoreLayout(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset, long long nMaxPixels,
                CLayout& layout)
{
    if (nSize < CORE_HEADER_SIZE)
        return false;
    const int nBitCount = ReadWord(pPacked + 10);
    if (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 24)
        return false;
    layout.header = BITMAPINFOHEADER{static_cast<DWORD>(INFO_HEADER_SIZE), ReadWord(pPacked + 4), ReadWord(pPacked + 6),
                                     1, static_cast<WORD>(nBitCount), BI_RGB, 0, 0, 0, 0, 0};
    layout.pTable = pPacked + CORE_HEADER_SIZE;
    layout.nColors = nBitCount <= 8 ? std::size_t{1} << nBitCount : 0;
    layout.nEntryBytes = 3;
    if (!PlaceTableAndData(nSize, CORE_HEADER_SIZE, nPixelOffset, nMaxPixels, layout))
        return false;
    return static_cast<std::uint64_t>(layout.header.biHeight) <= (nSize - layout.nDataStart) / layout.nRowBytes;
}

bool RleLayout(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset, long long nMaxPixels,
               CLayout& layout)
{
    if (nSize < INFO_HEADER_SIZE)
        return false;
    BITMAPINFOHEADER& header = layout.header;
    std::memcpy(&header, pPacked, INFO_HEADER_SIZE);
    if (header.biSize < INFO_HEADER_SIZE || header.biSize > nSize)
        return false;
    if (header.biBitCount != (header.biCompression == BI_RLE8 ? 8 : 4))
        return false;
    layout.pTable = pPacked + header.biSize;
    layout.nColors = header.biClrUsed != 0 ? header.biClrUsed : std::size_t{1} << header.biBitCount;
    layout.nEntryBytes = 4;
    if (!PlaceTableAndData(nSize, header.biSize, nPixelOffset, nMaxPixels, layout))
        return false;
    header.biSize = INFO_HEADER_SIZE;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    header.biClrImportant = 0;
    return true;
}

} // namespace

bool IsBmpVariant(const BYTE* pPacked, std::size_t nSize)
{
    if (pPacked == nullptr || nSize < sizeof(DWORD))
        return false;
    const DWORD dwHeaderSize = ReadDword(pPacked);
    if (dwHeaderSize == CORE_HEADER_SIZE)
        return true;
    if (dwHeaderSize < INFO_HEADER_SIZE || nSize < INFO_HEADER_SIZE)
        return false;
    const DWORD dwCompression = ReadDword(pPacked + offsetof(BITMAPINFOHEADER, biCompression));
    return dwCompression == BI_RLE8 || dwCompression == BI_RLE4;
}

bool UnpackBmpVariant(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset, long long nMaxPixels,
                      CUnpackedBmp& plain)
{
    if (!IsBmpVariant(pPacked, nSize))
        return false;
    const bool bCore = ReadDword(pPacked) == CORE_HEADER_SIZE;
    CLayout layout;
    if (!(bCore ? CoreLayout(pPacked, nSize, nPixelOffset, nMaxPixels, layout)
                : RleLayout(pPacked, nSize, nPixelOffset, nMaxPixels, layout)))
        return false;

    BITMAPINFOHEADER& header = layout.header;
    header.biClrUsed = static_cast<DWORD>(layout.nColors);
    const std::size_t nHeight = static_cast<std::size_t>(header.biHeight);
    const std::size_t nRowBytes = static_cast<std::size_t>(layout.nRowBytes);
    const std::size_t nTableBytes = layout.nColors * sizeof(RGBQUAD);
    const std::size_t nOutSize = INFO_HEADER_SIZE + nTableBytes + nRowBytes * nHeight;
    std::unique_ptr<BYTE[]> pOut(new (std::nothrow) BYTE[nOutSize]);
    if (pOut == nullptr)
        return false;

    std::memcpy(pOut.get(), &header, INFO_HEADER_SIZE);
    BYTE* pTable = pOut.get() + INFO_HEADER_SIZE;
    for (std::size_t i = 0; i < layout.nColors; ++i) {
        const BYTE* pEntry = layout.pTable + i * layout.nEntryBytes;
        const RGBQUAD entry{pEntry[0], pEntry[1], pEntry[2], 0};
        std::memcpy(pTable + i * sizeof(RGBQUAD), &entry, sizeof(entry));
    }
    BYTE* pRows = pTable + nTableBytes;
    const BYTE* pData = pPacked + layout.nDataStart;
    if (bCore) {
        std::memcpy(pRows, pData, nRowBytes * nHeight);
    } else if (!ExpandBmpRle(pData, nSize - layout.nDataStart, header.biBitCount, header.biWidth, header.biHeight,
                             pRows, nRowBytes)) {
        return false;
    }
    plain.pData = std::move(pOut);
    plain.nSize = nOutSize;
    return true;
}
