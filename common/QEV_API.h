#pragma once

#include <functional>

#include <QPoint>
#include <QSystemTrayIcon>

class QWidget;

// The tray: while the main window sits there it is hidden and an icon stands in the tray;
// a double-click on the icon brings the window back, a right click shows its popup menu.
// Without a tray the window is minimised instead.

extern QWidget* g_hWnd;        // the main window while it is in the tray, else null
extern QSystemTrayIcon* g_nid; // the tray icon while it is shown, else null

// Shows the popup menu of the main window at a screen position (mnuPopup->popup(pos)).
using TrayPopup = std::function<void(const QPoint&)>;

// Puts the window into the tray (cmdSetTray): icon with the window's icon and the tip
// AppName, animation, window hidden. Does nothing while a window is in the tray already.
void EnterTray(QWidget* window, TrayPopup showPopup);
// Brings the window back (mnuShow_Click and the icon's double-click): icon removed,
// animation, window shown. Does nothing when no window is in the tray.
void LeaveTray();
[[nodiscard]] bool IsInTray();

// Draws a caption rectangle moving between the window and the tray: mode 1 into the tray,
// mode 0 back to the window; any other mode, or no known tray position, draws nothing.
int TrayAnimate(int mode, QWidget* window);
// The tray icon's events: double-click restores, the context click shows the popup menu.
void WindowProc(QSystemTrayIcon::ActivationReason reason);

// Tests: decide whether a tray is available (unset: ask the desktop).
void setTrayAvailableForTests(std::function<bool()> probe);
