#include <QtTest>

#include "FtpTestServer.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_GetSystemInfos.h"
#include "SettingsStore.h"
#include "SystemInfo.h"
#include "TestSupport.h"
#include "clsBlowfish.h"

// An unattended ZIP run whose only destination is the FTP server, started as a scheduled task
// starts it: every part and its log land on the server.
class tst_UnattendedFtp : public QObject
{
    Q_OBJECT

private:
    static void setProfile(const QMap<QString, QString>& values, const QString& name = QStringLiteral("Standard"))
    {
        const QString user = QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName());
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            // The connection is the user's; the remote folder belongs to the profile.
            const bool userKey = it.key().startsWith(QStringLiteral("txtFTP")) && it.key() != QStringLiteral("txtFTPdir");
            SettingsStore::saveValue(userKey ? user : user + QLatin1Char('\\') + name, QStringLiteral("Settings"),
                                     it.key(), it.value());
        }
        QVERIFY(SettingsStore::flush());
    }


    // A profile of a fresh source folder holding a.txt, whose parts are single archives
    // without a log, for the server on the port; the values given override these.
    static void singleArchiveProfile(const QString& profile, const QString& src, int port,
                                     const QMap<QString, QString>& values)
    {
        TestSupport::writeFile(src + QStringLiteral("/a.txt"), QByteArray(3000, 'a'));
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(profile), {{src + QStringLiteral("/*.*"), true}}, &error));
        QMap<QString, QString> all = {{QStringLiteral("txtPathTemp"), Paths::tempFolder()},
                                      {QStringLiteral("optNewOnly"), QStringLiteral("0")},
                                      {QStringLiteral("optComplete"), QStringLiteral("-1")},
                                      {QStringLiteral("chkWriteLog"), QStringLiteral("0")},
                                      {QStringLiteral("chkMaxFiles"), QStringLiteral("0")},
                                      {QStringLiteral("chkEncrypt"), QStringLiteral("0")},
                                      {QStringLiteral("txtExclusions"), QString()},
                                      {QStringLiteral("txtDirExclusions"), QString()},
                                      {QStringLiteral("txtFTPserver"), QStringLiteral("127.0.0.1")},
                                      {QStringLiteral("txtFTPport"), QString::number(port)},
                                      {QStringLiteral("txtFTPuser"), QStringLiteral("u")},
                                      {QStringLiteral("txtFTPpassword"), QStringLiteral("pw")}};
        all.insert(values);
        setProfile(all, profile);
    }
    // Runs the profile as a scheduled task would; its exit code.
    static int runOnce(const QString& profile)
    {
        QProcess run;
        run.start(QStringLiteral(QUILLARO_BINARY), {QStringLiteral("/run"), QStringLiteral("/profile:") + profile});
        return run.waitForFinished(120000) ? run.exitCode() : -999;
    }
    static QByteArray errorLog() { return TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")); }

private slots:
    void initTestCase() { QVERIFY(Paths::prepareFolders()); }

    void partsAndLogsReachTheServer_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << QString();
        QTest::newRow("encrypted") << QStringLiteral("geheim");
    }
    void partsAndLogsReachTheServer()
    {
        QFETCH(QString, password);
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/a.txt"), QByteArray(3000, 'a'));
        TestSupport::writeFile(src + QStringLiteral("/b.txt"), QByteArray(3000, 'b'));
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{src + QStringLiteral("/*.*"), true}}, &error));
        const bool encrypt = !password.isEmpty();
        setProfile({{QStringLiteral("chkMedia"), QStringLiteral("0")},
                    {QStringLiteral("chkFTP"), QStringLiteral("1")},
                    {QStringLiteral("txtPathBackUp"), QString()},
                    {QStringLiteral("txtPathTemp"), Paths::tempFolder()},
                    {QStringLiteral("optNewOnly"), QStringLiteral("0")},
                    {QStringLiteral("chkWriteLog"), QStringLiteral("1")},
                    {QStringLiteral("chkMaxFiles"), QStringLiteral("1")},
                    {QStringLiteral("txtMaxFiles"), QStringLiteral("1")},
                    {QStringLiteral("txtExclusions"), QString()},
                    {QStringLiteral("txtDirExclusions"), QString()},
                    {QStringLiteral("optComplete"), QStringLiteral("-1")},
                    {QStringLiteral("chkEncrypt"), encrypt ? QStringLiteral("1") : QStringLiteral("0")},
                    {QStringLiteral("chkRemeberPassword"), QStringLiteral("1")},
                    {QStringLiteral("txtEncryptPassword"), password},
                    {QStringLiteral("txtFTPdir"), QStringLiteral("night/quillaro")},
                    {QStringLiteral("txtFTPserver"), QStringLiteral("127.0.0.1")},
                    {QStringLiteral("txtFTPport"), QString::number(server.port())},
                    {QStringLiteral("txtFTPuser"), QStringLiteral("u")},
                    {QStringLiteral("txtFTPpassword"), QStringLiteral("pw")}});
        QProcess run;
        run.start(QStringLiteral(QUILLARO_BINARY), {QStringLiteral("/run"), QStringLiteral("/profile:Standard")});
        QVERIFY(run.waitForFinished(120000));
        QVERIFY2(run.exitCode() == 0, TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")).constData());
        const QString folder = root + QStringLiteral("/night/quillaro/");
        const QString stem = QStringLiteral("Standard_BackUp_d") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        const QString ext = encrypt ? QStringLiteral(".zip.cry") : QStringLiteral(".zip");
        QStringList expected;
        for (int part : {1, 2})
            expected << stem + QStringLiteral("__%1").arg(part) + ext << stem + QStringLiteral("__%1").arg(part) + ext + QStringLiteral(".log");
        expected.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files), expected);
        for (int part : {1, 2}) {
            QString zip = folder + stem + QStringLiteral("__%1").arg(part) + ext;
            QVERIFY(TestSupport::readFile(zip + QStringLiteral(".log")).contains(".txt"));
            if (encrypt) {
                const QString plain = TestSupport::freshFolder(QStringLiteral("plain")) + QStringLiteral("/p.zip");
                clsBlowfish cipher;
                QVERIFY(cipher.DecryptFile(zip, plain, true, QStringLiteral("K8:w-") + password + QStringLiteral("Rb\\7@")));
                zip = plain;
            }
            QString output;
            QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}, &output), 0);
        }
        QVERIFY(QDir(Paths::tempFolder()).entryList(QDir::Files).isEmpty());
    }

    // Broken uploads of earlier runs left partial copies of the profile's archives; the next
    // good upload takes them away, and leaves every other file as it is.
    void aGoodUploadTakesAwayBrokenOnesOfTheProfile()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        const QString destination = TestSupport::freshFolder(QStringLiteral("dest"));
        const QString folder = root + QStringLiteral("/night/");
        const QStringList broken = {QStringLiteral("Standard_BackUp_d20200101__1.zip.part"),
                                    QStringLiteral("Standard_BackUp_d20200101__1.zip.log.part")};
        const QStringList others = {QStringLiteral("Standard_BackUp_d20200101__1.zip"),
                                    QStringLiteral("Other_BackUp_d20200101__1.zip.part"),
                                    QStringLiteral("notes.part")};
        for (const QString& name : broken + others)
            TestSupport::writeFile(folder + name, "left");
        singleArchiveProfile(QStringLiteral("Standard"), TestSupport::freshFolder(QStringLiteral("src")), server.port(),
                             {{QStringLiteral("chkMedia"), QStringLiteral("1")},
                              {QStringLiteral("chkFTP"), QStringLiteral("1")},
                              {QStringLiteral("txtPathBackUp"), destination},
                              {QStringLiteral("chkAppendArchive"), QStringLiteral("0")},
                              {QStringLiteral("txtFTPdir"), QStringLiteral("night")}});
        QVERIFY2(runOnce(QStringLiteral("Standard")) == 0, errorLog().constData());
        const QStringList left = QDir(folder).entryList(QDir::Files);
        for (const QString& name : broken)
            QVERIFY2(!left.contains(name), qPrintable(left.join(QLatin1Char(' '))));
        for (const QString& name : others)
            QVERIFY2(left.contains(name), qPrintable(left.join(QLatin1Char(' '))));
        QCOMPARE(QDir(destination).entryList(QDir::Files).size(), 1);
    }

    // A profile name that holds wildcard characters is matched literally on the server:
    // the second run appends to the archive of the first instead of starting a new part.
    void appendingWorksForNamesWithWildcardCharacters_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::newRow("hash") << QStringLiteral("Office #2");
        QTest::newRow("brackets") << QStringLiteral("Daily [a]");
    }
    void appendingWorksForNamesWithWildcardCharacters()
    {
        QFETCH(QString, profile);
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        singleArchiveProfile(profile, src, server.port(),
                             {{QStringLiteral("chkMedia"), QStringLiteral("0")},
                              {QStringLiteral("chkFTP"), QStringLiteral("1")},
                              {QStringLiteral("txtPathBackUp"), QString()},
                              {QStringLiteral("chkAppendArchive"), QStringLiteral("1")},
                              {QStringLiteral("txtFTPdir"), QStringLiteral("office")}});
        QVERIFY2(runOnce(profile) == 0, errorLog().constData());
        const QString folder = root + QStringLiteral("/office/");
        const QStringList first = QDir(folder).entryList(QDir::Files);
        QCOMPARE(first.size(), 1);
        QVERIFY(first.first().startsWith(profile + QStringLiteral("_BackUp_d")));
        TestSupport::writeFile(src + QStringLiteral("/b.txt"), QByteArray(3000, 'b'));
        QVERIFY2(runOnce(profile) == 0, errorLog().constData());
        QCOMPARE(QDir(folder).entryList(QDir::Files), first);
        // unzip reads wildcards in the name of an archive too.
        const QString plain = TestSupport::freshFolder(QStringLiteral("plain")) + QStringLiteral("/a.zip");
        QVERIFY(QFile::copy(folder + first.first(), plain));
        QString listing;
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-l"), plain}, &listing), 0);
        QVERIFY2(listing.contains(QStringLiteral("a.txt")) && listing.contains(QStringLiteral("b.txt")), qPrintable(listing));
    }
};

QTEST_GUILESS_MAIN(tst_UnattendedFtp)
#include "tst_UnattendedFtp.moc"
