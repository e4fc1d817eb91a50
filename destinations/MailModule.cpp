// The mail module: the mail client's TCP connection, loaded for the first mail, so that a run
// that sends none loads no network library.
#include <QTcpSocket>

#include "MailSocket.h"
#include "Modules.h"

namespace {

class TcpMailSocket final : public MailSocket
{
public:
    TcpMailSocket(QObject* owner, MailSocketEvents* events)
        : m_socket(new QTcpSocket(owner))
    {
        m_socket->setObjectName(QStringLiteral("sckSMTP"));
        QObject::connect(m_socket, &QTcpSocket::connected, [events] { events->socketConnected(); });
        QObject::connect(m_socket, &QTcpSocket::readyRead, [events] { events->socketReadyRead(); });
        QObject::connect(m_socket, &QTcpSocket::disconnected, [events] { events->socketDisconnected(); });
        QObject::connect(m_socket, &QTcpSocket::errorOccurred, [this, events](QAbstractSocket::SocketError error) {
            events->socketError(static_cast<int>(error), m_socket->errorString());
        });
        QObject::connect(m_socket, &QTcpSocket::bytesWritten, [events] { events->socketBytesWritten(); });
    }
    ~TcpMailSocket() override
    {
        m_socket->disconnect();
        m_socket->abort();
        delete m_socket;
    }
    TcpMailSocket(const TcpMailSocket&) = delete;
    TcpMailSocket& operator=(const TcpMailSocket&) = delete;

    void connectToHost(const QString& host, quint16 port) override { m_socket->connectToHost(host, port); }
    void write(const QByteArray& bytes) override { m_socket->write(bytes); }
    QByteArray readAll() override { return m_socket->readAll(); }
    qint64 bytesToWrite() const override { return m_socket->bytesToWrite(); }
    void abort() override { m_socket->abort(); }

private:
    QTcpSocket* m_socket;
};

static_assert(MailSocket::kRemoteHostClosed == QAbstractSocket::RemoteHostClosedError);
static_assert(MailSocket::kUnknownError == QAbstractSocket::UnknownSocketError);

} // namespace

QUILLARO_MODULE_ENTRY MailSocket* quillaroCreateMailSocket(QObject* owner, MailSocketEvents* events)
{
    return new TcpMailSocket(owner, events);
}
