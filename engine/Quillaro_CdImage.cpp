#include "Quillaro_CdImage.h"

#include <algorithm>
#include <utility>

#include "CdRecorder.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RunHost.h"
#include "RunState.h"

CdImageRun::CdImageRun(CdRecorder& cd, RunHost& host, RunTally& tally, bool burnProof, Holds holds)
    : m_cd(cd)
    , m_host(host)
    , m_tally(tally)
    , m_burnProof(burnProof)
    , m_holds(holds)
{
}

void CdImageRun::takeOut(const QList<std::pair<QString, QString>>& files, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        m_cd.RemoveImage2CD(files.at(i).first, files.at(i).second);
}

// On an empty disc the files could only ever fit alone: when they take more room than the
// whole disc offers, or nothing else is in the image, another disc will not help.
bool CdImageRun::largerThanAnEmptyDisc(const QList<std::pair<QString, QString>>& files, double bytes)
{
    if (m_cd.writer().discStatus() != CdWriter::DiscEmpty
        || (m_cd.writer().newFileCount() > 0 && bytes < m_cd.FreeCdSpace()))
        return false;
    ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::DiskFull,
                QStringLiteral("larger than an empty disc, left off the disc: ") + files.first().second);
    return true;
}

CdImageRun::Put CdImageRun::put(const QList<std::pair<QString, QString>>& files, const QStringList& archiveBits)
{
    for (;;) {
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (!m_cd.AddImage2CD(files.at(i).first, files.at(i).second)) {
                takeOut(files, i);
                return Put::NotOnDisc;
            }
        }
        if (m_cd.FreeCdSpace() >= m_cd.imageBytes()) {
            Batch batch;
            for (const auto& file : files)
                batch.sources.append(file.second);
            batch.archiveBits = archiveBits;
            m_batches.append(batch);
            return Put::OnDisc;
        }
        const double withFiles = m_cd.imageBytes();
        takeOut(files, files.size());
        if (largerThanAnEmptyDisc(files, withFiles - m_cd.imageBytes()))
            return Put::NotOnDisc;
        if (!burn())
            return Put::Failed;
        if (MsgBox(LangText(308), MsgButtons::OkCancel, MsgIcon::Exclamation, AppName) != MsgResult::Ok)
            return Put::NotOnDisc;
        if (!m_cd.OpenCopy2CD()) {
            m_tally.worsen(RunOutcome::Failed);
            return Put::Failed;
        }
    }
}

bool CdImageRun::burn()
{
    const QList<Batch> batches = std::exchange(m_batches, {});
    if (!m_cd.BurnCD(m_burnProof)) {
        m_tally.worsen(RunOutcome::Failed);
        m_tally.keepWorkingFiles = true; // the archives of the image are on no disc
        return false;
    }
    const QStringList notWritten = m_cd.takeNotWritten();
    QStringList bits;
    for (const Batch& batch : batches) {
        if (std::none_of(batch.sources.cbegin(), batch.sources.cend(),
                         [&notWritten](const QString& source) { return notWritten.contains(source); }))
            bits += batch.archiveBits;
    }
    m_host.clearArchiveAttributes(bits);
    noteNotWritten(notWritten);
    return notWritten.isEmpty() || m_holds == Holds::Copies;
}

// What the disc holds of these files is not what was read: they count as not backed up.
void CdImageRun::noteNotWritten(const QStringList& files)
{
    for (const QString& file : files)
        NoteLeftOut(m_tally, FormularLabel("BurnCD", "frmMain_BackUp"), ErrNo::PathFileAccess, file,
                    QStringLiteral("it changed or vanished before it was written to the disc"));
    if (!files.isEmpty() && m_holds == Holds::Archives) {
        m_tally.worsen(RunOutcome::Failed);
        m_tally.keepWorkingFiles = true;
    }
}
