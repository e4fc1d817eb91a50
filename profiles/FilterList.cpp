#include "FilterList.h"

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

// The label of a malformed pattern's report is made only when one is reported: the lists are
// matched for every file of a run.
template <typename Label>
bool matches(const FilterList& list, const QString& upperName, const Label& label)
{
    for (const QString& pattern : list.patterns) {
        bool malformed = false;
        if (Like(upperName, pattern, &malformed))
            return true;
        if (malformed && !reportedPatterns().contains(pattern)) {
            reportedPatterns().insert(pattern);
            ReportError(label(), ErrNo::InvalidCall,
                        QStringLiteral("malformed pattern, it matches nothing: ") + pattern);
        }
    }
    return false;
}

bool nameMatches(const FilterList& list, const QString& name, const char* procedure)
{
    return !list.patterns.isEmpty()
           && matches(list, name.toUpper(), [procedure] { return FormularLabel(procedure, "frmMain_BackUp"); });
}

} // namespace

bool MatchesFilterList(const FilterList& list, const QString& upperName, const QString& label)
{
    return matches(list, upperName, [&label] { return label; });
}

void ResetPatternReports() { reportedPatterns().clear(); }

bool File_Excluded(const QString& path) { return nameMatches(ExclusionList, sParseFile(path), "File_Excluded"); }

bool File_Included(const QString& path) { return nameMatches(InclusionList, sParseFile(path), "File_Included"); }

bool File_DirExcluded(const QString& path)
{
    QString folder = path;
    return nameMatches(DirExclusionList, sParseLastDir(folder), "File_DirExcluded");
}
