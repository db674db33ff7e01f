// Folders the program keeps its files in: its own folder and the per-user one.
#pragma once

#include <string>

// Folder of the running executable (from /proc/self/exe), without a trailing '/';
// "." when it cannot be found.
std::string ProgramFolder();

// $XDG_CONFIG_HOME/Vexilo, else ~/.config/Vexilo (not created here).
std::string UserConfigFolder();

// True when files can be created in the folder.
bool IsWritableFolder(const std::string& szFolder);

// Creates the folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& szFolder);
