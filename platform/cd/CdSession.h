#pragma once

#include <QString>
#include <QStringList>

#include "CdTypes.h"

class QObject;

// What the CD module tells of a write, as CdWriter's signals tell it on.
class CdEvents
{
public:
    virtual ~CdEvents() = default;
    virtual void preparingToWrite() = 0;
    virtual void preparingTrack(int track, qint64 size) = 0;
    virtual void writingTrackStatus(int track, qint64 written, qint64 third) = 0;
    virtual void closingTrack(qint64 number) = 0;
    virtual void closingSession() = 0;
    virtual void fileError(int code, const QString& file) = 0;
    virtual void writeError(int type, int extendedCode) = 0;
    virtual void writeComplete() = 0;
};

// The CD writer as the CD module carries it out over libburn, libisofs and libisoburn; CdWriter
// hands its calls on (see there for what each does). The module's timer belongs to the owner.
class CdSession : public CdTypes
{
public:
    virtual ~CdSession() = default;

    virtual void scanDevices(const QString& pseudoDrives, bool rescanReal) = 0;
    [[nodiscard]] virtual int deviceCount() const = 0;
    [[nodiscard]] virtual QString deviceName(int device, int part) const = 0;
    virtual bool selectDevice(int device) = 0;
    [[nodiscard]] virtual QString currentAddress() const = 0;
    [[nodiscard]] virtual int maxWriteSpeed() const = 0;
    virtual void setWriteSpeed(int factor) = 0;
    [[nodiscard]] virtual bool burnProofSupported() const = 0;
    virtual void enableBurnProof(bool enable) = 0;
    [[nodiscard]] virtual bool mediaPresent() const = 0;
    [[nodiscard]] virtual DiscStatus discStatus() const = 0;
    [[nodiscard]] virtual int discType() const = 0;
    [[nodiscard]] virtual int sessionCount() const = 0;
    [[nodiscard]] virtual SessionStatus lastSessionStatus() const = 0;
    [[nodiscard]] virtual QString volumeName() const = 0;
    [[nodiscard]] virtual int rootFolderCount() const = 0;
    virtual void setVolumeName(const QString& name) = 0;
    virtual void newImage() = 0;
    virtual bool importPreviousSession() = 0;
    virtual bool closeFormerSession() = 0;
    virtual AddResult addFile(const QString& pathOnDisc, const QString& source) = 0;
    virtual void removeFile(const QString& pathOnDisc) = 0;
    [[nodiscard]] virtual QStringList fileNames(const QString& folder) const = 0;
    [[nodiscard]] virtual int newFileCount() const = 0;
    [[nodiscard]] virtual qint64 imageSize() const = 0;
    [[nodiscard]] virtual qint64 freeCapacity() const = 0;
    virtual void limitCapacity(qint64 bytes) = 0;
    virtual void takeOutChangedFiles() = 0;
    virtual bool startWriting() = 0;
    [[nodiscard]] virtual bool isWriting() const = 0;
    [[nodiscard]] virtual qint64 bytesWritten() const = 0;
    virtual bool afterWriteStep() = 0;
    [[nodiscard]] virtual QString errorData() const = 0;
};

// The entry point of the CD module.
namespace CdModule {

inline const QString kName = QStringLiteral("cd");

using Create = CdSession* (*)(QObject* owner, CdEvents* events);
inline constexpr char kCreate[] = "quillaroCreateCdSession";

} // namespace CdModule
