#include "app/imaging/png_decoder.h"

#include "app/imaging/dib_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

constexpr std::size_t PNG_SIGNATURE_SIZE = 8;
constexpr std::size_t ERROR_TEXT_SIZE = 160;
constexpr double SCREEN_GAMMA = 2.2;
constexpr const char* OUT_OF_MEMORY_TEXT = "Visual PNG: out of memory";

// State of one decoding. Plain data only, since libpng's errors long-jump across the
// code that fills it.
struct CPngReadContext {
    const BYTE* pData;
    std::size_t nSize;
    std::size_t nOffset; // next byte handed to libpng
    png_bytep pRows;     // decoded rows, nRowBytes each (png_malloc, freed by CPngReader)
    png_bytepp ppRows;   // nHeight pointers into pRows (likewise)
    png_uint_32 nWidth;
    png_uint_32 nHeight;
    std::size_t nRowBytes;
    int nChannels;
    char szError[ERROR_TEXT_SIZE];
};

// libpng's read function: serves the bytes of the memory image, never past its end.
void ReadFromMemory(png_structp png, png_bytep pOut, png_size_t nLength)
{
    auto* pContext = static_cast<CPngReadContext*>(png_get_io_ptr(png));
    if (nLength > pContext->nSize - pContext->nOffset)
        png_error(png, "Visual PNG: unexpected end of data");
    std::memcpy(pOut, pContext->pData + pContext->nOffset, nLength);
    pContext->nOffset += nLength;
}

// libpng's error function: keeps the message and jumps back to DecodeRows.
[[noreturn]] void OnPngError(png_structp png, png_const_charp szMessage)
{
    auto* pContext = static_cast<CPngReadContext*>(png_get_error_ptr(png));
    if (pContext != nullptr) {
        std::strncpy(pContext->szError, szMessage != nullptr ? szMessage : "", ERROR_TEXT_SIZE - 1);
        pContext->szError[ERROR_TEXT_SIZE - 1] = '\0';
    }
    png_longjmp(png, 1);
}

// Warnings (unknown chunks, odd gamma values) do not stop decoding and are not shown.
void OnPngWarning(png_structp, png_const_charp) {}

// Owns the libpng structures of one decoding and the row memory allocated through them.
class CPngReader {
public:
    explicit CPngReader(CPngReadContext& context) : m_Context(context)
    {
        m_pPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnPngError, OnPngWarning);
        if (m_pPng != nullptr)
            m_pInfo = png_create_info_struct(m_pPng);
    }
    ~CPngReader()
    {
        if (m_pPng == nullptr)
            return;
        png_free(m_pPng, m_Context.ppRows);
        png_free(m_pPng, m_Context.pRows);
        png_destroy_read_struct(&m_pPng, m_pInfo != nullptr ? &m_pInfo : nullptr, nullptr);
    }
    CPngReader(const CPngReader&) = delete;
    CPngReader& operator=(const CPngReader&) = delete;

    png_structp Png() const { return m_pPng; }
    png_infop Info() const { return m_pInfo; }

private:
    CPngReadContext& m_Context;
    png_structp m_pPng = nullptr;
    png_infop m_pInfo = nullptr;
};

// Reads the header, sets the transformations and reads every row into the context.
// Errors leave through OnPngError.
void ReadPicture(png_structp png, png_infop info, CPngReadContext* pContext)
{
    png_set_read_fn(png, pContext, ReadFromMemory);
    png_set_sig_bytes(png, static_cast<int>(PNG_SIGNATURE_SIZE));
    png_set_user_limits(png, PNG_MAX_DIMENSION, PNG_MAX_DIMENSION);
    png_read_info(png, info);

    const int nBitDepth = png_get_bit_depth(png, info);
    const int nColorType = png_get_color_type(png, info);
    if (nBitDepth == 16)
        png_set_strip_16(png);
    if (nColorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (nColorType == PNG_COLOR_TYPE_GRAY && nBitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (nColorType == PNG_COLOR_TYPE_GRAY || nColorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    double dFileGamma = 0.0;
    if (png_get_gAMA(png, info, &dFileGamma))
        png_set_gamma(png, SCREEN_GAMMA, dFileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    pContext->nWidth = png_get_image_width(png, info);
    pContext->nHeight = png_get_image_height(png, info);
    pContext->nRowBytes = png_get_rowbytes(png, info);
    pContext->nChannels = png_get_channels(png, info);
    pContext->pRows = static_cast<png_bytep>(png_malloc_warn(png, pContext->nRowBytes * pContext->nHeight));
    pContext->ppRows = static_cast<png_bytepp>(png_malloc_warn(png, pContext->nHeight * sizeof(png_bytep)));
    if (pContext->pRows == nullptr || pContext->ppRows == nullptr)
        png_error(png, OUT_OF_MEMORY_TEXT);
    for (png_uint_32 i = 0; i < pContext->nHeight; ++i)
        pContext->ppRows[i] = pContext->pRows + i * pContext->nRowBytes;
    png_read_image(png, pContext->ppRows);
    png_read_end(png, nullptr);
}

// The one place that catches libpng's long jumps. It holds no C++ objects and changes
// no local variable, so nothing is skipped or clobbered by a jump.
bool DecodeRows(png_structp png, png_infop info, CPngReadContext* pContext)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    ReadPicture(png, info, pContext);
    return true;
}

// Decoded rows (top line first, red-green-blue[-alpha]) into a 24-bit picture: row i
// becomes memory row height - 1 - i, red and blue swapped, a fourth channel skipped.
bool ConvertRows(const CPngReadContext& context, CDibImage& picture)
{
    const int nWidth = static_cast<int>(context.nWidth);
    const int nHeight = static_cast<int>(context.nHeight);
    if (context.nChannels < 3 || !picture.Create(nWidth, nHeight, 24))
        return false;
    const int nChannels = context.nChannels;
    for (int i = 0; i < nHeight; ++i) {
        const BYTE* pSrc = context.pRows + static_cast<std::size_t>(i) * context.nRowBytes;
        BYTE* pDst = picture.Bits() + static_cast<std::size_t>(nHeight - 1 - i) * picture.Stride();
        for (int x = 0; x < nWidth; ++x, pSrc += nChannels, pDst += 3) {
            pDst[0] = pSrc[2];
            pDst[1] = pSrc[1];
            pDst[2] = pSrc[0];
        }
    }
    return true;
}

} // namespace

bool DecodePngToDib(const BYTE* data, std::size_t size, CDibImage& image, std::string* pErrorText)
{
    auto fail = [pErrorText](const char* szText) {
        if (pErrorText != nullptr)
            *pErrorText = szText;
        return false;
    };
    if (data == nullptr || size < PNG_SIGNATURE_SIZE || png_sig_cmp(data, 0, PNG_SIGNATURE_SIZE) != 0)
        return fail("Visual PNG: not a PNG file");

    CPngReadContext context{};
    context.pData = data;
    context.nSize = size;
    context.nOffset = PNG_SIGNATURE_SIZE;
    CPngReader reader(context);
    if (reader.Png() == nullptr || reader.Info() == nullptr)
        return fail(OUT_OF_MEMORY_TEXT);
    if (!DecodeRows(reader.Png(), reader.Info(), &context))
        return fail(context.szError);

    // Built aside, so that image keeps its picture when this fails.
    CDibImage picture;
    if (!ConvertRows(context, picture))
        return fail(OUT_OF_MEMORY_TEXT);
    image = std::move(picture);
    return true;
}
