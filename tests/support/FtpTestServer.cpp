#include "FtpTestServer.h"

#include <QDir>

FtpTestServer::~FtpTestServer() { stop(); }

bool FtpTestServer::start(const QString& root, const QStringList& flags)
{
    QDir().mkpath(root);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(QUILLARO_FTP_SERVER_SCRIPT), root} + flags);
    if (!m_process.waitForStarted(10000))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(15000))
            return false;
    }
    m_port = m_process.readLine().trimmed().toInt();
    return m_port > 0;
}

void FtpTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}
