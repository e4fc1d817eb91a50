#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QDir>
#include <QHash>
#include <QWidget>

#include "FormControls.h"
#include "QEV_InetFTP.h"

struct RunOptions;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFileSystemModel;
class QFrame;
class QGridLayout;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class QTreeView;
class QVBoxLayout;
class SourceListIndex;
class QUrl;
class TaskScheduler;
class ZipArchive;
struct ScheduledTask;
class CdRecorder;

// The list positions of the CD writer and its speed, as the profile stores them.
extern qint16 g_iCdDevice;
extern qint16 g_iCdSpeed;

// The program scheduled tasks start: this program's own executable.
[[nodiscard]] QString TaskProgram();
// Tests: the program new scheduled tasks start, and what opens web pages and the error log.
void setTaskProgramForTests(const QString& program);
void setPageOpenerForTests(std::function<bool(const QUrl&)> opener);
// Opens a web page or a file in the desktop's program for it; false when none would.
bool openPage(const QUrl& url);

// The main window: its controls hold the current profile's options. Control arrays are
// ControlArray members; each element's objectName is elementName(array, index).
class frmMain_BackUp : public QWidget, public FtpWindow {
    Q_OBJECT
public:
    explicit frmMain_BackUp(QWidget* parent = nullptr);
    ~frmMain_BackUp() override;

    // The window's load step: restores the start profile and the window geometry, shows the
    // window and loads the profile's settings.
    void Form_Load();
    // Carries out one backup run of the current profile; not entered again while one runs.
    void cmdBackUpNow();
    // The options a run of the current profile reads from the controls, the destination path
    // as the run uses it.
    [[nodiscard]] RunOptions runOptions();
    // The Stop command: the running run stops at its next test.
    void cmdCancelBackUp_Click();
    // Refreshes the destination panel; true when the destination can be used.
    bool Update_Media();
    [[nodiscard]] bool isRunActive() const { return m_runActive; }
    // The exit code an unattended run ends the program with (-1 while none has ended).
    [[nodiscard]] int runExitCode() const { return m_runExitCode; }
    // Ends the program after a run (at once, or once an unattended run has unwound).
    void endProgram(int exitCode);
    // Puts the program into the tray and hides the window.
    void cmdSetTray();
    // The tray menu's show entry: the window comes back from the tray.
    void mnuShow_Click();
    // The exit command: a farewell when sound is on, then the program ends.
    void mnuExit_Click();
    // The tray menu's exit entry: the exit command.
    void mnuExit1_Click() { mnuExit_Click(); }
    // A path shortened for a status line to NewPathLen characters (the engine's rule).
    [[nodiscard]] static QString shorten_path(const QString& TmpStr, int NewPathLen);
    // The online help and the product page.
    void mnuHelp_Click();
    void mnuProduct_Click();
    // The wizard, the restore window, the home page with the news, the about box.
    void showWizard();
    void showRestoreWindow();
    void mnuAbout_Click();
    // The version check, with the Update button disabled while it runs.
    void checkForNewVersion();
    // Lays out the options for backup mode 0 "ZIP archive", 1 "File copy" or 2 "File sync".
    void optBuMode_Click(int Index);
    // Shows the recorder row with its device and speed lists (CD mode), or the destination
    // folder row when CD mode is off or no writer is there.
    void chkUseCDRecorder_Click();
    // The CD writer of the window: its devices, the disc image of a run and its burning.
    [[nodiscard]] CdRecorder& cdRecorder() const { return *m_cdRecorder; }
    // Position of the first source entry equal to Item (case counts), -1 when none.
    [[nodiscard]] int VerificaDup(const QString& Item);
    // Adds the selected files of File1 (OnlyFile) or the folder AddPath, with WithSubs its
    // whole subtree; an empty AddPath is File1's folder. PopMessage names rows already there.
    void AddItem(bool OnlyFile, bool WithSubs, const QString& AddPath, bool PopMessage);
    // Adds the folder's entry and, with WithSubs, those of the folders below it.
    void AddSub(const QString& folder, bool WithSubs, bool PopMessage);
    // Adds one row unless it is there already or refused.
    void Add_to_List1(const QString& ItemToAdd, bool PopMessage);
    // The folder File1 lists; empty before one is chosen.
    [[nodiscard]] QString fileListFolder() const;
    // Points the folder tree and File1 at the folder.
    void showFolder(const QString& folder);
    // Saves the source list under the name in txtProfile, lists the profile and saves all
    // settings. A name that would leave the program folder is refused with a message.
    void cmdSaveProfile();
    // Makes the profile at that list position current as choosing it in the box does: the
    // box's index and text together, then its settings are loaded.
    void selectProfile(int index);
    // A close asked for while a profile loaded is carried out once the load has ended.
    void loadFinished();

    // The window's state as the stored options know it: 1 minimised, 0 otherwise.
    [[nodiscard]] int WindowState() const;
    // The per-tab availability flag the backup mode sets (tabs 3 and 4).
    [[nodiscard]] bool tabAvailable(int tab) const;

    // Scheduled tasks: the list is rebuilt from the table, the chosen task stays chosen.
    void RefreshList();
    // The texts of the flag word's bits, in their fixed order.
    [[nodiscard]] static QString TaskFlagsText(quint32 flags);
    void cmdNew_Click();
    void cmdProps_Click();
    void cdmDelete_Click();
    void cmdRun_Click();
    void lstTasks_Click();
    void SSTab2_GotFocus();
    void SSTab2_LostFocus();
    void TimerRT_Timer();
    // Sets the shutdown utility up to back the current profile up, and starts it.
    void cmdConfigAS_Click();
    // The error indicator opens the error log and turns green again.
    void ErrorIndicator_DblClick();
    void lblError_Click();
    [[nodiscard]] bool errorIndicatorLit() const;
    // The bug report: error log and pictures of the window's pages in error.zip.
    void Label7_Click();
    void GifView_Click();
    void Label32_Click();
    void lblQEVHome_Click();
    void OpenSuitePage();
    // Writes every control's caption and tooltip for the language master file.
    void Command1_Click();

    // The window's frame: menu bar, toolbar, tabs, status bar. Each tab page is laid out by a
    // QVBoxLayout or QGridLayout of its own; a page of another file adds its frame there.
    QMenuBar* menuBar = nullptr;
    QStatusBar* statusBar = nullptr;
    QToolBar* tbTools = nullptr;
    QTabWidget* SSTab1 = nullptr;
    QTabWidget* SSTab2 = nullptr;
    QLineEdit* txtNews = nullptr;
    QTextEdit* RtbNews1 = nullptr;
    QFrame* ErrorIndicator = nullptr;
    QLabel* lblError = nullptr;
    QLabel* Animation1 = nullptr;
    QProgressBar* ProgressBar3 = nullptr;
    QTimer* TimerRT = nullptr;
    QTimer* tmrtimeout = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuShow = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuExit1 = nullptr;
    QAction* mnuHelp1 = nullptr;
    QAction* mnuAbout = nullptr;
    QMenu* mnuProgram = nullptr;
    QAction* mnuErrorLog = nullptr;
    QAction* mnuBugReport = nullptr;
    QMenu* mnuHelpBar = nullptr;
    QMenu* mnuHelpButton = nullptr; // the drop-down menu of the toolbar's Help button

    // " Backup" tab: profile, run options, run totals, statistics
    QComboBox* cmbProfiles = nullptr;
    QLineEdit* txtProfile = nullptr;
    QGroupBox* Frame7 = nullptr;
    QRadioButton* optNewOnly = nullptr;
    QRadioButton* optComplete = nullptr;
    QRadioButton* optCompleteNoFilter = nullptr;
    QCheckBox* chkHiddenFolders = nullptr;
    QCheckBox* chkExclOldFiles = nullptr;
    QCheckBox* chkExclYoungFiles = nullptr;
    QCheckBox* chkExclYoungDayFiles = nullptr;
    QLineEdit* txtExclYoungDay = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    QDateEdit* DTPicker2 = nullptr;
    ControlArray<QLabel> Label43;
    QLineEdit* txtTotalFiles = nullptr;
    ControlArray<QLabel> Label44;
    QLineEdit* txtTotalSize = nullptr;
    QLabel* Label42 = nullptr;
    QLabel* Label56 = nullptr;
    QLineEdit* txtCompSize = nullptr;
    QLineEdit* txtBackUpTime = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    ControlArray<QLabel> Label41;
    QLineEdit* txtZipSize = nullptr;
    QLabel* Label18 = nullptr;
    QLineEdit* txtAnzFiles = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* txtZipArchive = nullptr;
    QGroupBox* frmZipStatistc = nullptr;
    QLabel* lblAnzOfArchives = nullptr;
    QLabel* lblTotalSizeOfArchives = nullptr;
    QLabel* lblNumberOfBackups = nullptr;
    QLabel* lblLastBackupDate = nullptr;
    QLabel* lblAverageBuTime = nullptr;
    QLabel* lblTotalNumOfFiles = nullptr;

    // " Sources" tab
    ControlArray<QLabel> Label1;
    QListWidget* List1 = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdUnselect = nullptr;
    QPushButton* cmdExclude = nullptr;
    QTreeView* FolderTreeview1 = nullptr;
    QListWidget* File1 = nullptr;
    QPushButton* cmdDirPlus = nullptr;
    QPushButton* cmdSubPlus = nullptr;
    QCheckBox* chkAddNewSub = nullptr;
    QPushButton* cmdFilesPlus = nullptr;
    QLabel* Label26 = nullptr;
    QLabel* Label24 = nullptr;
    QLineEdit* txtSourceSync = nullptr;
    QPushButton* cmdSelectSyncSourceDirectory = nullptr;
    QLabel* Label25 = nullptr;
    QLineEdit* txtDestinySync = nullptr;
    QPushButton* cmdSelectSyncDestinyDirectory = nullptr;
    QCheckBox* chkSyncBothDirections = nullptr;
    QCheckBox* chkSyncSubDirs = nullptr;

    // " Options" tab: mode frame, pattern frames, programs before and after, user options
    QGroupBox* Frame2 = nullptr;
    ControlArray<QRadioButton> optBuMode;
    QWidget* pctArchive = nullptr;
    ControlArray<QRadioButton> optArchive;
    QLabel* picSync = nullptr;
    QCheckBox* chkInclSubDirStruct = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLineEdit* txtExclusions = nullptr;
    QGroupBox* Frame12 = nullptr;
    QLineEdit* txtDirExclusions = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLineEdit* txtInclusions = nullptr;
    QLineEdit* txtPathTemp = nullptr;
    QPushButton* cmdSelectPathTemp = nullptr;
    QCheckBox* chkRunBefore = nullptr;
    QLineEdit* txtPathBefore = nullptr;
    QPushButton* cmdSelectPathBefore = nullptr;
    QLineEdit* txtCommandlineBefore = nullptr;
    ControlArray<QRadioButton> optWaitBefore;
    QLineEdit* txtWaitSecondsBefore = nullptr;
    QCheckBox* chkRunAfter = nullptr;
    QLineEdit* txtPathAfter = nullptr;
    QPushButton* cmdSelectPathAfter = nullptr;
    QLineEdit* txtCommandlineAfter = nullptr;
    ControlArray<QRadioButton> optWaitAfter;
    QLineEdit* txtWaitSecondsAfter = nullptr;
    QCheckBox* chkInclRegistry = nullptr;
    QRadioButton* optRegistryTXT = nullptr;
    QRadioButton* optRegistryREG = nullptr;
    QCheckBox* chkInclOutlook = nullptr;
    QCheckBox* chkInclOutlookE = nullptr;
    QCheckBox* chkWriteLog = nullptr;
    QCheckBox* chkSelectionWarning = nullptr;
    QCheckBox* chkShutdown = nullptr;
    QCheckBox* chkResetArchiveBit = nullptr;
    QCheckBox* chkStartWithWindow = nullptr;
    QCheckBox* chkSystray = nullptr;
    QCheckBox* chkWinOnTop = nullptr;
    QCheckBox* chkSound = nullptr;
    QCheckBox* chkProfileStandard = nullptr;
    QComboBox* cmbLanguage = nullptr;

    // " BU Media" tab: destinations, destination panel, FTP page
    QCheckBox* chkMedia = nullptr;
    QCheckBox* chkFTP = nullptr;
    QCheckBox* chkSendEmail = nullptr;
    QPushButton* cmdSetupMedia = nullptr;
    QPushButton* cmdSetupFTP = nullptr;
    QPushButton* cmdSetupEmail = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtPathBackUp = nullptr;
    QPushButton* cmdSelectPath = nullptr;
    QCheckBox* chkUseCDRecorder = nullptr;
    QComboBox* cboDevices = nullptr;
    QComboBox* cboWriteSpeed = nullptr;
    QCheckBox* chkUseBurnProof = nullptr;
    ControlArray<QLabel> lblDesc;
    ControlArray<QLabel> lblDriveInfo;
    QLineEdit* txtSpareSpace = nullptr;
    QLineEdit* txtRemainSpace = nullptr;
    QGroupBox* Frame10 = nullptr;
    QLineEdit* txtFTPserver = nullptr;
    QLineEdit* txtFTPuser = nullptr;
    QLineEdit* txtFTPpassword = nullptr;
    QLineEdit* txtFTPport = nullptr;
    QLineEdit* txtFTPdir = nullptr;
    QCheckBox* chkProxy = nullptr;
    QLineEdit* txtFTPProxy = nullptr;
    QLineEdit* txtFTPrestoreDir = nullptr;
    QPushButton* cmdSelectPathFTPrestore = nullptr;
    QLineEdit* txtRetrieveMask = nullptr;
    QPushButton* cmdTestFTPconnection = nullptr;
    QPushButton* cmdFTPretrieve = nullptr;
    QLabel* lblFTPstatus = nullptr;
    QListWidget* lstServerFiles = nullptr;

    // " ZIP Options" tab
    QGroupBox* Frame8 = nullptr;
    QCheckBox* chkMaxZIPsize = nullptr;
    QLineEdit* txtMaxZIPsize = nullptr;
    QCheckBox* chkMaxFiles = nullptr;
    QLineEdit* txtMaxFiles = nullptr;
    QSlider* Slider1 = nullptr;
    QCheckBox* chkSplit = nullptr;
    QCheckBox* chkOverwriteFile = nullptr;
    QCheckBox* chkAppendArchive = nullptr;
    QCheckBox* chkEncrypt = nullptr;
    QLineEdit* txtEncryptPassword = nullptr;
    QCheckBox* chkRemeberPassword = nullptr;
    QCheckBox* chkDeleteArchive = nullptr;
    QLineEdit* txtDeleteArchive = nullptr;

    // " Schedule" tab: scheduled tasks, the shutdown utility, links
    QGroupBox* Frame11 = nullptr;
    QListWidget* lstTasks = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdProps = nullptr;
    QPushButton* cdmDelete = nullptr;
    QPushButton* cmdRun = nullptr;
    ControlArray<QLabel> lbLabels;
    ControlArray<QLabel> lblInfo;
    QPushButton* cmdConfigAS = nullptr;
    QLabel* lblUtilityState = nullptr;
    QLabel* GifView = nullptr;
    QLabel* lblQEVHome = nullptr;
    QLabel* Label32 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One program row of the " Options" tab: before or after the backup.
    struct ProgramRow {
        const char* checkName;
        const char* checkCaption;
        const char* pathName;
        const char* browseName;
        const char* commandLineName;
        const char* waitName;
        const char* secondsName;
        QCheckBox** check;
        QLineEdit** path;
        QPushButton** browse;
        QLineEdit** commandLine;
        ControlArray<QRadioButton>* wait;
        QLineEdit** seconds;
        int firstWait;
        const char* const* waitCaptions;
        const char* when;
    };

    void createControls();
    QWidget* addPage(const QString& caption);
    void createToolbar();
    [[nodiscard]] static QIcon programIcon();
    void createStatusRow();
    void createMenus();
    void createBackupTab(QWidget* page);
    void createRunOptions(QWidget* page);
    void createRunTotals(QWidget* page, QVBoxLayout* column);
    void createStatistics(QWidget* page);
    void createSourcesTab(QWidget* page);
    void createSourceListControls(QWidget* page);
    void createSyncControls(QWidget* page);
    void createOptionsTab(QWidget* page);
    void createModeFrame(QWidget* page);
    void createModeFrameLower();
    void createPatternFrames(QWidget* page, QVBoxLayout* column);
    void createTempRow(QWidget* page, QVBoxLayout* column);
    void createProgramRows(QWidget* page, QVBoxLayout* column);
    QWidget* createProgramRow(QWidget* page, const ProgramRow& row);
    QWidget* createUserOptions(QWidget* page);
    void createMediaTab(QWidget* page);
    void createDestinationFrame(QWidget* page);
    QGridLayout* createDriveInfo();
    void createFtpFrame(QWidget* page);
    void createZipTab(QWidget* page);
    void createScheduleTab(QWidget* page);
    void connectEvents();
    void connectOptionArrays();

    void applyCommonModeLayout();
    void applyZipModeLayout();
    void applyCopyModeLayout();
    void applySyncModeLayout();
    void showSourceListControls(bool shown);
    void showRunTotals(bool shown);
    void showCurrentArchiveRow(bool shown);
    void setTabAvailable(int tab, bool available);
    void setModeFrameHeight(int twips);

    void restoreStartProfile();
    void restoreGeometry();
    [[nodiscard]] QSize firstStartSize() const;
    [[nodiscard]] QSize decorationAllowance() const;
    void keepOnScreen(bool whole);
    // A close or exit asked for while a run is active waits until the run has unwound.
    enum class PendingClose { None, Close, Exit };
    void deferUntilRunEnds(PendingClose what);
    void closeAfterRun();
    void Form_QueryUnload();
    void Form_Unload();
    void showErrorIndicator();

    void createSourceBrowsers();
    void createFolderTree();
    void connectSourceEvents();
    [[nodiscard]] QDir::Filters folderFilter() const;
    void setFileListFolder(const QString& folder);
    void addSelectedFiles(const QString& folder, bool popMessage);
    void showDuplicate(const QString& row, bool popMessage);
    [[nodiscard]] bool refusedRow(const QString& row, const QString& folder);
    void appendRow(const QString& row);
    void cmdSelect_Click();
    void cmdUnselect_Click();
    void cmdExclude_Click();
    void cmdDirPlus_Click();
    void cmdSubPlus_Click();
    void cmdFilesPlus_Click();
    void File1_DblClick();
    void FolderTreeview1_NodeClick(const QModelIndex& current);
    void chkHiddenFolders_Click();

    void cmbProfiles_GotFocus();
    void cmbProfiles_NameTyped();
    void cmbProfiles_Click();
    void txtExclusions_LostFocus();
    void txtDirExclusions_LostFocus();
    void txtInclusions_LostFocus();
    void frmZipStatistc_DblClick();

    [[nodiscard]] QAction* toolbarButton(const QString& key) const;
    void createCommands();
    void createHelpMenu();
    void createMenuBarCommands();
    void keepBuiltTexts();
    void connectCommands();
    void tbTools_ButtonClick(QAction* button);
    void tbTools_ButtonMenuClick(QAction* item);
    void mnuHelp1_Click();
    void runVersionCheck();
    void saveProfileAs();
    // Shows why the profile-name rule refuses the name; false when it allows it.
    bool profileNameRefused(const QString& name);
    void deleteCurrentProfile();
    void keepProfileFileAsBackup(const QString& name);

    void createTaskPages();
    void createSchedulerPage(QWidget* page);
    void createUtilityPage(QWidget* page);
    void connectTaskEvents();
    void schedulerPageShown();
    TaskScheduler& scheduler();
    [[nodiscard]] QString selectedTaskName() const;
    [[nodiscard]] QString askNewTaskName();
    [[nodiscard]] QStringList taskArguments() const;
    void editTask(const ScheduledTask& task, QWidget* owner, const QString& errorLabel);
    void tellSchedulerFailure(const QString& why);
    void schedulerFailed(const QString& errorLabel, const QString& why);
    [[nodiscard]] static QString utilityProgram();
    void showUtilityState();
    void closeRunningUtility(const QString& program);
    void createReportControls();
    void addPagePictures(ZipArchive& zip, const QString& errorLabel);
    void addPicture(ZipArchive& zip, int pass, const QString& errorLabel);

    void connectRunEvents();
    void refuseBusyProfile();
    // The FTP page (frmMain_BackUp_Ftp.cpp).
    void connectFtpEvents();
    bool testFtpRoundTrip();
    void cmdTestFTPconnection_Click();
    void cmdFTPretrieve_Click();
    void cmdSelectPathFTPrestore_Click();
    void Inet2_StateChanged(int state);

public:
    // What the FTP session reads from and shows on the window.
    FtpSettings ftpSettings() const override;
    void setFtpCaption(const QString& caption) override;
    void addFtpNews(const QString& line) override;
    void showServerFiles(const QStringList& entries) override;

private:
    FtpTransfer* Inet2 = nullptr;
    QEV_InetFTP* m_inetFtp = nullptr;


    // Option handlers
    void connectOptionEvents();
    void connectPickers();
    bool optionFocusLeft(QObject* watched, QEvent* event);
    void txtMaxZIPsize_LostFocus();
    void txtMaxFiles_LostFocus();
    void connectCdEvents();
    void LoadDriveCombo();
    void LoadWriteSpeedCombo();
    void cboDevices_Click();
    void cboWriteSpeed_Click();
    void chkAppendArchive_Click();
    void selectCdEntry(QComboBox* combo, int index, void (frmMain_BackUp::*handler)());
    void numberBoxChanged(QLineEdit* box);
    void numberBoxFinished(QLineEdit* box, int nameText);
    void txtSpareSpace_Change();
    void absoluteWholeBox(QLineEdit* box);
    void keepStoredText(QLineEdit* box, const QString& key);
    void applyDestinationRule();
    void chkMedia_Click();
    void chkFTP_Click();
    void chkSendEmail_Click();
    void announceNextVersion(QCheckBox* box);
    void chkAddNewSub_Click();
    void chkStartWithWindow_Click();
    void chkWinOnTop_Click();
    void cmdSelectPath_Click();
    void cmdSelectPathTemp_Click();
    void chooseSyncFolder(QLineEdit* box);
    void chooseProgram(QLineEdit* box);
    void txtPathBackUp_Change();
    void txtPathBackUp_LostFocus();
    void cmdSetupFTP_Click();
    void cmdSetupMedia_Click();
    // The " BU Media" tab's destination page, or its FTP page.
    void showMediaSubPage(bool ftp);

    QStackedWidget* m_sourcesArea = nullptr;
    QStackedWidget* m_modeFrameLower = nullptr;
    SourceListIndex* m_sourceIndex = nullptr;
    QFileSystemModel* m_folderModel = nullptr;
    QString m_fileFolder;
    std::unique_ptr<TaskScheduler> m_scheduler; // made on first use
    QString m_schedulerFailure; // what the user was last told about the scheduler
    bool m_unloaded = false;
    QHash<const QObject*, std::pair<QString, QString>> m_builtTexts; // caption, tooltip
    bool m_closeAfterLoad = false;
    bool m_runActive = false;
    PendingClose m_pendingClose = PendingClose::None;
    int m_runExitCode = -1;
    CdRecorder* m_cdRecorder = nullptr;
    // The user switched CD mode on: the drives are scanned again.
    bool m_rescanDrives = false;
};
