#include <map>

#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QProgressBar>
#include <QSet>
#include <QTableView>

#include "DecryptedCopy.h"
#include "ExtractTarget.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RestoreGrid.h"
#include "ZipArchive.h"
#include "frmRestore.h"

namespace {

const QString kRestoreLabel = QStringLiteral("cmdRestore_Click");

} // namespace

struct frmRestore::RestoreState
{
    QString folder; // the archive folder
    QString root;   // the target drive's root
    bool overwrite = false;
    bool failed = false;
    QString openArchive; // the archive open in Zip, as listed
    // Decrypted copies by archive; each is removed when the restore ends, however it ends.
    std::map<QString, std::unique_ptr<DecryptedCopy>> copies;
    // Archives that cannot be opened for want of a password or temp folder: told once.
    QSet<QString> refused;
};

QString frmRestore::targetRoot() const { return Drive1->currentText(); }

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
    r.overwrite = MsgBox(QStringLiteral("Overwrite existing files ?"), MsgButtons::YesNo,
                         MsgIcon::Question, QStringLiteral("Restore"))
        == MsgResult::Yes;
    r.folder = txtPathSearch->text();
    r.root = targetRoot();
    startWork(QStringLiteral("35driveani"));
    button("cancel")->setEnabled(false); // a restore cannot be cancelled
    Zip = std::make_unique<ZipArchive>();
    restoreRows(r, current, other);
    Zip.reset();
    r.copies.clear();
    QApplication::restoreOverrideCursor();
    if (m_movie)
        m_movie->stop();
    Animation2->hide();
    Image1->show();
    const int text = r.failed ? 185 : (r.overwrite ? 186 : 187);
    MsgBox(LangText(text), MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Info"));
    QApplication::setOverrideCursor(Qt::WaitCursor); // endWork gives it back
    endWork();
}

void frmRestore::restoreRows(RestoreState& r, int first, int last)
{
    const int step = last >= first ? 1 : -1;
    ProgressBar3->setMaximum(qAbs(last - first) + 1);
    ProgressBar3->setValue(0);
    for (int row = first;; row += step) {
        ProgressBar3->setValue(ProgressBar3->value() + 1);
        restoreRow(r, row);
        if (row == last)
            break;
    }
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
    if (!r.overwrite && ExtractTarget::existsBelow(r.root, relative))
        return;
    if (!openForRestore(r, row))
        return;
    const ZipEntry entry = Zip->Files().Item(hit.index);
    QString error;
    if (entry.Name() != hit.storedName)
        rowFailed(r, row, QStringLiteral("the archive changed since the search: ") + hit.archive);
    else if (!entry.Extract(r.root, &error))
        rowFailed(r, row, error);
}

bool frmRestore::openForRestore(RestoreState& r, int row)
{
    const QString& archive = m_grid->hit(row).archive;
    if (r.refused.contains(archive)) {
        r.failed = true;
        return false;
    }
    if (r.openArchive == archive && Zip->isOpen())
        return true;
    (void)Zip->Close();
    r.openArchive.clear();
    const QString path = isEncryptedArchive(archive) ? decryptForRestore(r, archive)
                                                     : r.folder + QLatin1Char('/') + archive;
    if (path.isEmpty()) {
        r.refused.insert(archive);
        r.failed = true;
        return false;
    }
    QString error;
    if (!Zip->OpenReadOnly(path, &error)) {
        rowFailed(r, row, error);
        return false;
    }
    r.openArchive = archive;
    return true;
}

// The decrypted copy of an encrypted archive, made once per restore; empty when it cannot be
// made, which is told once for the archive.
QString frmRestore::decryptForRestore(RestoreState& r, const QString& archive)
{
    const QString source = r.folder + QLatin1Char('/') + archive;
    if (!temporaryFolderUsable()) {
        ReportError(kRestoreLabel, ErrNo::PathNotFound,
                    QStringLiteral("no usable temp folder to decrypt ") + source);
        MsgBox(LangText(321), MsgButtons::Ok, MsgIcon::Critical, QStringLiteral("Error"));
        return {};
    }
    auto& copy = r.copies[archive];
    if (copy)
        return copy->path();
    playClip(QStringLiteral("extract1"));
    copy = std::make_unique<DecryptedCopy>();
    const QString path
        = m_context.tempFolder + QStringLiteral("/_BackUp_") + archive + QStringLiteral("temp.zip");
    const bool made = copy->make(source, path, txtEncryptPassword->text());
    playClip(QStringLiteral("35driveani"));
    if (made)
        return copy->path();
    r.copies.erase(archive);
    ReportError(kRestoreLabel, ErrNo::DeviceIO, QStringLiteral("cannot decrypt ") + source);
    showDecryptionError();
    return {};
}

void frmRestore::rowFailed(RestoreState& r, int row, const QString& description)
{
    ReportError(kRestoreLabel, ErrNo::DeviceIO, description);
    r.failed = true;
    MsgBox(QStringLiteral("There was a problem restoring ")
               + RestoreGrid::fileNameOf(m_grid->hit(row).storedName).toLower(),
           MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Info"));
}
