#include <QtTest>

#include <unistd.h>

#include "QEV_ErrorLog.h"
#include "QEV_modShutDown.h"
#include "TestSupport.h"

namespace {

QString recorderLog()
{
    return QFileInfo(qEnvironmentVariable("QUILLARO_SHUTDOWN_COMMAND")).path()
           + QStringLiteral("/shutdown.log");
}

QString errorLog() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

} // namespace

class tst_QEV_modShutDown : public QObject
{
    Q_OBJECT

private:
    QString m_recorder = qEnvironmentVariable("QUILLARO_SHUTDOWN_COMMAND");

private slots:
    void init()
    {
        QVERIFY(!m_recorder.isEmpty()); // never without the harmless stand-in
        qputenv("QUILLARO_SHUTDOWN_COMMAND", m_recorder.toLocal8Bit());
        QFile::remove(recorderLog());
        QFile::remove(ErrorLogPath());
    }

    void flags_data()
    {
        QTest::addColumn<int>("exitMode");
        QTest::addColumn<int>("forceMode");
        QTest::addColumn<int>("flags");
        QTest::newRow("power off, forced") << 8 << 1 << 13;
        QTest::newRow("restart") << 2 << 0 << 3;
        QTest::newRow("shut down") << 1 << 0 << 1;
        QTest::newRow("log off, hung programs only") << 4 << 2 << 16;
        QTest::newRow("log off, forced") << 4 << 1 << 4;
        QTest::newRow("unknown mode logs off") << 7 << 0 << 0;
    }

    void flags()
    {
        QFETCH(int, exitMode);
        QFETCH(int, forceMode);
        QFETCH(int, flags);
        QCOMPARE(ExitFlags(exitMode, forceMode), flags);
    }

    void everyModeRunsItsCommand_data()
    {
        QTest::addColumn<int>("exitMode");
        QTest::addColumn<int>("forceMode");
        QTest::addColumn<QString>("command");
        const QString logOff =
            QStringLiteral("loginctl terminate-user ") + QString::number(getuid());
        QTest::newRow("power off, forced")
            << 8 << 1 << QStringLiteral("systemctl poweroff --ignore-inhibitors");
        QTest::newRow("power off") << 8 << 0 << QStringLiteral("systemctl poweroff");
        QTest::newRow("shut down") << 1 << 0 << QStringLiteral("systemctl poweroff");
        QTest::newRow("restart") << 2 << 0 << QStringLiteral("systemctl reboot");
        QTest::newRow("restart, hung programs only")
            << 2 << 2 << QStringLiteral("systemctl reboot --ignore-inhibitors");
        QTest::newRow("log off") << 4 << 0 << logOff;
        QTest::newRow("log off, forced") << 4 << 1 << logOff;
        QTest::newRow("unknown mode logs off") << 3 << 0 << logOff;
    }

    void everyModeRunsItsCommand()
    {
        QFETCH(int, exitMode);
        QFETCH(int, forceMode);
        QFETCH(QString, command);
        ExitWindowsSession(exitMode, forceMode);
        QCOMPARE(QString::fromUtf8(TestSupport::readFile(recorderLog())),
                 command + QLatin1Char('\n'));
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void aRefusedShutdownIsReported()
    {
        const QString refuser =
            TestSupport::freshFolder(QStringLiteral("refuser")) + QStringLiteral("/refuse");
        TestSupport::writeFile(refuser, "#!/bin/sh\necho 'Access denied' >&2\nexit 1\n");
        QFile::setPermissions(refuser, QFile::ReadOwner | QFile::ExeOwner);
        qputenv("QUILLARO_SHUTDOWN_COMMAND", refuser.toLocal8Bit());
        ExitWindowsSession(8, 1);
        const QString log = errorLog();
        QVERIFY2(log.contains(QStringLiteral("ExitWindowsSession of Modul QEV_modShutDown")),
                 qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("Access denied")));
        QVERIFY(log.contains(QStringLiteral("poweroff")));
    }

    void aMissingCommandIsReported()
    {
        qputenv("QUILLARO_SHUTDOWN_COMMAND", "/nonexistent/shutdown-command");
        ExitWindowsSession(2, 0);
        QVERIFY(errorLog().contains(QStringLiteral("ExitWindowsSession of Modul QEV_modShutDown")));
    }
};

QTEST_GUILESS_MAIN(tst_QEV_modShutDown)
#include "tst_QEV_modShutDown.moc"
