#include <QTest>

#include "NumberText.h"

// The one number reading of the option boxes and the run.
class tst_NumberText : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void numericTest_data();
    void numericTest();
    void wholeNumber_data();
    void wholeNumber();
    void readsTheSameUnderAnotherLocale();
};

void tst_NumberText::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits then letters") << QStringLiteral("12ab") << 12.0;
    QTest::newRow("letters") << QStringLiteral("ab") << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("blanks inside") << QStringLiteral(" 1 2.5") << 12.5;
    QTest::newRow("negative") << QStringLiteral("-7.9") << -7.9;
    QTest::newRow("decimal comma stops") << QStringLiteral("2,5") << 2.0;
    QTest::newRow("leading point") << QStringLiteral(".5x") << 0.5;
    QTest::newRow("exponent") << QStringLiteral("1e3") << 1000.0;
    QTest::newRow("second point stops") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("exponent without digits stops") << QStringLiteral("2e+x") << 2.0;
    QTest::newRow("signed point and exponent") << QStringLiteral("+.5e-1") << 0.05;
    QTest::newRow("point alone") << QStringLiteral(".e1") << 0.0;
    QTest::newRow("other digits") << QStringLiteral("\u0663") << 0.0;
}

void tst_NumberText::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::leadingNumber(text), value);
}

void tst_NumberText::numericTest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("whole") << QStringLiteral("100") << true << 100.0;
    QTest::newRow("blanks around") << QStringLiteral("  0.7 ") << true << 0.7;
    QTest::newRow("sign") << QStringLiteral("-3") << true << -3.0;
    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("letters") << QStringLiteral("abc") << false << 0.0;
    QTest::newRow("trailing letters") << QStringLiteral("12ab") << false << 0.0;
    QTest::newRow("decimal comma") << QStringLiteral("2,5") << false << 0.0;
    QTest::newRow("grouping") << QStringLiteral("1,000") << false << 0.0;
    QTest::newRow("infinity") << QStringLiteral("inf") << false << 0.0;
    QTest::newRow("not a number") << QStringLiteral("nan") << false << 0.0;
    QTest::newRow("overflowing exponent") << QStringLiteral("1e999") << false << 0.0;
    QTest::newRow("trailing point") << QStringLiteral("5.") << true << 5.0;
    QTest::newRow("exponent without digits") << QStringLiteral("1e") << false << 0.0;
    QTest::newRow("signed exponent") << QStringLiteral("-1.5E+2") << true << -150.0;
    QTest::newRow("sign alone") << QStringLiteral("-") << false << 0.0;
    QTest::newRow("other digits") << QStringLiteral("\u0663") << false << 0.0;
}

void tst_NumberText::numericTest()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    double parsed = 0;
    QCOMPARE(NumberText::isNumeric(text, &parsed), numeric);
    if (numeric)
        QCOMPARE(parsed, value);
}

void tst_NumberText::wholeNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("whole");
    QTest::newRow("half to even down") << 2.5 << true << 2;
    QTest::newRow("half to even up") << 3.5 << true << 4;
    QTest::newRow("negative half") << -2.5 << true << -2;
    QTest::newRow("largest") << 2147483647.0 << true << 2147483647;
    QTest::newRow("one past the largest") << 2147483648.0 << false << 0;
    QTest::newRow("below the smallest") << -2147483649.0 << false << 0;
}

void tst_NumberText::wholeNumber()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, whole);
    qint32 result = 0;
    QCOMPARE(NumberText::toWhole32(value, &result), fits);
    QCOMPARE(result, whole);
}

// A desktop in a language with a decimal comma reads the boxes as the run does.
void tst_NumberText::readsTheSameUnderAnotherLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    double value = 0;
    const bool numeric = NumberText::isNumeric(QStringLiteral("0.7"), &value);
    const double leading = NumberText::leadingNumber(QStringLiteral("2,5"));
    QLocale::setDefault(before);
    QVERIFY(numeric);
    QCOMPARE(value, 0.7);
    QCOMPARE(leading, 2.0);
}

QTEST_GUILESS_MAIN(tst_NumberText)
#include "tst_NumberText.moc"
