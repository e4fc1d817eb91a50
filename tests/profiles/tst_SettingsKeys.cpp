#include <QTest>

#include "Globals.h"
#include "SettingsKeys.h"
#include "WorkingFiles.h"

// The settings layout: scopes, the key tables, value forms, profile names, the clean-up guard.
class tst_SettingsKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scopes();
    void tablesHoldEveryKeyOnce();
    void defaults_data();
    void defaults();
    void checkValues_data();
    void checkValues();
    void optionValues_data();
    void optionValues();
    void profileNames_data();
    void profileNames();
    void workingFilesGuard_data();
    void workingFilesGuard();
};

void tst_SettingsKeys::initTestCase()
{
    AppName = QStringLiteral("Quillaro");
    g_User = QStringLiteral("ALICE");
    g_MachineID = QStringLiteral("123456789");
}

void tst_SettingsKeys::scopes()
{
    QCOMPARE(SettingsKeys::userScope(), QStringLiteral("QEV\\Quillaro\\ALICE"));
    QCOMPARE(SettingsKeys::profileScope(QStringLiteral("Work")),
             QStringLiteral("QEV\\Quillaro\\ALICE\\Work"));
    QCOMPARE(SettingsKeys::commonScope(), QStringLiteral("QEV\\Common"));
    QCOMPARE(SettingsKeys::machineScope(), QStringLiteral("QEV\\Quillaro\\123456789"));
    QCOMPARE(SettingsKeys::utilityScope(), QStringLiteral("QEV\\Pellovar\\ALICE"));
}

void tst_SettingsKeys::tablesHoldEveryKeyOnce()
{
    QSet<QString> seen;
    const QList<SettingKey> all = SettingsKeys::userKeys() + SettingsKeys::profileKeys();
    for (const SettingKey& key : all) {
        QVERIFY2(!seen.contains(key.key), qPrintable(key.key));
        seen.insert(key.key);
    }
    QCOMPARE(SettingsKeys::userKeys().size(), 14);
    QCOMPARE(SettingsKeys::profileKeys().size(), 70);
    QCOMPARE(SettingsKeys::profileKeys().first().key, QStringLiteral("chkRemeberPassword"));
    QCOMPARE(SettingsKeys::profileKeys().last().key, QStringLiteral("DTPicker2"));
    QCOMPARE(SettingsKeys::find(QStringLiteral("optWaitAfter4")).control,
             QStringLiteral("optWaitAfter(4)"));
    QCOMPARE(SettingsKeys::find(QStringLiteral("SldRatio")).control, QStringLiteral("Slider1"));
}

void tst_SettingsKeys::defaults_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("sound") << "chkSound"
                           << "1";
    QTest::newRow("port") << "txtFTPport"
                          << "21";
    QTest::newRow("zip mode") << "optBuMode0"
                              << "-1";
    QTest::newRow("copy mode") << "optBuMode1"
                               << "0";
    QTest::newRow("daily") << "optArchive0"
                           << "-1";
    QTest::newRow("new only") << "optNewOnly"
                              << "-1";
    QTest::newRow("reg export") << "optRegistryREG"
                                << "-1";
    QTest::newRow("wait before") << "optWaitBefore1"
                                 << "-1";
    QTest::newRow("wait after") << "optWaitAfter4"
                                << "-1";
    QTest::newRow("compression") << "SldRatio"
                                 << "6";
    QTest::newRow("size") << "txtMaxZIPsize"
                          << "100";
    QTest::newRow("files") << "txtMaxFiles"
                           << "1000";
    QTest::newRow("days") << "txtExclYoungDay"
                          << "0";
    QTest::newRow("folders") << "txtDirExclusions"
                             << "backup,temp";
    QTest::newRow("medium") << "chkMedia"
                            << "1";
    QTest::newRow("append") << "chkAppendArchive"
                            << "1";
    QTest::newRow("hidden") << "chkHiddenFolders"
                            << "1";
    QTest::newRow("delete age") << "txtDeleteArchive"
                                << "365";
    QTest::newRow("wait seconds") << "txtWaitSecondsAfter"
                                  << "30";
}

void tst_SettingsKeys::defaults()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(SettingsKeys::find(key).defaultValue, value);
}

void tst_SettingsKeys::checkValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("clear") << "0" << true << 0;
    QTest::newRow("ticked") << "1" << true << 1;
    QTest::newRow("grey") << "2" << true << 2;
    QTest::newRow("blanks") << " 1 " << true << 1;
    QTest::newRow("word") << "yes" << false << 0;
    QTest::newRow("out of range") << "7" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void tst_SettingsKeys::checkValues()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int parsed = -1;
    QCOMPARE(SettingsKeys::parseCheck(text, &parsed), ok);
    if (ok)
        QCOMPARE(parsed, value);
}

void tst_SettingsKeys::optionValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("selected");
    QTest::newRow("-1") << "-1" << true << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("5") << "5" << true << true;
    QTest::newRow("True") << "True" << true << true;
    QTest::newRow("false") << "false" << true << false;
    QTest::newRow("word") << "maybe" << false << false;
}

void tst_SettingsKeys::optionValues()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(bool, selected);
    bool parsed = false;
    QCOMPARE(SettingsKeys::parseOption(text, &parsed), ok);
    if (ok)
        QCOMPARE(parsed, selected);
}

void tst_SettingsKeys::profileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "Work" << true;
    QTest::newRow("blanks around") << " Work " << true;
    QTest::newRow("unicode") << "Büro" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << "   " << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dotdot") << ".." << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("line break") << "a\nb" << false;
    QTest::newRow("carriage return") << "a\rb" << false;
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << false;
}

void tst_SettingsKeys::profileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QString why;
    QCOMPARE(SettingsKeys::validProfileName(name, &why), valid);
    QCOMPARE(why.isEmpty(), valid);
}

void tst_SettingsKeys::workingFilesGuard_data()
{
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("own temp folder") << "/b/program/Temp"
                                     << "/b/program" << true;
    QTest::newRow("empty") << ""
                           << "/b" << false;
    QTest::newRow("relative") << "temp"
                              << "/b" << false;
    QTest::newRow("root") << "/"
                          << "/b" << false;
    QTest::newRow("root spelt twice") << "//"
                                      << "/b" << false;
    QTest::newRow("same as destination") << "/b/out"
                                         << "/b/out/" << false;
    QTest::newRow("above destination") << "/b"
                                       << "/b/out" << false;
    QTest::newRow("dotted above") << "/b/x/.."
                                  << "/b/out" << false;
    QTest::newRow("sibling with prefix") << "/b/out2"
                                         << "/b/out" << true;
}

void tst_SettingsKeys::workingFilesGuard()
{
    QFETCH(QString, temp);
    QFETCH(QString, destination);
    QFETCH(bool, allowed);
    QCOMPARE(MayClearWorkingFiles(temp, destination), allowed);
}

QTEST_GUILESS_MAIN(tst_SettingsKeys)
#include "tst_SettingsKeys.moc"
