#pragma once

#include <deque>
#include <memory>

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include "MailSocket.h"

class QTimer;

// The SMTP client that sends a finished archive and its log, uuencoded, to the user's own
// address, with an optional POP3 sign-on and sign-off after the message was accepted. Each
// Send_Mail is a job of its own: its attachments are encoded before Send_Mail returns and the
// jobs are sent one after the other. Every wait ends with the time-out. The connection comes
// from the mail module, loaded by the first client; without it every mail fails with the reason.
class MailClient : public QObject, private MailSocketEvents
{
    Q_OBJECT
    Q_DISABLE_COPY(MailClient)
public:
    explicit MailClient(QObject* parent = nullptr);
    ~MailClient() override;

    // Queues one mail carrying the archive and the archive path with ".log"; the profile's
    // address goes into the "TO:" line. Returns at once; the dialogue runs in the events.
    void Send_Mail(const QString& archivePath, const QString& profile);
    // Sends a command (with its line end) and remembers its first four characters.
    void SMTP_SendCommand(const QString& command);

    // No mail is queued or in progress.
    [[nodiscard]] bool idle() const;
    // Processes events until every queued mail has ended.
    void waitForIdle();

    // Test seams: the POP3 port (110) and the time-out of each wait (10000 ms).
    void setPopPort(quint16 port) { m_popPort = port; }
    void setTimeoutInterval(int ms);

signals:
    // A line for the one-line status box.
    void statusText(const QString& text);
    // One mail has ended: sent is true when the server accepted the message.
    void mailEnded(const QString& archivePath, bool sent);
    void allEnded();

private:
    struct Job;
    enum class Phase { Idle, Smtp, Pop, PopSignedOut };

    void socketConnected() override;
    void socketReadyRead() override;
    void socketDisconnected() override;
    void socketError(int code, const QString& description) override;
    void socketBytesWritten() override;
    void tmrtimeout_Timer();

    void startNext();
    void handleReply(const QByteArray& reply);
    void handleSmtpReply(int code, const QByteArray& reply);
    void handlePopReply(const QByteArray& reply);
    void refused(const QByteArray& reply);
    void sendMessage();
    void sendAttachmentChunks();
    void startPopStep();
    void endPopStep(bool signedOff);
    void endJob(bool sent);
    void status(int text, const QString& tail = {});
    void write(const QByteArray& bytes);

    std::unique_ptr<MailSocket> sckSMTP;
    QTimer* tmrtimeout = nullptr;
    std::deque<std::unique_ptr<Job>> m_queue;
    std::unique_ptr<Job> m_job;
    Phase m_phase = Phase::Idle;
    QByteArray m_received;
    QString m_lastCommand;
    bool m_greeted = false;
    bool m_attachmentsPending = false;
    bool m_sent = false;
    QFile m_stream;
    bool m_lineStart = true;
    bool m_streaming = false;
    quint16 m_popPort = 110;
};
