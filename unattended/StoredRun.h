#pragma once

#include <QString>

#include "RunOptions.h"

class CdRecorder;
class RunLock;

// A profile read for a run from the settings store and the profile's file, with the values,
// defaults and reports the main window's load would leave in its controls, and no window.
struct StoredRun
{
    RunOptions options;
    bool sound = false;  // chkSound as the load leaves it
    qint16 cdDevice = 0; // the writer's list positions stored with the profile
    qint16 cdSpeed = 0;
};

namespace StoredRuns {

// The profile a start without "/profile:" runs, trimmed as the load trims it.
[[nodiscard]] QString startProfile();
// The profile "/profile:" picks (MatchProfile over "Standard", the profile files and the start
// profile); empty when none matches.
[[nodiscard]] QString namedProfile(const QString& wanted, const QString& start);

// Loads the profile as the window's load does, with its reports, the pattern lists and its
// clean-up of the profile's working files; the clean-up takes the run's lock when it is free and
// keeps it for the run. The writer of a profile in CD mode is chosen on cd.
[[nodiscard]] StoredRun load(const QString& profile, CdRecorder& cd, RunLock& lock);

} // namespace StoredRuns
