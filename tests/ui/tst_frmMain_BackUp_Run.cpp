#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "Clock.h"
#include "FormControls.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_API.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "ProfileFixture.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"

// A backup run started from the real window's toolbar, and the tray.
class tst_frmMain_BackUp_Run : public QObject
{
    Q_OBJECT

private:
    // A loaded window (the defaults of a new profile) backing up one file into dest.
    static void prepare(frmMain_BackUp& w, const QString& dest, const QString& temp)
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        g_frmMain = &w;
        w.Form_Load();
        w.List1->clear();
        setListSelected(w.List1, listAddItem(w.List1, src + QStringLiteral("/*.*")), true);
        w.txtPathBackUp->setText(dest);
        w.txtPathTemp->setText(temp);
        w.txtExclusions->setText(QString());
    }
    static void start(frmMain_BackUp& w)
    {
        w.tbTools->findChild<QAction*>(QStringLiteral("Start"))->trigger();
    }
    // The file names in the archives of the folder, sorted, as unzip lists them.
    static QStringList archivedNames(const QString& folder)
    {
        QStringList names;
        for (const QString& zip : QDir(folder).entryList({QStringLiteral("*.zip")}, QDir::Files)) {
            QString out;
            if (TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), folder + QLatin1Char('/') + zip}, &out) != 0)
                return {};
            for (const QString& entry : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                names.append(entry.section(QLatin1Char('/'), -1));
        }
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
    }

    void startDeliversAndShowsTheOutcome()
    {
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        frmMain_BackUp w;
        prepare(w, dest, Paths::tempFolder());
        w.lblLastBackupDate->setText(QStringLiteral("N/A"));
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(121)), qPrintable(w.txtNews->text()));
        // The date alone, in the form every stored date has.
        QCOMPARE(w.lblLastBackupDate->text(), Clock::today().toString(QStringLiteral("yyyy-MM-dd")));
        const QString stem = QStringLiteral("Standard_BackUp_d") + Clock::today().toString(QStringLiteral("yyyyMMdd"));
        QCOMPARE(QDir(dest).entryList({stem + QStringLiteral("*.zip")}, QDir::Files).size(), 1);
        QVERIFY(w.tbTools->findChild<QAction*>(QStringLiteral("Start"))->isEnabled());
        QVERIFY(!w.tbTools->findChild<QAction*>(QStringLiteral("Stop"))->isEnabled());
        QVERIFY(!w.isRunActive());
    }

    // A run of new files only takes what changed since an earlier run delivered it.
    void secondRunOfNewFilesTakesWhatChanged()
    {
        frmMain_BackUp w;
        prepare(w, TestSupport::freshFolder(QStringLiteral("dest")), Paths::tempFolder());
        const QString src = w.List1->item(0)->text().chopped(4);
        TestSupport::writeFile(src + QStringLiteral("/two.txt"), "2");
        (void)setChkValue(w.chkResetArchiveBit, 1);
        w.optNewOnly->setChecked(true);
        start(w);
        QCOMPARE(archivedNames(w.txtPathBackUp->text()), (QStringList {QStringLiteral("one.txt"), QStringLiteral("two.txt")}));
        TestSupport::writeFile(src + QStringLiteral("/two.txt"), "changed");
        w.txtPathBackUp->setText(TestSupport::freshFolder(QStringLiteral("dest2")));
        start(w);
        QVERIFY2(w.txtNews->text().startsWith(LangText(121)), qPrintable(w.txtNews->text()));
        QCOMPARE(archivedNames(w.txtPathBackUp->text()), QStringList {QStringLiteral("two.txt")});
    }

    void refusedRunIsNoBackup()
    {
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        frmMain_BackUp w;
        prepare(w, dest, dest); // one folder for both is refused
        const QString lastBackup = w.lblLastBackupDate->text();
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        start(w);
        QCOMPARE(w.txtNews->text(), LangText(325));
        QCOMPARE(w.lblLastBackupDate->text(), lastBackup);
        QVERIFY(TestSupport::readTree(dest).keys().filter(QStringLiteral(".zip")).isEmpty());
    }

    void destinationPanelFollowsThePath()
    {
        frmMain_BackUp w;
        w.chkMedia->setChecked(true);
        w.txtSpareSpace->setText(QStringLiteral("12.7"));
        QCOMPARE(w.txtSpareSpace->text(), QStringLiteral("13"));
        // A trailing "/" stays while typing and goes when the box is left.
        w.txtPathBackUp->setText(Paths::baseFolder() + QLatin1Char('/'));
        QCOMPARE(w.txtPathBackUp->text(), Paths::baseFolder() + QLatin1Char('/'));
        QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.txtPathBackUp, &left);
        QCOMPARE(w.txtPathBackUp->text(), Paths::baseFolder());
        QCOMPARE(w.lblDriveInfo(4)->text(), LangText(5));
        w.txtPathBackUp->setText(QStringLiteral("relative/path"));
        QCOMPARE(w.lblDriveInfo(4)->text(), LangText(14));
    }

    // Closing the window or Exit during a run stops the run; the window closes once the run
    // has unwound, and the close saves what a close saves.
    void closeDuringARunWaitsForItsEnd_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("close box") << false;
        QTest::newRow("exit command") << true;
    }
    void closeDuringARunWaitsForItsEnd()
    {
        QFETCH(bool, viaExit);
        const QString dest = TestSupport::freshFolder(QStringLiteral("dest"));
        frmMain_BackUp w;
        prepare(w, dest, Paths::tempFolder());
        w.show();
        bool activeWhenAsked = false;
        bool openAfterAsking = false;
        QTimer::singleShot(0, &w, [&] {
            activeWhenAsked = w.isRunActive();
            viaExit ? w.mnuExit_Click() : (void)w.close();
            openAfterAsking = w.isVisible();
        });
        start(w);
        QVERIFY(activeWhenAsked);
        QVERIFY(openAfterAsking);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.isRunActive());
        QCOMPARE(w.runExitCode(), 1); // stopped, not completed
        QCOMPARE(SettingsStore::getValue(SettingsKeys::profileScope(QStringLiteral("Standard")),
                                         QStringLiteral("Settings"), QStringLiteral("txtPathBackUp"),
                                         QString()),
                 dest);
    }

    void trayAndBack()
    {
        setTrayAvailableForTests([] { return false; });
        frmMain_BackUp w;
        w.show();
        w.cmdSetTray();
        QVERIFY(w.isMinimized() || !w.isVisible());
        w.mnuShow_Click();
        QTRY_VERIFY(w.isVisible() && !w.isMinimized());
        // Brought back another way (the task bar), Minimize still works, again and again.
        for (int round = 0; round < 2; ++round) {
            w.cmdSetTray();
            QTRY_VERIFY(w.isMinimized());
            w.showNormal();
            QTRY_VERIFY(!w.isMinimized());
            QVERIFY(!IsInTray());
        }
        setTrayAvailableForTests({});
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Run)
#include "tst_frmMain_BackUp_Run.moc"
