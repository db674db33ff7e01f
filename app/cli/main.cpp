// vexilo-cli: the camera, the processing chain and the picture files without a window.
#include "app/cli/cli_commands.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: vexilo-cli info [--camera usb|sim|none]\n"
    "       vexilo-cli grab [--camera usb|sim|none] [--settings DIR] [--frames N] [--raw] -o FILE\n"
    "       vexilo-cli process [--settings DIR] IN OUT\n"
    "       vexilo-cli jpeg IN OUT\n"
    "       vexilo-cli measure [--settings DIR] [--calib N] [--lang en|ja] [--csv FILE] [--draw OUT]\n"
    "                          PICTURE [FILE|-]\n"
    "       vexilo-cli thumbnails DIR\n";

int Usage(const char* szProblem)
{
    std::fprintf(stderr, "vexilo-cli: %s\n%s", szProblem, kUsage);
    return CLI_USAGE;
}

// Options and positional arguments of one command.
struct CArguments {
    std::string szCamera;
    std::string szSettings;
    std::string szOutput;
    std::string szFrames;
    std::string szCalib;
    std::string szLang;
    std::string szCsv;
    std::string szDraw;
    bool bRaw = false;
    std::vector<std::string> positional;
};

// Parses argv[2..]; false with a message for an unknown option or a missing value.
bool Parse(int argc, char* argv[], CArguments& args, std::string& szProblem)
{
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* pValue = nullptr;
        if (arg == "--camera")
            pValue = &args.szCamera;
        else if (arg == "--settings")
            pValue = &args.szSettings;
        else if (arg == "-o")
            pValue = &args.szOutput;
        else if (arg == "--frames")
            pValue = &args.szFrames;
        else if (arg == "--calib")
            pValue = &args.szCalib;
        else if (arg == "--lang")
            pValue = &args.szLang;
        else if (arg == "--csv")
            pValue = &args.szCsv;
        else if (arg == "--draw")
            pValue = &args.szDraw;
        else if (arg == "--raw") {
            args.bRaw = true;
            continue;
        } else if (arg.size() > 1 && arg[0] == '-') {
            szProblem = "unknown option " + arg;
            return false;
        } else {
            args.positional.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) {
            szProblem = arg + " needs a value";
            return false;
        }
        *pValue = argv[++i];
    }
    return true;
}

bool CameraKindOf(const CArguments& args, ECameraBackendKind& kind)
{
    std::string szName = args.szCamera;
    if (szName.empty()) {
        const char* szEnvironment = std::getenv("VEXILO_CAMERA");
        szName = szEnvironment != nullptr ? szEnvironment : "";
    }
    return ParseCameraBackend(szName, kind);
}

} // namespace

int main(int argc, char* argv[])
{
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2)
        return Usage("no command");
    const std::string command = argv[1];
    CArguments args;
    std::string szProblem;
    if (!Parse(argc, argv, args, szProblem))
        return Usage(szProblem.c_str());
    const CCliOutput out;

    if (command == "info") {
        ECameraBackendKind kind;
        if (!args.positional.empty() || !CameraKindOf(args, kind))
            return Usage("info takes --camera usb|sim|none only");
        return RunInfo(kind, out);
    }
    if (command == "grab") {
        CGrabOptions options;
        if (!args.positional.empty() || args.szOutput.empty())
            return Usage("grab needs -o FILE and no other arguments");
        if (!CameraKindOf(args, options.cameras))
            return Usage("unknown camera kind");
        if (!args.szFrames.empty()) {
            char* pEnd = nullptr;
            const long nFrames = std::strtol(args.szFrames.c_str(), &pEnd, 10);
            if (*pEnd != '\0' || nFrames < 1 || nFrames > 1000000)
                return Usage("--frames needs a number from 1 up");
            options.nFrames = static_cast<int>(nFrames);
        }
        options.szSettingsFolder = args.szSettings;
        options.bRaw = args.bRaw;
        options.szOutput = args.szOutput;
        return RunGrab(options, out);
    }
    if (command == "process") {
        if (args.positional.size() != 2 || !args.szCamera.empty() || !args.szOutput.empty() || args.bRaw)
            return Usage("process takes [--settings DIR] IN OUT");
        return RunProcess(args.szSettings, args.positional[0], args.positional[1], out);
    }
    if (command == "jpeg") {
        if (args.positional.size() != 2 || !args.szSettings.empty() || !args.szCamera.empty() || !args.szOutput.empty())
            return Usage("jpeg takes IN OUT");
        return RunJpeg(args.positional[0], args.positional[1], out);
    }
    if (command == "measure") {
        CMeasureOptions options;
        if (args.positional.empty() || args.positional.size() > 2 || !args.szCamera.empty() ||
            !args.szOutput.empty() || args.bRaw || !args.szFrames.empty())
            return Usage("measure takes [--settings DIR] [--calib N] [--lang en|ja] [--csv FILE] [--draw OUT] PICTURE "
                         "[FILE|-]");
        if (!args.szCalib.empty()) {
            char* pEnd = nullptr;
            const long nCalib = std::strtol(args.szCalib.c_str(), &pEnd, 10);
            if (*pEnd != '\0' || nCalib < 0 || nCalib > 9)
                return Usage("--calib takes an entry from 0 to 9");
            options.nCalib = static_cast<int>(nCalib);
        }
        if (!args.szLang.empty() && args.szLang != "en" && args.szLang != "ja")
            return Usage("--lang takes en or ja");
        options.bJapanese = args.szLang == "ja";
        options.szSettingsFolder = args.szSettings;
        options.szPicture = args.positional[0];
        options.szInput = args.positional.size() > 1 ? args.positional[1] : "-";
        options.szCsv = args.szCsv;
        options.szDraw = args.szDraw;
        return RunMeasure(options, out);
    }
    if (command == "thumbnails") {
        if (args.positional.size() != 1 || !args.szSettings.empty() || !args.szCamera.empty() ||
            !args.szOutput.empty() || args.bRaw || !args.szFrames.empty() || !args.szCalib.empty() ||
            !args.szLang.empty() || !args.szCsv.empty() || !args.szDraw.empty())
            return Usage("thumbnails takes DIR");
        return RunThumbnails(args.positional[0], out);
    }
    return Usage(("unknown command " + command).c_str());
}
