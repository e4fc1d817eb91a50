#include "frmMain_BackUp.h"

#include "AccessibleTabBar.h"

#include <utility>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QIcon>
#include <QKeySequence>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_API.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "QEV_PlaySound.h"
#include "QEV_WindowsTopMost.h"
#include "Paths.h"
#include "ProfileLoad.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TaskScheduler.h"
#include "WebAddresses.h"

qint16 g_iCdDevice = 0;
qint16 g_iCdSpeed = 0;

namespace {


QString formLoadLabel() { return FormularLabel("Form_Load", "frmMain_BackUp"); }

using SettingsKeys::userScope;

// A stored window edge or size in twips; the default when the text is not a number.
double twipsSetting(const char* key, double defaultTwips)
{
    bool ok = false;
    const QString stored
        = SettingsStore::getValue(userScope(), QStringLiteral("Data"), QString::fromLatin1(key),
                                  QString::number(defaultTwips));
    const double twips = stored.toFloat(&ok);
    if (!ok) {
        ReportError(formLoadLabel(), ErrNo::TypeMismatch,
                    QStringLiteral("the stored window value is not a number: ")
                        + QString::fromLatin1(key) + QStringLiteral(" = ") + stored);
        return defaultTwips;
    }
    return twips;
}

} // namespace

frmMain_BackUp::frmMain_BackUp(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain_BackUp"));
    AccessibleTabBar::install();
    createControls();
    // The run's log lines are laid out in columns.
    RtbNews1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    createSourceBrowsers();
    createCommands();
    connectEvents();
    connectRunEvents();
    connectCdEvents();
    connectSourceEvents();
    connectCommands();
    setMainWindowErrorHooks({[this] { showErrorIndicator(); },
                             [this](bool on) { on ? WindowOnTop(this) : WindowNotOnTop(this); },
                             [this] { return chkValue(chkWinOnTop) == 1; }});
    keepBuiltTexts();
}

frmMain_BackUp::~frmMain_BackUp()
{
    if (!m_unloaded)
        Form_Unload();
}

void frmMain_BackUp::createControls()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    setWindowIcon(programIcon());
    menuBar = named(new QMenuBar(this), "menuBar");
    column->setMenuBar(menuBar);
    createToolbar();
    column->addWidget(tbTools);
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    column->addWidget(SSTab1, 1);
    const char* captions[]
        = {" Backup", " Sources", " Options", " BU Media", " ZIP Options", " Schedule"};
    QList<QWidget*> pages;
    for (const char* caption : captions)
        pages.append(addPage(QString::fromLatin1(caption)));
    createBackupTab(pages[0]);
    createSourcesTab(pages[1]);
    createOptionsTab(pages[2]);
    createMediaTab(pages[3]);
    createZipTab(pages[4]);
    createScheduleTab(pages[5]);
    groupOptions(this, {optNewOnly, optComplete, optCompleteNoFilter});
    createStatusRow();
    column->addWidget(statusBar);
    createMenus();
    createReportControls();
    connectTaskEvents();
}

// A tab page inside a scroll area: the window keeps any size the user gives it, and a page
// that does not fit scrolls rather than being cut off.
QWidget* frmMain_BackUp::addPage(const QString& caption)
{
    auto* scroller = new QScrollArea(SSTab1);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroller);
    scroller->setWidget(page);
    SSTab1->addTab(scroller, caption);
    return page;
}

void frmMain_BackUp::createToolbar()
{
    tbTools = named(new QToolBar(this), "tbTools");
    tbTools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Icons from the desktop's theme, the style's own where the theme has none; keys that
    // reach each command from anywhere in the window.
    const struct {
        const char* key;
        const char* caption;
        const char* themeIcon;
        QStyle::StandardPixmap fallback;
        QKeySequence shortcut;
    } buttons[] = {
        {"Exit", "Exit", "application-exit", QStyle::SP_DialogCloseButton, QKeySequence()},
        {"Start", "Start", "media-playback-start", QStyle::SP_MediaPlay, QKeySequence(Qt::Key_F5)},
        {"Stop", "Stop", "media-playback-stop", QStyle::SP_MediaStop,
         QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {"SaveAs", "Save", "document-save", QStyle::SP_DialogSaveButton, QKeySequence::Save},
        {"New", "New", "document-new", QStyle::SP_FileIcon, QKeySequence::New},
        {"Delete", "Delete", "edit-delete", QStyle::SP_TrashIcon, QKeySequence()},
        {"Restore", "Restore", "document-revert", QStyle::SP_BrowserReload,
         QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"Help", "Help", "help-contents", QStyle::SP_DialogHelpButton, QKeySequence::HelpContents},
        {"Home", "Home", "go-home", QStyle::SP_DirHomeIcon, QKeySequence()},
        {"Update", "Update", "system-software-update", QStyle::SP_ArrowUp, QKeySequence()},
        {"Minimize", "Minimize", "go-down", QStyle::SP_ArrowDown,
         QKeySequence(Qt::CTRL | Qt::Key_M)},
    };
    // Nobody sees the toolbar of an unattended run: reading its icons would only cost time.
    const bool shown = !MessageBoxSeam::isUnattended();
    for (const auto& b : buttons) {
        QAction* action = tbTools->addAction(
            shown ? QIcon::fromTheme(QString::fromLatin1(b.themeIcon), style()->standardIcon(b.fallback))
                  : QIcon(),
            QString::fromLatin1(b.caption));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setShortcut(b.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        if (!b.shortcut.isEmpty())
            action->setToolTip(QString::fromLatin1(b.caption) + QStringLiteral(" (")
                               + b.shortcut.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }
}

// The program's icon: the desktop theme's, else the one shipped with the program.
QIcon frmMain_BackUp::programIcon()
{
    return QIcon::fromTheme(
        QStringLiteral("quillaro"),
        QIcon(Paths::shippedAssetsFolder() + QStringLiteral("/bitmap/quillaro.png")));
}

// The status line, the animation, the cipher's progress and the error indicator; the status
// bar takes further indicators with addPermanentWidget.
void frmMain_BackUp::createStatusRow()
{
    statusBar = named(new QStatusBar(this), "statusBar");
    txtNews = named(new QLineEdit(statusBar), "txtNews");
    txtNews->setReadOnly(true);
    txtNews->setAccessibleName(QStringLiteral("Status"));
    statusBar->addWidget(txtNews, 1);
    Animation1 = named(new QLabel(statusBar), "Animation1");
    Animation1->setVisible(false);
    statusBar->addWidget(Animation1);
    ProgressBar3 = named(new QProgressBar(statusBar), "ProgressBar3");
    ProgressBar3->setAccessibleName(QStringLiteral("Encryption and disc progress"));
    ProgressBar3->setMaximumWidth(160);
    statusBar->addWidget(ProgressBar3);
    ErrorIndicator = named(new QFrame(statusBar), "ErrorIndicator");
    ErrorIndicator->setFixedSize(16, 16);
    ErrorIndicator->setAutoFillBackground(true);
    ErrorIndicator->setAccessibleName(QStringLiteral("Error indicator"));
    statusBar->addPermanentWidget(ErrorIndicator);
    lblError = named(new QLabel(QStringLiteral("Error"), statusBar), "lblError");
    lblError->setVisible(false);
    statusBar->addPermanentWidget(lblError);
    TimerRT = named(new QTimer(this), "TimerRT");
    TimerRT->setInterval(5000);
    tmrtimeout = named(new QTimer(this), "tmrtimeout");
    tmrtimeout->setInterval(10000);
}

void frmMain_BackUp::createMenus()
{
    mnuPopup = named(new QMenu(this), "mnuPopup");
    mnuHelp = mnuPopup->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuShow = mnuPopup->addAction(QStringLiteral("&Show"));
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    mnuExit = mnuPopup->addAction(QStringLiteral("&Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuExit1 = named(new QAction(QStringLiteral("&Exit"), this), "mnuExit1");
    addAction(mnuExit1);
}

void frmMain_BackUp::connectEvents()
{
    connectOptionArrays();
    connectOptionEvents();
    connect(cmbProfiles, &QComboBox::currentIndexChanged, this, [this] { cmbProfiles_Click(); });
    connect(cmbProfiles->lineEdit(), &QLineEdit::editingFinished, this,
            &frmMain_BackUp::cmbProfiles_NameTyped);
    connect(mnuShow, &QAction::triggered, this, &frmMain_BackUp::mnuShow_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain_BackUp::mnuExit_Click);
    connect(mnuExit1, &QAction::triggered, this, &frmMain_BackUp::mnuExit_Click);
    connectFtpEvents();
    for (QObject* watched : std::initializer_list<QObject*> {
             cmbProfiles, txtExclusions, txtDirExclusions, txtInclusions, frmZipStatistc})
        watched->installEventFilter(this);
}

void frmMain_BackUp::connectOptionArrays()
{
    for (int index : optBuMode.indexes()) {
        connect(optBuMode(index), &QRadioButton::toggled, this, [this, index](bool selected) {
            if (selected)
                optBuMode_Click(index);
        });
    }
}

// Focus and double-click events of the controls that have such handlers.
bool frmMain_BackUp::eventFilter(QObject* watched, QEvent* event)
{
    if (optionFocusLeft(watched, event))
        return QWidget::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (watched == cmbProfiles && type == QEvent::FocusIn)
        cmbProfiles_GotFocus();
    else if (watched == txtExclusions && type == QEvent::FocusOut)
        txtExclusions_LostFocus();
    else if (watched == txtDirExclusions && type == QEvent::FocusOut)
        txtDirExclusions_LostFocus();
    else if (watched == txtInclusions && type == QEvent::FocusOut)
        txtInclusions_LostFocus();
    else if (watched == frmZipStatistc && type == QEvent::MouseButtonDblClick)
        frmZipStatistc_DblClick();
    return QWidget::eventFilter(watched, event);
}

int frmMain_BackUp::WindowState() const { return isMinimized() ? 1 : 0; }

void frmMain_BackUp::Form_Load()
{
    restoreStartProfile();
    restoreGeometry();
    // Nobody watches an unattended run: its window is filled but never shown.
    if (!MessageBoxSeam::isUnattended()) {
        show();
        repaint();
        DoEvents();
    }
    Load_Settings();
    RtbNews1->setPlainText(LangText(3) + QStringLiteral("\n\n") + LangText(205) + QLatin1Char('\n')
                           + LangText(206) + QLatin1Char('\n') + LangText(207)
                           + QStringLiteral(" - ") + WebAddresses::homePage());
    DoEvents();
}

void frmMain_BackUp::restoreStartProfile()
{
    int standard = -1;
    QString refused;
    const QString profile = ProfileLoad::startProfile(&standard, &refused);
    if (standard < 0)
        ReportError(formLoadLabel(), ErrNo::TypeMismatch, refused);
    else
        (void)setChkValue(chkProfileStandard, standard);
    cmbProfiles->setEditText(profile);
    txtProfile->setText(cmbProfiles->currentText());
}

void frmMain_BackUp::restoreGeometry()
{
    const double left = twipsSetting("MainLeft", 1000);
    const double top = twipsSetting("MainTop", 1000);
    const double height = twipsSetting("MainHeight", 7785);
    const double width = twipsSetting("MainWidth", 9730);
    move(twipsToPixels(left), twipsToPixels(top));
    QSize size(twipsToPixels(width), twipsToPixels(height));
    // The stored default is smaller than the pages: a first start opens large enough to show
    // them unscrolled where the screen allows; a size the user left is kept as it was.
    const bool firstStart
        = !SettingsStore::contains(userScope(), QStringLiteral("Data"), QStringLiteral("MainWidth"));
    if (firstStart)
        size = size.expandedTo(firstStartSize());
    resize(size);
    keepOnScreen(firstStart);
}

// The window manager's title bar and borders lie outside the window and are unknown until it
// is shown: room is kept for the tallest in common use.
QSize frmMain_BackUp::decorationAllowance() const
{
    const QSize known = frameGeometry().size() - size();
    return known.height() > 0 ? known : QSize(16, 40);
}

// A window stored on a screen that is gone comes back where it can be seen; a first start
// places it whole on the screen, title bar and borders included.
void frmMain_BackUp::keepOnScreen(bool whole)
{
    const QScreen* shown = screen();
    if (!shown)
        return;
    const QRect room = shown->availableGeometry();
    const QRect frame(pos(), size() + decorationAllowance());
    if (whole ? room.contains(frame) : room.contains(frame.topLeft()))
        return;
    const int x = qBound(room.left(), frame.left(), qMax(room.left(), room.right() - frame.width()));
    const int y = qBound(room.top(), frame.top(), qMax(room.top(), room.bottom() - frame.height()));
    move(x, y);
}

QSize frmMain_BackUp::firstStartSize() const
{
    const QScreen* shown = screen();
    if (!shown)
        return {1000, 720};
    const QSize room = shown->availableGeometry().size();
    return QSize(1000, 720).boundedTo(room * 0.95).boundedTo(room - decorationAllowance());
}

void frmMain_BackUp::cmdSetTray()
{
    EnterTray(this, [this](const QPoint& at) { mnuPopup->popup(at); });
}

void frmMain_BackUp::mnuShow_Click() { LeaveTray(); }

void frmMain_BackUp::mnuExit_Click()
{
    // A running backup holds objects of this window: it is stopped, and the program ends once
    // it has unwound.
    if (m_runActive) {
        deferUntilRunEnds(PendingClose::Exit);
        return;
    }
    if (QMovie* movie = Animation1->movie())
        movie->stop();
    // The farewell is heard out before the program goes; nothing spoken, nothing to wait for.
    if (chkValue(chkSound) == 1 && SpeakText(LangText(169)))
        Wait_Seconds(3);
    close();
    QCoreApplication::quit();
}

void frmMain_BackUp::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // No object the run uses may go away under it: the run is stopped and the window closes
    // once it has unwound. An unattended run closes after it ends.
    if (m_runActive && !g_bAutoRun) {
        deferUntilRunEnds(PendingClose::Close);
        event->ignore();
        return;
    }
    // The load pumps messages and still fills the controls.
    if (isLoadingSettings()) {
        m_closeAfterLoad = true;
        event->ignore();
        return;
    }
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void frmMain_BackUp::loadFinished()
{
    if (std::exchange(m_closeAfterLoad, false))
        close();
}

void frmMain_BackUp::deferUntilRunEnds(PendingClose what)
{
    g_bCancelBackUp = true;
    if (what > m_pendingClose)
        m_pendingClose = what;
}

void frmMain_BackUp::closeAfterRun()
{
    const PendingClose what = m_pendingClose;
    m_pendingClose = PendingClose::None;
    if (what == PendingClose::Exit)
        mnuExit_Click();
    else if (what == PendingClose::Close)
        close();
}

void frmMain_BackUp::Form_QueryUnload()
{
    if (!g_bAutoRun)
        Save_Settings();
}

// Other windows go first, the most recently opened first; then the window lets go of what
// it holds.
void frmMain_BackUp::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget* window = *it;
        if (window != this && window->isVisible() && !window->isAncestorOf(this))
            window->close();
    }
    setMainWindowErrorHooks({});
    if (IsInTray())
        LeaveTray();
    Release_TTS();
    if (g_frmMain == this)
        g_frmMain = nullptr;
}
