#include "app/dialogs/core/camera_gain_writer.h"

#include "platform/log.h"

CCameraGainWriter::CCameraGainWriter(CExposureCamera& camera)
    : m_Camera(camera), m_Thread([this] { WriterThread(); })
{
}

CCameraGainWriter::~CCameraGainWriter()
{
    {
        std::lock_guard lock(m_Mutex);
        m_bStop = true;
    }
    m_Changed.notify_all();
    m_Thread.join();
}

void CCameraGainWriter::PostGlobalGain(int nGain)
{
    {
        std::lock_guard lock(m_Mutex);
        m_nGain = nGain;
    }
    m_Changed.notify_all();
}

void CCameraGainWriter::PostExposure(int nLines)
{
    {
        std::lock_guard lock(m_Mutex);
        m_nExposure = nLines;
    }
    m_Changed.notify_all();
}

void CCameraGainWriter::Flush()
{
    std::unique_lock lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_nGain && !m_nExposure && !m_bWriting; });
}

void CCameraGainWriter::WriterThread()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_nGain || m_nExposure || m_bStop; });
        if (!m_nGain && !m_nExposure)
            return; // stopping, nothing left to send
        const bool bGain = m_nGain.has_value();
        const int nValue = bGain ? *m_nGain : *m_nExposure;
        (bGain ? m_nGain : m_nExposure).reset();
        m_bWriting = true;
        lock.unlock();
        const BOOL bSent = bGain ? m_Camera.SetGlobalGain(nValue) : m_Camera.SetExposure(nValue);
        if (!bSent)
            LogLine(ELogCategory::Camera, "the %s of %d was not written to the camera", bGain ? "global gain" : "exposure",
                    nValue);
        lock.lock();
        m_bWriting = false;
        m_Changed.notify_all();
    }
}
