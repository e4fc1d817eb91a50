#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "FormControls.h"
#include "Globals.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "RunLock.h"
#include "QEV_ErrorLog.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "SettingsStore.h"
#include "SystemInfo.h"
#include "TaskScheduler.h"
#include "TestSupport.h"
#include "WidgetDialogs.h"
#include "frmMain_BackUp.h"
#include "frmTaskProps.h"

namespace {

// Answers the next input boxes in order; an exhausted list answers as Cancel does.
void answerTexts(QStringList answers)
{
    WidgetDialogs::setTextAnswer([answers](const QString&, const QString&, const QString&) mutable {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    });
}

// Fills in the property pages once they are open, as a user would, and presses a button.
void whenPagesOpen(std::function<void(frmTaskProps&)> fill)
{
    QTimer::singleShot(0, [fill] {
        auto* pages = qobject_cast<frmTaskProps*>(QApplication::activeModalWidget());
        QVERIFY(pages);
        fill(*pages);
    });
}

void enableDaily(frmTaskProps& pages)
{
    pages.chkEnabled->setChecked(true);
    pages.optSchedule(1)->setChecked(true);
    pages.dtpStart->setTime(QTime(23, 15));
    pages.cmdOK->click();
}

QByteArray table() { return TestSupport::readFile(TestSupport::crontabFile()); }

void select(frmMain_BackUp& w, const QString& name)
{
    const QList<QListWidgetItem*> items = w.lstTasks->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    items.first()->setSelected(true);
}

} // namespace

// The " Schedule" tab, the utility page, the error indicator, bug report and caption export,
// driven in the real window against the file-backed crontab stand-in.
class tst_frmMain_BackUp_Tasks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(prepareMainWindowTest(UserFromLogon(SystemInfo::logonName()))); }

    void init()
    {
        QFile::remove(TestSupport::crontabFile());
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
        setPageOpenerForTests([](const QUrl&) { return true; });
    }

    void flagTexts_data()
    {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0u << QString();
        QTest::newRow("delete when done and disabled") << 6u << QStringLiteral("Delete When Done - Disabled - ");
        QTest::newRow("unknown bits") << (8u | 256u | 1024u) << QString();
        QTest::newRow("all, in their order")
            << (1u | 2u | 4u | 16u | 32u | 64u | 128u | 512u)
            << QStringLiteral("Delete When Done - Disabled - Don't Start If On Batteries - Hidden - "
                              "Interactive - Kill If Going On Batteries - Kill On Idle End - Start Only If Idle - ");
    }

    void flagTexts()
    {
        QFETCH(quint32, flags);
        QFETCH(QString, text);
        QCOMPARE(frmMain_BackUp::TaskFlagsText(flags), text);
    }

    void aNewTaskIsAskedForNamedAndShown()
    {
        frmMain_BackUp w;
        w.cmbProfiles->setEditText(QStringLiteral("Standard"));
        w.txtPathBackUp->setText(QStringLiteral("/media/my backup"));
        // Empty, blanks and Cancel make nothing and show nothing.
        for (const QString& answer : {QStringLiteral(""), QStringLiteral("   ")}) {
            answerTexts({answer});
            w.cmdNew->click();
        }
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QVERIFY(!QFile::exists(TestSupport::crontabFile()));

        answerTexts({QStringLiteral("bad|name"), QStringLiteral("Nightly")});
        whenPagesOpen(enableDaily);
        w.cmdNew->click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().at(0).text.startsWith(LangText(247) + QStringLiteral("\nPlease try again !")));
        QCOMPARE(w.lstTasks->count(), 1);
        QVERIFY(TestSupport::firstTaskLine(table()).startsWith("15 23 * * * "));

        select(w, QStringLiteral("Nightly"));
        QCOMPARE(w.lblInfo(0)->text(), TaskProgram());
        QCOMPARE(w.lblInfo(1)->text(), QStringLiteral("/run /profile:Standard /dir:/media/my backup"));
        QCOMPARE(w.lblInfo(2)->text(), QString());
        QCOMPARE(w.lblInfo(3)->text(), QString()); // never ran
        QVERIFY(QRegularExpression(QStringLiteral("^23:15:00 \\d\\d-[A-Z][a-z]{2}-\\d{4}$")).match(w.lblInfo(4)->text()).hasMatch());

        // The same name again is refused; in other capitals it is another task.
        MessageBoxSeam::clearShown();
        answerTexts({QStringLiteral("Nightly"), QStringLiteral("nightly")});
        whenPagesOpen([](frmTaskProps& pages) { pages.cmdCancel->click(); });
        w.cmdNew->click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().at(0).text.startsWith(QStringLiteral("The taskname already exists on the tasklist")));
        QCOMPARE(w.lstTasks->count(), 2);
        select(w, QStringLiteral("nightly"));
        QCOMPARE(w.lblInfo(2)->text(), QString()); // pages cancelled: as created, enabled
        QVERIFY(TestSupport::readFile(TestSupport::crontabFile()).contains("\n#"));
    }

    // OKed as it opens, a new task runs: enabled, daily, from the next full hour on. A name
    // with "/" is refused as the text says.
    void aNewTaskOpensEnabledAndDaily()
    {
        frmMain_BackUp w;
        setTaskProgramForTests(QStringLiteral("/bin/true")); // what Run Now starts
        answerTexts({QStringLiteral("a/b"), QStringLiteral("Hourly")});
        bool enabled = false;
        int kind = -1;
        QDateTime start;
        whenPagesOpen([&](frmTaskProps& pages) {
            enabled = pages.chkEnabled->isChecked();
            for (int i = 0; i < 4; ++i) {
                if (pages.optSchedule(i)->isChecked())
                    kind = i;
            }
            start = pages.dtpStart->dateTime();
            pages.cmdOK->click();
        });
        const QDateTime before = QDateTime::currentDateTime();
        w.cmdNew->click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.startsWith(LangText(247)));
        QVERIFY(enabled);
        QCOMPARE(kind, 1);
        QCOMPARE(start.time(), QTime(before.time().hour(), 0).addSecs(3600));
        select(w, QStringLiteral("Hourly"));
        QCOMPARE(w.lblInfo(2)->text(), QString());
        const QByteArray line = TestSupport::firstTaskLine(table());
        const QByteArray hourly
            = "0 " + QByteArray::number((before.time().hour() + 1) % 24) + " * * * ";
        QVERIFY2(line.startsWith(hourly), line.constData());

        // Run Now answers on the status line.
        w.txtNews->clear();
        w.cmdRun->click();
        setTaskProgramForTests({});
        QVERIFY2(w.txtNews->text().startsWith(LangText(364) + QStringLiteral(" \"Hourly\"")),
                 qPrintable(w.txtNews->text()));
    }

    // A crontab that cannot be read or written is told, with the reason, once.
    void aFailingCrontabIsTold()
    {
        const QByteArray saved = qgetenv("QUILLARO_CRONTAB");
        qputenv("QUILLARO_CRONTAB", "/nonexistent/crontab");
        {
            frmMain_BackUp w;
            w.show();
            w.SSTab1->setCurrentIndex(5);
            QCOMPARE(MessageBoxSeam::shown().size(), 1);
            QVERIFY(MessageBoxSeam::shown().first().text.startsWith(LangText(365)));
            QVERIFY(MessageBoxSeam::shown().first().text.size() > LangText(365).size() + 4);
            w.TimerRT_Timer(); // the same failure again is not told again
            QCOMPARE(MessageBoxSeam::shown().size(), 1);
            answerTexts({QStringLiteral("Nightly")});
            w.cmdNew->click();
            QCOMPARE(MessageBoxSeam::shown().size(), 2);
            QVERIFY(MessageBoxSeam::shown().last().text.startsWith(LangText(365)));
        }
        qputenv("QUILLARO_CRONTAB", saved);
    }

    void propertiesDeleteAndRunWantAChosenTask()
    {
        frmMain_BackUp w;
        answerTexts({QStringLiteral("Weekly one")});
        whenPagesOpen([](frmTaskProps& pages) { pages.cmdCancel->click(); });
        w.cmdNew->click();
        w.lstTasks->clearSelection();
        const QByteArray before = table();
        w.cmdProps->click(); // would block in its pages if it opened them
        w.cdmDelete->click();
        w.cmdRun->click();
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(table(), before);

        select(w, QStringLiteral("Weekly one"));
        whenPagesOpen([](frmTaskProps& pages) {
            pages.chkEnabled->setChecked(true);
            pages.optSchedule(2)->setChecked(true);
            pages.cmdOK->click(); // no day chosen: refused
            QCOMPARE(MessageBoxSeam::shown().size(), 1);
            pages.chkDay(6)->setChecked(true);
            pages.cmdOK->click();
        });
        w.cmdProps->click();
        QVERIFY(TestSupport::firstTaskLine(table()).contains(" * * 0 cd "));
        QVERIFY(w.lstTasks->findItems(QStringLiteral("Weekly one"), Qt::MatchExactly).first()->isSelected());

        MessageBoxSeam::scriptAnswer(MsgResult::No);
        w.cdmDelete->click();
        QCOMPARE(w.lstTasks->count(), 1);
        QVERIFY(MessageBoxSeam::shown().last().text.contains(QStringLiteral("Weekly one")));
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        w.cdmDelete->click();
        QCOMPARE(w.lstTasks->count(), 0);
        QVERIFY(TestSupport::firstTaskLine(table()).isEmpty());
    }

    void theListFollowsTheTableWhileItsPageIsShown()
    {
        frmMain_BackUp w;
        w.show();
        QVERIFY(!w.TimerRT->isActive());
        TaskScheduler outside;
        ScheduledTask task;
        task.name = QStringLiteral("made elsewhere");
        task.program = QStringLiteral("/bin/true");
        task.trigger.start = QDateTime(QDate(2030, 1, 1), QTime(1, 0));
        QVERIFY(outside.save(task, nullptr));
        w.SSTab1->setCurrentIndex(5);
        QVERIFY(w.TimerRT->isActive());
        QCOMPARE(w.TimerRT->interval(), 5000);
        QCOMPARE(w.lstTasks->count(), 1);
        select(w, task.name);
        QCOMPARE(w.lblInfo(0)->text(), QStringLiteral("/bin/true"));

        // A run of the task leaves its time; the next rebuild keeps the choice and shows it.
        QVERIFY(TaskScheduler::recordLastRun(task.name, QDateTime(QDate(2026, 12, 9), QTime(3, 4, 5))));
        w.TimerRT_Timer();
        QVERIFY(w.lstTasks->item(0)->isSelected());
        QCOMPARE(w.lblInfo(3)->text(), QStringLiteral("03:04:05 09-Dec-2026"));
        QVERIFY(outside.remove(task.name, nullptr));
        w.TimerRT_Timer();
        QCOMPARE(w.lstTasks->count(), 0);
        QCOMPARE(w.lblInfo(0)->text(), QString());

        w.SSTab2->setCurrentIndex(1);
        QVERIFY(!w.TimerRT->isActive());
        w.SSTab2->setCurrentIndex(0);
        QVERIFY(w.TimerRT->isActive());
        w.SSTab1->setCurrentIndex(0);
        QVERIFY(!w.TimerRT->isActive());
    }

    // Made in the window, run as cron runs it while another instance of the program is open.
    void aTaskMadeInTheWindowBacksUpAsCronRunsIt()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/keep.txt"), "kept");
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest")) + QStringLiteral("/it's $HOME; `x` 100% /run /profile:x");
        const QString profile = QStringLiteral("QEV\\Quillaro\\") + g_User + QStringLiteral("\\Standard");
        for (const auto& [key, value] : {std::pair{"txtPathTemp", Paths::tempFolder()},
                                         std::pair{"chkAppendArchive", QStringLiteral("0")},
                                         std::pair{"chkEncrypt", QStringLiteral("0")}})
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key), value);
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{src + QStringLiteral("/*.*"), true}}, &error));

        setTaskProgramForTests(QStringLiteral(QUILLARO_BINARY));
        frmMain_BackUp w;
        w.cmbProfiles->setEditText(QStringLiteral("Standard"));
        w.txtPathBackUp->setText(dest);
        answerTexts({QStringLiteral("Nightly")});
        whenPagesOpen(enableDaily);
        w.cmdNew->click();
        setTaskProgramForTests({});

        QFile::remove(ErrorLogPath());
        QProcess open;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLARO_NO_DIALOGS"), QStringLiteral("1"));
        open.setProcessEnvironment(env);
        open.start(QStringLiteral(QUILLARO_BINARY), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readFile(ErrorLogPath()).contains("End of Header"), 30000);

        QString output;
        QCOMPARE(TestSupport::runAsCron(TestSupport::asCronWould(TestSupport::firstTaskLine(table())), &output), 0);
        QCOMPARE(open.state(), QProcess::Running);
        const QStringList zips = QDir(dest).entryList({QStringLiteral("*.zip")}, QDir::Files);
        QCOMPARE(zips.size(), 1);
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), dest + QLatin1Char('/') + zips.first()}), 0);
        QVERIFY(TaskScheduler::lastRun(QStringLiteral("Nightly")).isValid());
        w.RefreshList();
        select(w, QStringLiteral("Nightly"));
        QVERIFY(!w.lblInfo(3)->text().isEmpty());
        open.terminate();
        QVERIFY(open.waitForFinished(10000));
    }

    // The counters are shown a few times a second during a run: at its end they hold the last
    // values all the same.
    void theCountersHoldTheLastValuesAtTheEndOfARun()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("counted"));
        for (int i = 0; i < 3; ++i)
            TestSupport::writeFile(src + QStringLiteral("/f%1.txt").arg(i), QByteArray(2048, 'a' + i));
        const QString dest = TestSupport::freshFolder(QStringLiteral("counted-dest"));
        frmMain_BackUp w;
        w.cmbProfiles->setEditText(QStringLiteral("Counted"));
        w.txtPathBackUp->setText(dest);
        w.txtPathTemp->setText(Paths::tempFolder());
        w.txtSpareSpace->setText(QStringLiteral("0"));
        w.chkAppendArchive->setCheckState(Qt::Unchecked);
        w.chkEncrypt->setCheckState(Qt::Unchecked);
        w.chkMedia->setCheckState(Qt::Checked);
        w.List1->clear();
        setListSelected(w.List1, listAddItem(w.List1, src + QStringLiteral("/*.*")), true);
        w.cmdBackUpNow();
        QTRY_VERIFY(!w.isRunActive());
        QVERIFY2(w.runExitCode() == 0, qPrintable(w.txtNews->text() + QString::fromUtf8(TestSupport::readFile(ErrorLogPath()))));
        QCOMPARE(w.txtTotalFiles->text(), QStringLiteral("3"));
        QCOMPARE(w.txtAnzFiles->text(), QStringLiteral("3"));
        QVERIFY(!w.txtZipArchive->text().isEmpty());
    }

    void aSecondRunOfABusyProfileIsRefused()
    {
        frmMain_BackUp w;
        w.cmbProfiles->setEditText(QStringLiteral("Busy"));
        RunLock held(QStringLiteral("busy"));
        QVERIFY(held.tryAcquire());
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdBackUpNow();
        QVERIFY(!w.isRunActive());
        QCOMPARE(w.runExitCode(), 1);
        QVERIFY(w.txtNews->text().contains(QStringLiteral("is busy")));
        QVERIFY(TestSupport::readFile(ErrorLogPath()).contains("is busy"));
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Tasks)
#include "tst_frmMain_BackUp_Tasks.moc"
