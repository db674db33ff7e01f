#include "app/files/out_bit_stream.h"

#include <cstring>
#include <new>

COutBitStream::COutBitStream(long long nCapacity)
{
    if (nCapacity <= 0 || static_cast<unsigned long long>(nCapacity) > SIZE_MAX)
        throw EMemoryError("COutBitStream", nCapacity, 0);
    m_pBuffer.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(nCapacity)]);
    if (m_pBuffer == nullptr)
        throw EMemoryError("COutBitStream", nCapacity, 0);
    m_pWrite = m_pBuffer.get();
    m_pEnd = m_pBuffer.get() + nCapacity;
}

void COutBitStream::Align()
{
    if (m_nPendingBits > 0) {
        const int nFree = 8 - m_nPendingBits;
        SetBits((1u << nFree) - 1, nFree);
    }
}

void COutBitStream::SetByte(BYTE nByte)
{
    Align();
    if (m_pWrite >= m_pEnd)
        throw EBufferError("SetByte", static_cast<long long>(Size()) + 1, static_cast<long long>(Capacity()));
    *m_pWrite++ = nByte;
}

void COutBitStream::SetWord(WORD nWord)
{
    Align();
    if (m_pEnd - m_pWrite < 2)
        throw EBufferError("SetWord", static_cast<long long>(Size()) + 2, static_cast<long long>(Capacity()));
    *m_pWrite++ = static_cast<BYTE>(nWord >> 8);
    *m_pWrite++ = static_cast<BYTE>(nWord);
}

void COutBitStream::CopyByte(const BYTE* pBytes, std::size_t nCount)
{
    Align();
    if (nCount >= static_cast<std::size_t>(m_pEnd - m_pWrite))
        throw EBufferError("CopyByte", static_cast<long long>(Size() + nCount), static_cast<long long>(Capacity()));
    if (nCount > 0)
        std::memcpy(m_pWrite, pBytes, nCount);
    m_pWrite += nCount;
}
