#include <QtTest>

#include <algorithm>
#include <functional>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "MessageBox.h"
#include "Paths.h"
#include "Quillaro_FileSync.h"
#include "SyncFileOps.h"
#include "TestSupport.h"

using TestSupport::Tree;

namespace {

using Stat = struct stat;

// Every file time of a test is this moment plus a few seconds.
constexpr time_t kBase = 1767268800; // 2026-01-01 12:00:00 UTC

struct FileSpec
{
    QString name;
    QByteArray content;
    int offset = 0; // seconds after kBase
    bool readOnly = false;
};
using Side = QList<FileSpec>;

void setTime(const QString& path, qint64 ns)
{
    const struct timespec t
    {
        static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)
    };
    const struct timespec times[2] = {t, t};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

qint64 seconds(int offset)
{
    return (static_cast<qint64>(kBase) + offset) * 1000000000;
}

Stat statOf(const QString& path)
{
    Stat st{};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

qint64 mtimeNs(const QString& path)
{
    const Stat st = statOf(path);
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void makeSide(const QString& root, const Side& files)
{
    QDir().mkpath(root);
    for (const FileSpec& f : files) {
        const QString path = root + QLatin1Char('/') + f.name;
        TestSupport::writeFile(path, f.content);
        setTime(path, seconds(f.offset));
        if (f.readOnly)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

QString errorLog()
{
    return QString::fromUtf8(
        TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")));
}

// Records what a synchronisation shows; can ask for a stop once a line matches.
class Recorder : public SyncSink
{
public:
    QStringList lines;
    int elapsedCount = 0;
    QString lastElapsed;
    std::function<bool(const QString&)> stopAt;
    bool stopped = false;

    void newsLine(const QString& line) override
    {
        lines.append(line);
        if (stopAt && stopAt(line))
            stopped = true;
    }
    void elapsedTime(const QString& seconds) override
    {
        bool ok = false;
        QVERIFY(seconds.toInt(&ok) >= 0 && ok);
        ++elapsedCount;
        lastElapsed = seconds;
    }
    bool cancelRequested() override { return stopped; }
};

QString padded(const char* path)
{
    return QString::fromUtf8(path).leftJustified(40, QLatin1Char(' '));
}

QString line(const char* from, const char* arrow, const char* to)
{
    return padded(from) + QString::fromUtf8(arrow) + QString::fromUtf8(to);
}

// Table entries as "name=status", source entries and destination-only entries each sorted,
// since the file system's order is not fixed.
QStringList described(const CompareTable& table)
{
    QStringList head;
    QStringList tail;
    for (const CompareEntry& e : table) {
        if (!tail.isEmpty() && e.status != SyncOnlyDestination)
            return {QStringLiteral("source entry after a destination-only entry")};
        (e.status == SyncOnlyDestination ? tail : head)
            .append(e.name + QLatin1Char('=') + QString::number(e.status));
    }
    head.sort();
    tail.sort();
    return head + tail;
}

} // namespace

Q_DECLARE_METATYPE(Side)
Q_DECLARE_METATYPE(SyncFileOps::Placing)

namespace {

// Each way a copy is put in place, onto a new name and onto an earlier copy.
void placingTable()
{
    QTest::addColumn<SyncFileOps::Placing>("placing");
    QTest::addColumn<bool>("targetThere");
    QTest::newRow("replace, new") << SyncFileOps::Placing::Replace << false;
    QTest::newRow("replace, there") << SyncFileOps::Placing::Replace << true;
    QTest::newRow("in place when new, new") << SyncFileOps::Placing::InPlaceWhenNew << false;
    QTest::newRow("in place when new, there") << SyncFileOps::Placing::InPlaceWhenNew << true;
}

struct CopyCase
{
    QString source;
    QString target;
    QString targetFolder;
};

// A source of the bytes and, when asked, an earlier copy at the target.
CopyCase copyCase(const QString& name, const QByteArray& bytes, bool targetThere)
{
    const QString folder = TestSupport::freshFolder(name);
    const CopyCase c{folder + QStringLiteral("/source"), folder + QStringLiteral("/target/copy"),
                     folder + QStringLiteral("/target")};
    TestSupport::writeFile(c.source, bytes);
    QDir().mkpath(c.targetFolder);
    if (targetThere)
        TestSupport::writeFile(c.target, QByteArrayLiteral("the earlier copy"));
    return c;
}

} // namespace

class tst_Quillaro_FileSync : public QObject
{
    Q_OBJECT

private:
    QString m_source;
    QString m_destination;
    Recorder m_sink;
    SyncOptions m_options;

    void freshPair(const Side& source, const Side& destination)
    {
        m_source = TestSupport::freshFolder(QStringLiteral("src"));
        m_destination = TestSupport::freshFolder(QStringLiteral("dst"));
        makeSide(m_source, source);
        makeSide(m_destination, destination);
        m_sink = Recorder();
    }

private slots:
    void init()
    {
        MessageBoxSeam::clearShown();
        m_options = SyncOptions();
        m_sink = Recorder();
    }

    void compareFolders_data()
    {
        QTest::addColumn<Side>("source");
        QTest::addColumn<Side>("destination");
        QTest::addColumn<QStringList>("expected");
        auto f = [](const char* name, const char* content, int offset = 0, bool readOnly = false) {
            return FileSpec{QString::fromUtf8(name), QByteArray(content), offset, readOnly};
        };
        auto list = [](std::initializer_list<const char*> items) {
            QStringList l;
            for (const char* i : items)
                l.append(QString::fromUtf8(i));
            return l;
        };
        QTest::newRow("two empty folders") << Side{} << Side{} << QStringList{};
        QTest::newRow("only in source") << Side{f("a", "x")} << Side{} << list({"a=-2"});
        QTest::newRow("destination-only after source entries")
            << Side{f("a", "x"), f("c", "x")} << Side{f("b", "x"), f("d", "y")}
            << list({"a=-2", "c=-2", "b=-1", "d=-1"});
        QTest::newRow("identical") << Side{f("a", "x", 5)} << Side{f("a", "x", 5)} << list({"a=0"});
        QTest::newRow("read-only differs")
            << Side{f("a", "x", 0, true)} << Side{f("a", "x")} << list({"a=8"});
        QTest::newRow("source later and larger")
            << Side{f("a", "xx", 10)} << Side{f("a", "x")} << list({"a=5"});
        QTest::newRow("destination later, other size")
            << Side{f("a", "x")} << Side{f("a", "xx", 10)} << list({"a=6"});
        QTest::newRow("destination later, attributes and size")
            << Side{f("a", "x", 0, true)} << Side{f("a", "xx", 10)} << list({"a=14"});
        QTest::newRow("two seconds apart is equal")
            << Side{f("a", "x", 2), f("b", "x")} << Side{f("a", "y"), f("b", "y", 2)}
            << list({"a=0", "b=0"});
        QTest::newRow("three seconds apart")
            << Side{f("a", "x", 3), f("b", "x")} << Side{f("a", "y"), f("b", "y", 3)}
            << list({"a=1", "b=2"});
        QTest::newRow("names differ in case")
            << Side{f("a.txt", "x")} << Side{f("A.txt", "x")} << list({"a.txt=-2", "A.txt=-1"});
        QTest::newRow("subfolders ignored")
            << Side{f("sub/inner", "x")} << Side{f("other/inner", "x")} << QStringList{};
        QTest::newRow("folder where the source has a file")
            << Side{f("a", "x")} << Side{f("a/inner", "x")} << list({"a=-2"});
    }

    void compareFolders()
    {
        QFETCH(Side, source);
        QFETCH(Side, destination);
        QFETCH(QStringList, expected);
        freshPair(source, destination);
        CompareTable table{{QStringLiteral("stale"), 0}};
        QVERIFY(Compare_Folders(m_source, m_destination + QLatin1Char('/'), table));
        QCOMPARE(described(table), expected);
    }

    void compareFoldersSkipsFifosAndFailsOnMissingFolder()
    {
        freshPair({{QStringLiteral("a"), "x"}}, {});
        QCOMPARE(::mkfifo(QFile::encodeName(m_source + QStringLiteral("/pipe")).constData(), 0600),
                 0);
        CompareTable table;
        QVERIFY(Compare_Folders(m_source, m_destination, table));
        QCOMPARE(described(table), QStringList{QStringLiteral("a=-2")});

        QString error;
        QVERIFY(
            !Compare_Folders(m_source, m_destination + QStringLiteral("/missing"), table, &error));
        QVERIFY2(error.contains(QStringLiteral("/missing")), qPrintable(error));
    }

    void syncFiles_data()
    {
        QTest::addColumn<bool>("both");
        QTest::addColumn<Tree>("source");
        QTest::addColumn<Tree>("destination");
        QTest::addColumn<QStringList>("copied");
        const Tree before{{QStringLiteral("equal"), "same"},
                          {QStringLiteral("newer_source"), "NEW"},
                          {QStringLiteral("newer_destination"), "old"},
                          {QStringLiteral("only_source"), "n"},
                          {QStringLiteral("same_time_larger_destination"), "s"},
                          {QStringLiteral("attributes"), "a"},
                          {QStringLiteral("sub/inner"), "ignored"}};
        Tree forward = before;
        forward.remove(QStringLiteral("sub/inner"));
        forward.insert(QStringLiteral("only_destination"), "d");
        forward.insert(QStringLiteral("newer_destination"), "NEW");
        Tree both = before;
        both.insert(QStringLiteral("only_destination"), "d");
        both.insert(QStringLiteral("newer_destination"), "NEW");
        const QStringList forwardCopies{QStringLiteral("newer_source  -->>"),
                                        QStringLiteral("only_source  -->>"),
                                        QStringLiteral("same_time_larger_destination  -->>")};
        QTest::newRow("one direction") << false << before << forward << forwardCopies;
        QTest::newRow("both directions")
            << true << both << forward
            << forwardCopies
                   + QStringList{QStringLiteral("newer_destination  <<--"),
                                 QStringLiteral("only_destination  <<--")};
    }

    // The fixture holds each case of the comparison once; the lines say what was copied.
    void syncFiles()
    {
        QFETCH(bool, both);
        QFETCH(Tree, source);
        QFETCH(Tree, destination);
        QFETCH(QStringList, copied);
        auto f = [](const char* name, const char* content, int offset = 0, bool readOnly = false) {
            return FileSpec{QString::fromUtf8(name), QByteArray(content), offset, readOnly};
        };
        freshPair({f("equal", "same"), f("newer_source", "NEW", 10), f("newer_destination", "old"),
                   f("only_source", "n"), f("same_time_larger_destination", "s"),
                   f("attributes", "a", 0, true), f("sub/inner", "ignored")},
                  {f("equal", "same"), f("newer_source", "old"), f("newer_destination", "NEW", 10),
                   f("only_destination", "d"), f("same_time_larger_destination", "larger"),
                   f("attributes", "a")});
        m_options.bothDirections = both;
        const SyncResult result = Sync_Files(m_source, m_destination, m_options, m_sink);
        QCOMPARE(TestSupport::readTree(m_source), source);
        QCOMPARE(TestSupport::readTree(m_destination), destination);
        QCOMPARE(result.copied, copied.size());
        QCOMPARE(result.failed, 0);

        QStringList shown;
        for (const QString& l : m_sink.lines.mid(1))
            shown.append(QFileInfo(l.left(40).trimmed()).fileName() + QStringLiteral("  ")
                         + l.mid(40, 8).trimmed());
        shown.sort();
        QStringList expected = copied;
        expected.sort();
        QCOMPARE(shown, expected);
        QCOMPARE(m_sink.lines.first(),
                 m_sink.lines.first().left(40) + QStringLiteral("  -->>  ") + m_destination);
    }

    // Short relative paths (the test runs in its own folder) show every line unshortened.
    void syncFoldersWritesItsLinesDepthFirst()
    {
        const QString root = QDir::currentPath() + QStringLiteral("/lines");
        TestSupport::makeTree(root, {{QStringLiteral("s/f.txt"), "f"},
                                     {QStringLiteral("s/sub/g.txt"), "g"},
                                     {QStringLiteral("s/sub/new/h.txt"), "h"},
                                     {QStringLiteral("s/sub/new/deeper/i.txt"), "i"},
                                     {QStringLiteral("d/sub/"), {}},
                                     {QStringLiteral("d/back/k.txt"), "k"}});
        QVERIFY(QDir::setCurrent(root));
        m_sink = Recorder();
        m_options.bothDirections = true;
        const SyncResult result
            = Sync_Folders(QStringLiteral("s"), QStringLiteral("d/"), m_options, m_sink);
        QVERIFY(QDir::setCurrent(QStringLiteral("..")));

        const char* fwd = "  -->>  ";
        const QStringList expected{line("s", fwd, "d/"),
                                   line("s", fwd, "d/"),
                                   line("s/f.txt", fwd, "d/f.txt"),
                                   QStringLiteral("Synchronyze Dir: sub"),
                                   line("s/sub", fwd, "d/sub"),
                                   line("s/sub", fwd, "d/sub"),
                                   line("s/sub", fwd, "d/sub"),
                                   line("s/sub/g.txt", fwd, "d/sub/g.txt"),
                                   QStringLiteral("Synchronyze Dir: new"),
                                   line("s/sub/new", fwd, "d/sub/new"),
                                   line("d/back", fwd, "s/back")};
        QCOMPARE(m_sink.lines, expected);
        QCOMPARE(result.copied, 5);
        QCOMPARE(TestSupport::readTree(root + QStringLiteral("/s")),
                 TestSupport::readTree(root + QStringLiteral("/d")));
        QVERIFY(m_sink.elapsedCount >= expected.size());
    }

    void syncFoldersTrees_data()
    {
        QTest::addColumn<bool>("both");
        QTest::newRow("one direction") << false;
        QTest::newRow("both directions") << true;
    }

    // Nested folders with new and changed files on either side; nothing is ever deleted, and a
    // second run finds nothing to copy.
    void syncFoldersTrees()
    {
        QFETCH(bool, both);
        const Tree source{{QStringLiteral("top.txt"), "top"},
                          {QStringLiteral("a/changed.txt"), "new version"},
                          {QStringLiteral("a/b/c/deep.txt"), "deep"},
                          {QStringLiteral("a/b/only_source.txt"), "s"},
                          {QStringLiteral("empty/"), {}},
                          {QStringLiteral(".hidden/file"), "h"}};
        const Tree destination{{QStringLiteral("a/changed.txt"), "old"},
                               {QStringLiteral("a/b/only_destination.txt"), "d"},
                               {QStringLiteral("a/b/c/newer.txt"), "dest newer"},
                               {QStringLiteral("x/y/dest_tree.txt"), "x"}};
        m_source = TestSupport::freshFolder(QStringLiteral("tree-src"));
        m_destination = TestSupport::freshFolder(QStringLiteral("tree-dst"));
        TestSupport::makeTree(m_source, source);
        TestSupport::makeTree(m_destination, destination);
        setTime(m_destination + QStringLiteral("/a/changed.txt"), seconds(-100));
        m_options.bothDirections = both;
        QCOMPARE(Sync_Folders(m_source, m_destination, m_options, m_sink).failed, 0);

        Tree expectedDestination = destination;
        expectedDestination.insert(source);
        const Tree expectedSource = both ? expectedDestination : source;
        QCOMPARE(TestSupport::readTree(m_destination), expectedDestination);
        QCOMPARE(TestSupport::readTree(m_source), expectedSource);

        m_sink = Recorder();
        const SyncResult again = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QCOMPARE(again.copied, 0);
        QCOMPARE(again.failed, 0);
        QCOMPARE(TestSupport::readTree(m_destination), expectedDestination);
    }

    void readOnlyTargetIsReplacedAndTimeKept()
    {
        freshPair({{QStringLiteral("a.txt"), "new", 10, false},
                   {QStringLiteral("locked.txt"), "mine", 0, true}},
                  {{QStringLiteral("a.txt"), "old", 0, true}});
        const SyncResult result = Sync_Files(m_source, m_destination, m_options, m_sink);
        QCOMPARE(result.failed, 0);
        QCOMPARE(result.copied, 2);
        QCOMPARE(result.bytes, qint64(7));
        for (const QString& name :
             QStringList{QStringLiteral("/a.txt"), QStringLiteral("/locked.txt")}) {
            QCOMPARE(TestSupport::readFile(m_destination + name),
                     TestSupport::readFile(m_source + name));
            QCOMPARE(mtimeNs(m_destination + name), mtimeNs(m_source + name));
            QCOMPARE(statOf(m_destination + name).st_mode, statOf(m_source + name).st_mode);
        }
        QCOMPARE(QDir(m_destination).entryList(QDir::Files | QDir::Hidden).size(),
                 2); // no leftovers

        m_sink = Recorder();
        QCOMPARE(Sync_Files(m_source, m_destination, m_options, m_sink).copied, 0);
        QCOMPARE(m_sink.lines.size(), 1);
    }

    // Coarse destination times (FAT rounds to 2 s) must not make files travel to and fro.
    void coarseTimesDoNotPingPong()
    {
        freshPair({{QStringLiteral("a"), "same size A", 0, false}}, {});
        setTime(m_source + QStringLiteral("/a"), seconds(0) + 300000000);
        m_options.bothDirections = true;
        QCOMPARE(Sync_Files(m_source, m_destination, m_options, m_sink).copied, 1);
        TestSupport::writeFile(m_destination + QStringLiteral("/a"), "same size B");
        setTime(m_destination + QStringLiteral("/a"), seconds(2));
        m_sink = Recorder();
        QCOMPARE(Sync_Files(m_source, m_destination, m_options, m_sink).copied, 0);
        QCOMPARE(m_sink.lines.size(), 1);
    }

    void failingFileIsReportedAndPassGoesOn_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("files of the top folders") << QString();
        QTest::newRow("files of a subfolder") << QStringLiteral("sub/");
    }

    // Root may write anywhere, so a folder standing where a file must go makes the copy fail.
    void failingFileIsReportedAndPassGoesOn()
    {
        QFETCH(QString, folder);
        freshPair({{folder + QStringLiteral("a"), "a"},
                   {folder + QStringLiteral("b"), "b"},
                   {folder + QStringLiteral("c"), "c"},
                   {QStringLiteral("later/d"), "d"}},
                  {{folder + QStringLiteral("b/blocker"), "x"}});
        const SyncResult result = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QCOMPARE(result.failed, 1);
        QCOMPARE(result.copied, 3);
        for (const QString& name :
             QStringList{folder + QStringLiteral("a"), folder + QStringLiteral("c"),
                         QStringLiteral("later/d")})
            QCOMPARE(TestSupport::readFile(m_destination + QLatin1Char('/') + name),
                     name.right(1).toUtf8());
        QVERIFY2(errorLog().contains(QStringLiteral("Sync_Files of Modul Quillaro_FileSync")),
                 qPrintable(errorLog()));
        QCOMPARE(m_sink.lines.filter(QStringLiteral("Cannot copy ")).size(), 1);
    }

    void missingSubfolderTargetIsReported()
    {
        freshPair({{QStringLiteral("one/a"), "a"}, {QStringLiteral("two/b"), "b"}},
                  {{QStringLiteral("one"), "file"}});
        const SyncResult result = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QCOMPARE(result.failed, 1);
        QCOMPARE(TestSupport::readFile(m_destination + QStringLiteral("/two/b")), QByteArray("b"));
        QVERIFY(errorLog().contains(QStringLiteral("Cannot create the folder ") + m_destination
                                    + QStringLiteral("/one")));

        m_sink = Recorder();
        QCOMPARE(
            Sync_Files(m_source + QStringLiteral("/gone"), m_destination, m_options, m_sink).failed,
            1);
        QVERIFY(errorLog().contains(QStringLiteral("Sync_Files of Modul Quillaro_FileSync")));
    }

    void nestedFoldersAreRefused_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("tree");
        QTest::addColumn<bool>("refused");
        QTest::newRow("destination inside source") << ""
                                                   << "inner" << true << true;
        QTest::newRow("source inside destination") << "inner/deeper"
                                                   << "" << true << true;
        QTest::newRow("same folder") << ""
                                     << "" << true << true;
        QTest::newRow("same folder through a symlink") << ""
                                                       << "alias" << true << true;
        QTest::newRow("destination inside a symlinked source") << "alias"
                                                               << "inner" << true << true;
        QTest::newRow("same folder, files only") << ""
                                                 << "alias/" << false << true;
        QTest::newRow("destination inside source, files only") << ""
                                                               << "inner" << false << false;
    }

    void nestedFoldersAreRefused()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(bool, tree);
        QFETCH(bool, refused);
        const QString root = TestSupport::freshFolder(QStringLiteral("nested"));
        TestSupport::makeTree(
            root, {{QStringLiteral("file"), "f"}, {QStringLiteral("inner/deeper/x"), "x"}});
        const QString links = TestSupport::freshFolder(QStringLiteral("links"));
        QVERIFY(QFile::link(root, links + QStringLiteral("/alias")));
        auto path = [&](const QString& rel) -> QString {
            return (rel.startsWith(QStringLiteral("alias")) ? links : root) + QLatin1Char('/')
                   + rel;
        };
        const Tree before = TestSupport::readTree(root);
        const SyncResult result
            = tree ? Sync_Folders(path(source), path(destination), m_options, m_sink)
                   : Sync_Files(path(source), path(destination), m_options, m_sink);
        QCOMPARE(result.refused, refused);
        if (!refused) {
            QCOMPARE(TestSupport::readFile(root + QStringLiteral("/inner/file")), QByteArray("f"));
            return;
        }
        QCOMPARE(TestSupport::readTree(root), before);
        QCOMPARE(result.copied, 0);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(m_sink.lines, QStringList{MessageBoxSeam::shown().constFirst().text});
        QVERIFY(errorLog().contains(tree ? QStringLiteral("Sync_Folders of Modul")
                                         : QStringLiteral("Sync_Files of Modul")));
    }

    void specialEntriesAreNotCopied()
    {
        const QString outside = TestSupport::freshFolder(QStringLiteral("outside"));
        TestSupport::makeTree(outside, {{QStringLiteral("far.txt"), "far"}});
        freshPair({{QStringLiteral("sub/a"), "a"}}, {{QStringLiteral("b"), "b"}});
        QVERIFY(QFile::link(m_source, m_source + QStringLiteral("/sub/loop")));
        QVERIFY(QFile::link(outside, m_source + QStringLiteral("/out")));
        QVERIFY(QFile::link(outside + QStringLiteral("/far.txt"),
                            m_source + QStringLiteral("/far-link.txt")));
        QVERIFY(QFile::link(outside, m_destination + QStringLiteral("/dest-link")));
        QCOMPARE(::mkfifo(QFile::encodeName(m_source + QStringLiteral("/pipe")).constData(), 0600),
                 0);
        TestSupport::writeFile(m_destination + QStringLiteral("/.quillaro-sync-1-1.tmp"), "stale");
        m_options.bothDirections = true;
        const SyncResult result = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QCOMPARE(result.failed, 0);
        const Tree expected{{QStringLiteral("b"), "b"},
                            {QStringLiteral("sub/a"), "a"},
                            {QStringLiteral("far-link.txt"), "far"}};
        Tree copied = TestSupport::readTree(m_destination);
        copied.remove(QStringLiteral("dest-link"));
        copied.remove(QStringLiteral(".quillaro-sync-1-1.tmp"));
        QCOMPARE(copied, expected);
        QVERIFY(QFileInfo(m_destination + QStringLiteral("/far-link.txt")).isFile());
        QVERIFY(!QFileInfo(m_destination + QStringLiteral("/far-link.txt")).isSymLink());
        QVERIFY(!QFileInfo::exists(m_destination + QStringLiteral("/out")));
        QVERIFY(!QFileInfo::exists(m_destination + QStringLiteral("/pipe")));
        QVERIFY(!QFileInfo::exists(m_source + QStringLiteral("/dest-link")));
        QVERIFY(!QFileInfo::exists(m_source + QStringLiteral("/.quillaro-sync-1-1.tmp")));
    }

    void elapsedTimeRunsPastMidnight()
    {
        freshPair({}, {});
        Clock::setFixedNow(QDateTime(QDate(2026, 12, 11), QTime(0, 0, 5)));
        m_options.startTime = 23 * 3600 + 59 * 60 + 50;
        Sync_Files(m_source, m_destination, m_options, m_sink);
        Clock::setFixedNow({});
        QCOMPARE(m_sink.lastElapsed, QStringLiteral("15"));
    }

    void stopEndsEveryLevel()
    {
        freshPair({{QStringLiteral("a"), "a"},
                   {QStringLiteral("b"), "b"},
                   {QStringLiteral("one/c"), "c"},
                   {QStringLiteral("one/two/d"), "d"}},
                  {{QStringLiteral("one/two/"), {}}, {QStringLiteral("back/k"), "k"}});
        m_sink.stopAt = [](const QString& l) { return l.endsWith(QStringLiteral("/one/c")); };
        m_options.bothDirections = true; // the copy back of "back" would come last
        const SyncResult result = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QVERIFY(m_sink.stopped);
        QVERIFY(m_sink.lines.constLast().endsWith(QStringLiteral("/one/c")));
        QCOMPARE(result.copied, 3); // a, b and the file whose copy was under way
        QVERIFY(!QFileInfo::exists(m_destination + QStringLiteral("/one/two/d")));
        QVERIFY(!QFileInfo::exists(m_source + QStringLiteral("/back")));
    }

    void namesDifferingInCaseAreDifferentFiles()
    {
        freshPair({{QStringLiteral("a.txt"), "lower"}, {QStringLiteral("Sub/x"), "upper dir"}},
                  {{QStringLiteral("A.txt"), "upper"}, {QStringLiteral("sub/y"), "lower dir"}});
        m_options.bothDirections = true;
        QCOMPARE(Sync_Folders(m_source, m_destination, m_options, m_sink).copied, 4);
        QCOMPARE(TestSupport::readTree(m_source), TestSupport::readTree(m_destination));
        QCOMPARE(TestSupport::readTree(m_source).size(), 4);
    }

    // Names beyond ASCII are listed as the same names on both sides: the second run finds
    // every file in place and copies nothing.
    void namesBeyondAsciiAreTheSameOnBothSides()
    {
        const QString accented = QStringLiteral("r\u00e9sum\u00e9.txt");
        const QString folder = QStringLiteral("\u65e5\u672c/");
        freshPair({{accented, "cv"}, {folder + QStringLiteral("plain.txt"), "p"}, {QStringLiteral("plain.txt"), "x"}},
                  {});
        QCOMPARE(Sync_Folders(m_source, m_destination, m_options, m_sink).copied, 3);
        QCOMPARE(TestSupport::readTree(m_destination), TestSupport::readTree(m_source));
        QVERIFY(QFileInfo::exists(m_destination + QLatin1Char('/') + accented));
        m_sink = Recorder();
        const SyncResult again = Sync_Folders(m_source, m_destination, m_options, m_sink);
        QCOMPARE(again.copied, 0);
        QCOMPARE(again.failed, 0);
    }

    // The copy is what reading the source gives, whether the kernel copies it or it is read:
    // several buffers' worth, nothing, and a file whose size the system does not know.
    void copyFileGivesWhatReadingGives_data()
    {
        QTest::addColumn<QString>("source");
        const QString folder = TestSupport::freshFolder(QStringLiteral("copysrc"));
        QByteArray big(3 * 1024 * 1024 + 17, '\0');
        for (qsizetype i = 0; i < big.size(); ++i)
            big[i] = char(i * 7919 >> 3);
        TestSupport::writeFile(folder + QStringLiteral("/big.bin"), big);
        TestSupport::writeFile(folder + QStringLiteral("/empty.bin"), QByteArray());
        QTest::newRow("large") << folder + QStringLiteral("/big.bin");
        QTest::newRow("empty") << folder + QStringLiteral("/empty.bin");
        QTest::newRow("size unknown") << QStringLiteral("/proc/version");
    }

    void copyFileGivesWhatReadingGives()
    {
        QFETCH(QString, source);
        const QString target = TestSupport::freshFolder(QStringLiteral("copydst")) + QStringLiteral("/copy");
        SyncFileOps::Failure failure;
        const std::optional<qint64> bytes = SyncFileOps::copyFile(source, target, &failure);
        QVERIFY2(bytes, qPrintable(failure.description));
        const QByteArray expected = TestSupport::readFile(source);
        QCOMPARE(*bytes, expected.size());
        QCOMPARE(TestSupport::readFile(target), expected);
    }

    // A copy that cannot be written whole (here: the file size limit) leaves the target folder
    // as it was: a new target is not there, an earlier copy keeps its bytes, no temporary file.
    void failedCopyLeavesTargetAsItWas_data() { placingTable(); }

    void failedCopyLeavesTargetAsItWas()
    {
        QFETCH(SyncFileOps::Placing, placing);
        QFETCH(bool, targetThere);
        const CopyCase c = copyCase(QStringLiteral("limited"), QByteArray(256 * 1024, 'n'), targetThere);

        rlimit before{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
        rlimit limited = before;
        limited.rlim_cur = 64 * 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        SyncFileOps::Failure failure;
        const std::optional<qint64> bytes = SyncFileOps::copyFile(c.source, c.target, &failure, placing);
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!bytes);
        QVERIFY(!failure.description.isEmpty());
        const QStringList left = QDir(c.targetFolder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, targetThere ? QStringList {QStringLiteral("copy")} : QStringList());
        if (targetThere)
            QCOMPARE(TestSupport::readFile(c.target), QByteArrayLiteral("the earlier copy"));
    }

    // Written in place or through a temporary file, the copy has the source's bytes, mode and
    // modification time, and nothing else is left beside it.
    void copyKeepsModeAndTime_data() { placingTable(); }

    void copyKeepsModeAndTime()
    {
        QFETCH(SyncFileOps::Placing, placing);
        QFETCH(bool, targetThere);
        const CopyCase c = copyCase(QStringLiteral("kept"), QByteArrayLiteral("new bytes"), targetThere);
        const QString& source = c.source;
        const QString& target = c.target;
        const struct timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), times, 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(source).constData(), 0440), 0);

        SyncFileOps::Failure failure;
        const std::optional<qint64> bytes = SyncFileOps::copyFile(source, target, &failure, placing);
        QVERIFY2(bytes, qPrintable(failure.description));
        QCOMPARE(TestSupport::readFile(target), QByteArrayLiteral("new bytes"));
        Stat st{};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0440));
        QCOMPARE(qint64(st.st_mtim.tv_sec), qint64(1234567890));
        QCOMPARE(qint64(st.st_mtim.tv_nsec), qint64(123456789));
        QCOMPARE(QDir(c.targetFolder).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("copy")});
    }
};

QTEST_GUILESS_MAIN(tst_Quillaro_FileSync)
#include "tst_Quillaro_FileSync.moc"
