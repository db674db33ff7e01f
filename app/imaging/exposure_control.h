// CExposureControl: the automatic exposure loop and the one-shot white balance that run
// on each raw frame of the live view.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

#include <functional>
#include <mutex>

// The camera operations the automatic exposure drives, with the names and results of
// CCameraDevice; CExposureCameraOf adapts any object that has them.
class CExposureCamera {
public:
    virtual ~CExposureCamera() = default;
    virtual int GetGlobalGain() = 0;
    virtual BOOL SetGlobalGain(int nGain) = 0;
    virtual BOOL GetExposure(WORD* pLines) = 0;
    virtual BOOL SetExposure(int nLines) = 0;
};

template <typename Camera>
class CExposureCameraOf : public CExposureCamera {
public:
    explicit CExposureCameraOf(Camera& camera) : m_Camera(camera) {}
    int GetGlobalGain() override { return m_Camera.GetGlobalGain(); }
    BOOL SetGlobalGain(int nGain) override { return m_Camera.SetGlobalGain(nGain); }
    BOOL GetExposure(WORD* pLines) override { return m_Camera.GetExposure(pLines); }
    BOOL SetExposure(int nLines) override { return m_Camera.SetExposure(nLines); }

private:
    Camera& m_Camera;
};

// Colour gains of the reconstruction as the white balance sets them (1.0 = neutral).
struct CColorGains {
    double m_BayerR = 1.0;
    double m_BayerG = 1.0;
    double m_BayerB = 1.0;
};

// What one exposure evaluation decided.
struct CExposureDecision {
    double dFactor = 1.0;   // correction factor c after the frame-interval guard
    bool bChange = false;   // whether gain or exposure was written
    int nNewValue = -1;     // the value written (gain or exposure lines), -1 if none
};

// Holds the state that lives for the whole process: the time of the last exposure
// evaluation (survives freezes and restarts of the display thread; keep one object for
// the process) and the hook of the open image setting dialog.
//
// Threads: ExposureStep and WhiteBalanceStep run on the display thread. The dialog hook
// is set and cleared by the UI thread while the display thread may call it; m_HookMutex
// guards it. The hook runs on the display thread with the mutex held, so it must not
// wait for the UI thread (post the values to it instead).
class CExposureControl {
public:
    // Edits of the image setting dialog that show a new gain and a new exposure.
    static constexpr int IDC_GLOBAL_GAIN_EDIT = 1187;
    static constexpr int IDC_EXPOSURE_EDIT = 1198;

    // Called with an edit id and the value it is to show.
    using DialogHook = std::function<void(int nControlId, int nValue)>;

    // Registers the open image setting dialog's hook; an empty hook means no dialog.
    void SetImageSetDlgHook(DialogHook hook);
    void ClearImageSetDlgHook() { SetImageSetDlgHook(DialogHook()); }

    // One evaluation of the automatic exposure on the raw frame as delivered, at time
    // dwNow (timeGetTime milliseconds). nAutoIrisMode 0 drives the global gain, 1 the
    // exposure, other values only measure. raw is only read (it is the destination of
    // the measuring Apply).
    CExposureDecision ExposureStep(CDibImage& raw, int nAutoIrisMode, CExposureCamera& camera, DWORD dwNow);

    // One-shot white balance of a raw frame with Bayer mode nBayerMode: the gains that
    // make the red and blue means equal to the green mean, each kept to 0 .. 2.0. The
    // caller stores them as m_BayerR/G/B and clears its m_WB_Flg. raw is only read.
    static CColorGains WhiteBalanceStep(CDibImage& raw, int nBayerMode);

private:
    void ShowInDialog(int nControlId, int nValue);

    // Display thread only.
    DWORD m_dwLastEvaluation = 0;
    bool m_bEvaluated = false;

    std::mutex m_HookMutex; // guards m_Hook; UI thread sets, display thread calls
    DialogHook m_Hook;
};
