#include "frmMain_BackUp.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "Events.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "SettingsStore.h"

namespace {

constexpr double kTwipsPerPixel = 15.0;

template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString userScope() { return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_User; }

int twipsSetting(const char* key, int defaultTwips)
{
    bool ok = false;
    const double twips = SettingsStore::getValue(userScope(), QStringLiteral("Data"),
                                                 QString::fromLatin1(key),
                                                 QString::number(defaultTwips))
                             .toDouble(&ok);
    if (!ok) {
        ReportError(FormularLabel("Form_Load", "frmMain_BackUp"), ErrNo::TypeMismatch,
                    QStringLiteral("the stored window position is not a number: ")
                        + QString::fromLatin1(key));
        return qRound(defaultTwips / kTwipsPerPixel);
    }
    return qRound(twips / kTwipsPerPixel);
}

} // namespace

frmMain_BackUp::frmMain_BackUp(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain_BackUp"));
    createControls();
    connectEvents();
    setMainWindowErrorHooks({[this] { showErrorIndicator(); }, {}, {}});
}

frmMain_BackUp::~frmMain_BackUp()
{
    setMainWindowErrorHooks({});
    if (g_frmMain == this)
        g_frmMain = nullptr;
}

void frmMain_BackUp::createControls()
{
    auto* layout = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    for (const char* caption : {" Backup", " Sources", " Options", " BU Media", " ZIP Options",
                                " Schedule"}) {
        auto* page = new QWidget(SSTab1);
        new QGridLayout(page);
        SSTab1->addTab(page, QString::fromLatin1(caption));
    }
    layout->addWidget(SSTab1);

    auto* backup = static_cast<QGridLayout*>(SSTab1->widget(0)->layout());
    cmbProfiles = named(new QComboBox(this), "cmbProfiles");
    cmbProfiles->setEditable(true);
    txtProfile = named(new QLineEdit(this), "txtProfile");
    chkProfileStandard = named(new QCheckBox(QStringLiteral("Start program with profile - Standard -"), this), "chkProfileStandard");
    backup->addWidget(cmbProfiles, 0, 0);
    backup->addWidget(txtProfile, 0, 1);
    backup->addWidget(chkProfileStandard, 1, 0);
    RtbNews1 = named(new QTextEdit(this), "RtbNews1");
    backup->addWidget(RtbNews1, 2, 0, 1, 2);

    auto* options = static_cast<QGridLayout*>(SSTab1->widget(2)->layout());
    chkSystray = named(new QCheckBox(QStringLiteral("Start in the tray"), this), "chkSystray");
    chkWinOnTop = named(new QCheckBox(QStringLiteral("Window always on top"), this), "chkWinOnTop");
    options->addWidget(chkSystray, 0, 0);
    options->addWidget(chkWinOnTop, 1, 0);

    auto* media = static_cast<QGridLayout*>(SSTab1->widget(3)->layout());
    txtPathBackUp = named(new QLineEdit(this), "txtPathBackUp");
    media->addWidget(new QLabel(QStringLiteral("Dest. Directory:"), this), 0, 0);
    media->addWidget(txtPathBackUp, 0, 1);

    auto* status = new QHBoxLayout;
    txtNews = named(new QLineEdit(this), "txtNews");
    txtNews->setReadOnly(true);
    ErrorIndicator = named(new QFrame(this), "ErrorIndicator");
    ErrorIndicator->setFixedSize(16, 16);
    ErrorIndicator->setAutoFillBackground(true);
    lblError = named(new QLabel(QStringLiteral("Error"), this), "lblError");
    lblError->setVisible(false);
    status->addWidget(txtNews, 1);
    status->addWidget(ErrorIndicator);
    status->addWidget(lblError);
    layout->addLayout(status);
}

void frmMain_BackUp::connectEvents() {}

void frmMain_BackUp::showErrorIndicator()
{
    QPalette palette = ErrorIndicator->palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0x80, 0x80));
    ErrorIndicator->setPalette(palette);
    lblError->setVisible(true);
}

void frmMain_BackUp::Form_Load()
{
    const QString scope = userScope();
    chkProfileStandard->setCheckState(
        SettingsStore::getValue(scope, QStringLiteral("Settings"),
                                QStringLiteral("chkProfileStandard"), QStringLiteral("0"))
                == QStringLiteral("1")
            ? Qt::Checked
            : Qt::Unchecked);
    if (chkProfileStandard->checkState() == Qt::Checked)
        cmbProfiles->setEditText(QStringLiteral("Standard"));
    else
        cmbProfiles->setEditText(SettingsStore::getValue(scope, QStringLiteral("Settings"),
                                                         QStringLiteral("ProfileText"),
                                                         QStringLiteral("Standard")));
    if (cmbProfiles->currentText().trimmed().isEmpty())
        cmbProfiles->setEditText(QStringLiteral("Standard"));
    txtProfile->setText(cmbProfiles->currentText());
    move(twipsSetting("MainLeft", 1000), twipsSetting("MainTop", 1000));
    resize(twipsSetting("MainWidth", 9730), twipsSetting("MainHeight", 7785));
    show();
    repaint();
    DoEvents();
    RtbNews1->setPlainText(LangText(3) + QStringLiteral("\n\n") + LangText(205) + QLatin1Char('\n')
                           + LangText(206) + QLatin1Char('\n') + LangText(207)
                           + QStringLiteral(" - https://quillaro.invalid/"));
    DoEvents();
}

void frmMain_BackUp::cmdBackUpNow()
{
    g_bBackupStarted = true;
    ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::InvalidCall,
                QStringLiteral("this version carries out no backup run; nothing was backed up"));
}

void frmMain_BackUp::cmdSetTray() { hide(); }

void frmMain_BackUp::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void frmMain_BackUp::Form_QueryUnload()
{
    if (!g_bAutoRun)
        (void)SettingsStore::flush();
}

void frmMain_BackUp::Form_Unload()
{
    setMainWindowErrorHooks({});
    if (g_frmMain == this)
        g_frmMain = nullptr;
}
