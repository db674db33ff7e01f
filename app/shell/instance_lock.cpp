#include "app/shell/instance_lock.h"

#include <QDir>

#include <unistd.h>

QString CInstanceLock::DefaultPath()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!folder.isEmpty() && QDir(folder).exists())
        return QDir(folder).filePath(QStringLiteral("Vexilo.lock"));
    // The temporary folder is shared by every user: one user's Vexilo must not keep
    // another's from starting, so the name carries the user id.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("Vexilo-%1.lock").arg(::getuid()));
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
