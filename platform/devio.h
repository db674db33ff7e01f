// The in-process device namespace: named devices, their user-visible links, handles, and the
// request path by which the program opens a device by path, sends it control requests and closes it.
#pragma once

#include "platform/devio_ioctl.h"
#include "platform/devio_status.h"
#include "platform/win_types.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

// CreateFileA arguments, kept for callers written in the platform's manner; a device
// namespace accepts any access and sharing and only opens existing devices.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD OPEN_EXISTING = 3;

// The kinds of request a device receives (major function codes).
constexpr BYTE IRP_MJ_CREATE = 0x00;
constexpr BYTE IRP_MJ_CLOSE = 0x02;
constexpr BYTE IRP_MJ_DEVICE_CONTROL = 0x0E;

// One request as the namespace hands it to a device. For a control request SystemBuffer
// holds a copy of the input (METHOD_BUFFERED: max(input, output) bytes, the output is taken
// from its start); for the direct methods DirectBuffer is the caller's output buffer itself
// (null when its length is 0). The device sets Status and Information (the returned byte count).
struct DEVIO_REQUEST {
    BYTE MajorFunction = IRP_MJ_DEVICE_CONTROL;
    DWORD IoControlCode = 0;
    void* SystemBuffer = nullptr;
    DWORD InputBufferLength = 0;
    DWORD OutputBufferLength = 0;
    void* DirectBuffer = nullptr;
    NTSTATUS Status = STATUS_SUCCESS;
    std::uintptr_t Information = 0;
};

// What a named device implements. DispatchRequest runs synchronously on the caller's thread
// and may be entered by several threads at once; it answers the request's final status.
class IDevioDevice {
public:
    virtual NTSTATUS DispatchRequest(DEVIO_REQUEST& request) = 0;

protected:
    ~IDevioDevice() = default;
};

// The namespace. Device names ("\Device\Lorvidex07-0") and links ("\DosDevices\Lorvidex07-0")
// are compared without case. A user path "\\.\Name" opens the device that the link
// "\DosDevices\Name" names. A handle stays usable after its device left the namespace: its
// requests still reach the device, which answers them as a removed device does; the device's
// close request is sent when the last handle and the last request on it are gone.
// Every member may be called from several threads at once. The namespace must outlive
// the devices inserted into it.
class CDeviceNamespace {
public:
    CDeviceNamespace();
    ~CDeviceNamespace();
    CDeviceNamespace(const CDeviceNamespace&) = delete;
    CDeviceNamespace& operator=(const CDeviceNamespace&) = delete;

    // --- the driver side ---
    // STATUS_OBJECT_NAME_COLLISION when the name is taken, STATUS_OBJECT_NAME_INVALID for "".
    NTSTATUS InsertDevice(const std::string& szDeviceName, std::shared_ptr<IDevioDevice> pDevice);
    void RemoveDevice(const std::string& szDeviceName);
    NTSTATUS CreateSymbolicLink(const std::string& szLinkName, const std::string& szDeviceName);
    NTSTATUS DeleteSymbolicLink(const std::string& szLinkName);

    // --- the user side ---
    // Opens a device: STATUS_OBJECT_NAME_NOT_FOUND for an unknown path, else the device's
    // answer to its create request. *phFile is INVALID_HANDLE_VALUE unless the open succeeded.
    NTSTATUS OpenFile(const char* szPath, HANDLE* phFile);
    HANDLE CreateFileA(const char* szPath, DWORD dwAccess, DWORD dwShareMode, void* pSecurityAttributes,
                       DWORD dwCreationDisposition, DWORD dwFlags, HANDLE hTemplateFile);

    // Sends a control request and answers its status; *pdwReturned (may be null) receives the
    // returned byte count, never more than the output length, 0 when the status is an error.
    // A null buffer with a non-zero length gives STATUS_ACCESS_VIOLATION, an unknown handle
    // STATUS_INVALID_HANDLE, a system buffer that cannot be allocated STATUS_INSUFFICIENT_RESOURCES.
    NTSTATUS IoControl(HANDLE hDevice, DWORD dwIoControlCode, const void* pInBuffer, DWORD nInBufferSize,
                       void* pOutBuffer, DWORD nOutBufferSize, DWORD* pdwReturned);
    // The same, answering TRUE when the status is not an error. pOverlapped must be null.
    BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, const void* pInBuffer, DWORD nInBufferSize,
                         void* pOutBuffer, DWORD nOutBufferSize, DWORD* pdwReturned, void* pOverlapped);

    // FALSE for a handle that is not open.
    BOOL CloseHandle(HANDLE hObject);

    // Handles open now (for checks that nothing leaks).
    std::size_t GetOpenHandleCount() const;

private:
    struct FILE_OBJECT;
    std::shared_ptr<FILE_OBJECT> LookUpHandle(HANDLE hFile) const;

    mutable std::mutex m_Mutex; // guards the three tables and m_nNextHandle; any thread
    std::map<std::string, std::shared_ptr<IDevioDevice>> m_Devices; // lower-case name -> device
    std::map<std::string, std::string> m_Links;                     // lower-case link -> device name
    std::map<std::uintptr_t, std::shared_ptr<FILE_OBJECT>> m_Handles;
    std::uintptr_t m_nNextHandle = 4;
};

// A handle that closes itself: owns one open device handle of a namespace.
class CDeviceHandle {
public:
    CDeviceHandle() = default;
    CDeviceHandle(CDeviceNamespace& devices, const char* szPath);
    ~CDeviceHandle();
    CDeviceHandle(CDeviceHandle&& other) noexcept;
    CDeviceHandle& operator=(CDeviceHandle&& other) noexcept;
    CDeviceHandle(const CDeviceHandle&) = delete;
    CDeviceHandle& operator=(const CDeviceHandle&) = delete;

    bool IsValid() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFile; }
    NTSTATUS GetOpenStatus() const { return m_nOpenStatus; }

    NTSTATUS IoControl(DWORD dwIoControlCode, const void* pInBuffer, DWORD nInBufferSize, void* pOutBuffer,
                       DWORD nOutBufferSize, DWORD* pdwReturned = nullptr) const;
    void Close();

private:
    CDeviceNamespace* m_pDevices = nullptr;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    NTSTATUS m_nOpenStatus = STATUS_INVALID_HANDLE;
};
