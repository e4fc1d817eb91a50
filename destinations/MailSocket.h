#pragma once

#include <QByteArray>
#include <QString>

class QObject;

// What the mail client hears from its connection.
class MailSocketEvents
{
public:
    virtual void socketConnected() = 0;
    virtual void socketReadyRead() = 0;
    virtual void socketDisconnected() = 0;
    // The code is the socket error's number; the text says what went wrong.
    virtual void socketError(int code, const QString& description) = 0;
    virtual void socketBytesWritten() = 0;

protected:
    ~MailSocketEvents() = default;
};

// The mail client's TCP connection as the mail module carries it out; the events come back
// through the event loop, never from inside a call.
class MailSocket
{
public:
    // The error a connection closed by the other side reports.
    static constexpr int kRemoteHostClosed = 1;
    // The error of a connection that cannot be had at all.
    static constexpr int kUnknownError = -1;

    virtual ~MailSocket() = default;
    virtual void connectToHost(const QString& host, quint16 port) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    [[nodiscard]] virtual QByteArray readAll() = 0;
    [[nodiscard]] virtual qint64 bytesToWrite() const = 0;
    virtual void abort() = 0;
};

// The entry point of the mail module. The socket it makes is a child of the owner, named
// "sckSMTP".
namespace MailModule {

inline const QString kName = QStringLiteral("mail");

using Create = MailSocket* (*)(QObject* owner, MailSocketEvents* events);
inline constexpr char kCreate[] = "quillaroCreateMailSocket";

} // namespace MailModule
