// The controls of the " Backup", " Sources" and " Options" tabs, each page in Qt layouts.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include "FormLayout.h"

void frmMain_BackUp::createBackupTab(QWidget* page)
{
    QVBoxLayout* column = columnOf(page);
    cmbProfiles = named(new QComboBox(page), "cmbProfiles");
    cmbProfiles->setEditable(true);
    // A typed name is a profile to save, not a list entry to choose.
    cmbProfiles->setInsertPolicy(QComboBox::NoInsert);
    // Room for a whole profile name rather than the width of its first entry.
    cmbProfiles->setMinimumContentsLength(20);
    cmbProfiles->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    txtProfile = textBox("txtProfile", page);
    nameForReaders(txtProfile, caption("Profile name"));
    column->addLayout(
        rowOf({captionFor(caption("&Profile:"), cmbProfiles, page), cmbProfiles, txtProfile}));
    auto* top = new QHBoxLayout;
    createRunOptions(page);
    top->addWidget(Frame7, 3);
    createStatistics(page);
    top->addWidget(frmZipStatistc, 2);
    column->addLayout(top);
    createRunTotals(page, column);
}

void frmMain_BackUp::createRunOptions(QWidget* page)
{
    Frame7 = frame("Frame7", "Backup options for checked sources (files && folders) :", page);
    QGridLayout* grid = gridOf(Frame7);
    optNewOnly = named(
        new QRadioButton(caption("&new or changed files&&folders / incremental  (using filters)"),
                         Frame7),
        "optNewOnly");
    grid->addWidget(optNewOnly, 0, 0, 1, 2);
    optComplete
        = named(new QRadioButton(caption("&complete  (using filters)"), Frame7), "optComplete");
    grid->addWidget(optComplete, 1, 0);
    optCompleteNoFilter = named(new QRadioButton(caption("complete  (no &filters)"), Frame7),
                                "optCompleteNoFilter");
    grid->addWidget(optCompleteNoFilter, 1, 1);
    chkHiddenFolders = checkBox("chkHiddenFolders", "Include &hidden files && folders", Frame7);
    grid->addWidget(chkHiddenFolders, 2, 0, 1, 2);
    chkExclOldFiles = checkBox("chkExclOldFiles", "Excl. files &older than", Frame7);
    DTPicker1 = named(new QDateEdit(Frame7), "DTPicker1");
    DTPicker1->setCalendarPopup(true);
    nameForReaders(DTPicker1, caption("Exclude files older than this date"));
    chkExclYoungFiles = checkBox("chkExclYoungFiles", "Excl. files &younger than", Frame7);
    DTPicker2 = named(new QDateEdit(Frame7), "DTPicker2");
    DTPicker2->setCalendarPopup(true);
    nameForReaders(DTPicker2, caption("Exclude files younger than this date"));
    chkExclYoungDayFiles
        = checkBox("chkExclYoungDayFiles", "Excl. files younger than (&days)", Frame7);
    txtExclYoungDay = numberBox("txtExclYoungDay", Frame7);
    nameForReaders(txtExclYoungDay, caption("Days"));
    const std::pair<QWidget*, QWidget*> rows[] = {{chkExclOldFiles, DTPicker1},
                                                  {chkExclYoungFiles, DTPicker2},
                                                  {chkExclYoungDayFiles, txtExclYoungDay}};
    int row = 3;
    for (auto [box, value] : rows) {
        grid->addWidget(box, row, 0);
        grid->addWidget(value, row++, 1, Qt::AlignLeft);
    }
    grid->setRowStretch(row, 1);
}

void frmMain_BackUp::createRunTotals(QWidget* page, QVBoxLayout* column)
{
    txtTotalFiles = numberBox("txtTotalFiles", page);
    txtTotalSize = numberBox("txtTotalSize", page);
    txtCompSize = numberBox("txtCompSize", page);
    txtBackUpTime = numberBox("txtBackUpTime", page);
    element(Label43, "Label43", 0, captionFor(caption("Files total :"), txtTotalFiles, page));
    element(Label44, "Label44", 0, captionFor(caption("Total size :"), txtTotalSize, page));
    Label56 = named(captionFor(caption("Mb   Zipped size :"), txtCompSize, page), "Label56");
    Label42 = named(plainLabel("Mb", page), "Label42");
    column->addLayout(
        rowOf({Label43(0), txtTotalFiles, Label44(0), txtTotalSize, Label56, txtCompSize, Label42,
               nullptr, captionFor(caption("Backup time (seconds) :"), txtBackUpTime, page),
               txtBackUpTime}));
    txtZipSize = numberBox("txtZipSize", page);
    txtAnzFiles = numberBox("txtAnzFiles", page);
    nameForReaders(txtAnzFiles, caption("Files in the current archive"));
    txtZipArchive = textBox("txtZipArchive", page);
    txtZipArchive->setReadOnly(true);
    nameForReaders(txtZipArchive, caption("Archive name"));
    element(Label41, "Label41", 0, captionFor(caption("Current archive:"), txtZipSize, page));
    Label18 = named(plainLabel("Mb", page), "Label18");
    Label19 = named(plainLabel("Files", page), "Label19");
    column->addLayout(
        rowOf({Label41(0), txtZipSize, Label18, txtAnzFiles, Label19, txtZipArchive}));
    ProgressBar1 = named(new QProgressBar(page), "ProgressBar1");
    nameForReaders(ProgressBar1, caption("Source entries done"));
    ProgressBar2 = named(new QProgressBar(page), "ProgressBar2");
    nameForReaders(ProgressBar2, caption("Files of the folder done"));
    column->addWidget(ProgressBar1);
    column->addWidget(ProgressBar2);
    RtbNews1 = named(new QTextEdit(page), "RtbNews1");
    RtbNews1->setReadOnly(true);
    nameForReaders(RtbNews1, caption("News"));
    column->addWidget(RtbNews1, 1);
}

void frmMain_BackUp::createStatistics(QWidget* page)
{
    frmZipStatistc
        = frame("frmZipStatistc",
                "ZIP archive backup statistics for current profile - (since last reset)", page);
    frmZipStatistc->setToolTip(caption("DblClick to reset backup statistics"));
    QGridLayout* grid = gridOf(frmZipStatistc);
    const struct {
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
    int row = 0;
    for (const auto& r : rows) {
        *r.target = named(new QLabel(caption("0"), frmZipStatistc), r.name);
        grid->addWidget(captionFor(caption(r.caption), *r.target, frmZipStatistc), row, 0);
        grid->addWidget(*r.target, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

void frmMain_BackUp::createSourcesTab(QWidget* page)
{
    QVBoxLayout* column = columnOf(page);
    column->addWidget(element(Label1, "Label1", 0,
                              plainLabel("Profile - Files / Directories to backup :", page)));
    // The source list and the sync folders share one place; the mode shows one of them.
    m_sourcesArea = named(new QStackedWidget(page), "sourcesArea");
    column->addWidget(m_sourcesArea, 1);
    auto* listPage = new QWidget(m_sourcesArea);
    createSourceListControls(listPage);
    m_sourcesArea->addWidget(listPage);
    auto* syncPage = new QWidget(m_sourcesArea);
    createSyncControls(syncPage);
    m_sourcesArea->addWidget(syncPage);
}

void frmMain_BackUp::createSourceListControls(QWidget* page)
{
    QVBoxLayout* column = columnOf(page);
    column->setContentsMargins(0, 0, 0, 0);
    List1 = named(new QListWidget(page), "List1");
    nameForReaders(List1, caption("Source list"));
    Label1(0)->setBuddy(List1);
    column->addWidget(List1, 2);
    cmdSelect = button("cmdSelect", "    Select &all", page);
    cmdUnselect = button("cmdUnselect", "&Unselect all", page);
    cmdExclude = button("cmdExclude", "&Remove selected", page);
    column->addLayout(rowOf({cmdSelect, cmdUnselect, cmdExclude, nullptr}));
    FolderTreeview1 = named(new QTreeView(page), "FolderTreeview1");
    nameForReaders(FolderTreeview1, caption("Folder tree"));
    File1 = named(new QListWidget(page), "File1");
    nameForReaders(File1, caption("Files of the chosen folder"));
    cmdDirPlus = button("cmdDirPlus", "Add  &Directory", page);
    cmdSubPlus = button("cmdSubPlus", "Add Directory / +&SubDir(s)", page);
    chkAddNewSub = checkBox("chkAddNewSub", "Incl.ne&w SubDirs", page);
    cmdFilesPlus = button("cmdFilesPlus", "Add (multiple) selected  &File(s)", page);
    auto* adders = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(cmdDirPlus), static_cast<QWidget*>(cmdSubPlus),
                       static_cast<QWidget*>(chkAddNewSub), static_cast<QWidget*>(cmdFilesPlus)})
        adders->addWidget(w);
    adders->addStretch(1);
    auto* browse = new QHBoxLayout;
    browse->addWidget(FolderTreeview1, 1);
    browse->addWidget(File1, 1);
    browse->addLayout(adders);
    column->addLayout(browse, 3);
}

void frmMain_BackUp::createSyncControls(QWidget* page)
{
    QGridLayout* grid = gridOf(page);
    txtSourceSync = textBox("txtSourceSync", page);
    Label24 = named(captionFor(caption("S&ource:"), txtSourceSync, page), "Label24");
    cmdSelectSyncSourceDirectory
        = browseButton("cmdSelectSyncSourceDirectory", caption("Choose the source folder"), page);
    txtDestinySync = textBox("txtDestinySync", page);
    Label25 = named(captionFor(caption("D&estination:"), txtDestinySync, page), "Label25");
    cmdSelectSyncDestinyDirectory = browseButton("cmdSelectSyncDestinyDirectory",
                                                 caption("Choose the destination folder"), page);
    grid->addWidget(Label24, 0, 0);
    grid->addWidget(txtSourceSync, 0, 1);
    grid->addWidget(cmdSelectSyncSourceDirectory, 0, 2);
    grid->addWidget(Label25, 1, 0);
    grid->addWidget(txtDestinySync, 1, 1);
    grid->addWidget(cmdSelectSyncDestinyDirectory, 1, 2);
    chkSyncBothDirections
        = checkBox("chkSyncBothDirections", "Synchronize in &both directions", page);
    grid->addWidget(chkSyncBothDirections, 2, 1);
    chkSyncSubDirs = checkBox("chkSyncSubDirs", "Synchronize inclusive sub&directories", page);
    grid->addWidget(chkSyncSubDirs, 3, 1);
    Label26 = named(plainLabel("This function compares the source and destination directory trees "
                               "and copies files that are newer or missing, optionally both ways.",
                               page),
                    "Label26");
    Label26->setWordWrap(true);
    grid->addWidget(Label26, 4, 0, 1, 3);
    grid->setRowStretch(5, 1);
}
