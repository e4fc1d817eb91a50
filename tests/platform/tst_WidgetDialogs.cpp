#include <QApplication>
#include <QTest>
#include <QTimer>

#include "MessageBox.h"
#include "WidgetDialogs.h"

// The folder, open-file and input dialogs: their test seams and the unattended policy.
class tst_WidgetDialogs : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void seamsAnswerWithWhatTheDialogWasAskedFor();
    void unattendedRunShowsNoDialog();
};

void tst_WidgetDialogs::cleanup()
{
    WidgetDialogs::setFolderAnswer({});
    WidgetDialogs::setOpenFileAnswer({});
    WidgetDialogs::setTextAnswer({});
    MessageBoxSeam::setUnattended(false);
}

void tst_WidgetDialogs::seamsAnswerWithWhatTheDialogWasAskedFor()
{
    QStringList asked;
    WidgetDialogs::setFolderAnswer([&](const QString& prompt, const QString& start) {
        asked << prompt << start;
        return QStringLiteral("/chosen/folder");
    });
    WidgetDialogs::setOpenFileAnswer([&](const QString& title, const QString& filter) {
        asked << title << filter;
        return QStringLiteral("/usr/bin/true");
    });
    WidgetDialogs::setTextAnswer(
        [&](const QString& prompt, const QString& title, const QString& text) {
            asked << prompt << title << text;
            return QString();
        });
    QCOMPARE(WidgetDialogs::chooseFolder(nullptr, QStringLiteral("pick"), QStringLiteral("/tmp")),
             QStringLiteral("/chosen/folder"));
    QCOMPARE(WidgetDialogs::chooseOpenFile(nullptr, QStringLiteral("program"),
                                           QStringLiteral("Programs (*)"), QStringLiteral("/")),
             QStringLiteral("/usr/bin/true"));
    QVERIFY(WidgetDialogs::askText(nullptr, QStringLiteral("name?"), QStringLiteral("title"),
                                   QStringLiteral("Standard"))
                .isEmpty());
    const QStringList expected
        = QStringLiteral("pick|/tmp|program|Programs (*)|name?|title|Standard")
              .split(QLatin1Char('|'));
    QCOMPARE(asked, expected);
}

// A dialog shown by mistake is closed by the timer and counted, so the test fails rather
// than waits.
void tst_WidgetDialogs::unattendedRunShowsNoDialog()
{
    MessageBoxSeam::setUnattended(true);
    int shown = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++shown;
            modal->close();
        }
    });
    closer.start(50);
    QVERIFY(WidgetDialogs::chooseFolder(nullptr, QStringLiteral("pick"), QStringLiteral("/"))
                .isEmpty());
    QVERIFY(WidgetDialogs::chooseOpenFile(nullptr, QStringLiteral("program"), QString(),
                                          QStringLiteral("/"))
                .isEmpty());
    QVERIFY(WidgetDialogs::askText(nullptr, QStringLiteral("name?"), QString(), QString()).isEmpty());
    QCOMPARE(shown, 0);
}

QTEST_MAIN(tst_WidgetDialogs)
#include "tst_WidgetDialogs.moc"
