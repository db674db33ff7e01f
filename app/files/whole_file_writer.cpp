#include "app/files/whole_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// A temporary file that is removed again unless it was given its final name.
class CTemporaryFile {
public:
    CTemporaryFile() = default;
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;
    ~CTemporaryFile()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
        if (!m_strPath.empty())
            ::unlink(m_strPath.c_str());
    }

    // Creates a new file next to strTarget, named after it and unknown to everyone else.
    BOOL Create(const std::string& strTarget)
    {
        const std::size_t nSlash = strTarget.rfind('/');
        const std::string strFolder = nSlash == std::string::npos ? std::string() : strTarget.substr(0, nSlash + 1);
        const std::string strName = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
        if (strName.empty())
            return FALSE;
        for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
            const std::string strPath = strFolder + "." + strName + "." + std::to_string(::getpid()) + "." +
                                        std::to_string(nAttempt) + ".tmp";
            const int nFd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (nFd >= 0) {
                m_nFd = nFd;
                m_strPath = strPath;
                return TRUE;
            }
            if (errno != EEXIST)
                return FALSE;
        }
        return FALSE;
    }

    int Fd() const { return m_nFd; }

    // Closes the file (reporting late write errors) and gives it the target's name.
    BOOL Commit(const std::string& strTarget)
    {
        const int nFd = m_nFd;
        m_nFd = -1;
        if (::close(nFd) != 0)
            return FALSE;
        if (::rename(m_strPath.c_str(), strTarget.c_str()) != 0)
            return FALSE;
        m_strPath.clear();
        return TRUE;
    }

private:
    int m_nFd = -1;
    std::string m_strPath;
};

// Writes all sections, going on after short writes and interruptions.
BOOL WriteAll(int nFd, const FileSection* pSections, int nCount)
{
    std::vector<iovec> pieces;
    for (int i = 0; i < nCount; ++i)
        if (pSections[i].nSize > 0)
            pieces.push_back(iovec{const_cast<void*>(pSections[i].pData), pSections[i].nSize});
    std::size_t nFirst = 0;
    while (nFirst < pieces.size()) {
        const int nPieces = static_cast<int>(std::min<std::size_t>(pieces.size() - nFirst, IOV_MAX));
        const ssize_t nWritten = ::writev(nFd, pieces.data() + nFirst, nPieces);
        if (nWritten < 0) {
            if (errno == EINTR)
                continue;
            return FALSE;
        }
        std::size_t nLeft = static_cast<std::size_t>(nWritten);
        while (nFirst < pieces.size() && nLeft >= pieces[nFirst].iov_len)
            nLeft -= pieces[nFirst++].iov_len;
        if (nLeft > 0) {
            pieces[nFirst].iov_base = static_cast<char*>(pieces[nFirst].iov_base) + nLeft;
            pieces[nFirst].iov_len -= nLeft;
        }
    }
    return TRUE;
}

} // namespace

BOOL WriteWholeFile(const char* szPath, const FileSection* pSections, int nCount)
{
    if (szPath == nullptr || *szPath == '\0' || (pSections == nullptr && nCount > 0) || nCount < 0)
        return FALSE;
    const std::string strTarget = szPath;
    CTemporaryFile file;
    if (!file.Create(strTarget))
        return FALSE;
    struct stat old;
    if (::stat(szPath, &old) == 0) {
        if (!S_ISREG(old.st_mode))
            return FALSE; // a folder or a device is never replaced
        if (::access(szPath, W_OK) != 0)
            return FALSE; // nor a file we may not write
        if (::fchmod(file.Fd(), old.st_mode & 07777) != 0)
            return FALSE;
    }
    if (!WriteAll(file.Fd(), pSections, nCount))
        return FALSE;
    return file.Commit(strTarget);
}
