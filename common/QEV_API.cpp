#include "QEV_API.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QPointer>
#include <QPropertyAnimation>
#include <QRubberBand>
#include <QStyle>
#include <QWidget>

#include "Events.h"
#include "Globals.h"

QWidget* g_hWnd = nullptr;
QSystemTrayIcon* g_nid = nullptr;

namespace {

constexpr int kAnimationMs = 250;

// Without a tray the window is only minimised, and the user may bring it back through the
// task bar: it is then out of the tray, so that the next Minimize works again.
class RestoreWatch : public QObject
{
public:
    explicit RestoreWatch(QWidget* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::WindowStateChange && !window->isMinimized() && g_hWnd == window) {
            g_hWnd = nullptr;
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }
};

struct TrayState
{
    TrayPopup showPopup;
    bool minimised = false; // no tray: the window was minimised instead of hidden
    QPointer<RestoreWatch> watch;
};

TrayState& state()
{
    static TrayState s;
    return s;
}

std::function<bool()>& availability()
{
    static std::function<bool()> probe;
    return probe;
}

bool trayAvailable()
{
    return availability() ? availability()() : QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon iconOf(QWidget* window)
{
    if (!window->windowIcon().isNull())
        return window->windowIcon();
    return window->style()->standardIcon(QStyle::SP_DriveHDIcon);
}

void showIcon(QWidget* window)
{
    g_nid = new QSystemTrayIcon(iconOf(window), window);
    g_nid->setObjectName(QStringLiteral("g_nid"));
    g_nid->setToolTip(AppName);
    QObject::connect(g_nid, &QSystemTrayIcon::activated, g_nid, &WindowProc);
    g_nid->show();
}

void animateRect(const QRect& from, const QRect& to)
{
    QRubberBand band(QRubberBand::Rectangle);
    band.setGeometry(from);
    band.show();
    QPropertyAnimation animation(&band, "geometry");
    animation.setDuration(kAnimationMs);
    animation.setStartValue(from);
    animation.setEndValue(to);
    QEventLoop loop;
    QObject::connect(&animation, &QPropertyAnimation::finished, &loop, &QEventLoop::quit);
    animation.start();
    loop.exec();
}

} // namespace

void setTrayAvailableForTests(std::function<bool()> probe) { availability() = std::move(probe); }

bool IsInTray() { return g_hWnd != nullptr; }

void EnterTray(QWidget* window, TrayPopup showPopup)
{
    if (!window || IsInTray())
        return;
    g_hWnd = window;
    state() = TrayState{std::move(showPopup), !trayAvailable(), {}};
    if (state().minimised) {
        window->showMinimized();
        state().watch = new RestoreWatch(window);
        return;
    }
    showIcon(window);
    TrayAnimate(1, window);
    window->hide();
}

void LeaveTray()
{
    QWidget* window = g_hWnd;
    if (!window)
        return;
    g_hWnd = nullptr;
    delete state().watch;
    if (g_nid) {
        TrayAnimate(0, window); // while the icon still tells where it is
        g_nid->hide();
        g_nid->deleteLater();
        g_nid = nullptr;
    }
    DoEvents();
    if (state().minimised)
        window->showNormal();
    else
        window->show();
    DoEvents();
}

int TrayAnimate(int mode, QWidget* window)
{
    if ((mode != 0 && mode != 1) || !window || !g_nid)
        return 0;
    const QRect tray = g_nid->geometry();
    if (!tray.isValid() || tray.isEmpty())
        return 0; // the desktop does not tell where its tray is
    const QRect shown = window->frameGeometry();
    if (mode == 1)
        animateRect(shown, tray);
    else
        animateRect(tray, shown);
    return 0;
}

void WindowProc(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        LeaveTray();
    else if (reason == QSystemTrayIcon::Context && state().showPopup)
        state().showPopup(QCursor::pos());
}
