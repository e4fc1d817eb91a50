#include <optional>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCheckBox>
#include <QDir>
#include <QProgressBar>
#include <QSet>

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

QString searchLabel() { return FormularLabel("cmdSearch_Click", "frmRestore"); }

bool isArchiveName(const QString& name, const char* extension)
{
    return name.endsWith(QLatin1Char('.') + QString::fromLatin1(extension), Qt::CaseInsensitive);
}

void checkFailed(const QString& text, MsgIcon icon)
{
    MsgBox(text, MsgButtons::Ok, icon, QStringLiteral("Error"));
}

QString normalised(const QString& name) { return QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')); }

// The folders that hold an entry: a stored folder outside this set is empty and is found like
// a file, since restoring its files would not bring it back.
QSet<QString> filledFolders(const ZipFiles& files)
{
    QSet<QString> filled;
    for (int j = 0; j < files.Count(); ++j) {
        const QString name = normalised(files.Item(j).Name());
        for (qsizetype cut = name.indexOf(QLatin1Char('/')); cut >= 0 && cut + 1 < name.size();
             cut = name.indexOf(QLatin1Char('/'), cut + 1))
            filled.insert(name.left(cut + 1));
    }
    return filled;
}

QString plural(qint64 count, const char* one, const char* many)
{
    return QString::number(count) + QLatin1Char(' ')
        + QString::fromLatin1(count == 1 ? one : many);
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
    qint64 searchedArchives = 0;
    QStringList unreadable; // archives that could not be read at all, with the reason
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
    lblSearchNote->hide();
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
    showSearchNote(s);
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
    // Told by the archive's listed name: the file opened may be its decrypted copy.
    s.unreadable.append(QString(error).replace(path, name));
    return false;
}

void frmRestore::searchArchive(SearchState& s, int line)
{
    if (!openForSearch(s, s.archive))
        return;
    lblSearchedArchives->setText(QString::number(line));
    ++s.searchedArchives;
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
    std::optional<QSet<QString>> filled;
    for (int j = 0; j < count; ++j) {
        const ZipEntry entry = files.Item(j);
        if (entry.isFolder()) {
            if (!filled)
                filled = filledFolders(files);
            if (filled->contains(normalised(entry.Name())))
                continue; // its files are entries of their own
        }
        ++s.searchedFiles;
        const QString fileName = RestoreGrid::fileNameOf(entry.Name());
        if (Like(s.caseSensitive ? fileName : fileName.toLower(), s.pattern)) {
            m_grid->add({entry.Name(), entry.ModificationDate(), entry.UncompressedSize(),
                         s.archive, j, s.folder});
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

// Said on the window, not in a box: a search that found nothing, one cancelled, and archives
// that could not be read, so that "not there" and "not readable" look different.
void frmRestore::showSearchNote(const SearchState& s)
{
    QStringList lines;
    if (cancelSearch)
        lines.append(QStringLiteral("The search was cancelled."));
    else if (s.foundFiles == 0)
        lines.append(QStringLiteral("No file name matches \"") + txtFileSearch->text()
                     + QStringLiteral("\" in ") + plural(s.searchedArchives, "archive", "archives")
                     + QLatin1Char('.'));
    if (!s.unreadable.isEmpty())
        lines.append(plural(s.unreadable.size(), "archive", "archives")
                     + QStringLiteral(" could not be read at all: ")
                     + s.unreadable.join(QStringLiteral("; ")));
    lblSearchNote->setText(lines.join(QLatin1Char('\n')));
    lblSearchNote->setVisible(!lines.isEmpty());
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
