// Helpers of the thumbnail tests: picture files of a few kinds in a temporary folder,
// and thumbnails compared pixel for pixel.
#pragma once

#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/thumb_list.h"
#include "tests/files/files_test_util.h"
#include "tests/files/synthetic_picture.h"

#include <cstring>
#include <string>

// Writes a picture of the given size (different for each seed) as BMP, or as JPEG when
// the name ends in ".jpg"; answers the full path.
inline std::string WriteTestPicture(const CTempFolder& folder, const std::string& szName, int nWidth = 64,
                                    int nHeight = 48, std::uint32_t nSeed = 1)
{
    CDibImage picture;
    DrawNaturalPicture(picture, nWidth, nHeight, nSeed);
    const std::string szPath = folder.File(szName);
    if (szName.ends_with(".jpg"))
        SaveJpeg(picture, szPath.c_str());
    else
        WriteBmp(picture, szPath.c_str());
    return szPath;
}

// Whether two pictures have the same size, format and pixel bytes.
inline bool SamePixels(const CDibImage& a, const CDibImage& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() && a.BitCount() == b.BitCount() &&
           a.Stride() == b.Stride() &&
           std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Stride()) * a.Height()) == 0;
}

// The thumbnail AddThumbnailFromFile makes of a picture file.
inline CDibImage ThumbOfFile(const std::string& szPath)
{
    CThumbList list;
    list.AddThumbnailFromFile(szPath);
    CDibImage thumb;
    if (list.Count() == 1) {
        thumb.CreateLike(&list.Item(0).m_Image);
        thumb.BlitFrom(list.Item(0).m_Image, nullptr, 0, 0);
    }
    return thumb;
}
