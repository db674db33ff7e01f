// The firmware record lists: the built-in placeholders' shape, reading record files, and
// replacing the built-in images through the firmware folder.
#include "driver/firmware/firmware_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

std::vector<BYTE> RecordBytes(BYTE nLength, WORD nAddress, BYTE nType, BYTE nFill = 0x11)
{
    std::vector<BYTE> bytes(FIRMWARE_RECORD_SIZE, 0);
    bytes[0] = nLength;
    bytes[2] = static_cast<BYTE>(nAddress);
    bytes[3] = static_cast<BYTE>(nAddress >> 8);
    bytes[4] = nType;
    for (int i = 0; i < 16; ++i)
        bytes[5 + i] = nFill;
    return bytes;
}

std::vector<BYTE> Concat(std::initializer_list<std::vector<BYTE>> parts)
{
    std::vector<BYTE> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(FirmwareImages, BuiltInPlaceholdersHaveTheImagesShape)
{
    const FIRMWARE_IMAGES images = GetBuiltInFirmwareImages();
    const FIRMWARE_SHAPE a = MeasureFirmware(images.ImageA.data(), images.ImageA.size());
    EXPECT_EQ(a.nDataRecords, 58u);
    EXPECT_EQ(a.nDataBytes, 784u);
    EXPECT_EQ(a.nLowestAddress, 0x0000u);
    EXPECT_EQ(a.nHighestAddress, 0x0403u);
    EXPECT_TRUE(a.bEndsWithEndRecord);
    EXPECT_EQ(images.ImageA.back().Type, FIRMWARE_RECORD_END);

    const FIRMWARE_SHAPE b = MeasureFirmware(images.ImageB.data(), images.ImageB.size());
    EXPECT_EQ(b.nDataRecords, 321u);
    EXPECT_EQ(b.nDataBytes, 4012u);
    EXPECT_EQ(b.nLowestAddress, 0x0000u);
    EXPECT_EQ(b.nHighestAddress, 0x101Cu);
    EXPECT_TRUE(b.bEndsWithEndRecord);
    for (const FIRMWARE_RECORD& record : images.ImageB)
        EXPECT_LE(record.Length, 16) << "at address " << record.Address;
}

TEST(FirmwareImages, ParsesRecordListsAndRefusesBrokenOnes)
{
    std::vector<FIRMWARE_RECORD> records;
    const auto good = Concat({RecordBytes(16, 0x0000, 0), RecordBytes(3, 0x1234, 0), RecordBytes(0, 0, 1),
                              std::vector<BYTE>(7, 0xEE)}); // bytes after the end record are ignored
    ASSERT_TRUE(ParseFirmwareRecords(good.data(), good.size(), &records));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].Address, 0x1234) << "the address is little-endian";
    EXPECT_EQ(records[1].Length, 3);
    EXPECT_EQ(records[0].Data[15], 0x11);

    const auto noEnd = Concat({RecordBytes(16, 0, 0), RecordBytes(16, 16, 0)});
    EXPECT_FALSE(ParseFirmwareRecords(noEnd.data(), noEnd.size(), &records));
    EXPECT_TRUE(records.empty());
    const auto tooLong = Concat({RecordBytes(17, 0, 0), RecordBytes(0, 0, 1)});
    EXPECT_FALSE(ParseFirmwareRecords(tooLong.data(), tooLong.size(), &records));
    const auto cutShort = Concat({RecordBytes(16, 0, 0), std::vector<BYTE>(21, 0)});
    EXPECT_FALSE(ParseFirmwareRecords(cutShort.data(), cutShort.size(), &records));
}

class FirmwareFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo_fw_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_Folder);
    }
    void TearDown() override { fs::remove_all(m_Folder); }
    void Write(const char* szName, const std::vector<BYTE>& bytes) const
    {
        std::ofstream(m_Folder / szName, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::path m_Folder;
};

TEST_F(FirmwareFolderTest, RealImagesComeFromTheNamedFolder)
{
    Write(FIRMWARE_FILE_A, Concat({RecordBytes(2, 0x0010, 0), RecordBytes(0, 0, 1)}));
    Write(FIRMWARE_FILE_B, Concat({RecordBytes(4, 0x0020, 0), RecordBytes(4, 0x0024, 0), RecordBytes(0, 0, 1)}));
    FIRMWARE_IMAGES images;
    ASSERT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_SUCCESS);
    EXPECT_EQ(images.ImageA.size(), 2u);
    EXPECT_EQ(images.ImageB.size(), 3u);
    EXPECT_EQ(images.ImageB[1].Address, 0x0024);

    ASSERT_EQ(LoadFirmwareImagesFrom("", &images), STATUS_SUCCESS);
    EXPECT_EQ(images.ImageB.size(), 322u) << "no folder: the built-in lists";
}

TEST_F(FirmwareFolderTest, AMissingOrBrokenFileIsAClearFailure)
{
    Write(FIRMWARE_FILE_A, Concat({RecordBytes(2, 0x0010, 0), RecordBytes(0, 0, 1)}));
    FIRMWARE_IMAGES images;
    EXPECT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_TRUE(images.ImageA.empty());
    Write(FIRMWARE_FILE_B, RecordBytes(16, 0, 0));
    EXPECT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_INVALID_IMAGE_FORMAT);

    // The driver reads the folder from the environment when it loads, and then refuses to load.
    ::setenv(FIRMWARE_DIR_VARIABLE, m_Folder.c_str(), 1);
    const NTSTATUS status = LoadFirmwareImages(&images);
    ::unsetenv(FIRMWARE_DIR_VARIABLE);
    EXPECT_EQ(status, STATUS_INVALID_IMAGE_FORMAT);
}

} // namespace
