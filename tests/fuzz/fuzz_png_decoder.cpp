// Fuzz target of the PNG decoder of the interface pictures (CDibImage::LoadPngResource
// hands the resource's bytes to it): any bytes as a file image. A picture taken is
// 24-bit with the size its header gives, within PNG_MAX_DIMENSION, and decodes the same
// twice; a file refused leaves the picture it was decoded into as it was and says why.
// Each input is tried as it is and with its chunk checksums made right. Headers of more
// than 4 million pixels are skipped, so that each input stays quick.
#include "app/imaging/dib_image.h"
#include "app/imaging/png_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

constexpr std::uint64_t MAX_PIXELS = 4'000'000;

std::uint32_t BigEndian(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The width and height of the header chunk: the first "IHDR" chunk, which libpng takes
// also after chunks it does not know. false when there is none.
bool FindHeader(const std::uint8_t* pData, std::size_t nSize, std::uint32_t& nWidth, std::uint32_t& nHeight)
{
    for (std::size_t nPos = 8; nPos + 16 <= nSize;) {
        if (std::memcmp(pData + nPos + 4, "IHDR", 4) == 0) {
            nWidth = BigEndian(pData + nPos + 8);
            nHeight = BigEndian(pData + nPos + 12);
            return true;
        }
        const std::uint64_t nNext = nPos + 12 + static_cast<std::uint64_t>(BigEndian(pData + nPos));
        if (nNext > nSize)
            return false;
        nPos = static_cast<std::size_t>(nNext);
    }
    return false;
}

bool SamePicture(const CDibImage& a, const CDibImage& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() && a.BitCount() == b.BitCount() &&
           std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Stride()) * a.Height()) == 0;
}

// Decodes one file image and checks the outcome.
void CheckDecode(const std::uint8_t* pData, std::size_t nSize)
{
    std::uint32_t nWidth = 0;
    std::uint32_t nHeight = 0;
    const bool bHeader = FindHeader(pData, nSize, nWidth, nHeight);
    if (nWidth <= PNG_MAX_DIMENSION && nHeight <= PNG_MAX_DIMENSION &&
        static_cast<std::uint64_t>(nWidth) * nHeight > MAX_PIXELS)
        return;

    CDibImage before;
    before.Create(5, 3, 24);
    before.Fill(nullptr, 0x123456);
    CDibImage image;
    image.Create(5, 3, 24);
    image.Fill(nullptr, 0x123456);
    std::string szError;
    if (!DecodePngToDib(pData, nSize, image, &szError)) {
        if (szError.empty() || !SamePicture(image, before))
            __builtin_trap();
        return;
    }
    if (!bHeader || image.BitCount() != 24 || image.Width() < 1 || image.Height() < 1 ||
        static_cast<std::uint32_t>(image.Width()) != nWidth || static_cast<std::uint32_t>(image.Height()) != nHeight ||
        nWidth > PNG_MAX_DIMENSION || nHeight > PNG_MAX_DIMENSION)
        __builtin_trap();

    CDibImage again;
    if (!DecodePngToDib(pData, nSize, again) || !SamePicture(image, again))
        __builtin_trap();
}

// The file with every whole chunk's checksum made right, so that changed chunks get
// past libpng's checksum test and into the decoding.
std::vector<std::uint8_t> WithGoodChecksums(const std::uint8_t* pData, std::size_t nSize)
{
    std::vector<std::uint8_t> file(pData, pData + nSize);
    for (std::size_t nPos = 8; nPos + 12 <= nSize;) {
        const std::uint64_t nLength = BigEndian(pData + nPos);
        if (nPos + 12 + nLength > nSize)
            break;
        const auto nCrc = static_cast<std::uint32_t>(
            crc32(0, pData + nPos + 4, static_cast<uInt>(nLength + 4)));
        std::uint8_t* pCrc = file.data() + nPos + 8 + nLength;
        pCrc[0] = static_cast<std::uint8_t>(nCrc >> 24);
        pCrc[1] = static_cast<std::uint8_t>(nCrc >> 16);
        pCrc[2] = static_cast<std::uint8_t>(nCrc >> 8);
        pCrc[3] = static_cast<std::uint8_t>(nCrc);
        nPos += static_cast<std::size_t>(12 + nLength);
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CheckDecode(pData, nSize);
    const std::vector<std::uint8_t> fixed = WithGoodChecksums(pData, nSize);
    if (!std::equal(fixed.begin(), fixed.end(), pData))
        CheckDecode(fixed.data(), fixed.size());
    return 0;
}
