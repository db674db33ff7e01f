#include "app/dialogs/core/camera_set_values.h"

#include "app/res/ui_texts.h"
#include "driver/camera_protocol.h"
#include "platform/log.h"
#include "platform/profile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// The section Save writes. Load never reads it: a saved file becomes loadable only once
// one of the model sections is added to it.
constexpr const char* SAVE_SECTION = "Vexilo";

// The sections Load reads, in order; a later section overrides an earlier one.
constexpr const char* MODEL_SECTIONS[] = {"Quenta", "Brisol", "Talvik", "Morane", "Zephel",
                                          "Caldor", "Nivra",  "Pellam", "Ostrel", "Vardin"};

// The six window keys of a camera-setting file with their member, in file order.
struct CWindowKey {
    const char* szKey;
    int CCameraSetValues::*pnValue;
};
constexpr CWindowKey WINDOW_KEYS[] = {
    {"TH", &CCameraSetValues::TH},   {"TV", &CCameraSetValues::TV},   {"EH", &CCameraSetValues::EH},
    {"EV", &CCameraSetValues::EV},   {"EHS", &CCameraSetValues::EHS}, {"EVS", &CCameraSetValues::EVS},
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

CCameraSetValues CCameraSetValues::From(const CViewerSettings& s)
{
    return CCameraSetValues{s.TH, s.TV, s.EH, s.EV, s.EHS, s.EVS, s.timer, s.BufSize, s.Clock};
}

void CCameraSetValues::PutInto(CViewerSettings& s) const
{
    s.TH = TH;
    s.TV = TV;
    s.EH = EH;
    s.EV = EV;
    s.EHS = EHS;
    s.EVS = EVS;
    s.timer = timer;
    s.BufSize = BufSize;
    s.Clock = Clock;
}

bool SaveCameraSetFile(const char* szPath, const CCameraSetValues& values)
{
    for (const CWindowKey& key : WINDOW_KEYS) {
        char szValue[16];
        std::snprintf(szValue, sizeof szValue, "%d", values.*key.pnValue);
        if (!WritePrivateProfileStringA(SAVE_SECTION, key.szKey, szValue, szPath)) {
            LogLine(ELogCategory::Files, "camera setting file %s: key %s not written", szPath, key.szKey);
            return false;
        }
    }
    return true;
}

bool LoadCameraSetFile(const char* szPath, CCameraSetValues& values)
{
    // The profile reader answers the defaults for a file it cannot read, which would
    // look like a file without the model sections: tell the two apart first.
    if (!std::ifstream(szPath, std::ios::binary).is_open()) {
        LogLine(ELogCategory::Files, "camera setting file %s: cannot read: %s", szPath, std::strerror(errno));
        return false;
    }
    CProfileFile profile;
    if (!profile.Load(szPath)) {
        LogLine(ELogCategory::Files, "camera setting file %s: cannot read", szPath);
        return false;
    }
    ReadCameraSetProfile(profile, values);
    return true;
}

void ReadCameraSetProfile(const CProfileFile& profile, CCameraSetValues& values)
{
    for (const char* szSection : MODEL_SECTIONS) {
        for (const CWindowKey& key : WINDOW_KEYS)
            values.*key.pnValue = profile.GetInt(szSection, key.szKey, values.*key.pnValue);
    }
}

bool CheckCaptureWindow(const CCameraSetValues& v, ECaptureWindowFault& fault)
{
    // The sums in 64 bits: any two ints may come from the fields.
    const long long nRight = static_cast<long long>(v.EHS) + v.EH;
    const long long nBottom = static_cast<long long>(v.EVS) + v.EV;
    if (v.EHS < 0)
        fault = ECaptureWindowFault::NegativeX;
    else if (v.EH < CAPTURE_WINDOW_MIN_WIDTH)
        fault = ECaptureWindowFault::TooNarrow;
    else if (nRight > CAM_SENSOR_WIDTH)
        fault = ECaptureWindowFault::BeyondRight;
    else if (v.EVS < 0)
        fault = ECaptureWindowFault::NegativeY;
    else if (v.EV < CAPTURE_WINDOW_MIN_HEIGHT)
        fault = ECaptureWindowFault::TooLow;
    else if (nBottom > CAM_SENSOR_HEIGHT)
        fault = ECaptureWindowFault::BeyondBottom;
    else
        fault = ECaptureWindowFault::None;
    return fault == ECaptureWindowFault::None;
}

std::string CaptureWindowFaultText(ECaptureWindowFault fault)
{
    int nTextId = 0;
    int nLimit = 0;
    switch (fault) {
    case ECaptureWindowFault::None:
        return {};
    case ECaptureWindowFault::NegativeX:
        nTextId = IDS_CAMERA_WINDOW_NEGATIVE_X;
        break;
    case ECaptureWindowFault::TooNarrow:
        nTextId = IDS_CAMERA_WINDOW_TOO_NARROW;
        nLimit = CAPTURE_WINDOW_MIN_WIDTH;
        break;
    case ECaptureWindowFault::BeyondRight:
        nTextId = IDS_CAMERA_WINDOW_BEYOND_RIGHT;
        nLimit = CAM_SENSOR_WIDTH;
        break;
    case ECaptureWindowFault::NegativeY:
        nTextId = IDS_CAMERA_WINDOW_NEGATIVE_Y;
        break;
    case ECaptureWindowFault::TooLow:
        nTextId = IDS_CAMERA_WINDOW_TOO_LOW;
        nLimit = CAPTURE_WINDOW_MIN_HEIGHT;
        break;
    case ECaptureWindowFault::BeyondBottom:
        nTextId = IDS_CAMERA_WINDOW_BEYOND_BOTTOM;
        nLimit = CAM_SENSOR_HEIGHT;
        break;
    }
    // Each of these texts holds exactly one "%d".
    char szText[256];
    std::snprintf(szText, sizeof szText, CameraSetDialogText(nTextId), nLimit);
    return szText;
}

bool ParseCameraSetField(std::string_view text, bool bDigitsOnly, int& nValue)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return false;
    const bool bNegative = text.front() == '-';
    if (!bDigitsOnly && (bNegative || text.front() == '+'))
        text.remove_prefix(1);
    // Digits only from here: from_chars alone would take a leading '-'.
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    long long nNumber = 0;
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nNumber);
    if (error != std::errc() || pEnd != text.data() + text.size())
        return false;
    if (bNegative && !bDigitsOnly)
        nNumber = -nNumber;
    if (nNumber < INT_MIN || nNumber > INT_MAX)
        return false;
    nValue = static_cast<int>(nNumber);
    return true;
}
