#pragma once

#include <QDialog>

#include "QEV_modAniGif.h"

class QLabel;
class QProgressBar;
class QTimer;

// The splash window: the product name, the version and the animated logo while start-up goes
// on. It closes itself when its bar is full, about a second after it appears, and lingers a
// few seconds while it closes.
class frmSplash : public QDialog
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // How long the window lingers while it closes, in milliseconds (3000; tests shorten it).
    static void setMinimumShowTime(int milliseconds);

    QLabel* lblTitle = nullptr;
    QLabel* lblTitel2 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblVersion2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* GifView = nullptr;
    GifImageArray GifSrc;
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* Timer1 = nullptr;

    // The frame counter of the animation (tests).
    [[nodiscard]] int frameCounter() const { return m_frame; }

private slots:
    void Timer1_Timer();

private:
    void createControls();
    void connectEvents();
    void Form_Load();
    void Form_Unload();
    void showNextFrame();

    int m_frame = 0;
    qint32 m_ticks = 0;
    double m_progress = 0.0; // the bar's value, kept exact: it rises in steps of 8.3
    bool m_unloading = false;
};
