// The controls of the " BU Media", " ZIP Options" and " Schedule" tabs, each page in Qt layouts.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "FormLayout.h"
#include "ProfileLoad.h"

void frmMain_BackUp::createMediaTab(QWidget* page)
{
    QVBoxLayout* column = columnOf(page);
    auto* media = frame("Frame9", "Backup Media", page);
    QGridLayout* grid = gridOf(media);
    const struct {
        const char* checkName;
        const char* checkCaption;
        const char* setupName;
        const char* readerName;
        QCheckBox** check;
        QPushButton** setup;
    } destinations[] = {
        {"chkMedia", "local or network &drive", "cmdSetupMedia", "Set up the drive", &chkMedia,
         &cmdSetupMedia},
        {"chkFTP", "Internet/Intranet &FTP server", "cmdSetupFTP", "Set up the FTP server", &chkFTP,
         &cmdSetupFTP},
        {"chkSendEmail", "Send archive per e&Mail", "cmdSetupEmail", "Set up the e-mail",
         &chkSendEmail, &cmdSetupEmail},
    };
    int col = 0;
    for (const auto& d : destinations) {
        *d.check = checkBox(d.checkName, d.checkCaption, media);
        *d.setup = button(d.setupName, "Setup", media);
        nameForReaders(*d.setup, caption(d.readerName));
        grid->addWidget(*d.check, 0, col);
        grid->addWidget(*d.setup, 0, col + 1, Qt::AlignLeft);
        grid->setColumnStretch(col + 1, 1);
        col += 2;
    }
    column->addWidget(media);
    createDestinationFrame(page);
    column->addWidget(Frame3);
    createFtpFrame(page);
    column->addWidget(Frame10);
    column->addStretch(1);
}

void frmMain_BackUp::createDestinationFrame(QWidget* page)
{
    Frame3 = frame("Frame3", "Backup Destination Information", page);
    QVBoxLayout* column = columnOf(Frame3);
    txtPathBackUp = textBox("txtPathBackUp", Frame3);
    Label4 = named(captionFor(caption("Dest. Directory:"), txtPathBackUp, Frame3), "Label4");
    cmdSelectPath = browseButton("cmdSelectPath", caption("Choose the destination folder"), Frame3);
    cboDevices = named(new QComboBox(Frame3), "cboDevices");
    nameForReaders(cboDevices, caption("CD writer"));
    cboWriteSpeed = named(new QComboBox(Frame3), "cboWriteSpeed");
    nameForReaders(cboWriteSpeed, caption("Write speed"));
    chkUseBurnProof = checkBox("chkUseBurnProof", "Use Burn Proof", Frame3);
    auto* destination
        = rowOf({Label4, txtPathBackUp, cmdSelectPath, cboDevices, cboWriteSpeed, chkUseBurnProof});
    destination->setStretchFactor(txtPathBackUp, 1);
    destination->setStretchFactor(cboDevices, 1);
    column->addLayout(destination);
    chkUseCDRecorder = checkBox(
        "chkUseCDRecorder",
        "Write to CD-R/RW using the in built CD &recorder - you need access to the writer device", Frame3);
    column->addWidget(chkUseCDRecorder);
    for (QWidget* w : std::initializer_list<QWidget*> {cboDevices, cboWriteSpeed, chkUseBurnProof})
        w->setVisible(false);
    column->addLayout(createDriveInfo());
}

QGridLayout* frmMain_BackUp::createDriveInfo()
{
    auto* grid = new QGridLayout;
    // lblDriveInfo(i) shows the value for lblDesc(i); the panel fills them by these indexes.
    const char* captions[] = {"Available Space:",
                              "Drive Type:",
                              "File System:",
                              "Free Space:",
                              "Is Ready:",
                              "Path:",
                              "Root Folder:",
                              "Serial Number:",
                              "Share Name:",
                              "Total Size:",
                              "Volume Name:",
                              "Sub Folders:",
                              "Kb",
                              "Remain. Spare Space:"};
    for (int i = 0; i < 12; ++i) {
        QLabel* value
            = element(lblDriveInfo, "lblDriveInfo", i, new QLabel(QStringLiteral("x"), Frame3));
        element(lblDesc, "lblDesc", i, captionFor(caption(captions[i]), value, Frame3));
        const int col = i < 6 ? 0 : 2;
        grid->addWidget(lblDesc(i), i % 6, col);
        grid->addWidget(value, i % 6, col + 1);
    }
    txtSpareSpace = numberBox("txtSpareSpace", Frame3);
    element(lblDesc, "lblDesc", 13, captionFor(caption(captions[13]), txtSpareSpace, Frame3));
    element(lblDesc, "lblDesc", 12, plainLabel(captions[12], Frame3));
    grid->addWidget(lblDesc(13), 6, 0);
    grid->addLayout(rowOf({txtSpareSpace, lblDesc(12), nullptr}), 6, 1);
    txtRemainSpace = numberBox("txtRemainSpace", Frame3);
    txtRemainSpace->setReadOnly(true);
    grid->addWidget(captionFor(caption("Remaining space (MB):"), txtRemainSpace, Frame3), 6, 2);
    grid->addWidget(txtRemainSpace, 6, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return grid;
}

void frmMain_BackUp::createFtpFrame(QWidget* page)
{
    Frame10 = frame("Frame10", "FTP Server Connection", page);
    QGridLayout* grid = gridOf(Frame10);
    const struct {
        const char* name;
        const char* caption;
        QLineEdit** target;
    } rows[] = {{"txtFTPserver", "FTP server:", &txtFTPserver},
                {"txtFTPuser", "User:", &txtFTPuser},
                {"txtFTPpassword", "Password:", &txtFTPpassword},
                {"txtFTPport", "Port:", &txtFTPport},
                {"txtFTPdir", "Remote directory:", &txtFTPdir},
                {"txtFTPProxy", "Proxy host:", &txtFTPProxy},
                {"txtFTPrestoreDir", "Restore to:", &txtFTPrestoreDir},
                {"txtRetrieveMask", "Retrieve mask:", &txtRetrieveMask}};
    int row = 0;
    for (const auto& r : rows) {
        *r.target = textBox(r.name, Frame10);
        grid->addWidget(captionFor(caption(r.caption), *r.target, Frame10), row, 0);
        grid->addWidget(*r.target, row++, 1);
    }
    txtFTPpassword->setEchoMode(QLineEdit::Password);
    txtRetrieveMask->setText(QStringLiteral("*_Backup_*.cry"));
    chkProxy = checkBox("chkProxy", "Proxy", Frame10);
    grid->addWidget(chkProxy, 5, 2);
    cmdSelectPathFTPrestore = browseButton("cmdSelectPathFTPrestore",
                                           caption("Choose the folder for FTP downloads"), Frame10);
    grid->addWidget(cmdSelectPathFTPrestore, 6, 2, Qt::AlignLeft);
    cmdTestFTPconnection = button("cmdTestFTPconnection", "Test connection", Frame10);
    cmdFTPretrieve = button("cmdFTPretrieve", "Retrieve", Frame10);
    grid->addLayout(rowOf({cmdTestFTPconnection, cmdFTPretrieve, nullptr}), row++, 0, 1, 3);
    lblFTPstatus = named(new QLabel(Frame10), "lblFTPstatus");
    lblFTPstatus->setWordWrap(true);
    grid->addWidget(lblFTPstatus, row, 0, 1, 3);
    lstServerFiles = named(new QListWidget(Frame10), "lstServerFiles");
    lstServerFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    nameForReaders(lstServerFiles, caption("Files on the FTP server"));
    grid->addWidget(lstServerFiles, 0, 3, row + 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    Frame10->setVisible(false);
}

void frmMain_BackUp::createZipTab(QWidget* page)
{
    QVBoxLayout* column = columnOf(page);
    Frame8 = frame("Frame8", "Zip archive options of current profile", page);
    column->addWidget(Frame8);
    column->addStretch(1);
    QGridLayout* grid = gridOf(Frame8);
    chkMaxZIPsize = checkBox("chkMaxZIPsize", "Maximum  ZIP archive si&ze in MByte:", Frame8);
    txtMaxZIPsize = numberBox("txtMaxZIPsize", Frame8);
    nameForReaders(txtMaxZIPsize, caption("Maximum ZIP archive size in MByte"));
    chkMaxFiles = checkBox("chkMaxFiles", "Max. &number of files in one ZIP archive :", Frame8);
    txtMaxFiles = numberBox("txtMaxFiles", Frame8);
    nameForReaders(txtMaxFiles, caption("Maximum number of files in one ZIP archive"));
    Slider1 = named(new QSlider(Qt::Horizontal, Frame8), "Slider1");
    Slider1->setRange(ProfileLoad::kLevelMin, ProfileLoad::kLevelMax);
    grid->addWidget(chkMaxZIPsize, 0, 0);
    grid->addWidget(txtMaxZIPsize, 0, 1);
    grid->addWidget(chkMaxFiles, 1, 0);
    grid->addWidget(txtMaxFiles, 1, 1);
    grid->addWidget(captionFor(caption("&Compression:"), Slider1, Frame8), 2, 0);
    grid->addWidget(Slider1, 2, 1, 1, 2);
    const struct {
        const char* name;
        const char* caption;
        QCheckBox** target;
    } boxes[]
        = {{"chkSplit", "S&plit large files - if greater than max. ZIP archive size", &chkSplit},
           {"chkOverwriteFile", "&Overwrite existing old files in the backup archive",
            &chkOverwriteFile},
           {"chkAppendArchive", "&Append existing ZIP archive", &chkAppendArchive}};
    int row = 3;
    for (const auto& b : boxes) {
        *b.target = checkBox(b.name, b.caption, Frame8);
        grid->addWidget(*b.target, row++, 0, 1, 3);
    }
    // Created in the order of the rows, so that the tab key follows them.
    chkEncrypt = checkBox("chkEncrypt", "&Encrypt archive with password:", Frame8);
    txtEncryptPassword = textBox("txtEncryptPassword", Frame8);
    txtEncryptPassword->setEchoMode(QLineEdit::Password);
    nameForReaders(txtEncryptPassword, caption("Archive password"));
    chkRemeberPassword = checkBox("chkRemeberPassword", "Remember pass&word", Frame8);
    chkDeleteArchive = checkBox("chkDeleteArchive", "&Delete backup archives older than", Frame8);
    txtDeleteArchive = numberBox("txtDeleteArchive", Frame8);
    nameForReaders(txtDeleteArchive, caption("Days to keep backup archives"));
    grid->addWidget(chkEncrypt, row, 0);
    grid->addWidget(txtEncryptPassword, row, 1);
    grid->addWidget(chkRemeberPassword, row++, 2);
    grid->addWidget(chkDeleteArchive, row, 0);
    grid->addWidget(txtDeleteArchive, row, 1);
    grid->addWidget(named(plainLabel("days", Frame8), "lblDeleteDays"), row, 2);
    grid->setColumnStretch(3, 1);
}

void frmMain_BackUp::createScheduleTab(QWidget* page)
{
    SSTab2 = named(new QTabWidget(page), "SSTab2");
    columnOf(page)->addWidget(SSTab2);
    auto* scheduler = named(new QWidget(SSTab2), "schedulerPage");
    columnOf(scheduler);
    SSTab2->addTab(scheduler, caption("Scheduler"));
    auto* utility = named(new QWidget(SSTab2), "utilityPage");
    SSTab2->addTab(utility, caption("Shutdown utility"));
    Frame11 = frame("Frame11", "Shutdown utility", utility);
    columnOf(Frame11);
    columnOf(utility)->addWidget(Frame11);
    createTaskPages();
}
