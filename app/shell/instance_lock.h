// Keeps one Vexilo running per user session: a lock file "Vexilo.lock" in the user's
// runtime folder, taken over when the instance that held it has died.
#pragma once

#include <QLockFile>
#include <QString>

class CInstanceLock {
public:
    // The lock file: $XDG_RUNTIME_DIR/Vexilo.lock, else Vexilo-<user id>.lock in the
    // temporary folder.
    static QString DefaultPath();

    explicit CInstanceLock(const QString& path = DefaultPath());

    // True when this process now holds the lock (released when the object goes).
    bool TryAcquire();

private:
    QLockFile m_Lock;
};
