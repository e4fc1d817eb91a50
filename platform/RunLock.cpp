#include "RunLock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "Paths.h"

namespace {

QString lockPath(const QString& prefix, const QString& key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return Paths::baseFolder() + QStringLiteral("/locks/") + prefix + QString::fromLatin1(hash)
           + QStringLiteral(".lock");
}

// Profiles are chosen without regard to case, so "Daily" and "daily" share one lock.
QString lockFile(const QString& profile) { return lockPath({}, profile.toLower()); }

// One drive under any of its names: a link to a device, or another spelling of an image's path.
QString driveKey(const QString& address)
{
    const bool file = address.startsWith(QStringLiteral("stdio:"));
    const QString path = file ? address.mid(6) : address;
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    return (file ? QStringLiteral("stdio:") : QString())
           + (real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real);
}

bool takeLock(QLockFile& lock, int waitMs)
{
    QDir().mkpath(Paths::baseFolder() + QStringLiteral("/locks"));
    return lock.isLocked() || lock.tryLock(waitMs);
}

} // namespace

RunLock::RunLock(const QString& profile)
    : m_lock(std::make_unique<QLockFile>(lockFile(profile)))
{
    m_lock->setStaleLockTime(0);
}

RunLock::~RunLock() = default;

bool RunLock::tryAcquire(int waitMs) { return takeLock(*m_lock, waitMs); }

DriveLock::DriveLock(const QString& address)
    : m_lock(std::make_unique<QLockFile>(lockPath(QStringLiteral("drive-"), driveKey(address))))
{
    m_lock->setStaleLockTime(0);
}

DriveLock::~DriveLock() = default;

bool DriveLock::acquire(int waitMs, const std::function<bool()>& pause)
{
    const QDeadlineTimer deadline(waitMs);
    while (!takeLock(*m_lock, 0)) {
        if (deadline.hasExpired() || !pause())
            return false;
    }
    return true;
}

bool DriveLock::isHeld() const { return m_lock->isLocked(); }
