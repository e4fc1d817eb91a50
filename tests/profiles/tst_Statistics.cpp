#include <QTest>

#include "Statistics.h"

// The statistics arithmetic, in the C locale the tests run in (grouping ",", point ".").
class tst_Statistics : public QObject
{
    Q_OBJECT

private slots:
    void averageOverThreeRuns();
    void averageRoundsTheRunTime_data();
    void averageRoundsTheRunTime();
    void groupedAverageReadsBack();
    void sizesAddInPlainForm();
    void countAndFiles();
    void filesBeyond32BitsFail();
    void wordsAreNoNumbers();
    void storedInTheCLocaleWhateverTheUsers();
};

void tst_Statistics::averageOverThreeRuns()
{
    QString average;
    QString error;
    QVERIFY(Statistics::newAverage(QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("10"),
                                   &average, &error));
    QCOMPARE(average, QStringLiteral("10"));
    QVERIFY(Statistics::newAverage(QStringLiteral("1"), average, QStringLiteral("20"), &average,
                                   &error));
    QCOMPARE(average, QStringLiteral("15.00"));
    QVERIFY(Statistics::newAverage(QStringLiteral("2"), average, QStringLiteral("45"), &average,
                                   &error));
    QCOMPARE(average, QStringLiteral("25.00"));
}

void tst_Statistics::averageRoundsTheRunTime_data()
{
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("average");
    QTest::newRow("fraction up") << "20.6"
                                 << "15.50";
    QTest::newRow("half to even down") << "20.5"
                                       << "15.00";
    QTest::newRow("half to even up") << "21.5"
                                     << "16.00";
}

void tst_Statistics::averageRoundsTheRunTime()
{
    QFETCH(QString, seconds);
    QFETCH(QString, average);
    QString result;
    QString error;
    QVERIFY(Statistics::newAverage(QStringLiteral("1"), QStringLiteral("10"), seconds, &result,
                                   &error));
    QCOMPARE(result, average);
}

void tst_Statistics::groupedAverageReadsBack()
{
    QString result;
    QString error;
    QVERIFY(Statistics::newAverage(QStringLiteral("1"), QStringLiteral("1234.5"),
                                   QStringLiteral("1234.5"), &result, &error));
    QCOMPARE(result, QStringLiteral("1,234.25")); // 1234.5 and the run's 1234
    QVERIFY(Statistics::newAverage(QStringLiteral("2"), result, QStringLiteral("1234"), &result,
                                   &error));
    QCOMPARE(result, QStringLiteral("1,234.17"));
}

void tst_Statistics::sizesAddInPlainForm()
{
    QString sum;
    QString error;
    QVERIFY(Statistics::addSize(QStringLiteral("1200"), QStringLiteral("34.07"), &sum, &error));
    QCOMPARE(sum, QStringLiteral("1234.07"));
    QVERIFY(Statistics::addSize(QStringLiteral("0"), QStringLiteral("12.50"), &sum, &error));
    QCOMPARE(sum, QStringLiteral("12.5"));
}

void tst_Statistics::countAndFiles()
{
    QString value;
    QString error;
    QVERIFY(Statistics::nextCount(QStringLiteral("2"), &value, &error));
    QCOMPARE(value, QStringLiteral("3"));
    QVERIFY(Statistics::addFiles(QStringLiteral("1,000"), QStringLiteral("24"), &value, &error));
    QCOMPARE(value, QStringLiteral("1024"));
}

void tst_Statistics::filesBeyond32BitsFail()
{
    QString value;
    QString error;
    QVERIFY(!Statistics::addFiles(QStringLiteral("2147483000"), QStringLiteral("1000"), &value,
                                  &error));
    QVERIFY(!error.isEmpty());
}

void tst_Statistics::wordsAreNoNumbers()
{
    QString value;
    QString error;
    QVERIFY(!Statistics::addSize(QStringLiteral("lots"), QStringLiteral("1"), &value, &error));
    QVERIFY(error.contains(QStringLiteral("lots")));
    QVERIFY(!Statistics::nextCount(QStringLiteral("N/A"), &value, &error));
}

// A German user's run figures are read in their form; what is stored reads anywhere.
void tst_Statistics::storedInTheCLocaleWhateverTheUsers()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QString sum;
    QString average;
    QString error;
    const bool added
        = Statistics::addSize(QStringLiteral("1200.5"), QStringLiteral("34,07"), &sum, &error);
    const bool averaged = Statistics::newAverage(QStringLiteral("1"), QStringLiteral("1234.5"),
                                                 QStringLiteral("1234"), &average, &error);
    QLocale::setDefault(QLocale::c());
    QVERIFY2(added && averaged, qPrintable(error));
    QCOMPARE(sum, QStringLiteral("1234.57"));
    QCOMPARE(average, QStringLiteral("1,234.25"));
}

QTEST_GUILESS_MAIN(tst_Statistics)
#include "tst_Statistics.moc"
