#include <QtTest>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include "InPlaceWindow.h"

class tst_InPlaceWindow : public QObject
{
    Q_OBJECT

private slots:
    // The restore window and the wizard run in place of the hidden main window. Closing one of
    // their message boxes once ended the whole program (and dropped the user's window): while
    // such a window runs, the last window closed must not end the program.
    void closingABoxOfTheWindowKeepsTheProgram()
    {
        bool mainHiddenMeanwhile = false;
        bool quitOnLastWindowMeanwhile = true;
        int windowResult = -1;
        bool mainShownAfterwards = false;
        QTimer::singleShot(0, qApp, [&] {
            QWidget main;
            main.show();
            QDialog window(&main);
            QTimer::singleShot(0, &window, [&] {
                mainHiddenMeanwhile = !main.isVisible() && window.isVisible();
                // A message box has no parent when no window is active at that moment.
                QMessageBox box(QMessageBox::Information, QStringLiteral("Info"),
                                QStringLiteral("Done"));
                QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Return); });
                box.exec();
                quitOnLastWindowMeanwhile = QApplication::quitOnLastWindowClosed();
                QTimer::singleShot(0, &window, [&] { window.done(5); });
            });
            ExecInPlaceOf(main, window);
            windowResult = window.result();
            mainShownAfterwards = main.isVisible();
            QApplication::exit(7);
        });
        QCOMPARE(QApplication::exec(), 7);
        QVERIFY(mainHiddenMeanwhile);
        QVERIFY(!quitOnLastWindowMeanwhile);
        QCOMPARE(windowResult, 5);
        QVERIFY(mainShownAfterwards);
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }
};

QTEST_MAIN(tst_InPlaceWindow)
#include "tst_InPlaceWindow.moc"
