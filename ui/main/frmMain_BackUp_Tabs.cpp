// The controls of the " Backup", " Sources" and " Options" tabs.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeView>

namespace {

QString text(const char* caption) { return QString::fromUtf8(caption); }

QLabel* label(const char* caption, QWidget* parent) { return new QLabel(text(caption), parent); }

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent)
{
    return named(new QCheckBox(text(caption), parent), name);
}

QLineEdit* textBox(const char* name, QWidget* parent) { return named(new QLineEdit(parent), name); }

QPushButton* button(const char* name, const char* caption, QWidget* parent)
{
    return named(new QPushButton(text(caption), parent), name);
}

// A unit caption right behind its box, which is shortened to make room.
void unitAfter(QLabel* unit, QWidget* box)
{
    box->resize(150, box->height());
    unit->setGeometry(box->x() + 154, box->y(), 48, box->height());
}

template <typename T>
T* element(ControlArray<T>& array, const char* name, int index, T* control)
{
    control->setObjectName(elementName(QString::fromLatin1(name), index));
    array.add(index, control);
    return control;
}

QGroupBox* frame(const char* name, const char* caption, QWidget* parent)
{
    return named(new QGroupBox(text(caption), parent), name);
}

} // namespace

void frmMain_BackUp::createBackupTab(QWidget* page)
{
    placeCell(label("Profile:", page), 0, 0);
    cmbProfiles = named(new QComboBox(page), "cmbProfiles");
    cmbProfiles->setEditable(true);
    // A typed name is a profile to save, not a list entry to choose.
    cmbProfiles->setInsertPolicy(QComboBox::NoInsert);
    placeCell(cmbProfiles, 1, 0);
    txtProfile = textBox("txtProfile", page);
    placeCell(txtProfile, 2, 0);

    Frame7 = frame("Frame7", "Backup options for checked sources (files && folders) :", page);
    placeCell(Frame7, 0, 1, 2, 6);
    optNewOnly
        = named(new QRadioButton(
                    text("new or changed files&&folders / incremental  (using filters)"), Frame7),
                "optNewOnly");
    placeCell(optNewOnly, 0, 0, 2, 1, 18);
    optComplete = named(new QRadioButton(text("complete  (using filters)"), Frame7), "optComplete");
    placeCell(optComplete, 0, 1, 1, 1, 18);
    optCompleteNoFilter
        = named(new QRadioButton(text("complete  (no filters)"), Frame7), "optCompleteNoFilter");
    placeCell(optCompleteNoFilter, 1, 1, 1, 1, 18);
    chkHiddenFolders = checkBox("chkHiddenFolders", "Include hidden files && folders", Frame7);
    placeCell(chkHiddenFolders, 0, 2, 2, 1, 18);
    chkExclOldFiles = checkBox("chkExclOldFiles", "Excl. files older than", Frame7);
    placeCell(chkExclOldFiles, 0, 3, 1, 1, 18);
    DTPicker1 = named(new QDateEdit(Frame7), "DTPicker1");
    DTPicker1->setCalendarPopup(true);
    placeCell(DTPicker1, 1, 3, 1, 1, 18);
    chkExclYoungFiles = checkBox("chkExclYoungFiles", "Excl. files younger than", Frame7);
    placeCell(chkExclYoungFiles, 0, 4, 1, 1, 18);
    DTPicker2 = named(new QDateEdit(Frame7), "DTPicker2");
    DTPicker2->setCalendarPopup(true);
    placeCell(DTPicker2, 1, 4, 1, 1, 18);
    chkExclYoungDayFiles
        = checkBox("chkExclYoungDayFiles", "Excl. files younger than (days)", Frame7);
    placeCell(chkExclYoungDayFiles, 0, 5, 1, 1, 18);
    txtExclYoungDay = textBox("txtExclYoungDay", Frame7);
    placeCell(txtExclYoungDay, 1, 5, 1, 1, 18);

    createRunTotals(page);
    createStatistics(page);
}

void frmMain_BackUp::createRunTotals(QWidget* page)
{
    placeCell(element(Label43, "Label43", 0, label("Files total :", page)), 0, 8);
    txtTotalFiles = textBox("txtTotalFiles", page);
    placeCell(txtTotalFiles, 1, 8);
    placeCell(element(Label44, "Label44", 0, label("Total size :", page)), 0, 9);
    txtTotalSize = textBox("txtTotalSize", page);
    placeCell(txtTotalSize, 1, 9);
    Label42 = named(label("Mb", page), "Label42");
    unitAfter(Label42, txtTotalSize);
    Label56 = named(label("Mb   Zipped size :", page), "Label56");
    placeCell(Label56, 0, 10);
    txtCompSize = textBox("txtCompSize", page);
    placeCell(txtCompSize, 1, 10);
    placeCell(label("Backup time (seconds) :", page), 0, 11);
    txtBackUpTime = textBox("txtBackUpTime", page);
    placeCell(txtBackUpTime, 1, 11);
    placeCell(element(Label41, "Label41", 0, label("Current archive:", page)), 0, 12);
    txtZipSize = textBox("txtZipSize", page);
    placeCell(txtZipSize, 1, 12);
    Label18 = named(label("Mb", page), "Label18");
    unitAfter(Label18, txtZipSize);
    txtAnzFiles = textBox("txtAnzFiles", page);
    placeCell(txtAnzFiles, 1, 13);
    Label19 = named(label("Files", page), "Label19");
    unitAfter(Label19, txtAnzFiles);
    txtZipArchive = textBox("txtZipArchive", page);
    placeCell(txtZipArchive, 0, 13);
    ProgressBar1 = named(new QProgressBar(page), "ProgressBar1");
    placeCell(ProgressBar1, 0, 14, 3);
    ProgressBar2 = named(new QProgressBar(page), "ProgressBar2");
    placeCell(ProgressBar2, 0, 15, 3);
    RtbNews1 = named(new QTextEdit(page), "RtbNews1");
    RtbNews1->setReadOnly(true);
    placeCell(RtbNews1, 2, 8, 1, 6);
}

void frmMain_BackUp::createStatistics(QWidget* page)
{
    frmZipStatistc
        = frame("frmZipStatistc",
                "ZIP archive backup statistics for current profile - (since last reset)", page);
    frmZipStatistc->setToolTip(text("DblClick to reset backup statistics"));
    placeCell(frmZipStatistc, 2, 1, 1, 7);
    const struct
    {
        const char* caption;
        const char* name;
        QLabel** target;
    } rows[] = {
        {"Archives in media  :", "lblAnzOfArchives", &lblAnzOfArchives},
        {"Total size (MByte)  :", "lblTotalSizeOfArchives", &lblTotalSizeOfArchives},
        {"Num. of backups   :", "lblNumberOfBackups", &lblNumberOfBackups},
        {"Last backup date :", "lblLastBackupDate", &lblLastBackupDate},
        {"Average  BU time (seconds) :", "lblAverageBuTime", &lblAverageBuTime},
        {"Files copied to BU archives  :", "lblTotalNumOfFiles", &lblTotalNumOfFiles},
    };
    int top = 18;
    for (const auto& row : rows) {
        label(row.caption, frmZipStatistc)->setGeometry(6, top, 140, 20);
        *row.target = named(new QLabel(text("0"), frmZipStatistc), row.name);
        (*row.target)->setGeometry(148, top, 50, 20);
        top += 24;
    }
}

void frmMain_BackUp::createSourcesTab(QWidget* page)
{
    placeCell(
        element(Label1, "Label1", 0, label("Profile - Files / Directories to backup :", page)), 0,
        0, 3);
    List1 = named(new QListWidget(page), "List1");
    placeTwips(List1, 120, 705, 9135, 2085);
    cmdSelect = button("cmdSelect", "    Select all", page);
    placeCell(cmdSelect, 0, 6);
    cmdUnselect = button("cmdUnselect", "Unselect all", page);
    placeCell(cmdUnselect, 1, 6);
    cmdExclude = button("cmdExclude", "Remove selected", page);
    placeCell(cmdExclude, 2, 6);
    FolderTreeview1 = named(new QTreeView(page), "FolderTreeview1");
    placeCell(FolderTreeview1, 0, 7, 1, 6);
    File1 = named(new QListWidget(page), "File1");
    placeCell(File1, 1, 7, 1, 6);
    cmdDirPlus = button("cmdDirPlus", "Add  Directory", page);
    placeCell(cmdDirPlus, 2, 7);
    cmdSubPlus = button("cmdSubPlus", "Add Directory / +SubDir(s)", page);
    placeCell(cmdSubPlus, 2, 8);
    chkAddNewSub = checkBox("chkAddNewSub", "Incl.new SubDirs", page);
    placeCell(chkAddNewSub, 2, 9);
    cmdFilesPlus = button("cmdFilesPlus", "Add (multiple) selected  File(s)", page);
    placeCell(cmdFilesPlus, 2, 10);
    createSyncControls(page);
}

// The sync folders lie in the source list's rectangle; they are raised above it so that they
// stay usable when the mode hides the list.
void frmMain_BackUp::createSyncControls(QWidget* page)
{
    Label26 = named(label("This function compares the source and destination directory trees "
                          "and copies files that are newer or missing, optionally both ways.",
                          page),
                    "Label26");
    Label26->setWordWrap(true);
    placeTwips(Label26, 120, 2850, 9135, 600);
    Label24 = named(label("Source:", page), "Label24");
    placeTwips(Label24, 240, 735, 1300, 330);
    txtSourceSync = textBox("txtSourceSync", page);
    placeTwips(txtSourceSync, 1560, 735, 5400, 330);
    cmdSelectSyncSourceDirectory = button("cmdSelectSyncSourceDirectory", "...", page);
    placeTwips(cmdSelectSyncSourceDirectory, 7020, 735, 600, 330);
    Label25 = named(label("Destination:", page), "Label25");
    placeTwips(Label25, 240, 1080, 1300, 330);
    txtDestinySync = textBox("txtDestinySync", page);
    placeTwips(txtDestinySync, 1560, 1080, 5400, 330);
    cmdSelectSyncDestinyDirectory = button("cmdSelectSyncDestinyDirectory", "...", page);
    placeTwips(cmdSelectSyncDestinyDirectory, 7020, 1080, 600, 330);
    chkSyncBothDirections
        = checkBox("chkSyncBothDirections", "Synchronize in both directions", page);
    placeTwips(chkSyncBothDirections, 1560, 1530, 5400, 330);
    chkSyncSubDirs = checkBox("chkSyncSubDirs", "Synchronize inclusive subdirectories", page);
    placeTwips(chkSyncSubDirs, 1560, 1920, 5400, 330);
    for (QWidget* w : std::initializer_list<QWidget*>{
             Label24, txtSourceSync, cmdSelectSyncSourceDirectory, Label25, txtDestinySync,
             cmdSelectSyncDestinyDirectory, chkSyncBothDirections, chkSyncSubDirs})
        w->lower();
    List1->raise();
}

void frmMain_BackUp::createOptionsTab(QWidget* page)
{
    createModeFrame(page);
    createPatternFrames(page);
    createProgramRows(page);
    createUserOptions(page);
}

void frmMain_BackUp::createModeFrame(QWidget* page)
{
    Frame2 = frame("Frame2", "Backup mode (current profile)", page);
    placeTwips(Frame2, 90, 90, 3450, 1830);
    const char* modes[] = {"ZIP archive", "File copy", "File sync"};
    for (int i = 0; i < 3; ++i)
        placeTwips(element(optBuMode, "optBuMode", i, new QRadioButton(text(modes[i]), Frame2)),
                   120 + i * 1110, 240, 1100, 300);
    pctArchive = named(new QWidget(Frame2), "pctArchive");
    placeTwips(pctArchive, 120, 540, 3195, 255);
    label("Archive:", pctArchive)->setGeometry(0, 0, 50, 17);
    const char* periods[] = {"Daily", "Weekly", "Monthly"};
    for (int i = 0; i < 3; ++i)
        element(optArchive, "optArchive", i, new QRadioButton(text(periods[i]), pctArchive))
            ->setGeometry(52 + i * 54, 0, 54, 17);
    chkInclSubDirStruct = checkBox(
        "chkInclSubDirStruct", "Copy backup subdirectory structure to destiny directory", Frame2);
    placeTwips(chkInclSubDirStruct, 135, 945, 3255, 510);
    Label3 = named(label("Please note: older files will be overwritten", Frame2), "Label3");
    placeTwips(Label3, 135, 1485, 3255, 255);
    picSync = named(label("Synchronisation copies newer and missing files between the two "
                          "folders of the Sources tab.",
                          Frame2),
                    "picSync");
    picSync->setWordWrap(true);
    placeTwips(picSync, 120, 525, 3255, 1170);
}

void frmMain_BackUp::createPatternFrames(QWidget* page)
{
    const struct
    {
        const char* frameName;
        const char* caption;
        const char* boxName;
        QGroupBox** frameTarget;
        QLineEdit** boxTarget;
    } frames[] = {
        {"Frame5", "File filter (current profile)", "txtExclusions", &Frame5, &txtExclusions},
        {"Frame12", "Dir filter (current profile)", "txtDirExclusions", &Frame12,
         &txtDirExclusions},
        {"Frame4", "Forced files (current prof)", "txtInclusions", &Frame4, &txtInclusions},
    };
    int row = 5;
    for (const auto& f : frames) {
        *f.frameTarget = frame(f.frameName, f.caption, page);
        placeCell(*f.frameTarget, 0, row, 2, 2);
        *f.boxTarget = textBox(f.boxName, *f.frameTarget);
        (*f.boxTarget)->setGeometry(6, 18, 400, 22);
        row += 2;
    }
    placeCell(label("Temp directory:", page), 0, 11);
    txtPathTemp = textBox("txtPathTemp", page);
    placeCell(txtPathTemp, 1, 11);
    cmdSelectPathTemp = button("cmdSelectPathTemp", "...", page);
    cmdSelectPathTemp->setGeometry(426, 6 + 11 * 24, 30, 22);
}

void frmMain_BackUp::createProgramRows(QWidget* page)
{
    chkRunBefore = checkBox("chkRunBefore", "Run program before backup", page);
    placeCell(chkRunBefore, 2, 0);
    txtPathBefore = textBox("txtPathBefore", page);
    placeCell(txtPathBefore, 2, 1);
    cmdSelectPathBefore = button("cmdSelectPathBefore", "...", page);
    txtCommandlineBefore = textBox("txtCommandlineBefore", page);
    placeCell(txtCommandlineBefore, 2, 2);
    const char* before[] = {"Do not wait", "Wait for exit", "Wait"};
    for (int i = 0; i < 3; ++i)
        placeCell(
            element(optWaitBefore, "optWaitBefore", i, new QRadioButton(text(before[i]), page)), 2,
            3 + i);
    txtWaitSecondsBefore = textBox("txtWaitSecondsBefore", page);
    chkRunAfter = checkBox("chkRunAfter", "Run program after backup", page);
    placeCell(chkRunAfter, 2, 6);
    txtPathAfter = textBox("txtPathAfter", page);
    placeCell(txtPathAfter, 2, 7);
    cmdSelectPathAfter = button("cmdSelectPathAfter", "...", page);
    txtCommandlineAfter = textBox("txtCommandlineAfter", page);
    placeCell(txtCommandlineAfter, 2, 8);
    const char* after[] = {"Wait", "Wait for exit", "Do not wait"};
    for (int i = 3; i <= 5; ++i)
        placeCell(
            element(optWaitAfter, "optWaitAfter", i, new QRadioButton(text(after[i - 3]), page)), 2,
            6 + i);
    txtWaitSecondsAfter = textBox("txtWaitSecondsAfter", page);
    // The pickers and the seconds sit at the right end of their rows.
    for (auto [w, row] : {std::pair<QWidget*, int>{cmdSelectPathBefore, 1},
                          {txtWaitSecondsBefore, 5},
                          {cmdSelectPathAfter, 7},
                          {txtWaitSecondsAfter, 9}})
        w->setGeometry(586, 6 + row * 24, 40, 22);
    groupOptions(this, optWaitBefore.controls());
    groupOptions(this, optWaitAfter.controls());
    txtPathBefore->resize(150, 22);
    txtPathAfter->resize(150, 22);
}

void frmMain_BackUp::createUserOptions(QWidget* page)
{
    const struct
    {
        const char* name;
        const char* caption;
        QCheckBox** target;
        int column;
        int row;
    } boxes[] = {
        {"chkInclRegistry", "Include backup of system registry", &chkInclRegistry, 0, 12},
        {"chkInclOutlook", "Include backup of Outlook files", &chkInclOutlook, 1, 12},
        {"chkInclOutlookE", "Include backup of Outlook Express files", &chkInclOutlookE, 2, 12},
        {"chkWriteLog", "Log backup operation", &chkWriteLog, 0, 14},
        {"chkSelectionWarning", "Show warning if double selection of source files",
         &chkSelectionWarning, 1, 14},
        {"chkShutdown", "Forced shutdown (PowerOff) after backup run", &chkShutdown, 2, 14},
        {"chkResetArchiveBit", "Reset the archive attribute (bit) after backup",
         &chkResetArchiveBit, 0, 15},
        {"chkStartWithWindow", "Start with Windows", &chkStartWithWindow, 1, 15},
        {"chkSystray", "Start in sys tray", &chkSystray, 2, 15},
        {"chkWinOnTop", "Windows always on top", &chkWinOnTop, 0, 16},
        {"chkSound", "Enable voice && sound", &chkSound, 1, 16},
        {"chkProfileStandard", "Start program with profile - Standard -", &chkProfileStandard, 2,
         16},
    };
    for (const auto& b : boxes) {
        *b.target = checkBox(b.name, b.caption, page);
        placeCell(*b.target, b.column, b.row);
    }
    optRegistryTXT = named(new QRadioButton(text(".txt file"), page), "optRegistryTXT");
    placeCell(optRegistryTXT, 0, 13);
    optRegistryREG = named(new QRadioButton(text(".reg file"), page), "optRegistryREG");
    placeCell(optRegistryREG, 1, 13);
    groupOptions(this, {optRegistryTXT, optRegistryREG});
    cmbLanguage = named(new QComboBox(page), "cmbLanguage");
    placeCell(cmbLanguage, 2, 13);
}
