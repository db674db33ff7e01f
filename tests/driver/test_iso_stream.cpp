// The continuous isochronous stream: packets reach the rings in order, a full ring drops
// whole blocks without an error, one stream at a time, the read request's rules, and the
// end of a stream by stop, by a failing transfer and by removal (also under ThreadSanitizer);
// over the simulated bus and through the libusb back end.
#include "iso_test_support.h"

#include "driver/cam_iso_ring.h"

#include <atomic>

namespace {

constexpr DWORD P = SIM_ISO_MAX_PACKET;

// A read request: e packets of d bytes with their descriptors.
struct STREAM_READ {
    std::vector<BYTE> buffer;
    DWORD nReturned = 0;
    DWORD nPackets = 0; // whole packets taken
};

class IsoStream : public DriverTestOnBuses<IsoTest> {
protected:
    void SetUp() override
    {
        IsoTest::SetUp();
        ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
        m_nBaseBlocks = OutstandingPoolBlocks();
    }
    NTSTATUS Start(DWORD nRingPackets, DWORD K, DWORD T)
    {
        const ISO_INPUT input{kIsoInPipe, P, nRingPackets, K, T};
        return m_Device.IoControl(IOCTL_CAM_START_ISO_STREAM, &input, sizeof input, nullptr, 0);
    }
    NTSTATUS Stop() { return m_Device.IoControl(IOCTL_CAM_STOP_ISO_STREAM, nullptr, 0, nullptr, 0); }
    NTSTATUS Read(DWORD e, STREAM_READ* pRead, DWORD d = P)
    {
        const DWORD input[5] = {0, d, e, 0, 0};
        pRead->buffer.assign(e * (d + kDescriptorSize), 0);
        const NTSTATUS status = m_Device.IoControl(IOCTL_CAM_READ_ISO_STREAM, input, sizeof input, pRead->buffer.data(),
                                                   static_cast<DWORD>(pRead->buffer.size()), &pRead->nReturned);
        pRead->nPackets = pRead->nReturned / (d + kDescriptorSize);
        return status;
    }
    // Stops the stream and waits until it has ended and given its memory back.
    bool StopAndWaitForTheEnd()
    {
        Stop();
        STREAM_READ read;
        // The stream is unpublished before its rings are freed: both are awaited.
        return Eventually(
            [&] { return Read(1, &read) == STATUS_UNSUCCESSFUL && OutstandingPoolBlocks() == m_nBaseBlocks; });
    }

    void RemoveWhileReading(bool bSurprise);

    std::size_t m_nBaseBlocks = 0;
};

TEST_P(IsoStream, PacketsArriveInOrderWithTheirDescriptorsBehindThem)
{
    ASSERT_EQ(Start(64, 4, 2), STATUS_SUCCESS);
    std::vector<DWORD> numbers;
    STREAM_READ read;
    ASSERT_TRUE(Eventually([&] {
        EXPECT_EQ(Read(8, &read), STATUS_SUCCESS);
        EXPECT_EQ(read.nReturned, read.nPackets * (P + kDescriptorSize)) << "whole packets, each with its descriptor";
        for (DWORD i = 0; i < read.nPackets; ++i) {
            numbers.push_back(PacketNumber(&read.buffer[i * P]));
            const USBD_ISO_PACKET_DESCRIPTOR descriptor =
                DescriptorAt(&read.buffer[read.nPackets * P + i * kDescriptorSize]);
            EXPECT_EQ(descriptor.Length, P);
            EXPECT_EQ(descriptor.Status, USBD_STATUS_SUCCESS);
            EXPECT_EQ(descriptor.Offset % P, 0u);
        }
        return numbers.size() >= 40;
    }));
    for (std::size_t i = 1; i < numbers.size(); ++i)
        ASSERT_GT(numbers[i], numbers[i - 1]) << "packet " << i << " of the stream";
    EXPECT_TRUE(StopAndWaitForTheEnd());
}

TEST_P(IsoStream, AFullRingDropsWholeBlocksWithoutAnError)
{
    constexpr DWORD R = 16, K = 4;
    ASSERT_EQ(Start(R, K, 2), STATUS_SUCCESS);
    // Nobody reads while the camera produces four ring sizes.
    ASSERT_TRUE(Eventually([&] { return m_Plug.Camera().GetIsoStats().nInPackets >= 4 * R; }));
    STREAM_READ read;
    ASSERT_EQ(Read(R + 1, &read), STATUS_SUCCESS);
    EXPECT_EQ(read.nReturned, 0u) << "a request larger than the ring gives nothing";
    ASSERT_EQ(Read(R, &read), STATUS_SUCCESS);
    ASSERT_EQ(read.nPackets, R) << "the ring is full";
    for (DWORD i = 1; i < R; ++i)
        EXPECT_GT(PacketNumber(&read.buffer[i * P]), PacketNumber(&read.buffer[(i - 1) * P]));
    const DWORD nLastKept = PacketNumber(&read.buffer[(R - 1) * P]);

    // The stream went on: the next packets are newer than those kept, the blocks between dropped.
    EXPECT_EQ(Start(R, K, 2), STATUS_INVALID_DEVICE_STATE) << "still running";
    ASSERT_TRUE(Eventually([&] { return Read(K, &read) == STATUS_SUCCESS && read.nPackets == K; }));
    EXPECT_GT(PacketNumber(&read.buffer[0]), nLastKept + 2 * R) << "blocks that did not fit were dropped";
    EXPECT_TRUE(StopAndWaitForTheEnd());
}

TEST_P(IsoStream, OneStreamAtATime)
{
    ASSERT_EQ(Start(32, 4, 2), STATUS_SUCCESS);
    EXPECT_EQ(Start(32, 4, 2), STATUS_INVALID_DEVICE_STATE);
    const ISO_INPUT input{kIsoInPipe, P, 32, 4, 2};
    EXPECT_FALSE(m_Devices.DeviceIoControl(m_Device.Get(), IOCTL_CAM_START_ISO_STREAM, &input, sizeof input, nullptr, 0,
                                           nullptr, nullptr))
        << "the refusal is an error, not a warning";
    ASSERT_TRUE(StopAndWaitForTheEnd());
    ASSERT_EQ(Start(32, 4, 3), STATUS_SUCCESS) << "a new stream once the old one has ended";
    EXPECT_TRUE(StopAndWaitForTheEnd());
}

TEST_P(IsoStream, StartAndReadRules)
{
    STREAM_READ read;
    EXPECT_EQ(Read(4, &read), STATUS_UNSUCCESSFUL) << "no stream";
    EXPECT_EQ(read.nReturned, 0u);
    const ISO_INPUT bulk{CAM_PIPE_REPLY, P, 16, 4, 2};
    EXPECT_EQ(m_Device.IoControl(IOCTL_CAM_START_ISO_STREAM, &bulk, sizeof bulk, nullptr, 0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Start(0, 4, 2), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Start(16, 0, 2), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Start(16, 4, 0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Stop(), STATUS_SUCCESS) << "stopping no stream changes nothing";

    ASSERT_EQ(Start(16, 4, 2), STATUS_SUCCESS);
    const DWORD input[5] = {0, P, 2, 0, 0};
    std::vector<BYTE> buffer(2 * (P + kDescriptorSize) + 1);
    EXPECT_EQ(m_Device.IoControl(IOCTL_CAM_READ_ISO_STREAM, input, sizeof input, buffer.data(),
                                 static_cast<DWORD>(buffer.size())),
              STATUS_INVALID_PARAMETER)
        << "the output must be exactly e x (d + 12) bytes";
    EXPECT_EQ(m_Device.IoControl(IOCTL_CAM_READ_ISO_STREAM, input, 16, buffer.data(), 2 * (P + kDescriptorSize)),
              STATUS_INVALID_PARAMETER)
        << "the input must be exactly 20 bytes";
    EXPECT_TRUE(StopAndWaitForTheEnd());
}

TEST_P(IsoStream, AFailingTransferEndsTheStream)
{
    ASSERT_EQ(Start(32, 4, 2), STATUS_SUCCESS);
    ASSERT_TRUE(Eventually([&] { return m_Plug.Camera().GetIsoStats().nTransfers >= 2; }));
    // Setting 0 has no isochronous endpoint: the camera ends the waiting transfers.
    ASSERT_EQ(SelectSetting(0), STATUS_SUCCESS);
    STREAM_READ read;
    // The stream reads as gone a moment before its last completion frees the rings.
    ASSERT_TRUE(Eventually(
        [&] { return Read(1, &read) == STATUS_UNSUCCESSFUL && OutstandingPoolBlocks() == m_nBaseBlocks; }));
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    EXPECT_EQ(Start(32, 4, 2), STATUS_SUCCESS);
    EXPECT_TRUE(StopAndWaitForTheEnd());
}

// Removal while a stream runs and another thread reads from it: the stream is stopped and
// its memory freed before the device is gone, whichever way the device goes.
void IsoStream::RemoveWhileReading(bool bSurprise)
{
    ASSERT_EQ(Start(64, 8, 3), STATUS_SUCCESS);
    std::atomic<int> nReads{0};
    std::atomic<NTSTATUS> lastStatus{STATUS_SUCCESS};
    std::thread reader([&] {
        CDeviceHandle device(m_Devices, CameraPath(0).c_str());
        const DWORD input[5] = {0, P, 4, 0, 0};
        std::vector<BYTE> buffer(4 * (P + kDescriptorSize));
        NTSTATUS status = STATUS_SUCCESS;
        while (NT_SUCCESS(status)) {
            status = device.IoControl(IOCTL_CAM_READ_ISO_STREAM, input, sizeof input, buffer.data(),
                                      static_cast<DWORD>(buffer.size()));
            ++nReads;
        }
        lastStatus = status;
    });
    ASSERT_TRUE(Eventually([&] { return nReads > 10 && m_Plug.Camera().GetIsoStats().nTransfers >= 3; }));
    if (bSurprise)
        EXPECT_EQ(m_Plug.Unplug(), STATUS_SUCCESS);
    else
        EXPECT_EQ(m_Plug.Remove(), STATUS_SUCCESS);
    EXPECT_EQ(OutstandingPoolBlocks(), 0u) << "the rings, the private area and the requests are gone";
    reader.join();
    EXPECT_TRUE(lastStatus == STATUS_DELETE_PENDING || lastStatus == STATUS_UNSUCCESSFUL) << std::hex << lastStatus;
    const DWORD nTransfers = m_Plug.Camera().GetIsoStats().nTransfers;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(m_Plug.Camera().GetIsoStats().nTransfers, nTransfers) << "nothing is sent after the removal";
    if (IsLibusb()) {
        EXPECT_EQ(m_Standin.GetStats().nTransfersInFlight, 0u);
        if (bSurprise) {
            EXPECT_EQ(m_Standin.GetStats().nOpenHandles, 0u) << "the camera that went is closed";
        }
    }
}

TEST_P(IsoStream, OrderlyRemovalStopsTheStreamAndFreesItsRings) { RemoveWhileReading(false); }

TEST_P(IsoStream, PullingTheCameraOutStopsTheStreamAndFreesItsRings) { RemoveWhileReading(true); }

INSTANTIATE_TEST_SUITE_P(Buses, IsoStream, kBothBuses, CameraBusName);

TEST(IsoRing, WholeBlocksInAnyAmountOutWrappingAtTheEnd)
{
    CKsPool pool;
    std::unique_ptr<CAM_ISO_RING> pRing = CamAllocateIsoRing(pool, kDriverTag, 10);
    ASSERT_TRUE(pRing);
    const BYTE a[4] = {1, 2, 3, 4}, b[4] = {5, 6, 7, 8}, c[4] = {9, 10, 11, 12};
    EXPECT_TRUE(CamIsoRingAppend(pRing.get(), a, 4));
    EXPECT_TRUE(CamIsoRingAppend(pRing.get(), b, 4));
    EXPECT_FALSE(CamIsoRingAppend(pRing.get(), c, 4)) << "two bytes free: the block is dropped whole";
    EXPECT_EQ(pRing->Fill, 8u);

    BYTE out[10] = {};
    EXPECT_EQ(CamIsoRingTake(pRing.get(), out, 6), 6u);
    EXPECT_EQ(out[5], 6);
    EXPECT_TRUE(CamIsoRingAppend(pRing.get(), c, 4)) << "written at 8, 9, 0, 1";
    EXPECT_EQ(CamIsoRingTake(pRing.get(), out, 11), 0u) << "more than the ring holds at most";
    EXPECT_EQ(CamIsoRingTake(pRing.get(), out, 10), 6u) << "as much as there is";
    const BYTE expected[6] = {7, 8, 9, 10, 11, 12};
    EXPECT_TRUE(std::equal(expected, expected + 6, out));
    EXPECT_EQ(CamIsoRingTake(pRing.get(), out, 1), 0u) << "empty";
    EXPECT_EQ(pool.GetOutstandingBlocks(kDriverTag), 1u);
    pRing.reset();
    EXPECT_EQ(pool.GetOutstandingBlocks(kDriverTag), 0u);

    pool.FailNextAllocations(1);
    EXPECT_FALSE(CamAllocateIsoRing(pool, kDriverTag, 10));
    EXPECT_FALSE(CamAllocateIsoRing(pool, kDriverTag, 0));
}

} // namespace
