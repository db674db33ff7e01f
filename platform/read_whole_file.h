// CReadWholeFile: reads a whole file into one block of memory that it owns, and tells a
// missing file from one that cannot be read; CReadFileParts, on which it is built, reads
// chosen parts of a file straight into memory the caller provides.
#pragma once

#include "platform/unique_fd.h"
#include "platform/win_types.h"

#include <cstddef>
#include <memory>
#include <string_view>

// A regular file held open for reading parts of it, each into memory the caller
// provides, so that a large part can go straight to where it is wanted.
class CReadFileParts {
public:
    // Opens szPath. false, with nothing open, when the path is not a regular file that
    // can be opened or when it is larger than nMaxBytes; a pipe or device by the name
    // never blocks the call.
    bool Open(const char* szPath, std::size_t nMaxBytes);

    // true when the last Open failed because there is nothing by the name (no such file,
    // or a part of the path that is no folder).
    bool IsMissing() const { return m_bMissing; }
    // The size the file had when it was opened.
    std::size_t Size() const { return m_nSize; }
    // Reads the nBytes from nOffset on into pDst. false on a read error or when the file
    // ends before them.
    bool ReadAt(std::size_t nOffset, BYTE* pDst, std::size_t nBytes) const;
    // true when the file still ends at Size(), so it has neither grown nor shrunk since
    // it was opened; called after the parts are read, it tells that they belong to a
    // file of that size.
    bool EndsAtSize() const;

private:
    // Reads from nOffset on until nBytes are in or the file ends; the count read, or -1
    // on a read error.
    long long ReadUpTo(std::size_t nOffset, BYTE* pDst, std::size_t nBytes) const;

    CUniqueFd m_File;
    std::size_t m_nSize = 0;
    bool m_bMissing = false;
};

// The block lives until Reset, the next Read or the object's end. An empty file gives
// an empty block (Size 0) and true.
class CReadWholeFile {
public:
    // No file read yet.
    CReadWholeFile() = default;
    // Reads szPath at once; see Read.
    explicit CReadWholeFile(const char* szPath, std::size_t nMaxBytes = MAX_BYTES) { Read(szPath, nMaxBytes); }
    CReadWholeFile(const CReadWholeFile&) = delete;
    CReadWholeFile& operator=(const CReadWholeFile&) = delete;

    // Largest file read by default.
    static constexpr std::size_t MAX_BYTES = std::size_t{1} << 32;

    // Replaces the block by the whole contents of szPath. false, with no block, when
    // the path is not a regular file that can be opened and read, when it is larger
    // than nMaxBytes, when its size changes while it is read, or when the memory for it
    // cannot be had. A pipe or device by the name never blocks the call.
    bool Read(const char* szPath, std::size_t nMaxBytes = MAX_BYTES);
    // Frees the block.
    void Reset();

    // true while a block is held.
    bool IsRead() const { return m_bRead; }
    // true when the last Read failed because there is nothing by the name (no such file,
    // or a part of the path that is no folder); false after any other failure, which
    // means the file is there but cannot be read.
    bool IsMissing() const { return m_bMissing; }
    const BYTE* Start() const { return m_pData.get(); }
    const BYTE* End() const { return m_pData.get() + m_nSize; }
    std::size_t Size() const { return m_nSize; }
    // The block as characters (empty when none is held).
    std::string_view Text() const { return {reinterpret_cast<const char*>(m_pData.get()), m_nSize}; }

private:
    std::unique_ptr<BYTE[]> m_pData;
    std::size_t m_nSize = 0;
    bool m_bRead = false;
    bool m_bMissing = false;
};
