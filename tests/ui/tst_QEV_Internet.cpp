#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextEdit>
#include <QToolBar>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFixture.h"
#include "QEV_ErrorLog.h"
#include "QEV_Internet.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SmtpSink.h"
#include "TestSupport.h"
#include "WebFetch.h"
#include "WebOpener.h"
#include "frmMain_BackUp.h"

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

QString version(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString running() { return version(kVersionMajor, kVersionMinor, kVersionRevision); }

void pointAt(const char* key, const QString& address)
{
    SettingsStore::saveValue(SettingsKeys::userScope(), QStringLiteral("Settings"),
                             QString::fromLatin1(key), address);
}

QString noInformation() { return LangText(48) + QLatin1Char('\n') + LangText(49); }

} // namespace

// The news and the new-version check against a real web server on 127.0.0.1, one that never
// answers, and none at all.
class tst_QEV_Internet : public QObject
{
    Q_OBJECT

private:
    QString m_site;
    quint16 m_port = 0;
    QProcess m_server;
    QStringList m_opened;

    QString address(const QString& file) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(file);
    }
    void serve(const QString& file, const QByteArray& content)
    {
        writeFile(m_site + QLatin1Char('/') + file, content);
    }
    // The boxes the check showed, by text.
    static QStringList shownTexts()
    {
        QStringList texts;
        for (const MsgRequest& box : MessageBoxSeam::shown())
            texts << box.text;
        return texts;
    }
    QString localCopy() const { return Paths::tempFolder() + QStringLiteral("/versions.txt"); }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        m_site = TestSupport::freshFolder(QStringLiteral("site"));
        m_port = TestSupport::freeLoopbackPort();
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
                        QStringLiteral("127.0.0.1"), QStringLiteral("--directory"), m_site,
                        QString::number(m_port)});
        QVERIFY(m_server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, m_port);
                return probe.waitForConnected(200);
            }(),
            20000);
        WebFetch::setTimeoutMs(1500);
        WebOpener::setFake([this](const QString& page) { m_opened << page; });
    }

    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    void init()
    {
        TestSupport::clearProfiles();
        pointAt("NewsURL", address(QStringLiteral("news.html")));
        pointAt("VersionListURL", address(QStringLiteral("versions.txt")));
        pointAt("DownloadURL", QStringLiteral("http://127.0.0.1:9/download"));
        QFile::remove(m_site + QStringLiteral("/versions.txt"));
        QFile::remove(localCopy());
        serve(QStringLiteral("news.html"), "<html><body><p>Served <b>news</b></p></body></html>");
        MessageBoxSeam::clearShown();
        MessageBoxSeam::clearScript();
        m_opened.clear();
    }

    void tellsWhetherTheServedListIsNewer_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<int>("langText"); // 0: no newer version
        const int major = kVersionMajor, minor = kVersionMinor, revision = kVersionRevision;
        QTest::newRow("newer major") << version(major + 1, 0, 0) << 47;
        QTest::newRow("newer minor") << version(major, minor + 1, 0) << 46;
        QTest::newRow("newer revision") << version(major, minor, revision + 1) << 45;
        QTest::newRow("equal") << running() << 0;
        QTest::newRow("older") << version(major - 1, 9, 9) << 0;
    }

    void tellsWhetherTheServedListIsNewer()
    {
        QFETCH(QString, listed);
        QFETCH(int, langText);
        serve(QStringLiteral("versions.txt"), "100,9.9.9\n300," + listed.toLatin1() + "\n");
        MessageBoxSeam::scriptAnswer(MsgResult::No);
        QTextEdit news;
        ChkNewVersion(&news);
        QCOMPARE(news.toPlainText(), QStringLiteral("Served news"));
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        const MsgRequest box = MessageBoxSeam::shown().first();
        QCOMPARE(box.title, LangText(23));
        QCOMPARE(box.icon, MsgIcon::Information);
        if (langText) {
            QCOMPARE(box.buttons, MsgButtons::YesNo);
            QCOMPARE(box.text, AppName + QLatin1Char(' ') + LangText(langText) + QStringLiteral(" (v. ")
                                   + listed + QStringLiteral(") ") + LangText(43) + QLatin1Char('\n')
                                   + LangText(44));
        } else {
            QCOMPARE(box.buttons, MsgButtons::Ok);
            QCOMPARE(box.text, LangText(42) + QStringLiteral(" (") + g_ProgramVersion
                                   + QStringLiteral(") of ") + AppName + QLatin1Char('.'));
        }
        QVERIFY(m_opened.isEmpty()); // No opens nothing
        QCOMPARE(readFile(localCopy()), "100,9.9.9\n300," + listed.toLatin1() + "\n\r\n");
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void yesOpensTheDownloadPage()
    {
        serve(QStringLiteral("versions.txt"), "300," + version(kVersionMajor + 1, 0, 0).toLatin1());
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        QTextEdit news;
        ChkNewVersion(&news);
        QCOMPARE(m_opened, QStringList{QStringLiteral("http://127.0.0.1:9/download")});
    }

    // Nothing that cannot be read offers a new version; only a broken record of the program
    // is worth a line in the error log.
    void whatCannotBeReadGivesNoInformation_data()
    {
        QTest::addColumn<QByteArray>("served"); // "-": no file on the server
        QTest::addColumn<bool>("logged");
        QTest::newRow("missing list") << QByteArray("-") << false;
        QTest::newRow("empty file") << QByteArray("") << false;
        QTest::newRow("no record of the program") << QByteArray("100,9.9.9\n200,1.0.0\n") << false;
        QTest::newRow("one dot only") << QByteArray("300,99.1\n") << true;
        QTest::newRow("not a number") << QByteArray("300,99.x.0\n") << true;
    }

    void whatCannotBeReadGivesNoInformation()
    {
        QFETCH(QByteArray, served);
        QFETCH(bool, logged);
        if (served != "-")
            serve(QStringLiteral("versions.txt"), served);
        QTextEdit news;
        ChkNewVersion(&news);
        QCOMPARE(shownTexts(), QStringList{noInformation()});
        QCOMPARE(MessageBoxSeam::shown().first().icon, MsgIcon::Critical);
        QCOMPARE(MessageBoxSeam::shown().first().title, LangText(16));
        QCOMPARE(news.toPlainText(), QStringLiteral("Served news"));
        QCOMPARE(readFile(ErrorLogPath()).contains("ChkNewVersion of Modul QEV_Internet"), logged);
    }

    // A server that takes the connection and never answers, and an address where nobody
    // listens: the check ends with the no-information message, and the window's event loop
    // kept turning while it waited.
    void aSilentOrAbsentServerGivesNoInformation_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("never answers") << true;
        QTest::newRow("nobody listens") << false;
    }

    void aSilentOrAbsentServerGivesNoInformation()
    {
        QFETCH(bool, listening);
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        const quint16 port = silent.serverPort();
        if (!listening)
            silent.close();
        pointAt("NewsURL", QStringLiteral("http://127.0.0.1:%1/news.html").arg(port));
        QTextEdit news;
        news.setPlainText(QStringLiteral("before"));
        bool turned = false;
        QTimer tick; // goes with this function, so it cannot fire into a later one
        tick.setSingleShot(true);
        connect(&tick, &QTimer::timeout, this, [&] { turned = true; });
        tick.start(100);
        ChkNewVersion(&news);
        QCOMPARE(shownTexts(), QStringList{noInformation()});
        QCOMPARE(news.toPlainText(), QStringLiteral("before"));
        QVERIFY(!QFile::exists(localCopy()));
        QVERIFY(!QFile::exists(ErrorLogPath()));
        if (listening)
            QVERIFY(turned);
    }

    void theNewsBoxShowsTheServedNews_data()
    {
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QString>("shown");
        QTest::newRow("html") << QByteArray("<html><body><h1>Release</h1><p>Fixes</p></body></html>")
                              << "Release\nFixes";
        QTest::newRow("plain text") << QByteArray("Plain <news> & more\nsecond line")
                                    << "Plain <news> & more\nsecond line";
        QTest::newRow("rich text") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Rich\\par "
                                                 "news\\par}")
                                   << "Rich\nnews";
    }

    void theNewsBoxShowsTheServedNews()
    {
        QFETCH(QByteArray, served);
        QFETCH(QString, shown);
        const QString file = QStringLiteral("news-%1.txt")
                                 .arg(QString::fromLatin1(QTest::currentDataTag()))
                                 .replace(QLatin1Char(' '), QLatin1Char('-'));
        serve(file, served);
        pointAt("NewsURL", address(file));
        QTextEdit news;
        QVERIFY(LoadNews(&news));
        QCOMPARE(news.toPlainText(), shown);
    }

    // The toolbar's Update command and the news picture go through the same fetcher.
    void theMainWindowsCommandsFetchTheNews()
    {
        serve(QStringLiteral("versions.txt"), "300," + running().toLatin1() + "\n");
        frmMain_BackUp window;
        g_frmMain = &window;
        window.Form_Load();
        QAction* update = window.tbTools->findChild<QAction*>(QStringLiteral("Update"));
        bool disabledWhileItRan = false;
        QTimer probe;
        probe.setSingleShot(true);
        connect(&probe, &QTimer::timeout, this, [&] { disabledWhileItRan = !update->isEnabled(); });
        probe.start(0);
        const quint16 nobody = TestSupport::freeLoopbackPort();
        pointAt("NewsURL", QStringLiteral("http://127.0.0.1:%1/news.html").arg(nobody));
        update->trigger();
        QCOMPARE(shownTexts(), QStringList{noInformation()});
        QVERIFY(update->isEnabled());
        pointAt("NewsURL", address(QStringLiteral("news.html")));
        update->trigger();
        QCOMPARE(window.RtbNews1->toPlainText(), QStringLiteral("Served news"));
        QVERIFY(disabledWhileItRan);
        QVERIFY(update->isEnabled());
        window.RtbNews1->clear();
        pointAt("HomePageURL", QStringLiteral("http://127.0.0.1:9/home"));
        window.tbTools->findChild<QAction*>(QStringLiteral("Home"))->trigger();
        QCOMPARE(m_opened, QStringList{QStringLiteral("http://127.0.0.1:9/home")});
        QCOMPARE(window.RtbNews1->toPlainText(), QStringLiteral("Served news"));
        g_frmMain = nullptr;
    }
};

QTEST_MAIN(tst_QEV_Internet)
#include "tst_QEV_Internet.moc"
