#include "Quillaro_FileSelect.h"

#include <cmath>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "Clock.h"
#include "FilterList.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "NumberText.h"
#include "RawFileNames.h"

QStringList g_sFoundFiles{QString()};

namespace {

const char* const kForm = "frmMain_BackUp";

// The last write as a calendar date in UTC, as the file's directory record gives it; an
// invalid date when the file is gone.
QDate lastWriteDate(const QString& path, const FileAttributes::FileStat* stat)
{
    if (stat) {
        if (stat->mode == 0)
            return {};
        // Floored to whole milliseconds, as QFileInfo gives the time.
        const qint64 ms = stat->mtimeNs / 1000000 - (stat->mtimeNs % 1000000 < 0 ? 1 : 0);
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).date();
    }
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toUTC().date() : QDate();
}

// The day count of txtExclYoungDay as a 32-bit whole number, halves to the even neighbour.
bool youngDayCount(const QString& text, int* days, QString* problem, int* number)
{
    double value = 0;
    if (!NumberText::isNumeric(text, &value)) {
        *number = ErrNo::TypeMismatch;
        *problem = QStringLiteral("day count is not a number: ") + text;
        return false;
    }
    qint32 whole = 0;
    if (!NumberText::toWhole32(value, &whole)) {
        *number = ErrNo::Overflow;
        *problem = QStringLiteral("day count out of range: ") + text;
        return false;
    }
    *days = whole;
    return true;
}

bool olderThanPicker(const QDate& written, const QDate& picker)
{
    return written.isValid() && written < picker;
}

bool youngerThanPicker(const QDate& written, const QDate& picker)
{
    return written.isValid() && written > picker;
}

bool youngerThanDays(const QDate& written, int days)
{
    return written.isValid() && written.daysTo(Clock::today()) < days;
}

// Whether the entry is listed as a file: no folder, no link that leads nowhere or to a folder.
bool listedAsFile(const QByteArray& folder, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return false;
    case DT_LNK:
    case DT_UNKNOWN: {
        const QByteArray path = folder + entry.d_name;
        struct stat st { };
        if (::stat(path.constData(), &st) == 0)
            return !S_ISDIR(st.st_mode);
        return entry.d_type == DT_UNKNOWN && ::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode);
    }
    default:
        return true;
    }
}

// The paths of the folder's entries listed as files, in the order the folder gives them, from
// one reading of it: the type comes with each name, so only links are looked at. Names that are
// not valid UTF-8 are passed over, as Qt's listings pass over them; those of entries other than
// folders go to *undecodable, written as RawFileNames::escaped gives them.
QStringList filesIn(const QString& folder, QStringList* undecodable)
{
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return {};
    QStringList paths;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (!name.isValidUtf8()) {
            if (undecodable && entry->d_type != DT_DIR)
                undecodable->append(folder + RawFileNames::escaped(name));
        } else if (listedAsFile(native, *entry)) {
            paths.append(folder + QString::fromUtf8(name));
        }
    }
    ::closedir(dir);
    return paths;
}

} // namespace

void Find_Files(const QString& pattern, QStringList* undecodable)
{
    if (pattern.size() < 3) {
        ReportError(FormularLabel("Find_Files", kForm), ErrNo::InvalidCall,
                    QStringLiteral("pattern too short: ") + pattern);
        return;
    }
    // "*.*" of the folder entry means every file, also those without a dot.
    const QStringList paths = filesIn(pattern.left(pattern.size() - 3), undecodable);
    if (paths.isEmpty()) {
        g_sFoundFiles.append(QString());
        return;
    }
    // The spare slot takes the first file, and a new one follows the last.
    g_sFoundFiles.removeLast();
    g_sFoundFiles.reserve(g_sFoundFiles.size() + paths.size() + 1);
    g_sFoundFiles.append(paths);
    g_sFoundFiles.append(QString());
}

bool File_Filter(const QString& path, const FileFilterOptions& options,
                 const FileAttributes::FileStat* stat)
{
    if (path.isEmpty())
        return true;
    if (options.optCompleteNoFilter)
        return false;
    if (File_Excluded(path))
        return true;
    if (!options.chkExclOldFiles && !options.chkExclYoungFiles && !options.chkExclYoungDayFiles)
        return false;
    const QDate written = lastWriteDate(path, stat);
    if (options.chkExclOldFiles && olderThanPicker(written, options.DTPicker1))
        return true;
    if (options.chkExclYoungFiles && youngerThanPicker(written, options.DTPicker2))
        return true;
    if (options.chkExclYoungDayFiles) {
        int days = 0;
        int number = 0;
        QString problem;
        if (!youngDayCount(options.txtExclYoungDay, &days, &problem, &number)) {
            // A filter that cannot be evaluated leaves the file out rather than let it through.
            ReportError(FormularLabel("File_Filter", kForm), number, problem);
            return true;
        }
        if (youngerThanDays(written, days))
            return true;
    }
    return false;
}

QString shorten_path(const QString& TmpStr, int NewPathLen)
{
    if (TmpStr.size() <= NewPathLen)
        return TmpStr;
    const qsizetype p = TmpStr.indexOf(QLatin1Char('/'), 3) + 1; // 0 when there is none
    if (p > NewPathLen - 3) {
        ReportError(FormularLabel("shorten_path", kForm), ErrNo::InvalidCall,
                    QStringLiteral("path head longer than %1 characters: ").arg(NewPathLen)
                        + TmpStr);
        return {};
    }
    return TmpStr.left(p) + QStringLiteral("...") + TmpStr.right(NewPathLen - 3 - p);
}
