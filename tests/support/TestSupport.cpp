#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace TestSupport {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void makeTree(const QString& root, const Tree& tree)
{
    QDir().mkpath(root);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString path = root + QLatin1Char('/') + it.key();
        if (it.key().endsWith(QLatin1Char('/')))
            QDir().mkpath(path);
        else
            writeFile(path, it.value());
    }
}

Tree readTree(const QString& root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString rel = base.relativeFilePath(path);
        if (info.isDir()) {
            if (QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
                tree.insert(rel + QLatin1Char('/'), QByteArray());
        } else {
            tree.insert(rel, readFile(path));
        }
    }
    return tree;
}

QByteArray noise(int bytes, quint32 seed)
{
    QByteArray data(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = char(seed >> 24);
    }
    return data;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (bytes == 0)
        return;
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_saved);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (!m_set)
        return;
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_handler);
}

QString freshFolder(const QString& name)
{
    static int serial = 0;
    const QString path = QDir::homePath() + QStringLiteral("/work/") + name + QLatin1Char('-')
                         + QString::number(++serial);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

int runTool(const QString& program, const QStringList& arguments, QString* output,
            const QString& workingDir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(program, arguments);
    if (!p.waitForStarted(10000))
        return -1;
    p.waitForFinished(600000);
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString crontabFile()
{
    return QFileInfo(qEnvironmentVariable("QUILLARO_CRONTAB")).path() + QStringLiteral("/crontab");
}

QByteArray firstTaskLine(const QByteArray& table)
{
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].startsWith("# quillaro-task "))
            return lines[i + 1];
    }
    return {};
}

QByteArray asCronWould(const QByteArray& line)
{
    QByteArray rest = line;
    for (int field = 0; field < 5; ++field) {
        rest = rest.trimmed();
        rest = rest.mid(rest.indexOf(' ') + 1);
    }
    QByteArray out;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) {
            if (rest[i + 1] != '%')
                out += '\\';
            out += rest[++i];
        } else if (rest[i] == '%') {
            break;
        } else {
            out += rest[i];
        }
    }
    return out;
}

int runAsCron(const QByteArray& command, QString* output)
{
    const QString home = qEnvironmentVariable("HOME");
    return runTool(QStringLiteral("/usr/bin/env"),
                   {QStringLiteral("-i"), QStringLiteral("HOME=") + home,
                    QStringLiteral("PATH=/usr/bin:/bin"), QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                    QString::fromUtf8(command)},
                   output, home);
}

QString sourceCommonFolder() { return QStringLiteral(QUILLARO_SOURCE_COMMON); }

} // namespace TestSupport
