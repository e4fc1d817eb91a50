#pragma once

#include <QDate>
#include <QStringList>

#include "FileAttributes.h"

// The found-file list of the current folder entry: full paths in the order the file system
// gave them, then one empty spare slot. The backup run resets it to one empty slot before
// each Find_Files and visits the slots below the last.
extern QStringList g_sFoundFiles;

// Appends the files of the folder pattern ("folder/*.*") to g_sFoundFiles: regular files,
// hidden and system ones too; no folders, and no links to folders, so nothing loops. Entries
// other than folders whose names are not valid UTF-8 cannot be listed: they go to *undecodable
// as paths with their invalid bytes written as \xNN, so that they can be named in a log.
void Find_Files(const QString& pattern, QStringList* undecodable = nullptr);

// The filter options of the current profile, as the main window's controls hold them.
struct FileFilterOptions {
    bool optCompleteNoFilter = false; // selected: nothing is left out
    bool chkExclOldFiles = false; // ticked: leave out files written before DTPicker1
    QDate DTPicker1;
    bool chkExclYoungFiles = false; // ticked: leave out files written after DTPicker2
    QDate DTPicker2;
    bool chkExclYoungDayFiles = false; // ticked: leave out files younger than txtExclYoungDay days
    QString txtExclYoungDay;
};

// True when the profile leaves the file out: an empty path, a file of ExclusionList, or one
// that a ticked date filter leaves out. Dates are the file's last write as a UTC calendar date,
// taken from the run's stat of the file when one is given.
[[nodiscard]] bool File_Filter(const QString& path, const FileFilterOptions& options,
                               const FileAttributes::FileStat* stat = nullptr);

// The path cut to newPathLen characters for a status line: its head up to the first "/" from
// the fourth character on, "...", and as much of its tail as fits. Empty (and reported) when
// the head alone does not fit.
[[nodiscard]] QString shorten_path(const QString& TmpStr, int NewPathLen);
