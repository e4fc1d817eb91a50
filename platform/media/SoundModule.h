#pragma once

#include <QString>

class SoundOutput;
class SpeechEngine;

// The entry points of the sound module: the real sound output and the real speech engine.
namespace SoundModule {

inline const QString kName = QStringLiteral("sound");

// The sound output; failures that show only after playing began go to lateError.
using CreateOutput = SoundOutput* (*)(void (*lateError)(const QString& message));
inline constexpr char kCreateOutput[] = "quillaroCreateSoundOutput";

// A speech engine that plays what it says through the output the function gives.
using CreateSpeech = SpeechEngine* (*)(SoundOutput& (*output)());
inline constexpr char kCreateSpeech[] = "quillaroCreateSpeechEngine";

} // namespace SoundModule
