#include <memory>

#include <QScreen>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSignalBlocker>
#include <QTest>
#include <QTimer>

#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "QEV_PlaySound.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "RunLock.h"
#include "SettingsStore.h"
#include "ListRows.h"
#include "ProfileFixture.h"
#include "SpeechEngine.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"

using namespace TestSupport;

namespace {

const QString kSettings = QStringLiteral("Settings");

// The value a control shows, in the stored form of its key.
QString shownValue(frmMain_BackUp& w, const SettingKey& key)
{
    switch (key.kind) {
    case KeyKind::Check:
        return QString::number(chkValue(w.findChild<QCheckBox*>(key.control)));
    case KeyKind::Option:
        return w.findChild<QRadioButton*>(key.control)->isChecked() ? QStringLiteral("-1")
                                                                    : QStringLiteral("0");
    case KeyKind::Text:
        return w.findChild<QLineEdit*>(key.control)->text();
    case KeyKind::Slider:
        return QString::number(w.findChild<QSlider*>(key.control)->value());
    case KeyKind::Date:
        return w.findChild<QDateEdit*>(key.control)->date().toString(QStringLiteral("yyyy-MM-dd"));
    case KeyKind::ListPosition:
        return QString::number(key.key == QStringLiteral("cboDevices") ? g_iCdDevice : g_iCdSpeed);
    }
    return {};
}

QString stored(const QString& scope, const QString& key)
{
    return SettingsStore::getValue(scope, kSettings, key, QStringLiteral("<missing>"));
}

QString profileScope(const char* profile)
{
    return SettingsKeys::profileScope(QString::fromLatin1(profile));
}

bool errorLogHas(const QString& text)
{
    return QString::fromUtf8(readFile(ErrorLogPath())).contains(text);
}

QStringList comboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Keeps what it was asked to speak.
class FakeSpeech final : public SpeechEngine
{
public:
    explicit FakeSpeech(QStringList* spoken)
        : m_spoken(spoken)
    {}
    bool open(QString*) override { return true; }
    bool isUsable() const override { return true; }
    void Register(const QString&, const QString&) override {}
    bool Speak(const QString& text, int, QString*) override
    {
        m_spoken->append(text);
        return true;
    }

private:
    QStringList* m_spoken;
};

} // namespace

// Saving and loading a profile through the real main window, offscreen.
class tst_Quillaro_Sub : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyOptionSurvivesARestart();
    void missingKeysGiveTheDefaults();
    void standardProfileWinsAtStart();
    void passwordIsKeptOnlyWhenRemembered();
    void badStoredValueIsReportedAndLoadGoesOn();
    void numberABoxRefusesIsNamedAtLoad();
    void unattendedCloseSavesNothing();
    void minimisedWindowKeepsItsGeometry();
    void languageListChoosesTheLanguageInUse();
    void profileListSkipsUnusableNames();
    void addProfileRules();
    void clearProfileKeepsTheList();
    void autoAddNeverReselectsSavedRows();
    void autoAddIsDroppedWhenNotWanted();
    void loadAndAutoAddAreSpoken_data();
    void loadAndAutoAddAreSpoken();
    void duplicateEntriesLoadOnce();
    void failedLoadIsShownAndLaterEditsAreSaved_data();
    void failedLoadIsShownAndLaterEditsAreSaved();
    void typedNamesAreTrimmedWhereProfilesAreMade();
    void loadIsNeverReentered();
    void closeDuringALoadWaitsForIt();
    void unusableProfileNamesAreRefused();
    void workingFilesAreClearedOnlyWhereSafe();
    void loadClearsOnlyItsOwnIdleProfilesWorkingFiles();
    void statisticsCountArchivesAndFoldRuns();
    void statisticsResetStoresWhatItShows();
    void patternListsFollowTheirBoxes();
    void deleteProfileKeepsABackup();
    void attributesOfPaths();

private:
    frmMain_BackUp* start();
    void restart();
    void setNonDefaults(frmMain_BackUp& w);
    std::unique_ptr<frmMain_BackUp> m_window;
};

void tst_Quillaro_Sub::initTestCase() { QVERIFY(prepareProgram()); }

void tst_Quillaro_Sub::init()
{
    clearProfiles();
    MessageBoxSeam::clearScript();
    MessageBoxSeam::clearShown();
    bSoundOn = true;
}

void tst_Quillaro_Sub::cleanup()
{
    if (m_window)
        m_window->close();
    m_window.reset();
}

frmMain_BackUp* tst_Quillaro_Sub::start()
{
    m_window = std::make_unique<frmMain_BackUp>();
    g_frmMain = m_window.get();
    m_window->Form_Load();
    return m_window.get();
}

// Closing saves; a new window on a re-read store is what the next program start sees.
void tst_Quillaro_Sub::restart()
{
    m_window->close();
    m_window.reset();
    SettingsStore::reset();
    g_iCdDevice = 0;
    g_iCdSpeed = 0;
    start();
}

void tst_Quillaro_Sub::setNonDefaults(frmMain_BackUp& w)
{
    const QString folder = freshFolder(QStringLiteral("roundtrip"));
    const QStringList nextVersionOptions
        = {QStringLiteral("chkSendEmail"), QStringLiteral("chkInclOutlookE")};
    for (const SettingKey& key : SettingsKeys::userKeys() + SettingsKeys::profileKeys()) {
        if (key.kind == KeyKind::Check) {
            auto* box = w.findChild<QCheckBox*>(key.control);
            // A click on these shows the next-version notice and clears them; a stored value
            // comes in as a load sets it.
            const QSignalBlocker stored(nextVersionOptions.contains(key.key) ? box : nullptr);
            QVERIFY(setChkValue(box, key.defaultValue == QStringLiteral("0") ? 1 : 0));
        }
        else if (key.kind == KeyKind::Text && key.key != QStringLiteral("ProfileText"))
            w.findChild<QLineEdit*>(key.control)->setText(QStringLiteral("value of ") + key.key);
    }
    // The second of two file-backed writers; a device choice clears burn-proof, ticked again.
    w.cboDevices->setCurrentIndex(1);
    QVERIFY(setChkValue(w.chkUseBurnProof, 1));
    // Grey is a value too; a ticked box would open "Standard" at the next start.
    QVERIFY(setChkValue(w.chkProfileStandard, 2));
    w.txtPathBackUp->setText(folder + QStringLiteral("/dest"));
    w.txtPathTemp->setText(folder + QStringLiteral("/temp"));
    w.txtExclusions->setText(QStringLiteral("*.iso, *.img"));
    for (QRadioButton* o : {w.optCompleteNoFilter, w.optBuMode(2), w.optArchive(2),
                            w.optRegistryTXT, w.optWaitBefore(2), w.optWaitAfter(5)})
        o->setChecked(true);
    w.Slider1->setValue(9);
    w.DTPicker1->setDate(QDate(2020, 1, 2));
    w.DTPicker2->setDate(QDate(2021, 3, 4));
    // Appending cannot stay ticked in CD mode; unticked is its non-default value anyway.
    QCOMPARE(chkValue(w.chkAppendArchive), 0);
    listAddItem(w.List1, folder + QStringLiteral("/a/*.*"));
    setListSelected(w.List1, listAddItem(w.List1, folder + QStringLiteral("/b.txt")), true);
}

void tst_Quillaro_Sub::everyOptionSurvivesARestart()
{
    const QString discs = freshFolder(QStringLiteral("discs"));
    qputenv("QUILLARO_CD_DRIVES", QStringLiteral("stdio:%1/a.iso;stdio:%1/b.iso").arg(discs).toLocal8Bit());
    frmMain_BackUp* w = start();
    w->cmbProfiles->setEditText(QStringLiteral("Work"));
    setNonDefaults(*w);
    QMap<QString, QString> expected;
    for (const SettingKey& key : SettingsKeys::userKeys() + SettingsKeys::profileKeys())
        expected.insert(key.key,
                        key.key == QStringLiteral("ProfileText") ? QStringLiteral("Work")
                                                                 : shownValue(*w, key));
    expected[QStringLiteral("cboDevices")] = QStringLiteral("1"); // the second writer listed
    expected[QStringLiteral("cboWriteSpeed")] = QStringLiteral("0");
    const QStringList rows = listRows(w->List1);
    w->move(200, 150);
    w->resize(700, 560);

    restart();
    w = m_window.get();
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Work"));
    QCOMPARE(w->txtProfile->text(), QStringLiteral("Work"));
    for (const SettingKey& key : SettingsKeys::userKeys() + SettingsKeys::profileKeys()) {
        if (key.key == QStringLiteral("ProfileText"))
            continue;
        // A file-backed writer offers one speed only: "Default", the first.
        QVERIFY2(key.defaultValue != expected.value(key.key) || key.kind == KeyKind::Text
                     || key.kind == KeyKind::Option || key.key == QStringLiteral("cboWriteSpeed"),
                 qPrintable(QStringLiteral("not a non-default value: ") + key.key));
        QCOMPARE(shownValue(*w, key), expected.value(key.key));
    }
    QCOMPARE(listRows(w->List1), rows);
    QCOMPARE(w->pos(), QPoint(200, 150));
    QCOMPARE(w->size(), QSize(700, 560));
    QCOMPARE(ExclusionList.patterns,
             (QStringList{QStringLiteral("*.ISO"), QStringLiteral("*.IMG")}));
    QVERIFY(!w->tabAvailable(3)); // the stored sync mode is laid out again
    QVERIFY(w->Frame7->isHidden());
    QCOMPARE(stored(SettingsKeys::machineScope(), QStringLiteral("ProgramVersion")),
             g_ProgramVersion);
    QVERIFY(!errorLogHas(QStringLiteral("Load_Settings")));
}

void tst_Quillaro_Sub::missingKeysGiveTheDefaults()
{
    frmMain_BackUp* w = start();
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Standard"));
    for (const SettingKey& key : SettingsKeys::userKeys() + SettingsKeys::profileKeys()) {
        if (key.key == QStringLiteral("ProfileText"))
            continue;
        QCOMPARE(shownValue(*w, key), key.defaultValue);
    }
    QCOMPARE(w->txtPathBackUp->text(), Paths::programFolder());
    QCOMPARE(w->DTPicker1->date(), QDate::currentDate());
    QVERIFY(w->tabAvailable(4)); // ZIP archive mode
    QVERIFY(!w->Frame7->isHidden());
    // No size stored yet: at least the default 9730 x 7785 twips, grown to show the pages,
    // and whole on the screen.
    QCOMPARE(w->size().expandedTo(QSize(649, 519)), w->size());
    QVERIFY(w->screen()->availableGeometry().contains(QRect(w->pos(), w->size())));
}

void tst_Quillaro_Sub::standardProfileWinsAtStart()
{
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, QStringLiteral("ProfileText"),
                             QStringLiteral("Work"));
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings,
                             QStringLiteral("chkProfileStandard"), QStringLiteral("1"));
    SettingsStore::saveValue(profileScope("Standard"), kSettings, QStringLiteral("txtFTPdir"),
                             QStringLiteral("std"));
    frmMain_BackUp* w = start();
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Standard"));
    QCOMPARE(w->txtFTPdir->text(), QStringLiteral("std"));
    w->close();
    m_window.reset();
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings,
                             QStringLiteral("chkProfileStandard"), QStringLiteral("0"));
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, QStringLiteral("ProfileText"),
                             QStringLiteral("   "));
    QCOMPARE(start()->cmbProfiles->currentText(), QStringLiteral("Standard"));
}

void tst_Quillaro_Sub::passwordIsKeptOnlyWhenRemembered()
{
    frmMain_BackUp* w = start();
    w->txtEncryptPassword->setText(QStringLiteral("secret"));
    Save_Settings();
    QCOMPARE(stored(profileScope("Standard"), QStringLiteral("txtEncryptPassword")), QString());
    w->txtEncryptPassword->setText(QStringLiteral("typed"));
    Load_Settings();
    QCOMPARE(w->txtEncryptPassword->text(), QStringLiteral("typed"));
    (void)setChkValue(w->chkRemeberPassword, 1);
    Save_Settings();
    QCOMPARE(stored(profileScope("Standard"), QStringLiteral("txtEncryptPassword")),
             QStringLiteral("typed"));
    QVERIFY(QString::fromUtf8(readFile(SettingsStore::settingsFile()))
                .contains(QStringLiteral("typed")));
}

void tst_Quillaro_Sub::badStoredValueIsReportedAndLoadGoesOn()
{
    SettingsStore::saveValue(profileScope("Standard"), kSettings, QStringLiteral("chkWriteLog"),
                             QStringLiteral("often"));
    SettingsStore::saveValue(profileScope("Standard"), kSettings,
                             QStringLiteral("chkSelectionWarning"), QStringLiteral("1"));
    SettingsStore::saveValue(profileScope("Standard"), kSettings, QStringLiteral("DTPicker1"),
                             QStringLiteral("someday"));
    frmMain_BackUp* w = start();
    QCOMPARE(chkValue(w->chkWriteLog), 0);
    QCOMPARE(chkValue(w->chkSelectionWarning), 1);
    QVERIFY(errorLogHas(QStringLiteral("Load_Settings of Modul Quillaro_Sub")));
    QVERIFY(errorLogHas(QStringLiteral("often")));
    QVERIFY(errorLogHas(QStringLiteral("someday")));
}

void tst_Quillaro_Sub::numberABoxRefusesIsNamedAtLoad()
{
    const auto store = [](const char* key, const char* value) {
        SettingsStore::saveValue(profileScope("Standard"), kSettings, QString::fromLatin1(key),
                                 QString::fromLatin1(value));
    };
    store("txtExclYoungDay", "abc");
    store("txtWaitSecondsBefore", "-3");
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, QStringLiteral("txtSpareSpace"),
                             QStringLiteral("lots"));
    store("txtWaitSecondsAfter", "7");
    start();
    for (const char* refused : {"txtExclYoungDay is refused by its box: \"abc\", the box holds \"0\"",
                                "txtWaitSecondsBefore is refused by its box: \"-3\"",
                                "txtSpareSpace is refused by its box: \"lots\""})
        QVERIFY2(errorLogHas(QString::fromLatin1(refused)), refused);
    QVERIFY(!errorLogHas(QStringLiteral("txtWaitSecondsAfter")));
}

void tst_Quillaro_Sub::unattendedCloseSavesNothing()
{
    frmMain_BackUp* w = start();
    w->txtFTPdir->setText(QStringLiteral("changed"));
    g_bAutoRun = true;
    w->close();
    g_bAutoRun = false;
    QCOMPARE(stored(profileScope("Standard"), QStringLiteral("txtFTPdir")),
             QStringLiteral("<missing>"));
    QVERIFY(!QFile::exists(ProfileFile::path(QStringLiteral("Standard"))));
}

void tst_Quillaro_Sub::minimisedWindowKeepsItsGeometry()
{
    frmMain_BackUp* w = start();
    w->showMinimized();
    if (!w->isMinimized())
        QSKIP("the platform does not minimise windows");
    Save_Settings();
    QCOMPARE(SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("Data"),
                                     QStringLiteral("MainLeft"), QStringLiteral("<missing>")),
             QStringLiteral("<missing>"));
    QCOMPARE(stored(SettingsKeys::userScope(), QStringLiteral("chkSound")), QStringLiteral("1"));
}

void tst_Quillaro_Sub::languageListChoosesTheLanguageInUse()
{
    const QString dutch = Paths::commonFolder() + QStringLiteral("/language/Dutch.lng");
    writeFile(dutch, "T0002\tLaden\n");
    g_Language = QStringLiteral("dutch");
    frmMain_BackUp* w = start();
    QVERIFY(comboItems(w->cmbLanguage).contains(QStringLiteral("Dutch")));
    QVERIFY(comboItems(w->cmbLanguage).contains(QStringLiteral("english")));
    QCOMPARE(w->cmbLanguage->currentIndex(), -1);
    g_Language = QStringLiteral("Dutch");
    Load_Settings();
    QCOMPARE(w->cmbLanguage->currentText(), QStringLiteral("Dutch"));
    QCOMPARE(w->cmbLanguage->count(), 2);
    g_Language = QStringLiteral("english");
    QFile::remove(dutch);
}

void tst_Quillaro_Sub::profileListSkipsUnusableNames()
{
    const QString program = Paths::programFolder() + QLatin1Char('/');
    for (const char* name : {"b.pfl", ".pfl", "a\nx.pfl", "a.pfl", "c.pfl", "notes.txt"})
        writeFile(program + QString::fromLatin1(name), "");
    frmMain_BackUp* w = start();
    // "Standard" is listed without a selection file of its own.
    QCOMPARE(comboItems(w->cmbProfiles),
             (QStringList{QStringLiteral("Standard"), QStringLiteral("a"), QStringLiteral("b"),
                          QStringLiteral("c")}));
    QCOMPARE(w->cmbProfiles->currentText(),
             QStringLiteral("Standard")); // listing changes no profile
    Load_Settings();
    QCOMPARE(w->cmbProfiles->count(), 4);
}

void tst_Quillaro_Sub::addProfileRules()
{
    frmMain_BackUp* w = start();
    QComboBox* box = w->cmbProfiles;
    {
        const QSignalBlocker quiet(box); // a change of entry would load the list again
        box->clear();
        box->setEditText(QStringLiteral("Standard"));
    }
    add_profile(QStringLiteral("   "), box->count());
    add_profile(QString(), box->count());
    QCOMPARE(box->count(), 0);
    add_profile(QStringLiteral("Standard"), box->count());
    add_profile(QStringLiteral("Standard"), box->count());
    add_profile(QStringLiteral("standard"), box->count());
    add_profile(QStringLiteral(" Work "), box->count());
    add_profile(QStringLiteral("Standard"), 0); // looks through no entry
    QCOMPARE(comboItems(box),
             (QStringList{QStringLiteral("Standard"), QStringLiteral("standard"),
                          QStringLiteral(" Work "), QStringLiteral("Standard")}));
    QCOMPARE(box->currentText(), QStringLiteral("Standard"));
}

void tst_Quillaro_Sub::clearProfileKeepsTheList()
{
    frmMain_BackUp* w = start();
    add_profile(QStringLiteral("One"), w->cmbProfiles->count());
    listAddItem(w->List1, QStringLiteral("/x/*.*"));
    cmdClearProfile_Click();
    QCOMPARE(w->List1->count(), 0);
    QCOMPARE(w->cmbProfiles->currentText(), QString());
    QCOMPARE(comboItems(w->cmbProfiles),
             (QStringList{QStringLiteral("Standard"), QStringLiteral("One")}));
    // A save now has no profile to store the options under.
    Save_Settings();
    QVERIFY(
        !QSettings(SettingsStore::settingsFile(), QSettings::IniFormat).childGroups().isEmpty());
    QCOMPARE(stored(SettingsKeys::userScope(), QStringLiteral("txtFTPdir")),
             QStringLiteral("<missing>"));
}

void tst_Quillaro_Sub::autoAddNeverReselectsSavedRows()
{
    const QString src = freshFolder(QStringLiteral("src"));
    makeTree(src,
             {{QStringLiteral("a/"), {}},
              {QStringLiteral("b/"), {}},
              {QStringLiteral("c/"), {}},
              {QStringLiteral("Old_Backup_1/"), {}},
              {QStringLiteral("temp/"), {}}});
    writeFile(ProfileFile::path(QStringLiteral("Standard")),
              (kAutoAddPrefix + src + QStringLiteral("\n-1 \n") + src
               + QStringLiteral("/*.*\n-1 \n") + src + QStringLiteral("/b/*.*\n 0 \n"))
                  .toUtf8());
    SettingsStore::saveValue(profileScope("Standard"), kSettings, QStringLiteral("chkAddNewSub"),
                             QStringLiteral("1"));
    QDir().mkpath(src + QStringLiteral("/d")); // created after the save
    frmMain_BackUp* w = start();
    QCOMPARE(listRows(w->List1),
             (QStringList{QStringLiteral("+ ") + src + QStringLiteral("/*.*"),
                          QStringLiteral("- ") + src + QStringLiteral("/b/*.*"),
                          QStringLiteral("+ ") + kAutoAddPrefix + src,
                          QStringLiteral("+ ") + src + QStringLiteral("/a/*.*"),
                          QStringLiteral("+ ") + src + QStringLiteral("/c/*.*"),
                          QStringLiteral("+ ") + src + QStringLiteral("/d/*.*")}));
}

void tst_Quillaro_Sub::autoAddIsDroppedWhenNotWanted()
{
    const QString src = freshFolder(QStringLiteral("src"));
    QDir().mkpath(src + QStringLiteral("/a"));
    writeFile(ProfileFile::path(QStringLiteral("Standard")),
              (kAutoAddPrefix + src + QStringLiteral("\n-1 \n/keep/*.*\n-1 \n")).toUtf8());
    frmMain_BackUp* w = start();
    QCOMPARE(listRows(w->List1), QStringList{QStringLiteral("+ /keep/*.*")});
}

void tst_Quillaro_Sub::loadAndAutoAddAreSpoken_data()
{
    QTest::addColumn<QString>("sound");
    QTest::addColumn<bool>("spoken");
    QTest::newRow("sound on") << "1" << true;
    QTest::newRow("sound off") << "0" << false;
}

void tst_Quillaro_Sub::loadAndAutoAddAreSpoken()
{
    QFETCH(QString, sound);
    QFETCH(bool, spoken);
    QStringList texts;
    SpeechEngine::setFactory([&texts] { return std::make_unique<FakeSpeech>(&texts); });
    Ini_TTS();
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, QStringLiteral("chkSound"), sound);
    writeFile(ProfileFile::path(QStringLiteral("Standard")),
              (kAutoAddPrefix + freshFolder(QStringLiteral("src")) + QStringLiteral("\n-1 \n")).toUtf8());
    start();
    Release_TTS();
    SpeechEngine::setFactory({});
    const QStringList expected = spoken ? QStringList{LangText(2), LangText(204)} : QStringList();
    QCOMPARE(texts, expected);
}

// Two folders whose names differ only in case are two rows, at load and at the next save.
void tst_Quillaro_Sub::duplicateEntriesLoadOnce()
{
    const QString file = ProfileFile::path(QStringLiteral("Standard"));
    writeFile(file, "/Data/*.*\n 0 \n/data/*.*\n-1 \n/Data/*.*\n-1 \nrelative\n/x.txt\n-1 \n");
    frmMain_BackUp* w = start();
    const QStringList rows
        = {QStringLiteral("- /Data/*.*"), QStringLiteral("+ /data/*.*"), QStringLiteral("+ /x.txt")};
    QCOMPARE(listRows(w->List1), rows);
    restart();
    QCOMPARE(listRows(m_window->List1), rows);
}

// A file read part-way is said so, and stays as it was until the user changes the list;
// the changes are saved then, by the next automatic save or by the save command.
void tst_Quillaro_Sub::failedLoadIsShownAndLaterEditsAreSaved_data()
{
    QTest::addColumn<bool>("edit");
    QTest::newRow("list edited, automatic save") << true;
    QTest::newRow("list unchanged, save command") << false;
}

void tst_Quillaro_Sub::failedLoadIsShownAndLaterEditsAreSaved()
{
    QFETCH(bool, edit);
    const QString file = ProfileFile::path(QStringLiteral("Standard"));
    const QByteArray broken = "/a/*.*\n-1 \n/b/*.*\n";
    writeFile(file, broken);
    frmMain_BackUp* w = start();
    QCOMPARE(listRows(w->List1), QStringList{QStringLiteral("+ /a/*.*")});
    QVERIFY(errorLogHas(QStringLiteral("loadProfile of Modul Quillaro_Sub")));
    QCOMPARE(MessageBoxSeam::shown().size(), 1);
    QVERIFY(MessageBoxSeam::shown().first().text.startsWith(LangText(376)));
    QVERIFY(MessageBoxSeam::shown().first().text.contains(file));
    QVERIFY(profileLoadFailed(QStringLiteral("Standard")));
    Save_Settings();
    QCOMPARE(readFile(file), broken);
    if (edit) {
        setListSelected(w->List1, listAddItem(w->List1, QStringLiteral("/c/*.*")), true);
        Save_Settings();
        QCOMPARE(readFile(file), QByteArray("/a/*.*\n-1 \n/c/*.*\n-1 \n"));
    } else {
        w->txtProfile->setText(QStringLiteral("Standard"));
        w->cmdSaveProfile();
        QCOMPARE(readFile(file), QByteArray("/a/*.*\n-1 \n"));
    }
    QVERIFY(!profileLoadFailed(QStringLiteral("Standard")));
}

// Blanks around a typed name would make a profile that no scheduled run can name.
void tst_Quillaro_Sub::typedNamesAreTrimmedWhereProfilesAreMade()
{
    frmMain_BackUp* w = start();
    w->cmbProfiles->setEditText(QStringLiteral("Work "));
    Save_Settings();
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Work"));
    QVERIFY(QFile::exists(ProfileFile::path(QStringLiteral("Work"))));
    QVERIFY(!QFile::exists(ProfileFile::path(QStringLiteral("Work "))));
    QCOMPARE(stored(profileScope("Work "), QStringLiteral("txtMaxFiles")), QStringLiteral("<missing>"));
    QVERIFY(stored(profileScope("Work"), QStringLiteral("txtMaxFiles")) != QStringLiteral("<missing>"));
    w->txtProfile->setText(QStringLiteral("\tHome  "));
    w->cmdSaveProfile();
    QVERIFY(QFile::exists(ProfileFile::path(QStringLiteral("Home"))));
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Home"));
    QVERIFY(comboItems(w->cmbProfiles).contains(QStringLiteral("Home")));
    QCOMPARE(w->txtProfile->text(), QStringLiteral("Home"));
}

// A profile chosen while a load pumps messages is loaded after it, never mixed into it.
void tst_Quillaro_Sub::loadIsNeverReentered()
{
    SettingsStore::saveValue(profileScope("Other"), kSettings, QStringLiteral("txtFTPdir"),
                             QStringLiteral("other dir"));
    SettingsStore::saveValue(profileScope("Other"), kSettings, QStringLiteral("txtMaxFiles"),
                             QStringLiteral("77"));
    SettingsStore::saveValue(profileScope("Work"), kSettings, QStringLiteral("txtMaxFiles"),
                             QStringLiteral("55"));
    SettingsStore::saveValue(profileScope("Work"), kSettings, QStringLiteral("chkEncrypt"),
                             QStringLiteral("1"));
    frmMain_BackUp* w = start();
    w->cmbProfiles->setEditText(QStringLiteral("Work"));
    bool sawLoad = false;
    QTimer::singleShot(0, w, [&] {
        sawLoad = isLoadingSettings();
        w->cmbProfiles->setEditText(QStringLiteral("Other"));
        Load_Settings();
        Save_Settings(); // refused: the controls hold a half-loaded profile
    });
    Load_Settings();
    QVERIFY(sawLoad);
    QVERIFY(!isLoadingSettings());
    QCOMPARE(w->txtFTPdir->text(), QStringLiteral("other dir"));
    QCOMPARE(w->txtMaxFiles->text(), QStringLiteral("77"));
    QCOMPARE(chkValue(w->chkEncrypt), 0);
    QCOMPARE(stored(profileScope("Work"), QStringLiteral("txtFTPdir")),
             QStringLiteral("<missing>"));
    QCOMPARE(stored(profileScope("Other"), QStringLiteral("chkEncrypt")),
             QStringLiteral("<missing>"));
}

// The load pumps messages; a close that arrives then waits for it, and still saves.
void tst_Quillaro_Sub::closeDuringALoadWaitsForIt()
{
    frmMain_BackUp* w = start();
    w->txtFTPdir->setText(QStringLiteral("kept"));
    Save_Settings();
    bool closedAtOnce = true;
    QTimer::singleShot(0, w, [&] { closedAtOnce = w->close(); });
    Load_Settings();
    QVERIFY(!closedAtOnce);
    QVERIFY(!w->isVisible());
    QCOMPARE(g_frmMain, nullptr);
    QCOMPARE(stored(profileScope("Standard"), QStringLiteral("txtFTPdir")), QStringLiteral("kept"));
}

void tst_Quillaro_Sub::unusableProfileNamesAreRefused()
{
    frmMain_BackUp* w = start();
    const int profiles = w->cmbProfiles->count();
    for (const QString& name :
         {QStringLiteral("../evil"), QStringLiteral(".."), QStringLiteral("a\\b"),
          QStringLiteral("two\nlines"), QStringLiteral("*"),
          QStringLiteral("a:b"), QStringLiteral(".hidden"), QStringLiteral("say \"hi\"")}) {
        MessageBoxSeam::clearShown();
        w->txtProfile->setText(name);
        w->cmdSaveProfile();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().icon, MsgIcon::Exclamation);
        QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Standard"));
    }
    QCOMPARE(w->cmbProfiles->count(), profiles);
    QVERIFY(!QFile::exists(Paths::baseFolder() + QStringLiteral("/evil.pfl")));
    // A name typed into the profile box never reaches another scope either.
    w->cmbProfiles->setEditText(QStringLiteral("x/y"));
    Save_Settings();
    QCOMPARE(stored(profileScope("x/y"), QStringLiteral("txtFTPdir")), QStringLiteral("<missing>"));
    QVERIFY(errorLogHas(QStringLiteral("Save_Settings of Modul Quillaro_Sub")));
    // Nor does a name typed there make a profile the save command would refuse.
    w->cmbProfiles->setEditText(QStringLiteral("*"));
    Save_Settings();
    QCOMPARE(stored(profileScope("*"), QStringLiteral("txtFTPdir")), QStringLiteral("<missing>"));
    QVERIFY(!QFile::exists(ProfileFile::path(QStringLiteral("*"))));
    w->txtProfile->setText(QStringLiteral("Good one"));
    w->cmdSaveProfile();
    QVERIFY(QFile::exists(ProfileFile::path(QStringLiteral("Good one"))));
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Good one"));
    QVERIFY(comboItems(w->cmbProfiles).contains(QStringLiteral("Good one")));
}

void tst_Quillaro_Sub::workingFilesAreClearedOnlyWhereSafe()
{
    const QString dest = freshFolder(QStringLiteral("dest"));
    const QString temp = freshFolder(QStringLiteral("temp"));
    writeFile(dest + QStringLiteral("/Standard_BackUp_d20200101.zip"), "archive");
    writeFile(temp + QStringLiteral("/Standard_BackUp_d20200101.zip"), "working copy");
    writeFile(temp + QStringLiteral("/keep.txt"), "other");
    const QString scope = profileScope("Standard");
    SettingsStore::saveValue(scope, kSettings, QStringLiteral("txtPathBackUp"), dest);
    for (const QString& unsafe :
         QStringList{dest, dest + QStringLiteral("/.."), QString(), QStringLiteral("/")}) {
        SettingsStore::saveValue(scope, kSettings, QStringLiteral("txtPathTemp"), unsafe);
        start();
        QVERIFY2(QFile::exists(dest + QStringLiteral("/Standard_BackUp_d20200101.zip")),
                 qPrintable(unsafe));
        m_window.reset();
    }
    SettingsStore::saveValue(scope, kSettings, QStringLiteral("txtPathTemp"),
                             temp + QLatin1Char('/'));
    start();
    QVERIFY(!QFile::exists(temp + QStringLiteral("/Standard_BackUp_d20200101.zip")));
    QVERIFY(QFile::exists(temp + QStringLiteral("/keep.txt")));
    QVERIFY(QFile::exists(dest + QStringLiteral("/Standard_BackUp_d20200101.zip")));
}

void tst_Quillaro_Sub::loadClearsOnlyItsOwnIdleProfilesWorkingFiles()
{
    const QString temp = freshFolder(QStringLiteral("temp"));
    const QString own = temp + QStringLiteral("/Standard_BackUp_d20200101__2.zip.log");
    const QStringList others = {temp + QStringLiteral("/Taxes_BackUp_2019.xlsx"),
                                temp + QStringLiteral("/Office_BackUp_d20200101__1.zip"),
                                temp + QStringLiteral("/Standard_BackUp_notes.txt"),
                                temp + QStringLiteral("/_BackUp_temp.zip")};
    for (const QString& file : others + QStringList{own})
        writeFile(file, "keep me");
    SettingsStore::saveValue(profileScope("Standard"), kSettings, QStringLiteral("txtPathTemp"), temp);
    {
        // A run of the profile holds its lock: its working files are in use.
        RunLock running(QStringLiteral("Standard"));
        QVERIFY(running.tryAcquire());
        start();
        QVERIFY(QFile::exists(own));
        m_window.reset();
    }
    start();
    QVERIFY(!QFile::exists(own));
    for (const QString& file : others)
        QVERIFY2(QFile::exists(file), qPrintable(file));
}

void tst_Quillaro_Sub::statisticsCountArchivesAndFoldRuns()
{
    const QString dest = freshFolder(QStringLiteral("archives"));
    for (const char* name :
         {"a.zip", "b.zip", "c.zip", "d.zip.cry", "e.cry", ".hidden.zip", "f.txt"})
        writeFile(dest + QLatin1Char('/') + QString::fromLatin1(name), "x");
    frmMain_BackUp* w = start();
    QCOMPARE(w->lblAnzOfArchives->text(), QStringLiteral("0")); // the program folder holds none
    for (QLabel* l : {w->lblTotalSizeOfArchives, w->lblNumberOfBackups, w->lblLastBackupDate,
                      w->lblAverageBuTime, w->lblTotalNumOfFiles})
        QCOMPARE(l->text(), QStringLiteral("0"));
    w->txtPathBackUp->setText(dest);
    load_statistics();
    QCOMPARE(w->lblAnzOfArchives->text(), QStringLiteral("5"));
    const struct
    {
        const char* seconds;
        const char* files;
        const char* size;
    } runs[] = {{"10", "100", "1.5"}, {"20", "200", "2.25"}, {"45", "300", "10"}};
    for (const auto& run : runs) {
        w->txtBackUpTime->setText(QString::fromLatin1(run.seconds));
        w->txtTotalFiles->setText(QString::fromLatin1(run.files));
        w->txtTotalSize->setText(QString::fromLatin1(run.size));
        w->lblLastBackupDate->setText(QStringLiteral("2026-12-10"));
        save_statistics();
        load_statistics();
    }
    const QString scope = profileScope("Standard");
    QCOMPARE(stored(scope, QStringLiteral("lblNumberOfBackups")), QStringLiteral("3"));
    QCOMPARE(stored(scope, QStringLiteral("lblAverageBuTime")), QStringLiteral("25.00"));
    QCOMPARE(stored(scope, QStringLiteral("lblTotalNumOfFiles")), QStringLiteral("600"));
    QCOMPARE(stored(scope, QStringLiteral("lblTotalSizeOfArchives")), QStringLiteral("13.75"));
    QCOMPARE(stored(scope, QStringLiteral("lblLastBackupDate")), QStringLiteral("2026-12-10"));
    QCOMPARE(w->lblNumberOfBackups->text(), QStringLiteral("3"));
    // A total beyond 32 bits stops at the files, after the earlier figures were stored.
    w->lblTotalNumOfFiles->setText(QStringLiteral("2147483000"));
    w->txtTotalFiles->setText(QStringLiteral("1000"));
    save_statistics();
    QCOMPARE(stored(scope, QStringLiteral("lblNumberOfBackups")), QStringLiteral("4"));
    QCOMPARE(stored(scope, QStringLiteral("lblTotalNumOfFiles")), QStringLiteral("600"));
    QVERIFY(errorLogHas(QStringLiteral("save_statistics of Modul Quillaro_Sub")));
}

void tst_Quillaro_Sub::statisticsResetStoresWhatItShows()
{
    const QString scope = profileScope("Standard");
    SettingsStore::saveValue(scope, kSettings, QStringLiteral("lblNumberOfBackups"),
                             QStringLiteral("9"));
    SettingsStore::saveValue(scope, kSettings, QStringLiteral("lblAverageBuTime"),
                             QStringLiteral("12.00"));
    frmMain_BackUp* w = start();
    QCOMPARE(w->lblNumberOfBackups->text(), QStringLiteral("9"));
    w->txtTotalFiles->setText(QStringLiteral("5"));
    QTest::mouseDClick(w->frmZipStatistc, Qt::LeftButton);
    QCOMPARE(w->txtTotalFiles->text(), QStringLiteral("0"));
    restart();
    w = m_window.get();
    QCOMPARE(w->lblNumberOfBackups->text(), QStringLiteral("0"));
    QCOMPARE(w->lblAverageBuTime->text(), QStringLiteral("0"));
    QCOMPARE(w->lblTotalSizeOfArchives->text(), QStringLiteral("0"));
    QCOMPARE(w->lblTotalNumOfFiles->text(), QStringLiteral("0"));
    QCOMPARE(w->lblLastBackupDate->text(), QStringLiteral("N/A"));
}

void tst_Quillaro_Sub::patternListsFollowTheirBoxes()
{
    frmMain_BackUp* w = start();
    QCOMPARE(ExclusionList.count(), 15);
    QCOMPARE(DirExclusionList.patterns,
             (QStringList{QStringLiteral("BACKUP"), QStringLiteral("TEMP")}));
    QCOMPARE(InclusionList.count(), 0);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->SSTab1->setCurrentIndex(2);
    w->txtDirExclusions->setFocus();
    QTest::keyClicks(w->txtDirExclusions, QStringLiteral(",Cache"));
    w->txtInclusions->setFocus(); // leaving the box saves and rebuilds its list
    QTRY_COMPARE(
        DirExclusionList.patterns,
        (QStringList{QStringLiteral("BACKUP"), QStringLiteral("TEMP"), QStringLiteral("CACHE")}));
    QCOMPARE(stored(profileScope("Standard"), QStringLiteral("txtDirExclusions")),
             QStringLiteral("backup,temp,Cache"));
}

void tst_Quillaro_Sub::deleteProfileKeepsABackup()
{
    writeFile(ProfileFile::path(QStringLiteral("Alpha")), "/alpha/*.*\n-1 \n");
    writeFile(ProfileFile::path(QStringLiteral("Work")), "/work/*.*\n-1 \n");
    SettingsStore::saveValue(SettingsKeys::userScope(), kSettings, QStringLiteral("ProfileText"),
                             QStringLiteral("Work"));
    frmMain_BackUp* w = start();
    w->cmbProfiles->setCurrentIndex(2); // choosing the entry loads it
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Work"));
    MessageBoxSeam::scriptAnswer(MsgResult::Yes);
    w->findChild<QAction*>(QStringLiteral("Delete"))->trigger();
    QVERIFY(!QFile::exists(ProfileFile::path(QStringLiteral("Work"))));
    QCOMPARE(readFile(Paths::programFolder() + QStringLiteral("/Work.bak")),
             QByteArray("/work/*.*\n-1 \n"));
    QCOMPARE(comboItems(w->cmbProfiles),
             (QStringList{QStringLiteral("Standard"), QStringLiteral("Alpha")}));
    QCOMPARE(w->cmbProfiles->currentText(), QStringLiteral("Standard"));
    QCOMPARE(w->cmbProfiles->currentIndex(), 0);
    QCOMPARE(w->txtProfile->text(), QStringLiteral("Standard"));
    QCOMPARE(listRows(w->List1), QStringList());
    MessageBoxSeam::clearShown();
    w->cmbProfiles->setEditText(QStringLiteral(" standard "));
    w->findChild<QAction*>(QStringLiteral("Delete"))->trigger();
    QCOMPARE(MessageBoxSeam::shown().size(), 1);
    QCOMPARE(MessageBoxSeam::shown().first().text, LangText(214));
}

void tst_Quillaro_Sub::attributesOfPaths()
{
    const QString file = freshFolder(QStringLiteral("attr")) + QStringLiteral("/f.txt");
    writeFile(file, "x");
    QCOMPARE(GetAttributes(file), 32);
    QCOMPARE(GetAttributes(QStringLiteral("/nonexistent/f.txt")), -1);
    QCOMPARE(GetAttributes(QString()), -1);
}

QTEST_MAIN(tst_Quillaro_Sub)
#include "tst_Quillaro_Sub.moc"
