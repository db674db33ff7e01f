#include "app/files/picture_loader.h"

#include "app/files/jpeg_decoder.h"
#include "app/imaging/bmp_variants.h"
#include "app/imaging/packed_dib.h"
#include "platform/read_whole_file.h"

#include <algorithm>
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

// Where a BMP file's header says its pixel rows start, counted from behind the file
// header (0: not said), as CDibImage::LoadFromBmpMemory takes it.
std::size_t PixelOffsetOf(const BYTE* pFile)
{
    BITMAPFILEHEADER file;
    std::memcpy(&file, pFile, sizeof(file));
    return file.bfOffBits > sizeof(BITMAPFILEHEADER) ? file.bfOffBits - sizeof(BITMAPFILEHEADER) : 0;
}

// A BMP file into a new 24-bit picture of its size. The bitmap is drawn into a picture
// created beforehand, which also places top-down bitmaps upright. Run-length compressed
// and OS/2 bitmaps are first rewritten as the uncompressed bitmap they stand for (within
// the pixel limit, before any memory is taken for them), which is then drawn the same way.
bool DecodeBmp(const BYTE* pData, std::size_t nSize, long long nMaxPixels, CDibImage& image)
{
    const BYTE* pPacked = pData + sizeof(BITMAPFILEHEADER);
    std::size_t nPacked = nSize - sizeof(BITMAPFILEHEADER);
    std::size_t nPixelOffset = PixelOffsetOf(pData);
    CUnpackedBmp unpacked;
    if (IsBmpVariant(pPacked, nPacked)) {
        if (!UnpackBmpVariant(pPacked, nPacked, nPixelOffset, nMaxPixels, unpacked))
            return false;
        pPacked = unpacked.pData.get();
        nPacked = unpacked.nSize;
        nPixelOffset = 0;
    }
    CPackedDib dib;
    if (!dib.Parse(pPacked, nPacked, nPixelOffset))
        return false;
    if (static_cast<long long>(dib.Width()) * dib.Height() > nMaxPixels)
        return false;
    if (!image.Create(dib.Width(), dib.Height(), 24))
        return false;
    const BOOL bDrawn =
        unpacked.pData != nullptr ? image.SetDibBits(pPacked, nPacked) : image.LoadFromBmpMemory(pData, nSize);
    if (!bDrawn) {
        image.Destroy();
        return false;
    }
    return true;
}

// The decoded picture into the caller's: handed over to an empty one, drawn into an
// existing one.
int Deliver(CDibImage& decoded, CDibImage& image)
{
    if (image.IsCreated())
        image.BlitFrom(decoded, nullptr, 0, 0);
    else
        image = std::move(decoded);
    return 1;
}

// Bytes read from the start of a file to recognise it: the file header, the largest
// info header (124 bytes) and more.
constexpr std::size_t HEAD_BYTES = 256;

enum class EDirectLoad {
    Declined, // not such a file: read it whole
    Loaded,   // decoded holds the picture
    Failed,   // the file cannot be read, or no memory for the picture: no picture
};

// Why a 24-bit BMP file is read straight into the picture: a 640 x 480 file took
// 0.85-0.9 ms to load, twice a JPEG decode of the same picture and fifteen times reading
// the file and copying its bytes (0.06 ms), though a load is little more than that copy.
// The whole file went into one new block and the picture into another of the same size
// (0.9 MB each). Freeing both at the end of a load left more free memory at the top of
// the heap than glibc's trim threshold (twice the largest block it has unmapped so far),
// so glibc gave it back to the kernel, and the next load had every 4 KB page of both
// blocks faulted in and zeroed by the kernel again: about 420 page faults a load, over
// 90 % of its time (with trimming turned off through GLIBC_TUNABLES a load took 0.07 ms).
// So the pixel rows of an uncompressed 24-bit file, stored exactly as the picture holds
// them, are read from the file straight into the picture's memory, and only the headers
// go through a small buffer. The one large block a load leaves free stays below the
// threshold, so its pages stay mapped from one load to the next, and the rows are copied
// once, by the read itself: 0.05 ms a load, no page faults. (Create still zero-fills the
// rows the read overwrites, about a quarter of that; CDibImage offers no other way.)
//
// Declined for anything else, which then takes the path of LoadPictureFromMemory; what
// is loaded here is byte for byte what that path makes of the file (the same header
// checks through CPackedDib::ParseHead, rows at the same places, row padding zero).
// What DecodeBmp rewrites first (run-length compression, OS/2 core headers) is declined
// here too.
EDirectLoad LoadBmpRowsDirectly(const CReadFileParts& file, CDibImage& decoded)
{
    BYTE head[HEAD_BYTES];
    const std::size_t nHead = std::min(file.Size(), HEAD_BYTES);
    if (!file.ReadAt(0, head, nHead))
        return EDirectLoad::Failed;
    if (!IsBmp(head, nHead))
        return EDirectLoad::Declined;
    if (IsBmpVariant(head + sizeof(BITMAPFILEHEADER), nHead - sizeof(BITMAPFILEHEADER)))
        return EDirectLoad::Declined;
    CPackedDib dib;
    if (!dib.ParseHead(head + sizeof(BITMAPFILEHEADER), nHead - sizeof(BITMAPFILEHEADER),
                       file.Size() - sizeof(BITMAPFILEHEADER), PixelOffsetOf(head)))
        return EDirectLoad::Declined;
    const int nWidth = dib.Width();
    const int nHeight = dib.Height();
    const std::size_t nPixelBytes = 3 * static_cast<std::size_t>(nWidth);
    // A 24-bit row is padded to 4 bytes in the file as in the picture.
    if (dib.BitCount() != 24 || static_cast<long long>(nWidth) * nHeight > MAX_PICTURE_PIXELS ||
        dib.RowBytes() != ((nPixelBytes + 3) & ~std::size_t{3}))
        return EDirectLoad::Declined;
    if (!decoded.Create(nWidth, nHeight, 24))
        return EDirectLoad::Failed;

    const std::size_t nStride = dib.RowBytes();
    BYTE* pBits = decoded.Bits();
    if (!file.ReadAt(sizeof(BITMAPFILEHEADER) + dib.PixelOffset(), pBits, nStride * nHeight) ||
        !file.EndsAtSize())
        return EDirectLoad::Failed;
    // Memory row r is stored row r of a bottom-up file; a top-down one is turned over.
    if (dib.IsTopDown()) {
        for (int r = 0; r < nHeight / 2; ++r) {
            BYTE* pUpper = pBits + static_cast<std::size_t>(r) * nStride;
            std::swap_ranges(pUpper, pUpper + nStride, pBits + static_cast<std::size_t>(nHeight - 1 - r) * nStride);
        }
    }
    // The file's padding bytes may hold anything; a picture's are zero.
    if (nStride > nPixelBytes) {
        for (int r = 0; r < nHeight; ++r)
            std::memset(pBits + static_cast<std::size_t>(r) * nStride + nPixelBytes, 0, nStride - nPixelBytes);
    }
    return EDirectLoad::Loaded;
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
    return Deliver(decoded, image);
}

int LoadPicture(CDibImage& image, const char* szPath)
{
    // A 24-bit BMP file goes straight into the picture; any other is read whole (the
    // first file and picture are gone by then) and decoded from memory.
    {
        CReadFileParts file;
        CDibImage decoded;
        const EDirectLoad load =
            file.Open(szPath, MAX_FILE_BYTES) ? LoadBmpRowsDirectly(file, decoded) : EDirectLoad::Failed;
        if (load == EDirectLoad::Loaded)
            return Deliver(decoded, image);
        if (load == EDirectLoad::Failed) {
            image.Destroy();
            return 0;
        }
    }
    const CReadWholeFile file(szPath, MAX_FILE_BYTES);
    if (!file.IsRead()) {
        image.Destroy();
        return 0;
    }
    return LoadPictureFromMemory(image, file.Start(), file.Size());
}
