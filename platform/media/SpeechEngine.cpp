#include "SpeechEngine.h"

#include "Modules.h"
#include "SoundModule.h"
#include "SoundOutput.h"

namespace {

SpeechEngine::Factory& factory()
{
    static SpeechEngine::Factory f;
    return f;
}

// In place of the real engine when its module cannot be loaded: it never opens.
class MissingSpeech final : public SpeechEngine
{
public:
    explicit MissingSpeech(QString why)
        : m_why(std::move(why))
    {
    }
    bool open(QString* error) override { return refuse(error); }
    bool isUsable() const override { return false; }
    void Register(const QString& /*site*/, const QString& /*application*/) override {}
    bool Speak(const QString& /*text*/, int /*flags*/, QString* error) override { return refuse(error); }

private:
    bool refuse(QString* error) const
    {
        *error = m_why;
        return false;
    }
    QString m_why;
};

} // namespace

std::unique_ptr<SpeechEngine> SpeechEngine::create()
{
    if (factory())
        return factory()();
    QString error;
    const auto create = reinterpret_cast<SoundModule::CreateSpeech>(
        Modules::entry(SoundModule::kName, SoundModule::kCreateSpeech, &error));
    if (!create)
        return std::make_unique<MissingSpeech>(error);
    return std::unique_ptr<SpeechEngine>(create(&SoundOutput::instance));
}

void SpeechEngine::setFactory(Factory f) { factory() = std::move(f); }
