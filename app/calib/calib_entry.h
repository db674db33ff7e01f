// One entry of the calibration table: a reference rectangle of known real size
// that converts picture pixels into cm, mm or um.
#pragma once

#include <array>

constexpr int CALDRAG_NONE = 0;
constexpr int CALDRAG_MOVE = 1;
constexpr int CALDRAG_TOP = 2;
constexpr int CALDRAG_BOTTOM = 3;
constexpr int CALDRAG_LEFT = 4;
constexpr int CALDRAG_RIGHT = 5;

struct CCalibEntry {
    int m_nNo = 0;
    char m_szName[256] = {};
    double m_dLengthX = 10.0;
    double m_dLengthY = 10.0;
    int m_nUnit = 0; // 0 cm, 1 mm, 2 um
    double m_dLeft = 0.0;
    double m_dTop = 0.0;
    double m_dRight = 200.0;
    double m_dBottom = 200.0;
    int m_nDragMode = CALDRAG_NONE;
    double m_dDragX = 0.0;
    double m_dDragY = 0.0;
    double m_dMppX = 0.0;
    double m_dMppY = 0.0;

    // Derives the units-per-pixel factors from the lengths and the rectangle;
    // a direction whose pixel extent is zero keeps its previous factor.
    void RecalcPixelSize();
};

// The text of a unit code: "cm" (0), "mm" (1), "um" (2); "" for any other code.
const char* UnitText(int nUnit);

constexpr int CALIB_ENTRY_COUNT = 10;
using CCalibList = std::array<CCalibEntry, CALIB_ENTRY_COUNT>;

// The table a first start has: entry i named string 1006 followed by i + 1
// ("Data1".."Data10", in Japanese "校正値1"..), defaults otherwise.
CCalibList MakeDefaultCalibList();
