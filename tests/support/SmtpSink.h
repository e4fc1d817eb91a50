#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace TestSupport {

// A free TCP port on 127.0.0.1 (0 when none could be found).
[[nodiscard]] quint16 freeLoopbackPort();

// The SMTP server of the Python library on 127.0.0.1, storing each message it accepts.
class SmtpSink
{
public:
    explicit SmtpSink(const QString& folder);
    ~SmtpSink();
    // Waits until the server listens; false when it did not start.
    [[nodiscard]] bool ready();
    [[nodiscard]] quint16 port() const { return m_port; }
    // The n-th message (from 1) as received, and its envelope: sender and recipients, a line each.
    [[nodiscard]] QString message(int n) const;
    [[nodiscard]] QByteArray envelope(int n) const;
    [[nodiscard]] int messageCount() const;

private:
    QString m_folder;
    quint16 m_port = 0;
    QProcess m_process;
};

// Decodes the uuencoded attachments of a stored message into the folder with a decoder
// nobody here wrote; gives their names in order.
[[nodiscard]] QStringList decodeAttachments(const QString& message, const QString& folder);

} // namespace TestSupport
