// Conversions from floating point to int as the pixel routines' arithmetic defines them.
#pragma once

#include <climits>

// Truncation toward zero. A value that has no int (not a number, infinite, out of
// range) gives INT_MIN, the "integer indefinite" answer of the x86 conversion
// instruction, where a plain C++ cast would be undefined. So a white-balance ratio
// that is not finite ends up as a large negative number, which the gain limits catch.
inline int TruncToInt(double dValue)
{
    if (!(dValue > -2147483649.0 && dValue < 2147483648.0))
        return INT_MIN;
    return static_cast<int>(dValue);
}
