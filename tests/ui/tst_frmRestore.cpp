#include <sys/stat.h>

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
        QCOMPARE(shownTexts(), (QStringList{QStringLiteral("Overwrite existing files ?"), LangText(186)}));
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
            QCOMPARE(cell(w, r, RestoreGrid::Path), stored.toLower());
            QCOMPARE(cell(w, r, RestoreGrid::FileName), RestoreGrid::fileNameOf(stored).toLower());
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
        QCOMPARE(shownTexts(), (QStringList{QStringLiteral("Overwrite existing files ?"),
                                            kDecryptionError, LangText(185)}));
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
        QCOMPARE(shownTexts(), (QStringList{QStringLiteral("Overwrite existing files ?"),
                                            LangText(321), LangText(185)}));
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
        QCOMPARE(shownTexts().last(), LangText(187));
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
        QTest::addColumn<QString>("link"); // a link planted in the target, to the outside folder
        QTest::newRow("parent") << QStringLiteral("../evil.txt") << QString();
        QTest::newRow("inner parent, backslashes") << QStringLiteral("a\\..\\..\\evil.txt") << QString();
        QTest::newRow("absolute") << QStringLiteral("/evil.txt") << QString();
        QTest::newRow("through a link") << QStringLiteral("docs/evil.txt") << QStringLiteral("docs");
    }

    void hostileNamesWriteNothingOutside()
    {
        QFETCH(QString, name);
        QFETCH(QString, link);
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
        if (!link.isEmpty())
            QVERIFY(QFile::link(outside, target + QLatin1Char('/') + link));
        frmRestore w(context(folder));
        w.txtFileSearch->setText(QStringLiteral("*"));
        w.cmdSearch_Click();
        QCOMPARE(w.grid()->rowCount(), 2);
        selectRows(w, 0, 1);
        MessageBoxSeam::scriptAnswer(MsgResult::Yes);
        restoreTo(w, target);
        QCOMPARE(shownTexts(), (QStringList{QStringLiteral("Overwrite existing files ?"),
                                            QStringLiteral("There was a problem restoring evil.txt"),
                                            LangText(185)}));
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

    void mainWindowStepsAsideForTheRestoreWindow()
    {
        frmMain_BackUp main;
        g_frmMain = &main;
        main.show();
        main.txtPathBackUp->setText(m_zipFlat);
        main.txtEncryptPassword->setText(QStringLiteral("from the profile"));
        bool seen = false;
        QTimer::singleShot(0, &main, [&] {
            auto* restore = qobject_cast<frmRestore*>(QApplication::activeModalWidget());
            QVERIFY(restore);
            seen = true;
            QVERIFY(!main.isVisible());
            QCOMPARE(restore->txtPathSearch->text(), m_zipFlat);
            QCOMPARE(restore->txtEncryptPassword->text(), QStringLiteral("from the profile"));
            QCOMPARE(restore->List3->count(), 2);
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
