#pragma once

#include <QString>
#include <QStringList>

class SingleInstance;

// How start-up ended: the program goes on in the event loop, or ends with the exit code.
struct StartResult
{
    bool keepRunning = false;
    int exitCode = 0;
};

// The program's start-up sequence; argText is the program's arguments joined by blanks.
StartResult Main(const QString& argText, SingleInstance& instance);

// The argument text: the arguments joined by single blanks.
[[nodiscard]] QString ArgumentText(const QStringList& arguments);
// The value of a switch such as "/profile:", trimmed; null when the switch is absent.
[[nodiscard]] QString SwitchValue(const QString& argText, const QString& switchName);
// True when "/run" stands in the text as a switch of its own.
[[nodiscard]] bool HasRunSwitch(const QString& argText);
