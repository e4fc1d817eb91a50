#include "QEV_ShellAndWait.h"

#include "Globals.h"
#include "ProcessRunner.h"
#include "QEV_ErrorLog.h"

int fWait(qint64 processId)
{
    int exitCode = 0;
    QString error;
    const ProcessRunner::Ending ending = ProcessRunner::waitForExit(processId, &exitCode, &error);
    if (ending != ProcessRunner::Ending::Exited)
        ReportError(ModulLabel("fWait", "QEV_ShellAndWait"), ErrNo::InvalidCall, error);
    return exitCode;
}
