// The simulated image sensor's 16-bit registers: access rules and power-on values.
#pragma once

#include "platform/win_types.h"

#include <array>

// Reads of registers that are not readable give 0; writes to registers that are not
// writable are ignored, as the sensor does. Not thread-safe: the camera guards it.
class CSimRegisterFile {
public:
    CSimRegisterFile() { PowerOn(); }
    void PowerOn();
    WORD Read(BYTE nRegister) const;
    void Write(BYTE nRegister, WORD nValue);
    // The stored value, whatever the access rules say (for inspection).
    WORD Peek(BYTE nRegister) const { return m_Values[nRegister]; }
    static WORD PowerOnValue(BYTE nRegister);

private:
    std::array<WORD, 256> m_Values{};
};
