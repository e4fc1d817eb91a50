// The backup-mode layout and the destination row of the main window.
#include "frmMain_BackUp.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>

#include "Events.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"

namespace {

constexpr int kMediaTab = 3;
constexpr int kZipOptionsTab = 4;

void setShown(std::initializer_list<QWidget*> controls, bool shown)
{
    for (QWidget* control : controls)
        control->setVisible(shown);
}

} // namespace

void frmMain_BackUp::optBuMode_Click(int Index)
{
    switch (Index) {
    case 0:
        applyCommonModeLayout();
        applyZipModeLayout();
        break;
    case 1:
        applyCommonModeLayout();
        applyCopyModeLayout();
        break;
    case 2:
        applySyncModeLayout();
        break;
    default:
        break;
    }
}

void frmMain_BackUp::applyCommonModeLayout()
{
    Label1(0)->setText(LangText(284));
    setTabAvailable(kMediaTab, true);
    showSourceListControls(true);
    setShown({picSync, Label26}, false);
    showRunTotals(true);
    setShown({Frame7, Frame5, Frame12, Frame4}, true);
    if (QAction* restore = tbTools->findChild<QAction*>(QStringLiteral("Restore")))
        restore->setEnabled(true);
}

void frmMain_BackUp::applyZipModeLayout()
{
    load_statistics();
    setTabAvailable(kZipOptionsTab, true);
    showCurrentArchiveRow(true);
    setModeFrameHeight(920);
    Frame8->setEnabled(true);
    frmZipStatistc->setVisible(true);
    pctArchive->setVisible(true);
    setShown({chkSendEmail, chkFTP}, true);
    chkMedia->setEnabled(true);
    setShown({cmdSetupMedia, cmdSetupFTP, cmdSetupEmail}, true);
}

// A file copy always goes to the destination folder or the recorder.
void frmMain_BackUp::applyCopyModeLayout()
{
    setTabAvailable(kZipOptionsTab, false);
    showCurrentArchiveRow(false);
    setModeFrameHeight(1830);
    Frame8->setEnabled(false);
    pctArchive->setVisible(false);
    setShown({chkSendEmail, chkFTP}, false);
    (void)setChkValue(chkMedia, 1);
    chkMedia->setEnabled(false);
    setShown({cmdSetupMedia, cmdSetupFTP, cmdSetupEmail}, false);
}

void frmMain_BackUp::applySyncModeLayout()
{
    Label1(0)->setText(LangText(285));
    setTabAvailable(kMediaTab, false);
    setTabAvailable(kZipOptionsTab, false);
    showCurrentArchiveRow(false);
    showSourceListControls(false);
    setShown({picSync, Label26}, true);
    showRunTotals(false);
    Frame7->setVisible(false);
    setModeFrameHeight(1830);
    Frame8->setEnabled(false);
    setShown({Frame5, Frame12, Frame4}, false);
    pctArchive->setVisible(false);
}

// The source list and the sync folders share one place on the tab; hiding the list brings
// the sync folders to the front.
void frmMain_BackUp::showSourceListControls(bool shown)
{
    m_sourcesArea->setCurrentIndex(shown ? 0 : 1);
    setShown({List1, cmdSelect, cmdUnselect, cmdExclude, FolderTreeview1, File1, cmdDirPlus,
              cmdSubPlus, chkAddNewSub, cmdFilesPlus},
             shown);
}

void frmMain_BackUp::showRunTotals(bool shown)
{
    setShown({Label43(0), txtTotalFiles, txtTotalSize, Label44(0), Label56, txtCompSize, Label42,
              ProgressBar1, ProgressBar2},
             shown);
}

void frmMain_BackUp::showCurrentArchiveRow(bool shown)
{
    setShown({Label41(0), txtZipSize, Label18, txtAnzFiles, Label19}, shown);
}

// A short mode frame shows only the mode buttons and the archive period; a tall one also the
// copy options, or the sync panel in front of them.
void frmMain_BackUp::setModeFrameHeight(int twips)
{
    m_modeFrameLower->setCurrentIndex(picSync->isHidden() ? 0 : 1);
    m_modeFrameLower->setVisible(twips > 920);
}

// The page goes insensitive with its tab, so that a screen reader, which reaches the page's
// controls by itself, finds it withdrawn too.
void frmMain_BackUp::setTabAvailable(int tab, bool available)
{
    SSTab1->setTabEnabled(tab, available);
    SSTab1->widget(tab)->setEnabled(available);
}

bool frmMain_BackUp::tabAvailable(int tab) const { return SSTab1->isTabEnabled(tab); }
