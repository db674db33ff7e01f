#include "platform/read_whole_file.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (szPath == nullptr)
        return false;
    // Non-blocking, so that a pipe or device by the name cannot stall the open.
    const CUniqueFd file(::open(szPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        m_bMissing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<unsigned long long>(info.st_size) > nMaxBytes)
        return false;

    const std::size_t nSize = static_cast<std::size_t>(info.st_size);
    // One byte more than the file is said to hold, to notice a file that has grown.
    std::unique_ptr<BYTE[]> pData;
    try {
        pData = std::make_unique_for_overwrite<BYTE[]>(nSize + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::size_t nRead = 0;
    while (nRead <= nSize) {
        const ssize_t n = ::read(file.Get(), pData.get() + nRead, nSize + 1 - nRead);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    if (nRead != nSize)
        return false; // the file changed while it was read
    m_pData = std::move(pData);
    m_nSize = nSize;
    m_bRead = true;
    return true;
}
