#include "app/files/jpeg_decoder.h"

#include <memory>

#include <turbojpeg.h>

namespace {

struct CDecompressorDeleter {
    void operator()(void* pHandle) const { tjDestroy(pHandle); }
};
using CDecompressor = std::unique_ptr<void, CDecompressorDeleter>;

} // namespace

bool DecodeJpeg(const BYTE* pData, std::size_t nSize, long long nMaxPixels, CDibImage& image)
{
    image.Destroy();
    if (pData == nullptr || nSize == 0)
        return false;
    const CDecompressor decompressor(tjInitDecompress());
    if (decompressor == nullptr)
        return false;

    int nWidth = 0, nHeight = 0, nSubsampling = 0, nColorspace = 0;
    if (tjDecompressHeader3(decompressor.get(), pData, static_cast<unsigned long>(nSize), &nWidth, &nHeight,
                            &nSubsampling, &nColorspace) != 0)
        return false;
    if (nColorspace == TJCS_CMYK || nColorspace == TJCS_YCCK)
        return false;
    if (nWidth <= 0 || nHeight <= 0 || static_cast<long long>(nWidth) * nHeight > nMaxPixels)
        return false;
    if (!image.Create(nWidth, nHeight, 24))
        return false;

    // The picture's rows are stored bottom-up, which the decoder writes directly.
    // A warning (recoverable damage) still leaves a whole picture; a progressive file
    // with an absurd number of scans is refused.
    if (tjDecompress2(decompressor.get(), pData, static_cast<unsigned long>(nSize), image.Bits(), nWidth,
                      image.Stride(), nHeight, TJPF_BGR, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS) != 0 &&
        tjGetErrorCode(decompressor.get()) != TJERR_WARNING) {
        image.Destroy();
        return false;
    }
    return true;
}
