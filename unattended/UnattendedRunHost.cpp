#include "UnattendedRunHost.h"

#include "CdRecorder.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_PlaySound.h"
#include "QEV_modShutDown.h"
#include "RunProgram.h"
#include "RunState.h"

UnattendedRunHost::UnattendedRunHost(const RunOptions& options, bool sound, CdRecorder& cd)
    : m_options(options)
    , m_sound(sound)
    , m_cd(cd)
{
}

void UnattendedRunHost::speak(const QString& text)
{
    if (m_sound)
        (void)SpeakText(text);
}

bool UnattendedRunHost::updateMedia()
{
    MediaOptions o = MediaOptionsOf(m_options);
    o.cdDevice = m_cd.writer().currentAddress();
    o.freeCdSpace = [this] { return m_cd.FreeCdSpace(); };
    o.setStatusCDR = [this](MediaPanel& panel) { m_cd.SetStatusCDR(panel); };
    MediaPanel panel;
    const bool usable = ::Update_Media(o, panel);
    m_panel.driveInfo = panel.driveInfo;
    return usable;
}

int UnattendedRunHost::fileAttributes(const QString& path, FileAttributes::FileStat* stat)
{
    return GetAttributes(path, stat);
}

void UnattendedRunHost::clearArchiveAttributes(const QStringList& paths)
{
    QString error;
    if (!FileAttributes::clearArchive(paths, &error))
        ReportError(FormularLabel("WriteToZip", "frmMain_BackUp"), ErrNo::PathFileAccess, error);
}

bool UnattendedRunHost::runProgram(const RunProgram& program, QString* failure)
{
    return RunProgramAndWait(program, [] { return g_bCancelBackUp; }, failure);
}

void UnattendedRunHost::playEndSound()
{
    if (m_sound && SoundOn()) {
        QString sound = QStringLiteral("close");
        bool scheme = true;
        PlaySoundOnce(sound, scheme);
    }
}

void UnattendedRunHost::shutdownAfterRun()
{
    ExitWindowsSession(8, 1);
    exitProgram(0);
}
