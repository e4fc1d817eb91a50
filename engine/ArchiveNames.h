#pragma once

#include <optional>

#include <QDate>
#include <QString>
#include <QStringList>

// How archives of a profile are named: profile, period infix and date, "__" and the part,
// ".zip", and ".cry" when encrypted.
enum class ArchivePeriod { Daily = 0, Weekly = 1, Monthly = 2 };

// Week of the year: weeks begin on Sunday, week 1 holds 1 January (1 to 54).
[[nodiscard]] int ArchiveWeekNumber(const QDate& date);
// "Standard_BackUp_d20030115" and the like, without part and extension.
[[nodiscard]] QString ArchiveStem(const QString& profile, ArchivePeriod period, const QDate& date);
// The file name of a part: stem, "__part" (none when part is 0), ".zip", ".cry" when encrypted.
[[nodiscard]] QString ArchiveFileName(const QString& profile, ArchivePeriod period,
                                      const QDate& date, int part, bool encrypted);
// The part number of an archive name: the leading digits after its last "__", 0 when none.
[[nodiscard]] int ArchivePartNumber(const QString& fileName);
// True for a name of the program's own making for the profile, taken literally: stem of
// any date (of the period when given), an optional part, ".zip", then ".cry" and ".log" as
// an encrypted archive or an archive log has them.
[[nodiscard]] bool IsArchiveFileName(const QString& fileName, const QString& profile,
                                     std::optional<ArchivePeriod> period = std::nullopt);
// The highest part number among names that belong to the stem; 0 when none does.
[[nodiscard]] int HighestArchivePart(const QStringList& fileNames, const QString& stem,
                                     bool encrypted);
