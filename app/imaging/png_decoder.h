// Decoding of PNG pictures held in memory into 24-bit CDibImage pictures (libpng).
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <string>

class CDibImage;

// Largest width and height accepted; larger pictures are refused before any pixel
// memory is allocated.
constexpr unsigned PNG_MAX_DIMENSION = 16384;

// Decodes the PNG file image data[0..size) into image as a new 24-bit picture (rows
// bottom-up, blue-green-red). Every colour type and depth is taken: 16-bit samples are
// cut to 8, palettes, low-bit grey and transparency expanded, grey turned into RGB, an
// alpha channel skipped; a file with a gAMA chunk is corrected for a 2.2 screen gamma.
// Returns false, with image unchanged, on a bad signature, truncated or corrupt data, a
// picture larger than PNG_MAX_DIMENSION either way, or lack of memory; pErrorText, when
// given, then receives the library's message.
bool DecodePngToDib(const BYTE* data, std::size_t size, CDibImage& image, std::string* pErrorText = nullptr);
