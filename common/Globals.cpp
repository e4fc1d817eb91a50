#include "Globals.h"

QString AppName;
QString g_User;
QString g_Company;
QString g_MachineID;
QString g_Language;
QString g_ProgramVersion = QString::number(kVersionMajor) + QLatin1Char('.')
                           + QString::number(kVersionMinor) + QLatin1Char('.')
                           + QString::number(kVersionRevision);
bool bShowErrorBox = false;
bool g_bAutoRun = false;
bool g_bBackupStarted = false;
bool bSoundOn = false;
bool bSpeechOn = false;
frmMain_BackUp* g_frmMain = nullptr;
double g_dMediaFree = 0;
bool g_bCancelBackUp = false;
QString g_sZipName;
QString g_sZipDest;
QString g_sZipTemp;
QString g_sLogFile;
