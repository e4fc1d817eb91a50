// The commands of the toolbar, its help menu, the menu bar and the tray menu.
#include "frmMain_BackUp.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "ProfileName.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "WebAddresses.h"
#include "WidgetDialogs.h"
#include "QEV_Internet.h"
#include "frmAbout.h"
#include "frmMain_BackUp_Restore.h"
#include "frmWizard.h"

namespace {

struct ButtonText
{
    const char* key;
    const char* caption;
    const char* tooltip;
};

const ButtonText kButtons[] = {
    {"Exit", "Exit", "Program Exit"},
    {"Start", "Start", "Start backup"},
    {"Stop", "Stop", "Cancel backup"},
    {"SaveAs", "Save", "Save current profile"},
    {"New", "New", "Create a new profile"},
    {"Delete", "Delete", "Delete current profile"},
    {"Restore", "Restore", ""},
    {"Help", "Help", "Get Help"},
    {"Home", "Home", "Goto q.e.v Homepage"},
    {"Update", "Update", "Check for new program version"},
    {"Minimize", "Minimize", "Minimize to system tray"},
};

QAction* keyedAction(QWidget* parent, const char* key, const char* caption)
{
    auto* action = new QAction(QString::fromLatin1(caption), parent);
    action->setObjectName(QString::fromLatin1(key));
    return action;
}

QString withKey(const QString& caption, const QAction* command)
{
    return caption + QStringLiteral(" (") + command->shortcut().toString(QKeySequence::NativeText)
           + QLatin1Char(')');
}

} // namespace

QAction* frmMain_BackUp::toolbarButton(const QString& key) const
{
    return tbTools->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

// The toolbar keeps the buttons it was given and gains the missing ones in their order.
void frmMain_BackUp::createCommands()
{
    QAction* before = nullptr;
    for (auto it = std::rbegin(kButtons); it != std::rend(kButtons); ++it) {
        QAction* button = toolbarButton(QString::fromLatin1(it->key));
        if (!button) {
            button = keyedAction(tbTools, it->key, it->caption);
            tbTools->insertAction(before, button);
        }
        button->setText(QString::fromLatin1(it->caption));
        button->setToolTip(QString::fromLatin1(it->tooltip));
        before = button;
    }
    createHelpMenu();
    createMenuBarCommands();
}

void frmMain_BackUp::createHelpMenu()
{
    mnuHelpButton = named(new QMenu(this), "mnuHelpButton");
    mnuHelpButton->addAction(keyedAction(mnuHelpButton, "Product", "Product description"));
    mnuHelpButton->addSeparator();
    mnuHelpButton->addAction(keyedAction(mnuHelpButton, "Tips", "Help && Tips and Tricks"));
    mnuHelpButton->addAction(keyedAction(mnuHelpButton, "Forum", "Support forum"));
    mnuHelpButton->addSeparator();
    mnuHelpButton->addAction(keyedAction(mnuHelpButton, "About", "About"));
    QAction* help = toolbarButton(QStringLiteral("Help"));
    help->setMenu(mnuHelpButton);
    if (auto* button = qobject_cast<QToolButton*>(tbTools->widgetForAction(help)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
}

// Real menus, whose titles answer to letters no page uses: Alt with a page's letter always
// reaches the page. The Help menu has no letter left; the arrow keys reach it from the first.
void frmMain_BackUp::createMenuBarCommands()
{
    mnuProgram = named(menuBar->addMenu(QStringLiteral("&Quillaro")), "mnuProgram");
    mnuErrorLog = named(mnuProgram->addAction(QStringLiteral("Error &log")), "mnuErrorLog");
    mnuErrorLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuBugReport = named(mnuProgram->addAction(QStringLiteral("&Bug report...")), "mnuBugReport");
    mnuBugReport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mnuProgram->addSeparator();
    mnuExit1->setText(QStringLiteral("E&xit"));
    mnuExit1->setShortcut(QKeySequence::Quit);
    mnuProgram->addAction(mnuExit1);
    mnuHelpBar = named(menuBar->addMenu(QStringLiteral("Help")), "mnuHelpBar");
    mnuHelp1 = named(mnuHelpBar->addAction(QStringLiteral("&Help")), "mnuHelp1");
    mnuHelpBar->addSeparator();
    for (const char* key : {"Product", "Tips", "Forum"})
        mnuHelpBar->addAction(mnuHelpButton->findChild<QAction*>(QString::fromLatin1(key)));
    mnuHelpBar->addSeparator();
    mnuAbout = named(mnuHelpBar->addAction(QStringLiteral("&About")), "mnuAbout");
    for (QAction* action : {mnuErrorLog, mnuBugReport, mnuExit1})
        action->setShortcutContext(Qt::WindowShortcut);
    ErrorIndicator->setToolTip(withKey(QStringLiteral("Double-click: show the error log"), mnuErrorLog));
    Label7->setToolTip(withKey(QStringLiteral("Make a bug report"), mnuBugReport));
}

void frmMain_BackUp::connectCommands()
{
    connect(tbTools, &QToolBar::actionTriggered, this, &frmMain_BackUp::tbTools_ButtonClick);
    // Each item answers through its own signal: the items are in two menus.
    for (QAction* item : mnuHelpButton->actions())
        connect(item, &QAction::triggered, this, [this, item] { tbTools_ButtonMenuClick(item); });
    connect(mnuHelp, &QAction::triggered, this, &frmMain_BackUp::mnuHelp_Click);
    connect(mnuHelp1, &QAction::triggered, this, &frmMain_BackUp::mnuHelp1_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain_BackUp::mnuAbout_Click);
    connect(mnuErrorLog, &QAction::triggered, this, &frmMain_BackUp::lblError_Click);
    connect(mnuBugReport, &QAction::triggered, this, &frmMain_BackUp::Label7_Click);
}

void frmMain_BackUp::tbTools_ButtonClick(QAction* button)
{
    using Command = void (frmMain_BackUp::*)();
    static const QHash<QString, Command> commands = {
        {QStringLiteral("Exit"), &frmMain_BackUp::mnuExit_Click},
        {QStringLiteral("Start"), &frmMain_BackUp::cmdBackUpNow},
        {QStringLiteral("Stop"), &frmMain_BackUp::cmdCancelBackUp_Click},
        {QStringLiteral("SaveAs"), &frmMain_BackUp::saveProfileAs},
        {QStringLiteral("New"), &frmMain_BackUp::showWizard},
        {QStringLiteral("Delete"), &frmMain_BackUp::deleteCurrentProfile},
        {QStringLiteral("Restore"), &frmMain_BackUp::showRestoreWindow},
        {QStringLiteral("Help"), &frmMain_BackUp::mnuHelp_Click},
        {QStringLiteral("Home"), &frmMain_BackUp::GifView_Click},
        {QStringLiteral("Update"), &frmMain_BackUp::checkForNewVersion},
        {QStringLiteral("Minimize"), &frmMain_BackUp::cmdSetTray},
    };
    // The help menu's items reach the toolbar too; they have their own dispatch.
    if (button->parent() != tbTools)
        return;
    if (const Command command = commands.value(button->objectName()))
        (this->*command)();
}

void frmMain_BackUp::tbTools_ButtonMenuClick(QAction* item)
{
    const QString key = item->objectName();
    if (key == QStringLiteral("Product"))
        mnuProduct_Click();
    else if (key == QStringLiteral("Tips"))
        (void)openPage(QUrl(WebAddresses::tipsPage()));
    else if (key == QStringLiteral("Forum"))
        (void)openPage(QUrl(WebAddresses::forumPage()));
    else if (key == QStringLiteral("About"))
        mnuAbout_Click();
}

void frmMain_BackUp::mnuHelp_Click() { (void)openPage(QUrl(WebAddresses::helpPage())); }

void frmMain_BackUp::mnuProduct_Click() { (void)openPage(QUrl(WebAddresses::productPage())); }

void frmMain_BackUp::mnuHelp1_Click() { mnuHelp_Click(); }

// ---- secondary windows --------------------------------------------------------------------

void frmMain_BackUp::showWizard() { ShowWizard(*this); }

void frmMain_BackUp::showRestoreWindow() { ShowRestoreWindow(*this); }

void frmMain_BackUp::mnuAbout_Click() { ShowAboutBox(this); }

void frmMain_BackUp::runVersionCheck() { ChkNewVersion(RtbNews1); }

// The button stays disabled while a check runs, so that a second one cannot start.
void frmMain_BackUp::checkForNewVersion()
{
    const bool optionsShown = !Frame7->isHidden(); // its own flag, whichever tab is in front
    Frame7->setVisible(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QAction* update = toolbarButton(QStringLiteral("Update"));
    update->setEnabled(false);
    const QString clip = Paths::commonFolder() + QStringLiteral("/avi/update_app.gif");
    auto* movie = new QMovie(clip, {}, Animation1);
    Animation1->setMovie(movie);
    Animation1->setVisible(true);
    movie->start();
    runVersionCheck();
    Animation1->setVisible(false);
    Animation1->setMovie(nullptr);
    delete movie;
    update->setEnabled(true);
    Frame7->setVisible(optionsShown);
    QApplication::restoreOverrideCursor();
}

// ---- profile commands ---------------------------------------------------------------------

// The prompt proposes the name the user typed beside the list. The name is trimmed: blanks
// around a name would make a second profile that looks like the first. Cancel is no answer.
void frmMain_BackUp::saveProfileAs()
{
    const QString typed = txtProfile->text().trimmed();
    const QString answer = WidgetDialogs::askText(this, LangText(210), LangText(211),
                                                  typed.isEmpty() ? cmbProfiles->currentText() : typed);
    if (answer.isNull())
        return;
    const QString name = answer.trimmed();
    txtProfile->setText(name);
    if (!profileNameRefused(name))
        cmdSaveProfile();
}

bool frmMain_BackUp::profileNameRefused(const QString& name)
{
    QString why;
    if (ProfileName::isAllowed(name, &why))
        return false;
    MsgBox(LangText(273) + QStringLiteral("\r\n") + LangText(277) + QStringLiteral("\n\n\"") + name
               + QStringLiteral("\": ") + why + QStringLiteral("\r\n") + LangText(212),
           MsgButtons::Ok, MsgIcon::Exclamation, LangText(23));
    return true;
}

void frmMain_BackUp::deleteCurrentProfile()
{
    const QString name = cmbProfiles->currentText();
    const QString title = LangText(23);
    if (name.trimmed().toLower() == QStringLiteral("standard")) {
        MsgBox(LangText(214), MsgButtons::Ok, MsgIcon::Information, title);
        return;
    }
    const int index = cmbProfiles->currentIndex();
    if (index < 0 || cmbProfiles->itemText(index) != name) {
        MsgBox(LangText(215), MsgButtons::Ok, MsgIcon::Information, title);
        return;
    }
    if (MsgBox(LangText(216), MsgButtons::YesNo, MsgIcon::Exclamation, LangText(217))
        != MsgResult::Yes)
        return;
    keepProfileFileAsBackup(name);
    {
        // The load below is the one this command makes; the removal must not start another.
        const QSignalBlocker blocker(cmbProfiles);
        cmbProfiles->removeItem(index);
    }
    setComboText(cmbProfiles, cmbProfiles->itemText(0));
    txtProfile->setText(cmbProfiles->currentText());
    Load_Settings();
}

// The selection file is renamed aside rather than lost, so a deletion can be undone by hand.
void frmMain_BackUp::keepProfileFileAsBackup(const QString& name)
{
    const QString file = ProfileFile::path(name);
    if (!SettingsKeys::validProfileName(name) || !QFileInfo::exists(file))
        return;
    const QString backup = file.chopped(4) + QStringLiteral(".bak");
    QFile::remove(backup);
    if (QFile::copy(file, backup))
        QFile::remove(file);
}
