#include "ProfileLoad.h"

#include <sys/stat.h>

#include <cmath>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

QStringList keys(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list.append(QString::fromLatin1(name));
    return list;
}

// Views of the running system, not data, and the file system's own repair folder.
bool systemFolder(const QString& folder)
{
    static const QStringList roots = {QStringLiteral("/proc/"), QStringLiteral("/sys/"),
                                      QStringLiteral("/dev/"), QStringLiteral("/run/")};
    return roots.contains(folder);
}

// Skipped with everything below them, whether they hold subfolders or not, so that an
// excluded folder is never backed up because it happens to be a leaf.
bool skippedFolder(const QString& folder)
{
    QString path = folder;
    const QString name = sParseLastDir(path);
    return name == QStringLiteral("?") || name == QStringLiteral("pagefile.sys")
        || name == QStringLiteral("Recycled") || name == QStringLiteral("lost+found")
        || systemFolder(folder) || File_DirExcluded(folder);
}

bool archiveFolder(const QString& folder)
{
    return folder.contains(QStringLiteral("Backup_"), Qt::CaseInsensitive);
}

struct FolderKey
{
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey& other) const
    {
        return device == other.device && inode == other.inode;
    }
};

size_t qHash(const FolderKey& key, size_t seed = 0)
{
    return qHashMulti(seed, quint64(key.device), quint64(key.inode));
}

void walkFolder(const QString& folder, const ProfileLoad::FolderRows& walk, QDir::Filters filters,
                QSet<FolderKey>& visited)
{
    struct stat info = {};
    if (skippedFolder(folder) || ::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return;
    const QString row = folder + QStringLiteral("*.*");
    if (archiveFolder(folder)) {
        if (!ProfileLoad::refusedLineBreak(row) && walk.archiveFolder)
            walk.archiveFolder(row);
        return;
    }
    const FolderKey key{info.st_dev, info.st_ino};
    if (visited.contains(key))
        return;
    visited.insert(key);
    if (walk.listed(row)) {
        if (walk.duplicate)
            walk.duplicate(row);
    } else if (!ProfileLoad::refusedLineBreak(row)) {
        walk.append(row);
    }
    if (walk.step)
        walk.step();
    if (!walk.withSubs)
        return;
    const QStringList subs = QDir(folder).entryList(filters, QDir::Name);
    for (const QString& sub : subs)
        walkFolder(folder + sub + QLatin1Char('/'), walk, filters, visited);
}

} // namespace

namespace ProfileLoad {

const QStringList& optionKeys()
{
    static const QStringList list = keys(
        {"chkWriteLog",       "chkSelectionWarning", "SldRatio",          "txtPathBackUp",
         "txtPathTemp",       "chkExclOldFiles",     "chkExclYoungFiles", "chkExclYoungDayFiles",
         "txtExclYoungDay",   "chkHiddenFolders",    "chkEncrypt",        "chkDeleteArchive",
         "txtDeleteArchive",  "txtMaxFiles",         "txtMaxZIPsize",     "chkMaxFiles",
         "chkMaxZIPsize",     "optNewOnly",          "optComplete",       "optBuMode0",
         "optBuMode1",        "optBuMode2",          "optArchive0",       "optArchive1",
         "optArchive2",       "chkSendEmail",        "chkFTP",            "chkMedia",
         "chkAppendArchive"});
    return list;
}

const QStringList& laterKeys()
{
    static const QStringList list = keys(
        {"optCompleteNoFilter", "chkAddNewSub", "DTPicker1", "DTPicker2", "chkSplit",
         "chkOverwriteFile", "chkInclSubDirStruct", "chkResetArchiveBit", "chkShutdown",
         "txtFTPdir", "chkRunBefore", "chkRunAfter", "txtPathBefore", "txtCommandlineBefore",
         "txtPathAfter", "txtCommandlineAfter"});
    return list;
}

const QStringList& deviceKeys()
{
    static const QStringList list = keys({"cboDevices", "cboWriteSpeed"});
    return list;
}

const QStringList& lastKeys()
{
    static const QStringList list = keys(
        {"chkUseCDRecorder", "chkUseBurnProof", "chkInclRegistry", "optRegistryTXT",
         "optRegistryREG", "chkInclOutlookE", "txtSourceSync", "txtDestinySync",
         "chkSyncBothDirections", "chkSyncSubDirs", "txtWaitSecondsBefore", "txtWaitSecondsAfter",
         "optWaitBefore0", "optWaitBefore1", "optWaitBefore2", "optWaitAfter3", "optWaitAfter4",
         "optWaitAfter5"});
    return list;
}

const QStringList& userKeys()
{
    static const QStringList list = keys(
        {"txtFTPserver", "txtFTPuser", "txtFTPpassword", "txtFTPrestoreDir", "txtFTPProxy",
         "txtFTPport", "chkProxy", "chkSystray", "chkStartWithWindow", "txtSpareSpace",
         "chkWinOnTop"});
    return list;
}

QDate clampedDate(const QDate& date)
{
    return qBound(QDate(1752, 9, 14), date, QDate(9999, 12, 31));
}

QString spareSpaceText(const QString& typed, bool* outOfRange)
{
    *outOfRange = false;
    double value = 0;
    if (!NumberText::isNumeric(typed, &value))
        return QStringLiteral("0");
    qint32 whole = 0;
    if (NumberText::toWhole32(value, &whole))
        return QString::number(whole);
    *outOfRange = true;
    return typed;
}

QString absoluteWholeText(const QString& typed)
{
    return QString::number(std::trunc(std::fabs(NumberText::leadingNumber(typed))), 'f', 0);
}

QString replacedNumberReport(const QString& key, const QString& stored, const QString& shown)
{
    double now = 0;
    double was = 0;
    if (shown == stored || !NumberText::isNumeric(shown, &now)
        || (NumberText::isNumeric(stored, &was) && was == now))
        return {};
    return QStringLiteral("the stored value of ") + key + QStringLiteral(" is refused by its box: \"")
           + stored + QStringLiteral("\", the box holds \"") + shown + QLatin1Char('"');
}

QString withoutTrailingSlash(const QString& path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

bool scheduledCdMode(const QString& profile)
{
    return g_bAutoRun
           && SettingsStore::getValue(SettingsKeys::profileScope(profile), QStringLiteral("Settings"),
                                      QStringLiteral("chkUseCDRecorder"))
                      .trimmed()
                  == QStringLiteral("1");
}

QString startProfile(int* standardCheck, QString* refused)
{
    const QString scope = SettingsKeys::userScope();
    const QString standard = SettingsStore::getValue(scope, QStringLiteral("Settings"),
                                                     QStringLiteral("chkProfileStandard"), QStringLiteral("0"));
    bool ok = false;
    const qint16 value = standard.trimmed().toShort(&ok);
    *standardCheck = ok && value >= 0 && value <= 2 ? value : -1;
    refused->clear();
    if (*standardCheck < 0)
        *refused = QStringLiteral("chkProfileStandard holds no check-box value: ") + standard;
    QString name = *standardCheck == 1
        ? QStringLiteral("Standard")
        : SettingsStore::getValue(scope, QStringLiteral("Settings"), QStringLiteral("ProfileText"),
                                  QStringLiteral("Standard"));
    if (name.trimmed().isEmpty())
        name = QStringLiteral("Standard");
    return name;
}

QStringList profileFiles()
{
    QStringList names = ListMatches(Paths::programFolder() + QStringLiteral("/*.pfl"), ListFilter::Plain);
    names.sort();
    return names;
}

QString listName(const QString& fileName)
{
    if (fileName.size() > 4 && SettingsKeys::validProfileName(fileName.chopped(4)))
        return fileName.chopped(4);
    return {};
}

QString lastLanguageFile()
{
    const QStringList names
        = ListMatches(Paths::commonFolder() + QStringLiteral("/language/*.lng"), ListFilter::Plain);
    return names.isEmpty() ? QString() : names.last();
}

void report(const QString& description, const QString& lastListed, int profileCount)
{
    ErrorMsg(true, AppName, ModulLabel("Load_Settings", "Quillaro_Sub"), 0, ErrNo::TypeMismatch,
             description);
    WriteErrorLog(lastListed, profileCount, QString(), QString(), QString(), QString(), QString(),
                  QString(), QString(), QString());
}

void reportIncompleteFile(const QString& file, const ProfileFileContent& content)
{
    ErrorMsg(true, AppName, ModulLabel("loadProfile", "Quillaro_Sub"), 0, ErrNo::DeviceIO,
             content.error + QStringLiteral(" (") + file + QLatin1Char(')'));
    MsgBox(LangText(376) + QStringLiteral("\n\n") + file + QStringLiteral(":\n") + content.error,
           MsgButtons::Ok, MsgIcon::Exclamation, AppName);
}

void addFolderRows(const QString& folder, const FolderRows& walk)
{
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    if (walk.hidden)
        filters |= QDir::Hidden;
    QSet<FolderKey> visited;
    walkFolder(sFixDirString(folder), walk, filters, visited);
}

bool refusedLineBreak(const QString& row)
{
    if (!row.contains(QLatin1Char('\n')) && !row.contains(QLatin1Char('\r')))
        return false;
    MsgBox(LangText(361) + QStringLiteral("\r\n\r\n") + row, MsgButtons::Ok, MsgIcon::Exclamation, AppName);
    return true;
}

} // namespace ProfileLoad
