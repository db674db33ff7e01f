// The commands of vexilo-cli: camera information, grabbing processed or raw frames,
// processing a raw mosaic file, and re-encoding a picture as JPEG.
#pragma once

#include "app/shell/core/camera_backend.h"

#include <cstdio>
#include <string>

// Exit statuses.
constexpr int CLI_OK = 0;
constexpr int CLI_USAGE = 1;
constexpr int CLI_FAILURE = 2;

// Where a command writes: its result line and its one-line failure message.
struct CCliOutput {
    std::FILE* pOut = stdout;
    std::FILE* pErr = stderr;
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
