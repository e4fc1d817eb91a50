#include <QtTest>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QToolTip>

#include "cToolTip.h"

namespace {

void hover(QWidget* widget)
{
    QEnterEvent enter(QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      widget->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(widget, &enter);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class tst_cToolTip : public QObject
{
    Q_OBJECT

private slots:
    void aNewObjectHasTheStandardLook()
    {
        cToolTip tip;
        QCOMPARE(tip.Style(), 1);
        QVERIFY(!tip.isBalloon());
        QCOMPARE(tip.TipWidth(), 300);
        QCOMPARE(tip.BkColor(), quint32(0xEEFFFF));
        QCOMPARE(tip.TxtColor(), quint32(0));
        QCOMPARE(tip.DelayTime(), 500);
        QCOMPARE(tip.VisibleTime(), 2000);
        QCOMPARE(tip.tipWindow()->maximumWidth(), 300);
        // 0x00BBGGRR: &HEEFFFF is pale yellow.
        QVERIFY(tip.tipWindow()->styleSheet().contains(QStringLiteral("#ffffee")));
        QVERIFY(tip.tipWindow()->styleSheet().contains(QStringLiteral("color: #000000")));
    }

    void styleSwitchesTheBalloon()
    {
        cToolTip tip;
        tip.Style(1);
        QVERIFY(!tip.isBalloon());
        tip.Style(2);
        QVERIFY(tip.isBalloon());
        QVERIFY(tip.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 8px")));
        tip.Style(7); // stored only
        QCOMPARE(tip.Style(), 7);
        QVERIFY(tip.isBalloon());
        tip.Style(1);
        QVERIFY(!tip.isBalloon());
        QVERIFY(tip.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 0px")));
    }

    void showsTheTipAfterTheDelayAndHidesItAgain()
    {
        QPushButton button(QStringLiteral("Start"));
        button.show();
        cToolTip tip;
        tip.DelayTime(20);
        tip.VisibleTime(100);
        tip.TxtColor(0x0000FF); // red
        tip.SetToolTipObj(&button, QStringLiteral("Starts the backup"), true);
        hover(&button);
        QVERIFY(!tip.tipWindow()->isVisible());
        QTRY_VERIFY(tip.tipWindow()->isVisible());
        QCOMPARE(tip.tipWindow()->text(), QStringLiteral("Starts the backup"));
        QVERIFY(tip.tipWindow()->styleSheet().contains(QStringLiteral("color: #ff0000")));
        QTRY_VERIFY(!tip.tipWindow()->isVisible());
        hover(&button);
        QTRY_VERIFY(tip.tipWindow()->isVisible());
        leave(&button);
        QVERIFY(!tip.tipWindow()->isVisible());
    }

    void deletedToolsShowNothing()
    {
        QPushButton button;
        button.show();
        cToolTip tip;
        tip.DelayTime(1);
        tip.SetToolTipObj(&button, QStringLiteral("kept"));
        tip.DelToolTip(&button, 5); // no tool is registered by number
        hover(&button);
        QTRY_VERIFY(tip.tipWindow()->isVisible());
        leave(&button);
        button.setToolTip(QStringLiteral("Qt's own"));
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button.mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(&button, &help);
        QVERIFY(QToolTip::text().isEmpty()); // ours stands in for Qt's
        tip.DelToolTip(&button, -1);
        QCoreApplication::sendEvent(&button, &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("Qt's own")); // a plain widget again
        hover(&button);
        QVERIFY(!tip.tipWindow()->isVisible());
    }

    void theTipWindowEndsWithTheObject()
    {
        QPointer<QLabel> window;
        {
            cToolTip tip;
            window = tip.tipWindow();
            QVERIFY(window);
        }
        QVERIFY(!window);
    }
};

QTEST_MAIN(tst_cToolTip)
#include "tst_cToolTip.moc"
