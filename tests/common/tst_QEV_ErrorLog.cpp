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
