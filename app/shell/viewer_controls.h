// The controls of the main window (template 102): created from the template as
// children of the window, with the captions of the current language, found by id.
#pragma once

#include "app/calib/calib_entry.h"
#include "platform/win_types.h"

#include <functional>
#include <map>

class QComboBox;
class QImage;
class QScrollBar;
class QTableWidget;
class QWidget;

class CViewerControls {
public:
    // The face an owner-drawn button nId shows now: the top-left corner of its cell
    // for the enabled state given (false: no face).
    using FaceOf = std::function<bool(int nId, bool bEnabled, POINT& cell)>;
    // Whether button nId shows the green dot of the active measuring tool.
    using IsActiveTool = std::function<bool(int nId)>;

    // Creates every control of the template in pWindow. The sheets are the window's
    // and outlive the buttons that paint from them.
    void Create(QWidget* pWindow, const QImage& panelSheet, const QImage& toggleSheet, const FaceOf& faceOf,
                const IsActiveTool& isActiveTool);
    // The control with the given id, or nullptr.
    QWidget* Item(int nId) const;

    // Columns "No.", "Type", "Result", "Unit" at widths 31, 60, 50, 40; rows selected whole.
    void SetUpResultsList();
    // The entries' names in table order, entry 0 selected.
    void SetUpCalibCombo(const CCalibList& calibList);
    // The Japanese tooltips of the panel's controls.
    void SetUpTooltips();

    QScrollBar* m_sbStrip = nullptr;    // 1074
    QComboBox* m_cbCalib = nullptr;     // 1125
    QTableWidget* m_lcResults = nullptr; // 1118
    QComboBox* m_cbZoom = nullptr;      // 1099

private:
    std::map<int, QWidget*> m_Items; // owned by Qt as children of the window
};
