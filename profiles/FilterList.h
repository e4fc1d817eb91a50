#pragma once

#include <QStringList>

// A profile's pattern list: upper-cased wildcard patterns in the order the user wrote them.
struct FilterList
{
    QStringList patterns;
    [[nodiscard]] int count() const { return static_cast<int>(patterns.size()); }
};

// The current profile's lists: files to leave out, folders to leave out, files always taken.
extern FilterList ExclusionList;
extern FilterList DirExclusionList;
extern FilterList InclusionList;

// Cuts a pattern text at commas (or, when it holds none, blanks, or else semicolons) into
// upper-cased items; file patterns without a "." get "*." in front.
[[nodiscard]] FilterList CutPatternList(const QString& text, bool filePatterns);

// True when the upper-cased name fits one of the list's patterns. A malformed pattern never
// fits; the first time one is met since the last ResetPatternReports() it is reported.
[[nodiscard]] bool MatchesFilterList(const FilterList& list, const QString& upperName,
                                     const QString& label);
void ResetPatternReports();

// The file name of path fits ExclusionList / InclusionList; the last folder name of path
// fits DirExclusionList.
[[nodiscard]] bool File_Excluded(const QString& path);
[[nodiscard]] bool File_Included(const QString& path);
[[nodiscard]] bool File_DirExcluded(const QString& path);
