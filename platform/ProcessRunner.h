#pragma once

#include <functional>

#include <QString>
#include <QStringList>

// Starts programs and waits for them. A program is known by the process id that start()
// gives; the program keeps running when this process ends.
namespace ProcessRunner {

// The words of an argument text as a POSIX shell splits them: blanks separate, single and
// double quotes group, a backslash takes the next character as it is.
[[nodiscard]] QStringList splitArguments(const QString& text);

// Starts the program with its argument text split as a shell splits words, its input read
// from /dev/null (a program that reads its input must not wait for ever). Gives the process
// id, 0 with a message when the program could not start.
[[nodiscard]] qint64 start(const QString& program, const QString& argumentText, QString* error);

enum class Ending { Exited, Crashed, Unknown, Stopped };
// Waits until the program of that id has ended, processing pending events meanwhile, and
// gives its exit code. Unknown: no program of that id was started here.
[[nodiscard]] Ending waitForExit(qint64 processId, int* exitCode, QString* error);
// The same, but gives up (Stopped) as soon as stopRequested() is true; the program runs on.
[[nodiscard]] Ending waitForExit(qint64 processId, const std::function<bool()>& stopRequested,
                                 int* exitCode, QString* error);

} // namespace ProcessRunner
