// Packed bitmaps that CPackedDib does not read in place, rewritten as the uncompressed
// packed bitmap they stand for, which it does: run-length compressed bitmaps (BI_RLE8,
// BI_RLE4; see bmp_rle.h) and OS/2 bitmaps with a 12-byte core header.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <memory>

// An uncompressed packed bitmap: a 40-byte info header (BI_RGB, biClrUsed the number of
// entries, biSizeImage 0), the colour table as RGBQUAD entries, the rows bottom-up.
struct CUnpackedBmp {
    std::unique_ptr<BYTE[]> pData;
    std::size_t nSize = 0;
};

// Whether the packed bitmap (info header onwards, nSize bytes) is one of those: a header
// of 12 bytes, or one of 40 or more with biCompression BI_RLE8 or BI_RLE4.
bool IsBmpVariant(const BYTE* pPacked, std::size_t nSize);

// Rewrites such a bitmap into plain. nPixelOffset says where the pixel data starts,
// counted from pPacked, as CPackedDib::Parse takes it: honoured when it lies behind the
// colour table, else the data follows the table.
//
// A core header (16-bit width and height, always bottom-up) gives 1, 4, 8 or 24 bits
// per pixel; bit counts up to 8 have a table of 2^bits RGBTRIPLE entries (3 bytes each);
// the rows are stored as in any uncompressed bitmap. A run-length compressed bitmap has
// 8 (BI_RLE8) or 4 (BI_RLE4) bits per pixel, a positive height, and the colour table of
// an info header (biClrUsed entries, or 2^bits when 0); its pixel data is the stream up
// to the end of the bitmap, expanded by ExpandBmpRle into rows of the same bit count.
//
// False, with plain untouched, for anything else: another bit count, a top-down
// run-length bitmap (the format has none), a size <= 0 or of more than nMaxPixels
// pixels, a table or rows reaching past nSize, a run-length stream cut short, or no
// memory.
bool UnpackBmpVariant(const BYTE* pPacked, std::size_t nSize, std::size_t nPixelOffset, long long nMaxPixels,
                      CUnpackedBmp& plain);
