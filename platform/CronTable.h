#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The text of a user's crontab with the program's own block of tasks in it. Every byte
// outside the block is kept as it was read; inside it each task is a tag comment followed by
// its cron line, which is commented out while the task is disabled.
class CronTable
{
public:
    // One task line of the block: the tag's fields and the cron line.
    struct Entry
    {
        QString tag;      // "key=value" fields, values percent-encoded
        QByteArray line;  // the cron line (schedule and command), without a leading "#"
        bool disabled = false;
    };

    [[nodiscard]] static CronTable parse(const QByteArray& text);
    // The table as crontab gets it. Without entries the block goes, and the text is the
    // foreign text as it was read.
    [[nodiscard]] QByteArray text() const;

    [[nodiscard]] const QList<Entry>& entries() const { return m_entries; }
    QList<Entry>& entries() { return m_entries; }

    // A tag from key/value pairs, and a value read back from a tag (null when missing).
    [[nodiscard]] static QString makeTag(const QList<std::pair<QString, QString>>& fields);
    [[nodiscard]] static QString tagValue(const QString& tag, const QString& key);

    static const QByteArray kBegin;
    static const QByteArray kEnd;
    static const QByteArray kTagPrefix;

private:
    QByteArray m_before;      // foreign text before the block (or all of it)
    QByteArray m_after;       // foreign text after the block
    QList<QByteArray> m_kept; // lines inside the block that are no task of ours
    QList<Entry> m_entries;
    bool m_hadBlock = false;
};

// Quoting for a command line that cron hands to sh.
namespace CronCommand {

// One word for sh: single-quoted, a quote inside written as '\''.
[[nodiscard]] QString shellWord(const QString& word);
// Cron turns an unescaped "%" into a line break: every "%" gets a backslash.
[[nodiscard]] QString escapePercent(const QString& command);
// What cron hands to sh for a command written with escapePercent.
[[nodiscard]] QString unescapePercent(const QString& command);

} // namespace CronCommand
