#include "Quillaro_BackupRun.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include "CdRecorder.h"
#include "Clock.h"
#include "DriveInfo.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"
#include "FilterList.h"
#include "NumberText.h"
#include "QEV_Language.h"
#include "Quillaro_CopyPass.h"
#include "Quillaro_FileSelect.h"
#include "Quillaro_FileSync.h"
#include "Quillaro_ZipPass.h"
#include "RunHost.h"
#include "SyncFileOps.h"
#include "SettingsStore.h"
#include "ZipReadAhead.h"

namespace {

constexpr double kMb = 1048576.0;
// The size of an archive whose limit is switched off: larger than any medium, yet finite.
constexpr double kNoSizeLimit = 9007199254740992.0;
constexpr int kAttrHiddenOrSystem = 6;
constexpr int kAttrArchive = 32;

// Pipes, sockets and device nodes hold no content to back up; opening one could block or
// read for ever. They are passed over as tar and rsync pass them over.
bool isSpecialFile(quint32 mode)
{
    return S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}
// Rows whose source the walk reads: ticked, and not marked off with "**".
bool walked(const SourceRow& row) { return row.selected && !row.text.startsWith(QStringLiteral("**")); }

// How many files of a folder are decided ahead of the one being added.
constexpr int kPickAhead = 256;

QString canonical(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QString real = QFileInfo(clean).canonicalFilePath();
    return real.isEmpty() ? clean : real;
}

// Password values (archive, FTP, mail) stay out of the export: the archive holding it may be
// unencrypted. The check boxes about passwords keep their values.
QByteArray withoutPasswords(const QByteArray& settings)
{
    QList<QByteArray> lines = settings.split('\n');
    for (QByteArray& line : lines) {
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(qMax<qsizetype>(equals, 0)).trimmed().toLower();
        if (key.contains("password") && !key.startsWith("chk"))
            line.truncate(equals + 1);
    }
    return lines.join('\n');
}

double tempFree(const RunOptions& o) { return Get_DiskFree(o.pathTemp, MediaOptionsOf(o)); }

// The synchronisation shows its lines in the run's window.
class SyncToHost : public SyncSink
{
public:
    explicit SyncToHost(RunHost& host) : m_host(host) {}
    void newsLine(const QString& line) override { PrependNews(m_host, line); }
    void elapsedTime(const QString& seconds) override { m_host.setCounter(RunHost::Counter::BackUpTime, seconds); }
    bool cancelRequested() override { return g_bCancelBackUp; }
    // Asked for after every entry: the window's messages are seen a few times a second, as
    // during the other passes.
    void pumpEvents() override { PumpEvents(); }

private:
    RunHost& m_host;
};

} // namespace

BackupRun::BackupRun(const RunOptions& options, RunHost& host)
    : m_options(options)
    , m_host(host)
{
}

BackupRun::~BackupRun() = default;

QString BackupRun::refuseFolders(const QString& temp, const QString& destination)
{
    if (temp.trimmed().isEmpty())
        return LangText(321);
    // The clean-ups of either folder never go below it, so only one folder for both is refused;
    // without a destination folder (the FTP server alone) only the temp folder counts.
    if (!destination.trimmed().isEmpty()
        && SyncFileOps::relation(temp, destination) == SyncFileOps::PairRelation::Same)
        return LangText(322);
    return {};
}

RunOutcome BackupRun::cmdBackUpNow()
{
    Next next = prepare();
    if (next == Next::Work) {
        next = runBefore();
        if (next == Next::Work)
            next = m_options.mode == BackupMode::FileSync ? syncFolders() : prepareArchive();
        if (next == Next::Work)
            next = walk();
        if (m_copy)
            m_copy->flushClears(); // the copies made are in place, stopped or not
        if (next == Next::Work)
            next = handOver();
    }
    if (m_tally.programEnds) {
        m_host.exitProgram(1);
        return m_tally.outcome;
    }
    if (next == Next::AfterStep)
        afterStep();
    finalCleanUp();
    finish();
    return m_tally.outcome;
}

BackupRun::Next BackupRun::prepare()
{
    g_bBackupStarted = true;
    // Cleared before the first pump, so that a Stop or a close given during it is kept.
    g_bCancelBackUp = false;
    m_host.beginRun();
    m_host.setNewsText({});
    m_host.repaint();
    DoEvents();
    for (auto c : {RunHost::Counter::TotalFiles, RunHost::Counter::BackUpTime, RunHost::Counter::TotalSize,
                   RunHost::Counter::CompSize})
        m_host.setCounter(c, QStringLiteral("0"));
    m_startMs = Clock::monotonicMs();
    m_startSecondsOfDay = Clock::now().time().msecsSinceStartOfDay() / 1000;
    if (!g_bAutoRun)
        m_host.saveSettings();
    ResetPatternReports();
    const Next refused = refuseUnavailable();
    if (refused != Next::Work)
        return refused;
    if (m_tempUsable)
        DeleteWorkingFiles(m_options);
    if (!m_host.updateMedia() && m_options.media) {
        MsgBox(LangText(15) + QLatin1Char('\n') + LangText(127), MsgButtons::Ok, MsgIcon::Critical, LangText(16));
        m_tally.worsen(RunOutcome::Abandoned);
        return Next::FinalCleanUp;
    }
    return Next::Work;
}

// Options this version cannot carry out refuse the run before anything is touched.
BackupRun::Next BackupRun::refuseUnavailable()
{
    QString why;
    if (m_options.mode != BackupMode::FileSync) {
        why = refuseFolders(m_options.pathTemp, m_options.media ? m_options.pathBackUp : QString());
        const bool toServer = m_options.ftp && m_options.mode == BackupMode::ZipArchive;
        if (why.isEmpty() && !m_options.media && !toServer)
            why = LangText(324);
        // A profile that writes to a disc writes nowhere else, also when no writer is there.
        if (why.isEmpty() && m_options.cdRecorder && (!m_host.cdRecorder() || m_host.cdRecorder()->deviceIndex() < 0))
            why = LangText(327);
        // An empty password would encrypt with a key anyone can rebuild.
        if (why.isEmpty() && m_options.mode == BackupMode::ZipArchive && m_options.encrypt
            && m_options.password.isEmpty())
            why = LangText(371);
    }
    if (why.isEmpty())
        why = badNumberBox();
    if (why.isEmpty()) {
        // The clean-ups of working files run only in a temp folder that can hold nothing else.
        m_tempUsable = !m_options.pathTemp.trimmed().isEmpty() && canonical(m_options.pathTemp) != QStringLiteral("/");
        return Next::Work;
    }
    ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::InvalidCall, why);
    MsgBox(why, MsgButtons::Ok, MsgIcon::Critical, LangText(16));
    m_tally.worsen(RunOutcome::Abandoned);
    return Next::FinalCleanUp;
}

// Why a number box the run will read cannot be read, naming the box; empty when all can.
QString BackupRun::badNumberBox() const
{
    const RunOptions& o = m_options;
    const bool archive = o.mode == BackupMode::ZipArchive;
    const bool walked = o.mode != BackupMode::FileSync;
    const bool filtered = walked && o.selection != SelectionMode::CompleteNoFilter;
    const struct
    {
        bool used;
        const QString& text;
        int name;
        bool aboveZero = false;
    } boxes[] = {
        {archive && o.limitZipSize, o.maxZipSize, 342, true},
        {archive && o.limitFiles, o.maxFiles, 343},
        {archive && o.deleteArchive, o.deleteArchiveDays, 344},
        {filtered && o.filters.chkExclYoungDayFiles, o.filters.txtExclYoungDay, 345},
        {walked && o.media, o.spareSpace, 346},
        {o.before.enabled && o.before.wait == WaitMode::WaitSeconds, o.before.waitSeconds, 347},
        {o.after.enabled && o.after.wait == WaitMode::WaitSeconds, o.after.waitSeconds, 348},
    };
    for (const auto& box : boxes) {
        double value = 0;
        if (!box.used)
            continue;
        const bool read = ReadNumberBox(box.text, &value);
        if (!read || (box.aboveZero && value <= 0))
            return LangText(box.aboveZero ? 349 : 341) + QLatin1Char(' ') + LangText(box.name)
                   + QStringLiteral(" (\"") + box.text + QStringLiteral("\")");
    }
    return {};
}

// False, with the reason, when the program is asked for and did not run as it should.
bool BackupRun::startProgram(const RunProgram& program, QString* failure)
{
    if (!program.enabled || program.path.trimmed().isEmpty())
        return true;
    m_host.setNewsText(program.path + QLatin1Char(' ') + LangText(220));
    return m_host.runProgram(program, failure);
}

// The source is read only once its preparation is done: a program before that did not end
// well, or whose wait was stopped, ends the run before any file is read.
BackupRun::Next BackupRun::runBefore()
{
    QString failure;
    if (startProgram(m_options.before, &failure))
        return Next::Work;
    if (g_bCancelBackUp) {
        m_tally.worsen(RunOutcome::Cancelled);
        return Next::AfterStep;
    }
    failRun(ErrNo::InvalidCall, QStringLiteral("the program to run before did not run as it should (")
                                    + failure + QStringLiteral("): ") + m_options.before.path);
    return Next::AfterStep;
}

BackupRun::Next BackupRun::syncFolders()
{
    if (m_options.sourceSync.isEmpty() || m_options.destinySync.isEmpty()) {
        MsgBox(LangText(281) + QLatin1Char('\n') + LangText(282), MsgButtons::Ok, MsgIcon::Information,
               QStringLiteral("Info"));
        m_tally.worsen(RunOutcome::Abandoned);
        return Next::FinalCleanUp;
    }
    const QString refused = refuseSyncFolders();
    if (!refused.isEmpty()) {
        ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::PathNotFound, refused);
        m_tally.worsen(RunOutcome::Failed);
        return Next::AfterStep;
    }
    m_host.speak(LangText(283));
    m_host.setStatus(LangText(283));
    CreateDirectoryStruct(m_options.destinySync);
    m_host.setNewsText(LangText(110));
    m_host.playAnimation(QStringLiteral("update_list.avi"));
    SyncToHost sink(m_host);
    SyncOptions sync;
    sync.bothDirections = m_options.syncBothDirections;
    sync.startTime = m_startSecondsOfDay;
    const SyncResult result = m_options.syncSubDirs
                                  ? Sync_Folders(m_options.sourceSync, m_options.destinySync, sync, sink)
                                  : Sync_Files(m_options.sourceSync, m_options.destinySync, sync, sink);
    m_host.playAnimation({});
    if (result.refused || result.failed > 0)
        m_tally.worsen(RunOutcome::Failed);
    else if (g_bCancelBackUp)
        m_tally.worsen(RunOutcome::Cancelled);
    m_tally.filesHandled += result.copied;
    g_dMediaFree = Get_DiskFree(m_options.destinySync, MediaOptionsOf(m_options));
    m_host.setCounter(RunHost::Counter::RemainSpace, QString::number(g_dMediaFree / kMb, 'f', 1));
    return Next::AfterStep;
}

// A missing source is never created (an empty one would empty the other side of a two-way
// sync), nor a destination on a drive that is not there.
QString BackupRun::refuseSyncFolders() const
{
    if (!QFileInfo(m_options.sourceSync).isDir())
        return QStringLiteral("the folder to synchronise does not exist: ") + m_options.sourceSync;
    if (!QueryDrive(m_options.destinySync).ready)
        return QStringLiteral("the drive of the folder to synchronise with is not ready: ") + m_options.destinySync;
    return {};
}

bool BackupRun::maxZipBytes(double* bytes)
{
    if (!m_options.limitZipSize) {
        *bytes = kNoSizeLimit;
        return true;
    }
    double megabytes = 0;
    if (!NumberText::isNumeric(m_options.maxZipSize, &megabytes) || megabytes <= 0) {
        failRun(ErrNo::TypeMismatch, QStringLiteral("the maximum archive size is not a number: ")
                                         + m_options.maxZipSize);
        return false;
    }
    *bytes = megabytes * kMb;
    return true;
}

BackupRun::Next BackupRun::prepareArchive()
{
    m_host.speak(LangText(114));
    m_host.setNewsText(LangText(110));
    m_host.playAnimation(QStringLiteral("FINDCOMP.AVI"));
    g_sZipDest.clear();
    g_sZipTemp.clear();
    const bool zipMode = m_options.mode == BackupMode::ZipArchive;
    if (m_options.cdRecorder && !prepareDisc())
        return Next::AfterStep;
    const Next opened = zipMode ? openArchive() : prepareCopy();
    if (opened != Next::Work)
        return opened;
    m_host.setNewsText(LangText(114));
    m_host.setProgress(1, 0);
    m_host.setStatus(LangText(115));
    m_host.playAnimation(zipMode ? QStringLiteral("compress.AVI") : QStringLiteral("FILECOPY.AVI"));
    if (!m_host.updateMedia()) {
        m_tally.worsen(RunOutcome::Abandoned);
        return Next::FinalCleanUp;
    }
    if (zipMode && m_options.inclRegistry)
        exportRegistry();
    return Next::Work;
}

// What the temp folder must hold for a part: the archive and the copy its closing writes, the
// encrypted copy, and the archive brought back from the destination to be appended to.
double BackupRun::tempBytesNeeded(double maxPartBytes) const
{
    const RunOptions& o = m_options;
    double needed = (o.encrypt ? 3 : 2) * maxPartBytes;
    if (o.appendArchive) {
        const QDate today = Clock::today();
        const QStringList names = QDir(o.pathBackUp).entryList(QDir::Files | QDir::Hidden | QDir::System);
        const int highest = HighestArchivePart(names, ArchiveStem(o.profile, o.period, today), o.encrypt);
        needed += double(QFileInfo(sFixDirString(o.pathBackUp)
                                   + ArchiveFileName(o.profile, o.period, today, highest, o.encrypt)).size());
    }
    return needed;
}

// A disc whose earlier sessions cannot be taken along gets no session that would hide them.
bool BackupRun::prepareDisc()
{
    // The disc is read and written by this run alone, so that no session hides another's.
    if (m_host.cdRecorder()->claimDrive() && m_host.cdRecorder()->OpenCopy2CD())
        return true;
    m_tally.worsen(RunOutcome::Failed);
    return false;
}

BackupRun::Next BackupRun::openArchive()
{
    double maxBytes = 0;
    if (!maxZipBytes(&maxBytes))
        return Next::AfterStep;
    // Without a size limit no part size is known in advance to check the temp folder for.
    if (m_options.limitZipSize && tempBytesNeeded(maxBytes) > tempFree(m_options)) {
        MsgBox(LangText(111) + QLatin1Char('\n') + LangText(112) + QLatin1Char('\n') + LangText(113),
               MsgButtons::Ok, MsgIcon::Critical, LangText(16));
        m_tally.worsen(RunOutcome::Abandoned);
        return Next::AfterStep;
    }
    m_zip = std::make_unique<ZipPass>(m_options, m_host, m_tally);
    m_host.setStatus(LangText(105));
    if (!m_zip->Open_Zip(false)) {
        m_tally.worsen(RunOutcome::Failed);
        return Next::AfterStep;
    }
    m_zip->setMaxZipSize(maxBytes * 10);
    return Next::Work;
}

BackupRun::Next BackupRun::prepareCopy()
{
    for (auto c : {RunHost::Counter::CompSize, RunHost::Counter::ZipSize, RunHost::Counter::AnzFiles,
                   RunHost::Counter::ZipArchive})
        m_host.setCounter(c, {});
    m_copy = std::make_unique<CopyPass>(m_options, m_host, m_tally);
    return Next::Work;
}

void BackupRun::exportRegistry()
{
    PrependNews(m_host, LangText(304));
    const QString file = sFixDirString(m_options.pathTemp) + Clock::today().toString(QStringLiteral("yyyyMMdd"))
                         + QStringLiteral("registry.") + (m_options.registryAsText ? QStringLiteral("txt") : QStringLiteral("reg"));
    (void)SettingsStore::flush();
    QByteArray content;
    for (const QString& store : {SettingsStore::settingsFile(), SettingsStore::registryFile()}) {
        QFile in(store);
        if (in.open(QIODevice::ReadOnly))
            content += "; " + store.toUtf8() + '\n' + withoutPasswords(in.readAll()) + '\n';
    }
    QProcess dconf;
    dconf.start(QStringLiteral("dconf"), {QStringLiteral("dump"), QStringLiteral("/")});
    // Bounded: an export that hangs must not hold the run.
    if (dconf.waitForStarted(2000) && dconf.waitForFinished(15000))
        content += "; dconf dump /\n" + dconf.readAllStandardOutput();
    else
        dconf.kill();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) < 0 || !out.commit()) {
        ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::PathFileAccess,
                    QStringLiteral("cannot write the registry export ") + file);
        return;
    }
    const int attributes = m_host.fileAttributes(file);
    (void)m_zip->Zip_Now(file, attributes >= 0 && (attributes & kAttrArchive));
    DeleteFiles(file, 0);
}

BackupRun::Next BackupRun::mediumCheck()
{
    for (;;) {
        if (!m_host.updateMedia()) {
            m_tally.worsen(RunOutcome::Abandoned);
            return Next::FinalCleanUp;
        }
        double maxBytes = 0;
        if (!maxZipBytes(&maxBytes))
            return Next::AfterStep;
        if (!m_zip)
            return Next::Work; // a file copy checks the room of each file itself
        m_zip->setMaxZipSize(maxBytes);
        if (!m_options.media || !m_options.limitZipSize || g_dMediaFree >= maxBytes)
            return Next::Work;
        if (maxBytes / 5 < g_dMediaFree) {
            m_zip->setMaxZipSize(g_dMediaFree);
            return Next::Work;
        }
        if (!AskForNewMedium(m_host, m_tally))
            return Next::FinalCleanUp;
    }
}

BackupRun::Next BackupRun::walk()
{
    const int count = int(m_options.sources.size());
    const double step = count == 0 ? 0 : 100.0 / count;
    double progress = 0;
    for (m_entryIndex = 0; m_entryIndex < m_options.sources.size(); ++m_entryIndex) {
        const Next checked = mediumCheck();
        if (checked != Next::Work)
            return checked;
        const SourceRow& row = m_options.sources.at(m_entryIndex);
        if (walked(row))
            processEntry(row.text);
        showElapsed();
        DoEvents();
        DoEvents();
        if (g_bCancelBackUp || m_tally.programEnds)
            break;
        progress = qMin(100.0, progress + step);
        m_host.setProgress(1, int(progress));
    }
    if (m_tally.programEnds)
        return Next::FinalCleanUp;
    if (g_bCancelBackUp) {
        m_tally.worsen(RunOutcome::Cancelled);
        return Next::AfterStep;
    }
    return Next::Work;
}

void BackupRun::leaveOut(const QString& what, const QString& why)
{
    NoteLeftOut(m_tally, FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::FileNotFound, what, why);
}

// Why the row's file or folder is not there to be read; empty when it is.
QString BackupRun::whyNotThere(const QString& entry)
{
    if (!entry.endsWith(QLatin1Char('*')))
        return FileExists(entry) ? QString() : QStringLiteral("the source file does not exist");
    const QFileInfo folder(entry.left(entry.lastIndexOf(QLatin1Char('/')) + 1));
    if (!folder.isDir())
        return QStringLiteral("the source folder does not exist");
    if (!folder.isReadable() || !folder.isExecutable())
        return QStringLiteral("the source folder cannot be listed");
    return {};
}

// False, with the source named in the error log, when the row's file or folder is not there
// to be read.
bool BackupRun::sourceThere(const QString& entry)
{
    const QString why = whyNotThere(entry);
    if (why.isEmpty())
        return true;
    leaveOut(entry, why);
    return false;
}

// The folder row's files as Find_Files gives them, g_sFoundFiles left as it was.
BackupRun::RowListing BackupRun::listRow(const QString& entry)
{
    RowListing listing;
    QStringList held = std::exchange(g_sFoundFiles, QStringList{QString()});
    Find_Files(entry, &listing.undecodable);
    listing.files = std::exchange(g_sFoundFiles, std::move(held));
    return listing;
}

// The row's listing: the one made ahead when it is this row's, else made now.
BackupRun::RowListing BackupRun::listingFor(const QString& entry, RowListing ahead) const
{
    return ahead.row == m_entryIndex ? ahead : listRow(entry);
}

// Lists the next row ahead when it is a folder that can be listed, and picks its first files;
// the reports of its listing wait for its turn.
void BackupRun::listNextRow()
{
    if (!m_zip || ZipReadAhead::coresToUse() < 2)
        return;
    qsizetype next = m_entryIndex + 1;
    while (next < m_options.sources.size() && !walked(m_options.sources.at(next)))
        ++next;
    if (next >= m_options.sources.size())
        return;
    const QString& entry = m_options.sources.at(next).text;
    if (entry.size() < 3 || !entry.endsWith(QLatin1Char('*')) || !whyNotThere(entry).isEmpty())
        return;
    m_nextRow = listRow(entry);
    m_nextRow.row = next;
    pickAhead(m_nextRow.files, &m_nextRow.picks, pickCount(m_nextRow.files), true);
}

void BackupRun::processEntry(const QString& entry)
{
    RowListing ahead = std::exchange(m_nextRow, {});
    if (!sourceThere(entry)) {
        if (ahead.row == m_entryIndex && !ahead.picks.empty())
            m_zip->expect({}, false); // what was read ahead for it is not wanted
        return;
    }
    ++m_tally.sourcesFound;
    if (!entry.endsWith(QLatin1Char('*'))) {
        (void)processFile(entry);
        return;
    }
    RowListing listing = listingFor(entry, std::move(ahead));
    g_sFoundFiles = std::move(listing.files);
    // The listing passes over names that are not valid UTF-8; they are named, not lost silently.
    for (const QString& name : std::as_const(listing.undecodable))
        leaveOut(name, QStringLiteral("the file name is not valid UTF-8"));
    const int found = int(g_sFoundFiles.size()) - 1;
    const int count = pickCount(g_sFoundFiles);
    const double step = found <= 0 ? 0 : 100.0 / found;
    double progress = 0;
    m_host.setProgress(2, 0);
    std::vector<FilePick> picks = std::move(listing.picks);
    picks.reserve(size_t(count));
    bool nextListed = false;
    for (int i = 0; i < count; ++i) {
        if (!nextListed && i + kPickAhead / 2 >= int(picks.size())) {
            if (int(picks.size()) < count)
                pickAhead(g_sFoundFiles, &picks, count, !picks.empty());
            nextListed = int(picks.size()) == count;
            if (nextListed)
                listNextRow();
        }
        if (!take(g_sFoundFiles.value(i), picks[size_t(i)]))
            continue;
        progress = qMin(100.0, progress + step);
        m_host.setProgress(2, int(progress));
        showElapsed();
        PumpEvents();
        if (g_bCancelBackUp || m_tally.programEnds)
            return;
    }
}

BackupRun::FilePick BackupRun::pick(const QString& file)
{
    FilePick choice;
    const int attributes = m_host.fileAttributes(file, &choice.stat);
    // A file whose attributes cannot be read is offered all the same: the pass names why.
    choice.passedOver = attributes >= 0
                        && (((attributes & kAttrHiddenOrSystem) && !m_options.hiddenFiles)
                            || isSpecialFile(choice.stat.mode));
    // A file gone since the listing counts as changed, so that even a run of new files only
    // names it as left out instead of passing it over as unchanged.
    choice.archiveBit = attributes < 0 || (attributes & kAttrArchive);
    choice.filtered = !choice.passedOver && File_Filter(file, m_options.filters, &choice.stat);
    choice.partsFinished = m_zip ? m_zip->partsFinished() : 0;
    return choice;
}

// Decides the next files of the folder and tells the archive which of them it will be given.
void BackupRun::pickAhead(const QStringList& files, std::vector<FilePick>* picks, int count, bool more)
{
    const int from = int(picks->size());
    const int to = qMin(count, from + kPickAhead);
    QStringList added;
    for (int i = from; i < to; ++i) {
        const QString file = files.value(i);
        picks->push_back(pick(file));
        if (goesToArchive(file, picks->back()))
            added.append(file);
    }
    if (m_zip)
        m_zip->expect(added, more);
}

// A part finished since the pick may have cleared the file's archive attribute: a folder
// listed twice would otherwise add the file to a second part.
bool BackupRun::pickedBeforePart(const FilePick& choice) const
{
    return m_zip && choice.partsFinished != m_zip->partsFinished();
}

// False when the file was passed over as hidden or system.
bool BackupRun::take(const QString& file, const FilePick& picked)
{
    m_currentFile = file;
    const FilePick choice = pickedBeforePart(picked) ? pick(file) : picked;
    if (choice.passedOver)
        return false;
    if (choice.filtered)
        return true;
    if (m_zip)
        (void)m_zip->Zip_Now(file, choice.archiveBit, &choice.stat);
    else
        m_copy->Copy_Now(file, choice.archiveBit, &choice.stat);
    return true;
}

bool BackupRun::goesToArchive(const QString& file, const FilePick& choice) const
{
    return m_zip && !choice.passedOver && !choice.filtered && m_zip->willAdd(file, choice.archiveBit);
}

// A file of a row of its own is read ahead too, so that a large one is compressed on every core.
bool BackupRun::processFile(const QString& file)
{
    const FilePick choice = pick(file);
    if (goesToArchive(file, choice))
        m_zip->expect({file}, false);
    return take(file, choice);
}

BackupRun::Next BackupRun::handOver()
{
    // Asked for something and none of it was there to be read. (Sources whose files are all
    // up to date are no failure: an incremental run then has nothing to do.)
    if (m_tally.sourcesFound == 0) {
        ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::FileNotFound,
                    QStringLiteral("nothing was backed up: no selected source could be read"));
        m_tally.worsen(RunOutcome::Failed);
    }
    if (m_tally.filesHandled == 0) {
        m_host.speak(LangText(116));
        m_host.setNewsText(LangText(116) + QStringLiteral("\n\n") + LangText(117) + QLatin1Char('\n')
                           + LangText(118) + QLatin1Char('\n') + LangText(119));
        return Next::AfterStep;
    }
    if (!m_zip) {
        if (m_options.cdRecorder)
            (void)m_copy->burnImage();
        return Next::AfterStep;
    }
    m_zip->Zip_Copy(true, true);
    // Old archives go only once every part of this run was delivered and compared.
    if (!m_tally.programEnds && static_cast<int>(m_tally.outcome) <= static_cast<int>(RunOutcome::CompletedWithProblems))
        m_zip->deleteOldArchives();
    return Next::AfterStep;
}

void BackupRun::afterStep()
{
    (void)m_host.updateMedia();
    QString failure;
    if (!startProgram(m_options.after, &failure)) {
        ReportError(FormularLabel("cmdBackUpNow", "frmMain_BackUp"), ErrNo::InvalidCall,
                    QStringLiteral("the program to run after did not run as it should (") + failure
                        + QStringLiteral("): ") + m_options.after.path);
    }
}

void BackupRun::finalCleanUp()
{
    if (m_zip) {
        m_zip->closeAll();
        m_zip->waitForMail();
    }
    if (m_tempUsable && !m_tally.keepWorkingFiles)
        DeleteWorkingFiles(m_options);
    if (m_options.cdRecorder && m_host.cdRecorder())
        m_host.cdRecorder()->releaseDrive();
}

void BackupRun::finish()
{
    const RunOutcome outcome = m_tally.outcome;
    if (g_bAutoRun) {
        m_zip.reset();
        m_host.exitProgram(RunExitCode(outcome));
        return;
    }
    QString status;
    switch (outcome) {
    case RunOutcome::Cancelled:
        status = LangText(120);
        break;
    case RunOutcome::Completed:
        status = LangText(121) + QStringLiteral(" - ") + GeneralDate(Clock::now());
        break;
    case RunOutcome::CompletedWithProblems:
        status = LangText(340) + QStringLiteral(" - ") + GeneralDate(Clock::now());
        break;
    case RunOutcome::Failed:
    case RunOutcome::Abandoned:
        status = LangText(325);
        break;
    }
    m_host.setStatus(status);
    m_host.speak(outcome == RunOutcome::Completed ? LangText(121) : status);
    m_host.setNewsText(status);
    m_zip.reset();
    m_host.endRun(outcome, status);
    m_host.recordStatistics(outcome == RunOutcome::Completed || outcome == RunOutcome::CompletedWithProblems
                            || outcome == RunOutcome::Cancelled);
    m_host.playEndSound();
    m_host.repaint();
    DoEvents();
    if (m_options.shutdown)
        m_host.shutdownAfterRun();
    DoEvents();
}

void BackupRun::failRun(int number, const QString& description)
{
    ErrorMsg(true, AppName, QStringLiteral("cmdBackUpNow"), 0, number, description);
    WriteErrorLog(m_options.pathBackUp, m_options.pathTemp, m_options.maxZipSize, m_host.driveTypeText(),
                  g_dMediaFree, m_options.sources.value(m_entryIndex).text, m_currentFile, 0,
                  m_options.mode == BackupMode::ZipArchive, int(g_sFoundFiles.size()) - 1);
    m_tally.worsen(RunOutcome::Failed);
}

void BackupRun::showElapsed()
{
    m_host.setCounter(RunHost::Counter::BackUpTime, QString::number((Clock::monotonicMs() - m_startMs) / 1000));
}
