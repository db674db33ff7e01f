// Intel HEX lines for the tests of the firmware reader.
#pragma once

#include "platform/win_types.h"

#include <cstdio>
#include <string>
#include <vector>

// One record: ":", then its length, address, type, data and checksum as hex digits (upper
// case unless bLowerCase), then szEnd.
inline std::string IntelHexLine(BYTE nType, WORD nAddress, const std::vector<BYTE>& data, bool bLowerCase = false,
                                const char* szEnd = "\n")
{
    std::vector<BYTE> bytes{static_cast<BYTE>(data.size()), static_cast<BYTE>(nAddress >> 8),
                            static_cast<BYTE>(nAddress), nType};
    bytes.insert(bytes.end(), data.begin(), data.end());
    BYTE nSum = 0;
    for (BYTE b : bytes)
        nSum = static_cast<BYTE>(nSum + b);
    bytes.push_back(static_cast<BYTE>(0x100 - nSum));
    std::string line = ":";
    char szByte[3];
    for (BYTE b : bytes) {
        std::snprintf(szByte, sizeof szByte, bLowerCase ? "%02x" : "%02X", b);
        line += szByte;
    }
    return line + szEnd;
}
