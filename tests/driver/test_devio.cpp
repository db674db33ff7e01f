// The device namespace: names and links, handles, the buffer rules of the three methods,
// and opening, requests and closing from several threads at once.
#include "platform/devio.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Records what it is given; answers with a programmable status and writes a pattern
// into whatever output it receives.
class CFakeDevice final : public IDevioDevice {
public:
    NTSTATUS DispatchRequest(DEVIO_REQUEST& request) override
    {
        if (request.MajorFunction == IRP_MJ_CREATE)
            return request.Status = m_nCreateStatus;
        if (request.MajorFunction == IRP_MJ_CLOSE) {
            ++m_nCloses;
            return request.Status = STATUS_SUCCESS;
        }
        ++m_nRequests;
        std::lock_guard lock(m_Mutex);
        m_Last = request;
        if (request.SystemBuffer && request.InputBufferLength)
            m_Input.assign(static_cast<BYTE*>(request.SystemBuffer),
                           static_cast<BYTE*>(request.SystemBuffer) + request.InputBufferLength);
        BYTE* pOut = request.DirectBuffer ? static_cast<BYTE*>(request.DirectBuffer)
                                          : static_cast<BYTE*>(request.SystemBuffer);
        const DWORD nOut = request.OutputBufferLength;
        for (DWORD i = 0; pOut && i < nOut; ++i)
            pOut[i] = static_cast<BYTE>(0xA0 + i);
        request.Information = m_nInformation;
        return request.Status = m_nStatus;
    }

    NTSTATUS m_nCreateStatus = STATUS_SUCCESS;
    NTSTATUS m_nStatus = STATUS_SUCCESS;
    std::uintptr_t m_nInformation = 0;
    std::atomic<int> m_nRequests{0};
    std::atomic<int> m_nCloses{0};
    std::mutex m_Mutex; // guards the two below; requests come from several threads
    DEVIO_REQUEST m_Last;
    std::vector<BYTE> m_Input;
};

class DevioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_Devices.InsertDevice("\\Device\\Fake-0", m_pDevice), STATUS_SUCCESS);
        ASSERT_EQ(m_Devices.CreateSymbolicLink("\\DosDevices\\Fake-0", "\\Device\\Fake-0"), STATUS_SUCCESS);
    }
    std::shared_ptr<CFakeDevice> m_pDevice = std::make_shared<CFakeDevice>();
    CDeviceNamespace m_Devices;
};

TEST_F(DevioTest, OpensByUserPathThroughTheLinkWithoutCase)
{
    HANDLE h = m_Devices.CreateFileA("\\\\.\\fake-0", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(m_Devices.CloseHandle(h));
    EXPECT_FALSE(m_Devices.CloseHandle(h)) << "a handle closes once";
    EXPECT_EQ(m_pDevice->m_nCloses, 1);

    HANDLE hBad = nullptr;
    EXPECT_EQ(m_Devices.OpenFile("\\\\.\\Fake-1", &hBad), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(hBad, INVALID_HANDLE_VALUE);
    EXPECT_EQ(m_Devices.OpenFile("\\Device\\Fake-0", &hBad), STATUS_OBJECT_NAME_NOT_FOUND) << "kernel names are not user paths";
    EXPECT_EQ(m_Devices.OpenFile(nullptr, &hBad), STATUS_OBJECT_NAME_NOT_FOUND);

    m_pDevice->m_nCreateStatus = STATUS_UNSUCCESSFUL;
    CDeviceHandle refused(m_Devices, "\\\\.\\Fake-0");
    EXPECT_FALSE(refused.IsValid());
    EXPECT_EQ(refused.GetOpenStatus(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);

    EXPECT_EQ(m_Devices.InsertDevice("\\DEVICE\\fake-0", m_pDevice), STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(m_Devices.CreateSymbolicLink("\\DosDevices\\FAKE-0", "\\Device\\Other"), STATUS_OBJECT_NAME_COLLISION);
}

TEST_F(DevioTest, BufferedRequestsSeeASystemCopyAndReturnTheCountedBytes)
{
    CDeviceHandle device(m_Devices, "\\\\.\\Fake-0");
    const BYTE input[3] = {1, 2, 3};
    BYTE output[8];
    std::memset(output, 0x55, sizeof output);
    m_pDevice->m_nInformation = 5;
    DWORD nReturned = 99;
    const DWORD nCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS);
    ASSERT_EQ(device.IoControl(nCode, input, sizeof input, output, 6, &nReturned), STATUS_SUCCESS);
    EXPECT_NE(m_pDevice->m_Last.SystemBuffer, static_cast<const void*>(input));
    EXPECT_EQ(m_pDevice->m_Last.DirectBuffer, nullptr);
    EXPECT_EQ(m_pDevice->m_Input, (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(nReturned, 5u);
    EXPECT_EQ(output[4], 0xA4);
    EXPECT_EQ(output[5], 0x55) << "only the returned count is copied back";

    m_pDevice->m_nInformation = 100; // a device claiming more than the caller's buffer
    std::memset(output, 0x55, sizeof output);
    ASSERT_EQ(device.IoControl(nCode, nullptr, 0, output, 2, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 2u);
    EXPECT_EQ(output[2], 0x55);

    m_pDevice->m_nStatus = STATUS_INVALID_PARAMETER;
    std::memset(output, 0x55, sizeof output);
    EXPECT_EQ(device.IoControl(nCode, input, sizeof input, output, 8, &nReturned), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(nReturned, 0u);
    EXPECT_EQ(output[0], 0x55) << "a failed buffered request copies nothing back";
}

TEST_F(DevioTest, DirectRequestsHandTheCallersOutputBufferItself)
{
    CDeviceHandle device(m_Devices, "\\\\.\\Fake-0");
    const DWORD nPipe = 2;
    std::vector<BYTE> frame(4096);
    m_pDevice->m_nInformation = 4096;
    DWORD nReturned = 0;
    for (DWORD nMethod : {METHOD_IN_DIRECT, METHOD_OUT_DIRECT}) {
        const DWORD nCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x901, nMethod, FILE_ANY_ACCESS);
        ASSERT_EQ(device.IoControl(nCode, &nPipe, sizeof nPipe, frame.data(), 4096, &nReturned), STATUS_SUCCESS);
        EXPECT_EQ(m_pDevice->m_Last.DirectBuffer, frame.data());
        EXPECT_EQ(m_pDevice->m_Last.OutputBufferLength, 4096u);
        EXPECT_EQ(m_pDevice->m_Input, (std::vector<BYTE>{2, 0, 0, 0}));
        EXPECT_EQ(nReturned, 4096u);
    }
    ASSERT_EQ(device.IoControl(IOCTL_CAM_PIPE_WRITE, &nPipe, sizeof nPipe, nullptr, 0, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(m_pDevice->m_Last.DirectBuffer, nullptr) << "no buffer for a zero length";

    EXPECT_EQ(device.IoControl(IOCTL_CAM_PIPE_WRITE, &nPipe, sizeof nPipe, nullptr, 16), STATUS_ACCESS_VIOLATION);
    EXPECT_EQ(device.IoControl(IOCTL_CAM_PIPE_WRITE, nullptr, 4, frame.data(), 16), STATUS_ACCESS_VIOLATION);
    EXPECT_EQ(m_Devices.IoControl(reinterpret_cast<HANDLE>(12345), IOCTL_CAM_NOP, nullptr, 0, nullptr, 0, nullptr),
              STATUS_INVALID_HANDLE);
    EXPECT_FALSE(m_Devices.DeviceIoControl(device.Get(), IOCTL_CAM_NOP, nullptr, 0, nullptr, 0, &nReturned, &nReturned))
        << "overlapped requests are not supported";
}

TEST_F(DevioTest, HandlesOutliveTheirDevicesName)
{
    CDeviceHandle device(m_Devices, "\\\\.\\Fake-0");
    m_Devices.RemoveDevice("\\Device\\Fake-0");
    EXPECT_FALSE(CDeviceHandle(m_Devices, "\\\\.\\Fake-0").IsValid()) << "the link names nothing now";
    EXPECT_EQ(device.IoControl(IOCTL_CAM_NOP, nullptr, 0, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(m_pDevice->m_nRequests, 1);
    device.Close();
    EXPECT_EQ(m_pDevice->m_nCloses, 1);
    EXPECT_EQ(m_Devices.DeleteSymbolicLink("\\DosDevices\\Fake-0"), STATUS_SUCCESS);
    EXPECT_EQ(m_Devices.DeleteSymbolicLink("\\DosDevices\\Fake-0"), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(DevioTest, ManyThreadsOpenRequestAndCloseAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::atomic<int> nFailures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                CDeviceHandle device(m_Devices, "\\\\.\\Fake-0");
                DWORD nPipe = 0;
                BYTE reply[64];
                if (!device.IsValid() ||
                    device.IoControl(IOCTL_CAM_PIPE_READ, &nPipe, sizeof nPipe, reply, sizeof reply) != STATUS_SUCCESS)
                    ++nFailures;
            }
        });
    }
    // Meanwhile another thread takes the link away and puts it back.
    std::thread relinker([&] {
        for (int i = 0; i < kRounds; ++i) {
            m_Devices.DeleteSymbolicLink("\\DosDevices\\Fake-1");
            m_Devices.CreateSymbolicLink("\\DosDevices\\Fake-1", "\\Device\\Fake-0");
        }
    });
    for (auto& thread : threads)
        thread.join();
    relinker.join();
    EXPECT_EQ(nFailures, 0);
    EXPECT_EQ(m_pDevice->m_nRequests, kThreads * kRounds);
    EXPECT_EQ(m_pDevice->m_nCloses, kThreads * kRounds);
    EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);
}

} // namespace
