// Decoding of JPEG files (baseline and progressive, grey and colour) into pictures,
// through libjpeg-turbo; the only place that knows the library.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

#include <cstddef>

// Decodes the JPEG stream of nSize bytes into a new 24-bit picture of its pixel size,
// upright. Streams that decode with recoverable damage (for example a truncated file)
// give what the decoder recovered. false, with the picture empty, for anything that
// cannot be decoded, CMYK streams and pictures of more than nMaxPixels pixels.
bool DecodeJpeg(const BYTE* pData, std::size_t nSize, long long nMaxPixels, CDibImage& image);
