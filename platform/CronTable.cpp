#include "CronTable.h"

#include <QUrl>

const QByteArray CronTable::kBegin = "# BEGIN QUILLARO TASKS (kept by Quillaro; edit them there)";
const QByteArray CronTable::kEnd = "# END QUILLARO TASKS";
const QByteArray CronTable::kTagPrefix = "# quillaro-task ";

namespace {

// Lines with their line ends, so that foreign text is put back byte for byte.
QList<QByteArray> splitKeepingEnds(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        lines.append(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray withoutEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

CronTable CronTable::parse(const QByteArray& text)
{
    CronTable table;
    const QList<QByteArray> lines = splitKeepingEnds(text);
    qsizetype i = 0;
    for (; i < lines.size() && withoutEnd(lines[i]) != kBegin; ++i)
        table.m_before += lines[i];
    if (i == lines.size())
        return table;
    table.m_hadBlock = true;
    for (++i; i < lines.size() && withoutEnd(lines[i]) != kEnd; ++i) {
        const QByteArray line = withoutEnd(lines[i]);
        const bool isTag = line.startsWith(kTagPrefix) && i + 1 < lines.size();
        const QByteArray next = isTag ? withoutEnd(lines[i + 1]) : QByteArray();
        if (!isTag || next == kEnd) {
            table.m_kept.append(line);
            continue;
        }
        const bool disabled = next.startsWith('#');
        table.m_entries.append({QString::fromUtf8(line.mid(kTagPrefix.size())),
                                disabled ? next.mid(1) : next, disabled});
        ++i;
    }
    for (++i; i < lines.size(); ++i)
        table.m_after += lines[i];
    return table;
}

QByteArray CronTable::text() const
{
    if (m_entries.isEmpty() && m_kept.isEmpty())
        return m_before + m_after;
    QByteArray out = m_before;
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += '\n'; // cron reads only whole lines
    out += kBegin + '\n';
    for (const Entry& entry : m_entries) {
        out += kTagPrefix + entry.tag.toUtf8() + '\n';
        out += (entry.disabled ? QByteArray("#") : QByteArray()) + entry.line + '\n';
    }
    for (const QByteArray& line : m_kept)
        out += line + '\n';
    out += kEnd + '\n';
    return out + m_after;
}

QString CronTable::makeTag(const QList<std::pair<QString, QString>>& fields)
{
    QStringList parts;
    for (const auto& [key, value] : fields)
        parts.append(key + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value)));
    return parts.join(QLatin1Char(' '));
}

QString CronTable::tagValue(const QString& tag, const QString& key)
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString& part : tag.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (part.startsWith(prefix))
            return QUrl::fromPercentEncoding(part.mid(prefix.size()).toLatin1());
    }
    return {};
}

namespace CronCommand {

// A "%" stays outside the quotes, right behind a closing quote, so that the backslash that
// escapes it for cron never follows another backslash.
QString shellWord(const QString& word)
{
    QStringList pieces;
    for (const QString& piece : word.split(QLatin1Char('%'))) {
        QString quoted = piece;
        quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        pieces.append(QLatin1Char('\'') + quoted + QLatin1Char('\''));
    }
    return pieces.join(QLatin1Char('%'));
}

QString escapePercent(const QString& command)
{
    QString out = command;
    return out.replace(QLatin1Char('%'), QStringLiteral("\\%"));
}

// Cron's own rule: a backslash takes the next character with it, and only "\%" loses its
// backslash; an unescaped "%" ends the command.
QString unescapePercent(const QString& command)
{
    QString out;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (c == QLatin1Char('\\') && i + 1 < command.size()) {
            const QChar next = command.at(++i);
            if (next != QLatin1Char('%'))
                out += c;
            out += next;
        } else if (c == QLatin1Char('%')) {
            break;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace CronCommand
