#pragma once

#include <QString>

class frmMain_BackUp;

// The program's own program-wide values, set at start-up and read everywhere.

extern QString AppName;           // the product name, part of every settings application name
extern QString g_User;            // upper-cased log-on name, "GUEST" when none
extern QString g_Company;         // registered organisation, "MYCOMPANY" when none
extern QString g_MachineID;       // nine digits, the same on every start of this machine
extern QString g_Language;        // language name; its file is this name with ".lng"
extern QString g_ProgramVersion;  // major.minor.revision, without leading zeros
extern bool bShowErrorBox;        // the error reporter's message box; always false
extern bool g_bAutoRun;           // an unattended run ("/run") is being carried out
extern bool g_bBackupStarted;     // a backup run has started since the program started
extern bool bSoundOn;             // a sound device exists
extern bool bSpeechOn;            // the speech engine works (speaking needs bSoundOn too)
extern frmMain_BackUp* g_frmMain; // the one main window, null before and after it lives
extern double g_dMediaFree;       // destination bytes still usable, as last measured

// The state of the running backup.
extern bool g_bCancelBackUp; // the Stop command asked the run to stop
extern QString g_sZipName;   // file name of the current archive (".cry" when encrypting)
extern QString g_sZipDest;   // path of the current archive at the destination
extern QString g_sZipTemp;   // path of the working archive in the temp folder
extern QString g_sLogFile;   // path of the archive log

inline const QString g_ProductNumber = QStringLiteral("300");

// The program's version numbers.
constexpr int kVersionMajor = QUILLARO_VERSION_MAJOR;
constexpr int kVersionMinor = QUILLARO_VERSION_MINOR;
constexpr int kVersionRevision = QUILLARO_VERSION_PATCH;

// The label an error handler passes: "<procedure> of Modul <module>".
[[nodiscard]] inline QString ModulLabel(const char* procedure, const char* module)
{
    return QString::fromLatin1(procedure) + QStringLiteral(" of Modul ") + QString::fromLatin1(module);
}
[[nodiscard]] inline QString FormularLabel(const char* procedure, const char* form)
{
    return QString::fromLatin1(procedure) + QStringLiteral(" of Formular ") + QString::fromLatin1(form);
}
[[nodiscard]] inline QString KlassenmodulLabel(const char* procedure, const char* cls)
{
    return QString::fromLatin1(procedure) + QStringLiteral(" of Klassenmodul ") + QString::fromLatin1(cls);
}
