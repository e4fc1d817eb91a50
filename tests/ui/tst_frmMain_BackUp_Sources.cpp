#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "FilterList.h"
#include "FormControls.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_Language.h"
#include "ListRows.h"
#include "ProfileFixture.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"

using TestSupport::listRows;
using TestSupport::makeTree;

namespace {

void click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

} // namespace

// Choosing what to back up on the real window: the folder tree, the file list, the add buttons.
class tst_frmMain_BackUp_Sources : public QObject
{
    Q_OBJECT

private:
    QString m_root;
    frmMain_BackUp* m_w = nullptr;

    // Types the folder exclusions and leaves the box, which reads them again.
    void typeDirExclusions(const QString& text)
    {
        m_w->txtDirExclusions->setFocus();
        QTRY_VERIFY(m_w->txtDirExclusions->hasFocus());
        m_w->txtDirExclusions->setText(text);
        m_w->List1->setFocus();
        QTRY_VERIFY(!m_w->txtDirExclusions->hasFocus());
    }
    QStringList rooted(const QStringList& rows) const
    {
        QStringList out;
        for (const QString& row : rows)
            out << QString(row).replace(QStringLiteral("R"), m_root);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        // Leaf and non-leaf excluded folders, a skipped one with its subtree, a link back up,
        // a hidden folder, the program's own archives and two names told apart by case.
        m_root = TestSupport::freshFolder(QStringLiteral("tree"));
        makeTree(m_root, {{QStringLiteral("f1.txt"), "1"},
                          {QStringLiteral("f2.txt"), "2"},
                          {QStringLiteral(".hid.txt"), "h"},
                          {QStringLiteral("docs/a/deep.txt"), "d"},
                          {QStringLiteral("Temp/t.txt"), "t"},
                          {QStringLiteral("cache/inner/c.txt"), "c"},
                          {QStringLiteral("Recycled/r/x.txt"), "x"},
                          {QStringLiteral(".hidden/"), {}},
                          {QStringLiteral("Backup_old/sub/"), {}},
                          {QStringLiteral("lost+found/kept/"), {}},
                          {QStringLiteral("Mixed/"), {}},
                          {QStringLiteral("mixed/"), {}}});
        QVERIFY(QFile::link(QStringLiteral("../.."), m_root + QStringLiteral("/docs/a/up")));
    }

    void init()
    {
        m_w = new frmMain_BackUp;
        g_frmMain = m_w;
        m_w->Form_Load();
        m_w->SSTab1->setCurrentIndex(1);
        m_w->activateWindow();
        QTRY_VERIFY(m_w->isActiveWindow());
        m_w->List1->clear();
        typeDirExclusions(QStringLiteral("TEMP, CACHE"));
        QCOMPARE(DirExclusionList.count(), 2);
        MessageBoxSeam::clearShown();
    }

    void cleanup()
    {
        delete m_w;
        m_w = nullptr;
        MessageBoxSeam::clearShown();
    }

    void addCommandsGiveExactlyTheseRows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("addNewSub");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QStringList>("rows");
        const QString all = QStringLiteral("+ R/*.*");
        const QStringList below = {QStringLiteral("+ R/Mixed/*.*"), QStringLiteral("+ R/docs/*.*"),
                                   QStringLiteral("+ R/docs/a/*.*"),
                                   QStringLiteral("+ R/mixed/*.*")};
        const QString autoAdd = QStringLiteral("+ ") + kAutoAddPrefix + QStringLiteral("R");
        QTest::newRow("folder") << "cmdDirPlus" << false << false << QStringList{all};
        QTest::newRow("folder, auto-add ticked")
            << "cmdDirPlus" << true << false << QStringList{all};
        QTest::newRow("subtree") << "cmdSubPlus" << false << false << QStringList{all} + below;
        QTest::newRow("subtree with auto-add row")
            << "cmdSubPlus" << true << false << QStringList{autoAdd, all} + below;
        QTest::newRow("subtree with hidden folders")
            << "cmdSubPlus" << false << true
            << QStringList{all, QStringLiteral("+ R/.hidden/*.*")} + below;
        QTest::newRow("files") << "cmdFilesPlus" << false << false
                               << QStringList{QStringLiteral("+ R/f1.txt"),
                                              QStringLiteral("+ R/f2.txt")};
        QTest::newRow("files with hidden ones")
            << "cmdFilesPlus" << true << true
            << QStringList{QStringLiteral("+ R/.hid.txt"), QStringLiteral("+ R/f1.txt"),
                           QStringLiteral("+ R/f2.txt")};
    }

    void addCommandsGiveExactlyTheseRows()
    {
        QFETCH(QString, button);
        QFETCH(bool, addNewSub);
        QFETCH(bool, hidden);
        QFETCH(QStringList, rows);
        m_w->chkAddNewSub->setChecked(addNewSub);
        m_w->chkHiddenFolders->setChecked(hidden);
        MessageBoxSeam::clearShown(); // ticking the auto-add box gives its one-time notice
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root));
        m_w->File1->selectAll();
        click(m_w->findChild<QPushButton*>(button));
        QCOMPARE(listRows(m_w->List1), rooted(rows));
        // The program's own archives are refused by name, not silently.
        if (button == QStringLiteral("cmdSubPlus"))
            QVERIFY2(m_w->txtNews->text().contains(m_root + QStringLiteral("/Backup_old/")),
                     qPrintable(m_w->txtNews->text()));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void refusedFoldersAddNothing_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("named");
        QTest::newRow("leaf folder excluded") << "Temp" << false;
        QTest::newRow("folder with subfolders excluded") << "cache" << false;
        QTest::newRow("skipped name") << "Recycled" << false;
        QTest::newRow("archive folder") << "Backup_old" << true;
        QTest::newRow("below an archive folder") << "Backup_old/sub" << true;
    }

    void refusedFoldersAddNothing()
    {
        QFETCH(QString, folder);
        QFETCH(bool, named);
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root + QLatin1Char('/') + folder));
        m_w->txtNews->clear();
        click(m_w->cmdSubPlus);
        click(m_w->cmdDirPlus);
        QCOMPARE(listRows(m_w->List1), QStringList());
        QCOMPARE(m_w->txtNews->text().contains(folder), named);
    }

    // Views of the running system are never backed up, asked for on their own or not.
    void systemFoldersAreNeverAdded_data()
    {
        QTest::addColumn<QString>("folder");
        for (const char* folder : {"/proc", "/sys/", "/dev", "/run"})
            QTest::newRow(folder) << QString::fromLatin1(folder);
    }

    void systemFoldersAreNeverAdded()
    {
        QFETCH(QString, folder);
        m_w->AddItem(false, false, folder, false);
        QCOMPARE(listRows(m_w->List1), QStringList());
    }

    void duplicatesAreNamedOnlyWhenAsked()
    {
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root));
        m_w->chkSelectionWarning->setChecked(true);
        click(m_w->cmdDirPlus);
        setListSelected(m_w->List1, 0, false);
        click(m_w->cmdDirPlus);
        QCOMPARE(listRows(m_w->List1), rooted({QStringLiteral("- R/*.*")}));
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text,
                 LangText(203) + QStringLiteral("\r\n\r\n") + m_root + QStringLiteral("/*.*"));
        MessageBoxSeam::clearShown();
        m_w->chkSelectionWarning->setChecked(false);
        click(m_w->cmdDirPlus);
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(m_w->List1->count(), 1);
    }

    void selectUnselectAndRemove()
    {
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root));
        click(m_w->cmdSubPlus);
        const int rows = m_w->List1->count();
        click(m_w->cmdUnselect);
        setListSelected(m_w->List1, 1, true);
        setListSelected(m_w->List1, 3, true);
        const QString kept = m_w->List1->item(2)->text();
        m_w->List1->clearSelection();
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        click(m_w->cmdExclude);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(m_w->List1->count(), rows - 2);
        QCOMPARE(m_w->List1->item(1)->text(), kept);
        // A removed row can be added again: the index follows removals.
        click(m_w->cmdSubPlus);
        QCOMPARE(m_w->List1->count(), rows);
        click(m_w->cmdSelect);
        for (int i = 0; i < m_w->List1->count(); ++i)
            QVERIFY(listSelected(m_w->List1, i));
    }

    // A tick means "back this up": the command takes the rows the user highlighted, and the
    // ticked ones (every new row is ticked) only after a question.
    void removeTakesTheHighlightedRows()
    {
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root));
        click(m_w->cmdSubPlus);
        const QStringList rows = listRows(m_w->List1);
        QVERIFY(rows.size() > 3);
        m_w->List1->clearSelection();
        const QRect second = m_w->List1->visualItemRect(m_w->List1->item(1));
        QTest::mouseClick(m_w->List1->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseClick(m_w->List1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          m_w->List1->visualItemRect(m_w->List1->item(3)).center());
        for (int i = 0; i < m_w->List1->count(); ++i)
            setListSelected(m_w->List1, i, true);
        click(m_w->cmdExclude);
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QStringList left = rows;
        left.removeAt(3);
        left.removeAt(1);
        QCOMPARE(listRows(m_w->List1), left);

        // Nothing highlighted: the ticked rows go only when the user says yes.
        m_w->List1->clearSelection();
        MessageBoxSeam::scriptAnswer(MsgResult::No);
        click(m_w->cmdExclude);
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().buttons, MsgButtons::YesNo);
        QCOMPARE(listRows(m_w->List1), left);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        click(m_w->cmdExclude);
        QCOMPARE(m_w->List1->count(), 0);
    }

    void doubleClickAddsTheFile()
    {
        QVERIFY(TestSupport::chooseFolder(*m_w, m_root));
        m_w->File1->setCurrentRow(m_w->File1->count() - 1);
        const QRect place = m_w->File1->visualItemRect(m_w->File1->currentItem());
        // A double click is a press, a release and a second press that the system marks.
        QTest::mouseClick(m_w->File1->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(m_w->File1->viewport(), Qt::LeftButton, {}, place.center());
        QCOMPARE(listRows(m_w->List1), rooted({QStringLiteral("+ R/f2.txt")}));
    }

    // Rows added, renamed, removed or cleared by any code are known to the duplicate test.
    void duplicateTestFollowsEveryChange()
    {
        const int first = listAddItem(m_w->List1, QStringLiteral("/a/*.*"));
        listAddItem(m_w->List1, QStringLiteral("/b/*.*"));
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/b/*.*")), 1);
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/B/*.*")), -1);
        m_w->List1->item(first)->setText(QStringLiteral("/c/*.*"));
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/a/*.*")), -1);
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/c/*.*")), 0);
        delete m_w->List1->takeItem(0);
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/c/*.*")), -1);
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/b/*.*")), 0);
        m_w->List1->clear();
        QCOMPARE(m_w->VerificaDup(QStringLiteral("/b/*.*")), -1);
    }

    void lineBreakInAPathIsRefusedWithAMessage()
    {
        const QString odd = TestSupport::freshFolder(QStringLiteral("odd"));
        makeTree(odd, {{QStringLiteral("two\nlines/"), {}}, {QStringLiteral("fine/"), {}}});
        QVERIFY(TestSupport::chooseFolder(*m_w, odd));
        click(m_w->cmdSubPlus);
        QCOMPARE(listRows(m_w->List1),
            (QStringList{QStringLiteral("+ ") + odd + QStringLiteral("/*.*"),
                QStringLiteral("+ ") + odd + QStringLiteral("/fine/*.*")}));
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.contains(QStringLiteral("two\nlines")));
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Sources)
#include "tst_frmMain_BackUp_Sources.moc"
