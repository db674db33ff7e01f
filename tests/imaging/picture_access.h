// Test helper: reaches a picture's pixels by picture coordinates (y down from the top line).
#pragma once

#include "app/imaging/dib_image.h"

#include <cstddef>

inline const BYTE* PixelAt(const CDibImage& image, int x, int y)
{
    return image.Bits() + static_cast<std::size_t>(image.Height() - 1 - y) * image.Stride() +
           static_cast<std::size_t>(x) * image.BytesPerPixel();
}

inline BYTE* PixelAt(CDibImage& image, int x, int y)
{
    return const_cast<BYTE*>(PixelAt(static_cast<const CDibImage&>(image), x, y));
}

// 8-bit picture whose pixel (x, y) holds 10 * y + x.
inline void NumberPixels(CDibImage& image)
{
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            *PixelAt(image, x, y) = static_cast<BYTE>(10 * y + x);
}
