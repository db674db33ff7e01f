#include "platform/program_folder.h"

#include "platform/log.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

std::string ProgramFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !exe.has_parent_path())
        return ".";
    return exe.parent_path().string();
}

std::string UserConfigFolder()
{
    const char* szConfig = std::getenv("XDG_CONFIG_HOME");
    if (szConfig != nullptr && szConfig[0] == '/')
        return std::string(szConfig) + "/Vexilo";
    const char* szHome = std::getenv("HOME");
    return std::string(szHome != nullptr ? szHome : "") + "/.config/Vexilo";
}

bool IsWritableFolder(const std::string& szFolder)
{
    std::error_code error;
    return std::filesystem::is_directory(szFolder, error) && ::access(szFolder.c_str(), W_OK | X_OK) == 0;
}

bool MakeFolders(const std::string& szFolder)
{
    std::error_code error;
    std::filesystem::create_directories(szFolder, error);
    std::error_code checkError;
    if (std::filesystem::is_directory(szFolder, checkError))
        return true;
    LogLine(ELogCategory::Files, "cannot create the folder %s: %s", szFolder.c_str(), error.message().c_str());
    return false;
}
