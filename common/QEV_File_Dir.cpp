#include "QEV_File_Dir.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "Clock.h"
#include "DeflateBlocks.h"
#include "Events.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"

namespace {

const char* const kModule = "QEV_File_Dir";

bool isHidden(const QString& name) { return name.startsWith(QLatin1Char('.')); }

bool passes(const QFileInfo& info, ListFilter filter)
{
    if (info.isSymLink() && !info.exists())
        return false;
    const bool folder = info.isDir();
    switch (filter) {
    case ListFilter::Existence:
        return !folder;
    case ListFilter::Folders:
        return true;
    case ListFilter::Plain:
        return info.isFile() && !isHidden(info.fileName());
    }
    return false;
}

void splitPattern(const QString& pattern, QString* folder, QString* name)
{
    const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        *folder = QStringLiteral(".");
        *name = pattern;
    } else {
        *folder = slash == 0 ? QStringLiteral("/") : pattern.left(slash);
        *name = pattern.mid(slash + 1);
    }
}

void makeWritable(const QString& path)
{
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner | QFile::ExeOwner);
    while (it.hasNext()) {
        const QString dir = it.next();
        if (!QFileInfo(dir).isSymLink())
            QFile::setPermissions(dir, QFile::permissions(dir) | QFile::WriteOwner
                                           | QFile::ExeOwner | QFile::ReadOwner);
    }
}

// "*" and a plain ending, as the profile and language lists ask for: the ending is compared,
// and no pattern is compiled for it.
bool isStarAndEnding(QStringView name)
{
    if (!name.startsWith(QLatin1Char('*')))
        return false;
    for (const QChar c : name.mid(1))
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[') || c == QLatin1Char(']')
            || c == QLatin1Char('\\'))
            return false;
    return true;
}

} // namespace

bool HasWildcard(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

QStringList ListMatches(const QString& pattern, ListFilter filter)
{
    QString folder;
    QString name;
    splitPattern(pattern, &folder, &name);
    if (name.isEmpty())
        return {};
    if (!HasWildcard(name)) {
        const QFileInfo info(pattern);
        return (info.exists() || info.isSymLink()) && passes(info, filter) ? QStringList{name}
                                                                           : QStringList{};
    }
    QDir dir(folder);
    const bool byEnding = isStarAndEnding(name);
    if (!byEnding)
        dir.setNameFilters({name});
    dir.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System
                  | QDir::CaseSensitive);
    dir.setSorting(QDir::Unsorted);
    const QStringView ending = QStringView(name).mid(1);
    QStringList out;
    const QFileInfoList entries = dir.entryInfoList();
    for (const QFileInfo& info : entries) {
        if ((!byEnding || info.fileName().endsWith(ending)) && passes(info, filter))
            out.append(info.fileName());
    }
    return out;
}

bool FileExists(QString& path)
{
    path = path.trimmed();
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return false;
    return !ListMatches(path, ListFilter::Existence).isEmpty();
}

bool FileExists(const QString& path)
{
    QString copy = path;
    return FileExists(copy);
}

QString sFixDirString(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString sParseLastDir(QString& path)
{
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || path == QStringLiteral("/"))
        return path;
    return path.mid(slash + 1);
}

QString sParseFile(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString sParsePath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

void CreateDirectoryStruct(const QString& path)
{
    if (path.trimmed().isEmpty())
        return;
    const QString full = QDir::cleanPath(path);
    if (QFileInfo(full).exists())
        return;
    const QStringList parts = full.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString built = full.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral(".");
    for (const QString& part : parts) {
        built += QLatin1Char('/') + part;
        const QFileInfo info(built);
        if (info.exists())
            continue; // a file standing there counts as existing; the deeper levels then fail
        if (!QDir().mkdir(built)) {
            ReportError(ModulLabel("CreateDirectoryStruct", kModule), ErrNo::PathNotFound,
                        QStringLiteral("cannot create folder ") + built);
            WriteErrorLog(path);
            return;
        }
    }
}

DirRecord Findfile(const QString& path)
{
    DirRecord record;
    record.fileName = QStringLiteral("Error");
    const QStringList names = ListMatches(path, ListFilter::Folders);
    if (names.isEmpty())
        return record;
    QString folder;
    QString name;
    splitPattern(path, &folder, &name);
    const QFileInfo info(QDir(folder).filePath(names.first()));
    record.fileName = info.fileName();
    record.size = info.size();
    record.creationTime = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
    record.lastAccessTime = info.lastRead();
    record.lastWriteTime = info.lastModified();
    return record;
}

bool IsValidFilename(const QString& name)
{
    if (name.isEmpty() || name == QStringLiteral("."))
        return false;
    static const QString forbidden = QStringLiteral("\\:*?<>|\"");
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.toUtf8().size() > 255)
            return false;
        for (const QChar c : part) {
            if (c == QChar(u'\0') || forbidden.contains(c))
                return false;
        }
    }
    return true;
}

namespace {

// A file opened for reading, closed when it goes.
class ReadFd {
    Q_DISABLE_COPY(ReadFd)
public:
    // Non-blocking, so that a FIFO in a file's place cannot stall the caller.
    explicit ReadFd(const QString& path) :
        m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~ReadFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // The size of a regular file, -1 for anything else.
    [[nodiscard]] qint64 regularSize() const
    {
        struct stat st { };
        return m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
    }
    // Up to length bytes; fewer only at the end of the file, -1 on an error.
    [[nodiscard]] qint64 read(char* data, qint64 length) const
    {
        return DeflateBlocks::readFully(m_fd, data, length);
    }

private:
    int m_fd;
};

} // namespace

bool compare_files(QString& first, QString& second)
{
    if (!FileExists(first) || !FileExists(second))
        return false;
    const ReadFd a(first);
    const ReadFd b(second);
    const qint64 size = a.regularSize();
    if (size < 0 || b.regularSize() != size)
        return false;
    // Large reads into one buffer, half for each file: few system calls and no copy but the read.
    constexpr qint64 kHalf = 128 * 1024;
    std::vector<char> buffer(size_t(2 * kHalf));
    char* const fromA = buffer.data();
    char* const fromB = fromA + kHalf;
    for (;;) {
        const qint64 gotA = a.read(fromA, kHalf);
        const qint64 gotB = b.read(fromB, kHalf);
        if (gotA < 0 || gotA != gotB || std::memcmp(fromA, fromB, size_t(gotA)) != 0)
            return false;
        if (gotA < kHalf)
            return true;
    }
}

void Wait_Seconds(int seconds)
{
    const qint64 end = Clock::monotonicMs() + qint64(seconds) * 1000;
    for (qint64 left = end - Clock::monotonicMs(); left > 0; left = end - Clock::monotonicMs())
        DoEventsFor(static_cast<int>(qMin<qint64>(left, 50)));
}

bool DelDir(const QString& path)
{
    QString folder = path;
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QFileInfo info(folder);
    bool gone = false;
    if (info.isDir() && !info.isSymLink()) {
        makeWritable(folder);
        gone = QDir(folder).removeRecursively() && !QFileInfo::exists(folder);
    }
    DoEvents();
    return gone;
}

void DeleteFiles(const QString& pattern, int days, const QSet<QString>* keep)
{
    if (pattern.right(3) == QStringLiteral("*.*"))
        return;
    const QString folder = sParsePath(pattern);
    const QDate limit = Clock::today().addDays(-days);
    const QStringList names = ListMatches(pattern, ListFilter::Plain);
    for (const QString& name : names) {
        QString file = sFixDirString(folder) + name;
        const QDate date = QFileInfo(file).lastModified().date();
        if (!date.isValid() || date > limit || (keep && keep->contains(file)) || !FileExists(file))
            continue;
        if (!QFile::remove(file)) {
            ReportError(ModulLabel("DeleteFiles", kModule), ErrNo::PermissionDenied,
                        QStringLiteral("cannot delete ") + file);
            WriteErrorLog(file, pattern);
        }
    }
    DoEvents();
}

int GetFileCount(const QString& pattern)
{
    const int count = static_cast<int>(ListMatches(pattern, ListFilter::Plain).size());
    DoEvents();
    return count;
}
