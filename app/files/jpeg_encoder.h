// CJpegEncoder and SaveJpeg: the program's own baseline JPEG encoder (three components,
// 4:2:0, fixed tables) and the saving of a 24-bit picture as a JPEG file.
#pragma once

#include "app/files/jpeg_dct.h"
#include "app/files/jpeg_huffman.h"
#include "app/files/jpeg_tables.h"
#include "app/files/out_bit_stream.h"
#include "app/imaging/dib_image.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// One encoder serves one picture. Encode builds the whole stream in memory; its bytes
// stay readable until the encoder ends.
class CJpegEncoder {
public:
    // Largest width and height a JPEG frame header can carry.
    static constexpr int MAX_SIDE = 65535;

    // The picture must outlive the encoder.
    explicit CJpegEncoder(const CDibImage& image);
    CJpegEncoder(const CJpegEncoder&) = delete;
    CJpegEncoder& operator=(const CJpegEncoder&) = delete;

    // Encodes the picture. FALSE when it is not a 24-bit picture of at most MAX_SIDE on
    // either side, or when encoding fails: the output buffer (max(width x height x 3,
    // 10240) bytes) cannot be allocated or is too small, or a value falls outside the
    // Huffman tables. Such failures end here; the stream is then empty.
    BOOL Encode() noexcept;

    // The finished stream (null and 0 before a successful Encode).
    const BYTE* Data() const;
    std::size_t Size() const;
    // The output buffer's size (0 before Encode).
    std::size_t Capacity() const;

private:
    // The whole encoding; raises EMemoryError, EBufferError and EIndexError.
    void EncodeStream();
    // Colour conversion of the 16 picture rows of MCU row nMcuRow into the strips.
    void ConvertMcuRow(int nMcuRow);
    // Transform, quantisation and Huffman coding of the six blocks of one MCU into bits:
    // all six transformed first, which lets the processor overlap their independent
    // arithmetic, then coded in order.
    void CodeMcu(int nMcuColumn, CEntropyBits& bits);

    const CDibImage& m_Image;
    int m_nWidth;
    int m_nHeight;
    int m_nMcuColumns; // ceil(width / 16)
    int m_nMcuRows;    // ceil(height / 16)

    CDctTransform m_Dct;
    CHuffmanCodes m_Luminance;   // table set 0
    CHuffmanCodes m_Chrominance; // table set 1
    int m_nPreviousDc[3] = {0, 0, 0};

    // 16 rows of luminance and 8 rows of each chrominance of the current MCU row,
    // already replicated to whole MCUs.
    std::unique_ptr<float[]> m_pLumaStrip;
    std::unique_ptr<float[]> m_pBlueStrip;
    std::unique_ptr<float[]> m_pRedStrip;
    int m_nLumaStride = 0;
    int m_nChromaStride = 0;
    // Scratch for the colour conversion: one row as blue, green and red planes.
    std::unique_ptr<double[]> m_pPlanes;

    std::optional<COutBitStream> m_Stream;
    bool m_bDone = false;
};

// Encodes a 24-bit picture and writes the stream as the file szPath in one piece (see
// WriteWholeFile). FALSE, with no file written or changed, when encoding fails or the
// file cannot be written.
BOOL SaveJpeg(const CDibImage& image, const char* szPath);
