// Firmware images given as Intel HEX files: good files become the driver's record lists,
// broken ones are refused with the line at fault, and the firmware folder takes HEX files
// where it has no record lists.
#include "driver/firmware/firmware_images.h"
#include "driver/firmware/intel_hex.h"
#include "tests/driver/intel_hex_lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string HexLine(BYTE nType, WORD nAddress, const std::vector<BYTE>& data)
{
    return IntelHexLine(nType, nAddress, data);
}

// A record list written as Intel HEX, one line per data record.
std::string HexOf(const std::vector<FIRMWARE_RECORD>& records)
{
    std::string text;
    for (const FIRMWARE_RECORD& record : records) {
        if (record.Type != FIRMWARE_RECORD_DATA)
            break;
        text += HexLine(0x00, record.Address, std::vector<BYTE>(record.Data, record.Data + record.Length));
    }
    return text + ":00000001FF\n";
}

bool SameRecords(const std::vector<FIRMWARE_RECORD>& a, const std::vector<FIRMWARE_RECORD>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Type != b[i].Type ||
            (a[i].Type == FIRMWARE_RECORD_DATA &&
             (a[i].Length != b[i].Length || a[i].Address != b[i].Address ||
              !std::equal(a[i].Data, a[i].Data + a[i].Length, b[i].Data))))
            return false;
    return true;
}

BOOL Parse(const std::string& text, std::vector<FIRMWARE_RECORD>* pRecords, std::size_t* pnLine = nullptr)
{
    return ParseIntelHex(text.data(), text.size(), pRecords, pnLine);
}

TEST(IntelHex, DataLinesBecomeRecordsOfAtMostSixteenBytes)
{
    std::vector<BYTE> twenty(20);
    for (int i = 0; i < 20; ++i)
        twenty[i] = static_cast<BYTE>(0xA0 + i);
    const std::string text = HexLine(0x04, 0, {0x00, 0x00}) + "\r\n  " + HexLine(0x00, 0x0100, twenty) + "\n" +
                             HexLine(0x00, 0x1B3F, {0x42}) + HexLine(0x05, 0, {0, 0, 0, 0}) +
                             ":00000001FF\r\nanything after the end";
    std::vector<FIRMWARE_RECORD> records;
    ASSERT_TRUE(Parse(text, &records));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].Address, 0x0100);
    EXPECT_EQ(records[0].Length, 16);
    EXPECT_EQ(records[0].Data[15], 0xAF);
    EXPECT_EQ(records[1].Address, 0x0110);
    EXPECT_EQ(records[1].Length, 4);
    EXPECT_EQ(records[1].Data[3], 0xB3);
    EXPECT_EQ(records[2].Address, 0x1B3F);
    EXPECT_EQ(records[3].Type, FIRMWARE_RECORD_END);

    // A segment base moves the data: segment 0x0100 is address 0x1000.
    ASSERT_TRUE(Parse(HexLine(0x02, 0, {0x01, 0x00}) + HexLine(0x00, 0x0020, {1, 2}) + ":00000001FF\n", &records));
    EXPECT_EQ(records[0].Address, 0x1020);
}

TEST(IntelHex, BrokenFilesAreRefusedWithTheirLine)
{
    const std::string good = HexLine(0x00, 0x0000, {1, 2, 3});
    const std::string end = ":00000001FF\n";
    std::string badSum = good;
    badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
    const struct {
        std::string text;
        std::size_t nLine;
        const char* szWhy;
    } broken[] = {
        {good + badSum + end, 2, "wrong checksum"},
        {good + good.substr(1) + end, 2, "no colon"},
        {":0300000001020\n" + end, 1, "odd number of digits"},
        {":03000000010G03F7\n" + end, 1, "not a hex digit"},
        {":0400000001020303\n" + end, 1, "count says 4, line has 3"},
        {HexLine(0x06, 0, {1}) + end, 1, "unknown record type"},
        {HexLine(0x00, 0xFFF8, std::vector<BYTE>(16, 1)) + end, 1, "beyond 0xFFFF"},
        {HexLine(0x04, 0, {0x00, 0x01}) + HexLine(0x00, 0, {1}) + end, 2, "beyond 64 KB through the linear base"},
        {HexLine(0x04, 0, {0x00}) + end, 1, "address line of one byte"},
        {good + good, 3, "no end-of-file line"},
        {"", 1, "empty"},
    };
    for (const auto& test : broken) {
        std::vector<FIRMWARE_RECORD> records(3);
        std::size_t nLine = 0;
        EXPECT_FALSE(Parse(test.text, &records, &nLine)) << test.szWhy;
        EXPECT_EQ(nLine, test.nLine) << test.szWhy;
        EXPECT_TRUE(records.empty()) << test.szWhy;
    }
}

class IntelHexFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo_hex_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_Folder);
    }
    void TearDown() override { fs::remove_all(m_Folder); }
    void Write(const char* szName, const std::string& text) const { std::ofstream(m_Folder / szName) << text; }
    fs::path m_Folder;
};

TEST_F(IntelHexFolder, HexFilesStandInForMissingRecordLists)
{
    const FIRMWARE_IMAGES builtIn = GetBuiltInFirmwareImages();
    Write(FIRMWARE_HEX_FILE_A, HexOf(builtIn.ImageA));
    Write(FIRMWARE_HEX_FILE_B, HexOf(builtIn.ImageB));
    FIRMWARE_IMAGES images;
    ASSERT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_SUCCESS);
    EXPECT_TRUE(SameRecords(images.ImageA, builtIn.ImageA)) << "the loader round-trips through Intel HEX";
    EXPECT_TRUE(SameRecords(images.ImageB, builtIn.ImageB));

    // A record list wins over a HEX file of the same image.
    BYTE rec[2 * FIRMWARE_RECORD_SIZE] = {2, 0, 0x10, 0, 0, 0xAA, 0xBB}; // two bytes at 0x0010
    rec[FIRMWARE_RECORD_SIZE + 4] = FIRMWARE_RECORD_END;
    std::ofstream(m_Folder / FIRMWARE_FILE_A, std::ios::binary).write(reinterpret_cast<const char*>(rec), sizeof rec);
    ASSERT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_SUCCESS);
    ASSERT_EQ(images.ImageA.size(), 2u);
    EXPECT_EQ(images.ImageA[0].Data[1], 0xBB);
    EXPECT_TRUE(SameRecords(images.ImageB, builtIn.ImageB));
}

TEST_F(IntelHexFolder, ABrokenHexFileIsAClearFailure)
{
    Write(FIRMWARE_HEX_FILE_A, HexOf(GetBuiltInFirmwareImages().ImageA));
    Write(FIRMWARE_HEX_FILE_B, ":10000000\n");
    FIRMWARE_IMAGES images;
    EXPECT_EQ(LoadFirmwareImagesFrom(m_Folder.c_str(), &images), STATUS_INVALID_IMAGE_FORMAT);
    EXPECT_TRUE(images.ImageA.empty());
    std::vector<FIRMWARE_RECORD> records;
    EXPECT_EQ(ReadIntelHexFile((m_Folder / "missing.hex").string(), &records), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(ReadIntelHexFile((m_Folder / FIRMWARE_HEX_FILE_A).string(), &records), STATUS_SUCCESS);
    EXPECT_EQ(records.size(), 59u);
}

} // namespace
