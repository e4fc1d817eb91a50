#pragma once

#include <QString>

// The one rule for the name a profile is given, wherever a profile is made or renamed
// (save, save-as, the wizard): it becomes a file name and a settings scope, is matched
// literally against archive names, and is typed on scheduled command lines.
namespace ProfileName {

// Refuses a blank name, "." and "..", a leading ".", the characters \ / : ? * < > | " ,
// NUL and line breaks, and a name too long for the names of the profile's files. *why tells
// what is wrong; empty when the name is allowed.
[[nodiscard]] bool isAllowed(const QString& name, QString* why = nullptr);

} // namespace ProfileName
