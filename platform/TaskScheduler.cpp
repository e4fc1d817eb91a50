#include "TaskScheduler.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

#include "CronTable.h"
#include "Paths.h"
#include "ProcessRunner.h"

const char* const TaskScheduler::kTaskVariable = "QUILLARO_TASK";

namespace {

constexpr int kCrontabTimeoutMs = 10000;

const QStringList kKinds = {QStringLiteral("once"), QStringLiteral("daily"),
                            QStringLiteral("weekly"), QStringLiteral("monthly")};

QString crontabProgram()
{
    const QString named = qEnvironmentVariable("QUILLARO_CRONTAB");
    return named.isEmpty() ? QStringLiteral("crontab") : named;
}

// Runs crontab with the arguments and the input; its output, or false with a message.
bool runCrontab(const QStringList& arguments, const QByteArray& input, QByteArray* output,
                QString* error)
{
    QProcess process;
    process.start(crontabProgram(), arguments);
    if (!process.waitForStarted(kCrontabTimeoutMs)) {
        *error = QStringLiteral("cannot start ") + crontabProgram() + QStringLiteral(": ")
                 + process.errorString();
        return false;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kCrontabTimeoutMs)) {
        process.kill();
        process.waitForFinished(kCrontabTimeoutMs);
        *error = crontabProgram() + QStringLiteral(" did not finish");
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    const QString message = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = crontabProgram() + QStringLiteral(" failed: ") + message;
        return false;
    }
    return true;
}

bool readTable(QByteArray* text, QString* error)
{
    QString failure;
    if (runCrontab({QStringLiteral("-l")}, {}, text, &failure))
        return true;
    // A user without a table yet has an empty one.
    if (failure.contains(QStringLiteral("no crontab"))) {
        text->clear();
        return true;
    }
    *error = failure;
    return false;
}

QString scheduleFields(const TaskTrigger& trigger, QString* error)
{
    const QTime at = trigger.start.time();
    const QString time = QString::number(at.minute()) + QLatin1Char(' ') + QString::number(at.hour());
    const QDate date = trigger.start.date();
    switch (trigger.kind) {
    case TaskTrigger::Kind::Once:
        return time + QStringLiteral(" %1 %2 *").arg(date.day()).arg(date.month());
    case TaskTrigger::Kind::Daily: return time + QStringLiteral(" * * *");
    case TaskTrigger::Kind::Monthly:
        return time + QStringLiteral(" %1 * *").arg(qBound(1, trigger.monthDay, 31));
    case TaskTrigger::Kind::Weekly: break;
    }
    QStringList days;
    for (int day = 1; day <= 7; ++day) {
        if (trigger.weekDays & (1 << (day - 1)))
            days.append(QString::number(day % 7)); // cron counts Sunday as 0
    }
    if (days.isEmpty())
        *error = QStringLiteral("a weekly task needs at least one day");
    return time + QStringLiteral(" * * ") + days.join(QLatin1Char(','));
}

QString tagOf(const ScheduledTask& task)
{
    const TaskTrigger& t = task.trigger;
    return CronTable::makeTag({{QStringLiteral("name"), task.name},
                               {QStringLiteral("flags"), QString::number(task.flags)},
                               {QStringLiteral("comment"), task.comment},
                               {QStringLiteral("kind"), kKinds.at(int(t.kind))},
                               {QStringLiteral("start"), t.start.toString(Qt::ISODate)},
                               {QStringLiteral("days"), QString::number(t.weekDays)},
                               {QStringLiteral("mday"), QString::number(t.monthDay)}});
}

// The command words back: "cd DIR &&", assignments, the program, its arguments.
// Cron knows no year: a task that runs once checks the year itself.
QString onceGuard(const TaskTrigger& trigger)
{
    return QStringLiteral("[ \"$(date +%Y)\" = %1 ] && ").arg(trigger.start.date().year());
}

void readCommand(QString command, ScheduledTask& task)
{
    command = CronCommand::unescapePercent(command);
    if (command.startsWith(onceGuard(task.trigger)))
        command = command.mid(onceGuard(task.trigger).size());
    QStringList words = ProcessRunner::splitArguments(command);
    if (words.size() >= 3 && words[0] == QStringLiteral("cd") && words[2] == QStringLiteral("&&")) {
        task.workingFolder = words[1];
        words = words.mid(3);
    }
    static const QRegularExpression assignment(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)=(.*)$"),
                                               QRegularExpression::DotMatchesEverythingOption);
    while (!words.isEmpty()) {
        const QRegularExpressionMatch match = assignment.match(words.first());
        if (!match.hasMatch())
            break;
        if (match.captured(1) == QStringLiteral("QUILLARO_HOME"))
            task.baseFolder = match.captured(2);
        words.removeFirst();
    }
    if (!words.isEmpty())
        task.program = words.takeFirst();
    task.arguments = words;
}

ScheduledTask taskOf(const CronTable::Entry& entry)
{
    ScheduledTask task;
    task.name = CronTable::tagValue(entry.tag, QStringLiteral("name"));
    task.comment = CronTable::tagValue(entry.tag, QStringLiteral("comment"));
    task.flags = CronTable::tagValue(entry.tag, QStringLiteral("flags")).toUInt();
    // The line tells whether cron runs the task, whatever the tag says.
    task.flags = entry.disabled ? task.flags | TaskFlag::Disabled : task.flags & ~TaskFlag::Disabled;
    TaskTrigger& t = task.trigger;
    t.kind = TaskTrigger::Kind(qMax(0, kKinds.indexOf(CronTable::tagValue(entry.tag, QStringLiteral("kind")))));
    t.start = QDateTime::fromString(CronTable::tagValue(entry.tag, QStringLiteral("start")), Qt::ISODate);
    t.weekDays = CronTable::tagValue(entry.tag, QStringLiteral("days")).toInt();
    t.monthDay = CronTable::tagValue(entry.tag, QStringLiteral("mday")).toInt();
    const QString line = QString::fromUtf8(entry.line);
    static const QRegularExpression fields(QStringLiteral("^\\s*(\\S+\\s+){5}"));
    const QRegularExpressionMatch match = fields.match(line);
    if (match.hasMatch())
        readCommand(line.mid(match.capturedLength()), task);
    return task;
}

QString stampFile(const QString& name)
{
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex();
    return Paths::baseFolder() + QStringLiteral("/tasks/") + QString::fromLatin1(hash)
           + QStringLiteral(".lastrun");
}

bool matchesDay(const TaskTrigger& trigger, const QDate& day)
{
    switch (trigger.kind) {
    case TaskTrigger::Kind::Weekly: return trigger.weekDays & (1 << (day.dayOfWeek() - 1));
    case TaskTrigger::Kind::Monthly: return day.day() == trigger.monthDay;
    default: return true;
    }
}

} // namespace

QDateTime TaskTrigger::nextAfter(const QDateTime& moment) const
{
    if (!start.isValid())
        return {};
    const QTime at(start.time().hour(), start.time().minute());
    if (kind == Kind::Once) {
        const QDateTime once(start.date(), at);
        return once > moment ? once : QDateTime();
    }
    // Every day of the week and every day 1 to 31 comes within a little more than a year.
    for (int i = 0; i <= 400; ++i) {
        const QDate day = moment.date().addDays(i);
        const QDateTime candidate(day, at);
        if (matchesDay(*this, day) && candidate > moment)
            return candidate;
    }
    return {};
}

TaskScheduler::TaskScheduler() = default;

bool TaskScheduler::reload(QString* error)
{
    QString failure;
    QByteArray text;
    if (!readTable(&text, &failure)) {
        if (error)
            *error = failure;
        return false;
    }
    m_text = text;
    m_tasks.clear();
    const CronTable table = CronTable::parse(text);
    for (const CronTable::Entry& entry : table.entries())
        m_tasks.append(taskOf(entry));
    return true;
}

std::optional<ScheduledTask> TaskScheduler::task(const QString& name) const
{
    for (const ScheduledTask& task : m_tasks) {
        if (task.name == name)
            return task;
    }
    return std::nullopt;
}

QString TaskScheduler::shellCommand(const ScheduledTask& task)
{
    QStringList words;
    if (!task.workingFolder.isEmpty())
        words << QStringLiteral("cd") << CronCommand::shellWord(task.workingFolder) << QStringLiteral("&&");
    if (!task.baseFolder.isEmpty())
        words << QStringLiteral("QUILLARO_HOME=") + CronCommand::shellWord(task.baseFolder);
    words << QString::fromLatin1(kTaskVariable) + QLatin1Char('=') + CronCommand::shellWord(task.name);
    words << CronCommand::shellWord(task.program);
    for (const QString& argument : task.arguments)
        words << CronCommand::shellWord(argument);
    return words.join(QLatin1Char(' '));
}

QByteArray TaskScheduler::cronLine(const ScheduledTask& task, QString* error)
{
    QString failure;
    QString command = shellCommand(task);
    if (task.trigger.kind == TaskTrigger::Kind::Once)
        command.prepend(onceGuard(task.trigger));
    // A crontab holds one task per line: a line break in any value would split it.
    if (command.contains(QLatin1Char('\n')) || command.contains(QLatin1Char('\r')))
        failure = QStringLiteral("a scheduled task cannot hold a line break");
    const QString fields = scheduleFields(task.trigger, &failure);
    if (!task.trigger.start.isValid())
        failure = QStringLiteral("the task has no start time");
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return {};
    }
    return (fields + QLatin1Char(' ') + CronCommand::escapePercent(command)).toUtf8();
}

bool TaskScheduler::save(const ScheduledTask& task, QString* error)
{
    const QByteArray line = cronLine(task, error);
    if (line.isEmpty() || !reload(error))
        return false;
    CronTable table = CronTable::parse(m_text);
    const CronTable::Entry entry{tagOf(task), line, !task.enabled()};
    QList<CronTable::Entry>& entries = table.entries();
    auto same = std::find_if(entries.begin(), entries.end(), [&](const CronTable::Entry& e) {
        return CronTable::tagValue(e.tag, QStringLiteral("name")) == task.name;
    });
    if (same != entries.end())
        *same = entry;
    else
        entries.append(entry);
    m_text = table.text();
    return write(error);
}

bool TaskScheduler::remove(const QString& name, QString* error)
{
    if (!reload(error))
        return false;
    CronTable table = CronTable::parse(m_text);
    const qsizetype removed = table.entries().removeIf([&](const CronTable::Entry& e) {
        return CronTable::tagValue(e.tag, QStringLiteral("name")) == name;
    });
    if (removed == 0) {
        if (error)
            *error = QStringLiteral("no scheduled task of that name: ") + name;
        return false;
    }
    m_text = table.text();
    return write(error);
}

bool TaskScheduler::runNow(const QString& name, QString* error)
{
    const std::optional<ScheduledTask> found = task(name);
    if (!found) {
        if (error)
            *error = QStringLiteral("no scheduled task of that name: ") + name;
        return false;
    }
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), shellCommand(*found)})) {
        if (error)
            *error = QStringLiteral("cannot start /bin/sh for the task ") + name;
        return false;
    }
    return true;
}

bool TaskScheduler::write(QString* error)
{
    QString failure;
    const bool written = runCrontab({QStringLiteral("-")}, m_text, nullptr, &failure);
    if (!written && error)
        *error = failure;
    QString ignored;
    (void)reload(&ignored);
    return written;
}

bool TaskScheduler::recordLastRun(const QString& name, const QDateTime& when, QString* error)
{
    const QString file = stampFile(name);
    QDir().mkpath(QFileInfo(file).path());
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(when.toString(Qt::ISODate).toUtf8()) >= 0
        && out.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write ") + file + QStringLiteral(": ") + out.errorString();
    return false;
}

QDateTime TaskScheduler::lastRun(const QString& name)
{
    QFile in(stampFile(name));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QDateTime::fromString(QString::fromUtf8(in.readAll()).trimmed(), Qt::ISODate);
}

QDateTime TaskScheduler::nextRun(const ScheduledTask& task, const QDateTime& now)
{
    return task.enabled() ? task.trigger.nextAfter(now) : QDateTime();
}
