#pragma once

#include <QDialog>

class QFormLayout;
class QGroupBox;
class QLabel;
class QPushButton;

// The about box: the product name, the version, the maker's notices and what the program
// knows about the machine it runs on.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblPlatforms = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QGroupBox* fraSysInfo = nullptr; // the system information, shown by cmdSysInfo
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createSystemInformation();
    void connectEvents();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
};

// The help menus' About command: the about box, modal over its owner.
void ShowAboutBox(QWidget* owner);
