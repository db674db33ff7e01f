#include "platform/read_whole_file.h"

#include <cerrno>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool CReadFileParts::Open(const char* szPath, std::size_t nMaxBytes)
{
    m_File = CUniqueFd();
    m_nSize = 0;
    m_bMissing = false;
    if (szPath == nullptr)
        return false;
    // Non-blocking, so that a pipe or device by the name cannot stall the open.
    CUniqueFd file(::open(szPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        m_bMissing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<unsigned long long>(info.st_size) > nMaxBytes)
        return false;
    m_File = std::move(file);
    m_nSize = static_cast<std::size_t>(info.st_size);
    return true;
}

long long CReadFileParts::ReadUpTo(std::size_t nOffset, BYTE* pDst, std::size_t nBytes) const
{
    std::size_t nRead = 0;
    while (nRead < nBytes) {
        const ssize_t n =
            ::pread(m_File.Get(), pDst + nRead, nBytes - nRead, static_cast<off_t>(nOffset + nRead));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(nRead);
}

bool CReadFileParts::ReadAt(std::size_t nOffset, BYTE* pDst, std::size_t nBytes) const
{
    return m_File.Get() >= 0 && ReadUpTo(nOffset, pDst, nBytes) == static_cast<long long>(nBytes);
}

bool CReadFileParts::EndsAtSize() const
{
    if (m_File.Get() < 0)
        return false;
    // The last byte must still be there and no byte after it.
    BYTE probe[2];
    const std::size_t nLast = m_nSize > 0 ? 1 : 0;
    return ReadUpTo(m_nSize - nLast, probe, nLast + 1) == static_cast<long long>(nLast);
}

void CReadWholeFile::Reset()
{
    m_pData.reset();
    m_nSize = 0;
    m_bRead = false;
    m_bMissing = false;
}

bool CReadWholeFile::Read(const char* szPath, std::size_t nMaxBytes)
{
    Reset();
    CReadFileParts file;
    if (!file.Open(szPath, nMaxBytes)) {
        m_bMissing = file.IsMissing();
        return false;
    }
    const std::size_t nSize = file.Size();
    std::unique_ptr<BYTE[]> pData;
    try {
        pData = std::make_unique_for_overwrite<BYTE[]>(nSize);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!file.ReadAt(0, pData.get(), nSize) || !file.EndsAtSize())
        return false; // unreadable, or the file changed while it was read
    m_pData = std::move(pData);
    m_nSize = nSize;
    m_bRead = true;
    return true;
}
