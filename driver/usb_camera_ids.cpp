#include "driver/usb_camera_ids.h"

#include "platform/log.h"

#include <cstdlib>

BOOL ParseUsbId(const char* szText, WORD* pnId)
{
    if (!szText)
        return FALSE;
    const char* p = szText;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        p += 2;
    DWORD nValue = 0;
    int nDigits = 0;
    for (; *p; ++p, ++nDigits) {
        const char c = *p;
        int nDigit = -1;
        if (c >= '0' && c <= '9')
            nDigit = c - '0';
        else if (c >= 'a' && c <= 'f')
            nDigit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nDigit = c - 'A' + 10;
        if (nDigit < 0 || nDigits == 4)
            return FALSE;
        nValue = nValue * 16 + static_cast<DWORD>(nDigit);
    }
    if (nDigits == 0)
        return FALSE;
    *pnId = static_cast<WORD>(nValue);
    return TRUE;
}

namespace {

WORD IdOrDefault(const char* szText, WORD nDefault, const char* szVariable, bool* pbNamed)
{
    WORD nId = nDefault;
    if (szText && *szText && !ParseUsbId(szText, &nId)) {
        LogLine(ELogCategory::Usb, "%s=\"%s\" is no USB id (1 to 4 hex digits); using %04x", szVariable, szText,
                nDefault);
        return nDefault;
    }
    if (szText && *szText)
        *pbNamed = true;
    return nId;
}

} // namespace

USB_CAMERA_IDS MakeUsbCameraIds(const char* szVendor, const char* szProduct, bool* pbNamed)
{
    bool bNamed = false;
    const USB_CAMERA_IDS ids{IdOrDefault(szVendor, USB_CAMERA_DEFAULT_VENDOR_ID, USB_VENDOR_ID_VARIABLE, &bNamed),
                             IdOrDefault(szProduct, USB_CAMERA_DEFAULT_PRODUCT_ID, USB_PRODUCT_ID_VARIABLE, &bNamed)};
    if (pbNamed)
        *pbNamed = bNamed;
    return ids;
}

USB_CAMERA_IDS GetUsbCameraIds(bool* pbNamed)
{
    return MakeUsbCameraIds(std::getenv(USB_VENDOR_ID_VARIABLE), std::getenv(USB_PRODUCT_ID_VARIABLE), pbNamed);
}
