#pragma once

#include <functional>
#include <memory>

#include <QString>

// The speech component: registered by site and application name, it speaks a text without
// waiting, through the sound output. Only one engine can be open in a process.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Prepares the engine and its voice; false with a message when it cannot speak.
    [[nodiscard]] virtual bool open(QString* error) = 0;
    [[nodiscard]] virtual bool isUsable() const = 0;
    virtual void Register(const QString& site, const QString& application) = 0;
    // Starts speaking the text; false with a message when nothing will be heard.
    [[nodiscard]] virtual bool Speak(const QString& text, int flags, QString* error) = 0;

    // A new engine: the real one over libespeak-ng unless a test set a factory.
    [[nodiscard]] static std::unique_ptr<SpeechEngine> create();
    using Factory = std::function<std::unique_ptr<SpeechEngine>()>;
    // Tests: engines come from this factory; an empty one brings the real engine back.
    static void setFactory(Factory factory);
};
