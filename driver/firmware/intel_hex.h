// Firmware images in Intel HEX, the usual file format of microcontroller programs: reading
// such text into the driver's record list.
#pragma once

#include "driver/firmware/firmware_record.h"

#include <cstddef>
#include <string>
#include <vector>

// Converts Intel HEX text into a record list. Each data line (type 00) becomes records of
// at most 16 bytes at its address, in file order; the end-of-file line (01) becomes the end
// record. Extended segment (02) and extended linear (04) address lines move the base of the
// following data lines; start address lines (03, 05) are ignored. Blank lines, spaces around
// a line and CR LF line ends are accepted; text after the end-of-file line is ignored.
// FALSE, with *pRecords emptied and *pnErrorLine (may be null) the 1-based line at fault
// (the line after the last for a missing end), for a line that does not start with ':', a
// character that is not a hex digit, a byte count that does not match the line, a wrong
// checksum, an unknown record type, an address line of the wrong length, data beyond the
// microcontroller's 64 KB (0x0000..0xFFFF), or no end-of-file line.
BOOL ParseIntelHex(const char* pText, std::size_t nLength, std::vector<FIRMWARE_RECORD>* pRecords,
                   std::size_t* pnErrorLine = nullptr);

// Reads an Intel HEX file. STATUS_OBJECT_NAME_NOT_FOUND when it cannot be read,
// STATUS_INVALID_IMAGE_FORMAT when it is not valid Intel HEX.
NTSTATUS ReadIntelHexFile(const std::string& szPath, std::vector<FIRMWARE_RECORD>* pRecords);
