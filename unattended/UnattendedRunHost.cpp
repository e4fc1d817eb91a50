#include "UnattendedRunHost.h"

#include "CdRecorder.h"
#include "QEV_PlaySound.h"
#include "QEV_modShutDown.h"
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
    MediaPanel panel;
    const bool usable = ::Update_Media(MediaOptionsOf(m_options, m_cd), panel);
    m_panel.driveInfo = panel.driveInfo;
    return usable;
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
