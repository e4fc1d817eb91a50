#include "DriveInfo.h"

#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
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

// Folders directly below the root, hidden ones too, links to folders counted as folders.
int subFoldersOf(const QString& root)
{
    const QByteArray folder = QFile::encodeName(root);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st { };
            const QByteArray target = folder + '/' + name;
            isFolder = ::stat(target.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        count += isFolder ? 1 : 0;
    }
    ::closedir(dir);
    return count;
}

// The device of the folder; 0 when it cannot be asked.
dev_t deviceOf(const QString& folder)
{
    struct stat st { };
    return ::stat(QFile::encodeName(folder).constData(), &st) == 0 ? st.st_dev : 0;
}

// What the mount table said about the last path asked for: the run asks before every source
// row, and reading the table each time cost more than a row of small files. A path whose
// folder is on another device since (a medium changed) is asked anew.
struct LastDrive {
    std::mutex mutex;
    QString path;
    dev_t device = 0;
    DriveInfo info;
    bool network = false;
};

LastDrive& lastDrive()
{
    static LastDrive last;
    return last;
}

DriveInfo driveFromTable(const QString& path, const QString& folder)
{
    DriveInfo info;
    const QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady() || awaitsItsDrive(path, storage.rootPath()))
        return info;
    info.ready = true;
    info.type = typeOf(storage);
    info.fileSystem = QString::fromLatin1(storage.fileSystemType());
    info.path = storage.rootPath();
    info.rootFolder = storage.rootPath();
    info.serialNumber = serialOf(storage.rootPath());
    if (info.type == DriveInfo::Type::Network)
        info.shareName = QString::fromLocal8Bit(storage.device());
    info.volumeName = storage.name();
    return info;
}

} // namespace

DriveInfo QueryDrive(const QString& path)
{
    const QString folder = existingAncestor(path);
    const dev_t device = deviceOf(folder);
    LastDrive& last = lastDrive();
    DriveInfo info;
    {
        const std::lock_guard lock(last.mutex);
        if (device == 0 || device != last.device || path != last.path) {
            last.info = driveFromTable(path, folder);
            last.network = last.info.type == DriveInfo::Type::Network;
            last.path = path;
            last.device = device;
        }
        info = last.info;
    }
    struct statvfs fs { };
    if (!info.ready || ::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return {};
    info.availableBytes = static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
    // Blocks kept for root are no room for a backup: free space is what the user can write.
    info.freeBytes = info.availableBytes;
    info.totalBytes = static_cast<double>(fs.f_blocks) * static_cast<double>(fs.f_frsize);
    info.subFolders = subFoldersOf(info.rootFolder);
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
    const QString folder = existingAncestor(path);
    const dev_t device = deviceOf(folder);
    LastDrive& last = lastDrive();
    {
        const std::lock_guard lock(last.mutex);
        if (device != 0 && device == last.device && last.info.ready)
            return last.network;
    }
    const QStorageInfo storage(folder);
    return storage.isValid() && isNetworkType(storage.fileSystemType());
}
