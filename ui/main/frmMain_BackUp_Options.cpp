// The option handlers of the main window: number boxes, destinations, notices, pickers, the
// destination path and the set-up sub-pages.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "DriveInfo.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Paths.h"
#include "ProfileLoad.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_FilePathInput.h"
#include "QEV_Language.h"
#include "QEV_Registry.h"
#include "QEV_WindowsTopMost.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "WidgetDialogs.h"

namespace {

const char* const kForm = "frmMain_BackUp";
const QString kRunKey
    = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\");
// The text a refused box had in the store before; the settings code saves it in the box's place.
const char* const kGoodText = "lastGoodText";
// The last text of a number box that was a number of zero or more.
const char* const kLastNumber = "lastNumber";

// The caption of a box as the user reads it, for a message that names the box.
QString captionText(const QString& caption)
{
    QString text = caption;
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

void showRefusal(int textNo, const QString& boxCaption, const QString& typed)
{
    MsgBox(LangText(textNo) + QStringLiteral("\n\n") + captionText(boxCaption)
               + QStringLiteral(" \"") + typed + QLatin1Char('"'),
           MsgButtons::Ok, MsgIcon::None, LangText(16));
}

} // namespace

void frmMain_BackUp::connectOptionEvents()
{
    for (const auto& [box, nameText] : {std::pair{txtSpareSpace, 346}, std::pair{txtExclYoungDay, 345},
                                        std::pair{txtWaitSecondsBefore, 347},
                                        std::pair{txtWaitSecondsAfter, 348}}) {
        connect(box, &QLineEdit::textChanged, this, [this, box] { numberBoxChanged(box); });
        connect(box, &QLineEdit::editingFinished, this,
                [this, box, nameText] { numberBoxFinished(box, nameText); });
    }
    connect(txtPathBackUp, &QLineEdit::textChanged, this, &frmMain_BackUp::txtPathBackUp_Change);
    connect(chkMedia, &QCheckBox::toggled, this, &frmMain_BackUp::chkMedia_Click);
    connect(chkFTP, &QCheckBox::toggled, this, &frmMain_BackUp::chkFTP_Click);
    connect(chkSendEmail, &QCheckBox::toggled, this, &frmMain_BackUp::chkSendEmail_Click);
    connect(chkInclOutlook, &QCheckBox::toggled, this,
            [this] { announceNextVersion(chkInclOutlook); });
    connect(chkInclOutlookE, &QCheckBox::toggled, this,
            [this] { announceNextVersion(chkInclOutlookE); });
    connect(chkAddNewSub, &QCheckBox::toggled, this, &frmMain_BackUp::chkAddNewSub_Click);
    connect(chkStartWithWindow, &QCheckBox::toggled, this,
            &frmMain_BackUp::chkStartWithWindow_Click);
    connect(chkWinOnTop, &QCheckBox::toggled, this, &frmMain_BackUp::chkWinOnTop_Click);
    connectPickers();
    for (QObject* watched :
         std::initializer_list<QObject*> {txtMaxZIPsize, txtMaxFiles, txtPathBackUp})
        watched->installEventFilter(this);
}

void frmMain_BackUp::connectPickers()
{
    connect(cmdSelectPath, &QPushButton::clicked, this, &frmMain_BackUp::cmdSelectPath_Click);
    connect(cmdSelectPathTemp, &QPushButton::clicked, this,
            &frmMain_BackUp::cmdSelectPathTemp_Click);
    connect(cmdSelectSyncSourceDirectory, &QPushButton::clicked, this,
            [this] { chooseSyncFolder(txtSourceSync); });
    connect(cmdSelectSyncDestinyDirectory, &QPushButton::clicked, this,
            [this] { chooseSyncFolder(txtDestinySync); });
    connect(cmdSelectPathBefore, &QPushButton::clicked, this,
            [this] { chooseProgram(txtPathBefore); });
    connect(cmdSelectPathAfter, &QPushButton::clicked, this,
            [this] { chooseProgram(txtPathAfter); });
    connect(cmdSetupFTP, &QPushButton::clicked, this, &frmMain_BackUp::cmdSetupFTP_Click);
    connect(cmdSetupMedia, &QPushButton::clicked, this, &frmMain_BackUp::cmdSetupMedia_Click);
    connect(cmdSetupEmail, &QPushButton::clicked, this, [] { InNextVersion(); });
}

// A focus that leaves for another window or a menu is no edit finished.
bool frmMain_BackUp::optionFocusLeft(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    if (watched == txtMaxZIPsize)
        txtMaxZIPsize_LostFocus();
    else if (watched == txtMaxFiles)
        txtMaxFiles_LostFocus();
    else if (watched == txtPathBackUp)
        txtPathBackUp_LostFocus();
    else
        return false;
    return true;
}

// ---- number boxes ---------------------------------------------------------------------------

void frmMain_BackUp::txtMaxZIPsize_LostFocus()
{
    const QString typed = txtMaxZIPsize->text();
    if (!NumberText::isNumeric(typed)) {
        keepStoredText(txtMaxZIPsize, QStringLiteral("txtMaxZIPsize"));
        showRefusal(228, chkMaxZIPsize->text(), typed);
        return;
    }
    txtMaxZIPsize->setProperty(kGoodText, QVariant());
    const double megabytes = NumberText::leadingNumber(typed);
    if (megabytes < 0.7 || megabytes > 1000) {
        txtMaxZIPsize->setText(QStringLiteral("100"));
        showRefusal(229, chkMaxZIPsize->text(), typed);
    }
}

// A whole number that does not fit 32 bits is refused like letters: the run could not use it.
void frmMain_BackUp::txtMaxFiles_LostFocus()
{
    const QString typed = txtMaxFiles->text();
    qint32 whole = 0;
    const bool fits = NumberText::toWhole32(NumberText::leadingNumber(typed), &whole);
    if (fits)
        txtMaxFiles->setText(QString::number(whole));
    const QString now = txtMaxFiles->text();
    if (!fits || NumberText::leadingNumber(now) < 1 || !NumberText::isNumeric(now)) {
        txtMaxFiles->setText(QStringLiteral("100"));
        showRefusal(242, chkMaxFiles->text(), typed);
    }
}

// A text typed key by key passes through forms ("-", "7.") that the box would put right at
// once; it is put right, or refused when negative, once the edit is finished.
void frmMain_BackUp::numberBoxChanged(QLineEdit* box)
{
    double value = 0;
    if (NumberText::isNumeric(box->text(), &value) && value >= 0)
        box->setProperty(kLastNumber, box->text());
    if (box->hasFocus())
        return;
    if (box == txtSpareSpace)
        txtSpareSpace_Change();
    else
        absoluteWholeBox(box);
}

void frmMain_BackUp::numberBoxFinished(QLineEdit* box, int nameText)
{
    const QString typed = box->text();
    if (typed.trimmed().startsWith(QLatin1Char('-'))) {
        const QVariant last = box->property(kLastNumber);
        box->setText(last.isValid() ? last.toString() : QStringLiteral("0"));
        showRefusal(366, LangText(nameText), typed);
    }
    if (box == txtSpareSpace)
        txtSpareSpace_Change();
    else
        absoluteWholeBox(box);
}

void frmMain_BackUp::txtSpareSpace_Change()
{
    const QString typed = txtSpareSpace->text();
    bool outOfRange = false;
    const QString normalised = ProfileLoad::spareSpaceText(typed, &outOfRange);
    if (outOfRange)
        ReportError(FormularLabel("txtSpareSpace_Change", kForm), ErrNo::Overflow,
                    QStringLiteral("the spare space is out of range: ") + typed);
    if (normalised != typed) {
        txtSpareSpace->setText(normalised); // runs this handler again
        return;
    }
    if (!isLoadingSettings())
        (void)Update_Media();
}

// The day and second boxes: the whole part of the size of the number typed.
void frmMain_BackUp::absoluteWholeBox(QLineEdit* box)
{
    const QString normalised = ProfileLoad::absoluteWholeText(box->text());
    if (normalised != box->text())
        box->setText(normalised); // runs this handler again, which leaves it alone
    DoEvents();
}

// The settings code stores the last good text of a box whose text was refused.
void frmMain_BackUp::keepStoredText(QLineEdit* box, const QString& key)
{
    if (box->property(kGoodText).isValid())
        return;
    const QString profile = cmbProfiles->currentText();
    const QString stored = SettingsKeys::validProfileName(profile)
        ? SettingsStore::getValue(SettingsKeys::profileScope(profile), QStringLiteral("Settings"),
                                  key, QStringLiteral("100"))
        : QStringLiteral("100");
    box->setProperty(kGoodText, NumberText::isNumeric(stored) ? stored : QStringLiteral("100"));
}

// ---- destinations and notices ---------------------------------------------------------------

// A ZIP backup needs somewhere to go.
void frmMain_BackUp::applyDestinationRule()
{
    if (isLoadingSettings())
        return; // a load sets the boxes one by one; only its end result counts
    if (chkValue(chkFTP) == 0 && chkValue(chkMedia) == 0 && chkValue(chkSendEmail) == 0) {
        MsgBox(LangText(287), MsgButtons::Ok, MsgIcon::Information, LangText(23));
        (void)setChkValue(chkMedia, 1);
    }
}

void frmMain_BackUp::chkMedia_Click() { applyDestinationRule(); }

void frmMain_BackUp::chkFTP_Click() { applyDestinationRule(); }

void frmMain_BackUp::chkSendEmail_Click()
{
    announceNextVersion(chkSendEmail);
    applyDestinationRule();
}

void frmMain_BackUp::announceNextVersion(QCheckBox* box)
{
    if (chkValue(box) != 1 || isLoadingSettings())
        return;
    InNextVersion();
    (void)setChkValue(box, 0); // runs the box's handler again
}

void frmMain_BackUp::chkAddNewSub_Click()
{
    const QString profile = cmbProfiles->currentText();
    if (chkValue(chkAddNewSub) != 1 || isLoadingSettings()
        || !SettingsKeys::validProfileName(profile))
        return;
    const QString scope = SettingsKeys::profileScope(profile);
    const QString key = QStringLiteral("chkAddNewSubWarning");
    const QString shown
        = SettingsStore::getValue(scope, QStringLiteral("Settings"), key, QStringLiteral("0"));
    if (NumberText::leadingNumber(shown) != 0)
        return;
    const QString nl = QStringLiteral("\n");
    MsgBox(LangText(221) + nl + LangText(222) + nl + LangText(223) + nl + LangText(224) + nl + nl
               + LangText(225) + nl + LangText(226),
           MsgButtons::Ok, MsgIcon::Information, LangText(227));
    SettingsStore::saveValue(scope, QStringLiteral("Settings"), key, QStringLiteral("-1"));
}

// Start with the desktop session: the autostart entry the registry's Run value stands for.
void frmMain_BackUp::chkStartWithWindow_Click()
{
    if (isLoadingSettings())
        return; // loading shows what was chosen; the entry is already as it was left
    const QString value = kRunKey + AppName;
    if (chkValue(chkStartWithWindow) == 1)
        CreateKey(value, QCoreApplication::applicationFilePath());
    else
        DeleteKey(value);
}

// ---- pickers ----------------------------------------------------------------------------------

void frmMain_BackUp::cmdSelectPath_Click()
{
    const QString chosen = BrowseForFolder(this, LangText(201), Paths::programFolder());
    if (!chosen.isEmpty())
        txtPathBackUp->setText(chosen);
    txtZipArchive->clear();
}

// The temp folder is always a folder "temp" on a local drive.
void frmMain_BackUp::cmdSelectPathTemp_Click()
{
    const QString chosen = BrowseForFolder(this, LangText(202), Paths::programFolder());
    if (chosen.isEmpty())
        return;
    QString parent = sFixDirString(chosen);
    if (IsNetworkPath(chosen)) {
        MsgBox(LangText(190) + QLatin1Char('\n') + LangText(176), MsgButtons::Ok,
               MsgIcon::Exclamation, LangText(23));
        parent = sFixDirString(Paths::baseFolder());
    }
    txtPathTemp->setText(parent + QStringLiteral("temp"));
    CreateDirectoryStruct(txtPathTemp->text());
}

void frmMain_BackUp::chooseSyncFolder(QLineEdit* box)
{
    const QString chosen = BrowseForFolder(this, LangText(202), Paths::programFolder());
    if (chosen.isEmpty())
        return;
    box->setText(sFixDirString(chosen));
    CreateDirectoryStruct(box->text());
}

void frmMain_BackUp::chooseProgram(QLineEdit* box)
{
    const QString current = box->text().trimmed();
    const QString start = current.isEmpty() ? Paths::programFolder() : current;
    const QString chosen = WidgetDialogs::chooseOpenFile(
        this, LangText(307), QStringLiteral("Programs (*);;Shell scripts (*.sh)"), start);
    if (!chosen.isEmpty())
        box->setText(chosen);
    DoEvents();
}

// ---- destination path and set-up pages ------------------------------------------------------

// Typing keeps every character; a trailing "/" is dropped when the box is left or the path
// is used.
void frmMain_BackUp::txtPathBackUp_Change()
{
    if (!isLoadingSettings())
        (void)Update_Media();
}

void frmMain_BackUp::txtPathBackUp_LostFocus()
{
    const QString path = txtPathBackUp->text();
    if (ProfileLoad::withoutTrailingSlash(path) != path)
        txtPathBackUp->setText(ProfileLoad::withoutTrailingSlash(path));
}

void frmMain_BackUp::showMediaSubPage(bool ftp)
{
    Frame3->setVisible(!ftp);
    Frame10->setVisible(ftp);
}

void frmMain_BackUp::cmdSetupFTP_Click() { showMediaSubPage(true); }

void frmMain_BackUp::cmdSetupMedia_Click()
{
    showMediaSubPage(false);
    (void)setChkValue(chkMedia, 1);
}

void frmMain_BackUp::chkWinOnTop_Click()
{
    if (chkValue(chkWinOnTop) == 1)
        WindowOnTop(this);
    else
        WindowNotOnTop(this);
}
