#include "frmSplash.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include "Events.h"
#include "Globals.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"

namespace {

constexpr int kBarMaximum = 90;
constexpr double kBarStep = 8.3;
constexpr int kTickLimit = 1000;
constexpr int kTickMs = 90;

int& lingerTime()
{
    static int ms = 3000;
    return ms;
}

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A white label one pixel (15 twips) lower and to the left of its coloured twin gives the
// shadow.
void placeShadow(QLabel* shadow, QLabel* label, QGridLayout* layout, int row)
{
    layout->addWidget(shadow, row, 0);
    layout->addWidget(label, row, 0);
    shadow->setContentsMargins(0, 1, 1, 0);
    label->setContentsMargins(1, 0, 0, 1);
    shadow->setStyleSheet(QStringLiteral("color: white;"));
    label->setStyleSheet(QStringLiteral("color: #285aaa;"));
    label->raise();
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    createControls();
    connectEvents();
    Form_Load();
}

void frmSplash::setMinimumShowTime(int milliseconds) { lingerTime() = milliseconds; }

void frmSplash::createControls()
{
    auto* layout = new QGridLayout(this);
    lblTitel2 = named(new QLabel(this), "lblTitel2");
    lblTitle = named(new QLabel(this), "lblTitle");
    lblVersion2 = named(new QLabel(this), "lblVersion2");
    lblVersion = named(new QLabel(this), "lblVersion");
    QFont big = font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblTitle->setFont(big);
    lblTitel2->setFont(big);
    placeShadow(lblTitel2, lblTitle, layout, 0);
    placeShadow(lblVersion2, lblVersion, layout, 1);
    GifView = named(new QLabel(this), "GifView");
    GifView->setFixedSize(96, 96);
    layout->addWidget(GifView, 0, 1, 3, 1);
    Label2 = named(new QLabel(QStringLiteral("loading ..."), this), "Label2");
    layout->addWidget(Label2, 2, 0);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, kBarMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setVisible(false);
    layout->addWidget(ProgressBar1, 3, 0, 1, 2);
    GifSrc[1] = named(new QLabel(this), "GifSrc");
    GifSrc[1]->setProperty("Index", 1);
    GifSrc[1]->hide();
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(kTickMs);
}

void frmSplash::connectEvents()
{
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

void frmSplash::Form_Load()
{
    setWindowTitle(AppName.isEmpty() ? QStringLiteral("Quillaro") : AppName);
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    const QString version = QStringLiteral("v. ") + g_ProgramVersion;
    lblVersion->setText(version);
    lblVersion2->setText(version);
    lblTitle->setText(windowTitle());
    lblTitel2->setText(windowTitle());
    LoadGif(Paths::commonFolder() + QStringLiteral("/bitmap/q.e.v2.gif"), this, GifSrc);
    repaint();
    Timer1->start();
}

void frmSplash::showNextFrame()
{
    ++m_frame;
    if (m_frame > iGifFrames)
        m_frame = 1;
    const QLabel* frame = GifSrc.value(m_frame);
    if (frame)
        GifView->setPixmap(frame->pixmap());
}

void frmSplash::Timer1_Timer()
{
    ProgressBar1->setMaximum(kBarMaximum);
    ++m_ticks;
    if (m_ticks >= kTickLimit)
        Form_Unload();
    showNextFrame();
    DoEvents();
    if (m_progress + kBarStep > kBarMaximum) {
        m_progress = kBarMaximum;
        ProgressBar1->setValue(kBarMaximum);
        Form_Unload();
        return;
    }
    ProgressBar1->setVisible(true);
    m_progress += kBarStep;
    ProgressBar1->setValue(static_cast<int>(m_progress));
}

// The window lingers with its animation running; the timer's further requests to close
// while it lingers change nothing.
void frmSplash::Form_Unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    DoEventsFor(lingerTime());
    Timer1->stop();
    accept();
}
