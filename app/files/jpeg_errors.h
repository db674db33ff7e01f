// The three error classes of the JPEG encoder. They are thrown inside the encoder only
// and caught where it hands its result out (CJpegEncoder::Encode); nothing else in the
// program throws.
#pragma once

#include <exception>

// What went wrong and where: the place is the name of the operation that failed, the
// two values say what it was asked for and what it had (sizes, bit counts, indices).
class CJpegError : public std::exception {
public:
    CJpegError(const char* szPlace, long long nAsked, long long nLimit) noexcept
        : m_szPlace(szPlace), m_nAsked(nAsked), m_nLimit(nLimit)
    {
    }
    const char* what() const noexcept override { return m_szPlace; }
    const char* Place() const noexcept { return m_szPlace; }
    long long Asked() const noexcept { return m_nAsked; }
    long long Limit() const noexcept { return m_nLimit; }

private:
    const char* m_szPlace;
    long long m_nAsked;
    long long m_nLimit;
};

// The output buffer (or another working block) could not be allocated, or its size is
// not positive. Place "COutBitStream".
class EMemoryError : public CJpegError {
public:
    using CJpegError::CJpegError;
};

// A write would go past the end of the output buffer ("SetByte", "SetWord",
// "CopyByte", "SetBits"), or more than 16 bits were asked of SetBits
// ("SetBits:Max Bit Over").
class EBufferError : public CJpegError {
public:
    using CJpegError::CJpegError;
};

// A size category beyond the Huffman table ("CodeHuffman:DC", "CodeHuffman:AC").
class EIndexError : public CJpegError {
public:
    using CJpegError::CJpegError;
};
