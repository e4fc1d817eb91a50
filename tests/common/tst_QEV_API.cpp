#include <QtTest>

#include <QWidget>

#include "Globals.h"
#include "QEV_API.h"

class tst_QEV_API : public QObject
{
    Q_OBJECT

private:
    QList<QPoint> m_popups;
    TrayPopup popup()
    {
        return [this](const QPoint& at) { m_popups.append(at); };
    }

private slots:
    void initTestCase() { AppName = QStringLiteral("Quillaro"); }

    void init()
    {
        m_popups.clear();
        setTrayAvailableForTests({});
    }

    void withoutATrayTheWindowIsMinimised()
    {
        setTrayAvailableForTests([] { return false; });
        QWidget window;
        window.show();
        EnterTray(&window, popup());
        QVERIFY(IsInTray());
        QVERIFY(!g_nid);
        QVERIFY(window.isMinimized());
        LeaveTray();
        QVERIFY(!IsInTray());
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
    }

    void theIconBringsTheWindowBackExactlyOnce()
    {
        setTrayAvailableForTests([] { return true; });
        QWidget window;
        window.show();
        EnterTray(&window, popup());
        QVERIFY(IsInTray());
        QCOMPARE(g_hWnd, &window);
        QVERIFY(g_nid);
        QCOMPARE(g_nid->toolTip(), AppName);
        QVERIFY(!window.isVisible());
        QSystemTrayIcon* icon = g_nid;
        EnterTray(&window, popup()); // already there: no second icon
        QCOMPARE(g_nid, icon);

        WindowProc(QSystemTrayIcon::Trigger);
        WindowProc(QSystemTrayIcon::MiddleClick);
        QVERIFY(IsInTray());
        QVERIFY(!window.isVisible());
        QVERIFY(m_popups.isEmpty());

        WindowProc(QSystemTrayIcon::Context);
        QCOMPARE(m_popups.size(), 1);
        QVERIFY(IsInTray());

        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!IsInTray());
        QVERIFY(!g_nid);
        QVERIFY(!g_hWnd);
        QVERIFY(window.isVisible());
        WindowProc(QSystemTrayIcon::DoubleClick); // nothing left to restore
        QVERIFY(window.isVisible());
    }

    void theShowEntryLeavesTheSameState()
    {
        setTrayAvailableForTests([] { return true; });
        QWidget window;
        window.show();
        EnterTray(&window, popup());
        LeaveTray(); // mnuShow_Click
        QVERIFY(!IsInTray());
        QVERIFY(!g_nid);
        QVERIFY(window.isVisible());
    }

    void animationModesOutsideZeroAndOneDoNothing()
    {
        QWidget window;
        QCOMPARE(TrayAnimate(5, &window), 0);
        QCOMPARE(TrayAnimate(1, nullptr), 0);
        QCOMPARE(TrayAnimate(0, &window), 0); // no tray icon: nothing to draw
    }
};

QTEST_MAIN(tst_QEV_API)
#include "tst_QEV_API.moc"
