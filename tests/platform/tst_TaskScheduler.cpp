#include <QtTest>

#include "CronTable.h"
#include "Paths.h"
#include "RunLock.h"
#include "TaskScheduler.h"
#include "TestSupport.h"

namespace {

// Lines a user wrote by hand: comments, settings, odd spacing, a "%" of cron's own.
const QByteArray kForeign = "# my own jobs\n"
                            "MAILTO=\"\"\n"
                            "*/5 * * * *   /usr/bin/true  # keep   spacing\n"
                            "0 3 * * 1 date +\\%F >> /tmp/never-run.log\n"
                            "\n"
                            "@reboot echo 'caf\xc3\xa9'\n";

ScheduledTask sampleTask(const QString& name)
{
    ScheduledTask task;
    task.name = name;
    task.program = QStringLiteral("/opt/quillaro/quillaro");
    task.arguments = {QStringLiteral("/run"), QStringLiteral("/profile:Standard"),
                      QStringLiteral("/dir:/backup")};
    task.comment = QStringLiteral("Tendravel Scheduler");
    task.workingFolder = QStringLiteral("/opt/quillaro");
    task.flags = TaskFlag::Disabled;
    task.trigger.kind = TaskTrigger::Kind::Daily;
    task.trigger.start = QDateTime(QDate(2026, 12, 10), QTime(21, 30));
    return task;
}

// An argument-echo helper in a folder whose name is hostile itself: it writes each argument
// and the task's variables, NUL-separated, beside itself.
QString echoHelper()
{
    const QString folder = TestSupport::freshFolder(QStringLiteral("prog dir's $x;`%"));
    const QString helper = folder + QStringLiteral("/echo args");
    TestSupport::writeFile(helper, "#!/bin/sh\n"
                                   "out=\"$(dirname \"$0\")/args.out\"\n"
                                   "printf '%s\\0' \"$QUILLARO_TASK\" \"$QUILLARO_HOME\" \"$PWD\" > \"$out.tmp\"\n"
                                   "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$out.tmp\"; done\n"
                                   "mv \"$out.tmp\" \"$out\"\n");
    QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return helper;
}

QStringList echoed(const QString& helper)
{
    const QByteArray out = TestSupport::readFile(QFileInfo(helper).path() + QStringLiteral("/args.out"));
    QStringList words;
    for (const QByteArray& word : out.split('\0'))
        words.append(QString::fromUtf8(word));
    words.removeLast(); // after the last NUL
    return words;
}

} // namespace

class tst_TaskScheduler : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(qEnvironmentVariable("QUILLARO_CRONTAB").endsWith(QStringLiteral("crontab-standin")));
        QFile::remove(TestSupport::crontabFile());
    }

    void tasksAreCreatedListedChangedAndDeletedBesideForeignLines()
    {
        TestSupport::writeFile(TestSupport::crontabFile(), kForeign);
        TaskScheduler scheduler;
        QVERIFY(scheduler.reload());
        QVERIFY(scheduler.tasks().isEmpty());

        ScheduledTask first = sampleTask(QStringLiteral("Nightly run"));
        ScheduledTask second = sampleTask(QStringLiteral("weekly, 50% of it"));
        second.trigger.kind = TaskTrigger::Kind::Weekly;
        second.trigger.weekDays = 1 | 64; // Monday and Sunday
        QString error;
        QVERIFY2(scheduler.save(first, &error), qPrintable(error));
        QVERIFY2(scheduler.save(second, &error), qPrintable(error));
        QVERIFY(TestSupport::readFile(TestSupport::crontabFile()).startsWith(kForeign));

        TaskScheduler other; // a fresh reader sees what was written
        QVERIFY(other.reload());
        QCOMPARE(other.tasks().size(), 2);
        QCOMPARE(other.tasks().at(0).name, first.name);
        const ScheduledTask read = *other.task(second.name);
        QCOMPARE(read.program, second.program);
        QCOMPARE(read.arguments, second.arguments);
        QCOMPARE(read.comment, second.comment);
        QCOMPARE(read.workingFolder, second.workingFolder);
        QCOMPARE(read.flags, TaskFlag::Disabled);
        QCOMPARE(read.trigger, second.trigger);
        QVERIFY(TestSupport::readFile(TestSupport::crontabFile()).contains("\n#30 21 * * 1,0 cd "));

        first.flags = 0; // enabled: cron runs the line
        QVERIFY(other.save(first, &error));
        QVERIFY(other.task(first.name)->enabled());
        QVERIFY(TestSupport::firstTaskLine(TestSupport::readFile(TestSupport::crontabFile())).startsWith("30 21 * * * cd "));
        QCOMPARE(other.tasks().at(0).name, first.name); // replaced in place

        QVERIFY(!other.remove(QStringLiteral("nightly run"), &error)); // names keep their case
        QVERIFY(other.remove(first.name, &error));
        QVERIFY(other.remove(second.name, &error));
        QVERIFY(other.tasks().isEmpty());
        QCOMPARE(TestSupport::readFile(TestSupport::crontabFile()), kForeign);
    }

    void aUserWithoutTableGetsOne()
    {
        TaskScheduler scheduler;
        QVERIFY(scheduler.reload());
        QVERIFY(scheduler.save(sampleTask(QStringLiteral("first")), nullptr));
        const QByteArray table = TestSupport::readFile(TestSupport::crontabFile());
        QVERIFY(table.startsWith(QByteArray(CronTable::kBegin + "\n")));
        QVERIFY(table.endsWith(QByteArray(CronTable::kEnd + "\n")));
    }

    void aForeignLastLineWithoutLineEndStaysWhole()
    {
        TestSupport::writeFile(TestSupport::crontabFile(), "0 1 * * * /bin/true");
        TaskScheduler scheduler;
        QVERIFY(scheduler.save(sampleTask(QStringLiteral("t")), nullptr));
        QVERIFY(TestSupport::readFile(TestSupport::crontabFile()).startsWith("0 1 * * * /bin/true\n# BEGIN"));
        QVERIFY(scheduler.remove(QStringLiteral("t"), nullptr));
        QVERIFY(TestSupport::readFile(TestSupport::crontabFile()).startsWith("0 1 * * * /bin/true"));
    }

    void linesOfOthersInsideTheBlockAreKept()
    {
        const QByteArray table = CronTable::kBegin + "\n15 4 * * * /usr/bin/mine\n" + CronTable::kEnd + "\n";
        TestSupport::writeFile(TestSupport::crontabFile(), table);
        TaskScheduler scheduler;
        QVERIFY(scheduler.save(sampleTask(QStringLiteral("t")), nullptr));
        QVERIFY(scheduler.remove(QStringLiteral("t"), nullptr));
        QCOMPARE(TestSupport::readFile(TestSupport::crontabFile()), table);
    }

    void aTaskThatCannotBeOneLineIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("line break in the name") << QStringLiteral("a\nb") << QStringLiteral("/x");
        QTest::newRow("carriage return in the folder") << QStringLiteral("a") << QStringLiteral("/x\r* * * * * rm");
    }

    void aTaskThatCannotBeOneLineIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        TestSupport::writeFile(TestSupport::crontabFile(), kForeign);
        ScheduledTask task = sampleTask(name);
        task.arguments.last() = QStringLiteral("/dir:") + folder;
        TaskScheduler scheduler;
        QString error;
        QVERIFY(!scheduler.save(task, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestSupport::readFile(TestSupport::crontabFile()), kForeign);
    }

    void aCrontabThatFailsIsReported()
    {
        const QByteArray saved = qgetenv("QUILLARO_CRONTAB");
        qputenv("QUILLARO_CRONTAB", "/bin/false");
        TaskScheduler scheduler;
        QString error;
        const bool loaded = scheduler.reload(&error);
        const bool saved2 = scheduler.save(sampleTask(QStringLiteral("t")), &error);
        qputenv("QUILLARO_CRONTAB", saved);
        QVERIFY(!loaded);
        QVERIFY(!saved2);
        QVERIFY(error.contains(QStringLiteral("/bin/false")));
    }

    void theCommandGivesExactlyItsArguments_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("folder");
        QTest::newRow("blanks") << QStringLiteral("My  profile ") << QStringLiteral("/tmp/a b  c");
        QTest::newRow("quotes") << QStringLiteral("it's \"mine\"") << QStringLiteral("/tmp/'x'/\"y\"");
        QTest::newRow("dollar and semicolon") << QStringLiteral("$HOME;rm -rf x") << QStringLiteral("/tmp/$(touch pwned);x");
        QTest::newRow("backquotes") << QStringLiteral("`touch pwned`") << QStringLiteral("/tmp/`id`");
        QTest::newRow("percent") << QStringLiteral("50% off %s") << QStringLiteral("/tmp/%%/100%");
        QTest::newRow("backslash before percent") << QStringLiteral("a\\%b\\") << QStringLiteral("/tmp/\\\\%\\");
        QTest::newRow("switch-like text") << QStringLiteral("x /run /dir:y") << QStringLiteral("/tmp/-n /profile:z");
        QTest::newRow("not ASCII") << QStringLiteral("Sicherung \u00fc\u00df") << QStringLiteral("/tmp/\u65e5\u672c");
    }

    void theCommandGivesExactlyItsArguments()
    {
        QFETCH(QString, profile);
        QFETCH(QString, folder);
        const QString helper = echoHelper();
        ScheduledTask task = sampleTask(profile + QStringLiteral(" task"));
        task.program = helper;
        task.workingFolder = QFileInfo(helper).path();
        task.baseFolder = Paths::baseFolder();
        task.arguments = {QStringLiteral("/run"), QStringLiteral("/profile:") + profile,
                          QStringLiteral("/dir:") + folder};
        TaskScheduler scheduler;
        QString error;
        QVERIFY2(scheduler.save(task, &error), qPrintable(error));

        // As cron runs the line: its own "%" rule, then sh -c, in a bare environment.
        const QByteArray line = TestSupport::firstTaskLine(TestSupport::readFile(TestSupport::crontabFile()));
        QCOMPARE(TestSupport::runAsCron(TestSupport::asCronWould(line)), 0);
        const QString home = qEnvironmentVariable("HOME");
        const QStringList expected = QStringList{task.name, task.baseFolder, task.workingFolder} + task.arguments;
        QCOMPARE(echoed(helper), expected);
        QVERIFY(!QFile::exists(home + QStringLiteral("/pwned")));
        QVERIFY(!QFile::exists(task.workingFolder + QStringLiteral("/pwned")));

        // Run now starts the same command.
        QFile::remove(QFileInfo(helper).path() + QStringLiteral("/args.out"));
        QVERIFY(scheduler.reload());
        QVERIFY(scheduler.runNow(task.name, &error));
        QTRY_VERIFY(QFile::exists(QFileInfo(helper).path() + QStringLiteral("/args.out")));
        QCOMPARE(echoed(helper), expected);
    }

    // Cron has no year field: a task that runs once must not come back a year later.
    void aTaskThatRunsOnceRunsOnlyInItsYear_data()
    {
        QTest::addColumn<int>("yearsAhead");
        QTest::addColumn<bool>("runs");
        QTest::newRow("this year") << 0 << true;
        QTest::newRow("a year later") << -1 << false;
    }

    void aTaskThatRunsOnceRunsOnlyInItsYear()
    {
        QFETCH(int, yearsAhead);
        QFETCH(bool, runs);
        const QString helper = echoHelper();
        ScheduledTask task = sampleTask(QStringLiteral("once"));
        task.program = helper;
        task.workingFolder = QFileInfo(helper).path();
        task.trigger.kind = TaskTrigger::Kind::Once;
        task.trigger.start = QDateTime(QDate::currentDate().addYears(yearsAhead), QTime(3, 0));
        TaskScheduler scheduler;
        QVERIFY(scheduler.save(task, nullptr));
        QCOMPARE(scheduler.task(task.name)->trigger, task.trigger);
        QCOMPARE(scheduler.task(task.name)->program, task.program); // read back past the year test
        QCOMPARE(scheduler.task(task.name)->arguments, task.arguments);
        const QByteArray line = TestSupport::firstTaskLine(TestSupport::readFile(TestSupport::crontabFile()));
        QCOMPARE(TestSupport::runAsCron(TestSupport::asCronWould(line)) == 0, runs);
        QCOMPARE(QFile::exists(QFileInfo(helper).path() + QStringLiteral("/args.out")), runs);
    }

    void runNowOfAnUnknownTaskRunsNothing()
    {
        TaskScheduler scheduler;
        QVERIFY(scheduler.reload());
        QString error;
        QVERIFY(!scheduler.runNow(QStringLiteral("none"), &error));
        QVERIFY(!error.isEmpty());
    }

    void nextRun_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("weekDays");
        QTest::addColumn<int>("monthDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("next");
        const QTime at(21, 30);
        const QDateTime thu(QDate(2026, 12, 10), QTime(12, 0)); // a Thursday
        const auto day = [&](int y, int m, int d) { return QDateTime(QDate(y, m, d), at); };
        QTest::newRow("once ahead") << 0 << day(2026, 12, 24) << 0 << 1 << thu << day(2026, 12, 24);
        QTest::newRow("once gone") << 0 << day(2026, 12, 1) << 0 << 1 << thu << QDateTime();
        QTest::newRow("daily later today") << 1 << day(2020, 1, 1) << 0 << 1 << thu << day(2026, 12, 10);
        QTest::newRow("daily at the very time") << 1 << day(2020, 1, 1) << 0 << 1 << day(2026, 12, 10) << day(2026, 12, 11);
        QTest::newRow("weekly over the week end") << 2 << day(2020, 1, 1) << (1 | 2) << 1 << thu << day(2026, 12, 14);
        QTest::newRow("weekly Sunday") << 2 << day(2020, 1, 1) << 64 << 1 << thu << day(2026, 12, 13);
        QTest::newRow("monthly 31 skips short months") << 3 << day(2020, 1, 1) << 0 << 31 << QDateTime(QDate(2027, 1, 31), QTime(22, 0)) << day(2027, 3, 31);
        QTest::newRow("monthly over the year end") << 3 << day(2020, 1, 1) << 0 << 5 << thu << day(2027, 1, 5);
    }

    void nextRun()
    {
        QFETCH(int, kind);
        QFETCH(QDateTime, start);
        QFETCH(int, weekDays);
        QFETCH(int, monthDay);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, next);
        ScheduledTask task;
        task.trigger = {TaskTrigger::Kind(kind), start, weekDays, monthDay};
        QCOMPARE(TaskScheduler::nextRun(task, now), next);
        task.flags = TaskFlag::Disabled;
        QVERIFY(!TaskScheduler::nextRun(task, now).isValid());
    }

    void lastRunIsKeptPerTask()
    {
        const QDateTime when(QDate(2026, 12, 10), QTime(3, 4, 5));
        QVERIFY(!TaskScheduler::lastRun(QStringLiteral("a/../b")).isValid());
        QVERIFY(TaskScheduler::recordLastRun(QStringLiteral("a/../b"), when));
        QCOMPARE(TaskScheduler::lastRun(QStringLiteral("a/../b")), when);
        QVERIFY(!TaskScheduler::lastRun(QStringLiteral("b")).isValid());
    }

    void oneRunOfAProfileAtATime()
    {
        auto first = std::make_unique<RunLock>(QStringLiteral("Daily"));
        QVERIFY(first->tryAcquire());
        RunLock sameInOtherCase(QStringLiteral("daily"));
        QVERIFY(!sameInOtherCase.tryAcquire());
        RunLock other(QStringLiteral("Weekly"));
        QVERIFY(other.tryAcquire());
        first.reset();
        QVERIFY(sameInOtherCase.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(tst_TaskScheduler)
#include "tst_TaskScheduler.moc"
