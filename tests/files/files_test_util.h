// Helpers of the picture file tests: a temporary folder, whole files as byte vectors,
// JPEG streams taken apart, libjpeg-turbo as the independent coder.
#pragma once

#include "app/files/jpeg_encoder.h"
#include "app/files/jpeg_tables.h"
#include "tests/imaging/picture_access.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

// A fresh folder under the temporary folder, removed with its contents at the end.
class CTempFolder {
public:
    CTempFolder() : m_strPath((std::filesystem::temp_directory_path() / "vexilo-files-XXXXXX").string())
    {
        if (::mkdtemp(m_strPath.data()) == nullptr)
            m_strPath = "/nonexistent";
    }
    ~CTempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_strPath, error);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_strPath))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::string m_strPath;
};

inline Bytes ReadBytes(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& strPath, const Bytes& bytes)
{
    std::ofstream(strPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Quantised coefficient (u, v) of the block f (row-major) as the encoder is to compute
// it: the 64-term sum in the written order, in double precision.
template <typename Sample>
int DirectCoefficient(const Sample* f, int u, int v, int nTable)
{
    const auto c = [](int k, int n) { return std::cos((2 * n + 1) * k * 0.196349540625); };
    double dSum = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            dSum += f[y * 8 + x] * c(u, y) * c(v, x);
    const double dC0 = 1 / 1.41421356;
    return static_cast<int>(0.25 * (u == 0 ? dC0 : 1.0) * (v == 0 ? dC0 : 1.0) * dSum) /
           g_QuantTables[nTable][u * 8 + v];
}

inline Bytes EncodeJpeg(const CDibImage& image)
{
    CJpegEncoder encoder(image);
    return encoder.Encode() ? Bytes(encoder.Data(), encoder.Data() + encoder.Size()) : Bytes();
}

// The marker segments up to SOS (marker and length included); the entropy-coded data
// between SOS and EOI goes to pEntropy.
inline std::vector<Bytes> HeaderSegments(const Bytes& jpeg, Bytes* pEntropy = nullptr)
{
    std::vector<Bytes> segments;
    for (std::size_t i = 2; i + 4 <= jpeg.size() && jpeg[i] == 0xFF;) {
        const std::size_t nEnd = std::min<std::size_t>(i + 2 + jpeg[i + 2] * 256u + jpeg[i + 3], jpeg.size());
        segments.emplace_back(jpeg.begin() + static_cast<std::ptrdiff_t>(i), jpeg.begin() + static_cast<std::ptrdiff_t>(nEnd));
        if (jpeg[i + 1] == 0xDA) {
            if (pEntropy != nullptr && nEnd + 2 <= jpeg.size())
                pEntropy->assign(jpeg.begin() + static_cast<std::ptrdiff_t>(nEnd), jpeg.end() - 2);
            break;
        }
        i = nEnd;
    }
    return segments;
}

inline Bytes EntropyData(const Bytes& jpeg)
{
    Bytes entropy;
    HeaderSegments(jpeg, &entropy);
    return entropy;
}

// Decodes with libjpeg-turbo into a 24-bit picture, refusing even warnings.
inline CDibImage DecodeWithTurbo(const Bytes& jpeg)
{
    CDibImage image;
    tjhandle handle = tjInitDecompress();
    int nWidth = 0, nHeight = 0, nSampling = 0, nColorspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &nWidth, &nHeight, &nSampling, &nColorspace) != 0 ||
        !image.Create(nWidth, nHeight, 24) ||
        tjDecompress2(handle, jpeg.data(), jpeg.size(), image.Bits(), nWidth, image.Stride(), nHeight, TJPF_BGR,
                      TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING) != 0)
        image.Destroy();
    tjDestroy(handle);
    return image;
}

// Encodes with libjpeg-turbo; TJPF_BGR rows are taken bottom-up, as pictures hold them.
inline Bytes EncodeWithTurbo(const BYTE* pPixels, int nWidth, int nPitch, int nHeight, int nFormat, int nSampling,
                             int nQuality, int nFlags = 0)
{
    tjhandle handle = tjInitCompress();
    unsigned char* pJpeg = nullptr;
    unsigned long nSize = 0;
    Bytes out;
    if (tjCompress2(handle, pPixels, nWidth, nPitch, nHeight, nFormat, &pJpeg, &nSize, nSampling, nQuality,
                    nFlags | (nFormat == TJPF_BGR ? TJFLAG_BOTTOMUP : 0)) == 0)
        out.assign(pJpeg, pJpeg + nSize);
    tjFree(pJpeg);
    tjDestroy(handle);
    return out;
}

// Peak signal-to-noise ratio over all samples of two 24-bit pictures of one size.
inline double Psnr(const CDibImage& a, const CDibImage& b)
{
    double dSquares = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width() * 3; ++x)
            dSquares += std::pow(PixelAt(a, 0, y)[x] - PixelAt(b, 0, y)[x], 2);
    return 10 * std::log10(255.0 * 255.0 * 3 * a.Width() * a.Height() / std::max(dSquares, 1.0));
}

inline CDibImage SolidPicture(int nWidth, int nHeight, BYTE nBlue, BYTE nGreen, BYTE nRed)
{
    CDibImage image;
    image.Create(nWidth, nHeight, 24);
    image.Fill(nullptr, RGB(nRed, nGreen, nBlue));
    return image;
}
