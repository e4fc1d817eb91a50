#include "FtpListing.h"

#include <QRegularExpression>
#include <QString>

namespace {

QStringList lines(const QByteArray& reply)
{
    QStringList result;
    for (const QByteArray& line : reply.split('\n')) {
        QByteArray l = line;
        if (l.endsWith('\r'))
            l.chop(1);
        if (!l.isEmpty())
            result.append(QString::fromUtf8(l));
    }
    return result;
}

bool isSelfOrParent(const QString& name)
{
    return name == QStringLiteral(".") || name == QStringLiteral("..") || name == QStringLiteral("./")
           || name == QStringLiteral("../");
}

void addName(QStringList& names, const QString& name, bool folder)
{
    if (name.isEmpty() || isSelfOrParent(name))
        return;
    names.append(folder ? name + QLatin1Char('/') : name);
}

} // namespace

QStringList ParseMlsdListing(const QByteArray& reply)
{
    QStringList names;
    for (const QString& line : lines(reply)) {
        // Facts end at the first blank; the name is everything after it, blanks included.
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        if (blank < 0)
            continue;
        QString type;
        for (const QString& fact : line.left(blank).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (fact.startsWith(QStringLiteral("type="), Qt::CaseInsensitive))
                type = fact.mid(5).toLower();
        }
        if (type == QStringLiteral("cdir") || type == QStringLiteral("pdir"))
            continue;
        addName(names, line.mid(blank + 1), type == QStringLiteral("dir"));
    }
    return names;
}

QStringList ParseListListing(const QByteArray& reply)
{
    static const QRegularExpression unixLine(QStringLiteral(
        "^([-dlbcps])[^ ]*\\s+\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s(.*)$"));
    static const QRegularExpression dosLine(
        QStringLiteral("^\\d\\d-\\d\\d-\\d\\d+\\s+\\S+\\s+(<DIR>|\\d+)\\s+(.*)$"), QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QString& line : lines(reply)) {
        if (line.startsWith(QStringLiteral("total "), Qt::CaseInsensitive))
            continue;
        if (const auto m = unixLine.match(line); m.hasMatch()) {
            QString name = m.captured(2);
            if (m.captured(1) == QStringLiteral("l"))
                name = name.section(QStringLiteral(" -> "), 0, 0);
            addName(names, name, m.captured(1) == QStringLiteral("d"));
        } else if (const auto dos = dosLine.match(line); dos.hasMatch()) {
            addName(names, dos.captured(2), dos.captured(1).compare(QStringLiteral("<DIR>"), Qt::CaseInsensitive) == 0);
        } else {
            addName(names, line, false);
        }
    }
    return names;
}

QStringList ParseNameListing(const QByteArray& reply)
{
    QStringList names;
    for (const QString& line : lines(reply)) {
        // Some servers answer NLST with the folder in front of each name.
        QString name = line;
        const bool folder = name.endsWith(QLatin1Char('/'));
        if (folder)
            name.chop(1);
        addName(names, name.section(QLatin1Char('/'), -1), folder);
    }
    return names;
}
