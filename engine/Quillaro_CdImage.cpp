#include "Quillaro_CdImage.h"

#include "CdRecorder.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RunHost.h"
#include "RunState.h"

CdImageRun::CdImageRun(CdRecorder& cd, RunHost& host, RunTally& tally, bool burnProof)
    : m_cd(cd)
    , m_host(host)
    , m_tally(tally)
    , m_burnProof(burnProof)
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
            m_archiveBits += archiveBits;
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
    const QStringList bits = m_archiveBits;
    m_archiveBits.clear();
    if (!m_cd.BurnCD(m_burnProof)) {
        m_tally.worsen(RunOutcome::Failed);
        m_tally.keepWorkingFiles = true; // the archives of the image are on no disc
        return false;
    }
    m_host.clearArchiveAttributes(bits);
    return true;
}
