// The options an unattended run reads from the store without the window are those the window
// gives after its load: profile by profile, value by value, with the same reports.
#include <memory>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include "CdRecorder.h"
#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFixture.h"
#include "ProfileLoad.h"
#include "QEV_ErrorLog.h"
#include "Quillaro_Main.h"
#include "RunLock.h"
#include "RunOptions.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StoredRun.h"
#include "TestSupport.h"
#include "UnattendedRun.h"
#include "frmMain_BackUp.h"

using namespace TestSupport;

namespace {

QString yes(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

QString programText(const RunProgram& p)
{
    return yes(p.enabled) + QLatin1Char('|') + p.path + QLatin1Char('|') + p.arguments + QLatin1Char('|')
           + QString::number(int(p.wait)) + QLatin1Char('|') + p.waitSeconds;
}

// Every field of the options, one line each, so that a difference names the field.
QStringList describe(const RunOptions& o)
{
    QStringList d = {
        QStringLiteral("profile=") + o.profile, QStringLiteral("mode=") + QString::number(int(o.mode)),
        QStringLiteral("selection=") + QString::number(int(o.selection)),
        QStringLiteral("media=") + yes(o.media), QStringLiteral("ftp=") + yes(o.ftp),
        QStringLiteral("mail=") + yes(o.sendEmail),
        QStringLiteral("ftpSettings=") + o.ftpSettings.server + QLatin1Char('|') + o.ftpSettings.port + QLatin1Char('|')
            + o.ftpSettings.user + QLatin1Char('|') + o.ftpSettings.password + QLatin1Char('|') + o.ftpSettings.dir
            + QLatin1Char('|') + QString::number(o.ftpSettings.proxy) + QLatin1Char('|') + o.ftpSettings.proxyHost,
        QStringLiteral("cd=") + yes(o.cdRecorder), QStringLiteral("burnProof=") + yes(o.burnProof),
        QStringLiteral("pathBackUp=") + o.pathBackUp, QStringLiteral("pathTemp=") + o.pathTemp,
        QStringLiteral("spareSpace=") + o.spareSpace, QStringLiteral("period=") + QString::number(int(o.period)),
        QStringLiteral("maxZipSize=") + o.maxZipSize, QStringLiteral("limitZipSize=") + yes(o.limitZipSize),
        QStringLiteral("limitFiles=") + yes(o.limitFiles), QStringLiteral("maxFiles=") + o.maxFiles,
        QStringLiteral("split=") + yes(o.split), QStringLiteral("overwrite=") + yes(o.overwriteFile),
        QStringLiteral("level=") + QString::number(o.level), QStringLiteral("writeLog=") + yes(o.writeLog),
        QStringLiteral("append=") + yes(o.appendArchive), QStringLiteral("encrypt=") + yes(o.encrypt),
        QStringLiteral("password=") + o.password, QStringLiteral("deleteArchive=") + yes(o.deleteArchive),
        QStringLiteral("deleteDays=") + o.deleteArchiveDays, QStringLiteral("resetBit=") + yes(o.resetArchiveBit),
        QStringLiteral("hidden=") + yes(o.hiddenFiles), QStringLiteral("subDirStruct=") + yes(o.inclSubDirStruct),
        QStringLiteral("registry=") + yes(o.inclRegistry) + yes(o.registryAsText),
        QStringLiteral("noFilter=") + yes(o.filters.optCompleteNoFilter),
        QStringLiteral("old=") + yes(o.filters.chkExclOldFiles) + o.filters.DTPicker1.toString(Qt::ISODate),
        QStringLiteral("young=") + yes(o.filters.chkExclYoungFiles) + o.filters.DTPicker2.toString(Qt::ISODate),
        QStringLiteral("youngDays=") + yes(o.filters.chkExclYoungDayFiles) + o.filters.txtExclYoungDay,
        QStringLiteral("before=") + programText(o.before), QStringLiteral("after=") + programText(o.after),
        QStringLiteral("shutdown=") + yes(o.shutdown), QStringLiteral("sourceSync=") + o.sourceSync,
        QStringLiteral("destinySync=") + o.destinySync,
        QStringLiteral("sync=") + yes(o.syncBothDirections) + yes(o.syncSubDirs)};
    for (const SourceRow& row : o.sources)
        d.append(QStringLiteral("row=") + row.text + QLatin1Char('|') + yes(row.selected));
    return d;
}

QStringList describeLists()
{
    return {QStringLiteral("exclusions=") + ExclusionList.patterns.join(QLatin1Char(',')),
            QStringLiteral("dirExclusions=") + DirExclusionList.patterns.join(QLatin1Char(',')),
            QStringLiteral("inclusions=") + InclusionList.patterns.join(QLatin1Char(','))};
}

// The error log's lines without their time stamps, and the boxes asked for.
QStringList reports()
{
    static const QRegularExpression stamp(QStringLiteral("^.*? \\d\\d:\\d\\d:\\d\\d  "));
    QStringList lines;
    const QString log = QString::fromUtf8(readFile(ErrorLogPath()));
    for (QString line : log.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')) || line.contains(QStringLiteral("QEV_PlaySound")))
            continue;
        lines.append(QStringLiteral("log=") + line.remove(stamp));
    }
    for (const MsgRequest& box : MessageBoxSeam::shown())
        lines.append(QStringLiteral("box=") + box.title + QLatin1Char('|') + box.text);
    return lines;
}

// One line of the table of stored values: "Profile/key=value" ("*" names the user's own
// settings), "file:Name=row;flag;row;flag" for a profile's file, "dir:path" for a folder made
// beforehand; "$T" stands for the case's folder.
void store(const QStringList& entries, const QString& folder)
{
    SettingsStore::reset();
    QFile::remove(SettingsStore::settingsFile());
    for (QString entry : entries) {
        entry.replace(QStringLiteral("$T"), folder);
        if (entry.startsWith(QStringLiteral("dir:"))) {
            QVERIFY(QDir().mkpath(entry.mid(4)));
            continue;
        }
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (entry.startsWith(QStringLiteral("file:"))) {
            const QString lines = entry.mid(equals + 1).replace(QLatin1Char(';'), QLatin1Char('\n'));
            writeFile(Paths::programFolder() + QLatin1Char('/') + entry.mid(5, equals - 5)
                          + QStringLiteral(".pfl"),
                      (lines + QLatin1Char('\n')).toUtf8());
            continue;
        }
        const qsizetype slash = entry.indexOf(QLatin1Char('/'));
        const QString profile = entry.left(slash);
        const QString scope = profile == QStringLiteral("*") ? SettingsKeys::userScope()
                                                              : SettingsKeys::profileScope(profile);
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), entry.mid(slash + 1, equals - slash - 1),
                                 entry.mid(equals + 1));
    }
    QVERIFY(SettingsStore::flush());
    SettingsStore::reset();
    QFile::remove(ErrorLogPath());
    MessageBoxSeam::clearShown();
    ExclusionList = {};
    DirExclusionList = {};
    InclusionList = {};
}

struct Outcome
{
    QStringList options;
    QStringList reports;
    QString writer;
};

} // namespace

class tst_StoredRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void optionsAreThoseTheWindowGives_data();
    void optionsAreThoseTheWindowGives();

private:
    // The old way of an unattended start: the window, its load, the switches on its controls.
    Outcome window(const QString& profile, const QString& dir);
    Outcome stored(const QString& profile, const QString& dir);
    QString m_discs;
};

void tst_StoredRun::initTestCase()
{
    QVERIFY(prepareProgram());
    m_discs = freshFolder(QStringLiteral("discs"));
    qputenv("QUILLARO_CD_DRIVES", QStringLiteral("stdio:%1/a.iso;stdio:%1/b.iso").arg(m_discs).toLocal8Bit());
}

void tst_StoredRun::init()
{
    clearProfiles();
    MessageBoxSeam::setUnattended(true);
    MessageBoxSeam::clearScript();
    MessageBoxSeam::clearShown();
}

void tst_StoredRun::cleanup()
{
    MessageBoxSeam::setUnattended(false);
    g_bAutoRun = false;
}

Outcome tst_StoredRun::window(const QString& profile, const QString& dir)
{
    g_bAutoRun = false;
    g_iCdDevice = 0;
    g_iCdSpeed = 0;
    auto w = std::make_unique<frmMain_BackUp>();
    g_frmMain = w.get();
    w->Form_Load();
    Outcome outcome;
    if (!profile.isNull() && !ApplyProfileSwitch(*w, profile, true)) {
        outcome.options = {QStringLiteral("refused")};
    } else {
        QString folder;
        if (!dir.isNull() && DirSwitchFolder(dir, &folder))
            w->txtPathBackUp->setText(folder);
        g_bAutoRun = true;
        outcome.options = describe(w->runOptions()) + describeLists();
        outcome.writer = w->cdRecorder().writer().currentAddress();
    }
    g_bAutoRun = true; // an unattended close saves nothing
    w->close();
    w.reset();
    outcome.reports = reports();
    return outcome;
}

Outcome tst_StoredRun::stored(const QString& profile, const QString& dir)
{
    g_bAutoRun = true;
    Outcome outcome;
    QString name = StoredRuns::startProfile();
    if (!profile.isNull())
        name = StoredRuns::namedProfile(profile, name);
    if (name.isEmpty()) {
        outcome.options = {QStringLiteral("refused")};
    } else {
        CdRecorder cd;
        RunLock lock(name);
        StoredRun run = StoredRuns::load(name, cd, lock);
        QString folder;
        if (!dir.isNull() && DirSwitchFolder(dir, &folder))
            run.options.pathBackUp = ProfileLoad::withoutTrailingSlash(folder);
        outcome.options = describe(run.options) + describeLists();
        outcome.writer = cd.writer().currentAddress();
    }
    outcome.reports = reports();
    return outcome;
}

void tst_StoredRun::optionsAreThoseTheWindowGives_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("dir");
    const QString none;
    QTest::newRow("nothing stored") << QStringList{} << none << none;
    QTest::newRow("zip run with every option")
        << QStringList{QStringLiteral("Standard/txtPathBackUp=$T/dest/"), QStringLiteral("Standard/txtPathTemp=$T/temp"),
                       QStringLiteral("Standard/optBuMode0=-1"), QStringLiteral("Standard/optArchive1=-1"),
                       QStringLiteral("Standard/optArchive0=0"), QStringLiteral("Standard/txtMaxZIPsize=250"),
                       QStringLiteral("Standard/chkMaxFiles=1"), QStringLiteral("Standard/txtMaxFiles=500"),
                       QStringLiteral("Standard/SldRatio=9"), QStringLiteral("Standard/chkEncrypt=1"),
                       QStringLiteral("Standard/chkRemeberPassword=1"), QStringLiteral("Standard/txtEncryptPassword=K8:w secret"),
                       QStringLiteral("Standard/chkDeleteArchive=1"), QStringLiteral("Standard/txtDeleteArchive=14"),
                       QStringLiteral("Standard/chkExclOldFiles=1"), QStringLiteral("Standard/DTPicker1=2020-01-02"),
                       QStringLiteral("Standard/chkExclYoungFiles=1"), QStringLiteral("Standard/DTPicker2=2021-03-04"),
                       QStringLiteral("Standard/chkExclYoungDayFiles=1"), QStringLiteral("Standard/txtExclYoungDay=3"),
                       QStringLiteral("Standard/txtExclusions=*.iso, img"), QStringLiteral("Standard/txtDirExclusions=cache;tmp"),
                       QStringLiteral("Standard/txtInclusions=*.keep"), QStringLiteral("Standard/chkRunBefore=1"),
                       QStringLiteral("Standard/txtPathBefore=/bin/echo"), QStringLiteral("Standard/txtCommandlineBefore=a b"),
                       QStringLiteral("Standard/optWaitBefore2=-1"), QStringLiteral("Standard/txtWaitSecondsBefore=12"),
                       QStringLiteral("Standard/chkRunAfter=1"), QStringLiteral("Standard/txtPathAfter=/bin/true"),
                       QStringLiteral("Standard/optWaitAfter5=-1"), QStringLiteral("Standard/optWaitAfter4=0"),
                       QStringLiteral("Standard/chkShutdown=1"), QStringLiteral("Standard/chkInclRegistry=1"),
                       QStringLiteral("Standard/optRegistryTXT=-1"), QStringLiteral("Standard/chkAppendArchive=0"),
                       QStringLiteral("Standard/optNewOnly=0"), QStringLiteral("Standard/optComplete=-1"),
                       QStringLiteral("file:Standard=$T/src/*.*;-1 ;$T/one.txt; 0 ;$T/src/*.*; 0 ")}
        << none << QStringLiteral("/run/elsewhere//");
    QTest::newRow("password not remembered, no filters")
        << QStringList{QStringLiteral("Standard/chkEncrypt=1"), QStringLiteral("Standard/chkRemeberPassword=0"),
                       QStringLiteral("Standard/txtEncryptPassword=stale"), QStringLiteral("Standard/optCompleteNoFilter=-1")}
        << none << none;
    QTest::newRow("file copy always goes to the folder")
        << QStringList{QStringLiteral("Standard/optBuMode1=-1"), QStringLiteral("Standard/optBuMode0=0"),
                       QStringLiteral("Standard/chkMedia=0"), QStringLiteral("Standard/chkInclSubDirStruct=0")}
        << none << none;
    QTest::newRow("sync")
        << QStringList{QStringLiteral("Standard/optBuMode2=-1"), QStringLiteral("Standard/txtSourceSync=$T/a/"),
                       QStringLiteral("Standard/txtDestinySync=$T/b/"), QStringLiteral("Standard/chkSyncBothDirections=1"),
                       QStringLiteral("Standard/chkSyncSubDirs=2")}
        << none << none;
    QTest::newRow("odd and negative numbers")
        << QStringList{QStringLiteral("Standard/SldRatio=15"), QStringLiteral("Standard/txtExclYoungDay=-7.9"),
                       QStringLiteral("Standard/txtWaitSecondsBefore=12abc"), QStringLiteral("Standard/txtWaitSecondsAfter="),
                       QStringLiteral("*/txtSpareSpace=1e12"), QStringLiteral("Standard/chkMaxZIPsize=abc"),
                       QStringLiteral("Standard/chkWriteLog=-1"), QStringLiteral("Standard/chkSplit=1.4"),
                       QStringLiteral("Standard/optNewOnly=True"), QStringLiteral("Standard/DTPicker1=soon"),
                       QStringLiteral("Standard/DTPicker2=0050-01-01"), QStringLiteral("Standard/optBuMode0=0"),
                       QStringLiteral("Standard/txtMaxFiles=-5"), QStringLiteral("Standard/txtMaxZIPsize=1,5")}
        << none << none;
    QTest::newRow("spare space put right, level below the range")
        << QStringList{QStringLiteral("*/txtSpareSpace=abc"), QStringLiteral("Standard/SldRatio=-3"),
                       QStringLiteral("Standard/optArchive0=0")}
        << none << none;
    QTest::newRow("ftp")
        << QStringList{QStringLiteral("Standard/chkFTP=1"), QStringLiteral("Standard/chkMedia=0"),
                       QStringLiteral("Standard/txtFTPdir=up/there"), QStringLiteral("*/txtFTPserver=127.0.0.1"),
                       QStringLiteral("*/txtFTPport=2121"), QStringLiteral("*/txtFTPuser=me"),
                       QStringLiteral("*/txtFTPpassword=pw"), QStringLiteral("*/chkProxy=1"),
                       QStringLiteral("*/txtFTPProxy=proxy")}
        << none << none;
    QTest::newRow("cd mode without the writer's list position")
        << QStringList{QStringLiteral("Standard/chkUseCDRecorder=1"), QStringLiteral("Standard/chkUseBurnProof=1"),
                       QStringLiteral("Standard/cboDevices=1"), QStringLiteral("Standard/cboWriteSpeed=4")}
        << none << none;
    QTest::newRow("cd mode, unknown writer")
        << QStringList{QStringLiteral("Standard/chkUseCDRecorder=1"), QStringLiteral("Standard/cboDevices=7")}
        << none << none;
    const QStringList offices = {QStringLiteral("file:Office=$T/office/*.*;-1 "),
                                 QStringLiteral("file:office=$T/lower/*.*;-1 "),
                                 QStringLiteral("Office/optArchive2=-1"), QStringLiteral("office/chkWriteLog=1")};
    QTest::newRow("profile named exactly") << offices << QStringLiteral("office") << none;
    QTest::newRow("profile differing in case from two") << offices << QStringLiteral("OFFICE") << none;
    QTest::newRow("profile differing only in case")
        << QStringList{QStringLiteral("file:Office=$T/office/*.*;-1 "), QStringLiteral("Office/optArchive2=-1")}
        << QStringLiteral("OFFICE") << none;
    QTest::newRow("missing profile") << offices << QStringLiteral("Nowhere") << none;
    QTest::newRow("start profile from the store")
        << QStringList{QStringLiteral("*/ProfileText= Office "), QStringLiteral("*/chkProfileStandard=2"),
                       QStringLiteral("file:Office=$T/office/*.*;-1 "), QStringLiteral("Office/chkWriteLog=1")}
        << none << none;
    QTest::newRow("start profile with an unusable check")
        << QStringList{QStringLiteral("*/ProfileText=Office"), QStringLiteral("*/chkProfileStandard=x")} << none << none;
    QTest::newRow("start profile without a file, named in another case")
        << QStringList{QStringLiteral("*/ProfileText=Night"), QStringLiteral("Night/chkWriteLog=1")}
        << QStringLiteral("night") << none;
    QTest::newRow("refused profile name")
        << QStringList{QStringLiteral("*/ProfileText=a/b")} << none << none;
    QTest::newRow("new subfolders added")
        << QStringList{QStringLiteral("dir:$T/tree/a/deep"), QStringLiteral("dir:$T/tree/.hidden"),
                       QStringLiteral("dir:$T/tree/Backup_old"), QStringLiteral("dir:$T/tree/cache"),
                       QStringLiteral("Standard/chkAddNewSub=1"), QStringLiteral("Standard/chkHiddenFolders=0"),
                       QStringLiteral("Standard/txtDirExclusions=cache"),
                       QStringLiteral("file:Standard=** automatically add new subdirectories to $T/tree/;-1 ;"
                                      "$T/tree/a/*.*; 0 ;** automatically add new subdirectories to $T/gone/;-1 ;"
                                      "** automatically add new subdirectories to $T/tree/; 0 ")}
        << none << QStringLiteral("/dest");
    QTest::newRow("new subfolders not wanted")
        << QStringList{QStringLiteral("dir:$T/tree/a"), QStringLiteral("Standard/chkAddNewSub=0"),
                       QStringLiteral("file:Standard=** automatically add new subdirectories to $T/tree/;-1 ")}
        << none << none;
    QTest::newRow("profile file not read whole")
        << QStringList{QStringLiteral("file:Standard=$T/a/*.*;-1 ;$T/b/*.*")} << none << none;
    QTest::newRow("relative folder") << QStringList{} << none << QStringLiteral("relative/folder");
}

void tst_StoredRun::optionsAreThoseTheWindowGives()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, profile);
    QFETCH(QString, dir);
    const QString folder = freshFolder(QStringLiteral("case"));
    store(entries, folder);
    const Outcome before = window(profile, dir);
    clearProfiles();
    store(entries, folder);
    const Outcome now = stored(profile, dir);
    QCOMPARE(now.options, before.options);
    QCOMPARE(now.reports, before.reports);
    QCOMPARE(now.writer, before.writer);
}

QTEST_MAIN(tst_StoredRun)
#include "tst_StoredRun.moc"
