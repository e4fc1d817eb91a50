#pragma once

class QDialog;
class QWidget;

// Shows a window modally in place of the main window: the main window is hidden while it runs
// and shown again afterwards. The program does not end while the main window is hidden, also
// not when a message box of that window (the last visible window to count) is closed.
void ExecInPlaceOf(QWidget& main, QDialog& window);
