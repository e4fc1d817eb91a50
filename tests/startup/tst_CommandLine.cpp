#include <QtTest>

#include "Quillaro_Main.h"

namespace {

void row(const char* tag, const char* text, const char* profile, const char* dir, bool run)
{
    auto value = [](const char* v) { return v ? QString::fromUtf8(v) : QString(); };
    QTest::newRow(tag) << QString::fromUtf8(text) << value(profile) << value(dir) << run;
}

QStringList args(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* word : words)
        list.append(QString::fromUtf8(word));
    return list;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void switches_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<bool>("run");
        row("nothing", "", nullptr, nullptr, false);
        row("scheduled task", "/run /profile:Office /dir:/backup/", "Office", "/backup/", true);
        row("any case and order", "/DIR:/b /Profile:office /RUN", "office", "/b", true);
        row("run inside a path is no switch", "/dir:/run/media/usb/x", nullptr, "/run/media/usb/x", false);
        row("root folder kept", "/dir:/", nullptr, "/", false);
        row("blanks trimmed, inner blanks kept", "/dir:   /my backups/a b   /run", nullptr, "/my backups/a b", true);
        row("empty profile", "/profile: /run", "", nullptr, true);
        row("profile with blanks", "/profile:My Office /dir:/x", "My Office", "/x", false);
        row("runs is not run", "/dir:/tmp /runs", nullptr, "/tmp /runs", false);
        row("switch glued to a word is no switch", "x/run /dir:/d", nullptr, "/d", false);
        row("profile value may hold a slash", "/profile:a/b", "a/b", nullptr, false);
    }

    void switches()
    {
        QFETCH(QString, text);
        QFETCH(QString, profile);
        QFETCH(QString, dir);
        QFETCH(bool, run);
        QCOMPARE(SwitchValue(text, QStringLiteral("/profile:")), profile);
        QCOMPARE(SwitchValue(text, QStringLiteral("/profile:")).isNull(), profile.isNull());
        QCOMPARE(SwitchValue(text, QStringLiteral("/dir:")), dir);
        QCOMPARE(SwitchValue(text, QStringLiteral("/dir:")).isNull(), dir.isNull());
        QCOMPARE(HasRunSwitch(text), run);
    }

    void switchesFromArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("dir");
        QTest::newRow("scheduled task") << args({"/run", "/profile:Office", "/dir:/backup"}) << "Office" << "/backup";
        QTest::newRow("switch-like words inside one argument")
            << args({"/run", "/profile:a /dir:b", "/dir:/tmp/x /run /profile:y"}) << "a /dir:b" << "/tmp/x /run /profile:y";
        QTest::newRow("words typed without quotes join up")
            << args({"/dir:/my", "backups/a", "b", "/RUN", "/Profile:My", "Office"}) << "My Office" << "/my backups/a b";
        QTest::newRow("no switch begins an argument") << args({"x", "/run /profile:P /dir:/d"}) << "P" << "/d";
        QTest::newRow("absent") << args({"/run"}) << QString() << QString();
        QTest::newRow("empty value") << args({"/profile:", "/run"}) << "" << QString();
    }

    void switchesFromArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, profile);
        QFETCH(QString, dir);
        QCOMPARE(SwitchValueOf(arguments, QStringLiteral("/profile:")), profile);
        QCOMPARE(SwitchValueOf(arguments, QStringLiteral("/profile:")).isNull(), profile.isNull());
        QCOMPARE(SwitchValueOf(arguments, QStringLiteral("/dir:")), dir);
        QCOMPARE(SwitchValueOf(arguments, QStringLiteral("/dir:")).isNull(), dir.isNull());
    }

    void runSwitchFromArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("run");
        QTest::newRow("scheduled task") << args({"/run", "/profile:Office", "/dir:/backup"}) << true;
        QTest::newRow("any case, any place") << args({"/dir:/b", "/RUN"}) << true;
        QTest::newRow("quoted folder holding \" /run\"") << args({"/dir:/tmp/a /run"}) << false;
        QTest::newRow("quoted profile holding \" /run\"") << args({"/profile:x /run", "/dir:/d"}) << false;
        QTest::newRow("words typed without quotes") << args({"/dir:/my", "backups", "/run"}) << true;
        QTest::newRow("no switch begins an argument") << args({"x", "/run /profile:P"}) << true;
        QTest::newRow("none") << args({"/profile:P"}) << false;
    }

    void runSwitchFromArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, run);
        QCOMPARE(HasRunSwitch(arguments), run);
    }

    void profileMatching_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<int>("position");
        const QStringList both = {QStringLiteral("Office"), QStringLiteral("office"), QStringLiteral("Work")};
        QTest::newRow("exact wins over another case") << both << "office" << 1;
        QTest::newRow("exact, first of two cases") << both << "Office" << 0;
        QTest::newRow("two in other cases: none") << both << "OFFICE" << -1;
        QTest::newRow("one in another case") << both << "WORK" << 2;
        QTest::newRow("unknown") << both << "Home" << -1;
        QTest::newRow("empty name") << both << "" << -1;
        QTest::newRow("empty list") << QStringList() << "Work" << -1;
    }

    void profileMatching()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, wanted);
        QFETCH(int, position);
        QCOMPARE(MatchProfile(names, wanted), position);
    }

    void argumentTextJoinsWithBlanks()
    {
        QCOMPARE(ArgumentText({QStringLiteral("/run"), QStringLiteral("/dir:/a b")}), QStringLiteral("/run /dir:/a b"));
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
