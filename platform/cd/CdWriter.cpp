#include "CdWriter.h"

#include "CdSession.h"
#include "Modules.h"

// The session is made, and the module loaded, by the first call that needs a drive; what the
// window asks of a writer it never used is answered here.
struct CdWriter::Private : CdEvents
{
    CdWriter* q = nullptr;
    std::unique_ptr<CdSession> session;
    QString loadError; // why the module could not be loaded

    void preparingToWrite() override { emit q->preparingToWrite(); }
    void preparingTrack(int track, qint64 size) override { emit q->preparingTrack(track, size); }
    void writingTrackStatus(int track, qint64 written, qint64 third) override
    {
        emit q->writingTrackStatus(track, written, third);
    }
    void closingTrack(qint64 number) override { emit q->closingTrack(number); }
    void closingSession() override { emit q->closingSession(); }
    void fileError(int code, const QString& file) override { emit q->fileError(code, file); }
    void writeError(int type, int extendedCode) override { emit q->writeError(type, extendedCode); }
    void writeComplete() override { emit q->writeComplete(); }
};

CdWriter::CdWriter(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->q = this;
}

CdWriter::~CdWriter() = default;

// Null when the module cannot be loaded; errorData() then tells why.
CdSession* CdWriter::session() const
{
    if (!d->session && d->loadError.isEmpty()) {
        const auto create = reinterpret_cast<CdModule::Create>(
            Modules::entry(CdModule::kName, CdModule::kCreate, &d->loadError));
        if (create)
            d->session.reset(create(const_cast<CdWriter*>(this), d.get()));
    }
    return d->session.get();
}

void CdWriter::scanDevices(const QString& pseudoDrives, bool rescanReal)
{
    if (CdSession* s = session())
        s->scanDevices(pseudoDrives, rescanReal);
}

int CdWriter::deviceCount() const
{
    return d->session ? d->session->deviceCount() : 0;
}

QString CdWriter::deviceName(int device, int part) const
{
    return d->session ? d->session->deviceName(device, part) : QString();
}

bool CdWriter::selectDevice(int device)
{
    CdSession* s = session();
    return s && s->selectDevice(device);
}

QString CdWriter::currentAddress() const
{
    return d->session ? d->session->currentAddress() : QString();
}

int CdWriter::maxWriteSpeed() const
{
    return d->session ? d->session->maxWriteSpeed() : 0;
}

void CdWriter::setWriteSpeed(int factor)
{
    if (CdSession* s = session())
        s->setWriteSpeed(factor);
}

bool CdWriter::burnProofSupported() const
{
    return d->session ? d->session->burnProofSupported() : false;
}

void CdWriter::enableBurnProof(bool enable)
{
    if (CdSession* s = session())
        s->enableBurnProof(enable);
}

bool CdWriter::mediaPresent() const
{
    CdSession* s = session();
    return s && s->mediaPresent();
}

CdWriter::DiscStatus CdWriter::discStatus() const
{
    CdSession* s = session();
    return s ? s->discStatus() : DiscOther;
}

int CdWriter::discType() const
{
    CdSession* s = session();
    return s ? s->discType() : 0;
}

int CdWriter::sessionCount() const
{
    CdSession* s = session();
    return s ? s->sessionCount() : 0;
}

CdWriter::SessionStatus CdWriter::lastSessionStatus() const
{
    CdSession* s = session();
    return s ? s->lastSessionStatus() : SessionUnknown;
}

QString CdWriter::volumeName() const
{
    CdSession* s = session();
    return s ? s->volumeName() : QString();
}

int CdWriter::rootFolderCount() const
{
    CdSession* s = session();
    return s ? s->rootFolderCount() : 0;
}

void CdWriter::setVolumeName(const QString& name)
{
    if (CdSession* s = session())
        s->setVolumeName(name);
}

void CdWriter::newImage()
{
    if (CdSession* s = session())
        s->newImage();
}

bool CdWriter::importPreviousSession()
{
    CdSession* s = session();
    return s && s->importPreviousSession();
}

bool CdWriter::closeFormerSession()
{
    CdSession* s = session();
    return s && s->closeFormerSession();
}

CdWriter::AddResult CdWriter::addFile(const QString& pathOnDisc, const QString& source)
{
    CdSession* s = session();
    return s ? s->addFile(pathOnDisc, source) : AddResult::Failed;
}

void CdWriter::removeFile(const QString& pathOnDisc)
{
    if (CdSession* s = session())
        s->removeFile(pathOnDisc);
}

QStringList CdWriter::fileNames(const QString& folder) const
{
    CdSession* s = session();
    return s ? s->fileNames(folder) : QStringList();
}

int CdWriter::newFileCount() const
{
    return d->session ? d->session->newFileCount() : 0;
}

qint64 CdWriter::imageSize() const
{
    CdSession* s = session();
    return s ? s->imageSize() : 0;
}

qint64 CdWriter::freeCapacity() const
{
    CdSession* s = session();
    return s ? s->freeCapacity() : 0;
}

void CdWriter::limitCapacity(qint64 bytes)
{
    if (CdSession* s = session())
        s->limitCapacity(bytes);
}

void CdWriter::takeOutChangedFiles()
{
    if (CdSession* s = session())
        s->takeOutChangedFiles();
}

bool CdWriter::startWriting()
{
    CdSession* s = session();
    return s && s->startWriting();
}

bool CdWriter::isWriting() const
{
    return d->session ? d->session->isWriting() : false;
}

qint64 CdWriter::bytesWritten() const
{
    return d->session ? d->session->bytesWritten() : 0;
}

bool CdWriter::afterWriteStep()
{
    CdSession* s = session();
    return s && s->afterWriteStep();
}

QString CdWriter::errorData() const
{
    return d->session ? d->session->errorData() : d->loadError;
}
