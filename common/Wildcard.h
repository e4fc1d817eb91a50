#pragma once

#include <QString>

// Whole-name wildcard match: "*" any run (also none), "?" one character, "#" one digit,
// "[list]" one character of the list ("a-z" ranges), "[!list]" one character not in it;
// every other character stands for itself, compared by character code.
// A malformed pattern (an unclosed "[") never matches and sets *malformed.
[[nodiscard]] bool Like(QStringView name, QStringView pattern, bool* malformed = nullptr);

// True when the pattern is well formed.
[[nodiscard]] bool IsWellFormedPattern(QStringView pattern);

// True when the pattern is a star followed by plain characters only ("*.TMP"): a name fits it
// when it ends in those characters.
[[nodiscard]] bool IsStarAndTail(QStringView pattern);
