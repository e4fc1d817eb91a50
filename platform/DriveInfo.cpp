#include "DriveInfo.h"

#include <sys/statvfs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

// The path itself or the closest folder above it that exists.
QString existingAncestor(const QString& path)
{
    QString p = QDir::cleanPath(path);
    while (!p.isEmpty() && !QFileInfo::exists(p)) {
        const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QStringLiteral("/");
        p = p.left(slash);
    }
    return p;
}

bool isNetworkType(const QByteArray& fs)
{
    static const QList<QByteArray> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs",
                                              "9p", "davfs", "fuse.davfs", "afs", "ceph"};
    return network.contains(fs);
}

bool isRemovableDevice(const QByteArray& device)
{
    // /dev/sdb1 -> /sys/block/sdb/removable
    QString name = QFileInfo(QString::fromLocal8Bit(device)).fileName();
    while (!name.isEmpty() && !QFile::exists(QStringLiteral("/sys/block/") + name))
        name.chop(1);
    if (name.isEmpty())
        return false;
    QFile f(QStringLiteral("/sys/block/") + name + QStringLiteral("/removable"));
    return f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == "1";
}

DriveInfo::Type typeOf(const QStorageInfo& storage)
{
    const QByteArray fs = storage.fileSystemType();
    if (fs == "iso9660" || fs == "udf")
        return DriveInfo::Type::CdRom;
    if (isNetworkType(fs))
        return DriveInfo::Type::Network;
    if (fs == "tmpfs" || fs == "ramfs")
        return DriveInfo::Type::RamDisk;
    if (isRemovableDevice(storage.device()))
        return DriveInfo::Type::Removable;
    return fs.isEmpty() ? DriveInfo::Type::Unknown : DriveInfo::Type::Fixed;
}

quint32 serialOf(const QString& root)
{
    struct statvfs st {};
    if (statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return 0;
    return static_cast<quint32>(st.f_fsid);
}

// Below these folders a path names a drive that is mounted there when it is plugged in; while
// it is not, the path would land on the system disk.
bool awaitsItsDrive(const QString& path, const QString& mountPoint)
{
    const QString clean = QDir::cleanPath(path);
    for (const QString& location : {QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt")}) {
        if (!clean.startsWith(location + QLatin1Char('/')))
            continue;
        return !mountPoint.startsWith(location + QLatin1Char('/'));
    }
    return false;
}

} // namespace

DriveInfo QueryDrive(const QString& path)
{
    DriveInfo info;
    const QStorageInfo storage(existingAncestor(path));
    if (!storage.isValid() || !storage.isReady() || awaitsItsDrive(path, storage.rootPath()))
        return info;
    info.ready = true;
    info.type = typeOf(storage);
    info.availableBytes = static_cast<double>(storage.bytesAvailable());
    // Blocks kept for root are no room for a backup: free space is what the user can write.
    info.freeBytes = info.availableBytes;
    info.totalBytes = static_cast<double>(storage.bytesTotal());
    info.fileSystem = QString::fromLatin1(storage.fileSystemType());
    info.path = storage.rootPath();
    info.rootFolder = storage.rootPath();
    info.serialNumber = serialOf(storage.rootPath());
    if (info.type == DriveInfo::Type::Network)
        info.shareName = QString::fromLocal8Bit(storage.device());
    info.volumeName = storage.name();
    info.subFolders = static_cast<int>(
        QDir(storage.rootPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).size());
    return info;
}

// Asked of the file system itself: the run measures its destination after every file, and
// reading the mount table each time cost more than the copy.
double DriveFreeBytes(const QString& path)
{
    struct statvfs fs
    {
    };
    if (::statvfs(QFile::encodeName(existingAncestor(path)).constData(), &fs) != 0)
        return 0;
    return static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
}

bool IsNetworkPath(const QString& path)
{
    const QStorageInfo storage(existingAncestor(path));
    return storage.isValid() && isNetworkType(storage.fileSystemType());
}
