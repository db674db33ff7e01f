// AVX2 helpers of the 24-bit pixel kernels: sixteen blue-green-red pixels (48 bytes) into
// three vectors of 16-bit lanes, one per channel, and back. Only for functions built
// with KERNEL_TARGET_AVX2, where KERNEL_X86_INTRINSICS is 1.
#pragma once

#include "app/imaging/pixel_kernel.h"

#if KERNEL_X86_INTRINSICS
#include <immintrin.h>

#include <cstdint>

// Byte shuffle masks for the three 16-byte thirds of 16 pixels. Split: for channel c
// and third v, lane i takes byte (3 i + c) mod 16 when that byte lies in third v, else
// nothing (0x80). Join: for third v and channel c, byte k of the third takes lane
// (16 v + k) / 3 of channel c when (16 v + k) mod 3 is c.
struct CBgrShuffleMasks {
    alignas(16) std::uint8_t aSplit[3][3][16]; // [channel][third][lane]
    alignas(16) std::uint8_t aJoin[3][3][16];  // [third][channel][byte]
    constexpr CBgrShuffleMasks() : aSplit{}, aJoin{}
    {
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 3; ++v)
                for (int i = 0; i < 16; ++i) {
                    const int nByte = 3 * i + c;
                    aSplit[c][v][i] = static_cast<std::uint8_t>(nByte / 16 == v ? nByte % 16 : 0x80);
                    const int nOut = 16 * v + i;
                    aJoin[v][c][i] = static_cast<std::uint8_t>(nOut % 3 == c ? nOut / 3 : 0x80);
                }
    }
};
inline constexpr CBgrShuffleMasks BGR_SHUFFLE_MASKS;

struct CBgr16 {
    __m256i b, g, r; // 16-bit lanes, 0..255
};

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m128i LoadMask(const std::uint8_t* pMask)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(pMask));
}

// The 16 pixels at p (48 bytes) split into channels.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline CBgr16 LoadBgr16(const std::uint8_t* p)
{
    const __m128i aThird[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
    __m256i aChannel[3];
    for (int c = 0; c < 3; ++c) {
        const auto& mask = BGR_SHUFFLE_MASKS.aSplit[c];
        const __m128i nBytes = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(aThird[0], LoadMask(mask[0])),
                                                         _mm_shuffle_epi8(aThird[1], LoadMask(mask[1]))),
                                            _mm_shuffle_epi8(aThird[2], LoadMask(mask[2])));
        aChannel[c] = _mm256_cvtepu8_epi16(nBytes);
    }
    return {aChannel[0], aChannel[1], aChannel[2]};
}

// Lanes saturated to 0..255 as unsigned bytes.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m128i SaturateToBytes(__m256i nLanes)
{
    return _mm_packus_epi16(_mm256_castsi256_si128(nLanes), _mm256_extracti128_si256(nLanes, 1));
}

// Stores 16 pixels of channel bytes at p (48 bytes).
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void StoreBgrBytes(std::uint8_t* p, __m128i nBlue, __m128i nGreen,
                                                                    __m128i nRed)
{
    for (int v = 0; v < 3; ++v) {
        const auto& mask = BGR_SHUFFLE_MASKS.aJoin[v];
        const __m128i nThird = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(nBlue, LoadMask(mask[0])),
                                                         _mm_shuffle_epi8(nGreen, LoadMask(mask[1]))),
                                            _mm_shuffle_epi8(nRed, LoadMask(mask[2])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * v), nThird);
    }
}

// Stores 32 pixels of channel bytes at p (96 bytes).
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void StoreBgrBytes32(std::uint8_t* p, __m256i nBlue, __m256i nGreen,
                                                                      __m256i nRed)
{
    StoreBgrBytes(p, _mm256_castsi256_si128(nBlue), _mm256_castsi256_si128(nGreen), _mm256_castsi256_si128(nRed));
    StoreBgrBytes(p + 48, _mm256_extracti128_si256(nBlue, 1), _mm256_extracti128_si256(nGreen, 1),
                  _mm256_extracti128_si256(nRed, 1));
}

// The same store for kernels built with KERNEL_TARGET_AVX512_VBMI: each 32 output bytes
// are one two-source byte permute of blue and green and one masked permute of red.
struct CBgrPermuteTables {
    alignas(32) std::uint8_t aBlueGreen[3][32]; // [output vector][byte]: pixel, or 32 + pixel for green
    alignas(32) std::uint8_t aRed[3][32];
    std::uint32_t nRed[3]; // bytes that take red
    constexpr CBgrPermuteTables() : aBlueGreen{}, aRed{}, nRed{}
    {
        for (int v = 0; v < 3; ++v)
            for (int k = 0; k < 32; ++k) {
                const int nPixel = (32 * v + k) / 3;
                const int nChannel = (32 * v + k) % 3;
                aBlueGreen[v][k] = static_cast<std::uint8_t>(nChannel == 1 ? 32 + nPixel : nPixel);
                aRed[v][k] = static_cast<std::uint8_t>(nPixel);
                if (nChannel == 2)
                    nRed[v] |= std::uint32_t{1} << k;
            }
    }
};
inline constexpr CBgrPermuteTables BGR_PERMUTE_TABLES;

KERNEL_TARGET_AVX512_VBMI [[gnu::always_inline]] inline void StoreBgrBytes32Vbmi(std::uint8_t* p, __m256i nBlue,
                                                                                __m256i nGreen, __m256i nRed)
{
    const CBgrPermuteTables& t = BGR_PERMUTE_TABLES;
    for (int v = 0; v < 3; ++v) {
        const __m256i nBlueGreen = _mm256_permutex2var_epi8(
            nBlue, _mm256_load_si256(reinterpret_cast<const __m256i*>(t.aBlueGreen[v])), nGreen);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32 * v),
                            _mm256_mask_permutexvar_epi8(nBlueGreen, t.nRed[v],
                                                         _mm256_load_si256(reinterpret_cast<const __m256i*>(t.aRed[v])),
                                                         nRed));
    }
}
#endif
