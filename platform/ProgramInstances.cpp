#include "ProgramInstances.h"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The executable and the first two command-line words: a script's path is the interpreter's
// first argument.
QStringList startedFiles(const QString& processFolder)
{
    QStringList files{QFileInfo(processFolder + QStringLiteral("/exe")).canonicalFilePath()};
    QFile cmdline(processFolder + QStringLiteral("/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> words = cmdline.readAll().split('\0');
        for (qsizetype i = 0; i < qMin<qsizetype>(2, words.size()); ++i)
            files.append(QFileInfo(QString::fromLocal8Bit(words[i])).canonicalFilePath());
    }
    return files;
}

} // namespace

namespace ProgramInstances {

QList<qint64> running(const QString& program)
{
    const QString wanted = QFileInfo(program).canonicalFilePath();
    QList<qint64> ids;
    if (wanted.isEmpty())
        return ids;
    const uint me = getuid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 id = entry.toLongLong(&numeric);
        const QString folder = QStringLiteral("/proc/") + entry;
        if (!numeric || id == getpid() || QFileInfo(folder).ownerId() != me)
            continue;
        if (startedFiles(folder).contains(wanted))
            ids.append(id);
    }
    return ids;
}

bool requestClose(qint64 processId)
{
    return processId > 0 && ::kill(pid_t(processId), SIGTERM) == 0;
}

} // namespace ProgramInstances
