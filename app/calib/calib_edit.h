// The rules of the calibration dialog: its info line, its number fields, and what OK
// stores in the entry it edits.
#pragma once

#include "app/calib/calib_entry.h"

#include <string>

// "X = %f, Y = %f [%s/pix]": the factors OK would store, dX and dY over the entry's
// rectangle as it is now, in the unit nUnit ("cm", "mm", "um").
std::string CalibInfoLine(const CCalibEntry& entry, double dX, double dY, int nUnit);

// A number field's text as a length: a decimal number with a point, blanks around it
// allowed, nothing else; false for anything else (an empty or half-typed field).
bool ParseCalibLength(const std::string& szText, double& dValue);

// A length as the field shows it: the shortest text that reads back the same.
std::string FormatCalibLength(double dValue);

// OK: the name (cut to 255 bytes on a character boundary), the real lengths and the
// unit go into the entry, whose factors are then derived again.
void ApplyCalibEdit(CCalibEntry& entry, const std::string& szName, double dX, double dY, int nUnit);
