#include "driver/firmware/intel_hex.h"

#include "platform/read_whole_file.h"

#include <algorithm>

namespace {

constexpr BYTE HEX_DATA = 0x00;
constexpr BYTE HEX_END_OF_FILE = 0x01;
constexpr BYTE HEX_EXTENDED_SEGMENT = 0x02;
constexpr BYTE HEX_START_SEGMENT = 0x03;
constexpr BYTE HEX_EXTENDED_LINEAR = 0x04;
constexpr BYTE HEX_START_LINEAR = 0x05;
constexpr DWORD HIGHEST_ADDRESS = 0xFFFF;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The bytes of one line after its colon; false when a character is no hex digit or the
// digits do not pair up.
bool DecodeLine(const char* pBegin, const char* pEnd, std::vector<BYTE>* pBytes)
{
    pBytes->clear();
    if ((pEnd - pBegin) % 2 != 0)
        return false;
    for (const char* p = pBegin; p < pEnd; p += 2) {
        const int nHigh = HexDigit(p[0]);
        const int nLow = HexDigit(p[1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        pBytes->push_back(static_cast<BYTE>(nHigh * 16 + nLow));
    }
    return true;
}

// Appends the data of one line as records of at most 16 bytes; false past 0xFFFF.
bool AppendData(DWORD nAddress, const BYTE* pData, std::size_t nCount, std::vector<FIRMWARE_RECORD>* pRecords)
{
    if (nCount > 0 && nAddress + nCount - 1 > HIGHEST_ADDRESS)
        return false;
    for (std::size_t nDone = 0; nDone < nCount; nDone += 16) {
        FIRMWARE_RECORD record{};
        record.Length = static_cast<BYTE>(std::min<std::size_t>(16, nCount - nDone));
        record.Address = static_cast<WORD>(nAddress + nDone);
        record.Type = FIRMWARE_RECORD_DATA;
        std::copy(pData + nDone, pData + nDone + record.Length, record.Data);
        pRecords->push_back(record);
    }
    return true;
}

} // namespace

BOOL ParseIntelHex(const char* pText, std::size_t nLength, std::vector<FIRMWARE_RECORD>* pRecords,
                   std::size_t* pnErrorLine)
{
    pRecords->clear();
    DWORD nBase = 0;
    std::vector<BYTE> bytes;
    std::size_t nLine = 0;
    auto fail = [&] {
        pRecords->clear();
        if (pnErrorLine)
            *pnErrorLine = nLine;
        return FALSE;
    };
    const char* pEnd = pText + nLength;
    for (const char* p = pText; p < pEnd;) {
        const char* pLineEnd = std::find(p, pEnd, '\n');
        ++nLine;
        const char* pFirst = p;
        const char* pLast = pLineEnd;
        p = pLineEnd < pEnd ? pLineEnd + 1 : pEnd;
        while (pFirst < pLast && IsBlank(*pFirst))
            ++pFirst;
        while (pLast > pFirst && IsBlank(pLast[-1]))
            --pLast;
        if (pFirst == pLast)
            continue;
        // Byte count, address (2), type, data, checksum: at least five bytes.
        if (*pFirst != ':' || !DecodeLine(pFirst + 1, pLast, &bytes) || bytes.size() < 5 ||
            bytes.size() != 5u + bytes[0])
            return fail();
        BYTE nSum = 0;
        for (BYTE b : bytes)
            nSum = static_cast<BYTE>(nSum + b);
        if (nSum != 0)
            return fail();
        const BYTE nCount = bytes[0];
        const DWORD nOffset = static_cast<DWORD>(bytes[1] << 8 | bytes[2]);
        const BYTE* pData = bytes.data() + 4;
        switch (bytes[3]) {
        case HEX_DATA:
            if (!AppendData(nBase + nOffset, pData, nCount, pRecords))
                return fail();
            break;
        case HEX_END_OF_FILE: {
            FIRMWARE_RECORD end{};
            end.Type = FIRMWARE_RECORD_END;
            pRecords->push_back(end);
            return TRUE;
        }
        case HEX_EXTENDED_SEGMENT:
        case HEX_EXTENDED_LINEAR: {
            if (nCount != 2)
                return fail();
            const DWORD nValue = static_cast<DWORD>(pData[0] << 8 | pData[1]);
            nBase = bytes[3] == HEX_EXTENDED_SEGMENT ? nValue << 4 : nValue << 16;
            break;
        }
        case HEX_START_SEGMENT:
        case HEX_START_LINEAR:
            if (nCount != 4)
                return fail();
            break;
        default:
            return fail();
        }
    }
    ++nLine; // the end-of-file line is missing
    return fail();
}

NTSTATUS ReadIntelHexFile(const std::string& szPath, std::vector<FIRMWARE_RECORD>* pRecords)
{
    pRecords->clear();
    const CReadWholeFile file(szPath.c_str());
    if (!file.IsRead())
        return STATUS_OBJECT_NAME_NOT_FOUND;
    const std::string_view text = file.Text();
    return ParseIntelHex(text.data(), text.size(), pRecords) ? STATUS_SUCCESS : STATUS_INVALID_IMAGE_FORMAT;
}
