// Fuzz target of the picture loader: any bytes as a file image, BMP and JPEG paths
// alike. Pictures are limited to 4 million pixels so that each input stays quick.
#include "app/files/picture_loader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CDibImage image;
    if (LoadPictureFromMemory(image, pData, nSize, 4'000'000) == 1 &&
        (image.BitCount() != 24 || image.Width() <= 0 || image.Height() <= 0))
        __builtin_trap();
    // Drawing into an existing picture takes the other path.
    CDibImage existing;
    existing.Create(7, 5, 8);
    LoadPictureFromMemory(existing, pData, nSize, 4'000'000);
    return 0;
}
