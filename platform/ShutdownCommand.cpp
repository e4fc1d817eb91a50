#include "ShutdownCommand.h"

#include <unistd.h>

#include <QProcess>

namespace {

constexpr int kAnswerTimeoutMs = 60000;

QString failureText(const QStringList& command, QProcess& process)
{
    QString text = command.join(QLatin1Char(' '));
    if (process.exitStatus() == QProcess::CrashExit || process.error() != QProcess::UnknownError)
        return text + QStringLiteral(": ") + process.errorString();
    text += QStringLiteral(" was refused (exit code ") + QString::number(process.exitCode())
            + QLatin1Char(')');
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return said.isEmpty() ? text : text + QStringLiteral(": ") + said;
}

} // namespace

namespace ShutdownCommand {

QStringList commandFor(Action action, bool force)
{
    QStringList command;
    switch (action) {
    case Action::PowerOff:
        command = {QStringLiteral("systemctl"), QStringLiteral("poweroff")};
        break;
    case Action::Reboot:
        command = {QStringLiteral("systemctl"), QStringLiteral("reboot")};
        break;
    case Action::LogOff:
        // A log-off cannot be delayed by other programs, so force changes nothing.
        return {QStringLiteral("loginctl"), QStringLiteral("terminate-user"),
                QString::number(getuid())};
    }
    if (force)
        command.append(QStringLiteral("--ignore-inhibitors"));
    return command;
}

bool run(Action action, bool force, QString* error)
{
    QStringList command = commandFor(action, force);
    const QString standIn = qEnvironmentVariable("QUILLARO_SHUTDOWN_COMMAND");
    const QString program = standIn.isEmpty() ? command.first() : standIn;
    const QStringList arguments = standIn.isEmpty() ? command.mid(1) : command;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(kAnswerTimeoutMs)
        || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = failureText(QStringList(program) + arguments, process);
        return false;
    }
    return true;
}

} // namespace ShutdownCommand
