// Writing a whole file in one piece: the new contents go to a fresh file in the same
// folder, which then replaces the old one by name, so no reader ever sees a partial file.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// One run of bytes of the file's contents.
struct FileSection {
    const void* pData;
    std::size_t nSize;
};

// Writes the sections, in order, as the file szPath (created, or replaced as a whole;
// a replaced file keeps its permission bits). FALSE when the file cannot be written
// completely; whatever was at szPath is then left as it was and no temporary file
// remains.
BOOL WriteWholeFile(const char* szPath, const FileSection* pSections, int nCount);
