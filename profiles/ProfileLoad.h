#pragma once

#include <functional>

#include <QDate>
#include <QString>
#include <QStringList>

struct ProfileFileContent;

// How a load turns the stored options into what the controls hold: shared by the main
// window's load and the run that reads a profile without the window.
namespace ProfileLoad {

// The profile keys in the order the load writes them, step by step: the pattern lists, the
// password, the options before the mode's layout is applied, those after it, the writer's
// list positions, and the rest.
[[nodiscard]] const QStringList& optionKeys();
[[nodiscard]] const QStringList& laterKeys();
[[nodiscard]] const QStringList& deviceKeys();
[[nodiscard]] const QStringList& lastKeys();
// The user keys the load writes after the source list.
[[nodiscard]] const QStringList& userKeys();

// The compression level's range (the slider's) and the dates a date box can show.
constexpr int kLevelMin = 0;
constexpr int kLevelMax = 9;
[[nodiscard]] QDate clampedDate(const QDate& date);
// The longest text a text box holds.
constexpr int kMaxTextLength = 32767;

// The spare-space box's text put right: a whole number of 32 bits, "0" for no number; a
// number out of that range stays as typed and sets *outOfRange.
[[nodiscard]] QString spareSpaceText(const QString& typed, bool* outOfRange);
// The day and second boxes: the whole part of the size of the number the text begins with.
[[nodiscard]] QString absoluteWholeText(const QString& typed);
// What the load reports when a number box put another number in place of the stored text;
// empty when there is nothing to report.
[[nodiscard]] QString replacedNumberReport(const QString& key, const QString& stored, const QString& shown);

// A destination path as a run uses it: a trailing "/" goes, but the root stays whole.
[[nodiscard]] QString withoutTrailingSlash(const QString& path);
// A scheduled run of a profile stored in CD mode writes to a disc or nowhere, even where the
// load switched CD mode off for want of a writer.
[[nodiscard]] bool scheduledCdMode(const QString& profile);

// The profile a start shows first: "Standard" when chkProfileStandard holds 1, else the stored
// "ProfileText"; the check value goes to *standardCheck (-1 when the stored text is none, the
// problem then in *refused).
[[nodiscard]] QString startProfile(int* standardCheck, QString* refused);

// The names of the profile files in the program folder, sorted, ".pfl" included; the list the
// profile box is filled from (ProfileFile::listName() gives a name the box takes, if any).
[[nodiscard]] QStringList profileFiles();
[[nodiscard]] QString listName(const QString& fileName);
// The last language file the load lists, as its reports name it.
[[nodiscard]] QString lastLanguageFile();

// The load's report of a stored value it cannot use: the description, then the last file it
// listed and the number of profiles in the list.
void report(const QString& description, const QString& lastListed, int profileCount);
// Reports a profile file that could not be read whole (logged, and a box).
void reportIncompleteFile(const QString& file, const ProfileFileContent& content);

// A walk that adds a folder and, when asked, its subfolders to a source list as folder rows
// ("/a/b/*.*"). Links to folders are never followed, a folder reached twice is walked once,
// and folders of the program's own archives and those the folder exclusions name are left out.
struct FolderRows
{
    bool withSubs = false;
    bool hidden = false; // hidden folders are walked too
    std::function<bool(const QString& row)> listed;
    std::function<void(const QString& row)> append;
    std::function<void(const QString& row)> duplicate;      // a row the list holds already
    std::function<void(const QString& row)> archiveFolder;  // a folder of the program's archives
    std::function<void()> step;                             // after each folder
};
void addFolderRows(const QString& folder, const FolderRows& walk);
// Refuses a row the profile file could not hold (a line break, with a box); false otherwise.
[[nodiscard]] bool refusedLineBreak(const QString& row);

} // namespace ProfileLoad
