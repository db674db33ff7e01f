#include "platform/whole_file.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes a temporary file unless it was renamed into place.
class CTempFileGuard {
public:
    explicit CTempFileGuard(std::string path) : m_path(std::move(path)) {}
    CTempFileGuard(const CTempFileGuard&) = delete;
    CTempFileGuard& operator=(const CTempFileGuard&) = delete;
    ~CTempFileGuard()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    void Dismiss() { m_path.clear(); }

private:
    std::string m_path;
};

// Writes every section, going on after short writes and interruptions.
bool WriteAll(int fd, const CFileSection* pSections, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        const char* p = static_cast<const char*>(pSections[i].pData);
        std::size_t nLeft = pSections[i].nSize;
        while (nLeft > 0) {
            const ssize_t n = ::write(fd, p, nLeft);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            p += n;
            nLeft -= static_cast<std::size_t>(n);
        }
    }
    return true;
}

// Creates a new temporary file next to target, opened for writing. A replacement for an
// existing file starts private (its permissions are set once its contents are complete);
// a new file gets the usual permissions of the process's file mask.
CUniqueFd CreateTempFile(const std::filesystem::path& target, bool bReplacing, std::string& tempPath)
{
    std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + "." + std::to_string(random() % 1000000000) +
                                   ".tmp");
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, bReplacing ? 0600 : 0666);
        if (fd >= 0) {
            tempPath = candidate.string();
            return CUniqueFd(fd);
        }
        if (errno != EEXIST)
            break;
    }
    return CUniqueFd();
}

} // namespace

bool WriteWholeFile(const char* szPath, const CFileSection* pSections, int nCount)
{
    namespace fs = std::filesystem;
    if (szPath == nullptr || *szPath == '\0' || nCount < 0 || (pSections == nullptr && nCount > 0))
        return false;
    fs::path target(szPath);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    if (target.filename().empty())
        return false;

    struct stat old {};
    bool bReplacing = ::stat(target.c_str(), &old) == 0;
    if (bReplacing && !S_ISREG(old.st_mode))
        return false;

    std::string tempPath;
    CUniqueFd fd = CreateTempFile(target, bReplacing, tempPath);
    if (fd.Get() < 0)
        return false;
    CTempFileGuard guard(tempPath);

    if (!WriteAll(fd.Get(), pSections, nCount))
        return false;
    if (bReplacing) {
        // Keep the owner where allowed (an administrator editing a user's file); the
        // permission bits must be kept.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd.Get(), old.st_uid, old.st_gid);
        if (::fchmod(fd.Get(), old.st_mode & 07777) != 0)
            return false;
    }
    if (::fsync(fd.Get()) != 0 || !fd.Close())
        return false;
    if (::rename(tempPath.c_str(), target.c_str()) != 0)
        return false;
    guard.Dismiss();

    // Make the rename itself durable; the new contents are in place already.
    fs::path folder = target.parent_path();
    CUniqueFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        (void)::fsync(dir.Get());
    return true;
}


std::string FileErrorText(std::string szReason, int nError)
{
    if (nError != 0)
        szReason += ": " + std::error_code(nError, std::generic_category()).message();
    return szReason;
}
