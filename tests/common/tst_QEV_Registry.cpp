#include <QtTest>

#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Registry.h"
#include "TestSupport.h"

namespace {

const QString kRun = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Quillaro");

QString autostart() { return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/quillaro.desktop"); }

} // namespace

class tst_QEV_Registry : public QObject
{
    Q_OBJECT

private slots:
    void writeThenRead()
    {
        const QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\QEV\\Test\\Value");
        CreateKey(path, QStringLiteral("hello"));
        QCOMPARE(ReadKey(path), QStringLiteral("hello"));
        DeleteKey(path);
        QFile::remove(ErrorLogPath());
        QCOMPARE(ReadKey(path), QString());
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QVERIFY(log.contains(QStringLiteral("ReadKey of Modul QEV_Registry")));
        QVERIFY(log.contains(path));
    }

    void startWithWindowsIsTheAutostartFile()
    {
        CreateKey(kRun, QStringLiteral("/opt/quillaro/bin/quillaro"));
        const QString desktop = QString::fromUtf8(TestSupport::readFile(autostart()));
        QVERIFY(desktop.contains(QStringLiteral("Exec=\"/opt/quillaro/bin/quillaro\"")));
        QCOMPARE(ReadKey(kRun), QStringLiteral("/opt/quillaro/bin/quillaro"));
        DeleteKey(kRun);
        QVERIFY(!QFile::exists(autostart()));
    }

    // The entry's rules: the path is one quoted argument whatever it holds.
    void theAutostartEntryQuotesItsProgram()
    {
        const QString program = QStringLiteral("/opt/my \"quill\" $HOME `x` 100% \\back/quillaro");
        CreateKey(kRun, program);
        const QString desktop = QString::fromUtf8(TestSupport::readFile(autostart()));
        QVERIFY2(desktop.contains(QStringLiteral(
                     "Exec=\"/opt/my \\\\\"quill\\\\\" \\\\$HOME \\\\`x\\\\` 100%% \\\\\\\\back/quillaro\"\n")),
                 qPrintable(desktop));
        QCOMPARE(ReadKey(kRun), program);
    }

    void storeFilesArePrivate()
    {
        CreateKey(QStringLiteral("HKEY_CURRENT_USER\\x\\y"), QStringLiteral("1"));
        const QFileInfo info(Paths::baseFolder() + QStringLiteral("/registry.ini"));
        QCOMPARE(info.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(tst_QEV_Registry)
#include "tst_QEV_Registry.moc"
