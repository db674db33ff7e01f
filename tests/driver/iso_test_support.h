// Set-up shared by the isochronous tests: a started simulated camera switched to its
// isochronous setting, requests in the driver's input layout, and reading the numbered
// packets the simulated camera produces.
#pragma once

#include "driver_test_support.h"

#include "simcam/sim_usb_descriptors.h"

#include <cstring>
#include <vector>

constexpr DWORD kIsoInPipe = 2;  // pipes of alternate setting 1
constexpr DWORD kIsoOutPipe = 3;
constexpr DWORD kDescriptorSize = 12;
constexpr ULONG kDriverTag = MakePoolTag('W', 'd', 'm', ' ');

// The five u32 values of IOCTL_CAM_ISO_READ / _WRITE and IOCTL_CAM_START_ISO_STREAM; for a
// stream nPackets is the ring size in packets.
struct ISO_INPUT {
    DWORD nPipe;
    DWORD nPacketSize;
    DWORD nPackets;
    DWORD nPerTransfer;
    DWORD nInFlight;
};
static_assert(sizeof(ISO_INPUT) == 20);

// The number the simulated camera puts at the start of each packet (its microframe).
inline DWORD PacketNumber(const BYTE* pPacket)
{
    DWORD n = 0;
    std::memcpy(&n, pPacket, sizeof n);
    return n;
}

inline USBD_ISO_PACKET_DESCRIPTOR DescriptorAt(const BYTE* pBytes)
{
    USBD_ISO_PACKET_DESCRIPTOR descriptor{};
    std::memcpy(&descriptor, pBytes, sizeof descriptor);
    return descriptor;
}

// Over either bus: IsoTest is used through DriverTestOnBuses<IsoTest>.
class IsoTest : public DriverTest {
protected:
    void SetUp() override
    {
        m_Plug = Plug();
        m_Device = CDeviceHandle(m_Devices, CameraPath(0).c_str());
        ASSERT_TRUE(m_Device.IsValid());
    }
    void TearDown() override
    {
        m_Device.Close();
        m_Plug.Remove();
        DriverTest::TearDown();
    }
    NTSTATUS SelectSetting(BYTE nAlternate)
    {
        const BYTE input[2] = {0, nAlternate};
        return m_Device.IoControl(IOCTL_CAM_SELECT_INTERFACE, input, 2, nullptr, 0);
    }
    USBD_INTERFACE_INFORMATION PipeTable()
    {
        USBD_INTERFACE_INFORMATION info{};
        m_Device.IoControl(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, &info, sizeof info);
        return info;
    }
    NTSTATUS Iso(DWORD nCode, const ISO_INPUT& input, std::vector<BYTE>& buffer, DWORD* pnReturned = nullptr)
    {
        return m_Device.IoControl(nCode, &input, sizeof input, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  pnReturned);
    }
    std::size_t OutstandingPoolBlocks() { return m_Pnp.GetKernel().Pool.GetOutstandingBlocks(kDriverTag); }

    CCameraPlug m_Plug;
    CDeviceHandle m_Device;
};
