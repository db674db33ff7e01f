// Vexilo.ini: where it lives, and reading and writing the main window's
// settings, the calibration table and the window placement.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/shell/core/viewer_settings.h"

#include <string>

// The settings folder: szOption (--settings) when given, else $VEXILO_SETTINGS,
// else the program's folder when it is writable, else the per-user folder
// ($XDG_CONFIG_HOME/Vexilo, created when missing).
std::string ResolveSettingsFolder(const std::string& szOption);

class CSettingsFile {
public:
    explicit CSettingsFile(std::string szFolder);

    const std::string& Folder() const { return m_szFolder; }
    std::string IniPath() const;
    // The picture folder used while "savedir" is empty: "bmp" in the settings folder.
    std::string DefaultPictureFolder() const;

    // Creates the "bmp" folder (unless told not to) and reads every key of the main
    // section with the current values as defaults (but "m_WB_Flg", "m_Bai" and
    // "m_IOWdata", which default to 0, 1, 0), the picture folder, and the calibration
    // entries with their fixed defaults. A missing file or key leaves the defaults;
    // nothing fails.
    void Load(CViewerSettings& settings, CCalibList& calibList, bool bCreatePictureFolder = true) const;

    // The stored window rectangle and maximised state; rcCurrent stands in for
    // missing keys.
    CWindowPlacement LoadPlacement(const RECT& rcCurrent) const;

    // Writes the main section in its fixed key order followed by the placement,
    // keeping every other line of the file (the calibration section among them) as
    // it is. The file is replaced as a whole. false when it could not be written or
    // when an existing file could not be read (it is then left untouched).
    bool Save(const CViewerSettings& settings, const CWindowPlacement& placement) const;

private:
    std::string m_szFolder;
};
