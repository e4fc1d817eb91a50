#pragma once

#include <QDialog>

class QLabel;
class QTimer;

// The splash window: shows the program's version while start-up goes on, then closes itself.
class frmSplash : public QDialog
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // How long the window stays at least, in milliseconds.
    static void setMinimumShowTime(int milliseconds);

    QLabel* lblVersion = nullptr;
    QLabel* GifView = nullptr;
    QTimer* Timer1 = nullptr;

private slots:
    void Timer1_Timer();

private:
    void Form_Load();
    qint64 m_shownAt = 0;
};
