// Fuzz target of the Intel HEX firmware reader: any bytes as a file's text. A file taken
// must give records the microcontroller can hold (data records of 1 to 16 bytes within
// 0x0000..0xFFFF, the end record last and only there) that read back the same once
// written as Intel HEX again; a file refused must leave no records and name one of its
// lines (or the one after its last, for a missing end).
#include "driver/firmware/intel_hex.h"
#include "tests/driver/intel_hex_lines.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// One data line, or the end line, in lower case with CR LF.
std::string HexLine(const FIRMWARE_RECORD& record)
{
    const bool bData = record.Type == FIRMWARE_RECORD_DATA;
    return IntelHexLine(bData ? BYTE{0} : BYTE{1}, record.Address,
                        bData ? std::vector<BYTE>(record.Data, record.Data + record.Length) : std::vector<BYTE>{},
                        true, "\r\n");
}

bool SameRecord(const FIRMWARE_RECORD& a, const FIRMWARE_RECORD& b)
{
    if (a.Type != b.Type)
        return false;
    return a.Type != FIRMWARE_RECORD_DATA ||
           (a.Length == b.Length && a.Address == b.Address && std::equal(a.Data, a.Data + a.Length, b.Data));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize > 1 << 20)
        return 0;
    const char* pText = reinterpret_cast<const char*>(pData);
    // Whatever the list held before must go, on success and on failure.
    std::vector<FIRMWARE_RECORD> records(3, FIRMWARE_RECORD{});
    std::size_t nErrorLine = 0;
    if (!ParseIntelHex(pText, nSize, &records, &nErrorLine)) {
        const std::size_t nLines = static_cast<std::size_t>(std::count(pText, pText + nSize, '\n')) +
                                   (nSize > 0 && pText[nSize - 1] != '\n' ? 1 : 0);
        if (!records.empty() || nErrorLine < 1 || nErrorLine > nLines + 1)
            __builtin_trap();
        return 0;
    }

    if (records.empty() || records.back().Type != FIRMWARE_RECORD_END)
        __builtin_trap();
    std::string text;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        const FIRMWARE_RECORD& record = records[i];
        if (record.Type != FIRMWARE_RECORD_DATA || record.Length < 1 || record.Length > 16 ||
            record.Address + record.Length - 1 > 0xFFFF)
            __builtin_trap();
        text += HexLine(record);
    }
    text += HexLine(records.back());

    std::vector<FIRMWARE_RECORD> again;
    if (!ParseIntelHex(text.data(), text.size(), &again) || again.size() != records.size())
        __builtin_trap();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!SameRecord(records[i], again[i]))
            __builtin_trap();
    return 0;
}
