#include <QtTest>

#include "ProcessRunner.h"
#include "QEV_ErrorLog.h"
#include "QEV_ShellAndWait.h"
#include "TestSupport.h"

namespace {

qint64 startShell(const QString& script)
{
    QString error;
    const qint64 id = ProcessRunner::start(
        QStringLiteral("/bin/sh"), QStringLiteral("-c \"") + script + QLatin1Char('"'), &error);
    if (id == 0)
        qWarning("%s", qPrintable(error));
    return id;
}

QString errorLog() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

} // namespace

class tst_QEV_ShellAndWait : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ErrorLogPath()); }

    void givesTheExitCode_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("success") << QStringLiteral("exit 0") << 0;
        QTest::newRow("failure") << QStringLiteral("exit 7") << 7;
        QTest::newRow("argument text split as a shell does")
            << QStringLiteral("test 'a b' = 'a b'") << 0;
    }

    void givesTheExitCode()
    {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        const qint64 id = startShell(script);
        QVERIFY(id > 0);
        QCOMPARE(fWait(id), exitCode);
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void keepsTheWindowAliveWhileItWaits()
    {
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
        timer.start(10);
        const qint64 id = startShell(QStringLiteral("sleep 0.3; exit 4"));
        QCOMPARE(fWait(id), 4);
        QVERIFY(ticks > 3);
    }

    void aProgramThatHasEndedGivesItsCodeAtOnce()
    {
        const qint64 id = startShell(QStringLiteral("exit 5"));
        QCOMPARE(fWait(id), 5);
        QCOMPARE(fWait(id), 5);
    }

    void anUnknownIdGivesZeroAndIsReported()
    {
        QCOMPARE(fWait(999999999), 0);
        QVERIFY(errorLog().contains(QStringLiteral("fWait of Modul QEV_ShellAndWait")));
    }

    void aCrashIsReported()
    {
        const qint64 id = startShell(QStringLiteral("kill -KILL $$"));
        QCOMPARE(fWait(id), -1);
        QVERIFY(errorLog().contains(QStringLiteral("ended abnormally")));
    }

    void aProgramThatCannotStartGivesNoId()
    {
        QString error;
        QCOMPARE(ProcessRunner::start(QStringLiteral("/nonexistent/program"), {}, &error), 0);
        QVERIFY(!error.isEmpty());
    }

    void argumentsSplitAsAShellDoes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        const auto row = [](const char* tag, const char* text, QStringList words) {
            QTest::newRow(tag) << QString::fromUtf8(text) << words;
        };
        row("blanks", "  a   b ", {QStringLiteral("a"), QStringLiteral("b")});
        row("single quotes", "-c 'echo a; b'", {QStringLiteral("-c"), QStringLiteral("echo a; b")});
        row("double quotes", "\"a b\" c", {QStringLiteral("a b"), QStringLiteral("c")});
        row("quote inside quotes", "'say \"hi\"'", {QStringLiteral("say \"hi\"")});
        row("backslash", "a\\ b", {QStringLiteral("a b")});
        row("empty quotes", "'' x", {QString(), QStringLiteral("x")});
        row("glued", "pre'fix'post", {QStringLiteral("prefixpost")});
        row("nothing", "", {});
    }

    void argumentsSplitAsAShellDoes()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(ProcessRunner::splitArguments(text), words);
    }
};

QTEST_GUILESS_MAIN(tst_QEV_ShellAndWait)
#include "tst_QEV_ShellAndWait.moc"
