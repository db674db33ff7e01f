// The camera driver's private state: the per-camera device extension, the driver-wide data,
// and the routines its source files share.
#pragma once

#include "driver/cam_iso_ring.h"
#include "driver/firmware/firmware_images.h"
#include "driver/kernel/ks_device.h"
#include "driver/kernel/ks_spin_lock.h"
#include "driver/usb_types.h"

#include <cwchar>

// Pool allocations of the driver carry this tag.
constexpr ULONG CAM_POOL_TAG = MakePoolTag('W', 'd', 'm', ' ');

struct CAM_ISO_CONTEXT;

// Driver-wide data, one per driver object.
struct CAM_DRIVER_DATA {
    // Bounds every pipe transfer; changed by IOCTL_CAM_SET_TIMEOUT from any thread.
    std::atomic<LONG> TransferTimeout{3000};
    FIRMWARE_IMAGES Firmware;
};

// One camera, from PhysicalDeviceObject to the stream rings; DeviceObject, DriverData,
// PipeLock, Stream and StreamLock are this implementation's additions. Fields read by
// request threads while plug and play changes them are atomic or guarded by PipeLock.
struct CAM_DEVICE_EXTENSION {
    DEVICE_OBJECT* DeviceObject = nullptr;
    DEVICE_OBJECT* PhysicalDeviceObject = nullptr;
    DEVICE_OBJECT* LowerDeviceObject = nullptr;
    CAM_DRIVER_DATA* DriverData = nullptr;
    std::atomic<UCHAR> Started{0};
    UCHAR LinkCreated = 0;
    USBD_CONFIGURATION_HANDLE ConfigurationHandle = 0;            // guarded by PipeLock; 0: not configured
    CKsPoolPtr<USB_DEVICE_DESCRIPTOR> DeviceDescriptor;           // plug and play thread only
    CKsPoolPtr<USBD_INTERFACE_INFORMATION> InterfaceInformation; // guarded by PipeLock
    std::atomic<LONG> OpenHandles{0};
    WCHAR LinkName[25] = {};
    std::atomic<ULONG> LastUsbStatus{0};
    std::atomic<LONG> PendingIo{0};
    KEVENT RemoveEvent;
    std::atomic<UCHAR> Removing{0};
    std::atomic<UCHAR> StopStream{0};
    // The isochronous stream (lorvidex07_iso_stream.cpp): its context and rings while one
    // runs, else null. Guarded by StreamLock: the start publishes them, the stream's last
    // transfer clears them before it frees them, and a reader holds the lock while it takes
    // from the rings.
    CAM_ISO_CONTEXT* Stream = nullptr;
    CAM_ISO_RING* DataRing = nullptr;
    CAM_ISO_RING* DescriptorRing = nullptr;
    KSPIN_LOCK StreamLock;
    KSPIN_LOCK PipeLock;
};

inline CAM_DEVICE_EXTENSION* CamExtension(DEVICE_OBJECT* pDevice)
{
    return static_cast<CAM_DEVICE_EXTENSION*>(pDevice->DeviceExtension);
}
inline CKsPool& CamPool(CAM_DEVICE_EXTENSION* pExt) { return pExt->DeviceObject->DriverObject->Kernel->Pool; }
// The camera's name in log lines ("Lorvidex07-0"): its link name without the folder.
inline const WCHAR* CamLogName(const CAM_DEVICE_EXTENSION* pExt)
{
    const WCHAR* pSlash = std::wcsrchr(pExt->LinkName, L'\\');
    return pSlash ? pSlash + 1 : pExt->LinkName;
}

// --- I/O references (lorvidex07_entry.cpp) ---
// Takes a reference; FALSE (reference already dropped again) while the device is being removed.
bool CamIoIncrement(CAM_DEVICE_EXTENSION* pExt);
void CamIoDecrement(CAM_DEVICE_EXTENSION* pExt);

// --- dispatch routines ---
NTSTATUS CamDispatchCreate(DEVICE_OBJECT* pDevice, IRP* pIrp);
NTSTATUS CamDispatchClose(DEVICE_OBJECT* pDevice, IRP* pIrp);
NTSTATUS CamDispatchDeviceControl(DEVICE_OBJECT* pDevice, IRP* pIrp);
NTSTATUS CamDispatchPnp(DEVICE_OBJECT* pDevice, IRP* pIrp);
NTSTATUS CamDispatchPower(DEVICE_OBJECT* pDevice, IRP* pIrp);

// --- USB requests (lorvidex07_usb.cpp) ---
// A request block on its way down, with the request packet that carries it.
struct CAM_URB_CALL {
    KEVENT Done;
    IRP Irp;
};
// Hands the request block to the bus driver below.
void CamStartUrb(CAM_DEVICE_EXTENSION* pExt, CAM_URB_CALL* pCall, URB* pUrb);
// Waits for it, at most *pTimeout (null: no limit); on expiry cancels it, waits for it to come
// back and answers STATUS_IO_TIMEOUT. A failed USB status is kept as the last USB status and
// turns a successful request into STATUS_UNSUCCESSFUL.
NTSTATUS CamFinishUrb(CAM_DEVICE_EXTENSION* pExt, CAM_URB_CALL* pCall, URB* pUrb, const LARGE_INTEGER* pTimeout);
// Both, without a time limit.
NTSTATUS CamCallUsbd(CAM_DEVICE_EXTENSION* pExt, URB* pUrb);

// *pnReceived: bytes received, 0 on failure.
NTSTATUS CamGetDescriptor(CAM_DEVICE_EXTENSION* pExt, UCHAR nType, UCHAR nIndex, USHORT nLanguage, PVOID pBuffer,
                          ULONG nLength, ULONG* pnReceived);
// Vendor request to the device; *pnTransferred (may be null) gets the bytes moved.
NTSTATUS CamVendorRequest(CAM_DEVICE_EXTENSION* pExt, UCHAR nRequest, USHORT nValue, USHORT nIndex, bool bIn,
                          PVOID pBuffer, ULONG nLength, ULONG* pnTransferred);
NTSTATUS CamReadDeviceDescriptor(CAM_DEVICE_EXTENSION* pExt);
NTSTATUS CamConfigureDevice(CAM_DEVICE_EXTENSION* pExt);
NTSTATUS CamUnconfigureDevice(CAM_DEVICE_EXTENSION* pExt);
NTSTATUS CamSelectInterface(CAM_DEVICE_EXTENSION* pExt, UCHAR nInterface, UCHAR nAlternate);
// Reset-pipe or abort-pipe request (nFunction) for pipe nIndex: STATUS_UNSUCCESSFUL when not
// configured, STATUS_INVALID_PARAMETER for an index not below the pipe count.
NTSTATUS CamPipeRequest(CAM_DEVICE_EXTENSION* pExt, USHORT nFunction, ULONG nIndex);
void CamAbortAllPipes(CAM_DEVICE_EXTENSION* pExt);
NTSTATUS CamResetPort(CAM_DEVICE_EXTENSION* pExt);

// A copy of the pipe table entry nIndex and of the command pipe (entry 0), taken under
// PipeLock. STATUS_UNSUCCESSFUL when not configured, STATUS_INVALID_PARAMETER when nIndex is
// not below the pipe count.
NTSTATUS CamGetPipe(CAM_DEVICE_EXTENSION* pExt, ULONG nIndex, USBD_PIPE_INFORMATION* pPipe,
                    USBD_PIPE_INFORMATION* pCommandPipe);

// --- pipe transfers (lorvidex07_pipe.cpp) ---
// IOCTL_CAM_PIPE_READ and IOCTL_CAM_PIPE_WRITE.
NTSTATUS CamPipeTransfer(CAM_DEVICE_EXTENSION* pExt, IRP* pIrp, ULONG_PTR* pnTransferred);

// --- isochronous stream (lorvidex07_iso_stream.cpp) ---
// At removal: asks a running stream to stop and aborts its pipe, so that its transfers come
// back soon; the stream holds an I/O reference until its last transfer has freed it.
void CamStopIsoStreamForRemoval(CAM_DEVICE_EXTENSION* pExt);

// --- firmware (lorvidex07_firmware.cpp) ---
NTSTATUS CamResetControl(CAM_DEVICE_EXTENSION* pExt, bool bHoldInReset);
NTSTATUS CamDownloadImage(CAM_DEVICE_EXTENSION* pExt, const std::vector<FIRMWARE_RECORD>& image);
void CamLoadFirmware(CAM_DEVICE_EXTENSION* pExt);
