#include "ArchiveNames.h"

#include <QRegularExpression>

namespace {

QString periodInfix(ArchivePeriod period, const QDate& date)
{
    switch (period) {
    case ArchivePeriod::Weekly:
        return QStringLiteral("_BackUp_w") + QString::number(date.year())
               + QString::number(ArchiveWeekNumber(date));
    case ArchivePeriod::Monthly:
        return QStringLiteral("_BackUp_m") + date.toString(QStringLiteral("yyyyMM"));
    case ArchivePeriod::Daily:
        break;
    }
    return QStringLiteral("_BackUp_d") + date.toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

int ArchiveWeekNumber(const QDate& date)
{
    const QDate newYear(date.year(), 1, 1);
    const int weekdayOfNewYear = newYear.dayOfWeek() % 7 + 1; // Sunday = 1 .. Saturday = 7
    return 1 + ((date.dayOfYear() - 1) + (weekdayOfNewYear - 1)) / 7;
}

QString ArchiveStem(const QString& profile, ArchivePeriod period, const QDate& date)
{
    return profile + periodInfix(period, date);
}

QString ArchiveFileName(const QString& profile, ArchivePeriod period, const QDate& date, int part,
                        bool encrypted)
{
    QString name = ArchiveStem(profile, period, date);
    if (part > 0)
        name += QStringLiteral("__") + QString::number(part);
    name += QStringLiteral(".zip");
    if (encrypted)
        name += QStringLiteral(".cry");
    return name;
}

int ArchivePartNumber(const QString& fileName)
{
    const qsizetype at = fileName.lastIndexOf(QStringLiteral("__"));
    if (at < 0)
        return 0;
    qsizetype end = at + 2;
    while (end < fileName.size() && fileName.at(end).isDigit() && fileName.at(end).unicode() < 128)
        ++end;
    bool ok = false;
    const int part = fileName.mid(at + 2, end - at - 2).toInt(&ok);
    return ok ? part : 0;
}

bool IsArchiveFileName(const QString& fileName, const QString& profile, std::optional<ArchivePeriod> period)
{
    static const QString kDates[] = {QStringLiteral("d\\d{8}"), QStringLiteral("w\\d{5,6}"), QStringLiteral("m\\d{6}")};
    const QString date = period ? kDates[static_cast<int>(*period)]
                                : kDates[0] + QLatin1Char('|') + kDates[1] + QLatin1Char('|') + kDates[2];
    const QRegularExpression own(QLatin1Char('^') + QRegularExpression::escape(profile) + QStringLiteral("_BackUp_(?:")
                                 + date + QStringLiteral(")(?:__\\d+)?\\.zip(?:\\.cry)?(?:\\.log)?$"));
    return own.match(fileName).hasMatch();
}

int HighestArchivePart(const QStringList& fileNames, const QString& stem, bool encrypted)
{
    const QString tail = encrypted ? QStringLiteral(".zip.cry") : QStringLiteral(".zip");
    int highest = 0;
    for (const QString& name : fileNames) {
        if (!name.startsWith(stem + QStringLiteral("__")) || !name.endsWith(tail))
            continue;
        // Only the digits between the stem's "__" and the extension make a part of this stem.
        const QString middle = name.mid(stem.size() + 2, name.size() - stem.size() - 2 - tail.size());
        bool ok = false;
        const int part = middle.toInt(&ok);
        if (ok && part > highest)
            highest = part;
    }
    return highest;
}
