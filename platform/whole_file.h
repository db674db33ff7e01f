// Writing a whole file in one piece: the new contents go to a fresh file in the same
// folder, which then replaces the old one by name, so no reader and no crash ever sees
// half a file. Reading one is CReadWholeFile (platform/read_whole_file.h).
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <string>

// One run of bytes of a file's contents.
struct CFileSection {
    const void* pData;
    std::size_t nSize;
};

// Writes the sections, in order, as the file szPath: created, or replaced as a whole,
// keeping the replaced file's permission bits (and owner where allowed); a symbolic
// link is followed, so the link stays. The contents and the rename are flushed to
// disk. false when the file cannot be written completely or szPath names something
// other than a regular file; whatever was at szPath is then left as it was and no
// temporary file remains.
bool WriteWholeFile(const char* szPath, const CFileSection* pSections, int nCount);

// szReason followed by the text of the errno value of a failed file call (0: none
// known), for messages: "cannot write x.bmp: No space left on device".
std::string FileErrorText(std::string szReason, int nError);
