#include "app/shell/core/settings_file.h"

#include "platform/profile.h"
#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kMainKeys[] = {
    "type", "resize", "color.text", "color.line", "TH", "TV", "EH", "EV", "EHS", "EVS", "timer", "BufSize", "Clock",
    "Gamma", "GlovalGain", "ColorGainG1", "ColorGainR", "ColorGainB", "ColorGainG2", "Shutter", "m_WB_R", "m_WB_G",
    "m_WB_B", "m_WB_Flg", "m_Bai", "m_Bai_X", "m_Bai_Y", "savedir", "m_BayerR", "m_BayerG", "m_BayerB",
    "m_BayerFlg", "m_InterlaceFlg", "m_Interlace", "m_BinaryFlg", "m_Binary", "m_BayerMode", "m_RGBFlg",
    "m_YUVFlg", "m_LOGFlg", "m_AutoIrisFlg", "m_AutoIrisMode", "m_IOWdata", "m_HLS.H", "m_HLS.L", "m_HLS.S",
    "m_HLS.C", "m_HLS.SP", "m_ScaleData.Visible", "m_ScaleData.Type", "m_ScaleData.Pos.x", "m_ScaleData.Pos.y",
    "m_ScaleData.Size.cx", "m_ScaleData.Size.cy", "m_ScaleData.Scale.x", "m_ScaleData.Scalexy", "Window_Max",
    "Window_Left", "Window_Right", "Window_Top", "Window_Bottom",
};

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo-settings-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Folder);
        fs::create_directories(m_Folder);
    }
    void TearDown() override { fs::remove_all(m_Folder); }

    std::string Ini() const { return (m_Folder / "Vexilo.ini").string(); }
    void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
    std::string ReadIni() const
    {
        std::ifstream in(Ini(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Value(const char* szSection, const char* szKey) const
    {
        char szValue[512];
        GetPrivateProfileStringA(szSection, szKey, "<missing>", szValue, sizeof szValue, Ini().c_str());
        return szValue;
    }

    fs::path m_Folder;
};

} // namespace

TEST_F(SettingsFileTest, FirstStartGivesDefaultsAndExitWritesEveryKeyInOrder)
{
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    file.Load(settings, calib);
    EXPECT_EQ(settings.EH, 640);
    EXPECT_EQ(settings.EV, 480);
    EXPECT_EQ(settings.m_Bai, 1);
    EXPECT_EQ(settings.Gamma, 100);
    EXPECT_EQ(settings.GlovalGain, 32);
    EXPECT_EQ(settings.Shutter, 512);
    EXPECT_EQ(settings.m_szSaveDir, (m_Folder / "bmp").string());
    EXPECT_TRUE(fs::is_directory(m_Folder / "bmp"));
    EXPECT_STREQ(calib[4].m_szName, "Data5");
    EXPECT_DOUBLE_EQ(calib[4].m_dRight, 200.0);

    CWindowPlacement placement;
    placement.rcNormal = RECT{10, 20, 910, 720};
    ASSERT_TRUE(file.Save(settings, placement));
    const std::string text = ReadIni();
    EXPECT_EQ(text.rfind("[Vexilo]\r\ntype=1\r\nresize=3\r\ncolor.text=16776960\r\n", 0), 0u) << text;
    std::size_t nPrevious = 0;
    for (const char* szKey : kMainKeys) {
        const std::size_t nAt = text.find(std::string("\n") + szKey + "=");
        ASSERT_NE(nAt, std::string::npos) << szKey;
        EXPECT_GT(nAt, nPrevious) << szKey << " out of order";
        nPrevious = nAt;
    }
    EXPECT_EQ(Value("Vexilo", "m_BayerR"), "1.000000");
    EXPECT_EQ(Value("Vexilo", "Window_Right"), "910");
    EXPECT_EQ(Value("Vexilo", "savedir"), (m_Folder / "bmp").string());
    EXPECT_EQ(text.find("CALIBRATION"), std::string::npos) << "the calibration section is never written";
}

TEST_F(SettingsFileTest, ReadRulesOfTheKeys)
{
    WriteIni("[Vexilo]\r\nGlovalGain=300\r\nShutter=70000\r\nsavedir=\r\nm_Bai=4\r\nGamma=abc\r\n"
             "m_BayerG=2.5e1xyz\r\nEH=800 ; wide\r\n");
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    settings.m_WB_Flg = 1;  // deleted from the file: reads 0, not the current value
    settings.m_IOWdata = 9;
    settings.EV = 123;      // missing key: the current value stays
    CCalibList calib = MakeDefaultCalibList();
    file.Load(settings, calib);
    EXPECT_EQ(settings.GlovalGain, 44) << "300 keeps its low 8 bits";
    EXPECT_EQ(settings.Shutter, 70000 % 65536);
    EXPECT_EQ(settings.m_szSaveDir, (m_Folder / "bmp").string()) << "an empty savedir is like a missing one";
    EXPECT_EQ(settings.m_Bai, 4);
    EXPECT_EQ(settings.Gamma, 0) << "a present non-number reads 0";
    EXPECT_DOUBLE_EQ(settings.m_BayerG, 25.0);
    EXPECT_EQ(settings.EH, 800);
    EXPECT_EQ(settings.EV, 123);
    EXPECT_EQ(settings.m_WB_Flg, 0);
    EXPECT_EQ(settings.m_IOWdata, 0);
}

TEST_F(SettingsFileTest, ReadsAFileAsThePlatformWritesIt)
{
    WriteIni("[vexilo]\r\nGLOVALGAIN = 40\r\n  m_hls.h =  -12  \r\nM_BAYERR=1.250000\r\nSaveDir = /data/pictures\r\n"
             "[Calibration]\r\nNAME_2=Objective 10x\r\nunit_2=2\r\nlength.x_2=100.000000\r\nright_2=400.000000\r\n");
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    file.Load(settings, calib);
    EXPECT_EQ(settings.GlovalGain, 40);
    EXPECT_EQ(settings.m_HLS.H, -12);
    EXPECT_DOUBLE_EQ(settings.m_BayerR, 1.25);
    EXPECT_EQ(settings.m_szSaveDir, "/data/pictures");
    EXPECT_STREQ(calib[2].m_szName, "Objective 10x");
    EXPECT_EQ(calib[2].m_nUnit, 2);
    EXPECT_DOUBLE_EQ(calib[2].m_dLengthX, 100.0);
    EXPECT_DOUBLE_EQ(calib[2].m_dRight, 400.0);
    EXPECT_STREQ(calib[3].m_szName, "Data4");
}

TEST_F(SettingsFileTest, CalibrationSectionAndForeignLinesSurviveAnExit)
{
    const std::string calibSection = "[CALIBRATION]\r\n; objective table\r\nname_0=Low\r\nmpp.x_0 = 0.010000\r\n\r\n";
    WriteIni("[Vexilo]\r\nGamma=120\r\nfuture_key=keep me\r\n" + calibSection);
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    file.Load(settings, calib);
    calib[0].m_dLengthX = 99.0; // a change at run time is never written
    std::snprintf(calib[0].m_szName, sizeof calib[0].m_szName, "Changed");
    settings.Gamma = 150;
    ASSERT_TRUE(file.Save(settings, CWindowPlacement{}));
    const std::string text = ReadIni();
    EXPECT_NE(text.find(calibSection), std::string::npos) << text;
    EXPECT_EQ(Value("Vexilo", "Gamma"), "150");
    EXPECT_EQ(Value("Vexilo", "future_key"), "keep me");
}

TEST_F(SettingsFileTest, NumbersUseADecimalPointInAnyLocale)
{
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    settings.m_Bai_X = -12.5;
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    ASSERT_TRUE(file.Save(settings, CWindowPlacement{}));
    CViewerSettings reread;
    CCalibList calib = MakeDefaultCalibList();
    file.Load(reread, calib);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(Value("Vexilo", "m_Bai_X"), "-12.500000");
    EXPECT_DOUBLE_EQ(reread.m_Bai_X, -12.5);
}

TEST_F(SettingsFileTest, PictureFolderWithALineBreakCannotInjectKeys)
{
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    settings.m_szSaveDir = "/tmp/x\r\nGamma=1";
    settings.Gamma = 77;
    ASSERT_TRUE(file.Save(settings, CWindowPlacement{}));
    EXPECT_EQ(Value("Vexilo", "Gamma"), "77");
    EXPECT_EQ(Value("Vexilo", "savedir"), "<missing>");
}

TEST_F(SettingsFileTest, UnreachableFolderGivesDefaultsAndFailsQuietly)
{
    CViewerSettings settings;
    CCalibList calib = MakeDefaultCalibList();
    fs::permissions(m_Folder, fs::perms::owner_read | fs::perms::owner_exec);
    const CSettingsFile readOnly(m_Folder.string());
    readOnly.Load(settings, calib);
    EXPECT_EQ(settings.Gamma, 100);
    if (::geteuid() != 0) {
        EXPECT_FALSE(readOnly.Save(settings, CWindowPlacement{}));
    }
    fs::permissions(m_Folder, fs::perms::owner_all);

    const CSettingsFile nowhere("/proc/vexilo-no-such-folder");
    nowhere.Load(settings, calib);
    EXPECT_EQ(settings.EH, 640);
    EXPECT_FALSE(nowhere.Save(settings, CWindowPlacement{}));
}

TEST_F(SettingsFileTest, KillingTheWriterNeverLeavesAHalfFile)
{
    const CSettingsFile file(m_Folder.string());
    CViewerSettings settings;
    ASSERT_TRUE(file.Save(settings, CWindowPlacement{}));
    for (int nRound = 0; nRound < 12; ++nRound) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CViewerSettings changing;
            for (int i = 0;; ++i) {
                changing.Gamma = i;
                file.Save(changing, CWindowPlacement{});
            }
        }
        ::usleep(2000 + nRound * 1500);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string text = ReadIni();
        for (const char* szKey : kMainKeys)
            ASSERT_NE(text.find(std::string("\n") + szKey + "="), std::string::npos) << szKey << " in round " << nRound;
        ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}

TEST(SettingsFolder, OptionThenEnvironmentThenProgramFolder)
{
    EXPECT_EQ(ResolveSettingsFolder("/some/where"), "/some/where");
    ::setenv("VEXILO_SETTINGS", "/from/environment", 1);
    EXPECT_EQ(ResolveSettingsFolder(""), "/from/environment");
    EXPECT_EQ(ResolveSettingsFolder("/option/wins"), "/option/wins");
    ::unsetenv("VEXILO_SETTINGS");
    // The test program's own folder is writable here.
    EXPECT_EQ(ResolveSettingsFolder(""), ProgramFolder());
}
