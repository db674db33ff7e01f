#include "app/files/jpeg_encoder.h"

#include "app/files/jpeg_colour.h"
#include "app/files/jpeg_errors.h"
#include "app/files/jpeg_huffman.h"
#include "app/files/jpeg_markers.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <new>

namespace {

// Working memory of the encoder; its lack ends the encoding like a missing output buffer.
template <typename T>
std::unique_ptr<T[]> Allocate(std::size_t nCount)
{
    std::unique_ptr<T[]> p(new (std::nothrow) T[nCount]);
    if (p == nullptr)
        throw EMemoryError("COutBitStream", static_cast<long long>(nCount * sizeof(T)), 0);
    return p;
}

} // namespace

CJpegEncoder::CJpegEncoder(const CDibImage& image)
    : m_Image(image), m_nWidth(image.Width()), m_nHeight(image.Height()), m_nMcuColumns((image.Width() + 15) / 16),
      m_nMcuRows((image.Height() + 15) / 16), m_Luminance(BuildHuffmanCodes(g_DcLuminanceSpec, g_AcLuminanceSpec)),
      m_Chrominance(BuildHuffmanCodes(g_DcChrominanceSpec, g_AcChrominanceSpec))
{
}

const BYTE* CJpegEncoder::Data() const
{
    return m_bDone ? m_Stream->Start() : nullptr;
}

std::size_t CJpegEncoder::Size() const
{
    return m_bDone ? m_Stream->Size() : 0;
}

std::size_t CJpegEncoder::Capacity() const
{
    return m_Stream.has_value() ? m_Stream->Capacity() : 0;
}

BOOL CJpegEncoder::Encode() noexcept
{
    m_bDone = false;
    if (!m_Image.IsCreated() || m_Image.BitCount() != 24 || m_nWidth > MAX_SIDE || m_nHeight > MAX_SIDE)
        return FALSE;
    try {
        EncodeStream();
    } catch (const EMemoryError&) {
        return FALSE;
    } catch (const EBufferError&) {
        return FALSE;
    } catch (const EIndexError&) {
        return FALSE;
    }
    m_bDone = true;
    return TRUE;
}

void CJpegEncoder::EncodeStream()
{
    m_Stream.reset();
    const long long nCapacity =
        std::max(static_cast<long long>(m_nWidth) * m_nHeight * 3, COutBitStream::MIN_CAPACITY);
    m_Stream.emplace(nCapacity);

    m_nLumaStride = m_nMcuColumns * 16;
    m_nChromaStride = m_nMcuColumns * 8;
    m_pLumaStrip = Allocate<float>(static_cast<std::size_t>(m_nLumaStride) * 16);
    m_pBlueStrip = Allocate<float>(static_cast<std::size_t>(m_nChromaStride) * 8);
    m_pRedStrip = Allocate<float>(static_cast<std::size_t>(m_nChromaStride) * 8);
    m_pPlanes = Allocate<double>(static_cast<std::size_t>(m_nLumaStride) * 3);
    m_nPreviousDc[0] = m_nPreviousDc[1] = m_nPreviousDc[2] = 0;

    WriteJpegHeaders(*m_Stream, m_nWidth, m_nHeight);
    CEntropyBits bits(*m_Stream);
    for (int nMcuRow = 0; nMcuRow < m_nMcuRows; ++nMcuRow) {
        ConvertMcuRow(nMcuRow);
        for (int nMcuColumn = 0; nMcuColumn < m_nMcuColumns; ++nMcuColumn)
            CodeMcu(nMcuColumn, bits);
    }
    bits.Flush();
    WriteJpegEnd(*m_Stream);
}

// Picture rows beyond the bottom repeat the last row, columns beyond the right edge the
// last column. Chrominance row r of the MCU row is picked from its luminance row 2r.
void CJpegEncoder::ConvertMcuRow(int nMcuRow)
{
    for (int r = 0; r < 16; ++r) {
        const int y = std::min(nMcuRow * 16 + r, m_nHeight - 1);
        // Rows are stored bottom-up: picture row y is memory row height - 1 - y.
        const BYTE* pRow = m_Image.Bits() + static_cast<std::size_t>(m_nHeight - 1 - y) * m_Image.Stride();
        const bool bChroma = r % 2 == 0;
        // The next row is asked for while this one is converted, so that the conversion
        // does not wait for it line by line.
        if (y + 1 < m_nHeight) {
            const BYTE* pNext = pRow - m_Image.Stride();
            for (int nOffset = 0; nOffset < m_nWidth * 3; nOffset += 64)
                __builtin_prefetch(pNext + nOffset);
        }
        ConvertPictureRow(pRow, m_nWidth, m_nLumaStride, m_pPlanes.get(), m_pLumaStrip.get() + r * m_nLumaStride,
                          bChroma ? m_pBlueStrip.get() + r / 2 * m_nChromaStride : nullptr,
                          bChroma ? m_pRedStrip.get() + r / 2 * m_nChromaStride : nullptr);
    }
}

void CJpegEncoder::CodeMcu(int nMcuColumn, CEntropyBits& bits)
{
    // Four luminance blocks (left to right, top to bottom), then blue and red chrominance.
    constexpr int COMPONENT[6] = {0, 0, 0, 0, 1, 2};
    const float* pLuma = m_pLumaStrip.get() + nMcuColumn * 16;
    const float* const pSamples[6] = {pLuma,
                                      pLuma + 8,
                                      pLuma + 8 * m_nLumaStride,
                                      pLuma + 8 * m_nLumaStride + 8,
                                      m_pBlueStrip.get() + nMcuColumn * 8,
                                      m_pRedStrip.get() + nMcuColumn * 8};
    std::int16_t nCoefficients[6][64];
    std::uint64_t nNonZero[6];
    for (int b = 0; b < 6; ++b)
        nNonZero[b] = m_Dct.ForwardQuantise(pSamples[b], COMPONENT[b] == 0 ? m_nLumaStride : m_nChromaStride,
                                            COMPONENT[b] == 0 ? 0 : 1, nCoefficients[b]);
    for (int b = 0; b < 6; ++b)
        CodeHuffman(nCoefficients[b], nNonZero[b], m_nPreviousDc[COMPONENT[b]],
                    COMPONENT[b] == 0 ? m_Luminance : m_Chrominance, bits);
}

BOOL SaveJpeg(const CDibImage& image, const char* szPath)
{
    CJpegEncoder encoder(image);
    if (!encoder.Encode())
        return FALSE;
    const CFileSection section{encoder.Data(), encoder.Size()};
    return WriteWholeFile(szPath, &section, 1);
}
