#include <QtTest>

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include "Globals.h"
#include "MailClient.h"
#include "MessageBox.h"
#include "Modules.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SmtpSink.h"
#include "TestSupport.h"

namespace {

const QString kAddress = QStringLiteral("backup@example.test");

void setUserSetting(const char* key, const QString& value)
{
    SettingsStore::saveValue(SettingsKeys::userScope(), QStringLiteral("Settings"), QString::fromLatin1(key), value);
}

void pointAt(quint16 port)
{
    setUserSetting("txtSMTPserver", QStringLiteral("127.0.0.1"));
    setUserSetting("txtSMTPport", QString::number(port));
    setUserSetting("txtSMTPeMail", kAddress);
}

QString errorLog() { return QString::fromUtf8(TestSupport::readFile(ErrorLogPath())); }

// A server that follows a script: the answer to each command verb, written in pieces that
// arrive apart. A verb without an answer stalls the dialogue.
class ScriptedPeer : public QObject
{
public:
    QMap<QByteArray, QList<QByteArray>> answers = {
        {"GREETING", {"220 peer ready\r\n"}}, {"HELO", {"250 hello\r\n"}}, {"MAIL", {"250 ok\r\n"}},
        {"RCPT", {"250 ok\r\n"}},             {"DATA", {"354 go on\r\n"}}, {"END", {"250 queued\r\n"}},
        {"QUIT", {"221 bye\r\n"}}};
    QList<QByteArray> commands; // every line received outside the message
    QByteArray message;         // the message as sent, end mark included
    bool closeAfterQuit = false;
    bool stopReadingInData = false; // the peer takes no more of the message after DATA

    ScriptedPeer()
    {
        (void)m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QTcpSocket::readyRead, this, [this] { received(); });
            answer("GREETING");
        });
    }
    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }

private:
    void received()
    {
        m_buffer += m_socket->readAll();
        for (qsizetype end; (end = m_buffer.indexOf("\r\n")) >= 0;) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 2);
            if (m_inData) {
                message += line + "\r\n";
                if (line == ".") {
                    m_inData = false;
                    answer("END");
                }
                continue;
            }
            commands.append(line);
            const QByteArray verb = line.left(4).toUpper();
            m_inData = verb == "DATA" && answers.value(verb).value(0).startsWith("354");
            if (m_inData && stopReadingInData) {
                m_socket->setReadBufferSize(1);
                disconnect(m_socket, &QTcpSocket::readyRead, this, nullptr);
            }
            answer(verb);
            if (verb == "QUIT" && closeAfterQuit)
                m_socket->disconnectFromHost();
        }
    }
    // Each piece goes out on its own turn of the event loop, after a short pause.
    void answer(const QByteArray& verb)
    {
        QList<QByteArray> pieces = answers.value(verb);
        if (pieces.size() == 1)
            m_socket->write(pieces.first());
        else
            writeApart(pieces);
    }
    void writeApart(QList<QByteArray> pieces)
    {
        if (pieces.isEmpty() || !m_socket)
            return;
        m_socket->write(pieces.takeFirst());
        m_socket->flush();
        QTimer::singleShot(50, this, [this, pieces] { writeApart(pieces); });
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_buffer;
    bool m_inData = false;
};

struct Outcome
{
    QStringList statuses;
    QList<QPair<QString, bool>> ended;
};

void record(MailClient& client, Outcome& outcome)
{
    QObject::connect(&client, &MailClient::statusText, [&outcome](const QString& s) { outcome.statuses.append(s); });
    QObject::connect(&client, &MailClient::mailEnded,
                     [&outcome](const QString& archive, bool sent) { outcome.ended.append({archive, sent}); });
}

// Sends one mail without attachments through a fresh client and waits until it has ended.
Outcome sendOne(int timeoutMs = 10000, quint16 popPort = 110)
{
    MailClient client;
    client.setTimeoutInterval(timeoutMs);
    client.setPopPort(popPort);
    Outcome outcome;
    record(client, outcome);
    client.Send_Mail(QString(), QStringLiteral("Standard"));
    client.waitForIdle();
    return outcome;
}

QStringList tempAttachmentFiles()
{
    return QDir(Paths::tempFolder()).entryList({QStringLiteral("Temp-*.dat")}, QDir::Files);
}

} // namespace

class tst_MailClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppName = QStringLiteral("Quillaro");
        g_User = QStringLiteral("TESTER");
        QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng")));
        QVERIFY(Paths::prepareFolders());
        MessageBoxSeam::setUnattended(false);
    }
    void init()
    {
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
        setUserSetting("txtDomain", QString());
        setUserSetting("chkPOPAuth", QStringLiteral("0"));
    }

    // The real server gets the archive and its log back byte for byte, whatever the size
    // leaves over a line of 45 bytes (14 over gives lines that begin with ".").
    void deliversAttachmentsByteForByte_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 14, 59, 45 * 7 + 14, 45 * 9000 + 14})
            QTest::addRow("%d bytes", size) << size;
    }
    void deliversAttachmentsByteForByte()
    {
        QFETCH(int, size);
        const QString work = TestSupport::freshFolder(QStringLiteral("mail"));
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        pointAt(sink.port());
        QByteArray archive(size, '\0');
        for (int i = 0; i < size; ++i)
            archive[i] = static_cast<char>((i * 7 + i / 251) % 256);
        const QByteArray log = ".a log line that begins with a dot\n.\n..\nlast";
        const QString path = work + QStringLiteral("/Std_BackUp_d20261210__1.zip");
        TestSupport::writeFile(path, archive);
        TestSupport::writeFile(path + QStringLiteral(".log"), log);

        MailClient client;
        Outcome outcome;
        record(client, outcome);
        client.Send_Mail(path, QStringLiteral("Standard"));
        client.waitForIdle();

        QCOMPARE(outcome.ended, (QList<QPair<QString, bool>>{{path, true}}));
        QCOMPARE(sink.envelope(1), (kAddress + QLatin1Char('\n') + kAddress + QLatin1Char('\n')).toUtf8());
        const QString decoded = TestSupport::freshFolder(QStringLiteral("decoded"));
        QCOMPARE(TestSupport::decodeAttachments(sink.message(1), decoded),
                 (QStringList{QStringLiteral("Std_BackUp_d20261210__1.zip"), QStringLiteral("Std_BackUp_d20261210__1.zip.log")}));
        QCOMPARE(TestSupport::readFile(decoded + QStringLiteral("/Std_BackUp_d20261210__1.zip")), archive);
        QCOMPARE(TestSupport::readFile(decoded + QStringLiteral("/Std_BackUp_d20261210__1.zip.log")), log);
        QVERIFY(outcome.statuses.contains(LangText(256)));
        QVERIFY(tempAttachmentFiles().isEmpty());
    }

    // Mails of several parts queue; each is encoded when it is asked for, so the files may go
    // at once, and each arrives as a message of its own.
    void queuesOneMailPerPart()
    {
        const QString work = TestSupport::freshFolder(QStringLiteral("parts"));
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        pointAt(sink.port());
        MailClient client;
        Outcome outcome;
        record(client, outcome);
        for (int part = 1; part <= 3; ++part) {
            const QString path = work + QStringLiteral("/Std_BackUp_d20261210__%1.zip").arg(part);
            TestSupport::writeFile(path, QByteArray(part * 1000, char('a' + part)));
            client.Send_Mail(path, QStringLiteral("Standard"));
            QVERIFY(QFile::remove(path));
        }
        client.waitForIdle();
        QCOMPARE(outcome.ended.size(), 3);
        for (int part = 1; part <= 3; ++part) {
            QVERIFY(outcome.ended.at(part - 1).second);
            const QString decoded = TestSupport::freshFolder(QStringLiteral("decoded"));
            const QString name = QStringLiteral("Std_BackUp_d20261210__%1.zip").arg(part);
            QCOMPARE(TestSupport::decodeAttachments(sink.message(part), decoded), QStringList{name});
            QCOMPARE(TestSupport::readFile(decoded + QLatin1Char('/') + name), QByteArray(part * 1000, char('a' + part)));
        }
    }

    // The header: a date in the Internet form, the subject, and the body after an empty line.
    void writesTheHeader()
    {
        ScriptedPeer peer;
        pointAt(peer.port());
        (void)sendOne();
        const QList<QByteArray> lines = peer.message.split('\n');
        QVERIFY(lines.size() > 6);
        QVERIFY(lines.at(0).startsWith("Date: "));
        QVERIFY(QDateTime::fromString(QString::fromLatin1(lines.at(0).mid(6).trimmed()), Qt::RFC2822Date).isValid());
        QCOMPARE(lines.at(1), "FROM: " + kAddress.toUtf8() + '\r');
        QCOMPARE(lines.at(2), "TO: " + kAddress.toUtf8() + '\r');
        QCOMPARE(lines.at(3), "SUBJECT: " + LangText(261).toUtf8() + '\r');
        QCOMPARE(lines.at(4), "\r");
        // Without attachments the body's last line is followed by the end mark alone.
        QCOMPARE(lines.at(lines.size() - 2), ".\r");
        QVERIFY(lines.at(lines.size() - 3).startsWith(QByteArray(LangText(263).toUtf8() + ' ')));
        QCOMPARE(peer.commands.first(), "HELO " + QHostInfo::localHostName().toUtf8());
    }

    // Replies split over pieces, several in one piece, multi-line replies, a second greeting
    // and a forwarding 251: one HELO, each command once, the message sent.
    void followsRepliesHoweverTheyArrive()
    {
        ScriptedPeer peer;
        peer.answers["GREETING"] = {"22", "0 first\r\n220 second greeting\r\n"};
        peer.answers["HELO"] = {"250-peer.test\r\n250-SIZE 1000\r", "\n25", "0 HELP\r\n"};
        peer.answers["RCPT"] = {"251 forwarded\r\n"};
        setUserSetting("txtDomain", QStringLiteral("example.test"));
        pointAt(peer.port());
        const Outcome outcome = sendOne();
        QCOMPARE(peer.commands,
                 (QList<QByteArray>{"HELO example.test", "MAIL FROM:<" + kAddress.toUtf8() + ">",
                                    "RCPT TO:<" + kAddress.toUtf8() + ">", "DATA"}));
        QVERIFY(outcome.statuses.contains(LangText(259) + QStringLiteral("###fehlt")));
        QCOMPARE(outcome.ended.value(0).second, true);
    }

    // A refused recipient shows the server's text and nothing more is sent.
    void refusedRecipientEndsTheMail()
    {
        ScriptedPeer peer;
        peer.answers["RCPT"] = {"550 5.1.1 no such user\r\n"};
        pointAt(peer.port());
        const Outcome outcome = sendOne();
        QCOMPARE(outcome.ended.value(0).second, false);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text, QStringLiteral("5.1.1 no such user"));
        QCOMPARE(MessageBoxSeam::shown().first().title, LangText(266));
        QCOMPARE(outcome.statuses.last(), LangText(267));
        QTest::qWait(100);
        QCOMPARE(peer.commands.size(), 3);
        QVERIFY(errorLog().contains(QStringLiteral("5.1.1 no such user")));
    }

    // Every wait ends: a server that never greets, or stalls in the middle.
    void stalledServerTimesOut_data()
    {
        QTest::addColumn<QByteArray>("stallAt");
        QTest::newRow("greeting") << QByteArray("GREETING");
        QTest::newRow("after MAIL FROM") << QByteArray("MAIL");
        QTest::newRow("after the message") << QByteArray("END");
    }
    void stalledServerTimesOut()
    {
        QFETCH(QByteArray, stallAt);
        ScriptedPeer peer;
        peer.answers[stallAt] = {};
        pointAt(peer.port());
        const Outcome outcome = sendOne(300);
        QCOMPARE(outcome.ended.value(0).second, false);
        QVERIFY(outcome.statuses.contains(LangText(272)));
        QVERIFY(errorLog().contains(QStringLiteral("did not answer in time")));
    }

    // A server that stops taking the message: the client hands the socket a few chunks at a
    // time, never the whole encoded archive, and gives up once nothing moves.
    void stalledTransferTimesOut()
    {
        const QString path = TestSupport::freshFolder(QStringLiteral("big")) + QStringLiteral("/big.zip");
        TestSupport::writeFile(path, QByteArray(30 * 1024 * 1024, 'x'));
        ScriptedPeer peer;
        peer.stopReadingInData = true;
        pointAt(peer.port());
        MailClient client;
        client.setTimeoutInterval(500);
        Outcome outcome;
        record(client, outcome);
        auto* socket = client.findChild<QTcpSocket*>(QStringLiteral("sckSMTP"));
        QVERIFY(socket);
        qint64 mostQueued = 0;
        connect(socket, &QTcpSocket::bytesWritten, this, [&] { mostQueued = qMax(mostQueued, socket->bytesToWrite()); });
        client.Send_Mail(path, QStringLiteral("Standard"));
        client.waitForIdle();
        QCOMPARE(outcome.ended.value(0).second, false);
        QVERIFY(outcome.statuses.contains(LangText(272)));
        QVERIFY2(mostQueued > 0 && mostQueued <= 64 * 1024, qPrintable(QString::number(mostQueued)));
    }

    void refusedConnectionIsReported()
    {
        pointAt(TestSupport::freeLoopbackPort());
        const Outcome outcome = sendOne();
        QCOMPARE(outcome.ended.value(0).second, false);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.startsWith(LangText(271) + QStringLiteral(" [")));
        QCOMPARE(MessageBoxSeam::shown().first().title, LangText(16));
    }

    // Without its module a mail fails as one whose server cannot be reached, with the reason in
    // the error log, and the next client tries the module again.
    void aMissingMailModuleFailsTheMail()
    {
        QFile::remove(ErrorLogPath());
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        pointAt(sink.port());
        Modules::setFolder(TestSupport::freshFolder(QStringLiteral("no-modules")));
        const Outcome outcome = sendOne();
        Modules::setFolder({});
        QCOMPARE(outcome.ended, (QList<QPair<QString, bool>>{{QString(), false}}));
        QVERIFY2(errorLog().contains(QStringLiteral("was not sent: the program's module"))
                     && errorLog().contains(QStringLiteral("libquillaro_mail.so cannot be loaded")),
                 qPrintable(errorLog()));
        QCOMPARE(sink.messageCount(), 0);
        QCOMPARE(sendOne().ended, (QList<QPair<QString, bool>>{{QString(), true}}));
        QCOMPARE(sink.messageCount(), 1);
    }

    // A mail that cannot be addressed never reaches the server: nothing is sent, the mail
    // counts as failed and the log says why.
    void unaddressableMailIsNotSent_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("bracket") << QStringLiteral("a>b@example.test");
        QTest::newRow("inner blank") << QStringLiteral("a b@example.test");
    }
    void unaddressableMailIsNotSent()
    {
        QFETCH(QString, address);
        QFile::remove(ErrorLogPath());
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        pointAt(sink.port());
        setUserSetting("txtSMTPeMail", address);
        const Outcome outcome = sendOne();
        QCOMPARE(outcome.ended.value(0).second, false);
        // A second, good mail through the same server proves the first would have been stored.
        pointAt(sink.port());
        QCOMPARE(sendOne().ended.value(0).second, true);
        QCOMPARE(sink.messageCount(), 1);
        QCOMPARE(sink.envelope(1), (kAddress + QLatin1Char('\n') + kAddress + QLatin1Char('\n')).toUtf8());
        QVERIFY2(errorLog().contains(QStringLiteral("txtSMTPeMail")), qPrintable(errorLog()));
    }

    // A POP server that cannot be reached after the mail server took the mail: the mail
    // counts as sent, and the box says it was the POP step that failed.
    void unreachablePopServerIsNotAFailedMail()
    {
        TestSupport::SmtpSink sink(TestSupport::freshFolder(QStringLiteral("received")));
        QVERIFY(sink.ready());
        pointAt(sink.port());
        setUserSetting("txtPOPserver", QStringLiteral("127.0.0.1"));
        setUserSetting("chkPOPAuth", QStringLiteral("1"));
        const Outcome outcome = sendOne(5000, TestSupport::freeLoopbackPort());
        QCOMPARE(outcome.ended.value(0).second, true);
        QCOMPARE(sink.messageCount(), 1);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        const QString text = MessageBoxSeam::shown().first().text;
        QVERIFY2(text.startsWith(LangText(257) + QStringLiteral(" [")), qPrintable(text));
        QVERIFY2(!text.contains(LangText(271)), qPrintable(text));
        QCOMPARE(outcome.statuses.last(), LangText(257));
    }

    // After the message the POP server is signed on and off; a refusal there is shown, and
    // the mail still counts as sent.
    void popSignOnAndOff_data()
    {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<int>("statusText");
        QTest::addColumn<bool>("quitSent");
        QTest::newRow("signed off") << QByteArray("+OK POP3 ready\r\n") << 258 << true;
        QTest::newRow("refused") << QByteArray("-ERR not now\r\n") << 257 << false;
        QTest::newRow("stalled") << QByteArray() << 257 << false;
    }
    void popSignOnAndOff()
    {
        QFETCH(QByteArray, greeting);
        QFETCH(int, statusText);
        QFETCH(bool, quitSent);
        ScriptedPeer smtp;
        ScriptedPeer pop;
        pop.answers = {{"GREETING", {greeting}}, {"QUIT", {"+OK bye\r\n"}}};
        if (greeting.isEmpty())
            pop.answers.remove("GREETING");
        pop.closeAfterQuit = true;
        pointAt(smtp.port());
        setUserSetting("txtPOPserver", QStringLiteral("127.0.0.1"));
        setUserSetting("chkPOPAuth", QStringLiteral("1"));
        const Outcome outcome = sendOne(500, pop.port());
        QCOMPARE(outcome.ended.value(0).second, true);
        QCOMPARE(outcome.statuses.last(), LangText(statusText));
        QCOMPARE(pop.commands, quitSent ? QList<QByteArray>{"QUIT"} : QList<QByteArray>{});
        if (greeting.startsWith("-ERR")) {
            QCOMPARE(MessageBoxSeam::shown().size(), 1);
            QCOMPARE(MessageBoxSeam::shown().first().text, QStringLiteral("Error not now at POP Server"));
            QCOMPARE(MessageBoxSeam::shown().first().title, QStringLiteral("Error from server"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_MailClient)
#include "tst_MailClient.moc"
