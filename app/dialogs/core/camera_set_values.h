// The camera setting dialog's values: the capture window, frame totals, timer, buffer
// size and clock as the main window stores them, the camera-setting files that Save and
// Load exchange, and the check of the capture window against what the camera takes.
#pragma once

#include "app/shell/core/viewer_settings.h"

#include <string>
#include <string_view>

class CProfileFile;

// The nine settings the dialog edits, named like their keys in Vexilo.ini.
struct CCameraSetValues {
    int TH = 0;      // horizontal total: stored and saved only
    int TV = 0;      // vertical total: stored and saved only
    int EH = 0;      // capture window width
    int EV = 0;      // capture window height
    int EHS = 0;     // capture window x
    int EVS = 0;     // capture window y
    int timer = 0;   // stored only
    int BufSize = 0; // stored only
    int Clock = 0;   // 0 normal, 1 half clock

    // The nine values as the settings hold them.
    static CCameraSetValues From(const CViewerSettings& settings);
    // Copies the nine values into the settings; every other setting stays.
    void PutInto(CViewerSettings& settings) const;

    bool operator==(const CCameraSetValues&) const = default;
};

// Writes "TH", "TV", "EH", "EV", "EHS", "EVS", in this order, into section "Vexilo" of
// szPath as decimal numbers; the file's other sections and keys stay. false, logged,
// when a key could not be written (the keys after it are not tried).
bool SaveCameraSetFile(const char* szPath, const CCameraSetValues& values);

// Reads the six window keys from the camera-model sections "Quenta", "Brisol", "Talvik",
// "Morane", "Zephel", "Caldor", "Nivra", "Pellam", "Ostrel", "Vardin", in this order,
// each with the value so far as its default: the last section holding a key gives its
// value, a key in none of them stays. Section "Vexilo" is not read, so a file written by
// SaveCameraSetFile alone changes nothing. timer, BufSize and Clock stay. false, logged,
// with nothing changed, when the file cannot be opened for reading.
bool LoadCameraSetFile(const char* szPath, CCameraSetValues& values);
// What LoadCameraSetFile reads, from a camera-setting file already in memory.
void ReadCameraSetProfile(const CProfileFile& profile, CCameraSetValues& values);

// Why the camera would refuse a capture window (CCameraDevice::SetCaptureWindow).
enum class ECaptureWindowFault {
    None,
    NegativeX,    // EHS < 0
    TooNarrow,    // EH below CAPTURE_WINDOW_MIN_WIDTH
    BeyondRight,  // EHS + EH beyond the sensor's width
    NegativeY,    // EVS < 0
    TooLow,       // EV below CAPTURE_WINDOW_MIN_HEIGHT
    BeyondBottom, // EVS + EV beyond the sensor's height
};

// The smallest capture window the camera takes.
constexpr int CAPTURE_WINDOW_MIN_WIDTH = 4;
constexpr int CAPTURE_WINDOW_MIN_HEIGHT = 3;

// true when the camera takes the window EHS, EVS, EH x EV; otherwise false with the
// first fault found, the horizontal ones before the vertical ones.
bool CheckCaptureWindow(const CCameraSetValues& values, ECaptureWindowFault& fault);

// The sentence telling the user what to change, with the limit, in the current language
// (g_bJapanese); "" for None.
std::string CaptureWindowFaultText(ECaptureWindowFault fault);

// Reads an integer field as the dialog's OK, Save and Load take it: blanks around it
// allowed; bDigitsOnly fields hold decimal digits only, the others may carry a sign.
// false for an empty text, anything else, or a number beyond int.
bool ParseCameraSetField(std::string_view text, bool bDigitsOnly, int& nValue);
