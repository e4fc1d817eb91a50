#pragma once

#include <functional>
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

// Keeps two runs from writing one disc drive at once, whichever process starts them: a run
// holds the lock of its drive from reading the disc until its session is written. The drive
// is named by its address; "stdio:" addresses by the file they write.
class DriveLock
{
    Q_DISABLE_COPY(DriveLock)
public:
    explicit DriveLock(const QString& address);
    ~DriveLock();

    // Tries for the lock until it is held, waitMs have passed, or pause() (run between tries,
    // about a quarter of a second each) returns false.
    [[nodiscard]] bool acquire(int waitMs, const std::function<bool()>& pause);
    [[nodiscard]] bool isHeld() const;

private:
    std::unique_ptr<QLockFile> m_lock;
};
