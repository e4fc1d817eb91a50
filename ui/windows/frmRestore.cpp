#include "frmRestore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "DecryptedCopy.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RestoreGrid.h"
#include "SettingsStore.h"
#include "SettingsKeys.h"
#include "WidgetDialogs.h"
#include "ZipArchive.h"

namespace {

const char* const kForm = "frmRestore";

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Grid column widths in twips, 15 to a pixel.
constexpr int kColumnTwips[RestoreGrid::ColumnCount] = {300, 2800, 2000, 1000, 2800, 500, 5000};

QString settingsSection() { return QStringLiteral("Settings"); }

} // namespace

frmRestore::frmRestore(const RestoreContext& context, QWidget* parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QString::fromLatin1(kForm));
    setWindowTitle(QStringLiteral("Search & Restore"));
    createControls();
    connectEvents();
    Form_Load();
}

frmRestore::~frmRestore() = default;

void frmRestore::createControls()
{
    auto* layout = new QVBoxLayout(this);
    createToolbar();
    layout->setMenuBar(tbTools);
    auto* top = new QHBoxLayout;
    top->addWidget(createSearchPanel(), 1);
    auto* side = new QVBoxLayout;
    side->addWidget(createStatistics());
    Image1 = named(new QLabel(this), "Image1");
    Image1->setPixmap(QIcon::fromTheme(QStringLiteral("system-search")).pixmap(48, 48));
    Animation2 = named(new QLabel(this), "Animation2");
    Animation2->hide();
    side->addWidget(Image1, 0, Qt::AlignCenter);
    side->addWidget(Animation2, 0, Qt::AlignCenter);
    side->addStretch();
    top->addLayout(side);
    layout->addLayout(top);
    lblSearchNote = named(new QLabel(this), "lblSearchNote");
    lblSearchNote->setWordWrap(true);
    lblSearchNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSearchNote->hide();
    layout->addWidget(lblSearchNote);
    m_grid = new RestoreGrid(this);
    FG3 = named(new QTableView(this), "FG3");
    FG3->setModel(m_grid);
    FG3->setToolTip(QStringLiteral("Double Click on file to restore it"));
    FG3->setSelectionBehavior(QAbstractItemView::SelectRows);
    FG3->setSelectionMode(QAbstractItemView::ContiguousSelection);
    FG3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FG3->verticalHeader()->hide();
    FG3->verticalHeader()->setDefaultSectionSize(FG3->fontMetrics().height() + 4);
    setColumnWidths();
    layout->addWidget(FG3, 1);
    ProgressBar3 = named(new QProgressBar(this), "ProgressBar3");
    ProgressBar3->setValue(0);
    ProgressBar3->setTextVisible(false);
    layout->addWidget(ProgressBar3);
    sbStatusBar = named(new QStatusBar(this), "sbStatusBar");
    layout->addWidget(sbStatusBar);
    resize(1000, 640);
}

// The widths the grid has always had, widened where this font needs more for a caption or a
// date.
void frmRestore::setColumnWidths()
{
    const QFontMetrics metrics = FG3->fontMetrics();
    const QString date = GeneralDate(QDateTime(QDate(2000, 12, 30), QTime(23, 59, 58)));
    for (int c = 0; c < RestoreGrid::ColumnCount; ++c) {
        const QString widest = c == RestoreGrid::DateTime
            ? date
            : QStringLiteral("%1 ").arg(RestoreGrid::caption(c));
        FG3->setColumnWidth(c, qMax(kColumnTwips[c] / 15, metrics.horizontalAdvance(widest) + 12));
    }
}

// Two columns: where the archives are, and what to find and where it goes; the rest of the
// window's height is the grid's.
QWidget* frmRestore::createSearchPanel()
{
    auto* panel = new QWidget(this);
    auto* columns = new QHBoxLayout(panel);
    columns->setContentsMargins(0, 0, 0, 0);
    auto* archives = new QFormLayout;
    archives->setRowWrapPolicy(QFormLayout::WrapAllRows);
    auto* pathRow = new QHBoxLayout;
    txtPathSearch = named(new QLineEdit(panel), "txtPathSearch");
    cmdSearchPath = named(new QPushButton(QStringLiteral("..."), panel), "cmdSearchPath");
    pathRow->addWidget(txtPathSearch, 1);
    pathRow->addWidget(cmdSearchPath);
    archives->addRow(QStringLiteral("Archive directory :"), pathRow);
    List3 = named(new QListWidget(panel), "List3");
    List3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List3->setMinimumHeight(70);
    List3->setMaximumHeight(110);
    archives->addRow(QStringLiteral("Selected  ZIP archives (multi selections) :"), List3);
    columns->addLayout(archives, 2);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    txtFileSearch = named(new QLineEdit(panel), "txtFileSearch");
    form->addRow(QStringLiteral("Search  ZIP  archive(s) for the file name :"), txtFileSearch);
    chkCaseSensitive = named(new QCheckBox(QStringLiteral("Case sensitive"), panel),
                             "chkCaseSensitive");
    form->addRow(QString(), chkCaseSensitive);
    txtEncryptPassword = named(new QLineEdit(panel), "txtEncryptPassword");
    txtEncryptPassword->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Archive Encryption Password :"), txtEncryptPassword);
    auto* targetRow = new QHBoxLayout;
    Drive1 = named(new QComboBox(panel), "Drive1");
    Drive1->setEditable(true);
    Drive1->setInsertPolicy(QComboBox::NoInsert);
    fillDrives();
    cmdRestorePath = named(new QPushButton(QStringLiteral("..."), panel), "cmdRestorePath");
    cmdRestorePath->setToolTip(QStringLiteral("Choose the folder to restore to"));
    targetRow->addWidget(Drive1, 1);
    targetRow->addWidget(cmdRestorePath);
    form->addRow(QStringLiteral("Restore to folder :"), targetRow);
    columns->addLayout(form, 3);
    // Return in a box searches; no button of the window is the default one.
    for (QPushButton* b : {cmdSearchPath, cmdRestorePath}) {
        b->setAutoDefault(false);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 24);
    }
    Drive1->setMinimumContentsLength(24);
    Drive1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return panel;
}

QWidget* frmRestore::createStatistics()
{
    auto* frame = new QGroupBox(QStringLiteral("Statistics"), this);
    auto* grid = new QGridLayout(frame);
    auto counter = [frame](const char* name) {
        auto* label = named(new QLabel(QStringLiteral("0"), frame), name);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(60);
        return label;
    };
    lblSearchedFiles = counter("lblSearchedFiles");
    lblSearchedArchives = counter("lblSearchedArchives");
    lblFoundFiles = counter("lblFoundFiles");
    lblFoundArchives = counter("lblFoundArchives");
    grid->addWidget(new QLabel(QStringLiteral("searched :"), frame), 0, 0);
    grid->addWidget(lblSearchedFiles, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("files  in"), frame), 0, 2);
    grid->addWidget(lblSearchedArchives, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("archives"), frame), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("found :"), frame), 1, 0);
    grid->addWidget(lblFoundFiles, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("files  in"), frame), 1, 2);
    grid->addWidget(lblFoundArchives, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("archives"), frame), 1, 4);
    return frame;
}

void frmRestore::createToolbar()
{
    tbTools = named(new QToolBar(this), "tbTools");
    tbTools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    struct Button
    {
        const char* key;
        const char* caption;
        const char* tip;
        const char* icon;
    };
    static const Button buttons[] = {
        {"exitsearch", "Exit Search", "Exit Search && Restore Program", "application-exit"},
        {"restore", "Restore Selected Files", "Multiple selection is possible", "document-save"},
        {"cancel", "Cancel Search", "Cancel current search", "process-stop"},
        {"search", "Search Now ...", "Search for defined file names", "edit-find"},
        {"help", "Help", "Get Help", "help-contents"}};
    for (const Button& b : buttons) {
        QAction* action = tbTools->addAction(QIcon::fromTheme(QString::fromLatin1(b.icon)),
                                             QString::fromLatin1(b.caption));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.tip).replace(QStringLiteral("&&"),
                                                              QStringLiteral("&")));
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuHelpMenu"));
    static const char* const items[][2] = {{"Product", "Product description"},
                                           {"Tips", "Tips and Tricks"},
                                           {"Forum", "Support forum"},
                                           {"About", "About"}};
    for (const auto& item : items)
        menu->addAction(QString::fromLatin1(item[1]))->setObjectName(QString::fromLatin1(item[0]));
    button("help")->setMenu(menu);
    if (auto* helpButton = qobject_cast<QToolButton*>(tbTools->widgetForAction(button("help"))))
        helpButton->setPopupMode(QToolButton::MenuButtonPopup);
    button("cancel")->setEnabled(false);
}

// The folders offered to restore to: the root first (the files' own places), then the other
// mounted file systems; any other folder is typed or chosen.
void frmRestore::fillDrives()
{
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() && !volume.isReadOnly() && !roots.contains(root)
            && !root.startsWith(QStringLiteral("/proc")) && !root.startsWith(QStringLiteral("/sys"))
            && !root.startsWith(QStringLiteral("/dev")) && !root.startsWith(QStringLiteral("/run")))
            roots.append(root);
    }
    Drive1->addItems(roots);
}

void frmRestore::connectEvents()
{
    connect(tbTools, &QToolBar::actionTriggered, this, &frmRestore::tbTools_ButtonClick);
    connect(button("help")->menu(), &QMenu::triggered, this, &frmRestore::tbTools_ButtonMenuClick);
    connect(FG3, &QTableView::doubleClicked, this, &frmRestore::FG3_DblClick);
    connect(cmdSearchPath, &QPushButton::clicked, this, &frmRestore::cmdSearchPath_Click);
    connect(txtPathSearch, &QLineEdit::textChanged, this, &frmRestore::txtPathSearch_Change);
    connect(txtFileSearch, &QLineEdit::returnPressed, this, &frmRestore::cmdSearch_Click);
    connect(cmdRestorePath, &QPushButton::clicked, this, &frmRestore::cmdRestorePath_Click);
}

QAction* frmRestore::button(const char* key) const
{
    return tbTools->findChild<QAction*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

void frmRestore::Form_Load()
{
    txtPathSearch->setText(m_context.archiveFolder);
    const QString scope = SettingsKeys::userScope();
    txtFileSearch->setText(SettingsStore::getValue(scope, settingsSection(),
                                                   QStringLiteral("txtFileSearch"),
                                                   QStringLiteral("*.*")));
    const int caseSensitive = SettingsStore::getValue(scope, settingsSection(),
                                                      QStringLiteral("chkCaseSensitive"),
                                                      QStringLiteral("0"))
                                  .toInt();
    chkCaseSensitive->setChecked(caseSensitive == 1);
    sbStatusBar->showMessage(m_context.status);
    txtEncryptPassword->setText(m_context.password);
}

void frmRestore::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    const QString scope = SettingsKeys::userScope();
    SettingsStore::saveValue(scope, settingsSection(), QStringLiteral("txtFileSearch"),
                             txtFileSearch->text());
    SettingsStore::saveValue(scope, settingsSection(), QStringLiteral("chkCaseSensitive"),
                             SettingsKeys::checkText(chkCaseSensitive->isChecked() ? 1 : 0));
    QString error;
    if (!SettingsStore::flush(&error))
        ReportError(FormularLabel("Form_Unload", kForm), ErrNo::DeviceIO, error);
    Zip.reset();
}

// Closing while a search runs cancels it; the window closes once the search has unwound.
void frmRestore::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        m_closeWhenIdle = true;
        cancelSearch = true;
        event->ignore();
        return;
    }
    Form_Unload();
    QDialog::closeEvent(event);
}

// Escape ends a dialog without a close event; it follows the same rule.
void frmRestore::reject()
{
    if (m_busy) {
        m_closeWhenIdle = true;
        cancelSearch = true;
        return;
    }
    Form_Unload();
    QDialog::reject();
}

void frmRestore::tbTools_ButtonClick(QAction* action)
{
    const QString key = action->objectName();
    if (key == QStringLiteral("exitsearch"))
        close();
    else if (key == QStringLiteral("restore"))
        cmdRestore_Click();
    else if (key == QStringLiteral("cancel"))
        cmdCacelSearch_Click();
    else if (key == QStringLiteral("search"))
        cmdSearch_Click();
    else if (key == QStringLiteral("help") && m_context.help)
        m_context.help();
}

void frmRestore::tbTools_ButtonMenuClick(QAction* item)
{
    const QString key = item->objectName();
    if ((key == QStringLiteral("Product") || key == QStringLiteral("Tips")) && m_context.help)
        m_context.help();
    else if (key == QStringLiteral("Forum") && m_context.forum)
        m_context.forum();
    else if (key == QStringLiteral("About") && m_context.about)
        m_context.about();
}

void frmRestore::FG3_DblClick() { cmdRestore_Click(); }

void frmRestore::cmdSearchPath_Click()
{
    const QString chosen = WidgetDialogs::chooseFolder(
        this, QStringLiteral("Select a Folder where the ZIP archives are located"),
        Paths::programFolder());
    if (!chosen.isEmpty())
        txtPathSearch->setText(chosen);
}

void frmRestore::cmdRestorePath_Click()
{
    const QString chosen = WidgetDialogs::chooseFolder(
        this, QStringLiteral("Select the folder to restore the files to"), Drive1->currentText());
    if (!chosen.isEmpty())
        Drive1->setCurrentText(chosen);
}

// Typing a path creates nothing: the list shows the archives once the folder exists.
void frmRestore::txtPathSearch_Change()
{
    List3->clear();
    const QString folder = txtPathSearch->text();
    if (folder.trimmed().isEmpty())
        return;
    List3->addItem(LangText(243));
    const QDir dir(folder);
    if (dir.exists() && !QFileInfo(folder).isReadable())
        ReportError(FormularLabel("txtPathSearch_Change", kForm), ErrNo::PermissionDenied,
                    QStringLiteral("cannot list ") + folder);
    const QStringList names = dir.exists() ? dir.entryList(QDir::Files, QDir::Name) : QStringList();
    for (const QString& name : names) {
        const QString tail = name.right(3).toLower();
        if (tail == QStringLiteral("zip") || tail == QStringLiteral("cry"))
            List3->addItem(name);
    }
    List3->setCurrentRow(0);
    List3->item(0)->setSelected(true);
}

void frmRestore::playClip(const QString& name)
{
    Image1->hide();
    Animation2->show();
    Animation2->setToolTip(name);
    const QString path = Paths::commonFolder() + QStringLiteral("/avi/") + name + QStringLiteral(".gif");
    if (!m_movie)
        m_movie = new QMovie(this);
    m_movie->stop();
    if (!QFileInfo::exists(path))
        return;
    m_movie->setFileName(path);
    Animation2->setMovie(m_movie);
    m_movie->start();
}

void frmRestore::startWork(const QString& clip)
{
    m_busy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    playClip(clip);
    setCommandsIdle(false);
}

void frmRestore::endWork()
{
    QApplication::restoreOverrideCursor();
    if (m_movie)
        m_movie->stop();
    Animation2->hide();
    Image1->show();
    ProgressBar3->setValue(0);
    setCommandsIdle(true);
    m_busy = false;
    if (m_closeWhenIdle)
        close();
}

void frmRestore::setCommandsIdle(bool idle)
{
    button("search")->setEnabled(idle);
    button("restore")->setEnabled(idle);
    button("cancel")->setEnabled(!idle);
}

void frmRestore::cmdCacelSearch_Click()
{
    if (m_busy)
        cancelSearch = true;
}

bool frmRestore::temporaryFolderUsable() const
{
    const QString folder = m_context.tempFolder.trimmed();
    return !folder.isEmpty() && QFileInfo(folder).isDir() && QFileInfo(folder).isWritable();
}

void frmRestore::showDecryptionError()
{
    MsgBox(QStringLiteral("Decryption error - please check the password"), MsgButtons::Ok,
           MsgIcon::Critical, QStringLiteral("Error"));
}
