#include <QtTest>

#include <QWidget>

#include "QEV_WindowsTopMost.h"

class tst_QEV_WindowsTopMost : public QObject
{
    Q_OBJECT

private slots:
    void onTopAndBackKeepsPlaceAndSize()
    {
        QWidget window;
        window.setGeometry(120, 140, 300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = window.geometry();
        WindowOnTop(&window);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), before);
        WindowOnTop(&window); // twice changes nothing
        QVERIFY(window.isVisible());
        WindowNotOnTop(&window);
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), before);
    }

    void aHiddenWindowStaysHidden()
    {
        QWidget window;
        WindowOnTop(&window);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!window.isVisible());
    }

    void noWindowDoesNothing()
    {
        WindowOnTop(nullptr);
        WindowNotOnTop(nullptr);
    }
};

QTEST_MAIN(tst_QEV_WindowsTopMost)
#include "tst_QEV_WindowsTopMost.moc"
