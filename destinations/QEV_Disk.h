#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QString>

struct MediaPanel;

// The options of the main window that decide what the destination is.
struct MediaOptions
{
    bool media = false;      // chkMedia: a local or network folder
    bool ftp = false;        // chkFTP
    bool cdRecorder = false; // chkUseCDRecorder
    QString pathBackUp;      // txtPathBackUp
    QString pathTemp;        // txtPathTemp
    QString spareSpace;      // txtSpareSpace, kilobytes to keep free
    QString cdDevice;        // the address of the selected writer
    // The CD writer's part: the disc's free bytes, and filling its status labels.
    std::function<double()> freeCdSpace;
    std::function<void(MediaPanel&)> setStatusCDR;
};

// What the destination panel shows after a refresh.
struct MediaPanel
{
    std::array<QString, 12> driveInfo;              // lblDriveInfo(0..11)
    std::array<std::optional<QString>, 14> desc;    // lblDesc captions that change
    std::optional<QString> remainSpace;             // txtRemainSpace, when it changes
};

// Bytes that may still be written below path: the disc in CD mode (unless path is the temp
// folder), else the drive's free bytes less the spare reserve.
[[nodiscard]] double Get_DiskFree(const QString& path, const MediaOptions& options);
[[nodiscard]] double LargeIntegerToDouble(qint32 low, qint32 high);
void ClearValues(MediaPanel& panel);
// Refreshes the panel for the destination and stores its free bytes in g_dMediaFree.
// True when the destination can be used. Once a run has started, a drive that is not ready
// asks Retry or Cancel.
[[nodiscard]] bool Update_Media(const MediaOptions& options, MediaPanel& panel);

// A number in the pictures "## ##0.00" (groupSpaces) or "###0.0".
[[nodiscard]] QString FormatMb(double bytes, int decimals, bool groupSpaces);
