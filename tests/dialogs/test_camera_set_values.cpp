#include "app/dialogs/core/camera_set_values.h"

#include "app/camera/camera_device.h"
#include "app/res/ui_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CameraSetFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo-camera-set-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Folder);
        fs::create_directories(m_Folder);
    }
    void TearDown() override { fs::remove_all(m_Folder); }

    std::string File() const { return (m_Folder / "camera.ini").string(); }
    void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
    std::string Read() const
    {
        std::stringstream text;
        text << std::ifstream(File(), std::ios::binary).rdbuf();
        return text.str();
    }

    fs::path m_Folder;
};

const CCameraSetValues kValues{700, 500, 320, 240, 16, 8, 5, 20, 1};

} // namespace

TEST_F(CameraSetFileTest, LoadTakesEachKeyFromTheLastModelSectionHoldingIt)
{
    // File order does not count, the model order does: Vardin comes after Talvik.
    Write("[Vardin]\nEH=640\n[Talvik]\nEH=320\nEV=200\ntimer=9\n[Vexilo]\nEVS=99\n[quenta]\nTH=800\n");
    CCameraSetValues values = kValues;
    ASSERT_TRUE(LoadCameraSetFile(File().c_str(), values));
    CCameraSetValues expected = kValues;
    expected.EH = 640;
    expected.EV = 200;
    expected.TH = 800; // section names are compared without case
    EXPECT_EQ(values, expected) << "keys in no model section, timer and section \"Vexilo\" stay out";
}

TEST_F(CameraSetFileTest, SaveWritesTheSixKeysInOrderWhichLoadDoesNotReadBack)
{
    ASSERT_TRUE(SaveCameraSetFile(File().c_str(), kValues));
    EXPECT_EQ(Read(), "[Vexilo]\r\nTH=700\r\nTV=500\r\nEH=320\r\nEV=240\r\nEHS=16\r\nEVS=8\r\n");
    CCameraSetValues values = CCameraSetValues::From(CViewerSettings{});
    const CCameraSetValues before = values;
    ASSERT_TRUE(LoadCameraSetFile(File().c_str(), values));
    EXPECT_EQ(values, before);

    // Saving into a model file keeps its sections: it loads as before.
    Write("[Talvik]\nEH=320\n");
    ASSERT_TRUE(SaveCameraSetFile(File().c_str(), CCameraSetValues{}));
    ASSERT_TRUE(LoadCameraSetFile(File().c_str(), values));
    EXPECT_EQ(values.EH, 320);
}

TEST_F(CameraSetFileTest, FilesThatCannotBeReachedFailAndChangeNothing)
{
    const std::string missing = (m_Folder / "no-folder" / "camera.ini").string();
    EXPECT_FALSE(SaveCameraSetFile(missing.c_str(), kValues));
    CCameraSetValues values = kValues;
    EXPECT_FALSE(LoadCameraSetFile(missing.c_str(), values));
    EXPECT_EQ(values, kValues);
}

TEST(CaptureWindowCheck, AgreesWithTheCameraAndNamesTheFault)
{
    // The camera library decides what the sensor takes; the check must say the same.
    CDeviceNamespace noDevices;
    CCameraDevice camera(noDevices);
    const auto CameraTakes = [&camera](const CCameraSetValues& v) {
        return camera.SetCaptureWindow(v.EHS, v.EVS, v.EH, v.EV, 0) != CAM_ERR_BAD_WINDOW;
    };
    ECaptureWindowFault fault = ECaptureWindowFault::None;
    for (int nStart : {-1, 0, 1, 320, 636, 637}) {
        for (int nSize : {2, 3, 4, 5, 320, 479, 480, 481, 639, 640, 641}) {
            CCameraSetValues across{0, 0, nSize, 480, nStart, 0};
            EXPECT_EQ(CheckCaptureWindow(across, fault), CameraTakes(across)) << nStart << " + " << nSize;
            CCameraSetValues down{0, 0, 640, nSize, 0, nStart};
            EXPECT_EQ(CheckCaptureWindow(down, fault), CameraTakes(down)) << nStart << " + " << nSize;
        }
    }

    const std::pair<CCameraSetValues, ECaptureWindowFault> cases[] = {
        {{0, 0, 640, 480, -1, -1}, ECaptureWindowFault::NegativeX},
        {{0, 0, 3, 2, 0, 0}, ECaptureWindowFault::TooNarrow},
        {{0, 0, 640, 480, 1, 0}, ECaptureWindowFault::BeyondRight},
        {{0, 0, INT_MAX, 480, INT_MAX, 0}, ECaptureWindowFault::BeyondRight}, // no wrap-around
        {{0, 0, 640, 480, 0, -1}, ECaptureWindowFault::NegativeY},
        {{0, 0, 4, 2, 0, 0}, ECaptureWindowFault::TooLow},
        {{0, 0, 4, 3, 636, 478}, ECaptureWindowFault::BeyondBottom},
        {{0, 0, 4, 3, 636, 477}, ECaptureWindowFault::None},
    };
    for (const auto& [window, expected] : cases) {
        CheckCaptureWindow(window, fault);
        EXPECT_EQ(fault, expected) << window.EHS << "," << window.EVS << " " << window.EH << "x" << window.EV;
    }
    EXPECT_EQ(CaptureWindowFaultText(ECaptureWindowFault::BeyondRight),
              "The camera cannot use this window: H Start + H Effective must be 640 or less.");
    g_bJapanese = 1;
    const std::string japanese = CaptureWindowFaultText(ECaptureWindowFault::TooLow);
    EXPECT_NE(japanese.find("有効垂直画素は3以上"), std::string::npos) << japanese;
    g_bJapanese = 0;
}

TEST(CameraSetField, DigitOnlyFieldsTakeNoSignOthersTakeAnyInt)
{
    int nValue = 7;
    EXPECT_TRUE(ParseCameraSetField(" 42 ", true, nValue));
    EXPECT_EQ(nValue, 42);
    for (const char* szRefused : {"", " ", "-5", "+5", "12a", "1.5", "0x10", "2147483648", "１２"})
        EXPECT_FALSE(ParseCameraSetField(szRefused, true, nValue)) << szRefused;
    EXPECT_EQ(nValue, 42) << "a refused text leaves the value";

    EXPECT_TRUE(ParseCameraSetField("-2147483648", false, nValue));
    EXPECT_EQ(nValue, INT_MIN);
    EXPECT_TRUE(ParseCameraSetField("+7", false, nValue));
    EXPECT_EQ(nValue, 7);
    for (const char* szRefused : {"-", "--5", "- 5", "-2147483649", "5-"})
        EXPECT_FALSE(ParseCameraSetField(szRefused, false, nValue)) << szRefused;
}
