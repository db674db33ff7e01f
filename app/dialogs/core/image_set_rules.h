// CImageSetRules: what the image setting dialog's controls do while it is open. Most
// act at once: they change the processing settings the display thread reads for every
// frame, or the camera's global gain and exposure; CANCEL puts part of them back.
#pragma once

#include "app/camera/camera_device.h"
#include "app/dialogs/core/camera_gain_writer.h"
#include "app/shell/core/shared_settings.h"

// The number fields whose changes act at once (an edit with its spin; the gain and the
// exposure also have a slider).
enum class EImageSetField {
    Red,        // colour reconstruction gains, hundredths
    Green,
    Blue,
    Threshold,  // binarization
    Hue,
    Brightness,
    Saturation,
    Contrast,
    Sharpness,
    Gamma,
    GlobalGain, // camera register
    Exposure,   // camera register, in lines
    Count,
};

// The check boxes (Interlace and Auto Iris are shown disabled, as the camera has no
// use for them).
enum class EImageSetCheck { Bayer, Binarization, Interlace, AutoIris };

struct CImageSetRange {
    int nMin = 0;
    int nMax = 0;
};

// What the controls show when the dialog opens.
struct CImageSetStart {
    int nValues[static_cast<int>(EImageSetField::Count)] = {};
    CImageSetRange ranges[static_cast<int>(EImageSetField::Count)];
    int nInterlace = 0; // shown only
    bool bBayer = false;
    bool bBinarization = false;
    bool bInterlace = false;
    bool bAutoIris = false;
    int nBayerMode = 0;
    int nAutoIrisMode = 0;

    int Value(EImageSetField field) const { return nValues[static_cast<int>(field)]; }
    const CImageSetRange& Range(EImageSetField field) const { return ranges[static_cast<int>(field)]; }
};

// Used on the user-interface thread only; the settings are shared with the display
// thread through their lock, the camera is written by a writer thread.
class CImageSetRules {
public:
    // The settings and the camera must outlive the rules.
    CImageSetRules(CSharedSettings& settings, CCameraDevice& camera);

    // Opening: remembers what CANCEL puts back and answers what the controls show. The
    // gain and exposure are read from the camera (0 without one); their ranges are the
    // camera's, widened to take the value read.
    CImageSetStart Open();

    // A field's edit now holds nValue. Red, Green, Blue: the colour gain becomes
    // nValue / 100 unless that is zero. Threshold and Gamma: taken unless zero. Hue,
    // Brightness, Saturation, Contrast, Sharpness: taken. Gain and exposure go to the
    // camera (an exposure of zero does not). Values outside the field's range (those of
    // Open for gain and exposure) are brought into it first.
    void OnFieldChanged(EImageSetField field, int nValue);
    void OnCheckChanged(EImageSetCheck check, bool bTicked);
    // Bayer arrangement 0..3, automatic exposure mode (0 gain, 1 exposure).
    void OnBayerMode(int nMode);
    void OnAutoIrisMode(int nMode);

    // OK with the Red, Green and Blue edits' numbers: the colour gains become them / 100
    // (zero included). The camera has every value sent when it returns.
    void Accept(int nRed, int nGreen, int nBlue);
    // CANCEL: the colour gains, Bayer, interlace, binarization and automatic exposure
    // settings of the opening come back; hue, brightness, saturation, contrast,
    // sharpness, gamma and the camera's gain and exposure stay as last set.
    void Reject();
    // Waits until the camera has every gain and exposure sent so far.
    void FlushCamera() { m_Writer.Flush(); }

private:
    // The settings CANCEL restores.
    struct CSaved {
        double m_BayerR = 1.0;
        double m_BayerG = 1.0;
        double m_BayerB = 1.0;
        int m_BayerFlg = 0;
        int m_BayerMode = 0;
        int m_InterlaceFlg = 0;
        int m_Interlace = 0;
        int m_BinaryFlg = 0;
        int m_Binary = 0;
        int m_AutoIrisFlg = 0;
        int m_AutoIrisMode = 0;
    };

    CSharedSettings& m_Settings;
    CCameraDevice& m_Camera;
    CExposureCameraOf<CCameraDevice> m_CameraAccess;
    CCameraGainWriter m_Writer; // after the access it writes through
    CSaved m_Saved;
    CImageSetRange m_GainRange;
    CImageSetRange m_ExposureRange;
};
