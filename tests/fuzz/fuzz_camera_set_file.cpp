// Fuzz target of the camera-setting files the Load button reads: any bytes as a file's
// contents, read by the code LoadCameraSetFile runs on the file. Each of the six window
// keys either keeps its value (in no model section) or takes one that does not depend on
// it; timer, buffer size and clock never change; six values written into the last model
// section are what is read then. Each line of the input also goes through the dialog's
// field reader, which must take exactly the plain numbers within int.
#include "app/dialogs/core/camera_set_values.h"

#include "platform/profile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The six window keys and their members.
constexpr const char* WINDOW_KEYS[] = {"TH", "TV", "EH", "EV", "EHS", "EVS"};
constexpr int CCameraSetValues::*WINDOW[] = {&CCameraSetValues::TH, &CCameraSetValues::TV,  &CCameraSetValues::EH,
                                             &CCameraSetValues::EV, &CCameraSetValues::EHS, &CCameraSetValues::EVS};

// The field reader's rule written out: blanks around, an optional sign where allowed,
// then decimal digits whose value fits an int.
bool ExpectedField(std::string_view text, bool bDigitsOnly, long long& nValue)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool bNegative = false;
    if (!bDigitsOnly && !text.empty() && (text.front() == '-' || text.front() == '+')) {
        bNegative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    while (text.size() > 1 && text.front() == '0')
        text.remove_prefix(1);
    if (text.size() > 10)
        return false;
    nValue = std::stoll(std::string(text));
    if (bNegative)
        nValue = -nValue;
    return nValue >= INT32_MIN && nValue <= INT32_MAX;
}

void CheckFields(std::string_view input)
{
    for (std::size_t nPos = 0; nPos <= input.size();) {
        const std::size_t nEnd = std::min(input.find('\n', nPos), input.size());
        const std::string_view line = input.substr(nPos, nEnd - nPos);
        for (bool bDigitsOnly : {false, true}) {
            int nValue = 12345;
            long long nExpected = 0;
            const bool bTaken = ParseCameraSetField(line, bDigitsOnly, nValue);
            if (bTaken != ExpectedField(line, bDigitsOnly, nExpected) || (bTaken && nValue != nExpected) ||
                (!bTaken && nValue != 12345))
                __builtin_trap();
        }
        nPos = nEnd + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize > 1 << 18)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    CProfileFile profile;
    profile.SetText(input);

    // Two different starting values: a key that was read answers the same in both.
    const CCameraSetValues first{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const CCameraSetValues second{-11, -12, -13, -14, -15, -16, 17, 18, 19};
    CCameraSetValues a = first;
    CCameraSetValues b = second;
    ReadCameraSetProfile(profile, a);
    ReadCameraSetProfile(profile, b);
    for (int CCameraSetValues::*pnValue : WINDOW) {
        const bool bKept = a.*pnValue == first.*pnValue && b.*pnValue == second.*pnValue;
        if (!bKept && a.*pnValue != b.*pnValue)
            __builtin_trap();
    }
    if (a.timer != first.timer || a.BufSize != first.BufSize || a.Clock != first.Clock || b.timer != second.timer ||
        b.BufSize != second.BufSize || b.Clock != second.Clock)
        __builtin_trap();

    // The last model section wins.
    const int nSeed = static_cast<int>((nSize * 2654435761u) & 0x7FFFFFFF) - 0x40000000;
    const CCameraSetValues written{nSeed, -nSeed / 3, 640, 480, nSeed % 1000, -7, 0, 0, 0};
    bool bWritten = true;
    for (int i = 0; i < 6 && bWritten; ++i)
        bWritten = profile.WriteString(" vardin ", WINDOW_KEYS[i], std::to_string(written.*WINDOW[i]).c_str());
    if (!bWritten && !(a == first))
        __builtin_trap(); // refused only in a UTF-16 file, which reads as empty
    if (bWritten) {
        CCameraSetValues read = first;
        ReadCameraSetProfile(profile, read);
        for (int CCameraSetValues::*pnValue : WINDOW)
            if (read.*pnValue != written.*pnValue)
                __builtin_trap();
    }

    CheckFields(input);
    return 0;
}
