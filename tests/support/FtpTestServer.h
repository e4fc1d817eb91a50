#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A loopback FTP server (pyftpdlib) serving a folder, on a free port, for one test.
// Users, all with the password "pw": "u" (everything), "ro" (list and read only), "noread"
// (everything but reading a file), "die" (the server ends in the middle of its first upload)
// and "cut" (every upload is broken off in the middle; the server goes on).
class FtpTestServer
{
public:
    FtpTestServer() = default;
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Flags: "--no-mlsd", "--no-list" take those listing commands away.
    [[nodiscard]] bool start(const QString& root, const QStringList& flags = {});
    void stop();
    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    int m_port = 0;
};
