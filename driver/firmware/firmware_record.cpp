#include "driver/firmware/firmware_record.h"

#include "platform/read_whole_file.h"

#include <algorithm>

BOOL ParseFirmwareRecords(const BYTE* pBytes, std::size_t nBytes, std::vector<FIRMWARE_RECORD>* pRecords)
{
    pRecords->clear();
    for (std::size_t nOffset = 0; nOffset + FIRMWARE_RECORD_SIZE <= nBytes; nOffset += FIRMWARE_RECORD_SIZE) {
        const BYTE* p = pBytes + nOffset;
        FIRMWARE_RECORD record{};
        record.Length = p[0];
        record.Reserved1 = p[1];
        record.Address = static_cast<WORD>(p[2] | (p[3] << 8));
        record.Type = p[4];
        std::copy(p + 5, p + 21, record.Data);
        record.Reserved2 = p[21];
        if (record.Type == FIRMWARE_RECORD_DATA && record.Length > sizeof record.Data)
            break;
        pRecords->push_back(record);
        if (record.Type != FIRMWARE_RECORD_DATA)
            return TRUE;
    }
    pRecords->clear();
    return FALSE;
}

NTSTATUS ReadFirmwareFile(const std::string& szPath, std::vector<FIRMWARE_RECORD>* pRecords)
{
    pRecords->clear();
    const CReadWholeFile file(szPath.c_str());
    if (!file.IsRead())
        return STATUS_OBJECT_NAME_NOT_FOUND;
    return ParseFirmwareRecords(file.Start(), file.Size(), pRecords) ? STATUS_SUCCESS : STATUS_INVALID_IMAGE_FORMAT;
}

FIRMWARE_SHAPE MeasureFirmware(const FIRMWARE_RECORD* pRecords, std::size_t nRecords)
{
    FIRMWARE_SHAPE shape;
    shape.nLowestAddress = 0xFFFFFFFF;
    for (std::size_t i = 0; i < nRecords; ++i) {
        const FIRMWARE_RECORD& record = pRecords[i];
        if (record.Type != FIRMWARE_RECORD_DATA) {
            shape.bEndsWithEndRecord = i + 1 == nRecords;
            break;
        }
        ++shape.nDataRecords;
        shape.nDataBytes += record.Length;
        if (record.Length) {
            shape.nLowestAddress = std::min<DWORD>(shape.nLowestAddress, record.Address);
            shape.nHighestAddress = std::max<DWORD>(shape.nHighestAddress, record.Address + record.Length - 1u);
        }
    }
    if (shape.nDataBytes == 0)
        shape.nLowestAddress = 0;
    return shape;
}
