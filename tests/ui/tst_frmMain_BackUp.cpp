#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include "frmMain_BackUp.h"

namespace {
// The control's own Visible property, whichever tab is in front.
bool shown(const QWidget* control) { return !control->isHidden(); }
} // namespace

// The main window's controls and its backup-mode layout, driven offscreen.
class tst_frmMain_BackUp : public QObject {
    Q_OBJECT

private slots:
    void controlsCarryTheirNames_data();
    void controlsCarryTheirNames();
    void controlArraysHoldTheirIndexes();
    void mediaPanelCaptions_data();
    void mediaPanelCaptions();
    void newsBoxIsFixedWidth();
    void zipModeShowsArchiveControls();
    void copyModeForcesTheMediumDestination();
    void syncModeHidesTheSourceList();
    void unknownModeChangesNothing();
    void checkBoxHoldsThreeValues();
    void clearingAnOptionLeavesNoneSelected();
};

void tst_frmMain_BackUp::controlsCarryTheirNames_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"SSTab1",
                             "SSTab2",
                             "tbTools",
                             "cmbProfiles",
                             "cmbLanguage",
                             "txtProfile",
                             "List1",
                             "chkStartWithWindow",
                             "chkSystray",
                             "chkWinOnTop",
                             "chkSound",
                             "chkProxy",
                             "chkProfileStandard",
                             "chkRemeberPassword",
                             "chkWriteLog",
                             "chkSelectionWarning",
                             "chkShutdown",
                             "chkExclOldFiles",
                             "chkExclYoungFiles",
                             "chkExclYoungDayFiles",
                             "chkEncrypt",
                             "chkHiddenFolders",
                             "chkDeleteArchive",
                             "chkMaxFiles",
                             "chkSendEmail",
                             "chkFTP",
                             "chkMedia",
                             "chkAddNewSub",
                             "chkSplit",
                             "chkOverwriteFile",
                             "chkInclSubDirStruct",
                             "chkResetArchiveBit",
                             "chkAppendArchive",
                             "chkRunBefore",
                             "chkRunAfter",
                             "chkInclRegistry",
                             "chkInclOutlook",
                             "chkInclOutlookE",
                             "chkUseCDRecorder",
                             "chkUseBurnProof",
                             "chkSyncBothDirections",
                             "chkSyncSubDirs",
                             "optNewOnly",
                             "optComplete",
                             "optCompleteNoFilter",
                             "optRegistryTXT",
                             "optRegistryREG",
                             "txtSpareSpace",
                             "txtFTPserver",
                             "txtFTPuser",
                             "txtFTPpassword",
                             "txtFTPport",
                             "txtFTPdir",
                             "txtFTPProxy",
                             "txtFTPrestoreDir",
                             "txtRetrieveMask",
                             "txtEncryptPassword",
                             "txtPathBackUp",
                             "txtPathTemp",
                             "txtExclYoungDay",
                             "txtExclusions",
                             "txtDirExclusions",
                             "txtInclusions",
                             "txtDeleteArchive",
                             "txtMaxFiles",
                             "txtMaxZIPsize",
                             "txtPathBefore",
                             "txtCommandlineBefore",
                             "txtPathAfter",
                             "txtCommandlineAfter",
                             "txtWaitSecondsBefore",
                             "txtWaitSecondsAfter",
                             "txtSourceSync",
                             "txtDestinySync",
                             "txtTotalSize",
                             "txtTotalFiles",
                             "txtBackUpTime",
                             "txtCompSize",
                             "txtRemainSpace",
                             "txtZipArchive",
                             "cboDevices",
                             "cboWriteSpeed",
                             "Slider1",
                             "DTPicker1",
                             "DTPicker2",
                             "Label4",
                             "cmdSelectPath",
                             "Frame3",
                             "frmZipStatistc",
                             "lblAnzOfArchives",
                             "lblTotalSizeOfArchives",
                             "lblNumberOfBackups",
                             "lblLastBackupDate",
                             "lblAverageBuTime",
                             "lblTotalNumOfFiles",
                             "txtNews",
                             "RtbNews1",
                             "ProgressBar1",
                             "ProgressBar2",
                             "ProgressBar3",
                             "Animation1",
                             "TimerRT",
                             "Frame7",
                             "ErrorIndicator",
                             "lblError",
                             "lblFTPstatus",
                             "lstServerFiles",
                             "cmdTestFTPconnection",
                             "cmdFTPretrieve",
                             "cmdSelectPathFTPrestore",
                             "tmrtimeout",
                             "cmdSetupEmail",
                             "cmdSetupMedia",
                             "cmdSetupFTP",
                             "Frame2",
                             "Frame4",
                             "Frame5",
                             "Frame8",
                             "Frame10",
                             "Frame11",
                             "Frame12",
                             "pctArchive",
                             "picSync",
                             "Label26",
                             "mnuPopup",
                             "Restore",
                             "Delete"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_frmMain_BackUp::controlsCarryTheirNames()
{
    QFETCH(QString, name);
    frmMain_BackUp window;
    QVERIFY2(window.findChild<QObject*>(name), qPrintable(name));
}

void tst_frmMain_BackUp::controlArraysHoldTheirIndexes()
{
    frmMain_BackUp window;
    QCOMPARE(window.optBuMode.indexes(), (QList<int> {0, 1, 2}));
    QCOMPARE(window.optArchive.indexes(), (QList<int> {0, 1, 2}));
    QCOMPARE(window.optWaitBefore.indexes(), (QList<int> {0, 1, 2}));
    QCOMPARE(window.optWaitAfter.indexes(), (QList<int> {3, 4, 5}));
    QCOMPARE(window.lblDesc.count(), 14);
    QCOMPARE(window.lblDriveInfo.count(), 12);
    QCOMPARE(window.lblDriveInfo(11)->text(), QStringLiteral("x"));
    QCOMPARE(window.findChild<QRadioButton*>(QStringLiteral("optWaitAfter(4)")),
             window.optWaitAfter(4));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblDesc(13)")), window.lblDesc(13));
    QVERIFY(window.optWaitBefore(3) == nullptr);
}

// The panel writes each value beside the caption of the same index.
void tst_frmMain_BackUp::mediaPanelCaptions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::newRow("free space") << 3 << "Free Space:";
    QTest::newRow("ready") << 4 << "Is Ready:";
    QTest::newRow("path") << 5 << "Path:";
    QTest::newRow("volume name") << 10 << "Volume Name:";
    QTest::newRow("sub folders") << 11 << "Sub Folders:";
}

void tst_frmMain_BackUp::mediaPanelCaptions()
{
    QFETCH(int, index);
    QFETCH(QString, caption);
    frmMain_BackUp window;
    QCOMPARE(window.lblDesc(index)->text(), caption);
}

void tst_frmMain_BackUp::newsBoxIsFixedWidth()
{
    frmMain_BackUp window;
    const QFontMetrics metrics(window.RtbNews1->font());
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
             metrics.horizontalAdvance(QStringLiteral("MMMM")));
}

void tst_frmMain_BackUp::zipModeShowsArchiveControls()
{
    frmMain_BackUp window;
    window.show();
    window.optBuMode(1)->setChecked(true);
    window.optBuMode(0)->setChecked(true); // the click runs the layout
    QVERIFY(window.tabAvailable(3));
    QVERIFY(window.tabAvailable(4));
    QVERIFY(shown(window.pctArchive));
    QVERIFY(shown(window.txtZipSize));
    QVERIFY(shown(window.chkFTP));
    QVERIFY(window.chkMedia->isEnabled());
    QVERIFY(window.Frame8->isEnabled());
    // The short mode frame shows the mode buttons and the archive period only.
    QVERIFY(!window.chkInclSubDirStruct->isVisibleTo(window.Frame2));
    QVERIFY(!window.Label3->isVisibleTo(window.Frame2));
}

void tst_frmMain_BackUp::copyModeForcesTheMediumDestination()
{
    frmMain_BackUp window;
    window.show();
    (void)setChkValue(window.chkMedia, 0);
    window.optBuMode(1)->setChecked(true);
    QCOMPARE(chkValue(window.chkMedia), 1);
    QVERIFY(!window.chkMedia->isEnabled());
    QVERIFY(!shown(window.chkFTP));
    QVERIFY(!shown(window.chkSendEmail));
    QVERIFY(!shown(window.cmdSetupMedia));
    QVERIFY(!window.tabAvailable(4));
    QVERIFY(window.tabAvailable(3));
    QVERIFY(!window.Frame8->isEnabled());
    QVERIFY(window.chkInclSubDirStruct->isVisibleTo(window.Frame2));
    QVERIFY(window.Label3->isVisibleTo(window.Frame2));
    window.optBuMode(0)->setChecked(true);
    QVERIFY(window.chkMedia->isEnabled());
    QCOMPARE(chkValue(window.chkMedia), 1);
    QVERIFY(shown(window.cmdSetupEmail));
}

void tst_frmMain_BackUp::syncModeHidesTheSourceList()
{
    frmMain_BackUp window;
    window.show();
    window.optBuMode(1)->setChecked(true);
    window.optBuMode(2)->setChecked(true);
    QVERIFY(!shown(window.List1));
    QVERIFY(shown(window.picSync));
    QVERIFY(shown(window.Label26));
    QVERIFY(!shown(window.Frame7));
    QVERIFY(!window.tabAvailable(3));
    QVERIFY(!window.tabAvailable(4));
    QVERIFY(shown(window.txtSourceSync));
    // The sync folders come to the front where the source list was, usable.
    QVERIFY(window.txtSourceSync->isVisibleTo(window.SSTab1->widget(1)));
    QVERIFY(window.picSync->isVisibleTo(window.Frame2));
    QVERIFY(!window.chkInclSubDirStruct->isVisibleTo(window.Frame2));
    // Mode 2 leaves the destination controls as file copy left them.
    QVERIFY(!window.chkMedia->isEnabled());
    QVERIFY(!shown(window.chkFTP));
    window.optBuMode(0)->setChecked(true);
    QVERIFY(!window.txtSourceSync->isVisibleTo(window.SSTab1->widget(1)));
    QVERIFY(window.List1->isVisibleTo(window.SSTab1->widget(1)));
}

void tst_frmMain_BackUp::unknownModeChangesNothing()
{
    frmMain_BackUp window;
    window.optBuMode_Click(0);
    window.optBuMode_Click(7);
    window.optBuMode_Click(-1);
    QVERIFY(!window.chkInclSubDirStruct->isVisibleTo(window.Frame2));
    QVERIFY(window.tabAvailable(4));
}

void tst_frmMain_BackUp::checkBoxHoldsThreeValues()
{
    frmMain_BackUp window;
    for (int value : {2, 1, 0}) {
        QVERIFY(setChkValue(window.chkEncrypt, value));
        QCOMPARE(chkValue(window.chkEncrypt), value);
    }
    QVERIFY(!setChkValue(window.chkEncrypt, 3));
    QCOMPARE(chkValue(window.chkEncrypt), 0);
}

void tst_frmMain_BackUp::clearingAnOptionLeavesNoneSelected()
{
    frmMain_BackUp window;
    window.optWaitBefore(1)->setChecked(true);
    window.optWaitAfter(3)->setChecked(true);
    QVERIFY(window.optWaitBefore(1)->isChecked()); // separate groups
    setOptValue(window.optWaitBefore(1), false);
    for (int i : window.optWaitBefore.indexes())
        QVERIFY(!window.optWaitBefore(i)->isChecked());
    window.optWaitBefore(2)->setChecked(true);
    QVERIFY(!window.optWaitBefore(1)->isChecked()); // still one group
}

QTEST_MAIN(tst_frmMain_BackUp)
#include "tst_frmMain_BackUp.moc"
