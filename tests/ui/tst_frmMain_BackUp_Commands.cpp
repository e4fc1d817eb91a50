#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include "Clock.h"
#include "FormControls.h"
#include "Globals.h"
#include "ListRows.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_Language.h"
#include "ProfileFixture.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "QEV_ErrorLog.h"
#include "TestSupport.h"
#include "WebFetch.h"
#include "WidgetDialogs.h"
#include "frmMain_BackUp.h"

using TestSupport::listRows;

namespace {

QAction* button(const frmMain_BackUp& w, const char* key)
{
    return w.tbTools->findChild<QAction*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

QStringList keysOf(const QList<QAction*>& actions)
{
    QStringList keys;
    for (const QAction* action : actions)
        keys << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return keys;
}

QStringList words(const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); }

// The Alt keys the controls of a page answer to.
QList<QKeySequence> mnemonicsOf(const QWidget* page)
{
    QList<QKeySequence> keys;
    const auto add = [&keys](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty() && !keys.contains(key))
            keys << key;
    };
    for (const QWidget* control : page->findChildren<QWidget*>()) {
        if (const auto* button = qobject_cast<const QAbstractButton*>(control))
            add(button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(control))
            add(label->text());
        else if (const auto* frame = qobject_cast<const QGroupBox*>(control))
            add(frame->title());
        else if (const auto* tabs = qobject_cast<const QTabBar*>(control))
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
    }
    return keys;
}

} // namespace

// The toolbar, help menu and menu bar commands, and the profile's main road through the window:
// choose sources, save under a name, switch, delete, start.
class tst_frmMain_BackUp_Commands : public QObject
{
    Q_OBJECT

private:
    frmMain_BackUp* m_w = nullptr;

    frmMain_BackUp* open()
    {
        delete m_w;
        m_w = new frmMain_BackUp;
        g_frmMain = m_w;
        m_w->Form_Load();
        m_w->SSTab1->setCurrentIndex(1); // the sources, where the user clicks
        return m_w;
    }
    // Closes the window as the user does, which stores what a close stores.
    void closeWindow()
    {
        m_w->close();
        delete m_w;
        m_w = nullptr;
    }
    // A window whose source list is one folder of one file, chosen in the tree, backing up
    // into a fresh folder.
    bool openWithOneFolder()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("src"));
        TestSupport::writeFile(src + QStringLiteral("/one.txt"), "1");
        open();
        m_w->List1->clear();
        if (!TestSupport::chooseFolder(*m_w, src))
            return false;
        QTest::mouseClick(m_w->cmdDirPlus, Qt::LeftButton);
        m_w->txtPathBackUp->setText(TestSupport::freshFolder(QStringLiteral("dest")));
        m_w->txtPathTemp->setText(Paths::tempFolder());
        return m_w->List1->count() == 1;
    }
    void saveAs(const QString& answer)
    {
        WidgetDialogs::setTextAnswer(
            [answer](const QString&, const QString&, const QString&) { return answer; });
        button(*m_w, "SaveAs")->trigger();
        WidgetDialogs::setTextAnswer({});
    }
    void chooseProfile(const QString& name)
    {
        m_w->cmbProfiles->setCurrentIndex(m_w->cmbProfiles->findText(name));
        QCOMPARE(m_w->cmbProfiles->currentText(), name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        // Home loads the news too: never from the maker's site in a test.
        WebFetch::setFake([](const QString&) { return WebFetch::Result{}; });
    }

    void cleanup()
    {
        delete m_w;
        m_w = nullptr;
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
    }

    void toolbarAndMenusCarryTheirKeys()
    {
        open();
        QCOMPARE(keysOf(m_w->tbTools->actions()),
                 words("Exit Start Stop SaveAs New Delete Restore Help Home Update Minimize"));
        QCOMPARE(keysOf(button(*m_w, "Help")->menu()->actions()),
                 words("Product - Tips Forum - About"));
        QCOMPARE(keysOf(m_w->mnuProgram->actions()), words("mnuErrorLog mnuBugReport - mnuExit1"));
        QCOMPARE(keysOf(m_w->mnuHelpBar->actions()),
                 words("mnuHelp1 - Product Tips Forum - mnuAbout"));
        QCOMPARE(button(*m_w, "Exit")->toolTip(), QStringLiteral("Program Exit"));
    }

    // Each command opens its address setting, by default the program's own: Help the help
    // shipped with the program, the others the maker's pages.
    void helpCommandsOpenTheirPages_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page");
        const QString help = QUrl::fromLocalFile(Paths::shippedHelpFile()).toString();
        const auto row = [](const char* name, const char* command, const char* key, const QString& page) {
            QTest::newRow(name) << QString::fromLatin1(command) << QString::fromLatin1(key) << page;
        };
        row("toolbar Help", "Help", "HelpURL", help);
        row("menu bar Help", "mnuHelp1", "HelpURL", help);
        row("tray menu Help", "mnuHelp", "HelpURL", help);
        row("Tips", "Tips", "TipsURL", QStringLiteral("https://quillaro.invalid/help"));
        row("Product", "Product", "ProductURL", QStringLiteral("https://quillaro.invalid/product"));
        row("Forum", "Forum", "ForumURL", QStringLiteral("https://quillaro.invalid/forum"));
        row("Home", "Home", "HomePageURL", QStringLiteral("https://quillaro.invalid/"));
        row("suite link", "Label32", "SuiteURL", QStringLiteral("https://quillaro.invalid/products"));
        row("maker's link", "lblQEVHome", "SuiteURL", QStringLiteral("https://quillaro.invalid/products"));
    }

    void helpCommandsOpenTheirPages()
    {
        QFETCH(QString, command);
        QFETCH(QString, key);
        QFETCH(QString, page);
        const QString stored = QStringLiteral("http://127.0.0.1:9/") + key;
        QStringList opened;
        setPageOpenerForTests([&](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        for (const QString& address : {QString(), stored}) {
            SettingsStore::saveValue(SettingsKeys::userScope(), QStringLiteral("Settings"), key, address);
            open();
            if (auto* action = m_w->findChild<QAction*>(command))
                action->trigger();
            else
                QTest::mouseClick(m_w->findChild<QLabel*>(command), Qt::LeftButton);
        }
        setPageOpenerForTests({});
        QCOMPARE(opened, (QStringList{page, stored}));
    }

    // The shipped help is the program's README, beside the installed program or in the sources.
    void theShippedHelpIsTheReadme()
    {
        const QString help = Paths::shippedHelpFile();
        QCOMPARE(QFileInfo(help).fileName(), QStringLiteral("README.md"));
        QVERIFY(TestSupport::readFile(help).startsWith("# Quillaro"));
    }

    // When nothing can open a page or the log, a box says so and the lamp keeps its colour.
    void whatNothingCanOpenIsTold_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("lit");
        QTest::newRow("Help, lamp green") << QStringLiteral("mnuHelp1") << false;
        QTest::newRow("Forum, lamp red") << QStringLiteral("Forum") << true;
        QTest::newRow("error log, lamp red") << QStringLiteral("mnuErrorLog") << true;
    }

    void whatNothingCanOpenIsTold()
    {
        QFETCH(QString, command);
        QFETCH(bool, lit);
        open();
        if (lit)
            ReportError(QStringLiteral("test"), ErrNo::FileNotFound, QStringLiteral("a failure"));
        QString tried;
        setPageOpenerForTests([&tried](const QUrl& url) {
            tried = url.toString();
            return false;
        });
        MessageBoxSeam::clearShown();
        m_w->findChild<QAction*>(command)->trigger();
        setPageOpenerForTests({});
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.startsWith(LangText(390)));
        QVERIFY(!tried.isEmpty());
        QVERIFY(MessageBoxSeam::shown().first().text.endsWith(tried));
        QCOMPARE(m_w->errorIndicatorLit(), lit);
    }

    // Sound ticked on a machine without a sound device: nothing is spoken and the window goes.
    void exitClosesTheWindow_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("toolbar") << QStringLiteral("Exit");
        QTest::newRow("menu bar") << QStringLiteral("mnuExit1");
        QTest::newRow("tray menu") << QStringLiteral("mnuExit");
    }

    void exitClosesTheWindow()
    {
        QFETCH(QString, command);
        open();
        m_w->chkSound->setChecked(true);
        QVERIFY(m_w->isVisible());
        m_w->findChild<QAction*>(command)->trigger();
        QVERIFY(!m_w->isVisible());
    }

    // A key of a page reaches the page's control, never the menu bar: the menu bar answers to
    // letters no page uses, and pressing a page's letter twice (which cycles through every
    // holder of a letter) neither opens a menu nor runs a menu command.
    void pageKeysNeverReachTheMenuBar_data()
    {
        // The letters pressed are those the menu bar once shared with the page, where the
        // page's control is harmless to press (a box to tick, a field to focus).
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("letters");
        QTest::newRow("Backup: hidden files") << 0 << QStringLiteral("h");
        QTest::newRow("Sources: select all, destination") << 1 << QStringLiteral("ae");
        QTest::newRow("Options") << 2 << QString();
        QTest::newRow("BU Media") << 3 << QString();
        QTest::newRow("ZIP Options: encrypt, append") << 4 << QStringLiteral("ea");
        QTest::newRow("Schedule") << 5 << QString();
    }

    void pageKeysNeverReachTheMenuBar()
    {
        QFETCH(int, tab);
        QFETCH(QString, letters);
        open();
        m_w->SSTab1->setCurrentIndex(tab);
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w));
        QStringList reached;
        connect(m_w->menuBar, &QMenuBar::triggered, m_w,
                [&reached](QAction* a) { reached << a->objectName(); });
        for (QMenu* menu : m_w->menuBar->findChildren<QMenu*>())
            connect(menu, &QMenu::aboutToShow, m_w, [&reached, menu] { reached << menu->title(); });
        for (const QChar letter : letters) {
            const QKeySequence key = QKeySequence::mnemonic(QStringLiteral("&") + letter);
            for (int press = 0; press < 2; ++press)
                QTest::keySequence(m_w, key);
        }
        QVERIFY2(reached.isEmpty(), qPrintable(reached.join(QLatin1Char(' '))));
        QVERIFY(m_w->isVisible());
        QStringList shared;
        const QList<QKeySequence> pageKeys = mnemonicsOf(m_w->SSTab1->widget(tab));
        for (const QAction* menu : m_w->menuBar->actions()) {
            const QKeySequence key = QKeySequence::mnemonic(menu->text());
            if (!key.isEmpty() && pageKeys.contains(key))
                shared << menu->text();
        }
        QVERIFY2(shared.isEmpty(), qPrintable(shared.join(QLatin1Char(' '))));
        // The menus are still reached by key: the first by its letter, the next by an arrow.
        QTest::keySequence(m_w, QKeySequence::mnemonic(m_w->mnuProgram->title()));
        QTRY_VERIFY(m_w->mnuProgram->isVisible());
        QTest::keyClick(m_w->mnuProgram, Qt::Key_Right);
        QTRY_VERIFY(m_w->mnuHelpBar->isVisible());
        QTest::keyClick(m_w->mnuHelpBar, Qt::Key_Escape);
        QTRY_VERIFY(!m_w->mnuHelpBar->isVisible());
    }

    void refusedNamesSaveNothing_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("leading dot") << QStringLiteral(".hidden");
        QTest::newRow("colon") << QStringLiteral("a:b");
        QTest::newRow("double quote") << QStringLiteral("say \"hi\"");
        QTest::newRow("slash") << QStringLiteral("x/y");
    }

    void refusedNamesSaveNothing()
    {
        QFETCH(QString, answer);
        open();
        const int profiles = m_w->cmbProfiles->count();
        MessageBoxSeam::clearShown();
        saveAs(answer);
        QCOMPARE(m_w->txtProfile->text(), answer.trimmed());
        // One box, whose words name what the rule refuses.
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        const QString told = MessageBoxSeam::shown().first().text;
        QVERIFY(told.startsWith(LangText(273)));
        QVERIFY(told.endsWith(LangText(212)));
        for (const char* rule : {"empty", "begin with \".\"", ":", "\"", "/"})
            QVERIFY2(LangText(277).contains(QLatin1String(rule)), rule);
        QCOMPARE(m_w->cmbProfiles->count(), profiles);
        QVERIFY(!QFile::exists(ProfileFile::path(answer.trimmed())));
    }

    // Cancel or Esc on the prompt is no answer: nothing is said, nothing changes.
    void cancelledSaveSaysNothing()
    {
        open();
        m_w->txtProfile->setText(QStringLiteral("Office"));
        const int profiles = m_w->cmbProfiles->count();
        MessageBoxSeam::clearShown();
        saveAs(QString());
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(m_w->txtProfile->text(), QStringLiteral("Office"));
        QCOMPARE(m_w->cmbProfiles->count(), profiles);
    }

    // On a fresh home "Standard" has no selection file; it stays in the list all the same,
    // and choosing it, from the list or by typing its name, brings its own options and rows.
    void standardStaysChoosable_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("chosen from the list") << false;
        QTest::newRow("typed into the box") << true;
    }

    void standardStaysChoosable()
    {
        QFETCH(bool, typed);
        QVERIFY(openWithOneFolder());
        QFile::remove(ProfileFile::path(QStringLiteral("Standard")));
        const QString standardDest = m_w->txtPathBackUp->text();
        m_w->txtProfile->setText(QStringLiteral("Office"));
        saveAs(QStringLiteral("Office"));
        const QString officeDest = TestSupport::freshFolder(QStringLiteral("office-dest"));
        m_w->txtPathBackUp->setText(officeDest);
        QVERIFY(m_w->cmbProfiles->findText(QStringLiteral("Standard")) >= 0);
        if (typed) {
            m_w->cmbProfiles->setFocus();
            QTRY_VERIFY(m_w->cmbProfiles->hasFocus());
            m_w->cmbProfiles->lineEdit()->selectAll();
            QTest::keyClicks(m_w->cmbProfiles->lineEdit(), QStringLiteral("Standard"));
            m_w->List1->setFocus();
            QTRY_VERIFY(!m_w->cmbProfiles->hasFocus());
        } else {
            chooseProfile(QStringLiteral("Standard"));
        }
        QCOMPARE(m_w->cmbProfiles->currentText(), QStringLiteral("Standard"));
        QCOMPARE(listRows(m_w->List1), QStringList());
        QVERIFY(m_w->txtPathBackUp->text() != officeDest);
        closeWindow();
        QVERIFY(TestSupport::readFile(ProfileFile::path(QStringLiteral("Standard"))).isEmpty());
        QCOMPARE(TestSupport::readFile(ProfileFile::path(QStringLiteral("Office"))).count('\n'), 2);
        (void)standardDest;
    }

    // The prompt proposes what the "Profile name" box holds.
    void savePromptProposesTheTypedName()
    {
        open();
        m_w->txtProfile->setText(QStringLiteral("Holidays"));
        QString proposed;
        WidgetDialogs::setTextAnswer([&](const QString&, const QString&, const QString& p) {
            proposed = p;
            return QString();
        });
        button(*m_w, "SaveAs")->trigger();
        WidgetDialogs::setTextAnswer({});
        QCOMPARE(proposed, QStringLiteral("Holidays"));
    }

    // Saving without a name proposes "Standard" and saves nothing.
    void saveWithoutANameProposesStandard()
    {
        open();
        const int profiles = m_w->cmbProfiles->count();
        m_w->txtProfile->setText(QStringLiteral("   "));
        MessageBoxSeam::clearShown();
        m_w->cmdSaveProfile();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text,
                 LangText(171) + QStringLiteral("\r\n") + LangText(172));
        QCOMPARE(m_w->txtProfile->text(), QStringLiteral("Standard"));
        QCOMPARE(m_w->cmbProfiles->count(), profiles);
        QVERIFY(!QFile::exists(ProfileFile::path(QStringLiteral("   "))));
    }

    void saveAsSwitchAndDelete()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("work"));
        TestSupport::makeTree(
            src, {{QStringLiteral("a.txt"), "a"}, {QStringLiteral("sub/b.txt"), "b"}});
        open();
        m_w->List1->clear();
        saveAs(QStringLiteral("Standard")); // an empty Standard to switch to
        QVERIFY(TestSupport::chooseFolder(*m_w, src));
        QTest::mouseClick(m_w->cmdSubPlus, Qt::LeftButton);
        const QStringList rows = listRows(m_w->List1);
        QCOMPARE(rows.size(), 2);
        saveAs(QStringLiteral("  Work  "));
        // Blanks around the name would make a second profile that looks like the first.
        QCOMPARE(m_w->cmbProfiles->currentText(), QStringLiteral("Work"));
        const QString file = ProfileFile::path(QStringLiteral("Work"));
        const QByteArray saved = TestSupport::readFile(file);
        QVERIFY(saved.contains((src + QStringLiteral("/sub/*.*")).toUtf8()));

        chooseProfile(QStringLiteral("Standard"));
        QCOMPARE(listRows(m_w->List1), QStringList());
        chooseProfile(QStringLiteral("Work"));
        QCOMPARE(listRows(m_w->List1), rows);

        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        button(*m_w, "Delete")->trigger();
        QVERIFY(!QFile::exists(file));
        QCOMPARE(TestSupport::readFile(file.chopped(4) + QStringLiteral(".bak")), saved);
        QCOMPARE(m_w->cmbProfiles->findText(QStringLiteral("Work")), -1);
        QCOMPARE(m_w->cmbProfiles->currentText(), m_w->cmbProfiles->itemText(0));
    }

    void deleteRefusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("text");
        QTest::newRow("Standard in any case") << QStringLiteral("  sTaNdArD ") << 214;
        QTest::newRow("a name not chosen from the list") << QStringLiteral("Elsewhere") << 215;
    }

    void deleteRefusals()
    {
        QFETCH(QString, typed);
        QFETCH(int, text);
        open();
        m_w->cmbProfiles->setEditText(typed);
        MessageBoxSeam::clearShown();
        button(*m_w, "Delete")->trigger();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text, LangText(text));
    }

    // The run reads the window's controls: nothing may change the profile under it.
    void profileCommandsWaitForTheRun()
    {
        QVERIFY(openWithOneFolder());
        const QList<QWidget*> controls = {m_w->cmbProfiles};
        const QList<QAction*> commands = {button(*m_w, "SaveAs"), button(*m_w, "New"),
                                          button(*m_w, "Delete"), button(*m_w, "Restore")};
        int seen = 0;
        bool anyEnabled = false;
        connect(m_w->txtNews, &QLineEdit::textChanged, m_w, [&] {
            if (!m_w->isRunActive())
                return;
            ++seen;
            for (const QWidget* c : controls)
                anyEnabled |= c->isEnabled();
            for (const QAction* a : commands)
                anyEnabled |= a->isEnabled();
        });
        button(*m_w, "Start")->trigger();
        QVERIFY(seen > 0);
        QVERIFY(!anyEnabled);
        QVERIFY(m_w->cmbProfiles->isEnabled());
        for (const QAction* a : commands)
            QVERIFY(a->isEnabled());
    }

    // Exit during a run stops it; the window goes once the run has unwound.
    void exitDuringARunWaitsForIt()
    {
        QVERIFY(openWithOneFolder());
        bool exitedDuringRun = false;
        bool visibleAfterExit = false;
        connect(m_w->txtNews, &QLineEdit::textChanged, m_w, [&] {
            if (!m_w->isRunActive() || exitedDuringRun || !button(*m_w, "Exit")->isEnabled())
                return;
            exitedDuringRun = true;
            button(*m_w, "Exit")->trigger();
            visibleAfterExit = m_w->isVisible();
        });
        button(*m_w, "Start")->trigger();
        QVERIFY(exitedDuringRun);
        QVERIFY(visibleAfterExit);
        QVERIFY(!m_w->isVisible());
    }

    // A profile made only through the window, from choosing the folder to pressing Start
    // after the program has started again.
    void profileMadeInTheWindowBacksUpAfterARestart()
    {
        const QString src = TestSupport::freshFolder(QStringLiteral("mine"));
        TestSupport::makeTree(src, {{QStringLiteral("top.txt"), "top"},
                                    {QStringLiteral("deep/er/leaf.txt"), "leaf"}});
        const QString dest = TestSupport::freshFolder(QStringLiteral("mine-dest"));
        open();
        m_w->List1->clear();
        saveAs(QStringLiteral("Standard"));
        QVERIFY(TestSupport::chooseFolder(*m_w, src));
        QTest::mouseClick(m_w->cmdSubPlus, Qt::LeftButton);
        m_w->txtPathBackUp->setText(dest);
        m_w->txtPathTemp->setText(Paths::tempFolder());
        saveAs(QStringLiteral("Mine"));
        QCOMPARE(m_w->cmbProfiles->currentText(), QStringLiteral("Mine"));
        closeWindow();

        open();
        chooseProfile(QStringLiteral("Standard"));
        chooseProfile(QStringLiteral("Mine"));
        QCOMPARE(m_w->txtPathBackUp->text(), dest);
        button(*m_w, "Start")->trigger();
        const QStringList archives
            = QDir(dest).entryList({QStringLiteral("Mine_BackUp_*.zip")}, QDir::Files);
        QCOMPARE(archives.size(), 1);
        const QString archive = dest + QLatin1Char('/') + archives.first();
        QString output;
        QCOMPARE(
            TestSupport::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), archive}, &output),
            0);
        QCOMPARE(TestSupport::runTool(
                     QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}, &output),
            0);
        QVERIFY2(output.contains(QStringLiteral("top.txt")), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("deep/er/leaf.txt")), qPrintable(output));
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Commands)
#include "tst_frmMain_BackUp_Commands.moc"
