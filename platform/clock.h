// Millisecond clock for frame timing: a steady clock read as 32 wrapping bits.
#pragma once

#include "platform/win_types.h"

#include <ctime>

// Milliseconds since an arbitrary start; wraps every 49.7 days, so compare
// values by unsigned difference only.
DWORD timeGetTime();

// The local time now (for file names proposed from the time).
std::tm LocalTimeNow();
