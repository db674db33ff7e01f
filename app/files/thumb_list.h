// CThumbList: the 140 x 105 thumbnails of the picture folder's BMP and JPEG pictures,
// and their cache file "ThumbNail" in that folder.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

constexpr int THUMB_WIDTH = 140;
constexpr int THUMB_HEIGHT = 105;

// Name of the cache file inside the picture folder.
constexpr const char* THUMB_CACHE_NAME = "ThumbNail";

// One thumbnail: a 24-bit THUMB_WIDTH x THUMB_HEIGHT picture and the full path of the
// picture it shows.
struct CThumbItem {
    CDibImage m_Image;
    std::string m_szPath;
};

// The cache file of a folder: szFolder + "/ThumbNail".
std::string ThumbCachePath(const std::string& szFolder);

// The whole of source scaled to a new 24-bit thumbnail, width and height independently
// (nearest neighbour, see CThumbList::AddThumbnail). false for an empty source or when
// the thumbnail cannot be created.
bool ScaleToThumbnail(const CDibImage& source, CDibImage& thumb);

// Loads the picture file szPath (LoadPicture) and scales it into item, whose path
// becomes szPath. false, logged, when the file cannot be loaded; item is then left as it
// was. The one way pictures are decoded into thumbnails, on any thread.
bool MakeThumbItem(const std::string& szPath, CThumbItem& item);

// Items are in display order, addressed from 0. A list describes one folder: its
// cache is read with ReadCache, completed with ScanFolder (or StartScan and thumbnails
// made elsewhere), and written back with WriteCache. Not thread-safe: one thread (the
// user interface's) uses a list.
class CThumbList {
public:
    // Predicate telling whether a picture file of a cache record still exists.
    using CExists = std::function<bool(const std::string& szPath)>;

    int Count() const { return static_cast<int>(m_Items.size()); }
    // Item n, 0 <= n < Count().
    const CThumbItem& Item(int n) const { return m_Items[static_cast<std::size_t>(n)]; }

    // Appends the whole source scaled to THUMB_WIDTH x THUMB_HEIGHT: destination row i
    // and column j take source row trunc(ry * i) and column trunc(rx * j), ry = source
    // height / 105 and rx = source width / 140 in single precision, clamped to the
    // source; the aspect ratio is not kept. An 8-bit source is taken through its colour
    // table. false, nothing appended, for an empty source.
    bool AddThumbnail(const std::string& szPath, const CDibImage& source);
    // Loads the picture and appends its thumbnail (MakeThumbItem). false, nothing
    // appended, when it cannot be decoded.
    bool AddThumbnailFromFile(const std::string& szPath);
    // Appends an item as it is (a thumbnail made elsewhere, see CThumbMaker).
    void Append(CThumbItem item);
    // Removes item n; the items after it move up. false when n is out of range.
    bool RemoveAt(int n);
    void RemoveAll() { m_Items.clear(); }
    // The first item with exactly this path (case-sensitive), or -1.
    int IndexOf(const std::string& szPath) const;
    bool Contains(const std::string& szPath) const { return IndexOf(szPath) >= 0; }

    // Appends the cached thumbnails of the pictures that still exist (see thumb_list.cpp
    // for the file's layout). 1 when a cache was read, even one naming no existing
    // picture; 0, with the list unchanged, when the file is missing, unreadable, of
    // another identification or of a version other than 1000. A record that does not
    // fit in the file ends the reading, keeping the items read before it.
    int ReadCache(const std::string& szCachePath);
    // The same for a cache file image held in memory; the records' pictures are looked
    // for in szFolder (szFolder + "/" + name), through pictureExists when given (else
    // the file system: a regular file).
    int ReadCacheFromMemory(const BYTE* pData, std::size_t nSize, const std::string& szFolder,
                            const CExists& pictureExists = {});
    // Writes the whole list as the cache file, replacing an existing one in one piece.
    // 1 when written. An empty list deletes the file and answers 0; a file that cannot
    // be written answers 0, logged, and no stale cache is left behind.
    int WriteCache(const std::string& szCachePath) const;
    // The bytes WriteCache writes.
    std::vector<BYTE> CacheImage() const;

    // Appends thumbnails of the folder's pictures that the list does not hold yet, in
    // the order the folder lists them: entries named exactly "*.bmp" or "*.jpg"
    // (case-sensitive) that are regular files. Pictures that cannot be decoded are
    // skipped. When the folder cannot be listed, or holds no picture, all items are
    // removed. Items whose pictures vanished stay (only ReadCache drops them). Returns
    // the number of thumbnails made, or -1 when the folder cannot be listed.
    int ScanFolder(const std::string& szFolder);
    // ScanFolder without decoding: applies its removal rule and returns the full paths
    // of the pictures to make thumbnails of (elsewhere, e.g. by a CThumbMaker). Sets
    // *pbFolderReadable when given.
    std::vector<std::string> StartScan(const std::string& szFolder, bool* pbFolderReadable = nullptr);
    // The full paths of the folder's counted pictures the list does not hold, in the
    // order the folder lists them; nothing changes. *pbFolderReadable (when given) tells
    // whether the folder could be listed, *pnCounted (when given) how many pictures it
    // holds.
    std::vector<std::string> MissingPictures(const std::string& szFolder, bool* pbFolderReadable = nullptr,
                                             int* pnCounted = nullptr) const;

private:
    std::vector<CThumbItem> m_Items;
};
