// The FTP side of the ZIP pass: part numbers from the server's listing, the last part fetched
// back for appending, and the upload of each finished part and its log.
#include "Quillaro_ZipPass.h"

#include <QFile>
#include <QFileInfo>

#include "ArchiveNames.h"
#include "Clock.h"
#include "FtpTransfer.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_InetFTP.h"
#include "QEV_Language.h"
#include "RunHost.h"
#include "clsBlowfish.h"

namespace {

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

// The session's window during a run: the profile's settings as the run took them, its status
// on the window through the run's host.
class RunFtpWindow : public FtpWindow
{
public:
    RunFtpWindow(const RunOptions& options, RunHost& host)
        : m_options(options)
        , m_host(host)
    {
    }
    FtpSettings ftpSettings() const override { return m_options.ftpSettings; }
    void setFtpCaption(const QString& caption) override { m_host.setFtpCaption(caption); }
    void addFtpNews(const QString& line) override { PrependNews(m_host, line); }
    void showServerFiles(const QStringList&) override {}

private:
    const RunOptions& m_options;
    RunHost& m_host;
};

} // namespace

struct ZipFtp
{
    RunFtpWindow window;
    FtpTransfer inet;
    QEV_InetFTP session;

    ZipFtp(const RunOptions& options, RunHost& host)
        : window(options, host)
        , session(window, inet)
    {
        QObject::connect(&inet, &FtpTransfer::stateChanged, &session, &QEV_InetFTP::InetFTP_StateChanged);
    }
};

QEV_InetFTP& ZipPass::ftp()
{
    if (!m_ftp)
        m_ftp = std::make_shared<ZipFtp>(m_options, m_host);
    return m_ftp->session;
}

QString ZipPass::serverFolderText() const { return QStringLiteral("... ") + m_options.ftpSettings.dir; }

// The highest part of this period found where the archives go: the destination folder, or
// the FTP server when it is the only destination. False when the server cannot be listed.
bool ZipPass::highestPartFound(int* highest)
{
    *highest = 0;
    if (m_options.media) {
        *highest = highestPartAtDestination();
        return true;
    }
    if (!m_options.ftp)
        return true;
    m_host.playAnimation(QStringLiteral("earthspin.avi"));
    m_host.repaint();
    m_host.setCounter(RunHost::Counter::ZipArchive, QStringLiteral("ftp:// ") + serverFolderText()
                                                        + QStringLiteral(" ...") + (encrypting() ? QStringLiteral(".cry") : QString()));
    if (!ftp().FTPcheck_directory(QString(), true)) {
        m_host.setNewsText(LangText(141));
        m_host.playAnimation({});
        m_host.repaint();
        MsgBox(LangText(141), MsgButtons::Ok, MsgIcon::Critical, LangText(109));
        MsgBox(LangText(249) + QLatin1Char('\n') + LangText(174), MsgButtons::Ok, MsgIcon::Critical, LangText(23));
        m_tally.worsen(RunOutcome::Failed);
        return false;
    }
    const QString stem = ArchiveStem(m_options.profile, m_options.period, Clock::today());
    *highest = HighestArchivePart(ftp().serverFiles(), stem, encrypting());
    m_host.playAnimation({});
    return true;
}

// Brings the last part and its log back from the server; false when it must start a new part,
// so that a part the run could not read is never replaced on the server.
bool ZipPass::fetchFromServer()
{
    m_host.playAnimation(QStringLiteral("ftpdownload.avi"));
    const QString fetched = encrypting() ? g_sZipTemp + QStringLiteral(".cry") : g_sZipTemp;
    bool ok = ftp().FTPretrieve_files(QString(), g_sZipName, sParsePath(fetched), sParseFile(fetched));
    if (ok) {
        m_appendSource = QStringLiteral("on the FTP server, ") + m_options.ftpSettings.dir + QLatin1Char('/') + g_sZipName;
        m_host.setCounter(RunHost::Counter::ZipArchive, serverFolderText() + QLatin1Char('/') + g_sZipName);
        if (encrypting())
            ok = decryptFetched(fetched);
    }
    if (ok && m_options.writeLog)
        (void)ftp().FTPretrieve_files(QString(), g_sZipName + QStringLiteral(".log"), sParsePath(g_sLogFile),
                                      sParseFile(g_sLogFile));
    if (!ok)
        QFile::remove(g_sZipTemp);
    m_host.playAnimation({});
    return ok;
}

bool ZipPass::decryptFetched(const QString& fetched)
{
    bool ok = false;
    {
        clsBlowfish Cypher;
        QObject::connect(&Cypher, &clsBlowfish::Progress, [this](int& p) { m_host.setProgress(3, qMin(p, 100)); });
        ok = Cypher.DecryptFile(fetched, g_sZipTemp, true, ArchiveKey(m_options.password));
    }
    QFile::remove(fetched);
    if (!ok) {
        notAppended(QStringLiteral("the profile's password does not decrypt it"));
        MsgBox(LangText(302), MsgButtons::Ok, MsgIcon::Critical, LangText(16));
    }
    return ok;
}

// A broken upload leaves its partial copy where the server would not let it go; the next good
// upload of the profile takes away those of its own archives.
void ZipPass::removeLeftoverPartials()
{
    if (m_partialsChecked)
        return;
    m_partialsChecked = true;
    if (!ftp().FTPcheck_directory(QString(), false))
        return;
    const QString tail = QStringLiteral(".part");
    const QStringList listed = ftp().serverFiles();
    for (const QString& entry : listed) {
        if (entry.endsWith(tail) && IsArchiveFileName(entry.chopped(tail.size()), m_options.profile, std::nullopt))
            (void)ftp().FTPdelete_files(false, entry);
    }
}

// Uploads the finished part under the name of its working file (part number and ".cry"
// included), then its log. False when the archive did not reach the server.
bool ZipPass::uploadToServer()
{
    m_host.setStatus(LangText(291));
    m_host.playAnimation(QStringLiteral("websend.avi"));
    m_host.repaint();
    const QString name = sParseFile(g_sZipTemp);
    if (!ftp().FTPcopy_files(false, g_sZipTemp, name)) {
        m_host.playAnimation({});
        ReportError(label("Zip_Copy error_ftp"), ErrNo::DeviceIO,
                    (m_options.media ? QStringLiteral("the archive was not uploaded and goes to the destination folder alone: ")
                                     : QStringLiteral("the archive was not uploaded and stays in the temp folder: "))
                        + g_sZipTemp);
        MsgBox(LangText(141) + QLatin1Char('\n') + LangText(142) + QLatin1Char('\n') + LangText(143), MsgButtons::Ok,
               MsgIcon::Critical, LangText(109));
        // With the destination folder holding the archive the run still delivered it.
        m_tally.worsen(m_options.media ? RunOutcome::CompletedWithProblems : RunOutcome::Failed);
        m_tally.keepWorkingFiles = m_tally.keepWorkingFiles || !m_options.media;
        return false;
    }
    m_host.playAnimation({});
    removeLeftoverPartials();
    if (QFileInfo::exists(g_sLogFile)) {
        m_host.setStatus(LangText(291));
        m_host.playAnimation(QStringLiteral("websend.avi"));
        m_host.repaint();
        if (!ftp().FTPcopy_files(false, g_sLogFile, name + QStringLiteral(".log"))) {
            ReportError(label("Zip_Copy error_ftp"), ErrNo::DeviceIO,
                        QStringLiteral("the archive log was not uploaded: ") + g_sLogFile);
            m_tally.worsen(RunOutcome::CompletedWithProblems);
        }
        m_host.playAnimation({});
    }
    return true;
}
