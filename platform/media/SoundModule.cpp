// The sound module: the real sound output over Qt Multimedia and the real speech engine over
// libespeak-ng. The program loads it for the first sound or phrase it is asked for, and only
// where a sound server may listen.
#include <espeak-ng/speak_lib.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include "Modules.h"
#include "SoundModule.h"
#include "SoundOutput.h"
#include "SpeechEngine.h"

namespace {

QtMessageHandler& handlerBefore()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

// Without a sound server the audio back end writes its failed connection on the terminal; no
// server only means no device here, which the device count tells.
void quietAudioSystem(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("PulseAudioService:")))
        handlerBefore()(type, context, message);
}

class QtSoundOutput final : public SoundOutput
{
public:
    explicit QtSoundOutput(void (*lateError)(const QString&))
        : m_lateError(lateError)
    {
        if (!handlerBefore())
            handlerBefore() = qInstallMessageHandler(quietAudioSystem);
    }

    int deviceCount() override { return static_cast<int>(QMediaDevices::audioOutputs().size()); }

    // The program checked the file and the device before.
    bool playFile(const QString& path, QString* /*error*/) override
    {
        m_effect = std::make_unique<QSoundEffect>();
        QObject::connect(m_effect.get(), &QSoundEffect::statusChanged, m_effect.get(),
                         [effect = m_effect.get(), path, lateError = m_lateError] {
                             if (effect->status() == QSoundEffect::Error)
                                 lateError(QStringLiteral("cannot play ") + path);
                         });
        m_effect->setSource(QUrl::fromLocalFile(path));
        m_effect->play();
        return true;
    }

    bool playSamples(const QByteArray& samples, int sampleRate, QString* error) override
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            *error = QStringLiteral("no sound device");
            return false;
        }
        QAudioFormat format;
        format.setSampleRate(sampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink.reset();
        m_buffer = std::make_unique<QBuffer>();
        m_buffer->setData(samples);
        m_buffer->open(QIODevice::ReadOnly);
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->start(m_buffer.get());
        if (m_sink->error() != QAudio::NoError) {
            *error = QStringLiteral("the sound device refused the samples");
            return false;
        }
        return true;
    }

private:
    void (*m_lateError)(const QString&);
    std::unique_ptr<QSoundEffect> m_effect;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
};

bool& engineOpen()
{
    static bool open = false;
    return open;
}

int collectSamples(short* samples, int count, espeak_EVENT* events)
{
    if (samples && count > 0 && events && events->user_data) {
        auto* buffer = static_cast<QByteArray*>(events->user_data);
        buffer->append(reinterpret_cast<const char*>(samples),
                       static_cast<qsizetype>(count) * static_cast<qsizetype>(sizeof(short)));
    }
    return 0; // go on synthesising
}

// Synthesises into memory and plays through the program's own sound output, so that speech
// needs no audio set-up of its own and fails the same way sounds do.
class EspeakSpeech final : public SpeechEngine
{
public:
    explicit EspeakSpeech(SoundOutput& (*output)())
        : m_output(output)
    {
    }
    ~EspeakSpeech() override
    {
        if (m_owner) {
            espeak_Terminate();
            engineOpen() = false;
        }
    }

    bool open(QString* error) override
    {
        if (engineOpen()) {
            *error = QStringLiteral("the speech engine is already open");
            return false;
        }
        m_rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (m_rate <= 0) {
            *error = QStringLiteral("the speech engine (libespeak-ng) cannot start; "
                                    "is espeak-ng-data installed?");
            return false;
        }
        m_owner = engineOpen() = true;
        espeak_SetSynthCallback(collectSamples);
        if (espeak_SetVoiceByName("en") != EE_OK) {
            *error = QStringLiteral("the speech engine has no English voice");
            return false;
        }
        m_usable = true;
        return true;
    }

    bool isUsable() const override { return m_usable; }

    void Register(const QString& site, const QString& application) override
    {
        m_site = site;
        m_application = application;
    }

    bool Speak(const QString& text, int /*flags: always asynchronous here*/,
               QString* error) override
    {
        if (!m_usable) {
            *error = QStringLiteral("the speech engine is not usable");
            return false;
        }
        QByteArray samples;
        const QByteArray utf8 = text.toUtf8();
        const espeak_ERROR result =
            espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER,
                         0, espeakCHARS_UTF8, nullptr, &samples);
        if (result != EE_OK || samples.isEmpty()) {
            *error = QStringLiteral("the speech engine could not speak: ") + text;
            return false;
        }
        return m_output().playSamples(samples, m_rate, error);
    }

private:
    SoundOutput& (*m_output)();
    int m_rate = 0;
    bool m_owner = false;
    bool m_usable = false;
    QString m_site;
    QString m_application;
};

} // namespace

QUILLARO_MODULE_ENTRY SoundOutput* quillaroCreateSoundOutput(void (*lateError)(const QString&))
{
    return new QtSoundOutput(lateError);
}

QUILLARO_MODULE_ENTRY SpeechEngine* quillaroCreateSpeechEngine(SoundOutput& (*output)())
{
    return new EspeakSpeech(output);
}
