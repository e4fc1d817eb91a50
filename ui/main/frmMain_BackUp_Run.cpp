// The main window's part in a backup run: the run reads its options from the controls and
// shows its progress in them.

#include "frmMain_BackUp.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include "CdRecorder.h"
#include "Clock.h"
#include "Events.h"
#include "FileAttributes.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "QEV_PlaySound.h"
#include "QEV_modShutDown.h"
#include "RunProgram.h"
#include "Quillaro_BackupRun.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Quillaro_FileSelect.h"
#include "Quillaro_Sub.h"
#include "RunHost.h"
#include "ProfileLoad.h"
#include "RunLock.h"

namespace {

bool ticked(const QCheckBox* box) { return chkValue(box) == 1; }

WaitMode waitMode(const ControlArray<QRadioButton>& options, int doNotWait, int waitForExit)
{
    if (options(doNotWait) && options(doNotWait)->isChecked())
        return WaitMode::DoNotWait;
    if (options(waitForExit) && options(waitForExit)->isChecked())
        return WaitMode::WaitForExit;
    return WaitMode::WaitSeconds;
}

QList<SourceRow> sourceRows(const QListWidget* list)
{
    QList<SourceRow> rows;
    for (int i = 0; i < list->count(); ++i)
        rows.append({list->item(i)->text(), listSelected(list, i)});
    return rows;
}

BackupMode modeOf(const frmMain_BackUp& w)
{
    if (w.optBuMode(2)->isChecked())
        return BackupMode::FileSync;
    return w.optBuMode(1)->isChecked() ? BackupMode::FileCopy : BackupMode::ZipArchive;
}

ArchivePeriod periodOf(const frmMain_BackUp& w)
{
    if (w.optArchive(2)->isChecked())
        return ArchivePeriod::Monthly;
    return w.optArchive(1)->isChecked() ? ArchivePeriod::Weekly : ArchivePeriod::Daily;
}

void readDestination(const frmMain_BackUp& w, RunOptions& o)
{
    o.media = ticked(w.chkMedia);
    o.ftp = ticked(w.chkFTP);
    o.sendEmail = ticked(w.chkSendEmail);
    o.cdRecorder = ticked(w.chkUseCDRecorder);
    o.burnProof = ticked(w.chkUseBurnProof);
    o.pathBackUp = w.txtPathBackUp->text();
    o.pathTemp = w.txtPathTemp->text();
    o.spareSpace = w.txtSpareSpace->text();
    o.ftpSettings = w.ftpSettings();
}

void readArchive(const frmMain_BackUp& w, RunOptions& o)
{
    o.period = periodOf(w);
    o.maxZipSize = w.txtMaxZIPsize->text();
    o.limitZipSize = ticked(w.chkMaxZIPsize);
    o.limitFiles = ticked(w.chkMaxFiles);
    o.maxFiles = w.txtMaxFiles->text();
    o.split = ticked(w.chkSplit);
    o.overwriteFile = ticked(w.chkOverwriteFile);
    o.level = w.Slider1->value();
    o.writeLog = ticked(w.chkWriteLog);
    o.appendArchive = ticked(w.chkAppendArchive);
    o.encrypt = ticked(w.chkEncrypt);
    o.password = w.txtEncryptPassword->text();
    o.deleteArchive = ticked(w.chkDeleteArchive);
    o.deleteArchiveDays = w.txtDeleteArchive->text();
    o.resetArchiveBit = ticked(w.chkResetArchiveBit);
    o.inclRegistry = ticked(w.chkInclRegistry);
    o.registryAsText = w.optRegistryTXT->isChecked();
}

void readFilters(const frmMain_BackUp& w, RunOptions& o)
{
    o.selection = w.optNewOnly->isChecked() ? SelectionMode::NewOnly
                  : w.optCompleteNoFilter->isChecked() ? SelectionMode::CompleteNoFilter
                                                        : SelectionMode::Complete;
    o.hiddenFiles = ticked(w.chkHiddenFolders);
    o.inclSubDirStruct = ticked(w.chkInclSubDirStruct);
    FileFilterOptions& f = o.filters;
    f.optCompleteNoFilter = o.selection == SelectionMode::CompleteNoFilter;
    f.chkExclOldFiles = ticked(w.chkExclOldFiles);
    f.DTPicker1 = w.DTPicker1->date();
    f.chkExclYoungFiles = ticked(w.chkExclYoungFiles);
    f.DTPicker2 = w.DTPicker2->date();
    f.chkExclYoungDayFiles = ticked(w.chkExclYoungDayFiles);
    f.txtExclYoungDay = w.txtExclYoungDay->text();
}

RunOptions runOptionsOf(const frmMain_BackUp& w)
{
    RunOptions o;
    o.profile = w.cmbProfiles->currentText();
    o.mode = modeOf(w);
    o.sources = sourceRows(w.List1);
    readDestination(w, o);
    // Without a writer the window switches CD mode off; a scheduled run of a profile that
    // writes to a disc still writes nowhere else.
    o.cdRecorder = o.cdRecorder || ProfileLoad::scheduledCdMode(o.profile);
    readArchive(w, o);
    readFilters(w, o);
    o.before = {ticked(w.chkRunBefore), w.txtPathBefore->text(), w.txtCommandlineBefore->text(),
                waitMode(w.optWaitBefore, 0, 1), w.txtWaitSecondsBefore->text()};
    o.after = {ticked(w.chkRunAfter), w.txtPathAfter->text(), w.txtCommandlineAfter->text(),
               waitMode(w.optWaitAfter, 5, 4), w.txtWaitSecondsAfter->text()};
    o.shutdown = ticked(w.chkShutdown);
    o.sourceSync = w.txtSourceSync->text();
    o.destinySync = w.txtDestinySync->text();
    o.syncBothDirections = ticked(w.chkSyncBothDirections);
    o.syncSubDirs = ticked(w.chkSyncSubDirs);
    return o;
}

QAction* toolButton(const frmMain_BackUp& w, const char* key)
{
    return w.tbTools->findChild<QAction*>(QString::fromLatin1(key));
}

// The main window as the run's host.
class MainWindowRunHost : public RunHost
{
public:
    explicit MainWindowRunHost(frmMain_BackUp& window)
        : w(window)
        , m_news(window.RtbNews1->toPlainText())
    {
    }

    void setStatus(const QString& text) override { w.txtNews->setText(text); }
    // The news box takes a line per file; laying its text out as often would cost more than
    // the backup, so it shows the text a few times a second and at the end.
    void setNewsText(const QString& text) override
    {
        m_news = text;
        if (Clock::monotonicMs() - m_newsShownAt >= kRefreshMs)
            showNews();
    }
    QString newsText() const override { return m_news; }
    // A counter changes with every file and a line edit lays its text out at each change: the
    // counters are shown with the news, a few times a second and at the end.
    void setCounter(Counter counter, const QString& text) override
    {
        m_counters.insert(counter, text);
        if (Clock::monotonicMs() - m_newsShownAt >= kRefreshMs)
            showNews();
    }
    // A progress bar paints at once at every visible change, and with it whatever else of the
    // window waits to be painted: its value is shown with the news, a few times a second.
    void setProgress(int bar, int value) override
    {
        progressBar(bar)->setVisible(value >= 0 || bar != 3);
        m_progress.insert(bar, qBound(0, value, 100));
        if (Clock::monotonicMs() - m_newsShownAt >= kRefreshMs)
            showNews();
    }
    void playAnimation(const QString& clip) override
    {
        w.Animation1->setVisible(!clip.isEmpty());
        w.Animation1->setToolTip(clip);
    }
    // Asked for per file. What changed (status, news, counters, bars) has marked itself and
    // is painted at the next pump of events, a few times a second; marking the whole window
    // as well would paint every control of it again.
    void repaint() override {}
    void setFtpCaption(const QString& caption) override { w.setFtpCaption(caption); }
    void speak(const QString& text) override
    {
        if (ticked(w.chkSound))
            (void)SpeakText(text);
    }
    void beginRun() override
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Nobody watches an unattended run: painting its window would only slow it down.
        if (g_bAutoRun)
            w.setUpdatesEnabled(false);
        w.SSTab1->setCurrentIndex(0);
        w.Frame7->setVisible(false);
        lockToolbar(true);
        w.SSTab1->setEnabled(false);
        w.TimerRT->stop();
        w.repaint();
        DoEvents();
        DoEvents();
    }
    void endRun(RunOutcome outcome, const QString&) override
    {
        showNews();
        QApplication::restoreOverrideCursor();
        playAnimation({});
        if (!w.optBuMode(2)->isChecked())
            w.Frame7->setVisible(true);
        w.ProgressBar1->setValue(0);
        w.ProgressBar2->setValue(0);
        lockToolbar(false);
        w.SSTab1->setEnabled(true);
        // A failed run is no backup: the date of the last one stays.
        if (outcome == RunOutcome::Completed || outcome == RunOutcome::CompletedWithProblems
            || outcome == RunOutcome::Cancelled)
            w.lblLastBackupDate->setText(SettingsKeys::dateText(Clock::today()));
    }
    bool updateMedia() override { return w.Update_Media(); }
    CdRecorder* cdRecorder() override { return &w.cdRecorder(); }
    QString driveTypeText() const override { return w.lblDriveInfo(1)->text(); }
    void saveSettings() override { Save_Settings(); }
    void recordStatistics(bool countRun) override
    {
        if (countRun)
            save_statistics();
        load_statistics();
    }
    void playEndSound() override
    {
        if (ticked(w.chkSound) && SoundOn()) {
            QString sound = QStringLiteral("close");
            bool scheme = true;
            PlaySoundOnce(sound, scheme);
        } else {
            QApplication::beep();
        }
    }
    void shutdownAfterRun() override
    {
        ExitWindowsSession(8, 1);
        exitProgram(0);
    }
    void exitProgram(int exitCode) override
    {
        showNews();
        w.endProgram(exitCode);
    }

private:
    QProgressBar* progressBar(int bar) const
    {
        return bar == 1 ? w.ProgressBar1 : bar == 2 ? w.ProgressBar2 : w.ProgressBar3;
    }
    QLineEdit* field(Counter counter) const
    {
        switch (counter) {
        case Counter::TotalFiles: return w.txtTotalFiles;
        case Counter::TotalSize: return w.txtTotalSize;
        case Counter::CompSize: return w.txtCompSize;
        case Counter::BackUpTime: return w.txtBackUpTime;
        case Counter::ZipSize: return w.txtZipSize;
        case Counter::AnzFiles: return w.txtAnzFiles;
        case Counter::ZipArchive: return w.txtZipArchive;
        case Counter::RemainSpace: break;
        }
        return w.txtRemainSpace;
    }
    void lockToolbar(bool running)
    {
        // While a run is active nothing may change the profile; Exit stops the run and ends the
        // program once it has unwound.
        for (QAction* action : w.tbTools->actions()) {
            const QString key = action->objectName();
            action->setEnabled(
                !running || key == QStringLiteral("Stop") || key == QStringLiteral("Exit"));
        }
        if (!running)
            toolButton(w, "Stop")->setEnabled(false);
        w.cmbProfiles->setEnabled(!running);
    }

    void showNews()
    {
        m_newsShownAt = Clock::monotonicMs();
        if (w.RtbNews1->toPlainText() != m_news)
            w.RtbNews1->setPlainText(m_news);
        for (auto it = m_counters.cbegin(); it != m_counters.cend(); ++it)
            field(it.key())->setText(it.value());
        m_counters.clear();
        for (auto it = m_progress.cbegin(); it != m_progress.cend(); ++it)
            progressBar(it.key())->setValue(it.value());
        m_progress.clear();
    }

    static constexpr qint64 kRefreshMs = 250;
    frmMain_BackUp& w;
    QString m_news;
    QMap<Counter, QString> m_counters; // changed since last shown
    QMap<int, int> m_progress; // bar -> value, changed since last shown
    qint64 m_newsShownAt = 0;
};

MediaOptions mediaOptionsOf(const frmMain_BackUp& w)
{
    RunOptions run;
    readDestination(w, run);
    return MediaOptionsOf(run, w.cdRecorder());
}

} // namespace

void frmMain_BackUp::cmdBackUpNow()
{
    if (m_runActive)
        return;
    RunLock lock(cmbProfiles->currentText());
    if (!lock.tryAcquire(RunLock::kBriefHoldMs)) {
        refuseBusyProfile();
        return;
    }
    m_runActive = true;
    const FileAttributes::RunSnapshot attributes;
    const RunOptions options = runOptions();
    MainWindowRunHost host(*this);
    BackupRun run(options, host);
    const RunOutcome outcome = run.cmdBackUpNow();
    m_runActive = false;
    if (m_runExitCode < 0)
        m_runExitCode = RunExitCode(outcome);
    closeAfterRun();
}

RunOptions frmMain_BackUp::runOptions()
{
    txtPathBackUp_LostFocus(); // the path as it is used: no trailing "/"
    return runOptionsOf(*this);
}

// Another run of this profile is active, in this window or in a scheduled run.
void frmMain_BackUp::refuseBusyProfile()
{
    const QString text = QStringLiteral("The profile \"") + cmbProfiles->currentText()
                         + QStringLiteral("\" is busy: another backup of it is running. No backup took place.");
    ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::PermissionDenied, text);
    txtNews->setText(text);
    if (!g_bAutoRun)
        MsgBox(text, MsgButtons::Ok, MsgIcon::Exclamation, AppName + QStringLiteral(" Info"));
    if (m_runExitCode < 0)
        m_runExitCode = 1;
}

QString frmMain_BackUp::shorten_path(const QString& TmpStr, int NewPathLen)
{
    return ::shorten_path(TmpStr, NewPathLen);
}

void frmMain_BackUp::cmdCancelBackUp_Click() { g_bCancelBackUp = true; }

bool frmMain_BackUp::Update_Media()
{
    MediaPanel panel;
    const bool usable = ::Update_Media(mediaOptionsOf(*this), panel);
    for (int i = 0; i < 12; ++i) {
        if (lblDriveInfo(i))
            lblDriveInfo(i)->setText(panel.driveInfo[i]);
    }
    for (int i = 0; i < 14; ++i) {
        if (panel.desc[i] && lblDesc(i))
            lblDesc(i)->setText(*panel.desc[i]);
    }
    if (panel.remainSpace)
        txtRemainSpace->setText(*panel.remainSpace);
    return usable;
}

void frmMain_BackUp::endProgram(int exitCode)
{
    m_runExitCode = exitCode;
    if (g_bAutoRun)
        return; // start-up ends the program once the run has unwound
    close();
    QCoreApplication::exit(exitCode);
}

void frmMain_BackUp::connectRunEvents()
{
}
