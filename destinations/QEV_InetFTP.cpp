#include "QEV_InetFTP.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>

#include "Events.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Wildcard.h"

namespace {

QString label(const char* procedure) { return ModulLabel(procedure, "QEV_InetFTP"); }

bool matchesPattern(const QString& name, const QString& pattern)
{
    // The server is not asked to filter: servers differ, and names of archives may differ in case.
    return pattern.isEmpty() || Like(name.toUpper(), pattern.toUpper());
}

bool isFolderEntry(const QString& entry) { return entry.endsWith(QLatin1Char('/')); }

} // namespace

QEV_InetFTP::QEV_InetFTP(FtpWindow& window, FtpTransfer& inet, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_inet(inet)
{
}

bool QEV_InetFTP::isSafeLocalName(const QString& name)
{
    if (!FtpTransfer::isPlainRemoteName(name) || name.contains(QLatin1Char('\\')))
        return false;
    return name != QStringLiteral(".") && !name.contains(QStringLiteral(".."));
}

QStringList QEV_InetFTP::folderPieces(const QString& path)
{
    QStringList pieces;
    const QString p = path.trimmed();
    qsizetype start = 0;
    while (start <= p.size()) {
        // "/" wins over "\" while the rest of the text still holds one.
        qsizetype pos = p.indexOf(QLatin1Char('/'), start);
        if (pos < 0)
            pos = p.indexOf(QLatin1Char('\\'), start);
        const QString piece = pos < 0 ? p.mid(start) : p.mid(start, pos - start);
        if (!piece.trimmed().isEmpty())
            pieces.append(piece);
        if (pos < 0)
            break;
        start = pos + 1;
    }
    return pieces;
}

void QEV_InetFTP::setStatus(const QString& text)
{
    m_window.setFtpCaption(text);
    m_window.addFtpNews(text);
}

void QEV_InetFTP::setServerFiles(const QStringList& entries)
{
    m_serverFiles = entries;
    m_window.showServerFiles(entries);
}

void QEV_InetFTP::reportFailure(const char* procedure, const QString& what)
{
    const int number = m_inet.responseCode() > 0 ? m_inet.responseCode() : ErrNo::DeviceIO;
    ReportError(label(procedure), number, what + QStringLiteral(": ") + m_inet.responseText());
}

// Starts one operation and waits, keeping the window alive, until the control is done.
bool QEV_InetFTP::SendCommand(const QString& command, const std::function<bool()>& start)
{
    m_window.addFtpNews(QStringLiteral("COMMAND : ") + command);
    if (!start()) {
        ReportError(label("SendCommand"), ErrNo::InvalidCall, command + QStringLiteral(": ") + m_inet.responseText());
        return false;
    }
    // The control's sockets and timers wake the loop; it sleeps in between.
    while (m_inet.isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return m_inet.succeeded();
}

bool QEV_InetFTP::FTP_ini(bool bCreate, const QString& sSubDir)
{
    setServerFiles({});
    const FtpSettings s = m_window.ftpSettings();
    bool portOk = false;
    const int port = s.port.trimmed().toInt(&portOk);
    bool ok = portOk && port >= 1 && port <= 65535;
    if (!ok) {
        ReportError(label("FTP_ini"), ErrNo::TypeMismatch, QStringLiteral("not a port: ") + s.port);
    } else {
        m_inet.setRequestTimeout(60);
        const bool proxy = s.proxy != 0;
        m_inet.setLogon({proxy ? s.proxyHost : s.server, port,
                         proxy ? s.user + QLatin1Char('@') + s.server : s.user, s.password});
        m_folder = {};
        bFTPgetMode = false;
        bFTPdirMode = true;
        ok = SendCommand(QStringLiteral("DIR"), [this] { return m_inet.list(m_folder); });
        if (!ok)
            reportFailure("FTP_ini", QStringLiteral("log-on to ") + s.server);
        m_inet.setRequestTimeout(20);
        QString path = s.dir.trimmed();
        if (!sSubDir.isEmpty())
            path += QLatin1Char('/') + sSubDir;
        ok = ok && CreateChange_FTPDirectory(path, bCreate);
    }
    if (!ok) {
        setStatus(LangText(28));
        FTP_Abort();
    }
    return ok;
}

bool QEV_InetFTP::CreateChange_FTPDirectory(const QString& sPath, bool bCreate)
{
    bFTPgetMode = false;
    bFTPdirMode = true;
    // No folder text: the session stays in the login folder.
    for (const QString& piece : folderPieces(sPath)) {
        // A refused creation is passed over: the folder may be there already.
        if (bCreate && !SendCommand(QStringLiteral("MKDIR ") + piece, [this, &piece] { return m_inet.makeDirectory(m_folder, piece); })
            && m_inet.responseCode() < 400)
            return false;
        FtpFolder next = m_folder;
        next.names.append(piece);
        if (!SendCommand(QStringLiteral("CD ") + piece, [this, &next] { return m_inet.changeDirectory(next); })) {
            reportFailure("CreateChange_FTPDirectory", QStringLiteral("cannot change into ") + piece);
            return false;
        }
        m_folder = next;
    }
    return true;
}

bool QEV_InetFTP::FTPcopy_files(bool bCreate, const QString& sLocal, const QString& sRemote)
{
    bool ok = FTP_ini(bCreate, sParsePath(sRemote));
    if (ok) {
        bFTPgetMode = false;
        bFTPdirMode = false;
        const QString name = sParseFile(sRemote);
        ok = SendCommand(QStringLiteral("SEND ") + sLocal + QLatin1Char(' ') + name,
                         [&] { return m_inet.upload(sLocal, m_folder, name); });
    }
    if (!ok) {
        reportFailure("FTPcopy_files", QStringLiteral("upload of ") + sLocal);
        setStatus(LangText(26));
        FTP_Abort();
        return false;
    }
    setStatus(LangText(27));
    setServerFiles({});
    FTP_Close();
    return true;
}

bool QEV_InetFTP::FTPcheck_directory(const QString& sSubDir, bool bCreate)
{
    bool ok = FTP_ini(bCreate, sSubDir);
    if (ok) {
        bFTPgetMode = false;
        bFTPdirMode = true;
        ok = SendCommand(QStringLiteral("DIR"), [this] { return m_inet.list(m_folder); });
    }
    if (!ok) {
        reportFailure("FTPcheck_directory", QStringLiteral("listing of ") + m_window.ftpSettings().dir);
        setStatus(LangText(103));
        FTP_Abort();
        return false;
    }
    FTP_Close();
    return true;
}

// Fetches the listed entries; false as soon as one fetch fails.
bool QEV_InetFTP::fetchListed(const QString& sRemote, const QString& sLocalDir, const QString& sLocalName,
                              int* fetched)
{
    const QStringList entries = m_serverFiles;
    for (const QString& entry : entries) {
        if (!sLocalName.isEmpty() && entry != sRemote)
            continue;
        const QString target = sLocalName.isEmpty() ? entry : sLocalName;
        if (!isSafeLocalName(target)) {
            ReportError(label("FTPretrieve_files"), ErrNo::BadFileName,
                        QStringLiteral("a listed name that is no plain file name was not fetched: ") + entry);
            continue;
        }
        const QString localPath = QDir(sLocalDir).filePath(target);
        bFTPgetMode = true;
        bFTPdirMode = false;
        if (!SendCommand(QStringLiteral("GET ") + entry + QLatin1Char(' ') + localPath,
                         [&] { return m_inet.download(m_folder, entry, localPath); }))
            return false;
        ++*fetched;
    }
    return true;
}

bool QEV_InetFTP::FTPretrieve_files(const QString& sSubDir, const QString& sRemote, const QString& sLocalDir,
                                    const QString& sLocalName)
{
    bool ok = FTP_ini(false, sSubDir);
    int fetched = 0;
    if (ok) {
        CreateDirectoryStruct(sLocalDir);
        bFTPgetMode = false;
        bFTPdirMode = true;
        ok = SendCommand(QStringLiteral("DIR ") + sRemote, [this] { return m_inet.list(m_folder); });
    }
    if (ok) {
        QStringList matching;
        // A file asked for by its name is that name, whatever wildcard characters it holds.
        for (const QString& entry : m_serverFiles) {
            if (!isFolderEntry(entry) && (sLocalName.isEmpty() ? matchesPattern(entry, sRemote) : entry == sRemote))
                matching.append(entry);
        }
        setServerFiles(matching);
        if (matching.isEmpty())
            setStatus(LangText(25));
        ok = fetchListed(sRemote, sLocalDir, sLocalName, &fetched);
    }
    if (!ok) {
        reportFailure("FTPretrieve_files", QStringLiteral("fetch of ") + sRemote);
        setStatus(LangText(26));
        FTP_Abort();
        return false;
    }
    setServerFiles({});
    FTP_Close();
    return fetched > 0;
}

bool QEV_InetFTP::FTPdelete_files(bool bCreate, const QString& sRemote)
{
    bool ok = FTP_ini(bCreate, sParsePath(sRemote));
    if (ok) {
        bFTPgetMode = false;
        bFTPdirMode = false;
        setStatus(LangText(24));
        const QString name = sParseFile(sRemote);
        ok = SendCommand(QStringLiteral("DELETE ") + name, [&] { return m_inet.remove(m_folder, name); });
    }
    if (!ok) {
        reportFailure("FTPdelete_files", QStringLiteral("delete of ") + sRemote);
        setStatus(LangText(297));
        FTP_Abort();
        return false;
    }
    setServerFiles({});
    FTP_Close();
    return true;
}

void QEV_InetFTP::FTP_Close()
{
    bFTPgetMode = false;
    bFTPdirMode = false;
    m_window.addFtpNews(QStringLiteral("COMMAND : CLOSE"));
    m_inet.close();
}

void QEV_InetFTP::FTP_Abort()
{
    setServerFiles({});
    setStatus(LangText(26));
    FTP_Close();
}

void QEV_InetFTP::InetFTP_StateChanged(int state)
{
    if (state == FtpState::None) {
        m_window.setFtpCaption({});
    } else if (state >= 1 && state <= 10) {
        setStatus(LangText(28 + state));
    } else if (state == FtpState::Error) {
        const QString caption = QString::number(m_inet.responseCode()) + QStringLiteral(": ") + m_inet.responseText();
        m_window.setFtpCaption(caption);
        m_window.addFtpNews(caption);
    } else if (state == FtpState::ResponseCompleted) {
        setStatus(LangText(39));
        if (bFTPdirMode) {
            setServerFiles(m_inet.listing());
            bFTPdirMode = false;
            setStatus(LangText(40));
        } else if (bFTPgetMode) {
            bFTPgetMode = false;
            setStatus(LangText(41));
        } else {
            setStatus(LangText(32));
        }
    }
    DoEvents();
}
