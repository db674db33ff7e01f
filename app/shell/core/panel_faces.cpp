#include "app/shell/core/panel_faces.h"

#include "app/shell/core/main_window_template.h"

namespace {

struct CFaceCell {
    int nId;
    POINT cell;
};

// Buttons with a single face; LIVE and TYPE have two and are handled below.
constexpr CFaceCell s_FaceCells[] = {
    {IDC_LINE, {0, 0}},      {IDC_ARIA, {50, 0}},    {IDC_CIRCLE, {100, 0}}, {IDC_CIRCLE2, {150, 0}},
    {IDC_COLOR, {100, 53}},  {IDC_CALIB, {150, 53}}, {IDC_DELETE, {0, 106}}, {IDC_CLEAR, {50, 106}},
    {IDC_CSV, {100, 106}},   {IDC_SAVE, {150, 106}}, {IDC_DIR, {0, 159}},    {IDC_SET, {50, 159}},
    {IDC_THUMB, {0, 211}},   {IDC_SUI, {50, 211}},   {IDC_ANGLE, {100, 211}}, {IDC_WB, {150, 211}},
    {IDC_SCALE, {0, 264}},
};

constexpr int s_ToolButtons[] = {IDC_LINE, IDC_ARIA, IDC_CIRCLE, IDC_CIRCLE2, IDC_SUI, IDC_ANGLE};

} // namespace

bool PanelFaceCell(int nId, const CPanelFaceState& state, POINT& cell)
{
    bool bFound = true;
    if (nId == IDC_LIVE) {
        cell = state.bFrozen ? POINT{50, 53} : POINT{0, 53};
    } else if (nId == IDC_TYPE) {
        cell = state.bSaveOverlay ? POINT{150, 159} : POINT{100, 159};
    } else {
        bFound = false;
        for (const CFaceCell& face : s_FaceCells) {
            if (face.nId == nId) {
                cell = face.cell;
                bFound = true;
                break;
            }
        }
    }
    if (bFound && !state.bEnabled)
        cell.x += PANEL_DISABLED_SHIFT;
    return bFound;
}

bool ToggleFaceCell(int nId, bool bPanelVisible, bool bThumbVisible, POINT& cell)
{
    if (nId == IDC_PANEL_TOGGLE) {
        cell = POINT{bPanelVisible ? 0 : 13, 0};
        return true;
    }
    if (nId == IDC_STRIP_TOGGLE) {
        cell = POINT{bThumbVisible ? 26 : 39, 0};
        return true;
    }
    return false;
}

int ToolOfButton(int nId)
{
    for (int i = 0; i < 6; ++i) {
        if (s_ToolButtons[i] == nId)
            return i + 1;
    }
    return 0;
}
