#pragma once

#include <QString>
#include <QStringList>

// What every start does before its work: the program's names, the error reporter's switches,
// the language; false when the language cannot be loaded.
[[nodiscard]] bool PrepareStart(bool unattended);
// Records the version of the program that ran last, and gives a new error log its header.
void RecordStart();

// The folder "/dir:" names, as a run uses it: a full path, without one trailing "/", made when
// its drive is there. False (with a box) when the value is no full path.
[[nodiscard]] bool DirSwitchFolder(QString value, QString* folder);
// The run of a scheduled task leaves its start time for the task list.
void RecordTaskRun();
// Logs why an unattended start ran nothing; its exit code.
[[nodiscard]] int FailUnattended(const QString& why);

// An unattended run ("/run") from its arguments to its exit code, with no window: the profile
// is read from the store as the window would load it, and run as the window would run it.
[[nodiscard]] int RunUnattended(const QStringList& arguments);
