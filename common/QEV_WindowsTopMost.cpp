#include "QEV_WindowsTopMost.h"

#include <QWidget>

namespace {

void setOnTop(QWidget* window, bool onTop)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing the flags hides a window; it comes back where it was.
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->setGeometry(geometry);
    if (visible)
        window->show();
}

} // namespace

void WindowOnTop(QWidget* window) { setOnTop(window, true); }
void WindowNotOnTop(QWidget* window) { setOnTop(window, false); }
