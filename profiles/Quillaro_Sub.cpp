#include "Quillaro_Sub.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMovie>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include "Events.h"
#include "FileAttributes.h"
#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "ProfileLoad.h"
#include "ProfileName.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "MessageBox.h"
#include "QEV_PlaySound.h"
#include "RunLock.h"
#include "RunState.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "Statistics.h"
#include "WorkingFiles.h"
#include "frmMain_BackUp.h"

namespace {

const char* const kModule = "Quillaro_Sub";
const QString kSettings = QStringLiteral("Settings");

struct LoadState
{
    bool active = false;
    bool pending = false;
    QString profile; // the profile the running load reads, whatever the box shows meanwhile
    QString lastListed; // the file name last returned by a folder listing
};

LoadState& loadState()
{
    static LoadState state;
    return state;
}

QSet<QString>& failedProfileLoads()
{
    static QSet<QString> failed;
    return failed;
}

frmMain_BackUp* window() { return g_frmMain; }

QString currentProfile()
{
    return loadState().active ? loadState().profile : window()->cmbProfiles->currentText();
}

void reportLoad(const QString& description)
{
    ProfileLoad::report(description, loadState().lastListed, window()->cmbProfiles->count());
}

void reportSave(const QString& description)
{
    ErrorMsg(true, AppName, ModulLabel("Save_Settings", kModule), 0, ErrNo::InvalidCall,
             description);
}

// ---- controls by key ----------------------------------------------------------------------

template <typename T>
T* control(const SettingKey& key)
{
    return window()->findChild<T*>(key.control);
}

QString readControl(const SettingKey& key)
{
    switch (key.kind) {
    case KeyKind::Check:
        return SettingsKeys::checkText(chkValue(control<QCheckBox>(key)));
    case KeyKind::Option:
        return SettingsKeys::optionText(control<QRadioButton>(key)->isChecked());
    case KeyKind::Text: {
        // A text its box refused leaves the last good value in the store.
        const QLineEdit* box = control<QLineEdit>(key);
        const QVariant good = box->property("lastGoodText");
        return good.isValid() ? good.toString() : box->text();
    }
    case KeyKind::Slider:
        return QString::number(control<QSlider>(key)->value());
    case KeyKind::Date:
        return SettingsKeys::dateText(control<QDateEdit>(key)->date());
    case KeyKind::ListPosition:
        return QString::number(control<QComboBox>(key)->currentIndex());
    }
    return {};
}

bool writeCheckOrOption(const SettingKey& key, const QString& text)
{
    if (key.kind == KeyKind::Check) {
        int value = 0;
        return SettingsKeys::parseCheck(text, &value)
            && setChkValue(control<QCheckBox>(key), value);
    }
    bool selected = false;
    if (!SettingsKeys::parseOption(text, &selected))
        return false;
    setOptValue(control<QRadioButton>(key), selected);
    return true;
}

bool writeControl(const SettingKey& key, const QString& text)
{
    switch (key.kind) {
    case KeyKind::Check:
    case KeyKind::Option:
        return writeCheckOrOption(key, text);
    case KeyKind::Text:
        control<QLineEdit>(key)->setProperty("lastGoodText", QVariant());
        control<QLineEdit>(key)->setText(text);
        return true;
    case KeyKind::Slider: {
        int value = 0;
        if (!SettingsKeys::parseInt(text, &value))
            return false;
        control<QSlider>(key)->setValue(value);
        return true;
    }
    case KeyKind::Date: {
        QDate date;
        if (!SettingsKeys::parseDate(text, &date))
            return false;
        control<QDateEdit>(key)->setDate(date);
        return true;
    }
    case KeyKind::ListPosition:
        return SettingsKeys::parseShort(
            text, key.key == QStringLiteral("cboDevices") ? &g_iCdDevice : &g_iCdSpeed);
    }
    return false;
}

// ---- loading ------------------------------------------------------------------------------

// A profile name that would reach another scope reads the defaults and touches nothing.
QString profileValue(const SettingKey& key)
{
    const QString profile = loadState().profile;
    if (!SettingsKeys::validProfileName(profile))
        return key.defaultValue;
    return SettingsStore::getValue(SettingsKeys::profileScope(profile), kSettings, key.key,
                                   key.defaultValue);
}

// A number box puts its own number in place of a stored text it refuses; the run would go
// ahead with that number, so the load names the key and the value the box did not take.
void reportReplacedNumber(const SettingKey& key, const QString& stored)
{
    const QString report
        = ProfileLoad::replacedNumberReport(key.key, stored, control<QLineEdit>(key)->text());
    if (!report.isEmpty())
        reportLoad(report);
}

void loadKey(const QString& name, bool userScope)
{
    const SettingKey key = SettingsKeys::find(name);
    const QString text = userScope
        ? SettingsStore::getValue(SettingsKeys::userScope(), kSettings, key.key, key.defaultValue)
        : profileValue(key);
    if (!writeControl(key, text))
        reportLoad(QStringLiteral("the stored value of ") + key.key
                   + QStringLiteral(" does not convert: \"") + text + QLatin1Char('"'));
    else if (key.kind == KeyKind::Text)
        reportReplacedNumber(key, text);
}

void loadProfileKeys(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        loadKey(QString::fromLatin1(name), false);
}

void loadProfileKeys(const QStringList& names)
{
    for (const QString& name : names)
        loadKey(name, false);
}

void loadUserKeys(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        loadKey(QString::fromLatin1(name), true);
}

void loadUserKeys(const QStringList& names)
{
    for (const QString& name : names)
        loadKey(name, true);
}

void lockWindow()
{
    frmMain_BackUp* w = window();
    w->RtbNews1->setPlainText(LangText(2));
    w->TimerRT->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    w->Frame7->setVisible(false);
    const QString clip = Paths::commonFolder() + QStringLiteral("/avi/findcomp.gif");
    if (QFileInfo::exists(clip)) {
        auto* movie = new QMovie(clip, {}, w->Animation1);
        w->Animation1->setMovie(movie);
        movie->start();
    }
    w->Animation1->setVisible(true);
    w->SSTab1->setEnabled(false);
    w->tbTools->setEnabled(false);
    w->repaint();
}

void unlockWindow()
{
    frmMain_BackUp* w = window();
    QApplication::restoreOverrideCursor();
    if (QMovie* movie = w->Animation1->movie()) {
        movie->stop();
        w->Animation1->setMovie(nullptr);
        movie->deleteLater();
    }
    w->Animation1->setVisible(false);
    w->Frame7->setVisible(!w->optBuMode(2)->isChecked());
    w->SSTab1->setEnabled(true);
    w->tbTools->setEnabled(true);
    w->RtbNews1->setPlainText(LangText(3));
}

void speakIfWanted(const QString& text)
{
    if (chkValue(window()->chkSound) == 1)
        (void)SpeakText(text);
}

// Without a sound device the box stays clear; the device is looked for only when sound is wanted.
void loadSound()
{
    loadUserKeys({"chkSound"});
    if (chkValue(window()->chkSound) == 1 && !SoundOn()) {
        (void)setChkValue(window()->chkSound, 0);
        return;
    }
    speakIfWanted(LangText(2));
}

void fillLanguageList()
{
    QComboBox* list = window()->cmbLanguage;
    list->clear();
    const QStringList names
        = ListMatches(Paths::commonFolder() + QStringLiteral("/language/*.lng"), ListFilter::Plain);
    int current = -1;
    for (const QString& name : names) {
        loadState().lastListed = name;
        list->addItem(name.chopped(4));
        if (name.chopped(4) == g_Language)
            current = list->count() - 1;
        DoEvents();
    }
    // The box would choose its first entry by itself; only the language in use is chosen.
    list->setCurrentIndex(current);
}

// Names the list cannot use (".pfl" alone, names that leave the folder) are passed over.
// "Standard" is always there, with or without a selection file, so that it can be chosen back.
void fillProfileList()
{
    add_profile(QStringLiteral("Standard"), window()->cmbProfiles->count());
    for (const QString& name : ProfileLoad::profileFiles()) {
        loadState().lastListed = name;
        const QString listed = ProfileLoad::listName(name);
        if (!listed.isEmpty())
            add_profile(listed, window()->cmbProfiles->count());
        DoEvents();
    }
}

void loadPatternLists()
{
    loadProfileKeys({"txtExclusions"});
    load_backup_exclusions();
    loadProfileKeys({"txtDirExclusions"});
    load_backup_DirExclusions();
    loadProfileKeys({"txtInclusions"});
    load_backup_inclusions();
}

void loadPassword()
{
    loadProfileKeys({"chkRemeberPassword"});
    if (chkValue(window()->chkRemeberPassword) == 1)
        loadProfileKeys({"txtEncryptPassword"});
}

void applyModeLayout()
{
    for (int index = 0; index <= 2; ++index) {
        if (window()->optBuMode(index)->isChecked())
            window()->optBuMode_Click(index);
    }
}

void loadProfileOptions()
{
    loadPatternLists();
    loadPassword();
    loadProfileKeys(ProfileLoad::optionKeys());
    applyModeLayout();
    loadProfileKeys(ProfileLoad::laterKeys());
    loadProfileKeys(ProfileLoad::deviceKeys());
    loadProfileKeys(ProfileLoad::lastKeys());
}

// Finished archives never lie where the clean-up looks. Only the loaded profile's own working
// files go, and not while a run of it (in this window or a scheduled one) is using them.
void clearWorkingFiles()
{
    ClearWorkingFilesAtLoad(window()->txtPathTemp->text(), window()->txtPathBackUp->text(),
                            loadState().profile);
}

void loadOnce()
{
    lockWindow();
    loadSound();
    fillLanguageList();
    fillProfileList();
    if (!SettingsKeys::validProfileName(loadState().profile))
        reportLoad(QStringLiteral("the profile name is refused, its options load as defaults: \"")
                   + loadState().profile + QLatin1Char('"'));
    loadProfileOptions();
    loadProfile(loadState().profile);
    loadUserKeys(ProfileLoad::userKeys());
    DoEvents();
    // Only the window shows them, and an unattended run counts none.
    if (!MessageBoxSeam::isUnattended())
        load_statistics();
    window()->chkUseCDRecorder_Click();
    clearWorkingFiles();
    unlockWindow();
}

// ---- saving -------------------------------------------------------------------------------

void saveGeometry()
{
    frmMain_BackUp* w = window();
    if (w->WindowState() == 1)
        return;
    const QString scope = SettingsKeys::userScope();
    const QString data = QStringLiteral("Data");
    SettingsStore::saveValue(scope, data, QStringLiteral("MainLeft"),
                             QString::number(pixelsToTwips(w->x())));
    SettingsStore::saveValue(scope, data, QStringLiteral("MainTop"),
                             QString::number(pixelsToTwips(w->y())));
    SettingsStore::saveValue(scope, data, QStringLiteral("MainWidth"),
                             QString::number(pixelsToTwips(w->width())));
    SettingsStore::saveValue(scope, data, QStringLiteral("MainHeight"),
                             QString::number(pixelsToTwips(w->height())));
}

void saveIdentity()
{
    const QString common = SettingsKeys::commonScope();
    SettingsStore::saveValue(common, g_User, QStringLiteral("txtUserName"), QString());
    SettingsStore::saveValue(common, g_User, QStringLiteral("txtUserEmail"), QString());
    SettingsStore::saveValue(SettingsKeys::machineScope(), kSettings,
                             QStringLiteral("ProgramVersion"), g_ProgramVersion);
}

void saveUserKeys()
{
    for (const SettingKey& key : SettingsKeys::userKeys()) {
        const QString value = key.key == QStringLiteral("ProfileText")
            ? window()->cmbProfiles->currentText()
            : readControl(key);
        SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, key.key, value);
    }
}

void saveProfileKeys(const QString& profile)
{
    const QString scope = SettingsKeys::profileScope(profile);
    const bool remember = chkValue(window()->chkRemeberPassword) == 1;
    for (const SettingKey& key : SettingsKeys::profileKeys()) {
        QString value = readControl(key);
        if (key.key == QStringLiteral("txtEncryptPassword") && !remember)
            value.clear();
        SettingsStore::saveValue(scope, kSettings, key.key, value);
    }
}

// A profile that is there keeps the name it has; a new one takes a name the rule allows.
bool mayStoreProfile(const QString& profile, QString* why = nullptr)
{
    if (!SettingsKeys::validProfileName(profile, why))
        return false;
    if (window()->cmbProfiles->findText(profile, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0
        || QFileInfo::exists(ProfileFile::path(profile)))
        return true;
    return ProfileName::isAllowed(profile, why);
}

// ---- statistics ---------------------------------------------------------------------------

const char* const kStatisticsKeys[]
    = {"lblTotalSizeOfArchives", "lblNumberOfBackups", "lblLastBackupDate", "lblAverageBuTime",
       "lblTotalNumOfFiles"};

QLabel* statisticsLabel(const char* key)
{
    return window()->findChild<QLabel*>(QString::fromLatin1(key));
}

void storeStatistic(const char* key, const QString& value)
{
    const QString profile = currentProfile();
    if (SettingsKeys::validProfileName(profile))
        SettingsStore::saveValue(SettingsKeys::profileScope(profile), kSettings,
                                 QString::fromLatin1(key), value);
}

bool foldStatistics(QString* error)
{
    frmMain_BackUp* w = window();
    QString value;
    if (!Statistics::addSize(w->lblTotalSizeOfArchives->text(), w->txtTotalSize->text(), &value,
                             error))
        return false;
    w->lblTotalSizeOfArchives->setText(value);
    storeStatistic("lblTotalSizeOfArchives", value);
    if (!Statistics::nextCount(w->lblNumberOfBackups->text(), &value, error))
        return false;
    storeStatistic("lblNumberOfBackups", value);
    storeStatistic("lblLastBackupDate", w->lblLastBackupDate->text());
    if (!Statistics::newAverage(w->lblNumberOfBackups->text(), w->lblAverageBuTime->text(),
                                w->txtBackUpTime->text(), &value, error))
        return false;
    w->lblAverageBuTime->setText(value);
    storeStatistic("lblAverageBuTime", value);
    if (!Statistics::addFiles(w->lblTotalNumOfFiles->text(), w->txtTotalFiles->text(), &value,
                              error))
        return false;
    w->lblTotalNumOfFiles->setText(value);
    storeStatistic("lblTotalNumOfFiles", value);
    return true;
}

void flushStore(const char* procedure)
{
    QString error;
    if (!SettingsStore::flush(&error))
        ErrorMsg(true, AppName, ModulLabel(procedure, kModule), 0, ErrNo::PathFileAccess, error);
}

// ---- source list --------------------------------------------------------------------------

// The flag goes to the first row of that text, which is the new one unless an auto-add row
// repeats an earlier row.
void addEntry(const ProfileRow& row)
{
    QListWidget* list = window()->List1;
    const bool repeated = window()->VerificaDup(row.text) >= 0;
    const int added = listAddItem(list, row.text);
    setListSelected(list, repeated ? window()->VerificaDup(row.text) : added, row.selected);
}

void announceAutoAdd()
{
    frmMain_BackUp* w = window();
    w->txtNews->setText(LangText(204));
    w->RtbNews1->setPlainText(LangText(204) + QLatin1Char('\n') + w->RtbNews1->toPlainText());
    speakIfWanted(LangText(204));
    w->repaint();
}

// Applied after every saved row, so that the subfolders it walks never override a row the
// user saved as deselected.
void applyAutoAdd(const ProfileRow& row)
{
    announceAutoAdd();
    if (chkValue(window()->chkAddNewSub) != 1)
        return;
    addEntry(row);
    if (row.selected) {
        window()->AddItem(false, true, row.autoAddFolder(), false);
        DoEvents();
    }
}

void fillSourceList(const QList<ProfileRow>& rows)
{
    QList<ProfileRow> autoAdds;
    for (const ProfileRow& row : rows) {
        if (row.isAutoAdd()) {
            autoAdds.append(row);
            continue;
        }
        window()->txtNews->setText(LangText(2));
        if (window()->VerificaDup(row.text) == -1)
            setListSelected(window()->List1, listAddItem(window()->List1, row.text), row.selected);
        DoEvents();
    }
    for (const ProfileRow& row : autoAdds)
        applyAutoAdd(row);
}

} // namespace

// A name typed into the box is trimmed where it becomes a profile, as Save as trims it: blanks
// around it would make a profile no scheduled run can name. A listed profile keeps its name.
QString boxProfileName()
{
    QComboBox* box = window()->cmbProfiles;
    const QString text = box->currentText();
    const QString trimmed = text.trimmed();
    if (trimmed == text || box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return text;
    setComboText(box, trimmed);
    return trimmed;
}

// ---- public procedures --------------------------------------------------------------------

bool isLoadingSettings() { return loadState().active; }

void Load_Settings()
{
    if (!window())
        return;
    LoadState& state = loadState();
    if (state.active) {
        state.pending = true;
        return;
    }
    state.active = true;
    do {
        state.pending = false;
        state.profile = boxProfileName();
        loadOnce();
    } while (state.pending && window());
    state.active = false;
    if (window())
        window()->loadFinished();
}

void Save_Settings()
{
    if (!window() || isLoadingSettings())
        return;
    const QString profile = boxProfileName();
    const bool validProfile = mayStoreProfile(profile);
    saveGeometry();
    if (validProfile && !profileLoadFailed(profile))
        saveProfile(profile);
    saveIdentity();
    saveUserKeys();
    if (validProfile)
        saveProfileKeys(profile);
    else if (!profile.trimmed().isEmpty()) // a cleared box names no profile yet
        reportSave(QStringLiteral("the profile name is refused, its options were not saved: \"")
                   + profile + QLatin1Char('"'));
    flushStore("Save_Settings");
}

bool profileLoadFailed(const QString& ProfileName)
{
    return failedProfileLoads().contains(ProfileName);
}

void sourceListEdited()
{
    if (window() && !isLoadingSettings())
        failedProfileLoads().remove(window()->cmbProfiles->currentText());
}

void saveProfile(const QString& ProfileName)
{
    if (!window() || ProfileName.trimmed().isEmpty())
        return;
    const QString label = ModulLabel("saveProfile", kModule);
    QString error;
    if (!mayStoreProfile(ProfileName, &error)) {
        ErrorMsg(true, AppName, label, 0, ErrNo::BadFileName,
                 error + QStringLiteral(": ") + ProfileName);
        return;
    }
    QList<ProfileRow> rows;
    for (int i = 0; i < window()->List1->count(); ++i)
        rows.append({window()->List1->item(i)->text(), listSelected(window()->List1, i)});
    if (!ProfileFile::write(ProfileFile::path(ProfileName), rows, &error)) {
        ErrorMsg(true, AppName, label, 0, ErrNo::PathFileAccess, error);
        WriteErrorLog(ProfileName, window()->List1->count(), QString(), QString(), QString(),
                      QString(), QString(), QString(), QString(), QString());
        return;
    }
    failedProfileLoads().remove(ProfileName);
}

void loadProfile(const QString& ProfileName)
{
    if (!window())
        return;
    window()->List1->clear();
    const QString file = ProfileFile::path(ProfileName);
    if (!SettingsKeys::validProfileName(ProfileName) || !QFileInfo::exists(file))
        return;
    const ProfileFileContent content = ProfileFile::read(file);
    fillSourceList(content.rows);
    if (content.complete) {
        failedProfileLoads().remove(ProfileName);
        return;
    }
    failedProfileLoads().insert(ProfileName);
    ProfileLoad::reportIncompleteFile(file, content);
}

// Adding to the box must not change its text, which names the current profile.
void add_profile(const QString& ProfileName, int Count)
{
    if (!window() || ProfileName.trimmed().isEmpty())
        return;
    QComboBox* box = window()->cmbProfiles;
    for (int i = 0; i < Count && i < box->count(); ++i) {
        if (box->itemText(i) == ProfileName)
            return;
    }
    const QString current = box->currentText();
    {
        const QSignalBlocker blocker(box);
        box->addItem(ProfileName);
    }
    setComboText(box, current);
}

void cmdClearProfile_Click()
{
    if (!window())
        return;
    window()->List1->clear();
    setComboText(window()->cmbProfiles, QString());
}

void load_statistics()
{
    if (!window())
        return;
    const QString folder = window()->txtPathBackUp->text();
    int archives = 0;
    if (!folder.trimmed().isEmpty())
        archives = GetFileCount(sFixDirString(folder) + QStringLiteral("*.zip"))
            + GetFileCount(sFixDirString(folder) + QStringLiteral("*.cry"));
    window()->lblAnzOfArchives->setText(QString::number(archives));
    const QString profile = currentProfile();
    for (const char* key : kStatisticsKeys) {
        const QString value = SettingsKeys::validProfileName(profile)
            ? SettingsStore::getValue(SettingsKeys::profileScope(profile), kSettings,
                                      QString::fromLatin1(key), QStringLiteral("0"))
            : QStringLiteral("0");
        statisticsLabel(key)->setText(value);
    }
}

void save_statistics()
{
    if (!window())
        return;
    QString error;
    if (!foldStatistics(&error))
        ErrorMsg(true, AppName, ModulLabel("save_statistics", kModule), 0, ErrNo::Overflow, error);
    flushStore("save_statistics");
}

void store_statistics()
{
    if (!window())
        return;
    for (const char* key : kStatisticsKeys)
        storeStatistic(key, statisticsLabel(key)->text());
    flushStore("store_statistics");
}

void load_backup_exclusions()
{
    if (window())
        ExclusionList = CutPatternList(window()->txtExclusions->text(), true);
}

void load_backup_DirExclusions()
{
    if (window())
        DirExclusionList = CutPatternList(window()->txtDirExclusions->text(), false);
}

void load_backup_inclusions()
{
    if (window())
        InclusionList = CutPatternList(window()->txtInclusions->text(), true);
}
