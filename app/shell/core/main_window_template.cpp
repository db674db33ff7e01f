#include "app/shell/core/main_window_template.h"

namespace {

constexpr LONG kClientRight = MAIN_TEMPLATE_CLIENT.cx;
constexpr LONG kClientBottom = MAIN_TEMPLATE_CLIENT.cy;
constexpr LONG kFaceWidth = 50;
constexpr LONG kFaceHeight = 53;

// A control whose right edge lies nOffset pixels left of the client area's right edge.
constexpr RECT FromRight(LONG nOffset, LONG nTop, LONG nWidth, LONG nHeight)
{
    return RECT{kClientRight - nOffset - nWidth, nTop, kClientRight - nOffset, nTop + nHeight};
}

constexpr RECT Face(LONG nOffset, LONG nTop) { return FromRight(nOffset, nTop, kFaceWidth, kFaceHeight); }

// The panel's three button columns, by the distance of their right edge from the window's.
constexpr LONG kLeftColumn = 143;
constexpr LONG kMiddleColumn = 82;
constexpr LONG kRightColumn = 20;

constexpr LONG kLoadRow1 = 22, kLoadRow2 = 78, kLoadRow3 = 134;
constexpr LONG kToolRow1 = 226, kToolRow2 = 282, kToolRow3 = 338, kToolRow4 = 394;
constexpr LONG kCalibRow = 454;
constexpr LONG kResultsTop = 490;
constexpr LONG kStripHeight = 150;
constexpr LONG kScrollHeight = 17;
constexpr LONG kToggleSize = 13;

const ControlTemplate s_Template[] = {
    {IDC_VIEW_FRAME, ControlKind::Frame, {7, 7, 647, 487}},
    {IDC_LOAD_GROUP, ControlKind::GroupBox, FromRight(11, 5, 204, 191)},
    {IDC_TOOL_GROUP, ControlKind::GroupBox, FromRight(11, 206, 204, 278)},
    {IDC_STRIP_GROUP, ControlKind::GroupBox,
     {7, kClientBottom - 12 - kStripHeight, 7 + kClientRight - 228, kClientBottom - 12}},

    {IDC_LIVE, ControlKind::PanelButton, Face(kLeftColumn, kLoadRow1)},
    {IDC_SAVE, ControlKind::PanelButton, Face(kMiddleColumn, kLoadRow1)},
    {IDC_DIR, ControlKind::PanelButton, Face(kRightColumn, kLoadRow1)},
    {IDC_SET, ControlKind::PanelButton, Face(kLeftColumn, kLoadRow2)},
    {IDC_TYPE, ControlKind::PanelButton, Face(kMiddleColumn, kLoadRow2)},
    {IDC_THUMB, ControlKind::PanelButton, Face(kRightColumn, kLoadRow2)},
    {IDC_WB, ControlKind::PanelButton, Face(kLeftColumn, kLoadRow3)},
    {IDC_ZOOM, ControlKind::ComboBox, FromRight(20, kLoadRow3 + 14, 111, 24)},

    {IDC_LINE, ControlKind::PanelButton, Face(kLeftColumn, kToolRow1)},
    {IDC_ARIA, ControlKind::PanelButton, Face(kMiddleColumn, kToolRow1)},
    {IDC_CIRCLE, ControlKind::PanelButton, Face(kRightColumn, kToolRow1)},
    {IDC_CIRCLE2, ControlKind::PanelButton, Face(kLeftColumn, kToolRow2)},
    {IDC_SUI, ControlKind::PanelButton, Face(kMiddleColumn, kToolRow2)},
    {IDC_ANGLE, ControlKind::PanelButton, Face(kRightColumn, kToolRow2)},
    {IDC_COLOR, ControlKind::PanelButton, Face(kLeftColumn, kToolRow3)},
    {IDC_DELETE, ControlKind::PanelButton, Face(kMiddleColumn, kToolRow3)},
    {IDC_CLEAR, ControlKind::PanelButton, Face(kRightColumn, kToolRow3)},
    {IDC_CSV, ControlKind::PanelButton, Face(kLeftColumn, kToolRow4)},
    {IDC_CALIB, ControlKind::PanelButton, Face(kMiddleColumn, kToolRow4)},
    {IDC_SCALE, ControlKind::PanelButton, Face(kRightColumn, kToolRow4)},
    {IDC_CALIB_LABEL, ControlKind::Static, FromRight(122, kCalibRow + 3, 96, 18)},
    {IDC_CALIB_COMBO, ControlKind::ComboBox, FromRight(22, kCalibRow, 96, 24)},

    {IDC_RESULTS, ControlKind::ListView, {kClientRight - 12 - 204, kResultsTop, kClientRight - 12, kClientBottom - 12}},
    {IDC_STRIP_SCROLL, ControlKind::ScrollBar,
     {7, kClientBottom - 12 - kScrollHeight, 7 + kClientRight - 228, kClientBottom - 12}},
    {IDC_PANEL_TOGGLE, ControlKind::ToggleButton, FromRight(0, 0, kToggleSize, kToggleSize)},
    {IDC_STRIP_TOGGLE, ControlKind::ToggleButton, {0, kClientBottom - kToggleSize, kToggleSize, kClientBottom}},
};

const PanelOffset s_PanelOffsets[] = {
    {IDC_LOAD_GROUP, 11}, {IDC_DIR, 20},     {IDC_SAVE, 82},     {IDC_LIVE, 143},   {IDC_THUMB, 20},
    {IDC_TYPE, 82},       {IDC_SET, 143},    {IDC_WB, 143},      {IDC_ZOOM, 20},    {IDC_TOOL_GROUP, 11},
    {IDC_LINE, 143},      {IDC_CIRCLE2, 143}, {IDC_ARIA, 82},    {IDC_SUI, 82},     {IDC_DELETE, 82},
    {IDC_CIRCLE, 20},     {IDC_ANGLE, 20},   {IDC_CLEAR, 20},    {IDC_COLOR, 143},  {IDC_CALIB, 82},
    {IDC_CSV, 143},       {IDC_SCALE, 20},   {IDC_CALIB_LABEL, 122}, {IDC_CALIB_COMBO, 22}, {IDC_PANEL_TOGGLE, 0},
};

} // namespace

std::span<const PanelOffset> PanelRightOffsets() { return s_PanelOffsets; }

std::span<const ControlTemplate> MainWindowTemplate() { return s_Template; }

const ControlTemplate* FindControlTemplate(int nId)
{
    for (const ControlTemplate& control : s_Template) {
        if (control.nId == nId)
            return &control;
    }
    return nullptr;
}
