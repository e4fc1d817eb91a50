#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "ZipArchive.h"
#include "ZipCheck.h"
#include "ZipReadAhead.h"

using namespace TestSupport;

namespace {

// Python's own reader: tests the archive and prints "name size crc-ok" lines and the comment.
const char* const kPyCheck = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad is not None:
        print("BAD", bad); sys.exit(2)
    for i in z.infolist():
        print(i.filename, i.file_size, i.compress_type, "utf8" if i.flag_bits & 0x800 else "-")
    print("COMMENT", z.comment.decode("utf-8"))
)";

QString pythonCheck(const QString& archive, int* rc = nullptr)
{
    QString out;
    const int code = runTool(QStringLiteral("python3"),
                             {QStringLiteral("-c"), QString::fromUtf8(kPyCheck), archive}, &out);
    if (rc)
        *rc = code;
    return out;
}

void expectToolsAccept(const QString& archive)
{
    QString checked;
    QVERIFY2(ZipCheck::wholeArchive(archive, &checked), qPrintable(checked));
    int rc = -1;
    const QString py = pythonCheck(archive, &rc);
    QVERIFY2(rc == 0, qPrintable(py));
    QString out;
    const int unzipRc = runTool(QStringLiteral("unzip"), {QStringLiteral("-tqq"), archive}, &out);
    // unzip warns about any archive without entries (exit 1); that is its only complaint allowed.
    const bool emptyWarning
        = unzipRc == 1 && out.trimmed().endsWith(QStringLiteral("zipfile is empty"));
    QVERIFY2(unzipRc == 0 || emptyWarning, qPrintable(out));
}

QString makeFile(const QString& path, const QByteArray& content)
{
    writeFile(path, content);
    return path;
}

QByteArray someText(int kib)
{
    QByteArray text;
    for (int i = 0; text.size() < kib * 1024; ++i)
        text += "line " + QByteArray::number(i * 7919 % 10007) + " of some text to pack\n";
    return text.left(kib * 1024);
}

// The entry name of a full path: without its leading "/".
QString entryName(const QString& path) { return path.mid(1); }


// What adding a list of files gave: the archive's bytes and each add's result.
struct AddRecord {
    QByteArray archive;
    QStringList results;
};

// Adds the files in order at the level, the expected ones told first when ahead; the temp
// folder (the spool's and the archive's drive) may not grow beyond fileLimit bytes while adding.
AddRecord addAll(const QString& dir, const QStringList& expected, const QStringList& added,
                 int level, bool ahead, rlim_t fileLimit)
{
    const QString path = dir + (ahead ? QStringLiteral("/ahead.zip") : QStringLiteral("/here.zip"));
    ZipArchive zip;
    zip.setSpoolFolder(dir);
    QString error;
    AddRecord record;
    if (!zip.Create(path, &error))
        return {{}, {error}};
    if (ahead)
        zip.Files().expect(expected, level);
    {
        const FileSizeLimit full(fileLimit);
        for (const QString& file : added) {
            const bool ok = zip.Files().AddFileByName(file, level, true, false, &error);
            record.results << QStringLiteral("%1 %2 %3").arg(file).arg(ok).arg(int(zip.Files().lastAddProblem()));
        }
    }
    if (!zip.Close(&error))
        record.results << error;
    record.archive = readFile(path);
    return record;
}

} // namespace

class tst_ZipArchive : public QObject {
    Q_OBJECT

private slots:
    void createWritesTheFileAtOnce();
    void addedSizesAreKnownAndTheSourceMayGo();
    void storedAndDeflatedAreAccepted();
    void unreadableFileIsNotAdded_data();
    void unreadableFileIsNotAdded();
    void readsNoMoreThanTheSizeAtOpen();
    void overwriteKeepsTheCount();
    void manyReplacementsKeepOrderAndNewBytes_data();
    void manyReplacementsKeepOrderAndNewBytes();
    void fileBeyondTheRoomIsNotAdded_data();
    void fileBeyondTheRoomIsNotAdded();
    void appendKeepsEarlierEntries();
    void damagedArchiveFailsToOpen_data();
    void damagedArchiveFailsToOpen();
    void closeWritesOncePerPart();
    void closeFailureIsReported();
    void archiveLeftOpenIsWrittenAtTheEnd();
    void namesAreUtf8PathsWithoutLeadingSlash();
    void extractRoundTrip();
    void extractRefusesEscapingNames_data();
    void extractRefusesEscapingNames();
    void extractFollowsNoLinkBelowTheTarget_data();
    void extractFollowsNoLinkBelowTheTarget();
    void linkEntriesStayInsideTheTarget();
    void damagedEntryLeavesTheFileItWouldReplace();
    void readingListsEveryEntryOfADamagedArchive();
    void infoZipArchivesComeBackWithTheirTimes_data();
    void infoZipArchivesComeBackWithTheirTimes();
    void manyEntriesUseZip64();
    void largeFileUsesZip64();
    void readAheadStartsWithTheFirstFileToRead();
    void readAheadGivesTheSameArchive_data();
    void readAheadGivesTheSameArchive();
};

void tst_ZipArchive::createWritesTheFileAtOnce()
{
    const QString path = freshFolder(QStringLiteral("create")) + QStringLiteral("/a.zip");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Close(&error)); // harmless when none is open
    QVERIFY2(zip.Create(path, &error), qPrintable(error));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(zip.Files().Count(), 0);
    const QString comment = QStringLiteral("Archiv created with q.e.v Quillaro 3.4");
    QVERIFY(zip.setComment(comment, &error));
    QCOMPARE(QFileInfo(path).size(), 22 + comment.size());
    QVERIFY(zip.Close(&error));
    QVERIFY(QFileInfo::exists(path));
    expectToolsAccept(path);
    QVERIFY(pythonCheck(path).contains(QStringLiteral("COMMENT ") + comment));

    QVERIFY2(zip.Open(path, &error), qPrintable(error));
    QCOMPARE(zip.Comment(), comment);
    QCOMPARE(zip.Files().Count(), 0);
    QVERIFY(zip.Close(&error));
    QVERIFY(!zip.Files().AddFileByName(path, 6, true, true, &error)); // nothing open

    // Made with its comment, the file is the same, written once: a Close() with nothing added
    // leaves that very file.
    const QByteArray inTwoSteps = readFile(path);
    QVERIFY(QFile::remove(path));
    QVERIFY2(zip.Create(path, comment, &error), qPrintable(error));
    QCOMPARE(zip.Comment(), comment);
    QCOMPARE(readFile(path), inTwoSteps);
    struct stat made = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &made), 0);
    QVERIFY(zip.Close(&error));
    struct stat closed = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &closed), 0);
    QCOMPARE(closed.st_ino, made.st_ino);
    QCOMPARE(readFile(path), inTwoSteps);
}

void tst_ZipArchive::addedSizesAreKnownAndTheSourceMayGo()
{
    const QString dir = freshFolder(QStringLiteral("sizes"));
    const QByteArray text = someText(40);
    const QString a = makeFile(dir + QStringLiteral("/src/a.txt"), text);
    const QString b = makeFile(dir + QStringLiteral("/src/empty.txt"), {});
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/out.zip"), &error));
    QVERIFY2(zip.Files().AddFileByName(a, 6, true, false, &error), qPrintable(error));
    QCOMPARE(zip.Files().Count(), 1);
    const ZipEntry first = zip.Files()(0);
    QCOMPARE(first.UncompressedSize(), text.size());
    QVERIFY(first.CompressedSize() > 0 && first.CompressedSize() < text.size() / 2);
    QCOMPARE(first.Name(), entryName(a));
    QCOMPARE(first.ModificationDate().toSecsSinceEpoch(),
             QFileInfo(a).lastModified().toSecsSinceEpoch());
    QVERIFY(zip.Files().AddFileByName(b, 6, true, false, &error));
    QCOMPARE(zip.Files().Item(1).UncompressedSize(), 0);
    QCOMPARE(zip.Files().Item(1).CompressedSize(), 0);
    QVERIFY(!zip.Files().Item(2).isValid());
    QVERIFY(QFile::remove(a));
    QVERIFY(QFile::remove(b));
    QVERIFY2(zip.Close(&error), qPrintable(error));
    expectToolsAccept(dir + QStringLiteral("/out.zip"));

    QVERIFY(zip.Open(dir + QStringLiteral("/out.zip"), &error));
    QCOMPARE(zip.Files().Count(), 2);
    QCOMPARE(zip.Files().Item(0).CompressedSize(), first.CompressedSize());
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::storedAndDeflatedAreAccepted()
{
    const QString dir = freshFolder(QStringLiteral("levels"));
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/l.zip"), &error));
    for (int level : {0, 1, 6, 9}) {
        const QString f
            = makeFile(dir + QStringLiteral("/src/level%1.txt").arg(level), someText(64 + level));
        QVERIFY2(zip.Files().AddFileByName(f, level, true, false, &error), qPrintable(error));
    }
    QCOMPARE(zip.Files().Item(0).CompressedSize(), zip.Files().Item(0).UncompressedSize());
    QVERIFY(zip.Close(&error));
    expectToolsAccept(dir + QStringLiteral("/l.zip"));
    const QString listing = pythonCheck(dir + QStringLiteral("/l.zip"));
    QVERIFY2(listing.contains(QStringLiteral("level0.txt 65536 0 ")), qPrintable(listing));
    QVERIFY2(listing.contains(QStringLiteral("level9.txt 74752 8 ")), qPrintable(listing));
}

void tst_ZipArchive::unreadableFileIsNotAdded_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("problem");
    QTest::newRow("missing") << QStringLiteral("missing") << int(ZipAddProblem::Vanished);
    QTest::newRow("folder") << QStringLiteral("folder") << int(ZipAddProblem::Unreadable);
    QTest::newRow("fifo") << QStringLiteral("fifo") << int(ZipAddProblem::Unreadable);
    QTest::newRow("already in the archive") << QStringLiteral("again") << int(ZipAddProblem::AlreadyInArchive);
    QTest::newRow("temp folder cannot grow") << QStringLiteral("full") << int(ZipAddProblem::TempWrite);
}

void tst_ZipArchive::unreadableFileIsNotAdded()
{
    QFETCH(QString, kind);
    QFETCH(int, problem);
    const QString dir = freshFolder(QStringLiteral("unreadable"));
    const QString good = makeFile(dir + QStringLiteral("/good.txt"), "good");
    QString bad = dir + QStringLiteral("/bad");
    if (kind == QStringLiteral("folder"))
        QDir().mkpath(bad);
    if (kind == QStringLiteral("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
    if (kind == QStringLiteral("again"))
        bad = good;
    if (kind == QStringLiteral("full"))
        makeFile(bad, QByteArray(1 << 20, 'x'));
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/u.zip"), &error));
    QVERIFY(zip.Files().AddFileByName(good, 6, true, false, &error));
    error.clear();
    bool added = false;
    {
        // The working copy may not grow beyond 32 KB: the temp folder's drive is full.
        const FileSizeLimit full(kind == QStringLiteral("full") ? 32768 : 0);
        added = zip.Files().AddFileByName(bad, 0, true, false, &error);
    }
    QVERIFY(!added);
    QVERIFY(!error.isEmpty());
    QCOMPARE(int(zip.Files().lastAddProblem()), problem);
    QCOMPARE(zip.Files().Count(), 1);
    // The failed add must not spoil the part.
    QVERIFY2(zip.Close(&error), qPrintable(error));
    expectToolsAccept(dir + QStringLiteral("/u.zip"));
}

// A file that grows while it is read is stored at its size when opened: here a file whose
// size reads as 0 though it has content.
void tst_ZipArchive::readsNoMoreThanTheSizeAtOpen()
{
    const QString status = QStringLiteral("/proc/self/status");
    if (QFileInfo(status).size() != 0 || readFile(status).isEmpty())
        QSKIP("no file here whose content outgrows its size");
    const QString dir = freshFolder(QStringLiteral("growing"));
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/g.zip"), &error));
    QVERIFY2(zip.Files().AddFileByName(status, 6, true, false, &error), qPrintable(error));
    QCOMPARE(zip.Files().Item(0).UncompressedSize(), 0);
    QVERIFY(zip.Files().lastAddGrew());
    // A file that holds what its size says did not grow, in one block or several.
    for (const int size : {0, 5000, 262144, 262144 * 2 + 7}) {
        const QString file = makeFile(dir + QStringLiteral("/still%1.bin").arg(size), noise(size, 5));
        QVERIFY2(zip.Files().AddFileByName(file, 6, true, false, &error), qPrintable(error));
        QVERIFY(!zip.Files().lastAddGrew());
    }
    QVERIFY(zip.Close(&error));
    expectToolsAccept(dir + QStringLiteral("/g.zip"));
}

void tst_ZipArchive::overwriteKeepsTheCount()
{
    const QString dir = freshFolder(QStringLiteral("overwrite"));
    const QString a = makeFile(dir + QStringLiteral("/a.txt"), "first version");
    const QString b = makeFile(dir + QStringLiteral("/b.txt"), "bee");
    const QString zipPath = dir + QStringLiteral("/o.zip");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(zipPath, &error));
    QVERIFY(zip.Files().AddFileByName(a, 6, true, true, &error));
    QVERIFY(zip.Files().AddFileByName(b, 6, true, true, &error));
    writeFile(a, "second, longer version");
    QVERIFY(!zip.Files().AddFileByName(a, 6, true, false, &error)); // no overwrite: kept
    QCOMPARE(zip.Files().Count(), 2);
    QVERIFY(zip.Files().AddFileByName(a, 6, true, true, &error));
    QCOMPARE(zip.Files().Count(), 2);
    QCOMPARE(zip.Files().Item(1).Name(), entryName(a)); // the replaced entry is the last
    QCOMPARE(zip.Files().Item(1).UncompressedSize(), 22);
    QVERIFY(zip.Close(&error));
    expectToolsAccept(zipPath);

    // Replacing an entry that is already on disk.
    QVERIFY(zip.Open(zipPath, &error));
    writeFile(b, "bee, third");
    QVERIFY(zip.Files().AddFileByName(b, 6, true, true, &error));
    QCOMPARE(zip.Files().Count(), 2);
    QVERIFY(zip.Close(&error));
    expectToolsAccept(zipPath);
    QVERIFY(zip.Open(zipPath, &error));
    QCOMPARE(zip.Files().Count(), 2);
    QCOMPARE(zip.Files().Item(0).Name(), entryName(a));
    QCOMPARE(zip.Files().Item(1).UncompressedSize(), 10);
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::manyReplacementsKeepOrderAndNewBytes_data()
{
    QTest::addColumn<bool>("reopened");
    QTest::addColumn<int>("count");
    QTest::newRow("new archive") << false << 40;
    QTest::newRow("archive opened to append") << true << 40;
    // The directory records of the first entries have left memory before they are replaced.
    QTest::newRow("new archive of many entries") << false << 12000;
}

// Entries replaced again and again, asked for by place in between: each stays once, the
// newest version last, the others in the order they were added.
void tst_ZipArchive::manyReplacementsKeepOrderAndNewBytes()
{
    QFETCH(bool, reopened);
    QFETCH(int, count);
    const QString dir = freshFolder(QStringLiteral("replacements"));
    const QString zipPath = dir + QStringLiteral("/r.zip");
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << makeFile(dir + QStringLiteral("/f%1.txt").arg(i), "version 0 of " + QByteArray::number(i));
    const int stride = count / 40;
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(zipPath, &error));
    for (const QString& file : files)
        QVERIFY(zip.Files().AddFileByName(file, 6, true, true, &error));
    if (reopened) {
        QVERIFY(zip.Close(&error));
        QVERIFY(zip.Open(zipPath, &error));
    }
    QStringList order = files;
    for (int round = 1; round <= 3; ++round) {
        for (int i = round; i < files.size(); i += (2 + round) * stride) {
            writeFile(files[i], "version " + QByteArray::number(round) + " of " + QByteArray::number(i));
            QVERIFY2(zip.Files().AddFileByName(files[i], 6, true, true, &error), qPrintable(error));
            order.removeOne(files[i]);
            order.append(files[i]);
            QCOMPARE(zip.Files().Count(), files.size());
            QCOMPARE(zip.Files().Item(zip.Files().Count() - 1).Name(), entryName(files[i]));
        }
        const int probe = round * 7 * stride;
        QCOMPARE(zip.Files().Item(probe).Name(), entryName(order[probe]));
        QCOMPARE(zip.Files().Item(probe).UncompressedSize(), readFile(order[probe]).size());
    }
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(zip.Files().Item(i).Name(), entryName(order[i]));
    QVERIFY(zip.Close(&error));
    expectToolsAccept(zipPath);
    QVERIFY(zip.OpenReadOnly(zipPath, &error));
    QCOMPARE(zip.Files().Count(), files.size());
    const QString out = freshFolder(QStringLiteral("replacements-out"));
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(zip.Files().Item(i).Name(), entryName(order[i]));
        QVERIFY2(zip.Files().Item(i).Extract(out, &error), qPrintable(error));
        QCOMPARE(readFile(out + order[i]), readFile(order[i]));
    }
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::fileBeyondTheRoomIsNotAdded_data()
{
    QTest::addColumn<bool>("reopened");
    QTest::addColumn<int>("level");
    QTest::newRow("new archive, deflated") << false << 6;
    QTest::newRow("new archive, stored") << false << 0;
    QTest::newRow("archive opened to append, deflated") << true << 6;
}

// The room is judged on the file as it is when it is opened, before a byte of it is written.
void tst_ZipArchive::fileBeyondTheRoomIsNotAdded()
{
    QFETCH(bool, reopened);
    QFETCH(int, level);
    const QString dir = freshFolder(QStringLiteral("room"));
    const QString zipPath = dir + QStringLiteral("/room.zip");
    const QString first = makeFile(dir + QStringLiteral("/first.txt"), someText(2));
    const QString grows = makeFile(dir + QStringLiteral("/grows.bin"), noise(300000, 3));
    const qint64 needs = ZipFiles::mostTaken(300000, level);
    QVERIFY(needs >= 300000);
    ZipArchive zip;
    zip.setSpoolFolder(dir);
    QString error;
    QVERIFY(zip.Create(zipPath, &error));
    QVERIFY(zip.Files().AddFileByName(first, level, true, false, &error));
    if (reopened) {
        QVERIFY(zip.Close(&error));
        QVERIFY(zip.Open(zipPath, &error));
    }
    zip.Files().expect({grows}, level);
    QVERIFY(!zip.Files().AddFileByName(grows, level, true, false, &error, needs - 1));
    QCOMPARE(zip.Files().lastAddProblem(), ZipAddProblem::NoRoom);
    QCOMPARE(zip.Files().Count(), 1);
    QVERIFY2(zip.Files().AddFileByName(grows, level, true, false, &error, needs), qPrintable(error));
    QVERIFY(zip.Files().Item(1).CompressedSize() <= needs);
    QVERIFY(zip.Close(&error));
    expectToolsAccept(zipPath);
    QVERIFY(zip.OpenReadOnly(zipPath, &error));
    QCOMPARE(zip.Files().Count(), 2);
    QCOMPARE(zip.Files().Item(1).UncompressedSize(), 300000);
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::appendKeepsEarlierEntries()
{
    const QString dir = freshFolder(QStringLiteral("append"));
    const QString zipPath = dir + QStringLiteral("/ap.zip");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(zipPath, &error));
    QVERIFY(zip.setComment(QStringLiteral("kept"), &error));
    QVERIFY(zip.Files().AddFileByName(makeFile(dir + QStringLiteral("/s/1.txt"), someText(5)), 6,
                                      true, false, &error));
    QVERIFY(zip.Close(&error));
    for (int round = 2; round <= 3; ++round) {
        QVERIFY2(zip.Open(zipPath, &error), qPrintable(error));
        QCOMPARE(zip.Files().Count(), round - 1);
        const QString f = makeFile(dir + QStringLiteral("/s/%1.txt").arg(round), someText(round));
        QVERIFY(zip.Files().AddFileByName(f, 6, true, false, &error));
        QVERIFY(zip.Close(&error));
        expectToolsAccept(zipPath);
    }
    QVERIFY(zip.Open(zipPath, &error));
    QCOMPARE(zip.Files().Count(), 3);
    QCOMPARE(zip.Comment(), QStringLiteral("kept"));
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::damagedArchiveFailsToOpen_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated") << QStringLiteral("truncated");
    QTest::newRow("garbage") << QStringLiteral("garbage");
    QTest::newRow("empty file") << QStringLiteral("empty");
    QTest::newRow("local header broken") << QStringLiteral("header");
    QTest::newRow("directory record disagrees") << QStringLiteral("record");
    QTest::newRow("missing") << QStringLiteral("missing");
}

void tst_ZipArchive::damagedArchiveFailsToOpen()
{
    QFETCH(QString, damage);
    const QString dir = freshFolder(QStringLiteral("damaged"));
    const QString zipPath = dir + QStringLiteral("/d.zip");
    {
        ZipArchive zip;
        QString error;
        QVERIFY(zip.Create(zipPath, &error));
        QVERIFY(zip.Files().AddFileByName(makeFile(dir + QStringLiteral("/x.txt"), someText(30)), 6,
                                          true, false, &error));
        QVERIFY(zip.Files().AddFileByName(makeFile(dir + QStringLiteral("/y.txt"), someText(3)), 6,
                                          true, false, &error));
        QVERIFY(zip.Close(&error));
    }
    QByteArray bytes = readFile(zipPath);
    if (damage == QStringLiteral("truncated"))
        bytes.chop(bytes.size() / 3);
    else if (damage == QStringLiteral("garbage"))
        bytes = QByteArray(4096, 'x');
    else if (damage == QStringLiteral("empty"))
        bytes.clear();
    else if (damage == QStringLiteral("header"))
        bytes[bytes.indexOf("PK\x03\x04", 10) + 26] = '\x7f'; // second entry's name length
    else if (damage == QStringLiteral("record"))
        bytes[bytes.indexOf("PK\x01\x02") + 16] ^= 1; // first entry's checksum
    if (damage == QStringLiteral("missing"))
        QVERIFY(QFile::remove(zipPath));
    else
        writeFile(zipPath, bytes);
    ZipArchive zip;
    QString error;
    QVERIFY(!zip.Open(zipPath, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!zip.isOpen());
    // The check a run makes before delivering a part finds it too.
    error.clear();
    QVERIFY(!ZipCheck::wholeArchive(zipPath, &error));
    QVERIFY(error.startsWith(QStringLiteral("cannot open ") + zipPath));
}

void tst_ZipArchive::closeWritesOncePerPart()
{
    const QString dir = freshFolder(QStringLiteral("once"));
    const QString zipPath = dir + QStringLiteral("/once.zip");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(zipPath, &error));
    const QByteArray empty = readFile(zipPath);
    struct stat before { };
    QCOMPARE(::stat(QFile::encodeName(zipPath).constData(), &before), 0);
    for (int i = 0; i < 50; ++i)
        QVERIFY(zip.Files().AddFileByName(
            makeFile(dir + QStringLiteral("/s/%1").arg(i), someText(2)), 6, true, false, &error));
    // Nothing is written while files are added.
    QCOMPARE(readFile(zipPath), empty);
    QVERIFY(zip.Close(&error));
    const QByteArray written = readFile(zipPath);
    QVERIFY(written.size() > empty.size());
    expectToolsAccept(zipPath);

    // Opening and closing without changes leaves the file as it is (finishing does that).
    struct stat closed { };
    QCOMPARE(::stat(QFile::encodeName(zipPath).constData(), &closed), 0);
    QVERIFY(zip.Open(zipPath, &error));
    QVERIFY(zip.Close(&error));
    struct stat again { };
    QCOMPARE(::stat(QFile::encodeName(zipPath).constData(), &again), 0);
    QCOMPARE(again.st_ino, closed.st_ino);
    QCOMPARE(readFile(zipPath), written);
    QDir spool(dir);
    QCOMPARE(spool.entryList({QStringLiteral("*spool*")}, QDir::Files | QDir::Hidden).size(), 0);
}

void tst_ZipArchive::closeFailureIsReported()
{
    const QString dir = freshFolder(QStringLiteral("closefail"));
    const QString src = makeFile(dir + QStringLiteral("/s.txt"), "data");
    ZipArchive zip;
    zip.setSpoolFolder(dir + QStringLiteral("/spool"));
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/gone/c.zip"), &error) == false); // no such folder
    QVERIFY(!error.isEmpty());
    QDir().mkpath(dir + QStringLiteral("/gone"));
    QVERIFY(zip.Create(dir + QStringLiteral("/gone/c.zip"), &error));
    QVERIFY(zip.Files().AddFileByName(src, 6, true, false, &error));
    QVERIFY(QDir(dir + QStringLiteral("/gone")).removeRecursively());
    error.clear();
    QVERIFY(!zip.Close(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!zip.isOpen());
}

void tst_ZipArchive::archiveLeftOpenIsWrittenAtTheEnd()
{
    const QString dir = freshFolder(QStringLiteral("leftopen"));
    const QString zipPath = dir + QStringLiteral("/l.zip");
    {
        ZipArchive zip;
        QString error;
        QVERIFY(zip.Create(zipPath, &error));
        QVERIFY(zip.Files().AddFileByName(makeFile(dir + QStringLiteral("/f.txt"), "f"), 6, true,
                                          false, &error));
    }
    expectToolsAccept(zipPath);
    QVERIFY(pythonCheck(zipPath).contains(QStringLiteral("f.txt 1 8")));
}

void tst_ZipArchive::namesAreUtf8PathsWithoutLeadingSlash()
{
    const QString dir = freshFolder(QStringLiteral("names"));
    const QString odd = makeFile(dir + QStringLiteral("/Grüße/naïve file.txt"), "umlauts");
    const QString plain = makeFile(dir + QStringLiteral("/plain.txt"), "plain");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/n.zip"), &error));
    QVERIFY(zip.Files().AddFileByName(dir + QStringLiteral("/Grüße/../Grüße/naïve file.txt"), 6,
                                      true, false, &error));
    QVERIFY(zip.Files().AddFileByName(plain, 6, false, false, &error));
    QCOMPARE(zip.Files().Item(0).Name(), entryName(odd));
    QCOMPARE(zip.Files().Item(1).Name(), QStringLiteral("plain.txt"));
    QVERIFY(zip.Close(&error));
    expectToolsAccept(dir + QStringLiteral("/n.zip"));
    const QString listing = pythonCheck(dir + QStringLiteral("/n.zip"));
    QVERIFY2(listing.contains(entryName(odd) + QStringLiteral(" 7 8 utf8")), qPrintable(listing));
    QVERIFY(zip.Open(dir + QStringLiteral("/n.zip"), &error));
    QCOMPARE(zip.Files().Item(0).Name(), entryName(odd));
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::extractRoundTrip()
{
    const QString dir = freshFolder(QStringLiteral("extract"));
    const QByteArray text = someText(300);
    const QString src = makeFile(dir + QStringLiteral("/src/deep/r.txt"), text);
    QFile::setPermissions(src, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile f(src);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1'100'000'000);
    QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    f.close();
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/e.zip"), &error));
    QVERIFY(zip.Files().AddFileByName(src, 6, true, false, &error));
    QVERIFY(!zip.Files().Item(0).Extract(dir + QStringLiteral("/out"), &error)); // not yet written
    QVERIFY(zip.Close(&error));
    expectToolsAccept(dir + QStringLiteral("/e.zip"));
    QVERIFY(zip.Open(dir + QStringLiteral("/e.zip"), &error));
    QCOMPARE(zip.Files().Item(0).ModificationDate(), stamp);
    QVERIFY2(zip.Files().Item(0).Extract(dir + QStringLiteral("/out"), &error), qPrintable(error));
    QVERIFY(zip.Close(&error));
    const QString back = dir + QStringLiteral("/out/") + entryName(src);
    QCOMPARE(readFile(back), text);
    QCOMPARE(QFileInfo(back).lastModified(), stamp);
    QVERIFY(QFileInfo(back).isExecutable());
}

void tst_ZipArchive::extractRefusesEscapingNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << QStringLiteral("../evil.txt");
    QTest::newRow("inner parent") << QStringLiteral("a/../../evil.txt");
    QTest::newRow("absolute") << QStringLiteral("/tmp/evil.txt");
    QTest::newRow("backslash parent") << QStringLiteral("a\\..\\..\\evil.txt");
}

void tst_ZipArchive::extractRefusesEscapingNames()
{
    QFETCH(QString, name);
    const QString dir = freshFolder(QStringLiteral("escape"));
    const QString zipPath = dir + QStringLiteral("/evil.zip");
    const QString script = QStringLiteral("import sys, zipfile\n"
                                          "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                                          "z.writestr(zipfile.ZipInfo(sys.argv[2]), b'evil')\n"
                                          "z.close()\n");
    QCOMPARE(runTool(QStringLiteral("python3"), {QStringLiteral("-c"), script, zipPath, name}), 0);
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.Open(zipPath, &error), qPrintable(error));
    QCOMPARE(zip.Files().Item(0).Name(), name);
    const QString target = dir + QStringLiteral("/a/b/c");
    QVERIFY(!zip.Files().Item(0).Extract(target, &error));
    QVERIFY(error.contains(QStringLiteral("refused")));
    QVERIFY(zip.Close(&error));
    QCOMPARE(readTree(dir).keys(), QStringList{QStringLiteral("evil.zip")});
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/evil.txt")));
}

void tst_ZipArchive::extractFollowsNoLinkBelowTheTarget_data()
{
    // A link planted in the target, where the entry's folder or the entry itself goes, and who
    // owns it.
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("mine");
    QTest::newRow("another user's link on the way") << QStringLiteral("docs") << false;
    QTest::newRow("the user's link on the way is followed") << QStringLiteral("docs") << true;
    QTest::newRow("the file's place") << QStringLiteral("docs/a.txt") << true;
}

void tst_ZipArchive::extractFollowsNoLinkBelowTheTarget()
{
    QFETCH(QString, link);
    QFETCH(bool, mine);
    if (!mine && ::geteuid() != 0)
        QSKIP("a link of another user needs root to make");
    const QString dir = freshFolder(QStringLiteral("links"));
    const QString outside = dir + QStringLiteral("/outside");
    makeTree(outside, {{QStringLiteral("a.txt"), "keep"}});
    const QString source = dir + QStringLiteral("/src");
    makeTree(source, {{QStringLiteral("docs/a.txt"), "from the archive"}});
    QString out;
    QCOMPARE(runTool(QStringLiteral("zip"), {QStringLiteral("-qr"), dir + QStringLiteral("/l.zip"),
                                              QStringLiteral("docs")},
                     &out, source),
             0);
    const QString target = dir + QStringLiteral("/target");
    QDir().mkpath(target + QStringLiteral("/docs"));
    const bool onTheWay = !link.endsWith(QStringLiteral(".txt"));
    const QString pointee = onTheWay ? outside : outside + QStringLiteral("/a.txt");
    QDir(target).remove(link);
    QDir(target).rmdir(link);
    const QString linkPath = target + QLatin1Char('/') + link;
    QVERIFY(QFile::link(pointee, linkPath));
    if (!mine)
        QCOMPARE(::lchown(QFile::encodeName(linkPath).constData(), 65534, 65534), 0);
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.OpenReadOnly(dir + QStringLiteral("/l.zip"), &error), qPrintable(error));
    const ZipEntry file = zip.Files().Item(zip.Files().Count() - 1);
    QCOMPARE(file.Name(), QStringLiteral("docs/a.txt"));
    const bool extracted = file.Extract(target, &error);
    if (onTheWay && mine) {
        // The user's own folder moved elsewhere: restoring in place writes there.
        QVERIFY2(extracted, qPrintable(error));
        QCOMPARE(readFile(outside + QStringLiteral("/a.txt")), QByteArray("from the archive"));
        QVERIFY(QFileInfo(linkPath).isSymLink());
    } else if (onTheWay) {
        QVERIFY(!extracted);
        QVERIFY(error.contains(QStringLiteral("link")));
        QCOMPARE(readFile(outside + QStringLiteral("/a.txt")), QByteArray("keep"));
    } else {
        QVERIFY2(extracted, qPrintable(error)); // the link itself is replaced, not written through
        QVERIFY(!QFileInfo(target + QStringLiteral("/docs/a.txt")).isSymLink());
        QCOMPARE(readFile(target + QStringLiteral("/docs/a.txt")), QByteArray("from the archive"));
        QCOMPARE(readFile(outside + QStringLiteral("/a.txt")), QByteArray("keep"));
    }
    QCOMPARE(QDir(outside).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::linkEntriesStayInsideTheTarget()
{
    const QString dir = freshFolder(QStringLiteral("link-entries"));
    const QString archive = dir + QStringLiteral("/l.zip");
    const QString script = QStringLiteral(
        "import sys, zipfile, stat\n"
        "def link(z, name, target):\n"
        "    info = zipfile.ZipInfo(name)\n"
        "    info.create_system = 3\n"
        "    info.external_attr = (stat.S_IFLNK | 0o777) << 16\n"
        "    z.writestr(info, target)\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
        "    z.writestr('f.txt', b'file')\n"
        "    link(z, 'd/in', '../f.txt')\n"
        "    link(z, 'out', '../outside')\n"
        "    link(z, 'abs', '/etc/passwd')\n"
        "    z.writestr('sub/', b'')\n"
        "    link(z, 'hop', 'sub')\n"
        "    z.writestr('hop/evil.txt', b'evil')\n");
    QCOMPARE(runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, archive}), 0);
    const QString target = dir + QStringLiteral("/target");
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.OpenReadOnly(archive, &error), qPrintable(error));
    QCOMPARE(zip.Files().Count(), 7);
    for (int i = 0; i < 6; ++i)
        QVERIFY2(zip.Files().Item(i).Extract(target, &error), qPrintable(error));
    // A link the restore made leads no later entry anywhere, even inside.
    QVERIFY(!zip.Files().Item(6).Extract(target, &error));
    QVERIFY(zip.Close(&error));
    QCOMPARE(QFileInfo(target + QStringLiteral("/d/in")).symLinkTarget(),
             target + QStringLiteral("/f.txt"));
    QCOMPARE(QFile::symLinkTarget(target + QStringLiteral("/hop")), target + QStringLiteral("/sub"));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    for (const char* name : {"out", "abs"}) {
        const QString path = target + QLatin1Char('/') + QString::fromLatin1(name);
        struct stat st { };
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(S_ISREG(st.st_mode));
        QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
    }
    QCOMPARE(readFile(target + QStringLiteral("/abs")), QByteArray("/etc/passwd"));
    QVERIFY(QDir(target + QStringLiteral("/sub")).isEmpty());
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/outside")));
}

void tst_ZipArchive::damagedEntryLeavesTheFileItWouldReplace()
{
    const QString dir = freshFolder(QStringLiteral("damaged"));
    const QString archive = dir + QStringLiteral("/d.zip");
    const QString script = QStringLiteral("import sys, zipfile\n"
                                          "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                          "    z.writestr('doc.txt', b'archived ' * 5000)\n");
    QCOMPARE(runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, archive}), 0);
    // A flipped byte in the stored data: the entry reads to its end, then fails its check.
    QByteArray bytes = readFile(archive);
    const qsizetype at = bytes.indexOf("archived archived") + 100;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    writeFile(archive, bytes);
    const QString target = dir + QStringLiteral("/out");
    makeTree(target, {{QStringLiteral("doc.txt"), "the good file"}});
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.OpenReadOnly(archive, &error), qPrintable(error));
    QVERIFY(!zip.Files().Item(0).Extract(target, &error));
    QVERIFY(zip.Close(&error));
    QCOMPARE(readTree(target), (Tree{{QStringLiteral("doc.txt"), "the good file"}}));
}

void tst_ZipArchive::readingListsEveryEntryOfADamagedArchive()
{
    const QString dir = freshFolder(QStringLiteral("partly"));
    const QString archive = dir + QStringLiteral("/p.zip");
    const QString script = QStringLiteral(
        "import sys, zipfile, warnings\n"
        "warnings.simplefilter('ignore')\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    z.writestr('good.txt', b'good')\n"
        "    z.writestr('flipped.txt', b'flipped ' * 5000)\n"
        "    z.writestr('header.txt', b'header')\n"
        "    z.writestr('twice.txt', b'first')\n"
        "    z.writestr('twice.txt', b'second')\n");
    QCOMPARE(runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, archive}), 0);
    QByteArray bytes = readFile(archive);
    // A byte flipped in one entry's data, and the local header of another broken.
    const qsizetype flipped = bytes.indexOf("flipped.txt") + 40;
    bytes[flipped] = static_cast<char>(bytes[flipped] ^ 0x55);
    const qsizetype header = bytes.lastIndexOf("PK\x03\x04", bytes.indexOf("header.txt"));
    bytes[header + 26] = '\x7f';
    writeFile(archive, bytes);
    QString out;
    QVERIFY(runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}, &out) != 0);

    ZipArchive zip;
    QString error;
    QVERIFY2(zip.OpenReadOnly(archive, &error), qPrintable(error));
    QStringList names;
    for (int i = 0; i < zip.Files().Count(); ++i)
        names.append(zip.Files().Item(i).Name());
    QCOMPARE(names, (QStringList{QStringLiteral("good.txt"), QStringLiteral("flipped.txt"),
                                 QStringLiteral("header.txt"), QStringLiteral("twice.txt"),
                                 QStringLiteral("twice.txt")}));
    const QString target = dir + QStringLiteral("/out");
    QVERIFY2(zip.Files().Item(0).Extract(target, &error), qPrintable(error));
    error.clear();
    QVERIFY(!zip.Files().Item(1).Extract(target, &error));
    QVERIFY2(error.contains(QStringLiteral("flipped.txt")) && error.contains(QStringLiteral("CRC")),
             qPrintable(error));
    error.clear();
    QVERIFY(!zip.Files().Item(2).Extract(target, &error));
    QVERIFY2(error.contains(QStringLiteral("header.txt")), qPrintable(error));
    QVERIFY2(zip.Files().Item(4).Extract(target, &error), qPrintable(error));
    QVERIFY(zip.Close(&error));
    QCOMPARE(readTree(target), (Tree{{QStringLiteral("good.txt"), "good"},
                                     {QStringLiteral("twice.txt"), "second"}}));
    // Adding to it is refused: it would be written again with its damage.
    QVERIFY(!zip.Open(archive, &error));
}

void tst_ZipArchive::infoZipArchivesComeBackWithTheirTimes_data()
{
    QTest::addColumn<QStringList>("zipOptions");
    QTest::newRow("with folder entries") << QStringList{QStringLiteral("-qr")};
    QTest::newRow("without folder entries") << QStringList{QStringLiteral("-qrD")};
}

void tst_ZipArchive::infoZipArchivesComeBackWithTheirTimes()
{
    QFETCH(QStringList, zipOptions);
    const QString dir = freshFolder(QStringLiteral("infozip"));
    const Tree tree{{QStringLiteral("My Docs/Bericht für März.txt"), someText(40)},
                    {QStringLiteral("My Docs/sub/empty.bin"), QByteArray()},
                    {QStringLiteral("top.dat"), QByteArray(3000, '\x01')}};
    makeTree(dir + QStringLiteral("/src"), tree);
    // Odd seconds: only the extended timestamp holds them, the DOS time cannot.
    qint64 stamp = 1'300'000'001;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it, stamp += 3) {
        QFile f(dir + QStringLiteral("/src/") + it.key());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(stamp), QFileDevice::FileModificationTime));
    }
    const QString archive = dir + QStringLiteral("/i.zip");
    QCOMPARE(runTool(QStringLiteral("zip"), zipOptions + QStringList{archive, QStringLiteral(".")},
                     nullptr, dir + QStringLiteral("/src")),
             0);
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.OpenReadOnly(archive, &error), qPrintable(error));
    const QString out = dir + QStringLiteral("/out");
    for (int i = 0; i < zip.Files().Count(); ++i)
        QVERIFY2(zip.Files().Item(i).Extract(out, &error), qPrintable(error));
    QVERIFY(zip.Close(&error));
    QCOMPARE(readTree(out), tree);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it)
        QCOMPARE(QFileInfo(out + QLatin1Char('/') + it.key()).lastModified(),
                 QFileInfo(dir + QStringLiteral("/src/") + it.key()).lastModified());
}

void tst_ZipArchive::manyEntriesUseZip64()
{
    const QString dir = freshFolder(QStringLiteral("many"));
    constexpr int kCount = 65600;
    for (int i = 0; i < kCount; ++i)
        makeFile(dir + QStringLiteral("/s/%1/f%2").arg(i / 1000).arg(i), QByteArray::number(i));
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/m.zip"), &error));
    for (int i = 0; i < kCount; ++i) {
        if (!zip.Files().AddFileByName(dir + QStringLiteral("/s/%1/f%2").arg(i / 1000).arg(i), 6,
                                       true, false, &error))
            QFAIL(qPrintable(error));
    }
    QVERIFY2(zip.Close(&error), qPrintable(error));
    QString out;
    const QString count = QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                                         "print(len(z.namelist()), z.testzip())\n");
    QCOMPARE(runTool(QStringLiteral("python3"),
                     {QStringLiteral("-c"), count, dir + QStringLiteral("/m.zip")}, &out),
             0);
    QCOMPARE(out.trimmed(), QStringLiteral("%1 None").arg(kCount));
    QCOMPARE(runTool(QStringLiteral("unzip"),
                     {QStringLiteral("-tqq"), dir + QStringLiteral("/m.zip")}, &out),
             0);
    QVERIFY(zip.Open(dir + QStringLiteral("/m.zip"), &error));
    QCOMPARE(zip.Files().Count(), kCount);
    QVERIFY(zip.Close(&error));
}

void tst_ZipArchive::largeFileUsesZip64()
{
    // A sparse file over 4 GiB: its zeros pack fast, but its size needs the ZIP64 fields.
    const QString dir = freshFolder(QStringLiteral("large"));
    const QString big = dir + QStringLiteral("/big.bin");
    const qint64 size = (qint64(4) << 30) + 12345;
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(size));
    }
    const QString small = makeFile(dir + QStringLiteral("/after.txt"), "after the big one");
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/big.zip"), &error));
    QVERIFY2(zip.Files().AddFileByName(big, 1, true, false, &error), qPrintable(error));
    QCOMPARE(zip.Files().Item(0).UncompressedSize(), size);
    QVERIFY(zip.Files().AddFileByName(small, 1, true, false, &error));
    QVERIFY2(zip.Close(&error), qPrintable(error));
    QString out;
    QCOMPARE(runTool(QStringLiteral("unzip"),
                     {QStringLiteral("-tqq"), dir + QStringLiteral("/big.zip")}, &out),
             0);
    const QString list
        = QStringLiteral("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                         "print([(i.filename.split('/')[-1], i.file_size) for i in z.infolist()])\n"
                         "print(z.read(z.infolist()[1]))\n");
    QCOMPARE(runTool(QStringLiteral("python3"),
                     {QStringLiteral("-c"), list, dir + QStringLiteral("/big.zip")}, &out),
             0);
    QVERIFY2(out.contains(QStringLiteral("('big.bin', %1)").arg(size)), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("after the big one")), qPrintable(out));
}

void tst_ZipArchive::readAheadGivesTheSameArchive_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("level");
    QTest::newRow("small, empty and many-block files") << QStringLiteral("all") << 6;
    QTest::newRow("stored") << QStringLiteral("all") << 0;
    QTest::newRow("fastest") << QStringLiteral("all") << 1;
    QTest::newRow("passed over, out of order, not told") << QStringLiteral("skips") << 6;
    QTest::newRow("unreadable and vanished files") << QStringLiteral("unreadable") << 6;
    QTest::newRow("temp folder fills up") << QStringLiteral("full") << 6;
}

// Files read and compressed ahead on other cores give the archive, byte for byte, and the
// results that adding them one by one on this thread gives.
void tst_ZipArchive::readAheadGivesTheSameArchive()
{
    QFETCH(QString, kind);
    QFETCH(int, level);
    const QString dir = freshFolder(QStringLiteral("ahead"));
    QStringList files;
    for (int i = 0; i < 40; ++i)
        files << makeFile(dir + QStringLiteral("/src/small%1.txt").arg(i), someText(1 + i % 7));
    files.insert(5, makeFile(dir + QStringLiteral("/src/empty.txt"), {}));
    // Blocks are 256 KiB: one file ends exactly on a block, the others across several.
    files.insert(10, makeFile(dir + QStringLiteral("/src/text.txt"), someText(1100)));
    files.insert(20, makeFile(dir + QStringLiteral("/src/noise.bin"), noise(3 * 262144 + 999, 7)));
    files.insert(30, makeFile(dir + QStringLiteral("/src/exact.bin"), someText(256) + noise(262144, 3)));
    QStringList added = files;
    rlim_t fileLimit = 0;
    if (kind == QStringLiteral("skips")) {
        added.removeAt(3);
        added.removeAt(20);
        added.move(10, 2);
        added.insert(15, makeFile(dir + QStringLiteral("/other/untold.txt"), someText(3)));
    } else if (kind == QStringLiteral("unreadable")) {
        const QString fifo = dir + QStringLiteral("/src/pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        files.insert(12, fifo);
        files.insert(25, dir + QStringLiteral("/src/gone.txt"));
        added = files;
    } else if (kind == QStringLiteral("full")) {
        fileLimit = 900 * 1024;
    }
    if (ZipReadAhead::coresToUse() < 2)
        QSKIP("one core only: nothing is read ahead");
    const AddRecord here = addAll(dir, files, added, level, false, fileLimit);
    const AddRecord ahead = addAll(dir, files, added, level, true, fileLimit);
    QCOMPARE(ahead.results, here.results);
    QVERIFY(ahead.archive == here.archive);
    expectToolsAccept(dir + QStringLiteral("/ahead.zip"));
    if (kind == QStringLiteral("full")) {
        QVERIFY(here.results.join(QLatin1Char('\n')).contains(QStringLiteral(" 0 %1").arg(int(ZipAddProblem::TempWrite))));
        QVERIFY(here.results.join(QLatin1Char('\n')).contains(QStringLiteral(" 1 0")));
    }
    if (kind == QStringLiteral("unreadable")) {
        QVERIFY(here.results.contains(dir + QStringLiteral("/src/pipe 0 %1").arg(int(ZipAddProblem::Unreadable))));
        QVERIFY(here.results.contains(dir + QStringLiteral("/src/gone.txt 0 %1").arg(int(ZipAddProblem::Vanished))));
    }
}

// The threads of this process, as the kernel lists them.
int threadCount() { return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// No thread is started for an archive told of nothing to read ahead.
void tst_ZipArchive::readAheadStartsWithTheFirstFileToRead()
{
    if (ZipReadAhead::coresToUse() < 2)
        QSKIP("one core only: nothing is read ahead");
    const QString dir = freshFolder(QStringLiteral("lazy"));
    const QString file = makeFile(dir + QStringLiteral("/src/a.txt"), someText(3));
    ZipArchive zip;
    QString error;
    QVERIFY2(zip.Create(dir + QStringLiteral("/a.zip"), &error), qPrintable(error));
    const int before = threadCount();
    zip.Files().expect({}, 6, false);
    zip.Files().expect({}, 6, true);
    QCOMPARE(threadCount(), before);
    zip.Files().expect({file}, 6, true);
    QVERIFY(threadCount() > before);
    QVERIFY2(zip.Files().AddFileByName(file, 6, true, false, &error), qPrintable(error));
    QVERIFY2(zip.Close(&error), qPrintable(error));
    expectToolsAccept(dir + QStringLiteral("/a.zip"));
}

QTEST_GUILESS_MAIN(tst_ZipArchive)
#include "tst_ZipArchive.moc"
