#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

class FtpSession;

// Where and how a session logs on.
struct FtpLogon
{
    QString host;
    int port = 21;
    QString user;
    QString password;
};

// A remote folder: names walked one by one from the login folder, or from the server's root.
struct FtpFolder
{
    bool fromRoot = false;
    QStringList names;
};

// The state numbers of the transfer control's state event.
namespace FtpState {
constexpr int None = 0;
constexpr int Connecting = 3;
constexpr int Connected = 4;
constexpr int Requesting = 5;
constexpr int Receiving = 7;
constexpr int Disconnecting = 9;
constexpr int Disconnected = 10;
constexpr int Error = 11;
constexpr int ResponseCompleted = 12;
} // namespace FtpState

// The internet transfer control's FTP side. One operation runs at a time: it starts at once
// and is carried out by the event loop while isBusy() is true; the state event tells its
// progress and ends with ResponseCompleted or Error. An operation that cannot start returns
// false and leaves the reason in responseText(). Any reply of 400 or more and every broken
// connection fail the operation. Time-outs cap only silence (connecting, a reply, a stalled
// transfer), never the length of a transfer.
class FtpTransfer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FtpTransfer)
public:
    explicit FtpTransfer(QObject* parent = nullptr);
    ~FtpTransfer() override;

    void setLogon(const FtpLogon& logon);
    // Seconds of silence after which an operation fails.
    void setRequestTimeout(int seconds);

    // Lists a folder into listing(): one name each, folders with "/" behind.
    [[nodiscard]] bool list(const FtpFolder& folder);
    // Makes a folder inside another.
    [[nodiscard]] bool makeDirectory(const FtpFolder& parent, const QString& name);
    // Enters the folder, so that a missing or closed folder fails.
    [[nodiscard]] bool changeDirectory(const FtpFolder& folder);
    // Sends a local file. It is written beside its name and renamed when complete, so a
    // broken transfer never spoils a file of that name on the server.
    [[nodiscard]] bool upload(const QString& localPath, const FtpFolder& folder, const QString& name);
    // Fetches a file. It is written beside the local path and renamed when complete.
    [[nodiscard]] bool download(const FtpFolder& folder, const QString& name, const QString& localPath);
    [[nodiscard]] bool remove(const FtpFolder& folder, const QString& name);
    // Ends the session: the connection is closed.
    void close();

    [[nodiscard]] bool isBusy() const;
    // The outcome of the last operation once it is no longer busy.
    [[nodiscard]] bool succeeded() const;
    [[nodiscard]] int responseCode() const;
    [[nodiscard]] QString responseText() const;
    [[nodiscard]] QStringList listing() const;

    // A name a remote file or folder may have: not empty, no "/", no NUL or line break.
    [[nodiscard]] static bool isPlainRemoteName(const QString& name)
    {
        if (name.isEmpty())
            return false;
        for (QChar c : name) {
            if (c == QLatin1Char('/') || c == QChar(0) || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                return false;
        }
        return true;
    }

signals:
    void stateChanged(int state);

private:
    FtpSession& session();
    struct Private;
    std::unique_ptr<Private> d;
};
