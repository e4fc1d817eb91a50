// Building the source list of the main window.
#include "frmMain_BackUp.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "Events.h"
#include "FilterList.h"
#include "Globals.h"

namespace {

QString folderEntry(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + QStringLiteral("*.*")
                                             : folder + QStringLiteral("/*.*");
}

// Folders a backup never takes: the program's own archives and the system's leftovers.
bool skippedFolder(const QString& folder)
{
    QString path = folder;
    const QString name = QFileInfo(path).fileName();
    return folder.contains(QStringLiteral("Backup_"), Qt::CaseInsensitive)
        || name == QStringLiteral("Recycled") || name == QStringLiteral("pagefile.sys")
        || (!name.isEmpty()
            && MatchesFilterList(DirExclusionList, name.toUpper(),
                                 FormularLabel("AddItem", "frmMain_BackUp")));
}

} // namespace

void frmMain_BackUp::AddItem(bool OnlyFile, bool WithSubs, const QString& AddPath, bool PopMessage)
{
    Q_UNUSED(PopMessage); // the list is built without asking
    if (OnlyFile) {
        if (VerificaDup(AddPath) < 0
            && !AddPath.contains(QStringLiteral("Backup_"), Qt::CaseInsensitive))
            setListSelected(List1, listAddItem(List1, AddPath), true);
        return;
    }
    addFolderEntries(AddPath, WithSubs);
}

void frmMain_BackUp::addFolderEntries(const QString& folder, bool withSubs)
{
    if (skippedFolder(folder))
        return;
    const QString entry = folderEntry(folder);
    if (VerificaDup(entry) < 0)
        setListSelected(List1, listAddItem(List1, entry), true);
    if (!withSubs)
        return;
    const QFileInfoList subs = QDir(folder).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& sub : subs) {
        addFolderEntries(sub.filePath(), true);
        DoEvents();
    }
}
