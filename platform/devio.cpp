#include "platform/devio.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <new>

namespace {

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "\\.\Name" -> "\dosdevices\name"; "" for any other form.
std::string LinkOfUserPath(const char* szPath)
{
    static constexpr char kPrefix[] = "\\\\.\\";
    if (!szPath || std::strncmp(szPath, kPrefix, sizeof kPrefix - 1) != 0 || !szPath[sizeof kPrefix - 1])
        return {};
    return LowerCase(std::string("\\DosDevices\\") + (szPath + sizeof kPrefix - 1));
}

// Input copies of up to this many bytes live on the stack, so the frame path allocates nothing.
constexpr DWORD kSmallInput = 64;

} // namespace

// An open device: shared by its handle and by every request in progress on it. The device's
// close request goes out when the last of them lets go.
struct CDeviceNamespace::FILE_OBJECT {
    explicit FILE_OBJECT(std::shared_ptr<IDevioDevice> pDev) : pDevice(std::move(pDev)) {}
    FILE_OBJECT(const FILE_OBJECT&) = delete;
    FILE_OBJECT& operator=(const FILE_OBJECT&) = delete;
    ~FILE_OBJECT()
    {
        DEVIO_REQUEST close;
        close.MajorFunction = IRP_MJ_CLOSE;
        pDevice->DispatchRequest(close);
    }
    std::shared_ptr<IDevioDevice> pDevice;
};

CDeviceNamespace::CDeviceNamespace() = default;

CDeviceNamespace::~CDeviceNamespace()
{
    // Close what callers left open, outside the lock: closing calls into the devices.
    std::map<std::uintptr_t, std::shared_ptr<FILE_OBJECT>> handles;
    {
        std::lock_guard lock(m_Mutex);
        handles.swap(m_Handles);
    }
}

NTSTATUS CDeviceNamespace::InsertDevice(const std::string& szDeviceName, std::shared_ptr<IDevioDevice> pDevice)
{
    if (szDeviceName.empty() || !pDevice)
        return STATUS_OBJECT_NAME_INVALID;
    std::lock_guard lock(m_Mutex);
    auto [it, bInserted] = m_Devices.emplace(LowerCase(szDeviceName), std::move(pDevice));
    return bInserted ? STATUS_SUCCESS : STATUS_OBJECT_NAME_COLLISION;
}

void CDeviceNamespace::RemoveDevice(const std::string& szDeviceName)
{
    std::shared_ptr<IDevioDevice> pGone; // released after the lock
    std::lock_guard lock(m_Mutex);
    auto it = m_Devices.find(LowerCase(szDeviceName));
    if (it != m_Devices.end()) {
        pGone = std::move(it->second);
        m_Devices.erase(it);
    }
}

NTSTATUS CDeviceNamespace::CreateSymbolicLink(const std::string& szLinkName, const std::string& szDeviceName)
{
    if (szLinkName.empty() || szDeviceName.empty())
        return STATUS_OBJECT_NAME_INVALID;
    std::lock_guard lock(m_Mutex);
    auto [it, bInserted] = m_Links.emplace(LowerCase(szLinkName), LowerCase(szDeviceName));
    return bInserted ? STATUS_SUCCESS : STATUS_OBJECT_NAME_COLLISION;
}

NTSTATUS CDeviceNamespace::DeleteSymbolicLink(const std::string& szLinkName)
{
    std::lock_guard lock(m_Mutex);
    return m_Links.erase(LowerCase(szLinkName)) ? STATUS_SUCCESS : STATUS_OBJECT_NAME_NOT_FOUND;
}

NTSTATUS CDeviceNamespace::OpenFile(const char* szPath, HANDLE* phFile)
{
    if (!phFile)
        return STATUS_INVALID_PARAMETER;
    *phFile = INVALID_HANDLE_VALUE;
    std::shared_ptr<IDevioDevice> pDevice;
    {
        std::lock_guard lock(m_Mutex);
        auto link = m_Links.find(LinkOfUserPath(szPath));
        if (link == m_Links.end())
            return STATUS_OBJECT_NAME_NOT_FOUND;
        auto device = m_Devices.find(link->second);
        if (device == m_Devices.end())
            return STATUS_OBJECT_NAME_NOT_FOUND;
        pDevice = device->second;
    }
    DEVIO_REQUEST create;
    create.MajorFunction = IRP_MJ_CREATE;
    NTSTATUS status = pDevice->DispatchRequest(create);
    if (!NT_SUCCESS(status))
        return status;
    auto pFile = std::make_shared<FILE_OBJECT>(std::move(pDevice));
    std::lock_guard lock(m_Mutex);
    std::uintptr_t nHandle = m_nNextHandle;
    m_nNextHandle += 4;
    m_Handles.emplace(nHandle, std::move(pFile));
    *phFile = reinterpret_cast<HANDLE>(nHandle);
    return STATUS_SUCCESS;
}

HANDLE CDeviceNamespace::CreateFileA(const char* szPath, DWORD, DWORD, void*, DWORD, DWORD, HANDLE)
{
    HANDLE hFile = INVALID_HANDLE_VALUE;
    OpenFile(szPath, &hFile);
    return hFile;
}

std::shared_ptr<CDeviceNamespace::FILE_OBJECT> CDeviceNamespace::LookUpHandle(HANDLE hFile) const
{
    std::lock_guard lock(m_Mutex);
    auto it = m_Handles.find(reinterpret_cast<std::uintptr_t>(hFile));
    return it == m_Handles.end() ? nullptr : it->second;
}

NTSTATUS CDeviceNamespace::IoControl(HANDLE hDevice, DWORD dwIoControlCode, const void* pInBuffer, DWORD nInBufferSize,
                                     void* pOutBuffer, DWORD nOutBufferSize, DWORD* pdwReturned)
{
    if (pdwReturned)
        *pdwReturned = 0;
    std::shared_ptr<FILE_OBJECT> pFile = LookUpHandle(hDevice);
    if (!pFile)
        return STATUS_INVALID_HANDLE;
    if ((nInBufferSize && !pInBuffer) || (nOutBufferSize && !pOutBuffer))
        return STATUS_ACCESS_VIOLATION;

    const bool bBuffered = METHOD_FROM_CTL_CODE(dwIoControlCode) == METHOD_BUFFERED;
    const DWORD nSystemSize = bBuffered ? std::max(nInBufferSize, nOutBufferSize) : nInBufferSize;
    std::array<BYTE, kSmallInput> small{};
    std::unique_ptr<BYTE[]> pLarge;
    BYTE* pSystem = nullptr;
    if (nSystemSize > 0) {
        if (!bBuffered && nSystemSize <= kSmallInput) {
            pSystem = small.data();
        } else {
            // Exactly the size the request names, so a device writing past it is caught by
            // the memory checkers.
            pLarge.reset(new (std::nothrow) BYTE[nSystemSize]());
            if (!pLarge)
                return STATUS_INSUFFICIENT_RESOURCES;
            pSystem = pLarge.get();
        }
        if (nInBufferSize)
            std::memcpy(pSystem, pInBuffer, nInBufferSize);
    }

    DEVIO_REQUEST request;
    request.MajorFunction = IRP_MJ_DEVICE_CONTROL;
    request.IoControlCode = dwIoControlCode;
    request.SystemBuffer = pSystem;
    request.InputBufferLength = nInBufferSize;
    request.OutputBufferLength = nOutBufferSize;
    request.DirectBuffer = (!bBuffered && nOutBufferSize) ? pOutBuffer : nullptr;
    NTSTATUS status = pFile->pDevice->DispatchRequest(request);

    DWORD nReturned = 0;
    if (!NT_ERROR(status))
        nReturned = static_cast<DWORD>(std::min<std::uintptr_t>(request.Information, nOutBufferSize));
    if (bBuffered && nReturned)
        std::memcpy(pOutBuffer, pSystem, nReturned);
    if (pdwReturned)
        *pdwReturned = nReturned;
    return status;
}

BOOL CDeviceNamespace::DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, const void* pInBuffer,
                                       DWORD nInBufferSize, void* pOutBuffer, DWORD nOutBufferSize,
                                       DWORD* pdwReturned, void* pOverlapped)
{
    if (pOverlapped) {
        if (pdwReturned)
            *pdwReturned = 0;
        return FALSE;
    }
    NTSTATUS status = IoControl(hDevice, dwIoControlCode, pInBuffer, nInBufferSize, pOutBuffer, nOutBufferSize,
                                pdwReturned);
    return NT_ERROR(status) ? FALSE : TRUE;
}

BOOL CDeviceNamespace::CloseHandle(HANDLE hObject)
{
    std::shared_ptr<FILE_OBJECT> pFile; // the close request goes out here, outside the lock
    std::lock_guard lock(m_Mutex);
    auto it = m_Handles.find(reinterpret_cast<std::uintptr_t>(hObject));
    if (it == m_Handles.end())
        return FALSE;
    pFile = std::move(it->second);
    m_Handles.erase(it);
    return TRUE;
}

std::size_t CDeviceNamespace::GetOpenHandleCount() const
{
    std::lock_guard lock(m_Mutex);
    return m_Handles.size();
}

CDeviceHandle::CDeviceHandle(CDeviceNamespace& devices, const char* szPath) : m_pDevices(&devices)
{
    m_nOpenStatus = devices.OpenFile(szPath, &m_hFile);
}

CDeviceHandle::~CDeviceHandle() { Close(); }

CDeviceHandle::CDeviceHandle(CDeviceHandle&& other) noexcept
    : m_pDevices(other.m_pDevices), m_hFile(other.m_hFile), m_nOpenStatus(other.m_nOpenStatus)
{
    other.m_hFile = INVALID_HANDLE_VALUE;
}

CDeviceHandle& CDeviceHandle::operator=(CDeviceHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_pDevices = other.m_pDevices;
        m_hFile = other.m_hFile;
        m_nOpenStatus = other.m_nOpenStatus;
        other.m_hFile = INVALID_HANDLE_VALUE;
    }
    return *this;
}

NTSTATUS CDeviceHandle::IoControl(DWORD dwIoControlCode, const void* pInBuffer, DWORD nInBufferSize,
                                  void* pOutBuffer, DWORD nOutBufferSize, DWORD* pdwReturned) const
{
    if (!IsValid()) {
        if (pdwReturned)
            *pdwReturned = 0;
        return STATUS_INVALID_HANDLE;
    }
    return m_pDevices->IoControl(m_hFile, dwIoControlCode, pInBuffer, nInBufferSize, pOutBuffer, nOutBufferSize,
                                 pdwReturned);
}

void CDeviceHandle::Close()
{
    if (IsValid())
        m_pDevices->CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}
