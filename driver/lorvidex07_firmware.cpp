// Lorvidex07Drv: downloading the firmware images into the camera's microcontroller.
#include "driver/cam_device_extension.h"

#include <algorithm>

namespace {

constexpr UCHAR VENDOR_REQUEST_INTERNAL_RAM = 0xA0; // the microcontroller's own download request
constexpr UCHAR VENDOR_REQUEST_EXTERNAL_RAM = 0xA3; // the loader's request for memory above 0x1B3F
constexpr WORD HIGHEST_INTERNAL_ADDRESS = 0x1B3F;
// The reset register of the two microcontroller generations the camera may carry.
constexpr USHORT CPUCS_OLD = 0x7F92;
constexpr USHORT CPUCS = 0xE600;

NTSTATUS SendRecord(CAM_DEVICE_EXTENSION* pExt, UCHAR nRequest, const FIRMWARE_RECORD& record)
{
    UCHAR data[sizeof record.Data];
    std::copy(std::begin(record.Data), std::end(record.Data), data);
    return CamVendorRequest(pExt, nRequest, record.Address, 0, false, data,
                            std::min<ULONG>(record.Length, sizeof data), nullptr);
}

} // namespace

NTSTATUS CamResetControl(CAM_DEVICE_EXTENSION* pExt, bool bHoldInReset)
{
    UCHAR nValue = bHoldInReset ? 1 : 0;
    CamVendorRequest(pExt, VENDOR_REQUEST_INTERNAL_RAM, CPUCS_OLD, 0, false, &nValue, 1, nullptr);
    nValue = bHoldInReset ? 1 : 0;
    return CamVendorRequest(pExt, VENDOR_REQUEST_INTERNAL_RAM, CPUCS, 0, false, &nValue, 1, nullptr);
}

NTSTATUS CamDownloadImage(CAM_DEVICE_EXTENSION* pExt, const std::vector<FIRMWARE_RECORD>& image)
{
    NTSTATUS status = STATUS_SUCCESS;
    // Pass 1: memory above the microcontroller's own, through the running loader.
    for (const FIRMWARE_RECORD& record : image) {
        if (record.Type != FIRMWARE_RECORD_DATA)
            break;
        if (record.Address > HIGHEST_INTERNAL_ADDRESS) {
            status = SendRecord(pExt, VENDOR_REQUEST_EXTERNAL_RAM, record);
            if (!NT_SUCCESS(status))
                break;
        }
    }
    status = CamResetControl(pExt, true);
    // Pass 2: the microcontroller's own memory, while it is held in reset.
    for (const FIRMWARE_RECORD& record : image) {
        if (record.Type != FIRMWARE_RECORD_DATA)
            break;
        if (record.Address <= HIGHEST_INTERNAL_ADDRESS) {
            status = SendRecord(pExt, VENDOR_REQUEST_INTERNAL_RAM, record);
            if (!NT_SUCCESS(status))
                break;
        }
    }
    return status;
}

void CamLoadFirmware(CAM_DEVICE_EXTENSION* pExt)
{
    // Failures are not reported: a camera without firmware does not answer its commands,
    // which the program sees as failed transfers.
    const FIRMWARE_IMAGES& firmware = pExt->DriverData->Firmware;
    CamResetControl(pExt, true);
    CamDownloadImage(pExt, firmware.ImageA);
    CamResetControl(pExt, false); // the loader runs
    CamDownloadImage(pExt, firmware.ImageB);
    CamResetControl(pExt, true);
    CamResetControl(pExt, false); // the camera firmware runs
}
