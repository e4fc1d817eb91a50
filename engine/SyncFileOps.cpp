#include "SyncFileOps.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "QEV_ErrorLog.h"

namespace SyncFileOps {
namespace {

using Stat = struct stat;

int errNoOf(int posixError)
{
    switch (posixError) {
    case ENOENT:
    case ENOTDIR:
        return ErrNo::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrNo::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return ErrNo::DiskFull;
    case EEXIST:
    case EISDIR:
    case ENOTEMPTY:
        return ErrNo::PathFileAccess;
    default:
        return ErrNo::DeviceIO;
    }
}

bool fail(Failure* failure, const QString& what, int posixError)
{
    if (failure)
        *failure = {what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(posixError)),
                    errNoOf(posixError)};
    return false;
}

qint64 nanoseconds(const struct timespec& t)
{
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FolderEntry entryOf(const QString& name, const Stat& st)
{
    FolderEntry e;
    e.name = name;
    e.kind = S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
    e.size = static_cast<qint64>(st.st_size);
    e.mtimeNs = nanoseconds(st.st_mtim);
    e.readOnly = (st.st_mode & S_IWUSR) == 0;
    return e;
}

// A name in plain ASCII is the same in UTF-8: only other names go through the converter,
// which cost more than the rest of the entry.
QString decodedName(const char* rawName)
{
    const size_t length = std::strlen(rawName);
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(rawName[i]) >= 0x80)
            return QFile::decodeName(rawName);
    }
    return QString::fromLatin1(rawName, qsizetype(length));
}

// A symlink counts as the file it points at; a folder behind it is never entered.
FolderEntry classify(int dirFd, const char* rawName)
{
    const QString name = decodedName(rawName);
    Stat st{};
    if (fstatat(dirFd, rawName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {name};
    if (S_ISDIR(st.st_mode))
        return {name, EntryKind::Folder};
    if (S_ISLNK(st.st_mode) && fstatat(dirFd, rawName, &st, 0) != 0)
        return {name};
    return S_ISDIR(st.st_mode) ? FolderEntry{name} : entryOf(name, st);
}

constexpr char kTemporaryPrefix[] = ".quillaro-sync-";

// ".", ".." and the temporary files of copies under way (or left by a crash) are no entries.
bool isSkippedName(const char* name)
{
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
        return true;
    return std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0;
}

bool writeAll(int fd, const char* data, ssize_t length)
{
    while (length > 0) {
        const ssize_t done = ::write(fd, data, static_cast<size_t>(length));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        length -= done;
    }
    return true;
}

// Lets the kernel copy (no pass through user space, shared extents where the file system can).
// Gives the bytes copied, 0 when the kernel cannot copy these files (the caller then reads and
// writes), or -1 with errno set.
qint64 kernelCopy(int from, int to)
{
    qint64 total = 0;
    for (;;) {
        const ssize_t got = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && total == 0
            && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
                || errno == EBADF))
            return 0;
        if (got <= 0)
            return got < 0 ? -1 : total;
        total += got;
    }
}

// Copies the rest of one open file into another; gives the bytes or -1 with errno set.
qint64 pump(int from, int to)
{
    // Some file systems report nothing to copy for files whose size they do not know (procfs):
    // after a kernel copy of nothing, reading tells.
    const qint64 copied = kernelCopy(from, to);
    if (copied != 0)
        return copied;

    static thread_local char buffer[1 << 17];
    qint64 total = 0;
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            return total;
        if (!writeAll(to, buffer, got))
            return -1;
        total += got;
    }
}

QString temporaryBeside(const QString& target)
{
    static std::atomic<int> serial{0};
    return QFileInfo(target).path() + QLatin1Char('/') + QLatin1String(kTemporaryPrefix)
           + QString::number(::getpid()) + QLatin1Char('-') + QString::number(++serial)
           + QStringLiteral(".tmp");
}

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

// Fills the open file from the source and gives it the source's mode and times.
std::optional<qint64> fillCopy(int src, const Stat& st, int tmp, const QString& what,
                                    Failure* failure)
{
    const qint64 bytes = pump(src, tmp);
    if (bytes < 0) {
        fail(failure, what, errno);
        return std::nullopt;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::fchmod(tmp, st.st_mode & 07777) != 0 || ::futimens(tmp, times) != 0) {
        fail(failure, what, errno);
        return std::nullopt;
    }
    return bytes;
}

// Closes a file written to; a write error may surface only then (network file systems).
bool closeWritten(int fd, const QString& what, Failure* failure)
{
    return ::close(fd) == 0 || fail(failure, what, errno);
}

// Fills a target this copy created and closes it; a copy that fails takes it away again, so that
// no half-written file stands under the target's name.
std::optional<qint64> fillNew(int src, const Stat& st, int out, const QByteArray& name,
                              const QString& what, Failure* failure)
{
    std::optional<qint64> bytes = fillCopy(src, st, out, what, failure);
    if (!bytes)
        ::close(out);
    else if (!closeWritten(out, what, failure))
        bytes.reset();
    if (!bytes)
        ::unlink(name.constData());
    return bytes;
}

// Closes the temporary file and renames it over the target.
// Renames without replacing: renameat2 where the file system knows it, else a hard link,
// else a test just before the rename (file systems without either, such as some FAT drivers).
int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST || (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS))
        return errno;
    Stat st{};
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

bool putInPlace(int tmp, const QByteArray& tmpName, const QString& target, const QString& what,
                Failure* failure, Placing placing)
{
    if (!closeWritten(tmp, what, failure))
        return false;
    const QByteArray to = QFile::encodeName(target);
    if (placing == Placing::Replace) {
        if (::rename(tmpName.constData(), to.constData()) != 0)
            return fail(failure, what, errno);
        return true;
    }
    const int error = renameNoReplace(tmpName, to);
    if (error == 0)
        return true;
    fail(failure, what, error);
    if (failure)
        failure->nameTaken = error == EEXIST;
    return false;
}

} // namespace

std::optional<QList<FolderEntry>> listFolder(const QString& folder, Failure* failure)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        fail(failure, QStringLiteral("Cannot open the folder ") + folder, errno);
        return std::nullopt;
    }
    QList<FolderEntry> entries;
    const int fd = ::dirfd(dir);
    for (;;) {
        errno = 0; // readdir tells its end from a failure only by errno
        const dirent* d = ::readdir(dir);
        if (!d)
            break;
        if (!isSkippedName(d->d_name))
            entries.append(classify(fd, d->d_name));
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        fail(failure, QStringLiteral("Cannot read the folder ") + folder, error);
        return std::nullopt;
    }
    return entries;
}

std::optional<qint64> copyFile(const QString& source, const QString& target, Failure* failure,
                               Placing placing)
{
    const QString what = QStringLiteral("Cannot copy ") + source + QStringLiteral(" to ") + target;
    // Non-blocking, so that a file that became a FIFO since the listing cannot hang the run.
    Fd src{::open(QFile::encodeName(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Stat st{};
    if (src.fd < 0 || ::fstat(src.fd, &st) != 0) {
        fail(failure, what, errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(failure, what, EINVAL);
        return std::nullopt;
    }
    if (placing == Placing::InPlaceWhenNew) {
        const QByteArray name = QFile::encodeName(target);
        Fd out{::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
        if (out.fd >= 0)
            return fillNew(src.fd, st, out.release(), name, what, failure);
        if (errno != EEXIST) {
            fail(failure, what, errno);
            return std::nullopt;
        }
        placing = Placing::Replace;
    }
    const QByteArray tmpName = QFile::encodeName(temporaryBeside(target));
    Fd tmp{::open(tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (tmp.fd < 0) {
        fail(failure, what, errno);
        return std::nullopt;
    }
    std::optional<qint64> bytes = fillCopy(src.fd, st, tmp.fd, what, failure);
    if (bytes && !putInPlace(tmp.release(), tmpName, target, what, failure, placing))
        bytes.reset();
    if (!bytes)
        ::unlink(tmpName.constData());
    return bytes;
}

bool makeFolder(const QString& folder, Failure* failure)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return true;
    const int error = errno;
    Stat st{};
    if (error == EEXIST && ::stat(QFile::encodeName(folder).constData(), &st) == 0
        && S_ISDIR(st.st_mode))
        return true;
    return fail(failure, QStringLiteral("Cannot create the folder ") + folder,
                error == EEXIST ? ENOTDIR : error);
}

namespace {

// The real path of the nearest existing ancestor, followed by the parts that do not exist.
QString resolved(const QString& path)
{
    QString head = QDir::cleanPath(QDir(path).absolutePath());
    QString tail;
    while (!QFileInfo::exists(head) && head != QStringLiteral("/")) {
        tail = QLatin1Char('/') + QFileInfo(head).fileName() + tail;
        head = QFileInfo(head).path();
    }
    const QString real = QFileInfo(head).canonicalFilePath();
    return QDir::cleanPath((real.isEmpty() ? head : real) + tail);
}

bool below(const QString& inner, const QString& outer)
{
    return outer == QStringLiteral("/") || inner.startsWith(outer + QLatin1Char('/'));
}

} // namespace

PairRelation relation(const QString& first, const QString& second)
{
    const QString a = resolved(first);
    const QString b = resolved(second);
    if (a == b)
        return PairRelation::Same;
    return below(a, b) || below(b, a) ? PairRelation::Nested : PairRelation::Apart;
}

} // namespace SyncFileOps
