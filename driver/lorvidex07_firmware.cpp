// Lorvidex07Drv: downloading the firmware images into the camera's microcontroller.
#include "driver/cam_device_extension.h"
#include "platform/log.h"

#include <algorithm>
#include <utility>

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
    // Only one of the two registers is the camera's; the other write may fail, so its result
    // says nothing.
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
            if (!NT_SUCCESS(status)) {
                // The download goes on, and the answer is that of the reset below.
                LogLine(ELogCategory::Driver, "%ls: firmware record at 0x%04X (external memory) failed: 0x%08X",
                        CamLogName(pExt), record.Address, static_cast<unsigned>(status));
                break;
            }
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
    // Failures do not stop the download or the start: a camera without firmware does not
    // answer its commands, which the program sees as failed transfers. The first one is logged.
    const FIRMWARE_IMAGES& firmware = pExt->DriverData->Firmware;
    bool bLogged = false;
    const auto note = [&](NTSTATUS status, const char* szStep) {
        if (!NT_SUCCESS(status) && !std::exchange(bLogged, true))
            LogLine(ELogCategory::Driver, "%ls: firmware download failed at %s: 0x%08X (usb status 0x%08X)",
                    CamLogName(pExt), szStep, static_cast<unsigned>(status),
                    static_cast<unsigned>(pExt->LastUsbStatus.load()));
    };
    note(CamResetControl(pExt, true), "the first reset");
    note(CamDownloadImage(pExt, firmware.ImageA), "image A");
    note(CamResetControl(pExt, false), "starting the loader"); // the loader runs
    note(CamDownloadImage(pExt, firmware.ImageB), "image B");
    note(CamResetControl(pExt, true), "stopping the loader");
    note(CamResetControl(pExt, false), "starting the firmware"); // the camera firmware runs
}
