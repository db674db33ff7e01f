// CReadWholeFile: reads a whole file into one block of memory that it owns, and tells a
// missing file from one that cannot be read.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <memory>
#include <string_view>

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
