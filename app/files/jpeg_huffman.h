// Huffman coding of one quantised 8x8 block into the JPEG encoder's bit stream.
#pragma once

#include "app/files/jpeg_tables.h"
#include "app/files/out_bit_stream.h"

#include <cstdint>

// Codes the block (quantised coefficients in natural order; nNonZero has bit k set
// exactly when coefficient k is not zero): the DC difference to
// nPreviousDc (which becomes this block's DC), then the AC coefficients in zigzag order
// as runs of zeros and values, with end-of-block only when the last coefficient is zero.
// EIndexError ("CodeHuffman:DC" / "CodeHuffman:AC") for a size category beyond the
// tables; EBufferError from the stream.
void CodeHuffman(const std::int16_t* pCoefficients, std::uint64_t nNonZero, int& nPreviousDc,
                 const CHuffmanCodes& codes, COutBitStream& out);

// The mask CodeHuffman wants, for callers that have not computed it on the way.
std::uint64_t NonZeroMask(const std::int16_t* pCoefficients);
