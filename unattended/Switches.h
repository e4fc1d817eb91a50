#pragma once

#include <QString>
#include <QStringList>

// The program's switches: "/run", "/profile:NAME" and "/dir:FOLDER".

// The argument text: the arguments joined by single blanks.
[[nodiscard]] QString ArgumentText(const QStringList& arguments);
// The value of a switch such as "/profile:", trimmed; null when the switch is absent.
[[nodiscard]] QString SwitchValue(const QString& argText, const QString& switchName);
// The same, read from the arguments: a switch that begins an argument takes that argument's
// rest and the arguments up to the next switch; otherwise as SwitchValue on the joined text.
[[nodiscard]] QString SwitchValueOf(const QStringList& arguments, const QString& switchName);
// True when "/run" stands in the text as a switch of its own.
[[nodiscard]] bool HasRunSwitch(const QString& argText);
// The same, read from the arguments: "/run" is an argument of its own; only when no argument
// begins a switch is the joined text searched.
[[nodiscard]] bool HasRunSwitch(const QStringList& arguments);
// The position "/profile:" picks among the names: the exact name first, else the one name
// equal to it without regard to case; -1 when there is none, or more than one such name.
[[nodiscard]] int MatchProfile(const QStringList& names, const QString& wanted);
