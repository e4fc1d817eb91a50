#include "frmSplash.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "Clock.h"
#include "Globals.h"

namespace {

int& minimumShowTime()
{
    static int ms = 3000;
    return ms;
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto* layout = new QVBoxLayout(this);
    GifView = new QLabel(this);
    GifView->setObjectName(QStringLiteral("GifView"));
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    layout->addWidget(GifView);
    layout->addWidget(lblVersion);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Form_Load();
}

void frmSplash::setMinimumShowTime(int milliseconds) { minimumShowTime() = milliseconds; }

void frmSplash::Form_Load()
{
    setWindowTitle(QStringLiteral("Quillaro"));
    lblVersion->setText(QStringLiteral("Quillaro ") + g_ProgramVersion);
    m_shownAt = Clock::monotonicMs();
    Timer1->start(100);
}

void frmSplash::Timer1_Timer()
{
    if (Clock::monotonicMs() - m_shownAt >= minimumShowTime()) {
        Timer1->stop();
        accept();
    }
}
