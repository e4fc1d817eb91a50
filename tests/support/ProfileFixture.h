#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

#include "Globals.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "SettingsStore.h"

// What a test of the main window's profile handling sets up: the program's names and
// language once, and an empty settings store, error log and profile folder per case.
namespace TestSupport {

[[nodiscard]] inline bool prepareProgram()
{
    AppName = QStringLiteral("Quillaro");
    g_User = QStringLiteral("TESTER");
    g_MachineID = QStringLiteral("123456789");
    g_Language = QStringLiteral("english");
    return Paths::prepareFolders() && set_language(QStringLiteral("english.lng"));
}

inline void clearProfiles()
{
    SettingsStore::reset();
    QFile::remove(SettingsStore::settingsFile());
    QFile::remove(ErrorLogPath());
    const QStringList profiles = QDir(Paths::programFolder())
                                     .entryList({QStringLiteral("*.pfl"), QStringLiteral("*.bak")});
    for (const QString& file : profiles)
        QFile::remove(Paths::programFolder() + QLatin1Char('/') + file);
    g_bAutoRun = false;
}

} // namespace TestSupport
