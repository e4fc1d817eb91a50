#pragma once

#include <QFileSystemModel>
#include <QListWidget>
#include <QStringList>
#include <QTest>
#include <QTreeView>

#include "FormControls.h"
#include "frmMain_BackUp.h"

// Helpers for tests of the main window's source list.
namespace TestSupport {

// The rows of a source list, each with "+" when selected and "-" when not.
inline QStringList listRows(const QListWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << (listSelected(list, i) ? QStringLiteral("+ ") : QStringLiteral("- "))
                    + list->item(i)->text();
    return rows;
}

// Chooses the folder in the window's folder tree as a user does; true once the file list
// shows it.
[[nodiscard]] inline bool chooseFolder(frmMain_BackUp& w, const QString& folder)
{
    auto* model = qobject_cast<QFileSystemModel*>(w.FolderTreeview1->model());
    w.FolderTreeview1->setCurrentIndex(model->index(folder));
    return QTest::qWaitFor([&] { return w.fileListFolder() == folder; });
}

} // namespace TestSupport
