#include <QtTest>

#include "Paths.h"
#include "TestSupport.h"

// Starts the real program, as a user or a scheduled task would.
class tst_Startup : public QObject
{
    Q_OBJECT

private:
    static void startProgram(QProcess& p, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLARO_NO_DIALOGS"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QStringLiteral(QUILLARO_BINARY), args);
        QVERIFY(p.waitForStarted());
    }
    static int runToEnd(const QStringList& args, QString* stderrText)
    {
        QProcess p;
        startProgram(p, args);
        if (!p.waitForFinished(60000)) {
            p.kill();
            return -999;
        }
        *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }
    static QString log() { return QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log"))); }
    static QString settings() { return QString::fromUtf8(TestSupport::readFile(Paths::baseFolder() + QStringLiteral("/settings.ini"))); }

private slots:
    void firstStartKeepsRunningAndASecondEnds()
    {
        QProcess first;
        startProgram(first, {});
        QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("End of Header")), 30000);
        QVERIFY(log().startsWith(QStringLiteral("########  q.e.v error log file - created ")));
        QVERIFY(settings().contains(QStringLiteral("ProgramVersion=")));
        QVERIFY(QFile::exists(Paths::commonFolder() + QStringLiteral("/language/english.lng")));
        QCOMPARE(first.state(), QProcess::Running);

        QString err;
        QCOMPARE(runToEnd({}, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("Another instance")), qPrintable(err));

        err.clear();
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/profile:Standard")}, &err), 1);
        QVERIFY(!err.contains(QStringLiteral("message box")));
        QVERIFY(log().contains(QStringLiteral("another instance is running")));

        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void unattendedRunOfAnUnknownProfileRunsNothing()
    {
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/profile:NoSuchProfile")}, &err), 1);
        QVERIFY(log().contains(QStringLiteral("no profile of that name: \"NoSuchProfile\"")));
        QVERIFY(!err.contains(QStringLiteral("message box")));
    }

    void unattendedRunSetsTheFolderAndSaysNoRunTookPlace()
    {
        const QString dest = Paths::baseFolder() + QStringLiteral("/dest/deeper");
        QString err;
        QCOMPARE(runToEnd({QStringLiteral("/run"), QStringLiteral("/dir:") + dest + QLatin1Char('/')}, &err), 1);
        QVERIFY(QFileInfo(dest).isDir());
        QVERIFY(log().contains(QStringLiteral("nothing was backed up")));
    }

    void missingLanguageFileEndsStartUp()
    {
        QFile::remove(Paths::commonFolder() + QStringLiteral("/language/english.lng"));
        QFile lang(Paths::commonFolder() + QStringLiteral("/language/english.lng"));
        // A folder in its place keeps start-up from copying the shipped file again.
        QVERIFY(QDir().mkpath(Paths::commonFolder() + QStringLiteral("/language/english.lng")));
        QString err;
        QCOMPARE(runToEnd({}, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("is missing")) || log().contains(QStringLiteral("set_language")),
                 qPrintable(err));
        QDir(Paths::commonFolder() + QStringLiteral("/language/english.lng")).removeRecursively();
    }

    void noDisplayInteractiveStartFails()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLARO_BINARY), {});
        QVERIFY(p.waitForFinished(30000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("no display")));
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_Startup.moc"
