#include "app/files/picture_save.h"

#include "app/files/bmp_writer.h"
#include "app/files/dib_canvas.h"
#include "app/files/jpeg_encoder.h"
#include "platform/c_numbers.h"
#include "platform/log.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <limits>

namespace {

// The overlay's drawing pass over a picture of nWidth x nHeight at its own scale.
COverlayView PictureScaleView(const COverlayView& style, int nWidth, int nHeight)
{
    COverlayView view = style;
    view.nDestWidth = nWidth;
    view.nDestHeight = nHeight;
    view.sx = view.sy = 1.0;
    view.panX = view.panY = 0.0;
    const auto ToPixel = [](double d) {
        constexpr double dLimit = std::numeric_limits<int>::max();
        return std::isfinite(d) ? static_cast<int>(std::clamp(d, -dLimit, dLimit)) : 0;
    };
    view.ptPointer = POINT{ToPixel(style.pointerImage.x), ToPixel(style.pointerImage.y)};
    return view;
}

void DrawOverlay(CDibImage& picture, const CSaveOverlay& overlay)
{
    const COverlayView view = PictureScaleView(overlay.style, picture.Width(), picture.Height());
    CDibCanvas canvas(picture);
    if (overlay.pList != nullptr)
        DrawMeasurements(canvas, *overlay.pList, view);
    if (overlay.pScale != nullptr)
        DrawScaleBar(canvas, *overlay.pScale, 1.0, 1.0, 0.0, 0.0, view.clrLine, view.clrText);
    if (overlay.pCurrent != nullptr)
        DrawCurrentMeasure(canvas, *overlay.pCurrent, view);
}

} // namespace

std::string DefaultPictureName(const std::tm& local) { return TimeStampName(local, ".bmp"); }

CSaveTarget ResolveSaveTarget(const std::string& szChosen, int nFilterIndex)
{
    CSaveTarget target;
    const std::size_t nSlash = szChosen.rfind('/');
    const std::size_t nNameStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    if (nSlash != std::string::npos)
        target.szFolder = nSlash == 0 ? "/" : szChosen.substr(0, nSlash);
    target.szPath = szChosen;
    if (nFilterIndex == SAVE_FORMAT_JPEG) {
        // The name without its last extension (a leading dot starts no extension).
        const std::size_t nDot = szChosen.rfind('.');
        const bool bExtension = nDot != std::string::npos && nDot > nNameStart;
        target.szPath = (bExtension ? szChosen.substr(0, nDot) : szChosen) + ".jpg";
        target.nFormat = SAVE_FORMAT_JPEG;
    }
    return target;
}

int PictureFormatOfPath(const std::string& szPath)
{
    const std::size_t nDot = szPath.rfind('.');
    if (nDot == std::string::npos || szPath.find('/', nDot) != std::string::npos)
        return 0;
    std::string szExtension = szPath.substr(nDot + 1);
    std::transform(szExtension.begin(), szExtension.end(), szExtension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (szExtension == "bmp")
        return SAVE_FORMAT_BMP;
    if (szExtension == "jpg" || szExtension == "jpeg")
        return SAVE_FORMAT_JPEG;
    return 0;
}

bool ComposePicture(const CDibImage& source, const CSaveOverlay* pOverlay, CDibImage& composed)
{
    if (!source.IsCreated() || !composed.Create(source.Width(), source.Height(), 24))
        return false;
    composed.BlitFrom(source, nullptr, 0, 0);
    if (pOverlay != nullptr)
        DrawOverlay(composed, *pOverlay);
    return true;
}

BOOL ComposePicture(const char* szPath, const CDibImage& source, int nFormat, const CSaveOverlay* pOverlay,
                    std::string* pszError)
{
    const auto Failed = [&](const std::string& szReason) {
        LogLine(ELogCategory::Files, "picture not saved: %s", szReason.c_str());
        if (pszError != nullptr)
            *pszError = szReason;
        return FALSE;
    };
    if (nFormat != SAVE_FORMAT_BMP && nFormat != SAVE_FORMAT_JPEG)
        return Failed("unknown picture format");
    CDibImage composed;
    if (!ComposePicture(source, pOverlay, composed))
        return Failed("no picture to save");
    errno = 0;
    const BOOL bWritten = nFormat == SAVE_FORMAT_BMP ? WriteBmp(composed, szPath) : SaveJpeg(composed, szPath);
    if (!bWritten)
        return Failed(FileErrorText(std::string("cannot write ") + szPath, errno));
    return TRUE;
}
