#include "WorkingFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A folder in one spelling: cleaned, links resolved where the folder exists.
QString comparable(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

} // namespace

bool MayClearWorkingFiles(const QString& tempFolder, const QString& destination, QString* why)
{
    QString reason;
    const QString temp = comparable(tempFolder.trimmed());
    if (tempFolder.trimmed().isEmpty() || !tempFolder.trimmed().startsWith(QLatin1Char('/')))
        reason = QStringLiteral("the temp folder is no full path");
    else if (temp == QStringLiteral("/"))
        reason = QStringLiteral("the temp folder is the root");
    else if (!destination.trimmed().isEmpty()) {
        const QString dest = comparable(destination.trimmed());
        if (dest == temp || dest.startsWith(temp + QLatin1Char('/')))
            reason = QStringLiteral("the temp folder holds the destination folder");
    }
    if (why)
        *why = reason;
    return reason.isEmpty();
}
