#include "SoundOutput.h"

#include <algorithm>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "Modules.h"
#include "SoundModule.h"

namespace {

std::function<void(const QString&)>& lateHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

// In place of the real output when its module cannot be loaded: no device, and every sound
// fails with the reason.
class MissingSoundOutput final : public SoundOutput
{
public:
    explicit MissingSoundOutput(QString why)
        : m_why(std::move(why))
    {
    }
    int deviceCount() override { return 0; }
    bool playFile(const QString& /*path*/, QString* error) override { return refuse(error); }
    bool playSamples(const QByteArray& /*samples*/, int /*sampleRate*/, QString* error) override
    {
        return refuse(error);
    }
    QString unavailableReason() const override { return m_why; }

private:
    bool refuse(QString* error) const
    {
        *error = m_why;
        return false;
    }
    QString m_why;
};

// A WAV file starts with "RIFF", its length and "WAVE"; anything else is refused at once
// rather than failing silently inside the decoder.
bool isWaveFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open the sound file ") + path + QStringLiteral(": ")
                 + file.errorString();
        return false;
    }
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE") {
        *error = QStringLiteral("not a WAV file: ") + path;
        return false;
    }
    return true;
}

// The audio back end plays through a sound server only; where no server listens there is no
// device, and asking the back end would start it (leaving ~/.config/pulse behind) for nothing.
bool soundServerMayListen()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    QStringList sockets{QStringLiteral("/run/user/%1/pulse/native").arg(::getuid()),
                        QStringLiteral("/run/pulse/native"), QStringLiteral("/var/run/pulse/native")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        sockets.prepend(runtime + QStringLiteral("/pulse/native"));
    return std::any_of(sockets.cbegin(), sockets.cend(),
                       [](const QString& socket) { return QFileInfo::exists(socket); });
}

std::unique_ptr<SoundOutput> moduleOutput()
{
    QString error;
    const auto create = reinterpret_cast<SoundModule::CreateOutput>(
        Modules::entry(SoundModule::kName, SoundModule::kCreateOutput, &error));
    if (!create)
        return std::make_unique<MissingSoundOutput>(error);
    return std::unique_ptr<SoundOutput>(create(&SoundOutput::reportLateError));
}

// The real output: its module is loaded only once a sound server may be there to play on.
class RealSoundOutput final : public SoundOutput
{
public:
    int deviceCount() override { return soundServerMayListen() ? module().deviceCount() : 0; }

    bool playFile(const QString& path, QString* error) override
    {
        if (!isWaveFile(path, error))
            return false;
        if (deviceCount() < 1) {
            *error = QStringLiteral("no sound device");
            return false;
        }
        return module().playFile(path, error);
    }

    bool playSamples(const QByteArray& samples, int sampleRate, QString* error) override
    {
        return module().playSamples(samples, sampleRate, error);
    }

    QString unavailableReason() const override
    {
        return m_module ? m_module->unavailableReason() : QString();
    }

private:
    SoundOutput& module()
    {
        if (!m_module)
            m_module = moduleOutput();
        return *m_module;
    }
    std::unique_ptr<SoundOutput> m_module;
};

std::unique_ptr<SoundOutput>& current()
{
    static std::unique_ptr<SoundOutput> output;
    return output;
}

} // namespace

SoundOutput& SoundOutput::instance()
{
    if (!current())
        current() = std::make_unique<RealSoundOutput>();
    return *current();
}

void SoundOutput::install(std::unique_ptr<SoundOutput> output) { current() = std::move(output); }

void SoundOutput::setLateErrorHandler(std::function<void(const QString&)> handler)
{
    lateHandler() = std::move(handler);
}

void SoundOutput::reportLateError(const QString& message)
{
    if (lateHandler())
        lateHandler()(message);
}
