#include <QtTest>

#include <csignal>
#include <optional>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "DriveInfo.h"
#include "FtpTestServer.h"
#include "FilterList.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "Paths.h"
#include "QEV_Language.h"
#include "Quillaro_BackupRun.h"
#include "RunHost.h"
#include "RunProgram.h"
#include "RunState.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "ZipArchive.h"
#include "ZipReadAhead.h"
#include "clsBlowfish.h"

namespace {

// A window stand-in that records what the run shows and does.
class RecordingHost : public RunHost
{
public:
    double mediaFree = 1e12;
    bool mediaUsable = true;
    QString news;
    QString status;
    QStringList cleared;
    QList<RunProgram> programs;
    int exitCode = -1;
    bool statisticsCounted = false;
    bool statisticsRecorded = false;
    bool shutdown = false;
    int cancelAfterFiles = -1;
    int filesSeen = 0;
    std::function<void(const QString&)> onFileSeen; // runs as the run looks at a file
    std::function<void()> onFileAdded; // runs as the run counts a file it added

    void setStatus(const QString& text) override { status = text; }
    QStringList newsLog;
    void setNewsText(const QString& text) override
    {
        news = text;
        newsLog.append(text);
    }
    QString newsText() const override { return news; }
    void setCounter(Counter c, const QString& value) override
    {
        if (c == Counter::TotalFiles && onFileAdded && value != QStringLiteral("0"))
            onFileAdded();
        if (c == Counter::TotalFiles && cancelAfterFiles >= 0 && ++filesSeen >= cancelAfterFiles)
            g_bCancelBackUp = true;
    }
    std::function<void(int)> onProgress; // runs as the run moves a progress bar
    void setProgress(int bar, int) override
    {
        if (onProgress)
            onProgress(bar);
    }
    void playAnimation(const QString&) override {}
    void repaint() override {}
    void speak(const QString&) override {}
    void beginRun() override {}
    void endRun(RunOutcome, const QString&) override {}
    bool updateMedia() override
    {
        g_dMediaFree = mediaFree;
        return mediaUsable;
    }
    QString driveTypeText() const override { return LangText(10); }
    void saveSettings() override {}
    int fileAttributes(const QString& path, FileAttributes::FileStat* stat) override
    {
        if (onFileSeen)
            onFileSeen(path);
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists())
            return -1;
        struct stat st {};
        const bool regular = ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
        if (stat)
            *stat = {regular ? quint32(S_IFREG) : quint32(st.st_mode), info.size(),
                     info.lastModified().toMSecsSinceEpoch() * 1000000};
        int a = cleared.contains(path) ? 0 : 32;
        if (!regular && !info.isDir())
            a |= 4; // as the system attribute of anything that is neither file nor folder
        if (info.fileName().startsWith(QLatin1Char('.')))
            a |= 2;
        return a;
    }
    void clearArchiveAttributes(const QStringList& paths) override { cleared += paths; }
    QString failingProgram; // the path of a program that ends badly
    bool runProgram(const RunProgram& p, QString* failure) override
    {
        programs.append(p);
        if (p.path != failingProgram)
            return true;
        *failure = QStringLiteral("exit code 2");
        return false;
    }
    void recordStatistics(bool count) override
    {
        statisticsRecorded = true;
        statisticsCounted = count;
    }
    void playEndSound() override {}
    void shutdownAfterRun() override { shutdown = true; }
    void exitProgram(int code) override { exitCode = code; }
};

QStringList zipEntries(const QString& archive)
{
    ZipArchive zip;
    QStringList names;
    if (!zip.Open(archive))
        return {QStringLiteral("<cannot open>")};
    for (int i = 0; i < zip.Files().Count(); ++i)
        names << zip.Files().Item(i).Name();
    (void)zip.Close();
    names.sort();
    return names;
}

void expectToolsAccept(const QString& archive)
{
    QString out;
    QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, &out), 0);
    const QString script = QStringLiteral("import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); sys.exit(1 if z.testzip() else 0)");
    QCOMPARE(TestSupport::runTool(QStringLiteral("python3"), {QStringLiteral("-c"), script, archive}, &out), 0);
}

QString entryOf(const QString& path) { return path.mid(1); }

void writeOldFile(const QString& path, const QByteArray& content, int daysAgo)
{
    TestSupport::writeFile(path, content);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-daysAgo), QFileDevice::FileModificationTime));
}

using TestSupport::noise;

// What a run left behind, as far as it does not depend on the time it ran.
struct RunTrace {
    RunOutcome outcome = RunOutcome::Completed;
    TestSupport::Tree delivered;
    QStringList news;
    QStringList errors;
};

// Each entry of the archive as Python's reader sees it: name, sizes, checksum, place, and time
// where the file is not made by the run itself.
QString zipSummary(const QString& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder + QStringLiteral("/compared-") + name;
    TestSupport::writeFile(path, bytes);
    const QString script = QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for i in z.infolist():\n"
        "    t = '' if '/splitfile' in i.filename else i.date_time\n"
        "    print(i.filename, i.file_size, i.compress_size, i.CRC, i.header_offset, i.external_attr, t)\n"
        "print(z.comment, len(open(sys.argv[1], 'rb').read()))\n");
    QString out;
    const int rc = TestSupport::runTool(QStringLiteral("python3"), {QStringLiteral("-c"), script, path}, &out);
    QFile::remove(path);
    return QString::number(rc) + QLatin1Char('\n') + out;
}

// The error log's entries without their time stamps.
QStringList errorEntries()
{
    QStringList entries;
    const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
    for (const QString& line : log.split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("Quillaro : ")))
            entries << line.mid(line.indexOf(QStringLiteral("Quillaro : ")));
    return entries;
}

// Keeps the calling thread, and so the run, to the first of its cores while it lives.
class OneCore {
public:
    OneCore()
    {
        (void)sched_getaffinity(0, sizeof m_saved, &m_saved);
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &m_saved)) {
                CPU_SET(cpu, &one);
                break;
            }
        }
        (void)sched_setaffinity(0, sizeof one, &one);
    }
    ~OneCore() { (void)sched_setaffinity(0, sizeof m_saved, &m_saved); }
    Q_DISABLE_COPY(OneCore)

private:
    cpu_set_t m_saved{};
};

} // namespace

class tst_BackupRun : public QObject
{
    Q_OBJECT

private:
    QString m_src;
    QString m_dest;
    QString m_temp;

    RunOptions options() const
    {
        RunOptions o;
        o.profile = QStringLiteral("Standard");
        o.pathBackUp = m_dest;
        o.pathTemp = m_temp;
        o.maxZipSize = QStringLiteral("10");
        o.sources = {{m_src + QStringLiteral("/*.*"), true}, {m_src + QStringLiteral("/sub/*.*"), true}};
        return o;
    }
    QString archive(int part, const QString& profile = QStringLiteral("Standard")) const
    {
        return m_dest + QLatin1Char('/') + ArchiveFileName(profile, ArchivePeriod::Daily, Clock::today(), part, false);
    }
    static RunOutcome run(const RunOptions& o, RecordingHost& host)
    {
        BackupRun r(o, host);
        return r.cmdBackUpNow();
    }

    // A run into an empty destination and temp folder, with an empty error log; the temp folder
    // may not grow beyond fileLimit bytes.
    RunTrace traceRun(const RunOptions& o, int cancelAfterFiles, rlim_t fileLimit)
    {
        for (const QString& folder : {o.pathBackUp, o.pathTemp}) {
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
        }
        QFile::remove(ErrorLogPath());
        g_bCancelBackUp = false;
        RecordingHost host;
        host.cancelAfterFiles = cancelAfterFiles;
        RunTrace trace;
        {
            const TestSupport::FileSizeLimit full(fileLimit);
            trace.outcome = run(o, host);
        }
        trace.delivered = TestSupport::readTree(o.pathBackUp);
        // The closing line tells when the run ended.
        static const QRegularExpression when(QStringLiteral("\\d+ \\S+ \\d{4} \\d\\d:\\d\\d:\\d\\d"));
        for (const QString& text : std::as_const(host.newsLog))
            trace.news << QString(text).replace(when, QStringLiteral("<time>"));
        trace.errors = errorEntries();
        return trace;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
        AppName = QStringLiteral("Quillaro");
    }

    void init()
    {
        m_src = TestSupport::freshFolder(QStringLiteral("src"));
        m_dest = TestSupport::freshFolder(QStringLiteral("dest"));
        m_temp = TestSupport::freshFolder(QStringLiteral("temp"));
        TestSupport::makeTree(m_src, {{QStringLiteral("a.txt"), "alpha alpha alpha"},
                                      {QStringLiteral("b.tmp"), "left out"},
                                      {QStringLiteral(".hidden"), "hidden"},
                                      {QStringLiteral("sub/c.doc"), QByteArray(5000, 'c')}});
        ExclusionList = CutPatternList(QStringLiteral("*.tmp"), true);
        g_bAutoRun = false;
        g_bCancelBackUp = false;
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
    }

    void zipRunDeliversExactlyTheFilteredFiles()
    {
        RecordingHost host;
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        const QString zip = archive(1);
        QVERIFY2(QFile::exists(zip), qPrintable(TestSupport::readTree(m_dest).keys().join(QLatin1Char(','))));
        expectToolsAccept(zip);
        QCOMPARE(zipEntries(zip), (QStringList{entryOf(m_src + QStringLiteral("/a.txt")),
                                              entryOf(m_src + QStringLiteral("/sub/c.doc"))}));
        QVERIFY(QFile::exists(zip + QStringLiteral(".log")));
        QVERIFY(TestSupport::readFile(zip + QStringLiteral(".log")).contains("a.txt"));
        // The working files are gone from the temp folder.
        QVERIFY(QDir(m_temp).entryList(QDir::Files).isEmpty());
        QVERIFY(host.statisticsCounted);
    }

    void secondRunWritesTheNextPartAndAppendingExtendsIt()
    {
        RecordingHost host;
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        QVERIFY(QFile::exists(archive(2)));
        RunOptions o = options();
        o.appendArchive = true;
        TestSupport::writeFile(m_src + QStringLiteral("/new.txt"), "new");
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(!QFile::exists(archive(3)));
        expectToolsAccept(archive(2));
        QVERIFY(zipEntries(archive(2)).contains(entryOf(m_src + QStringLiteral("/new.txt"))));
        QCOMPARE(zipEntries(archive(2)).size(), 3);
    }

    void partsByFileCount()
    {
        for (int i = 0; i < 5; ++i)
            TestSupport::writeFile(m_src + QStringLiteral("/n%1.txt").arg(i), "x");
        RunOptions o = options();
        o.limitFiles = true;
        o.maxFiles = QStringLiteral("0"); // reads as one
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        for (int part = 1; part <= 7; ++part) {
            QVERIFY2(QFile::exists(archive(part)), qPrintable(QString::number(part)));
            expectToolsAccept(archive(part));
            QCOMPARE(zipEntries(archive(part)).size(), 1);
        }
        QVERIFY(!QFile::exists(archive(8)));
    }

    // Another program (or the user) deletes a working file while the run is busy: the part is
    // never reported as delivered, the run fails and names the file.
    void aVanishedWorkingFileFailsTheRun_data()
    {
        QTest::addColumn<QString>("gone");
        QTest::newRow("working archive") << QStringLiteral("archive");
        QTest::newRow("archive log") << QStringLiteral("log");
        QTest::newRow("split piece") << QStringLiteral("piece");
    }

    void aVanishedWorkingFileFailsTheRun()
    {
        QFETCH(QString, gone);
        RunOptions o = options();
        RecordingHost host;
        const QString working = m_temp + QLatin1Char('/') + ArchiveFileName(o.profile, ArchivePeriod::Daily, Clock::today(), 1, false);
        if (gone == QStringLiteral("piece")) {
            TestSupport::writeFile(m_src + QStringLiteral("/sub/huge.bin"), noise(120000, 7));
            o.maxZipSize = QStringLiteral("0.05");
            o.split = true;
            host.onProgress = [&](int bar) {
                if (bar == 2)
                    QDir(m_temp + QStringLiteral("/splitfile")).removeRecursively();
            };
        } else {
            const QString file = gone == QStringLiteral("log") ? working + QStringLiteral(".log") : working;
            host.onFileSeen = [&, file](const QString& path) {
                if (path.endsWith(QStringLiteral("/sub/c.doc")))
                    QVERIFY(QFile::remove(file));
            };
        }
        QFile::remove(ErrorLogPath());
        QCOMPARE(run(o, host), RunOutcome::Failed);
        const QString errors = errorEntries().join(QLatin1Char('\n'));
        QVERIFY2(errors.contains(QStringLiteral("vanished")), qPrintable(errors));
        if (gone == QStringLiteral("piece")) {
            QVERIFY2(errors.contains(m_temp + QStringLiteral("/splitfile")), qPrintable(errors));
            return;
        }
        QVERIFY2(errors.contains(gone == QStringLiteral("log") ? working + QStringLiteral(".log") : working), qPrintable(errors));
        QVERIFY(!QFile::exists(archive(1)));
        QVERIFY(host.cleared.isEmpty()); // the files stay marked for the next backup
    }

    // A pipe, a socket and a device node have no content to back up: never opened, and no
    // problem for the outcome, in a ZIP run as in a file copy.
    void specialFilesArePassedOver_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("zip") << int(BackupMode::ZipArchive);
        QTest::newRow("copy") << int(BackupMode::FileCopy);
    }

    void specialFilesArePassedOver()
    {
        QFETCH(int, mode);
        QCOMPARE(::mkfifo(QFile::encodeName(m_src + QStringLiteral("/pipe")).constData(), 0600), 0);
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(m_src + QStringLiteral("/S.agent"));
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), m_src + QStringLiteral("/sub/device")));
        RunOptions o = options();
        o.mode = BackupMode(mode);
        o.hiddenFiles = true;
        QFile::remove(ErrorLogPath());
        RecordingHost host;
        const RunOutcome outcome = run(o, host);
        ::close(sock);
        QCOMPARE(outcome, RunOutcome::Completed);
        QVERIFY2(errorEntries().isEmpty(), qPrintable(errorEntries().join(QLatin1Char('\n'))));
        QStringList taken = mode == int(BackupMode::ZipArchive) ? zipEntries(archive(1)) : TestSupport::readTree(m_dest).keys();
        for (QString& name : taken)
            name = name.section(QLatin1Char('/'), -1);
        taken.sort();
        QCOMPARE(taken, (QStringList{QStringLiteral(".hidden"), QStringLiteral("a.txt"), QStringLiteral("c.doc")}));
    }

    void partsBySizeAndTooLargeFiles_data()
    {
        QTest::addColumn<bool>("split");
        QTest::newRow("skipped") << false;
        QTest::newRow("split") << true;
    }

    void partsBySizeAndTooLargeFiles()
    {
        QFETCH(bool, split);
        for (int i = 0; i < 4; ++i)
            TestSupport::writeFile(m_src + QStringLiteral("/r%1.bin").arg(i), noise(20000, quint32(i + 1)));
        TestSupport::writeFile(m_src + QStringLiteral("/huge.bin"), noise(120000, 99));
        RunOptions o = options();
        o.maxZipSize = QStringLiteral("0.05"); // 52428 bytes
        o.split = split;
        RecordingHost host;
        QCOMPARE(run(o, host), split ? RunOutcome::Completed : RunOutcome::CompletedWithProblems);
        QStringList all;
        int parts = 0;
        for (int part = 1; QFile::exists(archive(part)); ++part, ++parts) {
            expectToolsAccept(archive(part));
            QVERIFY(QFileInfo(archive(part)).size() <= 52428 + 2048);
            all += zipEntries(archive(part));
        }
        QVERIFY(parts >= 2);
        const bool hasPiece = std::any_of(all.begin(), all.end(), [](const QString& n) { return n.endsWith(QStringLiteral("huge.bin.1")); });
        QCOMPARE(hasPiece, split);
        QVERIFY(!all.contains(entryOf(m_src + QStringLiteral("/huge.bin"))));
        const QString expected = split ? QStringLiteral("to large - file was splitted") : QStringLiteral("to large - file was skipped");
        QVERIFY(host.newsLog.join(QLatin1Char('\n')).contains(expected));
    }

    // Many small files with long names: headers and names count towards the maximum.
    void partsOfSmallFilesKeepToTheMaximum()
    {
        const QString deep = m_src + QStringLiteral("/a-rather-long-folder-name-to-make-the-stored-names-long");
        for (int i = 0; i < 300; ++i)
            TestSupport::writeFile(deep + QStringLiteral("/file-with-a-long-name-number-%1.txt").arg(i), "tiny");
        RunOptions o = options();
        o.sources = {{deep + QStringLiteral("/*.*"), true}};
        o.maxZipSize = QStringLiteral("0.02"); // 20971 bytes
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        int parts = 0;
        int entries = 0;
        for (int part = 1; QFile::exists(archive(part)); ++part, ++parts) {
            QVERIFY2(QFileInfo(archive(part)).size() <= 20971, qPrintable(QString::number(QFileInfo(archive(part)).size())));
            entries += int(zipEntries(archive(part)).size());
        }
        expectToolsAccept(archive(1));
        QVERIFY(parts >= 2);
        QCOMPARE(entries, 300);
    }

    void aFileThatGrewAfterItsLookKeepsThePartWithinTheMaximum_data()
    {
        QTest::addColumn<bool>("oneCore");
        QTest::newRow("read on one core") << true;
        QTest::newRow("read ahead on every core") << false;
    }

    // The run measures a folder's files before it reads them; both grow once the first is in
    // the archive, so the second no longer fits the part the measure made room in.
    void aFileThatGrewAfterItsLookKeepsThePartWithinTheMaximum()
    {
        QFETCH(bool, oneCore);
        const QString folder = m_src + QStringLiteral("/grows");
        const QStringList files = {folder + QStringLiteral("/one.bin"), folder + QStringLiteral("/two.bin")};
        for (const QString& file : files)
            TestSupport::writeFile(file, noise(20000, 1));
        const QByteArray grown = noise(45000, 2);
        RunOptions o = options();
        o.sources = {{folder + QStringLiteral("/*.*"), true}};
        o.maxZipSize = QStringLiteral("0.05"); // 52428 bytes
        RecordingHost host;
        host.onFileAdded = [&] {
            for (const QString& file : files)
                TestSupport::writeFile(file, grown);
            host.onFileAdded = nullptr;
        };
        std::optional<OneCore> one;
        if (oneCore)
            one.emplace();
        QCOMPARE(run(o, host), RunOutcome::Completed);
        one.reset();
        QMap<qint64, int> sizes;
        for (int part = 1; QFile::exists(archive(part)); ++part) {
            expectToolsAccept(archive(part));
            QVERIFY2(QFileInfo(archive(part)).size() <= 52428, qPrintable(QString::number(QFileInfo(archive(part)).size())));
            ZipArchive zip;
            QVERIFY(zip.OpenReadOnly(archive(part)));
            for (int i = 0; i < zip.Files().Count(); ++i)
                ++sizes[zip.Files().Item(i).UncompressedSize()];
        }
        // The first went in as it was; on one core the second is read only after it grew.
        QCOMPARE(sizes.value(20000) + sizes.value(45000), 2);
        if (oneCore)
            QCOMPARE(sizes.value(45000), 1);
    }

    // With the size limit switched off, one archive takes everything, whatever the box holds.
    void sizeLimitSwitchedOff()
    {
        QByteArray noise(40000, Qt::Uninitialized);
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + (i >> 3) * 104729) & 0xff);
        for (int i = 0; i < 3; ++i)
            TestSupport::writeFile(m_src + QStringLiteral("/big%1.bin").arg(i), noise + QByteArray::number(i));
        RunOptions o = options();
        o.maxZipSize = QStringLiteral("not a number");
        o.limitZipSize = false;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(QFile::exists(archive(1)));
        QVERIFY(!QFile::exists(archive(2)));
        expectToolsAccept(archive(1));
        QCOMPARE(zipEntries(archive(1)).size(), 5);
    }

    // A part is written and then copied by its closing: the check asks for twice its size.
    void tempSpaceCheckAsksForWhatAPartNeeds()
    {
        constexpr double kMax = 1000.0 * 1048576.0;
        RunOptions o = options();
        o.maxZipSize = QStringLiteral("1000");
        // Leave 1.6 times the maximum free to the run: enough for 1.2, too little for 2.
        const double reserve = DriveFreeBytes(m_temp) - 1.6 * kMax;
        if (reserve < 0)
            QSKIP("too little free space to set the case up");
        o.spareSpace = QString::number(qint64(reserve / 1024));
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Abandoned);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text.section(QLatin1Char('\n'), 0, 0), LangText(111));
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
    }

    void encryptedArchiveDecryptsToAZip()
    {
        RunOptions o = options();
        o.encrypt = true;
        o.password = QStringLiteral("geheim");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString cry = archive(1) + QStringLiteral(".cry");
        QVERIFY(QFile::exists(cry));
        QVERIFY(!QFile::exists(archive(1)));
        QVERIFY(QFile::exists(cry + QStringLiteral(".log")));
        const QString plain = m_temp + QStringLiteral("/check.zip");
        clsBlowfish cipher;
        QVERIFY(cipher.DecryptFile(cry, plain, true, ArchiveKey(o.password)));
        expectToolsAccept(plain);
        QCOMPARE(zipEntries(plain).size(), 2);
    }

    // No password would give an archive anyone can decrypt: refused before anything is touched.
    void encryptedRunWithoutAPasswordIsRefused()
    {
        RunOptions o = options();
        o.encrypt = true;
        o.password.clear();
        o.appendArchive = true;
        const QString earlier = archive(0) + QStringLiteral(".cry");
        const QString working = m_temp + QLatin1Char('/') + ArchiveFileName(o.profile, o.period, Clock::today(), 1, false);
        TestSupport::writeFile(earlier, "earlier part");
        TestSupport::writeFile(working, "left by an earlier run");
        QFile::remove(ErrorLogPath());
        g_bAutoRun = true;
        RecordingHost host;
        const RunOutcome outcome = run(o, host);
        g_bAutoRun = false;
        QCOMPARE(RunExitCode(outcome), 1);
        QCOMPARE(host.exitCode, 1);
        QVERIFY2(errorEntries().join(QLatin1Char('\n')).contains(QStringLiteral("\"Archive password\"")),
                 qPrintable(errorEntries().join(QLatin1Char('\n'))));
        QCOMPARE(TestSupport::readTree(m_dest), (TestSupport::Tree{{sParseFile(earlier), "earlier part"}}));
        QCOMPARE(TestSupport::readFile(working), QByteArray("left by an earlier run"));
        QVERIFY(host.cleared.isEmpty());
        // In the window the user is told which box to fill in.
        MessageBoxSeam::clearShown();
        QCOMPARE(run(o, host), RunOutcome::Abandoned);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.contains(QStringLiteral("\"Archive password\"")));
    }

    // An earlier part the run cannot extend (another password, or damaged) stays as it was; the
    // log names it and the run goes on in a new part.
    void anEarlierPartThatCannotBeExtendedIsNamed_data()
    {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("another password") << true;
        QTest::newRow("damaged archive") << false;
    }

    void anEarlierPartThatCannotBeExtendedIsNamed()
    {
        QFETCH(bool, encrypt);
        RunOptions o = options();
        o.encrypt = encrypt;
        o.password = QStringLiteral("first");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString earlier = archive(1) + (encrypt ? QStringLiteral(".cry") : QString());
        if (!encrypt) {
            QFile f(earlier);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(f.size() / 2));
        }
        const QByteArray before = TestSupport::readFile(earlier);
        QFile::remove(ErrorLogPath());
        o.appendArchive = true;
        o.password = QStringLiteral("second");
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString errors = errorEntries().join(QLatin1Char('\n'));
        QVERIFY2(errors.contains(QStringLiteral("not appended to")) && errors.contains(earlier), qPrintable(errors));
        QCOMPARE(TestSupport::readFile(earlier), before);
        QVERIFY(QFile::exists(archive(2) + (encrypt ? QStringLiteral(".cry") : QString())));
    }

    void failedEncryptionDeliversNothingAndKeepsThePart()
    {
        RunOptions o = options();
        o.encrypt = true;
        o.password = QStringLiteral("x");
        const QString blocker = m_temp + QLatin1Char('/')
                                + ArchiveFileName(o.profile, o.period, Clock::today(), 1, true);
        QVERIFY(QDir().mkpath(blocker)); // the encrypted file cannot be written
        o.resetArchiveBit = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
        QVERIFY(QFile::exists(m_temp + QLatin1Char('/') + ArchiveFileName(o.profile, o.period, Clock::today(), 1, false)));
        QVERIFY(host.cleared.isEmpty());
        QVERIFY(!host.statisticsCounted);
    }

    void archiveAttributesAreClearedOnlyForDeliveredFiles()
    {
        RunOptions o = options();
        o.resetArchiveBit = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(host.cleared.size(), 2);
        // Incremental: nothing changed, so nothing is taken and no archive is delivered.
        o.selection = SelectionMode::NewOnly;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(!QFile::exists(archive(2)));
    }

    void archivedFilesAreClearedAcrossBatches_data()
    {
        QTest::addColumn<QString>("maxFiles");
        QTest::newRow("one part") << QString();
        QTest::newRow("parts of 1500 files") << QStringLiteral("1500");
    }

    // Each part clears the attributes of exactly its own files once it is delivered, however
    // many there are and however much their names share.
    void archivedFilesAreClearedAcrossBatches()
    {
        QFETCH(QString, maxFiles);
        QStringList files;
        for (int i = 0; i < 2300; ++i)
            files << m_src + QStringLiteral("/many/%1/f%2.txt").arg(i % 3 ? QStringLiteral("d") : QStringLiteral("dä-long-folder")).arg(i);
        for (const QString& file : files)
            TestSupport::writeFile(file, "x");
        RunOptions o = options();
        o.resetArchiveBit = true;
        o.limitFiles = !maxFiles.isEmpty();
        o.maxFiles = maxFiles;
        o.sources.append({m_src + QStringLiteral("/many/d/*.*"), true});
        o.sources.append({m_src + QStringLiteral("/many/dä-long-folder/*.*"), true});
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QStringList archived;
        for (int part = 1; QFile::exists(archive(part)); ++part) {
            expectToolsAccept(archive(part));
            for (const QString& entry : zipEntries(archive(part)))
                archived.append(QLatin1Char('/') + entry);
        }
        QStringList cleared = host.cleared;
        QCOMPARE(cleared.size(), 2302);
        archived.sort();
        cleared.sort();
        QCOMPARE(cleared, archived);
        QVERIFY(QFile::exists(archive(maxFiles.isEmpty() ? 1 : 2)));
    }

    // Only one folder for both is refused: the clean-ups never go below their folder, so a
    // temp folder inside the destination (the default) or above it loses nothing.
    void tempFolderIsRefusedOnlyAsTheDestinationItself_data()
    {
        QTest::addColumn<QString>("tempBelowDest");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("refused");
        QTest::newRow("temp inside destination") << QStringLiteral("/work") << false << false;
        QTest::newRow("temp is destination") << QString() << false << true;
        QTest::newRow("temp links to destination") << QString() << true << true;
        QTest::newRow("temp above destination") << QStringLiteral("/..") << false << false;
    }

    void tempFolderIsRefusedOnlyAsTheDestinationItself()
    {
        QFETCH(QString, tempBelowDest);
        QFETCH(bool, link);
        QFETCH(bool, refused);
        const QString finished = m_dest + QStringLiteral("/Standard_BackUp_d20200101__1.zip");
        TestSupport::writeFile(finished, "an archive the user keeps");
        RunOptions o = options();
        o.pathTemp = QDir::cleanPath(m_dest + tempBelowDest);
        if (link) {
            o.pathTemp = m_temp + QStringLiteral("/link");
            QVERIFY(QFile::link(m_dest, o.pathTemp));
        }
        QDir().mkpath(o.pathTemp);
        RecordingHost host;
        QCOMPARE(run(o, host), refused ? RunOutcome::Abandoned : RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(finished), QByteArray("an archive the user keeps"));
        QCOMPARE(QFile::exists(archive(1)), !refused);
        QCOMPARE(MessageBoxSeam::shown().size(), refused ? 1 : 0);
    }

    void syncOfAMissingSourceCreatesNothing_data()
    {
        QTest::addColumn<bool>("bothWays");
        QTest::newRow("one way") << false;
        QTest::newRow("both ways") << true;
    }

    void syncOfAMissingSourceCreatesNothing()
    {
        QFETCH(bool, bothWays);
        const QString other = TestSupport::freshFolder(QStringLiteral("other"));
        TestSupport::writeFile(other + QStringLiteral("/kept.txt"), "kept");
        RunOptions o = options();
        o.mode = BackupMode::FileSync;
        o.sourceSync = m_src + QStringLiteral("/absent-drive");
        o.destinySync = other;
        o.syncBothDirections = bothWays;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QVERIFY(!QFileInfo::exists(o.sourceSync));
        QCOMPARE(TestSupport::readTree(other).keys(), QStringList{QStringLiteral("kept.txt")});
        QVERIFY(TestSupport::readFile(ErrorLogPath()).contains("absent-drive"));
    }

    void emptyTempFolderIsRefused()
    {
        RunOptions o = options();
        o.pathTemp.clear();
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Abandoned);
    }

    void oldArchivesGoAfterDeliveryButNeverThisRunsOwn()
    {
        const QString old = m_dest + QStringLiteral("/Standard_BackUp_d20200101__1.zip");
        TestSupport::writeFile(old, "old");
        QFile f(old);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-40), QFileDevice::FileModificationTime));
        f.close();
        RunOptions o = options();
        o.deleteArchive = true;
        o.deleteArchiveDays = QStringLiteral("0");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(!QFile::exists(old));
        QVERIFY(QFile::exists(archive(1)));
        QVERIFY(QFile::exists(archive(1) + QStringLiteral(".log")));
    }

    void nothingToBackUpDeliversNothing()
    {
        RunOptions o = options();
        o.sources.clear();
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
        QVERIFY(std::any_of(host.newsLog.begin(), host.newsLog.end(),
                            [](const QString& n) { return n.startsWith(LangText(116)); }));
    }

    void cancelStopsBeforeDelivery()
    {
        RecordingHost host;
        host.cancelAfterFiles = 1;
        QCOMPARE(run(options(), host), RunOutcome::Cancelled);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
        QCOMPARE(host.status, LangText(120));
    }

    void parallelRunEndsAsOnOneCore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("outcome");
        QTest::newRow("parts, split and filtered files") << QStringLiteral("parts") << int(RunOutcome::Completed);
        QTest::newRow("stopped in the middle") << QStringLiteral("stop") << int(RunOutcome::Cancelled);
        // Neither a pipe nor a dangling link is a problem: both are passed over.
        QTest::newRow("pipe and dangling link") << QStringLiteral("unreadable") << int(RunOutcome::Completed);
        QTest::newRow("temp folder fills up") << QStringLiteral("full") << int(RunOutcome::CompletedWithProblems);
        QTest::newRow("a row for each file") << QStringLiteral("file rows") << int(RunOutcome::Completed);
        // Folders, a file row between, an empty folder and an unreadable name in the second row:
        // each row's reports stay at its turn, though the next row is listed ahead.
        QTest::newRow("rows read on from one to the next") << QStringLiteral("rows") << int(RunOutcome::CompletedWithProblems);
        // Parts delivered while a row picked ahead waits: no file goes into two parts.
        QTest::newRow("one folder twice, new files only") << QStringLiteral("twice") << int(RunOutcome::Completed);
    }

    // Files read and compressed on every core: the same entries, parts, logs, news and outcome
    // as a run on one core, however the run goes.
    void parallelRunEndsAsOnOneCore()
    {
        QFETCH(QString, kind);
        QFETCH(int, outcome);
        for (int i = 0; i < 60; ++i)
            TestSupport::writeFile(m_src + QStringLiteral("/f%1.txt").arg(i, 2, 10, QLatin1Char('0')),
                                   QByteArray("some text ").repeated(50 + 37 * i) + noise(i * 20, quint32(i)));
        TestSupport::writeFile(m_src + QStringLiteral("/f30big.bin"), noise(700000, 5));
        RunOptions o = options();
        o.writeLog = true;
        o.maxZipSize = QStringLiteral("0.3"); // parts of 314572 bytes; the big file is split
        o.split = true;
        int cancelAfter = -1;
        rlim_t fileLimit = 0;
        if (kind == QStringLiteral("stop")) {
            cancelAfter = 25;
        } else if (kind == QStringLiteral("unreadable")) {
            QCOMPARE(::mkfifo(QFile::encodeName(m_src + QStringLiteral("/f20pipe")).constData(), 0600), 0);
            QVERIFY(QFile::link(m_src + QStringLiteral("/nowhere"), m_src + QStringLiteral("/f40gone")));
        } else if (kind == QStringLiteral("full")) {
            o.maxZipSize = QStringLiteral("10");
            fileLimit = 120000;
        } else if (kind == QStringLiteral("file rows")) {
            // Blocks of one file, as a disk image given as a row of its own has them, below the
            // part size that would split it.
            TestSupport::writeFile(m_src + QStringLiteral("/f31large.txt"), QByteArray("a line of text\n").repeated(20000));
            o.sources.clear();
            for (const QString& name : QDir(m_src).entryList(QDir::Files, QDir::Name))
                o.sources.append({m_src + QLatin1Char('/') + name, true});
        } else if (kind == QStringLiteral("rows")) {
            // One part; the large file is left out, named in the error log in the first row.
            o.maxZipSize = QStringLiteral("0.6");
            o.split = false;
            const QByteArray raw = QFile::encodeName(m_src + QStringLiteral("/sub/caf")) + "\xE9.txt";
            const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
            QVERIFY(QDir().mkpath(m_src + QStringLiteral("/empty")));
            for (int i = 0; i < 20; ++i)
                TestSupport::writeFile(m_src + QStringLiteral("/more/m%1.txt").arg(i), QByteArray("more ").repeated(300 + 71 * i));
            o.sources = {{m_src + QStringLiteral("/*.*"), true},
                         {m_src + QStringLiteral("/sub/*.*"), true},
                         {m_src + QStringLiteral("/a.txt"), true},
                         {m_src + QStringLiteral("/empty/*.*"), true},
                         {QStringLiteral("**") + m_src + QStringLiteral("/more/*.*"), true},
                         {m_src + QStringLiteral("/more/*.*"), false},
                         {m_src + QStringLiteral("/more/*.*"), true}};
        } else if (kind == QStringLiteral("twice")) {
            o.selection = SelectionMode::NewOnly;
            o.resetArchiveBit = true;
            o.sources = {{m_src + QStringLiteral("/*.*"), true},
                         {m_src + QStringLiteral("/*.*"), true},
                         {m_src + QStringLiteral("/sub/*.*"), true}};
        }
        if (ZipReadAhead::coresToUse() < 2)
            QSKIP("one core only: nothing is read ahead");
        RunTrace single;
        {
            const OneCore one;
            single = traceRun(o, cancelAfter, fileLimit);
        }
        const qint64 takenBefore = ZipReadAhead::filesTaken();
        const RunTrace parallel = traceRun(o, cancelAfter, fileLimit);
        // Every file added whole came read ahead: all but b.tmp, left out by the pattern, and
        // f30big.bin, split into pieces.
        if (kind == QStringLiteral("file rows"))
            QCOMPARE(ZipReadAhead::filesTaken() - takenBefore, qint64(o.sources.size() - 2));
        QCOMPARE(int(single.outcome), outcome);
        QCOMPARE(int(parallel.outcome), outcome);
        QCOMPARE(parallel.delivered.keys(), single.delivered.keys());
        // The split pieces are made anew by each run: their times differ, nothing else may.
        for (auto it = single.delivered.begin(); it != single.delivered.end(); ++it) {
            if (!it.key().endsWith(QStringLiteral(".zip")))
                QCOMPARE(parallel.delivered.value(it.key()), it.value());
            else
                QCOMPARE(zipSummary(o.pathBackUp, it.key(), parallel.delivered.value(it.key())),
                         zipSummary(o.pathBackUp, it.key(), it.value()));
        }
        QCOMPARE(parallel.news, single.news);
        QCOMPARE(parallel.errors, single.errors);
        if (kind == QStringLiteral("parts"))
            QVERIFY2(single.delivered.size() >= 6, qPrintable(single.delivered.keys().join(QLatin1Char(' '))));
        if (kind == QStringLiteral("full"))
            QVERIFY(single.news.join(QLatin1Char('\n')).contains(QStringLiteral("Temp folder write failed")));
        if (kind == QStringLiteral("rows")) {
            const QString errors = parallel.errors.join(QLatin1Char('\n'));
            const qsizetype large = errors.indexOf(QStringLiteral("f30big.bin"));
            QVERIFY2(large >= 0 && large < errors.indexOf(QStringLiteral("caf\\xE9.txt")), qPrintable(errors));
        }
        if (kind == QStringLiteral("twice")) {
            // The split file keeps its archive attribute, and so is split again by the second row.
            QStringList entries;
            for (const QString& name : parallel.delivered.keys())
                if (name.endsWith(QStringLiteral(".zip")))
                    entries += zipEntries(o.pathBackUp + QLatin1Char('/') + name).filter(QRegularExpression(QStringLiteral("^(?!.*/splitfile/)")));
            entries.sort();
            QVERIFY2(entries.size() >= 61, qPrintable(entries.join(QLatin1Char(' '))));
            for (qsizetype i = 1; i < entries.size(); ++i)
                QVERIFY2(entries.at(i) != entries.at(i - 1), qPrintable(entries.at(i)));
        }
    }

    void mediumChangeAnsweredBothWays()
    {
        RecordingHost host;
        host.mediaFree = 1024; // less than a fifth of 10 MB
        MessageBoxSeam::scriptAnswer(MsgResult::Cancel);
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        QCOMPARE(run(options(), host), RunOutcome::Abandoned);
        QCOMPARE(host.exitCode, 1);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());

        RecordingHost second;
        second.mediaFree = 1024;
        MessageBoxSeam::clearScript();
        // The first answer puts a large medium in.
        MessageBoxSeam::setPresenter({});
        int asked = 0;
        MessageBoxSeam::setPresenter([&](const MsgRequest&) {
            ++asked;
            second.mediaFree = 1e12;
            return MsgResult::Ok;
        });
        QCOMPARE(run(options(), second), RunOutcome::Completed);
        MessageBoxSeam::setPresenter({});
        QCOMPARE(asked, 1);
        QVERIFY(QFile::exists(archive(1)));
    }

    void programsBeforeAndAfterRun()
    {
        RunOptions o = options();
        o.before = {true, QStringLiteral("/bin/true"), QString(), WaitMode::WaitForExit, {}};
        o.after = {true, QStringLiteral("/bin/true"), QStringLiteral("x"), WaitMode::WaitSeconds, QStringLiteral("2.5")};
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(host.programs.size(), 2);
        QCOMPARE(host.programs.last().arguments, QStringLiteral("x"));
    }

    // No archive is made from a source whose preparation failed; the program after still runs.
    void beforeProgramThatEndsBadlyFailsTheRun()
    {
        RunOptions o = options();
        o.before = {true, QStringLiteral("/opt/prepare"), QString(), WaitMode::WaitForExit, {}};
        o.after = {true, QStringLiteral("/opt/finish"), QString(), WaitMode::WaitForExit, {}};
        RecordingHost host;
        host.failingProgram = o.before.path;
        int filesLookedAt = 0;
        host.onFileSeen = [&](const QString&) { ++filesLookedAt; };
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QCOMPARE(filesLookedAt, 0);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
        QCOMPARE(host.programs.size(), 2);
        QCOMPARE(host.programs.last().path, o.after.path);
        QVERIFY(TestSupport::readFile(ErrorLogPath()).contains("/opt/prepare"));
    }

    void programsRunAndAreWaitedFor_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("wait");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("failure");
        const int forExit = int(WaitMode::WaitForExit);
        QTest::newRow("ends well") << QStringLiteral("/bin/true") << QString() << forExit << false << true << QString();
        QTest::newRow("non-zero exit") << QStringLiteral("/bin/sh") << QStringLiteral("-c 'exit 4'") << forExit << false << false
                                       << QStringLiteral("exit code 4");
        QTest::newRow("reads its input") << QStringLiteral("/bin/sh")
                                         << QStringLiteral("-c '[ \"$(readlink /proc/self/fd/0)\" = /dev/null ] && cat'")
                                         << forExit << false << true << QString();
        QTest::newRow("pipes end as usual")
            << QStringLiteral("/bin/sh")
            << QStringLiteral("-c \"[ \\$(( 0x\\$(awk '/SigIgn/{print \\$2}' /proc/self/status) & 0x1000 )) -eq 0 ]\"")
            << forExit << false << true << QString();
        QTest::newRow("cannot start") << QStringLiteral("/nonexistent/prepare") << QString() << forExit << false << false
                                      << QStringLiteral("cannot start");
        QTest::newRow("wait for end stopped") << QStringLiteral("/bin/sleep") << QStringLiteral("5") << forExit << true
                                              << false << QStringLiteral("stopped");
        QTest::newRow("seconds stopped") << QStringLiteral("/bin/true") << QString() << int(WaitMode::WaitSeconds) << true
                                         << true << QString();
    }

    void programsRunAndAreWaitedFor()
    {
        QFETCH(QString, path);
        QFETCH(QString, arguments);
        QFETCH(int, wait);
        QFETCH(bool, stop);
        QFETCH(bool, ok);
        QFETCH(QString, failure);
        const RunProgram program{true, path, arguments, WaitMode(wait), QStringLiteral("3600")};
        QString why;
        // The program ignores SIGPIPE, as a scheduled run's closed output pipe must not end it.
        const auto handler = std::signal(SIGPIPE, SIG_IGN);
        const bool done = RunProgramAndWait(program, [stop] { return stop; }, &why);
        std::signal(SIGPIPE, handler);
        QCOMPARE(done, ok);
        QVERIFY2(why.contains(failure), qPrintable(why));
    }

    // A profile name is literal when parts are counted and old archives deleted.
    void profileNamesAreLiteral_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::newRow("star") << QStringLiteral("*");
        QTest::newRow("brackets") << QStringLiteral("Photos [ext]");
        QTest::newRow("question mark") << QStringLiteral("Why?");
    }

    void profileNamesAreLiteral()
    {
        QFETCH(QString, profile);
        const QString others = m_dest + QStringLiteral("/Other_BackUp_d20200101__1.zip");
        writeOldFile(others, "another profile's archive", 40);
        writeOldFile(others + QStringLiteral(".log"), "its log", 40);
        const QString ownOld = m_dest + QLatin1Char('/') + profile + QStringLiteral("_BackUp_d20200101__1.zip");
        writeOldFile(ownOld, "this profile's old archive", 40);
        RunOptions o = options();
        o.profile = profile;
        o.deleteArchive = true;
        o.deleteArchiveDays = QStringLiteral("1");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        TestSupport::writeFile(m_src + QStringLiteral("/second.txt"), "second run");
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(QFile::exists(others));
        QVERIFY(QFile::exists(others + QStringLiteral(".log")));
        QVERIFY(!QFile::exists(ownOld));
        QCOMPARE(zipEntries(archive(1, profile)).size(), 2);
        QCOMPARE(zipEntries(archive(2, profile)).size(), 3);
    }

    void oldArchivesStayWhenALaterPartFails()
    {
        const QString old = m_dest + QStringLiteral("/Standard_BackUp_d20200101__1.zip");
        writeOldFile(old, "old", 40);
        RunOptions o = options();
        o.deleteArchive = true;
        o.deleteArchiveDays = QStringLiteral("0");
        o.limitFiles = true;
        o.maxFiles = QStringLiteral("1");
        o.encrypt = true;
        o.password = QStringLiteral("x");
        // The second part cannot be encrypted, so it is never delivered.
        QVERIFY(QDir().mkpath(m_temp + QLatin1Char('/') + ArchiveFileName(o.profile, o.period, Clock::today(), 2, true)));
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QVERIFY(QFile::exists(archive(1) + QStringLiteral(".cry")));
        QVERIFY(QFile::exists(old));
    }

    // Another machine wrote a part of the same name meanwhile: it is kept, the run's part
    // takes the next number.
    void aPartNameTakenMeanwhileIsNeverReplaced()
    {
        RecordingHost host;
        const QString theirs = archive(1);
        host.onFileSeen = [&](const QString&) {
            if (!QFile::exists(theirs))
                TestSupport::writeFile(theirs, "written by another machine");
        };
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(theirs), QByteArray("written by another machine"));
        expectToolsAccept(archive(2));
        QCOMPARE(zipEntries(archive(2)).size(), 2);
        QVERIFY(QFile::exists(archive(2) + QStringLiteral(".log")));
        QVERIFY(!QFile::exists(archive(1) + QStringLiteral(".log")));
    }

    void aPartNumberThatCannotGrowFailsTheRun()
    {
        const QString stray = archive(2147483647);
        TestSupport::writeFile(stray, "stray");
        RecordingHost host;
        QCOMPARE(run(options(), host), RunOutcome::Failed);
        QCOMPARE(TestSupport::readTree(m_dest).keys(), QStringList{sParseFile(stray)});
        QCOMPARE(TestSupport::readFile(stray), QByteArray("stray"));
    }

    void tempCleanUpsDeleteOnlyWorkingFiles()
    {
        const QString users = m_temp + QStringLiteral("/Taxes_BackUp_2019.xlsx");
        TestSupport::writeFile(users, "the user's own file");
        const QString leftover = m_temp + QStringLiteral("/Standard_BackUp_d20200101__3.zip");
        TestSupport::writeFile(leftover, "a working file of an earlier run");
        RecordingHost host;
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        QVERIFY(QFile::exists(users));
        QVERIFY(!QFile::exists(leftover));
    }

    // Fetching the archive and its log for appending never follows a link planted in their place.
    void appendingFollowsNoLinks_data()
    {
        QTest::addColumn<QString>("linked");
        QTest::newRow("log") << QStringLiteral(".log");
        QTest::newRow("archive") << QString();
    }

    void appendingFollowsNoLinks()
    {
        QFETCH(QString, linked);
        RunOptions o = options();
        o.appendArchive = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString secret = TestSupport::freshFolder(QStringLiteral("private")) + QStringLiteral("/secret.txt");
        TestSupport::writeFile(secret, "SECRET-TEXT");
        const QString appended = archive(0); // a first appended archive has no part number
        QVERIFY(QFile::remove(appended + linked));
        QVERIFY(QFile::link(secret, appended + linked));
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(secret), QByteArray("SECRET-TEXT"));
        for (const QString& file : TestSupport::readTree(m_dest).keys()) {
            const QString path = m_dest + QLatin1Char('/') + file;
            QVERIFY2(QFileInfo(path).isSymLink() || !TestSupport::readFile(path).contains("SECRET-TEXT"), qPrintable(file));
        }
    }

    void registryExportHoldsNoPasswords()
    {
        const QString scope = QStringLiteral("QEV\\Quillaro\\someone\\Standard");
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), QStringLiteral("txtFTPpassword"), QStringLiteral("ftp-secret-1"));
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), QStringLiteral("txtEncryptPassword"), QStringLiteral("zip-secret-2"));
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), QStringLiteral("txtFTPuser"), QStringLiteral("visible-user"));
        RunOptions o = options();
        o.inclRegistry = true;
        o.registryAsText = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString name = zipEntries(archive(1)).filter(QStringLiteral("registry.txt")).value(0);
        QVERIFY(!name.isEmpty());
        QString exported;
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), archive(1), name}, &exported), 0);
        QVERIFY2(exported.contains(QStringLiteral("visible-user")), qPrintable(exported));
        QVERIFY(!exported.contains(QStringLiteral("ftp-secret-1")));
        QVERIFY(!exported.contains(QStringLiteral("zip-secret-2")));
    }

    void profileNameWithDoubleUnderscoreNeverOverwritesAPart()
    {
        RunOptions o = options();
        o.profile = QStringLiteral("my__office");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QVERIFY(QFile::exists(archive(1, o.profile)));
        QVERIFY(QFile::exists(archive(2, o.profile)));
    }

    void fileCopyFlatOrWithStructure_data()
    {
        QTest::addColumn<bool>("structure");
        QTest::newRow("flat") << false;
        QTest::newRow("with structure") << true;
    }

    void fileCopyFlatOrWithStructure()
    {
        QFETCH(bool, structure);
        RunOptions o = options();
        o.mode = BackupMode::FileCopy;
        o.inclSubDirStruct = structure;
        o.resetArchiveBit = true;
        QFile source(m_src + QStringLiteral("/a.txt"));
        QVERIFY(source.open(QIODevice::ReadWrite));
        const QDateTime written = QDateTime::currentDateTime().addDays(-3);
        QVERIFY(source.setFileTime(written, QFileDevice::FileModificationTime));
        source.close();
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString a = m_dest + (structure ? m_src : QString()) + QStringLiteral("/a.txt");
        const QString c = m_dest + (structure ? m_src + QStringLiteral("/sub") : QString()) + QStringLiteral("/c.doc");
        QCOMPARE(TestSupport::readFile(a), QByteArray("alpha alpha alpha"));
        QCOMPARE(TestSupport::readFile(c), QByteArray(5000, 'c'));
        QCOMPARE(TestSupport::readTree(m_dest).size(), 2);
        QCOMPARE(QFileInfo(a).lastModified().toSecsSinceEpoch(), written.toSecsSinceEpoch());
        QCOMPARE(host.cleared.size(), 2);

        // Incremental: files whose archive attribute was cleared are not copied again.
        QFile::setPermissions(a, QFile::ReadOwner);
        TestSupport::writeFile(m_src + QStringLiteral("/a.txt"), "changed");
        host.cleared.removeAll(m_src + QStringLiteral("/a.txt"));
        o.selection = SelectionMode::NewOnly;
        RecordingHost again;
        again.cleared = host.cleared;
        QCOMPARE(run(o, again), RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(a), QByteArray("changed")); // a read-only target is replaced
        QCOMPARE(again.cleared.size(), 2);
    }

    // Clears are written in batches; every file copied is cleared, whether the run ends or is
    // stopped, and no file is cleared that was not copied.
    void copiedFilesAreClearedAcrossBatches_data()
    {
        QTest::addColumn<int>("stopAfter");
        QTest::newRow("to the end") << -1;
        QTest::newRow("stopped past a batch") << 1100;
    }

    void copiedFilesAreClearedAcrossBatches()
    {
        QFETCH(int, stopAfter);
        for (int i = 0; i < 1205; ++i)
            TestSupport::writeFile(m_src + QStringLiteral("/many/f%1.txt").arg(i), "x");
        RunOptions o = options();
        o.mode = BackupMode::FileCopy;
        o.inclSubDirStruct = true;
        o.resetArchiveBit = true;
        o.sources.append({m_src + QStringLiteral("/many/*.*"), true});
        RecordingHost host;
        host.cancelAfterFiles = stopAfter;
        QCOMPARE(run(o, host), stopAfter < 0 ? RunOutcome::Completed : RunOutcome::Cancelled);
        QStringList copied;
        for (const QString& target : TestSupport::readTree(m_dest).keys())
            copied.append(QLatin1Char('/') + target);
        QStringList cleared = host.cleared;
        copied.sort();
        cleared.sort();
        QCOMPARE(cleared, copied);
        if (stopAfter < 0)
            QCOMPARE(copied.size(), 1207);
        else // stopped once past the first batch, well before the end
            QVERIFY2(copied.size() > 1000 && copied.size() < 1207, qPrintable(QString::number(copied.size())));
    }

    void failedCopyIsNotCountedAndKeepsItsAttribute()
    {
        QVERIFY(QDir().mkpath(m_dest + QStringLiteral("/a.txt"))); // a folder stands in the way
        RunOptions o = options();
        o.mode = BackupMode::FileCopy;
        o.inclSubDirStruct = false;
        o.resetArchiveBit = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QCOMPARE(host.cleared, QStringList{m_src + QStringLiteral("/sub/c.doc")});
        QVERIFY(host.newsLog.join(QLatin1Char('\n')).contains(LangText(326)));
        QVERIFY(!host.statisticsCounted);
    }

    void fileCopyToTheCdWriterCopiesNothing()
    {
        RunOptions o = options();
        o.mode = BackupMode::FileCopy;
        o.cdRecorder = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Abandoned);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
        QCOMPARE(MessageBoxSeam::shown().last().text, LangText(327));
    }

    void syncRunCopiesBothWays()
    {
        const QString other = TestSupport::freshFolder(QStringLiteral("other"));
        TestSupport::writeFile(other + QStringLiteral("/only-there.txt"), "there");
        RunOptions o = options();
        o.mode = BackupMode::FileSync;
        o.sourceSync = m_src;
        o.destinySync = other;
        o.syncBothDirections = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(other + QStringLiteral("/a.txt")), QByteArray("alpha alpha alpha"));
        QCOMPARE(TestSupport::readFile(m_src + QStringLiteral("/only-there.txt")), QByteArray("there"));
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
    }

    void syncOfNestedFoldersFails()
    {
        RunOptions o = options();
        o.mode = BackupMode::FileSync;
        o.sourceSync = m_src;
        o.destinySync = m_src + QStringLiteral("/sub");
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QVERIFY(!host.statisticsCounted);
    }

    void unattendedRunEndsTheProgram()
    {
        g_bAutoRun = true;
        RecordingHost host;
        QCOMPARE(run(options(), host), RunOutcome::Completed);
        g_bAutoRun = false;
        QCOMPARE(host.exitCode, 0);
        QVERIFY(!host.statisticsRecorded);
    }

    // Each thing the run was asked for and did not take is named in the error log, has its
    // own news line, and makes the run one that completed with problems.
    void leftOutItemsAreNamed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("newsLine");
        QTest::newRow("missing file row") << QStringLiteral("missing file") << QString();
        QTest::newRow("missing folder row") << QStringLiteral("missing folder") << QString();
        QTest::newRow("vanished while the run ran") << QStringLiteral("vanished") << QStringLiteral("File vanished - skipped backup");
        QTest::newRow("vanished, new files only") << QStringLiteral("vanished new only") << QStringLiteral("File vanished - skipped backup");
        QTest::newRow("name not valid UTF-8") << QStringLiteral("bad name") << QString();
        QTest::newRow("too large, not split") << QStringLiteral("too large") << QStringLiteral("to large - file was skipped");
    }

    void leftOutItemsAreNamed()
    {
        QFETCH(QString, kind);
        QFETCH(QString, newsLine);
        RunOptions o = options();
        RecordingHost host;
        QString named;
        if (kind == QStringLiteral("missing file")) {
            named = m_src + QStringLiteral("/gone.txt");
            o.sources.append({named, true});
        } else if (kind == QStringLiteral("missing folder")) {
            named = m_src + QStringLiteral("/nowhere/*.*");
            o.sources.append({named, true});
        } else if (kind.startsWith(QStringLiteral("vanished"))) {
            if (kind.endsWith(QStringLiteral("new only")))
                o.selection = SelectionMode::NewOnly;
            named = m_src + QStringLiteral("/sub/c.doc");
            host.onFileSeen = [named](const QString& path) {
                if (path == named)
                    QFile::remove(path);
            };
        } else if (kind == QStringLiteral("bad name")) {
            const QByteArray raw = QFile::encodeName(m_src) + "/caf\xe9.txt";
            const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
            named = m_src + QStringLiteral("/caf\\xE9.txt");
        } else {
            named = m_src + QStringLiteral("/sub/c.doc"); // 5000 bytes
            o.maxZipSize = QStringLiteral("0.001");
        }
        QCOMPARE(run(o, host), RunOutcome::CompletedWithProblems);
        QCOMPARE(zipEntries(archive(1)).first(), entryOf(m_src + QStringLiteral("/a.txt")));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QVERIFY2(log.contains(QStringLiteral("left out of the backup: ") + named), qPrintable(log));
        const QString news = host.newsLog.join(QLatin1Char('\n'));
        QVERIFY(!newsLine.isEmpty() || !news.contains(QStringLiteral("File locked")));
        QVERIFY2(news.contains(newsLine), qPrintable(news));
        QCOMPARE(host.status.left(LangText(340).size()), LangText(340));
        QVERIFY(host.statisticsCounted);

        g_bAutoRun = true;
        RecordingHost unattended;
        unattended.onFileSeen = host.onFileSeen;
        if (kind.startsWith(QStringLiteral("vanished")))
            TestSupport::writeFile(named, "back again");
        (void)run(o, unattended);
        g_bAutoRun = false;
        QCOMPARE(unattended.exitCode, 3);
    }

    void copyRunLeavesOutWhatIsGoneOrBadlyNamed()
    {
        RunOptions o = options();
        o.mode = BackupMode::FileCopy;
        o.inclSubDirStruct = false;
        const QString gone = m_src + QStringLiteral("/sub/c.doc");
        const QByteArray raw = QFile::encodeName(m_src) + "/caf\xe9.txt";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        RecordingHost host;
        host.onFileSeen = [gone](const QString& path) {
            if (path == gone)
                QFile::remove(path);
        };
        QCOMPARE(run(o, host), RunOutcome::CompletedWithProblems);
        QCOMPARE(TestSupport::readTree(m_dest).keys(), QStringList{QStringLiteral("a.txt")});
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QVERIFY(log.contains(QStringLiteral("left out of the backup: ") + gone));
        QVERIFY(log.contains(QStringLiteral("left out of the backup: ") + m_src + QStringLiteral("/caf\\xE9.txt")));
        QVERIFY(host.newsLog.join(QLatin1Char('\n')).contains(QStringLiteral("File vanished - skipped backup")));
    }

    // Nothing new to take is no failure, even with a row missing: that row is the problem.
    void incrementalRunWithNothingNewAndAMissingRow()
    {
        RunOptions o = options();
        o.resetArchiveBit = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        o.selection = SelectionMode::NewOnly;
        o.sources.append({m_src + QStringLiteral("/gone.txt"), true});
        RecordingHost again;
        again.cleared = host.cleared;
        QCOMPARE(run(o, again), RunOutcome::CompletedWithProblems);
        QVERIFY(!QFile::exists(archive(2)));
    }

    void alreadyInTheArchiveIsNotCalledLocked()
    {
        RunOptions o = options();
        o.appendArchive = true;
        o.overwriteFile = false;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        RecordingHost again;
        QCOMPARE(run(o, again), RunOutcome::Completed);
        const QString news = again.newsLog.join(QLatin1Char('\n'));
        QVERIFY2(news.contains(QStringLiteral("Already in the archive - not overwritten")), qPrintable(news));
        QVERIFY(!news.contains(QStringLiteral("File locked")));
    }

    void runThatTakesNothingItWasAskedForFails_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("row");
        QTest::newRow("no row selected") << false << QStringLiteral("/*.*");
        QTest::newRow("every source missing") << true << QStringLiteral("/missing/*.*");
    }

    void runThatTakesNothingItWasAskedForFails()
    {
        QFETCH(bool, selected);
        QFETCH(QString, row);
        RunOptions o = options();
        o.sources = {{m_src + row, selected}};
        g_bAutoRun = true;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        g_bAutoRun = false;
        QCOMPARE(host.exitCode, 1);
        QVERIFY(TestSupport::readTree(m_dest).isEmpty());
    }

    // A number box the run reads that holds no usable number stops the run before anything
    // is touched: earlier archives stay, nothing is written.
    void unusableNumberBoxesRefuseTheRun_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("name");
        QTest::newRow("days to keep, letters") << QStringLiteral("days") << QStringLiteral("thirty") << 344;
        QTest::newRow("days to keep, empty") << QStringLiteral("days") << QString() << 344;
        QTest::newRow("days to keep, negative") << QStringLiteral("days") << QStringLiteral("-3") << 344;
        QTest::newRow("file limit") << QStringLiteral("files") << QStringLiteral("many") << 343;
        QTest::newRow("young-file days") << QStringLiteral("young") << QStringLiteral("7d") << 345;
        QTest::newRow("maximum size") << QStringLiteral("size") << QStringLiteral("big") << 342;
        QTest::newRow("maximum size, zero") << QStringLiteral("size") << QStringLiteral("0") << 342;
        QTest::newRow("spare space") << QStringLiteral("spare") << QStringLiteral("-1") << 346;
        QTest::newRow("wait after") << QStringLiteral("wait") << QStringLiteral("soon") << 348;
    }

    void unusableNumberBoxesRefuseTheRun()
    {
        QFETCH(QString, box);
        QFETCH(QString, value);
        QFETCH(int, name);
        const QString earlier = archive(1);
        TestSupport::writeFile(earlier, "an earlier archive");
        QFile f(earlier);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-400), QFileDevice::FileModificationTime));
        f.close();
        const QString working = m_temp + QStringLiteral("/Standard_BackUp_d20200101__1.zip");
        TestSupport::writeFile(working, "kept");
        RunOptions o = options();
        o.deleteArchive = true;
        o.limitFiles = true;
        o.filters.chkExclYoungDayFiles = true;
        o.filters.txtExclYoungDay = QStringLiteral("0");
        o.after = {true, QStringLiteral("/bin/true"), QString(), WaitMode::WaitSeconds, QStringLiteral("0")};
        QString* field = box == QStringLiteral("days") ? &o.deleteArchiveDays
                         : box == QStringLiteral("files") ? &o.maxFiles
                         : box == QStringLiteral("young") ? &o.filters.txtExclYoungDay
                         : box == QStringLiteral("size") ? &o.maxZipSize
                         : box == QStringLiteral("spare") ? &o.spareSpace
                                                            : &o.after.waitSeconds;
        *field = value;
        RecordingHost host;
        QCOMPARE(run(o, host), RunOutcome::Abandoned);
        QCOMPARE(TestSupport::readTree(m_dest).keys(), QStringList{sParseFile(earlier)});
        QVERIFY(QFile::exists(working));
        QVERIFY(host.programs.isEmpty());
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.contains(LangText(name)));
    }

    void readNumberBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << QStringLiteral("30") << true << 30.0;
        QTest::newRow("blanks and fraction") << QStringLiteral(" 2.5 ") << true << 2.5;
        QTest::newRow("zero") << QStringLiteral("0") << true << 0.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("negative") << QStringLiteral("-1") << false << 0.0;
        QTest::newRow("trailing letters") << QStringLiteral("12 seconds") << false << 0.0;
        QTest::newRow("decimal comma") << QStringLiteral("1,5") << false << 0.0;
        QTest::newRow("infinite") << QStringLiteral("inf") << false << 0.0;
    }

    void readNumberBox()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double read = 0;
        QCOMPARE(ReadNumberBox(text, &read), ok);
        if (ok)
            QCOMPARE(read, value);
    }

    void leadingWholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("half to even down") << QStringLiteral("2.5") << 2;
        QTest::newRow("half to even up") << QStringLiteral("3.5") << 4;
        QTest::newRow("leading number") << QStringLiteral("12 seconds") << 12;
        QTest::newRow("none") << QStringLiteral("abc") << 0;
        QTest::newRow("blanks") << QStringLiteral(" 1 5") << 15;
    }

    void leadingWholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(LeadingWholeNumber(text), value);
    }

    // ---- the FTP server as a destination -------------------------------------------------

private:
    RunOptions ftpOptions(int port, const QString& user) const
    {
        RunOptions o = options();
        o.media = false;
        o.ftp = true;
        o.pathBackUp.clear();
        o.ftpSettings = {QStringLiteral("127.0.0.1"), QString::number(port), user, QStringLiteral("pw"),
                         QStringLiteral("backups/quillaro"), 0, {}};
        return o;
    }
    static QString serverName(int part, bool encrypted)
    {
        return ArchiveFileName(QStringLiteral("Standard"), ArchivePeriod::Daily, Clock::today(), part, encrypted);
    }

private slots:

    // Every part and its log reach the server; encrypted parts decrypt to archives the tools accept.
    void ftpOnlyRunUploadsEachPartAndItsLog_data()
    {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("plain") << false;
        QTest::newRow("encrypted") << true;
    }
    void ftpOnlyRunUploadsEachPartAndItsLog()
    {
        QFETCH(bool, encrypt);
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        RecordingHost host;
        RunOptions o = ftpOptions(server.port(), QStringLiteral("u"));
        o.limitFiles = true;
        o.maxFiles = QStringLiteral("1");
        o.encrypt = encrypt;
        o.password = QStringLiteral("secret");
        o.resetArchiveBit = true;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString folder = root + QStringLiteral("/backups/quillaro/");
        QStringList expected;
        for (int part : {1, 2})
            expected << serverName(part, encrypt) << serverName(part, encrypt) + QStringLiteral(".log");
        expected.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files), expected);
        for (int part : {1, 2}) {
            QString zip = folder + serverName(part, encrypt);
            if (encrypt) {
                clsBlowfish cipher;
                const QString plain = m_temp + QStringLiteral("/check.zip");
                QVERIFY(cipher.DecryptFile(zip, plain, true, ArchiveKey(o.password)));
                zip = plain;
            }
            expectToolsAccept(zip);
        }
        QVERIFY(QDir(m_temp).entryList(QDir::Files).filter(QStringLiteral("_BackUp_")).isEmpty());
        QCOMPARE(host.cleared.size(), 2);
    }

    // Appending fetches the server's last part and sends it back extended, under its own name.
    void ftpAppendingExtendsTheServersPart()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        RecordingHost host;
        RunOptions o = ftpOptions(server.port(), QStringLiteral("u"));
        QCOMPARE(run(o, host), RunOutcome::Completed);
        TestSupport::writeFile(m_src + QStringLiteral("/new.txt"), "new");
        o.appendArchive = true;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        const QString folder = root + QStringLiteral("/backups/quillaro/");
        QCOMPARE(QDir(folder).entryList({QStringLiteral("*.zip")}, QDir::Files), QStringList{serverName(1, false)});
        expectToolsAccept(folder + serverName(1, false));
        QVERIFY(zipEntries(folder + serverName(1, false)).contains(entryOf(m_src + QStringLiteral("/new.txt"))));
        QVERIFY(zipEntries(folder + serverName(1, false)).contains(entryOf(m_src + QStringLiteral("/a.txt"))));
    }

    // A part the run cannot fetch is never replaced: the run starts the next part.
    void ftpAppendingWhoseFetchFailsStartsANewPart()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        const QString folder = root + QStringLiteral("/backups/quillaro/");
        TestSupport::writeFile(folder + serverName(1, false), "the server's part");
        FtpTestServer server;
        QVERIFY(server.start(root));
        RecordingHost host;
        RunOptions o = ftpOptions(server.port(), QStringLiteral("noread"));
        o.appendArchive = true;
        QCOMPARE(run(o, host), RunOutcome::Completed);
        QCOMPARE(TestSupport::readFile(folder + serverName(1, false)), QByteArray("the server's part"));
        expectToolsAccept(folder + serverName(2, false));
    }

    // An upload that fails fails the run, keeps the archive in the temp folder and clears no
    // archive attribute; an unreachable server fails the run before any archive is made.
    void ftpFailureFailsTheRun_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("archiveMade");
        QTest::newRow("read-only user") << QStringLiteral("ro") << true;
        QTest::newRow("server dies during the upload") << QStringLiteral("die") << true;
        QTest::newRow("wrong password") << QStringLiteral("nobody") << false;
    }
    void ftpFailureFailsTheRun()
    {
        QFETCH(QString, user);
        QFETCH(bool, archiveMade);
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        QDir().mkpath(root + QStringLiteral("/backups/quillaro"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        RecordingHost host;
        RunOptions o = ftpOptions(server.port(), user);
        o.resetArchiveBit = true;
        g_bAutoRun = true;
        QCOMPARE(run(o, host), RunOutcome::Failed);
        QCOMPARE(host.exitCode, 1);
        QVERIFY(host.cleared.isEmpty());
        QCOMPARE(QFileInfo::exists(m_temp + QLatin1Char('/') + serverName(1, false)), archiveMade);
        if (archiveMade)
            expectToolsAccept(m_temp + QLatin1Char('/') + serverName(1, false));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/backups/quillaro/") + serverName(1, false)));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QVERIFY(log.contains(archiveMade ? QStringLiteral("Zip_Copy error_ftp") : QStringLiteral("FTP_ini of Modul QEV_InetFTP")));
    }

    // With the destination folder beside the server the archive is delivered there, and the
    // error log says so rather than send the user to an empty temp folder.
    void ftpFailureBesideTheFolderDeliversToTheFolder()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("server"));
        QDir().mkpath(root + QStringLiteral("/backups/quillaro"));
        FtpTestServer server;
        QVERIFY(server.start(root));
        RecordingHost host;
        QFile::remove(ErrorLogPath());
        RunOptions o = ftpOptions(server.port(), QStringLiteral("ro"));
        o.media = true;
        o.pathBackUp = m_dest;
        QCOMPARE(run(o, host), RunOutcome::CompletedWithProblems);
        expectToolsAccept(archive(1));
        QVERIFY(!QFileInfo::exists(m_temp + QLatin1Char('/') + serverName(1, false)));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QVERIFY2(log.contains(QStringLiteral("the archive was not uploaded and goes to the destination folder alone")), qPrintable(log));
        QVERIFY2(!log.contains(QStringLiteral("stays in the temp folder")), qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(tst_BackupRun)
#include "tst_BackupRun.moc"
