// Fuzz target of the firmware record-list reader: any bytes as a file's contents. A list
// taken is the input's first whole records, field by field, data records of at most 16
// bytes up to the first record of another type, which ends it; a list refused leaves no
// records, and then the input has no such end or a data record before it claims more.
#include "driver/firmware/firmware_record.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool SameAsBytes(const FIRMWARE_RECORD& record, const std::uint8_t* p)
{
    return record.Length == p[0] && record.Reserved1 == p[1] && record.Address == (p[2] | (p[3] << 8)) &&
           record.Type == p[4] && std::equal(record.Data, record.Data + 16, p + 5) && record.Reserved2 == p[21];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    std::vector<FIRMWARE_RECORD> records(3); // whatever was there before goes
    const BOOL bTaken = ParseFirmwareRecords(pData, nSize, &records);

    // The answer worked out from the bytes: the first record that is not data ends a good
    // list, a data record of more than 16 bytes before it spoils it.
    std::size_t nExpected = 0;
    bool bGood = false;
    for (std::size_t nOffset = 0; nOffset + FIRMWARE_RECORD_SIZE <= nSize; nOffset += FIRMWARE_RECORD_SIZE) {
        const std::uint8_t* p = pData + nOffset;
        if (p[4] == FIRMWARE_RECORD_DATA && p[0] > 16)
            break;
        ++nExpected;
        if (p[4] != FIRMWARE_RECORD_DATA) {
            bGood = true;
            break;
        }
    }
    if ((bTaken != FALSE) != bGood)
        __builtin_trap();
    if (!bGood) {
        if (!records.empty())
            __builtin_trap();
        return 0;
    }
    if (records.size() != nExpected)
        __builtin_trap();
    std::size_t nDataBytes = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!SameAsBytes(records[i], pData + i * FIRMWARE_RECORD_SIZE))
            __builtin_trap();
        if (i + 1 < records.size())
            nDataBytes += records[i].Length;
    }
    const FIRMWARE_SHAPE shape = MeasureFirmware(records.data(), records.size());
    if (!shape.bEndsWithEndRecord || shape.nDataRecords != records.size() - 1 || shape.nDataBytes != nDataBytes)
        __builtin_trap();
    return 0;
}
