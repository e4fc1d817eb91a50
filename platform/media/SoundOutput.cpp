#include "SoundOutput.h"

#include <algorithm>
#include <unistd.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

std::function<void(const QString&)>& lateHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

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

class QtSoundOutput final : public SoundOutput
{
public:
    QtSoundOutput()
    {
        if (!handlerBefore())
            handlerBefore() = qInstallMessageHandler(quietAudioSystem);
    }

    int deviceCount() override
    {
        return soundServerMayListen() ? static_cast<int>(QMediaDevices::audioOutputs().size()) : 0;
    }

    bool playFile(const QString& path, QString* error) override
    {
        if (!isWaveFile(path, error))
            return false;
        if (deviceCount() < 1) {
            *error = QStringLiteral("no sound device");
            return false;
        }
        m_effect = std::make_unique<QSoundEffect>();
        QObject::connect(m_effect.get(), &QSoundEffect::statusChanged, m_effect.get(),
                         [effect = m_effect.get(), path] {
                             if (effect->status() == QSoundEffect::Error)
                                 reportLateError(QStringLiteral("cannot play ") + path);
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
    std::unique_ptr<QSoundEffect> m_effect;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
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
        current() = std::make_unique<QtSoundOutput>();
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
