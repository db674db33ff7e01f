// The rows a finished measurement shows in the results list: its type, its value
// formatted for the unit and the unit's text, in the language asked for. Numbers have a
// decimal point whatever the locale.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_item.h"

#include <string>

struct CResultRow {
    std::string szType;  // "Length", "Polygon area", "Circle diameter", "Circle distance", "Angle"
    std::string szValue; // "%.2f" (cm, um), "%.3f" (mm), "%.1f" (angles); "" for an unknown unit
    std::string szUnit;  // "cm", "mm", "um", areas "cm2" ...; angles "degree"
};

// The rows of a finished item, one (three for two circles: both diameters, then the
// distance of the centres), with values and units in nUnit, the unit of the selected
// calibration entry; angles are in degrees whatever it is. Answers the number of rows
// (0 for an item that is not finished).
int ResultRowsOf(const MeasureItem& item, MeasureUnit nUnit, bool bJapanese, CResultRow (&rows)[3]);
