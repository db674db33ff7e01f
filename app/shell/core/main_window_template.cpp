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

const CControlTemplate s_Template[] = {
    {IDC_VIEW_FRAME, EControlKind::Frame, {7, 7, 647, 487}},
    {IDC_LOAD_GROUP, EControlKind::GroupBox, FromRight(11, 5, 204, 191)},
    {IDC_TOOL_GROUP, EControlKind::GroupBox, FromRight(11, 206, 204, 278)},
    {IDC_STRIP_GROUP, EControlKind::GroupBox,
     {7, kClientBottom - 12 - kStripHeight, 7 + kClientRight - 228, kClientBottom - 12}},

    {IDC_LIVE, EControlKind::PanelButton, Face(kLeftColumn, kLoadRow1)},
    {IDC_SAVE, EControlKind::PanelButton, Face(kMiddleColumn, kLoadRow1)},
    {IDC_DIR, EControlKind::PanelButton, Face(kRightColumn, kLoadRow1)},
    {IDC_SET, EControlKind::PanelButton, Face(kLeftColumn, kLoadRow2)},
    {IDC_TYPE, EControlKind::PanelButton, Face(kMiddleColumn, kLoadRow2)},
    {IDC_THUMB, EControlKind::PanelButton, Face(kRightColumn, kLoadRow2)},
    {IDC_WB, EControlKind::PanelButton, Face(kLeftColumn, kLoadRow3)},
    {IDC_ZOOM, EControlKind::ComboBox, FromRight(20, kLoadRow3 + 14, 111, 24)},

    {IDC_LINE, EControlKind::PanelButton, Face(kLeftColumn, kToolRow1)},
    {IDC_ARIA, EControlKind::PanelButton, Face(kMiddleColumn, kToolRow1)},
    {IDC_CIRCLE, EControlKind::PanelButton, Face(kRightColumn, kToolRow1)},
    {IDC_CIRCLE2, EControlKind::PanelButton, Face(kLeftColumn, kToolRow2)},
    {IDC_SUI, EControlKind::PanelButton, Face(kMiddleColumn, kToolRow2)},
    {IDC_ANGLE, EControlKind::PanelButton, Face(kRightColumn, kToolRow2)},
    {IDC_COLOR, EControlKind::PanelButton, Face(kLeftColumn, kToolRow3)},
    {IDC_DELETE, EControlKind::PanelButton, Face(kMiddleColumn, kToolRow3)},
    {IDC_CLEAR, EControlKind::PanelButton, Face(kRightColumn, kToolRow3)},
    {IDC_CSV, EControlKind::PanelButton, Face(kLeftColumn, kToolRow4)},
    {IDC_CALIB, EControlKind::PanelButton, Face(kMiddleColumn, kToolRow4)},
    {IDC_SCALE, EControlKind::PanelButton, Face(kRightColumn, kToolRow4)},
    {IDC_CALIB_LABEL, EControlKind::Static, FromRight(122, kCalibRow + 3, 96, 18)},
    {IDC_CALIB_COMBO, EControlKind::ComboBox, FromRight(22, kCalibRow, 96, 24)},

    {IDC_RESULTS, EControlKind::ListView, {kClientRight - 12 - 204, kResultsTop, kClientRight - 12, kClientBottom - 12}},
    {IDC_STRIP_SCROLL, EControlKind::ScrollBar,
     {7, kClientBottom - 12 - kScrollHeight, 7 + kClientRight - 228, kClientBottom - 12}},
    {IDC_PANEL_TOGGLE, EControlKind::ToggleButton, FromRight(0, 0, kToggleSize, kToggleSize)},
    {IDC_STRIP_TOGGLE, EControlKind::ToggleButton, {0, kClientBottom - kToggleSize, kToggleSize, kClientBottom}},
};

const CPanelOffset s_PanelOffsets[] = {
    {IDC_LOAD_GROUP, 11}, {IDC_DIR, 20},     {IDC_SAVE, 82},     {IDC_LIVE, 143},   {IDC_THUMB, 20},
    {IDC_TYPE, 82},       {IDC_SET, 143},    {IDC_WB, 143},      {IDC_ZOOM, 20},    {IDC_TOOL_GROUP, 11},
    {IDC_LINE, 143},      {IDC_CIRCLE2, 143}, {IDC_ARIA, 82},    {IDC_SUI, 82},     {IDC_DELETE, 82},
    {IDC_CIRCLE, 20},     {IDC_ANGLE, 20},   {IDC_CLEAR, 20},    {IDC_COLOR, 143},  {IDC_CALIB, 82},
    {IDC_CSV, 143},       {IDC_SCALE, 20},   {IDC_CALIB_LABEL, 122}, {IDC_CALIB_COMBO, 22}, {IDC_PANEL_TOGGLE, 0},
};

} // namespace

std::span<const CPanelOffset> PanelRightOffsets() { return s_PanelOffsets; }

std::span<const CControlTemplate> MainWindowTemplate() { return s_Template; }

const CControlTemplate* FindControlTemplate(int nId)
{
    for (const CControlTemplate& control : s_Template) {
        if (control.nId == nId)
            return &control;
    }
    return nullptr;
}
