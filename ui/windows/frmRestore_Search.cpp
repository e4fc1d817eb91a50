#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCheckBox>
#include <QDir>
#include <QProgressBar>

#include "DecryptedCopy.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RestoreGrid.h"
#include "Wildcard.h"
#include "ZipArchive.h"
#include "frmRestore.h"

namespace {

// Pending window messages are served this often while a search runs: often enough for a cancel
// to take effect at once, seldom enough that serving them costs little beside the search.
constexpr qint64 kPumpMs = 20;

QString searchLabel() { return FormularLabel("cmdSearch_Click", "frmRestore"); }

bool isArchiveName(const QString& name, const char* extension)
{
    return name.endsWith(QLatin1Char('.') + QString::fromLatin1(extension), Qt::CaseInsensitive);
}

void checkFailed(const QString& text, MsgIcon icon)
{
    MsgBox(text, MsgButtons::Ok, icon, QStringLiteral("Error"));
}

} // namespace

struct frmRestore::SearchState
{
    QString folder;
    QString pattern;
    bool caseSensitive = false;
    QString archive; // the archive being searched, as listed
    qint64 searchedFiles = 0;
    qint64 foundFiles = 0;
    qint64 foundArchives = 0;
    bool tempFolderRefused = false;
    QElapsedTimer sincePump;
    DecryptedCopy copy;
};

bool frmRestore::searchChecksPass()
{
    const QString crlf = QStringLiteral("\r\n");
    if (txtPathSearch->text().isEmpty()) {
        checkFailed(QStringLiteral("No ZIP archive directory defined !") + crlf
                        + QStringLiteral("Please retry"),
                    MsgIcon::Information);
        return false;
    }
    if (txtFileSearch->text().isEmpty()) {
        checkFailed(QStringLiteral("No search name defined !") + crlf + QStringLiteral("Please retry"),
                    MsgIcon::Information);
        return false;
    }
    // A malformed pattern would match nothing, which reads as "not in the archives".
    if (!IsWellFormedPattern(txtFileSearch->text())) {
        ReportError(searchLabel(), ErrNo::InvalidCall,
                    QStringLiteral("malformed search pattern: ") + txtFileSearch->text());
        checkFailed(QStringLiteral("The search name is no valid pattern (a \"[\" is not closed) !")
                        + crlf + QStringLiteral("Please retry"),
                    MsgIcon::Information);
        return false;
    }
    const QStringList files = QDir(txtPathSearch->text()).entryList(QDir::Files);
    for (const QString& name : files)
        if (isArchiveName(name, "zip") || isArchiveName(name, "cry"))
            return true;
    checkFailed(QStringLiteral("There are no ZIP archives in the seleted directory !") + crlf
                    + QStringLiteral("Please try again."),
                MsgIcon::Critical);
    return false;
}

void frmRestore::cmdSearch_Click()
{
    if (m_busy)
        return;
    lblSearchedFiles->setText(QStringLiteral("0"));
    lblFoundFiles->setText(QStringLiteral("0"));
    lblFoundArchives->setText(QStringLiteral("0"));
    cancelSearch = false;
    if (!searchChecksPass())
        return;
    SearchState s;
    s.folder = txtPathSearch->text();
    s.caseSensitive = chkCaseSensitive->isChecked();
    s.pattern = s.caseSensitive ? txtFileSearch->text() : txtFileSearch->text().toLower();
    // The list may change while messages are served: the archives are taken now.
    QList<QPair<int, QString>> chosen;
    const bool all = List3->count() > 0 && List3->item(0)->isSelected();
    for (int i = 1; i < List3->count(); ++i)
        if (all || List3->item(i)->isSelected())
            chosen.append({i, List3->item(i)->text()});
    startWork(QStringLiteral("findfile"));
    m_grid->startSearch();
    Zip = std::make_unique<ZipArchive>();
    ProgressBar3->setMaximum(List3->count());
    s.sincePump.start();
    for (const auto& [line, name] : chosen) {
        if (cancelSearch)
            break;
        ProgressBar3->setValue(line + 1);
        s.archive = name;
        searchArchive(s, line);
    }
    s.copy.remove();
    m_grid->flush();
    showSearchCounters(s);
    Zip.reset();
    endWork();
}

bool frmRestore::openForSearch(SearchState& s, const QString& name)
{
    QString path = s.folder + QLatin1Char('/') + name;
    if (isEncryptedArchive(name)) {
        if (!temporaryFolderUsable()) {
            ReportError(searchLabel(), ErrNo::PathNotFound,
                        QStringLiteral("no usable temp folder to decrypt ") + path);
            if (!s.tempFolderRefused)
                checkFailed(LangText(321), MsgIcon::Critical);
            s.tempFolderRefused = true;
            return false;
        }
        playClip(QStringLiteral("extract1"));
        if (!s.copy.make(path, m_context.tempFolder + QStringLiteral("/_BackUp_temp.zip"),
                         txtEncryptPassword->text())) {
            showDecryptionError();
            return false;
        }
        path = s.copy.path();
        playClip(QStringLiteral("findfile"));
    }
    QString error;
    if (Zip->OpenReadOnly(path, &error))
        return true;
    ReportError(searchLabel(), ErrNo::DeviceIO, error);
    return false;
}

void frmRestore::searchArchive(SearchState& s, int line)
{
    if (!openForSearch(s, s.archive))
        return;
    lblSearchedArchives->setText(QString::number(line));
    firstHitInArchive = true;
    searchEntries(s);
    QString error;
    if (!Zip->Close(&error))
        ReportError(searchLabel(), ErrNo::DeviceIO, error);
    pumpWhileSearching(s, true);
}

void frmRestore::searchEntries(SearchState& s)
{
    const ZipFiles& files = Zip->Files();
    const int count = files.Count();
    for (int j = 0; j < count; ++j) {
        const ZipEntry entry = files.Item(j);
        // A folder entry is no file to find; its files are entries of their own.
        if (entry.isFolder())
            continue;
        ++s.searchedFiles;
        const QString fileName = RestoreGrid::fileNameOf(entry.Name());
        if (Like(s.caseSensitive ? fileName : fileName.toLower(), s.pattern)) {
            m_grid->add({entry.Name(), entry.ModificationDate(), entry.UncompressedSize(),
                         s.archive, j});
            ++s.foundFiles;
            if (firstHitInArchive)
                ++s.foundArchives;
            firstHitInArchive = false;
        }
        pumpWhileSearching(s, false);
        if (cancelSearch)
            return;
    }
}

void frmRestore::showSearchCounters(const SearchState& s)
{
    lblSearchedFiles->setText(QString::number(s.searchedFiles));
    lblFoundFiles->setText(QString::number(s.foundFiles));
    lblFoundArchives->setText(QString::number(s.foundArchives));
}

void frmRestore::pumpWhileSearching(SearchState& s, bool force)
{
    if (!force && s.sincePump.elapsed() < kPumpMs)
        return;
    m_grid->flush();
    showSearchCounters(s);
    DoEvents();
    s.sincePump.restart();
}
