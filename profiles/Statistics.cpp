#include "Statistics.h"

#include <cmath>
#include <limits>

#include <QLocale>

namespace {

QString notANumber(const QString& text)
{
    return QStringLiteral("not a number: \"") + text + QLatin1Char('"');
}

// Stored figures are written in the C locale, whatever the user's locale is.
QLocale plainLocale()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QLocale groupingLocale()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

bool readNumber(const QLocale& locale, const QString& text, double* value)
{
    bool ok = false;
    *value = locale.toDouble(text, &ok);
    return ok && std::isfinite(*value);
}

bool wholeInRange(double value, qint32* whole)
{
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<qint32>::min()
        || rounded > std::numeric_limits<qint32>::max())
        return false;
    *whole = static_cast<qint32>(rounded);
    return true;
}

} // namespace

namespace Statistics {

// The run's own figures, and figures stored by earlier versions, may be in the user's form.
bool toNumber(const QString& text, double* value)
{
    const QString t = text.trimmed();
    return readNumber(groupingLocale(), t, value) || readNumber(QLocale(), t, value);
}

bool toWhole(const QString& text, qint32* value)
{
    double number = 0;
    return toNumber(text, &number) && wholeInRange(number, value);
}

bool addSize(const QString& total, const QString& run, QString* sum, QString* error)
{
    double a = 0;
    double b = 0;
    if (!toNumber(total, &a) || !toNumber(run, &b)) {
        *error = notANumber(toNumber(total, &a) ? run : total);
        return false;
    }
    if (!std::isfinite(a + b)) {
        *error = QStringLiteral("the total size overflows");
        return false;
    }
    *sum = plainLocale().toString(a + b, 'g', 15);
    return true;
}

bool nextCount(const QString& count, QString* next, QString* error)
{
    qint32 n = 0;
    if (!toWhole(count, &n) || n == std::numeric_limits<qint32>::max()) {
        *error = notANumber(count);
        return false;
    }
    *next = QString::number(n + 1);
    return true;
}

bool newAverage(const QString& count, const QString& average, const QString& runSeconds,
                QString* result, QString* error)
{
    double n = 0;
    if (!toNumber(count, &n)) {
        *error = notANumber(count);
        return false;
    }
    if (n < 1) {
        *result = runSeconds;
        return true;
    }
    double a = 0;
    qint32 t = 0;
    if (!toNumber(average, &a) || !toWhole(runSeconds, &t)) {
        *error = notANumber(toNumber(average, &a) ? runSeconds : average);
        return false;
    }
    *result = groupingLocale().toString((a * n + t) / (n + 1), 'f', 2);
    return true;
}

bool addFiles(const QString& total, const QString& run, QString* sum, QString* error)
{
    qint32 a = 0;
    qint32 b = 0;
    if (!toWhole(total, &a) || !toWhole(run, &b)) {
        *error = notANumber(toWhole(total, &a) ? run : total);
        return false;
    }
    const qint64 s = qint64(a) + b;
    if (s > std::numeric_limits<qint32>::max() || s < std::numeric_limits<qint32>::min()) {
        *error = QStringLiteral("the number of files leaves the 32-bit range");
        return false;
    }
    *sum = QString::number(s);
    return true;
}

} // namespace Statistics
