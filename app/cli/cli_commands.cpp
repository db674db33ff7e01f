#include "app/cli/cli_commands.h"

#include "app/calib/csv_export.h"
#include "app/calib/results_table.h"
#include "app/camera/camera_device.h"
#include "app/cli/measure_input.h"
#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"
#include "app/files/picture_loader.h"
#include "app/files/picture_save.h"
#include "app/files/thumb_list.h"
#include "app/res/version.h"
#include "app/shell/core/live_view.h"
#include "app/shell/core/settings_file.h"
#include "platform/clock.h"
#include "platform/read_whole_file.h"

#include <algorithm>
#include <cctype>

namespace {

// A grab fails when the camera sends no frame for this long.
constexpr DWORD kFrameWaitMs = 5000;
// The heartbeat of the live view ticks at least this often while a grab waits.
constexpr DWORD kTickMs = 100;

const char* BackendName(ECameraBackendKind kind)
{
    switch (kind) {
    case ECameraBackendKind::Simulated: return "sim";
    case ECameraBackendKind::Usb: return "usb";
    case ECameraBackendKind::Automatic: return "auto";
    case ECameraBackendKind::None: break;
    }
    return "none";
}

int Fail(const CCliOutput& out, const std::string& szMessage)
{
    std::fprintf(out.pErr, "vexilo-cli: %s\n", szMessage.c_str());
    return CLI_FAILURE;
}

bool EndsWithJpegExtension(const std::string& szPath)
{
    std::string lower(szPath);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.ends_with(".jpg") || lower.ends_with(".jpeg");
}

// The picture with its rows in the opposite order (same size, format and colours).
bool Flipped(const CDibImage& source, CDibImage& flipped)
{
    if (!flipped.CreateLike(&source))
        return false;
    const int w = source.Width();
    const int h = source.Height();
    return flipped.StretchFrom(source, RECT{0, h - 1, w, -1}, RECT{0, 0, w, h}) != FALSE;
}

// Writes a picture as it is held (rows bottom-up, so viewers show memory row 0 at the
// bottom): JPEG with the program's encoder for .jpg / .jpeg, else BMP.
bool WritePicture(const CDibImage& picture, const std::string& szPath)
{
    if (!EndsWithJpegExtension(szPath))
        return WriteBmp(picture, szPath.c_str()) != FALSE;
    if (picture.BitCount() == 24)
        return SaveJpeg(picture, szPath.c_str()) != FALSE;
    CDibImage colour;
    if (!colour.Create(picture.Width(), picture.Height(), 24))
        return false;
    colour.BlitFrom(picture, nullptr, 0, 0);
    return SaveJpeg(colour, szPath.c_str()) != FALSE;
}

CViewerSettings LoadSettingsOf(const std::string& szFolder, CCalibList* pCalibList = nullptr)
{
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    CSettingsFile(ResolveSettingsFolder(szFolder)).Load(settings, calib, false);
    if (pCalibList != nullptr) {
        // As at the window's start: the factors follow from lengths and rectangles.
        for (CCalibEntry& entry : calib)
            entry.RecalcPixelSize();
        *pCalibList = calib;
    }
    return settings;
}

// The whole of a stream, for the measurement lines of the standard input.
bool ReadStream(std::FILE* pFile, std::string& text)
{
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0;)
        text.append(buffer, n);
    return std::ferror(pFile) == 0;
}

// What the processing made of a frame: the colour picture when colour reconstruction
// is on, else the grey one (the colour picture would be empty).
const CDibImage& ProcessedPicture(const CDibImage& raw, const CDibImage& colour, const CLiveSettings& live)
{
    return live.frame.m_BayerFlg ? colour : raw;
}

} // namespace

int RunInfo(ECameraBackendKind cameras, const CCliOutput& out)
{
    CCameraBackend backend(cameras);
    std::fprintf(out.pOut, "%s\ncameras: %s\n", PROGRAM_TITLE, BackendName(backend.Kind()));
    for (int i = 0; i < CAM_MAX_DEVICES; ++i) {
        const std::string szPath = "\\\\.\\Lorvidex07-" + std::to_string(i);
        if (CDeviceHandle(backend.Devices(), szPath.c_str()).IsValid())
            std::fprintf(out.pOut, "%d %s\n", i, szPath.c_str());
    }
    // Devices the default did not give firmware to, and why.
    for (const USB_DEVICE_FOUND& device : backend.UntakenUsbDevices())
        std::fprintf(out.pOut,
                     "not taken: %04x:%04x on bus %u address %u has the default ids of an unprogrammed "
                     "microcontroller; --camera usb, or its ids in VEXILO_USB_VID and VEXILO_USB_PID, take it\n",
                     device.VendorId, device.ProductId, device.nBus, device.nAddress);
    return CLI_OK;
}

int RunGrab(const CGrabOptions& options, const CCliOutput& out)
{
    CSharedSettings settings(LoadSettingsOf(options.szSettingsFolder));
    CCameraBackend backend(options.cameras);
    CCameraDevice camera(backend.Devices());
    if (!camera.IsDevicePresent(0))
        return Fail(out, "no camera found");

    // The raw mosaic of the last frame, taken before processing turns it upright.
    CDibImage lastRaw;
    CLiveView::CHooks hooks;
    if (options.bRaw) {
        hooks.onRawFrame = [&lastRaw, nFrame = 0, nLast = options.nFrames](const CDibImage& raw) mutable {
            if (++nFrame == nLast && !Flipped(raw, lastRaw))
                lastRaw.Destroy();
        };
    }
    CLiveView live(camera, settings, std::move(hooks));
    live.ActivateCamera();
    live.Tick(timeGetTime()); // the first frame is taken as soon as it is there
    live.StartDisplayThread(static_cast<std::uint64_t>(options.nFrames));
    // The live view processes frames while its heartbeat ticks: this thread ticks it
    // until the frames are in or the camera has sent none for a while.
    std::uint64_t nFrames = 0;
    DWORD dwLastFrame = timeGetTime();
    while (live.CaptureState() == ECaptureState::Running) {
        live.Tick(timeGetTime());
        const std::uint64_t nNow = live.WaitForFrame(nFrames, kTickMs);
        if (nNow != nFrames) {
            nFrames = nNow;
            dwLastFrame = timeGetTime();
        } else if (timeGetTime() - dwLastFrame > kFrameWaitMs) {
            break;
        }
    }
    const int nError = live.Close();
    if (nFrames < static_cast<std::uint64_t>(options.nFrames))
        return Fail(out, "the camera stopped delivering frames after " + std::to_string(nFrames) + " (error " +
                             std::to_string(nError) + ")");

    const CLiveSettings processing = settings.Read(MakeLiveSettings);
    const CDibImage& result = options.bRaw ? lastRaw : ProcessedPicture(live.RawImage(), live.ColorImage(), processing);
    if (!result.IsCreated() || !WritePicture(result, options.szOutput))
        return Fail(out, "cannot write " + options.szOutput);
    const CLiveStatistics figures = live.Statistics();
    const double dElapsedMs = figures.dLastTakenMs - figures.dFirstTakenMs;
    const double dFps = figures.nFrames > 1 && dElapsedMs > 0.0 ? (figures.nFrames - 1) * 1000.0 / dElapsedMs : 0.0;
    std::fprintf(out.pOut, "frames=%llu fps=%.1f process_ms=%.2f\n", static_cast<unsigned long long>(figures.nFrames),
                 dFps, figures.nFrames > 0 ? figures.dProcessMs / static_cast<double>(figures.nFrames) : 0.0);
    return CLI_OK;
}

int RunProcess(const std::string& szSettingsFolder, const std::string& szInput, const std::string& szOutput,
               const CCliOutput& out)
{
    const CReadWholeFile file(szInput.c_str());
    CDibImage mosaic;
    if (!file.IsRead() || !mosaic.LoadFromBmpMemory(file.Start(), file.Size()))
        return Fail(out, "cannot read " + szInput + " as a BMP file");
    if (mosaic.BitCount() != 8)
        return Fail(out, szInput + " is not an 8-bit raw mosaic");

    // The file's top row is the sensor's first row; the chain expects it as memory row 0.
    CDibImage raw, colour;
    if (!Flipped(mosaic, raw) || !colour.Create(raw.Width(), raw.Height(), 24))
        return Fail(out, "out of memory");
    CLiveSettings live = MakeLiveSettings(LoadSettingsOf(szSettingsFolder));
    CLiveFrameChain chain;
    chain.Process(raw, colour, live, nullptr, 0, nullptr);
    const CDibImage& result = ProcessedPicture(raw, colour, live);
    if (!WritePicture(result, szOutput))
        return Fail(out, "cannot write " + szOutput);
    return CLI_OK;
}

int RunJpeg(const std::string& szInput, const std::string& szOutput, const CCliOutput& out)
{
    CDibImage picture;
    if (!LoadPicture(picture, szInput.c_str()))
        return Fail(out, "cannot load " + szInput);
    if (!SaveJpeg(picture, szOutput.c_str()))
        return Fail(out, "cannot write " + szOutput);
    return CLI_OK;
}

int RunMeasure(const CMeasureOptions& options, const CCliOutput& out)
{
    if (options.nCalib < 0 || options.nCalib >= CALIB_ENTRY_COUNT) {
        std::fprintf(out.pErr, "vexilo-cli: --calib takes an entry from 0 to 9\n");
        return CLI_USAGE;
    }
    const int nDrawFormat = options.szDraw.empty() ? 0 : PictureFormatOfPath(options.szDraw);
    if (!options.szDraw.empty() && nDrawFormat == 0) {
        std::fprintf(out.pErr, "vexilo-cli: --draw writes a .bmp, .jpg or .jpeg file\n");
        return CLI_USAGE;
    }
    CCalibList calibList;
    const CViewerSettings settings = LoadSettingsOf(options.szSettingsFolder, &calibList);
    const CCalibEntry& calib = calibList[options.nCalib];

    CDibImage picture;
    if (!LoadPicture(picture, options.szPicture.c_str()))
        return Fail(out, "cannot load " + options.szPicture);

    std::string text;
    if (options.szInput.empty() || options.szInput == "-") {
        if (!ReadStream(out.pIn, text))
            return Fail(out, "cannot read the measurements from the standard input");
    } else {
        const CReadWholeFile file(options.szInput.c_str());
        if (!file.IsRead())
            return Fail(out, "cannot read " + options.szInput);
        text.assign(file.Text());
    }

    // Every line is checked before anything is printed.
    CMeasureList list;
    std::size_t nBadLine = 0;
    std::string szProblem;
    if (!ReadMeasureLines(text, calib, picture.Width(), picture.Height(), list, nBadLine, szProblem)) {
        std::fprintf(out.pErr, "vexilo-cli: line %zu: %s\n", nBadLine, szProblem.c_str());
        return CLI_USAGE;
    }

    // The rows go through the window's results table, so printing and the CSV export
    // show the same rows.
    CResultsTable table([&] { return calib.m_nUnit; }, options.bJapanese);
    for (const MeasureItem& item : list)
        table.AddItemRows(item);
    int nRow = 0;
    for (const CResultsTable::CRow& row : table.Rows())
        std::fprintf(out.pOut, "%d\t%s\t%s\t%s\n", nRow++, row.text.szType.c_str(), row.text.szValue.c_str(),
                     row.text.szUnit.c_str());

    if (!options.szCsv.empty()) {
        // The rows come out before a failure's message, where both share a terminal.
        std::fflush(out.pOut);
        std::string szError;
        if (!AppendResultsCsv(options.szCsv.c_str(), table, options.bJapanese, &szError))
            return Fail(out, szError);
    }
    if (!options.szDraw.empty()) {
        // Composed as the window saves with TYPE on: the measurements and the scale bar
        // at the picture's scale, in the overlay's colours.
        CScaleData scale = settings.m_ScaleData;
        SetScaleCalibration(scale, calib);
        CSaveOverlay overlay;
        overlay.pList = &list;
        overlay.pScale = &scale;
        overlay.style.nBaseLineHeight = settings.EV;
        overlay.style.clrLine = settings.m_clrLine;
        overlay.style.clrText = settings.m_clrText;
        overlay.style.bJapanese = options.bJapanese;
        std::fflush(out.pOut);
        std::string szError;
        if (!ComposePicture(options.szDraw.c_str(), picture, nDrawFormat, &overlay, &szError))
            return Fail(out, szError);
    }
    return CLI_OK;
}

int RunThumbnails(const std::string& szFolder, const CCliOutput& out)
{
    // The same three steps as the window's rebuild of the folder and its write at exit.
    CThumbList thumbs;
    const std::string szCache = ThumbCachePath(szFolder);
    thumbs.ReadCache(szCache);
    const int nMade = thumbs.ScanFolder(szFolder);
    if (nMade < 0)
        return Fail(out, "cannot read the folder " + szFolder);
    // An empty folder writes no cache (and deletes an old one): not a failure.
    if (thumbs.WriteCache(szCache) == 0 && thumbs.Count() > 0)
        return Fail(out, "cannot write " + szCache);
    std::fprintf(out.pOut, "thumbnails=%d cached=%d made=%d\n", thumbs.Count(), thumbs.Count() - nMade, nMade);
    return CLI_OK;
}
