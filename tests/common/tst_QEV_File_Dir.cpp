#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "Paths.h"
#include "QEV_File_Dir.h"
#include "TestSupport.h"

namespace {

QString errorLog()
{
    return QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")));
}

void setAge(const QString& path, int days)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-days), QFileDevice::FileModificationTime));
}

} // namespace

class tst_QEV_File_Dir : public QObject
{
    Q_OBJECT

private slots:
    void fileExistsTrimsAndFindsFilesOnly()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("exists"));
        TestSupport::makeTree(root, {{QStringLiteral("a.txt"), "x"}, {QStringLiteral(".hidden"), "h"},
                                     {QStringLiteral("sub/"), {}}, {QStringLiteral("name[1].txt"), "b"}});
        QString padded = QStringLiteral("  ") + root + QStringLiteral("/a.txt ");
        QVERIFY(FileExists(padded));
        QCOMPARE(padded, root + QStringLiteral("/a.txt"));
        QVERIFY(FileExists(root + QStringLiteral("/.hidden")));
        QVERIFY(!FileExists(root + QStringLiteral("/sub")));
        QVERIFY(!FileExists(root + QStringLiteral("/")));
        QVERIFY(!FileExists(QString()));
        QVERIFY(FileExists(root + QStringLiteral("/*.txt")));
        QVERIFY(!FileExists(root + QStringLiteral("/*.zip")));
        QVERIFY(FileExists(root + QStringLiteral("/name[1].txt")));
        QVERIFY(!FileExists(QStringLiteral("/no/such/folder/a.txt")));
    }

    void fileExistsSeesFifoWithoutOpeningIt()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("fifo"));
        const QString fifo = root + QStringLiteral("/pipe");
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QVERIFY(FileExists(fifo));
        QCOMPARE(GetFileCount(root + QStringLiteral("/*")), 0);
    }

    void pathParts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("lastDir");
        QTest::addColumn<QString>("lastDirVariable");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("folder");
        auto row = [](const char* tag, const char* p, const char* ld, const char* ldv, const char* f, const char* fo) {
            QTest::newRow(tag) << QString::fromUtf8(p) << QString::fromUtf8(ld) << QString::fromUtf8(ldv)
                               << QString::fromUtf8(f) << QString::fromUtf8(fo);
        };
        row("folder with slash", "/a/b/", "b", "/a/b", "", "/a/b");
        row("file", "/a/b.zip", "b.zip", "/a/b.zip", "b.zip", "/a");
        row("root", "/", "/", "/", "", "/");
        row("file in root", "/x", "x", "/x", "x", "/");
        row("empty", "", "", "", "", "");
        row("url", "http://host/dir/v.txt", "v.txt", "http://host/dir/v.txt", "v.txt", "http://host/dir");
        row("pattern", "/data/*.*", "*.*", "/data/*.*", "*.*", "/data");
        row("relative name", "name", "name", "name", "name", "");
    }

    void pathParts()
    {
        QFETCH(QString, path);
        QFETCH(QString, lastDir);
        QFETCH(QString, lastDirVariable);
        QFETCH(QString, file);
        QFETCH(QString, folder);
        QString variable = path;
        QCOMPARE(sParseLastDir(variable), lastDir);
        QCOMPARE(variable, lastDirVariable);
        QCOMPARE(sParseFile(path), file);
        QCOMPARE(sParsePath(path), folder);
    }

    void fixDirString()
    {
        QCOMPARE(sFixDirString(QStringLiteral("/a")), QStringLiteral("/a/"));
        QCOMPARE(sFixDirString(QStringLiteral("/a/")), QStringLiteral("/a/"));
        QCOMPARE(sFixDirString(QString()), QStringLiteral("/"));
    }

    void createDirectoryStruct()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("mk"));
        CreateDirectoryStruct(root + QStringLiteral("/a/b/c/"));
        QVERIFY(QFileInfo(root + QStringLiteral("/a/b/c")).isDir());
        CreateDirectoryStruct(root + QStringLiteral("/a/b/c"));
        CreateDirectoryStruct(QStringLiteral("/"));
        QVERIFY(!errorLog().contains(QStringLiteral("CreateDirectoryStruct")));
    }

    void createDirectoryStructReportsTheLevelItCannotCreate()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("mkfail"));
        TestSupport::writeFile(root + QStringLiteral("/file"), "x");
        CreateDirectoryStruct(root + QStringLiteral("/file/below"));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/file/below")));
        QVERIFY(errorLog().contains(QStringLiteral("CreateDirectoryStruct of Modul QEV_File_Dir")));
        QVERIFY(errorLog().contains(root + QStringLiteral("/file/below")));
    }

    void findfile()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("find"));
        TestSupport::writeFile(root + QStringLiteral("/f.bin"), "12345");
        const DirRecord rec = Findfile(root + QStringLiteral("/f.bin"));
        QCOMPARE(rec.fileName, QStringLiteral("f.bin"));
        QCOMPARE(rec.size, qint64(5));
        QVERIFY(rec.lastWriteTime.isValid());
        const DirRecord missing = Findfile(root + QStringLiteral("/none"));
        QCOMPARE(missing.fileName, QStringLiteral("Error"));
        QCOMPARE(missing.size, qint64(0));
        QVERIFY(!missing.lastWriteTime.isValid());
    }

    void validFilename_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("dot") << QStringLiteral(".") << false;
        QTest::newRow("dotdot") << QStringLiteral("..") << true;
        QTest::newRow("full path") << QStringLiteral("/home/a/b.zip") << true;
        QTest::newRow("star") << QStringLiteral("/a/b*") << false;
        QTest::newRow("pipe") << QStringLiteral("a|b") << false;
        QTest::newRow("quote") << QStringLiteral("a\"b") << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
        QTest::newRow("255 chars") << QString(255, QLatin1Char('a')) << true;
        QTest::newRow("256 chars") << QString(256, QLatin1Char('a')) << false;
        QTest::newRow("trailing slash") << QStringLiteral("/a/") << true;
    }

    void validFilename()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(IsValidFilename(name), valid);
    }

    void compareFiles_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("empty") << QByteArray() << QByteArray() << true;
        QTest::newRow("exact blocks") << QByteArray(20000, 'x') << QByteArray(20000, 'x') << true;
        QByteArray last(25001, 'y');
        QByteArray other = last;
        other[25000] = 'z';
        QTest::newRow("last byte differs") << last << other << false;
        QByteArray firstBlock = last;
        firstBlock[3] = 'q';
        QTest::newRow("first block differs") << last << firstBlock << false;
        QTest::newRow("lengths differ") << QByteArray("abc") << QByteArray("abcd") << false;
        // Both files are read 128 KiB at a time.
        constexpr int kRead = 128 * 1024;
        const QByteArray whole(2 * kRead, 'w');
        QByteArray endOfRead = whole;
        endOfRead[kRead - 1] = 'v';
        QTest::newRow("last byte of a read differs") << whole << endOfRead << false;
        QByteArray startOfRead = whole;
        startOfRead[kRead] = 'v';
        QTest::newRow("first byte of the next read differs") << whole << startOfRead << false;
        QTest::newRow("equal over several reads") << QByteArray(3 * kRead + 17, 's')
                                                  << QByteArray(3 * kRead + 17, 's') << true;
        QTest::newRow("one longer by a byte past a read") << whole << whole + 'w' << false;
    }

    void compareFiles()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(bool, equal);
        const QString root = TestSupport::freshFolder(QStringLiteral("cmp"));
        QString pa = root + QStringLiteral("/a");
        QString pb = root + QStringLiteral("/b");
        TestSupport::writeFile(pa, a);
        TestSupport::writeFile(pb, b);
        QCOMPARE(compare_files(pa, pb), equal);
        QString missing = root + QStringLiteral("/none");
        QVERIFY(!compare_files(pa, missing));
        QVERIFY(!compare_files(missing, pb));
        // A FIFO in a file's place differs, and is not waited on.
        QString fifo = root + QStringLiteral("/pipe");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!compare_files(pa, fifo));
    }

    void deleteFilesByAge()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("del"));
        TestSupport::makeTree(root, {{QStringLiteral("new_BackUp_1"), "n"}, {QStringLiteral("old_BackUp_2"), "o"},
                                     {QStringLiteral("edge_BackUp_3"), "e"}, {QStringLiteral(".hid_BackUp_4"), "h"},
                                     {QStringLiteral("keep.txt"), "k"}});
        setAge(root + QStringLiteral("/old_BackUp_2"), 10);
        setAge(root + QStringLiteral("/edge_BackUp_3"), 5);
        setAge(root + QStringLiteral("/.hid_BackUp_4"), 10);
        DeleteFiles(root + QStringLiteral("/*_BackUp_*"), 5);
        const QStringList left = QDir(root).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(left, (QStringList{QStringLiteral(".hid_BackUp_4"), QStringLiteral("keep.txt"),
                                   QStringLiteral("new_BackUp_1")}));
        DeleteFiles(root + QStringLiteral("/*_BackUp_*"), 0);
        QVERIFY(!QFile::exists(root + QStringLiteral("/new_BackUp_1")));
    }

    void deleteFilesRefusesStarDotStar()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("delall"));
        TestSupport::writeFile(root + QStringLiteral("/a.txt"), "a");
        DeleteFiles(root + QStringLiteral("/*.*"), 0);
        QVERIFY(QFile::exists(root + QStringLiteral("/a.txt")));
    }

    void deleteFilesGoesOnAfterAFileItCannotDelete()
    {
        if (geteuid() == 0)
            QSKIP("root may delete anything");
        const QString root = TestSupport::freshFolder(QStringLiteral("dellocked"));
        TestSupport::makeTree(root, {{QStringLiteral("locked/a_BackUp_1"), "a"}});
        QFile::setPermissions(root + QStringLiteral("/locked"), QFile::ReadOwner | QFile::ExeOwner);
        DeleteFiles(root + QStringLiteral("/locked/*_BackUp_*"), 0);
        QVERIFY(errorLog().contains(QStringLiteral("DeleteFiles of Modul QEV_File_Dir")));
        QFile::setPermissions(root + QStringLiteral("/locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void delDirRemovesReadOnlyContent()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("deldir"));
        TestSupport::makeTree(root, {{QStringLiteral("t/ro/f"), "x"}});
        QFile::setPermissions(root + QStringLiteral("/t/ro"), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(DelDir(root + QStringLiteral("/t/")));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/t")));
        QVERIFY(!DelDir(root + QStringLiteral("/t")));
    }

    void fileCount()
    {
        const QString root = TestSupport::freshFolder(QStringLiteral("count"));
        TestSupport::makeTree(root, {{QStringLiteral("a.zip"), "1"}, {QStringLiteral("b.zip"), "2"},
                                     {QStringLiteral(".c.zip"), "3"}, {QStringLiteral("d.zip/"), {}}});
        QCOMPARE(GetFileCount(root + QStringLiteral("/*.zip")), 2);
        QCOMPARE(GetFileCount(root + QStringLiteral("/*.cry")), 0);
    }

    // A star and a plain ending as the profile and language lists ask for, and other patterns:
    // case counts, the ending is the whole ending, and the filter decides on hidden files and
    // folders.
    void listMatches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("names");
        const QStringList plain{QStringLiteral("a.pfl"), QStringLiteral("d[1].pfl")};
        QTest::newRow("ending") << QStringLiteral("*.pfl") << int(ListFilter::Plain) << plain;
        QTest::newRow("ending, folders too") << QStringLiteral("*.pfl") << int(ListFilter::Folders)
                                             << QStringList{QStringLiteral(".pfl"), QStringLiteral("a.pfl"),
                                                            QStringLiteral("d[1].pfl"), QStringLiteral("x.pfl")};
        QTest::newRow("question mark") << QStringLiteral("*.p?l") << int(ListFilter::Plain) << plain;
        QTest::newRow("bracket is a class") << QStringLiteral("*[1].pfl") << int(ListFilter::Plain) << QStringList();
        QTest::newRow("other case") << QStringLiteral("*.PFL") << int(ListFilter::Plain) << QStringList{QStringLiteral("b.PFL")};
        QTest::newRow("star alone") << QStringLiteral("*") << int(ListFilter::Plain)
                                    << QStringList{QStringLiteral("a.pfl"), QStringLiteral("b.PFL"),
                                                   QStringLiteral("c.pfl.bak"), QStringLiteral("d[1].pfl")};
    }

    void listMatches()
    {
        QFETCH(QString, pattern);
        QFETCH(int, filter);
        QFETCH(QStringList, names);
        const QString root = TestSupport::freshFolder(QStringLiteral("matches"));
        TestSupport::makeTree(root, {{QStringLiteral("a.pfl"), "1"}, {QStringLiteral("b.PFL"), "2"},
                                     {QStringLiteral("c.pfl.bak"), "3"}, {QStringLiteral(".pfl"), "4"},
                                     {QStringLiteral("d[1].pfl"), "5"}, {QStringLiteral("x.pfl/"), {}}});
        QStringList found = ListMatches(root + QLatin1Char('/') + pattern, ListFilter(filter));
        found.sort();
        QCOMPARE(found, names);
    }

    void waitSecondsWaits()
    {
        const qint64 start = Clock::monotonicMs();
        Wait_Seconds(0);
        Wait_Seconds(1);
        QVERIFY(Clock::monotonicMs() - start >= 1000);
    }
};

QTEST_GUILESS_MAIN(tst_QEV_File_Dir)
#include "tst_QEV_File_Dir.moc"
