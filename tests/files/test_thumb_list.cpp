// CThumbList: scaling to thumbnails, the folder scan's choice of pictures, and the cache
// file: its size and layout, round trips, the older identification, and damaged,
// lying or outdated caches.
#include "app/files/thumb_list.h"

#include "tests/files/thumb_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string_view>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t THUMB_BMP_BYTES = 44154; // 54 + 420 x 105

// A cache file image put together by hand: identification, five version bytes, count,
// then per record the name, S, 0 and the BMP image.
Bytes HandMadeCache(std::string_view ident, const char (&version)[5], std::int32_t nCount,
                    const std::vector<std::pair<std::string, Bytes>>& records)
{
    Bytes out(ident.begin(), ident.end());
    out.insert(out.end(), version, version + 5); // the digits and their zero byte
    const auto appendWord = [&out](std::uint32_t n) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<BYTE>(n >> (8 * i)));
    };
    appendWord(static_cast<std::uint32_t>(nCount));
    for (const auto& [name, bmp] : records) {
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        appendWord(static_cast<std::uint32_t>(bmp.size()));
        appendWord(0);
        out.insert(out.end(), bmp.begin(), bmp.end());
    }
    return out;
}

// The BMP file image of a thumbnail, as WriteBmp writes it.
Bytes ThumbBmp(const CDibImage& thumb, const CTempFolder& folder)
{
    const std::string szPath = folder.File("thumb.tmp");
    WriteBmp(thumb, szPath.c_str());
    Bytes bytes = ReadBytes(szPath);
    fs::remove(szPath);
    return bytes;
}

std::vector<std::string> Paths(const CThumbList& list)
{
    std::vector<std::string> paths;
    for (int i = 0; i < list.Count(); ++i)
        paths.push_back(list.Item(i).m_szPath);
    return paths;
}

// The names of the folder's entries in the order the file system lists them.
std::vector<std::string> ListedOrder(const CTempFolder& folder, const std::vector<std::string>& wanted)
{
    std::vector<std::string> order;
    for (const std::string& szName : folder.Entries())
        if (std::find(wanted.begin(), wanted.end(), szName) != wanted.end())
            order.push_back(folder.File(szName));
    return order;
}

std::string FolderOf(const CTempFolder& folder)
{
    return fs::path(folder.File("x")).parent_path().string();
}

int ReadBytesAsCache(CThumbList& list, const Bytes& bytes, const CTempFolder& folder)
{
    return list.ReadCacheFromMemory(bytes.data(), bytes.size(), FolderOf(folder));
}

} // namespace

TEST(ThumbList, AddThumbnailScalesTheWholePictureWidthAndHeightApart)
{
    // Each source pixel tells its memory row and column.
    CDibImage source;
    ASSERT_TRUE(source.Create(333, 77, 24));
    for (int r = 0; r < 77; ++r)
        for (int c = 0; c < 333; ++c) {
            BYTE* p = source.Bits() + r * source.Stride() + 3 * c;
            p[0] = static_cast<BYTE>(c & 0xFF), p[1] = static_cast<BYTE>(c >> 8), p[2] = static_cast<BYTE>(r);
        }
    CThumbList list;
    ASSERT_TRUE(list.AddThumbnail("/pics/x.bmp", source));
    ASSERT_EQ(1, list.Count());
    const CDibImage& thumb = list.Item(0).m_Image;
    ASSERT_EQ(THUMB_WIDTH, thumb.Width());
    ASSERT_EQ(THUMB_HEIGHT, thumb.Height());
    ASSERT_EQ(24, thumb.BitCount());
    const float fRy = 77.0f / 105.0f, fRx = 333.0f / 140.0f;
    for (int i = 0; i < THUMB_HEIGHT; ++i)
        for (int j = 0; j < THUMB_WIDTH; ++j) {
            const BYTE* p = thumb.Bits() + i * thumb.Stride() + 3 * j;
            const int nRow = static_cast<int>(fRy * static_cast<float>(i));
            const int nCol = static_cast<int>(fRx * static_cast<float>(j));
            ASSERT_EQ(nCol, p[0] + 256 * p[1]) << "row " << i << " column " << j;
            ASSERT_EQ(nRow, p[2]) << "row " << i << " column " << j;
        }

    // An 8-bit source goes through its colour table.
    CDibImage grey;
    ASSERT_TRUE(grey.Create(50, 40, 8));
    RGBQUAD table[256];
    for (int k = 0; k < 256; ++k)
        table[k] = RGBQUAD{static_cast<BYTE>(k), static_cast<BYTE>(255 - k), 7, 0};
    grey.SetPalette(CDibImage::PALETTE_ENTRIES, table, 0, 256);
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 50; ++c)
            grey.Bits()[r * grey.Stride() + c] = static_cast<BYTE>(r + 4 * c);
    ASSERT_TRUE(list.AddThumbnail("/pics/grey.bmp", grey));
    const CDibImage& small = list.Item(1).m_Image;
    ASSERT_EQ(24, small.BitCount());
    for (int i = 0; i < THUMB_HEIGHT; i += 13)
        for (int j = 0; j < THUMB_WIDTH; j += 11) {
            const int nIndex = static_cast<int>(40.0f / 105.0f * static_cast<float>(i)) +
                               4 * static_cast<int>(50.0f / 140.0f * static_cast<float>(j));
            const BYTE* p = small.Bits() + i * small.Stride() + 3 * j;
            EXPECT_EQ(Bytes({static_cast<BYTE>(nIndex), static_cast<BYTE>(255 - nIndex), 7}), Bytes(p, p + 3));
        }

    // Nothing is scaled from an empty picture.
    EXPECT_FALSE(list.AddThumbnail("/pics/empty.bmp", CDibImage()));
    EXPECT_EQ(2, list.Count());
}

TEST(ThumbCache, TwoPicturesGiveTheCacheSizeAndComeBackTheSame)
{
    CTempFolder folder;
    WriteTestPicture(folder, "a.bmp", 640, 480, 1);
    WriteTestPicture(folder, "b.jpg", 320, 200, 2);
    const std::string szFolder = FolderOf(folder);

    CThumbList list;
    EXPECT_EQ(0, list.ReadCache(ThumbCachePath(szFolder))); // none yet
    EXPECT_EQ(2, list.ScanFolder(szFolder));
    const std::vector<std::string> order = ListedOrder(folder, {"a.bmp", "b.jpg"});
    ASSERT_EQ(order, Paths(list));
    EXPECT_TRUE(SamePixels(ThumbOfFile(order[0]), list.Item(0).m_Image));

    ASSERT_EQ(1, list.WriteCache(ThumbCachePath(szFolder)));
    const Bytes cache = ReadBytes(folder.File("ThumbNail"));
    ASSERT_EQ(29u + 4 + 2 * (5 + 1 + 8 + THUMB_BMP_BYTES), cache.size());
    EXPECT_EQ(0, std::memcmp(cache.data(), "VELMOR THUMBNAILFILE VER1000", 29));
    EXPECT_EQ(2, cache[29]);
    // The first record: its name, S, 0, then the thumbnail exactly as WriteBmp writes it.
    const std::string szFirst = fs::path(order[0]).filename().string();
    EXPECT_EQ(0, std::memcmp(cache.data() + 33, szFirst.c_str(), 6));
    EXPECT_EQ(Bytes({0x7A, 0xAC, 0, 0, 0, 0, 0, 0}), Bytes(cache.begin() + 39, cache.begin() + 47));
    EXPECT_EQ(ThumbBmp(list.Item(0).m_Image, folder), Bytes(cache.begin() + 47, cache.begin() + 47 + THUMB_BMP_BYTES));
    // Written in one piece: no temporary file is left beside it.
    EXPECT_EQ(3u, folder.Entries().size());

    // Read back: same names, order and pixels, and the scan decodes nothing more.
    CThumbList again;
    ASSERT_EQ(1, again.ReadCache(ThumbCachePath(szFolder)));
    ASSERT_EQ(order, Paths(again));
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(SamePixels(list.Item(i).m_Image, again.Item(i).m_Image)) << i;
    EXPECT_EQ(0, again.ScanFolder(szFolder));
    EXPECT_EQ(2, again.Count());
    // Read again into a list holding them: nothing is doubled.
    EXPECT_EQ(1, again.ReadCache(ThumbCachePath(szFolder)));
    EXPECT_EQ(2, again.Count());
}

TEST(ThumbCache, IdentificationsAndVersions)
{
    CTempFolder folder;
    const std::string szPicture = WriteTestPicture(folder, "a.bmp");
    const Bytes bmp = ThumbBmp(ThumbOfFile(szPicture), folder);
    const std::vector<std::pair<std::string, Bytes>> records{{"a.bmp", bmp}};

    // The older identification is one byte shorter: the count sits at offset 28.
    const Bytes old = HandMadeCache("KO-KW THUMBNAILFILE VER", "1000", 1, records);
    ASSERT_EQ(1, old[28]);
    CThumbList list;
    ASSERT_EQ(1, ReadBytesAsCache(list, old, folder));
    ASSERT_EQ(1, list.Count());
    EXPECT_EQ(szPicture, list.Item(0).m_szPath);
    EXPECT_TRUE(SamePixels(ThumbOfFile(szPicture), list.Item(0).m_Image));

    // Any other version, or another identification, is ignored completely.
    for (const Bytes& bytes : {HandMadeCache("VELMOR THUMBNAILFILE VER", "1001", 1, records),
                               HandMadeCache("VELMOR THUMBNAILFILE VER", "0999", 1, records),
                               HandMadeCache("KO-KW THUMBNAILFILE VER", "2000", 1, records),
                               HandMadeCache("VELMOR THUMBNAILFILE XER", "1000", 1, records),
                               HandMadeCache("velmor THUMBNAILFILE VER", "1000", 1, records)}) {
        CThumbList other;
        other.AddThumbnail("/kept.bmp", ThumbOfFile(szPicture));
        EXPECT_EQ(0, ReadBytesAsCache(other, bytes, folder));
        EXPECT_EQ(std::vector<std::string>{"/kept.bmp"}, Paths(other));
    }
}

TEST(ThumbScan, OnlyFilesNamedExactlyBmpOrJpgAreCounted)
{
    CTempFolder folder;
    const std::string szFolder = FolderOf(folder);
    WriteTestPicture(folder, "a.BMP");
    WriteTestPicture(folder, "c.jpeg");
    WriteTestPicture(folder, "bmp");
    fs::create_directory(folder.File("d.bmp"));
    WriteBytes(folder.File("e.jpg"), Bytes(100, 0x55)); // counted, but cannot be decoded
    const std::string szGood = WriteTestPicture(folder, "f.bmp");

    CThumbList list;
    list.AddThumbnail(folder.File("F.bmp"), ThumbOfFile(szGood)); // another name
    bool bReadable = false;
    int nCounted = 0;
    EXPECT_EQ(ListedOrder(folder, {"e.jpg", "f.bmp"}), list.MissingPictures(szFolder, &bReadable, &nCounted));
    EXPECT_TRUE(bReadable);
    EXPECT_EQ(2, nCounted);

    EXPECT_EQ(1, list.ScanFolder(szFolder));
    EXPECT_EQ((std::vector<std::string>{folder.File("F.bmp"), szGood}), Paths(list));

    // With no picture counted, all thumbnails go, also those the cache brought.
    fs::remove(szGood);
    fs::remove(folder.File("e.jpg"));
    EXPECT_EQ(0, list.ScanFolder(szFolder));
    EXPECT_EQ(0, list.Count());
}

TEST(ThumbCache, AnEmptyFolderDeletesTheCacheAtTheNextWrite)
{
    CTempFolder folder;
    const std::string szPicture = WriteTestPicture(folder, "a.bmp");
    const std::string szFolder = fs::path(szPicture).parent_path().string();
    CThumbList list;
    list.ScanFolder(szFolder);
    ASSERT_EQ(1, list.WriteCache(ThumbCachePath(szFolder)));

    fs::remove(szPicture);
    CThumbList next;
    EXPECT_EQ(1, next.ReadCache(ThumbCachePath(szFolder))); // read, its picture dropped
    EXPECT_EQ(0, next.Count());
    EXPECT_EQ(0, next.ScanFolder(szFolder));
    EXPECT_EQ(0, next.WriteCache(ThumbCachePath(szFolder)));
    EXPECT_TRUE(folder.Entries().empty());
    EXPECT_EQ(0, next.WriteCache(ThumbCachePath(szFolder))); // nothing to delete either
}

TEST(ThumbCache, DamagedOrLyingCachesKeepWhatFitsAndNeverReadPastTheData)
{
    CTempFolder folder;
    const std::string szFolder = FolderOf(folder);
    CThumbList made;
    for (const char* szName : {"a.bmp", "bb.jpg", "c.bmp"})
        made.AddThumbnailFromFile(WriteTestPicture(folder, szName, 40, 30, static_cast<std::uint32_t>(szName[0])));
    ASSERT_EQ(3, made.Count());
    const Bytes cache = made.CacheImage();
    const std::size_t nRecord1End = 33 + 6 + 8 + THUMB_BMP_BYTES;
    const std::size_t nRecord2End = nRecord1End + 7 + 8 + THUMB_BMP_BYTES;
    ASSERT_EQ(nRecord2End + 6 + 8 + THUMB_BMP_BYTES, cache.size());

    // The data is copied into a block of its exact size, so reading past it is caught.
    const auto read = [&](const Bytes& bytes, int nItems, int nResult = 1) {
        const auto block = std::make_unique<BYTE[]>(std::max<std::size_t>(bytes.size(), 1));
        if (!bytes.empty())
            std::memcpy(block.get(), bytes.data(), bytes.size());
        CThumbList list;
        EXPECT_EQ(nResult, list.ReadCacheFromMemory(block.get(), bytes.size(), szFolder));
        EXPECT_EQ(nItems, list.Count()) << bytes.size() << " bytes";
        for (int i = 0; i < list.Count(); ++i)
            for (int k = 0; k < made.Count(); ++k) {
                if (made.Item(k).m_szPath == list.Item(i).m_szPath) {
                    EXPECT_TRUE(SamePixels(made.Item(k).m_Image, list.Item(i).m_Image)) << list.Item(i).m_szPath;
                }
            }
        return list;
    };
    // Cut: in the header, at the first record, in record 2's name, words and image, at its end.
    for (std::size_t nCut : {std::size_t{0}, std::size_t{20}, std::size_t{32}})
        read(Bytes(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(nCut)), 0, 0);
    read(Bytes(cache.begin(), cache.begin() + 33), 0);
    for (std::size_t nCut : {nRecord1End, nRecord1End + 3, nRecord1End + 10, nRecord1End + 16, nRecord2End - 1})
        read(Bytes(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(nCut)), 1);
    read(Bytes(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(nRecord2End)), 2);

    // A count of millions (or of fewer records, or below zero) allocates nothing for
    // itself and reads what is there.
    const auto withCount = [&](std::int32_t nCount) {
        Bytes bytes = cache;
        std::memcpy(bytes.data() + 29, &nCount, 4);
        return bytes;
    };
    read(withCount(0x7FFFFFFF), 3);
    read(withCount(2), 2);
    read(withCount(-5), 0);

    // A record whose image is no BMP is dropped, the next one still read; a size beyond
    // the data ends the reading.
    Bytes broken = cache;
    broken[nRecord1End + 7 + 8] = 'X';
    EXPECT_EQ((std::vector<std::string>{folder.File("a.bmp"), folder.File("c.bmp")}), Paths(read(broken, 2)));
    broken = cache;
    broken[nRecord1End + 7 + 3] = 0x40;
    read(broken, 1);

    // Pictures deleted meanwhile are dropped; a name reaching out of the folder is never
    // taken, even when something exists there.
    fs::remove(folder.File("bb.jpg"));
    EXPECT_EQ((std::vector<std::string>{folder.File("a.bmp"), folder.File("c.bmp")}), Paths(read(cache, 2)));
    const Bytes bmp = ThumbBmp(made.Item(2).m_Image, folder); // c.bmp's thumbnail
    const Bytes outside = HandMadeCache("VELMOR THUMBNAILFILE VER", "1000", 4,
                                        {{"../" + fs::path(szFolder).filename().string() + "/a.bmp", bmp},
                                         {"", bmp}, {"..", bmp}, {"c.bmp", bmp}});
    EXPECT_EQ(std::vector<std::string>{folder.File("c.bmp")}, Paths(read(outside, 1)));

    // Random damage anywhere: whatever is read is a whole thumbnail of a listed picture.
    std::mt19937 random(7);
    for (int nTrial = 0; nTrial < 300; ++nTrial) {
        Bytes bytes = cache;
        for (int k = 0; k < 4; ++k)
            bytes[random() % bytes.size()] = static_cast<BYTE>(random());
        bytes.resize(random() % (bytes.size() + 1));
        CThumbList list;
        list.ReadCacheFromMemory(bytes.data(), bytes.size(), szFolder);
        ASSERT_LE(list.Count(), 2);
        for (int i = 0; i < list.Count(); ++i) {
            EXPECT_EQ(THUMB_WIDTH, list.Item(i).m_Image.Width());
            EXPECT_EQ(24, list.Item(i).m_Image.BitCount());
            EXPECT_TRUE(list.Item(i).m_szPath == folder.File("a.bmp") || list.Item(i).m_szPath == folder.File("c.bmp"));
        }
    }
}

TEST(ThumbScan, AFolderThatDisappearsEmptiesTheListWithoutHarm)
{
    std::string szFolder;
    CThumbList list;
    {
        CTempFolder folder;
        szFolder = fs::path(WriteTestPicture(folder, "a.bmp")).parent_path().string();
        list.ScanFolder(szFolder);
        ASSERT_EQ(1, list.Count());
    }
    bool bReadable = true;
    EXPECT_TRUE(list.MissingPictures(szFolder, &bReadable).empty());
    EXPECT_FALSE(bReadable);
    EXPECT_EQ(0, list.ReadCache(ThumbCachePath(szFolder)));
    EXPECT_EQ(1, list.Count());
    EXPECT_EQ(-1, list.ScanFolder(szFolder));
    EXPECT_EQ(0, list.Count());
    EXPECT_FALSE(list.AddThumbnailFromFile(szFolder + "/a.bmp"));
    CDibImage picture;
    picture.Create(10, 10, 24);
    CThumbList full;
    full.AddThumbnail(szFolder + "/a.bmp", picture);
    EXPECT_EQ(0, full.WriteCache(ThumbCachePath(szFolder)));
    EXPECT_FALSE(fs::exists(szFolder));
}
