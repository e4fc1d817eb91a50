#include "Quillaro_CopyPass.h"

#include <QFileInfo>

#include "CdRecorder.h"
#include "Events.h"
#include "FilterList.h"
#include "Globals.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_CdImage.h"
#include "Quillaro_FileSelect.h"
#include "RunHost.h"
#include "SyncFileOps.h"

namespace {

constexpr double kMb = 1048576.0;
// Copied files whose attributes are cleared in one transaction.
constexpr qsizetype kClearBatch = 1000;
// Files copied between two measurements of the free space while there is plenty of it; the
// bytes copied are taken off in between. Near full, it is measured after each file.
constexpr int kMeasureEvery = 64;
constexpr double kPlentyOfRoom = 64 * kMb;

} // namespace

CopyPass::CopyPass(const RunOptions& options, RunHost& host, RunTally& tally)
    : m_options(options)
    , m_host(host)
    , m_tally(tally)
{
}

CopyPass::~CopyPass() { flushClears(); }

void CopyPass::flushClears()
{
    if (m_copiedToClear.isEmpty())
        return;
    m_host.clearArchiveAttributes(m_copiedToClear);
    m_copiedToClear.clear();
}

QString CopyPass::targetOf(const QString& file, const QString& destination, bool withStructure)
{
    const QString folder = sFixDirString(destination);
    return withStructure ? folder + file.mid(file.startsWith(QLatin1Char('/')) ? 1 : 0)
                         : folder + sParseFile(file);
}

// Update_Media measures the destination into g_dMediaFree.
bool CopyPass::waitForRoom(double bytes)
{
    while (g_dMediaFree < bytes) {
        if (!AskForNewMedium(m_host, m_tally))
            return false;
        (void)m_host.updateMedia();
    }
    return true;
}

void CopyPass::Copy_Now(const QString& file, bool archiveBit, const FileAttributes::FileStat* stat)
{
    if (m_options.mode != BackupMode::FileCopy || !m_options.media)
        return;
    const double bytes = double(stat ? stat->size : QFileInfo(file).size());
    // The disc image has a fit test of its own, which knows a file no disc can hold.
    if (m_options.cdRecorder) {
        copyToCd(file, bytes, archiveBit);
        return;
    }
    if (!waitForRoom(bytes))
        return;
    const QString target = targetOf(file, m_options.pathBackUp, m_options.inclSubDirStruct);
    makeFolderOf(target);
    m_host.setStatus(LangText(123));
    if (m_options.selection == SelectionMode::NewOnly && !File_Included(file) && !archiveBit)
        return;
    SyncFileOps::Failure failure;
    if (!SyncFileOps::copyFile(file, target, &failure, SyncFileOps::Placing::InPlaceWhenNew)) {
        m_folderThere.clear();
        notCopied(file, failure);
        return;
    }
    m_tally.writtenThisRun.insert(target);
    // Only after the copy is in place: a clear is never ahead of the copy it stands for.
    if (m_options.resetArchiveBit && archiveBit)
        m_copiedToClear.append(file);
    if (m_copiedToClear.size() >= kClearBatch)
        flushClears();
    count(file, bytes);
}

// The files of one folder follow each other: its folders are looked for once, not per file.
void CopyPass::makeFolderOf(const QString& target)
{
    const QString folder = sParsePath(target);
    if (folder == m_folderThere)
        return;
    CreateDirectoryStruct(folder);
    m_folderThere = folder;
}

// A file that was not copied is not counted and keeps its archive attribute. One that is gone
// since the listing is left out; any other failure fails the run.
void CopyPass::notCopied(const QString& file, const SyncFileOps::Failure& failure)
{
    const QString label = FormularLabel("Copy_Now", "frmMain_BackUp");
    if (!QFileInfo::exists(file)) {
        PrependNews(m_host, shorten_path(file, 71) + QStringLiteral("  File vanished - skipped backup"));
        NoteLeftOut(m_tally, label, ErrNo::FileNotFound, file, QStringLiteral("the file vanished"));
        return;
    }
    ReportError(label, failure.number, failure.description);
    PrependNews(m_host, shorten_path(file, 71) + QStringLiteral("  ") + LangText(326));
    ++m_tally.filesHandled;
    m_tally.worsen(RunOutcome::Failed);
}

// The file goes into the disc image below the folders of its source path, or at the root.
void CopyPass::copyToCd(const QString& file, double bytes, bool archiveBit)
{
    m_host.setStatus(LangText(123));
    if (m_options.selection == SelectionMode::NewOnly && !File_Included(file) && !archiveBit)
        return;
    CdRecorder* cd = m_host.cdRecorder();
    if (!cd)
        return;
    if (!m_cdImage)
        m_cdImage = std::make_unique<CdImageRun>(*cd, m_host, m_tally, m_options.burnProof, CdImageRun::Holds::Copies);
    const QString folder = m_options.inclSubDirStruct ? sParsePath(file) : QString();
    const QStringList bits = m_options.resetArchiveBit && archiveBit ? QStringList {file} : QStringList();
    switch (m_cdImage->put({{folder, file}}, bits)) {
    case CdImageRun::Put::OnDisc:
        count(file, bytes);
        return;
    case CdImageRun::Put::NotOnDisc:
        NoteLeftOut(m_tally, FormularLabel("Copy_Now", "frmMain_BackUp"), ErrNo::DiskFull, file,
                    QStringLiteral("it is on no disc"));
        return;
    case CdImageRun::Put::Failed:
        ++m_tally.filesHandled;
        return;
    }
}

bool CopyPass::burnImage() { return !m_cdImage || m_cdImage->burn(); }

void CopyPass::count(const QString& file, double bytes)
{
    m_tally.copiedBytes += bytes;
    ++m_tally.totalFiles;
    ++m_tally.filesHandled;
    measureRoomAfter(bytes);
    if (m_host.isWatched()) {
        m_host.setCounter(RunHost::Counter::TotalSize, QString::number(m_tally.copiedBytes / kMb, 'f', 2));
        m_host.setCounter(RunHost::Counter::TotalFiles, QString::number(m_tally.totalFiles));
        m_host.setCounter(RunHost::Counter::RemainSpace, QString::number(g_dMediaFree / kMb, 'f', 1));
        PrependNews(m_host, shorten_path(file, 71));
    }
    PumpEvents();
}

void CopyPass::measureRoomAfter(double bytes)
{
    if (m_options.cdRecorder) {
        g_dMediaFree = m_host.cdRecorder()->FreeCdSpace();
        return;
    }
    g_dMediaFree -= bytes;
    if (++m_copiedUnmeasured < kMeasureEvery && g_dMediaFree >= kPlentyOfRoom)
        return;
    g_dMediaFree = Get_DiskFree(m_options.pathBackUp, MediaOptionsOf(m_options));
    m_copiedUnmeasured = 0;
}
