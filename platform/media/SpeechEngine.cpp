#include "SpeechEngine.h"

#include <espeak-ng/speak_lib.h>

#include <QByteArray>

#include "SoundOutput.h"

namespace {

SpeechEngine::Factory& factory()
{
    static SpeechEngine::Factory f;
    return f;
}

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
        return SoundOutput::instance().playSamples(samples, m_rate, error);
    }

private:
    int m_rate = 0;
    bool m_owner = false;
    bool m_usable = false;
    QString m_site;
    QString m_application;
};

} // namespace

std::unique_ptr<SpeechEngine> SpeechEngine::create()
{
    if (factory())
        return factory()();
    return std::make_unique<EspeakSpeech>();
}

void SpeechEngine::setFactory(Factory f) { factory() = std::move(f); }
