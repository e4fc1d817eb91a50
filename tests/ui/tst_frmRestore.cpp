#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QStatusBar>
#include <QToolBar>

#include "DecryptedCopy.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RestoreGrid.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "QEV_GetSystemInfos.h"
#include "SystemInfo.h"
#include "TestSupport.h"
#include "WidgetDialogs.h"
#include "ZipArchive.h"
#include "clsBlowfish.h"
#include "frmMain_BackUp.h"
#include "frmRestore.h"

using namespace TestSupport;

namespace {

const QString kPassword = QStringLiteral("secret");
const QString kDecryptionError = QStringLiteral("Decryption error - please check the password");

// Files whose names hold blanks, non-ASCII letters and differ only in case; odd seconds as
// times, which only an exact time stamp keeps.
const Tree kFiles{{QStringLiteral("Docs/Report1.doc"), "report, upper case"},
                  {QStringLiteral("docs/report1.doc"), "report, lower case"},
                  {QStringLiteral("My Files/Bericht für März.txt"), "Grüße\n"},
                  {QStringLiteral("README"), "no dot in this name"},
                  {QStringLiteral("notes.txt"), QByteArray(70000, 'n')}};

void stampTimes(const QString& root, const Tree& tree)
{
    qint64 stamp = 1'400'000'001;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it, stamp += 7) {
        QFile f(root + QLatin1Char('/') + it.key());
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime::fromSecsSinceEpoch(stamp), QFileDevice::FileModificationTime);
    }
}

QStringList shownTexts()
{
    QStringList texts;
    for (const MsgRequest& r : MessageBoxSeam::shown())
        texts.append(r.text);
    return texts;
}

// What each box said, by its part that does not name folders or counts: the question and the
// summary's first line.
QStringList shownHeads()
{
    QStringList heads;
    for (const QString& text : shownTexts())
        heads.append(text.endsWith(QStringLiteral("Overwrite existing files ?"))
                         ? QStringLiteral("Overwrite existing files ?")
                         : text.section(QStringLiteral("\r\n"), 0, 0));
    return heads;
}

const QString kQuestion = QStringLiteral("Overwrite existing files ?");

// A ZIP archive made by Python's zipfile: the body writes to the open archive z.
void pythonZip(const QString& archive, const QString& body)
{
    const QString script = QStringLiteral("import sys, zipfile, stat, warnings\n"
                                          "warnings.simplefilter('ignore')\n"
                                          "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n")
        + body + QStringLiteral("\nz.close()\n");
    QCOMPARE(runTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, archive}), 0);
}

QString cell(const frmRestore& w, int row, int column)
{
    return w.grid()->index(row, column).data().toString();
}

QStringList storedNames(const frmRestore& w)
{
    QStringList names;
    for (int r = 0; r < w.grid()->rowCount(); ++r)
        names.append(w.grid()->hit(r).storedName);
    names.sort();
    return names;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Makes row `current` the grid's current row and selects up to row `other`.
void selectRows(frmRestore& w, int current, int other)
{
    QItemSelectionModel* model = w.FG3->selectionModel();
    model->setCurrentIndex(w.grid()->index(current, 1), QItemSelectionModel::NoUpdate);
    model->select(QItemSelection(w.grid()->index(qMin(current, other), 0),
                                 w.grid()->index(qMax(current, other), RestoreGrid::Path)),
                  QItemSelectionModel::ClearAndSelect);
}

// A run's source list holds no two folders whose names differ only in case, so the program's
// own archives lack the lower-case docs folder.
QStringList ownRunFiles()
{
    QStringList files = kFiles.keys();
    files.removeAll(QStringLiteral("docs/report1.doc"));
    return files;
}

void restoreTo(frmRestore& w, const QString& target)
{
    w.Drive1->addItem(target);
    w.Drive1->setCurrentIndex(w.Drive1->count() - 1);
    w.cmdRestore_Click();
}

} // namespace

class tst_frmRestore : public QObject
{
    Q_OBJECT

    QString m_source;     // the files of kFiles
    QString m_runPlain;   // a folder with a plain archive of the program's own run
    QString m_runCry;     // a folder with an encrypted archive of the program's own run
    QString m_runCryUpper; // the same, its name ending in ".CRY"
    QString m_zipFolders; // Info-ZIP archive with folder entries
    QString m_zipFlat;    // Info-ZIP archive without folder entries
    QString m_temp;

    RestoreContext context(const QString& folder) const
    {
        return {folder, m_temp, kPassword, QStringLiteral("ready"), {}, {}, {}};
    }

    // A window that has searched the folder for the pattern, case ignored.
    std::unique_ptr<frmRestore> searchIn(const QString& folder, const QString& pattern) const
    {
        auto w = std::make_unique<frmRestore>(context(folder));
        w->txtFileSearch->setText(pattern);
        w->chkCaseSensitive->setChecked(false);
        w->cmdSearch_Click();
        return w;
    }

    // One unattended run of the real program backing the source folder's files up.
    void backUpWithTheProgram(const QString& dest, bool encrypt)
    {
        const QString profile = SettingsKeys::profileScope(QStringLiteral("Standard"));
        const auto set = [&](const char* key, const QString& value) {
            SettingsStore::saveValue(profile, QStringLiteral("Settings"), QString::fromLatin1(key),
                                     value);
        };
        set("txtPathTemp", Paths::tempFolder());
        set("txtExclusions", QString());
        set("chkAppendArchive", QStringLiteral("0"));
        set("optNewOnly", QStringLiteral("0")); // every file, not only the changed ones
        set("optComplete", QStringLiteral("-1"));
        set("chkResetArchiveBit", QStringLiteral("0"));
        set("chkEncrypt", encrypt ? QStringLiteral("1") : QStringLiteral("0"));
        set("chkRemeberPassword", QStringLiteral("1"));
        set("txtEncryptPassword", kPassword);
        QVERIFY(SettingsStore::flush());
        QString error;
        QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")),
                                   {{m_source + QStringLiteral("/*.*"), true},
                                    {m_source + QStringLiteral("/My Files/*.*"), true},
                                    {m_source + QStringLiteral("/Docs/*.*"), true}},
                                   &error));
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QStringLiteral(QUILLARO_BINARY),
                  {QStringLiteral("/run"), QStringLiteral("/profile:Standard"),
                   QStringLiteral("/dir:") + dest});
        QVERIFY(run.waitForFinished(120000));
        QVERIFY2(run.exitCode() == 0 && !readTree(dest).isEmpty(),
                 qPrintable(QString::fromUtf8(run.readAll()) + readTree(Paths::tempFolder()).keys().join(u' ')));
        SettingsStore::reset();
    }

    void infoZip(const QString& archive, const QStringList& options)
    {
        QCOMPARE(runTool(QStringLiteral("zip"), options + QStringList{archive, QStringLiteral(".")},
                         nullptr, m_source),
                 0);
    }

    // The source file an entry came from: the program stores full paths, Info-ZIP relative ones.
    QString sourceOf(const QString& stored) const
    {
        if (stored.startsWith(m_source.mid(1)))
            return QLatin1Char('/') + stored;
        return m_source + QLatin1Char('/') + stored;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Paths::prepareFolders());
        QVERIFY(LoadLanguageFile(sourceCommonFolder() + QStringLiteral("/language/english.lng")));
        AppName = QStringLiteral("Quillaro");
        g_User = UserFromLogon(SystemInfo::logonName());
        m_source = freshFolder(QStringLiteral("source"));
        makeTree(m_source, kFiles);
        stampTimes(m_source, kFiles);
        m_runPlain = freshFolder(QStringLiteral("run-plain"));
        m_runCry = freshFolder(QStringLiteral("run-cry"));
        backUpWithTheProgram(m_runPlain, false);
        backUpWithTheProgram(m_runCry, true);
        QVERIFY2(QDir(m_runCry).entryList({QStringLiteral("*.cry")}, QDir::Files).size() == 1,
                 qPrintable(readTree(m_runCry).keys().join(u' ') + QLatin1Char('|')
                            + readTree(m_runPlain).keys().join(u' ') + QLatin1Char('|')
                            + QString::fromUtf8(readFile(ErrorLogPath()))));
        m_runCryUpper = freshFolder(QStringLiteral("run-cry-upper"));
        const QFileInfo cry = QDir(m_runCry).entryInfoList({QStringLiteral("*.cry")}).first();
        QVERIFY(QFile::copy(cry.filePath(), m_runCryUpper + QLatin1Char('/')
                                                + cry.completeBaseName() + QStringLiteral(".CRY")));
        m_zipFolders = freshFolder(QStringLiteral("zip-folders"));
        infoZip(m_zipFolders + QStringLiteral("/with folders.zip"), {QStringLiteral("-qr")});
        m_zipFlat = freshFolder(QStringLiteral("zip-flat"));
        infoZip(m_zipFlat + QStringLiteral("/flat.ZIP"), {QStringLiteral("-qrD")});
        m_temp = freshFolder(QStringLiteral("temp"));
    }

    void init()
    {
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
    }

    void searchAndRestoreEveryKindOfArchive_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("own run") << m_runPlain << ownRunFiles();
        QTest::newRow("own run, encrypted") << m_runCry << ownRunFiles();
        QTest::newRow("own run, encrypted, upper case") << m_runCryUpper << ownRunFiles();
        QTest::newRow("zip with folder entries") << m_zipFolders << kFiles.keys();
        QTest::newRow("zip without folder entries") << m_zipFlat << kFiles.keys();
    }

    void searchAndRestoreEveryKindOfArchive()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        frmRestore w(context(folder));
        QCOMPARE(w.List3->count(), 2); // the "all" entry and the archive
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.chkCaseSensitive->setChecked(false);
        w.cmdSearch_Click();
        QStringList found;
        for (int r = 0; r < w.grid()->rowCount(); ++r)
            found.append(sourceOf(w.grid()->hit(r).storedName));
        QStringList sources;
        for (const QString& name : files)
            sources.append(m_source + QLatin1Char('/') + name);
        QCOMPARE(sorted(found), sorted(sources));
        QCOMPARE(w.lblSearchedFiles->text(), QString::number(files.size()));
        QCOMPARE(w.lblFoundArchives->text(), QStringLiteral("1"));
        QCOMPARE(w.lblSearchedArchives->text(), QStringLiteral("1"));

        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(w, w.grid()->rowCount() - 1, 0);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        restoreTo(w, target);
        QCOMPARE(shownHeads(), (QStringList{kQuestion, LangText(186)}));
        QVERIFY(shownTexts().first().contains(QStringLiteral(" below ") + target));
        QVERIFY(shownTexts().last().contains(
            QStringLiteral("Restored below %1: %2 of %2.").arg(target).arg(w.grid()->rowCount())));
        for (int r = 0; r < w.grid()->rowCount(); ++r) {
            const QString stored = w.grid()->hit(r).storedName;
            const QString back = target + QLatin1Char('/') + stored;
            QCOMPARE(readFile(back), readFile(sourceOf(stored)));
            QCOMPARE(QFileInfo(back).lastModified(), QFileInfo(sourceOf(stored)).lastModified());
        }
        QCOMPARE(QDir(m_temp).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void namePatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QStringList>("found");
        const QString upper = QStringLiteral("Docs/Report1.doc");
        const QString lower = QStringLiteral("docs/report1.doc");
        const QString german = QStringLiteral("My Files/Bericht für März.txt");
        const QString notes = QStringLiteral("notes.txt");
        QTest::newRow("*.* wants a dot") << QStringLiteral("*.*") << false
                                         << QStringList{upper, lower, german, notes};
        QTest::newRow("* takes all") << QStringLiteral("*") << false
                                     << QStringList{upper, lower, german, notes,
                                                    QStringLiteral("README")};
        QTest::newRow("case ignored") << QStringLiteral("Report*.doc") << false
                                      << QStringList{upper, lower};
        QTest::newRow("case counts") << QStringLiteral("Report*.doc") << true << QStringList{upper};
        QTest::newRow("non-ASCII, ? and a list")
            << QStringLiteral("bericht f?r m[aä]rz.txt") << false << QStringList{german};
        QTest::newRow("digit") << QStringLiteral("report#.doc") << false << QStringList{upper, lower};
        QTest::newRow("blanks only") << QStringLiteral("  ") << false << QStringList();
    }

    void namePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QFETCH(QStringList, found);
        frmRestore w(context(m_zipFlat));
        w.txtFileSearch->setText(pattern);
        w.chkCaseSensitive->setChecked(caseSensitive);
        w.cmdSearch_Click();
        QCOMPARE(storedNames(w), sorted(found));
        QCOMPARE(w.lblFoundFiles->text(), QString::number(found.size()));
        QCOMPARE(w.lblFoundArchives->text(), found.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
        for (int r = 0; r < w.grid()->rowCount(); ++r) {
            const QString stored = w.grid()->hit(r).storedName;
            // Shown as stored: Docs/Report1.doc and docs/report1.doc are two files.
            QCOMPARE(cell(w, r, RestoreGrid::Path), stored);
            QCOMPARE(cell(w, r, RestoreGrid::FileName), RestoreGrid::fileNameOf(stored));
            QCOMPARE(cell(w, r, RestoreGrid::Archive), QStringLiteral("flat.ZIP"));
            QCOMPARE(cell(w, r, RestoreGrid::FileSize),
                     QString::number(kFiles.value(stored).size()));
        }
    }

    void malformedPatternIsToldApartFromNoMatch()
    {
        frmRestore w(context(m_zipFlat));
        w.txtFileSearch->setText(QStringLiteral("report[12.doc"));
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdSearch_Click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(MessageBoxSeam::shown().first().text.contains(QStringLiteral("no valid pattern")));
        QVERIFY(readFile(ErrorLogPath()).contains("report[12.doc"));
        QCOMPARE(w.grid()->rowCount(), 0);
    }

    void searchesOnlyTheChosenArchives()
    {
        const QString folder = freshFolder(QStringLiteral("three"));
        for (const char* name : {"a.zip", "b.zip", "c.zip"})
            infoZip(folder + QLatin1Char('/') + QString::fromLatin1(name), {QStringLiteral("-qrD")});
        writeFile(folder + QStringLiteral("/notes.txt"), "not an archive");
        frmRestore w(context(folder));
        QCOMPARE(w.List3->count(), 4);
        w.List3->clearSelection();
        w.List3->item(3)->setSelected(true);
        w.txtFileSearch->setText(QStringLiteral("readme"));
        w.cmdSearch_Click();
        QCOMPARE(w.lblSearchedArchives->text(), QStringLiteral("3"));
        QCOMPARE(w.grid()->rowCount(), 1);
        QCOMPARE(cell(w, 0, RestoreGrid::Archive), QStringLiteral("c.zip"));
        w.List3->clearSelection();
        w.List3->item(0)->setSelected(true);
        w.List3->item(2)->setSelected(true);
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 3); // every archive once
        w.List3->clearSelection();
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 0);
    }

    void wrongPasswordIsADecryptionFailure()
    {
        frmRestore w(context(m_runCry));
        w.txtEncryptPassword->setText(QStringLiteral("wrong"));
        w.txtFileSearch->setText(QStringLiteral("*"));
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdSearch_Click();
        QCOMPARE(shownTexts(), QStringList{kDecryptionError});
        QCOMPARE(w.grid()->rowCount(), 0);

        w.txtEncryptPassword->setText(kPassword);
        MessageBoxSeam::clearShown();
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), int(ownRunFiles().size()));
        w.txtEncryptPassword->setText(QStringLiteral("wrong"));
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(w, 0, w.grid()->rowCount() - 1);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        restoreTo(w, target);
        // Told once for the archive, and the restore ends as failed.
        QCOMPARE(shownHeads(), (QStringList{kQuestion, kDecryptionError, LangText(185)}));
        QCOMPARE(readTree(target), Tree());
        QCOMPARE(QDir(m_temp).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void encryptedArchivesNeedATempFolder()
    {
        RestoreContext noTemp = context(m_runCry);
        noTemp.tempFolder.clear();
        frmRestore w(noTemp);
        w.txtFileSearch->setText(QStringLiteral("*"));
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        w.cmdSearch_Click();
        QCOMPARE(shownTexts(), QStringList{LangText(321)});
        QCOMPARE(w.grid()->rowCount(), 0);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/_BackUp_temp.zip")));
    }

    void restoreOfAnEncryptedArchiveNeedsTheTempFolder()
    {
        const QString temp = freshFolder(QStringLiteral("temp-gone"));
        RestoreContext gone = context(m_runCry);
        gone.tempFolder = temp;
        frmRestore w(gone);
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), int(ownRunFiles().size()));
        QVERIFY(QDir(temp).removeRecursively());
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(w, 0, 1);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(w, target);
        QCOMPARE(shownHeads(), (QStringList{kQuestion, LangText(321), LangText(185)}));
        QCOMPARE(readTree(target), Tree());
        QVERIFY(!QFileInfo::exists(temp));
    }

    void folderDialogChoosesTheArchiveFolder()
    {
        frmRestore w(context(m_zipFlat));
        QString prompt;
        WidgetDialogs::setFolderAnswer([&prompt](const QString& text, const QString&) {
            prompt = text;
            return QString();
        });
        QTest::mouseClick(w.cmdSearchPath, Qt::LeftButton);
        QCOMPARE(prompt, QStringLiteral("Select a Folder where the ZIP archives are located"));
        QCOMPARE(w.txtPathSearch->text(), m_zipFlat); // cancelled: nothing changes
        WidgetDialogs::setFolderAnswer([this](const QString&, const QString&) { return m_runPlain; });
        QTest::mouseClick(w.cmdSearchPath, Qt::LeftButton);
        WidgetDialogs::setFolderAnswer({});
        QCOMPARE(w.txtPathSearch->text(), m_runPlain);
        QCOMPARE(w.List3->count(), 2);
    }

    void decryptedCopyIsPrivateAndGoes()
    {
        const QString cry = QDir(m_runCry).entryInfoList({QStringLiteral("*.cry")}).first().filePath();
        const QString path = m_temp + QStringLiteral("/_BackUp_copy.zip");
        const QString elsewhere = freshFolder(QStringLiteral("elsewhere")) + QStringLiteral("/x");
        writeFile(elsewhere, "untouched");
        QVERIFY(QFile::link(elsewhere, path)); // a planted link is replaced, not written through
        {
            DecryptedCopy copy;
            QVERIFY(copy.make(cry, path, kPassword));
            struct stat st { };
            QCOMPARE(::lstat(QFile::encodeName(path).constData(), &st), 0);
            QVERIFY(S_ISREG(st.st_mode));
            QCOMPARE(st.st_mode & 0777, 0600u);
            QCOMPARE(readFile(elsewhere), QByteArray("untouched"));
            ZipArchive zip;
            QVERIFY(zip.OpenReadOnly(path));
            QCOMPARE(zip.Files().Count(), int(ownRunFiles().size()));
        }
        QVERIFY(!QFileInfo::exists(path));
        DecryptedCopy failed;
        QVERIFY(!failed.make(cry, path, QStringLiteral("wrong")));
        failed.remove();
        QVERIFY(!QFileInfo::exists(path));
    }

    void keptFilesAreTestedByTheirStoredName()
    {
        frmRestore w(context(m_zipFlat));
        w.txtFileSearch->setText(QStringLiteral("report1.doc"));
        w.chkCaseSensitive->setChecked(false);
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 2);
        const QString target = freshFolder(QStringLiteral("target"));
        writeFile(target + QStringLiteral("/Docs/Report1.doc"), "mine");
        selectRows(w, 0, 1);
        MessageBoxSeam::scriptAnswer(MsgResult::No);
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        restoreTo(w, target);
        QCOMPARE(shownHeads().last(), LangText(187));
        QVERIFY(shownTexts().last().contains(QStringLiteral("Kept as they were (already there): 1.")));
        QCOMPARE(readFile(target + QStringLiteral("/Docs/Report1.doc")), QByteArray("mine"));
        QCOMPARE(readFile(target + QStringLiteral("/docs/report1.doc")), kFiles.value(QStringLiteral("docs/report1.doc")));
    }

    void restoreRunsFromTheCurrentRowToTheOtherEnd()
    {
        frmRestore w(context(m_zipFlat));
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 5);
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(w, 3, 1);
        // While the restore runs, up to its final message, no command of the toolbar is open.
        QStringList enabled;
        MessageBoxSeam::setPresenter([&w, &enabled](const MsgRequest& box) {
            for (const char* key : {"search", "cancel", "restore"})
                if (w.tbTools->findChild<QAction*>(QString::fromLatin1(key))->isEnabled())
                    enabled.append(QString::fromLatin1(key));
            return box.buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
        });
        restoreTo(w, target);
        MessageBoxSeam::setPresenter({});
        // Open at the question, which comes first; none at the final message.
        QCOMPARE(enabled, (QStringList{QStringLiteral("search"), QStringLiteral("restore")}));
        QVERIFY(w.tbTools->findChild<QAction*>(QStringLiteral("search"))->isEnabled());
        QStringList expected;
        for (int r = 1; r <= 3; ++r)
            expected.append(w.grid()->hit(r).storedName);
        QCOMPARE(sorted(readTree(target).keys()), sorted(expected));
    }

    void restoreBeforeASearchDoesNothing()
    {
        frmRestore w(context(m_zipFlat));
        w.cmdRestore_Click();
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QCOMPARE(w.grid()->headerData(RestoreGrid::Path, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString());
    }

    void hostileNamesWriteNothingOutside_data()
    {
        QTest::addColumn<QString>("name");
        // A link planted in the target by another user, to the outside folder.
        QTest::addColumn<QString>("link");
        QTest::newRow("parent") << QStringLiteral("../evil.txt") << QString();
        QTest::newRow("inner parent, backslashes") << QStringLiteral("a\\..\\..\\evil.txt") << QString();
        QTest::newRow("absolute") << QStringLiteral("/evil.txt") << QString();
        QTest::newRow("through another user's link") << QStringLiteral("docs/evil.txt")
                                                     << QStringLiteral("docs");
    }

    void hostileNamesWriteNothingOutside()
    {
        QFETCH(QString, name);
        QFETCH(QString, link);
        if (!link.isEmpty() && ::geteuid() != 0)
            QSKIP("a link of another user needs root to make");
        const QString folder = freshFolder(QStringLiteral("hostile"));
        const QString script = QStringLiteral("import sys, zipfile\n"
                                              "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                                              "z.writestr(zipfile.ZipInfo(sys.argv[2]), b'evil')\n"
                                              "z.writestr(zipfile.ZipInfo('good.txt'), b'good')\n"
                                              "z.close()\n");
        QCOMPARE(runTool(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-c"), script, folder + QStringLiteral("/h.zip"), name}),
                 0);
        const QString outside = freshFolder(QStringLiteral("outside"));
        const QString target = outside + QStringLiteral("/target/inner");
        QDir().mkpath(target);
        if (!link.isEmpty()) {
            const QString planted = target + QLatin1Char('/') + link;
            QVERIFY(QFile::link(outside, planted));
            QCOMPARE(::lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
        }
        frmRestore w(context(folder));
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 2);
        selectRows(w, 0, 1);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(w, target);
        QCOMPARE(shownHeads(), (QStringList{kQuestion, LangText(185)}));
        QVERIFY(shownTexts().last().contains(
            QStringLiteral("There was a problem restoring 1 (see the error log): evil.txt")));
        QCOMPARE(readFile(target + QStringLiteral("/good.txt")), QByteArray("good"));
        // Nothing but the good file was written anywhere below the outside folder.
        QDirIterator it(outside, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        QCOMPARE(files, QStringList{target + QStringLiteral("/good.txt")});
        QVERIFY(!QFileInfo::exists(QStringLiteral("/evil.txt")));
    }

    void typingAFolderCreatesNothing()
    {
        const QString base = freshFolder(QStringLiteral("typing"));
        frmRestore w(context(base + QStringLiteral("/missing")));
        QVERIFY(!QFileInfo::exists(base + QStringLiteral("/missing")));
        QCOMPARE(w.List3->count(), 1);
        w.txtPathSearch->clear();
        QTest::keyClicks(w.txtPathSearch, base + QStringLiteral("/new"));
        QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(w.List3->count(), 1);
        QCOMPARE(w.List3->item(0)->text(), LangText(243));
        w.txtPathSearch->setText(QStringLiteral("   "));
        QCOMPARE(w.List3->count(), 0);
        // The list follows once the folder is there; any case of the extension counts.
        writeFile(base + QStringLiteral("/new/B.CRY"), "x");
        writeFile(base + QStringLiteral("/new/a.zip"), "x");
        writeFile(base + QStringLiteral("/new/.hidden.zip"), "x");
        w.txtPathSearch->setText(base + QStringLiteral("/new"));
        QCOMPARE(w.List3->count(), 3);
        QCOMPARE(w.List3->item(1)->text(), QStringLiteral("B.CRY"));
        QVERIFY(w.List3->item(0)->isSelected());
    }

    void settingsOutliveTheWindow()
    {
        {
            frmRestore w(context(m_zipFlat));
            QCOMPARE(w.txtFileSearch->text(), QStringLiteral("*.*"));
            QVERIFY(!w.chkCaseSensitive->isChecked());
            QCOMPARE(w.txtEncryptPassword->text(), kPassword);
            w.txtFileSearch->setText(QStringLiteral("*.doc"));
            w.chkCaseSensitive->setChecked(true);
            w.show();
            w.tbTools->findChild<QAction*>(QStringLiteral("exitsearch"))->trigger();
            QTRY_VERIFY(!w.isVisible());
        }
        frmRestore again(context(m_zipFlat));
        QCOMPARE(again.txtFileSearch->text(), QStringLiteral("*.doc"));
        QVERIFY(again.chkCaseSensitive->isChecked());
    }

    void closingWhileSearchingCancelsAndClosesOnce()
    {
        const QString folder = freshFolder(QStringLiteral("busy"));
        for (const char* name : {"a.zip", "b.zip", "c.zip"})
            infoZip(folder + QLatin1Char('/') + QString::fromLatin1(name), {QStringLiteral("-qrD")});
        frmRestore w(context(folder));
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.show();
        int finished = 0;
        connect(&w, &QDialog::finished, this, [&finished] { ++finished; });
        // Served while the first archive is searched: a second search, then a close.
        QTimer::singleShot(0, &w, [&w] {
            QVERIFY(w.isBusy());
            w.cmdSearch_Click();
            w.close();
            QVERIFY(w.isVisible());
        });
        w.cmdSearch_Click();
        // The cancel took effect within the first archive or right after it.
        QCOMPARE(w.lblSearchedArchives->text(), QStringLiteral("1"));
        QVERIFY(w.grid()->rowCount() <= int(kFiles.size()));
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(finished, 1);
        QVERIFY(!w.isBusy());
    }

    void rowsKeepTheArchiveTheyWereFoundIn()
    {
        const QString a = freshFolder(QStringLiteral("folder-a"));
        const QString b = freshFolder(QStringLiteral("folder-b"));
        pythonZip(a + QStringLiteral("/same.zip"), QStringLiteral("z.writestr('f.txt', b'from A')"));
        pythonZip(b + QStringLiteral("/same.zip"), QStringLiteral("z.writestr('f.txt', b'from B')"));
        const auto w = searchIn(a, QStringLiteral("f.txt"));
        QCOMPARE(w->grid()->rowCount(), 1);
        w->txtPathSearch->setText(b); // typed after the search: the rows still come from A
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(*w, 0, 0);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(*w, target);
        QCOMPARE(readTree(target), (Tree{{QStringLiteral("f.txt"), "from A"}}));
        QCOMPARE(shownHeads().last(), LangText(186));
    }

    // One entry with a byte flipped, two of one name, and an archive that is no archive.
    void everyReadableEntryIsListedAndADamagedOneFailsByName()
    {
        const QString folder = freshFolder(QStringLiteral("partly"));
        pythonZip(folder + QStringLiteral("/partly.zip"),
                  QStringLiteral("for i in range(20):\n"
                                 "    z.writestr('docs/file%02d.txt' % i, b'content %d ' % i * 500,\n"
                                 "               zipfile.ZIP_STORED if i == 7 else zipfile.ZIP_DEFLATED)\n"
                                 "z.writestr('twice.txt', b'first')\n"
                                 "z.writestr('twice.txt', b'second')"));
        QByteArray bytes = readFile(folder + QStringLiteral("/partly.zip"));
        const qsizetype at = bytes.indexOf("docs/file07.txt") + 40;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
        writeFile(folder + QStringLiteral("/partly.zip"), bytes);
        writeFile(folder + QStringLiteral("/broken.zip"), QByteArray(3000, 'x'));
        QString out;
        QCOMPARE(runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), folder + QStringLiteral("/partly.zip")}, &out), 2);
        QVERIFY2(out.contains(QStringLiteral("file07.txt")), qPrintable(out));

        const auto w = searchIn(folder, QStringLiteral("*.txt"));
        QCOMPARE(w->grid()->rowCount(), 22);
        QVERIFY(w->lblSearchNote->isVisibleTo(w.get()));
        QVERIFY2(w->lblSearchNote->text().contains(QStringLiteral("1 archive could not be read at all: "))
                     && w->lblSearchNote->text().contains(QStringLiteral("broken.zip")),
                 qPrintable(w->lblSearchNote->text()));
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(*w, 0, w->grid()->rowCount() - 1);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(*w, target);
        QCOMPARE(shownHeads(), (QStringList{kQuestion, LangText(185)}));
        QVERIFY2(shownTexts().last().contains(
                     QStringLiteral("There was a problem restoring 1 (see the error log): file07.txt")),
                 qPrintable(shownTexts().last()));
        const QByteArray log = readFile(ErrorLogPath());
        QVERIFY(log.contains("docs/file07.txt") && log.contains("CRC"));
        const Tree back = readTree(target);
        QCOMPARE(back.size(), 20); // 19 good files and the later of the two
        QVERIFY(!back.contains(QStringLiteral("docs/file07.txt")));
        QCOMPARE(back.value(QStringLiteral("docs/file08.txt")), QByteArray("content 8 ").repeated(500));
        QCOMPARE(back.value(QStringLiteral("twice.txt")), QByteArray("second"));
    }

    void theWindowSaysWhenNothingIsFound_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("found");
        QTest::newRow("no wildcard, no such name") << QStringLiteral("größe") << 0;
        QTest::newRow("no wildcard, other case") << QStringLiteral("größe.txt") << 1;
        QTest::newRow("wildcard") << QStringLiteral("*ÖßE*") << 1;
        QTest::newRow("wildcard, nothing") << QStringLiteral("*.pdf") << 0;
    }

    void theWindowSaysWhenNothingIsFound()
    {
        QFETCH(QString, pattern);
        QFETCH(int, found);
        const QString source = freshFolder(QStringLiteral("umlauts"));
        makeTree(source, {{QStringLiteral("Größe.txt"), "size"}});
        const QString folder = freshFolder(QStringLiteral("umlaut-zip"));
        QCOMPARE(runTool(QStringLiteral("zip"), {QStringLiteral("-q"), folder + QStringLiteral("/u.zip"),
                                                  QStringLiteral("Größe.txt")},
                         nullptr, source),
                 0);
        const auto w = searchIn(folder, pattern);
        QCOMPARE(w->grid()->rowCount(), found);
        QCOMPARE(w->lblSearchNote->isVisibleTo(w.get()), found == 0);
        if (found == 0)
            QCOMPARE(w->lblSearchNote->text(),
                     QStringLiteral("No file name matches \"%1\" in 1 archive.").arg(pattern));
        else
            QCOMPARE(cell(*w, 0, RestoreGrid::FileName), QStringLiteral("Größe.txt"));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void emptyFoldersAreRowsAndComeBack()
    {
        const QString source = freshFolder(QStringLiteral("with-empty"));
        makeTree(source, {{QStringLiteral("full/a.txt"), "a"}, {QStringLiteral("empty/"), {}},
                          {QStringLiteral("full/inner empty/"), {}}});
        const QString folder = freshFolder(QStringLiteral("empty-zip"));
        QCOMPARE(runTool(QStringLiteral("zip"), {QStringLiteral("-qr"), folder + QStringLiteral("/e.zip"),
                                                  QStringLiteral(".")},
                         nullptr, source),
                 0);
        const auto w = searchIn(folder, QStringLiteral("*"));
        QCOMPARE(storedNames(*w), (QStringList{QStringLiteral("empty/"), QStringLiteral("full/a.txt"),
                                              QStringLiteral("full/inner empty/")}));
        QCOMPARE(w->lblSearchedFiles->text(), QStringLiteral("3"));
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(*w, 0, 2);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(*w, target);
        QCOMPARE(readTree(target), (Tree{{QStringLiteral("empty/"), {}}, {QStringLiteral("full/a.txt"), "a"},
                                         {QStringLiteral("full/inner empty/"), {}}}));
        // Found by the folder's own name.
        w->txtFileSearch->setText(QStringLiteral("inner*"));
        w->cmdSearch_Click();
        QCOMPARE(storedNames(*w), QStringList{QStringLiteral("full/inner empty/")});
    }

    void returnInThePatternBoxSearches()
    {
        frmRestore w(context(m_zipFlat));
        int dialogs = 0;
        WidgetDialogs::setFolderAnswer([&dialogs](const QString&, const QString&) {
            ++dialogs;
            return QString();
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.txtFileSearch->setFocus();
        w.txtFileSearch->setText(QStringLiteral("readme"));
        w.chkCaseSensitive->setChecked(false);
        QTest::keyClick(w.txtFileSearch, Qt::Key_Return);
        WidgetDialogs::setFolderAnswer({});
        QCOMPARE(dialogs, 0);
        QCOMPARE(storedNames(w), QStringList{QStringLiteral("README")});
        QVERIFY(w.isVisible());
    }

    void theGridTakesTheWindowsHeight()
    {
        frmRestore w(context(m_zipFlat));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QList<int> heights;
        for (int height : {700, 1000}) {
            w.resize(900, height);
            QTRY_COMPARE(w.height(), height);
            QApplication::processEvents();
            heights.append(w.FG3->height());
        }
        // Every pixel the window grows goes to the grid, which shows most of the window.
        QCOMPARE(heights.last() - heights.first(), 300);
        QVERIFY2(heights.first() >= 700 / 2, qPrintable(QString::number(heights.first())));
    }

    void restoresBelowAFolderOfTheUsersChoice()
    {
        frmRestore w(context(m_zipFolders));
        QCOMPARE(w.Drive1->currentText(), QStringLiteral("/"));
        const QString chosen = freshFolder(QStringLiteral("chosen")) + QStringLiteral("/new folder");
        QString start;
        WidgetDialogs::setFolderAnswer([&](const QString&, const QString& from) {
            start = from;
            return chosen;
        });
        QTest::mouseClick(w.cmdRestorePath, Qt::LeftButton);
        WidgetDialogs::setFolderAnswer({});
        QCOMPARE(start, QStringLiteral("/"));
        QCOMPARE(w.Drive1->currentText(), chosen);
        w.txtFileSearch->setText(QStringLiteral("Bericht*"));
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 1);
        selectRows(w, 0, 0);
        MessageBoxSeam::scriptAnswer(MsgResult::No);
        w.cmdRestore_Click();
        const QString stored = QStringLiteral("My Files/Bericht für März.txt");
        QCOMPARE(readTree(chosen), (Tree{{stored, kFiles.value(stored)}}));
        QCOMPARE(shownTexts().first(),
                 QStringLiteral("1 file goes below %1, each at the path it has in its archive.\r\n\r\n"
                                "Overwrite existing files ?").arg(chosen));
        QCOMPARE(shownTexts().last(), LangText(187) + QStringLiteral("\r\n\r\nRestored below %1: 1 of 1.").arg(chosen));
        // A folder that is no full path is asked for again, before anything is written.
        MessageBoxSeam::clearShown();
        w.Drive1->setCurrentText(QStringLiteral("relative/place"));
        w.cmdRestore_Click();
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QVERIFY(shownTexts().first().startsWith(QStringLiteral("Choose the folder to restore to")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("relative")));
    }

    // ~/Documents moved to another disk: restoring in place writes through the user's link.
    void inPlaceRestoreFollowsTheUsersLinkedFolder()
    {
        const QString root = freshFolder(QStringLiteral("in-place"));
        const QString moved = freshFolder(QStringLiteral("data-docs"));
        makeTree(root, {{QStringLiteral("home/user/keep.txt"), "keep"}});
        QVERIFY(QFile::link(moved, root + QStringLiteral("/home/user/Documents")));
        const QString folder = freshFolder(QStringLiteral("in-place-zip"));
        pythonZip(folder + QStringLiteral("/p.zip"),
                  QStringLiteral("z.writestr('home/user/Documents/letter.txt', b'dear')"));
        const auto w = searchIn(folder, QStringLiteral("letter.txt"));
        QCOMPARE(w->grid()->rowCount(), 1);
        selectRows(*w, 0, 0);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(*w, root);
        QCOMPARE(shownHeads().last(), LangText(186));
        QCOMPARE(readTree(moved), (Tree{{QStringLiteral("letter.txt"), "dear"}}));
        QVERIFY(QFileInfo(root + QStringLiteral("/home/user/Documents")).isSymLink());
    }

    // Rows that all fail (a file stands where their folder goes): counted and named in one
    // summary, no box each.
    void failuresAreToldInOneSummary()
    {
        const QString folder = freshFolder(QStringLiteral("big"));
        pythonZip(folder + QStringLiteral("/big.zip"),
                  QStringLiteral("for i in range(15):\n"
                                 "    z.writestr('sub/f%02d.bin' % i, bytes(range(256)) * 40)"));
        const auto w = searchIn(folder, QStringLiteral("*.bin"));
        QCOMPARE(w->grid()->rowCount(), 15);
        const QString target = freshFolder(QStringLiteral("target"));
        writeFile(target + QStringLiteral("/sub"), "in the way");
        selectRows(*w, 0, 14);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        const qsizetype logBefore = readFile(ErrorLogPath()).count("cmdRestore_Click");
        restoreTo(*w, target);
        QCOMPARE(shownHeads(), (QStringList{kQuestion, LangText(185)}));
        const QString summary = shownTexts().last();
        QVERIFY2(summary.contains(QStringLiteral("Restored below %1: 0 of 15.").arg(target))
                     && summary.contains(QStringLiteral("There was a problem restoring 15 (see the "
                                                        "error log): f00.bin, f01.bin"))
                     && summary.contains(QStringLiteral("f09.bin, and 5 more")),
                 qPrintable(summary));
        QCOMPARE(readFile(ErrorLogPath()).count("cmdRestore_Click") - logBefore, 15);
        QCOMPARE(readTree(target), (Tree{{QStringLiteral("sub"), "in the way"}}));
    }

    void aRestoreCanBeCancelled()
    {
        const QString folder = freshFolder(QStringLiteral("long"));
        pythonZip(folder + QStringLiteral("/long.zip"),
                  QStringLiteral("for i in range(40):\n"
                                 "    z.writestr('part%02d.txt' % i, b'x' * 1000)"));
        const auto w = searchIn(folder, QStringLiteral("*"));
        QCOMPARE(w->grid()->rowCount(), 40);
        const QString target = freshFolder(QStringLiteral("target"));
        selectRows(*w, 0, 39);
        bool cancelOpen = false;
        MessageBoxSeam::setPresenter([&](const MsgRequest& box) {
            if (box.buttons == MsgButtons::YesNo) {
                // Served while the first rows are restored.
                QTimer::singleShot(0, w.get(), [&] {
                    QAction* cancel = w->tbTools->findChild<QAction*>(QStringLiteral("cancel"));
                    cancelOpen = cancel->isEnabled();
                    cancel->trigger();
                });
                return MsgResult::Yes;
            }
            return MsgResult::Ok;
        });
        restoreTo(*w, target);
        MessageBoxSeam::setPresenter({});
        QVERIFY(cancelOpen);
        const int restored = int(readTree(target).size());
        QVERIFY2(restored >= 1 && restored < 40, qPrintable(QString::number(restored)));
        QVERIFY2(shownTexts().last().contains(QStringLiteral("Restored below %1: %2 of 40.").arg(target).arg(restored))
                     && shownTexts().last().startsWith(QStringLiteral("The restore was cancelled.")),
                 qPrintable(shownTexts().last()));
        QVERIFY(!w->isBusy());
        QVERIFY(!w->tbTools->findChild<QAction*>(QStringLiteral("cancel"))->isEnabled());
    }

    void mainWindowStepsAsideForTheRestoreWindow()
    {
        frmMain_BackUp main;
        g_frmMain = &main;
        main.show();
        main.txtPathBackUp->setText(m_zipFlat);
        main.txtEncryptPassword->setText(QStringLiteral("from the profile"));
        main.txtNews->setText(QStringLiteral("Backup finished"));
        bool seen = false;
        QTimer::singleShot(0, &main, [&] {
            auto* restore = qobject_cast<frmRestore*>(QApplication::activeModalWidget());
            QVERIFY(restore);
            seen = true;
            QVERIFY(!main.isVisible());
            QCOMPARE(restore->txtPathSearch->text(), m_zipFlat);
            QCOMPARE(restore->txtEncryptPassword->text(), QStringLiteral("from the profile"));
            QCOMPARE(restore->List3->count(), 2);
            QCOMPARE(restore->sbStatusBar->currentMessage(), QStringLiteral("Backup finished"));
            restore->close();
        });
        main.tbTools->findChild<QAction*>(QStringLiteral("Restore"))->trigger();
        QVERIFY(seen);
        QVERIFY(main.isVisible());
        g_frmMain = nullptr;
    }
};

QTEST_MAIN(tst_frmRestore)
#include "tst_frmRestore.moc"
