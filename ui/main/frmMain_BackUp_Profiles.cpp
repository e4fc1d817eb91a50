// The profile commands and the handlers of the main window that save or load settings.
#include "frmMain_BackUp.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "Globals.h"
#include "MessageBox.h"
#include "ProfileFile.h"
#include "ProfileName.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"

void frmMain_BackUp::cmdSaveProfile()
{
    // Trimmed as every new name is.
    const QString name = txtProfile->text().trimmed();
    txtProfile->setText(name);
    if (name.trimmed().isEmpty()) {
        MsgBox(LangText(171) + QStringLiteral("\r\n") + LangText(172), MsgButtons::Ok,
               MsgIcon::Exclamation, LangText(16));
        txtProfile->setText(QStringLiteral("Standard"));
        return;
    }
    if (profileNameRefused(name))
        return;
    saveProfile(name);
    add_profile(name, cmbProfiles->count());
    setComboText(cmbProfiles, name);
    Save_Settings();
}

void frmMain_BackUp::selectProfile(int index)
{
    {
        const QSignalBlocker blocker(cmbProfiles);
        cmbProfiles->setCurrentIndex(index);
        cmbProfiles->setEditText(cmbProfiles->itemText(index));
    }
    cmbProfiles_Click();
}

void frmMain_BackUp::cmbProfiles_GotFocus() { Save_Settings(); }

// A listed name typed into the box is that profile chosen: the window must not go on showing
// one profile's options under another's name, where the next save would write them.
void frmMain_BackUp::cmbProfiles_NameTyped()
{
    const int index
        = cmbProfiles->findText(cmbProfiles->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0 && index != cmbProfiles->currentIndex())
        selectProfile(index);
}

void frmMain_BackUp::cmbProfiles_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Load_Settings();
    txtProfile->setText(cmbProfiles->currentText());
    QApplication::restoreOverrideCursor();
}

void frmMain_BackUp::txtExclusions_LostFocus()
{
    Save_Settings();
    load_backup_exclusions();
}

void frmMain_BackUp::txtDirExclusions_LostFocus()
{
    Save_Settings();
    load_backup_DirExclusions();
}

void frmMain_BackUp::txtInclusions_LostFocus()
{
    Save_Settings();
    load_backup_inclusions();
}

// The reset stores the figures it shows, so that the next load shows them again.
void frmMain_BackUp::frmZipStatistc_DblClick()
{
    for (QLineEdit* box : {txtTotalFiles, txtTotalSize, txtCompSize})
        box->setText(QStringLiteral("0"));
    lblTotalSizeOfArchives->setText(QStringLiteral("0"));
    lblNumberOfBackups->setText(QStringLiteral("0"));
    lblLastBackupDate->setText(QStringLiteral("N/A"));
    lblTotalNumOfFiles->setText(QStringLiteral("0"));
    lblAverageBuTime->setText(QStringLiteral("0"));
    store_statistics();
}
