// CCameraGainWriter: sends the global gain and the exposure the user sets to the camera
// from a thread of its own, so that dragging a slider never waits for the camera.
#pragma once

#include "app/imaging/exposure_control.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// Values are posted from the user-interface thread; the writer sends the newest of each
// kind (the gain before the exposure when both wait) and drops values overtaken before
// they were sent: a slider drag ends at its last position. A failed write (no camera) is
// logged and dropped. The destructor sends what is still pending, then ends the thread.
class CCameraGainWriter {
public:
    // The camera must outlive the writer.
    explicit CCameraGainWriter(CExposureCamera& camera);
    ~CCameraGainWriter();
    CCameraGainWriter(const CCameraGainWriter&) = delete;
    CCameraGainWriter& operator=(const CCameraGainWriter&) = delete;

    void PostGlobalGain(int nGain);
    void PostExposure(int nLines);
    // Waits until everything posted so far has been sent.
    void Flush();

private:
    void WriterThread();

    CExposureCamera& m_Camera;
    // Guards the pending values and the flags; the UI thread posts, the writer takes.
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::optional<int> m_nGain;
    std::optional<int> m_nExposure;
    bool m_bWriting = false;  // the writer is sending a value it took
    bool m_bStop = false;
    std::thread m_Thread; // last: starts once the members above exist
};
