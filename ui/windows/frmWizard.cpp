#include "frmWizard.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "Globals.h"
#include "InPlaceWindow.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileName.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "frmMain_BackUp.h"

namespace {

constexpr int kTickMs = 190;

QLabel* wrapped(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setWordWrap(true);
    return label;
}

QString settings() { return QStringLiteral("Settings"); }

} // namespace

frmWizard::frmWizard(frmMain_BackUp& main, QWidget* parent)
    : QDialog(parent)
    , m_main(main)
{
    setObjectName(QStringLiteral("frmWizard"));
    setWindowTitle(QStringLiteral("Create a Profile Wizard"));
    createControls();
    connectEvents();
    Form_Load();
}

void frmWizard::createControls()
{
    auto* layout = new QVBoxLayout(this);
    // The pages share one place; the one shown fills it.
    auto* pageArea = new QGridLayout;
    const QList<QGroupBox*> pages = {createIntroPage(), createNamePage(), createConfirmPage()};
    for (int i = 0; i < pages.size(); ++i) {
        pages[i]->setObjectName(elementName(QStringLiteral("Frame1"), i));
        pages[i]->setMinimumSize(460, 260);
        Frame1.add(i, pages[i]);
        pageArea->addWidget(pages[i], 0, 0);
    }
    layout->addLayout(pageArea, 1);
    auto* buttons = new QHBoxLayout;
    cmdBack = named(new QPushButton(QStringLiteral("<< Back"), this), "cmdBack");
    cmdNext = named(new QPushButton(QStringLiteral("Next >>"), this), "cmdNext");
    cmdFinish = named(new QPushButton(QStringLiteral("Finish"), this), "cmdFinish");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    buttons->addStretch();
    for (QPushButton* button : {cmdBack, cmdNext, cmdFinish, cmdCancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    cmdNext->setDefault(true);
    createEmailPanel();
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(kTickMs);
}

QGroupBox* frmWizard::createIntroPage()
{
    auto* page = new QGroupBox(this);
    auto* layout = new QHBoxLayout(page);
    GifView = named(new QLabel(page), "GifView");
    GifView->setFixedSize(96, 96);
    layout->addWidget(GifView, 0, Qt::AlignTop);
    QLabel* intro = wrapped("This Wizard will help you to create a new backup PROFILE ", page);
    QFont big = intro->font();
    big.setPointSize(big.pointSize() * 3 / 2);
    big.setBold(true);
    intro->setFont(big);
    layout->addWidget(intro, 1, Qt::AlignTop);
    GifSrc[1] = named(new QLabel(this), "GifSrc");
    GifSrc[1]->setProperty("Index", 1);
    GifSrc[1]->hide();
    return page;
}

QGroupBox* frmWizard::createNamePage()
{
    auto* page = new QGroupBox(QStringLiteral("Step 1 of 2"), this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrapped("Type into the combo box a new backup profile name ...", page));
    txtProfile = named(new QLineEdit(page), "txtProfile");
    layout->addWidget(txtProfile);
    layout->addWidget(wrapped("You should choose a profile name which has some releation to the "
                              "data you are going to backup with this profile.",
                              page));
    for (const char* example : {"Financial data", "MyPhotos", "e.g.  Office dailybackup"})
        layout->addWidget(new QLabel(QString::fromLatin1(example), page));
    layout->addStretch();
    return page;
}

QGroupBox* frmWizard::createConfirmPage()
{
    auto* page = new QGroupBox(QStringLiteral("Step 2 of 2"), this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrapped("Click on Finish to create the new profile :", page));
    lblProfileName = named(new QLabel(page), "lblProfileName");
    QFont bold = lblProfileName->font();
    bold.setBold(true);
    lblProfileName->setFont(bold);
    layout->addWidget(lblProfileName);
    layout->addWidget(wrapped("The new profile will be generated using standard options. Before "
                              "you use the profile the first time, you should click on the "
                              "option menu to configure the profile in accordance to your needs.",
                              page));
    layout->addWidget(wrapped("or click on Cancle to abbort ...", page));
    layout->addStretch();
    return page;
}

// No page shows this panel; it is kept for the mail settings it writes.
void frmWizard::createEmailPanel()
{
    fraEmail = named(new QGroupBox(QStringLiteral("E-mail"), this), "fraEmail");
    auto* form = new QFormLayout(fraEmail);
    txtSMTPserver = named(new QLineEdit(fraEmail), "txtSMTPserver");
    txtSMTPport = named(new QLineEdit(fraEmail), "txtSMTPport");
    txtSMTPeMail = named(new QLineEdit(fraEmail), "txtSMTPeMail");
    cmdSaveEmailSetup
        = named(new QPushButton(QStringLiteral("Save"), fraEmail), "cmdSaveEmailSetup");
    form->addRow(QStringLiteral("SMTP server"), txtSMTPserver);
    form->addRow(QStringLiteral("SMTP port"), txtSMTPport);
    form->addRow(QStringLiteral("E-mail address"), txtSMTPeMail);
    form->addRow(cmdSaveEmailSetup);
    fraEmail->hide();
}

void frmWizard::connectEvents()
{
    connect(cmdBack, &QPushButton::clicked, this, &frmWizard::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmWizard::cmdNext_Click);
    connect(cmdFinish, &QPushButton::clicked, this, &frmWizard::cmdFinish_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWizard::cmdCancel_Click);
    connect(cmdSaveEmailSetup, &QPushButton::clicked, this, &frmWizard::cmdSaveEmailSetup_Click);
    connect(Timer1, &QTimer::timeout, this, &frmWizard::Timer1_Timer);
}

void frmWizard::Form_Load()
{
    FirstStep = 0;
    LastStep = 2;
    Step = 0;
    ShowStep(QString::number(Step));
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    cmdBack->setEnabled(false);
    cmdFinish->setEnabled(false);
    LoadGif(Paths::commonFolder() + QStringLiteral("/bitmap/q.e.v2.gif"), this, GifSrc);
    m_frames = iGifFrames;
    Timer1->start();
}

void frmWizard::ShowStep(const QString& page)
{
    for (int i = FirstStep; i <= LastStep; ++i)
        Frame1(i)->setVisible(false);
    if (QGroupBox* shown = Frame1(page.toInt()))
        shown->setVisible(true);
}

void frmWizard::cmdNext_Click()
{
    ++Step;
    if (Step < LastStep) {
        cmdNext->setEnabled(true);
    } else {
        Step = LastStep;
        cmdNext->setEnabled(false);
        cmdFinish->setEnabled(true);
    }
    ShowStep(QString::number(Step));
    cmdBack->setEnabled(true);
    followWithReturn();
    Timer1->stop();
    lblProfileName->setText(txtProfile->text());
    if (Step == 1)
        txtProfile->setFocus();
}

// The intro page is not shown again.
void frmWizard::cmdBack_Click()
{
    --Step;
    if (Step > FirstStep + 1) {
        cmdBack->setEnabled(true);
    } else {
        Step = static_cast<qint16>(FirstStep + 1);
        cmdBack->setEnabled(false);
    }
    ShowStep(QString::number(Step));
    cmdNext->setEnabled(true);
    cmdFinish->setEnabled(false);
    followWithReturn();
}

// Return takes a keyboard user on: Next while there is a next page, then Finish.
void frmWizard::followWithReturn()
{
    (cmdFinish->isEnabled() ? cmdFinish : cmdNext)->setDefault(true);
}

void frmWizard::cmdFinish_Click()
{
    const QString name = txtProfile->text().trimmed();
    txtProfile->setText(name);
    QString why;
    if (!ProfileName::isAllowed(name, &why)) {
        MsgBox(LangText(273) + QLatin1Char('\n') + LangText(274) + QLatin1Char('\n') + LangText(277)
                   + QStringLiteral("\n\n\"") + name + QStringLiteral("\": ") + why,
               MsgButtons::Ok, MsgIcon::Exclamation, LangText(23));
        cmdBack_Click();
        return;
    }
    createProfile(name);
    accept();
}

// The current profile's edits are stored first, as choosing another profile in the box
// stores them; the new profile must not take them away unasked.
void frmWizard::createProfile(const QString& name)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Save_Settings();
    cmdClearProfile_Click();
    m_main.txtProfile->setText(name);
    setComboText(m_main.cmbProfiles, name);
    Load_Settings();
    m_main.cmdSaveProfile();
    QApplication::restoreOverrideCursor();
}

void frmWizard::cmdCancel_Click() { reject(); }

void frmWizard::Timer1_Timer()
{
    if (m_frames < 1)
        return;
    ++m_frame;
    if (m_frame > m_frames)
        m_frame = 1;
    if (const QLabel* frame = GifSrc.value(m_frame))
        GifView->setPixmap(frame->pixmap());
}

void frmWizard::cmdSaveEmailSetup_Click()
{
    const QString label = FormularLabel("cmdSaveEmailSetup_Click", "frmWizard");
    SettingsStore::saveValue(SettingsKeys::userScope(), settings(), QStringLiteral("txtSMTPserver"),
                             txtSMTPserver->text());
    SettingsStore::saveValue(SettingsKeys::userScope(), settings(), QStringLiteral("txtSMTPport"),
                             txtSMTPport->text());
    const QString profile = m_main.cmbProfiles->currentText();
    QString why;
    if (ProfileName::isAllowed(profile, &why))
        SettingsStore::saveValue(SettingsKeys::profileScope(profile), settings(),
                                 QStringLiteral("txtSMTPeMail"), txtSMTPeMail->text());
    else
        ReportError(label, ErrNo::BadFileName, why + QStringLiteral(": ") + profile);
    QString error;
    if (!SettingsStore::flush(&error))
        ReportError(label, ErrNo::PathFileAccess, error);
}

void ShowWizard(frmMain_BackUp& main)
{
    if (main.isRunActive())
        return;
    frmWizard wizard(main, &main);
    ExecInPlaceOf(main, wizard);
}
