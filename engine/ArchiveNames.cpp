#include "ArchiveNames.h"

#include "NumberText.h"

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

namespace {

// The date of the period's letter: 8 digits a day, 5 or 6 a week, 6 a month.
bool datePart(QChar letter, qsizetype digits, std::optional<ArchivePeriod> period)
{
    if (letter == QLatin1Char('d'))
        return digits == 8 && (!period || *period == ArchivePeriod::Daily);
    if (letter == QLatin1Char('w'))
        return (digits == 5 || digits == 6) && (!period || *period == ArchivePeriod::Weekly);
    if (letter == QLatin1Char('m'))
        return digits == 6 && (!period || *period == ArchivePeriod::Monthly);
    return false;
}

// What may follow ".zip": nothing, ".cry", ".log" or ".cry.log".
bool archiveTail(QStringView tail)
{
    if (tail.startsWith(QLatin1String(".cry")))
        tail = tail.mid(4);
    return tail.isEmpty() || tail == QLatin1String(".log");
}

} // namespace

// The names ArchiveFileName makes, with the period's date, any part and the log's ending; the
// profile is taken literally, so its "*", "?" or "[" match only themselves.
bool IsArchiveFileName(const QString& fileName, const QString& profile, std::optional<ArchivePeriod> period)
{
    const QString prefix = profile + QStringLiteral("_BackUp_");
    if (!fileName.startsWith(prefix) || fileName.size() <= prefix.size())
        return false;
    qsizetype at = prefix.size();
    const qsizetype dateDigits = NumberText::digitsAt(fileName, at + 1);
    if (!datePart(fileName.at(at), dateDigits, period))
        return false;
    at += 1 + dateDigits;
    if (QStringView(fileName).mid(at).startsWith(QLatin1String("__"))) {
        const qsizetype partDigits = NumberText::digitsAt(fileName, at + 2);
        if (partDigits == 0)
            return false;
        at += 2 + partDigits;
    }
    const QStringView rest = QStringView(fileName).mid(at);
    return rest.startsWith(QLatin1String(".zip")) && archiveTail(rest.mid(4));
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
