#include "FileAttributes.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include <QFileInfo>

#include "ArchiveStore.h"

namespace {

bool statPath(const QString& path, struct stat* st, QString* error)
{
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), st) != 0) {
        if (error)
            *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

ArchiveStore::Stamp stampOf(const struct stat& st)
{
    return {static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<qint64>(st.st_size)};
}

bool isDotPart(QStringView part)
{
    return (part.size() == 1 || part.size() == 2) && part.count(QLatin1Char('.')) == part.size();
}

// An absolute path without "." or ".." parts, doubled or trailing "/": its own cleaned form.
bool isCleanAbsolute(QStringView path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    if (path.size() == 1)
        return true;
    qsizetype start = 1;
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path.at(i) != QLatin1Char('/'))
            continue;
        const QStringView part = path.sliced(start, i - start);
        if (part.isEmpty() || isDotPart(part))
            return false;
        start = i + 1;
    }
    return true;
}

// The store keys files by their absolute, cleaned path (a run asks with such paths).
QString storeKey(const QString& path)
{
    return isCleanAbsolute(path) ? path : QFileInfo(path).absoluteFilePath();
}

// A name starting with "." is hidden.
bool isHiddenName(const QString& path)
{
    const qsizetype name = path.lastIndexOf(QLatin1Char('/')) + 1;
    return name < path.size() && path.at(name) == QLatin1Char('.');
}

bool setReadOnly(const QString& path, const struct stat& st, bool readOnly, QString* error)
{
    const mode_t mode = readOnly ? (st.st_mode & ~S_IWUSR) : (st.st_mode | S_IWUSR);
    if ((mode & 07777) == (st.st_mode & 07777))
        return true;
    if (::chmod(QFile::encodeName(path).constData(), mode & 07777) != 0) {
        if (error)
            *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

bool FileAttributes::get(const QString& path, quint32* attributes, QString* error, FileStat* stat)
{
    struct stat st
    {
    };
    if (!statPath(path, &st, error))
        return false;
    const ArchiveStore::Stamp stamp = stampOf(st);
    if (stat)
        *stat = {static_cast<quint32>(st.st_mode), stamp.size, stamp.mtimeNs};
    quint32 bits = 0;
    if (!(st.st_mode & S_IWUSR))
        bits |= ReadOnly;
    if (isHiddenName(path))
        bits |= Hidden;
    if (S_ISDIR(st.st_mode)) {
        bits |= Directory;
    } else if (!S_ISREG(st.st_mode)) {
        bits |= System;
    } else {
        bool cleared = false;
        if (!ArchiveStore::isCleared(storeKey(path), stamp, &cleared, error))
            return false;
        if (!cleared)
            bits |= Archive;
    }
    *attributes = bits == 0 ? Normal : bits;
    return true;
}

bool FileAttributes::set(const QString& path, quint32 attributes, QString* error)
{
    struct stat st
    {
    };
    if (!statPath(path, &st, error))
        return false;
    if (!setReadOnly(path, st, attributes & ReadOnly, error))
        return false;
    return setArchive(path, attributes & Archive, error);
}

bool FileAttributes::setArchive(const QString& path, bool archive, QString* error)
{
    struct stat st
    {
    };
    if (!statPath(path, &st, error))
        return false;
    if (!S_ISREG(st.st_mode))
        return true;
    if (archive)
        return ArchiveStore::set(storeKey(path), error);
    return ArchiveStore::clear(storeKey(path), stampOf(st), error);
}

bool FileAttributes::clearArchive(const QStringList& paths, QString* error)
{
    if (paths.isEmpty())
        return true;
    if (!ArchiveStore::beginBatch(error))
        return false;
    QStringList failed;
    for (const QString& path : paths) {
        QString one;
        bool seen = false;
        const bool cleared = ArchiveStore::clearAsSeen(storeKey(path), &seen, &one)
                             && (seen || setArchive(path, false, &one));
        if (!cleared)
            failed.append(one);
    }
    const bool committed = ArchiveStore::commitBatch(error);
    if (!failed.isEmpty() && error)
        *error = failed.join(QStringLiteral("; "));
    return committed && failed.isEmpty();
}

FileAttributes::RunSnapshot::RunSnapshot() { (void)ArchiveStore::beginSnapshot(nullptr); }

FileAttributes::RunSnapshot::~RunSnapshot() { ArchiveStore::endSnapshot(); }
