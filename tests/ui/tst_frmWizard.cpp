#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "Globals.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "ProfileFixture.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "ProfileName.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"
#include "frmWizard.h"

using TestSupport::listRows;

namespace {

QString stored(const QString& scope, const char* key)
{
    return SettingsStore::getValue(scope, QStringLiteral("Settings"), QString::fromLatin1(key),
                                   QStringLiteral("<none>"));
}

// Everything the program keeps below its base folder, written out.
TestSupport::Tree storedFiles()
{
    QString error;
    if (!SettingsStore::flush(&error))
        qWarning("%s", qPrintable(error));
    return TestSupport::readTree(Paths::baseFolder());
}

int shownPage(const frmWizard& wizard)
{
    int shown = -1;
    for (int i : wizard.Frame1.indexes()) {
        if (!wizard.Frame1(i)->isHidden()) {
            if (shown != -1)
                return -2; // more than one page
            shown = i;
        }
    }
    return shown;
}

// The state of the pages and buttons: the page shown, then B, N and F for the buttons enabled.
QString state(const frmWizard& wizard)
{
    QString s = QString::number(shownPage(wizard));
    if (wizard.cmdBack->isEnabled())
        s += QLatin1Char('B');
    if (wizard.cmdNext->isEnabled())
        s += QLatin1Char('N');
    if (wizard.cmdFinish->isEnabled())
        s += QLatin1Char('F');
    return s;
}

} // namespace

// The new-profile wizard walked as the user walks it, over the real main window.
class tst_frmWizard : public QObject
{
    Q_OBJECT

private:
    frmMain_BackUp* m_w = nullptr;
    QString m_source;

    void openMainWindow()
    {
        delete m_w;
        m_w = new frmMain_BackUp;
        g_frmMain = m_w;
        m_w->Form_Load();
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // The wizard on its last page with the name typed on the page before.
    void walkToConfirmation(frmWizard& wizard, const QString& name)
    {
        click(wizard.cmdNext);
        QTest::keyClicks(wizard.txtProfile, name);
        click(wizard.cmdNext);
        QCOMPARE(state(wizard), QStringLiteral("2BF"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        m_source = TestSupport::freshFolder(QStringLiteral("photos"));
        TestSupport::writeFile(m_source + QStringLiteral("/a.jpg"), "a");
    }

    void init()
    {
        TestSupport::clearProfiles();
        MessageBoxSeam::clearShown();
        MessageBoxSeam::clearScript();
        openMainWindow();
    }

    void cleanup()
    {
        delete m_w;
        m_w = nullptr;
        g_frmMain = nullptr;
    }

    void walksToASavedProfileChosenInTheMainWindow()
    {
        frmWizard wizard(*m_w);
        wizard.show();
        QCOMPARE(state(wizard), QStringLiteral("0N"));
        QCOMPARE(wizard.GifSrc.size(), int(iGifFrames));
        QTRY_VERIFY(!wizard.GifView->pixmap().isNull());
        QVERIFY(wizard.Timer1->isActive());
        click(wizard.cmdNext);
        QCOMPARE(state(wizard), QStringLiteral("1BN"));
        QVERIFY(!wizard.Timer1->isActive());
        QTest::keyClicks(wizard.txtProfile, QStringLiteral("  My Photos "));
        click(wizard.cmdNext);
        QCOMPARE(state(wizard), QStringLiteral("2BF"));
        QCOMPARE(wizard.lblProfileName->text(), QStringLiteral("  My Photos "));
        click(wizard.cmdFinish);
        QCOMPARE(wizard.result(), int(QDialog::Accepted));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        const QString name = QStringLiteral("My Photos");
        QCOMPARE(wizard.txtProfile->text(), name);
        QCOMPARE(m_w->cmbProfiles->currentText(), name);
        QCOMPARE(m_w->cmbProfiles->currentIndex(), m_w->cmbProfiles->findText(name));
        QCOMPARE(m_w->txtProfile->text(), name);
        QCOMPARE(m_w->List1->count(), 0);
        QVERIFY(QFile::exists(ProfileFile::path(name)));
        const QString scope = SettingsKeys::profileScope(name);
        QCOMPARE(stored(scope, "txtExclusions"),
                 SettingsKeys::find(QStringLiteral("txtExclusions")).defaultValue);
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    // The edits of the profile in the window are stored with it before the new one replaces
    // them, as choosing another profile stores them.
    void theCurrentProfilesEditsAreKept()
    {
        const QString before = m_w->cmbProfiles->currentText();
        QVERIFY(!before.isEmpty());
        m_w->SSTab1->setCurrentIndex(1); // the sources, where the user clicks
        QVERIFY(TestSupport::chooseFolder(*m_w, m_source));
        QTest::mouseClick(m_w->cmdDirPlus, Qt::LeftButton);
        const QStringList rows = listRows(m_w->List1);
        QCOMPARE(rows.size(), 1);
        m_w->txtExclusions->setText(QStringLiteral("*.tmp"));
        frmWizard wizard(*m_w);
        wizard.show();
        walkToConfirmation(wizard, QStringLiteral("Work"));
        click(wizard.cmdFinish);
        QCOMPARE(m_w->cmbProfiles->currentText(), QStringLiteral("Work"));
        QCOMPARE(stored(SettingsKeys::profileScope(before), "txtExclusions"), QStringLiteral("*.tmp"));
        QCOMPARE(ProfileFile::read(ProfileFile::path(before)).rows.size(), 1);
        QCOMPARE(ProfileFile::read(ProfileFile::path(before)).rows.first().text, rows.first().mid(2));
        m_w->selectProfile(m_w->cmbProfiles->findText(before));
        QCOMPARE(listRows(m_w->List1), rows);
        QCOMPARE(m_w->txtExclusions->text(), QStringLiteral("*.tmp"));
    }

    void cancelAtAnyPageWritesNothing_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("intro") << 0;
        QTest::newRow("name") << 1;
        QTest::newRow("confirmation") << 2;
    }

    // Through the toolbar's New command: the main window steps aside and comes back.
    void cancelAtAnyPageWritesNothing()
    {
        QFETCH(int, page);
        const TestSupport::Tree files = storedFiles();
        const QString profile = m_w->cmbProfiles->currentText();
        const int profiles = m_w->cmbProfiles->count();
        bool mainHidden = false;
        QTimer::singleShot(0, this, [&] {
            auto* wizard = qobject_cast<frmWizard*>(QApplication::activeModalWidget());
            QVERIFY(wizard);
            mainHidden = !m_w->isVisible();
            for (int i = 0; i < page; ++i) {
                if (i == 0)
                    click(wizard->cmdNext);
                else
                    walkToConfirmation(*wizard, QStringLiteral("Never"));
            }
            QCOMPARE(shownPage(*wizard), page);
            click(wizard->cmdCancel);
        });
        m_w->tbTools->findChild<QAction*>(QStringLiteral("New"))->trigger();
        QVERIFY(mainHidden);
        QVERIFY(m_w->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(m_w->cmbProfiles->currentText(), profile);
        QCOMPARE(m_w->cmbProfiles->count(), profiles);
        QCOMPARE(storedFiles(), files);
    }

    void refusedNamesGoBackToTheNamePage_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"   ", "a/b", "a:b", "a*b", "a?b", "a<b", "a>b", "a|b", "a\\b",
                                 "a\"b", "..", ".hidden"})
            QTest::newRow(name) << QString::fromLatin1(name);
        QTest::newRow("300 characters, too long for its file") << QString(300, u'n');
    }

    void refusedNamesGoBackToTheNamePage()
    {
        QFETCH(QString, name);
        const TestSupport::Tree files = storedFiles();
        const QString profile = m_w->cmbProfiles->currentText();
        frmWizard wizard(*m_w);
        wizard.show();
        walkToConfirmation(wizard, name);
        click(wizard.cmdFinish);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        const MsgRequest box = MessageBoxSeam::shown().first();
        QCOMPARE(box.icon, MsgIcon::Exclamation);
        QCOMPARE(box.title, LangText(23));
        QVERIFY(box.text.startsWith(LangText(273) + QLatin1Char('\n') + LangText(274)));
        QString why;
        QVERIFY(!ProfileName::isAllowed(name.trimmed(), &why));
        QVERIFY2(box.text.endsWith(why), qPrintable(box.text)); // the reason is told
        QCOMPARE(state(wizard), QStringLiteral("1N"));
        QVERIFY(wizard.isVisible());
        QCOMPARE(m_w->cmbProfiles->currentText(), profile);
        QCOMPARE(storedFiles(), files);
    }

    // Back never reaches the intro page again, and Finish is enabled on the last page only.
    // A keyboard user walks the wizard with Return alone.
    void returnWalksToFinish()
    {
        frmWizard wizard(*m_w);
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard));
        QTest::keyClick(&wizard, Qt::Key_Return);
        QCOMPARE(state(wizard), QStringLiteral("1BN"));
        QTest::keyClicks(wizard.txtProfile, QStringLiteral("Keys"));
        QTest::keyClick(wizard.txtProfile, Qt::Key_Return);
        QCOMPARE(state(wizard), QStringLiteral("2BF"));
        QTest::keyClick(&wizard, Qt::Key_Return);
        QCOMPARE(wizard.result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(ProfileFile::path(QStringLiteral("Keys"))));
    }

    void backStopsAtTheNamePage()
    {
        frmWizard wizard(*m_w);
        wizard.show();
        walkToConfirmation(wizard, QStringLiteral("x"));
        click(wizard.cmdBack);
        QCOMPARE(state(wizard), QStringLiteral("1N"));
        click(wizard.cmdNext);
        QCOMPARE(state(wizard), QStringLiteral("2BF"));
        click(wizard.cmdBack);
        wizard.cmdBack->setEnabled(true);
        click(wizard.cmdBack);
        QCOMPARE(state(wizard), QStringLiteral("1N"));
    }

    void theMailPanelWritesTheMailSettings()
    {
        const QString profile = m_w->cmbProfiles->currentText();
        frmWizard wizard(*m_w);
        QVERIFY(wizard.fraEmail->isHidden());
        wizard.txtSMTPserver->setText(QStringLiteral("127.0.0.1"));
        wizard.txtSMTPport->setText(QStringLiteral("2525"));
        wizard.txtSMTPeMail->setText(QStringLiteral("me@example.org"));
        wizard.cmdSaveEmailSetup_Click();
        SettingsStore::reset(); // read back from the file
        QCOMPARE(stored(SettingsKeys::userScope(), "txtSMTPserver"), QStringLiteral("127.0.0.1"));
        QCOMPARE(stored(SettingsKeys::userScope(), "txtSMTPport"), QStringLiteral("2525"));
        QCOMPARE(stored(SettingsKeys::profileScope(profile), "txtSMTPeMail"),
                 QStringLiteral("me@example.org"));
        QCOMPARE(stored(SettingsKeys::userScope(), "txtSMTPeMail"), QStringLiteral("<none>"));
    }
};

QTEST_MAIN(tst_frmWizard)
#include "tst_frmWizard.moc"
