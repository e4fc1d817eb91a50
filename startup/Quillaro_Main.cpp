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
#include "frmMain_BackUp.h"
#include "frmSplash.h"

namespace {

const QStringList kSwitches = {QStringLiteral("/profile:"), QStringLiteral("/dir:"),
                               QStringLiteral("/run")};

QString mainLabel() { return ModulLabel("Main", "Quillaro_Main"); }
using SettingsKeys::userScope;
QString machineScope() { return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_MachineID; }

// A switch counts at the start of the text or after a blank; "/run" only as a whole word.
bool switchAt(const QString& text, qsizetype at, const QString& name)
{
    if (at > 0 && text.at(at - 1) != QLatin1Char(' '))
        return false;
    if (text.mid(at, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    if (name.endsWith(QLatin1Char(':')))
        return true;
    const qsizetype end = at + name.size();
    return end == text.size() || text.at(end) == QLatin1Char(' ');
}

qsizetype findSwitch(const QString& text, const QString& name, qsizetype from)
{
    for (qsizetype at = from; at < text.size(); ++at) {
        if (switchAt(text, at, name))
            return at;
    }
    return -1;
}

qsizetype nextSwitch(const QString& text, qsizetype from)
{
    qsizetype next = text.size();
    for (const QString& name : kSwitches) {
        const qsizetype at = findSwitch(text, name, from);
        if (at >= 0)
            next = qMin(next, at);
    }
    return next;
}

// One line in the error log's own form, time stamp first.
void logUnattended(const MsgRequest& request)
{
    QString text = request.text;
    text.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QStringLiteral(" / "));
    ErrorMsg(false, AppName, mainLabel(), 0, 0,
             QStringLiteral("unattended run, box not shown: ") + request.title + QStringLiteral(" - ") + text);
}

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

// A folder that is no full path would be made below whatever folder the program started in.
bool applyDirSwitch(frmMain_BackUp& window, QString value)
{
    if (!value.startsWith(QLatin1Char('/'))) {
        MsgBox(LangText(375) + QStringLiteral("\n\n\"") + value + QLatin1Char('"'), MsgButtons::Ok,
               MsgIcon::Exclamation, AppName);
        return false;
    }
    if (value.size() > 1 && value.endsWith(QLatin1Char('/')))
        value.chop(1);
    window.txtPathBackUp->setText(value);
    // Below a mount location whose drive is not there the folder would land on the system disk.
    if (QueryDrive(value).ready)
        CreateDirectoryStruct(value);
    return true;
}

StartResult failUnattended(const QString& why)
{
    ReportError(mainLabel(), ErrNo::InvalidCall, why);
    return {false, 1};
}

// The user may close the window while a profile loads: it closes once the load is done, and
// the start-up goes no further.
bool isOpen(const QPointer<frmMain_BackUp>& window) { return window && g_frmMain == window; }

StartResult closedDuringStart(bool unattended)
{
    if (!unattended)
        return {false, 0};
    return failUnattended(QStringLiteral("the window was closed before the run began"));
}

// The run of a scheduled task leaves its start time for the task list.
void recordTaskRun()
{
    const QString task = qEnvironmentVariable(TaskScheduler::kTaskVariable);
    QString error;
    if (!task.isEmpty() && !TaskScheduler::recordLastRun(task, Clock::now(), &error))
        ReportError(mainLabel(), ErrNo::PathFileAccess, error);
}

} // namespace

QString ArgumentText(const QStringList& arguments) { return arguments.join(QLatin1Char(' ')); }

QString SwitchValue(const QString& argText, const QString& switchName)
{
    const qsizetype at = findSwitch(argText, switchName, 0);
    if (at < 0)
        return {};
    const qsizetype start = at + switchName.size();
    const qsizetype end = nextSwitch(argText, start);
    QString value = argText.mid(start, end - start).trimmed();
    if (value.isNull())
        value = QStringLiteral("");
    return value;
}

int MatchProfile(const QStringList& names, const QString& wanted)
{
    const int exact = static_cast<int>(names.indexOf(wanted));
    if (exact >= 0)
        return exact;
    int found = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        if (found >= 0)
            return -1;
        found = i;
    }
    return found;
}

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

namespace {

bool isRunArgument(const QString& argument)
{
    return argument.compare(QStringLiteral("/run"), Qt::CaseInsensitive) == 0;
}

bool beginsSwitch(const QString& argument)
{
    return isRunArgument(argument) || argument.startsWith(QStringLiteral("/profile:"), Qt::CaseInsensitive)
           || argument.startsWith(QStringLiteral("/dir:"), Qt::CaseInsensitive);
}

} // namespace

// A scheduled task passes each switch with its value as one argument, so a folder holding
// " /run" or " /dir:" stays one folder; words typed without quotes still join up.
QString SwitchValueOf(const QStringList& arguments, const QString& switchName)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(switchName, Qt::CaseInsensitive))
            continue;
        QStringList words{arguments[i].mid(switchName.size())};
        for (qsizetype j = i + 1; j < arguments.size() && !beginsSwitch(arguments[j]); ++j)
            words.append(arguments[j]);
        return QStringLiteral("") + words.join(QLatin1Char(' ')).trimmed();
    }
    return SwitchValue(ArgumentText(arguments), switchName);
}

bool HasRunSwitch(const QString& argText)
{
    return findSwitch(argText, QStringLiteral("/run"), 0) >= 0;
}

// Read as SwitchValueOf reads the values: a "/run" inside the value of another switch is
// part of that value.
bool HasRunSwitch(const QStringList& arguments)
{
    if (std::any_of(arguments.begin(), arguments.end(), beginsSwitch))
        return std::any_of(arguments.begin(), arguments.end(), isRunArgument);
    return HasRunSwitch(ArgumentText(arguments));
}

StartResult Main(const QStringList& arguments, SingleInstance& instance)
{
    bShowErrorBox = false;
    const bool unattended = HasRunSwitch(arguments);
    // A run nobody listens to starts the audio system only for a sound or a phrase it is asked
    // for; no start creates the speech engine before its first phrase.
    if (unattended) {
        DeferSoundAndSpeech();
    } else {
        (void)HasSound();
        DeferSpeech();
    }
    AppName = QStringLiteral("Quillaro");
    GetPCInfos();
    MessageBoxSeam::setUnattended(unattended);
    MessageBoxSeam::setUnattendedSink(logUnattended);
    g_Language = SettingsStore::getValue(userScope(), QStringLiteral("Settings"),
                                         QStringLiteral("Language"), QStringLiteral("english"));
    if (!set_language(g_Language + QStringLiteral(".lng")))
        return {false, 1};
    // A scheduled run may start beside the open window; the run lock of its profile keeps
    // two runs of one profile apart.
    if (!unattended && !instance.tryAcquire()) {
        MsgBox(LangText(306) + QLatin1Char('\n') + LangText(127), MsgButtons::Ok,
               MsgIcon::Exclamation, AppName + QStringLiteral(" Info"));
        return {false, 1};
    }
    SettingsStore::saveValue(machineScope(), QStringLiteral("Settings"),
                             QStringLiteral("ProgramVersion"), g_ProgramVersion);
    (void)SettingsStore::flush();
    if (!unattended) {
        // Nobody watches the splash of a scheduled run; it must not hold the backup up.
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
    if (!isOpen(window))
        return closedDuringStart(unattended);
    window->setWindowTitle(AppName);
    if (!unattended) {
        window->repaint();
        DoEvents();
    }
    if (!isOpen(window))
        return closedDuringStart(unattended);
    if (window->chkSystray->checkState() == Qt::Checked)
        window->cmdSetTray();

    const QString profile = SwitchValueOf(arguments, QStringLiteral("/profile:"));
    const bool profileApplied = profile.isNull() || ApplyProfileSwitch(*window, profile, unattended);
    if (!isOpen(window))
        return closedDuringStart(unattended);
    if (!profileApplied) {
        g_bAutoRun = true; // the refusal is part of the unattended run: it saves nothing
        window->close();
        return failUnattended(QStringLiteral("no profile of that name: \"") + profile
                              + QStringLiteral("\"; no run took place"));
    }
    const QString dir = SwitchValueOf(arguments, QStringLiteral("/dir:"));
    if (!dir.isNull() && !applyDirSwitch(*window, dir) && unattended) {
        g_bAutoRun = true;
        window->close();
        return failUnattended(QStringLiteral("the folder of /dir: is no full path: \"") + dir
                              + QStringLiteral("\"; no run took place"));
    }
    g_bAutoRun = unattended;
    if (unattended) {
        recordTaskRun();
        window->cmdBackUpNow();
        // An unattended run saves nothing and ends the program with its outcome.
        const int exitCode = window->runExitCode() < 0 ? 1 : window->runExitCode();
        if (g_frmMain)
            g_frmMain->close();
        return {false, exitCode};
    }
    return {true, 0};
}
