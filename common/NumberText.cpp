#include "NumberText.h"

#include <cmath>
#include <limits>

#include <QLocale>
#include <QRegularExpression>

namespace NumberText {

double leadingNumber(const QString& text)
{
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    compact.remove(QLatin1Char('\t'));
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch m = number.match(compact);
    if (!m.hasMatch())
        return 0;
    const double value = QLocale::c().toDouble(m.captured(0));
    return std::isfinite(value) ? value : 0;
}

bool isNumeric(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(trimmed).hasMatch())
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
