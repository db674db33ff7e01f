// The isochronous transfer over the simulated camera's isochronous setting: requests in
// rounds of K packets with T in flight, the packet descriptors behind the data, the checks,
// and the interface selection that makes the isochronous pipes; over the simulated bus and
// through the libusb back end.
#include "iso_test_support.h"

#include <atomic>
#include <numeric>

namespace {

class IsoTransfer : public DriverTestOnBuses<IsoTest> {};

TEST_P(IsoTransfer, SelectingSettingOneMakesTheIsochronousPipes)
{
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    USBD_INTERFACE_INFORMATION info = PipeTable();
    EXPECT_EQ(info.AlternateSetting, SIM_ISO_ALTERNATE_SETTING);
    ASSERT_EQ(info.NumberOfPipes, 4u);
    EXPECT_EQ(info.Pipes[kIsoInPipe].PipeType, UsbdPipeTypeIsochronous);
    EXPECT_EQ(info.Pipes[kIsoInPipe].EndpointAddress, SIM_EP_ISO_IN);
    EXPECT_EQ(info.Pipes[kIsoInPipe].MaximumPacketSize, SIM_ISO_MAX_PACKET);
    EXPECT_EQ(info.Pipes[kIsoOutPipe].EndpointAddress, SIM_EP_ISO_OUT);

    // A setting the camera lacks keeps the table of setting 1 (the request still succeeds).
    EXPECT_EQ(SelectSetting(2), STATUS_SUCCESS);
    EXPECT_EQ(PipeTable().NumberOfPipes, 4u);
    EXPECT_EQ(PipeTable().Pipes[kIsoInPipe].PipeType, UsbdPipeTypeIsochronous);

    ASSERT_EQ(SelectSetting(0), STATUS_SUCCESS);
    EXPECT_EQ(PipeTable().NumberOfPipes, 3u);
    EXPECT_EQ(PipeTable().Pipes[CAM_PIPE_IMAGE].PipeType, UsbdPipeTypeBulk);
}

TEST_P(IsoTransfer, TwentyFourPacketsRunInThreeRoundsAndEndWithTheirDescriptors)
{
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    constexpr DWORD P = SIM_ISO_MAX_PACKET, N = 24, K = 8, T = 2;
    std::vector<BYTE> buffer(N * (P + kDescriptorSize), 0xCC);
    DWORD nReturned = 99;
    ASSERT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, N, K, T}, buffer, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 0u);

    const BYTE* pDescriptors = buffer.data() + N * P;
    for (DWORD i = 0; i < N; ++i) {
        const USBD_ISO_PACKET_DESCRIPTOR descriptor = DescriptorAt(pDescriptors + i * kDescriptorSize);
        EXPECT_EQ(descriptor.Offset, (i % K) * P) << "packet " << i << ": offset in its own request";
        EXPECT_EQ(descriptor.Length, P) << "packet " << i;
        EXPECT_EQ(descriptor.Status, USBD_STATUS_SUCCESS) << "packet " << i;
    }
    // Packets 0-7 and 8-15 went out first, then the first request again for 16-23: the camera
    // numbered them in that order, each request's packets in consecutive microframes.
    for (DWORD i = 1; i < N; ++i) {
        const DWORD nPrevious = PacketNumber(&buffer[(i - 1) * P]);
        const DWORD nThis = PacketNumber(&buffer[i * P]);
        if (i % K == 0)
            EXPECT_GT(nThis, nPrevious) << "request starting at packet " << i;
        else
            EXPECT_EQ(nThis, nPrevious + 1) << "packet " << i;
    }
    EXPECT_EQ(buffer[5 * P + 100], static_cast<BYTE>(PacketNumber(&buffer[5 * P]) + 100)) << "the packet's payload";
    const SIM_ISO_STATS stats = m_Plug.Camera().GetIsoStats();
    EXPECT_EQ(stats.nTransfers, 3u);
    EXPECT_EQ(stats.nInPackets, N);
    EXPECT_EQ(OutstandingPoolBlocks(), 2u) << "only the device descriptor and the pipe table remain";
}

TEST_P(IsoTransfer, RequestsThatDoNotFitAreRefusedBeforeAnythingIsSent)
{
    constexpr DWORD P = 256;
    std::vector<BYTE> buffer(24 * (P + kDescriptorSize));
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 24, 8, 2}, buffer), STATUS_INVALID_PARAMETER)
        << "pipe 2 of setting 0 is a bulk pipe";
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);

    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 20, 8, 2}, buffer), STATUS_INVALID_PARAMETER)
        << "20 packets are no whole number of requests of 8";
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {4, P, 24, 8, 2}, buffer), STATUS_INVALID_PARAMETER) << "no pipe 4";
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {0, P, 24, 8, 2}, buffer), STATUS_INVALID_PARAMETER) << "a bulk pipe";
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 24, 0, 2}, buffer), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 24, 8, 0}, buffer), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, 0, 24, 8, 2}, buffer), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 0, 8, 2}, buffer), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 48, 8, 2}, buffer), STATUS_UNSUCCESSFUL)
        << "the buffer holds 24 packets with their descriptors, not 48";
    const ISO_INPUT good{kIsoInPipe, P, 24, 8, 2};
    EXPECT_EQ(m_Device.IoControl(IOCTL_CAM_ISO_READ, &good, 19, buffer.data(), static_cast<DWORD>(buffer.size())),
              STATUS_INVALID_PARAMETER);
    EXPECT_EQ(m_Plug.Camera().GetIsoStats().nTransfers, 0u);

    m_Plug.Stop();
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, good, buffer), STATUS_UNSUCCESSFUL) << "a stopped device is not configured";
}

TEST_P(IsoTransfer, FewerRequestsGoOutWhenThePacketsDoNotNeedThemAll)
{
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    constexpr DWORD P = 64, N = 8, K = 4, T = 5;
    std::vector<BYTE> buffer(N * (P + kDescriptorSize) + 64, 0xCC);
    ASSERT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, N, K, T}, buffer), STATUS_SUCCESS);
    EXPECT_EQ(m_Plug.Camera().GetIsoStats().nTransfers, 2u);
    EXPECT_EQ(DescriptorAt(&buffer[N * P + (N - 1) * kDescriptorSize]).Length, P);
    EXPECT_EQ(buffer[N * (P + kDescriptorSize)], 0xCC) << "nothing written past the N packets and descriptors";
}

TEST_P(IsoTransfer, WriteSendsTheCallersPacketsToTheOutEndpoint)
{
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    constexpr DWORD P = 512, N = 16, K = 4, T = 2;
    std::vector<BYTE> buffer(N * (P + kDescriptorSize), 0);
    for (DWORD i = 0; i < N * P; ++i)
        buffer[i] = static_cast<BYTE>(i * 7 + 3);
    const DWORD nSum = std::accumulate(buffer.begin(), buffer.begin() + N * P, DWORD{0});
    ASSERT_EQ(Iso(IOCTL_CAM_ISO_WRITE, {kIsoOutPipe, P, N, K, T}, buffer), STATUS_SUCCESS);

    const SIM_ISO_STATS stats = m_Plug.Camera().GetIsoStats();
    EXPECT_EQ(stats.nOutPackets, N);
    EXPECT_EQ(stats.nOutBytes, N * P);
    EXPECT_EQ(stats.nOutChecksum, nSum) << "every byte of the buffer reached the camera once";
    for (DWORD i = 0; i < N; ++i)
        EXPECT_EQ(DescriptorAt(&buffer[N * P + i * kDescriptorSize]).Length, P) << "packet " << i;
}

TEST_P(IsoTransfer, AVanishingCameraEndsARunningTransferWithAFailure)
{
    ASSERT_EQ(SelectSetting(SIM_ISO_ALTERNATE_SETTING), STATUS_SUCCESS);
    // 80 000 packets take ten seconds of microframes: the camera goes long before.
    constexpr DWORD P = 16, N = 80000, K = 8, T = 4;
    std::vector<BYTE> buffer(N * (P + kDescriptorSize));
    std::atomic<NTSTATUS> status{STATUS_PENDING};
    std::thread reader([&] { status = Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, N, K, T}, buffer); });
    ASSERT_TRUE(Eventually([&] { return m_Plug.Camera().GetIsoStats().nTransfers >= 2; }));
    m_Plug.Unplug();
    reader.join();
    EXPECT_FALSE(NT_SUCCESS(status.load())) << std::hex << status.load();
    EXPECT_EQ(Iso(IOCTL_CAM_ISO_READ, {kIsoInPipe, P, 8, 8, 1}, buffer), STATUS_DELETE_PENDING);
}

INSTANTIATE_TEST_SUITE_P(Buses, IsoTransfer, kBothBuses, CameraBusName);

} // namespace
