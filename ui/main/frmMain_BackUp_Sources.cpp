// Building the source list of the main window: the folder tree, the file list and the add
// commands.
#include "frmMain_BackUp.h"

#include <functional>

#include <QFileIconProvider>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTreeView>

#include "Events.h"
#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ProfileFile.h"
#include "ProfileLoad.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "SourceListIndex.h"

namespace {

// The tree shows folders only: one folder icon serves them all. The usual provider looks up
// each entry's content type, which opens and reads the user's files as the tree fills.
class FolderIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }
};

// The folder a row names: the folder of a folder entry ("/a/b/*.*" gives "/a/b/"), else the
// row itself.
QString rowFolder(const QString& row)
{
    return row.endsWith(QStringLiteral("/*.*")) ? row.chopped(3) : row;
}

} // namespace

void frmMain_BackUp::createSourceBrowsers()
{
    m_sourceIndex = new SourceListIndex(List1);
    // Rows the user adds, removes or ticks make the list the profile's own.
    const auto edited = [] { sourceListEdited(); };
    connect(List1->model(), &QAbstractItemModel::rowsInserted, this, edited);
    connect(List1->model(), &QAbstractItemModel::rowsRemoved, this, edited);
    connect(List1->model(), &QAbstractItemModel::dataChanged, this, edited);
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The tree lists the disk on a thread of its own: a window nobody sees goes without it.
    if (!MessageBoxSeam::isUnattended())
        createFolderTree();
}

void frmMain_BackUp::showEvent(QShowEvent* event)
{
    if (!m_folderModel)
        createFolderTree();
    QWidget::showEvent(event);
}

void frmMain_BackUp::createFolderTree()
{
    m_folderModel = new QFileSystemModel(FolderTreeview1);
    // The tree's file-information thread may still ask for an icon while a closed window's
    // model goes: the provider, which holds nothing, stays for the program's life.
    static FolderIconProvider folderIcons;
    m_folderModel->setIconProvider(&folderIcons);
    m_folderModel->setFilter(folderFilter());
    m_folderModel->setRootPath(QStringLiteral("/"));
    FolderTreeview1->setModel(m_folderModel);
    for (int column = 1; column < m_folderModel->columnCount(); ++column)
        FolderTreeview1->hideColumn(column);
    FolderTreeview1->header()->hide();
    connect(FolderTreeview1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmMain_BackUp::FolderTreeview1_NodeClick);
    showFolder(QDir::homePath());
}

void frmMain_BackUp::connectSourceEvents()
{
    connect(cmdSelect, &QPushButton::clicked, this, &frmMain_BackUp::cmdSelect_Click);
    connect(cmdUnselect, &QPushButton::clicked, this, &frmMain_BackUp::cmdUnselect_Click);
    connect(cmdExclude, &QPushButton::clicked, this, &frmMain_BackUp::cmdExclude_Click);
    connect(cmdDirPlus, &QPushButton::clicked, this, &frmMain_BackUp::cmdDirPlus_Click);
    connect(cmdSubPlus, &QPushButton::clicked, this, &frmMain_BackUp::cmdSubPlus_Click);
    connect(cmdFilesPlus, &QPushButton::clicked, this, &frmMain_BackUp::cmdFilesPlus_Click);
    connect(File1, &QListWidget::itemDoubleClicked, this, &frmMain_BackUp::File1_DblClick);
    connect(chkHiddenFolders, &QCheckBox::toggled, this, &frmMain_BackUp::chkHiddenFolders_Click);
}

QDir::Filters frmMain_BackUp::folderFilter() const
{
    QDir::Filters filters = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (chkValue(chkHiddenFolders) == 1)
        filters |= QDir::Hidden;
    return filters;
}

// ---- the folder tree and the file list ----------------------------------------------------

QString frmMain_BackUp::fileListFolder() const { return m_fileFolder; }

void frmMain_BackUp::setFileListFolder(const QString& folder)
{
    m_fileFolder = folder;
    QDir::Filters filters = QDir::Files;
    if (chkValue(chkHiddenFolders) == 1)
        filters |= QDir::Hidden | QDir::System;
    File1->clear();
    File1->addItems(QDir(folder).entryList(filters, QDir::Name));
}

void frmMain_BackUp::showFolder(const QString& folder)
{
    const QModelIndex index = m_folderModel->index(folder);
    if (index.isValid()) {
        FolderTreeview1->setCurrentIndex(index);
        FolderTreeview1->scrollTo(index);
    }
    if (m_fileFolder != folder)
        setFileListFolder(folder);
}

void frmMain_BackUp::FolderTreeview1_NodeClick(const QModelIndex& current)
{
    if (current.isValid())
        setFileListFolder(m_folderModel->filePath(current));
}

void frmMain_BackUp::chkHiddenFolders_Click()
{
    if (m_folderModel)
        m_folderModel->setFilter(folderFilter());
    if (!m_fileFolder.isEmpty())
        setFileListFolder(m_fileFolder);
}

// ---- the source list ----------------------------------------------------------------------

int frmMain_BackUp::VerificaDup(const QString& Item)
{
    // Names differ by case on this system, so the test is exact; the index answers the
    // common case, a row that is not there, without a scan.
    if (!m_sourceIndex->contains(Item))
        return -1;
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text() == Item)
            return i;
    }
    return -1;
}

void frmMain_BackUp::showDuplicate(const QString& row, bool popMessage)
{
    if (popMessage)
        MsgBox(LangText(203) + QStringLiteral("\r\n\r\n") + row, MsgButtons::Ok,
               MsgIcon::Exclamation, AppName);
}

// A row the profile file could not hold, or one in the program's own archive folders, is
// refused with a word; a folder the exclusions name is left out silently.
bool frmMain_BackUp::refusedRow(const QString& row, const QString& folder)
{
    if (ProfileLoad::refusedLineBreak(row))
        return true;
    if (folder.isEmpty())
        return false;
    if (folder.contains(QStringLiteral("Backup_"), Qt::CaseInsensitive)) {
        txtNews->setText(LangText(360) + QLatin1Char(' ') + row);
        return true;
    }
    return File_DirExcluded(folder);
}

void frmMain_BackUp::appendRow(const QString& row)
{
    setListSelected(List1, listAddItem(List1, row), true);
}

void frmMain_BackUp::Add_to_List1(const QString& ItemToAdd, bool PopMessage)
{
    if (m_sourceIndex->contains(ItemToAdd))
        showDuplicate(ItemToAdd, PopMessage);
    else if (!refusedRow(ItemToAdd, rowFolder(ItemToAdd)))
        appendRow(ItemToAdd);
}

void frmMain_BackUp::AddSub(const QString& folder, bool WithSubs, bool PopMessage)
{
    ProfileLoad::FolderRows walk;
    walk.withSubs = WithSubs;
    walk.hidden = chkValue(chkHiddenFolders) == 1;
    walk.listed = [this](const QString& row) { return m_sourceIndex->contains(row); };
    walk.append = [this](const QString& row) { appendRow(row); };
    walk.duplicate = [this, PopMessage](const QString& row) { showDuplicate(row, PopMessage); };
    walk.archiveFolder = [this](const QString& row) { txtNews->setText(LangText(360) + QLatin1Char(' ') + row); };
    walk.step = [] { DoEvents(); };
    ProfileLoad::addFolderRows(folder, walk);
    List1->update();
    DoEvents();
}

void frmMain_BackUp::AddItem(bool OnlyFile, bool WithSubs, const QString& AddPath, bool PopMessage)
{
    const bool popMessage = PopMessage && chkValue(chkSelectionWarning) == 1;
    const QString path = AddPath.isEmpty() ? m_fileFolder : AddPath;
    if (path.isEmpty())
        return; // no folder chosen yet
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString folder = sFixDirString(path);
    if (OnlyFile)
        addSelectedFiles(folder, popMessage);
    else if (QFileInfo(folder).isDir())
        AddSub(folder, WithSubs, popMessage);
    QApplication::restoreOverrideCursor();
}

void frmMain_BackUp::addSelectedFiles(const QString& folder, bool popMessage)
{
    for (int i = 0; i < File1->count(); ++i) {
        if (!File1->item(i)->isSelected())
            continue;
        const QString row = folder + File1->item(i)->text();
        if (m_sourceIndex->contains(row))
            showDuplicate(row, popMessage);
        else if (!refusedRow(row, folder))
            appendRow(row);
    }
}

// ---- buttons ------------------------------------------------------------------------------

void frmMain_BackUp::cmdSelect_Click()
{
    for (int i = 0; i < List1->count(); ++i)
        setListSelected(List1, i, true);
}

void frmMain_BackUp::cmdUnselect_Click()
{
    for (int i = 0; i < List1->count(); ++i)
        setListSelected(List1, i, false);
}

namespace {

QList<int> rowsWhere(const QListWidget* list, const std::function<bool(int)>& wanted)
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        if (wanted(i))
            rows.append(i);
    }
    return rows;
}

} // namespace

// A tick means "back this up", so the command takes the highlighted rows; the ticked ones only
// go when nothing is highlighted and the user says so, since every new row is ticked.
void frmMain_BackUp::cmdExclude_Click()
{
    QList<int> rows = rowsWhere(List1, [this](int i) { return List1->item(i)->isSelected(); });
    if (rows.isEmpty()) {
        rows = rowsWhere(List1, [this](int i) { return listSelected(List1, i); });
        const QString question = LangText(362) + QStringLiteral("\r\n") + LangText(363)
                                 + QLatin1Char(' ') + QString::number(rows.size());
        if (rows.isEmpty()
            || MsgBox(question, MsgButtons::YesNo, MsgIcon::Question, LangText(23))
                   != MsgResult::Yes)
            return;
    }
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete List1->takeItem(*it);
}

void frmMain_BackUp::cmdDirPlus_Click() { AddItem(false, false, QString(), true); }

void frmMain_BackUp::cmdFilesPlus_Click() { AddItem(true, false, QString(), true); }

void frmMain_BackUp::File1_DblClick() { cmdFilesPlus_Click(); }

void frmMain_BackUp::cmdSubPlus_Click()
{
    if (chkValue(chkAddNewSub) == 1 && !m_fileFolder.isEmpty()) {
        const QString row = kAutoAddPrefix + m_fileFolder;
        int at = VerificaDup(row);
        if (at < 0 && !refusedRow(row, QString()))
            at = listAddItem(List1, row);
        setListSelected(List1, at, true);
    }
    AddItem(false, true, QString(), true);
}
