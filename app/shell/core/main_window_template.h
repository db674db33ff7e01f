// The main window's controls (template 102): ids, kinds and their places in a
// window of the template's client size. Layout code moves them from there.
#pragma once

#include "platform/win_types.h"

#include <span>

constexpr int IDC_VIEW_FRAME = 1072;
constexpr int IDC_STRIP_SCROLL = 1074;
constexpr int IDC_LINE = 1018;
constexpr int IDC_SAVE = 1087;
constexpr int IDC_DIR = 1088;
constexpr int IDC_ZOOM = 1099;
constexpr int IDC_LOAD_GROUP = 1100;
constexpr int IDC_TOOL_GROUP = 1111;
constexpr int IDC_ARIA = 1113;
constexpr int IDC_CIRCLE = 1114;
constexpr int IDC_CIRCLE2 = 1115;
constexpr int IDC_CLEAR = 1116;
constexpr int IDC_COLOR = 1117;
constexpr int IDC_RESULTS = 1118;
constexpr int IDC_DELETE = 1119;
constexpr int IDC_SUI = 1120;
constexpr int IDC_ANGLE = 1121;
constexpr int IDC_WB = 1122;
constexpr int IDC_STRIP_TOGGLE = 1123;
constexpr int IDC_CALIB = 1124;
constexpr int IDC_CALIB_COMBO = 1125;
constexpr int IDC_CALIB_LABEL = 1126;
constexpr int IDC_CSV = 1127;
constexpr int IDC_SCALE = 1128;
constexpr int IDC_STRIP_GROUP = 1129;
constexpr int IDC_LIVE = 1130;
constexpr int IDC_TYPE = 1131;
constexpr int IDC_SET = 1132;
constexpr int IDC_THUMB = 1133;
constexpr int IDC_PANEL_TOGGLE = 1134;

enum class EControlKind {
    Frame,        // hidden frame marking the picture view
    GroupBox,
    PanelButton,  // owner-drawn 50 x 53 face of the panel picture
    ToggleButton, // owner-drawn 13 x 13 face of the toggle picture
    ComboBox,
    Static,
    ListView,
    ScrollBar,
};

struct CControlTemplate {
    int nId;
    EControlKind kind;
    RECT rc; // client coordinates in a client area of MAIN_TEMPLATE_CLIENT
};

// Client size the template's positions are given for.
constexpr SIZE MAIN_TEMPLATE_CLIENT{900, 690};

// Every control, in creation order: group boxes come before the controls they
// frame so those are drawn on top of them.
std::span<const CControlTemplate> MainWindowTemplate();

const CControlTemplate* FindControlTemplate(int nId);

struct CPanelOffset {
    int nId;
    LONG nFromRight; // distance of the control's right edge from the client area's right edge
};

// The right-hand panel's controls: when the window is resized they keep these
// distances from its right edge.
std::span<const CPanelOffset> PanelRightOffsets();
