#include <QtTest>

#include "MessageBox.h"

class tst_MessageBox : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
        MessageBoxSeam::setUnattended(false);
        MessageBoxSeam::setPresenter({});
        MessageBoxSeam::setUnattendedSink({});
    }

    void scriptedAnswersComeInOrder()
    {
        MessageBoxSeam::scriptAnswer(MsgResult::Retry);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        QCOMPARE(MsgBox(QStringLiteral("a"), MsgButtons::RetryCancel, MsgIcon::Critical, QStringLiteral("t")), MsgResult::Retry);
        QCOMPARE(MsgBox(QStringLiteral("b"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("t")), MsgResult::Yes);
        QCOMPARE(MessageBoxSeam::shown().size(), 2);
        QCOMPARE(MessageBoxSeam::shown().at(1).text, QStringLiteral("b"));
    }

    void unattendedShowsNothingAndChoosesTheSafeButton_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(MsgButtons::Ok) << int(MsgResult::Ok);
        QTest::newRow("ok cancel") << int(MsgButtons::OkCancel) << int(MsgResult::Cancel);
        QTest::newRow("yes no") << int(MsgButtons::YesNo) << int(MsgResult::No);
        QTest::newRow("yes no cancel") << int(MsgButtons::YesNoCancel) << int(MsgResult::Cancel);
        QTest::newRow("retry cancel") << int(MsgButtons::RetryCancel) << int(MsgResult::Cancel);
    }

    void unattendedShowsNothingAndChoosesTheSafeButton()
    {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        bool presented = false;
        QStringList sunk;
        MessageBoxSeam::setPresenter([&presented](const MsgRequest&) { presented = true; return MsgResult::Yes; });
        MessageBoxSeam::setUnattendedSink([&sunk](const MsgRequest& r) { sunk << r.text; });
        MessageBoxSeam::setUnattended(true);
        QCOMPARE(int(MsgBox(QStringLiteral("drive not ready"), MsgButtons(buttons), MsgIcon::None, QStringLiteral("t"))), answer);
        QVERIFY(!presented);
        QCOMPARE(sunk, QStringList{QStringLiteral("drive not ready")});
    }

    void interactiveUsesThePresenter()
    {
        MessageBoxSeam::setPresenter([](const MsgRequest& r) {
            return r.title == QStringLiteral("Q") ? MsgResult::Yes : MsgResult::No;
        });
        QCOMPARE(MsgBox(QStringLiteral("?"), MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Q")), MsgResult::Yes);
    }
};

QTEST_GUILESS_MAIN(tst_MessageBox)
#include "tst_MessageBox.moc"
