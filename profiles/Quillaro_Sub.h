#pragma once

#include <QString>

#include "FileAttributes.h"
#include "RunState.h"

// Moving a profile between the main window's controls and its stores: the settings store,
// the profile selection file, the profile list, the statistics and the pattern lists.

// Writes every option of the current profile and of the user. Refused while a load runs.
void Save_Settings();
// Loads the profile named by the profile box, and the user's own options, into the window.
// A call while a load runs is carried out after that load, never inside it.
void Load_Settings();
[[nodiscard]] bool isLoadingSettings();

// The source list into and out of the profile's selection file.
void saveProfile(const QString& ProfileName);
void loadProfile(const QString& ProfileName);
// True when the last load of that profile's file stopped part-way; until an explicit save or
// an edit of the source list no automatic save rewrites the file.
[[nodiscard]] bool profileLoadFailed(const QString& ProfileName);
// The user changed the source list: it is the profile's list now, saved at the next save even
// where the profile's file could not be read whole.
void sourceListEdited();

// Adds the name to the profile list unless it is blank or among the first Count entries.
void add_profile(const QString& ProfileName, int Count);
// Empties the source list and the profile box's text, before a new profile is set up.
void cmdClearProfile_Click();

void load_statistics();
// Folds the run just finished into the stored statistics.
void save_statistics();
// Stores the statistics labels as they stand (the panel's reset).
void store_statistics();

void load_backup_exclusions();
void load_backup_DirExclusions();
void load_backup_inclusions();
