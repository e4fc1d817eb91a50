#include <QtTest>

#include <unistd.h>

#include "Globals.h"
#include "MessageBox.h"
#include "Modules.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_PlaySound.h"
#include "SettingsStore.h"
#include "SoundOutput.h"
#include "SpeechEngine.h"
#include "TestSupport.h"

namespace {

struct Played
{
    QStringList files;
    QList<QByteArray> samples;
    int sampleRate = 0;
    int devicesAsked = 0;
};

// A sound output with as many devices as the test wants, recording what it is asked to play.
class FakeOutput final : public SoundOutput
{
public:
    FakeOutput(int devices, Played* played, bool fails = false)
        : m_devices(devices)
        , m_played(played)
        , m_fails(fails)
    {}
    int deviceCount() override
    {
        ++m_played->devicesAsked;
        return m_devices;
    }
    bool playFile(const QString& path, QString* error) override
    {
        m_played->files.append(path);
        if (m_fails)
            *error = QStringLiteral("the device is gone");
        return !m_fails;
    }
    bool playSamples(const QByteArray& samples, int rate, QString*) override
    {
        m_played->samples.append(samples);
        m_played->sampleRate = rate;
        return true;
    }

private:
    int m_devices;
    Played* m_played;
    bool m_fails;
};

struct Spoken
{
    QStringList texts;
    QString registeredAs;
};

class FakeSpeech final : public SpeechEngine
{
public:
    FakeSpeech(bool works, Spoken* spoken)
        : m_works(works)
        , m_spoken(spoken)
    {}
    bool open(QString* error) override
    {
        if (!m_works)
            *error = QStringLiteral("no speech engine here");
        return m_works;
    }
    bool isUsable() const override { return m_works; }
    void Register(const QString& site, const QString&) override { m_spoken->registeredAs = site; }
    bool Speak(const QString& text, int, QString*) override
    {
        m_spoken->texts.append(text);
        return true;
    }

private:
    bool m_works;
    Spoken* m_spoken;
};

QString userScope() { return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_User; }
QString ttsValue()
{
    return SettingsStore::getValue(userScope(), QStringLiteral("Settings"), QStringLiteral("TTS"),
                                   QStringLiteral("unset"));
}
QString errorLog() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

} // namespace

class tst_QEV_PlaySound : public QObject
{
    Q_OBJECT

private:
    Played m_played;
    Spoken m_spoken;

    void useDevices(int devices, bool fails = false)
    {
        SoundOutput::install(std::make_unique<FakeOutput>(devices, &m_played, fails));
        (void)HasSound();
    }
    void useSpeech(bool works)
    {
        SpeechEngine::setFactory(
            [this, works] { return std::make_unique<FakeSpeech>(works, &m_spoken); });
    }

private slots:
    void initTestCase()
    {
        AppName = QStringLiteral("Quillaro");
        g_User = QStringLiteral("ALICE");
    }

    void init()
    {
        Release_TTS();
        m_played = {};
        m_spoken = {};
        SoundOutput::install(nullptr);
        SpeechEngine::setFactory({});
        QFile::remove(ErrorLogPath());
        MessageBoxSeam::clearShown();
    }

    void soundPathsResolve_data()
    {
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("useScheme");
        QTest::addColumn<QString>("schemeFile");
        QTest::addColumn<QString>("played");
        const QString sounds = Paths::commonFolder() + QStringLiteral("/sounds/");
        const auto row = [](const char* name, const char* sound, bool scheme, const char* file,
                            const QString& played) {
            QTest::newRow(name) << QString::fromLatin1(sound) << scheme << QString::fromLatin1(file)
                                << played;
        };
        row("event, shipped sound", "close", true, "", sounds + QStringLiteral("close.wav"));
        row("event from the user's scheme", "close", true, "/home/a/bye.wav",
            QStringLiteral("/home/a/bye.wav"));
        row("scheme entry under the system folder", "close", true, "%SystemRoot%/media/close.wav",
            QStringLiteral("/usr/media/close.wav"));
        row("bare file name", "chord.wav", true, "/ignored.wav",
            sounds + QStringLiteral("chord.wav"));
        row("full path", "/opt/x/ding.wav", false, "", QStringLiteral("/opt/x/ding.wav"));
        row("event name without scheme", "close", false, "/ignored.wav",
            sounds + QStringLiteral("close"));
    }

    void soundPathsResolve()
    {
        QFETCH(QString, sound);
        QFETCH(bool, useScheme);
        QFETCH(QString, schemeFile);
        QFETCH(QString, played);
        const QString key = QStringLiteral(
            "HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\close\\.Current\\@");
        if (schemeFile.isEmpty())
            (void)SettingsStore::removePath(key);
        else
            QVERIFY(SettingsStore::writePath(key, schemeFile));
        useDevices(1);
        PlaySoundOnce(sound, useScheme);
        QCOMPARE(sound, played);
        QCOMPARE(m_played.files, QStringList{played});
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void noDeviceMeansNoSoundAndNoSpeechAndNoFailure()
    {
        useDevices(0);
        useSpeech(true);
        QVERIFY(!HasSound());
        QVERIFY(!bSoundOn);
        Ini_TTS();
        QVERIFY(objTTS);
        QVERIFY(m_spoken.registeredAs.isEmpty()); // created, not registered
        QString sound = QStringLiteral("close");
        bool scheme = true;
        PlaySoundOnce(sound, scheme);
        QVERIFY(!SpeakText(QStringLiteral("done")));
        QVERIFY(m_played.files.isEmpty());
        QVERIFY(m_spoken.texts.isEmpty());
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void theRealOutputWithoutADeviceFailsNothing()
    {
        const bool device = HasSound();
        QString sound = QStringLiteral("close");
        bool scheme = true;
        if (!device)
            PlaySoundOnce(sound, scheme);
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void theRealOutputRefusesWhatIsNoWaveFile()
    {
        const QString path =
            TestSupport::freshFolder(QStringLiteral("snd")) + QStringLiteral("/x.wav");
        TestSupport::writeFile(path, "not a sound");
        QString error;
        QVERIFY(!SoundOutput::instance().playFile(path, &error));
        QVERIFY(error.contains(QStringLiteral("not a WAV file")));
        QVERIFY(!SoundOutput::instance().playFile(path + QStringLiteral(".missing"), &error));
    }

    void aSoundThatCannotPlayIsReported()
    {
        useDevices(1, true);
        QString sound = QStringLiteral("close");
        bool scheme = true;
        PlaySoundOnce(sound, scheme);
        QVERIFY(errorLog().contains(QStringLiteral("PlaySoundOnce of Modul QEV_PlaySound")));
    }

    void workingSpeechIsRegisteredAndSpeaks()
    {
        useDevices(1);
        useSpeech(true);
        Ini_TTS();
        QVERIFY(bSpeechOn);
        QCOMPARE(m_spoken.registeredAs, AppName);
        QCOMPARE(ttsValue(), QStringLiteral("-1"));
        QVERIFY(SpeakText(QStringLiteral("Backup started")));
        QCOMPARE(m_spoken.texts, QStringList{QStringLiteral("Backup started")});
        Release_TTS();
        QVERIFY(!objTTS);
        QVERIFY(!SpeakText(QStringLiteral("gone")));
    }

    // A start that defers them creates neither the device check nor speech until a phrase is
    // wanted; the first phrase then finds the device, creates speech and is spoken.
    void deferredSoundAndSpeechWaitForTheFirstPhrase()
    {
        useDevices(1);
        useSpeech(true);
        m_played.devicesAsked = 0;
        DeferSoundAndSpeech();
        QCOMPARE(m_played.devicesAsked, 0);
        QVERIFY(!objTTS);
        QVERIFY(SpeakText(QStringLiteral("Backup started")));
        QCOMPARE(m_played.devicesAsked, 1);
        QCOMPARE(m_spoken.registeredAs, AppName);
        QCOMPARE(m_spoken.texts, QStringList{QStringLiteral("Backup started")});
        QVERIFY(SoundOn());
        QCOMPARE(m_played.devicesAsked, 1); // looked for once
        Release_TTS();
    }

    void missingSpeechTurnsSpeechOffQuietlyAndKeepsSounds()
    {
        useDevices(1);
        useSpeech(false);
        SettingsStore::saveValue(userScope(), QStringLiteral("Settings"), QStringLiteral("TTS"),
                                 QStringLiteral("-1"));
        Ini_TTS();
        QVERIFY(!bSpeechOn);
        QVERIFY(bSoundOn); // sounds do not depend on speech
        QCOMPARE(ttsValue(), QStringLiteral("0"));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(errorLog().count(QStringLiteral("speech is off")), 1);
        // A later start, and the device check every sound makes, leave speech off.
        Ini_TTS();
        (void)HasSound();
        QVERIFY(!SpeakText(QStringLiteral("hello")));
        QVERIFY(m_spoken.texts.isEmpty());
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(errorLog().count(QStringLiteral("speech is off")), 1);
        QString sound = QStringLiteral("close");
        bool scheme = true;
        PlaySoundOnce(sound, scheme);
        QCOMPARE(m_played.files.size(), 1);
    }

    // Without a sound server to play on the sound module is not even loaded.
    void noSoundServerLoadsNoSoundModule()
    {
        if (QFileInfo::exists(QStringLiteral("/run/user/%1/pulse/native").arg(::getuid())))
            QSKIP("a sound server listens on this machine");
        QVERIFY(!HasSound());
        QVERIFY(!Modules::isLoaded(QStringLiteral("sound")));
    }

    // Without its module the program still runs: no sound, no speech, and the reason is
    // logged once.
    void aMissingSoundModuleTurnsSoundAndSpeechOffAndIsLogged()
    {
        Modules::setFolder(TestSupport::freshFolder(QStringLiteral("no-modules")));
        qputenv("PULSE_SERVER", "unix:/nonexistent/pulse"); // a server may listen: sound is wanted
        SettingsStore::saveValue(userScope(), QStringLiteral("Settings"), QStringLiteral("TTS"),
                                 QStringLiteral("-1"));
        QVERIFY(!HasSound());
        QVERIFY(!HasSound());
        QString sound = QStringLiteral("close");
        bool scheme = true;
        PlaySoundOnce(sound, scheme);
        Ini_TTS();
        Modules::setFolder({});
        qunsetenv("PULSE_SERVER");
        QVERIFY(!bSpeechOn);
        const QString log = errorLog();
        QCOMPARE(log.count(QStringLiteral("sound is off")), 1);
        QCOMPARE(log.count(QStringLiteral("speech is off")), 1);
        QCOMPARE(log.count(QStringLiteral("libquillaro_sound.so cannot be loaded")), 2);
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void theRealSpeechEngineSynthesises()
    {
        useDevices(1);
        std::unique_ptr<SpeechEngine> engine = SpeechEngine::create();
        QVERIFY(Modules::isLoaded(QStringLiteral("sound")));
        QString error;
        QVERIFY2(engine->open(&error), qPrintable(error));
        QVERIFY(engine->isUsable());
        QVERIFY2(engine->Speak(QStringLiteral("Backup finished"), 1, &error), qPrintable(error));
        QCOMPARE(m_played.samples.size(), 1);
        QVERIFY(m_played.samples.first().size() > 10000);
        QVERIFY(m_played.sampleRate > 0);
        std::unique_ptr<SpeechEngine> second = SpeechEngine::create();
        QVERIFY(!second->open(&error)); // one engine per process
    }

    void theShippedSoundIsAWaveFile()
    {
        QString output;
        const QString path =
            TestSupport::sourceCommonFolder() + QStringLiteral("/sounds/close.wav");
        QCOMPARE(
            TestSupport::runTool(QStringLiteral("python3"),
                                 {QStringLiteral("-c"),
                                  QStringLiteral("import sys, wave; w = wave.open(sys.argv[1]); "
                                                 "print(w.getnchannels(), w.getsampwidth(), "
                                                 "w.getnframes() > 1000)"),
                                  path},
                                 &output),
            0);
        QCOMPARE(output.trimmed(), QStringLiteral("1 2 True"));
    }
};

QTEST_GUILESS_MAIN(tst_QEV_PlaySound)
#include "tst_QEV_PlaySound.moc"
