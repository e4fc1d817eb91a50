#pragma once

#include <QString>
#include <QStringList>

#include "Switches.h"

class SingleInstance;
class frmMain_BackUp;

// How start-up ended: the program goes on in the event loop, or ends with the exit code.
struct StartResult
{
    bool keepRunning = false;
    int exitCode = 0;
};

// The program's start-up sequence with the program's arguments.
StartResult Main(const QStringList& arguments, SingleInstance& instance);

// Makes the profile that "/profile:" names current and loaded, as a choice in the box does.
// When none matches, an interactive start takes the one at the stored "ProfileIndex"; an
// unattended one changes nothing and gets false.
[[nodiscard]] bool ApplyProfileSwitch(frmMain_BackUp& window, const QString& value,
                                      bool unattended);
