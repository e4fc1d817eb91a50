#include "QEV_modShutDown.h"

#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "ShutdownCommand.h"

namespace {

constexpr int kShutdown = 1;
constexpr int kReboot = 2;
constexpr int kForce = 4;
constexpr int kPowerOff = 8;
constexpr int kForceIfHung = 16;

int baseFlags(int exitMode)
{
    switch (exitMode) {
    case 1:
        return kShutdown;
    case 2:
        return kShutdown | kReboot;
    case 8:
        return kShutdown | kPowerOff;
    default:
        return 0; // 4 and anything unknown log off
    }
}

ShutdownCommand::Action actionOf(int flags)
{
    if (flags & kReboot)
        return ShutdownCommand::Action::Reboot;
    // A machine that is merely halted waits for someone to switch it off; power off instead.
    if (flags & kShutdown)
        return ShutdownCommand::Action::PowerOff;
    return ShutdownCommand::Action::LogOff;
}

} // namespace

int ExitFlags(int exitMode, int forceMode)
{
    if (forceMode == 2 && !IsWindows2000())
        forceMode = 1;
    int flags = baseFlags(exitMode);
    if (forceMode == 1)
        flags |= kForce;
    else if (forceMode == 2)
        flags |= kForceIfHung;
    return flags;
}

void ExitWindowsSession(int exitMode, int forceMode)
{
    const int flags = ExitFlags(exitMode, forceMode);
    if (IsWindowsNT())
        SetShutdownPrivilege();
    QString error;
    if (!ShutdownCommand::run(actionOf(flags), (flags & (kForce | kForceIfHung)) != 0, &error))
        ReportError(ModulLabel("ExitWindowsSession", "QEV_modShutDown"), ErrNo::PermissionDenied,
                    error);
}

// polkit grants or refuses the right when the command runs; a refusal shows in its answer.
void SetShutdownPrivilege() {}

// Linux has a privilege model like the NT family and knows forcing hung programs only,
// so the desktop's process is never ended here.
bool IsWindowsNT() { return true; }
bool IsWindows2000() { return true; }
