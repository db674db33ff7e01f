// Saving the picture shown: the proposed file name, the file and folder the save
// dialog's answer comes to, and the composition of the saved picture (a 24-bit copy,
// with the measurements and the scale bar burnt in when asked) written as BMP or JPEG.
#pragma once

#include "app/calib/scale_bar.h"
#include "app/imaging/dib_image.h"
#include "app/measure/measure_list.h"
#include "app/measure/measure_overlay.h"
#include "platform/win_types.h"

#include <ctime>
#include <string>

// The formats of ComposePicture: the save dialog's filter index.
constexpr int SAVE_FORMAT_BMP = 1;
constexpr int SAVE_FORMAT_JPEG = 2;

// "YYYYMMDDhhmmss.bmp" of a local time.
std::string DefaultPictureName(const std::tm& local);

// Where the save dialog's answer saves.
struct CSaveTarget {
    std::string szPath;   // the file written
    std::string szFolder; // its folder, without a trailing '/' ("/" for the root)
    int nFormat = SAVE_FORMAT_BMP;
};

// With the JPEG filter (index 2) the chosen name's extension, if any, becomes ".jpg";
// with the BMP filter (1) the name stays as chosen, a BMP whatever its extension.
CSaveTarget ResolveSaveTarget(const std::string& szChosen, int nFilterIndex);

// The format a file name asks for by its extension (".bmp", ".jpg" or ".jpeg", any
// case); 0 for another one.
int PictureFormatOfPath(const std::string& szPath);

// What a picture saved with measurement lines carries: the finished measurements, the
// item being entered (drawn when it has points) and the scale bar. They are drawn at
// the picture's own scale (zoom 1, no scroll) whatever the view shows: of style only
// the colours, the language, the base lines' height and pointerImage (where the item
// being entered ends) count.
struct CSaveOverlay {
    CMeasureList* pList = nullptr;         // a perpendicular's foot is stored as it is drawn
    const MeasureItem* pCurrent = nullptr; // or null
    const CScaleData* pScale = nullptr;    // or null: no bar
    COverlayView style;
};

// A 24-bit copy of source (an 8-bit one through its colour table) into composed, with
// the overlay drawn over it when pOverlay is given. false for an empty source or when
// the copy cannot be created.
bool ComposePicture(const CDibImage& source, const CSaveOverlay* pOverlay, CDibImage& composed);

// Composes the picture and writes it to szPath as a BMP (SAVE_FORMAT_BMP) or a JPEG
// (SAVE_FORMAT_JPEG); another format writes nothing. FALSE, logged and with the
// reason in *pszError when given, when nothing was written; an existing file is then
// left as it was.
BOOL ComposePicture(const char* szPath, const CDibImage& source, int nFormat, const CSaveOverlay* pOverlay,
                    std::string* pszError = nullptr);
