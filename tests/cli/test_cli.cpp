#include "app/cli/cli_commands.h"

#include "driver/usb_camera_ids.h"
#include "simcam/sim_scene.h"
#include "tests/libusb_standin/standin_usb_bus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Captures what a command prints.
class CCapturedOutput {
public:
    CCapturedOutput() : m_pOut(std::tmpfile()), m_pErr(std::tmpfile()) {}
    ~CCapturedOutput()
    {
        std::fclose(m_pOut);
        std::fclose(m_pErr);
    }
    CCliOutput Output() const { return CCliOutput{m_pOut, m_pErr}; }
    std::string Out() const { return Read(m_pOut); }
    std::string Err() const { return Read(m_pErr); }

private:
    static std::string Read(std::FILE* pFile)
    {
        std::fflush(pFile);
        std::rewind(pFile);
        std::string text;
        for (int c; (c = std::fgetc(pFile)) != EOF;)
            text.push_back(static_cast<char>(c));
        return text;
    }
    std::FILE* m_pOut;
    std::FILE* m_pErr;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() /
                   ("vexilo-cli-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Folder);
        fs::create_directories(m_Folder);
    }
    void TearDown() override { fs::remove_all(m_Folder); }

    void WriteSettings(const std::string& text) const { std::ofstream(m_Folder / "Vexilo.ini", std::ios::binary) << text; }
    std::string Path(const char* szName) const { return (m_Folder / szName).string(); }

    int Grab(const char* szOutput, bool bRaw, CCapturedOutput& captured) const
    {
        CGrabOptions options;
        options.cameras = ECameraBackendKind::Simulated;
        options.szSettingsFolder = m_Folder.string();
        options.nFrames = 1;
        options.bRaw = bRaw;
        options.szOutput = Path(szOutput);
        return RunGrab(options, captured.Output());
    }

    fs::path m_Folder;
};

} // namespace

TEST_F(CliTest, GrabAndProcessGiveTheSamePictureForTheSameFrame)
{
    WriteSettings("[Vexilo]\r\nm_BayerFlg=1\r\nm_BayerMode=0\r\nGamma=120\r\nm_HLS.C=20\r\nm_HLS.SP=10\r\nm_HLS.H=15\r\n");
    CCapturedOutput grabbed, raw, processed;
    ASSERT_EQ(Grab("grabbed.bmp", false, grabbed), CLI_OK) << grabbed.Err();
    EXPECT_EQ(grabbed.Out().rfind("frames=1 fps=", 0), 0u) << grabbed.Out();
    EXPECT_NE(grabbed.Out().find(" process_ms="), std::string::npos);
    // The simulated camera's first frame is the same in every run.
    ASSERT_EQ(Grab("raw.bmp", true, raw), CLI_OK) << raw.Err();
    ASSERT_EQ(RunProcess(m_Folder.string(), Path("raw.bmp"), Path("processed.bmp"), processed.Output()), CLI_OK)
        << processed.Err();
    const std::string grabbedBytes = ReadFile(m_Folder / "grabbed.bmp");
    EXPECT_EQ(grabbedBytes.size(), 54u + 640 * 3 * 480) << "a 24-bit colour picture";
    EXPECT_TRUE(grabbedBytes == ReadFile(m_Folder / "processed.bmp"));
    EXPECT_EQ(ReadFile(m_Folder / "raw.bmp").size(), 1078u + 640 * 480) << "the raw mosaic is 8-bit";

    CCapturedOutput jpeg;
    ASSERT_EQ(RunProcess(m_Folder.string(), Path("raw.bmp"), Path("processed.JPG"), jpeg.Output()), CLI_OK);
    EXPECT_EQ(ReadFile(m_Folder / "processed.JPG").substr(0, 2), "\xFF\xD8");
    EXPECT_FALSE(fs::exists(m_Folder / "bmp")) << "the tool creates no picture folder";
}

TEST_F(CliTest, InfoListsThePresentCameras)
{
    CCapturedOutput sim, none;
    ASSERT_EQ(RunInfo(ECameraBackendKind::Simulated, sim.Output()), CLI_OK);
    EXPECT_EQ(sim.Out(), "Vexilo Version 1.510\ncameras: sim\n0 \\\\.\\Lorvidex07-0\n");
    ASSERT_EQ(RunInfo(ECameraBackendKind::None, none.Output()), CLI_OK);
    EXPECT_EQ(none.Out(), "Vexilo Version 1.510\ncameras: none\n");
}

// A blank board with the camera's default ids, seen through the libusb back end over the
// libusb stand-in (linked into this test instead of libusb).
TEST_F(CliTest, InfoLeavesABlankDeviceNobodyChoseAloneAndSaysWhyWhileUsbTakesIt)
{
    ::unsetenv(USB_VENDOR_ID_VARIABLE);
    ::unsetenv(USB_PRODUCT_ID_VARIABLE);
    CStandinUsbBus usb;
    STANDIN_DEVICE_OPTIONS options;
    options.Camera.bPaced = false;
    options.Camera.pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
    options.nVendorId = USB_CAMERA_DEFAULT_VENDOR_ID;
    options.nProductId = USB_CAMERA_DEFAULT_PRODUCT_ID;
    const unsigned nPort = usb.Plug(options);

    CCapturedOutput automatic;
    ASSERT_EQ(RunInfo(ECameraBackendKind::Automatic, automatic.Output()), CLI_OK);
    const std::string szAutomatic = automatic.Out();
    EXPECT_EQ(szAutomatic.rfind("Vexilo Version 1.510\ncameras: none\nnot taken: 04b4:8613 on bus 1 address ", 0), 0u)
        << szAutomatic;
    EXPECT_NE(szAutomatic.find("--camera usb, or its ids in VEXILO_USB_VID and VEXILO_USB_PID, take it"),
              std::string::npos)
        << szAutomatic;
    EXPECT_EQ(usb.Camera(nPort).GetStats().nFirmwareRecords, 0u) << "no firmware into a device nobody chose";

    CCapturedOutput chosen;
    ASSERT_EQ(RunInfo(ECameraBackendKind::Usb, chosen.Output()), CLI_OK);
    EXPECT_EQ(chosen.Out(), "Vexilo Version 1.510\ncameras: usb\n0 \\\\.\\Lorvidex07-0\n");
    EXPECT_GT(usb.Camera(nPort).GetStats().nFirmwareRecords, 0u) << "--camera usb takes it";
    EXPECT_TRUE(usb.TakeMisuses().empty());
}

TEST_F(CliTest, FailuresSayWhatWentWrong)
{
    CCapturedOutput noCamera;
    CGrabOptions options;
    options.szSettingsFolder = m_Folder.string();
    options.szOutput = Path("x.bmp");
    EXPECT_EQ(RunGrab(options, noCamera.Output()), CLI_FAILURE);
    EXPECT_EQ(noCamera.Err(), "vexilo-cli: no camera found\n");

    CCapturedOutput missing;
    EXPECT_EQ(RunProcess(m_Folder.string(), Path("nothing.bmp"), Path("out.bmp"), missing.Output()), CLI_FAILURE);
    EXPECT_NE(missing.Err().find("cannot read"), std::string::npos);

    CCapturedOutput colourGrab, colourInput;
    WriteSettings("[Vexilo]\r\nm_BayerFlg=1\r\n");
    ASSERT_EQ(Grab("colour.bmp", false, colourGrab), CLI_OK);
    EXPECT_EQ(RunProcess(m_Folder.string(), Path("colour.bmp"), Path("out.bmp"), colourInput.Output()), CLI_FAILURE);
    EXPECT_NE(colourInput.Err().find("not an 8-bit raw mosaic"), std::string::npos);

    CCapturedOutput unwritable;
    const std::string nowhere = Path("no-such-folder/out.jpg");
    EXPECT_EQ(RunJpeg(Path("colour.bmp"), nowhere, unwritable.Output()), CLI_FAILURE);
    EXPECT_EQ(unwritable.Err(), "vexilo-cli: cannot write " + nowhere + "\n");
    EXPECT_FALSE(fs::exists(m_Folder / "no-such-folder"));

    CCapturedOutput jpeg;
    ASSERT_EQ(RunJpeg(Path("colour.bmp"), Path("colour.jpg"), jpeg.Output()), CLI_OK);
    EXPECT_EQ(ReadFile(m_Folder / "colour.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(RunJpeg(Path("nothing.bmp"), Path("x.jpg"), jpeg.Output()), CLI_FAILURE);
    EXPECT_FALSE(fs::exists(m_Folder / "x.jpg"));
}

TEST(CliProgram, UsageErrorsExitWithOne)
{
    const std::string program = VEXILO_CLI_BINARY;
    auto exitStatus = [&](const std::string& arguments) {
        const int nStatus = std::system((program + " " + arguments + " 2>/dev/null >/dev/null").c_str());
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    };
    EXPECT_EQ(exitStatus(""), CLI_USAGE);
    EXPECT_EQ(exitStatus("dance"), CLI_USAGE);
    EXPECT_EQ(exitStatus("grab --camera sim"), CLI_USAGE) << "no output file";
    EXPECT_EQ(exitStatus("grab --camera sim --frames 0 -o x.bmp"), CLI_USAGE);
    EXPECT_EQ(exitStatus("info --camera floppy"), CLI_USAGE);
    EXPECT_EQ(exitStatus("process onlyone.bmp"), CLI_USAGE);
    EXPECT_EQ(exitStatus("jpeg a b --wat"), CLI_USAGE);
    EXPECT_EQ(exitStatus("info"), CLI_OK);
}
