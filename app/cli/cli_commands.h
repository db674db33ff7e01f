// The commands of vexilo-cli: camera information, grabbing processed or raw frames,
// processing a raw mosaic file, re-encoding a picture as JPEG, measuring on a picture,
// and building a picture folder's thumbnail cache.
#pragma once

#include "app/shell/core/camera_backend.h"

#include <cstdio>
#include <string>

// Exit statuses.
constexpr int CLI_OK = 0;
constexpr int CLI_USAGE = 1;
constexpr int CLI_FAILURE = 2;

// Where a command reads its input, writes its results and its one-line failure message.
struct CCliOutput {
    std::FILE* pOut = stdout;
    std::FILE* pErr = stderr;
    std::FILE* pIn = stdin;
};

struct CGrabOptions {
    ECameraBackendKind cameras = ECameraBackendKind::Automatic;
    std::string szSettingsFolder; // empty: the program's usual settings folder
    int nFrames = 30;
    bool bRaw = false;
    std::string szOutput;
};

// The program version, the camera back end and one line per camera present.
int RunInfo(ECameraBackendKind cameras, const CCliOutput& out);

// Starts the camera as the live view does, takes the frames through the live view's
// processing and writes the last picture (or raw mosaic); prints
// "frames=N fps=F process_ms=M".
int RunGrab(const CGrabOptions& options, const CCliOutput& out);

// Processes a raw mosaic BMP (top row = the sensor's first row) as the live view would
// with the settings of szSettingsFolder, without automatic exposure.
int RunProcess(const std::string& szSettingsFolder, const std::string& szInput, const std::string& szOutput,
               const CCliOutput& out);

// Loads any picture the program can load and writes it with the program's JPEG encoder.
int RunJpeg(const std::string& szInput, const std::string& szOutput, const CCliOutput& out);

struct CMeasureOptions {
    std::string szSettingsFolder; // empty: the program's usual settings folder
    int nCalib = 0;               // calibration entry 0..9
    bool bJapanese = false;       // the Japanese type and unit texts
    std::string szPicture;
    std::string szInput; // the measurement lines; empty or "-": the standard input
    std::string szCsv;   // empty, or a CSV file the rows are appended to
    std::string szDraw;  // empty, or a .bmp/.jpg file of the picture with the measurements
};

// Measures on the picture as the window would with calibration entry nCalib and
// prints the results list's rows, "No.<TAB>Type<TAB>Result<TAB>Unit", numbered from 0.
// With szCsv it then appends the same rows as the window's CSV export does (Shift-JIS
// when bJapanese); a CSV that cannot be written is a failure, after the rows were printed.
// With szDraw it writes the picture as the window saves it with measurement lines (the
// measurements and, when visible, the scale bar of the settings), BMP or JPEG by the
// extension. A bad measurement line is a usage error naming the line.
int RunMeasure(const CMeasureOptions& options, const CCliOutput& out);

// Builds or refreshes the thumbnail cache of the picture folder szFolder as the program
// does at start-up and at its end (ReadCache of szFolder/ThumbNail, ScanFolder,
// WriteCache) and prints "thumbnails=N cached=C made=M": N thumbnails in the cache now,
// C of them taken from the old cache, M made by decoding pictures. A folder that cannot
// be read, or a cache that cannot be written, is a failure.
int RunThumbnails(const std::string& szFolder, const CCliOutput& out);
