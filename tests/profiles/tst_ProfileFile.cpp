#include <QTest>

#include "ProfileFile.h"
#include "TestSupport.h"

using namespace TestSupport;

// The profile selection file: what is written and what is read back.
class tst_ProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void writesPairsWithFlags();
    void emptyListWritesEmptyFile();
    void roundTripKeepsEveryRow();
    void flagLines_data();
    void flagLines();
    void outOfStepFileRepairsItself();
    void missingFlagLineStopsWithError();
    void crLfLinesAreRead();
    void missingFileIsAnError();
    void failedWriteKeepsOldFile();
};

void tst_ProfileFile::writesPairsWithFlags()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/a.pfl");
    QString error;
    QVERIFY(ProfileFile::write(
        file, {{QStringLiteral("/home/a/*.*"), true}, {QStringLiteral("/home/b.txt"), false}},
        &error));
    QCOMPARE(readFile(file), QByteArray("/home/a/*.*\n-1 \n/home/b.txt\n 0 \n"));
}

void tst_ProfileFile::emptyListWritesEmptyFile()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/e.pfl");
    QString error;
    QVERIFY(ProfileFile::write(file, {}, &error));
    QCOMPARE(QFileInfo(file).size(), 0);
    const ProfileFileContent content = ProfileFile::read(file);
    QVERIFY(content.complete);
    QVERIFY(content.rows.isEmpty());
}

void tst_ProfileFile::roundTripKeepsEveryRow()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/r.pfl");
    const QList<ProfileRow> rows = {
        {QStringLiteral("/data/with, comma/*.*"), true},
        {QStringLiteral("/data/Ünïcode file.txt"), false},
        {kAutoAddPrefix + QStringLiteral("/data"), true},
        {QStringLiteral("/*.*"), false},
    };
    QString error;
    QVERIFY(ProfileFile::write(file, rows, &error));
    const ProfileFileContent content = ProfileFile::read(file);
    QVERIFY(content.complete);
    QCOMPARE(content.rows.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(content.rows.at(i).text, rows.at(i).text);
        QCOMPARE(content.rows.at(i).selected, rows.at(i).selected);
    }
    QVERIFY(content.rows.at(2).isAutoAdd());
    QCOMPARE(content.rows.at(2).autoAddFolder(), QStringLiteral("/data"));
}

void tst_ProfileFile::flagLines_data()
{
    QTest::addColumn<QByteArray>("flag");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("selected");
    QTest::newRow("minus one") << QByteArray("-1 ") << true << true;
    QTest::newRow("one") << QByteArray("1") << true << true;
    QTest::newRow("minus one in blanks") << QByteArray("   -1   ") << true << true;
    QTest::newRow("zero") << QByteArray(" 0 ") << true << false;
    QTest::newRow("word") << QByteArray("yes") << false << false;
}

void tst_ProfileFile::flagLines()
{
    QFETCH(QByteArray, flag);
    QFETCH(bool, accepted);
    QFETCH(bool, selected);
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/f.pfl");
    writeFile(file, "/home/x/*.*\n" + flag + "\n");
    const ProfileFileContent content = ProfileFile::read(file);
    QCOMPARE(content.rows.size(), accepted ? 1 : 0);
    if (accepted)
        QCOMPARE(content.rows.first().selected, selected);
}

void tst_ProfileFile::outOfStepFileRepairsItself()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/s.pfl");
    writeFile(file, "relative/folder\n-1 \n/home/ok/*.*\n-1 \n");
    const ProfileFileContent content = ProfileFile::read(file);
    QVERIFY(content.complete);
    QCOMPARE(content.rows.size(), 1);
    QCOMPARE(content.rows.first().text, QStringLiteral("/home/ok/*.*"));
}

void tst_ProfileFile::missingFlagLineStopsWithError()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/m.pfl");
    writeFile(file, "/home/a/*.*\n-1 \n/home/b/*.*\n");
    const ProfileFileContent content = ProfileFile::read(file);
    QVERIFY(!content.complete);
    QVERIFY(!content.error.isEmpty());
    QCOMPARE(content.rows.size(), 1);
}

void tst_ProfileFile::crLfLinesAreRead()
{
    const QString file = freshFolder(QStringLiteral("pfl")) + QStringLiteral("/c.pfl");
    writeFile(file, "/home/a/*.*\r\n-1 \r\n");
    const ProfileFileContent content = ProfileFile::read(file);
    QCOMPARE(content.rows.size(), 1);
    QCOMPARE(content.rows.first().text, QStringLiteral("/home/a/*.*"));
}

void tst_ProfileFile::missingFileIsAnError()
{
    const ProfileFileContent content = ProfileFile::read(QStringLiteral("/nonexistent/x.pfl"));
    QVERIFY(!content.complete);
}

void tst_ProfileFile::failedWriteKeepsOldFile()
{
    QString missing;
    QVERIFY(!ProfileFile::write(QStringLiteral("/nonexistent-folder/x.pfl"), {}, &missing));
    QVERIFY(!missing.isEmpty());
    const QString folder = freshFolder(QStringLiteral("pfl"));
    const QString file = folder + QStringLiteral("/k.pfl");
    writeFile(file, "/old/*.*\n-1 \n");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    const bool written = ProfileFile::write(file, {{QStringLiteral("/new/*.*"), true}}, &error);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (written)
        QSKIP("the folder stays writable (running as root)");
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(file), QByteArray("/old/*.*\n-1 \n"));
}

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
