// The main window's settings as the UI thread and the display thread share them.
#pragma once

#include "app/shell/core/viewer_settings.h"

#include <mutex>

// The UI thread reads and changes the settings (the setting dialogs, WB, the settings
// file); the display thread reads the processing settings once per frame and writes
// the white-balance gains and request it served. Every access takes the lock, held only
// for the copy or the change itself: Read and Update run the caller's function under it.
class CSharedSettings {
public:
    CSharedSettings() = default;
    explicit CSharedSettings(const CViewerSettings& settings) : m_Settings(settings) {}
    CSharedSettings(const CSharedSettings&) = delete;
    CSharedSettings& operator=(const CSharedSettings&) = delete;

    // A copy of all settings (allocates for the strings: not for the display thread).
    CViewerSettings Snapshot() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Settings;
    }

    // What fnRead answers of the settings.
    template <typename Function>
    auto Read(Function fnRead) const
    {
        std::lock_guard lock(m_Mutex);
        return fnRead(static_cast<const CViewerSettings&>(m_Settings));
    }

    // Lets fnChange change the settings.
    template <typename Function>
    void Update(Function fnChange)
    {
        std::lock_guard lock(m_Mutex);
        fnChange(m_Settings);
    }

private:
    mutable std::mutex m_Mutex; // guards m_Settings; UI thread and display thread
    CViewerSettings m_Settings;
};
