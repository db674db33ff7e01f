// LoadPicture: reads a BMP or JPEG picture file into a picture.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

#include <cstddef>

// Largest picture LoadPicture takes, in pixels (about 400 MB at 24 bits).
constexpr long long MAX_PICTURE_PIXELS = 1LL << 27;

// Reads the file szPath: a BMP file (1, 4, 8, 16, 24 or 32 bits per pixel, bottom-up or
// top-down, BI_RGB or BI_BITFIELDS; BI_RLE8 and BI_RLE4 bottom-up, pixels the stream
// leaves out taking colour index 0; OS/2 core headers of 1, 4, 8 or 24 bits) or a JPEG
// file (baseline or progressive, grey or colour), recognised by its contents whatever
// its name. A run-length stream reaching outside the picture is clipped, one cut short
// is refused (see bmp_rle.h). An empty picture becomes a
// 24-bit picture of the file's pixel size, upright; a picture that already exists gets
// the file's picture drawn into it at its top-left corner, clipped and converted to its
// own format. Returns 1 on success; 0 for a missing or unreadable file, an unknown or
// broken format, a picture larger than MAX_PICTURE_PIXELS or memory exhausted, and the
// picture is then empty.
int LoadPicture(CDibImage& image, const char* szPath);

// The same for a file image of nSize bytes held in memory, with a pixel limit of its own.
int LoadPictureFromMemory(CDibImage& image, const BYTE* pData, std::size_t nSize,
                          long long nMaxPixels = MAX_PICTURE_PIXELS);
