#include <QTest>

#include "ProfileName.h"

// The rule for a new profile's name.
class tst_ProfileName : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
};

void tst_ProfileName::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("plain") << "Work" << true;
    QTest::newRow("blanks and brackets") << " Photos [ext] " << true;
    QTest::newRow("inner dot") << "v1.2" << true;
    QTest::newRow("unicode") << "Büro" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << "   " << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dotdot") << ".." << false;
    QTest::newRow("leading dot") << ".hidden" << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("colon") << "a:b" << false;
    QTest::newRow("question mark") << "a?" << false;
    QTest::newRow("star") << "*" << false;
    QTest::newRow("less") << "a<b" << false;
    QTest::newRow("greater") << "a>b" << false;
    QTest::newRow("bar") << "a|b" << false;
    QTest::newRow("double quote") << "say \"hi\"" << false;
    QTest::newRow("line break") << "a\nb" << false;
    QTest::newRow("carriage return") << "a\rb" << false;
    QTest::newRow("215 bytes") << QString(215, u'x') << true;
    QTest::newRow("216 bytes") << QString(216, u'x') << false;
    QTest::newRow("300 characters") << QString(300, u'x') << false;
    QTest::newRow("108 two-byte letters") << QString(108, u'ü') << false;
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << false;
}

void tst_ProfileName::names()
{
    QFETCH(QString, name);
    QFETCH(bool, allowed);
    QString why = QStringLiteral("stale");
    QCOMPARE(ProfileName::isAllowed(name, &why), allowed);
    QCOMPARE(why.isEmpty(), allowed);
}

QTEST_GUILESS_MAIN(tst_ProfileName)
#include "tst_ProfileName.moc"
