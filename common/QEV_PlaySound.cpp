#include "QEV_PlaySound.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "Globals.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_GetSystemInfos.h"
#include "SettingsStore.h"
#include "SoundOutput.h"
#include "SpeechEngine.h"

std::unique_ptr<SpeechEngine> objTTS;

namespace {

const QString kSystemRoot = QStringLiteral("%SystemRoot%");
bool g_soundLookedFor = false;
bool g_speechDeferred = false;

QString userScope() { return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_User; }

QString playLabel() { return ModulLabel("PlaySoundOnce", "QEV_PlaySound"); }

// The user's scheme may name a file for the event; without one the shipped sound plays.
QString schemeSound(const QString& event)
{
    QString file;
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\")
                        + event + QStringLiteral("\\.Current\\@"); // the key's default value
    if (SettingsStore::readPath(key, &file) && !file.trimmed().isEmpty())
        return file.trimmed();
    return event + QStringLiteral(".wav");
}

QString resolvedSound(QString sound, bool useScheme)
{
    if (useScheme && !sound.contains(QLatin1Char('.')))
        sound = schemeSound(sound);
    if (sound.contains(kSystemRoot))
        return GetWinDir() + sound.mid(kSystemRoot.size());
    if (!sound.startsWith(QLatin1Char('/')))
        return Paths::commonFolder() + QStringLiteral("/sounds/") + sound;
    return sound;
}

void saveTTS(const QString& value)
{
    SettingsStore::saveValue(userScope(), QStringLiteral("Settings"), QStringLiteral("TTS"), value);
}

// Logged once, when speech stops working; later starts stay quiet about it.
void speechUnusable(const QString& why)
{
    bSpeechOn = false;
    const QString told = SettingsStore::getValue(userScope(), QStringLiteral("Settings"),
                                                 QStringLiteral("TTS"), QStringLiteral("-1"));
    if (told != QStringLiteral("0"))
        WriteErrorLog(QStringLiteral(" Ini_TTS of Modul QEV_PlaySound "),
                      QStringLiteral("speech is off:"), why);
    saveTTS(QStringLiteral("0"));
}

// An output that cannot be used at all (a part of the program is missing) is logged once.
void soundUnusable(const QString& why)
{
    static QString told;
    if (why.isEmpty() || why == told)
        return;
    told = why;
    WriteErrorLog(QStringLiteral(" HasSound of Modul QEV_PlaySound "), QStringLiteral("sound is off:"), why);
}

} // namespace

bool HasSound()
{
    SoundOutput& output = SoundOutput::instance();
    bSoundOn = output.deviceCount() >= 1;
    if (!bSoundOn)
        soundUnusable(output.unavailableReason());
    g_soundLookedFor = true;
    return bSoundOn;
}

void DeferSoundAndSpeech()
{
    g_soundLookedFor = false;
    DeferSpeech();
}

void DeferSpeech() { g_speechDeferred = true; }

bool SoundOn()
{
    if (!g_soundLookedFor)
        (void)HasSound();
    return bSoundOn;
}

void PlaySoundOnce(QString& sound, bool& useScheme)
{
    sound = resolvedSound(sound, useScheme);
    if (!HasSound())
        return;
    SoundOutput::setLateErrorHandler(
        [](const QString& why) { ReportError(playLabel(), ErrNo::DeviceIO, why); });
    QString error;
    if (!SoundOutput::instance().playFile(sound, &error))
        ReportError(playLabel(), ErrNo::FileNotFound, error);
}

void Ini_TTS()
{
    objTTS = SpeechEngine::create();
    QString error;
    if (!objTTS->open(&error)) {
        speechUnusable(error);
        return;
    }
    if (bSoundOn)
        objTTS->Register(AppName, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    bSpeechOn = true;
    saveTTS(QStringLiteral("-1"));
}

void Release_TTS()
{
    objTTS.reset();
    bSpeechOn = false;
}

bool SpeakText(const QString& text)
{
    if (!SoundOn())
        return false;
    if (g_speechDeferred) {
        g_speechDeferred = false;
        Ini_TTS();
    }
    if (!bSpeechOn || !objTTS)
        return false;
    QString error;
    if (objTTS->Speak(text, 1, &error))
        return true;
    ReportError(ModulLabel("SpeakText", "QEV_PlaySound"), ErrNo::DeviceIO, error);
    return false;
}
