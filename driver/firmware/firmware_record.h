// Firmware images as the driver carries them: lists of 22-byte records, and reading such
// lists from files.
#pragma once

#include "platform/devio_status.h"
#include "platform/win_types.h"

#include <cstddef>
#include <string>
#include <vector>

// One record. Type 0 is data; any other type ends the list. Only the first Length bytes of
// Data count. In a file the address is little-endian.
struct FIRMWARE_RECORD {
    BYTE Length;
    BYTE Reserved1;
    WORD Address;
    BYTE Type;
    BYTE Data[16];
    BYTE Reserved2;
};
static_assert(sizeof(FIRMWARE_RECORD) == 22);
static_assert(offsetof(FIRMWARE_RECORD, Address) == 2 && offsetof(FIRMWARE_RECORD, Type) == 4 &&
              offsetof(FIRMWARE_RECORD, Data) == 5);

constexpr std::size_t FIRMWARE_RECORD_SIZE = 22;
constexpr BYTE FIRMWARE_RECORD_DATA = 0;
constexpr BYTE FIRMWARE_RECORD_END = 1;

// Reads a record list from bytes: whole 22-byte records up to and including the first one
// whose type is not 0 (bytes after it are ignored). FALSE, with *pRecords emptied, when a
// data record claims more than 16 bytes or the list has no end record.
BOOL ParseFirmwareRecords(const BYTE* pBytes, std::size_t nBytes, std::vector<FIRMWARE_RECORD>* pRecords);

// Reads a record list file. STATUS_OBJECT_NAME_NOT_FOUND when it cannot be read,
// STATUS_INVALID_IMAGE_FORMAT when it is not a record list.
NTSTATUS ReadFirmwareFile(const std::string& szPath, std::vector<FIRMWARE_RECORD>* pRecords);

// Counts of a record list, for checks.
struct FIRMWARE_SHAPE {
    std::size_t nDataRecords = 0;
    std::size_t nDataBytes = 0;
    DWORD nLowestAddress = 0;  // of any data byte
    DWORD nHighestAddress = 0; // of any data byte
    bool bEndsWithEndRecord = false;
};
FIRMWARE_SHAPE MeasureFirmware(const FIRMWARE_RECORD* pRecords, std::size_t nRecords);
