// The CD writer's controls of the main window: CD mode, the device and speed lists, and the
// writer's status lines and progress.
#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "CdRecorder.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"

namespace {

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

// Fills a list without running its click handler; the caller's selection runs it.
void fillList(QComboBox* combo, const QStringList& entries, const QList<int>& data = {})
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (int i = 0; i < entries.size(); ++i)
        combo->addItem(entries.at(i), data.value(i));
    combo->setCurrentIndex(-1);
}

} // namespace

void frmMain_BackUp::connectCdEvents()
{
    m_cdRecorder = new CdRecorder(this);
    connect(m_cdRecorder, &CdRecorder::statusLine, txtNews, &QLineEdit::setText);
    connect(m_cdRecorder, &CdRecorder::progress, this, [this](int value) {
        ProgressBar3->setVisible(value >= 0);
        ProgressBar3->setValue(qBound(0, value, 100));
    });
    connect(m_cdRecorder, &CdRecorder::animation, this, [this](const QString& clip) {
        Animation1->setVisible(!clip.isEmpty());
        Animation1->setToolTip(clip);
    });
    connect(chkUseCDRecorder, &QCheckBox::toggled, this, [this](bool on) {
        // A settings load runs the handler itself once all its options are in place.
        if (isLoadingSettings())
            return;
        // Switching CD mode on is when drives may have come or gone.
        m_rescanDrives = on;
        chkUseCDRecorder_Click();
    });
    connect(cboDevices, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            cboDevices_Click();
    });
    connect(cboWriteSpeed, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            cboWriteSpeed_Click();
    });
    connect(chkAppendArchive, &QCheckBox::toggled, this, &frmMain_BackUp::chkAppendArchive_Click);
}

// Selecting an entry runs the list's click handler, also when it was selected already.
void frmMain_BackUp::selectCdEntry(QComboBox* combo, int index, void (frmMain_BackUp::*handler)())
{
    if (index < 0 || index >= combo->count()) {
        ReportError(label("chkUseCDRecorder_Click"), ErrNo::InvalidCall,
                    QStringLiteral("the saved list position ") + QString::number(index) + QStringLiteral(" of ")
                        + combo->objectName() + QStringLiteral(" is not in the list"));
        return;
    }
    if (combo->currentIndex() == index)
        (this->*handler)();
    else
        combo->setCurrentIndex(index);
}

void frmMain_BackUp::chkUseCDRecorder_Click()
{
    if (chkValue(chkUseCDRecorder) == 1) {
        Label4->setText(QStringLiteral("Recorder:"));
        txtPathBackUp->setVisible(false);
        cmdSelectPath->setVisible(false);
        for (QWidget* w : std::initializer_list<QWidget*> {cboDevices, cboWriteSpeed, chkUseBurnProof})
            w->setVisible(true);
        Frame3->repaint();
        // Every device selection clears the burn-proof choice; the one the profile holds stays.
        const int burnProof = chkValue(chkUseBurnProof);
        LoadDriveCombo();
        if (cboDevices->count() > 0) {
            selectCdEntry(cboDevices, g_iCdDevice, &frmMain_BackUp::cboDevices_Click);
            selectCdEntry(cboWriteSpeed, g_iCdSpeed, &frmMain_BackUp::cboWriteSpeed_Click);
            (void)setChkValue(chkUseBurnProof, burnProof);
            (void)setChkValue(chkAppendArchive, 0);
            (void)Update_Media();
            DoEvents();
            return;
        }
    }
    {
        // Unticking runs this handler once more; the second run does the rest.
        const QSignalBlocker quiet(chkUseCDRecorder);
        (void)setChkValue(chkUseCDRecorder, 0);
    }
    Label4->setText(QStringLiteral("Dest. Directory:"));
    txtPathBackUp->setVisible(true);
    cmdSelectPath->setVisible(true);
    for (QWidget* w : std::initializer_list<QWidget*> {cboDevices, cboWriteSpeed, chkUseBurnProof})
        w->setVisible(false);
    (void)Update_Media();
    DoEvents();
}

void frmMain_BackUp::LoadDriveCombo()
{
    // While a disc is written the drive and its list stay as they are.
    if (m_cdRecorder->busy())
        return;
    fillList(cboDevices, m_cdRecorder->deviceEntries(m_rescanDrives));
    m_rescanDrives = false;
    if (cboDevices->count() > 0)
        cboDevices->setCurrentIndex(0);
    else
        MsgBox(QStringLiteral("There are no compatible CDR drives reported.\nSome older CDR drives are not currently supported."),
               MsgButtons::Ok, MsgIcon::Information, AppName);
    DoEvents();
}

void frmMain_BackUp::cboDevices_Click()
{
    if (!m_cdRecorder->selectDevice(cboDevices->currentIndex()) && m_cdRecorder->busy())
        return; // the writing drive stays selected
    LoadWriteSpeedCombo();
    chkUseBurnProof->setEnabled(m_cdRecorder->writer().burnProofSupported());
    (void)setChkValue(chkUseBurnProof, 0);
    (void)Update_Media();
    DoEvents();
}

void frmMain_BackUp::LoadWriteSpeedCombo()
{
    const QList<int> factors = CdRecorder::speedFactors(m_cdRecorder->writer().maxWriteSpeed());
    QStringList entries;
    for (int factor : factors)
        entries.append(QString::number(factor) + QLatin1Char('x'));
    if (factors.isEmpty())
        entries.append(QStringLiteral("Default"));
    fillList(cboWriteSpeed, entries, factors);
    cboWriteSpeed->setCurrentIndex(0);
    DoEvents();
}

void frmMain_BackUp::cboWriteSpeed_Click()
{
    if (cboWriteSpeed->currentText() != QStringLiteral("Default"))
        m_cdRecorder->writer().setWriteSpeed(cboWriteSpeed->currentData().toInt());
    DoEvents();
}

void frmMain_BackUp::chkAppendArchive_Click()
{
    if (chkValue(chkUseCDRecorder) == 1 && chkValue(chkAppendArchive) == 1) {
        MsgBox(LangText(233), MsgButtons::Ok, MsgIcon::Information, AppName + QStringLiteral(" Info"));
        (void)setChkValue(chkAppendArchive, 0);
    }
    DoEvents();
}
