// The controls of the " BU Media", " ZIP Options" and " Schedule" tabs.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

namespace {

QString text(const char* caption) { return QString::fromUtf8(caption); }

QLabel* label(const char* caption, QWidget* parent) { return new QLabel(text(caption), parent); }

struct BoxRow
{
    const char* name;
    const char* caption;
    QLineEdit** target;
};

// A caption in the first column and its text box in the second, one row each.
void textRows(QWidget* parent, std::initializer_list<BoxRow> rows, int firstRow, int top)
{
    int row = firstRow;
    for (const BoxRow& r : rows) {
        placeCell(label(r.caption, parent), 0, row, 1, 1, top);
        *r.target = named(new QLineEdit(parent), r.name);
        placeCell(*r.target, 1, row, 1, 1, top);
        ++row;
    }
}

struct CheckRow
{
    const char* name;
    const char* caption;
    QCheckBox** target;
};

void checkRows(QWidget* parent, std::initializer_list<CheckRow> rows, int column, int firstRow,
               int top)
{
    int row = firstRow;
    for (const CheckRow& r : rows) {
        *r.target = named(new QCheckBox(text(r.caption), parent), r.name);
        placeCell(*r.target, column, row, 3 - column, 1, top);
        ++row;
    }
}

} // namespace

void frmMain_BackUp::createMediaTab(QWidget* page)
{
    auto* media = named(new QGroupBox(text("Backup Media"), page), "Frame9");
    placeCell(media, 0, 0, 3, 2);
    checkRows(media, {{"chkMedia", "local or network drive", &chkMedia}}, 0, 0, 18);
    chkMedia->resize(200, 22);
    chkFTP = named(new QCheckBox(text("Internet/Intranet FTP server"), media), "chkFTP");
    placeCell(chkFTP, 1, 0, 1, 1, 18);
    chkSendEmail = named(new QCheckBox(text("Send archive per eMail"), media), "chkSendEmail");
    placeCell(chkSendEmail, 2, 0, 1, 1, 18);
    cmdSetupMedia = named(new QPushButton(text("Setup"), media), "cmdSetupMedia");
    cmdSetupFTP = named(new QPushButton(text("Setup"), media), "cmdSetupFTP");
    cmdSetupEmail = named(new QPushButton(text("Setup"), media), "cmdSetupEmail");
    for (int i = 0; i < 3; ++i)
        (QList<QPushButton*>{cmdSetupMedia, cmdSetupFTP, cmdSetupEmail}.at(i))
            ->setGeometry(6 + i * 210 + 140, 42, 60, 20);
    createDestinationFrame(page);
    createFtpFrame(page);
}

void frmMain_BackUp::createDestinationFrame(QWidget* page)
{
    Frame3 = named(new QGroupBox(text("Backup Destination Information"), page), "Frame3");
    placeCell(Frame3, 0, 2, 3, 13);
    Label4 = named(label("Dest. Directory:", Frame3), "Label4");
    placeCell(Label4, 0, 0, 1, 1, 18);
    txtPathBackUp = named(new QLineEdit(Frame3), "txtPathBackUp");
    placeCell(txtPathBackUp, 1, 0, 1, 1, 18);
    cmdSelectPath = named(new QPushButton(text("..."), Frame3), "cmdSelectPath");
    placeCell(cmdSelectPath, 2, 0, 1, 1, 18);
    cmdSelectPath->resize(30, 22);
    cboDevices = named(new QComboBox(Frame3), "cboDevices");
    placeCell(cboDevices, 1, 0, 1, 1, 18);
    cboWriteSpeed = named(new QComboBox(Frame3), "cboWriteSpeed");
    placeCell(cboWriteSpeed, 2, 0, 1, 1, 18);
    cboWriteSpeed->resize(80, 22);
    chkUseBurnProof = named(new QCheckBox(text("Use Burn Proof"), Frame3), "chkUseBurnProof");
    chkUseBurnProof->setGeometry(6 + 2 * 210 + 86, 18, 110, 22);
    chkUseCDRecorder
        = named(new QCheckBox(text("Write to CD-R/RW using the in built CD recorder - you need "
                                   "Administrator rights"),
                              Frame3),
                "chkUseCDRecorder");
    placeCell(chkUseCDRecorder, 0, 1, 3, 1, 18);
    for (QWidget* w : std::initializer_list<QWidget*>{cboDevices, cboWriteSpeed, chkUseBurnProof})
        w->setVisible(false);

    const char* captions[] = {
        "Available Space:", "Drive Type:",  "File System:", "Volume Name:",        "Serial Number:",
        "Total Space:",     "Used Space:",  "Free Space:",  "Archives:",           "Archive Size:",
        "Files:",           "Sub Folders:", "Kb",           "Remain. Spare Space:"};
    for (int i = 0; i < 14; ++i) {
        auto* caption = new QLabel(text(captions[i]), Frame3);
        caption->setObjectName(elementName(QStringLiteral("lblDesc"), i));
        lblDesc.add(i, caption);
    }
    for (int i = 0; i < 12; ++i) {
        auto* value = new QLabel(QStringLiteral("x"), Frame3);
        value->setObjectName(elementName(QStringLiteral("lblDriveInfo"), i));
        lblDriveInfo.add(i, value);
        const int column = i < 6 ? 0 : 1;
        const int row = 2 + i % 6;
        placeCell(lblDesc(i), column, row, 1, 1, 18);
        lblDesc(i)->resize(110, 22);
        value->setGeometry(6 + column * 210 + 112, 18 + row * 24, 90, 22);
    }
    placeCell(lblDesc(13), 0, 8, 1, 1, 18);
    txtSpareSpace = named(new QLineEdit(Frame3), "txtSpareSpace");
    placeCell(txtSpareSpace, 1, 8, 1, 1, 18);
    placeCell(lblDesc(12), 2, 8, 1, 1, 18);
    placeCell(label("Remaining space (MB):", Frame3), 0, 9, 1, 1, 18);
    txtRemainSpace = named(new QLineEdit(Frame3), "txtRemainSpace");
    placeCell(txtRemainSpace, 1, 9, 1, 1, 18);
}

void frmMain_BackUp::createFtpFrame(QWidget* page)
{
    Frame10 = named(new QGroupBox(text("FTP Server Connection"), page), "Frame10");
    placeCell(Frame10, 0, 2, 3, 13);
    textRows(Frame10,
             {{"txtFTPserver", "FTP server:", &txtFTPserver},
              {"txtFTPuser", "User:", &txtFTPuser},
              {"txtFTPpassword", "Password:", &txtFTPpassword},
              {"txtFTPport", "Port:", &txtFTPport},
              {"txtFTPdir", "Remote directory:", &txtFTPdir},
              {"txtFTPProxy", "Proxy host:", &txtFTPProxy},
              {"txtFTPrestoreDir", "Restore to:", &txtFTPrestoreDir},
              {"txtRetrieveMask", "Retrieve mask:", &txtRetrieveMask}},
             0, 18);
    txtFTPpassword->setEchoMode(QLineEdit::Password);
    txtRetrieveMask->setText(QStringLiteral("*_Backup_*.cry"));
    chkProxy = named(new QCheckBox(text("Proxy:"), Frame10), "chkProxy");
    placeCell(chkProxy, 0, 5, 1, 1, 18);
    chkProxy->resize(70, 22);
    cmdSelectPathFTPrestore
        = named(new QPushButton(text("..."), Frame10), "cmdSelectPathFTPrestore");
    cmdSelectPathFTPrestore->setGeometry(6 + 2 * 210, 18 + 6 * 24, 30, 22);
    cmdTestFTPconnection
        = named(new QPushButton(text("Test connection"), Frame10), "cmdTestFTPconnection");
    placeCell(cmdTestFTPconnection, 0, 8, 1, 1, 18);
    cmdFTPretrieve = named(new QPushButton(text("Retrieve"), Frame10), "cmdFTPretrieve");
    placeCell(cmdFTPretrieve, 1, 8, 1, 1, 18);
    lblFTPstatus = named(new QLabel(Frame10), "lblFTPstatus");
    placeCell(lblFTPstatus, 0, 9, 3, 1, 18);
    lstServerFiles = named(new QListWidget(Frame10), "lstServerFiles");
    lstServerFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    placeCell(lstServerFiles, 2, 0, 1, 6, 18);
    Frame10->setVisible(false);
}

void frmMain_BackUp::createZipTab(QWidget* page)
{
    Frame8 = named(new QGroupBox(text("Zip archive options of current profile"), page), "Frame8");
    placeCell(Frame8, 0, 0, 3, 13);
    textRows(Frame8, {{"txtMaxZIPsize", "Maximum  ZIP archive size in MByte:", &txtMaxZIPsize}}, 0,
             18);
    chkMaxFiles = named(new QCheckBox(text("Max. number of files in one ZIP archive :"), Frame8),
                        "chkMaxFiles");
    placeCell(chkMaxFiles, 0, 1, 1, 1, 18);
    txtMaxFiles = named(new QLineEdit(Frame8), "txtMaxFiles");
    placeCell(txtMaxFiles, 1, 1, 1, 1, 18);
    placeCell(label("Compression:", Frame8), 0, 2, 1, 1, 18);
    Slider1 = named(new QSlider(Qt::Horizontal, Frame8), "Slider1");
    Slider1->setRange(0, 9);
    placeCell(Slider1, 1, 2, 1, 1, 18);
    checkRows(Frame8,
              {{"chkSplit", "Split large files - if greater than max. ZIP archive size", &chkSplit},
               {"chkOverwriteFile", "Overwrite existing old files in the backup archive",
                &chkOverwriteFile},
               {"chkAppendArchive", "Append existing ZIP archive", &chkAppendArchive},
               {"chkEncrypt", "Encrypt archive with password:", &chkEncrypt}},
              0, 3, 18);
    txtEncryptPassword = named(new QLineEdit(Frame8), "txtEncryptPassword");
    txtEncryptPassword->setEchoMode(QLineEdit::Password);
    placeCell(txtEncryptPassword, 1, 7, 1, 1, 18);
    chkRemeberPassword
        = named(new QCheckBox(text("Remember password"), Frame8), "chkRemeberPassword");
    placeCell(chkRemeberPassword, 2, 7, 1, 1, 18);
    chkDeleteArchive = named(new QCheckBox(text("Delete backup archives older than"), Frame8),
                             "chkDeleteArchive");
    placeCell(chkDeleteArchive, 0, 8, 1, 1, 18);
    txtDeleteArchive = named(new QLineEdit(Frame8), "txtDeleteArchive");
    placeCell(txtDeleteArchive, 1, 8, 1, 1, 18);
    placeCell(label("days", Frame8), 2, 8, 1, 1, 18);
}

void frmMain_BackUp::createScheduleTab(QWidget* page)
{
    SSTab2 = named(new QTabWidget(page), "SSTab2");
    placeCell(SSTab2, 0, 0, 3, 14);
    SSTab2->addTab(new QWidget(SSTab2), text("Scheduler"));
    auto* utility = new QWidget(SSTab2);
    SSTab2->addTab(utility, text("Shutdown utility"));
    Frame11 = named(new QGroupBox(text("Shutdown utility"), utility), "Frame11");
    placeCell(Frame11, 0, 0, 3, 8);
}
