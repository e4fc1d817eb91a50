#include <map>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QProgressBar>
#include <QSet>
#include <QTableView>

#include "DecryptedCopy.h"
#include "Events.h"
#include "ExtractTarget.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RestoreGrid.h"
#include "ZipArchive.h"
#include "frmRestore.h"

namespace {

const QString kRestoreLabel = QStringLiteral("cmdRestore_Click");
// The summary names this many failed files; the error log names them all.
constexpr qsizetype kNamedFailures = 10;

QString crlf() { return QStringLiteral("\r\n"); }

QString archivePath(const RestoreHit& hit) { return hit.folder + QLatin1Char('/') + hit.archive; }

} // namespace

struct frmRestore::RestoreState
{
    QString root; // the folder restored to
    bool overwrite = false;
    int rows = 0;
    int restored = 0;
    int kept = 0;           // left alone: there already, and not to be overwritten
    QStringList failures;   // the file names of the rows that failed
    QString openArchive;    // the path of the archive open in Zip
    QElapsedTimer sincePump;
    // Decrypted copies by archive path; each is removed when the restore ends, however it ends.
    std::map<QString, std::unique_ptr<DecryptedCopy>> copies;
    // Archives that cannot be opened for want of a password or temp folder: told once.
    QSet<QString> refused;
};

QString frmRestore::targetRoot() const { return QDir::cleanPath(Drive1->currentText().trimmed()); }

bool frmRestore::askBeforeRestore(RestoreState& r, int rows)
{
    r.root = targetRoot();
    if (!QDir::isAbsolutePath(r.root)) {
        MsgBox(QStringLiteral("Choose the folder to restore to (a full path, such as /home).")
                   + crlf() + QStringLiteral("Please retry"),
               MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Restore"));
        return false;
    }
    r.rows = rows;
    const QString where = QString::number(rows)
        + (rows == 1 ? QStringLiteral(" file goes") : QStringLiteral(" files go"))
        + QStringLiteral(" below ") + r.root
        + QStringLiteral(", each at the path it has in its archive.");
    r.overwrite = MsgBox(where + crlf() + crlf() + QStringLiteral("Overwrite existing files ?"),
                         MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Restore"))
        == MsgResult::Yes;
    return true;
}

void frmRestore::cmdRestore_Click()
{
    if (m_busy || !m_grid->hasHeader() || m_grid->rowCount() == 0)
        return;
    const int current = FG3->currentIndex().isValid() ? FG3->currentIndex().row() : 0;
    int other = current;
    for (const QItemSelectionRange& range : FG3->selectionModel()->selection())
        if (range.top() <= current && current <= range.bottom())
            other = current == range.top() ? range.bottom() : range.top();
    RestoreState r;
    if (!askBeforeRestore(r, qAbs(other - current) + 1))
        return;
    cancelSearch = false;
    startWork(QStringLiteral("35driveani"));
    button("cancel")->setEnabled(true);
    Zip = std::make_unique<ZipArchive>();
    restoreRows(r, current, other);
    Zip.reset();
    r.copies.clear();
    QApplication::restoreOverrideCursor();
    if (m_movie)
        m_movie->stop();
    Animation2->hide();
    Image1->show();
    button("cancel")->setEnabled(false);
    showRestoreSummary(r);
    QApplication::setOverrideCursor(Qt::WaitCursor); // endWork gives it back
    endWork();
}

void frmRestore::restoreRows(RestoreState& r, int first, int last)
{
    const int step = last >= first ? 1 : -1;
    ProgressBar3->setMaximum(r.rows);
    ProgressBar3->setValue(0);
    r.sincePump.start();
    for (int row = first; !cancelSearch; row += step) {
        ProgressBar3->setValue(ProgressBar3->value() + 1);
        restoreRow(r, row);
        if (row == last)
            break;
        pumpWhileRestoring(r);
    }
}

// The first row is followed by a pump at once, so a cancel pressed early never waits long.
void frmRestore::pumpWhileRestoring(RestoreState& r)
{
    if (r.restored + r.kept + r.failures.size() > 1 && r.sincePump.elapsed() < kPumpMs)
        return;
    DoEvents();
    r.sincePump.restart();
}

void frmRestore::restoreRow(RestoreState& r, int row)
{
    const RestoreHit& hit = m_grid->hit(row);
    // The stored name as it is: the file system tells Report.doc from report.doc.
    const QString relative = ExtractTarget::relativePath(hit.storedName);
    if (relative.isEmpty()) {
        rowFailed(r, row,
                  QStringLiteral("entry name refused, it leaves the target folder: ")
                      + hit.storedName);
        return;
    }
    if (!r.overwrite && ExtractTarget::existsBelow(r.root, relative)) {
        ++r.kept;
        return;
    }
    if (!openForRestore(r, row))
        return;
    const ZipEntry entry = Zip->Files().Item(hit.index);
    QString error;
    if (entry.Name() != hit.storedName)
        rowFailed(r, row, QStringLiteral("the archive changed since the search: ") + archivePath(hit));
    else if (!entry.Extract(r.root, &error))
        rowFailed(r, row, error);
    else
        ++r.restored;
}

bool frmRestore::openForRestore(RestoreState& r, int row)
{
    const RestoreHit& hit = m_grid->hit(row);
    const QString source = archivePath(hit);
    if (r.refused.contains(source)) {
        r.failures.append(RestoreGrid::fileNameOf(hit.storedName));
        return false;
    }
    if (r.openArchive == source && Zip->isOpen())
        return true;
    (void)Zip->Close();
    r.openArchive.clear();
    const QString path = isEncryptedArchive(hit.archive) ? decryptForRestore(r, source) : source;
    if (path.isEmpty()) {
        r.refused.insert(source);
        r.failures.append(RestoreGrid::fileNameOf(hit.storedName));
        return false;
    }
    QString error;
    if (!Zip->OpenReadOnly(path, &error)) {
        rowFailed(r, row, error);
        return false;
    }
    r.openArchive = source;
    return true;
}

// The decrypted copy of an encrypted archive, made once per restore; empty when it cannot be
// made, which is told once for the archive.
QString frmRestore::decryptForRestore(RestoreState& r, const QString& source)
{
    if (!temporaryFolderUsable()) {
        ReportError(kRestoreLabel, ErrNo::PathNotFound,
                    QStringLiteral("no usable temp folder to decrypt ") + source);
        MsgBox(LangText(321), MsgButtons::Ok, MsgIcon::Critical, QStringLiteral("Error"));
        return {};
    }
    auto& copy = r.copies[source];
    if (copy)
        return copy->path();
    playClip(QStringLiteral("extract1"));
    copy = std::make_unique<DecryptedCopy>();
    const QString path = m_context.tempFolder + QStringLiteral("/_BackUp_")
        + QFileInfo(source).fileName() + QStringLiteral("temp.zip");
    const bool made = copy->make(source, path, txtEncryptPassword->text());
    playClip(QStringLiteral("35driveani"));
    if (made)
        return copy->path();
    r.copies.erase(source);
    ReportError(kRestoreLabel, ErrNo::DeviceIO, QStringLiteral("cannot decrypt ") + source);
    showDecryptionError();
    return {};
}

// Told in the error log now and in the summary at the end, not in a box of its own.
void frmRestore::rowFailed(RestoreState& r, int row, const QString& description)
{
    ReportError(kRestoreLabel, ErrNo::DeviceIO, description);
    r.failures.append(RestoreGrid::fileNameOf(m_grid->hit(row).storedName));
}

void frmRestore::showRestoreSummary(const RestoreState& r)
{
    const bool failed = !r.failures.isEmpty();
    // A cancelled restore did not do what it was asked: it says so first.
    const QString outcome = cancelSearch ? QStringLiteral("The restore was cancelled.")
                                         : LangText(failed ? 185 : (r.overwrite ? 186 : 187));
    QString text = outcome + crlf() + crlf()
        + QStringLiteral("Restored below %1: %2 of %3.").arg(r.root).arg(r.restored).arg(r.rows);
    if (r.kept > 0)
        text += crlf() + QStringLiteral("Kept as they were (already there): %1.").arg(r.kept);
    if (failed) {
        QStringList named = r.failures.mid(0, kNamedFailures);
        if (r.failures.size() > kNamedFailures)
            named.append(QStringLiteral("and %1 more").arg(r.failures.size() - kNamedFailures));
        text += crlf() + QStringLiteral("There was a problem restoring %1 (see the error log): ")
                             .arg(r.failures.size())
            + named.join(QStringLiteral(", "));
    }
    MsgBox(text, MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Info"));
}
