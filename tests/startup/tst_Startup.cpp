#include <QtTest>

#include <signal.h>

#include "Paths.h"
#include "ProfileFile.h"
#include "RunLock.h"
#include "QEV_GetSystemInfos.h"
#include "SettingsStore.h"
#include "SystemInfo.h"
#include "clsBlowfish.h"
#include "TestSupport.h"

// Starts the real program, as a user or a scheduled task would.
class tst_Startup : public QObject
{
    Q_OBJECT

private:
    static void startProgram(QProcess& p, const QStringList& args,
                             QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
    {
        env.insert(QStringLiteral("QUILLARO_NO_DIALOGS"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QStringLiteral(QUILLARO_BINARY), args);
        QVERIFY(p.waitForStarted());
    }
    static int runToEnd(const QStringList& args, QString* stderrText, QString* stdoutText = nullptr,
                        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        startProgram(p, args, env);
        if (!p.waitForFinished(60000)) {
            p.kill();
            return -999;
        }
        *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
        if (stdoutText)
            *stdoutText = QString::fromLocal8Bit(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -998;
    }
    // The profile "Standard" with these settings and source rows.
    static void writeStandard(const QMap<QString, QString>& values, const QList<ProfileRow>& rows)
    {
        const QString profile = QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName())
                                + QStringLiteral("\\Standard");
        // The tests share one home: options an earlier test ticked are put back first.
        const QMap<QString, QString> plain{{QStringLiteral("txtPathTemp"), Paths::tempFolder()},
                                           {QStringLiteral("chkDeleteArchive"), QStringLiteral("0")},
                                           {QStringLiteral("chkRunBefore"), QStringLiteral("0")},
                                           {QStringLiteral("chkRunAfter"), QStringLiteral("0")},
                                           {QStringLiteral("chkWriteLog"), QStringLiteral("0")},
                                           {QStringLiteral("chkAppendArchive"), QStringLiteral("1")}};
        for (auto it = plain.begin(); it != plain.end(); ++it)
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), it.key(), it.value());
        for (auto it = values.begin(); it != values.end(); ++it)
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), it.key(), it.value());
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), rows, &error));
    }
    static QString log() { return QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log"))); }
    static QString settings() { return QString::fromUtf8(TestSupport::readFile(Paths::baseFolder() + QStringLiteral("/settings.ini"))); }
    // Where the audio system keeps its client state once it was started: here no sound server
    // listens, so nothing is to be played and it must not have been started.
    static bool audioSystemStarted()
    {
        return QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/pulse"))
               || QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse"))
               || QFileInfo::exists(QDir::homePath() + QStringLiteral("/.config/pulse"));
    }

private slots:
    void firstStartKeepsRunningAndASecondEnds()
    {
        QProcess first;
        startProgram(first, {});
        QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("End of Header")), 30000);
        QVERIFY(log().startsWith(QStringLiteral("########  q.e.v error log file - created ")));
        QVERIFY(settings().contains(QStringLiteral("ProgramVersion=")));
        QVERIFY(QFile::exists(Paths::commonFolder() + QStringLiteral("/language/english.lng")));
        QCOMPARE(first.state(), QProcess::Running);

        QString err;
        QCOMPARE(runToEnd({}, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("Another instance")), qPrintable(err));


        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
        const QString printed = QString::fromLocal8Bit(first.readAllStandardError());
        QVERIFY2(!printed.contains(QStringLiteral("PulseAudio")), qPrintable(printed));
        QVERIFY(!audioSystemStarted());
    }

    // The refusal writes no profile: neither the start profile nor the last one of the list.
    void unattendedRunOfAnUnknownProfileRunsNothing()
    {
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{QStringLiteral("/standard/*.*"), true}}, &error));
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Zeta")), {{QStringLiteral("/zeta/*.*"), false}}, &error));
        const QByteArray standard = TestSupport::readFile(ProfileFile::path(QStringLiteral("Standard")));
        const QByteArray zeta = TestSupport::readFile(ProfileFile::path(QStringLiteral("Zeta")));
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/profile:NoSuchProfile")}, &err), 1);
        QVERIFY(log().contains(QStringLiteral("no profile of that name: \"NoSuchProfile\"")));
        QVERIFY(!err.contains(QStringLiteral("message box")));
        QCOMPARE(TestSupport::readFile(ProfileFile::path(QStringLiteral("Standard"))), standard);
        QCOMPARE(TestSupport::readFile(ProfileFile::path(QStringLiteral("Zeta"))), zeta);
        QVERIFY2(!settings().contains(QStringLiteral("txtPathBackUp=")), qPrintable(settings()));
    }

    // As cron starts it: no display. Fonts are read through this configuration, whose cache
    // folder fills as soon as the font system starts.
    static QProcessEnvironment withoutDisplay(const QString& fontCache)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        const QString fonts = TestSupport::freshFolder(QStringLiteral("fonts"));
        const QString config = fonts + QStringLiteral("/fonts.conf");
        TestSupport::writeFile(config, "<?xml version=\"1.0\"?><fontconfig><dir>" + QFile::encodeName(fonts)
                                           + "</dir><cachedir>" + QFile::encodeName(fontCache)
                                           + "</cachedir></fontconfig>\n");
        env.insert(QStringLiteral("FONTCONFIG_FILE"), config);
        return env;
    }

    // The dynamic loader's own record of what a process loaded: started with this, it writes
    // one file per process beside the prefix.
    static void recordLoading(QProcessEnvironment& env, const QString& prefix)
    {
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
        env.insert(QStringLiteral("LD_DEBUG_OUTPUT"), prefix);
    }
    static QStringList loaded(const QString& prefix)
    {
        QStringList files;
        const QFileInfo info(prefix);
        for (const QString& record : QDir(info.path()).entryList({info.fileName() + QStringLiteral(".*")})) {
            const QString text = QString::fromUtf8(TestSupport::readFile(info.path() + QLatin1Char('/') + record));
            for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("file=(\\S+)")).globalMatch(text))
                files << m.captured(1);
        }
        files.removeDuplicates();
        return files;
    }
    // What only a sound, a phrase, an FTP transfer, a mail or a CD needs.
    static QStringList optionalParts(const QStringList& files)
    {
        static const QRegularExpression optional(QStringLiteral("libquillaro_|libQt6Multimedia|libespeak-ng|libpulse|libcurl|libburn|libisofs"));
        return files.filter(optional);
    }

    // A copy of the program in a prefix of its own, whose module folder holds no usable window
    // module: an interactive start fails with the module's file and the loader's reason.
    void aMissingWindowModuleFailsTheStart_data()
    {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("No such file or directory");
        QTest::newRow("no library") << QByteArray("not a library") << QStringLiteral("file too short");
    }
    void aMissingWindowModuleFailsTheStart()
    {
        QFETCH(QByteArray, module);
        QFETCH(QString, reason);
        const QString prefix = TestSupport::freshFolder(QStringLiteral("prefix"));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")) && QDir().mkpath(prefix + QStringLiteral("/lib/quillaro")));
        const QString program = prefix + QStringLiteral("/bin/quillaro");
        QVERIFY(QFile::copy(QStringLiteral(QUILLARO_BINARY), program));
        const QString file = prefix + QStringLiteral("/lib/quillaro/libquillaro_window.so");
        if (!module.isNull())
            TestSupport::writeFile(file, module);
        QProcess p;
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(program, QStringList());
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.startsWith(QStringLiteral("quillaro: the program's module ") + file + QStringLiteral(" cannot be loaded: "))
                     && err.contains(reason) && err.count(QLatin1Char('\n')) == 1,
                 qPrintable(err));
    }

    void unattendedRunBacksTheProfileUp_data()
    {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<bool>("display");
        QTest::newRow("plain") << false << true;
        QTest::newRow("encrypted") << true << true;
        QTest::newRow("no display") << false << false;
    }

    void unattendedRunBacksTheProfileUp()
    {
        QFETCH(bool, encrypt);
        QFETCH(bool, display);
        const QString fontCache = TestSupport::freshFolder(QStringLiteral("font-cache"));
        QProcessEnvironment env =
            display ? QProcessEnvironment::systemEnvironment() : withoutDisplay(fontCache);
        const QString record = TestSupport::freshFolder(QStringLiteral("loading")) + QStringLiteral("/ld");
        recordLoading(env, record);
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest")) + QStringLiteral("/deeper");
        TestSupport::makeTree(src, {{QStringLiteral("keep.txt"), "kept"}, {QStringLiteral("skip.tmp"), "left out"},
                                    {QStringLiteral("sub/inner.doc"), "not below a plain folder entry"}});
        const QString profile = QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName())
                                + QStringLiteral("\\Standard");
        const auto set = [&](const char* key, const QString& value) {
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key), value);
        };
        set("txtPathTemp", Paths::tempFolder());
        set("txtExclusions", QStringLiteral("*.tmp"));
        set("chkWriteLog", QStringLiteral("1"));
        set("chkAppendArchive", QStringLiteral("0"));
        set("chkEncrypt", encrypt ? QStringLiteral("1") : QStringLiteral("0"));
        set("chkRemeberPassword", QStringLiteral("1"));
        set("txtEncryptPassword", QStringLiteral("secret"));
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")),
                                   {{src + QStringLiteral("/*.*"), true}}, &error));

        QString err;
        QString out;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/profile:standard"), QStringLiteral("/dir:") + dest + QLatin1Char('/')}, &err, &out, env), 0);
        // Cron mails what a job prints: a run that completed prints nothing at all.
        QCOMPARE(err, QString());
        QCOMPARE(out, QString());
        const QString name = QStringLiteral("Standard_BackUp_d") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
                             + QStringLiteral("__1.zip");
        QString zip = dest + QLatin1Char('/') + name;
        if (encrypt) {
            QVERIFY2(QFile::exists(zip + QStringLiteral(".cry")), qPrintable(TestSupport::readTree(dest).keys().join(QLatin1Char(' '))));
            QVERIFY(QFile::exists(zip + QStringLiteral(".cry.log")));
            clsBlowfish cipher;
            QVERIFY(cipher.DecryptFile(zip + QStringLiteral(".cry"), zip, true, QStringLiteral("K8:w-secretRb\\7@")));
        } else {
            QVERIFY2(QFile::exists(zip), qPrintable(TestSupport::readTree(dest).keys().join(QLatin1Char(' ')) + err));
            QVERIFY(QFile::exists(zip + QStringLiteral(".log")));
        }
        QString listing;
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip}, &listing), 0);
        QCOMPARE(listing.trimmed(), QString(src + QStringLiteral("/keep.txt")).mid(1));
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}, &listing), 0);
        // Unattended: the settings are not saved by the run.
        QVERIFY(!settings().contains(QStringLiteral("txtPathBackUp=") + dest));
        QVERIFY(!audioSystemStarted());
        // Nothing is shown, so no text is measured and no font read.
        QCOMPARE(TestSupport::readTree(fontCache).keys(), QStringList());
        // A run that plays, speaks, sends and writes to disc nothing loads none of their parts.
        const QStringList files = loaded(record);
        QVERIFY2(files.filter(QStringLiteral("libQt6Core")).size() == 1, qPrintable(files.join(QLatin1Char(' '))));
        QCOMPARE(optionalParts(files), QStringList());
        // No window is built: the run starts no platform of the window system at all.
        QCOMPARE(files.filter(QStringLiteral("/platforms/")), QStringList());
    }

    void programsBeforeAndAfterAreWaitedFor()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        const QString marker = Paths::baseFolder() + QStringLiteral("/after-ran");
        TestSupport::writeFile(src + QStringLiteral("/first.txt"), "1");
        const QString profile = QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName())
                                + QStringLiteral("\\Standard");
        const auto set = [&](const char* key, const QString& value) {
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key), value);
        };
        set("txtPathTemp", Paths::tempFolder());
        set("chkAppendArchive", QStringLiteral("0"));
        set("chkEncrypt", QStringLiteral("0"));
        set("chkRunBefore", QStringLiteral("1"));
        set("txtPathBefore", QStringLiteral("/bin/sh"));
        // Waited for: the file it makes after a second is backed up. Its input is /dev/null.
        set("txtCommandlineBefore", QStringLiteral("-c \"[ \\\"$(readlink /proc/self/fd/0)\\\" = /dev/null ] && sleep 1 && echo made > ")
                                        + src + QStringLiteral("/made-before.txt\""));
        set("chkRunAfter", QStringLiteral("1"));
        set("txtPathAfter", QStringLiteral("/bin/sh"));
        set("txtCommandlineAfter", QStringLiteral("-c \"echo done > ") + marker + QStringLiteral("\""));
        set("optWaitAfter3", QStringLiteral("-1"));
        set("optWaitAfter4", QStringLiteral("0"));
        set("txtWaitSecondsAfter", QStringLiteral("1"));
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{src + QStringLiteral("/*.*"), true}}, &error));
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err), 0);
        const QStringList zips = QDir(dest).entryList({QStringLiteral("*.zip")}, QDir::Files);
        QCOMPARE(zips.size(), 1);
        QString listing;
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), dest + QLatin1Char('/') + zips.first()}, &listing), 0);
        QVERIFY2(listing.contains(QStringLiteral("made-before.txt")), qPrintable(listing));
        QCOMPARE(TestSupport::readFile(marker), QByteArray("done\n"));
    }

    // An unattended run that did not simply complete says so in one line naming the error log
    // and ends with its own exit code.
    void unattendedOutcomes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("logged");
        QTest::newRow("a source row is missing") << QStringLiteral("-") << QString() << 3
                                                 << QStringLiteral("the backup finished with problems")
                                                 << QStringLiteral("left out of the backup: ");
        QTest::newRow("a number box holds letters")
            << QStringLiteral("txtDeleteArchive") << QStringLiteral("thirty") << 1 << QStringLiteral("the backup failed")
            << QStringLiteral("unattended run, box not shown: ");
    }

    void unattendedOutcomes()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, exitCode);
        QFETCH(QString, line);
        QFETCH(QString, logged);
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        writeStandard({{QStringLiteral("chkDeleteArchive"), QStringLiteral("1")}, {key, value}},
                      {{src + QStringLiteral("/*.*"), true}, {src + QStringLiteral("/missing.txt"), key == QStringLiteral("-")}});
        QString err;
        QString out;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err, &out), exitCode);
        QCOMPARE(out, QString());
        QCOMPARE(err, QStringLiteral("quillaro: ") + line + QStringLiteral(" - see the error log ")
                          + Paths::commonFolder() + QStringLiteral("/error.log\n"));
        // The entry has the time stamp and form of every other line, on one line.
        const QStringList lines = log().split(QLatin1Char('\n'));
        const auto entry = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(logged); });
        QVERIFY2(entry != lines.end(), qPrintable(log()));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\S.* \\d\\d:\\d\\d:\\d\\d  Quillaro : ")).match(*entry).hasMatch(), qPrintable(*entry));
        if (exitCode == 1) {
            QVERIFY(entry->contains(QStringLiteral(" - ") + QStringLiteral("The backup was not started")));
            QVERIFY(TestSupport::readTree(dest).isEmpty());
        }
    }

    // Standard error closed by its reader: writing the last line must not kill the program.
    void closedOutputPipeDoesNotKillTheRun()
    {
        writeStandard({{QStringLiteral("chkDeleteArchive"), QStringLiteral("1")}, {QStringLiteral("txtDeleteArchive"), QStringLiteral("x")}}, {});
        QProcess p;
        startProgram(p, {QStringLiteral("/run")});
        p.closeReadChannel(QProcess::StandardError);
        p.closeReadChannel(QProcess::StandardOutput);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
    }

    void beforeProgramThatFailsStopsTheRunBeforeAnyFileIsRead()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        TestSupport::writeFile(src + QStringLiteral("/first.txt"), "1");
        writeStandard({{QStringLiteral("chkRunBefore"), QStringLiteral("1")},
                       {QStringLiteral("txtPathBefore"), QStringLiteral("/bin/sh")},
                       {QStringLiteral("txtCommandlineBefore"), QStringLiteral("-c \"exit 7\"")}},
                      {{src + QStringLiteral("/*.*"), true}});
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err), 1);
        QVERIFY(TestSupport::readTree(dest).isEmpty());
        QVERIFY2(log().contains(QStringLiteral("exit code 7")), qPrintable(log()));
    }

    // A folder below a mount location whose drive is not plugged in is not made on the system
    // disk, where it would stand in the way of the drive's own mount point.
    void dirOnAnAbsentDriveIsNotMade()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        writeStandard({}, {{src + QStringLiteral("/*.*"), true}});
        const QString drive = QStringLiteral("/mnt/quillaro-absent-") + QString::number(QCoreApplication::applicationPid());
        QString err;
        const int code = runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + drive + QStringLiteral("/backup")}, &err);
        const bool made = QFileInfo::exists(drive);
        QDir(drive).removeRecursively();
        QVERIFY(!made);
        QCOMPARE(code, 1);
    }

    // A folder that is no full path would be made below whatever folder cron started in: the
    // run is refused at once, and nothing is made there.
    void dirThatIsNoFullPathIsRefused_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::newRow("relative") << QStringLiteral("backups/today");
        QTest::newRow("dot") << QStringLiteral("./backups");
        QTest::newRow("home sign") << QStringLiteral("~/backups");
        QTest::newRow("empty") << QString();
    }

    void dirThatIsNoFullPathIsRefused()
    {
        QFETCH(QString, dir);
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        QVERIFY(QDir().mkpath(Paths::programFolder()));
        writeStandard({}, {{src + QStringLiteral("/*.*"), true}});
        const QString started = TestSupport::freshFolder(QStringLiteral("cwd"));
        const QString kept = QDir::currentPath();
        QVERIFY(QDir::setCurrent(started));
        QString err;
        const int code = runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dir}, &err);
        QVERIFY(QDir::setCurrent(kept));
        QCOMPARE(code, 1);
        QVERIFY2(log().contains(QStringLiteral("must be a full path")), qPrintable(log()));
        QVERIFY(log().contains(QStringLiteral("no run took place")));
        QCOMPARE(QDir(started).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // While another process runs the profile, a scheduled run of it waits a moment, then is
    // refused: nothing is written, and the other run's lock stays its own.
    void runOfABusyProfileIsRefused()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        writeStandard({}, {{src + QStringLiteral("/*.*"), true}});
        RunLock other(QStringLiteral("Standard"));
        QVERIFY(other.tryAcquire());
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err), 1);
        QVERIFY2(log().contains(QStringLiteral("The profile \"Standard\" is busy")), qPrintable(log()));
        QVERIFY(TestSupport::readTree(dest).isEmpty());
        RunLock third(QStringLiteral("standard"));
        QVERIFY(!third.tryAcquire());
    }

    // A run that was killed, or whose lock file a power cut left empty, blocks no later run.
    void lockOfARunThatDiedIsTakenOver_data()
    {
        QTest::addColumn<bool>("emptied");
        QTest::newRow("killed") << false;
        QTest::newRow("lock file left empty") << true;
    }

    void lockOfARunThatDiedIsTakenOver()
    {
        QFETCH(bool, emptied);
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        const QString pidFile = TestSupport::freshFolder(QStringLiteral("before")) + QStringLiteral("/pid");
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        writeStandard({{QStringLiteral("chkRunBefore"), QStringLiteral("1")},
                       {QStringLiteral("txtPathBefore"), QStringLiteral("/bin/sh")},
                       {QStringLiteral("txtCommandlineBefore"),
                        QStringLiteral("-c \"echo $$ > ") + pidFile + QStringLiteral("; exec sleep 60\"")}},
                      {{src + QStringLiteral("/*.*"), true}});
        QProcess first;
        startProgram(first, {QStringLiteral("/run"), QStringLiteral("/dir:") + dest});
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readFile(pidFile).endsWith('\n'), 30000);
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        ::kill(TestSupport::readFile(pidFile).trimmed().toInt(), SIGKILL);
        const QString locks = Paths::baseFolder() + QStringLiteral("/locks");
        const QStringList left = QDir(locks).entryList(QDir::Files);
        QCOMPARE(left.size(), 1);
        if (emptied)
            QVERIFY(QFile(locks + QLatin1Char('/') + left.first()).resize(0));
        writeStandard({}, {{src + QStringLiteral("/*.*"), true}});
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err), 0);
        QCOMPARE(QDir(dest).entryList({QStringLiteral("*.zip")}, QDir::Files).size(), 1);
        QCOMPARE(QDir(locks).entryList(QDir::Files), QStringList());
    }

    // A run that finds every file backed up before ends as completed, adds nothing to the
    // destination and leaves nothing in the temp folder.
    void runWithNothingToDoLeavesNothing()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        TestSupport::makeTree(src, {{QStringLiteral("one.txt"), "1"}, {QStringLiteral("two.txt"), "22"}});
        writeStandard({{QStringLiteral("chkAppendArchive"), QStringLiteral("0")},
                       {QStringLiteral("chkWriteLog"), QStringLiteral("1")}},
                      {{src + QStringLiteral("/*.*"), true}});
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err), 0);
        const TestSupport::Tree first = TestSupport::readTree(dest);
        QCOMPARE(first.size(), 2); // the archive and its log
        const QString logBefore = log();
        QString out;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest}, &err, &out), 0);
        QCOMPARE(err, QString());
        QCOMPARE(out, QString());
        QCOMPARE(TestSupport::readTree(dest), first);
        QCOMPARE(TestSupport::readTree(Paths::tempFolder()).keys(), QStringList());
        QCOMPARE(log(), logBefore);
    }

    void missingLanguageFileEndsStartUp()
    {
        QFile::remove(Paths::commonFolder() + QStringLiteral("/language/english.lng"));
        QFile lang(Paths::commonFolder() + QStringLiteral("/language/english.lng"));
        // A folder in its place keeps start-up from copying the shipped file again.
        QVERIFY(QDir().mkpath(Paths::commonFolder() + QStringLiteral("/language/english.lng")));
        QString err;
        QCOMPARE(runToEnd({}, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("is missing")) || log().contains(QStringLiteral("set_language")),
                 qPrintable(err));
        QDir(Paths::commonFolder() + QStringLiteral("/language/english.lng")).removeRecursively();
    }

    void noDisplayInteractiveStartFails()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLARO_BINARY), {});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("no display")));
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_Startup.moc"
