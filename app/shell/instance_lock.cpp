#include "app/shell/instance_lock.h"

#include <QDir>

QString CInstanceLock::DefaultPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("Vexilo.lock"));
}

CInstanceLock::CInstanceLock(const QString& path) : m_Lock(path)
{
    // A lock is stale only when its owner process is gone, never by age:
    // an instance may run for days.
    m_Lock.setStaleLockTime(0);
}

bool CInstanceLock::TryAcquire()
{
    return m_Lock.tryLock(0);
}
