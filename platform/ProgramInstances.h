#pragma once

#include <QList>
#include <QString>

// The running processes of one program file, of this user, and asking them to close.
namespace ProgramInstances {

// Process ids whose executable is the program, or whose interpreter runs it as a script.
[[nodiscard]] QList<qint64> running(const QString& program);
// Asks the process to close (SIGTERM), as closing its window would; false when it is gone.
bool requestClose(qint64 processId);

} // namespace ProgramInstances
