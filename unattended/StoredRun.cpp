#include "StoredRun.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "CdRecorder.h"
#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ProfileFile.h"
#include "ProfileLoad.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "RunState.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Switches.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

// Option buttons of which at most one is selected, as the window groups them.
const QList<QStringList>& optionGroups()
{
    static const QList<QStringList> groups = {
        {QStringLiteral("optBuMode0"), QStringLiteral("optBuMode1"), QStringLiteral("optBuMode2")},
        {QStringLiteral("optArchive0"), QStringLiteral("optArchive1"), QStringLiteral("optArchive2")},
        {QStringLiteral("optNewOnly"), QStringLiteral("optComplete"), QStringLiteral("optCompleteNoFilter")},
        {QStringLiteral("optWaitBefore0"), QStringLiteral("optWaitBefore1"), QStringLiteral("optWaitBefore2")},
        {QStringLiteral("optWaitAfter3"), QStringLiteral("optWaitAfter4"), QStringLiteral("optWaitAfter5")},
        {QStringLiteral("optRegistryTXT"), QStringLiteral("optRegistryREG")}};
    return groups;
}

// The boxes that put their text right at each change.
bool wholeNumberBox(const QString& key)
{
    return key == QStringLiteral("txtExclYoungDay") || key == QStringLiteral("txtWaitSecondsBefore")
           || key == QStringLiteral("txtWaitSecondsAfter");
}

// What the window's controls hold, from the blank state of a new window on, as one load of a
// profile writes them.
class Controls
{
public:
    explicit Controls(QString profile)
        : m_profile(std::move(profile))
    {
    }

    // The load lists the language files and then the profile files; its reports name the last
    // file listed and the number of profiles in the list.
    void listProfiles()
    {
        m_lastListed = ProfileLoad::lastLanguageFile();
        m_profileCount = 1;
        for (const QString& file : ProfileLoad::profileFiles()) {
            m_lastListed = file;
            const QString name = ProfileLoad::listName(file);
            if (!name.isEmpty() && name != QStringLiteral("Standard"))
                ++m_profileCount;
        }
    }

    void loadProfileKeys(const QStringList& names)
    {
        for (const QString& name : names)
            load(SettingsKeys::find(name), false);
    }
    void loadProfileKey(const char* name) { loadProfileKeys({QString::fromLatin1(name)}); }
    void loadUserKey(const QString& name) { load(SettingsKeys::find(name), true); }

    [[nodiscard]] int check(const char* key) const { return m_checks.value(QString::fromLatin1(key)); }
    [[nodiscard]] bool ticked(const char* key) const { return check(key) == 1; }
    void setCheck(const char* key, int value) { m_checks.insert(QString::fromLatin1(key), value); }
    [[nodiscard]] bool option(const char* key) const { return m_options.value(QString::fromLatin1(key)); }
    [[nodiscard]] QString text(const char* key) const { return m_texts.value(QString::fromLatin1(key)); }
    [[nodiscard]] QDate date(const char* key) const
    {
        return m_dates.value(QString::fromLatin1(key), QDate(2000, 1, 1));
    }
    [[nodiscard]] int level() const { return m_level; }
    [[nodiscard]] qint16 cdDevice() const { return m_cdDevice; }
    [[nodiscard]] qint16 cdSpeed() const { return m_cdSpeed; }

    void report(const QString& description) const
    {
        ProfileLoad::report(description, m_lastListed, m_profileCount);
    }

private:
    QString storedValue(const SettingKey& key, bool userScope) const
    {
        if (userScope)
            return SettingsStore::getValue(SettingsKeys::userScope(), kSettings, key.key, key.defaultValue);
        // A profile name that would reach another scope reads the defaults.
        if (!SettingsKeys::validProfileName(m_profile))
            return key.defaultValue;
        return SettingsStore::getValue(SettingsKeys::profileScope(m_profile), kSettings, key.key,
                                       key.defaultValue);
    }

    void load(const SettingKey& key, bool userScope)
    {
        const QString stored = storedValue(key, userScope);
        if (!write(key, stored)) {
            report(QStringLiteral("the stored value of ") + key.key + QStringLiteral(" does not convert: \"")
                   + stored + QLatin1Char('"'));
            return;
        }
        if (key.kind == KeyKind::Text) {
            const QString replaced = ProfileLoad::replacedNumberReport(key.key, stored, m_texts.value(key.key));
            if (!replaced.isEmpty())
                report(replaced);
        }
    }

    bool write(const SettingKey& key, const QString& stored)
    {
        switch (key.kind) {
        case KeyKind::Check: {
            int value = 0;
            if (!SettingsKeys::parseCheck(stored, &value))
                return false;
            m_checks.insert(key.key, value);
            return true;
        }
        case KeyKind::Option: {
            bool selected = false;
            if (!SettingsKeys::parseOption(stored, &selected))
                return false;
            setOption(key.key, selected);
            return true;
        }
        case KeyKind::Text:
            setText(key.key, stored.left(ProfileLoad::kMaxTextLength));
            return true;
        case KeyKind::Slider: {
            int value = 0;
            if (!SettingsKeys::parseInt(stored, &value))
                return false;
            m_level = qBound(ProfileLoad::kLevelMin, value, ProfileLoad::kLevelMax);
            return true;
        }
        case KeyKind::Date: {
            QDate date;
            if (!SettingsKeys::parseDate(stored, &date))
                return false;
            m_dates.insert(key.key, ProfileLoad::clampedDate(date));
            return true;
        }
        case KeyKind::ListPosition:
            return SettingsKeys::parseShort(stored, key.key == QStringLiteral("cboDevices") ? &m_cdDevice : &m_cdSpeed);
        }
        return false;
    }

    void setOption(const QString& key, bool selected)
    {
        // Choosing the file copy ticks the destination folder.
        if (selected && !m_options.value(key) && key == QStringLiteral("optBuMode1"))
            m_checks.insert(QStringLiteral("chkMedia"), 1);
        if (selected) {
            for (const QStringList& group : optionGroups()) {
                if (group.contains(key))
                    for (const QString& other : group)
                        m_options.insert(other, false);
            }
        }
        m_options.insert(key, selected);
    }

    // A box's handlers run only when its text changes.
    void setText(const QString& key, const QString& text)
    {
        if (m_texts.value(key) == text)
            return;
        m_texts.insert(key, text);
        if (key == QStringLiteral("txtSpareSpace")) {
            bool outOfRange = false;
            const QString normalised = ProfileLoad::spareSpaceText(text, &outOfRange);
            if (outOfRange)
                ReportError(FormularLabel("txtSpareSpace_Change", "frmMain_BackUp"), ErrNo::Overflow,
                            QStringLiteral("the spare space is out of range: ") + text);
            setText(key, normalised);
        } else if (wholeNumberBox(key)) {
            setText(key, ProfileLoad::absoluteWholeText(text));
        }
    }

    QString m_profile;
    QString m_lastListed;
    int m_profileCount = 0;
    QHash<QString, int> m_checks;
    QHash<QString, bool> m_options;
    QHash<QString, QString> m_texts;
    QHash<QString, QDate> m_dates;
    int m_level = 0;
    qint16 m_cdDevice = 0;
    qint16 m_cdSpeed = 0;
};

void loadPatternLists(Controls& c)
{
    c.loadProfileKey("txtExclusions");
    ExclusionList = CutPatternList(c.text("txtExclusions"), true);
    c.loadProfileKey("txtDirExclusions");
    DirExclusionList = CutPatternList(c.text("txtDirExclusions"), false);
    c.loadProfileKey("txtInclusions");
    InclusionList = CutPatternList(c.text("txtInclusions"), true);
}

void loadOptions(Controls& c)
{
    loadPatternLists(c);
    c.loadProfileKey("chkRemeberPassword");
    if (c.ticked("chkRemeberPassword"))
        c.loadProfileKey("txtEncryptPassword");
    c.loadProfileKeys(ProfileLoad::optionKeys());
    // A file copy always goes to the destination folder or the recorder.
    if (c.option("optBuMode1"))
        c.setCheck("chkMedia", 1);
    c.loadProfileKeys(ProfileLoad::laterKeys());
    c.loadProfileKeys(ProfileLoad::deviceKeys());
    c.loadProfileKeys(ProfileLoad::lastKeys());
}

// The source list as the window fills it: saved rows first (the first of a text counts),
// then each auto-add row with the subfolders it names.
class SourceList
{
public:
    void add(const QString& text, bool selected)
    {
        m_rows.append({text, selected});
        m_index.insert(text);
    }
    [[nodiscard]] int find(const QString& text) const
    {
        if (!m_index.contains(text))
            return -1;
        for (int i = 0; i < m_rows.size(); ++i)
            if (m_rows.at(i).text == text)
                return i;
        return -1;
    }
    void setSelected(int row, bool selected) { m_rows[row].selected = selected; }
    [[nodiscard]] const QList<SourceRow>& rows() const { return m_rows; }

private:
    QList<SourceRow> m_rows;
    QSet<QString> m_index;
};

void addAutoAddRow(SourceList& list, const ProfileRow& row, bool hidden)
{
    const int earlier = list.find(row.text);
    list.add(row.text, false);
    list.setSelected(earlier >= 0 ? earlier : int(list.rows().size()) - 1, row.selected);
    if (!row.selected || row.autoAddFolder().isEmpty() || !QFileInfo(sFixDirString(row.autoAddFolder())).isDir())
        return;
    ProfileLoad::FolderRows walk;
    walk.withSubs = true;
    walk.hidden = hidden;
    walk.listed = [&list](const QString& text) { return list.find(text) >= 0; };
    walk.append = [&list](const QString& text) { list.add(text, true); };
    ProfileLoad::addFolderRows(row.autoAddFolder(), walk);
}

QList<SourceRow> sourceRows(const QString& profile, const Controls& c)
{
    const QString file = ProfileFile::path(profile);
    if (!SettingsKeys::validProfileName(profile) || !QFileInfo::exists(file))
        return {};
    const ProfileFileContent content = ProfileFile::read(file);
    SourceList list;
    QList<ProfileRow> autoAdds;
    for (const ProfileRow& row : content.rows) {
        if (row.isAutoAdd())
            autoAdds.append(row);
        else if (list.find(row.text) < 0)
            list.add(row.text, row.selected);
    }
    if (c.ticked("chkAddNewSub"))
        for (const ProfileRow& row : autoAdds)
            addAutoAddRow(list, row, c.ticked("chkHiddenFolders"));
    if (!content.complete)
        ProfileLoad::reportIncompleteFile(file, content);
    return list.rows();
}

QString cdLabel() { return FormularLabel("chkUseCDRecorder_Click", "frmMain_BackUp"); }

// A list position the profile saved that the list does not hold is reported and left alone.
bool inList(int index, int count, const char* list)
{
    if (index >= 0 && index < count)
        return true;
    ReportError(cdLabel(), ErrNo::InvalidCall,
                QStringLiteral("the saved list position ") + QString::number(index) + QStringLiteral(" of ")
                    + QString::fromLatin1(list) + QStringLiteral(" is not in the list"));
    return false;
}

// Choosing a writer offers its speeds and takes the first; the profile's speed follows.
int chooseDevice(CdRecorder& cd, int index)
{
    if (!cd.selectDevice(index) && cd.busy())
        return 0;
    const QList<int> factors = CdRecorder::speedFactors(cd.writer().maxWriteSpeed());
    if (!factors.isEmpty())
        cd.writer().setWriteSpeed(factors.first());
    return qMax(1, int(factors.size()));
}

void chooseSpeed(CdRecorder& cd, int index)
{
    const QList<int> factors = CdRecorder::speedFactors(cd.writer().maxWriteSpeed());
    if (index < factors.size())
        cd.writer().setWriteSpeed(factors.at(index));
}

// CD mode stays on only where a writer is there; the profile's writer and speed are chosen.
void chooseWriter(Controls& c, CdRecorder& cd)
{
    if (!c.ticked("chkUseCDRecorder")) {
        c.setCheck("chkUseCDRecorder", 0);
        return;
    }
    const int devices = cd.busy() ? 0 : int(cd.deviceEntries(false).size());
    if (devices == 0) {
        MsgBox(QStringLiteral("There are no compatible CDR drives reported.\nSome older CDR drives are not currently supported."),
               MsgButtons::Ok, MsgIcon::Information, AppName);
        c.setCheck("chkUseCDRecorder", 0);
        return;
    }
    int speeds = chooseDevice(cd, 0);
    if (inList(c.cdDevice(), devices, "cboDevices"))
        speeds = chooseDevice(cd, c.cdDevice());
    if (inList(c.cdSpeed(), speeds, "cboWriteSpeed"))
        chooseSpeed(cd, c.cdSpeed());
    c.setCheck("chkAppendArchive", 0);
}

RunProgram program(const Controls& c, const char* check, const char* path, const char* arguments,
                   const char* doNotWait, const char* waitForExit, const char* seconds)
{
    const WaitMode wait = c.option(doNotWait) ? WaitMode::DoNotWait
                          : c.option(waitForExit) ? WaitMode::WaitForExit
                                                  : WaitMode::WaitSeconds;
    return {c.ticked(check), c.text(path), c.text(arguments), wait, c.text(seconds)};
}

void readDestination(const Controls& c, RunOptions& o)
{
    o.media = c.ticked("chkMedia");
    o.ftp = c.ticked("chkFTP");
    o.sendEmail = c.ticked("chkSendEmail");
    o.cdRecorder = c.ticked("chkUseCDRecorder") || ProfileLoad::scheduledCdMode(o.profile);
    o.burnProof = c.ticked("chkUseBurnProof");
    o.pathBackUp = ProfileLoad::withoutTrailingSlash(c.text("txtPathBackUp"));
    o.pathTemp = c.text("txtPathTemp");
    o.spareSpace = c.text("txtSpareSpace");
    o.ftpSettings = {c.text("txtFTPserver"), c.text("txtFTPport"), c.text("txtFTPuser"),
                     c.text("txtFTPpassword"), c.text("txtFTPdir"), c.check("chkProxy"),
                     c.text("txtFTPProxy")};
}

void readArchive(const Controls& c, RunOptions& o)
{
    o.period = c.option("optArchive2")   ? ArchivePeriod::Monthly
               : c.option("optArchive1") ? ArchivePeriod::Weekly
                                         : ArchivePeriod::Daily;
    o.maxZipSize = c.text("txtMaxZIPsize");
    o.limitZipSize = c.ticked("chkMaxZIPsize");
    o.limitFiles = c.ticked("chkMaxFiles");
    o.maxFiles = c.text("txtMaxFiles");
    o.split = c.ticked("chkSplit");
    o.overwriteFile = c.ticked("chkOverwriteFile");
    o.level = c.level();
    o.writeLog = c.ticked("chkWriteLog");
    o.appendArchive = c.ticked("chkAppendArchive");
    o.encrypt = c.ticked("chkEncrypt");
    o.password = c.text("txtEncryptPassword");
    o.deleteArchive = c.ticked("chkDeleteArchive");
    o.deleteArchiveDays = c.text("txtDeleteArchive");
    o.resetArchiveBit = c.ticked("chkResetArchiveBit");
    o.inclRegistry = c.ticked("chkInclRegistry");
    o.registryAsText = c.option("optRegistryTXT");
}

void readFilters(const Controls& c, RunOptions& o)
{
    o.selection = c.option("optNewOnly")            ? SelectionMode::NewOnly
                  : c.option("optCompleteNoFilter") ? SelectionMode::CompleteNoFilter
                                                    : SelectionMode::Complete;
    o.hiddenFiles = c.ticked("chkHiddenFolders");
    o.inclSubDirStruct = c.ticked("chkInclSubDirStruct");
    FileFilterOptions& f = o.filters;
    f.optCompleteNoFilter = o.selection == SelectionMode::CompleteNoFilter;
    f.chkExclOldFiles = c.ticked("chkExclOldFiles");
    f.DTPicker1 = c.date("DTPicker1");
    f.chkExclYoungFiles = c.ticked("chkExclYoungFiles");
    f.DTPicker2 = c.date("DTPicker2");
    f.chkExclYoungDayFiles = c.ticked("chkExclYoungDayFiles");
    f.txtExclYoungDay = c.text("txtExclYoungDay");
}

RunOptions runOptions(const QString& profile, const Controls& c, QList<SourceRow> sources)
{
    RunOptions o;
    o.profile = profile;
    o.mode = c.option("optBuMode2")   ? BackupMode::FileSync
             : c.option("optBuMode1") ? BackupMode::FileCopy
                                      : BackupMode::ZipArchive;
    o.sources = std::move(sources);
    readDestination(c, o);
    readArchive(c, o);
    readFilters(c, o);
    o.before = program(c, "chkRunBefore", "txtPathBefore", "txtCommandlineBefore", "optWaitBefore0",
                       "optWaitBefore1", "txtWaitSecondsBefore");
    o.after = program(c, "chkRunAfter", "txtPathAfter", "txtCommandlineAfter", "optWaitAfter5",
                      "optWaitAfter4", "txtWaitSecondsAfter");
    o.shutdown = c.ticked("chkShutdown");
    o.sourceSync = c.text("txtSourceSync");
    o.destinySync = c.text("txtDestinySync");
    o.syncBothDirections = c.ticked("chkSyncBothDirections");
    o.syncSubDirs = c.ticked("chkSyncSubDirs");
    return o;
}

} // namespace

namespace StoredRuns {

QString startProfile()
{
    int standard = -1;
    QString refused;
    const QString profile = ProfileLoad::startProfile(&standard, &refused);
    if (standard < 0)
        ReportError(FormularLabel("Form_Load", "frmMain_BackUp"), ErrNo::TypeMismatch, refused);
    return profile.trimmed();
}

QString namedProfile(const QString& wanted, const QString& start)
{
    QStringList names{QStringLiteral("Standard")};
    for (const QString& file : ProfileLoad::profileFiles()) {
        const QString name = ProfileLoad::listName(file);
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    // The start profile may have no file yet; it is there all the same.
    if (!names.contains(start))
        names.append(start);
    const int match = MatchProfile(names, wanted);
    return match < 0 ? QString() : names.at(match);
}

StoredRun load(const QString& profile, CdRecorder& cd, RunLock& lock)
{
    Controls c(profile);
    c.loadUserKey(QStringLiteral("chkSound"));
    c.listProfiles();
    if (!SettingsKeys::validProfileName(profile))
        c.report(QStringLiteral("the profile name is refused, its options load as defaults: \"") + profile
                 + QLatin1Char('"'));
    loadOptions(c);
    QList<SourceRow> sources = sourceRows(profile, c);
    for (const QString& key : ProfileLoad::userKeys())
        c.loadUserKey(key);
    chooseWriter(c, cd);
    ClearWorkingFilesAtLoad(c.text("txtPathTemp"), c.text("txtPathBackUp"), profile, lock);
    StoredRun run;
    run.options = runOptions(profile, c, std::move(sources));
    run.sound = c.ticked("chkSound");
    run.cdDevice = c.cdDevice();
    run.cdSpeed = c.cdSpeed();
    return run;
}

} // namespace StoredRuns
