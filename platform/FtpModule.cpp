// The FTP module: the transfer control's FTP side over libcurl, loaded for the first
// transfer.
#include <functional>
#include <map>

#include <curl/curl.h>

#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include "FtpListing.h"
#include "FtpSession.h"
#include "Modules.h"

namespace {

// A name for the partial upload that no archive pattern takes for an archive.
QString partialName(const QString& name) { return name + QStringLiteral(".part"); }

QByteArray folderUrl(const FtpLogon& logon, const FtpFolder& folder)
{
    const QString host = logon.host.trimmed();
    // An IPv6 address stands in brackets; a name goes in its ASCII form.
    const QByteArray hostPart = host.contains(QLatin1Char(':')) ? '[' + host.toLatin1() + ']' : QUrl::toAce(host);
    QByteArray url = "ftp://" + hostPart + ':' + QByteArray::number(logon.port) + '/';
    if (folder.fromRoot)
        url += "%2F";
    for (const QString& name : folder.names)
        url += QUrl::toPercentEncoding(name) + '/';
    return url;
}

QByteArray fileUrl(const FtpLogon& logon, const FtpFolder& folder, const QString& name)
{
    return folderUrl(logon, folder) + QUrl::toPercentEncoding(name);
}

} // namespace

namespace {

// One step is one request of libcurl; an operation is one step or a short chain of them.
struct Private
{
    QObject* q = nullptr;
    FtpModule::StateChanged stateChanged = nullptr;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    QTimer timer;
    std::map<curl_socket_t, std::pair<QPointer<QSocketNotifier>, QPointer<QSocketNotifier>>> sockets;
    curl_slist* quotes = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    FtpLogon logon;
    int timeoutSeconds = 60;
    bool busy = false;
    bool connected = false;
    bool ok = true;
    int code = 0;
    QString text;
    QString lastReply;
    QStringList names;

    QByteArray received;
    QFile* source = nullptr;
    QSaveFile* target = nullptr;
    // Decides what follows a finished step: another step, or the end of the operation.
    std::function<void(CURLcode)> onStepDone;

    ~Private()
    {
        dropHandles();
    }

    void dropHandles()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        easy = nullptr;
        multi = nullptr;
        for (auto& [socket, notifiers] : sockets) {
            delete notifiers.first;
            delete notifiers.second;
        }
        sockets.clear();
        clearQuotes();
        timer.stop();
    }

    void clearQuotes()
    {
        curl_slist_free_all(quotes);
        quotes = nullptr;
    }

    void ensureHandles()
    {
        if (multi)
            return;
        multi = curl_multi_init();
        curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Private::socketCallback);
        curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Private::timerCallback);
        curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
        easy = curl_easy_init();
    }

    static int socketCallback(CURL*, curl_socket_t socket, int what, void* self, void*)
    {
        static_cast<Private*>(self)->watch(socket, what);
        return 0;
    }

    static int timerCallback(CURLM*, long milliseconds, void* self)
    {
        auto* d = static_cast<Private*>(self);
        if (milliseconds < 0)
            d->timer.stop();
        else
            d->timer.start(int(milliseconds));
        return 0;
    }

    void watch(curl_socket_t socket, int what)
    {
        auto& [reader, writer] = sockets[socket];
        if (what == CURL_POLL_REMOVE) {
            for (QSocketNotifier* n : {reader.data(), writer.data()}) {
                if (n) {
                    n->setEnabled(false);
                    n->deleteLater();
                }
            }
            sockets.erase(socket);
            return;
        }
        if (!reader)
            reader = notifier(socket, QSocketNotifier::Read, CURL_CSELECT_IN);
        if (!writer)
            writer = notifier(socket, QSocketNotifier::Write, CURL_CSELECT_OUT);
        reader->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        writer->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
    }

    QSocketNotifier* notifier(curl_socket_t socket, QSocketNotifier::Type type, int select)
    {
        auto* n = new QSocketNotifier(qintptr(socket), type, q);
        QObject::connect(n, &QSocketNotifier::activated, q, [this, socket, select] { drive(socket, select); });
        return n;
    }

    void drive(curl_socket_t socket, int select)
    {
        if (!multi)
            return;
        int running = 0;
        curl_multi_socket_action(multi, socket, select, &running);
        collect();
    }

    void collect()
    {
        int left = 0;
        while (CURLMsg* message = multi ? curl_multi_info_read(multi, &left) : nullptr) {
            if (message->msg != CURLMSG_DONE)
                continue;
            const CURLcode result = message->data.result;
            curl_multi_remove_handle(multi, easy);
            clearQuotes();
            // The step's end may start the next step, which sets a new callback.
            const auto done = std::move(onStepDone);
            done(result);
            return;
        }
    }

    static size_t replyCallback(char* data, size_t size, size_t count, void* self)
    {
        auto* d = static_cast<Private*>(self);
        const QString line = QString::fromUtf8(data, qsizetype(size * count)).trimmed();
        // The first refusal tells why a step failed; the replies to closing follow it.
        if (d->lastReply.isEmpty() && line.size() >= 3 && line.left(3).toInt() >= 400)
            d->lastReply = line;
        return size * count;
    }

    static size_t receiveCallback(char* data, size_t size, size_t count, void* self)
    {
        auto* d = static_cast<Private*>(self);
        const auto bytes = qsizetype(size * count);
        if (d->target)
            return d->target->write(data, bytes) == bytes ? size * count : 0;
        d->received.append(data, bytes);
        return size * count;
    }

    static size_t sendCallback(char* buffer, size_t size, size_t count, void* self)
    {
        auto* d = static_cast<Private*>(self);
        const qint64 read = d->source->read(buffer, qint64(size * count));
        return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
    }

    // The options every step shares: log-on, time-outs on silence only, no proxy for this host
    // when it is a loopback address.
    void prepareStep(const QByteArray& url)
    {
        ensureHandles();
        curl_easy_reset(easy);
        errorBuffer[0] = 0;
        lastReply.clear();
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        // A reused connection is not announced to the socket watch again: each step logs on anew.
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(easy, CURLOPT_USERNAME, logon.user.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, logon.password.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "localhost,127.0.0.0/8,::1");
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, long(timeoutSeconds));
        curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(timeoutSeconds));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(timeoutSeconds));
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Private::replyCallback);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Private::receiveCallback);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    }

    void setQuotes(const QStringList& commands)
    {
        clearQuotes();
        for (const QString& c : commands)
            quotes = curl_slist_append(quotes, c.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_POSTQUOTE, quotes);
    }

    void runStep(std::function<void(CURLcode)> done)
    {
        onStepDone = std::move(done);
        received.clear();
        curl_multi_add_handle(multi, easy);
        int running = 0;
        curl_multi_socket_action(multi, CURL_SOCKET_TIMEOUT, 0, &running);
        QTimer::singleShot(0, q, [this] { collect(); });
    }

    bool begin()
    {
        if (busy) {
            refuse(QStringLiteral("the transfer control is still executing the last request"));
            return false;
        }
        busy = true;
        ok = true;
        code = 0;
        text.clear();
        if (!connected)
            QTimer::singleShot(0, q, [this] { stateChanged(q, FtpState::Connecting); });
        QTimer::singleShot(0, q, [this] { stateChanged(q, FtpState::Requesting); });
        return true;
    }

    void refuse(const QString& why)
    {
        ok = false;
        code = 0;
        text = why;
    }

    // The step's result as the callers read it: any curl failure fails the operation.
    [[nodiscard]] int refusal() const { return lastReply.left(3).toInt(); }

    void noteResult(CURLcode result)
    {
        code = refusal();
        if (result == CURLE_OK) {
            code = 0;
            text.clear();
            return;
        }
        ok = false;
        const QString detail = errorBuffer[0] ? QString::fromUtf8(errorBuffer)
                                              : QString::fromUtf8(curl_easy_strerror(result));
        text = lastReply.isEmpty() || code < 400 ? detail : lastReply + QStringLiteral(" (") + detail + QLatin1Char(')');
        // No refusing reply: the transport failed, and its own number tells how.
        if (code < 400)
            code = int(result);
    }

    // A failed upload takes its partial copy away where the server still answers; the
    // failure is the upload's, whatever the removal gives.
    void dropPartial(const FtpFolder& folder, const QString& partial, CURLcode failure)
    {
        noteResult(failure);
        const int failedCode = code;
        const QString failedText = text;
        prepareStep(folderUrl(logon, folder));
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        setQuotes({QStringLiteral("*DELE ") + partial});
        runStep([this, failedCode, failedText](CURLcode) {
            code = failedCode;
            text = failedText;
            ok = false;
            end();
        });
    }

    void finish(CURLcode result)
    {
        noteResult(result);
        end();
    }
    void end()
    {
        connected = ok || code >= 400;
        busy = false;
        stateChanged(q, ok ? FtpState::ResponseCompleted : FtpState::Error);
    }

    [[nodiscard]] bool notUnderstood() const
    {
        const int reply = refusal();
        return reply == 500 || reply == 501 || reply == 502 || reply == 504;
    }
    void listStep(const FtpFolder& folder, int method);

    // Enters the folder and sends the commands there; the operation ends with this step.
    void folderStep(const FtpFolder& folder, const QStringList& commands)
    {
        prepareStep(folderUrl(logon, folder));
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        if (!commands.isEmpty())
            setQuotes(commands);
        runStep([this](CURLcode result) { finish(result); });
    }

    [[nodiscard]] bool acceptName(const QString& name)
    {
        if (FtpTransfer::isPlainRemoteName(name))
            return true;
        refuse(QStringLiteral("not a plain remote name: ") + name);
        return false;
    }
};

// MLSD first, LIST when the server does not know it, NLST last.
void Private::listStep(const FtpFolder& folder, int method)
{
    prepareStep(folderUrl(logon, folder));
    if (method == 0)
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "MLSD");
    if (method == 2)
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
    runStep([this, folder, method](CURLcode result) {
        if (result != CURLE_OK && method < 2 && notUnderstood()) {
            listStep(folder, method + 1);
            return;
        }
        if (result == CURLE_OK)
            names = method == 0 ? ParseMlsdListing(received) : method == 1 ? ParseListListing(received) : ParseNameListing(received);
        finish(result);
    });
}

class CurlFtpSession final : public FtpSession
{
public:
    CurlFtpSession(QObject* owner, FtpModule::StateChanged stateChanged)
    {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        Q_UNUSED(initialised)
        d.q = owner;
        d.stateChanged = stateChanged;
        d.timer.setSingleShot(true);
        QObject::connect(&d.timer, &QTimer::timeout, owner, [this] {
            if (!d.multi)
                return;
            int running = 0;
            curl_multi_socket_action(d.multi, CURL_SOCKET_TIMEOUT, 0, &running);
            d.collect();
        });
    }

    void setLogon(const FtpLogon& logon) override { d.logon = logon; }
    void setRequestTimeout(int seconds) override { d.timeoutSeconds = qMax(1, seconds); }
    bool isBusy() const override { return d.busy; }
    bool succeeded() const override { return d.ok; }
    int responseCode() const override { return d.code; }
    QString responseText() const override { return d.text; }
    QStringList listing() const override { return d.names; }

    bool list(const FtpFolder& folder) override
    {
        if (!d.begin())
            return false;
        d.names.clear();
        d.listStep(folder, 0);
        return true;
    }

    bool makeDirectory(const FtpFolder& parent, const QString& name) override
    {
        if (!d.acceptName(name))
            return false;
        if (!d.begin())
            return false;
        d.folderStep(parent, {QStringLiteral("MKD ") + name});
        return true;
    }

    bool changeDirectory(const FtpFolder& folder) override
    {
        if (!d.begin())
            return false;
        d.folderStep(folder, {});
        return true;
    }

    bool upload(const QString& localPath, const FtpFolder& folder, const QString& name) override
    {
        if (!d.acceptName(name))
            return false;
        auto source = std::make_shared<QFile>(localPath);
        if (!source->open(QIODevice::ReadOnly)) {
            d.refuse(QStringLiteral("cannot read ") + localPath + QStringLiteral(": ") + source->errorString());
            return false;
        }
        if (!d.begin())
            return false;
        d.source = source.get();
        d.prepareStep(fileUrl(d.logon, folder, partialName(name)));
        curl_easy_setopt(d.easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(d.easy, CURLOPT_READFUNCTION, &Private::sendCallback);
        curl_easy_setopt(d.easy, CURLOPT_READDATA, &d);
        curl_easy_setopt(d.easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(source->size()));
        const QStringList rename{QStringLiteral("RNFR ") + partialName(name), QStringLiteral("RNTO ") + name};
        d.setQuotes(rename);
        d.runStep([this, source, folder, name, rename](CURLcode result) {
            d.source = nullptr;
            if (result != CURLE_QUOTE_ERROR) {
                if (result == CURLE_OK)
                    d.finish(result);
                else
                    d.dropPartial(folder, partialName(name), result);
                return;
            }
            // A server that will not rename over a file: the complete copy replaces it.
            d.folderStep(folder, QStringList{QStringLiteral("*DELE ") + name} + rename);
        });
        return true;
    }

    bool download(const FtpFolder& folder, const QString& name, const QString& localPath) override
    {
        if (!d.acceptName(name))
            return false;
        auto target = std::make_shared<QSaveFile>(localPath);
        if (!target->open(QIODevice::WriteOnly)) {
            d.refuse(QStringLiteral("cannot write ") + localPath + QStringLiteral(": ") + target->errorString());
            return false;
        }
        if (!d.begin())
            return false;
        d.target = target.get();
        d.prepareStep(fileUrl(d.logon, folder, name));
        d.runStep([this, target](CURLcode result) {
            d.target = nullptr;
            if (result == CURLE_OK && !target->commit())
                result = CURLE_WRITE_ERROR;
            else if (result != CURLE_OK)
                target->cancelWriting();
            d.finish(result);
        });
        return true;
    }

    bool remove(const FtpFolder& folder, const QString& name) override
    {
        if (!d.acceptName(name))
            return false;
        if (!d.begin())
            return false;
        d.folderStep(folder, {QStringLiteral("DELE ") + name});
        return true;
    }

    void close() override
    {
        if (d.busy)
            return;
        d.stateChanged(d.q, FtpState::Disconnecting);
        d.dropHandles();
        d.connected = false;
        d.stateChanged(d.q, FtpState::Disconnected);
    }

private:
    Private d;
};

} // namespace

QUILLARO_MODULE_ENTRY FtpSession* quillaroCreateFtpSession(QObject* owner, FtpModule::StateChanged stateChanged)
{
    return new CurlFtpSession(owner, stateChanged);
}
