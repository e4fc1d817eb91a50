#include "RunState.h"

#include <cmath>

#include <QDir>
#include <QFileInfo>

#include "CdRecorder.h"
#include "Clock.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "QEV_Disk.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "RunHost.h"
#include "RunLock.h"
#include "SettingsKeys.h"
#include "WorkingFiles.h"

bool Insert_new_media(RunHost& host, RunTally& tally)
{
    const QString text = LangText(124) + QLatin1Char('\n') + LangText(292) + QLatin1Char('\n')
                         + LangText(293) + QLatin1Char('\n') + LangText(294) + QLatin1Char('\n')
                         + LangText(125) + QLatin1Char('\n') + LangText(126);
    if (MsgBox(text, MsgButtons::OkCancel, MsgIcon::None, QStringLiteral("Tendravel")) == MsgResult::Ok)
        return host.updateMedia();
    MsgBox(LangText(127) + QLatin1Char('\n') + LangText(128) + QLatin1Char('\n') + LangText(129),
           MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Tendravel"));
    tally.programEnds = true;
    tally.worsen(RunOutcome::Abandoned);
    return false;
}

bool AskForNewMedium(RunHost& host, RunTally& tally)
{
    host.playAnimation(QStringLiteral("insertcd.avi"));
    host.repaint();
    return Insert_new_media(host, tally) || !tally.programEnds;
}

QString ArchiveKey(const QString& password)
{
    return QStringLiteral("K8:w-") + password + QStringLiteral("Rb\\7@");
}

int LeadingWholeNumber(const QString& text) { return NumberText::leadingWhole(text); }

bool ReadNumberBox(const QString& text, double* value)
{
    double number = 0;
    if (!NumberText::isNumeric(text, &number) || number < 0)
        return false;
    *value = number;
    return true;
}

void NoteLeftOut(RunTally& tally, const QString& label, int number, const QString& what, const QString& why)
{
    ReportError(label, number, QStringLiteral("left out of the backup: ") + what + QStringLiteral(" (") + why
                                   + QLatin1Char(')'));
    ++tally.leftOut;
    tally.worsen(RunOutcome::CompletedWithProblems);
}

void DeleteOwnFiles(const QString& folder, const std::function<bool(const QString&)>& ours, int days,
                    const QSet<QString>& keep)
{
    const QDate limit = Clock::today().addDays(-days);
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString file = dir.filePath(name);
        const QFileInfo info(file);
        if (!ours(name) || info.isSymLink() || keep.contains(file) || info.lastModified().date() > limit)
            continue;
        if (!QFile::remove(file))
            ReportError(ModulLabel("DeleteFiles", "QEV_File_Dir"), ErrNo::PermissionDenied,
                        QStringLiteral("cannot delete ") + file);
    }
    DoEvents();
}

void DeleteWorkingFiles(const QString& tempFolder, const QString& profile)
{
    // The registry export's name is every profile's: the run that writes it deletes it itself.
    DeleteOwnFiles(tempFolder, [&](const QString& name) { return IsArchiveFileName(name, profile); }, 0);
}

void DeleteWorkingFiles(const RunOptions& options) { DeleteWorkingFiles(options.pathTemp, options.profile); }

void PrependNews(RunHost& host, const QString& line)
{
    if (!host.isWatched())
        return;
    const QString text = line + QLatin1Char('\n') + host.newsText();
    host.setNewsText(text.left(2000));
}

MediaOptions MediaOptionsOf(const RunOptions& options)
{
    MediaOptions media;
    media.media = options.media;
    media.ftp = options.ftp;
    media.cdRecorder = options.cdRecorder;
    media.pathBackUp = options.pathBackUp;
    media.pathTemp = options.pathTemp;
    media.spareSpace = options.spareSpace;
    return media;
}

MediaOptions MediaOptionsOf(const RunOptions& options, CdRecorder& cd)
{
    MediaOptions media = MediaOptionsOf(options);
    media.cdDevice = cd.writer().currentAddress();
    media.freeCdSpace = [&cd] { return cd.FreeCdSpace(); };
    media.setStatusCDR = [&cd](MediaPanel& panel) { cd.SetStatusCDR(panel); };
    return media;
}

void PumpEvents()
{
    static qint64 last = 0;
    const qint64 now = Clock::monotonicMs();
    if (now - last < 250)
        return;
    last = now;
    DoEvents();
}

void ClearWorkingFilesAtLoad(const QString& tempFolder, const QString& destination, const QString& profile)
{
    RunLock lock(profile);
    ClearWorkingFilesAtLoad(tempFolder, destination, profile, lock);
}

void ClearWorkingFilesAtLoad(const QString& tempFolder, const QString& destination, const QString& profile,
                             RunLock& lock)
{
    QString why;
    if (!MayClearWorkingFiles(tempFolder, destination, &why)) {
        WriteErrorLog(QStringLiteral("working files not cleared:"), tempFolder, why);
        return;
    }
    if (SettingsKeys::validProfileName(profile) && lock.tryAcquire())
        DeleteWorkingFiles(tempFolder, profile);
}

qint32 GetAttributes(const QString& Path, FileAttributes::FileStat* stat)
{
    quint32 attributes = 0;
    QString error;
    if (FileAttributes::get(Path, &attributes, &error, stat))
        return static_cast<qint32>(attributes);
    if (Path.isEmpty() || !QFileInfo::exists(Path))
        return -1;
    ErrorMsg(true, AppName, ModulLabel("GetAttributes", "Quillaro_Sub"), 0, ErrNo::DeviceIO, error);
    return 0;
}
