// CThumbList and its cache file.
//
// Cache file "ThumbNail" (integers little-endian):
//   0   29 bytes  "VELMOR THUMBNAILFILE VER1000" with its zero byte
//   29  int32     number of records n
//   33  n records, each:
//         the picture's file name (no folder), zero-terminated
//         uint32 S, the size of the BMP image that follows (stride x height + 54;
//                44154 for 140 x 105 x 24 bits)
//         uint32 0 (reserved)
//         S bytes: a whole BMP file image, 14-byte file header ("BM", bfSize S,
//                bfOffBits 54), 40-byte info header, rows bottom-up.
// Older caches begin with "KO-KW THUMBNAILFILE VER" (one character shorter); the five
// bytes after either identification are the version digits and a zero, so in those the
// count sits at offset 28.
#include "app/files/thumb_list.h"

#include "app/files/picture_loader.h"
#include "app/imaging/scale_nearest.h"
#include "platform/log.h"
#include "platform/read_whole_file.h"
#include "platform/whole_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view CACHE_IDENT = "VELMOR THUMBNAILFILE VER";
constexpr std::string_view OLD_CACHE_IDENT = "KO-KW THUMBNAILFILE VER";
// The version written after the identification, and the only one read.
constexpr char CACHE_VERSION_DIGITS[] = "1000";
constexpr long CACHE_VERSION = 1000;
// The version digits and their zero byte.
constexpr std::size_t VERSION_BYTES = 5;
// File header and info header in front of a record's rows.
constexpr std::size_t BMP_HEADER_BYTES = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

static_assert(CACHE_IDENT.size() + sizeof(CACHE_VERSION_DIGITS) == 29);
static_assert(sizeof(CACHE_VERSION_DIGITS) == VERSION_BYTES);

// What follows a record's name up to its pixel rows, as written.
#pragma pack(push, 1)
struct CRecordHead {
    DWORD nImageSize; // S
    DWORD nReserved;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
};
#pragma pack(pop)
static_assert(sizeof(CRecordHead) == 8 + BMP_HEADER_BYTES);

// The full path of a picture of the folder, formed the same way by the scan and by the
// cache reader, so that the two compare equal.
std::string PicturePath(const std::string& szFolder, std::string_view name)
{
    std::string szPath;
    szPath.reserve(szFolder.size() + 1 + name.size());
    szPath.append(szFolder).append("/").append(name);
    return szPath;
}

// The name with extension of a path (what follows the last '/').
std::string_view FileNameOf(const std::string& szPath)
{
    const std::size_t nSlash = szPath.rfind('/');
    return nSlash == std::string::npos ? std::string_view(szPath) : std::string_view(szPath).substr(nSlash + 1);
}

// Only the exact extensions ".bmp" and ".jpg" count, taken from the last dot.
bool HasPictureExtension(std::string_view name)
{
    const std::size_t nDot = name.rfind('.');
    if (nDot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(nDot);
    return extension == ".bmp" || extension == ".jpg";
}

// A cache record may name a file in the cache's folder only: no separator, and not the
// folder itself or its parent. (A crafted cache must not bring in a path elsewhere,
// which "Remove" would then delete.)
bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool IsRegularFile(const std::string& szPath)
{
    struct stat info {};
    return ::stat(szPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

template <typename T>
T ReadAt(const BYTE* p)
{
    T value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

// The length of the identification the data begins with: 24 for the current one, 23
// for the older one, 0 for neither.
std::size_t IdentLength(const BYTE* pData, std::size_t nSize)
{
    const auto startsWith = [&](std::string_view ident) {
        return nSize >= ident.size() && std::memcmp(pData, ident.data(), ident.size()) == 0;
    };
    if (startsWith(OLD_CACHE_IDENT))
        return OLD_CACHE_IDENT.size();
    if (startsWith(CACHE_IDENT))
        return CACHE_IDENT.size();
    return 0;
}

// The version: the five bytes after the identification as a zero-terminated string,
// converted as atoi would ("1000", also " 1000" or "1000x"; anything else another number
// or 0).
long VersionOf(const BYTE* pDigits)
{
    char szDigits[VERSION_BYTES + 1] = {};
    std::memcpy(szDigits, pDigits, VERSION_BYTES);
    return std::strtol(szDigits, nullptr, 10);
}

// The sections of a cache file image: the identification, the count and per item its
// name, its record head and its rows. The pointers reach into the list's items and into
// this object, so it lives no longer than either.
class CCacheSections {
public:
    explicit CCacheSections(const std::vector<CThumbItem>& items)
    {
        m_Names.reserve(items.size());
        m_Heads.reserve(items.size());
        for (const CThumbItem& item : items) {
            const std::string_view name = FileNameOf(item.m_szPath);
            // Only what the reader takes back: a 24-bit picture under a plain name.
            if (!item.m_Image.IsCreated() || item.m_Image.BitCount() != 24 || !IsPlainFileName(name)) {
                LogLine(ELogCategory::Files,
                        "thumbnail cache: item \"%s\" is not written (no 24-bit thumbnail or no file name)",
                        item.m_szPath.c_str());
                continue;
            }
            const CDibImage& image = item.m_Image;
            const std::size_t nRows = static_cast<std::size_t>(image.Stride()) * image.Height();
            const DWORD nImageSize = static_cast<DWORD>(nRows + BMP_HEADER_BYTES);
            CRecordHead head{};
            head.nImageSize = nImageSize;
            head.file = BITMAPFILEHEADER{0x4D42, nImageSize, 0, 0, static_cast<DWORD>(BMP_HEADER_BYTES)};
            head.info = BITMAPINFOHEADER{40, image.Width(), image.Height(), 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            m_Names.emplace_back(name);
            m_Heads.push_back(head);
            m_Rows.push_back(CFileSection{image.Bits(), nRows});
        }
        m_nCount = static_cast<std::int32_t>(m_Heads.size());

        m_Sections.push_back(CFileSection{CACHE_IDENT.data(), CACHE_IDENT.size()});
        m_Sections.push_back(CFileSection{CACHE_VERSION_DIGITS, sizeof(CACHE_VERSION_DIGITS)});
        m_Sections.push_back(CFileSection{&m_nCount, sizeof(m_nCount)});
        for (std::size_t i = 0; i < m_Heads.size(); ++i) {
            m_Sections.push_back(CFileSection{m_Names[i].c_str(), m_Names[i].size() + 1});
            m_Sections.push_back(CFileSection{&m_Heads[i], sizeof(CRecordHead)});
            m_Sections.push_back(m_Rows[i]);
        }
    }
    CCacheSections(const CCacheSections&) = delete;
    CCacheSections& operator=(const CCacheSections&) = delete;

    const std::vector<CFileSection>& Sections() const { return m_Sections; }

private:
    std::vector<std::string> m_Names;
    std::vector<CRecordHead> m_Heads;
    std::vector<CFileSection> m_Rows;
    std::int32_t m_nCount = 0;
    std::vector<CFileSection> m_Sections;
};

// Removes the file; a missing one is fine. Logged when it stays.
void RemoveCacheFile(const std::string& szPath)
{
    if (::unlink(szPath.c_str()) != 0 && errno != ENOENT)
        LogLine(ELogCategory::Files, "thumbnail cache: cannot delete %s: %s", szPath.c_str(), std::strerror(errno));
}

} // namespace

std::string ThumbCachePath(const std::string& szFolder)
{
    return PicturePath(szFolder, THUMB_CACHE_NAME);
}

bool ScaleToThumbnail(const CDibImage& source, CDibImage& thumb)
{
    if (!source.IsCreated())
        return false;
    CDibImage scaled;
    if (!scaled.Create(THUMB_WIDTH, THUMB_HEIGHT, 24))
        return false;
    if (source.BitCount() == 24) {
        scaled.ApplyScaled(ScaleNearest24, source);
    } else {
        // The same pixel choice on the indices, then through the source's colours.
        CDibImage indices;
        if (!indices.Create(THUMB_WIDTH, THUMB_HEIGHT, 8))
            return false;
        indices.SetPalette(CDibImage::PALETTE_ENTRIES, source.ColorTable(), 0, 256);
        indices.ApplyScaled(ScaleNearest8, source);
        scaled.BlitFrom(indices, nullptr, 0, 0);
    }
    thumb = std::move(scaled);
    return true;
}

bool MakeThumbItem(const std::string& szPath, CThumbItem& item)
{
    CDibImage picture;
    if (!LoadPicture(picture, szPath.c_str())) {
        LogLine(ELogCategory::Files, "thumbnail: cannot load %s; no thumbnail", szPath.c_str());
        return false;
    }
    CDibImage thumb;
    if (!ScaleToThumbnail(picture, thumb)) {
        LogLine(ELogCategory::Files, "thumbnail: no memory for the thumbnail of %s", szPath.c_str());
        return false;
    }
    item.m_Image = std::move(thumb);
    item.m_szPath = szPath;
    return true;
}

bool CThumbList::AddThumbnail(const std::string& szPath, const CDibImage& source)
{
    CThumbItem item;
    if (!ScaleToThumbnail(source, item.m_Image))
        return false;
    item.m_szPath = szPath;
    m_Items.push_back(std::move(item));
    return true;
}

bool CThumbList::AddThumbnailFromFile(const std::string& szPath)
{
    CThumbItem item;
    if (!MakeThumbItem(szPath, item))
        return false;
    m_Items.push_back(std::move(item));
    return true;
}

void CThumbList::Append(CThumbItem item)
{
    m_Items.push_back(std::move(item));
}

bool CThumbList::RemoveAt(int n)
{
    if (n < 0 || n >= Count())
        return false;
    m_Items.erase(m_Items.begin() + n);
    return true;
}

int CThumbList::IndexOf(const std::string& szPath) const
{
    for (int n = 0; n < Count(); ++n)
        if (Item(n).m_szPath == szPath)
            return n;
    return -1;
}

int CThumbList::ReadCache(const std::string& szCachePath)
{
    const CReadWholeFile file(szCachePath.c_str());
    if (!file.IsRead()) {
        // No cache yet is the usual state of a folder; one that cannot be read is not.
        if (!file.IsMissing())
            LogLine(ELogCategory::Files, "thumbnail cache: cannot read %s", szCachePath.c_str());
        return 0;
    }
    // The records' pictures lie in the cache's folder ("/ThumbNail" gives "" + "/name").
    const std::size_t nSlash = szCachePath.rfind('/');
    const std::string szFolder = nSlash == std::string::npos ? std::string(".") : szCachePath.substr(0, nSlash);
    return ReadCacheFromMemory(file.Start(), file.Size(), szFolder);
}

int CThumbList::ReadCacheFromMemory(const BYTE* pData, std::size_t nSize, const std::string& szFolder,
                                    const CExists& pictureExists)
{
    const std::size_t nIdent = pData != nullptr ? IdentLength(pData, nSize) : 0;
    if (nIdent == 0) {
        LogLine(ELogCategory::Files, "thumbnail cache of %s: not a thumbnail cache", szFolder.c_str());
        return 0;
    }
    if (nSize < nIdent + VERSION_BYTES + sizeof(std::int32_t)) {
        LogLine(ELogCategory::Files, "thumbnail cache of %s: cut short in its header", szFolder.c_str());
        return 0;
    }
    const long nVersion = VersionOf(pData + nIdent);
    if (nVersion != CACHE_VERSION) {
        LogLine(ELogCategory::Files, "thumbnail cache of %s: version %ld, not %ld; ignored", szFolder.c_str(),
                nVersion, CACHE_VERSION);
        return 0;
    }
    const std::int32_t nCount = ReadAt<std::int32_t>(pData + nIdent + VERSION_BYTES);

    // Paths held already, so a record never doubles an item, and paths found missing,
    // so that no name is looked for twice.
    std::unordered_set<std::string> held, absent;
    for (const CThumbItem& item : m_Items)
        held.insert(item.m_szPath);
    int nUndecodable = 0;
    int nForeign = 0;

    // Every record takes at least its name's zero byte and the two words, so the loop
    // ends with the data whatever the count claims; nothing is allocated for the count.
    std::size_t nPos = nIdent + VERSION_BYTES + sizeof(std::int32_t);
    for (std::int32_t nRecord = 0; nRecord < nCount; ++nRecord) {
        const BYTE* pName = pData + nPos;
        const auto* pZero = static_cast<const BYTE*>(std::memchr(pName, 0, nSize - nPos));
        const std::size_t nAfterName = pZero != nullptr ? static_cast<std::size_t>(pZero - pData) + 1 : nSize;
        if (pZero == nullptr || nSize - nAfterName < 2 * sizeof(DWORD) ||
            ReadAt<DWORD>(pData + nAfterName) > nSize - nAfterName - 2 * sizeof(DWORD)) {
            LogLine(ELogCategory::Files, "thumbnail cache of %s: record %d of %d does not fit; the rest is ignored",
                    szFolder.c_str(), nRecord, nCount);
            break;
        }
        const std::string_view name(reinterpret_cast<const char*>(pName), static_cast<std::size_t>(pZero - pName));
        const DWORD nImageSize = ReadAt<DWORD>(pData + nAfterName);
        const BYTE* pImage = pData + nAfterName + 2 * sizeof(DWORD);
        nPos = nAfterName + 2 * sizeof(DWORD) + nImageSize;

        if (!IsPlainFileName(name)) {
            ++nForeign;
            continue;
        }
        // Cheap checks before the file system is asked.
        if (nImageSize < BMP_HEADER_BYTES || pImage[0] != 'B' || pImage[1] != 'M') {
            ++nUndecodable;
            continue;
        }
        std::string szPath = PicturePath(szFolder, name);
        if (held.contains(szPath) || absent.contains(szPath))
            continue;
        // A picture deleted meanwhile loses its thumbnail without a word.
        if (pictureExists ? !pictureExists(szPath) : !IsRegularFile(szPath)) {
            absent.insert(std::move(szPath));
            continue;
        }
        // A plain copy of the stored rows into a thumbnail of the usual size.
        CThumbItem item;
        if (!item.m_Image.Create(THUMB_WIDTH, THUMB_HEIGHT, 24) ||
            !item.m_Image.LoadFromBmpMemory(pImage, nImageSize)) {
            ++nUndecodable;
            continue;
        }
        item.m_szPath = szPath;
        held.insert(std::move(szPath));
        m_Items.push_back(std::move(item));
    }
    // Such records are dropped; the scan makes their thumbnails again from the pictures.
    if (nUndecodable > 0 || nForeign > 0)
        LogLine(ELogCategory::Files,
                "thumbnail cache of %s: dropped %d thumbnails that cannot be decoded and %d names of no file "
                "of the folder",
                szFolder.c_str(), nUndecodable, nForeign);
    return 1;
}

std::vector<BYTE> CThumbList::CacheImage() const
{
    const CCacheSections sections(m_Items);
    std::vector<BYTE> image;
    for (const CFileSection& section : sections.Sections()) {
        const auto* p = static_cast<const BYTE*>(section.pData);
        image.insert(image.end(), p, p + section.nSize);
    }
    return image;
}

int CThumbList::WriteCache(const std::string& szCachePath) const
{
    // An empty folder leaves no cache behind.
    if (m_Items.empty()) {
        RemoveCacheFile(szCachePath);
        return 0;
    }
    // The file is meant to be hidden, as its folder is the user's picture folder. On
    // this platform "hidden" is a name starting with a dot, which the fixed name
    // "ThumbNail" (read and written by every version) cannot follow; the name is kept,
    // and no attribute is set.
    const CCacheSections sections(m_Items);
    const std::vector<CFileSection>& list = sections.Sections();
    if (!WriteWholeFile(szCachePath.c_str(), list.data(), static_cast<int>(list.size()))) {
        LogLine(ELogCategory::Files, "thumbnail cache: cannot write %s", szCachePath.c_str());
        // A cache that lags behind the list is not kept: without one, the next visit
        // rebuilds the thumbnails from the pictures.
        RemoveCacheFile(szCachePath);
        return 0;
    }
    return 1;
}

int CThumbList::ScanFolder(const std::string& szFolder)
{
    bool bReadable = false;
    const std::vector<std::string> missing = StartScan(szFolder, &bReadable);
    if (!bReadable)
        return -1;
    int nMade = 0;
    for (const std::string& szPath : missing)
        if (AddThumbnailFromFile(szPath))
            ++nMade;
    return nMade;
}

std::vector<std::string> CThumbList::StartScan(const std::string& szFolder, bool* pbFolderReadable)
{
    bool bReadable = false;
    int nCounted = 0;
    std::vector<std::string> missing = MissingPictures(szFolder, &bReadable, &nCounted);
    // A folder that cannot be listed, or one without pictures, shows no thumbnails.
    if (!bReadable || nCounted == 0)
        RemoveAll();
    if (pbFolderReadable != nullptr)
        *pbFolderReadable = bReadable;
    return missing;
}

std::vector<std::string> CThumbList::MissingPictures(const std::string& szFolder, bool* pbFolderReadable,
                                                     int* pnCounted) const
{
    std::vector<std::string> missing;
    int nCounted = 0;
    std::error_code error;
    fs::directory_iterator entry(szFolder, error);
    const bool bReadable = !error;
    if (!bReadable)
        LogLine(ELogCategory::Files, "thumbnails: cannot list the folder %s: %s", szFolder.c_str(),
                error.message().c_str());

    std::unordered_set<std::string_view> held;
    for (const CThumbItem& item : m_Items)
        held.insert(item.m_szPath);
    for (; bReadable && !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const std::string szName = entry->path().filename().string();
        // A directory (or anything else that is no file) named like a picture is no picture.
        std::error_code typeError;
        if (!HasPictureExtension(szName) || !entry->is_regular_file(typeError))
            continue;
        ++nCounted;
        std::string szPath = PicturePath(szFolder, szName);
        if (!held.contains(szPath))
            missing.push_back(std::move(szPath));
    }
    // A listing that breaks off ends like a finished one, with the pictures seen so far.
    if (bReadable && error)
        LogLine(ELogCategory::Files, "thumbnails: listing the folder %s broke off: %s", szFolder.c_str(),
                error.message().c_str());

    if (pbFolderReadable != nullptr)
        *pbFolderReadable = bReadable;
    if (pnCounted != nullptr)
        *pnCounted = nCounted;
    return missing;
}
