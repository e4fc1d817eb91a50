#include "Switches.h"

#include <algorithm>

namespace {

const QStringList kSwitches = {QStringLiteral("/profile:"), QStringLiteral("/dir:"),
                               QStringLiteral("/run")};

// A switch counts at the start of the text or after a blank; "/run" only as a whole word.
bool switchAt(const QString& text, qsizetype at, const QString& name)
{
    if (at > 0 && text.at(at - 1) != QLatin1Char(' '))
        return false;
    if (text.mid(at, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    if (name.endsWith(QLatin1Char(':')))
        return true;
    const qsizetype end = at + name.size();
    return end == text.size() || text.at(end) == QLatin1Char(' ');
}

qsizetype findSwitch(const QString& text, const QString& name, qsizetype from)
{
    for (qsizetype at = from; at < text.size(); ++at) {
        if (switchAt(text, at, name))
            return at;
    }
    return -1;
}

qsizetype nextSwitch(const QString& text, qsizetype from)
{
    qsizetype next = text.size();
    for (const QString& name : kSwitches) {
        const qsizetype at = findSwitch(text, name, from);
        if (at >= 0)
            next = qMin(next, at);
    }
    return next;
}

} // namespace

QString ArgumentText(const QStringList& arguments) { return arguments.join(QLatin1Char(' ')); }

QString SwitchValue(const QString& argText, const QString& switchName)
{
    const qsizetype at = findSwitch(argText, switchName, 0);
    if (at < 0)
        return {};
    const qsizetype start = at + switchName.size();
    const qsizetype end = nextSwitch(argText, start);
    QString value = argText.mid(start, end - start).trimmed();
    if (value.isNull())
        value = QStringLiteral("");
    return value;
}

int MatchProfile(const QStringList& names, const QString& wanted)
{
    const int exact = static_cast<int>(names.indexOf(wanted));
    if (exact >= 0)
        return exact;
    int found = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        if (found >= 0)
            return -1;
        found = i;
    }
    return found;
}

namespace {

bool isRunArgument(const QString& argument)
{
    return argument.compare(QStringLiteral("/run"), Qt::CaseInsensitive) == 0;
}

bool beginsSwitch(const QString& argument)
{
    return isRunArgument(argument) || argument.startsWith(QStringLiteral("/profile:"), Qt::CaseInsensitive)
           || argument.startsWith(QStringLiteral("/dir:"), Qt::CaseInsensitive);
}

} // namespace

// A scheduled task passes each switch with its value as one argument, so a folder holding
// " /run" or " /dir:" stays one folder; words typed without quotes still join up.
QString SwitchValueOf(const QStringList& arguments, const QString& switchName)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(switchName, Qt::CaseInsensitive))
            continue;
        QStringList words{arguments[i].mid(switchName.size())};
        for (qsizetype j = i + 1; j < arguments.size() && !beginsSwitch(arguments[j]); ++j)
            words.append(arguments[j]);
        return QStringLiteral("") + words.join(QLatin1Char(' ')).trimmed();
    }
    return SwitchValue(ArgumentText(arguments), switchName);
}

bool HasRunSwitch(const QString& argText)
{
    return findSwitch(argText, QStringLiteral("/run"), 0) >= 0;
}

// Read as SwitchValueOf reads the values: a "/run" inside the value of another switch is
// part of that value.
bool HasRunSwitch(const QStringList& arguments)
{
    if (std::any_of(arguments.begin(), arguments.end(), beginsSwitch))
        return std::any_of(arguments.begin(), arguments.end(), isRunArgument);
    return HasRunSwitch(ArgumentText(arguments));
}

