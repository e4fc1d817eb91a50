#include <sys/stat.h>

#include <QtTest>

#include "Paths.h"
#include "SettingsStore.h"

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void missingKeyGivesTheDefault()
    {
        QCOMPARE(SettingsStore::getValue(QStringLiteral("QEV\\Quillaro\\ALICE"), QStringLiteral("Settings"),
                                         QStringLiteral("nothing"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
    }

    void valuesSurviveAReopen()
    {
        const QString app = QStringLiteral("QEV\\Quillaro\\ALICE\\My Profile");
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("txtPathBackUp"),
                                 QStringLiteral("/media/usb, with ; odd = chars"));
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("empty"), QString());
        QVERIFY(SettingsStore::flush());
        SettingsStore::reset();
        QCOMPARE(SettingsStore::getValue(app, QStringLiteral("Settings"), QStringLiteral("txtPathBackUp")),
                 QStringLiteral("/media/usb, with ; odd = chars"));
        QVERIFY(SettingsStore::contains(app, QStringLiteral("Settings"), QStringLiteral("empty")));
        QCOMPARE(SettingsStore::getValue(app, QStringLiteral("Settings"), QStringLiteral("empty"), QStringLiteral("d")),
                 QString());
    }

    // Every start saves the program's version: saved as it stands, the file stays the one it was.
    void unchangedValueLeavesTheFileAlone()
    {
        const QString app = QStringLiteral("QEV\\Quillaro\\ALICE");
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("ProgramVersion"), QStringLiteral("1.0"));
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("empty"), QString());
        QVERIFY(SettingsStore::flush());
        const auto inode = [] {
            struct stat st {};
            return ::stat(QFile::encodeName(SettingsStore::settingsFile()).constData(), &st) == 0 ? st.st_ino : 0;
        };
        const auto before = inode();
        QVERIFY(before != 0);
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("ProgramVersion"), QStringLiteral("1.0"));
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("empty"), QString());
        QVERIFY(SettingsStore::flush());
        QCOMPARE(inode(), before);
        // A changed value, and a value new to the file, are written.
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("ProgramVersion"), QStringLiteral("1.1"));
        QVERIFY(SettingsStore::flush());
        QVERIFY(inode() != before);
        const auto changed = inode();
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("fresh"), QString());
        QVERIFY(SettingsStore::flush());
        QVERIFY(inode() != changed);
        SettingsStore::reset();
        QCOMPARE(SettingsStore::getValue(app, QStringLiteral("Settings"), QStringLiteral("ProgramVersion")), QStringLiteral("1.1"));
        QVERIFY(SettingsStore::contains(app, QStringLiteral("Settings"), QStringLiteral("fresh")));
    }

    void handWrittenListReadsAsText()
    {
        const QString app = QStringLiteral("QEV\\Quillaro\\ALICE\\P");
        SettingsStore::saveValue(app, QStringLiteral("Settings"), QStringLiteral("txtExclusions"), QStringLiteral("PLACE"));
        QVERIFY(SettingsStore::flush());
        QFile file(SettingsStore::settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll().replace("PLACE", "*.iso, *.img,*.tmp");
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        SettingsStore::reset();
        QCOMPARE(SettingsStore::getValue(app, QStringLiteral("Settings"), QStringLiteral("txtExclusions")),
                 QStringLiteral("*.iso, *.img, *.tmp"));
    }

    void scopesDoNotMix()
    {
        SettingsStore::saveValue(QStringLiteral("QEV\\Quillaro\\ALICE"), QStringLiteral("Settings"), QStringLiteral("k"), QStringLiteral("user"));
        SettingsStore::saveValue(QStringLiteral("QEV\\Quillaro\\ALICE\\P"), QStringLiteral("Settings"), QStringLiteral("k"), QStringLiteral("profile"));
        QCOMPARE(SettingsStore::getValue(QStringLiteral("QEV\\Quillaro\\ALICE"), QStringLiteral("Settings"), QStringLiteral("k")), QStringLiteral("user"));
        QCOMPARE(SettingsStore::getValue(QStringLiteral("QEV\\Quillaro\\ALICE\\P"), QStringLiteral("Settings"), QStringLiteral("k")), QStringLiteral("profile"));
        QCOMPARE(SettingsStore::getValue(QStringLiteral("QEV\\Quillaro\\ALICE"), QStringLiteral("Data"), QStringLiteral("k"), QStringLiteral("none")), QStringLiteral("none"));
    }

    void fileAndFolderArePrivate()
    {
        SettingsStore::saveValue(QStringLiteral("QEV\\Common"), QStringLiteral("ALICE"), QStringLiteral("x"), QStringLiteral("1"));
        QVERIFY(SettingsStore::flush());
        const QFileInfo file(SettingsStore::settingsFile());
        QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        const QFileInfo folder(Paths::baseFolder());
        QVERIFY(!(folder.permissions() & (QFile::ReadOther | QFile::ReadGroup)));
    }

    void unwritableStoreIsReported()
    {
        SettingsStore::reset();
        QFile::remove(SettingsStore::settingsFile());
        QVERIFY(QDir().mkpath(SettingsStore::settingsFile())); // a folder stands where the file goes
        SettingsStore::saveValue(QStringLiteral("QEV"), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
        QString error;
        QVERIFY(!SettingsStore::flush(&error));
        QVERIFY(!error.isEmpty());
        QDir(SettingsStore::settingsFile()).removeRecursively();
        SettingsStore::reset();
    }
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
