#include <QtTest>

#include "CdRecorder.h"
#include "Clock.h"
#include "DiscImage.h"
#include "MessageBox.h"
#include "Modules.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "Quillaro_CDWriterXP.h"
#include "RunLock.h"
#include "TestSupport.h"

using TestSupport::Tree;

namespace {

// A tree literal with plain names.
Tree tree(std::initializer_list<std::pair<QString, QByteArray>> entries)
{
    Tree t;
    for (const auto& [name, content] : entries)
        t.insert(name, content);
    return t;
}

QString errorLog() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

QStringList boxTexts()
{
    QStringList texts;
    for (const MsgRequest& r : MessageBoxSeam::shown())
        texts.append(r.text);
    return texts;
}

// A recorder on one pseudo-drive, that drive selected.
struct Rig
{
    explicit Rig(const QString& address)
    {
        qputenv("QUILLARO_CD_DRIVES", address.toLocal8Bit());
        recorder.setStartDelaySeconds(0);
        QObject::connect(&recorder, &CdRecorder::statusLine, [this](const QString& s) { lines.append(s); });
        entries = recorder.deviceEntries(false);
        selected = recorder.selectDevice(int(entries.size()) - 1);
    }
    CdRecorder recorder;
    QStringList entries;
    QStringList lines;
    bool selected = false;
};

} // namespace

class tst_CdRecorder : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBoxSeam::setUnattended(true);
        MessageBoxSeam::clearShown();
        QFile::remove(ErrorLogPath());
    }

    // Without its module the writer finds no drive and starts no write, and says why.
    void aMissingCdModuleWritesNothingAndSaysWhy()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Modules::setFolder(TestSupport::freshFolder(QStringLiteral("no-modules")));
        CdWriter writer;
        writer.scanDevices(QStringLiteral("stdio:") + disc, false);
        const int devices = writer.deviceCount();
        const bool selected = writer.selectDevice(0);
        writer.newImage();
        const bool started = writer.startWriting();
        Modules::setFolder({});
        QCOMPARE(devices, 0);
        QVERIFY(!selected);
        QVERIFY(!started);
        QVERIFY(writer.errorData().contains(QStringLiteral("libquillaro_cd.so cannot be loaded")));
        QVERIFY(!QFileInfo::exists(disc));
    }

    void sessionsAreAddedAndKeepTheEarlierOnes()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("data/a.txt"), "first file"}, {QStringLiteral("b.bin"), QByteArray(70000, 'b')}}));
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Rig rig(QStringLiteral("stdio:") + disc);
        QVERIFY(rig.selected);
        QVERIFY(rig.entries.last().startsWith(QStringLiteral("stdio:") + disc + QStringLiteral(": ")));

        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.AddImage2CD(root + QStringLiteral("/data"), root + QStringLiteral("/data/a.txt")));
        QVERIFY(rig.recorder.FreeCdSpace() > rig.recorder.imageBytes());
        QVERIFY(rig.recorder.BurnCD(false));
        QVERIFY(rig.lines.contains(QStringLiteral("Writing Complete!")));
        QVERIFY(!rig.recorder.busy());
        const QString dataPath = root.mid(1) + QStringLiteral("/data/a.txt");
        QCOMPARE(DiscImage::files(disc), tree({{dataPath, "first file"}}));
        QCOMPARE(DiscImage::volumeId(disc), Clock::today().toString(QStringLiteral("yyyy-MM-dd")));

        // The next run finds an open disc: its files come along into the new session.
        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.rootFiles().isEmpty());
        QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/b.bin")));
        QVERIFY(rig.recorder.BurnCD(false));
        QCOMPARE(DiscImage::files(disc), tree({{dataPath, "first file"}, {QStringLiteral("b.bin"), QByteArray(70000, 'b')}}));
        QCOMPARE(DiscImage::sessions(disc), 2);
        QVERIFY(rig.recorder.OpenCopy2CD());
        QCOMPARE(rig.recorder.rootFiles(), QStringList {QStringLiteral("b.bin")});
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void anImageWithoutNewFilesIsNotBurnt()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Rig rig(QStringLiteral("stdio:") + disc);
        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.BurnCD(false));
        QVERIFY(rig.lines.isEmpty());
        QVERIFY(!QFileInfo(disc).exists() || QFileInfo(disc).size() == 0);
    }

    void aNameTakenInTheImageIsReported()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("one/same.txt"), "1"}, {QStringLiteral("two/same.txt"), "2"}}));
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Rig rig(QStringLiteral("stdio:") + disc);
        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/one/same.txt")));
        QVERIFY(!rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/two/same.txt")));
        QVERIFY(errorLog().contains(QStringLiteral("AddImage2CD of Formular frmMain_BackUp")));
        QVERIFY(errorLog().contains(root + QStringLiteral("/two/same.txt")));
        QVERIFY(rig.recorder.BurnCD(false));
        QCOMPARE(DiscImage::files(disc), tree({{QStringLiteral("same.txt"), "1"}}));
    }

    void aWriteErrorFailsTheBurn()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("a.txt"), "x"}}));
        Rig rig(QStringLiteral("stdio:/dev/full"));
        QVERIFY(rig.selected);
        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/a.txt")));
        QVERIFY(!rig.recorder.BurnCD(false));
        QVERIFY(!rig.recorder.busy());
        QVERIFY(rig.lines.contains(QStringLiteral("A write error occurred..")));
        QVERIFY(boxTexts().join(QLatin1Char('|')).contains(QStringLiteral("An unknown device error has occurred (1051).\nExtended Error Data - ")));
        QVERIFY(errorLog().contains(QStringLiteral("BurnCD of Formular frmMain_BackUp")));
    }

    void anOpenDiscIsNeverWrittenWithoutItsEarlierFiles()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "b"}}));
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Rig rig(QStringLiteral("stdio:") + disc);
        QVERIFY(rig.recorder.OpenCopy2CD());
        QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/a.txt")));
        QVERIFY(rig.recorder.BurnCD(false));
        // A new image that did not take the earlier session in is refused by the writer.
        CdWriter& writer = rig.recorder.writer();
        writer.newImage();
        QCOMPARE(writer.discStatus(), CdWriter::DiscOpen);
        QVERIFY(writer.addFile(QStringLiteral("b.txt"), root + QStringLiteral("/b.txt")) == CdWriter::AddResult::Added);
        QVERIFY(!writer.startWriting());
        QCOMPARE(DiscImage::files(disc), tree({{QStringLiteral("a.txt"), "a"}}));
    }

    void aWritingDriveIsKeptWhateverIsChosen()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("a.txt"), "a"}}));
        const QString folder = TestSupport::freshFolder(QStringLiteral("disc"));
        Rig rig(QStringLiteral("stdio:") + folder + QStringLiteral("/other.iso;stdio:") + folder
                + QStringLiteral("/disc.iso"));
        CdWriter& writer = rig.recorder.writer();
        writer.newImage();
        QVERIFY(writer.addFile(QStringLiteral("a.txt"), root + QStringLiteral("/a.txt")) == CdWriter::AddResult::Added);
        QVERIFY(writer.startWriting());
        QVERIFY(!writer.selectDevice(0));
        writer.scanDevices({}, true);
        QCOMPARE(writer.currentAddress(), QStringLiteral("stdio:") + folder + QStringLiteral("/disc.iso"));
        QTRY_VERIFY(!writer.isWriting());
        QVERIFY(writer.afterWriteStep());
        QCOMPARE(DiscImage::files(folder + QStringLiteral("/disc.iso")), tree({{QStringLiteral("a.txt"), "a"}}));
    }

    void statusLinesOfTheWriter()
    {
        CdRecorder recorder;
        QStringList lines;
        QList<int> bars;
        connect(&recorder, &CdRecorder::statusLine, [&lines](const QString& s) { lines.append(s); });
        connect(&recorder, &CdRecorder::progress, [&bars](int v) { bars.append(v); });
        recorder.CDWriterXP1_PreparingTrack(3, 2048);
        recorder.CDWriterXP1_WritingTrackStatus(3, 512, 0);
        recorder.CDWriterXP1_CachingTrack(1, 3);
        recorder.CDWriterXP1_CachingTrackStatus(1);
        recorder.CDWriterXP1_CachingTrack(1, 200);
        recorder.CDWriterXP1_CachingTrackStatus(1);
        recorder.CDWriterXP1_PreparingTrack(1, 0);
        recorder.CDWriterXP1_WritingTrackStatus(1, 10, 0);
        QCOMPARE(lines, (QStringList {QStringLiteral("Preparing to Write Track #03"), QStringLiteral("Writing Track #03... "),
                                      QStringLiteral("Caching Track - 33 %"), QStringLiteral("Caching Track - 00 %"),
                                      QStringLiteral("Preparing to Write Track #01"), QStringLiteral("Writing Track #01... ")}));
        QCOMPARE(bars, (QList<int> {25, 0}));
    }

    void errorTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        CdWriter writer;
        QTest::newRow("extended 1002") << WriteErrorText(writer, 3, 1002) << QStringLiteral("The drive is not ready (1002).");
        QTest::newRow("extended 999") << ExtendedErrorText(999) << QStringLiteral(" (999).");
        QTest::newRow("extended 1054") << ExtendedErrorText(1054) << QStringLiteral(" (1054).");
        QTest::newRow("extended 1053") << ExtendedErrorText(1053)
                                       << QStringLiteral("A seek command was interrupted by another command (1053).");
        QTest::newRow("type 7") << WriteErrorText(writer, 7, 0) << QStringLiteral("Unknown writing error.");
        QTest::newRow("file 3") << FileErrorText(3, QStringLiteral("f")) << QStringLiteral("Unknown file error!:");
        QTest::newRow("file 1") << FileErrorText(1, QStringLiteral("f")) << QStringLiteral("Error reading file: f");
    }
    void errorTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    void speedLists_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QList<int>>("factors");
        QTest::newRow("48") << 48 << QList<int> {48, 44, 40, 36, 32, 28, 24, 20, 16, 12, 8, 4, 2, 1};
        QTest::newRow("7") << 7 << QList<int> {7, 3, 2, 1};
        QTest::newRow("10") << 10 << QList<int> {10, 6, 2, 1};
        QTest::newRow("9") << 9 << QList<int> {9, 5, 1};
        QTest::newRow("3") << 3 << QList<int> {3, 2, 1};
        QTest::newRow("1") << 1 << QList<int> {1};
        QTest::newRow("0") << 0 << QList<int> {};
        QTest::newRow("negative") << -2 << QList<int> {};
    }
    void speedLists()
    {
        QFETCH(int, maximum);
        QFETCH(QList<int>, factors);
        QCOMPARE(CdRecorder::speedFactors(maximum), factors);
    }

    void pathsOnDisc_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder") << QStringLiteral(" /Data/Letters ") << QStringLiteral("Data/Letters/a.txt");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("a.txt");
        QTest::newRow("empty") << QString() << QStringLiteral("a.txt");
    }
    void pathsOnDisc()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(CdRecorder::pathOnDisc(folder, QStringLiteral("/Data/Letters/a.txt")), expected);
    }

    // The panel shows the disc as its reader sees it: the volume name of the last session
    // and the folders at the root of the disc.
    void theDiscLinesOfThePanel()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        {
            Rig rig(QStringLiteral("stdio:") + disc);
            MediaPanel panel;
            rig.recorder.SetStatusCDR(panel);
            QCOMPARE(panel.driveInfo[4], LangText(5));
            QCOMPARE(panel.driveInfo[6], QStringLiteral("Empty Disc"));
            QCOMPARE(*panel.desc[8], QStringLiteral("Num. Sessions:"));
            QCOMPARE(panel.driveInfo[8], QStringLiteral("0"));
            QCOMPARE(panel.driveInfo[10], QString());
            QCOMPARE(panel.driveInfo[11], QStringLiteral("0"));
            const QString root = TestSupport::freshFolder(QStringLiteral("src"));
            TestSupport::makeTree(root, tree({{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "b"}}));
            QVERIFY(rig.recorder.OpenCopy2CD());
            QVERIFY(rig.recorder.AddImage2CD(QStringLiteral("/Data/Letters"), root + QStringLiteral("/a.txt")));
            QVERIFY(rig.recorder.AddImage2CD(QStringLiteral("/Pictures"), root + QStringLiteral("/b.txt")));
            QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/b.txt")));
            QVERIFY(rig.recorder.BurnCD(false));
        }
        QStringList rootFolders;
        for (const QString& path : DiscImage::files(disc).keys()) {
            if (path.contains(QLatin1Char('/')) && !rootFolders.contains(path.section(QLatin1Char('/'), 0, 0)))
                rootFolders.append(path.section(QLatin1Char('/'), 0, 0));
        }
        QCOMPARE(rootFolders.size(), 2);
        Rig rig(QStringLiteral("stdio:") + disc);
        MediaPanel panel;
        rig.recorder.SetStatusCDR(panel);
        QCOMPARE(panel.driveInfo[6], QStringLiteral("Disc Open"));
        QVERIFY(!DiscImage::volumeId(disc).isEmpty());
        QCOMPARE(panel.driveInfo[10], DiscImage::volumeId(disc));
        QCOMPARE(panel.driveInfo[11], QString::number(rootFolders.size()));
    }

    // The image reads its files only when it is written: what changed or went since it was
    // put in is taken out and named, never written as zeros or cut short.
    void filesChangedBeforeTheWriteAreNotWritten()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::makeTree(root, tree({{QStringLiteral("gone.txt"), QByteArray(5000, 'g')},
                                          {QStringLiteral("shrunk.txt"), QByteArray(5000, 's')},
                                          {QStringLiteral("kept.txt"), "kept"}}));
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        Rig rig(QStringLiteral("stdio:") + disc);
        QVERIFY(rig.recorder.OpenCopy2CD());
        for (const char* name : {"gone.txt", "shrunk.txt", "kept.txt"})
            QVERIFY(rig.recorder.AddImage2CD(QString(), root + QLatin1Char('/') + QLatin1String(name)));
        // The burn shows its clip before it starts writing: that is when the files change.
        connect(&rig.recorder, &CdRecorder::animation, &rig.recorder, [&root](const QString& clip) {
            if (clip.isEmpty())
                return;
            QFile::remove(root + QStringLiteral("/gone.txt"));
            TestSupport::writeFile(root + QStringLiteral("/shrunk.txt"), "s");
        });
        QVERIFY(rig.recorder.BurnCD(false));
        QStringList notWritten = rig.recorder.takeNotWritten();
        notWritten.sort();
        QCOMPARE(notWritten, (QStringList {root + QStringLiteral("/gone.txt"), root + QStringLiteral("/shrunk.txt")}));
        QCOMPARE(DiscImage::files(disc), tree({{QStringLiteral("kept.txt"), "kept"}}));
        QVERIFY(rig.lines.contains(QStringLiteral("Error opening file: ") + root + QStringLiteral("/gone.txt")));
        QVERIFY(rig.lines.contains(QStringLiteral("Error reading file: ") + root + QStringLiteral("/shrunk.txt")));

        // With every file gone nothing is burnt, and each is named.
        QVERIFY(rig.recorder.OpenCopy2CD());
        TestSupport::writeFile(root + QStringLiteral("/gone.txt"), "back");
        QVERIFY(rig.recorder.AddImage2CD(QString(), root + QStringLiteral("/gone.txt")));
        QVERIFY(rig.recorder.BurnCD(false));
        QCOMPARE(rig.recorder.takeNotWritten(), QStringList {root + QStringLiteral("/gone.txt")});
        QCOMPARE(DiscImage::sessions(disc), 1);
    }

    // A drive is taken by one run at a time, under whatever name its image is given.
    void aDriveIsTakenByOneRunAtATime()
    {
        const QString folder = TestSupport::freshFolder(QStringLiteral("disc"));
        Rig rig(QStringLiteral("stdio:") + folder + QStringLiteral("/disc.iso"));
        rig.recorder.setDriveWaitSeconds(0);
        {
            DriveLock other(QStringLiteral("stdio:") + folder + QStringLiteral("/./disc.iso"));
            QVERIFY(other.acquire(0, [] { return false; }));
            QVERIFY(!rig.recorder.claimDrive());
            QVERIFY(errorLog().contains(QStringLiteral("being written by another backup run")));
        }
        QVERIFY(rig.recorder.claimDrive());
        DriveLock second(QStringLiteral("stdio:") + folder + QStringLiteral("/disc.iso"));
        QVERIFY(!second.acquire(0, [] { return false; }));
        rig.recorder.releaseDrive();
        QVERIFY(second.acquire(0, [] { return false; }));
    }
};

QTEST_GUILESS_MAIN(tst_CdRecorder)
#include "tst_CdRecorder.moc"
