// The image setting dialog's rules on the simulated camera: what each field does at
// once, OK and CANCEL, and the writer that takes gain and exposure to the camera.
#include "app/dialogs/core/image_set_rules.h"
#include "app/shell/core/camera_backend.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

constexpr int REG_GLOBAL_GAIN = 0x35;
constexpr int REG_EXPOSURE = 0x09;

class ImageSetRules : public ::testing::Test {
protected:
    ImageSetRules() : m_Backend(ECameraBackendKind::Simulated), m_Camera(m_Backend.Devices()) {}

    int Register(int nRegister)
    {
        WORD wValue = 0;
        EXPECT_TRUE(m_Camera.ReadRegister(nRegister, &wValue));
        return wValue;
    }

    CCameraBackend m_Backend;
    CCameraDevice m_Camera;
    CSharedSettings m_Settings;
};

// A camera whose writes wait until released, recording what arrives.
class CHeldCamera : public CExposureCamera {
public:
    int GetGlobalGain() override { return 0; }
    BOOL GetExposure(WORD* pLines) override { return *pLines = 0, FALSE; }
    BOOL SetGlobalGain(int nGain) override { return Record('g', nGain); }
    BOOL SetExposure(int nLines) override { return Record('e', nLines); }

    void Release()
    {
        std::lock_guard lock(m_Mutex);
        m_bReleased = true;
        m_Changed.notify_all();
    }
    // Waits until nCount writes have begun.
    void AwaitWrites(std::size_t nCount)
    {
        std::unique_lock lock(m_Mutex);
        m_Changed.wait(lock, [&] { return m_Writes.size() >= nCount; });
    }
    std::vector<std::pair<char, int>> Writes()
    {
        std::lock_guard lock(m_Mutex);
        return m_Writes;
    }

private:
    BOOL Record(char cKind, int nValue)
    {
        std::unique_lock lock(m_Mutex);
        m_Writes.emplace_back(cKind, nValue);
        m_Changed.notify_all();
        m_Changed.wait(lock, [this] { return m_bReleased; });
        return TRUE;
    }

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<std::pair<char, int>> m_Writes;
    bool m_bReleased = false;
};

} // namespace

TEST_F(ImageSetRules, FieldsActAtOnceAsEachOnesRuleSays)
{
    m_Settings.Update([](CViewerSettings& s) { s.m_BayerR = 1.25; });
    CImageSetRules rules(m_Settings, m_Camera);
    const CImageSetStart start = rules.Open();
    EXPECT_EQ(start.Value(EImageSetField::Red), 125);
    EXPECT_EQ(start.Value(EImageSetField::Gamma), 100);

    // Zero leaves a colour gain, the threshold and gamma alone; hue takes it.
    rules.OnFieldChanged(EImageSetField::Hue, 30);
    for (EImageSetField field :
         {EImageSetField::Red, EImageSetField::Threshold, EImageSetField::Gamma, EImageSetField::Hue})
        rules.OnFieldChanged(field, 0);
    CViewerSettings s = m_Settings.Snapshot();
    EXPECT_EQ(s.m_BayerR, 1.25);
    EXPECT_EQ(s.m_Binary, 128);
    EXPECT_EQ(s.Gamma, 100);
    EXPECT_EQ(s.m_HLS.H, 0);

    // Values beyond a field's range come in at its end.
    rules.OnFieldChanged(EImageSetField::Blue, 150);
    rules.OnFieldChanged(EImageSetField::Saturation, -999);
    rules.OnFieldChanged(EImageSetField::Sharpness, 31);
    rules.OnCheckChanged(EImageSetCheck::Bayer, true);
    rules.OnBayerMode(2);
    rules.OnBayerMode(4);
    s = m_Settings.Snapshot();
    EXPECT_EQ(s.m_BayerB, 1.5);
    EXPECT_EQ(s.m_HLS.S, -255);
    EXPECT_EQ(s.m_HLS.SP, 30);
    EXPECT_EQ(s.m_BayerFlg, 1);
    EXPECT_EQ(s.m_BayerMode, 2);

    // OK takes the colour edits as they are, zero included.
    rules.Accept(0, 100, 150);
    s = m_Settings.Snapshot();
    EXPECT_EQ(s.m_BayerR, 0.0);
    EXPECT_EQ(s.m_BayerG, 1.0);
}

TEST_F(ImageSetRules, CancelRestoresTheReconstructionButKeepsTheTones)
{
    CImageSetRules rules(m_Settings, m_Camera);
    rules.Open();
    rules.OnBayerMode(3);
    rules.OnFieldChanged(EImageSetField::Green, 50);
    rules.OnCheckChanged(EImageSetCheck::Binarization, true);
    rules.OnFieldChanged(EImageSetField::Hue, -40);
    rules.OnFieldChanged(EImageSetField::Gamma, 150);
    rules.Reject();
    const CViewerSettings s = m_Settings.Snapshot();
    EXPECT_EQ(s.m_BayerMode, 0);
    EXPECT_EQ(s.m_BayerG, 1.0);
    EXPECT_EQ(s.m_BinaryFlg, 0);
    EXPECT_EQ(s.m_HLS.H, -40);
    EXPECT_EQ(s.Gamma, 150);
}

TEST_F(ImageSetRules, GainAndExposureGoToTheCameraRegistersWithinTheirRanges)
{
    CImageSetRules rules(m_Settings, m_Camera);
    const CImageSetStart start = rules.Open();
    EXPECT_EQ(start.Value(EImageSetField::GlobalGain), Register(REG_GLOBAL_GAIN));
    EXPECT_EQ(start.Range(EImageSetField::Exposure).nMax, 502);

    rules.OnFieldChanged(EImageSetField::GlobalGain, 40);
    rules.OnFieldChanged(EImageSetField::Exposure, 300);
    rules.FlushCamera();
    EXPECT_EQ(Register(REG_GLOBAL_GAIN), 40);
    EXPECT_EQ(Register(REG_EXPOSURE), 300);
    // Zero exposure is not sent; values beyond the camera's range are not sent as typed.
    rules.OnFieldChanged(EImageSetField::Exposure, 0);
    rules.OnFieldChanged(EImageSetField::GlobalGain, 200);
    rules.FlushCamera();
    EXPECT_EQ(Register(REG_EXPOSURE), 300);
    EXPECT_EQ(Register(REG_GLOBAL_GAIN), 127);
    // The stored settings keep their values: the next live start writes them again.
    EXPECT_EQ(m_Settings.Snapshot().GlovalGain, 32);
}

TEST(ImageSetRulesWithoutCamera, OpensWithZeroAndChangesNothing)
{
    CCameraBackend none(ECameraBackendKind::None);
    CCameraDevice camera(none.Devices());
    CSharedSettings settings;
    CImageSetRules rules(settings, camera);
    const CImageSetStart start = rules.Open();
    EXPECT_EQ(start.Value(EImageSetField::GlobalGain), 0);
    EXPECT_EQ(start.Value(EImageSetField::Exposure), 0);
    EXPECT_EQ(start.Range(EImageSetField::Exposure).nMin, 0); // the spin can show it
    rules.OnFieldChanged(EImageSetField::GlobalGain, 40);
    rules.FlushCamera();
    EXPECT_EQ(camera.GetGlobalGain(), 0);
}

TEST(CameraGainWriter, SendsTheNewestValueOfEachKindAndFlushesOnTheWayOut)
{
    CHeldCamera camera;
    {
        CCameraGainWriter writer(camera);
        writer.PostGlobalGain(1);
        camera.AwaitWrites(1); // the first write is under way and held
        for (int n = 2; n <= 50; ++n)
            writer.PostGlobalGain(n);
        writer.PostExposure(7);
        writer.PostExposure(8);
        camera.Release();
        writer.Flush();
        EXPECT_EQ(camera.Writes(), (std::vector<std::pair<char, int>>{{'g', 1}, {'g', 50}, {'e', 8}}));
        writer.PostExposure(9);
    }
    EXPECT_EQ(camera.Writes().back(), std::make_pair('e', 9)) << "pending values go out before the end";
}
