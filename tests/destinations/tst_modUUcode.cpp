#include <QtTest>

#include "QEV_ErrorLog.h"
#include "TestSupport.h"
#include "modUUcode.h"

class tst_modUUcode : public QObject
{
    Q_OBJECT

private slots:
    // The whole output for inputs at the edges of a line and of a three-byte group.
    void encodesFile_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray() << QByteArray(" \r\n");
        QTest::newRow("45 bytes") << QByteArray(45, 'A')
                                  << QByteArray("M" + QByteArray("04%!").repeated(15) + "\r\n \r\n");
        QTest::newRow("46 bytes") << QByteArray(46, 'A')
                                  << QByteArray("M" + QByteArray("04%!").repeated(15) + "\r\n!00``\r\n");
        QTest::newRow("three zero bytes") << QByteArray(3, '\0') << QByteArray("#````\r\n");
        QTest::newRow("remainder of 14 starts with a dot")
            << QByteArray("Hello, world!\n") << QByteArray(".2&5L;&\\L('=O<FQD(0H`\r\n");
    }
    void encodesFile()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, body);
        const QString dir = TestSupport::freshFolder(QStringLiteral("uu"));
        const QString in = dir + QStringLiteral("/sub/a.zip");
        TestSupport::writeFile(in, input);
        const QString out = dir + QStringLiteral("/Temp.dat");
        QCOMPARE(UUEncodeFile(in, out, true), 0);
        QCOMPARE(TestSupport::readFile(out), "\r\nbegin 600 a.zip\r\n" + body + "`\r\nend\r\n");
        // Appending adds the next file after an empty line; a new file starts without it.
        QCOMPARE(UUEncodeFile(in, out, true), 0);
        QCOMPARE(TestSupport::readFile(out), QByteArray("\r\nbegin 600 a.zip\r\n" + body + "`\r\nend\r\n").repeated(2));
        QCOMPARE(UUEncodeFile(in, out, false), 0);
        QCOMPARE(TestSupport::readFile(out), "begin 600 a.zip\r\n" + body + "`\r\nend\r\n");
    }

    void padsInPlace()
    {
        QByteArray text("ab");
        QCOMPARE(UUEncode(text), QByteArray("86(`"));
        QCOMPARE(text, QByteArray("ab\0", 3));
    }

    void reportsWhatStoppedIt()
    {
        const QString dir = TestSupport::freshFolder(QStringLiteral("uu-fail"));
        const QString out = dir + QStringLiteral("/Temp.dat");
        QCOMPARE(UUEncodeFile(dir + QStringLiteral("/missing.zip"), out, true), ErrNo::FileNotFound);
        QVERIFY(!QFile::exists(out));
        TestSupport::writeFile(dir + QStringLiteral("/a.zip"), "x");
        QVERIFY(UUEncodeFile(dir + QStringLiteral("/a.zip"), dir + QStringLiteral("/no/such/Temp.dat"), true) != 0);
    }
};

QTEST_GUILESS_MAIN(tst_modUUcode)
#include "tst_modUUcode.moc"
