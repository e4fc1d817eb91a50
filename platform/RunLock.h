#pragma once

#include <functional>
#include <memory>

#include <QString>

class FileLock;

// Keeps two runs of one profile from overlapping, whichever process starts them: a run holds
// the lock of its profile while it runs. The system lets go of the lock of a process that died,
// so what such a process left, whole or cut short, is taken over.
class RunLock
{
    Q_DISABLE_COPY(RunLock)
public:
    explicit RunLock(const QString& profile);
    ~RunLock();

    // A load's clean-up holds the lock only for a moment, so a run waits that long for it.
    static constexpr int kBriefHoldMs = 5000;

    // True when this object now holds the profile's lock; false when another process still
    // holds it after waitMs.
    [[nodiscard]] bool tryAcquire(int waitMs = 0);

private:
    std::unique_ptr<FileLock> m_lock;
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
    std::unique_ptr<FileLock> m_lock;
};
