#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "CdTypes.h"

class CdSession;

// The CD writer: writer devices, the disc in the current device, one disc image and its
// writing, in the terms its callers use. Devices are the drives the system reports and the
// file-backed pseudo-drives ("stdio:PATH") it is told of. All calls come from one thread; a
// write goes on by itself and reports through the signals, polled from the event loop. The CD
// module, which alone needs libburn, libisofs and libisoburn, is loaded by the first call that
// needs a drive.
class CdWriter : public QObject, public CdTypes
{
    Q_OBJECT
public:
    explicit CdWriter(QObject* parent = nullptr);
    ~CdWriter() override;

    // The device list: real drives (scanned once, again only when asked) and the pseudo-drives
    // of the ";"-separated address list.
    void scanDevices(const QString& pseudoDrives, bool rescanReal);
    [[nodiscard]] int deviceCount() const;
    // Part 1 the address, 2 the vendor, 3 the product.
    [[nodiscard]] QString deviceName(int device, int part) const;
    // Makes the device current; false when it cannot be used. Refused while a write runs.
    bool selectDevice(int device);
    [[nodiscard]] QString currentAddress() const;

    [[nodiscard]] int maxWriteSpeed() const; // speed factor; 0 when none is reported
    void setWriteSpeed(int factor);
    [[nodiscard]] bool burnProofSupported() const;
    void enableBurnProof(bool enable);

    [[nodiscard]] bool mediaPresent() const;
    [[nodiscard]] DiscStatus discStatus() const;
    [[nodiscard]] int discType() const; // 0 data disc, 255 unknown
    [[nodiscard]] int sessionCount() const;
    [[nodiscard]] SessionStatus lastSessionStatus() const;
    // The volume name and the number of folders at the root: of the image when one is
    // prepared, else of the disc's last session (empty and 0 for a blank disc).
    [[nodiscard]] QString volumeName() const;
    [[nodiscard]] int rootFolderCount() const;
    void setVolumeName(const QString& name);

    // A new, empty image for the disc now in the device (the device is read afresh).
    void newImage();
    // The files of the disc's last session become part of the image; false when they cannot
    // be read, which leaves the image unusable: it would hide them.
    bool importPreviousSession();
    bool closeFormerSession();
    // Path on disc with "/" between folders; an existing file of an earlier session is
    // replaced, one added to this image is kept and the new one refused.
    AddResult addFile(const QString& pathOnDisc, const QString& source);
    void removeFile(const QString& pathOnDisc);
    // Names of the files in a folder of the image ("" the root).
    [[nodiscard]] QStringList fileNames(const QString& folder) const;
    // Files added since the image was made.
    [[nodiscard]] int newFileCount() const;
    [[nodiscard]] qint64 imageSize() const;    // bytes the next session needs
    [[nodiscard]] qint64 freeCapacity() const; // bytes free on the disc
    // Tests: the disc offers at most this many bytes (0: what the medium says).
    void limitCapacity(qint64 bytes);

    // The image reads its files only when it is written: a file that changed or went since it
    // was added is taken out of it, with fileError. Called right before startWriting().
    void takeOutChangedFiles();
    // Starts writing the image; false when it cannot start (errorData() says why).
    bool startWriting();
    [[nodiscard]] bool isWriting() const;
    // Bytes written by the current write: grows while it makes progress.
    [[nodiscard]] qint64 bytesWritten() const;
    // Completes the written session so that it is the disc's current one.
    bool afterWriteStep();
    [[nodiscard]] QString errorData() const;

signals:
    void preparingToWrite();
    void preparingTrack(int track, qint64 size);
    void writingTrackStatus(int track, qint64 written, qint64 third);
    void closingTrack(qint64 number);
    void closingSession();
    // A source file that is not on the disc as it was added (code FileOpenError: gone,
    // FileReadError: changed, or not read whole by the write).
    void fileError(int code, const QString& file);
    void writeError(int type, int extendedCode);
    void writeComplete();

private:
    CdSession* session() const;
    struct Private;
    std::unique_ptr<Private> d;
};
