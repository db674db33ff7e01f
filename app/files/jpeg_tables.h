// Fixed tables of the baseline JPEG encoder: zigzag order, the two quantisation tables
// and the four Huffman tables (ITU-T T.81 Annex K), and the code arrays built from them.
#pragma once

#include "platform/win_types.h"

#include <array>
#include <cstdint>

// Natural (row-major) index of zigzag position k, and the other way round.
extern const std::array<BYTE, 64> g_ZigzagToNatural;
extern const std::array<BYTE, 64> g_NaturalToZigzag;

// Quantisation tables in natural order: 0 luminance (Table K.1), 1 chrominance (K.2),
// both unscaled.
extern const std::array<std::array<BYTE, 64>, 2> g_QuantTables;

// A Huffman table as a DHT segment carries it: the number of codes of each length
// 1..16, then the symbols in code order.
struct CHuffmanTableDef {
    BYTE nCounts[16];
    const BYTE* pSymbols;
    int nSymbolCount;
};

// DC luminance (K.3), DC chrominance (K.4), AC luminance (K.5), AC chrominance (K.6).
extern const CHuffmanTableDef g_DcLuminanceSpec;
extern const CHuffmanTableDef g_DcChrominanceSpec;
extern const CHuffmanTableDef g_AcLuminanceSpec;
extern const CHuffmanTableDef g_AcChrominanceSpec;

// Codes and code lengths by symbol. DC: size category 0..11. AC: 162 entries, index 0
// end-of-block (run/size 0/0), run * 10 + size for run 0..14 and size 1..10, 151 the
// run of sixteen zeros (15/0), 151 + size for run 15 and size 1..10.
struct CHuffmanCodes {
    static constexpr int DC_ENTRIES = 12;
    static constexpr int AC_ENTRIES = 162;
    static constexpr int AC_EOB = 0;
    static constexpr int AC_ZRL = 151;

    std::uint16_t nDcCode[DC_ENTRIES];
    BYTE nDcLength[DC_ENTRIES];
    std::uint16_t nAcCode[AC_ENTRIES];
    BYTE nAcLength[AC_ENTRIES];
};

// Index into the AC arrays of a run of zeros (0..15) followed by a coefficient of the
// given size category (1..10); 162 or more when the size is beyond the table.
constexpr int AcIndex(int nRun, int nSize)
{
    return nRun * 10 + nSize + (nRun == 15 ? 1 : 0);
}

// The canonical codes of T.81 Annex C for a DC and an AC table pair.
CHuffmanCodes BuildHuffmanCodes(const CHuffmanTableDef& dc, const CHuffmanTableDef& ac);
