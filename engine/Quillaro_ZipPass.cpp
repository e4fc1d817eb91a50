#include "Quillaro_ZipPass.h"

#include <limits>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "CdRecorder.h"
#include "Clock.h"
#include "DriveInfo.h"
#include "Events.h"
#include "Globals.h"
#include "MailClient.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_FileSplit.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_CdImage.h"
#include "Quillaro_FileSelect.h"
#include "RunHost.h"
#include "SyncFileOps.h"
#include "ZipArchive.h"
#include "ZipCheck.h"
#include "clsBlowfish.h"
#include "FilterList.h"

namespace {

constexpr double kMb = 1048576.0;
// Archive attributes are cleared this many at a time, so that the names of a large part are
// never all held as text at once.
constexpr qsizetype kClearedAtOnce = 2048;

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

QString padded(const QString& text, int width) { return text.leftJustified(width, QLatin1Char(' ')); }

QString sizesText(qint64 uncompressed, qint64 compressed)
{
    const double ratio = uncompressed == 0 ? 0.0 : (1.0 - double(compressed) / double(uncompressed)) * 100.0;
    const int whole = static_cast<int>(std::nearbyint(ratio));
    return padded(QString::number(uncompressed), 11) + QStringLiteral("--> ")
           + padded(QString::number(compressed), 11)
           + QStringLiteral("%1 %").arg(whole, 2, 10, QLatin1Char('0'));
}

QString mb(double bytes, int decimals) { return QString::number(bytes / kMb, 'f', decimals); }

// The mount point and serial number of the drive holding the folder; empty when none is ready.
QString driveOf(const QString& folder)
{
    const DriveInfo drive = QueryDrive(folder);
    return drive.ready ? drive.path + QLatin1Char(':') + QString::number(drive.serialNumber) : QString();
}

// What an entry takes in the archive file besides its data: the local header and the central
// directory record, each with the stored name and a time-stamp field, and room for a ZIP64 field.
double entryOverhead(const QString& storedName)
{
    constexpr int kLocalHeader = 30;
    constexpr int kCentralRecord = 46;
    constexpr int kExtraFields = 9 + 20;
    return 2.0 * (double(storedName.toUtf8().size()) + kExtraFields) + kLocalHeader + kCentralRecord;
}

QString fileColumn(const QString& file) { return padded(shorten_path(file, 65), 66); }

// The news line of a file that was not added, and whether the run left it out.
struct NotAdded
{
    const char* line;
    int number;
    bool leftOut;
};

NotAdded notAdded(ZipAddProblem problem)
{
    switch (problem) {
    case ZipAddProblem::Locked:
        return {"File locked - skipped backup", ErrNo::PermissionDenied, true};
    case ZipAddProblem::Vanished:
        return {"File vanished - skipped backup", ErrNo::FileNotFound, true};
    case ZipAddProblem::Unreadable:
        return {"File unreadable - skipped backup", ErrNo::PermissionDenied, true};
    case ZipAddProblem::AlreadyInArchive:
        return {"Already in the archive - not overwritten", 0, false};
    case ZipAddProblem::TempWrite:
        return {"Temp folder write failed - skipped backup", ErrNo::DiskFull, true};
    case ZipAddProblem::None:
    case ZipAddProblem::NoRoom: // the file goes to the next part
    case ZipAddProblem::Other:
        break;
    }
    return {"File could not be added - skipped backup", ErrNo::PathFileAccess, true};
}

} // namespace

ZipPass::ZipPass(const RunOptions& options, RunHost& host, RunTally& tally)
    : m_options(options)
    , m_host(host)
    , m_tally(tally)
    , m_oZip(std::make_unique<ZipArchive>())
{
    m_oZip->setSpoolFolder(tempFolder());
}

ZipPass::~ZipPass() { closeAll(); }

QString ZipPass::destFolder() const { return m_options.pathBackUp; }
QString ZipPass::tempFolder() const { return m_options.pathTemp; }

void ZipPass::closeAll()
{
    closeLog();
    (void)m_oZip->Close();
}

// ---- opening -------------------------------------------------------------------------

void ZipPass::formNames(int part)
{
    const QString name = ArchiveFileName(m_options.profile, m_options.period, Clock::today(), part, false);
    g_sZipName = name + (encrypting() ? QStringLiteral(".cry") : QString());
    g_sZipDest = sFixDirString(destFolder()) + name;
    g_sZipTemp = sFixDirString(tempFolder()) + name;
    g_sLogFile = g_sZipTemp + (encrypting() ? QStringLiteral(".cry.log") : QStringLiteral(".log"));
}

int ZipPass::highestPartAtDestination()
{
    m_host.playAnimation(QStringLiteral("newfiletree.avi"));
    m_host.repaint();
    const QString stem = ArchiveStem(m_options.profile, m_options.period, Clock::today());
    QStringList names;
    if (m_options.cdRecorder && m_host.cdRecorder()) {
        // The disc's earlier sessions are in the image: their parts are counted too.
        names = m_host.cdRecorder()->rootFiles();
    } else {
        CreateDirectoryStruct(destFolder());
        m_destinationDrive = driveOf(destFolder());
        // The profile name is taken literally: its "*", "?" or "[" never match another's archives.
        names = QDir(destFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    m_host.playAnimation({});
    return HighestArchivePart(names, stem, encrypting());
}

// Brings the last part back from the destination; false when it must start a new part.
bool ZipPass::fetchForAppending()
{
    m_host.playAnimation(QStringLiteral("copy_from_sourcesafe.avi"));
    const QString dest = g_sZipDest + (encrypting() ? QStringLiteral(".cry") : QString());
    m_host.setCounter(RunHost::Counter::ZipArchive, dest);
    bool ok = true;
    // A link planted in the archive's or the log's place is never followed into the backup.
    if (QFileInfo(dest).isSymLink()) {
        ReportError(label("Open_Zip"), ErrNo::PathFileAccess,
                    QStringLiteral("not appended to: the archive is a symbolic link: ") + dest);
        ok = false;
    } else if (QFileInfo(dest).isFile()) {
        m_appendSource = dest;
        const QString copy = encrypting() ? g_sZipTemp + QStringLiteral(".cry") : g_sZipTemp;
        QFile::remove(copy);
        ok = QFile::copy(dest, copy);
        if (!ok)
            notAppended(QStringLiteral("it could not be copied to the temp folder"));
        if (ok && encrypting()) {
            clsBlowfish Cypher;
            QObject::connect(&Cypher, &clsBlowfish::Progress, [this](int& p) { m_host.setProgress(3, qMin(p, 100)); });
            ok = Cypher.DecryptFile(copy, g_sZipTemp, true, ArchiveKey(m_options.password));
            QFile::remove(copy);
            if (!ok)
                notAppended(QStringLiteral("the profile's password does not decrypt it"));
        }
        if (ok)
            m_appendedTo = dest;
        if (!ok) {
            QFile::remove(g_sZipTemp);
            MsgBox(LangText(302), MsgButtons::Ok, MsgIcon::Critical, LangText(16));
        }
    }
    if (ok && m_options.writeLog) {
        const QString log = g_sZipDest + (encrypting() ? QStringLiteral(".cry.log") : QStringLiteral(".log"));
        const QFileInfo info(log);
        if (info.isSymLink())
            ReportError(label("Open_Zip"), ErrNo::PathFileAccess,
                        QStringLiteral("not fetched: the log is a symbolic link: ") + log);
        else if (info.isFile() && !QFile::copy(log, g_sLogFile))
            ReportError(label("Open_Zip"), ErrNo::PathFileAccess, QStringLiteral("cannot fetch the log ") + log);
    }
    m_host.playAnimation({});
    return ok;
}

// The earlier part stays as it is; the log says that, and why, this run did not extend it.
void ZipPass::notAppended(const QString& why)
{
    const QString archive = m_appendSource.isEmpty() ? g_sZipTemp : m_appendSource;
    ReportError(label("Open_Zip"), ErrNo::PathFileAccess,
                QStringLiteral("the earlier archive of this period is not appended to: ") + why
                    + QStringLiteral("; it is left as it is and a new part is started: ") + archive);
    m_appendedTo.clear();
    m_appendSource.clear();
}

// False, reported, when the part number cannot grow: it never wraps round onto part 1.
bool ZipPass::partAfter(int part)
{
    if (part < std::numeric_limits<int>::max()) {
        formNames(part + 1);
        return true;
    }
    ReportError(label("Open_Zip"), ErrNo::Overflow,
                QStringLiteral("the part number cannot grow beyond ") + sParseFile(g_sZipDest));
    m_tally.worsen(RunOutcome::Failed);
    return false;
}

bool ZipPass::newPartNames()
{
    m_host.setStatus(LangText(106));
    m_host.repaint();
    // The part number stands after the last "__", so a profile name holding "__" counts right.
    if (!partAfter(ArchivePartNumber(sParseFile(g_sZipTemp))))
        return false;
    m_host.setCounter(RunHost::Counter::ZipArchive, g_sZipTemp);
    return true;
}

bool ZipPass::openWorkingArchive()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_host.setStatus(LangText(105));
        m_host.repaint();
        closeAll();
        QString error;
        bool ok = false;
        if (QFileInfo::exists(g_sZipTemp)) {
            ok = m_oZip->Open(g_sZipTemp, &error);
            if (!ok) {
                MsgBox(LangText(107) + QLatin1Char('\n') + LangText(108), MsgButtons::Ok, MsgIcon::Critical, LangText(109));
                ReportError(label("Open_Zip ziparchive_problem"), ErrNo::PathFileAccess, error);
                notAppended(QStringLiteral("it is damaged"));
                WriteErrorLog(destFolder(), tempFolder(), g_sZipTemp, g_sZipDest);
                if (!newPartNames())
                    return false;
                continue;
            }
        } else {
            m_host.setStatus(LangText(106));
            ok = m_oZip->Create(g_sZipTemp,
                                QStringLiteral("Archiv created with q.e.v Quillaro ") + QString::number(kVersionMajor)
                                    + QLatin1Char('.') + QString::number(kVersionMinor),
                                &error);
            if (!ok) {
                ReportError(label("Open_Zip"), ErrNo::PathFileAccess, error);
                WriteErrorLog(g_sZipTemp);
                return false;
            }
        }
        m_dZipSize = double(QFileInfo(g_sZipTemp).size());
        m_host.setCounter(RunHost::Counter::ZipArchive, g_sZipDest + (encrypting() ? QStringLiteral(".cry") : QString()));
        openLog();
        DoEvents();
        return true;
    }
    return false;
}

void ZipPass::openLog()
{
    m_logMade = false;
    if (!m_options.writeLog)
        return;
    m_log.setFileName(g_sLogFile);
    m_logMade = m_log.open(QIODevice::WriteOnly | QIODevice::Append);
    if (!m_logMade)
        ReportError(label("Open_Zip"), ErrNo::PathFileAccess, QStringLiteral("cannot open the archive log ") + g_sLogFile);
}

void ZipPass::closeLog()
{
    if (m_log.isOpen()) {
        m_log.flush();
        m_log.close();
    }
}

bool ZipPass::Open_Zip(bool bNextPart)
{
    m_host.repaint();
    DoEvents();
    if (bNextPart) {
        Zip_Copy(true, false);
        return newPartNames() && openWorkingArchive();
    }
    formNames(0);
    CreateDirectoryStruct(tempFolder());
    m_host.setStatus(LangText(299));
    int highest = 0;
    if (!highestPartFound(&highest))
        return false;
    if (highest > 0) {
        m_host.setStatus(LangText(102));
        formNames(highest);
    }
    // An archive on a disc cannot be taken back and extended.
    if (!m_options.appendArchive || m_options.cdRecorder) {
        if (!partAfter(highest))
            return false;
        m_host.setCounter(RunHost::Counter::ZipArchive, g_sZipTemp);
    } else if (!(m_options.media ? fetchForAppending() : !m_options.ftp || fetchFromServer()) && !newPartNames()) {
        return false;
    }
    return openWorkingArchive();
}

// ---- adding ---------------------------------------------------------------------------

bool ZipPass::willAdd(const QString& file, bool archiveBit) const
{
    return m_options.selection != SelectionMode::NewOnly || File_Included(file) || archiveBit;
}

void ZipPass::expect(const QStringList& files, bool more)
{
    m_oZip->Files().expect(files, m_options.level, more);
}

bool ZipPass::Zip_Now(const QString& file, bool archiveBit, const FileAttributes::FileStat* stat)
{
    if (!willAdd(file, archiveBit))
        return true;
    const bool added = WriteToZip(file, stat);
    if (added && m_options.resetArchiveBit && archiveBit)
        m_pendingArchiveBits.append(file);
    return added;
}

bool ZipPass::checkFileLimit()
{
    PumpEvents();
    if (!m_options.limitFiles)
        return true;
    // A limit below one would never let a part hold a file.
    const int limit = qMax(1, LeadingWholeNumber(m_options.maxFiles));
    while (m_oZip->Files().Count() >= limit) {
        if (!Open_Zip(true)) {
            m_host.setStatus(LangText(144));
            return false;
        }
    }
    return true;
}

ZipPass::Room ZipPass::makeRoom(const QString& file, const FileAttributes::FileStat* stat)
{
    const double fileSize = double(stat ? stat->size : QFileInfo(file).size());
    for (;;) {
        // A part's size is what its file takes, headers and names too: the maximum fits a medium.
        const double takes = double(ZipFiles::mostTaken(qint64(fileSize), m_options.level))
                             + entryOverhead(QFileInfo(file).absoluteFilePath().mid(1));
        if (m_options.limitZipSize) {
            if (takes > m_dMaxZipSize)
                return Room::TooLarge;
            if (m_dZipSize + takes >= m_dMaxZipSize) {
                // A part that holds nothing yet cannot grow room by rolling over.
                if (m_oZip->Files().Count() == 0)
                    return Room::TooLarge;
                if (!Open_Zip(true)) {
                    m_host.setStatus(LangText(145));
                    return Room::GiveUp;
                }
                continue;
            }
        }
        if (!m_options.media || g_dMediaFree >= fileSize)
            return Room::Fits;
        closeAll();
        if (!AskForNewMedium(m_host, m_tally))
            return Room::GiveUp;
        (void)Open_Zip(true);
        m_host.playAnimation(QStringLiteral("compress.avi"));
        m_host.repaint();
    }
}

bool ZipPass::WriteToZip(const QString& file, const FileAttributes::FileStat* stat)
{
    for (;;) {
        if (!checkFileLimit())
            return false;
        switch (makeRoom(file, stat)) {
        case Room::GiveUp:
            return false;
        case Room::TooLarge:
            tooLarge(file);
            return false;
        case Room::Fits:
            break;
        }
        const Added added = addFile(file);
        if (added != Added::NoRoom)
            return added == Added::Yes;
        // The file grew after it was measured: measured again, it goes to the next part, or,
        // when even an empty part cannot hold it, counts as too large.
        stat = nullptr;
        if (m_oZip->Files().Count() == 0) {
            tooLarge(file);
            return false;
        }
        if (!Open_Zip(true)) {
            m_host.setStatus(LangText(145));
            return false;
        }
    }
}

// What the data of the file may still take in the current part; no limit without one.
qint64 ZipPass::roomFor(const QString& file) const
{
    if (!m_options.limitZipSize)
        return -1;
    const double room = m_dMaxZipSize - m_dZipSize - entryOverhead(QFileInfo(file).absoluteFilePath().mid(1));
    return qMax<qint64>(0, qint64(room));
}

ZipPass::Added ZipPass::addFile(const QString& file)
{
    m_host.setStatus(LangText(146));
    m_host.repaint();
    QString error;
    if (!m_oZip->Files().AddFileByName(file, m_options.level, true, m_options.overwriteFile, &error,
                                       roomFor(file))) {
        if (m_oZip->Files().lastAddProblem() == ZipAddProblem::NoRoom)
            return Added::NoRoom;
        const NotAdded why = notAdded(m_oZip->Files().lastAddProblem());
        report(fileColumn(file) + QString::fromLatin1(why.line));
        if (why.leftOut)
            NoteLeftOut(m_tally, label("WriteToZip"), why.number, file, error);
        return Added::No;
    }
    const ZipEntry entry = m_oZip->Files().Item(m_oZip->Files().Count() - 1);
    ++m_tally.totalFiles;
    m_tally.compressedBytes += double(entry.CompressedSize());
    m_tally.copiedBytes += double(entry.UncompressedSize());
    m_dZipSize += double(entry.CompressedSize()) + entryOverhead(entry.Name());
    if (m_host.isWatched()) {
        m_host.setCounter(RunHost::Counter::TotalFiles, QString::number(m_tally.totalFiles));
        m_host.setCounter(RunHost::Counter::AnzFiles, QString::number(m_oZip->Files().Count()));
        m_host.setCounter(RunHost::Counter::TotalSize, mb(m_tally.copiedBytes, 2));
        m_host.setCounter(RunHost::Counter::CompSize, mb(m_tally.compressedBytes, 2));
        m_host.setCounter(RunHost::Counter::ZipSize, mb(m_dZipSize, 3));
    }
    report(fileColumn(file) + sizesText(entry.UncompressedSize(), entry.CompressedSize()));
    if (m_oZip->Files().lastAddGrew())
        report(fileColumn(file) + QStringLiteral("grew while read - stored at %1 bytes").arg(entry.UncompressedSize()));
    return Added::Yes;
}

void ZipPass::tooLarge(const QString& file)
{
    if (!m_options.split) {
        report(fileColumn(file) + QStringLiteral("to large - file was skipped"));
        NoteLeftOut(m_tally, label("WriteToZip"), ErrNo::Overflow, file, QStringLiteral("larger than the maximum archive size"));
        return;
    }
    splitAndAdd(file);
}

void ZipPass::splitAndAdd(const QString& file)
{
    m_host.playAnimation(QStringLiteral("splitdisk.avi"));
    m_host.setStatus(LangText(298));
    m_host.repaint();
    const QString root = sFixDirString(tempFolder()) + QStringLiteral("splitfile");
    QStringList pieces;
    const qint64 pieceSize = qBound<qint64>(1, qint64(m_dMaxZipSize) - 10000, qint64(0x7fffffff));
    const bool split = SplitFiles(file, SplitFolder(root, file), static_cast<qint32>(pieceSize), &pieces);
    if (!split)
        NoteLeftOut(m_tally, label("WriteToZip"), ErrNo::PathFileAccess, file, QStringLiteral("too large, and it could not be split"));
    const QString news = fileColumn(file)
                         + (split ? QStringLiteral("to large - file was splitted")
                                  : QStringLiteral("to large - file was skipped"));
    PrependNews(m_host, news);
    if (!split && m_options.writeLog && m_log.isOpen())
        m_log.write((QLatin1Char('"') + news + QStringLiteral("\"\n")).toUtf8());
    for (int i = 0; i < pieces.size(); ++i) {
        m_host.setProgress(2, (i + 1) * 100 / int(pieces.size()));
        if (!WriteToZip(pieces.at(i)) && !QFileInfo::exists(pieces.at(i))) {
            // Without the piece the file cannot be joined again from the archive.
            ReportError(label("WriteToZip"), ErrNo::FileNotFound,
                        QStringLiteral("a piece of the split file vanished before it was archived: ") + pieces.at(i));
            m_tally.worsen(RunOutcome::Failed);
        }
    }
    (void)DelDir(root);
    m_host.playAnimation(QStringLiteral("compress.avi"));
    m_host.repaint();
}

void ZipPass::report(const QString& line)
{
    ++m_tally.filesHandled;
    PrependNews(m_host, line);
    if (m_options.writeLog && m_log.isOpen() && !line.trimmed().isEmpty())
        m_log.write((QLatin1Char('"') + line + QStringLiteral("\"\n")).toUtf8());
    PumpEvents();
}

// ---- finishing and delivery -----------------------------------------------------------

bool ZipPass::reopenCheck()
{
    QString error;
    // The written part is read back as a reader would open it, without keeping its entries.
    const bool ok = m_oZip->Close(&error) && ZipCheck::wholeArchive(g_sZipTemp, &error);
    if (!ok) {
        m_host.playAnimation({});
        ReportError(label("Zip_Copy error_zip"), ErrNo::PathFileAccess, error);
        MsgBox(LangText(107) + QLatin1Char('\n') + LangText(142) + QLatin1Char('\n') + LangText(143)
                   + QLatin1Char('\n') + LangText(276),
               MsgButtons::Ok, MsgIcon::Critical, LangText(109));
    }
    return ok;
}

// Waits until the destination has room for the bytes; false when the program is to end.
bool ZipPass::waitForRoom(double bytes)
{
    // Update_Media measures the destination into g_dMediaFree.
    while (!m_host.updateMedia() || g_dMediaFree < bytes) {
        if (!AskForNewMedium(m_host, m_tally))
            return false;
    }
    m_host.playAnimation({});
    return true;
}

bool ZipPass::encryptPart()
{
    m_host.setStatus(LangText(288));
    m_host.playAnimation(QStringLiteral("encryp.avi"));
    m_host.setProgress(3, 0);
    m_host.repaint();
    bool ok = false;
    {
        clsBlowfish Cypher;
        QObject::connect(&Cypher, &clsBlowfish::Progress, [this](int& p) { m_host.setProgress(3, qMin(p, 100)); });
        ok = Cypher.EncryptFile(g_sZipTemp, g_sZipTemp + QStringLiteral(".cry"), true, ArchiveKey(m_options.password));
    }
    m_host.setProgress(3, -1);
    m_host.playAnimation({});
    if (!ok) {
        // Never deliver the archive unencrypted, and keep it for the user.
        ReportError(label("Zip_Copy"), ErrNo::PathFileAccess,
                    QStringLiteral("the archive could not be encrypted and was not delivered: ") + g_sZipTemp);
        m_tally.worsen(RunOutcome::Failed);
        m_tally.keepWorkingFiles = true;
        return false;
    }
    g_sZipTemp += QStringLiteral(".cry");
    g_sZipDest += QStringLiteral(".cry");
    return true;
}

// Copies beside the target and renames, so that a failed copy never spoils what was there.
bool ZipPass::copyChecked(const QString& from, const QString& to)
{
    SyncFileOps::Failure failure;
    if (SyncFileOps::copyFile(from, to, &failure))
        return true;
    ReportError(label("Zip_Copy"), failure.number, failure.description);
    return false;
}

// Puts the part at the destination. An archive this run did not start from is never
// replaced: when its name was taken meanwhile, the part takes the next free number.
bool ZipPass::copyPartToDestination()
{
    if (driveOf(destFolder()) != m_destinationDrive) {
        ReportError(label("Zip_Copy"), ErrNo::DeviceIO,
                    QStringLiteral("the destination is no longer on the drive the run started on: ") + destFolder());
        return false;
    }
    for (;;) {
        const bool ours = g_sZipDest == m_appendedTo || m_tally.writtenThisRun.contains(g_sZipDest);
        SyncFileOps::Failure failure;
        if (SyncFileOps::copyFile(g_sZipTemp, g_sZipDest, &failure,
                                  ours ? SyncFileOps::Placing::Replace : SyncFileOps::Placing::NoReplace))
            return true;
        if (!failure.nameTaken) {
            ReportError(label("Zip_Copy"), failure.number, failure.description);
            return false;
        }
        const int part = ArchivePartNumber(sParseFile(g_sZipDest));
        if (part == std::numeric_limits<int>::max()) {
            ReportError(label("Zip_Copy"), ErrNo::Overflow,
                        QStringLiteral("the part number cannot grow beyond ") + g_sZipDest);
            m_partsExhausted = true;
            return false;
        }
        const QString taken = g_sZipDest;
        g_sZipDest = sFixDirString(destFolder())
                     + ArchiveFileName(m_options.profile, m_options.period, Clock::today(), part + 1, encrypting());
        PrependNews(m_host, sParseFile(taken) + QStringLiteral(" was taken meanwhile - the part goes to ")
                                + sParseFile(g_sZipDest));
    }
}

bool ZipPass::deliverToFolder()
{
    for (;;) {
        m_host.playAnimation(QStringLiteral("copy_to_SourceSafe.avi"));
        m_host.setStatus(LangText(134));
        m_host.repaint();
        bool copied = copyPartToDestination();
        if (m_partsExhausted)
            return false;
        if (copied) {
            m_host.playAnimation(QStringLiteral("compare.avi"));
            m_host.setStatus(LangText(136));
            m_host.repaint();
            QString a = g_sZipTemp;
            QString b = g_sZipDest;
            // A mismatch gets one more copy before it is reported.
            if (!compare_files(a, b) && !(copyChecked(g_sZipTemp, g_sZipDest) && compare_files(a, b))) {
                m_host.playAnimation({});
                ReportError(label("Zip_Copy"), ErrNo::DeviceIO,
                            QStringLiteral("the copy at the destination differs from the archive: ") + g_sZipDest);
                MsgBox(LangText(137) + QLatin1Char('\n') + LangText(138) + QLatin1Char('\n') + LangText(139),
                       MsgButtons::Ok, MsgIcon::Critical, LangText(16));
                m_tally.worsen(RunOutcome::Failed);
                return false;
            }
            m_tally.writtenThisRun.insert(g_sZipDest);
            if (m_options.writeLog) {
                m_host.setStatus(LangText(289));
                closeLog();
                if (QFileInfo::exists(g_sLogFile)) {
                    const QString log = g_sZipDest + QStringLiteral(".log");
                    copied = copyChecked(g_sLogFile, log);
                    if (copied)
                        m_tally.writtenThisRun.insert(log);
                }
            }
        }
        if (copied)
            return true;
        m_host.playAnimation({});
        if (!AskForNewMedium(m_host, m_tally) || !waitForRoom(double(QFileInfo(g_sZipTemp).size())))
            return false;
    }
}

// Puts the part and its log into the disc image; burns it when asked.
bool ZipPass::deliverToCd(const QStringList& archiveBits, bool bBurnNow)
{
    CdRecorder* cd = m_host.cdRecorder();
    if (!cd || (encrypting() && !encryptPart()))
        return false;
    if (!m_cdImage)
        m_cdImage = std::make_unique<CdImageRun>(*cd, m_host, m_tally, m_options.burnProof, CdImageRun::Holds::Archives);
    m_host.playAnimation(QStringLiteral("copy_to_SourceSafe.avi"));
    m_host.setStatus(LangText(134));
    m_host.repaint();
    QList<std::pair<QString, QString>> files {{QString(), g_sZipTemp}};
    if (m_options.writeLog) {
        m_host.setStatus(LangText(289));
        closeLog();
        if (QFileInfo::exists(g_sLogFile))
            files.append({QString(), g_sLogFile});
    }
    const CdImageRun::Put put = m_cdImage->put(files, archiveBits);
    m_host.playAnimation({});
    if (put == CdImageRun::Put::OnDisc)
        return !bBurnNow || m_cdImage->burn();
    if (put == CdImageRun::Put::NotOnDisc)
        ReportError(label("Zip_Copy"), ErrNo::DiskFull, QStringLiteral("the archive is on no disc: ") + g_sZipTemp);
    m_tally.keepWorkingFiles = true;
    return false;
}

void ZipPass::deleteOldArchives()
{
    if (!m_options.media || !m_options.deleteArchive || m_options.cdRecorder || m_host.driveTypeText() == LangText(8))
        return;
    m_host.playAnimation(QStringLiteral("FILEDELR.AVI"));
    m_host.setStatus(LangText(278));
    m_host.repaint();
    const int days = LeadingWholeNumber(m_options.deleteArchiveDays);
    const auto archiveOfThisProfile = [this](const QString& name) {
        return IsArchiveFileName(name, m_options.profile, m_options.period);
    };
    DeleteOwnFiles(destFolder(), archiveOfThisProfile, days, m_tally.writtenThisRun);
    m_host.playAnimation({});
}

// Starts the mail of this part; the archive and its log are encoded before it returns, so the
// clean-up may delete them. A mail that fails leaves the run completed with problems.
void ZipPass::sendByMail()
{
    m_host.setStatus(LangText(135));
    m_host.playAnimation(QStringLiteral("sendmail.avi"));
    m_host.repaint();
    if (!m_mail) {
        m_mail = std::make_unique<MailClient>();
        QObject::connect(m_mail.get(), &MailClient::statusText, [this](const QString& text) { m_host.setStatus(text); });
        QObject::connect(m_mail.get(), &MailClient::mailEnded, [this](const QString&, bool sent) {
            if (!sent)
                m_tally.worsen(RunOutcome::CompletedWithProblems);
        });
    }
    m_mail->Send_Mail(g_sZipTemp, m_options.profile);
    m_host.playAnimation({});
}

void ZipPass::waitForMail()
{
    if (m_mail)
        m_mail->waitForIdle();
}

void ZipPass::cleanTemp()
{
    // The disc image reads its files from the temp folder when it is written.
    if (m_tally.keepWorkingFiles || m_options.cdRecorder)
        return;
    m_host.setStatus(LangText(140));
    DeleteWorkingFiles(m_options);
}

void ZipPass::clearPendingArchiveBits()
{
    m_pendingArchiveBits.forEachBatch(kClearedAtOnce, [this](const QStringList& files) {
        m_host.clearArchiveAttributes(files);
    });
}

// A working file deleted since it was made (by hand or by another program) leaves nothing
// whole to deliver: the run fails and names it, and the part's files stay marked.
bool ZipPass::workingFilesThere()
{
    QString gone;
    if (!QFileInfo::exists(g_sZipTemp))
        gone = g_sZipTemp;
    else if (m_logMade && !QFileInfo::exists(g_sLogFile))
        gone = g_sLogFile;
    if (gone.isEmpty())
        return true;
    ReportError(label("Zip_Copy"), ErrNo::FileNotFound,
                QStringLiteral("the working file vanished before it was delivered: ") + gone);
    m_tally.worsen(RunOutcome::Failed);
    return false;
}

void ZipPass::Zip_Copy(bool bCleanTemp, bool bBurnNow)
{
    ++m_partsFinished;
    m_host.playAnimation({});
    closeLog();
    if (!workingFilesThere()) {
        m_pendingArchiveBits.clear();
        return;
    }
    m_host.setCounter(RunHost::Counter::ZipArchive, m_options.ftp && !m_options.media
                                                        ? serverFolderText() + QLatin1Char('/') + g_sZipName
                                                        : g_sZipDest);
    m_host.setStatus(LangText(133));
    m_host.repaint();
    if (!reopenCheck()) {
        m_tally.worsen(RunOutcome::Failed);
    } else {
        const bool delivered = m_options.media
                                   ? (m_options.cdRecorder ? deliverToCd(m_pendingArchiveBits.all(), bBurnNow)
                                                           : waitForRoom(double(QFileInfo(g_sZipTemp).size()))
                                                                 && (!encrypting() || encryptPart()) && deliverToFolder())
                                   : !encrypting() || encryptPart();
        if (m_tally.programEnds)
            return;
        if (!delivered && m_options.media)
            m_tally.worsen(RunOutcome::Failed);
        const bool uploaded = m_options.ftp && delivered && uploadToServer();
        // Only an archive that reached every destination counts: its files lose their
        // archive attribute now; those of an archive put on a disc once the disc is written.
        if (!(m_options.media && m_options.cdRecorder) && (m_options.ftp ? uploaded : delivered && m_options.media))
            clearPendingArchiveBits();
        (void)m_host.updateMedia();
        m_host.setCounter(RunHost::Counter::RemainSpace, QString::number(g_dMediaFree / kMb, 'f', 1));
        if (m_options.sendEmail && (delivered || !m_options.media))
            sendByMail();
    }
    m_pendingArchiveBits.clear();
    if (bCleanTemp)
        cleanTemp();
    m_host.playAnimation(QStringLiteral("compress.avi"));
    m_host.repaint();
}
