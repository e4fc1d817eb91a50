#include "MailClient.h"

#include <cctype>

#include <QDir>
#include <QEventLoop>
#include <QLocale>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QTimer>

#include "Clock.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Modules.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "modUUcode.h"

namespace {

constexpr int kChunk = 8192;
// Chunks are handed to the socket only while it holds less than this, so a large archive is
// never read into memory whole.
constexpr qint64 kWriteAhead = 4 * kChunk;

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

QString userSetting(const char* key, const QString& defaultValue = {})
{
    return SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("Settings"),
                                   QString::fromLatin1(key), defaultValue)
        .trimmed();
}

// A line that begins with "." gets one more, so that the server does not take it away.
QByteArray dotStuffed(const QByteArray& bytes, bool& lineStart)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 32);
    for (const char c : bytes) {
        if (lineStart && c == '.')
            out.append('.');
        out.append(c);
        lineStart = c == '\n';
    }
    return out;
}

// The date in the Internet message form: "Thu, 10 Dec 2026 14:33:02 +0100".
QString internetDate(const QDateTime& when)
{
    const int offset = when.offsetFromUtc() / 60;
    const QChar sign = offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return QLocale::c().toString(when, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + sign
           + QStringLiteral("%1%2").arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0')).arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
}

// The end of the first complete reply in the buffer (after its last line end), 0 when none:
// lines "250-..." continue a reply, a line without the "-" ends it.
qsizetype replyEnd(const QByteArray& buffer)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype newline = buffer.indexOf('\n', start);
        if (newline < 0)
            return 0;
        const QByteArray line = buffer.mid(start, newline - start);
        const bool continued = line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line.at(0)))
                               && std::isdigit(static_cast<unsigned char>(line.at(1)))
                               && std::isdigit(static_cast<unsigned char>(line.at(2))) && line.at(3) == '-';
        start = newline + 1;
        if (!continued)
            return start;
    }
}

// An address that a MAIL FROM or RCPT TO command can carry: not empty, and nothing in it that
// would end the command or the angle brackets around it.
bool isSendableAddress(const QString& address)
{
    if (address.isEmpty())
        return false;
    for (const QChar c : address) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('<') || c == QLatin1Char('>'))
            return false;
    }
    return true;
}

int replyCode(const QByteArray& reply)
{
    bool ok = false;
    const int code = reply.left(3).toInt(&ok);
    return ok && reply.size() >= 3 ? code : 0;
}

// In place of the connection when the mail module cannot be loaded: every connection fails,
// as one to an unreachable server does, with the reason.
class MissingMailSocket final : public MailSocket
{
public:
    MissingMailSocket(MailSocketEvents* events, QString why)
        : m_events(events)
        , m_why(std::move(why))
    {
    }
    void connectToHost(const QString& /*host*/, quint16 /*port*/) override
    {
        m_attempt = std::make_unique<QObject>();
        QTimer::singleShot(0, m_attempt.get(), [this] { m_events->socketError(kUnknownError, m_why); });
    }
    void write(const QByteArray& /*bytes*/) override {}
    QByteArray readAll() override { return {}; }
    qint64 bytesToWrite() const override { return 0; }
    void abort() override { m_attempt.reset(); }

private:
    MailSocketEvents* m_events;
    QString m_why;
    std::unique_ptr<QObject> m_attempt; // the pending failure goes with it
};

std::unique_ptr<MailSocket> makeSocket(QObject* owner, MailSocketEvents* events)
{
    QString error;
    const auto create =
        reinterpret_cast<MailModule::Create>(Modules::entry(MailModule::kName, MailModule::kCreate, &error));
    if (!create)
        return std::make_unique<MissingMailSocket>(events, error);
    return std::unique_ptr<MailSocket>(create(owner, events));
}

} // namespace

struct MailClient::Job
{
    QString archive;
    QString smtpHost;
    quint16 smtpPort = 25;
    QString popHost;
    bool popStep = false;
    QString helo;
    QString address;
    QString from;
    QString to;
    QTemporaryFile attachments;
    bool broken = false; // could not be prepared: ends without a connection
};

MailClient::MailClient(QObject* parent)
    : QObject(parent)
    , sckSMTP(makeSocket(this, this))
    , tmrtimeout(new QTimer(this))
{
    tmrtimeout->setObjectName(QStringLiteral("tmrtimeout"));
    tmrtimeout->setInterval(10000);
    tmrtimeout->setSingleShot(true);
    connect(tmrtimeout, &QTimer::timeout, this, &MailClient::tmrtimeout_Timer);
}

MailClient::~MailClient()
{
    m_phase = Phase::Idle;
    sckSMTP.reset();
}

void MailClient::setTimeoutInterval(int ms) { tmrtimeout->setInterval(ms); }

bool MailClient::idle() const { return !m_job && m_queue.empty(); }

void MailClient::waitForIdle()
{
    if (idle())
        return;
    QEventLoop loop;
    connect(this, &MailClient::allEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- jobs -----------------------------------------------------------------------------

void MailClient::Send_Mail(const QString& archivePath, const QString& profile)
{
    auto job = std::make_unique<Job>();
    job->archive = archivePath;
    job->smtpHost = userSetting("txtSMTPserver");
    bool portOk = false;
    job->smtpPort = userSetting("txtSMTPport", QStringLiteral("25")).toUShort(&portOk);
    job->popHost = userSetting("txtPOPserver");
    job->popStep = userSetting("chkPOPAuth", QStringLiteral("0")) == QStringLiteral("1");
    const QString domain = userSetting("txtDomain");
    const QString host = QSysInfo::machineHostName();
    job->helo = !domain.isEmpty() ? domain : host.isEmpty() ? QStringLiteral("localhost") : host;
    job->address = userSetting("txtSMTPeMail");
    const QString userEmail = SettingsStore::getValue(SettingsKeys::commonScope(), g_User, QStringLiteral("txtUserEmail")).trimmed();
    // No operation sets the user's own address; the envelope address stands in for it.
    job->from = userEmail.isEmpty() ? job->address : userEmail;
    job->to = SettingsStore::getValue(SettingsKeys::profileScope(profile), QStringLiteral("Settings"),
                                      QStringLiteral("txtSMTPeMail"), userEmail)
                  .trimmed();
    if (job->to.isEmpty())
        job->to = job->address;
    if (!portOk || job->smtpPort == 0) {
        ReportError(label("Send_Mail"), ErrNo::InvalidCall,
                    QStringLiteral("the SMTP port is not a port number: ") + userSetting("txtSMTPport"));
        job->broken = true;
    }
    if (!job->broken && !isSendableAddress(job->address)) {
        ReportError(label("Send_Mail"), ErrNo::InvalidCall,
                    QStringLiteral("the mail of ") + archivePath
                        + QStringLiteral(" was not sent: the e-mail address (txtSMTPeMail) is empty or no address: \"")
                        + job->address + QLatin1Char('"'));
        job->broken = true;
    }
    // The attachments are encoded now: the run may delete its working files once this returns.
    (void)QDir().mkpath(Paths::tempFolder());
    job->attachments.setFileTemplate(Paths::tempFolder() + QStringLiteral("/Temp-XXXXXX.dat"));
    if (!job->attachments.open()) {
        ReportError(label("Send_Mail"), ErrNo::PathFileAccess,
                    QStringLiteral("cannot create the attachment file in ") + Paths::tempFolder());
        job->broken = true;
    }
    job->attachments.close();
    for (const QString& path : QStringList{archivePath, archivePath + QStringLiteral(".log")}) {
        if (job->broken || path.isEmpty() || !FileExists(path))
            continue;
        if (const int error = UUEncodeFile(path, job->attachments.fileName(), true); error != 0) {
            ReportError(label("Send_Mail"), error, QStringLiteral("cannot encode the attachment ") + path);
            job->broken = true;
        }
    }
    m_queue.push_back(std::move(job));
    startNext();
}

void MailClient::startNext()
{
    if (m_job || m_phase != Phase::Idle)
        return;
    if (m_queue.empty()) {
        emit allEnded();
        return;
    }
    m_job = std::move(m_queue.front());
    m_queue.pop_front();
    if (m_job->broken) {
        endJob(false);
        return;
    }
    m_received.clear();
    m_lastCommand.clear();
    m_greeted = false;
    m_sent = false;
    m_attachmentsPending = true;
    m_phase = Phase::Smtp;
    sckSMTP->connectToHost(m_job->smtpHost, m_job->smtpPort);
    tmrtimeout->start();
}

void MailClient::endJob(bool sent)
{
    m_phase = Phase::Idle;
    m_streaming = false;
    m_stream.close();
    tmrtimeout->stop();
    m_greeted = false;
    sckSMTP->abort();
    m_received.clear();
    const QString archive = m_job ? m_job->archive : QString();
    m_job.reset();
    emit mailEnded(archive, sent);
    QTimer::singleShot(0, this, &MailClient::startNext);
}

void MailClient::status(int text, const QString& tail) { emit statusText(LangText(text) + tail); }

// ---- socket events --------------------------------------------------------------------

void MailClient::write(const QByteArray& bytes)
{
    sckSMTP->write(bytes);
    tmrtimeout->start();
}

void MailClient::SMTP_SendCommand(const QString& command)
{
    m_lastCommand = command.trimmed().left(4).toUpper();
    write(command.toUtf8());
}

void MailClient::socketConnected() { emit statusText(QStringLiteral("Connected to server")); }

void MailClient::socketReadyRead()
{
    m_received += sckSMTP->readAll();
    while (m_phase != Phase::Idle) {
        const qsizetype end = replyEnd(m_received);
        if (end == 0)
            return;
        const QByteArray reply = m_received.left(end);
        m_received.remove(0, end);
        handleReply(reply);
    }
}

void MailClient::handleReply(const QByteArray& reply)
{
    if (m_phase == Phase::Smtp)
        handleSmtpReply(replyCode(reply), reply);
    else
        handlePopReply(reply);
}

void MailClient::handleSmtpReply(int code, const QByteArray& reply)
{
    if (code == 220 && !m_greeted) {
        m_greeted = true;
        SMTP_SendCommand(QStringLiteral("HELO ") + m_job->helo + QStringLiteral("\r\n"));
    } else if (code == 250 && m_lastCommand == QStringLiteral("HELO")) {
        SMTP_SendCommand(QStringLiteral("MAIL FROM:<") + m_job->address + QStringLiteral(">\r\n"));
        status(253);
    } else if (code == 250 && m_lastCommand == QStringLiteral("MAIL")) {
        SMTP_SendCommand(QStringLiteral("RCPT TO:<") + m_job->address + QStringLiteral(">\r\n"));
        status(254);
    } else if ((code == 250 || code == 251) && m_lastCommand == QStringLiteral("RCPT")) {
        if (code == 250)
            status(255);
        SMTP_SendCommand(QStringLiteral("DATA\r\n"));
        if (code == 251)
            status(259, QStringLiteral("###fehlt"));
    } else if (code == 250 && m_lastCommand == QStringLiteral("DATE")) {
        status(256);
        m_sent = true;
        m_greeted = false;
        if (m_job->popStep) {
            startPopStep();
        } else {
            endJob(true);
        }
    } else if (code == 354 && m_lastCommand == QStringLiteral("DATA") && m_attachmentsPending) {
        sendMessage();
    } else if (code >= 400) {
        refused(reply);
    }
}

void MailClient::refused(const QByteArray& reply)
{
    const QString text = QString::fromUtf8(reply.mid(3)).trimmed();
    MsgBox(text, MsgButtons::Ok, MsgIcon::Information, LangText(266));
    status(267);
    ReportError(label("sckSMTP_DataArrival"), ErrNo::DeviceIO,
                QStringLiteral("the mail server refused the mail of ") + m_job->archive + QStringLiteral(": ")
                    + QString::fromUtf8(reply).simplified());
    endJob(false);
}

void MailClient::sendMessage()
{
    status(260);
    m_attachmentsPending = false;
    const QDateTime now = Clock::now();
    const QStringList lines = {QStringLiteral("Date: ") + internetDate(now),
                               QStringLiteral("FROM: ") + m_job->from,
                               QStringLiteral("TO: ") + m_job->to,
                               QStringLiteral("SUBJECT: ") + LangText(261),
                               QString(),
                               LangText(262),
                               QString(),
                               LangText(263) + QLatin1Char(' ') + GeneralDate(now)};
    const QString message = lines.join(QStringLiteral("\r\n"));
    m_lastCommand = message.trimmed().left(4).toUpper();
    m_lineStart = true;
    write(dotStuffed(message.toUtf8(), m_lineStart));
    status(264);
    m_stream.setFileName(m_job->attachments.fileName());
    if (!m_stream.open(QIODevice::ReadOnly)) {
        ReportError(label("sckSMTP_DataArrival"), ErrNo::FileNotFound,
                    QStringLiteral("cannot read the attachment file ") + m_stream.fileName());
        endJob(false);
        return;
    }
    m_streaming = true;
    sendAttachmentChunks();
}

void MailClient::sendAttachmentChunks()
{
    while (m_streaming && sckSMTP->bytesToWrite() < kWriteAhead) {
        const QByteArray chunk = m_stream.read(kChunk);
        if (m_stream.error() != QFileDevice::NoError) {
            ReportError(label("sckSMTP_DataArrival"), ErrNo::DeviceIO,
                        QStringLiteral("cannot read the attachment file ") + m_stream.fileName());
            endJob(false);
            return;
        }
        if (!chunk.isEmpty()) {
            write(dotStuffed(chunk, m_lineStart));
            continue;
        }
        m_streaming = false;
        m_stream.close();
        write(QByteArrayLiteral("\r\n.\r\n"));
        status(265);
    }
}

void MailClient::socketBytesWritten()
{
    if (m_phase == Phase::Idle)
        return;
    tmrtimeout->start();
    if (m_streaming)
        sendAttachmentChunks();
}

// ---- the POP3 step --------------------------------------------------------------------

void MailClient::startPopStep()
{
    m_phase = Phase::Idle; // closing the SMTP connection is no failure
    sckSMTP->abort();
    m_received.clear();
    m_phase = Phase::Pop;
    m_lastCommand = QStringLiteral("SignOut");
    sckSMTP->connectToHost(m_job->popHost, m_popPort);
    tmrtimeout->start();
}

void MailClient::handlePopReply(const QByteArray& reply)
{
    if (m_phase == Phase::PopSignedOut) {
        endPopStep(true);
    } else if (reply.startsWith("+OK") && m_lastCommand == QStringLiteral("SignOut")) {
        write(QByteArrayLiteral("QUIT\r\n"));
        m_phase = Phase::PopSignedOut;
    } else {
        if (reply.startsWith("-ERR"))
            MsgBox(QStringLiteral("Error ") + QString::fromUtf8(reply.mid(4)).trimmed() + QStringLiteral(" at POP Server"),
                   MsgButtons::Ok, MsgIcon::Critical, QStringLiteral("Error from server"));
        endPopStep(false);
    }
}

// The message was accepted before the POP step: its failure is reported, the mail counts as sent.
void MailClient::endPopStep(bool signedOff)
{
    status(signedOff ? 258 : 257);
    if (!signedOff)
        ReportError(label("Send_Mail"), ErrNo::DeviceIO,
                    QStringLiteral("no sign-on and sign-off at the POP server ") + m_job->popHost);
    endJob(true);
}

// ---- endings --------------------------------------------------------------------------

void MailClient::socketDisconnected()
{
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::Smtp:
        ReportError(label("sckSMTP_Close"), ErrNo::DeviceIO,
                    QStringLiteral("the mail server closed the connection before it accepted the mail of ")
                        + m_job->archive);
        endJob(false);
        return;
    case Phase::Pop:
    case Phase::PopSignedOut:
        endPopStep(m_phase == Phase::PopSignedOut);
        return;
    }
}

void MailClient::socketError(int error, const QString& description)
{
    // A closed connection is handled where it is seen, in socketDisconnected.
    if (m_phase == Phase::Idle || error == MailSocket::kRemoteHostClosed)
        return;
    // After the message was accepted only the POP step can fail: the mail itself was sent.
    MsgBox(LangText(m_phase == Phase::Smtp ? 271 : 257) + QStringLiteral(" [") + QString::number(error)
               + QStringLiteral("] : ") + description,
           MsgButtons::Ok, MsgIcon::Critical, LangText(16));
    if (m_phase == Phase::Smtp) {
        ReportError(label("sckSMTP_Error"), ErrNo::DeviceIO,
                    QStringLiteral("the mail of ") + m_job->archive + QStringLiteral(" was not sent: ") + description);
        endJob(false);
    } else {
        endPopStep(m_phase == Phase::PopSignedOut);
    }
}

void MailClient::tmrtimeout_Timer()
{
    if (m_phase == Phase::Idle)
        return;
    status(272);
    if (m_phase == Phase::Smtp) {
        ReportError(label("tmrtimeout_Timer"), ErrNo::DeviceIO,
                    QStringLiteral("the mail server did not answer in time; the mail of ") + m_job->archive
                        + QStringLiteral(" was not sent"));
        endJob(false);
    } else {
        endPopStep(m_phase == Phase::PopSignedOut);
    }
}
