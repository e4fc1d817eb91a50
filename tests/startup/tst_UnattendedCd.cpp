#include <QtTest>

#include "Clock.h"
#include "DiscImage.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "SettingsStore.h"
#include "SystemInfo.h"
#include "TestSupport.h"

namespace {

QString userScope() { return QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName()); }

QStringList runArguments(const QString& profile)
{
    return {QStringLiteral("/run"), QStringLiteral("/profile:") + profile};
}

// Runs the program as a scheduled task would and gives its exit code.
int runUnattended(QString* stderrText, const QString& profile = QStringLiteral("Standard"))
{
    QProcess p;
    p.start(QStringLiteral(QUILLARO_BINARY), runArguments(profile));
    if (!p.waitForFinished(120000)) {
        p.kill();
        return -999;
    }
    *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
}

// The same with standard error a pipe whose reader has gone, as a job whose output nobody
// reads; a run killed by a signal gives minus the signal's number.
int runWithClosedStderr(const QString& profile = QStringLiteral("Standard"))
{
    const QString script = QStringLiteral("import os, subprocess, sys\n"
                                          "r, w = os.pipe()\n"
                                          "os.close(r)\n"
                                          "print(subprocess.run(sys.argv[1:], stderr=w, stdout=subprocess.DEVNULL).returncode)\n");
    QString output;
    if (TestSupport::runTool(QStringLiteral("/usr/bin/python3"),
                             QStringList {QStringLiteral("-c"), script, QStringLiteral(QUILLARO_BINARY)} + runArguments(profile),
                             &output)
        != 0)
        return -999;
    return output.trimmed().toInt();
}

QString errorLog() { return QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log"))); }

} // namespace

// Unattended runs of profiles that write to a CD drive: file-backed drives named in the
// settings, or none.
class tst_UnattendedCd : public QObject
{
    Q_OBJECT

private:
    // A profile that backs up a source folder of its own to the disc in CD mode.
    void cdProfile(const QString& name, const QString& destination = QString())
    {
        const QString src = TestSupport::freshFolder(name);
        TestSupport::writeFile(src + QStringLiteral("/a.txt"), "on the disc");
        const QString profile = userScope() + QLatin1Char('\\') + name;
        for (const auto& [key, value] : {std::pair {"txtPathTemp", Paths::tempFolder()},
                                         {"chkWriteLog", QStringLiteral("1")},
                                         {"chkAppendArchive", QStringLiteral("0")},
                                         {"chkMedia", QStringLiteral("1")},
                                         {"txtPathBackUp", destination},
                                         {"chkUseCDRecorder", QStringLiteral("1")}})
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key), value);
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(name), {{src + QStringLiteral("/*.*"), true}}, &error));
    }
    static void useDrives(const QString& drives)
    {
        SettingsStore::saveValue(userScope(), QStringLiteral("CD Writer"), QStringLiteral("Drives"), drives);
        QVERIFY(SettingsStore::flush());
    }
    static QString stem(const QString& profile)
    {
        return profile + QStringLiteral("_BackUp_d") + Clock::today().toString(QStringLiteral("yyyyMMdd"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Paths::prepareFolders());
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
    }
    void init()
    {
        QFile::remove(Paths::commonFolder() + QStringLiteral("/error.log"));
    }

    void aZipRunWritesItsArchiveToTheDisc()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        useDrives(QStringLiteral("stdio:") + disc);
        cdProfile(QStringLiteral("Standard"));

        QString stderrText;
        QCOMPARE(runUnattended(&stderrText), 0);
        QVERIFY2(stderrText.isEmpty(), qPrintable(stderrText));
        const QStringList names = DiscImage::files(disc).keys();
        QCOMPARE(names, (QStringList {stem(QStringLiteral("Standard")) + QStringLiteral("__1.zip"),
                                      stem(QStringLiteral("Standard")) + QStringLiteral("__1.zip.log")}));
    }

    // A profile that writes to a disc, with no writer there, writes nowhere else: the run is
    // refused, also when its standard error is a pipe nobody reads.
    void withoutAWriterNothingIsWritten()
    {
        useDrives(QString());
        const QString destination = TestSupport::freshFolder(QStringLiteral("dest"));
        cdProfile(QStringLiteral("Standard"), destination);
        QString stderrText;
        QCOMPARE(runUnattended(&stderrText), 1);
        QVERIFY(stderrText.contains(QStringLiteral("error.log")));
        QVERIFY2(errorLog().contains(LangText(327)), qPrintable(errorLog()));
        QCOMPARE(QDir(destination).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(Paths::programFolder()).entryList({QStringLiteral("*_BackUp_*")}, QDir::Files), QStringList());
        QCOMPARE(runWithClosedStderr(), 1);
    }

    // A failing write with standard error a pipe nobody reads still ends with its exit code:
    // the writer's set-up leaves the program's signal dispositions as they were.
    void aFailedWriteEndsWithOneWhateverItsOutput()
    {
        useDrives(QStringLiteral("stdio:/dev/full"));
        cdProfile(QStringLiteral("Standard"));
        QCOMPARE(runWithClosedStderr(), 1);
        QVERIFY(errorLog().contains(QStringLiteral("BurnCD of Formular frmMain_BackUp")));
    }

    // Two profiles on one drive at the same time: each run gets a session of its own, none
    // written over the other.
    void twoRunsOnOneDriveBothReachTheDisc()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        useDrives(QStringLiteral("stdio:") + disc);
        cdProfile(QStringLiteral("Standard"));
        cdProfile(QStringLiteral("Second"));
        QProcess first;
        QProcess second;
        first.start(QStringLiteral(QUILLARO_BINARY), runArguments(QStringLiteral("Standard")));
        second.start(QStringLiteral(QUILLARO_BINARY), runArguments(QStringLiteral("Second")));
        QVERIFY(first.waitForFinished(240000));
        QVERIFY(second.waitForFinished(240000));
        QVERIFY2(first.exitCode() == 0 && second.exitCode() == 0, qPrintable(errorLog()));
        QStringList names = DiscImage::files(disc).keys();
        names.sort();
        QStringList expected;
        for (const QString& profile : {QStringLiteral("Second"), QStringLiteral("Standard")})
            expected << stem(profile) + QStringLiteral("__1.zip") << stem(profile) + QStringLiteral("__1.zip.log");
        QCOMPARE(names, expected);
        QCOMPARE(DiscImage::sessions(disc), 2);
    }
};

QTEST_GUILESS_MAIN(tst_UnattendedCd)
#include "tst_UnattendedCd.moc"
