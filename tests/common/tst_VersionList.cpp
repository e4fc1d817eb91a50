#include <QtTest>

#include "VersionList.h"

using VersionList::Verdict;

Q_DECLARE_METATYPE(VersionList::Verdict)

// Reading the maker's version list and comparing the program's record with the running version.
class tst_VersionList : public QObject
{
    Q_OBJECT

private slots:
    void judgesTheProgramsRecord_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("langText");
        QTest::addColumn<QString>("listed");
        // The running version is 2.1.5 in every row.
        QTest::newRow("equal") << QByteArray("300,2.1.5\r\n") << Verdict::NotNewer << 0 << "2.1.5";
        QTest::newRow("new minor") << QByteArray("300,2.2.0\r\n") << Verdict::Newer << 46 << "2.2.0";
        QTest::newRow("new major") << QByteArray("300,3.0.0\r\n") << Verdict::Newer << 47 << "3.0.0";
        QTest::newRow("new revision") << QByteArray("300,2.1.7\r\n") << Verdict::Newer << 45 << "2.1.7";
        QTest::newRow("revision is the whole tail")
            << QByteArray("300,2.1.15\r\n") << Verdict::Newer << 45 << "2.1.15";
        QTest::newRow("older revision") << QByteArray("300,2.1.4\r\n") << Verdict::NotNewer << 0 << "2.1.4";
        QTest::newRow("older minor, newer revision")
            << QByteArray("300,2.0.9\r\n") << Verdict::NotNewer << 0 << "2.0.9";
        QTest::newRow("older major, newer minor")
            << QByteArray("300,1.9.9\r\n") << Verdict::NotNewer << 0 << "1.9.9";
        QTest::newRow("quoted fields") << QByteArray("\"300\",\"2.2.0\"\r\n") << Verdict::Newer << 46
                                       << "2.2.0";
        QTest::newRow("blanks before fields")
            << QByteArray("  300,  2.2.0\n") << Verdict::Newer << 46 << "2.2.0";
        QTest::newRow("other products first")
            << QByteArray("100,9.9.9\n200,8.0.0\n300,2.1.5\n") << Verdict::NotNewer << 0 << "2.1.5";
        QTest::newRow("first record counts")
            << QByteArray("300,2.1.5\n300,9.0.0\n") << Verdict::NotNewer << 0 << "2.1.5";
        QTest::newRow("product number compared exactly")
            << QByteArray("3000,9.0.0\n 300x,9.0.0\n") << Verdict::NoInformation << 0 << "";
        QTest::newRow("blank record ends the search")
            << QByteArray("100,1.0.0\n ,1.0.0\n300,9.0.0\n") << Verdict::NoInformation << 0 << "";
        QTest::newRow("no record of the program")
            << QByteArray("100,1.0.0\n200,2.0.0\n") << Verdict::NoInformation << 0 << "";
        QTest::newRow("empty answer") << QByteArray("\r\n") << Verdict::NoInformation << 0 << "";
        QTest::newRow("under five bytes") << QByteArray("300,") << Verdict::NoInformation << 0 << "";
        QTest::newRow("one dot only") << QByteArray("300,2.1\r\n") << Verdict::Broken << 0 << "2.1";
        QTest::newRow("not a number") << QByteArray("300,2.x.0\r\n") << Verdict::Broken << 0 << "2.x.0";
        QTest::newRow("no version field") << QByteArray("300\r\n") << Verdict::Broken << 0 << "";
        QTest::newRow("out of range") << QByteArray("300,2.1.99999\r\n") << Verdict::Broken << 0
                                      << "2.1.99999";
        QTest::newRow("an HTML page") << QByteArray("<html><body>Not here</body></html>\r\n")
                                      << Verdict::NoInformation << 0 << "";
    }

    void judgesTheProgramsRecord()
    {
        QFETCH(QByteArray, list);
        QFETCH(Verdict, verdict);
        QFETCH(int, langText);
        QFETCH(QString, listed);
        const VersionList::Check check = VersionList::judge(list, QStringLiteral("300"), {2, 1, 5});
        QCOMPARE(check.verdict, verdict);
        QCOMPARE(check.langText, langText);
        QCOMPARE(check.listed, listed);
        QCOMPARE(check.error.isEmpty(), verdict != Verdict::Broken);
    }
};

QTEST_GUILESS_MAIN(tst_VersionList)
#include "tst_VersionList.moc"
