#include "frmAbout.h"

#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_GetSystemInfos.h"
#include "WebAddresses.h"
#include "QEV_Internet.h"

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

struct InfoRow
{
    const char* caption;
    QString value;
};

// Values the system does not have (a registered company, say) are left out, not shown empty.
QList<InfoRow> systemInformation()
{
    return {
        {"Operating system", GetWinVersion()},
        {"User", GetUser()},
        {"Company", GetCompany()},
        {"Machine ID", g_MachineID},
        {"Language", SysLanguageName()},
        {"Country", Country()},
        {"System folder", GetSysDir()},
        {"Program folder", Paths::programFolder()},
        {"Error log", ErrorLogPath()},
    };
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    createControls();
    connectEvents();
    Form_Load();
}

void frmAbout::createControls()
{
    auto* layout = new QGridLayout(this);
    Image1 = named(new QLabel(this), "Image1");
    Image1->setPixmap(QPixmap(Paths::commonFolder() + QStringLiteral("/bitmap/q.e.v2.gif")));
    Image1->setCursor(Qt::PointingHandCursor);
    layout->addWidget(Image1, 0, 0, 3, 1, Qt::AlignTop);
    lblTitle = named(new QLabel(this), "lblTitle");
    QFont big = font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblTitle->setFont(big);
    layout->addWidget(lblTitle, 0, 1);
    lblVersion = named(new QLabel(this), "lblVersion");
    layout->addWidget(lblVersion, 1, 1);
    lblPlatforms = named(new QLabel(QStringLiteral("Platforms  Linux"), this), "lblPlatforms");
    layout->addWidget(lblPlatforms, 2, 1);
    Label2 = named(new QLabel(QStringLiteral("q.e.v software"), this), "Label2");
    Label3 = named(new QLabel(WebAddresses::homePage(), this), "Label3");
    lblDisclaimer = named(new QLabel(QStringLiteral("This program is provided as it is, without "
                                                    "warranty of any kind."),
                                     this),
                          "lblDisclaimer");
    lblDisclaimer->setWordWrap(true);
    int row = 3;
    for (QLabel* label : {Label2, Label3, lblDisclaimer}) {
        label->setCursor(Qt::PointingHandCursor);
        layout->addWidget(label, row++, 0, 1, 2);
    }
    createSystemInformation();
    layout->addWidget(fraSysInfo, row++, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdSysInfo = named(new QPushButton(QStringLiteral("&System Info"), this), "cmdSysInfo");
    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons, row, 0, 1, 2);
    layout->setColumnStretch(1, 1); // the picture keeps its width when the window grows
    setMinimumWidth(420);
}

void frmAbout::createSystemInformation()
{
    fraSysInfo = named(new QGroupBox(QStringLiteral("System information"), this), "fraSysInfo");
    auto* form = new QFormLayout(fraSysInfo);
    for (const InfoRow& info : systemInformation()) {
        if (info.value.trimmed().isEmpty())
            continue;
        auto* value = new QLabel(info.value, fraSysInfo);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromLatin1(info.caption) + QLatin1Char(':'), value);
    }
    fraSysInfo->setVisible(false);
}

void frmAbout::connectEvents()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    for (QLabel* link : {Image1, Label2, Label3, lblDisclaimer})
        link->installEventFilter(this);
}

void frmAbout::Form_Load()
{
    lblVersion->setText(QStringLiteral("Version ") + g_ProgramVersion);
    lblTitle->setText(AppName);
    setWindowTitle(QStringLiteral("About ") + AppName);
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

// The program's own system information stands in for the system tool the desktop lacks.
void frmAbout::StartSysInfo()
{
    if (fraSysInfo->layout()->count() == 0) {
        MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), MsgButtons::Ok,
               MsgIcon::None, QStringLiteral("Info"));
        return;
    }
    fraSysInfo->setVisible(true);
    adjustSize();
}

// A click on the picture or on one of the maker's lines opens the maker's home page.
bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QLabel*>(watched))
        (void)OpenOrTell(WebAddresses::homePage());
    return QDialog::eventFilter(watched, event);
}

void ShowAboutBox(QWidget* owner)
{
    frmAbout about(owner);
    about.exec();
}
