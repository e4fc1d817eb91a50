#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_FileSplit.h"
#include "TestSupport.h"
#include "ZipArchive.h"

using namespace TestSupport;

namespace {

QByteArray randomBytes(qint64 size)
{
    QByteArray data(size, '\0');
    QRandomGenerator gen(static_cast<quint32>(size));
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>(gen.bounded(256));
    return data;
}

QStringList namesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

// Runs the joiner the way a user would: sh with the script's path.
void join(const QString& script)
{
    QString out;
    const int rc = runTool(QStringLiteral("sh"), {script}, &out);
    QVERIFY2(rc == 0, qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("Done!")), qPrintable(out));
}

} // namespace

class tst_QEV_FileSplit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Paths::prepareFolders()); }
    void piecesAndJoiner_data();
    void piecesAndJoiner();
    void joinerRestoresTheFile_data();
    void joinerRestoresTheFile();
    void stalePiecesAreRemoved();
    void unreadableSourceFailsAndIsNotCreated_data();
    void unreadableSourceFailsAndIsNotCreated();
    void failedPieceLeavesNothing();
    void sameNamesFromTwoFoldersDoNotCollide();
    void pathHelpers_data();
    void pathHelpers();
};

void tst_QEV_FileSplit::piecesAndJoiner_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<qint64>>("pieces");
    QTest::newRow("two and a half") << qint64(2500) << QList<qint64>{1000, 1000, 500};
    QTest::newRow("exactly two") << qint64(2000) << QList<qint64>{1000, 1000};
    QTest::newRow("one piece") << qint64(1000) << QList<qint64>{1000};
    QTest::newRow("less than one") << qint64(10) << QList<qint64>{10};
    QTest::newRow("empty") << qint64(0) << QList<qint64>{};
}

void tst_QEV_FileSplit::piecesAndJoiner()
{
    QFETCH(qint64, size);
    QFETCH(QList<qint64>, pieces);
    const QString dir = freshFolder(QStringLiteral("pieces"));
    const QString source = dir + QStringLiteral("/src/data.bin");
    const QByteArray data = randomBytes(size);
    writeFile(source, data);
    const QString cwd = QDir::currentPath();
    QStringList written;
    QVERIFY(SplitFiles(source, dir + QStringLiteral("/out"), 1000, &written));
    QCOMPARE(QDir::currentPath(), cwd);
    QCOMPARE(readFile(source), data); // only read

    QStringList expected;
    for (int k = 1; k <= pieces.size(); ++k) {
        const QString piece = dir + QStringLiteral("/out/data.bin.%1").arg(k);
        expected << piece;
        QCOMPARE(QFileInfo(piece).size(), pieces[k - 1]);
    }
    expected << dir + QStringLiteral("/out/data.bin.sh");
    QCOMPARE(written, expected);
    QCOMPARE(namesIn(dir + QStringLiteral("/out")).size(), expected.size());

    const QString script = QString::fromUtf8(readFile(expected.last()));
    QVERIFY(script.startsWith(QStringLiteral("#!/bin/sh\n")));
    QCOMPARE(script.contains(QStringLiteral("cat -- ")), pieces.size() > 1);
    QCOMPARE(script.count(QRegularExpression(QStringLiteral("rm -f -- 'data\\.bin\\.\\d+'"))),
             qMax(0, int(pieces.size()) - 1));
    QCOMPARE(script.contains(QStringLiteral("mv -- 'data.bin.1' 'data.bin'")), !pieces.isEmpty());
    QVERIFY(script.contains(QStringLiteral("rm -f -- 'data.bin.sh'")));
    QVERIFY(QFileInfo(expected.last()).isExecutable());
}

void tst_QEV_FileSplit::joinerRestoresTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");
    QTest::newRow("plain") << QStringLiteral("video.mkv") << qint64(2'500'000);
    QTest::newRow("single piece") << QStringLiteral("small.dat") << qint64(999);
    QTest::newRow("empty") << QStringLiteral("empty.dat") << qint64(0);
    QTest::newRow("quote and command")
        << QStringLiteral("it's $(touch INJECTED); `touch INJECTED`.bin") << qint64(2500);
    QTest::newRow("leading dash, blanks") << QStringLiteral("-rf  two  blanks") << qint64(2100);
    QTest::newRow("newline and glob") << QStringLiteral("line\nbreak *") << qint64(1500);
}

void tst_QEV_FileSplit::joinerRestoresTheFile()
{
    QFETCH(QString, name);
    QFETCH(qint64, size);
    const QString dir = freshFolder(QStringLiteral("roundtrip"));
    const QByteArray data = randomBytes(size);
    writeFile(dir + QStringLiteral("/src/") + name, data);
    const QString out = dir + QStringLiteral("/out");
    // A piece size that is not a divisor, and larger than one copy chunk for the big file.
    const qint32 partSize = size > 1'000'000 ? 1'100'000 : 1000;
    QStringList written;
    QVERIFY(SplitFiles(dir + QStringLiteral("/src/") + name, out, partSize, &written));
    join(written.last());
    QCOMPARE(namesIn(out), QStringList{name});
    QCOMPARE(readFile(out + QLatin1Char('/') + name), data);
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/INJECTED")));
    QVERIFY(!QFileInfo::exists(QDir::currentPath() + QStringLiteral("/INJECTED")));
}

void tst_QEV_FileSplit::stalePiecesAreRemoved()
{
    const QString dir = freshFolder(QStringLiteral("stale"));
    const QString out = dir + QStringLiteral("/out");
    makeTree(out,
             {{QStringLiteral("f.bin.1"), QByteArray(5000, 'o')},
              {QStringLiteral("f.bin.2"), "old"},
              {QStringLiteral("f.bin.5"), "old"},
              {QStringLiteral("f.bin.sh"), "old joiner"},
              {QStringLiteral("f.bin.keep"), "other"},
              {QStringLiteral("g.bin.3"), "other file's piece"}});
    const QByteArray data = randomBytes(1500);
    writeFile(dir + QStringLiteral("/f.bin"), data);
    QVERIFY(SplitFiles(dir + QStringLiteral("/f.bin"), out, 1000));
    QCOMPARE(namesIn(out),
             (QStringList{QStringLiteral("f.bin.1"), QStringLiteral("f.bin.2"),
                          QStringLiteral("f.bin.keep"), QStringLiteral("f.bin.sh"),
                          QStringLiteral("g.bin.3")}));
    QCOMPARE(readFile(out + QStringLiteral("/f.bin.1"))
                 + readFile(out + QStringLiteral("/f.bin.2")),
             data);
}

void tst_QEV_FileSplit::unreadableSourceFailsAndIsNotCreated_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("folder") << QStringLiteral("folder");
}

void tst_QEV_FileSplit::unreadableSourceFailsAndIsNotCreated()
{
    QFETCH(QString, kind);
    const QString dir = freshFolder(QStringLiteral("unreadable"));
    const QString source = dir + QStringLiteral("/gone.bin");
    if (kind == QStringLiteral("folder"))
        QDir().mkpath(source);
    QFile::remove(ErrorLogPath());
    QStringList written{QStringLiteral("stale")};
    QVERIFY(!SplitFiles(source, dir + QStringLiteral("/out"), 1000, &written));
    QVERIFY(written.isEmpty());
    QCOMPARE(QFileInfo(source).isDir(), kind == QStringLiteral("folder"));
    QCOMPARE(QFileInfo::exists(source), kind == QStringLiteral("folder"));
    QVERIFY(namesIn(dir + QStringLiteral("/out")).isEmpty());
    QVERIFY(QString::fromUtf8(readFile(ErrorLogPath()))
                .contains(QStringLiteral("SplitFiles of Modul QEV_FileSplit")));
}

void tst_QEV_FileSplit::failedPieceLeavesNothing()
{
    // A file where the destination folder should be: no piece can be created.
    const QString dir = freshFolder(QStringLiteral("blocked"));
    writeFile(dir + QStringLiteral("/out"), "in the way");
    writeFile(dir + QStringLiteral("/f.bin"), randomBytes(3000));
    QVERIFY(!SplitFiles(dir + QStringLiteral("/f.bin"), dir + QStringLiteral("/out/sub"), 1000));
    QCOMPARE(namesIn(dir), (QStringList{QStringLiteral("f.bin"), QStringLiteral("out")}));
}

void tst_QEV_FileSplit::sameNamesFromTwoFoldersDoNotCollide()
{
    const QString dir = freshFolder(QStringLiteral("collide"));
    const QString root = dir + QStringLiteral("/temp/splitfile");
    const QString first = dir + QStringLiteral("/a/movie.avi");
    const QString second = dir + QStringLiteral("/b/movie.avi");
    writeFile(first, randomBytes(2500));
    writeFile(second, randomBytes(1700));
    ZipArchive zip;
    QString error;
    QVERIFY(zip.Create(dir + QStringLiteral("/parts.zip"), &error));
    for (const QString& source : {first, second}) {
        QStringList written;
        QVERIFY(SplitFiles(source, SplitFolder(root, source), 1000, &written));
        for (const QString& piece : std::as_const(written))
            QVERIFY2(zip.Files().AddFileByName(piece, 6, true, false, &error), qPrintable(error));
    }
    QCOMPARE(zip.Files().Count(), 3 + 1 + 2 + 1);
    QVERIFY(zip.Close(&error));
    QVERIFY(QDir(root).removeRecursively());

    QVERIFY(zip.Open(dir + QStringLiteral("/parts.zip"), &error));
    const QString restore = dir + QStringLiteral("/restore");
    for (int i = 0; i < zip.Files().Count(); ++i)
        QVERIFY2(zip.Files().Item(i).Extract(restore, &error), qPrintable(error));
    QVERIFY(zip.Close(&error));
    for (const QString& source : {first, second}) {
        const QString folder = SplitFolder(restore + root, source);
        join(folder + QStringLiteral("/movie.avi.sh"));
        QCOMPARE(readFile(folder + QStringLiteral("/movie.avi")), readFile(source));
    }
    QCOMPARE(runTool(QStringLiteral("unzip"),
                     {QStringLiteral("-tqq"), dir + QStringLiteral("/parts.zip")}),
             0);
}

void tst_QEV_FileSplit::pathHelpers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("file");
    QTest::newRow("full") << QStringLiteral("/data/x/f.bin") << QStringLiteral("/data/x/")
                          << QStringLiteral("f.bin");
    QTest::newRow("bare") << QStringLiteral("f.bin") << QString() << QStringLiteral("f.bin");
    QTest::newRow("folder") << QStringLiteral("/data/") << QStringLiteral("/data/") << QString();
}

void tst_QEV_FileSplit::pathHelpers()
{
    QFETCH(QString, path);
    QFETCH(QString, directory);
    QFETCH(QString, file);
    QCOMPARE(DetermineDirectory(path), directory);
    QCOMPARE(DetermineFilename(path), file);
}

QTEST_GUILESS_MAIN(tst_QEV_FileSplit)
#include "tst_QEV_FileSplit.moc"
