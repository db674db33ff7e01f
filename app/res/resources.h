// Resources embedded in the program: the user-interface pictures, the icon and the cursor.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

constexpr int IDR_MAINFRAME = 128;   // program icon
constexpr int IDC_HAND_CURSOR = 138; // pointing hand shown while panning a magnified view
constexpr int IDB_PANEL = 157;       // 400 x 318 sprite sheet of the button faces
constexpr int IDB_BACKGROUND = 158;  // 200 x 200 background tile
constexpr int IDB_TOGGLES = 159;     // 52 x 13 faces of the two toggle buttons

constexpr POINT HAND_CURSOR_HOTSPOT{5, 0};

// Type names under which resources are filed.
constexpr const char* RT_PNG = "Png";
constexpr const char* RT_ICON_PNG = "Icon";
constexpr const char* RT_CURSOR_PNG = "Cursor";

// A resource's bytes; they live as long as the program.
struct CResourceBlock {
    const BYTE* pData = nullptr;
    std::size_t nSize = 0;
};

// Finds resource nId of type szType (case-sensitive type name). Resources with a
// language-specific copy (the panel picture with its captions drawn in) answer the
// Japanese copy when g_bJapanese is set, else the English one.
bool FindResourceBlock(int nId, const char* szType, CResourceBlock& block);
