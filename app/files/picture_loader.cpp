#include "app/files/picture_loader.h"

#include "app/files/jpeg_decoder.h"
#include "app/imaging/packed_dib.h"
#include "platform/read_whole_file.h"

#include <cstring>
#include <utility>

namespace {

// The pixel rows of a picture of the largest size, its headers and some slack.
constexpr std::size_t MAX_FILE_BYTES = static_cast<std::size_t>(CDibImage::MAX_PIXEL_BYTES) * 2;

bool IsBmp(const BYTE* pData, std::size_t nSize)
{
    return nSize >= sizeof(BITMAPFILEHEADER) && pData[0] == 'B' && pData[1] == 'M';
}

bool IsJpeg(const BYTE* pData, std::size_t nSize)
{
    return nSize >= 3 && pData[0] == 0xFF && pData[1] == 0xD8 && pData[2] == 0xFF;
}

// A BMP file into a new 24-bit picture of its size. The bitmap is drawn into a picture
// created beforehand, which also places top-down bitmaps upright.
bool DecodeBmp(const BYTE* pData, std::size_t nSize, long long nMaxPixels, CDibImage& image)
{
    BITMAPFILEHEADER file;
    std::memcpy(&file, pData, sizeof(file));
    const std::size_t nPixelOffset =
        file.bfOffBits > sizeof(BITMAPFILEHEADER) ? file.bfOffBits - sizeof(BITMAPFILEHEADER) : 0;
    CPackedDib dib;
    if (!dib.Parse(pData + sizeof(file), nSize - sizeof(file), nPixelOffset))
        return false;
    if (static_cast<long long>(dib.Width()) * dib.Height() > nMaxPixels)
        return false;
    if (!image.Create(dib.Width(), dib.Height(), 24))
        return false;
    if (!image.LoadFromBmpMemory(pData, nSize)) {
        image.Destroy();
        return false;
    }
    return true;
}

} // namespace

int LoadPictureFromMemory(CDibImage& image, const BYTE* pData, std::size_t nSize, long long nMaxPixels)
{
    CDibImage decoded;
    bool bDecoded = false;
    if (pData != nullptr && IsBmp(pData, nSize))
        bDecoded = DecodeBmp(pData, nSize, nMaxPixels, decoded);
    else if (pData != nullptr && IsJpeg(pData, nSize))
        bDecoded = DecodeJpeg(pData, nSize, nMaxPixels, decoded);
    if (!bDecoded) {
        image.Destroy();
        return 0;
    }
    if (image.IsCreated())
        image.BlitFrom(decoded, nullptr, 0, 0);
    else
        image = std::move(decoded);
    return 1;
}

int LoadPicture(CDibImage& image, const char* szPath)
{
    const CReadWholeFile file(szPath, MAX_FILE_BYTES);
    if (!file.IsRead()) {
        image.Destroy();
        return 0;
    }
    return LoadPictureFromMemory(image, file.Start(), file.Size());
}
