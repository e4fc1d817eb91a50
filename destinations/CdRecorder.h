#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "CdWriter.h"

class DriveLock;

struct MediaPanel;

// The CD writer as the main window and the backup run use it: the device and speed lists,
// the disc image of a run, its burning with the wait for the end of the write, the writer's
// events as status lines, and the disc lines of the destination panel.
class CdRecorder : public QObject
{
    Q_OBJECT
public:
    explicit CdRecorder(QObject* parent = nullptr);
    ~CdRecorder() override;

    [[nodiscard]] CdWriter& writer() { return m_writer; }

    // Entries of the device list: address, ": ", vendor, " ", product. Real drives are
    // scanned again only when rescan is true; pseudo-drives come from the "Drives" setting of
    // the "CD Writer" section and QUILLARO_CD_DRIVES, addresses separated by ";".
    [[nodiscard]] QStringList deviceEntries(bool rescan);
    // Makes the device at that list position current; CdDeviceIndex is -1 when refused.
    bool selectDevice(int index);
    // The speed factors offered for a maximum speed, highest first; none for 0 or less.
    [[nodiscard]] static QList<int> speedFactors(int maximum);

    // Takes the selected drive for this run alone, waiting a bounded time while another run
    // writes it; false, logged, when it stays taken or no drive is selected. The drive is
    // held until releaseDrive().
    bool claimDrive();
    void releaseDrive();
    // Prepares a new image for the disc in the device, with the files of its earlier
    // sessions. False, with the reason shown and logged, when nothing may be burnt on it.
    bool OpenCopy2CD();
    // Adds the file under the folder; false, logged, when it could not be added (a name
    // that the image already holds from this run included).
    bool AddImage2CD(const QString& folder, const QString& file);
    void RemoveImage2CD(const QString& folder, const QString& file);
    // Free bytes of the disc, and the bytes the image needs.
    [[nodiscard]] double FreeCdSpace();
    [[nodiscard]] double imageBytes() const { return double(m_writer.imageSize()); }
    // Names of the files at the root of the image.
    [[nodiscard]] QStringList rootFiles() const { return m_writer.fileNames({}); }
    // Writes the image as the disc's new session and waits for the write to end. True when
    // the session was written well, or when the image holds no new file (nothing is burnt).
    // The source files that are not on the disc as they were added are then in notWritten().
    bool BurnCD(bool burnProof);
    [[nodiscard]] QStringList takeNotWritten();
    // Fills the disc lines of the destination panel.
    void SetStatusCDR(MediaPanel& panel);
    [[nodiscard]] bool CDready();
    // Where a file goes on the disc: the folder less its leading "/", then the file's name.
    [[nodiscard]] static QString pathOnDisc(const QString& folder, const QString& file);

    [[nodiscard]] bool busy() const { return CdBusy != 0; }
    [[nodiscard]] qint16 deviceIndex() const { return CdDeviceIndex; }
    // Tests: the pause before a write starts, and the stretch without progress after which
    // the wait for a write gives up.
    void setStartDelaySeconds(int seconds) { m_startDelaySeconds = seconds; }
    void setStallLimitSeconds(int seconds) { m_stallLimitSeconds = seconds; }
    // Tests: how long claimDrive() waits for a drive another run writes.
    void setDriveWaitSeconds(int seconds) { m_driveWaitSeconds = seconds; }

    // The writer's events.
    void CDWriterXP1_CachingTrack(int track, qint64 size);
    void CDWriterXP1_CachingTrackStatus(qint64 cached);
    void CDWriterXP1_PreparingToWrite();
    void CDWriterXP1_PreparingTrack(int track, qint64 size);
    void CDWriterXP1_WritingTrackStatus(int track, qint64 written, qint64 third);
    void CDWriterXP1_ReadingFile(qint64 number);
    void CDWriterXP1_CreatingDirectories();
    void CDWriterXP1_ClosingTrack(qint64 number);
    void CDWriterXP1_ClosingSession();
    void CDWriterXP1_ClosingDisc();
    void CDWriterXP1_FileError(int code, const QString& file);
    void CDWriterXP1_WriteError(int type, int extendedCode);
    void CDWriterXP1_WriteComplete();

signals:
    // The status line, the writer's progress bar (-1 hides it) and the writing clip
    // (empty: stop).
    void statusLine(const QString& text);
    void progress(int value);
    void animation(const QString& clip);

private:
    [[nodiscard]] bool waitForWrite();
    void endOfWrite();

    CdWriter m_writer;
    qint16 CdDeviceIndex = -1;
    qint16 CdBusy = 0;
    qint64 CdTrackSize = 0;
    qint64 CdCacheTotal = 0;
    bool m_wroteWell = false;
    QStringList m_notWritten;
    std::unique_ptr<DriveLock> m_driveLock;
    int m_driveWaitSeconds = 1800;
    int m_startDelaySeconds = 10;
    int m_stallLimitSeconds = 1800;
};
