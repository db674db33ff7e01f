// Huffman coding of one quantised 8x8 block into the JPEG encoder's bit stream.
#pragma once

#include "app/files/jpeg_tables.h"
#include "app/files/out_bit_stream.h"

#include <cstdint>

// Entropy-coded bits on their way to the stream: fewer than 32 wait in 64 bits between
// calls and go out 32 at a time (COutBitStream::SetBitsWide). Flush hands over the rest;
// it must come before anything else is written to the stream.
class CEntropyBits {
public:
    explicit CEntropyBits(COutBitStream& out) : m_Out(out) {}
    CEntropyBits(const CEntropyBits&) = delete;
    CEntropyBits& operator=(const CEntropyBits&) = delete;

    // nLength 1..32 bits of nBits (higher bits zero): a code and the amplitude that follows it.
    void Put(std::uint32_t nBits, int nLength)
    {
        m_nBits = (m_nBits << nLength) | nBits;
        m_nCount += nLength;
        if (m_nCount >= 32) {
            m_nCount -= 32;
            m_Out.SetBitsWide(static_cast<std::uint32_t>(m_nBits >> m_nCount), 32);
        }
    }

    void Flush()
    {
        if (m_nCount > 0)
            m_Out.SetBitsWide(static_cast<std::uint32_t>(m_nBits), m_nCount);
        m_nCount = 0;
    }

private:
    COutBitStream& m_Out;
    std::uint64_t m_nBits = 0; // the low m_nCount bits are waiting
    int m_nCount = 0;
};

// Codes the block (quantised coefficients in natural order; nNonZero has bit k set
// exactly when coefficient k is not zero): the DC difference to
// nPreviousDc (which becomes this block's DC), then the AC coefficients in zigzag order
// as runs of zeros and values, with end-of-block only when the last coefficient is zero.
// EIndexError ("CodeHuffman:DC" / "CodeHuffman:AC") for a size category beyond the
// tables; EBufferError from the stream.
void CodeHuffman(const std::int16_t* pCoefficients, std::uint64_t nNonZero, int& nPreviousDc,
                 const CHuffmanCodes& codes, COutBitStream& out);
// The same into bits that wait for more blocks (the encoder flushes them at the end).
void CodeHuffman(const std::int16_t* pCoefficients, std::uint64_t nNonZero, int& nPreviousDc,
                 const CHuffmanCodes& codes, CEntropyBits& bits);

// The mask CodeHuffman wants, for callers that have not computed it on the way.
std::uint64_t NonZeroMask(const std::int16_t* pCoefficients);
