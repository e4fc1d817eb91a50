#pragma once

#include <QString>

// The arithmetic of the run statistics. Figures are written in the C locale, as every stored
// number; they are read in it or, failing that, in the user's number format. Whole numbers
// round to the nearest, a half to the even neighbour. Each function gives false
// with a message when a text is no number or a result leaves its range.
namespace Statistics {

// The total size plus the run's size, in the plain form of a number.
[[nodiscard]] bool addSize(const QString& total, const QString& run, QString* sum, QString* error);
// The number of backups plus one.
[[nodiscard]] bool nextCount(const QString& count, QString* next, QString* error);
// The average run time over the runs counted so far and this one; the first run's time as
// the run shows it, later ones with grouping and two decimals.
[[nodiscard]] bool newAverage(const QString& count, const QString& average,
                              const QString& runSeconds, QString* result, QString* error);
// The files so far plus the run's files, within the 32-bit range.
[[nodiscard]] bool addFiles(const QString& total, const QString& run, QString* sum, QString* error);

// Reading numbers as the statistics do (grouping accepted).
[[nodiscard]] bool toNumber(const QString& text, double* value);
[[nodiscard]] bool toWhole(const QString& text, qint32* value);

} // namespace Statistics
