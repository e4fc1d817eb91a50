// The CD module: the CD writer over libburn, libisofs and libisoburn, loaded by the first call
// that needs a drive.
#include "CdSession.h"
#include "Modules.h"

// For C++ libburn declares itself in a namespace, while libisoburn names its types at global
// scope: both are C, so take libburn's declarations globally and name the one type the
// other header qualifies.
#define DOXYGEN
extern "C" {
#include <libburn/libburn.h>
}
#undef DOXYGEN
namespace burn {
using ::burn_disc_status;
}
#include <libisofs/libisofs.h>
#include <libisoburn/libisoburn.h>

#include <csignal>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>
#include <QTimer>

namespace {

constexpr qint64 kBlock = 2048;
// Room for the volume descriptors and the session's directory records beside the file data.
constexpr qint64 kSessionOverhead = 64 * kBlock;
constexpr qint64 kPerNode = 512;

// The libraries set up signal handling of their own; the program's dispositions (SIGPIPE
// ignored, so that a closed output pipe does not end a run) are put back afterwards.
class SignalDispositions
{
public:
    SignalDispositions()
    {
        for (int signal = 1; signal < NSIG; ++signal)
            m_saved[signal].first = ::sigaction(signal, nullptr, &m_saved[signal].second) == 0;
    }
    ~SignalDispositions()
    {
        for (int signal = 1; signal < NSIG; ++signal) {
            if (m_saved[signal].first)
                (void)::sigaction(signal, &m_saved[signal].second, nullptr);
        }
    }
    Q_DISABLE_COPY(SignalDispositions)

private:
    std::pair<bool, struct sigaction> m_saved[NSIG] {};
};

bool initialise()
{
    static const bool ok = [] {
        const SignalDispositions keep;
        char message[1024] = {};
        if (isoburn_initialize(message, 0) <= 0)
            return false;
        // Messages are collected for the caller, never printed.
        burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"),
                                 const_cast<char*>("cd writer: "));
        burn_set_signal_handling(nullptr, nullptr, 0x21);
        return true;
    }();
    return ok;
}

// The last failure libburn or libisofs queued, or empty.
QString queuedMessages()
{
    QString text;
    char message[BURN_MSGS_MESSAGE_LEN] = {};
    char severity[80] = {};
    int code = 0;
    int osErrno = 0;
    while (burn_msgs_obtain(const_cast<char*>("SORRY"), &code, message, &osErrno, severity) == 1)
        text = QString::fromLocal8Bit(message);
    return text;
}

struct Device
{
    QString address;
    QString vendor;
    QString product;
};

// Speed units of a medium in kB/s per speed factor, by its profile number.
int speedUnit(int profile)
{
    if (profile >= 0x40)
        return 4496; // BD
    if (profile >= 0x10)
        return 1385; // DVD
    return 176; // CD
}

QString sysText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

// The optical drives of the system, as the kernel names them. Asking the library to scan
// would probe every drive and keep them from being acquired by address afterwards.
QList<Device> opticalDrives()
{
    QList<Device> drives;
    for (const QString& name : QDir(QStringLiteral("/sys/block")).entryList({QStringLiteral("sr*")}, QDir::Dirs | QDir::System)) {
        const QString sys = QStringLiteral("/sys/block/") + name + QStringLiteral("/device/");
        drives.append({QStringLiteral("/dev/") + name, sysText(sys + QStringLiteral("vendor")),
                       sysText(sys + QStringLiteral("model"))});
    }
    return drives;
}

IsoDir* folderOf(IsoImage* image, const QString& folder, bool create)
{
    IsoDir* dir = iso_image_get_root(image);
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        IsoNode* node = nullptr;
        const QByteArray name = part.toUtf8();
        if (iso_dir_get_node(dir, name.constData(), &node) == 1) {
            if (iso_node_get_type(node) != LIBISO_DIR)
                return nullptr;
            dir = reinterpret_cast<IsoDir*>(node);
            continue;
        }
        IsoDir* made = nullptr;
        if (!create || iso_image_add_new_dir(image, dir, name.constData(), &made) < 0)
            return nullptr;
        dir = made;
    }
    return dir;
}

// Calls visit for each node directly in the folder.
template <typename Visit>
void eachChild(IsoDir* dir, Visit visit)
{
    IsoDirIter* iter = nullptr;
    if (!dir || iso_dir_get_children(dir, &iter) < 0)
        return;
    IsoNode* node = nullptr;
    while (iso_dir_iter_next(iter, &node) == 1)
        visit(node);
    iso_dir_iter_free(iter);
}

int countNodes(IsoDir* dir)
{
    int count = 0;
    eachChild(dir, [&count](IsoNode* node) {
        ++count;
        if (iso_node_get_type(node) == LIBISO_DIR)
            count += countNodes(reinterpret_cast<IsoDir*>(node));
    });
    return count;
}

// What a source file was when it went into the image: the write takes its bytes only later.
struct SourceStamp
{
    QString source;
    qint64 bytes = 0; // the room it takes on the disc
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    bool operator==(const SourceStamp& other) const
    {
        return size == other.size && modifiedNs == other.modifiedNs && inode == other.inode;
    }
};

SourceStamp stampOf(const QString& source)
{
    SourceStamp stamp;
    stamp.source = source;
    struct stat st {};
    if (::stat(QFile::encodeName(source).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return stamp;
    stamp.size = st.st_size;
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    return stamp;
}

// The tree of the disc's last session, handed to the drive as its image; null when it cannot
// be read.
IsoImage* readDiscTree(burn_drive* drive)
{
    isoburn_read_opts* options = nullptr;
    if (isoburn_ropt_new(&options, 0) <= 0)
        return nullptr;
    isoburn_ropt_set_extensions(options, isoburn_ropt_noaaip | isoburn_ropt_noacl | isoburn_ropt_noea);
    IsoImage* read = nullptr;
    const int result = isoburn_read_image(drive, options, &read);
    isoburn_ropt_destroy(&options, 0);
    return result > 0 ? read : nullptr;
}

int countFolders(IsoDir* dir)
{
    int count = 0;
    eachChild(dir, [&count](IsoNode* node) { count += iso_node_get_type(node) == LIBISO_DIR ? 1 : 0; });
    return count;
}

struct Private
{
    QList<Device> realDevices;
    bool scanned = false;
    QList<Device> devices;
    int current = -1;
    burn_drive_info* infos = nullptr;
    burn_drive* drive = nullptr;

    IsoImage* image = nullptr;
    bool imageUsable = true;
    QHash<QString, SourceStamp> added; // path on disc -> its source as it was added
    qint64 addedBytes = 0;
    int nodes = 0;
    QString volume;
    int speedFactor = 0;
    bool burnProof = false;
    qint64 capacityLimit = 0;

    burn_disc* disc = nullptr;
    burn_write_opts* writeOptions = nullptr;
    isoburn_imgen_opts* imageOptions = nullptr;
    QTimer* timer = nullptr;
    bool writing = false;
    qint64 written = 0;
    int lastTrack = -1;
    burn_drive_status lastState = BURN_DRIVE_IDLE;
    QString error;
    QStringList readProblems; // messages of the write about the files it read
    // The disc's last session as read for the panel; read again once the drive is.
    struct Summary
    {
        bool read = false;
        QString volume;
        int folders = 0;
    } summary;

    // Read only while no image is prepared: reading the disc's tree hands the drive a new one.
    const Summary& readSummary(int sessions)
    {
        if (summary.read || !drive || writing || image || sessions == 0)
            return summary;
        summary.read = true;
        IsoImage* read = readDiscTree(drive);
        (void)queuedMessages();
        if (!read)
            return summary;
        summary.volume = QString::fromUtf8(iso_image_get_volume_id(read));
        summary.folders = countFolders(iso_image_get_root(read));
        iso_image_unref(read);
        return summary;
    }
    void release()
    {
        dropImage();
        if (drive) {
            isoburn_drive_release(drive, 0);
            burn_drive_info_free(infos);
        }
        drive = nullptr;
        infos = nullptr;
    }
    bool acquire()
    {
        release();
        summary = {};
        if (current < 0 || current >= devices.size())
            return false;
        QByteArray address = devices.at(current).address.toLocal8Bit();
        if (isoburn_drive_aquire(&infos, address.data(), 1) <= 0) {
            error = queuedMessages();
            infos = nullptr;
            return false;
        }
        drive = infos[0].drive;
        return true;
    }
    void dropImage()
    {
        if (image)
            iso_image_unref(image);
        image = nullptr;
        added.clear();
        addedBytes = 0;
        nodes = 0;
        imageUsable = true;
    }
    [[nodiscard]] burn_disc_status status() const
    {
        return drive ? isoburn_disc_get_status(drive) : BURN_DISC_EMPTY;
    }
    [[nodiscard]] int profile() const
    {
        int number = 0;
        char name[80] = {};
        if (drive)
            (void)burn_disc_get_profile(drive, &number, name);
        return number;
    }
    [[nodiscard]] bool isReal() const { return drive && burn_drive_get_drive_role(drive) == 1; }
    void freeWrite()
    {
        if (disc)
            burn_disc_free(disc);
        if (writeOptions)
            burn_write_opts_free(writeOptions);
        if (imageOptions)
            isoburn_igopt_destroy(&imageOptions, 0);
        disc = nullptr;
        writeOptions = nullptr;
        imageOptions = nullptr;
    }
};

class BurnSession final : public CdSession
{
public:
    BurnSession(QObject* owner, CdEvents* events);
    ~BurnSession() override;

    void scanDevices(const QString& pseudoDrives, bool rescanReal) override;
    int deviceCount() const override;
    QString deviceName(int device, int part) const override;
    bool selectDevice(int device) override;
    QString currentAddress() const override;
    int maxWriteSpeed() const override;
    void setWriteSpeed(int factor) override;
    bool burnProofSupported() const override;
    void enableBurnProof(bool enable) override;
    bool mediaPresent() const override;
    DiscStatus discStatus() const override;
    int discType() const override;
    int sessionCount() const override;
    SessionStatus lastSessionStatus() const override;
    QString volumeName() const override;
    int rootFolderCount() const override;
    void setVolumeName(const QString& name) override;
    void newImage() override;
    bool importPreviousSession() override;
    bool closeFormerSession() override;
    AddResult addFile(const QString& pathOnDisc, const QString& source) override;
    void removeFile(const QString& pathOnDisc) override;
    QStringList fileNames(const QString& folder) const override;
    int newFileCount() const override;
    qint64 imageSize() const override;
    qint64 freeCapacity() const override;
    void limitCapacity(qint64 bytes) override;
    void takeOutChangedFiles() override;
    bool startWriting() override;
    bool isWriting() const override;
    qint64 bytesWritten() const override;
    bool afterWriteStep() override;
    QString errorData() const override;

private:
    enum class Start { Started, Busy, Failed };
    Start startOnce();
    void collectReadProblems();
    void reportReadProblems();
    void poll();
    void endWrite();
    CdEvents* m_events;
    std::unique_ptr<Private> d;
};

} // namespace

BurnSession::BurnSession(QObject* owner, CdEvents* events)
    : m_events(events)
    , d(std::make_unique<Private>())
{
    d->timer = new QTimer(owner);
    d->timer->setInterval(100);
    QObject::connect(d->timer, &QTimer::timeout, owner, [this] { poll(); });
}

BurnSession::~BurnSession()
{
    // A write still running is left to end on its own thread's terms: wait for it.
    while (d->writing && d->drive && burn_drive_get_status(d->drive, nullptr) != BURN_DRIVE_IDLE)
        QThread::msleep(100);
    d->freeWrite();
    d->release();
}

void BurnSession::scanDevices(const QString& pseudoDrives, bool rescanReal)
{
    if (d->writing || !initialise())
        return;
    d->release();
    d->current = -1;
    if (rescanReal || !d->scanned) {
        d->realDevices = opticalDrives();
        d->scanned = true;
    }
    d->devices = d->realDevices;
    for (const QString& entry : pseudoDrives.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString address = entry.trimmed();
        if (address.startsWith(QStringLiteral("stdio:")) && address.size() > 6)
            d->devices.append({address, QStringLiteral("File"), QFileInfo(address.mid(6)).fileName()});
    }
}

int BurnSession::deviceCount() const { return int(d->devices.size()); }

QString BurnSession::deviceName(int device, int part) const
{
    if (device < 0 || device >= d->devices.size())
        return {};
    const Device& dev = d->devices.at(device);
    return part == 1 ? dev.address : part == 2 ? dev.vendor : dev.product;
}

bool BurnSession::selectDevice(int device)
{
    if (d->writing)
        return false;
    d->current = device;
    if (d->acquire())
        return true;
    d->current = -1;
    return false;
}

QString BurnSession::currentAddress() const
{
    return d->current >= 0 ? d->devices.at(d->current).address : QString();
}

int BurnSession::maxWriteSpeed() const
{
    if (!d->isReal())
        return 0;
    return burn_drive_get_write_speed(d->drive) / speedUnit(d->profile());
}

void BurnSession::setWriteSpeed(int factor) { d->speedFactor = factor; }

bool BurnSession::burnProofSupported() const { return d->isReal(); }

void BurnSession::enableBurnProof(bool enable) { d->burnProof = enable; }

bool BurnSession::mediaPresent() const
{
    const burn_disc_status s = d->status();
    return s == BURN_DISC_BLANK || s == BURN_DISC_APPENDABLE || s == BURN_DISC_FULL;
}

CdTypes::DiscStatus BurnSession::discStatus() const
{
    switch (d->status()) {
    case BURN_DISC_BLANK:
        return DiscEmpty;
    case BURN_DISC_APPENDABLE:
        return DiscOpen;
    case BURN_DISC_FULL:
        return DiscClosed;
    default:
        return DiscOther;
    }
}

int BurnSession::discType() const { return mediaPresent() ? 0 : 255; }

int BurnSession::sessionCount() const
{
    if (!d->drive)
        return 0;
    isoburn_toc_disc* toc = isoburn_toc_drive_get_disc(d->drive);
    if (!toc)
        return 0;
    int count = 0;
    (void)isoburn_toc_disc_get_sessions(toc, &count);
    isoburn_toc_disc_free(toc);
    return count;
}

CdTypes::SessionStatus BurnSession::lastSessionStatus() const
{
    if (!d->drive)
        return SessionUnknown;
    isoburn_toc_disc* toc = isoburn_toc_drive_get_disc(d->drive);
    if (!toc)
        return sessionCount() == 0 ? SessionEmpty : SessionUnknown;
    const bool incomplete = isoburn_toc_disc_get_incmpl_sess(toc) > 0;
    int count = 0;
    (void)isoburn_toc_disc_get_sessions(toc, &count);
    isoburn_toc_disc_free(toc);
    if (incomplete)
        return SessionIncomplete;
    return count == 0 ? SessionEmpty : SessionClosed;
}

QString BurnSession::volumeName() const
{
    if (d->image)
        return QString::fromUtf8(iso_image_get_volume_id(d->image));
    return d->readSummary(sessionCount()).volume;
}

int BurnSession::rootFolderCount() const
{
    if (d->image)
        return countFolders(iso_image_get_root(d->image));
    return d->readSummary(sessionCount()).folders;
}


void BurnSession::setVolumeName(const QString& name)
{
    d->volume = name;
    if (d->image)
        iso_image_set_volume_id(d->image, name.toUtf8().constData());
}

void BurnSession::newImage()
{
    if (d->writing)
        return;
    // Read the device afresh: the disc may have been changed or written since.
    if (d->current < 0 || !d->acquire())
        return;
    if (iso_image_new("", &d->image) < 0) {
        d->image = nullptr;
        return;
    }
    iso_image_ref(d->image);
    if (isoburn_attach_image(d->drive, d->image) <= 0) {
        iso_image_unref(d->image);
        d->dropImage();
        return;
    }
    // An open disc's earlier files are in it only once they have been imported.
    d->imageUsable = discStatus() != DiscOpen;
}

bool BurnSession::importPreviousSession()
{
    if (!d->drive || d->writing)
        return false;
    IsoImage* read = readDiscTree(d->drive);
    if (!read) {
        d->error = queuedMessages();
        d->imageUsable = false;
        return false;
    }
    if (d->image)
        iso_image_unref(d->image);
    d->image = read;
    d->added.clear();
    d->addedBytes = 0;
    d->nodes = countNodes(iso_image_get_root(read));
    d->imageUsable = true;
    return true;
}

bool BurnSession::closeFormerSession()
{
    // Sessions are closed by the write that makes them; an incomplete one cannot be mended here.
    return d->drive && lastSessionStatus() != SessionIncomplete;
}

CdTypes::AddResult BurnSession::addFile(const QString& pathOnDisc, const QString& source)
{
    if (!d->image || d->writing)
        return AddResult::Failed;
    const qsizetype slash = pathOnDisc.lastIndexOf(QLatin1Char('/'));
    const QString name = pathOnDisc.mid(slash + 1);
    IsoDir* dir = folderOf(d->image, pathOnDisc.left(qMax<qsizetype>(slash, 0)), true);
    if (!dir || name.isEmpty())
        return AddResult::Failed;
    const QByteArray nameBytes = name.toUtf8();
    IsoNode* existing = nullptr;
    AddResult result = AddResult::Added;
    if (iso_dir_get_node(dir, nameBytes.constData(), &existing) == 1) {
        if (d->added.contains(pathOnDisc) || iso_node_get_type(existing) != LIBISO_FILE)
            return AddResult::NameTaken;
        iso_node_remove(existing); // the earlier session's copy gives way to the newer file
        --d->nodes;
        result = AddResult::Replaced;
    }
    IsoNode* node = nullptr;
    if (iso_tree_add_new_node(d->image, dir, nameBytes.constData(), QFile::encodeName(source).constData(), &node) < 0) {
        d->error = queuedMessages();
        return AddResult::Failed;
    }
    SourceStamp stamp = stampOf(source);
    stamp.bytes = (qMax<qint64>(stamp.size, 0) + kBlock - 1) / kBlock * kBlock;
    d->added.insert(pathOnDisc, stamp);
    d->addedBytes += stamp.bytes;
    ++d->nodes;
    return result;
}

void BurnSession::removeFile(const QString& pathOnDisc)
{
    if (!d->image || d->writing || !d->added.contains(pathOnDisc))
        return;
    IsoNode* node = nullptr;
    const QByteArray path = (QLatin1Char('/') + pathOnDisc).toUtf8();
    if (iso_tree_path_to_node(d->image, path.constData(), &node) == 1 && node) {
        d->addedBytes -= d->added.value(pathOnDisc).bytes;
        iso_node_remove(node);
        --d->nodes;
    }
    d->added.remove(pathOnDisc);
}

QStringList BurnSession::fileNames(const QString& folder) const
{
    QStringList names;
    eachChild(d->image ? folderOf(d->image, folder, false) : nullptr, [&names](IsoNode* node) {
        if (iso_node_get_type(node) == LIBISO_FILE)
            names.append(QString::fromUtf8(iso_node_get_name(node)));
    });
    return names;
}

int BurnSession::newFileCount() const { return int(d->added.size()); }

qint64 BurnSession::imageSize() const { return d->addedBytes + kSessionOverhead + qint64(d->nodes) * kPerNode; }

qint64 BurnSession::freeCapacity() const
{
    if (!d->drive || !mediaPresent() || discStatus() == DiscClosed)
        return 0;
    const qint64 free = qMax<qint64>(0, isoburn_disc_available_space(d->drive, nullptr));
    return d->capacityLimit > 0 ? qMin(free, d->capacityLimit) : free;
}

void BurnSession::limitCapacity(qint64 bytes) { d->capacityLimit = bytes; }

bool BurnSession::startWriting()
{
    d->error.clear();
    if (d->writing || !d->drive || !d->image) {
        d->error = QStringLiteral("no disc image is prepared");
        return false;
    }
    if (!d->imageUsable) {
        d->error = QStringLiteral("the earlier sessions of the disc were not imported");
        return false;
    }
    iso_image_set_volume_id(d->image, d->volume.toUtf8().constData());
    // The library refuses a write while the thread of the one before is still winding up.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (attempt > 0)
            QThread::msleep(100);
        const Start start = startOnce();
        if (start == Start::Started)
            return true;
        if (start == Start::Failed)
            return false;
    }
    return false;
}

// The image reads its files only at the write: a file that has changed or gone since it was
// added would go on the disc other than it was (a gone one as zeros), so it is taken out.
void BurnSession::takeOutChangedFiles()
{
    const auto added = d->added;
    for (auto it = added.cbegin(); it != added.cend(); ++it) {
        const SourceStamp now = stampOf(it.value().source);
        if (now == it.value())
            continue;
        removeFile(it.key());
        m_events->fileError(now.size < 0 ? FileOpenError : FileReadError, it.value().source);
    }
}

// Problems the image met reading the files it writes; each names the file.
void BurnSession::collectReadProblems()
{
    char message[BURN_MSGS_MESSAGE_LEN] = {};
    char severity[80] = {};
    int code = 0;
    int osErrno = 0;
    while (burn_msgs_obtain(const_cast<char*>("WARNING"), &code, message, &osErrno, severity) == 1) {
        const QString text = QString::fromLocal8Bit(message);
        d->readProblems.append(text);
        if (QByteArray(severity) != "WARNING" && QByteArray(severity) != "HINT")
            d->error = text;
    }
}

// The files whose reading the write's messages name: their copies on the disc are not whole.
void BurnSession::reportReadProblems()
{
    for (auto it = d->added.cbegin(); it != d->added.cend(); ++it) {
        for (const QString& text : std::as_const(d->readProblems)) {
            if (text.contains(it.value().source) || text.contains(QLatin1Char('/') + it.key())) {
                m_events->fileError(FileReadError, it.value().source);
                break;
            }
        }
    }
    d->readProblems.clear();
}

BurnSession::Start BurnSession::startOnce()
{
    (void)queuedMessages();
    if (isoburn_igopt_new(&d->imageOptions, 0) <= 0)
        return Start::Failed;
    isoburn_igopt_set_extensions(d->imageOptions, isoburn_igopt_rockridge | isoburn_igopt_joliet);
    isoburn_igopt_set_relaxed(d->imageOptions, isoburn_igopt_allow_deep_paths);
    if (isoburn_prepare_disc(d->drive, &d->disc, d->imageOptions) <= 0) {
        d->error = queuedMessages();
        d->freeWrite();
        return Start::Failed;
    }
    d->writeOptions = burn_write_opts_new(d->drive);
    burn_write_opts_set_perform_opc(d->writeOptions, 0);
    // Real discs stay open for the next session; files take sessions by emulation.
    burn_write_opts_set_multi(d->writeOptions, d->isReal() ? 1 : 0);
    burn_write_opts_set_underrun_proof(d->writeOptions, d->burnProof ? 1 : 0);
    if (d->speedFactor > 0)
        burn_drive_set_speed(d->drive, 0, d->speedFactor * speedUnit(d->profile()));
    isoburn_disc_write(d->writeOptions, d->disc);
    if (burn_drive_get_status(d->drive, nullptr) == BURN_DRIVE_IDLE) {
        d->error = queuedMessages();
        if (!d->error.isEmpty()) {
            isoburn_cancel_prepared_write(d->drive, nullptr, 0);
            d->freeWrite();
            return d->error.contains(QStringLiteral("still going on")) ? Start::Busy : Start::Failed;
        }
    }
    d->written = 0;
    d->readProblems.clear();
    d->lastTrack = -1;
    d->lastState = BURN_DRIVE_IDLE;
    d->writing = true;
    m_events->preparingToWrite();
    d->timer->start();
    return Start::Started;
}

bool BurnSession::isWriting() const { return d->writing; }

qint64 BurnSession::bytesWritten() const { return d->written; }

void BurnSession::poll()
{
    collectReadProblems();
    burn_progress progress {};
    const burn_drive_status state = burn_drive_get_status(d->drive, &progress);
    if (state == BURN_DRIVE_IDLE) {
        endWrite();
        return;
    }
    if (state == BURN_DRIVE_WRITING && progress.track != d->lastTrack) {
        d->lastTrack = progress.track;
        m_events->preparingTrack(progress.track + 1, qint64(progress.sectors) * kBlock);
    }
    const qint64 written = qint64(progress.sector) * kBlock;
    if (written > d->written) {
        d->written = written;
        m_events->writingTrackStatus(progress.track + 1, written, progress.buffered_bytes);
    }
    if (state != d->lastState) {
        if (state == BURN_DRIVE_CLOSING_TRACK)
            m_events->closingTrack(progress.track + 1);
        else if (state == BURN_DRIVE_CLOSING_SESSION)
            m_events->closingSession();
        d->lastState = state;
    }
}

void BurnSession::endWrite()
{
    d->timer->stop();
    collectReadProblems();
    const bool well = isoburn_drive_wrote_well(d->drive) > 0;
    reportReadProblems();
    if (!well) {
        const QString more = queuedMessages();
        if (!more.isEmpty())
            d->error = more;
        // Ends the image's own writer, which would wait for ever for a reader.
        isoburn_cancel_prepared_write(d->drive, nullptr, 0);
    }
    d->freeWrite();
    d->writing = false;
    if (!well) {
        // Anything written is of no use; the image stays for a write on another disc.
        m_events->writeError(3, 1051);
        return;
    }
    m_events->writeComplete();
}

bool BurnSession::afterWriteStep()
{
    if (!d->drive || d->writing)
        return false;
    const bool ok = isoburn_activate_session(d->drive) > 0;
    if (!ok)
        d->error = queuedMessages();
    // Read the disc again, so that its status shows the new session.
    (void)d->acquire();
    return ok;
}

QString BurnSession::errorData() const { return d->error; }

QUILLARO_MODULE_ENTRY CdSession* quillaroCreateCdSession(QObject* owner, CdEvents* events)
{
    return new BurnSession(owner, events);
}
