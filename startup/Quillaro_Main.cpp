#include "Quillaro_Main.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

#include "Clock.h"
#include "DriveInfo.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "QEV_PlaySound.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TaskScheduler.h"
#include "UnattendedRun.h"
#include "frmMain_BackUp.h"
#include "frmSplash.h"

namespace {

QString mainLabel() { return ModulLabel("Main", "Quillaro_Main"); }
using SettingsKeys::userScope;

// An unusable position keeps the profile the box shows; that profile is loaded all the same.
void applyProfileIndexFallback(frmMain_BackUp& window)
{
    bool ok = false;
    const int index = SettingsStore::getValue(userScope(), QStringLiteral("Settings"),
                                              QStringLiteral("ProfileIndex"), QStringLiteral("0"))
                          .trimmed()
                          .toInt(&ok);
    if (!ok)
        ReportError(mainLabel(), ErrNo::TypeMismatch, QStringLiteral("ProfileIndex is not a number"));
    if (ok && index >= 0 && index < window.cmbProfiles->count())
        window.selectProfile(index);
    else
        Load_Settings();
}

void applyDirSwitch(frmMain_BackUp& window, const QString& value)
{
    QString folder;
    if (DirSwitchFolder(value, &folder))
        window.txtPathBackUp->setText(folder);
}

// The user may close the window while a profile loads: it closes once the load is done, and
// the start-up goes no further.
bool isOpen(const QPointer<frmMain_BackUp>& window) { return window && g_frmMain == window; }

} // namespace

namespace {

bool selectNamedProfile(frmMain_BackUp& window, const QString& value)
{
    QComboBox* box = window.cmbProfiles;
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    // The start profile may have no entry yet (no source list saved); it is loaded already.
    const QString current = box->currentText();
    const bool currentListed = names.contains(current);
    if (!currentListed)
        names << current;
    const int match = MatchProfile(names, value);
    if (match < 0)
        return false;
    const bool isCurrent = currentListed ? match == box->currentIndex() && names.at(match) == current
                                         : match == names.size() - 1;
    if (!isCurrent)
        window.selectProfile(match);
    return true;
}

} // namespace

bool ApplyProfileSwitch(frmMain_BackUp& window, const QString& value, bool unattended)
{
    if (selectNamedProfile(window, value))
        return true;
    if (unattended)
        return false;
    applyProfileIndexFallback(window);
    return true;
}

StartResult Main(const QStringList& arguments, SingleInstance& instance)
{
    // An unattended run builds no window: it reads the profile from the store.
    if (HasRunSwitch(arguments))
        return {false, RunUnattended(arguments)};
    // No start creates the speech engine before its first phrase.
    (void)HasSound();
    DeferSpeech();
    if (!PrepareStart(false))
        return {false, 1};
    if (!instance.tryAcquire()) {
        MsgBox(LangText(306) + QLatin1Char('\n') + LangText(127), MsgButtons::Ok,
               MsgIcon::Exclamation, AppName + QStringLiteral(" Info"));
        return {false, 1};
    }
    RecordStart();
    {
        frmSplash splash;
        splash.exec();
    }
    Ini_ErrorLog();
    g_bBackupStarted = false;
    const QPointer<frmMain_BackUp> window = new frmMain_BackUp;
    window->setAttribute(Qt::WA_DeleteOnClose);
    g_frmMain = window;
    window->Form_Load();
    DoEvents();
    // The user may close the window while a profile loads: it closes once the load is done,
    // and the start-up goes no further.
    if (!isOpen(window))
        return {false, 0};
    window->setWindowTitle(AppName);
    window->repaint();
    DoEvents();
    if (!isOpen(window))
        return {false, 0};
    if (window->chkSystray->checkState() == Qt::Checked)
        window->cmdSetTray();
    const QString profile = SwitchValueOf(arguments, QStringLiteral("/profile:"));
    if (!profile.isNull())
        (void)ApplyProfileSwitch(*window, profile, false);
    if (!isOpen(window))
        return {false, 0};
    const QString dir = SwitchValueOf(arguments, QStringLiteral("/dir:"));
    if (!dir.isNull())
        applyDirSwitch(*window, dir);
    g_bAutoRun = false;
    return {true, 0};
}
