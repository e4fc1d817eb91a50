#include "RunProgram.h"

#include "Clock.h"
#include "Events.h"
#include "ProcessRunner.h"
#include "RunState.h"

namespace {

bool waitForEnd(qint64 processId, const std::function<bool()>& stopRequested, QString* failure)
{
    int exitCode = 0;
    switch (ProcessRunner::waitForExit(processId, stopRequested, &exitCode, failure)) {
    case ProcessRunner::Ending::Exited:
        break;
    case ProcessRunner::Ending::Crashed:
    case ProcessRunner::Ending::Unknown:
    case ProcessRunner::Ending::Stopped:
        return false;
    }
    if (exitCode == 0)
        return true;
    *failure = QStringLiteral("exit code %1").arg(exitCode);
    return false;
}

void waitSeconds(int seconds, const std::function<bool()>& stopRequested)
{
    const qint64 end = Clock::monotonicMs() + qint64(seconds) * 1000;
    while (Clock::monotonicMs() < end && !stopRequested())
        DoEventsFor(50);
}

} // namespace

bool RunProgramAndWait(const RunProgram& program, const std::function<bool()>& stopRequested, QString* failure)
{
    const qint64 processId = ProcessRunner::start(program.path.trimmed(), program.arguments, failure);
    if (processId <= 0)
        return false;
    if (program.wait == WaitMode::WaitForExit)
        return waitForEnd(processId, stopRequested, failure);
    if (program.wait == WaitMode::WaitSeconds)
        waitSeconds(LeadingWholeNumber(program.waitSeconds), stopRequested);
    return true;
}
