#include <QtTest>

#include "DriveInfo.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "TestSupport.h"

namespace {

MediaOptions folderOptions(const QString& path, const QString& spare = QStringLiteral("0"))
{
    MediaOptions o;
    o.media = true;
    o.pathBackUp = path;
    o.pathTemp = Paths::tempFolder();
    o.spareSpace = spare;
    return o;
}

QString log() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

} // namespace

class tst_QEV_Disk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
        QVERIFY(Paths::prepareFolders());
    }

    void largeIntegerToDouble_data()
    {
        QTest::addColumn<qint32>("low");
        QTest::addColumn<qint32>("high");
        QTest::addColumn<double>("value");
        QTest::newRow("low all ones") << qint32(-1) << qint32(0) << 4294967295.0;
        QTest::newRow("high one") << qint32(0) << qint32(1) << 4294967296.0;
        QTest::newRow("top bit") << qint32(0) << std::numeric_limits<qint32>::min() << 9223372036854775808.0;
        QTest::newRow("small") << qint32(1234) << qint32(0) << 1234.0;
    }

    void largeIntegerToDouble()
    {
        QFETCH(qint32, low);
        QFETCH(qint32, high);
        QFETCH(double, value);
        QCOMPARE(LargeIntegerToDouble(low, high), value);
    }

    void pictures_data()
    {
        QTest::addColumn<double>("mb");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QString>("text");
        QTest::newRow("grouped two decimals") << 1536.5 << 2 << true << QStringLiteral("1 536.50");
        QTest::newRow("grouped one decimal") << 1536.5 << 1 << true << QStringLiteral("1 536.5");
        QTest::newRow("plain") << 1536.5 << 1 << false << QStringLiteral("1536.5");
        QTest::newRow("small") << 0.25 << 2 << true << QStringLiteral("0.25");
        QTest::newRow("millions") << 1234567.0 << 2 << true << QStringLiteral("1 234 567.00");
        QTest::newRow("negative") << -1536.0 << 1 << true << QStringLiteral("-1 536.0");
    }

    void pictures()
    {
        QFETCH(double, mb);
        QFETCH(int, decimals);
        QFETCH(bool, groups);
        QFETCH(QString, text);
        QCOMPARE(FormatMb(mb * 1048576.0, decimals, groups), text);
    }

    void ftpOnlyTouchesNoDrive()
    {
        MediaOptions o;
        o.ftp = true;
        o.pathBackUp = QStringLiteral("relative/never/looked/at");
        MediaPanel panel;
        QVERIFY(Update_Media(o, panel));
        QCOMPARE(g_dMediaFree, 1e12);
        QCOMPARE(panel.remainSpace.value(), LangText(6));
        QCOMPARE(panel.driveInfo[1], LangText(4));
        QCOMPARE(panel.driveInfo[4], LangText(5));
        QCOMPARE(panel.driveInfo[0], LangText(13));
    }

    void pathOfTheWrongFormIsRefusedQuietly()
    {
        MediaPanel panel;
        MessageBoxSeam::clearShown();
        QVERIFY(!Update_Media(folderOptions(QStringLiteral("backup/here")), panel));
        QCOMPARE(panel.driveInfo[4], LangText(14));
        QCOMPARE(panel.driveInfo[0], LangText(13));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    // A destination where a drive is mounted when plugged in is not ready while it is not.
    void absentDriveBelowAMountLocationIsNotReady_data()
    {
        QTest::addColumn<QString>("location");
        QTest::newRow("media") << QStringLiteral("/media");
        QTest::newRow("run media") << QStringLiteral("/run/media");
        QTest::newRow("mnt") << QStringLiteral("/mnt");
    }

    void absentDriveBelowAMountLocationIsNotReady()
    {
        QFETCH(QString, location);
        const QString dest = location + QStringLiteral("/quillaro-absent-drive-%1/backups").arg(QCoreApplication::applicationPid());
        QVERIFY(!QFileInfo::exists(dest));
        QVERIFY(!QueryDrive(dest).ready);
        MediaPanel panel;
        QVERIFY(!Update_Media(folderOptions(dest), panel));
        QCOMPARE(panel.driveInfo[4], LangText(14));
        QVERIFY(!QFileInfo::exists(sParsePath(dest)));
    }

    void readyDriveFillsThePanel()
    {
        const QString dest = Paths::baseFolder() + QStringLiteral("/not/yet/created");
        MediaPanel panel;
        QVERIFY(Update_Media(folderOptions(dest, QStringLiteral("1024")), panel));
        const DriveInfo drive = QueryDrive(dest);
        QCOMPARE(panel.driveInfo[4], LangText(5));
        QCOMPARE(panel.driveInfo[5], drive.path);
        QCOMPARE(panel.driveInfo[2], drive.fileSystem);
        QVERIFY(panel.driveInfo[1] != LangText(13));
        QCOMPARE(panel.desc[9].value(), QStringLiteral("Total Size:"));
        QVERIFY(panel.remainSpace.has_value());
        // The reserve of 1024 KB is kept free.
        QVERIFY(qAbs(g_dMediaFree - (DriveFreeBytes(dest) - 1048576.0)) < 64.0 * 1048576.0);
    }

    void reserveLimits_data()
    {
        QTest::addColumn<QString>("spare");
        QTest::addColumn<bool>("ok");
        QTest::newRow("below 2 GiB") << QStringLiteral("2097151") << true;
        QTest::newRow("2 GiB") << QStringLiteral("2097152") << true;
        QTest::newRow("4 TiB") << QStringLiteral("4294967296") << true;
        QTest::newRow("beyond 64 bits") << QStringLiteral("1e17") << false;
        QTest::newRow("not a number") << QStringLiteral("lots") << false;
    }

    void reserveLimits()
    {
        QFETCH(QString, spare);
        QFETCH(bool, ok);
        QFile::remove(ErrorLogPath());
        MediaPanel panel;
        QCOMPARE(Update_Media(folderOptions(Paths::tempFolder(), spare), panel), ok);
        QCOMPARE(log().contains(QStringLiteral("Update_Media of Modul QEV_Disk")), !ok);
        if (!ok)
            return;
        // The reserve is taken off the free space whole, however large.
        const double reserve = spare.toDouble() * 1024.0;
        const double shown = panel.driveInfo[0].chopped(3).remove(QLatin1Char(' ')).toDouble() * 1048576.0;
        QVERIFY2(qAbs(shown - (QueryDrive(Paths::tempFolder()).availableBytes - reserve)) < 64.0 * 1048576.0,
                 qPrintable(panel.driveInfo[0]));
    }

    // Free space is what the user may write: the blocks the file system keeps for root are
    // not counted, in the panel or in the figure the run checks against.
    void freeSpaceIsWhatTheUserCanWrite()
    {
        const QString dest = Paths::tempFolder();
        QString out;
        QCOMPARE(TestSupport::runTool(QStringLiteral("/usr/bin/python3"),
                                      {QStringLiteral("-c"),
                                       QStringLiteral("import os,sys; s=os.statvfs(sys.argv[1]); print(s.f_bavail*s.f_frsize, s.f_bfree*s.f_frsize)"),
                                       dest},
                                      &out),
                 0);
        const QStringList figures = out.split(QLatin1Char(' '));
        const double available = figures.value(0).toDouble();
        const double free = figures.value(1).trimmed().toDouble();
        if (free - available < 1024.0 * 1048576.0)
            QSKIP("the file system of the temp folder keeps no blocks for root");
        const double slack = 64.0 * 1048576.0;
        QVERIFY(qAbs(DriveFreeBytes(dest) - available) < slack);
        MediaPanel panel;
        QVERIFY(Update_Media(folderOptions(dest), panel));
        QVERIFY(qAbs(g_dMediaFree - available) < slack);
        QVERIFY(qAbs(panel.remainSpace.value().toDouble() * 1048576.0 - available) < slack);
        const double label3 = panel.driveInfo[3].chopped(3).remove(QLatin1Char(' ')).toDouble() * 1048576.0;
        QVERIFY2(qAbs(label3 - available) < slack, qPrintable(panel.driveInfo[3]));
    }

    void cdModeMeasuresTheDiscUnlessAskedForTheTempFolder()
    {
        MediaOptions o = folderOptions(QStringLiteral("/dev/sr0"));
        o.cdRecorder = true;
        o.freeCdSpace = [] { return 700.0 * 1048576.0; };
        QCOMPARE(Get_DiskFree(QStringLiteral("/media/cdrom"), o), 700.0 * 1048576.0);
        QVERIFY(Get_DiskFree(o.pathTemp, o) != 700.0 * 1048576.0);
        QCOMPARE(Get_DiskFree(o.pathTemp.toUpper(), o), 700.0 * 1048576.0);
        bool statusAsked = false;
        o.setStatusCDR = [&statusAsked](MediaPanel&) { statusAsked = true; };
        o.cdDevice = QStringLiteral("/dev/sr0 writer");
        MediaPanel panel;
        QVERIFY(Update_Media(o, panel));
        QVERIFY(statusAsked);
        QCOMPARE(panel.driveInfo[3], QStringLiteral("700.00 Mb"));
        QVERIFY(!panel.remainSpace.has_value());
    }
};

QTEST_GUILESS_MAIN(tst_QEV_Disk)
#include "tst_QEV_Disk.moc"
