#include "FtpTransfer.h"

#include "FtpSession.h"
#include "Modules.h"

namespace {

// In place of the real session when the FTP module cannot be loaded: every operation is
// refused with the reason.
class MissingFtpSession final : public FtpSession
{
public:
    explicit MissingFtpSession(QString why)
        : m_why(std::move(why))
    {
    }
    void setLogon(const FtpLogon& /*logon*/) override {}
    void setRequestTimeout(int /*seconds*/) override {}
    bool list(const FtpFolder& /*folder*/) override { return false; }
    bool makeDirectory(const FtpFolder& /*parent*/, const QString& /*name*/) override { return false; }
    bool changeDirectory(const FtpFolder& /*folder*/) override { return false; }
    bool upload(const QString& /*localPath*/, const FtpFolder& /*folder*/, const QString& /*name*/) override
    {
        return false;
    }
    bool download(const FtpFolder& /*folder*/, const QString& /*name*/, const QString& /*localPath*/) override
    {
        return false;
    }
    bool remove(const FtpFolder& /*folder*/, const QString& /*name*/) override { return false; }
    void close() override {}
    bool isBusy() const override { return false; }
    bool succeeded() const override { return false; }
    int responseCode() const override { return 0; }
    QString responseText() const override { return m_why; }
    QStringList listing() const override { return {}; }

private:
    QString m_why;
};

void emitState(QObject* owner, int state) { emit static_cast<FtpTransfer*>(owner)->stateChanged(state); }

} // namespace

// The session is made, and the module loaded, by the first operation: a window that never
// transfers anything loads no FTP library.
struct FtpTransfer::Private
{
    FtpLogon logon;
    int timeoutSeconds = 60;
    std::unique_ptr<FtpSession> session;
};

FtpTransfer::FtpTransfer(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
}

FtpTransfer::~FtpTransfer() = default;

FtpSession& FtpTransfer::session()
{
    if (!d->session) {
        QString error;
        const auto create = reinterpret_cast<FtpModule::Create>(
            Modules::entry(FtpModule::kName, FtpModule::kCreate, &error));
        if (create)
            d->session.reset(create(this, emitState));
        else
            d->session = std::make_unique<MissingFtpSession>(error);
        d->session->setLogon(d->logon);
        d->session->setRequestTimeout(d->timeoutSeconds);
    }
    return *d->session;
}

void FtpTransfer::setLogon(const FtpLogon& logon)
{
    d->logon = logon;
    if (d->session)
        d->session->setLogon(logon);
}

void FtpTransfer::setRequestTimeout(int seconds)
{
    d->timeoutSeconds = qMax(1, seconds);
    if (d->session)
        d->session->setRequestTimeout(d->timeoutSeconds);
}

bool FtpTransfer::isBusy() const { return d->session && d->session->isBusy(); }
bool FtpTransfer::succeeded() const { return !d->session || d->session->succeeded(); }
int FtpTransfer::responseCode() const { return d->session ? d->session->responseCode() : 0; }
QString FtpTransfer::responseText() const { return d->session ? d->session->responseText() : QString(); }
QStringList FtpTransfer::listing() const { return d->session ? d->session->listing() : QStringList(); }

bool FtpTransfer::list(const FtpFolder& folder) { return session().list(folder); }

bool FtpTransfer::makeDirectory(const FtpFolder& parent, const QString& name)
{
    return session().makeDirectory(parent, name);
}

bool FtpTransfer::changeDirectory(const FtpFolder& folder) { return session().changeDirectory(folder); }

bool FtpTransfer::upload(const QString& localPath, const FtpFolder& folder, const QString& name)
{
    return session().upload(localPath, folder, name);
}

bool FtpTransfer::download(const FtpFolder& folder, const QString& name, const QString& localPath)
{
    return session().download(folder, name, localPath);
}

bool FtpTransfer::remove(const FtpFolder& folder, const QString& name) { return session().remove(folder, name); }

// Closing what never connected tells the same states, without loading anything.
void FtpTransfer::close()
{
    if (d->session) {
        d->session->close();
        return;
    }
    emit stateChanged(FtpState::Disconnecting);
    emit stateChanged(FtpState::Disconnected);
}
