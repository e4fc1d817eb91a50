#pragma once

#include <QDateTime>

// The one clock of the program. Tests may fix the wall-clock time; elapsed times are
// measured on a monotonic clock and are never negative.
namespace Clock {

[[nodiscard]] QDateTime now();
[[nodiscard]] QDate today();
// Milliseconds on a monotonic clock, for measuring durations only.
[[nodiscard]] qint64 monotonicMs();

// While TZ is unset, the C library looks at /etc/localtime again for every local time it
// converts: a file lookup per entry as an archive is read. Naming that same zone once, before
// any thread starts, keeps it to one lookup. A TZ the user set is left alone.
void pinLocalTimeZone();

// Tests: fix the wall clock (an invalid value lets it run again).
void setFixedNow(const QDateTime& fixed);

} // namespace Clock
