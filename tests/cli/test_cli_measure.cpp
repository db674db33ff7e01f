// vexilo-cli measure: measurement lines in, the results list's rows out.
#include "app/cli/cli_commands.h"
#include "app/files/bmp_writer.h"
#include "app/files/picture_loader.h"
#include "app/imaging/dib_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CliMeasure : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo-measure-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Folder);
        fs::create_directories(m_Folder);
        // Entry 0: 2 cm over 200 pixels, 0.01 cm per pixel; entry 1: 0.5 mm per pixel.
        std::ofstream(m_Folder / "Vexilo.ini", std::ios::binary)
            << "[CALIBRATION]\r\nlength.x_0=2\r\nlength.y_0=2\r\nname_1=Objective\r\nlength.x_1=100\r\n"
               "length.y_1=100\r\nunit_1=1\r\n";
        CDibImage picture;
        ASSERT_TRUE(picture.Create(640, 480, 24));
        ASSERT_TRUE(WriteBmp(picture, Path("picture.bmp").c_str()));
    }
    void TearDown() override { fs::remove_all(m_Folder); }

    std::string Path(const char* szName) const { return (m_Folder / szName).string(); }

    // Runs the measurement lines through the command; out gets what it printed.
    int Measure(const std::string& lines, std::string& out, std::string& err, int nCalib = 0, bool bJapanese = false,
                const char* szPicture = "picture.bmp")
    {
        std::ofstream(m_Folder / "lines.txt", std::ios::binary) << lines;
        CMeasureOptions options;
        options.szSettingsFolder = m_Folder.string();
        options.nCalib = nCalib;
        options.bJapanese = bJapanese;
        options.szPicture = Path(szPicture);
        options.szInput = Path("lines.txt");
        std::FILE* pOut = std::tmpfile();
        std::FILE* pErr = std::tmpfile();
        const int nStatus = RunMeasure(options, CCliOutput{pOut, pErr, stdin});
        out = ReadBack(pOut);
        err = ReadBack(pErr);
        return nStatus;
    }

    static std::string ReadBack(std::FILE* pFile)
    {
        std::string text;
        std::rewind(pFile);
        for (int c; (c = std::fgetc(pFile)) != EOF;)
            text.push_back(static_cast<char>(c));
        std::fclose(pFile);
        return text;
    }

    fs::path m_Folder;
};

} // namespace

TEST_F(CliMeasure, EveryToolPrintsItsRowsNumberedFromZero)
{
    std::string out, err;
    ASSERT_EQ(Measure("# a comment, then a blank line\n\n"
                      "line 0 0 0 100\n"
                      "area 0 0 10 0 10 10 0 10\n"
                      "circle 0 10 10 0 20 10\n"
                      "circle2 0 10 10 0 20 10 100 110 110 100 120 110\r\n"
                      "sui 0 0 100 0 50 30 70 -20\n"
                      "angle 100 0 0 0 0 100",
                      out, err),
              CLI_OK)
        << err;
    EXPECT_EQ(out, "0\tLength\t1.00\tcm\n"
                   "1\tPolygon area\t0.01\tcm2\n"
                   "2\tCircle diameter\t0.20\tcm\n"
                   "3\tCircle diameter\t0.20\tcm\n"
                   "4\tCircle diameter\t0.20\tcm\n"
                   "5\tCircle distance\t1.41\tcm\n"
                   "6\tLength\t0.30\tcm\n"
                   "7\tLength\t0.20\tcm\n"
                   "8\tAngle\t90.0\tdegree\n");

    ASSERT_EQ(Measure("line 0 0 0 100\nangle 100 0 0 0 0 100\n", out, err, 1, true), CLI_OK) << err;
    EXPECT_EQ(out, "0\t二点間距離\t50.000\tmm\n1\t角度\t90.0\t°\n");

    // A negative zero is zero: the arm straight down from the vertex makes 90 degrees.
    ASSERT_EQ(Measure("angle 100 0 0 0 -0 30\nangle -0.0e3 30 0 0 100 0\n", out, err), CLI_OK) << err;
    EXPECT_EQ(out, "0\tAngle\t90.0\tdegree\n1\tAngle\t90.0\tdegree\n");
}

TEST_F(CliMeasure, TheFillIsBoundedByThePicture)
{
    std::string out, err;
    // A square half outside the picture's left edge counts its pixels inside only.
    ASSERT_EQ(Measure("area -50 0 49 0 49 49 -50 49\n", out, err), CLI_OK) << err;
    EXPECT_EQ(out, "0\tPolygon area\t0.25\tcm2\n"); // 50 x 50 of its 100 x 50 pixels, 0.0001 cm2 each
}

TEST_F(CliMeasure, BadLinesAndPicturesSayWhat)
{
    std::string out, err;
    EXPECT_EQ(Measure("line 0 0 1 1\nrectangle 0 0 1 1\n", out, err), CLI_USAGE);
    EXPECT_EQ(out, "") << "nothing is printed when a line is bad";
    EXPECT_NE(err.find("line 2: unknown type \"rectangle\""), std::string::npos) << err;
    EXPECT_EQ(Measure("circle 0 0 1 1\n", out, err), CLI_USAGE);
    EXPECT_NE(err.find("line 1: circle takes 3 points"), std::string::npos) << err;
    EXPECT_EQ(Measure("sui 0 0 1 1\n", out, err), CLI_USAGE);
    EXPECT_EQ(Measure("angle 0 0 1 1 2\n", out, err), CLI_USAGE) << "an odd coordinate count";
    EXPECT_EQ(Measure("\n\nline 0 0 1 1,5\n", out, err), CLI_USAGE);
    EXPECT_NE(err.find("line 3: \"1,5\" is not a number"), std::string::npos) << err;
    EXPECT_EQ(Measure("line 0 0 inf 1\n", out, err), CLI_USAGE);
    EXPECT_EQ(Measure("line 0 0 +-1 1\n", out, err), CLI_USAGE) << "one sign only";
    EXPECT_NE(err.find("line 1: \"+-1\" is not a number"), std::string::npos) << err;
    EXPECT_EQ(Measure("line 0 0 1 1\n", out, err, 0, false, "missing.bmp"), CLI_FAILURE);
    EXPECT_NE(err.find("cannot load"), std::string::npos);
    EXPECT_EQ(Measure("line 0 0 1 1\n", out, err, 10), CLI_USAGE) << "entries are 0 to 9";
}

TEST_F(CliMeasure, CsvAppendsThePrintedRows)
{
    std::ofstream(m_Folder / "lines.txt", std::ios::binary) << "line 0 0 0 100\nangle 100 0 0 0 0 100\n";
    CMeasureOptions options;
    options.szSettingsFolder = m_Folder.string();
    options.szPicture = Path("picture.bmp");
    options.szInput = Path("lines.txt");
    options.szCsv = Path("results.csv");
    auto run = [&](std::string& out, std::string& err) {
        std::FILE* pOut = std::tmpfile();
        std::FILE* pErr = std::tmpfile();
        const int nStatus = RunMeasure(options, CCliOutput{pOut, pErr, stdin});
        out = ReadBack(pOut);
        err = ReadBack(pErr);
        return nStatus;
    };
    std::string out, err;
    ASSERT_EQ(run(out, err), CLI_OK) << err;
    ASSERT_EQ(run(out, err), CLI_OK) << err;
    EXPECT_EQ(out, "0\tLength\t1.00\tcm\n1\tAngle\t90.0\tdegree\n") << "the printed rows are unchanged";
    const std::string szExport = "No.,Type,Result,Unit\r\n0,Length,1.00,cm\r\n1,Angle,90.0,degree\r\n";
    std::ifstream csv(Path("results.csv"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(csv), {}), szExport + szExport);

    // A CSV that cannot be written fails after the rows were printed.
    options.szCsv = Path("no-such-folder/results.csv");
    EXPECT_EQ(run(out, err), CLI_FAILURE);
    EXPECT_EQ(out, "0\tLength\t1.00\tcm\n1\tAngle\t90.0\tdegree\n");
    EXPECT_NE(err.find("vexilo-cli: cannot write " + options.szCsv), std::string::npos) << err;
}

TEST_F(CliMeasure, DrawWritesThePictureWithItsMeasurements)
{
    // Red lines, the scale bar visible: 1 cm (100 pixels) ending at (600, 400).
    std::ofstream(m_Folder / "Vexilo.ini", std::ios::binary)
        << "[Vexilo]\r\ncolor.line=255\r\nm_ScaleData.Visible=1\r\nm_ScaleData.Pos.x=600\r\nm_ScaleData.Pos.y=400\r\n"
           "m_ScaleData.Size.cx=1\r\n[CALIBRATION]\r\nlength.x_0=2\r\nlength.y_0=2\r\n";
    std::ofstream(m_Folder / "lines.txt", std::ios::binary) << "line 10 20 110 20\n";
    CMeasureOptions options;
    options.szSettingsFolder = m_Folder.string();
    options.szPicture = Path("picture.bmp");
    options.szInput = Path("lines.txt");
    std::FILE* pOut = std::tmpfile();
    options.szDraw = Path("drawn.bmp");
    ASSERT_EQ(RunMeasure(options, CCliOutput{pOut, stderr, stdin}), CLI_OK);
    options.szDraw = Path("drawn.JPG");
    ASSERT_EQ(RunMeasure(options, CCliOutput{pOut, stderr, stdin}), CLI_OK);
    std::fclose(pOut);

    CDibImage drawn;
    ASSERT_TRUE(LoadPicture(drawn, Path("drawn.bmp").c_str()));
    const auto Red = [&drawn](int x, int y) {
        const BYTE* p = drawn.Bits() + (drawn.Height() - 1 - y) * drawn.Stride() + 3 * x;
        return p[0] == 0 && p[1] == 0 && p[2] == 255;
    };
    EXPECT_TRUE(Red(10, 20) && Red(109, 20) && !Red(110, 20) && !Red(10, 21)) << "the line";
    EXPECT_TRUE(Red(500, 400) && Red(599, 400) && !Red(499, 400)) << "the scale bar";
    std::ifstream jpeg(Path("drawn.JPG"), std::ios::binary);
    EXPECT_EQ(jpeg.get(), 0xFF);
    EXPECT_EQ(jpeg.get(), 0xD8);

    // Another kind of file is refused before anything is done.
    options.szDraw = Path("drawn.png");
    pOut = std::tmpfile();
    std::FILE* pErr = std::tmpfile();
    EXPECT_EQ(RunMeasure(options, CCliOutput{pOut, pErr, stdin}), CLI_USAGE);
    EXPECT_EQ(ReadBack(pOut), "");
    EXPECT_NE(ReadBack(pErr).find("--draw writes a .bmp, .jpg or .jpeg file"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("drawn.png")));
}
