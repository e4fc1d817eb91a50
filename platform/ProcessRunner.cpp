#include "ProcessRunner.h"

#include <csignal>

#include <QEventLoop>
#include <QHash>
#include <QProcess>
#include <QTimer>

namespace {

// Never destroyed: destroying a QProcess kills its program, and a program the user wanted
// to run on its own must outlive a wait that was not asked for.
QHash<qint64, QProcess*>& started()
{
    static auto* processes = new QHash<qint64, QProcess*>;
    return *processes;
}

// False when the wait was given up because a stop was asked for.
bool waitUntilFinished(QProcess* process, const std::function<bool()>& stopRequested)
{
    if (process->state() == QProcess::NotRunning)
        return true;
    if (stopRequested && stopRequested())
        return false;
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    if (stopRequested) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stopRequested())
                loop.quit();
        });
        poll.start(100);
    }
    if (process->state() != QProcess::NotRunning)
        loop.exec();
    return process->state() == QProcess::NotRunning;
}

} // namespace

namespace ProcessRunner {

QStringList splitArguments(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == QLatin1Char('\\') && i + 1 < text.size()
                   && (quote.isNull() || QStringLiteral("\"\\$`").contains(text.at(i + 1)))) {
            word += text.at(++i);
            inWord = true;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

qint64 start(const QString& program, const QString& argumentText, QString* error)
{
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(splitArguments(argumentText));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // Qt ignores SIGPIPE in this process; a program inheriting that would never end in a
    // pipe such as "yes | head".
    process->setChildProcessModifier([] { ::signal(SIGPIPE, SIG_DFL); });
    process->start();
    if (!process->waitForStarted()) {
        *error = QStringLiteral("cannot start ") + program + QStringLiteral(": ")
                 + process->errorString();
        delete process;
        return 0;
    }
    const qint64 id = process->processId();
    started().insert(id, process);
    return id;
}

Ending waitForExit(qint64 processId, int* exitCode, QString* error)
{
    return waitForExit(processId, {}, exitCode, error);
}

Ending waitForExit(qint64 processId, const std::function<bool()>& stopRequested, int* exitCode,
                   QString* error)
{
    QProcess* process = started().value(processId);
    *exitCode = 0;
    if (!process) {
        *error = QStringLiteral("no program with the process id ") + QString::number(processId)
                 + QStringLiteral(" was started by this program");
        return Ending::Unknown;
    }
    if (!waitUntilFinished(process, stopRequested)) {
        *error = QStringLiteral("the wait for ") + process->program() + QStringLiteral(" was stopped");
        return Ending::Stopped;
    }
    if (process->exitStatus() == QProcess::CrashExit) {
        *exitCode = -1;
        *error =
            process->program() + QStringLiteral(" ended abnormally: ") + process->errorString();
        return Ending::Crashed;
    }
    *exitCode = process->exitCode();
    return Ending::Exited;
}

} // namespace ProcessRunner
