#include <QtTest>

#include "Globals.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "TestSupport.h"

namespace {

QStringList logLines()
{
    return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class tst_QEV_ErrorLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(Paths::commonFolder()).removeRecursively();
        setMainWindowErrorHooks({});
    }

    void headerOnlyWhenTheFolderExistsAndTheLogDoesNot()
    {
        Ini_ErrorLog();
        QVERIFY(!QFile::exists(ErrorLogPath()));
        QDir().mkpath(Paths::commonFolder());
        g_User = QStringLiteral("ALICE");
        g_MachineID = QStringLiteral("000000042");
        g_Company = QStringLiteral("MYCOMPANY");
        Ini_ErrorLog();
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines.first().startsWith(QStringLiteral("########  q.e.v error log file - created ")));
        QCOMPARE(lines.at(1), QStringLiteral("300 ALICE 000000042 MYCOMPANY"));
        QCOMPARE(lines.last(), QStringLiteral("########  End of Header  ##########"));
        Ini_ErrorLog();
        QCOMPARE(logLines().size(), 7);
    }

    void errorLineFieldsAndNoHeaderWhenAReportCreatesTheLog()
    {
        ErrorMsg(true, QStringLiteral("Quillaro"), QStringLiteral("X of Modul Y"), 12, -5, QString());
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 1);
        const QString expectedTail = QStringLiteral("  Quillaro : 300 v.") + QString::number(kVersionMajor)
                                     + QLatin1Char('.') + QString::number(kVersionMinor) + QLatin1Char('.')
                                     + QString::number(kVersionRevision)
                                     + QStringLiteral("  X of Modul Y  12  -5  ");
        QVERIFY2(lines.first().endsWith(expectedTail), qPrintable(lines.first()));
        Ini_ErrorLog();
        QCOMPARE(logLines().size(), 1);
    }

    void valueLinePrintForm()
    {
        WriteErrorLog(QStringLiteral("/a path"), 42, -3, QVariant(), QStringLiteral("end"));
        QCOMPARE(logLines().last(), QStringLiteral("/a path 42 -3 end"));
    }

    void everyEntryStaysOnOneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("line feed") << QStringLiteral("/home/a\n01.01.2026 00:00:00  forged")
                                   << QStringLiteral("/home/a\\x0A01.01.2026 00:00:00  forged");
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("a\\x0Db");
        QTest::newRow("tab and escape") << QStringLiteral("a\tb\x1B") << QStringLiteral("a\\x09b\\x1B");
        QTest::newRow("next line") << QStringLiteral("a\u0085b") << QStringLiteral("a\\x85b");
        QTest::newRow("line separator") << QStringLiteral("a\u2028b\u2029") << QStringLiteral("a\\u2028b\\u2029");
        QTest::newRow("printable text stays") << QStringLiteral("Grüße \\x41 ok") << QStringLiteral("Grüße \\x41 ok");
    }

    void everyEntryStaysOnOneLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        ReportError(QStringLiteral("label"), 1, text);
        WriteErrorLog(text, 7);
        const QStringList lines = QString::fromUtf8(TestSupport::readFile(ErrorLogPath())).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3); // two entries and the end of the last one
        QVERIFY2(lines.at(0).endsWith(QStringLiteral("  label  0  1  ") + written), qPrintable(lines.at(0)));
        QCOMPARE(lines.at(1), written + QStringLiteral(" 7 "));
    }

    void indicatorHookRunsAndReporterDoesNotRecurse()
    {
        int calls = 0;
        setMainWindowErrorHooks({[&calls] {
                                     ++calls;
                                     ReportError(QStringLiteral("inner"), 1, QStringLiteral("nested"));
                                 },
                                 {}, {}});
        ReportError(QStringLiteral("outer"), 1, QStringLiteral("first"));
        QCOMPARE(calls, 1);
        QCOMPARE(logLines().size(), 1);
        setMainWindowErrorHooks({});
    }

    void unwritableLogLosesTheLineQuietly()
    {
        QDir().mkpath(ErrorLogPath()); // a folder where the log should be
        ReportError(QStringLiteral("lost"), 1, QStringLiteral("nowhere to go"));
        QVERIFY(QFileInfo(ErrorLogPath()).isDir());
    }
};

QTEST_GUILESS_MAIN(tst_QEV_ErrorLog)
#include "tst_QEV_ErrorLog.moc"
