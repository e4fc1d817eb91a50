#include "InPlaceWindow.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

void ExecInPlaceOf(QWidget& main, QDialog& window)
{
    // A window with a parent does not keep the program alive: with the main window hidden, the
    // close of any message box would otherwise end the whole program.
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    main.hide();
    window.exec();
    main.show();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
}
