#pragma once

#include <memory>

#include <QString>

class QLockFile;

// Keeps two runs of one profile from overlapping, whichever process starts them: a run holds
// the lock of its profile while it runs. A lock left by a process that died is taken over.
class RunLock
{
    Q_DISABLE_COPY(RunLock)
public:
    explicit RunLock(const QString& profile);
    ~RunLock();

    // True when this object now holds the profile's lock; false when another run does.
    [[nodiscard]] bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
