#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTextEdit;

// The main window: its controls hold the current profile's options.
class frmMain_BackUp : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain_BackUp(QWidget* parent = nullptr);
    ~frmMain_BackUp() override;

    // The window's load step: restores the start profile and the window geometry, shows the
    // window and loads the profile's settings.
    void Form_Load();
    // Carries out one backup run of the current profile.
    void cmdBackUpNow();
    // Puts the program into the tray and hides the window.
    void cmdSetTray();

    QTabWidget* SSTab1 = nullptr;
    QComboBox* cmbProfiles = nullptr;
    QLineEdit* txtProfile = nullptr;
    QLineEdit* txtPathBackUp = nullptr;
    QCheckBox* chkProfileStandard = nullptr;
    QCheckBox* chkSystray = nullptr;
    QCheckBox* chkWinOnTop = nullptr;
    QFrame* ErrorIndicator = nullptr;
    QLabel* lblError = nullptr;
    QTextEdit* RtbNews1 = nullptr;
    QLineEdit* txtNews = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectEvents();
    void Form_QueryUnload();
    void Form_Unload();
    void showErrorIndicator();
};
