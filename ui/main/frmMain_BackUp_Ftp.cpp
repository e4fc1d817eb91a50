// The FTP page of the main window: the connection test, the manual fetch, the restore-folder
// chooser, and the transfer control whose state events the FTP session handles.
#include "frmMain_BackUp.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

#include "DriveInfo.h"
#include "FtpTransfer.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_FilePathInput.h"
#include "QEV_File_Dir.h"
#include "QEV_InetFTP.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"

namespace {

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

// The busy pointer for the length of an FTP action.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY(BusyPointer)
};

QString testFileName() { return QStringLiteral("testFTP.qev"); }

} // namespace

void frmMain_BackUp::connectFtpEvents()
{
    Inet2 = new FtpTransfer(this);
    m_inetFtp = new QEV_InetFTP(*this, *Inet2, this);
    connect(Inet2, &FtpTransfer::stateChanged, this, &frmMain_BackUp::Inet2_StateChanged);
    connect(cmdTestFTPconnection, &QPushButton::clicked, this, &frmMain_BackUp::cmdTestFTPconnection_Click);
    connect(cmdFTPretrieve, &QPushButton::clicked, this, &frmMain_BackUp::cmdFTPretrieve_Click);
    connect(cmdSelectPathFTPrestore, &QPushButton::clicked, this, &frmMain_BackUp::cmdSelectPathFTPrestore_Click);
}

FtpSettings frmMain_BackUp::ftpSettings() const
{
    return {txtFTPserver->text(),   txtFTPport->text(), txtFTPuser->text(),  txtFTPpassword->text(),
            txtFTPdir->text(),      chkValue(chkProxy), txtFTPProxy->text()};
}

void frmMain_BackUp::setFtpCaption(const QString& caption) { lblFTPstatus->setText(caption); }

void frmMain_BackUp::addFtpNews(const QString& line)
{
    RtbNews1->setPlainText(line + QLatin1Char('\n') + RtbNews1->toPlainText());
}

void frmMain_BackUp::showServerFiles(const QStringList& entries)
{
    lstServerFiles->clear();
    lstServerFiles->addItems(entries);
    if (!entries.isEmpty())
        lstServerFiles->setCurrentRow(0);
}

// Sends a small file, fetches it back and deletes both copies.
bool frmMain_BackUp::testFtpRoundTrip()
{
    const QString local = sFixDirString(Paths::tempFolder()) + testFileName();
    CreateDirectoryStruct(Paths::tempFolder());
    QFile test(local);
    if (!test.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || test.write((LangText(192) + QLatin1Char('\n')).toUtf8()) < 0) {
        ReportError(label("cmdTestFTPconnection_Click"), ErrNo::PathFileAccess, test.errorString());
        return false;
    }
    test.close();
    lblFTPstatus->setText(LangText(193));
    if (!m_inetFtp->FTPcopy_files(true, local, testFileName()))
        return false;
    lblFTPstatus->setText(LangText(194));
    const QString restoreDir = txtFTPrestoreDir->text();
    if (!m_inetFtp->FTPretrieve_files(QString(), testFileName(), restoreDir, QString()))
        return false;
    lblFTPstatus->setText(LangText(195));
    const QString fetched = sFixDirString(restoreDir) + testFileName();
    if (!FileExists(fetched))
        return false;
    QFile::remove(fetched);
    QFile::remove(local);
    return m_inetFtp->FTPdelete_files(false, testFileName());
}

void frmMain_BackUp::cmdTestFTPconnection_Click()
{
    BusyPointer busy;
    Save_Settings();
    cmdTestFTPconnection->setEnabled(false);
    lblFTPstatus->setText(LangText(191));
    if (testFtpRoundTrip()) {
        lblFTPstatus->setText(LangText(196));
    } else {
        lblFTPstatus->setText(LangText(197));
        MsgBox(LangText(198), MsgButtons::Ok, MsgIcon::Information, LangText(199));
    }
    cmdTestFTPconnection->setEnabled(true);
    lstServerFiles->clear();
}

void frmMain_BackUp::cmdFTPretrieve_Click()
{
    BusyPointer busy;
    Save_Settings();
    cmdFTPretrieve->setEnabled(false);
    // Success and failure show in the FTP status and the news box.
    (void)m_inetFtp->FTPretrieve_files(QString(), txtRetrieveMask->text(), txtFTPrestoreDir->text(), QString());
    cmdFTPretrieve->setEnabled(true);
}

void frmMain_BackUp::cmdSelectPathFTPrestore_Click()
{
    QString folder = BrowseForFolder(this, LangText(189), Paths::programFolder());
    if (folder.isEmpty())
        return;
    if (IsNetworkPath(folder)) {
        MsgBox(LangText(190) + QLatin1Char('\n') + LangText(174), MsgButtons::Ok, MsgIcon::Exclamation, LangText(23));
        folder = QDir::homePath();
    }
    txtFTPrestoreDir->setText(sFixDirString(folder) + QStringLiteral("temp"));
    CreateDirectoryStruct(txtFTPrestoreDir->text());
}

void frmMain_BackUp::Inet2_StateChanged(int state) { m_inetFtp->InetFTP_StateChanged(state); }
