#include "VersionList.h"

#include <QStringList>

namespace VersionList {
namespace {

// One field from pos on: blanks before it skipped, quotes around it dropped; pos ends past
// the comma that closes it.
QString readField(const QString& line, qsizetype& pos)
{
    while (pos < line.size() && line.at(pos) == QLatin1Char(' '))
        ++pos;
    QString field;
    if (pos < line.size() && line.at(pos) == QLatin1Char('"')) {
        const qsizetype close = line.indexOf(QLatin1Char('"'), pos + 1);
        const qsizetype end = close < 0 ? line.size() : close;
        field = line.mid(pos + 1, end - pos - 1);
        pos = end + 1;
    }
    const qsizetype comma = line.indexOf(QLatin1Char(','), pos);
    const qsizetype end = comma < 0 ? line.size() : comma;
    if (field.isNull())
        field = line.mid(pos, end - pos).trimmed();
    pos = end + 1;
    return field;
}

bool parsePart(const QString& text, int* part)
{
    bool ok = false;
    const short value = text.trimmed().toShort(&ok);
    *part = value;
    return ok;
}

bool parseVersion(const QString& text, Version* version, QString* error)
{
    const qsizetype first = text.indexOf(QLatin1Char('.'));
    const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char('.'), first + 1);
    if (second < 0) {
        *error = QStringLiteral("the listed version has not three parts: ") + text;
        return false;
    }
    if (!parsePart(text.left(first), &version->major)
        || !parsePart(text.mid(first + 1, second - first - 1), &version->minor)
        || !parsePart(text.mid(second + 1), &version->revision)) {
        *error = QStringLiteral("the listed version is not a number: ") + text;
        return false;
    }
    return true;
}

// 0 when the running version is not older; else the text number naming what is newer.
int newerText(const Version& running, const Version& listed)
{
    if (running.major != listed.major)
        return running.major < listed.major ? 47 : 0;
    if (running.minor != listed.minor)
        return running.minor < listed.minor ? 46 : 0;
    return running.revision < listed.revision ? 45 : 0;
}

} // namespace

Check judge(const QByteArray& list, const QString& product, const Version& running)
{
    Check check;
    if (list.size() < 5)
        return check;
    const QStringList lines = QString::fromUtf8(list).split(QLatin1Char('\n'));
    bool found = false;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        qsizetype pos = 0;
        const QString key = readField(line, pos);
        if (key == product) {
            check.listed = readField(line, pos);
            found = true;
            break;
        }
        if (key.trimmed().isEmpty())
            return check;
    }
    if (!found)
        return check;
    Version listed;
    if (!parseVersion(check.listed, &listed, &check.error)) {
        check.verdict = Verdict::Broken;
        return check;
    }
    check.langText = newerText(running, listed);
    check.verdict = check.langText ? Verdict::Newer : Verdict::NotNewer;
    return check;
}

} // namespace VersionList
