// The program's diagnostic log: named categories, silent unless the environment
// variable VEXILO_DEBUG names them ("camera,usb", or "all"). Each failure is logged
// once, where it happens; the log is for whoever investigates, never for the user.
#pragma once

enum class ELogCategory {
    Camera, // camera library and the live view's camera start-up and frames
    Usb,    // the libusb back end of real cameras
    Driver, // the camera driver and its firmware
    Files,  // pictures, settings and other files
    Count,
};

// The categories a VEXILO_DEBUG value names, one bit per category (bit n for
// category n); unknown names are ignored, "all" names every category.
unsigned ParseLogCategories(const char* szList);

// The name used in VEXILO_DEBUG and in each line: "camera", "usb", "driver", "files".
const char* LogCategoryName(ELogCategory category);

// Whether the category is switched on in this process (VEXILO_DEBUG, read once).
bool IsLogEnabled(ELogCategory category);

// Writes one line "vexilo[category] message" to the error output when the category
// is on; a line longer than 1000 bytes is cut. Safe on any thread: lines never mix.
void LogLine(ELogCategory category, const char* szFormat, ...) __attribute__((format(printf, 2, 3)));
