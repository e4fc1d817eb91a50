#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QTabBar>
#include <QRegularExpression>
#include <QHash>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include "Globals.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProgramInstances.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "WebAddresses.h"
#include "frmMain_BackUp.h"

namespace {

QString zipPath() { return Paths::commonFolder() + QStringLiteral("/error.zip"); }

QStringList zipEntries()
{
    QString listing;
    if (TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zipPath()}, &listing) != 0)
        return {QStringLiteral("unreadable")};
    return listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString utilitySetting(const char* key)
{
    return SettingsStore::getValue(QStringLiteral("QEV\\Pellovar\\") + g_User, QStringLiteral("Settings"),
                                   QString::fromLatin1(key));
}

// A stand-in utility: a script that notes each start and closes when asked (or never).
QString fakeUtility(bool closes)
{
    const QString program = Paths::baseFolder() + QStringLiteral("/Pellovar/Pellovar");
    TestSupport::writeFile(program, QByteArray("#!/bin/sh\necho started >> \"$0.log\"\n")
                                        + (closes ? "trap 'exit 0' TERM\n" : "trap '' TERM\n")
                                        + "while :; do sleep 1; done\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

int starts(const QString& program)
{
    return int(TestSupport::readFile(program + QStringLiteral(".log")).count("started"));
}

// The text a user reads on a button, a label or a frame.
QString shownCaption(const QWidget* control)
{
    if (qobject_cast<const QGroupBox*>(control))
        return control->property("title").toString();
    const bool captioned = qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control);
    return captioned ? control->property("text").toString() : QString();
}

// The inner parts of a control (a combo box's list, a date box's arrows, a toolbar's buttons)
// are captioned by their control.
bool partOfAnotherControl(const QWidget* control)
{
    if (control->objectName().startsWith(QStringLiteral("qt_")))
        return true;
    for (const QObject* above = control->parent(); above; above = above->parent()) {
        if (qobject_cast<const QToolBar*>(above) || qobject_cast<const QComboBox*>(above)
            || qobject_cast<const QAbstractSpinBox*>(above) || qobject_cast<const QTabBar*>(above)
            || qobject_cast<const QAbstractItemView*>(above))
            return true;
    }
    return qobject_cast<const QTabBar*>(control) != nullptr;
}

} // namespace

// The error indicator, the bug report, the caption export and the shutdown-utility page of
// the real window.
class tst_frmMain_BackUp_Report : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(prepareMainWindowTest(QStringLiteral("TESTER"))); }

    void init()
    {
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
    }

    void theIndicatorTurnsRedOnAnErrorAndGreenWhenTheLogIsOpened()
    {
        QList<QUrl> opened;
        setPageOpenerForTests([&opened](const QUrl& url) { opened.append(url); return true; });
        frmMain_BackUp w;
        QVERIFY(!w.errorIndicatorLit());
        QVERIFY(w.lblError->isHidden());
        ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("a failure"));
        QVERIFY(w.errorIndicatorLit());
        QVERIFY(!w.lblError->isHidden());
        QCOMPARE(w.lblError->text(), QStringLiteral("Click Error log"));
        QTest::mouseClick(w.lblError, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(ErrorLogPath())});
        QVERIFY(!w.errorIndicatorLit());
        QVERIFY(w.lblError->isHidden());

        ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("again"));
        QTest::mouseDClick(w.ErrorIndicator, Qt::LeftButton);
        QCOMPARE(opened.size(), 2);
        QVERIFY(!w.errorIndicatorLit());
        setPageOpenerForTests({});
    }

    // The lamp's log and the bug report answer to keys from any page.
    void theLogAndTheBugReportAnswerToKeys_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<bool>("log");
        QTest::newRow("error log") << QKeySequence(Qt::CTRL | Qt::Key_L) << true;
        QTest::newRow("bug report") << QKeySequence(Qt::CTRL | Qt::Key_B) << false;
    }

    void theLogAndTheBugReportAnswerToKeys()
    {
        QFETCH(QKeySequence, key);
        QFETCH(bool, log);
        QList<QUrl> opened;
        setPageOpenerForTests([&opened](const QUrl& url) { opened.append(url); return true; });
        frmMain_BackUp w;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("a failure"));
        for (int tab = 0; tab < w.SSTab1->count(); ++tab) {
            w.SSTab1->setCurrentIndex(tab);
            MessageBoxSeam::clearShown();
            if (!log)
                MessageBoxSeam::scriptAnswer(MsgResult::No);
            QWidget* focused = QApplication::focusWidget();
            QTest::keySequence(focused ? focused : &w, key);
            if (log) {
                QCOMPARE(opened.value(tab), QUrl::fromLocalFile(ErrorLogPath()));
                QVERIFY(!w.errorIndicatorLit());
                ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("again"));
            } else {
                QCOMPARE(MessageBoxSeam::shown().size(), 1);
                QVERIFY(MessageBoxSeam::shown().at(0).text.contains(QStringLiteral("error.zip")));
            }
        }
        setPageOpenerForTests({});
    }

    // The log was not seen: the user is told where it is, and the lamp stays lit.
    void aLogNobodyCanShowIsToldAndTheLampStaysLit()
    {
        setPageOpenerForTests([](const QUrl&) { return false; });
        frmMain_BackUp w;
        ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("a failure"));
        MessageBoxSeam::clearShown();
        QTest::mouseClick(w.lblError, Qt::LeftButton);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.endsWith(QUrl::fromLocalFile(ErrorLogPath()).toString()));
        QVERIFY(w.errorIndicatorLit());
        QVERIFY(!w.lblError->isHidden());
        setPageOpenerForTests({});
    }

    void theBugReportPacksTheLogAndPicturesOfTheWindow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pictures");
        QTest::newRow("ZIP archive: every tab") << 0 << 7;
        QTest::newRow("File sync: tabs 3 and 4 withdrawn") << 2 << 4;
    }

    void theBugReportPacksTheLogAndPicturesOfTheWindow()
    {
        QFETCH(int, mode);
        QFETCH(int, pictures);
        QList<QUrl> opened;
        setPageOpenerForTests([&opened](const QUrl& url) { opened.append(url); return true; });
        TestSupport::writeFile(zipPath(), "an older report");
        ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("something to report"));
        frmMain_BackUp w;
        w.optBuMode(mode)->setChecked(true);
        QVERIFY(setChkValue(w.chkMedia, 0));
        w.SSTab1->setCurrentIndex(2);

        MessageBoxSeam::scriptAnswer(MsgResult::No); // the user is told first and may decline
        w.Label7_Click();
        QCOMPARE(TestSupport::readFile(zipPath()), QByteArray("an older report"));
        QVERIFY(MessageBoxSeam::shown().at(0).text.contains(QStringLiteral("folder names")));

        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        QTest::mouseClick(w.Label7, Qt::LeftButton);
        QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), zipPath()}), 0);
        const QStringList entries = zipEntries();
        QCOMPARE(entries.filter(QStringLiteral(".bmp")).size(), pictures);
        QVERIFY(entries.contains(QStringLiteral("error.log")));
        QCOMPARE(entries.size(), pictures + 1);
        // The " BU Media" tab's two pages are two pictures: its destination and its FTP page.
        if (mode == 0) {
            const QString out = TestSupport::freshFolder(QStringLiteral("report"));
            QCOMPARE(TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), zipPath(), QStringLiteral("-d"), out}), 0);
            const QByteArray media = TestSupport::readFile(out + QStringLiteral("/tmp3.bmp"));
            QVERIFY(!media.isEmpty());
            QVERIFY(media != TestSupport::readFile(out + QStringLiteral("/tmp5.bmp")));
        }
        QVERIFY(QDir(Paths::commonFolder()).entryList({QStringLiteral("tmp*.bmp")}).isEmpty());
        QCOMPARE(w.SSTab1->currentIndex(), 0);
        QCOMPARE(chkValue(w.chkMedia), 0); // no option of the profile was touched
        QCOMPARE(w.txtFTPpassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w.txtEncryptPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(opened, QList<QUrl>{QUrl(WebAddresses::bugReportPage())});
        setPageOpenerForTests({});
    }

    // Every caption the window was built with is exported under its number; what a run or
    // a refresh put into a control later (here a local path) is not.
    void theExportWritesEveryCaptionUnderItsNumber()
    {
        frmMain_BackUp w;
        QVERIFY(w.Command1->isHidden());
        QHash<QWidget*, QString> built;
        for (QWidget* control : w.findChildren<QWidget*>()) {
            const QString caption = shownCaption(control);
            if (!caption.isEmpty() && !partOfAnotherControl(control))
                built.insert(control, caption);
        }
        const QString local = QStringLiteral("/home/someone/private/folder");
        w.lblUtilityState->setText(local);
        w.lblDesc(1)->setText(local);
        w.Label4->setText(local);
        w.Command1->click();
        const QStringList texts = QString::fromUtf8(TestSupport::readFile(Paths::programFolder() + QStringLiteral("/quillaro.eng"))).split(QLatin1Char('\n'));
        const QStringList code = QString::fromUtf8(TestSupport::readFile(Paths::programFolder() + QStringLiteral("/quillaro2.tmp"))).split(QLatin1Char('\n'));
        QVERIFY(!texts.isEmpty());
        QVERIFY(texts.filter(local).isEmpty());
        QVERIFY(code.filter(local).isEmpty());
        QStringList unnamed;
        for (auto it = built.cbegin(); it != built.cend(); ++it)
            if (it.key()->objectName().isEmpty())
                unnamed << it.value();
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(" | "))));
        static const QRegularExpression index(QStringLiteral("\\(\\d+\\)$"));
        for (auto it = built.cbegin(); it != built.cend(); ++it) {
            const QString name = it.key()->objectName();
            // The caption line and the assignment line carry the same number.
            const QString common = QString(name).remove(index);
            const QStringList assignments = code.filter(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(common) + QStringLiteral("\\.Caption= txc\\(\\d+\\)$")));
            bool found = false;
            for (const QString& assignment : assignments) {
                const QString n = assignment.section(QLatin1Char('('), 1).chopped(1);
                found = found || texts.contains(QLatin1Char('C') + n + it.value());
            }
            QVERIFY2(found, qPrintable(name + QStringLiteral(": ") + it.value()));
        }
        for (const char* caption : {"&Profile:", "&Temp directory:", "&Compression:", "Lan&guage:", "days"})
            QVERIFY2(!texts.filter(QRegularExpression(QStringLiteral("^C\\d+") + QRegularExpression::escape(QString::fromLatin1(caption)) + QLatin1Char('$'))).isEmpty(), caption);
        for (int tab = 0; tab < w.SSTab1->count(); ++tab)
            QVERIFY(texts.filter(QStringLiteral(".Caption") + w.SSTab1->tabText(tab)).size() == 1);
        QVERIFY(texts.filter(QRegularExpression(QStringLiteral("^C\\d+Start\\.CaptionStart$"))).size() == 1);
        QVERIFY(texts.first().startsWith(QLatin1Char('C')) || texts.first().startsWith(QLatin1Char('O')));
    }

    void theUtilityIsSetUpAndStarted()
    {
        frmMain_BackUp w;
        w.cmbProfiles->setEditText(QStringLiteral("Standard"));
        w.txtPathBackUp->setText(QStringLiteral("/media/backup"));
        QVERIFY(w.lblUtilityState->text().contains(QStringLiteral("not installed")));
        // Missing: the settings are written all the same, and the page says why nothing started.
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdConfigAS->click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().at(0).text, LangText(170) + QLatin1Char('\n') + LangText(149));
        QCOMPARE(utilitySetting("txtProgramParameters"), QStringLiteral("/run /profile:Standard /dir:/media/backup"));
        QCOMPARE(utilitySetting("txtStartProgram"), TaskProgram());
        QCOMPARE(utilitySetting("chkStartProgram"), QStringLiteral("1"));

        // Installed: started at once; started again after the running one was closed.
        const QString program = fakeUtility(true);
        MessageBoxSeam::clearShown();
        w.cmdConfigAS->click();
        QVERIFY(w.lblUtilityState->text().contains(QStringLiteral("is installed")));
        QTRY_COMPARE(starts(program), 1);
        QTRY_COMPARE(ProgramInstances::running(program).size(), 1);
        const qint64 first = ProgramInstances::running(program).first();
        w.txtPathBackUp->setText(QStringLiteral("/media/it's mine"));
        w.cmdConfigAS->click();
        QTRY_COMPARE(starts(program), 2);
        QVERIFY(!ProgramInstances::running(program).contains(first));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(utilitySetting("txtProgramParameters"), QStringLiteral("/run /profile:Standard '/dir:/media/it'\\''s mine'"));
        for (const qint64 id : ProgramInstances::running(program))
            QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-9"), QString::number(id)});
    }

    void aUtilityThatWillNotCloseIsReported()
    {
        const QString program = fakeUtility(false);
        QProcess running;
        running.start(program, QStringList());
        QVERIFY(running.waitForStarted());
        QTRY_COMPARE(ProgramInstances::running(program).size(), 1);
        frmMain_BackUp w;
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdConfigAS->click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().at(0).text, LangText(148) + QLatin1Char('\n') + LangText(149));
        QCOMPARE(utilitySetting("chkStartProgram"), QStringLiteral("1"));
        for (const qint64 id : ProgramInstances::running(program))
            QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-9"), QString::number(id)});
        running.waitForFinished(10000);
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Report)
#include "tst_frmMain_BackUp_Report.moc"
