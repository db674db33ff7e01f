#include "app/files/bmp_writer.h"

#include "platform/whole_file.h"

#include <cstddef>

namespace {

constexpr WORD BMP_SIGNATURE = 0x4D42; // "BM"
constexpr std::size_t COLOR_TABLE_BYTES = 256 * sizeof(RGBQUAD);

// The info header to write: the picture's own (its resolution kept), made to say what
// the file holds. A picture created from a loaded file keeps that file's header, and
// some of its fields would no longer be true of what is written here, so that readers,
// ours among them, would misplace or refuse the rows:
// - biClrUsed 0: an 8-bit picture's table is written whole, all 256 entries, which is
//   what 0 says for 8 bits (a count above 256 would put the rows behind the table
//   written); a 24-bit file gets no table, so no count either. 0 rather than 256 keeps
//   files of pictures made here as they were;
// - biClrImportant 0 (all colours), so it cannot exceed the colours written;
// - BI_RGB, biSizeImage 0 (allowed for BI_RGB): the rows go out uncompressed, whatever
//   the picture was read from;
// - size, planes and bit count as the picture has them.
BITMAPINFOHEADER InfoHeaderOf(const CDibImage& image)
{
    BITMAPINFOHEADER info = image.Header();
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = image.Width();
    info.biHeight = image.Height();
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(image.BitCount());
    info.biCompression = BI_RGB;
    info.biSizeImage = 0;
    info.biClrUsed = 0;
    info.biClrImportant = 0;
    return info;
}

} // namespace

BOOL WriteBmp(const CDibImage& image, const char* szPath)
{
    if (!image.IsCreated())
        return FALSE;
    const bool bIndexed = image.BitCount() <= 8;
    const std::size_t nPixelBytes = static_cast<std::size_t>(image.Stride()) * image.Height();

    const BITMAPINFOHEADER info = InfoHeaderOf(image);
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
