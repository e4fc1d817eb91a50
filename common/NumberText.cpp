#include "NumberText.h"

#include <cmath>
#include <limits>

#include <QLocale>

namespace {

bool digitAt(QStringView text, qsizetype at)
{
    return at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9');
}

qsizetype skipDigits(QStringView text, qsizetype at) { return at + NumberText::digitsAt(text, at); }

// The length of the longest number the text starts with, written as
// [+-]?(digits[.digits] | .digits)([eE][+-]?digits)? with ASCII digits; 0 for none.
qsizetype numberLength(QStringView text)
{
    qsizetype at = 0;
    if (at < text.size() && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-')))
        ++at;
    if (digitAt(text, at)) {
        at = skipDigits(text, at);
        if (at < text.size() && text.at(at) == QLatin1Char('.'))
            at = skipDigits(text, at + 1);
    } else if (at < text.size() && text.at(at) == QLatin1Char('.') && digitAt(text, at + 1)) {
        at = skipDigits(text, at + 1);
    } else {
        return 0;
    }
    if (at < text.size() && (text.at(at) == QLatin1Char('e') || text.at(at) == QLatin1Char('E'))) {
        qsizetype exponent = at + 1;
        if (exponent < text.size() && (text.at(exponent) == QLatin1Char('+') || text.at(exponent) == QLatin1Char('-')))
            ++exponent;
        if (digitAt(text, exponent))
            at = skipDigits(text, exponent);
    }
    return at;
}

} // namespace

namespace NumberText {

qsizetype digitsAt(QStringView text, qsizetype at)
{
    qsizetype end = at;
    while (digitAt(text, end))
        ++end;
    return end - at;
}

double leadingNumber(const QString& text)
{
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    compact.remove(QLatin1Char('\t'));
    const qsizetype length = numberLength(compact);
    if (length == 0)
        return 0;
    const double value = QLocale::c().toDouble(QStringView(compact).left(length));
    return std::isfinite(value) ? value : 0;
}

bool isNumeric(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || numberLength(trimmed) != trimmed.size())
        return false;
    bool ok = false;
    const double parsed = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    if (value)
        *value = parsed;
    return true;
}

bool toWhole32(double value, qint32* whole)
{
    const double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<qint32>::min()
        || rounded > std::numeric_limits<qint32>::max())
        return false;
    *whole = static_cast<qint32>(rounded);
    return true;
}

qint32 leadingWhole(const QString& text)
{
    const double value = leadingNumber(text);
    qint32 whole = 0;
    if (toWhole32(value, &whole))
        return whole;
    return value < 0 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max();
}

} // namespace NumberText
