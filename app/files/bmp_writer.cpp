#include "app/files/bmp_writer.h"

#include "platform/whole_file.h"

#include <cstddef>

namespace {

constexpr WORD BMP_SIGNATURE = 0x4D42; // "BM"
constexpr std::size_t COLOR_TABLE_BYTES = 256 * sizeof(RGBQUAD);

} // namespace

BOOL WriteBmp(const CDibImage& image, const char* szPath)
{
    if (!image.IsCreated())
        return FALSE;
    const bool bIndexed = image.BitCount() <= 8;
    const std::size_t nPixelBytes = static_cast<std::size_t>(image.Stride()) * image.Height();

    BITMAPINFOHEADER info = image.Header();
    info.biSize = sizeof(BITMAPINFOHEADER);
    BITMAPFILEHEADER file{};
    file.bfType = BMP_SIGNATURE;
    file.bfOffBits = static_cast<DWORD>(sizeof(file) + sizeof(info) + (bIndexed ? COLOR_TABLE_BYTES : 0));
    file.bfSize = static_cast<DWORD>(file.bfOffBits + nPixelBytes);

    const CFileSection sections[] = {
        {&file, sizeof(file)},
        {&info, sizeof(info)},
        {image.ColorTable(), bIndexed ? COLOR_TABLE_BYTES : 0},
        {image.Bits(), nPixelBytes},
    };
    return WriteWholeFile(szPath, sections, 4);
}
