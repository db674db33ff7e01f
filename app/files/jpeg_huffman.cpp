#include "app/files/jpeg_huffman.h"

#include <bit>
#include <cstdlib>

namespace {

// Size category: the number of bits of |nValue| (0 for 0).
int SizeOf(int nValue)
{
    return std::bit_width(static_cast<unsigned>(std::abs(nValue)));
}

// The low nSize bits that follow a code: the value itself, or value - 1 when negative
// (one's complement of its magnitude).
unsigned AmplitudeBits(int nValue, int nSize)
{
    const int nBits = nValue < 0 ? nValue - 1 : nValue;
    return static_cast<unsigned>(nBits) & ((1u << nSize) - 1);
}

// A code followed by nSize amplitude bits of nValue.
std::uint32_t CodeAndAmplitude(std::uint16_t nCode, int nSize, int nValue)
{
    return (static_cast<std::uint32_t>(nCode) << nSize) | AmplitudeBits(nValue, nSize);
}

} // namespace

std::uint64_t NonZeroMask(const std::int16_t* pCoefficients)
{
    std::uint64_t nMask = 0;
    for (int k = 0; k < 64; ++k)
        nMask |= static_cast<std::uint64_t>(pCoefficients[k] != 0) << k;
    return nMask;
}

void CodeHuffman(const std::int16_t* pCoefficients, std::uint64_t nNonZero, int& nPreviousDc,
                 const CHuffmanCodes& codes, COutBitStream& out)
{
    CEntropyBits bits(out);
    CodeHuffman(pCoefficients, nNonZero, nPreviousDc, codes, bits);
    bits.Flush();
}

void CodeHuffman(const std::int16_t* pCoefficients, std::uint64_t nNonZero, int& nPreviousDc,
                 const CHuffmanCodes& codes, CEntropyBits& bits)
{
    const int nDiff = pCoefficients[0] - nPreviousDc;
    nPreviousDc = pCoefficients[0];
    const int nDcSize = SizeOf(nDiff);
    if (nDcSize >= CHuffmanCodes::DC_ENTRIES)
        throw EIndexError("CodeHuffman:DC", nDcSize, CHuffmanCodes::DC_ENTRIES);
    bits.Put(CodeAndAmplitude(codes.nDcCode[nDcSize], nDcSize, nDiff), codes.nDcLength[nDcSize] + nDcSize);

    // The non-zero AC coefficients in zigzag order, so that zero runs are skipped in one
    // step.
    std::uint64_t nZigzagNonZero = 0;
    for (std::uint64_t nNatural = nNonZero & ~std::uint64_t{1}; nNatural != 0; nNatural &= nNatural - 1)
        nZigzagNonZero |= std::uint64_t{1} << g_NaturalToZigzag[std::countr_zero(nNatural)];

    int nLast = 0; // zigzag position of the last coded coefficient
    while (nZigzagNonZero != 0) {
        const int k = std::countr_zero(nZigzagNonZero);
        nZigzagNonZero &= nZigzagNonZero - 1;
        const int nValue = pCoefficients[g_ZigzagToNatural[k]];
        int nRun = k - nLast - 1;
        for (; nRun > 15; nRun -= 16)
            bits.Put(codes.nAcCode[CHuffmanCodes::AC_ZRL], codes.nAcLength[CHuffmanCodes::AC_ZRL]);
        const int nSize = SizeOf(nValue);
        const int nIndex = AcIndex(nRun, nSize);
        if (nSize > 10 || nIndex >= CHuffmanCodes::AC_ENTRIES)
            throw EIndexError("CodeHuffman:AC", nIndex, CHuffmanCodes::AC_ENTRIES);
        bits.Put(CodeAndAmplitude(codes.nAcCode[nIndex], nSize, nValue), codes.nAcLength[nIndex] + nSize);
        nLast = k;
    }
    if (pCoefficients[63] == 0) // zigzag position 63 is natural index 63
        bits.Put(codes.nAcCode[CHuffmanCodes::AC_EOB], codes.nAcLength[CHuffmanCodes::AC_EOB]);
}
