#include <QtTest>

#include <QRandomGenerator>

#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_GetSystemInfos.h"
#include "SettingsStore.h"
#include "SmtpSink.h"
#include "SystemInfo.h"
#include "TestSupport.h"

namespace {

const QString kAddress = QStringLiteral("me@example.test");

QString userScope() { return QStringLiteral("QEV\\Quillaro\\") + UserFromLogon(SystemInfo::logonName()); }

void store(const QString& scope, const char* key, const QString& value)
{
    SettingsStore::saveValue(scope, QStringLiteral("Settings"), QString::fromLatin1(key), value);
}

// Runs the program as a scheduled task would and gives its exit code.
int runUnattended(const QString& dest, QString* stderrText)
{
    QProcess p;
    p.start(QStringLiteral(QUILLARO_BINARY), {QStringLiteral("/run"), QStringLiteral("/profile:Standard"),
                                              QStringLiteral("/dir:") + dest});
    if (!p.waitForFinished(120000)) {
        p.kill();
        return -999;
    }
    *stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(size);
    for (char& b : bytes)
        b = static_cast<char>(generator.bounded(256));
    return bytes;
}

// The profile "Standard": its e-mail option set, the files to back up, the mail server.
void prepareProfile(int files, quint16 smtpPort, const QString& maxZipSize)
{
    const QString src = TestSupport::freshFolder(QStringLiteral("src"));
    for (int i = 0; i < files; ++i)
        TestSupport::writeFile(src + QStringLiteral("/file%1.bin").arg(i), randomBytes(700000 + i));
    store(userScope(), "txtSMTPserver", QStringLiteral("127.0.0.1"));
    store(userScope(), "txtSMTPport", QString::number(smtpPort));
    store(userScope(), "txtSMTPeMail", kAddress);
    const QString profile = userScope() + QStringLiteral("\\Standard");
    store(profile, "txtPathTemp", Paths::tempFolder());
    store(profile, "chkWriteLog", QStringLiteral("1"));
    store(profile, "chkAppendArchive", QStringLiteral("0"));
    store(profile, "chkSendEmail", QStringLiteral("1"));
    store(profile, "txtMaxZIPsize", maxZipSize);
    QVERIFY(SettingsStore::flush());
    QString error;
    QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), {{src + QStringLiteral("/*.*"), true}}, &error));
}

} // namespace

// An unattended ZIP run whose profile asks for the mail delivers each part to the folder and
// sends it, with its log, to the loopback mail server.
class tst_UnattendedMail : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Paths::prepareFolders()); }

    void sendsEachPartByMail_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("parts");
        QTest::newRow("one part") << 3 << 1;
        QTest::newRow("two parts") << 2 << 2;
    }
    void sendsEachPartByMail()
    {
        QFETCH(int, files);
        QFETCH(int, parts);
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        prepareProfile(files, sink.port(), parts > 1 ? QStringLiteral("1") : QStringLiteral("100"));
        QString err;
        QCOMPARE(runUnattended(dest, &err), 0);
        QVERIFY2(sink.messageCount() == parts, qPrintable(err));
        const QString stem = QStringLiteral("Standard_BackUp_d") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        for (int part = 1; part <= parts; ++part) {
            const QString name = stem + QStringLiteral("__%1.zip").arg(part);
            const QString decoded = TestSupport::freshFolder(QStringLiteral("decoded"));
            QCOMPARE(TestSupport::decodeAttachments(sink.message(part), decoded), (QStringList{name, name + QStringLiteral(".log")}));
            const QString zip = dest + QLatin1Char('/') + name;
            QCOMPARE(TestSupport::readFile(decoded + QLatin1Char('/') + name), TestSupport::readFile(zip));
            QCOMPARE(TestSupport::readFile(decoded + QLatin1Char('/') + name + QStringLiteral(".log")),
                     TestSupport::readFile(zip + QStringLiteral(".log")));
            QString output;
            QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), decoded + QLatin1Char('/') + name}, &output), 0);
        }
        // The encoded attachments do not outlive their mail.
        QCOMPARE(QDir(Paths::tempFolder()).entryList(QDir::Files), QStringList());
    }

    // A mail that cannot be sent leaves the archive delivered and the run completed with problems.
    void failedMailLeavesTheRunWithProblems()
    {
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        prepareProfile(1, TestSupport::freeLoopbackPort(), QStringLiteral("100"));
        QString err;
        QCOMPARE(runUnattended(dest, &err), 3);
        const QString zip = dest + QStringLiteral("/Standard_BackUp_d")
                            + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("__1.zip");
        QString output;
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}, &output), 0);
        const QString log = QString::fromUtf8(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/error.log")));
        QVERIFY2(log.contains(QStringLiteral("sckSMTP_Error")) && log.contains(QStringLiteral("was not sent")), qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(tst_UnattendedMail)
#include "tst_UnattendedMail.moc"
