// The user-interface texts in English and Japanese: string tables, captions of the
// main window's controls and the zoom choices, and the language switch g_bJapanese.
#pragma once

#include <span>

// 1 when the system language is Japanese; set once at start-up before any window exists.
extern int g_bJapanese;

struct CUiText {
    int nId;
    const char* szEnglish;  // nullptr where only the Japanese table has the entry
    const char* szJapanese;
};

// String table entries: tooltips 200..224 (Japanese only) and texts 1000..1011.
std::span<const CUiText> StringTable();

// Controls of the main window (template 102) by control id, with their captions
// ("" for controls without one).
std::span<const CUiText> MainWindowControls();

// The zoom combo's six entries, fit-to-window first.
std::span<const CUiText> ZoomChoices();

// The calibration dialog's title (0), buttons (1 OK, 2 CANCEL) and field labels (keyed
// by the field they label: 1119 name, 1121 X, 1122 Y, 1123 unit).
std::span<const CUiText> CalibDialogTexts();
const char* CalibDialogText(int nId);

// The scale dialog's title (0), buttons (1 OK, 2 CANCEL), the labels keyed by the control
// they label (1121 X, 1122 Y, 1124 type list, 1125 position list), the check box's
// caption (1205) and the entries of the two lists (ScaleListEntryId).
std::span<const CUiText> ScaleDialogTexts();
const char* ScaleDialogText(int nId);

// The key of entry nIndex (0..9) of the scale dialog's list nListId (1124 or 1125):
// 11240, 11241 for the types, 11250 .. 11254 for the positions.
constexpr int ScaleListEntryId(int nListId, int nIndex) { return nListId * 10 + nIndex; }

// The colour dialog's title (0), OK (1) and the labels of its two swatches (1023 line,
// 1024 text).
std::span<const CUiText> ColorDialogTexts();
const char* ColorDialogText(int nId);

// The image setting dialog's title (0), buttons (1 OK, 2 CANCEL) and labels, keyed by
// the control they label, or for the captions of the gain's unit, the mirror and the
// colour gains by the keys below.
constexpr int IMAGE_SET_TEXT_GAIN_A = -1;
constexpr int IMAGE_SET_TEXT_MIRROR = -2;
constexpr int IMAGE_SET_TEXT_COLOR_GAIN = -3;
std::span<const CUiText> ImageSetDialogTexts();
const char* ImageSetDialogText(int nId);

// The camera setting dialog's title (0), buttons (1 OK, 2 CANCEL, 1087 Save, 1088 Load),
// the labels keyed by the control they label (1143 .. 1150, 1216 clock list), the clock
// list's entries (CameraClockEntryId) and the texts of its file boxes and messages
// (IDS_CAMERA_SET_*). The window messages hold one "%d": the limit.
std::span<const CUiText> CameraSetDialogTexts();
const char* CameraSetDialogText(int nId);

// The key of entry nIndex of the clock list 1216: 12160 normal, 12161 half.
constexpr int CameraClockEntryId(int nIndex) { return 1216 * 10 + nIndex; }

constexpr int IDS_CAMERA_SET_SAVE_TITLE = 2101;
constexpr int IDS_CAMERA_SET_LOAD_TITLE = 2102;
constexpr int IDS_CAMERA_SET_FILTER = 2103;
constexpr int IDS_CAMERA_SET_NOT_SAVED = 2104;
constexpr int IDS_CAMERA_SET_NOT_READ = 2105;
// What to change in a capture window the camera would refuse (ECaptureWindowFault).
constexpr int IDS_CAMERA_WINDOW_NEGATIVE_X = 2111;
constexpr int IDS_CAMERA_WINDOW_TOO_NARROW = 2112;
constexpr int IDS_CAMERA_WINDOW_BEYOND_RIGHT = 2113;
constexpr int IDS_CAMERA_WINDOW_NEGATIVE_Y = 2114;
constexpr int IDS_CAMERA_WINDOW_TOO_LOW = 2115;
constexpr int IDS_CAMERA_WINDOW_BEYOND_BOTTOM = 2116;

// Text of a string-table entry in the current language; "" when it has none.
const char* LoadUiString(int nId);

// Text of entry nId, or "" when absent, in the language asked for.
const char* LoadUiString(int nId, bool bJapanese);

// Caption of main-window control nControlId in the current language.
const char* MainWindowCaption(int nControlId);

// The text of an entry in the current language ("" when missing in it).
const char* CurrentText(const CUiText& text);

// Ids of the string table used by the program.
constexpr int IDS_LENGTH = 1000;
constexpr int IDS_POLYGON_AREA = 1001;
constexpr int IDS_CIRCLE_DIAMETER = 1002;
constexpr int IDS_CIRCLE_DISTANCE = 1003;
constexpr int IDS_ANGLE = 1004;
constexpr int IDS_DEGREE = 1005;
constexpr int IDS_CALIB_NAME = 1006;
constexpr int IDS_COLUMN_TYPE = 1007;
constexpr int IDS_COLUMN_RESULT = 1008;
constexpr int IDS_COLUMN_UNIT = 1009;
constexpr int IDS_THUMB_FONT = 1010;
constexpr int IDS_ALREADY_RUNNING = 1011;
// Texts the program words itself: the save dialogs' title, the CSV export's filters
// and its failure.
constexpr int IDS_SAVE_AS_TITLE = 2001;
constexpr int IDS_CSV_FILTER = 2002;
constexpr int IDS_ALL_FILES_FILTER = 2003;
constexpr int IDS_CSV_NOT_WRITTEN = 2004;
// The picture folder's chooser and its refusal of a folder that cannot be written.
constexpr int IDS_BROWSE_FOLDER_TITLE = 2005;
constexpr int IDS_FOLDER_NOT_WRITABLE = 2006;
// Saving the picture shown: the save dialog's filters and the failure.
constexpr int IDS_BMP_FILTER = 2007;
constexpr int IDS_JPEG_FILTER = 2008;
constexpr int IDS_PICTURE_NOT_SAVED = 2009;
// The thumbnail dialog's title (template 147) and the thumbnails' popup menu (146).
constexpr int IDS_THUMBNAIL_TITLE = 147;
constexpr int ID_THUMB_REMOVE = 32779;
constexpr int ID_THUMB_OPEN = 32780;
constexpr int ID_THUMB_TRASH = 32781;
constexpr int IDP_PARSE_INT = 0xF110;  // an integer field holds no integer
constexpr int IDP_PARSE_REAL = 0xF113; // a number field holds no number
