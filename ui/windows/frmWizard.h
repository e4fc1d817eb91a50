#pragma once

#include <QDialog>

#include "FormControls.h"
#include "QEV_modAniGif.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class frmMain_BackUp;

// The new-profile wizard: an intro, the name, a confirmation; Finish makes the main window's
// current profile a new, empty one of that name with standard options and saves it.
class frmWizard : public QDialog
{
    Q_OBJECT
public:
    explicit frmWizard(frmMain_BackUp& main, QWidget* parent = nullptr);

    // The three pages, one shown at a time.
    ControlArray<QGroupBox> Frame1;
    QLabel* GifView = nullptr;
    GifImageArray GifSrc;
    QLineEdit* txtProfile = nullptr;
    QLabel* lblProfileName = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdFinish = nullptr;
    QPushButton* cmdCancel = nullptr;
    QTimer* Timer1 = nullptr;

    // The mail settings panel the form carries out of sight.
    QGroupBox* fraEmail = nullptr;
    QLineEdit* txtSMTPserver = nullptr;
    QLineEdit* txtSMTPport = nullptr;
    QLineEdit* txtSMTPeMail = nullptr;
    QPushButton* cmdSaveEmailSetup = nullptr;

    [[nodiscard]] int step() const { return Step; }
    // Stores the mail server and port for the user and the address for the current profile.
    void cmdSaveEmailSetup_Click();

private:
    void followWithReturn();
    void createControls();
    QGroupBox* createIntroPage();
    QGroupBox* createNamePage();
    QGroupBox* createConfirmPage();
    void createEmailPanel();
    void connectEvents();
    void Form_Load();
    void ShowStep(const QString& page);
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdFinish_Click();
    void cmdCancel_Click();
    void Timer1_Timer();
    void createProfile(const QString& name);

    frmMain_BackUp& m_main;
    qint16 FirstStep = 0;
    qint16 LastStep = 2;
    qint16 Step = 0;
    int m_frame = 0;
    int m_frames = 0;
};

// The toolbar's New command: the main window steps aside for the wizard and comes back when
// it closes. Not while a backup runs.
void ShowWizard(frmMain_BackUp& main);
