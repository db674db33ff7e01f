// CUniqueFd: sole owner of one open file descriptor, which it closes at its end.
#pragma once

#include <utility>

#include <unistd.h>

// Move-only; a moved-from or default object holds no descriptor (-1).
class CUniqueFd {
public:
    explicit CUniqueFd(int nFd = -1) noexcept : m_nFd(nFd) {}
    CUniqueFd(CUniqueFd&& other) noexcept : m_nFd(std::exchange(other.m_nFd, -1)) {}
    // Closes the descriptor held so far (as the destructor does) and takes over other's.
    CUniqueFd& operator=(CUniqueFd&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_nFd = std::exchange(other.m_nFd, -1);
        }
        return *this;
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    // A close failing here has nobody to tell; call Close first where it matters.
    ~CUniqueFd() { Close(); }

    // The descriptor, or -1.
    int Get() const noexcept { return m_nFd; }

    // Closes now and holds nothing from then on, even when the close fails (Linux has
    // given the descriptor up by then; closing it again could hit another file's).
    // FALSE only when the close itself failed, which can report a failed earlier write.
    bool Close() noexcept
    {
        const int nFd = std::exchange(m_nFd, -1);
        return nFd < 0 || ::close(nFd) == 0;
    }

private:
    int m_nFd;
};
