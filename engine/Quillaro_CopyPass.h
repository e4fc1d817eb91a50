#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "FileAttributes.h"
#include "RunOptions.h"
#include "RunState.h"
#include "SyncFileOps.h"

class CdImageRun;
class RunHost;

// The "File copy" pass of a run: each file is copied into the destination folder, flat or
// below the folders of its source path.
class CopyPass
{
    Q_DISABLE_COPY(CopyPass)
public:
    CopyPass(const RunOptions& options, RunHost& host, RunTally& tally);
    ~CopyPass();

    // Copies one file unless the incremental rule skips it; in CD mode into the disc image. The
    // run's stat of the file, when given, spares asking its size again.
    void Copy_Now(const QString& file, bool archiveBit, const FileAttributes::FileStat* stat = nullptr);
    // Clears the archive attributes of the files copied so far.
    void flushClears();
    // Writes the disc image of a CD-mode run; false when it was not written well.
    bool burnImage();

    // Where the copy of a source file goes.
    [[nodiscard]] static QString targetOf(const QString& file, const QString& destination,
                                          bool withStructure);

private:
    bool waitForRoom(double bytes);
    void copyToCd(const QString& file, double bytes, bool archiveBit);
    void count(const QString& file, double bytes);
    void measureRoomAfter(double bytes);
    void makeFolderOf(const QString& target);
    void notCopied(const QString& file, const SyncFileOps::Failure& failure);

    const RunOptions& m_options;
    RunHost& m_host;
    RunTally& m_tally;
    QStringList m_copiedToClear; // copied, archive attribute not yet cleared
    std::unique_ptr<CdImageRun> m_cdImage;
    QString m_folderThere; // the target folder of the last file copied
    int m_copiedUnmeasured = 0; // files copied since the free space was last measured
};
