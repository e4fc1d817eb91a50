#include "ExtractTarget.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QRandomGenerator>
#include <QStringList>

namespace ExtractTarget {

namespace {

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString systemText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Links a restore made: they come from an archive, so they never lead a later write anywhere.
QMutex g_madeMutex;
QSet<QPair<quint64, quint64>> g_madeLinks;

QPair<quint64, quint64> identity(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// A link already in the target is followed when the user or root made it (a home or documents
// folder moved to another disk); one made by a restore or owned by another user is not.
bool trustedLink(int dir, const QByteArray& name)
{
    struct stat st { };
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode))
        return false;
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return false;
    const QMutexLocker lock(&g_madeMutex);
    return !g_madeLinks.contains(identity(st));
}

// Opens one folder level below dir, following only a trusted link; a file in its place is
// refused, a missing level is created.
int openLevel(int dir, const QByteArray& name, bool create)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(dir, name.constData(), flags);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(dir, name.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        fd = ::openat(dir, name.constData(), flags);
    }
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && trustedLink(dir, name))
        fd = ::openat(dir, name.constData(), flags & ~O_NOFOLLOW);
    return fd;
}

// The folder that holds the last part of relative, opened level by level; -1 on failure.
int openParent(const QString& folder, const QStringList& parts, bool create, QString* error)
{
    // The folder itself is the user's choice: it may be a link, and is created when missing.
    const QByteArray root = QFile::encodeName(folder);
    int dir = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 && errno == ENOENT && create && QDir().mkpath(folder))
        dir = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        fail(error, QStringLiteral("cannot open folder ") + folder + QStringLiteral(": ")
                        + systemText(errno));
        return -1;
    }
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int next = openLevel(dir, QFile::encodeName(parts.at(i)), create);
        const int code = errno;
        ::close(dir);
        if (next < 0) {
            const QString shown = QStringList(parts.mid(0, i + 1)).join(QLatin1Char('/'));
            fail(error, (code == ELOOP || code == ENOTDIR
                             ? QStringLiteral("not a folder (a file, or a link not made by you "
                                              "or root, is in the way): ")
                             : QStringLiteral("cannot create folder: "))
                            + folder + QLatin1Char('/') + shown);
            return -1;
        }
        dir = next;
    }
    return dir;
}

QStringList partsOf(const QString& relative) { return relative.split(QLatin1Char('/')); }

} // namespace

QString relativePath(const QString& storedName)
{
    const QString name = QString(storedName).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return {};
    QStringList kept;
    for (const QString& part : name.split(QLatin1Char('/'))) {
        if (part == QStringLiteral(".."))
            return {};
        if (!part.isEmpty() && part != QStringLiteral("."))
            kept.append(part);
    }
    return kept.join(QLatin1Char('/'));
}

bool existsBelow(const QString& folder, const QString& relative)
{
    struct stat st { };
    return ::lstat(QFile::encodeName(folder + QLatin1Char('/') + relative).constData(), &st) == 0;
}

bool makeFolders(const QString& folder, const QString& relative, QString* error)
{
    QStringList parts = partsOf(relative);
    parts.append(QStringLiteral(".")); // every named level is a folder to open
    const int dir = openParent(folder, parts, true, error);
    if (dir < 0)
        return false;
    ::close(dir);
    return true;
}

bool linkStaysInside(const QString& relative, const QString& target)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('/')))
        return false;
    QStringList place = partsOf(relative);
    place.removeLast(); // the link's own folder
    for (const QString& part : target.split(QLatin1Char('/'))) {
        if (part == QStringLiteral("..")) {
            if (place.isEmpty())
                return false;
            place.removeLast();
        } else if (!part.isEmpty() && part != QStringLiteral(".")) {
            place.append(part);
        }
    }
    return true;
}

bool makeLink(const QString& folder, const QString& relative, const QString& target,
              QString* error)
{
    const QStringList parts = partsOf(relative);
    const int dir = openParent(folder, parts, true, error);
    if (dir < 0)
        return false;
    const QByteArray name = QFile::encodeName(parts.last());
    const QByteArray temp = "." + name.left(200) + ".link"
        + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    struct stat st { };
    bool ok = ::symlinkat(QFile::encodeName(target).constData(), dir, temp.constData()) == 0;
    if (ok && ::fstatat(dir, temp.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        const QMutexLocker lock(&g_madeMutex);
        g_madeLinks.insert(identity(st));
    }
    ok = ok && ::renameat(dir, temp.constData(), dir, name.constData()) == 0;
    const int code = errno;
    if (!ok)
        ::unlinkat(dir, temp.constData(), 0);
    ::close(dir);
    return ok || fail(error, QStringLiteral("cannot make the link ") + folder + QLatin1Char('/')
                                 + relative + QStringLiteral(": ") + systemText(code));
}

FileWriter::~FileWriter() { discard(); }

void FileWriter::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_dir >= 0 && !m_temp.isEmpty())
        ::unlinkat(m_dir, m_temp.constData(), 0);
    if (m_dir >= 0)
        ::close(m_dir);
    m_fd = -1;
    m_dir = -1;
    m_temp.clear();
}

bool FileWriter::open(const QString& folder, const QString& relative, QString* error)
{
    discard();
    const QStringList parts = partsOf(relative);
    m_dir = openParent(folder, parts, true, error);
    if (m_dir < 0)
        return false;
    m_name = QFile::encodeName(parts.last());
    m_shown = folder + QLatin1Char('/') + relative;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = "." + m_name.left(200) + ".part"
            + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        m_fd = ::openat(m_dir, m_temp.constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd >= 0)
        return true;
    const QString message = systemText(errno);
    m_temp.clear();
    discard();
    return fail(error, QStringLiteral("cannot write ") + m_shown + QStringLiteral(": ") + message);
}

bool FileWriter::write(const char* data, qint64 length, QString* error)
{
    while (length > 0) {
        const ssize_t done = ::write(m_fd, data, static_cast<size_t>(length));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            const QString message = systemText(done < 0 ? errno : ENOSPC);
            discard();
            return fail(error,
                        QStringLiteral("cannot write ") + m_shown + QStringLiteral(": ") + message);
        }
        data += done;
        length -= done;
    }
    return true;
}

bool FileWriter::commit(mode_t mode, const QDateTime& modified, QString* error)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = static_cast<time_t>(modified.toSecsSinceEpoch());
    times[1].tv_nsec = 0;
    bool ok = ::fchmod(m_fd, mode) == 0 && (!modified.isValid() || ::futimens(m_fd, times) == 0);
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    if (ok && ::renameat(m_dir, m_temp.constData(), m_dir, m_name.constData()) == 0) {
        m_temp.clear();
        discard();
        return true;
    }
    const QString message = systemText(errno);
    discard();
    return fail(error, QStringLiteral("cannot write ") + m_shown + QStringLiteral(": ") + message);
}

} // namespace ExtractTarget
