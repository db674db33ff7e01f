// The camera protocol's pure encoding and decoding, byte for byte, and its tables.
#include "driver/camera_protocol.h"

#include <gtest/gtest.h>

namespace {

TEST(CameraProtocol, CommandsAreSixtyFourBytesWithParametersBehindTheCode)
{
    const CAM_MESSAGE write = CamBuildWriteRegister(0x35, 0x1234);
    EXPECT_EQ(write[0], CAM_CMD_WRITE_REG);
    EXPECT_EQ(write[1], 0x35);
    EXPECT_EQ(write[2], 0x12);
    EXPECT_EQ(write[3], 0x34);
    for (std::size_t i = 4; i < CAM_MESSAGE_SIZE; ++i)
        EXPECT_EQ(write[i], 0) << "byte " << i;

    const CAM_MESSAGE size = CamBuildSetTransferSize(327680); // 0x00050000, little-endian
    EXPECT_EQ((std::array<BYTE, 5>{size[0], size[1], size[2], size[3], size[4]}),
              (std::array<BYTE, 5>{CAM_CMD_SET_TRANSFER_SIZE, 0x00, 0x00, 0x05, 0x00}));
    EXPECT_EQ(CamCommandTransferSize(size.data()), 327680u);

    EXPECT_EQ(CamBuildReadRegister(0x09)[1], 0x09);
    EXPECT_EQ(CamBuildSetDataWidth(7)[1], 1) << "any non-zero value means 10-bit";
    EXPECT_EQ(CamBuildSetHalfClock(FALSE)[1], 0);
    EXPECT_EQ(CamBuildCommand(CAM_CMD_FRAME), (CAM_MESSAGE{CAM_CMD_FRAME}));

    BYTE many[70];
    for (int i = 0; i < 70; ++i)
        many[i] = static_cast<BYTE>(i + 1);
    const CAM_MESSAGE cut = CamBuildCommand(0x55, many, sizeof many);
    EXPECT_EQ(cut[63], 63) << "at most 63 parameter bytes";
}

TEST(CameraProtocol, DecodesWhatItEncodes)
{
    const CAM_MESSAGE write = CamBuildWriteRegister(0x09, 502);
    EXPECT_EQ(CamCommandRegister(write.data()), 0x09);
    EXPECT_EQ(CamCommandRegisterValue(write.data()), 502);

    const BYTE reply[64] = {0x01, 0xF6};
    EXPECT_EQ(CamReplyRegisterValue(reply), 502);
    EXPECT_EQ(CamBuildRegisterReply(502)[0], 0x01);
    EXPECT_EQ(CamBuildRegisterReply(502)[1], 0xF6);
    EXPECT_TRUE(CamReplyHalfClock(CamBuildHalfClockReply(true).data()));
    EXPECT_FALSE(CamReplyHalfClock(CamBuildHalfClockReply(false).data()));

    EXPECT_EQ(CamTenBitSample(0xFF, 0xFF), 1023) << "only the low two bits of the second byte count";
    for (WORD v : {0, 1, 2, 3, 4, 511, 1022, 1023})
        EXPECT_EQ(CamTenBitSample(CamTenBitHighByte(v), CamTenBitLowByte(v)), v);
}

TEST(CameraProtocol, AccessTableAndGeometry)
{
    EXPECT_EQ(CamRegisterAccess(0x00), CAM_REG_READABLE);
    EXPECT_EQ(CamRegisterAccess(0x8F), CAM_REG_READABLE);
    EXPECT_EQ(CamRegisterAccess(0x0E), CAM_REG_WRITABLE);
    EXPECT_EQ(CamRegisterAccess(0x0F), CAM_REG_WRITABLE);
    for (int r : {0x01, 0x0A, 0x0C, 0x0D, 0x10, 0x17, 0x1D, 0x2B, 0x2E, 0x35, 0x3B})
        EXPECT_EQ(CamRegisterAccess(r), CAM_REG_READABLE | CAM_REG_WRITABLE) << "register " << r;
    for (int r : {0x0B, 0x18, 0x1C, 0x1E, 0x2A, 0x2F, 0x34, 0x36, 0x3A, 0x3C, 0x8E, 0x90, 0xFF})
        EXPECT_EQ(CamRegisterAccess(r), 0) << "register " << r;

    EXPECT_EQ(CamTransferSize(480), 327680u) << "681 x 481 = 327,561 rounded up";
    EXPECT_EQ(CamTransferSize(1), 2048u);
    EXPECT_EQ(CamTransferSize(0) % 1024, 0u);
}

} // namespace
