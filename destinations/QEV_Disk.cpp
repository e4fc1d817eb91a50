#include "QEV_Disk.h"

#include <cmath>
#include <limits>

#include <QLocale>

#include "DriveInfo.h"
#include "Events.h"
#include "Globals.h"
#include "MessageBox.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"

namespace {

const char* const kModule = "QEV_Disk";
constexpr double kMb = 1048576.0;
constexpr double kFtpUnlimited = 1e12;

QString mbWithUnit(double bytes, int decimals, bool groups)
{
    return FormatMb(bytes, decimals, groups) + QStringLiteral(" Mb");
}

// The reserve in bytes; nullopt when the text is no number or the bytes would not fit a
// 64-bit count, which the caller reports.
std::optional<qint64> reserveBytes(const QString& spare, int* errorNumber)
{
    bool ok = false;
    const double kb = spare.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(kb)) {
        *errorNumber = ErrNo::TypeMismatch;
        return std::nullopt;
    }
    constexpr double kLargestKb = double(std::numeric_limits<qint64>::max() / 1024);
    if (std::fabs(kb) >= kLargestKb) {
        *errorNumber = ErrNo::Overflow;
        return std::nullopt;
    }
    return std::llround(kb) * 1024;
}

QString driveTypeText(DriveInfo::Type type) { return LangText(12 - static_cast<int>(type)); }

void fillReadyDrive(const DriveInfo& d, qint64 reserve, MediaPanel& panel)
{
    panel.driveInfo[0] = mbWithUnit(d.availableBytes - double(reserve), 2, true);
    panel.driveInfo[1] = driveTypeText(d.type);
    panel.driveInfo[2] = d.fileSystem;
    panel.driveInfo[3] = mbWithUnit(d.freeBytes, 2, true);
    panel.driveInfo[4] = LangText(5);
    panel.driveInfo[5] = d.path;
    panel.driveInfo[6] = d.rootFolder;
    panel.driveInfo[7] = QString::number(d.serialNumber);
    panel.driveInfo[8] = d.shareName;
    panel.driveInfo[9] = mbWithUnit(d.totalBytes, 2, true);
    panel.driveInfo[10] = d.volumeName;
    panel.driveInfo[11] = QString::number(d.subFolders);
}

bool refreshCd(const MediaOptions& options, qint64 reserve, MediaPanel& panel)
{
    const QString drive = options.cdDevice;
    g_dMediaFree = Get_DiskFree(drive, options);
    panel.driveInfo[3] = mbWithUnit(g_dMediaFree, 2, true);
    panel.driveInfo[0] = mbWithUnit(g_dMediaFree - double(reserve), 2, true);
    panel.driveInfo[5] = drive;
    if (options.setStatusCDR)
        options.setStatusCDR(panel);
    return true;
}

bool askRetry()
{
    if (MsgBox(LangText(15), MsgButtons::RetryCancel, MsgIcon::Critical, LangText(16)) == MsgResult::Retry)
        return true;
    MsgBox(LangText(17) + QLatin1Char('\n') + LangText(18), MsgButtons::Ok, MsgIcon::Information, LangText(19));
    return false;
}

bool refreshFolder(const MediaOptions& options, qint64 reserve, MediaPanel& panel)
{
    const QString path = options.pathBackUp;
    g_dMediaFree = Get_DiskFree(path, options);
    panel.desc[6] = QStringLiteral("Root Folder:");
    panel.desc[7] = QStringLiteral("Serial Number:");
    panel.desc[8] = QStringLiteral("Share Name:");
    panel.desc[9] = QStringLiteral("Total Size:");
    if (IsNetworkPath(path)) {
        // Shown like a drive letter's: the free space less the reserve, once.
        panel.driveInfo[0] = mbWithUnit(g_dMediaFree, 2, true);
        panel.driveInfo[3] = mbWithUnit(g_dMediaFree, 1, true);
        panel.remainSpace = FormatMb(g_dMediaFree, 1, false);
        panel.driveInfo[1] = LangText(20);
        panel.driveInfo[4] = LangText(5);
        return true;
    }
    for (;;) {
        const DriveInfo drive = QueryDrive(path);
        if (drive.ready) {
            fillReadyDrive(drive, reserve, panel);
            g_dMediaFree = Get_DiskFree(drive.path, options);
            panel.remainSpace = FormatMb(g_dMediaFree, 1, false);
            DoEvents();
            return true;
        }
        panel.driveInfo[4] = LangText(14);
        if (!g_bBackupStarted || !askRetry())
            return false;
    }
}

} // namespace

QString FormatMb(double bytes, int decimals, bool groupSpaces)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(bytes / kMb, 'f', decimals);
    if (!groupSpaces)
        return text;
    const QChar point = locale.decimalPoint().at(0);
    qsizetype intEnd = text.indexOf(point);
    if (intEnd < 0)
        intEnd = text.size();
    const qsizetype firstDigit = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (qsizetype at = intEnd - 3; at > firstDigit; at -= 3)
        text.insert(at, QLatin1Char(' '));
    return text;
}

double LargeIntegerToDouble(qint32 low, qint32 high)
{
    const double twoTo32 = std::pow(2.0, 32);
    double d = high;
    if (high < 0)
        d += twoTo32;
    d *= twoTo32;
    d += low;
    if (low < 0)
        d += twoTo32;
    return d;
}

double Get_DiskFree(const QString& path, const MediaOptions& options)
{
    if (options.cdRecorder && path != options.pathTemp)
        return options.freeCdSpace ? options.freeCdSpace() : 0.0;
    bool ok = false;
    const double reserveKb = options.spareSpace.trimmed().toDouble(&ok);
    if (!ok) {
        ReportError(ModulLabel("Get_DiskFree", kModule), ErrNo::TypeMismatch,
                    QStringLiteral("the spare space is not a number: ") + options.spareSpace);
        return 0;
    }
    return DriveFreeBytes(path) - reserveKb * 1024.0;
}

void ClearValues(MediaPanel& panel)
{
    for (int i = 0; i < 12; ++i) {
        if (i != 4)
            panel.driveInfo[i] = LangText(13);
    }
}

bool Update_Media(const MediaOptions& options, MediaPanel& panel)
{
    ClearValues(panel);
    panel.driveInfo[4] = LangText(14);
    bool result = false;
    if (options.media && !options.cdRecorder && !options.pathBackUp.startsWith(QLatin1Char('/'))) {
        DoEvents();
        return false;
    }
    if (options.ftp && !options.media) {
        panel.driveInfo[1] = LangText(4);
        panel.driveInfo[4] = LangText(5);
        g_dMediaFree = kFtpUnlimited;
        panel.remainSpace = LangText(6);
        DoEvents();
        return true;
    }
    int errorNumber = 0;
    const std::optional<qint64> reserve = reserveBytes(options.spareSpace, &errorNumber);
    if (!reserve) {
        ReportError(ModulLabel("Update_Media", kModule), errorNumber,
                    QStringLiteral("the spare space cannot be used: ") + options.spareSpace);
    } else {
        result = options.cdRecorder ? refreshCd(options, *reserve, panel)
                                    : refreshFolder(options, *reserve, panel);
    }
    DoEvents();
    return result;
}
