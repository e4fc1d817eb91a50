#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>

// The machine's sound output: how many devices it has, and playing a sound file or
// synthesised samples without waiting. A new sound replaces one still playing.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;

    [[nodiscard]] virtual int deviceCount() = 0;
    // Starts playing a WAV file; false with a message when it cannot start.
    [[nodiscard]] virtual bool playFile(const QString& path, QString* error) = 0;
    // Starts playing signed 16-bit mono samples at the given rate.
    [[nodiscard]] virtual bool playSamples(const QByteArray& samples, int sampleRate,
                                           QString* error) = 0;

    // The output in use: the real one unless a test installed another.
    [[nodiscard]] static SoundOutput& instance();
    // Tests: puts a fake in place of the real output; null brings the real one back.
    static void install(std::unique_ptr<SoundOutput> output);
    // Why the real output cannot be used (its module did not load); empty when it can.
    [[nodiscard]] virtual QString unavailableReason() const { return {}; }

    // Receives failures that show only after playing began (a file the decoder refuses).
    static void setLateErrorHandler(std::function<void(const QString&)> handler);
    // Outputs tell such failures here.
    static void reportLateError(const QString& message);
};
