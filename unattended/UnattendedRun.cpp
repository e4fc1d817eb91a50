#include "UnattendedRun.h"

#include "CdRecorder.h"
#include "Clock.h"
#include "DriveInfo.h"
#include "FileAttributes.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ProfileLoad.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "QEV_PlaySound.h"
#include "Quillaro_BackupRun.h"
#include "RunLock.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StoredRun.h"
#include "Switches.h"
#include "TaskScheduler.h"
#include "UnattendedRunHost.h"

namespace {

QString mainLabel() { return ModulLabel("Main", "Quillaro_Main"); }

// One line in the error log's own form, time stamp first.
void logUnattended(const MsgRequest& request)
{
    QString text = request.text;
    text.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QStringLiteral(" / "));
    ErrorMsg(false, AppName, mainLabel(), 0, 0,
             QStringLiteral("unattended run, box not shown: ") + request.title + QStringLiteral(" - ") + text);
}

// Another run of this profile is active, in the window or in a scheduled run.
int refuseBusyProfile(const QString& profile)
{
    ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::PermissionDenied,
                QStringLiteral("The profile \"") + profile
                    + QStringLiteral("\" is busy: another backup of it is running. No backup took place."));
    return 1;
}

// The lock is the load's when its clean-up found it free; else the run waits for it here.
int runProfile(const StoredRun& stored, CdRecorder& cd, RunLock& lock)
{
    if (!lock.tryAcquire(RunLock::kBriefHoldMs))
        return refuseBusyProfile(stored.options.profile);
    const FileAttributes::RunSnapshot attributes;
    UnattendedRunHost host(stored.options, stored.sound, cd);
    BackupRun run(stored.options, host);
    const RunOutcome outcome = run.cmdBackUpNow();
    return host.exitCode() < 0 ? RunExitCode(outcome) : host.exitCode();
}

} // namespace

bool PrepareStart(bool unattended)
{
    bShowErrorBox = false;
    AppName = QStringLiteral("Quillaro");
    GetPCInfos();
    MessageBoxSeam::setUnattended(unattended);
    MessageBoxSeam::setUnattendedSink(logUnattended);
    g_Language = SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("Settings"),
                                         QStringLiteral("Language"), QStringLiteral("english"));
    return set_language(g_Language + QStringLiteral(".lng"));
}

void RecordStart()
{
    SettingsStore::saveValue(SettingsKeys::machineScope(), QStringLiteral("Settings"),
                             QStringLiteral("ProgramVersion"), g_ProgramVersion);
    (void)SettingsStore::flush();
}

// A folder that is no full path would be made below whatever folder the program started in.
bool DirSwitchFolder(QString value, QString* folder)
{
    if (!value.startsWith(QLatin1Char('/'))) {
        MsgBox(LangText(375) + QStringLiteral("\n\n\"") + value + QLatin1Char('"'), MsgButtons::Ok,
               MsgIcon::Exclamation, AppName);
        return false;
    }
    value = ProfileLoad::withoutTrailingSlash(value);
    *folder = value;
    // Below a mount location whose drive is not there the folder would land on the system disk.
    if (QueryDrive(value).ready)
        CreateDirectoryStruct(value);
    return true;
}

void RecordTaskRun()
{
    const QString task = qEnvironmentVariable(TaskScheduler::kTaskVariable);
    QString error;
    if (!task.isEmpty() && !TaskScheduler::recordLastRun(task, Clock::now(), &error))
        ReportError(mainLabel(), ErrNo::PathFileAccess, error);
}

int FailUnattended(const QString& why)
{
    ReportError(mainLabel(), ErrNo::InvalidCall, why);
    return 1;
}

int RunUnattended(const QStringList& arguments)
{
    // A run nobody listens to starts the audio system only for a sound or a phrase it is asked for.
    DeferSoundAndSpeech();
    if (!PrepareStart(true))
        return 1;
    RecordStart();
    Ini_ErrorLog();
    g_bBackupStarted = false;
    QString profile = StoredRuns::startProfile();
    const QString wanted = SwitchValueOf(arguments, QStringLiteral("/profile:"));
    if (!wanted.isNull())
        profile = StoredRuns::namedProfile(wanted, profile);
    // Refusals are part of the unattended run: they save nothing.
    g_bAutoRun = true;
    if (profile.isEmpty())
        return FailUnattended(QStringLiteral("no profile of that name: \"") + wanted
                              + QStringLiteral("\"; no run took place"));
    CdRecorder cd;
    RunLock lock(profile);
    StoredRun stored = StoredRuns::load(profile, cd, lock);
    const QString dir = SwitchValueOf(arguments, QStringLiteral("/dir:"));
    if (!dir.isNull()) {
        QString folder;
        if (!DirSwitchFolder(dir, &folder))
            return FailUnattended(QStringLiteral("the folder of /dir: is no full path: \"") + dir
                                  + QStringLiteral("\"; no run took place"));
        stored.options.pathBackUp = ProfileLoad::withoutTrailingSlash(folder);
    }
    RecordTaskRun();
    const int exitCode = runProfile(stored, cd, lock);
    Release_TTS();
    return exitCode;
}
