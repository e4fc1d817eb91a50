#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTest>

#include "FormControls.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "WidgetDialogs.h"
#include "frmMain_BackUp.h"

namespace {

// The user leaves the box for another control.
void leave(QWidget* box)
{
    QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &left);
}

QStringList shownTexts()
{
    QStringList texts;
    for (const MsgRequest& request : MessageBoxSeam::shown())
        texts << request.text;
    return texts;
}

// The value stored for the window's current profile.
QString storedOption(const frmMain_BackUp& w, const QString& key)
{
    return SettingsStore::getValue(SettingsKeys::profileScope(w.cmbProfiles->currentText()),
                                   QStringLiteral("Settings"), key, QString());
}

// Shows the window on the tab that holds the control, as a user reaches it.
void bringForward(frmMain_BackUp& w, int tab)
{
    w.show();
    w.SSTab1->setCurrentIndex(tab);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

QString autostartFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/quillaro.desktop");
}

} // namespace

// The option handlers of the real window, driven offscreen with scripted dialog answers.
class tst_frmMain_BackUp_Options : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void maxZipSizeBox_data();
    void maxZipSizeBox();
    void refusedSizeKeepsTheStoredValue();
    void leavingForAnotherWindowChecksNothing();
    void maxFilesBox_data();
    void maxFilesBox();
    void dayAndSecondBoxes_data();
    void dayAndSecondBoxes();
    void negativeNumbersTypedAreRefused_data();
    void negativeNumbersTypedAreRefused();
    void spareSpaceBox_data();
    void spareSpaceBox();
    void spareSpaceOutOfRangeIsReported();
    void lastDestinationCannotBeCleared();
    void emailAnnouncesTheNextVersion();
    void nextVersionOptionsClearThemselves_data();
    void nextVersionOptionsClearThemselves();
    void loadingAProfileShowsNoMessages();
    void subfolderNoticeOncePerProfile();
    void startWithTheDesktopSession();
    void destinationPicker();
    void tempFolderPicker();
    void syncFolderPickers_data();
    void syncFolderPickers();
    void programPickers();
    void destinationPathKeepsWhatIsTyped();
    void setupButtonsSwitchThePages();

private:
    std::unique_ptr<frmMain_BackUp> m_w;
};

void tst_frmMain_BackUp_Options::initTestCase()
{
    QVERIFY(Paths::prepareFolders());
    QVERIFY(LoadLanguageFile(TestSupport::sourceCommonFolder()
                             + QStringLiteral("/language/english.lng")));
    AppName = QStringLiteral("Quillaro");
    g_User = QStringLiteral("TESTER");
}

void tst_frmMain_BackUp_Options::init()
{
    m_w = std::make_unique<frmMain_BackUp>();
    g_frmMain = m_w.get();
    m_w->Form_Load();
    m_w->optBuMode(0)->setChecked(true); // a test before may have left another mode stored
    MessageBoxSeam::clearShown();
    MessageBoxSeam::clearScript();
}

void tst_frmMain_BackUp_Options::cleanup()
{
    WidgetDialogs::setFolderAnswer({});
    WidgetDialogs::setOpenFileAnswer({});
    m_w->close();
    m_w.reset();
    g_frmMain = nullptr;
}

void tst_frmMain_BackUp_Options::maxZipSizeBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("message");
    QTest::newRow("lowest accepted") << "0.7"
                                     << "0.7" << 0;
    QTest::newRow("highest accepted") << "1000"
                                      << "1000" << 0;
    QTest::newRow("below the range") << "0.69"
                                     << "100" << 229;
    QTest::newRow("above the range") << "1000.5"
                                     << "100" << 229;
    QTest::newRow("letters stay") << "abc"
                                  << "abc" << 228;
    QTest::newRow("decimal comma is no number") << "2,5"
                                                << "2,5" << 228;
}

void tst_frmMain_BackUp_Options::maxZipSizeBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, message);
    m_w->txtMaxZIPsize->setText(typed);
    leave(m_w->txtMaxZIPsize);
    QCOMPARE(m_w->txtMaxZIPsize->text(), shown);
    const QStringList texts = shownTexts();
    QCOMPARE(texts.size(), message ? 1 : 0);
    if (message) {
        // The message names the box and what was typed, where the user is looking.
        QVERIFY(texts.first().startsWith(LangText(message)));
        QVERIFY2(texts.first().contains(QStringLiteral("Maximum ZIP archive size in MByte:"))
                     && texts.first().contains(typed),
                 qPrintable(texts.first()));
        QCOMPARE(MessageBoxSeam::shown().first().title, LangText(16));
    }
}

void tst_frmMain_BackUp_Options::refusedSizeKeepsTheStoredValue()
{
    m_w->txtMaxZIPsize->setText(QStringLiteral("250"));
    leave(m_w->txtMaxZIPsize);
    Save_Settings();
    QCOMPARE(storedOption(*m_w, QStringLiteral("txtMaxZIPsize")), QStringLiteral("250"));
    m_w->txtMaxZIPsize->setText(QStringLiteral("25O"));
    leave(m_w->txtMaxZIPsize);
    Save_Settings();
    QCOMPARE(m_w->txtMaxZIPsize->text(), QStringLiteral("25O"));
    QCOMPARE(storedOption(*m_w, QStringLiteral("txtMaxZIPsize")), QStringLiteral("250"));
    m_w->txtMaxZIPsize->setText(QStringLiteral("300"));
    leave(m_w->txtMaxZIPsize);
    Save_Settings();
    QCOMPARE(storedOption(*m_w, QStringLiteral("txtMaxZIPsize")), QStringLiteral("300"));
}

// Switching to another program is no finished edit: no message pops up over it.
void tst_frmMain_BackUp_Options::leavingForAnotherWindowChecksNothing()
{
    m_w->txtMaxZIPsize->setText(QStringLiteral("abc"));
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(m_w->txtMaxZIPsize, &away);
    QVERIFY(MessageBoxSeam::shown().isEmpty());
}

void tst_frmMain_BackUp_Options::maxFilesBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("refused");
    QTest::newRow("half rounds to even down") << "2.5"
                                              << "2" << false;
    QTest::newRow("half rounds to even up") << "3.5"
                                            << "4" << false;
    QTest::newRow("leading number") << "12ab"
                                    << "12" << false;
    QTest::newRow("letters") << "abc"
                             << "100" << true;
    QTest::newRow("zero") << "0"
                          << "100" << true;
    QTest::newRow("negative") << "-5"
                              << "100" << true;
    QTest::newRow("beyond 32 bits") << "1e20"
                                    << "100" << true;
}

void tst_frmMain_BackUp_Options::maxFilesBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, refused);
    m_w->txtMaxFiles->setText(typed);
    leave(m_w->txtMaxFiles);
    QCOMPARE(m_w->txtMaxFiles->text(), shown);
    const QStringList texts = shownTexts();
    QCOMPARE(texts.size(), refused ? 1 : 0);
    if (refused)
        QVERIFY(texts.first().startsWith(LangText(242)) && texts.first().contains(typed));
}

void tst_frmMain_BackUp_Options::dayAndSecondBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    for (const char* box : {"txtExclYoungDay", "txtWaitSecondsBefore", "txtWaitSecondsAfter"}) {
        const QString name = QString::fromLatin1(box);
        QTest::addRow("%s negative fraction", box) << name << "-7.9"
                                                   << "7";
        QTest::addRow("%s empty", box) << name << ""
                                       << "0";
        QTest::addRow("%s leading number", box) << name << "30s"
                                                << "30";
    }
}

void tst_frmMain_BackUp_Options::dayAndSecondBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    auto* edit = m_w->findChild<QLineEdit*>(box);
    edit->setText(QStringLiteral("5"));
    edit->setText(typed);
    QCOMPARE(edit->text(), shown);
}

// Typed key by key as a user does: a negative number is refused with a box naming the box,
// which keeps its last value; a fraction is put right once the edit is finished.
void tst_frmMain_BackUp_Options::negativeNumbersTypedAreRefused_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("nameText");
    const std::pair<const char*, int> boxes[] = {{"txtExclYoungDay", 345}, {"txtWaitSecondsBefore", 347},
                                                 {"txtWaitSecondsAfter", 348}, {"txtSpareSpace", 346}};
    for (const auto& [box, nameText] : boxes) {
        QTest::addRow("%s -7.9", box) << QString::fromLatin1(box) << "-7.9" << "5" << nameText;
        QTest::addRow("%s -500", box) << QString::fromLatin1(box) << "-500" << "5" << nameText;
    }
    QTest::addRow("days 7.9") << "txtExclYoungDay" << "7.9" << "7" << 0;
    QTest::addRow("spare space 12.7") << "txtSpareSpace" << "12.7" << "13" << 0;
}

void tst_frmMain_BackUp_Options::negativeNumbersTypedAreRefused()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, nameText);
    auto* edit = m_w->findChild<QLineEdit*>(box);
    edit->setText(QStringLiteral("5"));
    m_w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    for (QWidget* page = edit; page; page = page->parentWidget()) {
        const int tab = m_w->SSTab1->indexOf(page);
        if (tab >= 0)
            m_w->SSTab1->setCurrentIndex(tab);
    }
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    MessageBoxSeam::clearShown();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), shown);
    const QStringList texts = shownTexts();
    QCOMPARE(texts.size(), nameText ? 1 : 0);
    if (nameText)
        QVERIFY(texts.first().startsWith(LangText(366)) && texts.first().contains(LangText(nameText)));
}

void tst_frmMain_BackUp_Options::spareSpaceBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("rounded") << "12.7"
                             << "13";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("letters") << "abc"
                             << "0";
    QTest::newRow("decimal comma") << "1,5"
                                   << "0";
}

void tst_frmMain_BackUp_Options::spareSpaceBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    m_w->txtSpareSpace->setText(QStringLiteral("7"));
    m_w->txtSpareSpace->setText(typed);
    QCOMPARE(m_w->txtSpareSpace->text(), shown);
}

void tst_frmMain_BackUp_Options::spareSpaceOutOfRangeIsReported()
{
    const QString log = Paths::commonFolder() + QStringLiteral("/error.log");
    QFile::remove(log);
    m_w->txtSpareSpace->setText(QStringLiteral("3000000000"));
    QCOMPARE(m_w->txtSpareSpace->text(), QStringLiteral("3000000000"));
    QVERIFY(TestSupport::readFile(log).contains("txtSpareSpace_Change of Formular frmMain_BackUp"));
}

void tst_frmMain_BackUp_Options::lastDestinationCannotBeCleared()
{
    (void)setChkValue(m_w->chkFTP, 1);
    (void)setChkValue(m_w->chkMedia, 0); // FTP still takes the archive
    QVERIFY(MessageBoxSeam::shown().isEmpty());
    (void)setChkValue(m_w->chkFTP, 0);
    QCOMPARE(shownTexts(), QStringList {LangText(287)});
    QCOMPARE(MessageBoxSeam::shown().first().icon, MsgIcon::Information);
    QCOMPARE(chkValue(m_w->chkMedia), 1);
}

void tst_frmMain_BackUp_Options::emailAnnouncesTheNextVersion()
{
    (void)setChkValue(m_w->chkFTP, 0);
    {
        const QSignalBlocker quiet(m_w->chkMedia);
        (void)setChkValue(m_w->chkMedia, 0);
    }
    (void)setChkValue(m_w->chkSendEmail, 1);
    QCOMPARE(chkValue(m_w->chkSendEmail), 0);
    const QStringList texts = shownTexts();
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts.at(0).startsWith(LangText(21)));
    QCOMPARE(texts.at(1), LangText(287));
    QCOMPARE(chkValue(m_w->chkMedia), 1);
}

void tst_frmMain_BackUp_Options::nextVersionOptionsClearThemselves_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("Outlook") << "chkInclOutlook";
    QTest::newRow("Outlook Express") << "chkInclOutlookE";
}

void tst_frmMain_BackUp_Options::nextVersionOptionsClearThemselves()
{
    QFETCH(QString, box);
    auto* check = m_w->findChild<QCheckBox*>(box);
    check->setChecked(true);
    QVERIFY(!check->isChecked());
    QCOMPARE(MessageBoxSeam::shown().size(), 1);
    QVERIFY(shownTexts().first().startsWith(LangText(21)));
}

// A load sets the destinations one by one; a passing state with none ticked is no reason for
// a message, and a stored e-mail option stays as stored.
void tst_frmMain_BackUp_Options::loadingAProfileShowsNoMessages()
{
    const QString scope = SettingsKeys::profileScope(QStringLiteral("Remote"));
    for (auto [key, value] : {std::pair {"chkMedia", "0"},
                              {"chkFTP", "0"},
                              {"chkSendEmail", "1"},
                              {"chkAddNewSub", "1"}})
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), QString::fromLatin1(key),
                                 QString::fromLatin1(value));
    (void)setChkValue(m_w->chkMedia, 1);
    (void)setChkValue(m_w->chkFTP, 1);
    MessageBoxSeam::clearShown();
    setComboText(m_w->cmbProfiles, QStringLiteral("Remote"));
    Load_Settings();
    QVERIFY2(MessageBoxSeam::shown().isEmpty(), qPrintable(shownTexts().join(QLatin1Char('|'))));
    QCOMPARE(chkValue(m_w->chkSendEmail), 1);
    QCOMPARE(chkValue(m_w->chkMedia), 0);
}

void tst_frmMain_BackUp_Options::subfolderNoticeOncePerProfile()
{
    const auto tickTwice = [this] {
        for (int i = 0; i < 2; ++i) {
            m_w->chkAddNewSub->setChecked(true);
            m_w->chkAddNewSub->setChecked(false);
        }
    };
    tickTwice();
    QCOMPARE(MessageBoxSeam::shown().size(), 1);
    QVERIFY(shownTexts().first().startsWith(LangText(221) + QLatin1Char('\n') + LangText(222)));
    QCOMPARE(MessageBoxSeam::shown().first().title, LangText(227));
    QCOMPARE(storedOption(*m_w, QStringLiteral("chkAddNewSubWarning")), QStringLiteral("-1"));
    setComboText(m_w->cmbProfiles, QStringLiteral("Other"));
    tickTwice();
    QCOMPARE(MessageBoxSeam::shown().size(), 2);
}

void tst_frmMain_BackUp_Options::startWithTheDesktopSession()
{
    QFile::remove(autostartFile());
    m_w->chkStartWithWindow->setChecked(true);
    QVERIFY(QFile::exists(autostartFile()));
    QVERIFY(TestSupport::readFile(autostartFile())
                .contains(QCoreApplication::applicationFilePath().toUtf8()));
    m_w->chkStartWithWindow->setChecked(false);
    QVERIFY(!QFile::exists(autostartFile()));
}

void tst_frmMain_BackUp_Options::destinationPicker()
{
    const QString chosen = TestSupport::freshFolder(QStringLiteral("dest"));
    QStringList prompts;
    WidgetDialogs::setFolderAnswer([&](const QString& prompt, const QString&) {
        prompts << prompt;
        return chosen;
    });
    bringForward(*m_w, 3);
    m_w->txtZipArchive->setText(QStringLiteral("old.zip"));
    QTest::mouseClick(m_w->cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_w->txtPathBackUp->text(), chosen);
    QVERIFY(m_w->txtZipArchive->text().isEmpty());
    QCOMPARE(prompts, QStringList {LangText(201)});
    WidgetDialogs::setFolderAnswer([](const QString&, const QString&) { return QString(); });
    bringForward(*m_w, 3);
    m_w->txtZipArchive->setText(QStringLiteral("old.zip"));
    QTest::mouseClick(m_w->cmdSelectPath, Qt::LeftButton);
    QCOMPARE(m_w->txtPathBackUp->text(), chosen); // a cancel changes nothing
    QVERIFY(m_w->txtZipArchive->text().isEmpty()); // but the archive name goes all the same
}

void tst_frmMain_BackUp_Options::tempFolderPicker()
{
    const QString parent = TestSupport::freshFolder(QStringLiteral("work"));
    WidgetDialogs::setFolderAnswer([&](const QString&, const QString&) { return parent; });
    bringForward(*m_w, 2);
    QTest::mouseClick(m_w->cmdSelectPathTemp, Qt::LeftButton);
    QCOMPARE(m_w->txtPathTemp->text(), parent + QStringLiteral("/temp"));
    QVERIFY(QDir(parent + QStringLiteral("/temp")).exists());
    WidgetDialogs::setFolderAnswer(
        [](const QString&, const QString&) { return QStringLiteral("/"); });
    QTest::mouseClick(m_w->cmdSelectPathTemp, Qt::LeftButton);
    QCOMPARE(m_w->txtPathTemp->text(), QStringLiteral("/temp"));
    WidgetDialogs::setFolderAnswer([](const QString&, const QString&) { return QString(); });
    QTest::mouseClick(m_w->cmdSelectPathTemp, Qt::LeftButton);
    QCOMPARE(m_w->txtPathTemp->text(), QStringLiteral("/temp"));
    QVERIFY(MessageBoxSeam::shown().isEmpty());
}

void tst_frmMain_BackUp_Options::syncFolderPickers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::newRow("source") << "cmdSelectSyncSourceDirectory"
                            << "txtSourceSync";
    QTest::newRow("destination") << "cmdSelectSyncDestinyDirectory"
                                 << "txtDestinySync";
}

// The chosen folder gets its trailing "/" and its whole chain is created.
void tst_frmMain_BackUp_Options::syncFolderPickers()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    m_w->optBuMode(2)->setChecked(true);
    bringForward(*m_w, 1);
    const QString chosen
        = TestSupport::freshFolder(QStringLiteral("sync")) + QStringLiteral("/a/b");
    WidgetDialogs::setFolderAnswer([&](const QString&, const QString&) { return chosen; });
    QTest::mouseClick(m_w->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(m_w->findChild<QLineEdit*>(box)->text(), chosen + QLatin1Char('/'));
    QVERIFY(QDir(chosen).exists());
    WidgetDialogs::setFolderAnswer([](const QString&, const QString&) { return QString(); });
    QTest::mouseClick(m_w->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(m_w->findChild<QLineEdit*>(box)->text(), chosen + QLatin1Char('/'));
}

void tst_frmMain_BackUp_Options::programPickers()
{
    QStringList titles;
    WidgetDialogs::setOpenFileAnswer([&](const QString& title, const QString&) {
        titles << title;
        return QStringLiteral("/usr/bin/true");
    });
    bringForward(*m_w, 2);
    QTest::mouseClick(m_w->cmdSelectPathBefore, Qt::LeftButton);
    QCOMPARE(m_w->txtPathBefore->text(), QStringLiteral("/usr/bin/true"));
    m_w->txtPathAfter->setText(QStringLiteral("/bin/after"));
    WidgetDialogs::setOpenFileAnswer([&](const QString&, const QString&) { return QString(); });
    QTest::mouseClick(m_w->cmdSelectPathAfter, Qt::LeftButton);
    QCOMPARE(m_w->txtPathAfter->text(), QStringLiteral("/bin/after"));
    QCOMPARE(m_w->txtPathBefore->text(), QStringLiteral("/usr/bin/true"));
    QCOMPARE(titles, QStringList {LangText(307)});
}

// Each "/" typed stays; a trailing one goes when the box is left, the root stays whole.
void tst_frmMain_BackUp_Options::destinationPathKeepsWhatIsTyped()
{
    bringForward(*m_w, 3);
    m_w->txtPathBackUp->clear();
    QTest::keyClicks(m_w->txtPathBackUp, QStringLiteral("/home/me/backups/"));
    QCOMPARE(m_w->txtPathBackUp->text(), QStringLiteral("/home/me/backups/"));
    leave(m_w->txtPathBackUp);
    QCOMPARE(m_w->txtPathBackUp->text(), QStringLiteral("/home/me/backups"));
    m_w->txtPathBackUp->setText(QStringLiteral("/"));
    leave(m_w->txtPathBackUp);
    QCOMPARE(m_w->txtPathBackUp->text(), QStringLiteral("/"));
}

void tst_frmMain_BackUp_Options::setupButtonsSwitchThePages()
{
    bringForward(*m_w, 3);
    (void)setChkValue(m_w->chkFTP, 1);
    (void)setChkValue(m_w->chkMedia, 0);
    QTest::mouseClick(m_w->cmdSetupFTP, Qt::LeftButton);
    QVERIFY(m_w->Frame3->isHidden());
    QVERIFY(!m_w->Frame10->isHidden());
    QTest::mouseClick(m_w->cmdSetupMedia, Qt::LeftButton);
    QVERIFY(!m_w->Frame3->isHidden());
    QVERIFY(m_w->Frame10->isHidden());
    QCOMPARE(chkValue(m_w->chkMedia), 1);
    QVERIFY(!m_w->Frame11->isHidden()); // the shutdown utility's frame is left alone
}

QTEST_MAIN(tst_frmMain_BackUp_Options)
#include "tst_frmMain_BackUp_Options.moc"
