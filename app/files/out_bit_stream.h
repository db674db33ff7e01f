// COutBitStream: the JPEG encoder's output, one preallocated buffer that takes marker
// bytes and entropy-coded bits (with byte stuffing) and never grows.
#pragma once

#include "app/files/jpeg_errors.h"
#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// Bits are written high bit first. Every byte of entropy-coded data that comes out as
// FF is followed by a stuffed 00; bytes written with SetByte, SetWord and CopyByte are
// not stuffed, and those three first complete a partly filled byte with 1-bits.
// A write that does not fit raises EBufferError, so the stream is either complete or
// abandoned as a whole.
class COutBitStream {
public:
    // Smallest buffer the encoder uses.
    static constexpr long long MIN_CAPACITY = 10240;

    // A buffer of nCapacity bytes; EMemoryError ("COutBitStream") when
    // nCapacity is not positive or cannot be allocated.
    explicit COutBitStream(long long nCapacity);
    COutBitStream(const COutBitStream&) = delete;
    COutBitStream& operator=(const COutBitStream&) = delete;

    // One byte. EBufferError ("SetByte") when the buffer is full.
    void SetByte(BYTE nByte);
    // 16 bits, high byte first. EBufferError ("SetWord") unless both bytes fit.
    void SetWord(WORD nWord);
    // nCount bytes as they are. EBufferError ("CopyByte") when they would reach the end
    // of the buffer.
    void CopyByte(const BYTE* pBytes, std::size_t nCount);
    // The low nBits (0..16) of nValue, high bit first. EBufferError
    // ("SetBits:Max Bit Over") for more than 16 bits, ("SetBits") when a completed byte
    // or its stuffing does not fit.
    void SetBits(unsigned nValue, int nBits)
    {
        if (nBits <= 0)
            return;
        if (nBits > 16)
            throw EBufferError("SetBits:Max Bit Over", nBits, 16);
        // Fewer than 8 bits wait in the accumulator between calls, so 24 bits suffice.
        m_nPending = (m_nPending << nBits) | (nValue & ((1u << nBits) - 1));
        m_nPendingBits += nBits;
        while (m_nPendingBits >= 8) {
            m_nPendingBits -= 8;
            CompleteByte(static_cast<BYTE>(m_nPending >> m_nPendingBits));
        }
    }
    // The low nBits (0..32) of nValue, high bit first, otherwise as SetBits: the entropy
    // coder hands over its codes in runs this way. Whole bytes go out at once while none
    // of them is FF and the buffer has room for their stuffing.
    void SetBitsWide(std::uint32_t nValue, int nBits)
    {
        if (nBits <= 0)
            return;
        m_nPending = (m_nPending << nBits) | (nValue & (0xFFFFFFFFu >> (32 - nBits)));
        m_nPendingBits += nBits;
        const int nBytes = m_nPendingBits >> 3; // 0..4
        if (nBytes == 0)
            return;
        m_nPendingBits &= 7;
        const int nShift = 8 * (4 - nBytes);
        // The completed bytes, first one highest, at the top of 32 bits.
        const auto nOut = static_cast<std::uint32_t>((m_nPending >> m_nPendingBits) << nShift);
        // A byte FF in nOut is a zero byte in its complement (the bytes below the
        // completed ones, zero in nOut, are FF there and never count).
        const std::uint32_t nInverse = ~nOut | (nShift == 0 ? 0u : (1u << nShift) - 1);
        const bool bHasFF = ((nInverse - 0x01010101u) & ~nInverse & 0x80808080u) != 0;
        if (!bHasFF && m_pEnd - m_pWrite >= 4) {
            const std::uint32_t nBigEndian = __builtin_bswap32(nOut);
            std::memcpy(m_pWrite, &nBigEndian, 4);
            m_pWrite += nBytes;
            return;
        }
        for (int i = 0; i < nBytes; ++i)
            CompleteByte(static_cast<BYTE>(nOut >> (24 - 8 * i)));
    }
    // Completes a partly filled byte with 1-bits (nothing when none is pending).
    void Align();

    const BYTE* Start() const { return m_pBuffer.get(); }
    // Bytes written so far (a partly filled byte is not counted until completed).
    std::size_t Size() const { return static_cast<std::size_t>(m_pWrite - m_pBuffer.get()); }
    std::size_t Capacity() const { return static_cast<std::size_t>(m_pEnd - m_pBuffer.get()); }

private:
    // Writes a finished byte of entropy-coded data and its stuffing.
    void CompleteByte(BYTE nByte)
    {
        if (m_pWrite >= m_pEnd)
            throw EBufferError("SetBits", static_cast<long long>(Size()) + 1, static_cast<long long>(Capacity()));
        *m_pWrite++ = nByte;
        if (nByte == 0xFF) {
            if (m_pWrite >= m_pEnd)
                throw EBufferError("SetBits", static_cast<long long>(Size()) + 1,
                                   static_cast<long long>(Capacity()));
            *m_pWrite++ = 0x00;
        }
    }

    std::unique_ptr<BYTE[]> m_pBuffer;
    BYTE* m_pWrite = nullptr;
    BYTE* m_pEnd = nullptr;
    std::uint64_t m_nPending = 0; // the low m_nPendingBits bits are waiting
    int m_nPendingBits = 0;
};
