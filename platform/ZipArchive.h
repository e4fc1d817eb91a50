#pragma once

#include <memory>

#include <QDateTime>
#include <QString>
#include <QStringList>

class ZipArchive;

// Why a file was not added to an archive.
enum class ZipAddProblem {
    None,
    Vanished,         // the file is gone
    Unreadable,       // no permission, not a regular file, or a read error
    Locked,           // another program holds it
    AlreadyInArchive, // an entry of that name is there and overwriting is off
    NoRoom,           // as it was when opened, the file may take more than the room given
    TempWrite,        // the working copy in the temp folder could not be written
    Other,
};

// One entry of an open archive, as the collection gives it.
class ZipEntry {
public:
    ZipEntry() = default;

    [[nodiscard]] bool isValid() const { return m_archive != nullptr; }
    // The stored name: the source path without its leading "/", "/" between folders.
    [[nodiscard]] QString Name() const { return m_name; }
    [[nodiscard]] QDateTime ModificationDate() const { return m_modified; }
    [[nodiscard]] qint64 UncompressedSize() const { return m_size; }
    [[nodiscard]] qint64 CompressedSize() const { return m_compressedSize; }
    // A folder entry: its name ends with "/" (or "\").
    [[nodiscard]] bool isFolder() const
    {
        return m_name.endsWith(QLatin1Char('/')) || m_name.endsWith(QLatin1Char('\\'));
    }
    // Writes the entry below the folder, under its stored name ("\" read as "/"), with its
    // stored time and mode; a folder entry creates the folder. Names that are absolute or hold
    // a ".." part are refused, and no symbolic link below the folder is followed. The file is
    // written beside its place and renamed into it. Entries added since the archive was opened
    // are not yet readable: close and open it again first.
    [[nodiscard]] bool Extract(const QString& targetFolder, QString* error = nullptr) const;

private:
    friend class ZipFiles;
    const ZipArchive* m_archive = nullptr;
    int m_index = -1;
    QString m_name;
    QDateTime m_modified;
    qint64 m_size = 0;
    qint64 m_compressedSize = 0;
};

// The entries of an archive.
class ZipFiles {
    Q_DISABLE_COPY(ZipFiles)
public:
    [[nodiscard]] int Count() const;
    // Adds the file, compressed at the level (0 stores, 1-9 deflate). keepPath stores the
    // full path, else only the file name. The file is read completely here, so its sizes
    // are known at once and it may be deleted right after. A file that cannot be read is
    // not added. With overwrite an entry of the same name is replaced and the new one is
    // the last (the count stays); without it, an existing name is not added again. So a
    // caller tells an added file by the result, not by a change of the count. With a room of
    // zero or more, a file is taken only when what its data may take (mostTaken of its size
    // when it is opened) fits the room; else nothing is written and the problem is NoRoom.
    [[nodiscard]] bool AddFileByName(const QString& path, int level, bool keepPath, bool overwrite,
                                     QString* error = nullptr, qint64 room = -1);
    // The most bytes the data of a file of that size takes at the level: deflate may grow
    // data that does not compress.
    [[nodiscard]] static qint64 mostTaken(qint64 size, int level);
    // The files about to be added, in that order, at the level: they may be read and compressed
    // ahead on the other cores. What is added stays exactly what AddFileByName alone would add;
    // a file added that is not expected, or out of order, is read as usual. More puts them
    // after those already expected, else in their place.
    void expect(const QStringList& paths, int level, bool more = false);
    // Why the last AddFileByName that failed added nothing.
    [[nodiscard]] ZipAddProblem lastAddProblem() const;
    // Whether the file the last AddFileByName added was larger, once read to the size it had
    // when opened, than that size: it grew while it was read.
    [[nodiscard]] bool lastAddGrew() const;
    // Entry 0 to Count() - 1; an invalid entry for any other index.
    [[nodiscard]] ZipEntry Item(int index) const;
    [[nodiscard]] ZipEntry operator()(int index) const { return Item(index); }

private:
    friend class ZipArchive;
    explicit ZipFiles(ZipArchive* archive) : m_archive(archive) { }
    ZipArchive* m_archive;
};

// An ordinary ZIP archive (ZIP64 where sizes or counts need it), written and read in place.
// Changes reach the file at Close(), which writes the archive once, however many files were
// added.
class ZipArchive {
    Q_DISABLE_COPY(ZipArchive)
public:
    ZipArchive();
    // An archive still open is closed, so that no added file is lost.
    ~ZipArchive();

    // Creates a new, empty archive file at once (an existing file is replaced).
    [[nodiscard]] bool Create(const QString& path, QString* error = nullptr);
    // The same with the archive comment: the new file is written once, and a Close() with
    // nothing added leaves it as it is.
    [[nodiscard]] bool Create(const QString& path, const QString& comment, QString* error);
    // Opens an existing archive for adding and reading; a damaged or truncated one fails.
    [[nodiscard]] bool Open(const QString& path, QString* error = nullptr);
    // Opens an existing archive for reading only: it is never written, also not at Close().
    // Every entry its directory lists is there, also two of one name; a damaged entry fails
    // only when it is extracted.
    [[nodiscard]] bool OpenReadOnly(const QString& path, QString* error = nullptr);
    // The archive comment; an archive with no entries gets it on disk at once.
    [[nodiscard]] bool setComment(const QString& comment, QString* error = nullptr);
    [[nodiscard]] QString Comment() const;
    // Writes the changes and releases the file; harmless when no archive is open.
    [[nodiscard]] bool Close(QString* error = nullptr);

    [[nodiscard]] bool isOpen() const;
    [[nodiscard]] QString path() const;
    [[nodiscard]] ZipFiles& Files() { return m_files; }
    [[nodiscard]] const ZipFiles& Files() const { return m_files; }

    // Where the compressed copies of added files wait for Close(); the temp folder by default.
    void setSpoolFolder(const QString& folder);

private:
    friend class ZipFiles;
    friend class ZipEntry;
    [[nodiscard]] bool openWith(const QString& path, int flags, QString* error);
    struct Private;
    std::unique_ptr<Private> d;
    ZipFiles m_files;
};
