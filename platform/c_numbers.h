// Numbers as text in the C locale's manner ("%d", "%f", atof), whatever locale
// the process runs in: files and labels always use a decimal point.
#pragma once

#include <string>

// Like printf("%f"): fixed notation with six decimals.
std::string FormatFixed6(double dValue);

// Like atof in the C locale: leading blanks skipped, then the longest decimal
// number (optional sign, fraction, exponent; also "inf"/"nan"); 0.0 when none.
double ParseDecimal(const char* szText);
