// Fuzz target of the thumbnail cache reader: any bytes as a cache file image, read
// without file I/O (a record's picture "exists" when its name has an even length, so
// both the taken and the dropped paths run). Whatever is read must be whole thumbnails
// of plain names within what the data can hold, and must come back unchanged from the
// cache image the list then writes.
#include "app/files/thumb_list.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

const std::string FOLDER = "/pictures";

bool SamePixels(const CDibImage& a, const CDibImage& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() && a.BitCount() == b.BitCount() &&
           std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Stride()) * a.Height()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CThumbList list;
    const int nResult = list.ReadCacheFromMemory(pData, nSize, FOLDER, [](const std::string& szPath) {
        return (szPath.size() - FOLDER.size() - 1) % 2 == 0;
    });
    // Every record needs a name, its zero byte, two words and a 54-byte BMP header.
    if ((nResult == 0 && list.Count() != 0) || static_cast<std::size_t>(list.Count()) * 64 > nSize)
        __builtin_trap();
    for (int i = 0; i < list.Count(); ++i) {
        const CThumbItem& item = list.Item(i);
        if (item.m_Image.Width() != THUMB_WIDTH || item.m_Image.Height() != THUMB_HEIGHT ||
            item.m_Image.BitCount() != 24 || item.m_szPath.rfind(FOLDER + "/", 0) != 0 ||
            item.m_szPath.find('/', FOLDER.size() + 1) != std::string::npos)
            __builtin_trap();
    }

    // Round trip: written and read again, the same items come back.
    const std::vector<BYTE> image = list.CacheImage();
    CThumbList again;
    if (again.ReadCacheFromMemory(image.data(), image.size(), FOLDER, [](const std::string&) { return true; }) != 1 ||
        again.Count() != list.Count())
        __builtin_trap();
    for (int i = 0; i < list.Count(); ++i)
        if (again.Item(i).m_szPath != list.Item(i).m_szPath || !SamePixels(again.Item(i).m_Image, list.Item(i).m_Image))
            __builtin_trap();
    return 0;
}
