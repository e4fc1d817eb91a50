#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The one reading of numbers typed into option boxes, shared by the window's handlers and the
// backup run. Always the C locale: "." is the decimal point whatever the desktop's language.
namespace NumberText {

// The number the text begins with, blanks ignored, read up to the first character that cannot
// continue it; 0 when the text does not begin with a number ("12ab" gives 12, "ab" gives 0).
[[nodiscard]] double leadingNumber(const QString& text);

// True when the whole text, blanks around it allowed, is one finite number (optional sign,
// "." as decimal point, optional exponent); its value goes to value when given.
[[nodiscard]] bool isNumeric(const QString& text, double* value = nullptr);

// The value rounded to a whole number, halves to the even neighbour; false (and whole left
// alone) outside the 32-bit signed range.
[[nodiscard]] bool toWhole32(double value, qint32* whole);

// How many ASCII digits stand in the text from the position on.
[[nodiscard]] qsizetype digitsAt(QStringView text, qsizetype at);

// The leading-number value as a whole number, halves to the even neighbour, clamped to the
// 32-bit signed range.
[[nodiscard]] qint32 leadingWhole(const QString& text);

} // namespace NumberText
