#include "RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include "Paths.h"

// A lock file held by flock() on it: the system lets go when the holder ends in any way, so
// no file left behind (by a crash, or a power cut that left it empty) ever blocks. Nothing in
// the file is needed to decide who holds it, so it is not synced; it names the holder in the
// form a lock of older builds reads, so that they see it as the lock of a process too.
class FileLock
{
public:
    explicit FileLock(QString path)
        : m_path(std::move(path))
    {
    }
    ~FileLock() { release(); }

    bool isHeld() const { return m_fd >= 0; }

    bool tryOnce()
    {
        if (m_fd >= 0)
            return true;
        const QByteArray path = QFile::encodeName(m_path);
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0)
            return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !stillNamed(fd, path)) {
            ::close(fd);
            return false;
        }
        m_fd = fd;
        nameHolder();
        return true;
    }

    bool tryFor(int waitMs)
    {
        const QDeadlineTimer deadline(waitMs);
        while (!tryOnce()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(50);
        }
        return true;
    }

private:
    // A holder removes the file before letting go: a file opened just before that is no
    // longer the lock, and whoever locked it tries again.
    static bool stillNamed(int fd, const QByteArray& path)
    {
        struct stat held = {};
        struct stat named = {};
        return ::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0
               && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    }

    void nameHolder() const
    {
        const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                                + QCoreApplication::applicationName().toUtf8() + '\n'
                                + QSysInfo::machineHostName().toUtf8() + '\n';
        if (::ftruncate(m_fd, 0) == 0)
            (void)!::pwrite(m_fd, text.constData(), size_t(text.size()), 0);
    }

    void release()
    {
        if (m_fd < 0)
            return;
        ::unlink(QFile::encodeName(m_path).constData());
        ::close(m_fd);
        m_fd = -1;
    }

    QString m_path;
    int m_fd = -1;
};

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

void makeLockFolder() { QDir().mkpath(Paths::baseFolder() + QStringLiteral("/locks")); }

} // namespace

RunLock::RunLock(const QString& profile)
    : m_lock(std::make_unique<FileLock>(lockFile(profile)))
{
}

RunLock::~RunLock() = default;

bool RunLock::tryAcquire(int waitMs)
{
    if (m_lock->isHeld())
        return true;
    makeLockFolder();
    return m_lock->tryFor(waitMs);
}

DriveLock::DriveLock(const QString& address)
    : m_lock(std::make_unique<FileLock>(lockPath(QStringLiteral("drive-"), driveKey(address))))
{
}

DriveLock::~DriveLock() = default;

bool DriveLock::acquire(int waitMs, const std::function<bool()>& pause)
{
    const QDeadlineTimer deadline(waitMs);
    makeLockFolder();
    while (!m_lock->tryOnce()) {
        if (deadline.hasExpired() || !pause())
            return false;
    }
    return true;
}

bool DriveLock::isHeld() const { return m_lock->isHeld(); }
