#include "driver/firmware/firmware_images.h"

#include "driver/firmware/intel_hex.h"
#include "platform/log.h"

#include <array>
#include <cstdlib>
#include <string>
#include <tuple>

namespace {

// A run of records of equal length at consecutive addresses.
struct PLACEHOLDER_BLOCK {
    WORD nStart;
    int nRecords;
    BYTE nLength;
};

// Placeholder records: the blocks in order, filler data, and the end record.
template <std::size_t N>
constexpr std::array<FIRMWARE_RECORD, N> MakePlaceholderImage(BYTE nSeed, const PLACEHOLDER_BLOCK (&blocks)[2])
{
    std::array<FIRMWARE_RECORD, N> records{};
    std::size_t n = 0;
    for (const PLACEHOLDER_BLOCK& block : blocks) {
        for (int r = 0; r < block.nRecords; ++r, ++n) {
            FIRMWARE_RECORD& record = records[n];
            record.Length = block.nLength;
            record.Address = static_cast<WORD>(block.nStart + r * block.nLength);
            record.Type = FIRMWARE_RECORD_DATA;
            for (int i = 0; i < block.nLength; ++i)
                record.Data[i] = static_cast<BYTE>((record.Address + i) * 29 + nSeed);
        }
    }
    records[n].Type = FIRMWARE_RECORD_END;
    return records;
}

// Image A: 40 records of 16 bytes at 0x0000..0x027F, 18 of 8 bytes at 0x0374..0x0403.
constexpr PLACEHOLDER_BLOCK kBlocksA[2] = {{0x0000, 40, 16}, {0x0374, 18, 8}};
// Image B: 40 records of 16 bytes at 0x0000..0x027F, 281 of 12 bytes at 0x02F1..0x101C.
constexpr PLACEHOLDER_BLOCK kBlocksB[2] = {{0x0000, 40, 16}, {0x02F1, 281, 12}};

constexpr auto kImageA = MakePlaceholderImage<59>(0xA5, kBlocksA);
constexpr auto kImageB = MakePlaceholderImage<322>(0x5A, kBlocksB);

static_assert(kImageA[57].Address + kImageA[57].Length - 1 == 0x0403);
static_assert(kImageB[320].Address + kImageB[320].Length - 1 == 0x101C);
static_assert(40 * 16 + 18 * 8 == 784 && 40 * 16 + 281 * 12 == 4012);

} // namespace

FIRMWARE_IMAGES GetBuiltInFirmwareImages()
{
    return FIRMWARE_IMAGES{{kImageA.begin(), kImageA.end()}, {kImageB.begin(), kImageB.end()}};
}

NTSTATUS LoadFirmwareImagesFrom(const char* szFolder, FIRMWARE_IMAGES* pImages)
{
    if (!szFolder || !*szFolder) {
        *pImages = GetBuiltInFirmwareImages();
        return STATUS_SUCCESS;
    }
    *pImages = FIRMWARE_IMAGES{};
    const std::string folder(szFolder);
    for (auto [szFile, szHexFile, pRecords] :
         {std::tuple{FIRMWARE_FILE_A, FIRMWARE_HEX_FILE_A, &pImages->ImageA},
          std::tuple{FIRMWARE_FILE_B, FIRMWARE_HEX_FILE_B, &pImages->ImageB}}) {
        std::string path = folder + "/" + szFile;
        NTSTATUS status = ReadFirmwareFile(path, pRecords);
        bool bHex = false;
        if (status == STATUS_OBJECT_NAME_NOT_FOUND) {
            const std::string hexPath = folder + "/" + szHexFile;
            const NTSTATUS hexStatus = ReadIntelHexFile(hexPath, pRecords);
            if (hexStatus != STATUS_OBJECT_NAME_NOT_FOUND) {
                status = hexStatus;
                path = hexPath;
                bHex = true;
            }
        }
        if (!NT_SUCCESS(status)) {
            if (status != STATUS_INVALID_IMAGE_FORMAT)
                LogLine(ELogCategory::Driver, "firmware %s (or %s) cannot be read", path.c_str(), szHexFile);
            else
                LogLine(ELogCategory::Driver, "firmware %s is not %s", path.c_str(),
                        bHex ? "valid Intel HEX" : "a record list");
            *pImages = FIRMWARE_IMAGES{};
            return status;
        }
    }
    return STATUS_SUCCESS;
}

NTSTATUS LoadFirmwareImages(FIRMWARE_IMAGES* pImages)
{
    return LoadFirmwareImagesFrom(std::getenv(FIRMWARE_DIR_VARIABLE), pImages);
}
