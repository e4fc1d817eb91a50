#pragma once

#include <memory>

#include <QString>

class SpeechEngine;

// The speech object, created by Ini_TTS and released by Release_TTS (the main window's
// unload). Speak through SpeakText, which knows whether speech works.
extern std::unique_ptr<SpeechEngine> objTTS;

// Records in bSoundOn whether a sound device exists, and gives it.
[[nodiscard]] bool HasSound();
// Looking for a device starts the audio system: a start that plays and speaks nothing yet
// leaves that, and the speech object, to the first sound or phrase that is wanted.
void DeferSoundAndSpeech();
// The speech engine connects to the sound server when it is created: it waits for the first
// phrase.
void DeferSpeech();
// bSoundOn, once looked for.
[[nodiscard]] bool SoundOn();
// Plays a sound without waiting: with useScheme an event name ("close") is looked up in the
// user's sound scheme, else in the shipped sounds; a bare file name is one of the shipped
// sounds; a full path is played as it stands. sound holds the resolved path afterwards.
void PlaySoundOnce(QString& sound, bool& useScheme);
// Creates the speech object; a speech engine that does not work turns speech off (bSpeechOn)
// without a message, and leaves sounds alone.
void Ini_TTS();
void Release_TTS();
// Speaks the text when a sound device exists and speech works; true when it is being spoken.
// The callers test chkSound themselves.
bool SpeakText(const QString& text);
