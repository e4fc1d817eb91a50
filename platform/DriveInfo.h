#pragma once

#include <QString>

// What the system tells about the drive (mount) that holds a path.
struct DriveInfo
{
    enum class Type { Unknown = 0, Removable = 1, Fixed = 2, Network = 3, CdRom = 4, RamDisk = 5 };

    bool ready = false;
    Type type = Type::Unknown;
    double availableBytes = 0; // free to this user
    double freeBytes = 0;      // free: what the user can write, as availableBytes
    double totalBytes = 0;
    QString fileSystem;
    QString path;       // the mount point
    QString rootFolder; // the mount point, as a folder
    quint32 serialNumber = 0;
    QString shareName;  // the remote source of a network mount
    QString volumeName;
    int subFolders = 0; // folders directly below the root
};

// The drive holding path (its nearest existing folder when the path does not exist yet). A path
// below /media, /run/media or /mnt whose drive is not mounted there is on no ready drive.
[[nodiscard]] DriveInfo QueryDrive(const QString& path);
// The bytes the user can write on the drive holding path (the blocks kept for root left
// out); 0 when it cannot be measured.
[[nodiscard]] double DriveFreeBytes(const QString& path);
// True when path lies on a network file system.
[[nodiscard]] bool IsNetworkPath(const QString& path);
