#include "CdRecorder.h"

#include <cmath>
#include <utility>

#include "Clock.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "QEV_Language.h"
#include "Quillaro_CDWriterXP.h"
#include "RunLock.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

QString label(const char* procedure) { return FormularLabel(procedure, "frmMain_BackUp"); }

void critical(const QString& text) { MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, AppName); }

// done / total as a whole percentage, halves to the even neighbour.
int percent(qint64 done, qint64 total) { return int(std::nearbyint(double(done) / double(total) * 100.0)); }

QString twoDigits(qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

} // namespace

CdRecorder::CdRecorder(QObject* parent)
    : QObject(parent)
{
    connect(&m_writer, &CdWriter::preparingToWrite, this, &CdRecorder::CDWriterXP1_PreparingToWrite);
    connect(&m_writer, &CdWriter::preparingTrack, this, &CdRecorder::CDWriterXP1_PreparingTrack);
    connect(&m_writer, &CdWriter::writingTrackStatus, this, &CdRecorder::CDWriterXP1_WritingTrackStatus);
    connect(&m_writer, &CdWriter::closingTrack, this, &CdRecorder::CDWriterXP1_ClosingTrack);
    connect(&m_writer, &CdWriter::closingSession, this, &CdRecorder::CDWriterXP1_ClosingSession);
    connect(&m_writer, &CdWriter::fileError, this, &CdRecorder::CDWriterXP1_FileError);
    connect(&m_writer, &CdWriter::writeError, this, &CdRecorder::CDWriterXP1_WriteError);
    connect(&m_writer, &CdWriter::writeComplete, this, &CdRecorder::CDWriterXP1_WriteComplete);
}

CdRecorder::~CdRecorder() = default;

// ---- devices and speeds -----------------------------------------------------------------

QStringList CdRecorder::deviceEntries(bool rescan)
{
    if (!busy()) {
        const QString setting = SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("CD Writer"),
                                                        QStringLiteral("Drives"));
        m_writer.scanDevices(setting + QLatin1Char(';') + qEnvironmentVariable("QUILLARO_CD_DRIVES"), rescan);
        CdDeviceIndex = -1;
    }
    QStringList entries;
    for (int i = 0; i < m_writer.deviceCount(); ++i)
        entries.append(m_writer.deviceName(i, 1) + QStringLiteral(": ") + m_writer.deviceName(i, 2)
                       + QLatin1Char(' ') + m_writer.deviceName(i, 3));
    return entries;
}

bool CdRecorder::selectDevice(int index)
{
    // The drive that is writing stays where it is, whatever else is chosen meanwhile.
    if (busy())
        return false;
    CdDeviceIndex = m_writer.selectDevice(index) ? qint16(index) : qint16(-1);
    return CdDeviceIndex >= 0;
}

QList<int> CdRecorder::speedFactors(int maximum)
{
    QList<int> factors;
    for (int s = maximum; s > 0; s = s > 4 ? s - 4 : int(std::nearbyint(s / 2.0)))
        factors.append(s);
    return factors;
}

// ---- the drive of a run ----------------------------------------------------------------

bool CdRecorder::claimDrive()
{
    const QString address = m_writer.currentAddress();
    if (CdDeviceIndex < 0 || address.isEmpty()) {
        ReportError(label("CDready"), ErrNo::DeviceIO, QStringLiteral("no CD writer is selected: nothing was written"));
        return false;
    }
    if (m_driveLock && m_driveLock->isHeld())
        return true;
    m_driveLock = std::make_unique<DriveLock>(address);
    emit statusLine(QStringLiteral("Waiting for the drive ") + address + QStringLiteral("..."));
    const bool held = m_driveLock->acquire(m_driveWaitSeconds * 1000, [] {
        DoEventsFor(250);
        return !g_bCancelBackUp;
    });
    if (held)
        return true;
    m_driveLock.reset();
    ReportError(label("CDready"), ErrNo::PermissionDenied,
                QStringLiteral("the drive ") + address
                    + QStringLiteral(" is being written by another backup run: nothing was written to it"));
    return false;
}

void CdRecorder::releaseDrive() { m_driveLock.reset(); }

// ---- the disc image ---------------------------------------------------------------------

bool CdRecorder::OpenCopy2CD()
{
    const QString please = QStringLiteral("\nPlease insert a new media.");
    m_writer.newImage();
    bool usable = true;
    switch (m_writer.discStatus()) {
    case CdWriter::DiscClosed:
    case CdWriter::DiscOther:
        critical(QStringLiteral("Disk closed") + please);
        usable = false;
        break;
    case CdWriter::DiscOpen: {
        const CdWriter::SessionStatus session = m_writer.lastSessionStatus();
        if (session == CdWriter::SessionUnknown) {
            critical(QStringLiteral("Unexpected error.") + please);
            usable = false;
            break;
        }
        if (session == CdWriter::SessionIncomplete && !m_writer.closeFormerSession())
            critical(QStringLiteral("Error attempting to Close former Session!"));
        if (!m_writer.importPreviousSession()) {
            critical(QStringLiteral("Previous Session could not be imported\nOnly ISO/Joliet tracks (Mode1) can be imported."));
            critical(QStringLiteral("The CD recorder will exit now\nInsert a new media."));
            usable = false;
        }
        break;
    }
    case CdWriter::DiscEmpty:
        break;
    }
    if (!usable)
        ReportError(label("OpenCopy2CD"), ErrNo::DeviceIO,
                    QStringLiteral("the disc in ") + m_writer.currentAddress()
                        + QStringLiteral(" cannot take a new session ") + m_writer.errorData());
    DoEvents();
    return usable;
}

QString CdRecorder::pathOnDisc(const QString& folder, const QString& file)
{
    QString d = folder.trimmed();
    while (d.startsWith(QLatin1Char('/')))
        d.remove(0, 1);
    if (!d.isEmpty())
        d = sFixDirString(d);
    return d + sParseFile(file);
}

bool CdRecorder::AddImage2CD(const QString& folder, const QString& file)
{
    const QString path = pathOnDisc(folder, file);
    const CdWriter::AddResult result = m_writer.addFile(path, file);
    DoEvents();
    if (result == CdWriter::AddResult::Added || result == CdWriter::AddResult::Replaced)
        return true;
    ReportError(label("AddImage2CD"),
                result == CdWriter::AddResult::NameTaken ? ErrNo::FileAlreadyExists : ErrNo::PathFileAccess,
                (result == CdWriter::AddResult::NameTaken
                     ? QStringLiteral("the disc image already holds a file of this name: ")
                     : QStringLiteral("the file could not be put into the disc image: "))
                    + path + QStringLiteral(" (") + file + QLatin1Char(')'));
    return false;
}

void CdRecorder::RemoveImage2CD(const QString& folder, const QString& file)
{
    m_writer.removeFile(pathOnDisc(folder, file));
    DoEvents();
}

double CdRecorder::FreeCdSpace() { return double(m_writer.freeCapacity()); }

// ---- burning ----------------------------------------------------------------------------

QStringList CdRecorder::takeNotWritten() { return std::exchange(m_notWritten, {}); }

bool CdRecorder::BurnCD(bool burnProof)
{
    if (m_writer.newFileCount() == 0)
        return true; // a session without new files would only use up the disc
    CdBusy = -1;
    m_wroteWell = false;
    emit progress(0);
    m_writer.setVolumeName(Clock::today().toString(QStringLiteral("yyyy-MM-dd")));
    m_writer.enableBurnProof(burnProof);
    emit animation(QStringLiteral("adddatacd.avi"));
    Wait_Seconds(m_startDelaySeconds);
    m_writer.takeOutChangedFiles();
    if (m_writer.newFileCount() == 0) {
        CdBusy = 0;
        emit progress(-1);
        emit animation({});
        return true;
    }
    bool ok = false;
    if (!m_writer.startWriting()) {
        critical(QStringLiteral("Disc Write could not be started."));
        ReportError(label("BurnCD"), ErrNo::DeviceIO,
                    QStringLiteral("the write could not be started: ") + m_writer.errorData());
        CdBusy = 0;
        emit progress(-1);
    } else {
        ok = waitForWrite() && m_wroteWell;
    }
    emit animation({});
    DoEvents();
    return ok;
}

// Follows the write to its end; gives up only after a long stretch in which nothing more
// was written, and then the drive stays busy until the write ends.
bool CdRecorder::waitForWrite()
{
    qint64 lastProgress = Clock::monotonicMs();
    qint64 lastWritten = -1;
    while (busy()) {
        DoEventsFor(100);
        const qint64 written = m_writer.bytesWritten();
        if (written != lastWritten) {
            lastWritten = written;
            lastProgress = Clock::monotonicMs();
        } else if (Clock::monotonicMs() - lastProgress > qint64(m_stallLimitSeconds) * 1000) {
            ReportError(label("BurnCD"), ErrNo::DeviceIO,
                        QStringLiteral("the writer made no progress for ") + QString::number(m_stallLimitSeconds)
                            + QStringLiteral(" seconds; the disc is not written"));
            return false;
        }
    }
    return true;
}

void CdRecorder::endOfWrite()
{
    CdBusy = 0;
    emit progress(-1);
}

void CdRecorder::CDWriterXP1_CachingTrack(int, qint64 size) { CdCacheTotal = size; }

void CdRecorder::CDWriterXP1_CachingTrackStatus(qint64 cached)
{
    if (CdCacheTotal <= 0) {
        ReportError(QStringLiteral("CDWriterXP1_CachingTrackStatus of Formular fmainform"), ErrNo::Overflow,
                    QStringLiteral("the size of the cached track is 0"));
        return;
    }
    emit statusLine(QStringLiteral("Caching Track - ") + twoDigits(percent(cached, CdCacheTotal)) + QStringLiteral(" %"));
    DoEvents();
    DoEvents();
}

void CdRecorder::CDWriterXP1_PreparingToWrite()
{
    emit statusLine(QStringLiteral("Preparing to Write...."));
    emit progress(0);
}

void CdRecorder::CDWriterXP1_PreparingTrack(int track, qint64 size)
{
    emit statusLine(QStringLiteral("Preparing to Write Track #") + twoDigits(track));
    CdTrackSize = size;
}

void CdRecorder::CDWriterXP1_WritingTrackStatus(int track, qint64 written, qint64)
{
    emit progress(CdTrackSize > 0 ? percent(written, CdTrackSize) : 0);
    emit statusLine(QStringLiteral("Writing Track #") + twoDigits(track) + QStringLiteral("... "));
}

void CdRecorder::CDWriterXP1_ReadingFile(qint64 number)
{
    emit statusLine(QStringLiteral("Reading File...") + QString::number(number));
}

void CdRecorder::CDWriterXP1_CreatingDirectories() { emit statusLine(QStringLiteral("Creating Directories....")); }

void CdRecorder::CDWriterXP1_ClosingTrack(qint64) { emit statusLine(QStringLiteral("Closing Track....")); }

void CdRecorder::CDWriterXP1_ClosingSession() { emit statusLine(QStringLiteral("Closing Session....")); }

void CdRecorder::CDWriterXP1_ClosingDisc() { emit statusLine(QStringLiteral("Closing Disc....")); }

void CdRecorder::CDWriterXP1_FileError(int code, const QString& file)
{
    // The run names the file in the error log as left out.
    emit statusLine(FileErrorText(code, file));
    if (!m_notWritten.contains(file))
        m_notWritten.append(file);
}

void CdRecorder::CDWriterXP1_WriteError(int type, int extendedCode)
{
    const QString text = WriteErrorText(m_writer, type, extendedCode);
    ReportError(label("BurnCD"), ErrNo::DeviceIO, QStringLiteral("the disc was not written: ") + text);
    critical(text);
    emit statusLine(QStringLiteral("A write error occurred.."));
    m_wroteWell = false;
    endOfWrite();
}

void CdRecorder::CDWriterXP1_WriteComplete()
{
    emit statusLine(QStringLiteral("Writing Complete!"));
    endOfWrite();
    m_wroteWell = m_writer.afterWriteStep();
    if (!m_wroteWell)
        ReportError(label("BurnCD"), ErrNo::DeviceIO,
                    QStringLiteral("the written session could not be completed: ") + m_writer.errorData());
}

// ---- the panel --------------------------------------------------------------------------

void CdRecorder::SetStatusCDR(MediaPanel& panel)
{
    if (!m_writer.mediaPresent()) {
        panel.driveInfo[4] = LangText(14);
        DoEvents();
        return;
    }
    panel.driveInfo[4] = LangText(5);
    panel.desc[8] = QStringLiteral("Num. Sessions:");
    panel.driveInfo[8] = QString::number(m_writer.sessionCount());
    panel.driveInfo[1] = m_writer.discType() == 0 ? QStringLiteral("CD-DA/CD-ROM") : LangText(12);
    static const char* const kDisc[] = {"Empty Disc", "Disc Open", "Disc is Closed"};
    const int disc = m_writer.discStatus();
    panel.desc[6] = QStringLiteral("Disc Status:");
    panel.driveInfo[6] = disc < 3 ? QString::fromLatin1(kDisc[disc]) : LangText(12);
    static const char* const kSession[] = {"Empty Session", "Incomplete Session", "Unknown", "Closed Session"};
    panel.desc[7] = QStringLiteral("Session Status:");
    panel.driveInfo[7] = QString::fromLatin1(kSession[m_writer.lastSessionStatus()]);
    panel.driveInfo[10] = m_writer.volumeName();
    // The disc figure: the folders at the root of the disc, as for a drive.
    panel.driveInfo[11] = QString::number(m_writer.rootFolderCount());
    DoEvents();
}

bool CdRecorder::CDready()
{
    bool ready = false;
    if (CdDeviceIndex == -1) {
        MsgBox(QStringLiteral("A drive is not selected or does not exist."), MsgButtons::Ok, MsgIcon::Information, AppName);
    } else if (!m_writer.mediaPresent()) {
        MsgBox(QStringLiteral("Please Insert Writable Media before continuing!"), MsgButtons::Ok, MsgIcon::Information,
               AppName);
    } else {
        ready = waitForWrite();
    }
    DoEvents();
    return ready;
}
