#include "FilterList.h"

#include <array>

#include <QSet>

#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "Wildcard.h"

FilterList ExclusionList;
FilterList DirExclusionList;
FilterList InclusionList;

namespace {

QSet<QString>& reportedPatterns()
{
    static QSet<QString> reported;
    return reported;
}

void stripLeadingSeparators(QString& s)
{
    for (const QChar sep : {QLatin1Char(','), QLatin1Char(' '), QLatin1Char(';')}) {
        if (s.startsWith(sep))
            s.remove(0, 1);
    }
}

qsizetype cutPosition(const QString& s)
{
    for (const QChar sep : {QLatin1Char(','), QLatin1Char(' '), QLatin1Char(';')}) {
        const qsizetype at = s.indexOf(sep);
        if (at >= 0)
            return at;
    }
    return s.size();
}

} // namespace

// Blanks around an item are never part of a pattern a file name could fit, and an item that
// is only blanks is nothing the user wrote; every other item counts, however many there are.
FilterList CutPatternList(const QString& text, bool filePatterns)
{
    FilterList list;
    QString s = text;
    for (;;) {
        stripLeadingSeparators(s);
        if (s.isEmpty())
            break;
        const qsizetype cut = cutPosition(s);
        QString item = s.left(cut).trimmed().toUpper();
        if (!item.isEmpty()) {
            if (filePatterns && !item.contains(QLatin1Char('.')))
                item.prepend(QStringLiteral("*."));
            list.patterns.append(item);
        }
        if (s.size() <= cut + 1)
            break;
        s = s.mid(cut + 1);
    }
    return list;
}

namespace {

// A pattern of a list as matching needs it: most are a star and a tail ("*.TMP"), which fit a
// name that ends in the tail; the others go to Like.
struct Pattern
{
    enum class Kind { Tail, Other, Malformed };
    QString text;
    Kind kind = Kind::Other;
};

Pattern::Kind kindOf(const QString& pattern)
{
    if (!IsWellFormedPattern(pattern))
        return Pattern::Kind::Malformed;
    return IsStarAndTail(pattern) ? Pattern::Kind::Tail : Pattern::Kind::Other;
}

// The lists are matched for every file of a run: each is sorted out once, and found again by its
// patterns' data, which the copy kept here shares until the list is changed.
const QList<Pattern>& sortedOut(const QStringList& patterns)
{
    struct Sorted
    {
        QStringList source;
        QList<Pattern> patterns;
    };
    thread_local std::array<Sorted, 4> lists;
    thread_local size_t next = 0;
    for (const Sorted& list : lists) {
        if (list.source.constData() == patterns.constData() && list.source.size() == patterns.size())
            return list.patterns;
    }
    Sorted& list = lists[next++ % lists.size()];
    list.source = patterns;
    list.patterns.clear();
    for (const QString& pattern : patterns)
        list.patterns.append({pattern, kindOf(pattern)});
    return list.patterns;
}

bool fits(QStringView upperName, const Pattern& pattern)
{
    switch (pattern.kind) {
    case Pattern::Kind::Tail: {
        // Most names miss at their last character: that is looked at before the whole tail.
        const QStringView tail = QStringView(pattern.text).sliced(1);
        return tail.isEmpty()
               || (upperName.size() >= tail.size() && upperName.back() == tail.back()
                   && upperName.last(tail.size()) == tail);
    }
    case Pattern::Kind::Other:
        return Like(upperName, pattern.text);
    case Pattern::Kind::Malformed:
        break;
    }
    return false;
}

// The label of a malformed pattern's report is made only when one is reported.
template <typename Label>
bool matches(const FilterList& list, QStringView upperName, const Label& label)
{
    for (const Pattern& pattern : sortedOut(list.patterns)) {
        if (fits(upperName, pattern))
            return true;
        if (pattern.kind == Pattern::Kind::Malformed && !reportedPatterns().contains(pattern.text)) {
            reportedPatterns().insert(pattern.text);
            ReportError(label(), ErrNo::InvalidCall,
                        QStringLiteral("malformed pattern, it matches nothing: ") + pattern.text);
        }
    }
    return false;
}

// The name upper-cased as QString::toUpper does it. A name all of ASCII (nearly every one) is
// upper-cased into the buffer, which keeps its room from one file to the next.
QStringView upperCased(QStringView name, QString* buffer)
{
    buffer->resize(name.size());
    QChar* out = buffer->data();
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80) {
            *buffer = name.toString().toUpper();
            return *buffer;
        }
        out[i] = QChar(c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c);
    }
    return *buffer;
}

bool nameMatches(const FilterList& list, QStringView name, const char* procedure)
{
    if (list.patterns.isEmpty())
        return false;
    thread_local QString buffer;
    return matches(list, upperCased(name, &buffer),
                   [procedure] { return FormularLabel(procedure, "frmMain_BackUp"); });
}

// The part of path after its last "/", as sParseFile gives it.
QStringView fileNameOf(const QString& path) { return QStringView(path).sliced(path.lastIndexOf(QLatin1Char('/')) + 1); }

} // namespace

bool MatchesFilterList(const FilterList& list, const QString& upperName, const QString& label)
{
    return matches(list, upperName, [&label] { return label; });
}

void ResetPatternReports() { reportedPatterns().clear(); }

bool File_Excluded(const QString& path) { return nameMatches(ExclusionList, fileNameOf(path), "File_Excluded"); }

bool File_Included(const QString& path) { return nameMatches(InclusionList, fileNameOf(path), "File_Included"); }

bool File_DirExcluded(const QString& path)
{
    QString folder = path;
    return nameMatches(DirExclusionList, sParseLastDir(folder), "File_DirExcluded");
}
