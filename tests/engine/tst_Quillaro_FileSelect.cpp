#include <cstdlib>
#include <ctime>

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "FilterList.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "Quillaro_FileSelect.h"
#include "TestSupport.h"
#include "Wildcard.h"

using namespace TestSupport;

namespace {

void setWritten(const QString& path, const QDateTime& when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QString errorLog() { return QString::fromUtf8(readFile(ErrorLogPath())); }

QDateTime utc(int y, int m, int d, int h = 12, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::UTC);
}

FileFilterOptions dateWindow()
{
    FileFilterOptions o;
    o.chkExclOldFiles = true;
    o.DTPicker1 = QDate(2026, 3, 1);
    o.chkExclYoungFiles = true;
    o.DTPicker2 = QDate(2026, 3, 31);
    return o;
}

FileFilterOptions youngDays(const QString& days)
{
    FileFilterOptions o;
    o.chkExclYoungDayFiles = true;
    o.txtExclYoungDay = days;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(FileFilterOptions)

class tst_Quillaro_FileSelect : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void findFilesFillsTheList();
    void findFilesSkipsFoldersAndLinksToThem();
    void findFilesContinuesTheList();
    void findFilesRefusesAShortPattern();
    void findFilesNamesWhatItCannotList();
    void fileFilter_data();
    void fileFilter();
    void fileFilterReportsABadDayCount_data();
    void fileFilterReportsABadDayCount();
    void malformedPatternMatchesNothingAndIsReportedOnce();
    void matcher_data();
    void matcher();
    void folderExclusions_data();
    void folderExclusions();
    void shortenPath_data();
    void shortenPath();
};

void tst_Quillaro_FileSelect::initTestCase()
{
    // Two hours east of UTC, so that local and UTC calendar dates differ after midnight.
    qputenv("TZ", "Etc/GMT-2");
    tzset();
    QVERIFY(Paths::prepareFolders());
    Clock::setFixedNow(QDateTime(QDate(2026, 4, 10), QTime(12, 0)));
}

void tst_Quillaro_FileSelect::init()
{
    ExclusionList = {};
    DirExclusionList = {};
    InclusionList = {};
    ResetPatternReports();
    QFile::remove(ErrorLogPath());
    g_sFoundFiles = QStringList{QString()};
}

void tst_Quillaro_FileSelect::findFilesFillsTheList()
{
    const QString empty = freshFolder(QStringLiteral("empty"));
    Find_Files(empty + QStringLiteral("/*.*"));
    QCOMPARE(g_sFoundFiles, (QStringList{QString(), QString()}));

    g_sFoundFiles = QStringList{QString()};
    const QString dir = freshFolder(QStringLiteral("three"));
    makeTree(dir,
             {{QStringLiteral("a.txt"), "a"},
              {QStringLiteral("noext"), "b"},
              {QStringLiteral(".hidden"), "c"}});
    Find_Files(dir + QStringLiteral("/*.*"));
    QCOMPARE(g_sFoundFiles.size(), 4); // upper bound 3
    QCOMPARE(g_sFoundFiles.last(), QString());
    QStringList found = g_sFoundFiles.mid(0, 3);
    found.sort();
    QCOMPARE(found,
             (QStringList{dir + QStringLiteral("/.hidden"), dir + QStringLiteral("/a.txt"),
                          dir + QStringLiteral("/noext")}));

    g_sFoundFiles = QStringList{QString()};
    Find_Files(dir + QStringLiteral("/missing/*.*")); // no error, no match
    QCOMPARE(g_sFoundFiles, (QStringList{QString(), QString()}));
}

void tst_Quillaro_FileSelect::findFilesSkipsFoldersAndLinksToThem()
{
    const QString dir = freshFolder(QStringLiteral("links"));
    makeTree(dir, {{QStringLiteral("sub/inner.txt"), "i"}, {QStringLiteral("file.txt"), "f"}});
    QCOMPARE(::symlink(".", QFile::encodeName(dir + QStringLiteral("/loop")).constData()), 0);
    QCOMPARE(::symlink("sub", QFile::encodeName(dir + QStringLiteral("/subLink")).constData()), 0);
    QCOMPARE(
        ::symlink("file.txt", QFile::encodeName(dir + QStringLiteral("/fileLink")).constData()), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(dir + QStringLiteral("/pipe")).constData(), 0600), 0);
    Find_Files(dir + QStringLiteral("/*.*"));
    QStringList found = g_sFoundFiles;
    found.sort();
    // System files (the FIFO) are found; whether they are backed up is the run's decision.
    QCOMPARE(found,
             (QStringList{QString(), dir + QStringLiteral("/file.txt"),
                          dir + QStringLiteral("/fileLink"), dir + QStringLiteral("/pipe")}));
}

void tst_Quillaro_FileSelect::findFilesContinuesTheList()
{
    const QString a = freshFolder(QStringLiteral("a"));
    const QString b = freshFolder(QStringLiteral("b"));
    makeTree(a, {{QStringLiteral("1"), "1"}});
    makeTree(b, {{QStringLiteral("2"), "2"}});
    Find_Files(a + QStringLiteral("/*.*"));
    Find_Files(b + QStringLiteral("/*.*"));
    QCOMPARE(g_sFoundFiles,
             (QStringList{a + QStringLiteral("/1"), b + QStringLiteral("/2"), QString()}));
}

// Names that are not valid UTF-8 are not listed; the files among them are given back to be
// named, folders are not.
void tst_Quillaro_FileSelect::findFilesNamesWhatItCannotList()
{
    const QString dir = freshFolder(QStringLiteral("raw"));
    makeTree(dir, {{QStringLiteral("ok.txt"), "o"}});
    const QByteArray native = QFile::encodeName(dir);
    const int fd = ::open(QByteArray(native + "/caf\xe9.txt").constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    QCOMPARE(::mkdir(QByteArray(native + "/d\xe9r").constData(), 0700), 0);
    QStringList undecodable;
    Find_Files(dir + QStringLiteral("/*.*"), &undecodable);
    QCOMPARE(g_sFoundFiles, (QStringList{dir + QStringLiteral("/ok.txt"), QString()}));
    QCOMPARE(undecodable, QStringList{dir + QStringLiteral("/caf\\xE9.txt")});
}

void tst_Quillaro_FileSelect::findFilesRefusesAShortPattern()
{
    g_sFoundFiles = QStringList{QStringLiteral("/kept"), QString()};
    Find_Files(QStringLiteral("*."));
    QCOMPARE(g_sFoundFiles, (QStringList{QStringLiteral("/kept"), QString()}));
    QVERIFY(errorLog().contains(QStringLiteral("Find_Files of Formular frmMain_BackUp")));
}

void tst_Quillaro_FileSelect::fileFilter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("written");
    QTest::addColumn<FileFilterOptions>("options");
    QTest::addColumn<bool>("leftOut");

    const QDateTime mid = utc(2026, 3, 15);
    const FileFilterOptions none;
    FileFilterOptions complete;
    complete.optCompleteNoFilter = true;
    complete.chkExclOldFiles = true;
    complete.DTPicker1 = QDate(2030, 1, 1);
    QTest::newRow("empty path") << QString() << mid << none << true;
    QTest::newRow("no filter") << QStringLiteral("plain.txt") << mid << none << false;
    QTest::newRow("excluded lower case") << QStringLiteral("report.tmp") << mid << none << true;
    QTest::newRow("excluded upper case") << QStringLiteral("REPORT.TMP") << mid << none << true;
    QTest::newRow("longer extension") << QStringLiteral("report.tmp.bak") << mid << none << false;
    QTest::newRow("complete overrides exclusion")
        << QStringLiteral("report.tmp") << mid << complete << false;
    QTest::newRow("complete overrides dates")
        << QStringLiteral("old.txt") << mid << complete << false;
    QTest::newRow("inclusion does not force in")
        << QStringLiteral("forced.tmp") << mid << none << true;
    QTest::newRow("before window")
        << QStringLiteral("d.txt") << utc(2026, 2, 28, 23, 59) << dateWindow() << true;
    QTest::newRow("first day of window")
        << QStringLiteral("d.txt") << utc(2026, 3, 1, 0, 0) << dateWindow() << false;
    QTest::newRow("inside window") << QStringLiteral("d.txt") << mid << dateWindow() << false;
    QTest::newRow("last day of window")
        << QStringLiteral("d.txt") << utc(2026, 3, 31, 23, 59) << dateWindow() << false;
    QTest::newRow("after window") << QStringLiteral("d.txt") << utc(2026, 4, 1, 0, 0)
                                  << dateWindow() << true;
    // 00:30 local on 1 April at UTC+2 is 31 March in UTC, the date the filters use.
    FileFilterOptions april = dateWindow();
    april.chkExclYoungFiles = false;
    april.DTPicker1 = QDate(2026, 4, 1);
    QTest::newRow("utc date, not local")
        << QStringLiteral("tz.txt") << QDateTime(QDate(2026, 4, 1), QTime(0, 30)) << april << true;
    QTest::newRow("written today, 1 day")
        << QStringLiteral("y.txt") << utc(2026, 4, 10, 8) << youngDays(QStringLiteral("1")) << true;
    QTest::newRow("written yesterday, 1 day")
        << QStringLiteral("y.txt") << utc(2026, 4, 9, 8) << youngDays(QStringLiteral("1")) << false;
    QTest::newRow("written today, 0 days") << QStringLiteral("y.txt") << utc(2026, 4, 10, 8)
                                           << youngDays(QStringLiteral("0")) << false;
    QTest::newRow("written 5 days ago, 7 days") << QStringLiteral("y.txt") << utc(2026, 4, 5, 8)
                                                << youngDays(QStringLiteral(" 7 ")) << true;
}

void tst_Quillaro_FileSelect::fileFilter()
{
    QFETCH(QString, name);
    QFETCH(QDateTime, written);
    QFETCH(FileFilterOptions, options);
    QFETCH(bool, leftOut);
    ExclusionList = CutPatternList(QStringLiteral("*.TMP"), true);
    InclusionList = CutPatternList(QStringLiteral("forced.tmp"), true);
    QString path;
    if (!name.isEmpty()) {
        path = freshFolder(QStringLiteral("filter")) + QLatin1Char('/') + name;
        writeFile(path, "x");
        setWritten(path, written);
    }
    QCOMPARE(File_Filter(path, options), leftOut);
    // The same answer from the run's one stat of the file.
    FileAttributes::FileStat stat;
    quint32 bits = 0;
    QString error;
    QCOMPARE(FileAttributes::get(path, &bits, &error, &stat), !path.isEmpty());
    QCOMPARE(File_Filter(path, options, &stat), leftOut);
    QCOMPARE(errorLog(), QString());
}

void tst_Quillaro_FileSelect::fileFilterReportsABadDayCount_data()
{
    QTest::addColumn<QString>("days");
    QTest::newRow("not a number") << QStringLiteral("abc");
    QTest::newRow("empty") << QString();
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999");
}

void tst_Quillaro_FileSelect::fileFilterReportsABadDayCount()
{
    QFETCH(QString, days);
    const QString path = freshFolder(QStringLiteral("days")) + QStringLiteral("/f.txt");
    writeFile(path, "x");
    setWritten(path, utc(2020, 1, 1));
    QVERIFY(File_Filter(path, youngDays(days)));
    QVERIFY(errorLog().contains(QStringLiteral("File_Filter of Formular frmMain_BackUp")));
}

void tst_Quillaro_FileSelect::malformedPatternMatchesNothingAndIsReportedOnce()
{
    ExclusionList = CutPatternList(QStringLiteral("[AB, *.TMP"), true);
    InclusionList = CutPatternList(QStringLiteral("[X.*"), true);
    const QString dir = freshFolder(QStringLiteral("malformed"));
    makeTree(dir,
             {{QStringLiteral("a.txt"), "a"},
              {QStringLiteral("[ab"), "b"},
              {QStringLiteral("c.tmp"), "c"}});
    const FileFilterOptions none;
    for (int round = 0; round < 3; ++round) {
        QVERIFY(!File_Filter(dir + QStringLiteral("/a.txt"), none));
        QVERIFY(!File_Filter(dir + QStringLiteral("/[ab"), none));
        QVERIFY(File_Filter(dir + QStringLiteral("/c.tmp"), none));
        QVERIFY(!File_Included(dir + QStringLiteral("/[x.txt")));
    }
    QCOMPARE(errorLog().count(QStringLiteral("malformed pattern")), 2); // one for each pattern
    ResetPatternReports(); // the next run reports them again
    QVERIFY(!File_Filter(dir + QStringLiteral("/a.txt"), none));
    QCOMPARE(errorLog().count(QStringLiteral("malformed pattern")), 3);
}

void tst_Quillaro_FileSelect::matcher_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char* tag, const char* pattern, const QString& name, bool matches) {
        QTest::newRow(tag) << QString::fromUtf8(pattern) << name << matches;
    };
    row("star, empty name", "*", QString(), true);
    row("star, any name", "*", QStringLiteral("ABC.D"), true);
    row("extension", "*.TMP", QStringLiteral("REPORT.TMP"), true);
    row("extension is the end", "*.TMP", QStringLiteral("REPORT.TMP.BAK"), false);
    row("star takes none", "*.TMP", QStringLiteral(".TMP"), true);
    row("stars backtrack", "A*B*C", QStringLiteral("AXBXXBYC"), true);
    row("stars need the end", "A*B*C", QStringLiteral("AXXBYY"), false);
    row("question mark one", "A?C", QStringLiteral("ABC"), true);
    row("question mark not none", "A?C", QStringLiteral("AC"), false);
    row("hash digit", "FILE##.TXT", QStringLiteral("FILE07.TXT"), true);
    row("hash not letter", "FILE#.TXT", QStringLiteral("FILEX.TXT"), false);
    row("hash not other digits", "#", QString(QChar(0x0663)), false);
    row("list hit", "[ABC].DOC", QStringLiteral("B.DOC"), true);
    row("list miss", "[ABC].DOC", QStringLiteral("D.DOC"), false);
    row("range", "[A-C]X", QStringLiteral("BX"), true);
    row("negated range miss", "[!A-C]X", QStringLiteral("BX"), false);
    row("negated range hit", "[!A-C]X", QStringLiteral("DX"), true);
    row("bracketed star is literal", "[*]", QStringLiteral("*"), true);
    row("bracketed star only itself", "[*]", QStringLiteral("A"), false);
    row("dash first is literal", "[-A]", QStringLiteral("-"), true);
    row("closing bracket alone", "]", QStringLiteral("]"), true);
    row("exact case", "*.tmp", QStringLiteral("REPORT.TMP"), false);
    row("unclosed bracket", "*.[AB", QStringLiteral("X.A"), false);
    row("unclosed bracket, star name", "[", QStringLiteral("["), false);
}

void tst_Quillaro_FileSelect::matcher()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(Like(name, pattern), matches);
    QCOMPARE(MatchesFilterList(FilterList{{pattern}}, name, QStringLiteral("matcher")), matches);
}

void tst_Quillaro_FileSelect::folderExclusions_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("excluded");
    QTest::newRow("with slash") << QStringLiteral("/data/Backup/") << true;
    QTest::newRow("without slash") << QStringLiteral("/data/backup") << true;
    QTest::newRow("longer name") << QStringLiteral("/data/backups") << false;
    QTest::newRow("wildcard") << QStringLiteral("/home/u/.cache") << true;
    QTest::newRow("parent only") << QStringLiteral("/backup/data") << false;
}

void tst_Quillaro_FileSelect::folderExclusions()
{
    QFETCH(QString, folder);
    QFETCH(bool, excluded);
    DirExclusionList = CutPatternList(QStringLiteral("BACKUP .CA*"), false);
    QCOMPARE(File_DirExcluded(folder), excluded);
}

void tst_Quillaro_FileSelect::shortenPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << QStringLiteral("/home/a/b.txt") << 13
                          << QStringLiteral("/home/a/b.txt");
    QTest::newRow("drive-like head") << QStringLiteral("C:/Data/Projects/Reports/2003/summary.txt")
                                     << 25 << QStringLiteral("C:/Data/...03/summary.txt");
    QTest::newRow("network head") << QStringLiteral("//server/share/dir/file.doc") << 20
                                  << QStringLiteral("//server/...file.doc");
    QTest::newRow("posix head") << QStringLiteral("/home/alice/projects/report.txt") << 20
                                << QStringLiteral("/home/.../report.txt");
    QTest::newRow("no separator after head")
        << QStringLiteral("C:/x") << 3 << QStringLiteral("...");
    QTest::newRow("head too long")
        << QStringLiteral("C:/Documents and Settings/user/file.txt") << 20 << QString();
}

void tst_Quillaro_FileSelect::shortenPath()
{
    QFETCH(QString, path);
    QFETCH(int, length);
    QFETCH(QString, expected);
    const QString result = shorten_path(path, length);
    QCOMPARE(result, expected);
    if (!expected.isEmpty() && path.size() > length)
        QCOMPARE(result.size(), length);
    QCOMPARE(errorLog().contains(QStringLiteral("shorten_path of Formular frmMain_BackUp")),
             expected.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Quillaro_FileSelect)
#include "tst_Quillaro_FileSelect.moc"
