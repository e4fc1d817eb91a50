#include "RunLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

#include "Paths.h"

namespace {

// Profiles are chosen without regard to case, so "Daily" and "daily" share one lock.
QString lockFile(const QString& profile)
{
    const QByteArray hash
        = QCryptographicHash::hash(profile.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
    return Paths::baseFolder() + QStringLiteral("/locks/") + QString::fromLatin1(hash)
           + QStringLiteral(".lock");
}

} // namespace

RunLock::RunLock(const QString& profile)
    : m_lock(std::make_unique<QLockFile>(lockFile(profile)))
{
    m_lock->setStaleLockTime(0);
}

RunLock::~RunLock() = default;

bool RunLock::tryAcquire()
{
    QDir().mkpath(Paths::baseFolder() + QStringLiteral("/locks"));
    return m_lock->isLocked() || m_lock->tryLock(0);
}
