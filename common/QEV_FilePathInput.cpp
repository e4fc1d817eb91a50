#include "QEV_FilePathInput.h"

#include <QDir>
#include <QFileInfo>

#include "WidgetDialogs.h"

QString BrowseForFolder(QWidget* owner, const QString& prompt, const QString& start,
                        const QString& root)
{
    QString from = start.isEmpty() ? root : start;
    if (from.isEmpty() || !QFileInfo(from).isDir())
        from = QDir::homePath();
    const QString chosen = WidgetDialogs::chooseFolder(owner, prompt, from);
    if (chosen.isEmpty())
        return {};
    return QDir::cleanPath(chosen);
}
