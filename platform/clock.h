// Millisecond clock for frame timing: a steady clock read as 32 wrapping bits.
#pragma once

#include "platform/win_types.h"

// Milliseconds since an arbitrary start; wraps every 49.7 days, so compare
// values by unsigned difference only.
DWORD timeGetTime();
