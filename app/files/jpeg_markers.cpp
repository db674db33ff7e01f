#include "app/files/jpeg_markers.h"

#include "app/files/jpeg_tables.h"

namespace {

constexpr WORD SOI = 0xFFD8;
constexpr WORD APP0 = 0xFFE0;
constexpr WORD COM = 0xFFFE;
constexpr WORD DQT = 0xFFDB;
constexpr WORD DHT = 0xFFC4;
constexpr WORD SOF0 = 0xFFC0;
constexpr WORD SOS = 0xFFDA;
constexpr WORD EOI = 0xFFD9;

const BYTE JFIF_IDENTIFIER[5] = {'J', 'F', 'I', 'F', 0};
const BYTE COMMENT[3] = {' ', ' ', 0};

void WriteQuantTable(COutBitStream& out, int nTable)
{
    out.SetWord(DQT);
    out.SetWord(67);
    out.SetByte(static_cast<BYTE>(nTable)); // 8-bit entries, table nTable
    for (int k = 0; k < 64; ++k)
        out.SetByte(g_QuantTables[nTable][g_ZigzagToNatural[k]]);
}

// nClassAndId: 0x00 / 0x01 DC tables 0 and 1, 0x10 / 0x11 AC tables 0 and 1.
void WriteHuffmanTable(COutBitStream& out, BYTE nClassAndId, const CHuffmanTableDef& table)
{
    out.SetWord(DHT);
    out.SetWord(static_cast<WORD>(2 + 1 + 16 + table.nSymbolCount));
    out.SetByte(nClassAndId);
    out.CopyByte(table.nCounts, 16);
    out.CopyByte(table.pSymbols, static_cast<std::size_t>(table.nSymbolCount));
}

} // namespace

void WriteJpegHeaders(COutBitStream& out, int nWidth, int nHeight)
{
    out.SetWord(SOI);

    out.SetWord(APP0);
    out.SetWord(16);
    out.CopyByte(JFIF_IDENTIFIER, sizeof(JFIF_IDENTIFIER));
    out.SetByte(1); // version 1.02
    out.SetByte(2);
    out.SetByte(1); // density in dots per inch
    out.SetWord(72);
    out.SetWord(72);
    out.SetByte(0); // no thumbnail
    out.SetByte(0);

    out.SetWord(COM);
    out.SetWord(2 + sizeof(COMMENT));
    out.CopyByte(COMMENT, sizeof(COMMENT));

    WriteQuantTable(out, 0);
    WriteQuantTable(out, 1);

    WriteHuffmanTable(out, 0x00, g_DcLuminanceSpec);
    WriteHuffmanTable(out, 0x01, g_DcChrominanceSpec);
    WriteHuffmanTable(out, 0x10, g_AcLuminanceSpec);
    WriteHuffmanTable(out, 0x11, g_AcChrominanceSpec);

    out.SetWord(SOF0);
    out.SetWord(17);
    out.SetByte(8); // sample precision
    out.SetWord(static_cast<WORD>(nHeight));
    out.SetWord(static_cast<WORD>(nWidth));
    out.SetByte(3);
    const BYTE components[3][3] = {{0, 0x22, 0}, {1, 0x11, 1}, {2, 0x11, 1}}; // id, sampling, table
    for (const auto& component : components) {
        out.SetByte(component[0]);
        out.SetByte(component[1]);
        out.SetByte(component[2]);
    }

    out.SetWord(SOS);
    out.SetWord(12);
    out.SetByte(3);
    const BYTE scan[3][2] = {{0, 0x00}, {1, 0x11}, {2, 0x11}}; // id, DC and AC table
    for (const auto& component : scan) {
        out.SetByte(component[0]);
        out.SetByte(component[1]);
    }
    out.SetByte(0);    // spectral selection start
    out.SetByte(0x3F); // spectral selection end
    out.SetByte(0);    // successive approximation
}

void WriteJpegEnd(COutBitStream& out)
{
    out.SetWord(EOI);
}
