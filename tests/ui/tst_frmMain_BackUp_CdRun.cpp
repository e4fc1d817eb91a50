#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

#include "CdRecorder.h"
#include "Clock.h"
#include "DiscImage.h"
#include "FileAttributes.h"
#include "FormControls.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "ProfileFixture.h"
#include "RunLock.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"

using TestSupport::Tree;

// Backup runs whose destination is the CD writer, on file-backed drives.
class tst_frmMain_BackUp_CdRun : public QObject
{
    Q_OBJECT

private:
    QString m_src;

    // A loaded window in CD mode on the drive, backing up the source folder.
    void prepare(frmMain_BackUp& w, const QString& drive, bool copyMode)
    {
        qputenv("QUILLARO_CD_DRIVES", drive.toLocal8Bit());
        g_frmMain = &w;
        w.Form_Load();
        w.cdRecorder().setStartDelaySeconds(0);
        w.List1->clear();
        setListSelected(w.List1, listAddItem(w.List1, m_src + QStringLiteral("/*.*")), true);
        w.txtPathTemp->setText(Paths::tempFolder());
        w.txtExclusions->setText(QString());
        w.optBuMode(copyMode ? 1 : 0)->setChecked(true);
        (void)setChkValue(w.chkMedia, 1);
        (void)setChkValue(w.chkUseCDRecorder, 1);
        QCOMPARE(w.cboDevices->currentText().section(QStringLiteral(": "), 0, 0), drive);
    }
    static void start(frmMain_BackUp& w) { w.tbTools->findChild<QAction*>(QStringLiteral("Start"))->trigger(); }
    // One run from a fresh window onto the image file, which is to complete.
    void completedRun(const QString& disc, bool copyMode)
    {
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, copyMode);
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(121)), qPrintable(w.txtNews->text()));
    }

    static QString archiveStem() { return QStringLiteral("Standard_BackUp_d") + Clock::today().toString(QStringLiteral("yyyyMMdd")); }

    // The source files inside a ZIP archive of the disc, as unzip extracts them.
    static QByteArray unzipped(const QString& archive, const QString& entry)
    {
        const QString file = TestSupport::freshFolder(QStringLiteral("zip")) + QStringLiteral("/a.zip");
        TestSupport::writeFile(file, TestSupport::readFile(archive));
        QString listing;
        if (TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), file}, &listing) != 0)
            return "unzip -t failed: " + listing.toUtf8();
        QString content;
        (void)TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), file, entry}, &content);
        return content.toUtf8();
    }
    static QStringList names(const Tree& tree) { return tree.keys(); }
    static bool archiveBitSet(const QString& file)
    {
        quint32 attributes = 0;
        QString error;
        return FileAttributes::get(file, &attributes, &error) && (attributes & FileAttributes::Archive);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        MessageBoxSeam::setUnattended(true);
    }
    void init()
    {
        m_src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(m_src + QStringLiteral("/one.txt"), "first");
        QFile::remove(ErrorLogPath());
    }

    void zipRunsWriteSessionsThatKeepTheEarlierArchives()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        const QString entry = m_src.mid(1) + QStringLiteral("/one.txt");
        completedRun(disc, false);
        const Tree first = DiscImage::files(disc);
        const QString part1 = archiveStem() + QStringLiteral("__1.zip");
        QVERIFY2(first.contains(part1), qPrintable(names(first).join(QLatin1Char(' '))));
        QCOMPARE(DiscImage::volumeId(disc), Clock::today().toString(QStringLiteral("yyyy-MM-dd")));

        TestSupport::writeFile(m_src + QStringLiteral("/one.txt"), "second");
        completedRun(disc, false);
        const Tree both = DiscImage::files(disc);
        const QString part2 = archiveStem() + QStringLiteral("__2.zip");
        QVERIFY2(both.contains(part1) && both.contains(part2), qPrintable(names(both).join(QLatin1Char(' '))));
        QCOMPARE(both.value(part1), first.value(part1));
        QCOMPARE(DiscImage::sessions(disc), 2);
        const QString extracted = TestSupport::freshFolder(QStringLiteral("x"));
        TestSupport::writeFile(extracted + QStringLiteral("/1.zip"), both.value(part1));
        TestSupport::writeFile(extracted + QStringLiteral("/2.zip"), both.value(part2));
        QCOMPARE(unzipped(extracted + QStringLiteral("/1.zip"), entry), QByteArray("first"));
        QCOMPARE(unzipped(extracted + QStringLiteral("/2.zip"), entry), QByteArray("second"));
    }

    void copyRunsPutTheFilesOnTheDiscBelowTheirFolders()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        const QString one = m_src.mid(1) + QStringLiteral("/one.txt");
        const QString two = m_src.mid(1) + QStringLiteral("/two.bin");
        completedRun(disc, true);
        QCOMPARE(DiscImage::files(disc), (Tree {{one, "first"}}));
        const QByteArray big(300000, 'z');
        TestSupport::writeFile(m_src + QStringLiteral("/two.bin"), big);
        completedRun(disc, true);
        QCOMPARE(DiscImage::files(disc), (Tree {{one, "first"}, {two, big}}));
        QCOMPARE(DiscImage::sessions(disc), 2);
    }

    // Archive attributes are cleared only for files that are on a disc.
    void aWriteErrorFailsTheRunAndKeepsTheAttributes()
    {
        const QString file = m_src + QStringLiteral("/one.txt");
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:/dev/full"), true);
        (void)setChkValue(w.chkResetArchiveBit, 1);
        w.optNewOnly->setChecked(true);
        MessageBoxSeam::clearShown();
        start(w);
        QCOMPARE(w.txtNews->text(), LangText(325));
        QVERIFY(QString::fromUtf8(TestSupport::readFile(ErrorLogPath())).contains(QStringLiteral("BurnCD of Formular frmMain_BackUp")));
        bool writeErrorShown = false;
        for (const MsgRequest& r : MessageBoxSeam::shown())
            writeErrorShown = writeErrorShown || r.text.startsWith(QStringLiteral("An unknown device error has occurred (1051)."));
        QVERIFY(writeErrorShown);
        quint32 attributes = 0;
        QString error;
        QVERIFY(FileAttributes::get(file, &attributes, &error));
        QVERIFY(attributes & FileAttributes::Archive);

        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        qputenv("QUILLARO_CD_DRIVES", (QStringLiteral("stdio:") + disc).toLocal8Bit());
        (void)setChkValue(w.chkUseCDRecorder, 0);
        (void)setChkValue(w.chkUseCDRecorder, 1);
        w.cdRecorder().setStartDelaySeconds(0);
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(121)), qPrintable(w.txtNews->text()));
        QVERIFY(FileAttributes::get(file, &attributes, &error));
        QVERIFY(!(attributes & FileAttributes::Archive));
    }

    // A file copy run reads its files when the disc is written: one that changed or went in
    // between is named as left out and keeps its attribute; the others are on the disc.
    void aFileChangedBeforeTheBurnIsLeftOut()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        TestSupport::writeFile(m_src + QStringLiteral("/gone.txt"), QByteArray(4000, 'g'));
        TestSupport::writeFile(m_src + QStringLiteral("/shrunk.txt"), QByteArray(4000, 's'));
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, true);
        (void)setChkValue(w.chkResetArchiveBit, 1);
        w.optNewOnly->setChecked(true);
        connect(&w.cdRecorder(), &CdRecorder::animation, &w, [this](const QString& clip) {
            if (clip != QStringLiteral("adddatacd.avi"))
                return;
            QFile::remove(m_src + QStringLiteral("/gone.txt"));
            TestSupport::writeFile(m_src + QStringLiteral("/shrunk.txt"), "s");
        });
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(340)), qPrintable(w.txtNews->text()));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        for (const char* name : {"/gone.txt", "/shrunk.txt"})
            QVERIFY2(log.contains(QStringLiteral("left out of the backup: ") + m_src + QLatin1String(name)), qPrintable(log));
        QCOMPARE(DiscImage::files(disc), (Tree {{m_src.mid(1) + QStringLiteral("/one.txt"), "first"}}));
        QVERIFY(!archiveBitSet(m_src + QStringLiteral("/one.txt")));
        QVERIFY(archiveBitSet(m_src + QStringLiteral("/shrunk.txt")));
    }

    // A drive that another run writes is not written over: the run fails, the disc and the
    // attributes stay as they were.
    void aDriveAnotherRunWritesIsRefused()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, true);
        (void)setChkValue(w.chkResetArchiveBit, 1);
        w.optNewOnly->setChecked(true);
        w.cdRecorder().setDriveWaitSeconds(0);
        {
            DriveLock other(QStringLiteral("stdio:") + disc);
            QVERIFY(other.acquire(0, [] { return false; }));
            start(w);
        }
        QCOMPARE(w.txtNews->text(), LangText(325));
        QVERIFY(QString::fromUtf8(TestSupport::readFile(ErrorLogPath())).contains(QStringLiteral("being written by another backup run")));
        QVERIFY(!QFileInfo::exists(disc) || QFileInfo(disc).size() == 0);
        QVERIFY(archiveBitSet(m_src + QStringLiteral("/one.txt")));
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(121)), qPrintable(w.txtNews->text()));
        QCOMPARE(DiscImage::files(disc), (Tree {{m_src.mid(1) + QStringLiteral("/one.txt"), "first"}}));
        QVERIFY(!archiveBitSet(m_src + QStringLiteral("/one.txt")));
    }

    // A file no disc can hold is named once and left out; the others are written.
    void aFileLargerThanAnEmptyDiscIsReportedOnce()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        TestSupport::writeFile(m_src + QStringLiteral("/huge.bin"), QByteArray(600000, 'h'));
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, true);
        w.cdRecorder().writer().limitCapacity(400000);
        MessageBoxSeam::clearShown();
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(340)), qPrintable(w.txtNews->text()));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QCOMPARE(log.count(QStringLiteral("larger than an empty disc")), 1);
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(DiscImage::files(disc), (Tree {{m_src.mid(1) + QStringLiteral("/one.txt"), "first"}}));
    }

    // A disc whose earlier session cannot be read gets no session that would hide it.
    void aDiscWhoseSessionCannotBeReadIsNotWritten()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        completedRun(disc, true);
        // Only the head of the disc is left: the session is announced but cannot be read.
        QFile image(disc);
        QVERIFY(image.resize(65536));
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, true);
        MessageBoxSeam::clearShown();
        start(w);
        QCOMPARE(w.txtNews->text(), LangText(325));
        QCOMPARE(QFileInfo(disc).size(), 65536);
        QVERIFY(!MessageBoxSeam::shown().isEmpty());
        QVERIFY(MessageBoxSeam::shown().first().text.startsWith(QStringLiteral("Previous Session could not be imported")));
    }

    void cdModeAndAppendingNeverStayTogether()
    {
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        frmMain_BackUp w;
        prepare(w, QStringLiteral("stdio:") + disc, false);
        MessageBoxSeam::clearShown();
        (void)setChkValue(w.chkAppendArchive, 1);
        QCOMPARE(chkValue(w.chkAppendArchive), 0);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text, LangText(233));
        (void)setChkValue(w.chkUseCDRecorder, 0);
        (void)setChkValue(w.chkAppendArchive, 1);
        (void)setChkValue(w.chkUseCDRecorder, 1);
        QCOMPARE(chkValue(w.chkAppendArchive), 0);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(w.cboWriteSpeed->currentText(), QStringLiteral("Default"));
        QVERIFY(w.txtPathBackUp->isHidden());
        QCOMPARE(w.lblDriveInfo(6)->text(), QStringLiteral("Empty Disc"));
    }

    void noWriterLeavesCdModeOff()
    {
        qputenv("QUILLARO_CD_DRIVES", "");
        frmMain_BackUp w;
        g_frmMain = &w;
        w.Form_Load();
        MessageBoxSeam::clearShown();
        (void)setChkValue(w.chkUseCDRecorder, 1);
        QCOMPARE(chkValue(w.chkUseCDRecorder), 0);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.startsWith(QStringLiteral("There are no compatible CDR drives reported.")));
        QVERIFY(!w.txtPathBackUp->isHidden());
        QVERIFY(w.cboDevices->isHidden());
    }
};

QTEST_MAIN(tst_frmMain_BackUp_CdRun)
#include "tst_frmMain_BackUp_CdRun.moc"
