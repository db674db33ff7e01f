// Numbers as text in the C locale's manner ("%d", "%f", atof), whatever locale
// the process runs in: files and labels always use a decimal point.
#pragma once

#include <ctime>
#include <string>

// Like printf("%.Nf") in the C locale: fixed notation with nDecimals decimals, rounded
// as printf rounds (exactly, halves to even).
std::string FormatFixed(double dValue, int nDecimals);

// Like printf("%f"): fixed notation with six decimals.
inline std::string FormatFixed6(double dValue) { return FormatFixed(dValue, 6); }

// Like atof in the C locale: leading blanks skipped, then the longest decimal
// number (optional sign, fraction, exponent; also "inf"/"nan"); 0.0 when none.
double ParseDecimal(const char* szText);

// A file name from a local time and an extension: "%4d%02d%02d%02d%02d%02d" of year,
// month, day, hour, minute and second, then szExtension (".csv" gives
// "20040827072456.csv").
std::string TimeStampName(const std::tm& local, const char* szExtension);
