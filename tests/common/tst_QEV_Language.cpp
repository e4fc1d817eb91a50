#include <QtTest>

#include "Paths.h"
#include "QEV_Language.h"
#include "MessageBox.h"
#include "TestSupport.h"

class tst_QEV_Language : public QObject
{
    Q_OBJECT

private:
    static void writeLanguage(const QByteArray& content)
    {
        TestSupport::writeFile(Paths::commonFolder() + QStringLiteral("/language/test.lng"), content);
    }
    static QString errorLog()
    {
        return QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")));
    }

private slots:
    void init() { MessageBoxSeam::clearShown(); QFile::remove(Paths::commonFolder() + QStringLiteral("/error.log")); }

    void sparseNumbersLeaveEmptyTexts()
    {
        writeLanguage("T0003\tStart\r\nT0001\tExit\r\n");
        QVERIFY(set_language(QStringLiteral("test.lng")));
        QCOMPARE(LangTextCount(), 3);
        QCOMPARE(LangText(1), QStringLiteral("Exit"));
        QCOMPARE(LangText(3), QStringLiteral("Start"));
        QCOMPARE(LangText(0), QString());
        QCOMPARE(LangText(2), QString());
        QCOMPARE(LangText(4), QString());
        QCOMPARE(LangText(-1), QString());
    }

    void entryLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("blanks around the text") << QByteArray("T0005\t  spaced  ") << 5 << QStringLiteral("spaced");
        QTest::newRow("later tabs belong to the text") << QByteArray("T0006\ta\tb") << 6 << QStringLiteral("a\tb");
        QTest::newRow("blanks before the T") << QByteArray("   T0007\tindented") << 7 << QStringLiteral("indented");
        QTest::newRow("number zero") << QByteArray("T0000\tzero") << 0 << QStringLiteral("zero");
        QTest::newRow("no text after the tab") << QByteArray("T0008\t") << 8 << QString();
        QTest::newRow("small t is a comment") << QByteArray("t0009\tcomment") << 9 << QString();
        QTest::newRow("utf-8 text") << QByteArray("T0010\t\xc3\xa4rger") << 10 << QString::fromUtf8("\xc3\xa4rger");
    }

    void entryLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, number);
        QFETCH(QString, text);
        writeLanguage("T0020\tlast\n" + line + "\n");
        QVERIFY(set_language(QStringLiteral("test.lng")));
        QCOMPARE(LangText(number), text);
    }

    void laterLineWins()
    {
        writeLanguage("T0005\tfirst\nT0005\tsecond\n");
        QVERIFY(set_language(QStringLiteral("test.lng")));
        QCOMPARE(LangText(5), QStringLiteral("second"));
    }

    void malformedLineIsLoggedAndSkipped()
    {
        writeLanguage("T0001\tone\nT12\tText\nT0002\ttwo\n");
        QVERIFY(set_language(QStringLiteral("test.lng")));
        QCOMPARE(LangText(1), QStringLiteral("one"));
        QCOMPARE(LangText(2), QStringLiteral("two"));
        QVERIFY(errorLog().contains(QStringLiteral("set_language of Modul QEV_Language")));
        QVERIFY(errorLog().contains(QStringLiteral("line 2")));
    }

    void missingFileTellsTheUserAndFails()
    {
        QVERIFY(!set_language(QStringLiteral("nowhere.lng")));
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.contains(QStringLiteral("nowhere.lng is missing")));
    }

    void shippedEnglishFileLoads()
    {
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
        QVERIFY(!LangText(306).isEmpty());
        QVERIFY(!LangText(127).isEmpty());
        // Texts 16 and 23 title boxes of every kind: a failed decryption, a refused name.
        QVERIFY2(LangText(16).contains(QStringLiteral("Error")) && !LangText(16).contains(QStringLiteral("Drive")),
                 qPrintable(LangText(16)));
        QVERIFY2(LangText(23).contains(QStringLiteral("Notice")) && !LangText(23).contains(QStringLiteral("version")),
                 qPrintable(LangText(23)));
    }
};

QTEST_GUILESS_MAIN(tst_QEV_Language)
#include "tst_QEV_Language.moc"
