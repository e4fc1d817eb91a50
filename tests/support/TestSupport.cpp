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

QString sourceCommonFolder() { return QStringLiteral(QUILLARO_SOURCE_COMMON); }

} // namespace TestSupport
