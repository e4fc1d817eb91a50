#include <QtTest>

#include "Clock.h"
#include "DiscImage.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_GetSystemInfos.h"
#include "SettingsStore.h"
#include "SystemInfo.h"
#include "TestSupport.h"

namespace {

QString userScope() { return QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName()); }

// Runs the program as a scheduled task would and gives its exit code.
int runUnattended(QString* stderrText)
{
    QProcess p;
    p.start(QStringLiteral(QUILLARO_BINARY), {QStringLiteral("/run"), QStringLiteral("/profile:Standard")});
    if (!p.waitForFinished(120000)) {
        p.kill();
        return -999;
    }
    *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
}

} // namespace

// An unattended ZIP run of a profile that writes to a file-backed CD drive named in the
// settings.
class tst_UnattendedCd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Paths::prepareFolders()); }

    void aZipRunWritesItsArchiveToTheDisc()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/a.txt"), "on the disc");
        const QString disc = TestSupport::freshFolder(QStringLiteral("disc")) + QStringLiteral("/disc.iso");
        SettingsStore::saveValue(userScope(), QStringLiteral("CD Writer"), QStringLiteral("Drives"),
                                 QStringLiteral("stdio:") + disc);
        const QString profile = userScope() + QStringLiteral("\\Standard");
        for (const auto& [key, value] : {std::pair {"txtPathTemp", Paths::tempFolder()},
                                         {"chkWriteLog", QStringLiteral("1")},
                                         {"chkAppendArchive", QStringLiteral("0")},
                                         {"chkUseCDRecorder", QStringLiteral("1")}})
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key), value);
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{src + QStringLiteral("/*.*"), true}}, &error));

        QString stderrText;
        QCOMPARE(runUnattended(&stderrText), 0);
        QVERIFY2(stderrText.isEmpty(), qPrintable(stderrText));
        const QString stem = QStringLiteral("Standard_BackUp_d") + Clock::today().toString(QStringLiteral("yyyyMMdd"));
        const QStringList names = DiscImage::files(disc).keys();
        QCOMPARE(names, (QStringList {stem + QStringLiteral("__1.zip"), stem + QStringLiteral("__1.zip.log")}));
    }
};

QTEST_GUILESS_MAIN(tst_UnattendedCd)
#include "tst_UnattendedCd.moc"
