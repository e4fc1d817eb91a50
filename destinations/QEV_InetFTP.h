#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "FtpTransfer.h"

// The connection settings of the FTP page, as its text boxes hold them.
struct FtpSettings
{
    QString server;     // txtFTPserver
    QString port;       // txtFTPport
    QString user;       // txtFTPuser
    QString password;   // txtFTPpassword
    QString dir;        // txtFTPdir: the remote folder, below the login folder
    int proxy = 0;      // chkProxy
    QString proxyHost;  // txtFTPProxy
};

// What an FTP session reads from and shows on the main window.
class FtpWindow
{
public:
    virtual ~FtpWindow() = default;
    [[nodiscard]] virtual FtpSettings ftpSettings() const = 0;
    // The caption of the FTP status label.
    virtual void setFtpCaption(const QString& caption) = 0;
    // A line at the top of the news box.
    virtual void addFtpNews(const QString& line) = 0;
    // The listing box: its entries, and the selected one (-1: none).
    virtual void showServerFiles(const QStringList& entries) = 0;
};

// One FTP session per public procedure: set up, change into the remote folder, one or more
// operations, close. Every refusal of the server (a reply of 400 or more) and every broken
// connection fails the procedure; only a refused folder creation is passed over, since the
// folder may be there already.
class QEV_InetFTP : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QEV_InetFTP)
public:
    // The session drives the transfer control and handles its state events.
    QEV_InetFTP(FtpWindow& window, FtpTransfer& inet, QObject* parent = nullptr);

    [[nodiscard]] bool FTP_ini(bool bCreate, const QString& sSubDir);
    [[nodiscard]] bool CreateChange_FTPDirectory(const QString& sPath, bool bCreate);
    [[nodiscard]] bool FTPcopy_files(bool bCreate, const QString& sLocal, const QString& sRemote);
    // Lists the remote folder into serverFiles(), which keeps the listing for the caller.
    [[nodiscard]] bool FTPcheck_directory(const QString& sSubDir, bool bCreate);
    // Fetches the files whose names match sRemote (wildcards, case-insensitive) into
    // sLocalDir; with sLocalName only the file named exactly sRemote (taken literally, "#",
    // "[" and "*" included), under that name.
    // True when at least one file was fetched and none failed.
    [[nodiscard]] bool FTPretrieve_files(const QString& sSubDir, const QString& sRemote,
                                         const QString& sLocalDir, const QString& sLocalName);
    [[nodiscard]] bool FTPdelete_files(bool bCreate, const QString& sRemote);
    void FTP_Close();
    void FTP_Abort();
    // Handles one state event of the transfer control.
    void InetFTP_StateChanged(int state);

    // The last listing: file names, folder names with "/" behind.
    [[nodiscard]] const QStringList& serverFiles() const { return m_serverFiles; }

    // A name from a listing that may be used as a local file name.
    [[nodiscard]] static bool isSafeLocalName(const QString& name);
    // The pieces of a folder text: "/" or "\" separated, empty pieces left out.
    [[nodiscard]] static QStringList folderPieces(const QString& path);

private:
    bool SendCommand(const QString& command, const std::function<bool()>& start);
    void setStatus(const QString& text);
    void setServerFiles(const QStringList& entries);
    [[nodiscard]] bool fetchListed(const QString& sRemote, const QString& sLocalDir, const QString& sLocalName,
                                   int* fetched);
    void reportFailure(const char* procedure, const QString& what);

    FtpWindow& m_window;
    FtpTransfer& m_inet;
    FtpFolder m_folder;
    QStringList m_serverFiles;
    bool bFTPdirMode = false;
    bool bFTPgetMode = false;
};
