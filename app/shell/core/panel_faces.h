// Which cell of the panel picture (and of the toggle picture) each owner-drawn
// button of the main window shows, and where its indicator dot goes.
#pragma once

#include "platform/win_types.h"

constexpr SIZE PANEL_FACE_SIZE{50, 53};
constexpr LONG PANEL_DISABLED_SHIFT = 200; // disabled faces sit this far right
constexpr SIZE TOGGLE_FACE_SIZE{13, 13};

// Bounding box of the red (pressed) or green (active tool) dot on a face.
constexpr RECT INDICATOR_RECT{1, 41, 12, 51};
constexpr COLORREF PRESSED_DOT_COLOR = RGB(255, 0, 0);
constexpr COLORREF ACTIVE_TOOL_DOT_COLOR = RGB(0, 255, 0);

struct CPanelFaceState {
    bool bFrozen = false;      // the LIVE button shows its frozen face
    bool bSaveOverlay = false; // the TYPE button shows its "with lines" face
    bool bEnabled = true;
};

// Top-left corner of the face of panel button nId in the panel picture;
// false for an id that is not a panel button.
bool PanelFaceCell(int nId, const CPanelFaceState& state, POINT& cell);

// Top-left corner of the face of toggle button 1134 (panel) or 1123 (strip).
bool ToggleFaceCell(int nId, bool bPanelVisible, bool bThumbVisible, POINT& cell);

// The measuring tool (1 LINE .. 6 ANGLE) that button nId selects; 0 for other buttons.
int ToolOfButton(int nId);
