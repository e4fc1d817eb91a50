#pragma once

#include <QStringList>

// Ends the session through the system's own commands: systemctl poweroff / reboot and
// loginctl terminate-user. QUILLARO_SHUTDOWN_COMMAND, when set, is run in their place with
// the same words as arguments (tests set it to a recorder).
namespace ShutdownCommand {

enum class Action { PowerOff, Reboot, LogOff };

// The command of the action, program first. force lets the shutdown pass the locks of
// programs that would delay or veto it.
[[nodiscard]] QStringList commandFor(Action action, bool force);

// Runs the command and waits for its answer; false with a message when it could not start
// or the system refused.
[[nodiscard]] bool run(Action action, bool force, QString* error);

} // namespace ShutdownCommand
