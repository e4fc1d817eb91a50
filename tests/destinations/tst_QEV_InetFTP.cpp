#include <QDir>
#include <QFile>
#include <QtTest>

#include "FtpTestServer.h"
#include "FtpTransfer.h"
#include "Modules.h"
#include "QEV_ErrorLog.h"
#include "QEV_InetFTP.h"
#include "QEV_Language.h"
#include "TestSupport.h"

namespace {

class RecordingWindow : public FtpWindow
{
public:
    FtpSettings settings;
    QString caption;
    QStringList captions;
    QStringList news;
    QStringList shown;

    FtpSettings ftpSettings() const override { return settings; }
    void setFtpCaption(const QString& text) override
    {
        caption = text;
        captions.append(text);
    }
    void addFtpNews(const QString& line) override { news.append(line); }
    void showServerFiles(const QStringList& entries) override { shown = entries; }
};

// One session object against one server, as the main window holds them.
struct Session
{
    RecordingWindow window;
    FtpTransfer inet;
    QEV_InetFTP ftp{window, inet};

    Session(int port, const QString& user, const QString& dir)
    {
        window.settings = {QStringLiteral("127.0.0.1"), QString::number(port), user, QStringLiteral("pw"), dir, 0, {}};
        QObject::connect(&inet, &FtpTransfer::stateChanged, &ftp, &QEV_InetFTP::InetFTP_StateChanged);
    }
};

QString S(const char* text) { return QString::fromUtf8(text); }

QStringList L(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* t : texts)
        list.append(S(t));
    return list;
}

QString errorLog()
{
    return QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
}

} // namespace

class tst_QEV_InetFTP : public QObject
{
    Q_OBJECT

private:
    QString m_root;
    QString m_local;
    FtpTestServer m_server;

    void serve(const QStringList& flags = {})
    {
        m_root = TestSupport::freshFolder(QStringLiteral("server"));
        m_local = TestSupport::freshFolder(QStringLiteral("local"));
        m_server.stop();
        QVERIFY(m_server.start(m_root, flags));
    }
    QString server(const char* relative) const { return m_root + QLatin1Char('/') + S(relative); }
    QString local(const char* relative) const { return m_local + QLatin1Char('/') + S(relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
    }

    void folderPieces_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("leading separator skipped") << S("/backup/2003") << L({"backup", "2003"});
        QTest::newRow("trailing separator, no empty piece") << S("backup/") << L({"backup"});
        QTest::newRow("slash wins over backslash") << S("a\\b/c") << L({"a\\b", "c"});
        QTest::newRow("backslashes alone") << S("a\\b") << L({"a", "b"});
        QTest::newRow("empty pieces skipped") << S("a//b") << L({"a", "b"});
        QTest::newRow("empty: the login folder") << S("  ") << QStringList{};
        QTest::newRow("blanks inside a name") << S("my backups/day 1") << L({"my backups", "day 1"});
    }
    void folderPieces()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, pieces);
        QCOMPARE(QEV_InetFTP::folderPieces(path), pieces);
    }

    void safeLocalNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << S("Std_BackUp_d20260101__1.zip.cry") << true;
        QTest::newRow("blank inside") << S("a b.zip") << true;
        QTest::newRow("slash") << S("sub/a.zip") << false;
        QTest::newRow("backslash") << S("sub\\a.zip") << false;
        QTest::newRow("parent") << S("..") << false;
        QTest::newRow("dots inside") << S("a..zip") << false;
        QTest::newRow("line break") << S("a\nb.zip") << false;
        QTest::newRow("carriage return") << S("a\rb.zip") << false;
        QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << false;
        QTest::newRow("empty") << S("") << false;
    }
    void safeLocalNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(QEV_InetFTP::isSafeLocalName(name), safe);
    }

    // Upload into a folder tree that is not there yet, list it, fetch back by pattern, delete.
    void uploadListFetchDelete()
    {
        serve();
        TestSupport::writeFile(local("Std_BackUp_d1.zip"), QByteArray(300000, 'z'));
        Session s(m_server.port(), QStringLiteral("u"), QStringLiteral("/my backups/day 1"));
        QVERIFY(s.ftp.FTPcopy_files(true, local("Std_BackUp_d1.zip"), QStringLiteral("Std_BackUp_d1.zip")));
        QCOMPARE(TestSupport::readFile(server("my backups/day 1/Std_BackUp_d1.zip")), QByteArray(300000, 'z'));
        QCOMPARE(QDir(server("my backups/day 1")).entryList(QDir::Files), L({"Std_BackUp_d1.zip"}));
        QCOMPARE(s.window.caption, LangText(38));
        QVERIFY(s.window.captions.contains(LangText(27)));

        TestSupport::writeFile(server("my backups/day 1/notes.txt"), "n");
        QDir().mkpath(server("my backups/day 1/sub"));
        QVERIFY(s.ftp.FTPcheck_directory(QString(), false));
        QStringList listed = s.ftp.serverFiles();
        listed.sort();
        QCOMPARE(listed, (L({"Std_BackUp_d1.zip", "notes.txt", "sub/"})));
        QCOMPARE(s.window.shown, s.ftp.serverFiles());

        // A longer file of that name loses its old tail.
        TestSupport::writeFile(local("fetched/Std_BackUp_d1.zip"), QByteArray(400000, 'o'));
        QVERIFY(s.ftp.FTPretrieve_files(QString(), QStringLiteral("*_backup_*"), local("fetched"), QString()));
        QCOMPARE(TestSupport::readFile(local("fetched/Std_BackUp_d1.zip")), QByteArray(300000, 'z'));
        QCOMPARE(QDir(local("fetched")).entryList(QDir::Files), L({"Std_BackUp_d1.zip"}));
        QVERIFY(s.window.shown.isEmpty());

        QVERIFY(s.ftp.FTPdelete_files(false, QStringLiteral("Std_BackUp_d1.zip")));
        QVERIFY(!QFile::exists(server("my backups/day 1/Std_BackUp_d1.zip")));
        QVERIFY(!s.ftp.FTPdelete_files(false, QStringLiteral("Std_BackUp_d1.zip")));
        QCOMPARE(s.window.caption, LangText(38));
        QVERIFY(s.window.captions.contains(LangText(297)));
        QVERIFY(errorLog().contains(QStringLiteral("FTPdelete_files of Modul QEV_InetFTP")));
    }

    void emptyFolderTextIsTheLoginFolder()
    {
        serve();
        TestSupport::writeFile(local("a.zip"), "archive");
        Session s(m_server.port(), QStringLiteral("u"), QStringLiteral(" "));
        QVERIFY(s.ftp.FTPcopy_files(true, local("a.zip"), QStringLiteral("a.zip")));
        QCOMPARE(TestSupport::readFile(server("a.zip")), QByteArray("archive"));
    }

    // Through a proxy the session logs on at the proxy as user@server.
    void proxyLogsOnAsUserAtServer()
    {
        serve();
        TestSupport::writeFile(local("a.zip"), "archive");
        Session s(m_server.port(), QStringLiteral("u"), QStringLiteral("d"));
        s.window.settings.server = QStringLiteral("ftp.example.invalid");
        s.window.settings.proxy = 1;
        s.window.settings.proxyHost = QStringLiteral("127.0.0.1");
        QVERIFY(s.ftp.FTPcopy_files(true, local("a.zip"), QStringLiteral("a.zip")));
        QCOMPARE(TestSupport::readFile(server("proxied/d/a.zip")), QByteArray("archive"));
    }

    // The listing comes by MLSD, by LIST where the server lacks it, by NLST where it lacks both.
    void listingFallsBack_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("MLSD") << QStringList{} << L({"a b.zip", "sub/"});
        QTest::newRow("LIST") << L({"--no-mlsd"}) << L({"a b.zip", "sub/"});
        QTest::newRow("NLST") << L({"--no-mlsd", "--no-list"}) << L({"a b.zip", "sub"});
    }
    void listingFallsBack()
    {
        QFETCH(QStringList, flags);
        QFETCH(QStringList, expected);
        serve(flags);
        TestSupport::writeFile(server("d/a b.zip"), "x");
        QDir().mkpath(server("d/sub"));
        Session s(m_server.port(), QStringLiteral("u"), QStringLiteral("d"));
        QVERIFY(s.ftp.FTPcheck_directory(QString(), false));
        QStringList listed = s.ftp.serverFiles();
        listed.sort();
        QCOMPARE(listed, expected);
    }

    // The pattern is the client's, without regard to case; folders and unsafe names stay.
    void fetchByPattern()
    {
        serve();
        TestSupport::writeFile(server("Std_BackUp_d1.zip.cry"), "1");
        TestSupport::writeFile(server("std_backup_d2.zip.cry"), "2");
        TestSupport::writeFile(server("Std_BackUp_d3.zip"), "3");
        TestSupport::writeFile(server("x\\y_BackUp_d4.zip.cry"), "4");
        QDir().mkpath(server("f_BackUp_folder.cry"));
        Session s(m_server.port(), QStringLiteral("u"), QString());
        QVERIFY(s.ftp.FTPretrieve_files(QString(), QStringLiteral("*_Backup_*.cry"), local("in"), QString()));
        QStringList fetched = QDir(local("in")).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        fetched.sort();
        QCOMPARE(fetched, (L({"Std_BackUp_d1.zip.cry", "std_backup_d2.zip.cry"})));
        QVERIFY(errorLog().contains(QStringLiteral("x\\y_BackUp_d4.zip.cry")));
    }

    // A named local file takes only the entry of exactly that name; nothing fetched is False.
    void fetchUnderLocalName()
    {
        serve();
        TestSupport::writeFile(server("A.zip"), "upper");
        Session s(m_server.port(), QStringLiteral("u"), QString());
        QVERIFY(!s.ftp.FTPretrieve_files(QString(), QStringLiteral("a.zip"), local("w"), QStringLiteral("work.zip")));
        QVERIFY(!QFile::exists(local("w/work.zip")));
        QVERIFY(s.ftp.FTPretrieve_files(QString(), QStringLiteral("A.zip"), local("w"), QStringLiteral("work.zip")));
        QCOMPARE(TestSupport::readFile(local("w/work.zip")), QByteArray("upper"));

        QVERIFY(!s.ftp.FTPretrieve_files(QString(), QStringLiteral("*.none"), local("w"), QString()));
        QVERIFY(s.window.captions.contains(LangText(25)));
        QCOMPARE(QDir(local("w")).entryList(QDir::Files), L({"work.zip"}));
    }

    // A name asked for with a local name is taken literally, whatever wildcard characters
    // it holds; a name the characters would match as a pattern is not taken for it.
    void fetchUnderLocalNameIsLiteral_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lookalike");
        QTest::newRow("hash") << S("Office #2_BackUp_d20261211.zip") << S("Office 22_BackUp_d20261211.zip");
        QTest::newRow("brackets") << S("Daily [a]_BackUp_d20261211.zip") << S("Daily a_BackUp_d20261211.zip");
        QTest::newRow("star and question mark") << S("A*?_BackUp_d20261211.zip") << S("Abc_BackUp_d20261211.zip");
    }
    void fetchUnderLocalNameIsLiteral()
    {
        QFETCH(QString, name);
        QFETCH(QString, lookalike);
        serve();
        TestSupport::writeFile(m_root + QLatin1Char('/') + lookalike, "lookalike");
        Session s(m_server.port(), QStringLiteral("u"), QString());
        QVERIFY(!s.ftp.FTPretrieve_files(QString(), name, local("w"), QStringLiteral("work.zip")));
        QVERIFY(!QFile::exists(local("w/work.zip")));
        TestSupport::writeFile(m_root + QLatin1Char('/') + name, "the archive");
        QVERIFY(s.ftp.FTPretrieve_files(QString(), name, local("w"), QStringLiteral("work.zip")));
        QCOMPARE(TestSupport::readFile(local("w/work.zip")), QByteArray("the archive"));
    }

    // Every refusal of a read-only account fails, and nothing is left behind on either side.
    void readOnlyUserFails()
    {
        serve();
        QDir().mkpath(server("d"));
        TestSupport::writeFile(server("d/keep.zip"), "keep");
        TestSupport::writeFile(local("a.zip"), "archive");
        Session s(m_server.port(), QStringLiteral("ro"), QStringLiteral("d"));
        QVERIFY(!s.ftp.FTPcopy_files(true, local("a.zip"), QStringLiteral("a.zip")));
        QVERIFY(s.window.captions.contains(LangText(26)));
        QVERIFY(!s.ftp.FTPdelete_files(false, QStringLiteral("keep.zip")));
        QVERIFY(!s.ftp.FTPcheck_directory(QStringLiteral("new"), true));
        QCOMPARE(TestSupport::readFile(local("a.zip")), QByteArray("archive"));
        QCOMPARE(QDir(server("d")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), L({"keep.zip"}));
        QVERIFY(s.ftp.FTPretrieve_files(QString(), QStringLiteral("keep.zip"), local("r"), QString()));
        QVERIFY(errorLog().contains(QStringLiteral("FTPcopy_files of Modul QEV_InetFTP")));
    }

    void setUpFails_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("port");
        QTest::newRow("wrong password") << S("u") << S("nope") << S("");
        QTest::newRow("refused connection") << S("u") << S("pw") << S("closed");
        QTest::newRow("port zero") << S("u") << S("pw") << S("0");
        QTest::newRow("port too high") << S("u") << S("pw") << S("65536");
        QTest::newRow("port not a number") << S("u") << S("pw") << S("ftp");
    }
    void setUpFails()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, port);
        serve();
        TestSupport::writeFile(local("a.zip"), "archive");
        Session s(m_server.port(), user, QString());
        s.window.settings.password = password;
        if (port == QStringLiteral("closed")) {
            m_server.stop();
        } else if (!port.isEmpty()) {
            s.window.settings.port = port;
        }
        QVERIFY(!s.ftp.FTPcopy_files(false, local("a.zip"), QStringLiteral("a.zip")));
        QVERIFY(s.window.captions.contains(LangText(28)));
        QVERIFY(s.window.captions.contains(LangText(26)));
        QVERIFY(!s.ftp.FTPcheck_directory(QString(), false));
        QVERIFY(errorLog().contains(QStringLiteral("FTP_ini of Modul QEV_InetFTP")));
        QVERIFY(!QFileInfo::exists(server("a.zip")));
    }

    // Without its module a transfer fails as a transfer that cannot start does, with the reason
    // in the error log.
    void aMissingFtpModuleFailsTheTransfer()
    {
        serve();
        TestSupport::writeFile(local("a.zip"), "archive");
        Modules::setFolder(TestSupport::freshFolder(QStringLiteral("no-modules")));
        Session s(m_server.port(), QStringLiteral("u"), QString());
        const bool copied = s.ftp.FTPcopy_files(false, local("a.zip"), QStringLiteral("a.zip"));
        Modules::setFolder({});
        QVERIFY(!copied);
        QVERIFY2(errorLog().contains(QStringLiteral("libquillaro_ftp.so cannot be loaded")), qPrintable(errorLog()));
        QVERIFY(!QFileInfo::exists(server("a.zip")));
    }

    void serverDiesDuringUpload()
    {
        serve();
        TestSupport::writeFile(server("a.zip"), "old");
        TestSupport::writeFile(local("a.zip"), QByteArray(4 << 20, 'n'));
        Session s(m_server.port(), QStringLiteral("die"), QString());
        QVERIFY(!s.ftp.FTPcopy_files(false, local("a.zip"), QStringLiteral("a.zip")));
        QTRY_VERIFY(!m_server.isRunning());
        QCOMPARE(TestSupport::readFile(server("a.zip")), QByteArray("old"));
        QCOMPARE(QFileInfo(local("a.zip")).size(), qint64(4 << 20));
        // The broken copy could not be taken away; the next good upload of it replaces it.
        QVERIFY(QFileInfo::exists(server("a.zip.part")));
        QVERIFY(m_server.start(m_root));
        Session again(m_server.port(), QStringLiteral("u"), QString());
        QVERIFY(again.ftp.FTPcopy_files(false, local("a.zip"), QStringLiteral("a.zip")));
        QCOMPARE(QDir(m_root).entryList(QDir::Files), L({"a.zip"}));
        QCOMPARE(QFileInfo(server("a.zip")).size(), qint64(4 << 20));
    }

    // An upload broken off by a server that goes on serving leaves no partial copy behind,
    // and the file that was there stays.
    void brokenUploadLeavesNoPartialCopy()
    {
        serve();
        TestSupport::writeFile(server("a.zip"), "old");
        TestSupport::writeFile(local("a.zip"), QByteArray(4 << 20, 'n'));
        Session s(m_server.port(), QStringLiteral("cut"), QString());
        QVERIFY(!s.ftp.FTPcopy_files(false, local("a.zip"), QStringLiteral("a.zip")));
        QVERIFY(m_server.isRunning());
        QCOMPARE(QDir(m_root).entryList(QDir::Files), L({"a.zip"}));
        QCOMPARE(TestSupport::readFile(server("a.zip")), QByteArray("old"));
        QVERIFY(errorLog().contains(QStringLiteral("FTPcopy_files of Modul QEV_InetFTP")));
    }
};

QTEST_GUILESS_MAIN(tst_QEV_InetFTP)
#include "tst_QEV_InetFTP.moc"
