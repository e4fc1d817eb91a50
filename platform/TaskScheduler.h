#pragma once

#include <optional>

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// When a scheduled task starts: once at a date and time, or daily, weekly on some days, or
// monthly on one day, at a time of day.
struct TaskTrigger
{
    enum class Kind { Once, Daily, Weekly, Monthly };
    Kind kind = Kind::Once;
    QDateTime start;  // the date (Once) and the time of day
    int weekDays = 0; // Weekly: bit (d - 1) for Qt's day d, 1 Monday to 7 Sunday
    int monthDay = 1; // Monthly: 1 to 31; months without that day are skipped

    // The next start after the moment; invalid when there is none (a past Once).
    [[nodiscard]] QDateTime nextAfter(const QDateTime& moment) const;
    bool operator==(const TaskTrigger&) const = default;
};

// The bits of a task's flag word.
namespace TaskFlag {
constexpr quint32 Interactive = 1;
constexpr quint32 DeleteWhenDone = 2;
constexpr quint32 Disabled = 4;
} // namespace TaskFlag

// One scheduled task of the program. It starts its program with its arguments, each one word,
// in its working folder, against the base folder it was created in.
struct ScheduledTask
{
    QString name;
    QString program;
    QStringList arguments;
    QString comment;
    QString workingFolder;
    QString baseFolder; // the QUILLARO_HOME the task runs with; empty: the default one
    quint32 flags = 0;
    TaskTrigger trigger;

    [[nodiscard]] bool enabled() const { return (flags & TaskFlag::Disabled) == 0; }
    // The arguments as one text, as the details show them.
    [[nodiscard]] QString parameters() const { return arguments.join(QLatin1Char(' ')); }
};

// The program's scheduled tasks, kept as lines of the user's crontab (the crontab program is
// $QUILLARO_CRONTAB when set). Only the program's own tasks are listed, changed or run; every
// other line of the table stays as it was. Tasks are known by name.
class TaskScheduler
{
public:
    TaskScheduler();

    // Reads the table again. False with a message when crontab cannot be read.
    [[nodiscard]] bool reload(QString* error = nullptr);
    // The tasks in the table's order, as the last reload found them.
    [[nodiscard]] const QList<ScheduledTask>& tasks() const { return m_tasks; }
    [[nodiscard]] std::optional<ScheduledTask> task(const QString& name) const;

    // Writes the task, replacing one of the same name or adding it at the end.
    [[nodiscard]] bool save(const ScheduledTask& task, QString* error = nullptr);
    // Deletes the task of that name; false when there is none.
    [[nodiscard]] bool remove(const QString& name, QString* error = nullptr);
    // Starts the task's command now, as cron would start it, without waiting for it.
    [[nodiscard]] bool runNow(const QString& name, QString* error = nullptr);

    // The cron line of a task (schedule and command); empty with a message when the task
    // cannot be written as one line.
    [[nodiscard]] static QByteArray cronLine(const ScheduledTask& task, QString* error = nullptr);
    // The command of a task as sh gets it from cron.
    [[nodiscard]] static QString shellCommand(const ScheduledTask& task);

    // The environment variable a task's run finds its own name in.
    static const char* const kTaskVariable;
    // Last-run stamps in the base folder: written by the run of a task, read by the list.
    [[nodiscard]] static bool recordLastRun(const QString& name, const QDateTime& when,
                                            QString* error = nullptr);
    [[nodiscard]] static QDateTime lastRun(const QString& name);
    // The next start of the task; invalid when it is disabled or will not start again.
    [[nodiscard]] static QDateTime nextRun(const ScheduledTask& task, const QDateTime& now);

private:
    [[nodiscard]] bool write(QString* error);
    QByteArray m_text;
    QList<ScheduledTask> m_tasks;
};
