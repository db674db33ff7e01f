#include "simcam/sim_usb_descriptors.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr std::array<BYTE, 18> kDevice = {
    18, 1,                 // length, device
    0x00, 0x02,            // USB 2.0
    0xFF, 0xFF, 0xFF, 64,  // vendor class, endpoint 0 packet size
    SIM_VENDOR_ID & 0xFF, SIM_VENDOR_ID >> 8, SIM_PRODUCT_ID & 0xFF, SIM_PRODUCT_ID >> 8,
    0x00, 0x01,            // release 1.00
    1, 2, 3, 1};           // strings, one configuration

constexpr std::array<BYTE, 76> kConfiguration = {
    9, 2, 76, 0, 1, SIM_CONFIGURATION_VALUE, 0, 0x80, 250, // bus powered, 500 mA
    9, 4, 0, 0, 3, 0xFF, 0xFF, 0xFF, 0,                    // interface 0, three endpoints
    7, 5, SIM_EP_COMMAND, 2, 0x00, 0x02, 0,                // bulk, 512-byte packets
    7, 5, SIM_EP_REPLY, 2, 0x00, 0x02, 0,
    7, 5, SIM_EP_IMAGE, 2, 0x00, 0x02, 0,
    9, 4, 0, SIM_ISO_ALTERNATE_SETTING, 4, 0xFF, 0xFF, 0xFF, 0, // interface 0, setting 1
    7, 5, SIM_EP_COMMAND, 2, 0x00, 0x02, 0,
    7, 5, SIM_EP_REPLY, 2, 0x00, 0x02, 0,
    7, 5, SIM_EP_ISO_IN, 0x05, SIM_ISO_MAX_PACKET & 0xFF, SIM_ISO_MAX_PACKET >> 8, 1, // isochronous, asynchronous,
    7, 5, SIM_EP_ISO_OUT, 0x05, SIM_ISO_MAX_PACKET & 0xFF, SIM_ISO_MAX_PACKET >> 8, 1}; // every microframe

std::vector<BYTE> StringDescriptor(const char* szText)
{
    std::vector<BYTE> bytes{0, 3};
    for (const char* p = szText; *p; ++p) {
        bytes.push_back(static_cast<BYTE>(*p));
        bytes.push_back(0);
    }
    bytes[0] = static_cast<BYTE>(bytes.size());
    return bytes;
}

} // namespace

BOOL SimGetDescriptor(BYTE nType, BYTE nIndex, WORD, WORD nSerial, BYTE* pBuffer, DWORD nLength, DWORD* pnCopied)
{
    *pnCopied = 0;
    std::vector<BYTE> bytes;
    if (nType == 1 && nIndex == 0) {
        bytes.assign(kDevice.begin(), kDevice.end());
    } else if (nType == 2 && nIndex == 0) {
        bytes.assign(kConfiguration.begin(), kConfiguration.end());
    } else if (nType == 3 && nIndex == 0) {
        bytes = {4, 3, 0x09, 0x04}; // English (United States)
    } else if (nType == 3 && nIndex == 1) {
        bytes = StringDescriptor("Vexilo simulation");
    } else if (nType == 3 && nIndex == 2) {
        bytes = StringDescriptor("Lorvidex07 simulated camera");
    } else if (nType == 3 && nIndex == 3) {
        char szSerial[16];
        std::snprintf(szSerial, sizeof szSerial, "SIM-%04u", static_cast<unsigned>(nSerial % 10000));
        bytes = StringDescriptor(szSerial);
    } else {
        return FALSE;
    }
    *pnCopied = std::min<DWORD>(nLength, static_cast<DWORD>(bytes.size()));
    if (pBuffer)
        std::copy_n(bytes.begin(), *pnCopied, pBuffer);
    return TRUE;
}
