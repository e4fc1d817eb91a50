#include "SingleInstance.h"

#include <QDir>
#include <QLockFile>

#include "Paths.h"

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    QDir().mkpath(Paths::baseFolder());
    m_lock = std::make_unique<QLockFile>(Paths::baseFolder() + QStringLiteral("/quillaro.lock"));
    // A lock left by a crashed instance is taken over: QLockFile checks the owner process.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}
