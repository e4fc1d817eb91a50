#include "RunHost.h"

#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "RunProgram.h"
#include "RunState.h"

int RunHost::fileAttributes(const QString& path, FileAttributes::FileStat* stat)
{
    return GetAttributes(path, stat);
}

void RunHost::clearArchiveAttributes(const QStringList& paths)
{
    QString error;
    if (!FileAttributes::clearArchive(paths, &error))
        ReportError(FormularLabel("WriteToZip", "frmMain_BackUp"), ErrNo::PathFileAccess, error);
}

bool RunHost::runProgram(const RunProgram& program, QString* failure)
{
    return RunProgramAndWait(program, [] { return g_bCancelBackUp; }, failure);
}
