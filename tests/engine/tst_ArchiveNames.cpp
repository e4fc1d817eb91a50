#include <QtTest>

#include "ArchiveNames.h"

class tst_ArchiveNames : public QObject
{
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("part");
        QTest::addColumn<bool>("encrypted");
        QTest::addColumn<QString>("name");
        QTest::newRow("daily first part") << 0 << QDate(2003, 1, 15) << 1 << false << QStringLiteral("Standard_BackUp_d20030115__1.zip");
        QTest::newRow("weekly") << 1 << QDate(2003, 1, 15) << 2 << false << QStringLiteral("Standard_BackUp_w20033__2.zip");
        QTest::newRow("weekly year end") << 1 << QDate(2003, 12, 31) << 1 << false << QStringLiteral("Standard_BackUp_w200353__1.zip");
        QTest::newRow("week 54") << 1 << QDate(2000, 12, 31) << 1 << false << QStringLiteral("Standard_BackUp_w200054__1.zip");
        QTest::newRow("monthly encrypted") << 2 << QDate(2003, 1, 15) << 5 << true << QStringLiteral("Standard_BackUp_m200301__5.zip.cry");
        QTest::newRow("appended without part") << 0 << QDate(2003, 1, 15) << 0 << false << QStringLiteral("Standard_BackUp_d20030115.zip");
    }

    void names()
    {
        QFETCH(int, period);
        QFETCH(QDate, date);
        QFETCH(int, part);
        QFETCH(bool, encrypted);
        QFETCH(QString, name);
        QCOMPARE(ArchiveFileName(QStringLiteral("Standard"), ArchivePeriod(period), date, part, encrypted), name);
    }

    // Only names the program makes are its own; the profile name is literal.
    void ownNames_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("own");
        QTest::newRow("part") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d20030115__1.zip") << true;
        QTest::newRow("encrypted log") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_w20033__2.zip.cry.log") << true;
        QTest::newRow("monthly, no part") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_m200301.zip") << true;
        QTest::newRow("a user's file") << QStringLiteral("Taxes") << QStringLiteral("Taxes_BackUp_2019.xlsx") << false;
        QTest::newRow("other ending") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d20030115__1.zip.bak") << false;
        QTest::newRow("star is literal") << QStringLiteral("*") << QStringLiteral("Other_BackUp_d20030115__1.zip") << false;
        QTest::newRow("star itself") << QStringLiteral("*") << QStringLiteral("*_BackUp_d20030115__1.zip") << true;
        QTest::newRow("brackets are literal") << QStringLiteral("Photos [ext]") << QStringLiteral("Photos e_BackUp_d20030115__1.zip") << false;
        QTest::newRow("brackets themselves") << QStringLiteral("Photos [ext]") << QStringLiteral("Photos [ext]_BackUp_d20030115__1.zip") << true;
        QTest::newRow("another profile's prefix") << QStringLiteral("Photo") << QStringLiteral("Photos_BackUp_d20030115__1.zip") << false;
        QTest::newRow("week of five digits") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_w20033.zip.log") << true;
        QTest::newRow("week of seven digits") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_w2003533.zip") << false;
        QTest::newRow("day of seven digits") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d2003011__1.zip") << false;
        QTest::newRow("part without digits") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d20030115__.zip") << false;
        QTest::newRow("log before cry") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d20030115.zip.log.cry") << false;
        QTest::newRow("other digits") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d2003011\u0665.zip") << false;
        QTest::newRow("other case") << QStringLiteral("Standard") << QStringLiteral("standard_BackUp_d20030115.zip") << false;
        // A user's file that only ends in a line break is no archive, and is never cleared.
        QTest::newRow("line break after the name") << QStringLiteral("Standard") << QStringLiteral("Standard_BackUp_d20030115__1.zip\n") << false;
    }

    void ownNames()
    {
        QFETCH(QString, profile);
        QFETCH(QString, name);
        QFETCH(bool, own);
        QCOMPARE(IsArchiveFileName(name, profile), own);
    }

    void weekOneHoldsTheFirstOfJanuary()
    {
        QCOMPARE(ArchiveWeekNumber(QDate(2005, 1, 1)), 1); // a Saturday
        QCOMPARE(ArchiveWeekNumber(QDate(2005, 1, 2)), 2); // the Sunday after it
    }

    void partNumberAfterTheLastDoubleUnderscore_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("part");
        QTest::newRow("plain") << QStringLiteral("Standard_BackUp_d20030115__4.zip") << 4;
        QTest::newRow("profile holds double underscore") << QStringLiteral("my__office_BackUp_d20030115__7.zip") << 7;
        QTest::newRow("no digits") << QStringLiteral("Standard_BackUp_d20030115__x.zip") << 0;
        QTest::newRow("no part") << QStringLiteral("Standard_BackUp_d20030115.zip") << 0;
    }

    void partNumberAfterTheLastDoubleUnderscore()
    {
        QFETCH(QString, name);
        QFETCH(int, part);
        QCOMPARE(ArchivePartNumber(name), part);
    }

    void highestPartOfTheStemOnly()
    {
        const QString stem = QStringLiteral("my__office_BackUp_d20030115");
        const QStringList found = {stem + QStringLiteral("__1.zip"), stem + QStringLiteral("__4.zip"),
                                   stem + QStringLiteral("__9.zip.cry"), stem + QStringLiteral("__12.zip.log"),
                                   QStringLiteral("other_BackUp_d20030115__30.zip")};
        QCOMPARE(HighestArchivePart(found, stem, false), 4);
        QCOMPARE(HighestArchivePart(found, stem, true), 9);
        QCOMPARE(HighestArchivePart({}, stem, false), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ArchiveNames)
#include "tst_ArchiveNames.moc"
