// The controls of the " Options" tab.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "FormLayout.h"

void frmMain_BackUp::createOptionsTab(QWidget* page)
{
    QGridLayout* grid = gridOf(page);
    auto* left = new QVBoxLayout;
    createModeFrame(page);
    left->addWidget(Frame2);
    createPatternFrames(page, left);
    left->addStretch(1);
    grid->addLayout(left, 0, 0);
    auto* right = new QVBoxLayout;
    createProgramRows(page, right);
    createTempRow(page, right);
    right->addStretch(1);
    grid->addLayout(right, 0, 1);
    grid->addWidget(createUserOptions(page), 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
}

void frmMain_BackUp::createModeFrame(QWidget* page)
{
    Frame2 = frame("Frame2", "Backup mode (current profile)", page);
    QVBoxLayout* column = columnOf(Frame2);
    const char* modes[] = {"&ZIP archive", "File cop&y", "File s&ync"};
    auto* modeRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i)
        modeRow->addWidget(
            element(optBuMode, "optBuMode", i, new QRadioButton(caption(modes[i]), Frame2)));
    modeRow->addStretch(1);
    column->addLayout(modeRow);
    pctArchive = named(new QWidget(Frame2), "pctArchive");
    auto* periodRow = new QHBoxLayout(pctArchive);
    periodRow->setContentsMargins(0, 0, 0, 0);
    periodRow->addWidget(named(plainLabel("Archive:", pctArchive), "lblArchivePeriod"));
    const char* periods[] = {"Daily", "Weekly", "Monthly"};
    for (int i = 0; i < 3; ++i)
        periodRow->addWidget(element(optArchive, "optArchive", i,
                                     new QRadioButton(caption(periods[i]), pctArchive)));
    periodRow->addStretch(1);
    column->addWidget(pctArchive);
    createModeFrameLower();
    column->addWidget(m_modeFrameLower);
}

// The lower part of the mode frame: the copy options, or the sync panel over them. A short
// frame cuts it off.
void frmMain_BackUp::createModeFrameLower()
{
    m_modeFrameLower = new QStackedWidget(Frame2);
    auto* copyPart = new QWidget(m_modeFrameLower);
    QVBoxLayout* copyColumn = columnOf(copyPart);
    copyColumn->setContentsMargins(0, 0, 0, 0);
    chkInclSubDirStruct = checkBox(
        "chkInclSubDirStruct", "Copy backup subdirectory structure to destiny directory", copyPart);
    Label3 = named(plainLabel("Please note: older files will be overwritten", copyPart), "Label3");
    Label3->setWordWrap(true);
    copyColumn->addWidget(chkInclSubDirStruct);
    copyColumn->addWidget(Label3);
    m_modeFrameLower->addWidget(copyPart);
    auto* syncPart = new QWidget(m_modeFrameLower);
    QVBoxLayout* syncColumn = columnOf(syncPart);
    syncColumn->setContentsMargins(0, 0, 0, 0);
    picSync = named(plainLabel("Synchronisation copies newer and missing files between the two "
                               "folders of the Sources tab.",
                               syncPart),
                    "picSync");
    picSync->setWordWrap(true);
    syncColumn->addWidget(picSync);
    m_modeFrameLower->addWidget(syncPart);
}

void frmMain_BackUp::createPatternFrames(QWidget* page, QVBoxLayout* column)
{
    const struct {
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
    for (const auto& f : frames) {
        *f.frameTarget = frame(f.frameName, f.caption, page);
        *f.boxTarget = textBox(f.boxName, *f.frameTarget);
        nameForReaders(*f.boxTarget, caption(f.caption));
        columnOf(*f.frameTarget)->addWidget(*f.boxTarget);
        column->addWidget(*f.frameTarget);
    }
}

void frmMain_BackUp::createTempRow(QWidget* page, QVBoxLayout* column)
{
    txtPathTemp = textBox("txtPathTemp", page);
    cmdSelectPathTemp
        = browseButton("cmdSelectPathTemp", caption("Choose the temp directory"), page);
    column->addLayout(rowOf({captionFor(caption("&Temp directory:"), txtPathTemp, page),
                             txtPathTemp, cmdSelectPathTemp}));
}

void frmMain_BackUp::createProgramRows(QWidget* page, QVBoxLayout* column)
{
    const char* before[] = {"Do not wait", "Wait for exit", "Wait"};
    const char* after[] = {"Wait", "Wait for exit", "Do not wait"};
    const ProgramRow rows[] = {
        {"chkRunBefore", "Run program &before backup", "txtPathBefore", "cmdSelectPathBefore",
         "txtCommandlineBefore", "optWaitBefore", "txtWaitSecondsBefore", &chkRunBefore,
         &txtPathBefore, &cmdSelectPathBefore, &txtCommandlineBefore, &optWaitBefore,
         &txtWaitSecondsBefore, 0, before, "before"},
        {"chkRunAfter", "Run program a&fter backup", "txtPathAfter", "cmdSelectPathAfter",
         "txtCommandlineAfter", "optWaitAfter", "txtWaitSecondsAfter", &chkRunAfter, &txtPathAfter,
         &cmdSelectPathAfter, &txtCommandlineAfter, &optWaitAfter, &txtWaitSecondsAfter, 3, after,
         "after"},
    };
    for (const ProgramRow& row : rows)
        column->addWidget(createProgramRow(page, row));
}

QWidget* frmMain_BackUp::createProgramRow(QWidget* page, const ProgramRow& row)
{
    auto* box = new QGroupBox(page);
    QGridLayout* grid = gridOf(box);
    *row.check = checkBox(row.checkName, row.checkCaption, box);
    grid->addWidget(*row.check, 0, 0, 1, 5);
    *row.path = textBox(row.pathName, box);
    // Both rows hold the same captions; a screen reader tells their controls apart by the row.
    const QString when
        = QLatin1Char(' ') + QString::fromLatin1(row.when) + QStringLiteral(" the backup");
    *row.browse
        = browseButton(row.browseName, QStringLiteral("Choose the program to run") + when, box);
    nameForReaders(*row.path, QStringLiteral("Program to run") + when);
    grid->addWidget(captionFor(caption("Program:"), *row.path, box), 1, 0);
    grid->addWidget(*row.path, 1, 1, 1, 3);
    grid->addWidget(*row.browse, 1, 4);
    *row.commandLine = textBox(row.commandLineName, box);
    nameForReaders(*row.commandLine, QStringLiteral("Parameters of the program") + when);
    grid->addWidget(captionFor(caption("Parameters:"), *row.commandLine, box), 2, 0);
    grid->addWidget(*row.commandLine, 2, 1, 1, 4);
    auto* waits = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* wait = new QRadioButton(caption(row.waitCaptions[i]), box);
        nameForReaders(wait, wait->text() + when);
        waits->addWidget(element(*row.wait, row.waitName, row.firstWait + i, wait));
    }
    *row.seconds = numberBox(row.secondsName, box);
    nameForReaders(*row.seconds, QStringLiteral("Seconds to wait") + when);
    waits->addWidget(*row.seconds);
    waits->addStretch(1);
    grid->addLayout(waits, 3, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    groupOptions(this, row.wait->controls());
    return box;
}

QWidget* frmMain_BackUp::createUserOptions(QWidget* page)
{
    auto* box = new QGroupBox(page);
    QGridLayout* grid = gridOf(box);
    const struct {
        const char* name;
        const char* caption;
        QCheckBox** target;
    } boxes[] = {
        {"chkInclRegistry", "Include backup of system &registry", &chkInclRegistry},
        {"chkInclOutlook", "Include backup of Outlook files", &chkInclOutlook},
        {"chkInclOutlookE", "Include backup of Outlook Express files", &chkInclOutlookE},
        {"chkWriteLog", "&Log backup operation", &chkWriteLog},
        {"chkSelectionWarning", "Show warning if double selection of source files",
         &chkSelectionWarning},
        {"chkShutdown", "Forced shutdown (PowerOff) after backup run", &chkShutdown},
        {"chkResetArchiveBit", "Reset the archive attribute (bit) after backup",
         &chkResetArchiveBit},
        {"chkStartWithWindow", "Start when I log in", &chkStartWithWindow},
        {"chkSystray", "Start in sys tray", &chkSystray},
        {"chkWinOnTop", "Window always on top", &chkWinOnTop},
        {"chkSound", "Enable voice && sound", &chkSound},
        {"chkProfileStandard", "Start program with profile - Standard -", &chkProfileStandard},
    };
    optRegistryTXT = named(new QRadioButton(caption(".txt file"), box), "optRegistryTXT");
    optRegistryREG = named(new QRadioButton(caption(".reg file"), box), "optRegistryREG");
    groupOptions(this, {optRegistryTXT, optRegistryREG});
    grid->addLayout(rowOf({optRegistryTXT, optRegistryREG, nullptr}), 0, 1);
    int cell = 0;
    for (const auto& b : boxes) {
        *b.target = checkBox(b.name, b.caption, box);
        grid->addWidget(*b.target, cell / 2, cell % 2);
        cell += cell == 0 ? 2 : 1; // the registry format sits beside its box
    }
    cmbLanguage = named(new QComboBox(box), "cmbLanguage");
    grid->addLayout(
        rowOf({captionFor(caption("Lan&guage:"), cmbLanguage, box), cmbLanguage, nullptr}),
        cell / 2, cell % 2);
    return box;
}
